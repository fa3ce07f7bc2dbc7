// The "dbf" virtual-table module: SQL glue over DbfFile.
#include "tableaccess/DbfVtab.h"

#include "Utils/Text1251.h"
#include "tableaccess/DbfFile.h"
#include "tableaccess/Query.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>

namespace rts::dbf {

struct Table {
  sqlite3_vtab base;  // must come first
  Registry* registry = nullptr;
  std::string name;   // as declared to SQLite
  std::unique_ptr<DbfFile> file;
};

namespace {

constexpr uint64_t kBlockBytes = 1u << 20;

struct Cursor {
  sqlite3_vtab_cursor base;  // must come first
  Table* table = nullptr;
  std::string buf;         // a block of records
  uint64_t bufFirst = 0;   // record number of buf's first record
  uint64_t bufCount = 0;   // records in buf
  uint64_t index = 0;      // current record
  uint64_t end = 0;        // records visible to this scan
  const char* rec = nullptr;
  bool eof = true;
  bool broken = false;     // the file was cut while being read
};

Table* AsTable(sqlite3_vtab* v) { return reinterpret_cast<Table*>(v); }
Cursor* AsCursor(sqlite3_vtab_cursor* c) { return reinterpret_cast<Cursor*>(c); }

// Puts `message` into the table's error slot; SQLite reports it.
int SetError(sqlite3_vtab* v, const char* message) {
  sqlite3_free(v->zErrMsg);
  v->zErrMsg = sqlite3_mprintf("%s", message);
  return SQLITE_ERROR;
}

std::string Unquote(const char* arg) {
  std::string s(arg);
  if (s.size() >= 2 && (s.front() == '\'' || s.front() == '"') && s.back() == s.front()) {
    const char q = s.front();
    std::string out;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
      out += s[i];
      if (s[i] == q && s[i + 1] == q) ++i;
    }
    return out;
  }
  return s;
}

const char* SqlType(const Field& f) {
  switch (f.type) {
    case 'N':
    case 'F':
      return f.decimals == 0 && f.type == 'N' ? "INTEGER" : "REAL";
    case 'L':
      return "INTEGER";
    default:
      return "TEXT";
  }
}

std::string QuoteIdent(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

// xCreate/xConnect: opens the file named by the module argument and
// declares its fields as columns.
int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** err) {
  if (argc < 4) {
    *err = sqlite3_mprintf("dbf: the file name is missing");
    return SQLITE_ERROR;
  }
  auto table = std::make_unique<Table>();
  std::memset(&table->base, 0, sizeof table->base);
  table->registry = static_cast<Registry*>(aux);
  table->name = argv[2];
  try {
    table->file = std::make_unique<DbfFile>(Unquote(argv[3]), table->name);
  } catch (const std::exception& e) {
    *err = sqlite3_mprintf("%s", e.what());
    return SQLITE_ERROR;
  }
  std::string ddl = "CREATE TABLE x(";
  const auto& fields = table->file->Fields();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) ddl += ", ";
    ddl += QuoteIdent(fields[i].name) + " " + SqlType(fields[i]);
  }
  ddl += ")";
  const int rc = sqlite3_declare_vtab(db, ddl.c_str());
  if (rc != SQLITE_OK) {
    *err = sqlite3_mprintf("table %s: %s", table->name.c_str(), sqlite3_errmsg(db));
    return rc;
  }
  table->registry->Add(table.get());
  *out = &table.release()->base;
  return SQLITE_OK;
}

// xDisconnect/xDestroy: forgets the table; the file stays as it is.
int Disconnect(sqlite3_vtab* v) {
  Table* t = AsTable(v);
  t->registry->Remove(t);
  sqlite3_free(v->zErrMsg);
  delete t;
  return SQLITE_OK;
}

// xBestIndex: a rowid equality reads one record; anything else scans.
int BestIndex(sqlite3_vtab* v, sqlite3_index_info* info) {
  const double rows = static_cast<double>(AsTable(v)->file->RecordCount()) + 1;
  for (int i = 0; i < info->nConstraint; ++i) {
    const auto& c = info->aConstraint[i];
    if (c.usable && c.iColumn == -1 && c.op == SQLITE_INDEX_CONSTRAINT_EQ) {
      info->idxNum = 1;
      info->aConstraintUsage[i].argvIndex = 1;
      info->aConstraintUsage[i].omit = 1;
      info->estimatedCost = 1;
      info->estimatedRows = 1;
      info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
      return SQLITE_OK;
    }
  }
  info->idxNum = 0;
  info->estimatedCost = rows;
  info->estimatedRows = static_cast<sqlite3_int64>(rows);
  return SQLITE_OK;
}

// xOpen: a cursor with no position yet.
int Open(sqlite3_vtab* v, sqlite3_vtab_cursor** out) {
  auto* c = new Cursor();
  std::memset(&c->base, 0, sizeof c->base);
  c->table = AsTable(v);
  *out = &c->base;
  return SQLITE_OK;
}

