// archive_store_tool ARCHIVE FIRST COUNT
// Stores the downloads FIRST .. FIRST+COUNT-1 of the test series into the archive, each in its
// own transaction, and prints "stored S duplicates D". Two of these run at once in the tests.
#include <cstdio>
#include <string>

#include "Archive.h"
#include "ArchiveRecords.h"

int main(int argc, char** argv) {
  using namespace ombrix;
  ArchiveLocation location;
  std::string error;
  if (argc != 4 || !ParseArchiveLocation(argv[1], location, error)) {
    std::fprintf(stderr, "usage: archive_store_tool ARCHIVE FIRST COUNT %s\n", error.c_str());
    return 2;
  }
  const int first = std::stoi(argv[2]);
  const int count = std::stoi(argv[3]);
  TArchive archive(location);
  const ArchiveProvenance provenance = CurrentProvenance("", "store tool", "test");
  int stored = 0;
  int duplicates = 0;
  for (int i = first; i < first + count; ++i) {
    StoreResult result;
    if (!archive.Store(*testing::SeriesRecord(i), provenance, result, error)) {
      std::fprintf(stderr, "download %d: %s\n", i, error.c_str());
      return 1;
    }
    ++(result.duplicate ? duplicates : stored);
  }
  std::printf("stored %d duplicates %d\n", stored, duplicates);
  return 0;
}
