#include "Station.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <condition_variable>

#include "AdapterProvenance.h"
#include "CaptionSource.h"
#include "Clock.h"
#include "CodePage.h"
#include "CsvExport.h"
#include "Dataexport.h"
#include "DownloadSession.h"
#include "Probe.h"
#include "ProbeAudit.h"
#include "RecordFile.h"
#include "SafeFile.h"

namespace ombrix {

const char* StationStepName(StationEvent::Step step) {
  using Step = StationEvent::Step;
  switch (step) {
    case Step::kAdapter:
      return QT_TRANSLATE_NOOP("StationStep", "adapter");
    case Step::kAdapterGone:
      return QT_TRANSLATE_NOOP("StationStep", "adapter-gone");
    case Step::kStatus:
      return QT_TRANSLATE_NOOP("StationStep", "status");
    case Step::kDownload:
      return QT_TRANSLATE_NOOP("StationStep", "download");
    case Step::kStore:
      return QT_TRANSLATE_NOOP("StationStep", "store");
    case Step::kSave:
      return QT_TRANSLATE_NOOP("StationStep", "save");
    case Step::kVerdict:
      return QT_TRANSLATE_NOOP("StationStep", "verdict");
    case Step::kReport:
      return QT_TRANSLATE_NOOP("StationStep", "report");
    case Step::kExport:
      return QT_TRANSLATE_NOOP("StationStep", "export");
    case Step::kRearm:
      return QT_TRANSLATE_NOOP("StationStep", "rearm");
    case Step::kDone:
      return QT_TRANSLATE_NOOP("StationStep", "done");
    case Step::kFailed:
      return QT_TRANSLATE_NOOP("StationStep", "failed");
    case Step::kAlreadyDone:
      return QT_TRANSLATE_NOOP("StationStep", "already-done");
    case Step::kTakenOff:
      return QT_TRANSLATE_NOOP("StationStep", "taken-off");
  }
  return "?";
}

struct TStation::Worker {
  std::thread thread;
  std::atomic<bool> ended{false};
};

template <typename Fn>
auto TStation::Link(Fn fn) {
  std::unique_lock lock(linkMutex_, std::defer_lock);
  if (takeTurns_) lock.lock();
  return fn();
}

namespace {

// The message of a station's event in the program's language: English wherever it is printed
// (ombrix-cli installs no translator), the window's language where the window shows it. Events
// are never kept; what the audit trail keeps is built apart, in English.
template <typename... Args>
std::string Said(const char* source, const Args&... args) {
  const QString text = QCoreApplication::translate("TStation", source);
  if constexpr (sizeof...(Args) == 0) {
    return text.toStdString();
  } else {
    return text.arg(QString::fromStdString(args)...).toStdString();
  }
}

// A probe's error as the window shows it.
std::string ShownError(const std::string& english) {
  return QCoreApplication::translate("ProbeError", english.c_str()).toStdString();
}

// A file name that is not taken yet: the name itself, else with "_2", "_3", ... before its
// extension.
QString FreeName(const QString& path) {
  if (!QFileInfo::exists(path)) return path;
  const QFileInfo info(path);
  const QString stem = info.path() + u'/' + info.completeBaseName();
  const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
  for (int n = 2;; ++n) {
    const QString candidate = stem + u'_' + QString::number(n) + suffix;
    if (!QFileInfo::exists(candidate)) return candidate;
  }
}

QString Beside(const QString& recordFile, const char* extension) {
  const QFileInfo info(recordFile);
  return FreeName(info.path() + u'/' + info.completeBaseName() + QLatin1String(extension));
}

std::string LaunchFirstSample(const TProbe& probe) {
  return IsoDateTimeText(probe.StartSeconds).toStdString();
}

}  // namespace

// One probe on one adapter, from its status to its summary.
class StationProbe {
 public:
  StationProbe(TStation& station, TProbe& probe, TArchive* archive, std::string adapterSerial)
      : station_(station),
        config_(station.config_),
        probe_(probe),
        archive_(archive),
        adapterSerial_(std::move(adapterSerial)),
        adapterText_(ProvenanceAdapterText(config_.deviceName, adapterSerial_)) {}

