#include "RTS/Export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "UtilMess/ShowMessDlg.h"
#include "Utils/Convert.h"

namespace rts {
namespace {

namespace fs = std::filesystem;

const char kWriteError[] = "Ошибка записи в выходной файл";

struct Trade {
  const char* client;
  const char* op;
  const char* transaction;
  const char* quantity;
  const char* amount;
  const char* security = "SEC";
  const char* currency = "SUR";
};

TradeTable Table(const std::vector<Trade>& trades) {
  TradeTable t;
  for (const auto& tr : trades) {
    std::array<std::string_view, kTradeColumns> cells{};
    cells[Client] = tr.client;
    cells[Operation] = tr.op;
    cells[Transaction] = tr.transaction;
    cells[Quantity] = tr.quantity;
    cells[Amount] = tr.amount;
    cells[Price] = "999";  // never read
    cells[SecurityCode] = tr.security;
    cells[Currency] = tr.currency;
    cells[TradeDate] = "05/03/2003";
    t.AddRow(cells);
  }
  return t;
}

MarkedList Marks(std::initializer_list<size_t> rows) {
  MarkedList m;
  for (size_t r : rows) m.Add(r);
  return m;
}

std::vector<std::string> Lines(const ExportList& l) {
  std::vector<std::string> out;
  for (size_t i = 0; i < l.Count(); ++i) out.push_back(l.Line(i));
  return out;
}

ExportInputs Inputs(bool merge = false) {
  ExportInputs in;
  in.tradeDate = "05.03.2003";
  in.brokerAcc = "BR";
  in.mergeOrders = merge;
  return in;
}

TEST(ExportNumbers, ExactValueRoundedHalfAwayFromZero) {
  struct {
    double v;
    int decimals;
    const char* text;
  } cases[] = {
      {58.15, 1, "58.1"},  // the double lies just below 58.15
      {0.0625, 3, "0.063"},  // an exact tie goes away from zero
      {-1.25, 1, "-1.3"},
      {9.9996, 3, "10.000"},
      {1234567.891, 3, "1234567.891"},
      {-0.0001, 3, "0.000"},
      {12.3456, 3, "12.346"},
      {0, 1, "0.0"},
      {0.004, 3, "0.004"},
      {-0.05, 1, "-0.1"},
      {1e16 + 2, 1, "10000000000000002.0"},  // beyond the fast road
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.v, c.decimals), c.text) << c.v;
}

TEST(BuildExportList, OneLinePerMarkedRowOrPerMergedOrder) {
  const TradeTable t = Table({
      {"1", "S1", "7", "10", "100"},       // 1
      {"1", "S1", "7", "20", "130"},       // 2
      {"1", "S1", "7", "30", "110"},       // 3
      {"2", "P1", "8", "10", "12.3456"},   // 4
      {"1", "S1", "7", "5", "1"},          // 5 same key again, after another key
  });
  const ExportList off = BuildExportList(t, Marks({3, 1, 2}), Inputs(false));
  EXPECT_EQ(Lines(off), (std::vector<std::string>{
                            "1\tSEC\tS1\t100.000\t10.0\t05.03.2003\t7\tBR\tSUR",
                            "1\tSEC\tS1\t130.000\t20.0\t05.03.2003\t7\tBR\tSUR",
                            "1\tSEC\tS1\t110.000\t30.0\t05.03.2003\t7\tBR\tSUR"}));
  // Weighted mean (1000 + 2600 + 3300) / 60 = 115; the Price cell is not read.
  EXPECT_EQ(Lines(BuildExportList(t, Marks({1, 2, 3}), Inputs(true))),
            (std::vector<std::string>{"1\tSEC\tS1\t115.000\t60.0\t05.03.2003\t7\tBR\tSUR"}));
  // An unmarked row does not break the run; a marked row of another key does.
  EXPECT_EQ(Lines(BuildExportList(t, Marks({1, 3}), Inputs(true))),
            (std::vector<std::string>{"1\tSEC\tS1\t107.500\t40.0\t05.03.2003\t7\tBR\tSUR"}));
  EXPECT_EQ(Lines(BuildExportList(t, Marks({3, 4, 5}), Inputs(true))),
            (std::vector<std::string>{"1\tSEC\tS1\t110.000\t30.0\t05.03.2003\t7\tBR\tSUR",
                                      "2\tSEC\tP1\t12.346\t10.0\t05.03.2003\t8\tBR\tSUR",
                                      "1\tSEC\tS1\t1.000\t5.0\t05.03.2003\t7\tBR\tSUR"}));
}

TEST(BuildExportList, DoublePrecisionAndFieldByFieldKeys) {
  // In single precision 1234567.891 would come out as 1234567.875.
  const TradeTable big = Table({{"1", "P", "1", "3", "1234567.891"}});
  EXPECT_EQ(BuildExportList(big, Marks({1}), Inputs()).Field(0, 4), "1234567.891");

  // Client 12 with operation 3P and client 123 with operation P join to the
  // same text; they are different accounts and are never merged.
  const TradeTable t = Table({{"12", "3P", "9", "1", "10"}, {"123", "P", "9", "1", "20"}});
  EXPECT_EQ(BuildExportList(t, Marks({1, 2}), Inputs(true)).Count(), 2u);
}

TEST(BuildExportList, ZeroTotalQuantityAndBadNumbersThrow) {
  const TradeTable t = Table({{"1", "S1", "7", "+0", "10"},
                              {"2", "S1", "7", "5", "10"},
                              {"2", "S1", "7", "-5", "10"},
                              {"3", "S1", "7", "x", "10"}});
  EXPECT_THROW(BuildExportList(t, Marks({1}), Inputs()), std::runtime_error);
  EXPECT_THROW(BuildExportList(t, Marks({2, 3}), Inputs(true)), std::runtime_error);
  EXPECT_EQ(BuildExportList(t, Marks({2, 3}), Inputs(false)).Count(), 2u);
  EXPECT_THROW(BuildExportList(t, Marks({4}), Inputs()), EConvertError);
}

TEST(SqueezeByClient, SumsPerClientSecurityAndOperation) {
  ExportList l("05.03.2003", "BR");
  l.Append("1", "X", "P", "10.000", "5.0", "T1", "SUR");
  l.Append("12", "3AB", "P", "1.000", "1.0", "T2", "SUR");
  l.Append("1", "X", "S", "3.000", "1.0", "T3", "SUR");
  l.Append("123", "AB", "P", "2.000", "2.0", "T4", "SUR");  // joined: "123ABP" as above
  l.Append("1", "X", "P", "12.000", "7.0", "T5", "USD");
  l.Append("1", "XP", "", "4.000", "1.0", "T6", "SUR");     // joined: "1XP" as line 1
  SqueezeByClient(l);
  EXPECT_EQ(Lines(l), (std::vector<std::string>{
                          "1\tX\tP\t22.000\t12.0\t05.03.2003\tT1\tBR\tSUR",
                          "12\t3AB\tP\t1.000\t1.0\t05.03.2003\tT2\tBR\tSUR",
                          "1\tX\tS\t3.000\t1.0\t05.03.2003\tT3\tBR\tSUR",
                          "123\tAB\tP\t2.000\t2.0\t05.03.2003\tT4\tBR\tSUR",
                          "1\tXP\t\t4.000\t1.0\t05.03.2003\tT6\tBR\tSUR"}));
}

TEST(ExportNumbers, OperationType) {
  for (auto [op, type] : std::vector<std::pair<const char*, int>>{
           {"P1", 1}, {"S1", 0}, {"BP", 1}, {"BS", 0}, {"B", 0}, {"", 0}, {"P", 1}}) {
    EXPECT_EQ(OperationType(op), type) << op;
  }
}

// ---------------------------------------------------------------------------
// The whole action on real files.

class ExportAction : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("rts_export_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    out_ = (dir_ / "OUT.DBF").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  ExportInputs In(int mode = 0) {
    ExportInputs in = Inputs();
    in.outFileName = out_;
    in.writeMode = mode;
    return in;
  }

