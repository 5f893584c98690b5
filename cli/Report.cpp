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

Field Time(const char* key, const char* component, TDateTime value) {
  const QString text = DateTimeText(value);
  return {QString::fromLatin1(key), Label(component), text, text};
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
      Time("MissionStart", "StatusMissionStart", p.MissionStart),
      Time("StartTime", "StatusStartTime", p.StartTime),
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

Fields SampleSummary(const TProbeRecord& p) {
  const int n = p.HeldSamples();
  Fields fields{{QStringLiteral("Samples"), QStringLiteral("Samples :"), QString::number(n), n}};
  if (n == 0) {
    for (const char* key : {"First", "Last", "Min", "Mean", "Max"}) {
      fields.push_back({QString::fromLatin1(key), QString(), QString(), QJsonValue()});
    }
    return fields;
  }
  double low = p.GetSample(0).Temperature;
  double high = low;
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    const double t = p.GetSample(i).Temperature;
    low = std::min(low, t);
    high = std::max(high, t);
    sum += t;
  }
  const double mean = sum / n;
  const QString first = DateTimeText(p.GetSample(0).Time);
  const QString last = DateTimeText(p.GetSample(n - 1).Time);
  fields.push_back({QStringLiteral("First"), QStringLiteral("First :"), first, first});
  fields.push_back({QStringLiteral("Last"), QStringLiteral("Last :"), last, last});
  fields.push_back({QStringLiteral("Min"), QStringLiteral("Minimum :"), Celsius(low), low});
  fields.push_back({QStringLiteral("Mean"), QStringLiteral("Mean :"), Celsius(mean),
                    std::round(mean * 100) / 100});
  fields.push_back({QStringLiteral("Max"), QStringLiteral("Maximum :"), Celsius(high), high});
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

QJsonObject ToJson(const Fields& fields) {
  QJsonObject object;
  for (const Field& field : fields) {
    if (!field.key.isEmpty()) object.insert(field.key, field.json);
  }
  return object;
}

void PrintJson(std::ostream& out, const QJsonObject& object) {
  out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace ombrix::cli
