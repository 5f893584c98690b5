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
         options.command == Command::kReport;
}

int RunReport(const Request& request, const Console& console) {
  auto record = std::make_unique<TProbeRecord>();
  std::string error;
  if (!LoadFromFile(*record, request.recordFile, &error)) {
    console.Message(error);
    return kFileError;
  }
  // The layout form is a widget, though it is never shown.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    console.Message("the report needs the program's widget application");
    return kDataError;
  }
  TPrintPreview layout;
  layout.ShowRecord(*record);
  const QString title = QFileInfo(request.recordFile).completeBaseName();
  if (!WriteReportPdf(layout, request.output, title, &error)) {
    console.Message("the report was not written: " + error);
    return kFileError;
  }
  return kSuccess;
}

}  // namespace ombrix::cli
