// Loaded into a window program with LD_PRELOAD: prints the wall-clock time of
// the first paint of any top-level window, in nanoseconds since the epoch, on
// standard error ("first-paint NS"), so a program without a reporting option
// of its own is measured the way the demo measures itself; then ends the
// program at once, so that a profiler's counts stop at the first paint too.
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

class FirstPaintProbe : public QObject {
 public:
  explicit FirstPaintProbe(QObject* parent) : QObject(parent) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || !watched->isWidgetType() ||
        !static_cast<QWidget*>(watched)->isWindow())
      return false;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::fprintf(
        stderr, "first-paint %lld\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stderr);
    std::_Exit(0);
  }
};

void InstallProbe() {
  QCoreApplication::instance()->installEventFilter(
      new FirstPaintProbe(QCoreApplication::instance()));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)
