#include "ReportPdf.h"

#include <QBuffer>
#include <QDir>
#include <QLocale>
#include <QPageLayout>
#include <QPdfWriter>

#include "SafeFile.h"

namespace ombrix {

namespace {

constexpr int kResolution = 300;
constexpr double kMarginMillimetres = 10;

}  // namespace

QPageSize ReportPageSize() {
  return QPageSize(QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                              : QPageSize::A4);
}

bool WriteReportPdf(TPrintPreview& layout, const QString& fileName, const QString& title,
                    std::string* error) {
  // The document is made in memory first, so that nothing reaches the file unless it is whole.
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
    drawn = layout.PrintLayout(writer);
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

}  // namespace ombrix
