// Replays the settings_files fuzz inputs kept in the repository through the
// fuzz target's checks (tarvikctl's parsers live beside its tests).
#include <gtest/gtest.h>

#include "../fuzz/settings_files_check.h"
#include "fuzz/fuzz_inputs.h"

namespace tarvik::testing {
namespace {

TEST(FuzzRegression, SettingsFilesParseOrRefuseCleanly) {
  const std::vector<Input> inputs = FuzzInputs("settings_files");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, bytes] : inputs) {
    SCOPED_TRACE(name);
    fuzzing::CheckSettingsFiles(bytes.data(), bytes.size());
  }
}

}  // namespace
}  // namespace tarvik::testing
