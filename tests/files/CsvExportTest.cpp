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
    t = datetime.fromisoformat(r[3])  # utcoffset() is None, and fails below, without an offset
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

// Ten samples every 30 minutes from `start`; temperatures fall by half a degree a sample from
// `firstRaw` (raw probe bytes: 0 is -40 degrees, 2 per degree).
std::unique_ptr<TProbeRecord> Mission(std::uint64_t serial, std::string name, std::int64_t start,
                                      int firstRaw) {
  auto record = std::make_unique<TProbeRecord>();
  record->SerialNumber = serial;
  record->Name = std::move(name);
  record->SampleRate = 30;
  record->MissionSamples = record->ReadSamples = 10;
  for (int i = 0; i < 10; ++i) record->LogBuffer[i] = static_cast<std::uint8_t>(firstRaw - i);
  record->SetStartSeconds(start);
  record->DecodeLog();
  return record;
}

class CsvExportTest : public FileTest {};

TEST_F(CsvExportTest, ReadsBackAcrossBothSummerTimeSwitchesWithNamesThatNeedQuoting) {
  LocaleGuard locale("de_DE");  // a decimal comma, which the file must not use
  // Windows-1252: 0xFC is u-umlaut, 0x80 the euro sign, 0xB0 the degree sign.
  const struct {
    std::string serial, name;
    std::int64_t start, switchAt;
    int offsetBefore;
    double firstCelsius;
  } want[] = {{"28 00 00 00 00 00 00 A2", "K\u00fchl, \"A\" \u00b0", Utc(2021, 3, 27, 23, 0),
               Utc(2021, 3, 28, 1, 0), 60, -0.5},
              {"78 56 34 12 00 00 00 4F", "Tiefk\u00fchl\r\n\u20ac", Utc(2021, 10, 30, 23, 0),
               Utc(2021, 10, 31, 1, 0), 120, -30.0}};
  const auto march = Mission(0xA200000000000028ULL, "K\xFChl, \"A\" \xB0", want[0].start, 79);
  const auto october = Mission(0x4F00000012345678ULL, "Tiefk\xFChl\r\n\x80", want[1].start, 20);
  const TProbeRecord empty;  // adds no rows, nor does a null record
  const std::vector<const TProbeRecord*> records = {march.get(), nullptr, &empty, october.get()};
  std::string error;
  ASSERT_TRUE(ExportCsv(records, DefaultCodePage(), Path("both.csv"), &error)) << error;
  const std::string bytes = ReadBytes(Path("both.csv"));

  // CR LF ends every line, also the one inside the quoted name; only fields that need quotes
  // have them, and the temperature has a point.
  for (std::size_t lf = bytes.find('\n'); lf != std::string::npos; lf = bytes.find('\n', lf + 1)) {
    ASSERT_TRUE(lf > 0 && bytes[lf - 1] == '\r') << "bare LF at " << lf;
  }
  EXPECT_EQ(Lines(bytes)[1],
            "28 00 00 00 00 00 00 A2,\"K\xC3\xBChl, \"\"A\"\" \xC2\xB0\",1,"
            "2021-03-28T00:00:00+01:00,28.03.2021 00:00:00,-0.5");

  QProcess python;
  python.start("python3", {"-c", kReader, Path("both.csv")});
  ASSERT_TRUE(python.waitForFinished(60000)) << "python3 did not run";
  ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
  const QJsonObject file = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
  EXPECT_EQ(file["header"].toArray(),
            QJsonArray({"serial_number", "name", "sample", "time", "local_time", "temperature_c"}));
  EXPECT_TRUE(file["increasing"].toBool());
  const QJsonArray rows = file["rows"].toArray();
  ASSERT_EQ(rows.size(), 20);
  for (int r = 0; r < rows.size(); ++r) {
    const auto& mission = want[r / 10];
    const int i = r % 10;
    const QJsonObject row = rows[r].toObject();
    const QJsonArray fields = row["fields"].toArray();
    SCOPED_TRACE(QJsonDocument(fields).toJson(QJsonDocument::Compact).toStdString());
    ASSERT_EQ(fields.size(), 6);
    EXPECT_EQ(fields[0].toString().toStdString(), mission.serial);
    EXPECT_EQ(fields[1].toString().toStdString(), mission.name);
    EXPECT_EQ(row["sample"].toInt(), i + 1);
    // The instant, and the offset the program's time has then: before 01:00 UTC on the switch
    // day one, after it the other.
    const std::int64_t utc = mission.start + i * 1800;
    EXPECT_EQ(row["utc"].toInteger(), utc);
    EXPECT_EQ(row["offset"].toInt(),
              utc < mission.switchAt ? mission.offsetBefore : 180 - mission.offsetBefore);
    EXPECT_DOUBLE_EQ(row["celsius"].toDouble(), mission.firstCelsius - 0.5 * i);
  }
  // The repeated October hour shows twice, first in summer time.
  for (int r : {12, 14}) {
    EXPECT_EQ(rows[r].toObject()["fields"].toArray()[3].toString().toStdString(),
              r == 12 ? "2021-10-31T02:00:00+02:00" : "2021-10-31T02:00:00+01:00");
  }
}

}  // namespace
}  // namespace ombrix::testing
