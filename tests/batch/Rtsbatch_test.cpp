// rtsbatch as operators' scripts run it: exit codes, texts given in UTF-8 or
// as Windows-1251 bytes, questions without --yes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int code = -1;
  std::string out, err;
};

class Rtsbatch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("rts_batch_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    bin_ = std::string(RTS_BINARY_DIR) + "/rtsbatch";
    ASSERT_TRUE(fs::exists(bin_)) << "build the rtsbatch target first";
    Write("RTS.INI", "[TRTSForm]\n");
    // Header, then one trade of client 1500 on 05.09.2004.
    Write("REPORT.TXT",
          "header\r\nGAZP\t01\tB1\tC\t1500\tFIRM\t10.5\t3\t10.25\tSUR\t08/09/2004\t777\t05/09/2004\t"
          "12:00:00\tT0\tok\r\n");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }

  // Runs rtsbatch in the folder with the given arguments (quoted for bash).
  Outcome Exec(const std::string& args) {
    Write("cmd.sh", "cd '" + dir_.string() + "' && '" + bin_ + "' --settings RTS.INI " + args +
                        " >out.txt 2>err.txt </dev/null\n");
    Outcome r;
    const std::string cmd = "bash '" + (dir_ / "cmd.sh").string() + "'";
    const int status = std::system(cmd.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Read("out.txt");
    r.err = Read("err.txt");
    return r;
  }

  std::string Read(const std::string& name) {
    std::ifstream f(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }

  fs::path dir_;
  std::string bin_;
};

TEST_F(Rtsbatch, MissingReportFailsWithTheMessage) {
  const Outcome r = Exec("read NOPE.TXT");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Файл NOPE.TXT  не найден."), std::string::npos) << r.err;
}

TEST_F(Rtsbatch, QuestionAnsweredNoEndsWithCodeThreeAndWritesNothing) {
  const Outcome r = Exec("export REPORT.TXT --out OUT.DBF --date=05.09.2004 --min=1000 --broker=B");
  EXPECT_EQ(r.code, 3) << r.err;
  EXPECT_NE(r.err.find("Создать файл OUT.DBF ?\nНет"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "OUT.DBF"));
  EXPECT_EQ(r.out, "");  // no record count: the export did not run
}

TEST_F(Rtsbatch, TextsInUtf8OrAsBytesReachTheTableAsWindows1251) {
  // "БРОКЕР" given in UTF-8, then as Windows-1251 bytes: the same account.
  const Outcome utf8 = Exec("export REPORT.TXT --out OUT.DBF --date=05.09.2004 --min=1000 "
                        "--broker=БРОКЕР --mode=append --yes");
  ASSERT_EQ(utf8.code, 0) << utf8.err;
  EXPECT_EQ(utf8.out, "1\n");
  EXPECT_EQ(utf8.err.find("Экспорт данных"), std::string::npos);  // no progress off a terminal
  const Outcome bytes = Exec("export REPORT.TXT --out OUT.DBF --date=05.09.2004 --min=1000 "
                         "$'--broker=\\xc1\\xd0\\xce\\xca\\xc5\\xd0' --mode=append --yes");
  ASSERT_EQ(bytes.code, 0) << bytes.err;
  EXPECT_EQ(bytes.out, "2\n");
  const std::string table = Read("OUT.DBF");
  const std::string broker = "\xc1\xd0\xce\xca\xc5\xd0          ";  // BROCID, 16 wide
  const size_t first = table.find(broker);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(table.find(broker, first + 1), std::string::npos);
}

}  // namespace
