// Export of the marked trades into the output trade table.
//
// ExportBtnClick is the whole action of the export button, taking the
// controls' values as plain texts: it creates, empties or appends to the
// table (asking first), builds one export line per marked row (optionally
// merging the fills of one order and squeezing by client), inserts one
// record per line while the progress display counts, and tells the caller
// whether to reopen the output table's view.  Messages go through the
// message calls; conversion failures, a zero total quantity and a cancel
// are thrown to the caller's top-level handler, as the window's are.
//
// Amounts and quantities are kept in double precision throughout, and trade
// keys are compared field by field, never as joined text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "RTS/OutputTable.h"
#include "RTS/Selection.h"
#include "RTS/TradeTable.h"
#include "UtilPrgs/Progress.h"

namespace rts {

class TQuery;

// The values the export reads from the main window (Windows-1251 texts).
struct ExportInputs {
  std::string outFileName;  // OutFileName (OutFilenameEdit)
  std::string tradeDate;    // TorgDateEdit
  std::string brokerAcc;    // BrokerAccEdit
  int writeMode = -1;       // WriteModeRadioGroup: 0 "Сначала", 1 "Дозапись", -1 none
  bool squeezeClient = false;  // SqueeseClientCheckBox
  bool mergeOrders = false;    // SqueeseClaineCheckBox
};

// The export lines of one export: nine fields each, 1 client account,
// 2 security code, 3 operation, 4 price ("0.000"), 5 quantity ("0.0"),
// 6 trade date, 7 transaction, 8 broker account, 9 currency.  Fields 6 and
// 8 are the same for every line and kept once.  The bytes of all lines lie
// in one buffer.
class ExportList {
 public:
  ExportList(std::string tradeDate, std::string brokerAcc);
  size_t Count() const { return lines_.size(); }
  // Field n (1 .. 9) of line i (0-based).
  std::string_view Field(size_t i, int n) const;
  // The line as text, its fields joined by TAB.
  std::string Line(size_t i) const;
  void Append(std::string_view client, std::string_view security, std::string_view operation,
              std::string_view price, std::string_view quantity, std::string_view transaction,
              std::string_view currency);
  void Clear();
  void Reserve(size_t lines, size_t bytes);
  const std::string& TradeDate() const { return date_; }
  const std::string& BrokerAcc() const { return broker_; }

 private:
  struct Entry {
    uint64_t at;
    std::array<uint32_t, 7> end;  // ends of the 7 stored fields, from `at`
  };
  std::string date_, broker_;
  std::string bytes_;
  std::vector<Entry> lines_;
};


// The lowest marked row greater than `row`, 0 when there is none.
inline size_t NextMarkedRow(const MarkedList& marked, size_t row) {
  return marked.NextMarkedRow(row);
}

// Extends the line of row r over the following marked rows of the same
// order (when merging is on): amount := quantity-weighted mean of the
// rows' Amount cells, quantity := their total.  `amount` and `quantity`
// come in as row r's cells and go out as the line's price and quantity.
// Returns the first marked row after the merged ones (0 when none).  A
// total quantity of 0 throws std::runtime_error.
size_t MergeOrderFills(const TradeTable& table, const MarkedList& marked, bool mergeOrders,
                       size_t r, double& amount, double& quantity);

// One export line per marked row (or per merged order), in row order.
// Cells that are no numbers throw EConvertError.
ExportList BuildExportList(const TradeTable& table, const MarkedList& marked,
                           const ExportInputs& in);

// Lines of the same client, security code and operation become one line
// whose price and quantity are the sums of theirs; transaction and currency
// of the group's first line; groups in the order of their first lines.
void SqueezeByClient(ExportList& list);

// Inserts one record through the insert query (statement, folder and macro
// set by the caller).  Conversions first (a bad price, quantity or date
// throws EConvertError); an engine failure is reported ("Ошибка записи в
// выходной файл") and skipped: the result is then false.
bool InsertOutRecord(TQuery& insert, const ExportList& list, size_t i);

// The operation code as the OPERTYPE column takes it: 1 for "P...", 1 for
// "B...P", otherwise 0.
int OperationType(std::string_view operation);

struct ExportResult {
  // True when every line was tried and the progress display finished: the
  // caller then reopens the output table's view (and shows its count).
  bool completed = false;
  OutputTablePath table;
  size_t lines = 0;     // export lines built
  size_t inserted = 0;  // records inserted
};

// The export button's action.  The caller closes its view of the output
// table first (when there is something to export) and reopens it when the
// result says so.
ExportResult ExportBtnClick(const TradeTable& table, const MarkedList& marked,
                            const ExportInputs& in, ProgressSink& progress);

// The number of records the output table's view shows (its statement on
// the table); EDatabaseError when it cannot be opened.
int OutputRecordCount(const OutputTablePath& table);

}  // namespace rts
