// What the three settings pages share: a child window at (8, 30) of the main
// window sized to its background picture, the page font, and the device
// exchange whose failure is reported to the main window.
#pragma once

#include <QFont>
#include <QWidget>
#include <cstdint>
#include <span>

#include "controls/x_image.h"
#include "controls/x_static_label.h"
#include "pages/settings_table.h"

class QComboBox;

namespace tarvik {

class CHidDevCommApp;
class CTarvik_ConfiguratorApp;

inline constexpr int kPageLeft = 8;
inline constexpr int kPageTop = 30;

class PageFrame : public QWidget {
  Q_OBJECT

 public:
  PageFrame(CTarvik_ConfiguratorApp& app, int backgroundPng);

  // Loads the background; without it the page does not exist. Otherwise
  // places the page on `parent` and creates its controls.
  bool CreateView(QWidget* parent);
  bool Created() const { return created_; }
  void ShowPage(bool show);

 protected:
  virtual void OnInitDialog() = 0;
  void paintEvent(QPaintEvent* event) override;

  // Tells the main window that an exchange failed; it drops the connection.
  void ReportCommError();
  // Creates `label` on the page with its caption and text colour.
  void MakeLabel(CxStaticLabel& label, int id, const char* caption, const QRect& rect, unsigned colour);

  // A non-editable drop-down list at `rect` holding `items`, nothing chosen.
  QComboBox* CreateList(int id, const QRect& rect, std::span<const char* const> items);
  // Writes item `index` of the setting, reporting a failed exchange; true when written.
  bool WriteSetting(SettingId id, int channel, int index);

  CTarvik_ConfiguratorApp& app_;
  QWidget* m_mainWindow = nullptr;
  CHidDevCommApp& m_session;
  QFont m_pageFont;
  CxImage m_background;
  bool m_sized = false;

 private:
  int backgroundPng_;
  bool created_ = false;
};

}  // namespace tarvik
