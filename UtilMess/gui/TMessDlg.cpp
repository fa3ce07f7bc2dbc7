#include "UtilMess/gui/TMessDlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTextBlock>
#include <stdexcept>

#include "Elastic/DockLayout.h"
#include "Elastic/TFansyGradientCaption.h"
#include "Utils/gui/CenterButtons.h"

namespace {

// Result codes of the dialog, kept apart from QDialog's Rejected (0).
constexpr int kYes = 100;
constexpr int kNo = 101;
constexpr int kCancel = 102;

constexpr int kWidth = 375;
constexpr int kHeight = 284;
constexpr int kDetailsHeight = 162;
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

QString FromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Message text with every kind of line break made a memo line break.
QString MemoText(const std::string& text) {
  QString s = FromUtf8(text);
  s.replace("\r\n", "\n");
  s.replace('\r', '\n');
  return s;
}

TPanel* Panel(QWidget* parent, const char* name) {
  auto* p = new TPanel(parent);
  p->setObjectName(name);
  p->setAccessibleName(name);
  p->setBevelOuter(TBevelCut::bvNone);
  return p;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, int x,
                    QStyle::StandardPixmap icon) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAccessibleName(caption);
  b->setGeometry(x, 3, 77, 27);
  b->setIcon(b->style()->standardIcon(icon));
  b->setAutoDefault(true);  // Enter presses the focused button, else the default one
  return b;
}

QLabel* Picture(QWidget* parent, const char* name, const QString& accessible,
                QStyle::StandardPixmap icon) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setAccessibleName(accessible);
  l->setPixmap(l->style()->standardIcon(icon).pixmap(32, 32));
  l->setAlignment(Qt::AlignCenter);
  l->setGeometry(0, 0, 33, 33);
  l->hide();
  return l;
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, const QString& accessible) {
  auto* m = new QPlainTextEdit(parent);
  m->setObjectName(name);
  m->setAccessibleName(accessible);
  m->setReadOnly(true);
  m->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette pal = m->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::Window));
  m->setPalette(pal);
  return m;
}

}  // namespace

TMessDlg::TMessDlg(QWidget* owner, const rts::Message& message) : QDialog(owner) {
  const int kind = static_cast<int>(message.kind);
  if (kind < 0 || kind > 4) throw std::invalid_argument("Недопустимый вид сообщения");
  buildDesign();

  // Text.
  MessageMemo->setPlainText(MemoText(message.text));

  // Kind: picture, caption colour and text, buttons and keys.
  static const char* const captions[] = {"Предупреждение", "Информация", "Ошибка", "Вопрос",
                                         "Вопрос"};
  QLabel* picture = nullptr;
  switch (message.kind) {
    case rts::TMessKind::mkWarning: picture = WarningImage; break;
    case rts::TMessKind::mkInformation: picture = InfoImage; break;
    case rts::TMessKind::mkError: picture = ErrorImage; break;
    default: picture = QuestionImage; break;
  }
  if (kind == 1 || kind == 3 || kind == 4) FansyGradientCaption->setStartColor(kBlue);
  FansyGradientCaption->setFormCaption(QString::fromUtf8(captions[kind]));
  if (kind <= 2) {
    YesBtn->setText("OK");
    YesBtn->setAccessibleName("OK");
    YesBtn->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    cancelBtn_ = YesBtn;
  } else {
    NoBtn->show();
    cancelBtn_ = NoBtn;
    if (kind == 4) CancelBtn->show();
  }

  // "Детали".
  if (message.onDetails) {
    onDetails_ = message.onDetails;
    connect(DetailBtn, &QPushButton::clicked, this, [this] {
      if (rts::DetailsHandler h = onDetails_) h();
    });
    DetailBtn->show();
  }

  dock()->redock();
  CenterButtons(ButtonPanel);

  // Picture, centred in its frame.
  picture->move((ImagePanel->width() - picture->width()) / 2,
                (ImagePanel->height() - picture->height()) / 2);
  picture->show();

  if (message.details) {
    QStringList lines;
    for (const std::string& l : *message.details) lines << FromUtf8(l);
    ObjectMemo->setPlainText(lines.join('\n'));
    if (message.line <= 0 || message.pos <= 0) {
      ObjectLabel->clear();
    } else {
      placeCaret(*message.details, message.line, message.pos);
      ObjectLabel->setText(QString("В строке: %1; позиции: %2").arg(message.line).arg(message.pos));
    }
    ObjectLabel->setAccessibleName(ObjectLabel->text());
    UpdateCaretLabel();
  } else {
    ObjectPanel->hide();
    resize(width(), height() - kDetailsHeight);
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect g = screen->geometry();
    move(g.x() + (g.width() - width()) / 2, g.y() + (g.height() - height()) / 2);
  }
}

