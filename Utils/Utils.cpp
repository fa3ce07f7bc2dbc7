#include "Utils/Utils.h"

#include <algorithm>

namespace rts {

CharSet MakeCharSet(std::string_view members) {
  CharSet set;
  for (char c : members) set.set(static_cast<unsigned char>(c));
  return set;
}

const CharSet FieldDelims = MakeCharSet("\t ");
const CharSet BlankChars = MakeCharSet("\t\n\r ");

uint16_t WordMax(uint16_t a, uint16_t b) { return a > b ? a : b; }
int32_t IntMin(int32_t a, int32_t b) { return a < b ? a : b; }
int32_t IntMax(int32_t a, int32_t b) { return a > b ? a : b; }
int32_t IfInt(bool flag, int32_t a, int32_t b) { return flag ? a : b; }
std::string IfStr(bool flag, const std::string& a, const std::string& b) { return flag ? a : b; }

int LastPos(std::string_view sub, std::string_view s) {
  if (sub.empty() || sub.size() > s.size()) return 0;
  // The last start position is the last occurrence, overlapping or not.
  const size_t at = s.rfind(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

void ReplaceChar(std::string& s, char from, char to) {
  if (from == to) return;
  std::replace(s.begin(), s.end(), from, to);
}

std::string RepeatChar(char ch, int n) {
  if (n <= 0) return {};
  return std::string(static_cast<size_t>(n), ch);
}

// The part of s that starts at the 1-based `from` and is `count` long, by
// the copy rule of this unit; count < 0 gives "".
static std::string_view Part(std::string_view s, int from, long long count) {
  if (count < 0) return {};
  if (from < 1) from = 1;
  if (static_cast<size_t>(from) > s.size()) return {};
  const size_t start = static_cast<size_t>(from) - 1;
  const size_t room = s.size() - start;
  return s.substr(start, static_cast<unsigned long long>(count) < room ? static_cast<size_t>(count) : room);
}

int PosIn(std::string_view sub, std::string_view s, int from, int count) {
  if (sub.empty()) return 0;
  std::string_view part = Part(s, from, count);
  const size_t at = part.find(sub);
  if (at == std::string_view::npos) return 0;
  return static_cast<int>(part.data() - s.data() + at) + 1;
}

std::string CopyFrom(std::string_view s, int from, int count) {
  if (count == 0) return std::string(Part(s, from, static_cast<long long>(s.size())));
  return std::string(Part(s, from, count));
}

bool IsBlank(std::string_view s) {
  for (char c : s)
    if (!BlankChars.test(static_cast<unsigned char>(c))) return false;
  return true;
}

std::string_view ExtractField(std::string_view s, const CharSet& delims, int n) {
  if (n <= 0) return {};
  size_t start = 0;
  for (int seen = 0; seen < n - 1; ++seen) {
    while (start < s.size() && !delims.test(static_cast<unsigned char>(s[start]))) ++start;
    if (start >= s.size()) return {};  // fewer than n - 1 delimiters
    ++start;                           // past the delimiter
  }
  if (start >= s.size()) return {};    // the (n-1)-th delimiter ended s
  size_t end = start;
  while (end < s.size() && !delims.test(static_cast<unsigned char>(s[end]))) ++end;
  return s.substr(start, end - start);
}

std::string StripTrailingDigits(std::string_view s) {
  size_t end = s.size();
  while (end > 0 && s[end - 1] >= '0' && s[end - 1] <= '9') --end;
  return std::string(s.substr(0, end));
}

namespace {

const DateNames kDefaultNames = {
    {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
    {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
    {"January", "February", "March", "April", "May", "June", "July", "August", "September",
     "October", "November", "December"},
};

const DateNames kRussianNames = {
    {"Вск", "Пнд", "Втр", "Срд", "Чтв", "Птн", "Сбт"},
    {"Янв", "Фев", "Мар", "Апр", "Май", "Июн", "Июл", "Авг", "Сен", "Окт", "Ноя", "Дек"},
    {"Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август", "Сентябрь",
     "Октябрь", "Ноябрь", "Декабрь"},
};

const DateNames* gDateNames = &kDefaultNames;

}  // namespace

void SetRussianDateNames() { gDateNames = &kRussianNames; }

const DateNames& CurrentDateNames() { return *gDateNames; }

}  // namespace rts
