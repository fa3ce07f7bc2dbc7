// Renders the main window to a PNG with a report read and marked, for the
// README and for looking at the layout without a screen.
//
//   render_main_window_gui [--hold MS] [--export OUT.DBF] OUT.png
//                          [REPORT [REPLACE-LIST [DATE MIN MAX]]]
//
// Defaults: the sample report and substitution list of examples/ (relative
// to the current folder), trade date 05.03.2003, accounts 1000 to 2000.
// --export then exports the marked trades into OUT.DBF (mode "Сначала",
// every question answered "Да") before the window is grabbed.  --hold keeps
// the window (and the export's progress window) on screen for MS
// milliseconds at each stage, so that a screen grabber can catch them under
// a real window manager.  Run on the offscreen platform for the PNG alone;
// the settings file is the usual one, so point XDG_CONFIG_HOME at a scratch
// folder.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "RTS/ReplaceList.h"
#include "RTS/gui/FormWidgets.h"
#include "RTS/gui/TRTSForm.h"
#include "UtilMess/ShowMessDlg.h"
#include "Utils/Text1251.h"
#include "Utils/Utils.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"
#include "settings/IniFile.h"

namespace {

void Hold(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Answers every question "Да" and writes each message to standard error.
class YesPresenter : public rts::MessagePresenter {
 public:
  YesPresenter() { rts::SetMessagePresenter(this); }
  ~YesPresenter() override { rts::SetMessagePresenter(nullptr); }
  int Present(const rts::Message& m) override {
    std::fprintf(stderr, "%s\n", m.text.c_str());
    return 1;
  }
};

}  // namespace

int main(int argc, char** argv) {
  rts::SetRussianDateNames();
  QApplication app(argc, argv);
  QStringList args = app.arguments();
  args.removeFirst();
  int hold = 0;
  QString exportTo;
  while (!args.isEmpty() && args.first().startsWith("--")) {
    const QString opt = args.takeFirst();
    if (args.isEmpty()) break;
    if (opt == "--hold") hold = args.takeFirst().toInt();
    else if (opt == "--export") exportTo = QFileInfo(args.takeFirst()).absoluteFilePath();
  }
  if (args.isEmpty()) {
    std::fprintf(stderr,
                 "usage: %s [--hold MS] [--export OUT.DBF] OUT.png [REPORT [REPLACE-LIST [DATE MIN MAX]]]\n",
                 argv[0]);
    return 2;
  }
  const QString out = args[0];
  const QString report = QFileInfo(args.size() > 1 ? args[1] : "examples/REPORT.TXT").absoluteFilePath();
  const QString replace = args.size() > 2 ? args[2] : "examples/REPLACE.TXT";
  const QString date = args.size() > 3 ? args[3] : "05.03.2003";
  const QString min = args.size() > 4 ? args[4] : "1000";
  const QString max = args.size() > 5 ? args[5] : "2000";

  YesPresenter presenter;
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
  form.OutFilenameEdit->setText(exportTo.isEmpty() ? QDir::tempPath() + "/OUT.DBF" : exportTo);
  form.OpenBtnClick();
  Hold(hold);

  if (!exportTo.isEmpty()) {
    QFile::remove(exportTo);
    form.WriteModeRadioGroup->SetItemIndex(0);
    // Closes the progress window ("Готово") once it has been seen.
    QTimer closer;
    closer.setInterval(20);
    QElapsedTimer shown;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w == &form) continue;
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>("CloseBtn")) {
          if (!b->isEnabled() || !b->text().contains("Готово")) continue;
          if (!shown.isValid()) shown.start();
          if (shown.elapsed() >= hold) b->click();
        }
      }
    });
    closer.start();
    form.ExportBtnClick();
    closer.stop();
    Hold(hold);
  }
  QApplication::processEvents();
  if (!form.grab().save(out)) {
    std::fprintf(stderr, "cannot write %s\n", out.toLocal8Bit().constData());
    return 1;
  }
  std::printf("%s: %zu trades, %zu marked\n", out.toLocal8Bit().constData(),
              form.TradeRows().RowCount(), form.MarkedCount());
  form.hide();
  return 0;
}
