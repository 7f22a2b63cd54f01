// tarvikctl run in the benchmark's own process on the stand-ins, as the
// command line runs it, with its lock in the benchmark's directory.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "ctl_main.h"
#include "sim/sim_backend.h"

namespace tarvik::bench {

inline std::string CommandLine(const std::vector<std::string>& args) {
  std::string line = "tarvikctl";
  for (const std::string& a : args) line += " " + a;
  return line;
}

// The exit code; a failure is shown on standard error with what tarvikctl
// said. `output`, when given, gets its standard output.
inline int RunCtl(const std::vector<std::string>& args, const std::string& lockDirectory,
                  std::string* output = nullptr) {
  std::ostringstream out, err;
  std::istringstream in;
  ctl::Context context(out, err, in);
  context.lockDirectory = lockDirectory;
  context.systemBackend = &sim::DefaultSimBackend();
  const int code = ctl::Run(args, context);
  if (code != 0)
    std::fprintf(stderr, "%s: exit %d\n%s%s", CommandLine(args).c_str(), code, out.str().c_str(),
                 err.str().c_str());
  if (output) *output = out.str();
  return code;
}

}  // namespace tarvik::bench
