// The main window's layout and what it keeps between runs: placement and
// control values, written to the settings file on close and read back when
// the next window is shown.
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include "Elastic/DockLayout.h"
#include "RTS/ReplaceList.h"
#include "RTS/gui/FormWidgets.h"
#include "RTS/gui/TDBNavigator.h"
#include "RTS/gui/TradeTableModel.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"
#include "tests/RTS/gui/FormFixture.h"

class TRTSFormSettingsTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString ini_;

  static std::vector<std::string> KeysOf(const QString& path) {
    return rts::IniFile(path.toStdString()).SectionKeys("TRTSForm");
  }

 private slots:
  void initTestCase() {
    rts::SetRussianDateNames();
    ini_ = fixture::UseFreshConfigHome(dir_);
  }
  void init() { QFile::remove(ini_); }

  void firstStartShowsTheLayout() {
    rts::ScriptedPresenter messages;
    TRTSForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.objectName(), QString("RTSForm"));
    QCOMPARE(form.windowTitle(), QString("Торги РТС. Подготовка файла сделок для ДРС."));
    QCOMPARE(form.geometry(), QRect(212, 148, 717, 526));

    // Sizes along the docking axis, as laid out.
    struct Size { const char* name; int height, width; };
    const Size sizes[] = {{"Panel1", 37, -1},       {"Panel7", 62, -1},   {"StatusBar2", 19, -1},
                          {"FriendPanel1", 211, -1}, {"Panel3", 41, -1},   {"Panel6", 51, -1},
                          {"Panel5", 55, -1},        {"StatusBar1", 26, -1}, {"FriendPanel2", -1, 361},
                          {"GroupBox1", -1, 313}};
    for (const Size& s : sizes) {
      auto* w = form.findChild<QWidget*>(s.name);
      QVERIFY2(w, s.name);
      if (s.height >= 0) QCOMPARE(w->height(), s.height);
      if (s.width >= 0) QCOMPARE(w->width(), s.width);
    }
    const QColor lavender(207, 207, 231), grey(214, 214, 214);
    for (const char* name : {"Panel1", "Panel3", "Panel6", "StatusBar1", "StatusBar2", "GroupBox1"})
      QCOMPARE(form.findChild<QWidget*>(name)->palette().color(QPalette::Window), lavender);
    for (const char* name : {"Panel5", "Panel7"})
      QCOMPARE(form.findChild<QWidget*>(name)->palette().color(QPalette::Window), grey);

    // Every control is found by its component name and has an accessible name.
    for (const char* name :
         {"OpenBtn", "ReplaceListBtn", "InFilenameEdit", "BrokerAccEdit", "TorgDateEdit",
          "MinClientEdit", "MaxClientEdit", "MMVBGrid", "DBNavigator1", "ExportBtn",
          "OutFilenameEdit", "NewDealBtn", "WriteModeRadioGroup", "SqueeseClientCheckBox",
          "SqueeseClaineCheckBox", "RxDBGrid1", "NewOborotBtn", "OborotModeRadioGroup", "ObDBGrid"}) {
      auto* w = form.findChild<QWidget*>(name);
      QVERIFY2(w && !w->accessibleName().isEmpty(), name);
    }
    QCOMPARE(form.OpenBtn->accessibleName(), QString("Показать/обновить"));
    QCOMPARE(form.ExportBtn->accessibleName(), QString("Экспорт отобранных сделок"));
    QCOMPARE(form.ExportBtn->toolTip(), QString("Экспорт отобранных сделок\nв выходной файл"));
    QVERIFY(form.SqueeseClaineCheckBox->isHidden());
    QVERIFY(!form.SqueeseClaineCheckBox->isEnabled());

    // Grid: the title row and one empty row; titles and widths of the columns.
    QCOMPARE(form.MMVBGrid->model()->rowCount(), 1);
    QCOMPARE(form.MMVBGrid->model()->headerData(0, Qt::Horizontal).toString(), QString("Клиент"));
    QCOMPARE(form.MMVBGrid->model()->headerData(14, Qt::Horizontal).toString(), QString("Комментарий"));
    QCOMPARE(form.MMVBGrid->horizontalHeader()->sectionSize(14), 150);
    QCOMPARE(form.MMVBGrid->verticalHeader()->defaultSectionSize(), 16);

    // Nothing chosen on a first start.
    QCOMPARE(form.WriteModeRadioGroup->ItemIndex(), -1);
    QCOMPARE(form.OborotModeRadioGroup->ItemIndex(), -1);
    QVERIFY(!form.SqueeseClientCheckBox->isChecked());
    QVERIFY(!form.SqueeseClaineCheckBox->isChecked());
    QVERIFY(!form.ReportLoaded);
    QVERIFY(messages.shown().empty());
  }

  void valuesAndPlacementSurviveARestart() {
    {
      TRTSForm form;
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      form.InFilenameEdit->setText("  /tmp/report 1.txt  ");
      form.OutFilenameEdit->setText("/tmp/OUT.DBF");
      form.BrokerAccEdit->setText(" БР01 ");
      form.MinClientEdit->setText("1000");
      form.MaxClientEdit->setText("2000");
      form.TorgDateEdit->setText("05.03.2003");
      form.WriteModeRadioGroup->SetItemIndex(1);
      form.OborotModeRadioGroup->SetItemIndex(0);
      form.SqueeseClientCheckBox->setChecked(true);
      form.setGeometry(100, 120, 800, 600);
      QTest::qWait(20);
      form.close();
    }
    const std::vector<std::string> expectedKeys = {
        "FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos(", "MinMaxPos", "NormPos(",
        "NormPos", "Visible", "InFilenameEdit_Text", "OutFilenameEdit_Text", "BrokerAccEdit_Text",
        "MaxClientEdit_Text", "MinClientEdit_Text", "OborotModeRadioGroup_ItemIndex",
        "WriteModeRadioGroup_ItemIndex", "SqueeseClaineCheckBox_Checked", "TorgDateEdit_Text",
        "SqueeseClientCheckBox_Checked"};
    const std::vector<std::string> keys = KeysOf(ini_);
    QCOMPARE(keys.size(), expectedKeys.size());
    for (size_t i = 0; i < keys.size(); ++i)
      QVERIFY2(keys[i].rfind(expectedKeys[i], 0) == 0, keys[i].c_str());
    rts::IniFile file(ini_.toStdString());
    QCOMPARE(file.ReadString("TRTSForm", "NormPos", ""), std::string("100,120,900,720"));
    QCOMPARE(file.ReadString("TRTSForm", "ShowCmd", ""), std::string("1"));
    QCOMPARE(file.ReadString("TRTSForm", "Visible", ""), std::string("0"));
    QCOMPARE(file.ReadString("TRTSForm", "BrokerAccEdit_Text", ""), rts::Utf8ToCp1251("БР01"));
    QCOMPARE(file.ReadString("TRTSForm", "InFilenameEdit_Text", ""), std::string("/tmp/report 1.txt"));
    QCOMPARE(file.ReadString("TRTSForm", "SqueeseClientCheckBox_Checked", ""), std::string("True"));
    QCOMPARE(file.ReadString("TRTSForm", "SqueeseClaineCheckBox_Checked", ""), std::string("False"));

    // The hidden option's state comes only from the file.
    file.WriteString("TRTSForm", "SqueeseClaineCheckBox_Checked", "True");
    file.Save();

    TRTSForm again;
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.geometry(), QRect(100, 120, 800, 600));
    QCOMPARE(again.InFilenameEdit->text(), QString("/tmp/report 1.txt"));
    QCOMPARE(again.OutFilenameEdit->text(), QString("/tmp/OUT.DBF"));
    QCOMPARE(again.OutFileName, std::string("/tmp/OUT.DBF"));
    QCOMPARE(again.BrokerAccEdit->text(), QString("БР01"));
    QCOMPARE(again.MinClientEdit->text(), QString("1000"));
    QCOMPARE(again.MaxClientEdit->text(), QString("2000"));
    QCOMPARE(again.TorgDateEdit->text(), QString("05.03.2003"));
    QCOMPARE(again.WriteModeRadioGroup->ItemIndex(), 1);
    QCOMPARE(again.OborotModeRadioGroup->ItemIndex(), 0);
    QVERIFY(again.SqueeseClientCheckBox->isChecked());
    QVERIFY(again.SqueeseClaineCheckBox->isChecked());
  }

  void maximizedComesBackMaximized() {
    {
      TRTSForm form;
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      form.showMaximized();
      QTRY_VERIFY(form.isMaximized());
      form.close();
    }
    QCOMPARE(rts::IniFile(ini_.toStdString()).ReadString("TRTSForm", "ShowCmd", ""), std::string("3"));
    TRTSForm again;
    again.show();
    QTRY_VERIFY(again.isMaximized());
  }

  void anotherResolutionKeepsTheLayoutBounds() {
    {
      rts::IniFile file(ini_.toStdString());
      file.WriteString("TRTSForm", "PixelsPerInch", "1");
      file.WriteString("TRTSForm", "NormPos", "10,10,300,300");
      file.WriteString("TRTSForm", "BrokerAccEdit_Text", "B7");
      file.WriteString("TRTSForm", "WriteModeRadioGroup_ItemIndex", "5");  // does not suit: skipped
      file.Save();
    }
    rts::ScriptedPresenter messages;
    TRTSForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.geometry(), QRect(212, 148, 717, 526));
    QCOMPARE(form.BrokerAccEdit->text(), QString("B7"));
    QCOMPARE(form.WriteModeRadioGroup->ItemIndex(), -1);
    QVERIFY(messages.shown().empty());
  }

  void destroyedWithoutCloseSavesVisible() {
    { TRTSForm form; form.show(); QVERIFY(QTest::qWaitForWindowExposed(&form)); }
    QCOMPARE(rts::IniFile(ini_.toStdString()).ReadString("TRTSForm", "Visible", ""), std::string("1"));
  }

  void substitutionListIsReadWhenShown() {
    {
      rts::IniFile file(ini_.toStdString());
      file.WriteString("ReplaceList", "Count", "2");
      file.WriteString("ReplaceList", "Item0", "$ABC,XYZ=1500;");
      file.WriteString("ReplaceList", "Item1", "@SEC01=10;");
      file.Save();
    }
    TRTSForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.Replace().ReplaceFromList.size(), size_t(2));
    QCOMPARE(form.Replace().LotCodeList, std::vector<std::string>{"SEC01"});
    form.close();
    // Closing the window keeps the list in the file.
    QCOMPARE(rts::IniFile(ini_.toStdString()).ReadString("ReplaceList", "Item1", ""),
             std::string("@SEC01=10;"));
  }
};

QTEST_MAIN(TRTSFormSettingsTest)
#include "TRTSForm_settings_test.moc"
