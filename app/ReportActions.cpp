// File Print, the print preview and Export PDF: the report of the record on show (its page and
// its summary page with the probe's limits), drawn by the layout form onto a printer or into a
// PDF file.
#include <QDialog>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Application.h"
#include "Dialogs.h"
#include "FileDialogs.h"
#include "FileRead.h"
#include "Main.h"
#include "Msg.h"
#include "Printform.h"
#include "ProbeAudit.h"
#include "ReportPdf.h"
#include "SignatureText.h"
#include "WaitCursor.h"

namespace ombrix {

TPrintPreview* PrintPreview = nullptr;

namespace {

// Fills the layout form from the record on show, with the window's code page, the workplace's
// temperature range and the probe's limits.
TPrintPreview& ShowReport(TMainForm& form, TPrintPreview& layout) {
  const TProbeWorkplace& place = *form.Workplace;
  layout.SetTextDecoder(
      [codePage = place.CodePage()](std::string_view bytes) { return codePage.ToUnicode(bytes); });
  layout.ShowRecord(*place.Record, place.MinTemperature, place.MaxTemperature,
                    place.LimitsFor(form.LimitsSerial()));
  // A record that is an archive entry prints its signatures. When the archive cannot give them,
  // the summary page says so, so that no signature is taken for missing.
  if (place.Origin.archiveEntry != 0) {
    std::string error;
    TArchive* archive = form.Workplace->OpenArchive(error);
    QStringList lines;
    if (!archive || !SignatureTexts(*archive, place.Origin.archiveEntry, lines, error)) {
      lines << TMainForm::tr("Signatures could not be read: %1").arg(QString::fromStdString(error));
    }
    layout.SetSignatures(lines);
  }
  return layout;
}

// The report of the record on show in the audit trail, as ombrix-cli's report records it: into
// the file the printer writes, or to the printer by its name.
void AuditReport(TMainForm& form, const QPrinter& printer, bool done, const std::string& message) {
  const TProbeRecord& record = *form.Workplace->Record;
  const QString file = printer.outputFileName();
  const AuditEvent event =
      file.isEmpty() ? PrintedEvent(record, printer.printerName().toStdString(), done, message)
                     : RecordEvent("report", record, ShownFileName(file), done, message);
  ShowAuditFailure(&form, "report", form.Workplace->AppendAudit(event));
}

constexpr const char* kNotPrinted = "the report could not be printed";

}  // namespace

QPrinter& TMainForm::Printer() {
  if (!printer_) printer_ = std::make_shared<QPrinter>(QPrinter::HighResolution);
  // Before any dialog, so that the dialog offers landscape.
  printer_->setPageOrientation(QPageLayout::Landscape);
  return *printer_;
}

TPrintPreview& TMainForm::ReportLayout() {
  if (PrintPreview) return *PrintPreview;
  if (!ownReportLayout_) ownReportLayout_ = std::make_shared<TPrintPreview>();
  return *ownReportLayout_;
}

void TMainForm::FilePrintExecute() {
  QPrinter& printer = Printer();
  {
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, TPrintPreview::kPageCount);
    if (RunDialog(dialog) != QDialog::Accepted) return;
  }
  TPrintPreview& layout = ShowReport(*this, ReportLayout());
  bool printed = true;
  {
    const WaitCursor wait;
    printer.setDocName(ApplicationTitle());
    // The dialog has put the chosen number of copies into the printer. Where the printing system
    // cannot make copies itself, each copy is a job of its own.
    const int jobs = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    for (int job = 0; job < jobs && printed; ++job) printed = layout.PrintReport(printer);
  }
  AuditReport(*this, printer, printed, printed ? "" : kNotPrinted);
  if (!printed) ShowMessage(this, Msg("MsgError"), tr("The report could not be printed."));
}

void TMainForm::FilePrintPreviewExecute() {
  QPrinter& printer = Printer();
  TPrintPreview& layout = ShowReport(*this, ReportLayout());
  printer.setDocName(ApplicationTitle());
  bool drawn = true;
  QPrintPreviewDialog dialog(&printer, this);
  dialog.setWindowTitle(tr("Print Preview"));
  dialog.resize(960, 720);
  // Called for the preview and, when the user prints from it, for the printer.
  connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* page) {
    if (!layout.PrintReport(*page)) drawn = false;
  });
  // The dialog closes with Accepted once the user has printed from it.
  if (RunDialog(dialog) == QDialog::Accepted) {
    AuditReport(*this, printer, drawn, drawn ? "" : kNotPrinted);
  }
  if (!drawn) ShowMessage(this, Msg("MsgError"), tr("The report could not be printed."));
}

void TMainForm::FileExportPdfExecute() {
  FileDialogRequest request;
  request.kind = FileDialogKind::Save;
  request.title = tr("Export PDF");
  request.filter = tr("PDF document") + QStringLiteral("|*.pdf");
  request.defaultExtension = QStringLiteral("pdf");
  if (Workplace->HasFile()) {
    // The report of a record file goes beside it, under its name.
    const QFileInfo record(Workplace->FileName);
    request.directory = record.absolutePath();
    request.fileName = record.completeBaseName() + QStringLiteral(".pdf");
  } else {
    request.fileName = QStringLiteral("report.pdf");
  }
  const QString chosen = RunFileDialog(this, request);
  if (chosen.isEmpty() || !MayReplace(this, chosen)) return;

  TPrintPreview& layout = ShowReport(*this, ReportLayout());
  std::string error;
  bool written;
  {
    const WaitCursor wait;
    written = WriteReportPdf(layout, chosen, ApplicationTitle(), &error);
  }
  ShowAuditFailure(
      this, "report",
      Workplace->AppendAudit(RecordEvent("report", *Workplace->Record, ShownFileName(chosen),
                                         written, written ? std::string() : error)));
  if (!written) {
    ShowMessage(this, Msg("MsgError"), FailureText(tr("The report was not saved."), error));
  }
}

}  // namespace ombrix
