#include <gmock/gmock.h>

#include <algorithm>

#include "ArchiveRecords.h"
#include "ArchiveTesting.h"
#include "probe/ProbeRig.h"

namespace ombrix::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::int64_t kDay = 86'400;
constexpr std::int64_t kT0 = 1'655'000'000;  // June 2022

const ArchiveProvenance kProvenance{"Ombrix adapter (USB serial OMX1)", "lab-3", "anna", "2.10",
                                    "download"};

using ArchiveContract = ArchiveTest;

TEST_P(ArchiveContract, StoresOnceAndGivesBackEveryFieldNewestFirst) {
  std::vector<std::unique_ptr<TProbeRecord>> records;
  records.push_back(MakeRecord(0x28A1, "Fridge 2", kT0, 300, kT0 + 2 * kDay));
  records.push_back(MakeRecord(0x28B2, "K\xFChlraum", kT0, 9000, kT0 + 70 * kDay, 1));
  records.push_back(MakeRecord(0x28A1, "", kT0 + 3 * kDay, 0, kT0 + 3 * kDay + 60));
  // The same readings from a file edited after it was saved are an entry of their own.
  records.push_back(std::make_unique<TProbeRecord>(*records[1]));
  records.back()->ChangedAfterSave = true;
  TArchive archive(location_);
  std::string error;
  std::vector<std::int64_t> ids;
  for (const auto& record : records) {
    StoreResult result;
    ASSERT_TRUE(archive.Store(*record, kProvenance, result, error)) << error;
    EXPECT_FALSE(result.duplicate);
    ids.push_back(result.id);
  }
  StoreResult again;
  ASSERT_TRUE(
      archive.Store(*records[1], CurrentProvenance("", "import k.omx", "2.10"), again, error));
  EXPECT_TRUE(again.duplicate);
  EXPECT_EQ(again.id, ids[1]);

  // Another program sees the entries, newest download first, each as it was stored.
  TArchive reader(location_);
  std::vector<ArchiveEntry> entries;
  ASSERT_TRUE(reader.List({}, entries, error)) << error;
  std::vector<std::int64_t> listed;
  for (const ArchiveEntry& e : entries) listed.push_back(e.id);
  EXPECT_EQ(listed, (std::vector{ids[3], ids[1], ids[2], ids[0]}));
  auto loaded = std::make_unique<TProbeRecord>();
  for (std::size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(i);
    const TProbeRecord& r = *records[i];
    ArchiveEntry entry;
    ASSERT_TRUE(reader.Load(ids[i], *loaded, &entry, error)) << error;
    ExpectSameRecord(*loaded, r);
    EXPECT_EQ(entry.serialText, r.SerialNumberText());
    EXPECT_EQ(entry.downloadSeconds, DateTimeToProbeSeconds(r.DownloadTime));
    EXPECT_EQ(entry.samples, r.HeldSamples());
    EXPECT_EQ(entry.changed, r.ChangedAfterSave);
    EXPECT_EQ(entry.contentHash, ContentHash(r));
    EXPECT_EQ(entry.provenance.adapter, kProvenance.adapter);
    EXPECT_EQ(entry.provenance.user, "anna");
    if (r.HeldSamples() > 0) {
      const auto [low, high] = std::minmax_element(
          r.Samples.begin(), r.Samples.begin() + r.HeldSamples(),
          [](const Sample& a, const Sample& b) { return a.Temperature < b.Temperature; });
      EXPECT_EQ(entry.minimum, low->Temperature);
      EXPECT_EQ(entry.maximum, high->Temperature);
    }
  }
  EXPECT_FALSE(reader.Load(9999, *loaded, nullptr, error));
  EXPECT_EQ(error, "There is no entry 9999 in the archive \"" + location_.Text() + "\".");
}

