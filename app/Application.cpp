#include "Application.h"

#include <exception>

#include "ConsistencyError.h"
#include "Dialogs.h"

namespace ombrix {

namespace {
QString& Title() {
  static QString title;
  return title;
}
}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The installed menu entry is ombrix.desktop: a Wayland desktop matches the window to it by this
  // name, for the entry's name and icon in its task bar.
  setDesktopFileName(QStringLiteral("ombrix"));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const ConsistencyError& error) {
    ShowException(QString::fromStdString(error.what()));
  } catch (const std::exception& error) {
    ShowException(QString::fromLocal8Bit(error.what()));
  }
  return false;
}

QString ApplicationTitle() {
  return Title();
}
void SetApplicationTitle(const QString& title) {
  Title() = title;
}

}  // namespace ombrix
