#include "Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

#include <exception>

#include "About.h"
#include "Application.h"
#include "ConsistencyError.h"
#include "Dialogs.h"
#include "DownloadSession.h"
#include "FileDialogs.h"
#include "HelpWindow.h"
#include "Images.h"
#include "Led.h"
#include "LimitsDialog.h"
#include "Msg.h"
#include "RecordOrigin.h"
#include "StationWindow.h"
#include "Timer.h"
#include "ui_Main.h"

namespace ombrix {

TMainForm* MainForm = nullptr;

namespace {

QString TitleOf(const QString& programPath) {
  const QFileInfo program(programPath);
  QString name = program.fileName();
  if (!program.suffix().isEmpty()) name.chop(program.suffix().size() + 1);
  return name;
}

}  // namespace

TMainForm::TMainForm(const QString& programPath, QWidget* parent)
    : QMainWindow(parent), ui_(new Ui::MainForm), programPath_(programPath) {
  InitResources();
  ui_->setupUi(this);
  setObjectName(QStringLiteral("MainForm"));
  move(kDesignedLeft, kDesignedTop);
  setWindowIcon(ProgramIcon());
  SetApplicationTitle(TitleOf(programPath_));
  baseTitle_ = windowTitle();
  Presence = TPresence([this] { return OfferSave(); });
  helpFile_ = ChooseHelpFile(QFileInfo(programPath_).absolutePath());

  Timer = new TTimer(this, "Timer", kFirstTickInterval, true);
  PcClock = new TTimer(this, "PcClock", kPcClockInterval, true);
  connect(Timer, &TTimer::Tick, this, &TMainForm::TimerTimer);
  connect(PcClock, &TTimer::Tick, this, &TMainForm::PcClockTimer);

  BuildToolBar();
  BuildTabShield();
  BuildStatusBar();
  ConnectActions();
  ui_->EmptyImage->setPixmap(LogoPicture());
  // Display-only fields have an aqua background.
  for (QWidget* field : {static_cast<QWidget*>(ui_->StatusCurrentClock),
                         static_cast<QWidget*>(ui_->StatusPcClock)}) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, QColor(0, 255, 255));
    field->setPalette(palette);
  }
  BuildStatusPage();
  ConnectProbeActions();
  BuildDataViews();
  ui_->PageControl->hide();
  FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildToolBar() {
  struct Image {
    QAction* action;
    int index;
  };
  for (const Image& image :
       {Image{ui_->ProbeReadStatus, 9}, Image{ui_->ProbeReadData, 1}, Image{ui_->ProbeStop, 8},
        Image{ui_->ProbeClear, 2}, Image{ui_->ProbeLaunch, 3}, Image{ui_->ViewStatus, 0},
        Image{ui_->ViewTable, 4}, Image{ui_->ViewGraph, 5}, Image{ui_->ViewHistogram, 6}}) {
    image.action->setIcon(ToolImage(image.index));
  }

  QToolBar* bar = ui_->ToolBar;
  bar->setFixedHeight(29);
  auto add = [bar](QAction* action, const char* name) {
    bar->addAction(action);
    bar->widgetForAction(action)->setObjectName(QString::fromLatin1(name));
  };
  add(ui_->ProbeReadStatus, "ToolReadStatus");
  bar->addSeparator();
  add(ui_->ProbeReadData, "ToolReadData");
  add(ui_->ProbeClear, "ToolClear");
  add(ui_->ProbeStop, "ToolStop");
  add(ui_->ProbeLaunch, "ToolLaunch");
  auto* gap = new QWidget(bar);
  gap->setObjectName(QStringLiteral("ToolSeparatorWide"));
  gap->setFixedWidth(81);
  bar->addWidget(gap);
  add(ui_->ViewStatus, "ToolStatus");
  add(ui_->ViewTable, "ToolTable");
  add(ui_->ViewGraph, "ToolGraph");
  add(ui_->ViewHistogram, "ToolHistogram");
}

