// The window as users get it, unchanged, in its download station mode on its libftdi1 driver,
// Debian's libftdi1 and the emulated adapter below libusb: started as a program of its own with no
// one at it, it saves the probe it finds by the settings' [Station] section, and the record is
// the one ombrix-cli saves from the same probe on the built-in virtual adapter.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <unistd.h>

#include "StackRun.h"

namespace ombrix::testing {
namespace {

class StationWindowStackTest : public CliTest {
 protected:
  // The window reads the settings file beside its program when there is one, as in the build
  // tree: a link to the program in a folder of its own makes it read XDG_CONFIG_HOME's instead.
  QString Program() const {
    const QString program = Path("window/bin/ombrix");
    EXPECT_TRUE(QDir().mkpath(Path("window/bin")));
    if (link(OMBRIX_APP_PATH, QFile::encodeName(program).constData()) != 0) {
      EXPECT_TRUE(QFile::copy(QStringLiteral(OMBRIX_APP_PATH), program));
    }
    return program;
  }
};

TEST_F(StationWindowStackTest, StationModeSavesWhatTheVirtualAdapterGives) {
  // Twelve samples of a stopped mission: a short download, and a log that stays as it is.
  WriteState(Path("start.state"), "clear", 2024, 3, 4, 10, 0, 0);
  const auto prepare = [&](const char* command) {
    const CliResult done = RunOnVirtualAdapter(dir_.path(), Path("start.state"), Args(command));
    EXPECT_EQ(done.code, 0) << command << ": " << done.err;
  };
  prepare("set-clock --yes");
  prepare("launch --rate 1 --next-minute");
  SetClock(Path("start.state"), ReadState(Path("start.state")).utcMilliseconds + 12 * 60'000);
  prepare("stop --yes");
  ASSERT_TRUE(QDir().mkpath(Path("virtual")));
  ASSERT_TRUE(QDir().mkpath(Path("window/config/ombrix")));
  ASSERT_TRUE(QFile::copy(Path("start.state"), Path("virtual/lab.state")));
  ASSERT_TRUE(QFile::copy(Path("start.state"), Path("window/lab.state")));
  const CliResult onVirtual = RunOnVirtualAdapter(Path("virtual"), Path("virtual/lab.state"),
                                                  Args("download -o record.omx"));
  ASSERT_EQ(onVirtual.code, 0) << onVirtual.err;
  const std::string expected = ReadFile(Path("virtual/record.omx"));
  ASSERT_NE(expected.find("ReadSamples=12\r"), std::string::npos) << expected;

  const QString out = Path("window/out");
  QFile settings(Path("window/config/ombrix/ombrix.INI"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("[Properties]\nComNumber=0\n[Station]\nFolder=" + QFile::encodeName(out) +
                 "\nPattern={serial}.omx\n");
  settings.close();

  // The chip at its real pace, as at a real adapter. On the emulator's virtual time every pause
  // of every thread moves the one clock: the station's search loop, pausing beside a worker in
  // the middle of an exchange, would run the worker's time-outs out.
  QProcess window;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
  environment.insert(QStringLiteral("HOME"), Path("window"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("window/config"));
  environment.insert(QStringLiteral("XDG_DATA_HOME"), Path("window/data"));
  environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(OMBRIX_USB_EMULATOR));
  environment.insert(QStringLiteral("OMBRIX_USB_EMULATOR_STATE"), Path("window/lab.state"));
  environment.insert(QStringLiteral("OMBRIX_USB_EMULATOR_TIME"), QStringLiteral("real"));
  QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
  if (!sanitizer.isEmpty()) sanitizer += u':';
  environment.insert(QStringLiteral("ASAN_OPTIONS"), sanitizer + "verify_asan_link_order=0");
  window.setProcessEnvironment(environment);
  window.setWorkingDirectory(Path("window"));
  window.start(Program(), {QStringLiteral("--station")});
  ASSERT_TRUE(window.waitForStarted()) << window.errorString().toStdString();

  // The station runs until it is stopped: the test waits for its record file (written beside
  // and renamed, so whole once it is there) and ends the program.
  QStringList saved;
  QElapsedTimer waited;
  waited.start();
  while (saved.isEmpty() && waited.elapsed() < 60'000) {
    if (window.waitForFinished(50)) break;
    saved = QDir(out).entryList({QStringLiteral("*.omx")}, QDir::Files);
  }
  const bool ranOn = window.state() == QProcess::Running;
  window.kill();
  window.waitForFinished();
  const std::string said = window.readAllStandardError().toStdString();
  ASSERT_TRUE(ranOn) << "the window ended by itself: " << said;
  ASSERT_EQ(saved.size(), 1) << said;
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{16}\\.omx$")).match(saved[0]).hasMatch())
      << saved[0].toStdString();
  EXPECT_EQ(WithoutClockReadings(ReadFile(out + u'/' + saved[0])), WithoutClockReadings(expected));
  // Saved by its first download: none failed on the way.
  const CliResult audit = RunCli(Path("window"), Args("archive audit"));
  EXPECT_EQ(audit.code, 0) << audit.err;
  EXPECT_NE(audit.out.find("  download  probe "), std::string::npos) << audit.out;
  EXPECT_EQ(audit.out.find("FAILED"), std::string::npos) << audit.out;
}

}  // namespace
}  // namespace ombrix::testing
