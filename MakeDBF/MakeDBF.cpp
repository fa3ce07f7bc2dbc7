#include "MakeDBF/MakeDBF.h"

#include "Utils/Text1251.h"

#include <cstdio>
#include <cstring>

namespace rts {

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

void PutLE(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

TDBFField::TDBFField(const std::string& name, char fieldType, uint8_t width, uint8_t decimals)
    : FieldType(fieldType), Width(width), Decimals(decimals) {
  for (size_t i = 0; i < name.size() && i < sizeof Name; ++i)
    Name[i] = static_cast<uint8_t>(AsciiUpper(name[i]));
}

TDBF::TDBF() = default;

bool TDBF::AddField(const std::string& name, char fieldType, uint8_t width, uint8_t decimals) {
  const char type = AsciiUpper(fieldType);
  if (type != 'C' && type != 'N' && type != 'L' && type != 'D') return false;
  if (name.size() > sizeof TDBFField::Name) return false;  // would not fit its area
  Fields.push_back(std::make_unique<TDBFField>(name, type, width, decimals));
  return true;
}

void TDBF::CalcLengths() {
  uint32_t offset = 1;
  for (auto& f : Fields) {
    f->Offset = offset;
    offset += f->Width;
  }
  HeaderLength = static_cast<uint16_t>(32 * Fields.size() + 33);
  RecordLength = static_cast<uint16_t>(offset);
}

bool TDBF::CreateTable() {
  CalcLengths();
  std::string bytes(32, '\0');
  auto* h = reinterpret_cast<uint8_t*>(bytes.data());
  h[0] = Version;
  std::memcpy(h + 1, LastUpdate, 3);
  PutLE(h + 4, RecordCount, 4);
  PutLE(h + 8, HeaderLength, 2);
  PutLE(h + 10, RecordLength, 2);
  std::memcpy(h + 12, Reserved, 20);
  for (const auto& f : Fields) {
    uint8_t d[32];
    std::memcpy(d, f->Name, 11);
    d[11] = static_cast<uint8_t>(f->FieldType);
    PutLE(d + 12, f->Offset, 4);
    d[16] = f->Width;
    d[17] = f->Decimals;
    std::memcpy(d + 18, f->Reserved, 14);
    bytes.append(reinterpret_cast<const char*>(d), 32);
  }
  bytes.push_back('\x0D');

  // Every step runs even after a failure; the result tells.
  bool ok = true;
  std::FILE* file = std::fopen(OsFileName(FileName).c_str(), "wb");
  if (!file) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) ok = false;
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

}  // namespace rts
