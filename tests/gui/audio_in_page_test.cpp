// The AUDIO IN page on the stand-in: what it shows for the device's values,
// and exactly what each of its lists writes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <cstring>

#include "gui/gui_fixture.h"
#include "pages/tab_view_aud_in.h"

namespace tarvik {
namespace {

using sim::Fault;
using sim::FaultKind;
using testing::Step;

constexpr uint16_t kGain = 0x0103, kBand = 0x0106, kRouting = 0x0108, kModes = 0x0116,
                   kLevel = 0x0118;
constexpr int kSetModes = 92, kSetBand = 60, kGetBand = 61, kSetRouting = 64, kGetRouting = 65;

std::vector<uint8_t> Gain(int16_t gain) {
  return {static_cast<uint8_t>(gain & 0xFF), static_cast<uint8_t>((gain >> 8) & 0xFF)};
}

std::vector<uint8_t> Band(uint8_t type, float c1, float c2, float c3, float c4) {
  std::vector<uint8_t> bytes{type};
  for (float c : {c1, c2, c3, c4}) {
    uint8_t raw[4];
    std::memcpy(raw, &c, 4);
    bytes.insert(bytes.end(), raw, raw + 4);
  }
  return bytes;
}

class AudioInPage : public testing::ConfiguratorOnStandIn {
 protected:
  CTabViewAudIn& Page() { return window->AudioInPage(); }
  const CTabViewAudIn::Channel& L() { return Page().ChannelControls(0); }
  const CTabViewAudIn::Channel& R() { return Page().ChannelControls(1); }
  // Chooses `index` in `list` as the user would.
  static void Choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
};

TEST_F(AudioInPage, ShowsGainLevelAndEqAsTheDeviceHasThem) {
  device.SetSetting(0, kModes, 0, 0, {0x03});
  device.SetSetting(0, kGain, TARGET_INPUT_L, 0, Gain(768));
  device.SetSetting(0, kGain, TARGET_INPUT_R, 0, Gain(100));
  device.SetSetting(0, kLevel, TARGET_INPUT_L, 0, {2});
  device.SetSetting(0, kBand, TARGET_INPUT_L, 0,
                    Band(0, 1.0f, 2.0f, 3.0f, 4.0f));  // THRU, any coefficients
  device.SetSetting(0, kBand, TARGET_INPUT_R, 0, Band(6, 315.0f, 315.0f, 0.0f, 0.707f));
  device.SetSetting(0, kBand, TARGET_INPUT_R, 2, Band(3, 0, 0, 0, 0));  // band 2 in use
  Connect();
  ASSERT_TRUE(Connected());
  EXPECT_EQ(L().gain->currentText(), QStringLiteral("+3dB"));
  EXPECT_EQ(R().gain->currentIndex(), -1);
  EXPECT_EQ(L().level->currentText(), QStringLiteral("MICROPHONE"));
  EXPECT_EQ(L().eq->currentText(), QStringLiteral("THRU"));
  EXPECT_EQ(R().eq->currentIndex(), -1);

  device.SetSetting(0, kBand, TARGET_INPUT_R, 2, Band(0, 0, 0, 0, 0));
  ASSERT_TRUE(Page().ReadChannelSettings(1));
  EXPECT_EQ(R().eq->currentText(), QStringLiteral("LOW CUT"));
  device.SetSetting(0, kBand, TARGET_INPUT_R, 0, Band(6, 315.0f, 315.0f, 0.0f, 0.70701f));
  ASSERT_TRUE(Page().ReadChannelSettings(1));
  EXPECT_EQ(R().eq->currentIndex(), -1);  // coefficients must match exactly
}

TEST_F(AudioInPage, ModeBitsLayOutTheRowsAndThePaRow) {
  device.SetSetting(0, kModes, 0, 0, {0x02});
  Connect();  // firmware 2.10: the PA setting exists
  EXPECT_EQ(L().mode->currentText(), QStringLiteral("CONFERENCE SYSTEM"));
  EXPECT_EQ(R().mode->currentText(), QStringLiteral("PA MICROPHONE"));
  EXPECT_FALSE(L().noOption.isHidden());
  EXPECT_TRUE(L().gain->isHidden());
  EXPECT_TRUE(R().noOption.isHidden());
  EXPECT_FALSE(R().gain->isHidden());
  EXPECT_FALSE(R().eqLabel.isHidden());
  EXPECT_FALSE(Page().PaOutputList()->isHidden());
  EXPECT_FALSE(Page().PaOutputLabel().isHidden());
}

TEST_F(AudioInPage, PaRowNeedsFirmware208OrTheExemptProduct) {
  struct Case {
    uint16_t productId;
    const char* firmware;
    bool shown;
  };
  for (const Case& c : {Case{kProductIds[0], "2.07", false}, Case{kProductIds[0], "2.08", true},
                        Case{kProductIds[0], "208A", true}, Case{kExemptProductId, "1.00", true}}) {
    MakeWindow(0x0409);
    device.Unplug();
    device.SetProductId(c.productId);
    device.SetFirmwareVersion(c.firmware);
    device.SetSetting(0, kModes, 0, 0, {0x01});
    Connect();
    ASSERT_TRUE(Connected()) << c.firmware;
    EXPECT_EQ(Page().PaOutputList()->isEnabled(), c.shown) << c.firmware;
    EXPECT_EQ(!Page().PaOutputList()->isHidden(), c.shown) << c.firmware;
    EXPECT_FALSE(L().gain->isHidden());
  }
}

TEST_F(AudioInPage, AReadFailingHalfwayLeavesEveryListAsItWas) {
  device.SetSetting(0, kGain, TARGET_INPUT_L, 0, Gain(0));
  device.SetSetting(0, kLevel, TARGET_INPUT_L, 0, {0});
  Connect();
  ASSERT_EQ(L().gain->currentText(), QStringLiteral("0dB"));
  ASSERT_EQ(L().level->currentText(), QStringLiteral("LINE"));
  device.SetSetting(0, kGain, TARGET_INPUT_L, 0, Gain(3072));
  device.SetSetting(0, kLevel, TARGET_INPUT_L, 0, {1});
  device.InjectFault(Fault{FaultKind::BadStatus}, 1);  // after the gain read
  EXPECT_FALSE(Page().ReadChannelSettings(0));
  EXPECT_EQ(L().gain->currentText(), QStringLiteral("0dB"));
  EXPECT_EQ(L().level->currentText(), QStringLiteral("LINE"));
  EXPECT_TRUE(boxes.shown.empty());  // the reads report nothing themselves
}

TEST_F(AudioInPage, GainAndLevelWriteTheirValues) {
  Connect();
  device.ClearRequests();
  Choose(R().gain, 7);
  Choose(L().level, 1);
  EXPECT_EQ(device.Setting(0, kGain, TARGET_INPUT_R), Gain(2304));
  EXPECT_EQ(device.Setting(0, kLevel, TARGET_INPUT_L), (std::vector<uint8_t>{1}));
  EXPECT_EQ(device.RequestCount(), 2u);
}

TEST_F(AudioInPage, EqWritesThePresetAndCopiesBandsOneToThreeFromTheSecondSet) {
  device.SetSetting(1, kBand, TARGET_INPUT_L, 2, Band(4, 1.5f, 2.5f, 3.5f, 4.5f));
  Connect();
  device.ClearRequests();
  Choose(L().eq, 1);
  const std::vector<Step> expected = {{kSetBand, TARGET_INPUT_L, 0}, {kGetBand, TARGET_INPUT_L, 1},
                                      {kSetBand, TARGET_INPUT_L, 0}, {kGetBand, TARGET_INPUT_L, 1},
                                      {kSetBand, TARGET_INPUT_L, 0}, {kGetBand, TARGET_INPUT_L, 1},
                                      {kSetBand, TARGET_INPUT_L, 0}};
  EXPECT_EQ(Steps(), expected);
  EXPECT_EQ(device.Setting(0, kBand, TARGET_INPUT_L, 0), Band(10, 250.0f, 250.0f, 9.0f, 0.707f));
  EXPECT_EQ(device.Setting(0, kBand, TARGET_INPUT_L, 2), Band(4, 1.5f, 2.5f, 3.5f, 4.5f));
}

TEST_F(AudioInPage, PaOutputWritesTheSecondSetFlagsWithItsBit) {
  device.SetSetting(0, kModes, 0, 0, {0x01});
  device.SetSetting(0, kRouting, 0, 0, {0x00});
  device.SetSetting(1, kRouting, 0, 0, {0x13});
  Connect();
  EXPECT_EQ(Page().PaOutputList()->currentText(), QStringLiteral("OFF"));
  device.ClearRequests();
  Choose(Page().PaOutputList(), 1);  // OFF
  EXPECT_EQ(Steps(), (std::vector<Step>{{kGetRouting, 0, 1}, {kSetRouting, 0, 0}}));
  EXPECT_EQ(device.Setting(0, kRouting, 0), (std::vector<uint8_t>{0x03}));
  device.SetSetting(1, kRouting, 0, 0, {0x02});
  Choose(Page().PaOutputList(), 0);  // ON
  EXPECT_EQ(device.Setting(0, kRouting, 0), (std::vector<uint8_t>{0x12}));
}

TEST_F(AudioInPage, SwitchingAChannelIntoPaMicrophoneReadsItsOptions) {
  Connect();
  device.SetSetting(1, kGain, TARGET_INPUT_L, 0, Gain(-768));
  device.ClearRequests();
  Choose(L().mode, 1);
  EXPECT_EQ(device.Setting(0, kModes, 0), (std::vector<uint8_t>{0x01}));
  EXPECT_EQ(L().gain->currentText(),
            QStringLiteral("-3dB"));  // copied from the second set, read back
  EXPECT_EQ(L().eq->currentText(), QStringLiteral("LOW CUT"));  // the stand-in's second set
  EXPECT_FALSE(L().gain->isHidden());
  EXPECT_TRUE(L().noOption.isHidden());
  EXPECT_FALSE(Page().PaOutputList()->isHidden());

  device.ClearRequests();
  Choose(L().mode, 0);
  EXPECT_EQ(device.Setting(0, kModes, 0), (std::vector<uint8_t>{0x00}));
  for (const Step& step : Steps()) EXPECT_NE(step.op, kGetBand);  // nothing of L is read
  EXPECT_EQ(Steps().back(), (Step{kSetModes, 0, 0}));
  EXPECT_TRUE(L().gain->isHidden());
  EXPECT_FALSE(L().noOption.isHidden());
  EXPECT_TRUE(Page().PaOutputList()->isHidden());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AudioInPage, EveryFailedWriteShowsTheWarningOnceAndDisconnects) {
  auto failing = [&](auto&& act) {
    MakeWindow(0x0409);
    boxes.shown.clear();
    device.Unplug();
    device.SetSetting(0, kModes, 0, 0, {0x03});
    Connect();
    ASSERT_TRUE(Connected());
    device.InjectFault(Fault{FaultKind::BadStatus});
    act();
    Recover();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(app->m_deviceSession.isOpen);
    EXPECT_FALSE(L().mode->isEnabled());
  };
  failing([&] { Choose(L().mode, 0); });
  failing([&] { Choose(R().level, 0); });
  failing([&] { Choose(L().gain, 2); });
  failing([&] { Choose(R().eq, 2); });
  failing([&] { Choose(Page().PaOutputList(), 0); });
}

}  // namespace
}  // namespace tarvik
