// The least a Qt dialog of the configurator's size costs: one 449 x 422
// picture painted at (8, 30) and a 200 ms timer that does nothing.
//   --report-first-paint  print the wall-clock time of the first paint, in
//                         nanoseconds since the epoch, on standard error
#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "controls/x_image.h"
#include "resources/resource_ids.h"

namespace {

class FloorDialog : public QDialog {
 public:
  explicit FloorDialog(bool reportPaint) : reportPaint_(reportPaint) {
    setFixedSize(465, 460);
    setWindowTitle(QStringLiteral("Floor"));
    background_.LoadPngResource(tarvik::kPngAudioInPage);
    timer_.start(200);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x33, 0x33, 0x33));
    background_.Draw(&painter, 8, 30);
    if (reportPaint_) {
      reportPaint_ = false;
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      std::fprintf(stderr, "first-paint %lld\n",
                   static_cast<long long>(
                       std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    }
  }

 private:
  bool reportPaint_;
  tarvik::CxImage background_;
  QTimer timer_;
};

}  // namespace

int main(int argc, char** argv) {
  const bool report = argc > 1 && std::strcmp(argv[1], "--report-first-paint") == 0;
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  FloorDialog dialog(report);
  dialog.show();
  return application.exec();
}
