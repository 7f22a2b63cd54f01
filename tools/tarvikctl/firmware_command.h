// `firmware update` and `firmware section`: the file is checked and shown
// first, then, once confirmed, transferred with its progress shown.
#pragma once

#include <string>
#include <vector>

#include "ctl_context.h"
#include "invocation.h"

namespace tarvik::ctl {

int UpdateFirmwarePackage(Context& context, const std::string& path,
                          const std::vector<std::string>& targets);
int UpdateFirmwareSectionImage(Context& context, const std::string& path);
void SetUpFirmwareCommand(CLI::App& app, Invocation& run);

}  // namespace tarvik::ctl
