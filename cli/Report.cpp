#include "Report.h"

#include <QJsonDocument>
#include <QLocale>

#include <algorithm>
#include <cmath>

#include "CaptionSource.h"
#include "CodePage.h"

namespace ombrix::cli {

namespace {

constexpr int kLabelWidth = 20;

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
  const QString text = DateTimeText(ProbeSecondsToDateTime(seconds));
  Field field{QString::fromLatin1(key), QString::fromUtf8(label), text, text};
  field.iso = Iso(seconds);
  return field;
}

QString Duration(std::int64_t seconds) {
  const std::int64_t minutes = seconds / 60;
  if (minutes < 60) return QStringLiteral("%1 min").arg(minutes);
  return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
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

QString Celsius(double value) {
  return QLocale().toString(value, 'f', 1) + QStringLiteral(" \u00B0C");
}

// Line breaks and other control characters would break the line shape of the text output.
QString OneLine(QString text) {
  for (QChar& c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = u' ';
  }
  return text;
}

}  // namespace

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
  const QString serial = QString::fromStdString(p.SerialNumberText());
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
  };
}

// The record's fields with the two clocks after the comment, and the probe's mode lamps.
Fields ProbeStatusFields(const TProbeStatus& p, TDateTime pcClock) {
  Fields fields = RecordFields(p);
  const auto afterComment = fields.begin() + 3;
  fields.insert(afterComment, {Time("CurrentClock", "StatusCurrentClock", p.CurrentClock),
                               Time("PcClock", "StatusPcClock", pcClock)});
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
      {QStringLiteral("Min"), QStringLiteral("Minimum :"), Celsius(s.minimum), s.minimum});
  fields.push_back({QStringLiteral("Mean"), QStringLiteral("Mean :"), Celsius(s.mean),
                    std::round(s.mean * 100) / 100});
  fields.push_back(
      {QStringLiteral("Max"), QStringLiteral("Maximum :"), Celsius(s.maximum), s.maximum});
  return fields;
}

void PrintText(std::ostream& out, const Fields& fields) {
  for (const Field& field : fields) {
    if (field.label.isEmpty()) continue;
    if (field.labelOnly) {
      out << field.label.toStdString() << '\n';
      continue;
    }
    const QString line = field.label.leftJustified(kLabelWidth) + OneLine(field.text);
    out << line.trimmed().toStdString() << '\n';
  }
}

Fields StatisticsFields(const TProbeRecord& p, const RecordStatistics& s,
                        const TemperatureLimits& limits) {
  auto limit = [](const char* key, const char* label, std::optional<double> value) {
    return Field{QString::fromLatin1(key), QString::fromUtf8(label),
                 value ? Celsius(*value) : QStringLiteral("off"),
                 value ? QJsonValue(*value) : QJsonValue()};
  };
  auto minutes = [](const char* key, const char* label, std::int64_t seconds) {
    return Field{QString::fromLatin1(key), QString::fromUtf8(label), Duration(seconds),
                 static_cast<double>(seconds / 60)};
  };
  Fields fields{limit("LowLimit", "Low limit :", limits.low),
                limit("HighLimit", "High limit :", limits.high),
                minutes("DelayMinutes", "Delay :", std::int64_t{limits.delayMinutes} * 60)};
  if (s.samples > 0) {
    fields.push_back(Instant("MinimumTime", "Minimum at :", p.SampleSeconds(s.minimumIndex)));
    fields.push_back(Instant("MaximumTime", "Maximum at :", p.SampleSeconds(s.maximumIndex)));
    fields.push_back({QStringLiteral("StandardDeviation"), QStringLiteral("Std. deviation :"),
                      s.standardDeviation
                          ? QLocale().toString(*s.standardDeviation, 'f', 2) + QStringLiteral(" K")
                          : QStringLiteral("-"),
                      s.standardDeviation
                          ? QJsonValue(std::round(*s.standardDeviation * 1000) / 1000)
                          : QJsonValue()});
    fields.push_back({QStringLiteral("MeanKinetic"), QStringLiteral("MKT :"),
                      QLocale().toString(s.meanKinetic, 'f', 2) + QStringLiteral(" \u00B0C"),
                      std::round(s.meanKinetic * 1000) / 1000});
  }
  fields.push_back(minutes("TimeBelow", "Time below low :", s.secondsBelow));
  fields.push_back(minutes("TimeAbove", "Time above high :", s.secondsAbove));
  fields.push_back({QStringLiteral("Excursions"), QStringLiteral("Excursions :"),
                    QString::number(s.excursions.size()), static_cast<int>(s.excursions.size())});
  if (s.longest) {
    const Excursion& e = *s.longest;
    Field start = Instant("LongestStart", "Longest from :", e.startSeconds);
    Field end = Instant("LongestEnd", "Longest to :", e.endSeconds);
    end.text += QStringLiteral(" (%1, %2)")
                    .arg(Duration(e.Seconds()),
                         e.above ? QStringLiteral("above high") : QStringLiteral("below low"));
    fields.push_back(start);
    fields.push_back(end);
    fields.push_back(minutes("LongestMinutes", "", e.Seconds()));
  }
  const QString verdict = QString::fromLatin1(VerdictText(s.verdict));
  fields.push_back({QStringLiteral("Verdict"), QStringLiteral("Verdict :"), verdict, verdict});
  if (!s.note.empty()) {
    const QString note = QString::fromStdString(s.note);
    fields.push_back({QStringLiteral("Note"), QStringLiteral("Note :"), note, note});
  }
  return fields;
}

QJsonObject ToJson(const Fields& fields) {
  QJsonObject object;
  for (const Field& field : fields) {
    if (field.key.isEmpty()) continue;
    object.insert(field.key, field.json);
    if (!field.iso.isUndefined()) object.insert(field.key + QStringLiteral("Iso"), field.iso);
  }
  return object;
}

void PrintJson(std::ostream& out, const QJsonObject& object) {
  out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace ombrix::cli
