// The message dialog: kinds, buttons and keys, the detail area with its
// pointer and caret, and the message calls shown through it.
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <stdexcept>

#include "Elastic/DockLayout.h"
#include "Elastic/TFansyGradientCaption.h"
#include "ExceptUnit/ExceptUnit.h"
#include "UtilMess/ShowMessDlg.h"
#include "UtilMess/gui/TMessDlg.h"
#include "Utils/Messages.h"

using rts::TMessKind;

namespace {

// The visible buttons from left to right, by caption.
QStringList ButtonRow(TMessDlg& d) {
  std::vector<QPushButton*> shown;
  for (QPushButton* b : {d.YesBtn, d.NoBtn, d.DetailBtn, d.CancelBtn})
    if (!b->isHidden()) shown.push_back(b);
  std::sort(shown.begin(), shown.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
  QStringList out;
  for (auto* b : shown) out << b->text();
  return out;
}

// Acts on the modal dialog once it is up.
void WhenShown(std::function<void(TMessDlg*)> act) {
  QTimer::singleShot(0, [act] {
    auto* d = qobject_cast<TMessDlg*>(QApplication::activeModalWidget());
    QVERIFY2(d, "no message dialog");
    act(d);
  });
}

void PressKey(TMessDlg* d, Qt::Key key) {
  QWidget* target = d->focusWidget() ? d->focusWidget() : d;
  QTest::keyClick(target, key);
}

rts::Message Msg(TMessKind kind, std::string text = "Текст") {
  rts::Message m;
  m.text = std::move(text);
  m.kind = kind;
  return m;
}

const std::vector<std::string> kLines = {"ab", "abcd", "abcdef"};

}  // namespace

class MessDlgTest : public QObject {
  Q_OBJECT
  DialogPresenter presenter_;

 private slots:
  void initTestCase() { rts::SetMessagePresenter(&presenter_); }
  void cleanupTestCase() { rts::SetMessagePresenter(nullptr); }

