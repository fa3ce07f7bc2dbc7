#include "RTS/TradeTable.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <unordered_map>

namespace rts {

const std::array<TradeColumnInfo, kTradeColumns> kTradeColumnInfo = {{
    {"Клиент", 64},
    {"Опер.", 35},
    {"Дата сделки", 70},
    {"Время сделки", 75},
    {"Транзакция", 75},
    {"Код ЦБ", 64},
    {"Цена", 64},
    {"Колич.", 50},
    {"Сумма", 64},
    {"Валюта", 45},
    {"Контрагент", 64},
    {"Статус", 64},
    {"Схема", 35},
    {"Дата расчетов", 64},
    {"Комментарий", 150},
}};

// Layout: the cells of one row lie one after another in the byte arena; a
// row is found by its start offset and the end offsets of its fifteen cells
// relative to that start (16-bit, so a row costs 38 bytes besides its text).
// A rewritten cell writes the whole row anew at the arena's end, unless the
// new text has the old length, when it is overwritten in place.  A row whose
// text does not fit 16-bit offsets (never seen in a real report) is kept
// apart as whole strings.  Rows taken over from another table keep their
// text in that table's arena, held as a further segment; the top byte of a
// row's start offset names its segment (0 = the table's own arena).
namespace {

// Cells are short: copied as two overlapping words of the largest size
// that fits (so no byte loop), with a library call only for long ones.
template <typename W>
inline void CopyTwo(char* to, const char* from, size_t n) {
  W a, b;
  std::memcpy(&a, from, sizeof a);
  std::memcpy(&b, from + n - sizeof b, sizeof b);
  std::memcpy(to, &a, sizeof a);
  std::memcpy(to + n - sizeof b, &b, sizeof b);
}

inline void CopySmall(char* to, const char* from, size_t n) {
  if (n >= 8) {
    if (n <= 16) {
      CopyTwo<uint64_t>(to, from, n);
    } else {
      std::memcpy(to, from, n);
    }
  } else if (n >= 4) {
    CopyTwo<uint32_t>(to, from, n);
  } else if (n > 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

// A big block is filled front to back: large pages save most of its page
// faults.  Only whole pages inside the block are advised.
void AdviseLargePages(void* block, size_t n) {
#ifdef MADV_HUGEPAGE
  if (n < (size_t{16} << 20)) return;
  const uintptr_t page = 4096;
  const uintptr_t from = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(block) + n) & ~(page - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)block;
  (void)n;
#endif
}

}  // namespace

struct TradeTable::Impl {
  static constexpr uint64_t kSpilled = std::numeric_limits<uint64_t>::max();
  static constexpr int kSegmentShift = 56;
  static constexpr uint64_t kOffsetMask = (uint64_t{1} << kSegmentShift) - 1;
  static constexpr size_t kMaxSegments = 254;  // segment 255 would clash with kSpilled
  using Ends = std::array<uint16_t, kTradeColumns>;

  // The byte arena: malloc'ed so that growing it can move pages instead of
  // copying them, and so that reserved room costs nothing until written.
  struct Arena {
    char* data = nullptr;
    size_t size = 0, cap = 0;
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() { std::free(data); }
    void Reserve(size_t n) {
      if (n <= cap) return;
      char* p = static_cast<char*>(std::realloc(data, n));
      if (!p) throw std::bad_alloc();
      data = p;
      cap = n;
      AdviseLargePages(p, n);
    }
    // Room for n more bytes; returns where they go.
    char* Grow(size_t n) {
      if (size + n > cap) Reserve(std::max(size + n, cap + cap / 2 + 4096));
      char* at = data + size;
      size += n;
      return at;
    }
    void Swap(Arena& o) noexcept {
      std::swap(data, o.data);
      std::swap(size, o.size);
      std::swap(cap, o.cap);
    }
  };
  Arena arena;
  std::vector<std::unique_ptr<Arena>> segments;  // segment k + 1
  std::vector<uint64_t> start;  // index row - 1
  std::vector<Ends> ends;
  std::unordered_map<size_t, TradeRow> spilled;  // key row - 1

  std::string_view Get(size_t i, int column) const {
    if (start[i] == kSpilled) return spilled.at(i)[column];
    const uint64_t s = start[i];
    const char* base = s >> kSegmentShift ? segments[(s >> kSegmentShift) - 1]->data : arena.data;
    const Ends& e = ends[i];
    const uint16_t from = column == 0 ? 0 : e[column - 1];
    return std::string_view(base + (s & kOffsetMask) + from, e[column] - from);
  }

