#include "RTS/OutputTable.h"

#include "MakeDBF/MakeDBF.h"
#include "tableaccess/Query.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace rts {
namespace {

namespace fs = std::filesystem;

TEST(OutputTablePathTest, DerivedFromTheOutputFileName) {
  struct Case {
    std::string name, path, directory, table;
  };
  const Case cases[] = {
      {"/data/out/OUT.DBF", "/data/out/OUT.DBF", "/data/out", "OUT"},
      {"\"/data/out/OUT.DBF\"", "/data/out/OUT.DBF", "/data/out", "OUT"},  // quotes dropped
      {"OUT.DBF", "OUT.DBF", "", "OUT"},                                    // the current folder
      {"/out.dbf", "/out.dbf", "/", "out"},                                 // the root folder
      {"/d/a.b.dbf", "/d/a.b.dbf", "/d", "a.b"},                            // all but the last part
      {"/d/OUT", "/d/OUT", "/d", ""},                                       // no "." - no table name
      {"/d.x/OUT", "/d.x/OUT", "/d.x", ""},
      {"/d/.dbf", "/d/.dbf", "/d", ""},
      {"", "", "", ""},
      {"\"", "", "", ""},
      {" OUT.DBF ", " OUT.DBF ", "", " OUT"},  // no other trimming
      {"\"/a/" + std::string(300, 'x') + ".dbf\"", "/a/" + std::string(252, 'x'), "/a", ""},
  };
  for (const auto& c : cases) {
    const OutputTablePath p = DeriveOutputTablePath(c.name);
    EXPECT_EQ(p.path, c.path) << c.name;
    EXPECT_EQ(p.directory, c.directory) << c.name;
    EXPECT_EQ(p.tableName, c.table) << c.name;
  }
}

class OutputTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("rts_out_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(OutputTableTest, CreatedTableHasTheHeaderAndPassesTheFormatTest) {
  const std::string path = (dir_ / "Out.dbf").string();
  ASSERT_TRUE(CreateOutputTable(path));
  std::ifstream in(path, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(in), {});
  // The whole header, byte for byte: the table's layout as settlement reads it.
  struct Expected {
    const char* name;
    char type;
    int offset, width, decimals;
  };
  const Expected layout[] = {{"CLIENTID", 'C', 1, 16, 0},  {"TICKER", 'C', 17, 50, 0},  {"OPERTYPE", 'N', 67, 6, 0},
                             {"PRICE", 'N', 73, 20, 5},     {"QTY", 'N', 93, 20, 5},     {"DATES", 'D', 113, 8, 0},
                             {"SDEL", 'C', 121, 11, 0},     {"BROCID", 'C', 132, 16, 0}, {"DEALPLACE", 'N', 148, 2, 0},
                             {"SHAREPLACE", 'N', 150, 2, 0}, {"BUYID", 'C', 152, 16, 0}, {"VAL", 'C', 168, 3, 0}};
  std::string want = std::string("\x03\x5F\x0C\x1C\0\0\0\0\xA1\x01\xAB\x00", 12) + std::string(20, '\0');
  for (const auto& f : layout) {
    std::string d(32, '\0');
    d.replace(0, std::string(f.name).size(), f.name);
    d[11] = f.type;
    d[12] = static_cast<char>(f.offset);
    d[16] = static_cast<char>(f.width);
    d[17] = static_cast<char>(f.decimals);
    want += d;
  }
  want += '\x0D';
  ASSERT_EQ(want.size(), 417u);
  EXPECT_EQ(bytes, want);

  const OutputTablePath p = DeriveOutputTablePath("\"" + path + "\"");
  TQuery q;
  q.SetDatabaseName(p.directory);
  EXPECT_TRUE(HasOutputTableFormat(q, p.tableName));
  EXPECT_FALSE(q.Active());

  // Insert through the export's statement, then empty the table.
  TQuery ins;
  ins.SetDatabaseName(p.directory);
  ins.SetSQL(InsOutSQL);
  ins.SetMacro("M", p.tableName);
  for (const char* k : {"CLIENTID", "TICKER", "SDEL", "BROCID", "VAL"}) ins.SetParamText(k, "1");
  for (const char* k : {"OPERTYPE", "PRICE", "QTY"}) ins.SetParamNumber(k, 1);
  ins.SetParamDate("DATE", {2016, 4, 4});
  ins.ExecSQL();
  TQuery view;
  view.SetDatabaseName(p.directory);
  view.SetSQL(ViewOutSQL);
  view.SetMacro("M", p.tableName);
  view.OpenLive();
  EXPECT_EQ(view.RecordCount(), 1);
  EXPECT_EQ(view.FieldCount(), 9);
  view.Close();
  EmptyOutputTable(q, p.tableName);
  EXPECT_EQ(fs::file_size(path), 417u);
}

TEST_F(OutputTableTest, FormatTestComparesTheFirstTwelveNamesExactly) {
  struct Case {
    const char* what;
    std::vector<std::string> names;
    bool passes;
  };
  const std::vector<std::string> good = {"CLIENTID", "TICKER", "OPERTYPE", "PRICE", "QTY", "DATES", "SDEL",
                                         "BROCID", "DEALPLACE", "SHAREPLACE", "BUYID", "VAL"};
  auto swapped = good;
  std::swap(swapped[0], swapped[1]);
  auto extra = good;
  extra.push_back("MORE");
  const Case cases[] = {
      {"the twelve", good, true},
      {"a thirteenth field", extra, true},
      {"eleven fields", std::vector<std::string>(good.begin(), good.end() - 1), false},
      {"two swapped", swapped, false},
  };
  for (const auto& c : cases) {
    TDBF dbf;
    for (const auto& n : c.names) dbf.AddField(n, 'C', 2, 0);
    dbf.FileName = (dir_ / "T.DBF").string();
    ASSERT_TRUE(dbf.CreateTable());
    TQuery q;
    q.SetDatabaseName(dir_.string());
    EXPECT_EQ(HasOutputTableFormat(q, "T"), c.passes) << c.what;
  }
  // Lower-case names: the writer upper-cases, so write the header by hand.
  TDBF dbf;
  for (const auto& n : good) dbf.AddField(n, 'C', 2, 0);
  dbf.FileName = (dir_ / "L.DBF").string();
  ASSERT_TRUE(dbf.CreateTable());
  {
    std::fstream f(dir_ / "L.DBF", std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(32 + 5 * 32);
    f.write("dates", 5);
  }
  TQuery q;
  q.SetDatabaseName(dir_.string());
  EXPECT_FALSE(HasOutputTableFormat(q, "L"));
  // No table at all is the engine's failure.
  EXPECT_THROW(HasOutputTableFormat(q, "NONE"), EDatabaseError);
}

}  // namespace
}  // namespace rts
