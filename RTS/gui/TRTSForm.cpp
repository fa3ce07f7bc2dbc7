// The main window: its controls, what it creates and frees, the settings it
// keeps, and the navigator's rebinding.  The handlers of each concern live
// in their own files (TRTSForm_Report.cpp, _Selection.cpp, _Export.cpp,
// _Output.cpp).
#include "RTS/gui/TRTSForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStyle>

#include "Elastic/DockLayout.h"
#include "Elastic/TDynamicPanel.h"
#include "Elastic/TFansyGradientCaption.h"
#include "RTS/gui/FormWidgets.h"
#include "RTS/gui/TDBNavigator.h"
#include "RTS/gui/TRTSForm_p.h"
#include "RTS/gui/TradeTableModel.h"
#include "Utils/Messages.h"
#include "Utils/Text1251.h"
#include "Utils/gui/FilenameEdit.h"
#include "Utils/gui/RussianDates.h"
#include "settings/IniFile.h"
#include "settings/gui/FormStorageQt.h"

namespace {

const QColor kLavender(207, 207, 231);
const QColor kLightGrey(214, 214, 214);

const char* const kCaption = "Торги РТС. Подготовка файла сделок для ДРС.";

TPanel* MakePanel(const char* name, QWidget* parent, const QColor& color, bool lowered) {
  auto* p = new TPanel(parent);
  p->setObjectName(QString::fromLatin1(name));
  p->setAccessibleName(QString::fromLatin1(name));
  p->setBevelOuter(TBevelCut::bvNone);
  if (lowered) p->setBevelInner(TBevelCut::bvLowered);
  if (color.isValid()) p->setColor(color);
  return p;
}

// A glyph button: its hint is its tool tip, and the hint's first line its
// accessible name.
QToolButton* GlyphButton(const char* name, const QString& hint, QStyle::StandardPixmap icon,
                         QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(hint);
  b->setAccessibleName(hint.section('\n', 0, 0));
  b->setIcon(parent->style()->standardIcon(icon));
  b->setIconSize(QSize(18, 18));
  b->setAutoRaise(true);
  b->setFixedSize(27, 27);
  return b;
}

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setAccessibleName(QString(text).replace('\n', ' ').simplified());
  return l;
}

void Place(QWidget* w, int x, int y, int width = -1, int height = -1) {
  QSize s = w->sizeHint();
  w->setGeometry(x, y, width < 0 ? s.width() : width, height < 0 ? s.height() : height);
}

// Navy bold: the window font, bold, in navy.
void MakeNavyBold(QWidget* w) {
  QFont f = w->font();
  f.setBold(true);
  w->setFont(f);
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, QColor(0, 0, 128));
  p.setColor(QPalette::ButtonText, QColor(0, 0, 128));
  w->setPalette(p);
}

void FillColor(QWidget* w, const QColor& color) {
  w->setAutoFillBackground(true);
  QPalette p = w->palette();
  p.setColor(QPalette::Window, color);
  p.setColor(QPalette::Button, color);
  w->setPalette(p);
}

void SetupDataGrid(QTableView* grid, const char* name) {
  grid->setObjectName(QString::fromLatin1(name));
  grid->setAccessibleName(QString::fromLatin1(name));
  grid->horizontalHeader()->setStyleSheet(
      "QHeaderView::section { background-color: rgb(207,207,231); color: black;"
      " border: none; border-right: 1px solid rgb(128,128,128);"
      " border-bottom: 1px solid rgb(128,128,128); padding: 1px 2px; }");
  grid->verticalHeader()->setStyleSheet(
      "QHeaderView::section { background-color: rgb(207,207,231); color: black;"
      " border: none; border-right: 1px solid rgb(128,128,128);"
      " border-bottom: 1px solid rgb(128,128,128); }");
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setDefaultSectionSize(18);
  grid->verticalHeader()->setFixedWidth(12);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setTabKeyNavigation(true);
  grid->setWordWrap(false);
}

}  // namespace

