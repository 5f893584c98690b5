#pragma once

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstdint>
#include <memory>

#include "ProbeRecord.h"

// Helpers of the report's tests: the widget application, records to print, pixel counts and the
// text of PDF pages.
namespace ombrix::testing {

inline QApplication& PrintApp() {
  static int argc = 1;
  static char name[] = "print_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

// Sample `index` of the record reads `celsius` once the record is decoded again.
inline void SetSample(TProbeRecord& record, int index, double celsius) {
  record.LogBuffer[index] = static_cast<std::uint8_t>(std::lround((celsius + 40) * 2));
}

inline void Redecode(TProbeRecord& record) {
  record.SecondsFromLocalTimes();
  record.DecodeLog();
}

// A fridge record: `count` samples every 10 minutes from 1 June 2021 12:00, all at `celsius`.
inline std::unique_ptr<TProbeRecord> FridgeRecord(int count, double celsius = 4.0) {
  auto record = std::make_unique<TProbeRecord>();
  record->SerialNumber = 0x4F00000012345678ULL;
  record->Name = "Fridge 2 \x96 Ward B";
  record->Comment = "Vaccines for ward B.\r\nKeep between 2 and 8 \260C.";
  record->SampleRate = 10;
  record->StartTime = EncodeDateTime(2021, 6, 1, 12, 0, 0);
  record->DownloadTime = EncodeDateTime(2021, 6, 22, 12, 5, 0);
  record->SamplesTotal = count + 1000;
  record->MissionSamples = record->ReadSamples = count;
  for (int i = 0; i < count; ++i) SetSample(*record, i, celsius);
  Redecode(*record);
  return record;
}

inline bool IsRed(QRgb pixel) {
  return qRed(pixel) > 200 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}
inline bool IsDark(QRgb pixel) {
  return qGray(pixel) < 100;
}

// Counts the pixels of the rectangle that pass the test.
template <class Test>
int Count(const QImage& image, const QRect& area, Test test) {
  int count = 0;
  const QRect inside = area & image.rect();
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) count += test(image.pixel(x, y)) ? 1 : 0;
  }
  return count;
}

// Runs a poppler tool and returns what it wrote; empty when it fails.
inline QString PopplerOutput(const QString& tool, const QStringList& arguments) {
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return QString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

inline int PdfPageCount(const QString& file) {
  const QString info = PopplerOutput(QStringLiteral("pdfinfo"), {file});
  for (const QString& line : info.split(u'\n')) {
    if (line.startsWith(QLatin1String("Pages:"))) return line.mid(6).trimmed().toInt();
  }
  return -1;
}

// The text of one page (counted from 1), laid out as on the page.
inline QString PdfPageText(const QString& file, int page) {
  const QString number = QString::number(page);
  return PopplerOutput(QStringLiteral("pdftotext"),
                       {QStringLiteral("-layout"), QStringLiteral("-f"), number,
                        QStringLiteral("-l"), number, file, QStringLiteral("-")});
}

}  // namespace ombrix::testing
