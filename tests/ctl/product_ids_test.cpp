// The udev rule and scripts/run.sh name the product IDs of the session's
// table, no more and no fewer.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "session/hid_dev_comm_app.h"

namespace tarvik {
namespace {

std::string Text(const char* relative) {
  std::ifstream file(std::string(TARVIK_SOURCE_DIR) + "/" + relative);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Every four-hex-digit ID the pattern's first group finds, upper-cased.
std::set<std::string> Found(const std::string& text, const std::regex& pattern) {
  std::set<std::string> ids;
  const std::regex hexId("[0-9A-Fa-f]{4}");
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
    const std::string group = (*it)[1];
    for (std::sregex_iterator id(group.begin(), group.end(), hexId); id != end; ++id) {
      std::string upper = id->str();
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      ids.insert(upper);
    }
  }
  return ids;
}

std::string Hex(int id) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(id));
  return text;
}

TEST(ProductIds, TheUdevRuleAndTheStartScriptListTheTablesIds) {
  std::set<std::string> all, opened;
  for (const ProductIdRow& row : kProductIdTable) {
    all.insert(Hex(row.id));
    if (row.role != ProductRole::kRestarting) opened.insert(Hex(row.id));
  }
  const std::string rule = Text("packaging/70-tarvik.rules");
  EXPECT_EQ(Found(rule, std::regex("idProduct\\}==\"([0-9a-f|]+)\"")), all) << rule;
  EXPECT_EQ(Found(rule, std::regex("idVendor\\}==\"([0-9a-f]{4})\"")),
            std::set<std::string>{Hex(kTarvikVendorId)});
  // The script starts the configurator only on a Tarvik the session opens.
  const std::string script = Text("scripts/run.sh");
  EXPECT_EQ(Found(script, std::regex("0000" + Hex(kTarvikVendorId) + ":0000\\(([0-9A-F|]+)\\)")),
            opened)
      << script;
}

}  // namespace
}  // namespace tarvik
