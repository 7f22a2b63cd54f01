#include "fake_windows_hid.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace tarvik {

namespace {

constexpr GUID kHidClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr ULONG_PTR kStatusPending = 0x103;
constexpr ULONG_PTR kStatusSuccess = 0;
constexpr ULONG_PTR kStatusCancelled = 0xC0000120;
constexpr ULONG_PTR kStatusNotConnected = 0xC000009D;

FakeWindowsHid::State* g_state = nullptr;  // the stack the table answers from

}  // namespace

struct FakeWindowsHid::State {
  struct Transfer {
    HANDLE file;
    int iface;
    OVERLAPPED* overlapped;
    uint8_t* buffer;
    DWORD size;
    bool isRead;
    DWORD thread;  // CancelIo reaches only the caller's own transfers
    bool cancelAsked = false;
  };

  explicit State(FakeWindowsHid& knobs) : knobs(knobs) {}

  // Fake handles are addresses nobody dereferences, far from real handle values.
  void* NewHandle() { return reinterpret_cast<void*>(nextHandle += 0x10); }

  bool Misuse(DWORD error) {
    ++misuses;
    SetLastError(error);
    return false;
  }

  std::list<Transfer>::iterator FindTransfer(const OVERLAPPED* overlapped) {
    return std::find_if(running.begin(), running.end(),
                        [&](const Transfer& t) { return t.overlapped == overlapped; });
  }

  // The system's completion: status and count first, then the event.
  void Complete(std::list<Transfer>::iterator transfer, ULONG_PTR status, DWORD bytes) {
    OVERLAPPED* overlapped = transfer->overlapped;
    overlapped->InternalHigh = bytes;
    std::atomic_ref<ULONG_PTR>(overlapped->Internal).store(status);
    ::SetEvent(overlapped->hEvent);
    running.erase(transfer);
  }

  void CompleteRead(std::list<Transfer>::iterator transfer, const std::vector<uint8_t>& report) {
    const DWORD n = std::min<DWORD>(transfer->size, static_cast<DWORD>(report.size()));
    std::memcpy(transfer->buffer, report.data(), n);
    Complete(transfer, kStatusSuccess, n);
  }

  void UnplugLocked(int index) {
    present[index] = false;
    for (auto it = running.begin(); it != running.end();) {
      auto next = std::next(it);
      if (it->iface == index) Complete(it, kStatusNotConnected, 0);
      it = next;
    }
  }

  // The interface of an open file, or -1 (last error set) when it is not
  // one or its device is gone.
  int Opened(HANDLE file) {
    const auto found = files.find(file);
    if (found == files.end()) return Misuse(ERROR_INVALID_HANDLE), -1;
    if (!present[found->second]) return SetLastError(ERROR_DEVICE_NOT_CONNECTED), -1;
    return found->second;
  }

  BOOL Start(HANDLE file, void* buffer, DWORD size, OVERLAPPED* overlapped, bool isRead) {
    if (isRead && knobs.beforeReadStarts) knobs.beforeReadStarts();
    std::lock_guard lock(mutex);
    if (!files.contains(file) || overlapped == nullptr || !events.contains(overlapped->hEvent))
      return Misuse(ERROR_INVALID_PARAMETER);
    if (FindTransfer(overlapped) != running.end()) ++misuses;  // record still the system's
    ::ResetEvent(overlapped->hEvent);
    overlapped->Internal = kStatusPending;
    const int index = Opened(file);
    if (index < 0) return FALSE;
    const FakeHidInterface& iface = interfaces[index];
    if (isRead ? size < iface.inputLength : size != iface.outputLength)
      return SetLastError(ERROR_INVALID_USER_BUFFER), FALSE;
    running.push_back({file, index, overlapped, static_cast<uint8_t*>(buffer), size, isRead,
                       GetCurrentThreadId()});
    if (isRead && !queued[index].empty()) {
      CompleteRead(std::prev(running.end()), queued[index].front());
      queued[index].pop_front();
      return TRUE;
    }
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
  }

