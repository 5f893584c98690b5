#pragma once

#include <QPageSize>
#include <QString>

#include <string>
#include <vector>

#include "Printform.h"

namespace ombrix {

// The paper of a report written as a file: A4, or Letter where the locale measures in inches.
QPageSize ReportPageSize();

// Writes the report of the record the layout form shows (as the last ShowRecord filled it), all
// its pages, as a PDF document: landscape, 10 mm margins, 300 dots per inch, with the title in
// the document's properties. The file of that name is replaced only when the whole document has
// reached the disk; on any failure it is left as it was, false is returned and *error (when
// given) names the file and the reason.
bool WriteReportPdf(TPrintPreview& layout, const QString& fileName, const QString& title,
                    std::string* error = nullptr);

// One record of a report of several, with the limits it is checked against and the range its
// graph covers at least.
struct ReportRecord {
  const TProbeRecord* record = nullptr;  // not null
  TemperatureLimits limits;
  float minTemperature = TPrintPreview::kDefaultMinTemperature;
  float maxTemperature = TPrintPreview::kDefaultMaxTemperature;
  QStringList signatures;  // of the archive entry it is, for its summary page
};

// Writes the reports of the records, one after the other (each record's page and its summary
// page), into one PDF document, as WriteReportPdf writes one. The layout form is left showing the
// last record. False, with the file left as it was, when there is no record or a step fails.
bool WriteReportsPdf(TPrintPreview& layout, const std::vector<ReportRecord>& records,
                     const QString& fileName, const QString& title, std::string* error = nullptr);

// The report of one record checked against the limits, laid out by a form of its own, as
// WriteReportsPdf writes it; the title is the file's name without its extension.
bool WriteRecordReportPdf(const TProbeRecord& record, const TemperatureLimits& limits,
                          const QString& fileName, std::string* error = nullptr);

}  // namespace ombrix
