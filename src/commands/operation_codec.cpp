#include "commands/operation_codec.h"

#include <cstring>

#include "link/device_link.h"
#include "link/link_errors.h"
#include "link/report_framing.h"

namespace tarvik {

namespace {

bool IsPointer(const OperationRow& row, int field) {
  return field >= 0 && row.fields[static_cast<std::size_t>(field)].type == FieldType::Pointer;
}

// Where a field's wire bytes live: in the record, or in caller memory.
uint8_t* FieldBytes(CommandParams& params, const OperationRow& row, int field) {
  if (IsPointer(row, field)) return PointerField(params, row, static_cast<std::size_t>(field));
  return params.data + FieldOffset(row.fields, static_cast<std::size_t>(field));
}

// Every pointer the operation reads or writes through must be set.
bool PointersSet(const CommandParams& params, const OperationRow& row) {
  for (std::size_t i = 0; i < row.requestCount; ++i)
    if (IsPointer(row, row.request[i].field) && !PointerField(params, row, row.request[i].field))
      return false;
  for (std::size_t i = 0; i < row.replyCount; ++i)
    if (IsPointer(row, row.reply[i].field) && !PointerField(params, row, row.reply[i].field))
      return false;
  return true;
}

}  // namespace

bool ReplyMatches(const uint8_t* reply, uint8_t requestKind, uint16_t command, std::size_t length) {
  const MessageHeader header = DecodeHeader(reply);
  return header.length == length && header.kind == requestKind + 1 && header.command == command;
}

int RunOperation(DeviceLink& link, const OperationRow& row, CommandParams* params) {
  return row.handler ? row.handler(link, row, params) : RunTemplate(link, row, params);
}

int RunTemplate(DeviceLink& link, const OperationRow& row, CommandParams* params) {
  if (!params || !PointersSet(*params, row)) return LINK_ERR_NULL_PARAM;

  uint8_t* request = link.RequestBuffer();
  std::size_t length = 0;
  for (std::size_t i = 0; i < row.requestCount; ++i) {
    const WireItem& item = row.request[i];
    const std::size_t size = rows::WireBytes(row, item);
    if (item.field >= 0)
      std::memcpy(request + kHeaderSize + length, FieldBytes(*params, row, item.field), size);
    else
      std::memset(request + kHeaderSize + length, 0, size);
    length += size;
  }
  const uint8_t target = row.targetField >= 0 ? *FieldBytes(*params, row, row.targetField) : 0;
  const uint8_t selector =
      row.selector == SelectorRule::Zero ? 0 : static_cast<uint8_t>(params->selector & 0xFF);
  EncodeHeader(request, row.kind, row.command, target, selector, static_cast<uint16_t>(length));

  const int result = link.Send(request, kHeaderSize + length, static_cast<int>(row.timeoutMs));
  if (result != LINK_OK) return result;

  const uint8_t* reply = link.ReplyBuffer();
  if (!ReplyMatches(reply, row.kind, row.command, row.replyLength)) return LINK_ERR_BAD_REPLY;

  if (row.replyTargetField >= 0) *FieldBytes(*params, row, row.replyTargetField) = reply[3];
  std::size_t position = kHeaderSize;
  for (std::size_t i = 0; i < row.replyCount; ++i) {
    const WireItem& item = row.reply[i];
    const std::size_t size = rows::WireBytes(row, item);
    if (item.field >= 0) {
      uint8_t* dst = FieldBytes(*params, row, item.field);
      std::memcpy(dst, reply + position, size);
      if (row.fields[static_cast<std::size_t>(item.field)].type == FieldType::Text) dst[size] = 0;
    }
    position += size;
  }
  return LINK_OK;
}

FieldDirection DirectionOf(const OperationRow& row, std::size_t field) {
  bool in = row.targetField == static_cast<int>(field);
  bool out = row.replyTargetField == static_cast<int>(field);
  for (std::size_t i = 0; i < row.requestCount; ++i)
    in = in || row.request[i].field == static_cast<int>(field);
  for (std::size_t i = 0; i < row.replyCount; ++i)
    out = out || row.reply[i].field == static_cast<int>(field);
  if (in && out) return FieldDirection::InOut;
  if (in) return FieldDirection::In;
  if (out) return FieldDirection::Out;
  return FieldDirection::Untouched;
}

}  // namespace tarvik
