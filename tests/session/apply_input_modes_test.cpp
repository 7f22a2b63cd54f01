#include <gtest/gtest.h>

#include <vector>

#include "commands/operation_fields.h"
#include "commands/operation_table.h"
#include "link/link_errors.h"
#include "settings/settings_exchanges.h"
#include "support/received_steps.h"
#include "support/session_fixture.h"

namespace tarvik {
namespace {

using testing::Step;

class ApplyInputModesTest : public testing::SessionOnStandIn {
 protected:
  std::vector<Step> Steps() const { return testing::ReceivedSteps(device); }
  void StartWithModeBits(uint8_t bits) { device.SetSetting(0, 0x0116, 0, 0, {bits}); }

  // One setting copied from the second set: read with selector 1, write with 0.
  static void Copy(std::vector<Step>& steps, int get, int set, uint8_t target) {
    steps.push_back({get, target, 1});
    steps.push_back({set, target, 0});
  }
  static void CopyChannel(std::vector<Step>& steps, uint8_t target) {
    for (int band = 0; band < 4; ++band) Copy(steps, 61, 60, target);
    Copy(steps, 55, 54, target);
    Copy(steps, 97, 96, target);
  }
};

TEST_F(ApplyInputModesTest, FirstChannelIntoPaMicrophoneCopiesSharedAndChannelSettings) {
  StartWithModeBits(0);
  EXPECT_EQ(session.ApplyInputModes(1, 0), 1);

  std::vector<Step> expected = {{93, 0, 0}};
  for (uint8_t target : {0x91, 0x93, 0x92}) Copy(expected, 67, 66, target);
  Copy(expected, 65, 64, 0);
  CopyChannel(expected, TARGET_INPUT_L);
  expected.push_back({92, 0x01, 0});
  EXPECT_EQ(Steps(), expected);
  EXPECT_EQ(expected.size(), 22u);

  // The working set now holds what the second set held.
  for (uint8_t band = 0; band < 4; ++band)
    EXPECT_EQ(device.Setting(0, 0x0106, TARGET_INPUT_L, band),
              device.Setting(1, 0x0106, TARGET_INPUT_L, band));
  EXPECT_EQ(device.Setting(0, 0x0103, TARGET_INPUT_L), device.Setting(1, 0x0103, TARGET_INPUT_L));
  EXPECT_EQ(device.Setting(0, 0x0118, TARGET_INPUT_L), device.Setting(1, 0x0118, TARGET_INPUT_L));
  EXPECT_EQ(device.Setting(0, 0x0108, 0), device.Setting(1, 0x0108, 0));
  EXPECT_NE(device.Setting(0, 0x0103, TARGET_INPUT_R), device.Setting(1, 0x0103, TARGET_INPUT_R));
}

TEST_F(ApplyInputModesTest, StandInSecondSetReadsBackAsAnEqPresetAfterTheCopy) {
  StartWithModeBits(0);
  ASSERT_EQ(session.ApplyInputModes(1, 1), 1);
  for (int channel = 0; channel < 2; ++channel) {
    ChannelValues values;
    ASSERT_EQ(ReadChannelValues(session, channel, &values), LINK_OK);
    // LOW CUT: a filter type other than 0, so every coefficient must come back exact.
    EXPECT_EQ(MatchEqPreset(values.bands), 2) << "channel " << channel;
  }
}

TEST_F(ApplyInputModesTest, SecondChannelCopiesOnlyItsOwnSettings) {
  StartWithModeBits(1);
  EXPECT_EQ(session.ApplyInputModes(1, 1), 1);
  std::vector<Step> expected = {{93, 0, 0}};
  CopyChannel(expected, TARGET_INPUT_R);
  expected.push_back({92, 0x03, 0});
  EXPECT_EQ(Steps(), expected);
}

TEST_F(ApplyInputModesTest, BackToConferenceOnlyRewritesTheModes) {
  StartWithModeBits(3);
  EXPECT_EQ(session.ApplyInputModes(0, 0), 1);
  EXPECT_EQ(Steps(), (std::vector<Step>{{93, 0, 0}, {92, 0x00, 0}}));
  EXPECT_EQ(device.Setting(0, 0x0116, 0), (std::vector<uint8_t>{0}));
}

TEST_F(ApplyInputModesTest, StopsAtTheFirstFailureWithoutWritingModes) {
  StartWithModeBits(0);
  // The 14th operation is the third band read of channel L.
  device.InjectFault({sim::FaultKind::BadStatus}, 13);
  EXPECT_EQ(session.ApplyInputModes(1, 0), 0);
  const std::vector<Step> steps = Steps();
  ASSERT_EQ(steps.size(), 14u);
  EXPECT_EQ(steps.back(), (Step{61, TARGET_INPUT_L, 1}));
  EXPECT_EQ(device.Setting(0, 0x0106, TARGET_INPUT_L, 1),
            device.Setting(1, 0x0106, TARGET_INPUT_L, 1));
  EXPECT_NE(device.Setting(0, 0x0106, TARGET_INPUT_L, 2),
            device.Setting(1, 0x0106, TARGET_INPUT_L, 2));
  EXPECT_EQ(device.Setting(0, 0x0116, 0), (std::vector<uint8_t>{0}));
}

}  // namespace
}  // namespace tarvik
