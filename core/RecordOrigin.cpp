#include "RecordOrigin.h"

namespace ombrix {

std::string OriginText(const RecordOrigin& origin) {
  const std::string entry = "archive entry " + std::to_string(origin.archiveEntry);
  switch (origin.kind) {
    case RecordOrigin::Kind::kNone:
      return {};
    case RecordOrigin::Kind::kDownload: {
      std::string text = "Downloaded";
      if (origin.notArchived) {
        text += ", not archived";
      } else if (origin.archiveEntry != 0) {
        text += ", " + entry;
      }
      if (origin.incremental) text += " (incremental download)";
      return text;
    }
    case RecordOrigin::Kind::kFile:
      return "Opened from " + origin.file;
    case RecordOrigin::Kind::kArchive:
      return "Opened from " + entry;
  }
  return {};
}

}  // namespace ombrix
