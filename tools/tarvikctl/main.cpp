// tarvikctl: the Tarvik's settings, its whole command vocabulary and its
// firmware transfer from the command line.
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/single_instance_lock.h"
#include "ctl_main.h"
#include "link/hid_backend.h"

int main(int argc, char** argv) {
  // A reader that goes away shows as a failed write, which is reported,
  // rather than as a silent death in the middle of a transfer.
  signal(SIGPIPE, SIG_IGN);
  tarvik::ctl::Context context(std::cout, std::cerr, std::cin);
  context.terminal = isatty(STDERR_FILENO) == 1;
  context.lockDirectory = tarvik::DefaultLockDirectory();
  context.systemBackend = &tarvik::SystemHidBackend();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tarvik::ctl::Run(args, context);
}
