#include "RTS/Export.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include "ExceptUnit/ExceptUnit.h"
#include "Utils/Convert.h"
#include "Utils/Messages.h"
#include "Utils/Text1251.h"
#include "tableaccess/Query.h"

namespace rts {

// ---------------------------------------------------------------------------
// ExportList

ExportList::ExportList(std::string tradeDate, std::string brokerAcc)
    : date_(std::move(tradeDate)), broker_(std::move(brokerAcc)) {}

void ExportList::Reserve(size_t lines, size_t bytes) {
  lines_.reserve(lines);
  bytes_.reserve(bytes);
}

void ExportList::Clear() {
  bytes_.clear();
  lines_.clear();
}

void ExportList::Append(std::string_view client, std::string_view security,
                        std::string_view operation, std::string_view price,
                        std::string_view quantity, std::string_view transaction,
                        std::string_view currency) {
  const std::string_view f[7] = {client, security, operation, price, quantity, transaction, currency};
  Entry e{bytes_.size(), {}};
  uint32_t at = 0;
  for (int k = 0; k < 7; ++k) {
    bytes_.append(f[k]);
    at = static_cast<uint32_t>(at + f[k].size());
    e.end[k] = at;
  }
  lines_.push_back(e);
}

std::string_view ExportList::Field(size_t i, int n) const {
  if (n == 6) return date_;
  if (n == 8) return broker_;
  if (n < 1 || n > 9) return {};
  // Stored fields: 1 2 3 4 5 7 9 at slots 0 .. 6.
  static constexpr int kSlot[10] = {-1, 0, 1, 2, 3, 4, -1, 5, -1, 6};
  const int k = kSlot[n];
  const Entry& e = lines_[i];
  const uint32_t from = k == 0 ? 0 : e.end[k - 1];
  return std::string_view(bytes_).substr(e.at + from, e.end[k] - from);
}

std::string ExportList::Line(size_t i) const {
  std::string s;
  for (int n = 1; n <= 9; ++n) {
    if (n > 1) s.push_back('\t');
    s.append(Field(i, n));
  }
  return s;
}

// ---------------------------------------------------------------------------
// Building the lines

size_t MergeOrderFills(const TradeTable& table, const MarkedList& marked, bool mergeOrders,
                       size_t r, double& amount, double& quantity) {
  const size_t rows = table.RowCount();
  auto nextOf = [&](size_t row) {
    const size_t n = marked.NextMarkedRow(row);
    return n > rows ? 0 : n;
  };
  size_t next = nextOf(r);
  amount *= quantity;
  if (mergeOrders) {
    while (next != 0 && table.SameTradeKey(next, r)) {
      const double q = TextToNumber(table.Cell(next, Quantity));
      amount += q * TextToNumber(table.Cell(next, Amount));
      quantity += q;
      next = nextOf(next);
    }
  }
  if (quantity == 0) {
    // The weighted price has no value: the export must not write infinity.
    throw std::runtime_error(
        "Деление на ноль: общее количество сделки равно нулю (строка " + std::to_string(r) +
        ", клиент " + Cp1251ToUtf8(table.Cell(r, Client)) + ", транзакция " +
        Cp1251ToUtf8(table.Cell(r, Transaction)) + ")");
  }
  amount /= quantity;
  return next;
}

ExportList BuildExportList(const TradeTable& table, const MarkedList& marked,
                           const ExportInputs& in) {
  ExportList list(in.tradeDate, in.brokerAcc);
  list.Reserve(marked.Count(), marked.Count() * 48);
  const size_t rows = table.RowCount();
  size_t r = marked.NextMarkedRow(0);
  if (r > rows) r = 0;
  while (r != 0) {
    double a = TextToNumber(table.Cell(r, Amount));
    double q = TextToNumber(table.Cell(r, Quantity));
    const size_t next = MergeOrderFills(table, marked, in.mergeOrders, r, a, q);
    list.Append(table.Cell(r, Client), table.Cell(r, SecurityCode), table.Cell(r, Operation),
                FormatFixed(a, 3), FormatFixed(q, 1), table.Cell(r, Transaction),
                table.Cell(r, Currency));
    r = next;
  }
  return list;
}

void SqueezeByClient(ExportList& list) {
  const size_t n = list.Count();
  // Groups by client, security code and operation, in the order of their
  // first lines.  The key holds each field with its length in front, so
  // different fields can never run together into the same key.
  std::unordered_map<std::string, size_t> groupOf;
  std::vector<std::vector<size_t>> members;
  std::string key;
  for (size_t i = 0; i < n; ++i) {
    key.clear();
    for (int f = 1; f <= 3; ++f) {
      const std::string_view v = list.Field(i, f);
      key.append(std::to_string(v.size())).push_back(':');
      key.append(v);
    }
    auto [it, fresh] = groupOf.try_emplace(key, members.size());
    if (fresh) members.emplace_back();
    members[it->second].push_back(i);
  }
  ExportList out(list.TradeDate(), list.BrokerAcc());
  for (const auto& m : members) {
    const size_t first = m.front();
    double p = TextToNumber(list.Field(first, 4));
    double q = TextToNumber(list.Field(first, 5));
    // The later lines are added from the last one back.
    for (size_t k = m.size(); k-- > 1;) {
      p += TextToNumber(list.Field(m[k], 4));
      q += TextToNumber(list.Field(m[k], 5));
    }
    out.Append(list.Field(first, 1), list.Field(first, 2), list.Field(first, 3),
               FormatFixed(p, 3), FormatFixed(q, 1), list.Field(first, 7), list.Field(first, 9));
  }
  list = std::move(out);
}

// ---------------------------------------------------------------------------
// Inserting

int OperationType(std::string_view op) {
  if (op.empty()) return 0;
  if (op.front() == 'P') return 1;
  if (op.front() == 'B' && op.back() == 'P') return 1;
  return 0;
}

bool InsertOutRecord(TQuery& insert, const ExportList& list, size_t i) {
  const double price = TextToNumber(list.Field(i, 4));
  const double qty = TextToNumber(list.Field(i, 5));
  const Date date = TextToDate(list.Field(i, 6));
  insert.SetParamText("CLIENTID", std::string(list.Field(i, 1)));
  insert.SetParamText("TICKER", std::string(list.Field(i, 2)));
  insert.SetParamNumber("OPERTYPE", OperationType(list.Field(i, 3)));
  insert.SetParamNumber("PRICE", price);
  insert.SetParamNumber("QTY", qty);
  insert.SetParamDate("DATE", date);
  insert.SetParamText("SDEL", std::string(list.Field(i, 7)));
  insert.SetParamText("BROCID", std::string(list.Field(i, 8)));
  insert.SetParamText("VAL", std::string(list.Field(i, 9)));
  try {
    insert.ExecSQL();
    return true;
  } catch (const EDatabaseError& e) {
    ReportException(e, "Ошибка записи в выходной файл");
    return false;
  }
}

// ---------------------------------------------------------------------------
// The action

namespace {

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::exists(OsFileName(path), ec);
}

// Mode "Сначала" on an existing file: the format test and the emptying.
// False when the export must stop.
bool CheckAndEmpty(const OutputTablePath& t) {
  TQuery query;
  try {
    query.SetDatabaseName(t.directory);
    if (!HasOutputTableFormat(query, t.tableName)) {
      ErrorMess("Файл не соответствует  формату!");
      return false;
    }
    query.Close();
    EmptyOutputTable(query, t.tableName);
  } catch (const EDatabaseError& e) {
    ConfirmException(e, "Ошибка очистки выходного файла");
    return false;
  }
  return true;
}

}  // namespace

