#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "Archive.h"
#include "Probe.h"
#include "ProbeRecord.h"

namespace ombrix {

// How a download is run: where an earlier download of the mission is looked for and the new one
// stored, and what the archive entry says about its origin.
struct DownloadSetup {
  // The archive that gives the base of a repeat download and keeps the new one; null: none.
  TArchive* archive = nullptr;
  // False: the whole log is read even when the archive holds its earlier part.
  bool incremental = true;
  // The adapter as the archive entry names it, e.g. "Ombrix adapter (USB serial OMX1)".
  std::string adapterText;
};

// One download of a probe's log, as both front ends run it: the status is read and the plan made
// (Begin), then one block per Step until the session has ended; the front end shows Progress in
// between and may Cancel. Only a download that has completely succeeded gives a record; a failed
// or cancelled one leaves nothing behind. The base of a repeat download is the archive's latest
// download of the same mission (never an import, never an entry whose hash fails), checked
// against the probe by the probe layer before anything of it is used.
class DownloadSession {
 public:
  enum class State { kIdle, kReading, kDone, kFailed, kCancelled };

  DownloadSession(TProbe& probe, DownloadSetup setup);
  DownloadSession(const DownloadSession&) = delete;
  DownloadSession& operator=(const DownloadSession&) = delete;

  // Reads the status and plans the read; false (kFailed, the probe's LastError says why) when
  // there is nothing to download or the probe does not answer.
  [[nodiscard]] bool Begin();
  // Reads the next block; false once the session has ended (State says how).
  [[nodiscard]] bool Step();
  // Begin, then Step to the end, calling `progress` (0..100) after each block; true when done.
  [[nodiscard]] bool Run(const std::function<void(int)>& progress = {});
  // Asks the session to stop before its next block. Safe from another thread and from a signal
  // handler: it only sets a flag.
  void Cancel() { cancel_.store(true); }

  State GetState() const { return state_; }
  int Progress() const;
  // The probe's error code of a failed session (peNone otherwise).
  std::int32_t Error() const { return error_; }
  bool Incremental() const { return probe_.IncrementalDownload(); }
  int BlocksRead() const { return probe_.DownloadBlocksRead(); }

  // Why the session ended without a record: the probe's error when it was refused or failed, or
  // that it was interrupted (also when Cancel came after the last block). "" otherwise.
  std::string FailureText() const;
  // The audit row of a download that ended without a stored record: the session's failure, or,
  // given the archive's error, a completed download that the archive did not take.
  AuditEvent FailureEvent(const std::string& storeError = {}) const;

  // The downloaded record once the session is done; null before or after a failure.
  const TProbeRecord* Record() const { return record_.get(); }
  // Stores the record in the setup's archive as a download of the setup's adapter; false with
  // `error` when there is no archive or it fails.
  [[nodiscard]] bool Store(StoreResult& result, std::string& error);
  // Gives the record away (null unless done).
  std::unique_ptr<const TProbeRecord> TakeRecord() { return std::move(record_); }

 private:
  bool Fail();

  TProbe& probe_;
  DownloadSetup setup_;
  State state_ = State::kIdle;
  std::int32_t error_ = peNone;
  std::atomic<bool> cancel_{false};
  std::unique_ptr<const TProbeRecord> record_;
};

}  // namespace ombrix
