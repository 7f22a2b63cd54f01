// Runs the window tests inside one application object, offscreen unless a
// platform was chosen. Windows builds of the toolkit may lack the offscreen
// platform: there the minimal one stands in, with the system's fonts so that
// text is drawn in glyphs rather than boxes.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
#ifdef _WIN32
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
#else
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  ::testing::InitGoogleTest(&argc, argv);
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  return RUN_ALL_TESTS();
}
