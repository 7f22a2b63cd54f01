#include "app/configurator_dlg.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "app/about_dlg.h"
#include "app/program_icon.h"
#include "app/tab_strip.h"
#include "app/window_platform.h"
#include "controls/ui_font.h"

namespace tarvik {

CTarvik_ConfiguratorDlg::CTarvik_ConfiguratorDlg(WindowHost& host)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_host(host),
      m_audioInPage(host),
      m_audioOutPage(host),
      m_usbPage(host),
      m_icon(LoadProgramIcon()),
      m_monitor(host, *this, *this) {
  ComputeFontScale();
  m_host.SetMainWindow(this);

  setWindowIcon(m_icon);

  for (PageFrame* page : Pages()) {
    page->CreateView(this);
    // Recovered from once the page's handler has returned, so the handler
    // never runs on with the session closed under it.
    connect(
        page, &PageFrame::CommunicationFailed, this,
        [this] { m_monitor.HandleCommunicationError(); }, Qt::QueuedConnection);
  }

  m_tabHighlight.LoadPngResource(kPngActiveTab);
  m_tabImage[1].LoadPngResource(kTabs[1].png);
  m_tabImage[0].LoadPngResource(kTabs[0].png);
  m_tabImage[2].LoadPngResource(kTabs[2].png);
  m_highlightView.setObjectName(QStringLiteral("tabHighlight"));
  m_highlightView.setParent(this);
  m_highlightView.setAttribute(Qt::WA_TransparentForMouseEvents, true);

  m_tabStrip.Create(this);
  connect(&m_tabStrip, &TabStripView::TabRequested, this, &CTarvik_ConfiguratorDlg::SwitchTab);
  for (int i = 0; i < 3; ++i) {
    m_tabRect[i] = TabStripView::TabRect(i);
    Pages()[i]->setAccessibleName(QString::fromLatin1(kTabs[i].caption));
  }

  m_activeTab = 0;
  SelectPage(0);
  setFixedSize(kClientWidth, kClientHeight);

  ShowConnectState(false, nullptr, DeviceFeatures{});

  const QString aboutEntry = m_host.LoadText(kTextAboutMenuEntry);
  if (!aboutEntry.isEmpty()) m_systemMenuAbout = AppendSystemMenuAbout(*this, aboutEntry);

  QMetaObject::invokeMethod(
      this, [this] { m_monitor.Start(); }, Qt::QueuedConnection);
}

CTarvik_ConfiguratorDlg::~CTarvik_ConfiguratorDlg() {
  m_monitor.Stop();
  m_host.Session().Close();
  m_host.SetMainWindow(nullptr);
}

void CTarvik_ConfiguratorDlg::ShowConnectState(bool connected, const char* version,
                                               const DeviceFeatures& features) {
  QString caption = m_host.ProductName();
  if (connected && version != nullptr)
    caption += QStringLiteral("   [Connected  Ver.") + VersionChars(version) + QStringLiteral("]");
  else
    caption += QStringLiteral("   [Not connected]");
  setWindowTitle(caption);
  for (PageFrame* page : Pages()) page->ShowConnectState(connected, features);
}

void CTarvik_ConfiguratorDlg::ShowSettings(const SettingsSnapshot& settings) {
  for (PageFrame* page : Pages()) page->ShowSettings(settings);
}

void CTarvik_ConfiguratorDlg::SelectPage(int index) {
  if (index < 0 || index > 2) return;
  const std::array<PageFrame*, 3> pages = Pages();
  for (int i = 0; i < 3; ++i)
    if (i != index) pages[i]->ShowPage(false);
  pages[index]->ShowPage(true);
  m_highlightView.setGeometry(m_tabRect[index]);
  m_highlightView.show();
  m_tabStrip.ShowActiveTab(index);
  m_tabStrip.setFocus();
  update();
}

void CTarvik_ConfiguratorDlg::SwitchTab(int index) {
  if (index < 0 || index > 2) return;
  m_activeTab = index;
  SelectPage(index);
}

void CTarvik_ConfiguratorDlg::ShowAboutBox() {
  CAboutDlg about(m_host, m_host.ProductName(), m_host.Version(), this);
  about.exec();
}

void CTarvik_ConfiguratorDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor::fromRgb(0xFF000000u | kBackgroundColour));
  for (int i = 0; i < 3; ++i) m_tabImage[i].Draw(&painter, m_tabRect[i].left(), m_tabRect[i].top());
  // The visible page paints next and the active tab's image over it (a
  // child of its own above the pages); the labels come last.
}

void CTarvik_ConfiguratorDlg::TabHighlight::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  image_.Draw(&painter, 0, 0);
}

void CTarvik_ConfiguratorDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const int index = HitTestTab(m_activeTab, event->position().toPoint());
    if (index >= 0) SwitchTab(index);
  }
  QDialog::mousePressEvent(event);
}

void CTarvik_ConfiguratorDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_F1:
      ShowAboutBox();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void CTarvik_ConfiguratorDlg::closeEvent(QCloseEvent* event) {
  done(0);
  event->accept();
}

bool CTarvik_ConfiguratorDlg::nativeEvent(const QByteArray& eventType, void* message,
                                          qintptr* result) {
  if (IsSystemMenuAbout(eventType, message)) {
    ShowAboutBox();
    *result = 0;
    return true;
  }
  return QDialog::nativeEvent(eventType, message, result);
}

void CTarvik_ConfiguratorDlg::contextMenuEvent(QContextMenuEvent* event) {
  // Where the window's system menu cannot carry the About entry (X11 and
  // Wayland), the window's own context menu does (and F1 everywhere).
  if (m_systemMenuAbout) {
    QDialog::contextMenuEvent(event);
    return;
  }
  const QString text = m_host.LoadText(kTextAboutMenuEntry);
  if (text.isEmpty()) return;
  QMenu menu(this);
  menu.addAction(text, this, &CTarvik_ConfiguratorDlg::ShowAboutBox);
  menu.exec(event->globalPos());
}

}  // namespace tarvik
