#include "RecordFile.h"

#include <QCryptographicHash>
#include <QDateTime>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <set>

#include "ConsistencyError.h"
#include "FileRead.h"
#include "OmFile.h"

namespace ombrix {

namespace {

constexpr const char* kStatus = "Status";
constexpr const char* kLog = "Log";
// Written after the last line of the Status and Log sections, where readers that take a fixed
// number of lines never look: the exact instants in UTC (the local texts above depend on the
// writer's regional settings, and one local time of the repeated autumn hour names two instants),
// the test-mode flag, whether the record had been edited before this save, and a SHA-256 of every
// byte above its own line (the file's lines and the section's), which shows later edits.
constexpr const char* kInstants = "Instants";
constexpr std::size_t kUtcTextLength = 20;  // 2026-12-08T10:26:41Z

// An instant as UTC ISO 8601 to the second; 0 (no time) gives "".
std::string UtcText(std::int64_t seconds) {
  if (seconds <= 0) return {};
  return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate).toStdString();
}

// Reads UtcText's form only; "" gives 0.
bool ParseUtcText(const std::string& text, std::int64_t& seconds) {
  if (text.empty()) {
    seconds = 0;
    return true;
  }
  if (text.size() != kUtcTextLength || text.back() != 'Z') return false;
  const QDateTime value = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
  if (!value.isValid() || value.toSecsSinceEpoch() <= 0) return false;
  seconds = value.toSecsSinceEpoch();
  return UtcText(seconds) == text;
}

// "T" followed by the sample index.
struct LogKey {
  explicit LogKey(int index) { length = std::snprintf(text, sizeof text, "T%d", index); }
  std::string_view View() const { return {text, static_cast<std::size_t>(length)}; }
  char text[16];
  int length;
};

// Reads hexadecimal digits as sscanf's "%LX" does: leading blanks and an optional "0x" allowed,
// reading stops at the first other character. The writer gives 16 digits; more than that (even
// leading zeros) is not a serial number of this program's files, and is not read modulo 2^64.
enum class SerialReading { kRead, kNoDigits, kTooLong };
SerialReading ParseSerialNumber(const std::string& text, std::uint64_t& value) {
  std::size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return SerialReading::kNoDigits;
  if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) i += 2;
  std::uint64_t result = 0;
  int digits = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) break;
    if (++digits > 16) return SerialReading::kTooLong;
    result = result << 4 | static_cast<std::uint64_t>(digit);
  }
  if (digits == 0) return SerialReading::kNoDigits;
  value = result;
  return SerialReading::kRead;
}

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

// What a record file holds, read completely before any of it reaches the record.
struct FileContent {
  std::int32_t Version;
  std::uint64_t SerialNumber;
  std::string Name;
  std::string Comment;
  bool MemoryClear;
  bool MissionInProgress;
  std::int32_t SampleRate;
  bool RolloverEnable;
  TDateTime StartTime;
  TDateTime MissionStart;
  std::int32_t MissionSamples;
  std::int32_t ReadSamples;
  bool RolloverOccured;
  TDateTime DownloadTime;
  std::int32_t SamplesTotal;
  std::array<std::uint8_t, TProbeRecord::kLogSize> Log;
};

// The Instants section as read.
struct Instants {
  enum class State { kAbsent, kIntact, kChanged } state = State::kAbsent;
  std::int64_t StartSeconds = 0;
  std::int64_t MissionStartSeconds = 0;
  std::int64_t DownloadSeconds = 0;
  bool Test = false;
  bool Changed = false;
};

