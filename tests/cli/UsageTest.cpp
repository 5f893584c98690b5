#include <QFile>

#include <sys/stat.h>

#include "CliRunner.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;

TEST_F(CliTest, UsageErrorsExitTwoWithTheirTexts) {
  struct Case {
    const char* line;
    const char* message;
  };
  const Case cases[] = {
      {"", "no command given"},
      {"frobnicate", "unknown command \"frobnicate\""},
      {"--virtual status --colour", "unknown option --colour"},
      {"--virtual status --rate 5", "status does not take --rate"},
      {"--virtual=attic status", "unknown scenario"},
      {"--virtual --advance 5x status", "--advance takes a duration"},
      {"--advance 1h status", "needs --virtual"},
      {"--virtual download", "download needs -o FILE.omx"},
      {"--virtual launch --rate 5", "either --start"},
      {"--virtual launch --rate 256 --next-minute", "Sample rate out of range 1..255 min"},
      {"--virtual launch --rate abc --next-minute", "Sample rate out of range 1..255 min"},
      {"--virtual launch --rate 5 --start tomorrow", "Invalid format of First Sample time"},
      {"--virtual launch --rate 5 --start 2026-02-30T10:00", "Invalid format of First Sample time"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const CliResult r = Run(c.line);
    EXPECT_EQ(r.code, 2);
    EXPECT_THAT(r.err, HasSubstr(c.message));
  }
}

TEST_F(CliTest, FileErrorsExitEight) {
  const CliResult missing = Run("show missing.omx");
  EXPECT_EQ(missing.code, 8);
  EXPECT_THAT(missing.err, HasSubstr("does not exist"));
  EXPECT_EQ(Run("export missing.omx -o x.txt").code, 8);
  EXPECT_FALSE(QFile::exists(Path("x.txt")));
  EXPECT_EQ(Run("--virtual download -o no/such/folder/x.omx").code, 8);

  QFile state(Path("state"));
  ASSERT_TRUE(state.open(QIODevice::WriteOnly));
  state.write("Ombrix virtual state 1\nscenario demo\nclock soon\n");
  state.close();
  const CliResult damaged = Run("--virtual-state state status");
  EXPECT_EQ(damaged.code, 8);
  EXPECT_THAT(damaged.err, HasSubstr("line 3: cannot read the clock"));
  EXPECT_EQ(ReadFile(Path("state")), "Ombrix virtual state 1\nscenario demo\nclock soon\n");

  // A damaged record, and FIFOs in the place of a record, a state or an export: refused at once,
  // nothing waits for a writer and nothing is written.
  QFile record(Path("cut.omx"));
  ASSERT_TRUE(record.open(QIODevice::WriteOnly));
  record.write("<Status>\r\nVersion=256\r\nSampleRate=10\r\nReadSamples=2\r\n<Log>\r\nT0=1\r\n");
  record.close();
  EXPECT_THAT(Run("show cut.omx").err, HasSubstr("ends before the log value T1"));
  ASSERT_EQ(mkfifo(Path("fifo").toLocal8Bit().constData(), 0600), 0);
  for (const char* line : {"show fifo", "--virtual-state fifo status",
                           "export cut.omx -o fifo --yes", "--virtual download -o fifo --yes"}) {
    const CliResult r = Run(line);
    EXPECT_EQ(r.code, 8) << line;
    EXPECT_THAT(r.err, HasSubstr("not a regular file")) << line;
  }
}

// A state keeps its scenario: naming another one is a mistake, naming none continues it.
TEST_F(CliTest, StateFileContinuesItsScenario) {
  WriteState(Path("state"), "clear", 2026, 1, 15, 9, 0, 0);
  const CliResult other = Run("--virtual=demo --virtual-state state status");
  EXPECT_EQ(other.code, 2);
  EXPECT_THAT(other.err, HasSubstr("continues the clear scenario"));
  const CliResult same = Run("--virtual-state state status");
  EXPECT_EQ(same.code, 0);
  EXPECT_THAT(same.out, HasSubstr("Memory Clear :      yes"));
}

}  // namespace
}  // namespace ombrix::testing
