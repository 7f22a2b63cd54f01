#include <signal.h>
#include <unistd.h>

#include "console.h"

namespace tarvik::ctl {

Console PrepareConsole(int argc, char** argv) {
  // A reader that goes away shows as a failed write, which is reported,
  // rather than as a silent death in the middle of a transfer.
  signal(SIGPIPE, SIG_IGN);
  Console console;
  console.args.assign(argv + 1, argv + argc);
  console.errorIsTerminal = isatty(STDERR_FILENO) == 1;
  return console;
}

}  // namespace tarvik::ctl
