// Small widgets of the main window that no other window needs: a status
// bar of fixed-width panels and a radio group with an item index (-1 = none).
#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QVector>

class QButtonGroup;
class QRadioButton;

// A status bar with panels of given widths; the last one takes the rest.
class TStatusPanels : public QFrame {
  Q_OBJECT
 public:
  TStatusPanels(const QString& name, const QVector<int>& widths, int height,
                QWidget* parent = nullptr);
  void SetPanelText(int panel, const QString& text);
  QString PanelText(int panel) const;
  int PanelCount() const { return panels_.size(); }

 private:
  QVector<QLabel*> panels_;
};

// A group box of radio buttons, one column, with the platform's item index:
// -1 when no item is selected.
class TRadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex NOTIFY ItemIndexChanged)
  Q_PROPERTY(int Count READ Count)
 public:
  TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
              QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);  // out of range = none
  QRadioButton* Item(int index) const;
  int Count() const;

 signals:
  void ItemIndexChanged(int index);

 private:
  QButtonGroup* group_;
};

// A navy bold label (the window font, navy, bold) with an accessible name.
QLabel* NavyLabel(const QString& text, QWidget* parent, const QString& name = {});
