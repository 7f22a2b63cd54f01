// tarvikctl --all working on several Tarviks at once: --jobs bounds how many,
// one device's fault or unplug stays its own, and a signal stops the whole
// run with word of what became of each device.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "commands/command_id.h"
#include "ctl/ctl_fixture.h"
#include "exit_codes.h"
#include "support/firmware_images.h"

namespace tarvik {
namespace {

constexpr uint16_t kGain = 0x0103;
const std::vector<uint8_t> kPlus3dB = {0x00, 0x03};

class ConcurrentAll : public testing::CtlOnStandIn {
 protected:
  void SetUp() override {
    CtlOnStandIn::SetUp();
    devices.push_back(&device);
    for (int port = 1; port <= 5; ++port) {
      bench.push_back(std::make_unique<sim::SimDevice>(
          sim::SimOptions{.topology = "4-" + std::to_string(port)}));
      devices.push_back(bench.back().get());
    }
    testing::Write(File("fw.bin"), testing::Package(testing::Payload(8 * 4096)));
    const std::string document = R"({"schemaVersion": 1, "settings": {"gain-l": "+3dB"}})";
    testing::Write(File("room.json"), {document.begin(), document.end()});
  }

  // The summary's result of each device, by topology ("" for the fixture's).
  std::map<std::string, std::string> Results() const {
    std::map<std::string, std::string> results;
    const nlohmann::json summary = Json();
    for (const nlohmann::json& d : summary["devices"])
      results[d["topology"].is_null() ? "" : d["topology"].get<std::string>()] =
          d["result"].get<std::string>();
    return results;
  }
  std::string TopologyOf(std::size_t i) const { return i == 0 ? "" : "4-" + std::to_string(i); }

  // Raises `signal` once any device has had `requests` requests; a signal
  // that comes after the run is ignored.
  void RaiseWhen(int signal, std::size_t requests) {
    previous = std::signal(signal, SIG_IGN);
    raised = signal;
    raiser = std::thread([this, signal, requests] {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (std::chrono::steady_clock::now() < deadline) {
        for (const sim::SimDevice* d : devices)
          if (d->RequestCount() >= requests) {
            std::raise(signal);
            return;
          }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
  }
  void TearDown() override {
    if (raiser.joinable()) raiser.join();
    if (raised != 0) std::signal(raised, previous);
    CtlOnStandIn::TearDown();
  }

  std::vector<std::unique_ptr<sim::SimDevice>> bench;
  std::vector<sim::SimDevice*> devices;  // the fixture's first, then the bench by port
  std::thread raiser;
  int raised = 0;
  void (*previous)(int) = SIG_DFL;
};

TEST_F(ConcurrentAll, JobsBoundHowManyDevicesAreWorkedOnAtOnce) {
  std::mutex mutex;
  std::condition_variable changed;
  int inFlight = 0, peak = 0, target = 0;
  // Each device's command waits until `target` are under way at once (or a
  // long while passes), so the peak shows how many the run allows.
  const ctl::CommandSetUp probe[] = {[&](CLI::App& app, ctl::Invocation& run) {
    app.add_subcommand("probe")->callback([&] {
      run.RunOnDevices([&](ctl::Context&, const ctl::AttachedDevice&) {
        std::unique_lock<std::mutex> lock(mutex);
        peak = std::max(peak, ++inFlight);
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(10), [&] { return peak >= target; });
        --inFlight;
        return ctl::kExitOk;
      });
    });
  }};
  const struct {
    std::vector<std::string> args;
    int expected;
  } cases[] = {{{"--all", "probe"}, 6},
               {{"--all", "--jobs", "2", "probe"}, 2},
               {{"--all", "--jobs", "1", "probe"}, 1},
               {{"--all", "--jobs", "99", "probe"}, 6}};
  for (const auto& c : cases) {
    peak = 0;
    target = c.expected;
    EXPECT_EQ(Invoke(c.args, "", probe), ctl::kExitOk) << err.str();
    EXPECT_EQ(peak, c.expected) << c.args[2];
  }
  EXPECT_EQ(Invoke({"--jobs", "2", "probe"}, "", probe), ctl::kExitUsage) << "--jobs needs --all";
  EXPECT_EQ(Invoke({"--all", "--jobs", "0", "probe"}, "", probe), ctl::kExitUsage);
}

TEST_F(ConcurrentAll, AFaultOrAnUnplugStaysWithItsDevice) {
  // Apply: one device never answers, one leaves the bus at its first request.
  bench[1]->InjectFault({sim::FaultKind::NoReply}, 0, 1000);
  bench[3]->InjectFault({sim::FaultKind::Unplug});
  EXPECT_EQ(Invoke({"--json", "--yes", "--all", "apply", File("room.json")}), ctl::kExitFailed);
  std::map<std::string, std::string> results = Results();
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const bool troubled = i == 2 || i == 4;
    EXPECT_EQ(results[TopologyOf(i)], troubled ? "failed" : "ok") << i << ": " << out.str();
    if (!troubled) {
      EXPECT_EQ(devices[i]->Setting(0, kGain, TARGET_INPUT_L), kPlus3dB) << i;
    }
  }

  // Firmware: one device refuses a block, one leaves mid-transfer.
  bench[1]->InjectFault({});
  bench[3]->Plug();
  bench[2]->InjectFault({sim::FaultKind::BadStatus}, 3, 1000);
  bench[4]->InjectFault({sim::FaultKind::Unplug}, 4);
  EXPECT_NE(
      Invoke({"--json", "--yes", "--all", "firmware", "update", File("fw.bin"), "--target", "1"}),
      ctl::kExitOk);
  results = Results();
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const bool troubled = i == 3 || i == 5;
    EXPECT_EQ(results[TopologyOf(i)], troubled ? "failed" : "ok") << i << ": " << out.str();
    EXPECT_EQ(devices[i]->Firmware().programmed.empty(), troubled) << i;
  }
  // The lines a device's command wrote name that device.
  EXPECT_NE(err.str().find("tarvikctl: 4-3 (sim:"), std::string::npos) << err.str();
}

TEST_F(ConcurrentAll, ASignalStopsTheTransfersUnderWayAndStartsNoOther) {
  for (sim::SimDevice* d : devices) d->SetReplyLatency(20);
  RaiseWhen(SIGINT, 3);
  EXPECT_EQ(Invoke({"--json", "--yes", "--all", "--jobs", "2", "firmware", "update", File("fw.bin"),
                    "--target", "1"}),
            ctl::kExitInterrupted);
  int stopped = 0, notStarted = 0;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const std::string result = Results()[TopologyOf(i)];
    stopped += result == "stopped";
    notStarted += result == "not-started";
    EXPECT_TRUE(devices[i]->Firmware().programmed.empty()) << i;
    if (result == "not-started") {
      EXPECT_EQ(devices[i]->RequestCount(), 0u) << i;
    }
  }
  EXPECT_EQ(stopped, 2) << out.str();
  EXPECT_EQ(notStarted, 4) << out.str();
  EXPECT_EQ(Json()["stopped"], 6);