// xClose.
int Close(sqlite3_vtab_cursor* cur) {
  delete AsCursor(cur);
  return SQLITE_OK;
}

// Makes record c->index current, reading the block that holds it.
bool Load(Cursor* c) {
  DbfFile& f = *c->table->file;
  const uint64_t len = f.RecordLength();
  if (c->index < c->bufFirst || c->index >= c->bufFirst + c->bufCount) {
    const uint64_t block = std::max<uint64_t>(1, kBlockBytes / len);
    const uint64_t n = std::min(block, c->end - c->index);
    if (c->buf.size() < n * len) c->buf.resize(n * len);
    c->bufFirst = c->index;
    c->bufCount = f.Read(c->index, n, c->buf.data());
    if (c->bufCount == 0) {
      c->broken = true;
      return false;
    }
  }
  c->rec = c->buf.data() + (c->index - c->bufFirst) * len;
  return true;
}

// Moves to the first live record at or after c->index.
int Seek(Cursor* c) {
  for (; c->index < c->end; ++c->index) {
    if (!Load(c)) {
      c->eof = true;
      return SetError(&c->table->base, ("table " + c->table->name +
                                        ": the file was cut while being read").c_str());
    }
    if (*c->rec != '*') {
      c->eof = false;
      return SQLITE_OK;
    }
  }
  c->eof = true;
  return SQLITE_OK;
}

// xFilter: starts a scan (idxNum 0) or reads the record of one rowid (1).
int Filter(sqlite3_vtab_cursor* cur, int idxNum, const char*, int argc, sqlite3_value** argv) {
  Cursor* c = AsCursor(cur);
  c->bufCount = 0;
  c->eof = true;
  const uint64_t count = c->table->file->RecordCount();
  if (idxNum == 1 && argc == 1) {
    if (sqlite3_value_numeric_type(argv[0]) != SQLITE_INTEGER) return SQLITE_OK;
    const sqlite3_int64 rowid = sqlite3_value_int64(argv[0]);
    if (rowid < 1 || static_cast<uint64_t>(rowid) > count) return SQLITE_OK;
    c->index = static_cast<uint64_t>(rowid) - 1;
    c->end = c->index + 1;
  } else {
    c->index = 0;
    c->end = count;
  }
  return Seek(c);
}

// xNext.
int Next(sqlite3_vtab_cursor* cur) {
  Cursor* c = AsCursor(cur);
  ++c->index;
  return Seek(c);
}

// xEof.
int Eof(sqlite3_vtab_cursor* cur) { return AsCursor(cur)->eof; }

// xColumn: parses one field of the current record.
int Column(sqlite3_vtab_cursor* cur, sqlite3_context* ctx, int i) {
  Cursor* c = AsCursor(cur);
  const Field& f = c->table->file->Fields()[static_cast<size_t>(i)];
  const char* p = c->rec + f.offset;
  const char* e = p + f.width;
  while (e > p && (e[-1] == ' ' || e[-1] == '\0')) --e;
  if (f.type == 'C' || f.type == 'M') {
    sqlite3_result_text(ctx, p, static_cast<int>(e - p), SQLITE_TRANSIENT);
    return SQLITE_OK;
  }
  while (p < e && *p == ' ') ++p;
  if (p == e) {
    sqlite3_result_null(ctx);
    return SQLITE_OK;
  }
  switch (f.type) {
    case 'N':
    case 'F': {
      const char* q = (*p == '+') ? p + 1 : p;
      if (f.decimals == 0 && f.type == 'N') {
        int64_t n = 0;
        auto r = std::from_chars(q, e, n);
        if (r.ec == std::errc() && r.ptr == e) {
          sqlite3_result_int64(ctx, n);
          return SQLITE_OK;
        }
      }
      double d = 0;
      auto r = std::from_chars(q, e, d);
      if (r.ec == std::errc() && r.ptr == e)
        sqlite3_result_double(ctx, d);
      else  // not a number (an overflow mark, say): shown as it stands
        sqlite3_result_text(ctx, p, static_cast<int>(e - p), SQLITE_TRANSIENT);
      return SQLITE_OK;
    }
    case 'L': {
      const char ch = *p;
      if (std::strchr("TtYy", ch)) sqlite3_result_int(ctx, 1);
      else if (std::strchr("FfNn", ch)) sqlite3_result_int(ctx, 0);
      else sqlite3_result_null(ctx);
      return SQLITE_OK;
    }
    default:
      sqlite3_result_text(ctx, p, static_cast<int>(e - p), SQLITE_TRANSIENT);
      return SQLITE_OK;
  }
}

// xRowid: the record number.
int Rowid(sqlite3_vtab_cursor* cur, sqlite3_int64* rowid) {
  *rowid = static_cast<sqlite3_int64>(AsCursor(cur)->index) + 1;
  return SQLITE_OK;
}