  void Run() {
    if (!station_.Link([&] { return probe_.ReadStatus(true); })) {
      return Failed(Said(QT_TRANSLATE_NOOP("TStation", "the status could not be read: %1"),
                         ShownError(ErrorText())));
    }
    StationEvent status = Event(StationEvent::Step::kStatus);
    status.message = probe_.MemoryClear
                         ? Said(QT_TRANSLATE_NOOP("TStation", "clear"))
                         : Said(QT_TRANSLATE_NOOP("TStation", "%1 samples, mission started %2"),
                                std::to_string(probe_.MissionSamples),
                                IsoDateTimeText(probe_.MissionStartSeconds).toStdString());
    station_.Emit(status);
    if (NothingRecorded()) return;
    if (KnownAgain()) return;
    if (!Download()) return;
    if (!Store()) return;
    if (!Save()) return;
    Judge();
    if (!Report()) return;
    if (!Export()) return;
    bool rearmed = false;
    if (config_.rearm) {
      if (!Rearm()) return;
      rearmed = true;
    }
    StationEvent done = Event(StationEvent::Step::kDone);
    done.file = file_.toStdString();
    done.entry = entry_;
    done.verdict = verdict_;
    done.rearmed = rearmed;
    done.message =
        Said(QT_TRANSLATE_NOOP("TStation", "%1 samples"), std::to_string(record_->HeldSamples())) +
        (incremental_ ? Said(QT_TRANSLATE_NOOP("TStation", ", incremental")) : "") +
        (rearmed ? Said(QT_TRANSLATE_NOOP("TStation", ", re-armed")) : "");
    ++station_.ended_;
    station_.Emit(done);
  }

  std::uint64_t Serial() const { return probe_.SerialNumber; }

 private:
  StationEvent Event(StationEvent::Step step) const {
    StationEvent event;
    event.adapter = adapterSerial_;
    if (probe_.SerialNumber != 0) event.probeSerial = SerialNumberText(probe_.SerialNumber);
    event.probeName = DefaultCodePage().ToUnicode(probe_.Name).toStdString();
    event.step = step;
    return event;
  }

  std::string ErrorText() const { return MessageForError(probe_.LastError).text; }

  // The summary of a probe whose step failed: it keeps its mission and data.
  void Failed(const std::string& why) {
    StationEvent failed = Event(StationEvent::Step::kFailed);
    failed.ok = false;
    failed.message = why;
    failed.file = file_.toStdString();
    failed.entry = entry_;
    ++station_.ended_;
    ++station_.failed_;
    station_.Emit(failed);
  }

  void Audit(const AuditEvent& event) const {
    if (config_.archive) (void)RecordAction(*config_.archive, event);
  }

  // A probe with no sample to download: a clear one is launched when the station re-arms (it has
  // nothing to lose), else left alone; one whose mission has recorded nothing yet is left alone.
  bool NothingRecorded() {
    if (!probe_.MemoryClear && probe_.MissionSamples > 0) return false;
    if (probe_.MemoryClear && config_.rearm) {
      if (!Rearm()) return true;
      StationEvent done = Event(StationEvent::Step::kDone);
      done.rearmed = true;
      done.message = Said(QT_TRANSLATE_NOOP("TStation", "clear, re-armed"));
      ++station_.ended_;
      station_.Emit(done);
      return true;
    }
    StationEvent again = Event(StationEvent::Step::kAlreadyDone);
    again.message =
        probe_.MemoryClear
            ? Said(QT_TRANSLATE_NOOP("TStation", "the probe is clear: nothing to download"))
            : Said(QT_TRANSLATE_NOOP("TStation", "its mission has recorded nothing yet"));
    station_.Emit(again);
    return true;
  }

  // A probe put back with nothing new, or with the mission this station launched.
  bool KnownAgain() {
    if (probe_.MemoryClear || probe_.ProbeOff) return false;
    const std::uint64_t serial = probe_.SerialNumber;
    const StationMemory& memory = *station_.memory_;
    bool known = memory.WasDownloaded(serial, probe_.MissionStartSeconds, probe_.MissionSamples);
    std::string why =
        Said(QT_TRANSLATE_NOOP("TStation", "nothing new since it was downloaded in this run"));
    if (memory.WasLaunched(serial, probe_.MissionStartSeconds)) {
      known = true;
      why = Said(QT_TRANSLATE_NOOP("TStation", "it holds the mission this station launched"));
    }
    if (!known && archive_) {
      std::unique_ptr<TProbeRecord> earlier;
      bool found = false;
      std::string error;
      if (archive_->FindMission(probe_, earlier, found, error) && found &&
          earlier->MissionSamples == probe_.MissionSamples) {
        known = true;
        why = Said(QT_TRANSLATE_NOOP("TStation", "nothing new since its download in the archive"));
      }
    }
    if (!known) return false;
    StationEvent again = Event(StationEvent::Step::kAlreadyDone);
    again.message = why;
    station_.Emit(again);
    return true;
  }

