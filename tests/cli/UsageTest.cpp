#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

#include "CliRunner.h"
#include "Options.h"

namespace ombrix::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

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
      {"--virtual download -o", "-o needs a value"},
      {"--virtual download -o x.omx --yes=1", "--yes takes no value"},
      {"--virtual -output x.omx download", "unknown option -output"},
      {"status a.omx", "unexpected argument \"a.omx\""},
      {"--virtual status --full", "status does not take --full"},
      {"archive",
       "archive needs a command; the archive commands are list, show, export, import, audit, "
       "verify and sign"},
      {"key", "key needs a command; the key commands are create, confirm, revoke and list"},
      {"key confirm", "key confirm needs KEY, the login or the fingerprint that key list shows"},
      {"key list --meaning approved", "key list does not take --meaning"},
      {"archive sign 3", "archive sign needs --meaning reviewed, approved or released"},
      {"archive sign 3 --meaning rejected", "--meaning takes reviewed, approved or released"},
      {"archive sign 3 --meaning approved --passphrase-fd x",
       "--passphrase-fd takes the number of an open file descriptor, not \"x\""},
      {"archive frob --yes", "unknown archive command \"frob\"; the archive commands are list, "},
      {"archive show", "archive show needs ID, the entry number that archive list shows"},
      {"archive show x", "archive show needs an entry number, not \"x\""},
      {"archive show \x1b[2Jxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
       "needs an entry number, not \"?[2Jxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\""},
      {"archive export 0 -o e.omx", "archive export needs an entry number, not \"0\""},
      {"archive export 3", "archive export needs -o FILE.omx"},
      {"archive import", "archive import needs one or more FILE.omx"},
      {"archive list --format csv", "--format takes json or text"},
      {"archive list -o x.omx", "archive list does not take -o"},
      {"archive list --limit 0", "--limit takes a whole number from 1, not \"0\""},
      {"archive list --limit=-5", "--limit takes a whole number from 1, not \"-5\""},
      {"archive list --limit 2.5", "--limit takes a whole number from 1, not \"2.5\""},
      {"archive list --limit 99999999999999999999", "--limit takes a whole number from 1"},
      {"archive list --offset -1", "--offset takes a whole number from 0, not \"-1\""},
      {"archive list --offset 1e3", "--offset takes a whole number from 0, not \"1e3\""},
      {"archive list --offset=", "--offset takes a whole number from 0, not \"\""},
      {"archive show 3 --limit 1", "archive show does not take --limit"},
      {"--no-archive archive list", "archive list does not take --no-archive"},
      {"--archive a.sqlite --no-archive --virtual status", "--archive and --no-archive cannot be"},
      {"--archive= --virtual status", "--archive needs a LOCATION"},
      {"--date-order ymd show a.omx", "--date-order takes dmy (day first) or mdy (month first)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const CliResult r = Run(c.line);
    EXPECT_EQ(r.code, 2);
    EXPECT_THAT(r.err, HasSubstr(c.message));
  }
}