// Any fault in the section - a hash that differs from the bytes above it, or a value that is not
// in the written form - means the file was edited after it was saved. The hash covers the section's
// own lines up to itself as well, so that an edited instant or test flag shows too; it is the last
// line of the file.
Instants ReadInstants(TOmInFile& in) {
  Instants result;
  if (in.HeaderLine(kInstants) == 0) return result;
  result.state = Instants::State::kChanged;
  // What still reads of an edited section is kept: its test flag and its instants help to read
  // the lines above (a test-mode record is dated in seconds, and an instant tells a day-first date
  // from a month-first one).
  const std::string test = in.ReadString(kInstants, "Test", "");
  const std::string changed = in.ReadString(kInstants, "Changed", "");
  bool valid = (test == "0" || test == "1") && (changed == "0" || changed == "1");
  result.Test = test == "1";
  result.Changed = changed == "1";
  const auto instant = [&](const char* key, std::int64_t& seconds) {
    if (!ParseUtcText(in.ReadString(kInstants, key, "?"), seconds)) {
      seconds = 0;
      valid = false;
    }
  };
  instant("StartTime", result.StartSeconds);
  instant("MissionStart", result.MissionStartSeconds);
  instant("DownloadTime", result.DownloadSeconds);
  const std::vector<TOmInFile::Entry>& entries = in.Entries(kInstants);
  if (!valid || entries.empty() || entries.back().key != "Sha256") return result;
  const std::string_view above = in.BytesBefore(entries.back());
  const std::string hash =
      QCryptographicHash::hash(QByteArrayView(above.data(), static_cast<qsizetype>(above.size())),
                               QCryptographicHash::Sha256)
          .toHex()
          .toStdString();
  if (in.ReadString(kInstants, "Sha256", "") == hash) result.state = Instants::State::kIntact;
  return result;
}

// "Wednesday, 4 March 2026 11:26:41": day and month by name, in messages.
std::string Unmistakable(TDateTime value) {
  return UnmistakableDateTimeText(value, QLocale::c()).toStdString();
}

// Reads the Status section's local date/time texts that the instants do not replace (all of them
// unless the section is intact; a time before 1970 has no instant).
void ReadLocalDates(TOmInFile& in, const Instants& instants, DateOrder order, FileContent& f,
                    DateQuestion* question) {
  const bool exact = instants.state == Instants::State::kIntact;
  struct Date {
    const char* key;
    std::int64_t instant;
    TDateTime FileContent::*field;
    const TOmInFile::Entry* entry = nullptr;
    DateTextReading reading;
  };
  Date dates[] = {{"StartTime", instants.StartSeconds, &FileContent::StartTime, nullptr, {}},
                  {"MissionStart", instants.MissionStartSeconds, &FileContent::MissionStart,
                   nullptr, {}},
                  {"DownloadTime", instants.DownloadSeconds, &FileContent::DownloadTime, nullptr,
                   {}}};
  std::set<DateOrder> shown;
  for (Date& date : dates) {
    f.*date.field = 0;
    if (exact && date.instant != 0) continue;
    date.entry = in.FindEntry(kStatus, date.key);
    if (!date.entry || date.entry->value.find_first_not_of(" \t") == std::string::npos) {
      date.entry = nullptr;
      continue;
    }
    date.reading = ReadDateTimeText(date.entry->value);
    if (date.reading.state == DateReading::kNoForm) {
      in.Refuse(date.entry->line, "the date/time \"" + Excerpt(date.entry->value) + "\" of " +
                                      date.key + " cannot be read.");
    }
    if (date.reading.shows != DateOrder::kUnknown) shown.insert(date.reading.shows);
    if (date.reading.state == DateReading::kOrderUnknown && date.instant != 0) {
      const TDateTime local = ProbeSecondsToDateTime(date.instant);
      if (local == date.reading.dayFirst) shown.insert(DateOrder::kDayFirst);
      if (local == date.reading.monthFirst) shown.insert(DateOrder::kMonthFirst);
    }
  }
  if (shown.size() == 1) order = *shown.begin();
  DateQuestion open;
  const Date* firstOpen = nullptr;
  for (Date& date : dates) {
    if (!date.entry) continue;
    if (date.reading.state == DateReading::kOrderUnknown && order != DateOrder::kUnknown) {
      date.reading = ReadDateTimeText(date.entry->value, order);
    }
    if (date.reading.state == DateReading::kOrderUnknown) {
      open.dates.push_back(
          {date.key, date.entry->value, date.reading.dayFirst, date.reading.monthFirst});
      if (!firstOpen) firstOpen = &date;
    }
    f.*date.field = date.reading.value;
  }
  if (!firstOpen) return;
  const DateTextReading& r = firstOpen->reading;
  std::string what = "the date/time \"" + Excerpt(firstOpen->entry->value) + "\" of " +
                     firstOpen->key + " reads as " + Unmistakable(r.dayFirst) +
                     " day first and as " + Unmistakable(r.monthFirst) +
                     " month first, and nothing in the file tells which.";
  if (question) *question = std::move(open);
  in.Refuse(firstOpen->entry->line, what);
}

}  // namespace

