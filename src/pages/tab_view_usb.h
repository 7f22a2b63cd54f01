// The USB page: the USB speed (the device restarts to change it), the online
// manual, and the microphone mute synchronisation.
#pragma once

#include "controls/x_static_label.h"
#include "pages/page_frame.h"

namespace tarvik {

class CTabViewUsb : public PageFrame {
  Q_OBJECT

 public:
  explicit CTabViewUsb(CTarvik_ConfiguratorApp& app);

  void ShowConnectState(bool connected, uint32_t firmware);
  bool SpeedButtonsEnabled() const;
  void ShowUsbSpeed(int value);
  bool MuteSyncEnabled() const;
  void SelectMuteSyncIndex(int index);

 protected:
  void OnInitDialog() override;
};

}  // namespace tarvik
