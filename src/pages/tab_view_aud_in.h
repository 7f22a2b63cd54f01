// The AUDIO IN page: mode, signal level, gain and EQ of input channels L and
// R, and whether the PA microphone is heard through the speaker.
#pragma once

#include "controls/x_static_label.h"
#include "pages/page_frame.h"

class QComboBox;

namespace tarvik {

class CTabViewAudIn : public PageFrame {
  Q_OBJECT

 public:
  // Control ids; L and R share the NO OPTION and EQ label ids.
  enum ControlId : int {
    kGainLabelL = 1011,
    kGainLabelR = 1012,
    kEqLabel = 1013,
    kGainL = 1017,
    kGainR = 1018,
    kEqL = 1020,
    kEqR = 1021,
    kModeLabelL = 1022,
    kModeLabelR = 1023,
    kLevelLabelL = 1024,
    kLevelLabelR = 1025,
    kModeL = 1026,
    kModeR = 1027,
    kLevelL = 1028,
    kLevelR = 1029,
    kHeadingL = 1030,
    kHeadingR = 1031,
    kNoOption = 1034,
    kPaOutputLabel = 1045,
    kPaOutput = 1046,
  };

  explicit CTabViewAudIn(PageHost& host);

  void ShowConnectState(bool connected, const DeviceFeatures& features) override;
  void ShowSettings(const SettingsSnapshot& settings) override;
  // Reads a channel's values and shows them, true; or false with every
  // control left as it was. Reports nothing.
  bool ReadChannelSettings(int channel);
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
  void ShowChannelValues(const SettingsSnapshot& settings, int channel);
  // A channel's options show in PA MICROPHONE; the PA row hides while both
  // are in CONFERENCE SYSTEM and shows otherwise when the device has it.
  void ShowRows(int modeL, int modeR);

  Channel channels_[2];
  CxStaticLabel paLabel_;
  QComboBox* paOutput_ = nullptr;
};

}  // namespace tarvik
