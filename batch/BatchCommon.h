// What the read, mark and export subcommands share: command-line texts as
// control texts, the settings of the main window, the substitution list,
// printing trade rows, and the exit code of a run.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "RTS/Selection.h"
#include "RTS/TradeTable.h"
#include "batch/BatchPresenter.h"
#include "batch/Command.h"

namespace rts {
class IniFile;
class ReplaceLists;
}  // namespace rts

namespace rts::batch {

// A command-line text as a control would hold it: UTF-8 is converted to
// Windows-1251; a text that is not valid UTF-8 is taken as Windows-1251
// bytes already.
std::string ArgText(const std::string& arg);

// An option's value, or else the stored value of the control `key` in the
// TRTSForm section of the settings file ("" when absent).
std::string OptionOrStored(const std::optional<std::string>& option, const IniFile& ini,
                           const char* key);

// Builds the substitution and lot lists: from a Windows-1251 text file of
// one rule per line when `listFile` is given (UTF-8 name), else from the
// ReplaceList section of the settings file.  Format errors are shown as the
// window shows them.  A list file that cannot be read throws.
void LoadReplaceLists(const std::optional<std::string>& listFile, const IniFile& ini,
                      ReplaceLists& lists);

// Writes the table's rows, one line each, the 15 cells joined by TAB; each
// line starts with `prefix(row)` when given.  Raw: the cells' bytes; else
// UTF-8.
void PrintRows(std::FILE* out, const TradeTable& table, bool raw,
               const MarkedList* marked = nullptr);

// The exit code after a run that ended without an exception.
int ExitCodeOf(const BatchPresenter& presenter);

// Options of the selection shared by mark and export.
struct SelectionOptions {
  std::optional<std::string> date, min, max, replaceList;
  bool raw = false;
  void Add(CLI::App& sub);
  SelectionInputs Inputs(const IniFile& ini) const;
};

// A report read and marked as the show button does it: the substitution
// list loaded, the selection taken from the options or the stored values,
// the two status texts written to standard error.
struct MarkedReport {
  SelectionInputs selection;
  TradeTable table;
  MarkedList marked;
  OpenResult opened;
};
void OpenMarkedReport(const std::string& report, const SelectionOptions& options,
                      const IniFile& ini, MarkedReport& out);

}  // namespace rts::batch
