#include "Utils/Convert.h"

#include "Utils/Text1251.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

namespace rts {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
  return s;
}

// The 15 significant digits of |value| and its decimal exponent: value is
// 0.d1d2...d15 x 10^exponent.  Zero gives "000000000000000" and exponent 1.
struct Decimal15 {
  char digits[16];
  int exponent;
  bool negative;
};

Decimal15 ToDecimal15(double value) {
  Decimal15 d{};
  d.negative = std::signbit(value);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  // buf is "d.dddddddddddddde[+-]XX"
  d.digits[0] = buf[0];
  for (int i = 0; i < 14; ++i) d.digits[i + 1] = buf[i + 2];
  d.digits[15] = 0;
  d.exponent = std::atoi(buf + 17) + 1;
  if (value == 0) d.exponent = 1, d.negative = false;
  return d;
}

}  // namespace

bool TryTextToNumber(std::string_view text, double& value) {
  std::string_view s = TrimBlanks(text);
  size_t i = 0;
  const size_t n = s.size();
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const size_t start = i;
  size_t intDigits = 0, fracDigits = 0;
  while (i < n && IsDigit(s[i])) ++i, ++intDigits;
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && IsDigit(s[i])) ++i, ++fracDigits;
  }
  if (intDigits + fracDigits == 0) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < n && IsDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != n) return false;

  double v = 0;
  const auto [ptr, ec] = std::from_chars(s.data() + start, s.data() + n, v);
  if (ptr != s.data() + n) return false;
  if (ec == std::errc::result_out_of_range) {
    // Too small to be told from zero is zero; too large is no number.
    // Decide by the decimal magnitude: the place of the first non-zero
    // digit plus the exponent (saturated, it only needs its sign).
    const std::string_view num = s.substr(start);
    const size_t ePos = num.find_first_of("eE");
    const std::string_view mant = num.substr(0, ePos);
    long long exp10 = 0;
    if (ePos != std::string_view::npos) {
      size_t k = ePos + 1;
      const bool expNegative = num[k] == '-';
      if (num[k] == '+' || num[k] == '-') ++k;
      for (; k < num.size(); ++k) exp10 = std::min(exp10 * 10 + (num[k] - '0'), 1000000000LL);
      if (expNegative) exp10 = -exp10;
    }
    const size_t dot = std::min(mant.find('.'), mant.size());
    const size_t first = mant.find_first_not_of("0.");
    if (first != std::string_view::npos) {
      // 10^(magnitude-1) <= |value| < 10^magnitude
      const long long magnitude = static_cast<long long>(dot) - static_cast<long long>(first) +
                                  (first > dot ? 1 : 0) + exp10;
      if (magnitude > 0) return false;
    }
    v = 0;
  } else if (ec != std::errc()) {
    return false;
  }
  value = negative ? -v : v;
  return true;
}

double TextToNumber(std::string_view text) {
  double v = 0;
  if (!TryTextToNumber(text, v)) throw EConvertError("'" + Cp1251ToUtf8(text) + "' не является числом");
  return v;
}

std::string NumberToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  const Decimal15 d = ToDecimal15(value);
  int len = 15;
  while (len > 1 && d.digits[len - 1] == '0') --len;
  std::string out = d.negative ? "-" : "";
  const int e = d.exponent;
  if (e > 15 || e < -3) {
    // Scientific: d[.ddd]E[-]x
    out += d.digits[0];
    if (len > 1) {
      out += '.';
      out.append(d.digits + 1, static_cast<size_t>(len - 1));
    }
    out += 'E';
    out += std::to_string(e - 1);
  } else if (e <= 0) {
    out += "0.";
    out.append(static_cast<size_t>(-e), '0');
    out.append(d.digits, static_cast<size_t>(len));
  } else {
    if (len <= e) {
      out.append(d.digits, static_cast<size_t>(len));
      out.append(static_cast<size_t>(e - len), '0');
    } else {
      out.append(d.digits, static_cast<size_t>(e));
      out += '.';
      out.append(d.digits + e, static_cast<size_t>(len - e));
    }
  }
  return out;
}

