#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

namespace ombrix::testing {

// A scratch folder holding the program's settings file, written and read back byte for byte.
class IniFolder {
 public:
  QString IniPath() const { return dir.filePath("ombrix.INI"); }

  void WriteIni(const std::string& text) const {
    QFile file(IniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
  }

  std::string ReadIni() const {
    QFile file(IniPath());
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
  }

  QTemporaryDir dir;
};

}  // namespace ombrix::testing
