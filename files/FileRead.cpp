#include "FileRead.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ombrix {

namespace {

FileBytes Failure(ReadOutcome outcome, const QString& path, const std::string& reason) {
  FileBytes result;
  result.outcome = outcome;
  result.error = "The file \"" + ShownFileName(path) + "\" " + reason;
  return result;
}

FileBytes SystemFailure(const QString& path, int error) {
  if (error == ENOENT) return Failure(ReadOutcome::kMissing, path, "does not exist.");
  return Failure(ReadOutcome::kFailed, path,
                 std::string("cannot be read: ") + std::strerror(error));
}

FileBytes CheckKind(const QString& path, const struct stat& info, std::size_t maxBytes) {
  if (!S_ISREG(info.st_mode))
    return Failure(ReadOutcome::kNotRegular, path, "is not a regular file.");
  if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
    return Failure(ReadOutcome::kTooLarge, path,
                   "is too large: " + std::to_string(info.st_size) + " bytes, more than " +
                       std::to_string(maxBytes) + ".");
  }
  FileBytes fine;
  fine.outcome = ReadOutcome::kRead;
  return fine;
}

}  // namespace

FileBytes ReadRegularFile(const QString& path, std::size_t maxBytes) {
  const QByteArray name = QFile::encodeName(path);
  struct stat info {};
  if (::stat(name.constData(), &info) != 0) return SystemFailure(path, errno);
  if (FileBytes kind = CheckKind(path, info, maxBytes); kind.outcome != ReadOutcome::kRead) {
    return kind;
  }
  // Not blocking: should the name have become a FIFO since the check, opening it cannot wait for
  // a writer, and the check after opening refuses it.
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return SystemFailure(path, errno);
  FileBytes result;
  if (::fstat(fd, &info) != 0) {
    result = SystemFailure(path, errno);
  } else {
    result = CheckKind(path, info, maxBytes);
  }
  if (result.outcome == ReadOutcome::kRead) {
    // One byte more than allowed is asked for, so that a file that grew meanwhile is noticed.
    result.bytes.resize(maxBytes + 1);
    std::size_t size = 0;
    while (size < result.bytes.size()) {
      const ssize_t got = ::read(fd, result.bytes.data() + size, result.bytes.size() - size);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        result = SystemFailure(path, errno);
        break;
      }
      if (got == 0) break;
      size += static_cast<std::size_t>(got);
    }
    if (result.outcome == ReadOutcome::kRead) {
      if (size > maxBytes) {
        info.st_size = static_cast<off_t>(size);
        result = CheckKind(path, info, maxBytes);
      } else {
        result.bytes.resize(size);
      }
    }
  }
  ::close(fd);
  return result;
}

std::string ShownFileName(const QString& path) {
  QString shown = path;
  for (QChar& c : shown) {
    if (!c.isPrint() && !c.isSurrogate()) c = u'?';
  }
  return shown.toStdString();
}

}  // namespace ombrix
