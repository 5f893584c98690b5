// station: downloads every probe put on any adapter, one output line per step and per probe.
#include <QApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

#include "Commands.h"
#include "ExitCode.h"
#include "InterruptGuard.h"
#include "ReportPdf.h"
#include "Station.h"
#include "TimeConversion.h"

namespace ombrix::cli {

namespace {

// The configuration from the settings' [Station] section, each value in place of nothing the
// command line gives; kUsage after a message.
int Configure(const Options& options, const Request& request, const Console& console,
              StationConfig& config) {
  const TIniFile* ini = request.settings.Ini();
  StationSettings settings;
  std::string error;
  if (!ReadStationSettings(ini, settings, error)) {
    console.Message(error);
    return kUsage;
  }
  if (options.folder) settings.folder = *options.folder;
  if (options.pattern) settings.pattern = *options.pattern;
  if (options.stationExport) (void)ParseStationExport(*options.stationExport, settings.exportForm);
  if (options.stationReport) settings.report = true;
  if (options.rearm) settings.rearm = *options.rearm;
  std::optional<RearmPlan> rearm;
  if (!CheckStationSettings(ini, settings, rearm, error)) {
    console.Message(error);
    return kUsage;
  }
  if (!ApplyStationSettings(settings, rearm, config)) {
    console.Message("the station's folder " + settings.folder + " cannot be made");
    return kFileError;
  }
  if (settings.report) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
      console.Message("the report needs the program's widget application");
      return kDataError;
    }
    config.report = WriteRecordReportPdf;
  }
  if (options.device) config.deviceName = *options.device;
  if (request.storeDownload) config.archive = request.archive;
  config.incremental = !request.fullDownload;
  config.settings = request.settings;
  config.limits = request.limits;
  return kSuccess;
}

QJsonObject EventJson(const StationEvent& e) {
  QJsonObject object;
  object[QStringLiteral("time")] = IsoDateTimeText(e.utcMilliseconds / 1000);
  object[QStringLiteral("adapter")] = QString::fromStdString(e.adapter);
  if (!e.probeSerial.empty()) {
    object[QStringLiteral("probe")] = QString::fromStdString(e.probeSerial);
    object[QStringLiteral("name")] = QString::fromStdString(e.probeName);
  }
  object[QStringLiteral("step")] = QString::fromLatin1(StationStepName(e.step));
  object[QStringLiteral("ok")] = e.ok;
  if (e.progress >= 0) object[QStringLiteral("progress")] = e.progress;
  if (!e.verdict.empty()) object[QStringLiteral("verdict")] = QString::fromStdString(e.verdict);
  if (!e.file.empty()) object[QStringLiteral("file")] = QString::fromStdString(e.file);
  if (e.entry != 0) object[QStringLiteral("entry")] = static_cast<qint64>(e.entry);
  if (e.step == StationEvent::Step::kDone) object[QStringLiteral("rearmed")] = e.rearmed;
  if (!e.message.empty()) object[QStringLiteral("message")] = QString::fromStdString(e.message);
  return object;
}

// "14:30:05 OMX10001 4F 01 00 1A 0B 00 00 3C save: /station/x.omx".
std::string EventLine(const StationEvent& e) {
  const QString time = DateTimeText(ProbeSecondsToDateTime(e.utcMilliseconds / 1000));
  std::string line = time.toStdString() + ' ' + e.adapter;
  if (!e.probeSerial.empty()) line += ' ' + e.probeSerial;
  line += ' ' + std::string(StationStepName(e.step));
  std::vector<std::string> details;
  if (e.progress >= 0) details.push_back(std::to_string(e.progress) + " %");
  if (!e.probeName.empty() && e.step == StationEvent::Step::kStatus) {
    details.push_back("\"" + e.probeName + "\"");
  }
  if (e.entry != 0) details.push_back("archive entry " + std::to_string(e.entry));
  if (!e.verdict.empty()) details.push_back("limits: " + e.verdict);
  if (!e.file.empty()) details.push_back(e.file);
  if (!e.message.empty()) details.push_back(e.message);
  for (std::size_t i = 0; i < details.size(); ++i) line += (i == 0 ? ": " : ", ") + details[i];
  return line;
}

}  // namespace

int RunStation(const Options& options, const Request& request, const Console& console) {
  StationConfig config;
  if (int code = Configure(options, request, console, config)) return code;
  const bool json = options.json;
  std::ostream& out = console.out;
  TStation station(config, [json, &out](const StationEvent& event) {
    if (json) {
      out << QJsonDocument(EventJson(event)).toJson(QJsonDocument::Compact).toStdString() << '\n';
    } else {
      out << EventLine(event) << '\n';
    }
    out.flush();
  });
  const InterruptGuard interrupt;
  TStation::StopWhen when;
  when.afterMs = options.untilMilliseconds;
  when.probes = options.probes;
  when.interrupted = [] { return InterruptGuard::Interrupted(); };
  // The station runs on a thread of its own: the report is laid out by widgets on this one.
  QEventLoop loop;
  station.Start(when, [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit); });
  loop.exec();
  station.Wait();
  if (InterruptGuard::Interrupted()) {
    console.Message("the station was interrupted: a download under way was not kept");
    return kInterrupted;
  }
  return station.ProbesFailed() > 0 ? kDataError : kSuccess;
}

}  // namespace ombrix::cli
