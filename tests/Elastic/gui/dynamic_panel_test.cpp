// The docking layout, the dynamic panel and the gradient caption's
// minimize/restore hook.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <memory>

#include "Elastic/DockLayout.h"
#include "Elastic/TDynamicPanel.h"
#include "Elastic/TFansyGradientCaption.h"

namespace {

void Mouse(QWidget* w, QEvent::Type type, QPoint p, bool held = false) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  Qt::MouseButtons buttons = Qt::NoButton;
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
      (type == QEvent::MouseMove && held))
    buttons = Qt::LeftButton;
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// Presses on `from`, moves to `to`, releases there (panel coordinates).
void Drag(QWidget* w, QPoint from, QPoint to) {
  Mouse(w, QEvent::MouseMove, from);
  Mouse(w, QEvent::MouseButtonPress, from);
  Mouse(w, QEvent::MouseMove, to, true);
  Mouse(w, QEvent::MouseButtonRelease, to);
}

// A 400 x 400 window whose dynamic panel is docked at `side` with a child
// label, beside a widget filling the rest.
struct Window {
  QWidget top;
  DockLayout* dock;
  TDynamicPanel* panel;
  QLabel* child;
  QWidget* rest;
  int mini = 0, sized = 0;
  std::vector<int> sizes;

  explicit Window(Dock side, int size) {
    top.resize(400, 400);
    dock = new DockLayout(&top);
    panel = new TDynamicPanel(&top);
    panel->setObjectName("FriendPanel1");
    dock->addWidget(panel, side);
    rest = new QWidget(&top);
    dock->addWidget(rest, Dock::Fill);
    child = new QLabel("Panel3", panel);
    panel->dock()->addWidget(child, Dock::Top, 30);
    panel->setBevelInner(TBevelCut::bvLowered);
    panel->setBevelWidth(3);
    panel->setSizeRestore(size);
    panel->setSizeMinimized(false);
    panel->Loaded();
    QObject::connect(panel, &TDynamicPanel::miniChanged, [this] { ++mini; });
    panel->OnSizeChange = [this](TDynamicPanel*) { ++sized; };
    top.show();
    panel->installEventFilter(&filter);
    filter.sizes = &sizes;
    filter.panel = panel;
    restFilter.heights = &restHeights;
    rest->installEventFilter(&restFilter);
  }
  struct SizeFilter : QObject {
    std::vector<int>* sizes = nullptr;
    TDynamicPanel* panel = nullptr;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Resize) sizes->push_back(panel->Size());
      return false;
    }
  } filter;
  // The heights the filling sibling went through.
  std::vector<int> restHeights;
  struct RestFilter : QObject {
    std::vector<int>* heights = nullptr;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Resize) heights->push_back(static_cast<QWidget*>(o)->height());
      return false;
    }
  } restFilter;
};

}  // namespace

class DynamicPanelTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { TDynamicPanel::setAnimationDelay(0); }

  void dockOrderAndFill() {
    QWidget top;
    top.resize(300, 200);
    auto* dock = new DockLayout(&top);
    auto* status = new QWidget;
    auto* lower = new QWidget;
    auto* head = new QWidget;
    auto* side = new QWidget;
    auto* fill = new QWidget;
    dock->addWidget(head, Dock::Top, 30);
    dock->addWidget(status, Dock::Bottom, 20);
    dock->addWidget(lower, Dock::Bottom, 50);
    dock->addWidget(side, Dock::Right, 40);
    dock->addWidget(fill, Dock::Fill);
    top.show();
    QCOMPARE(head->geometry(), QRect(0, 0, 300, 30));
    QCOMPARE(status->geometry(), QRect(0, 180, 300, 20));  // added first: at the edge
    QCOMPARE(lower->geometry(), QRect(0, 130, 300, 50));
    QCOMPARE(side->geometry(), QRect(260, 30, 40, 100));
    QCOMPARE(fill->geometry(), QRect(0, 30, 260, 100));
    // A docked widget that changes its own size moves its siblings at once.
    lower->resize(lower->width(), 80);
    QCOMPARE(lower->geometry(), QRect(0, 100, 300, 80));
    QCOMPARE(fill->geometry(), QRect(0, 30, 260, 70));
    // Hidden widgets take no space.
    status->hide();
    QCOMPARE(lower->geometry(), QRect(0, 120, 300, 80));
  }

  void doubleClickCollapsesInStepsAndRestores() {
    Window w(Dock::Bottom, 211);
    QCOMPARE(w.panel->height(), 211);
    QCOMPARE(w.rest->height(), 400 - 211);
    Mouse(w.panel, QEvent::MouseMove, QPoint(50, 100));
    Mouse(w.panel, QEvent::MouseButtonDblClick, QPoint(50, 100));
    std::vector<int> expected;
    for (int s = 211 - 17; s > 12; s -= 17) expected.push_back(s);
    expected.push_back(12);
    QCOMPARE(w.sizes, expected);
    QVERIFY(expected.size() <= 12);
    // The sibling followed every step.
    std::vector<int> rest;
    for (int s : expected) rest.push_back(400 - s);
    QCOMPARE(w.restHeights, rest);
    QCOMPARE(w.panel->height(), 12);
    QVERIFY(w.panel->SizeMinimized());
    QVERIFY(w.child->isHidden());
    QCOMPARE(w.rest->height(), 400 - 12);  // the sibling took the space
    QCOMPARE(w.mini, 1);

    Mouse(w.panel, QEvent::MouseButtonDblClick, QPoint(50, 6));
    QCOMPARE(w.panel->height(), 211);
    QVERIFY(!w.child->isHidden());
    QCOMPARE(w.mini, 2);
    QCOMPARE(w.sized, 0);
  }

  void doubleClickOnTheBandDoesNothing() {
    Window w(Dock::Bottom, 211);
    Mouse(w.panel, QEvent::MouseMove, QPoint(50, 1));
    QVERIFY(w.panel->OnEdge());
    QCOMPARE(w.panel->cursor().shape(), Qt::SizeVerCursor);
    Mouse(w.panel, QEvent::MouseButtonDblClick, QPoint(50, 1));
    QCOMPARE(w.panel->height(), 211);
    QCOMPARE(w.mini, 0);
  }

  void dragOnEachSide_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("size");
    // Free edge: bottom panel at its top, top panel at its bottom, ...
    QTest::newRow("bottom up 50") << int(Dock::Bottom) << QPoint(50, 1) << QPoint(50, -49) << 261;
    QTest::newRow("top down 30") << int(Dock::Top) << QPoint(50, 109) << QPoint(50, 139) << 140;
    QTest::newRow("left right 20") << int(Dock::Left) << QPoint(109, 50) << QPoint(129, 50) << 130;
    QTest::newRow("right left 25") << int(Dock::Right) << QPoint(0, 50) << QPoint(-25, 50) << 135;
  }
  void dragOnEachSide() {
    QFETCH(int, side);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, size);
    Window w(static_cast<Dock>(side), side == int(Dock::Bottom) ? 211 : 110);
    Mouse(w.panel, QEvent::MouseMove, from);
    QVERIFY(w.panel->OnEdge());
    Mouse(w.panel, QEvent::MouseButtonPress, from);
    QVERIFY(w.panel->Dragging());
    QCOMPARE(w.panel->BevelInner(), TBevelCut::bvRaised);  // bevels swapped while dragging
    Mouse(w.panel, QEvent::MouseMove, to, true);
    Mouse(w.panel, QEvent::MouseButtonRelease, to);
    QCOMPARE(w.panel->BevelInner(), TBevelCut::bvLowered);
    QCOMPARE(w.panel->Size(), size);
    QCOMPARE(w.sized, 1);
    QCOMPARE(w.mini, 0);
    QCOMPARE(w.panel->SizeRestore(), size);
  }

  void dragBelowTheMinimumCollapses() {
    Window w(Dock::Bottom, 211);
    Drag(w.panel, QPoint(50, 1), QPoint(50, 300));
    QCOMPARE(w.panel->height(), 12);
    QVERIFY(w.child->isHidden());
    QCOMPARE(w.mini, 1);
    QCOMPARE(w.sized, 0);
    // Restoring returns to the size before the drag.
    Mouse(w.panel, QEvent::MouseMove, QPoint(50, 6));
    Mouse(w.panel, QEvent::MouseButtonDblClick, QPoint(50, 6));
    QCOMPARE(w.panel->height(), 211);
  }

  void dragEndingWhereItBeganNotifiesNothing() {
    Window w(Dock::Bottom, 211);
    // The panel's top follows the mouse: map the screen points anew each time.
    const QPoint start = w.panel->mapToGlobal(QPoint(50, 1));
    auto at = [&](QPoint global) { return w.panel->mapFromGlobal(global); };
    Mouse(w.panel, QEvent::MouseMove, at(start));
    Mouse(w.panel, QEvent::MouseButtonPress, at(start));
    Mouse(w.panel, QEvent::MouseMove, at(start - QPoint(0, 41)), true);
    QCOMPARE(w.panel->height(), 252);
    Mouse(w.panel, QEvent::MouseMove, at(start), true);
    Mouse(w.panel, QEvent::MouseButtonRelease, at(start));
    QCOMPARE(w.panel->height(), 211);
    QCOMPARE(w.sized, 0);
    QCOMPARE(w.mini, 0);
  }

  void notResizable() {
    Window w(Dock::Bottom, 211);
    w.panel->Sizable()->Resizable = false;
    Mouse(w.panel, QEvent::MouseMove, QPoint(50, 1));
    QVERIFY(!w.panel->OnEdge());
    QCOMPARE(w.panel->cursor().shape(), Qt::ArrowCursor);
    Drag(w.panel, QPoint(50, 1), QPoint(50, -49));
    QCOMPARE(w.panel->height(), 211);
    // Double-click still works, unless it is switched off too.
    Mouse(w.panel, QEvent::MouseButtonDblClick, QPoint(50, 1));
    QCOMPARE(w.panel->height(), 12);
    w.panel->Sizable()->DblClick = false;
    Mouse(w.panel, QEvent::MouseButtonDblClick, QPoint(50, 6));
    QCOMPARE(w.panel->height(), 12);
  }

  void restoreNotAboveMinimumGivesMinimumPlusOne() {
    Window w(Dock::Bottom, 211);
    w.panel->setSizeMinimized(true);
    QCOMPARE(w.panel->height(), 12);
    w.panel->setSizeRestore(5);  // stored as 12: not above the minimum
    QCOMPARE(w.panel->SizeRestore(), 12);
    w.panel->setSizeMinimized(false);
    QCOMPARE(w.panel->height(), 13);
    QVERIFY(!w.child->isHidden());
  }

  void sizeNeverBelowMinimum() {
    Window w(Dock::Left, 100);
    w.panel->setWidth(3);
    QCOMPARE(w.panel->width(), 12);
    w.panel->Sizable()->setSizeMin(20);
    QCOMPARE(w.panel->width(), 20);
    QVERIFY(w.panel->height() >= 20);
  }

  void fillOrUndockedIgnoresMinimizing() {
    for (Dock side : {Dock::Fill, Dock::None}) {
      QWidget top;
      top.resize(200, 200);
      auto* dock = new DockLayout(&top);
      auto* panel = new TDynamicPanel(&top);
      panel->setGeometry(0, 0, 150, 150);
      if (side != Dock::None) dock->addWidget(panel, side);
      panel->Loaded();
      top.show();
      const QSize before = panel->size();
      panel->setSizeMinimized(true);
      QCOMPARE(panel->size(), before);
      QVERIFY(!panel->SizeMinimized());
    }
  }

  void alignControlsFollowTheWidth() {
    QWidget top;
    top.resize(253, 200);
    auto* dock = new DockLayout(&top);
    auto* panel = new TDynamicPanel(&top);
    dock->addWidget(panel, Dock::Top, 60);
    auto* edit = new QLineEdit(panel);
    edit->setObjectName("Edit1");
    edit->setGeometry(5, 5, 243, 20);
    auto* narrow = new QPushButton(panel);
    narrow->setObjectName("Narrow");
    narrow->setGeometry(60, 30, 30, 20);
    auto* mover = new QPushButton(panel);
    mover->setObjectName("Mover");
    mover->setGeometry(220, 30, 20, 20);
    dock->redock();
    QCOMPARE(panel->width(), 253);
    panel->setAlign_Controls({"edit1=243", "Narrow=30", "Ghost=10"});
    panel->setRight_Controls({"Mover=220", "Narrow=x"});
    panel->Loaded();
    top.show();

    top.resize(303, 200);
    QTRY_COMPARE(panel->width(), 303);
    QCOMPARE(edit->width(), 293);
    QCOMPARE(panel->Align_Controls(), QStringList({"Edit1=293", "Narrow=80", "Ghost=10"}));
    QCOMPARE(mover->x(), 270);
    QCOMPARE(panel->Right_Controls().at(1), QString("Narrow=x"));  // not an integer: skipped
    QCOMPARE(narrow->x(), 60);

    // Squeezed below zero and given back exactly.
    top.resize(173, 200);
    QTRY_COMPARE(panel->width(), 173);
    QCOMPARE(narrow->width(), 0);
    QCOMPARE(panel->Align_Controls().at(1), QString("Narrow=-50"));
    top.resize(303, 200);
    QTRY_COMPARE(panel->width(), 303);
    QCOMPARE(narrow->width(), 80);
    QCOMPARE(edit->width(), 293);

    // A destroyed control loses its entry.
    delete narrow;
    QCOMPARE(panel->Align_Controls(), QStringList({"Edit1=293", "Ghost=10"}));
    QCOMPARE(panel->Right_Controls(), QStringList({"Mover=270"}));
  }

  void scrollingBoxTakesOverTheMouse() {
    Window w(Dock::Bottom, 211);
    QScrollArea stranger;
    w.panel->setScrolling(&stranger);
    QVERIFY(w.panel->Scrolling() == nullptr);  // not a child: ignored
    auto* box = new QScrollArea(w.panel);
    box->show();
    w.panel->setScrolling(box);
    QCOMPARE(w.panel->Scrolling(), box);
    QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    w.panel->dock()->redock();
    QVERIFY(box->geometry().height() > 150);  // fills the panel
    Mouse(box->viewport(), QEvent::MouseMove, QPoint(40, 40));
    Mouse(box->viewport(), QEvent::MouseButtonDblClick, QPoint(40, 40));
    QCOMPARE(w.panel->height(), 12);
    delete box;
    QVERIFY(w.panel->Scrolling() == nullptr);
  }

  void minimizingHooksTheApplicationRestore() {
    QWidget main;
    main.show();
    TApplicationState& app = TApplicationState::instance();
    app.setMainWindow(&main);
    std::vector<QString> calls;
    app.OnRestore = [&] { calls.push_back("before"); };

    auto dialog = std::make_unique<QWidget>(&main, Qt::Dialog);
    auto* caption = new TFansyGradientCaption(dialog.get());
    caption->setFormCaption("Ошибка");
    QCOMPARE(dialog->windowTitle(), QString("Ошибка"));
    dialog->show();

    dialog->setWindowState(Qt::WindowMinimized);
    QVERIFY(caption->Hooked());
    QVERIFY(app.IsMinimized());
    QVERIFY(main.isMinimized());

    app.Restore();
    QCOMPARE(calls, std::vector<QString>({"before"}));  // the earlier handler ran
    QVERIFY(!dialog->isMinimized());
    QVERIFY(!main.isMinimized());
    QVERIFY(!caption->Hooked());
    app.Restore();  // the earlier handler is back in place
    QCOMPARE(calls.size(), size_t(2));

    // The main window's own caption hooks nothing: a maximized main window
    // comes back maximized.
    auto* mainCaption = new TFansyGradientCaption(&main);
    main.setWindowState(Qt::WindowMaximized);
    main.setWindowState(Qt::WindowMinimized);
    QVERIFY(!mainCaption->Hooked());
    main.setWindowState(Qt::WindowMaximized);
    QCOMPARE(calls.size(), size_t(3));
    QVERIFY(main.isMaximized());
    main.setWindowState(Qt::WindowNoState);

    // Destroyed while hooked: the earlier handler is put back.
    dialog->setWindowState(Qt::WindowMinimized);
    QVERIFY(caption->Hooked());
    dialog.reset();
    app.Restore();
    QCOMPARE(calls.size(), size_t(4));
    app.OnRestore = nullptr;
    app.setMainWindow(nullptr);
  }
};

QTEST_MAIN(DynamicPanelTest)
#include "dynamic_panel_test.moc"
