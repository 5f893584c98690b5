#include "CliRunner.h"

#include <QFile>
#include <QProcess>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Clock.h"
#include "Scenarios.h"
#include "TimeConversion.h"
#include "VirtualBus.h"

namespace ombrix::testing {

namespace {

constexpr const char* kLocale = "LC_ALL=de_DE.UTF-8";

}  // namespace

CliResult RunCli(const QString& directory, const QStringList& arguments, const QByteArray& input,
                 const QStringList& wrapper) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
  // Each test's downloads go to an archive in its own folder.
  environment.insert(QStringLiteral("XDG_DATA_HOME"), directory + QStringLiteral("/data"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), directory + QStringLiteral("/config"));
  process.setProcessEnvironment(environment);
  process.setWorkingDirectory(directory);
  if (wrapper.isEmpty()) {
    process.start(QStringLiteral(OMBRIX_CLI_PATH), arguments);
  } else {
    process.start(wrapper[0],
                  wrapper.mid(1) + QStringList{QStringLiteral(OMBRIX_CLI_PATH)} + arguments);
  }
  process.write(input);
  process.closeWriteChannel();
  CliResult result;
  if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit) {
    ADD_FAILURE() << "ombrix-cli did not finish: " << process.errorString().toStdString();
    return result;
  }
  result.code = process.exitCode();
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  return result;
}

CliResult RunCliInTerminal(const QString& directory, const QStringList& arguments) {
  const std::string out = (directory + QStringLiteral("/terminal-stdout")).toStdString();
  std::vector<std::string> words{OMBRIX_CLI_PATH};
  for (const QString& argument : arguments) words.push_back(argument.toStdString());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string dir = directory.toStdString();

  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    // stderr stays on the terminal; stdout goes to a file.
    if (!freopen(out.c_str(), "w", stdout) || chdir(dir.c_str()) != 0) _exit(126);
    putenv(const_cast<char*>(kLocale));
    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  CliResult result;
  if (child < 0) {
    ADD_FAILURE() << "forkpty failed";
    return result;
  }
  char buffer[4096];
  ssize_t n = 0;
  while ((n = read(terminal, buffer, sizeof buffer)) > 0) result.err.append(buffer, n);
  close(terminal);
  int status = 0;
  waitpid(child, &status, 0);
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFile(QString::fromStdString(out));
  return result;
}

void WriteState(const QString& path, const std::string& scenario, int year, int month, int day,
                int hour, int minute, int second,
                const std::function<void(VirtualState&)>& change) {
  VirtualClock clock(LocalTimeToSeconds(year, month, day, hour, minute, second) * 1000);
  VirtualBus bus(clock, LinkTiming::Instant());
  ASSERT_TRUE(BuildScenario(bus, scenario));
  VirtualState state;
  state.scenario = scenario;
  state.utcMilliseconds = clock.UtcMilliseconds();
  CaptureProbes(bus, state);
  if (change) change(state);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray::fromStdString(FormatVirtualState(state)));
}

VirtualState ReadState(const QString& path) {
  VirtualState state;
  std::string error;
  EXPECT_TRUE(ParseVirtualState(ReadFile(path), state, error)) << error;
  return state;
}

std::string ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

}  // namespace ombrix::testing
