// rtsbatch sql, run as operators run it.
#include "TableFixture.h"

#include <gmock/gmock.h>

#include <sys/wait.h>

namespace rts::testing {
namespace {

class SqlCommandTest : public TableTest {
 protected:
  // Runs rtsbatch with `args`; returns its exit code, standard output and error.
  int Run(const std::string& args, std::string& out, std::string& err) {
    const std::string cmd = "cd '" + Dir() + "' && '" RTS_BINARY_DIR "/rtsbatch' sql " + args + " 2>err.txt";
    out.clear();
    FILE* p = popen(cmd.c_str(), "r");
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int status = pclose(p);
    err = ReadBytes(File("err.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(SqlCommandTest, PrintsResultsRunsStatementsAndReportsFailures) {
  if (!fs::exists(RTS_BINARY_DIR "/rtsbatch")) GTEST_SKIP() << "rtsbatch is not built";
  Create("OUT.DBF", kOutFields);
  std::string out, err;
  // Parameters of every kind; a Cyrillic text given in UTF-8.
  EXPECT_EQ(Run("--param c=7 --param 't=ГАЗП' --param q:n=12.5 --param d:d=05.03.2003 "
                "'insert into out (CLIENTID,TICKER,QTY,DATES) values (:c,:t,:q,:d)'",
                out, err),
            0) << err;
  EXPECT_EQ(out, "");
  EXPECT_EQ(Run("--dir '" + Dir() + "' 'select CLIENTID, TICKER, QTY, DATES, OPERTYPE from \"OUT\"'", out, err), 0);
  EXPECT_EQ(out, "CLIENTID\tTICKER\tQTY\tDATES\tOPERTYPE\n7\tГАЗП\t12.5\t20030305\t\n");
  EXPECT_EQ(Run("--raw 'select TICKER from OUT'", out, err), 0);
  EXPECT_EQ(out, "TICKER\n\xC3\xC0\xC7\xCF\n");
  // An empty result still names its fields.
  EXPECT_EQ(Run("--param c:null= 'select CLIENTID from OUT where CLIENTID=:c'", out, err), 0);
  EXPECT_EQ(out, "CLIENTID\n");

  EXPECT_EQ(Run("\"insert into OUT (CLIENTID) values ('12345678901234567')\"", out, err), 1);
  EXPECT_THAT(err, ::testing::HasSubstr("CLIENTID"));
  EXPECT_EQ(Run("'select * from NOWHERE'", out, err), 1);
  EXPECT_THAT(err, ::testing::HasSubstr("NOWHERE"));
  EXPECT_EQ(Run("--param q:n=abc 'select 1'", out, err), 2);
}

}  // namespace
}  // namespace rts::testing
