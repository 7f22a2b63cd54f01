// `op`: any operation of the table by name or number, its input fields from
// NAME=VALUE words and block buffers from files, its output fields printed.
#pragma once

#include <string>
#include <vector>

#include "ctl_context.h"
#include "invocation.h"

namespace tarvik::ctl {

struct OpRequest {
  std::string operation;            // name or number
  std::vector<std::string> fields;  // FIELD=VALUE
  long long selector = 0;
  std::string inFile;   // buffer or message read from here
  std::string outFile;  // buffer or message written here
};

int RunOp(Context& context, const OpRequest& request);
int ListOps(Context& context);
void SetUpOpCommand(CLI::App& app, Invocation& run);

}  // namespace tarvik::ctl
