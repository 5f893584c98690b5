// Which commands and inputs each state of the session offers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ControlPolicy.h"

namespace ombrix::testing {
namespace {

// "1" per enabled entry, in the order: file (save, save as, export, print), views (status, table,
// graph, histogram), probe commands (read status, read data, clear, stop, launch), then mission
// inputs, serial number and the switch-off button.
std::string States(const ControlStates& s) {
  std::string text;
  for (bool on : {s.fileSave, s.fileSaveAs, s.fileExport, s.filePrint}) text += on ? '1' : '0';
  text += ' ';
  for (bool on : {s.viewStatus, s.viewTable, s.viewGraph, s.viewHistogram}) text += on ? '1' : '0';
  text += ' ';
  for (bool on : {s.readStatus, s.readData, s.clear, s.stop, s.launch}) text += on ? '1' : '0';
  text += ' ';
  for (bool on : {s.missionInputs, s.serialNumber, s.switchOffShown}) text += on ? '1' : '0';
  return text;
}

// A probe on the adapter in the state given, shown with the session's settings.
ControlFacts OnAdapter(bool memoryClear, bool missionInProgress, std::int32_t missionSamples) {
  ControlFacts facts;
  facts.session = true;
  facts.pollState = psProbe;
  facts.memoryClear = memoryClear;
  facts.missionInProgress = missionInProgress;
  facts.missionSamples = missionSamples;
  return facts;
}

// The same probe status in another poll state, with a held record.
ControlFacts Held(ControlFacts facts, int pollState, bool samples) {
  facts.pollState = pollState;
  facts.heldSamples = samples;
  return facts;
}

ControlFacts WithSettings(ControlFacts facts, bool test, bool enableOff) {
  facts.testMode = test;
  facts.enableOff = enableOff;
  return facts;
}

ControlFacts Lent(ControlFacts facts) {
  facts.adaptersLent = true;
  return facts;
}

TEST(ControlPolicyTest, EachStateOffersWhatItAllows) {
  const ControlFacts recording = OnAdapter(false, true, 3000);
  const ControlFacts clear = OnAdapter(true, false, 0);
  ControlFacts nothingShown = WithSettings(clear, true, true);
  nothingShown.session = false;
  const struct {
    const char* name;
    ControlFacts facts;
    const char* states;
  } cases[] = {
      {"nothing shown yet, whatever the probe", nothingShown, "0000 0000 00000 000"},
      {"recording", recording, "1111 1000 11010 000"},
      {"recording, test mode and switch-off", WithSettings(recording, true, true),
       "1111 1000 11010 000"},
      {"recording, a download held", Held(recording, psProbe, true), "1111 1111 11010 000"},
      {"stopped", OnAdapter(false, false, 3000), "1111 1000 11100 000"},
      {"stopped, no samples", OnAdapter(false, false, 0), "1111 1000 10100 000"},
      {"clear", clear, "1111 1000 10001 100"},
      {"clear, test mode", WithSettings(clear, true, false), "1111 1000 10001 110"},
      {"clear, switch-off", WithSettings(clear, false, true), "1111 1000 10001 101"},
      {"a file", Held(WithSettings(clear, true, true), psFile, true), "1111 1111 00000 000"},
      {"kept after its probe went", Held(recording, psSearching, true), "1111 1111 00000 000"},
      {"the station has the adapters", Lent(Held(clear, psProbe, true)), "1111 1111 00000 000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(States(DecideControls(c.facts)), c.states) << c.name;
  }
}

}  // namespace
}  // namespace ombrix::testing