ExportResult ExportBtnClick(const TradeTable& table, const MarkedList& marked,
                            const ExportInputs& in, ProgressSink& progress) {
  ExportResult result;
  if (table.RowCount() == 0 || marked.Count() == 0) {
    ErrorMess("Нет отмеченных сделок!");
    return result;
  }
  result.table = DeriveOutputTablePath(in.outFileName);
  const OutputTablePath& t = result.table;

  if (FileExists(t.path)) {
    if (in.writeMode == 0) {
      if (!QuestionMess("Выходной файл существует и будет перезаписан, продолжать?")) return result;
      if (!CheckAndEmpty(t)) return result;
    } else if (in.writeMode == 1) {
      if (!QuestionMess("Выходной файл существует,режим дозаписи, продолжать?")) return result;
    } else {
      ErrorMess("Определите режим записи");
      return result;
    }
  } else {
    if (!QuestionMess("Создать файл " + Cp1251ToUtf8(t.path) + " ?")) return result;
    // A table that could not be written would fail every insert, one
    // message per marked trade; it is reported once and the export stops.
    errno = 0;
    if (!CreateOutputTable(t.path)) {
      const int error = errno;
      ReportException(std::runtime_error("Файл " + Cp1251ToUtf8(t.path) + " не создан" +
                                         (error ? std::string(": ") + std::strerror(error) : "")),
                      "Ошибка записи в выходной файл");
      return result;
    }
  }

  ExportList list = BuildExportList(table, marked, in);
  if (in.squeezeClient) SqueezeByClient(list);
  result.lines = list.Count();

  TQuery insert;
  insert.SetDatabaseName(t.directory);
  insert.SetMacro("M", t.tableName);
  insert.SetSQL(InsOutSQL);

  const size_t n = list.Count();
  const int total = static_cast<int>(n);
  progress.Start("Экспорт данных в " + Cp1251ToUtf8(t.tableName), {" Экспорт данных"});
  for (size_t i = 0; i < n; ++i) {
    if (InsertOutRecord(insert, list, i)) ++result.inserted;
    progress.UpdateStep(0, static_cast<int>(i + 1), total);
  }
  progress.Finish();
  result.completed = true;
  return result;
}

int OutputRecordCount(const OutputTablePath& t) {
  TQuery view;
  view.SetDatabaseName(t.directory);
  view.SetMacro("M", t.tableName);
  view.SetSQL(ViewOutSQL);
  view.Open();
  const int count = view.RecordCount();
  view.Close();
  return count;
}

}  // namespace rts
