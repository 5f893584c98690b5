#pragma once

#include <cstddef>

#include <sys/types.h>

namespace ombrix {

// The system calls through which SafeFile writes, syncs and renames: the real ones, unless a test
// has put others in place to watch their order or make one of them fail.
struct FileSystemCalls {
  int (*Open)(const char* path, int flags, mode_t mode);
  ssize_t (*Write)(int fd, const void* data, std::size_t size);
  int (*Fsync)(int fd);
  int (*Close)(int fd);
  int (*Rename)(const char* from, const char* to);
  int (*Unlink)(const char* path);
};

// The calls in use now.
const FileSystemCalls& CurrentFileSystemCalls();
// The system's own calls.
const FileSystemCalls& RealFileSystemCalls();

// Puts other calls in place for its lifetime. For tests; the calls must outlive the guard.
class ScopedFileSystemCalls {
 public:
  explicit ScopedFileSystemCalls(const FileSystemCalls& calls);
  ~ScopedFileSystemCalls();
  ScopedFileSystemCalls(const ScopedFileSystemCalls&) = delete;
  ScopedFileSystemCalls& operator=(const ScopedFileSystemCalls&) = delete;

 private:
  const FileSystemCalls* previous_;
};

}  // namespace ombrix
