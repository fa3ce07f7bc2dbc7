// rtsbatch sql [--dir DIR] [--param NAME=VALUE]... [--raw] STATEMENT
//
// Runs one statement through the table engine, as the tool itself does, to
// look into settlement files.  A result prints a line of field names, then
// one line per row, TAB-separated; a statement without a result prints
// nothing.  An engine failure prints the engine's message and exits 1.
//
// Parameters: NAME=VALUE binds text, NAME:n=VALUE a number ("12.5"),
// NAME:d=VALUE a date ("05.03.2003"), NAME:null= a NULL.
// Texts given in UTF-8 are converted to Windows-1251; with --raw the
// statement, parameters and printed values are bytes passed as they are.
#include "Utils/Convert.h"
#include "Utils/Text1251.h"
#include "batch/BatchCommon.h"
#include "tableaccess/Query.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace rts::batch {
namespace {

struct SqlOptions {
  std::string dir;
  std::vector<std::string> params;
  bool raw = false;
  std::string statement;
};

// Binds one --param; false with a message on stderr when it is malformed.
bool BindParam(TQuery& q, const std::string& param, bool raw) {
  const size_t eq = param.find('=');
  if (eq == std::string::npos || eq == 0) {
    std::fprintf(stderr, "--param %s: expected NAME=VALUE\n", param.c_str());
    return false;
  }
  std::string name = param.substr(0, eq);
  const std::string value = raw ? param.substr(eq + 1) : ArgText(param.substr(eq + 1));
  std::string kind = "t";
  if (const size_t colon = name.find(':'); colon != std::string::npos) {
    kind = name.substr(colon + 1);
    name.erase(colon);
  }
  if (!raw) name = ArgText(name);
  if (kind == "t") {
    q.SetParamText(name, value);
  } else if (kind == "n") {
    double v = 0;
    if (!TryTextToNumber(value, v)) {
      std::fprintf(stderr, "--param %s: '%s' is not a number\n", param.c_str(), param.c_str() + eq + 1);
      return false;
    }
    q.SetParamNumber(name, v);
  } else if (kind == "d") {
    Date d;
    if (!TryTextToDate(value, d)) {
      std::fprintf(stderr, "--param %s: '%s' is not a date\n", param.c_str(), param.c_str() + eq + 1);
      return false;
    }
    q.SetParamDate(name, d);
  } else if (kind == "null") {
    q.SetParamNull(name);
  } else {
    std::fprintf(stderr, "--param %s: the kind after ':' is t, n, d or null\n", param.c_str());
    return false;
  }
  return true;
}

void PrintLine(const std::vector<std::string>& cells, bool raw) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i) line += '\t';
    line += raw ? cells[i] : Cp1251ToUtf8(cells[i]);
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

RTS_BATCH_COMMAND(Command{
    60, "sql", "run one statement through the table engine and print its result, TAB-separated",
    [](CLI::App& sub, Globals&) -> std::function<int()> {
      auto o = std::make_shared<SqlOptions>();
      sub.add_option("--dir", o->dir, "folder of the tables (default: the current folder)");
      sub.add_option("--param", o->params,
                     "a parameter: NAME=TEXT, NAME:n=NUMBER, NAME:d=DD.MM.YYYY or NAME:null=");
      sub.add_flag("--raw", o->raw, "statement, parameters and values as Windows-1251 bytes");
      sub.add_option("STATEMENT", o->statement, "the statement")->required();
      return [o] {
        TQuery q;
        q.SetDatabaseName(o->raw ? o->dir : ArgText(o->dir));
        q.SetSQL(o->raw ? o->statement : ArgText(o->statement));
        for (const auto& p : o->params)
          if (!BindParam(q, p, o->raw)) return static_cast<int>(kUsage);
        try {
          if (q.Execute()) {
            PrintLine(q.FieldNames(), o->raw);
            const int n = q.FieldCount();
            std::vector<std::string> cells(static_cast<size_t>(n));
            for (; !q.Eof(); q.Next()) {
              for (int i = 0; i < n; ++i) cells[static_cast<size_t>(i)] = q.FieldText(i);
              PrintLine(cells, o->raw);
            }
          }
        } catch (const EDatabaseError& e) {
          std::fflush(stdout);
          std::fprintf(stderr, "%s\n", e.what());
          return static_cast<int>(kFailed);
        }
        return static_cast<int>(kDone);
      };
    }});

}  // namespace
}  // namespace rts::batch
