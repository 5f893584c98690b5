// The faults of real USB on the emulated adapter, under ombrix-cli, its libftdi1 driver and
// Debian's libftdi1, and how each ends: the reason the program gives for an adapter it cannot
// open or tell apart, a download that fails with nothing saved or kept, or one that the
// protocol's retry gets through whole, equal to the undisturbed one.
#include <QDir>
#include <QFile>

#include <algorithm>

#include "StackRun.h"

namespace ombrix::testing {
namespace {

class UsbFaultTest : public CliTest {};

TEST_F(UsbFaultTest, EachFaultEndsAsTheProgramPromises) {
  const struct {
    const char* fault;
    const char* command;
    int code;
    const char* message;  // what stderr says
    bool saved;           // the download is saved, equal to the undisturbed one
  } cases[] = {
      // Listed, but the device node cannot be opened: its strings cannot be read either.
      {"no-access", "status", 3, "an FTDI device was found that this user may not open", false},
      {"busy", "status", 3, "the adapter is in use by another program", false},
      {"kernel-driver", "status", 3,
       "the system's serial driver holds the adapter and could not be detached", false},
      {"twin", "status", 3, "more than one USB device is called \"Ombrix adapter\"", false},
      // A clone chip whose product string is another: it is not the adapter.
      {"product=USB Serial Converter", "status", 3, "no USB device is called \"Ombrix adapter\"",
       false},
      {"unplug=20000", "download", 3, "usb emulator: unplug at 20000", false},
      {"timeout=20000", "download", 0, "usb emulator: timeout at 20000", true},
      {"short=3000", "download", 0, "usb emulator: short at 3000", true},
      {"stall=20000", "download", 0, "usb emulator: stall at 20000", true},
  };
  // Three weeks of samples, every ten minutes.
  WriteState(Path("start.state"), "demo", 2024, 3, 4, 10, 0, 0);
  const auto run = [&](const char* name, const char* fault, const char* command) {
    QDir(dir_.path()).mkpath(QLatin1String(name));
    const QString folder = Path(name);
    const QString state = folder + QStringLiteral("/lab.state");
    EXPECT_TRUE(QFile::copy(Path("start.state"), state));
    QStringList arguments{QLatin1String(command)};
    if (QLatin1String(command) == QLatin1String("download")) {
      arguments << QStringLiteral("-o") << QStringLiteral("log.omx");
    }
    return RunOnEmulatedAdapter(folder, state, arguments, QLatin1String(fault));
  };
  const CliResult undisturbed = run("undisturbed", "", "download");
  ASSERT_EQ(undisturbed.code, 0) << undisturbed.err;
  const std::string reference = WithoutClockReadings(ReadFile(Path("undisturbed/log.omx")));

  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const std::string name = "case" + std::to_string(++n);
    const CliResult result = run(name.c_str(), c.fault, c.command);
    EXPECT_EQ(result.code, c.code) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    const QString folder = Path(name.c_str());
    if (c.saved) {
      EXPECT_EQ(WithoutClockReadings(ReadFile(folder + QStringLiteral("/log.omx"))), reference);
    } else {
      EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/log.omx")));
      // Nothing kept in the archive either: its listing is the heading alone.
      const CliResult listed = RunCli(folder, Args("archive list"));
      EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 1) << listed.out;
    }
  }
}

}  // namespace
}  // namespace ombrix::testing
