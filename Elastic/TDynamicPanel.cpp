#include "Elastic/TDynamicPanel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QThread>
#include <algorithm>
#include <cstdlib>

#include "Utils/Convert.h"
#include "Utils/Utils.h"

namespace {

int animationDelayMs = 15;
constexpr int kBand = 3;

bool AlongHeight(Dock side) { return side == Dock::Top || side == Dock::Bottom; }
bool AlongWidth(Dock side) { return side == Dock::Left || side == Dock::Right; }

// The integer after the first "=" of an entry.
bool EntryValue(const QString& entry, int& value) {
  const qsizetype eq = entry.indexOf('=');
  if (eq < 0) return false;
  const QByteArray text = entry.mid(eq + 1).toLatin1();
  int32_t v = 0;
  if (!rts::TryTextToInt32(std::string_view(text.constData(), text.size()), v)) return false;
  value = v;
  return true;
}

QString EntryName(const QString& entry) {
  const qsizetype eq = entry.indexOf('=');
  return eq < 0 ? entry : entry.left(eq);
}

TBevelCut Swapped(TBevelCut b) {
  switch (b) {
    case TBevelCut::bvLowered: return TBevelCut::bvRaised;
    case TBevelCut::bvRaised: return TBevelCut::bvLowered;
    default: return b;
  }
}

}  // namespace

void TSizable::setSizeMin(int v) {
  sizeMin_ = v;
  if (panel_->width() < v) panel_->setWidth(v);
  if (panel_->height() < v) panel_->setHeight(v);
}

TDynamicPanel::TDynamicPanel(QWidget* parent) : TPanel(parent), sizable_(this) {
  setMouseTracking(true);
}

TDynamicPanel::~TDynamicPanel() {
  // The children outlive this part of the object: stop listening to them.
  for (const auto* list : {&alignControls_, &rightControls_})
    for (const Entry& e : *list)
      if (e.control) disconnect(e.control, nullptr, this, nullptr);
  if (scrolling_) {
    disconnect(scrolling_, nullptr, this, nullptr);
    scrolling_->viewport()->removeEventFilter(this);
  }
}

void TDynamicPanel::setAnimationDelay(int ms) { animationDelayMs = std::max(0, ms); }

int TDynamicPanel::Size() const {
  const Dock side = Side();
  return AlongHeight(side) ? height() : AlongWidth(side) ? width() : 0;
}

void TDynamicPanel::setWidth(int w) {
  const int v = rts::WordMax(static_cast<uint16_t>(w), static_cast<uint16_t>(sizable_.SizeMin()));
  resize(v, height());
  if (auto* dock = qobject_cast<DockLayout*>(parentWidget() ? parentWidget()->layout() : nullptr))
    dock->redock();
}

void TDynamicPanel::setHeight(int h) {
  const int v = rts::WordMax(static_cast<uint16_t>(h), static_cast<uint16_t>(sizable_.SizeMin()));
  resize(width(), v);
  if (auto* dock = qobject_cast<DockLayout*>(parentWidget() ? parentWidget()->layout() : nullptr))
    dock->redock();
}

// ---------------------------------------------------------------------------
// Sizing

void TDynamicPanel::SetPanelSize(int s) {
  if (s <= sizable_.SizeMin()) {
    s = sizable_.SizeMin();
    SetChildrenVisible(false);
  } else if (!childrenVisible_) {
    SetChildrenVisible(true);
  }
  const Dock side = Side();
  if (AlongHeight(side)) setHeight(s);
  else if (AlongWidth(side)) setWidth(s);
}

