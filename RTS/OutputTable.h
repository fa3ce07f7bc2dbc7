// The output trade table: the dBASE III file handed to the settlement side,
// one record per exported trade.
//
// This header fixes its twelve fields, how a table is addressed from the
// output file name, the statements that run on it and the test by which an
// existing file is accepted as an output table.  The export creates the
// table with CreateOutputTable, empties it with the format test and the
// emptying statement, and inserts with InsOutSQL; the view shows ViewOutSQL.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rts {

class TQuery;

struct OutputField {
  const char* name;
  char type;  // C, N or D
  uint8_t width;
  uint8_t decimals;
};

// The fields in file order: header length 417, record length 171.
extern const std::array<OutputField, 12> OutputTableFields;

// Path, folder and table name derived from the output file name.
//   path:      the name; when it starts with a double quote, the text after
//              that quote cut to 256 characters, less its last character.
//   directory: the path before its last "/" ("" without one: the current
//              folder; "/" for a file in the root folder).
//   tableName: the file part before its last "." ("" when it has none).
struct OutputTablePath {
  std::string path;
  std::string directory;
  std::string tableName;
};
OutputTablePath DeriveOutputTablePath(const std::string& outFileName);

// Writes a new, empty output table at `path` (replacing any file there).
// The result is the writer's: false when a file operation failed.
bool CreateOutputTable(const std::string& path);

// The view's statement (opened live; the macro M is the table name).
extern const char* const ViewOutSQL;
// The insert's three lines; parameters CLIENTID, TICKER, SDEL, BROCID, VAL
// text, OPERTYPE, PRICE, QTY number, DATE date (fills DATES).
extern const std::vector<std::string> InsOutSQL;
// "select * from \"NAME\"" and "delete from \"NAME\"".
std::string SelectAllStatement(const std::string& tableName);
std::string DeleteAllStatement(const std::string& tableName);

// The format test: opens SelectAllStatement(tableName) on `query` (whose
// DatabaseName the caller has set), compares the names of the first twelve
// fields with those above (exactly, letter case respected; more fields are
// allowed), closes the query and gives the verdict.  Engine failures
// propagate as EDatabaseError.  The caller shows
// "Файл не соответствует  формату!" when the result is false.
bool HasOutputTableFormat(TQuery& query, const std::string& tableName);

// Runs the emptying statement on `query`.  EDatabaseError on failure.
void EmptyOutputTable(TQuery& query, const std::string& tableName);

}  // namespace rts
