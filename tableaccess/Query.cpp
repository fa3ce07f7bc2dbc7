#include "tableaccess/Query.h"

#include "Utils/Text1251.h"
#include "tableaccess/DbfVtab.h"

#include <sqlite3.h>

#include <dirent.h>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace rts {

namespace {

// SQLite's messages carry names and values of the statement, and the
// module's messages those of the file: Windows-1251 both.
[[noreturn]] void Throw(const std::string& message) { throw EDatabaseError(Cp1251ToUtf8(message)); }

bool IsMacroEnd(char c) {
  return c == ' ' || c == ',' || c == ';' || c == ')' || c == '.' || c == '\r' || c == '\n';
}

struct Param {
  enum Kind { Text, Number, Date, Null } kind = Null;
  std::string name;
  std::string text;
  double number = 0;
  unsigned stamp = 0;  // changes with the value; 0 = never bound
};

}  // namespace

std::string ExpandMacros(const std::vector<std::string>& lines,
                         const std::vector<std::pair<std::string, std::string>>& macros) {
  auto value = [&macros](const std::string& name) -> std::string {
    for (const auto& [n, v] : macros)
      if (SameText1251(n, name)) return v;
    return "0=0";
  };
  std::string out;
  for (size_t l = 0; l < lines.size(); ++l) {
    if (l) out += '\n';
    const std::string& line = lines[l];
    int quotes = 0;
    for (size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '\'' || c == '"') ++quotes;
      if (c == '%' && quotes % 2 == 0) {
        size_t j = i + 1;
        while (j < line.size() && !IsMacroEnd(line[j])) ++j;
        if (j > i + 1) {
          out += value(line.substr(i + 1, j - i - 1));
          i = j - 1;
          continue;
        }
      }
      out += c;
    }
  }
  return out;
}

struct TQuery::Impl {
  std::string folder;
  std::vector<std::string> lines;
  std::vector<std::pair<std::string, std::string>> macros;
  std::vector<Param> params;
  unsigned paramsVersion = 0;
  unsigned lastStamp = 0;

  sqlite3* db = nullptr;
  dbf::Registry registry;

  // The statement of the last open or run, kept prepared while its text
  // stays the same.
  sqlite3_stmt* stmt = nullptr;
  std::string stmtText;
  std::vector<int> slots;  // bind index - 1 -> params index
  unsigned slotsVersion = ~0u;
  std::vector<unsigned> boundStamps;  // bind index - 1 -> stamp of the value bound to stmt

  bool active = false;
  bool eof = true;
  int recordCount = -1;
  std::vector<std::string> names;

  // Live results.
  bool live = false;
  std::string liveTable, liveColumns;
  std::vector<sqlite3_int64> rowids;
  int row = -1;
  std::vector<std::optional<std::string>> rowValues;
  std::vector<int> rowTypes;
  std::vector<std::string> originNames;  // table column of each field ("" = none)
  sqlite3_stmt* rowStmt = nullptr;

  ~Impl() { CloseDb(); }

  void CloseDb() {
    sqlite3_finalize(stmt);
    stmt = nullptr;
    sqlite3_finalize(rowStmt);
    rowStmt = nullptr;
    stmtText.clear();
    if (db) sqlite3_close_v2(db);
    db = nullptr;
  }

  void EnsureDb() {
    if (db) return;
    // No count of the engine's memory: it costs a global lock on every
    // allocation, several per statement.  Only possible before the engine
    // starts; later it is refused and changes nothing.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    (void)configured;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      std::string m = db ? sqlite3_errmsg(db) : "cannot start the engine";
      sqlite3_close(db);
      db = nullptr;
      Throw(m);
    }
    registry.Install(db);
    sqlite3_exec(db, "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
  }

  // Before every statement: a file changed by anyone since the last one is
  // read again; a table whose file vanished or changed its fields is
  // dropped, and the statements prepared over it with it.
  void CheckFiles(bool thorough = true) {
    EnsureDb();
    if (registry.RefreshAll(db, thorough)) {
      sqlite3_finalize(stmt);
      stmt = nullptr;
      stmtText.clear();
      sqlite3_finalize(rowStmt);
      rowStmt = nullptr;
    }
  }

  // ---- statement text ----

