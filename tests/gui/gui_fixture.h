// The real main window on the stand-in device, offscreen, with message boxes
// answered by the test and monitor ticks driven by the test.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/configurator_app.h"
#include "app/configurator_dlg.h"
#include "app/message_boxes.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "support/received_steps.h"

namespace tarvik::testing {

struct ShownBox {
  bool owned;
  QString title;
  QString text;
  BoxIcon icon;
  BoxButtons buttons;
};

class RecordingBoxes : public MessageBoxes {
 public:
  int Show(QWidget* owner, const QString& title, const QString& text, BoxIcon icon,
           BoxButtons buttons) override {
    shown.push_back({owner != nullptr, title, text, icon, buttons});
    return answer;
  }
  std::vector<ShownBox> shown;
  int answer = kAnswerOk;
};

// Runs the calls queued for `receiver` so far, and nothing else.
inline void RunQueuedCalls(QObject* receiver) {
  QCoreApplication::sendPostedEvents(receiver, QEvent::MetaCall);
}

// Lets queued events run for `ms` milliseconds, or until `done` holds.
template <typename Predicate>
bool PumpUntil(Predicate done, int ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// A fresh directory under the system's temporary one, only the user's, and
// removed with everything in it at the end. Named with forward slashes: on
// Windows the same text names a lock mutex of its own, so tests running side
// by side never share a lock.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::random_device random;
    std::error_code error;
    const std::filesystem::path root = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; !error && attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path candidate =
          root / ("tarvik-gui-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate, error)) {
        std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, error);
        path_ = candidate.generic_string();
      }
    }
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  // Empty when none could be made.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Each test with a temporary directory of its own.
class InTemporaryDirectory : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(directory.empty()); }

 private:
  TemporaryDirectory made_;

 protected:
  const std::string directory = made_.Path();
};

class ConfiguratorOnStandIn : public ::testing::Test {
 public:
  void SetUp() override {
    device.Unplug();  // plugged in by each test when it wants the device there
    MakeWindow(0x0409);
  }
  void TearDown() override { CloseWindow(); }

  // `replyWaitCapMs` > 0 shortens every reply wait, for runs through faults;
  // `linkClock` is the time those waits run on.
  void MakeWindow(uint32_t lcid, int replyWaitCapMs = 0, LinkClock* linkClock = nullptr) {
    CloseWindow();
    app = std::make_unique<CTarvik_ConfiguratorApp>(
        sim::DefaultSimBackend(),
        AppEnvironment{lcid, std::string(), &boxes, replyWaitCapMs, linkClock});
    app->PrepareInstance();
    window = std::make_unique<CTarvik_ConfiguratorDlg>(*app);
    // The test drives the monitor's ticks itself: the queued start is dropped.
    QCoreApplication::removePostedEvents(window.get(), QEvent::MetaCall);
  }
  void CloseWindow() {
    window.reset();
    app.reset();
  }

  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) window->Monitor().OnTick();
  }
  // Plugs the stand-in in and lets the monitor connect on its 11th tick.
  void Connect() {
    device.Plug();
    Tick(11);
  }
  // Connects a device that has every setting, both channels in PA
  // MICROPHONE so that every control of every page shows, HI-SPEED checked.
  void ConnectWithEveryControl() {
    device.SetProductId(kProductIds[0]);
    device.SetFirmwareVersion("3.00");
    device.SetSetting(0, 0x0116, 0, 0, {0x03});  // modes of L and R
    device.SetSetting(0, 0x001A, 0, 0, {0});     // USB speed
    device.SetSetting(0, 0x001D, 0, 0, {1, 0});  // microphone mute synchronisation
    Connect();
  }
  // Runs the window's queued recovery from a page's failed exchange.
  void Recover() { RunQueuedCalls(window.get()); }
  std::vector<Step> Steps() const { return ReceivedSteps(device); }

  bool Connected() const { return window->Monitor().Connected() && app->m_deviceSession.isOpen; }
  QString Caption() const { return window->windowTitle(); }

  sim::SimDevice device;
  RecordingBoxes boxes;
  std::unique_ptr<CTarvik_ConfiguratorApp> app;
  std::unique_ptr<CTarvik_ConfiguratorDlg> window;
};

}  // namespace tarvik::testing
