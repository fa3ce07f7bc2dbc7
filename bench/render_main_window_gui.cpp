// Renders the main window to a PNG with a report read and marked, for the
// README and for looking at the layout without a screen.
//
//   render_main_window_gui OUT.png [REPORT [REPLACE-LIST [DATE MIN MAX]]]
//
// Defaults: the sample report and substitution list of examples/, trade
// date 05.03.2003, accounts 1000 to 2000.  Messages go to standard error.
// Run it on the offscreen platform (QT_QPA_PLATFORM=offscreen); the
// settings file is the usual one, so point XDG_CONFIG_HOME at a scratch
// folder.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>

#include <cstdio>
#include <string>
#include <vector>

#include "RTS/ReplaceList.h"
#include "RTS/gui/TRTSForm.h"
#include "Utils/Text1251.h"
#include "Utils/Utils.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"
#include "settings/IniFile.h"

#ifndef RTS_SOURCE_DIR
#define RTS_SOURCE_DIR "."
#endif

int main(int argc, char** argv) {
  rts::SetRussianDateNames();
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: %s OUT.png [REPORT [REPLACE-LIST [DATE MIN MAX]]]\n", argv[0]);
    return 2;
  }
  const QString examples = QStringLiteral(RTS_SOURCE_DIR) + "/examples";
  const QString out = args[1];
  const QString report = QFileInfo(args.size() > 2 ? args[2] : examples + "/REPORT.TXT").absoluteFilePath();
  const QString replace = args.size() > 3 ? args[3] : examples + "/REPLACE.TXT";
  const QString date = args.size() > 4 ? args[4] : "05.03.2003";
  const QString min = args.size() > 5 ? args[5] : "1000";
  const QString max = args.size() > 6 ? args[6] : "2000";

  // The substitution list goes where the window reads it: the settings file.
  {
    rts::IniFile ini(rts::DefaultSettingsPath());
    rts::WriteListSection(ini, "ReplaceList", rts::ReadListFile(replace.toStdString()));
    ini.Save();
  }
  TRTSForm form;
  form.show();
  form.InFilenameEdit->setText(report);
  form.TorgDateEdit->setText(date);
  form.MinClientEdit->setText(min);
  form.MaxClientEdit->setText(max);
  form.BrokerAccEdit->setText("MC0001");
  form.OutFilenameEdit->setText(QDir::tempPath() + "/OUT.DBF");
  form.OpenBtnClick();
  app.processEvents();
  if (!form.grab().save(out)) {
    std::fprintf(stderr, "cannot write %s\n", out.toLocal8Bit().constData());
    return 1;
  }
  std::printf("%s: %zu trades, %zu marked\n", out.toLocal8Bit().constData(),
              form.TradeRows().RowCount(), form.MarkedCount());
  form.hide();
  return 0;
}