void TMainForm::BuildTabShield() {
  // A strip over the page control's tab row: pages change only through the View actions.
  // A child of the window, not of the page control, so that it stays usable (the download's Cancel
  // button) while the busy bracket disables the rest of the window.
  tabShield_ = new QWidget(this);
  tabShield_->setObjectName(QStringLiteral("TabShield"));
  tabShield_->setAutoFillBackground(true);
  auto* layout = new QHBoxLayout(tabShield_);
  layout->setContentsMargins(4, 2, 6, 2);
  progressBar_ = new QProgressBar(tabShield_);
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  progressBar_->setRange(0, 100);
  progressBar_->setFixedWidth(306);
  progressBar_->hide();
  layout->addWidget(progressBar_);
  cancelButton_ = new QPushButton(tr("Cancel"), tabShield_);
  cancelButton_->setObjectName(QStringLiteral("DownloadCancel"));
  cancelButton_->setShortcut(QKeySequence(Qt::Key_Escape));
  cancelButton_->setToolTip(tr("Stops the download; nothing of it is kept (Esc)"));
  cancelButton_->hide();
  layout->addWidget(cancelButton_);
  layout->addStretch(1);
  activityLed_ = new TLed(tabShield_);
  activityLed_->setObjectName(QStringLiteral("ActivityLed"));
  activityLed_->setFixedSize(16, 16);
  layout->addWidget(activityLed_);
  auto* caption = new QLabel(tr("Activity"), tabShield_);
  caption->setObjectName(QStringLiteral("LblActivity"));
  layout->addWidget(caption);
  SetActivityLed(ledOff);

  QTabBar* tabs = ui_->PageControl->tabBar();
  tabs->setFocusPolicy(Qt::NoFocus);
  tabs->setEnabled(false);
  ui_->PageControl->installEventFilter(this);
  centralWidget()->installEventFilter(this);
  PlaceTabShield();
}

void TMainForm::PlaceTabShield() {
  const int height =
      std::max(ui_->PageControl->tabBar()->sizeHint().height(), tabShield_->sizeHint().height());
  tabShield_->setGeometry(
      QRect(ui_->PageControl->mapTo(this, QPoint(0, 0)), QSize(ui_->PageControl->width(), height)));
  tabShield_->raise();
}

void TMainForm::BuildStatusBar() {
  const Qt::Alignment alignments[4] = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignHCenter,
                                       Qt::AlignHCenter};
  // The adapter's serial number has eight characters; the designed width is too narrow for them
  // in most desktop fonts, so the document panel gives up what the serial number needs.
  const int serialWidth =
      std::max(kPanelWidths[3], fontMetrics().horizontalAdvance(QStringLiteral("OMX10001")) + 12);
  for (int i = 0; i < 4; ++i) {
    auto* panel = new QLabel(ui_->StatusBar);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i));
    panel->setAlignment(alignments[i] | Qt::AlignVCenter);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    if (i == 1) {
      panel->setMinimumWidth(kPanelWidths[1] / 2);
    } else {
      panel->setFixedWidth(i == 3 ? serialWidth : kPanelWidths[i]);
    }
    ui_->StatusBar->addWidget(panel, i == 1 ? 1 : 0);
    panels_[i] = panel;
  }
  // Where the held record came from (a download and its archive entry, a file, an archive entry),
  // at the right, apart from the file that Save writes.
  originLabel_ = new QLabel(ui_->StatusBar);
  originLabel_->setObjectName(QStringLiteral("RecordOrigin"));
  originLabel_->setTextFormat(Qt::PlainText);
  originLabel_->hide();
  ui_->StatusBar->addPermanentWidget(originLabel_);
}

