#include "ExceptUnit/ExceptUnit.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "UtilMess/ShowMessDlg.h"

namespace rts {
namespace {

TEST(ExceptUnit, ReportShowsHeadingWithTheFailureAsDetailLines) {
  struct Case { const char* what; std::vector<std::string> lines; };
  const Case cases[] = {
      {"one\ntwo\nthree", {"one", "two", "three"}},
      {"dos\r\nline\rmac", {"dos", "line", "mac"}},
      {"a\n\nb\n", {"a", "", "b"}},
      {"single", {"single"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    ScriptedPresenter p({0});  // even a "no" does not change the result
    EXPECT_TRUE(ReportException(std::runtime_error(c.what), "Не могу открыть файл"));
    ASSERT_EQ(p.shown().size(), 1u);
    EXPECT_EQ(p.shown()[0].kind, TMessKind::mkInformation);
    EXPECT_EQ(p.shown()[0].text, "Не могу открыть файл");
    EXPECT_EQ(p.shown()[0].details, c.lines) << c.what;
  }
}

TEST(ExceptUnit, ConfirmAsksAndIsTrueOnlyForYes) {
  const std::runtime_error failure("table is locked\nby another program");
  struct Case { int answer; bool want; };
  for (const Case c : {Case{1, true}, Case{0, false}, Case{-1, false}}) {
    ScriptedPresenter p({c.answer});
    EXPECT_EQ(ConfirmException(failure, "Ошибка очистки выходного файла"), c.want);
    ASSERT_EQ(p.shown().size(), 1u);
    EXPECT_EQ(p.shown()[0].kind, TMessKind::mkQuestion);
    EXPECT_EQ(p.shown()[0].details, (std::vector<std::string>{"table is locked", "by another program"}));
  }
}

}  // namespace
}  // namespace rts
