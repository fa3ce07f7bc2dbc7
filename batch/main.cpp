// rtsbatch: the jobs of the window program from a shell.
#include "batch/BatchPresenter.h"
#include "batch/Command.h"
#include "settings/IniFile.h"
#include "Utils/Utils.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

namespace rts::batch {

static std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

bool RegisterCommand(Command command) {
  Registry().push_back(std::move(command));
  return true;
}

std::string Globals::SettingsFile() const {
  return settingsPath.empty() ? DefaultSettingsPath() : settingsPath;
}

}  // namespace rts::batch

int main(int argc, char** argv) {
  using namespace rts::batch;
  rts::SetRussianDateNames();
  CLI::App app{"rtsbatch: the trade file preparation jobs from a shell"};
  app.require_subcommand(1);
  app.fallthrough();  // --settings may also follow the subcommand
  Globals globals;
  app.add_option("--settings", globals.settingsPath, "settings file (default: rts.INI in the config folder)");

  auto commands = Registry();
  std::sort(commands.begin(), commands.end(),
            [](const Command& a, const Command& b) { return a.order < b.order; });
  std::function<int()> action;
  for (auto& c : commands) {
    CLI::App* sub = app.add_subcommand(c.name, c.description);
    auto run = c.setup(*sub, globals);
    sub->callback([&action, run] { action = run; });
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? kDone : kUsage;
  }
  if (!action) return kUsage;
  try {
    return action();
  } catch (const std::exception& e) {
    // The top-level error handler: the failure's own text.
    std::fprintf(stderr, "%s\n", e.what());
    return kFailed;
  }
}
