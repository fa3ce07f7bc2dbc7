// The output table view: its grid and columns, the output file field and
// the refresh button.
#include <QApplication>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLineEdit>

#include <filesystem>

#include "ExceptUnit/ExceptUnit.h"
#include "RTS/OutputTable.h"
#include "RTS/gui/FormWidgets.h"
#include "RTS/gui/TDBNavigator.h"
#include "RTS/gui/TRTSForm.h"
#include "RTS/gui/TRTSForm_p.h"
#include "UtilMess/ShowMessDlg.h"
#include "Utils/Text1251.h"
#include "Utils/gui/FilenameEdit.h"

namespace {

// Titles, value alignments and widths of the view's columns, by field name.
struct OutColumn {
  const char* field;
  const char* title;
  Qt::Alignment align;  // 0: the field's default
  int width;            // 0: the grid's default
};
const OutColumn kOutColumns[] = {
    {"CLIENTID", "Клиент", Qt::AlignRight, 40},
    {"TICKER", "ЦБ", Qt::AlignHCenter, 100},
    {"OPERTYPE", "Опер.", Qt::AlignHCenter, 35},
    {"PRICE", "Цена", {}, 0},
    {"QTY", "Колич.", Qt::AlignRight, 0},
    {"DATES", "Дата", Qt::AlignHCenter, 0},
    {"SDEL", "Транзакция", Qt::AlignHCenter, 0},
    {"BROCID", "Брокер", Qt::AlignHCenter, 125},
    {"VAL", "Валюта", Qt::AlignHCenter, 0},
};

const OutColumn* ColumnOf(const QString& field) {
  for (const OutColumn& c : kOutColumns)
    if (field.compare(QLatin1String(c.field), Qt::CaseInsensitive) == 0) return &c;
  return nullptr;
}

// The live model with the view's titles and alignments.
class OutViewModel : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o == Qt::Horizontal) {
      const OutColumn* c = ColumnOf(FieldName(section));
      if (c && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return QString::fromUtf8(c->title);
      if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    } else if (role == Qt::DisplayRole) {
      return QString();  // the record indicator column carries no numbers
    }
    return QIdentityProxyModel::headerData(section, o, role);
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::TextAlignmentRole) {
      const OutColumn* c = ColumnOf(FieldName(index.column()));
      if (c && c->align != Qt::Alignment())
        return QVariant::fromValue(c->align | Qt::AlignVCenter);
      // The field's default: numbers to the right, text to the left.
      if (c && QString::fromLatin1(c->field) == "PRICE")
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return QIdentityProxyModel::data(index, role);
  }

 private:
  QString FieldName(int section) const {
    auto* live = static_cast<LiveQueryModel*>(sourceModel());
    QStringList names = live ? live->fieldNames() : QStringList();
    return section >= 0 && section < names.size() ? names[section] : QString();
  }
};

std::string ToCp(const QString& s) { return rts::Utf8ToCp1251(s.toStdString()); }

}  // namespace

void TRTSForm::SetupOutputGrid() {
  out_->ViewOutQuery.SetSQL(std::string(rts::ViewOutSQL));
  out_->model = new LiveQueryModel(this);
  out_->model->setQuery(&out_->ViewOutQuery);
  auto* proxy = new OutViewModel(this);
  proxy->setSourceModel(out_->model);
  RxDBGrid1->setModel(proxy);
  RxDBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
  RxDBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  RxDBGrid1->horizontalHeader()->setDefaultSectionSize(64);
  connect(out_->model, &QAbstractItemModel::modelReset, this, [this] {
    out_->insertedRow = -1;
    const QStringList names = out_->model->fieldNames();
    for (int i = 0; i < names.size(); ++i) {
      const OutColumn* c = ColumnOf(names[i]);
      RxDBGrid1->horizontalHeader()->resizeSection(i, c && c->width ? c->width : 64);
    }
  });
  connect(out_->model, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int) { out_->insertedRow = first; });
  connect(out_->model, &QAbstractItemModel::rowsRemoved, this,
          [this] { out_->insertedRow = -1; });
  // A value the engine refuses is shown as the engine's failure.
  connect(out_->model, &LiveQueryModel::engineError, this, [](const QString& message) {
    rts::ShowMessDlg(message.toStdString(), nullptr, -1, {}, -1, rts::TMessKind::mkError);
  });
}

void TRTSForm::PointViewAt(const std::string& path) {
  const rts::OutputTablePath t = rts::DeriveOutputTablePath(path);
  out_->model->close();
  out_->ViewOutQuery.SetDatabaseName(t.directory);
  out_->ViewOutQuery.SetMacro("M", t.tableName);
}

void TRTSForm::OpenView() { out_->model->open(); }

// The navigator's refresh: an open view reads its table again.
void TRTSForm::RefreshView() {
  if (!out_->model->isOpen()) return;
  try {
    OpenView();
    StatusBar1->SetPanelText(0, QString::number(out_->model->recordCount()));
  } catch (const rts::EDatabaseError& e) {
    rts::ReportException(e, "Не могу открыть файл");
  }
}

void TRTSForm::OutFilenameEditChange() { OutFileName = ToCp(OutFilenameEdit->text()); }

void TRTSForm::OutFilenameEditAfterDialog(const QString& name, bool action) {
  const std::string path = rts::DeriveOutputTablePath(ToCp(name)).path;
  if (!action) return;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(rts::OsFileName(path), ec)) return;
  try {
    PointViewAt(path);
    OpenView();
    DBNavigator1->SetDataSource(RxDBGrid1, [this] { RefreshView(); });
  } catch (const rts::EDatabaseError& e) {
    rts::ReportException(e, "Не могу открыть файл");
  }
}

void TRTSForm::NewDealBtnClick() {
  const std::string path = rts::DeriveOutputTablePath(ToCp(OutFilenameEdit->text())).path;
  try {
    PointViewAt(path);
    OpenView();
    DBNavigator1->SetDataSource(RxDBGrid1, [this] { RefreshView(); });
    StatusBar1->SetPanelText(0, QString::number(out_->model->recordCount()));
  } catch (const rts::EDatabaseError& e) {
    rts::ReportException(e, "Не могу открыть файл");
  }
}

// Leaving the grid drops a record inserted there and left empty.
void TRTSForm::RxDBGrid1Exit() {
  QWidget* focus = QApplication::focusWidget();
  if (focus && RxDBGrid1->isAncestorOf(focus)) return;  // into the grid's own editor
  const int row = out_->insertedRow;
  if (row < 0 || !out_->model->isOpen() || row >= out_->model->rowCount()) return;
  for (int c = 0; c < out_->model->columnCount(); ++c) {
    QVariant v = out_->model->data(out_->model->index(row, c), Qt::DisplayRole);
    if (!v.isNull() && !v.toString().trimmed().isEmpty()) {
      out_->insertedRow = -1;
      return;
    }
  }
  out_->model->removeRows(row, 1);
  out_->insertedRow = -1;
}
