#include "pages/tab_view_aud_in.h"

#include <QComboBox>

namespace tarvik {
namespace {

constexpr int kChannelOffset = 186;  // R sits this far below L

// Control ids of L and R.
struct ChannelIds {
  int heading, modeLabel, mode, levelLabel, level, noOption, gainLabel, gain, eqLabel, eq;
};
constexpr ChannelIds kIds[2] = {
    {CTabViewAudIn::kHeadingL, CTabViewAudIn::kModeLabelL, CTabViewAudIn::kModeL,
     CTabViewAudIn::kLevelLabelL, CTabViewAudIn::kLevelL, CTabViewAudIn::kNoOption,
     CTabViewAudIn::kGainLabelL, CTabViewAudIn::kGainL, CTabViewAudIn::kEqLabel,
     CTabViewAudIn::kEqL},
    {CTabViewAudIn::kHeadingR, CTabViewAudIn::kModeLabelR, CTabViewAudIn::kModeR,
     CTabViewAudIn::kLevelLabelR, CTabViewAudIn::kLevelR, CTabViewAudIn::kNoOption,
     CTabViewAudIn::kGainLabelR, CTabViewAudIn::kGainR, CTabViewAudIn::kEqLabel,
     CTabViewAudIn::kEqR},
};

// A channel's controls are named with the channel's letter at the end.
QString ChannelName(const char* name, int channel) {
  return QLatin1String(name) + (channel == 0 ? QLatin1Char('L') : QLatin1Char('R'));
}

}  // namespace

CTabViewAudIn::CTabViewAudIn(PageHost& host) : PageFrame(host, kPngAudioInPage) {
  setObjectName(QStringLiteral("audioInPage"));
}

void CTabViewAudIn::OnInitDialog() {
  MakeLabel(channels_[0].heading, kIds[0].heading, ChannelName("heading", 0), "L CHANNEL",
            RectLtrb(25, 13, 115, 36), 0x000000);
  MakeLabel(channels_[1].heading, kIds[1].heading, ChannelName("heading", 1), "R CHANNEL",
            RectLtrb(25, 199, 115, 222), 0x000000);
  CreateChannel(0);
  CreateChannel(1);
  MakeLabel(paLabel_, kPaOutputLabel, QStringLiteral("paOutputLabel"),
            "PA MICROPHONE SOUND OUTPUT TO SPEAKER", RectLtrb(25, 392, 375, 415), 0x505050);
  paOutput_ = CreateList(kPaOutput, QStringLiteral("paOutput"), RectLtrb(345, 389, 415, 412),
                         SettingOf(SettingId::kPaOutput).items, paLabel_.Text());
  connect(paOutput_, &QComboBox::activated, this, [this] { OnPaOutputChange(); });
  ShowChannelOptions(0, false);
  ShowChannelOptions(1, false);
}

void CTabViewAudIn::CreateChannel(int channel) {
  Channel& c = channels_[channel];
  const ChannelIds& id = kIds[channel];
  const int dy = kChannelOffset * channel;
  auto rect = [dy](int l, int t, int r, int b) { return RectLtrb(l, t + dy, r, b + dy); };
  auto name = [channel](const char* base) { return ChannelName(base, channel); };
  // A list is spoken as its channel's heading and its caption: "L CHANNEL GAIN".
  auto spoken = [&c](const CxStaticLabel& label) {
    return c.heading.Text() + QLatin1Char(' ') + label.Text();
  };
  MakeLabel(c.modeLabel, id.modeLabel, name("modeLabel"), "MODE", rect(139, 49, 189, 72), 0x505050);
  c.mode = CreateList(id.mode, name("mode"), rect(215, 46, 415, 69),
                      SettingOf(SettingId::kMode).items, spoken(c.modeLabel));
  MakeLabel(c.levelLabel, id.levelLabel, name("levelLabel"), "SIGNAL LEVEL",
            rect(139, 96, 239, 119), 0x505050);
  c.level = CreateList(id.level, name("level"), rect(240, 93, 390, 116),
                       SettingOf(SettingId::kSignalLevel).items, spoken(c.levelLabel));
  MakeLabel(c.noOption, id.noOption, name("noOption"), "NO OPTION", rect(139, 96, 239, 119),
            0x808080);
  MakeLabel(c.gainLabel, id.gainLabel, name("gainLabel"), "GAIN", rect(139, 130, 239, 153),
            0x505050);
  c.gain = CreateList(id.gain, name("gain"), rect(240, 127, 390, 150),
                      SettingOf(SettingId::kGain).items, spoken(c.gainLabel));
  MakeLabel(c.eqLabel, id.eqLabel, name("eqLabel"), "EQ", rect(139, 164, 239, 187), 0x505050);
  c.eq = CreateList(id.eq, name("eq"), rect(240, 161, 390, 184), SettingOf(SettingId::kEq).items,
                    spoken(c.eqLabel));

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

void CTabViewAudIn::ShowConnectState(bool connected, const DeviceFeatures& features) {
  if (!Created()) return;
  for (int channel = 0; channel < 2; ++channel) {
    ShowChannelOptions(channel, false);
    channels_[channel].mode->setEnabled(connected);
    channels_[channel].mode->setCurrentIndex(-1);
  }
  paOutput_->setEnabled(connected && features.paOutput);
  paLabel_.hide();
  paOutput_->hide();
}

bool CTabViewAudIn::ReadChannelSettings(int channel) {
  if (!Created() || channel < 0 || channel > 1) return false;
  SettingsSnapshot read;
  if (ReadChannelValues(m_session, channel, &read.channels[channel]) != LINK_OK) return false;
  // Every value is read before any list changes.
  ShowChannelValues(read, channel);
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
  const int modes[2] = {SettingOf(SettingId::kMode).index(settings, 0),
                        SettingOf(SettingId::kMode).index(settings, 1)};
  for (int channel = 0; channel < 2; ++channel)
    channels_[channel].mode->setCurrentIndex(modes[channel]);
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
  const int modes[2] = {channels_[0].mode->currentIndex(), channels_[1].mode->currentIndex()};
  SettingsSnapshot readBack;
  if (!WriteSetting(SettingId::kMode, channel, modes[channel], {modes, &readBack})) return;
  if (modes[channel] == 1) {
    ShowChannelValues(readBack, channel);
    paOutput_->setCurrentIndex(SettingOf(SettingId::kPaOutput).index(readBack, 0));
  }
  ShowRows(modes[0], modes[1]);
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

void CTabViewAudIn::OnPaOutputChange() {
  WriteSetting(SettingId::kPaOutput, 0, paOutput_->currentIndex());
}

}  // namespace tarvik
