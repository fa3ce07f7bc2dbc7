#include "UtilPrgs/gui/TProgressForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWindow>
#include <cmath>

#include "Elastic/DockLayout.h"
#include "Elastic/TFansyGradientCaption.h"
#include "Utils/Convert.h"
#include "Utils/Utils.h"

namespace {

int openCount = 0;

constexpr int kStepPitch = 20;
constexpr int kGaugePanelHeight = 77;
constexpr int kEventsIntervalMs = 33;  // about 30 times a second

QPixmap CheckMark() {
  QPixmap pm(13, 15);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 128, 0), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(5, 12), QPointF(11, 3)}));
  return pm;
}

QRect ScreenRect() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

TProgressForm::TProgressForm(QWidget* owner, const QString& caption, const QStringList& stepNames)
    : QWidget(nullptr), owner_(owner) {
  build(caption, stepNames);
}

TProgressForm::TProgressForm(QWidget* owner, const QString& caption, const QString& stepName)
    : QWidget(nullptr), owner_(owner) {
  build(caption, QStringList{stepName});
}

TProgressForm::~TProgressForm() {
  // Destroyed while still shown (a failure left the caller's loop): the
  // owner's window must not stay disabled.
  GiveBackMainWindow();
  --openCount;
}

int TProgressForm::OpenCount() { return openCount; }

void TProgressForm::build(const QString& caption, const QStringList& stepNames) {
  ++openCount;
  currentStep_ = -1;
  setObjectName("ProgressForm");
  // Not a child of the owner: disabling the owner would disable it too.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setFont(QFont("MS Sans Serif", 8));
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);

  auto* dock = new DockLayout(this);
  FansyGradientCaption = new TFansyGradientCaption(this);
  FansyGradientCaption->setFormCaption("Процесс...");
  FansyGradientCaption->setStartColor(QColor(0, 255, 0));
  dock->addWidget(FansyGradientCaption, Dock::Top);

  GaugePanel = new TPanel(this);
  GaugePanel->setObjectName("GaugePanel");
  GaugePanel->setAccessibleName("GaugePanel");
  GaugePanel->setBevelOuter(TBevelCut::bvNone);
  dock->addWidget(GaugePanel, Dock::Bottom, kGaugePanelHeight);

  Gauge = new QProgressBar(GaugePanel);
  Gauge->setObjectName("Gauge");
  Gauge->setAccessibleName("Gauge");
  Gauge->setGeometry(16, 16, 321, 25);
  Gauge->setRange(0, 100);
  Gauge->setValue(0);
  Gauge->setTextVisible(true);
  Gauge->setAlignment(Qt::AlignCenter);

  CountLabel = new QLabel("(0/0)", GaugePanel);
  CountLabel->setObjectName("CountLabel");
  CountLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
  CountLabel->setGeometry(337 - 200, 0, 200, 16);

  Label1 = new QLabel("Время выполнения:", GaugePanel);
  Label1->setObjectName("Label1");
  Label1->setAccessibleName(Label1->text());
  Label1->setToolTip("Текущее время");
  Label1->setGeometry(16, 44, 180, 16);

  DateTimeLabel = new QLabel("0 сек.", GaugePanel);
  DateTimeLabel->setObjectName("DateTimeLabel");
  DateTimeLabel->setAccessibleName("Время выполнения");
  DateTimeLabel->setToolTip("Текущее время");
  DateTimeLabel->setGeometry(16, 60, 190, 16);

  CloseBtn = new QPushButton(GaugePanel);
  CloseBtn->setObjectName("CloseBtn");
  CloseBtn->setGeometry(212, 46, 77, 27);
  CloseBtn->setAutoDefault(false);
  connect(CloseBtn, &QPushButton::clicked, this, [this] { CloseBtnClick(); });
  SetCloseKind(2);

  ItemsPanel = new TPanel(this);
  ItemsPanel->setObjectName("ItemsPanel");
  ItemsPanel->setAccessibleName("ItemsPanel");
  ItemsPanel->setBevelOuter(TBevelCut::bvNone);
  ItemsPanel->setSingleBorder(true);
  dock->addWidget(ItemsPanel, Dock::Fill);

  ScrollBox1 = new QScrollArea(ItemsPanel);
  ScrollBox1->setObjectName("ScrollBox1");
  ScrollBox1->setAccessibleName("ScrollBox1");
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ScrollBox1->setWidgetResizable(false);
  ItemsPanel->dock()->addWidget(ScrollBox1, Dock::Fill);

  stepArea_ = new QWidget;
  stepArea_->setObjectName("StepArea");
  ProcessLabel1 = new QLabel(stepArea_);
  ProcessLabel1->setObjectName("ProcessLabel1");
  ProcessLabel1->move(52, 11);
  CheckImage = new QLabel(stepArea_);
  CheckImage->setObjectName("CheckImage");
  CheckImage->setAccessibleName("Выполнено");
  CheckImage->setPixmap(CheckMark());
  CheckImage->setGeometry(24, 9, 13, 15);
  CheckImage->hide();

  for (int k = 0; k < stepNames.size(); ++k) {
    QLabel* label = ProcessLabel1;
    if (k > 0) {
      label = new QLabel(stepArea_);
      label->setObjectName(QString("ProcessLabel%1").arg(k + 1));
      label->move(ProcessLabel1->x(), ProcessLabel1->y() + kStepPitch * k);
    }
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(stepNames[k]);
    label->setAccessibleName(stepNames[k]);
    label->resize(ClientWidth - label->x() - 20, 16);  // clipped to the area at the bottom
    steps_.push_back({stepNames[k], label, nullptr});
  }
  // Up to the last label's text (13 pixels high in the design), so that the
  // design height shows every step without scrolling.
  const int steps = qMax<int>(1, static_cast<int>(stepNames.size()));
  stepArea_->resize(ClientWidth - 20, ProcessLabel1->y() + kStepPitch * (steps - 1) + 13);
  ScrollBox1->setWidget(stepArea_);

  const int designHeight = ClientHeight + TFansyGradientCaption::CaptionHeight;
  const int height = qMin(designHeight + kStepPitch * (static_cast<int>(stepNames.size()) - 1),
                          ScreenRect().height() * 2 / 3);
  setFixedSize(ClientWidth, height);
  dock->redock();

  const QByteArray utf8 = caption.toUtf8();
  if (!rts::IsBlank(std::string_view(utf8.constData(), utf8.size())))
    FansyGradientCaption->setFormCaption(caption);
  CloseBtn->setFocus();
}

