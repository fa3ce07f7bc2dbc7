#include "settings/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace rts {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("rts_ini_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
};

TEST_F(IniFileTest, ReadsLfAndCrLfFilesCaseInsensitivelyAndTrimmed) {
  // "Раздел"/"РАЗДЕЛ" and "Ключ"/"КЛЮЧ" in Windows-1251
  Write(Path("a.ini"),
        "junk before any section\n"
        "[TRTSForm]\r\n"
        "InFilenameEdit_Text=  /data/report.txt \t\r\n"
        "Count = 7\n"
        "not a key line\n"
        "\n"
        "  [ \xD0\xE0\xE7\xE4\xE5\xEB ]  \n"
        "\xCA\xEB\xFE\xF7=\xE7\xED\xE0\xF7\xE5\xED\xE8\xE5\n"
        "dup=first\n"
        "DUP=second\n"
        "empty=");
  const IniFile ini(Path("a.ini"));
  EXPECT_EQ(ini.ReadString("trtsform", "INFILENAMEEDIT_TEXT", "d"), "/data/report.txt");
  EXPECT_EQ(ini.ReadInteger("TRTSForm", "count", -1), 7);
  EXPECT_EQ(ini.ReadString("\xD0\xC0\xC7\xC4\xC5\xCB", "\xCA\xCB\xDE\xD7", "d"),
            "\xE7\xED\xE0\xF7\xE5\xED\xE8\xE5");  // bytes as in the file
  EXPECT_EQ(ini.ReadString("\xF0\xE0\xE7\xE4\xE5\xEB", "dup", "d"), "first");
  EXPECT_TRUE(ini.HasKey("\xD0\xE0\xE7\xE4\xE5\xEB", "empty"));
  EXPECT_EQ(ini.ReadString("\xD0\xE0\xE7\xE4\xE5\xEB", "empty", "d"), "");
  EXPECT_FALSE(ini.HasKey("TRTSForm", "not a key line"));
  EXPECT_EQ(ini.ReadString("TRTSForm", "missing", "default"), "default");
  EXPECT_EQ(ini.ReadString("nosection", "Count", "default"), "default");
  EXPECT_EQ(ini.SectionKeys("TRTSForm"), (std::vector<std::string>{"InFilenameEdit_Text", "Count"}));
}

TEST_F(IniFileTest, MissingFileIsAnEmptyStore) {
  const IniFile ini(Path("none.ini"));
  EXPECT_FALSE(ini.HasKey("a", "b"));
  EXPECT_EQ(ini.ReadInteger("a", "b", 5), 5);
  EXPECT_TRUE(ini.SectionKeys("a").empty());
}

TEST_F(IniFileTest, IntegersAndBooleans) {
  Write(Path("b.ini"),
        "[s]\nn1=42\nn2=-3\nn3=abc\nn4=12abc\nn5=$10\nn6=\nn7=99999999999\n"
        "b1=True\nb2=false\nb3=1\nb4=0\nb5=TRUE\nb6=yes\nb7=2\n");
  const IniFile ini(Path("b.ini"));
  struct IntCase { const char* key; int want; };
  for (const IntCase c : {IntCase{"n1", 42}, {"n2", -3}, {"n3", -1}, {"n4", -1}, {"n5", 16},
                          {"n6", -1}, {"n7", -1}, {"none", -1}})
    EXPECT_EQ(ini.ReadInteger("s", c.key, -1), c.want) << c.key;
  struct BoolCase { const char* key; bool def, want; };
  for (const BoolCase c : {BoolCase{"b1", false, true}, {"b2", true, false}, {"b3", false, true},
                           {"b4", true, false}, {"b5", false, true}, {"b6", false, false},
                           {"b6", true, true}, {"b7", true, true}, {"none", true, true}})
    EXPECT_EQ(ini.ReadBool("s", c.key, c.def), c.want) << c.key;
}

TEST_F(IniFileTest, WritesInOrderWithCrLfAndReadsBack) {
  const std::string path = Path("sub/dir/rts.INI");  // folder made on save
  {
    IniFile ini(path);
    ini.WriteString("TRTSForm", "B", "2");
    ini.WriteString("TRTSForm", "A", " spaced ");
    ini.WriteInteger("Other", "N", -7);
    ini.WriteString("trtsform", "b", "changed");  // existing key keeps its place and spelling
    ini.WriteBool("TRTSForm", "Flag", true);
    ini.WriteBool("Other", "Off", false);
    ini.WriteString("Other", "Cyr", "\xC0\xE1\xE2");
    ini.Save();
  }
  EXPECT_EQ(Read(path),
            "[TRTSForm]\r\nB=changed\r\nA= spaced \r\nFlag=True\r\n"
            "[Other]\r\nN=-7\r\nOff=False\r\nCyr=\xC0\xE1\xE2\r\n");
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  const IniFile back(path);
  EXPECT_EQ(back.ReadString("TRTSForm", "A", ""), "spaced");
  EXPECT_EQ(back.ReadInteger("Other", "N", 0), -7);
  EXPECT_TRUE(back.ReadBool("TRTSForm", "Flag", false));
  EXPECT_FALSE(back.ReadBool("Other", "Off", true));
  EXPECT_EQ(back.ReadString("Other", "Cyr", ""), "\xC0\xE1\xE2");
}

TEST_F(IniFileTest, EraseSectionRemovesItWholly) {
  IniFile ini(Path("c.ini"));
  ini.WriteString("ReplaceList", "Count", "1");
  ini.WriteString("ReplaceList", "Item0", "$A=1;");
  ini.WriteString("Keep", "k", "v");
  ini.EraseSection("REPLACELIST");
  EXPECT_FALSE(ini.HasKey("ReplaceList", "Count"));
  ini.WriteString("ReplaceList", "Count", "0");  // comes back at the end
  ini.Save();
  EXPECT_EQ(Read(Path("c.ini")), "[Keep]\r\nk=v\r\n[ReplaceList]\r\nCount=0\r\n");
  ini.EraseSection("not there");  // harmless
}

TEST_F(IniFileTest, LineBreaksInValuesCannotForgeKeys) {
  IniFile ini(Path("d.ini"));
  ini.WriteString("s", "Text", "a\r\n[evil]\r\nCount=99");
  ini.Save();
  const IniFile back(Path("d.ini"));
  EXPECT_EQ(back.SectionKeys("s"), (std::vector<std::string>{"Text"}));
  EXPECT_FALSE(back.HasKey("evil", "Count"));
  EXPECT_EQ(back.ReadString("s", "Text", ""), ini.ReadString("s", "Text", ""));
}

TEST_F(IniFileTest, FailedSaveThrowsAndKeepsTheOldFile) {
  const std::string path = Path("e.ini");
  Write(path, "[s]\r\nk=old\r\n");
  fs::create_directory(path + ".tmp");  // the temporary file cannot be made
  IniFile ini(path);
  ini.WriteString("s", "k", "new");
  EXPECT_THROW(ini.Save(), std::runtime_error);
  EXPECT_EQ(Read(path), "[s]\r\nk=old\r\n");
}

TEST(IniFileLocation, DefaultSettingsPath) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(DefaultSettingsPath(), "/tmp/cfg/rts.INI");
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", "/home/op", 1);
  EXPECT_EQ(DefaultSettingsPath(), "/home/op/.config/rts.INI");
  if (oldXdg) ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  if (oldHome) ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace rts
