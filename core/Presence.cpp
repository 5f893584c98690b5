#include "Presence.h"

#include "ConsistencyError.h"
#include "Probe.h"

namespace ombrix {

TPresence::TPresence(SaveOffer offerSave) : offerSave_(std::move(offerSave)) {}

TPresence::Outcome TPresence::Tick() {
  if (!place_) FailCheck("Main", __LINE__);
  switch (state_) {
    case psStart:
      state_ = psSearching;
      return Search();
    case psSearching:
      return Search();
    case psProbe:
      return CheckPresence();
    case psFile:
      interval_ = kPresenceInterval;
      return Outcome::kFile;
    default:
      FailSwitch("Main", 1263);
  }
}

TPresence::Outcome TPresence::Search() {
  interval_ = kSearchInterval;
  if (!place_->LiveProbe().DetectProbe()) return Outcome::kNotFound;
  // A download kept from a probe that went, because its save failed or was cancelled, is offered
  // again now: the next probe is about to be shown.
  recordKept_ = place_->HoldsUnsavedRecord() && !DropRecord();
  state_ = psProbe;
  interval_ = kPresenceInterval;
  return Outcome::kAttached;
}

TPresence::Outcome TPresence::CheckPresence() {
  swapped_ = false;
  TProbe& probe = place_->LiveProbe();
  if (probe.DetectProbe()) {
    // The probe that is there now must be the one shown: a probe put on in place of another
    // within one period would otherwise be cleared or stopped under the other's name.
    // A serial number never read (the status read failed) compares with nothing.
    std::uint64_t serial = 0;
    if (probe.SerialNumber == 0 || !probe.ReadSerialNumber(serial) ||
        serial == probe.SerialNumber) {
      return Outcome::kPresent;
    }
    swapped_ = true;
  }
  Reset();
  return Outcome::kRemoved;
}

void TPresence::Reset() {
  recordKept_ = !DropRecord();
  place_->ReplaceProbe();
  state_ = psSearching;
  // A swapped probe is attached at the next tick; a removed one is searched for a period later.
  interval_ = swapped_ ? kSearchInterval : kPresenceInterval;
}

bool TPresence::DropRecord() {
  if (place_->HoldsUnsavedRecord() && !(offerSave_ && offerSave_())) return false;
  place_->DropHeldRecord();
  return true;
}

}  // namespace ombrix
