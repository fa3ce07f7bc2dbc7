// A panel docked to one side of its parent that the operator resizes by
// dragging its free edge and collapses or restores by double-clicking it.
#pragma once

#include <QEvent>
#include <QPointer>
#include <QScrollArea>
#include <QStringList>
#include <functional>
#include <vector>

#include "Elastic/DockLayout.h"

#include <QScrollArea>
class TDynamicPanel;

// Sizing settings of one TDynamicPanel, owned by it.
class TSizable {
 public:
  explicit TSizable(TDynamicPanel* panel) : panel_(panel) {}
  int SizeMin() const { return sizeMin_; }
  // Also raises the panel's width and height (each on its own) to at least v.
  void setSizeMin(int v);
  bool DblClick = true;   // a double-click toggles collapse and restore
  bool Resizable = true;  // the free edge can be dragged

 private:
  TDynamicPanel* panel_;
  int sizeMin_ = 12;
};

// The panel is docked by its parent's DockLayout (DockLayout::sideOf); "the
// size" is its height when docked Top or Bottom, its width when docked Left
// or Right, 0 otherwise.  Collapsed, the size is SizeMin and the children
// that were visible when the panel was set up are hidden.
//
// Set-up: create the panel, dock it, give it its size, children and
// properties, then call Loaded() (called on first show otherwise).  Until
// then SizeMinimized and SizeRestore resize without animation and leave the
// children alone.
//
// Align_Controls / Right_Controls: entries "Name=int" naming controls
// anywhere inside the panel whose width (Align_Controls) or left
// (Right_Controls) follows the panel's width.  A negative value remembers how
// far a control was squeezed below zero, so widening the panel gives it back.
class TDynamicPanel : public TPanel {
  Q_OBJECT
 public:
  explicit TDynamicPanel(QWidget* parent = nullptr);
  ~TDynamicPanel() override;

  // End of set-up: records the children now visible, shows or hides them by
  // SizeMinimized, attaches the Align/Right_Controls entries.
  void Loaded();
  bool IsLoading() const { return loading_; }

  QStringList Align_Controls() const;
  void setAlign_Controls(const QStringList& entries);
  QStringList Right_Controls() const;
  void setRight_Controls(const QStringList& entries);
  // Rewrites the attached entries as name "=" current width (left), as the
  // window design is written.
  void StoreControlSizes();

  QScrollArea* Scrolling() const { return scrolling_; }
  // Ignored unless the scroll area is a direct child of the panel.
  void setScrolling(QScrollArea* box);

  bool SizeMinimized() const;
  void setSizeMinimized(bool v);
  int SizeRestore() const;
  void setSizeRestore(int v);
  TSizable* Sizable() { return &sizable_; }

  // Width and height, never below SizeMin.
  int Width() const { return width(); }
  int Height() const { return height(); }
  void setWidth(int w);
  void setHeight(int h);

  int Size() const;  // along the docking axis
  Dock Side() const { return DockLayout::sideOf(this); }
  bool ChildrenVisible() const { return childrenVisible_; }
  bool OnEdge() const { return onEdge_; }
  bool Dragging() const { return dragging_; }

  // Pause between two visible steps of the collapse/restore animation.
  static void setAnimationDelay(int ms);

  // Notifications, both as signals and as handlers (either may be used).
  std::function<void(TDynamicPanel*)> OnMiniChange;
  std::function<void(TDynamicPanel*)> OnSizeChange;

 signals:
  void miniChanged();  // the collapsed state changed
  void sizeChanged();  // an edge drag ended with a new size, not collapsed

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    QString text;
    QPointer<QWidget> control;
    const QObject* key = nullptr;  // the control, to find its entry while it is destroyed
  };
  void SetPanelSize(int s);
  void AnimatePanelSize(int target);
  void SetChildrenVisible(bool v);
  void AdjustControls();
  void ResolveControlNames();
  void ControlRemoved(QObject* obj);
  void FireMiniChange();
  void FireSizeChange();
  void attach(Entry& entry, QWidget* control);
  void watch(QObject* obj);
  void swapBevels();
  // The mouse reactions, for the panel itself or its Scrolling box.
  void doDoubleClick();
  void doMouseMove(QWidget* under, QPoint pos);
  void doMousePress(QPoint pos);
  void doMouseRelease();
  bool fromScrolling(QMouseEvent* event) const;

  TSizable sizable_;
  std::vector<Entry> alignControls_;
  std::vector<Entry> rightControls_;
  std::vector<QPointer<QWidget>> childList_;
  QPointer<QScrollArea> scrolling_;
  bool loading_ = true;
  bool lastWidthSet_ = false;
  int lastWidth_ = 0;
  bool childrenVisible_ = true;
  int restoreSize_ = 0;
  bool designMinimized_ = false;
  bool onEdge_ = false;
  bool dragging_ = false;
  bool animating_ = false;
  // The last mouse event seen on the Scrolling box, which Qt may pass on.
  QEvent::Type boxEventType_ = QEvent::None;
  quint64 boxEventTime_ = 0;
  QPointF boxEventAt_;
  int dragX_ = 0, dragY_ = 0;
  bool minimizedAtDown_ = false;
  int sizeAtDown_ = 0;
};
