#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "ProbeRecord.h"

namespace ombrix {

// Comma-separated values for data tools and spreadsheets: UTF-8 without a byte-order mark, CR LF
// line ends, one header row, then one row per held sample of each record in turn:
//
//   serial_number,name,sample,time,local_time,temperature_c
//
// serial_number is the serial as the Status page shows it, name the probe's name converted from
// the code page, sample counts from 1 within each record, time is the instant in ISO 8601 with
// its UTC offset ("2021-10-31T02:30:00+01:00", unambiguous in the repeated autumn hour),
// local_time the program's own text form in the current locale, and temperature_c has one
// decimal and a point as decimal separator whatever the locale. A field is quoted only when it
// holds a comma, a double quote, CR or LF; a double quote inside is doubled.

// The column names of the header row, in order.
std::vector<std::string> CsvColumns();

// A field as it stands in a row: quoted where needed.
std::string CsvField(std::string_view text);

// The whole file's text. Null records are skipped.
std::string CsvText(const std::vector<const TProbeRecord*>& records, const TCodePage& codePage);

// Writes CsvText to the file in one step: the file of that name is replaced only once the whole
// text is on the disk; on any failure it is left as it was, false is returned and *error (when
// given) names the file and the reason.
bool ExportCsv(const std::vector<const TProbeRecord*>& records, const TCodePage& codePage,
               const QString& fileName, std::string* error = nullptr);

}  // namespace ombrix