void TDynamicPanel::AnimatePanelSize(int target) {
  int size = Size();
  const int step = std::abs(target - size) / 12 + 1;
  animating_ = true;
  auto pause = [this] {
    if (!isVisible()) return;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (animationDelayMs > 0) {
      QThread::msleep(animationDelayMs);
      QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
  };
  while (size < target) {
    size = std::min(size + step, target);
    SetPanelSize(size);
    pause();
  }
  while (size > target) {
    size = std::max(size - step, target);
    SetPanelSize(size);
    pause();
  }
  animating_ = false;
}

void TDynamicPanel::SetChildrenVisible(bool v) {
  if (loading_) return;
  for (const QPointer<QWidget>& c : childList_)
    if (c) c->setVisible(v);
  childrenVisible_ = v;
}

bool TDynamicPanel::SizeMinimized() const { return Size() == sizable_.SizeMin(); }

void TDynamicPanel::setSizeMinimized(bool v) {
  designMinimized_ = v;
  const Dock side = Side();
  if (!AlongHeight(side) && !AlongWidth(side)) return;
  const int size = Size();
  const int sizeMin = sizable_.SizeMin();
  auto moveTo = [this](int target) {
    if (loading_) SetPanelSize(target);
    else AnimatePanelSize(target);
  };
  if (v && size != sizeMin) {
    restoreSize_ = size;
    moveTo(sizeMin);
    if (!loading_) FireMiniChange();
  } else if (!v && size == sizeMin) {
    if (sizeMin >= restoreSize_) restoreSize_ = sizeMin + 1;
    moveTo(restoreSize_);
    if (!loading_) FireMiniChange();
  }
  SetChildrenVisible(!v);
}

int TDynamicPanel::SizeRestore() const { return std::max(restoreSize_, sizable_.SizeMin()); }

void TDynamicPanel::setSizeRestore(int v) {
  restoreSize_ = std::max(v, sizable_.SizeMin());
  if (!SizeMinimized()) SetPanelSize(v);
}

void TDynamicPanel::FireMiniChange() {
  emit miniChanged();
  if (auto handler = OnMiniChange) handler(this);
}

void TDynamicPanel::FireSizeChange() {
  emit sizeChanged();
  if (auto handler = OnSizeChange) handler(this);
}

// ---------------------------------------------------------------------------
// Set-up and the two control lists

void TDynamicPanel::Loaded() {
  if (!loading_) return;
  if (!lastWidthSet_) lastWidth_ = width();
  childList_.clear();
  for (QObject* o : children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w && !w->isWindow() && !w->isHidden()) childList_.emplace_back(w);
  }
  loading_ = false;
  SetChildrenVisible(!designMinimized_);
  ResolveControlNames();
  if (width() != lastWidth_) AdjustControls();
}

void TDynamicPanel::watch(QObject* obj) {
  disconnect(obj, &QObject::destroyed, this, nullptr);
  connect(obj, &QObject::destroyed, this, [this](QObject* o) { ControlRemoved(o); });
}

void TDynamicPanel::attach(Entry& entry, QWidget* control) {
  entry.control = control;
  entry.key = control;
  watch(control);
}

void TDynamicPanel::ResolveControlNames() {
  const QList<QWidget*> all = findChildren<QWidget*>();  // depth first
  for (QWidget* c : all) {
    const QString name = c->objectName();
    if (name.isEmpty()) continue;
    for (auto* list : {&alignControls_, &rightControls_})
      for (Entry& e : *list)
        if (EntryName(e.text).compare(name, Qt::CaseInsensitive) == 0) attach(e, c);
  }
}

QStringList TDynamicPanel::Align_Controls() const {
  QStringList out;
  for (const Entry& e : alignControls_) out << e.text;
  return out;
}

QStringList TDynamicPanel::Right_Controls() const {
  QStringList out;
  for (const Entry& e : rightControls_) out << e.text;
  return out;
}

void TDynamicPanel::setAlign_Controls(const QStringList& entries) {
  alignControls_.clear();
  for (const QString& t : entries) alignControls_.push_back({t, nullptr, nullptr});
  if (loading_) {
    lastWidth_ = width();
    lastWidthSet_ = true;
  } else {
    ResolveControlNames();
  }
}

void TDynamicPanel::setRight_Controls(const QStringList& entries) {
  rightControls_.clear();
  for (const QString& t : entries) rightControls_.push_back({t, nullptr, nullptr});
  if (loading_) {
    lastWidth_ = width();
    lastWidthSet_ = true;
  } else {
    ResolveControlNames();
  }
}

