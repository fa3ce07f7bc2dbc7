// Numbers written into N fields: the shortcut for everyday values must give
// the same bytes as rounding the 15-significant-digit decimal form, which is
// what the writer promises (2.0005 with three decimals gives 2.001).
#include "tableaccess/DbfFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace rts::testing {
namespace {

// The promise spelled out with printf: the 15-digit form of |v|, rounded half
// up at `decimals`, a sign when anything but zeros is left.
std::string Expected(double v, int decimals) {
  char sci[40];
  std::snprintf(sci, sizeof sci, "%.14e", std::fabs(v));
  std::string digits = std::string(1, sci[0]) + std::string(sci + 2, 14);
  const int exponent = std::atoi(std::strchr(sci, 'e') + 1);
  // Digits placed so that the point sits after position `point`.
  int point = exponent + 1;
  if (v == 0) point = 1;
  if (point <= 0) {
    digits.insert(0, static_cast<size_t>(1 - point), '0');
    point = 1;
  }
  const size_t keep = static_cast<size_t>(point + decimals);
  if (digits.size() < keep + 1) digits.resize(keep + 1, '0');
  const bool up = digits[keep] >= '5';
  digits.resize(keep);
  if (up) {
    size_t k = keep;
    while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
    if (k == 0) {
      digits.insert(0, "1");
      ++point;
    } else {
      ++digits[k - 1];
    }
  }
  std::string whole = digits.substr(0, static_cast<size_t>(point));
  while (whole.size() > 1 && whole[0] == '0') whole.erase(0, 1);
  std::string text = whole;
  if (decimals > 0) text += "." + digits.substr(static_cast<size_t>(point));
  if (v < 0 && text.find_first_not_of("0.") != std::string::npos) text.insert(0, "-");
  return text;
}

std::string Encoded(double v, int decimals) {
  dbf::Field f{"N", 'N', 40, static_cast<uint8_t>(decimals), 1};
  std::string out(40, '?');
  dbf::EncodeField(f, dbf::Value{dbf::Value::Real, 0, v, {}}, out.data());
  return out.substr(out.find_first_not_of(' '));
}

TEST(NumberEncodingTest, RoundsLikeTheFifteenDigitForm) {
  struct Case {
    double v;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {2.0005, 3, "2.001"},  {1.005, 2, "1.01"},    {0.125, 2, "0.13"},      {-0.125, 2, "-0.13"},
      {-0.004, 2, "0.00"},   {-0.0, 5, "0.00000"},  {999999.5, 0, "1000000"}, {0.5, 0, "1"},
      {9.9999999, 5, "10.00000"}, {123.456, 0, "123"}, {1e-300, 3, "0.000"}, {12345678.12345, 5, "12345678.12345"},
  };
  for (const auto& c : cases) EXPECT_EQ(Encoded(c.v, c.decimals), c.text) << c.v << " / " << c.decimals;
}

TEST(NumberEncodingTest, ManyValuesAgreeWithPrintf) {
  std::mt19937_64 rng(42);
  std::uniform_int_distribution<int> dec(0, 8);
  for (int i = 0; i < 200000; ++i) {
    const int d = i % 50 == 0 ? 13 : dec(rng);
    double v = 0;
    switch (i % 4) {
      case 0:  // prices and quantities as typed: a few decimals
        v = static_cast<double>(rng() % 100000000000ull) / std::pow(10.0, static_cast<double>(rng() % 8));
        break;
      case 1:  // exactly half way at the field's decimals, as typed
        v = (static_cast<double>(rng() % 10000000) + 0.5) / std::pow(10.0, d);
        break;
      case 2:  // any magnitude
        v = std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 100) - 90);
        break;
      default:  // just under and over the shortcut's bound
        v = (1e12 + static_cast<double>(rng() % 2000) - 1000.0 + 0.5) / std::pow(10.0, d);
    }
    if (rng() & 1) v = -v;
    if (std::fabs(v) >= 1e30) continue;
    ASSERT_EQ(Encoded(v, d), Expected(v, d)) << "value " << v << " decimals " << d;
  }
}

}  // namespace
}  // namespace rts::testing
