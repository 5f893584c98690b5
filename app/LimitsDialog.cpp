#include "LimitsDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string>

#include "Dialogs.h"
#include "FigureTexts.h"
#include "FileDialogs.h"
#include "Msg.h"
#include "ProbeAudit.h"
#include "Probeworkplace.h"

namespace ombrix {

namespace {

// Limits and ΔH/R as the user types them: a decimal point, whatever the locale, and no more
// digits than needed.
QString NumberText(double value) {
  return QLocale::c().toString(value, 'g', 10);
}

}  // namespace

TLimitsDialog::TLimitsDialog(TProbeWorkplace& workplace, std::optional<std::uint64_t> serial,
                             const QString& probeText, QWidget* parent)
    : QDialog(parent), workplace_(workplace), serial_(serial) {
  setObjectName(QStringLiteral("LimitsDialog"));
  setWindowTitle(tr("Limits"));

  lowOn_ = new QCheckBox(tr("&Low limit :"), this);
  lowOn_->setObjectName(QStringLiteral("LimitsLowOn"));
  low_ = new QLineEdit(this);
  low_->setObjectName(QStringLiteral("LimitsLow"));
  highOn_ = new QCheckBox(tr("&High limit :"), this);
  highOn_->setObjectName(QStringLiteral("LimitsHighOn"));
  high_ = new QLineEdit(this);
  high_->setObjectName(QStringLiteral("LimitsHigh"));
  delay_ = new QLineEdit(this);
  delay_->setObjectName(QStringLiteral("LimitsDelay"));
  activation_ = new QLineEdit(this);
  activation_->setObjectName(QStringLiteral("LimitsActivation"));
  for (QLineEdit* edit : {low_, high_, delay_, activation_}) edit->setMaximumWidth(90);
  delay_->setToolTip(
      tr("A run of samples beyond a limit counts as an excursion only when it "
         "lasts at least this long (0 to 10,000 minutes)."));
  activation_->setToolTip(
      tr("Activation energy over the gas constant, for the mean kinetic "
         "temperature (10000 K when in doubt)."));

  auto* fields = new QGridLayout;
  int row = 0;
  auto addRow = [&](QWidget* caption, QLineEdit* edit, const QString& unit) {
    fields->addWidget(caption, row, 0);
    fields->addWidget(edit, row, 1);
    fields->addWidget(new QLabel(unit, this), row, 2);
    ++row;
  };
  addRow(lowOn_, low_, tr("°C"));
  addRow(highOn_, high_, tr("°C"));
  auto* delayCaption = new QLabel(tr("&Tolerance delay :"), this);
  delayCaption->setBuddy(delay_);
  addRow(delayCaption, delay_, tr("min"));
  auto* activationCaption = new QLabel(tr("ΔH/R for the &mean kinetic temperature :"), this);
  activationCaption->setBuddy(activation_);
  addRow(activationCaption, activation_, tr("K"));
  fields->setColumnStretch(3, 1);

  auto* target = new QGroupBox(tr("Keep them as"), this);
  own_ = new QRadioButton(serial ? tr("the own limits of probe %1").arg(probeText)
                                 : tr("the own limits of a probe (none is known)"),
                          target);
  own_->setObjectName(QStringLiteral("LimitsOwn"));
  defaults_ =
      new QRadioButton(tr("the defaults for all probes without limits of their own"), target);
  defaults_->setObjectName(QStringLiteral("LimitsDefaults"));
  auto* targetLayout = new QVBoxLayout(target);
  targetLayout->addWidget(own_);
  targetLayout->addWidget(defaults_);
  own_->setEnabled(serial.has_value());
  // The choice starts where the limits shown come from.
  (serial && workplace_.Common().HasOwnLimits(*serial) ? own_ : defaults_)->setChecked(true);

  // Only an archive keeps the reason, in its audit trail.
  reason_ = new QLineEdit(this);
  reason_->setObjectName(QStringLiteral("LimitsReason"));
  reason_->setMaxLength(500);
  reason_->setPlaceholderText(tr("why the limits change"));
  reason_->setToolTip(
      tr("Kept with the limits before and after in the archive's audit trail; "
         "needed when the limits change."));
  auto* reasonCaption = new QLabel(tr("&Reason for the change :"), this);
  reasonCaption->setBuddy(reason_);
  auto* reasonRow = new QHBoxLayout;
  reasonRow->addWidget(reasonCaption);
  reasonRow->addWidget(reason_, 1);
  const bool audited = workplace_.Common().archiveEnabled;
  reasonCaption->setVisible(audited);
  reason_->setVisible(audited);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName(QStringLiteral("LimitsButtons"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TLimitsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(target);
  layout->addLayout(reasonRow);
  layout->addWidget(buttons);

  for (QCheckBox* on : {lowOn_, highOn_}) {
    connect(on, &QCheckBox::toggled, this, [this] { UpdateFields(); });
  }
  ShowLimits(workplace_.LimitsFor(serial));
}

void TLimitsDialog::ShowLimits(const TemperatureLimits& limits) {
  lowOn_->setChecked(limits.low.has_value());
  low_->setText(limits.low ? NumberText(*limits.low) : QString());
  highOn_->setChecked(limits.high.has_value());
  high_->setText(limits.high ? NumberText(*limits.high) : QString());
  delay_->setText(QString::number(limits.delayMinutes));
  activation_->setText(NumberText(limits.activation));
  UpdateFields();
}

void TLimitsDialog::UpdateFields() {
  low_->setEnabled(lowOn_->isChecked());
  high_->setEnabled(highOn_->isChecked());
}

bool TLimitsDialog::ForProbe() const {
  return serial_.has_value() && own_->isChecked();
}

std::optional<TemperatureLimits> TLimitsDialog::ReadFields() {
  QString problem;
  TemperatureLimits limits;
  // A limit that is switched on but left empty (or "off") is off.
  if (lowOn_->isChecked() && !ParseLimit(low_->text().toStdString(), limits.low)) {
    problem = tr("The low limit \"%1\" is not a temperature. Enter degrees Celsius, or switch the "
                 "limit off.")
                  .arg(low_->text());
  } else if (highOn_->isChecked() && !ParseLimit(high_->text().toStdString(), limits.high)) {
    problem = tr("The high limit \"%1\" is not a temperature. Enter degrees Celsius, or switch "
                 "the limit off.")
                  .arg(high_->text());
  } else if (!ParseDelay(delay_->text().toStdString(), limits.delayMinutes)) {
    problem = tr("The tolerance delay \"%1\" is not a whole number of minutes from 0 to 10,000.")
                  .arg(delay_->text());
  } else {
    bool ok = false;
    QString activation = activation_->text().trimmed();
    activation.replace(u',', u'.');
    limits.activation = QLocale::c().toDouble(activation, &ok);
    if (!ok) limits.activation = 0;  // refused below, with CheckLimits' reason
    std::string error;
    if (!CheckLimits(limits, error)) {
      problem = figures::FirstUpper(QCoreApplication::translate("Limits", error.c_str())) + u'.';
    }
  }
  if (!problem.isEmpty()) {
    ShowMessage(this, Msg("MsgError"), problem);
    return std::nullopt;
  }
  return limits;
}

bool TLimitsDialog::Store() {
  const std::optional<TemperatureLimits> limits = ReadFields();
  if (!limits) return false;
  const std::optional<std::uint64_t> target = ForProbe() ? serial_ : std::nullopt;
  const Settings& settings = workplace_.Common();
  // A probe without limits of its own had none before: giving it some is a change, even of the
  // same values as the defaults.
  const std::string before = target && !settings.HasOwnLimits(*target)
                                 ? std::string()
                                 : LimitsValues(settings.LimitsFor(target));
  const bool audited = settings.archiveEnabled && before != LimitsValues(*limits);
  const QString reason = reason_->text().trimmed();
  if (audited && reason.isEmpty()) {
    ShowMessage(this, Msg("MsgError"),
                tr("Give the reason for the change of the limits: the archive's audit trail "
                   "keeps it with the limits before and after."));
    reason_->setFocus();
    return false;
  }
  try {
    workplace_.StoreLimits(target, *limits);
  } catch (const IniWriteError& error) {
    ShowMessage(this, Msg("MsgError"),
                FailureText(tr("The limits cannot be saved."), error.what()));
    return false;
  }
  // The limits stand whether or not the trail takes the row.
  if (audited) {
    ShowAuditFailure(
        this, "limits change",
        workplace_.AppendAudit(LimitsEvent(target, before, *limits, reason.toStdString())));
  }
  return true;
}

void TLimitsDialog::accept() {
  if (Store()) QDialog::accept();
}

}  // namespace ombrix
