#include <QProcess>

#include <set>

#include "ArchiveRecords.h"
#include "ArchiveTesting.h"

namespace ombrix::testing {
namespace {

using ConcurrentStores = ArchiveTest;

// Two programs store 100 downloads each into one new archive at the same time: every download is
// there once, and the programs' own counts of stored and duplicate downloads agree with it.
TEST_P(ConcurrentStores, TwoProgramsAtOnceLoseNothingAndStoreNothingTwice) {
  struct Case {
    const char* what;
    int secondFirst;  // the first download of the second program; the first one starts at 0
    int entries;
  };
  for (const Case& c :
       {Case{"different downloads", 100, 200}, Case{"the same downloads", 0, 100}}) {
    SCOPED_TRACE(c.what);
    const ArchiveLocation location = NewLocation();
    QProcess programs[2];
    for (int i = 0; i < 2; ++i) {
      programs[i].start(QStringLiteral(OMBRIX_ARCHIVE_STORE_TOOL),
                        {QString::fromStdString(location.Text()),
                         QString::number(i == 0 ? 0 : c.secondFirst), QStringLiteral("100")});
    }
    int stored = 0;
    int duplicates = 0;
    for (QProcess& program : programs) {
      ASSERT_TRUE(program.waitForFinished(120'000));
      const QString output = QString::fromUtf8(program.readAllStandardOutput());
      ASSERT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
      const QStringList words = output.split(u' ');
      ASSERT_EQ(words.size(), 4) << output.toStdString();
      stored += words[1].toInt();
      duplicates += words[3].toInt();
    }
    EXPECT_EQ(stored, c.entries);
    EXPECT_EQ(duplicates, 200 - c.entries);

    TArchive archive(location);
    std::vector<ArchiveEntry> entries;
    std::string error;
    ASSERT_TRUE(archive.List({}, entries, error)) << error;
    std::set<std::string> hashes;
    for (const ArchiveEntry& entry : entries) hashes.insert(entry.contentHash);
    std::set<std::string> expected;
    for (int i = 0; i < c.secondFirst + 100; ++i) expected.insert(ContentHash(*SeriesRecord(i)));
    EXPECT_EQ(entries.size(), static_cast<std::size_t>(c.entries));
    EXPECT_TRUE(hashes == expected);
  }
}

OMBRIX_ON_BOTH_BACKENDS(ConcurrentStores);

}  // namespace
}  // namespace ombrix::testing
