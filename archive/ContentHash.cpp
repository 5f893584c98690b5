#include <QCryptographicHash>

#include <array>
#include <cstring>
#include <string_view>

#include "Archive.h"

namespace ombrix {

void AppendHex(std::string& out, std::string_view bytes) {
  // The two digits of every byte value, taken whole: a log's hex is most of what its hash reads.
  static constexpr std::array<char, 512> kPairs = [] {
    constexpr char kHex[] = "0123456789abcdef";
    std::array<char, 512> pairs{};
    for (int b = 0; b < 256; ++b) {
      pairs[2 * b] = kHex[b >> 4];
      pairs[2 * b + 1] = kHex[b & 15];
    }
    return pairs;
  }();
  const std::size_t at = out.size();
  out.resize(at + 2 * bytes.size());
  char* to = out.data() + at;
  for (const unsigned char c : bytes) {
    std::memcpy(to, &kPairs[2 * c], 2);
    to += 2;
  }
}

namespace {

// A local time as the whole probe second it names, as a record file keeps it: the fraction of the
// second is dropped the same way the file's text form drops it, so that a download and the same
// download read back from its file give the same value.
std::int64_t WholeSeconds(TDateTime value) {
  return value == 0 ? 0 : DateTimeToProbeSeconds(value);
}

}  // namespace

// One "key=value" line per status field, in a fixed order, integers in decimal and texts as hex of
// their bytes, so neither the locale nor the code page enters. StartTime and MissionStart enter as
// the instants StartSeconds and MissionStartSeconds they show. Changing anything here changes
// every hash and with it what counts as the same download: a new form needs a new first line.
// The form holds what a record file keeps, so that a download and the file it was saved to are
// one entry: the probe's clock at the status read is left out. The test and switched-off flags
// enter only when they are set; so does the mark of a file edited after it was saved, which leaves
// the hash of every record without it as it was and keeps an edited file from being taken for the
// clean record it was saved from.
std::string CanonicalRecord(const TProbeRecord& record) {
  std::string out = "ombrix-record/1\n";
  const auto line = [&out](const char* key, auto value) {
    out += key;
    out += '=';
    out += std::to_string(value);
    out += '\n';
  };
  const auto flag = [&line](const char* key, bool value) { line(key, value ? 1 : 0); };
  const auto bytes = [&out](const char* key, std::string_view value) {
    out += key;
    out += '=';
    AppendHex(out, value);
    out += '\n';
  };
  line("version", record.Version);
  line("serial_number", record.SerialNumber);
  bytes("name", record.Name);
  bytes("comment", record.Comment);
  flag("memory_clear", record.MemoryClear);
  flag("mission_in_progress", record.MissionInProgress);
  line("sample_rate", record.SampleRate);
  flag("rollover_enable", record.RolloverEnable);
  line("start_seconds", record.StartSeconds);
  line("mission_start_seconds", record.MissionStartSeconds);
  line("mission_samples", record.MissionSamples);
  line("read_samples", record.ReadSamples);
  flag("rollover_occurred", record.RolloverOccured);
  line("download_time", WholeSeconds(record.DownloadTime));
  line("samples_total", record.SamplesTotal);
  if (record.Test) flag("test", true);
  if (record.ProbeOff) flag("probe_off", true);
  if (record.ChangedAfterSave) flag("changed_after_save", true);
  bytes("log", std::string_view(reinterpret_cast<const char*>(record.LogBuffer.data()),
                                static_cast<std::size_t>(record.HeldSamples())));
  return out;
}

std::string ContentHash(const TProbeRecord& record) {
  const std::string canonical = CanonicalRecord(record);
  const QByteArray digest = QCryptographicHash::hash(
      QByteArrayView(canonical.data(), static_cast<qsizetype>(canonical.size())),
      QCryptographicHash::Sha256);
  std::string out;
  AppendHex(out, std::string_view(digest.constData(), static_cast<std::size_t>(digest.size())));
  return out;
}

}  // namespace ombrix
