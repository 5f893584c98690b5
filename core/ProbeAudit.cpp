#include "ProbeAudit.h"

#include "AdapterProvenance.h"
#include "CodePage.h"

namespace ombrix {

AuditEvent ProbeEvent(const std::string& action, TProbe& probe, const std::string& deviceName,
                      bool done) {
  AuditEvent event;
  event.action = action;
  if (probe.SerialNumber != 0) event.probeSerial = SerialNumberText(probe.SerialNumber);
  // Asking for the adapter's serial number clears the probe's last error, which the caller still
  // reports.
  const auto error = probe.LastError;
  event.adapter = ProvenanceAdapterText(deviceName, probe.AdapterSerialNumber());
  probe.LastError = error;
  event.done = done;
  if (!done) event.message = MessageForError(error).text;
  return event;
}

std::string LaunchValues(const TProbeStatus& probe, bool test) {
  return "rate=" + std::to_string(probe.SampleRate) + (test ? " s" : " min") + "\nfirst_sample=" +
         IsoDateTimeText(DateTimeToProbeSeconds(probe.StartTime)).toStdString() +
         "\nrollover=" + (probe.RolloverEnable ? "1" : "0") + "\ntest=" + (test ? "1" : "0");
}

std::string ClockValue(std::int64_t seconds) {
  return "clock=" + IsoDateTimeText(seconds).toStdString();
}

std::string TextValues(const std::string& name, const std::string& comment) {
  const TCodePage& page = DefaultCodePage();
  return "name=" + page.ToUnicode(name).toStdString() +
         "\ncomment=" + page.ToUnicode(comment).toStdString();
}

AuditEvent RecordEvent(const std::string& action, const TProbeRecord& record,
                       const std::string& file, bool done, const std::string& message) {
  AuditEvent event;
  event.action = action;
  if (record.SerialNumber != 0) event.probeSerial = SerialNumberText(record.SerialNumber);
  event.newValue = "file=" + file;
  event.done = done;
  event.message = message;
  return event;
}

AuditEvent PrintedEvent(const TProbeRecord& record, const std::string& printer, bool done,
                        const std::string& message) {
  AuditEvent event = RecordEvent("report", record, {}, done, message);
  event.newValue = "printer=" + printer;
  return event;
}

AuditEvent FailedDownloadEvent(std::uint64_t serialNumber, const std::string& adapter,
                               const std::string& message) {
  AuditEvent event;
  event.action = "download";
  if (serialNumber != 0) event.probeSerial = SerialNumberText(serialNumber);
  event.adapter = adapter;
  event.done = false;
  event.message = message;
  return event;
}

std::string LimitsValues(const TemperatureLimits& limits) {
  // QString::number writes the C locale's digits whatever the user's locale.
  const auto limit = [](const std::optional<double>& value) {
    return value ? QString::number(*value, 'g', 10).toStdString() + " \u00B0C"
                 : std::string("none");
  };
  return "low=" + limit(limits.low) + "\nhigh=" + limit(limits.high) +
         "\ndelay=" + std::to_string(limits.delayMinutes) +
         " min\nactivation=" + QString::number(limits.activation, 'g', 10).toStdString() + " K";
}

AuditEvent LimitsEvent(std::optional<std::uint64_t> serial, const std::string& oldValue,
                       const TemperatureLimits& limits, const std::string& reason) {
  AuditEvent event;
  event.action = "limits";
  if (serial) event.probeSerial = SerialNumberText(*serial);
  event.oldValue = oldValue;
  event.newValue = LimitsValues(limits);
  event.message = reason;
  return event;
}

std::string RecordAction(const ArchiveLocation& location, const AuditEvent& event) {
  TArchive archive(location);
  std::string error;
  if (!archive.Append(CurrentActor(OMBRIX_VERSION), event, error)) return error;
  return {};
}

}  // namespace ombrix