  // The expanded statement, kept until the lines or a macro change.
  mutable std::string expanded;
  mutable bool expandedValid = false;
  const std::string& Expand() const {
    if (!expandedValid) {
      expanded = ExpandMacros(lines, macros);
      expandedValid = true;
    }
    return expanded;
  }

  // ---- tables ----

  // The file NAME.DBF in the folder, any letter case; "" when none.
  std::string FindFile(const std::string& name) const {
    if (name.empty()) return {};
    std::string dir = folder.empty() ? std::string(".") : OsFileName(folder);
    if (dir[0] != '/') {
      char cwd[4096];
      if (getcwd(cwd, sizeof cwd)) dir = std::string(cwd) + (dir == "." ? "" : "/" + dir);
    }
    const std::string wanted = name + ".DBF";
    DIR* d = opendir(dir.c_str());
    if (!d) return {};
    std::string found;
    while (dirent* e = readdir(d)) {
      const std::string entry = e->d_name;
      const std::string entry1251 = Utf8ToCp1251(entry);
      if (!SameText1251(entry1251, wanted)) continue;
      const std::string path = dir + (dir.back() == '/' ? "" : "/") + entry;
      struct stat st {};
      if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      if (found.empty() || entry1251 == wanted) found = path;
    }
    closedir(d);
    return found;
  }

  void AttachNamed(std::string name) {
    for (const char* schema : {"main.", "temp."})
      if (name.rfind(schema, 0) == 0) name.erase(0, 5);
    const std::string path = FindFile(name);
    if (path.empty())
      Throw("no such table: " + name + " (no file " + name + ".DBF in the folder " +
            (folder.empty() ? std::string("current folder") : "'" + folder + "'") + ")");
    registry.Attach(db, name, path);
  }

  // Prepares `sql` and binds the query's parameters to it, once; the
  // statement is finalized when binding fails.
  sqlite3_stmt* PrepareBound(const std::string& sql) {
    sqlite3_stmt* st = Prepare(sql);
    std::vector<int> map;
    unsigned version = ~0u;
    try {
      Bind(st, map, version);
    } catch (...) {
      sqlite3_finalize(st);
      throw;
    }
    return st;
  }

