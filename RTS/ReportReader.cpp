#include "RTS/ReportReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Utils/Messages.h"
#include "Utils/Text1251.h"

namespace rts {

namespace {

constexpr size_t kBlock = 4 << 20;  // bytes read at a time
constexpr size_t kTokens = 16;

inline bool IsDelim(char c) { return c == '\t' || c == ' '; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Splits `line` into its first 16 tokens at every single tab or space.
// Missing tokens stay empty.
void Tokenize(std::string_view line, std::array<std::string_view, kTokens>& tok) {
  size_t n = 0, from = 0;
  const size_t len = line.size();
  for (size_t i = 0; i < len && n < kTokens; ++i) {
    if (IsDelim(line[i])) {
      tok[n++] = line.substr(from, i - from);
      from = i + 1;
    }
  }
  if (n < kTokens) tok[n++] = line.substr(from);
  for (; n < kTokens; ++n) tok[n] = std::string_view();
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
// given as its 16 tokens.
void AddTokens(const std::array<std::string_view, kTokens>& t, TradeTable& table) {
  const std::string_view op = t[2];
  const std::string_view suffix = op.size() >= 2 ? op.substr(1, 1) : std::string_view();
  const bool sale = !op.empty() && op[0] == 'S';

  std::string_view c1 = t[4].empty() ? std::string_view("?") : t[4];
  std::string_view c2;
  bool split = false;
  if (const size_t h = c1.find('-'); h != std::string_view::npos) {
    split = true;
    c2 = c1.substr(h + 1, 255);
    c1 = c1.substr(0, h);
  }
  // Operations and the security code are short: built on the stack, with a
  // heap string only for unusually long tokens.
  char op1Buf[64], op2Buf[64], secBuf[128];
  std::string op1Long, op2Long, secLong;
  std::string_view op1, op2, security;
  if (c1.empty() || c1 == "?") {
    c1 = "?";
    c2 = "?";
    if (op.size() + 1 <= sizeof op1Buf) {
      std::memcpy(op1Buf, op.data(), op.size());
      std::memcpy(op2Buf, op.data(), op.size());
      op1Buf[op.size()] = 'P';
      op2Buf[op.size()] = 'S';
      op1 = std::string_view(op1Buf, op.size() + 1);
      op2 = std::string_view(op2Buf, op.size() + 1);
    } else {
      op1 = op1Long.assign(op).append("P");
      op2 = op2Long.assign(op).append("S");
    }
  } else {
    op1Buf[0] = sale ? 'S' : 'P';
    op2Buf[0] = sale ? 'P' : 'S';
    if (!suffix.empty()) op1Buf[1] = op2Buf[1] = suffix[0];
    op1 = std::string_view(op1Buf, 1 + suffix.size());
    op2 = std::string_view(op2Buf, 1 + suffix.size());
  }
  if (t[0].size() + t[1].size() <= sizeof secBuf) {
    std::memcpy(secBuf, t[0].data(), t[0].size());
    std::memcpy(secBuf + t[0].size(), t[1].data(), t[1].size());
    security = std::string_view(secBuf, t[0].size() + t[1].size());
  } else {
    security = secLong.assign(t[0]).append(t[1]);
  }

  std::array<std::string_view, kTradeColumns> cells;
  cells[Client] = c1;
  cells[Operation] = op1;
  cells[TradeDate] = t[12];
  cells[TradeTime] = t[13];
  cells[Transaction] = t[11];
  cells[SecurityCode] = security;
  cells[Price] = t[6];
  cells[Quantity] = t[7];
  cells[Amount] = t[8];
  cells[Currency] = t[9];
  cells[Counterparty] = t[5];
  cells[Status] = t[3];
  cells[Scheme] = t[14];
  cells[SettlementDate] = t[10];
  cells[Comment] = t[15];
  table.AddRow(cells);
  if (split) {
    cells[Client] = c2;
    cells[Operation] = op2;
    table.AddRow(cells);
  }
}

// What one pass over a line found out.  A line is plain when it has no CR
// but a final one and no NUL: its tokens then lie between its delimiters
// as it stands (a run of tabs counting as one delimiter).
struct LineScan {
  bool plain = true;
  bool blank = true;          // only tabs, spaces and CRs
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
  std::array<std::string_view, kTokens> t;
  size_t from = 0, k = 0;
  for (; k < s.nd; ++k) {
    t[k] = std::string_view(p + from, s.pos[k] - from);
    from = s.pos[k] + 1;
    if (p[s.pos[k]] == '\t') {
      while (from < n && p[from] == '\t') ++from;  // the rest of the run
    }
  }
  if (k < kTokens) t[k++] = std::string_view(p + from, n - from);
  for (; k < kTokens; ++k) t[k] = std::string_view();
  if (s.firstComma != SIZE_MAX) {
    const size_t fc = s.firstComma;
    const std::string_view t2 = t[1];
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
  explicit LineSink(TradeTable& table) : table_(table) { line_.reserve(1024); }

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
  bool header_ = true;
};

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
  std::array<std::string_view, kTokens> t;
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
  // Cells take fewer bytes than their lines; reserved room that is never
  // written costs no memory.
  const size_t size = static_cast<size_t>(st.st_size);
  table.Reserve(size / 48 + 16, size + size / 8 + 4096);
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif

  LineSink sink(table);
  constexpr size_t kPad = 16;  // ScanLine may read this far past the data
  std::vector<char> buf(kBlock + kPad);
  size_t have = 0;  // bytes in buf
  bool stopped = false;
  for (;;) {
    if (have == buf.size() - kPad) buf.resize((buf.size() - kPad) * 2 + kPad);  // a very long line
    const ssize_t got = ::read(fd, buf.data() + have, buf.size() - kPad - have);
    if (got < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    const bool eof = got == 0;
    have += static_cast<size_t>(got);
    char* p = buf.data();
    char* end = p + have;
    while (p < end) {  // p is always where a line begins
      if (*p == '\x1a') {
        stopped = true;
        break;
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
    if (stopped || eof) break;
    // Keep the unfinished line for the next block.
    const size_t rest = static_cast<size_t>(end - p);
    std::memmove(buf.data(), p, rest);
    have = rest;
  }
  return true;
}

}  // namespace rts