  bool Download() {
    DownloadSetup setup;
    setup.archive = archive_;
    setup.incremental = config_.incremental;
    setup.adapterText = adapterText_;
    session_ = std::make_unique<DownloadSession>(probe_, setup);
    if (!station_.Link([&] { return session_->Begin(); })) {
      Audit(session_->FailureEvent());
      Failed(
          Said(QT_TRANSLATE_NOOP("TStation", "download: %1"), ShownError(session_->FailureText())));
      return false;
    }
    int shown = -1;
    auto progress = [&] {
      const int now = session_->Progress() / 10 * 10;
      if (now == shown) return;
      shown = now;
      StationEvent event = Event(StationEvent::Step::kDownload);
      event.progress = now;
      station_.Emit(event);
    };
    progress();
    while (true) {
      if (station_.cancel_.load()) session_->Cancel();
      if (!station_.Link([&] { return session_->Step(); })) break;
      progress();
    }
    if (session_->GetState() != DownloadSession::State::kDone) {
      Audit(session_->FailureEvent());
      Failed(
          Said(QT_TRANSLATE_NOOP("TStation", "download: %1"), ShownError(session_->FailureText())));
      return false;
    }
    progress();
    incremental_ = session_->Incremental();
    return true;
  }

  bool Store() {
    if (!archive_) return true;
    StoreResult stored;
    std::string error;
    if (!session_->Store(stored, error)) {
      Audit(session_->FailureEvent(error));
      Failed(Said(QT_TRANSLATE_NOOP("TStation", "store: not kept in the archive: %1"), error));
      return false;
    }
    entry_ = stored.id;
    StationEvent event = Event(StationEvent::Step::kStore);
    event.entry = entry_;
    if (stored.duplicate) event.message = Said(QT_TRANSLATE_NOOP("TStation", "already stored"));
    station_.Emit(event);
    return true;
  }

  bool Save() {
    record_ = session_->TakeRecord();
    const std::string name =
        ExpandStationPattern(config_.pattern, *record_, adapterSerial_, entry_);
    const QString path = QDir(config_.folder).filePath(QString::fromStdString(name));
    std::string error;
    std::string shownError;
    bool saved = QDir().mkpath(QFileInfo(path).path());
    if (!saved) {
      const std::string folder = QFileInfo(path).path().toStdString();
      error = "the folder " + folder + " cannot be made";
      shownError = Said(QT_TRANSLATE_NOOP("TStation", "the folder %1 cannot be made"), folder);
    }
    if (saved) {
      file_ = FreeName(path);
      saved = SaveToFile(*record_, file_, &error);
    }
    const std::string shown = file_.isEmpty() ? path.toStdString() : file_.toStdString();
    Audit(RecordEvent("save", *record_, shown, saved, saved ? std::string() : error));
    if (!saved) {
      file_.clear();
      Failed(
          Said(QT_TRANSLATE_NOOP("TStation", "save: %1"), shownError.empty() ? error : shownError));
      return false;
    }
    StationEvent event = Event(StationEvent::Step::kSave);
    event.file = shown;
    station_.Emit(event);
    station_.memory_->Downloaded(record_->SerialNumber, record_->MissionStartSeconds,
                                 record_->MissionSamples);
    return true;
  }

  void Judge() {
    TemperatureLimits limits;
    std::string error;
    StationEvent event = Event(StationEvent::Step::kVerdict);
    if (config_.settings.LimitsFor(record_->SerialNumber, config_.limits, limits, error)) {
      limits_ = limits;
      const RecordStatistics statistics = ComputeStatistics(*record_, limits);
      verdict_ = VerdictText(statistics.verdict);
      if (!statistics.excursions.empty()) {
        event.message = Said(QT_TRANSLATE_NOOP("TStation", "%1 excursions"),
                             std::to_string(statistics.excursions.size()));
      }
    } else {
      verdict_ = QT_TRANSLATE_NOOP("Verdict", "no verdict");
      event.ok = false;
      event.message = error;
    }
    event.verdict = verdict_;
    station_.Emit(event);
  }

