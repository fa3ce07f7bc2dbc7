#include "tableaccess/Query.h"

#include "TableFixture.h"

#include <gmock/gmock.h>

namespace rts::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class QueryTest : public TableTest {};

TEST(MacroTest, ReplacementRules) {
  struct Case {
    std::vector<std::string> lines;
    std::string expected;
  };
  const std::vector<std::pair<std::string, std::string>> macros = {{"M", "OUT"}, {"where", "a=1"}};
  const Case cases[] = {
      {{"select * from %M"}, "select * from OUT"},
      {{"select * from %m where %WHERE"}, "select * from OUT where a=1"},  // any letter case
      {{"select %M,%M;"}, "select OUT,OUT;"},
      {{"(%M)"}, "(OUT)"},
      {{"%M.x"}, "OUT.x"},
      {{"a %M\r"}, "a OUT\r"},
      {{"select * from %NEVER"}, "select * from 0=0"},  // a macro never set
      {{"x %Mz y"}, "x 0=0 y"},                          // the name runs to a stop
      {{"x %M(y)"}, "x 0=0)"},                           // "(" does not end a name
      {{"'%M'"}, "'%M'"},                                // inside quotes
      {{"\"%M\""}, "\"%M\""},
      {{"'a' %M"}, "'a' OUT"},                           // two quotes before: outside
      {{"'a\" %M"}, "'a\" OUT"},                         // ' and " count together
      {{"'", "%M"}, "'\nOUT"},                           // counted per line
      {{"5 % 2", "%"}, "5 % 2\n%"},                      // a lone percent sign stays
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandMacros(c.lines, macros), c.expected) << c.lines[0];
}

TEST_F(QueryTest, InsertWritesDbaseRecordsAndReadsThemBack) {
  Create("OUT.DBF", kOutFields);
  TQuery ins;
  OpenInsert(ins);
  InsertTrade(ins, "2000", "EESR\xC0", 1, 3856.517, 499, {2016, 4, 4}, "293481", "BR01", "SUR");
  InsertTrade(ins, "", "X", 0, 0.5, 0.9, {2003, 3, 5}, "", "", "");

  const std::string bytes = ReadBytes(File("OUT.DBF"));
  ASSERT_EQ(bytes.size(), 417u + 2 * 171 + 1);
  EXPECT_EQ(HeaderCount(bytes), 2u);
  EXPECT_EQ(bytes.back(), '\x1A');
  const std::string rec = bytes.substr(417, 171);
  EXPECT_EQ(rec.substr(0, 1), " ");
  EXPECT_EQ(rec.substr(1, 16), "2000            ");
  EXPECT_EQ(rec.substr(17, 50), "EESR\xC0" + std::string(45, ' '));
  EXPECT_EQ(rec.substr(67, 6), "     1");
  EXPECT_EQ(rec.substr(73, 20), "          3856.51700");
  EXPECT_EQ(rec.substr(93, 20), "           499.00000");
  EXPECT_EQ(rec.substr(113, 8), "20160404");
  EXPECT_EQ(rec.substr(148, 4), "    ");  // DEALPLACE, SHAREPLACE: NULL as blanks
  EXPECT_EQ(rec.substr(152, 16), std::string(16, ' '));
  EXPECT_EQ(rec.substr(168, 3), "SUR");

  EXPECT_THAT(Rows("select CLIENTID,TICKER,OPERTYPE,PRICE,QTY,DATES,SDEL,BROCID,VAL,DEALPLACE from OUT"),
              ElementsAre("2000|EESR\xC0|1|3856.517|499|20160404|293481|BR01|SUR|",
                          "|X|0|0.5|0.9|20030305||||"));
}

TEST_F(QueryTest, EmptyTableFromWriterOpensEmpty) {
  Create("OUT.DBF", kOutFields);
  TQuery q;
  q.SetDatabaseName(Dir());
  q.SetSQL("select * from \"OUT\"");
  q.Open();
  EXPECT_TRUE(q.Active());
  EXPECT_TRUE(q.Eof());
  EXPECT_EQ(q.RecordCount(), 0);
  ASSERT_EQ(q.FieldCount(), 12);
  EXPECT_EQ(q.FieldNames()[11], "VAL");
  EXPECT_EQ(q.FieldText(0), "");
  EXPECT_EQ(q.FieldNumber("PRICE"), 0);
  q.Close();
  EXPECT_EQ(ReadBytes(File("OUT.DBF")).size(), 417u);  // reading changed nothing
}

