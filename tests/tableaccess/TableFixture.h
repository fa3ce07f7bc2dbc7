// A scratch folder with tables for the engine tests, and ways to look at the
// files from outside: their bytes, and Debian's python3 readers.
#pragma once

#include "MakeDBF/MakeDBF.h"
#include "tableaccess/Query.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace rts::testing {

namespace fs = std::filesystem;

struct FieldSpec {
  const char* name;
  char type;
  uint8_t width, decimals;
};

// The output trade table's twelve fields.
inline const std::vector<FieldSpec> kOutFields = {
    {"CLIENTID", 'C', 16, 0}, {"TICKER", 'C', 50, 0},   {"OPERTYPE", 'N', 6, 0},   {"PRICE", 'N', 20, 5},
    {"QTY", 'N', 20, 5},      {"DATES", 'D', 8, 0},     {"SDEL", 'C', 11, 0},      {"BROCID", 'C', 16, 0},
    {"DEALPLACE", 'N', 2, 0}, {"SHAREPLACE", 'N', 2, 0}, {"BUYID", 'C', 16, 0},    {"VAL", 'C', 3, 0}};

inline const std::vector<std::string> kInsOut = {
    "insert into %M (CLIENTID,TICKER,OPERTYPE,PRICE,QTY,DATES,SDEL,BROCID,VAL)", "values",
    "(:CLIENTID,:TICKER,:OPERTYPE,:PRICE,:QTY,:DATE,:SDEL,:BROCID,:VAL)"};

inline std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

inline uint32_t HeaderCount(const std::string& bytes) {
  return static_cast<uint8_t>(bytes[4]) | static_cast<uint8_t>(bytes[5]) << 8 |
         static_cast<uint8_t>(bytes[6]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[7])) << 24;
}

// Runs a python3 program with the folder as working directory; returns its
// standard output, and fails the test on a non-zero exit.
inline std::string RunPython(const fs::path& dir, const std::string& program) {
  const fs::path script = dir / "script.py";
  WriteBytes(script, program);
  const std::string cmd = "cd '" + dir.string() + "' && " RTS_PYTHON " '" + script.string() + "' 2>&1";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = pclose(p);
    EXPECT_EQ(rc, 0) << out;
  }
  return out;
}

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("rts_tables_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }

  std::string Dir() const { return dir_.string(); }
  fs::path File(const std::string& name) const { return dir_ / name; }

  void Create(const std::string& fileName, const std::vector<FieldSpec>& fields) {
    TDBF dbf;
    for (const auto& f : fields) dbf.AddField(f.name, f.type, f.width, f.decimals);
    dbf.FileName = File(fileName).string();
    ASSERT_TRUE(dbf.CreateTable());
  }

  // One record into the output table through the export's statement.
  static void InsertTrade(TQuery& q, const std::string& client, const std::string& ticker, double oper,
                          double price, double qty, Date date, const std::string& sdel = "101",
                          const std::string& broker = "BR01", const std::string& val = "SUR") {
    q.SetParamText("CLIENTID", client);
    q.SetParamText("TICKER", ticker);
    q.SetParamNumber("OPERTYPE", oper);
    q.SetParamNumber("PRICE", price);
    q.SetParamNumber("QTY", qty);
    q.SetParamDate("DATE", date);
    q.SetParamText("SDEL", sdel);
    q.SetParamText("BROCID", broker);
    q.SetParamText("VAL", val);
    q.ExecSQL();
  }

  void OpenInsert(TQuery& q, const std::string& table = "OUT") {
    q.SetDatabaseName(Dir());
    q.SetSQL(kInsOut);
    q.SetMacro("M", table);
  }

  // Every row of a statement, fields as text joined by "|".
  std::vector<std::string> Rows(const std::string& sql) {
    TQuery q;
    q.SetDatabaseName(Dir());
    q.SetSQL(sql);
    q.Open();
    std::vector<std::string> rows;
    for (; !q.Eof(); q.Next()) {
      std::string row;
      for (int i = 0; i < q.FieldCount(); ++i) row += (i ? "|" : "") + q.FieldText(i);
      rows.push_back(row);
    }
    return rows;
  }

  void Exec(const std::string& sql) {
    TQuery q;
    q.SetDatabaseName(Dir());
    q.SetSQL(sql);
    q.ExecSQL();
  }

  fs::path dir_;
};

}  // namespace rts::testing
