#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <ostream>
#include <vector>

#include "Probe.h"
#include "ProbeRecord.h"
#include "Statistics.h"

namespace ombrix::cli {

// One item of the output of status and show: a label and a text for people, a key and a value for
// scripts (--format json). The keys are the record's field names.
struct Field {
  QString key;
  QString label;
  QString text;
  QJsonValue json;
  bool labelOnly = false;  // the label is the whole line (the recording state)
  // For a time: the instant as ISO 8601 with its UTC offset, written to JSON as key + "Iso".
  QJsonValue iso = QJsonValue::Undefined;
};
using Fields = std::vector<Field>;

// The adapter: description and firmware version, USB serial number.
Fields AdapterFields(TProbe& probe);
// Every field of the Status page, from a record just read from the probe.
Fields ProbeStatusFields(const TProbeStatus& probe, TDateTime pcClock);
// The status fields a record file holds.
Fields RecordFields(const TProbeStatus& probe);
// The held samples: count, first and last time, minimum, mean and maximum temperature.
Fields SampleSummary(const RecordStatistics& statistics);
// How show marks a record opened from a file edited after it was saved (ChangedAfterSave), for a
// record file and an archive entry alike: a line of its own before the status fields, and the
// note that ends the record's line in a one-line-a-record table. Nothing for an unchanged one.
Fields ChangedFields(bool changed);
const char* ChangedNote(bool changed);

// The statistics of a record against its limits for scripts: the limits, minimum and maximum
// times, standard deviation, mean kinetic temperature, time below and above, excursions and the
// verdict, as numbers.
QJsonObject StatisticsJson(const TProbeRecord& record, const RecordStatistics& statistics,
                           const TemperatureLimits& limits);
// The same for people: the rows of the limits and the statistics as the window and the printed
// report show them, then the verdict and the note.
void PrintStatistics(std::ostream& out, const TProbeRecord& record, const TemperatureLimits& limits,
                     const RecordStatistics& statistics);
// "Label :     text" lines, labels padded to one column of at least `width` characters.
void PrintText(std::ostream& out, const Fields& fields, int width = 20);
QJsonObject ToJson(const Fields& fields);
void PrintJson(std::ostream& out, const QJsonObject& object);

}  // namespace ombrix::cli
