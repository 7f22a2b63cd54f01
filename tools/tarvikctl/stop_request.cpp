#include "stop_request.h"

#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>

#include "link/device_link.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tarvik::ctl {
namespace {

namespace fs = std::filesystem;
using Handler = void (*)(int);
using Name = const fs::path::value_type*;

// Far more transfers and temporary files than a run has at once. One that
// finds every slot taken still works; the handler only cannot reach it.
constexpr int kSlots = 1024;

// A signal handler reaches only lock-free atomics.
std::atomic<DeviceLink*> g_links[kSlots];
std::atomic<Name> g_names[kSlots];
std::atomic<int> g_signal{0};
std::atomic<int> g_scopes{0};
std::atomic<int> g_cancelling{0};  // handlers going through g_links now
std::atomic<Handler> g_previousInterrupt{SIG_DFL};
std::atomic<Handler> g_previousTerminate{SIG_DFL};
static_assert(std::atomic<DeviceLink*>::is_always_lock_free &&
              std::atomic<Name>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
              std::atomic<Handler>::is_always_lock_free);

std::mutex g_installMutex;  // never taken by the handler
int g_installs = 0;         // under g_installMutex

std::atomic<Handler>& Previous(int signal) {
  return signal == SIGINT ? g_previousInterrupt : g_previousTerminate;
}

void RemoveFile(Name name) {
  // unlink and _wunlink may be called from a signal handler; fs::remove may not.
#ifdef _WIN32
  _wunlink(name);
#else
  unlink(name);
#endif
}

void OnSignal(int signal) {
  if (g_scopes.load() > 0) {
    int none = 0;
    if (g_signal.compare_exchange_strong(none, signal)) {
      // Windows puts the default back before calling a handler: a second
      // signal must still find this one.
      std::signal(signal, OnSignal);
      g_cancelling.fetch_add(1);
      for (std::atomic<DeviceLink*>& slot : g_links)
        if (DeviceLink* link = slot.load()) link->CancelTransfer();
      g_cancelling.fetch_sub(1);
      return;
    }
  } else if (Previous(signal).load() == SIG_IGN) {
    return;  // an ignored signal stays ignored outside a run
  }
  for (std::atomic<Name>& slot : g_names)
    if (const Name name = slot.exchange(nullptr)) RemoveFile(name);
  // The signal then does what it would have done without this handler.
  const Handler previous = Previous(signal).load();
  std::signal(signal, previous == SIG_IGN ? SIG_DFL : previous);
  std::raise(signal);
}

void Install() {
  std::lock_guard<std::mutex> guard(g_installMutex);
  if (g_installs++ > 0) return;
  for (const int signal : {SIGINT, SIGTERM}) {
    const Handler before = std::signal(signal, OnSignal);
    Previous(signal).store(before == SIG_ERR ? SIG_DFL : before);
  }
}

void Uninstall() {
  std::lock_guard<std::mutex> guard(g_installMutex);
  if (--g_installs > 0) return;
  for (const int signal : {SIGINT, SIGTERM}) std::signal(signal, Previous(signal).load());
}

template <typename T>
int TakeSlot(std::atomic<T>* slots, T value) {
  for (int i = 0; i < kSlots; ++i) {
    T empty = nullptr;
    if (slots[i].compare_exchange_strong(empty, value)) return i;
  }
  return -1;
}

}  // namespace

int StopSignal() { return g_signal.load(); }

StopScope::StopScope() {
  {
    std::lock_guard<std::mutex> guard(g_installMutex);
    if (g_scopes.load() == 0) g_signal.store(0);
    g_scopes.fetch_add(1);
  }
  Install();
}

StopScope::~StopScope() {
  g_scopes.fetch_sub(1);
  Uninstall();
}

TransferStop::TransferStop(DeviceLink& link) : slot_(TakeSlot(g_links, &link)) {
  if (StopSignal() != 0) link.CancelTransfer();
}

TransferStop::~TransferStop() {
  if (slot_ < 0) return;
  g_links[slot_].store(nullptr);
  // A handler on another thread may hold the link it read before: the link
  // must outlive that handler's use of it.
  while (g_cancelling.load() != 0) std::this_thread::yield();
}

RemoveOnSignal::RemoveOnSignal(const fs::path& path) : slot_(TakeSlot(g_names, path.c_str())) {
  Install();
}

RemoveOnSignal::~RemoveOnSignal() {
  if (slot_ >= 0) g_names[slot_].store(nullptr);
  Uninstall();
}

}  // namespace tarvik::ctl
