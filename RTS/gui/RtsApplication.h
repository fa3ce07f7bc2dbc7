// The application object of the window program.  Its notify() is the
// top-level error handler: an exception that leaves an event handler is
// shown with its own text in the message dialog, and the program goes on
// with the window usable.
#pragma once

#include <QApplication>

class RtsApplication : public QApplication {
  Q_OBJECT
 public:
  RtsApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // Shows the text of a failure that no handler caught.
  static void ShowException(const std::exception& e);
};
