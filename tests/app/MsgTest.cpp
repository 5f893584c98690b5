#include "Msg.h"

#include <QLabel>

#include <gtest/gtest.h>

#include "ConsistencyError.h"

namespace ombrix {
namespace {

struct Entry {
  const char* key;
  const char* text;
};

// The program's texts, odd spellings included.
constexpr Entry kTexts[] = {
    {"MsgTemperatureC", "Temperature [°C]"},
    {"MsgDateTime", "Date/Time"},
    {"MsgStopQ", "Do You really Stop Recording ?"},
    {"MsgStopClearQ", "Do You really Stop Recording and Clear Probe ?"},
    {"MsgClearQ", "Do You really Clear Probe ?"},
    {"MsgProbeMustBeClear", "Probe must be clear to start"},
    {"MsgSampleRateOut", "Sample rate out of range 1..255 min"},
    {"MsgInvalidFormat", "Invalid format of First Sample time"},
    {"MsgSampleGreater", "First Sample time must be greater than current time"},
    {"MsgNewRecordingQ", "Do You really Start new Recording ?"},
    {"MsgConfirmation", "Confirmation"},
    {"MsgError", "Error"},
    {"MsgWarning", "Warning"},
    {"MsgTerminateQ", "File modified. Do You really want to terminate ?"},
    {"MsgNoname", "<noname>"},
    {"MsgSample", "Sample #"},
    {"MsgRelativeTime", "Relative Time"},
    {"MsgFileExistsQ", "File alrady exists. Do You want to overwrite it ?"},
    {"MsgNoAdapter", "NO ADAPTER CONNECTED"},
    {"MsgNoProbe", "Probe : NO"},
    {"MsgProbeOk", "Probe : OK"},
    {"MsgFile", "File :"},
    {"MsgMoreAdapters", "MORE ADAPTERS FOUND !"},
    {"MsgDataError", "Data : Error"},
    {"MsgDataOk", "Data : OK"},
    {"MsgCmdOk", "Cmd : OK"},
    {"MsgCmdError", "Cmd : Error"},
    {"MsgSetupClockQ", "Do You really synchronize probe clock with computer time ?"},
    {"MsgStartGreater", "First Sample time must not be greater than current time + 4:00 hour"},
    {"MsgWriteTextQ", "Do You really write Name and Comment fields into probe ?"},
    {"MsgSwitchOffQ", "Do You really switch probe OFF ?"},
    {"MsgMissionInProgress", "Recording In Progress"},
    {"MsgMissionStopped", "Recording Stopped"},
};

class MsgTest : public ::testing::Test {
 protected:
  void SetUp() override { MsgTemplate = &form_; }
  void TearDown() override { MsgTemplate = nullptr; }
  TMsgTemplate form_;
};

TEST_F(MsgTest, HoldsTheThirtyThreeTextsByKey) {
  EXPECT_EQ(form_.findChildren<QLabel*>().size(), 33);
  for (const Entry& entry : kTexts) EXPECT_EQ(Msg(entry.key), QString::fromUtf8(entry.text));
  // The degree sign is one character.
  EXPECT_EQ(Msg("MsgTemperatureC").size(), 16);
}

TEST_F(MsgTest, TextsAreLookedUpWhenUsed) {
  form_.Label("MsgCmdOk")->setText(QStringLiteral("Command : OK"));
  EXPECT_EQ(Msg("MsgCmdOk"), QStringLiteral("Command : OK"));
}

TEST_F(MsgTest, AnUnknownKeyOrAMissingTableFailsTheCheck) {
  EXPECT_THROW(Msg("MsgNoSuchText"), ConsistencyError);
  MsgTemplate = nullptr;
  EXPECT_THROW(Msg("MsgCmdOk"), ConsistencyError);
}

}  // namespace
}  // namespace ombrix