TRTSForm::TRTSForm(QWidget* parent, const std::string& settingsPath)
    : QWidget(parent),
      settingsPath_(settingsPath.empty() ? rts::DefaultSettingsPath() : settingsPath),
      lists_(std::make_unique<Lists>()),
      out_(std::make_unique<Output>()) {
  setObjectName("RTSForm");
  setAccessibleName(QString::fromUtf8(kCaption));
  setWindowTitle(QString::fromUtf8(kCaption));
  QFont f = font();
  f.setPointSize(8);
  setFont(f);
  CreateControls();
  setGeometry(212, 148, 717, 526);
  // Once the layout is loaded the settings component attaches itself, then
  // FormCreate runs.
  FormStorage1 = new FormStorageQt(this, "TRTSForm", settingsPath_);
  FormStorage1->SetStoredValues({
      {"InFilenameEdit_Text", InFilenameEdit->lineEdit()},
      {"OutFilenameEdit_Text", OutFilenameEdit->lineEdit()},
      {"BrokerAccEdit_Text", BrokerAccEdit},
      {"MaxClientEdit_Text", MaxClientEdit},
      {"MinClientEdit_Text", MinClientEdit},
      {"OborotModeRadioGroup_ItemIndex", OborotModeRadioGroup},
      {"WriteModeRadioGroup_ItemIndex", WriteModeRadioGroup},
      {"SqueeseClaineCheckBox_Checked", SqueeseClaineCheckBox},
      {"TorgDateEdit_Text", TorgDateEdit->lineEdit()},
      {"SqueeseClientCheckBox_Checked", SqueeseClientCheckBox},
  });
  FormCreate();
}

TRTSForm::~TRTSForm() {
  // The children go after this body, and focus and events still move while
  // they do: nothing may reach this window's handlers by then.
  QObject::disconnect(focusWatch_);
  for (QObject* watched : {static_cast<QObject*>(Panel1), static_cast<QObject*>(Panel3),
                           static_cast<QObject*>(FriendPanel1), static_cast<QObject*>(FriendPanel2),
                           static_cast<QObject*>(MMVBGrid->viewport()),
                           static_cast<QObject*>(MMVBGrid->horizontalHeader()->viewport()),
                           static_cast<QObject*>(RxDBGrid1)})
    if (watched) watched->removeEventFilter(this);
  // Destroy: when nothing was saved yet, the settings are saved now.
  if (FormStorage1) FormStorage1->SaveOnDestroy();
}