TMessDlg::~TMessDlg() = default;

DockLayout* TMessDlg::dock() const { return static_cast<DockLayout*>(layout()); }

void TMessDlg::buildDesign() {
  setObjectName("MessDlg");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setSizeGripEnabled(false);
  QFont f("MS Sans Serif", 8);
  setFont(f);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  resize(kWidth, kHeight);

  auto* layout = new DockLayout(this);
  FansyGradientCaption = new TFansyGradientCaption(this);
  layout->addWidget(FansyGradientCaption, Dock::Top);

  ButtonPanel = Panel(this, "ButtonPanel");
  layout->addWidget(ButtonPanel, Dock::Bottom, 33);
  YesBtn = Button(ButtonPanel, "YesBtn", "Да", 10, QStyle::SP_DialogYesButton);
  YesBtn->setDefault(true);
  NoBtn = Button(ButtonPanel, "NoBtn", "Нет", 92, QStyle::SP_DialogNoButton);
  DetailBtn = Button(ButtonPanel, "DetailBtn", "Детали", 174, QStyle::SP_FileDialogDetailedView);
  CancelBtn = Button(ButtonPanel, "CancelBtn", "Отмена", 256, QStyle::SP_DialogCancelButton);
  NoBtn->hide();
  DetailBtn->hide();
  CancelBtn->hide();
  connect(YesBtn, &QPushButton::clicked, this, [this] { done(kYes); });
  connect(NoBtn, &QPushButton::clicked, this, [this] { done(kNo); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { done(kCancel); });

  Panel1 = Panel(this, "Panel1");
  Panel1->setBorderWidth(5);
  layout->addWidget(Panel1, Dock::Fill);

  Splitter1 = new QSplitter(Qt::Vertical, Panel1);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setAccessibleName("Splitter1");
  Splitter1->setHandleWidth(3);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->setStyleSheet("QSplitter::handle { background-color: rgb(240, 251, 255); }");
  Panel1->dock()->addWidget(Splitter1, Dock::Fill);

  auto* upper = new QWidget(Splitter1);
  upper->setObjectName("MessageArea");
  auto* upperDock = new DockLayout(upper);
  Panel2 = Panel(upper, "Panel2");
  upperDock->addWidget(Panel2, Dock::Left, 56);
  ImagePanel = Panel(Panel2, "ImagePanel");
  ImagePanel->setBevelOuter(TBevelCut::bvLowered);
  ImagePanel->setGeometry(0, 0, 49, 49);
  QuestionImage = Picture(ImagePanel, "QuestionImage", "Вопрос", QStyle::SP_MessageBoxQuestion);
  InfoImage = Picture(ImagePanel, "InfoImage", "Информация", QStyle::SP_MessageBoxInformation);
  WarningImage = Picture(ImagePanel, "WarningImage", "Предупреждение", QStyle::SP_MessageBoxWarning);
  ErrorImage = Picture(ImagePanel, "ErrorImage", "Ошибка", QStyle::SP_MessageBoxCritical);
  MessageMemo = Memo(upper, "MessageMemo", "Текст сообщения");
  upperDock->addWidget(MessageMemo, Dock::Fill);

  ObjectPanel = Panel(Splitter1, "ObjectPanel");
  ObjectPanel->setBorderWidth(3);
  PointerPanel = Panel(ObjectPanel, "PointerPanel");
  ObjectPanel->dock()->addWidget(PointerPanel, Dock::Top, 16);
  LinePosLabel = new QLabel(PointerPanel);
  LinePosLabel->setObjectName("LinePosLabel");
  LinePosLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  PointerPanel->dock()->addWidget(LinePosLabel, Dock::Right, 80);
  ObjectLabel = new QLabel(PointerPanel);
  ObjectLabel->setObjectName("ObjectLabel");
  PointerPanel->dock()->addWidget(ObjectLabel, Dock::Fill);
  ObjectMemo = Memo(ObjectPanel, "ObjectMemo", "Подробности");
  ObjectMemo->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  ObjectMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ObjectPanel->dock()->addWidget(ObjectMemo, Dock::Fill);
  connect(ObjectMemo, &QPlainTextEdit::cursorPositionChanged, this, &TMessDlg::UpdateCaretLabel);

  Splitter1->addWidget(upper);
  Splitter1->addWidget(ObjectPanel);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  const int inner = kHeight - TFansyGradientCaption::CaptionHeight - 33 - 2 * 5;
  Splitter1->setSizes({inner - 3 - kDetailsHeight, kDetailsHeight});

  // Enter in a memo presses the default button, Esc the cancel button.
  MessageMemo->installEventFilter(this);
  ObjectMemo->installEventFilter(this);
}

void TMessDlg::placeCaret(const std::vector<std::string>& details, int line, int pos) {
  // The caret goes to column min(pos - 1, length) of detail line `line`;
  // lines beyond the last count as empty.
  int target = 0;
  const int count = static_cast<int>(details.size());
  for (int i = 0; i < line - 1; ++i)
    target += (i < count ? static_cast<int>(FromUtf8(details[i]).size()) : 0) + 1;
  const int length = line <= count ? static_cast<int>(FromUtf8(details[line - 1]).size()) : 0;
  target += std::min(pos - 1, length);
  QTextCursor c = ObjectMemo->textCursor();
  c.setPosition(std::min(target, ObjectMemo->document()->characterCount() - 1));
  ObjectMemo->setTextCursor(c);
  scrollLines_ = line - 1;
  ObjectMemo->verticalScrollBar()->setValue(scrollLines_);
}

void TMessDlg::UpdateCaretLabel() {
  const QTextCursor c = ObjectMemo->textCursor();
  LinePosLabel->setText(QString("(%1:%2)").arg(c.blockNumber() + 1).arg(c.positionInBlock() + 1));
  LinePosLabel->setAccessibleName(LinePosLabel->text());
}

int TMessDlg::Answer() const {
  switch (result()) {
    case kYes: return 1;
    case kNo: return 0;
    default: return -1;
  }
}

int TMessDlg::Execute(QWidget* owner, const rts::Message& message) {
  TMessDlg dlg(owner, message);
  dlg.exec();
  return dlg.Answer();
}

void TMessDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!ObjectPanel->isHidden()) {
    ObjectMemo->setFocus();
    if (scrollLines_ > 0) ObjectMemo->verticalScrollBar()->setValue(scrollLines_);
  } else {
    for (QPushButton* b : {YesBtn, NoBtn, DetailBtn, CancelBtn})
      if (!b->isHidden()) {
        b->setFocus();
        break;
      }
  }
}

void TMessDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  dock()->redock();
  CenterButtons(ButtonPanel);
}

void TMessDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    if (cancelBtn_) cancelBtn_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TMessDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        !(key->modifiers() & ~Qt::KeypadModifier)) {
      YesBtn->click();
      return true;
    }
    if (key->key() == Qt::Key_Escape) {
      if (cancelBtn_) cancelBtn_->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

int DialogPresenter::Present(const rts::Message& message) {
  return TMessDlg::Execute(owner_ ? owner_ : TApplicationState::instance().mainWindow(), message);
}
