#pragma once

#include <QString>

#include <string>

#include "CaptionSource.h"
#include "ProbeRecord.h"

namespace ombrix {

// Writes the record as tab-separated text that a spreadsheet reads: 13 status lines, two empty
// lines, the column headers and one line per held sample. Every field stands between double
// quotes; fields are separated by a tab; lines end in CR LF. Texts are written as their 8-bit
// bytes. Neither the captions nor the record are owned; both must outlive the object.
class TDataExport {
 public:
  TDataExport(const CaptionSource& captions, const TProbeRecord& probe);

  // The whole text, in the current default locale (date/time form and decimal separator).
  std::string Text() const;

  // Writes Text() to the file. The file of that name is replaced only when the whole text has
  // reached the disk; on any failure (cannot create, full disk, read-only folder) it is left as it
  // was, false is returned and *error (when given) names the file and the reason.
  bool Export(const QString& fileName, std::string* error = nullptr) const;

 private:
  const CaptionSource& captions_;
  const TProbeRecord& probe_;
};

// A Status page caption as an export label: its last colon becomes a blank ("Serial Number :"
// gives "Serial Number  "); a caption without a colon stays as it is.
std::string ExportLabel(std::string caption);

// A text as an export field: line feed, carriage return, double quote, tab, vertical tab, bell,
// backspace and form feed become blanks, so that the field stays between its quotes and on its
// line. The length does not change.
std::string ExportText(std::string text);

// Minutes since the first sample as hours and minutes, "%02d:%02d"; hours above 99 take more
// digits.
std::string RelativeTimeText(long long minutes);

// A temperature with one decimal, using the given separator.
std::string TemperatureText(float celsius, char decimalSeparator);

}  // namespace ombrix
