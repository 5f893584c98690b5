// ombrix-cli report: the printed report of a record file as a PDF document.
#include <QApplication>
#include <QFileInfo>

#include <memory>
#include <string>

#include "Cli.h"
#include "Commands.h"
#include "ExitCode.h"
#include "Printform.h"
#include "RecordFile.h"
#include "ReportPdf.h"

namespace ombrix::cli {

bool NeedsWidgets(const std::vector<std::string>& arguments) {
  Options options;
  std::string error;
  return ParseCommandLine(arguments, options, error) && !options.help && !options.version &&
         (options.command == Command::kReport || options.command == Command::kStation ||
          (options.command == Command::kServe && !options.hashPassword));
}

int RunReport(const Options& options, const Request& request, const Console& console) {
  std::vector<Input> inputs;
  if (int code = LoadInputs(options, request, console, inputs)) return code;
  std::vector<Checked> checked;
  if (int code = Check(inputs, request, console, checked)) return code;
  // The layout form is a widget, though it is never shown.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    console.Message("the report needs the program's widget application");
    return kDataError;
  }
  std::vector<ReportRecord> records;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    ReportRecord& record = records.emplace_back();
    record.record = inputs[i].record.get();
    record.limits = checked[i].limits;
    record.signatures = inputs[i].signatures;
  }
  TPrintPreview layout;
  const QString title = inputs.size() == 1 ? QFileInfo(inputs[0].shown).completeBaseName()
                                           : QFileInfo(request.output).completeBaseName();
  std::string error;
  const bool written = WriteReportsPdf(layout, records, request.output, title, &error);
  std::vector<const TProbeRecord*> reported;
  for (const Input& input : inputs) reported.push_back(input.record.get());
  AuditRecords(request, console, "report", reported, request.output, written, error);
  if (!written) {
    console.Message("the report was not written: " + error);
    return kFileError;
  }
  return kSuccess;
}

}  // namespace ombrix::cli
