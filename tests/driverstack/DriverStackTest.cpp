// The probe operations of ombrix-cli as users get it, through its libftdi1 driver, Debian's
// libftdi1 and the emulated adapter below libusb, against the same operations on the built-in
// virtual adapter: both start from the same virtual state, and their outputs, files and probes
// must come out the same, byte for byte.
#include <QDir>
#include <QFile>

#include <algorithm>

#include "StackRun.h"
#include "VirtualState.h"

namespace ombrix::testing {
namespace {

// The probes of a state file, without the bus clock and the probe clocks' offsets from it.
std::string Probes(const QString& path) {
  VirtualState state = ReadState(path);
  state.utcMilliseconds = 0;
  return WithoutClockReadings(FormatVirtualState(state));
}

class DriverStackTest : public CliTest {
 protected:
  DriverStackTest() {
    QDir(dir_.path()).mkpath(QStringLiteral("virtual"));
    QDir(dir_.path()).mkpath(QStringLiteral("emulated"));
  }
  QString Virtual(const char* name = "") const { return Path("virtual/") + QLatin1String(name); }
  QString Emulated(const char* name = "") const { return Path("emulated/") + QLatin1String(name); }

  // Runs the command both ways and expects the same exit code and output. Each starts five
  // seconds after a whole minute, the same on both clocks: the person waits between commands,
  // and the two ways do not take exactly the same time for one.
  void Both(const QStringList& arguments, int code) {
    SCOPED_TRACE(arguments.join(u' ').toStdString());
    const std::int64_t done = std::max(ReadState(Virtual("lab.state")).utcMilliseconds,
                                       ReadState(Emulated("lab.state")).utcMilliseconds);
    const std::int64_t next = (done / 60'000 + 1) * 60'000 + 5'000;
    SetClock(Virtual("lab.state"), next);
    SetClock(Emulated("lab.state"), next);
    const CliResult onVirtual = RunOnVirtualAdapter(Virtual(), Virtual("lab.state"), arguments);
    const CliResult onEmulated = RunOnEmulatedAdapter(Emulated(), Emulated("lab.state"), arguments);
    EXPECT_EQ(onVirtual.code, code) << onVirtual.err;
    EXPECT_EQ(onEmulated.code, code) << onEmulated.err;
    EXPECT_EQ(WithoutClockReadings(onEmulated.out), WithoutClockReadings(onVirtual.out));
    EXPECT_EQ(onEmulated.err, onVirtual.err);
  }

  void SameFile(const char* name) {
    const std::string onVirtual = ReadFile(Virtual(name));
    ASSERT_FALSE(onVirtual.empty()) << name;
    EXPECT_EQ(WithoutClockReadings(ReadFile(Emulated(name))), WithoutClockReadings(onVirtual))
        << name;
  }
};

TEST_F(DriverStackTest, EveryProbeOperationThroughTheRealLibrariesEqualsTheVirtualAdapter) {
  // A full log: 8000 samples of a rolled-over mission, one every five minutes; the next one is
  // due five minutes after the start, long after the download.
  WriteState(Virtual("lab.state"), "rollover", 2024, 3, 4, 10, 0, 0);
  ASSERT_TRUE(QFile::copy(Virtual("lab.state"), Emulated("lab.state")));

  Both(Args("status --format json"), 0);
  Both(Args("download -o full.omx --export full.txt"), 0);
  SameFile("full.omx");
  SameFile("full.txt");
  EXPECT_NE(ReadFile(Emulated("full.omx")).find("ReadSamples=8000"), std::string::npos);
  Both(Args("stop --yes"), 0);
  Both(Args("download -o stopped.omx"), 0);
  SameFile("stopped.omx");
  Both(Args("clear --yes"), 0);
  Both(Args("set-clock --yes"), 0);
  Both({"write-text", "--name", "Kühlraum 3", "--comment", "Tür links, oben", "--yes"}, 0);
  Both(Args("launch --rate 2 --next-minute"), 0);
  Both(Args("status --format json"), 0);
  EXPECT_EQ(Probes(Emulated("lab.state")), Probes(Virtual("lab.state")));
}

}  // namespace
}  // namespace ombrix::testing