void TRTSForm::CreateControls() {
  auto* dock = new DockLayout(this);

  auto* caption = new TFansyGradientCaption(this);
  caption->setObjectName("FansyGradientCaption");
  caption->setFormCaption(QString::fromUtf8(kCaption));
  dock->addWidget(caption, Dock::Top, TFansyGradientCaption::CaptionHeight);

  // 1. Top bar: report file.
  Panel1 = MakePanel("Panel1", this, kLavender, true);
  dock->addWidget(Panel1, Dock::Top, 37);
  OpenBtn = GlyphButton("OpenBtn", "Показать/обновить", QStyle::SP_BrowserReload, Panel1);
  Place(OpenBtn, 5, 5);
  ReplaceListBtn =
      GlyphButton("ReplaceListBtn", "Лист подстановок и лотов", QStyle::SP_FileDialogDetailedView, Panel1);
  Place(ReplaceListBtn, 34, 5);
  auto* inLabel = NavyLabel("Входной файл", Panel1, "Label1");
  Place(inLabel, 72, 11);
  InFilenameEdit = new TFilenameEdit(Panel1);
  InFilenameEdit->setObjectName("InFilenameEdit");
  InFilenameEdit->setAccessibleName("Входной файл");
  InFilenameEdit->lineEdit()->setAccessibleName("Входной файл");
  InFilenameEdit->setDialogTitle("Входной файл");
  InFilenameEdit->setFilter("Отчеты (*.txt *.TXT);;Все файлы (*)");
  Place(InFilenameEdit, inLabel->x() + inLabel->sizeHint().width() + 6, 7, 400, 23);

  // 4. Status bar of the window (docked before the lower panel: nearer the edge).
  StatusBar1 = new TStatusPanels("StatusBar1", {200, 200, 50}, 26, this);
  StatusBar1->setAutoFillBackground(true);
  {
    QPalette p = StatusBar1->palette();
    p.setColor(QPalette::Window, kLavender);
    StatusBar1->setPalette(p);
  }
  dock->addWidget(StatusBar1, Dock::Bottom, 26);

  // 3. Lower panel: output table and turnovers.
  auto* fp1 = new TDynamicPanel(this);
  fp1->setObjectName("FriendPanel1");
  fp1->setAccessibleName("FriendPanel1");
  fp1->setBevelOuter(TBevelCut::bvNone);
  fp1->setBevelInner(TBevelCut::bvLowered);
  fp1->setBevelWidth(3);
  fp1->setSingleBorder(true);
  dock->addWidget(fp1, Dock::Bottom, 211);
  FriendPanel1 = fp1;

  Panel3 = MakePanel("Panel3", fp1, kLavender, true);
  fp1->dock()->addWidget(Panel3, Dock::Top, 41);
  DBNavigator1 = new TDBNavigator("DBNavigator1", Panel3);
  Place(DBNavigator1, 5, 8);
  ExportBtn = GlyphButton("ExportBtn", "Экспорт отобранных сделок\nв выходной файл",
                          QStyle::SP_DialogSaveButton, Panel3);
  Place(ExportBtn, 252, 7);
  auto* outLabel = NavyLabel("Выходной файл", Panel3, "Label2");
  Place(outLabel, 288, 13);
  OutFilenameEdit = new TFilenameEdit(Panel3);
  OutFilenameEdit->setObjectName("OutFilenameEdit");
  OutFilenameEdit->setAccessibleName("Выходной файл");
  OutFilenameEdit->lineEdit()->setAccessibleName("Выходной файл");
  OutFilenameEdit->setDialogTitle("Выходной файл");
  OutFilenameEdit->setFilter("Таблицы dBASE (*.dbf *.DBF);;Все файлы (*)");
  Place(OutFilenameEdit, outLabel->x() + outLabel->sizeHint().width() + 6, 9, 300, 23);

  auto* fp2 = new TDynamicPanel(fp1);
  fp2->setObjectName("FriendPanel2");
  fp2->setAccessibleName("FriendPanel2");
  fp2->setBevelOuter(TBevelCut::bvNone);
  fp2->setBevelInner(TBevelCut::bvLowered);
  fp2->setBevelWidth(3);
  fp1->dock()->addWidget(fp2, Dock::Left, 361);
  FriendPanel2 = fp2;

  Panel6 = MakePanel("Panel6", fp2, kLavender, false);
  Panel6->setCaption("Выходной файл");
  fp2->dock()->addWidget(Panel6, Dock::Top, 51);
  NewDealBtn = GlyphButton("NewDealBtn", "Обновить", QStyle::SP_BrowserReload, Panel6);
  Place(NewDealBtn, 4, 3);
  WriteModeRadioGroup =
      new TRadioGroup("WriteModeRadioGroup", QString(), {"Сначала", "Дозапись"}, Panel6);
  WriteModeRadioGroup->setAccessibleName("WriteModeRadioGroup");
  MakeNavyBold(WriteModeRadioGroup);
  FillColor(WriteModeRadioGroup, kLavender);
  Panel6->dock()->addWidget(WriteModeRadioGroup, Dock::Right, 96);
  SqueeseClientCheckBox = new QCheckBox("Сжать по клиентам", Panel6);
  SqueeseClientCheckBox->setObjectName("SqueeseClientCheckBox");
  SqueeseClientCheckBox->setAccessibleName("Сжать по клиентам");
  MakeNavyBold(SqueeseClientCheckBox);
  FillColor(SqueeseClientCheckBox, kLavender);
  Place(SqueeseClientCheckBox, 6, 31);
  SqueeseClaineCheckBox = new QCheckBox("\"Сжать\" заявки", Panel6);
  SqueeseClaineCheckBox->setObjectName("SqueeseClaineCheckBox");
  SqueeseClaineCheckBox->setAccessibleName("\"Сжать\" заявки");
  SqueeseClaineCheckBox->setEnabled(false);
  SqueeseClaineCheckBox->setVisible(false);

  RxDBGrid1 = new QTableView(fp2);
  SetupDataGrid(RxDBGrid1, "RxDBGrid1");
  fp2->dock()->addWidget(RxDBGrid1, Dock::Fill);

  Panel4 = MakePanel("Panel4", fp1, QColor(), false);
  fp1->dock()->addWidget(Panel4, Dock::Fill);
  Panel5 = MakePanel("Panel5", Panel4, kLightGrey, false);
  Panel5->setCaption("Обороты");
  Panel4->dock()->addWidget(Panel5, Dock::Top, 55);
  NewOborotBtn = GlyphButton("NewOborotBtn", "Обновить", QStyle::SP_BrowserReload, Panel5);
  Place(NewOborotBtn, 4, 3);
  OborotModeRadioGroup =
      new TRadioGroup("OborotModeRadioGroup", QString(), {"По ЦБ", "По счетам"}, Panel5);
  OborotModeRadioGroup->setAccessibleName("OborotModeRadioGroup");
  MakeNavyBold(OborotModeRadioGroup);
  FillColor(OborotModeRadioGroup, kLavender);
  Panel5->dock()->addWidget(OborotModeRadioGroup, Dock::Right, 104);
  ObDBGrid = new QTableView(Panel4);
  SetupDataGrid(ObDBGrid, "ObDBGrid");
  ObDBGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Panel4->dock()->addWidget(ObDBGrid, Dock::Fill);

  // 2. Middle: selection fields, trade grid and its status bar.
  Panel2 = MakePanel("Panel2", this, QColor(), false);
  dock->addWidget(Panel2, Dock::Fill);
  Panel7 = MakePanel("Panel7", Panel2, kLightGrey, true);
  Panel2->dock()->addWidget(Panel7, Dock::Top, 62);
  auto* brokerLabel = PlainLabel("Код счета брокера\n      в ДРС", Panel7);
  brokerLabel->setObjectName("Label3");
  brokerLabel->setAlignment(Qt::AlignHCenter);
  Place(brokerLabel, 10, 4);
  BrokerAccEdit = new QLineEdit(Panel7);
  BrokerAccEdit->setObjectName("BrokerAccEdit");
  BrokerAccEdit->setAccessibleName("Код счета брокера в ДРС");
  Place(BrokerAccEdit, 10, 34, 120, 21);
  auto* dateLabel = PlainLabel("Дата торгов", Panel7);
  dateLabel->setObjectName("Label4");
  Place(dateLabel, 150, 17);
  TorgDateEdit = new TDateEdit(Panel7);
  TorgDateEdit->setObjectName("TorgDateEdit");
  TorgDateEdit->setAccessibleName("Дата торгов");
  TorgDateEdit->lineEdit()->setAccessibleName("Дата торгов");
  Place(TorgDateEdit, 150, 34, 110, 21);

  GroupBox1 = new QGroupBox("  Выделение сделок  ", Panel7);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setAccessibleName("Выделение сделок");
  GroupBox1->setAutoFillBackground(true);
  {
    QPalette p = GroupBox1->palette();
    p.setColor(QPalette::Window, kLavender);
    GroupBox1->setPalette(p);
  }
  Panel7->dock()->addWidget(GroupBox1, Dock::Right, 313);
  auto* minLabel = NavyLabel("Со счета \nклиента...", GroupBox1, "Label5");
  Place(minLabel, 8, 18);
  MinClientEdit = new QLineEdit(GroupBox1);
  MinClientEdit->setObjectName("MinClientEdit");
  MinClientEdit->setAccessibleName("Со счета клиента...");
  MinClientEdit->setMaxLength(8);
  Place(MinClientEdit, 82, 24, 68, 21);
  auto* maxLabel = NavyLabel("По счет \nклиента...", GroupBox1, "Label6");
  Place(maxLabel, 160, 18);
  MaxClientEdit = new QLineEdit(GroupBox1);
  MaxClientEdit->setObjectName("MaxClientEdit");
  MaxClientEdit->setAccessibleName("По счет клиента...");
  MaxClientEdit->setMaxLength(8);
  Place(MaxClientEdit, 234, 24, 68, 21);

  StatusBar2 = new TStatusPanels("StatusBar2", {200, 200, 50}, 19, Panel2);
  StatusBar2->setAutoFillBackground(true);
  {
    QPalette p = StatusBar2->palette();
    p.setColor(QPalette::Window, kLavender);
    StatusBar2->setPalette(p);
  }
  Panel2->dock()->addWidget(StatusBar2, Dock::Bottom, 19);

  MMVBGrid = new QTableView(Panel2);
  MMVBGrid->setObjectName("MMVBGrid");
  MMVBGrid->setAccessibleName("MMVBGrid");
  tradeModel_ = new TradeTableModel(
      &trades_, [this](size_t row) { return lists_->marked.Contains(row); }, this);
  SetupTradeGrid(MMVBGrid, tradeModel_);
  Panel2->dock()->addWidget(MMVBGrid, Dock::Fill);

  fp2->setSizeRestore(361);
  fp2->setSizeMinimized(false);
  fp2->Loaded();
  fp1->setSizeRestore(211);
  fp1->setSizeMinimized(false);
  fp1->Loaded();

  // The file fields stretch with their panels.
  Panel1->installEventFilter(this);
  Panel3->installEventFilter(this);
  FriendPanel1->installEventFilter(this);
  FriendPanel2->installEventFilter(this);

  // Wiring.
  connect(OpenBtn, &QToolButton::clicked, this, [this] { OpenBtnClick(); });
  connect(ReplaceListBtn, &QToolButton::clicked, this, [this] { ReplaceListBtnClick(); });
  connect(ExportBtn, &QToolButton::clicked, this, [this] { ExportBtnClick(); });
  connect(NewDealBtn, &QToolButton::clicked, this, [this] { NewDealBtnClick(); });
  connect(MinClientEdit, &QLineEdit::textChanged, this, [this] { MinClientEditChange(); });
  connect(MaxClientEdit, &QLineEdit::textChanged, this, [this] { MaxClientEditChange(); });
  // A double-click anywhere on the grid, title row included, toggles the
  // current row.
  MMVBGrid->viewport()->installEventFilter(this);
  MMVBGrid->horizontalHeader()->viewport()->installEventFilter(this);
  connect(OutFilenameEdit, &TFilenameEdit::textChanged, this, [this] { OutFilenameEditChange(); });
  connect(OutFilenameEdit, &TFilenameEdit::afterDialog, this,
          [this](const QString& name, bool accepted) { OutFilenameEditAfterDialog(name, accepted); });
  RxDBGrid1->installEventFilter(this);
  // Entering and leaving a data grid: the grid or its cell editor gets or
  // loses the focus.
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    auto within = [](QWidget* grid, QWidget* w) { return w && (w == grid || grid->isAncestorOf(w)); };
    if (within(RxDBGrid1, old) && !within(RxDBGrid1, now)) RxDBGrid1Exit();
    if (within(RxDBGrid1, now) && !within(RxDBGrid1, old)) RxDBGrid1Enter();
    if (within(ObDBGrid, now) && !within(ObDBGrid, old)) ObDBGridEnter();
  });
  SetupOutputGrid();
  DBNavigator1->SetDataSource(RxDBGrid1, [this] { RefreshView(); });  // OutDataSource at first
}

