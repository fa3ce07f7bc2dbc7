// The "dbf" virtual-table module: SQL glue over DbfFile.
#include "tableaccess/DbfVtab.h"

#include "Utils/Text1251.h"
#include "tableaccess/DbfFile.h"
#include "tableaccess/Query.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace rts::dbf {

std::string QuoteIdent(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

struct Table {
  sqlite3_vtab base;  // must come first
  Registry* registry = nullptr;
  std::string name;   // as declared to SQLite
  std::unique_ptr<DbfFile> file;
  std::string record;  // the record being written
};

namespace {

constexpr uint64_t kBlockBytes = 1u << 20;

// One field's value as SQL sees it.
struct Cell {
  enum Kind { Null, Integer, Real, Text } kind = Null;
  int64_t integer = 0;
  double real = 0;
  const char* text = nullptr;
  size_t size = 0;
};

// The rows of a scan in the order an ORDER BY (or GROUP BY) asks for,
// built in one pass over the file.  Only the columns the statement uses are
// kept: the sort columns as an index into their distinct values, the others
// as their bytes.
struct Ordered {
  struct Key {
    int column;  // field index, -1 = rowid
    bool desc;
  };
  std::vector<Key> keys;
  std::vector<int> slot;         // field -> byte offset in a row, -1 - key, or kUnused
  size_t rowBytes = 0;
  std::string arena;             // rows of the non-key columns' bytes
  std::vector<uint32_t> ids;     // rows x keys: index into distinct[key]
  std::vector<std::vector<std::string>> distinct;  // per key: values, trimmed
  std::vector<std::vector<Cell>> cells;            // per key: the values parsed
  std::vector<uint64_t> recno;   // record number of each row
  std::vector<uint32_t> order;   // rows in output order, while sorting
  size_t rows = 0;
  size_t pos = 0;                // current row; rows are stored in output order
};
constexpr int kUnused = INT32_MIN;

struct Cursor {
  sqlite3_vtab_cursor base;  // must come first
  std::unique_ptr<Ordered> ordered;
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
  // The sorted scan keeps the used columns in memory; for a table too big
  // for that the general sorter (which spills) does the work.
  uint64_t usedBytes = 0;
  const auto& fields = AsTable(v)->file->Fields();
  for (size_t i = 0; i < fields.size(); ++i)
    if ((info->colUsed >> std::min<size_t>(i, 63)) & 1) usedBytes += fields[i].width;
  const bool fitsMemory = (usedBytes + 16) * (AsTable(v)->file->RecordCount() + 1) < (uint64_t{256} << 20);
  if (info->nOrderBy > 0 && fitsMemory) {
    // We deliver the rows sorted ourselves, far faster than the general
    // sorter: "u<used columns>" then "k<column>[d]" per sort term.
    char buf[64];
    std::snprintf(buf, sizeof buf, "u%llx", static_cast<unsigned long long>(info->colUsed));
    std::string order = buf;
    for (int i = 0; i < info->nOrderBy; ++i)
      order += "k" + std::to_string(info->aOrderBy[i].iColumn) + (info->aOrderBy[i].desc ? "d" : "");
    info->idxNum = 2;
    info->idxStr = sqlite3_mprintf("%s", order.c_str());
    info->needToFreeIdxStr = 1;
    info->orderByConsumed = 1;
    info->estimatedCost = rows * 1.2;
  }
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

int BuildOrdered(Cursor* c, const char* order);

// xFilter: starts a scan (idxNum 0), reads the record of one rowid (1) or
// sorts the rows for an ORDER BY (2).
int Filter(sqlite3_vtab_cursor* cur, int idxNum, const char* idxStr, int argc, sqlite3_value** argv) {
  Cursor* c = AsCursor(cur);
  c->bufCount = 0;
  c->eof = true;
  c->ordered.reset();
  if (idxNum == 2) return BuildOrdered(c, idxStr ? idxStr : "");
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
  if (Ordered* o = c->ordered.get()) {
    c->eof = ++o->pos >= o->rows;
    return SQLITE_OK;
  }
  ++c->index;
  return Seek(c);
}

// xEof.
int Eof(sqlite3_vtab_cursor* cur) { return AsCursor(cur)->eof; }


// Parses the `width` bytes of a field: C text without its trailing blanks;
// N, F numbers (integers without decimals), blank = NULL; L 0/1; D and
// others text without blanks around, blank = NULL.
Cell ParseField(const Field& f, const char* p, size_t width) {
  Cell cell;
  const char* e = p + width;
  while (e > p && (e[-1] == ' ' || e[-1] == '\0')) --e;
  if (f.type == 'C' || f.type == 'M') {
    cell.kind = Cell::Text;
    cell.text = p;
    cell.size = static_cast<size_t>(e - p);
    return cell;
  }
  while (p < e && *p == ' ') ++p;
  if (p == e) return cell;
  switch (f.type) {
    case 'N':
    case 'F': {
      const char* q = (*p == '+') ? p + 1 : p;
      if (f.decimals == 0 && f.type == 'N') {
        int64_t n = 0;
        auto r = std::from_chars(q, e, n);
        if (r.ec == std::errc() && r.ptr == e) {
          cell.kind = Cell::Integer;
          cell.integer = n;
          return cell;
        }
      }
      double d = 0;
      auto r = std::from_chars(q, e, d);
      if (r.ec == std::errc() && r.ptr == e) {
        cell.kind = Cell::Real;
        cell.real = d;
        return cell;
      }
      break;  // not a number (an overflow mark, say): shown as it stands
    }
    case 'L':
      if (std::strchr("TtYy", *p)) {
        cell.kind = Cell::Integer;
        cell.integer = 1;
      } else if (std::strchr("FfNn", *p)) {
        cell.kind = Cell::Integer;
      }
      return cell;
    default:
      break;
  }
  cell.kind = Cell::Text;
  cell.text = p;
  cell.size = static_cast<size_t>(e - p);
  return cell;
}

void Result(sqlite3_context* ctx, const Cell& cell) {
  switch (cell.kind) {
    case Cell::Null:
      sqlite3_result_null(ctx);
      break;
    case Cell::Integer:
      sqlite3_result_int64(ctx, cell.integer);
      break;
    case Cell::Real:
      sqlite3_result_double(ctx, cell.real);
      break;
    case Cell::Text:
      sqlite3_result_text(ctx, cell.text, static_cast<int>(cell.size), SQLITE_TRANSIENT);
      break;
  }
}

// SQLite's order of values: NULL, numbers, then text byte by byte.
int CompareCells(const Cell& a, const Cell& b) {
  auto rank = [](const Cell& c) { return c.kind == Cell::Null ? 0 : c.kind == Cell::Text ? 2 : 1; };
  const int ra = rank(a), rb = rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 0) return 0;
  if (ra == 1) {
    if (a.kind == Cell::Integer && b.kind == Cell::Integer)
      return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    const double x = a.kind == Cell::Integer ? static_cast<double>(a.integer) : a.real;
    const double y = b.kind == Cell::Integer ? static_cast<double>(b.integer) : b.real;
    return x < y ? -1 : x > y ? 1 : 0;
  }
  const int c = std::memcmp(a.text, b.text, std::min(a.size, b.size));
  if (c != 0) return c < 0 ? -1 : 1;
  return a.size < b.size ? -1 : a.size > b.size ? 1 : 0;
}

struct ViewHash {
  using is_transparent = void;
  size_t operator()(std::string_view v) const { return std::hash<std::string_view>()(v); }
};
struct ViewEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return a == b; }
};