  FakeWindowsHid& knobs;
  mutable std::mutex mutex;
  std::vector<FakeHidInterface> interfaces;
  std::vector<bool> present;
  std::map<HANDLE, int> files;                    // open file -> interface
  std::map<HDEVINFO, std::vector<int>> lists;     // list -> interfaces in it
  std::map<PHIDP_PREPARSED_DATA, int> preparsed;  // block -> interface
  std::set<HANDLE> events;
  std::list<Transfer> running;
  std::map<int, std::deque<std::vector<uint8_t>>> queued;  // reports nobody read yet
  std::map<int, std::vector<std::vector<uint8_t>>> written;
  int misuses = 0;
  uintptr_t nextHandle = 0x5EED00000000;
};

namespace {

FakeWindowsHid::State& S() { return *g_state; }

void WINAPI GetHidGuid(LPGUID guid) { *guid = kHidClass; }

HDEVINFO WINAPI GetClassDevs(const GUID* guid, PCWSTR enumerator, HWND, DWORD flags) {
  std::lock_guard lock(S().mutex);
  if (guid == nullptr || *guid != kHidClass || enumerator != nullptr ||
      flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE))
    return S().Misuse(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
  std::vector<int> members;
  for (std::size_t i = 0; i < S().interfaces.size(); ++i)
    if (S().present[i]) members.push_back(static_cast<int>(i));
  HDEVINFO list = S().NewHandle();
  S().lists[list] = members;
  return list;
}

BOOL WINAPI EnumInterfaces(HDEVINFO list, PSP_DEVINFO_DATA, const GUID* guid, DWORD index,
                           PSP_DEVICE_INTERFACE_DATA data) {
  std::lock_guard lock(S().mutex);
  const auto found = S().lists.find(list);
  if (found == S().lists.end() || guid == nullptr || *guid != kHidClass ||
      data->cbSize != sizeof *data)
    return S().Misuse(ERROR_INVALID_PARAMETER);
  if (index >= found->second.size()) return SetLastError(ERROR_NO_MORE_ITEMS), FALSE;
  data->InterfaceClassGuid = kHidClass;
  data->Flags = SPINT_ACTIVE;
  data->Reserved = static_cast<ULONG_PTR>(found->second[index]);
  return TRUE;
}

// Device nodes: each interface's own and those above it, kNodesPerInterface
// numbers apart, the interface's own first.
constexpr DEVINST kFirstNode = 0x100;
constexpr DEVINST kNodesPerInterface = 0x10;

BOOL WINAPI GetDetail(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA data,
                      PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size, PDWORD required,
                      PSP_DEVINFO_DATA device) {
  std::lock_guard lock(S().mutex);
  if (!S().lists.contains(list) || data == nullptr) return S().Misuse(ERROR_INVALID_PARAMETER);
  const FakeHidInterface& iface = S().interfaces[data->Reserved];
  constexpr DWORD kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
  const DWORD needed = kPathOffset + (iface.path.size() + 1) * sizeof(WCHAR);
  if (required != nullptr) *required = iface.detailSizeTooSmall ? needed - 4 : needed;
  if (detail == nullptr) {
    if (size != 0) return S().Misuse(ERROR_INVALID_USER_BUFFER);
    return SetLastError(ERROR_INSUFFICIENT_BUFFER), FALSE;
  }
  if (detail->cbSize != sizeof *detail) return S().Misuse(ERROR_INVALID_USER_BUFFER);
  if (size < needed) return SetLastError(ERROR_INSUFFICIENT_BUFFER), FALSE;
  if (iface.detailFails) return SetLastError(ERROR_NO_SUCH_DEVINST), FALSE;
  if (device != nullptr) {
    if (device->cbSize != sizeof *device) return S().Misuse(ERROR_INVALID_USER_BUFFER);
    device->DevInst = kFirstNode + static_cast<DEVINST>(data->Reserved) * kNodesPerInterface;
  }
  std::memcpy(detail->DevicePath, iface.path.c_str(), (iface.path.size() + 1) * sizeof(WCHAR));
  return TRUE;
}

// The interface and the depth above its own node that `node` stands for;
// false for a node the stack does not have (or no longer has).
bool NodeOf(DEVINST node, std::size_t* index, std::size_t* depth) {
  if (node < kFirstNode) return false;
  *index = (node - kFirstNode) / kNodesPerInterface;
  *depth = (node - kFirstNode) % kNodesPerInterface;
  return *index < S().interfaces.size() && S().present[*index] &&
         *depth <= S().interfaces[*index].ancestorLocations.size();
}

CONFIGRET WINAPI GetParent(PDEVINST parent, DEVINST node, ULONG flags) {
  std::lock_guard lock(S().mutex);
  std::size_t index, depth;
  if (parent == nullptr || flags != 0) return S().Misuse(ERROR_INVALID_PARAMETER), CR_INVALID_POINTER;
  if (!NodeOf(node, &index, &depth)) return CR_NO_SUCH_DEVNODE;
  if (depth == S().interfaces[index].ancestorLocations.size()) return CR_NO_SUCH_DEVNODE;
  *parent = node + 1;
  return CR_SUCCESS;
}

CONFIGRET WINAPI GetNodeProperty(DEVINST node, const DEVPROPKEY* key, DEVPROPTYPE* type,
                                 PBYTE buffer, PULONG size, ULONG flags) {
  // DEVPKEY_Device_LocationPaths
  static constexpr GUID kLocation = {
      0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}};
  std::lock_guard lock(S().mutex);
  if (key == nullptr || type == nullptr || size == nullptr || flags != 0 ||
      (buffer == nullptr && *size != 0))
    return S().Misuse(ERROR_INVALID_PARAMETER), CR_INVALID_POINTER;
  std::size_t index, depth;
  if (!NodeOf(node, &index, &depth)) return CR_NO_SUCH_DEVNODE;
  if (key->fmtid != kLocation || key->pid != 37 || depth == 0) return CR_NO_SUCH_VALUE;
  const std::vector<std::wstring>& paths = S().interfaces[index].ancestorLocations[depth - 1];
  if (paths.empty()) return CR_NO_SUCH_VALUE;
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  const ULONG needed = static_cast<ULONG>(list.size() * sizeof(WCHAR));
  *type = DEVPROP_TYPE_STRING_LIST;
  const bool fits = buffer != nullptr && *size >= needed;
  if (fits) std::memcpy(buffer, list.data(), needed);
  *size = needed;
  return fits ? CR_SUCCESS : CR_BUFFER_SMALL;
}

