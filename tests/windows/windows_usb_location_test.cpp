// The USB location of a HID interface, read from the device tree above it.
#include "link/windows_usb_location.h"

#include <gtest/gtest.h>

#include "fake_windows_hid.h"
#include "link/hid_backend_windows.h"

namespace tarvik {
namespace {

using namespace std::string_literals;

const std::wstring kPort2 = L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)#USB(2)";
const std::wstring kPort3 = L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)#USB(3)";
const std::wstring kAcpi = L"ACPI(_SB_)#ACPI(PCI0)#ACPI(XHC_)#ACPI(RHUB)#ACPI(HS04)";

TEST(UsbLocationIn, TakesTheFirstUsbPathWithoutItsFunction) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {kPort2 + L"\0\0"s, kPort2},
      {kPort2 + L"#USBMI(3)\0"s + kAcpi + L"\0\0"s, kPort2},
      {kAcpi + L"\0"s + kPort3 + L"\0\0"s, kPort3},
      {kAcpi + L"\0\0"s, L""},
      {kPort2, kPort2},                            // the list's end missing
      {L"\0"s + kPort2 + L"\0\0"s, L""},           // an empty first path ends the list
      {L"", L""},
  };
  for (const auto& [paths, location] : cases)
    EXPECT_EQ(UsbLocationIn(paths), location) << ::testing::PrintToString(paths);
}

class UsbLocationTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(fake.Outstanding(), 0);
    EXPECT_EQ(fake.Misuses(), 0);
  }
  // A Tarvik's HID interface as a composite device's function has it: the
  // collection, the function (with its interface number), the device.
  int Plug(std::wstring path, uint16_t productId, const std::wstring& port) {
    FakeHidInterface iface;
    iface.path = std::move(path);
    iface.identity.productId = productId;
    iface.ancestorLocations = {{port + L"#USBMI(3)", kAcpi}, {port}};
    return fake.Add(iface);
  }

  FakeWindowsHid fake;
  WindowsHidBackend backend{fake.Api()};
};

TEST_F(UsbLocationTest, StaysWithThePortAcrossARestartUnderAnotherProductId) {
  const int first = Plug(L"\\\\?\\hid#vid_2f3a&pid_4021&mi_03#a", 0x4021, kPort2);
  Plug(L"\\\\?\\hid#vid_2f3a&pid_4021&mi_03#b", 0x4021, kPort3);
  std::vector<std::string> ids = backend.ListInterfaces();
  ASSERT_EQ(ids.size(), 2u);
  const std::string port2(kPort2.begin(), kPort2.end());
  const std::string port3(kPort3.begin(), kPort3.end());
  EXPECT_EQ(backend.TopologyPath(ids[0]), port2);
  EXPECT_EQ(backend.TopologyPath(ids[1]), port3);

  // The restart gives the interface a new path; its place stays.
  fake.Unplug(first);
  EXPECT_EQ(backend.TopologyPath(ids[0]), "");
  Plug(L"\\\\?\\hid#vid_2f3a&pid_4023&mi_03#c", 0x4023, kPort2);
  ids = backend.ListInterfaces();
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(backend.TopologyPath(ids[1]), port2);
}

TEST_F(UsbLocationTest, IsEmptyWhereTheTreeDoesNotTell) {
  FakeHidInterface bare;
  bare.path = L"bare";  // no node above it says where it is
  fake.Add(bare);
  FakeHidInterface notUsb;
  notUsb.path = L"i2c";
  notUsb.ancestorLocations = {{}, {kAcpi}};
  fake.Add(notUsb);
  for (const std::string id : {"bare", "i2c", "not listed"})
    EXPECT_EQ(backend.TopologyPath(id), "") << id;
}

}  // namespace
}  // namespace tarvik
