// Replays the settings_files fuzz inputs kept in the repository through the
// fuzz target's checks (tarvikctl's parsers live beside its tests).
#include <gtest/gtest.h>

#include "../fuzz/settings_files_check.h"
#include "fuzz/fuzz_inputs.h"

namespace tarvik::testing {
namespace {

TEST(FuzzRegression, SettingsFilesParseOrRefuseCleanly) {
  ReplayFuzzInputs("settings_files", fuzzing::CheckSettingsFiles);
}

}  // namespace
}  // namespace tarvik::testing
