#include "CsvExport.h"

#include <charconv>
#include <initializer_list>

#include "Dataexport.h"
#include "SafeFile.h"

namespace ombrix {

namespace {

// Bytes per sample row, for reserving the text at once: serial, name, index, two times and the
// temperature.
constexpr std::size_t kRowSize = 112;

void AppendRow(std::string& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) out += ',';
    first = false;
    out += CsvField(field);
  }
  out += "\r\n";
}

std::string Utf8(const QString& text) {
  return text.toUtf8().toStdString();
}

std::string Decimal(long long value) {
  char text[24];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}  // namespace

std::vector<std::string> CsvColumns() {
  return {"serial_number", "name", "sample", "time", "local_time", "temperature_c"};
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string CsvText(const std::vector<const TProbeRecord*>& records, const TCodePage& codePage) {
  std::size_t rows = 0;
  for (const TProbeRecord* record : records) {
    if (record) rows += static_cast<std::size_t>(record->HeldSamples());
  }
  std::string out;
  out.reserve(128 + rows * kRowSize);

  const std::vector<std::string> columns = CsvColumns();
  AppendRow(out, {columns[0], columns[1], columns[2], columns[3], columns[4], columns[5]});
  for (const TProbeRecord* record : records) {
    if (!record) continue;
    // The same for every row of the record: quoted once.
    const std::string serial = CsvField(record->SerialNumberText());
    const std::string name = CsvField(Utf8(codePage.ToUnicode(record->Name)));
    const int held = record->HeldSamples();
    for (int i = 0; i < held; ++i) {
      const Sample sample = record->GetSample(i);
      out += serial;
      out += ',';
      out += name;
      out += ',';
      // The number, the ISO time and the temperature never need quotes; the locale's text form
      // may hold a comma.
      out += Decimal(i + 1);
      out += ',';
      out += Utf8(IsoDateTimeText(record->SampleSeconds(i)));
      out += ',';
      out += CsvField(Utf8(DateTimeText(sample.Time)));
      out += ',';
      out += TemperatureText(sample.Temperature, '.');
      out += "\r\n";
    }
  }
  return out;
}

bool ExportCsv(const std::vector<const TProbeRecord*>& records, const TCodePage& codePage,
               const QString& fileName, std::string* error) {
  SafeFile file(fileName);
  if (file.IsOpen()) {
    file.Write(CsvText(records, codePage));
    if (file.Commit()) return true;
  }
  if (error) *error = file.Error();
  return false;
}

}  // namespace ombrix
