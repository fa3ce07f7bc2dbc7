#include "RTS/ReportReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Utils/Messages.h"
#include "Utils/Text1251.h"

namespace rts {

namespace {

// memcpy that takes an empty token, whose pointer may be null.
inline void CopyBytes(char* to, const char* from, size_t n) {
  if (n != 0) std::memcpy(to, from, n);
}

constexpr size_t kBlock = 4 << 20;  // bytes read at a time
constexpr size_t kTokens = 16;

inline bool IsDelim(char c) { return c == '\t' || c == ' '; }

// One token of a line.  Kept trivial so that the token array of a line
// is left uninitialized: every slot is written before it is read, and
// clearing sixteen views per line cost more than taking them.
struct Tok {
  const char* p;
  size_t n;
  std::string_view view() const { return std::string_view(p, n); }
  void set(std::string_view s) {
    p = s.data();
    n = s.size();
  }
};
using Tokens = Tok[16];
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Splits `line` into its first 16 tokens at every single tab or space.
// Missing tokens stay empty.
void Tokenize(std::string_view line, Tokens& tok) {
  size_t n = 0, from = 0;
  const size_t len = line.size();
  for (size_t i = 0; i < len && n < kTokens; ++i) {
    if (IsDelim(line[i])) {
      tok[n++].set(line.substr(from, i - from));
      from = i + 1;
    }
  }
  if (n < kTokens) tok[n++].set(line.substr(from));
  for (; n < kTokens; ++n) tok[n].set(std::string_view());
}

// The second token (1-based 2) of a line, cheaply.
std::string_view SecondToken(std::string_view line) {
  size_t a = 0;
  while (a < line.size() && !IsDelim(line[a])) ++a;
  if (a == line.size()) return {};
  size_t b = a + 1;
  while (b < line.size() && !IsDelim(line[b])) ++b;
  return line.substr(a + 1, b - a - 1);
}

// Appends the row (or the two rows of a split client) of one trade line
// given as its 16 tokens.  `op1`/`op2` are the two operations and
// `security` the security code, already built.
inline void AddRows(const Tokens& t, std::string_view c1, std::string_view c2, bool split,
                    std::string_view op1, std::string_view op2, std::string_view security,
                    TradeTable& table) {
  std::array<std::string_view, kTradeColumns> cells;
  cells[Client] = c1;
  cells[Operation] = op1;
  cells[TradeDate] = t[12].view();
  cells[TradeTime] = t[13].view();
  cells[Transaction] = t[11].view();
  cells[SecurityCode] = security;
  cells[Price] = t[6].view();
  cells[Quantity] = t[7].view();
  cells[Amount] = t[8].view();
  cells[Currency] = t[9].view();
  cells[Counterparty] = t[5].view();
  cells[Status] = t[3].view();
  cells[Scheme] = t[14].view();
  cells[SettlementDate] = t[10].view();
  cells[Comment] = t[15].view();
  table.AddRow(cells);
  if (split) {
    cells[Client] = c2;
    cells[Operation] = op2;
    table.AddRow(cells);
  }
}

// AddTokens for tokens too long for its stack buffers.
[[gnu::noinline]] void AddLongTokens(const Tokens& t, std::string_view c1, std::string_view c2,
                                     bool split, bool unknown, bool sale, std::string_view suffix,
                                     TradeTable& table) {
  const std::string_view op = t[2].view();
  std::string op1, op2;
  if (unknown) {
    op1.assign(op).append("P");
    op2.assign(op).append("S");
  } else {
    op1.assign(1, sale ? 'S' : 'P').append(suffix);
    op2.assign(1, sale ? 'P' : 'S').append(suffix);
  }
  const std::string security = std::string(t[0].view()).append(t[1].view());
  AddRows(t, c1, c2, split, op1, op2, security, table);
}

// Appends the row (or the two rows of a split client) of one trade line
// given as its 16 tokens.
void AddTokens(const Tokens& t, TradeTable& table) {
  const std::string_view op = t[2].view();
  const std::string_view suffix = op.size() >= 2 ? op.substr(1, 1) : std::string_view();
  const bool sale = !op.empty() && op[0] == 'S';

  std::string_view c1 = t[4].n == 0 ? std::string_view("?") : t[4].view();
  std::string_view c2;
  bool split = false;
  if (const size_t h = c1.find('-'); h != std::string_view::npos) {
    split = true;
    c2 = c1.substr(h + 1, 255);
    c1 = c1.substr(0, h);
  }
  const bool unknown = c1.empty() || c1 == "?";
  if (unknown) c1 = c2 = "?";
  // Operations and the security code are short: built on the stack.
  char op1Buf[64], op2Buf[64], secBuf[128];
  if (op.size() + 1 > sizeof op1Buf || t[0].n + t[1].n > sizeof secBuf) {
    AddLongTokens(t, c1, c2, split, unknown, sale, suffix, table);
    return;
  }
  std::string_view op1, op2;
  if (unknown) {
    CopyBytes(op1Buf, op.data(), op.size());
    CopyBytes(op2Buf, op.data(), op.size());
    op1Buf[op.size()] = 'P';
    op2Buf[op.size()] = 'S';
    op1 = std::string_view(op1Buf, op.size() + 1);
    op2 = std::string_view(op2Buf, op.size() + 1);
  } else {
    op1Buf[0] = sale ? 'S' : 'P';
    op2Buf[0] = sale ? 'P' : 'S';
    if (!suffix.empty()) op1Buf[1] = op2Buf[1] = suffix[0];
    op1 = std::string_view(op1Buf, 1 + suffix.size());
    op2 = std::string_view(op2Buf, 1 + suffix.size());
  }
  CopyBytes(secBuf, t[0].p, t[0].n);
  CopyBytes(secBuf + t[0].n, t[1].p, t[1].n);
  AddRows(t, c1, c2, split, op1, op2, std::string_view(secBuf, t[0].n + t[1].n), table);
}

// What one pass over a line found out.  A line is plain when it has no CR
// but a final one and no NUL: its tokens then lie between its delimiters
// as it stands (a run of tabs counting as one delimiter).
struct LineScan {
  bool plain = true;
  bool blank = true;          // only tabs, spaces and CRs
  bool tabRun = false;        // two tabs in a row somewhere
  bool finalCr = false;       // the line ends with a CR (dropped)
  size_t crAt = SIZE_MAX;     // where the only CR is
  size_t firstComma = SIZE_MAX;
  size_t nd = 0;              // delimiters found, at most 16
  uint32_t pos[kTokens];      // where they are
};

// Finds the LF that ends the line starting at p, scanning 16 bytes at a
// time and noting what makes the line plain or not.  Returns nullptr when
// no LF comes before `end`.  Reads up to 15 bytes past `end`, which the
// caller's buffer must hold (their values do not matter).
char* ScanLine(char* p, char* end, LineScan& s) {
#if defined(__SSE2__)
  const __m128i lfV = _mm_set1_epi8('\n'), tabV = _mm_set1_epi8('\t'), spV = _mm_set1_epi8(' '),
                crV = _mm_set1_epi8('\r'), nulV = _mm_setzero_si128(), commaV = _mm_set1_epi8(',');
  unsigned prevTab = 0;
  for (size_t i = 0;; i += 16) {
    char* at = p + i;
    if (at >= end) return nullptr;
    const size_t avail = static_cast<size_t>(end - at);
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const unsigned valid = avail >= 16 ? 0xFFFFu : (1u << avail) - 1;
    const unsigned lf = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lfV))) & valid;
    const unsigned lim = lf ? (lf & (0u - lf)) - 1 : valid;  // the bytes of this line
    const unsigned tab = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, tabV))) & lim;
    const unsigned sp = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, spV))) & lim;
    const unsigned cr = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, crV))) & lim;
    const unsigned nul = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, nulV))) & lim;
    if (nul) s.plain = false;
    if (cr) {
      if (s.crAt != SIZE_MAX || (cr & (cr - 1))) s.plain = false;
      s.crAt = i + static_cast<size_t>(std::countr_zero(cr));
    }
    if (!s.plain) {
      // The general road cleans the line; only its end is wanted now.
      return lf ? at + std::countr_zero(lf)
                : static_cast<char*>(std::memchr(at, '\n', avail));
    }
    const unsigned runStart = tab & ~((tab << 1) | prevTab);  // a run of tabs is one delimiter
    if (tab != runStart) s.tabRun = true;
    prevTab = tab >> 15;
    if ((tab | sp | cr) != lim) s.blank = false;
    if (s.firstComma == SIZE_MAX) {
      const unsigned comma =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, commaV))) & lim;
      if (comma) s.firstComma = i + static_cast<size_t>(std::countr_zero(comma));
    }
    unsigned d = runStart | sp;
    while (d && s.nd < kTokens) {
      s.pos[s.nd++] = static_cast<uint32_t>(i + static_cast<size_t>(std::countr_zero(d)));
      d &= d - 1;
    }
    if (lf) return at + std::countr_zero(lf);
  }
