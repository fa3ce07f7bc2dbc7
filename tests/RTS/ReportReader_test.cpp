#include "RTS/ReportReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "UtilMess/ShowMessDlg.h"

namespace rts {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("rts_reader_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    const fs::path p = path_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
  static inline int counter_ = 0;
};

// The cells of every row, joined by "|" (a character no test line uses).
std::vector<std::string> Rows(const TradeTable& t) {
  std::vector<std::string> out;
  for (size_t r = 1; r <= t.RowCount(); ++r) {
    std::string s;
    for (int c = 0; c < kTradeColumns; ++c) {
      if (c) s += '|';
      s += t.Cell(r, c);
    }
    out.push_back(s);
  }
  return out;
}

TradeTable ReadBytes(const TempDir& dir, const std::string& bytes) {
  const std::string name = dir.Write("r.txt", bytes);
  TradeTable t;
  EXPECT_TRUE(ReadTradeReport(name, t));
  return t;
}

const char kExampleLine[] =
    "QWER\t01\tS1\tC\t1234,567\tFIRM7\t101.25\t40\t4050.00\tUSD\t07/03/2003\t812\t05/03/2003\t"
    "11:42:07\tT3\tnone";

TEST(ReportReader, WorkedExampleSplitsIntoTwoRowsOfOppositeDirection) {
  TempDir dir;
  TradeTable t = ReadBytes(dir, std::string("header\r\n") + kExampleLine + "\r\n");
  EXPECT_EQ(Rows(t), (std::vector<std::string>{
                         "1234|S1|05/03/2003|11:42:07|812|QWER01|101.25|40|4050.00|USD|FIRM7|C|T3|"
                         "07/03/2003|none",
                         "567|P1|05/03/2003|11:42:07|812|QWER01|101.25|40|4050.00|USD|FIRM7|C|T3|"
                         "07/03/2003|none"}));
}

// One trade line and the Client, Operation, SecurityCode and Counterparty
// cells of the rows it gives.
struct LineCase {
  const char* line;
  std::vector<std::string> rows;  // "client|operation|security|counterparty"
};

TEST(ReportReader, TokensClientsAndOperations) {
  const std::vector<LineCase> cases = {
      // Comma repair: token 2 ends with a comma, the first comma is followed
      // by a space and a digit.
      {"QWER\tA, 5\tB\tC\t?\tF", {"?|BP|QWERA-5|F"}},
      // No repair for the client pair: tokens move one on.
      {"X\t1\tB1\tC\t1234, 567\tF", {"1234|P1|X1|567", "|S1|X1|567"}},
      {"X\t1\tS1\tC\t12-34-56\tF", {"12|S1|X1|F", "34-56|P1|X1|F"}},
      {"X\t1\tS1\tC\t1234-\tF", {"1234|S1|X1|F", "|P1|X1|F"}},
      {"X\t1\tQ\tC\t-567\tF", {"?|QP|X1|F", "?|QS|X1|F"}},
      {"X\t1\tQ\tC \tF", {"?|QP|X1|F"}},
      {"X\t1\tB\tC\t77\tF", {"77|P|X1|F"}},
      {"X\t1\tS\tC\t77\tF", {"77|S|X1|F"}},
      {"X\t1 \tC\t77\tF", {"77|P|X1|F"}},
      // Tab runs are one tab; two spaces, or a tab and a space, enclose an
      // empty token.
      {"X\t\t\t1\tS\tC\t77\tF", {"77|S|X1|F"}},
      {"X  1\tS\tC\t77\tF", {"C|P|X|77"}},
      {"X\t 1\tS\tC\t77\tF", {"C|P|X|77"}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    TradeTable t = ReadBytes(dir, std::string("header\n") + c.line + "\n");
    std::vector<std::string> got;
    for (size_t r = 1; r <= t.RowCount(); ++r) {
      got.push_back(std::string(t.Cell(r, Client)) + "|" + std::string(t.Cell(r, Operation)) + "|" +
                    std::string(t.Cell(r, SecurityCode)) + "|" +
                    std::string(t.Cell(r, Counterparty)));
    }
    EXPECT_EQ(got, c.rows) << c.line;
  }
}

TEST(ReportReader, CommasBecomeHyphensAndTokensBeyondSixteenAreIgnored) {
  TradeTable t;
  AddTradeLine("X\t1\tS\tC\t7\tF\t1,5\t2\t3\tR\tSD\tN\tTD\tTT\tT0\tmy comment,here", t);
  ASSERT_EQ(t.RowCount(), 1u);
  EXPECT_EQ(t.Cell(1, Price), "1-5");
  EXPECT_EQ(t.Cell(1, Comment), "my");
  TradeTable u;
  AddTradeLine("X\t1\tS\tC\t7\tF\t1\t2\t3\tR\tSD\tN\tTD\tTT\tT0\tA\textra", u);
  EXPECT_EQ(u.Cell(1, Comment), "A");
}

TEST(ReportReader, LineCleaningAndEndOfFile) {
  TempDir dir;
  // Header skipped whatever it holds; "ab" (2 characters) dropped; "a\0bc"
  // keeps "abc"; blank lines dropped; a bare CR is dropped; the last line
  // needs no LF.
  TradeTable t = ReadBytes(dir, std::string("S\tx\tS\tC\t1\n") + "ab\r\n" +
                                    std::string("A\0B\tx\tS\tC\t5\n", 12) + " \t \t\r\n" +
                                    "C\r\tx\tS\tC\t6\r\n" + "abc");
  std::vector<std::string> clients;
  for (size_t r = 1; r <= t.RowCount(); ++r) clients.push_back(std::string(t.Cell(r, SecurityCode)));
  EXPECT_EQ(clients, (std::vector<std::string>{"ABx", "Cx", "abc"}));
  EXPECT_EQ(t.Cell(3, Client), "?");

  // A Ctrl-Z where a line begins ends the report; inside a line it is data.
  TradeTable u = ReadBytes(dir, "h\nA\tx\tS\tC\t5\x1a\n\x1a" "B\tx\tS\tC\t6\n");
  ASSERT_EQ(u.RowCount(), 1u);
  EXPECT_EQ(u.Cell(1, Client), "5\x1a");

  TradeTable only = ReadBytes(dir, "header only\n");
  EXPECT_EQ(only.RowCount(), 0u);
}

TEST(ReportReader, LinesAcrossReadBlocksAreWhole) {
  TempDir dir;
  std::string bytes = "h\n";
  const int n = 120000;  // about 5 MB: more than one read block
  for (int i = 0; i < n; ++i) {
    bytes += "SEC\t" + std::to_string(i) + "\tS1\tC\t" + std::to_string(i) +
             "\tFIRM\t1.5\t10\t15\tUSD\t01/01/2020\t" + std::to_string(i) +
             "\t01/01/2020\t10:00:00\tT0\tsome-comment-text\n";
  }
  TradeTable t = ReadBytes(dir, bytes);
  ASSERT_EQ(t.RowCount(), static_cast<size_t>(n));
  for (size_t r = 1; r <= t.RowCount(); r += 997) {
    ASSERT_EQ(t.Cell(r, Client), std::to_string(r - 1));
    ASSERT_EQ(t.Cell(r, SecurityCode), "SEC" + std::to_string(r - 1));
    ASSERT_EQ(t.Cell(r, Comment), "some-comment-text");
  }
  EXPECT_EQ(t.Cell(n, Transaction), std::to_string(n - 1));
}

// The cleaning steps written out one by one, as a reference for the
// reader's single pass.
TradeTable ReferenceRead(const std::string& bytes) {
  TradeTable t;
  size_t at = 0;
  bool header = true;
  while (at < bytes.size() && bytes[at] != '\x1a') {
    size_t lf = bytes.find('\n', at);
    if (lf == std::string::npos) lf = bytes.size();
    std::string line = bytes.substr(at, lf - at);
    at = lf + 1;
    if (header) {
      header = false;
      continue;
    }
    std::erase(line, '\r');
    if (line.size() <= 2) continue;
    std::erase(line, '\0');
    for (size_t i = line.size(); i-- > 1;) {
      if (line[i] == '\t' && line[i - 1] == '\t') line.erase(i, 1);
    }
    if (line.size() < 2 || line.find_first_not_of("\t\n\r ") == std::string::npos) continue;
    AddTradeLine(line, t);
  }
  return t;
}

TEST(ReportReader, SinglePassAgreesWithTheStepsOnRandomLines) {
  TempDir dir;
  // Bytes that matter to the reader, and ordinary ones.
  static const char kAlphabet[] = "\t\t\t    \r\0,,--?SPB0123456789AZ\xc0\xff\x1a";
  const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
  uint64_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(seed >> 33);
  };
  for (int file = 0; file < 20; ++file) {
    std::string bytes = "header\n";
    for (int line = 0; line < 300; ++line) {
      const uint32_t len = next() % 70;
      for (uint32_t k = 0; k < len; ++k) {
        char c = alphabet[next() % alphabet.size()];
        if (c == '\x1a' && next() % 4) c = 'x';  // keep most files going
        bytes += c;
      }
      if (next() % 3 == 0) bytes += '\r';
      bytes += '\n';
    }
    const std::vector<std::string> want = Rows(ReferenceRead(bytes));
    const std::vector<std::string> got = Rows(ReadBytes(dir, bytes));
    ASSERT_EQ(got, want) << "file " << file;
  }
}

TEST(ReportReader, MissingFileLeavesTheTableAndSaysSo) {
  TempDir dir;
  ScriptedPresenter messages;
  TradeTable t;
  AddTradeLine("X\t1\tS\tC\t7", t);
  const std::string name = (dir.path() / "нет.txt").string();
  // The field holds Windows-1251: "нет" is \xed\xe5\xf2.
  const std::string field = (dir.path() / "\xed\xe5\xf2.txt").string();
  EXPECT_FALSE(ReadTradeReport(field, t));
  EXPECT_EQ(t.RowCount(), 1u);
  EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Файл " + name + "  не найден."}));
  EXPECT_EQ(messages.shown()[0].kind, TMessKind::mkInformation);
}

TEST(ReportReader, QuotedNameLosesItsQuotesOnly) {
  TempDir dir;
  const std::string name = dir.Write("report 1.txt", "h\nX\t1\tS\tC\t7\n");
  TradeTable t;
  EXPECT_TRUE(ReadTradeReport("\"" + name + "\"", t));
  EXPECT_EQ(t.RowCount(), 1u);
  ScriptedPresenter messages;
  EXPECT_FALSE(ReadTradeReport(" " + name, t));  // surrounding blanks are kept
  EXPECT_EQ(UnquoteFileName("\"a b\""), "a b");
  EXPECT_EQ(UnquoteFileName("\""), "");
  EXPECT_EQ(UnquoteFileName("a\""), "a\"");
}

TEST(ReportReader, ReadErrorEmptiesTheTableAndThrows) {
  TempDir dir;
  TradeTable t;
  AddTradeLine("X\t1\tS\tC\t7", t);
  // A folder exists but cannot be read as a file.
  EXPECT_THROW(ReadTradeReport(dir.path().string(), t), std::runtime_error);
  EXPECT_EQ(t.RowCount(), 0u);
}

TEST(TradeTable, RewrittenCellsAndKeysComparedFieldByField) {
  TradeTable t;
  std::array<std::string_view, kTradeColumns> cells{};
  cells[Client] = "12";
  cells[Operation] = "3P";
  cells[Transaction] = "9";
  cells[Comment] = "tail";
  t.AddRow(cells);
  cells[Client] = "123";
  cells[Operation] = "P";
  t.AddRow(cells);
  t.AddRow(cells);
  // Joined, both keys read "123P9"; they are different trades.
  EXPECT_FALSE(t.SameTradeKey(1, 2));
  EXPECT_TRUE(t.SameTradeKey(2, 3));

  t.SetCell(1, Client, "99");          // same length
  t.SetCell(2, Client, "1500000");     // longer
  t.SetCell(3, Operation, "");         // shorter
  EXPECT_EQ(t.Row(1)[Client], "99");
  EXPECT_EQ(t.Row(1)[Comment], "tail");
  EXPECT_EQ(t.Cell(2, Client), "1500000");
  EXPECT_EQ(t.Cell(2, Comment), "tail");
  EXPECT_EQ(t.Cell(3, Operation), "");
  EXPECT_EQ(t.Cell(3, Client), "123");

  // A row too long for the compact layout is kept all the same.
  const std::string big(70000, 'x');
  cells[Comment] = big;
  const size_t r = t.AddRow(cells);
  EXPECT_EQ(t.Cell(r, Comment), big);
  t.SetCell(r, Comment, "short");
  EXPECT_EQ(t.Cell(r, Comment), "short");
  EXPECT_EQ(t.Cell(r, Client), "123");
}

TEST(TradeTable, AppendedTableKeepsItsRowsAndTakesRewrites) {
  std::array<std::string_view, kTradeColumns> cells{};
  TradeTable first, second;
  cells[Client] = "1";
  cells[Comment] = "first";
  first.AddRow(cells);
  const std::string big(70000, 'y');
  cells[Client] = "2";
  cells[Comment] = big;  // a row too long for the compact layout
  second.AddRow(cells);
  cells[Client] = "3";
  cells[Comment] = "third";
  second.AddRow(cells);

  first.Append(std::move(second));
  EXPECT_EQ(second.RowCount(), 0u);
  ASSERT_EQ(first.RowCount(), 3u);
  EXPECT_EQ(first.Cell(1, Comment), "first");
  EXPECT_EQ(first.Cell(2, Comment), big);
  EXPECT_EQ(first.Cell(3, Client), "3");

  // Rewrites after the join reach the moved rows, and new rows follow them.
  first.SetCell(2, Client, "20000000");
  first.SetCell(3, Comment, "rewritten");
  cells[Client] = "4";
  cells[Comment] = "fourth";
  EXPECT_EQ(first.AddRow(cells), 4u);
  EXPECT_EQ(first.Cell(2, Client), "20000000");
  EXPECT_EQ(first.Cell(2, Comment), big);
  EXPECT_EQ(first.Cell(3, Comment), "rewritten");
  EXPECT_EQ(first.Cell(3, Client), "3");
  EXPECT_EQ(first.Cell(4, Comment), "fourth");
  first.Clear();
  EXPECT_EQ(first.RowCount(), 0u);
}

}  // namespace
}  // namespace rts
