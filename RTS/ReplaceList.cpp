#include "RTS/ReplaceList.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "Utils/Convert.h"
#include "Utils/Messages.h"
#include "Utils/Text1251.h"
#include "Utils/Utils.h"

namespace rts {

namespace {

void FormatError(int lineNumber, const char* suffix) {
  ErrorMess("Ошибка формата  в строке " + std::to_string(lineNumber) + ". файла подстановок. " +
            suffix);
}

}  // namespace

size_t ReplaceLists::FoldedHash::operator()(std::string_view s) const {
  size_t h = 14695981039346656037ull;  // FNV-1a over the upper-cased bytes
  for (char c : s) {
    h ^= UpperChar1251(static_cast<unsigned char>(c));
    h *= 1099511628211ull;
  }
  return h;
}

bool ReplaceLists::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  return SameText1251(a, b);
}

void ReplaceLists::ParseReplaceLine(const std::string& line, int lineNumber) {
  if (IsBlank(line)) return;
  const char kind = line[0];
  if (kind != '$' && kind != '@') {
    FormatError(lineNumber, "Начальный символ строки должен быть \"$\" или \"@\"");
    return;
  }
  const std::string_view body = std::string_view(line).substr(1);
  if (body.empty() || body.back() != ';') {
    FormatError(lineNumber, "Нет завершающего символа \";\"");
    return;
  }
  size_t start = 0;
  while (start < body.size()) {
    const size_t end = body.find(';', start);  // found: the body ends with ";"
    ParseEntry(body.substr(start, end - start), lineNumber, kind == '@');
    start = end + 1;
  }
}

void ReplaceLists::ParseEntry(std::string_view entry, int lineNumber, bool lot) {
  const size_t eq = entry.rfind('=');
  if (eq == std::string_view::npos) {
    FormatError(lineNumber, "Отсутствует символ \"=\"");
    return;
  }
  const std::string value(entry.substr(eq + 1));
  int32_t number = 0;
  if (!TryDecimalTextToInt32(value, number)) {
    FormatError(lineNumber, lot ? "Лот должен быть целым числом"
                                : "Номер счета должен быть целым числом");
    return;
  }
  auto& codes = lot ? LotCodeList : ReplaceFromList;
  auto& values = lot ? LotSizeList : ReplaceToList;
  // Codes go in from the last to the first.
  std::string_view rest = entry.substr(0, eq);
  for (;;) {
    const size_t comma = rest.rfind(',');
    if (comma == std::string_view::npos) break;
    codes.emplace_back(rest.substr(comma + 1));
    values.push_back(value);
    rest = rest.substr(0, comma);
  }
  codes.emplace_back(rest);
  values.push_back(value);
}

void ReplaceLists::BuildFromLines(const std::vector<std::string>& lines) {
  Clear();
  for (size_t i = 0; i < lines.size(); ++i) ParseReplaceLine(lines[i], static_cast<int>(i) + 1);
}

void ReplaceLists::Clear() {
  ReplaceFromList.clear();
  ReplaceToList.clear();
  LotCodeList.clear();
  LotSizeList.clear();
  InvalidateIndex();
}

void ReplaceLists::InvalidateIndex() const {
  index_.clear();
  indexed_ = 0;
}

int ReplaceLists::FindReplace(std::string_view code) const {
  if (indexed_ > ReplaceFromList.size()) InvalidateIndex();  // the list was cut
  if (indexed_ < ReplaceFromList.size()) {
    index_.reserve(ReplaceFromList.size());
    for (; indexed_ < ReplaceFromList.size(); ++indexed_)
      index_.emplace(ReplaceFromList[indexed_], static_cast<int>(indexed_));  // first one stays
  }
  const auto it = index_.find(code);
  if (it == index_.end()) return -1;
  // An item changed in place since the index was built: rebuild once.
  const size_t at = static_cast<size_t>(it->second);
  if (at >= ReplaceFromList.size() || !SameText1251(ReplaceFromList[at], code)) {
    InvalidateIndex();
    return FindReplace(code);
  }
  return it->second;
}

void ReadListSection(const IniFile& ini, const std::string& section, std::vector<std::string>& lines) {
  const int count = ini.ReadInteger(section, "Count", -1);
  if (count < 0) return;
  lines.clear();
  // The items present, by index.  Walking the stored keys rather than
  // 0 .. Count-1 keeps a damaged Count (say 2000000000) from stalling.
  std::vector<std::pair<int, std::string>> items;
  for (const std::string& key : ini.SectionKeys(section)) {
    if (key.size() < 5 || !SameText1251(std::string_view(key).substr(0, 4), "Item")) continue;
    const std::string_view digits = std::string_view(key).substr(4);
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) continue;
    long long index = 0;
    bool ok = true;
    for (char c : digits) {
      if (c < '0' || c > '9') {
        ok = false;
        break;
      }
      index = index * 10 + (c - '0');
    }
    if (!ok || index >= count) continue;
    items.emplace_back(static_cast<int>(index), ini.ReadString(section, key, ""));
  }
  // Keys differing only in case name one item; the first stored one counts.
  std::stable_sort(items.begin(), items.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  items.erase(std::unique(items.begin(), items.end(),
                          [](const auto& a, const auto& b) { return a.first == b.first; }),
              items.end());
  lines.reserve(items.size());
  for (auto& item : items) lines.push_back(std::move(item.second));
}

void WriteListSection(IniFile& ini, const std::string& section, const std::vector<std::string>& lines) {
  ini.EraseSection(section);
  ini.WriteInteger(section, "Count", static_cast<int>(lines.size()));
  for (size_t i = 0; i < lines.size(); ++i) ini.WriteString(section, "Item" + std::to_string(i), lines[i]);
}

std::vector<std::string> ReadListFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Не могу открыть файл " + path);
  std::ostringstream buf;
  buf << in.rdbuf();
  const std::string text = buf.str();
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text, start, stop - start);
    start = end + 1;
  }
  return lines;
}

}  // namespace rts
