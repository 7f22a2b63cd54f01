// A small window that plugs and unplugs the stand-in device, changes the
// product ID and firmware version it shows at its next plug-in, and sends
// notifications.
#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QSpinBox;
class QLabel;

namespace tarvik::sim {
class SimDevice;
}

namespace tarvik {

class StandInPanel : public QWidget {
  Q_OBJECT

 public:
  explicit StandInPanel(sim::SimDevice& device);

  void Plug();
  void Unplug();

 private:
  void ShowState();

  sim::SimDevice& device_;
  QComboBox* productId_;
  QLineEdit* firmware_;
  QSpinBox* notifyCode_;
  QSpinBox* notifyValue_;
  QLabel* state_;
};

}  // namespace tarvik
