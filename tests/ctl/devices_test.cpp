// tarvikctl with several Tarviks attached: the list and its selectors,
// --device and --all, and the summary of a run over every device.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <mutex>

#include "commands/command_id.h"
#include "ctl/ctl_fixture.h"
#include "exit_codes.h"
#include "support/firmware_images.h"

namespace tarvik {
namespace {

constexpr uint16_t kGain = 0x0103;
const std::vector<uint8_t> kPlus3dB = {0x00, 0x03};  // 768, little-endian

class CtlBench : public testing::CtlOnStandIn {
 protected:
  static sim::SimOptions At(const std::string& topology, uint16_t productId = 0x4021) {
    sim::SimOptions options;
    options.topology = topology;
    options.productId = productId;
    return options;
  }
  std::vector<uint8_t> GainL(const sim::SimDevice& d) const {
    return d.Setting(0, kGain, TARGET_INPUT_L);
  }

  // `device` of the fixture has no topology; these two have, and the second
  // is one the session tries before the 0x4026 of the first.
  sim::SimDevice portA{At("3-1", 0x4026)};
  sim::SimDevice portB{At("3-2.4")};
};

TEST_F(CtlBench, ListsInTheOrderSessionsPickAndEverySelectorNamesItsDevice) {
  portA.SetFirmwareVersion("2.30");
  ASSERT_EQ(Invoke({"--json", "list"}), ctl::kExitOk) << err.str();
  const nlohmann::json devices = Json()["devices"];
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0]["productId"], "0x4021");
  EXPECT_EQ(devices[2]["topology"], "3-1");
  EXPECT_EQ(devices[2]["productId"], "0x4026");
  EXPECT_EQ(devices[2]["firmware"], "2.30");
  const std::string byIndex = "2";
  const std::string byPath = devices[2]["path"];
  for (const std::string& selector : {byIndex, byPath, std::string("3-1")}) {
    portA.SetSetting(0, kGain, TARGET_INPUT_L, 0, {0, 0});
    ASSERT_EQ(Invoke({"--device", selector, "set", "gain-l", "+3dB"}), ctl::kExitOk)
        << selector << ": " << err.str();
    EXPECT_EQ(GainL(portA), kPlus3dB) << selector;
    EXPECT_EQ(err.str(), "") << "a chosen device needs no word of which one was used";
  }
  EXPECT_NE(GainL(portB), kPlus3dB);
  EXPECT_NE(GainL(device), kPlus3dB);
}

TEST_F(CtlBench, WithoutASelectorAChangeGoesToTheFirstAndSaysSo) {
  ASSERT_EQ(Invoke({"set", "gain-l", "+3dB"}), ctl::kExitOk) << err.str();
  const bool fixtureFirst = GainL(device) == kPlus3dB;
  EXPECT_TRUE(fixtureFirst != (GainL(portB) == kPlus3dB));
  EXPECT_NE(err.str().find("3 Tarviks attached; using"), std::string::npos) << err.str();
  ASSERT_EQ(Invoke({"show"}), ctl::kExitOk);
  EXPECT_EQ(err.str(), "") << "reading needs no word of which device";
}

TEST_F(CtlBench, BadSelectionsChangeNothing) {
  const struct {
    std::vector<std::string> args;
    int code;
    const char* says;
  } cases[] = {
      {{"--device", "7", "set", "gain-l", "3"}, ctl::kExitNotFound, "no Tarvik matches '7'"},
      {{"--device", "9-9", "set", "gain-l", "3"}, ctl::kExitNotFound, "no Tarvik matches '9-9'"},
      {{"--device", "0", "--device", "1", "set", "gain-l", "3"}, ctl::kExitUsage, "--device"},
      {{"--device", "0", "--all", "set", "gain-l", "3"}, ctl::kExitUsage, "excludes"},
      {{"--device", "", "set", "gain-l", "3"}, ctl::kExitUsage, "--device: names no Tarvik"},
      {{"--simulate", "0", "set", "gain-l", "3"}, ctl::kExitUsage, "--simulate: give 1 to"},
      {{"--simulate", "", "set", "gain-l", "3"}, ctl::kExitUsage, "--simulate: give 1 to"},
      {{"--device", "\x1b]0;owned\x07", "set", "gain-l", "3"},
       ctl::kExitNotFound,
       "no Tarvik matches '\\x1b]0;owned\\x07'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Invoke(c.args), c.code) << c.args[1];
    EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find('\x1b'), std::string::npos) << err.str();
  }
  // Unplugged between list and use: its selector no longer matches.
  portB.Unplug();
  EXPECT_EQ(Invoke({"--device", "3-2.4", "set", "gain-l", "3"}), ctl::kExitNotFound);
  for (const sim::SimDevice* d : {&device, &portA, &portB}) EXPECT_NE(GainL(*d), kPlus3dB);
}

