// The progress window: steps, count, gauge, elapsed time, cancel and finish.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <memory>

#include "Elastic/TFansyGradientCaption.h"
#include "UtilPrgs/gui/TProgressForm.h"
#include "Utils/Convert.h"

namespace {

const QString kStep = " Экспорт данных";
constexpr double kSecond = 1.0 / 86400.0;

QRect Screen() { return QGuiApplication::primaryScreen()->geometry(); }

}  // namespace

class ProgressTest : public QObject {
  Q_OBJECT
  double now_ = 40000.25;
  std::unique_ptr<QWidget> main_;

 private slots:
  void init() {
    now_ = 40000.25;
    rts::SetClock([this] { return now_; });
    main_ = std::make_unique<QWidget>();
    main_->show();
  }
  void cleanup() {
    main_.reset();
    rts::SetClock({});
    QCOMPARE(TProgressForm::OpenCount(), 0);
  }

  void oneStepRunToFinish() {
    TProgressForm form(main_.get(), "Экспорт данных в OUT", kStep);
    QCOMPARE(TProgressForm::OpenCount(), 1);
    QCOMPARE(form.DateTimeLabel->text(), QString("0 сек."));
    form.show();
    QVERIFY(!main_->isEnabled());
    QVERIFY(form.MainWindowDisabled());
    QCOMPARE(form.StartTime(), now_);

    form.UpdateStep(0, 1, 3);
    QCOMPARE(form.CountLabel->text(), QString("( 1 / 3 )"));
    QVERIFY(form.ProcessLabel1->font().bold());
    QCOMPARE(form.CurrentStep(), 0);
    QCOMPARE(form.CloseBtn->text(), QString("Отмена"));
    QVERIFY(!form.Steps()[0].check);

    form.UpdateStep(0, 3, 3);
    QCOMPARE(form.CountLabel->text(), QString("( 3 / 3 )"));
    QCOMPARE(form.Gauge->value(), form.Gauge->maximum());
    QLabel* check = form.Steps()[0].check;
    QVERIFY(check && !check->isHidden());
    QCOMPARE(check->geometry(), QRect(24, 9, 13, 15));
    QVERIFY(!form.ProcessLabel1->font().bold());
    QCOMPARE(form.CloseBtn->text(), QString("Готово"));
    QCOMPARE(form.CloseKind(), 1);

    bool waited = false;
    QTimer::singleShot(30, [&] {
      waited = form.isVisible();
      form.CloseBtn->click();
    });
    form.Finish();
    QVERIFY(waited);  // Finish was still waiting for the operator
    QVERIFY(!form.isVisible());
    QVERIFY(main_->isEnabled());
  }

  void withoutTotal() {
    TProgressForm form(main_.get(), "", kStep);
    form.show();
    form.UpdateStep(0, 7, -1);
    QCOMPARE(form.CountLabel->text(), QString("( 7 )"));
    QCOMPARE(form.Gauge->maximum(), 14);
    QCOMPARE(form.Gauge->value(), 7);
  }

