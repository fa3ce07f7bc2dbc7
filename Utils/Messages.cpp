#include "Utils/Messages.h"

#include "UtilMess/ShowMessDlg.h"

namespace rts {

void ErrorMess(const std::string& text) {
  ShowMessDlg(text, nullptr, -1, nullptr, -1, TMessKind::mkError);
}

void InfoMess(const std::string& text) {
  ShowMessDlg(text, nullptr, -1, nullptr, -1, TMessKind::mkInformation);
}

bool QuestionMess(const std::string& text) {
  return ShowMessDlg(text, nullptr, -1, nullptr, -1, TMessKind::mkQuestion) == 1;
}

}  // namespace rts