#else
  s.plain = false;
  return static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
#endif
}

// Adds the rows of a plain line of n bytes (its LF not included).  Its
// commas become hyphens in place.  Returns false when the comma repair
// would delete a character: the line then takes the general road.
bool PlainLine(char* p, size_t n, const LineScan& s, TradeTable& table) {
  if (s.crAt != SIZE_MAX) {
    if (s.crAt != n - 1) return false;  // a CR inside the line
    --n;
  }
  if (n <= 2) return true;   // too short: dropped
  if (s.blank) return true;  // dropped
  Tokens t;
  size_t from = 0, k = 0;
  if (!s.tabRun) {  // every delimiter is one character
    for (; k < s.nd; ++k) {
      t[k].set(std::string_view(p + from, s.pos[k] - from));
      from = s.pos[k] + 1;
    }
  } else {
    for (; k < s.nd; ++k) {
      t[k].set(std::string_view(p + from, s.pos[k] - from));
      from = s.pos[k] + 1;
      if (p[s.pos[k]] == '\t') {
        while (from < n && p[from] == '\t') ++from;  // the rest of the run
      }
    }
  }
  if (k < kTokens) t[k++].set(std::string_view(p + from, n - from));
  for (; k < kTokens; ++k) t[k].set(std::string_view());
  if (s.firstComma != SIZE_MAX) {
    const size_t fc = s.firstComma;
    const std::string_view t2 = t[1].view();
    if (!t2.empty() && t2.back() == ',' && fc + 2 < n && p[fc + 1] == ' ' && IsDigit(p[fc + 2])) {
      return false;
    }
    for (char* q = p + fc; (q = static_cast<char*>(std::memchr(q, ',', p + n - q))); ++q) *q = '-';
  }
  AddTokens(t, table);
  return true;
}

