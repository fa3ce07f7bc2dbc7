// rtsbatch's message presenter: every message goes to standard error in
// UTF-8 (the details indented under it); a question is printed with its
// answer, which is "Да" only when the command was given --yes.  It keeps
// what the exit code needs to know.  It is installed for as long as it
// lives, and puts the default presenter back when it goes.
#pragma once

#include "UtilMess/ShowMessDlg.h"

#include <cstdio>

namespace rts::batch {

class BatchPresenter : public MessagePresenter {
 public:
  explicit BatchPresenter(bool yes, std::FILE* out = stderr) : yes_(yes), out_(out) {
    SetMessagePresenter(this);
  }
  ~BatchPresenter() override { SetMessagePresenter(nullptr); }
  BatchPresenter(const BatchPresenter&) = delete;
  BatchPresenter& operator=(const BatchPresenter&) = delete;
  int Present(const Message& message) override;

  bool errorShown() const { return errorShown_; }
  bool declined() const { return declined_; }

 private:
  bool yes_;
  std::FILE* out_;
  bool errorShown_ = false;
  bool declined_ = false;
};

}  // namespace rts::batch
