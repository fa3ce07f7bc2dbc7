// The main window of the tool: the trade report and its grid, the trade
// selection, the export into the output table, the output table view and
// the turnover view.
//
// Handlers are thin: they read their controls into plain values, call one
// core function and write the results back.  The window owns the trade
// table behind MMVBGrid, MarkedList, the four substitution and lot lists and
// the queries on the output table for its whole life.  Component names are
// the object names, so tests and assistive tools find every control.
#pragma once

#include <QTableView>
#include <QToolButton>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "RTS/TradeTable.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class TDateEdit;
class TDBNavigator;
class TDynamicPanel;
class TFilenameEdit;
class TPanel;
class TRadioGroup;
class TStatusPanels;
class TradeTableModel;
class FormStorageQt;

namespace rts {
class MarkedList;
class ReplaceLists;
}

class TRTSForm : public QWidget {
  Q_OBJECT
 public:
  // settingsPath: the settings file; empty = rts::DefaultSettingsPath().
  explicit TRTSForm(QWidget* parent = nullptr, const std::string& settingsPath = {});
  ~TRTSForm() override;

  // --- Controls (named as the components) ---
  TPanel* Panel1;
  QToolButton* OpenBtn;
  QToolButton* ReplaceListBtn;
  TFilenameEdit* InFilenameEdit;
  TPanel* Panel2;
  TPanel* Panel7;
  QLineEdit* BrokerAccEdit;
  TDateEdit* TorgDateEdit;
  QGroupBox* GroupBox1;
  QLineEdit* MinClientEdit;
  QLineEdit* MaxClientEdit;
  QTableView* MMVBGrid;
  TStatusPanels* StatusBar2;
  TDynamicPanel* FriendPanel1;
  TPanel* Panel3;
  TDBNavigator* DBNavigator1;
  QToolButton* ExportBtn;
  TFilenameEdit* OutFilenameEdit;
  TDynamicPanel* FriendPanel2;
  TPanel* Panel6;
  QToolButton* NewDealBtn;
  TRadioGroup* WriteModeRadioGroup;
  QCheckBox* SqueeseClientCheckBox;
  QCheckBox* SqueeseClaineCheckBox;
  QTableView* RxDBGrid1;
  TPanel* Panel4;
  TPanel* Panel5;
  QToolButton* NewOborotBtn;
  TRadioGroup* OborotModeRadioGroup;
  QTableView* ObDBGrid;
  TStatusPanels* StatusBar1;

  // --- State ---
  rts::TradeTable& TradeRows() { return trades_; }
  bool ReportLoaded = false;
  std::string OutFileName;  // Windows-1251, as typed
  // The grid's row numbers of the marked trades.
  bool IsMarked(size_t row) const;
  size_t MarkedCount() const;
  rts::MarkedList& MarkedList();
  // ReplaceFromList/ReplaceToList and LotCodeList/LotSizeList.
  const rts::ReplaceLists& Replace() const;
  const std::string& SettingsPath() const { return settingsPath_; }
  TradeTableModel* TradeModel() const { return tradeModel_; }

  // --- Handlers ---
  void FormCreate();
  void FormShow();
  void FormClose();
  void OpenBtnClick();
  void ReplaceListBtnClick();
  void MinClientEditChange();
  void MaxClientEditChange();
  void MMVBGridDblClick();
  void ExportBtnClick();
  void OutFilenameEditChange();
  void OutFilenameEditAfterDialog(const QString& name, bool action);
  void NewDealBtnClick();
  void RxDBGrid1Enter();
  void ObDBGridEnter();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QMetaObject::Connection focusWatch_;  // cut first when the window goes
  struct Lists;
  struct Output;
  void CreateControls();
  void SetupOutputGrid();
  void DigitsOnly(QLineEdit* edit);
  void CorrectBound(QLineEdit* edit);
  void PointViewAt(const std::string& path);
  void OpenView();
  void RefreshView();
  void RxDBGrid1Exit();

  std::string settingsPath_;
  rts::TradeTable trades_;
  TradeTableModel* tradeModel_ = nullptr;
  std::unique_ptr<Lists> lists_;
  std::unique_ptr<Output> out_;
  FormStorageQt* FormStorage1 = nullptr;
  bool shownOnce_ = false;
  bool closed_ = false;
  bool correcting_ = false;
};
