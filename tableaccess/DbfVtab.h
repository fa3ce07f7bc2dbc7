// The SQLite virtual-table module "dbf": the rows of one dBASE III file.
//
//   CREATE VIRTUAL TABLE temp."NAME" USING dbf('/path/NAME.DBF')
//
// Columns are the file's fields, named as stored: C and D as text, N and F
// as numbers (integers when the field has no decimals), L as 0/1; blanks
// read as NULL except in C fields, which read "" for blanks.  The rowid is
// the record number (1-based); deleted records are not rows.  Writes go
// through DbfFile and are committed at the end of each statement.
//
// A Registry belongs to one connection and knows the tables attached to it,
// so that the query object can look at their files before every statement.
#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace rts::dbf {

struct Table;

// `s` as an SQL identifier in double quotes (a quote inside doubled).
std::string QuoteIdent(const std::string& s);

class Registry {
 public:
  // Registers the module "dbf" on `db`; the registry must outlive `db`.
  void Install(sqlite3* db);
  // Attaches the file `osPath` as the temp table `name`.  EDatabaseError
  // with the reason when the file is not a dBASE table.
  void Attach(sqlite3* db, const std::string& name, const std::string& osPath);
  // Looks at every attached file (see DbfFile::Refresh for `thorough`);
  // drops the tables whose file vanished, broke or changed its fields, so
  // that the next statement attaches the file anew.  True when a table was
  // dropped.
  bool RefreshAll(sqlite3* db, bool thorough = true);

  // Called by the module.
  void Add(Table* table);
  void Remove(Table* table);

 private:
  std::vector<Table*> tables_;
};

}  // namespace rts::dbf