TEST_F(QueryTest, TablesResolveWithoutRegardToCase) {
  Create("ShOb.DBF", {{"TICKER", 'C', 50, 0}, {"BUY", 'N', 20, 5}});
  fs::create_directories(File("sub"));
  for (const char* sql : {"select * from shob", "select * from SHOB", "select * from \"shob\"",
                          "select * from \"ShOb\""}) {
    TQuery q;
    q.SetDatabaseName(Dir());
    q.SetSQL(sql);
    EXPECT_NO_THROW(q.Open()) << sql;
    EXPECT_THAT(q.FieldNames(), ElementsAre("TICKER", "BUY")) << sql;
  }
  TQuery q;
  q.SetDatabaseName(Dir() + "/sub");
  q.SetSQL("select * from shob");
  try {
    q.Open();
    FAIL() << "a table of another folder was found";
  } catch (const EDatabaseError& e) {
    EXPECT_THAT(e.what(), HasSubstr("shob"));
  }
  // An empty table name never reaches a file, not even one called ".DBF".
  Create(".DBF", {{"A", 'C', 1, 0}});
  q.SetDatabaseName(Dir());
  q.SetSQL("select * from \"\"");
  EXPECT_THROW(q.Open(), EDatabaseError);
}

TEST_F(QueryTest, FieldNamesAsStoredAndAliases) {
  Create("OUT.DBF", kOutFields);
  TQuery q;
  q.SetDatabaseName(Dir());
  q.SetSQL("select clientid, Ticker, SUM(QTY) summa from out group by clientid, ticker");
  q.Open();
  EXPECT_THAT(q.FieldNames(), ElementsAre("CLIENTID", "TICKER", "summa"));
  EXPECT_EQ(q.FieldIndex("SUMMA"), 2);
  EXPECT_EQ(q.FieldIndex("none"), -1);
  EXPECT_THROW(q.FieldText("none"), EDatabaseError);
}

TEST_F(QueryTest, ValuesThatDoNotFitAreRefusedNamingFieldAndValue) {
  Create("OUT.DBF", kOutFields);
  struct Case {
    const char* what;
    std::string client;
    double oper, price;
    const char* field;
    const char* value;
  };
  const Case cases[] = {
      {"text one byte too long", std::string(17, '7'), 1, 1, "CLIENTID", "77777777777777777"},
      {"Cyrillic text too long", std::string(17, '\xC0'), 1, 1, "CLIENTID", "\xD0\x90\xD0\x90"},
      {"integer too wide", "1", 1234567, 1, "OPERTYPE", "1234567"},
      {"fraction rounds past width", "1", 999999.5, 1, "OPERTYPE", "999999.5"},
      {"decimals push past width", "1", 1, 1e15, "PRICE", "1E15"},
  };
  TQuery ins;
  OpenInsert(ins);
  for (const auto& c : cases) {
    try {
      InsertTrade(ins, c.client, "T", c.oper, c.price, 1, {2016, 4, 4});
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const EDatabaseError& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.field)) << c.what;
      EXPECT_THAT(e.what(), HasSubstr(c.value)) << c.what;
    }
  }
  // Exactly full fields are fine; nothing of the refused records was written.
  InsertTrade(ins, std::string(16, '9'), "T", -99999, 99999999999999.0, 1, {2016, 4, 4});
  const std::string bytes = ReadBytes(File("OUT.DBF"));
  EXPECT_EQ(HeaderCount(bytes), 1u);
  EXPECT_EQ(bytes.size(), 417u + 171 + 1);
  EXPECT_THAT(Rows("select CLIENTID, OPERTYPE, PRICE from OUT"),
              ElementsAre("9999999999999999|-99999|99999999999999"));

  // Text where a number or a date belongs.
  TQuery q;
  q.SetDatabaseName(Dir());
  q.SetSQL("insert into OUT (PRICE) values (:P)");
  q.SetParamText("P", "abc");
  EXPECT_THROW(q.ExecSQL(), EDatabaseError);
  q.SetSQL("insert into OUT (DATES) values (:D)");
  q.SetParamText("D", "20160231");
  EXPECT_THROW(q.ExecSQL(), EDatabaseError);
  q.SetParamText("D", "05.03.2003");  // a date as the operator writes it
  q.ExecSQL();
  EXPECT_THAT(Rows("select DATES from OUT where rowid=2"), ElementsAre("20030305"));
}

