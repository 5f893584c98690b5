#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>

#include "StationConfig.h"

namespace ombrix {

// One thing a station did, as it reports it.
struct StationEvent {
  enum class Step {
    kAdapter,      // an adapter was found and is watched
    kAdapterGone,  // it went from the bus
    kStatus,       // a probe was put on and its status read
    kDownload,     // progress of the download (progress 0..100)
    kStore,        // kept in the archive (entry)
    kSave,         // the record file written (file)
    kVerdict,      // judged against its limits (verdict)
    kReport,       // the PDF report written beside the record file (file)
    kExport,       // the export written beside the record file (file)
    kRearm,        // launched again (message: the first sample)
    kDone,         // the probe's summary: everything succeeded
    kFailed,       // the probe's summary: a step failed (message); it is not re-armed
    kAlreadyDone,  // the probe's summary: put back with nothing new since it was done
    kTakenOff,     // the probe was taken off
  };
  std::string adapter;      // the adapter's USB serial number
  std::string probeSerial;  // as status shows it; "" for adapter events
  std::string probeName;
  Step step = Step::kStatus;
  bool ok = true;
  int progress = -1;
  std::string verdict;  // kVerdict and the summaries
  std::string file;     // kSave, kExport and kDone: the record file
  std::int64_t entry = 0;
  bool rearmed = false;  // kDone
  std::string message;
  std::int64_t utcMilliseconds = 0;  // on the current clock
};
// "adapter", "adapter-gone", "status", "download", "store", "save", "verdict", "report", "export",
// "rearm",
// "done", "failed", "already-done", "taken-off".
const char* StationStepName(StationEvent::Step step);

// What a station remembers of the probes it has done: each download (serial number, mission start,
// samples) and each mission it launched (serial number, mission start), so that a probe put back
// is known again. A front end that starts its station anew (new settings) hands the next one the
// same memory.
class StationMemory {
 public:
  void Downloaded(std::uint64_t serial, std::int64_t missionStart, std::int32_t samples);
  void Launched(std::uint64_t serial, std::int64_t missionStart);
  bool WasDownloaded(std::uint64_t serial, std::int64_t missionStart, std::int32_t samples) const;
  bool WasLaunched(std::uint64_t serial, std::int64_t missionStart) const;

 private:
  mutable std::mutex mutex_;
  std::set<std::tuple<std::uint64_t, std::int64_t, std::int32_t>> downloaded_;
  std::set<std::pair<std::uint64_t, std::int64_t>> launched_;
};

// A download station: every probe put on any attached adapter is read, downloaded (only what is
// new where the archive holds the mission's earlier part), kept in the archive, saved as a record
// file by the name pattern, judged against its limits, exported on request, and - only when all
// of that succeeded - launched again by the re-arm plan. A probe whose download, store, save or
// export failed keeps its mission and data: it is reported failed and waits to be taken off. A
// probe put back with nothing new (the same mission and sample count as its latest download in
// the archive or in this run) or with the mission this station launched is not touched again.
//
// Each adapter has a worker thread of its own with its own link, opened by its USB serial number.
// When the driver cannot serve several devices from several threads at once, the workers take
// turns, one exchange sequence (a status read, a block, a launch) at a time. On a LockstepClock
// the workers take part in its time, so that a station runs on virtual time as on real time.
// Every step is appended to the archive's audit trail (the download's own row comes with the
// stored entry). The report is written by the front end's writer on the main thread.
class TStation {
 public:
  // Called from the workers, one call at a time, in each adapter's order of events.
  using Listener = std::function<void(const StationEvent&)>;
  struct StopWhen {
    std::optional<std::int64_t> afterMs;  // this much time on the current clock
    std::optional<int> probes;            // this many downloads ended (done or failed)
    std::function<bool()> interrupted;    // asked between steps: stop at once
  };

  // `memory`: what an earlier station of the same front end did; none: a memory of its own.
  TStation(StationConfig config, Listener listener,
           std::shared_ptr<StationMemory> memory = nullptr);
  ~TStation();
  TStation(const TStation&) = delete;
  TStation& operator=(const TStation&) = delete;

  // Looks for the adapters and puts a worker on each new one.
  void Scan();
  // Scans every search period until the stop condition holds or Stop is asked, then lets the
  // workers finish the probe they are on (an interruption cancels it) and waits for them.
  void Run(const StopWhen& when);
  // Run on a thread of its own, for a front end whose main thread runs its event loop (as the
  // report writer needs); `ended` is called on that thread when the run has ended.
  void Start(const StopWhen& when, std::function<void()> ended);
  // Asks the workers to end after the probe they are on; `cancel` also cancels a download.
  void Stop(bool cancel);
  // Waits for every worker to end.
  void Join();
  // Waits for the thread of Start to end.
  void Wait();

  int ProbesEnded() const { return ended_.load(); }
  int ProbesFailed() const { return failed_.load(); }

 private:
  struct Worker;
  void Watch(const std::string& adapterSerial);
  void Emit(StationEvent event);
  // Runs fn with the link to itself when the driver needs the workers to take turns.
  template <typename Fn>
  auto Link(Fn fn);

  StationConfig config_;
  Listener listener_;
  std::mutex listenerMutex_;
  std::mutex linkMutex_;
  bool takeTurns_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<bool> cancel_{false};
  std::atomic<int> ended_{0};
  std::atomic<int> failed_{0};
  std::shared_ptr<StationMemory> memory_;
  std::mutex workersMutex_;
  std::map<std::string, std::unique_ptr<Worker>> workers_;
  std::thread runner_;

  friend class StationProbe;
};

}  // namespace ombrix