  void kinds_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("details");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("escButton");
    QTest::addColumn<bool>("blue");
    QTest::newRow("warning") << 0 << false << "Предупреждение" << "WarningImage"
                             << QStringList{"OK"} << "YesBtn" << false;
    QTest::newRow("information") << 1 << false << "Информация" << "InfoImage"
                                 << QStringList{"OK"} << "YesBtn" << true;
    QTest::newRow("error") << 2 << false << "Ошибка" << "ErrorImage" << QStringList{"OK"}
                           << "YesBtn" << false;
    QTest::newRow("question") << 3 << false << "Вопрос" << "QuestionImage"
                              << QStringList{"Да", "Нет"} << "NoBtn" << true;
    QTest::newRow("question, cancel") << 4 << false << "Вопрос" << "QuestionImage"
                                      << QStringList{"Да", "Нет", "Отмена"} << "NoBtn" << true;
    QTest::newRow("error, details") << 2 << true << "Ошибка" << "ErrorImage"
                                    << QStringList{"OK", "Детали"} << "YesBtn" << false;
    QTest::newRow("question, cancel, details")
        << 4 << true << "Вопрос" << "QuestionImage" << QStringList{"Да", "Нет", "Детали", "Отмена"}
        << "NoBtn" << true;
  }
  void kinds() {
    QFETCH(int, kind);
    QFETCH(bool, details);
    QFETCH(QString, caption);
    QFETCH(QString, picture);
    QFETCH(QStringList, buttons);
    QFETCH(QString, escButton);
    QFETCH(bool, blue);
    rts::Message m = Msg(static_cast<TMessKind>(kind));
    if (details) m.onDetails = [] {};
    TMessDlg d(nullptr, m);
    QCOMPARE(d.objectName(), QString("MessDlg"));
    QCOMPARE(d.FansyGradientCaption->FormCaption(), caption);
    QCOMPARE(d.windowTitle(), caption);
    QCOMPARE(d.FansyGradientCaption->StartColor(), blue ? QColor(0, 0, 255) : QColor(255, 0, 0));
    for (QLabel* l : {d.QuestionImage, d.InfoImage, d.WarningImage, d.ErrorImage})
      QCOMPARE(!l->isHidden(), l->objectName() == picture);
    QLabel* shown = d.findChild<QLabel*>(picture);
    QCOMPARE(shown->pos(), QPoint(8, 8));  // centred in the 49 x 49 frame
    QCOMPARE(ButtonRow(d), buttons);
    QCOMPARE(d.cancelButton()->objectName(), escButton);
    QVERIFY(d.YesBtn->isDefault());
    // Centred, 5 pixels apart, 77 x 27 each.
    const int count = static_cast<int>(buttons.size());
    const int left = (d.ButtonPanel->width() - (77 * count + 5 * (count - 1))) / 2;
    QCOMPARE(d.YesBtn->x(), left);
    QCOMPARE(d.YesBtn->size(), QSize(77, 27));
    QCOMPARE(d.size(), QSize(375, 122));  // no details: the detail area is gone
    QVERIFY(d.ObjectPanel->isHidden());
    QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(d.windowFlags() & Qt::WindowMaximizeButtonHint));
    for (QPushButton* b : {d.YesBtn, d.NoBtn, d.DetailBtn, d.CancelBtn})
      QCOMPARE(b->accessibleName(), b->text());
  }

  void unknownKindIsRefused() {
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             TMessDlg(nullptr, Msg(static_cast<TMessKind>(5))));
  }

  void errorMessClosesOnEnterAndOnEsc() {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
      int lines = 0, height = 0;
      bool stillShown = true;
      WhenShown([&](TMessDlg* d) {
        lines = d->MessageMemo->blockCount();
        height = d->height();
        QCOMPARE(d->focusWidget(), d->YesBtn);
        PressKey(d, key);
        stillShown = d->isVisible();
      });
      rts::ErrorMess("Файл не найден\nC:\\DATA\\report.txt");
      QCOMPARE(lines, 2);
      QCOMPARE(height, 122);
      QVERIFY(!stillShown);
    }
  }

  void questionMess_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Да") << "YesBtn" << true;
    QTest::newRow("Нет") << "NoBtn" << false;
    QTest::newRow("Esc") << "esc" << false;
    QTest::newRow("close box") << "close" << false;
  }
  void questionMess() {
    QFETCH(QString, action);
    QFETCH(bool, answer);
    WhenShown([action](TMessDlg* d) {
      if (action == "esc") PressKey(d, Qt::Key_Escape);
      else if (action == "close") d->close();
      else d->findChild<QPushButton*>(action)->click();
    });
    QCOMPARE(rts::QuestionMess("Перезаписать файл?"), answer);
  }

  void questionWithCancel_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");
    QTest::newRow("Отмена") << "CancelBtn" << -1;
    QTest::newRow("Нет") << "NoBtn" << 0;
    QTest::newRow("Да") << "YesBtn" << 1;
    QTest::newRow("Esc") << "esc" << 0;
    QTest::newRow("close box") << "close" << -1;
    QTest::newRow("Enter on Нет") << "enter NoBtn" << 0;
    QTest::newRow("Enter on Отмена") << "enter CancelBtn" << -1;
  }
  void questionWithCancel() {
    QFETCH(QString, action);
    QFETCH(int, result);
    WhenShown([action](TMessDlg* d) {
      if (action == "esc") PressKey(d, Qt::Key_Escape);
      else if (action == "close") d->close();
      else if (action.startsWith("enter ")) {
        d->findChild<QPushButton*>(action.mid(6))->setFocus();
        PressKey(d, Qt::Key_Return);
      } else d->findChild<QPushButton*>(action)->click();
    });
    QCOMPARE(rts::ShowMessDlg("Сохранить?", nullptr, -1, nullptr, -1, TMessKind::mkQuestionCancel),
             result);
  }

  void reportExceptionShowsTheFailureAsDetails() {
    QString memo, details, pointer, caret, button;
    bool memoFocused = false;
    WhenShown([&](TMessDlg* d) {
      memo = d->MessageMemo->toPlainText();
      details = d->ObjectMemo->toPlainText();
      pointer = d->ObjectLabel->text();
      caret = d->LinePosLabel->text();
      button = d->YesBtn->text();
      memoFocused = d->focusWidget() == d->ObjectMemo;
      QCOMPARE(d->height(), 284);
      PressKey(d, Qt::Key_Return);  // Enter in the detail memo presses "OK"
    });
    QVERIFY(rts::ReportException(std::runtime_error("Line one\nLine two\nLine three"),
                                 "Не могу открыть файл"));
    QCOMPARE(memo, QString("Не могу открыть файл"));
    QCOMPARE(details, QString("Line one\nLine two\nLine three"));
    QCOMPARE(pointer, QString());
    QCOMPARE(caret, QString("(1:1)"));
    QCOMPARE(button, QString("OK"));
    QVERIFY(memoFocused);
  }

  void detailPointer_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("pointer");
    QTest::addColumn<QString>("caret");
    QTest::newRow("3, 5") << 3 << 5 << "В строке: 3; позиции: 5" << "(3:5)";
    QTest::newRow("past the end") << 3 << 9 << "В строке: 3; позиции: 9" << "(3:7)";
    QTest::newRow("line start") << 3 << 1 << "В строке: 3; позиции: 1" << "(3:1)";
    QTest::newRow("first line") << 1 << 2 << "В строке: 1; позиции: 2" << "(1:2)";
    QTest::newRow("no line") << 0 << 5 << "" << "(1:1)";
    QTest::newRow("no pos") << 2 << -1 << "" << "(1:1)";
    QTest::newRow("beyond the last line") << 5 << 1 << "В строке: 5; позиции: 1" << "(3:7)";
  }
  void detailPointer() {
    QFETCH(int, line);
    QFETCH(int, pos);
    QFETCH(QString, pointer);
    QFETCH(QString, caret);
    rts::Message m = Msg(TMessKind::mkError);
    m.details = &kLines;
    m.line = line;
    m.pos = pos;
    TMessDlg d(nullptr, m);
    QCOMPARE(d.ObjectLabel->text(), pointer);
    QCOMPARE(d.LinePosLabel->text(), caret);
    QCOMPARE(d.size(), QSize(375, 284));
  }

  void caretLabelFollowsTheCaret() {
    rts::Message m = Msg(TMessKind::mkError);
    m.details = &kLines;
    m.line = 3;
    m.pos = 5;
    TMessDlg d(nullptr, m);
    d.show();
    QTest::keyClick(d.ObjectMemo, Qt::Key_Right);
    QCOMPARE(d.LinePosLabel->text(), QString("(3:6)"));
    QTest::keyClick(d.ObjectMemo, Qt::Key_Up);
    QCOMPARE(d.LinePosLabel->text(), QString("(2:5)"));
    QTextCursor start(d.ObjectMemo->document());
    QTest::mouseClick(d.ObjectMemo->viewport(), Qt::LeftButton, {},
                      d.ObjectMemo->cursorRect(start).center());
    QCOMPARE(d.LinePosLabel->text(), QString("(1:1)"));
  }

  void detailsButtonKeepsTheDialogOpen() {
    int calls = 0;
    bool openAfter = false;
    WhenShown([&](TMessDlg* d) {
      d->DetailBtn->click();
      openAfter = d->isVisible();
      d->NoBtn->click();
    });
    QCOMPARE(rts::ShowMessDlg("Вопрос?", nullptr, -1, [&] { ++calls; }, -1, TMessKind::mkQuestion),
             0);
    QCOMPARE(calls, 1);
    QVERIFY(openAfter);
  }

  void resizingKeepsTheButtonsCentred() {
    TMessDlg d(nullptr, Msg(TMessKind::mkQuestionCancel));
    d.show();
    for (int width : {500, 300, 200}) {
      d.resize(width, d.height());
      const int total = std::min(3 * 77 + 2 * 5, d.ButtonPanel->width());
      QCOMPARE(d.YesBtn->x(), (d.ButtonPanel->width() - total) / 2);
      QCOMPARE(d.NoBtn->x(), d.YesBtn->x() + 82);
      QCOMPARE(d.CancelBtn->x(), d.NoBtn->x() + 82);
    }
  }

  void minimizingTheDialogMinimizesTheApplication() {
    QWidget main;
    main.show();
    TApplicationState& app = TApplicationState::instance();
    app.setMainWindow(&main);
    int earlier = 0;
    app.OnRestore = [&] { ++earlier; };
    TMessDlg d(&main, Msg(TMessKind::mkInformation));
    d.show();
    d.setWindowState(Qt::WindowMinimized);
    QVERIFY(main.isMinimized());
    main.setWindowState(Qt::WindowNoState);  // the operator restores the application
    QCOMPARE(earlier, 1);
    QVERIFY(!d.isMinimized());
    QVERIFY(!d.FansyGradientCaption->Hooked());
    app.OnRestore = nullptr;
    app.setMainWindow(nullptr);
  }
};

QTEST_MAIN(MessDlgTest)
#include "messdlg_test.moc"