BOOL WINAPI DestroyList(HDEVINFO list) {
  std::lock_guard lock(S().mutex);
  return S().lists.erase(list) == 1 || S().Misuse(ERROR_INVALID_HANDLE);
}

HANDLE WINAPI FakeCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                             DWORD disposition, DWORD flags, HANDLE) {
  std::lock_guard lock(S().mutex);
  if (access != (GENERIC_READ | GENERIC_WRITE) || share != (FILE_SHARE_READ | FILE_SHARE_WRITE) ||
      disposition != OPEN_EXISTING || flags != FILE_FLAG_OVERLAPPED)
    return S().Misuse(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
  for (std::size_t i = 0; i < S().interfaces.size(); ++i) {
    FakeHidInterface& iface = S().interfaces[i];
    if (!S().present[i] || iface.path != path) continue;
    if (iface.openError != ERROR_SUCCESS)
      return SetLastError(iface.openError), INVALID_HANDLE_VALUE;
    if (iface.opensBeforeUnplug == 0) {
      S().UnplugLocked(static_cast<int>(i));
      break;
    }
    if (iface.opensBeforeUnplug > 0) --iface.opensBeforeUnplug;
    HANDLE file = S().NewHandle();
    S().files[file] = static_cast<int>(i);
    return file;
  }
  return SetLastError(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
}

BOOLEAN WINAPI GetPreparsedData(HANDLE file, PHIDP_PREPARSED_DATA* data) {
  std::lock_guard lock(S().mutex);
  const int index = S().Opened(file);
  if (index < 0 || S().interfaces[index].preparsedFails) return FALSE;
  *data = static_cast<PHIDP_PREPARSED_DATA>(S().NewHandle());
  S().preparsed[*data] = index;
  return TRUE;
}

BOOLEAN WINAPI FreePreparsedData(PHIDP_PREPARSED_DATA data) {
  std::lock_guard lock(S().mutex);
  return S().preparsed.erase(data) == 1 || S().Misuse(ERROR_INVALID_HANDLE);
}

BOOLEAN WINAPI GetAttributes(HANDLE file, PHIDD_ATTRIBUTES attributes) {
  std::lock_guard lock(S().mutex);
  const int index = S().Opened(file);
  if (index < 0) return FALSE;
  if (attributes->Size != sizeof *attributes) return S().Misuse(ERROR_INVALID_PARAMETER);
  attributes->VendorID = S().interfaces[index].identity.vendorId;
  attributes->ProductID = S().interfaces[index].identity.productId;
  attributes->VersionNumber = 0x0100;
  return TRUE;
}

// The interface a preparsed block describes, or -1.
int Described(PHIDP_PREPARSED_DATA data) {
  const auto found = S().preparsed.find(data);
  if (found == S().preparsed.end()) return S().Misuse(ERROR_INVALID_HANDLE), -1;
  return found->second;
}

NTSTATUS WINAPI GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) {
  std::lock_guard lock(S().mutex);
  const int index = Described(data);
  if (index < 0) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  const FakeHidInterface& iface = S().interfaces[index];
  *caps = HIDP_CAPS{};
  caps->InputReportByteLength = iface.inputLength;
  caps->OutputReportByteLength = iface.outputLength;
  caps->NumberOutputButtonCaps =
      static_cast<USHORT>(iface.outputButtonIds.size() + iface.outputButtons.size());
  caps->NumberOutputValueCaps =
      static_cast<USHORT>(iface.outputValueIds.size() + iface.outputValues.size());
  return HIDP_STATUS_SUCCESS;
}

template <typename Caps>
NTSTATUS OutputItems(HIDP_REPORT_TYPE type, Caps* caps, PUSHORT length, PHIDP_PREPARSED_DATA data,
                     std::vector<UCHAR> FakeHidInterface::*ids,
                     std::vector<Caps> FakeHidInterface::*sized) {
  std::lock_guard lock(S().mutex);
  const int index = Described(data);
  if (index < 0) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  std::vector<Caps> items;
  if (type == HidP_Output) {
    for (const UCHAR id : S().interfaces[index].*ids) items.emplace_back().ReportID = id;
    items.insert(items.end(), (S().interfaces[index].*sized).begin(),
                 (S().interfaces[index].*sized).end());
  }
  if (*length < items.size()) {
    *length = static_cast<USHORT>(items.size());
    return HIDP_STATUS_BUFFER_TOO_SMALL;
  }
  std::copy(items.begin(), items.end(), caps);
  *length = static_cast<USHORT>(items.size());
  return HIDP_STATUS_SUCCESS;
}

NTSTATUS WINAPI GetButtonCaps(HIDP_REPORT_TYPE type, PHIDP_BUTTON_CAPS caps, PUSHORT length,
                              PHIDP_PREPARSED_DATA data) {
  return OutputItems(type, caps, length, data, &FakeHidInterface::outputButtonIds,
                     &FakeHidInterface::outputButtons);
}

NTSTATUS WINAPI GetValueCaps(HIDP_REPORT_TYPE type, PHIDP_VALUE_CAPS caps, PUSHORT length,
                             PHIDP_PREPARSED_DATA data) {
  return OutputItems(type, caps, length, data, &FakeHidInterface::outputValueIds,
                     &FakeHidInterface::outputValues);
}

BOOL WINAPI FakeReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD, LPOVERLAPPED overlapped) {
  return S().Start(file, buffer, size, overlapped, true);
}