void TProgressForm::SetCloseKind(int kind) {
  closeKind_ = kind;
  const bool ok = kind == 1;
  CloseBtn->setText(ok ? "Готово" : "Отмена");
  CloseBtn->setAccessibleName(CloseBtn->text());
  CloseBtn->setIcon(style()->standardIcon(ok ? QStyle::SP_DialogOkButton
                                             : QStyle::SP_DialogCancelButton));
  CloseBtn->setDefault(ok);
}

void TProgressForm::setVisible(bool visible) {
  if (visible && !isVisible()) {
    // FormShow: take the owner's window, centre (a further window 20 pixels
    // lower and righter per window already open), start the clock.
    QWidget* main = owner_ ? owner_->window() : TApplicationState::instance().mainWindow();
    if (main && main != this) {
      if (main->isEnabled()) {
        main->setEnabled(false);
        mainWindowDisabled_ = true;
        disabledWindow_ = main;
      }
      if (!windowHandle()) create();
      if (main->windowHandle()) windowHandle()->setTransientParent(main->windowHandle());
    }
    const QRect screen = ScreenRect();
    const int offset = 20 * (openCount - 1);
    move(screen.x() + (screen.width() - width()) / 2 + offset,
         screen.y() + (screen.height() - height()) / 2 + offset);
    startTime_ = rts::Now();
    QWidget::setVisible(true);
    CloseBtn->setFocus();
    return;
  }
  QWidget::setVisible(visible);
  if (!visible) GiveBackMainWindow();
}

void TProgressForm::GiveBackMainWindow() {
  if (!mainWindowDisabled_) return;
  mainWindowDisabled_ = false;
  if (disabledWindow_) disabledWindow_->setEnabled(true);
}

void TProgressForm::CloseBtnClick() { hide(); }

void TProgressForm::closeEvent(QCloseEvent* event) {
  if (CloseBtn->isEnabled()) event->accept();
  else event->ignore();
}

