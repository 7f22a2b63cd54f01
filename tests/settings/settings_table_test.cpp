// The table of settings on the stand-in: every item written reads back as
// itself, and ReadAll reads in the order the window loads a device.
#include <gtest/gtest.h>

#include "settings/settings_table.h"
#include "support/received_steps.h"
#include "support/session_fixture.h"

namespace tarvik {
namespace {

using SettingsTable = testing::SessionOnStandIn;

TEST_F(SettingsTable, EveryItemWrittenReadsBackAsThatItem) {
  // An EQ preset takes bands 1 to 3 from the second set: there they are off.
  for (uint8_t target : {TARGET_INPUT_L, TARGET_INPUT_R})
    for (uint8_t band = 1; band < 4; ++band)
      device.SetSetting(1, 0x0106, target, band, testing::Bytes(17, 0));
  for (const Setting& setting : kSettings) {
    ASSERT_EQ(setting.words.size(), setting.items.size()) << setting.word;
    for (int channel = 0; channel < (setting.perChannel ? 2 : 1); ++channel) {
      for (int index = 0; index < static_cast<int>(setting.items.size()); ++index) {
        ASSERT_EQ(WriteItem(session, setting, channel, index), LINK_OK) << setting.word;
        SettingsSnapshot read;
        ASSERT_TRUE(ReadAll(session, {true, true, true}, &read));
        EXPECT_EQ(setting.index(read, channel), index) << setting.word << " channel " << channel;
      }
    }
  }
}

TEST_F(SettingsTable, ReadAllMakesTheConnectReadsInOrderAndOnlyThoseTheFeaturesAllow) {
  auto op = [](CommandId id) { return ToInt(id); };
  for (const DeviceFeatures features :
       {DeviceFeatures{}, DeviceFeatures{true, true, false}, DeviceFeatures{true, true, true}}) {
    device.ClearRequests();
    SettingsSnapshot read;
    ASSERT_TRUE(ReadAll(session, features, &read));
    std::vector<testing::Step> expected;
    for (uint8_t target : {TARGET_INPUT_L, TARGET_INPUT_R}) {
      expected.push_back({op(CommandId::GetChannelGain), target, 0});
      for (int band = 0; band < 4; ++band)
        expected.push_back({op(CommandId::GetFilterBand), target, 0});
      expected.push_back({op(CommandId::GetSignalLevel), target, 0});
    }
    expected.insert(expected.end(), {{op(CommandId::GetRoutingFlags), 0, 0},
                                     {op(CommandId::GetInputMode), 0, 0},
                                     {op(CommandId::GetChannelGain), TARGET_OUTPUT, 0}});
    if (features.usbSpeed) expected.push_back({op(CommandId::GetUsbSpeed), 0, 0});
    if (features.micMuteSync) expected.push_back({op(CommandId::GetMicMuteSync), 0, 0});
    EXPECT_EQ(testing::ReceivedSteps(device), expected);
    EXPECT_EQ(read.muteSync.has_value(), features.micMuteSync);
  }
}

}  // namespace
}  // namespace tarvik
