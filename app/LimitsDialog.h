#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

#include "Statistics.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace ombrix {

class TProbeWorkplace;

// View > Limits: the temperature limits a record is checked against. A low and a high limit
// (each can be switched off), the tolerance delay in minutes, and ΔH/R for the mean kinetic
// temperature; kept either as the probe's own limits (by its serial number, so that they hold for
// every download of that probe) or as the defaults for all probes without limits of their own.
//
// OK checks the fields and refuses input that does not read or does not make sense, with the
// reason; otherwise it writes the limits into the settings file at once and closes. Nothing is
// written while the input is refused or the file cannot be written. Where an archive is kept, a
// change of the limits needs a reason, which goes with the limits before and after into the
// archive's audit trail.
class TLimitsDialog : public QDialog {
  // Its own texts' context for the translations (tr).
  Q_OBJECT

 public:
  // serial: the probe whose limits are shown; without one only the defaults can be set.
  // probeText: how that probe is named to the user (its serial number and name).
  TLimitsDialog(TProbeWorkplace& workplace, std::optional<std::uint64_t> serial,
                const QString& probeText, QWidget* parent = nullptr);

  // The fields as read, or nothing after a message with the reason.
  std::optional<TemperatureLimits> ReadFields();
  // ReadFields, then the settings file; true when the limits were stored.
  bool Store();
  // True when the limits go to the probe's own section, false for the defaults.
  bool ForProbe() const;
  // OK: Store, and close when it succeeded.
  void accept() override;

 private:
  void UpdateFields();
  void ShowLimits(const TemperatureLimits& limits);

  TProbeWorkplace& workplace_;
  std::optional<std::uint64_t> serial_;

  QCheckBox* lowOn_ = nullptr;
  QLineEdit* low_ = nullptr;
  QCheckBox* highOn_ = nullptr;
  QLineEdit* high_ = nullptr;
  QLineEdit* delay_ = nullptr;
  QLineEdit* activation_ = nullptr;
  QLineEdit* reason_ = nullptr;
  QRadioButton* own_ = nullptr;
  QRadioButton* defaults_ = nullptr;
};

}  // namespace ombrix