// The general road: drops the header, and cleans a line that is not plain
// (NULs, CRs inside, a comma to repair) step by step before its rows are
// added.
class LineSink {
 public:
  LineSink(TradeTable& table, bool header) : table_(table), header_(header) { line_.reserve(1024); }

  bool InHeader() const { return header_; }

  // One raw line (without its LF).  Applies the cleaning steps and, when
  // the line is kept, adds its rows.
  void Raw(char* p, size_t n) {
    if (header_) {
      header_ = false;
      return;
    }
    // Length as read: every CR is dropped from the line.
    size_t crs = 0;
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\r', p + n - q))); ++q) ++crs;
    if (n - crs <= 2) return;
    line_.clear();
    bool blank = true;
    char last = 0;
    for (size_t i = 0; i < n; ++i) {
      const char c = p[i];
      if (c == '\r' || c == '\0') continue;
      if (c == '\t' && last == '\t') continue;
      line_.push_back(c);
      last = c;
      if (blank && c != '\t' && c != ' ' && c != '\n') blank = false;
    }
    if (line_.size() < 2 || blank) return;
    AddTradeLine(line_, table_);
  }

 private:
  TradeTable& table_;
  std::string line_;
  bool header_;
};

// What reading one stretch of the file came to.
struct RangeResult {
  bool stopped = false;  // a Ctrl-Z began a line
  int err = 0;           // errno of a failed read
  std::exception_ptr error;  // anything else thrown
};

// Reads the lines of the file from `from` (where a line begins) up to
// `to` (where one begins too, or the end of the file when `to` is
// SIZE_MAX) into `table`; the first of them is the header when `header`.
void ReadRange(int fd, size_t from, size_t to, bool header, TradeTable& table, RangeResult& r) {
  try {
    LineSink sink(table, header);
    constexpr size_t kPad = 16;  // ScanLine may read this far past the data
    std::vector<char> buf(std::min(kBlock, to == SIZE_MAX ? kBlock : to - from + 1) + kPad);
    size_t have = 0;  // bytes in buf
    size_t at = from;  // file offset of the next read
    for (;;) {
      if (have == buf.size() - kPad) buf.resize((buf.size() - kPad) * 2 + kPad);  // a very long line
      const size_t want = std::min(buf.size() - kPad - have, to == SIZE_MAX ? SIZE_MAX : to - at);
      ssize_t got = 0;
      if (want > 0) {
        got = ::pread(fd, buf.data() + have, want, static_cast<off_t>(at));
        if (got < 0) {
          if (errno == EINTR) continue;
          r.err = errno;
          return;
        }
      }
      at += static_cast<size_t>(got);
      const bool eof = got == 0;
      have += static_cast<size_t>(got);
      char* p = buf.data();
      char* end = p + have;
      while (p < end) {  // p is always where a line begins
        if (*p == '\x1a') {
          r.stopped = true;
          return;
        }
        LineScan scan;
        char* lf = ScanLine(p, end, scan);
        if (!lf) {
          if (!eof) break;
          lf = end;  // the last line, without LF
        }
        const size_t n = static_cast<size_t>(lf - p);
        if (sink.InHeader() || !scan.plain || !PlainLine(p, n, scan, table)) sink.Raw(p, n);
        p = lf == end ? end : lf + 1;
      }
      if (eof) return;
      // Keep the unfinished line for the next block.
      const size_t rest = static_cast<size_t>(end - p);
      std::memmove(buf.data(), p, rest);
      have = rest;
    }
  } catch (...) {
    r.error = std::current_exception();
  }
}