TEST_P(ArchiveContract, FiltersBySerialTextAndDownloadTime) {
  struct Stored {
    std::uint64_t serial;
    const char* name;
  };
  // Downloaded on days 1 to 4.
  const Stored stored[] = {
      {0x28A1, "Fridge 2"}, {0x28B2, "Freezer"}, {0x28A1, "Fridge 2"}, {0x5C03, "K\xDChlraum"}};
  TArchive archive(location_);
  std::string error;
  for (int day = 1; day <= 4; ++day) {
    StoreResult result;
    const Stored& s = stored[day - 1];
    ASSERT_TRUE(archive.Store(*MakeRecord(s.serial, s.name, kT0, 100 + day, kT0 + day * kDay),
                              kProvenance, result, error))
        << error;
  }
  struct Case {
    const char* what;
    std::optional<std::uint64_t> serial;
    const char* text;
    std::optional<std::int64_t> from, to;
    int limit;
    std::vector<int> days;
  };
  const std::int64_t day2 = kT0 + 2 * kDay, day3 = kT0 + 3 * kDay;
  const Case cases[] = {
      {"serial", 0x28A1, "", {}, {}, 0, {3, 1}},
      {"name in other case", {}, "FRIDGE", {}, {}, 0, {3, 1}},
      {"Latin-1 letter in other case", {}, "k\xFChl", {}, {}, 0, {4}},
      {"comment", {}, "\xE4pfel", {}, {}, 0, {4, 3, 2, 1}},
      {"serial text", {}, "b2 28", {}, {}, 0, {2}},
      {"inclusive bounds", {}, "", day2, day3, 0, {3, 2}},
      {"serial and text", 0x28A1, "freezer", {}, {}, 0, {}},
      {"limit", {}, "", {}, {}, 2, {4, 3}},
  };
  for (const Case& c : cases) {
    ArchiveFilter filter;
    filter.serialNumber = c.serial;
    filter.text = c.text;
    filter.fromSeconds = c.from;
    filter.toSeconds = c.to;
    filter.limit = c.limit;
    std::vector<ArchiveEntry> entries;
    ASSERT_TRUE(archive.List(filter, entries, error)) << error;
    std::vector<int> days;
    for (const ArchiveEntry& e : entries) days.push_back((e.downloadSeconds - kT0) / kDay);
    EXPECT_EQ(days, c.days) << c.what;
  }
}

// Windows of the listing (limit, offset, with and without a filter) are the matching slices of
// the whole listing, whose order is download time, then id, both descending; the listing handed
// over entry by entry stops when told to, and the count covers every entry the filter lets pass.
TEST_P(ArchiveContract, ListsInWindowsOfAStableOrderEntryByEntry) {
  // Downloaded at these seconds after kT0, two pairs in the same second; probe 0x28A1 or 0x28B2.
  const std::int64_t seconds[] = {100, 300, 300, 500, 200, 500, 50};
  TArchive archive(location_);
  std::string error;
  for (int i = 0; i < 7; ++i) {
    StoreResult result;
    ASSERT_TRUE(
        archive.Store(*MakeRecord(i % 2 ? 0x28B2 : 0x28A1, "Fridge", kT0, 10 + i, kT0 + seconds[i]),
                      kProvenance, result, error))
        << error;
    ASSERT_EQ(result.id, i + 1);
  }
  const auto ids = [&](const ArchiveFilter& filter) {
    std::vector<std::int64_t> listed;
    EXPECT_TRUE(archive.List(
        filter,
        [&](const ArchiveEntry& e) {
          listed.push_back(e.id);
          return true;
        },
        error))
        << error;
    return listed;
  };
  const std::vector<std::int64_t> all = ids({});
  EXPECT_EQ(all, (std::vector<std::int64_t>{6, 4, 3, 2, 5, 1, 7}));
  ArchiveFilter serial;
  serial.serialNumber = 0x28B2;
  const std::vector<std::int64_t> ofSerial = ids(serial);
  EXPECT_EQ(ofSerial, (std::vector<std::int64_t>{6, 4, 2}));

  struct Case {
    bool bySerial;
    std::int64_t limit, offset;
  };
  const Case cases[] = {{false, 3, 0}, {false, 3, 2},  {false, 2, 5}, {false, 4, 6}, {false, 0, 3},
                        {false, 1, 7}, {false, 0, 99}, {true, 1, 1},  {true, 0, 2},  {true, 5, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "serial " << c.bySerial << " limit " << c.limit << " offset " << c.offset);
    ArchiveFilter filter = c.bySerial ? serial : ArchiveFilter{};
    filter.limit = c.limit;
    filter.offset = c.offset;
    const std::vector<std::int64_t>& whole = c.bySerial ? ofSerial : all;
    const auto from = whole.begin() + std::min<std::int64_t>(c.offset, whole.size());
    const auto to =
        c.limit == 0 ? whole.end() : from + std::min<std::int64_t>(c.limit, whole.end() - from);
    EXPECT_EQ(ids(filter), std::vector<std::int64_t>(from, to));
  }

  int handed = 0;
  EXPECT_TRUE(archive.List(
      {}, [&](const ArchiveEntry&) { return ++handed < 2; }, error));
  EXPECT_EQ(handed, 2);
  std::int64_t count = 0;
  ASSERT_TRUE(archive.Count(serial, count, error)) << error;
  EXPECT_EQ(count, 3);
  serial.limit = 1;  // a window does not change the count
  ASSERT_TRUE(archive.Count(serial, count, error)) << error;
  EXPECT_EQ(count, 3);
}

