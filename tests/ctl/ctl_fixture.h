// tarvikctl run in-process against a stand-in device the test owns, with
// its output captured and its lock in a private directory.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ctl_main.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace tarvik::testing {

class CtlOnStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarvikctl-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  // Runs tarvikctl with `args`; `answer` is what a person would type.
  int Invoke(std::vector<std::string> args, const std::string& answer = "") {
    out.str({});
    err.str({});
    std::istringstream in(answer);
    ctl::Context context(out, err, in);
    context.lockDirectory = directory;
    context.systemBackend = &sim::DefaultSimBackend();
    return ctl::Run(args, context);
  }
  nlohmann::json Json() const { return nlohmann::json::parse(out.str()); }
  std::string File(const std::string& name) const { return directory + "/" + name; }

  sim::SimDevice device;
  std::string directory;
  std::ostringstream out;
  std::ostringstream err;
};

}  // namespace tarvik::testing
