#pragma once

#include <QPageSize>
#include <QString>

#include <string>

#include "Printform.h"

namespace ombrix {

// The paper of a report written as a file: A4, or Letter where the locale measures in inches.
QPageSize ReportPageSize();

// Writes the layout form's page, as the last ShowRecord filled it, as a one-page PDF document:
// landscape, 10 mm margins, 300 dots per inch, with the title in the document's properties. The
// file of that name is replaced only when the whole document has reached the disk; on any failure
// it is left as it was, false is returned and *error (when given) names the file and the reason.
bool WriteReportPdf(TPrintPreview& layout, const QString& fileName, const QString& title,
                    std::string* error = nullptr);

}  // namespace ombrix
