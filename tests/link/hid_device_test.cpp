// HidDevice's own rules, over a scripted backend.
#include "link/hid_device.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

namespace tarvik {
namespace {

struct ScriptedInterface {
  HidIdentity identity;
  HidReportLengths lengths;
  bool opens = true;
  // What the opened interface says of itself, where that differs from the
  // look: a node taken over by another device between the look and the open.
  std::optional<HidIdentity> openedIdentity;
  std::optional<HidReportLengths> openedLengths;
  bool describes = true;
  std::vector<uint8_t> nextReport;  // handed out by every Read
  std::vector<uint8_t>* written = nullptr;
  int openHandles = 0;
};

class ScriptedHandle : public HidHandle {
 public:
  explicit ScriptedHandle(ScriptedInterface* iface) : iface_(iface) { ++iface_->openHandles; }
  ~ScriptedHandle() override { --iface_->openHandles; }
  bool Read(std::span<uint8_t> report, int) override {
    std::fill(report.begin(), report.end(), 0);
    std::copy_n(iface_->nextReport.begin(), std::min(report.size(), iface_->nextReport.size()),
                report.begin());
    return true;
  }
  bool Write(std::span<const uint8_t> report, int) override {
    if (iface_->written) iface_->written->assign(report.begin(), report.end());
    return true;
  }
  void AbortRead() override {}
  bool Describe(HidIdentity* identity, HidReportLengths* lengths) const override {
    *identity = iface_->openedIdentity.value_or(iface_->identity);
    *lengths = iface_->openedLengths.value_or(iface_->lengths);
    return iface_->describes;
  }

 private:
  ScriptedInterface* iface_;
};

class ScriptedBackend : public HidBackend {
 public:
  std::vector<std::string> ListInterfaces() override {
    std::vector<std::string> ids;
    for (const auto& entry : interfaces) ids.push_back(entry.first);
    return ids;
  }
  bool ReadIdentity(const std::string& id, HidIdentity* out) override {
    *out = interfaces.at(id).identity;
    return true;
  }
  bool ReadReportLengths(const std::string& id, HidReportLengths* out) override {
    *out = interfaces.at(id).lengths;
    return true;
  }
  std::unique_ptr<HidHandle> OpenInterface(const std::string& id) override {
    ScriptedInterface& iface = interfaces.at(id);
    return iface.opens ? std::make_unique<ScriptedHandle>(&iface) : nullptr;
  }

  std::map<std::string, ScriptedInterface> interfaces;
};

constexpr HidIdentity kTarvik{0x2F3A, 0x4021};
constexpr HidReportLengths kTarvikLengths{65, 65, 0};

ScriptedInterface Interface(HidIdentity identity, HidReportLengths lengths) {
  ScriptedInterface iface;
  iface.identity = identity;
  iface.lengths = lengths;
  return iface;
}

TEST(HidDeviceTest, InterfaceSwappedBetweenLookAndOpenIsNotOpened) {
  ScriptedBackend backend;
  backend.interfaces["a"] = Interface(kTarvik, kTarvikLengths);
  ScriptedInterface& a = backend.interfaces["a"];
  a.openedIdentity = HidIdentity{0x1234, 0x4021};
  HidDevice device(backend);
  EXPECT_EQ(device.Open(0x2F3A, 0x4021, 64, 64, 0), nullptr);
  EXPECT_EQ(a.openHandles, 0);
  const uint8_t report[64] = {};
  EXPECT_EQ(device.Write(report, 500), 0);
  EXPECT_EQ(device.Open(0, 0, 0, 0, 0), nullptr);  // "any device" checks as well

  a.openedIdentity.reset();
  a.openedLengths = HidReportLengths{65, 65, 3};  // numbered where the look saw none
  EXPECT_EQ(device.Open(0x2F3A, 0x4021, 64, 64, 0), nullptr);
  a.openedLengths.reset();
  a.describes = false;
  EXPECT_EQ(device.Open(0x2F3A, 0x4021, 64, 64, 0), nullptr);

  // A refused interface does not count towards the match index.
  std::vector<uint8_t> written;
  backend.interfaces["b"] = Interface(kTarvik, kTarvikLengths);
  backend.interfaces["b"].written = &written;
  ASSERT_NE(device.Open(0x2F3A, 0x4021, 64, 64, 0), nullptr);
  ASSERT_EQ(device.Write(std::vector<uint8_t>(64, 1), 500), 1);
  EXPECT_EQ(written.size(), 65u);

  a.describes = true;
  EXPECT_NE(device.Open(0x2F3A, 0x4021, 64, 64, 1), nullptr);
}

TEST(HidDeviceTest, NeverCopiesMoreThanTheCallersBuffersHold) {
  // Opened with 0/0, a device may describe reports far longer than the 64
  // bytes the link reads and writes.
  ScriptedBackend backend;
  std::vector<uint8_t> written;
  ScriptedInterface wide = Interface({0x0001, 0x0002}, {201, 129, 7});
  wide.nextReport.assign(201, 0xAB);
  wide.written = &written;
  backend.interfaces["wide"] = wide;

  HidDevice device(backend);
  ASSERT_NE(device.Open(0, 0, 0, 0, 0), nullptr);
  std::vector<uint8_t> destination(64 + 8, 0x11);
  ASSERT_EQ(device.Read(std::span(destination).first(64), -1), 1);
  EXPECT_EQ(destination[63], 0xAB);
  EXPECT_EQ(destination[64], 0x11);

  const std::vector<uint8_t> source(64, 0x5A);
  ASSERT_EQ(device.Write(source, 500), 1);
  ASSERT_EQ(written.size(), 129u);
  EXPECT_EQ(written[0], 7);
  EXPECT_EQ(written[64], 0x5A);
  EXPECT_EQ(written[65], 0);
  EXPECT_EQ(written[128], 0);
}

TEST(HidDeviceTest, ReadCompletedAfterAbortCountsAsFailed) {
  ScriptedBackend backend;
  backend.interfaces["a"] = Interface(kTarvik, kTarvikLengths);
  backend.interfaces["a"].nextReport.assign(65, 1);
  HidDevice device(backend);
  ASSERT_NE(device.Open(0x2F3A, 0x4021, 64, 64, 0), nullptr);
  uint8_t report[64];
  EXPECT_EQ(device.Read(report, -1), 1);
  device.AbortRead();
  EXPECT_EQ(device.Read(report, -1), 0);
  EXPECT_EQ(device.Write(report, 500), 0);
  device.Close();
  EXPECT_EQ(backend.interfaces["a"].openHandles, 0);
}

}  // namespace
}  // namespace tarvik
