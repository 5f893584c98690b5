// The poll timer that watches adapter and probe, the PC clock timer, the busy bracket around
// probe operations, and the Read Status action.
#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

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
  if (MessageBoxOpen() || pollPaused_ || !Workplace || !Workplace->Probe) return;
  if (PollState != psFile) {
    // The adapter is about to be asked.
    SetActivityLed(ledGreen);
    panels_[2]->setToolTip(QString());
    panels_[3]->setToolTip(QString());
  }
  const TPresence::Outcome outcome = Presence.Tick();
  // The period counts from the tick; set again at the end, after a Read Status whose busy bracket
  // restarted the countdown.
  Timer->SetInterval(Presence.Interval());
  switch (outcome) {
    case TPresence::Outcome::kNotFound:
      ShowSearchFailure();
      break;
    case TPresence::Outcome::kAttached:
      ShowHeldRecord();
      ShowAdapterTexts();
      // Read at once, as if the user had asked; whatever it reports, the probe is there.
      ProbeReadStatusExecute();
      ui_->ProbeReadStatus->setEnabled(true);
      SetPanelText(0, Msg("MsgProbeOk"));
      break;
    case TPresence::Outcome::kPresent:
      if (ui_->PageControl->currentWidget() == ui_->StatusTab) {
        ui_->StatusCurrentClock->setText(DateTimeText(Workplace->Probe->ReadClock()));
      }
      break;
    case TPresence::Outcome::kRemoved:
      SetPanelText(0, Msg("MsgNoProbe"));
      if (Presence.RecordKept()) {
        // The download could not be saved: it stays on show with its own status, and is offered
        // again at the next chance.
        ShowHeldRecord();
        ShowProbeStatus();
      } else {
        NewSession();
      }
      break;
    case TPresence::Outcome::kFile:
      SetPanelText(0, Msg("MsgFile"));
      break;
  }
  Timer->SetInterval(Presence.Interval());
  SetActivityLed(ledOff);
}

void TMainForm::PausePolling(bool paused) {
  pollPaused_ = paused;
  // A busy bracket's end enables the timer again: the ticks themselves check pollPaused_.
  if (!Busy()) Timer->SetEnabled(!paused);
  if (paused && Workplace && Workplace->Probe && Workplace->Probe->Adapter) {
    Workplace->Probe->Adapter->Close();
  }
  // No probe command while the station has the adapters.
  if (Workplace && Workplace->Probe && Workplace->Record) UpdateControls();
}

void TMainForm::ShowSearchFailure() {
  TProbe& probe = *Workplace->Probe;
  switch (probe.LastError) {
    case peMoreAdapters:
      SetPanelText(2, Msg(MessageForError(peMoreAdapters).key));
      SetPanelText(3, QString());
      break;
    case peNoProbe:
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
        SetPanelText(3, QString());
      } else if (const OpenFailure why = probe.Adapter->Failure; why != OpenFailure::kNone) {
        // The adapter is there but could not be opened: the panel keeps its text and the next
        // one says why, with what helps in its tool tip.
        SetPanelText(2, Msg(MessageForError(peNoAdapter).key));
        SetPanelText(3, QCoreApplication::translate("OpenFailure", OpenFailureText(why)));
        panels_[3]->setToolTip(QCoreApplication::translate("OpenFailure", OpenFailureAdvice(why)));
      } else {
        SetPanelText(2, Msg(MessageForError(peNoAdapter).key));
        SetPanelText(3, QString());
      }
      break;
  }
  SetPanelText(0, Msg("MsgNoProbe"));
  CurrentClock().Sleep(kSearchPause);
}

bool TMainForm::OfferSave() {
  if (!AskQuestion(this, Msg("MsgConfirmation"),
                   tr("The probe was taken away. The data read from it are not saved. Do You "
                      "want to save them now ?"))) {
    return true;
  }
  FileSaveAsExecute();
  return !Workplace->Modified;
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
  // Everything but the strip over the tab row, where a download's Cancel button is.
  if (busy_ == 0) {
    for (QWidget* part :
         {static_cast<QWidget*>(menuBar()), centralWidget(), static_cast<QWidget*>(statusBar())}) {
      part->setEnabled(false);
    }
    for (QToolBar* bar : findChildren<QToolBar*>()) bar->setEnabled(false);
  }
  ++busy_;
  // Once, so that the lamp and the disabled window are painted.
  ProcessMessages();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  // Probe work is many exchanges of a few dozen milliseconds each at the adapter's speed: the
  // window is painted after every one of them, and the progress bar shows that work goes on
  // (unless a download shows its own progress on it).
  if (busy_ == 1 && Workplace && Workplace->Probe && Workplace->Probe->Adapter) {
    pumpedLink_ = Workplace->Probe->Adapter.get();
    pumpedLink_->AfterExchange = [this] { PumpMessages(); };
    if (progressBar_->isHidden()) {
      progressBar_->setRange(0, 0);
      progressBar_->show();
      busyBarShown_ = true;
    }
  }
}

void TMainForm::EndBusy() {
  if (busy_ == 0) FailCheck("Main", __LINE__);
  --busy_;
  if (busy_ == 0 && pumpedLink_) {
    pumpedLink_->AfterExchange = nullptr;
    pumpedLink_ = nullptr;
  }
  if (busy_ == 0 && busyBarShown_) {
    progressBar_->hide();
    progressBar_->setRange(0, 100);
    busyBarShown_ = false;
  }
  if (busy_ == 0) {
    for (QWidget* part :
         {static_cast<QWidget*>(menuBar()), centralWidget(), static_cast<QWidget*>(statusBar())}) {
      part->setEnabled(true);
    }
    for (QToolBar* bar : findChildren<QToolBar*>()) bar->setEnabled(true);
  }
  SetActivityLed(ledOff);
  // Enabling starts a full interval before the next tick.
  Timer->SetEnabled(true);
  QGuiApplication::restoreOverrideCursor();
  if (busy_ == 0 && closePending_) {
    // The close that was asked for during the command, now that its outcome is on show: the
    // close query runs as for any close.
    closePending_ = false;
    QTimer::singleShot(0, this, [this] { close(); });
  }
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
