#include <QFileInfo>
#include <QJsonObject>

#include <memory>

#include "CaptionSource.h"
#include "Commands.h"
#include "Dataexport.h"
#include "ExitCode.h"
#include "ProbeRecord.h"
#include "RecordFile.h"
#include "Report.h"

namespace ombrix::cli {

namespace {

int Load(const Request& request, const Console& console, TProbeRecord& record) {
  std::string error;
  if (LoadFromFile(record, request.recordFile, &error)) return kSuccess;
  console.Message(error);
  return kFileError;
}

}  // namespace

int RunExport(const Request& request, const Console& console) {
  auto record = std::make_unique<TProbeRecord>();
  if (int code = Load(request, console, *record)) return code;
  const StatusPageCaptions captions;
  std::string error;
  if (!TDataExport(captions, *record).Export(request.output, &error)) {
    console.Message("the export was not written: " + error);
    return kFileError;
  }
  return kSuccess;
}

int RunShow(const Options& options, const Request& request, const Console& console) {
  auto record = std::make_unique<TProbeRecord>();
  if (int code = Load(request, console, *record)) return code;
  const Fields fields = RecordFields(*record);
  const Fields summary = SampleSummary(*record);
  if (options.json) {
    PrintJson(console.out, {{"File", QFileInfo(request.recordFile).absoluteFilePath()},
                            {"Record", ToJson(fields)},
                            {"Summary", ToJson(summary)}});
    return kSuccess;
  }
  // "File :" as the status bar shows it for a record file.
  Fields all{{QString(), QStringLiteral("File :"), request.recordFile, {}}};
  all.insert(all.end(), fields.begin(), fields.end());
  PrintText(console.out, all);
  console.out << '\n';
  PrintText(console.out, summary);
  return kSuccess;
}

}  // namespace ombrix::cli
