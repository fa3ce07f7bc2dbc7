#include "Utils/Convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace rts {
namespace {

TEST(ConvertNumber, TextToNumberAcceptsOnlyTheNumberForm) {
  struct Case { const char* text; bool ok; double value; };
  const Case cases[] = {
      {"0", true, 0}, {"12.5", true, 12.5}, {"  -3.25\t", true, -3.25}, {"+7", true, 7},
      {"1e3", true, 1000}, {"1.5E-2", true, 0.015}, {"2e+2", true, 200}, {".5", true, 0.5},
      {"5.", true, 5}, {"-0", true, 0}, {"1e-400", true, 0}, {"-0.0001e-99999999999999", true, 0},
      {"123e-500", true, 0}, {"0.00e999", true, 0},
      {"", false, 0}, {"  ", false, 0}, {"abc", false, 0}, {"1,5", false, 0}, {"1.5.", false, 0},
      {"1e", false, 0}, {"e5", false, 0}, {".", false, 0}, {"+-1", false, 0}, {"1 2", false, 0},
      {"inf", false, 0}, {"nan", false, 0}, {"0x10", false, 0}, {"1e400", false, 0},
      {"12a", false, 0}, {"- 1", false, 0}, {"0.01e311", false, 0}, {"0.01e310", true, 1e308}, {"1e99999999999999", false, 0},
  };
  for (const auto& c : cases) {
    double v = -99;
    EXPECT_EQ(TryTextToNumber(c.text, v), c.ok) << "'" << c.text << "'";
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << "'" << c.text << "'";
    }
  }
}

TEST(ConvertNumber, TextToNumberThrowsWithTheTextQuoted) {
  EXPECT_DOUBLE_EQ(TextToNumber(" 42 "), 42);
  try {
    TextToNumber("1,5");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1,5' не является числом");
  }
  EXPECT_THROW(TextToNumber("abc"), EConvertError);
  // The text is report data (Windows-1251); the message is UTF-8.
  try {
    TextToNumber("\xF6\xE5\xED\xE0");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'цена' не является числом");
  }
}

