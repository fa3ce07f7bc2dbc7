// The show/refresh button: read the report, mark, and the closing steps.
#include <QLineEdit>

#include "RTS/ReportReader.h"
#include "RTS/gui/FormWidgets.h"
#include "RTS/gui/TRTSForm.h"
#include "RTS/gui/TRTSForm_p.h"
#include "RTS/gui/TradeTableModel.h"
#include "Utils/Text1251.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"

namespace {
std::string ToCp(const QString& s) { return rts::Utf8ToCp1251(s.toStdString()); }
}  // namespace

void TRTSForm::OpenBtnClick() {
  const std::string field = ToCp(InFilenameEdit->text());
  const rts::SelectionInputs in{ToCp(TorgDateEdit->text()), ToCp(MinClientEdit->text()),
                                ToCp(MaxClientEdit->text())};
  // The grid shows whatever the run left, also when it failed; a missing
  // file leaves it as it was.
  struct Finish {
    TRTSForm* form;
    bool reload = true;
    ~Finish() {
      form->ReportLoaded = true;
      if (!reload) return;
      form->TradeModel()->Reload();
      // As in a freshly filled grid, the first trade is the current row.
      QAbstractItemModel* m = form->MMVBGrid->model();
      if (form->TradeRows().RowCount() > 0) form->MMVBGrid->setCurrentIndex(m->index(0, 0));
    }
  } finish{this};
  rts::OpenResult result;
  try {
    result = rts::OpenReport(field, in, lists_->replace, trades_, lists_->marked);
  } catch (...) {
    // The warnings were shown; the status texts still follow the grid.
    rts::OpenStatus st = rts::StatusTexts(trades_, lists_->marked);
    StatusBar2->SetPanelText(0, QString::fromStdString(st.total));
    StatusBar2->SetPanelText(1, QString::fromStdString(st.marked));
    throw;
  }
  finish.reload = result.found;
  StatusBar2->SetPanelText(0, QString::fromStdString(result.status.total));
  StatusBar2->SetPanelText(1, QString::fromStdString(result.status.marked));
}
