// Saves pictures of the configurator's windows on the stand-in device, for
// looking at them without a screen: tarvik-screenshots OUTPUT_DIRECTORY.
// Each picture is the window's client area under a plain title bar that
// shows its caption in the program's font, so captions can be checked too.
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/about_dlg.h"
#include "app/configurator_app.h"
#include "app/configurator_dlg.h"
#include "app/message_boxes.h"
#include "controls/ui_font.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace {

using namespace tarvik;

class SilentBoxes : public MessageBoxes {
 public:
  int Show(QWidget*, const QString& title, const QString& text, BoxIcon, BoxButtons) override {
    std::printf("box: %s: %s\n", qPrintable(title), qPrintable(text));
    return kAnswerOk;
  }
};

// `popup`, when given, is an open drop-down drawn where it shows on screen.
void Save(QWidget& widget, const QDir& directory, const QString& name, QWidget* popup = nullptr) {
  QCoreApplication::processEvents();
  const QString path = directory.filePath(name + QStringLiteral(".png"));
  QPixmap client = widget.grab();
  if (popup != nullptr) {
    QPainter over(&client);
    over.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - widget.mapToGlobal(QPoint(0, 0)),
                    popup->grab());
  }
  constexpr int kTitleHeight = 26;
  QImage picture(client.width(), client.height() + kTitleHeight, QImage::Format_RGB32);
  picture.fill(QColor(0xDD, 0xDE, 0xE1));
  QPainter painter(&picture);
  painter.setFont(MakeUiFont());
  painter.setPen(Qt::black);
  painter.drawText(QRect(8, 0, client.width() - 16, kTitleHeight),
                   Qt::AlignVCenter | Qt::TextSingleLine, widget.windowTitle());
  painter.drawPixmap(0, kTitleHeight, client);
  painter.end();
  picture.save(path);
  std::printf("%s: \"%s\"\n", qPrintable(path), qPrintable(widget.windowTitle()));
}

// The USB speed change's restart question as a real box, pictured once it
// shows and then cancelled.
void SaveRestartQuestion(const CTarvik_ConfiguratorApp& app, QWidget& owner, const QDir& directory,
                         const QString& name) {
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&watcher, &directory, name] {
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    watcher.stop();  // Save runs events, this timer's among them
    Save(*box, directory, name);
    QMetaObject::invokeMethod(box, &QDialog::reject, Qt::QueuedConnection);
  });
  watcher.start(10);
  SystemMessageBoxes().Show(&owner, app.ProductName(), app.LoadText(kTextRestartQuestion),
                            BoxIcon::kWarning, BoxButtons::kOkCancelDefaultCancel);
}

void ShootLanguage(uint32_t lcid, const char* tag, const QDir& directory) {
  SilentBoxes boxes;
  sim::SimDevice device;
  device.Unplug();
  CTarvik_ConfiguratorApp app(sim::DefaultSimBackend(), AppEnvironment{lcid, {}, &boxes});
  app.PrepareInstance();
  {
    CTarvik_ConfiguratorDlg window(app);
    // Drops the queued start of the monitor: the pictures drive its ticks.
    QCoreApplication::removePostedEvents(&window, QEvent::MetaCall);
    window.show();
    const QString prefix = QString::fromLatin1(tag) + QLatin1Char('-');
    const char* pages[3] = {"audio-in", "audio-out", "usb"};
    for (int i = 2; i >= 0; --i) {
      window.SelectPage(i);
      Save(window, directory, prefix + "main-not-connected-" + pages[i]);
    }
    device.Plug();
    for (int i = 0; i < 11; ++i) window.Monitor().OnTick();
    for (int i = 0; i < 3; ++i) {
      window.SelectPage(i);
      Save(window, directory, prefix + "main-connected-" + pages[i]);
    }
    SaveRestartQuestion(app, window, directory, prefix + "usb-restart-question");

    // AUDIO IN with L, then both channels, in PA MICROPHONE.
    window.SelectPage(0);
    CTabViewAudIn& audioIn = window.AudioInPage();
    for (int channel = 0; channel < 2; ++channel) {
      QComboBox* mode = audioIn.ChannelControls(channel).mode;
      mode->setCurrentIndex(1);
      audioIn.OnModeChange(channel);
      Save(window, directory, prefix + (channel == 0 ? "audio-in-l-pa" : "audio-in-both-pa"));
    }
    QComboBox* gain = audioIn.ChannelControls(1).gain;
    gain->showPopup();
    Save(window, directory, prefix + "audio-in-gain-list-open", QApplication::activePopupWidget());
    gain->hidePopup();

    // USB on firmware that has the microphone mute synchronisation.
    device.Unplug();
    window.Monitor().OnDeviceNotify(NOTIFY_LINK_LOST, 0);
    // The receive thread may have queued the same news before the session
    // closed; it is handled now, not in the middle of the next pictures.
    QCoreApplication::sendPostedEvents(&window, QEvent::MetaCall);
    device.SetFirmwareVersion("3.00");
    device.Plug();
    for (int i = 0; i < 11; ++i) window.Monitor().OnTick();
    window.SelectPage(2);
    Save(window, directory, prefix + "usb-firmware-3.00");
    CAboutDlg about(app, app.ProductName(), app.Version(), &window);
    about.show();
    Save(about, directory, prefix + "about");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tarvik-screenshots OUTPUT_DIRECTORY\n");
    return 64;
  }
  const QDir directory(QString::fromLocal8Bit(argv[1]));
  if (!directory.exists() && !QDir().mkpath(directory.path())) {
    std::fprintf(stderr, "tarvik-screenshots: cannot make %s\n", argv[1]);
    return 1;
  }
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  ShootLanguage(0x0409, "en", directory);
  ShootLanguage(0x0411, "ja", directory);
  ShootLanguage(0x0804, "zh", directory);
  return 0;
}