// Reads every live record once and sorts the rows by the keys in `order`
// (see BestIndex).  Equal keys keep the file's order.
int BuildOrdered(Cursor* c, const char* order) {
  DbfFile& file = *c->table->file;
  const auto& fields = file.Fields();
  auto o = std::make_unique<Ordered>();
  const char* p = order;
  if (*p++ != 'u') return SetError(&c->table->base, "dbf: bad sort plan");
  char* next = nullptr;
  const unsigned long long used = std::strtoull(p, &next, 16);
  p = next;
  while (*p == 'k') {
    Ordered::Key k;
    k.column = static_cast<int>(std::strtol(p + 1, &next, 10));
    p = next;
    k.desc = *p == 'd';
    if (k.desc) ++p;
    if (k.column >= static_cast<int>(fields.size())) return SetError(&c->table->base, "dbf: bad sort plan");
    o->keys.push_back(k);
  }
  const size_t nKeys = o->keys.size();
  o->slot.assign(fields.size(), kUnused);
  for (size_t k = 0; k < nKeys; ++k)
    if (o->keys[k].column >= 0) o->slot[static_cast<size_t>(o->keys[k].column)] = -1 - static_cast<int>(k);
  for (size_t i = 0; i < fields.size(); ++i) {
    const bool isUsed = (used >> std::min<size_t>(i, 63)) & 1;
    if (isUsed && o->slot[i] == kUnused) {
      o->slot[i] = static_cast<int>(o->rowBytes);
      o->rowBytes += fields[i].width;
    }
  }
  o->distinct.resize(nKeys);
  std::vector<std::pair<size_t, size_t>> copies;  // bytes of the non-key columns
  for (size_t i = 0; i < fields.size(); ++i)
    if (o->slot[i] >= 0) copies.emplace_back(fields[i].offset, fields[i].width);
  std::vector<std::unordered_map<std::string, uint32_t, ViewHash, ViewEqual>> index(nKeys);

  // One pass over the file.
  const uint64_t count = file.RecordCount();
  const uint64_t len = file.RecordLength();
  o->recno.reserve(count);
  o->ids.reserve(count * nKeys);
  o->arena.reserve(count * o->rowBytes);
  const uint64_t block = std::max<uint64_t>(1, kBlockBytes / len);
  std::string buf(block * len, '\0');
  for (uint64_t first = 0; first < count; first += block) {
    const uint64_t want = std::min(block, count - first);
    const uint64_t got = file.Read(first, want, buf.data());
    if (got < want)
      return SetError(&c->table->base, ("table " + c->table->name + ": the file was cut while being read").c_str());
    for (uint64_t r = 0; r < got; ++r) {
      const char* rec = buf.data() + r * len;
      if (*rec == '*') continue;
      o->recno.push_back(first + r);
      for (size_t k = 0; k < nKeys; ++k) {
        const int col = o->keys[k].column;
        if (col < 0) {
          o->ids.push_back(0);
          continue;
        }
        const Field& f = fields[static_cast<size_t>(col)];
        const char* v = rec + f.offset;
        const char* e = v + f.width;
        while (e > v && (e[-1] == ' ' || e[-1] == '\0')) --e;
        if (f.type != 'C' && f.type != 'M')
          while (v < e && *v == ' ') ++v;
        const std::string_view value(v, static_cast<size_t>(e - v));
        auto it = index[k].find(value);
        if (it == index[k].end()) {
          it = index[k].emplace(std::string(value), static_cast<uint32_t>(o->distinct[k].size())).first;
          o->distinct[k].emplace_back(value);
        }
        o->ids.push_back(it->second);
      }
      for (const auto& [from, width] : copies) o->arena.append(rec + from, width);
    }
  }
  index.clear();

  // Rank the distinct values of each key; equal values share a rank.
  const size_t rows = o->recno.size();
  std::vector<std::vector<uint32_t>> rankOf(nKeys);
  o->cells.resize(nKeys);
  std::vector<uint64_t> range(nKeys);
  for (size_t k = 0; k < nKeys; ++k) {
    const int col = o->keys[k].column;
    if (col < 0) {
      range[k] = rows;
      continue;
    }
    const Field& f = fields[static_cast<size_t>(col)];
    const auto& values = o->distinct[k];
    std::vector<Cell>& cells = o->cells[k];
    cells.reserve(values.size());
    for (const auto& v : values) cells.push_back(ParseField(f, v.data(), v.size()));
    std::vector<uint32_t> byValue(values.size());
    for (uint32_t i = 0; i < byValue.size(); ++i) byValue[i] = i;
    std::sort(byValue.begin(), byValue.end(),
              [&cells](uint32_t a, uint32_t b) { return CompareCells(cells[a], cells[b]) < 0; });
    rankOf[k].assign(values.size(), 0);
    uint32_t rank = 0;
    for (size_t i = 0; i < byValue.size(); ++i) {
      if (i > 0 && CompareCells(cells[byValue[i - 1]], cells[byValue[i]]) != 0) ++rank;
      rankOf[k][byValue[i]] = rank;
    }
    range[k] = static_cast<uint64_t>(rank) + 1;
    if (o->keys[k].desc)
      for (auto& r : rankOf[k]) r = rank - r;
  }
  auto rankAt = [&](size_t row, size_t k) -> uint64_t {
    if (o->keys[k].column < 0) return o->keys[k].desc ? rows - 1 - row : row;
    return rankOf[k][o->ids[row * nKeys + k]];
  };

  // Sort: by one number made of the ranks when it fits 64 bits.
  bool fits = true;
  unsigned __int128 product = 1;
  for (size_t k = 0; k < nKeys; ++k) {
    product *= range[k];
    if (product > (static_cast<unsigned __int128>(1) << 63)) fits = false;
  }
  o->order.resize(rows);
  if (fits && product <= rows * 4 + 1024) {
    // Few distinct keys (a grouping, as a rule): a counting sort.
    std::vector<uint32_t> keyOf(rows);
    std::vector<uint32_t> start(static_cast<size_t>(product) + 1, 0);
    for (size_t row = 0; row < rows; ++row) {
      uint64_t key = 0;
      for (size_t k = 0; k < nKeys; ++k) key = key * range[k] + rankAt(row, k);
      keyOf[row] = static_cast<uint32_t>(key);
      ++start[key + 1];
    }
    for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    for (uint32_t row = 0; row < rows; ++row) o->order[start[keyOf[row]]++] = row;
  } else if (fits) {
    std::vector<std::pair<uint64_t, uint32_t>> keyed(rows);
    for (size_t row = 0; row < rows; ++row) {
      uint64_t key = 0;
      for (size_t k = 0; k < nKeys; ++k) key = key * range[k] + rankAt(row, k);
      keyed[row] = {key, static_cast<uint32_t>(row)};
    }
    std::sort(keyed.begin(), keyed.end());
    for (size_t row = 0; row < rows; ++row) o->order[row] = keyed[row].second;
  } else {
    for (uint32_t row = 0; row < rows; ++row) o->order[row] = row;
    std::stable_sort(o->order.begin(), o->order.end(), [&](uint32_t a, uint32_t b) {
      for (size_t k = 0; k < nKeys; ++k) {
        const uint64_t x = rankAt(a, k), y = rankAt(b, k);
        if (x != y) return x < y;
      }
      return false;
    });
  }
  // Lay the rows out in their output order, so that handing them to SQLite
  // reads memory front to back.
  {
    std::vector<uint32_t> ids(o->ids.size());
    std::vector<uint64_t> recno(rows);
    std::string arena(o->arena.size(), '\0');
    for (size_t i = 0; i < rows; ++i) {
      const uint32_t row = o->order[i];
      for (size_t k = 0; k < nKeys; ++k) ids[i * nKeys + k] = o->ids[row * nKeys + k];
      recno[i] = o->recno[row];
      if (o->rowBytes)
        std::memcpy(arena.data() + i * o->rowBytes, o->arena.data() + row * o->rowBytes, o->rowBytes);
    }
    o->ids = std::move(ids);
    o->recno = std::move(recno);
    o->arena = std::move(arena);
    o->order.clear();
    o->order.shrink_to_fit();
  }
  o->rows = rows;
  c->ordered = std::move(o);
  c->eof = rows == 0;
  return SQLITE_OK;
}

