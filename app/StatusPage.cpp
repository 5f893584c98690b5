// The Status page: its fields and lamps filled from the probe record, and which commands and
// inputs the record's state allows.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "Images.h"
#include "Main.h"
#include "Msg.h"
#include "TimeConversion.h"
#include "ui_Main.h"

namespace ombrix {

namespace {

const QColor kAqua(0, 255, 255);

// The multi-line field shows the probe's comment with its own line ends.
QString CommentForDisplay(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text;
}

}  // namespace

void TMainForm::BuildStatusPage() {
  // Display-only fields have an aqua background. Their values stay legible while disabled.
  for (QWidget* field :
       {static_cast<QWidget*>(ui_->StatusSerialNumber),
        static_cast<QWidget*>(ui_->StatusCurrentClock), static_cast<QWidget*>(ui_->StatusPcClock),
        static_cast<QWidget*>(ui_->StatusMissionStart),
        static_cast<QWidget*>(ui_->StatusDownloadTime),
        static_cast<QWidget*>(ui_->StatusMissionSamples),
        static_cast<QWidget*>(ui_->StatusSamplesTotal)}) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, kAqua);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x30, 0x30, 0x30));
    field->setPalette(palette);
  }
  ui_->StatusSwitchOff->hide();
  for (QLabel* lamp :
       {ui_->StatusMissionInProgressLed, ui_->StatusMemoryClearLed, ui_->StatusRolloverEnableLed,
        ui_->StatusRolloverOccuredLed, ui_->StatusTestLed, ui_->StatusProbeOffLed}) {
    SetLed(lamp, ledOff);
  }
  for (QWidget* hidden :
       {static_cast<QWidget*>(ui_->StatusTestLed), static_cast<QWidget*>(ui_->LblTest),
        static_cast<QWidget*>(ui_->StatusProbeOffLed), static_cast<QWidget*>(ui_->LblProbeOff)}) {
    hidden->hide();
  }
}

void TMainForm::SetLed(QLabel* lamp, int image) {
  lamp->setPixmap(LedImage(image));
  // The lamp's state, for whoever needs it without comparing pictures.
  lamp->setProperty("ledImage", image);
}

void TMainForm::ShowProbeStatus() {
  // The probe as it is now while one is attached; otherwise the held record's own status.
  const bool live = PollState == psProbe;
  const TProbeStatus& probe =
      live ? static_cast<const TProbeStatus&>(*Workplace->Probe) : *Workplace->Record;
  ui_->StatusSerialNumber->setText(ProbeText(probe.SerialNumberText()));
  ui_->StatusName->setText(ProbeText(probe.Name));
  ui_->StatusComment->setPlainText(CommentForDisplay(ProbeText(probe.Comment)));
  // Read from the probe each time; a record has no link and shows no clock.
  ui_->StatusCurrentClock->setText(live ? DateTimeText(Workplace->Probe->ReadClock()) : QString());
  ui_->StatusSampleRate->setText(QString::number(probe.SampleRate));
  ui_->StatusStartTime->setText(DateTimeText(probe.StartTime));
  ui_->StatusMissionStart->setText(DateTimeText(probe.MissionStart));
  ui_->StatusMissionSamples->setText(QString::number(probe.MissionSamples));
  ui_->StatusDownloadTime->setText(DateTimeText(probe.DownloadTime));
  ui_->StatusSamplesTotal->setText(QString::number(probe.SamplesTotal));
  RolloverChoice = probe.RolloverEnable;

  SetLed(ui_->StatusMemoryClearLed, probe.MemoryClear ? ledGreen : ledOff);
  SetLed(ui_->StatusMissionInProgressLed, probe.MissionInProgress ? ledGreen : ledRed);
  ui_->StatusMissionInProgress->setText(
      Msg(probe.MissionInProgress ? "MsgMissionInProgress" : "MsgMissionStopped"));
  SetLed(ui_->StatusRolloverEnableLed, RolloverChoice ? ledGreen : ledOff);
  SetLed(ui_->StatusRolloverOccuredLed, probe.RolloverOccured ? ledRed : ledOff);
  SetLed(ui_->StatusTestLed, ledRed);
  ui_->StatusTestLed->setVisible(probe.Test);
  ui_->LblTest->setVisible(probe.Test);
  SetLed(ui_->StatusProbeOffLed, ledRed);
  ui_->StatusProbeOffLed->setVisible(probe.ProbeOff);
  ui_->LblProbeOff->setVisible(probe.ProbeOff);

  ShowRecordNote();
  ui_->StatusTab->repaint();
  UpdateControls();
}