bool SaveToFile(const TProbeRecord& probe, const QString& fileName, std::string* error) {
  if (fileName == QLatin1String("0")) FailCheck("Probe", __LINE__);
  TOmOutFile out(fileName);
  if (!out.IsOpen()) {
    SetError(error, out.Error());
    return false;
  }
  char serial[20];
  std::snprintf(serial, sizeof serial, "%016" PRIX64, probe.SerialNumber);

  out.WriteInteger(kStatus, "Version", probe.Version);
  out.WriteString(kStatus, "SerialNumber", serial);
  out.WriteString(kStatus, "Name", probe.Name);
  out.WriteString(kStatus, "Comment", probe.Comment);
  out.WriteBool(kStatus, "MemoryClear", probe.MemoryClear);
  out.WriteBool(kStatus, "MisssionInProgress", probe.MissionInProgress);
  out.WriteInteger(kStatus, "SampleRate", probe.SampleRate);
  out.WriteBool(kStatus, "RolloverEnable", probe.RolloverEnable);
  out.WriteDateTime(kStatus, "StartTime", probe.StartTime);
  out.WriteDateTime(kStatus, "MissionStart", probe.MissionStart);
  out.WriteInteger(kStatus, "MissionSamples", probe.MissionSamples);
  // The log holds at most kLogSize bytes, so no more are written or announced.
  const int samples = std::clamp(probe.ReadSamples, 0, TProbeRecord::kLogSize);
  out.WriteInteger(kStatus, "ReadSamples", samples);
  out.WriteBool(kStatus, "RolloverOccured", probe.RolloverOccured);
  out.WriteDateTime(kStatus, "DownloadTime", probe.DownloadTime);
  out.WriteInteger(kStatus, "SamplesTotal", probe.SamplesTotal);
  out.Flush();
  for (int i = 0; i < samples; ++i) out.WriteInteger(kLog, LogKey(i).View(), probe.LogBuffer[i]);

  // A record whose instants were never set from its local times gets them from those.
  const auto instant = [](std::int64_t seconds, TDateTime local) {
    return seconds != 0 || local == 0 ? seconds : DateTimeToProbeSeconds(local);
  };
  out.WriteString(kInstants, "StartTime", UtcText(instant(probe.StartSeconds, probe.StartTime)));
  out.WriteString(kInstants, "MissionStart",
                  UtcText(instant(probe.MissionStartSeconds, probe.MissionStart)));
  out.WriteString(kInstants, "DownloadTime", UtcText(instant(0, probe.DownloadTime)));
  out.WriteBool(kInstants, "Test", probe.Test);
  // Saving an edited record seals it again; this keeps its mark.
  out.WriteBool(kInstants, "Changed", probe.ChangedAfterSave);
  out.WriteString(kInstants, "Sha256", out.Sha256Hex());
  if (!out.Commit()) {
    SetError(error, out.Error());
    return false;
  }
  return true;
}

