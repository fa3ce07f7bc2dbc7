#include "Elastic/TFansyGradientCaption.h"

#include <QApplication>
#include <QEvent>
#include <QLinearGradient>
#include <QMainWindow>
#include <QPainter>
#include <QWindowStateChangeEvent>

// ---------------------------------------------------------------------------
// TApplicationState

TApplicationState::TApplicationState() {}

TApplicationState& TApplicationState::instance() {
  static TApplicationState* state = new TApplicationState;  // lives as long as the process
  return *state;
}

void TApplicationState::setMainWindow(QWidget* w) {
  if (main_) main_->removeEventFilter(this);
  main_ = w;
  if (main_) main_->installEventFilter(this);
}

QWidget* TApplicationState::mainWindow() const {
  if (main_) return main_;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(w)) return w;
  return nullptr;
}

void TApplicationState::Minimize() {
  minimized_ = true;
  QWidget* w = mainWindow();
  if (w && w != main_) setMainWindow(w);  // watch it for the restore
  if (w) w->showMinimized();
}

void TApplicationState::Restore() {
  if (restoring_) return;
  restoring_ = true;
  minimized_ = false;
  if (QWidget* w = mainWindow(); w && w->isMinimized()) w->showNormal();
  if (Handler handler = OnRestore) handler();  // a copy: the handler may reinstall another
  restoring_ = false;
}

bool TApplicationState::eventFilter(QObject* watched, QEvent* event) {
  if (watched == main_ && event->type() == QEvent::WindowStateChange) {
    auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool was = change->oldState() & Qt::WindowMinimized;
    const bool now = main_->windowState() & Qt::WindowMinimized;
    if (now) minimized_ = true;
    else if (was && minimized_) Restore();
  }
  return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// TFansyGradientCaption

namespace {

// Follows the owning window's minimize and restore.
class OwnerWatch : public QObject {
 public:
  explicit OwnerWatch(TFansyGradientCaption* caption) : QObject(caption), caption_(caption) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowStateChange) {
      auto* w = static_cast<QWidget*>(watched);
      // The main window's own minimizing is the application's: nothing to hook.
      if (w == TApplicationState::instance().mainWindow()) return false;
      auto* change = static_cast<QWindowStateChangeEvent*>(event);
      const bool was = change->oldState() & Qt::WindowMinimized;
      const bool now = w->windowState() & Qt::WindowMinimized;
      if (now && !was) caption_->MinimizeApplication();
      // The operator brought this window back by itself: the application
      // comes back with it.
      else if (was && !now && caption_->Hooked()) TApplicationState::instance().Restore();
    }
    return false;
  }

 private:
  TFansyGradientCaption* caption_;
};

}  // namespace

TFansyGradientCaption::TFansyGradientCaption(QWidget* owner) : QWidget(owner), owner_(owner) {
  setObjectName("FansyGradientCaption");
  setFixedHeight(CaptionHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (owner_) owner_->installEventFilter(new OwnerWatch(this));
  setFormCaption("Dialog");
}

TFansyGradientCaption::~TFansyGradientCaption() {
  if (hooked_) TApplicationState::instance().OnRestore = savedOnRestore_;
}

void TFansyGradientCaption::setStartColor(const QColor& c) {
  startColor_ = c;
  update();
}

void TFansyGradientCaption::setFormCaption(const QString& caption) {
  formCaption_ = caption;
  setAccessibleName(caption);
  if (owner_) owner_->setWindowTitle(caption);
  update();
}

void TFansyGradientCaption::MinimizeApplication() {
  TApplicationState& app = TApplicationState::instance();
  app.Minimize();
  // Hooked once only: hooking again would save our own handler and call it
  // from itself for ever.
  if (hooked_) return;
  savedOnRestore_ = app.OnRestore;
  app.OnRestore = [this] { ApplicationRestored(); };
  hooked_ = true;
}

void TFansyGradientCaption::ApplicationRestored() {
  TApplicationState& app = TApplicationState::instance();
  if (TApplicationState::Handler saved = savedOnRestore_) saved();
  if (owner_ && owner_->isWindow()) {
    owner_->setWindowState(owner_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    if (owner_->isVisible()) owner_->showNormal();
    app.OnRestore = savedOnRestore_;
    hooked_ = false;
  }
}

QSize TFansyGradientCaption::sizeHint() const { return QSize(200, CaptionHeight); }

void TFansyGradientCaption::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor end = owner_ ? owner_->palette().color(QPalette::Window)
                            : palette().color(QPalette::Window);
  QLinearGradient g(0, 0, width(), 0);
  g.setColorAt(0, startColor_);
  g.setColorAt(1, end);
  p.fillRect(rect(), g);
  QFont f = font();
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  QString text = formCaption_;
  for (const QString& piece : Captions) text += piece;
  p.drawText(rect().adjusted(6, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
             text);
}
