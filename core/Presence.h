#pragma once

#include <cstdint>
#include <functional>

namespace ombrix {

class TProbe;

// The device state of the window, which the poll timer moves on.
enum PollStates { psStart = 0, psSearching = 1, psProbe = 2, psFile = 3 };

// What the presence decisions act on: the session's live probe and its held record. The window's
// workplace is one.
class PresenceSession {
 public:
  // The live probe; replaced by ReplaceProbe.
  virtual TProbe& LiveProbe() = 0;
  // True while the held record is a download that was never saved.
  virtual bool HoldsUnsavedRecord() const = 0;
  // The held record becomes an empty one, and nothing is left unsaved.
  virtual void DropHeldRecord() = 0;
  // A fresh probe object takes the place of the live one; the held record stays.
  virtual void ReplaceProbe() = 0;

 protected:
  ~PresenceSession() = default;
};

// The poll timer's decisions, without widgets: whether adapter and probe are there, whether the
// probe on the adapter is still the one whose status was read (its serial number), and what
// becomes of a held download that was never saved when its probe goes. The window drives it from
// its timer and shows what it reports; tests drive it directly on the virtual adapter.
class TPresence {
 public:
  static constexpr int kSearchInterval = 1250;
  static constexpr int kPresenceInterval = 4000;

  enum class Outcome {
    kNotFound,  // searching: no adapter, more than one, or no probe (LastError says which)
    kAttached,  // searching: a probe was found; its status is to be read
    kPresent,   // the probe whose status was read is still there
    kRemoved,   // the probe has gone (or another took its place): the session was reset
    kFile,      // a record file is shown: the adapter is left alone
  };

  // Offered an unsaved download that would be dropped: true when it may go (it was saved, or the
  // user chose not to save it), false to keep it (the save was cancelled or failed).
  using SaveOffer = std::function<bool()>;

  explicit TPresence(SaveOffer offerSave = {});

  // The session whose probe is watched; set before the first tick.
  void SetWorkplace(PresenceSession& place) { place_ = &place; }
  // The state, also for the window to set (File New, File Open).
  int& State() { return state_; }

  // One tick of the poll timer in the present state. Throws the "Error switch file Main line
  // 1263" consistency error for a state outside the four.
  Outcome Tick();
  // The period the last tick asks for.
  int Interval() const { return interval_; }
  // True when the last kRemoved was a different probe put on in place of the one shown.
  bool Swapped() const { return swapped_; }
  // Whether the held record survived the last removal or attach (kept because it was unsaved).
  bool RecordKept() const { return recordKept_; }

  // Offers the held record for saving when it is unsaved and drops it when it may go. True when
  // the record is gone (or there was nothing unsaved to ask about, and it was dropped).
  bool DropRecord();

 private:
  Outcome Search();
  Outcome CheckPresence();
  // A probe went: the held record is offered, then the probe object is replaced.
  void Reset();

  PresenceSession* place_ = nullptr;
  SaveOffer offerSave_;
  int state_ = psStart;
  int interval_ = kSearchInterval;
  bool swapped_ = false;
  bool recordKept_ = false;
};

}  // namespace ombrix
