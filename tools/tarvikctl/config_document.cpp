#include "config_document.h"

#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "json_reading.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

// The document's depth is 2; a deeper one is refused before it is built.
constexpr int kMaxDepth = 8;
constexpr std::size_t kMaxQuoted = 40;

// A text from the file, short and safe to print.
std::string Quoted(std::string_view text) {
  const bool cut = text.size() > kMaxQuoted;
  return "'" + Printable(text.substr(0, kMaxQuoted)) + (cut ? "...'" : "'");
}

// "settings.gain-l": where a key is, printable.
std::string FieldPath(const std::string& parent, std::string_view key) {
  return (parent.empty() ? "" : parent + ".") + Printable(key.substr(0, kMaxQuoted));
}

// Parses as nlohmann does but refuses a key given twice in one object
// (nlohmann keeps the last) and deep nesting.
nlohmann::json ParseStrict(std::string_view text) {
  struct Level {
    std::string name;
    std::set<std::string> keys;
    std::string lastKey;
  };
  std::vector<Level> levels;
  const auto check = [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
    using Event = nlohmann::json::parse_event_t;
    if (depth > kMaxDepth) throw Refused{"the document is nested too deeply"};
    if (event == Event::object_start) {
      levels.push_back(
          {levels.empty() ? "" : FieldPath(levels.back().name, levels.back().lastKey), {}, {}});
    } else if (event == Event::object_end && !levels.empty()) {
      levels.pop_back();
    } else if (event == Event::key && !levels.empty() && parsed.is_string()) {
      Level& level = levels.back();
      const std::string& key = parsed.get_ref<const std::string&>();
      if (!level.keys.insert(key).second)
        throw Refused{"'" + FieldPath(level.name, key) + "' is given more than once"};
      level.lastKey = key;
    }
    return true;
  };
  return nlohmann::json::parse(text.begin(), text.end(), check);
}

void CheckOnlyFields(const nlohmann::json& object, const std::string& parent,
                     std::initializer_list<const char*> known) {
  if (const std::optional<std::string> key = FirstUnknownField(object, known))
    throw Refused{"unknown field '" + FieldPath(parent, *key) + "'"};
}

void CheckSchemaVersion(const nlohmann::json& root) {
  const auto version = root.find("schemaVersion");
  if (version == root.end()) throw Refused{"schemaVersion is missing"};
  if (!version->is_number_integer()) throw Refused{"schemaVersion must be a whole number"};
  if (version->is_number_unsigned() && version->get<uint64_t>() > kConfigSchemaVersion)
    throw Refused{"schemaVersion " + version->dump() + " is newer than this tarvikctl reads (" +
                  std::to_string(kConfigSchemaVersion) + "); use a newer tarvikctl"};
  if (!version->is_number_unsigned() || version->get<uint64_t>() < 1)
    throw Refused{"schemaVersion " + version->dump() + " is not a version of this file"};
}

void ReadDevice(const nlohmann::json& root, ConfigDocument* document) {
  const auto device = root.find("device");
  if (device == root.end()) return;
  if (!device->is_object()) throw Refused{"device must be an object"};
  CheckOnlyFields(*device, "device", {"productId", "firmware"});
  if (const auto id = device->find("productId"); id != device->end()) {
    const std::optional<long long> number =
        id->is_string() ? ParseInteger(id->get_ref<const std::string&>(), 0, 0xFFFF) : std::nullopt;
    if (!number) throw Refused{"device.productId must be a text such as \"0x4021\""};
    document->productId = static_cast<int>(*number);
  }
  if (const auto firmware = device->find("firmware"); firmware != device->end()) {
    if (!firmware->is_string() || firmware->get_ref<const std::string&>().size() > 16)
      throw Refused{"device.firmware must be a text such as \"2.10\""};
    document->firmware = firmware->get<std::string>();
  }
}

void ReadSettings(const nlohmann::json& root, ConfigDocument* document) {
  const auto settings = root.find("settings");
  if (settings == root.end()) throw Refused{"settings is missing"};
  if (!settings->is_object()) throw Refused{"settings must be an object"};
  std::map<std::string, int> indices;
  for (const auto& [name, value] : settings->items()) {
    const std::optional<NamedSetting> named = FindSetting(name);
    if (!named) throw Refused{"settings: no setting named " + Quoted(name)};
    if (!value.is_string()) throw Refused{"settings." + name + " must be a text"};
    const std::string& text = value.get_ref<const std::string&>();
    const std::optional<int> index = ValueIndex(*named->setting, text);
    if (!index)
      throw Refused{"settings." + name + ": " + Quoted(text) + " is not a value of " + name};
    indices[name] = *index;
  }
  for (const NamedSetting& named : AllSettings()) {
    const auto found = indices.find(SettingName(*named.setting, named.channel));
    if (found != indices.end()) document->entries.push_back({named, found->second});
  }
}

}  // namespace

ConfigDocument DocumentOf(int productId, const char* firmware, const SettingsSnapshot& snapshot,
                          std::vector<std::string>* unmatched) {
  ConfigDocument document;
  document.productId = productId;
  document.firmware = firmware;
  for (const NamedSetting& named : AllSettings()) {
    const Setting& setting = *named.setting;
    if (setting.gate != nullptr && !(snapshot.features.*setting.gate)) continue;
    const int index = setting.index(snapshot, named.channel);
    if (index >= 0)
      document.entries.push_back({named, index});
    else
      unmatched->push_back(SettingName(setting, named.channel));
  }
  return document;
}

std::string DocumentText(const ConfigDocument& document) {
  nlohmann::ordered_json j;
  j["schemaVersion"] = kConfigSchemaVersion;
  if (document.productId)
    j["device"]["productId"] = HexNumber(static_cast<unsigned>(*document.productId), 4);
  j["device"]["firmware"] = document.firmware;
  j["settings"] = nlohmann::ordered_json::object();
  for (const ConfigEntry& entry : document.entries)
    j["settings"][SettingName(*entry.named.setting, entry.named.channel)] =
        ValueWord(*entry.named.setting, entry.index);
  // The firmware text is the device's: bytes that are not UTF-8 become U+FFFD.
  return j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
}

bool ParseDocument(std::string_view text, ConfigDocument* document, std::string* error) {
  ConfigDocument read;
  const bool ok = ReadOrRefuse(
      [&] {
        const nlohmann::json root = ParseStrict(text);
        if (!root.is_object()) throw Refused{"the document is not a JSON object"};
        // The version first: a newer document may have fields this one does not know.
        CheckSchemaVersion(root);
        CheckOnlyFields(root, "", {"schemaVersion", "device", "settings"});
        ReadDevice(root, &read);
        ReadSettings(root, &read);
      },
      "document", error);
  if (ok) *document = std::move(read);
  return ok;
}

}  // namespace tarvik::ctl