  // The PDF report, written by the front end's writer on the main thread. The worker waits for
  // it; when the station is cancelled before the writer has begun, it is not called any more.
  bool Report() {
    if (!config_.report) return true;
    const QString reportFile = Beside(file_, ".pdf");
    struct Job {
      std::mutex mutex;
      std::condition_variable finished;
      bool started = false, done = false, abandoned = false, written = false;
      std::string error;
    };
    auto job = std::make_shared<Job>();
    auto write = [job, writer = config_.report, record = record_, limits = limits_, reportFile] {
      {
        const std::lock_guard lock(job->mutex);
        if (job->abandoned) return;
        job->started = true;
      }
      std::string error;
      const bool written = writer(*record, limits, reportFile, &error);
      const std::lock_guard lock(job->mutex);
      job->done = true;
      job->written = written;
      job->error = error;
      job->finished.notify_all();
    };
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread()) {
      write();
    } else {
      QMetaObject::invokeMethod(application, write, Qt::QueuedConnection);
      std::unique_lock lock(job->mutex);
      // A report begun is waited for: it ends, and what it wrote is then told as it is.
      while (!job->done && (job->started || !station_.cancel_.load())) {
        job->finished.wait_for(lock, std::chrono::milliseconds(50));
      }
      if (!job->done) {
        job->abandoned = true;
        job->error = QT_TRANSLATE_NOOP("TStation", "the station was stopped");
      }
    }
    const bool written = job->written;
    Audit(RecordEvent("report", *record_, reportFile.toStdString(), written,
                      written ? std::string() : job->error));
    if (!written) {
      Failed(Said(QT_TRANSLATE_NOOP("TStation", "report: %1"), Said(job->error.c_str())));
      return false;
    }
    StationEvent event = Event(StationEvent::Step::kReport);
    event.file = reportFile.toStdString();
    station_.Emit(event);
    return true;
  }

  bool Export() {
    if (config_.exportForm == StationExport::kNone) return true;
    std::string error;
    bool written = false;
    QString exportFile;
    if (config_.exportForm == StationExport::kText) {
      exportFile = Beside(file_, ".txt");
      const StatusPageCaptions captions;
      written = TDataExport(captions, *record_).Export(exportFile, &error);
    } else {
      exportFile = Beside(file_, ".csv");
      written = ExportCsv({record_.get()}, DefaultCodePage(), exportFile, &error);
    }
    Audit(RecordEvent("export", *record_, exportFile.toStdString(), written,
                      written ? std::string() : error));
    if (!written) {
      Failed(Said(QT_TRANSLATE_NOOP("TStation", "export: %1"), error));
      return false;
    }
    StationEvent event = Event(StationEvent::Step::kExport);
    event.file = exportFile.toStdString();
    station_.Emit(event);
    return true;
  }

  // One command of the re-arm, audited; false after the summary when it failed.
  bool Command(const char* action, const std::function<bool()>& run,
               const std::function<void(AuditEvent&)>& values = {}) {
    const bool done = station_.Link(run);
    AuditEvent event = ProbeEvent(action, probe_, config_.deviceName, done);
    event.adapter = adapterText_;
    if (values) values(event);
    Audit(event);
    if (!done) {
      Failed(Said(QT_TRANSLATE_NOOP("TStation", "re-arm: %1: %2"),
                  QCoreApplication::translate("AuditAction", action).toStdString(),
                  ShownError(event.message)));
    }
    return done;
  }

