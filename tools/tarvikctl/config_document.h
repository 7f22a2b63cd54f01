// The file `save` writes and `apply` reads: a JSON object with its schema
// version, the device it was read from (for information) and the settings
// by tarvikctl's names and values. No device is involved here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_table.h"
#include "setting_words.h"

namespace tarvik::ctl {

inline constexpr int kConfigSchemaVersion = 1;
// Far more than any document holds; anything larger is refused unread.
inline constexpr std::size_t kMaxConfigBytes = 1u << 20;

struct ConfigEntry {
  NamedSetting named;
  int index = 0;  // the item, always one of the setting's
};

struct ConfigDocument {
  std::optional<int> productId;      // of the device it was saved from
  std::string firmware;              // likewise; any bytes
  std::vector<ConfigEntry> entries;  // in the order of AllSettings
};

// What a snapshot shows, but for the settings its device does not have and
// those whose value is no item of theirs (named in `unmatched`).
ConfigDocument DocumentOf(int productId, const char* firmware, const SettingsSnapshot& snapshot,
                          std::vector<std::string>* unmatched);
std::string DocumentText(const ConfigDocument& document);

// Checks all of `text`; false with `error` naming the field at fault.
bool ParseDocument(std::string_view text, ConfigDocument* document, std::string* error);

}  // namespace tarvik::ctl
