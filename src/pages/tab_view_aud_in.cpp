#include "pages/tab_view_aud_in.h"

#include <QComboBox>
#include <mutex>

#include "app/configurator_app.h"
#include "commands/operation_fields.h"
#include "pages/gain_steps.h"

namespace tarvik {
namespace {

constexpr int kChannelOffset = 186;  // R sits this far below L
constexpr uint8_t kPaOutputBit = 0x10;
constexpr uint8_t kRoutingTarget = 0;
constexpr uint32_t kPaOutputFirmware = 0x02000800;  // 2.08
constexpr int kPaOutputProductId = 0x402F;

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

uint8_t Target(int channel) { return static_cast<uint8_t>(TARGET_INPUT_L + channel); }

void MakeLabel(CxStaticLabel& label, QWidget* page, int id, const char* caption, const QRect& rect,
               unsigned colour) {
  label.Create(rect, page, id);
  label.SetWindowText(QString::fromLatin1(caption));
  label.textColor = colour;
}

void ReadBand(const CommandParams& p, FilterBandValues* band) {
  band->filterType = GetField(p, fields::FilterBand::filterType);
  for (int c = 0; c < 4; ++c) band->coefficients[c] = GetField(p, fields::FilterBand::Coefficient(c));
}

void WriteBand(CommandParams& p, uint8_t target, int band, const FilterBandValues& values) {
  SetField(p, fields::FilterBand::target, target);
  SetField(p, fields::FilterBand::band, static_cast<uint8_t>(band));
  SetField(p, fields::FilterBand::filterType, values.filterType);
  for (int c = 0; c < 4; ++c) SetField(p, fields::FilterBand::Coefficient(c), values.coefficients[c]);
}

}  // namespace

CTabViewAudIn::CTabViewAudIn(CTarvik_ConfiguratorApp& app) : PageFrame(app, 146) {}

void CTabViewAudIn::OnInitDialog() {
  MakeLabel(channels_[0].heading, this, kIds[0].heading, "L CHANNEL", RectLtrb(25, 13, 115, 36), 0x000000);
  MakeLabel(channels_[1].heading, this, kIds[1].heading, "R CHANNEL", RectLtrb(25, 199, 115, 222), 0x000000);
  CreateChannel(0);
  CreateChannel(1);
  MakeLabel(paLabel_, this, 1045, "PA MICROPHONE SOUND OUTPUT TO SPEAKER", RectLtrb(25, 392, 375, 415), 0x505050);
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
  MakeLabel(c.modeLabel, this, id.modeLabel, "MODE", rect(139, 49, 189, 72), 0x505050);
  c.mode = CreateList(id.mode, rect(215, 46, 415, 69), kModeItems);
  MakeLabel(c.levelLabel, this, id.levelLabel, "SIGNAL LEVEL", rect(139, 96, 239, 119), 0x505050);
  c.level = CreateList(id.level, rect(240, 93, 390, 116), kLevelItems);
  MakeLabel(c.noOption, this, id.noOption, "NO OPTION", rect(139, 96, 239, 119), 0x808080);
  MakeLabel(c.gainLabel, this, id.gainLabel, "GAIN", rect(139, 130, 239, 153), 0x505050);
  c.gain = CreateList(id.gain, rect(240, 127, 390, 150), kGainItems);
  MakeLabel(c.eqLabel, this, id.eqLabel, "EQ", rect(139, 164, 239, 187), 0x505050);
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
  const bool hasPaOutput =
      (firmware & ~0xFFu) >= kPaOutputFirmware || m_session.productId == kPaOutputProductId;
  paOutput_->setEnabled(connected && hasPaOutput);
  paLabel_.hide();
  paOutput_->hide();
}

bool CTabViewAudIn::ReadChannelSettings(int channel) {
  if (!Created() || channel < 0 || channel > 1) return false;
  const uint8_t target = Target(channel);
  int16_t gain = 0;
  FilterBandValues bands[4];
  uint8_t level = 0;

  if (!RunExchange(
          m_session, CommandId::GetChannelGain,
          [&](CommandParams& p) { SetField(p, fields::ChannelGain::target, target); },
          [&](const CommandParams& p) { gain = GetField(p, fields::ChannelGain::gain); }))
    return false;
  for (int band = 0; band < 4; ++band) {
    if (!RunExchange(
            m_session, CommandId::GetFilterBand,
            [&](CommandParams& p) {
              SetField(p, fields::FilterBand::target, target);
              SetField(p, fields::FilterBand::band, static_cast<uint8_t>(band));
            },
            [&](const CommandParams& p) { ReadBand(p, &bands[band]); }))
      return false;
  }
  if (!RunExchange(
          m_session, CommandId::GetSignalLevel,
          [&](CommandParams& p) { SetField(p, fields::SignalLevel::target, target); },
          [&](const CommandParams& p) { level = GetField(p, fields::SignalLevel::level); }))
    return false;

  Channel& c = channels_[channel];
  c.level->setCurrentIndex(level != 0 ? 1 : 0);
  c.gain->setCurrentIndex(GainStepIndex(gain));
  c.eq->setCurrentIndex(MatchEqPreset(bands));
  return true;
}

bool CTabViewAudIn::ReadPaOutput() {
  if (!Created()) return false;
  uint8_t flags = 0;
  if (!RunExchange(
          m_session, CommandId::GetRoutingFlags,
          [](CommandParams& p) { SetField(p, fields::RoutingFlags::target, kRoutingTarget); },
          [&](const CommandParams& p) { flags = GetField(p, fields::RoutingFlags::flags); }))
    return false;
  paOutput_->setCurrentIndex((flags & kPaOutputBit) ? 0 : 1);
  return true;
}

bool CTabViewAudIn::ReadInputModes() {
  if (!Created()) return false;
  uint8_t modeBits = 0;
  if (!RunExchange(
          m_session, CommandId::GetInputMode, [](CommandParams&) {},
          [&](const CommandParams& p) { modeBits = GetField(p, fields::InputMode::modeBits); }))
    return false;
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
  const uint8_t level = channels_[channel].level->currentIndex() != 0 ? 1 : 0;
  Exchange(
      CommandId::SetSignalLevel,
      [&](CommandParams& p) {
        SetField(p, fields::SignalLevel::target, Target(channel));
        SetField(p, fields::SignalLevel::level, level);
      },
      [](const CommandParams&) {});
}

void CTabViewAudIn::OnGainChange(int channel) {
  const int index = channels_[channel].gain->currentIndex();
  if (index < 0 || index >= 9) return;
  Exchange(
      CommandId::SetChannelGain,
      [&](CommandParams& p) {
        SetField(p, fields::ChannelGain::target, Target(channel));
        SetField(p, fields::ChannelGain::gain, kGainSteps[index]);
      },
      [](const CommandParams&) {});
}

void CTabViewAudIn::OnEqChange(int channel) {
  const int index = channels_[channel].eq->currentIndex();
  if (index < 0 || index >= 3) return;
  const uint8_t target = Target(channel);
  if (!Exchange(
          CommandId::SetFilterBand, [&](CommandParams& p) { WriteBand(p, target, 0, kEqPresets[index]); },
          [](const CommandParams&) {}))
    return;
  // Bands 1 to 3 are set to the values of the second set.
  for (int band = 1; band < 4; ++band) {
    FilterBandValues values;
    if (!Exchange(
            CommandId::GetFilterBand,
            [&](CommandParams& p) {
              SetField(p, fields::FilterBand::target, target);
              SetField(p, fields::FilterBand::band, static_cast<uint8_t>(band));
              p.selector = 1;
            },
            [&](const CommandParams& p) { ReadBand(p, &values); }))
      return;
    if (!Exchange(
            CommandId::SetFilterBand, [&](CommandParams& p) { WriteBand(p, target, band, values); },
            [](const CommandParams&) {}))
      return;
  }
}

void CTabViewAudIn::OnPaOutputChange() {
  const bool on = paOutput_->currentIndex() != 1;
  bool ok = false;
  {
    // Both operations under one hold of the lock: the other bits come from
    // the second set, read just before.
    std::lock_guard<std::recursive_mutex> guard(m_session.lock);
    CommandParams& p = m_session.params;
    p.selector = 1;
    SetField(p, fields::RoutingFlags::target, kRoutingTarget);
    if (m_session.Execute(ToInt(CommandId::GetRoutingFlags)) == LINK_OK) {
      uint8_t flags = GetField(p, fields::RoutingFlags::flags);
      flags = on ? static_cast<uint8_t>(flags | kPaOutputBit) : static_cast<uint8_t>(flags & ~kPaOutputBit);
      p.selector = 0;
      SetField(p, fields::RoutingFlags::target, kRoutingTarget);
      SetField(p, fields::RoutingFlags::flags, flags);
      ok = m_session.Execute(ToInt(CommandId::SetRoutingFlags)) == LINK_OK;
    }
  }
  if (!ok) ReportCommError();
}

}  // namespace tarvik
