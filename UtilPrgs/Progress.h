// What a long loop needs of a progress display, so that core code can drive
// the progress window (TProgressForm), a terminal counter, or nothing.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace rts {

// The operator cancelled a running operation.  Thrown out of the next
// UpdateStep after the cancel.
class EProgressTerminate : public std::runtime_error {
 public:
  EProgressTerminate(const std::string& message, std::string stepName, int position)
      : std::runtime_error(message), StepName(std::move(stepName)), Position(position) {}
  std::string StepName;
  int Position;
};

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // Caption (UTF-8) and the names of the steps; the display is shown.
  virtual void Start(const std::string& caption, const std::vector<std::string>& steps) = 0;
  // Position units of Total done in step StepIndex (Total < 0: unknown).
  virtual void UpdateStep(int stepIndex, int position, int total) = 0;
  // The operation is done; returns when the operator has closed the display.
  virtual void Finish() = 0;
};

// Shows nothing.
class NullProgress : public ProgressSink {
 public:
  void Start(const std::string&, const std::vector<std::string>&) override {}
  void UpdateStep(int, int, int) override {}
  void Finish() override {}
};

}  // namespace rts