TEST(ConvertNumber, NumberToTextGeneralFormat) {
  struct Case { double value; const char* want; };
  const Case cases[] = {
      {0, "0"}, {-0.0, "0"}, {1, "1"}, {0.5, "0.5"}, {-2.25, "-2.25"}, {100, "100"},
      {0.1 + 0.2, "0.3"},                     // 15 significant digits hide the binary noise
      {1234567.891, "1234567.891"}, {123456789012345.0, "123456789012345"},
      {1e15, "1E15"}, {1.5e20, "1.5E20"}, {0.0001, "0.0001"}, {0.00001, "1E-5"},
      {-1.25e-7, "-1.25E-7"}, {2.0 / 3.0, "0.666666666666667"}, {1e14 + 0.5, "100000000000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToText(c.value), c.want) << c.value;
  // The text reads back as the same number for values of 15 digits or fewer.
  for (double v : {3.14159, -1234.5678, 99999.99, 1e-3}) {
    double back = 0;
    ASSERT_TRUE(TryTextToNumber(NumberToText(v), back));
    EXPECT_DOUBLE_EQ(back, v);
  }
}

TEST(ConvertNumber, FormatFixedRoundsHalfAwayFromZero) {
  struct Case { double value; int decimals; const char* want; };
  const Case cases[] = {
      {12.3456, 3, "12.346"}, {1234567.891, 3, "1234567.891"},
      {-0.04, 1, "0.0"},      // rounds to zero: no minus sign
      {0.05, 1, "0.1"}, {-0.05, 1, "-0.1"}, {0.5, 0, "1"}, {2.5, 0, "3"}, {-2.5, 0, "-3"},
      {9.9999, 3, "10.000"}, {999.95, 1, "1000.0"}, {0, 3, "0.000"}, {0.0005, 3, "0.001"},
      {0.0004999, 3, "0.000"}, {7, 0, "7"}, {123, 2, "123.00"}, {1e-20, 2, "0.00"},
      {1e17, 1, "100000000000000000.0"},
      // The exact binary value decides: 2.0005 lies just above the half,
      // 1.45, 58.15 and 1.005 just below it.
      {2.0005, 3, "2.001"}, {-2.0005, 3, "-2.001"}, {1.45, 1, "1.4"}, {58.15, 1, "58.1"},
      {1.005, 2, "1.00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFixed(c.value, c.decimals), c.want) << c.value << " / " << c.decimals;
}

TEST(ConvertNumber, TextToInt32PlatformRule) {
  struct Case { const char* text; bool ok; int32_t value; };
  const Case cases[] = {
      {"0", true, 0}, {"123", true, 123}, {"  42", true, 42}, {"-17", true, -17}, {"+5", true, 5},
      {"007", true, 7}, {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN},
      {"$1F", true, 31}, {"x10", true, 16}, {"X10", true, 16}, {"0x1f", true, 31},
      {"0X1F", true, 31}, {"$FFFFFFFF", true, -1}, {"-$10", true, -16},
      {"", false, 0}, {"   ", false, 0}, {"-", false, 0}, {"$", false, 0}, {"0x", false, 0},
      {"12a", false, 0}, {"1.5", false, 0}, {"42 ", false, 0}, {"\t42", false, 0},
      {"2147483648", false, 0}, {"-2147483649", false, 0}, {"$100000000", false, 0},
      {"99999999999999999999", false, 0}, {"1e3", false, 0}, {"$G", false, 0}, {"- 1", false, 0},
  };
  for (const auto& c : cases) {
    int32_t v = -99;
    EXPECT_EQ(TryTextToInt32(c.text, v), c.ok) << "'" << c.text << "'";
    if (c.ok) {
      EXPECT_EQ(v, c.value) << "'" << c.text << "'";
    }
  }
}

class ConvertDate : public ::testing::Test {
 protected:
  // 15.06.2026 10:30
  void SetUp() override {
    const double now = DateToDays(Date{2026, 6, 15}) + 0.4375;
    SetClock([now] { return now; });
  }
  void TearDown() override { SetClock({}); }
};

TEST_F(ConvertDate, TextToDate) {
  struct Case { const char* text; bool ok; Date date; };
  const Case cases[] = {
      {"05.03.2003", true, {2003, 3, 5}}, {"5.3.2003", true, {2003, 3, 5}},
      {" 29.02.2004 ", true, {2004, 2, 29}}, {"31.12.1999", true, {1999, 12, 31}},
      {"05.03.03", true, {2003, 3, 5}},
      // the window of two-digit years is 1976 .. 2075 in 2026
      {"01.01.75", true, {2075, 1, 1}}, {"01.01.76", true, {1976, 1, 1}},
      {"01.01.99", true, {1999, 1, 1}}, {"01.01.00", true, {2000, 1, 1}},
      {"32.13.2003", false, {}}, {"29.02.2003", false, {}}, {"31.04.2003", false, {}},
      {"00.01.2003", false, {}}, {"", false, {}}, {"  .  .    ", false, {}}, {"05.03", false, {}},
      {"05/03/2003", false, {}}, {"005.03.2003", false, {}}, {"05.03.2003.", false, {}},
      {"05.03.20031", false, {}}, {"a5.03.2003", false, {}}, {"05..2003", false, {}},
  };
  for (const auto& c : cases) {
    Date d{};
    EXPECT_EQ(TryTextToDate(c.text, d), c.ok) << "'" << c.text << "'";
    if (c.ok) {
      EXPECT_EQ(d, c.date) << "'" << c.text << "'";
    }
  }
  try {
    TextToDate("32.13.2003");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'32.13.2003' не является датой");
  }
}

TEST_F(ConvertDate, TwoDigitYearWindowFollowsTheClock) {
  SetClock([] { return DateToDays(Date{2010, 1, 1}); });
  EXPECT_EQ(TextToDate("1.1.59"), (Date{2059, 1, 1}));
  EXPECT_EQ(TextToDate("1.1.60"), (Date{1960, 1, 1}));
}

TEST_F(ConvertDate, TextForms) {
  EXPECT_EQ(DateToText(Date{2003, 3, 5}), "05.03.2003");
  EXPECT_EQ(DateToYmd(Date{2003, 3, 5}), "20030305");
  Date d{};
  EXPECT_TRUE(TryYmdToDate("20040229", d));
  EXPECT_EQ(d, (Date{2004, 2, 29}));
  for (const char* bad : {"20030229", "        ", "2003035", "2003-3-5", "200303050", "20031301"})
    EXPECT_FALSE(TryYmdToDate(bad, d)) << bad;
}

TEST_F(ConvertDate, DaysAndClock) {
  EXPECT_DOUBLE_EQ(DateToDays(Date{1899, 12, 30}), 0);
  EXPECT_DOUBLE_EQ(DateToDays(Date{1900, 1, 1}), 2);
  EXPECT_DOUBLE_EQ(DateToDays(Date{2000, 1, 1}), 36526);
  EXPECT_EQ(DaysToDate(36526.99), (Date{2000, 1, 1}));
  EXPECT_EQ(DaysToDate(-1), (Date{1899, 12, 29}));
  for (int days = 0; days < 80000; days += 37)
    EXPECT_DOUBLE_EQ(DateToDays(DaysToDate(days)), days);
  EXPECT_EQ(Today(), (Date{2026, 6, 15}));
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_FALSE(IsValidDate(2003, 0, 1));
  // The system clock comes back when the fixed one is removed.
  SetClock({});
  EXPECT_GT(Today().year, 2020);
}

}  // namespace
}  // namespace rts