void TDynamicPanel::StoreControlSizes() {
  for (Entry& e : alignControls_)
    if (e.control) e.text = e.control->objectName() + "=" + QString::number(e.control->width());
  for (Entry& e : rightControls_)
    if (e.control) e.text = e.control->objectName() + "=" + QString::number(e.control->x());
}

void TDynamicPanel::AdjustControls() {
  const int d = width() - lastWidth_;
  for (Entry& e : alignControls_) {
    QWidget* c = e.control;
    int v = 0;
    if (!c || !EntryValue(e.text, v)) continue;
    const int w = (v < 0 && c->width() == 0) ? v : c->width();
    const int w2 = w + d;
    e.text = c->objectName() + "=" + QString::number(w2);
    c->resize(std::max(w2, 0), c->height());
  }
  for (Entry& e : rightControls_) {
    QWidget* c = e.control;
    int v = 0;
    if (!c || !EntryValue(e.text, v)) continue;
    const int l = (v < 0 && c->x() == 0) ? v : c->x();
    const int l2 = l + d;
    e.text = c->objectName() + "=" + QString::number(l2);
    c->move(std::max(l2, 0), c->y());
  }
  lastWidth_ = width();
}

void TDynamicPanel::ControlRemoved(QObject* obj) {
  // A destroyed Scrolling box has already cleared its QPointer.
  for (auto* list : {&alignControls_, &rightControls_}) {
    auto it = std::find_if(list->begin(), list->end(), [obj](const Entry& e) { return e.key == obj; });
    if (it != list->end()) list->erase(it);
  }
}

// ---------------------------------------------------------------------------
// Scrolling