void TMainForm::ConnectActions() {
  connect(ui_->FileNew, &QAction::triggered, this, [this] { FileNewExecute(); });
  connect(ui_->FileExit, &QAction::triggered, this, [this] { FileExitExecute(); });
  connect(ui_->ProbeReadStatus, &QAction::triggered, this, [this] { ProbeReadStatusExecute(); });
  connect(ui_->ViewStatus, &QAction::triggered, this, [this] { ViewStatusExecute(); });
  connect(ui_->ViewTable, &QAction::triggered, this, [this] { ViewTableExecute(); });
  connect(ui_->ViewGraph, &QAction::triggered, this, [this] { ViewGraphExecute(); });
  connect(ui_->ViewHistogram, &QAction::triggered, this, [this] { ViewHistogramExecute(); });
  connect(ui_->ViewLimits, &QAction::triggered, this, [this] { ViewLimitsExecute(); });
  connect(ui_->StatusLimits, &QPushButton::clicked, this, [this] { ViewLimitsExecute(); });
  connect(ui_->HelpHelp, &QAction::triggered, this, [this] { HelpHelpExecute(); });
  connect(ui_->HelpAbout, &QAction::triggered, this, [this] { HelpAboutExecute(); });
  ConnectFileActions();
  // The graph actions sit on the Graph page's buttons; their keys work window-wide while given.
  addActions({ui_->GraphHome, ui_->GraphEnd, ui_->GraphBackward, ui_->GraphForward});
  for (QAction* action : {ui_->GraphHome, ui_->GraphEnd, ui_->GraphBackward, ui_->GraphForward}) {
    action->setShortcutContext(Qt::WindowShortcut);
  }
}

QAction* TMainForm::Action(const char* name) const {
  return findChild<QAction*>(QString::fromLatin1(name));
}

// Window events ------------------------------------------------------------------------------

void TMainForm::FormCreate() {
  Workplace = std::make_unique<TProbeWorkplace>(
      Settings::Prepare(TProbeWorkplace::IniFileNameFor(programPath_)));
  Presence.SetWorkplace(*Workplace);
  // Without a configuration the window keeps its designed place and switches.
  if (!Workplace->Load()) return;
  ApplyPlacement();
  ui_->GraphDisable3D->setChecked(!Workplace->Graph3D);
  ui_->GraphDate->setChecked(Workplace->GraphDate);
  ui_->HistogramDisable3D->setChecked(!Workplace->Histogram3D);
  GraphDateClick();
  GraphDisable3DClick();
  HistogramDisable3DClick();
  if (Workplace->Test) ui_->GraphRange->addItem(tr("1min"));
}

void TMainForm::ApplyPlacement() {
  QRect frame(Workplace->Left, Workplace->Top, Workplace->Width, Workplace->Height);
  // A place on a screen that is no longer there would hide the window: bring it back.
  bool visible = false;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect common = screen->availableGeometry().intersected(frame);
    if (common.width() >= 50 && common.height() >= 50) visible = true;
  }
  if (!visible && QGuiApplication::primaryScreen()) {
    frame.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
  }
  move(frame.topLeft());
  resize(frame.size());
  setWindowState(Workplace->Maximized ? Qt::WindowMaximized : Qt::WindowNoState);
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_ || event->spontaneous()) return;
  shown_ = true;
  // After the window is on the screen, so that a warning of File New appears over it.
  QMetaObject::invokeMethod(this, &TMainForm::FormShow, Qt::QueuedConnection);
}

void TMainForm::FormShow() {
  ui_->PageControl->setCurrentWidget(ui_->EmptyTab);
  tabShield_->raise();
  ui_->PageControl->show();
  PlaceTabShield();
  // Settings that are there but cannot be read are named, so that the user knows why the
  // program starts unconfigured; the file is left as it is.
  if (Workplace && Workplace->IniFile && !Workplace->IniFile->ReadError().empty()) {
    ShowMessage(this, Msg("MsgError"),
                FailureText(tr("The settings cannot be read."), Workplace->IniFile->ReadError()));
  }
  NewSession();
}

bool TMainForm::FormCloseQuery() {
  if (Busy()) {
    // A probe command is under way (a download pumps window messages between its blocks): the
    // window stays until it has ended, then the close is asked for again. A download is cancelled
    // for it, so that the window goes at once.
    closePending_ = true;
    if (download_) download_->Cancel();
    return false;
  }
  if (!Workplace || !Workplace->Modified) return true;
  return AskQuestion(this, Msg("MsgConfirmation"), Msg("MsgTerminateQ"));
}