TEST_F(QueryTest, ParametersByNameAndMissingOnes) {
  Create("OUT.DBF", kOutFields);
  TQuery ins;
  OpenInsert(ins);
  ins.SetParamText("clientid", "7");  // names match in any case
  EXPECT_THROW(ins.ExecSQL(), EDatabaseError);  // the others have no value
  InsertTrade(ins, "7", "A", 1, 2, 3, {2020, 1, 31});
  TQuery q;
  q.SetDatabaseName(Dir());
  q.SetSQL("select QTY from OUT where CLIENTID=:c and DATES=:d and OPERTYPE=:o");
  q.SetParamText("c", "7");
  q.SetParamDate("d", {2020, 1, 31});
  q.SetParamNumber("o", 1);
  q.Open();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldNumber(0), 3);
  q.Close();
  q.SetParamNull("c");
  q.Open();
  EXPECT_TRUE(q.Eof());
}

// A value set again unchanged is not bound again: it must still reach the
// statement after a new statement, a new parameter, a change of kind.
TEST_F(QueryTest, ParametersSetAgainReachEveryStatement) {
  Create("OUT.DBF", kOutFields);
  TQuery q;
  q.SetDatabaseName(Dir());
  q.SetSQL("insert into OUT (CLIENTID, TICKER, QTY) values (:c, :t, :n)");
  q.SetParamText("c", "1");
  q.SetParamText("t", "A");
  q.SetParamNumber("n", 1.5);
  q.ExecSQL();
  q.SetParamText("c", "2");  // t and n as they were
  q.SetParamText("t", "A");
  q.ExecSQL();
  for (int i = 0; i < 20; ++i) q.SetParamText("unused" + std::to_string(i), "x");  // the list grows
  q.ExecSQL();
  q.SetSQL("insert into OUT (TICKER, CLIENTID, QTY) values (:c, :t, :n)");  // prepared anew
  q.SetParamText("c", "2");
  q.ExecSQL();
  q.SetParamNumber("c", 3);  // the same name, another kind and back
  q.SetParamText("c", "2");
  q.SetParamNull("n");
  q.ExecSQL();
  q.SetParamNumber("c", 3);
  q.SetParamNumber("n", -0.0);
  q.ExecSQL();
  EXPECT_THAT(Rows("select CLIENTID, TICKER, QTY from OUT"),
              ElementsAre("1|A|1.5", "2|A|1.5", "2|A|1.5", "A|2|1.5", "A|2|", "A|3|0"));
}

TEST_F(QueryTest, DeleteAllCutsTheFileBackToItsHeader) {
  Create("OUT.DBF", kOutFields);
  TQuery ins;
  OpenInsert(ins);
  for (int i = 0; i < 5; ++i) InsertTrade(ins, std::to_string(i), "T", i % 2, 1, 1, {2016, 4, 4});

  Exec("delete from OUT where OPERTYPE=1");
  std::string bytes = ReadBytes(File("OUT.DBF"));
  EXPECT_EQ(HeaderCount(bytes), 5u);
  EXPECT_EQ(bytes[417 + 171], '*');
  EXPECT_THAT(Rows("select CLIENTID from OUT"), ElementsAre("0", "2", "4"));
  TQuery count;
  count.SetDatabaseName(Dir());
  count.SetSQL("select * from OUT");
  count.Open();
  EXPECT_EQ(count.RecordCount(), 3);
  count.Close();

  Exec("delete from \"OUT\"");
  bytes = ReadBytes(File("OUT.DBF"));
  EXPECT_EQ(bytes.size(), 417u);
  EXPECT_EQ(HeaderCount(bytes), 0u);
  // And the table goes on working.
  InsertTrade(ins, "9", "T", 1, 1, 1, {2016, 4, 4});
  EXPECT_THAT(Rows("select CLIENTID from OUT"), ElementsAre("9"));
  EXPECT_EQ(ReadBytes(File("OUT.DBF")).size(), 417u + 171 + 1);
}