Value ToValue(sqlite3_value* v) {
  Value out;
  switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
      break;
    case SQLITE_INTEGER:
      out.kind = Value::Integer;
      out.integer = sqlite3_value_int64(v);
      break;
    case SQLITE_FLOAT:
      out.kind = Value::Real;
      out.real = sqlite3_value_double(v);
      break;
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
      out.kind = Value::Text;
      out.text = std::string_view(text ? text : "", static_cast<size_t>(sqlite3_value_bytes(v)));
    }
  }
  return out;
}

// xUpdate: delete (argc 1), insert (argv[0] NULL) or overwrite a record.
int Update(sqlite3_vtab* v, int argc, sqlite3_value** argv, sqlite3_int64* rowid) {
  Table* t = AsTable(v);
  DbfFile& f = *t->file;
  try {
    if (argc == 1) {
      const sqlite3_int64 r = sqlite3_value_int64(argv[0]);
      if (r >= 1) f.Delete(static_cast<uint64_t>(r) - 1);
      return SQLITE_OK;
    }
    const bool insert = sqlite3_value_type(argv[0]) == SQLITE_NULL;
    if (insert && sqlite3_value_type(argv[1]) != SQLITE_NULL)
      return SetError(v, "a record number cannot be given to a new record");
    if (!insert && sqlite3_value_int64(argv[0]) != sqlite3_value_int64(argv[1]))
      return SetError(v, "a record number cannot be changed");
    const auto& fields = f.Fields();
    std::string rec = f.BlankRecord();
    for (size_t i = 0; i < fields.size() && static_cast<int>(i) + 2 < argc; ++i)
      EncodeField(fields[i], ToValue(argv[i + 2]), rec.data() + fields[i].offset);
    if (insert) {
      f.Append(rec.data());
      *rowid = static_cast<sqlite3_int64>(f.RecordCount());
    } else {
      f.Overwrite(static_cast<uint64_t>(sqlite3_value_int64(argv[0])) - 1, rec.data());
    }
    return SQLITE_OK;
  } catch (const std::exception& e) {
    return SetError(v, e.what());
  }
}

// xBegin: nothing to do; the query object checked the file before the statement.
int Begin(sqlite3_vtab*) { return SQLITE_OK; }

// xSync: writes the statement's appends and deletions and the header.
int Sync(sqlite3_vtab* v) {
  try {
    AsTable(v)->file->Commit();
    return SQLITE_OK;
  } catch (const std::exception& e) {
    SetError(v, e.what());
    return SQLITE_IOERR;
  }
}

// xCommit: everything was written by xSync.
int Commit(sqlite3_vtab* v) { return Sync(v); }

// xRollback: forgets what the failed statement buffered.
int Rollback(sqlite3_vtab* v) {
  AsTable(v)->file->Rollback();
  return SQLITE_OK;
}

sqlite3_module MakeModule() {
  sqlite3_module m;
  std::memset(&m, 0, sizeof m);
  m.iVersion = 1;
  m.xCreate = Connect;
  m.xConnect = Connect;
  m.xBestIndex = BestIndex;
  m.xDisconnect = Disconnect;
  m.xDestroy = Disconnect;
  m.xOpen = Open;
  m.xClose = Close;
  m.xFilter = Filter;
  m.xNext = Next;
  m.xEof = Eof;
  m.xColumn = Column;
  m.xRowid = Rowid;
  m.xUpdate = Update;
  m.xBegin = Begin;
  m.xSync = Sync;
  m.xCommit = Commit;
  m.xRollback = Rollback;
  return m;
}

const sqlite3_module kModule = MakeModule();

}  // namespace

void Registry::Install(sqlite3* db) {
  const int rc = sqlite3_create_module(db, "dbf", &kModule, this);
  if (rc != SQLITE_OK) throw EDatabaseError(sqlite3_errmsg(db));
}

void Registry::Attach(sqlite3* db, const std::string& name, const std::string& osPath) {
  std::string path = "'";
  for (char c : osPath) {
    path += c;
    if (c == '\'') path += '\'';
  }
  path += "'";
  const std::string sql = "CREATE VIRTUAL TABLE temp." + QuoteIdent(name) + " USING dbf(" + path + ")";
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string message = err ? err : sqlite3_errmsg(db);
    sqlite3_free(err);
    throw EDatabaseError(message);
  }
}

bool Registry::RefreshAll(sqlite3* db) {
  std::vector<std::string> stale;
  for (Table* t : tables_) {
    try {
      if (t->file->Refresh()) stale.push_back(t->name);
    } catch (const std::exception&) {
      stale.push_back(t->name);
    }
  }
  for (const auto& name : stale) {
    const std::string sql = "DROP TABLE temp." + QuoteIdent(name);
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      throw EDatabaseError(sqlite3_errmsg(db));
  }
  return !stale.empty();
}

void Registry::Add(Table* table) { tables_.push_back(table); }

void Registry::Remove(Table* table) { std::erase(tables_, table); }

}  // namespace rts::dbf
