// The probe commands of the Probe menu and tool bar (Read Data, Stop, Clear, Launch) and the
// buttons of the Status page (Clock Setup, Write text, Enable Rollover, Immediately, Switch OFF).
// Each asks first where the step cannot be undone, brackets its adapter work with the busy
// bracket, and reports the outcome in the first status-bar panel.
#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>

#include <functional>

#include "AdapterProvenance.h"
#include "Archive.h"
#include "Dialogs.h"
#include "DownloadSession.h"
#include "FigureTexts.h"
#include "Images.h"
#include "Main.h"
#include "Msg.h"
#include "ProbeAudit.h"
#include "TimeConversion.h"
#include "ui_Main.h"

namespace ombrix {

namespace {

bool Ask(TMainForm& form, const char* questionKey) {
  return AskQuestion(&form, Msg("MsgConfirmation"), Msg(questionKey));
}

// Records a probe command in the archive's audit trail (when the settings keep an archive), done
// or failed with the probe's error, as ombrix-cli records it. A row that cannot be added shows
// in the status bar; the command stands.
void AuditAction(TMainForm& form, const std::string& action, bool done, std::string oldValue = {},
                 std::string newValue = {}) {
  TProbeWorkplace& workplace = *form.Workplace;
  if (!workplace.Common().archiveEnabled) return;
  AuditEvent event = ProbeEvent(action, *workplace.Probe, workplace.DeviceName, done);
  event.oldValue = std::move(oldValue);
  event.newValue = std::move(newValue);
  ShowAuditFailure(&form, action, workplace.AppendAudit(event));
}

// Stop, Clear and Switch OFF: the question, the operation on the probe object that is current
// once the user has answered, and its outcome.
void RunConfirmedCommand(TMainForm& form, const char* questionKey, const char* action,
                         const std::function<bool(TProbe&)>& operation) {
  if (!Ask(form, questionKey)) return;
  TProbe& probe = *form.Workplace->Probe;
  const std::string held = "samples=" + std::to_string(probe.MissionSamples);
  bool ok;
  {
    TBusyBracket busy(form);
    ok = operation(probe);
  }
  AuditAction(form, action, ok, std::string(action) == "clear" ? held : std::string());
  if (!ok) {
    form.SetPanelText(0, Msg("MsgCmdError"));
    return;
  }
  form.SetPanelText(0, Msg("MsgCmdOk"));
  form.ShowProbeStatus();
}

// Shows the Cancel button, calling `cancel` when it is pressed (or Esc), for as long as it lives.
class CancelShown {
 public:
  CancelShown(QPushButton& button, std::function<void()> cancel) : button_(button) {
    connection_ = QObject::connect(&button_, &QPushButton::clicked, std::move(cancel));
    button_.setEnabled(true);
    button_.show();
    button_.setFocus();
  }
  ~CancelShown() {
    QObject::disconnect(connection_);
    button_.hide();
  }
  CancelShown(const CancelShown&) = delete;
  CancelShown& operator=(const CancelShown&) = delete;