void TMainForm::FormClose() {
  if (!Workplace) return;
  TProbeWorkplace& place = *Workplace;
  const bool maximized = isMaximized();
  QRect frame(pos(), size());
  if (maximized) {
    // The place to come back to, not the whole screen.
    frame = normalGeometry();
    frame.moveTopLeft(frame.topLeft() - (geometry().topLeft() - pos()));
  }
  place.Top = frame.top();
  place.Left = frame.left();
  place.Height = frame.height();
  place.Width = frame.width();
  place.Maximized = maximized;
  place.Graph3D = !ui_->GraphDisable3D->isChecked();
  place.GraphDate = ui_->GraphDate->isChecked();
  place.Histogram3D = !ui_->HistogramDisable3D->isChecked();
  place.Save();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  try {
    FormClose();
  } catch (const std::exception& error) {
    // The settings could not be written: say so, and end all the same.
    ShowException(QString::fromLocal8Bit(error.what()));
  }
  if (helpWindow_) helpWindow_->close();
  // The station ends before the window and the adapters' driver go.
  if (stationWindow_) stationWindow_->close();
  event->accept();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == ui_->PageControl || watched == centralWidget()) &&
      (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
    PlaceTabShield();
  }
  if (watched == ui_->PageControl) {
    if (event->type() == QEvent::KeyPress) {
      // The page control's own page keys (Ctrl+Tab, Ctrl+PgUp, ...) would pass the View actions.
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->modifiers() & Qt::ControlModifier &&
          (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
           key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// File actions -------------------------------------------------------------------------------

void TMainForm::FileNewExecute() {
  if (!MayDropRecord(tr("start anew"))) return;
  NewSession();
}

bool TMainForm::MayDropRecord(const QString& action) {
  if (!Workplace->Modified) return true;
  return AskQuestion(
      this, Msg("MsgConfirmation"),
      tr("The data read from the probe are not saved. Do You really want to %1 ?").arg(action));
}

void TMainForm::NewSession() {
  const bool configured = Workplace->NewProbe();
  Workplace->DropRecord();
  PollState = psSearching;
  ShowHeldRecord();
  if (!configured) ShowMessage(this, Msg("MsgWarning"), Workplace->ErrorText());
  DisableGraphShortCuts();
  ui_->PageControl->setCurrentWidget(ui_->EmptyTab);
  // Nothing is shown yet: nothing is offered.
  ApplyControls(DecideControls(ControlFacts{}));
  for (QAction* action : {ui_->ViewStatus, ui_->ViewTable, ui_->ViewGraph, ui_->ViewHistogram}) {
    action->setChecked(false);
  }
  Workplace->FileName = QString::fromLatin1(TProbeWorkplace::kNoFile);
  ShowDocument();
}

void TMainForm::ShowDocument() {
  SetPanelText(
      1, Workplace->HasFile() ? QDir::toNativeSeparators(Workplace->FileName) : Msg("MsgNoname"));
  const QString origin = QString::fromStdString(OriginText(Workplace->Origin));
  originLabel_->setText(origin);
  originLabel_->setVisible(!origin.isEmpty());
}

void TMainForm::FileExitExecute() {
  close();
}

// View actions -------------------------------------------------------------------------------

void TMainForm::SetViewChecks(QAction* checked) {
  for (QAction* action : {ui_->ViewStatus, ui_->ViewTable, ui_->ViewGraph, ui_->ViewHistogram}) {
    action->setChecked(action == checked);
  }
}

void TMainForm::ViewStatusExecute() {
  DisableGraphShortCuts();
  ui_->PageControl->setCurrentWidget(ui_->StatusTab);
  SetViewChecks(ui_->ViewStatus);
}

void TMainForm::ViewTableExecute() {
  DisableGraphShortCuts();
  ui_->PageControl->setCurrentWidget(ui_->TableTab);
  SetViewChecks(ui_->ViewTable);
  if (auto* grid = ui_->TableTab->findChild<QWidget*>(QStringLiteral("Table"))) grid->setFocus();
}

void TMainForm::ViewGraphExecute() {
  EnableGraphShortCuts();
  ui_->PageControl->setCurrentWidget(ui_->GraphTab);
  // No control keeps the focus, so that the navigation keys reach the graph actions.
  if (QWidget* focus = QApplication::focusWidget(); focus && isAncestorOf(focus)) {
    focus->clearFocus();
  }
  SetViewChecks(ui_->ViewGraph);
}

void TMainForm::ViewHistogramExecute() {
  DisableGraphShortCuts();
  ui_->PageControl->setCurrentWidget(ui_->HistogramTab);
  SetViewChecks(ui_->ViewHistogram);
}

void TMainForm::ViewLimitsExecute() {
  if (!Workplace) return;
  const std::optional<std::uint64_t> serial = LimitsSerial();
  QString probe;
  if (serial) {
    const bool held = Workplace->Record->HeldSamples() > 0;
    const TProbeStatus& status =
        held ? static_cast<const TProbeStatus&>(*Workplace->Record) : *Workplace->Probe;
    probe =
        QStringLiteral("%1 (%2)").arg(ProbeText(status.SerialNumberText()), ProbeText(status.Name));
  }
  TLimitsDialog dialog(*Workplace, serial, probe, this);
  if (RunDialog(dialog) != QDialog::Accepted) return;
  ShowStatistics();
}

void TMainForm::EnableGraphShortCuts() {
  ui_->GraphHome->setShortcut(QKeySequence(Qt::Key_Home));
  ui_->GraphEnd->setShortcut(QKeySequence(Qt::Key_End));
  ui_->GraphBackward->setShortcut(QKeySequence(Qt::Key_PageUp));
  ui_->GraphForward->setShortcut(QKeySequence(Qt::Key_PageDown));
}

void TMainForm::DisableGraphShortCuts() {
  for (QAction* action : {ui_->GraphHome, ui_->GraphEnd, ui_->GraphBackward, ui_->GraphForward}) {
    action->setShortcut(QKeySequence());
  }
}

// Help ---------------------------------------------------------------------------------------

void TMainForm::HelpHelpExecute() {
  if (!helpWindow_) helpWindow_ = new THelpWindow(this);
  if (!helpWindow_->Open(helpFile_, QStringLiteral("IDH_ROOT"))) {
    ShowMessage(this, Msg("MsgError"),
                tr("The help file %1 cannot be read.").arg(QDir::toNativeSeparators(helpFile_)));
    return;
  }
  if (!helpWindow_->isVisible()) PlaceWindow(*helpWindow_, this);
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
}

void TMainForm::HelpAboutExecute() {
  const QString settings = Workplace ? Workplace->IniFileName() : QString();
  if (AboutBox) {
    AboutBox->SetSettingsFile(settings);
    AboutBox->exec();
  } else {
    TAboutBox box(this);
    box.SetSettingsFile(settings);
    box.exec();
  }
}

// Status bar ---------------------------------------------------------------------------------

QString TMainForm::PanelText(int panel) const {
  if (panel < 0 || panel > 3) FailCheck("Main", __LINE__);
  return panels_[panel]->text();
}

void TMainForm::SetPanelText(int panel, const QString& text) {
  if (panel < 0 || panel > 3) FailCheck("Main", __LINE__);
  panels_[panel]->setText(text);
}

void TMainForm::SetActivityLed(int image) {
  ledImage_ = image;
  activityLed_->setPixmap(LedImage(image));
  activityLed_->repaint();
}

QString TMainForm::ProbeText(std::string_view bytes) const {
  return Workplace ? Workplace->ToText(bytes) : TCodePage().ToUnicode(bytes);
}

}  // namespace ombrix
