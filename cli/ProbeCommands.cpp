#include <QJsonObject>

#include <memory>

#include "AdapterProvenance.h"
#include "CaptionSource.h"
#include "CodePage.h"
#include "Commands.h"
#include "Dataexport.h"
#include "DownloadSession.h"
#include "ExitCode.h"
#include "FileRead.h"
#include "FtdiDriver.h"
#include "Probe.h"
#include "ProbeAudit.h"
#include "ProgressBar.h"
#include "RecordFile.h"
#include "Report.h"
#include "InterruptGuard.h"


namespace ombrix::cli {

namespace {

constexpr const char* kMsgCmdOk = "Cmd : OK";
constexpr const char* kMsgCmdError = "Cmd : Error";
constexpr const char* kMsgDataOk = "Data : OK";
constexpr const char* kMsgDataError = "Data : Error";

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// Reports a failed probe operation by the record's LastError and returns the exit code for it.
// `outcome` is the window's word for a failed command ("Cmd : Error" or "Data : Error"; none while
// looking for adapter and probe); `notAllowed` says why the probe's state refuses the command.
int Fail(const TProbe& probe, const char* outcome, const Console& console,
         const std::string& notAllowed = MessageForError(peNotAllowed).text) {
  const std::string adapter = Quoted(probe.Adapter->Description);
  const std::string what = outcome ? std::string(outcome) + ": " : std::string();
  const std::string text = MessageForError(probe.LastError).text;
  switch (probe.LastError) {
    case peNoAdapter: {
      const OpenFailure why = probe.Adapter->Failure;
      std::string line = why == OpenFailure::kNone
                             ? text + " (no USB device is called " + adapter + ")"
                             : text + " (" + adapter + ": " + OpenFailureText(why) + ". " +
                                   OpenFailureAdvice(why) + ")";
      if (CurrentDriver().SawInaccessibleDevice()) {
        line +=
            "; an FTDI device was found that this user may not open: see \"Real adapters: "
            "USB access\" in the README";
      }
      console.Message(line);
      return kNoAdapter;
    }
    case peMoreAdapters:
      console.Message(text + " (more than one USB device is called " + adapter + ")");
      return kNoAdapter;
    case peAdapterSilent:
    case peLinkClosed:
      console.Message(what + text + " (" + adapter + ")");
      return kNoAdapter;
    case peNoProbe:
      console.Message(text);
      return kNoProbe;
    case peNotAllowed:
      console.Message(what + notAllowed);
      return kNotAllowed;
    case peStartNotAfterClock:
    case peStartTooFar:
      console.Message(text);
      return kStartRefused;
    default:
      console.Message(what + text);
      return kDataError;
  }
}

int Interrupted(const Console& console) {
  console.Message("the download was interrupted: nothing was stored or saved");
  return kInterrupted;
}

// A fresh probe record that looks for the adapter of the configured description.
std::unique_ptr<TProbe> NewRecord(const Options& options) {
  auto probe = std::make_unique<TProbe>();
  if (options.device) probe->SetAdapterName(*options.device);
  return probe;
}

// The probe record for one command, with a probe detected on its adapter. kSuccess or the exit
// code after a message.
int Connect(const Options& options, const Console& console, std::unique_ptr<TProbe>& probe) {
  probe = NewRecord(options);
  if (probe->DetectProbe()) return kSuccess;
  return Fail(*probe, nullptr, console);
}

// The state a refusal names: what the probe holds and does.
std::string StateText(const TProbe& probe) {
  if (probe.ProbeOff) return "the probe is switched off";
  if (probe.MemoryClear) return "the probe's memory is clear";
  if (probe.MissionInProgress) return "recording is in progress";
  return "recording is stopped and the probe holds data";
}

// Clock Setup and Write text act only on a clear probe, as on the Status page.
int RequireClear(TProbe& probe, bool readText, const Console& console, const std::string& action) {
  if (!probe.ReadStatus(readText)) return Fail(probe, kMsgCmdError, console);
  if (probe.MemoryClear) return kSuccess;
  console.Message(std::string(kMsgCmdError) + ": " + action + " only on a clear probe; " +
                  StateText(probe));
  return kNotAllowed;
}

void PrintLine(const Console& console, const QString& label, const QString& text) {
  PrintText(console.out, {{QString(), label, text, QJsonValue()}});
}

}  // namespace

int RunStatus(const Options& options, const Console& console) {
  auto probe = NewRecord(options);
  if (!probe->DetectProbe()) {
    const int lastError = probe->LastError;
    // An adapter without a probe is still shown, as in the status bar.
    if (lastError == peNoProbe) {
      const Fields adapter = AdapterFields(*probe);
      if (options.json) {
        PrintJson(console.out, {{"Adapter", ToJson(adapter)}, {"Probe", QJsonValue()}});
      } else {
        PrintText(console.out, adapter);
      }
    }
    probe->LastError = lastError;
    return Fail(*probe, nullptr, console);
  }
  const Fields adapter = AdapterFields(*probe);
  if (!probe->ReadStatus(true)) return Fail(*probe, kMsgCmdError, console);
  const bool clockRead = probe->ReadClock() != 0;
  const Fields status = ProbeStatusFields(*probe, NowDateTime());
  if (options.json) {
    PrintJson(console.out, {{"Adapter", ToJson(adapter)}, {"Probe", ToJson(status)}});
  } else {
    Fields all = adapter;
    all.insert(all.end(), status.begin(), status.end());
    PrintText(console.out, all);
  }
  if (!clockRead) {
    console.Message(std::string(kMsgCmdError) + ": the probe's clock could not be read");
    return kDataError;
  }
  return kSuccess;
}

int RunDownload(const Options& options, const Request& request, const Console& console) {
  // An archive that cannot be opened does not stop the download: the record file still gets it,
  // and the exit code says that it was not archived.
  std::unique_ptr<TArchive> archive;
  std::string archiveError;
  if (request.storeDownload) {
    archive = std::make_unique<TArchive>(request.archive);
    if (!archive->Open(archiveError)) archive.reset();
  }

  std::unique_ptr<TProbe> probe;
  if (int code = Connect(options, console, probe)) return code;
  DownloadSetup setup;
  setup.archive = archive.get();
  setup.incremental = !request.fullDownload;
  setup.adapterText = ProvenanceAdapterText(options.device.value_or("Ombrix adapter"),
                                            probe->AdapterSerialNumber());
  DownloadSession session(*probe, setup);
  // Interrupted (Ctrl+C, or a TERM signal): the download stops before its next block and nothing
  // is stored or written.
  const InterruptGuard interrupt;
  if (!session.Begin()) {
    Audit(request, console, session.FailureEvent());
    return Fail(*probe, kMsgDataError, console, "the probe holds no data; " + StateText(*probe));
  }
  {
    ProgressBar progress(console.err, console.errIsTerminal);
    progress.Show(0);
    do {
      if (InterruptGuard::Interrupted()) session.Cancel();
      progress.Show(session.Progress());
    } while (session.Step());
    if (session.GetState() == DownloadSession::State::kDone) progress.Show(100);
  }
  if (session.GetState() != DownloadSession::State::kDone) {
    Audit(request, console, session.FailureEvent());
    if (session.GetState() == DownloadSession::State::kCancelled) return Interrupted(console);
    probe->LastError = session.Error();
    return Fail(*probe, kMsgDataError, console);
  }
  // The last chance to stop: once the archive holds the download, the file is written too.
  if (InterruptGuard::Interrupted()) {
    session.Cancel();
    Audit(request, console, session.FailureEvent());
    return Interrupted(console);
  }

  // Stored in the archive first, then saved as a file.
  std::string archived;
  if (archive) {
    StoreResult stored;
    if (session.Store(stored, archiveError)) {
      archived = "archive entry " + std::to_string(stored.id);
      if (stored.duplicate) archived += " (already stored)";
    } else {
      Audit(request, console, session.FailureEvent(archiveError));
    }
  }
  const std::unique_ptr<const TProbeRecord> record = session.TakeRecord();
  std::string error;
  if (!SaveToFile(*record, request.output, &error)) {
    console.Message(std::string(kMsgDataOk) + ", but the record file was not saved: " + error);
    if (!archived.empty()) console.Message("the download is kept as " + archived);
    return kFileError;
  }
  console.Message(std::string(kMsgDataOk) + ": " + std::to_string(record->HeldSamples()) +
                  " samples saved to " + options.output);
  if (!archived.empty()) console.Message("stored as " + archived);
  if (session.Incremental()) {
    console.Message("incremental download: " + std::to_string(session.BlocksRead()) +
                    " log blocks read, the rest taken from the earlier download in the archive");
  }
  if (!request.exportFile.isEmpty()) {
    const StatusPageCaptions captions;
    const bool exported = TDataExport(captions, *record).Export(request.exportFile, &error);
    Audit(request, console,
          RecordEvent("export", *record, ShownFileName(request.exportFile), exported,
                      exported ? std::string() : error));
    if (!exported) {
      console.Message("the export was not written: " + error);
      return kFileError;
    }
    console.Message("exported to " + options.exportFile);
  }
  if (request.storeDownload && archived.empty()) {
    console.Message("the download was not stored in the archive: " + archiveError);
    return kArchiveError;
  }
  // The verdict against the probe's limits, once the download is safe.
  TemperatureLimits limits;
  if (!request.settings.LimitsFor(record->SerialNumber, request.limits, limits, error)) {
    console.Message(error);
    return kUsage;
  }
  const RecordStatistics statistics = ComputeStatistics(*record, limits);
  console.Message(std::string("limits: ") + VerdictText(statistics.verdict) +
                  (statistics.excursions.empty()
                       ? ""
                       : " (" + std::to_string(statistics.excursions.size()) + " excursions)"));
  return options.check ? CheckCode(statistics.verdict, options.output, console) : kSuccess;
}

void Audit(const Request& request, const Console& console, const AuditEvent& event) {
  if (!request.storeDownload) return;
  const std::string error = RecordAction(request.archive, event);
  if (!error.empty()) {
    console.Message("the audit trail does not have this " + event.action + ": " + error);
  }
}

// The action's event on the probe as it stands, done or failed with the probe's error.
static AuditEvent Event(const Options& options, TProbe& probe, const std::string& action,
                        bool done) {
  return ProbeEvent(action, probe, options.device.value_or("Ombrix adapter"), done);
}

int RunLaunch(const Options& options, const Request& request, const Console& console) {
  std::unique_ptr<TProbe> probe;
  if (int code = Connect(options, console, probe)) return code;
  probe->SampleRate = request.rate;
  if (request.start != 0) {
    probe->StartTime = request.start;
  } else {
    probe->SetStartNextMinute();
  }
  probe->RolloverEnable = options.rollover;
  const bool launched = probe->LaunchMission(options.test);
  AuditEvent event = Event(options, *probe, "launch", launched);
  event.newValue = LaunchValues(*probe, options.test);
  Audit(request, console, event);
  if (!launched) {
    return Fail(*probe, kMsgCmdError, console,
                "Probe must be clear to start; " + StateText(*probe));
  }
  console.Message(kMsgCmdOk);
  PrintLine(console, QStringLiteral("First Sample :"), DateTimeText(probe->StartTime));
  return kSuccess;
}

int RunStop(const Options& options, const Request& request, const Console& console) {
  std::unique_ptr<TProbe> probe;
  if (int code = Connect(options, console, probe)) return code;
  const bool stopped = probe->StopMission();
  Audit(request, console, Event(options, *probe, "stop", stopped));
  if (!stopped) {
    return Fail(*probe, kMsgCmdError, console,
                "there is no recording to stop; " + StateText(*probe));
  }
  console.Message(kMsgCmdOk);
  return kSuccess;
}

int RunClear(const Options& options, const Request& request, const Console& console) {
  std::unique_ptr<TProbe> probe;
  if (int code = Connect(options, console, probe)) return code;
  // What the clear erases, as the probe holds it now: a fresh connection has not read its status
  // yet. A probe that does not answer here fails the clear below with the reason.
  const std::string held =
      probe->ReadStatus(false) ? "samples=" + std::to_string(probe->MissionSamples) : "";
  const bool cleared = probe->ClearProbe();
  AuditEvent event = Event(options, *probe, "clear", cleared);
  event.oldValue = held;
  Audit(request, console, event);
  if (!cleared) {
    const std::string why = probe->MissionInProgress ? "stop the recording before clearing"
                                                     : "there is nothing to clear";
    return Fail(*probe, kMsgCmdError, console, why + "; " + StateText(*probe));
  }
  console.Message(kMsgCmdOk);
  return kSuccess;
}

int RunSwitchOff(const Options& options, const Request& request, const Console& console) {
  std::unique_ptr<TProbe> probe;
  if (int code = Connect(options, console, probe)) return code;
  const bool off = probe->SwitchOff();
  Audit(request, console, Event(options, *probe, "switch off", off));
  if (!off) {
    return Fail(*probe, kMsgCmdError, console,
                "only a clear probe can be switched off; " + StateText(*probe));
  }
  console.Message(kMsgCmdOk);
  return kSuccess;
}

int RunSetClock(const Options& options, const Request& request, const Console& console) {
  std::unique_ptr<TProbe> probe;
  if (int code = Connect(options, console, probe)) return code;
  if (int code = RequireClear(*probe, false, console, "the clock is set")) return code;
  const std::string before = ClockValue(DateTimeToProbeSeconds(probe->CurrentClock));
  probe->SetClockSeconds(NowProbeSeconds());
  const bool set = probe->LastError == peNone && probe->ReadClock() != 0;
  AuditEvent event = Event(options, *probe, "clock setup", set);
  event.oldValue = before;
  if (set) event.newValue = ClockValue(DateTimeToProbeSeconds(probe->CurrentClock));
  Audit(request, console, event);
  if (!set) return Fail(*probe, kMsgCmdError, console);
  console.Message(kMsgCmdOk);
  PrintLine(console, QStringLiteral("Current Clock :"), DateTimeText(probe->CurrentClock));
  return kSuccess;
}

int RunWriteText(const Options& options, const Request& request, const Console& console) {
  std::unique_ptr<TProbe> probe;
  if (int code = Connect(options, console, probe)) return code;
  // Name and comment are written together: the one not given keeps what the probe holds.
  if (int code = RequireClear(*probe, true, console, "name and comment are written")) return code;
  const std::string before = TextValues(probe->Name, probe->Comment);
  if (options.name) probe->Name = request.name;
  if (options.comment) probe->Comment = request.comment;
  const bool written = probe->WriteText(6) && probe->ReadStatus(true);
  AuditEvent event = Event(options, *probe, "write text", written);
  event.oldValue = before;
  event.newValue = TextValues(probe->Name, probe->Comment);
  Audit(request, console, event);
  if (!written) return Fail(*probe, kMsgCmdError, console);
  console.Message(kMsgCmdOk);
  PrintText(
      console.out,
      {{QString(), QStringLiteral("Name :"), DefaultCodePage().ToUnicode(probe->Name), {}},
       {QString(), QStringLiteral("Comment :"), DefaultCodePage().ToUnicode(probe->Comment), {}}});
  return kSuccess;
}

}  // namespace ombrix::cli