TEST_F(CtlBench, AllGoesOnPastAFailedDeviceAndSummarisesEach) {
  portA.InjectFault(sim::Fault{sim::FaultKind::BadStatus, 0, 0x07}, 0, 1000);
  EXPECT_EQ(Invoke({"--json", "--all", "set", "gain-l", "+3dB"}), ctl::kExitFailed);
  const nlohmann::json summary = Json();
  EXPECT_EQ(summary["succeeded"], 2);
  EXPECT_EQ(summary["failed"], 1);
  for (const nlohmann::json& d : summary["devices"]) {
    const bool failing = d["topology"] == "3-1";
    EXPECT_EQ(d["result"], failing ? "failed" : "ok") << d;
    if (failing) {
      EXPECT_NE(d["error"].get<std::string>().find("refused"), std::string::npos);
    }
  }
  EXPECT_EQ(GainL(device), kPlus3dB);
  EXPECT_EQ(GainL(portB), kPlus3dB);
  EXPECT_NE(err.str().find("[3/3]"), std::string::npos) << "a progress line per device";

  portA.InjectFault(sim::Fault{});
  ASSERT_EQ(Invoke({"--all", "show"}), ctl::kExitOk) << err.str();
  EXPECT_NE(out.str().find("== 3-1 ("), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("== 3-2.4 ("), std::string::npos);
}

TEST_F(CtlBench, AllHandsEachDeviceEveryGlobalOptionGivenBeforeOrAfterTheCommand) {
  const struct {
    std::vector<std::string> words;
    bool (*given)(const ctl::Options&);
  } cases[] = {
      {{"--json"}, [](const ctl::Options& o) { return o.json; }},
      {{"--trace"}, [](const ctl::Options& o) { return o.trace; }},
      {{"--simulate", "2"}, [](const ctl::Options& o) { return o.simulate == 2; }},
      {{"-y"}, [](const ctl::Options& o) { return o.yes; }},
      {{"--force"}, [](const ctl::Options& o) { return o.force; }},
      {{"--jobs", "2"}, [](const ctl::Options& o) { return o.jobs == 2; }},
  };
  ctl::Options given;
  std::mutex seenMutex;  // the devices run at once
  std::vector<ctl::Options> seen;
  const ctl::CommandSetUp probe[] = {[&](CLI::App& app, ctl::Invocation& run) {
    app.add_subcommand("probe")->callback([&] {
      run.context().changesDevice = true;
      given = run.context();
      run.RunOnDevices([&](ctl::Context& one, const ctl::AttachedDevice& device) {
        EXPECT_EQ(one.device, ctl::StableSelector(device));
        std::lock_guard<std::mutex> guard(seenMutex);
        seen.push_back(one);
        return ctl::kExitOk;
      });
    });
  }};
  for (const auto& c : cases) {
    for (const bool after : {false, true}) {
      std::vector<std::string> args = {"--all"};
      if (after) args.push_back("probe");
      args.insert(args.end(), c.words.begin(), c.words.end());
      if (!after) args.push_back("probe");
      seen.clear();
      ASSERT_EQ(Invoke(args, "", probe), ctl::kExitOk) << c.words[0] << ": " << err.str();
      EXPECT_TRUE(c.given(given)) << c.words[0];
      ASSERT_GE(seen.size(), 3u) << c.words[0];
      for (ctl::Options& one : seen) {
        // What differs by design: the device, and the run holding the lock
        // and drawing no progress bar for it.
        EXPECT_TRUE(one.lockHeld && !one.terminal);
        one.device.clear();
        one.lockHeld = given.lockHeld;
        one.terminal = given.terminal;
        EXPECT_EQ(one, given) << c.words[0] << (after ? " after" : " before");
      }
    }
  }
}

