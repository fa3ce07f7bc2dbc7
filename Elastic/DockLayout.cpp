#include "Elastic/DockLayout.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <qdrawutil.h>

namespace {

bool Horizontal(Dock side) { return side == Dock::Top || side == Dock::Bottom; }
bool Vertical(Dock side) { return side == Dock::Left || side == Dock::Right; }

}  // namespace

DockLayout::DockLayout(QWidget* parent) : QLayout(parent) {
  setContentsMargins(0, 0, 0, 0);
  setSpacing(0);
  // Docked sizes are the widgets' own; the parent window may be made smaller.
  setSizeConstraint(QLayout::SetNoConstraint);
}

DockLayout::~DockLayout() {
  for (Item& it : items_) {
    if (QWidget* w = it.item->widget()) w->removeEventFilter(this);
    delete it.item;
  }
}

void DockLayout::addWidget(QWidget* w, Dock side) {
  if (!w) return;
  for (const Item& it : items_)
    if (it.item->widget() == w) {
      setDock(w, side);
      return;
    }
  addChildWidget(w);
  w->installEventFilter(this);
  items_.append({new QWidgetItem(w), side, -1});
  invalidate();
}

void DockLayout::addWidget(QWidget* w, Dock side, int size) {
  if (!w) return;
  if (Horizontal(side)) w->resize(w->width(), size);
  else if (Vertical(side)) w->resize(size, w->height());
  addWidget(w, side);
}

void DockLayout::setDock(QWidget* w, Dock side) {
  for (Item& it : items_)
    if (it.item->widget() == w) {
      it.side = side;
      it.applied = -1;
      invalidate();
      return;
    }
}

Dock DockLayout::dockOf(const QWidget* w) const {
  for (const Item& it : items_)
    if (it.item->widget() == w) return it.side;
  return Dock::None;
}

Dock DockLayout::sideOf(const QWidget* w) {
  if (!w || !w->parentWidget()) return Dock::None;
  auto* dock = qobject_cast<DockLayout*>(w->parentWidget()->layout());
  return dock ? dock->dockOf(w) : Dock::None;
}

void DockLayout::redock() {
  invalidate();
  if (QWidget* p = parentWidget()) setGeometry(p->contentsRect());
}

void DockLayout::addItem(QLayoutItem* item) {
  if (QWidget* w = item->widget()) w->installEventFilter(this);
  items_.append({item, Dock::Fill, -1});
}

int DockLayout::count() const { return static_cast<int>(items_.size()); }

QLayoutItem* DockLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_[index].item : nullptr;
}

QLayoutItem* DockLayout::takeAt(int index) {
  if (index < 0 || index >= items_.size()) return nullptr;
  QLayoutItem* item = items_.takeAt(index).item;
  if (QWidget* w = item->widget()) w->removeEventFilter(this);
  return item;
}

void DockLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  placing_ = true;
  QRect rest = rect.marginsRemoved(contentsMargins());
  for (Item& it : items_) {
    if (it.item->isEmpty() || it.side == Dock::Fill || it.side == Dock::None) continue;
    QWidget* w = it.item->widget();
    QRect r;
    switch (it.side) {
      case Dock::Top: {
        int h = w ? w->height() : it.item->sizeHint().height();
        r = QRect(rest.left(), rest.top(), rest.width(), h);
        rest.setTop(rest.top() + h);
        it.applied = h;
        break;
      }
      case Dock::Bottom: {
        int h = w ? w->height() : it.item->sizeHint().height();
        r = QRect(rest.left(), rest.bottom() + 1 - h, rest.width(), h);
        rest.setBottom(rest.bottom() - h);
        it.applied = h;
        break;
      }
      case Dock::Left: {
        int wd = w ? w->width() : it.item->sizeHint().width();
        r = QRect(rest.left(), rest.top(), wd, rest.height());
        rest.setLeft(rest.left() + wd);
        it.applied = wd;
        break;
      }
      case Dock::Right: {
        int wd = w ? w->width() : it.item->sizeHint().width();
        r = QRect(rest.right() + 1 - wd, rest.top(), wd, rest.height());
        rest.setRight(rest.right() - wd);
        it.applied = wd;
        break;
      }
      default:
        break;
    }
    if (r.width() < 0) r.setWidth(0);
    if (r.height() < 0) r.setHeight(0);
    if (w) w->setGeometry(r);
    else it.item->setGeometry(r);
  }
  if (rest.width() < 0) rest.setWidth(0);
  if (rest.height() < 0) rest.setHeight(0);
  for (Item& it : items_)
    if (!it.item->isEmpty() && it.side == Dock::Fill) it.item->setGeometry(rest);
  placing_ = false;
}

