// A full 8000-sample download through the whole stack (probe record, frame protocol, USB
// transport) from the virtual adapter with its 9600-baud timing model on virtual time. Reports the
// link time the download would take on the wire, the protocol bytes per 16-sample block, and the
// CPU time spent per download (the stack together with the simulation, so an upper bound for the
// stack alone). A second benchmark compares a whole download of a rolled-over mission at one
// sample a minute with a repeat download that reads only the 1000 samples taken since an earlier
// one; the probe goes on recording during both.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

#include "Clock.h"
#include "Probe.h"
#include "Scenarios.h"
#include "VirtualBus.h"

namespace {

using namespace ombrix;

void FullRolloverDownload(benchmark::State& state) {
  VirtualClock clock(1'700'000'000'000);
  ScopedClock clockScope(clock);
  VirtualBus bus(clock, LinkTiming::Hardware());
  ScopedDriver driverScope(bus);
  BuildScenario(bus, "rollover");
  AdapterController& adapter = *bus.Adapter(scenario::kAdapterSerial);

  double linkSeconds = 0, cpuSeconds = 0, bytesPerBlock = 0;
  for (auto _ : state) {
    auto record = std::make_unique<TProbe>();
    if (!record->DetectProbe() || !record->BeginReadData()) {
      state.SkipWithError("the virtual probe did not answer");
      return;
    }
    const std::int64_t linkBefore = bus.LinkMicros();
    const std::uint64_t bytesBefore = adapter.Stats().requestBytes;
    const std::clock_t cpuBefore = std::clock();
    int blocks = 1;
    while (record->ReadDataBlock()) ++blocks;
    const std::clock_t cpuAfter = std::clock();
    if (record->LastError != 0 || record->ReadSamples != 8000) {
      state.SkipWithError("download failed");
      return;
    }
    const std::unique_ptr<const TProbeRecord> downloaded = record->TakeDownload();
    benchmark::DoNotOptimize(downloaded->GetSample(7999));
    linkSeconds = static_cast<double>(bus.LinkMicros() - linkBefore) / 1e6;
    cpuSeconds = static_cast<double>(cpuAfter - cpuBefore) / CLOCKS_PER_SEC;
    bytesPerBlock = static_cast<double>(adapter.Stats().requestBytes - bytesBefore) /
                    static_cast<double>(blocks);
  }
  state.counters["link_s"] = linkSeconds;
  state.counters["bytes_per_block"] = bytesPerBlock;
  state.counters["cpu_s"] = cpuSeconds;
  state.counters["cpu_share_pct"] = 100.0 * cpuSeconds / linkSeconds;
}
BENCHMARK(FullRolloverDownload)->Unit(benchmark::kMillisecond)->Iterations(3);

// Link time from the status read to the last block, with or without an earlier download.
double DownloadLinkSeconds(VirtualBus& bus, const TProbe::EarlierDownload& earlier,
                           std::unique_ptr<TProbeRecord>& record, bool& incremental) {
  TProbe probe;
  const std::int64_t before = bus.LinkMicros();
  if (!probe.DetectProbe() || !probe.BeginReadData(earlier)) return -1;
  while (probe.ReadDataBlock()) {
  }
  record = probe.TakeDownload();
  incremental = probe.IncrementalDownload();
  return record ? static_cast<double>(bus.LinkMicros() - before) / 1e6 : -1;
}

void RepeatDownloadAfterThousandSamples(benchmark::State& state) {
  double fullSeconds = 0, repeatSeconds = 0;
  for (auto _ : state) {
    VirtualClock clock(1'700'000'000'000);
    ScopedClock clockScope(clock);
    VirtualBus bus(clock, LinkTiming::Hardware());
    ScopedDriver driverScope(bus);
    bus.AddAdapter("Ombrix adapter", scenario::kAdapterSerial)
        .AttachProbe(MakeProbe(bus, 7, 1, "Fridge", "Weekly check"));
    VirtualProbe& probe = *bus.Adapter(scenario::kAdapterSerial)->Probe();
    VirtualProbe::Mission mission;
    mission.rate = 1;
    mission.rollover = true;
    probe.Stop(clock.UtcMilliseconds());
    probe.Clear(mission.rate, mission.rollover, clock.UtcMilliseconds());
    GiveReadyMission(probe, bus, 9000 * 60, mission);

    std::unique_ptr<TProbeRecord> earlier, full, repeat;
    bool incremental = false;
    if (DownloadLinkSeconds(bus, {}, earlier, incremental) < 0) {
      state.SkipWithError("the first download failed");
      return;
    }
    clock.Advance(1000 * 60'000);
    fullSeconds = DownloadLinkSeconds(bus, {}, full, incremental);
    const auto held = [&](const TProbeStatus&) { return std::make_unique<TProbeRecord>(*earlier); };
    repeatSeconds = DownloadLinkSeconds(bus, held, repeat, incremental);
    // The mission runs on while the whole download takes its time; that every sample of either
    // is its own is shown by the tests.
    if (fullSeconds < 0 || repeatSeconds < 0 || !incremental || !repeat->RolloverOccured) {
      state.SkipWithError("the repeat download was not incremental");
      return;
    }
  }
  state.counters["full_link_s"] = fullSeconds;
  state.counters["repeat_link_s"] = repeatSeconds;
  state.counters["repeat_share_pct"] = 100.0 * repeatSeconds / fullSeconds;
}
BENCHMARK(RepeatDownloadAfterThousandSamples)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
