#include "Utils/Utils.h"

#include <gtest/gtest.h>

#include <string>

namespace rts {
namespace {

TEST(UtilsIntegers, ChooseAndBound) {
  EXPECT_EQ(WordMax(65535, 1), 65535);
  EXPECT_EQ(IntMin(-5, 3), -5);
  EXPECT_EQ(IntMax(-5, 3), 3);
  EXPECT_EQ(IfInt(true, 1, 2), 1);
  EXPECT_EQ(IfInt(false, 1, 2), 2);
  EXPECT_EQ(IfStr(false, "a", "b"), "b");
}

TEST(UtilsStrings, LastPos) {
  struct Case { const char* sub; const char* s; int want; };
  const Case cases[] = {
      {"\\", "C:\\DATA\\OUT.DBF", 8},
      {".", "OUT.DBF", 4},
      {"x", "OUT.DBF", 0},
      {"aa", "aaa", 2},  // overlapping occurrences
      {"", "abc", 0},
      {"abcd", "abc", 0},
      {"abc", "abc", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(LastPos(c.sub, c.s), c.want) << c.sub << " in " << c.s;
}

TEST(UtilsStrings, PosInSearchesOnlyTheGivenPart) {
  EXPECT_EQ(PosIn(";", "A;B;C", 3, 256), 4);
  EXPECT_EQ(PosIn(";", "A;B;C", 5, 256), 0);
  EXPECT_EQ(PosIn(";", "A;B;C", 0, 2), 2);    // start below 1 counts as 1
  EXPECT_EQ(PosIn(";", "A;B;C", 3, 1), 0);    // the part is "B" only
  EXPECT_EQ(PosIn("B;", "A;B;C", 3, 1), 0);   // match must lie wholly inside
  EXPECT_EQ(PosIn(";", "A;B;C", 9, 2), 0);
  EXPECT_EQ(PosIn(";", "A;B;C", 1, -1), 0);
}

TEST(UtilsStrings, CopyFrom) {
  struct Case { int from, count; const char* want; };
  const Case cases[] = {
      {3, 0, "CDEF"}, {3, 2, "CD"}, {7, 0, ""}, {7, 2, ""}, {0, 2, "AB"}, {-4, 0, "ABCDEF"},
      {5, 100, "EF"}, {2, -1, ""}, {6, 1, "F"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CopyFrom("ABCDEF", c.from, c.count), c.want) << c.from << "," << c.count;
  EXPECT_EQ(CopyFrom("", 1, 0), "");
}

TEST(UtilsStrings, ExtractField) {
  struct Case { std::string s; int n; std::string want; };
  const Case cases[] = {
      {"A B", 1, "A"}, {"A B", 2, "B"}, {"A B", 3, ""},
      {" A", 1, ""}, {" A", 2, "A"},
      {"A\t\tB", 2, ""}, {"A\t\tB", 3, "B"},
      {"A ", 2, ""},   // the delimiter before field 2 is the last character
      {"A B", 0, ""}, {"A B", -1, ""}, {"", 1, ""},
      {"abc", 1, "abc"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExtractField(c.s, FieldDelims, c.n), c.want) << "'" << c.s << "' field " << c.n;
  // Delimiters are a set of bytes, high ones included.
  const CharSet semicolon = MakeCharSet(";\xFF");
  EXPECT_EQ(ExtractField("x;\xC0\xFFz", semicolon, 2), "\xC0");
  EXPECT_EQ(ExtractField("x;\xC0\xFFz", semicolon, 3), "z");
  EXPECT_EQ(ExtractField("x y", semicolon, 1), "x y");
}

TEST(UtilsStrings, IsBlank) {
  EXPECT_TRUE(IsBlank(""));
  EXPECT_TRUE(IsBlank("\t"));
  EXPECT_TRUE(IsBlank("\r\n"));
  EXPECT_TRUE(IsBlank("   "));
  EXPECT_FALSE(IsBlank("0"));
  EXPECT_FALSE(IsBlank(" \v "));
  EXPECT_FALSE(IsBlank(std::string(" \0 ", 3)));
}

TEST(UtilsStrings, StripTrailingDigits) {
  EXPECT_EQ(StripTrailingDigits("ABC123"), "ABC");
  EXPECT_EQ(StripTrailingDigits("12AB34"), "12AB");
  EXPECT_EQ(StripTrailingDigits("123"), "");
  EXPECT_EQ(StripTrailingDigits(""), "");
  EXPECT_EQ(StripTrailingDigits("AB"), "AB");
}

TEST(UtilsStrings, ReplaceAndRepeat) {
  std::string date = "05/03/2003";
  ReplaceChar(date, '/', '.');
  EXPECT_EQ(date, "05.03.2003");
  ReplaceChar(date, '.', '.');
  EXPECT_EQ(date, "05.03.2003");
  EXPECT_EQ(RepeatChar('0', 5), "00000");
  EXPECT_EQ(RepeatChar('0', 0), "");
  EXPECT_EQ(RepeatChar('0', -3), "");
}

TEST(UtilsDateNames, RussianNamesInstalled) {
  SetRussianDateNames();
  const DateNames& names = CurrentDateNames();
  EXPECT_STREQ(names.shortDays[0], "Вск");
  EXPECT_STREQ(names.shortDays[6], "Сбт");
  EXPECT_STREQ(names.shortMonths[4], "Май");
  EXPECT_STREQ(names.shortMonths[11], "Дек");
  EXPECT_STREQ(names.longMonths[0], "Январь");
  EXPECT_STREQ(names.longMonths[8], "Сентябрь");
}

}  // namespace
}  // namespace rts