TEST_F(QueryTest, NoStaleReadsAcrossQueriesAndPrograms) {
  Create("OUT.DBF", kOutFields);
  TQuery reader;
  reader.SetDatabaseName(Dir());
  reader.SetSQL("select count(*) from OUT");
  reader.Open();
  EXPECT_EQ(reader.FieldText(0), "0");

  TQuery ins;
  OpenInsert(ins);
  InsertTrade(ins, "1", "A", 1, 1, 1, {2016, 4, 4});
  reader.Open();
  EXPECT_EQ(reader.FieldText(0), "1");

  // Another program appends a record and edits the first in place.
  RunPython(dir_,
            "import struct\n"
            "f = open('OUT.DBF', 'r+b')\n"
            "d = bytearray(f.read())\n"
            "rec = bytes(d[417:417 + 171])\n"
            "rec = rec[:1] + b'ZZ'.ljust(16) + rec[17:]\n"
            "d[417:417 + 171] = rec\n"
            "d[417 + 171:] = rec + b'\\x1a'\n"
            "d[4:8] = struct.pack('<I', 2)\n"
            "f.seek(0); f.write(d); f.close()\n");
  EXPECT_THAT(Rows("select CLIENTID from OUT"), ElementsAre("ZZ", "ZZ"));
  reader.Open();
  EXPECT_EQ(reader.FieldText(0), "2");
  // The prepared insert, run again, appends after the other program's record.
  InsertTrade(ins, "3", "C", 1, 1, 1, {2016, 4, 4});
  EXPECT_THAT(Rows("select CLIENTID from OUT"), ElementsAre("ZZ", "ZZ", "3"));
  EXPECT_EQ(HeaderCount(ReadBytes(File("OUT.DBF"))), 3u);

  // The file replaced by a table of other fields: the next statement sees them.
  Create("OUT.DBF", {{"OTHER", 'C', 4, 0}});
  reader.SetSQL("select * from OUT");
  reader.Open();
  EXPECT_THAT(reader.FieldNames(), ElementsAre("OTHER"));
  EXPECT_TRUE(reader.Eof());
  // And a file removed is an engine error, not a stale copy.
  fs::remove(File("OUT.DBF"));
  EXPECT_THROW(reader.Open(), EDatabaseError);
}

TEST_F(QueryTest, StatementsOfTheTurnovers) {
  Create("OUT.DBF", kOutFields);
  TQuery ins;
  OpenInsert(ins);
  struct Trade {
    const char* client;
    const char* ticker;
    int oper;
    double qty;
  };
  const Trade trades[] = {{"7", "BBB", 1, 10},  {"7", "AAA", 1, 100}, {"8", "AAA", 0, 40},
                          {"8", "CCC", 0, 30},  {"7", "AAA", 1, 5},   {"8", "AAA", 1, 0.5}};
  for (const auto& t : trades) InsertTrade(ins, t.client, t.ticker, t.oper, 1, t.qty, {2016, 4, 4});

  EXPECT_THAT(Rows("select  ticker,OPERTYPE,SUM(QTY) summa from \"OUT\" group by ticker,opertype order by "
                   "ticker,OPERTYPE"),
              ElementsAre("AAA|0|40", "AAA|1|105.5", "BBB|1|10", "CCC|0|30"));
  TQuery g;
  g.SetDatabaseName(Dir());
  g.SetSQL("select  ticker,OPERTYPE,SUM(QTY) summa from \"OUT\" where clientid=:clientid group by "
           "ticker,opertype order by ticker,OPERTYPE");
  g.SetParamText("clientid", "8");
  g.Open();
  std::vector<std::string> got;
  for (; !g.Eof(); g.Next()) got.push_back(g.FieldText(0) + "|" + g.FieldText(1) + "|" + g.FieldText(2));
  EXPECT_THAT(got, ElementsAre("AAA|0|40", "AAA|1|0.5", "CCC|0|30"));
  EXPECT_EQ(g.RecordCount(), 3);
  EXPECT_THAT(Rows("Select  distinct clientid from \"OUT\" order by 1"), ElementsAre("7", "8"));

  Create("ShOb.DBF", {{"TICKER", 'C', 50, 0}, {"BUY", 'N', 20, 5}, {"SAL", 'N', 20, 5}, {"SALDO", 'N', 20, 5}});
  Create("CLOb.DBF", {{"CLIENTID", 'C', 50, 0}, {"TICKER", 'C', 50, 0}, {"BUY", 'N', 20, 5},
                      {"SAL", 'N', 20, 5}, {"SALDO", 'N', 20, 5}});
  TQuery sh;
  sh.SetDatabaseName(Dir());
  sh.SetSQL("insert into shob (ticker,buy,sal,saldo) values (:ticker,:buy,:sal,:saldo)");
  for (const auto& [t, b, s] : {std::tuple{"BBB", 10.0, 0.0}, std::tuple{"AAA", 105.5, 40.0}}) {
    sh.SetParamText("ticker", t);
    sh.SetParamNumber("buy", b);
    sh.SetParamNumber("sal", s);
    sh.SetParamNumber("saldo", b - s);
    sh.ExecSQL();
  }
  EXPECT_THAT(Rows("select ticker,buy,sal,saldo from shob order by ticker"),
              ElementsAre("AAA|105.5|40|65.5", "BBB|10|0|10"));
  TQuery cl;
  cl.SetDatabaseName(Dir());
  cl.SetSQL("insert into clob (clientid,ticker,buy,sal,saldo) values (:clientid,:ticker,:buy,:sal,:saldo)");
  cl.SetParamText("clientid", "");
  cl.SetParamText("ticker", "");
  cl.SetParamNumber("buy", 0);
  cl.SetParamNumber("sal", 0);
  cl.SetParamNumber("saldo", 0);
  cl.ExecSQL();
  EXPECT_THAT(Rows("select clientid,ticker,buy,sal,saldo from clob order by clientid,ticker"),
              ElementsAre("||0|0|0"));
}

