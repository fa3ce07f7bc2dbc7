// The output table's grid model over a large table: how long opening takes,
// and how long the rows of a screen take when the operator jumps about.
//
//   livemodel_gui [N] [FOLDER]     (N = 1000000)
#include "RTS/OutputTable.h"
#include "tableaccess/Query.h"
#include "tableaccess/gui/LiveQueryModel.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// N records straight into a new output table (the engine's insert speed is
// engine_insert's business).
void WriteTable(const std::string& path, long n) {
  rts::CreateOutputTable(path);
  std::FILE* f = std::fopen(path.c_str(), "r+b");
  std::fseek(f, 417, SEEK_SET);
  char rec[400];
  for (long i = 0; i < n; ++i) {
    std::snprintf(rec, sizeof rec, " %-16ld%-50s%6d%20.5f%20.5f20160404%-11ld%-16s    %-16s%-3s", 1000 + i % 5000,
                  ("SEC" + std::to_string(i % 300)).c_str(), static_cast<int>(i % 2), 12.5, 3.0, i, "BR01", "", "SUR");
    std::fwrite(rec, 1, 171, f);
  }
  std::fputc(0x1A, f);
  const unsigned char count[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                                  static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
  std::fseek(f, 4, SEEK_SET);
  std::fwrite(count, 1, 4, f);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
  const std::filesystem::path dir =
      argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path() / "rts_livemodel_bench";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  WriteTable((dir / "OUT.DBF").string(), n);

  rts::TQuery query;
  query.SetDatabaseName(dir.string());
  query.SetSQL(rts::ViewOutSQL);
  query.SetMacro("M", "OUT");
  LiveQueryModel model;
  model.setQuery(&query);
  auto t0 = Clock::now();
  model.open();
  std::printf("records: %d, model opened in %.3f s\n", model.rowCount(), Seconds(t0));

  // A screen is 40 rows of 9 columns; 200 jumps to random places.
  std::mt19937 rng(1);
  t0 = Clock::now();
  long cells = 0;
  for (int jump = 0; jump < 200; ++jump) {
    const int top = static_cast<int>(rng() % static_cast<unsigned>(model.rowCount() - 40));
    for (int r = top; r < top + 40; ++r)
      for (int c = 0; c < model.columnCount(); ++c) cells += model.data(model.index(r, c)).toString().size();
  }
  const double t = Seconds(t0);
  std::printf("200 screens at random places: %.3f s, %.2f ms a screen\n", t, t * 1000 / 200);
  // Scrolling line by line through 2000 rows.
  t0 = Clock::now();
  const int start = model.rowCount() / 2;
  for (int r = start; r < start + 2000; ++r)
    for (int c = 0; c < model.columnCount(); ++c) cells += model.data(model.index(r + 39, c)).toString().size();
  std::printf("2000 lines scrolled: %.3f s (%ld characters shown)\n", Seconds(t0), cells);
  std::filesystem::remove_all(dir);
  return 0;
}