BOOL WINAPI FakeWriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD,
                          LPOVERLAPPED overlapped) {
  return S().Start(file, const_cast<void*>(buffer), size, overlapped, false);
}

BOOL WINAPI FakeGetOverlappedResult(HANDLE file, LPOVERLAPPED overlapped, LPDWORD bytes,
                                    BOOL wait) {
  if (!wait && S().knobs.onPoll) S().knobs.onPoll();
  std::unique_lock lock(S().mutex);
  if (!S().files.contains(file) || overlapped == nullptr) return S().Misuse(ERROR_INVALID_HANDLE);
  const auto transfer = S().FindTransfer(overlapped);
  // A device that takes its writes finishes each when it is first looked at.
  if (transfer != S().running.end() && !transfer->isRead &&
      S().interfaces[transfer->iface].writesComplete) {
    S().written[transfer->iface].emplace_back(transfer->buffer, transfer->buffer + transfer->size);
    S().Complete(transfer, kStatusSuccess, transfer->size);
  }
  if (overlapped->Internal == kStatusPending) {
    if (!wait) return SetLastError(ERROR_IO_INCOMPLETE), FALSE;
    lock.unlock();
    WaitForSingleObject(overlapped->hEvent, INFINITE);
    lock.lock();
    // The event was set while the transfer still runs: Windows reports that,
    // Wine reports success.
    if (overlapped->Internal == kStatusPending) {
      if (!S().knobs.waitSucceedsWhilePending) return SetLastError(ERROR_IO_INCOMPLETE), FALSE;
      *bytes = 0;
      return TRUE;
    }
  }
  *bytes = static_cast<DWORD>(overlapped->InternalHigh);
  switch (overlapped->Internal) {
    case kStatusSuccess:
      return TRUE;
    case kStatusCancelled:
      return SetLastError(ERROR_OPERATION_ABORTED), FALSE;
    default:
      return SetLastError(ERROR_DEVICE_NOT_CONNECTED), FALSE;
  }
}

