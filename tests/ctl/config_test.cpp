// tarvikctl save and apply against the stand-in: the round trip, writing
// only what differs, and the documents refused before the device is touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "ctl/ctl_fixture.h"
#include "exit_codes.h"
#include "link/report_framing.h"
#include "session/hid_dev_comm_app.h"

namespace tarvik {
namespace {

constexpr uint16_t kGain = 0x0103;
constexpr uint16_t kFilterBand = 0x0106;
// A room's document, and what apply finds on a device with gain-l at +3 dB.
const std::string kRoom = R"({"schemaVersion": 1, "settings": {"gain-l": "0dB"}})";
const nlohmann::json kGainLDrift =
    nlohmann::json::parse(R"([{"setting": "gain-l", "from": "+3dB", "to": "0dB"}])");

class Config : public testing::CtlOnStandIn {
 protected:
  std::vector<uint16_t> Writes() const {
    std::vector<uint16_t> writes;
    for (const sim::RequestRecord& r : device.Requests())
      if (r.kind == kKindWrite) writes.push_back(r.command);
    return writes;
  }
};

TEST_F(Config, SaveThenApplyRestoresEverySettingChangedSince) {
  device.SetRestartPlan(200);
  ASSERT_EQ(Invoke({"save", File("tarvik.json")}), ctl::kExitOk) << err.str();
  const nlohmann::json saved = nlohmann::json::parse(std::ifstream(Path("tarvik.json")));
  EXPECT_EQ(saved["settings"]["usb-speed"], "hi-speed");
  EXPECT_FALSE(saved["settings"].contains("mic-mute-sync"));  // firmware 2.10 has none
  ASSERT_EQ(Invoke({"--json", "show"}), ctl::kExitOk);
  const nlohmann::json before = Json();

  for (const auto& [name, value] : {std::pair{"mode-l", "pa-microphone"},
                                    {"gain-r", "+9dB"},
                                    {"eq-r", "low-cut"},
                                    {"signal-level-r", "microphone"},
                                    {"pa-output", "off"},
                                    {"output-volume", "-6dB"}})
    ASSERT_EQ(Invoke({"set", name, value}), ctl::kExitOk) << name << err.str();
  ASSERT_EQ(Invoke({"--yes", "set", "usb-speed", "full-speed"}), ctl::kExitOk) << err.str();

  // Declining the restart changes nothing at all.
  device.ClearRequests();
  EXPECT_EQ(Invoke({"apply", File("tarvik.json")}, "n\n"), ctl::kExitFailed);
  EXPECT_TRUE(Writes().empty());

  ASSERT_EQ(Invoke({"--yes", "apply", File("tarvik.json")}), ctl::kExitOk) << err.str();
  EXPECT_NE(out.str().find("usb-speed: full-speed -> hi-speed"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("gain-r: +9dB -> 0dB"), std::string::npos) << out.str();
  ASSERT_EQ(Invoke({"--json", "show"}), ctl::kExitOk);
  EXPECT_EQ(Json(), before);
}

TEST_F(Config, OnlyDifferencesAreWrittenAndDryRunWritesNothing) {
  ASSERT_EQ(Invoke({"save", File("tarvik.json")}), ctl::kExitOk) << err.str();
  device.ClearRequests();
  ASSERT_EQ(Invoke({"apply", File("tarvik.json")}), ctl::kExitOk) << err.str();
  EXPECT_TRUE(Writes().empty());
  EXPECT_NE(out.str().find("already has every setting"), std::string::npos) << out.str();

  device.SetSetting(0, kGain, TARGET_INPUT_L, 0, {0x00, 0x03});  // +3 dB
  ASSERT_EQ(Invoke({"--json", "apply", "--dry-run", File("tarvik.json")}), ctl::kExitOk);
  EXPECT_EQ(Json()["changes"], kGainLDrift);
  EXPECT_TRUE(Writes().empty());

  ASSERT_EQ(Invoke({"apply", File("tarvik.json")}), ctl::kExitOk) << err.str();
  EXPECT_EQ(Writes(), std::vector<uint16_t>{kGain});
  EXPECT_EQ(device.Setting(0, kGain, TARGET_INPUT_L), (std::vector<uint8_t>{0, 0}));
}

// Entering PA MICROPHONE copies the channel's gain (+6 dB) from the second
// set; the file's 0 dB must be written after that copy, not skipped as equal.
TEST_F(Config, ChannelValuesFollowTheModeChangeAndAnotherProductIsOnlyNoted) {
  Document("pa.json", R"({"schemaVersion": 1, "device": {"productId": "0x402F"},
      "settings": {"gain-l": "0dB", "mode-l": "pa-microphone"}})");
  ASSERT_EQ(Invoke({"apply", File("pa.json")}), ctl::kExitOk) << err.str();
  EXPECT_EQ(device.Setting(0, 0x0116, 0), (std::vector<uint8_t>{1}));
  EXPECT_EQ(device.Setting(0, kGain, TARGET_INPUT_L), (std::vector<uint8_t>{0, 0}));
  EXPECT_NE(err.str().find("product ID 0x402F; this one is 0x4021"), std::string::npos)
      << err.str();
}

TEST_F(Config, SettingThatDoesNotTakeFailsNamingIt) {
  // An EQ preset copies bands 1 to 3 from the second set; with one of them
  // in use there, no preset shows as itself.
  std::vector<uint8_t> band = device.Setting(1, kFilterBand, TARGET_INPUT_L, 1);
  band[0] = 2;
  device.SetSetting(1, kFilterBand, TARGET_INPUT_L, 1, band);
  Document("eq.json", R"({"schemaVersion": 1, "settings": {"eq-l": "low-cut", "gain-l": "+3"}})");
  EXPECT_EQ(Invoke({"apply", File("eq.json")}), ctl::kExitFailed);
  EXPECT_NE(err.str().find("eq-l is custom, not low-cut"), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find("gain-l is"), std::string::npos) << err.str();
  EXPECT_EQ(device.Setting(0, kGain, TARGET_INPUT_L), (std::vector<uint8_t>{0x00, 0x03}));
}

TEST_F(Config, BadDocumentsAreRefusedBeforeAnythingIsWritten) {
  struct Case {
    std::string text;
    const char* says;
    bool readsDevice = false;  // refused only once the device shows what it has
  };
  const std::string head = R"({"schemaVersion": 1, "settings": )";
  const std::string huge(1000000, '9');
  const Case cases[] = {
      {"{\"schemaVersion\": 1,", "not valid JSON"},
      {"[1]", "not a JSON object"},
      {R"({"settings": {}})", "schemaVersion is missing"},
      {R"({"schemaVersion": "1", "settings": {}})", "whole number"},
      {R"({"schemaVersion": 2, "settings": {}})", "newer than"},
      {R"({"schemaVersion": 0, "settings": {}})", "not a version"},
      {head + R"({"volume": "0dB"}})", "no setting named 'volume'"},
      {head + R"({"gain-l": "+4dB"}})", "'+4dB' is not a value of gain-l"},
      {head + R"({"eq-r": 1}})", "settings.eq-r must be a text"},
      {head + R"({"gain-l": "0dB", "gain-l": "+3dB"}})",
       "'settings.gain-l' is given more than once"},
      {head + R"({}, "extra": 1})", "unknown field 'extra'"},
      {head + std::string(5000, '[') + std::string(5000, ']') + "}", "nested too deeply"},
      {head + R"({"mic-mute-sync": "sync-with-pcs", "gain-l": "+3dB"}})", "has no mic-mute-sync",
       true},
      {R"({"schemaVersion": 1e400, "settings": {}})", "number"},
      {R"({"schemaVersion": )" + huge + R"(, "settings": {}})", "number"},
      {head + R"({"x": )" + huge + "}}", "number"},
      {head + "{\"" + std::string(1000000, 'x') + "\": \"0dB\"}}", "no setting named"},
  };
  for (const Case& c : cases) {
    Document("bad.json", c.text);
    const std::size_t requests = device.RequestCount();
    EXPECT_EQ(Invoke({"--yes", "apply", File("bad.json")}), ctl::kExitDataErr) << c.says;
    // A document is checked before the device is opened; only the
    // device-dependent check reads from it.
    if (!c.readsDevice) {
      EXPECT_EQ(device.RequestCount(), requests) << c.says;
    }
    const std::string said = err.str();
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_LT(said.size(), 200u) << "a message quotes little of the file";
    EXPECT_TRUE(Writes().empty()) << c.says;
  }

  // A huge file is refused by its size, unread (sparse: it takes no disk).
  std::ofstream(Path("huge.json")).put('{');
  std::filesystem::resize_file(Path("huge.json"), 100u << 20);
  EXPECT_EQ(Invoke({"apply", File("huge.json")}), ctl::kExitNoInput);
  EXPECT_NE(err.str().find("larger than"), std::string::npos) << err.str();
  EXPECT_EQ(Invoke({"apply", File("missing.json")}), ctl::kExitNoInput);
  EXPECT_TRUE(Writes().empty());
}

TEST_F(Config, CheckTellsDriftByItsExitCodeAndWritesNothing) {
  Document("room.json", kRoom);
  EXPECT_EQ(Invoke({"apply", "--check", File("room.json")}), ctl::kExitOk) << err.str();

  device.SetSetting(0, kGain, TARGET_INPUT_L, 0, {0x00, 0x03});
  EXPECT_EQ(Invoke({"--json", "apply", "--check", File("room.json")}), ctl::kExitDrift);
  EXPECT_EQ(Json()["changes"], kGainLDrift);
  EXPECT_TRUE(Json()["check"]);
  EXPECT_TRUE(Writes().empty());
}

// One device differs, one matches: drift, and neither counts as failed;
// a device that fails outranks the drift.
TEST_F(Config, CheckOnEveryDeviceIsDriftOnlyWhenNoneFailed) {
  sim::SimDevice second{sim::SimOptions{.topology = "2-1"}};
  second.SetSetting(0, kGain, TARGET_INPUT_L, 0, {0x00, 0x03});
  Document("room.json", kRoom);
  ASSERT_EQ(Invoke({"--json", "--all", "apply", "--check", File("room.json")}), ctl::kExitDrift)
      << err.str();
  const nlohmann::json summary = Json();
  EXPECT_EQ(summary["failed"], 0);
  std::multiset<std::string> results;
  for (const nlohmann::json& d : summary["devices"]) results.insert(d["result"]);
  EXPECT_EQ(results, (std::multiset<std::string>{"differs", "ok"}));

  second.InjectFault({sim::FaultKind::NoReply}, 0, 1000);
  EXPECT_EQ(Invoke({"--all", "apply", "--check", File("room.json")}), ctl::kExitFailed);
  EXPECT_TRUE(Writes().empty());
}

TEST_F(Config, SaveLeavesNoFileWhereItCannotWrite) {
  for (const std::string& to : {File("missing/tarvik.json"), directory})
    EXPECT_EQ(Invoke({"save", to}), ctl::kExitCannotWrite) << to;
  for (const auto& entry : std::filesystem::directory_iterator(Path("")))
    EXPECT_NE(entry.path().filename().string()[0], '.') << "a temporary file: " << entry.path();
}

}  // namespace
}  // namespace tarvik
