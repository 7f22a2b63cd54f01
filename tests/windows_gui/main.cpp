// The Windows window tests run on the real windows platform; under Wine
// without an X display its windows exist without being drawn anywhere.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  return RUN_ALL_TESTS();
}
