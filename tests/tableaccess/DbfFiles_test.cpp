// The engine against dBASE files from elsewhere: broken ones, and tables
// written or read by other programs (python3-dbfread, python3-dbf, GDAL).
#include "tableaccess/Query.h"

#include "TableFixture.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <cstring>
#include <functional>

namespace rts::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class DbfFilesTest : public TableTest {};

// A sound table of two fields (A C 3, N N 5.1) and one record, as bytes.
std::string SoundTable() {
  std::string h(32, '\0');
  h[0] = 0x03;
  h[4] = 1;   // records
  h[8] = 97;  // header length 32 + 2 * 32 + 1
  h[10] = 9;  // record length 1 + 3 + 5
  auto field = [](const char* name, char type, int width, int decimals) {
    std::string d(32, '\0');
    d.replace(0, std::strlen(name), name);
    d[11] = type;
    d[16] = static_cast<char>(width);
    d[17] = static_cast<char>(decimals);
    return d;
  };
  return h + field("A", 'C', 3, 0) + field("N", 'N', 5, 1) + "\x0D" + " ab   1.5" + "\x1A";
}

TEST_F(DbfFilesTest, MalformedFilesAreEngineErrors) {
  const std::string sound = SoundTable();
  WriteBytes(File("T.DBF"), sound);
  EXPECT_THAT(Rows("select A, N from T"), ElementsAre("ab|1.5"));
  struct Case {
    const char* what;
    std::function<void(std::string&)> spoil;
    const char* says;
  };
  const Case cases[] = {
      {"an empty file", [](std::string& b) { b.clear(); }, "shorter than a dBASE header"},
      {"a short header", [](std::string& b) { b.resize(20); }, "shorter than a dBASE header"},
      {"header length past the end", [](std::string& b) { b[8] = 'x'; }, "header length"},
      {"header length below 33", [](std::string& b) { b[8] = 32; }, "header length"},
      {"record length not the fields'", [](std::string& b) { b[10] = 12; }, "record length 12"},
      {"record count past the end", [](std::string& b) { b[4] = 3; }, "counts 3 records"},
      {"record count of 2^32 - 1", [](std::string& b) { b[4] = b[5] = b[6] = b[7] = '\xFF'; }, "counts"},
      {"no 0x0D after the fields", [](std::string& b) { b[96] = ' '; }, "descriptor runs past"},
      {"no 0x0D at all", [](std::string& b) { b[96] = ' '; b[8] = 96; }, "terminator"},
      {"a field wider than the record", [](std::string& b) { b[32 + 16] = 100; }, "beyond the record length"},
      {"a field of width 0", [](std::string& b) { b[64 + 16] = 0; }, "width 0"},
      {"no fields", [](std::string& b) { b = b.substr(0, 32) + "\x0D"; b[8] = 33; b[10] = 1; b[4] = 0; },
       "no fields"},
      {"a field without a name", [](std::string& b) { b[64] = 0; }, "no name"},
  };
  for (const auto& c : cases) {
    std::string bytes = sound;
    c.spoil(bytes);
    WriteBytes(File("T.DBF"), bytes);
    for (const char* sql : {"select * from T", "insert into T (A) values ('x')", "delete from T"}) {
      TQuery q;
      q.SetDatabaseName(Dir());
      q.SetSQL(sql);
      try {
        q.ExecSQL();
        ADD_FAILURE() << c.what << ": " << sql << " ran";
      } catch (const EDatabaseError& e) {
        EXPECT_THAT(e.what(), HasSubstr(c.says)) << c.what;
      }
    }
    EXPECT_EQ(ReadBytes(File("T.DBF")), bytes) << c.what << ": the file was changed";
  }
}

TEST_F(DbfFilesTest, OrderByMatchesSqliteOwnSort) {
  // Sort keys of every kind: blanks (NULL), negative and decimal numbers,
  // numbers written with and without padding, Cyrillic bytes above 0x7F.
  Create("S.DBF", {{"C", 'C', 4, 0}, {"N", 'N', 6, 0}, {"R", 'N', 8, 2}, {"D", 'D', 8, 0}});
  auto left = [](std::string v, size_t w) { return v + std::string(w - v.size(), ' '); };
  auto right = [](std::string v, size_t w) { return std::string(w - v.size(), ' ') + v; };
  struct Rec {
    const char* flag;
    std::string c, n, r, d;
  };
  const Rec records[] = {
      {" ", "\xE0\xE1", right("-12", 6), right("1.50", 8), ""},
      {" ", "abc", right("3", 6), right("-0.25", 8), "20160404"},
      {" ", "ABC", right("3", 6), "", "20150101"},
      {" ", "", right("+3", 6), right("12.00", 8), "20160404"},
      {" ", "\xC0", left("12", 6), right("-0.25", 8), "20160404"},  // a number written left-aligned
      {" ", "abc", right("-12", 6), left("1.5", 8), "20160404"},
      {"*", "zzz", right("1", 6), right("0", 8), "20160404"},  // deleted: never a row
      {" ", "a", right("0", 6), right("0.00", 8), "20160405"},
  };
  std::string body;
  for (const auto& r : records) body += r.flag + left(r.c, 4) + left(r.n, 6) + left(r.r, 8) + left(r.d, 8);
  std::string file = ReadBytes(File("S.DBF"));
  file[4] = static_cast<char>(std::size(records));
  WriteBytes(File("S.DBF"), file + body + "\x1A");
  for (const char* order : {"C", "N", "R", "D", "C desc", "N desc, C", "R, N desc, C", "D desc, R, C", "N, rowid desc"}) {
    std::string mine = std::string("select C, N, R, D, rowid from S order by ") + order + ", rowid";
    // A unary plus makes each key an expression: SQLite sorts those itself.
    std::string theirs = "select C, N, R, D, rowid from S order by ";
    std::string terms = std::string(order) + ", rowid";
    bool start = true;
    for (char ch : terms) {
      if (start && ch != ' ') {
        theirs += '+';
        start = false;
      }
      theirs += ch;
      if (ch == ',') start = true;
    }
    EXPECT_EQ(Rows(mine), Rows(theirs)) << order;
  }
  EXPECT_THAT(Rows("select  C, count(*), sum(R) from S group by C order by C"),
              ElementsAre("|1|12", "ABC|1|", "a|1|0", "abc|2|1.25", "\xC0|1|-0.25", "\xE0\xE1|1|1.5"));
}

