// The Windows calls the HID backend makes, as a table of plain function
// pointers: the product uses the system's own, tests a stand-in stack.
#pragma once

// clang-format off
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
// clang-format on
extern "C" {
#include <hidsdi.h>
}

namespace tarvik {

struct WindowsHidApi {
  // Enumeration (SetupAPI).
  decltype(&::HidD_GetHidGuid) HidD_GetHidGuid;
  decltype(&::SetupDiGetClassDevsW) SetupDiGetClassDevsW;
  decltype(&::SetupDiEnumDeviceInterfaces) SetupDiEnumDeviceInterfaces;
  decltype(&::SetupDiGetDeviceInterfaceDetailW) SetupDiGetDeviceInterfaceDetailW;
  decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList;
  // The device tree above an interface (CfgMgr32): its USB location.
  decltype(&::CM_Get_Parent) CM_Get_Parent;
  decltype(&::CM_Get_DevNode_PropertyW) CM_Get_DevNode_PropertyW;
  // Opening and describing an interface (HID.DLL).
  decltype(&::CreateFileW) CreateFileW;
  decltype(&::HidD_GetPreparsedData) HidD_GetPreparsedData;
  decltype(&::HidD_FreePreparsedData) HidD_FreePreparsedData;
  decltype(&::HidD_GetAttributes) HidD_GetAttributes;
  decltype(&::HidP_GetCaps) HidP_GetCaps;
  decltype(&::HidP_GetButtonCaps) HidP_GetButtonCaps;
  decltype(&::HidP_GetValueCaps) HidP_GetValueCaps;
  // Overlapped report I/O (kernel32).
  decltype(&::ReadFile) ReadFile;
  decltype(&::WriteFile) WriteFile;
  decltype(&::GetOverlappedResult) GetOverlappedResult;
  decltype(&::CancelIo) CancelIo;
  decltype(&::GetLastError) GetLastError;
  decltype(&::CreateEventW) CreateEventW;
  decltype(&::SetEvent) SetEvent;
  decltype(&::ResetEvent) ResetEvent;
  decltype(&::CloseHandle) CloseHandle;
  decltype(&::GetTickCount) GetTickCount;
  decltype(&::Sleep) Sleep;
};

// The table of the system's own functions.
const WindowsHidApi& SystemWindowsHidApi();

}  // namespace tarvik
