// tarvikctl run in-process against a stand-in device the test owns, with
// its output captured and its lock in a private directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "ctl_main.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace tarvik::testing {

// `bytes` into the file at `path`, named as the platform's narrow calls take it.
inline void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

class CtlOnStandIn : public ::testing::Test {
 protected:
  // A fresh directory under the system's temporary one, named with forward
  // slashes: on Windows the same text names the test's own lock mutex.
  void SetUp() override {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && directory.empty(); ++attempt) {
      const std::filesystem::path candidate =
          std::filesystem::temp_directory_path() / ("tarvikctl-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) directory = candidate.generic_string();
    }
    ASSERT_FALSE(directory.empty());
    ctlOptions.lockDirectory = directory;
    ctlOptions.systemBackend = &sim::DefaultSimBackend();
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  // Runs tarvikctl with `args` and `ctlOptions`, writing to `*output`;
  // `answer` is what a person would type. `commands`, when given, stand in
  // for tarvikctl's own.
  int Invoke(std::vector<std::string> args, const std::string& answer = "",
             std::span<const ctl::CommandSetUp> commands = {}) {
    out.str({});
    err.str({});
    std::istringstream in(answer);
    ctl::Context context(*output, err, in, ctlOptions);
    return commands.empty() ? ctl::Run(args, context) : ctl::Run(args, context, commands);
  }
  nlohmann::json Json() const { return nlohmann::json::parse(out.str()); }
  // A file in the test's directory, as tarvikctl is given it (UTF-8) and as
  // the test itself opens it.
  std::string File(const std::string& name) const { return directory + "/" + name; }
  std::filesystem::path Path(const std::string& name) const {
    const std::string file = File(name);
    return std::filesystem::path(std::u8string(file.begin(), file.end()));
  }
  // `text` as the whole of the file `name` in the test's directory.
  void Document(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }

  sim::SimDevice device;
  std::string directory;
  ctl::Options ctlOptions;  // lock in `directory`, devices from the stand-ins
  std::ostringstream out;
  std::ostringstream err;
  std::ostream* output = &out;
};

}  // namespace tarvik::testing
