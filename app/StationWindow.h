#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Station.h"
#include "StationConfig.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace ombrix {

class TProbeWorkplace;

// File > Station: the download station at work on every adapter attached, one row per adapter
// (by its USB serial number) showing the probe on it and how far the station has got with it. A
// row turns green when its probe is done, red with the reason when a step failed (until the probe
// is taken off), and a neutral colour when the probe was put back with nothing new; an adapter
// that went from the bus keeps its row, greyed. The line below the table says where the files go,
// what is written beside them, the re-arm configuration and how many probes were done or failed.
//
// The station runs on threads of its own; their events reach the rows through the event loop. The
// station is configured as ombrix-cli's station is: the settings' [Station] section, the archive
// (when the settings keep one), the limits, incremental downloads and the adapters' description
// from the workplace. Settings... edits [Station]; accepted settings take effect by restarting a
// running station. Stop and closing the window cancel a download under way and wait for the
// station to end with the event loop running, so that a report that the station asked the main
// thread for can still be written or given up.
class TStationWindow : public QWidget {
  Q_OBJECT

 public:
  enum Column { kAdapter, kProbe, kName, kStep, kVerdict, kFile, kEntry, kRearmed, kColumns };

  explicit TStationWindow(TProbeWorkplace& workplace, QWidget* parent = nullptr);
  ~TStationWindow() override;

  // Configures the station from the settings and starts it; `when` ends it on its own (nothing:
  // it runs until Stop). False after a message when the settings are refused or the folder cannot
  // be made. A running station is left as it is.
  bool StartStation(const TStation::StopWhen& when = {});
  // Stops the station, cancelling a download under way, and returns once it has ended; the event
  // loop runs meanwhile.
  void StopStation();
  bool Running() const { return station_ != nullptr; }
  // Settings...: the [Station] dialog; accepted settings restart a running station.
  void EditSettings();

  // The rows as shown, and the status line.
  QTableWidget* Table() const { return table_; }
  QString StatusText() const;
  int DoneCount() const { return done_; }
  int FailedCount() const { return failed_; }

 Q_SIGNALS:
  // The window was closed and its station has ended.
  void Closed();
  // The station has ended (on its own, or stopped).
  void StationEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class State { kWaiting, kWorking, kDone, kFailed, kAlreadyDone };
  struct Row {
    std::string adapter;
    bool gone = false;
    State state = State::kWaiting;
    QString probe, name, step, verdict, file, entry, rearmed;
    // Empties what the row shows of a probe: the adapter's own state stays.
    void Forget() {
      const Row kept = *this;
      *this = Row();
      adapter = kept.adapter;
      gone = kept.gone;
    }
  };

  // Reads and checks [Station] for the status line and the configuration; false with the reason.
  bool ReadSettings(const TIniFile* ini, QString& error);
  // Builds the configuration from the workplace's settings; false with the reason.
  bool Configure(StationConfig& config, QString& error);
  // One event of the station, on the window's thread.
  void Apply(const StationEvent& event);
  // The run has ended (on the window's thread).
  void Ended();
  Row& RowOf(const std::string& adapter);
  void ShowRow(std::size_t index);
  void ShowStatus();
  void UpdateButtons();

  TProbeWorkplace& workplace_;
  std::unique_ptr<TStation> station_;
  // What the stations of this window have done, kept from one start to the next.
  std::shared_ptr<StationMemory> memory_ = std::make_shared<StationMemory>();
  // Asked by the station between its steps: set by Stop.
  std::shared_ptr<std::atomic<bool>> stopping_;
  TStation::StopWhen when_;
  int stopsWaiting_ = 0;  // stops that wait for the end
  std::vector<Row> rows_;
  StationSettings settings_;
  std::optional<RearmPlan> rearm_;
  QString folder_;
  QString problem_;  // why the station could not be started
  int done_ = 0;
  int failed_ = 0;

  QTableWidget* table_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* settingsButton_ = nullptr;
};

// The station window's Settings...: the folder (with Browse...), the name pattern, the export
// beside each record file, the PDF report and the re-arm configuration (off, or one of the
// settings' [Launch NAME] sections). OK writes [Station] into the settings file; refused settings
// are named in a message and change nothing.
class TStationSettingsDialog : public QDialog {
  // Its own texts' context for the translations (tr).
  Q_OBJECT

 public:
  explicit TStationSettingsDialog(TProbeWorkplace& workplace, QWidget* parent = nullptr);

  // The settings as the fields hold them.
  StationSettings Fields() const;
  // Writes the fields into [Station]; false after a message with the reason.
  bool Store();
  // OK: Store, and close when it succeeded.
  void accept() override;

 private:
  void Browse();

  TProbeWorkplace& workplace_;
  QLineEdit* folder_ = nullptr;
  QLineEdit* pattern_ = nullptr;
  QComboBox* export_ = nullptr;
  QCheckBox* report_ = nullptr;
  QComboBox* rearm_ = nullptr;
};

}  // namespace ombrix
