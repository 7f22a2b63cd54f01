// The AUDIO IN page: mode, signal level, gain and EQ of input channels L and
// R, and whether the PA microphone is heard through the speaker.
#pragma once

#include "controls/x_static_label.h"
#include "pages/eq_presets.h"
#include "pages/page_frame.h"

class QComboBox;

namespace tarvik {

class CTabViewAudIn : public PageFrame {
  Q_OBJECT

 public:
  explicit CTabViewAudIn(CTarvik_ConfiguratorApp& app);

  void ShowConnectState(bool connected, uint32_t firmware);
  // The page's reads: each shows what it read and returns true, or returns
  // false with every control left as it was. They report nothing.
  bool ReadChannelSettings(int channel);
  bool ReadPaOutput();
  bool ReadInputModes();
  void ShowChannelOptions(int channel, bool show);

  void OnModeChange(int channel);
  void OnSignalLevelChange(int channel);
  void OnGainChange(int channel);
  void OnEqChange(int channel);
  void OnPaOutputChange();

  struct Channel {
    CxStaticLabel heading, modeLabel, levelLabel, noOption, gainLabel, eqLabel;
    QComboBox* mode = nullptr;
    QComboBox* level = nullptr;
    QComboBox* gain = nullptr;
    QComboBox* eq = nullptr;
  };
  const Channel& ChannelControls(int channel) const { return channels_[channel]; }
  QComboBox* PaOutputList() const { return paOutput_; }
  const CxStaticLabel& PaOutputLabel() const { return paLabel_; }

 protected:
  void OnInitDialog() override;

 private:
  void CreateChannel(int channel);
  // The PA row follows the modes: hidden while both channels are in
  // CONFERENCE SYSTEM, shown otherwise when the device has the setting.
  void ShowPaRow(int modeL, int modeR);

  Channel channels_[2];
  CxStaticLabel paLabel_;
  QComboBox* paOutput_ = nullptr;
};

}  // namespace tarvik
