#pragma once

#include <cstdint>

#include "Presence.h"

namespace ombrix {

// What decides which commands and inputs the window offers.
struct ControlFacts {
  // False before anything is shown (a new session): nothing is offered.
  bool session = false;
  int pollState = psStart;  // PollStates
  // The live probe as last read; looked at only while it is on the adapter (psProbe).
  bool memoryClear = false;
  bool missionInProgress = false;
  std::int32_t missionSamples = 0;
  // The held record has samples to show.
  bool heldSamples = false;
  // The download station has the adapters: the window leaves the probe alone.
  bool adaptersLent = false;
  // The settings' "Test" and "EnableOff" keys.
  bool testMode = false;
  bool enableOff = false;
};

// Enabled (or, for the switch-off button, shown) per command and input.
struct ControlStates {
  bool fileSave = false, fileSaveAs = false, fileExport = false, filePrint = false;
  bool viewStatus = false, viewTable = false, viewGraph = false, viewHistogram = false;
  bool readStatus = false, readData = false, clear = false, stop = false, launch = false;
  // Name, comment, sample rate, start time, rollover, set clock, write, immediately: the settings
  // of a new mission, which only a clear probe takes.
  bool missionInputs = false;
  bool serialNumber = false;  // editable in test mode only
  bool switchOffShown = false;

  friend bool operator==(const ControlStates&, const ControlStates&) = default;
};

// A record from a file or one kept after its probe went sends nothing to a probe; a probe on the
// adapter is offered what its state allows: a clear one a launch, a recording one a stop, a
// stopped one a clear, any one with samples a download.
ControlStates DecideControls(const ControlFacts& facts);

}  // namespace ombrix
