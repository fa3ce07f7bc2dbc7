#include "batch/BatchCommon.h"

#include <fstream>
#include <stdexcept>
#include <vector>

#include "RTS/ReplaceList.h"
#include "Utils/Text1251.h"
#include "settings/IniFile.h"

namespace rts::batch {

namespace {

bool ValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t more;
    if (c < 0x80) more = 0;
    else if (c >= 0xC2 && c <= 0xDF) more = 1;
    else if (c >= 0xE0 && c <= 0xEF) more = 2;
    else if (c >= 0xF0 && c <= 0xF4) more = 3;
    else return false;
    for (size_t k = 1; k <= more; ++k) {
      if (i + k >= s.size()) return false;
      const unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
    }
    i += more + 1;
  }
  return true;
}

}  // namespace

std::string ArgText(const std::string& arg) {
  return ValidUtf8(arg) ? Utf8ToCp1251(arg) : arg;
}

std::string OptionOrStored(const std::optional<std::string>& option, const IniFile& ini,
                           const char* key) {
  if (option) return ArgText(*option);
  return ini.ReadString("TRTSForm", key, "");
}

void PrintRows(std::FILE* out, const TradeTable& table, bool raw, const MarkedList* marked) {
  std::string buf;
  buf.reserve(1 << 20);
  const size_t n = table.RowCount();
  for (size_t r = 1; r <= n; ++r) {
    if (marked) {
      if (marked->Contains(r)) buf.push_back('*');
      buf.push_back('\t');
    }
    for (int c = 0; c < kTradeColumns; ++c) {
      if (c) buf.push_back('\t');
      if (raw) buf.append(table.Cell(r, c));
      else buf.append(Cp1251ToUtf8(table.Cell(r, c)));
    }
    buf.push_back('\n');
    if (buf.size() >= (1 << 20) - 4096) {
      std::fwrite(buf.data(), 1, buf.size(), out);
      buf.clear();
    }
  }
  std::fwrite(buf.data(), 1, buf.size(), out);
  std::fflush(out);
}

void LoadReplaceLists(const std::optional<std::string>& listFile, const IniFile& ini,
                      ReplaceLists& lists) {
  std::vector<std::string> lines;
  if (listFile) {
    lines = ReadListFile(*listFile);
  } else {
    ReadListSection(ini, "ReplaceList", lines);
  }
  lists.BuildFromLines(lines);
}

int ExitCodeOf(const BatchPresenter& presenter) {
  if (presenter.declined()) return kDeclined;
  if (presenter.errorShown()) return kFailed;
  return kDone;
}

void SelectionOptions::Add(CLI::App& sub) {
  sub.add_option("--date", date, "trade date, day.month.year (default: stored TorgDateEdit_Text)");
  sub.add_option("--min", min, "lowest client account (default: stored MinClientEdit_Text)");
  sub.add_option("--max", max, "highest client account (default: stored MaxClientEdit_Text)");
  sub.add_option("--replace-list", replaceList,
                 "substitution list, a Windows-1251 text file of one rule per line "
                 "(default: the ReplaceList section of the settings file)");
  sub.add_flag("--raw", raw, "write the cells' bytes as they are (Windows-1251)");
}

SelectionInputs SelectionOptions::Inputs(const IniFile& ini) const {
  SelectionInputs in;
  in.tradeDate = OptionOrStored(date, ini, "TorgDateEdit_Text");
  in.minClient = OptionOrStored(min, ini, "MinClientEdit_Text");
  in.maxClient = OptionOrStored(max, ini, "MaxClientEdit_Text");
  return in;
}

void OpenMarkedReport(const std::string& report, const SelectionOptions& options,
                      const IniFile& ini, MarkedReport& out) {
  ReplaceLists lists;
  LoadReplaceLists(options.replaceList, ini, lists);
  out.selection = options.Inputs(ini);
  out.opened = OpenReport(ArgText(report), out.selection, lists, out.table, out.marked);
  std::fprintf(stderr, "%s\n%s\n", out.opened.status.total.c_str(), out.opened.status.marked.c_str());
}

}  // namespace rts::batch
