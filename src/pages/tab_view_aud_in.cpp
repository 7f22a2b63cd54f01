#include "pages/tab_view_aud_in.h"

namespace tarvik {

CTabViewAudIn::CTabViewAudIn(CTarvik_ConfiguratorApp& app) : PageFrame(app, 146) {}

// The page's controls, reads and handlers come with the settings pages (#6).
void CTabViewAudIn::OnInitDialog() {}
void CTabViewAudIn::ShowConnectState(bool, uint32_t) {}
bool CTabViewAudIn::ReadChannelSettings(int) { return true; }
bool CTabViewAudIn::ReadPaOutput() { return true; }
bool CTabViewAudIn::ReadInputModes() { return true; }

}  // namespace tarvik
