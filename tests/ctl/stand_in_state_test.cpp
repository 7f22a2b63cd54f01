// --simulate-state: the stand-ins' settings kept from one run to the next,
// and a state file that is not one refused and left as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ctl/ctl_fixture.h"
#include "exit_codes.h"

namespace tarvik {
namespace {

class StandInState : public testing::CtlOnStandIn {
 protected:
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // tarvikctl on `count` stand-ins whose settings live in state.json.
  int Simulated(const char* count, std::vector<std::string> args) {
    args.insert(args.begin(), {"--simulate", count, "--simulate-state", File("state.json")});
    return Invoke(std::move(args));
  }
  int SetGainL(const char* count, const std::string& selector, const std::string& value) {
    return Simulated(count, {"--device", selector, "set", "gain-l", value});
  }
  std::string GainL(const std::string& selector) {
    EXPECT_EQ(Simulated("2", {"--device", selector, "--json", "show"}), ctl::kExitOk) << err.str();
    return Json()["inputs"]["L"]["gain"];
  }
};

TEST_F(StandInState, SettingsLastFromOneRunToTheNextAndTheFileKeepsItsMode) {
  ASSERT_EQ(SetGainL("2", "1-2", "+3dB"), ctl::kExitOk) << err.str();
  EXPECT_EQ(GainL("1-2"), "+3dB");
  EXPECT_EQ(GainL("1-1"), "0dB");

  // Fewer stand-ins than the file holds: the others' entries stay.
  const auto modeOf = [&] {
    return std::filesystem::status(Path("state.json")).permissions() & std::filesystem::perms::all;
  };
  const auto ownerOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
  std::filesystem::permissions(Path("state.json"), ownerOnly);
  // Windows keeps no such mode, only a read-only flag.
  const bool keepsModes = modeOf() == ownerOnly;
  ASSERT_EQ(SetGainL("1", "1-1", "+6dB"), ctl::kExitOk) << err.str();
  EXPECT_EQ(GainL("1-1"), "+6dB");
  EXPECT_EQ(GainL("1-2"), "+3dB");
  if (keepsModes) {
    EXPECT_EQ(modeOf(), ownerOnly);
  }

  EXPECT_EQ(Invoke({"--simulate-state", File("state.json"), "list"}), ctl::kExitUsage);
}

TEST_F(StandInState, AFileThatIsNoStateIsRefusedAndLeftAsItWas) {
  const std::string head = R"({"schemaVersion": 1, "standIns": [{"settings": [)";
  const std::string gain = R"("set": 0, "command": "0x0103", "target": "0x71", "index": 0)";
  const struct Case {
    std::string text;
    const char* says;
  } cases[] = {
      {"{\"schemaVersion\": 1,", "not valid JSON"},
      {"[]", "not a JSON object"},
      {R"({"schemaVersion": 2, "standIns": []})", "schemaVersion must be 1"},
      {R"({"schemaVersion": 1, "standIns": {}})", "standIns must be a list"},
      {R"({"schemaVersion": 1, "standIns": [], "more": 1})", "unknown field 'more'"},
      {R"({"schemaVersion": 1, "standIns": )" + std::string(65, '[') + std::string(65, ']') + "}",
       "nested too deeply"},
      {head + "{" + gain + R"(, "value": "00"}]}]})", "command 0x0103 with 1 bytes"},
      {head + "{" + gain + R"(, "value": "0x03"}]}]})", "value must be a text of hex digits"},
      {head + "{" + gain + R"(, "value": "000"}]}]})", "value must be a text of hex digits"},
      {head +
           R"({"set": 2, "command": "0x0103", "target": "0x71", "index": 0, "value": "0003"}]}]})",
       "standIns[0].settings[0].set must be a number from 0 to 1"},
      {head + R"({"set": 0, "command": "0x0103", "target": 256, "index": 0, "value": "0003"}]}]})",
       "target must be a number from 0 to 255"},
      {head + R"({"set": 0, "command": "0x0005", "target": 0, "index": 0, "value": ""}]}]})",
       "no writable setting"},
      {head + R"({"command": "0x0103", "target": "0x71", "index": 0, "value": "0003"}]}]})",
       "set is missing"},
  };
  const std::string gainL = GainL("1-1");  // and no state file yet: defaults
  for (const Case& c : cases) {
    Document("state.json", c.text);
    EXPECT_EQ(SetGainL("1", "1-1", "+3dB"), ctl::kExitDataErr) << c.says;
    EXPECT_NE(err.str().find("state.json: "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
    EXPECT_EQ(Read("state.json"), c.text);
  }
  EXPECT_EQ(gainL, "0dB");

  std::ofstream(Path("state.json")).put('{');
  std::filesystem::resize_file(Path("state.json"), 5u << 20);
  EXPECT_EQ(Simulated("1", {"list"}), ctl::kExitNoInput);
  EXPECT_NE(err.str().find("larger than"), std::string::npos) << err.str();
  EXPECT_EQ(std::filesystem::file_size(Path("state.json")), 5u << 20);
}

}  // namespace
}  // namespace tarvik
