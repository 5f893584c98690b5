// The CSV export read back by an independent reader (Python's csv module), across both summer-time
// switches of a year, with names that need quoting and a code page to convert.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimeZone>

#include "CsvExport.h"
#include "FilesTestSupport.h"

namespace ombrix::testing {
namespace {

// Reads the file with csv.reader (strict quoting) and prints, as JSON, the header, every row's
// fields, the instant and UTC offset its time parses to, and whether the instants of each probe
// increase strictly.
constexpr const char* kReader = R"(
import csv, json, sys
from datetime import datetime
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    rows = list(csv.reader(f, strict=True))
last, increasing, out = {}, True, []
for r in rows[1:]:
    t = datetime.fromisoformat(r[3])
    if t.tzinfo is None:
        sys.exit('no offset: ' + r[3])
    utc = int(t.timestamp())
    increasing = increasing and (r[0] not in last or utc > last[r[0]])
    last[r[0]] = utc
    out.append({'fields': r, 'utc': utc, 'offset': int(t.utcoffset().total_seconds() // 60),
                'sample': int(r[2]), 'celsius': float(r[5])})
print(json.dumps({'header': rows[0], 'rows': out, 'increasing': increasing}))
)";

std::int64_t Utc(int year, int month, int day, int hour, int minute) {
  return QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone::utc())
      .toSecsSinceEpoch();
}

// A record of `count` samples every 30 minutes from `start`; temperatures fall by half a degree a
// sample from `firstRaw` (raw probe bytes: 0 is -40 degrees, 2 per degree).
std::unique_ptr<TProbeRecord> Mission(std::uint64_t serial, std::string name, std::int64_t start,
                                      int count, int firstRaw) {
  auto record = std::make_unique<TProbeRecord>();
  record->SerialNumber = serial;
  record->Name = std::move(name);
  record->SampleRate = 30;
  record->MemoryClear = false;
  record->MissionSamples = record->ReadSamples = record->SamplesTotal = count;
  for (int i = 0; i < count; ++i) record->LogBuffer[i] = static_cast<std::uint8_t>(firstRaw - i);
  record->SetStartSeconds(start);
  record->DecodeLog();
  return record;
}

QJsonObject ReadBack(const QString& path) {
  QProcess python;
  python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(kReader), path});
  EXPECT_TRUE(python.waitForFinished(60000)) << "python3 did not run";
  EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
  QJsonParseError error{};
  const QJsonDocument json = QJsonDocument::fromJson(python.readAllStandardOutput(), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  return json.object();
}

class CsvExportTest : public FileTest {};

