#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace ombrix {

// Writes a file so that whatever was there survives every failure. The bytes go to a temporary
// file in the same folder; Commit flushes it to disk and renames it over the target in one step.
// Until Commit succeeds the target is never touched, and a SafeFile destroyed without a successful
// Commit removes its temporary file. Only a regular file is replaced: a target that is a folder, a
// device, a pipe or a socket (also behind a link) is refused before anything is created. Every
// write error (full disk, read-only folder, I/O error) is kept and makes Commit fail; nothing is
// ever reported as written that is not on the disk.
class SafeFile {
 public:
  explicit SafeFile(const QString& path);
  ~SafeFile();
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;

  // False when the target is not a regular file or the temporary file could not be created;
  // Error() says why.
  bool IsOpen() const { return fd_ >= 0; }

  // Buffered; errors are kept for Commit.
  void Write(std::string_view bytes);
  // Hands the buffered bytes to the system.
  void Flush();
  // Flushes, syncs the file to disk, closes it and renames it over the target, then syncs the
  // folder. False on any error (Error() names the file and the reason); the target is then as it
  // was before. The file is closed after Commit in every case.
  bool Commit();

  const std::string& Error() const { return error_; }

 private:
  void Fail(const char* what, int error);
  void Discard();

  std::string target_;     // file-system encoding of the target path
  std::string temporary_;  // same folder, hidden name
  std::string display_;    // the target path as the user gave it, for messages
  std::string buffer_;
  std::string error_;
  int fd_ = -1;
};

}  // namespace ombrix
