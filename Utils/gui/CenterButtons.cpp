#include "Utils/gui/CenterButtons.h"

#include <QAbstractButton>
#include <QWidget>
#include <vector>

void CenterButtons(QWidget* panel) {
  if (!panel) return;
  std::vector<QAbstractButton*> buttons;
  int sumTop = 0, sumHeight = 0, sumWidth = 0;
  for (QObject* child : panel->children()) {
    auto* b = qobject_cast<QAbstractButton*>(child);
    if (!b || b->isHidden()) continue;
    buttons.push_back(b);
    sumTop += b->y();
    sumHeight += b->height();
    sumWidth += b->width();
  }
  if (buttons.empty()) return;
  const int count = static_cast<int>(buttons.size());
  const int top = sumTop / count;
  const int height = sumHeight / count;
  int total = sumWidth + 5 * (count - 1);
  if (total > panel->width()) total = panel->width();
  int x = (panel->width() - total) / 2;
  while (!buttons.empty()) {
    auto leftmost = buttons.begin();
    for (auto it = buttons.begin(); it != buttons.end(); ++it)
      if ((*it)->x() < (*leftmost)->x()) leftmost = it;
    QAbstractButton* b = *leftmost;
    b->setGeometry(x, top, b->width(), height);
    x += b->width() + 5;
    buttons.erase(leftmost);
  }
}
