// The export button: the core export with the progress window, then the
// output table's view reopened.
#include <QCheckBox>
#include <QLineEdit>

#include "RTS/Export.h"
#include "RTS/gui/FormWidgets.h"
#include "RTS/gui/TDBNavigator.h"
#include "RTS/gui/TRTSForm.h"
#include "RTS/gui/TRTSForm_p.h"
#include "UtilPrgs/gui/TProgressForm.h"
#include "Utils/Text1251.h"
#include "Utils/gui/RussianDates.h"

void TRTSForm::ExportBtnClick() {
  rts::ExportInputs in;
  in.outFileName = OutFileName;
  in.tradeDate = rts::Utf8ToCp1251(TorgDateEdit->text().toStdString());
  in.brokerAcc = rts::Utf8ToCp1251(BrokerAccEdit->text().toStdString());
  in.writeMode = WriteModeRadioGroup->ItemIndex();
  in.squeezeClient = SqueeseClientCheckBox->isChecked();
  in.mergeOrders = SqueeseClaineCheckBox->isChecked();

  // With something to export the view is closed while the export runs (and
  // stays closed when the operator stops at a question).
  if (trades_.RowCount() > 0 && lists_->marked.Count() > 0) {
    out_->model->close();
    out_->insertedRow = -1;
  }
  ProgressFormSink progress(this);
  const rts::ExportResult result = rts::ExportBtnClick(trades_, lists_->marked, in, progress);
  if (!result.completed) return;

  PointViewAt(result.table.path);
  OpenView();  // an engine failure here goes to the top-level handler
  DBNavigator1->SetDataSource(RxDBGrid1, [this] { RefreshView(); });
  StatusBar1->SetPanelText(0, QString::number(out_->model->recordCount()));
}
