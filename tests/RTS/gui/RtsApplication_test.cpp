// The window program's top-level error handler: a failure that leaves an
// event handler is shown with its own text, and the window stays usable.
#include <QLineEdit>
#include <QPushButton>

#include "RTS/gui/RtsApplication.h"
#include "RTS/gui/FormWidgets.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"
#include "tests/RTS/gui/FormFixture.h"

using fixture::Trade;

class RtsApplicationTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    rts::SetRussianDateNames();
    fixture::UseFreshConfigHome(dir_);
  }

  void failureInAHandlerIsShownAndTheButtonStillWorks() {
    QPushButton button("go");
    int presses = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
      if (++presses == 1) throw std::runtime_error("сбой обработчика");
    });
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    rts::ScriptedPresenter presenter;
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(presenter.shown().size(), size_t(1));
    QCOMPARE(presenter.shown()[0].text, std::string("сбой обработчика"));
    QVERIFY(presenter.shown()[0].kind == rts::TMessKind::mkError);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(presses, 2);
    QCOMPARE(presenter.shown().size(), size_t(1));
  }

  // An export without a trade date ends at the first insert with the
  // conversion error; the progress window is gone and the window usable.
  void exportWithoutTradeDateEndsAtTheTopLevel() {
    const QString report =
        fixture::WriteReport(dir_.path() + "/r.txt", {Trade("B1", "1234", "10", "2.5", "1")});
    const QString out = dir_.path() + "/NODATE.DBF";
    TRTSForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.InFilenameEdit->setText(report);
    form.MaxClientEdit->setText("2000");
    form.TorgDateEdit->setText("");
    { rts::ScriptedPresenter quiet; form.OpenBtnClick(); }
    QCOMPARE(form.MarkedCount(), size_t(1));
    form.OutFilenameEdit->setText(out);
    form.StatusBar1->SetPanelText(0, "old");

    rts::ScriptedPresenter presenter({1});
    QTest::mouseClick(form.ExportBtn, Qt::LeftButton);
    QCOMPARE(presenter.shown().size(), size_t(2));
    QCOMPARE(presenter.shown()[0].text, ("Создать файл " + out + " ?").toStdString());
    QVERIFY(presenter.shown()[1].kind == rts::TMessKind::mkError);
    QVERIFY(!presenter.shown()[1].text.empty());
    QVERIFY(QFile::exists(out));  // created before the failure; nothing rolled back
    QVERIFY(form.isEnabled());
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY2(w == &form || !w->isVisible(), qPrintable(w->objectName()));
    QCOMPARE(form.StatusBar1->PanelText(0), QString("old"));
    QCOMPARE(form.RxDBGrid1->model()->rowCount(), 0);  // the view stays closed
  }
};

int main(int argc, char** argv) {
  RtsApplication app(argc, argv);
  RtsApplicationTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "RtsApplication_test.moc"
