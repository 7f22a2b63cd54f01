#include "pages/tab_view_aud_in.h"

#include <QComboBox>

#include "app/configurator_app.h"
#include "pages/device_features.h"

namespace tarvik {
namespace {

constexpr int kChannelOffset = 186;  // R sits this far below L

// Control ids of L and R.
struct ChannelIds {
  int heading, modeLabel, mode, levelLabel, level, noOption, gainLabel, gain, eqLabel, eq;
};
constexpr ChannelIds kIds[2] = {
    {1030, 1022, 1026, 1024, 1028, 1034, 1011, 1017, 1013, 1020},
    {1031, 1023, 1027, 1025, 1029, 1034, 1012, 1018, 1013, 1021},
};

}  // namespace

CTabViewAudIn::CTabViewAudIn(CTarvik_ConfiguratorApp& app) : PageFrame(app, 146) {}

void CTabViewAudIn::OnInitDialog() {
  MakeLabel(channels_[0].heading, kIds[0].heading, "L CHANNEL", RectLtrb(25, 13, 115, 36), 0x000000);
  MakeLabel(channels_[1].heading, kIds[1].heading, "R CHANNEL", RectLtrb(25, 199, 115, 222), 0x000000);
  CreateChannel(0);
  CreateChannel(1);
  MakeLabel(paLabel_, 1045, "PA MICROPHONE SOUND OUTPUT TO SPEAKER", RectLtrb(25, 392, 375, 415), 0x505050);
  paOutput_ = CreateList(1046, RectLtrb(345, 389, 415, 412), SettingOf(SettingId::kPaOutput).items);
  connect(paOutput_, &QComboBox::activated, this, [this] { OnPaOutputChange(); });
  ShowChannelOptions(0, false);
  ShowChannelOptions(1, false);
}

void CTabViewAudIn::CreateChannel(int channel) {
  Channel& c = channels_[channel];
  const ChannelIds& id = kIds[channel];
  const int dy = kChannelOffset * channel;
  auto rect = [dy](int l, int t, int r, int b) { return RectLtrb(l, t + dy, r, b + dy); };
  MakeLabel(c.modeLabel, id.modeLabel, "MODE", rect(139, 49, 189, 72), 0x505050);
  c.mode = CreateList(id.mode, rect(215, 46, 415, 69), SettingOf(SettingId::kMode).items);
  MakeLabel(c.levelLabel, id.levelLabel, "SIGNAL LEVEL", rect(139, 96, 239, 119), 0x505050);
  c.level = CreateList(id.level, rect(240, 93, 390, 116), SettingOf(SettingId::kSignalLevel).items);
  MakeLabel(c.noOption, id.noOption, "NO OPTION", rect(139, 96, 239, 119), 0x808080);
  MakeLabel(c.gainLabel, id.gainLabel, "GAIN", rect(139, 130, 239, 153), 0x505050);
  c.gain = CreateList(id.gain, rect(240, 127, 390, 150), SettingOf(SettingId::kGain).items);
  MakeLabel(c.eqLabel, id.eqLabel, "EQ", rect(139, 164, 239, 187), 0x505050);
  c.eq = CreateList(id.eq, rect(240, 161, 390, 184), SettingOf(SettingId::kEq).items);

  connect(c.mode, &QComboBox::activated, this, [this, channel] { OnModeChange(channel); });
  connect(c.level, &QComboBox::activated, this, [this, channel] { OnSignalLevelChange(channel); });
  connect(c.gain, &QComboBox::activated, this, [this, channel] { OnGainChange(channel); });
  connect(c.eq, &QComboBox::activated, this, [this, channel] { OnEqChange(channel); });
}

void CTabViewAudIn::ShowChannelOptions(int channel, bool show) {
  Channel& c = channels_[channel];
  c.noOption.setVisible(!show);
  for (QWidget* w : {static_cast<QWidget*>(c.level), static_cast<QWidget*>(&c.levelLabel),
                     static_cast<QWidget*>(c.gain), static_cast<QWidget*>(&c.gainLabel),
                     static_cast<QWidget*>(c.eq), static_cast<QWidget*>(&c.eqLabel)})
    w->setVisible(show);
}

void CTabViewAudIn::ShowConnectState(bool connected, uint32_t firmware) {
  if (!Created()) return;
  for (int channel = 0; channel < 2; ++channel) {
    ShowChannelOptions(channel, false);
    channels_[channel].mode->setEnabled(connected);
    channels_[channel].mode->setCurrentIndex(-1);
  }
  paOutput_->setEnabled(connected && FeaturesOf(m_session.productId, firmware).paOutput);
  paLabel_.hide();
  paOutput_->hide();
}

bool CTabViewAudIn::ReadChannelSettings(int channel) {
  if (!Created() || channel < 0 || channel > 1) return false;
  SettingsSnapshot read;
  if (!ReadChannelValues(m_session, channel, &read.channels[channel])) return false;
  // Every value is read before any list changes.
  ShowChannelValues(read, channel);
  return true;
}

bool CTabViewAudIn::ReadPaOutput() {
  SettingsSnapshot read;
  if (!Created() || !ReadRoutingFlags(m_session, &read.routing)) return false;
  paOutput_->setCurrentIndex(SettingOf(SettingId::kPaOutput).index(read, 0));
  return true;
}

void CTabViewAudIn::ShowChannelValues(const SettingsSnapshot& settings, int channel) {
  const Channel& c = channels_[channel];
  c.level->setCurrentIndex(SettingOf(SettingId::kSignalLevel).index(settings, channel));
  c.gain->setCurrentIndex(SettingOf(SettingId::kGain).index(settings, channel));
  c.eq->setCurrentIndex(SettingOf(SettingId::kEq).index(settings, channel));
}

void CTabViewAudIn::ShowSettings(const SettingsSnapshot& settings) {
  if (!Created()) return;
  ShowChannelValues(settings, 0);
  ShowChannelValues(settings, 1);
  paOutput_->setCurrentIndex(SettingOf(SettingId::kPaOutput).index(settings, 0));
  const int modes[2] = {SettingOf(SettingId::kMode).index(settings, 0), SettingOf(SettingId::kMode).index(settings, 1)};
  for (int channel = 0; channel < 2; ++channel) channels_[channel].mode->setCurrentIndex(modes[channel]);
  ShowRows(modes[0], modes[1]);
}

void CTabViewAudIn::ShowRows(int modeL, int modeR) {
  ShowChannelOptions(0, modeL != 0);
  ShowChannelOptions(1, modeR != 0);
  if (modeL == 0 && modeR == 0) {
    paLabel_.hide();
    paOutput_->hide();
  } else if (paOutput_->isEnabled()) {
    paLabel_.show();
    paOutput_->show();
  }
}

void CTabViewAudIn::OnModeChange(int channel) {
  const int modeL = channels_[0].mode->currentIndex();
  const int modeR = channels_[1].mode->currentIndex();
  if (m_session.ApplyInputModes(modeL, modeR) != 1) {
    ReportCommError();
    return;
  }
  if (channels_[channel].mode->currentIndex() == 1 && (!ReadChannelSettings(channel) || !ReadPaOutput())) {
    ReportCommError();
    return;
  }
  ShowRows(modeL, modeR);
}

void CTabViewAudIn::OnSignalLevelChange(int channel) {
  WriteSetting(SettingId::kSignalLevel, channel, channels_[channel].level->currentIndex());
}

void CTabViewAudIn::OnGainChange(int channel) {
  WriteSetting(SettingId::kGain, channel, channels_[channel].gain->currentIndex());
}

void CTabViewAudIn::OnEqChange(int channel) {
  WriteSetting(SettingId::kEq, channel, channels_[channel].eq->currentIndex());
}

void CTabViewAudIn::OnPaOutputChange() { WriteSetting(SettingId::kPaOutput, 0, paOutput_->currentIndex()); }

}  // namespace tarvik
