// tarvikctl against the stand-in: its command line, what it reads and
// writes, firmware with progress, and the ways it refuses.
#include <gtest/gtest.h>

#include <fstream>

#include "commands/operation_table.h"
#include "ctl/ctl_fixture.h"
#include "exit_codes.h"
#include "session/hid_dev_comm_app.h"
#include "support/firmware_images.h"
#include "system/single_instance_lock.h"

namespace tarvik {
namespace {

using Ctl = testing::CtlOnStandIn;

TEST_F(Ctl, BadCommandLinesAreUsageErrorsWithOneLine) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{}, "A subcommand is required"},
      {{"op", "NoSuchOperation"}, "no operation 'NoSuchOperation'"},
      {{"op", "200"}, "no operation '200'"},
      {{"op", "GetChannelGain", "volume=3"}, "has no field 'volume'"},
      {{"op", "GetChannelGain", "target=0x100"}, "target must be a number from 0 to 255"},
      {{"op", "SetChannelGain", "gain=40000"}, "gain must be a number from -32768 to 32767"},
      {{"op", "GetChannelGain", "gain=3"}, "gain is an output of GetChannelGain"},
      {{"op", "SetFilterBand", "coefficients=1,2,3"}, "coefficients must be 4 numbers"},
      {{"op", "UpdateFirmware"}, "use tarvikctl firmware"},
      {{"op", "GetChannelGain", "target"}, "'target' is not FIELD=VALUE"},
      {{"op", "SetChannelGain", "gain=1", "gain=2"}, "gain is given twice"},
      {{"op", "GetChannelGain", "--out", "x.bin"}, "takes no buffer"},
      {{"op", "SetFilterBand", "coefficients=1,nan,2,3"}, "coefficients must be 4 numbers"},
      {{"op", "SetFilterBand", "coefficients=1,2,inf,3"}, "coefficients must be 4 numbers"},
      {{"op", "SetFilterBand", "coefficients=1,2,3,1e39"}, "coefficients must be 4 numbers"},
      {{"set", "volume", "3"}, "no setting named 'volume'"},
      {{"set", "gain-l", "+4dB"}, "'+4dB' is not a value of gain-l"},
      {{"set", "mode-r", "loud"}, "'loud' is not a value of mode-r"},
      {{"firmware", "update", "x.bin"}, "--target is required"},
      {{"firmware", "update", "x.bin", "--target", "300"}, "target '300' must be 0 to 255"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Invoke(c.args), ctl::kExitUsage) << c.says;
    const std::string said = err.str();
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  }
  EXPECT_EQ(device.RequestCount(), 0u);  // nothing reached the device
}

TEST_F(Ctl, ShowJsonMatchesTheDevice) {
  device.SetSetting(0, 0x0116, 0, 0, {0x02});
  device.SetSetting(0, 0x0103, TARGET_INPUT_R, 0, {0x00, 0x03});  // +3 dB
  device.SetSetting(0, 0x0103, TARGET_OUTPUT, 0, {0x10, 0x00});   // 16: no step
  device.SetSetting(0, 0x0118, TARGET_INPUT_L, 0, {0});
  device.SetSetting(0, 0x0108, 0, 0, {0x10});
  device.SetSetting(0, 0x001A, 0, 0, {1});
  ASSERT_EQ(Invoke({"--json", "show"}), ctl::kExitOk) << err.str();
  const nlohmann::json j = Json();
  EXPECT_EQ(j["schemaVersion"], 1);
  EXPECT_EQ(j["device"]["firmware"], "2.10");
  EXPECT_EQ(j["inputs"]["L"]["mode"], "conference-system");
  EXPECT_EQ(j["inputs"]["R"]["mode"], "pa-microphone");
  EXPECT_EQ(j["inputs"]["R"]["gain"], "+3dB");
  EXPECT_EQ(j["inputs"]["L"]["signalLevel"], "line");
  EXPECT_EQ(j["outputVolume"], "custom");
  EXPECT_EQ(j["outputGainRaw"], 16);
  EXPECT_EQ(j["paOutputToSpeaker"], "on");
  EXPECT_EQ(j["usbSpeed"], "full-speed");
  EXPECT_TRUE(j["micMuteSync"].is_null());  // firmware 2.10 has none
}

