// The probe commands of the Probe menu and tool bar (Read Data, Stop, Clear, Launch) and the
// buttons of the Status page (Clock Setup, Write text, Enable Rollover, Immediately, Switch OFF).
// Each asks first where the step cannot be undone, brackets its adapter work with the busy
// bracket, and reports the outcome in the first status-bar panel.
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>

#include <cstdio>
#include <functional>

#include "AdapterProvenance.h"
#include "Dialogs.h"
#include "Images.h"
#include "Main.h"
#include "Msg.h"
#include "TimeConversion.h"
#include "ui_Main.h"

namespace ombrix {

namespace {

bool Ask(TMainForm& form, const char* questionKey) {
  return AskQuestion(&form, Msg("MsgConfirmation"), Msg(questionKey));
}

// Stop, Clear and Switch OFF: the question, the operation on the probe object that is current
// once the user has answered, and its outcome.
void RunConfirmedCommand(TMainForm& form, const char* questionKey,
                         const std::function<bool(TProbe&)>& operation) {
  if (!Ask(form, questionKey)) return;
  TProbe& probe = *form.Workplace->Probe;
  bool ok;
  {
    TBusyBracket busy(form);
    ok = operation(probe);
  }
  if (!ok) {
    form.SetPanelText(0, Msg("MsgCmdError"));
    return;
  }
  form.SetPanelText(0, Msg("MsgCmdOk"));
  form.ShowProbeStatus();
}

// The serial number as the field shows it: eight hexadecimal bytes separated by blanks, byte 0
// first. Bytes the text does not give keep their present value.
std::uint64_t SerialNumberFromText(const QString& text, std::uint64_t present) {
  unsigned int bytes[8] = {};
  const QByteArray latin = text.toLatin1();
  const int read = std::sscanf(latin.constData(), "%x %x %x %x %x %x %x %x", &bytes[0], &bytes[1],
                               &bytes[2], &bytes[3], &bytes[4], &bytes[5], &bytes[6], &bytes[7]);
  std::uint64_t serial = present;
  for (int i = 0; i < read; ++i) {
    serial &= ~(std::uint64_t{0xFF} << (8 * i));
    serial |= static_cast<std::uint64_t>(bytes[i] & 0xFF) << (8 * i);
  }
  return serial;
}

// Shows the progress bar for as long as it lives, also when a step throws.
class ProgressShown {
 public:
  explicit ProgressShown(QProgressBar& bar) : bar_(bar) {
    bar_.setRange(0, 100);
    bar_.setValue(0);
    bar_.show();
  }
  ~ProgressShown() { bar_.hide(); }
  ProgressShown(const ProgressShown&) = delete;
  ProgressShown& operator=(const ProgressShown&) = delete;

