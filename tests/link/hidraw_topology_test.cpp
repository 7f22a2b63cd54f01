// Where a hidraw node sits on the USB bus, as sysfs tells it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "link/hid_backend_linux.h"

namespace tarvik {
namespace {

TEST(HidrawTopology, TheBusPortChainOfTheNearestUsbInterface) {
  const struct {
    const char* path;
    const char* topology;
  } cases[] = {
      {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4.2/1-4.2:1.3/0003:2F3A:4021.0005",
       "1-4.2"},
      {"/sys/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1:1.0/0003:2F3A:4021.0001", "3-1"},
      {"/sys/devices/platform/usb2/2-1.10.3/2-1.10.3:2.11/0003:2F3A:4021.000A", "2-1.10.3"},
      // Not USB, or names that only look alike.
      {"/sys/devices/virtual/misc/uhid/0003:2F3A:4021.0002", ""},
      {"/sys/devices/usb1/1-4/1-4.:1.3/x", ""},
      {"/sys/devices/usb1/1-/1-:1.0/x", ""},
      {"/sys/devices/usb1/1-4/1-4:1/x", ""},
      {"/sys/devices/usb1/1-4/1-4:1.0.2/x", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(UsbTopologyOf(c.path), c.topology) << c.path;
}

TEST(HidrawTopology, TheBackendFollowsTheNodesDeviceLink) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("hidraw-topology-" + std::to_string(getpid()));
  const fs::path usb = root / "sys/devices/usb1/1-4/1-4.2/1-4.2:1.3/0003:2F3A:4021.0005";
  fs::create_directories(usb);
  fs::create_directories(root / "sys/class/hidraw/hidraw7");
  fs::create_directory_symlink(usb, root / "sys/class/hidraw/hidraw7/device");
  fs::create_directories(root / "sys/class/hidraw/hidraw8/device");

  HidrawBackend backend((root / "sys").string(), (root / "dev").string());
  EXPECT_EQ(backend.TopologyPath("hidraw7"), "1-4.2");
  EXPECT_EQ(backend.TopologyPath("hidraw8"), "") << "no USB interface above it";
  EXPECT_EQ(backend.TopologyPath("hidraw9"), "") << "no such node";
  EXPECT_EQ(backend.TopologyPath("../hidraw7"), "") << "ids never lead out of the class folder";
  EXPECT_EQ(backend.NodePath("hidraw7"), (root / "dev/hidraw7").string());
  fs::remove_all(root);
}

}  // namespace
}  // namespace tarvik
