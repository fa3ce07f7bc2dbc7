// Button centring, the date field with its calendar names, the file name field.
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "Utils/Utils.h"
#include "Utils/gui/CenterButtons.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"

class WidgetsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { rts::SetRussianDateNames(); }

  void centerButtons() {
    QWidget panel;
    panel.resize(200, 33);
    auto* b2 = new QPushButton(&panel);  // first in child order, but right of b1
    b2->setGeometry(120, 2, 75, 25);
    auto* b1 = new QPushButton(&panel);
    b1->setGeometry(10, 6, 75, 29);
    auto* hidden = new QPushButton(&panel);
    hidden->setGeometry(150, 0, 75, 20);
    hidden->hide();
    CenterButtons(&panel);
    QCOMPARE(b1->geometry(), QRect(22, 4, 75, 27));  // average top and height
    QCOMPARE(b2->geometry(), QRect(102, 4, 75, 27));
    QCOMPARE(hidden->geometry(), QRect(150, 0, 75, 20));

    // Wider than the panel: the group starts at the left edge.
    panel.resize(120, 33);
    CenterButtons(&panel);
    QCOMPARE(b1->x(), 0);
    QCOMPARE(b2->x(), 80);

    QWidget empty;
    auto* label = new QWidget(&empty);
    label->setGeometry(5, 5, 10, 10);
    CenterButtons(&empty);
    QCOMPARE(label->geometry(), QRect(5, 5, 10, 10));
  }

  void calendarShowsTheInstalledNames() {
    TRussianCalendar calendar;
    calendar.setCurrentPage(2003, 3);
    calendar.show();
    QCOMPARE(calendar.shownMonthText(), QString("Март"));
    QStringList header;
    for (int c = 0; c < 7; ++c) header << calendar.headerText(c);
    QCOMPARE(header, QStringList({"Пнд", "Втр", "Срд", "Чтв", "Птн", "Сбт", "Вск"}));
    calendar.setCurrentPage(2003, 5);
    QCOMPARE(calendar.shownMonthText(), QString("Май"));
    auto* month = calendar.findChild<QToolButton*>("qt_calendar_monthbutton");
    QVERIFY(month && month->menu());
    QStringList menu;
    for (QAction* a : month->menu()->actions()) menu << a->text();
    QCOMPARE(menu.first(), QString("Январь"));
    QCOMPARE(menu.last(), QString("Декабрь"));
  }

  void dateField() {
    TDateEdit edit;
    QCOMPARE(edit.text(), QString());
    QVERIFY(!edit.date().isValid());
    edit.setText("5.3.2003");
    QCOMPARE(edit.date(), QDate(2003, 3, 5));
    edit.setText("31.02.2003");
    QVERIFY(!edit.date().isValid());
    edit.setDate(QDate(2003, 3, 5));
    QCOMPARE(edit.text(), QString("05.03.2003"));

    // Typing goes through the day.month.year filter; the field may be cleared.
    edit.lineEdit()->clear();
    QTest::keyClicks(edit.lineEdit(), "1a2.x04.2026");
    QCOMPARE(edit.text(), QString("12.04.2026"));
    edit.lineEdit()->clear();
    QCOMPARE(edit.text(), QString());

    // Picking a day in the calendar fills the field with a four-digit year.
    QSignalSpy picked(&edit, &TDateEdit::dateSelected);
    edit.setText("05.03.2003");
    edit.showPopup();
    QCOMPARE(edit.calendar()->selectedDate(), QDate(2003, 3, 5));
    emit edit.calendar()->clicked(QDate(2003, 3, 17));
    QCOMPARE(edit.text(), QString("17.03.2003"));
    QCOMPARE(picked.count(), 1);
    QVERIFY(!edit.calendar()->isVisible());
  }

  void fileNameDialog() {
    TFilenameEdit edit;
    edit.setText("old.dbf");
    QStringList seen;
    connect(&edit, &TFilenameEdit::afterDialog, [&](const QString& name, bool accepted) {
      seen << QString("after %1 %2 (field %3)").arg(name).arg(accepted).arg(edit.text());
    });
    connect(&edit, &TFilenameEdit::textChanged, [&](const QString& t) { seen << "text " + t; });

    edit.setDialogRunner([](TFilenameEdit*, QString&) { return false; });
    edit.button()->click();
    QCOMPARE(seen, QStringList({"after old.dbf 0 (field old.dbf)"}));
    QCOMPARE(edit.text(), QString("old.dbf"));

    seen.clear();
    edit.setDialogRunner([](TFilenameEdit*, QString& name) {
      name = "/tmp/new.dbf";
      return true;
    });
    edit.button()->click();
    // The handler sees the dialog's name first; the field takes it after.
    QCOMPARE(seen, QStringList({"after /tmp/new.dbf 1 (field old.dbf)", "text /tmp/new.dbf"}));
    QCOMPARE(edit.text(), QString("/tmp/new.dbf"));
  }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
