#include "tableaccess/DbfFile.h"

#include "Utils/Convert.h"
#include "Utils/Text1251.h"
#include "tableaccess/Query.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace rts::dbf {

namespace {

uint32_t GetLE(const unsigned char* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void PutLE(unsigned char* p, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool SameState(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

std::string Quoted(std::string_view bytes) { return "'" + std::string(bytes) + "'"; }

std::string FieldLabel(const Field& f) {
  std::string s = f.name + " (" + f.type + " " + std::to_string(f.width);
  if (f.decimals) s += "." + std::to_string(f.decimals);
  return s + ")";
}

[[noreturn]] void Refuse(const Field& f, const std::string& value, const char* why) {
  throw EDatabaseError("value " + value + " " + why + " field " + FieldLabel(f));
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string IntegerText(int64_t v, int decimals) {
  std::string s = std::to_string(v);
  if (decimals > 0) s += "." + std::string(static_cast<size_t>(decimals), '0');
  return s;
}

// The value with `decimals` decimals, rounded half away from zero on its
// 15-significant-digit decimal form (so 2.0005 gives 2.001), into `out`;
// returns the length.  `out` holds 600 bytes (|v| < 1e300, decimals < 256).
size_t FixedText(double v, int decimals, char* out) {
  // The common case without the decimal form: |v| * 10^decimals well
  // inside 10^12, and its fraction not near one half.  The 15-digit
  // rounding then moves the scaled value by at most 0.0005, and the
  // product's own error is far below that, so neither can carry it across
  // the half and the nearest whole number is the answer.
  static constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
  if (decimals <= 12) {
    const double scaled = std::fabs(v) * kPow10[decimals];
    if (scaled < 1e12) {
      const double whole = std::floor(scaled);
      const double frac = scaled - whole;
      if (std::fabs(frac - 0.5) > 1e-3) {
        uint64_t units = static_cast<uint64_t>(whole) + (frac > 0.5 ? 1 : 0);
        char digits[24];
        size_t n = 0;
        do {
          digits[n++] = static_cast<char>('0' + units % 10);
          units /= 10;
        } while (units != 0);
        const bool zero = n == 1 && digits[0] == '0';
        while (n < static_cast<size_t>(decimals) + 1) digits[n++] = '0';  // one digit before the point
        size_t len = 0;
        if (v < 0 && !zero) out[len++] = '-';
        for (size_t k = n; k > static_cast<size_t>(decimals); --k) out[len++] = digits[k - 1];
        if (decimals > 0) {
          out[len++] = '.';
          for (size_t k = static_cast<size_t>(decimals); k > 0; --k) out[len++] = digits[k - 1];
        }
        return len;
      }
    }
  }
  char sci[32];
  const auto r = std::to_chars(sci, sci + sizeof sci, std::fabs(v), std::chars_format::scientific, 14);
  // sci is "d.dddddddddddddde[+-]XX"
  char digits[15];
  digits[0] = sci[0];
  std::memcpy(digits + 1, sci + 2, 14);
  int exponent = 0;
  std::from_chars(sci + 17 + (sci[17] == '+'), r.ptr, exponent);
  const int e = v == 0 ? 1 : exponent + 1;  // digits before the point
  auto digitAt = [&](int pos) -> char {      // the 10^pos place
    const int idx = e - 1 - pos;
    return idx >= 0 && idx < 15 ? digits[idx] : '0';
  };
  char buf[600];
  size_t n = 1;  // buf[0] is room for a carry
  buf[0] = '0';
  const int intCount = e > 0 ? e : 0;
  for (int pos = intCount - 1; pos >= -decimals; --pos) buf[n++] = digitAt(pos);
  if (digitAt(-decimals - 1) >= '5') {
    size_t k = n - 1;
    while (buf[k] == '9') buf[k--] = '0';
    ++buf[k];
  }
  // Leading zeros go, but one digit stays before the point.
  const size_t intEnd = n - static_cast<size_t>(decimals);
  size_t start = 0;
  while (start + 1 < intEnd && buf[start] == '0') ++start;
  bool zero = true;
  for (size_t k = start; k < n; ++k) zero = zero && buf[k] == '0';
  size_t len = 0;
  if (v < 0 && !zero) out[len++] = '-';
  for (size_t k = start; k < intEnd; ++k) out[len++] = buf[k];
  if (decimals > 0) {
    out[len++] = '.';
    for (size_t k = intEnd; k < n; ++k) out[len++] = buf[k];
  }
  return len;
}

// Right-aligns a number's text in the field, or refuses the value.
template <typename Shown>
void PutNumber(const Field& f, const char* text, size_t len, Shown shown, char* out) {
  if (len > f.width) Refuse(f, shown(), "does not fit");
  const size_t pad = f.width - len;
  std::memset(out, ' ', pad);
  std::memcpy(out + pad, text, len);
}

template <typename Shown>
void PutReal(const Field& f, double v, Shown shown, char* out) {
  if (!std::isfinite(v) || std::fabs(v) >= 1e300) Refuse(f, shown(), "does not fit");
  char text[600];
  const size_t len = FixedText(v, f.decimals, text);
  PutNumber(f, text, len, shown, out);
}

void PutText(const Field& f, std::string_view text, char* out) {
  if (text.size() > f.width) Refuse(f, Quoted(text), "is too long for");
  std::memcpy(out, text.data(), text.size());
  std::memset(out + text.size(), ' ', f.width - text.size());
}

}  // namespace

void EncodeField(const Field& f, const Value& v, char* out) {
  if (v.kind == Value::Null) {
    std::memset(out, ' ', f.width);
    return;
  }
  switch (f.type) {
    case 'N':
    case 'F': {
      if (v.kind == Value::Integer) {
        const std::string text = IntegerText(v.integer, f.decimals);
        PutNumber(f, text.data(), text.size(), [&] { return std::to_string(v.integer); }, out);
      } else if (v.kind == Value::Real) {
        PutReal(f, v.real, [&] { return NumberToText(v.real); }, out);
      } else {
        const std::string_view t = Trim(v.text);
        double d = 0;
        if (t.empty()) {
          std::memset(out, ' ', f.width);
        } else if (TryTextToNumber(t, d)) {
          PutReal(f, d, [&] { return Quoted(v.text); }, out);
        } else {
          Refuse(f, Quoted(v.text), "is not a number for");
        }
      }
      return;
    }
    case 'D': {
      std::string ymd;
      if (v.kind == Value::Integer) {
        ymd = std::to_string(v.integer);
      } else if (v.kind == Value::Real) {
        ymd = v.real == std::floor(v.real) && std::fabs(v.real) < 1e9
                  ? std::to_string(static_cast<int64_t>(v.real)) : NumberToText(v.real);
      } else {
        const std::string_view t = Trim(v.text);
        if (t.empty()) {
          std::memset(out, ' ', f.width);
          return;
        }
        Date d;
        if (t.size() == 8 && TryYmdToDate(t, d)) {  // as stored already
          PutText(f, t, out);
          return;
        }
        ymd = std::string(t);
        if (!TryYmdToDate(ymd, d) && TryTextToDate(t, d)) ymd = DateToYmd(d);
      }
      Date d;
      if (ymd.size() != 8 || !TryYmdToDate(ymd, d)) Refuse(f, Quoted(ymd), "is not a date for");
      PutText(f, ymd, out);
      return;
    }
    case 'L': {
      std::string t = v.kind == Value::Integer ? std::to_string(v.integer)
                      : v.kind == Value::Real  ? NumberToText(v.real)
                                               : std::string(Trim(v.text));
      char c;
      if (t.empty() || t == "?") c = '?';
      else if (t == "1" || t == "T" || t == "t" || t == "Y" || t == "y") c = 'T';
      else if (t == "0" || t == "F" || t == "f" || t == "N" || t == "n") c = 'F';
      else Refuse(f, Quoted(t), "is not a logical value for");
      std::memset(out, ' ', f.width);
      out[0] = c;
      return;
    }
    default:
      if (v.kind == Value::Integer) PutText(f, std::to_string(v.integer), out);
      else if (v.kind == Value::Real) PutText(f, NumberToText(v.real), out);
      else PutText(f, v.text, out);
  }
}

DbfFile::DbfFile(std::string osPath, std::string name) : path_(std::move(osPath)), name_(std::move(name)) {
  OpenFile();
  LoadHeader();
}

DbfFile::~DbfFile() {
  if (fd_ >= 0) ::close(fd_);
}

void DbfFile::Fail(const std::string& what) const {
  throw EDatabaseError("table " + name_ + " (" + Utf8ToCp1251(path_) + "): " + what);
}

void DbfFile::OpenFile() {
  if (fd_ >= 0) ::close(fd_);
  readOnly_ = false;
  fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    readOnly_ = true;
  }
  if (fd_ < 0) Fail(std::strerror(errno));
}

void DbfFile::RememberState() {
  if (::fstat(fd_, &seen_) != 0) Fail(std::strerror(errno));
}

// Reads and checks the header: every length against the file's size and
// against the fields, so that no later read runs past the end.
void DbfFile::LoadHeader() {
  RememberState();
  const uint64_t size = static_cast<uint64_t>(seen_.st_size);
  unsigned char head[32];
  if (size < 32 || ::pread(fd_, head, 32, 0) != 32) Fail("the file is shorter than a dBASE header");
  const uint32_t headerLength = GetLE(head + 8, 2);
  const uint32_t recordLength = GetLE(head + 10, 2);
  const uint64_t count = GetLE(head + 4, 4);
  if (headerLength < 33 || headerLength > size)
    Fail("header length " + std::to_string(headerLength) + " does not fit a file of " +
         std::to_string(size) + " bytes");
  std::string header(headerLength, '\0');
  if (::pread(fd_, header.data(), headerLength, 0) != static_cast<ssize_t>(headerLength))
    Fail("the header cannot be read");
  std::vector<Field> fields;
  uint64_t offset = 1;
  size_t pos = 32;
  while (true) {
    if (pos >= headerLength) Fail("the field descriptors have no terminator 0x0D");
    if (header[pos] == '\x0D') break;
    if (pos + 32 > headerLength) Fail("a field descriptor runs past the header");
    const auto* d = reinterpret_cast<const unsigned char*>(header.data() + pos);
    Field f;
    f.name.assign(reinterpret_cast<const char*>(d), strnlen(reinterpret_cast<const char*>(d), 11));
    f.type = static_cast<char>(UpperChar1251(d[11]));
    f.width = d[16];
    f.decimals = d[17];
    f.offset = static_cast<uint32_t>(offset);
    if (f.name.empty()) Fail("field " + std::to_string(fields.size() + 1) + " has no name");
    if (f.width == 0) Fail("field " + f.name + " has width 0");
    offset += f.width;
    if (offset > recordLength)
      Fail("field " + f.name + " lies beyond the record length " + std::to_string(recordLength));
    fields.push_back(std::move(f));
    pos += 32;
  }
  if (fields.empty()) Fail("the table has no fields");
  if (offset != recordLength)
    Fail("record length " + std::to_string(recordLength) + " does not match the fields (" +
         std::to_string(offset) + ")");
  if (headerLength + count * recordLength > size)
    Fail("the header counts " + std::to_string(count) + " records, the file holds only " +
         std::to_string((size - headerLength) / recordLength));
  fields_ = std::move(fields);
  headerLength_ = headerLength;
  recordLength_ = recordLength;
  count_ = count;
}

bool DbfFile::Refresh(bool thorough) {
  struct stat now {};
  if (!thorough) {
    // The open file's identity, size and links, but not its times: asking
    // for those makes the kernel stamp every following write with a fine
    // new time, which doubles the cost of a single-record statement.
    struct statx x {};
    if (::statx(fd_, "", AT_EMPTY_PATH, STATX_INO | STATX_SIZE | STATX_NLINK, &x) != 0)
      Fail(std::strerror(errno));
    if (x.stx_nlink > 0 && x.stx_ino == seen_.st_ino && static_cast<off_t>(x.stx_size) == seen_.st_size)
      return false;
    // Removed, replaced or changed in size: look again by name.
  }
  if (::stat(path_.c_str(), &now) != 0) Fail(std::strerror(errno));
  if (SameState(now, seen_)) return false;
  Rollback();
  if (now.st_ino != seen_.st_ino || now.st_dev != seen_.st_dev) OpenFile();
  const std::vector<Field> before = fields_;
  LoadHeader();
  return fields_ != before;
}

uint64_t DbfFile::Read(uint64_t first, uint64_t n, char* out) {
  uint64_t done = 0;
  // Records already on disk.
  if (first < count_) {
    const uint64_t want = std::min(n, count_ - first);
    const uint64_t bytes = want * recordLength_;
    uint64_t got = 0;
    while (got < bytes) {
      const ssize_t r = ::pread(fd_, out + got, bytes - got, headerLength_ + first * recordLength_ + got);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      got += static_cast<uint64_t>(r);
    }
    done = got / recordLength_;
    if (done < want) return done;  // the file was cut while we read
  }
  // Records still in the append buffer.
  while (done < n && first + done >= count_ && first + done < count_ + appended_) {
    std::memcpy(out + done * recordLength_, appendBuf_.data() + (first + done - count_) * recordLength_,
                recordLength_);
    ++done;
  }
  return done;
}

std::string DbfFile::BlankRecord() const { return std::string(recordLength_, ' '); }

void DbfFile::Append(const char* record) {
  if (readOnly_) Fail("the file is read-only");
  appendBuf_.append(record, recordLength_);
  ++appended_;
}

void DbfFile::Overwrite(uint64_t index, const char* record) {
  if (readOnly_) Fail("the file is read-only");
  if (index >= count_ + appended_) Fail("record " + std::to_string(index + 1) + " does not exist");
  if (index >= count_) {
    std::memcpy(appendBuf_.data() + (index - count_) * recordLength_, record, recordLength_);
    return;
  }
  WriteAt(headerLength_ + index * recordLength_, record, recordLength_);
  RememberState();
}

void DbfFile::Delete(uint64_t index) {
  if (readOnly_) Fail("the file is read-only");
  if (index >= count_ + appended_) Fail("record " + std::to_string(index + 1) + " does not exist");
  if (index >= count_)
    appendBuf_[(index - count_) * recordLength_] = '*';
  else
    deleted_.push_back(index);
}

void DbfFile::WriteAt(uint64_t offset, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t r = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) Fail(std::string("write failed: ") + std::strerror(errno));
    done += static_cast<size_t>(r);
  }
}

void DbfFile::Commit() {
  if (appended_ == 0 && deleted_.empty()) return;
  if (!deleted_.empty()) {
    // Are any records left?  Count the flags, the pending deletions included.
    std::sort(deleted_.begin(), deleted_.end());
    deleted_.erase(std::unique(deleted_.begin(), deleted_.end()), deleted_.end());
    bool anyLeft = false;
    for (size_t k = 0; k < appended_ && !anyLeft; ++k) anyLeft = appendBuf_[k * recordLength_] != '*';
    if (!anyLeft) {
      const uint64_t block = std::max<uint64_t>(1, (1u << 20) / recordLength_);
      std::string buf(block * recordLength_, '\0');
      auto del = deleted_.begin();
      for (uint64_t first = 0; first < count_ && !anyLeft; first += block) {
        const uint64_t n = Read(first, std::min(block, count_ - first), buf.data());
        for (uint64_t k = 0; k < n; ++k) {
          const uint64_t index = first + k;
          while (del != deleted_.end() && *del < index) ++del;
          if (del != deleted_.end() && *del == index) continue;
          if (buf[k * recordLength_] != '*') {
            anyLeft = true;
            break;
          }
        }
      }
    }
    if (!anyLeft) {
      // All records are gone: the file is cut back to its header.
      if (::ftruncate(fd_, headerLength_) != 0) Fail(std::string("truncate failed: ") + std::strerror(errno));
      count_ = 0;
      appended_ = 0;
      appendBuf_.clear();
    } else {
      for (uint64_t index : deleted_) WriteAt(headerLength_ + index * recordLength_, "*", 1);
    }
    deleted_.clear();
  }
  if (appended_ > 0) {
    const uint64_t end = headerLength_ + count_ * recordLength_;
    appendBuf_.push_back('\x1A');
    WriteAt(end, appendBuf_.data(), appendBuf_.size());
    count_ += appended_;
    appended_ = 0;
    appendBuf_.clear();
    // Bytes beyond the end mark (left by another writer) would follow it.
    if (static_cast<uint64_t>(seen_.st_size) > headerLength_ + count_ * recordLength_ + 1) {
      if (::ftruncate(fd_, static_cast<off_t>(headerLength_ + count_ * recordLength_ + 1)) != 0)
        Fail(std::string("truncate failed: ") + std::strerror(errno));
    }
  }
  // Date of the last update and the record count.
  unsigned char head[7];
  const std::time_t t = std::time(nullptr);
  if (t != dateTime_) {
    std::tm tm {};
    localtime_r(&t, &tm);
    date_[0] = static_cast<unsigned char>(tm.tm_year % 256);
    date_[1] = static_cast<unsigned char>(tm.tm_mon + 1);
    date_[2] = static_cast<unsigned char>(tm.tm_mday);
    dateTime_ = t;
  }
  std::memcpy(head, date_, 3);
  PutLE(head + 3, count_, 4);
  WriteAt(1, reinterpret_cast<const char*>(head), sizeof head);
  // What the file looks like now, without asking: its new size.  The quick
  // look compares no more than that; a thorough one finds the new times and
  // reads the header once more, which is harmless.
  seen_.st_size = static_cast<off_t>(headerLength_ + count_ * recordLength_ + (count_ ? 1 : 0));
}

void DbfFile::Rollback() {
  appended_ = 0;
  appendBuf_.clear();
  deleted_.clear();
}

}  // namespace rts::dbf
