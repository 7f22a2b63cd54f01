#include "pages/tab_view_aud_in.h"

#include <QComboBox>

#include "app/configurator_app.h"
#include "commands/operation_fields.h"
#include "pages/device_features.h"
#include "pages/gain_steps.h"
#include "pages/settings_exchanges.h"

namespace tarvik {
namespace {

constexpr int kChannelOffset = 186;  // R sits this far below L
constexpr uint8_t kPaOutputBit = 0x10;

constexpr const char* kModeItems[2] = {"CONFERENCE SYSTEM", "PA MICROPHONE"};
constexpr const char* kLevelItems[2] = {"LINE", "MICROPHONE"};
constexpr const char* kOnOffItems[2] = {"ON", "OFF"};

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
  paOutput_ = CreateList(1046, RectLtrb(345, 389, 415, 412), kOnOffItems);
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
  c.mode = CreateList(id.mode, rect(215, 46, 415, 69), kModeItems);
  MakeLabel(c.levelLabel, id.levelLabel, "SIGNAL LEVEL", rect(139, 96, 239, 119), 0x505050);
  c.level = CreateList(id.level, rect(240, 93, 390, 116), kLevelItems);
  MakeLabel(c.noOption, id.noOption, "NO OPTION", rect(139, 96, 239, 119), 0x808080);
  MakeLabel(c.gainLabel, id.gainLabel, "GAIN", rect(139, 130, 239, 153), 0x505050);
  c.gain = CreateList(id.gain, rect(240, 127, 390, 150), kGainItems);
  MakeLabel(c.eqLabel, id.eqLabel, "EQ", rect(139, 164, 239, 187), 0x505050);
  c.eq = CreateList(id.eq, rect(240, 161, 390, 184), kEqItems);

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
  ChannelValues values;
  if (!ReadChannelValues(m_session, channel, &values)) return false;
  // Every value is read before any list changes.
  Channel& c = channels_[channel];
  c.level->setCurrentIndex(values.level != 0 ? 1 : 0);
  c.gain->setCurrentIndex(GainStepIndex(values.gain));
  c.eq->setCurrentIndex(MatchEqPreset(values.bands));
  return true;
}

bool CTabViewAudIn::ReadPaOutput() {
  uint8_t flags = 0;
  if (!Created() || !ReadRoutingFlags(m_session, &flags)) return false;
  paOutput_->setCurrentIndex((flags & kPaOutputBit) ? 0 : 1);
  return true;
}

bool CTabViewAudIn::ReadInputModes() {
  uint8_t modeBits = 0;
  if (!Created() || !ReadInputModeBits(m_session, &modeBits)) return false;
  const int modes[2] = {modeBits & 0x01, (modeBits >> 1) & 0x01};
  for (int channel = 0; channel < 2; ++channel) {
    channels_[channel].mode->setCurrentIndex(modes[channel]);
    ShowChannelOptions(channel, modes[channel] == 1);
  }
  ShowPaRow(modes[0], modes[1]);
  return true;
}

void CTabViewAudIn::ShowPaRow(int modeL, int modeR) {
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
  ShowChannelOptions(0, modeL != 0);
  ShowChannelOptions(1, modeR != 0);
  ShowPaRow(modeL, modeR);
}

void CTabViewAudIn::OnSignalLevelChange(int channel) {
  if (!WriteSignalLevel(m_session, channel, channels_[channel].level->currentIndex() != 0)) ReportCommError();
}

void CTabViewAudIn::OnGainChange(int channel) {
  const int index = channels_[channel].gain->currentIndex();
  if (index < 0 || index >= 9) return;
  if (!WriteChannelGain(m_session, static_cast<uint8_t>(TARGET_INPUT_L + channel), kGainSteps[index]))
    ReportCommError();
}

void CTabViewAudIn::OnEqChange(int channel) {
  const int index = channels_[channel].eq->currentIndex();
  if (index < 0 || index >= 3) return;
  if (!WriteEqPreset(m_session, channel, index)) ReportCommError();
}

void CTabViewAudIn::OnPaOutputChange() {
  if (!WritePaOutput(m_session, paOutput_->currentIndex() != 1)) ReportCommError();
}

}  // namespace tarvik
