#include "RTS/gui/FormWidgets.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

TStatusPanels::TStatusPanels(const QString& name, const QVector<int>& widths, int height,
                             QWidget* parent)
    : QFrame(parent) {
  setObjectName(name);
  setAccessibleName(name);
  setFixedHeight(height);
  auto* lay = new QHBoxLayout(this);
  lay->setContentsMargins(0, 2, 0, 0);
  lay->setSpacing(2);
  for (int i = 0; i < widths.size(); ++i) {
    auto* l = new QLabel(this);
    l->setObjectName(QStringLiteral("%1_Panel%2").arg(name).arg(i));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setFixedWidth(widths[i]);
    l->setIndent(2);
    l->setAccessibleName(QStringLiteral("%1 %2").arg(name).arg(i));
    lay->addWidget(l);
    panels_.push_back(l);
  }
  lay->addStretch(1);
}

void TStatusPanels::SetPanelText(int panel, const QString& text) {
  if (panel >= 0 && panel < panels_.size()) {
    panels_[panel]->setText(text);
    panels_[panel]->setAccessibleDescription(text);
  }
}

QString TStatusPanels::PanelText(int panel) const {
  return panel >= 0 && panel < panels_.size() ? panels_[panel]->text() : QString();
}

TRadioGroup::TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
                         QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  setObjectName(name);
  setAccessibleName(caption);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(6, 2, 4, 2);
  lay->setSpacing(0);
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setObjectName(QStringLiteral("%1_Item%2").arg(name).arg(i));
    b->setAccessibleName(items[i]);
    group_->addButton(b, i);
    lay->addWidget(b);
  }
  connect(group_, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) emit ItemIndexChanged(ItemIndex());
  });
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < Count()) {
    group_->button(index)->setChecked(true);
    return;
  }
  group_->setExclusive(false);
  for (auto* b : group_->buttons()) b->setChecked(false);
  group_->setExclusive(true);
}

QRadioButton* TRadioGroup::Item(int index) const {
  return qobject_cast<QRadioButton*>(group_->button(index));
}

int TRadioGroup::Count() const { return group_->buttons().size(); }

QLabel* NavyLabel(const QString& text, QWidget* parent, const QString& name) {
  auto* l = new QLabel(text, parent);
  if (!name.isEmpty()) l->setObjectName(name);
  QString flat = text;
  flat.replace('\n', ' ');
  l->setAccessibleName(flat.simplified());
  QFont f = l->font();
  f.setBold(true);
  l->setFont(f);
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, QColor(0, 0, 128));
  l->setPalette(p);
  return l;
}
