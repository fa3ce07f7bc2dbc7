// The writer of new dBASE III table files: a header with field descriptors
// and no records.  Rows are added afterwards through the table engine.
//
// Use: construct; AddField once per field in table order; set FileName;
// CreateTable; destroy.  CreateTable reports a failure only by its result.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rts {

// One field descriptor, as written into the header (32 bytes).
class TDBFField {
 public:
  TDBFField(const std::string& name, char fieldType, uint8_t width, uint8_t decimals);

  uint8_t Name[11] = {};     // upper-cased, zero-padded
  char FieldType = 'C';      // C, N, L or D
  uint32_t Offset = 0;       // position in the record; 1 for the first field
  uint8_t Width = 0;
  uint8_t Decimals = 0;
  uint8_t Reserved[14] = {};
};

class TDBF {
 public:
  TDBF();

  std::string FileName;  // path (Windows-1251) of the file to create
  uint8_t Version = 0x03;
  uint8_t LastUpdate[3] = {0x5F, 0x0C, 0x1C};  // 95-12-28, never changed
  uint32_t RecordCount = 0;
  uint16_t HeaderLength = 0;
  uint16_t RecordLength = 0;
  uint8_t Reserved[20] = {};
  std::vector<std::unique_ptr<TDBFField>> Fields;

  // Appends a field; false (and nothing appended) when the type letter,
  // upper-cased, is not one of C, N, L, D.  ASCII letters of the name are
  // upper-cased; a name longer than 11 bytes is refused with false.
  bool AddField(const std::string& name, char fieldType, uint8_t width, uint8_t decimals);
  // HeaderLength, RecordLength and every Offset from Fields.
  void CalcLengths();
  // Writes the file (replacing one of that name): header, descriptors,
  // 0x0D; no records, no 0x1A.  True when every file operation succeeded.
  bool CreateTable();
};

}  // namespace rts
