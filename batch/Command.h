// The frame of rtsbatch: each subcommand lives in its own file and registers
// itself with RTS_BATCH_COMMAND; main() builds the command line from them.
//
// Exit codes, relied on by operators' scripts:
//   0 done; 1 an error message was shown or a failure ended the action;
//   2 usage; 3 a question was answered "Нет".
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace rts::batch {

enum ExitCode { kDone = 0, kFailed = 1, kUsage = 2, kDeclined = 3 };

// Options that every subcommand shares.
struct Globals {
  std::string settingsPath;  // --settings FILE (UTF-8 as given), "" = default
  bool yes = false;          // --yes: questions are answered "Да"
  // The settings file to use: --settings, else the default location.
  std::string SettingsFile() const;
};

// A subcommand: `setup` adds its options to `sub` and returns the action to
// run when it was chosen; the action returns the exit code.
struct Command {
  int order;  // place in the help text
  const char* name;
  const char* description;
  std::function<std::function<int()>(CLI::App& sub, Globals& globals)> setup;
};

bool RegisterCommand(Command command);

#define RTS_BATCH_CONCAT2(a, b) a##b
#define RTS_BATCH_CONCAT(a, b) RTS_BATCH_CONCAT2(a, b)
#define RTS_BATCH_COMMAND(...) \
  static const bool RTS_BATCH_CONCAT(rtsBatchCommand, __LINE__) = ::rts::batch::RegisterCommand(__VA_ARGS__)

}  // namespace rts::batch