bool TRTSForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && (watched == Panel1 || watched == Panel3)) {
    TFilenameEdit* edit = watched == Panel1 ? InFilenameEdit : OutFilenameEdit;
    auto* panel = static_cast<QWidget*>(watched);
    edit->resize(std::max(60, panel->width() - edit->x() - 8), edit->height());
  } else if (event->type() == QEvent::MouseButtonDblClick &&
             (watched == FriendPanel1 || watched == FriendPanel2)) {
    // A double-click left unhandled by a control inside the panel reaches the
    // panel too; only a double-click on the panel itself collapses it.
    auto* panel = static_cast<QWidget*>(watched);
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (panel->childAt(at)) return true;
  } else if (event->type() == QEvent::MouseButtonDblClick &&
             (watched == MMVBGrid->viewport() || watched == MMVBGrid->horizontalHeader()->viewport())) {
    MMVBGridDblClick();
    return true;
  } else if (event->type() == QEvent::KeyPress && watched == RxDBGrid1) {
    // The grid's own keys: Insert adds a record, Ctrl+Delete deletes one.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier) {
      TDBNavigator::InsertRecord(RxDBGrid1);
      return true;
    }
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
      TDBNavigator::DeleteRecord(RxDBGrid1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Creation, showing and closing.

void TRTSForm::FormCreate() { lists_->marked.Clear(); }

void TRTSForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownOnce_ || event->spontaneous()) return;
  shownOnce_ = true;
  // The settings component restores first, then FormShow runs.
  FormStorage1->Restore();
  FormShow();
}