// Where the second half of the file begins: just after the first LF at or
// past the middle.  0 when there is no such line (or on a read error,
// which the reading itself then meets again).
size_t SplitPoint(int fd, size_t size) {
  char chunk[1 << 16];
  for (size_t at = size / 2; at < size;) {
    const ssize_t got = ::pread(fd, chunk, std::min(sizeof chunk, size - at), static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return 0;
    if (const void* lf = std::memchr(chunk, '\n', static_cast<size_t>(got))) {
      const size_t split = at + static_cast<size_t>(static_cast<const char*>(lf) - chunk) + 1;
      return split < size ? split : 0;
    }
    at += static_cast<size_t>(got);
  }
  return 0;
}


}  // namespace

std::string UnquoteFileName(std::string_view text) {
  if (text.empty() || text[0] != '"') return std::string(text);
  std::string rest(text.substr(1, 256));
  if (!rest.empty()) rest.pop_back();
  return rest;
}

void AddTradeLine(std::string_view cleaned, TradeTable& table) {
  // Working copy: the comma repair may delete a character, and every comma
  // becomes a hyphen.
  thread_local std::string line;
  line.assign(cleaned);
  const size_t firstComma = line.find(',');
  if (firstComma != std::string::npos) {
    const std::string_view t2 = SecondToken(line);
    if (!t2.empty() && t2.back() == ',' && firstComma + 2 < line.size() &&
        line[firstComma + 1] == ' ' && IsDigit(line[firstComma + 2])) {
      line.erase(firstComma + 1, 1);
    }
    for (size_t i = firstComma; i < line.size(); ++i) {
      if (line[i] == ',') line[i] = '-';
    }
  }
  Tokens t;
  Tokenize(line, t);
  AddTokens(t, table);
}

bool ReadTradeReport(std::string_view fieldText, TradeTable& table) {
  const std::string name = UnquoteFileName(fieldText);
  const std::string osName = OsFileName(name);
  struct stat st {};
  if (name.empty() || ::stat(osName.c_str(), &st) != 0) {
    InfoMess("Файл " + Cp1251ToUtf8(name) + "  не найден.");
    return false;
  }
  auto fail = [&](int err) {
    table.Clear();
    throw std::runtime_error("Ошибка чтения файла " + osName + ": " + std::strerror(err));
  };
  const int fd = ::open(osName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(errno);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};

  table.Clear();
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  // Cells take fewer bytes than their lines; reserved room that is never
  // written costs no memory.  Rows are reserved for the whole file, so
  // that the second half's rows join the first half's without moving them.
  const size_t size = S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) : 0;
  const size_t rows = size / 48 + 16;

  // Two halves, cut where a line begins, are read at once: the first into
  // the table, the second into a table of its own that is then moved in
  // after it.  Small files too, so that both roads are always exercised.
  constexpr size_t kSplitFrom = 4096;
  const size_t split = size >= kSplitFrom ? SplitPoint(fd, size) : 0;
  RangeResult first, second;
  TradeTable tail;
  std::thread worker;
  if (split != 0) {
    table.Reserve(rows, split + split / 8 + 4096);
    try {
      worker = std::thread([&] {
        try {
          const size_t rest = size - split;
          tail.Reserve(rest / 48 + 16, rest + rest / 8 + 4096);
        } catch (...) {
          second.error = std::current_exception();
          return;
        }
        ReadRange(fd, split, SIZE_MAX, false, tail, second);
      });
    } catch (const std::system_error&) {
      // No thread to be had: the whole file is read here.
    }
  }
  if (!worker.joinable()) {
    table.Reserve(rows, size + size / 8 + 4096);
    ReadRange(fd, 0, SIZE_MAX, true, table, first);
  } else {
    ReadRange(fd, 0, split, true, table, first);
    worker.join();
    // A Ctrl-Z in the first half ends the report there.
    if (!first.stopped && !first.err && !first.error) {
      if (second.err) fail(second.err);
      if (second.error) {
        table.Clear();
        std::rethrow_exception(second.error);
      }
      try {
        table.Append(std::move(tail));
      } catch (...) {
        table.Clear();
        throw;
      }
    }
  }
  if (first.err) fail(first.err);
  if (first.error) {
    table.Clear();
    std::rethrow_exception(first.error);
  }
  return true;
}

}  // namespace rts
