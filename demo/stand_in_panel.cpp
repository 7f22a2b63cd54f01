#include "stand_in_panel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "controls/ui_font.h"
#include "session/hid_dev_comm_app.h"
#include "sim/sim_device.h"

namespace tarvik {

StandInPanel::StandInPanel(sim::SimDevice& device) : device_(device) {
  setWindowTitle(QStringLiteral("Stand-in Tarvik"));
  // The configurator's typeface at the system's size. The system's own
  // dialog face need not exist where the program runs (Wine has no Windows
  // fonts): its last-resort stand-in there is a math face, serif, whose tall
  // lines leave the line and spin boxes' texts outside their frames.
  QFont face = font();
  face.setFamily(MakeUiFont().family());
  setFont(face);
  auto* form = new QFormLayout(this);

  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("state"));
  form->addRow(QStringLiteral("State:"), state_);

  auto* plugRow = new QHBoxLayout;
  auto* plug = new QPushButton(QStringLiteral("Plug in"), this);
  auto* unplug = new QPushButton(QStringLiteral("Unplug"), this);
  plug->setObjectName(QStringLiteral("plug"));
  unplug->setObjectName(QStringLiteral("unplug"));
  plugRow->addWidget(plug);
  plugRow->addWidget(unplug);
  form->addRow(plugRow);
  connect(plug, &QPushButton::clicked, this, &StandInPanel::Plug);
  connect(unplug, &QPushButton::clicked, this, &StandInPanel::Unplug);

  productId_ = new QComboBox(this);
  productId_->setObjectName(QStringLiteral("productId"));
  auto addProductId = [this](int id) {
    productId_->addItem(QStringLiteral("0x") + QString::number(id, 16).toUpper(), id);
  };
  for (int id : kProductIds) addProductId(id);
  addProductId(kProductIdProbeOnly);
  form->addRow(QStringLiteral("Product ID at next plug-in:"), productId_);
  connect(productId_, &QComboBox::activated, this, [this] {
    device_.SetProductId(static_cast<uint16_t>(productId_->currentData().toInt()));
  });

  firmware_ = new QLineEdit(QStringLiteral("2.10"), this);
  firmware_->setObjectName(QStringLiteral("firmware"));
  firmware_->setMaxLength(16);
  form->addRow(QStringLiteral("Firmware version:"), firmware_);
  connect(firmware_, &QLineEdit::editingFinished, this,
          [this] { device_.SetFirmwareVersion(firmware_->text().toStdString()); });

  auto* notifyRow = new QHBoxLayout;
  notifyCode_ = new QSpinBox(this);
  notifyCode_->setObjectName(QStringLiteral("notifyCode"));
  notifyCode_->setRange(1, 7);
  notifyValue_ = new QSpinBox(this);
  notifyValue_->setObjectName(QStringLiteral("notifyValue"));
  notifyValue_->setRange(0, 0xFFFF);
  auto* send = new QPushButton(QStringLiteral("Send"), this);
  send->setObjectName(QStringLiteral("send"));
  auto* codeLabel = new QLabel(QStringLiteral("type"), this);
  codeLabel->setObjectName(QStringLiteral("notifyCodeLabel"));
  auto* valueLabel = new QLabel(QStringLiteral("value"), this);
  valueLabel->setObjectName(QStringLiteral("notifyValueLabel"));
  notifyRow->addWidget(codeLabel);
  notifyRow->addWidget(notifyCode_);
  notifyRow->addWidget(valueLabel);
  notifyRow->addWidget(notifyValue_);
  notifyRow->addWidget(send);
  form->addRow(QStringLiteral("Notification:"), notifyRow);
  connect(send, &QPushButton::clicked, this,
          [this] { device_.SendNotification(notifyCode_->value(), notifyValue_->value()); });

  ShowState();
}

void StandInPanel::Plug() {
  device_.SetFirmwareVersion(firmware_->text().toStdString());
  device_.Plug();
  ShowState();
}

void StandInPanel::Unplug() {
  device_.Unplug();
  ShowState();
}

void StandInPanel::ShowState() {
  state_->setText(device_.IsPlugged() ? QStringLiteral("plugged in") : QStringLiteral("unplugged"));
}

}  // namespace tarvik
