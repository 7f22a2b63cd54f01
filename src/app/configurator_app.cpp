#include "app/configurator_app.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QTranslator>
#include <atomic>

#include "app/configurator_dlg.h"
#include "app/message_boxes.h"
#include "app/user_locale.h"
#include "app/window_platform.h"
#include "controls/ui_font.h"
#include "resources/string_table.h"
#include "system/program_identity.h"

namespace tarvik {
namespace {

// Where the receive thread sends device notifications: the main window
// while it exists. The session is closed (its thread joined) before the
// window goes, so a call is never queued for a destroyed window.
std::atomic<CTarvik_ConfiguratorDlg*> g_notifyTarget{nullptr};

// Runs on the receive thread, so it only queues the call: the window
// handles the notification on its own thread.
void PostDeviceNotify(int code, int value) {
  if (CTarvik_ConfiguratorDlg* target = g_notifyTarget.load())
    QMetaObject::invokeMethod(
        target, [target, code, value] { target->Monitor().OnDeviceNotify(code, value); },
        Qt::QueuedConnection);
}

}  // namespace

AppEnvironment SystemEnvironment() {
  AppEnvironment environment;
  environment.lcid = UserDefaultLcid();
  environment.lockDirectory = DefaultLockDirectory();
  environment.boxes = &SystemMessageBoxes();
  return environment;
}

CTarvik_ConfiguratorApp::CTarvik_ConfiguratorApp(HidBackend& backend, AppEnvironment environment)
    : m_deviceSession(backend, environment.replyWaitCapMs,
                      environment.linkClock ? *environment.linkClock : DefaultLinkClock()),
      environment_(std::move(environment)) {
  if (environment_.boxes == nullptr) environment_.boxes = &SystemMessageBoxes();
  m_deviceSession.SetNotifyCallback(&PostDeviceNotify);
}

CTarvik_ConfiguratorApp::~CTarvik_ConfiguratorApp() {
  m_mutex.Release();
  m_deviceSession.Close();
}

void CTarvik_ConfiguratorApp::PrepareInstance() {
  m_language = LanguageFromLcid(environment_.lcid);
  LoadToolkitTranslations();
  InstallFontSubstitutes(m_language);
  const ProgramIdentity identity = ReadProgramIdentity();
  m_productName = QString::fromStdString(identity.productName);
  m_versionMajor = identity.versionMajor;
  m_versionMinor = identity.versionMinor;
  m_versionBuild = identity.versionBuild;
}

bool CTarvik_ConfiguratorApp::InitInstance() {
  RegisterForRestart();
  PrepareInstance();
  const SingleInstanceLock::Result lock = m_mutex.Acquire(environment_.lockDirectory);
  if (lock == SingleInstanceLock::Result::kAlreadyHeld) {
    ShowMessageBox(nullptr, LoadText(kTextAlreadyRunning), BoxIcon::kInformation, BoxButtons::kOk);
    exitCode_ = 2;
    return false;
  }
  // A lock that cannot be made at all does not keep the program from running,
  // but nothing then keeps a second copy or tarvikctl off the device: say so.
  if (lock == SingleInstanceLock::Result::kUnavailable) {
    const std::string where = environment_.lockDirectory.empty()
                                  ? std::string("no private directory for it was found")
                                  : "no lock file could be locked in " + environment_.lockDirectory;
    qWarning(
        "Running without the single-instance lock (%s): another copy or tarvikctl may use "
        "the device at the same time.",
        where.c_str());
  }
  RunMainWindow();
  return false;
}

void CTarvik_ConfiguratorApp::LoadToolkitTranslations() {
  toolkitTexts_.reset();
  const char* locale = ToolkitTranslationLocale(m_language);
  if (locale == nullptr) return;
  auto texts = std::make_unique<QTranslator>();
  const QString name = QStringLiteral("qtbase_") + QLatin1String(locale);
  // Without the file the buttons stay in English; the program's own texts
  // are still translated.
  if (!texts->load(name, ToolkitTranslationsDirectory())) {
    qWarning("The toolkit's %s translations were not found in %s", locale,
             qUtf8Printable(ToolkitTranslationsDirectory()));
    return;
  }
  QCoreApplication::installTranslator(texts.get());
  toolkitTexts_ = std::move(texts);
}

void CTarvik_ConfiguratorApp::RunMainWindow() {
  CTarvik_ConfiguratorDlg window(*this);
  QEventLoop loop;
  QObject::connect(&window, &QDialog::finished, &loop, &QEventLoop::quit);
  window.show();
  if (window.isVisible()) loop.exec();
}

void CTarvik_ConfiguratorApp::RequestQuit(int code) {
  exitCode_ = code;
  if (mainWindow_ != nullptr) mainWindow_->done(0);
}

int CTarvik_ConfiguratorApp::LocalizedStringId(TextId id) const {
  if (m_language == kLanguageJapanese) return kJapaneseTextOffset + id;
  if (m_language == kLanguageChinese) return kChineseTextOffset + id;
  return id;
}

QString CTarvik_ConfiguratorApp::LoadText(TextId id) const {
  return LoadResourceString(LocalizedStringId(id));
}

int CTarvik_ConfiguratorApp::ShowMessageBox(QWidget* owner, const QString& text, BoxIcon icon,
                                            BoxButtons buttons) {
  return Boxes().Show(owner, m_productName, text, icon, buttons);
}

void CTarvik_ConfiguratorApp::SetMainWindow(CTarvik_ConfiguratorDlg* window) {
  mainWindow_ = window;
  g_notifyTarget.store(window);
}

}  // namespace tarvik