  // The nine columns of every record, as the settlement side reads them
  // (python3-dbfread), one TAB-joined line per record.
  std::vector<std::string> Records() {
    const std::string script =
        "import sys, dbfread\n"
        "t = dbfread.DBF(sys.argv[1], encoding='cp1251', char_decode_errors='replace')\n"
        "for r in t:\n"
        "    print('\\t'.join(str(r[f]) for f in ('CLIENTID','TICKER','OPERTYPE','PRICE','QTY',"
        "'DATES','SDEL','BROCID','VAL')))\n";
    const fs::path py = dir_ / "read.py";
    std::ofstream(py) << script;
    const std::string cmd = std::string(RTS_PYTHON) + " " + py.string() + " " + out_;
    std::vector<std::string> lines;
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return lines;
    char buf[1024];
    while (std::fgets(buf, sizeof buf, p)) {
      std::string s(buf);
      if (!s.empty() && s.back() == '\n') s.pop_back();
      lines.push_back(s);
    }
    EXPECT_EQ(::pclose(p), 0) << cmd;
    return lines;
  }

  std::string Bytes() {
    std::ifstream f(out_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }

  fs::path dir_;
  std::string out_;
  NullProgress none_;
};

TEST_F(ExportAction, NewTableReadBackBySettlementSide) {
  ScriptedPresenter messages({1});
  const TradeTable t = Table({{"1001", "P1", "11", "3", "1234567.891"},
                              {"1002", "S1", "12", "10", "12.3456"},
                              {"1003", "BP", "13", "1", "1"},
                              {"1004", "BS", "14", "1", "1"},
                              {"1005", "B", "15", "2.25", "1", "\xc3\xc0\xc7\xcf", "USD"}});
  const ExportResult r = ExportBtnClick(t, Marks({1, 2, 3, 4, 5}), In(1), none_);
  EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Создать файл " + out_ + " ?"}));
  ASSERT_TRUE(r.completed);
  EXPECT_EQ(r.inserted, 5u);
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           "1001\tSEC\t1\t1234567.891\t3.0\t2003-03-05\t11\tBR\tSUR",
                           "1002\tSEC\t0\t12.346\t10.0\t2003-03-05\t12\tBR\tSUR",
                           "1003\tSEC\t1\t1.0\t1.0\t2003-03-05\t13\tBR\tSUR",
                           "1004\tSEC\t0\t1.0\t1.0\t2003-03-05\t14\tBR\tSUR",
                           "1005\tГАЗП\t0\t1.0\t2.3\t2003-03-05\t15\tBR\tUSD"}));
  const std::string bytes = Bytes();
  ASSERT_GT(bytes.size(), 12u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8), 417);
  EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 5);  // record count
  EXPECT_EQ(OutputRecordCount(r.table), 5);
}

