// A throwaway sysfs and /dev tree of hidraw interfaces, for pointing a
// HidrawBackend at devices that are not there. Removed with the object.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/hid_backend_linux.h"

namespace tarvik::sim {

class FakeHidrawTree {
 public:
  enum class NodeKind {
    kFifo,         // reads wait for bytes sent with WriteToNode
    kRegularFile,  // written reports pile up in a file ReadNode returns
    kMissing,      // no /dev node at all
    kUnopenable,   // a directory: open(O_RDWR) fails, even for root
  };

  FakeHidrawTree();
  ~FakeHidrawTree();
  FakeHidrawTree(const FakeHidrawTree&) = delete;
  FakeHidrawTree& operator=(const FakeHidrawTree&) = delete;

  // False when the temporary directory could not be made.
  bool IsValid() const { return !root_.empty(); }
  const std::string& SysRoot() const { return sysRoot_; }
  const std::string& DevRoot() const { return devRoot_; }

  // Adds hidrawN, N one past the highest so far; returns N, or -1 on failure.
  int AddInterface(uint16_t vendorId, uint16_t productId, std::span<const uint8_t> descriptor,
                   NodeKind kind);
  // Adds hidraw<number>; false on failure or when the number is taken.
  bool AddInterfaceAt(int number, uint16_t vendorId, uint16_t productId,
                      std::span<const uint8_t> descriptor, NodeKind kind);

  // Replace a sysfs file of an interface, for malformed-input cases.
  bool SetUevent(int number, std::string_view text) const;
  bool SetDescriptor(int number, std::span<const uint8_t> descriptor) const;

  // What an interface's node says of itself when asked through an open
  // descriptor; the identity and descriptor it was added with unless changed
  // here, which leaves sysfs as it is (a node taken over by another device).
  bool SetNodeDescription(int number, uint16_t vendorId, uint16_t productId,
                          std::span<const uint8_t> descriptor);
  // The description of the node open on `fd`, found by the file it is;
  // false for a file that is not a node of this tree.
  bool DescribeOpenNode(int fd, HidIdentity* identity, std::vector<uint8_t>* descriptor) const;

  std::string NodePath(int number) const;
  // Sends bytes into a FIFO node; fails unless a handle has the node open.
  bool WriteToNode(int number, std::span<const uint8_t> bytes) const;
  // What was written to a regular-file node (at most 1 MiB); empty on failure.
  std::vector<uint8_t> ReadNode(int number) const;

  // A vendor-defined (usage page 0xFF00) application collection with one input
  // and one output report of 8-bit fields; a size of 0 leaves that report out,
  // reportId 0 leaves the reports unnumbered.
  static std::vector<uint8_t> VendorDescriptor(int inputBytes, int outputBytes, int reportId);
  // A telephony headset collection: hook switch and mute buttons in, three
  // LEDs out, each a 1-byte report of ID reportId.
  static std::vector<uint8_t> LedDescriptor(uint8_t reportId);

 private:
  std::string DeviceDir(int number) const;

  struct NodeDescription {
    HidIdentity identity;
    std::vector<uint8_t> descriptor;
  };

  std::string root_;
  std::string sysRoot_;
  std::string devRoot_;
  int nextNumber_ = 0;
  std::map<int, NodeDescription> nodes_;
};

// A HidrawBackend on a FakeHidrawTree. The tree's nodes are FIFOs and plain
// files, which know no hidraw ioctls: the tree answers for them instead.
class FakeHidrawBackend : public HidrawBackend {
 public:
  explicit FakeHidrawBackend(const FakeHidrawTree& tree)
      : HidrawBackend(tree.SysRoot(), tree.DevRoot()), tree_(tree) {}

 protected:
  bool DescribeNode(int fd, HidIdentity* identity,
                    std::vector<uint8_t>* descriptor) const override {
    return tree_.DescribeOpenNode(fd, identity, descriptor);
  }

 private:
  const FakeHidrawTree& tree_;
};

}  // namespace tarvik::sim
