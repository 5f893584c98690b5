#pragma once

#include <QString>

#include <string>

#include "ProbeRecord.h"

namespace ombrix {

// A record file (extension "omx") keeps one probe record: the "Status" section with the record's
// fields and the "Log" section with one raw log byte per held sample, T0 to T(n-1). Temperatures
// and times are not stored; loading rebuilds them with DecodeLog.

// Writes the record. The file of that name is replaced only when the whole file has reached the
// disk; on any failure it is left as it was, false is returned and *error (when given) names the
// file and the reason. The name "0" (the workplace's mark for no file) fails the Probe
// consistency check.
bool SaveToFile(const TProbeRecord& probe, const QString& fileName, std::string* error = nullptr);

// Reads a record file written on this or another computer into the record and decodes its log
// with the record's own Test flag. Keys missing at the end of a short file take their defaults;
// more than 8000 samples are read as 8000. False, with the record unchanged and *error (when
// given) saying why, when the file does not exist, cannot be read, or holds a date/time that does
// not read. The name "0" fails the Probe consistency check.
bool LoadFromFile(TProbeRecord& probe, const QString& fileName, std::string* error = nullptr);

}  // namespace ombrix