TEST_F(CtlBench, SaveAllWritesAFilePerDeviceThatApplyAllSpreads) {
  portA.SetSetting(0, kGain, TARGET_INPUT_L, 0, kPlus3dB);
  const std::string folder = File("bench");
  ASSERT_EQ(Invoke({"--all", "save", folder}), ctl::kExitOk) << err.str();
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Path("bench"))) {
    ++files;
    EXPECT_EQ(entry.path().extension(), ".json");
  }
  EXPECT_EQ(files, 3);
  ASSERT_TRUE(std::filesystem::exists(Path("bench/3-1.json")));
  ASSERT_TRUE(std::filesystem::exists(Path("bench/3-2.4.json")));

  ASSERT_EQ(Invoke({"--all", "apply", folder + "/3-1.json"}), ctl::kExitOk) << err.str();
  for (const sim::SimDevice* d : {&device, &portA, &portB}) EXPECT_EQ(GainL(*d), kPlus3dB);
  EXPECT_EQ(Invoke({"--all", "apply", folder}), ctl::kExitNoInput) << "a folder is no document";
}

TEST_F(CtlBench, EveryDeviceADeclinedChangeLeftAloneSaysWhyInTheSummary) {
  testing::Write(File("PACKAGE"), testing::Package(testing::Payload(100)));
  testing::Write(File("IMAGE"), testing::Type0());
  const std::vector<std::string> commands[] = {
      {"set", "usb-speed", "full-speed"},
      {"firmware", "update", File("PACKAGE"), "--target", "1"},
      {"firmware", "section", File("IMAGE")},
  };
  for (const std::vector<std::string>& command : commands) {
    std::vector<std::string> args = {"--json", "--all"};
    args.insert(args.end(), command.begin(), command.end());
    EXPECT_EQ(Invoke(args, "n\nn\nn\n"), ctl::kExitFailed) << command[0];
    // 3-1 has no USB speed to set, and says so.
    int declined = 0;
    const nlohmann::json summary = Json();
    for (const nlohmann::json& d : summary["devices"]) {
      EXPECT_NE(d.value("error", ""), "") << d;
      declined += d.value("error", "").find("declined") != std::string::npos;
    }
    EXPECT_EQ(declined, command[0] == "set" ? 2 : 3) << out.str();
  }
}

TEST_F(CtlBench, ATopologySelectorFollowsTheDeviceThroughItsRestart) {
  portB.SetRestartPlan(200);
  ASSERT_EQ(Invoke({"--yes", "--device", "3-2.4", "set", "usb-speed", "full-speed"}), ctl::kExitOk)
      << err.str();
  EXPECT_EQ(portB.Setting(0, 0x001A, 0), (std::vector<uint8_t>{1}));
}

TEST_F(CtlBench, WithoutASelectorARestartIsFollowedOnTheFirstWhileOthersStayAttached) {
  // Two alike: the restart wait and the reopen watch the first (3-2.4), not
  // the bus, where 3-1 stays present and would be opened in its place.
  device.Unplug();
  portA.Unplug();
  portA.SetProductId(0x4021);
  portA.Plug();
  portB.SetRestartPlan(200);
  ASSERT_EQ(Invoke({"--yes", "set", "usb-speed", "full-speed"}), ctl::kExitOk) << err.str();
  EXPECT_NE(err.str().find("using 3-2.4"), std::string::npos) << err.str();
  EXPECT_EQ(portB.Setting(0, 0x001A, 0), (std::vector<uint8_t>{1}));
  EXPECT_EQ(portA.Setting(0, 0x001A, 0), (std::vector<uint8_t>{0}));
}

}  // namespace
}  // namespace tarvik