BOOL WINAPI FakeCancelIo(HANDLE file) {
  std::lock_guard lock(S().mutex);
  if (!S().files.contains(file)) return S().Misuse(ERROR_INVALID_HANDLE);
  for (auto it = S().running.begin(); it != S().running.end();) {
    auto next = std::next(it);
    if (it->file == file && it->thread == GetCurrentThreadId()) {
      if (S().knobs.cancelsLater)
        it->cancelAsked = true;
      else
        S().Complete(it, kStatusCancelled, 0);
    }
    it = next;
  }
  return TRUE;
}

HANDLE WINAPI FakeCreateEvent(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState,
                              LPCWSTR name) {
  std::lock_guard lock(S().mutex);
  if (!manualReset || initialState || name != nullptr)
    return S().Misuse(ERROR_INVALID_PARAMETER), nullptr;
  int& left = S().knobs.eventsBeforeFailure;
  if (left == 0) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr;
  if (left > 0) --left;
  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  S().events.insert(event);
  return event;
}

BOOL WINAPI FakeSetEvent(HANDLE event) {
  std::lock_guard lock(S().mutex);
  return S().events.contains(event) ? ::SetEvent(event) : S().Misuse(ERROR_INVALID_HANDLE);
}

BOOL WINAPI FakeResetEvent(HANDLE event) {
  std::lock_guard lock(S().mutex);
  return S().events.contains(event) ? ::ResetEvent(event) : S().Misuse(ERROR_INVALID_HANDLE);
}

BOOL WINAPI FakeCloseHandle(HANDLE handle) {
  std::lock_guard lock(S().mutex);
  if (S().files.contains(handle)) {
    // Closing a file the system still holds a transfer of.
    for (const auto& transfer : S().running)
      if (transfer.file == handle) ++S().misuses;
    S().files.erase(handle);
    return TRUE;
  }
  if (S().events.erase(handle) == 1) return ::CloseHandle(handle);
  return S().Misuse(ERROR_INVALID_HANDLE);
}

DWORD WINAPI FakeGetTickCount() {
  std::lock_guard lock(S().mutex);
  return S().knobs.clock;
}

void WINAPI FakeSleep(DWORD ms) {
  {
    std::lock_guard lock(S().mutex);
    S().knobs.clock += std::max<DWORD>(ms, 1);
  }
  std::this_thread::yield();
}

