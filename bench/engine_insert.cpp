// The table engine under the export's load: N single-record INSERT
// statements through TQuery into the twelve-field output table (prepared
// once, one statement per record, no enclosing transaction), then the
// turnover's grouping by security over the table.  For comparison, in the
// same run: a plain fwrite of N 171-byte records, and ogr2ogr (GDAL)
// converting the same rows from CSV to a DBF.
//
//   engine_insert [N] [FOLDER] [inserts]   (N = 1000000, FOLDER = a new temp folder;
//                                           "inserts": the INSERT statements only, for profiling)
#include "RTS/OutputTable.h"
#include "tableaccess/Query.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Processor time of this process (user, system), for runs on a busy machine.
std::pair<double, double> CpuSeconds() {
  rusage u {};
  getrusage(RUSAGE_SELF, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return {s(u.ru_utime), s(u.ru_stime)};
}

struct Row {
  std::string client, ticker;
  int oper;
  double price, qty;
  rts::Date date;
  std::string sdel;
};

std::vector<Row> MakeRows(long n) {
  std::mt19937 rng(20160404);
  std::vector<std::string> tickers;
  for (int i = 0; i < 300; ++i) tickers.push_back("SEC" + std::to_string(i * 7919 % 1000));
  std::vector<Row> rows;
  rows.reserve(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i) {
    Row r;
    r.client = std::to_string(1000 + rng() % 5000);
    r.ticker = tickers[rng() % tickers.size()];
    r.oper = static_cast<int>(rng() % 2);
    r.price = static_cast<double>(rng() % 10000000) / 1000.0;
    r.qty = static_cast<double>(1 + rng() % 100000) / 10.0;
    r.date = {2016, 4, 1 + static_cast<int>(rng() % 28)};
    r.sdel = std::to_string(100000 + i);
    rows.push_back(std::move(r));
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
  fs::path dir = argc > 2 && *argv[2] ? fs::path(argv[2]) : fs::temp_directory_path() / "rts_engine_bench";
  const bool insertsOnly = argc > 3 && std::string(argv[3]) == "inserts";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::printf("records: %ld, folder: %s\n", n, dir.c_str());
  const std::vector<Row> rows = MakeRows(n);

  try {
    // 1. The engine: one INSERT statement per record.
    rts::CreateOutputTable((dir / "OUT.DBF").string());
    rts::TQuery ins;
    ins.SetDatabaseName(dir.string());
    ins.SetSQL(rts::InsOutSQL);
    ins.SetMacro("M", "OUT");
    const auto cpu0 = CpuSeconds();
    auto t0 = Clock::now();
    for (const Row& r : rows) {
      ins.SetParamText("CLIENTID", r.client);
      ins.SetParamText("TICKER", r.ticker);
      ins.SetParamNumber("OPERTYPE", r.oper);
      ins.SetParamNumber("PRICE", r.price);
      ins.SetParamNumber("QTY", r.qty);
      ins.SetParamDate("DATE", r.date);
      ins.SetParamText("SDEL", r.sdel);
      ins.SetParamText("BROCID", "BR01");
      ins.SetParamText("VAL", "SUR");
      ins.ExecSQL();
    }
    const double tIns = Seconds(t0);
    const auto cpu1 = CpuSeconds();
    std::printf("engine INSERT statements: %.3f s, %.0f records/s\n", tIns, n / tIns);
    std::printf("  processor time: %.3f s user, %.3f s system, %.0f records per processor second\n",
                cpu1.first - cpu0.first, cpu1.second - cpu0.second,
                n / (cpu1.first - cpu0.first + cpu1.second - cpu0.second));
    std::printf("  table size: %ju bytes\n", static_cast<uintmax_t>(fs::file_size(dir / "OUT.DBF")));
    if (insertsOnly) {
      fs::remove_all(dir);
      return 0;
    }

    // 2. The grouping by security over the table, read to the end.
    for (int run = 0; run < 3; ++run) {
      rts::TQuery g;
      g.SetDatabaseName(dir.string());
      g.SetSQL("select  ticker,OPERTYPE,SUM(QTY) summa from \"OUT\" group by ticker,opertype order by "
               "ticker,OPERTYPE");
      t0 = Clock::now();
      g.Open();
      long groups = 0;
      double total = 0;
      for (; !g.Eof(); g.Next()) {
        ++groups;
        total += g.FieldNumber(2);
      }
      const double tGroup = Seconds(t0);
      std::printf("grouping by security (run %d): %.3f s, %ld groups, %.0f records/s (sum %.1f)\n", run + 1,
                  tGroup, groups, n / tGroup, total);
    }

    // For reference: one pass over the table without grouping.
    {
      rts::TQuery s;
      s.SetDatabaseName(dir.string());
      s.SetSQL("select sum(QTY), count(TICKER) from OUT");
      t0 = Clock::now();
      s.Open();
      std::printf("scan without grouping (sum, count): %.3f s\n", Seconds(t0));
    }

    // 3. The live view's opening over the table (record numbers only).
    {
      rts::TQuery view;
      view.SetDatabaseName(dir.string());
      view.SetSQL(rts::ViewOutSQL);
      view.SetMacro("M", "OUT");
      t0 = Clock::now();
      view.OpenLive();
      std::printf("live view opened: %.3f s, %d records\n", Seconds(t0), view.RecordCount());
    }
  } catch (const rts::EDatabaseError& e) {
    std::fprintf(stderr, "engine failure: %s\n", e.what());
    return 1;
  }

  // 4. Plain fwrite of the same number of 171-byte records, formatted.
  {
    auto t0 = Clock::now();
    std::FILE* f = std::fopen((dir / "PLAIN.DBF").c_str(), "wb");
    char rec[172];
    for (const Row& r : rows) {
      std::snprintf(rec, sizeof rec, " %-16s%-50s%6d%20.5f%20.5f%04d%02d%02d%-11s%-16s%2s%2s%-16s%-3s",
                    r.client.c_str(), r.ticker.c_str(), r.oper, r.price, r.qty, r.date.year, r.date.month,
                    r.date.day, r.sdel.c_str(), "BR01", "", "", "", "SUR");
      std::fwrite(rec, 1, 171, f);
    }
    std::fclose(f);
    const double t = Seconds(t0);
    std::printf("plain fwrite of formatted 171-byte records: %.3f s, %.0f records/s\n", t, n / t);
  }

  // 5. ogr2ogr from a CSV of the same rows (the CSV is written beforehand).
  {
    const fs::path csv = dir / "rows.csv";
    std::FILE* f = std::fopen(csv.c_str(), "wb");
    std::fprintf(f, "CLIENTID,TICKER,OPERTYPE,PRICE,QTY,DATES,SDEL,BROCID,VAL\n");
    for (const Row& r : rows)
      std::fprintf(f, "%s,%s,%d,%.3f,%.1f,%04d%02d%02d,%s,BR01,SUR\n", r.client.c_str(), r.ticker.c_str(), r.oper,
                   r.price, r.qty, r.date.year, r.date.month, r.date.day, r.sdel.c_str());
    std::fclose(f);
    const std::string cmd = "ogr2ogr -f \"ESRI Shapefile\" '" + (dir / "ogr").string() + "' '" + csv.string() +
                            "' -nln OGROUT >/dev/null 2>&1";
    auto t0 = Clock::now();
    const int rc = std::system(cmd.c_str());
    const double t = Seconds(t0);
    if (rc == 0)
      std::printf("ogr2ogr CSV -> DBF: %.3f s, %.0f records/s\n", t, n / t);
    else
      std::printf("ogr2ogr CSV -> DBF: failed (exit %d)\n", rc);
  }
  fs::remove_all(dir);
  return 0;
}