  // Prepares `sql`, attaching every table it names from the folder.
  sqlite3_stmt* Prepare(const std::string& sql) {
    EnsureDb();
    for (int attempt = 0;; ++attempt) {
      sqlite3_stmt* st = nullptr;
      const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &st, nullptr);
      if (rc == SQLITE_OK) {
        if (!st) Throw("the statement is empty");
        return st;
      }
      const std::string message = sqlite3_errmsg(db);
      sqlite3_finalize(st);
      static const std::string kNoTable = "no such table: ";
      if (attempt < 64 && message.rfind(kNoTable, 0) == 0) {
        AttachNamed(message.substr(kNoTable.size()));
        continue;
      }
      Throw(message);
    }
  }

  // ---- parameters ----

  // Callers set the same parameters in the same order for every record:
  // the one after the last one set is looked at first.
  size_t lastParam = 0;
  // A parameter given a new value; false when it has that value already.
  bool Changed(Param& p, Param::Kind kind, const std::string* text, double number) {
    if (p.kind == kind && p.stamp != 0 &&
        (text ? p.text == *text : std::memcmp(&p.number, &number, sizeof number) == 0))
      return false;
    p.kind = kind;
    if (text) p.text = *text;
    p.number = number;
    p.stamp = ++lastStamp ? lastStamp : ++lastStamp;
    return true;
  }

  Param& ParamSlot(const std::string& name) {
    if (!params.empty()) {
      const size_t next = lastParam + 1 < params.size() ? lastParam + 1 : 0;
      if (params[next].name == name) return params[lastParam = next];
    }
    for (size_t k = 0; k < params.size(); ++k)
      if (SameText1251(params[k].name, name)) return params[lastParam = k];
    params.push_back(Param{Param::Null, name, {}, 0});
    ++paramsVersion;
    lastParam = params.size() - 1;
    return params.back();
  }

  // Texts are copied unless `borrow`: a statement run to its end within
  // one call may read the parameters where they are.  With `stamps` (the
  // kept statement) a value still bound as it was is not bound again.
  void Bind(sqlite3_stmt* st, std::vector<int>& map, unsigned& version, bool borrow = false,
            std::vector<unsigned>* stamps = nullptr) {
    const int n = sqlite3_bind_parameter_count(st);
    if (stamps && stamps->size() != static_cast<size_t>(n)) stamps->assign(static_cast<size_t>(n), 0);
    if (version != paramsVersion || static_cast<int>(map.size()) != n) {
      if (stamps) stamps->assign(static_cast<size_t>(n), 0);
      map.assign(static_cast<size_t>(n), -1);
      for (int i = 1; i <= n; ++i) {
        const char* name = sqlite3_bind_parameter_name(st, i);
        if (!name) continue;
        for (size_t k = 0; k < params.size(); ++k)
          if (SameText1251(params[k].name, name + 1)) {
            map[static_cast<size_t>(i - 1)] = static_cast<int>(k);
            break;
          }
      }
      version = paramsVersion;
    }
    for (int i = 1; i <= n; ++i) {
      const int k = map[static_cast<size_t>(i - 1)];
      if (k < 0) {
        const char* name = sqlite3_bind_parameter_name(st, i);
        Throw(std::string("no value for the parameter ") + (name ? name : "?"));
      }
      const Param& p = params[static_cast<size_t>(k)];
      if (stamps) {
        unsigned& bound = (*stamps)[static_cast<size_t>(i - 1)];
        // A text bound in place stays valid while its value is unchanged.
        if (bound != 0 && bound == p.stamp) continue;
        bound = p.stamp;
      }
      switch (p.kind) {
        case Param::Text:
        case Param::Date: {
          // Given as NUL-terminated when it is, so that the engine need not
          // copy the text to terminate it when the table reads it.
          const bool terminated = std::memchr(p.text.data(), '\0', p.text.size()) == nullptr;
          sqlite3_bind_text(st, i, p.text.c_str(), terminated ? -1 : static_cast<int>(p.text.size()),
                            borrow ? SQLITE_STATIC : SQLITE_TRANSIENT);
          break;
        }
        case Param::Number:
          sqlite3_bind_double(st, i, p.number);
          break;
        case Param::Null:
          sqlite3_bind_null(st, i);
          break;
      }
    }
  }

  // ---- running ----

  [[noreturn]] void Fail(sqlite3_stmt* st) {
    const std::string message = sqlite3_errmsg(db);
    sqlite3_reset(st);
    Throw(message);
  }

  void CloseResult() {
    if (stmt) sqlite3_reset(stmt);
    if (rowStmt) sqlite3_reset(rowStmt);
    active = false;
    eof = true;
    recordCount = -1;
    names.clear();
    live = false;
    rowids.clear();
    row = -1;
    rowValues.clear();
    rowTypes.clear();
    originNames.clear();
  }

  // Prepares (or reuses) the statement of `sql`, binds and takes its first step.
  int Start(const std::string& sql, bool wantResult) {
    CloseResult();
    // A write statement run again (the export's insert, once per record)
    // asks the open files; everything else looks the files up by name.
    CheckFiles(!(stmt && sql == stmtText && !sqlite3_stmt_readonly(stmt)));
    if (!stmt || sql != stmtText) {
      sqlite3_finalize(stmt);
      stmt = nullptr;
      stmtText.clear();
      stmt = Prepare(sql);
      stmtText = sql;
      slotsVersion = ~0u;
      boundStamps.clear();
    }
    sqlite3_reset(stmt);
    if (wantResult && sqlite3_column_count(stmt) == 0) Throw("the statement returns no result");
    Bind(stmt, slots, slotsVersion, !wantResult, &boundStamps);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail(stmt);
    return rc;
  }

  void ReadNames(sqlite3_stmt* st) {
    names.clear();
    originNames.clear();
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      const char* origin = sqlite3_column_origin_name(st, i);
      const char* name = sqlite3_column_name(st, i);
      names.push_back(origin ? origin : name ? name : "");
      originNames.push_back(origin ? origin : "");
    }
  }

  // ---- fields ----

  bool HasRow() const { return active && !eof && (!live || !rowValues.empty()); }

  std::string Text(int i) const {
    if (!HasRow() || i < 0 || i >= static_cast<int>(names.size())) return {};
    if (live) return rowValues[static_cast<size_t>(i)].value_or(std::string());
    return ColumnText(stmt, i);
  }

  static std::string ColumnText(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
      case SQLITE_NULL:
        return {};
      case SQLITE_INTEGER:
        return std::to_string(sqlite3_column_int64(st, i));
      case SQLITE_FLOAT:
        return NumberToText(sqlite3_column_double(st, i));
      default: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(st, i));
        return std::string(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(st, i)));
      }
    }
  }

  double Number(int i) const {
    if (!HasRow() || i < 0 || i >= static_cast<int>(names.size())) return 0;
    int type = live ? rowTypes[static_cast<size_t>(i)] : sqlite3_column_type(stmt, i);
    if (type == SQLITE_NULL) return 0;
    if (!live && (type == SQLITE_INTEGER || type == SQLITE_FLOAT)) return sqlite3_column_double(stmt, i);
    const std::string t = Text(i);
    if (IsBlankText(t)) return 0;
    return TextToNumber(t);
  }

  static bool IsBlankText(const std::string& t) { return t.find_first_not_of(" \t") == std::string::npos; }

  int Index(const std::string& name) const {
    for (size_t i = 0; i < names.size(); ++i)
      if (SameText1251(names[i], name)) return static_cast<int>(i);
    return -1;
  }

  // ---- live results ----

  void ReadRow() {
    rowValues.clear();
    rowTypes.clear();
    if (row < 0 || row >= static_cast<int>(rowids.size())) {
      row = row < 0 ? -1 : static_cast<int>(rowids.size());
      eof = true;
      return;
    }
    eof = false;
    CheckFiles();
    if (!rowStmt) rowStmt = Prepare("select " + liveColumns + " from " + liveTable + " where rowid=?");
    sqlite3_reset(rowStmt);
    sqlite3_bind_int64(rowStmt, 1, rowids[static_cast<size_t>(row)]);
    const int rc = sqlite3_step(rowStmt);
    if (rc == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(rowStmt); ++i) {
        const int type = sqlite3_column_type(rowStmt, i);
        rowTypes.push_back(type);
        if (type == SQLITE_NULL) rowValues.emplace_back();
        else rowValues.emplace_back(ColumnText(rowStmt, i));
      }
    } else if (rc == SQLITE_DONE) {
      // The record went away under us (deleted by someone else): empty fields.
      rowTypes.assign(names.size(), SQLITE_NULL);
      rowValues.assign(names.size(), std::nullopt);
    } else {
      Fail(rowStmt);
    }
    sqlite3_reset(rowStmt);
  }

  void RunOnce(const std::string& sql, const std::vector<std::optional<std::string>>& values,
               sqlite3_int64 rowid, bool bindRowid) {
    CheckFiles();
    sqlite3_stmt* st = Prepare(sql);
    int i = 1;
    for (const auto& v : values) {
      if (v) sqlite3_bind_text(st, i, v->data(), static_cast<int>(v->size()), SQLITE_TRANSIENT);
      else sqlite3_bind_null(st, i);
      ++i;
    }
    if (bindRowid) sqlite3_bind_int64(st, i, rowid);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
      const std::string message = sqlite3_errmsg(db);
      sqlite3_finalize(st);
      Throw(message);
    }
    sqlite3_finalize(st);
  }

  void SetField(int index, std::optional<std::string> value) {
    if (!live) Throw("the result is not open for editing");
    if (row < 0 || row >= static_cast<int>(rowids.size())) Throw("there is no current record");
    if (index < 0 || index >= static_cast<int>(originNames.size()) || originNames[static_cast<size_t>(index)].empty())
      Throw("field " + std::to_string(index) + " cannot be edited");
    if (value && IsBlankText(*value)) value.reset();
    RunOnce("update " + liveTable + " set " + dbf::QuoteIdent(originNames[static_cast<size_t>(index)]) +
                "=? where rowid=?",
            {value}, rowids[static_cast<size_t>(row)], true);
    ReadRow();
  }
};

