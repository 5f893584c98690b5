#pragma once

#include <string>

#include "Archive.h"
#include "Probe.h"
#include "ProbeRecord.h"

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

// Appends the event, done by this process's user now, to the archive at the location. "" when
// recorded, else why not (the action itself stands: it is done or failed already).
std::string RecordAction(const ArchiveLocation& location, const AuditEvent& event);

}  // namespace ombrix
