// The stand-in's firmware receiver: package and section transfers sent in
// CRC-checked blocks, then programmed or finished.
#pragma once

#include <cstdint>
#include <span>

#include "sim/sim_device.h"
#include "sim/sim_protocol.h"

namespace tarvik::sim {

// CRC-16 with polynomial 0x1021, start 0xFFFF, no reflection, result
// inverted. Kept apart from the program's so that each checks the other.
uint16_t FirmwareCrc(std::span<const uint8_t> bytes);

// What the device does after acknowledging a firmware request.
enum class FirmwareStep { None, Block, Program };

struct FirmwareAnswer {
  Message reply;
  FirmwareStep step = FirmwareStep::None;
};

class FirmwareReceiver {
 public:
  static bool Handles(uint16_t command);
  // lastBlockResult, when not 0, replaces the result of the block that
  // completes the transfer.
  FirmwareAnswer Answer(const Message& request, uint8_t lastBlockResult);
  const FirmwareRecord& Record() const { return record_; }

 private:
  enum class Transfer { None, Package, Section };

  bool Start(Transfer transfer, std::span<const uint8_t> payload);
  uint8_t Block(Transfer transfer, std::span<const uint8_t> payload, uint8_t lastBlockResult);

  Transfer transfer_ = Transfer::None;
  uint32_t total_ = 0;
  uint16_t crc_ = 0;
  bool hasLastBlock_ = false;
  uint32_t lastOffset_ = 0;
  FirmwareRecord record_;
};

}  // namespace tarvik::sim
