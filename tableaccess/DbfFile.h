// DbfFile: the records of one dBASE III table file, read and written.
//
// This is the file side of the "dbf" virtual table and knows nothing of SQL.
// It checks the header when it opens the file and whenever the file has
// changed on disk (Refresh), reads records in blocks, encodes values into
// fields with the dBASE rules (text padded with blanks, numbers
// right-aligned with their decimals, dates as YYYYMMDD, NULL as blanks) and
// refuses a value that does not fit.  Appends and deletions are buffered
// until Commit, which writes the records, the 0x1A end mark and the true
// record count in the header; a table whose records are all deleted is cut
// back to its header.  Every failure is an EDatabaseError whose message is
// still Windows-1251 (names and values as stored); the query object turns
// it into UTF-8 with the rest of the engine's messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace rts::dbf {

struct Field {
  std::string name;  // as stored (bytes before the first NUL)
  char type = 'C';
  uint8_t width = 0;
  uint8_t decimals = 0;
  uint32_t offset = 0;  // in the record; the deletion flag is byte 0
  friend bool operator==(const Field&, const Field&) = default;
};

// A value handed to the writer.
struct Value {
  enum Kind { Null, Integer, Real, Text } kind = Null;
  int64_t integer = 0;
  double real = 0;
  std::string_view text;
};

// Encodes `v` into the field's `width` bytes at `out`; throws EDatabaseError
// naming the field and the value when it does not fit.
void EncodeField(const Field& field, const Value& v, char* out);

class DbfFile {
 public:
  // Opens the file at `osPath` (UTF-8) and checks its header.  `name` is
  // the table name used in messages.
  DbfFile(std::string osPath, std::string name);
  ~DbfFile();
  DbfFile(const DbfFile&) = delete;
  DbfFile& operator=(const DbfFile&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Path() const { return path_; }
  const std::vector<Field>& Fields() const { return fields_; }
  uint32_t RecordLength() const { return recordLength_; }
  // Records in the file plus the appends not yet committed.
  uint64_t RecordCount() const { return count_ + appended_; }

  // Looks at the file on disk; when it changed since it was last seen the
  // header is read and checked again.  Returns true when the field layout
  // changed (the SQL side then has to declare the table anew).  Thorough
  // looks the file up by name and compares identity, size and times, so a
  // file replaced under the same name or rewritten in place is seen.  The
  // quick look asks the open file for identity, size and links only: it
  // sees appends, cuts, removal and replacement, but not a rewrite of the
  // same size in place (records are read from disk anyway; only a field
  // renamed in place by another program would go unseen until the next
  // thorough look).
  bool Refresh(bool thorough = true);

  // Copies up to `n` whole records from record `first` into `out`
  // (n * RecordLength() bytes); returns how many were copied.
  uint64_t Read(uint64_t first, uint64_t n, char* out);

  // A blank record (flag byte ' ', every field blanks).
  std::string BlankRecord() const;
  // Buffers a new record (RecordLength() bytes, flag included).
  void Append(const char* record);
  // Writes record `index` (0-based) at once.
  void Overwrite(uint64_t index, const char* record);
  // Flags record `index` deleted at Commit.
  void Delete(uint64_t index);
  // Writes what is buffered and the header; Rollback forgets it.
  void Commit();
  void Rollback();

 private:
  void OpenFile();
  void LoadHeader();
  [[noreturn]] void Fail(const std::string& what) const;
  void WriteAt(uint64_t offset, const char* data, size_t size);
  void RememberState();

  std::string path_, name_;
  int fd_ = -1;
  bool readOnly_ = false;
  struct stat seen_ {};
  std::vector<Field> fields_;
  uint32_t headerLength_ = 0, recordLength_ = 0;
  uint64_t count_ = 0;     // records the header counts
  uint64_t appended_ = 0;  // records in appendBuf_
  std::string appendBuf_;
  std::vector<uint64_t> deleted_;  // pending deletions
  long long dateTime_ = -1;        // the second date_ was taken at
  unsigned char date_[3] = {};     // YY MM DD of the last update
};

}  // namespace rts::dbf
