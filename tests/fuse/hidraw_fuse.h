// A FUSE filesystem, served from a thread of the test process, that shows
// every plugged-in stand-in device as a Linux hidraw interface:
//
//   <mount>/sys/class/hidraw/hidrawN/device/uevent             (HID_ID line)
//   <mount>/sys/class/hidraw/hidrawN/device/report_descriptor  (vendor page)
//   <mount>/dev/hidrawN                                        (the node)
//
// Each open of a node opens a SimBackend handle on the device. A write hands
// one output report to the device; a read returns the next input report it
// sent, without the ID byte, as hidraw does for unnumbered reports (EAGAIN on
// a non-blocking open when none is queued); poll reports POLLIN while one is
// queued and wakes waiting pollers when the next arrives. When the device is
// unplugged its entries vanish and open nodes behave as a hidraw node whose
// device went away: reads fail with EIO once the queue is empty, writes with
// ENODEV, and poll reports POLLERR | POLLHUP.
//
// An open node answers hidraw's HIDIOCGRAWINFO, HIDIOCGRDESCSIZE and
// HIDIOCGRDESC with the identity and descriptor its sysfs entries show,
// unless told to answer otherwise (SetNodeAnswers).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvik::fusetest {

// What the filesystem saw of the nodes, for checking how the backend uses them.
struct NodeStats {
  int opens = 0;
  int releases = 0;
  std::vector<std::size_t> writeSizes;  // every write() on a node, in order
  std::vector<std::size_t> readSizes;   // every read() that returned a report
  int readsAgain = 0;                   // non-blocking reads that found nothing
  int readsFailed = 0;                  // reads after the device left
  int pollWakeups = 0;                  // waiting pollers woken by a report or a loss
  int reportsDropped = 0;               // input reports lost to a full queue, as hidraw does
  int descriptorReads = 0;              // HIDIOCGRDESC calls on a node
};

// What every node answers to the hidraw ioctls in place of its device's own
// identity and descriptor, sysfs left as it is: a node that is not the device
// its sysfs entries name.
struct NodeAnswers {
  std::optional<uint16_t> productId = {};               // HIDIOCGRAWINFO
  std::optional<std::vector<uint8_t>> descriptor = {};  // HIDIOCGRDESC, and its size
  std::optional<int> descriptorSize = {};               // HIDIOCGRDESCSIZE alone
  bool refused = false;                                 // every hidraw ioctl fails with ENOTTY
};

class HidrawFuse {
 public:
  HidrawFuse();
  ~HidrawFuse();  // unmounts
  HidrawFuse(const HidrawFuse&) = delete;
  HidrawFuse& operator=(const HidrawFuse&) = delete;

  // Why this process cannot mount FUSE filesystems, or empty when it can.
  // Found once per process: by looking at /dev/fuse and fusermount3, then by
  // mounting and unmounting a trial filesystem.
  static const std::string& UnavailableReason();

  // Mounts on a new temporary directory and starts serving. If the mount is
  // still there `watchdog` later, its FUSE connection is aborted so that
  // every call waiting on it fails instead of hanging. On failure `error`
  // says why, with libfuse's own messages.
  bool Mount(std::string* error, std::chrono::milliseconds watchdog = std::chrono::seconds(60));
  // Stops serving, unmounts and removes the directory. Safe to call again.
  void Unmount();

  bool IsMounted() const;
  std::string MountPoint() const;
  std::string SysRoot() const;  // for HidrawBackend
  std::string DevRoot() const;

  NodeStats Stats() const;
  void ClearStats();
  // Applies to every node from the next ioctl; NodeAnswers{} goes back to the truth.
  void SetNodeAnswers(NodeAnswers answers);
  // True once the watchdog had to abort the connection.
  bool WatchdogFired() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvik::fusetest