 private:
  QProgressBar& bar_;
};

}  // namespace

void TMainForm::ConnectProbeActions() {
  connect(ui_->ProbeReadData, &QAction::triggered, this, [this] { ProbeReadDataExecute(); });
  connect(ui_->ProbeStop, &QAction::triggered, this, [this] { ProbeStopExecute(); });
  connect(ui_->ProbeClear, &QAction::triggered, this, [this] { ProbeClearExecute(); });
  connect(ui_->ProbeLaunch, &QAction::triggered, this, [this] { ProbeLaunchExecute(); });
  connect(ui_->StatusSetupClock, &QPushButton::clicked, this, [this] { StatusSetupClockClick(); });
  connect(ui_->StatusWriteText, &QPushButton::clicked, this, [this] { StatusWriteTextClick(); });
  connect(ui_->StatusRolloverEnable, &QPushButton::clicked, this,
          [this] { StatusRolloverEnableClick(); });
  connect(ui_->StatusImmediately, &QPushButton::clicked, this,
          [this] { StatusImmediatelyClick(); });
  connect(ui_->StatusSwitchOff, &QPushButton::clicked, this, [this] { StatusSwitchOffClick(); });
  connect(ui_->StatusComment, &QPlainTextEdit::textChanged, this,
          [this] { StatusCommentChange(); });
}

void TMainForm::StatusCommentChange() {
  if (!Workplace) return;
  const QString text = ui_->StatusComment->toPlainText();
  // The probe keeps the comment with its closing zero in kCommentSize bytes.
  constexpr std::size_t kLimit = TProbe::kCommentSize - 1;
  if (Workplace->ToBytes(text).size() <= kLimit) {
    acceptedComment_ = text;
    ui_->StatusCommentNote->clear();
    return;
  }
  // Typing or pasting past the limit is refused: the comment stays as it was, and the reason
  // is shown beside it.
  const QSignalBlocker block(ui_->StatusComment);
  ui_->StatusComment->setPlainText(acceptedComment_);
  ui_->StatusComment->moveCursor(QTextCursor::End);
  ui_->StatusCommentNote->setText(
      tr("The probe keeps at most %1 characters of comment.").arg(kLimit));
}

void TMainForm::ProbeReadDataExecute() {
  ViewStatusExecute();
  TProbe& probe = *Workplace->Probe;
  // A new download replaces the held one; an unsaved one of another mission is asked about.
  const TProbeRecord& held = *Workplace->Record;
  const bool sameMission = held.SerialNumber == probe.SerialNumber &&
                           held.MissionStartSeconds == probe.MissionStartSeconds;
  if (!sameMission && !MayDropRecord(tr("read new data"))) return;
  // An earlier download of this mission in the archive lets the download read only what is new.
  std::string archiveError;
  TArchive* archive = Workplace->ArchiveEnabled ? Workplace->OpenArchive(archiveError) : nullptr;
  TProbe::EarlierDownload earlier;
  if (archive && !Workplace->FullDownload) earlier = EarlierDownloadsFrom(*archive);
  // The first exchange fixes how much there is to read; it runs before the busy bracket.
  if (!probe.BeginReadData(earlier)) {
    SetPanelText(0, Msg("MsgDataError"));
    return;
  }
  {
    ProgressShown progress(*progressBar_);
    TBusyBracket busy(*this);
    bool more;
    do {
      more = probe.ReadDataBlock();
      progressBar_->setValue(probe.ReadProgress());
      PumpMessages();
    } while (more);
  }
  std::unique_ptr<const TProbeRecord> record = probe.TakeDownload();
  if (!record) {
    // Only a whole, checked log replaces the held record: the views, the unsaved mark and the
    // files stay as they were.
    SetPanelText(0, Msg("MsgDataError"));
    ShowProbeStatus();
    return;
  }
  // The download is stored before it is shown; when it cannot be, it is still shown and held
  // unsaved, and the user is told.
  const bool incremental = probe.IncrementalDownload();
  QString stored;
  bool storeFailed = false;
  if (Workplace->ArchiveEnabled) {
    StoreResult result;
    const std::string adapter =
        ProvenanceAdapterText(Workplace->DeviceName, probe.AdapterSerialNumber());
    if (archive && archive->Store(*record, CurrentProvenance(adapter, "download", OMBRIX_VERSION),
                                  result, archiveError)) {
      stored = tr("Archive entry %1").arg(result.id);
    } else {
      storeFailed = true;
    }
  }
  Workplace->HoldRecord(std::move(record));
  SetPanelText(0, Msg("MsgDataOk"));
  // A download is the session's data until it is saved.
  Workplace->Modified = true;
  ShowHeldRecord();
  ShowProbeStatus();
  if (!stored.isEmpty()) {
    SetPanelText(1, incremental ? tr("%1 (incremental download)").arg(stored) : stored);
  } else if (!Workplace->ArchiveEnabled) {
    SetPanelText(1, Msg("MsgNoname"));
  }
  if (storeFailed) {
    SetPanelText(1, tr("Not archived"));
    ShowMessage(this, Msg("MsgError"),
                tr("The download could not be stored in the archive %1:\n%2\n\nIt is held as "
                   "unsaved data: save it to a file before you close the program.")
                    .arg(QString::fromStdString(Workplace->ArchiveLocationText()),
                         QString::fromStdString(archiveError)));
  }
}

void TMainForm::ProbeStopExecute() {
  ViewStatusExecute();
  RunConfirmedCommand(*this, "MsgStopQ", [](TProbe& probe) { return probe.StopMission(); });
}

void TMainForm::ProbeClearExecute() {
  ViewStatusExecute();
  // The probe's copy of an unsaved download is about to go.
  if (!MayDropRecord(tr("clear the probe"))) return;
  RunConfirmedCommand(*this, "MsgClearQ", [](TProbe& probe) { return probe.ClearProbe(); });
}

void TMainForm::StatusSwitchOffClick() {
  ViewStatusExecute();
  if (!Workplace->Probe->MemoryClear) return;
  RunConfirmedCommand(*this, "MsgSwitchOffQ", [](TProbe& probe) { return probe.SwitchOff(); });
}

void TMainForm::ProbeLaunchExecute() {
  ViewStatusExecute();
  bool isNumber = false;
  int rate = ui_->StatusSampleRate->text().trimmed().toInt(&isNumber);
  if (!isNumber) rate = 0;
  if (rate < 1 || rate > 255) {
    ShowMessage(this, Msg("MsgError"), Msg("MsgSampleRateOut"));
    ui_->StatusSampleRate->setFocus();
    return;
  }
  TDateTime firstSample = 0;
  if (!TextToDateTime(ui_->StatusStartTime->text().trimmed(), firstSample)) {
    ShowMessage(this, Msg("MsgError"), Msg("MsgInvalidFormat"));
    ui_->StatusStartTime->setFocus();
    return;
  }
  if (!MayDropRecord(tr("start a new recording"))) return;
  if (!Ask(*this, "MsgNewRecordingQ")) return;

  TProbe& probe = *Workplace->Probe;
  // The record keeps these whatever the probe answers.
  probe.SampleRate = rate;
  probe.StartTime = firstSample;
  probe.RolloverEnable = RolloverChoice;
  bool launched;
  {
    TBusyBracket busy(*this);
    launched = probe.LaunchMission(Workplace->Test);
  }
  if (launched) {
    SetPanelText(0, Msg("MsgCmdOk"));
    ShowProbeStatus();
    return;
  }
  switch (probe.LastError) {
    case peStartNotAfterClock:
    case peStartTooFar:
      ShowMessage(this, Msg("MsgError"), Msg(MessageForError(probe.LastError).key));
      ui_->StatusStartTime->setFocus();
      break;
    default:
      SetPanelText(0, Msg("MsgCmdError"));
      break;
  }
}

void TMainForm::StatusSetupClockClick() {
  if (PollState != psProbe) return;
  if (!Ask(*this, "MsgSetupClockQ")) return;
  TProbe& probe = *Workplace->Probe;
  {
    TBusyBracket busy(*this);
    probe.SetClockSeconds(NowProbeSeconds());
  }
  if (probe.LastError != peNone) SetPanelText(0, Msg("MsgCmdError"));
  // What the probe's clock now reads is the outcome.
  ui_->StatusCurrentClock->setText(DateTimeText(probe.ReadClock()));
}

void TMainForm::StatusWriteTextClick() {
  if (PollState != psProbe) return;
  if (!Ask(*this, "MsgWriteTextQ")) return;
  TProbe& probe = *Workplace->Probe;
  const bool test = Workplace->Test;
  if (test)
    probe.SerialNumber = SerialNumberFromText(ui_->StatusSerialNumber->text(), probe.SerialNumber);
  probe.Name = Workplace->ToBytes(ui_->StatusName->text());
  probe.Comment = Workplace->ToBytes(ui_->StatusComment->toPlainText());

  TBusyBracket busy(*this);
  if (!probe.WriteText(test ? 7 : 6) || !probe.ReadStatus(true)) {
    busy.End();
    SetPanelText(0, Msg("MsgCmdError"));
    return;
  }
  busy.End();
  ShowProbeStatus();
  SetPanelText(0, Msg("MsgCmdOk"));
}

void TMainForm::StatusRolloverEnableClick() {
  // Only the choice for the next launch: nothing goes to the probe.
  RolloverChoice = !RolloverChoice;
  SetLed(ui_->StatusRolloverEnableLed, RolloverChoice ? ledGreen : ledOff);
}

void TMainForm::StatusImmediatelyClick() {
  TProbe& probe = *Workplace->Probe;
  probe.SetStartNextMinute();
  ui_->StatusStartTime->setText(DateTimeText(probe.StartTime));
}

}  // namespace ombrix