  // Writes the cells as row i (i == start.size() appends).
  void Put(size_t i, const std::array<std::string_view, kTradeColumns>& cells) {
    size_t total = 0;
    for (const auto& c : cells) total += c.size();
    if (i == start.size()) {
      start.push_back(0);
      ends.emplace_back();
    }
    if (total > std::numeric_limits<uint16_t>::max()) {
      TradeRow row;
      for (int c = 0; c < kTradeColumns; ++c) row[c] = std::string(cells[c]);
      spilled[i] = std::move(row);
      start[i] = kSpilled;
      return;
    }
    if (!spilled.empty()) spilled.erase(i);
    start[i] = arena.size;
    char* out = arena.Grow(total);
    Ends& e = ends[i];
    uint16_t at = 0;
    for (int c = 0; c < kTradeColumns; ++c) {
      CopySmall(out + at, cells[c].data(), cells[c].size());
      at = static_cast<uint16_t>(at + cells[c].size());
      e[c] = at;
    }
  }
};

TradeTable::TradeTable() : impl_(new Impl) {}
TradeTable::~TradeTable() { delete impl_; }
TradeTable::TradeTable(TradeTable&& other) noexcept : impl_(other.impl_) { other.impl_ = new Impl; }
TradeTable& TradeTable::operator=(TradeTable&& other) noexcept {
  if (this != &other) std::swap(impl_, other.impl_);
  return *this;
}

size_t TradeTable::RowCount() const { return impl_->start.size(); }

std::string_view TradeTable::Cell(size_t row, int column) const {
  return impl_->Get(row - 1, column);
}

void TradeTable::SetCell(size_t row, int column, std::string_view value) {
  Impl& m = *impl_;
  const size_t i = row - 1;
  if (m.start[i] == Impl::kSpilled) {
    TradeRow copy = m.spilled.at(i);
    copy[column] = std::string(value);
    std::array<std::string_view, kTradeColumns> cells;
    for (int c = 0; c < kTradeColumns; ++c) cells[c] = copy[c];
    m.Put(i, cells);
    return;
  }
  const std::string_view old = m.Get(i, column);
  if (old.size() == value.size()) {
    std::memmove(const_cast<char*>(old.data()), value.data(), value.size());
    return;
  }
  // The old cells are copied out first: appending may move the arena.
  TradeRow copy = Row(row);
  copy[column] = std::string(value);
  std::array<std::string_view, kTradeColumns> cells;
  for (int c = 0; c < kTradeColumns; ++c) cells[c] = copy[c];
  m.Put(i, cells);
}

TradeRow TradeTable::Row(size_t row) const {
  TradeRow r;
  for (int c = 0; c < kTradeColumns; ++c) r[c] = std::string(Cell(row, c));
  return r;
}

size_t TradeTable::AddRow(const std::array<std::string_view, kTradeColumns>& cells) {
  impl_->Put(impl_->start.size(), cells);
  return impl_->start.size();
}

void TradeTable::Clear() {
  Impl fresh;
  impl_->arena.Swap(fresh.arena);
  impl_->start.swap(fresh.start);
  impl_->ends.swap(fresh.ends);
  impl_->spilled.swap(fresh.spilled);
  impl_->segments.swap(fresh.segments);
}

void TradeTable::Reserve(size_t rows, size_t bytes) {
  Impl& m = *impl_;
  if (rows > m.start.capacity()) {
    m.start.reserve(rows);
    m.ends.reserve(rows);
    AdviseLargePages(m.start.data(), m.start.capacity() * sizeof m.start[0]);
    AdviseLargePages(m.ends.data(), m.ends.capacity() * sizeof m.ends[0]);
  }
  m.arena.Reserve(bytes);
}

void TradeTable::Append(TradeTable&& other) {
  Impl& m = *impl_;
  Impl& o = *other.impl_;
  if (this == &other || o.start.empty()) return;
  // Segment numbers of the other table's arenas here: its own arena, then
  // its segments in turn.  Only arenas that hold rows are taken.
  std::vector<uint64_t> to(1 + o.segments.size(), 0);
  auto take = [&m](std::unique_ptr<Impl::Arena> a) -> uint64_t {
    if (m.segments.size() >= Impl::kMaxSegments) throw std::length_error("TradeTable: too many segments");
    m.segments.push_back(std::move(a));
    return m.segments.size();
  };
  if (o.arena.size) {
    auto a = std::make_unique<Impl::Arena>();
    a->Swap(o.arena);
    to[0] = take(std::move(a));
  }
  for (size_t k = 0; k < o.segments.size(); ++k) to[k + 1] = take(std::move(o.segments[k]));

  const size_t base = m.start.size();
  m.start.reserve(base + o.start.size());
  m.ends.reserve(base + o.start.size());
  for (const uint64_t s : o.start) {
    m.start.push_back(s == Impl::kSpilled ? s
                                          : (to[s >> Impl::kSegmentShift] << Impl::kSegmentShift) |
                                                (s & Impl::kOffsetMask));
  }
  m.ends.insert(m.ends.end(), o.ends.begin(), o.ends.end());
  for (auto& [i, row] : o.spilled) m.spilled[base + i] = std::move(row);
  other.Clear();
}

bool TradeTable::SameTradeKey(size_t rowA, size_t rowB) const {
  return Cell(rowA, Client) == Cell(rowB, Client) &&
         Cell(rowA, Operation) == Cell(rowB, Operation) &&
         Cell(rowA, Transaction) == Cell(rowB, Transaction);
}

}  // namespace rts
