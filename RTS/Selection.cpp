#include "RTS/Selection.h"

#include <bit>
#include <exception>

#include "RTS/ReplaceList.h"
#include "RTS/ReportReader.h"
#include "Utils/Convert.h"
#include "Utils/Messages.h"
#include "Utils/Utils.h"

namespace rts {

// ---------------------------------------------------------------------------
// MarkedList

void MarkedList::Clear() {
  slot_.clear();
  bits_.clear();
  order_.clear();
  count_ = 0;
}

bool MarkedList::Add(size_t row) {
  if (row == 0 || Contains(row)) return false;
  if (row >= slot_.size()) slot_.resize(std::max(row + 1, slot_.size() * 2), 0);
  if (row / 64 >= bits_.size()) bits_.resize(slot_.size() / 64 + 1, 0);
  order_.push_back(static_cast<uint32_t>(row));
  slot_[row] = static_cast<uint32_t>(order_.size());
  bits_[row / 64] |= uint64_t{1} << (row % 64);
  ++count_;
  return true;
}

bool MarkedList::Remove(size_t row) {
  if (!Contains(row)) return false;
  order_[slot_[row] - 1] = 0;
  slot_[row] = 0;
  bits_[row / 64] &= ~(uint64_t{1} << (row % 64));
  --count_;
  if (order_.size() > 1024 && count_ < order_.size() / 2) Compact();
  return true;
}

void MarkedList::Compact() {
  size_t n = 0;
  for (uint32_t row : order_) {
    if (row != 0) {
      order_[n++] = row;
      slot_[row] = static_cast<uint32_t>(n);
    }
  }
  order_.resize(n);
}

size_t MarkedList::NextMarkedRow(size_t row) const {
  size_t r = row + 1;
  size_t w = r / 64;
  if (w >= bits_.size()) return 0;
  uint64_t word = bits_[w] & (~uint64_t{0} << (r % 64));
  for (;;) {
    if (word) return w * 64 + static_cast<size_t>(std::countr_zero(word));
    if (++w >= bits_.size()) return 0;
    word = bits_[w];
  }
}

std::vector<std::string> MarkedList::Entries() const {
  std::vector<std::string> out;
  out.reserve(count_);
  for (uint32_t row : order_) {
    if (row != 0) out.push_back(std::to_string(row));
  }
  return out;
}

// ---------------------------------------------------------------------------
// Marking

namespace {

std::string PadTo8(std::string_view s) {
  if (s.size() >= 8) return std::string(s);
  std::string out(8 - s.size(), '0');
  out.append(s);
  return out;
}

std::string_view WithoutTrailingSlash(std::string_view s) {
  if (!s.empty() && s.back() == '/') s.remove_suffix(1);
  return s;
}

bool BeginsWithDigit(std::string_view s) { return !s.empty() && s[0] >= '0' && s[0] <= '9'; }

}  // namespace

std::string PaddedAccount(std::string_view client) { return PadTo8(WithoutTrailingSlash(client)); }
std::string PaddedBound(std::string_view bound) { return PadTo8(bound); }

void MarkTrades(TradeTable& table, const SelectionInputs& in, const ReplaceLists& lists,
                MarkedList& marked, MarkFlags& flags) {
  const size_t n = table.RowCount();
  marked.Clear();
  const bool haveMin = !IsBlank(in.minClient);
  if (haveMin) {
    const std::string min = PaddedBound(in.minClient);
    Date d;
    if (!TryTextToDate(in.tradeDate, d)) {
      InfoMess("Не задана дата торгов. Сделки не отмечены.");
      return;
    }
    std::string t;
    for (size_t r = 1; r <= n; ++r) {
      t.assign(table.Cell(r, TradeDate));
      ReplaceChar(t, '/', '.');
      Date rowDate;
      if (!TryTextToDate(t, rowDate)) {
        flags.dateProblem = true;
        continue;
      }
      if (rowDate != d) {
        flags.allDatesMatch = false;
        continue;
      }
      if (IsBlank(table.Cell(r, Client))) continue;
      const std::string_view code = WithoutTrailingSlash(table.Cell(r, Client));
      if (const int i = lists.FindReplace(code); i >= 0) {
        table.SetCell(r, Client, lists.ReplaceToList[static_cast<size_t>(i)]);
      }
      const std::string_view client = table.Cell(r, Client);
      if (!BeginsWithDigit(client)) continue;
      if (PaddedAccount(client) >= min) marked.Add(r);
    }
  }
  if (!IsBlank(in.maxClient)) {
    const std::string max = PaddedBound(in.maxClient);
    for (size_t r = 1; r <= n; ++r) {
      const std::string_view client = table.Cell(r, Client);
      if (IsBlank(client) || !BeginsWithDigit(client)) continue;
      if (PaddedAccount(client) > max) {
        marked.Remove(r);
      } else if (!haveMin) {
        marked.Add(r);
      }
    }
  }
}

std::string MarkedStatusText(const MarkedList& marked) {
  return "Отмеченных  сделок: " + std::to_string(marked.Count());
}

OpenStatus FinishOpen(const TradeTable& table, const MarkedList& marked, const MarkFlags& flags) {
  if (flags.dateProblem) {
    ErrorMess("Проблема с датой. Проверьте системные установки в Regional Settings");
  }
  if (!flags.allDatesMatch) {
    ErrorMess(
        "Имеются неотмеченные сделки из - за несовпадения даты торгов, назначенной оператором и "
        "даты в файле ");
  }
  return StatusTexts(table, marked);
}

OpenStatus StatusTexts(const TradeTable& table, const MarkedList& marked) {
  return {"Всего " + std::to_string(table.RowCount()) + " сделок", MarkedStatusText(marked)};
}

OpenResult OpenReport(std::string_view reportFieldText, const SelectionInputs& in,
                      const ReplaceLists& lists, TradeTable& table, MarkedList& marked) {
  OpenResult result;
  MarkFlags flags;
  try {
    result.found = ReadTradeReport(reportFieldText, table);
    if (result.found) MarkTrades(table, in, lists, marked, flags);
  } catch (...) {
    // The closing steps run also when a failure interrupts the action; the
    // failure itself goes on to the caller's error handler.
    FinishOpen(table, marked, flags);
    throw;
  }
  result.status = FinishOpen(table, marked, flags);
  return result;
}

std::string ToggleMark(const TradeTable& table, MarkedList& marked, size_t currentRow) {
  if (table.RowCount() == 0 || currentRow < 1 || currentRow > table.RowCount()) return {};
  if (!marked.Remove(currentRow)) marked.Add(currentRow);
  return MarkedStatusText(marked);
}

bool IsGroupedRow(const TradeTable& table, size_t row) {
  const size_t n = table.RowCount();
  if (row < 1 || row > n || n < 2) return false;
  return (row > 1 && table.SameTradeKey(row, row - 1)) ||
         (row < n && table.SameTradeKey(row, row + 1));
}

bool BoundTextAccepted(std::string_view text) {
  int32_t value;
  return IsBlank(text) || TryTextToInt32(text, value);
}

}  // namespace rts
