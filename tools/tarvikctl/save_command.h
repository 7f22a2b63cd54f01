// `save FILE` on the command line; with --all, FILE is a folder that gets
// a file per Tarvik.
#pragma once

#include "invocation.h"

namespace tarvik::ctl {

void SetUpSaveCommand(CLI::App& app, Invocation& run);

}  // namespace tarvik::ctl
