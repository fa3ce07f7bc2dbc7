#include "settings/gui/FormStorageQt.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWindow>

#include <cmath>
#include <exception>

#include "Utils/Convert.h"
#include "UtilMess/ShowMessDlg.h"
#include "Utils/Text1251.h"
#include "settings/FormStorage.h"

namespace {

// The platform's show states.
constexpr int kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3;
// Placement flag: a minimized window goes back to maximized.
constexpr int kRestoreToMaximized = 2;

QScreen* ScreenOf(const QWidget* w) {
  QScreen* s = w->screen();
  return s ? s : QGuiApplication::primaryScreen();
}

void CurrentScreen(const QWidget* w, rts::FormPlacement& p) {
  if (QScreen* s = ScreenOf(w)) {
    p.pixelsPerInch = static_cast<int>(std::lround(s->logicalDotsPerInch()));
    p.screenW = s->geometry().width();
    p.screenH = s->geometry().height();
  }
}

void ReportFailure(const std::exception& e) {
  rts::ShowMessDlg(e.what(), nullptr, -1, {}, -1, rts::TMessKind::mkError);
}

// A radio group shows its selected item as the property ItemIndex (-1 =
// none) and its number of items as Count.
bool IsRadioGroup(const QWidget* control) {
  const QMetaObject* m = control->metaObject();
  return m->indexOfProperty("ItemIndex") >= 0 && m->indexOfProperty("Count") >= 0;
}

std::string ValueOf(QWidget* control) {
  if (auto* edit = qobject_cast<QLineEdit*>(control))
    return rts::Utf8ToCp1251(edit->text().toStdString());
  if (IsRadioGroup(control)) return std::to_string(control->property("ItemIndex").toInt());
  if (auto* box = qobject_cast<QCheckBox*>(control)) return box->isChecked() ? "True" : "False";
  return {};
}

// Gives a stored text to its control; a text that does not suit the
// control is skipped.
void Apply(QWidget* control, const std::string& text) {
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    QString t = QString::fromStdString(rts::Cp1251ToUtf8(text));
    if (edit->text() != t) edit->setText(t);
  } else if (IsRadioGroup(control)) {
    int32_t index = 0;
    if (rts::TryTextToInt32(text, index) && index >= -1 && index < control->property("Count").toInt())
      control->setProperty("ItemIndex", index);
  } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
    if (rts::SameText1251(text, "True")) box->setChecked(true);
    else if (rts::SameText1251(text, "False")) box->setChecked(false);
  }
}

}  // namespace

FormStorageQt::FormStorageQt(QWidget* form, std::string section, std::string path)
    : QObject(form), form_(form), section_(std::move(section)), path_(std::move(path)) {}

void FormStorageQt::SetStoredValues(std::vector<StoredValue> values) { values_ = std::move(values); }

void FormStorageQt::Restore() {
  if (!form_) return;
  try {
    rts::IniFile ini(path_);
    rts::FormPlacement p;
    CurrentScreen(form_, p);
    const QRect g = form_->normalGeometry().isValid() ? form_->normalGeometry() : form_->geometry();
    p.left = g.left();
    p.top = g.top();
    p.right = g.left() + g.width();
    p.bottom = g.top() + g.height();
    p.showCmd = kShowNormal;
    rts::StoredValues values;
    for (const StoredValue& v : values_) values.push_back({v.key, ValueOf(v.control)});
    if (!rts::RestoreForm(ini, section_, p, values)) return;

    if (p.right > p.left && p.bottom > p.top)
      form_->setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
    if (p.showCmd == kShowMaximized)
      form_->setWindowState(form_->windowState() | Qt::WindowMaximized);
    else if (p.showCmd == kShowMinimized)
      form_->setWindowState(form_->windowState() | Qt::WindowMinimized);
    for (size_t i = 0; i < values_.size() && i < values.size(); ++i)
      Apply(values_[i].control, values[i].text);
  } catch (const std::exception& e) {
    ReportFailure(e);
  }
}

void FormStorageQt::Save(bool visible) {
  if (!form_) return;
  saved_ = true;
  try {
    rts::FormPlacement p;
    CurrentScreen(form_, p);
    const Qt::WindowStates state = form_->windowState();
    p.showCmd = state & Qt::WindowMinimized   ? kShowMinimized
                : state & Qt::WindowMaximized ? kShowMaximized
                                              : kShowNormal;
    if ((state & Qt::WindowMinimized) && (state & Qt::WindowMaximized)) p.flags = kRestoreToMaximized;
    if (state & Qt::WindowMaximized) {
      const QRect f = form_->frameGeometry();
      p.maxX = f.left();
      p.maxY = f.top();
    }
    const QRect g = (state & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
                        ? form_->normalGeometry()
                        : form_->geometry();
    p.left = g.left();
    p.top = g.top();
    p.right = g.left() + g.width();
    p.bottom = g.top() + g.height();
    rts::StoredValues values;
    for (const StoredValue& v : values_) values.push_back({v.key, ValueOf(v.control)});
    rts::IniFile ini(path_);
    rts::SaveForm(ini, section_, p, visible, values);
    ini.Save();
  } catch (const std::exception& e) {
    ReportFailure(e);
  }
}

void FormStorageQt::SaveOnClose() { Save(false); }

void FormStorageQt::SaveOnDestroy() {
  if (!saved_) Save(true);
}
