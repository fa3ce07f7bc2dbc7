// Numbers and dates as text, and the clock.
//
// Numbers: the decimal separator is ".".  Text to number accepts blanks
// around, a sign, digits, a fraction and an exponent, and nothing else.
// A number as text uses the general format: shortest form, at most 15
// significant digits, no trailing zeros ("0", "1", "0.5").
// Dates: day.month.year ("05.03.2003"); day and month of one or two digits;
// a two-digit year falls in the hundred years that begin fifty years before
// the current year.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rts {

// A failed conversion of text to a number or a date.  The message is UTF-8,
// for example "'1,5' не является числом".
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool TryTextToNumber(std::string_view text, double& value);
double TextToNumber(std::string_view text);  // throws EConvertError
std::string NumberToText(double value);      // general format

// The value rounded half away from zero to `decimals` decimals, as the
// patterns "0.000" (decimals 3) and "0.0" (decimals 1) show it: at least one
// digit before the point, no thousands separators, "-" for a negative value
// that does not round to zero.  Rounding works on the double's exact value,
// so 58.15 (stored as 58.1499...) gives "58.1" and 1234567.891 with three
// decimals "1234567.891".
std::string FormatFixed(double value, int decimals);

// The platform's text-to-integer rule: leading blanks, an optional sign and
// decimal digits, or a hexadecimal number after "$", "x", "X", "0x" or "0X";
// nothing may follow; the value must fit 32 bits.
bool TryTextToInt32(std::string_view text, int32_t& value);
// The same rule for decimal numbers only: leading blanks, an optional sign,
// decimal digits and nothing after them (the whole numbers of the
// substitution list).
bool TryDecimalTextToInt32(std::string_view text, int32_t& value);

// A calendar day.
struct Date {
  int year = 0, month = 0, day = 0;
  friend bool operator==(const Date&, const Date&) = default;
  friend auto operator<=>(const Date&, const Date&) = default;
};

bool IsValidDate(int year, int month, int day);
bool TryTextToDate(std::string_view text, Date& date);
Date TextToDate(std::string_view text);  // throws EConvertError
std::string DateToText(const Date& date);      // "05.03.2003"
std::string DateToYmd(const Date& date);       // "20030305" (dBASE D field)
bool TryYmdToDate(std::string_view ymd, Date& date);

// The clock.  Tests fix it with SetClock; an empty function restores the
// system clock.  Now() is local time in days since 30.12.1899 (the fraction
// is the time of day).
double Now();
Date Today();
void SetClock(std::function<double()> now);
double DateToDays(const Date& date);
Date DaysToDate(double days);

}  // namespace rts
