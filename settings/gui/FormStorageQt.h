// The settings component of a window: restores the window's placement and
// its stored control values from the settings file when the window is
// shown, and saves them when it closes (or, when nothing was saved by then,
// when it is destroyed, with "Visible" = 1).
//
// The placement is filled from Qt's window geometry: the normal geometry,
// the maximized or minimized state, the screen's size in pixels and its
// logical resolution as PixelsPerInch.  Stored control values are kept
// under "<control>_<property>" in the order given: a line edit's text
// (trimmed, Windows-1251 in the file), a radio group's item index (any widget with the
// properties ItemIndex and Count), a check
// box's state ("True"/"False").  A value that does not suit its control is
// skipped silently; a failure to read or write the file is reported through
// the message calls and the window goes on.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <string>
#include <vector>

class FormStorageQt : public QObject {
  Q_OBJECT
 public:
  // `section` is the window's class name (e.g. "TRTSForm"); `path` the
  // settings file.
  FormStorageQt(QWidget* form, std::string section, std::string path);

  // A stored control value: the key and the control (QLineEdit, radio group
  // or QCheckBox).
  struct StoredValue {
    std::string key;
    QWidget* control;
  };
  void SetStoredValues(std::vector<StoredValue> values);

  void Restore();
  void SaveOnClose();
  void SaveOnDestroy();
  bool Saved() const { return saved_; }

  const std::string& path() const { return path_; }
  void setPath(std::string path) { path_ = std::move(path); }

 private:
  void Save(bool visible);

  QPointer<QWidget> form_;
  std::string section_;
  std::string path_;
  std::vector<StoredValue> values_;
  bool saved_ = false;
};
