#pragma once

#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "Archive.h"
#include "Probe.h"
#include "ProbeRecord.h"
#include "Statistics.h"

// The fields of a probe's or record's status as both ombrix-cli and the web view show them: the
// Status page's captions and texts, with keys and values for scripts.
namespace ombrix {

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

// Where an archive entry came from: its number, who stored it from where (user@workstation,
// source), the adapter and the content hash, keyed "Entry", "StoredBy", "Adapter", "ContentHash".
Fields ArchiveEntryFields(const ArchiveEntry& entry);

// An instant as ISO 8601 with its UTC offset; null when there is none.
QJsonValue Iso(std::optional<std::int64_t> seconds);

}  // namespace ombrix
