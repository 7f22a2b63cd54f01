// The device session: the one object through which the program reaches the
// device, with ExecuteCommand, the single entry to the operation table, and
// the presence probe.
#pragma once

#include <iterator>
#include <memory>
#include <mutex>

#include "commands/command_id.h"
#include "link/command_params.h"
#include "link/device_link.h"

namespace tarvik {

inline constexpr int kTarvikVendorId = 0x2F3A;

// What a Tarvik product ID stands for.
enum class ProductRole {
  kOpened,      // opened, every setting by its firmware
  kNoUsbSpeed,  // opened, without the USB speed setting
  kExempt,      // opened, PA and USB speed settings with any firmware, never refused
  kRestarting,  // shown while restarting: only the presence probe counts it
};
struct ProductIdRow {
  int id;
  ProductRole role;
};
// Every product ID a Tarvik shows, the opened ones in the order Open tries
// them. The udev rule and scripts/run.sh list the same (a test compares).
inline constexpr ProductIdRow kProductIdTable[] = {
    {0x4021, ProductRole::kOpened},
    {0x4026, ProductRole::kNoUsbSpeed},
    {0x402F, ProductRole::kExempt},
    {0x4022, ProductRole::kRestarting},
};

constexpr int ProductIdOf(ProductRole role) {
  for (const ProductIdRow& row : kProductIdTable)
    if (row.role == role) return row.id;
  return 0;
}
inline constexpr int kProductIdNoUsbSpeed = ProductIdOf(ProductRole::kNoUsbSpeed);
inline constexpr int kExemptProductId = ProductIdOf(ProductRole::kExempt);
inline constexpr int kProductIdProbeOnly = ProductIdOf(ProductRole::kRestarting);
// The IDs Open accepts, in its order: every row but the last.
inline constexpr int kProductIds[] = {kProductIdTable[0].id, kProductIdTable[1].id,
                                      kProductIdTable[2].id};
static_assert(std::size(kProductIds) + 1 == std::size(kProductIdTable) &&
                  kProductIdTable[std::size(kProductIds)].role == ProductRole::kRestarting,
              "the opened product IDs come first, the restarting one last");

// Runs operation `id` on the link under its lock. The status pair, when
// given, receives the last completed reply's status and detail whatever the
// result.
int ExecuteCommand(DeviceLink* link, int id, CommandParams* params, StatusPair* status);

enum class Presence {
  kAbsent,
  kPresent,     // under an identity Open accepts
  kRestarting,  // only as kProductIdProbeOnly
};
Presence ProbeDevice(HidBackend& backend = SystemHidBackend());

class CHidDevCommApp {
 public:
  // `waitCapMs` > 0 shortens every reply wait of the links this session
  // opens, and `clock` is the time they wait on (see DeviceLink); both are
  // for tests and fuzzing only.
  explicit CHidDevCommApp(HidBackend& backend = SystemHidBackend(), int waitCapMs = 0,
                          LinkClock& clock = DefaultLinkClock())
      : backend_(&backend), waitCapMs_(waitCapMs), clock_(&clock) {}
  virtual ~CHidDevCommApp();
  CHidDevCommApp(const CHidDevCommApp&) = delete;
  CHidDevCommApp& operator=(const CHidDevCommApp&) = delete;

  // Installed on every link this session opens; called on the receive thread.
  void SetNotifyCallback(NotifyCallback callback) { notifyCallback_ = callback; }

  bool Open();
  int Close();

  // Runs one operation on the session's own record and status pair. The
  // caller holds lock around filling params, the call and reading results.
  int Execute(int id) { return ExecuteCommand(link.get(), id, &params, &statusPair); }

  // Writes both input channels' modes (0: CONFERENCE SYSTEM, else PA
  // MICROPHONE), first copying the option settings of each channel entering
  // PA MICROPHONE from the second set. 1 on success, 0 at the first failure.
  int ApplyInputModes(int modeL, int modeR);

  HidBackend& Backend() { return *backend_; }
  // The clock this session's waits run on, for callers that pace their own.
  LinkClock& Clock() { return *clock_; }

  std::recursive_mutex lock;
  bool isOpen = false;
  int productId = 0;
  std::unique_ptr<DeviceLink> link;
  CommandParams params;
  StatusPair statusPair;

 private:
  void Teardown();
  // Reads with selector 1 and writes the same record back with selector 0.
  bool CopyFromSecondSet(CommandId read, CommandId write);

  HidBackend* backend_;
  int waitCapMs_;
  LinkClock* clock_;
  NotifyCallback notifyCallback_ = nullptr;
};

}  // namespace tarvik
