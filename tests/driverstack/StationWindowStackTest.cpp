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
  // A stopped mission: its log stays as it is, however much of the emulated time the window's
  // threads take before the download (each pause of each thread moves the process's clock on).
  WriteState(Path("start.state"), "demo", 2024, 3, 4, 10, 0, 0);
  const CliResult stopped =
      RunOnVirtualAdapter(dir_.path(), Path("start.state"), Args("stop --yes"));
  ASSERT_EQ(stopped.code, 0) << stopped.err;
  ASSERT_TRUE(QDir().mkpath(Path("virtual")));
  ASSERT_TRUE(QDir().mkpath(Path("window/config/ombrix")));
  ASSERT_TRUE(QFile::copy(Path("start.state"), Path("virtual/lab.state")));
  ASSERT_TRUE(QFile::copy(Path("start.state"), Path("window/lab.state")));
  const CliResult onVirtual = RunOnVirtualAdapter(Path("virtual"), Path("virtual/lab.state"),
                                                  Args("download -o record.omx"));
  ASSERT_EQ(onVirtual.code, 0) << onVirtual.err;
  const std::string expected = ReadFile(Path("virtual/record.omx"));
  ASSERT_NE(expected.find("ReadSamples=3024"), std::string::npos);

  const QString out = Path("window/out");
  QFile settings(Path("window/config/ombrix/ombrix.INI"));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("[Properties]\nComNumber=0\n[Station]\nFolder=" + QFile::encodeName(out) +
                 "\nPattern={serial}.omx\n");
  settings.close();

  QProcess window;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
  environment.insert(QStringLiteral("HOME"), Path("window"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("window/config"));
  environment.insert(QStringLiteral("XDG_DATA_HOME"), Path("window/data"));
  environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(OMBRIX_USB_EMULATOR));
  environment.insert(QStringLiteral("OMBRIX_USB_EMULATOR_STATE"), Path("window/lab.state"));
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
}

}  // namespace
}  // namespace ombrix::testing
