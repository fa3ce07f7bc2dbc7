#include "Utils/Messages.h"

#include <gtest/gtest.h>

#include "UtilMess/ShowMessDlg.h"

namespace rts {
namespace {

TEST(Messages, WrappersPassKindAndTextAndReadTheAnswer) {
  ScriptedPresenter p({1, 1, 1, 0, -1});
  ErrorMess("Ошибка\nвторая строка");
  InfoMess("Готово");
  EXPECT_TRUE(QuestionMess("Продолжить?"));
  EXPECT_FALSE(QuestionMess("Ещё?"));   // "Нет"
  EXPECT_FALSE(QuestionMess("Ещё?"));   // Esc or close box
  ASSERT_EQ(p.shown().size(), 5u);
  EXPECT_EQ(p.shown()[0].kind, TMessKind::mkError);
  EXPECT_EQ(p.shown()[0].text, "Ошибка\nвторая строка");
  EXPECT_TRUE(p.shown()[0].details.empty());
  EXPECT_EQ(p.shown()[1].kind, TMessKind::mkInformation);
  EXPECT_EQ(p.shown()[2].kind, TMessKind::mkQuestion);
  EXPECT_EQ(p.texts(), (std::vector<std::string>{"Ошибка\nвторая строка", "Готово", "Продолжить?",
                                                 "Ещё?", "Ещё?"}));
}

TEST(Messages, ScriptUsedUpAnswersOkAndCancel) {
  ScriptedPresenter p;
  EXPECT_EQ(ShowMessDlg("a", nullptr, -1, nullptr, -1, TMessKind::mkWarning), 1);
  EXPECT_EQ(ShowMessDlg("b", nullptr, -1, nullptr, -1, TMessKind::mkQuestionCancel), -1);
  EXPECT_FALSE(QuestionMess("c"));
  p.answer({0});
  EXPECT_EQ(ShowMessDlg("d", nullptr, -1, nullptr, -1, TMessKind::mkQuestionCancel), 0);
  p.clear();
  EXPECT_TRUE(p.shown().empty());
}

TEST(Messages, ShowMessDlgHandsEverythingToThePresenter) {
  struct Capture : MessagePresenter {
    Message last;
    std::vector<std::string> details;
    int Present(const Message& m) override {
      last = m;
      if (m.details) details = *m.details;
      return 0;
    }
  } capture;
  SetMessagePresenter(&capture);
  const std::vector<std::string> lines = {"ab", "cdef"};
  bool called = false;
  EXPECT_EQ(ShowMessDlg("t", &lines, 2, [&] { called = true; }, 3, TMessKind::mkQuestion), 0);
  SetMessagePresenter(nullptr);
  EXPECT_EQ(capture.last.text, "t");
  EXPECT_EQ(capture.details, lines);
  EXPECT_EQ(capture.last.line, 2);
  EXPECT_EQ(capture.last.pos, 3);
  EXPECT_EQ(capture.last.kind, TMessKind::mkQuestion);
  ASSERT_TRUE(capture.last.onDetails);
  capture.last.onDetails();
  EXPECT_TRUE(called);
}

TEST(Messages, ScriptedPresentersNestAndRestore) {
  MessagePresenter* before = &CurrentMessagePresenter();
  {
    ScriptedPresenter outer({1});
    {
      ScriptedPresenter inner({1});
      EXPECT_EQ(&CurrentMessagePresenter(), &inner);
      InfoMess("inner");
      EXPECT_EQ(inner.shown().size(), 1u);
    }
    EXPECT_EQ(&CurrentMessagePresenter(), &outer);
    EXPECT_TRUE(outer.shown().empty());
  }
  EXPECT_EQ(&CurrentMessagePresenter(), before);
}

TEST(Messages, DefaultPresenterWritesToStandardErrorAndSaysNo) {
  SetMessagePresenter(nullptr);
  testing::internal::CaptureStderr();
  const std::vector<std::string> lines = {"first", "second"};
  EXPECT_EQ(ShowMessDlg("Заголовок", &lines, -1, nullptr, -1, TMessKind::mkInformation), 1);
  EXPECT_FALSE(QuestionMess("Удалить?"));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Заголовок\n"), std::string::npos);
  EXPECT_NE(err.find("first"), std::string::npos);
  EXPECT_NE(err.find("second"), std::string::npos);
  EXPECT_NE(err.find("Удалить?"), std::string::npos);
}

}  // namespace
}  // namespace rts
