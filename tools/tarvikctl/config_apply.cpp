// `apply`: a settings document written to the Tarvik, only what differs,
// with the exchanges the window makes, then every setting read back.
#include "config_command.h"

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>

#include "config_document.h"
#include "config_file.h"
#include "device_connection.h"
#include "exit_codes.h"
#include "json_text.h"
#include "settings_session.h"
#include "value_text.h"

namespace tarvik::ctl {
namespace {

struct Change {
  NamedSetting named;
  int from = -1;  // -1 when no item stands for the device's value
  int to = 0;
};

std::string NameOf(const NamedSetting& named) { return SettingName(*named.setting, named.channel); }

// The entries the device does not show as they are, in the document's order.
std::vector<Change> Differences(const std::vector<ConfigEntry>& entries,
                                const SettingsSnapshot& snapshot) {
  std::vector<Change> changes;
  for (const ConfigEntry& entry : entries) {
    const int now = entry.named.setting->index(snapshot, entry.named.channel);
    if (now != entry.index) changes.push_back({entry.named, now, entry.index});
  }
  return changes;
}

// Refuses, before anything is written, a document setting what this device
// does not have; a document from another product only gets a note.
int CheckFitsDevice(Context& context, const std::string& file, const ConfigDocument& document,
                    const Snapshot& device) {
  const std::string product = HexNumber(static_cast<unsigned>(device.productId), 4);
  if (document.productId && *document.productId != device.productId)
    context.err << "tarvikctl: " << Printable(file) << " was saved from a Tarvik with product ID "
                << HexNumber(static_cast<unsigned>(*document.productId), 4) << "; this one is "
                << product << '\n';
  std::vector<std::string> absent;
  for (const ConfigEntry& entry : document.entries) {
    const Setting& setting = *entry.named.setting;
    if (setting.gate != nullptr && !(device.settings.features.*setting.gate))
      absent.push_back(NameOf(entry.named));
  }
  if (absent.empty()) return kExitOk;
  return Fail(context, kExitDataErr,
              "this Tarvik (product ID " + product + ", firmware " + Printable(device.firmware) +
                  ") has no " + JoinNames(absent) + ", which " + Printable(file) +
                  " sets; nothing was changed");
}

// `changes` in the order the table declares for writing, the document's
// order within each.
std::vector<Change> InWriteOrder(std::vector<Change> changes) {
  std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
    return a.named.setting->order < b.named.setting->order;
  });
  return changes;
}

// Input modes first: entering PA MICROPHONE copies the channel's settings
// from the second set, so the rest is compared with a fresh read after them.
// The USB speed goes last, as it restarts the Tarvik.
int WriteChanges(Context& context, DeviceConnection& connection, const ConfigDocument& document,
                 SettingsSnapshot current, std::vector<Change>* done) {
  std::vector<Change> pending = InWriteOrder(Differences(document.entries, current));
  while (!pending.empty()) {
    const Change change = pending.front();
    pending.erase(pending.begin());
    if (const int code = WriteChange(context, connection, change.named, change.to)) return code;
    done->push_back(change);
    if (change.named.setting->order != WriteOrder::kModes ||
        (!pending.empty() && pending.front().named.setting->order == WriteOrder::kModes))
      continue;
    if (!ReadAll(connection.Session(), current.features, &current))
      return DeviceFailed(context, "reading the settings after the input modes changed");
    // The read-back tells if a mode did not take.
    pending = InWriteOrder(Differences(document.entries, current));
    std::erase_if(pending,
                  [](const Change& c) { return c.named.setting->order == WriteOrder::kModes; });
  }
  return kExitOk;
}

void Report(Context& context, const std::string& file, const std::vector<Change>& changes,
            ApplyMode mode) {
  const bool dryRun = mode != ApplyMode::kWrite;
  if (context.json) {
    nlohmann::json list = nlohmann::json::array();
    for (const Change& c : changes)
      list.push_back({{"setting", NameOf(c.named)},
                      {"from", ValueWord(*c.named.setting, c.from)},
                      {"to", ValueWord(*c.named.setting, c.to)}});
    context.out << JsonText({{"schemaVersion", 1},
                             {"file", file},
                             {"dryRun", dryRun},
                             {"check", mode == ApplyMode::kCheck},
                             {"changes", std::move(list)}});
    return;
  }
  for (const Change& c : changes)
    context.out << NameOf(c.named) << ": " << ValueWord(*c.named.setting, c.from) << " -> "
                << ValueWord(*c.named.setting, c.to) << '\n';
  if (changes.empty())
    context.out << "the Tarvik already has every setting of " << Printable(file) << '\n';
  else
    context.out << changes.size() << (changes.size() == 1 ? " setting " : " settings ")
                << (dryRun ? "would change" : "changed") << '\n';
}

}  // namespace

int ApplySettings(Context& context, const std::string& file, const ConfigDocument& document,
                  ApplyMode mode) {
  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  Snapshot before;
  if (!ReadSnapshot(connection, &before))
    return DeviceFailed(context, "while reading the settings");
  if (const int code = CheckFitsDevice(context, file, document, before)) return code;

  const std::vector<Change> changes = Differences(document.entries, before.settings);
  if (mode != ApplyMode::kWrite || changes.empty()) {
    Report(context, file, changes, mode);
    for (const Change& change : changes)
      if (change.named.setting->order == WriteOrder::kModes && change.to == 1)
        context.err << "tarvikctl: entering pa-microphone brings in the channel's settings from "
                       "the Tarvik's second set; apply compares them again after it\n";
    return mode == ApplyMode::kCheck && !changes.empty() ? kExitDrift : kExitOk;
  }
  for (const Change& change : changes)
    if (change.named.setting->order == WriteOrder::kRestarts && !ConfirmRestart(context))
      return Declined(context, "not changed: the restart it needs was declined");

  std::vector<Change> done;
  if (const int code = WriteChanges(context, connection, document, before.settings, &done)) {
    std::vector<std::string> names;
    for (const Change& change : done) names.push_back(NameOf(change.named));
    if (!names.empty())
      context.err << "tarvikctl: changed before the failure: " << JoinNames(names) << '\n';
    return code;
  }
  Snapshot after;
  if (!ReadSnapshot(connection, &after)) return DeviceFailed(context, "reading the settings back");
  Report(context, file, done, ApplyMode::kWrite);
  std::vector<std::string> notTaken;
  for (const ConfigEntry& entry : document.entries) {
    const int now = entry.named.setting->index(after.settings, entry.named.channel);
    if (now != entry.index)
      notTaken.push_back(NameOf(entry.named) + " is " + ValueWord(*entry.named.setting, now) +
                         ", not " + ValueWord(*entry.named.setting, entry.index));
  }
  if (!notTaken.empty())
    return Fail(context, kExitFailed,
                "the Tarvik did not take every setting: " + JoinNames(notTaken));
  return kExitOk;
}

}  // namespace tarvik::ctl
