// Docking of child widgets to the sides of their parent, and the plain
// bevelled panel that the windows are built of.
#pragma once

#include <QColor>
#include <QFrame>
#include <QLayout>
#include <QList>
#include <QString>

// The side a widget is docked to.  None: not docked (placed by hand).
enum class Dock { None, Top, Bottom, Left, Right, Fill };

// A layout that docks widgets to a side of their parent, like the Align
// property of classic desktop toolkits.
//
// Widgets are docked in the order they were added: each Top, Bottom, Left or
// Right widget takes a strip of its own current height (Top, Bottom) or
// width (Left, Right) from that side of the space the earlier ones left, and
// spans the rest of the other direction.  So of two Bottom widgets the one
// added first lies nearer the bottom edge.  Fill widgets then take all the
// space that is left.  Hidden widgets take no space.
//
// A docked widget keeps its own size along the docking axis: resizing it
// (QWidget::resize, setFixedHeight, ...) re-docks the parent's children at
// once, so a collapsing panel's siblings follow it step by step.
class DockLayout : public QLayout {
  Q_OBJECT
 public:
  explicit DockLayout(QWidget* parent = nullptr);
  ~DockLayout() override;

  // Docks w (made a child of the parent widget if it is not yet one).
  void addWidget(QWidget* w, Dock side);
  // Docks w and sets its size along the docking axis first.
  void addWidget(QWidget* w, Dock side, int size);
  void setDock(QWidget* w, Dock side);
  Dock dockOf(const QWidget* w) const;

  // The side w is docked to in its parent's DockLayout; None when the parent
  // has no DockLayout or w is not in it.
  static Dock sideOf(const QWidget* w);

  // Lays out the parent's children now (after one of them changed size).
  void redock();

  // QLayout
  void addItem(QLayoutItem* item) override;  // docked as Fill
  int count() const override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  void setGeometry(const QRect& rect) override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  Qt::Orientations expandingDirections() const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Item {
    QLayoutItem* item;
    Dock side;
    int applied;  // size along the axis the layout gave it last (-1: none)
  };
  QSize computeSize(bool minimum) const;
  QList<Item> items_;
  bool placing_ = false;
};

// Bevel of a panel's edge.
enum class TBevelCut { bvNone, bvLowered, bvRaised };

// A panel: outer bevel, border space, inner bevel (each of BevelWidth
// pixels where not bvNone), an optional single-line border, a background
// colour and a caption centred in it.  Its children are docked by the
// DockLayout it owns (dock()); children placed by hand are left alone.
class TPanel : public QFrame {
  Q_OBJECT
 public:
  explicit TPanel(QWidget* parent = nullptr);

  DockLayout* dock() const { return dock_; }

  TBevelCut BevelInner() const { return bevelInner_; }
  void setBevelInner(TBevelCut b);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void setBevelOuter(TBevelCut b);
  int BevelWidth() const { return bevelWidth_; }
  void setBevelWidth(int w);
  int BorderWidth() const { return borderWidth_; }  // space between the bevels
  void setBorderWidth(int w);
  bool SingleBorder() const { return singleBorder_; }  // a 1-pixel frame outside
  void setSingleBorder(bool on);

  QString Caption() const { return caption_; }
  void setCaption(const QString& caption);
  // Background colour; an invalid colour keeps the window's own.
  void setColor(const QColor& color);
  QColor color() const;

  // The width of the edge (border and bevels) on each side.
  int edgeWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void updateMargins();
  DockLayout* dock_;
  TBevelCut bevelInner_ = TBevelCut::bvNone;
  TBevelCut bevelOuter_ = TBevelCut::bvRaised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  bool singleBorder_ = false;
  QString caption_;
};
