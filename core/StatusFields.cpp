#include "StatusFields.h"

#include "CaptionSource.h"
#include "CodePage.h"
#include "FigureTexts.h"
#include "TimeConversion.h"

namespace ombrix {

namespace {

const StatusPageCaptions& Captions() {
  static const StatusPageCaptions captions;
  return captions;
}

// The Status page's caption of a field, or of a lamp with a colon added.
QString Label(const char* component) {
  QString caption = QString::fromLatin1(Captions().Caption(component));
  if (!caption.endsWith(u':')) caption += QStringLiteral(" :");
  return caption;
}

Field Text(const char* key, const char* component, const std::string& bytes) {
  const QString text = DefaultCodePage().ToUnicode(bytes);
  return {QString::fromLatin1(key), Label(component), text, text};
}

QJsonValue Iso(std::optional<std::int64_t> seconds) {
  return seconds ? QJsonValue(IsoDateTimeText(*seconds)) : QJsonValue();
}

// A time; its instant is known exactly where the record keeps it (first sample, mission start,
// samples), and is otherwise that of the local time (the later pass of a repeated hour).
Field Time(const char* key, const char* component, TDateTime value,
           std::optional<std::int64_t> seconds = std::nullopt) {
  const QString text = DateTimeText(value);
  if (!seconds && value != 0) seconds = DateTimeToProbeSeconds(value);
  Field field{QString::fromLatin1(key), Label(component), text, text};
  field.iso = Iso(value != 0 ? seconds : std::nullopt);
  return field;
}

Field Instant(const char* key, const char* label, std::int64_t seconds) {
  const QString text = figures::Instant(seconds);
  Field field{QString::fromLatin1(key), QString::fromUtf8(label), text, text};
  field.iso = Iso(seconds);
  return field;
}

Field Number(const char* key, const char* component, std::int64_t value) {
  return {QString::fromLatin1(key), Label(component), QString::number(value),
          static_cast<double>(value)};
}

Field Flag(const char* key, const char* component, bool value) {
  return {QString::fromLatin1(key), Label(component),
          value ? QStringLiteral("yes") : QStringLiteral("no"), value};
}

Field Rate(const TProbeStatus& probe) {
  const QString unit = probe.Test ? QStringLiteral(" s") : QStringLiteral(" min");
  return {QStringLiteral("SampleRate"), Label("StatusSampleRate"),
          QString::number(probe.SampleRate) + unit, probe.SampleRate};
}

// The label of the recording lamp reads "Recording In Progress" or "Recording Stopped".
Field Recording(const TProbeStatus& probe) {
  return {QStringLiteral("MissionInProgress"),
          probe.MissionInProgress ? QStringLiteral("Recording In Progress")
                                  : QStringLiteral("Recording Stopped"),
          QString(), probe.MissionInProgress, true};
}
}  // namespace

QJsonValue Iso(std::optional<std::int64_t> seconds) {
  return seconds ? QJsonValue(IsoDateTimeText(*seconds)) : QJsonValue();
}

Fields AdapterFields(TProbe& probe) {
  const int version = probe.AdapterVersion;
  const QString serial = QString::fromStdString(probe.AdapterSerialNumber());
  return {
      {QStringLiteral("Description"), QStringLiteral("Adapter :"),
       QString::fromStdString(probe.AdapterVersionText()),
       QString::fromStdString(probe.Adapter->Description)},
      {QStringLiteral("Version"), QString(), QString(),
       QStringLiteral("%1.%2").arg((version >> 4) & 15).arg(version & 15)},
      {QStringLiteral("SerialNumber"), QStringLiteral("Adapter Serial :"), serial, serial},
  };
}

Fields RecordFields(const TProbeStatus& p) {
  const QString serial = figures::SerialNumber(p.SerialNumber);
  return {
      {QStringLiteral("SerialNumber"), Label("StatusSerialNumber"), serial, serial},
      Text("Name", "StatusName", p.Name),
      Text("Comment", "StatusComment", p.Comment),
      Time("MissionStart", "StatusMissionStart", p.MissionStart, p.MissionStartSeconds),
      Time("StartTime", "StatusStartTime", p.StartTime, p.StartSeconds),
      Time("DownloadTime", "StatusDownloadTime", p.DownloadTime),
      Number("MissionSamples", "StatusMissionSamples", p.MissionSamples),
      Rate(p),
      Number("SamplesTotal", "StatusSamplesTotal", p.SamplesTotal),
      Recording(p),
      Flag("MemoryClear", "StatusMemoryClearLed", p.MemoryClear),
      Flag("RolloverEnable", "StatusRolloverEnableLed", p.RolloverEnable),
      Flag("RolloverOccured", "StatusRolloverOccuredLed", p.RolloverOccured),
      // In the text the sample rate's unit (s or min) says it; scripts get the flag.
      {QStringLiteral("Test"), QString(), QString(), p.Test},
  };
}

// The record's fields with the two clocks after the comment, and the probe's mode lamps.
Fields ProbeStatusFields(const TProbeStatus& p, TDateTime pcClock) {
  Fields fields = RecordFields(p);
  const auto afterComment = fields.begin() + 3;
  fields.insert(afterComment, {Time("CurrentClock", "StatusCurrentClock", p.CurrentClock),
                               Time("PcClock", "StatusPcClock", pcClock)});
  // The probe's own lamp, shown in the text too.
  std::erase_if(fields, [](const Field& field) { return field.key == u"Test"; });
  fields.push_back(Flag("Test", "StatusTestLed", p.Test));
  fields.push_back(Flag("ProbeOff", "StatusProbeOffLed", p.ProbeOff));
  return fields;
}

Fields SampleSummary(const RecordStatistics& s) {
  const int n = s.samples;
  Fields fields{{QStringLiteral("Samples"), QStringLiteral("Samples :"), QString::number(n), n}};
  if (n == 0) {
    for (const char* key : {"First", "Last", "Min", "Mean", "Max"}) {
      fields.push_back({QString::fromLatin1(key), QString(), QString(), QJsonValue()});
    }
    return fields;
  }
  fields.push_back(Instant("First", "First :", s.firstSeconds));
  fields.push_back(Instant("Last", "Last :", s.lastSeconds));
  fields.push_back(
      {QStringLiteral("Min"), QStringLiteral("Minimum :"), figures::Celsius(s.minimum), s.minimum});
  fields.push_back({QStringLiteral("Mean"), QStringLiteral("Mean :"), figures::Celsius(s.mean),
                    std::round(s.mean * 100) / 100});
  fields.push_back(
      {QStringLiteral("Max"), QStringLiteral("Maximum :"), figures::Celsius(s.maximum), s.maximum});
  return fields;
}

Fields ChangedFields(bool changed) {
  if (!changed) return {};
  return {{QString(),
           QStringLiteral("Changed after it was saved: not the readings as they were downloaded"),
           {},
           {},
           true}};
}

Fields ArchiveEntryFields(const ArchiveEntry& entry) {
  const auto text = [](const std::string& utf8) { return QString::fromStdString(utf8); };
  const ArchiveProvenance& p = entry.provenance;
  return {{QStringLiteral("Entry"), QStringLiteral("Archive entry :"), QString::number(entry.id),
           static_cast<qint64>(entry.id)},
          {QStringLiteral("StoredBy"),
           QStringLiteral("Stored by :"),
           text(p.user + "@" + p.workstation + ", " + p.source),
           {}},
          {QStringLiteral("Adapter"), QStringLiteral("Adapter :"), text(p.adapter), {}},
          {QStringLiteral("ContentHash"),
           QStringLiteral("Content hash :"),
           text(entry.contentHash),
           {}}};
}

const char* ChangedNote(bool changed) {
  return changed ? "  (changed after it was saved)" : "";
}

}  // namespace ombrix
