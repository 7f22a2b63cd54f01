// `save`: every setting the configurator shows, into a settings document.
#include "config_command.h"

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

int SaveSettings(Context& context, const std::string& file) {
  DeviceConnection connection(context);
  if (const int code = connection.Open()) return code;
  Snapshot snapshot;
  if (!ReadSnapshot(connection, &snapshot))
    return DeviceFailed(context, "while reading the settings");
  std::vector<std::string> unmatched;
  const ConfigDocument document =
      DocumentOf(snapshot.productId, snapshot.firmware, snapshot.settings, &unmatched);
  if (const int code = ReplaceFile(context, file, DocumentText(document))) return code;
  // A value no item stands for cannot be set again, so it is not kept.
  if (!unmatched.empty())
    context.err << "tarvikctl: left out " << JoinNames(unmatched)
                << ": the Tarvik's value is none of the setting's items\n";
  const std::string product = HexNumber(static_cast<unsigned>(snapshot.productId), 4);
  if (context.json)
    context.out << JsonText({{"schemaVersion", 1},
                             {"file", file},
                             {"device", {{"productId", product}, {"firmware", snapshot.firmware}}},
                             {"saved", document.entries.size()},
                             {"leftOut", unmatched}});
  else
    context.out << "saved " << document.entries.size() << " settings of the Tarvik " << product
                << " (firmware " << Printable(snapshot.firmware) << ") to " << Printable(file)
                << '\n';
  return kExitOk;
}

}  // namespace tarvik::ctl
