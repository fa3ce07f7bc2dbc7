// How the trade grid copes with a million trades: the time to show a
// freshly read table, and the time to paint one screenful while scrolling
// (page by page from the top, and by jumps across the whole table).
//
//   QT_QPA_PLATFORM=offscreen trade_grid_scroll_gui [ROWS]
#include <QApplication>
#include <QPixmap>
#include <QScrollBar>
#include <QTableView>

#include <chrono>
#include <cstdio>
#include <string>

#include "RTS/TradeTable.h"
#include "RTS/gui/TradeTableModel.h"

namespace {

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const size_t rows = argc > 1 ? std::stoul(argv[1]) : 1000000;

  rts::TradeTable table;
  table.Reserve(rows, rows * 100);
  for (size_t i = 0; i < rows; ++i) {
    const std::string client = std::to_string(1000 + i % 5000);
    const std::string trans = std::to_string(i / 2);  // pairs share a key: aqua rows
    table.AddRow({client, i % 3 ? "P1" : "S1", "05/03/2003", "10:00:00", trans, "SEC01", "101.25",
                  "40", "4050.00", "USD", "FIRM7", "C", "T3", "07/03/2003", "\xEA\xEE\xEC"});
  }
  TradeTableModel model(&table, [](size_t r) { return r % 7 == 0; });
  QTableView view;
  view.resize(717, 400);
  SetupTradeGrid(&view, &model);
  view.show();
  QApplication::processEvents();

  auto t0 = std::chrono::steady_clock::now();
  model.Reload();
  view.viewport()->grab();
  const double showMs = Ms(t0);

  QScrollBar* bar = view.verticalScrollBar();
  const int pages = 2000;
  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < pages; ++i) {
    bar->setValue(bar->value() + bar->pageStep());
    view.viewport()->grab();
  }
  const double pageMs = Ms(t0) / pages;

  const int jumps = 500;
  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < jumps; ++i) {
    bar->setValue(static_cast<int>((static_cast<long long>(bar->maximum()) * ((i * 7919) % jumps)) / jumps));
    view.viewport()->grab();
  }
  const double jumpMs = Ms(t0) / jumps;

  std::printf("rows %zu: shown in %.1f ms; one screenful painted per page step %.2f ms, per jump %.2f ms\n",
              rows, showMs, pageMs, jumpMs);
  return 0;
}
