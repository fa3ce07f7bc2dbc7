// rtsbatch mark REPORT [--date D] [--min A] [--max B] [--replace-list FILE]
// [--raw]: the rows after substitution, each preceded by "*" when marked and
// a TAB; the status texts go to standard error.
#include <memory>

#include "RTS/ReplaceList.h"
#include "batch/BatchCommon.h"
#include "settings/IniFile.h"

namespace rts::batch {
namespace {

struct MarkOptions {
  std::string report;
  SelectionOptions selection;
};

RTS_BATCH_COMMAND(Command{
    20, "mark", "read a trade report, substitute client codes and mark the trades to export",
    [](CLI::App& sub, Globals& globals) -> std::function<int()> {
      auto o = std::make_shared<MarkOptions>();
      sub.add_option("REPORT", o->report, "the trade report file")->required();
      o->selection.Add(sub);
      return [o, &globals] {
        BatchPresenter presenter(globals.yes);
        IniFile ini(globals.SettingsFile());
        MarkedReport r;
        OpenMarkedReport(o->report, o->selection, ini, r);
        if (!r.opened.found) return static_cast<int>(kFailed);
        PrintRows(stdout, r.table, o->selection.raw, &r.marked);
        return ExitCodeOf(presenter);
      };
    }});

}  // namespace
}  // namespace rts::batch
