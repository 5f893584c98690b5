#include "ReportPdf.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <functional>

#include "SafeFile.h"

namespace ombrix {

namespace {

constexpr int kResolution = 300;
constexpr double kMarginMillimetres = 10;

// Draws the document's pages with `draw` into memory first, so that nothing reaches the file
// unless it is whole, then replaces the file with it.
bool WritePdf(const QString& fileName, const QString& title,
              const std::function<bool(QPdfWriter&)>& draw, std::string* error) {
  QBuffer document;
  document.open(QIODevice::WriteOnly);
  bool drawn;
  {
    QPdfWriter writer(&document);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Ombrix"));
    writer.setResolution(kResolution);
    const QMarginsF margins(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres,
                            kMarginMillimetres);
    writer.setPageLayout(
        QPageLayout(ReportPageSize(), QPageLayout::Landscape, margins, QPageLayout::Millimeter));
    drawn = draw(writer);
  }
  const std::string shown = QDir::toNativeSeparators(fileName).toStdString();
  if (!drawn || document.data().isEmpty()) {
    if (error) *error = "The report for \"" + shown + "\" could not be drawn.";
    return false;
  }
  SafeFile file(fileName);
  if (file.IsOpen()) {
    file.Write(std::string_view(document.data().constData(),
                                static_cast<std::size_t>(document.data().size())));
    if (file.Commit()) return true;
  }
  if (error) *error = file.Error();
  return false;
}

}  // namespace

QPageSize ReportPageSize() {
  return QPageSize(QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                              : QPageSize::A4);
}

bool WriteReportPdf(TPrintPreview& layout, const QString& fileName, const QString& title,
                    std::string* error) {
  return WritePdf(
      fileName, title, [&](QPdfWriter& writer) { return layout.PrintReport(writer); }, error);
}

bool WriteReportsPdf(TPrintPreview& layout, const std::vector<ReportRecord>& records,
                     const QString& fileName, const QString& title, std::string* error) {
  if (records.empty()) {
    if (error) *error = "There is no record to report.";
    return false;
  }
  const auto draw = [&](QPdfWriter& writer) {
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    bool drawn = true;
    bool firstPage = true;
    for (const ReportRecord& entry : records) {
      layout.ShowRecord(*entry.record, entry.minTemperature, entry.maxTemperature, entry.limits);
      layout.SetSignatures(entry.signatures);
      for (int page = 0; page < TPrintPreview::kPageCount && drawn; ++page) {
        drawn = (firstPage || writer.newPage()) && layout.DrawPage(painter, page);
        firstPage = false;
      }
      if (!drawn) break;
    }
    return painter.end() && drawn;
  };
  return WritePdf(fileName, title, draw, error);
}

bool WriteRecordReportPdf(const TProbeRecord& record, const TemperatureLimits& limits,
                          const QString& fileName, std::string* error) {
  TPrintPreview layout;
  ReportRecord entry;
  entry.record = &record;
  entry.limits = limits;
  return WriteReportsPdf(layout, {entry}, fileName, QFileInfo(fileName).completeBaseName(), error);
}

}  // namespace ombrix
