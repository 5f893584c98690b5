#include "FileSystemCalls.h"

#include <atomic>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace ombrix {

namespace {

const FileSystemCalls kReal{
    [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
    [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); },
    [](int fd) { return ::fsync(fd); },
    [](int fd) { return ::close(fd); },
    [](const char* from, const char* to) { return std::rename(from, to); },
    [](const char* path) { return ::unlink(path); },
};

std::atomic<const FileSystemCalls*> current{&kReal};

}  // namespace

const FileSystemCalls& CurrentFileSystemCalls() {
  return *current.load();
}

const FileSystemCalls& RealFileSystemCalls() {
  return kReal;
}

ScopedFileSystemCalls::ScopedFileSystemCalls(const FileSystemCalls& calls)
    : previous_(current.exchange(&calls)) {}

ScopedFileSystemCalls::~ScopedFileSystemCalls() {
  current.store(previous_);
}

}  // namespace ombrix
