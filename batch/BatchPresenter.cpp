#include "batch/BatchPresenter.h"

namespace rts::batch {

int BatchPresenter::Present(const Message& m) {
  const bool question = m.kind == TMessKind::mkQuestion || m.kind == TMessKind::mkQuestionCancel;
  std::fprintf(out_, "%s\n", m.text.c_str());
  if (m.details) {
    for (const auto& line : *m.details) std::fprintf(out_, "    %s\n", line.c_str());
  }
  if (question) {
    std::fprintf(out_, "%s\n", yes_ ? "Да" : "Нет");
    if (m.details) {
      // A caught failure put as a question: the action ends whatever the
      // answer, so it counts as a failure, not as a refusal.
      errorShown_ = true;
    } else if (!yes_) {
      declined_ = true;
    }
    std::fflush(out_);
    return yes_ ? 1 : 0;
  }
  // An error, or a caught failure reported under a heading, fails the run.
  if (m.kind == TMessKind::mkError || m.kind == TMessKind::mkWarning || m.details) {
    errorShown_ = true;
  }
  std::fflush(out_);
  return 1;
}

}  // namespace rts::batch