  bool Rearm() {
    const RearmPlan& plan = *config_.rearm;
    if (!station_.Link([&] { return probe_.ReadStatus(false); })) {
      Failed(Said(QT_TRANSLATE_NOOP("TStation", "re-arm: the status could not be read: %1"),
                  ShownError(ErrorText())));
      return false;
    }
    if (probe_.MissionInProgress &&
        !Command(QT_TRANSLATE_NOOP("AuditAction", "stop"), [&] { return probe_.StopMission(); })) {
      return false;
    }
    if (!probe_.MemoryClear) {
      const std::string held = "samples=" + std::to_string(probe_.MissionSamples);
      const auto clear = [&] { return probe_.ClearProbe(); };
      if (!Command(QT_TRANSLATE_NOOP("AuditAction", "clear"), clear,
                   [&](AuditEvent& e) { e.oldValue = held; }))
        return false;
    }
    if (!Command(
            QT_TRANSLATE_NOOP("AuditAction", "clock setup"),
            [&] {
              probe_.SetClockSeconds(NowProbeSeconds());
              return probe_.LastError == peNone && probe_.ReadClock() != 0;
            },
            [&](AuditEvent& e) {
              e.newValue = ClockValue(DateTimeToProbeSeconds(probe_.CurrentClock));
            })) {
      return false;
    }
    if (plan.probeName || plan.comment) {
      const std::string before = TextValues(probe_.Name, probe_.Comment);
      if (!Command(
              QT_TRANSLATE_NOOP("AuditAction", "write text"),
              [&] {
                if (plan.probeName) probe_.Name = *plan.probeName;
                if (plan.comment) probe_.Comment = *plan.comment;
                return probe_.WriteText(6) && probe_.ReadStatus(true);
              },
              [&](AuditEvent& e) {
                e.oldValue = before;
                e.newValue = TextValues(probe_.Name, probe_.Comment);
              })) {
        return false;
      }
    }
    if (!Command(
            QT_TRANSLATE_NOOP("AuditAction", "launch"),
            [&] {
              probe_.SampleRate = plan.rate;
              probe_.RolloverEnable = plan.rollover;
              if (plan.start == RearmPlan::Start::kNextMinute) {
                probe_.SetStartNextMinute();
                return probe_.LaunchMission(false);
              }
              // The first sample counts from the probe's clock as read just before the launch.
              if (probe_.ReadClock() == 0) return false;
              const std::int64_t after = plan.start == RearmPlan::Start::kImmediately
                                             ? 2
                                             : std::int64_t{plan.delayMinutes} * 60;
              probe_.SetStartSeconds(probe_.CurrentClockSeconds + after);
              return probe_.LaunchMission(false);
            },
            [&](AuditEvent& e) { e.newValue = LaunchValues(probe_, false); })) {
      return false;
    }
    station_.memory_->Launched(probe_.SerialNumber, probe_.MissionStartSeconds);
    StationEvent event = Event(StationEvent::Step::kRearm);
    event.rearmed = true;
    event.message = Said(QT_TRANSLATE_NOOP("TStation", "%1: every %2 min, first sample %3"),
                         plan.configName, std::to_string(plan.rate), LaunchFirstSample(probe_));
    station_.Emit(event);
    return true;
  }

  TStation& station_;
  const StationConfig& config_;
  TProbe& probe_;
  TArchive* archive_;
  std::string adapterSerial_;
  std::string adapterText_;
  std::unique_ptr<DownloadSession> session_;
  std::shared_ptr<const TProbeRecord> record_;
  TemperatureLimits limits_;
  QString file_;
  std::int64_t entry_ = 0;
  std::string verdict_;
  bool incremental_ = false;
};

TStation::TStation(StationConfig config, Listener listener, std::shared_ptr<StationMemory> memory)
    : config_(std::move(config)),
      listener_(std::move(listener)),
      takeTurns_(!CurrentDriver().ServesThreads()),
      memory_(memory ? std::move(memory) : std::make_shared<StationMemory>()) {}

TStation::~TStation() {
  Stop(true);
  Wait();
  Join();
}

void TStation::Emit(StationEvent event) {
  event.utcMilliseconds = CurrentClock().UtcMilliseconds();
  const std::lock_guard lock(listenerMutex_);
  if (listener_) listener_(event);
}

void StationMemory::Downloaded(std::uint64_t serial, std::int64_t missionStart,
                               std::int32_t samples) {
  const std::lock_guard lock(mutex_);
  downloaded_.insert({serial, missionStart, samples});
}

void StationMemory::Launched(std::uint64_t serial, std::int64_t missionStart) {
  const std::lock_guard lock(mutex_);
  launched_.insert({serial, missionStart});
}

bool StationMemory::WasDownloaded(std::uint64_t serial, std::int64_t missionStart,
                                  std::int32_t samples) const {
  const std::lock_guard lock(mutex_);
  return downloaded_.count({serial, missionStart, samples}) > 0;
}

bool StationMemory::WasLaunched(std::uint64_t serial, std::int64_t missionStart) const {
  const std::lock_guard lock(mutex_);
  return launched_.count({serial, missionStart}) > 0;
}

