#include "transfer_interruption.h"

#include <atomic>
#include <csignal>

#include "link/device_link.h"

namespace tarvik::ctl {
namespace {

// A signal handler reaches only lock-free atomics.
std::atomic<DeviceLink*> g_link{nullptr};
std::atomic<int> g_signal{0};
static_assert(std::atomic<DeviceLink*>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free);

void OnSignal(int signal) {
  g_signal.store(signal);
  if (DeviceLink* link = g_link.load()) link->CancelTransfer();
}

}  // namespace

TransferInterruption::TransferInterruption(DeviceLink& link) {
  g_signal.store(0);
  g_link.store(&link);
  previousInterrupt_ = std::signal(SIGINT, OnSignal);
  previousTerminate_ = std::signal(SIGTERM, OnSignal);
}

TransferInterruption::~TransferInterruption() {
  std::signal(SIGINT, previousInterrupt_ == SIG_ERR ? SIG_DFL : previousInterrupt_);
  std::signal(SIGTERM, previousTerminate_ == SIG_ERR ? SIG_DFL : previousTerminate_);
  g_link.store(nullptr);
}

int TransferInterruption::Signal() const { return g_signal.load(); }

}  // namespace tarvik::ctl
