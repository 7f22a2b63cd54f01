#include "pages/tab_view_aud_out.h"

#include <QComboBox>

namespace tarvik {

CTabViewAudOut::CTabViewAudOut(PageHost& host) : PageFrame(host, kPngAudioOutPage) {
  setObjectName(QStringLiteral("audioOutPage"));
}

void CTabViewAudOut::OnInitDialog() {
  MakeLabel(heading_, kHeading, QStringLiteral("heading"), "L/R CHANNEL", RectLtrb(25, 13, 115, 36),
            0x000000);
  MakeLabel(volumeLabel_, kVolumeLabel, QStringLiteral("volumeLabel"), "OUTPUT VOLUME",
            RectLtrb(139, 49, 249, 71), 0x505050);
  volume_ = CreateList(kVolume, QStringLiteral("volume"), RectLtrb(262, 46, 415, 69),
                       SettingOf(SettingId::kOutputVolume).items, volumeLabel_.Text());
  connect(volume_, &QComboBox::activated, this, &CTabViewAudOut::OnOutputVolumeChange);
}

void CTabViewAudOut::ShowConnectState(bool connected, const DeviceFeatures&) {
  if (volume_ == nullptr) return;
  volume_->setEnabled(connected);
  volume_->setCurrentIndex(-1);
}

void CTabViewAudOut::ShowSettings(const SettingsSnapshot& settings) {
  if (volume_ != nullptr)
    volume_->setCurrentIndex(SettingOf(SettingId::kOutputVolume).index(settings, 0));
}

void CTabViewAudOut::OnOutputVolumeChange(int index) {
  WriteSetting(SettingId::kOutputVolume, 0, index);
}

}  // namespace tarvik