namespace {

// The record file format this program reads and writes.
constexpr int kFileVersion = 256;

bool ParseRecord(TOmInFile& in, FileContent& f, TProbeRecord& probe, DateOrder order,
                 DateQuestion* question) {
  in.Parse({kStatus, kLog, kInstants});
  // With its hash intact the section gives the instants, so the local texts are not read: they
  // may be in a form this computer's regional settings do not read.
  const Instants instants = ReadInstants(in);
  const bool exact = instants.state == Instants::State::kIntact;
  if (!in.HasKey(kStatus, "Version")) {
    in.Refuse(in.HeaderLine(kStatus) + 1, "the record has no Version.");
  }
  const auto line = [&](std::string_view key) {
    const auto& entries = in.Entries(kStatus);
    for (const auto& entry : entries) {
      if (entry.key == key) return entry.line;
    }
    return in.HeaderLine(kStatus);
  };
  f.Version = in.ReadInteger(kStatus, "Version", 0);
  if (f.Version > kFileVersion) {
    in.Refuse(line("Version"), "Version " + std::to_string(f.Version) +
                                   ": the file was written by a newer program and needs a newer "
                                   "version of this one.");
  }
  if (f.Version != kFileVersion) {
    in.Refuse(line("Version"), "Version " + std::to_string(f.Version) +
                                   " is not a record file version this program knows.");
  }
  f.SerialNumber = 1;
  const std::string serial = in.ReadString(kStatus, "SerialNumber", "0000000000000001");
  switch (ParseSerialNumber(serial, f.SerialNumber)) {
    case SerialReading::kRead:
      break;
    case SerialReading::kNoDigits:
      in.Refuse(line("SerialNumber"),
                "SerialNumber \"" + Excerpt(serial) + "\" is not a hexadecimal number.");
    case SerialReading::kTooLong:
      in.Refuse(line("SerialNumber"),
                "SerialNumber \"" + Excerpt(serial) + "\" has more than 16 hexadecimal digits.");
  }
  f.Name = in.ReadString(kStatus, "Name", "<Noname>");
  f.Comment = in.ReadString(kStatus, "Comment", "<Comment>");
  f.MemoryClear = in.ReadBool(kStatus, "MemoryClear", false);
  f.MissionInProgress = in.ReadBool(kStatus, "MisssionInProgress", false);
  f.SampleRate = in.ReadInteger(kStatus, "SampleRate", 10);
  f.RolloverEnable = in.ReadBool(kStatus, "RolloverEnable", false);
  f.MissionSamples = in.ReadInteger(kStatus, "MissionSamples", 0);
  f.ReadSamples = in.ReadInteger(kStatus, "ReadSamples", 0);
  if (f.ReadSamples < 0 || f.ReadSamples > TProbeRecord::kLogSize) {
    in.Refuse(line("ReadSamples"), "ReadSamples " + std::to_string(f.ReadSamples) +
                                       " is outside 0.." + std::to_string(TProbeRecord::kLogSize) +
                                       ".");
  }
  if (f.ReadSamples > 0 && (f.SampleRate < 1 || f.SampleRate > 255)) {
    in.Refuse(line("SampleRate"), "SampleRate " + std::to_string(f.SampleRate) +
                                      ": Sample rate out of range 1..255 min");
  }
  f.RolloverOccured = in.ReadBool(kStatus, "RolloverOccured", false);
  f.SamplesTotal = in.ReadInteger(kStatus, "SamplesTotal", 0);
  ReadLocalDates(in, instants, order, f, question);

  // The log holds exactly ReadSamples values, T0 to T(n-1) in this order: a missing, surplus or
  // misplaced one means the file was cut or altered, and its samples would be dated wrongly.
  const auto& log = in.Entries(kLog);
  for (int i = 0; i < f.ReadSamples; ++i) {
    const std::string key(LogKey(i).View());
    if (static_cast<std::size_t>(i) >= log.size()) {
      in.Refuse(0, "ends before the log value " + key + " of the " + std::to_string(f.ReadSamples) +
                       " samples it announces.");
    }
    const auto& entry = log[static_cast<std::size_t>(i)];
    if (entry.key != key) {
      in.Refuse(entry.line,
                "the log value " + key + " is expected here, not \"" + Excerpt(entry.key) + "\".");
    }
    const int value = in.ReadInteger(entry);
    if (value < 0 || value > 255) {
      in.Refuse(entry.line, key + " " + std::to_string(value) + " is not a log value (0..255).");
    }
    f.Log[i] = static_cast<std::uint8_t>(value);
  }
  if (log.size() > static_cast<std::size_t>(f.ReadSamples)) {
    in.Refuse(log[static_cast<std::size_t>(f.ReadSamples)].line,
              "the log holds more values than the " + std::to_string(f.ReadSamples) +
                  " samples announced by ReadSamples.");
  }

  probe.Version = f.Version;
  probe.SerialNumber = f.SerialNumber;
  probe.Name = std::move(f.Name);
  probe.Comment = std::move(f.Comment);
  probe.MemoryClear = f.MemoryClear;
  probe.MissionInProgress = f.MissionInProgress;
  probe.SampleRate = f.SampleRate;
  probe.RolloverEnable = f.RolloverEnable;
  probe.MissionSamples = f.MissionSamples;
  probe.ReadSamples = f.ReadSamples;
  probe.RolloverOccured = f.RolloverOccured;
  probe.SamplesTotal = f.SamplesTotal;
  std::copy_n(f.Log.begin(), f.ReadSamples, probe.LogBuffer.begin());
  // Local times alone leave a time of the repeated autumn hour open; it is read as its later
  // pass, the best a time without a zone allows. The exact instants, where the file has them,
  // replace that.
  probe.StartTime = f.StartTime;
  probe.MissionStart = f.MissionStart;
  probe.DownloadTime = f.DownloadTime;
  probe.SecondsFromLocalTimes();
  if (exact) {
    if (instants.StartSeconds != 0) probe.SetStartSeconds(instants.StartSeconds);
    if (instants.MissionStartSeconds != 0) {
      probe.SetMissionStartSeconds(instants.MissionStartSeconds);
    }
    if (instants.DownloadSeconds != 0) {
      probe.DownloadTime = ProbeSecondsToDateTime(instants.DownloadSeconds);
    }
  }
  // An edited section's test flag is kept as well: without it a test-mode record's samples would
  // be dated in minutes.
  if (instants.state != Instants::State::kAbsent) probe.Test = instants.Test;
  probe.ChangedAfterSave = instants.state == Instants::State::kChanged || instants.Changed;
  probe.DecodeLog();
  return true;
}

bool Load(TOmInFile& in, TProbeRecord& probe, std::string* error, DateOrder order,
          DateQuestion* question) {
  if (question) question->dates.clear();
  // Heap, not stack: the log alone is 8000 bytes. Nothing reaches the record before the whole
  // file has been read and checked.
  auto content = std::make_unique<FileContent>();
  try {
    return ParseRecord(in, *content, probe, order, question);
  } catch (const RecordFileError& e) {
    SetError(error, e.what());
    return false;
  }
}

}  // namespace

bool LoadFromFile(TProbeRecord& probe, const QString& fileName, std::string* error,
                  DateOrder order, DateQuestion* question) {
  if (fileName == QLatin1String("0")) FailCheck("Probe", __LINE__);
  TOmInFile in(fileName);
  if (!in.IsOpen()) {
    SetError(error, in.Error());
    return false;
  }
  return Load(in, probe, error, order, question);
}

bool ReadRecordBytes(TProbeRecord& probe, std::string_view bytes, const QString& fileName,
                     std::string* error, DateOrder order, DateQuestion* question) {
  TOmInFile in(fileName, bytes);
  return Load(in, probe, error, order, question);
}

}  // namespace ombrix