void TRTSForm::FormShow() {
  ResetTradeGridWidths(MMVBGrid);
  OutFileName = rts::Utf8ToCp1251(OutFilenameEdit->text().toStdString());
  lists_->replace.Clear();
  ReportLoaded = false;
  std::vector<std::string> lines;
  {
    const rts::IniFile ini(settingsPath_);
    rts::ReadListSection(ini, "ReplaceList", lines);
  }
  for (size_t i = 0; i < lines.size(); ++i)
    lists_->replace.ParseReplaceLine(lines[i], static_cast<int>(i + 1));
}

void TRTSForm::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (!event->isAccepted() || closed_) return;
  closed_ = true;
  FormStorage1->SaveOnClose();
  FormClose();
}

void TRTSForm::FormClose() {
  lists_->replace.Clear();
  lists_->marked.Clear();
}

// ---------------------------------------------------------------------------

bool TRTSForm::IsMarked(size_t row) const { return lists_->marked.Contains(row); }
size_t TRTSForm::MarkedCount() const { return lists_->marked.Count(); }
rts::MarkedList& TRTSForm::MarkedList() { return lists_->marked; }
const rts::ReplaceLists& TRTSForm::Replace() const { return lists_->replace; }

// The editor of the substitution list is not part of this window yet: tell
// the operator where the list is kept.
void TRTSForm::ReplaceListBtnClick() {
  rts::InfoMess("Лист подстановок и лотов хранится в файле настроек " + settingsPath_ +
                ", раздел [ReplaceList].");
}

void TRTSForm::RxDBGrid1Enter() { DBNavigator1->SetDataSource(RxDBGrid1, [this] { RefreshView(); }); }

void TRTSForm::ObDBGridEnter() { DBNavigator1->SetDataSource(ObDBGrid); }
