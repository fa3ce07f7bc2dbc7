// Shared helpers of the main window's tests: a private settings folder, a
// report written from trade lines, and finding controls by object name.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

#include "RTS/gui/TRTSForm.h"
#include "UtilMess/ShowMessDlg.h"
#include "Utils/Text1251.h"
#include "Utils/Utils.h"
#include "settings/IniFile.h"

namespace fixture {

// Points XDG_CONFIG_HOME at a fresh folder, so the window's settings file
// lands there (rts.INI).
inline QString UseFreshConfigHome(QTemporaryDir& dir) {
  QString home = dir.path() + "/cfg";
  QDir().mkpath(home);
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
  return home + "/rts.INI";
}

// One report line from its sixteen tokens (UTF-8 here, Windows-1251 in the file).
inline std::string Line(const std::vector<std::string>& tokens) {
  std::string s;
  for (size_t i = 0; i < tokens.size(); ++i) s += (i ? "\t" : "") + tokens[i];
  return rts::Utf8ToCp1251(s);
}

// A trade line: security SEC01, the given operation, client, quantity,
// amount, transaction and trade date; everything else fixed.
inline std::string Trade(const std::string& op, const std::string& client, const std::string& qty,
                         const std::string& amount, const std::string& trans,
                         const std::string& date = "05/03/2003") {
  return Line({"SEC", "01", op, "C", client, "FIRM", amount, qty, amount, "USD", "07/03/2003", trans,
               date, "10:00:00", "T3", "комментарий"});
}

inline QString WriteReport(const QString& path, const std::vector<std::string>& lines) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write("header line\r\n");
  for (const std::string& l : lines) f.write(QByteArray::fromStdString(l + "\r\n"));
  return path;
}

// Presses "Готово" of every progress window as soon as it offers it, so that
// an export's Finish returns.
class ProgressCloser : public QObject {
 public:
  ProgressCloser() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->objectName() != "ProgressForm") continue;
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>("CloseBtn"))
          if (b->isEnabled() && b->text().contains("Готово")) b->click();
      }
    });
    timer_.start();
  }

 private:
  QTimer timer_;
};

}  // namespace fixture
