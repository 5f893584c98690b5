#include "Images.h"

#include <QString>

// Outside any namespace, as the resource initialiser requires.
static void InitOmbrixResources() {
  Q_INIT_RESOURCE(ombrix);
}

namespace ombrix {

namespace {

QIcon TwoSizes(const char* name) {
  QIcon icon;
  icon.addFile(QStringLiteral(":/images/%1.png").arg(QLatin1String(name)), QSize(16, 16));
  icon.addFile(QStringLiteral(":/images/%1@2x.png").arg(QLatin1String(name)), QSize(32, 32));
  return icon;
}

}  // namespace

void InitResources() {
  static const bool done = (InitOmbrixResources(), true);
  (void)done;
}

QIcon ToolImage(int index) {
  static const char* const kNames[] = {"status", "readdata",  "clear", "launch", "table",
                                       "graph",  "histogram", nullptr, "stop",   "readstatus"};
  InitResources();
  if (index < 0 || index >= static_cast<int>(std::size(kNames)) || !kNames[index]) return {};
  return TwoSizes(kNames[index]);
}

QPixmap LedImage(int index) {
  static const char* const kNames[] = {"led-off", "led-red", "led-green"};
  InitResources();
  if (index < 0 || index > 2) index = ledOff;
  return TwoSizes(kNames[index]).pixmap(QSize(16, 16));
}

QIcon ProgramIcon() {
  InitResources();
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) {
    icon.addFile(QStringLiteral(":/images/ombrix-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

QPixmap LogoPicture() {
  InitResources();
  return QPixmap(QStringLiteral(":/images/logo.jpg"), "JPEG");
}

}  // namespace ombrix
