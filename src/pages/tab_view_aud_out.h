// The AUDIO OUT page: the output volume of both channels.
#pragma once

#include "controls/x_static_label.h"
#include "pages/page_frame.h"

class QComboBox;

namespace tarvik {

class CTabViewAudOut : public PageFrame {
  Q_OBJECT

 public:
  enum ControlId : int {
    kVolume = 1019,
    kHeading = 1035,
    kVolumeLabel = 1047,
  };

  explicit CTabViewAudOut(PageHost& host);

  void ShowConnectState(bool connected, const DeviceFeatures& features) override;
  void ShowSettings(const SettingsSnapshot& settings) override;
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
