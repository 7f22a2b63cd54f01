#include "app/tab_strip_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <QWindow>
#include <map>

#include "app/tab_strip.h"
#include "controls/accessible_factory.h"
#include "controls/focus_mark.h"

namespace tarvik {
namespace {

// The strip covers the window from its corner to the tabs' far edge, so
// the labels inside it keep their window pixels.
constexpr QRect kStripRect(0, 0, kTabs[2].right, kTabs[0].bottom);

// One tab: selected while its page shows, focused while the strip holds the
// focus on it, and pressed to switch to its page.
class TabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  TabAccessible(TabStripView* strip, int index) : strip_(strip), index_(index) {}

  bool isValid() const override { return !strip_.isNull(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return strip_ ? strip_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(strip_.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name && strip_ ? strip_->TabCaption(index_) : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!strip_) return {};
    const QRect tab = TabStripView::TabRect(index_);
    return QRect(strip_->mapToGlobal(tab.topLeft()), tab.size());
  }
  QAccessible::Role role() const override { return QAccessible::PageTab; }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!strip_) return s;
    const bool active = strip_->ActiveTab() == index_;
    s.selectable = true;
    s.selected = active;
    s.focusable = true;
    s.focused = active && strip_->hasFocus();
    s.invisible = !strip_->isVisible();
    s.disabled = !strip_->isEnabled();
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (name == pressAction() && strip_) emit strip_->TabRequested(index_);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<TabStripView> strip_;
  int index_;
};

// The strip as a list of page tabs; its labels are the tabs' captions and
// are not children of their own.
class StripAccessible : public QAccessibleWidget {
 public:
  explicit StripAccessible(TabStripView* strip)
      : QAccessibleWidget(strip, QAccessible::PageTabList) {}
  ~StripAccessible() override {
    for (const auto& [index, id] : tabs_) QAccessible::deleteAccessibleInterface(id);
  }

  int childCount() const override { return 3; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= 3) return nullptr;
    if (const auto known = tabs_.find(index); known != tabs_.end())
      return QAccessible::accessibleInterface(known->second);
    auto* tab = new TabAccessible(Strip(), index);
    tabs_[index] = QAccessible::registerAccessibleInterface(tab);
    return tab;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < 3; ++i)
      if (tabs_.count(i) != 0 && QAccessible::accessibleInterface(tabs_.at(i)) == child) return i;
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint p = Strip()->mapFromGlobal(QPoint(x, y));
    for (int i = 0; i < 3; ++i)
      if (TabStripView::TabRect(i).contains(p)) return child(i);
    return nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    return Strip()->hasFocus() ? child(Strip()->ActiveTab()) : nullptr;
  }

 private:
  TabStripView* Strip() const { return static_cast<TabStripView*>(widget()); }

  mutable std::map<int, QAccessible::Id> tabs_;
};

}  // namespace

void TabStripView::Create(QWidget* window) {
  InstallAccessible<TabStripView, StripAccessible>();
  setObjectName(QStringLiteral("tabStrip"));
  setParent(window);
  // Clicks belong to the window beneath, which hit-tests the tabs itself;
  // only the keyboard brings the focus here.
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
  setAttribute(Qt::WA_NoSystemBackground, true);
  setFocusPolicy(Qt::TabFocus);
  setGeometry(kStripRect);
  for (int i = 0; i < 3; ++i) {
    const TabSpec& tab = kTabs[i];
    labels_[i].setObjectName(QLatin1String(tab.name));
    labels_[i].Create(TabRect(i), this, tab.labelId);
    labels_[i].SetText(QString::fromLatin1(tab.caption));
    labels_[i].format = kDtCenter | kDtVCenter | kDtSingleLine;
  }
  const std::pair<QKeyCombination, int> steps[] = {
      {Qt::CTRL | Qt::Key_Tab, 1},
      {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1},
      {Qt::CTRL | Qt::Key_PageDown, 1},
      {Qt::CTRL | Qt::Key_PageUp, -1},
  };
  for (const auto& [keys, step] : steps) {
    auto* shortcut = new QShortcut(QKeySequence(keys), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this,
            [this, step = step] { RequestFromKeyboard(step); });
  }
  show();
}

QRect TabStripView::TabRect(int index) {
  const TabSpec& tab = kTabs[index];
  return RectLtrb(tab.left, tab.top, tab.right, tab.bottom);
}

void TabStripView::ShowActiveTab(int index) {
  if (index < 0 || index > 2) return;
  const int previous = active_;
  active_ = index;
  focusMark_.Show(keyboardSwitch_ && hasFocus());
  update();
  if (previous != index) {
    NotifyTab(previous, false);
    NotifyTab(index, hasFocus());
  }
}

void TabStripView::RequestFromKeyboard(int step) {
  keyboardSwitch_ = true;
  emit TabRequested((active_ + step + 3) % 3);
  keyboardSwitch_ = false;
}

void TabStripView::paintEvent(QPaintEvent*) {
  if (!focusMark_.Shown()) return;
  QPainter painter(this);
  DrawFocusMark(painter, TabRect(active_).adjusted(3, 3, -3, -3), Qt::black);
}

void TabStripView::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    if (event->key() == Qt::Key_Left) return RequestFromKeyboard(-1);
    if (event->key() == Qt::Key_Right) return RequestFromKeyboard(1);
  }
  QWidget::keyPressEvent(event);
}

void TabStripView::focusInEvent(QFocusEvent* event) {
  focusMark_.Show(keyboardSwitch_ ? hasFocus() : IsKeyboardFocus(*this, event->reason()));
  QWidget::focusInEvent(event);
  if (hasFocus()) NotifyTab(active_, true);
}

void TabStripView::focusOutEvent(QFocusEvent* event) {
  focusMark_.Show(false);
  QWidget::focusOutEvent(event);
}

void TabStripView::NotifyTab(int index, bool focus) {
  if (!QAccessible::isActive()) return;
  QAccessible::State selected;
  selected.selected = true;
  QAccessibleStateChangeEvent changed(this, selected);
  changed.setChild(index);
  QAccessible::updateAccessibility(&changed);
  if (!focus) return;
  QAccessibleEvent focused(this, QAccessible::Focus);
  focused.setChild(index);
  QAccessible::updateAccessibility(&focused);
}

}  // namespace tarvik
