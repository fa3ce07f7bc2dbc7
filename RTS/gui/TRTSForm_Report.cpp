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
  // The grid shows whatever the run left, also when it failed.
  struct Finish {
    TRTSForm* form;
    ~Finish() {
      form->TradeModel()->Reload();
      form->ReportLoaded = true;
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
  StatusBar2->SetPanelText(0, QString::fromStdString(result.status.total));
  StatusBar2->SetPanelText(1, QString::fromStdString(result.status.marked));
  if (result.found) MMVBGrid->scrollToTop();
}
