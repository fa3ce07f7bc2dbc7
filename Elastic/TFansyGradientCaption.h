// The gradient title bar of the tool's dialogs, and the application-wide
// minimize/restore state it hooks into.
#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

// The application as one thing that is minimized and restored, with one
// installed restore handler (OnRestore), as the classic application object
// has.  The window program tells it its main window.
class TApplicationState : public QObject {
  Q_OBJECT
 public:
  static TApplicationState& instance();

  using Handler = std::function<void()>;
  // The installed restore handler; runs each time the application is
  // restored.  Empty: none.
  Handler OnRestore;

  void setMainWindow(QWidget* w);
  QWidget* mainWindow() const;  // the one set, else QApplication's first window

  // Minimizes the application: the main window is minimized.
  void Minimize();
  bool IsMinimized() const { return minimized_; }
  // Restores the application: the main window comes back to its normal
  // state and OnRestore runs.  Called when the main window is restored by
  // the window manager, and by a dialog that is restored while the
  // application is minimized.
  void Restore();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TApplicationState();
  QPointer<QWidget> main_;
  bool minimized_ = false;
  bool restoring_ = false;
};

// A caption strip painted at the top inside its window (the window manager
// draws the real title bar): a horizontal gradient from StartColor to the
// window colour with FormCaption in white bold.  Setting FormCaption also
// sets the window title.
//
// Minimizing: the owning window calls MinimizeApplication when it is
// minimized; the whole application is minimized, and when the application
// is restored ApplicationRestored runs the restore handler installed before
// (SavedOnRestore) first and then brings the owning window back to normal.
class TFansyGradientCaption : public QWidget {
  Q_OBJECT
 public:
  // `owner` is the window whose caption this is; the strip is its child.
  explicit TFansyGradientCaption(QWidget* owner);
  ~TFansyGradientCaption() override;

  static constexpr int CaptionHeight = 20;

  QColor StartColor() const { return startColor_; }
  void setStartColor(const QColor& c);
  QString FormCaption() const { return formCaption_; }
  void setFormCaption(const QString& caption);
  QStringList Captions;  // extra text pieces after FormCaption (unused: empty)

  bool Hooked() const { return hooked_; }
  const TApplicationState::Handler& SavedOnRestore() const { return savedOnRestore_; }

  void MinimizeApplication();
  void ApplicationRestored();

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QWidget* owner_;
  QColor startColor_{255, 0, 0};
  QString formCaption_;
  bool hooked_ = false;
  TApplicationState::Handler savedOnRestore_;
};
