#include "Utils/Text1251.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace rts {

namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

constexpr char32_t CodePoint(unsigned b) {
  if (b < 0x80) return b;
  if (b < 0xC0) return kHigh[b - 0x80];
  return 0x0410 + (b - 0xC0);
}

// The UTF-8 form of every byte, precomputed: length and up to 3 bytes.
struct Utf8Form {
  uint8_t len;
  char bytes[3];
};

constexpr std::array<Utf8Form, 256> MakeUtf8Table() {
  std::array<Utf8Form, 256> t{};
  for (unsigned b = 0; b < 256; ++b) {
    const char32_t cp = CodePoint(b);
    if (cp < 0x80) {
      t[b] = {1, {static_cast<char>(cp), 0, 0}};
    } else if (cp < 0x800) {
      t[b] = {2, {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F)), 0}};
    } else {
      t[b] = {3,
              {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
               static_cast<char>(0x80 | (cp & 0x3F))}};
    }
  }
  return t;
}
constexpr std::array<Utf8Form, 256> kUtf8 = MakeUtf8Table();

// Code point -> byte for the bytes 0x80..0xBF, sorted by code point, so
// that a code point outside the Cyrillic block is found by binary search.
struct Reverse {
  char16_t cp;
  unsigned char byte;
};
constexpr std::array<Reverse, 63> MakeReverse() {
  std::array<Reverse, 63> r{};
  size_t n = 0;
  for (unsigned b = 0x80; b < 0xC0; ++b)
    if (kHigh[b - 0x80] != 0xFFFD) r[n++] = {kHigh[b - 0x80], static_cast<unsigned char>(b)};
  // insertion sort (constexpr friendly)
  for (size_t i = 1; i < r.size(); ++i)
    for (size_t j = i; j > 0 && r[j].cp < r[j - 1].cp; --j) {
      Reverse tmp = r[j];
      r[j] = r[j - 1];
      r[j - 1] = tmp;
    }
  return r;
}
constexpr std::array<Reverse, 63> kReverse = MakeReverse();

int UnicodeToByte(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(cp - 0x0410 + 0xC0);
  if (cp > 0xFFFF) return -1;
  auto it = std::lower_bound(kReverse.begin(), kReverse.end(), cp,
                             [](const Reverse& r, char32_t v) { return r.cp < v; });
  if (it != kReverse.end() && it->cp == cp) return it->byte;
  return -1;
}

// Case pairs of the code page beyond Latin and А-Я/а-я.
constexpr unsigned char kPairs[][2] = {
    {0xA8, 0xB8}, {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4}, {0xAA, 0xBA},
    {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};

struct CaseTables {
  unsigned char upper[256];
  unsigned char lower[256];
};

constexpr CaseTables MakeCaseTables() {
  CaseTables t{};
  for (unsigned c = 0; c < 256; ++c) t.upper[c] = t.lower[c] = static_cast<unsigned char>(c);
  for (unsigned c = 'a'; c <= 'z'; ++c) {
    t.upper[c] = static_cast<unsigned char>(c - 32);
    t.lower[c - 32] = static_cast<unsigned char>(c);
  }
  for (unsigned c = 0xE0; c <= 0xFF; ++c) {
    t.upper[c] = static_cast<unsigned char>(c - 32);
    t.lower[c - 32] = static_cast<unsigned char>(c);
  }
  for (const auto& p : kPairs) {
    t.upper[p[1]] = p[0];
    t.lower[p[0]] = p[1];
  }
  return t;
}
constexpr CaseTables kCase = MakeCaseTables();

}  // namespace

char32_t Cp1251ToUnicode(unsigned char byte) { return CodePoint(byte); }

std::string Cp1251ToUtf8(std::string_view bytes) {
  // Two passes over the tables: the exact length, then the bytes.
  size_t len = 0;
  for (char ch : bytes) len += kUtf8[static_cast<unsigned char>(ch)].len;
  if (len == bytes.size()) return std::string(bytes);  // plain ASCII
  std::string out(len, '\0');
  char* p = out.data();
  for (char ch : bytes) {
    const Utf8Form& f = kUtf8[static_cast<unsigned char>(ch)];
    p[0] = f.bytes[0];
    if (f.len > 1) {
      p[1] = f.bytes[1];
      if (f.len > 2) p[2] = f.bytes[2];
    }
    p += f.len;
  }
  return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b0 = static_cast<unsigned char>(utf8[i]);
    if (b0 < 0x80) {
      out.push_back(static_cast<char>(b0));
      ++i;
      continue;
    }
    // Decode one sequence; anything malformed costs one byte and gives "?".
    size_t len = 0;
    char32_t cp = 0, min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4, cp = b0 & 0x07, min = 0x10000;
    }
    bool ok = len != 0 && i + len <= n;
    for (size_t k = 1; ok && k < len; ++k) {
      const unsigned char bk = static_cast<unsigned char>(utf8[i + k]);
      if ((bk & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (bk & 0x3F);
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back('?');
      ++i;
      continue;
    }
    const int byte = UnicodeToByte(cp);
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    i += len;
  }
  return out;
}

unsigned char UpperChar1251(unsigned char c) { return kCase.upper[c]; }
unsigned char LowerChar1251(unsigned char c) { return kCase.lower[c]; }

std::string UpperCase1251(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(kCase.upper[static_cast<unsigned char>(c)]);
  return out;
}

std::string LowerCase1251(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(kCase.lower[static_cast<unsigned char>(c)]);
  return out;
}

bool SameText1251(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y && kCase.upper[x] != kCase.upper[y]) return false;
  }
  return true;
}

}  // namespace rts
