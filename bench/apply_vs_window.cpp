// tarvikctl apply against the window making the same changes, on the
// stand-in in one run: exchanges the device received and wall time, then
// --all apply on 16 stand-ins with the full-speed bus model against 16 single
// applies. Prints medians of a few repetitions.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/configurator_app.h"
#include "app/configurator_dlg.h"
#include "app/message_boxes.h"
#include "bench_inputs.h"
#include "ctl_in_process.h"
#include "link/report_framing.h"
#include "pages/tab_view_aud_in.h"
#include "pages/tab_view_aud_out.h"
#include "pages/tab_view_usb.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace tarvik {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kOfflineMs = 100;  // the stand-in's restart: time off the bus
constexpr int kRuns = 5;
constexpr int kAllRuns = 3;
constexpr int kDevices = 16;

// The target values (bench::kEverySettingChanged) as list indices, for the window.
constexpr int kLevel = 1, kGainL = 7, kGainR = 1, kEqL = 0, kEqR = 1, kPaOff = 1, kVolume = 2;

class AnswerOk : public MessageBoxes {
 public:
  int Show(QWidget*, const QString&, const QString&, BoxIcon, BoxButtons) override {
    ++shown;
    return kAnswerOk;
  }
  int shown = 0;
};

std::string directory;

sim::SimOptions At(int port) {
  sim::SimOptions options;
  options.topology = "1-" + std::to_string(port);
  return options;
}

int Ctl(const std::vector<std::string>& args, std::string* output = nullptr) {
  return bench::RunCtl(args, directory, output);
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Time the device spends off the bus, polled from a thread of its own.
class OfflineWatch {
 public:
  explicit OfflineWatch(const sim::SimDevice& device)
      : thread_([this, &device] {
          bool wasPlugged = true;
          while (!stop_) {
            const bool plugged = device.IsPlugged();
            if (wasPlugged && !plugged) gone_ = Clock::now();
            if (!wasPlugged && plugged) offlineMs_ = Ms(Clock::now() - gone_);
            wasPlugged = plugged;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
          }
        }) {}
  ~OfflineWatch() { Stop(); }
  double Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return offlineMs_;
  }

 private:
  std::atomic<bool> stop_{false};
  Clock::time_point gone_;
  double offlineMs_ = 0;
  std::thread thread_;
};

// "W0x0103 x2" per command and kind, in order of first appearance.
std::string Histogram(const std::vector<sim::RequestRecord>& requests) {
  std::vector<std::pair<std::string, int>> counts;
  for (const sim::RequestRecord& r : requests) {
    char key[16];
    std::snprintf(key, sizeof key, "%c%04X", r.kind == kKindWrite ? 'W' : 'R', r.command);
    auto it = std::find_if(counts.begin(), counts.end(), [&](auto& c) { return c.first == key; });
    if (it == counts.end())
      counts.emplace_back(key, 1);
    else
      ++it->second;
  }
  std::string text;
  for (const auto& [key, n] : counts) text += key + "x" + std::to_string(n) + " ";
  return text;
}

struct Sample {
  double wallMs = 0;
  double offlineMs = 0;
  double requests = 0;
  double afterRestart = 0;  // requests from the device's return on
};

struct Result {
  std::vector<Sample> samples;
  std::string histogram;
  std::string note;
  double Of(double Sample::*field) const {
    std::vector<double> v;
    for (const Sample& s : samples) v.push_back(s.*field);
    return Median(v);
  }
};

// The requests received after the device came back (its last return).
std::size_t AfterRestart(const sim::SimDevice& device, std::size_t beforeReturn) {
  return device.RequestCount() - beforeReturn;
}

