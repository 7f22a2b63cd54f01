// tarvikctl: the Tarvik's settings, its whole command vocabulary and its
// firmware transfer from the command line.
#include <iostream>

#include "system/single_instance_lock.h"
#include "console.h"
#include "ctl_main.h"
#include "link/hid_backend.h"

int main(int argc, char** argv) {
  const tarvik::ctl::Console console = tarvik::ctl::PrepareConsole(argc, argv);
  tarvik::ctl::Context context(std::cout, std::cerr, std::cin);
  context.terminal = console.errorIsTerminal;
  context.lockDirectory = tarvik::DefaultLockDirectory();
  context.systemBackend = &tarvik::SystemHidBackend();
  return tarvik::ctl::Run(console.args, context);
}
