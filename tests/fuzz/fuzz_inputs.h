// The fuzz inputs kept in the repository for one target: its seed corpus
// and the inputs of past findings (fuzz/regressions/), sorted by name.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace tarvik::testing {

using Input = std::pair<std::string, std::vector<uint8_t>>;

inline std::vector<Input> FuzzInputs(const std::string& target) {
  const std::filesystem::path fuzz = std::filesystem::path(TARVIK_SOURCE_DIR) / "fuzz";
  std::vector<Input> inputs;
  for (const char* kind : {"corpus", "regressions"}) {
    const std::filesystem::path dir = fuzz / kind / target;
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      inputs.emplace_back(std::string(kind) + "/" + entry.path().filename().string(),
                          std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
    }
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

// Runs `check` (a fuzz target's own checks) on each of the target's inputs.
template <typename Check>
void ReplayFuzzInputs(const std::string& target, Check check) {
  const std::vector<Input> inputs = FuzzInputs(target);
  ASSERT_FALSE(inputs.empty()) << target;
  for (const auto& [name, bytes] : inputs) {
    SCOPED_TRACE(name);
    check(bytes.data(), bytes.size());
  }
}

}  // namespace tarvik::testing
