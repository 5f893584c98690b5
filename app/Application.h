#pragma once

#include <QApplication>
#include <QString>

namespace ombrix {

// The application object. Every event handler runs inside notify: an exception that a command
// raises (a failed consistency check, or any other std::exception) is caught there and shown in a
// box; the command is abandoned and the program goes on.
class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The application title: the program file's name without folder and extension (set by the main
// window); the caption of the box for unexpected errors.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

}  // namespace ombrix
