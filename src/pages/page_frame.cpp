#include "pages/page_frame.h"

#include <QComboBox>
#include <QPainter>

#include "controls/drop_list_accessible.h"
#include "controls/ui_font.h"

namespace tarvik {

PageFrame::PageFrame(PageHost& host, PngId background)
    : host_(host), m_session(host.Session()), background_(background) {}

bool PageFrame::CreateView(QWidget* parent) {
  if (created_ || parent == nullptr) return false;
  // The picture is decoded when the page first paints: the two hidden pages
  // need only its size before the window's first paint.
  const QSize size = CxImage::PngResourceSize(background_);
  if (size.isEmpty()) return false;
  setParent(parent);
  setGeometry(kPageLeft, kPageTop, size.width(), size.height());
  m_mainWindow = parent;
  m_pageFont = MakeUiFont();
  OnInitDialog();
  created_ = true;
  return true;
}

void PageFrame::ShowPage(bool show) {
  // A page whose window was never created has nothing to show.
  if (created_) setVisible(show);
}

void PageFrame::paintEvent(QPaintEvent*) {
  if (!m_sized) {
    if (m_background.LoadPngResource(background_))
      resize(m_background.Width(), m_background.Height());
    m_sized = true;
  }
  QPainter painter(this);
  m_background.Draw(&painter, 0, 0);
}

void PageFrame::ReportCommError() {
  if (m_mainWindow == nullptr) return;
  emit CommunicationFailed();
}

void PageFrame::MakeLabel(CxStaticLabel& label, int id, const QString& name, const char* caption,
                          const QRect& rect, unsigned colour) {
  label.setObjectName(name);
  label.Create(rect, this, id);
  label.SetText(QString::fromLatin1(caption));
  label.textColor = colour;
}

QComboBox* PageFrame::CreateList(int id, const QString& name, const QRect& rect,
                                 std::span<const char* const> items, const QString& spokenName) {
  InstallDropListAccessibility();
  auto* list = new QComboBox(this);
  list->setObjectName(name);
  list->setAccessibleName(spokenName);
  list->setProperty("controlId", id);
  list->setFont(m_pageFont);
  list->setGeometry(rect);
  for (const char* item : items) list->addItem(QString::fromLatin1(item));
  // Every item shows at once when the list drops down.
  list->setMaxVisibleItems(list->count());
  list->setCurrentIndex(-1);
  list->show();
  return list;
}

bool PageFrame::WriteSetting(SettingId id, int channel, int index, const WriteArgs& args) {
  const Setting& setting = SettingOf(id);
  if (index < 0 || index >= static_cast<int>(setting.items.size())) return false;
  if (WriteItem(m_session, setting, channel, index, args) == LINK_OK) return true;
  ReportCommError();
  return false;
}

}  // namespace tarvik
