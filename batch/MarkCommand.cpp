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
        SetMessagePresenter(&presenter);
        struct Restore {
          ~Restore() { SetMessagePresenter(nullptr); }
        } restore;
        IniFile ini(globals.SettingsFile());
        ReplaceLists lists;
        LoadReplaceLists(o->selection.replaceList, ini, lists);
        TradeTable table;
        MarkedList marked;
        const OpenResult result =
            OpenReport(ArgText(o->report), o->selection.Inputs(ini), lists, table, marked);
        std::fprintf(stderr, "%s\n%s\n", result.status.total.c_str(), result.status.marked.c_str());
        if (!result.found) return static_cast<int>(kFailed);
        PrintRows(stdout, table, o->selection.raw, &marked);
        return ExitCodeOf(presenter);
      };
    }});

}  // namespace
}  // namespace rts::batch