  // The same command again programs every device.
  for (sim::SimDevice* d : devices) d->SetReplyLatency(0);
  EXPECT_EQ(Invoke({"--yes", "--all", "firmware", "update", File("fw.bin"), "--target", "1"}),
            ctl::kExitOk)
      << err.str();
  for (const sim::SimDevice* d : devices)
    EXPECT_EQ(d->Firmware().programmed, std::vector<uint8_t>{1});
}

TEST_F(ConcurrentAll, ASignalOutsideATransferLetsTheDeviceUnderWayFinish) {
  for (sim::SimDevice* d : devices) d->SetReplyLatency(20);
  RaiseWhen(SIGTERM, 2);
  EXPECT_EQ(Invoke({"--yes", "--all", "--jobs", "1", "apply", File("room.json")}),
            ctl::kExitTerminated);
  int changed = 0;
  for (const sim::SimDevice* d : devices)
    changed += d->Setting(0, kGain, TARGET_INPUT_L) == kPlus3dB;
  EXPECT_EQ(changed, 1);
  EXPECT_NE(out.str().find("not started"), std::string::npos) << out.str();
  EXPECT_NE(err.str().find("stopping"), std::string::npos) << err.str();
}

TEST_F(ConcurrentAll, ATransferThatCompletedIsNotReportedAsStopped) {
  sim::FirmwareBehaviour slowToProgram;
  slowToProgram.noticeDelayMs = 300;
  bench[0]->SetFirmwareBehaviour(slowToProgram);
  // Start, eight blocks, programming: the signal comes while the device programs.
  RaiseWhen(SIGINT, 10);
  EXPECT_EQ(
      Invoke({"--yes", "--device", "4-1", "firmware", "update", File("fw.bin"), "--target", "1"}),
      ctl::kExitOk)
      << err.str();
  EXPECT_NE(out.str().find("result: OK"), std::string::npos) << out.str();
  EXPECT_EQ(err.str().find("incomplete"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tarvik
