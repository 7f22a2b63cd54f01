#include "stand_in_state.h"

#include <nlohmann/json.hpp>

#include "json_reading.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

constexpr int kMaxDepth = 8;  // the file's depth is 4

void CheckOnlyFields(const nlohmann::json& object, const std::string& where,
                     std::initializer_list<const char*> known) {
  if (const std::optional<std::string> key = FirstUnknownField(object, known))
    throw Refused{where + ": unknown field '" + Printable(key->substr(0, 40)) + "'"};
}

const nlohmann::json& Field(const nlohmann::json& object, const std::string& where,
                            const char* name) {
  const auto found = object.find(name);
  if (found == object.end()) throw Refused{where + "." + name + " is missing"};
  return *found;
}

// A whole number as a JSON number or as a text ("0x71"), within [0, high].
long long Number(const nlohmann::json& object, const std::string& where, const char* name,
                 long long high) {
  const nlohmann::json& value = Field(object, where, name);
  std::optional<long long> number;
  if (value.is_number_unsigned() && value.get<uint64_t>() <= static_cast<uint64_t>(high))
    number = static_cast<long long>(value.get<uint64_t>());
  else if (value.is_string())
    number = ParseInteger(value.get_ref<const std::string&>(), 0, high);
  if (!number)
    throw Refused{where + "." + name + " must be a number from 0 to " + std::to_string(high)};
  return *number;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<uint8_t> Bytes(const nlohmann::json& object, const std::string& where) {
  const nlohmann::json& value = Field(object, where, "value");
  if (!value.is_string()) throw Refused{where + ".value must be a text of hex digits"};
  const std::string& hex = value.get_ref<const std::string&>();
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) break;
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  if (bytes.size() * 2 != hex.size()) throw Refused{where + ".value must be a text of hex digits"};
  return bytes;
}

sim::StoredValue ReadValue(const nlohmann::json& entry, const std::string& where) {
  if (!entry.is_object()) throw Refused{where + " must be an object"};
  CheckOnlyFields(entry, where, {"set", "command", "target", "index", "value"});
  sim::StoredValue value;
  value.set = static_cast<int>(Number(entry, where, "set", 1));
  value.command = static_cast<uint16_t>(Number(entry, where, "command", 0xFFFF));
  value.target = static_cast<uint8_t>(Number(entry, where, "target", 0xFF));
  value.index = static_cast<uint8_t>(Number(entry, where, "index", 0xFF));
  value.value = Bytes(entry, where);
  if (!sim::SettingsStore::IsSetting(value))
    throw Refused{where + ": no writable setting of the stand-in has command " +
                  HexNumber(value.command, 4) + " with " + std::to_string(value.value.size()) +
                  " bytes"};
  return value;
}

std::vector<sim::StoredValue> ReadStandIn(const nlohmann::json& standIn, const std::string& where) {
  if (!standIn.is_object()) throw Refused{where + " must be an object"};
  CheckOnlyFields(standIn, where, {"settings"});
  const nlohmann::json& settings = Field(standIn, where, "settings");
  if (!settings.is_array()) throw Refused{where + ".settings must be a list"};
  if (settings.size() > kMaxStoredValues)
    throw Refused{where + ".settings holds more than " + std::to_string(kMaxStoredValues) +
                  " values"};
  std::vector<sim::StoredValue> values;
  for (std::size_t i = 0; i < settings.size(); ++i)
    values.push_back(ReadValue(settings[i], where + ".settings[" + std::to_string(i) + "]"));
  return values;
}

}  // namespace

std::string StateText(const StandInState& state) {
  nlohmann::ordered_json standIns = nlohmann::ordered_json::array();
  for (const std::vector<sim::StoredValue>& values : state) {
    nlohmann::ordered_json settings = nlohmann::ordered_json::array();
    for (const sim::StoredValue& v : values) {
      std::string hex;
      for (uint8_t byte : v.value) hex += HexNumber(byte, 2).substr(2);
      settings.push_back({{"set", v.set},
                          {"command", HexNumber(v.command, 4)},
                          {"target", HexNumber(v.target, 2)},
                          {"index", v.index},
                          {"value", hex}});
    }
    standIns.push_back({{"settings", std::move(settings)}});
  }
  nlohmann::ordered_json root;
  root["schemaVersion"] = kStateSchemaVersion;
  root["standIns"] = std::move(standIns);
  return root.dump(1, ' ') + '\n';
}

bool ParseState(std::string_view text, StandInState* state, std::string* error) {
  StandInState read;
  const bool ok = ReadOrRefuse(
      [&] {
        const auto limitDepth = [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
          if (depth > kMaxDepth) throw Refused{"the file is nested too deeply"};
          return true;
        };
        const nlohmann::json root = nlohmann::json::parse(text.begin(), text.end(), limitDepth);
        if (!root.is_object()) throw Refused{"the file is not a JSON object"};
        const auto version = root.find("schemaVersion");
        if (version == root.end() || !version->is_number_unsigned() ||
            version->get<uint64_t>() != kStateSchemaVersion)
          throw Refused{"schemaVersion must be " + std::to_string(kStateSchemaVersion)};
        CheckOnlyFields(root, "the file", {"schemaVersion", "standIns"});
        const nlohmann::json& standIns = Field(root, "the file", "standIns");
        if (!standIns.is_array()) throw Refused{"standIns must be a list"};
        if (standIns.size() > static_cast<std::size_t>(kMaxStandIns))
          throw Refused{"standIns holds more than " + std::to_string(kMaxStandIns) + " stand-ins"};
        for (std::size_t i = 0; i < standIns.size(); ++i)
          read.push_back(ReadStandIn(standIns[i], "standIns[" + std::to_string(i) + "]"));
      },
      "file", error);
  if (ok) *state = std::move(read);
  return ok;
}

}  // namespace tarvik::ctl
