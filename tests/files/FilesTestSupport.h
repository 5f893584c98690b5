#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ProbeRecord.h"

namespace ombrix::testing {

// Sets the default locale for one scope and restores the previous one.
class LocaleGuard {
 public:
  explicit LocaleGuard(const char* name) {
    QLocale::setDefault(QLocale(QString::fromLatin1(name)));
  }
  ~LocaleGuard() { QLocale::setDefault(previous_); }

 private:
  QLocale previous_;
};

// Limits the size of every file this process writes, as a full disk does: writes beyond the limit
// fail (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  void (*handler_)(int);
  rlimit previous_{};
};

// Runs `attempt` without the superuser's right to write everywhere: as the user "nobody" in a child
// process when the tests run as root, else directly. Returns the attempt's result.
template <class Attempt>
bool AsOrdinaryUser(Attempt attempt) {
  if (geteuid() != 0) return attempt();
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(attempt() ? 1 : 0);
  }
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "child status " << status;
  return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

inline constexpr auto kReadOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

inline std::string ReadBytes(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file's lines without their CR LF ends.
inline std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; start < bytes.size(); start = end + 2) {
    end = std::min(bytes.find("\r\n", start), bytes.size());
    lines.push_back(bytes.substr(start, end - start));
  }
  return lines;
}

// A scratch folder for each test.
class FileTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  void Write(const char* name, const std::string& bytes) const {
    std::ofstream(Path(name).toStdString(), std::ios::binary) << bytes;
  }
  QStringList Entries(const char* folder = ".") const {
    return QDir(Path(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }

  QTemporaryDir dir;
};

// The record of the golden files: four samples from 12:00 local time, 10 minutes apart.
inline std::unique_ptr<TProbeRecord> GoldenRecord() {
  auto probe = std::make_unique<TProbeRecord>();
  probe->SerialNumber = 0xA200000000000028ULL;
  probe->Name = "K\xFChlschrank \"3\"";
  probe->Comment = "Vaccines\r\nshelf 2";
  probe->MemoryClear = false;
  probe->MissionInProgress = true;
  probe->StartTime = EncodeDateTime(2021, 7, 1, 12, 0, 0);
  probe->MissionStart = EncodeDateTime(2021, 7, 1, 11, 55, 30);
  probe->MissionSamples = probe->ReadSamples = 4;
  probe->SamplesTotal = 1234;
  probe->LogBuffer = {130, 127, 0, 255};  // 25.0, 23.5, -40.0 and 87.5 degrees
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  return probe;
}

}  // namespace ombrix::testing
