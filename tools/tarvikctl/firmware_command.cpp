#include "firmware_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>

#include "commands/operation_fields.h"
#include "device_connection.h"
#include "exit_codes.h"
#include "input_file.h"
#include "json_text.h"
#include "link/firm_file.h"
#include "link/link_errors.h"
#include "stop_request.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

constexpr std::size_t kMaxFileSize = 64u << 20;  // larger than any image the device takes
constexpr int kMaxTargets = 8;

constexpr int kFleetProgressStep = 10;  // percent between the lines of one of many devices

// The progress callback is a plain function given a number: the number picks
// the transfer's context from this table, so that transfers on several
// devices at once each report to their own.
class ProgressTable {
 public:
  int Add(Context* context) {
    std::lock_guard<std::mutex> guard(mutex_);
    const int number = next_++;
    entries_[number] = {context, -1};
    return number;
  }
  // The last percent shown for `number`, and forgets it.
  int Remove(int number) {
    std::lock_guard<std::mutex> guard(mutex_);
    const int last = entries_[number].lastPercent;
    entries_.erase(number);
    return last;
  }
  // The context to show `percent` on, or none when it shows nothing new.
  Context* Advance(int number, int percent) {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto it = entries_.find(number);
    if (it == entries_.end() || it->second.context->json) return nullptr;
    Entry& entry = it->second;
    // One of many devices shows a line every few percent; its lines go
    // between those of the others.
    const int step = entry.context->all ? kFleetProgressStep : 1;
    if (percent / step == entry.lastPercent / step && entry.lastPercent >= 0) return nullptr;
    entry.lastPercent = percent;
    return entry.context;
  }

 private:
  struct Entry {
    Context* context;
    int lastPercent;
  };
  std::mutex mutex_;
  std::map<int, Entry> entries_;
  int next_ = 0;
};

ProgressTable g_progress;

// Progress goes to the error stream, so that a reader of the results on
// standard output (or its absence) does not hold up the transfer.
void ShowProgress(int percent, int number) {
  Context* context = g_progress.Advance(number, percent);
  if (context == nullptr) return;
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
int Interrupted(Context& context) {
  context.stopped = true;
  return Fail(
      context, ExitCodeForSignal(StopSignal()),
      "stopped on request after a whole block; the Tarvik may now hold an incomplete firmware. "
      "Keep it plugged in and run the same command again to program it completely.");
}

template <typename Fields>
int Transfer(Context& context, CommandId id, CommandParams params, nlohmann::json about) {
  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  CHidDevCommApp& session = connection.Session();
  const int number = g_progress.Add(&context);
  SetField(params, Fields::progress, &ShowProgress);
  SetField(params, Fields::user, static_cast<uint32_t>(number));
  int result;
  {
    std::lock_guard<std::recursive_mutex> guard(session.lock);
    TransferStop stop(*session.link);
    session.params = params;
    result = session.Execute(ToInt(id));
  }
  const int lastPercent = g_progress.Remove(number);
  if (context.terminal && lastPercent >= 0 && lastPercent < 100) context.err << '\n';
  about["result"] = LinkErrorName(result);
  if (context.json)
    context.out << JsonText(about);
  else
    context.out << "result: " << LinkErrorName(result) << '\n';
  // A transfer that ended before the request reached it stands as it ended.
  if (result == LINK_ERR_STOPPED && StopSignal() != 0) return Interrupted(context);
  if (result != LINK_OK)
    return Fail(context, kExitFailed, std::string("the transfer failed: ") + LinkErrorName(result));
  return kExitOk;
}

}  // namespace

