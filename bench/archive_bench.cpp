// The download archive with 10,000 entries: storing them into a new archive, one transaction per
// download as the program does, and listing all of them, newest first. On an SQLite file in the
// temporary folder and on a throwaway PostgreSQL server on this machine with its default,
// durable settings (every commit reaches the disk, as with SQLite).
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "Archive.h"
#include "PgServer.h"

namespace {

using namespace ombrix;

constexpr int kEntries = 10'000;
constexpr std::int64_t kMissionStart = 1'650'000'000;

enum Backend { kSqlite, kPostgres };

testing::PgServer server;
QTemporaryDir folder;
// The archives the store benchmark filled, which the list benchmark reads.
std::map<Backend, ArchiveLocation> filled;

ArchiveLocation NewArchive(Backend backend) {
  static int count = 0;
  ArchiveLocation location;
  const std::string name = "archive" + std::to_string(++count);
  std::string error;
  if (backend == kSqlite) {
    location.path = folder.filePath(QString::fromStdString(name + ".sqlite")).toStdString();
  } else if (!server.CreateDatabase(name, location, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
  }
  return location;
}

// A full log of 8000 samples; each download of the series differs in its time and a log byte.
std::unique_ptr<TProbeRecord> Template() {
  auto r = std::make_unique<TProbeRecord>();
  r->SerialNumber = 0x2800000000001234ULL;
  r->Name = "Fridge 4";
  r->Comment = "Vaccines, shelf 2";
  r->MemoryClear = false;
  r->MissionInProgress = true;
  r->SetMissionStartSeconds(kMissionStart);
  r->SetStartSeconds(kMissionStart + 60);
  r->MissionSamples = r->ReadSamples = TProbeRecord::kLogSize;
  for (int i = 0; i < TProbeRecord::kLogSize; ++i)
    r->LogBuffer[i] = static_cast<std::uint8_t>(80 + i % 40);
  r->DecodeLog();
  return r;
}

bool Fill(TArchive& archive, std::string& error) {
  auto record = Template();
  const ArchiveProvenance provenance = CurrentProvenance("benchmark", "download", "bench");
  for (int i = 0; i < kEntries; ++i) {
    record->DownloadTime = ProbeSecondsToDateTime(kMissionStart + 480'000 + 60 * i);
    record->LogBuffer[0] = static_cast<std::uint8_t>(i);
    StoreResult result;
    if (!archive.Store(*record, provenance, result, error)) return false;
    if (result.duplicate) {
      error = "download " + std::to_string(i) + " was taken for a duplicate";
      return false;
    }
  }
  return true;
}

void StoreEntries(benchmark::State& state, Backend backend) {
  for (auto _ : state) {
    state.PauseTiming();
    const ArchiveLocation location = NewArchive(backend);
    TArchive archive(location);
    std::string error;
    if (!archive.Open(error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    state.ResumeTiming();
    if (!Fill(archive, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    filled[backend] = location;
  }
  state.counters["stores/s"] =
      benchmark::Counter(double{kEntries} * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(StoreEntries, SQLite, kSqlite)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(StoreEntries, PostgreSQL, kPostgres)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void ListEntries(benchmark::State& state, Backend backend) {
  if (!filled.count(backend)) {
    state.SkipWithError("run StoreEntries first: it fills the archive this lists");
    return;
  }
  TArchive archive(filled[backend]);
  std::string error;
  std::vector<ArchiveEntry> entries;
  if (!archive.Open(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    if (!archive.List({}, entries, error) || entries.size() != kEntries) {
      state.SkipWithError(error.empty() ? "the archive does not hold 10,000 entries"
                                        : error.c_str());
      return;
    }
  }
}
BENCHMARK_CAPTURE(ListEntries, SQLite, kSqlite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ListEntries, PostgreSQL, kPostgres)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string error;
  if (!server.Start(error, /*durable=*/true)) {
    std::fprintf(stderr, "The PostgreSQL server for the benchmark did not start: %s\n",
                 error.c_str());
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  server.Stop();
  return 0;
}