void TProgressForm::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Escape && closeKind_ == 2) ||
      ((key == Qt::Key_Return || key == Qt::Key_Enter) && closeKind_ == 1)) {
    if (CloseBtn->isEnabled()) CloseBtn->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

QString TProgressForm::CountText(int position, int total) {
  return total >= 0 ? QString("( %1 / %2 )").arg(position).arg(total)
                    : QString("( %1 )").arg(position);
}

void TProgressForm::ShowCount(int position, int total) {
  CountLabel->setText(CountText(position, total));
  int maximum = total >= 0 ? total : 2 * position;
  if (maximum <= 0) {
    // An empty range would make the bar a busy indicator.
    Gauge->setRange(0, 1);
    Gauge->setValue(position >= maximum ? 1 : 0);
  } else {
    Gauge->setRange(0, maximum);
    Gauge->setValue(qBound(0, position, maximum));
  }
}

void TProgressForm::UpdateStep(int stepIndex, int position, int total) {
  const bool valid = stepIndex >= 0 && stepIndex < static_cast<int>(steps_.size());
  const bool complete = valid && position == total;
  const bool newStep = valid && stepIndex != currentStep_;
  // Painting and event processing are throttled; the cancel test is not.
  const bool due = !sinceEvents_.isValid() || sinceEvents_.elapsed() >= kEventsIntervalMs ||
                   complete || newStep;
  if (due || !valid) ShowCount(position, total);
  if (!valid) return;

  if (!isVisible()) {
    const QString& name = steps_[stepIndex].name;
    throw rts::EProgressTerminate(
        ("Процесс прерван на шаге '" + name + "' " + CountText(position, total)).toStdString(),
        name.toStdString(), position);
  }

  Step& step = steps_[stepIndex];
  if (newStep) {
    QFont f = step.label->font();
    f.setBold(true);
    step.label->setFont(f);
    step.label->adjustSize();
    currentStep_ = stepIndex;
  }
  if (complete) {
    if (!step.check) {
      step.check = new QLabel(stepArea_);
      step.check->setObjectName(QString("CheckImage%1").arg(stepIndex + 1));
      step.check->setAccessibleName(CheckImage->accessibleName());
      step.check->setPixmap(CheckImage->pixmap());
      step.check->setGeometry(CheckImage->x(), CheckImage->y() + kStepPitch * stepIndex,
                              CheckImage->width(), CheckImage->height());
    }
    step.check->show();
    QFont f = step.label->font();
    f.setBold(false);
    step.label->setFont(f);
    if (stepIndex == static_cast<int>(steps_.size()) - 1) SetCloseKind(1);
  }
  if (due) {
    QApplication::processEvents();
    DateTimeLabel->setText(ElapsedText(rts::Now() - startTime_));
    sinceEvents_.restart();
  }
}

void TProgressForm::Finish() {
  CloseBtn->setEnabled(true);
  SetCloseKind(1);
  CloseBtn->setFocus();
  while (isVisible()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QString TProgressForm::ElapsedText(double days) {
  if (!(days > 0)) return QString();
  long long whole = static_cast<long long>(std::floor(days));
  long long ms = std::llround((days - static_cast<double>(whole)) * 86400000.0);
  if (ms >= 86400000) {  // rounding reached the next day
    ms -= 86400000;
    ++whole;
  }
  const long long hours = ms / 3600000, minutes = ms / 60000 % 60, seconds = ms / 1000 % 60;
  QString text;
  if (whole >= 1) text += QString::number(whole) + " сут. ";
  if (hours > 0) text += QString::number(hours) + " час. ";
  if (minutes > 0) text += QString::number(minutes) + " мин. ";
  if (seconds > 0) text += QString::number(seconds) + " сек.";
  return text;
}

// ---------------------------------------------------------------------------

ProgressFormSink::~ProgressFormSink() = default;

void ProgressFormSink::Start(const std::string& caption, const std::vector<std::string>& steps) {
  QStringList names;
  for (const std::string& s : steps) names << QString::fromStdString(s);
  form_ = std::make_unique<TProgressForm>(owner_, QString::fromStdString(caption), names);
  form_->show();
}

void ProgressFormSink::UpdateStep(int stepIndex, int position, int total) {
  if (form_) form_->UpdateStep(stepIndex, position, total);
}

void ProgressFormSink::Finish() {
  if (form_) form_->Finish();
}