int CheckFirmwarePackage(Context& context, const std::string& path,
                         const std::vector<std::string>& targets, CheckedFirmware* firmware) {
  if (targets.empty() || targets.size() > kMaxTargets)
    return Fail(context, kExitUsage, "give 1 to 8 targets with --target");
  firmware->targets.clear();
  for (const std::string& target : targets) {
    const std::optional<long long> t = ParseInteger(target, 0, 0xFF);
    if (!t) return Fail(context, kExitUsage, "target '" + Printable(target) + "' must be 0 to 255");
    firmware->targets.push_back(static_cast<uint8_t>(*t));
  }
  if (const int code =
          ReadInputFile(context, path, kMaxFileSize, "a firmware package", &firmware->bytes))
    return code;
  CFirmFile check;
  if (check.LoadFirmwareImage(firmware->bytes.data(), firmware->bytes.size()) !=
      CFirmFile::LoadResult::Loaded)
    return Fail(context, kExitNoInput, Printable(path) + " is not a firmware package");
  uint32_t payload = 0;
  uint16_t crc = 0;
  check.GetImage(&payload, &crc);
  firmware->about = {{"schemaVersion", 1},         {"file", path},
                     {"type", "firmware package"}, {"version", Hex(check.ImageVersion(), 4)},
                     {"payloadBytes", payload},    {"crc", HexNumber(crc, 4)},
                     {"targets", targets}};
  return kExitOk;
}

int CheckSectionImage(Context& context, const std::string& path, CheckedFirmware* firmware) {
  if (const int code =
          ReadInputFile(context, path, kMaxFileSize, "a section image", &firmware->bytes))
    return code;
  CFirmFile check;
  const CFirmFile::LoadResult loaded =
      check.LoadSectionImage(firmware->bytes.data(), firmware->bytes.size());
  if (loaded == CFirmFile::LoadResult::SealBroken)
    return Fail(context, kExitNoInput, Printable(path) + ": its seal does not match its contents");
  if (loaded != CFirmFile::LoadResult::Loaded)
    return Fail(context, kExitNoInput, Printable(path) + " is not a section image");
  uint32_t size = 0;
  uint16_t crc = 0;
  check.GetImage(&size, &crc);
  firmware->about = {{"schemaVersion", 1},
                     {"file", path},
                     {"type", "section image, layout " + std::to_string(check.GetType())},
                     {"version", Hex(check.ImageVersion(), 4)},
                     {"bytes", size},
                     {"crc", HexNumber(crc, 4)}};
  return kExitOk;
}

int UpdateFirmwarePackage(Context& context, const CheckedFirmware& firmware) {
  Describe(context, firmware.about);
  if (!Confirm(context, "Program this package into the Tarvik?"))
    return Declined(context, "not programmed: declined");

  using F = fields::UpdateFirmware;
  CommandParams params;
  SetField(params, F::image, static_cast<const uint8_t*>(firmware.bytes.data()));
  SetField(params, F::imageSize, static_cast<uint32_t>(firmware.bytes.size()));
  std::copy(firmware.targets.begin(), firmware.targets.end(), params.data + F::targets.offset);
  SetField(params, F::targetCount, static_cast<uint32_t>(firmware.targets.size()));
  return Transfer<F>(context, CommandId::UpdateFirmware, params, firmware.about);
}

int UpdateFirmwareSectionImage(Context& context, const CheckedFirmware& firmware) {
  Describe(context, firmware.about);
  if (!Confirm(context, "Write this section image into the Tarvik?"))
    return Declined(context, "not written: declined");

  using F = fields::UpdateFirmwareSection;
  CommandParams params;
  SetField(params, F::image, static_cast<const uint8_t*>(firmware.bytes.data()));
  SetField(params, F::imageSize, static_cast<uint32_t>(firmware.bytes.size()));
  return Transfer<F>(context, CommandId::UpdateFirmwareSection, params, firmware.about);
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
    Context& context = run.context();
    context.changesDevice = true;
    CheckedFirmware firmware;
    if (const int code =
            CheckFirmwarePackage(context, options->file, options->targets, &firmware)) {
      run.End(code);
      return;
    }
    run.RunOnDevices([&firmware](Context& one, const AttachedDevice&) {
      return UpdateFirmwarePackage(one, firmware);
    });
  });

  CLI::App* section = firmware->add_subcommand("section", "write a section image");
  section->add_option("IMAGE", options->file, "section image file")->required();
  section->callback([&run, options] {
    Context& context = run.context();
    context.changesDevice = true;
    CheckedFirmware firmware;
    if (const int code = CheckSectionImage(context, options->file, &firmware)) {
      run.End(code);
      return;
    }
    run.RunOnDevices([&firmware](Context& one, const AttachedDevice&) {
      return UpdateFirmwareSectionImage(one, firmware);
    });
  });
}

}  // namespace tarvik::ctl
