// Replays the fuzz inputs kept in the repository, the seed corpora and the
// inputs of past findings (fuzz/regressions/), through the same checks the
// fuzz targets run, so the normal and sanitizer test builds catch a return
// of anything the fuzzers found.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "../fuzz/firm_file_check.h"
#include "../fuzz/fuzz_images.h"
#include "../fuzz/reassembly_check.h"
#include "../fuzz/scripted_device.h"
#include "link/link_errors.h"

namespace tarvik::testing {
namespace {

using Input = std::pair<std::string, std::vector<uint8_t>>;

std::vector<Input> FuzzInputs(const std::string& target) {
  const std::filesystem::path fuzz = std::filesystem::path(__FILE__).parent_path().parent_path() / "fuzz";
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

TEST(FuzzRegression, ReportSequencesReassembleIntact) {
  const std::vector<Input> inputs = FuzzInputs("reassembly");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, bytes] : inputs) {
    SCOPED_TRACE(name);
    fuzzing::CheckReportSequence(bytes.data(), bytes.size());
  }
}

TEST(FuzzRegression, FirmwareFilesLoadOrRefuseCleanly) {
  const std::vector<Input> inputs = FuzzInputs("firm_file");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, bytes] : inputs) {
    SCOPED_TRACE(name);
    fuzzing::CheckFirmFile(bytes.data(), bytes.size());
  }
}

// Every operation input runs on one session, as in the fuzzer; the stand-in
// recordings among them must still succeed. Replies get a quarter of a
// second rather than the fuzzer's few milliseconds, so a busy machine cannot
// turn an answer into a time-out.
TEST(FuzzRegression, OperationRepliesRunThroughTheSession) {
  const std::vector<Input> inputs = FuzzInputs("operation_replies");
  ASSERT_FALSE(inputs.empty());
  // Seeds named opNNN_<Operation>_<knob> are the stand-in's own answers.
  const std::regex kRecorded("corpus/op[0-9]{3}_[A-Z][A-Za-z0-9]*_[0-9]+");
  fuzzing::OperationHarness harness(fuzzing::PackageImages(), fuzzing::SectionImages(), /*waitCapMs=*/250);
  for (const auto& [name, bytes] : inputs) {
    SCOPED_TRACE(name);
    const int result = harness.Run(bytes.data(), bytes.size());
    if (std::regex_match(name, kRecorded)) {
      EXPECT_EQ(result, LINK_OK) << LinkErrorName(result);
    }
  }
}

}  // namespace
}  // namespace tarvik::testing