namespace {

// The slow road of FormatFixed: the exact decimal expansion by the
// C library, rounded by hand.
std::string FormatByExpansion(double value, int decimals) {
  char buf[480];
  const int len = std::snprintf(buf, sizeof buf, "%.*f", decimals + 60, std::fabs(value));
  if (len <= 0 || len >= static_cast<int>(sizeof buf)) return "?";
  std::string digits(buf, static_cast<size_t>(len));
  const size_t point = digits.find('.');
  const bool up = digits[point + 1 + static_cast<size_t>(decimals)] >= '5';
  digits.resize(point + 1 + static_cast<size_t>(decimals));
  if (decimals == 0) digits.pop_back();
  if (up) {
    size_t i = digits.size();
    for (;;) {
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        break;
      }
      --i;
      if (digits[i] == '.') continue;
      if (digits[i] == '9') {
        digits[i] = '0';
        continue;
      }
      ++digits[i];
      break;
    }
  }
  const bool zero = digits.find_first_not_of("0.") == std::string::npos;
  if (value < 0 && !zero) digits.insert(digits.begin(), '-');
  return digits;
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  // value * 10^decimals is exact in a 64-bit mantissa for up to 3 decimals
  // (53 + 10 bits), so its fraction decides the rounding exactly: 58.15,
  // stored as 58.14999..., gives "58.1"; an exact half goes away from zero.
  constexpr bool kWide = std::numeric_limits<long double>::digits >= 63;
  if (!kWide || decimals < 0 || decimals > 3 || !std::isfinite(value) ||
      std::fabs(value) >= 1e15) {
    return FormatByExpansion(value, decimals);
  }
  static constexpr long double kScale[4] = {1.0L, 10.0L, 100.0L, 1000.0L};
  const long double s = std::fabs(static_cast<long double>(value)) * kScale[decimals];
  const long double below = std::floor(s);
  const uint64_t m = static_cast<uint64_t>(below) + (s - below >= 0.5L ? 1 : 0);
  char buf[24];
  const auto conv = std::to_chars(buf, buf + sizeof buf, m);
  const size_t len = static_cast<size_t>(conv.ptr - buf);
  const size_t d = static_cast<size_t>(decimals);
  const size_t whole = len > d ? len - d : 1;  // digits before the point
  const bool minus = value < 0 && m != 0;
  std::string digits;
  digits.reserve(minus + whole + (d ? d + 1 : 0));
  if (minus) digits.push_back('-');
  if (len > d) {
    digits.append(buf, whole);
  } else {
    digits.push_back('0');
  }
  if (d) {
    digits.push_back('.');
    if (len < d) digits.append(d - len, '0');
    digits.append(buf + (len > d ? whole : 0), std::min(len, d));
  }
  return digits;
}

bool TryDecimalTextToInt32(std::string_view text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
  }
  return TryTextToInt32(text, value);
}

bool TryTextToInt32(std::string_view text, int32_t& value) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return false;
  uint64_t v = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    int digit;
    if (IsDigit(c))
      digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    v = v * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (v > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    // A hexadecimal number gives the 32 bits as written.
    const int32_t bits = static_cast<int32_t>(static_cast<uint32_t>(v));
    value = negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(bits)) : bits;
    return true;
  }
  if (negative) {
    if (v > 0x80000000ull) return false;
    value = static_cast<int32_t>(-static_cast<int64_t>(v));
  } else {
    if (v > 0x7FFFFFFFull) return false;
    value = static_cast<int32_t>(v);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Dates

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= last;
}

bool TryTextToDate(std::string_view text, Date& date) {
  std::string_view s = TrimBlanks(text);
  int parts[3] = {0, 0, 0};
  size_t lengths[3] = {0, 0, 0};
  size_t i = 0;
  for (int p = 0; p < 3; ++p) {
    if (p > 0) {
      if (i >= s.size() || s[i] != '.') return false;
      ++i;
    }
    const size_t start = i;
    while (i < s.size() && IsDigit(s[i]) && i - start < 4) parts[p] = parts[p] * 10 + (s[i++] - '0');
    lengths[p] = i - start;
  }
  if (i != s.size()) return false;
  if (lengths[0] < 1 || lengths[0] > 2 || lengths[1] < 1 || lengths[1] > 2 || lengths[2] < 1)
    return false;
  int year = parts[2];
  if (lengths[2] <= 2) {
    const int base = Today().year - 50;
    year += base / 100 * 100;
    if (year < base) year += 100;
  }
  if (!IsValidDate(year, parts[1], parts[0])) return false;
  date = Date{year, parts[1], parts[0]};
  return true;
}

Date TextToDate(std::string_view text) {
  Date d;
  if (!TryTextToDate(text, d)) throw EConvertError("'" + Cp1251ToUtf8(text) + "' не является датой");
  return d;
}

std::string DateToText(const Date& date) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", date.day, date.month, date.year);
  return buf;
}

std::string DateToYmd(const Date& date) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", date.year, date.month, date.day);
  return buf;
}

bool TryYmdToDate(std::string_view ymd, Date& date) {
  if (ymd.size() != 8) return false;
  int v[3] = {0, 0, 0};
  const int widths[3] = {4, 2, 2};
  size_t i = 0;
  for (int p = 0; p < 3; ++p)
    for (int k = 0; k < widths[p]; ++k, ++i) {
      if (!IsDigit(ymd[i])) return false;
      v[p] = v[p] * 10 + (ymd[i] - '0');
    }
  if (!IsValidDate(v[0], v[1], v[2])) return false;
  date = Date{v[0], v[1], v[2]};
  return true;
}

// ---------------------------------------------------------------------------
// The clock

namespace {

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = static_cast<unsigned>((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

Date CivilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return Date{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 30.12.1899 counted from 1970-01-01.
constexpr long long kEpochOffset = 25569;

std::function<double()>& Clock() {
  static std::function<double()> clock;
  return clock;
}

double SystemNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const double ms =
      static_cast<double>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + ms / 1000.0;
  return DateToDays(Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}) + seconds / 86400.0;
}

}  // namespace

double Now() {
  const auto& clock = Clock();
  return clock ? clock() : SystemNow();
}

Date Today() { return DaysToDate(Now()); }

void SetClock(std::function<double()> now) { Clock() = std::move(now); }

double DateToDays(const Date& date) {
  return static_cast<double>(DaysFromCivil(date.year, date.month, date.day) + kEpochOffset);
}

Date DaysToDate(double days) {
  return CivilFromDays(static_cast<long long>(std::floor(days)) - kEpochOffset);
}

}  // namespace rts
