// Every user-visible flow, run once for each of its exchanges with each
// fault the stand-in offers injected there: the window must end in one of
// its two failure states (or succeed where the fault is harmless), never
// hang, and connect again once the fault is gone.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <functional>
#include <string>

#include "gui/gui_fixture.h"
#include "pages/tab_view_aud_in.h"
#include "pages/tab_view_aud_out.h"
#include "pages/tab_view_usb.h"
#include "support/caught_up_clock.h"

namespace tarvik {
namespace {

using sim::Fault;
using sim::FaultKind;

constexpr int kWaitCapMs = 80;       // every reply wait, shortened for the matrix
constexpr int kHangLimitMs = 30000;  // far beyond any flow's time-outs
constexpr int kDropOffMs = 150;
// Held back so long that no busy machine lets it reach its wait; the run's
// re-plug discards it.
constexpr int kLateReplyMs = 60000;

struct FaultCase {
  const char* name;
  Fault fault;
  bool mustFail;  // the window cannot carry on over this fault
};

const FaultCase kFaults[] = {
    {"no reply", {FaultKind::NoReply}, true},
    {"late reply", {FaultKind::LateReply, kLateReplyMs}, true},
    {"wrong length", {FaultKind::WrongLength}, true},
    {"wrong kind", {FaultKind::WrongKind}, true},
    {"wrong command", {FaultKind::WrongCommand}, true},
    {"bad status", {FaultKind::BadStatus}, true},
    {"failed write", {FaultKind::FailedWrite}, true},
    {"unplug", {FaultKind::Unplug}, true},
    {"drop off", {FaultKind::DropOff, kDropOffMs}, true},
    {"status 0xFE", {FaultKind::StatusFE}, false},
    {"split reply", {FaultKind::SplitReply, 5}, false},
};

struct Flow {
  std::string name;
  std::function<void(testing::ConfiguratorOnStandIn&)> prepare;  // device state, connection
  std::function<void(testing::ConfiguratorOnStandIn&)> act;
};

class FaultMatrix : public testing::ConfiguratorOnStandIn {
 public:
  static void Choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
  }

  // Sets up the flow once cleanly to count its exchanges, then runs it with
  // every fault at every exchange.
  void RunMatrix(const Flow& flow) {
    const int exchanges = CountExchanges(flow);
    ASSERT_GT(exchanges, 0) << flow.name;
    for (int at = 0; at < exchanges; ++at)
      for (const FaultCase& fault : kFaults) RunOnce(flow, at, fault);
  }

 protected:
  testing::CaughtUpClock linkClock{device};

  void Fresh() {
    device.Unplug();
    MakeWindow(0x0409, kWaitCapMs, &linkClock);
    boxes.shown.clear();
  }

  // The flow's starting point: connected, whatever a reply delayed by the
  // previous run spoiled on the first try.
  void Prepare(const Flow& flow) {
    Fresh();
    flow.prepare(*this);
    for (int attempt = 0; attempt < 3 && device.IsPlugged() && !Connected(); ++attempt) Tick(11);
    boxes.shown.clear();
  }

  int CountExchanges(const Flow& flow) {
    Prepare(flow);
    device.ClearRequests();
    flow.act(*this);
    const int count = static_cast<int>(device.RequestCount());
    EXPECT_TRUE(boxes.shown.empty() || flow.name == "usb speed")
        << flow.name << " fails without a fault";
    return count;
  }

