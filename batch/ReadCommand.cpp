// rtsbatch read REPORT [--raw]: the trade rows as the reader fills the grid.
#include <memory>

#include "RTS/ReportReader.h"
#include "batch/BatchCommon.h"

namespace rts::batch {
namespace {

struct ReadOptions {
  std::string report;
  bool raw = false;
};

RTS_BATCH_COMMAND(Command{
    10, "read", "read a trade report and print its rows, the 15 cells joined by TAB",
    [](CLI::App& sub, Globals& globals) -> std::function<int()> {
      auto o = std::make_shared<ReadOptions>();
      sub.add_option("REPORT", o->report, "the trade report file")->required();
      sub.add_flag("--raw", o->raw, "write the cells' bytes as they are (Windows-1251)");
      return [o, &globals] {
        BatchPresenter presenter(globals.yes);
        TradeTable table;
        if (!ReadTradeReport(ArgText(o->report), table)) return static_cast<int>(kFailed);
        PrintRows(stdout, table, o->raw);
        return ExitCodeOf(presenter);
      };
    }});

}  // namespace
}  // namespace rts::batch
