// The AUDIO OUT page: the output volume of both channels.
#pragma once

#include "controls/x_static_label.h"
#include "pages/page_frame.h"

class QComboBox;

namespace tarvik {

class CTabViewAudOut : public PageFrame {
  Q_OBJECT

 public:
  explicit CTabViewAudOut(CTarvik_ConfiguratorApp& app);

  void ShowConnectState(bool connected, uint32_t firmware);
  // Shows what a load of the device read.
  void ShowSettings(const SettingsSnapshot& settings);
  void OnOutputVolumeChange(int index);

  QComboBox* VolumeList() const { return volume_; }

 protected:
  void OnInitDialog() override;

 private:
  CxStaticLabel heading_;
  CxStaticLabel volumeLabel_;
  QComboBox* volume_ = nullptr;
};

}  // namespace tarvik
