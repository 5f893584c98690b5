#pragma once

#include <QCoreApplication>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "ControlPolicy.h"
#include "Presence.h"
#include "Probeworkplace.h"

class QAction;
class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;
class QTableView;
class QWidget;

namespace Ui {
class MainForm;
}

namespace ombrix {

class DownloadSession;
class TTeLog;
class TTimer;
class THelpWindow;
class TGraphView;
class THistogramView;
class TTableModel;
class TPrintPreview;
class TStationWindow;

// The main window: menu, tool bar, the five pages (Status, Table, Graph, Histogram and the Empty
// start page), the status bar, the poll timer that watches adapter and probe, and the session
// (Workplace) with the settings and the probe object.
//
// Component names are object names ("StatusBar", "ToolReadData", "TabShield", "ActivityLed",
// "FileNew", ...), so every part can be found with findChild.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kFirstTickInterval = 300;
  static constexpr int kSearchInterval = TPresence::kSearchInterval;
  static constexpr int kPresenceInterval = TPresence::kPresenceInterval;
  static constexpr int kPcClockInterval = 1000;
  static constexpr int kSearchPause = 10;
  static constexpr int kPanelWidths[4] = {100, 400, 200, 50};
  static constexpr int kDesignedLeft = 292;
  static constexpr int kDesignedTop = 198;

  // programPath: the running program's file. The settings are found from it (Settings::Locate), the
  // help pages lie beside it or in the installed tree (ChooseHelpFile), and its name without
  // folder and extension becomes the application title.
  explicit TMainForm(const QString& programPath = QCoreApplication::applicationFilePath(),
                     QWidget* parent = nullptr);
  ~TMainForm() override;

  // Window events ----------------------------------------------------------------------------
  // Makes the workplace, reads the settings and applies placement and view switches.
  void FormCreate();
  // Runs once, right after the window is first shown: Empty page, tab shield, File New.
  void FormShow();
  // True when the window may close; asks first while a download was never saved.
  bool FormCloseQuery();
  // Copies placement and view switches into the workplace and saves the settings.
  void FormClose();

  // Actions ----------------------------------------------------------------------------------
  // File New: asks first while the held download was never saved.
  void FileNewExecute();
  // Empties the window and starts searching for a probe, without a question.
  void NewSession();
  void FileExitExecute();
  // True when the held download may be dropped: nothing unsaved, or the user agrees to drop it
  // (the question names what is about to happen, e.g. "open another file").
  bool MayDropRecord(const QString& action);
  // Offers the held unsaved download for saving (the probe it came from has gone): true when it
  // may be dropped (saved, or the user chose not to save it), false when the save was cancelled
  // or failed and the download stays.
  bool OfferSave();
  // Record files, the text export and the printed report (FileActions.cpp, ReportActions.cpp).
  void FileOpenExecute();
  // File > Archive: the archive's entries; Open makes one the held record.
  // Opens the record file as File Open does, for a file the desktop or the command line names.
  void FileOpenNamed(const QString& file);
  void FileArchiveExecute();
  // Makes archive entry `id` the held record, as File Open does with a file.
  bool OpenArchiveEntry(std::int64_t id);
  // File > Station: shows the station window and starts its station. The window's own watch of
  // the adapter pauses until the station window is closed, so as not to compete for the
  // adapters.
  void FileStationExecute();
  TStationWindow* StationWindow() const { return stationWindow_; }
  void FileSaveExecute();
  void FileSaveAsExecute();
  void FileExportExecute();
  void FilePrintExecute();
  void FilePrintPreviewExecute();
  void FileExportPdfExecute();
  void ViewStatusExecute();
  void ViewTableExecute();
  void ViewGraphExecute();
  void ViewHistogramExecute();
  // View > Limits and the Status page's Limits button: the limits of the held record's probe (or
  // of the probe on the adapter while nothing is held), or the defaults for all probes.
  void ViewLimitsExecute();
  void HelpHelpExecute();
  void HelpAboutExecute();
  void ProbeReadStatusExecute();
  // Gives the four graph actions their keys (Home, End, PgUp, PgDn), or takes them away.
  void EnableGraphShortCuts();
  void DisableGraphShortCuts();

  // Fills the Status page, then sets what the user may do next: from the live probe while one is
  // attached, otherwise from the held record. Says when the held data are not the probe's present
  // state.
  void ShowProbeStatus();
  // The line that tells that the held record's file was changed after it was saved, and which
  // probe and mission the held data belong to when they are not the shown probe's present state;
  // empty otherwise. Also shown in the window title.
  QString RecordNote() const;
  // The part of RecordNote about held data that are not the probe's present mission.
  QString HeldRecordNote() const;
  // The probe whose limits apply: the held record's while it holds samples, else the probe on the
  // adapter; none when there is neither.
  std::optional<std::uint64_t> LimitsSerial() const;
  // Enables the commands and inputs that DecideControls allows for the session as it is now.
  void UpdateControls();

  // Probe actions and the Status page's buttons (ProbeActions.cpp) ----------------------------
  void ProbeReadDataExecute();
  void ProbeStopExecute();
  void ProbeClearExecute();
  void ProbeLaunchExecute();
  void StatusSetupClockClick();
  void StatusWriteTextClick();
  // Keeps the Comment field within what the probe holds.
  void StatusCommentChange();
  void StatusRolloverEnableClick();
  void StatusImmediatelyClick();
  void StatusSwitchOffClick();

