#include "Utils/Text1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace rts {
namespace {

// The C library's own CP1251 converter is the reference for every byte.
std::string IconvToUtf8(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* inp = in;
  char* outp = out;
  size_t inLeft = 1, outLeft = sizeof out;
  const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return {};
  return std::string(out, sizeof out - outLeft);
}

TEST(Text1251, EveryByteMatchesTheCodePageAndRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(byte);
    if (b == 0x98) {
      EXPECT_EQ(Cp1251ToUnicode(0x98), U'\uFFFD');
      EXPECT_EQ(utf8, "\xEF\xBF\xBD");
      EXPECT_EQ(Utf8ToCp1251(utf8), "?");
      continue;
    }
    const std::string want = IconvToUtf8(static_cast<unsigned char>(b));
    EXPECT_EQ(utf8, want) << "byte " << b;
    EXPECT_EQ(Utf8ToCp1251(utf8), byte) << "byte " << b;
  }
  EXPECT_EQ(Cp1251ToUnicode(0xC0), U'А');
  EXPECT_EQ(Cp1251ToUnicode(0xB9), U'№');
}

TEST(Text1251, Utf8WithoutACodePageByteBecomesQuestionMark) {
  EXPECT_EQ(Utf8ToCp1251("Цена €"), "\xD6\xE5\xED\xE0 \x88");
  struct Case { std::string in, want; };
  const Case cases[] = {
      {"a\xE4\xB8\xAD" "b", "a?b"},           // CJK character, no byte
      {"\xF0\x9F\x98\x80", "?"},               // outside the BMP
      {"\xC3\xA9", "?"},                       // é is not in the code page
      {"\x80" "x", "?x"},                      // stray continuation byte
      {"\xD0", "?"},                           // sequence cut at the end
      {"\xD0" "A", "?A"},                      // bad continuation
      {"\xC0\x80", "??"},                      // overlong NUL
      {"\xED\xA0\x80", "???"},                 // surrogate
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1251(c.in), c.want) << c.in;
}

TEST(Text1251, CaseFolding) {
  // Latin, А-Я, Ё and the other Cyrillic letters of the code page.
  const std::string upper = Utf8ToCp1251("ABCZ АБВЯ Ё ЂЃЉЊЌЋЏЎЈҐЄЇІЅ 1,;№");
  const std::string lower = Utf8ToCp1251("abcz абвя ё ђѓљњќћџўјґєїіѕ 1,;№");
  ASSERT_EQ(upper.find('?'), std::string::npos);
  ASSERT_EQ(lower.find('?'), std::string::npos);
  EXPECT_EQ(UpperCase1251(lower), upper);
  EXPECT_EQ(LowerCase1251(upper), lower);
  EXPECT_TRUE(SameText1251(upper, lower));
  EXPECT_EQ(UpperChar1251(0xB5), 0xB5);  // µ has no capital here
  EXPECT_EQ(UpperChar1251(0xFF), 0xDF);  // я
  EXPECT_EQ(LowerChar1251(0xA8), 0xB8);  // Ё
  // Every byte: upper and lower are inverse on letters and fixed elsewhere.
  for (int c = 0; c < 256; ++c) {
    const unsigned char u = UpperChar1251(static_cast<unsigned char>(c));
    const unsigned char l = LowerChar1251(static_cast<unsigned char>(c));
    EXPECT_TRUE(u == c || l == c) << c;
    if (u != c) {
      EXPECT_EQ(LowerChar1251(u), c) << c;
    }
    if (l != c) {
      EXPECT_EQ(UpperChar1251(l), c) << c;
    }
  }
}

TEST(Text1251, SameText) {
  EXPECT_TRUE(SameText1251("", ""));
  EXPECT_TRUE(SameText1251("Client1", "CLIENT1"));
  EXPECT_FALSE(SameText1251("abc", "abcd"));
  EXPECT_FALSE(SameText1251("\xC5", "\xB8"));  // Е and ё are different letters
  EXPECT_FALSE(SameText1251("[", "{"));        // not letters: no folding by 32
  EXPECT_FALSE(SameText1251("\xA0", "\x80"));
}

}  // namespace
}  // namespace rts