const WindowsHidApi kFakeApi = {
    .HidD_GetHidGuid = GetHidGuid,
    .SetupDiGetClassDevsW = GetClassDevs,
    .SetupDiEnumDeviceInterfaces = EnumInterfaces,
    .SetupDiGetDeviceInterfaceDetailW = GetDetail,
    .SetupDiDestroyDeviceInfoList = DestroyList,
    .CM_Get_Parent = GetParent,
    .CM_Get_DevNode_PropertyW = GetNodeProperty,
    .CreateFileW = FakeCreateFile,
    .HidD_GetPreparsedData = GetPreparsedData,
    .HidD_FreePreparsedData = FreePreparsedData,
    .HidD_GetAttributes = GetAttributes,
    .HidP_GetCaps = GetCaps,
    .HidP_GetButtonCaps = GetButtonCaps,
    .HidP_GetValueCaps = GetValueCaps,
    .ReadFile = FakeReadFile,
    .WriteFile = FakeWriteFile,
    .GetOverlappedResult = FakeGetOverlappedResult,
    .CancelIo = FakeCancelIo,
    .GetLastError = ::GetLastError,
    .CreateEventW = FakeCreateEvent,
    .SetEvent = FakeSetEvent,
    .ResetEvent = FakeResetEvent,
    .CloseHandle = FakeCloseHandle,
    .GetTickCount = FakeGetTickCount,
    .Sleep = FakeSleep,
};

}  // namespace

FakeWindowsHid::FakeWindowsHid() : state_(std::make_unique<State>(*this)) {
  g_state = state_.get();
}

FakeWindowsHid::~FakeWindowsHid() { g_state = nullptr; }

const WindowsHidApi& FakeWindowsHid::Api() const { return kFakeApi; }

int FakeWindowsHid::Add(FakeHidInterface iface) {
  std::lock_guard lock(state_->mutex);
  state_->interfaces.push_back(std::move(iface));
  state_->present.push_back(true);
  return static_cast<int>(state_->interfaces.size()) - 1;
}

void FakeWindowsHid::Unplug(int index) {
  std::lock_guard lock(state_->mutex);
  state_->UnplugLocked(index);
}

void FakeWindowsHid::Deliver(int index, std::vector<uint8_t> report) {
  std::lock_guard lock(state_->mutex);
  for (auto it = state_->running.begin(); it != state_->running.end(); ++it) {
    if (it->iface == index && it->isRead && !it->cancelAsked) {
      state_->CompleteRead(it, report);
      return;
    }
  }
  state_->queued[index].push_back(std::move(report));
}

void FakeWindowsHid::FinishCancels() {
  std::lock_guard lock(state_->mutex);
  for (auto it = state_->running.begin(); it != state_->running.end();) {
    auto next = std::next(it);
    if (it->cancelAsked) state_->Complete(it, kStatusCancelled, 0);
    it = next;
  }
}

bool FakeWindowsHid::WaitForRunningReads(int index, int count) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < end) {
    {
      std::lock_guard lock(state_->mutex);
      if (std::count_if(state_->running.begin(), state_->running.end(),
                        [&](const auto& t) { return t.iface == index && t.isRead; }) >= count)
        return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

int FakeWindowsHid::Outstanding() const {
  std::lock_guard lock(state_->mutex);
  return static_cast<int>(state_->files.size() + state_->lists.size() + state_->preparsed.size() +
                          state_->events.size());
}

int FakeWindowsHid::Running() const {
  std::lock_guard lock(state_->mutex);
  return static_cast<int>(state_->running.size());
}

int FakeWindowsHid::Misuses() const {
  std::lock_guard lock(state_->mutex);
  return state_->misuses;
}

std::vector<std::vector<uint8_t>> FakeWindowsHid::Written(int index) const {
  std::lock_guard lock(state_->mutex);
  const auto found = state_->written.find(index);
  return found == state_->written.end() ? std::vector<std::vector<uint8_t>>{} : found->second;
}

}  // namespace tarvik