TEST_F(DbfFilesTest, TablesWrittenByTheEngineReadByDbfread) {
  Create("OUT.DBF", kOutFields);
  TQuery ins;
  OpenInsert(ins);
  InsertTrade(ins, "54830389", "\xC3\xC0\xC7\xCF-3", 1, 169.327, 168.3, {2016, 4, 4}, "293591", "BR01", "\xD0\xD3\xC1");
  InsertTrade(ins, "2000", "EESR", 0, 0.001, 0.9, {2003, 3, 5}, "", "", "");
  InsertTrade(ins, "3", "X", 1, 1, 1, {2003, 3, 5});
  Exec("delete from OUT where CLIENTID='3'");
  const std::string out = RunPython(dir_,
                                    "from dbfread import DBF\n"
                                    "for r in DBF('OUT.DBF', encoding='cp1251'):\n"
                                    "    print('|'.join(str(r[k]) for k in ('CLIENTID','TICKER','OPERTYPE','PRICE',"
                                    "'QTY','DATES','SDEL','BROCID','DEALPLACE','BUYID','VAL')))\n");
  EXPECT_EQ(out,
            "54830389|ГАЗП-3|1|169.327|168.3|2016-04-04|293591|BR01|None||РУБ\n"
            "2000|EESR|0|0.001|0.9|2003-03-05|||None||\n");
}

TEST_F(DbfFilesTest, TablesWrittenByPythonDbf) {
  RunPython(dir_,
            "import dbf, datetime\n"
            "t = dbf.Table('Other.dbf', 'CLIENTID C(16); TICKER C(50); OPERTYPE N(6,0); QTY N(19,5); "
            "DATES D; FLAG L', codepage='cp1251', dbf_type='db3')\n"
            "t.open(dbf.READ_WRITE)\n"
            "t.append(('7', 'ГАЗП', 1, 10.5, datetime.date(2016, 4, 4), True))\n"
            "t.append(('8', 'AAA', 0, 40, None, False))\n"
            "t.append(('7', 'ГАЗП', 1, 2, datetime.date(2016, 4, 5), None))\n"
            "t.close()\n");
  EXPECT_THAT(Rows("select CLIENTID, TICKER, OPERTYPE, QTY, DATES, FLAG from other"),
              ElementsAre("7|\xC3\xC0\xC7\xCF|1|10.5|20160404|1", "8|AAA|0|40||0", "7|\xC3\xC0\xC7\xCF|1|2|20160405|"));
  EXPECT_THAT(Rows("select  ticker,OPERTYPE,SUM(QTY) summa from \"Other\" group by ticker,opertype order by ticker,OPERTYPE"),
              ElementsAre("AAA|0|40", "\xC3\xC0\xC7\xCF|1|12.5"));
  TQuery ins;
  ins.SetDatabaseName(Dir());
  ins.SetSQL("insert into OTHER (CLIENTID,TICKER,OPERTYPE,QTY,DATES) values (:c,:t,:o,:q,:d)");
  ins.SetParamText("c", "9");
  ins.SetParamText("t", "\xD1\xC1\xC5\xD0");
  ins.SetParamNumber("o", 0);
  ins.SetParamNumber("q", 3.25);
  ins.SetParamDate("d", {2016, 4, 6});
  ins.ExecSQL();
  EXPECT_EQ(RunPython(dir_,
                      "import dbf\n"
                      "t = dbf.Table('Other.dbf', codepage='cp1251')\n"
                      "t.open()\n"
                      "r = t[-1]\n"
                      "print(len(t), r.clientid.strip(), r.ticker.strip(), r.opertype, r.qty, r.dates)\n"),
            "4 9 СБЕР 0 3.25 2016-04-06\n");
}

TEST_F(DbfFilesTest, TablesWrittenByOgr2ogr) {
  WriteBytes(File("rows.csv"), "CLIENTID,TICKER,QTY\n7,AAA,10\n8,BBB,2.5\n7,AAA,1\n");
  const std::string cmd = "cd '" + Dir() + "' && ogr2ogr -f 'ESRI Shapefile' -lco ENCODING=CP1251 ogr.dbf rows.csv" +
                          " -oo AUTODETECT_TYPE=YES >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "ogr2ogr did not run";
  EXPECT_THAT(Rows("select CLIENTID, TICKER, QTY from OGR"), ElementsAre("7|AAA|10", "8|BBB|2.5", "7|AAA|1"));
  EXPECT_THAT(Rows("select ticker, sum(qty) from ogr group by ticker order by ticker"),
              ElementsAre("AAA|11", "BBB|2.5"));
  Exec("insert into ogr (CLIENTID, TICKER, QTY) values ('9', 'CCC', 0.5)");
  EXPECT_EQ(RunPython(dir_,
                      "from dbfread import DBF\n"
                      "print([(r['TICKER'], r['QTY']) for r in DBF('ogr.dbf')][-1])\n"),
            "('CCC', 0.5)\n");
}

}  // namespace
}  // namespace rts::testing
