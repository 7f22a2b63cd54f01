// A 1 MiB firmware package through the stand-in's bus model, at full speed
// (one report per 1 ms frame in each direction) and at high speed (one per
// 125 us microframe). The program's time is set against the limit the report
// count sets and against the bus model's own floor: the same reports moved
// through the same model by a bare host loop, measured in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_inputs.h"
#include "commands/command_id.h"
#include "commands/operation_fields.h"
#include "link/link_errors.h"
#include "link/report_framing.h"
#include "session/firmware_transfer.h"
#include "session/hid_dev_comm_app.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace {

using namespace tarvik;
using Clock = std::chrono::steady_clock;
using WireReport = std::array<uint8_t, kReportSize + 1>;  // report ID first

constexpr std::size_t kPayload = 1 << 20;
constexpr int kAckTimeoutMs = 5000;

// Reports on the wire, one per frame: every request report and every
// acknowledgement of the start and of each block.
std::size_t ReportLimit(std::size_t payload) {
  std::size_t reports = FragmentCount(kHeaderSize + 6) + 1;
  for (std::size_t offset = 0; offset < payload; offset += kFirmwareBlockSize) {
    const std::size_t block = std::min(kFirmwareBlockSize, payload - offset);
    reports += FragmentCount(kHeaderSize + 6 + block) + 1;
  }
  return reports;
}

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The program's transfer in a session of its own, closed afterwards so that
// its reader thread takes no share of the floor's run. -1 on failure.
double TimeTransfer(sim::SimDevice& device, const std::vector<uint8_t>& file) {
  CHidDevCommApp session(sim::DefaultSimBackend());
  if (!session.Open()) return -1;
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  device.ClearRequests();
  using F = fields::UpdateFirmware;
  session.params = {};
  SetField(session.params, F::image, static_cast<const uint8_t*>(file.data()));
  SetField(session.params, F::imageSize, static_cast<uint32_t>(file.size()));
  const auto start = Clock::now();
  if (session.Execute(ToInt(CommandId::UpdateFirmware)) != LINK_OK) return -1;
  return MsSince(start);
}

// The reports of each request the device received, cut before the clock starts.
std::vector<std::vector<WireReport>> RequestReports(
    const std::vector<sim::RequestRecord>& records) {
  std::vector<std::vector<WireReport>> messages;
  for (const sim::RequestRecord& record : records) {
    std::vector<WireReport>& reports = messages.emplace_back();
    Fragmenter fragmenter(record.message.data(), record.message.size());
    WireReport report{};
    while (fragmenter.Next(report.data() + 1)) reports.push_back(report);
  }
  return messages;
}

// Request reports and one acknowledgement for each request.
std::size_t WireReports(const std::vector<std::vector<WireReport>>& messages) {
  std::size_t reports = 0;
  for (const std::vector<WireReport>& message : messages) reports += message.size() + 1;
  return reports;
}

// The floor: each request's reports written, then its acknowledgement read.
double TimeFloor(const std::vector<std::vector<WireReport>>& messages) {
  const std::vector<std::string> ids = sim::DefaultSimBackend().ListInterfaces();
  if (ids.size() != 1) return -1;
  std::unique_ptr<HidHandle> handle = sim::DefaultSimBackend().OpenInterface(ids.front());
  if (!handle) return -1;
  WireReport ack{};
  const auto start = Clock::now();
  for (const std::vector<WireReport>& reports : messages) {
    for (const WireReport& report : reports)
      if (!handle->Write(report, kAckTimeoutMs)) return -1;
    if (!handle->Read(ack, kAckTimeoutMs) || ack[1] != kMarkerReplyFirst) return -1;
  }
  return MsSince(start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t half = values.size() / 2;
  return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

// Rounds alternate which of the two goes first, so that a drift in the
// machine's load falls on both alike; the figures are the rounds' medians,
// so that a burst of load in one round does not decide them.
void BM_FirmwarePackage(benchmark::State& state, std::chrono::microseconds interval) {
  const std::vector<uint8_t> file = bench::FirmwarePackage(kPayload);
  sim::SimDevice device;
  device.SetReportInterval(interval);
  std::vector<std::vector<WireReport>> messages;  // from the first transfer
  std::vector<double> programMs, floorMs, overFloorPct;
  bool floorFirst = false;
  for (auto _ : state) {
    const double floorBefore = floorFirst ? TimeFloor(messages) : 0;
    const double program = TimeTransfer(device, file);
    if (program < 0) {
      state.SkipWithError("the transfer failed");
      return;
    }
    if (messages.empty()) {
      messages = RequestReports(device.Requests());
      if (WireReports(messages) != ReportLimit(kPayload)) {
        state.SkipWithError("the device received other requests than the transfer's");
        return;
      }
    }
    const double floor = floorFirst ? floorBefore : TimeFloor(messages);
    if (floor < 0) {
      state.SkipWithError("the floor's reports did not get through");
      return;
    }
    floorFirst = !floorFirst;
    programMs.push_back(program);
    floorMs.push_back(floor);
    overFloorPct.push_back((program - floor) * 100.0 / floor);
    state.SetIterationTime(program / 1000);
  }
  const double program = Median(programMs);
  const double limitMs = static_cast<double>(ReportLimit(kPayload)) *
                         std::chrono::duration<double, std::milli>(interval).count();
  state.counters["program_ms"] = program;
  state.counters["floor_ms"] = Median(floorMs);
  state.counters["over_floor_pct"] = Median(overFloorPct);
  state.counters["limit_ms"] = limitMs;
  state.counters["over_limit_pct"] = (program - limitMs) * 100.0 / limitMs;
}
BENCHMARK_CAPTURE(BM_FirmwarePackage, FullSpeed, std::chrono::microseconds(1000))
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_FirmwarePackage, HighSpeed, std::chrono::microseconds(125))
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
