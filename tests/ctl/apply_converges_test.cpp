// An apply that was cut short by a refusal, a failed write or an unplug, at
// any one of its exchanges, leaves the Tarvik where the next apply of the
// same document brings it to the document.
#include <gtest/gtest.h>

#include <fstream>

#include "ctl/ctl_fixture.h"
#include "exit_codes.h"

namespace tarvik {
namespace {

class ApplyConverges : public testing::CtlOnStandIn {
 protected:
  nlohmann::json Shown() {
    EXPECT_EQ(Invoke({"--json", "show"}), ctl::kExitOk) << err.str();
    return Json()["settings"];
  }
};

TEST_F(ApplyConverges, AfterAFaultAtEveryExchange) {
  const std::string start = File("start.json");
  const std::string target = File("target.json");
  ASSERT_EQ(Invoke({"save", start}), ctl::kExitOk) << err.str();
  // Every kind of write: an input mode into PA MICROPHONE (with its read
  // back), the other channel's settings, the outputs.
  for (const auto& [name, value] : {std::pair{"mode-l", "pa-microphone"},
                                    {"gain-l", "+3dB"},
                                    {"gain-r", "+9dB"},
                                    {"eq-r", "low-cut"},
                                    {"signal-level-r", "microphone"},
                                    {"pa-output", "off"},
                                    {"output-volume", "-6dB"}})
    ASSERT_EQ(Invoke({"set", name, value}), ctl::kExitOk) << name << err.str();
  ASSERT_EQ(Invoke({"save", target}), ctl::kExitOk) << err.str();
  const nlohmann::json wanted = Shown();

  ASSERT_EQ(Invoke({"apply", start}), ctl::kExitOk) << err.str();
  device.ClearRequests();
  ASSERT_EQ(Invoke({"apply", target}), ctl::kExitOk) << err.str();
  const int exchanges = static_cast<int>(device.RequestCount());
  ASSERT_GT(exchanges, 10);

  const std::pair<sim::FaultKind, const char*> faults[] = {
      {sim::FaultKind::BadStatus, "refused"},
      {sim::FaultKind::FailedWrite, "failed write"},
      {sim::FaultKind::Unplug, "unplugged"},
  };
  for (int at = 0; at < exchanges; ++at) {
    for (const auto& [kind, name] : faults) {
      const std::string where = std::string(name) + " at exchange " + std::to_string(at);
      ASSERT_EQ(Invoke({"apply", start}), ctl::kExitOk) << where << ": " << err.str();
      device.ClearRequests();
      device.InjectFault({kind}, at);
      EXPECT_NE(Invoke({"apply", target}), ctl::kExitOk) << where;
      if (!device.IsPlugged()) device.Plug();
      device.InjectFault({});
      EXPECT_EQ(Invoke({"apply", target}), ctl::kExitOk) << where << ": " << err.str();
      EXPECT_EQ(Shown(), wanted) << where;
    }
  }
}

}  // namespace
}  // namespace tarvik
