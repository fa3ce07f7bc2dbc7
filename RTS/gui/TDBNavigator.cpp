#include "RTS/gui/TDBNavigator.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QHBoxLayout>
#include <QStyle>

#include "Utils/Messages.h"

namespace {

struct ButtonInfo {
  const char* name;
  const char* hint;
  QStyle::StandardPixmap icon;
  const char* glyph;  // when the style gives no icon
};

// Hints of the navigator's buttons in Russian.
const ButtonInfo kButtons[TDBNavigator::nbCount] = {
    {"nbFirst", "Первая запись", QStyle::SP_MediaSkipBackward, "|<"},
    {"nbPrior", "Предыдущая запись", QStyle::SP_MediaSeekBackward, "<"},
    {"nbNext", "Следующая запись", QStyle::SP_MediaSeekForward, ">"},
    {"nbLast", "Последняя запись", QStyle::SP_MediaSkipForward, ">|"},
    {"nbInsert", "Вставить запись", QStyle::SP_CustomBase, "+"},
    {"nbDelete", "Удалить запись", QStyle::SP_CustomBase, "\u2212"},
    {"nbEdit", "Изменить запись", QStyle::SP_CustomBase, "\u25B2"},
    {"nbPost", "Сохранить изменения", QStyle::SP_CustomBase, "\u2713"},
    {"nbCancel", "Отменить изменения", QStyle::SP_CustomBase, "\u2715"},
    {"nbRefresh", "Обновить данные", QStyle::SP_BrowserReload, "\u21BB"},
};

}  // namespace

TDBNavigator::TDBNavigator(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  setAccessibleName(name);
  auto* lay = new QHBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->setSpacing(0);
  for (int i = 0; i < nbCount; ++i) {
    auto* b = new QToolButton(this);
    const ButtonInfo& info = kButtons[i];
    b->setObjectName(QString::fromLatin1(info.name));
    const QString hint = QString::fromUtf8(info.hint);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    if (info.icon != QStyle::SP_CustomBase)
      b->setIcon(style()->standardIcon(info.icon));
    else
      b->setText(QString::fromUtf8(info.glyph));
    b->setFixedSize(24, 25);
    b->setFocusPolicy(Qt::NoFocus);  // the grid keeps the focus and its editor
    connect(b, &QToolButton::clicked, this, [this, i] { BtnClick(static_cast<Button>(i)); });
    lay->addWidget(b);
    buttons_[i] = b;
  }
}

void TDBNavigator::SetDataSource(QTableView* grid, std::function<void()> refresh) {
  grid_ = grid;
  refresh_ = std::move(refresh);
}

void TDBNavigator::MoveTo(int row) {
  QAbstractItemModel* m = grid_->model();
  if (!m || m->rowCount() == 0) return;
  row = std::clamp(row, 0, m->rowCount() - 1);
  int col = std::max(0, grid_->currentIndex().column());
  QModelIndex target = m->index(row, col);
  grid_->setCurrentIndex(target);
  grid_->scrollTo(target);
}

// The editor open in the grid, if any (it keeps the focus: the buttons take none).
QWidget* TDBNavigator::OpenEditor() const {
  if (!grid_) return nullptr;
  QWidget* w = QApplication::focusWidget();
  while (w && w->parentWidget() != grid_->viewport()) w = w->parentWidget();
  return w;
}

// A new record goes to the end of the table, as records of a dBASE file do.
void TDBNavigator::InsertRecord(QTableView* grid) {
  QAbstractItemModel* m = grid ? grid->model() : nullptr;
  if (!m) return;
  const int at = m->rowCount();
  if (!m->insertRows(at, 1)) return;
  QModelIndex first = m->index(at, 0);
  grid->setFocus();
  grid->setCurrentIndex(first);
  grid->scrollTo(first);
  grid->edit(first);
}

void TDBNavigator::DeleteRecord(QTableView* grid) {
  QAbstractItemModel* m = grid ? grid->model() : nullptr;
  if (!m || !grid->currentIndex().isValid()) return;
  const int row = grid->currentIndex().row();
  if (rts::QuestionMess("Удалить запись?")) m->removeRows(row, 1);
}

void TDBNavigator::BtnClick(Button b) {
  if (!grid_ || !grid_->model()) return;
  QAbstractItemModel* m = grid_->model();
  const int row = grid_->currentIndex().isValid() ? grid_->currentIndex().row() : -1;
  QAbstractItemDelegate* delegate = grid_->itemDelegate();
  switch (b) {
    case nbFirst: MoveTo(0); break;
    case nbPrior: MoveTo(row - 1); break;
    case nbNext: MoveTo(row + 1); break;
    case nbLast: MoveTo(m->rowCount() - 1); break;
    case nbInsert: InsertRecord(grid_); break;
    case nbDelete: DeleteRecord(grid_); break;
    case nbEdit:
      grid_->setFocus();
      grid_->edit(grid_->currentIndex());
      break;
    case nbPost:
      if (QWidget* ed = OpenEditor()) {
        emit delegate->commitData(ed);
        emit delegate->closeEditor(ed, QAbstractItemDelegate::NoHint);
      }
      m->submit();
      break;
    case nbCancel:
      if (QWidget* ed = OpenEditor()) emit delegate->closeEditor(ed, QAbstractItemDelegate::RevertModelCache);
      m->revert();
      break;
    case nbRefresh:
      if (refresh_) refresh_();
      break;
    case nbCount: break;
  }
}
