#include <QFileInfo>
#include <QJsonObject>

#include <memory>

#include "CaptionSource.h"
#include "Commands.h"
#include "Dataexport.h"
#include "ExitCode.h"
#include "Probe.h"
#include "RecordFile.h"
#include "Report.h"

namespace ombrix::cli {

namespace {

int Load(const Request& request, const Console& console, TProbe& probe) {
  std::string error;
  if (LoadFromFile(probe, request.recordFile, &error)) return kSuccess;
  console.Message(error);
  return kFileError;
}

}  // namespace

int RunExport(const Request& request, const Console& console) {
  auto probe = std::make_unique<TProbe>();
  if (int code = Load(request, console, *probe)) return code;
  const StatusPageCaptions captions;
  std::string error;
  if (!TDataExport(captions, *probe).Export(request.output, &error)) {
    console.Message("the export was not written: " + error);
    return kFileError;
  }
  return kSuccess;
}

int RunShow(const Options& options, const Request& request, const Console& console) {
  auto probe = std::make_unique<TProbe>();
  if (int code = Load(request, console, *probe)) return code;
  const Fields record = RecordFields(*probe);
  const Fields summary = SampleSummary(*probe);
  if (options.json) {
    PrintJson(console.out, {{"File", QFileInfo(request.recordFile).absoluteFilePath()},
                            {"Record", ToJson(record)},
                            {"Summary", ToJson(summary)}});
    return kSuccess;
  }
  // "File :" as the status bar shows it for a record file.
  Fields all{{QString(), QStringLiteral("File :"), request.recordFile, {}}};
  all.insert(all.end(), record.begin(), record.end());
  PrintText(console.out, all);
  console.out << '\n';
  PrintText(console.out, summary);
  return kSuccess;
}

}  // namespace ombrix::cli
