// rtsbatch export REPORT [--out FILE] [--date D] [--min A] [--max B]
// [--broker C] [--mode new|append] [--squeeze-client] [--merge-orders]
// [--replace-list FILE] [--yes] [--raw]: the selection and then the export
// of the window, with the same questions and messages; ends by printing the
// output table's record count.
#include <unistd.h>

#include <chrono>
#include <memory>

#include "RTS/Export.h"
#include "RTS/ReplaceList.h"
#include "batch/BatchCommon.h"
#include "settings/IniFile.h"

namespace rts::batch {
namespace {

struct ExportOptions {
  std::string report;
  SelectionOptions selection;
  std::optional<std::string> out, broker, mode;
  CLI::Option* squeezeClient = nullptr;
  CLI::Option* mergeOrders = nullptr;
};

// Progress on a terminal: one line rewritten at most ten times a second.
class TerminalProgress : public ProgressSink {
 public:
  void Start(const std::string& caption, const std::vector<std::string>& steps) override {
    caption_ = caption;
    step_ = steps.empty() ? std::string() : steps.front();
  }
  void UpdateStep(int, int position, int total) override {
    const auto now = std::chrono::steady_clock::now();
    if (position != total && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    std::fprintf(stderr, "\r%s:%s %d / %d", caption_.c_str(), step_.c_str(), position, total);
    std::fflush(stderr);
  }
  void Finish() override { std::fprintf(stderr, "\n"); }

 private:
  std::string caption_, step_;
  std::chrono::steady_clock::time_point last_{};
};

int WriteModeOf(const ExportOptions& o, const IniFile& ini) {
  if (o.mode) return *o.mode == "new" ? 0 : 1;
  return ini.ReadInteger("TRTSForm", "WriteModeRadioGroup_ItemIndex", -1);
}

bool FlagOrStored(const CLI::Option* flag, const IniFile& ini, const char* key) {
  if (flag->count() > 0) return true;
  return ini.ReadBool("TRTSForm", key, false);
}

RTS_BATCH_COMMAND(Command{
    30, "export", "mark the trades of a report and export them into the output table",
    [](CLI::App& sub, Globals& globals) -> std::function<int()> {
      auto o = std::make_shared<ExportOptions>();
      sub.add_option("REPORT", o->report, "the trade report file")->required();
      sub.add_option("--out", o->out, "output table file (default: stored OutFilenameEdit_Text)");
      sub.add_option("--broker", o->broker,
                     "broker account code (default: stored BrokerAccEdit_Text)");
      sub.add_option("--mode", o->mode,
                     "write mode for an existing table (default: stored "
                     "WriteModeRadioGroup_ItemIndex)")
          ->check(CLI::IsMember({"new", "append"}));
      o->squeezeClient = sub.add_flag("--squeeze-client")->description(
          "squeeze lines by client (default: stored SqueeseClientCheckBox_Checked)");
      o->mergeOrders = sub.add_flag("--merge-orders")->description(
          "merge the fills of one order (default: stored SqueeseClaineCheckBox_Checked)");
      sub.add_flag("--yes", globals.yes, "answer the questions \"Да\"");
      o->selection.Add(sub);
      return [o, &globals] {
        BatchPresenter presenter(globals.yes);
        IniFile ini(globals.SettingsFile());
        MarkedReport r;
        OpenMarkedReport(o->report, o->selection, ini, r);

        ExportInputs in;
        in.outFileName = OptionOrStored(o->out, ini, "OutFilenameEdit_Text");
        in.tradeDate = r.selection.tradeDate;
        in.brokerAcc = OptionOrStored(o->broker, ini, "BrokerAccEdit_Text");
        in.writeMode = WriteModeOf(*o, ini);
        in.squeezeClient = FlagOrStored(o->squeezeClient, ini, "SqueeseClientCheckBox_Checked");
        in.mergeOrders = FlagOrStored(o->mergeOrders, ini, "SqueeseClaineCheckBox_Checked");

        TerminalProgress terminal;
        NullProgress none;
        ProgressSink& progress = ::isatty(STDERR_FILENO) ? static_cast<ProgressSink&>(terminal)
                                                         : static_cast<ProgressSink&>(none);
        const ExportResult result = ExportBtnClick(r.table, r.marked, in, progress);
        if (result.completed) {
          std::printf("%d\n", OutputRecordCount(result.table));
          std::fflush(stdout);
        }
        return ExitCodeOf(presenter);
      };
    }});

}  // namespace
}  // namespace rts::batch
