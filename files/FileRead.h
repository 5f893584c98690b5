#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

#include "Bytes.h"

namespace ombrix {

// How reading a whole file ended.
enum class ReadOutcome { kRead, kMissing, kNotRegular, kTooLarge, kFailed };

struct FileBytes {
  ReadOutcome outcome = ReadOutcome::kFailed;
  std::string bytes;  // the whole file when kRead
  std::string error;  // names the file and the reason otherwise
};

// Reads a whole file of at most maxBytes bytes. Only a regular file (or a link to one) is read: a
// FIFO, a device, a socket or a folder is refused before a byte is read, so that nothing can block
// the caller or stream without end, and a file larger than maxBytes is refused whole.
FileBytes ReadRegularFile(const QString& path, std::size_t maxBytes);

// A file name as messages show it: characters that are not printable become '?', so that a name
// cannot carry terminal control sequences into a message.
std::string ShownFileName(const QString& path);

}  // namespace ombrix
