// The AUDIO IN page: mode, signal level, gain and EQ of input channels L and
// R, and whether the PA microphone is heard through the speaker.
#pragma once

#include "controls/x_static_label.h"
#include "pages/page_frame.h"

namespace tarvik {

class CTabViewAudIn : public PageFrame {
  Q_OBJECT

 public:
  explicit CTabViewAudIn(CTarvik_ConfiguratorApp& app);

  void ShowConnectState(bool connected, uint32_t firmware);
  // The page's reads, each true when every value was read.
  bool ReadChannelSettings(int channel);
  bool ReadPaOutput();
  bool ReadInputModes();

 protected:
  void OnInitDialog() override;
};

}  // namespace tarvik
