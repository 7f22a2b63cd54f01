// Runs the real configurator on the stand-in device, which is plugged in a
// moment after the start so that the connection can be watched.
//
//   --no-device           never plug the stand-in in (the monitor keeps watching)
//   --no-panel            no stand-in panel window
//   --report-first-paint  print the wall-clock time of the main window's first
//                         paint, in nanoseconds since the epoch, on standard error
#include <QApplication>
#include <QPaintEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "app/configurator_app.h"
#include "app/configurator_dlg.h"
#include "app/window_platform.h"
#include "panel_placement.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "stand_in_panel.h"

namespace {

constexpr int kPlugDelayMs = 1000;

// Reports the first paint of the configurator's main window once.
class FirstPaintReporter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!reported_ && event->type() == QEvent::Paint &&
        qobject_cast<tarvik::CTarvik_ConfiguratorDlg*>(watched) != nullptr) {
      reported_ = true;
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      std::fprintf(stderr, "first-paint %lld\n",
                   static_cast<long long>(
                       std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    }
    return false;
  }

 private:
  bool reported_ = false;
};

// Moves the panel beside the main window once the main window first paints:
// only then are both windows shown and their frames known.
class PanelPlacer : public QObject {
 public:
  explicit PanelPlacer(QWidget& panel) : panel_(panel) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<tarvik::CTarvik_ConfiguratorDlg*>(watched);
    if (!placed_ && window != nullptr && event->type() == QEvent::Paint) {
      placed_ = true;
      QCoreApplication::instance()->removeEventFilter(this);
      QPointer<QWidget> main(window);
      QTimer::singleShot(0, this, [this, main] {
        if (main == nullptr || !panel_.isVisible()) return;
        panel_.move(tarvik::PanelBeside(main->frameGeometry(), panel_.frameGeometry().size(),
                                        main->screen()->availableGeometry()));
        panel_.raise();  // on a narrow screen it may still overlap the window's edge
      });
    }
    return false;
  }

 private:
  QWidget& panel_;
  bool placed_ = false;
};

bool HasOption(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const bool plug = !HasOption(argc, argv, "--no-device");
  const bool panel = !HasOption(argc, argv, "--no-panel");
  const bool reportPaint = HasOption(argc, argv, "--report-first-paint");
  tarvik::PrepareWindowToolkit();
  int qtArgc = 1;
  QApplication application(qtArgc, argv);

  FirstPaintReporter reporter;
  if (reportPaint) application.installEventFilter(&reporter);

  tarvik::sim::SimDevice device;
  tarvik::CTarvik_ConfiguratorApp app(tarvik::sim::DefaultSimBackend(),
                                      tarvik::SystemEnvironment());
  // The panel's texts are in the configurator's typeface, which is mapped to
  // this system's fonts here: a face looked up before that stays on the
  // toolkit's last resort, whatever is mapped later. InitInstance maps it
  // again, to the same fonts.
  app.PrepareInstance();
  tarvik::StandInPanel standIn(device);
  PanelPlacer placer(standIn);
  if (panel) {
    standIn.show();
    application.installEventFilter(&placer);
  }
  if (plug) QTimer::singleShot(kPlugDelayMs, &standIn, &tarvik::StandInPanel::Plug);

  app.InitInstance();
  return app.ExitCode();
}
