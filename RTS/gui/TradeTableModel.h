// The trade grid's model and painter.
//
// TradeTableModel shows an rts::TradeTable (owned by the main window) in a
// QTableView: one model row per trade (model row r = grid row r + 1), the
// fifteen column titles as the horizontal header, cells converted from
// Windows-1251 for display only.  It copies nothing: every cell is read from
// the table when the view asks for it, so a million trades cost the view no
// more than a screenful.  An empty table shows one blank row, as the grid
// does before the first report.
//
// TradeGridDelegate paints the cells: vertical lines between cells, the
// text 2 pixels right and down from the cell's corner, marked rows in red
// and rows that share their trade key with a neighbour on aqua.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include <cstddef>
#include <functional>

#include "RTS/TradeTable.h"

class QTableView;

class TradeTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // isMarked answers for a grid row number (1-based); it may be empty.
  TradeTableModel(const rts::TradeTable* table, std::function<bool(size_t)> isMarked,
                  QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The table was filled or rewritten behind the model's back.
  void Reload();

  // Grid row number (1-based) of a model index; 0 for the blank row.
  size_t GridRow(const QModelIndex& index) const;
  bool IsMarked(size_t gridRow) const;
  // The row's trade key equals that of its previous or next row.
  bool IsGrouped(size_t gridRow) const;

  static QString FromCp1251(std::string_view bytes);

 private:
  const rts::TradeTable* table_;
  std::function<bool(size_t)> isMarked_;
};

class TradeGridDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static const QColor kMarkedText;     // red
  static const QColor kGroupedBack;    // aqua

  explicit TradeGridDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  // Colours of one cell as drawn: text and background.
  struct CellColors {
    QColor text, back;
  };
  static CellColors MMVBGridDrawCell(const TradeTableModel& model, const QModelIndex& index,
                                     const QStyleOptionViewItem& option);
};

// Sets up a QTableView as the trade grid: titles and widths of the columns,
// fixed 16-pixel rows, whole-row range selection, no editing, lavender
// title row.
void SetupTradeGrid(QTableView* view, TradeTableModel* model);
// Puts the column widths back to the given ones.
void ResetTradeGridWidths(QTableView* view);
