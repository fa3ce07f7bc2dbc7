#include "settings/FormStorage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace rts {
namespace {

namespace fs = std::filesystem;

class FormStorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::temp_directory_path() /
             ("rts_form_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".INI"))
                .string();
    fs::remove(path_);
  }
  void TearDown() override { fs::remove(path_); }
  std::string FileText() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void WriteFile(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }

  static FormPlacement Screen(int ppi, int w, int h) {
    FormPlacement p;
    p.pixelsPerInch = ppi, p.screenW = w, p.screenH = h;
    p.left = 212, p.top = 148, p.right = 929, p.bottom = 674;  // the layout bounds
    return p;
  }
  static StoredValues Controls() {
    return {{"InFilenameEdit_Text", ""},        {"OutFilenameEdit_Text", ""},
            {"BrokerAccEdit_Text", ""},         {"MaxClientEdit_Text", ""},
            {"MinClientEdit_Text", ""},         {"OborotModeRadioGroup_ItemIndex", "-1"},
            {"WriteModeRadioGroup_ItemIndex", "-1"}, {"SqueeseClaineCheckBox_Checked", "False"},
            {"TorgDateEdit_Text", ""},          {"SqueeseClientCheckBox_Checked", "False"}};
  }

  std::string path_;
};

TEST_F(FormStorageTest, SavesKeysInTheFixedOrderWithTrimmedTexts) {
  IniFile ini(path_);
  ini.WriteString("TRTSForm", "Stale", "x");  // an old section is replaced
  FormPlacement p = Screen(96, 1024, 768);
  p.flags = 2, p.showCmd = 3, p.minX = -1, p.minY = -1, p.maxX = -4, p.maxY = -4;
  StoredValues v = Controls();
  v[0].text = "  /data/in.txt ";
  v[2].text = " 30101 ";
  v[6].text = "1";
  v[7].text = "True";
  v[8].text = "05.03.2003";
  SaveForm(ini, "TRTSForm", p, true, v);
  ini.Save();
  EXPECT_EQ(FileText(),
            "[TRTSForm]\r\n"
            "FormVersion=0\r\nFlags=2\r\nShowCmd=3\r\nPixelsPerInch=96\r\n"
            "MinMaxPos(1024x768)=-1,-1,-4,-4\r\nMinMaxPos=-1,-1,-4,-4\r\n"
            "NormPos(1024x768)=212,148,929,674\r\nNormPos=212,148,929,674\r\n"
            "Visible=1\r\n"
            "InFilenameEdit_Text=/data/in.txt\r\nOutFilenameEdit_Text=\r\n"
            "BrokerAccEdit_Text=30101\r\nMaxClientEdit_Text=\r\nMinClientEdit_Text=\r\n"
            "OborotModeRadioGroup_ItemIndex=-1\r\nWriteModeRadioGroup_ItemIndex=1\r\n"
            "SqueeseClaineCheckBox_Checked=True\r\nTorgDateEdit_Text=05.03.2003\r\n"
            "SqueeseClientCheckBox_Checked=False\r\n");
}

TEST_F(FormStorageTest, SaveThenRestoreOnTheSameScreen) {
  {
    IniFile ini(path_);
    FormPlacement p = Screen(96, 1280, 1024);
    p.showCmd = 3, p.left = 10, p.top = 20, p.right = 700, p.bottom = 500;
    p.maxX = -8, p.maxY = -8;
    StoredValues v = Controls();
    v[2].text = "  BROKER 1  ";
    SaveForm(ini, "TRTSForm", p, false, v);
    ini.Save();
  }
  const IniFile ini(path_);
  FormPlacement p = Screen(96, 1280, 1024);
  StoredValues v = Controls();
  v[4].text = "unchanged?";
  ASSERT_TRUE(RestoreForm(ini, "TRTSForm", p, v));
  EXPECT_EQ(p.showCmd, 3);  // maximized again
  EXPECT_EQ(p.left, 10);
  EXPECT_EQ(p.bottom, 500);
  EXPECT_EQ(p.maxX, -8);
  EXPECT_EQ(v[2].text, "BROKER 1");
  EXPECT_EQ(v[4].text, "");  // stored empty value is applied
}

TEST_F(FormStorageTest, RestoreRules) {
  WriteFile(
      "[TRTSForm]\r\n"
      "ShowCmd=2\r\nPixelsPerInch=120\r\n"
      "MinMaxPos(800x600)=1,2,3,4\r\nMinMaxPos=5,6,7,8\r\n"
      "NormPos(800x600)=10,10,300,300\r\nNormPos=20,20,400,400\r\n"
      "BrokerAccEdit_Text=  ACC  \r\n");
  const IniFile ini(path_);
  struct Case {
    int ppi, w, h;
    int minX, left;  // expected
  };
  // Other resolution in pixels per inch: layout bounds kept.  Other screen
  // size: the plain keys.  Matching screen: the screen-specific keys.
  for (const Case c : {Case{96, 800, 600, 1, 212}, Case{120, 1024, 768, 5, 20},
                       Case{120, 800, 600, 1, 10}}) {
    FormPlacement p = Screen(c.ppi, c.w, c.h);
    StoredValues v = Controls();
    v[0].text = "kept";
    ASSERT_TRUE(RestoreForm(ini, "TRTSForm", p, v));
    EXPECT_EQ(p.showCmd, 2);
    EXPECT_EQ(p.flags, 0);             // missing key: untouched
    EXPECT_EQ(p.minX, c.minX) << c.ppi << " " << c.w;
    EXPECT_EQ(p.left, c.left) << c.ppi << " " << c.w;
    EXPECT_EQ(p.pixelsPerInch, c.ppi);  // the current screen stays
    EXPECT_EQ(v[0].text, "kept");       // missing key: untouched
    EXPECT_EQ(v[2].text, "ACC");
  }
}

TEST_F(FormStorageTest, MalformedPositionsAndVersion) {
  WriteFile(
      "[TRTSForm]\r\nNormPos(800x600)=\r\nNormPos=20,20,400,400\r\nMinMaxPos=1,2,x,4\r\n"
      "[Old]\r\nFormVersion=-1\r\nShowCmd=3\r\n");
  const IniFile ini(path_);
  FormPlacement p = Screen(96, 800, 600);  // no PixelsPerInch stored: counts as equal
  StoredValues v;
  ASSERT_TRUE(RestoreForm(ini, "TRTSForm", p, v));
  EXPECT_EQ(p.left, 20);   // empty screen-specific key: the plain one
  EXPECT_EQ(p.minX, -1);   // malformed: skipped
  FormPlacement q = Screen(96, 800, 600);
  EXPECT_FALSE(RestoreForm(ini, "Old", q, v));
  EXPECT_EQ(q.showCmd, 1);
  // A missing file or section changes nothing.
  const IniFile none(path_ + ".none");
  FormPlacement r = Screen(96, 800, 600);
  StoredValues w = Controls();
  ASSERT_TRUE(RestoreForm(none, "TRTSForm", r, w));
  EXPECT_EQ(r.left, 212);
  EXPECT_EQ(w[5].text, "-1");
}

}  // namespace
}  // namespace rts
