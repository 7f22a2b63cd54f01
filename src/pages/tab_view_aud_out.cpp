#include "pages/tab_view_aud_out.h"

#include <QComboBox>

#include "commands/operation_fields.h"
#include "pages/gain_steps.h"

namespace tarvik {

CTabViewAudOut::CTabViewAudOut(CTarvik_ConfiguratorApp& app) : PageFrame(app, 147) {}

void CTabViewAudOut::OnInitDialog() {
  heading_.Create(RectLtrb(25, 13, 115, 36), this, 1035);
  heading_.SetWindowText(QStringLiteral("L/R CHANNEL"));
  volumeLabel_.Create(RectLtrb(139, 49, 249, 71), this, 1047);
  volumeLabel_.SetWindowText(QStringLiteral("OUTPUT VOLUME"));
  volumeLabel_.textColor = 0x505050;
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
  Exchange(
      CommandId::SetChannelGain,
      [&](CommandParams& p) {
        SetField(p, fields::ChannelGain::target, TARGET_OUTPUT);
        SetField(p, fields::ChannelGain::gain, kGainSteps[index]);
      },
      [](const CommandParams&) {});
}

}  // namespace tarvik
