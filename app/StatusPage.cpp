// The Status page: its fields and lamps filled from the probe record, and which commands and
// inputs the record's state allows.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "GraphView.h"
#include "Images.h"
#include "Main.h"
#include "Msg.h"
#include "TimeConversion.h"
#include "ui_Main.h"

namespace ombrix {

namespace {

const QColor kAqua(0, 255, 255);

const QColor kOutsideColour(0xC0, 0, 0);
const QColor kWithinColour(0, 0x80, 0);

// A temperature with one decimal and its unit; a value that rounds to zero shows no sign.
QString Degrees(double celsius) {
  QString text = QString::number(celsius, 'f', 1);
  if (text == QLatin1String("-0.0")) text.remove(0, 1);
  return text + QStringLiteral(" \u00B0C");
}

// A length of time in days, hours, minutes and (for rates in seconds) seconds: "1 d 2 h 5 min".
QString DurationText(std::int64_t seconds) {
  const struct {
    std::int64_t count;
    const char* unit;
  } parts[] = {{seconds / 86'400, "d"},
               {seconds / 3'600 % 24, "h"},
               {seconds / 60 % 60, "min"},
               {seconds % 60, "s"}};
  QStringList text;
  for (const auto& part : parts) {
    if (part.count != 0) text << QStringLiteral("%1 %2").arg(part.count).arg(part.unit);
  }
  return text.isEmpty() ? QStringLiteral("0 min") : text.join(u' ');
}

QString LimitsText(const TemperatureLimits& limits) {
  QString text;
  if (limits.low && limits.high) {
    text = TMainForm::tr("%1 to %2").arg(Degrees(*limits.low), Degrees(*limits.high));
  } else if (limits.low) {
    text = TMainForm::tr("not below %1").arg(Degrees(*limits.low));
  } else if (limits.high) {
    text = TMainForm::tr("not above %1").arg(Degrees(*limits.high));
  } else {
    return TMainForm::tr("none set");
  }
  if (limits.delayMinutes > 0) {
    text +=
        TMainForm::tr(", excursions of %1 or longer").arg(DurationText(limits.delayMinutes * 60));
  }
  return text;
}

QString FirstUpper(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
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
  const bool any = s.samples > 0;
  const QString none = QStringLiteral("\u2014");
  const auto at = [&](double value, int index) {
    return tr("%1 at %2").arg(Degrees(value), DateTimeText(record.GetSample(index).Time));
  };
  const auto instant = [](std::int64_t seconds) {
    return DateTimeText(ProbeSecondsToDateTime(seconds));
  };

  QString limitsText = LimitsText(limits);
  if (limits.Any()) {
    limitsText += serial && Workplace->HasOwnLimits(*serial) ? tr(" (this probe's own)")
                                                             : tr(" (defaults for all probes)");
  }
  ui_->StatisticsLimits->setText(limitsText);
  ui_->StatisticsSamples->setText(QString::number(s.samples));
  ui_->StatisticsFirst->setText(any ? DateTimeText(record.GetSample(0).Time) : QString());
  ui_->StatisticsLast->setText(any ? DateTimeText(record.GetSample(s.samples - 1).Time)
                                   : QString());
  ui_->StatisticsMinimum->setText(any ? at(s.minimum, s.minimumIndex) : QString());
  ui_->StatisticsMaximum->setText(any ? at(s.maximum, s.maximumIndex) : QString());
  ui_->StatisticsMean->setText(any ? Degrees(s.mean) : QString());
  ui_->StatisticsDeviation->setText(s.standardDeviation ? Degrees(*s.standardDeviation)
                                    : any               ? none
                                                        : QString());
  ui_->StatisticsMeanKinetic->setText(
      any ? tr("%1 (\u0394H/R %2 K)").arg(Degrees(s.meanKinetic)).arg(limits.activation, 0, 'g', 10)
          : QString());
  ui_->StatisticsBelow->setText(!any         ? QString()
                                : limits.low ? DurationText(s.secondsBelow)
                                             : none);
  ui_->StatisticsAbove->setText(!any          ? QString()
                                : limits.high ? DurationText(s.secondsAbove)
                                              : none);
  ui_->StatisticsExcursions->setText(any && limits.Any() ? QString::number(s.excursions.size())
                                                         : QString());
  QString longest;
  if (s.longest) {
    longest = tr("%1 \u2013 %2 (%3, %4)")
                  .arg(instant(s.longest->startSeconds), instant(s.longest->endSeconds),
                       DurationText(s.longest->Seconds()),
                       s.longest->above ? tr("above the high limit") : tr("below the low limit"));
  } else if (any && limits.Any()) {
    longest = none;
  }
  ui_->StatisticsLongest->setText(longest);

  // Nothing to judge without samples.
  QLabel* verdict = ui_->StatisticsVerdict;
  verdict->setText(any ? FirstUpper(QString::fromLatin1(VerdictText(s.verdict))) : QString());
  QPalette palette = ui_->StatusStatistics->palette();
  QFont font = ui_->StatusStatistics->font();
  if (any && s.verdict != Verdict::kNoLimits) {
    const bool outside = s.verdict == Verdict::kOutside;
    palette.setColor(QPalette::WindowText, outside ? kOutsideColour : kWithinColour);
    font.setBold(outside);
  }
  verdict->setPalette(palette);
  verdict->setFont(font);

  ui_->StatisticsNote->setText(s.note.empty() ? QString()
                                              : FirstUpper(QString::fromStdString(s.note)) + u'.');
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
  QWidget* const inputs[] = {ui_->StatusName,      ui_->StatusComment,        ui_->StatusSampleRate,
                             ui_->StatusStartTime, ui_->StatusRolloverEnable, ui_->StatusSetupClock,
                             ui_->StatusWriteText, ui_->StatusImmediately};
  for (QWidget* input : inputs) {
    input->setEnabled(on.missionInputs);
  }
  ui_->StatusSerialNumber->setEnabled(on.serialNumber);
  ui_->StatusSwitchOff->setVisible(on.switchOffShown);
}

}  // namespace ombrix
