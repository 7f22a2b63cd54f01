// Command groups 0x08, 0x0A, 0x0B, 0x0D and 0x0E: block transfers and
// extended commands; the placeholder and the raw pass-through.
#pragma once

#include "commands/field_shapes.h"

namespace tarvik::block_commands {

using namespace rows;
using namespace shapes;

// The largest block whose `count` + 6 payload bytes fit the 16-bit length.
inline constexpr uint16_t kMaxBlockCount = 65529;

int WriteBlock(DeviceLink& link, const OperationRow& row, CommandParams* params);
int ReadBlock(DeviceLink& link, const OperationRow& row, CommandParams* params);
int Reserved(DeviceLink& link, const OperationRow& row, CommandParams* params);
int SendRawMessage(DeviceLink& link, const OperationRow& row, CommandParams* params);

constexpr OperationRow BlockWrite(int id, const char* name, uint16_t command) {
  return WithHandler(
      WithTimeout(Own(id, name, command, kWrite, kBlock, 0, {1, 2, 3}, -1, {}), 120000),
      WriteBlock);
}
constexpr OperationRow BlockRead(int id, const char* name, uint16_t command) {
  return WithHandler(WithTimeout(Own(id, name, command, kRead, kBlock, 0, {1, 2}, -1, {3}), 30000),
                     ReadBlock);
}

inline constexpr OperationRow kRows[] = {
    BlockWrite(120, "SetCmd0800", 0x0800),
    BlockRead(121, "GetCmd0800", 0x0800),
    SetTI(122, "SetCmd0801", 0x0801, kTargetIndexValueU8),
    GetTI(123, "GetCmd0801", 0x0801, kTargetIndexValueU8, false),
    BlockWrite(124, "SetCmd0802", 0x0802),
    BlockRead(125, "GetCmd0802", 0x0802),
    SetTI(126, "SetCmd0803", 0x0803, kTargetIndexValueU8),
    GetTI(127, "GetCmd0803", 0x0803, kTargetIndexValueU8, false),
    Own(128, "RunCmd0804", 0x0804, kWrite, kTargetAddress, 0, {1}, -1, {}),
    Own(129, "RunCmd0805", 0x0805, kWrite, kCmd0805, 0, {1, 2, 3}, -1, {}),
    WithHandler(Own(130, "Reserved130", 0, kWrite, kNone, -1, {}, -1, {}), Reserved),
    Own(131, "RunCmd0807", 0x0807, kWrite, kData16, -1, {0}, -1, {}),
    SetT(132, "SetCmd0808", 0x0808, kTargetValueU16),
    GetT(133, "GetCmd0808", 0x0808, kTargetValueU16),
    SetT(134, "SetCmd0809", 0x0809, kTargetValueU16),
    GetT(135, "GetCmd0809", 0x0809, kTargetValueU16),
    SetP(136, "SetCmd080A", 0x080A, kValueU8),
    GetP(137, "GetCmd080A", 0x080A, kValueU8),
    Own(139, "RunCmd0A00", 0x0A00, kWrite, kNone, -1, {}, -1, {}),
    SetT(140, "SetCmd0A01", 0x0A01, kTargetText16),
    GetT(141, "GetCmd0A01", 0x0A01, kTargetText16),
    SetP(142, "SetCmd0A02", 0x0A02, kValueU32),
    GetP(143, "GetCmd0A02", 0x0A02, kValueU32),
    SetTI(144, "SetCmd0A03", 0x0A03, kTargetIndexValueU16),
    GetTI(145, "GetCmd0A03", 0x0A03, kTargetIndexValueU16, false),
    SetT(146, "SetCmd0A04", 0x0A04, kTargetValueU16),
    GetT(147, "GetCmd0A04", 0x0A04, kTargetValueU16),
    // `spare` lies between the fields but is not on the wire.
    Own(148, "GetCmd0A05", 0x0A05, kRead, kCmd0A05, -1, {}, -1, {0, 1, 3, 4}),
    Own(149, "RunCmd0B00", 0x0B00, kWrite, kValueValue2, -1, {0, 1}, -1, {}),
    Own(150, "RunCmd0B01", 0x0B01, kWrite, kCmd0B01, 0, {1, 2}, -1, {}),
    Own(151, "RunCmd0B02", 0x0B02, kWrite, kCmd0B02, 0, {1, 2, 3}, -1, {}),
    SetTI(152, "SetCmd0B03", 0x0B03, kTargetIndexValueU16),
    GetTI(153, "GetCmd0B03", 0x0B03, kTargetIndexValueU16, false),
    // Actions whose acknowledgement carries one result byte.
    WithTimeout(Own(154, "RunCmd0B04", 0x0B04, kWrite, kValueResult, 0, {}, -1, {1}), 20000),
    WithTimeout(Own(155, "RunCmd0B05", 0x0B05, kWrite, kValueResult, 0, {}, -1, {1}), 20000),
    // The read returns the setting in `result` and leaves `value` alone.
    SetH(156, "SetCmd0B06", 0x0B06, kValueResult),
    WithLayout(Own(157, "GetCmd0B06", 0x0B06, kRead, kValueResult, -1, {}, 1, {}), Layout::H),
    GetH(158, "GetCmd0B07", 0x0B07, kValueU8),
    SetT(159, "SetCmd0D00", 0x0D00, kTargetValueU8),
    GetT(160, "GetCmd0D00", 0x0D00, kTargetValueU8),
    SetT(162, "SetCmd0E00", 0x0E00, kTargetValueU8),
    GetT(163, "GetCmd0E00", 0x0E00, kTargetValueU8),
    SetT(164, "SetCmd0E01", 0x0E01, kTargetValueU8),
    GetT(165, "GetCmd0E01", 0x0E01, kTargetValueU8),
    WithHandler(
        WithTimeout(Own(166, "SendRawMessage", 0, kWrite, kRawMessage, -1, {0, 1}, -1, {0}), 60000),
        SendRawMessage),
};

}  // namespace tarvik::block_commands
