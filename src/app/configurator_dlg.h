// The program's only top-level window: a fixed 465 x 460 dark window with a
// strip of three painted tabs over the AUDIO IN, AUDIO OUT and USB pages. It
// also runs the connection monitor and shows the connection in its caption.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QTimer>
#include <cstdint>

#include "controls/x_image.h"
#include "controls/x_static_label.h"
#include "pages/tab_view_aud_in.h"
#include "pages/tab_view_aud_out.h"
#include "pages/tab_view_usb.h"

namespace tarvik {

class CHidDevCommApp;
class CTarvik_ConfiguratorApp;

inline constexpr int kClientWidth = 465;
inline constexpr int kClientHeight = 460;
inline constexpr unsigned kBackgroundColour = 0x333333;

class CTarvik_ConfiguratorDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CTarvik_ConfiguratorDlg(CTarvik_ConfiguratorApp& app);
  ~CTarvik_ConfiguratorDlg() override;

  void SelectPage(int index);
  int ActiveTab() const { return m_activeTab; }
  void ShowAboutBox();

  // The connection monitor.
  void SetConnectionState(bool connected, const char* version);
  void ConnectDevice();
  void LoadDeviceSettings(const DeviceFeatures& features);
  void HandleCommunicationError();
  int OnDeviceNotify(long long code, long long value);
  int OnStartMonitor();
  int OnCommError();
  void OnMonitorTick();
  bool MonitorRunning() const { return m_connectTimer.isActive(); }
  int PresenceCount() const { return m_presenceCount; }

  CTabViewAudIn& AudioInPage() { return m_audioInPage; }
  CTabViewAudOut& AudioOutPage() { return m_audioOutPage; }
  CTabViewUsb& UsbPage() { return m_usbPage; }
  CTarvik_ConfiguratorApp& App() { return app_; }

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

  CTarvik_ConfiguratorApp& app_;
  int m_presenceCount = 0;
  CHidDevCommApp* m_session;
  int m_activeTab = 0;
  CxImage m_tabHighlight;
  CxImage m_tabImage[3];
  QRect m_tabRect[3];
  CxStaticLabel m_tabLabel[3];
  CTabViewAudIn m_audioInPage;
  CTabViewAudOut m_audioOutPage;
  CTabViewUsb m_usbPage;
  TabHighlight m_highlightView{m_tabHighlight};
  QIcon m_icon;
  QTimer m_connectTimer;
  bool m_systemMenuAbout = false;  // the About entry is in the system menu
};

// The program icon in all its sizes.
QIcon LoadProgramIcon();

}  // namespace tarvik
