#include "app/configurator_dlg.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "app/about_dlg.h"
#include "app/configurator_app.h"
#include "app/tab_strip.h"
#include "app/window_platform.h"
#include "controls/ui_font.h"
#include "resources/program_resources.h"
#include "resources/resource_ids.h"

namespace tarvik {

QIcon LoadProgramIcon() {
  InitProgramResources();
  // The sizes a window shows; the 256-pixel picture is for the desktop's
  // icon theme. The format is named so no content sniffing is needed.
  QIcon icon;
  for (int size : {16, 24, 32, 48})
    icon.addPixmap(QPixmap(QStringLiteral(":/icon/%1/%2").arg(kProgramIconId).arg(size), "PNG"));
  return icon;
}

CTarvik_ConfiguratorDlg::CTarvik_ConfiguratorDlg(CTarvik_ConfiguratorApp& app)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      app_(app),
      m_session(&app.m_deviceSession),
      m_audioInPage(app),
      m_audioOutPage(app),
      m_usbPage(app),
      m_icon(LoadProgramIcon()) {
  ComputeFontScale();
  app_.SetMainWindow(this);

  setWindowIcon(m_icon);
  m_presenceCount = 0;

  for (PageFrame* page :
       {static_cast<PageFrame*>(&m_audioInPage), static_cast<PageFrame*>(&m_audioOutPage),
        static_cast<PageFrame*>(&m_usbPage)}) {
    page->CreateView(this);
    // Handled before the page carries on, so it finds the connection dropped.
    connect(page, &PageFrame::CommunicationFailed, this, &CTarvik_ConfiguratorDlg::OnCommError,
            Qt::DirectConnection);
  }

  m_tabHighlight.LoadPngResource(kPngActiveTab);
  m_tabImage[1].LoadPngResource(kTabs[1].png);
  m_tabImage[0].LoadPngResource(kTabs[0].png);
  m_tabImage[2].LoadPngResource(kTabs[2].png);
  m_highlightView.setObjectName(QStringLiteral("tabHighlight"));
  m_highlightView.setParent(this);
  m_highlightView.setAttribute(Qt::WA_TransparentForMouseEvents, true);

  for (int i = 0; i < 3; ++i) {
    const TabSpec& tab = kTabs[i];
    m_tabLabel[i].setObjectName(QLatin1String(tab.name));
    m_tabLabel[i].Create(RectLtrb(tab.left, tab.top, tab.right, tab.bottom), this, tab.labelId);
    m_tabLabel[i].SetText(QString::fromLatin1(tab.caption));
    m_tabLabel[i].format = kDtCenter | kDtVCenter | kDtSingleLine;
    m_tabRect[i] = RectLtrb(tab.left, tab.top, tab.right, tab.bottom);
  }

  m_activeTab = 0;
  SelectPage(0);
  setFixedSize(kClientWidth, kClientHeight);

  m_connectTimer.setInterval(200);
  connect(&m_connectTimer, &QTimer::timeout, this, &CTarvik_ConfiguratorDlg::OnMonitorTick);

  SetConnectionState(false, nullptr);

  const QString aboutEntry = app_.LoadText(kTextAboutMenuEntry);
  if (!aboutEntry.isEmpty()) m_systemMenuAbout = AppendSystemMenuAbout(*this, aboutEntry);

  QMetaObject::invokeMethod(this, &CTarvik_ConfiguratorDlg::OnStartMonitor, Qt::QueuedConnection);
}

CTarvik_ConfiguratorDlg::~CTarvik_ConfiguratorDlg() {
  m_connectTimer.stop();
  m_session->Close();
  app_.SetMainWindow(nullptr);
}

void CTarvik_ConfiguratorDlg::SelectPage(int index) {
  if (index < 0 || index > 2) return;
  PageFrame* pages[3] = {&m_audioInPage, &m_audioOutPage, &m_usbPage};
  for (int i = 0; i < 3; ++i)
    if (i != index) pages[i]->ShowPage(false);
  pages[index]->ShowPage(true);
  m_highlightView.setGeometry(m_tabRect[index]);
  m_highlightView.show();
  m_tabLabel[index].setFocus();
  update();
}

void CTarvik_ConfiguratorDlg::ShowAboutBox() {
  CAboutDlg about(app_, this);
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
    if (index >= 0 && index != m_activeTab) {
      m_activeTab = index;
      SelectPage(index);
    }
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
  const QString text = app_.LoadText(kTextAboutMenuEntry);
  if (text.isEmpty()) return;
  QMenu menu(this);
  menu.addAction(text, this, &CTarvik_ConfiguratorDlg::ShowAboutBox);
  menu.exec(event->globalPos());
}

}  // namespace tarvik
