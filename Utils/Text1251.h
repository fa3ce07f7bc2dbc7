// Windows-1251 text: conversion at the borders and case folding.
//
// Data (report cells, list entries, table values, settings values, file
// names) stays Windows-1251 bytes in std::string.  It is converted only for
// display and input (to and from Unicode) and for file names handed to the
// operating system (to UTF-8).  Screen texts and messages are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace rts {

// The Unicode code point of one Windows-1251 byte (0x98, unassigned, maps to
// U+FFFD).
char32_t Cp1251ToUnicode(unsigned char byte);
// Windows-1251 bytes to UTF-8.
std::string Cp1251ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1251; a character without a Windows-1251 byte, or a
// malformed UTF-8 sequence, becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);
// The name the operating system knows a file by: Windows-1251 -> UTF-8.
inline std::string OsFileName(std::string_view name) { return Cp1251ToUtf8(name); }

// Case folding of Windows-1251 letters: Latin, Cyrillic (А-Я/а-я), Ё/ё and
// the other Cyrillic letters of the code page.  Other bytes are unchanged.
unsigned char UpperChar1251(unsigned char c);
unsigned char LowerChar1251(unsigned char c);
std::string UpperCase1251(std::string_view s);
std::string LowerCase1251(std::string_view s);
// Equality without regard to letter case.
bool SameText1251(std::string_view a, std::string_view b);

}  // namespace rts
