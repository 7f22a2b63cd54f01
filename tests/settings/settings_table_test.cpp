// The table of settings on the stand-in: every item written reads back as
// itself, and ReadAll reads in the order the window loads a device.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "settings/settings_exchanges.h"
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

// The restart's probes pause on the steady clock, so a device that is back
// before the first probe really was away while it paused.
class QuickRestart : public testing::SessionOnStandIn {
 protected:
  QuickRestart() : SessionOnStandIn(&DefaultLinkClock()) {}

  // Before the first pause the stand-in goes and comes back under the same
  // product ID once the session's receive thread has seen it go.
  static void GoneAndBack() {
    if (std::exchange(bounced, true)) return;
    current->device.Unplug();
    for (int i = 0; i < 10000 && !current->session.link->Stopped(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    current->device.Plug();
  }
  static inline QuickRestart* current = nullptr;
  static inline bool bounced = false;
};

TEST_F(QuickRestart, ARestartQuickerThanOneProbeIsStillSeen) {
  current = this;
  device.SetRestartPlan(-1);  // acknowledged; GoneAndBack does the restart
  EXPECT_EQ(FinishWrite(session, SettingOf(SettingId::kUsbSpeed), &GoneAndBack), LINK_OK);
  EXPECT_TRUE(bounced);
}

}  // namespace
}  // namespace tarvik
