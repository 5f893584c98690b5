#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

#include "VirtualState.h"

namespace ombrix::testing {

// What one run of ombrix-cli left behind.
struct CliResult {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs the built ombrix-cli with the arguments in `directory`, with pipes for stdout and stderr
// and the locale de_DE (dates "07.12.2026 14:30:00", decimal comma). Its default archive is
// `directory`/data/ombrix/archive.sqlite, its settings `directory`/config/ombrix/ombrix.INI.
// `input` is what it reads on stdin (then closed). A `wrapper` command line, when given, is run
// instead with ombrix-cli and the arguments after its own.
CliResult RunCli(const QString& directory, const QStringList& arguments,
                 const QByteArray& input = {}, const QStringList& wrapper = {});
// The same with stderr on a terminal, as when a person runs it; `err` holds what the terminal got.
CliResult RunCliInTerminal(const QString& directory, const QStringList& arguments);

// A state file for `scenario` with the virtual clock at the given local (program) time, as a run
// of the program would leave it; `change` may alter the state before it is written.
void WriteState(const QString& path, const std::string& scenario, int year, int month, int day,
                int hour, int minute, int second,
                const std::function<void(VirtualState&)>& change = {});
VirtualState ReadState(const QString& path);
std::string ReadFile(const QString& path);

// The words of a command line without quoted blanks: Args("--virtual status").
inline QStringList Args(const char* line) {
  return QString::fromUtf8(line).split(u' ', Qt::SkipEmptyParts);
}

// Each test runs in its own folder, with the in-process locale matching the program's.
class CliTest : public ::testing::Test {
 protected:
  CliTest() : previous_(QLocale()) { QLocale::setDefault(QLocale(QStringLiteral("de_DE"))); }
  ~CliTest() override { QLocale::setDefault(previous_); }

  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  CliResult Run(const QStringList& arguments, const QByteArray& input = {}) const {
    return RunCli(dir_.path(), arguments, input);
  }
  CliResult Run(const char* line) const { return Run(Args(line)); }

  QTemporaryDir dir_;

 private:
  QLocale previous_;
};

}  // namespace ombrix::testing
