// Reading and marking a report through the main window: the outcome of the
// bounds, the warnings, the status texts, marks by hand, the painting of
// marked and grouped rows, and the digits-only rule of the bound fields.
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include "RTS/gui/FormWidgets.h"
#include "RTS/gui/TradeTableModel.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"
#include "tests/RTS/gui/FormFixture.h"

using fixture::Trade;

namespace {
const char* const kMismatch =
    "Имеются неотмеченные сделки из - за несовпадения даты торгов, назначенной оператором и даты в файле ";
const char* const kNoDate = "Не задана дата торгов. Сделки не отмечены.";
const char* const kDateProblem = "Проблема с датой. Проверьте системные установки в Regional Settings";
}  // namespace

class TRTSFormReportTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString ini_, report_;
  std::unique_ptr<TRTSForm> form_;

  std::vector<std::string> MarkedClients() {
    std::vector<std::string> out;
    for (size_t r = 1; r <= form_->TradeRows().RowCount(); ++r)
      if (form_->IsMarked(r)) out.emplace_back(form_->TradeRows().Cell(r, rts::Client));
    return out;
  }

 private slots:
  void initTestCase() {
    rts::SetRussianDateNames();
    ini_ = fixture::UseFreshConfigHome(dir_);
    rts::IniFile file(ini_.toStdString());
    file.WriteString("ReplaceList", "Count", "1");
    file.WriteString("ReplaceList", "Item0", "$ABC=1500;");
    file.Save();
    report_ = fixture::WriteReport(dir_.path() + "/report.txt",
                                   {Trade("B1", "1234", "10", "1.5", "1"),
                                    Trade("S1", "567", "10", "1.5", "2"),
                                    Trade("B1", "ABC", "10", "1.5", "3"),
                                    Trade("B1", "1234", "10", "1.5", "4", "06/03/2003"),
                                    Trade("B1", "123456789", "10", "1.5", "5"),
                                    Trade("B1", "2500", "10", "1.5", "6")});
  }
  void init() {
    {  // every test starts from the layout's values
      rts::IniFile file(ini_.toStdString());
      file.EraseSection("TRTSForm");
      file.Save();
    }
    form_ = std::make_unique<TRTSForm>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->InFilenameEdit->setText(report_);
  }
  void cleanup() { form_.reset(); }

  void marksAsTheBoundsSay_data() {
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("both bounds") << "1000" << "2000" << "05.03.2003"
                                 << QStringList{"1234", "1500"} << QStringList{kMismatch};
    QTest::newRow("lower only") << "1000" << "" << "05.03.2003"
                                << QStringList{"1234", "1500", "123456789", "2500"}
                                << QStringList{kMismatch};
    QTest::newRow("upper only, no date") << "" << "2000" << ""
                                         << QStringList{"1234", "567", "1234"} << QStringList{};
    QTest::newRow("no bounds") << "" << "" << "05.03.2003" << QStringList{} << QStringList{};
    QTest::newRow("lower bound without a date") << "1000" << "2000" << "" << QStringList{}
                                                << QStringList{kNoDate};
  }
  void marksAsTheBoundsSay() {
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, date);
    QFETCH(QStringList, marked);
    QFETCH(QStringList, messages);
    form_->MinClientEdit->setText(min);
    form_->MaxClientEdit->setText(max);
    form_->TorgDateEdit->setText(date);
    rts::ScriptedPresenter presenter;
    form_->OpenBtn->click();

    QStringList shown;
    for (const std::string& t : presenter.texts()) shown << QString::fromStdString(t);
    QCOMPARE(shown, messages);
    QStringList got;
    for (const std::string& c : MarkedClients()) got << QString::fromStdString(rts::Cp1251ToUtf8(c));
    QCOMPARE(got, marked);
    QVERIFY(form_->ReportLoaded);
    QCOMPARE(form_->StatusBar2->PanelText(0), QString("Всего 6 сделок"));
    QCOMPARE(form_->StatusBar2->PanelText(1), QString("Отмеченных  сделок: %1").arg(marked.size()));
    QCOMPARE(form_->MMVBGrid->model()->rowCount(), 6);
    QCOMPARE(form_->MMVBGrid->model()->index(0, rts::SecurityCode).data().toString(), QString("SEC01"));
  }

  void unreadableDateWarnsOnce() {
    const QString path = fixture::WriteReport(
        dir_.path() + "/baddate.txt",
        {Trade("B1", "1234", "1", "1", "1", "xx"), Trade("B1", "1235", "1", "1", "2", "yy"),
         Trade("B1", "1236", "1", "1", "3")});
    form_->InFilenameEdit->setText(path);
    form_->MinClientEdit->setText("1");
    form_->TorgDateEdit->setText("05.03.2003");
    rts::ScriptedPresenter presenter;
    form_->OpenBtnClick();
    QCOMPARE(presenter.texts(), std::vector<std::string>{kDateProblem});
    QCOMPARE(form_->MarkedCount(), size_t(1));
  }

  void missingFileLeavesTheGrid() {
    form_->MaxClientEdit->setText("2000");
    { rts::ScriptedPresenter quiet; form_->OpenBtnClick(); }
    const size_t marked = form_->MarkedCount();
    QVERIFY(marked > 0);
    const QString missing = dir_.path() + "/none.txt";
    form_->InFilenameEdit->setText("\"" + missing + "\"");
    rts::ScriptedPresenter presenter;
    form_->OpenBtnClick();
    QCOMPARE(presenter.texts(),
             std::vector<std::string>{("Файл " + missing + "  не найден.").toStdString()});
    QCOMPARE(form_->TradeRows().RowCount(), size_t(6));
    QCOMPARE(form_->MarkedCount(), marked);
    QCOMPARE(form_->StatusBar2->PanelText(0), QString("Всего 6 сделок"));
  }

  void doubleClickTogglesTheCurrentRow() {
    // Nothing to toggle before a report is read.
    form_->MMVBGridDblClick();
    QCOMPARE(form_->MarkedCount(), size_t(0));
    QCOMPARE(form_->StatusBar2->PanelText(1), QString());

    form_->MaxClientEdit->setText("2000");
    { rts::ScriptedPresenter quiet; form_->OpenBtnClick(); }
    QVERIFY(form_->IsMarked(1));
    QTableView* grid = form_->MMVBGrid;
    QCOMPARE(grid->currentIndex().row(), 0);  // reading makes the first trade current
    const QRect cell = grid->visualRect(grid->model()->index(0, 3));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(!form_->IsMarked(1));
    QCOMPARE(form_->StatusBar2->PanelText(1), QString("Отмеченных  сделок: 2"));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QVERIFY(form_->IsMarked(1));
    // A row outside the bounds can be marked by hand; a double-click on the
    // title row toggles the current row.
    grid->setCurrentIndex(grid->model()->index(5, 0));
    QTest::mouseDClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    QVERIFY(form_->IsMarked(6));
    QCOMPARE(form_->StatusBar2->PanelText(1), QString("Отмеченных  сделок: 4"));
  }

  void marksAreRedAndGroupsAqua() {
    const QString path = fixture::WriteReport(
        dir_.path() + "/groups.txt",
        {Trade("B1", "1234", "1", "1", "7"), Trade("B1", "1234", "2", "1", "7"),
         Trade("B1", "1234", "1", "1", "8"), Trade("B1", "12", "1", "1", "3AB"),
         Trade("B1", "123", "1", "1", "AB")});
    form_->InFilenameEdit->setText(path);
    form_->MaxClientEdit->setText("1300");
    { rts::ScriptedPresenter quiet; form_->OpenBtnClick(); }
    form_->MMVBGrid->clearSelection();
    form_->MMVBGrid->setCurrentIndex(QModelIndex());
    form_->MMVBGrid->setFocus();
    const QImage img = form_->MMVBGrid->viewport()->grab().toImage();
    // A spot of each row away from the text: the right part of the last column.
    auto spot = [&](int row) {
      QRect r = form_->MMVBGrid->visualRect(form_->MMVBGrid->model()->index(row, 0));
      return img.pixelColor(r.right() - 4, r.bottom() - 1);
    };
    const QColor aqua(0, 255, 255);
    QCOMPARE(spot(0), aqua);   // same key as the next row
    QCOMPARE(spot(1), aqua);   // same key as the previous row
    QVERIFY(spot(2) != aqua);  // transaction 8
    QVERIFY(spot(3) != aqua);  // client 12 + 3AB is not client 123 + AB
    QVERIFY(spot(4) != aqua);

    // Marked rows are written in red: find red pixels in the client cell.
    auto hasRed = [&](int row) {
      QRect r = form_->MMVBGrid->visualRect(form_->MMVBGrid->model()->index(row, 0));
      for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x < r.right(); ++x) {
          QColor c = img.pixelColor(x, y);
          if (c.red() > 200 && c.green() < 80 && c.blue() < 80) return true;
        }
      return false;
    };
    QVERIFY(hasRed(0));  // 1234 <= 1300
    QVERIFY(hasRed(3));  // 12
    form_->MMVBGrid->setCurrentIndex(form_->MMVBGrid->model()->index(0, 0));
    form_->MMVBGridDblClick();  // unmark row 1
    const QImage after = form_->MMVBGrid->viewport()->grab().toImage();
    QRect r0 = form_->MMVBGrid->visualRect(form_->MMVBGrid->model()->index(0, 0));
    bool red = false;
    for (int y = r0.top(); y <= r0.bottom(); ++y)
      for (int x = r0.left(); x < r0.right(); ++x) {
        QColor c = after.pixelColor(x, y);
        red = red || (c.red() > 200 && c.green() < 80 && c.blue() < 80);
      }
    QVERIFY(!red);
  }

  void boundFieldsTakeDigitsOnly() {
    QLineEdit* edit = form_->MinClientEdit;
    rts::ScriptedPresenter presenter;
    QTest::keyClicks(edit, "12a");
    QTRY_COMPARE(edit->text(), QString("12"));
    QCOMPARE(presenter.texts(), std::vector<std::string>{"Допустимы только цифры!!!"});

    // A pasted text loses its bad characters one by one, one message each.
    presenter.clear();
    edit->insert("3xy");
    QTRY_COMPARE(edit->text(), QString("123"));
    QCOMPARE(presenter.texts().size(), size_t(2));

    // A minus sign alone fails; "-5" put in whole passes; at most 8 characters.
    presenter.clear();
    edit->clear();
    QTest::keyClicks(edit, "-");
    QTRY_COMPARE(edit->text(), QString());
    QCOMPARE(presenter.texts().size(), size_t(1));
    presenter.clear();
    edit->setText("-5");
    QTest::qWait(10);
    QCOMPARE(edit->text(), QString("-5"));
    edit->clear();
    QTest::keyClicks(form_->MaxClientEdit, "123456789");
    QCOMPARE(form_->MaxClientEdit->text(), QString("12345678"));
    QVERIFY(presenter.shown().empty());
  }
};

QTEST_MAIN(TRTSFormReportTest)
#include "TRTSForm_report_test.moc"