  void cancel_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Отмена") << "button";
    QTest::newRow("close box") << "close";
    QTest::newRow("Esc") << "esc";
  }
  void cancel() {
    QFETCH(QString, how);
    TProgressForm form(main_.get(), "Экспорт данных в OUT", kStep);
    form.show();
    form.UpdateStep(0, 4, 10);
    if (how == "button") form.CloseBtn->click();
    else if (how == "close") form.close();
    else QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QVERIFY(main_->isEnabled());  // given back at once
    // Updates outside the steps never throw.
    form.UpdateStep(1, 5, 10);
    form.UpdateStep(-1, 5, 10);
    try {
      form.UpdateStep(0, 5, 10);
      QFAIL("no EProgressTerminate");
    } catch (const rts::EProgressTerminate& e) {
      QCOMPARE(QString::fromStdString(e.StepName), kStep);
      QCOMPARE(e.Position, 5);
      QCOMPARE(QString::fromUtf8(e.what()),
               QString("Процесс прерван на шаге ' Экспорт данных' ( 5 / 10 )"));
    }
  }

  void updateBeforeShowThrows() {
    TProgressForm form(main_.get(), "", kStep);
    QVERIFY_THROWS_EXCEPTION(rts::EProgressTerminate, form.UpdateStep(0, 1, 2));
  }

  void caption() {
    TProgressForm blank(main_.get(), " \t\r\n", kStep);
    QCOMPARE(blank.FansyGradientCaption->FormCaption(), QString("Процесс..."));
    QCOMPARE(blank.windowTitle(), QString("Процесс..."));
    QCOMPARE(blank.FansyGradientCaption->StartColor(), QColor(0, 255, 0));
    TProgressForm named(main_.get(), "Экспорт данных в OUT", kStep);
    QCOMPARE(named.windowTitle(), QString("Экспорт данных в OUT"));
  }

  void heightGrowsWithTheStepsUpToTwoThirdsOfTheScreen() {
    TProgressForm one(main_.get(), "", kStep);
    const int design = one.height();
    QCOMPARE(one.width(), 355);
    TProgressForm three(main_.get(), "", QStringList{"a", "b", "c"});
    QCOMPARE(three.height(), design + 40);
    QCOMPARE(three.Steps()[2].label->pos(), QPoint(52, 51));
    QStringList many;
    for (int i = 0; i < 100; ++i) many << QString("Шаг %1").arg(i);
    TProgressForm tall(main_.get(), "", many);
    QCOMPARE(tall.height(), Screen().height() * 2 / 3);
    // Moving to a later step marks it; a completed earlier step keeps its mark.
    tall.show();
    tall.UpdateStep(0, 1, 1);
    tall.UpdateStep(99, 0, 5);
    QVERIFY(tall.Steps()[99].label->font().bold());
    QVERIFY(tall.Steps()[0].check);
    QCOMPARE(tall.Steps()[0].check->y(), 9);
    QCOMPARE(tall.CloseBtn->text(), QString("Отмена"));
  }

  void secondWindowStandsLowerAndRighter() {
    TProgressForm first(main_.get(), "", kStep);
    first.show();
    const QPoint centred((Screen().width() - first.width()) / 2,
                         (Screen().height() - first.height()) / 2);
    QCOMPARE(first.pos(), centred);
    TProgressForm second(main_.get(), "", kStep);
    second.show();
    QCOMPARE(second.pos(), centred + QPoint(20, 20));
    QVERIFY(!second.MainWindowDisabled());  // the first one has it
    second.hide();
    QVERIFY(!main_->isEnabled());
    first.hide();
    QVERIFY(main_->isEnabled());
  }

  void elapsedText_data() {
    QTest::addColumn<double>("days");
    QTest::addColumn<QString>("text");
    QTest::newRow("day, hours, seconds")
        << 1 + 2.0 / 24 + 5 * kSecond << "1 сут. 2 час. 5 сек.";
    QTest::newRow("under a second") << 0.4 * kSecond << "";
    QTest::newRow("rounded to a second") << 0.9996 * kSecond << "1 сек.";
    QTest::newRow("minutes") << 61 * kSecond << "1 мин. 1 сек.";
    QTest::newRow("whole hour") << 3600 * kSecond << "1 час. ";
    QTest::newRow("nothing") << 0.0 << "";
    QTest::newRow("two days") << 2.0 << "2 сут. ";
  }
  void elapsedText() {
    QFETCH(double, days);
    QFETCH(QString, text);
    QCOMPARE(TProgressForm::ElapsedText(days), text);
  }

  void elapsedTimeShownByTheUpdates() {
    TProgressForm form(main_.get(), "", kStep);
    form.show();
    QCOMPARE(form.DateTimeLabel->text(), QString("0 сек."));
    now_ += 0.5 * kSecond;
    form.UpdateStep(0, 1, 3);
    QCOMPARE(form.DateTimeLabel->text(), QString());
    now_ += 65 * kSecond;
    form.UpdateStep(0, 3, 3);
    QCOMPARE(form.DateTimeLabel->text(), QString("1 мин. 5 сек."));
  }

  void destroyedWhileShownGivesTheMainWindowBack() {
    auto form = std::make_unique<TProgressForm>(main_.get(), "", kStep);
    form->show();
    QVERIFY(!main_->isEnabled());
    form.reset();
    QVERIFY(main_->isEnabled());
  }

  void sinkDrivesTheWindow() {
    {
      ProgressFormSink sink(main_.get());
      sink.Start("Экспорт данных в OUT", {kStep.toStdString()});
      QVERIFY(sink.form()->isVisible());
      QVERIFY(!main_->isEnabled());
      sink.UpdateStep(0, 1, 2);
      QCOMPARE(sink.form()->CountLabel->text(), QString("( 1 / 2 )"));
      sink.form()->CloseBtn->click();
      QVERIFY_THROWS_EXCEPTION(rts::EProgressTerminate, sink.UpdateStep(0, 2, 2));
    }
    QVERIFY(main_->isEnabled());
  }
};

QTEST_MAIN(ProgressTest)
#include "progress_test.moc"
