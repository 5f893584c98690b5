#include "ControlPolicy.h"

namespace ombrix {

ControlStates DecideControls(const ControlFacts& facts) {
  ControlStates on;
  if (!facts.session) return on;
  on.fileSave = on.fileSaveAs = on.fileExport = on.filePrint = on.viewStatus = true;
  on.viewTable = on.viewGraph = on.viewHistogram = facts.heldSamples;
  if (facts.pollState != psProbe || facts.adaptersLent) return on;
  on.readStatus = true;
  on.readData = facts.missionSamples > 0;
  if (facts.memoryClear) {
    on.missionInputs = true;
    on.serialNumber = facts.testMode;
    on.switchOffShown = facts.enableOff;
    on.launch = true;
  } else {
    on.clear = !facts.missionInProgress;
    on.stop = facts.missionInProgress;
  }
  return on;
}

}  // namespace ombrix
