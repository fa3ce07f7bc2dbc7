// Query objects over dBASE III files, with SQLite as the engine and our own
// virtual-table module "dbf" (one instance per file).
//
// A query carries a folder (DatabaseName; empty = the current folder),
// statement lines, macros (%M, replaced before each open or run; a macro
// never set reads "0=0") and parameters set by name.  A table named in a
// statement, bare or in double quotes, is the file of that name with the
// extension ".DBF" in the folder, matched without regard to letter case.
// Statements, names and values are Windows-1251 bytes; the folder is turned
// into a UTF-8 path only at the operating system.  Every engine failure is
// an EDatabaseError carrying the engine's message.
//
// Each query has its own engine connection, in which every file it names is
// one virtual table.  Records are always read from the file, and before
// every statement the query looks at its files, so a change made through
// another query or by another program is seen by the next statement.
// Values read: C fields as text without trailing blanks, N fields as
// numbers (FieldText gives "0", "12.5"), D fields as "YYYYMMDD", blank
// numbers and dates as NULL (""/0).  Values written: text padded, numbers
// right-aligned with their decimals, dates from a date parameter or from a
// text "YYYYMMDD" or "DD.MM.YYYY", NULL as blanks; a value that does not fit
// is refused with an EDatabaseError naming the field and the value.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Utils/Convert.h"

namespace rts {

// Every failure of the table engine.  The message is UTF-8.
class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The statement of `lines` (joined by line feeds) with its macros replaced:
// "%NAME" outside quotes (an even count of ' and " before it on its line),
// the name ending at the end of the line or at a space , ; ) . CR or LF;
// names match without regard to case; a macro not in `macros` reads "0=0".
std::string ExpandMacros(const std::vector<std::string>& lines,
                         const std::vector<std::pair<std::string, std::string>>& macros);

class TQuery {
 public:
  TQuery();
  ~TQuery();
  TQuery(const TQuery&) = delete;
  TQuery& operator=(const TQuery&) = delete;

  // Folder of the tables (Windows-1251); empty = the current folder.
  void SetDatabaseName(const std::string& folder);
  const std::string& DatabaseName() const;

  // Statement lines; a statement may span several lines.
  void SetSQL(std::vector<std::string> lines);
  void SetSQL(const std::string& statement);
  const std::vector<std::string>& SQL() const;

  void SetMacro(const std::string& name, const std::string& value);

  // Parameters by name (without the colon).
  void SetParamText(const std::string& name, const std::string& value);
  void SetParamNumber(const std::string& name, double value);
  void SetParamDate(const std::string& name, const Date& value);
  void SetParamNull(const std::string& name);

  // Open runs a statement with a result; the first row is then current.
  void Open();
  // ExecSQL runs a statement without a result.
  void ExecSQL();
  // Runs the statement whatever its kind: opens it when it has a result
  // (true), runs it otherwise (false).
  bool Execute();
  void Close();
  bool Active() const;

  bool Eof() const;
  void Next();
  // Number of rows of the open result.
  int RecordCount();

  // The fields of the open result: names as stored in the file.
  int FieldCount() const;
  std::vector<std::string> FieldNames() const;
  int FieldIndex(const std::string& name) const;  // -1 when absent (any case)
  // A field of the current row; on an empty result "" or 0.
  std::string FieldText(int index) const;
  std::string FieldText(const std::string& name) const;
  double FieldNumber(int index) const;
  double FieldNumber(const std::string& name) const;
  bool FieldIsNull(int index) const;

  // Live results, for the editable grid of a table.  OpenLive opens a
  // statement of the form "select COLUMNS from TABLE [where ...]" (one
  // table, no grouping) and keeps only the record number of each row: a row
  // is read from the file when it is visited, so a million-record table
  // opens quickly and is never copied.  RecordCount() is the number of rows;
  // Next/Eof walk the rows; MoveTo jumps to one.  The edits below write
  // through the engine at once, with its checks (a value that does not fit
  // its field raises EDatabaseError and changes nothing).
  void OpenLive();
  bool Live() const;
  // Makes row `row` (0-based) current; -1 or past the end leaves no row.
  void MoveTo(int row);
  int RecNo() const;  // the current row, -1 when none
  // Writes a field of the current row's record; "" writes blanks.
  void SetFieldText(int index, const std::string& value);
  void SetFieldNull(int index);
  // Appends a record of blanks to the table; it becomes the last, current row.
  void AppendRecord();
  // Deletes the current row's record; the row after it becomes current.
  void DeleteRecord();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace rts
