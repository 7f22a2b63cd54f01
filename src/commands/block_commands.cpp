#include "commands/block_commands.h"

#include <algorithm>
#include <cstring>

#include "commands/operation_codec.h"
#include "commands/operation_fields.h"
#include "link/device_link.h"
#include "link/link_errors.h"
#include "link/report_framing.h"

namespace tarvik::block_commands {

namespace {

constexpr std::size_t kDescriptorSize = 6;  // address u32 and count u16 ahead of the data

struct Block {
  uint8_t target;
  uint32_t address;
  uint16_t count;
  uint8_t* buffer;
};

// The descriptor, or false when it cannot be sent: a count the 16-bit length
// cannot describe, or data to move without a buffer.
bool ReadDescriptor(const CommandParams& params, Block* block) {
  using F = fields::Block;
  *block = {GetField(params, F::target), GetField(params, F::address), GetField(params, F::count),
            GetField(params, F::buffer)};
  return block->count <= kMaxBlockCount && (block->count == 0 || block->buffer != nullptr);
}

void PutDescriptor(uint8_t* payload, const Block& block) {
  PutLe(payload, block.address, 4);
  PutLe(payload + 4, block.count, 2);
}

uint8_t Selector(const CommandParams& params) {
  return static_cast<uint8_t>(params.selector & 0xFF);
}

}  // namespace

int WriteBlock(DeviceLink& link, const OperationRow& row, CommandParams* params) {
  Block block;
  if (!params || !ReadDescriptor(*params, &block)) return LINK_ERR_NULL_PARAM;
  uint8_t* request = link.RequestBuffer();
  const std::size_t length = kDescriptorSize + block.count;
  EncodeHeader(request, row.kind, row.command, block.target, Selector(*params),
               static_cast<uint16_t>(length));
  PutDescriptor(request + kHeaderSize, block);
  if (block.count) std::memcpy(request + kHeaderSize + kDescriptorSize, block.buffer, block.count);
  const int result = link.Send(request, kHeaderSize + length, static_cast<int>(row.timeoutMs));
  if (result != LINK_OK) return result;
  return ReplyMatches(link.ReplyBuffer(), row.kind, row.command, 0) ? LINK_OK : LINK_ERR_BAD_REPLY;
}

int ReadBlock(DeviceLink& link, const OperationRow& row, CommandParams* params) {
  Block block;
  if (!params || !ReadDescriptor(*params, &block)) return LINK_ERR_NULL_PARAM;
  uint8_t* request = link.RequestBuffer();
  EncodeHeader(request, row.kind, row.command, block.target, Selector(*params), kDescriptorSize);
  PutDescriptor(request + kHeaderSize, block);
  const int result =
      link.Send(request, kHeaderSize + kDescriptorSize, static_cast<int>(row.timeoutMs));
  if (result != LINK_OK) return result;
  const uint8_t* reply = link.ReplyBuffer();
  if (!ReplyMatches(reply, row.kind, row.command, kDescriptorSize + block.count))
    return LINK_ERR_BAD_REPLY;
  if (block.count) std::memcpy(block.buffer, reply + kHeaderSize + kDescriptorSize, block.count);
  return LINK_OK;
}

int Reserved(DeviceLink&, const OperationRow&, CommandParams*) { return LINK_ERR_UNKNOWN_COMMAND; }

int SendRawMessage(DeviceLink& link, const OperationRow& row, CommandParams* params) {
  if (!params) return LINK_ERR_NULL_PARAM;
  uint8_t* message = GetField(*params, fields::RawMessage::message);
  const uint32_t size = GetField(*params, fields::RawMessage::size);
  // The message must hold its whole header and the payload its length names;
  // anything less would send bytes an earlier request left in the buffer.
  if (!message || size > kMaxMessageSize || size < kHeaderSize) return LINK_ERR_NULL_PARAM;
  const std::size_t length = kHeaderSize + DecodeHeader(message).length;
  if (size < length) return LINK_ERR_NULL_PARAM;

  uint8_t* request = link.RequestBuffer();
  std::memcpy(request, message, size);
  const int result = link.Send(request, length, static_cast<int>(row.timeoutMs));
  if (result != LINK_OK) return result;
  const uint8_t* reply = link.ReplyBuffer();
  // A completion notice in the reply's place has only its own bytes, whatever
  // its length field says; past them lie an older message's.
  const std::size_t replySize =
      std::min<std::size_t>(kHeaderSize + DecodeHeader(reply).length, link.ReplySize());
  std::memcpy(message, reply, std::min<std::size_t>(size, replySize));
  return LINK_OK;
}

}  // namespace tarvik::block_commands
