#include "ExceptUnit/ExceptUnit.h"

#include <string_view>
#include <vector>

#include "UtilMess/ShowMessDlg.h"

namespace rts {

namespace {

// The lines of a text, broken at CR LF, LF or CR; a break at the very end
// opens no further line.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

}  // namespace

bool ReportException(const std::exception& e, const std::string& heading) {
  const std::vector<std::string> details = SplitLines(e.what());
  ShowMessDlg(heading, &details, -1, nullptr, -1, TMessKind::mkInformation);
  return true;
}

bool ConfirmException(const std::exception& e, const std::string& heading) {
  const std::vector<std::string> details = SplitLines(e.what());
  return ShowMessDlg(heading, &details, -1, nullptr, -1, TMessKind::mkQuestion) > 0;
}

}  // namespace rts
