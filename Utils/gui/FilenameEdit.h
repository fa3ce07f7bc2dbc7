// A file name field with a browse button.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

// A line edit for a file name with a browse button that opens a file
// dialog.  When the dialog closes, afterDialog(name, accepted) is emitted
// (name is the chosen file when accepted) and then, when accepted, the field
// takes the chosen name, which is seen as an ordinary textChanged.
class TFilenameEdit : public QWidget {
  Q_OBJECT
 public:
  explicit TFilenameEdit(QWidget* parent = nullptr);

  QString text() const;
  void setText(const QString& text);

  // Name filter of the dialog, e.g. "Таблицы dBASE (*.dbf *.DBF);;Все файлы (*)".
  void setFilter(const QString& filter) { filter_ = filter; }
  QString filter() const { return filter_; }
  void setDialogTitle(const QString& title) { title_ = title; }
  // A save dialog lets the operator name a file that does not exist yet.
  void setSaveDialog(bool save) { save_ = save; }

  // Replaces the file dialog (for tests and headless use): receives the
  // current name, returns whether it was accepted and sets `name`.
  using DialogRunner = std::function<bool(TFilenameEdit* self, QString& name)>;
  void setDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }

  QLineEdit* lineEdit() const { return edit_; }
  QToolButton* button() const { return button_; }

 public slots:
  // Opens the dialog as the browse button does.
  void browse();

 signals:
  void textChanged(const QString& text);
  void afterDialog(const QString& name, bool accepted);

 protected:
  bool event(QEvent* event) override;

 private:
  QLineEdit* edit_;
  QToolButton* button_;
  QString filter_;
  QString title_;
  bool save_ = false;
  DialogRunner runner_;
};
