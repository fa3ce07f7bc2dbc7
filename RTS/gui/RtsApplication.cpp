#include "RTS/gui/RtsApplication.h"

#include <exception>

#include "UtilMess/ShowMessDlg.h"

RtsApplication::RtsApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void RtsApplication::ShowException(const std::exception& e) {
  rts::ShowMessDlg(e.what(), nullptr, -1, {}, -1, rts::TMessKind::mkError);
}

bool RtsApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    rts::ShowMessDlg("Неизвестная ошибка", nullptr, -1, {}, -1, rts::TMessKind::mkError);
  }
  return true;
}
