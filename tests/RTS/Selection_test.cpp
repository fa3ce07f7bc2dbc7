#include "RTS/Selection.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "RTS/ReplaceList.h"
#include "UtilMess/ShowMessDlg.h"

namespace rts {
namespace {

const char kDateProblem[] = "Проблема с датой. Проверьте системные установки в Regional Settings";
const char kMismatch[] =
    "Имеются неотмеченные сделки из - за несовпадения даты торгов, назначенной оператором и "
    "даты в файле ";
const char kNoDate[] = "Не задана дата торгов. Сделки не отмечены.";

size_t AddTrade(TradeTable& t, std::string_view client, std::string_view date,
                std::string_view op = "S1", std::string_view transaction = "1") {
  std::array<std::string_view, kTradeColumns> cells{};
  cells[Client] = client;
  cells[TradeDate] = date;
  cells[Operation] = op;
  cells[Transaction] = transaction;
  return t.AddRow(cells);
}

// Rows 1..9 of the selection cases.
TradeTable SampleTable() {
  TradeTable t;
  AddTrade(t, "1234", "05/03/2003");       // 1
  AddTrade(t, "567", "05/03/2003");        // 2
  AddTrade(t, "1234", "06/03/2003");       // 3 another date
  AddTrade(t, "ABC", "05/03/2003");        // 4 substituted to 1500
  AddTrade(t, "1234/", "05/03/2003");      // 5 trailing slash
  AddTrade(t, "123456789", "05.03.2003");  // 6 nine digits, dots
  AddTrade(t, "X9", "05/03/2003");         // 7 not a digit
  AddTrade(t, "1000", "bad");              // 8 unreadable date
  AddTrade(t, " ", "05/03/2003");          // 9 blank client
  return t;
}

ReplaceLists SampleLists() {
  ReplaceLists lists;
  lists.BuildFromLines({"$abc=1500;"});
  return lists;
}

std::set<size_t> MarkedRows(const MarkedList& m, size_t n) {
  std::set<size_t> out;
  for (size_t r = 1; r <= n; ++r)
    if (m.Contains(r)) out.insert(r);
  return out;
}

struct Case {
  const char* name;
  SelectionInputs in;
  std::set<size_t> marked;
  std::vector<std::string> messages;
};

TEST(MarkTrades, OutcomeByTheBoundsGiven) {
  const std::vector<Case> cases = {
      {"both bounds", {"05.03.2003", "1000", "2000"}, {1, 4, 5}, {kDateProblem, kMismatch}},
      {"lower only", {"05.03.2003", "1000", ""}, {1, 4, 5, 6}, {kDateProblem, kMismatch}},
      // Nine digits compare as text: "123456789" lies below "20000000".
      {"nine digits", {"05.03.2003", "1000", "20000000"}, {1, 4, 5, 6}, {kDateProblem, kMismatch}},
      // No date needed, no substitution, every date.
      {"upper only", {"", "   ", "2000"}, {1, 2, 3, 5, 8}, {}},
      {"none", {"05.03.2003", "", " "}, {}, {}},
      {"no date", {"", "1000", "2000"}, {}, {kNoDate}},
      {"bad date", {"31.02.2003", "1000", ""}, {}, {kNoDate}},
      // "000000-5" lies below every account of digits.
      {"lower -5", {"05.03.2003", "-5", ""}, {1, 2, 4, 5, 6}, {kDateProblem, kMismatch}},
  };
  for (const auto& c : cases) {
    ScriptedPresenter messages;
    TradeTable t = SampleTable();
    MarkedList marked;
    marked.Add(2);  // emptied first
    MarkFlags flags;
    MarkTrades(t, c.in, SampleLists(), marked, flags);
    FinishOpen(t, marked, flags);
    EXPECT_EQ(MarkedRows(marked, t.RowCount()), c.marked) << c.name;
    EXPECT_EQ(messages.texts(), c.messages) << c.name;
  }
}

TEST(MarkTrades, SubstitutionRewritesTheTableOnlyWithTheLowerBound) {
  ScriptedPresenter messages;
  TradeTable t = SampleTable();
  ReplaceLists lists;
  lists.BuildFromLines({"$ABC=1500;1234=77;"});
  MarkedList marked;
  MarkFlags flags;
  MarkTrades(t, {"05.03.2003", "1000", "2000"}, lists, marked, flags);
  EXPECT_EQ(t.Cell(4, Client), "1500");
  EXPECT_EQ(t.Cell(1, Client), "77");   // substituted, then below the bound
  EXPECT_EQ(t.Cell(5, Client), "77");   // looked up without its "/"
  EXPECT_EQ(t.Cell(3, Client), "1234");  // other date: untouched
  EXPECT_EQ(MarkedRows(marked, t.RowCount()), (std::set<size_t>{4}));

  TradeTable u = SampleTable();
  MarkTrades(u, {"05.03.2003", "", "2000"}, lists, marked, flags);
  EXPECT_EQ(u.Cell(4, Client), "ABC");
  EXPECT_EQ(u.Cell(5, Client), "1234/");
}

TEST(MarkTrades, PaddedAccountsAndBounds) {
  EXPECT_EQ(PaddedAccount("1234/"), "00001234");
  EXPECT_EQ(PaddedAccount("1234//"), "0001234/");
  EXPECT_EQ(PaddedAccount("123456789"), "123456789");
  EXPECT_EQ(PaddedBound("-5"), "000000-5");
  // Bytes compare unsigned: a Cyrillic letter sorts above every digit.
  EXPECT_GT(PaddedAccount("1\xc0"), PaddedAccount("19"));
}

TEST(OpenReport, MissingFileKeepsMarksAndStillGivesTheStatus) {
  ScriptedPresenter messages;
  TradeTable t = SampleTable();
  MarkedList marked;
  marked.Add(3);
  const OpenResult r =
      OpenReport("/nonexistent/report.txt", {"05.03.2003", "1", ""}, ReplaceLists(), t, marked);
  EXPECT_FALSE(r.found);
  EXPECT_EQ(r.status.total, "Всего 9 сделок");
  EXPECT_EQ(r.status.marked, "Отмеченных  сделок: 1");
  EXPECT_EQ(messages.texts(),
            (std::vector<std::string>{"Файл /nonexistent/report.txt  не найден."}));
}

TEST(MarkedList, MembershipOrderAndNextRow) {
  MarkedList m;
  EXPECT_EQ(m.NextMarkedRow(0), 0u);
  EXPECT_TRUE(m.Add(200));
  EXPECT_TRUE(m.Add(3));
  EXPECT_FALSE(m.Add(3));
  EXPECT_TRUE(m.Add(64));
  EXPECT_FALSE(m.Add(0));
  EXPECT_EQ(m.Entries(), (std::vector<std::string>{"200", "3", "64"}));
  EXPECT_EQ(m.NextMarkedRow(0), 3u);
  EXPECT_EQ(m.NextMarkedRow(3), 64u);
  EXPECT_EQ(m.NextMarkedRow(64), 200u);
  EXPECT_EQ(m.NextMarkedRow(200), 0u);
  EXPECT_TRUE(m.Remove(64));
  EXPECT_FALSE(m.Remove(64));
  EXPECT_EQ(m.NextMarkedRow(3), 200u);
  EXPECT_TRUE(m.Add(64));  // added again: last in order
  EXPECT_EQ(m.Entries(), (std::vector<std::string>{"200", "3", "64"}));
  EXPECT_EQ(m.Count(), 3u);

  // Many removals compact the order without losing an entry.
  MarkedList big;
  for (size_t r = 1; r <= 5000; ++r) big.Add(r);
  for (size_t r = 1; r <= 5000; ++r)
    if (r % 10) big.Remove(r);
  big.Add(7);
  std::vector<std::string> want;
  for (size_t r = 10; r <= 5000; r += 10) want.push_back(std::to_string(r));
  want.push_back("7");
  EXPECT_EQ(big.Entries(), want);
  EXPECT_EQ(big.NextMarkedRow(7), 10u);
}

TEST(Grid, ToggleAndGrouping) {
  TradeTable t;
  AddTrade(t, "1", "d", "S1", "5");
  AddTrade(t, "1", "d", "S1", "5");
  AddTrade(t, "2", "d", "S1", "5");
  AddTrade(t, "12", "d", "3P", "9");
  AddTrade(t, "123", "d", "P", "9");  // joined keys would be equal
  MarkedList m;
  m.Add(2);
  EXPECT_EQ(ToggleMark(t, m, 2), "Отмеченных  сделок: 0");
  EXPECT_EQ(ToggleMark(t, m, 2), "Отмеченных  сделок: 1");
  EXPECT_TRUE(m.Contains(2));
  EXPECT_EQ(ToggleMark(TradeTable(), m, 1), "");

  std::vector<bool> grouped;
  for (size_t r = 1; r <= t.RowCount(); ++r) grouped.push_back(IsGroupedRow(t, r));
  EXPECT_EQ(grouped, (std::vector<bool>{true, true, false, false, false}));
  TradeTable one;
  AddTrade(one, "1", "d");
  EXPECT_FALSE(IsGroupedRow(one, 1));
}

TEST(Grid, BoundFieldRule) {
  for (const char* ok : {"", "  ", "1234", "-5", "+7", "$1F", "0x10", " 12"}) {
    EXPECT_TRUE(BoundTextAccepted(ok)) << ok;
  }
  for (const char* bad : {"-", "12a", "1 2", "99999999999"}) {
    EXPECT_FALSE(BoundTextAccepted(bad)) << bad;
  }
}

}  // namespace
}  // namespace rts