  void RunOnce(const Flow& flow, int at, const FaultCase& fault) {
    const std::string where = flow.name + ", exchange " + std::to_string(at) + ", " + fault.name;
    Prepare(flow);
    ASSERT_TRUE(Connected() || !device.IsPlugged()) << where << ": could not start";
    const std::size_t boxesBefore = boxes.shown.size();
    device.ClearRequests();
    device.InjectFault(fault.fault, at);
    QElapsedTimer clock;
    clock.start();
    flow.act(*this);
    if (fault.mustFail) {
      EXPECT_LE(device.RequestCount(), static_cast<std::size_t>(at) + 1)
          << where << ": exchanges after the failed one";
    }
    // A lost link and the recovery from a page's failure arrive queued.
    testing::PumpUntil([] { return false; }, 30);
    EXPECT_LT(clock.elapsed(), kHangLimitMs) << where;

    const std::size_t warnings =
        boxes.shown.size() - boxesBefore - (flow.name == "usb speed" ? 1 : 0);
    const bool connected = Connected();
    if (fault.mustFail) {
      EXPECT_FALSE(connected) << where;
      EXPECT_LE(warnings, 1u) << where;
      const bool linkLost =
          fault.fault.kind == FaultKind::Unplug || fault.fault.kind == FaultKind::DropOff;
      if (!linkLost) {
        EXPECT_EQ(warnings, 1u) << where;
      }
      if (warnings == 1) {
        EXPECT_EQ(boxes.shown.back().text, QStringLiteral("Cannot communicate with Tarvik."))
            << where;
      }
    } else {
      EXPECT_EQ(warnings, 0u) << where;
    }
    EXPECT_FALSE(app->m_deviceSession.isOpen && !window->Monitor().Connected()) << where;

    // The fault is gone: the device is back and the monitor connects. A
    // delayed reply goes with the connection it was held for.
    device.InjectFault(Fault{});
    if (fault.fault.kind == FaultKind::LateReply) device.Unplug();
    if (!device.IsPlugged()) {
      // A device that dropped off or restarted comes back by itself.
      if (fault.fault.kind != FaultKind::Unplug && fault.fault.kind != FaultKind::LateReply)
        testing::PumpUntil([&] { return device.IsPlugged(); }, 1000);
      device.Plug();
    }
    // A reply the fault delayed may still arrive and spoil the first try,
    // as it would on a real bus; the monitor simply tries again.
    for (int attempt = 0; attempt < 3 && !Connected(); ++attempt) Tick(11);
    EXPECT_TRUE(Connected()) << where << ": no reconnect";
  }
};

Flow Connecting() {
  return {"connect", [](auto&) {}, [](auto& f) { f.Connect(); }};
}

Flow OnPage(std::string name, std::function<void(testing::ConfiguratorOnStandIn&)> act,
            uint8_t modes = 0x03, const char* firmware = "2.10") {
  return {std::move(name),
          [modes, firmware](auto& f) {
            f.device.SetSetting(0, 0x0116, 0, 0, {modes});
            f.device.SetFirmwareVersion(firmware);
            f.Connect();
          },
          std::move(act)};
}

TEST_F(FaultMatrix, ConnectingAndLoadingTheSettings) { RunMatrix(Connecting()); }

TEST_F(FaultMatrix, EveryPageHandler) {
  RunMatrix(
      OnPage("gain", [](auto& f) { Choose(f.window->AudioInPage().ChannelControls(0).gain, 6); }));
  RunMatrix(OnPage("signal level",
                   [](auto& f) { Choose(f.window->AudioInPage().ChannelControls(1).level, 0); }));
  RunMatrix(
      OnPage("eq", [](auto& f) { Choose(f.window->AudioInPage().ChannelControls(0).eq, 1); }));
  RunMatrix(
      OnPage("pa output", [](auto& f) { Choose(f.window->AudioInPage().PaOutputList(), 0); }));
  RunMatrix(
      OnPage("output volume", [](auto& f) { Choose(f.window->AudioOutPage().VolumeList(), 8); }));
  RunMatrix(OnPage(
      "mute sync", [](auto& f) { Choose(f.window->UsbPage().MuteSyncList(), 1); }, 0x00, "3.00"));
}

// One channel switched each way from every starting pair of modes.
Flow ModeChange(uint8_t start) {
  const int channel = start & 1 ? 1 : 0;
  const int to = ((start >> channel) & 1) ? 0 : 1;
  return OnPage(
      "modes from " + std::to_string(start),
      [channel, to](auto& f) {
        FaultMatrix::Choose(f.window->AudioInPage().ChannelControls(channel).mode, to);
      },
      start);
}

TEST_F(FaultMatrix, InputModesFromBothConference) { RunMatrix(ModeChange(0)); }
TEST_F(FaultMatrix, InputModesFromLeftPa) { RunMatrix(ModeChange(1)); }
TEST_F(FaultMatrix, InputModesFromRightPa) { RunMatrix(ModeChange(2)); }
TEST_F(FaultMatrix, InputModesFromBothPa) { RunMatrix(ModeChange(3)); }

TEST_F(FaultMatrix, UsbSpeedChangeWithRestart) {
  RunMatrix({"usb speed",
             [](auto& f) {
               f.device.SetRestartPlan(100);
               f.device.SetSetting(0, 0x001A, 0, 0, {0});  // HI-SPEED before each run
               f.Connect();
             },
             [](auto& f) {
               f.window->UsbPage().OnUsbSpeedClick(CTabViewUsb::kFullSpeed);
               testing::RunQueuedCalls(&f.window->UsbPage());  // the restart wait
             }});
}

}  // namespace
}  // namespace tarvik
