#include "firmware_command.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "commands/operation_fields.h"
#include "device_connection.h"
#include "exit_codes.h"
#include "input_file.h"
#include "json_text.h"
#include "link/firm_file.h"
#include "link/link_errors.h"
#include "transfer_interruption.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

constexpr std::size_t kMaxFileSize = 64u << 20;  // larger than any image the device takes
constexpr int kMaxTargets = 8;

// The progress callback is a plain function: it reaches the output through
// this pointer, set for the one transfer that runs at a time.
Context* g_progressContext = nullptr;
int g_lastPercent = -1;

// Progress goes to the error stream, so that a reader of the results on
// standard output (or its absence) does not hold up the transfer.
void ShowProgress(int percent, int) {
  Context* context = g_progressContext;
  if (context == nullptr || percent == g_lastPercent || context->json) return;
  g_lastPercent = percent;
  if (context->terminal) {
    const int filled = percent / 5;
    context->err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                 << std::string(static_cast<std::size_t>(20 - filled), ' ') << "] " << percent
                 << "%" << std::flush;
    if (percent >= 100) context->err << '\n';
  } else {
    context->err << percent << "%\n" << std::flush;
  }
}

void Describe(Context& context, const nlohmann::json& about) {
  if (context.json) return;
  for (const auto& [name, value] : about.items()) {
    if (name == "schemaVersion") continue;
    context.out << name << ": " << ValueText(value) << '\n';
  }
}

// What a stopped transfer leaves behind, and how to finish the job.
int Interrupted(Context& context, int signal) {
  return Fail(
      context, signal == SIGINT ? kExitInterrupted : kExitTerminated,
      "stopped on request after a whole block; the Tarvik may now hold an incomplete firmware. "
      "Keep it plugged in and run the same command again to program it completely.");
}

int Transfer(Context& context, CommandId id, CommandParams params, nlohmann::json about) {
  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  CHidDevCommApp& session = connection.Session();
  g_progressContext = &context;
  g_lastPercent = -1;
  int result;
  int signal;
  {
    std::lock_guard<std::recursive_mutex> guard(session.lock);
    TransferInterruption interruption(*session.link);
    session.params = params;
    result = session.Execute(ToInt(id));
    signal = interruption.Signal();
  }
  g_progressContext = nullptr;
  if (context.terminal && g_lastPercent >= 0 && g_lastPercent < 100) context.err << '\n';
  about["result"] = LinkErrorName(result);
  if (context.json)
    context.out << JsonText(about);
  else
    context.out << "result: " << LinkErrorName(result) << '\n';
  if (signal != 0) return Interrupted(context, signal);
  return result == LINK_OK ? kExitOk : kExitFailed;
}

}  // namespace

int UpdateFirmwarePackage(Context& context, const std::string& path,
                          const std::vector<std::string>& targets) {
  if (targets.empty() || targets.size() > kMaxTargets)
    return Fail(context, kExitUsage, "give 1 to 8 targets with --target");
  uint8_t targetBytes[kMaxTargets] = {};
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::optional<long long> t = ParseInteger(targets[i], 0, 0xFF);
    if (!t) return Fail(context, kExitUsage, "target '" + targets[i] + "' must be 0 to 255");
    targetBytes[i] = static_cast<uint8_t>(*t);
  }
  std::vector<uint8_t> file;
  if (const int code = ReadInputFile(context, path, kMaxFileSize, "a firmware package", &file))
    return code;
  CFirmFile check;
  if (check.LoadFirmwareImage(file.data(), file.size()) != CFirmFile::LoadResult::Loaded)
    return Fail(context, kExitNoInput, path + " is not a firmware package");
  uint32_t payload = 0;
  uint16_t crc = 0;
  check.GetImage(&payload, &crc);
  nlohmann::json about = {{"schemaVersion", 1},         {"file", path},
                          {"type", "firmware package"}, {"version", Hex(check.ImageVersion(), 4)},
                          {"payloadBytes", payload},    {"crc", HexNumber(crc, 4)},
                          {"targets", targets}};
  Describe(context, about);
  if (!Confirm(context, "Program this package into the Tarvik?"))
    return Fail(context, kExitFailed, "not programmed");

  using F = fields::UpdateFirmware;
  CommandParams params;
  SetField(params, F::image, static_cast<const uint8_t*>(file.data()));
  SetField(params, F::imageSize, static_cast<uint32_t>(file.size()));
  std::copy_n(targetBytes, kMaxTargets, params.data + F::targets.offset);
  SetField(params, F::targetCount, static_cast<uint32_t>(targets.size()));
  SetField(params, F::progress, &ShowProgress);
  return Transfer(context, CommandId::UpdateFirmware, params, about);
}

int UpdateFirmwareSectionImage(Context& context, const std::string& path) {
  std::vector<uint8_t> file;
  if (const int code = ReadInputFile(context, path, kMaxFileSize, "a section image", &file))
    return code;
  CFirmFile check;
  const CFirmFile::LoadResult loaded = check.LoadSectionImage(file.data(), file.size());
  if (loaded == CFirmFile::LoadResult::SealBroken)
    return Fail(context, kExitNoInput, path + ": its seal does not match its contents");
  if (loaded != CFirmFile::LoadResult::Loaded)
    return Fail(context, kExitNoInput, path + " is not a section image");
  uint32_t size = 0;
  uint16_t crc = 0;
  check.GetImage(&size, &crc);
  nlohmann::json about = {{"schemaVersion", 1},
                          {"file", path},
                          {"type", "section image, layout " + std::to_string(check.GetType())},
                          {"version", Hex(check.ImageVersion(), 4)},
                          {"bytes", size},
                          {"crc", HexNumber(crc, 4)}};
  Describe(context, about);
  if (!Confirm(context, "Write this section image into the Tarvik?"))
    return Fail(context, kExitFailed, "not written");

  using F = fields::UpdateFirmwareSection;
  CommandParams params;
  SetField(params, F::image, static_cast<const uint8_t*>(file.data()));
  SetField(params, F::imageSize, static_cast<uint32_t>(file.size()));
  SetField(params, F::progress, &ShowProgress);
  return Transfer(context, CommandId::UpdateFirmwareSection, params, about);
}

namespace {

struct FirmwareOptions {
  std::string file;
  std::vector<std::string> targets;
};

}  // namespace

void SetUpFirmwareCommand(CLI::App& app, Invocation& run) {
  auto options = std::make_shared<FirmwareOptions>();
  CLI::App* firmware = app.add_subcommand("firmware", "check and transfer firmware");
  firmware->require_subcommand(1, 1);

  CLI::App* update = firmware->add_subcommand("update", "program a firmware package into targets");
  update->add_option("PACKAGE", options->file, "firmware package file")->required();
  update->add_option("--target", options->targets, "target number to program (repeat for more)")
      ->required();
  update->callback([&run, options] {
    run.context().changesDevice = true;
    run.RunOnDevices([options](Context& one, const AttachedDevice&) {
      return UpdateFirmwarePackage(one, options->file, options->targets);
    });
  });

  CLI::App* section = firmware->add_subcommand("section", "write a section image");
  section->add_option("IMAGE", options->file, "section image file")->required();
  section->callback([&run, options] {
    run.context().changesDevice = true;
    run.RunOnDevices([options](Context& one, const AttachedDevice&) {
      return UpdateFirmwareSectionImage(one, options->file);
    });
  });
}

}  // namespace tarvik::ctl