// Lines the parser accepts, with every field they give: options before and after the command, in
// both forms, values that begin with a dash or are empty, and the archive commands.
TEST(CliOptionsTest, AcceptedLinesGiveTheirFields) {
  using cli::ArchiveCommand;
  using cli::Command;
  struct Case {
    std::vector<std::string> arguments;
    cli::Options expected;
  };
  // Each row names the fields its line sets; the others keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
  const Case cases[] = {
      {{"--virtual=clear", "--virtual-state", "st", "--advance", "1h30m", "--device=Lab adapter",
        "status", "--format=json"},
       {.virtualAdapter = true,
        .scenario = "clear",
        .virtualStateFile = "st",
        .advanceMilliseconds = 5'400'000,
        .device = "Lab adapter",
        .command = Command::kStatus,
        .commandName = "status",
        .json = true}},
      {{"-o", "x.omx", "--yes", "download", "--export=y.txt", "--full", "--no-archive"},
       {.noArchive = true,
        .command = Command::kDownload,
        .commandName = "download",
        .output = "x.omx",
        .exportFile = "y.txt",
        .full = true,
        .yes = true}},
      {{"export", "-o=b.txt", "a.omx", "--virtual"},
       {.virtualAdapter = true,
        .command = Command::kExport,
        .commandName = "export",
        .recordFile = "a.omx",
        .recordFiles = {"a.omx"},
        .output = "b.txt"}},
      {{"write-text", "--name", "-x", "--comment=", "--yes"},
       {.command = Command::kWriteText,
        .commandName = "write-text",
        .yes = true,
        .name = "-x",
        .comment = ""}},
      {{"launch", "--start", "2026-01-15T09:30", "--rate", "5", "--rollover", "--test"},
       {.command = Command::kLaunch,
        .commandName = "launch",
        .rate = "5",
        .start = "2026-01-15T09:30",
        .rollover = true,
        .test = true}},
      {{"--archive", "postgresql://lab@db:5432/probes", "archive", "list", "--serial", "S1",
        "--since", "2026-01-01T00:00", "--limit=50", "--offset", "100", "--format", "json"},
       {.archive = "postgresql://lab@db:5432/probes",
        .command = Command::kArchive,
        .archiveCommand = ArchiveCommand::kList,
        .commandName = "archive list",
        .json = true,
        .serial = "S1",
        .since = "2026-01-01T00:00",
        .limit = "50",
        .offset = "100"}},
      {{"archive", "show", "12"},
       {.command = Command::kArchive,
        .archiveCommand = ArchiveCommand::kShow,
        .commandName = "archive show",
        .archiveId = 12}},
      {{"--yes", "archive", "-o", "e.omx", "export", "9007199254740993"},
       {.command = Command::kArchive,
        .archiveCommand = ArchiveCommand::kExport,
        .commandName = "archive export",
        .output = "e.omx",
        .yes = true,
        .archiveId = 9'007'199'254'740'993}},
      {{"archive", "import", "a.omx", "b.omx"},
       {.command = Command::kArchive,
        .archiveCommand = ArchiveCommand::kImport,
        .commandName = "archive import",
        .importFiles = {"a.omx", "b.omx"}}},
      {{"download", "--help"},
       {.help = true, .command = Command::kDownload, .commandName = "download"}},
      {{"-h", "archive"}, {.help = true, .command = Command::kArchive, .commandName = "archive"}},
  };
#pragma GCC diagnostic pop
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    cli::Options parsed;
    std::string error;
    ASSERT_TRUE(cli::ParseCommandLine(c.arguments, parsed, error)) << error;
    EXPECT_TRUE(parsed == c.expected);
  }
}

// A command's --help (or -h) is its part of the whole help: the same lines, with the options it
// takes and not those it does not.
TEST_F(CliTest, EachCommandHasItsOwnHelp) {
  const CliResult whole = Run("--help");
  ASSERT_EQ(whole.code, 0);
  struct Case {
    const char* line;
    const char* usage;
    const char* takes;
    const char* refuses;
  };
  const Case cases[] = {
      {"status --help", "status [--format json]", "--format text|json", "--output"},
      {"download -h", "download -o FILE.omx [--export FILE.txt] [--full]", "--output", "--format"},
      {"export --help", "export FILE.omx... -o FILE.txt", "--yes  ", "--check"},
      {"show -h", "show FILE.omx", "--format text|json", "--yes"},
      {"report --help", "report FILE.omx... -o FILE.pdf", "--delay MINUTES", "--format"},
      {"launch -h", "launch --rate N", "Dates are read", "--yes"},
      {"stop --help", "stop --yes", "--no-archive", "--format"},
      {"clear -h", "clear --yes", "--yes  ", "--output"},
      {"switch-off --help", "switch-off --yes", "--yes  ", "--output"},
      {"set-clock -h", "set-clock --yes", "--yes  ", "--output"},
      {"write-text --help", "write-text [--name TEXT]", "--yes  ", "--format"},
      {"archive list -h", "archive list [--serial S]", "Dates are read", "--no-archive"},
      {"archive show --help", "archive show ID", "--format text|json", "--yes"},
      {"archive export -h", "archive export ID -o FILE.omx", "--output", "--no-archive"},
      {"archive import --help", "archive import FILE.omx...", "--archive LOCATION", "--yes"},
      {"--help archive", "archive list", "archive import", "--no-archive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const CliResult r = Run(c.line);
    EXPECT_EQ(r.code, 0);
    EXPECT_THAT(r.out, HasSubstr(c.usage));
    EXPECT_THAT(r.out, HasSubstr(c.takes));
    EXPECT_THAT(r.out, Not(HasSubstr(c.refuses)));
    // Every line but the headings of its own says what the whole help says.
    for (const QString& line : QString::fromStdString(r.out).split(u'\n', Qt::SkipEmptyParts)) {
      if (line.startsWith(u"Usage: ") || line == u"Global options:") continue;
      EXPECT_THAT(whole.out, HasSubstr(line.trimmed().toStdString()));
    }
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

  // A file from elsewhere whose dates read both ways is refused until --date-order says which;
  // the order settles only what has two readings.
  record.setFileName(Path("us.omx"));
  ASSERT_TRUE(record.open(QIODevice::WriteOnly));
  record.write(
      "<Status>\r\nVersion=256\r\nMissionStart=12/8/2026 11:26:41 AM\r\n"
      "DownloadTime=2026-12-18 09:00:00\r\n");
  record.close();
  for (const char* line : {"show us.omx", "--archive a.sqlite archive import us.omx"}) {
    const CliResult r = Run(line);
    EXPECT_EQ(r.code, 8) << line;
    EXPECT_THAT(r.err, HasSubstr("reads as Wednesday, 12 August 2026 11:26:41 day first and "
                                 "as Tuesday, 8 December 2026 11:26:41 month first"));
    EXPECT_THAT(r.err, HasSubstr("Give --date-order dmy when"));
  }
  for (const char* order : {"dmy", "mdy"}) {
    const CliResult shown =
        Run((std::string("--date-order ") + order + " show us.omx --format json").c_str());
    EXPECT_EQ(shown.code, 0) << shown.err;
    const QJsonObject fields =
        QJsonDocument::fromJson(QByteArray::fromStdString(shown.out)).object()["Record"].toObject();
    EXPECT_EQ(fields["MissionStartIso"].toString(),
              *order == 'd' ? "2026-08-12T11:26:41+02:00" : "2026-12-08T11:26:41+01:00");
    EXPECT_EQ(fields["DownloadTimeIso"].toString(), "2026-12-18T09:00:00+01:00");
  }
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
