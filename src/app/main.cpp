// The Tarvik Configurator: finds the attached Tarvik, shows its settings and
// writes each change straight back. Takes no options and reads no files.
#include <QApplication>

#include "app/configurator_app.h"
#include "app/window_platform.h"

int main(int, char** argv) {
  // Qt sees the program name only: the configurator takes no options.
  tarvik::PrepareWindowToolkit();
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  tarvik::CTarvik_ConfiguratorApp app(tarvik::SystemHidBackend(), tarvik::SystemEnvironment());
  app.InitInstance();
  return app.ExitCode();
}