TEST_F(CsvExportTest, ReadsBackAcrossBothSummerTimeSwitchesWithNamesThatNeedQuoting) {
  LocaleGuard locale("de_DE");  // a decimal comma, which the file must not use
  const std::int64_t spring = Utc(2021, 3, 27, 23, 0);
  const std::int64_t autumn = Utc(2021, 10, 30, 23, 0);
  // Windows-1252: 0xFC is u-umlaut, 0x80 the euro sign, 0xB0 the degree sign.
  const auto march = Mission(0xA200000000000028ULL, "K\xFChl, \"A\" \xB0", spring, 10, 79);
  const auto october = Mission(0x4F00000012345678ULL, "Tiefk\xFChl\r\n\x80", autumn, 10, 20);
  const TProbeRecord empty;
  const std::vector<const TProbeRecord*> records = {march.get(), nullptr, &empty, october.get()};
  std::string error;
  ASSERT_TRUE(ExportCsv(records, DefaultCodePage(), Path("both.csv"), &error)) << error;
  const std::string bytes = ReadBytes(Path("both.csv"));
  EXPECT_EQ(bytes, CsvText(records, DefaultCodePage()));

  // CR LF ends every line, also the one inside the quoted name; plain fields stand unquoted.
  for (std::size_t lf = bytes.find('\n'); lf != std::string::npos; lf = bytes.find('\n', lf + 1)) {
    ASSERT_TRUE(lf > 0 && bytes[lf - 1] == '\r') << "bare LF at " << lf;
  }
  EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")),
            "serial_number,name,sample,time,local_time,temperature_c");
  EXPECT_EQ(bytes.find("\"28 00"), std::string::npos);

  const QJsonObject file = ReadBack(Path("both.csv"));
  EXPECT_EQ(file["header"].toArray(),
            QJsonArray({"serial_number", "name", "sample", "time", "local_time", "temperature_c"}));
  EXPECT_TRUE(file["increasing"].toBool());
  const QJsonArray rows = file["rows"].toArray();
  ASSERT_EQ(rows.size(), 20);

  // What the program's time must show: before 01:00 UTC on the switch days one offset, after it
  // the other; in October the local 02:00 and 02:30 come twice.
  const char* const kSpringTimes[] = {"2021-03-28T00:00:00+01:00", "2021-03-28T00:30:00+01:00",
                                      "2021-03-28T01:00:00+01:00", "2021-03-28T01:30:00+01:00",
                                      "2021-03-28T03:00:00+02:00", "2021-03-28T03:30:00+02:00",
                                      "2021-03-28T04:00:00+02:00", "2021-03-28T04:30:00+02:00",
                                      "2021-03-28T05:00:00+02:00", "2021-03-28T05:30:00+02:00"};
  const char* const kAutumnTimes[] = {"2021-10-31T01:00:00+02:00", "2021-10-31T01:30:00+02:00",
                                      "2021-10-31T02:00:00+02:00", "2021-10-31T02:30:00+02:00",
                                      "2021-10-31T02:00:00+01:00", "2021-10-31T02:30:00+01:00",
                                      "2021-10-31T03:00:00+01:00", "2021-10-31T03:30:00+01:00",
                                      "2021-10-31T04:00:00+01:00", "2021-10-31T04:30:00+01:00"};
  const struct {
    const char* serial;
    QString name;
    std::int64_t start;
    std::int64_t switchAt;
    int offsetBefore;
    double firstCelsius;
    const char* const* times;
  } expected[] = {
      {"28 00 00 00 00 00 00 A2", QString::fromUtf8("K\u00fchl, \"A\" \u00b0"), spring,
       Utc(2021, 3, 28, 1, 0), 60, -0.5, kSpringTimes},
      {"78 56 34 12 00 00 00 4F", QString::fromUtf8("Tiefk\u00fchl\r\n\u20ac"), autumn,
       Utc(2021, 10, 31, 1, 0), 120, -30.0, kAutumnTimes},
  };
  for (int r = 0; r < rows.size(); ++r) {
    const auto& want = expected[r / 10];
    const int i = r % 10;
    const QJsonObject row = rows[r].toObject();
    const QJsonArray fields = row["fields"].toArray();
    SCOPED_TRACE(QJsonDocument(fields).toJson(QJsonDocument::Compact).toStdString());
    ASSERT_EQ(fields.size(), 6);
    EXPECT_EQ(fields[0].toString(), want.serial);
    EXPECT_EQ(fields[1].toString(), want.name);
    EXPECT_EQ(row["sample"].toInt(), i + 1);
    EXPECT_EQ(fields[3].toString(), want.times[i]);
    const std::int64_t utc = want.start + i * 1800;
    EXPECT_EQ(row["utc"].toInteger(), utc);
    EXPECT_EQ(row["offset"].toInt(),
              utc < want.switchAt ? want.offsetBefore : 180 - want.offsetBefore);
    EXPECT_DOUBLE_EQ(row["celsius"].toDouble(), want.firstCelsius - 0.5 * i);
    // The local text names the same wall-clock time as the ISO form.
    TDateTime local = 0;
    ASSERT_TRUE(TextToDateTime(fields[4].toString(), local));
    int year, month, day, hour, minute, second, ms;
    DecodeDateTime(local, year, month, day, hour, minute, second, ms);
    EXPECT_EQ(
        QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second),
        fields[3].toString().left(19));
  }
}

TEST_F(CsvExportTest, FieldsAreQuotedOnlyWhenTheyMustBe) {
  for (const auto& [text, field] : {std::pair<std::string, std::string>{"", ""},
                                    {"Fridge 2", "Fridge 2"},
                                    {" -12.5 ", " -12.5 "},
                                    {"K\xC3\xBChl;ok", "K\xC3\xBChl;ok"},
                                    {"a,b", "\"a,b\""},
                                    {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                    {"\"", "\"\"\"\""},
                                    {"line\rbreak", "\"line\rbreak\""},
                                    {"line\nbreak", "\"line\nbreak\""}}) {
    EXPECT_EQ(CsvField(text), field) << text;
  }
}

TEST_F(CsvExportTest, NoRecordsGiveTheHeaderAndAFailedWriteLeavesTheFileAlone) {
  EXPECT_EQ(CsvText({}, DefaultCodePage()),
            "serial_number,name,sample,time,local_time,temperature_c\r\n");
  Write("kept.csv", "old");
  const auto record = Mission(1, "x", Utc(2021, 6, 1, 10, 0), 3, 100);
  {
    FileSizeLimit full(64);  // the disk fills during the write
    std::string error;
    EXPECT_FALSE(ExportCsv({record.get()}, DefaultCodePage(), Path("kept.csv"), &error));
    EXPECT_NE(error.find("kept.csv"), std::string::npos) << error;
  }
  EXPECT_EQ(ReadBytes(Path("kept.csv")), "old");
  EXPECT_EQ(Entries(), QStringList{"kept.csv"});
}

}  // namespace
}  // namespace ombrix::testing
