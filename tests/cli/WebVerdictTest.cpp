// The listing pages judge a download by its listing columns where those decide the verdict: there
// it must be the verdict its samples give, for every kind of limits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "Archive.h"
#include "ArchiveRecords.h"
#include "Pages.h"
#include "SvgGraph.h"

namespace ombrix::testing {
namespace {

TEST(ListedVerdict, IsTheVerdictOfTheSamplesWhereverTheColumnsDecideIt) {
  QTemporaryDir folder;
  ArchiveLocation location;
  location.path = folder.filePath(QStringLiteral("a.sqlite")).toStdString();
  TArchive archive(location);
  std::string error;
  ASSERT_TRUE(archive.Open(error)) << error;
  // Samples from 0 to 24.5 degrees that never stay beyond 5 or 20 degrees for three samples; one
  // that stays at 30 degrees for 40 minutes; one without samples.
  std::vector<std::unique_ptr<TProbeRecord>> records;
  records.push_back(MakeRecord(0x2800000000000001ULL, "a", 1'780'000'000, 400, 1'780'300'000));
  records.push_back(MakeRecord(0x2800000000000002ULL, "b", 1'780'000'000, 400, 1'780'300'001));
  for (int i = 100; i < 104; ++i) records.back()->LogBuffer[i] = 140;
  records.back()->DecodeLog();
  records.push_back(MakeRecord(0x2800000000000003ULL, "c", 1'780'000'000, 0, 1'780'300'002));
  for (const auto& record : records) {
    StoreResult stored;
    ASSERT_TRUE(archive.Store(*record, CurrentProvenance("", "download", "2.10"), stored, error))
        << error;
  }
  std::vector<ArchiveEntry> entries;
  ASSERT_TRUE(archive.List(ArchiveFilter{}, entries, error)) << error;
  ASSERT_EQ(entries.size(), records.size());

  const auto limits = [](std::optional<double> low, std::optional<double> high, int delay) {
    TemperatureLimits l;
    l.low = low;
    l.high = high;
    l.delayMinutes = delay;
    return l;
  };
  const std::vector<TemperatureLimits> cases{
      limits({}, {}, 0),     limits({}, {}, 30),  limits(0, 24.5, 0), limits(0, 30, 30),
      limits(0.5, {}, 0),    limits({}, 24, 0),   limits(5, 20, 0),   limits(5, 20, 30),
      limits(5, 20, 10),     limits(-10, 25, 40), limits({}, 25, 30), limits({}, 25, 50),
      limits(-10, 29.5, 30), limits(-10, 30, 1),
  };
  int decided = 0, undecided = 0;
  for (const ArchiveEntry& e : entries) {
    const TProbeRecord& record = *records[static_cast<std::size_t>(e.id - 1)];
    for (const TemperatureLimits& l : cases) {
      SCOPED_TRACE("entry " + std::to_string(e.id) + ", limits " +
                   std::to_string(l.low.value_or(-99)) + " to " +
                   std::to_string(l.high.value_or(99)) + ", delay " +
                   std::to_string(l.delayMinutes));
      const std::optional<Verdict> listed = web::ListedVerdict(e, l);
      if (!listed) {
        ++undecided;
        continue;
      }
      ++decided;
      EXPECT_EQ(*listed, ComputeStatistics(record, l).verdict);
    }
  }
  // Both ways are taken: by the columns, and by the samples.
  EXPECT_GT(decided, 30);
  EXPECT_GT(undecided, 3);
}

// A full log is drawn with at most two points a unit of width, and every peak of it is among them;
// a zoomed part of few samples is drawn sample by sample.
TEST(SvgGraph, KeepsEveryPeakOfAFullLogAndEverySampleOfAZoomedPart) {
  auto record = MakeRecord(0x2800000000000001ULL, "a", 1'780'000'000, TProbeRecord::kLogSize,
                           1'780'000'000 + 600 * TProbeRecord::kLogSize);
  record->LogBuffer[4321] = 250;  // one sample far above all others
  record->LogBuffer[777] = 0;     // and one far below
  record->DecodeLog();
  const auto points = [](const QString& svg) {
    const QRegularExpression list(QStringLiteral("points=\"([^\"]*)\""));
    return list.match(svg).captured(1).split(u' ');
  };
  const web::GraphRange range = web::RangeOf(*record, {});
  const QStringList all = points(web::SvgGraph(*record, {}));
  EXPECT_LE(all.size(), 2 * 721);  // both edges of the 720 units wide plot
  EXPECT_GT(all.size(), 720);
  // The highest sample is drawn at the top of the range's margin, the lowest at its bottom.
  const auto drawnAt = [&](double celsius) {
    const double y = 10 + 250 * (range.high - celsius) / (range.high - range.low);
    return all.filter(u',' + QString::number(y, 'f', 1)).size();
  };
  EXPECT_EQ(drawnAt(record->Samples[4321].Temperature), 1);
  EXPECT_EQ(drawnAt(record->Samples[777].Temperature), 1);
  EXPECT_EQ(points(web::SvgGraph(*record, {}, 100, 199)).size(), 100);
}

}  // namespace
}  // namespace ombrix::testing