TEST_P(ArchiveContract, FindMissionGivesTheLatestDownloadOfTheSameMission) {
  ProbeRig rig;
  VirtualProbe::Mission mission;
  rig.probe->Stop(rig.Now());
  rig.probe->Clear(mission.rate, mission.rollover, rig.Now());
  GiveReadyMission(*rig.probe, rig.bus, 300 * 600, mission);
  ASSERT_TRUE(rig.live->DetectProbe());
  TArchive archive(location_);
  std::string error;
  std::unique_ptr<TProbeRecord> earlier;
  bool found = true;
  ASSERT_TRUE(archive.FindMission(*rig.live, earlier, found, error)) << error;
  EXPECT_FALSE(found);

  std::unique_ptr<TProbeRecord> first;
  StoreResult result;
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(rig.Download());
    ASSERT_TRUE(archive.Store(*rig.downloaded, kProvenance, result, error)) << error;
    if (i == 0) first = std::move(rig.downloaded);
    rig.clock.Advance(3 * 3'600'000);
  }
  ASSERT_GT(rig.downloaded->MissionSamples, first->MissionSamples);
  // Records with more samples that differ in one of serial, mission start, rate or test mode.
  const TProbeStatus& s = *rig.live;
  const std::int64_t later = kT0 + 400 * kDay;
  auto serial = MakeRecord(s.SerialNumber + 1, "s", s.MissionStartSeconds, 5000, later);
  auto start = MakeRecord(s.SerialNumber, "m", s.MissionStartSeconds + 60, 5000, later);
  auto rate = MakeRecord(s.SerialNumber, "r", s.MissionStartSeconds, 5000, later);
  rate->SampleRate = 11;
  auto test = MakeRecord(s.SerialNumber, "t", s.MissionStartSeconds, 5000, later);
  test->Test = true;
  for (const auto* other : {serial.get(), start.get(), rate.get(), test.get()})
    ASSERT_TRUE(archive.Store(*other, kProvenance, result, error)) << error;
  // An imported file of the same mission, with more samples, is never what a download builds on.
  auto imported = std::make_unique<TProbeRecord>(*rig.downloaded);
  imported->MissionSamples += 100;
  imported->ReadSamples += 100;
  imported->DecodeLog();
  ASSERT_TRUE(
      archive.Store(*imported, CurrentProvenance("", "import edited.omx", "2.10"), result, error))
      << error;
  ASSERT_TRUE(archive.FindMission(*rig.live, earlier, found, error)) << error;
  ASSERT_TRUE(found);
  ExpectSameRecord(*earlier, *rig.downloaded);
}

