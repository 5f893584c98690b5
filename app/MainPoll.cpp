// The poll timer that watches adapter and probe, the PC clock timer, the busy bracket around
// probe operations, and the Read Status action.
#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>

#include "Clock.h"
#include "ConsistencyError.h"
#include "Dialogs.h"
#include "FtdiDriver.h"
#include "Images.h"
#include "Main.h"
#include "Msg.h"
#include "TimeConversion.h"
#include "Timer.h"
#include "ui_Main.h"

namespace ombrix {

void TMainForm::TimerTimer() {
  // While a question or warning waits for the user (perhaps the warning of a File New that an
  // earlier tick ran), no tick starts. Before the first File New there is nothing to poll.
  if (MessageBoxOpen() || !Workplace || !Workplace->Probe) return;
  switch (PollState) {
    case psStart:
      PollState = psSearching;
      SearchTick();
      break;
    case psSearching:
      SearchTick();
      break;
    case psProbe:
      PresenceTick();
      break;
    case psFile:
      // A record file is shown: the adapter is left alone.
      Timer->SetInterval(kPresenceInterval);
      SetPanelText(0, Msg("MsgFile"));
      break;
    default:
      FailSwitch("Main", 1263);
  }
  SetActivityLed(ledOff);
}

void TMainForm::SearchTick() {
  Timer->SetInterval(kSearchInterval);
  SetActivityLed(ledGreen);
  TProbe& probe = *Workplace->Probe;
  panels_[2]->setToolTip(QString());
  if (probe.DetectProbe()) {
    ShowAdapterTexts();
    PollState = psProbe;
    // Read at once, as if the user had asked; whatever it reports, the probe is there.
    ProbeReadStatusExecute();
    ui_->ProbeReadStatus->setEnabled(true);
    SetPanelText(0, Msg("MsgProbeOk"));
    Timer->SetInterval(kPresenceInterval);
    return;
  }
  switch (probe.LastError) {
    case 2:
      SetPanelText(2, Msg("MsgMoreAdapters"));
      SetPanelText(3, QString());
      break;
    case 4:
      ShowAdapterTexts();
      break;
    default:
      if (CurrentDriver().SawInaccessibleDevice()) {
        // An FTDI device is plugged in but this user may not open it: say what helps.
        SetPanelText(2, tr("NO USB ACCESS - see Help"));
        panels_[2]->setToolTip(
            tr("A USB adapter is plugged in, but this user has no permission to open it.\n"
               "Install the udev rule 70-ombrix-ftdi.rules that comes with Ombrix\n"
               "(Help, \"USB access for real adapters\"), then unplug the adapter and\n"
               "plug it in again."));
      } else {
        SetPanelText(2, Msg("MsgNoAdapter"));
      }
      SetPanelText(3, QString());
      break;
  }
  SetPanelText(0, Msg("MsgNoProbe"));
  CurrentClock().Sleep(kSearchPause);
}

void TMainForm::PresenceTick() {
  SetActivityLed(ledGreen);
  if (!Workplace->Probe->DetectProbe()) {
    SetPanelText(0, Msg("MsgNoProbe"));
    // What was shown belonged to the probe that has gone. A download that was never saved is
    // offered for saving first: taking the probe off must not lose it silently.
    if (Workplace->Modified &&
        AskQuestion(this, Msg("MsgConfirmation"),
                    tr("The probe was taken away. The data read from it are not saved. Do You "
                       "want to save them now ?"))) {
      FileSaveAsExecute();
    }
    FileNewExecute();
    return;
  }
  if (ui_->PageControl->currentWidget() == ui_->StatusTab) {
    ui_->StatusCurrentClock->setText(DateTimeText(Workplace->Probe->ReadClock()));
  }
}

void TMainForm::ShowAdapterTexts() {
  TProbe& probe = *Workplace->Probe;
  SetPanelText(2, ProbeText(probe.AdapterVersionText()));
  SetPanelText(3, ProbeText(probe.AdapterSerialNumber()));
  ui_->StatusBar->repaint();
}

void TMainForm::PcClockTimer() {
  if (ui_->PageControl->currentWidget() == ui_->StatusTab) {
    ui_->StatusPcClock->setText(DateTimeText(NowDateTime()));
  }
}

// Busy bracket -------------------------------------------------------------------------------

void TMainForm::BeginBusy() {
  Timer->SetEnabled(false);
  SetActivityLed(ledGreen);
  setEnabled(false);
  ++busy_;
  // Once, so that the lamp and the disabled window are painted.
  ProcessMessages();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void TMainForm::EndBusy() {
  if (busy_ == 0) FailCheck("Main", __LINE__);
  --busy_;
  setEnabled(true);
  SetActivityLed(ledOff);
  // Enabling starts a full interval before the next tick.
  Timer->SetEnabled(true);
  QGuiApplication::restoreOverrideCursor();
}

void TMainForm::PumpMessages() {
  if (busy_ == 0) FailCheck("Main", __LINE__);
  QGuiApplication::restoreOverrideCursor();
  ProcessMessages();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

// Read Status --------------------------------------------------------------------------------

void TMainForm::ProbeReadStatusExecute() {
  bool ok;
  {
    TBusyBracket busy(*this);
    ok = Workplace->Probe->ReadStatus(true);
  }
  if (!ok) {
    SetPanelText(0, Msg("MsgCmdError"));
    return;
  }
  SetPanelText(0, Msg("MsgCmdOk"));
  ShowProbeStatus();
  ViewStatusExecute();
}

}  // namespace ombrix
