#include "commands/operation_codec.h"

#include <cstring>

#include "link/device_link.h"
#include "link/link_errors.h"
#include "link/report_framing.h"

namespace tarvik {

namespace {

std::size_t OffsetOf(const OperationRow& row, int field) {
  return FieldOffset(row.fields, static_cast<std::size_t>(field));
}

}  // namespace

int RunOperation(DeviceLink& link, const OperationRow& row, CommandParams* params) {
  if (row.handler) return row.handler(link, row, params);
  if (!params) return LINK_ERR_NULL_PARAM;

  uint8_t* request = link.RequestBuffer();
  std::size_t length = 0;
  for (std::size_t i = 0; i < row.requestCount; ++i) {
    const WireItem& item = row.request[i];
    const std::size_t size = rows::WireBytes(row, item);
    if (item.field >= 0)
      std::memcpy(request + kHeaderSize + length, params->data + OffsetOf(row, item.field), size);
    else
      std::memset(request + kHeaderSize + length, 0, size);
    length += size;
  }
  const uint8_t target = row.targetField >= 0 ? params->data[OffsetOf(row, row.targetField)] : 0;
  const uint8_t selector =
      row.selector == SelectorRule::Zero ? 0 : static_cast<uint8_t>(params->selector & 0xFF);
  EncodeHeader(request, row.kind, row.command, target, selector, static_cast<uint16_t>(length));

  const int result = link.Send(request, kHeaderSize + length, static_cast<int>(row.timeoutMs));
  if (result != LINK_OK) return result;

  const uint8_t* reply = link.ReplyBuffer();
  const MessageHeader header = DecodeHeader(reply);
  if (header.length != row.replyLength || header.kind != row.kind + 1 ||
      header.command != row.command)
    return LINK_ERR_BAD_REPLY;

  if (row.replyTargetField >= 0) params->data[OffsetOf(row, row.replyTargetField)] = header.target;
  std::size_t position = kHeaderSize;
  for (std::size_t i = 0; i < row.replyCount; ++i) {
    const WireItem& item = row.reply[i];
    const std::size_t size = rows::WireBytes(row, item);
    if (item.field >= 0) {
      uint8_t* dst = params->data + OffsetOf(row, item.field);
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