TEST_F(Ctl, OpRunsAnyOperationAndReportsItsResult) {
  device.SetSetting(0, 0x0103, TARGET_INPUT_L, 0, {0x00, 0xFD});  // -768
  ASSERT_EQ(Invoke({"--json", "op", "GetChannelGain", "target=0x71"}), ctl::kExitOk) << err.str();
  nlohmann::json j = Json();
  EXPECT_EQ(j["operation"]["number"], 55);
  EXPECT_EQ(j["result"]["name"], "OK");
  EXPECT_EQ(j["fields"]["gain"], -768);

  ASSERT_EQ(Invoke({"op", "54", "target=0x72", "gain=-3072"}), ctl::kExitOk) << err.str();
  EXPECT_EQ(device.Setting(0, 0x0103, TARGET_INPUT_R), (std::vector<uint8_t>{0x00, 0xF4}));
  EXPECT_NE(out.str().find("54 SetChannelGain: OK"), std::string::npos) << out.str();

  ASSERT_EQ(Invoke({"--json", "op", "GetFilterBand", "target=0x72", "band=0", "--selector", "1"}),
            ctl::kExitOk);
  j = Json();
  EXPECT_EQ(j["fields"]["filterType"], 6);
  EXPECT_EQ(j["fields"]["coefficients"][0], 315.0);

  ASSERT_EQ(Invoke({"--json", "op", "GetDeviceInfo", "item=0x21"}), ctl::kExitOk);
  EXPECT_EQ(Json()["fields"]["text"], "2.10");

  device.InjectFault(sim::Fault{sim::FaultKind::BadStatus, 0, 0x07});
  EXPECT_EQ(Invoke({"--json", "op", "GetUsbSpeed"}), ctl::kExitFailed);
  j = Json();
  EXPECT_EQ(j["result"]["name"], "LINK_ERR_DEVICE_STATUS");
  EXPECT_EQ(j["status"]["status"], 7);
  EXPECT_TRUE(j["fields"].empty());
}

TEST_F(Ctl, OpListNamesEveryOperationWithItsFields) {
  ASSERT_EQ(Invoke({"--json", "op", "--list"}), ctl::kExitOk);
  const nlohmann::json ops = Json()["operations"];
  EXPECT_EQ(ops.size(), 167u);
  EXPECT_EQ(ops[54]["name"], "SetChannelGain");
  EXPECT_EQ(ops[55]["fields"][1]["direction"], "out");
}

// op finds a buffer, its length and a firmware file by the field's role.
TEST(OperationFieldRoles, EveryBufferIsAPointerOfAFixedOrAGivenLength) {
  for (const OperationRow& row : kOperationTable) {
    int buffers = 0;
    int lengths = 0;
    bool fixed = false;
    for (const FieldSpec& f : row.fields) {
      if (f.role == FieldRole::kBuffer || f.role == FieldRole::kImage) {
        EXPECT_EQ(f.type, FieldType::Pointer) << row.name << ' ' << f.name;
      }
      if (f.role == FieldRole::kBuffer) {
        ++buffers;
        fixed = f.count > 0;
      }
      if (f.role == FieldRole::kCount || f.role == FieldRole::kSize) {
        ++lengths;
        EXPECT_TRUE(f.type == FieldType::U16 || f.type == FieldType::U32) << row.name;
      }
    }
    EXPECT_LE(buffers, 1) << row.name;
    EXPECT_EQ(lengths, buffers == 1 && !fixed ? 1 : 0) << row.name;
  }
}

