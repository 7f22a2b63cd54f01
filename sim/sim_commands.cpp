#include "sim/sim_commands.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>

namespace tarvik::sim {

namespace {

constexpr uint8_t kKindWrite = 0;
constexpr uint8_t kKindRead = 2;
constexpr uint8_t kStatusRefused = 0x01;
constexpr std::size_t kTextSize = 16;
constexpr std::string_view kFirmwareVersion = "2.10";
constexpr std::string_view kItemText = "TARVIK STAND-IN";

constexpr std::array<CommandRow, 10> kCommands{{
    {0x0003, Layout::Header, 1, Access::WriteOnly, Effect::Restart},  // restart
    {kCommandDeviceInfo, Layout::Text, kTextSize, Access::ReadOnly, Effect::None},
    {0x001A, Layout::Header, 1, Access::ReadWrite, Effect::None},    // USB speed
    {0x001D, Layout::Plain, 2, Access::ReadWrite, Effect::None},     // mic mute sync
    {0x0103, Layout::Target, 2, Access::ReadWrite, Effect::None},    // channel gain
    {0x0106, Layout::Indexed, 17, Access::ReadWrite, Effect::None},  // filter band
    {0x0108, Layout::Target, 1, Access::ReadWrite, Effect::None},    // routing flags
    {0x0109, Layout::Target, 1, Access::ReadWrite, Effect::None},
    {0x0116, Layout::Header, 1, Access::ReadWrite, Effect::None},    // input mode bits
    {0x0118, Layout::Target, 1, Access::ReadWrite, Effect::None},    // signal level
}};

std::vector<uint8_t> Text(std::string_view text) {
  std::vector<uint8_t> bytes(kTextSize, 0);
  std::copy_n(text.begin(), std::min(text.size(), kTextSize), bytes.begin());
  return bytes;
}

// Filter type followed by four float32 values, little-endian.
std::vector<uint8_t> Filter(uint8_t type, std::array<float, 4> values) {
  std::vector<uint8_t> bytes{type};
  for (float v : values) {
    const auto bits = std::bit_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<uint8_t>(bits >> shift));
  }
  return bytes;
}

struct DefaultValue {
  int set;
  uint16_t command;
  uint8_t target;
  uint8_t index;
  std::vector<uint8_t> value;
};

std::vector<DefaultValue> Defaults() {
  std::vector<DefaultValue> d{
      {0, kCommandDeviceInfo, kItemFirmwareVersion, 0, Text(kFirmwareVersion)},
      {1, 0x0103, 0x71, 0, {0x00, 0x06}},  // +6 dB in 1/256 dB
      {1, 0x0103, 0x72, 0, {0x00, 0x06}},
      {1, 0x0108, 0x00, 0, {0x11}},
      {1, 0x0109, 0x91, 0, {1}},
      {1, 0x0109, 0x92, 0, {2}},
      {1, 0x0109, 0x93, 0, {3}},
      {0, 0x0118, 0x71, 0, {1}},
      {0, 0x0118, 0x72, 0, {1}},
  };
  for (uint8_t target : {uint8_t{0x71}, uint8_t{0x72}}) {
    d.push_back({0, 0x0106, target, 0, Filter(0, {100.0f, 100.0f, 0.0f, 0.707f})});
    d.push_back({1, 0x0106, target, 0, Filter(6, {315.0f, 315.0f, 0.0f, 0.707f})});
    for (uint8_t band = 1; band < 4; ++band) {
      d.push_back({0, 0x0106, target, band, Filter(0, {1000.0f, 1000.0f, 0.0f, 0.707f})});
      d.push_back({1, 0x0106, target, band, Filter(2, {2000.0f, 2000.0f, 3.0f, 0.707f})});
    }
  }
  return d;
}

}  // namespace

const CommandRow* FindCommand(uint16_t command) {
  for (const CommandRow& row : kCommands)
    if (row.command == command) return &row;
  return nullptr;
}

SettingsStore::SettingsStore() {
  for (DefaultValue& d : Defaults()) Put(d.set, d.command, d.target, d.index, std::move(d.value));
}

SettingsStore::Key SettingsStore::Fold(int set, uint16_t command, uint8_t target, uint8_t index) {
  const CommandRow* row = FindCommand(command);
  if (row == nullptr) return {set, command, target, index};
  if (row->layout == Layout::Text) set = 0;
  if (row->layout == Layout::Header || row->layout == Layout::Plain) target = 0;
  if (row->layout != Layout::Indexed) index = 0;
  return {set, command, target, index};
}

std::vector<uint8_t> SettingsStore::Get(int set, uint16_t command, uint8_t target,
                                        uint8_t index) const {
  auto it = values_.find(Fold(set, command, target, index));
  if (it != values_.end()) return it->second;
  const CommandRow* row = FindCommand(command);
  if (row == nullptr) return {};
  if (row->layout == Layout::Text) return Text(kItemText);
  return std::vector<uint8_t>(row->size, 0);
}

void SettingsStore::Put(int set, uint16_t command, uint8_t target, uint8_t index,
                        std::vector<uint8_t> value) {
  if (const CommandRow* row = FindCommand(command)) value.resize(row->size, 0);
  values_[Fold(set, command, target, index)] = std::move(value);
}

Outcome Answer(const Message& request, SettingsStore& store) {
  Outcome out;
  Message& reply = out.reply;
  reply.kind = static_cast<uint8_t>(request.kind + 1);
  reply.command = request.command;
  reply.target = request.target;

  const CommandRow* row = FindCommand(request.command);
  const bool write = request.kind == kKindWrite;
  const bool read = request.kind == kKindRead;
  const int set = request.status;
  const std::size_t length = request.payload.size();
  bool ok = row != nullptr && (write || read) && (set == 0 || set == 1);
  if (ok) ok = write ? row->access != Access::ReadOnly : row->access != Access::WriteOnly;
  if (ok) {
    const uint16_t cmd = request.command;
    const uint8_t target = request.target;
    switch (row->layout) {
      case Layout::Header:
        ok = length == 0;
        if (ok && write) store.Put(set, cmd, 0, 0, {target});
        if (ok && read) reply.target = store.Get(set, cmd, 0, 0)[0];
        break;
      case Layout::Target:
      case Layout::Plain:
      case Layout::Text:
        ok = length == (write ? row->size : 0u);
        if (ok && write) store.Put(set, cmd, target, 0, request.payload);
        if (ok && read) reply.payload = store.Get(set, cmd, target, 0);
        break;
      case Layout::Indexed:
        ok = length == (write ? row->size + 1u : 1u);
        if (ok && write)
          store.Put(set, cmd, target, request.payload[0],
                    {request.payload.begin() + 1, request.payload.end()});
        if (ok && read) {
          reply.payload = store.Get(set, cmd, target, request.payload[0]);
          reply.payload.insert(reply.payload.begin(), request.payload[0]);
        }
        break;
    }
  }
  if (!ok) {
    reply.status = kStatusRefused;
    reply.payload.clear();
    return out;
  }
  if (write) out.effect = row->effect;
  return out;
}

}  // namespace tarvik::sim
