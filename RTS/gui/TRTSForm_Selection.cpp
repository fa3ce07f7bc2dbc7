// Marks by hand, and the rule of the two client bound fields.
#include <QLineEdit>

#include "RTS/gui/FormWidgets.h"
#include "RTS/gui/TRTSForm.h"
#include "RTS/gui/TRTSForm_p.h"
#include "RTS/gui/TradeTableModel.h"
#include "Utils/Messages.h"
#include "Utils/Text1251.h"

void TRTSForm::MMVBGridDblClick() {
  if (trades_.RowCount() == 0) return;
  QModelIndex current = MMVBGrid->currentIndex();
  if (!current.isValid()) return;
  const std::string text =
      rts::ToggleMark(trades_, lists_->marked, static_cast<size_t>(current.row()) + 1);
  if (text.empty()) return;
  StatusBar2->SetPanelText(1, QString::fromStdString(text));
  MMVBGrid->viewport()->update();
}

// A text that is not blank and not a whole number loses its last character
// and the operator is told.  Putting the text back is itself a change, so
// the rule runs again on the shorter text before the message is shown: a
// pasted text with several bad characters at its end loses them one by one,
// with one message each.  A change made by the field's own editing is put
// right once the field has finished with it (a field rewritten in the middle
// of its own key handling would lose the correction).
void TRTSForm::DigitsOnly(QLineEdit* edit) {
  if (rts::BoundTextAccepted(rts::Utf8ToCp1251(edit->text().toStdString()))) return;
  if (correcting_) {
    CorrectBound(edit);
    return;
  }
  QMetaObject::invokeMethod(this, [this, edit] { CorrectBound(edit); }, Qt::QueuedConnection);
}

void TRTSForm::CorrectBound(QLineEdit* edit) {
  QString text = edit->text();
  if (rts::BoundTextAccepted(rts::Utf8ToCp1251(text.toStdString()))) return;
  text.chop(1);
  const bool outer = !correcting_;
  correcting_ = true;
  edit->setText(text);  // runs the rule again, at once
  if (outer) correcting_ = false;
  rts::ErrorMess("Допустимы только цифры!!!");
}

void TRTSForm::MinClientEditChange() { DigitsOnly(MinClientEdit); }
void TRTSForm::MaxClientEditChange() { DigitsOnly(MaxClientEdit); }
