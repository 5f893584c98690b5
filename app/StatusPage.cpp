// The Status page: its fields and lamps filled from the probe record, and which commands and
// inputs the record's state allows.
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "FigureTexts.h"
#include "GraphView.h"
#include "Images.h"
#include "Main.h"
#include "Msg.h"
#include "TimeConversion.h"
#include "VerdictColours.h"
#include "ui_Main.h"

namespace ombrix {

namespace {

const QColor kAqua(0, 255, 255);

QString LimitsText(const TemperatureLimits& limits) {
  QString text;
  if (limits.low && limits.high) {
    text = TMainForm::tr("%1 to %2")
               .arg(figures::Celsius(*limits.low), figures::Celsius(*limits.high));
  } else if (limits.low) {
    text = TMainForm::tr("not below %1").arg(figures::Celsius(*limits.low));
  } else if (limits.high) {
    text = TMainForm::tr("not above %1").arg(figures::Celsius(*limits.high));
  } else {
    return TMainForm::tr("none set");
  }
  if (limits.delayMinutes > 0) {
    text += TMainForm::tr(", excursions of %1 or longer")
                .arg(figures::Duration(limits.delayMinutes * 60));
  }
  return text;
}

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
  const QString changed =
      record.ChangedAfterSave
          ? tr("This record file was changed after it was saved: the data shown are not the "
               "readings as they were downloaded.")
          : QString();
  const QString held = HeldRecordNote();
  return changed.isEmpty() || held.isEmpty() ? changed + held : changed + QLatin1Char(' ') + held;
}

QString TMainForm::HeldRecordNote() const {
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
  const TProbeRecord& record = *Workplace->Record;
  QString title = baseTitle_;
  if (!HeldRecordNote().isEmpty()) {
    title += tr(" - held data of probe %1 (%2)")
                 .arg(ProbeText(record.SerialNumberText()), ProbeText(record.Name));
  }
  if (record.ChangedAfterSave) title += tr(" - changed after it was saved");
  setWindowTitle(title);
}

void TMainForm::ShowHeldRecord() {
  if (viewsGeneration_ != Workplace->RecordGeneration()) {
    viewsGeneration_ = Workplace->RecordGeneration();
    FillTable();
    FillGraph();
    FillHistogram();
  }
  ShowStatistics();
  ShowRecordNote();
  // A file's own status is shown on the Status page.
  if (PollState == psFile) ShowProbeStatus();
}

std::optional<std::uint64_t> TMainForm::LimitsSerial() const {
  if (Workplace->Record->HeldSamples() > 0) return Workplace->Record->SerialNumber;
  if (PollState == psProbe && Workplace->Probe) return Workplace->Probe->SerialNumber;
  return std::nullopt;
}

void TMainForm::ShowStatistics() {
  const TProbeRecord& record = *Workplace->Record;
  const std::optional<std::uint64_t> serial = LimitsSerial();
  const TemperatureLimits limits = Workplace->LimitsFor(serial);
  const RecordStatistics s = ComputeStatistics(record, limits);
  const figures::FigureRows rows = figures::StatisticsRows(record, limits, s);
  const auto text = [&rows](figures::Figure figure) { return figures::TextOf(rows, figure); };
  using figures::Figure;

  QString limitsText = LimitsText(limits);
  if (limits.Any()) {
    limitsText += serial && Workplace->Common().HasOwnLimits(*serial)
                      ? tr(" (this probe's own)")
                      : tr(" (defaults for all probes)");
  }
  ui_->StatisticsLimits->setText(limitsText);
  for (const auto& [label, figure] : {std::pair{ui_->StatisticsSamples, Figure::kSamples},
                                      {ui_->StatisticsFirst, Figure::kFirst},
                                      {ui_->StatisticsLast, Figure::kLast},
                                      {ui_->StatisticsMinimum, Figure::kMinimum},
                                      {ui_->StatisticsMaximum, Figure::kMaximum},
                                      {ui_->StatisticsMean, Figure::kMean},
                                      {ui_->StatisticsDeviation, Figure::kDeviation},
                                      {ui_->StatisticsBelow, Figure::kBelow},
                                      {ui_->StatisticsAbove, Figure::kAbove},
                                      {ui_->StatisticsExcursions, Figure::kExcursions}}) {
    label->setText(text(figure));
  }
  ui_->StatisticsMeanKinetic->setText(
      s.samples > 0
          ? tr("%1 (ΔH/R %2 K)").arg(text(Figure::kMeanKinetic)).arg(limits.activation, 0, 'g', 10)
          : text(Figure::kMeanKinetic));
  QString longest = text(Figure::kLongest);
  if (s.longest) {
    longest =
        tr("%1, %2 – %3").arg(longest, text(Figure::kLongestFrom), text(Figure::kLongestUntil));
  }
  ui_->StatisticsLongest->setText(longest);

  // A record without samples has no verdict: the text says so, in no colour of a verdict.
  QLabel* verdict = ui_->StatisticsVerdict;
  verdict->setText(figures::VerdictHeading(s.verdict));
  QPalette palette = ui_->StatusStatistics->palette();
  QFont font = ui_->StatusStatistics->font();
  if (s.verdict == Verdict::kWithin || s.verdict == Verdict::kOutside) {
    const bool outside = s.verdict == Verdict::kOutside;
    palette.setColor(QPalette::WindowText, outside ? OutsideLimitsColour() : WithinLimitsColour());
    font.setBold(outside);
  }
  verdict->setPalette(palette);
  verdict->setFont(font);

  ui_->StatisticsNote->setText(
      s.note.empty()
          ? QString()
          : figures::FirstUpper(QCoreApplication::translate("Statistics", s.note.c_str())) + u'.');
  ui_->StatisticsNote->setVisible(!s.note.empty());

  QList<TGraphView::Span> spans;
  for (const Excursion& run : s.excursions) {
    spans.append(TGraphView::Span{views::Range{ProbeSecondsToDateTime(run.startSeconds),
                                               ProbeSecondsToDateTime(run.endSeconds)},
                                  run.above});
  }
  graph_->SetLimits(limits.low, limits.high);
  graph_->SetExcursions(std::move(spans));
}

void TMainForm::UpdateControls() {
  const TProbe& probe = *Workplace->Probe;
  ControlFacts facts;
  facts.session = true;
  facts.pollState = PollState;
  facts.memoryClear = probe.MemoryClear;
  facts.missionInProgress = probe.MissionInProgress;
  facts.missionSamples = probe.MissionSamples;
  facts.heldSamples = Workplace->Record->HeldSamples() > 0;
  facts.testMode = Workplace->Test;
  facts.enableOff = Workplace->EnableOff;
  facts.adaptersLent = pollPaused_;
  ApplyControls(DecideControls(facts));
}

void TMainForm::ApplyControls(const ControlStates& on) {
  const std::pair<QAction*, bool> actions[] = {
      {ui_->FileSave, on.fileSave},          {ui_->FileSaveAs, on.fileSaveAs},
      {ui_->FileExport, on.fileExport},      {ui_->FilePrint, on.filePrint},
      {ui_->ViewStatus, on.viewStatus},      {ui_->ViewTable, on.viewTable},
      {ui_->ViewGraph, on.viewGraph},        {ui_->ViewHistogram, on.viewHistogram},
      {ui_->ProbeReadStatus, on.readStatus}, {ui_->ProbeReadData, on.readData},
      {ui_->ProbeClear, on.clear},           {ui_->ProbeStop, on.stop},
      {ui_->ProbeLaunch, on.launch},
  };
  for (const auto& [action, enabled] : actions) action->setEnabled(enabled);
  QWidget* const inputs[] = {ui_->StatusSampleRate, ui_->StatusStartTime, ui_->StatusRolloverEnable,
                             ui_->StatusSetupClock, ui_->StatusWriteText, ui_->StatusImmediately};
  for (QWidget* input : inputs) {
    input->setEnabled(on.missionInputs);
  }
  // Name and comment identify the probe: they stay readable (read-only, not greyed) while they
  // may not be edited.
  ui_->StatusName->setEnabled(true);
  ui_->StatusName->setReadOnly(!on.missionInputs);
  ui_->StatusComment->setEnabled(true);
  ui_->StatusComment->setReadOnly(!on.missionInputs);
  ui_->StatusSerialNumber->setEnabled(on.serialNumber);
  ui_->StatusSwitchOff->setVisible(on.switchOffShown);
}

}  // namespace ombrix
