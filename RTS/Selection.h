// Trade selection: which rows of the trade table go to the settlement file.
//
// MarkTrades rewrites client codes through the substitution list and marks
// the rows of one trade date whose padded account lies between the two
// bounds; the operator toggles single rows.  The window and rtsbatch both
// run the whole "show/refresh" action through OpenReport, so they mark
// exactly alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "RTS/TradeTable.h"

namespace rts {

class ReplaceLists;

// The rows marked for export: a set of row numbers (1-based), each at most
// once, in the order they were added.  Membership, addition and removal are
// O(1); NextMarkedRow skips 64 unmarked rows per step.
class MarkedList {
 public:
  void Clear();
  size_t Count() const { return count_; }
  bool Contains(size_t row) const {
    return row < slot_.size() && slot_[row] != 0;
  }
  // Adds the row when it is not present; true when it was added.
  bool Add(size_t row);
  // Removes the row when it is present; true when it was removed.
  bool Remove(size_t row);
  // The lowest marked row greater than `row`, or 0 when there is none.
  size_t NextMarkedRow(size_t row) const;
  // The entries as the list holds them: decimal text, in order of addition.
  std::vector<std::string> Entries() const;

 private:
  void Compact();
  std::vector<uint32_t> slot_;   // per row: 1 + index in order_, 0 = not marked
  std::vector<uint64_t> bits_;   // per row: marked
  std::vector<uint32_t> order_;  // rows in order of addition, 0 = removed
  size_t count_ = 0;
};

// The texts of the selection fields (Windows-1251), as the window holds
// them: the trade date (day.month.year) and the two client bounds.
struct SelectionInputs {
  std::string tradeDate;
  std::string minClient;
  std::string maxClient;
};

// Flags of one run of the show/refresh action.
struct MarkFlags {
  bool dateProblem = false;    // a row's trade date could not be read
  bool allDatesMatch = true;   // no row of another trade date was met
};

// A client code or bound padded for comparison: one trailing "/" removed
// (accounts only), then "0"s in front up to 8 characters.
std::string PaddedAccount(std::string_view client);
std::string PaddedBound(std::string_view bound);

// Marks the trades.  Pass 1 (lower bound not blank) needs the trade date,
// substitutes client codes in the table and marks rows of that date with
// account >= lower bound; pass 2 (upper bound not blank) unmarks accounts
// above the upper bound, or, without a lower bound, marks every account up
// to it whatever its date.  Shows "Не задана дата торгов..." and stops when
// pass 1 has no date.  Only rows whose client begins with a digit are
// marked.
void MarkTrades(TradeTable& table, const SelectionInputs& in, const ReplaceLists& lists,
                MarkedList& marked, MarkFlags& flags);

// The two status texts of the trade grid.
struct OpenStatus {
  std::string total;   // "Всего N сделок"
  std::string marked;  // "Отмеченных  сделок: N"
};
std::string MarkedStatusText(const MarkedList& marked);
OpenStatus StatusTexts(const TradeTable& table, const MarkedList& marked);

// The closing steps of the show/refresh action: the two warnings (when the
// flags call for them) and the two status texts.
OpenStatus FinishOpen(const TradeTable& table, const MarkedList& marked, const MarkFlags& flags);

// The whole show/refresh action: read the report named by the report
// field's text, mark when the file was found, and in every case the closing
// steps (also when reading or marking fails; the failure then goes on to
// the caller).  `found` tells whether the file was found.
struct OpenResult {
  bool found = false;
  OpenStatus status;
};
OpenResult OpenReport(std::string_view reportFieldText, const SelectionInputs& in,
                      const ReplaceLists& lists, TradeTable& table, MarkedList& marked);

// A double-click on the trade grid: toggles the mark of `currentRow` and
// returns the new marked-count text; does nothing (and returns "") when the
// table has no rows or the row is outside it.
std::string ToggleMark(const TradeTable& table, MarkedList& marked, size_t currentRow);

// True when the row's trade key (client, operation, transaction, compared
// field by field) equals that of the row before or after it; the grid draws
// such rows on aqua.
bool IsGroupedRow(const TradeTable& table, size_t row);

// The rule of the two bound fields: a blank text, or one that reads as a
// 32-bit integer (decimal with sign, or hexadecimal after "$", "x", "0x"),
// is accepted.
bool BoundTextAccepted(std::string_view text);

}  // namespace rts