QString TMainForm::RecordNote() const {
  const TProbeRecord& record = *Workplace->Record;
  if (record.HeldSamples() == 0 || PollState == psFile || !Workplace->Probe) return {};
  const TProbe& probe = *Workplace->Probe;
  const bool sameMission = PollState == psProbe && probe.SerialNumber == record.SerialNumber &&
                           !probe.MemoryClear &&
                           probe.MissionStartSeconds == record.MissionStartSeconds;
  if (sameMission) return {};
  QString note =
      tr("The data shown were read from probe %1 (%2), mission started %3, downloaded %4")
          .arg(ProbeText(record.SerialNumberText()), ProbeText(record.Name),
               DateTimeText(record.MissionStart), DateTimeText(record.DownloadTime));
  if (PollState != psProbe) {
    note += tr(": that probe is no longer on the adapter");
  } else if (probe.SerialNumber != record.SerialNumber) {
    note += tr(": not the probe on the adapter");
  } else {
    note += tr(": not the probe's present mission");
  }
  if (Workplace->Modified) note += tr(", and are not saved");
  return note + QLatin1Char('.');
}

void TMainForm::ShowRecordNote() {
  const QString note = RecordNote();
  ui_->StatusRecordNote->setText(note);
  ui_->StatusRecordNote->setVisible(!note.isEmpty());
  setWindowTitle(note.isEmpty()
                     ? baseTitle_
                     : baseTitle_ + tr(" - held data of probe %1 (%2)")
                                        .arg(ProbeText(Workplace->Record->SerialNumberText()),
                                             ProbeText(Workplace->Record->Name)));
}

void TMainForm::ShowHeldRecord() {
  if (viewsGeneration_ != Workplace->RecordGeneration()) {
    viewsGeneration_ = Workplace->RecordGeneration();
    FillTable();
    FillGraph();
    FillHistogram();
  }
  ShowRecordNote();
  // A file's own status is shown on the Status page.
  if (PollState == psFile) ShowProbeStatus();
}

void TMainForm::UpdateControls() {
  const TProbe& probe = *Workplace->Probe;
  const TProbeRecord& record = *Workplace->Record;
  QWidget* const inputs[] = {ui_->StatusName,      ui_->StatusComment,        ui_->StatusSampleRate,
                             ui_->StatusStartTime, ui_->StatusRolloverEnable, ui_->StatusSetupClock,
                             ui_->StatusWriteText, ui_->StatusImmediately};
  const auto enableInputs = [&inputs](bool on) {
    for (QWidget* input : inputs) input->setEnabled(on);
  };

  ui_->StatusSerialNumber->setEnabled(false);
  ui_->StatusSwitchOff->hide();
  for (QAction* file :
       {ui_->FileSave, ui_->FileSaveAs, ui_->FileExport, ui_->FilePrint, ui_->ViewStatus}) {
    file->setEnabled(true);
  }
  if (PollState != psProbe) {
    // A record from a file, or kept after its probe went: nothing goes to a probe.
    for (QAction* command : {ui_->ProbeReadStatus, ui_->ProbeReadData, ui_->ProbeClear,
                             ui_->ProbeStop, ui_->ProbeLaunch}) {
      command->setEnabled(false);
    }
    enableInputs(false);
  } else {
    if (probe.MemoryClear) {
      ui_->StatusSerialNumber->setEnabled(Workplace->Test);
      enableInputs(true);
      ui_->StatusSwitchOff->setVisible(Workplace->EnableOff);
      ui_->ProbeClear->setEnabled(false);
      ui_->ProbeStop->setEnabled(false);
      ui_->ProbeLaunch->setEnabled(true);
    } else {
      enableInputs(false);
      ui_->ProbeClear->setEnabled(!probe.MissionInProgress);
      ui_->ProbeStop->setEnabled(probe.MissionInProgress);
      ui_->ProbeLaunch->setEnabled(false);
    }
    ui_->ProbeReadData->setEnabled(probe.MissionSamples > 0);
  }
  const bool samples = record.HeldSamples() > 0;
  for (QAction* view : {ui_->ViewTable, ui_->ViewGraph, ui_->ViewHistogram}) {
    view->setEnabled(samples);
  }
}

}  // namespace ombrix