TQuery::TQuery() : impl_(std::make_unique<Impl>()) {}
TQuery::~TQuery() = default;

void TQuery::SetDatabaseName(const std::string& folder) {
  if (folder == impl_->folder) return;
  Close();
  impl_->CloseDb();  // tables are attached from the folder they were found in
  impl_->folder = folder;
}
const std::string& TQuery::DatabaseName() const { return impl_->folder; }

void TQuery::SetSQL(std::vector<std::string> lines) {
  Close();
  impl_->lines = std::move(lines);
  impl_->expandedValid = false;
}
void TQuery::SetSQL(const std::string& statement) { SetSQL(std::vector<std::string>{statement}); }
const std::vector<std::string>& TQuery::SQL() const { return impl_->lines; }

void TQuery::SetMacro(const std::string& name, const std::string& value) {
  for (auto& [n, v] : impl_->macros)
    if (SameText1251(n, name)) {
      if (v != value) impl_->expandedValid = false;
      v = value;
      return;
    }
  impl_->macros.emplace_back(name, value);
  impl_->expandedValid = false;
}

void TQuery::SetParamText(const std::string& name, const std::string& value) {
  impl_->Changed(impl_->ParamSlot(name), Param::Text, &value, 0);
}
void TQuery::SetParamNumber(const std::string& name, double value) {
  impl_->Changed(impl_->ParamSlot(name), Param::Number, nullptr, value);
}
void TQuery::SetParamDate(const std::string& name, const Date& value) {
  Param& p = impl_->ParamSlot(name);
  // YYYYMMDD, as a D field stores it.
  char ymd[8];
  int v = value.year;
  for (int i = 3; i >= 0; --i, v /= 10) ymd[i] = static_cast<char>('0' + (v % 10 + 10) % 10);
  ymd[4] = static_cast<char>('0' + value.month / 10 % 10);
  ymd[5] = static_cast<char>('0' + value.month % 10);
  ymd[6] = static_cast<char>('0' + value.day / 10 % 10);
  ymd[7] = static_cast<char>('0' + value.day % 10);
  const std::string text(ymd, 8);
  impl_->Changed(p, Param::Date, &text, 0);
}
void TQuery::SetParamNull(const std::string& name) {
  impl_->Changed(impl_->ParamSlot(name), Param::Null, nullptr, 0);
}