TEST_F(ExportAction, QuestionsModesAndStops) {
  const TradeTable t = Table({{"1001", "P1", "11", "3", "2"}});
  const MarkedList m = Marks({1});
  {
    ScriptedPresenter messages;
    EXPECT_FALSE(ExportBtnClick(t, MarkedList(), In(), none_).completed);
    EXPECT_FALSE(ExportBtnClick(TradeTable(), m, In(), none_).completed);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Нет отмеченных сделок!", "Нет отмеченных сделок!"}));
  }
  {
    ScriptedPresenter messages({0});  // "Нет" to creating the file
    EXPECT_FALSE(ExportBtnClick(t, m, In(), none_).completed);
    EXPECT_FALSE(fs::exists(out_));
  }
  {
    ScriptedPresenter messages({1, 1});  // create, then append
    ASSERT_TRUE(ExportBtnClick(t, m, In(1), none_).completed);
    ASSERT_TRUE(ExportBtnClick(t, m, In(1), none_).completed);
    EXPECT_EQ(messages.texts()[1], "Выходной файл существует,режим дозаписи, продолжать?");
    EXPECT_EQ(Records().size(), 2u);
  }
  const std::string before = Bytes();
  {
    ScriptedPresenter messages({0});  // "Нет" to overwriting
    EXPECT_FALSE(ExportBtnClick(t, m, In(0), none_).completed);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{
                                    "Выходной файл существует и будет перезаписан, продолжать?"}));
    EXPECT_FALSE(ExportBtnClick(t, m, In(-1), none_).completed);
    EXPECT_EQ(messages.texts().back(), "Определите режим записи");
    EXPECT_EQ(Bytes(), before);
  }
  {
    ScriptedPresenter messages({1});  // overwrite: emptied, then one record
    ASSERT_TRUE(ExportBtnClick(t, m, In(0), none_).completed);
    EXPECT_EQ(Records().size(), 1u);
  }
}

