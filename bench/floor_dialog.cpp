// The least a Qt dialog of the configurator's size costs: one 449 x 422
// picture painted at (8, 30) and a 200 ms timer that does nothing.
//   --report-first-paint  print the wall-clock time of the first paint, in
//                         nanoseconds since the epoch, on standard error
//   --with-text           also draw one line of text in the program's face,
//                         so the toolkit's fonts are loaded as in any window
//                         that shows text
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
  FloorDialog(bool reportPaint, bool withText) : reportPaint_(reportPaint), withText_(withText) {
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
    if (withText_) {
      painter.setFont(QFont(QStringLiteral("Meiryo UI"), 10));
      painter.drawText(20, 20, QStringLiteral("AUDIO IN"));
    }
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
  bool withText_;
  tarvik::CxImage background_;
  QTimer timer_;
};

}  // namespace

int main(int argc, char** argv) {
  bool report = false;
  bool withText = false;
  for (int i = 1; i < argc; ++i) {
    report = report || std::strcmp(argv[i], "--report-first-paint") == 0;
    withText = withText || std::strcmp(argv[i], "--with-text") == 0;
  }
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  FloorDialog dialog(report, withText);
  dialog.show();
  return application.exec();
}
