#include "SafeFile.h"

#include "FileSystemCalls.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ombrix {

namespace {

// Bytes kept before they are handed to the system: large enough that a whole record of 8000
// samples takes a handful of writes.
constexpr std::size_t kBufferSize = 64 * 1024;

// ".%08x": the random end of a temporary file's name.
constexpr std::size_t kSuffixLength = 9;

// The temporary file's name without its random end: "." and the target's name, cut where needed so
// that the whole name stays within the longest name a folder entry can have. The cut never splits
// a UTF-8 character.
std::string HiddenName(std::string name) {
  const std::size_t room = NAME_MAX - 1 - kSuffixLength;
  if (name.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return "." + name;
}

// Makes the rename itself durable. Some file systems cannot sync a folder; the file is already in
// place by then, so this is done as well as the system allows.
void SyncFolder(const std::string& folder) {
  const FileSystemCalls& calls = CurrentFileSystemCalls();
  const int fd = calls.Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return;
  (void)calls.Fsync(fd);
  calls.Close(fd);
}

}  // namespace

SafeFile::SafeFile(const QString& path) : display_(path.toStdString()) {
  // A link is followed, so that the file it names is replaced and the link stays.
  QFileInfo info(path);
  if (info.isSymLink()) info.setFile(info.symLinkTarget());
  target_ = QFile::encodeName(info.absoluteFilePath()).toStdString();

  // Only a regular file is replaced: a folder, a device, a pipe or a socket stays as it is, and
  // nothing is created beside it.
  struct stat old {};
  const bool replaces = ::stat(target_.c_str(), &old) == 0;
  if (replaces && !S_ISREG(old.st_mode)) {
    error_ = "Cannot replace \"" + display_ + "\": not a regular file";
    return;
  }

  const std::string folder = QFile::encodeName(info.absolutePath()).toStdString();
  const std::string hidden =
      folder + "/" + HiddenName(QFile::encodeName(info.fileName()).toStdString());
  const FileSystemCalls& calls = CurrentFileSystemCalls();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[kSuffixLength + 1];
    std::snprintf(suffix, sizeof suffix, ".%08x", QRandomGenerator::global()->generate());
    temporary_ = hidden + suffix;
    fd_ = calls.Open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0 || errno != EEXIST) break;
  }
  if (fd_ < 0) {
    Fail("Cannot create", errno);
    temporary_.clear();
    return;
  }
  // A file that is replaced keeps its permissions.
  if (replaces) (void)::fchmod(fd_, old.st_mode & 07777);
  buffer_.reserve(kBufferSize);
}

SafeFile::~SafeFile() {
  Discard();
}

void SafeFile::Write(std::string_view bytes) {
  if (fd_ < 0 || !error_.empty()) return;
  buffer_.append(bytes);
  if (buffer_.size() >= kBufferSize) Flush();
}

void SafeFile::Flush() {
  if (fd_ < 0 || !error_.empty()) return;
  const char* data = buffer_.data();
  std::size_t left = buffer_.size();
  while (left > 0) {
    const ssize_t written = CurrentFileSystemCalls().Write(fd_, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write", errno);
      return;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  buffer_.clear();
}

bool SafeFile::Commit() {
  if (fd_ < 0) return false;
  const FileSystemCalls& calls = CurrentFileSystemCalls();
  Flush();
  if (error_.empty() && calls.Fsync(fd_) != 0) Fail("Cannot write", errno);
  const int fd = fd_;
  fd_ = -1;
  if (calls.Close(fd) != 0 && error_.empty()) Fail("Cannot write", errno);
  if (error_.empty() && calls.Rename(temporary_.c_str(), target_.c_str()) != 0) {
    Fail("Cannot replace", errno);
  }
  if (!error_.empty()) {
    Discard();
    return false;
  }
  temporary_.clear();
  const std::size_t slash = target_.rfind('/');
  SyncFolder(slash == 0 ? std::string("/") : target_.substr(0, slash));
  return true;
}

void SafeFile::Fail(const char* what, int error) {
  if (!error_.empty()) return;
  error_ = std::string(what) + " \"" + display_ + "\": " + std::strerror(error);
}

void SafeFile::Discard() {
  const FileSystemCalls& calls = CurrentFileSystemCalls();
  if (fd_ >= 0) {
    calls.Close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    calls.Unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace ombrix