void TDynamicPanel::setScrolling(QScrollArea* box) {
  if (box && box->parentWidget() != this) return;
  if (scrolling_) {
    scrolling_->viewport()->removeEventFilter(this);
    disconnect(scrolling_, nullptr, this, nullptr);
  }
  scrolling_ = box;
  if (!box) return;
  if (dock()->dockOf(box) == Dock::None) dock()->addWidget(box, Dock::Fill);
  else dock()->setDock(box, Dock::Fill);
  box->setFrameShape(QFrame::NoFrame);
  const Dock side = Side();
  box->setHorizontalScrollBarPolicy(AlongHeight(side) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  box->setVerticalScrollBarPolicy(AlongWidth(side) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  box->viewport()->setMouseTracking(true);
  box->viewport()->installEventFilter(this);
  watch(box);
}

bool TDynamicPanel::eventFilter(QObject* watched, QEvent* event) {
  // Only mouse events are looked at: the others include those of the box
  // while it is being destroyed, when it must not be touched.
  const auto type = event->type();
  const bool mouse = type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove ||
                     type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease;
  if (mouse && scrolling_ && watched == scrolling_->viewport()) {
    {
      const auto* me = static_cast<QMouseEvent*>(event);
      boxEventType_ = type;
      boxEventTime_ = me->timestamp();
      boxEventAt_ = me->globalPosition();
    }
    if (type == QEvent::MouseButtonDblClick) {
      doDoubleClick();
    } else if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress) {
      const auto* me = static_cast<QMouseEvent*>(event);
      const QPoint pos = scrolling_->viewport()->mapTo(scrolling_, me->position().toPoint());
      if (type == QEvent::MouseMove) doMouseMove(scrolling_, pos);
      else doMousePress(pos);
    } else if (type == QEvent::MouseButtonRelease) {
      doMouseRelease();
    }
  }
  return TPanel::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Mouse

// A mouse event the Scrolling box did not take comes on to the panel; the
// filter on the box has already reacted to it.
bool TDynamicPanel::fromScrolling(QMouseEvent* event) const {
  // Qt passes copies of the event on to the parents (more than once, for
  // a double-click): compare its particulars.
  return boxEventType_ == event->type() && boxEventTime_ == event->timestamp() &&
         boxEventAt_ == event->globalPosition();
}

void TDynamicPanel::mouseDoubleClickEvent(QMouseEvent* event) {
  TPanel::mouseDoubleClickEvent(event);
  if (!fromScrolling(event)) doDoubleClick();
}

void TDynamicPanel::mouseMoveEvent(QMouseEvent* event) {
  TPanel::mouseMoveEvent(event);
  if (!fromScrolling(event)) doMouseMove(this, event->position().toPoint());
}

void TDynamicPanel::mousePressEvent(QMouseEvent* event) {
  TPanel::mousePressEvent(event);
  if (!fromScrolling(event)) doMousePress(event->position().toPoint());
}

void TDynamicPanel::mouseReleaseEvent(QMouseEvent* event) {
  TPanel::mouseReleaseEvent(event);
  if (!fromScrolling(event)) doMouseRelease();
}

void TDynamicPanel::doDoubleClick() {
  if (animating_) return;
  if (sizable_.DblClick && !onEdge_) setSizeMinimized(!SizeMinimized());
}

void TDynamicPanel::doMouseMove(QWidget* under, QPoint pos) {
  if (!sizable_.Resizable || animating_) return;
  // The cursor is shown by the widget that gets the mouse events.
  QWidget* shown = (scrolling_ && under == scrolling_) ? scrolling_->viewport() : under;
  const int m = (scrolling_ && under == scrolling_) ? kBand - scrolling_->y() : kBand;
  const int x = pos.x(), y = pos.y(), w = under->width(), h = under->height();
  const int sizeMin = sizable_.SizeMin();
  auto cursor = [shown](bool onBand, Qt::CursorShape shape) {
    if (onBand) shown->setCursor(shape);
    else shown->unsetCursor();
  };
  switch (Side()) {
    case Dock::Top:
      cursor(y > h - m - 1, Qt::SizeVerCursor);
      if (dragging_) {
        SetPanelSize(std::max(height() - dragY_ + y, sizeMin));
        dragY_ = y;
      }
      break;
    case Dock::Bottom:
      cursor(y < m, Qt::SizeVerCursor);
      if (dragging_) SetPanelSize(std::max(height() + dragY_ - y, sizeMin));
      break;
    case Dock::Left:
      cursor(x > w - m - 1, Qt::SizeHorCursor);
      if (dragging_) {
        SetPanelSize(std::max(width() - dragX_ + x, sizeMin));
        dragX_ = x;
      }
      break;
    case Dock::Right:
      cursor(x < m, Qt::SizeHorCursor);
      if (dragging_) SetPanelSize(std::max(width() + dragX_ - x, sizeMin));
      break;
    default:
      break;
  }
  onEdge_ = shown->testAttribute(Qt::WA_SetCursor) && shown->cursor().shape() != Qt::ArrowCursor;
}

void TDynamicPanel::swapBevels() {
  setBevelInner(Swapped(BevelInner()));
  setBevelOuter(Swapped(BevelOuter()));
}

void TDynamicPanel::doMousePress(QPoint pos) {
  if (onEdge_ && !dragging_) {
    dragX_ = pos.x();
    dragY_ = pos.y();
    swapBevels();
    dragging_ = true;
  }
  minimizedAtDown_ = SizeMinimized();
  sizeAtDown_ = Size();
}

void TDynamicPanel::doMouseRelease() {
  if (!dragging_) return;
  swapBevels();
  dragging_ = false;
  const int size = Size();
  if (size > sizable_.SizeMin()) restoreSize_ = size;
  if (size != sizeAtDown_ && !SizeMinimized()) FireSizeChange();
  if (SizeMinimized() != minimizedAtDown_) FireMiniChange();
}

void TDynamicPanel::resizeEvent(QResizeEvent* event) {
  TPanel::resizeEvent(event);
  if (!loading_) AdjustControls();
}

bool TDynamicPanel::event(QEvent* event) {
  // Set-up not closed by the window code: close it before the first show.
  if (event->type() == QEvent::Polish && loading_) Loaded();
  return TPanel::event(event);
}
