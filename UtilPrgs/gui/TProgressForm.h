// The progress window of a long operation run in a loop on the user-interface
// thread.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

#include "UtilPrgs/Progress.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class TFansyGradientCaption;
class TPanel;

// Lists the operation's steps (the current one bold, finished ones with a
// check mark), shows a gauge, a count "( n / m )" and the time elapsed since
// it was shown, and has one button: "Отмена" while the operation runs,
// "Готово" when it is done.  While it is shown its owner's window (the main
// window; without an owner the application's main window) is disabled.
//
// The caller drives it: Show, then UpdateStep after each unit of work, then
// Finish, then destroys it.  UpdateStep lets the user interface process its
// pending events (at most about 30 times a second, so that a million updates
// cost little); after the operator pressed "Отмена" or closed the window the
// next UpdateStep with a valid step throws rts::EProgressTerminate.
class TProgressForm : public QWidget {
  Q_OBJECT
 public:
  TProgressForm(QWidget* owner, const QString& caption, const QStringList& stepNames);
  TProgressForm(QWidget* owner, const QString& caption, const QString& stepName);
  ~TProgressForm() override;

  // Progress windows constructed and not yet destroyed.
  static int OpenCount();

  void UpdateStep(int stepIndex, int position, int total);
  // 1: "Готово", the default button (Enter); 2: "Отмена", pressed by Esc.
  void SetCloseKind(int kind);
  int CloseKind() const { return closeKind_; }
  // Enables the button, makes it "Готово" and waits until the window is
  // hidden by the operator.
  void Finish();

  // The elapsed-time text for `days` (e.g. "1 сут. 2 час. 5 сек."; "" under
  // one second).
  static QString ElapsedText(double days);

  struct Step {
    QString name;
    QLabel* label;
    QLabel* check;  // the check mark, once the step is complete
  };
  const std::vector<Step>& Steps() const { return steps_; }
  // Showing disables the owner's window and starts the clock; hiding gives
  // the owner's window back.
  void setVisible(bool visible) override;
  int CurrentStep() const { return currentStep_; }
  double StartTime() const { return startTime_; }
  bool MainWindowDisabled() const { return mainWindowDisabled_; }

  // Components, named as in the window design (object names the same).
  TFansyGradientCaption* FansyGradientCaption;
  TPanel* ItemsPanel;
  QScrollArea* ScrollBox1;
  QLabel* ProcessLabel1;
  QLabel* CheckImage;
  TPanel* GaugePanel;
  QProgressBar* Gauge;
  QLabel* CountLabel;
  QLabel* Label1;
  QLabel* DateTimeLabel;
  QPushButton* CloseBtn;

  static constexpr int ClientWidth = 355;
  static constexpr int ClientHeight = 103;  // without the caption strip

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void build(const QString& caption, const QStringList& stepNames);
  void CloseBtnClick();
  void GiveBackMainWindow();
  void ShowCount(int position, int total);
  static QString CountText(int position, int total);

  QPointer<QWidget> owner_;
  QPointer<QWidget> disabledWindow_;
  QWidget* stepArea_;
  std::vector<Step> steps_;
  int currentStep_ = -1;
  double startTime_ = 0;
  bool mainWindowDisabled_ = false;
  int closeKind_ = 2;
  QElapsedTimer sinceEvents_;
};

// Drives a TProgressForm owned by the given window from core code.
class ProgressFormSink : public rts::ProgressSink {
 public:
  explicit ProgressFormSink(QWidget* owner) : owner_(owner) {}
  ~ProgressFormSink() override;  // destroys the window
  void Start(const std::string& caption, const std::vector<std::string>& steps) override;
  void UpdateStep(int stepIndex, int position, int total) override;
  void Finish() override;
  TProgressForm* form() const { return form_.get(); }

 private:
  QWidget* owner_;
  std::unique_ptr<TProgressForm> form_;
};
