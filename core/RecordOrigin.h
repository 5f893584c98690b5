#pragma once

#include <cstdint>
#include <string>

namespace ombrix {

// Where a held record came from. The file it belongs to is kept beside it by the front end: a new
// download belongs to none, so that saving it always asks for a name.
struct RecordOrigin {
  enum class Kind { kNone, kDownload, kFile, kArchive };
  Kind kind = Kind::kNone;
  // The archive entry it was stored as (a download) or opened from; 0: none.
  std::int64_t archiveEntry = 0;
  // A download: whether only what was new since the archive's earlier download was read, and
  // whether storing it in the archive failed.
  bool incremental = false;
  bool notArchived = false;
  // A file: the path it was opened from (UTF-8).
  std::string file;
};

// One line for the user, in the program's language (English unless the window translates), e.g.
// "Downloaded, archive entry 12 (incremental download)", "Opened from archive entry 12", "Opened
// from /data/fridge.omx"; empty for kNone.
std::string OriginText(const RecordOrigin& origin);

}  // namespace ombrix