// The file names are Japanese so that paths outside the ANSI code page are
// shown to work on Windows too.
TEST_F(Ctl, BlockBuffersComeFromAndGoToFiles) {
  const std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  std::ofstream(Path("入力.bin"), std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), 9);
  const OperationRow* write = nullptr;
  const OperationRow* read = nullptr;
  for (const OperationRow& row : kOperationTable) {
    if (row.fields.data() != shapes::kBlock) continue;
    if (row.kind == 0 && write == nullptr) write = &row;
    if (row.kind == 2 && read == nullptr) read = &row;
  }
  ASSERT_NE(write, nullptr);
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(Invoke({"op", write->name, "target=1", "address=0x100", "--in", File("入力.bin")}),
            ctl::kExitOk)
      << err.str();
  ASSERT_EQ(
      Invoke({"op", read->name, "target=1", "address=0x100", "count=9", "--out", File("出力.bin")}),
      ctl::kExitOk)
      << err.str();
  std::ifstream in(Path("出力.bin"), std::ios::binary);
  const std::vector<uint8_t> back((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  EXPECT_EQ(back, data);
  EXPECT_EQ(Invoke({"op", write->name, "--in", File("missing.bin")}), ctl::kExitNoInput);
}

TEST_F(Ctl, FirmwareUpdateShowsTheFileAndItsProgress) {
  const testing::Image package = testing::Package(testing::Payload(10000));
  std::ofstream(Path("ファームウェア.bin"), std::ios::binary)
      .write(reinterpret_cast<const char*>(package.data()), package.size());
  EXPECT_EQ(Invoke({"firmware", "update", File("ファームウェア.bin"), "--target", "1"}, "n\n"),
            ctl::kExitFailed);
  EXPECT_NE(out.str().find("firmware package"), std::string::npos) << out.str();
  EXPECT_TRUE(device.Firmware().image.empty());

  ASSERT_EQ(
      Invoke({"firmware", "update", File("ファームウェア.bin"), "--target", "1", "--target", "2"},
             "y\n"),
      ctl::kExitOk)
      << err.str();
  EXPECT_NE(out.str().find("payloadBytes: 10000"), std::string::npos) << out.str();
  EXPECT_NE(err.str().find("\n100%\n"), std::string::npos) << err.str();
  EXPECT_NE(out.str().find("result: OK"), std::string::npos) << out.str();
  EXPECT_EQ(device.Firmware().programmed, (std::vector<uint8_t>{1, 2}));

  std::ofstream(Path("junk.bin")) << "not firmware";
  EXPECT_EQ(Invoke({"--yes", "firmware", "update", File("junk.bin"), "--target", "1"}),
            ctl::kExitNoInput);
  EXPECT_EQ(Invoke({"--yes", "firmware", "section", File("junk.bin")}), ctl::kExitNoInput);
}

TEST_F(Ctl, UsbSpeedAsksThenRestartsTheDeviceAndReadsTheSpeedBack) {
  EXPECT_EQ(Invoke({"set", "usb-speed", "full-speed"}, "n\n"), ctl::kExitFailed);
  EXPECT_NE(err.str().find("Tarvik will restart"), std::string::npos);
  EXPECT_EQ(device.Setting(0, 0x001A, 0), (std::vector<uint8_t>{0}));
  EXPECT_EQ(Invoke({"set", "usb-speed", "hi-speed"}), ctl::kExitOk);  // already so: nothing asked
  EXPECT_TRUE(err.str().empty());

  device.SetRestartPlan(200);
  ASSERT_EQ(Invoke({"--yes", "set", "usb-speed", "full-speed"}), ctl::kExitOk) << err.str();
  EXPECT_EQ(device.Setting(0, 0x001A, 0), (std::vector<uint8_t>{1}));

  device.SetRestartPlan(-1);  // acknowledges, never restarts
  EXPECT_EQ(Invoke({"--yes", "set", "usb-speed", "hi-speed"}), ctl::kExitFailed);
  EXPECT_NE(err.str().find("restarting"), std::string::npos) << err.str();
}

TEST_F(Ctl, AWriteTheTarvikRefusesIsToldFromOneItDoesNotAnswer) {
  struct Case {
    std::vector<std::string> args;
    sim::FaultKind fault;
    const char* says;
  };
  const Case cases[] = {
      {{"set", "gain-l", "0dB"}, sim::FaultKind::BadStatus, "the Tarvik refused writing gain-l"},
      {{"set", "gain-l", "0dB"},
       sim::FaultKind::NoReply,
       "the Tarvik did not answer writing gain-l"},
  };
  for (const Case& c : cases) {
    device.InjectFault({c.fault});
    EXPECT_EQ(Invoke(c.args), ctl::kExitFailed) << c.says;
    EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
  }
}

TEST_F(Ctl, RefusesWhileAnotherProgramHoldsTheDevice) {
  SingleInstanceLock configurator;
  ASSERT_EQ(configurator.Acquire(directory), SingleInstanceLock::Result::kAcquired);
  EXPECT_EQ(Invoke({"show"}), ctl::kExitBusy);
  EXPECT_NE(err.str().find("in use by the Tarvik Configurator"), std::string::npos);
  EXPECT_EQ(Invoke({"set", "gain-l", "0dB"}), ctl::kExitBusy);
  EXPECT_EQ(device.RequestCount(), 0u);
  configurator.Release();
  EXPECT_EQ(Invoke({"show"}), ctl::kExitOk);
}

TEST_F(Ctl, NoDeviceAndNoPermissionAreToldApart) {
  device.Unplug();
  EXPECT_EQ(Invoke({"show"}), ctl::kExitNotFound);
  EXPECT_EQ(Invoke({"list"}), ctl::kExitNotFound);

  // A backend whose Tarvik cannot be opened, as without the udev rule.
  class Locked : public HidBackend {
   public:
    std::vector<std::string> ListInterfaces() override {
      return sim::DefaultSimBackend().ListInterfaces();
    }
    bool ReadIdentity(const std::string& id, HidIdentity* out) override {
      return sim::DefaultSimBackend().ReadIdentity(id, out);
    }
    bool ReadReportLengths(const std::string& id, HidReportLengths* out) override {
      return sim::DefaultSimBackend().ReadReportLengths(id, out);
    }
    std::unique_ptr<HidHandle> OpenInterface(const std::string&) override { return nullptr; }
  } locked;
  device.Plug();
  std::istringstream in;
  ctl::Context context(out, err, in);
  context.lockDirectory = directory;
  context.systemBackend = &locked;
  err.str({});
  EXPECT_EQ(ctl::Run({"show"}, context), ctl::kExitPermission);
  EXPECT_NE(err.str().find("TAG+=\"uaccess\""), std::string::npos) << err.str();
  EXPECT_EQ(ctl::Run({"list"}, context), ctl::kExitPermission);
}

TEST_F(Ctl, TraceWritesEveryReportWithItsMarker) {
  std::istringstream in;
  ctl::Context context(out, err, in);
  context.lockDirectory = directory;
  context.systemBackend = &sim::DefaultSimBackend();
  context.trace = true;
  ASSERT_EQ(ctl::Run({"op", "GetUsbSpeed"}, context), ctl::kExitOk);
  EXPECT_NE(err.str().find("> 80 02 1a 00"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("< 83 03 1a 00"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tarvik