void TStation::Scan() {
  if (stop_.load()) return;
  std::vector<std::string> serials;
  if (!Link([&] { return TUsb::SerialNumbersOf(config_.deviceName, serials); })) return;
  const std::lock_guard lock(workersMutex_);
  for (const std::string& serial : serials) {
    auto it = workers_.find(serial);
    if (it != workers_.end() && !it->second->ended.load()) continue;
    if (it != workers_.end()) {
      it->second->thread.join();
      workers_.erase(it);
    }
    auto worker = std::make_unique<Worker>();
    Worker& w = *worker;
    workers_.emplace(serial, std::move(worker));
    // The worker takes part in a lockstep clock from before it starts, so that no time passes
    // before its first step.
    auto* lockstep = dynamic_cast<LockstepClock*>(&CurrentClock());
    if (lockstep) lockstep->Enlist();
    w.thread = std::thread([this, serial, &w, lockstep] {
      {
        std::optional<LockstepClock::Participant> here;
        if (lockstep) here.emplace(*lockstep, LockstepClock::kEnlisted);
        Watch(serial);
      }
      w.ended.store(true);
    });
  }
}

void TStation::Watch(const std::string& adapterSerial) {
  TProbe probe;
  probe.SetAdapterName(config_.deviceName);
  probe.Adapter->WantedSerialNumber = adapterSerial;
  std::unique_ptr<TArchive> archive;
  if (config_.archive) archive = std::make_unique<TArchive>(*config_.archive);
  StationEvent event;
  event.adapter = adapterSerial;
  event.step = StationEvent::Step::kAdapter;
  Emit(event);

  std::optional<std::uint64_t> onAdapter;  // the probe that is done and waits to be taken off
  std::string onAdapterName;
  while (!stop_.load()) {
    bool present = Link([&] { return probe.DetectProbe(); });
    if (!present && (probe.LastError == peNoAdapter || probe.LastError == peMoreAdapters)) {
      event.step = StationEvent::Step::kAdapterGone;
      Emit(event);
      return;
    }
    // A probe that is done is watched by its serial number, so that a quick swap is noticed.
    std::uint64_t serial = 0;
    if (present && onAdapter) {
      present = Link([&] { return probe.ReadSerialNumber(serial); }) && serial == *onAdapter;
    }
    if (!present && onAdapter) {
      StationEvent off = event;
      off.step = StationEvent::Step::kTakenOff;
      off.probeSerial = SerialNumberText(*onAdapter);
      off.probeName = onAdapterName;
      Emit(off);
      onAdapter.reset();
    }
    if (!present || onAdapter) {
      Pause(onAdapter ? config_.presenceMs : config_.searchMs);
      continue;
    }
    StationProbe(*this, probe, archive.get(), adapterSerial).Run();
    onAdapter = probe.SerialNumber;
    onAdapterName = DefaultCodePage().ToUnicode(probe.Name).toStdString();
  }
}

void TStation::Stop(bool cancel) {
  if (cancel) cancel_.store(true);
  stop_.store(true);
}

void TStation::Start(const StopWhen& when, std::function<void()> ended) {
  runner_ = std::thread([this, when, ended = std::move(ended)] {
    Run(when);
    if (ended) ended();
  });
}

void TStation::Wait() {
  if (runner_.joinable()) runner_.join();
}

void TStation::Join() {
  std::map<std::string, std::unique_ptr<Worker>> workers;
  {
    const std::lock_guard lock(workersMutex_);
    workers.swap(workers_);
  }
  for (auto& [serial, worker] : workers) {
    if (worker->thread.joinable()) worker->thread.join();
  }
}

void TStation::Run(const StopWhen& when) {
  auto* lockstep = dynamic_cast<LockstepClock*>(&CurrentClock());
  {
    std::optional<LockstepClock::Participant> here;
    if (lockstep) here.emplace(*lockstep);
    const std::int64_t start = CurrentClock().MonotonicMilliseconds();
    while (true) {
      if (when.interrupted && when.interrupted()) {
        Stop(true);
        break;
      }
      if (stop_.load()) break;
      if (when.probes && ProbesEnded() >= *when.probes) break;
      if (when.afterMs && CurrentClock().MonotonicMilliseconds() - start >= *when.afterMs) break;
      Scan();
      Pause(config_.searchMs);
    }
    Stop(false);
  }
  // Waiting for the workers is no part of the clock's time: they run on without this thread.
  Join();
}

}  // namespace ombrix
