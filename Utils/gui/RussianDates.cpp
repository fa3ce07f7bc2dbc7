#include "Utils/gui/RussianDates.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QItemDelegate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "Utils/Convert.h"
#include "Utils/Utils.h"

namespace {

// Paints the day-of-week header row with the installed names and leaves
// the day cells to the calendar's own delegate.
class HeaderDelegate : public QItemDelegate {
 public:
  HeaderDelegate(TRussianCalendar* calendar, QAbstractItemDelegate* own)
      : QItemDelegate(calendar), calendar_(calendar), own_(own) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    if (!isHeader(index)) {
      own_->paint(painter, option, index);
      return;
    }
    column_ = index.column();
    QItemDelegate::paint(painter, option, index);
    column_ = -1;
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return own_->sizeHint(option, index);
  }

 protected:
  void drawDisplay(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                   const QString& text) const override {
    const QString shown = column_ >= 0 ? calendar_->headerText(column_) : QString();
    QItemDelegate::drawDisplay(painter, option, rect, shown.isEmpty() ? text : shown);
  }

 private:
  bool isHeader(const QModelIndex& index) const {
    return index.row() == 0 &&
           calendar_->horizontalHeaderFormat() != QCalendarWidget::NoHorizontalHeader;
  }
  TRussianCalendar* calendar_;
  QAbstractItemDelegate* own_;
  mutable int column_ = -1;
};

}  // namespace

TRussianCalendar::TRussianCalendar(QWidget* parent) : QCalendarWidget(parent) {
  setLocale(QLocale(QLocale::Russian, QLocale::Russia));
  setFirstDayOfWeek(Qt::Monday);
  setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
  setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  setGridVisible(true);
  if (auto* view = findChild<QTableView*>("qt_calendar_calendarview"))
    view->setItemDelegate(new HeaderDelegate(this, view->itemDelegate()));
  if (auto* month = findChild<QToolButton*>("qt_calendar_monthbutton"))
    month->installEventFilter(this);
  connect(this, &QCalendarWidget::currentPageChanged, this, [this] { applyNames(); });
  applyNames();
  // Room for the installed day names, which are longer than Qt's own.
  QFont bold = font();
  bold.setBold(true);
  const QFontMetrics fm(bold);
  int widest = 0;
  for (int d = 1; d <= 7; ++d) widest = std::max(widest, fm.horizontalAdvance(DayName(d)));
  setMinimumWidth(7 * (widest + 12) + 4);
}

QString TRussianCalendar::DayName(int dayOfWeek) {
  return QString::fromUtf8(rts::CurrentDateNames().shortDays[((dayOfWeek % 7) + 7) % 7]);
}

QString TRussianCalendar::MonthName(int month) {
  if (month < 1 || month > 12) return QString();
  return QString::fromUtf8(rts::CurrentDateNames().longMonths[month - 1]);
}

QString TRussianCalendar::headerText(int column) const {
  const int first = verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1;
  if (column < first || column >= first + 7) return QString();
  int day = static_cast<int>(firstDayOfWeek()) + column - first;
  if (day > 7) day -= 7;
  return DayName(day);
}

QString TRussianCalendar::shownMonthText() const {
  auto* month = findChild<QToolButton*>("qt_calendar_monthbutton");
  return month ? month->text() : QString();
}

void TRussianCalendar::applyNames() {
  auto* month = findChild<QToolButton*>("qt_calendar_monthbutton");
  if (!month) return;
  const QString name = MonthName(monthShown());
  if (month->text() != name) month->setText(name);
  if (QMenu* menu = month->menu())
    for (QAction* a : menu->actions()) {
      const QString n = MonthName(a->data().toInt());
      if (!n.isEmpty() && a->text() != n) a->setText(n);
    }
}

void TRussianCalendar::showEvent(QShowEvent* event) {
  applyNames();
  QCalendarWidget::showEvent(event);
}

bool TRussianCalendar::eventFilter(QObject* watched, QEvent* event) {
  // The calendar rewrites the month button from its locale now and then.
  if (event->type() == QEvent::Paint && watched->objectName() == "qt_calendar_monthbutton")
    applyNames();
  return QCalendarWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------

TDateEdit::TDateEdit(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  edit_ = new QLineEdit(this);
  edit_->setObjectName("DateText");
  edit_->setMaxLength(10);
  edit_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(R"(\d{0,2}(\.\d{0,2}(\.\d{0,4})?)?)"), edit_));
  layout->addWidget(edit_);
  button_ = new QToolButton(this);
  button_->setObjectName("CalendarButton");
  button_->setArrowType(Qt::DownArrow);
  button_->setAccessibleName("Календарь");
  button_->setToolTip("Календарь");
  button_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(button_);
  setFocusProxy(edit_);

  popup_ = new QFrame(this, Qt::Popup);
  popup_->setObjectName("CalendarPopup");
  popup_->setFrameShape(QFrame::StyledPanel);
  auto* popupLayout = new QVBoxLayout(popup_);
  popupLayout->setContentsMargins(0, 0, 0, 0);
  calendar_ = new TRussianCalendar(popup_);
  calendar_->setObjectName("Calendar");
  popupLayout->addWidget(calendar_);

  edit_->installEventFilter(this);  // F4 and Alt+Down open the calendar
  connect(edit_, &QLineEdit::textChanged, this, &TDateEdit::textChanged);
  connect(button_, &QToolButton::clicked, this, &TDateEdit::showPopup);
  connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate d) {
    setDate(d);
    hidePopup();
    emit dateSelected(d);
  });
  connect(calendar_, &QCalendarWidget::activated, this, [this](QDate d) {
    setDate(d);
    hidePopup();
    emit dateSelected(d);
  });
}

QString TDateEdit::text() const { return edit_->text(); }
void TDateEdit::setText(const QString& text) { edit_->setText(text); }

QDate TDateEdit::date() const {
  const QByteArray t = edit_->text().toLatin1();
  rts::Date d;
  if (!rts::TryTextToDate(std::string_view(t.constData(), t.size()), d)) return QDate();
  return QDate(d.year, d.month, d.day);
}

void TDateEdit::setDate(const QDate& date) {
  setText(date.isValid() ? date.toString("dd.MM.yyyy") : QString());
}

void TDateEdit::showPopup() {
  const QDate d = date();
  calendar_->setSelectedDate(d.isValid() ? d : QDate::currentDate());
  popup_->adjustSize();
  QPoint at = mapToGlobal(QPoint(0, height()));
  if (QScreen* s = screen()) {
    const QRect g = s->availableGeometry();
    if (at.y() + popup_->height() > g.bottom()) at.setY(mapToGlobal(QPoint(0, 0)).y() - popup_->height());
    at.setX(qBound(g.left(), at.x(), qMax(g.left(), g.right() - popup_->width())));
  }
  popup_->move(at);
  popup_->show();
  calendar_->setFocus();
}

void TDateEdit::hidePopup() { popup_->hide(); }

bool TDateEdit::event(QEvent* event) {
  // The text part answers to the field's accessible name.
  if (event->type() == QEvent::Polish && edit_->accessibleName().isEmpty())
    edit_->setAccessibleName(accessibleName().isEmpty() ? objectName() : accessibleName());
  return QWidget::event(event);
}

bool TDateEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F4 ||
        (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier))) {
      showPopup();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