void TQuery::Open() {
  Impl& d = *impl_;
  const int rc = d.Start(d.Expand(), true);
  d.ReadNames(d.stmt);
  d.active = true;
  d.eof = rc == SQLITE_DONE;
}

void TQuery::ExecSQL() {
  Impl& d = *impl_;
  int rc = d.Start(d.Expand(), false);
  while (rc == SQLITE_ROW) rc = sqlite3_step(d.stmt);
  if (rc != SQLITE_DONE) d.Fail(d.stmt);
  sqlite3_reset(d.stmt);
}

bool TQuery::Execute() {
  Impl& d = *impl_;
  const std::string sql = d.Expand();
  d.CloseResult();
  d.CheckFiles();
  sqlite3_stmt* st = d.Prepare(sql);
  const bool result = sqlite3_column_count(st) > 0;
  sqlite3_finalize(st);
  if (result) Open();
  else ExecSQL();
  return result;
}

void TQuery::Close() { impl_->CloseResult(); }
bool TQuery::Active() const { return impl_->active; }
bool TQuery::Eof() const { return !impl_->active || impl_->eof; }

void TQuery::Next() {
  Impl& d = *impl_;
  if (!d.active || d.eof) return;
  if (d.live) {
    ++d.row;
    d.ReadRow();
    return;
  }
  const int rc = sqlite3_step(d.stmt);
  if (rc == SQLITE_DONE) d.eof = true;
  else if (rc != SQLITE_ROW) {
    d.eof = true;
    d.Fail(d.stmt);
  }
}

int TQuery::RecordCount() {
  Impl& d = *impl_;
  if (!d.active) return 0;
  if (d.live) return static_cast<int>(d.rowids.size());
  if (d.recordCount < 0) {
    // Counted by a second run of the statement, so that no result is copied.
    std::string sql = d.stmtText;
    while (!sql.empty() && (sql.back() == ';' || sql.back() == ' ' || sql.back() == '\n' || sql.back() == '\r'))
      sql.pop_back();
    sqlite3_stmt* st = d.PrepareBound("select count(*) from (" + sql + "\n)");
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW) {
      const std::string message = sqlite3_errmsg(d.db);
      sqlite3_finalize(st);
      Throw(message);
    }
    d.recordCount = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
  }
  return d.recordCount;
}