// xColumn: parses one field of the current record.
int Column(sqlite3_vtab_cursor* cur, sqlite3_context* ctx, int i) {
  Cursor* c = AsCursor(cur);
  const Field& f = c->table->file->Fields()[static_cast<size_t>(i)];
  if (const Ordered* o = c->ordered.get()) {
    const size_t row = o->pos;
    const int slot = o->slot[static_cast<size_t>(i)];
    if (slot == kUnused) {
      sqlite3_result_null(ctx);
    } else if (slot < 0) {
      const size_t k = static_cast<size_t>(-1 - slot);
      Result(ctx, o->cells[k][o->ids[row * o->keys.size() + k]]);
    } else {
      Result(ctx, ParseField(f, o->arena.data() + row * o->rowBytes + static_cast<size_t>(slot), f.width));
    }
    return SQLITE_OK;
  }
  Result(ctx, ParseField(f, c->rec + f.offset, f.width));
  return SQLITE_OK;
}

// xRowid: the record number.
int Rowid(sqlite3_vtab_cursor* cur, sqlite3_int64* rowid) {
  const Cursor* c = AsCursor(cur);
  if (const Ordered* o = c->ordered.get())
    *rowid = static_cast<sqlite3_int64>(o->recno[o->pos]) + 1;
  else
    *rowid = static_cast<sqlite3_int64>(c->index) + 1;
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
    std::string& rec = t->record;
    rec.assign(f.RecordLength(), ' ');
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

bool Registry::RefreshAll(sqlite3* db, bool thorough) {
  std::vector<std::string> stale;
  for (Table* t : tables_) {
    try {
      if (t->file->Refresh(thorough)) stale.push_back(t->name);
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
