#include "MakeDBF/MakeDBF.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  return out;
}

class MakeDBFTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("makedbf_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(MakeDBFTest, TwoFieldExampleByteForByte) {
  rts::TDBF dbf;
  EXPECT_TRUE(dbf.AddField("ticker", 'c', 50, 0));
  EXPECT_TRUE(dbf.AddField("BUY", 'N', 20, 5));
  dbf.FileName = (dir_ / "T.DBF").string();
  ASSERT_TRUE(dbf.CreateTable());
  EXPECT_EQ(dbf.HeaderLength, 97);
  EXPECT_EQ(dbf.RecordLength, 71);
  EXPECT_EQ(dbf.Fields[0]->Offset, 1u);
  EXPECT_EQ(dbf.Fields[1]->Offset, 51u);

  std::string want;
  want += std::string("\x03\x5F\x0C\x1C", 4) + std::string(4, '\0') + std::string("\x61\x00\x47\x00", 4) +
          std::string(20, '\0');
  want += std::string("TICKER\0\0\0\0\0", 11) + "C" + std::string("\x01\x00\x00\x00", 4) + "\x32" +
          std::string(1, '\0') + std::string(14, '\0');
  want += std::string("BUY\0\0\0\0\0\0\0\0", 11) + "N" + std::string("\x33\x00\x00\x00", 4) + "\x14\x05" +
          std::string(14, '\0');
  want += "\x0D";
  ASSERT_EQ(want.size(), 97u);
  EXPECT_EQ(Hex(ReadAll(dir_ / "T.DBF")), Hex(want));
}

TEST_F(MakeDBFTest, NoFieldsGivesThirtyThreeBytes) {
  rts::TDBF dbf;
  dbf.FileName = (dir_ / "E.DBF").string();
  ASSERT_TRUE(dbf.CreateTable());
  const std::string bytes = ReadAll(dir_ / "E.DBF");
  ASSERT_EQ(bytes.size(), 33u);
  EXPECT_EQ(bytes.substr(8, 4), std::string("\x21\x00\x01\x00", 4));
  EXPECT_EQ(bytes.back(), '\x0D');
}

TEST_F(MakeDBFTest, TypeLetters) {
  struct Case {
    char type;
    bool accepted;
    char stored;
  };
  const Case cases[] = {{'c', true, 'C'}, {'n', true, 'N'}, {'l', true, 'L'}, {'D', true, 'D'},
                        {'M', false, 0},  {'F', false, 0},  {'f', false, 0},  {' ', false, 0}};
  for (const auto& c : cases) {
    rts::TDBF dbf;
    EXPECT_EQ(dbf.AddField("X", c.type, 1, 0), c.accepted) << c.type;
    ASSERT_EQ(dbf.Fields.size(), c.accepted ? 1u : 0u) << c.type;
    if (c.accepted) {
      EXPECT_EQ(dbf.Fields[0]->FieldType, c.stored);
    }
  }
}

TEST_F(MakeDBFTest, NamesUpperCasedNotTrimmedDuplicatesKept) {
  rts::TDBF dbf;
  dbf.AddField(" a-b\xE0", 'C', 3, 0);  // a Cyrillic byte stays as it is
  dbf.AddField("dup", 'N', 4, 1);
  dbf.AddField("DUP", 'N', 5, 2);
  EXPECT_FALSE(dbf.AddField("TWELVECHARSX", 'C', 1, 0));  // would not fit 11 bytes
  dbf.FileName = (dir_ / "N.DBF").string();
  ASSERT_TRUE(dbf.CreateTable());
  const std::string bytes = ReadAll(dir_ / "N.DBF");
  ASSERT_EQ(bytes.size(), 32u * 3 + 33);
  EXPECT_EQ(bytes.substr(32, 11), std::string(" A-B\xE0\0\0\0\0\0\0", 11));
  EXPECT_EQ(bytes.substr(64, 11), std::string("DUP\0\0\0\0\0\0\0\0", 11));
  EXPECT_EQ(bytes.substr(96, 11), std::string("DUP\0\0\0\0\0\0\0\0", 11));
  EXPECT_EQ(static_cast<unsigned char>(bytes[64 + 12]), 4u);  // offsets 1, 4, 8
  EXPECT_EQ(static_cast<unsigned char>(bytes[96 + 12]), 8u);
  EXPECT_EQ(bytes.substr(10, 2), std::string("\x0D\x00", 2));  // record length 13
}

TEST_F(MakeDBFTest, ReplacesAnExistingFileAndReportsFailure) {
  const fs::path path = dir_ / "OLD.DBF";
  std::ofstream(path, std::ios::binary) << std::string(5000, 'x');
  rts::TDBF dbf;
  dbf.AddField("A", 'C', 1, 0);
  dbf.FileName = path.string();
  ASSERT_TRUE(dbf.CreateTable());
  const std::string bytes = ReadAll(path);
  EXPECT_EQ(bytes.size(), 65u);
  EXPECT_NE(bytes.back(), '\x1A');
  EXPECT_EQ(bytes.substr(1, 7), std::string("\x5F\x0C\x1C\0\0\0\0", 7));

  rts::TDBF missing;
  missing.AddField("A", 'C', 1, 0);
  missing.FileName = (dir_ / "no" / "such" / "X.DBF").string();
  EXPECT_FALSE(missing.CreateTable());
}

}  // namespace
