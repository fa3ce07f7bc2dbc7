// export_gui [TRADES] [REPORT]: exports 1,000,000 marked trades end to end
// through the window program's road, headless (offscreen platform): the
// report is read and every trade marked as the show button does, then the
// export button's action builds the lines, inserts one record per line and
// drives the real progress window.  For comparison, the same records are
// then inserted by a bare loop of the insert statement (no lines, no
// progress), which is the table engine's own share.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "RTS/Export.h"
#include "RTS/ReplaceList.h"
#include "RTS/Selection.h"
#include "UtilMess/ShowMessDlg.h"
#include "UtilPrgs/gui/TProgressForm.h"
#include "Utils/Convert.h"
#include "Utils/Utils.h"
#include "bench/ReportGen.h"
#include "tableaccess/Query.h"

namespace {

double Since(std::chrono::steady_clock::time_point a) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

// Answers every question "Да" and prints nothing but errors.
class YesPresenter : public rts::MessagePresenter {
 public:
  int Present(const rts::Message& m) override {
    if (m.kind == rts::TMessKind::mkError || m.details) std::fprintf(stderr, "%s\n", m.text.c_str());
    return 1;
  }
};

// The window's progress display, closed by the "operator" as soon as it
// says "Готово".
class AutoClosingSink : public ProgressFormSink {
 public:
  using ProgressFormSink::ProgressFormSink;
  void Finish() override {
    TProgressForm* f = form();
    QTimer::singleShot(0, f, [f] { f->hide(); });
    ProgressFormSink::Finish();
  }
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  rts::SetRussianDateNames();
  const unsigned long long trades = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000ULL;
  const std::string report =
      argc > 2 ? argv[2] : "/tmp/rts_bench_report_" + std::to_string(trades) + ".txt";
  struct stat st {};
  if (::stat(report.c_str(), &st) != 0) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::FILE* out = std::fopen(report.c_str(), "wb");
      if (!out) _exit(1);
      rts::bench::WriteReport(out, trades);
      _exit(std::fclose(out) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
  }

  YesPresenter yes;
  rts::SetMessagePresenter(&yes);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("rts_bench_export_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);

  // The show button: read, and mark every trade (upper bound only).
  rts::TradeTable table;
  rts::MarkedList marked;
  rts::ReplaceLists lists;
  auto t0 = std::chrono::steady_clock::now();
  rts::OpenReport(report, {"", "", "99999999"}, lists, table, marked);
  const double open = Since(t0);
  // Exactly the number of trades asked for stays marked.
  for (size_t r = trades + 1; r <= table.RowCount(); ++r) marked.Remove(r);

  QWidget owner;
  owner.resize(800, 600);
  owner.show();

  rts::ExportInputs in;
  in.outFileName = (dir / "OUT.DBF").string();
  in.tradeDate = "05.09.2004";
  in.brokerAcc = "BR01";
  in.writeMode = 0;

  t0 = std::chrono::steady_clock::now();
  rts::ExportList lines = rts::BuildExportList(table, marked, in);
  const double build = Since(t0);

  AutoClosingSink progress(&owner);
  t0 = std::chrono::steady_clock::now();
  const rts::ExportResult r = rts::ExportBtnClick(table, marked, in, progress);
  const double exportSeconds = Since(t0);
  const int count = r.completed ? rts::OutputRecordCount(r.table) : -1;

  // The engine alone: the same records by a bare insert loop into a fresh table.
  const std::string raw = (dir / "RAW.DBF").string();
  rts::CreateOutputTable(raw);
  rts::TQuery insert;
  insert.SetDatabaseName(dir.string());
  insert.SetMacro("M", "RAW");
  insert.SetSQL(rts::InsOutSQL);
  const rts::Date date = rts::TextToDate(in.tradeDate);
  t0 = std::chrono::steady_clock::now();
  for (size_t i = 0; i < lines.Count(); ++i) {
    insert.SetParamText("CLIENTID", std::string(lines.Field(i, 1)));
    insert.SetParamText("TICKER", std::string(lines.Field(i, 2)));
    insert.SetParamNumber("OPERTYPE", rts::OperationType(lines.Field(i, 3)));
    insert.SetParamNumber("PRICE", rts::TextToNumber(lines.Field(i, 4)));
    insert.SetParamNumber("QTY", rts::TextToNumber(lines.Field(i, 5)));
    insert.SetParamDate("DATE", date);
    insert.SetParamText("SDEL", std::string(lines.Field(i, 7)));
    insert.SetParamText("BROCID", std::string(lines.Field(i, 8)));
    insert.SetParamText("VAL", std::string(lines.Field(i, 9)));
    insert.ExecSQL();
  }
  const double rawSeconds = Since(t0);

  struct rusage ru {};
  ::getrusage(RUSAGE_SELF, &ru);
  std::printf("marked trades            : %zu (of %zu rows)\n", marked.Count(), table.RowCount());
  std::printf("read + mark (show button): %8.3f s\n", open);
  std::printf("build export lines only  : %8.3f s\n", build);
  std::printf("export end to end        : %8.3f s  (%zu lines, %zu inserted, table count %d)\n",
              exportSeconds, r.lines, r.inserted, count);
  std::printf("bare insert loop (engine): %8.3f s\n", rawSeconds);
  std::printf("peak RSS                 : %8.1f MiB\n", ru.ru_maxrss / 1024.0);
  std::filesystem::remove_all(dir);
  return r.completed && count == static_cast<int>(r.lines) ? 0 : 1;
}
