#include "DownloadSession.h"

#include <utility>

#include "ProbeAudit.h"

namespace ombrix {

DownloadSession::DownloadSession(TProbe& probe, DownloadSetup setup)
    : probe_(probe), setup_(std::move(setup)) {}

bool DownloadSession::Fail() {
  state_ = State::kFailed;
  error_ = probe_.LastError == peNone ? peDataError : probe_.LastError;
  return false;
}

bool DownloadSession::Begin() {
  record_.reset();
  error_ = peNone;
  if (cancel_.load()) {
    state_ = State::kCancelled;
    return false;
  }
  TProbe::EarlierDownload earlier;
  if (setup_.archive && setup_.incremental) earlier = EarlierDownloadsFrom(*setup_.archive);
  if (!probe_.BeginReadData(earlier)) return Fail();
  state_ = State::kReading;
  return true;
}

bool DownloadSession::Step() {
  if (state_ != State::kReading) return false;
  if (cancel_.load()) {
    // What was read so far is dropped with the probe's next download.
    state_ = State::kCancelled;
    return false;
  }
  if (probe_.ReadDataBlock()) return true;
  record_ = probe_.TakeDownload();
  if (!record_) return Fail();
  state_ = State::kDone;
  return false;
}

bool DownloadSession::Run(const std::function<void(int)>& progress) {
  if (!Begin()) return false;
  if (progress) progress(Progress());
  while (Step()) {
    if (progress) progress(Progress());
  }
  if (state_ == State::kDone && progress) progress(Progress());
  return state_ == State::kDone;
}

int DownloadSession::Progress() const {
  switch (state_) {
    case State::kDone:
      return 100;
    case State::kReading:
      return probe_.ReadProgress();
    default:
      return 0;
  }
}

std::string DownloadSession::FailureText() const {
  if (state_ == State::kFailed) {
    // Refused by the probe layer: there is nothing to download.
    return error_ == peNotAllowed ? QT_TRANSLATE_NOOP("ProbeError", "the probe holds no data")
                                  : MessageForError(error_).text;
  }
  // Also a download stopped after its last block, before it was kept.
  if (state_ == State::kCancelled || cancel_.load()) {
    return QT_TRANSLATE_NOOP("ProbeError", "interrupted; nothing of it was kept");
  }
  return {};
}

AuditEvent DownloadSession::FailureEvent(const std::string& storeError) const {
  return FailedDownloadEvent(
      probe_.SerialNumber, setup_.adapterText,
      storeError.empty() ? FailureText() : "not stored in the archive: " + storeError);
}

bool DownloadSession::Store(StoreResult& result, std::string& error) {
  if (!record_) {
    error = "There is no completed download to store.";
    return false;
  }
  if (!setup_.archive) {
    error = "No archive is in use.";
    return false;
  }
  return setup_.archive->Store(
      *record_, CurrentProvenance(setup_.adapterText, "download", OMBRIX_VERSION), result, error);
}

}  // namespace ombrix
