#include "Utils/gui/FilenameEdit.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

TFilenameEdit::TFilenameEdit(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  edit_ = new QLineEdit(this);
  edit_->setObjectName("FileName");
  layout->addWidget(edit_);
  button_ = new QToolButton(this);
  button_->setObjectName("BrowseButton");
  button_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  button_->setAccessibleName("Выбрать файл");
  button_->setToolTip("Выбрать файл");
  button_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(button_);
  setFocusProxy(edit_);
  connect(edit_, &QLineEdit::textChanged, this, &TFilenameEdit::textChanged);
  connect(button_, &QToolButton::clicked, this, &TFilenameEdit::browse);
}

QString TFilenameEdit::text() const { return edit_->text(); }
void TFilenameEdit::setText(const QString& text) { edit_->setText(text); }

bool TFilenameEdit::event(QEvent* event) {
  // The text part answers to the field's accessible name.
  if (event->type() == QEvent::Polish && edit_->accessibleName().isEmpty())
    edit_->setAccessibleName(accessibleName().isEmpty() ? objectName() : accessibleName());
  return QWidget::event(event);
}

void TFilenameEdit::browse() {
  QString name = text();
  bool accepted = false;
  if (runner_) {
    accepted = runner_(this, name);
  } else {
    QString start = name.trimmed();
    if (start.size() >= 2 && start.startsWith('"') && start.endsWith('"'))
      start = start.mid(1, start.size() - 2);
    QFileDialog dialog(this, title_, QFileInfo(start).path(), filter_);
    if (!start.isEmpty()) dialog.selectFile(start);
    if (save_) {
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
      dialog.setFileMode(QFileDialog::ExistingFile);
    }
    accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (accepted) name = dialog.selectedFiles().first();
  }
  emit afterDialog(name, accepted);
  if (accepted) setText(name);
}
