#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileSystemCalls.h"
#include "FilesTestSupport.h"
#include "SafeFile.h"

namespace ombrix::testing {
namespace {

// Puts calls in place that log what SafeFile does, as "fsync temp", "rename temp to PATH", ... and
// hand on to the system's own calls. The call whose log line starts with `failing` fails with EIO
// instead (a failing close still closes).
class CallLog {
 public:
  explicit CallLog(std::string failing = {}) : guard_(kCalls) {
    lines.clear();
    temporary.clear();
    roles.clear();
    fails = std::move(failing);
  }

  static inline std::vector<std::string> lines;
  static inline std::string temporary;  // the path of the temporary file

 private:
  // Logs `line` (a repeated write once) and says whether the call is to fail.
  static bool Log(const std::string& line) {
    if (lines.empty() || lines.back() != line || line != "write temp") lines.push_back(line);
    if (fails.empty() || line.rfind(fails, 0) != 0) return false;
    errno = EIO;
    return true;
  }
  static std::string Role(int fd) { return roles.count(fd) ? roles[fd] : "fd"; }

  static inline std::map<int, std::string> roles;
  static inline std::string fails;
  static constexpr FileSystemCalls kCalls{
      [](const char* path, int flags, mode_t mode) {
        const bool folder = flags & O_DIRECTORY;
        if (Log(folder ? "open folder " + std::string(path) : "open temp")) return -1;
        const int fd = RealFileSystemCalls().Open(path, flags, mode);
        if (fd >= 0) roles[fd] = folder ? "folder" : "temp";
        if (fd >= 0 && !folder) temporary = path;
        return fd;
      },
      [](int fd, const void* data, std::size_t size) -> ssize_t {
        if (Log("write " + Role(fd))) return -1;
        return RealFileSystemCalls().Write(fd, data, size);
      },
      [](int fd) {
        if (Log("fsync " + Role(fd))) return -1;
        return RealFileSystemCalls().Fsync(fd);
      },
      [](int fd) {
        const bool fail = Log("close " + Role(fd));
        roles.erase(fd);
        const int result = RealFileSystemCalls().Close(fd);
        if (fail) errno = EIO;
        return fail ? -1 : result;
      },
      [](const char* from, const char* to) {
        if (Log((from == temporary ? "rename temp to " : "rename other to ") + std::string(to))) {
          return -1;
        }
        return RealFileSystemCalls().Rename(from, to);
      },
      [](const char* path) {
        if (Log(path == temporary ? "unlink temp" : "unlink " + std::string(path))) return -1;
        return RealFileSystemCalls().Unlink(path);
      },
  };
  ScopedFileSystemCalls guard_;
};

using SafeFileTest = FileTest;

TEST_F(SafeFileTest, SyncsTheDataBeforeTheRenameAndTheFolderAfterItAndKeepsTheOldFileOnAnyFailure) {
  const std::string target = Path("x.omx").toStdString();
  const std::string written = "Cannot write \"" + target + "\": Input/output error";
  const std::vector<std::string> renamed{"open temp",
                                         "write temp",
                                         "fsync temp",
                                         "close temp",
                                         "rename temp to " + target,
                                         "open folder " + dir.path().toStdString(),
                                         "fsync folder",
                                         "close folder"};
  const struct {
    const char* failing;
    std::string error;  // empty: Commit succeeds
    std::vector<std::string> calls;
  } cases[] = {
      {"", "", renamed},
      // The rename is on the disk as far as the file system allows; the file is already in place.
      {"fsync folder", "", renamed},
      {"fsync temp",
       written,
       {"open temp", "write temp", "fsync temp", "close temp", "unlink temp"}},
      {"close temp",
       written,
       {"open temp", "write temp", "fsync temp", "close temp", "unlink temp"}},
      {"rename",
       "Cannot replace \"" + target + "\": Input/output error",
       {"open temp", "write temp", "fsync temp", "close temp", "rename temp to " + target,
        "unlink temp"}},
  };
  const std::string chunk(70 * 1024, 'b');  // more than the buffer: each is written at once
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failing);
    Write("x.omx", "old");
    {
      CallLog log(c.failing);
      SafeFile file(Path("x.omx"));
      for (int i = 0; i < 3; ++i) file.Write(chunk);
      EXPECT_EQ(file.Commit(), c.error.empty());
      EXPECT_EQ(file.Error(), c.error);
      EXPECT_EQ(CallLog::lines, c.calls);
    }
    EXPECT_EQ(ReadBytes(Path("x.omx")), c.error.empty() ? chunk + chunk + chunk : "old");
    EXPECT_EQ(Entries(), QStringList{"x.omx"});
  }
}

TEST_F(SafeFileTest, NamesUpToTheLongestAFolderTakesAreSaved) {
  std::string umlauts;
  for (int i = 0; i < 127; ++i) umlauts += "\xC3\xBC";
  for (const std::string& name : {std::string(246, 'a'), std::string(255, 'n'), umlauts + "a"}) {
    SCOPED_TRACE(name.size());
    const QString path = dir.filePath(QString::fromUtf8(name));
    std::ofstream(QFile::encodeName(path).toStdString()) << "old";
    CallLog log;
    SafeFile file(path);
    file.Write("new");
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_EQ(ReadBytes(path), "new");
    EXPECT_EQ(Entries(), QStringList{QString::fromUtf8(name)});
    // The temporary name is cut between characters, never inside one.
    const std::string temporary = CallLog::temporary.substr(CallLog::temporary.rfind('/') + 1);
    EXPECT_LE(temporary.size(), 255u);
    EXPECT_EQ(QString::fromUtf8(temporary).toUtf8().toStdString(), temporary);
    ASSERT_TRUE(QFile::remove(path));
  }
}

TEST_F(SafeFileTest, OnlyARegularFileIsReplaced) {
  ASSERT_EQ(mkfifo(Path("fifo").toStdString().c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/null", Path("null").toStdString().c_str()), 0);
  ASSERT_EQ(symlink("/dev/zero", Path("zero").toStdString().c_str()), 0);
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
  const struct {
    const char* name;
    const char* link;  // what the link names; empty for the file itself
    mode_t type;
  } cases[] = {
      {"fifo", "", S_IFIFO},
      {"null", "/dev/null", S_IFCHR},
      {"zero", "/dev/zero", S_IFCHR},
      {"folder", "", S_IFDIR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(c.name).toStdString();
    {
      CallLog log("open");  // were the check missing, nothing would be created beside a device
      SafeFile file(Path(c.name));
      EXPECT_FALSE(file.IsOpen());
      EXPECT_EQ(file.Error(), "Cannot replace \"" + path + "\": not a regular file");
      file.Write("new");
      EXPECT_FALSE(file.Commit());
      EXPECT_EQ(CallLog::lines, std::vector<std::string>{});  // nothing created, nothing renamed
    }
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & S_IFMT, c.type);
    EXPECT_EQ(QFileInfo(Path(c.name)).symLinkTarget(), QString::fromLatin1(c.link));
  }
}

}  // namespace
}  // namespace ombrix::testing
