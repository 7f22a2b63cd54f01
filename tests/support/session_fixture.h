// A device session opened on a plugged-in stand-in device.
#pragma once

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "commands/command_id.h"
#include "session/hid_dev_comm_app.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "support/manual_clock.h"
#include "support/test_support.h"

namespace tarvik::testing {

using Bytes = std::vector<uint8_t>;

// The session's waits run on `clock` unless the fixture names another, so a
// reply the test scripts can never time out and a time-out takes no time.
class SessionOnStandIn : public ::testing::Test {
 protected:
  explicit SessionOnStandIn(LinkClock* linkClock = nullptr)
      : session(sim::DefaultSimBackend(), 0, linkClock ? *linkClock : clock) {}

  void SetUp() override {
    device.Plug();
    ASSERT_TRUE(session.Open());
  }

  int Run(int id) {
    std::lock_guard<std::recursive_mutex> guard(session.lock);
    return session.Execute(id);
  }
  int Run(CommandId id) { return Run(ToInt(id)); }
  Bytes LastMessage() const {
    const auto requests = device.Requests();
    return requests.empty() ? Bytes{} : requests.back().message;
  }
  CommandParams& p() { return session.params; }
  // Time-out of the latest reply or notice wait, on the fixture's own clock.
  int LastTimeoutMs() const { return clock.LastTimeoutMs(); }

  // Answers the next request with `reply` (a whole message) instead of the device.
  int RunWithReply(int id, const Bytes& reply) {
    device.InjectFault({sim::FaultKind::NoReply});
    const std::size_t before = device.RequestCount();
    std::thread script([&] {
      if (!device.WaitForRequests(before + 1, 5000)) return;
      for (const Report& report : ReplyReports(reply)) device.SendReport(report);
    });
    const int result = Run(id);
    script.join();
    return result;
  }
  int RunWithReply(CommandId id, const Bytes& reply) { return RunWithReply(ToInt(id), reply); }

  ManualClock clock;
  sim::SimDevice device;
  CHidDevCommApp session;
};

}  // namespace tarvik::testing
