// One full connect of the configurator over the FUSE-served hidraw node: the
// presence probe, Open, then every read the window makes when a device
// appears, in its order.
#include <array>
#include <bit>
#include <chrono>
#include <cstring>
#include <iostream>
#include <utility>

#include "settings/firmware_version.h"
#include "fuse/fuse_fixture.h"
#include "settings/settings_table.h"

namespace tarvik::fusetest {
namespace {

using tarvik::testing::Eventually;

constexpr uint16_t kDeviceInfo = 0x0006;
constexpr uint16_t kUsbSpeed = 0x001A;
constexpr uint16_t kChannelGain = 0x0103;
constexpr uint16_t kFilterBand = 0x0106;
constexpr uint16_t kRoutingFlags = 0x0108;
constexpr uint16_t kInputMode = 0x0116;
constexpr uint16_t kSignalLevel = 0x0118;

Bytes Le16(int16_t value) {
  return {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF)};
}

Bytes FilterBytes(uint8_t type, std::array<float, 4> values) {
  Bytes bytes{type};
  for (float v : values) {
    const uint32_t raw = std::bit_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(raw >> (8 * i)));
  }
  return bytes;
}

// Working-set values that differ per channel and band, so that a value read
// from the wrong target or band shows.
struct Stored {
  int16_t gain[2] = {-240, 384};
  uint8_t level[2] = {0, 1};
  uint8_t routing = 0x15;
  uint8_t modeBits = 0x02;
  int16_t outputGain = -1792;
  uint8_t usbSpeed = 1;
  static uint8_t BandType(int channel, int band) {
    return static_cast<uint8_t>(1 + channel * 4 + band);
  }
  static std::array<float, 4> Band(int channel, int band) {
    const float f = 100.0f * static_cast<float>(1 + channel * 10 + band);
    return {f, f * 2, -3.0f + static_cast<float>(band), 0.5f + 0.1f * static_cast<float>(channel)};
  }
};

using FuseConnectTest = FuseFixture;

TEST_F(FuseConnectTest, OneFullConnectReadsEverySetting) {
  const Stored stored;
  for (int c = 0; c < 2; ++c) {
    const uint8_t target = static_cast<uint8_t>(TARGET_INPUT_L + c);
    device_.SetSetting(0, kChannelGain, target, 0, Le16(stored.gain[c]));
    device_.SetSetting(0, kSignalLevel, target, 0, {stored.level[c]});
    for (int band = 0; band < 4; ++band)
      device_.SetSetting(0, kFilterBand, target, static_cast<uint8_t>(band),
                         FilterBytes(Stored::BandType(c, band), Stored::Band(c, band)));
  }
  device_.SetSetting(0, kRoutingFlags, 0, 0, {stored.routing});
  device_.SetSetting(0, kInputMode, 0, 0, {stored.modeBits});
  device_.SetSetting(0, kChannelGain, TARGET_OUTPUT, 0, Le16(stored.outputGain));
  device_.SetSetting(0, kUsbSpeed, 0, 0, {stored.usbSpeed});
  device_.Plug();

  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(ProbeDevice(*backend_), Presence::kPresent);
  ASSERT_TRUE(OpenSession());

  char version[5] = {};
  ASSERT_TRUE(ReadFirmwareVersion(*session_, version));
  SettingsSnapshot settings;
  ASSERT_TRUE(ReadAll(*session_, FeaturesOf(session_->productId, ParseFirmwareVersion(version)),
                      &settings));
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  std::cout << "[ connect  ] probe, open and " << device_.RequestCount() << " exchanges in "
            << took.count() / 1000.0 << " ms\n";
  RecordProperty("connect_us", static_cast<int>(took.count()));

  EXPECT_STREQ(version, "2.10");
  for (int c = 0; c < 2; ++c) {
    SCOPED_TRACE(c == 0 ? "channel L" : "channel R");
    const ChannelValues& channel = settings.channels[c];
    EXPECT_EQ(channel.gain, stored.gain[c]);
    EXPECT_EQ(channel.level, stored.level[c]);
    for (int band = 0; band < 4; ++band) {
      EXPECT_EQ(channel.bands[band].filterType, Stored::BandType(c, band)) << "band " << band;
      const std::array<float, 4> expected = Stored::Band(c, band);
      for (int k = 0; k < 4; ++k)
        EXPECT_EQ(channel.bands[band].coefficients[k], expected[k])
            << "band " << band << " value " << k;
    }
  }
  EXPECT_EQ(settings.routing, stored.routing);
  EXPECT_EQ(settings.modeBits, stored.modeBits);
  EXPECT_EQ(settings.outputGain, stored.outputGain);
  ASSERT_TRUE(settings.usbSpeed);
  EXPECT_EQ(*settings.usbSpeed, stored.usbSpeed);
  EXPECT_FALSE(settings.muteSync);  // firmware 2.10 has none

  // The requests, in the configurator's order, each one read of the working set.
  std::vector<std::pair<uint16_t, uint8_t>> expected = {{kDeviceInfo, INFO_FIRMWARE_VERSION}};
  for (uint8_t target : {TARGET_INPUT_L, TARGET_INPUT_R}) {
    expected.emplace_back(kChannelGain, target);
    for (int band = 0; band < 4; ++band) expected.emplace_back(kFilterBand, target);
    expected.emplace_back(kSignalLevel, target);
  }
  expected.emplace_back(kRoutingFlags, 0);
  expected.emplace_back(kInputMode, 0);
  expected.emplace_back(kChannelGain, TARGET_OUTPUT);
  expected.emplace_back(kUsbSpeed, 0);
  std::vector<std::pair<uint16_t, uint8_t>> seen;
  for (const sim::RequestRecord& request : device_.Requests()) {
    seen.emplace_back(request.command, request.target);
    EXPECT_EQ(request.selector, 0) << std::hex << request.command;
  }
  EXPECT_EQ(seen, expected);

  // Closing the session closes the node.
  EXPECT_EQ(session_->Close(), 0);
  EXPECT_TRUE(Eventually([&] { return device_.OpenHandleCount() == 0; }));
  const NodeStats stats = fuse_.Stats();
  EXPECT_EQ(stats.readsFailed, 0);
}

}  // namespace
}  // namespace tarvik::fusetest
