// Command groups 0x02, 0x03, 0x04 and 0x07: status and information.
#pragma once

#include "commands/field_shapes.h"

namespace tarvik::status_commands {

using namespace rows;
using namespace shapes;

inline constexpr OperationRow kRows[] = {
    GetT(102, "GetCmd0200", 0x0200, kTargetValueU16),
    GetT(103, "GetCmd0201", 0x0201, kTargetValueU16),
    GetH(104, "GetCmd0202", 0x0202, kValueU8),
    GetT(105, "GetCmd0203", 0x0203, kTargetValueU8),
    Own(106, "GetCmd0204", 0x0204, kRead, kTargetBuffer1024, 0, {}, -1, {1}),
    Own(107, "GetCmd0205", 0x0205, kRead, kTargetBuffer1024, 0, {}, -1, {1}),
    GetT(108, "GetCmd0206", 0x0206, kTargetValueU16),
    SelectorZero(Own(109, "GetCmd0207", 0x0207, kRead, kCmd0207, -1, {}, -1, {0, 1})),
    Own(110, "GetCmd0300", 0x0300, kRead, kFirstSecondU16, -1, {}, -1, {0, 1}),
    // The first four reply bytes are not kept.
    Own(111, "GetCmd0301", 0x0301, kRead, kCmd0301, -1, {0}, -1, {-4, 1}),
    SetT(112, "SetCmd0303", 0x0303, kTargetValueU8),
    GetT(113, "GetCmd0303", 0x0303, kTargetValueU8),
    WithTimeout(Own(114, "RunCmd0302", 0x0302, kWrite, kNone, -1, {}, -1, {}), 60000),
    Own(115, "RunCmd0400", 0x0400, kWrite, kValueU8, 0, {}, -1, {}),
    GetP(116, "GetCmd0401", 0x0401, kValueU8),
    // One value from the reply header, one from the payload, then 58 bytes.
    Own(117, "GetCmd0402", 0x0402, kRead, kCmd0402, -1, {}, 0, {1, 2}),
    // A 160-byte record of which the last 46 bytes are not kept.
    Own(118, "GetCmd0700", 0x0700, kRead, kCmd0700, -1, {}, -1, {0, 1, 2, 3, 4, 5, 6, -46}),
    WithTimeout(Own(119, "RunCmd0701", 0x0701, kWrite, kValueU8, 0, {}, -1, {}), 60000),
};

}  // namespace tarvik::status_commands
