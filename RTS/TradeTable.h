// The trade table: the rows of the trade grid, as the report reader fills
// them, in a compact store built to hold a million trades.
//
// Rows carry grid row numbers: row 0 is the title row (never stored), trades
// are rows 1 .. RowCount().  Cells are Windows-1251 bytes, exactly as read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rts {

// Columns of a trade row, in grid order.
enum TradeColumn : int {
  Client = 0,
  Operation,
  TradeDate,
  TradeTime,
  Transaction,
  SecurityCode,
  Price,
  Quantity,
  Amount,
  Currency,
  Counterparty,
  Status,
  Scheme,
  SettlementDate,
  Comment,
};
constexpr int kTradeColumns = 15;

// Title (UTF-8) and width in pixels of each column.
struct TradeColumnInfo {
  const char* title;
  int width;
};
extern const std::array<TradeColumnInfo, kTradeColumns> kTradeColumnInfo;

// One row with its own copies of the cells.
using TradeRow = std::array<std::string, kTradeColumns>;

class TradeTable {
 public:
  TradeTable();
  ~TradeTable();
  TradeTable(TradeTable&&) noexcept;
  TradeTable& operator=(TradeTable&&) noexcept;
  TradeTable(const TradeTable&) = delete;
  TradeTable& operator=(const TradeTable&) = delete;

  // Number of trade rows (the grid's RowCount - 1).
  size_t RowCount() const;
  // Cell of a trade row, row in 1 .. RowCount().
  std::string_view Cell(size_t row, int column) const;
  void SetCell(size_t row, int column, std::string_view value);
  TradeRow Row(size_t row) const;

  // Appends a row and returns its number.
  size_t AddRow(const std::array<std::string_view, kTradeColumns>& cells);
  // Cuts the table down to its title row.
  void Clear();
  void Reserve(size_t rows, size_t bytes);
  // Moves the rows of `other` after the last row of this table, in their
  // order, without copying their text; `other` is left empty.
  void Append(TradeTable&& other);

  // Client, Operation and Transaction of two rows compared field by field
  // (so that client 12 with operation 3AB never equals client 123 with AB).
  bool SameTradeKey(size_t rowA, size_t rowB) const;

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace rts
