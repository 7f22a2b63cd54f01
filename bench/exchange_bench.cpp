// One exchange through ExecuteCommand against the stand-in device, beside its
// floor: a bare request and reply between two threads through a mutex and a
// condition variable.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "commands/command_id.h"
#include "session/hid_dev_comm_app.h"
#include "link/link_errors.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"

namespace {

using namespace tarvik;

void BM_ExchangeGetUsbSpeed(benchmark::State& state) {
  sim::SimDevice device;
  device.Plug();
  CHidDevCommApp session(sim::DefaultSimBackend());
  if (!session.Open()) {
    state.SkipWithError("stand-in device did not open");
    return;
  }
  std::lock_guard<std::recursive_mutex> guard(session.lock);
  for (auto _ : state) {
    if (session.Execute(ToInt(CommandId::GetUsbSpeed)) != LINK_OK) {
      state.SkipWithError("exchange failed");
      break;
    }
  }
}
BENCHMARK(BM_ExchangeGetUsbSpeed)->Repetitions(10)->ReportAggregatesOnly(true)->UseRealTime();

// The receiving thread answers each request by flipping a flag back.
void BM_ThreadHandoffFloor(benchmark::State& state) {
  std::mutex mutex;
  std::condition_variable cv;
  bool request = false, reply = false, stop = false;
  std::thread peer([&] {
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
      cv.wait(lock, [&] { return request || stop; });
      if (stop) return;
      request = false;
      reply = true;
      cv.notify_all();
    }
  });
  for (auto _ : state) {
    std::unique_lock<std::mutex> lock(mutex);
    request = true;
    cv.notify_all();
    cv.wait(lock, [&] { return reply; });
    reply = false;
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
  }
  cv.notify_all();
  peer.join();
}
BENCHMARK(BM_ThreadHandoffFloor)->Repetitions(10)->ReportAggregatesOnly(true)->UseRealTime();

}  // namespace
