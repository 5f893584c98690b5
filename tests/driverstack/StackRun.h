#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <string>

#include "cli/CliRunner.h"

namespace ombrix::testing {

// Sets the bus clock of a virtual state file; the probes' clocks keep their offsets from it.
inline void SetClock(const QString& path, std::int64_t utcMilliseconds) {
  VirtualState state = ReadState(path);
  state.utcMilliseconds = utcMilliseconds;
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(QByteArray::fromStdString(FormatVirtualState(state)));
}

// ombrix-cli on the built-in virtual adapter, its lab kept in the virtual state file `state`.
inline CliResult RunOnVirtualAdapter(const QString& directory, const QString& state,
                                     const QStringList& arguments) {
  return RunCli(directory, QStringList{QStringLiteral("--virtual-state"), state} + arguments);
}

// ombrix-cli as users get it, on its libftdi1 driver, Debian's libftdi1 and the emulated adapter
// in place of libusb: the bus is built from the virtual state file `state` and written back to
// it, `faults` are the emulator's (see emulator/UsbEmulator.cpp).
inline CliResult RunOnEmulatedAdapter(const QString& directory, const QString& state,
                                      const QStringList& arguments, const QString& faults = {}) {
  QString sanitizer = qEnvironmentVariable("ASAN_OPTIONS");
  if (!sanitizer.isEmpty()) sanitizer += u':';
  // The emulator is loaded first, ahead of the sanitizer's runtime.
  sanitizer += QStringLiteral("verify_asan_link_order=0");
  const QStringList wrapper{
      QStringLiteral("/usr/bin/env"),
      QStringLiteral("LD_PRELOAD=" OMBRIX_USB_EMULATOR),
      QStringLiteral("OMBRIX_USB_EMULATOR_STATE=") + state,
      QStringLiteral("OMBRIX_USB_EMULATOR_FAULTS=") + faults,
      QStringLiteral("ASAN_OPTIONS=") + sanitizer,
  };
  return RunCli(directory, arguments, {}, wrapper);
}

// The lines that hold the computer's clock or the probe's at the moment a command read it. Both
// ways read the same probe, but the emulated chip and the virtual adapter's timing model do not
// take exactly the same time to get there, so these may differ by a second; nothing else may.
inline std::string WithoutClockReadings(const std::string& text) {
  static const QRegularExpression kReading(
      QStringLiteral("^(DownloadTime=|Sha256=|Current Clock : |clock-offset-ms |\\s*\"(PcClock|"
                     "PcClockIso|CurrentClock|CurrentClockIso|DownloadTime|DownloadTimeIso)\": "
                     ").*$"),
      QRegularExpression::MultilineOption);
  return QString::fromStdString(text).replace(kReading, QStringLiteral("\\1...")).toStdString();
}

}  // namespace ombrix::testing