TEST_F(QueryTest, LiveResultEditsTheTable) {
  Create("OUT.DBF", kOutFields);
  TQuery ins;
  OpenInsert(ins);
  for (int i = 1; i <= 4; ++i) InsertTrade(ins, std::to_string(i), "T" + std::to_string(i), 1, i, i, {2016, 4, i});
  Exec("delete from OUT where CLIENTID='2'");  // a dead record between live ones

  TQuery view;
  view.SetDatabaseName(Dir());
  view.SetSQL("select CLIENTID,TICKER,OPERTYPE,PRICE,QTY,DATES,SDEL,BROCID,VAL from %M");
  view.SetMacro("M", "OUT");
  view.OpenLive();
  ASSERT_TRUE(view.Live());
  EXPECT_EQ(view.RecordCount(), 3);
  EXPECT_EQ(view.FieldNames()[0], "CLIENTID");
  std::vector<std::string> walk;
  for (; !view.Eof(); view.Next()) walk.push_back(view.FieldText(0));
  EXPECT_THAT(walk, ElementsAre("1", "3", "4"));

  view.MoveTo(1);
  view.SetFieldText(1, "NEW");
  view.SetFieldText(4, "12.5");
  view.SetFieldNull(7);
  EXPECT_EQ(view.FieldText(1), "NEW");
  EXPECT_EQ(view.FieldNumber(4), 12.5);
  EXPECT_TRUE(view.FieldIsNull(3) == false);
  EXPECT_THROW(view.SetFieldText(0, std::string(17, 'x')), EDatabaseError);
  EXPECT_THROW(view.SetFieldText(4, "many"), EDatabaseError);
  EXPECT_EQ(view.FieldText(0), "3");  // refused edits changed nothing
  EXPECT_THAT(Rows("select CLIENTID,TICKER,QTY,BROCID from OUT where rowid=3"), ElementsAre("3|NEW|12.5|"));

  view.AppendRecord();
  EXPECT_EQ(view.RecNo(), 3);
  EXPECT_EQ(view.RecordCount(), 4);
  view.SetFieldText(0, "5");
  view.MoveTo(0);
  view.DeleteRecord();
  EXPECT_EQ(view.RecordCount(), 3);
  EXPECT_EQ(view.FieldText(0), "3");
  EXPECT_THAT(Rows("select CLIENTID from OUT"), ElementsAre("3", "4", "5"));
  EXPECT_EQ(HeaderCount(ReadBytes(File("OUT.DBF"))), 5u);

  TQuery grouped;
  grouped.SetDatabaseName(Dir());
  grouped.SetSQL("select ticker, sum(qty) from OUT group by ticker");
  EXPECT_THROW(grouped.OpenLive(), EDatabaseError);
}

TEST_F(QueryTest, EngineFailuresAreDatabaseErrors) {
  Create("OUT.DBF", kOutFields);
  TQuery q;
  q.SetDatabaseName(Dir());
  for (const char* sql : {"select nonsense from OUT", "selec * from OUT", "insert into  (A) values (1)",
                          "select * from MISSING"}) {
    q.SetSQL(sql);
    EXPECT_THROW(q.Open(), EDatabaseError) << sql;
  }
  q.SetSQL("delete from OUT");
  EXPECT_THROW(q.Open(), EDatabaseError);  // no result to open
  EXPECT_FALSE(q.Active());
  q.SetSQL("select 'x\xC0' from MISSING\xC0");
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    EXPECT_THAT(e.what(), HasSubstr("MISSING\xD0\x90"));  // the message is UTF-8
  }
}

}  // namespace
}  // namespace rts::testing
