#include "pages/tab_view_aud_out.h"

#include <QComboBox>

#include "commands/operation_fields.h"
#include "pages/gain_steps.h"
#include "pages/settings_exchanges.h"

namespace tarvik {

CTabViewAudOut::CTabViewAudOut(CTarvik_ConfiguratorApp& app) : PageFrame(app, 147) {}

void CTabViewAudOut::OnInitDialog() {
  MakeLabel(heading_, 1035, "L/R CHANNEL", RectLtrb(25, 13, 115, 36), 0x000000);
  MakeLabel(volumeLabel_, 1047, "OUTPUT VOLUME", RectLtrb(139, 49, 249, 71), 0x505050);
  volume_ = CreateList(1019, RectLtrb(262, 46, 415, 69), kGainItems);
  connect(volume_, &QComboBox::activated, this, &CTabViewAudOut::OnOutputVolumeChange);
}

void CTabViewAudOut::ShowConnectState(bool connected, uint32_t) {
  if (volume_ == nullptr) return;
  volume_->setEnabled(connected);
  volume_->setCurrentIndex(-1);
}

void CTabViewAudOut::SelectVolumeIndex(int index) {
  if (volume_ != nullptr) volume_->setCurrentIndex(index >= 0 && index < 9 ? index : -1);
}

void CTabViewAudOut::OnOutputVolumeChange(int index) {
  if (index < 0 || index >= 9) return;
  if (!WriteChannelGain(m_session, TARGET_OUTPUT, kGainSteps[index])) ReportCommError();
}

}  // namespace tarvik
