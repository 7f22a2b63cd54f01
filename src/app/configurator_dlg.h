// The program's only top-level window: a fixed 465 x 460 dark window with a
// strip of three painted tabs over the AUDIO IN, AUDIO OUT and USB pages. Its
// connection monitor shows the connection in the caption and on the pages.
#pragma once

#include <QDialog>
#include <QIcon>
#include <array>

#include "app/connection_monitor.h"
#include "app/tab_strip_view.h"
#include "app/window_host.h"
#include "controls/x_image.h"
#include "pages/tab_view_aud_in.h"
#include "pages/tab_view_aud_out.h"
#include "pages/tab_view_usb.h"

namespace tarvik {

inline constexpr int kClientWidth = 465;
inline constexpr int kClientHeight = 460;
inline constexpr unsigned kBackgroundColour = 0x333333;

class CTarvik_ConfiguratorDlg : public QDialog, public ConnectionView {
  Q_OBJECT

 public:
  explicit CTarvik_ConfiguratorDlg(WindowHost& host);
  ~CTarvik_ConfiguratorDlg() override;

  void SelectPage(int index);
  // Makes tab `index` the active one and shows its page, for a click or a key.
  void SwitchTab(int index);
  int ActiveTab() const { return m_activeTab; }
  void ShowAboutBox();

  // The caption and every page, in the order AUDIO IN, AUDIO OUT, USB.
  void ShowConnectState(bool connected, const char* version,
                        const DeviceFeatures& features) override;
  void ShowSettings(const SettingsSnapshot& settings) override;

  ConnectionMonitor& Monitor() { return m_monitor; }
  CTabViewAudIn& AudioInPage() { return m_audioInPage; }
  CTabViewAudOut& AudioOutPage() { return m_audioOutPage; }
  CTabViewUsb& UsbPage() { return m_usbPage; }

  // Enter and Escape do nothing; only closing the window ends it.
  void accept() override {}
  void reject() override {}

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  // Draws the active tab's image over the page's top row, beneath the labels.
  class TabHighlight : public QWidget {
   public:
    explicit TabHighlight(const CxImage& image) : image_(image) {}

   protected:
    void paintEvent(QPaintEvent* event) override;

   private:
    const CxImage& image_;
  };

  std::array<PageFrame*, 3> Pages() { return {&m_audioInPage, &m_audioOutPage, &m_usbPage}; }

  WindowHost& m_host;
  int m_activeTab = 0;
  CxImage m_tabHighlight;
  CxImage m_tabImage[3];
  QRect m_tabRect[3];
  CTabViewAudIn m_audioInPage;
  CTabViewAudOut m_audioOutPage;
  CTabViewUsb m_usbPage;
  TabHighlight m_highlightView{m_tabHighlight};
  TabStripView m_tabStrip;
  QIcon m_icon;
  ConnectionMonitor m_monitor;
  bool m_systemMenuAbout = false;  // the About entry is in the system menu
};

}  // namespace tarvik
