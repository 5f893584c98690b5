#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Archive.h"
#include "Probe.h"
#include "ProbeRecord.h"
#include "Statistics.h"

namespace ombrix {

// The audit trail's rows of what the window and ombrix-cli do to a probe and its records, built
// in one place so that both record the same actions in the same form.

// A command on the probe as it stands (serial number and the adapter named as a download's
// provenance names it): "launch", "stop", "clear", "switch off", "clock setup", "write text";
// failed with the probe's last error, which it leaves as it was.
AuditEvent ProbeEvent(const std::string& action, TProbe& probe, const std::string& deviceName,
                      bool done);

// The values the events keep, as "key=value" lines.
// Launch: sample rate, first sample time (with its UTC offset), rollover, test mode.
std::string LaunchValues(const TProbeStatus& probe, bool test);
// A probe clock, with its UTC offset.
std::string ClockValue(std::int64_t seconds);
// Name and comment, as UTF-8.
std::string TextValues(const std::string& name, const std::string& comment);

// A record written out: "export" or "report" to a file.
AuditEvent RecordEvent(const std::string& action, const TProbeRecord& record,
                       const std::string& file, bool done, const std::string& message = {});

// A report of the record sent to a printer: "report" with the printer's name.
AuditEvent PrintedEvent(const TProbeRecord& record, const std::string& printer, bool done,
                        const std::string& message = {});

// A download that ended without a stored record (refused, failed, interrupted, or read but not
// stored): "download", failed with the reason.
AuditEvent FailedDownloadEvent(std::uint64_t serialNumber, const std::string& adapter,
                               const std::string& message);

// The limits as "key=value" lines: low and high in degrees Celsius ("none" when off), the
// tolerance delay in minutes and the activation energy in kelvin.
std::string LimitsValues(const TemperatureLimits& limits);
// A change of the limits: a probe's own (by its serial number) or, without one, the defaults for
// all probes; `oldValue` as LimitsValues gives it ("" when there were none), `reason` as the user
// gave it.
AuditEvent LimitsEvent(std::optional<std::uint64_t> serial, const std::string& oldValue,
                       const TemperatureLimits& limits, const std::string& reason);

// Appends the event, done by this process's user now, to the archive at the location. "" when
// recorded, else why not (the action itself stands: it is done or failed already).
std::string RecordAction(const ArchiveLocation& location, const AuditEvent& event);

}  // namespace ombrix
