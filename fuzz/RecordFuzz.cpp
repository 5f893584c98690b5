// Record files come from other computers, mail and USB sticks. The reader gets arbitrary bytes; a
// file it accepts must give a record the views can use and that saves to a file reading back the
// same, and a file it refuses must leave the record alone and say why in a printable message.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "ProbeRecord.h"
#include "RecordFile.h"

namespace {

using ombrix::TProbeRecord;

const QString kFileName = QStringLiteral("fuzz.omx");

// Where saved records go: in memory (/dev/shm) where there is such a folder, so that the disk
// syncs of a save cost next to nothing.
QTemporaryDir& Scratch() {
  static QTemporaryDir dir((QFileInfo(QStringLiteral("/dev/shm")).isDir()
                                ? QStringLiteral("/dev/shm")
                                : QDir::tempPath()) +
                           QStringLiteral("/ombrix-fuzz-XXXXXX"));
  return dir;
}

bool Printable(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F; });
}

// The writer puts line breaks of a text as blanks.
std::string AsWritten(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return text;
}

bool SameStatus(const TProbeRecord& a, const TProbeRecord& b) {
  return a.Version == b.Version && a.SerialNumber == b.SerialNumber && a.Name == b.Name &&
         a.Comment == b.Comment && a.MemoryClear == b.MemoryClear &&
         a.MissionInProgress == b.MissionInProgress && a.SampleRate == b.SampleRate &&
         a.RolloverEnable == b.RolloverEnable && a.StartTime == b.StartTime &&
         a.MissionStart == b.MissionStart && a.MissionSamples == b.MissionSamples &&
         a.ReadSamples == b.ReadSamples && a.RolloverOccured == b.RolloverOccured &&
         a.DownloadTime == b.DownloadTime && a.SamplesTotal == b.SamplesTotal &&
         a.StartSeconds == b.StartSeconds && a.MissionStartSeconds == b.MissionStartSeconds;
}

// Records are large (the decoded samples alone are 128 KB): the runs share three of them, each
// set back to a new record's state before use.
const TProbeRecord& Untouched() {
  static const auto* record = new TProbeRecord();
  return *record;
}

TProbeRecord& Fresh(int which) {
  static TProbeRecord* records[2] = {new TProbeRecord(), new TProbeRecord()};
  *records[which] = Untouched();
  return *records[which];
}

void CheckRefused(const TProbeRecord& probe, const std::string& error) {
  // The log and the samples decoded from it are set last, after the status fields.
  FUZZ_CHECK(SameStatus(probe, Untouched()) && probe.LogBuffer == Untouched().LogBuffer);
  FUZZ_CHECK(error.find("\"fuzz.omx\"") != std::string::npos);
  FUZZ_CHECK(Printable(error));
}

void CheckAccepted(const TProbeRecord& probe) {
  FUZZ_CHECK(probe.Version == 256);
  FUZZ_CHECK(probe.ReadSamples >= 0 && probe.ReadSamples <= TProbeRecord::kLogSize);
  FUZZ_CHECK(probe.ReadSamples == 0 || (probe.SampleRate >= 1 && probe.SampleRate <= 255));
  FUZZ_CHECK(probe.HeldSamples() == probe.ReadSamples);
  for (int i = 0; i < probe.ReadSamples; ++i) {
    const ombrix::Sample sample = probe.GetSample(i);
    FUZZ_CHECK(std::isfinite(sample.Time));
    FUZZ_CHECK(sample.Temperature >= -40.0f && sample.Temperature <= 87.5f);
  }
}

std::string FileBytes(const QString& path) {
  QFile file(path);
  FUZZ_CHECK(file.open(QIODevice::ReadOnly));
  return file.readAll().toStdString();
}

// Saves the record and reads the saved file: every field comes back as it was, the texts with
// their line breaks as blanks.
void CheckRoundTrip(const TProbeRecord& probe) {
  if (!Scratch().isValid()) return;
  const QString path = Scratch().filePath(QStringLiteral("saved.omx"));
  std::string error;
  FUZZ_CHECK(ombrix::SaveToFile(probe, path, &error));
  TProbeRecord& reloaded = Fresh(1);
  const bool loaded = ombrix::ReadRecordBytes(reloaded, FileBytes(path), kFileName, &error);
  if (!loaded) std::fprintf(stderr, "the saved record does not load: %s\n", error.c_str());
  FUZZ_CHECK(loaded);
  FUZZ_CHECK(reloaded.Name == AsWritten(probe.Name) &&
             reloaded.Comment == AsWritten(probe.Comment));
  reloaded.Name = probe.Name;
  reloaded.Comment = probe.Comment;
  FUZZ_CHECK(SameStatus(reloaded, probe));
  FUZZ_CHECK(std::equal(reloaded.LogBuffer.begin(), reloaded.LogBuffer.begin() + probe.ReadSamples,
                        probe.LogBuffer.begin()));
  for (int i = 0; i < probe.ReadSamples; ++i) {
    FUZZ_CHECK(reloaded.GetSample(i).Time == probe.GetSample(i).Time);
    FUZZ_CHECK(reloaded.GetSample(i).Temperature == probe.GetSample(i).Temperature);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Dates are read and written in the default locale's form; the seeds are in the C form.
  std::setlocale(LC_ALL, "C");
  QLocale::setDefault(QLocale::c());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TProbeRecord& probe = Fresh(0);
  std::string error;
  if (!ombrix::ReadRecordBytes(probe, bytes, kFileName, &error)) {
    CheckRefused(probe, error);
    return 0;
  }
  CheckAccepted(probe);
  CheckRoundTrip(probe);
  return 0;
}