Result CtlApply(const std::string& file, bool restarts) {
  Result result;
  for (int run = 0; run < kRuns; ++run) {
    sim::SimDevice device(At(1));
    device.SetRestartPlan(kOfflineMs);
    std::string out;
    Sample s;
    {
      OfflineWatch watch(device);
      std::atomic<std::size_t> atReturn{0};
      std::atomic<bool> done{false};
      // Notes the request count when the device is back on the bus.
      std::thread returnWatch([&] {
        bool seenGone = false;
        while (!done) {
          const bool plugged = device.IsPlugged();
          if (!plugged) seenGone = true;
          if (seenGone && plugged && atReturn == 0) atReturn = device.RequestCount();
          std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
      });
      const Clock::time_point start = Clock::now();
      const int code = Ctl({"--yes", "--device", "1-1", "apply", file}, &out);
      s.wallMs = Ms(Clock::now() - start);
      done = true;
      returnWatch.join();
      s.offlineMs = watch.Stop();
      if (code != 0) std::exit(1);
      s.requests = static_cast<double>(device.RequestCount());
      s.afterRestart = restarts ? static_cast<double>(AfterRestart(device, atReturn)) : 0;
    }
    if (run == 0) {
      result.histogram = Histogram(device.Requests());
      result.note = out;
    }
    result.samples.push_back(s);
  }
  return result;
}

void Choose(QComboBox* list, int index) {
  if (list->currentIndex() == index) return;  // already so: the window would do nothing
  list->setCurrentIndex(index);
  emit list->activated(index);
}

template <typename Predicate>
bool PumpUntil(Predicate done, int ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

Result Window(bool withSpeed) {
  Result result;
  for (int run = 0; run < kRuns; ++run) {
    sim::SimDevice device(At(1));
    device.SetRestartPlan(kOfflineMs);
    device.Unplug();
    AnswerOk boxes;
    auto app = std::make_unique<CTarvik_ConfiguratorApp>(
        sim::DefaultSimBackend(), AppEnvironment{0x0409, std::string(), &boxes, 0});
    app->PrepareInstance();
    auto window = std::make_unique<CTarvik_ConfiguratorDlg>(*app);
    // The monitor's ticks are driven here: the queued start is dropped.
    QCoreApplication::removePostedEvents(window.get(), QEvent::MetaCall);
    auto connected = [&] { return window->Monitor().Connected() && app->m_deviceSession.isOpen; };
    device.Plug();
    for (int i = 0; i < 11; ++i) window->Monitor().OnTick();
    if (!connected()) {
      std::fprintf(stderr, "window did not connect\n");
      std::exit(1);
    }
    device.ClearRequests();

    Sample s;
    OfflineWatch watch(device);
    const Clock::time_point start = Clock::now();
    CTabViewAudIn& in = window->AudioInPage();
    Choose(in.ChannelControls(0).mode, 1);
    Choose(in.ChannelControls(1).mode, 1);
    for (int channel = 0; channel < 2; ++channel) {
      Choose(in.ChannelControls(channel).level, kLevel);
      Choose(in.ChannelControls(channel).gain, channel == 0 ? kGainL : kGainR);
      Choose(in.ChannelControls(channel).eq, channel == 0 ? kEqL : kEqR);
    }
    Choose(in.PaOutputList(), kPaOff);
    Choose(window->AudioOutPage().VolumeList(), kVolume);
    if (withSpeed) {
      CTabViewUsb& usb = window->UsbPage();
      usb.FullSpeedButton().click();
      QCoreApplication::sendPostedEvents(&usb, QEvent::MetaCall);  // the click's handler
      QCoreApplication::sendPostedEvents(&usb, QEvent::MetaCall);  // the restart wait
      if (boxes.shown != 1 || !PumpUntil([&] { return !app->m_deviceSession.isOpen; }) ||
          !PumpUntil([&] { return device.IsPlugged(); })) {
        std::fprintf(stderr, "window: no restart (boxes %d)\n", boxes.shown);
        std::exit(1);
      }
      const std::size_t atReturn = device.RequestCount();
      // The monitor connects on its 11th tick; ticked back to back here.
      for (int i = 0; i < 11 && !connected(); ++i) window->Monitor().OnTick();
      if (!connected() || !window->UsbPage().FullSpeedButton().isChecked()) {
        std::fprintf(stderr, "window: not back at full speed\n");
        std::exit(1);
      }
      s.afterRestart = static_cast<double>(AfterRestart(device, atReturn));
    }
    s.wallMs = Ms(Clock::now() - start);
    s.offlineMs = watch.Stop();
    s.requests = static_cast<double>(device.RequestCount());
    if (run == 0) result.histogram = Histogram(device.Requests());
    if (boxes.shown != (withSpeed ? 1 : 0)) result.note = "unexpected message boxes";
    result.samples.push_back(s);
    window.reset();
    app.reset();
  }
  return result;
}

double OneApply(const std::string& file) {
  sim::SimDevice device(At(1));
  device.SetReportInterval(std::chrono::milliseconds(1));
  const Clock::time_point start = Clock::now();
  if (Ctl({"--yes", "--device", "1-1", "apply", file}) != 0) std::exit(1);
  return Ms(Clock::now() - start);
}

double AllApply(const std::string& file, std::size_t* requests) {
  std::vector<std::unique_ptr<sim::SimDevice>> devices;
  for (int port = 1; port <= kDevices; ++port) {
    devices.push_back(std::make_unique<sim::SimDevice>(At(port)));
    devices.back()->SetReportInterval(std::chrono::milliseconds(1));
  }
  const Clock::time_point start = Clock::now();
  if (Ctl({"--yes", "--all", "apply", file}) != 0) std::exit(1);
  const double ms = Ms(Clock::now() - start);
  *requests = 0;
  for (const auto& d : devices) *requests += d->RequestCount();
  return ms;
}

void Row(const char* what, const Result& r) {
  std::printf("%-44s %8.0f %10.1f %10.1f %10.1f %9.0f\n", what, r.Of(&Sample::requests),
              r.Of(&Sample::wallMs), r.Of(&Sample::offlineMs),
              r.Of(&Sample::wallMs) - r.Of(&Sample::offlineMs), r.Of(&Sample::afterRestart));
}

int Main() {
  std::random_device random;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("tarvik-apply-bench-" + std::to_string(random()));
  std::filesystem::create_directory(root);
  directory = root.generic_string();
  const std::string full = directory + "/full.json", noSpeed = directory + "/no-speed.json";

  // The document: a stand-in set to the target values, saved.
  {
    sim::SimDevice source(At(1));
    for (const bench::SettingValue& t : bench::kEverySettingChanged)
      if (Ctl({"set", t.name, t.value}) != 0) return 1;
    source.SetSetting(0, 0x001A, 0, 0, {1});  // USB speed: FULL-SPEED, without a restart
    if (Ctl({"save", full}) != 0) return 1;
  }
  nlohmann::json document = nlohmann::json::parse(std::ifstream(full));
  std::printf("document: %s\n", document["settings"].dump().c_str());
  document["settings"].erase("usb-speed");
  std::ofstream(noSpeed) << document.dump(2);

  const Result ctlFull = CtlApply(full, true);
  const Result windowFull = Window(true);
  const Result ctlNoSpeed = CtlApply(noSpeed, false);
  const Result windowNoSpeed = Window(false);

  std::printf("\napply's changes:\n%s", ctlFull.note.c_str());
  std::printf("\nMedians of %d runs; stand-in restart plan %d ms offline, no bus model\n", kRuns,
              kOfflineMs);
  std::printf("%-44s %8s %10s %10s %10s %9s\n", "", "requests", "wall ms", "offline ms",
              "wall-offl", "after ret");
  Row("tarvikctl apply, all settings + USB speed", ctlFull);
  Row("window, same changes + USB speed", windowFull);
  Row("tarvikctl apply, without USB speed", ctlNoSpeed);
  Row("window, without USB speed", windowNoSpeed);
  std::printf(
      "(window: connected before the clock starts, its connection reads not counted;\n"
      " after a restart its 11 monitor ticks are driven back to back)\n");
  if (!windowFull.note.empty()) std::printf("window: %s\n", windowFull.note.c_str());
  std::printf("\nrequests by kind and command (first run):\n");
  std::printf("  apply + speed:  %s\n", ctlFull.histogram.c_str());
  std::printf("  window + speed: %s\n", windowFull.histogram.c_str());
  std::printf("  apply:          %s\n", ctlNoSpeed.histogram.c_str());
  std::printf("  window:         %s\n", windowNoSpeed.histogram.c_str());

  // 16 devices on the full-speed bus model, document without the USB speed.
  std::vector<double> single, all;
  std::size_t allRequests = 0;
  for (int run = 0; run < kAllRuns; ++run) single.push_back(OneApply(noSpeed));
  for (int run = 0; run < kAllRuns; ++run) all.push_back(AllApply(noSpeed, &allRequests));
  const double one = Median(single), sixteen = Median(all);
  std::printf(
      "\n--all apply, %d stand-ins, 1 ms per report, document without USB speed "
      "(medians of %d)\n",
      kDevices, kAllRuns);
  std::printf("  one device (--device 1-1)     %8.1f ms\n", one);
  std::printf("  16 x one device               %8.1f ms\n", kDevices * one);
  std::printf("  --all on 16 devices           %8.1f ms  (%zu requests)\n", sixteen, allRequests);
  std::printf("  overhead per device           %8.1f ms\n", (sixteen - kDevices * one) / kDevices);

  std::filesystem::remove_all(root);
  return 0;
}

}  // namespace
}  // namespace tarvik

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  return tarvik::Main();
}
