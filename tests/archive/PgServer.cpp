#include "PgServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ombrix::testing {

namespace {

// The bin folder of the newest PostgreSQL installed the Debian way, or "".
std::string ServerBinaries() {
  QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs);
  std::sort(versions.begin(), versions.end(),
            [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
  for (const QString& version : versions) {
    const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(version);
    if (QFile::exists(bin + QStringLiteral("initdb"))) return bin.toStdString();
  }
  return {};
}

// A port of 127.0.0.1 that nothing listens on right now.
int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  close(s);
  return port;
}

ArchiveLocation Local(int port, const std::string& database) {
  ArchiveLocation location;
  location.kind = ArchiveLocation::Kind::kPostgres;
  location.host = "127.0.0.1";
  location.port = port;
  location.user = "ombrix";
  location.database = database;
  return location;
}

const passwd* ServerUser() {
  return geteuid() == 0 ? getpwnam("postgres") : nullptr;
}

}  // namespace

bool PgServer::Run(const std::string& program, const std::vector<std::string>& arguments,
                   std::string& output) const {
  QStringList words;
  if (ServerUser())
    words << QStringLiteral("-u") << QStringLiteral("postgres") << QStringLiteral("--");
  words << QString::fromStdString(bin_ + program);
  for (const std::string& argument : arguments) words << QString::fromStdString(argument);
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.setWorkingDirectory(QString::fromStdString(folder_));
  const QString runner = ServerUser() ? QStringLiteral("runuser") : words.takeFirst();
  process.start(runner, words);
  const bool finished = process.waitForFinished(120'000);
  output = process.readAll().toStdString();
  if (!finished)
    output += "(" + program + " did not finish: " + process.errorString().toStdString() + ")";
  return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool PgServer::Start(std::string& error, bool durable) {
  if (Running()) return true;
  bin_ = ServerBinaries();
  if (bin_.empty()) {
    error =
        "PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb; apt-get install "
        "postgresql).";
    return false;
  }
  char folder[] = "/tmp/ombrix-pg-XXXXXX";
  if (!mkdtemp(folder)) {
    error = "cannot make a temporary folder for the PostgreSQL server";
    return false;
  }
  folder_ = folder;
  if (const passwd* user = ServerUser()) {
    if (chown(folder, user->pw_uid, user->pw_gid) != 0) {
      error = "cannot hand " + folder_ + " to the user postgres";
      Stop();
      return false;
    }
  }
  StartWatchdog();
  std::string output;
  const std::string data = folder_ + "/data";
  if (!Run("initdb",
           {"-D", data, "-A", "trust", "-U", "ombrix", "-E", "UTF8", "--locale=C", "--no-sync"},
           output)) {
    error = "initdb failed:\n" + output;
    Stop();
    return false;
  }
  std::string options = "-k " + folder_ + " -c listen_addresses=127.0.0.1";
  if (!durable) options += " -c fsync=off -c synchronous_commit=off -c full_page_writes=off";
  // Another program may take the free port before the server does: then try another.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int port = FreePort();
    if (Run("pg_ctl",
            {"-D", data, "-l", folder_ + "/log", "-w", "-t", "60", "-o",
             "-p " + std::to_string(port) + " " + options, "start"},
            output)) {
      port_ = port;
      return true;
    }
  }
  QFile log(QString::fromStdString(folder_ + "/log"));
  log.open(QIODevice::ReadOnly);
  error = "pg_ctl start failed:\n" + output + "\nServer log:\n" + log.readAll().toStdString();
  Stop();
  return false;
}

void PgServer::Stop() {
  if (folder_.empty()) return;
  std::string output;
  if (port_ != 0) Run("pg_ctl", {"-D", folder_ + "/data", "-m", "fast", "-w", "stop"}, output);
  port_ = 0;
  QDir(QString::fromStdString(folder_)).removeRecursively();
  folder_.clear();
  if (watchdogPipe_ >= 0) {
    close(watchdogPipe_);
    waitpid(watchdogPid_, nullptr, 0);
    watchdogPipe_ = -1;
  }
}

// A child that waits for the end of this process (its pipe closes) and then stops whatever server
// is left and removes the folder.
void PgServer::StartWatchdog() {
  const std::string pgCtl = (ServerUser() ? "runuser -u postgres -- " : "") + bin_ + "pg_ctl";
  // An initdb still running may write for a moment after the first removal.
  const std::string script = "read x; if [ -d " + folder_ + "/data ]; then " + pgCtl + " -D " +
                             folder_ + "/data -m immediate stop >/dev/null 2>&1; fi; " +
                             "for i in 1 2 3 4 5; do rm -rf " + folder_ + "; [ -e " + folder_ +
                             " ] || break; sleep 1; done";
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(ends[0], 0);
    execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ends[0]);
  if (pid < 0) {
    close(ends[1]);
    return;
  }
  watchdogPipe_ = ends[1];
  watchdogPid_ = pid;
}

bool PgServer::CreateDatabase(const std::string& name, ArchiveLocation& location,
                              std::string& error) {
  std::string output;
  if (!Run("createdb", {"-h", "127.0.0.1", "-p", std::to_string(port_), "-U", "ombrix", name},
           output)) {
    error = "createdb " + name + " failed: " + output;
    return false;
  }
  location = Local(port_, name);
  return true;
}

ArchiveLocation PgServer::Unreachable() {
  return Local(FreePort(), "archive");
}

}  // namespace ombrix::testing
