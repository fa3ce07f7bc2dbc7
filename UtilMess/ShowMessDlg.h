// The one road of every message to the operator.
//
// ShowMessDlg hands the message to the installed presenter: the window
// program installs the dialog (TMessDlg), rtsbatch one that writes to
// standard error, tests one that records the texts and answers from a
// script.  Callers never know which one runs.  Texts are UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rts {

enum class TMessKind : uint8_t {
  mkWarning = 0,
  mkInformation = 1,
  mkError = 2,
  mkQuestion = 3,
  mkQuestionCancel = 4,
};

// Called when the operator presses "Детали"; the dialog stays open.
using DetailsHandler = std::function<void()>;

struct Message {
  std::string text;                  // line breaks start new lines
  const std::vector<std::string>* details = nullptr;  // none hides the area
  int line = -1, pos = -1;           // detail pointer, 1-based; <= 0: none
  DetailsHandler onDetails;          // none: no "Детали" button
  TMessKind kind = TMessKind::mkInformation;
};

// Shows one message and returns 1 for "Да"/"OK", 0 for "Нет", -1 otherwise.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual int Present(const Message& message) = 0;
};

// Installs the presenter (not owned); nullptr installs the default one,
// which writes to standard error and answers every question "Нет".
void SetMessagePresenter(MessagePresenter* presenter);
MessagePresenter& CurrentMessagePresenter();

int ShowMessDlg(const std::string& text, const std::vector<std::string>* details, int line,
                DetailsHandler onDetails, int pos, TMessKind kind);

// For tests: records every message and answers from a script (1, 0 or -1
// per message; 1 for "OK" messages and -1 for questions once the script is
// used up).
class ScriptedPresenter : public MessagePresenter {
 public:
  struct Shown {
    TMessKind kind;
    std::string text;
    std::vector<std::string> details;
  };
  explicit ScriptedPresenter(std::vector<int> answers = {});
  ~ScriptedPresenter() override;  // restores the presenter installed before
  int Present(const Message& message) override;
  const std::vector<Shown>& shown() const { return shown_; }
  std::vector<std::string> texts() const;
  void clear() { shown_.clear(); }
  void answer(std::vector<int> answers) { answers_ = std::move(answers); next_ = 0; }

 private:
  std::vector<int> answers_;
  size_t next_ = 0;
  std::vector<Shown> shown_;
  MessagePresenter* previous_;
};

}  // namespace rts
