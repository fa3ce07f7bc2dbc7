// The everyday message calls, all over ShowMessDlg.  Texts are UTF-8.
#pragma once

#include <string>

namespace rts {

void ErrorMess(const std::string& text);     // kind error, "OK"
void InfoMess(const std::string& text);      // kind information, "OK"
bool QuestionMess(const std::string& text);  // "Да"/"Нет"; true for "Да"

}  // namespace rts