TEST_F(ExportAction, TableThatCannotBeCreatedIsReportedOnceAndStops) {
  ScriptedPresenter messages({1, 1});
  const TradeTable t = Table({{"1001", "P1", "11", "3", "2"}, {"1002", "P1", "12", "3", "2"}});
  ExportInputs in = In();
  in.outFileName = (dir_ / "missing" / "OUT.DBF").string();
  EXPECT_FALSE(ExportBtnClick(t, Marks({1, 2}), in, none_).completed);
  ASSERT_EQ(messages.shown().size(), 2u);  // the question, then one report
  EXPECT_EQ(messages.shown()[1].text, "Ошибка записи в выходной файл");
  ASSERT_EQ(messages.shown()[1].details.size(), 1u);
  EXPECT_NE(messages.shown()[1].details[0].find("не создан"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(ExportAction, WrongFormatLeavesTheFileUntouched) {
  // A table with lower-case field names fails the test.
  {
    ScriptedPresenter messages({1});
    const TradeTable t = Table({{"1001", "P1", "11", "3", "2"}});
    ASSERT_TRUE(ExportBtnClick(t, Marks({1}), In(), none_).completed);
  }
  std::string bytes = Bytes();
  for (size_t at = 32; at + 32 <= 417; at += 32) {
    for (size_t k = 0; k < 11 && bytes[at + k]; ++k) bytes[at + k] = static_cast<char>(std::tolower(bytes[at + k]));
  }
  std::ofstream(out_, std::ios::binary) << bytes;
  ScriptedPresenter messages({1});
  const TradeTable t = Table({{"1001", "P1", "11", "3", "2"}});
  EXPECT_FALSE(ExportBtnClick(t, Marks({1}), In(0), none_).completed);
  EXPECT_EQ(messages.texts().back(), "Файл не соответствует  формату!");
  EXPECT_EQ(Bytes(), bytes);
}

TEST_F(ExportAction, RefusedRecordIsReportedAndSkipped) {
  ScriptedPresenter messages({1});
  const TradeTable t = Table({{"1001", "P1", "11", "3", "2"},
                              {"12345678901234567", "P1", "12", "3", "2"},
                              {"1003", "P1", "13", "3", "2"}});
  const ExportResult r = ExportBtnClick(t, Marks({1, 2, 3}), In(), none_);
  ASSERT_TRUE(r.completed);
  EXPECT_EQ(r.inserted, 2u);
  EXPECT_EQ(messages.texts().back(), kWriteError);
  EXPECT_EQ(messages.shown().back().kind, TMessKind::mkInformation);
  EXPECT_FALSE(messages.shown().back().details.empty());
  const auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].substr(0, 5), "1003\t");
}

TEST_F(ExportAction, FailuresWhileBuildingEndBeforeAnyRecord) {
  ScriptedPresenter messages({1, 1});
  const TradeTable t = Table({{"1001", "P1", "11", "3", "2"}, {"1002", "P1", "12", "0", "2"}});
  EXPECT_THROW(ExportBtnClick(t, Marks({1, 2}), In(), none_), std::runtime_error);
  EXPECT_TRUE(fs::exists(out_));
  EXPECT_TRUE(Records().empty());
  // A trade date that is no date ends the export at the first insert.
  ExportInputs in = In(1);
  in.tradeDate = "";
  EXPECT_THROW(ExportBtnClick(t, Marks({1}), in, none_), EConvertError);
  EXPECT_TRUE(Records().empty());
}

// Records what the export tells the progress display; cancels at `cancelAt`.
class RecordingProgress : public ProgressSink {
 public:
  explicit RecordingProgress(int cancelAt = -1) : cancelAt_(cancelAt) {}
  void Start(const std::string& caption, const std::vector<std::string>& steps) override {
    caption_ = caption;
    steps_ = steps;
  }
  void UpdateStep(int step, int position, int total) override {
    updates_.push_back(std::to_string(step) + ":" + std::to_string(position) + "/" + std::to_string(total));
    if (position == cancelAt_) throw EProgressTerminate("Прервано", steps_.at(0), position);
  }
  void Finish() override { finished_ = true; }
  std::string caption_;
  std::vector<std::string> steps_, updates_;
  bool finished_ = false;
  int cancelAt_;
};

TEST_F(ExportAction, ProgressCountsAndCancelKeepsWhatWasWritten) {
  ScriptedPresenter messages({1, 1});
  const TradeTable t = Table({{"1", "P1", "1", "1", "1"}, {"2", "P1", "2", "1", "1"}, {"3", "P1", "3", "1", "1"}});
  RecordingProgress progress;
  ASSERT_TRUE(ExportBtnClick(t, Marks({1, 2, 3}), In(), progress).completed);
  EXPECT_EQ(progress.caption_, "Экспорт данных в OUT");
  EXPECT_EQ(progress.steps_, (std::vector<std::string>{" Экспорт данных"}));
  EXPECT_EQ(progress.updates_, (std::vector<std::string>{"0:1/3", "0:2/3", "0:3/3"}));
  EXPECT_TRUE(progress.finished_);

  RecordingProgress cancel(2);
  EXPECT_THROW(ExportBtnClick(t, Marks({1, 2, 3}), In(0), cancel), EProgressTerminate);
  EXPECT_FALSE(cancel.finished_);
  EXPECT_EQ(Records().size(), 2u);
}

}  // namespace
}  // namespace rts
