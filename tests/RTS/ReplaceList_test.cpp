#include "RTS/ReplaceList.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "UtilMess/ShowMessDlg.h"

namespace rts {
namespace {

using Lines = std::vector<std::string>;

std::string Msg(int line, const std::string& suffix) {
  return "Ошибка формата  в строке " + std::to_string(line) + ". файла подстановок. " + suffix;
}
const std::string kBadFirst = "Начальный символ строки должен быть \"$\" или \"@\"";
const std::string kNoSemicolon = "Нет завершающего символа \";\"";
const std::string kNoEquals = "Отсутствует символ \"=\"";
const std::string kBadAccount = "Номер счета должен быть целым числом";
const std::string kBadLot = "Лот должен быть целым числом";

TEST(ReplaceList, ParsesLinesAsTheExamplesSay) {
  struct Case {
    std::string line;
    Lines from, to, lotCode, lotSize;
    Lines messages;  // suffixes, all for line 1
  };
  const Case cases[] = {
      {"$Z,AS,P,075,121,A=002;PP=003;", {"A", "121", "075", "P", "AS", "Z", "PP"},
       {"002", "002", "002", "002", "002", "002", "003"}, {}, {}, {}},
      {"$A=1;B=2", {}, {}, {}, {}, {kNoSemicolon}},
      {"$A=x;B=2;", {"B"}, {"2"}, {}, {}, {kBadAccount}},
      {"$A=1;;", {"A"}, {"1"}, {}, {}, {kNoEquals}},
      {"$;", {}, {}, {}, {}, {kNoEquals}},
      {"$", {}, {}, {}, {}, {kNoSemicolon}},
      {"$=002;", {""}, {"002"}, {}, {}, {}},
      {"$A=B=002;", {"A=B"}, {"002"}, {}, {}, {}},
      {"$A=007;", {"A"}, {"007"}, {}, {}, {}},
      {"$A,,B=5;", {"B", "", "A"}, {"5", "5", "5"}, {}, {}, {}},
      {"$ A = 1;", {" A "}, {" 1"}, {}, {}, {}},   // codes are not trimmed
      {"$A=1 ;", {}, {}, {}, {}, {kBadAccount}},   // nothing may follow the digits
      {"$A=$1F;", {}, {}, {}, {}, {kBadAccount}},  // whole numbers are decimal
      {"$A=0x10;", {}, {}, {}, {}, {kBadAccount}},
      {"@A=-5;B=+7;", {}, {}, {"A", "B"}, {"-5", "+7"}, {}},
      {"$A=;", {}, {}, {}, {}, {kBadAccount}},
      {"$A=99999999999;", {}, {}, {}, {}, {kBadAccount}},
      {" $A=1;", {}, {}, {}, {}, {kBadFirst}},
      {"#A=1;", {}, {}, {}, {}, {kBadFirst}},
      {"@ABC=1.5;", {}, {}, {}, {}, {kBadLot}},
      {"@ABC,DEF=10;", {}, {}, {"DEF", "ABC"}, {"10", "10"}, {}},
      {"   ", {}, {}, {}, {}, {}},
      {"\t\r\n", {}, {}, {}, {}, {}},
      {"$A;B=1;C=2=x;", {"B"}, {"1"}, {}, {}, {kNoEquals, kBadAccount}},
  };
  for (const auto& c : cases) {
    ScriptedPresenter p;
    ReplaceLists lists;
    lists.ParseReplaceLine(c.line, 1);
    EXPECT_EQ(lists.ReplaceFromList, c.from) << c.line;
    EXPECT_EQ(lists.ReplaceToList, c.to) << c.line;
    EXPECT_EQ(lists.LotCodeList, c.lotCode) << c.line;
    EXPECT_EQ(lists.LotSizeList, c.lotSize) << c.line;
    Lines want;
    for (const auto& m : c.messages) want.push_back(Msg(1, m));
    EXPECT_EQ(p.texts(), want) << c.line;
    for (const auto& shown : p.shown()) EXPECT_EQ(shown.kind, TMessKind::mkError);
  }
}

TEST(ReplaceList, BuildNumbersLinesAndLookupTakesTheFirstMatch) {
  ScriptedPresenter p;
  ReplaceLists lists;
  lists.ReplaceFromList = {"stale"};
  lists.ReplaceToList = {"0"};
  // "ИВАНОВ" and "иванов" in Windows-1251
  lists.BuildFromLines({"$X=1;\xC8\xC2\xC0\xCD\xCE\xC2=7;", "", "$x=2;", "bad", "$Q=1", "$X,y=3;"});
  EXPECT_EQ(p.texts(), (Lines{Msg(4, kBadFirst), Msg(5, kNoSemicolon)}));
  EXPECT_EQ(lists.ReplaceFromList.size(), lists.ReplaceToList.size());
  EXPECT_EQ(lists.FindReplace("X"), 0);
  EXPECT_EQ(lists.FindReplace("x"), 0);
  EXPECT_EQ(lists.ReplaceToList[static_cast<size_t>(lists.FindReplace("x"))], "1");
  EXPECT_EQ(lists.FindReplace("\xE8\xE2\xE0\xED\xEE\xE2"), 1);
  EXPECT_EQ(lists.FindReplace("Y"), 3);
  EXPECT_EQ(lists.FindReplace("stale"), -1);
  EXPECT_EQ(lists.FindReplace(""), -1);
  EXPECT_EQ(lists.FindReplace("X "), -1);

  // The index follows the list: appends, a cut, and a rebuild.
  lists.ParseReplaceLine("$NEW=9;", 7);
  EXPECT_EQ(lists.FindReplace("new"), static_cast<int>(lists.ReplaceFromList.size()) - 1);
  lists.ReplaceFromList.resize(1);
  lists.ReplaceToList.resize(1);
  EXPECT_EQ(lists.FindReplace("new"), -1);
  EXPECT_EQ(lists.FindReplace("x"), 0);
  lists.ReplaceFromList[0] = "Z";  // changed in place, then looked up
  lists.InvalidateIndex();
  EXPECT_EQ(lists.FindReplace("z"), 0);
  EXPECT_EQ(lists.FindReplace("x"), -1);
  lists.Clear();
  EXPECT_EQ(lists.FindReplace("z"), -1);
  EXPECT_TRUE(lists.LotCodeList.empty());
}

TEST(ReplaceList, LookupAmongManyCodesWithDuplicates) {
  ReplaceLists lists;
  for (int i = 0; i < 20000; ++i) {
    lists.ReplaceFromList.push_back("c" + std::to_string(i % 5000));
    lists.ReplaceToList.push_back(std::to_string(i));
  }
  for (int i = 0; i < 5000; i += 97) EXPECT_EQ(lists.FindReplace("C" + std::to_string(i)), i);
  EXPECT_EQ(lists.FindReplace("c5000"), -1);
}

class ReplaceListSection : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("rts_list_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                .string();
    std::filesystem::remove(path_);
  }
  void TearDown() override { std::filesystem::remove(path_); }
  void WriteFile(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
  std::string path_;
};

TEST_F(ReplaceListSection, WriteThenReadKeepsTheLinesInOrder) {
  const Lines lines = {"$Z,AS,P,075,121,A=002;PP=003;", "", "@ABC,DEF=10;", "\xC0\xC1=1;"};
  {
    IniFile ini(path_);
    ini.WriteString("ReplaceList", "Item9", "old");
    WriteListSection(ini, "ReplaceList", lines);
    ini.Save();
  }
  std::ifstream in(path_, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text,
            "[ReplaceList]\r\nCount=4\r\nItem0=$Z,AS,P,075,121,A=002;PP=003;\r\nItem1=\r\n"
            "Item2=@ABC,DEF=10;\r\nItem3=\xC0\xC1=1;\r\n");
  const IniFile back(path_);
  Lines read = {"previous"};
  ReadListSection(back, "replacelist", read);
  EXPECT_EQ(read, lines);
}

TEST_F(ReplaceListSection, ReadRules) {
  WriteFile(
      "[A]\nCount=3\nItem0=$X=1;\nItem2=$Y=2;Q;\nItem5=beyond\nItem01=not an index\n"
      "[B]\nCount=x\nItem0=$X=1;\n"
      "[C]\nCount=-1\n"
      "[D]\nCount=0\nItem0=$X=1;\n"
      "[E]\nCount=2000000000\nITEM1=second\nitem0=first\nItem1=shadowed\n");
  const IniFile ini(path_);
  Lines lines = {"previous"};
  ReadListSection(ini, "A", lines);
  EXPECT_EQ(lines, (Lines{"$X=1;", "$Y=2;Q;"}));
  {
    // The missing item moves the later line up, and its messages with it.
    ScriptedPresenter p;
    ReplaceLists lists;
    lists.BuildFromLines(lines);
    EXPECT_EQ(p.texts(), (Lines{Msg(2, kNoEquals)}));
  }
  for (const char* keep : {"B", "C", "missing"}) {
    Lines kept = {"previous"};
    ReadListSection(ini, keep, kept);
    EXPECT_EQ(kept, (Lines{"previous"})) << keep;
  }
  ReadListSection(ini, "D", lines);
  EXPECT_TRUE(lines.empty());
  ReadListSection(ini, "E", lines);
  EXPECT_EQ(lines, (Lines{"first", "second"}));
}

TEST_F(ReplaceListSection, ReadListFileSplitsLfAndCrLf) {
  WriteFile("$A=1;\r\n@B=2;\n\r\n\xC0=3;");
  EXPECT_EQ(ReadListFile(path_), (Lines{"$A=1;", "@B=2;", "", "\xC0=3;"}));
  WriteFile("$A=1;\n");
  EXPECT_EQ(ReadListFile(path_), (Lines{"$A=1;"}));
  WriteFile("");
  EXPECT_TRUE(ReadListFile(path_).empty());
  EXPECT_THROW(ReadListFile(path_ + ".none"), std::runtime_error);
}

}  // namespace
}  // namespace rts
