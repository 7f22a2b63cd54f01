// What the three settings pages share: a child window at (8, 30) of the main
// window sized to its background picture, the page font, and the device
// exchange whose failure the page signals.
#pragma once

#include <QFont>
#include <QWidget>
#include <cstdint>
#include <span>

#include "controls/x_image.h"
#include "controls/x_static_label.h"
#include "pages/page_host.h"
#include "resources/resource_ids.h"
#include "settings/device_features.h"
#include "settings/settings_table.h"

class QComboBox;

namespace tarvik {

class CHidDevCommApp;

inline constexpr int kPageLeft = 8;
inline constexpr int kPageTop = 30;

class PageFrame : public QWidget {
  Q_OBJECT

 public:
  PageFrame(PageHost& host, PngId background);

  // Loads the background; without it the page does not exist. Otherwise
  // places the page on `parent` and creates its controls.
  bool CreateView(QWidget* parent);
  bool Created() const { return created_; }
  void ShowPage(bool show);

  // Puts the controls into their state for the connection, `features` being
  // those of the connected device, and clears the values they show.
  virtual void ShowConnectState(bool connected, const DeviceFeatures& features) = 0;
  // Shows what a load of the device read.
  virtual void ShowSettings(const SettingsSnapshot& settings) = 0;

 signals:
  // A device exchange failed. The page's handler stops at the failure and
  // leaves the recovery to the receiver.
  void CommunicationFailed();

 protected:
  virtual void OnInitDialog() = 0;
  void paintEvent(QPaintEvent* event) override;

  // Signals a failed exchange, once the page is on the main window.
  void ReportCommError();
  // Creates `label` on the page with its name, caption and text colour.
  void MakeLabel(CxStaticLabel& label, int id, const QString& name, const char* caption,
                 const QRect& rect, unsigned colour);

  // A non-editable drop-down list at `rect` holding `items`, nothing chosen,
  // named `spokenName` to assistive technology.
  QComboBox* CreateList(int id, const QString& name, const QRect& rect,
                        std::span<const char* const> items, const QString& spokenName);
  // Writes item `index` of the setting, reporting a failed exchange; true
  // when written. A kRestarts setting then needs FinishWrite.
  bool WriteSetting(SettingId id, int channel, int index, const WriteArgs& args = {});

  PageHost& host_;
  QWidget* m_mainWindow = nullptr;
  CHidDevCommApp& m_session;
  QFont m_pageFont;
  CxImage m_background;
  bool m_sized = false;

 private:
  PngId background_;
  bool created_ = false;
};

}  // namespace tarvik
