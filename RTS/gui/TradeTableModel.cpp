#include "RTS/gui/TradeTableModel.h"

#include <QHeaderView>
#include <QPainter>
#include <QTableView>

#include "Utils/Text1251.h"

TradeTableModel::TradeTableModel(const rts::TradeTable* table,
                                 std::function<bool(size_t)> isMarked, QObject* parent)
    : QAbstractTableModel(parent), table_(table), isMarked_(std::move(isMarked)) {}

int TradeTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  size_t n = table_->RowCount();
  return n == 0 ? 1 : static_cast<int>(n);
}

int TradeTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rts::kTradeColumns;
}

size_t TradeTableModel::GridRow(const QModelIndex& index) const {
  if (!index.isValid() || index.row() < 0) return 0;
  size_t row = static_cast<size_t>(index.row()) + 1;
  return row <= table_->RowCount() ? row : 0;
}

QString TradeTableModel::FromCp1251(std::string_view bytes) {
  QString s;
  s.resize(static_cast<qsizetype>(bytes.size()));
  QChar* out = s.data();
  for (unsigned char b : bytes) *out++ = QChar(static_cast<char16_t>(rts::Cp1251ToUnicode(b)));
  return s;
}

QVariant TradeTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  size_t row = GridRow(index);
  if (row == 0) return QString();
  return FromCp1251(table_->Cell(row, index.column()));
}

QVariant TradeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && section >= 0 && section < rts::kTradeColumns &&
      (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
    return QString::fromUtf8(rts::kTradeColumnInfo[section].title);
  if (orientation == Qt::Vertical && role == Qt::DisplayRole) return section + 1;
  return {};
}

Qt::ItemFlags TradeTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TradeTableModel::Reload() {
  beginResetModel();
  endResetModel();
}

bool TradeTableModel::IsMarked(size_t gridRow) const {
  return gridRow != 0 && isMarked_ && isMarked_(gridRow);
}

bool TradeTableModel::IsGrouped(size_t gridRow) const {
  size_t n = table_->RowCount();
  if (gridRow == 0 || gridRow > n || n < 2) return false;
  if (gridRow > 1 && table_->SameTradeKey(gridRow, gridRow - 1)) return true;
  return gridRow < n && table_->SameTradeKey(gridRow, gridRow + 1);
}

// ---------------------------------------------------------------------------

const QColor TradeGridDelegate::kMarkedText(255, 0, 0);
const QColor TradeGridDelegate::kGroupedBack(0, 255, 255);

TradeGridDelegate::CellColors TradeGridDelegate::MMVBGridDrawCell(
    const TradeTableModel& model, const QModelIndex& index, const QStyleOptionViewItem& option) {
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& pal = option.palette;
  CellColors c{selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text),
               selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base)};
  size_t row = model.GridRow(index);
  if (row == 0) return c;
  if (model.IsMarked(row)) c.text = kMarkedText;
  if (model.IsGrouped(row)) c.back = kGroupedBack;
  return c;
}

void TradeGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  auto* model = qobject_cast<const TradeTableModel*>(index.model());
  if (!model) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const CellColors c = MMVBGridDrawCell(*model, index, option);
  const QRect r = option.rect;
  painter->save();
  painter->fillRect(r, c.back);
  // Vertical line at the cell's right edge; no horizontal lines in the data.
  painter->setPen(option.palette.color(QPalette::Mid));
  painter->drawLine(r.topRight(), r.bottomRight());
  painter->setClipRect(r.adjusted(0, 0, -1, 0));
  painter->setPen(c.text);
  painter->setFont(option.font);
  const QString text = index.data(Qt::DisplayRole).toString();
  painter->drawText(r.adjusted(2, 2, -1, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    text);
  painter->restore();
}

// ---------------------------------------------------------------------------

void ResetTradeGridWidths(QTableView* view) {
  for (int c = 0; c < rts::kTradeColumns; ++c)
    view->horizontalHeader()->resizeSection(c, rts::kTradeColumnInfo[c].width);
}

void SetupTradeGrid(QTableView* view, TradeTableModel* model) {
  view->setModel(model);
  view->setItemDelegate(new TradeGridDelegate(view));
  view->setShowGrid(false);
  view->setWordWrap(false);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  QHeaderView* vh = view->verticalHeader();
  vh->setVisible(false);  // no fixed column
  vh->setSectionResizeMode(QHeaderView::Fixed);
  vh->setMinimumSectionSize(1);
  vh->setDefaultSectionSize(16);
  QHeaderView* hh = view->horizontalHeader();
  hh->setSectionResizeMode(QHeaderView::Interactive);
  hh->setHighlightSections(false);
  hh->setDefaultSectionSize(64);
  hh->setMinimumSectionSize(8);
  hh->setStyleSheet(
      "QHeaderView::section { background-color: rgb(207,207,231); color: black;"
      " border: none; border-right: 1px solid rgb(128,128,128);"
      " border-bottom: 1px solid rgb(128,128,128); padding: 1px 2px; }");
  hh->setFixedHeight(17);
  ResetTradeGridWidths(view);
}
