#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

#include "DateTimeForms.h"
#include "ProbeRecord.h"

namespace ombrix {

// A record file (extension "omx") keeps one probe record: the "Status" section with the record's
// fields and the "Log" section with one raw log byte per held sample, T0 to T(n-1), then the
// "Instants" section: the start, mission start and download times as UTC instants, the test-mode
// flag, whether the record had been edited, and "Sha256", the hash of every byte above the
// section. Temperatures and sample times are not stored; loading rebuilds them with DecodeLog.

// Writes the record. The file of that name is replaced only when the whole file has reached the
// disk; on any failure it is left as it was, false is returned and *error (when given) names the
// file and the reason. The name "0" (the workplace's mark for no file) fails the Probe
// consistency check.
bool SaveToFile(const TProbeRecord& probe, const QString& fileName, std::string* error = nullptr);

// Reads a record file written on this or another computer into the record and decodes its log.
// When the Instants section's hash matches the bytes above it, the times and the Test flag come
// from that section; otherwise the local date/time texts are read and the record keeps its own
// Test flag, and a file that has the section but no longer matches it is marked ChangedAfterSave.
// Keys a file does not have take their defaults; keys this program does not know are passed over.
// A file that cannot be read faithfully is refused: false, with the record unchanged and *error
// (when given) naming the file, the line and the fault - a file that is missing, not a regular
// file, far too large or not a record file; a Version other than this program's; a number that
// does not read; a serial number of more than 16 digits; ReadSamples outside 0..8000, or a sample
// rate outside 1..255 with samples held; a log that is cut, longer than announced or holds a value
// beyond a byte; a date/time in no readable form, or with two readings (below). The name "0"
// fails the Probe consistency check.
//
// Local date/time texts are read as ReadDateTimeText reads them. A file's dates come from one
// writer, so a date whose day is above 12 shows the order of the others; an edited file's
// instants, where they still read, choose between a date's two readings; else `order` does. A
// date that still has two readings refuses the file, and *question (when given) holds each such
// date with both readings, for the user to choose an order and load again.
struct DateQuestion {
  struct Date {
    std::string key;   // "MissionStart"
    std::string text;  // as written
    TDateTime dayFirst = 0, monthFirst = 0;
  };
  std::vector<Date> dates;  // empty unless the order decided the refusal
};
bool LoadFromFile(TProbeRecord& probe, const QString& fileName, std::string* error = nullptr,
                  DateOrder order = DateOrder::kUnknown, DateQuestion* question = nullptr);

// The same for the bytes of a record file, named fileName in messages.
bool ReadRecordBytes(TProbeRecord& probe, std::string_view bytes, const QString& fileName,
                     std::string* error = nullptr, DateOrder order = DateOrder::kUnknown,
                     DateQuestion* question = nullptr);

}  // namespace ombrix
