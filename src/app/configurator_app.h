// The program's root object: the one device session, the user interface
// language and the program's own texts, its product name and version, the
// one-copy-per-session lock, and the run of the main window.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "app/ui_language.h"
#include "app/window_host.h"
#include "resources/resource_ids.h"
#include "session/hid_dev_comm_app.h"
#include "system/single_instance_lock.h"

class QTranslator;

namespace tarvik {

class CTarvik_ConfiguratorDlg;
class MessageBoxes;

// What the program takes from the system it runs on.
struct AppEnvironment {
  uint32_t lcid = 0x0409;     // the user's locale, as a Windows locale identifier
  std::string lockDirectory;  // the single-instance lock's place (Windows: mutex name); empty: none
  MessageBoxes* boxes = nullptr;
  int replyWaitCapMs = 0;          // > 0 only in tests: shortens every reply wait
  LinkClock* linkClock = nullptr;  // the reply waits' time; only tests set one
};

// The user's locale, the user's lock directory and real message boxes.
AppEnvironment SystemEnvironment();

class CTarvik_ConfiguratorApp : public WindowHost {
 public:
  CTarvik_ConfiguratorApp(HidBackend& backend, AppEnvironment environment);
  ~CTarvik_ConfiguratorApp();
  CTarvik_ConfiguratorApp(const CTarvik_ConfiguratorApp&) = delete;
  CTarvik_ConfiguratorApp& operator=(const CTarvik_ConfiguratorApp&) = delete;

  // Chooses the language and reads the version resource, then runs the
  // main window until it closes, unless another copy runs. Always false:
  // the program ends afterwards with ExitCode().
  bool InitInstance();
  // The first steps of InitInstance: language, product name and version.
  void PrepareInstance();

  int ExitCode() const { return exitCode_; }
  void RequestQuit(int code) override;

  int LocalizedStringId(TextId id) const;
  // The program's text `id` in the user interface language, or empty.
  QString LoadText(TextId id) const override;

  MessageBoxes& Boxes() const { return *environment_.boxes; }
  // A box with the product name for its title.
  int ShowMessageBox(QWidget* owner, const QString& text, BoxIcon icon,
                     BoxButtons buttons) override;
  CHidDevCommApp& Session() override { return m_deviceSession; }
  QString ProductName() const override { return m_productName; }
  ProgramVersion Version() const override {
    return {m_versionMajor, m_versionMinor, m_versionBuild};
  }

  void SetMainWindow(CTarvik_ConfiguratorDlg* window) override;
  CTarvik_ConfiguratorDlg* MainWindow() const { return mainWindow_; }

  SingleInstanceLock m_mutex;
  int m_language = 0;
  int m_versionMajor = 0;
  int m_versionMinor = 0;
  int m_versionBuild = 0;
  QString m_productName;
  CHidDevCommApp m_deviceSession;

 private:
  void RunMainWindow();
  // The toolkit's own texts (standard buttons) in the interface language.
  void LoadToolkitTranslations();

  AppEnvironment environment_;
  std::unique_ptr<QTranslator> toolkitTexts_;
  CTarvik_ConfiguratorDlg* mainWindow_ = nullptr;
  int exitCode_ = 0;
};

}  // namespace tarvik