int TQuery::FieldCount() const { return static_cast<int>(impl_->names.size()); }
std::vector<std::string> TQuery::FieldNames() const { return impl_->names; }
int TQuery::FieldIndex(const std::string& name) const { return impl_->Index(name); }
std::string TQuery::FieldText(int index) const { return impl_->Text(index); }
std::string TQuery::FieldText(const std::string& name) const {
  const int i = impl_->Index(name);
  if (i < 0 && impl_->active) Throw("field " + name + " not found");
  return impl_->Text(i);
}
double TQuery::FieldNumber(int index) const { return impl_->Number(index); }
double TQuery::FieldNumber(const std::string& name) const {
  const int i = impl_->Index(name);
  if (i < 0 && impl_->active) Throw("field " + name + " not found");
  return impl_->Number(i);
}
bool TQuery::FieldIsNull(int index) const {
  const Impl& d = *impl_;
  if (!d.HasRow() || index < 0 || index >= static_cast<int>(d.names.size())) return true;
  if (d.live) return !d.rowValues[static_cast<size_t>(index)].has_value();
  return sqlite3_column_type(d.stmt, index) == SQLITE_NULL;
}

void TQuery::OpenLive() {
  Impl& d = *impl_;
  Close();
  const std::string sql = d.Expand();
  // select COLUMNS from TABLE [the rest]
  static const std::regex shape(
      R"re(^\s*select\s+([\s\S]+?)\s+from\s+("(?:[^"]|"")+"|[^\s,;()"]+)([\s\S]*)$)re", std::regex::icase);
  static const std::regex forbidden(R"(^\s*,|\b(group|join|union|having|limit)\b)", std::regex::icase);
  std::smatch m;
  if (!std::regex_match(sql, m, shape) || std::regex_search(m[3].first, m[3].second, forbidden) ||
      std::regex_search(m[1].first, m[1].second, std::regex(R"(\b(distinct|count|sum|min|max|avg)\b)", std::regex::icase)))
    Throw("a result open for editing needs a select of columns from one table");
  d.liveColumns = m[1];
  d.liveTable = m[2];
  std::string rest = m[3];
  while (!rest.empty() && (rest.back() == ';' || rest.back() == ' ' || rest.back() == '\n')) rest.pop_back();
  sqlite3_finalize(d.rowStmt);
  d.rowStmt = nullptr;
  d.CheckFiles();
  // The record number of every row, nothing more.
  sqlite3_stmt* st = d.PrepareBound("select rowid from " + d.liveTable + " " + rest);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) d.rowids.push_back(sqlite3_column_int64(st, 0));
  if (rc != SQLITE_DONE) {
    const std::string message = sqlite3_errmsg(d.db);
    sqlite3_finalize(st);
    d.rowids.clear();
    Throw(message);
  }
  sqlite3_finalize(st);
  d.rowStmt = d.Prepare("select " + d.liveColumns + " from " + d.liveTable + " where rowid=?");
  d.ReadNames(d.rowStmt);
  d.live = true;
  d.active = true;
  d.row = 0;
  d.ReadRow();
}

bool TQuery::Live() const { return impl_->live; }

void TQuery::MoveTo(int row) {
  Impl& d = *impl_;
  if (!d.live) Throw("the result is not open for editing");
  d.row = row;
  d.ReadRow();
}

int TQuery::RecNo() const {
  const Impl& d = *impl_;
  return d.live && d.row >= 0 && d.row < static_cast<int>(d.rowids.size()) ? d.row : -1;
}

void TQuery::SetFieldText(int index, const std::string& value) { impl_->SetField(index, value); }
void TQuery::SetFieldNull(int index) { impl_->SetField(index, std::nullopt); }

void TQuery::AppendRecord() {
  Impl& d = *impl_;
  if (!d.live) Throw("the result is not open for editing");
  d.RunOnce("insert into " + d.liveTable + " default values", {}, 0, false);
  d.rowids.push_back(sqlite3_last_insert_rowid(d.db));
  d.row = static_cast<int>(d.rowids.size()) - 1;
  d.ReadRow();
}

void TQuery::DeleteRecord() {
  Impl& d = *impl_;
  if (!d.live) Throw("the result is not open for editing");
  if (d.row < 0 || d.row >= static_cast<int>(d.rowids.size())) Throw("there is no current record");
  d.RunOnce("delete from " + d.liveTable + " where rowid=?", {}, d.rowids[static_cast<size_t>(d.row)], true);
  d.rowids.erase(d.rowids.begin() + d.row);
  d.ReadRow();
}

}  // namespace rts
