// A stand-in device seen through the hidraw FUSE mount by a HidrawBackend.
// Every test is skipped, with the reason, where FUSE cannot be mounted.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "commands/command_id.h"
#include "fuse/hidraw_fuse.h"
#include "link/hid_backend_linux.h"
#include "session/hid_dev_comm_app.h"
#include "sim/sim_device.h"
#include "support/test_support.h"

namespace tarvik::fusetest {

using Bytes = std::vector<uint8_t>;
using tarvik::testing::NotifyRecorder;

class FuseFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    NotifyRecorder::Instance().Clear();
    if (const std::string& why = HidrawFuse::UnavailableReason(); !why.empty()) GTEST_SKIP() << why;
    std::string error;
    ASSERT_TRUE(fuse_.Mount(&error)) << error;
    backend_ = std::make_unique<HidrawBackend>(fuse_.SysRoot(), fuse_.DevRoot());
  }

  void TearDown() override {
    EXPECT_FALSE(fuse_.WatchdogFired())
        << "the test outlived its time and its FUSE connection was aborted";
  }

  // A session on the backend, reporting to NotifyRecorder. Its reply waits
  // are capped at the usual 5000 ms, block transfers included, so that a
  // reply lost on the way fails the test in seconds.
  static constexpr int kReplyWaitCapMs = 5000;
  bool OpenSession() {
    session_ = std::make_unique<CHidDevCommApp>(*backend_, kReplyWaitCapMs);
    session_->SetNotifyCallback(&NotifyRecorder::Callback);
    return session_->Open();
  }

  int Run(CommandId id) {
    std::lock_guard<std::recursive_mutex> guard(session_->lock);
    return session_->Execute(ToInt(id));
  }
  CommandParams& p() { return session_->params; }

  // Declared first so that it is unmounted after everything below is gone.
  HidrawFuse fuse_;
  std::unique_ptr<HidrawBackend> backend_;
  sim::SimDevice device_;
  std::unique_ptr<CHidDevCommApp> session_;
};

}  // namespace tarvik::fusetest
