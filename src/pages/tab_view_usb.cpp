#include "pages/tab_view_usb.h"

namespace tarvik {

CTabViewUsb::CTabViewUsb(CTarvik_ConfiguratorApp& app) : PageFrame(app, 153) {}

// The page's controls and handlers come with the settings pages (#6).
void CTabViewUsb::OnInitDialog() {}
void CTabViewUsb::ShowConnectState(bool, uint32_t) {}
bool CTabViewUsb::SpeedButtonsEnabled() const { return false; }
void CTabViewUsb::ShowUsbSpeed(int) {}
bool CTabViewUsb::MuteSyncEnabled() const { return false; }
void CTabViewUsb::SelectMuteSyncIndex(int) {}

}  // namespace tarvik
