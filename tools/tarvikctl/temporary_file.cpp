#include "temporary_file.h"

#include <atomic>
#include <csignal>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tarvik::ctl {
namespace {

namespace fs = std::filesystem;

constexpr int kNameLetters = 8;

// A signal handler reaches only lock-free atomics: the name to remove, kept
// alive by the TemporaryFile, and the handlers to hand the signal on to.
using Handler = void (*)(int);
std::atomic<const fs::path::value_type*> g_name{nullptr};
std::atomic<Handler> g_previousInterrupt{SIG_DFL};
std::atomic<Handler> g_previousTerminate{SIG_DFL};
static_assert(std::atomic<const fs::path::value_type*>::is_always_lock_free &&
              std::atomic<Handler>::is_always_lock_free);

void OnSignal(int signal) {
  // unlink and _wunlink may be called from a signal handler; fs::remove may not.
  if (const fs::path::value_type* name = g_name.exchange(nullptr)) {
#ifdef _WIN32
    _wunlink(name);
#else
    unlink(name);
#endif
  }
  // The signal then does what it would have done without this handler.
  std::signal(signal, (signal == SIGINT ? g_previousInterrupt : g_previousTerminate).load());
  std::raise(signal);
}

// Catches `signal` unless it is ignored, which it then stays; the handler it had.
Handler Catch(int signal, std::atomic<Handler>& previous) {
  Handler before = std::signal(signal, OnSignal);
  if (before == SIG_ERR) before = SIG_DFL;
  if (before == SIG_IGN) std::signal(signal, SIG_IGN);
  previous.store(before);
  return before;
}

fs::path UnusedNameBeside(const fs::path& target) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0;; ++attempt) {
    std::string name = ".";
    for (int i = 0; i < kNameLetters; ++i) name += kLetters[pick(random)];
    const fs::path candidate = target.parent_path() / name;
    std::error_code error;
    if (!fs::exists(candidate, error) || attempt >= 100) return candidate;
  }
}

}  // namespace

TemporaryFile::TemporaryFile(const fs::path& target) : path_(UnusedNameBeside(target)) {
  g_name.store(path_.c_str());
  previousInterrupt_ = Catch(SIGINT, g_previousInterrupt);
  previousTerminate_ = Catch(SIGTERM, g_previousTerminate);
}

TemporaryFile::~TemporaryFile() {
  std::signal(SIGINT, previousInterrupt_);
  std::signal(SIGTERM, previousTerminate_);
  g_name.store(nullptr);
  if (moved_) return;
  std::error_code ignored;
  fs::remove(path_, ignored);
}

bool TemporaryFile::MoveOver(const fs::path& target, std::error_code& error) {
  fs::rename(path_, target, error);
  moved_ = !error;
  return moved_;
}

}  // namespace tarvik::ctl
