#include "link/windows_hid_api.h"

namespace tarvik {

const WindowsHidApi& SystemWindowsHidApi() {
  static const WindowsHidApi api = {
      .HidD_GetHidGuid = ::HidD_GetHidGuid,
      .SetupDiGetClassDevsW = ::SetupDiGetClassDevsW,
      .SetupDiEnumDeviceInterfaces = ::SetupDiEnumDeviceInterfaces,
      .SetupDiGetDeviceInterfaceDetailW = ::SetupDiGetDeviceInterfaceDetailW,
      .SetupDiDestroyDeviceInfoList = ::SetupDiDestroyDeviceInfoList,
      .CM_Get_Parent = ::CM_Get_Parent,
      .CM_Get_DevNode_PropertyW = ::CM_Get_DevNode_PropertyW,
      .CreateFileW = ::CreateFileW,
      .HidD_GetPreparsedData = ::HidD_GetPreparsedData,
      .HidD_FreePreparsedData = ::HidD_FreePreparsedData,
      .HidD_GetAttributes = ::HidD_GetAttributes,
      .HidP_GetCaps = ::HidP_GetCaps,
      .HidP_GetButtonCaps = ::HidP_GetButtonCaps,
      .HidP_GetValueCaps = ::HidP_GetValueCaps,
      .ReadFile = ::ReadFile,
      .WriteFile = ::WriteFile,
      .GetOverlappedResult = ::GetOverlappedResult,
      .CancelIo = ::CancelIo,
      .GetLastError = ::GetLastError,
      .CreateEventW = ::CreateEventW,
      .SetEvent = ::SetEvent,
      .ResetEvent = ::ResetEvent,
      .CloseHandle = ::CloseHandle,
      .GetTickCount = ::GetTickCount,
      .Sleep = ::Sleep,
  };
  return api;
}

}  // namespace tarvik
