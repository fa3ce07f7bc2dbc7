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
// and the operator is told.  Putting the text back is itself a change, so a
// pasted text with several bad characters at its end loses them one by one.
void TRTSForm::DigitsOnly(QLineEdit* edit) {
  QString text = edit->text();
  if (rts::BoundTextAccepted(rts::Utf8ToCp1251(text.toStdString()))) return;
  text.chop(1);
  edit->setText(text);
  rts::ErrorMess("Допустимы только цифры!!!");
}

void TRTSForm::MinClientEditChange() { DigitsOnly(MinClientEdit); }
void TRTSForm::MaxClientEditChange() { DigitsOnly(MaxClientEdit); }
