// A 1 MiB firmware package through a stand-in that moves one report per
// millisecond in each direction, as a full-speed device does, against the
// limit the report count sets.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "commands/command_id.h"
#include "commands/operation_fields.h"
#include "link/firmware_transfer.h"
#include "link/hid_dev_comm_app.h"
#include "link/link_errors.h"
#include "link/report_framing.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace {

using namespace tarvik;

constexpr std::size_t kPayload = 1 << 20;

// Reports on the wire, each taking one millisecond: every request report and
// every acknowledgement of the start and of each block.
std::size_t ReportLimit(std::size_t payload) {
  std::size_t reports = FragmentCount(kHeaderSize + 6) + 1;
  for (std::size_t offset = 0; offset < payload; offset += kFirmwareBlockSize) {
    const std::size_t block = std::min(kFirmwareBlockSize, payload - offset);
    reports += FragmentCount(kHeaderSize + 6 + block) + 1;
  }
  return reports;
}

void BM_FirmwarePackageFullSpeed(benchmark::State& state) {
  std::vector<uint8_t> file(24 + kPayload);
  std::memcpy(file.data(), "SIAM", 4);
  std::memcpy(file.data() + 16, "2000", 4);
  for (int i = 0; i < 4; ++i) file[20 + i] = static_cast<uint8_t>(kPayload >> (8 * i));
  for (std::size_t i = 24; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 13);

  sim::SimDevice device;
  device.SetReportInterval(std::chrono::milliseconds(1));
  device.Plug();
  CHidDevCommApp session(sim::DefaultSimBackend());
  if (!session.Open()) {
    state.SkipWithError("the stand-in did not open");
    return;
  }
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  using F = fields::UpdateFirmware;
  double elapsedMs = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    session.params = {};
    SetField(session.params, F::image, static_cast<const uint8_t*>(file.data()));
    SetField(session.params, F::imageSize, static_cast<uint32_t>(file.size()));
    if (session.Execute(ToInt(CommandId::UpdateFirmware)) != LINK_OK) {
      state.SkipWithError("the transfer failed");
      break;
    }
    elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  const double limitMs = static_cast<double>(ReportLimit(kPayload));
  state.counters["limit_ms"] = limitMs;
  state.counters["over_limit_pct"] = (elapsedMs - limitMs) * 100.0 / limitMs;
}
BENCHMARK(BM_FirmwarePackageFullSpeed)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
