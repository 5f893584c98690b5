#include <benchmark/benchmark.h>

#include <QLocale>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>
#include <string>

#include "Dataexport.h"
#include "RecordFile.h"

namespace {

using ombrix::TProbeRecord;

// A full record after a rollover, in a fixed locale so that runs compare.
std::unique_ptr<TProbeRecord> FullRecord() {
  QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
  auto probe = std::make_unique<TProbeRecord>();
  probe->SerialNumber = 0xA200000000000028ULL;
  probe->Name = "Fridge 4";
  probe->Comment = "Vaccines, shelf 2";
  probe->MemoryClear = false;
  probe->SampleRate = 10;
  probe->StartTime = ombrix::EncodeDateTime(2021, 3, 1, 8, 0, 0);
  probe->MissionStart = ombrix::EncodeDateTime(2021, 3, 1, 7, 58, 12);
  probe->MissionSamples = 9000;
  probe->ReadSamples = TProbeRecord::kLogSize;
  probe->RolloverOccured = true;
  probe->DownloadTime = ombrix::EncodeDateTime(2021, 5, 3, 9, 0, 0);
  probe->SamplesTotal = 52000;
  for (int i = 0; i < TProbeRecord::kLogSize; ++i)
    probe->LogBuffer[i] = static_cast<std::uint8_t>(80 + i % 40);
  probe->SecondsFromLocalTimes();
  probe->DecodeLog();
  return probe;
}

void SaveRecord(benchmark::State& state) {
  const auto probe = FullRecord();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("full.omx"));
  for (auto _ : state) {
    if (!ombrix::SaveToFile(*probe, path)) throw std::runtime_error("save failed");
  }
}
BENCHMARK(SaveRecord)->Unit(benchmark::kMillisecond);

void LoadRecord(benchmark::State& state) {
  const auto probe = FullRecord();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("full.omx"));
  if (!ombrix::SaveToFile(*probe, path)) throw std::runtime_error("save failed");
  auto loaded = std::make_unique<TProbeRecord>();
  for (auto _ : state) {
    if (!ombrix::LoadFromFile(*loaded, path)) throw std::runtime_error("load failed");
  }
}
BENCHMARK(LoadRecord)->Unit(benchmark::kMillisecond);

void ExportRecord(benchmark::State& state) {
  const auto probe = FullRecord();
  const ombrix::StatusPageCaptions captions;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("export.txt"));
  for (auto _ : state) {
    if (!ombrix::TDataExport(captions, *probe).Export(path))
      throw std::runtime_error("export failed");
  }
}
BENCHMARK(ExportRecord)->Unit(benchmark::kMillisecond);

// The export's text alone, without the file and the sync to disk.
void ExportText(benchmark::State& state) {
  const auto probe = FullRecord();
  const ombrix::StatusPageCaptions captions;
  for (auto _ : state) benchmark::DoNotOptimize(ombrix::TDataExport(captions, *probe).Text());
}
BENCHMARK(ExportText)->Unit(benchmark::kMillisecond);

}  // namespace
