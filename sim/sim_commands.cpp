#include "sim/sim_commands.h"

#include <algorithm>
#include <array>

#include "sim/sim_answers.h"

namespace tarvik::sim {

namespace {

constexpr Layout H = Layout::Header;
constexpr Layout T = Layout::Target;
constexpr Layout P = Layout::Plain;
constexpr Layout I = Layout::Indexed;
constexpr Access RW = Access::ReadWrite;
constexpr Access RO = Access::ReadOnly;
constexpr Access Run = Access::Action;
constexpr Effect None = Effect::None;

// Sorted by command. Header rows have size 1.
constexpr std::array kCommands{
    CommandRow{0x0000, T, 3, RO, None, &AnswerArithmetic},
    CommandRow{0x0001, H, 1, RW},
    CommandRow{0x0002, H, 1, RW},
    CommandRow{0x0003, H, 1, Run, Effect::Restart},
    CommandRow{0x0004, H, 1, Run},
    CommandRow{0x0005, P, 76, RO},  // texts of 40, 4, 16 and 16 bytes
    CommandRow{kCommandDeviceInfo, T, 16, RO},
    CommandRow{0x0007, P, 8, RO},
    CommandRow{0x0008, P, 1, RO},
    CommandRow{0x0009, T, 1, RO},
    CommandRow{0x000A, H, 1, RW},
    CommandRow{0x000B, I, 1, RW},
    CommandRow{0x000C, T, 1, Run},
    CommandRow{0x000D, H, 1, RW},
    CommandRow{0x000E, T, 1, Run},
    CommandRow{0x000F, P, 1, RW},
    CommandRow{0x0010, H, 1, RW},
    CommandRow{0x0011, H, 1, RW},
    CommandRow{0x0012, H, 1, RW},
    CommandRow{0x0013, T, 1, RW},
    CommandRow{0x0014, H, 1, RW},
    CommandRow{0x0015, H, 1, RW},
    CommandRow{0x0016, H, 1, RW},  // data stream switch
    CommandRow{0x0017, T, 2, RW},
    CommandRow{0x0018, P, 4, RW},
    CommandRow{0x0019, P, 0, Run},
    CommandRow{0x001A, H, 1, RW},  // USB speed
    CommandRow{0x001B, T, 181, RW},
    CommandRow{0x001C, P, 20, RW},
    CommandRow{0x001D, P, 2, RW},  // mic mute sync
    CommandRow{0x0100, P, 0, Run},
    CommandRow{0x0101, H, 1, RW},
    CommandRow{0x0102, T, 2, RW},
    CommandRow{0x0103, T, 2, RW},  // channel gain
    CommandRow{0x0104, T, 1, RW},
    CommandRow{0x0105, T, 2, RW},
    CommandRow{0x0106, I, 17, RW},  // filter band
    CommandRow{0x0107, T, 1, RW},
    CommandRow{0x0108, T, 1, RW},  // routing flags
    CommandRow{0x0109, T, 1, RW},
    CommandRow{0x010A, H, 1, RW},
    CommandRow{0x010B, H, 1, RW},
    CommandRow{0x010C, P, 2, RW},
    CommandRow{0x010D, H, 1, RW},
    CommandRow{0x010E, H, 1, RW},
    CommandRow{0x010F, H, 1, RW},
    CommandRow{0x0110, H, 1, RW},
    CommandRow{0x0111, H, 1, RW},
    CommandRow{0x0112, H, 1, RW},
    CommandRow{0x0113, I, 17, RW},
    CommandRow{0x0114, H, 1, RW},
    CommandRow{0x0115, H, 1, RW},
    CommandRow{0x0116, H, 1, RW},  // input mode bits
    CommandRow{0x0117, H, 1, RW},
    CommandRow{0x0118, T, 1, RW},  // signal level
    CommandRow{0x0119, T, 181, RW},
    CommandRow{0x011A, T, 1, RW},
    CommandRow{0x0200, T, 2, RO},
    CommandRow{0x0201, T, 2, RO},
    CommandRow{0x0202, H, 1, RO},
    CommandRow{0x0203, T, 1, RO},
    CommandRow{0x0204, T, 1024, RO},
    CommandRow{0x0205, T, 1024, RO},
    CommandRow{0x0206, T, 2, RO},
    CommandRow{0x0207, P, 5, RO},
    CommandRow{0x0300, P, 4, RO},
    CommandRow{0x0301, P, 180, RO, None, &AnswerKeyedText},
    CommandRow{0x0302, P, 0, Run},
    CommandRow{0x0303, T, 1, RW},
    CommandRow{0x0400, H, 1, Run},
    CommandRow{0x0401, P, 1, RO},
    CommandRow{0x0402, P, 59, RO, None, &AnswerRecordWithTag},
    CommandRow{0x0700, P, 160, RO},
    CommandRow{0x0701, H, 1, Run},
    CommandRow{0x0800, T, 0, RW, None, &AnswerBlock},
    CommandRow{0x0801, I, 1, RW},
    CommandRow{0x0802, T, 0, RW, None, &AnswerBlock},
    CommandRow{0x0803, I, 1, RW},
    CommandRow{0x0804, T, 4, Run},
    CommandRow{0x0805, T, 4, Run},
    CommandRow{0x0807, P, 16, Run},
    CommandRow{0x0808, T, 2, RW},
    CommandRow{0x0809, T, 2, RW},
    CommandRow{0x080A, P, 1, RW},
    CommandRow{0x0A00, P, 0, Run},
    CommandRow{0x0A01, T, 16, RW},
    CommandRow{0x0A02, P, 4, RW},
    CommandRow{0x0A03, I, 2, RW},
    CommandRow{0x0A04, T, 2, RW},
    CommandRow{0x0A05, P, 16, RO},
    CommandRow{0x0B00, P, 2, Run},
    CommandRow{0x0B01, T, 3, Run},
    CommandRow{0x0B02, T, 6, Run},
    CommandRow{0x0B03, I, 2, RW},
    CommandRow{0x0B04, H, 1, Run, None, &AnswerWithResult},
    CommandRow{0x0B05, H, 1, Run, None, &AnswerWithResult},
    CommandRow{0x0B06, H, 1, RW},
    CommandRow{0x0B07, H, 1, RO},
    CommandRow{0x0D00, T, 1, RW},
    CommandRow{0x0E00, T, 1, RW},
    CommandRow{0x0E01, T, 1, RW},
};

constexpr bool WellFormed() {
  for (std::size_t i = 0; i < kCommands.size(); ++i) {
    if (i > 0 && kCommands[i - 1].command >= kCommands[i].command) return false;
    if (kCommands[i].layout == H && kCommands[i].size != 1) return false;
  }
  return true;
}
static_assert(WellFormed());

// A request of a row without a special answer, its kind already allowed.
bool AnswerByLayout(const CommandRow& row, const Message& request, Message& reply,
                    SettingsStore& store) {
  const bool write = request.kind == kKindWrite;
  const bool keep = write && row.access == Access::ReadWrite;
  const int set = request.status;
  const uint16_t cmd = row.command;
  const uint8_t target = request.target;
  const std::vector<uint8_t>& payload = request.payload;
  switch (row.layout) {
    case Layout::Header: {
      if (!payload.empty()) return false;
      if (keep) store.Put(set, cmd, 0, 0, {target});
      if (!write) {
        const std::vector<uint8_t> value = store.Get(set, cmd, 0, 0);
        reply.target = value.empty() ? 0 : value[0];
      }
      return true;
    }
    case Layout::Target:
    case Layout::Plain:
      if (payload.size() != (write ? row.size : 0u)) return false;
      if (keep) store.Put(set, cmd, target, 0, payload);
      if (!write) reply.payload = store.Get(set, cmd, target, 0);
      return true;
    case Layout::Indexed:
      if (payload.size() != (write ? row.size + 1u : 1u)) return false;
      if (keep) store.Put(set, cmd, target, payload[0], {payload.begin() + 1, payload.end()});
      if (!write) {
        reply.payload = store.Get(set, cmd, target, payload[0]);
        reply.payload.insert(reply.payload.begin(), payload[0]);
      }
      return true;
  }
  return false;
}

bool KindAllowed(Access access, uint8_t kind) {
  switch (access) {
    case Access::ReadWrite:
      return kind == kKindWrite || kind == kKindRead;
    case Access::ReadOnly:
      return kind == kKindRead;
    case Access::Action:
      return kind == kKindWrite;
  }
  return false;
}

}  // namespace

const CommandRow* FindCommand(uint16_t command) {
  auto it = std::lower_bound(kCommands.begin(), kCommands.end(), command,
                             [](const CommandRow& row, uint16_t c) { return row.command < c; });
  return it != kCommands.end() && it->command == command ? &*it : nullptr;
}

Outcome Answer(const Message& request, SettingsStore& store, BlockMemory& memory) {
  Outcome out;
  Message& reply = out.reply;
  reply.kind = static_cast<uint8_t>(request.kind + 1);
  reply.command = request.command;
  reply.target = request.target;

  const CommandRow* row = FindCommand(request.command);
  bool ok = row != nullptr && KindAllowed(row->access, request.kind) &&
            (request.status == 0 || request.status == 1);
  if (ok)
    ok = row->special != nullptr ? row->special(request, reply, store, memory)
                                 : AnswerByLayout(*row, request, reply, store);
  if (!ok) {
    reply.status = kStatusRefused;
    reply.target = request.target;
    reply.payload.clear();
    return out;
  }
  if (request.kind == kKindWrite) out.effect = row->effect;
  return out;
}

}  // namespace tarvik::sim
