// The stand-in Tarvik: an in-process device that answers the command channel
// as the real speakerphone does, for tests, benchmarks and the demo.
//
// A plugged-in SimDevice appears in a process-wide registry that SimBackend
// enumerates, so every HidDevice built on a SimBackend finds it. Each open
// handle receives every report the device sends, as with hidraw.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sim/sim_protocol.h"
#include "sim/sim_settings.h"

namespace tarvik::sim {

inline constexpr uint16_t kVendorId = 0x2F3A;

// A fault applied to the next request the device receives (then cleared).
enum class FaultKind {
  None,
  NoReply,       // the request is swallowed
  LateReply,     // the reply comes after `delayMs`
  WrongLength,   // reply payload one byte longer than it should be
  WrongKind,     // reply kind off by one (a read answered with kind 1, a write with kind 0)
  WrongCommand,  // reply echoes command + 1
  BadStatus,     // reply status byte = `status` (default 0x01)
  StatusFE,      // reply status byte 0xFE (a success)
  FailedWrite,   // the host's write of the request's first report fails
  SplitReply,    // reply fragments arrive separately, `delayMs` apart
  Unplug,        // the device leaves the bus instead of answering, until Plug
  DropOff,       // the device leaves instead of answering and is back after `delayMs`
};

struct Fault {
  FaultKind kind = FaultKind::None;
  int delayMs = 0;
  uint8_t status = 0x01;
};

// One request as the device received it.
struct RequestRecord {
  uint8_t kind = 0;
  uint16_t command = 0;
  uint8_t target = 0;
  uint8_t selector = 0;
  std::vector<uint8_t> payload;
  std::vector<uint8_t> message;  // header and payload as reassembled
};

// How the device answers firmware transfers.
struct FirmwareBehaviour {
  uint8_t lastBlockResult = 0;  // forced result byte of the last block when not 0
  bool sendNotice = true;       // completion notice after a programming request
  uint8_t noticeResult = 0;     // its result byte
  int noticeDelayMs = 10;
  // Drop off the bus (DropOff) right after acknowledging this many blocks;
  // -1 never. Requests between that ack and leaving are lost.
  int dropOffAfterBlocks = -1;
  int dropOffMs = 300;
};

// What the device received of firmware transfers: the image bytes of the
// latest transfer, its section code, programmed targets in order, finish count.
struct FirmwareRecord {
  std::vector<uint8_t> image;
  uint8_t sectionCode = 0;
  bool section = false;
  std::vector<uint8_t> programmed;
  int finishes = 0;
};

struct SimOptions {
  uint16_t vendorId = kVendorId;
  uint16_t productId = 0x4021;
  int inputReportLength = kReportLengthWithId;
  int outputReportLength = kReportLengthWithId;
  std::string topology = {};  // the USB port it is plugged into ("1-4.2"); empty: unknown
};

class SimDevice {
 public:
  explicit SimDevice(SimOptions options = {});
  ~SimDevice();  // unplugs
  SimDevice(const SimDevice&) = delete;
  SimDevice& operator=(const SimDevice&) = delete;

  // Bus presence. Unplugging makes every open handle's reads and writes fail;
  // handles opened before stay dead after a later Plug, as with a new node.
  void Plug();
  void Unplug();
  bool IsPlugged() const;
  uint16_t ProductId() const;
  void SetProductId(uint16_t productId);  // takes effect at the next Plug

  // Drops off the bus now and comes back after offlineMs, under
  // returnProductId when it is not 0.
  void DropOff(int offlineMs, uint16_t returnProductId = 0);
  // How RestartDevice behaves: ack, then drop off for offlineMs; if
  // interimProductId is not 0, first come back under it for interimMs; then
  // come back under finalProductId (0 = the product ID before the restart).
  // A negative offlineMs acknowledges RestartDevice without restarting.
  void SetRestartPlan(int offlineMs, uint16_t interimProductId = 0, int interimMs = 0,
                      uint16_t finalProductId = 0);

  void InjectFault(Fault fault);
  // The same, for the request after the next `afterRequests` ones.
  void InjectFault(Fault fault, int afterRequests);
  // Repeats a fault: applies `fault` to the next `times` requests (after
  // `afterRequests` have passed).
  void InjectFault(Fault fault, int afterRequests, int times);
  void SetReplyLatency(int ms);  // added to every reply; 0 answers at once
  // Bus model: every report in each direction takes `interval` (a slot per
  // direction), 1 ms at full speed, 125 us at high speed; 0 = off.
  void SetReportInterval(std::chrono::microseconds interval);

  // Firmware transfers. Setting the behaviour restarts the block count of
  // dropOffAfterBlocks.
  void SetFirmwareBehaviour(FirmwareBehaviour behaviour);
  FirmwareRecord Firmware() const;

  // Unsolicited reports to every open handle.
  void SendNotification(int type, int value);
  void SendReport(std::span<const uint8_t> report);  // kDataSize bytes, marker first
  // A stream message (length, lead byte, `bytes`) in 0xA0 / 0xA1... / 0xA2
  // reports, sent whether or not the data stream is switched on.
  void SendStreamMessage(uint8_t lead, std::span<const uint8_t> bytes);

  // Record of requests (complete messages) in arrival order.
  std::vector<RequestRecord> Requests() const;
  std::size_t RequestCount() const;
  void ClearRequests();
  // Waits up to timeoutMs until at least n requests have arrived.
  bool WaitForRequests(std::size_t n, int timeoutMs) const;

  // Settings store. `set` 0 is the working set, 1 the second set.
  void SetFirmwareVersion(const std::string& text);
  std::vector<uint8_t> Setting(int set, uint16_t command, uint8_t target, uint8_t index = 0) const;
  void SetSetting(int set, uint16_t command, uint8_t target, uint8_t index,
                  std::vector<uint8_t> value);

  // Every writable setting's value, and a whole list of them put back: none
  // is stored unless every one passes SettingsStore::IsSetting.
  std::vector<StoredValue> StoredSettings() const;
  bool RestoreSettings(const std::vector<StoredValue>& values);

  int OpenHandleCount() const;
  // Nothing due by `by` is still to happen: every report sent by then has
  // been read by the host's receive threads, which wait for more.
  bool HostCaughtUp(std::chrono::steady_clock::time_point by) const;

  struct Core;  // shared with the backend's handles

 private:
  std::shared_ptr<Core> core_;
};

}  // namespace tarvik::sim
