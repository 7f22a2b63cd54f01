// `firmware update` and `firmware section`: the file is read and checked
// once, before any device; then, for each device, shown and, once
// confirmed, transferred with its progress shown. With --all every device
// gets the same bytes, whatever happens to the file meanwhile, and a pipe
// or /dev/stdin is read only once.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ctl_context.h"
#include "invocation.h"

namespace tarvik::ctl {

// A firmware file as read and checked, and what it is.
struct CheckedFirmware {
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> targets;  // the targets a package goes to
  nlohmann::json about;
};

// kExitOk, or the usage or file fault, explained.
int CheckFirmwarePackage(Context& context, const std::string& path,
                         const std::vector<std::string>& targets, CheckedFirmware* firmware);
int CheckSectionImage(Context& context, const std::string& path, CheckedFirmware* firmware);

int UpdateFirmwarePackage(Context& context, const CheckedFirmware& firmware);
int UpdateFirmwareSectionImage(Context& context, const CheckedFirmware& firmware);
void SetUpFirmwareCommand(CLI::App& app, Invocation& run);

}  // namespace tarvik::ctl