QSize DockLayout::computeSize(bool minimum) const {
  // Walk the docks backwards: each one wraps what the later ones need.
  QSize fill(0, 0);
  for (const Item& it : items_)
    if (!it.item->isEmpty() && it.side == Dock::Fill)
      fill = fill.expandedTo(minimum ? it.item->minimumSize() : it.item->sizeHint());
  int w = fill.width(), h = fill.height();
  for (auto i = items_.size(); i-- > 0;) {
    const Item& it = items_[i];
    if (it.item->isEmpty()) continue;
    QWidget* wd = it.item->widget();
    if (Horizontal(it.side)) {
      h += wd ? wd->height() : it.item->sizeHint().height();
      if (!minimum) w = qMax(w, it.item->sizeHint().width());
    } else if (Vertical(it.side)) {
      w += wd ? wd->width() : it.item->sizeHint().width();
      if (!minimum) h = qMax(h, it.item->sizeHint().height());
    }
  }
  QMargins m = contentsMargins();
  return QSize(w + m.left() + m.right(), h + m.top() + m.bottom());
}

QSize DockLayout::sizeHint() const { return computeSize(false); }
QSize DockLayout::minimumSize() const { return computeSize(true); }
Qt::Orientations DockLayout::expandingDirections() const {
  return Qt::Horizontal | Qt::Vertical;
}

bool DockLayout::eventFilter(QObject* watched, QEvent* event) {
  if (!placing_ && (event->type() == QEvent::Resize || event->type() == QEvent::ShowToParent ||
                    event->type() == QEvent::HideToParent)) {
    for (const Item& it : items_) {
      if (it.item->widget() != watched) continue;
      auto* w = static_cast<QWidget*>(watched);
      int now = Horizontal(it.side) ? w->height() : Vertical(it.side) ? w->width() : it.applied;
      if (event->type() != QEvent::Resize || now != it.applied) redock();
      break;
    }
  }
  return QLayout::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------

TPanel::TPanel(QWidget* parent) : QFrame(parent), dock_(new DockLayout(this)) {
  setFrameShape(QFrame::NoFrame);
  updateMargins();
}

void TPanel::setBevelInner(TBevelCut b) {
  bevelInner_ = b;
  updateMargins();
}
void TPanel::setBevelOuter(TBevelCut b) {
  bevelOuter_ = b;
  updateMargins();
}
void TPanel::setBevelWidth(int w) {
  bevelWidth_ = qMax(1, w);
  updateMargins();
}
void TPanel::setBorderWidth(int w) {
  borderWidth_ = qMax(0, w);
  updateMargins();
}
void TPanel::setSingleBorder(bool on) {
  singleBorder_ = on;
  updateMargins();
}
void TPanel::setCaption(const QString& caption) {
  caption_ = caption;
  setAccessibleName(caption);
  update();
}

void TPanel::setColor(const QColor& color) {
  QPalette pal = palette();
  if (color.isValid()) {
    pal.setColor(QPalette::Window, color);
    setAutoFillBackground(true);
  } else {
    pal.setColor(QPalette::Window, QPalette().color(QPalette::Window));
    setAutoFillBackground(false);
  }
  setPalette(pal);
}

QColor TPanel::color() const { return palette().color(QPalette::Window); }

int TPanel::edgeWidth() const {
  return (singleBorder_ ? 1 : 0) + (bevelOuter_ != TBevelCut::bvNone ? bevelWidth_ : 0) +
         borderWidth_ + (bevelInner_ != TBevelCut::bvNone ? bevelWidth_ : 0);
}

void TPanel::updateMargins() {
  int e = edgeWidth();
  setContentsMargins(e, e, e, e);
  update();
}

void TPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter p(this);
  QRect r = rect();
  if (singleBorder_) {
    p.setPen(palette().color(QPalette::Shadow));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    r.adjust(1, 1, -1, -1);
  }
  auto bevel = [&](TBevelCut cut) {
    if (cut == TBevelCut::bvNone) return;
    qDrawShadePanel(&p, r, palette(), cut == TBevelCut::bvLowered, bevelWidth_);
    r.adjust(bevelWidth_, bevelWidth_, -bevelWidth_, -bevelWidth_);
  };
  bevel(bevelOuter_);
  r.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
  bevel(bevelInner_);
  if (!caption_.isEmpty()) {
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r, Qt::AlignCenter, caption_);
  }
}
