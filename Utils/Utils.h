// String and integer helpers used all over the tool.
//
// Strings are single-byte (Windows-1251) text in std::string.  Positions are
// 1-based and 0 means "not found", because callers do arithmetic on them.
// Copying a part of a string follows one rule everywhere: a start below 1
// counts as 1, a start beyond the end or a negative count gives "", and a
// count that runs past the end is cut at the end.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

namespace rts {

// A set of 8-bit characters (the delimiters of ExtractField).
using CharSet = std::bitset<256>;
CharSet MakeCharSet(std::string_view members);

// Tab and space: the token delimiters of a trade report line.
extern const CharSet FieldDelims;
// Tab, LF, CR and space: the characters IsBlank accepts.
extern const CharSet BlankChars;

uint16_t WordMax(uint16_t a, uint16_t b);
int32_t IntMin(int32_t a, int32_t b);
int32_t IntMax(int32_t a, int32_t b);
int32_t IfInt(bool flag, int32_t a, int32_t b);
std::string IfStr(bool flag, const std::string& a, const std::string& b);

// Position of the last occurrence of sub in s (occurrences may overlap:
// LastPos("aa", "aaa") == 2); 0 when there is none or sub is empty.
int LastPos(std::string_view sub, std::string_view s);
// Every `from` in s becomes `to` (nothing happens when they are equal).
void ReplaceChar(std::string& s, char from, char to);
// n copies of ch; "" for n <= 0.
std::string RepeatChar(char ch, int n);
// First occurrence of sub within the part of s that starts at `from` and is
// `count` characters long, as a position in s; 0 when there is none.
int PosIn(std::string_view sub, std::string_view s, int from, int count);
// The part of s from `from`, `count` characters long; count 0 = to the end.
std::string CopyFrom(std::string_view s, int from, int count);
// True when every character of s is a tab, LF, CR or space ("" included).
bool IsBlank(std::string_view s);
// The n-th (1-based) field of s: fields are the runs between single
// delimiter characters, so two adjacent delimiters enclose an empty field.
// Returns a view into s; "" when s has fewer fields or n <= 0.
std::string_view ExtractField(std::string_view s, const CharSet& delims, int n);
// s without the decimal digits at its end.
std::string StripTrailingDigits(std::string_view s);

// Day and month names shown by the date field's calendar and the date
// routines.  Index 0 of the day tables is Sunday.  Texts are UTF-8.
struct DateNames {
  const char* shortDays[7];
  const char* shortMonths[12];
  const char* longMonths[12];
};
// Installs the Russian names ("Вск", "Пнд", ...; "Янв", ...; "Январь", ...).
void SetRussianDateNames();
// The names installed (Russian once SetRussianDateNames has run).
const DateNames& CurrentDateNames();

}  // namespace rts