  // Table, Graph and Histogram pages (DataViews.cpp) -------------------------------------------
  // Rebuild a view from the probe record; callers run them in this order when it holds samples.
  void FillTable();
  void FillGraph();
  void FillHistogram();
  // Shows or hides the four graph navigation actions and switches mouse panning.
  void UpdateGraphNavigation();
  void GraphRangeChange();
  // The temperature axis by the workplace's rule and the window by the range box, as a new
  // record shows them.
  void GraphResetZoom();
  void GraphHomeExecute();
  void GraphEndExecute();
  void GraphBackwardExecute();
  void GraphForwardExecute();
  // Asked before each mouse pan step: false refuses a window that leaves the samples.
  bool GraphAllowScroll(double newMinimum, double newMaximum) const;
  void GraphDateClick();
  void GraphDisable3DClick();
  void HistogramDisable3DClick();
  TTableModel* TableModel() const { return tableModel_; }
  TGraphView* Graph() const { return graph_; }
  THistogramView* Histogram() const { return histogram_; }

  // Reads the chosen record file and shows it in a file session; a file that cannot be read
  // leaves the window as it was.
  void OpenRecordFile(const QString& chosen);

  // Poll timer and busy bracket ----------------------------------------------------------------
  void TimerTimer();
  // Holds back the poll timer's ticks and lets go of the adapter link (paused), or lets the ticks
  // run again.
  void PausePolling(bool paused);
  bool PollingPaused() const { return pollPaused_; }
  void PcClockTimer();
  // Around every probe operation that talks to the adapter: no tick, no input, green lamp.
  void BeginBusy();
  void EndBusy();
  // Lets window messages run in the middle of a long operation (between download blocks).
  void PumpMessages();
  bool Busy() const { return busy_ > 0; }

  // Status bar and lamp ----------------------------------------------------------------------
  QString PanelText(int panel) const;
  void SetPanelText(int panel, const QString& text);
  // 0 unlit, 1 red, 2 green.
  void SetActivityLed(int image);
  int ActivityLedImage() const { return ledImage_; }

  // Probe texts (8-bit, in the configured code page) as the window shows them.
  QString ProbeText(std::string_view bytes) const;

  QAction* Action(const char* name) const;
  const QString& HelpFile() const { return helpFile_; }
  THelpWindow* HelpWindow() const { return helpWindow_; }

  std::unique_ptr<TProbeWorkplace> Workplace;
  TPresence Presence;
  int& PollState = Presence.State();
  bool RolloverChoice = false;
  TTimer* Timer = nullptr;
  TTimer* PcClock = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildToolBar();
  void BuildTabShield();
  void BuildStatusBar();
  void ConnectActions();
  void ApplyPlacement();
  void PlaceTabShield();
  void SetViewChecks(QAction* checked);
  void ShowAdapterTexts();
  void ShowSearchFailure();
  void ShowRecordNote();
  void ShowHeldRecord();
  // Panel 1: the file Save writes (or none); beside the panels, where the held record came from.
  void ShowDocument();
  void ApplyControls(const ControlStates& on);
  // Fills the Status page's statistics block and the graph's limit lines and excursions.
  void ShowStatistics();
  void BuildStatusPage();
  void ConnectProbeActions();
  void BuildDataViews();
  void SetLed(QLabel* lamp, int image);
  void ConnectFileActions();
  QPrinter& Printer();
  TPrintPreview& ReportLayout();

  std::unique_ptr<Ui::MainForm> ui_;
  QString programPath_;
  QString acceptedComment_;       // the Comment field's last text that fits the probe
  TTeLog* pumpedLink_ = nullptr;  // the link that paints the window after each exchange
  bool busyBarShown_ = false;     // the busy bracket shows the progress bar
  QString helpFile_;
  QWidget* tabShield_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;  // beside the progress bar while a download runs
  DownloadSession* download_ = nullptr;  // the download under way, if any
  QLabel* originLabel_ = nullptr;
  QLabel* activityLed_ = nullptr;
  QLabel* panels_[4] = {};
  THelpWindow* helpWindow_ = nullptr;
  TStationWindow* stationWindow_ = nullptr;
  bool pollPaused_ = false;
  int ledImage_ = 0;
  int busy_ = 0;
  bool shown_ = false;
  // The held record (by its generation) the Table, Graph and Histogram were last filled from.
  std::uint64_t viewsGeneration_ = ~std::uint64_t{0};
  // A close asked for while a probe command ran: done once the command has ended.
  bool closePending_ = false;
  QString baseTitle_;
  TTableModel* tableModel_ = nullptr;
  QTableView* table_ = nullptr;
  TGraphView* graph_ = nullptr;
  THistogramView* histogram_ = nullptr;
  // The printer keeps the user's choices from one print to the next; the layout form is the
  // program's (PrintPreview) or, when there is none, the window's own.
  std::shared_ptr<QPrinter> printer_;
  std::shared_ptr<TPrintPreview> ownReportLayout_;
};

// Brackets a probe operation with BeginBusy and EndBusy, so that EndBusy runs exactly once on
// every path out of it, also when the operation throws.
class TBusyBracket {
 public:
  explicit TBusyBracket(TMainForm& form) : form_(form) { form_.BeginBusy(); }
  ~TBusyBracket() { End(); }
  TBusyBracket(const TBusyBracket&) = delete;
  TBusyBracket& operator=(const TBusyBracket&) = delete;

  void End() {
    if (!open_) return;
    open_ = false;
    form_.EndBusy();
  }

 private:
  TMainForm& form_;
  bool open_ = true;
};

// The program's one main window.
extern TMainForm* MainForm;
// The printed report's layout form, created once at start-up and never shown.
extern TPrintPreview* PrintPreview;

}  // namespace ombrix
