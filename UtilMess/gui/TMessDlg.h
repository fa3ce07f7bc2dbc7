// The message dialog of the tool, and the presenter that shows every
// message of ShowMessDlg in it.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "UtilMess/ShowMessDlg.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class TFansyGradientCaption;
class TPanel;
class DockLayout;

// One message: a picture telling its kind, the text, the buttons of the
// kind, and optionally a read-only list of detail lines with a pointer to
// one line and column.  Lives for one call: built, shown modally, destroyed.
//
// Kinds: warning, information, error ("OK"), question ("Да", "Нет"),
// question with cancel ("Да", "Нет", "Отмена"); "Детали" is added when a
// details handler is given, and pressing it runs the handler and leaves the
// dialog open.  Answer: 1 for "Да"/"OK", 0 for "Нет", -1 otherwise.
class TMessDlg : public QDialog {
  Q_OBJECT
 public:
  // Builds the dialog for `message` (details are copied).  Throws
  // std::invalid_argument for a kind outside TMessKind.
  TMessDlg(QWidget* owner, const rts::Message& message);
  ~TMessDlg() override;

  // Builds, shows modally, destroys; returns 1, 0 or -1.
  static int Execute(QWidget* owner, const rts::Message& message);
  // The answer for the dialog's result code.
  int Answer() const;

  // Components, named as in the window design (object names the same).
  TFansyGradientCaption* FansyGradientCaption;
  TPanel* ButtonPanel;
  QPushButton* YesBtn;
  QPushButton* NoBtn;
  QPushButton* DetailBtn;
  QPushButton* CancelBtn;
  TPanel* Panel1;
  TPanel* Panel2;
  TPanel* ImagePanel;
  QLabel* QuestionImage;
  QLabel* InfoImage;
  QLabel* WarningImage;
  QLabel* ErrorImage;
  QPlainTextEdit* MessageMemo;
  QSplitter* Splitter1;
  TPanel* ObjectPanel;
  TPanel* PointerPanel;
  QLabel* ObjectLabel;
  QLabel* LinePosLabel;
  QPlainTextEdit* ObjectMemo;

  // The button that Esc presses (YesBtn in kinds 0-2, NoBtn in kinds 3, 4).
  QPushButton* cancelButton() const { return cancelBtn_; }

  // Refreshes LinePosLabel from the caret of ObjectMemo: "(line:column)".
  void UpdateCaretLabel();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildDesign();
  DockLayout* dock() const;
  void placeCaret(const std::vector<std::string>& details, int line, int pos);
  QPushButton* cancelBtn_ = nullptr;
  int scrollLines_ = 0;  // lines the detail memo is scrolled down when shown
  rts::DetailsHandler onDetails_;
};

// Shows each message in a TMessDlg owned by the given window (the main
// window); the window program installs it with rts::SetMessagePresenter.
class DialogPresenter : public rts::MessagePresenter {
 public:
  explicit DialogPresenter(QWidget* owner = nullptr) : owner_(owner) {}
  void setOwner(QWidget* owner) { owner_ = owner; }
  int Present(const rts::Message& message) override;

 private:
  QWidget* owner_;
};
