// The presence probe over a sysfs tree of 32 HID interfaces, one of them the
// Tarvik, and the CPU a connected but quiet device costs.
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <thread>

#include "fake_hidraw/fake_hidraw_tree.h"
#include "link/hid_backend_linux.h"
#include "session/hid_dev_comm_app.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace {

using namespace tarvik;
using sim::FakeHidrawTree;

constexpr int kInterfaces = 32;
constexpr int kTarvikPosition = 20;

// A tree like a desktop's: keyboards, mice and headsets, and one Tarvik.
bool FillTree(FakeHidrawTree& tree) {
  for (int i = 0; i < kInterfaces; ++i) {
    const bool tarvik = i == kTarvikPosition;
    const auto descriptor = tarvik ? FakeHidrawTree::VendorDescriptor(64, 64, 0)
                                   : FakeHidrawTree::VendorDescriptor(8 + i, i % 3 ? 0 : 8, i % 2);
    const uint16_t vendor = tarvik ? 0x2F3A : static_cast<uint16_t>(0x1000 + i);
    const uint16_t product = tarvik ? 0x4021 : static_cast<uint16_t>(0x0100 + i);
    if (tree.AddInterface(vendor, product, descriptor, FakeHidrawTree::NodeKind::kFifo) < 0)
      return false;
  }
  return true;
}

void BM_ProbeDevice32Interfaces(benchmark::State& state) {
  FakeHidrawTree tree;
  if (!tree.IsValid() || !FillTree(tree)) {
    state.SkipWithError("could not build the fake tree");
    return;
  }
  sim::FakeHidrawBackend backend(tree);
  for (auto _ : state) {
    if (ProbeDevice(backend) != Presence::kPresent) {
      state.SkipWithError("the Tarvik was not found");
      break;
    }
  }
}
BENCHMARK(BM_ProbeDevice32Interfaces)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

double CpuMs(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// CPU of every thread but this one: the receive thread (and, on the stand-in,
// its idle timer).
double OtherThreadsCpuMs() {
  const double self = CpuMs(CLOCK_THREAD_CPUTIME_ID);
  return CpuMs(CLOCK_PROCESS_CPUTIME_ID) - self;
}

// What the receive thread costs while a connected device says nothing for
// 10 s. Argument 0 runs on the hidraw backend over a fake node, 1 on the
// stand-in device.
void BM_QuietDeviceCpu(benchmark::State& state) {
  FakeHidrawTree tree;
  sim::SimDevice device;
  sim::FakeHidrawBackend hidraw(tree);
  HidBackend* backend = &hidraw;
  if (state.range(0) == 0) {
    if (!tree.IsValid() || !FillTree(tree)) {
      state.SkipWithError("could not build the fake tree");
      return;
    }
  } else {
    device.Plug();
    backend = &sim::DefaultSimBackend();
  }
  CHidDevCommApp session(*backend);
  if (!session.Open()) {
    state.SkipWithError("the device did not open");
    return;
  }
  double cpuMs = 0;
  for (auto _ : state) {
    const double before = OtherThreadsCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    cpuMs = OtherThreadsCpuMs() - before;
  }
  state.counters["receive_thread_cpu_ms_in_10s"] = cpuMs;
}
BENCHMARK(BM_QuietDeviceCpu)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
