// Runs the window tests inside one application object, offscreen unless a
// platform was chosen.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  return RUN_ALL_TESTS();
}
