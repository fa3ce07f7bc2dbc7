// The date field of the tool and its calendar, showing the day and month
// names installed by rts::SetRussianDateNames (rts::CurrentDateNames) rather
// than Qt's own locale names.
#pragma once

#include <QCalendarWidget>
#include <QDate>
#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;
class QFrame;

// A calendar whose day-of-week header shows the installed short day names
// ("Пнд", "Втр", ...) and whose month button and month menu show the
// installed long month names ("Январь", ...).  Weeks start on Monday.
class TRussianCalendar : public QCalendarWidget {
  Q_OBJECT
 public:
  explicit TRussianCalendar(QWidget* parent = nullptr);

  // The header text of day `dayOfWeek` (Qt::Monday = 1 ... Qt::Sunday = 7).
  static QString DayName(int dayOfWeek);
  // The long name of month 1..12.
  static QString MonthName(int month);

  // Text shown in the month button (the long name of the shown month).
  QString shownMonthText() const;
  // Text shown in the day-of-week header above grid column `column`.
  QString headerText(int column) const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void applyNames();
};

// A date field "dd.mm.yyyy" (four-digit year) with a calendar drop-down
// button.  Its text is what the operator typed and may be empty, so the
// field is a line edit and not a QDateEdit.  Picking a day in the calendar
// writes it as "dd.MM.yyyy".
class TDateEdit : public QWidget {
  Q_OBJECT
 public:
  explicit TDateEdit(QWidget* parent = nullptr);

  QString text() const;
  void setText(const QString& text);
  // The date in the text; an invalid QDate when the text is empty or no date.
  QDate date() const;
  void setDate(const QDate& date);  // invalid date: empties the field

  QLineEdit* lineEdit() const { return edit_; }
  QToolButton* button() const { return button_; }
  TRussianCalendar* calendar() const { return calendar_; }

  // Opens the calendar below the field, on the field's date (or today).
  void showPopup();
  void hidePopup();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  void textChanged(const QString& text);
  void dateSelected(const QDate& date);  // a day was picked in the calendar

 private:
  QLineEdit* edit_;
  QToolButton* button_;
  QFrame* popup_;
  TRussianCalendar* calendar_;
};
