#include "UtilMess/ShowMessDlg.h"

#include <cstdio>

namespace rts {

namespace {

bool IsQuestion(TMessKind kind) {
  return kind == TMessKind::mkQuestion || kind == TMessKind::mkQuestionCancel;
}

// Used until a program installs its own: the message goes to standard
// error, and a question, which nobody can answer here, gets "Нет".
class StderrPresenter : public MessagePresenter {
 public:
  int Present(const Message& m) override {
    std::fprintf(stderr, "%s\n", m.text.c_str());
    if (m.details) {
      for (const auto& line : *m.details) std::fprintf(stderr, "    %s\n", line.c_str());
    }
    std::fflush(stderr);
    return IsQuestion(m.kind) ? 0 : 1;
  }
};

StderrPresenter gDefaultPresenter;
MessagePresenter* gPresenter = nullptr;

}  // namespace

void SetMessagePresenter(MessagePresenter* presenter) { gPresenter = presenter; }

MessagePresenter& CurrentMessagePresenter() {
  return gPresenter ? *gPresenter : gDefaultPresenter;
}

int ShowMessDlg(const std::string& text, const std::vector<std::string>* details, int line,
                DetailsHandler onDetails, int pos, TMessKind kind) {
  Message m;
  m.text = text;
  m.details = details;
  m.line = line;
  m.pos = pos;
  m.onDetails = std::move(onDetails);
  m.kind = kind;
  return CurrentMessagePresenter().Present(m);
}

ScriptedPresenter::ScriptedPresenter(std::vector<int> answers)
    : answers_(std::move(answers)), previous_(gPresenter) {
  SetMessagePresenter(this);
}

ScriptedPresenter::~ScriptedPresenter() { SetMessagePresenter(previous_); }

int ScriptedPresenter::Present(const Message& message) {
  Shown shown{message.kind, message.text, {}};
  if (message.details) shown.details = *message.details;
  shown_.push_back(std::move(shown));
  if (next_ < answers_.size()) return answers_[next_++];
  return IsQuestion(message.kind) ? -1 : 1;
}

std::vector<std::string> ScriptedPresenter::texts() const {
  std::vector<std::string> out;
  out.reserve(shown_.size());
  for (const auto& s : shown_) out.push_back(s.text);
  return out;
}

}  // namespace rts
