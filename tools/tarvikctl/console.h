// The process's console as tarvikctl uses it, on each platform: the
// arguments as UTF-8, output that shows UTF-8 text, a reader that goes away
// reported as a failed write, and whether the error stream is a terminal.
#pragma once

#include <string>
#include <vector>

namespace tarvik::ctl {

struct Console {
  std::vector<std::string> args;  // without the program name, UTF-8
  bool errorIsTerminal = false;
};

Console PrepareConsole(int argc, char** argv);

}  // namespace tarvik::ctl