 private:
  QPushButton& button_;
  QMetaObject::Connection connection_;
};

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
  const Settings& settings = Workplace->Common();
  std::string archiveError;
  TArchive* archive = settings.archiveEnabled ? Workplace->OpenArchive(archiveError) : nullptr;
  DownloadSetup setup;
  setup.archive = archive;
  setup.incremental = !settings.fullDownload;
  setup.adapterText = ProvenanceAdapterText(Workplace->DeviceName, probe.AdapterSerialNumber());
  DownloadSession session(probe, setup);
  // The first exchange fixes how much there is to read; it runs before the busy bracket.
  if (!session.Begin()) {
    SetPanelText(0, Msg("MsgDataError"));
    ShowAuditFailure(this, "download", Workplace->AppendAudit(session.FailureEvent()));
    return;
  }
  {
    ProgressShown progress(*progressBar_);
    TBusyBracket busy(*this);
    // Cancel and Esc (and a close of the window) stop the download before its next block.
    const CancelShown cancel(*cancelButton_, [&session] { session.Cancel(); });
    download_ = &session;
    bool more = true;
    while (more) {
      more = session.Step();
      if (more || session.GetState() == DownloadSession::State::kDone) {
        progressBar_->setValue(session.Progress());
      }
      PumpMessages();
    }
    download_ = nullptr;
  }
  if (session.GetState() != DownloadSession::State::kDone) {
    // The audit trail keeps the attempt, refused, failed or stopped, with the reason.
    ShowAuditFailure(this, "download", Workplace->AppendAudit(session.FailureEvent()));
  }
  if (session.GetState() == DownloadSession::State::kCancelled) {
    // Nothing changes: the held record, its file and the archive's entries stay as they were.
    SetPanelText(0, tr("Cancelled"));
    ShowProbeStatus();
    return;
  }
  if (session.GetState() != DownloadSession::State::kDone) {
    // Only a whole, checked log replaces the held record: the views, the unsaved mark and the
    // files stay as they were.
    SetPanelText(0, Msg("MsgDataError"));
    if (session.Error() == peProbeChanged) {
      ShowMessage(this, Msg("MsgError"),
                  tr("The download was stopped: %1. Nothing was kept of it.")
                      .arg(QCoreApplication::translate("ProbeError",
                                                       MessageForError(peProbeChanged).text)));
    }
    ShowProbeStatus();
    return;
  }
  // The download is stored before it is shown; when it cannot be, it is still shown and held
  // unsaved, and the user is told.
  RecordOrigin origin;
  std::string auditFailure;
  origin.kind = RecordOrigin::Kind::kDownload;
  origin.incremental = session.Incremental();
  if (settings.archiveEnabled) {
    StoreResult result;
    if (archive && session.Store(result, archiveError)) {
      origin.archiveEntry = result.id;
    } else {
      origin.notArchived = true;
      // An archive that could not be opened cannot take the row either; the message below says
      // why the download is not in it.
      if (archive) auditFailure = Workplace->AppendAudit(session.FailureEvent(archiveError));
    }
  }
  Workplace->HoldRecord(session.TakeRecord(), origin);
  // A new download belongs to no file: Save asks for a name, so that it never goes into the file
  // of another probe or mission.
  Workplace->FileName = QString::fromLatin1(TProbeWorkplace::kNoFile);
  SetPanelText(0, Msg("MsgDataOk"));
  // A download is the session's data until it is saved.
  Workplace->Modified = true;
  ShowHeldRecord();
  ShowProbeStatus();
  ShowDocument();
  if (origin.notArchived) {
    ShowMessage(this, Msg("MsgError"),
                tr("The download could not be stored in the archive %1:\n%2\n\nIt is held as "
                   "unsaved data: save it to a file before you close the program.")
                    .arg(QString::fromStdString(settings.ArchiveLocationText()),
                         QString::fromStdString(archiveError)));
    ShowAuditFailure(this, "download", auditFailure);
  }
}

void TMainForm::ProbeStopExecute() {
  ViewStatusExecute();
  RunConfirmedCommand(*this, "MsgStopQ", "stop", [](TProbe& probe) { return probe.StopMission(); });
}

void TMainForm::ProbeClearExecute() {
  ViewStatusExecute();
  // The probe's copy of an unsaved download is about to go.
  if (!MayDropRecord(tr("clear the probe"))) return;
  RunConfirmedCommand(*this, "MsgClearQ", "clear",
                      [](TProbe& probe) { return probe.ClearProbe(); });
}

void TMainForm::StatusSwitchOffClick() {
  ViewStatusExecute();
  if (!Workplace->Probe->MemoryClear) return;
  RunConfirmedCommand(*this, "MsgSwitchOffQ", "switch off",
                      [](TProbe& probe) { return probe.SwitchOff(); });
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
  AuditAction(*this, "launch", launched, {}, LaunchValues(probe, Workplace->Test));
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
  const std::string before = ClockValue(DateTimeToProbeSeconds(probe.CurrentClock));
  {
    TBusyBracket busy(*this);
    probe.SetClockSeconds(NowProbeSeconds());
  }
  const bool set = probe.LastError == peNone;
  if (!set) SetPanelText(0, Msg("MsgCmdError"));
  // What the probe's clock now reads is the outcome.
  const TDateTime now = probe.ReadClock();
  ui_->StatusCurrentClock->setText(DateTimeText(now));
  AuditAction(*this, "clock setup", set && now != 0, before,
              now != 0 ? ClockValue(DateTimeToProbeSeconds(now)) : std::string());
}

void TMainForm::StatusWriteTextClick() {
  if (PollState != psProbe) return;
  if (!Ask(*this, "MsgWriteTextQ")) return;
  TProbe& probe = *Workplace->Probe;
  const bool test = Workplace->Test;
  // Bytes the field does not give keep their present value; a text that is no serial number
  // changes nothing.
  if (test) {
    probe.SerialNumber =
        figures::SerialNumberFromText(ui_->StatusSerialNumber->text(), probe.SerialNumber)
            .value_or(probe.SerialNumber);
  }
  const std::string before = TextValues(probe.Name, probe.Comment);
  probe.Name = Workplace->ToBytes(ui_->StatusName->text());
  probe.Comment = Workplace->ToBytes(ui_->StatusComment->toPlainText());

  TBusyBracket busy(*this);
  const bool written = probe.WriteText(test ? 7 : 6) && probe.ReadStatus(true);
  busy.End();
  AuditAction(*this, "write text", written, before, TextValues(probe.Name, probe.Comment));
  if (!written) {
    SetPanelText(0, Msg("MsgCmdError"));
    return;
  }
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
