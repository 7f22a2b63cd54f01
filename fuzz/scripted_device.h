// A scripted device for fuzzing the reply handling of every operation: it
// answers each request a session writes with the next group of reports from
// a script cut out of the fuzzer's input, and the harness that runs one
// operation on a session kept open across inputs.
//
// Input of the operation harness:
//   byte 0       operation number (modulo 167)
//   bytes 1, 2   a 16-bit knob (little-endian) that sizes the operation's
//                record: block count, raw message size, which firmware
//                image, how many targets to program
//   then groups, one per request the operation writes, each led by a byte h:
//     0xFD        a long group: a 16-bit count n, then three reports sent as
//                 the first, n - 2 copies of the second, and the third
//     0xFE 'S'    the device stays silent, so the wait for that reply runs
//                 out
//     0xFE 'U'    the device leaves the bus instead of answering
//     0xFE other  an empty group, as is a second 'S' or 'U' group: each
//                 costs milliseconds (a wait, or a new link), so an input
//                 gets one
//     any other   h reports of 64 bytes follow (marker first; a short last
//                 one is padded with zeros)
//
// When a group ends before it has answered the request (no complete reply,
// or for a programming request no completion notice), the device goes on
// with the next group. Once the script is used up, it answers whatever is
// still open with a completion notice carrying a failure status, so the
// operation ends at once. An input only waits out a reply time-out, or costs
// a new link, when it asks for it.
//
// The regression test replays inputs through the same harness.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "commands/operation_table.h"
#include "link/hid_backend.h"
#include "link/report_framing.h"
#include "session/hid_dev_comm_app.h"

namespace tarvik::fuzzing {

using Report = std::array<uint8_t, kReportSize>;

// A report sent `repeat` times in a row.
struct Run {
  Report report;
  std::size_t repeat = 1;
};

struct ReplyGroup {
  enum class Kind { Reports, Silent, Unplug };
  std::vector<Run> runs;
  Kind kind = Kind::Reports;
};

inline constexpr uint8_t kLongGroup = 0xFD;
inline constexpr uint8_t kSpecialGroup = 0xFE;
inline constexpr uint8_t kSilentMark = 'S';
inline constexpr uint8_t kUnplugMark = 'U';

// What one open handle of the scripted device shares with the harness.
class ScriptedChannel {
 public:
  ScriptedChannel();

  // The host's side (HidHandle).
  bool Read(std::span<uint8_t> report);
  bool Write(std::span<const uint8_t> report);
  void Abort();
  bool Gone();

  // The harness's side.
  void Load(const std::vector<ReplyGroup>* groups);
  // Waits until the host has taken in all the device sent, then forgets the
  // script and, where the host is half-way through a message, puts its
  // reassembly back at rest (a completion notice drops a half-built reply,
  // an empty stream message a half-built stream), so nothing of this input
  // reaches the next. False when the device is gone.
  bool Quiesce();

 private:
  // Follows the request fragments; true at the last one of a request.
  bool RequestEnds(const uint8_t* report);
  // Starts the next group of the script, or the closing notice past its end.
  void NextGroup();
  // Mirrors the host's receive loop, to tell when the request is answered
  // and whether a message is half-way through.
  void Predict(const Report& report);

  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Run> pending_;
  const std::vector<ReplyGroup>* groups_ = nullptr;
  std::size_t nextGroup_ = 0;
  bool aborted_ = false;
  bool gone_ = false;
  bool idle_ = false;      // the host waits in Read with nothing left to take
  bool awaiting_ = false;  // the latest request has no answer yet
  bool wantNotice_ = false;
  uint16_t requestCommand_ = 0;
  std::size_t fragmentsLeft_ = 0;
  Reassembler replyMirror_{Reassembler::Channel::Reply};
  Reassembler streamMirror_{Reassembler::Channel::Stream};
  std::vector<uint8_t> mirrorBuffer_;
};

// One interface: vendor 0x2F3A, product 0x4021, 64-byte reports without IDs.
class ScriptedBackend final : public HidBackend {
 public:
  static constexpr HidIdentity kIdentity{static_cast<uint16_t>(kTarvikVendorId),
                                         static_cast<uint16_t>(kProductIds[0])};
  static constexpr HidReportLengths kLengths{kReportSizeWithId, kReportSizeWithId, 0};

  std::vector<std::string> ListInterfaces() override { return {"scripted"}; }
  bool ReadIdentity(const std::string&, HidIdentity* out) override;
  bool ReadReportLengths(const std::string&, HidReportLengths* out) override;
  std::unique_ptr<HidHandle> OpenInterface(const std::string&) override;
  std::shared_ptr<ScriptedChannel> Channel();

 private:
  std::mutex mutex_;
  std::shared_ptr<ScriptedChannel> channel_;
};

// Runs one input on a session that stays open while its link lives.
class OperationHarness {
 public:
  static constexpr uint32_t kMaxTargets = 8;

  // The fuzzer's cap on every reply wait: short, as only a silent group
  // waits it out; a test replaying answers on a busy machine passes a longer one.
  static constexpr int kWaitCapMs = 5;

  // packages: images for UpdateFirmware, sections: images for
  // UpdateFirmwareSection (each non-empty).
  OperationHarness(std::vector<std::vector<uint8_t>> packages,
                   std::vector<std::vector<uint8_t>> sections, int waitCapMs = kWaitCapMs);
  ~OperationHarness();

  // Returns the operation's result code.
  int Run(const uint8_t* data, std::size_t size);

  // Fills the record for operation `row` with `knob`: zeroes, callbacks that
  // check what they get, sizes from the knob, an image for the firmware
  // transfers, and for a memory pointer a new zeroed `buffer` of exactly the
  // bytes the operation may move through it (its fixed count, the block
  // count, the raw message size), so one byte more is caught.
  static void FillRecord(CommandParams& params, const OperationRow& row, uint16_t knob,
                         const std::vector<std::vector<uint8_t>>& packages,
                         const std::vector<std::vector<uint8_t>>& sections,
                         std::unique_ptr<uint8_t[]>& buffer);

 private:
  void Fill(int op, uint16_t knob);

  ScriptedBackend backend_;
  CHidDevCommApp session_;
  std::vector<std::vector<uint8_t>> packages_;
  std::vector<std::vector<uint8_t>> sections_;
  std::unique_ptr<uint8_t[]> buffer_;
};

}  // namespace tarvik::fuzzing