// An entry changed behind the archive's back is refused when it is loaded, and so never becomes
// the base of a download either.
// Stored rows cannot be changed or deleted through the database; and where the database's owner
// takes the triggers away and changes them anyway, verification finds and names each change, and
// an entry whose content no longer matches is never loaded.
TEST_P(ArchiveContract, TamperingInTheDatabaseIsRefusedOrFound) {
  const bool sqlite = GetParam() == Backend::kSqlite;
  const auto fill = [&](TArchive& archive) {
    std::string error;
    StoreResult stored;
    for (const auto& record : {MakeRecord(0x28A1, "Fridge 2", kT0, 8000, kT0 + 70 * kDay),
                               MakeRecord(0x28A2, "Fridge 3", kT0, 100, kT0 + 71 * kDay)}) {
      ASSERT_TRUE(archive.Store(*record, kProvenance, stored, error)) << error;
    }
    AuditEvent launch;
    launch.action = "launch";
    launch.probeSerial = SerialNumberText(0x28A1);
    launch.newValue = "rate=10";
    ASSERT_TRUE(archive.Append(CurrentActor("test"), launch, error)) << error;
  };
  if (!sqlite) {
    // The role of the program's users, made by the database administrator beforehand.
    Sql(
        {"DO $$ BEGIN CREATE ROLE ombrix_users; EXCEPTION WHEN duplicate_object THEN NULL; END "
         "$$"});
  }
  {
    TArchive archive(location_);
    fill(archive);
    if (!sqlite) {
      EXPECT_EQ(Sql({"SELECT has_table_privilege('ombrix_users', 'ombrix_audit', 'INSERT') AND "
                     "NOT has_table_privilege('ombrix_users', 'ombrix_audit', 'UPDATE') AND NOT "
                     "has_table_privilege('ombrix_users', 'ombrix_entries', 'DELETE') AND "
                     "has_table_privilege('ombrix_users', 'ombrix_schema', 'SELECT')"})
                    .toBool(),
                true);
    }
    for (const char* change :
         {"UPDATE ombrix_entries SET maximum = 99.5", "DELETE FROM ombrix_entries WHERE id = 2",
          "UPDATE ombrix_audit SET action = 'stop' WHERE seq = 3",
          "DELETE FROM ombrix_audit WHERE seq = 3"}) {
      EXPECT_THAT(SqlRefusal(QString::fromLatin1(change)), HasSubstr("kept as written")) << change;
    }
    TArchive::VerifyReport report;
    std::string error;
    ASSERT_TRUE(archive.Verify({}, report, error)) << error;
    EXPECT_EQ(report.entries, 2);
    EXPECT_EQ(report.rows, 3);
    EXPECT_TRUE(report.faults.empty()) << report.faults.front();
  }

  const struct {
    const char* what;
    QStringList changes;
    const char* fault;
  } cases[] = {
      {"a sample",
       {QStringLiteral("UPDATE ombrix_entries SET log = %1 WHERE id = 1")
            .arg(sqlite ? "CAST(X'51' || substr(log, 2) AS BLOB)"
                        : "overlay(log placing '\\x51'::bytea from 1)")},
       "entry 1: its content does not match its hash"},
      {"a log longer than its samples",
       {QStringLiteral("UPDATE ombrix_entries SET log = %1 WHERE id = 1")
            .arg(sqlite ? "CAST(log || X'51' AS BLOB)" : "log || '\\x51'::bytea")},
       "entry 1: its log does not hold the samples it announces"},
      {"a listing column",
       {"UPDATE ombrix_entries SET maximum = 99.5 WHERE id = 2"},
       "entry 2: its listing columns do not match its content (maximum)"},
      {"the download time",
       {"UPDATE ombrix_entries SET download_seconds = download_seconds - 31536000"},
       "entry 1: its listing columns do not match its content (download_seconds)"},
      {"a provenance field",
       {"UPDATE ombrix_entries SET adapter = 'forged' WHERE id = 2"},
       "entry 2: its provenance differs from audit row 2, which stored it"},
      {"an audit row changed",
       {"UPDATE ombrix_audit SET new_value = 'rate=1' WHERE seq = 3"},
       "audit row 3: its fields do not match its hash (the row was changed)"},
      {"an audit row deleted",
       {"DELETE FROM ombrix_audit WHERE seq = 2"},
       "audit row 3: follows row 1, so rows are missing"},
      {"audit rows reordered",
       {"UPDATE ombrix_audit SET seq = 100 WHERE seq = 2",
        "UPDATE ombrix_audit SET seq = 2 WHERE seq = 3",
        "UPDATE ombrix_audit SET seq = 3 WHERE seq = 100"},
       "audit row 2: does not hold the hash of the row before it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    location_ = NewLocation();
    TArchive archive(location_);
    fill(archive);
    Sql(DropGuards() + c.changes);
    TArchive::VerifyReport report;
    std::string error;
    ASSERT_TRUE(archive.Verify({}, report, error)) << error;
    ASSERT_FALSE(report.faults.empty());
    EXPECT_EQ(report.faults.front(), c.fault);
    if (QString(c.what).startsWith(u'a') && c.changes.front().contains(u"log")) {
      auto loaded = std::make_unique<TProbeRecord>();
      EXPECT_FALSE(archive.Load(1, *loaded, nullptr, error));
      std::unique_ptr<TProbeRecord> earlier;
      bool found = false;
      EXPECT_FALSE(archive.FindMission(*MakeRecord(0x28A1, "Fridge 2", kT0, 8000, kT0), earlier,
                                       found, error));
    }
  }

  // Every fault is named, the chain's before the entries'; an entry's provenance is judged by the
  // first row that stored it, whatever rows claim it later; numbers asked for that name no entry
  // are faults too.
  location_ = NewLocation();
  TArchive archive(location_);
  fill(archive);
  AuditEvent later;
  later.action = "import";
  later.entryId = 1;
  later.newValue = "content_hash=" + std::string(64, 'f') + "\nsource=import";
  std::string error;
  ASSERT_TRUE(archive.Append(CurrentActor("test"), later, error)) << error;
  Sql(DropGuards() + QStringList{"DELETE FROM ombrix_audit WHERE seq = 2",
                                 "UPDATE ombrix_entries SET maximum = 99.5 WHERE id = 1"});
  TArchive::VerifyReport report;
  ASSERT_TRUE(archive.Verify({}, report, error)) << error;
  EXPECT_EQ(report.entries, 2);
  EXPECT_EQ(report.rows, 3);
  EXPECT_THAT(report.faults,
              ElementsAre("audit row 3: follows row 1, so rows are missing",
                          "entry 1: its listing columns do not match its content (maximum)",
                          "entry 2: the audit trail has no row that stored it"));
  ASSERT_TRUE(archive.Verify({2, 7}, report, error)) << error;
  EXPECT_EQ(report.entries, 1);
  EXPECT_THAT(report.faults, ElementsAre("audit row 3: follows row 1, so rows are missing",
                                         "entry 2: the audit trail has no row that stored it",
                                         "entry 7: there is no such entry in the archive"));
}

TEST_P(ArchiveContract, UpgradesOlderSchemasInPlaceAndRefusesANewerSchema) {
  std::vector<std::unique_ptr<TProbeRecord>> records;
  records.push_back(MakeRecord(0x28A1, "Fridge 2", kT0, 9000, kT0 + 70 * kDay));
  records.push_back(MakeRecord(0x28A1, "Fridge 2", kT0 + 71 * kDay, 0, kT0 + 71 * kDay));
  // The columns each older schema did not have yet.
  const struct {
    int version;
    QStringList missing;
  } older[] = {
      {1, {"samples", "minimum", "maximum", "changed_after_save"}},
      {2, {"changed_after_save"}},
      {3, {}},
      {4, {}},
  };
  std::string error;
  for (const auto& schema : older) {
    SCOPED_TRACE(schema.version);
    location_ = NewLocation();
    {
      TArchive archive(location_);
      StoreResult result;
      for (const auto& r : records) ASSERT_TRUE(archive.Store(*r, kProvenance, result, error));
    }
    // Before schema 5 there were no keys and signatures, before 4 no audit trail and nothing
    // guarded the rows.
    QStringList statements = DropGuards();
    statements << "DROP TABLE ombrix_keys"
               << "DROP TABLE ombrix_key_events"
               << "DROP TABLE ombrix_signatures";
    if (location_.kind == ArchiveLocation::Kind::kSqlite) {
      statements << "DROP INDEX ombrix_entries_listing";
    }
    if (schema.version < 4) statements << "DROP TABLE ombrix_audit";
    for (const QString& column : schema.missing)
      statements << "ALTER TABLE ombrix_entries DROP COLUMN " + column;
    statements << QStringLiteral("UPDATE ombrix_schema SET version = %1").arg(schema.version);
    Sql(statements);

    TArchive archive(location_);
    ASSERT_TRUE(archive.Open(error)) << error;
    EXPECT_EQ(Sql({"SELECT version FROM ombrix_schema"}).toInt(), 5);
    // Each entry stored before gets its store row, and the chain holds.
    TArchive::VerifyReport report;
    ASSERT_TRUE(archive.Verify({}, report, error)) << error;
    EXPECT_EQ(report.rows, 2);
    EXPECT_TRUE(report.faults.empty()) << report.faults.front();
    std::vector<ArchiveEntry> entries;
    ASSERT_TRUE(archive.List({}, entries, error)) << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].samples, 0);
    EXPECT_EQ(entries[1].samples, 8000);
    EXPECT_EQ(entries[1].minimum, 0.0f);   // log byte 80
    EXPECT_EQ(entries[1].maximum, 24.5f);  // log byte 129
    auto loaded = std::make_unique<TProbeRecord>();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      EXPECT_FALSE(entries[i].changed);
      // Load checks the stored hash against the content read back.
      ASSERT_TRUE(archive.Load(entries[i].id, *loaded, nullptr, error)) << error;
      ExpectSameRecord(*loaded, *records[1 - i]);
    }
  }

  Sql({"UPDATE ombrix_schema SET version = 6"});
  TArchive archive(location_);
  std::vector<ArchiveEntry> entries;
  EXPECT_FALSE(archive.List({}, entries, error));
  EXPECT_EQ(error, "The archive \"" + location_.Text() +
                       "\" was written by a newer version of Ombrix (schema 6); this version "
                       "reads schema 5 and older.");
}

OMBRIX_ON_BOTH_BACKENDS(ArchiveContract);

}  // namespace
}  // namespace ombrix::testing
