// The road of one export through the main window, the output table view
// (refresh, file dialog, editing through the navigator), the navigator
// following the grid entered last, and the collapsing panels.
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>

#include "Elastic/TDynamicPanel.h"
#include "RTS/gui/FormWidgets.h"
#include "RTS/gui/TDBNavigator.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"
#include "tests/RTS/gui/FormFixture.h"

using fixture::Trade;

class TRTSFormOutputTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString report_, ini_;
  std::unique_ptr<TRTSForm> form_;

  QString OutCell(int row, int column) {
    QAbstractItemModel* m = form_->RxDBGrid1->model();
    return m->index(row, column).data().toString().trimmed();
  }

  // Reads the report, marks everything up to account 2000 and exports into
  // `out` (a new file: the question is answered "Да").
  void Export(const QString& out) {
    form_->InFilenameEdit->setText(report_);
    form_->MaxClientEdit->setText("2000");
    form_->TorgDateEdit->setText("05.03.2003");
    form_->BrokerAccEdit->setText("БРОК");
    { rts::ScriptedPresenter quiet; form_->OpenBtnClick(); }
    form_->OutFilenameEdit->setText(out);
    rts::ScriptedPresenter presenter({1});
    fixture::ProgressCloser closer;
    form_->ExportBtn->click();
    QCOMPARE(presenter.texts(), std::vector<std::string>{("Создать файл " + out + " ?").toStdString()});
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  }

 private slots:
  void initTestCase() {
    rts::SetRussianDateNames();
    ini_ = fixture::UseFreshConfigHome(dir_);
    TDynamicPanel::setAnimationDelay(0);
    report_ = fixture::WriteReport(dir_.path() + "/report.txt",
                                   {Trade("B1", "1234", "10", "12.3456", "1"),
                                    Trade("S1", "1500", "7", "2.5", "2"),
                                    Trade("B1", "567,1700", "3", "4", "3"),
                                    Trade("B1", "2500", "1", "1", "4")});
  }
  void init() {
    QFile::remove(ini_);  // every test starts from the layout's values
    form_ = std::make_unique<TRTSForm>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  }
  void cleanup() { form_.reset(); }

  void exportShowsTheTable() {
    const QString out = dir_.path() + "/OUT.DBF";
    QFile::remove(out);
    Export(out);
    QVERIFY(QFile::exists(out));
    QAbstractItemModel* m = form_->RxDBGrid1->model();
    QCOMPARE(m->rowCount(), 4);  // 1234, 1500, 567 and 1700
    QCOMPARE(form_->StatusBar1->PanelText(0), QString("4"));
    QCOMPARE(form_->DBNavigator1->DataSource(), form_->RxDBGrid1);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QString("Клиент"));
    QCOMPARE(m->headerData(7, Qt::Horizontal).toString(), QString("Брокер"));
    QCOMPARE(form_->RxDBGrid1->horizontalHeader()->sectionSize(1), 100);
    QCOMPARE(form_->RxDBGrid1->horizontalHeader()->sectionSize(7), 125);
    QCOMPARE(OutCell(0, 0), QString("1234"));
    QCOMPARE(OutCell(0, 3).toDouble(), 12.346);
    QCOMPARE(OutCell(0, 4).toDouble(), 10.0);
    QCOMPARE(OutCell(0, 7), QString("БРОК"));
    QCOMPARE(OutCell(1, 2).toDouble(), 0.0);  // S1
    QCOMPARE(OutCell(2, 2).toDouble(), 1.0);  // P1

    // The main window is given back once the progress window is gone.
    QVERIFY(form_->isEnabled());
  }

  void nothingMarkedKeepsTheViewOpen() {
    const QString out = dir_.path() + "/KEEP.DBF";
    QFile::remove(out);
    Export(out);
    form_->MaxClientEdit->setText("1");
    { rts::ScriptedPresenter quiet; form_->OpenBtnClick(); }
    rts::ScriptedPresenter presenter;
    form_->ExportBtnClick();
    QCOMPARE(presenter.texts(), std::vector<std::string>{"Нет отмеченных сделок!"});
    QCOMPARE(form_->RxDBGrid1->model()->rowCount(), 4);
  }

  void refreshAndFileDialogPointTheView() {
    const QString out = dir_.path() + "/VIEW.DBF";
    QFile::remove(out);
    Export(out);
    form_->StatusBar1->SetPanelText(0, "old");

    // Refresh on a name without a file: the engine's failure under its heading.
    form_->OutFilenameEdit->setText(dir_.path() + "/MISSING.DBF");
    {
      rts::ScriptedPresenter presenter;
      form_->NewDealBtn->click();
      QCOMPARE(presenter.texts(), std::vector<std::string>{"Не могу открыть файл"});
      QVERIFY(!presenter.shown()[0].details.empty());
      QCOMPARE(form_->StatusBar1->PanelText(0), QString("old"));
    }

    // The file dialog: cancelling changes nothing; choosing the table opens
    // it at once but leaves the count; refresh shows the count.
    QString answer;
    bool accept = false;
    form_->OutFilenameEdit->setDialogRunner([&](TFilenameEdit*, QString& name) {
      name = answer;
      return accept;
    });
    answer = out;
    form_->OutFilenameEdit->browse();
    QCOMPARE(form_->OutFilenameEdit->text(), dir_.path() + "/MISSING.DBF");
    accept = true;
    form_->OutFilenameEdit->browse();
    QCOMPARE(form_->OutFileName, out.toStdString());
    QCOMPARE(form_->RxDBGrid1->model()->rowCount(), 4);
    QCOMPARE(form_->StatusBar1->PanelText(0), QString("old"));
    form_->NewDealBtnClick();
    QCOMPARE(form_->StatusBar1->PanelText(0), QString("4"));

    // Typing a name changes OutFileName but not the view.
    form_->OutFilenameEdit->setText("\"/elsewhere/X.DBF\"");
    QCOMPARE(form_->OutFileName, std::string("\"/elsewhere/X.DBF\""));
    QCOMPARE(form_->RxDBGrid1->model()->rowCount(), 4);
  }

  void navigatorEditsTheOutputTable() {
    const QString out = dir_.path() + "/EDIT.DBF";
    QFile::remove(out);
    Export(out);
    QTableView* grid = form_->RxDBGrid1;
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    TDBNavigator* nav = form_->DBNavigator1;

    // An inserted record left empty is dropped when the grid loses the focus.
    nav->BtnClick(TDBNavigator::nbInsert);
    QCOMPARE(grid->model()->rowCount(), 5);
    form_->MMVBGrid->setFocus();
    QTRY_COMPARE(grid->model()->rowCount(), 4);

    // An inserted record that was filled in stays.
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus() || grid->isAncestorOf(QApplication::focusWidget()));
    nav->BtnClick(TDBNavigator::nbInsert);
    QCOMPARE(grid->model()->rowCount(), 5);
    QVERIFY(grid->model()->setData(grid->model()->index(4, 0), "9999"));
    nav->BtnClick(TDBNavigator::nbPost);
    form_->MMVBGrid->setFocus();
    QTest::qWait(20);
    QCOMPARE(grid->model()->rowCount(), 5);

    // Delete asks first; "Нет" keeps the record.
    grid->setCurrentIndex(grid->model()->index(4, 0));
    {
      rts::ScriptedPresenter presenter({0});
      nav->BtnClick(TDBNavigator::nbDelete);
      QCOMPARE(presenter.texts().size(), size_t(1));
      QCOMPARE(grid->model()->rowCount(), 5);
    }
    {
      rts::ScriptedPresenter presenter({1});
      nav->BtnClick(TDBNavigator::nbDelete);
      QCOMPARE(grid->model()->rowCount(), 4);
    }
    // The grid's own keys: Insert adds a record, Ctrl+Delete deletes after asking.
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    QTest::keyClick(grid, Qt::Key_Insert);
    QCOMPARE(grid->model()->rowCount(), 5);
    form_->MMVBGrid->setFocus();
    QTRY_COMPARE(grid->model()->rowCount(), 4);
    grid->setFocus();
    QTRY_VERIFY(grid->hasFocus());
    grid->setCurrentIndex(grid->model()->index(3, 0));
    {
      rts::ScriptedPresenter presenter({1});
      QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
      QCOMPARE(presenter.texts().size(), size_t(1));
      QCOMPARE(grid->model()->rowCount(), 3);
    }

    // The file holds what the view shows: the navigator's refresh reads it again.
    form_->StatusBar1->SetPanelText(0, "old");
    nav->BtnClick(TDBNavigator::nbRefresh);
    QCOMPARE(form_->StatusBar1->PanelText(0), QString("3"));
    QCOMPARE(grid->model()->index(2, 0).data().toString().trimmed(), QString("567"));
  }

  void navigatorFollowsTheGridEnteredLast() {
    QStandardItemModel turnovers(5, 2);
    form_->ObDBGrid->setModel(&turnovers);
    form_->ObDBGrid->setCurrentIndex(turnovers.index(0, 0));
    const QString out = dir_.path() + "/NAV.DBF";
    QFile::remove(out);
    Export(out);
    QTableView* outGrid = form_->RxDBGrid1;
    outGrid->setCurrentIndex(outGrid->model()->index(0, 0));

    form_->ObDBGrid->setFocus();
    QTRY_COMPARE(form_->DBNavigator1->DataSource(), form_->ObDBGrid);
    form_->DBNavigator1->ButtonOf(TDBNavigator::nbNext)->click();
    form_->DBNavigator1->ButtonOf(TDBNavigator::nbNext)->click();
    QCOMPARE(form_->ObDBGrid->currentIndex().row(), 2);
    QCOMPARE(outGrid->currentIndex().row(), 0);

    outGrid->setFocus();
    QTRY_COMPARE(form_->DBNavigator1->DataSource(), outGrid);
    form_->DBNavigator1->ButtonOf(TDBNavigator::nbLast)->click();
    QCOMPARE(outGrid->currentIndex().row(), 3);
    QCOMPARE(form_->ObDBGrid->currentIndex().row(), 2);
    form_->ObDBGrid->setModel(nullptr);
  }

  void panelsCollapseAndRestore() {
    auto* lower = form_->FriendPanel1;
    auto* left = form_->FriendPanel2;
    const int gridHeight = form_->MMVBGrid->height();
    QTest::mouseDClick(lower, Qt::LeftButton, {}, QPoint(lower->width() / 2, 1));
    QTRY_VERIFY(lower->SizeMinimized());
    QTRY_COMPARE(lower->height(), 12);
    QTRY_COMPARE(form_->MMVBGrid->height(), gridHeight + 211 - 12);
    QVERIFY(form_->Panel3->isHidden());
    QTest::mouseDClick(lower, Qt::LeftButton, {}, QPoint(lower->width() / 2, 1));
    QTRY_COMPARE(lower->height(), 211);
    QTRY_COMPARE(form_->MMVBGrid->height(), gridHeight);
    QVERIFY(!form_->Panel3->isHidden());

    const int turnoverWidth = form_->ObDBGrid->width();
    QTest::mouseDClick(left, Qt::LeftButton, {}, QPoint(left->width() - 2, left->height() / 2));
    QTRY_COMPARE(left->width(), 12);
    QCOMPARE(lower->height(), 211);  // the outer panel stays as it was
    QTRY_COMPARE(form_->ObDBGrid->width(), turnoverWidth + 361 - 12);
    QTest::mouseDClick(left, Qt::LeftButton, {}, QPoint(left->width() - 2, left->height() / 2));
    QTRY_COMPARE(left->width(), 361);
    // A double-click on a panel inside does not collapse the outer one.
    QTest::mouseDClick(form_->Panel3, Qt::LeftButton, {}, QPoint(form_->Panel3->width() - 3, 3));
    QTest::qWait(20);
    QCOMPARE(lower->height(), 211);
  }
};

QTEST_MAIN(TRTSFormOutputTest)
#include "TRTSForm_output_test.moc"
