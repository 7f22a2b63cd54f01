#include "system/single_instance_lock.h"

#include <windows.h>

namespace tarvik {
namespace {

// `text` as UTF-16, or empty when it is not valid UTF-8.
std::wstring Widened(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      wide.data(), length);
  return wide;
}

}  // namespace

std::string DefaultLockDirectory() { return kSingleInstanceName; }

SingleInstanceLock::Result SingleInstanceLock::Acquire(const std::string& place) {
  Release();
  if (place.empty()) return Result::kUnavailable;
  const std::wstring name = Widened(place);
  if (name.empty()) return Result::kUnavailable;
  // Not owned by anybody: that the name exists is the lock. The name lives in
  // the session's own namespace, so other users' sessions have their own.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return Result::kUnavailable;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return Result::kAlreadyHeld;
  }
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
  return Result::kAcquired;
}

void SingleInstanceLock::Release() {
  if (handle_ == kNoHandle) return;
  HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
  // Nobody waits on it, so this normally finds it unowned; the name goes
  // with the last handle.
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  handle_ = kNoHandle;
}

}  // namespace tarvik
