// The record navigator: ten buttons (first, prior, next, last, insert,
// delete, edit, post, cancel, refresh) acting on one data grid at a time.
// The main window rebinds it whenever a data grid is entered, so it always
// works on the grid entered last.
//
// It drives the grid's model through the ordinary model interface:
// insertRows/removeRows for insert and delete, the grid's editor for edit,
// post (commit + submit()) and cancel (close without commit + revert()).
// Refresh runs the function given with the grid, when there is one.
#pragma once

#include <QPointer>
#include <QTableView>
#include <QToolButton>
#include <QWidget>

#include <array>
#include <functional>

class TDBNavigator : public QWidget {
  Q_OBJECT
 public:
  enum Button { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost,
                nbCancel, nbRefresh, nbCount };

  explicit TDBNavigator(const QString& name, QWidget* parent = nullptr);

  // Binds the navigator to a grid; refresh may be empty.
  void SetDataSource(QTableView* grid, std::function<void()> refresh = {});
  QTableView* DataSource() const { return grid_; }

  QToolButton* ButtonOf(Button b) const { return buttons_[b]; }
  void BtnClick(Button b);

  // The record operations on any grid, also used by the grid's own keys:
  // insert appends a blank record and opens its first cell for editing;
  // delete asks first ("Удалить запись?").
  static void InsertRecord(QTableView* grid);
  static void DeleteRecord(QTableView* grid);

 private:
  void MoveTo(int row);
  QWidget* OpenEditor() const;

  QPointer<QTableView> grid_;
  std::function<void()> refresh_;
  std::array<QToolButton*, nbCount> buttons_{};
};
