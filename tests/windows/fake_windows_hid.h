// A stand-in Windows HID stack behind a WindowsHidApi table: interfaces the
// test describes, answering the backend's calls by the system's rules.
// Events are real Win32 events, so waits and signals behave as the system's;
// the clock is the fake's own and moves only when Sleep is called.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/hid_backend.h"
#include "link/windows_hid_api.h"

namespace tarvik {

struct FakeHidInterface {
  std::wstring path;
  HidIdentity identity{0x2F3A, 0x4021};
  USHORT inputLength = 65;
  USHORT outputLength = 65;
  std::vector<UCHAR> outputButtonIds;  // report IDs of the output button items, in order
  std::vector<UCHAR> outputValueIds;   // and of the output value items
  DWORD openError = ERROR_SUCCESS;     // every CreateFileW fails with this
  int opensBeforeUnplug = -1;          // successful opens before it is gone; -1: no limit
  bool preparsedFails = false;
  bool detailSizeTooSmall = false;  // the size query names a size the path does not fit
  bool detailFails = false;         // the detail call itself fails
  bool writesComplete = true;       // false: writes run until cancelled or unplugged
  // Output items with their sizes, listed after the ID-only ones.
  std::vector<HIDP_BUTTON_CAPS> outputButtons;
  std::vector<HIDP_VALUE_CAPS> outputValues;
  // The device nodes above the interface's own, nearest first, each with its
  // location paths (none: a node without the property).
  std::vector<std::vector<std::wstring>> ancestorLocations;
};

class FakeWindowsHid {
 public:
  // The table's functions answer from this stack while it lives; one at a time.
  FakeWindowsHid();
  ~FakeWindowsHid();
  FakeWindowsHid(const FakeWindowsHid&) = delete;
  FakeWindowsHid& operator=(const FakeWindowsHid&) = delete;

  const WindowsHidApi& Api() const;

  int Add(FakeHidInterface iface);  // its index
  // Gone from later lists and opens; its running transfers fail, and so do later ones.
  void Unplug(int index);
  // The device sends a report: it completes a running read, or waits for the next.
  void Deliver(int index, std::vector<uint8_t> report);
  // Completes transfers whose cancellation CancelIo only asked for (cancelsLater).
  void FinishCancels();
  // Waits (real time, up to 5 s) until `count` reads run on the interface.
  bool WaitForRunningReads(int index, int count = 1) const;

  int Outstanding() const;  // files, lists, preparsed blocks and events not given back
  int Running() const;      // transfers the system still holds a buffer of
  int Misuses() const;      // calls against the system's rules
  std::vector<std::vector<uint8_t>> Written(int index) const;

  // Behaviour switches, set before use.
  bool waitSucceedsWhilePending = false;   // a wait ended by SetEvent reports success (Wine)
  bool cancelsLater = false;               // CancelIo only asks; FinishCancels completes
  int eventsBeforeFailure = -1;            // CreateEventW calls that succeed; -1: all
  std::function<void()> beforeReadStarts;  // runs in ReadFile before it clears the event
  std::function<void()> onPoll;            // runs in each GetOverlappedResult without wait
  DWORD clock = 0xFFFFFFF0;                // GetTickCount; just short of the wrap

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace tarvik
