// The USB page: the USB speed (the device restarts to change it), the online
// manual, and the microphone mute synchronisation.
#pragma once

#include "controls/x_check_button.h"
#include "controls/x_static_hyper_link.h"
#include "controls/x_static_label.h"
#include "pages/page_frame.h"

class QComboBox;

namespace tarvik {

// The online manual, the same for every language.
inline constexpr const char* kOnlineManualAddress =
    "https://tarvik-configurator.example.org/manual/";

class CTabViewUsb : public PageFrame {
  Q_OBJECT

 public:
  enum ControlId : int {
    kHiSpeed = 1038,
    kFullSpeed = 1039,
    kFunction = 1040,
    kModeLabel = 1041,
    kHiSpeedLabel = 1042,
    kFullSpeedLabel = 1043,
    kHelp = 1044,
    kMuteSyncLabel = 1048,
    kMuteSync = 1049,
  };

  explicit CTabViewUsb(PageHost& host);

  void ShowConnectState(bool connected, const DeviceFeatures& features) override;
  void ShowSettings(const SettingsSnapshot& settings) override;
  // Checks HI-SPEED for 0, FULL-SPEED for 1, neither for anything else.
  void ShowUsbSpeed(int value);

  // `id` is kHiSpeed or kFullSpeed.
  void OnUsbSpeedClick(int id);
  void OnRestartWait();
  void OnMuteSyncChange(int index);

  CxCheckButton& HiSpeedButton() { return hiSpeed_; }
  CxCheckButton& FullSpeedButton() { return fullSpeed_; }
  QComboBox* MuteSyncList() const { return muteSync_; }
  const CxStaticLabel& MuteSyncLabel() const { return muteLabel_; }
  const CxStaticHyperLink& HelpLink() const { return help_; }

 protected:
  void OnInitDialog() override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateSpeedButton(CxCheckButton& button, int id, const QString& name, const QRect& rect);

  CxStaticLabel function_;
  CxStaticLabel modeLabel_;
  CxCheckButton hiSpeed_;
  CxCheckButton fullSpeed_;
  CxStaticLabel hiSpeedLabel_;
  CxStaticLabel fullSpeedLabel_;
  CxStaticHyperLink help_;
  CxStaticLabel muteLabel_;
  QComboBox* muteSync_ = nullptr;
  bool helpFitted_ = false;
};

}  // namespace tarvik
