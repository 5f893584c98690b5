// station_bench [--hundred-only]
//
// The download station's throughput on the built-in virtual adapter.
//
// Link: probes of 8000 samples are put on adapters at the 9600-baud hardware pace in real time
// (the system clock): first one probe on one adapter, then four probes on four adapters at once.
// Each is done when it is downloaded, kept in an SQLite archive, saved as a record file, judged
// and its PDF report written. Printed: the wall time from the start of the station to the last
// probe done, the link time of the adapter that took longest (the virtual bus's account of the
// bytes on its line), their ratio, and the process's CPU time (user and system, every thread:
// the station, the archive, the report and the virtual adapter itself) as a share of the wall
// time.
//
// Hundred: 100 probes of 200 to 2000 samples come to four adapters one after the other, on
// virtual time at the hardware pace; some are taken off in the middle of their download and come
// back later. Every probe must be done exactly once: one archive entry and one record file each.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include <sys/resource.h>

#include "Clock.h"
#include "ReportPdf.h"
#include "Scenarios.h"
#include "Station.h"
#include "VirtualBus.h"

namespace {

using namespace ombrix;

const char* const kAdapters[] = {"OMX20001", "OMX20002", "OMX20003", "OMX20004"};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::shared_ptr<VirtualProbe> Probe(VirtualBus& bus, std::uint64_t number, int samples) {
  auto probe = MakeProbe(bus, number, number, "Bench " + std::to_string(number), "Station bench");
  // One sample a minute for as many minutes as samples, and a little more, so that the mission's
  // next sample is not due during the download.
  GiveReadyMission(*probe, bus, std::int64_t{samples} * 60 + 10, {.rate = 1});
  return probe;
}

struct Outcome {
  int done = 0, failed = 0, again = 0;
  std::int64_t lastDoneMs = 0;
  std::map<std::string, int> stored;  // probe serial -> downloads stored
  std::set<std::int64_t> entries;
  std::set<std::string> files;
};

// Runs a station over the bus until `probes` downloads have ended, with the report written on
// this (the main) thread.
Outcome RunStation(const QString& folder, int probes) {
  StationConfig config;
  config.folder = folder;
  config.deviceName = scenario::kAdapterDescription;
  config.archive = ArchiveLocation{};
  config.archive->path = QDir(folder).filePath(QStringLiteral("archive.sqlite")).toStdString();
  config.report = WriteRecordReportPdf;
  Outcome outcome;
  std::mutex mutex;
  TStation station(config, [&](const StationEvent& e) {
    const std::lock_guard lock(mutex);
    using Step = StationEvent::Step;
    if (e.step == Step::kStore) {
      ++outcome.stored[e.probeSerial];
      outcome.entries.insert(e.entry);
    }
    if (e.step == Step::kDone) {
      ++outcome.done;
      outcome.files.insert(e.file);
      outcome.lastDoneMs = e.utcMilliseconds;
    }
    if (e.step == Step::kFailed) ++outcome.failed;
    if (e.step == Step::kAlreadyDone) ++outcome.again;
  });
  TStation::StopWhen when;
  when.probes = probes;
  QEventLoop loop;
  station.Start(when, [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit); });
  loop.exec();
  station.Wait();
  return outcome;
}

// Link: `count` probes of 8000 samples on as many adapters at once, in real time.
bool Link(int count, double& wallSeconds, double& linkSeconds, double& cpuSeconds) {
  QTemporaryDir folder;
  VirtualBus bus(CurrentClock(), LinkTiming::Hardware());
  for (int i = 0; i < count; ++i) {
    bus.AddAdapter(scenario::kAdapterDescription, kAdapters[i])
        .AttachProbe(Probe(bus, 0x00000C0000001ull + i, 8000));
  }
  const ScopedDriver driver(bus);
  const double cpuBefore = CpuSeconds();
  const std::int64_t startUtc = CurrentClock().UtcMilliseconds();
  const Outcome outcome = RunStation(folder.path(), count);
  cpuSeconds = CpuSeconds() - cpuBefore;
  wallSeconds = static_cast<double>(outcome.lastDoneMs - startUtc) / 1000.0;
  linkSeconds = 0;
  for (int i = 0; i < count; ++i) {
    linkSeconds = std::max(linkSeconds, static_cast<double>(bus.LinkMicros(kAdapters[i])) / 1e6);
  }
  return outcome.done == count && outcome.failed == 0;
}

// Hundred: 100 probes through four adapters on virtual time; true when each was done once.
bool Hundred() {
  LockstepClock clock;
  const ScopedClock current(clock);
  QTemporaryDir folder;
  VirtualBus bus(clock, LinkTiming::Hardware());
  for (const char* adapter : kAdapters) bus.AddAdapter(scenario::kAdapterDescription, adapter);
  constexpr int kProbes = 100;
  std::int64_t free[4] = {0, 0, 0, 0};
  const std::int64_t now = clock.UtcMilliseconds();
  int early = 0;
  std::vector<std::pair<std::shared_ptr<VirtualProbe>, int>> later;
  for (int i = 0; i < kProbes; ++i) {
    const int samples = 200 + (i * 7919) % 1801;
    auto probe = Probe(bus, 0x00000D0000001ull + i, samples);
    const int adapter = i % 4;
    // Download takes about 12.5 ms a sample; every ninth probe is taken off after 3 s.
    const bool off = i % 9 == 4;
    const std::int64_t stay = off ? 3'000 : samples * 13 + 20'000;
    free[adapter] += 5'000;
    bus.AddVisit(kAdapters[adapter], probe, now + free[adapter], now + free[adapter] + stay);
    free[adapter] += stay;
    if (off) {
      ++early;
      later.emplace_back(probe, samples);
    }
  }
  // The ones taken off early come back at the end, each on the next adapter.
  int n = 0;
  for (auto& [probe, samples] : later) {
    const int adapter = (n++ + 1) % 4;
    free[adapter] += 5'000;
    const std::int64_t stay = samples * 13 + 20'000;
    bus.AddVisit(kAdapters[adapter], probe, now + free[adapter], now + free[adapter] + stay);
    free[adapter] += stay;
  }
  const ScopedDriver driver(bus);
  const auto start = std::chrono::steady_clock::now();
  const Outcome outcome = RunStation(folder.path(), kProbes + early);
  const double real =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bool once = true;
  for (const auto& [serial, stored] : outcome.stored) once = once && stored == 1;
  const QStringList files = QDir(folder.path()).entryList({QStringLiteral("*.omx")}, QDir::Files);
  std::printf(
      "hundred: %d probes over 4 adapters, %d taken off mid-download and put back:\n"
      "  %d done, %d failed (the ones taken off), %zu probes stored, %zu entries,\n"
      "  %zu record files (%lld on disk), each stored once: %s; %.1f min of virtual\n"
      "  time in %.1f s\n",
      kProbes, early, outcome.done, outcome.failed, outcome.stored.size(), outcome.entries.size(),
      outcome.files.size(), static_cast<long long>(files.size()), once ? "yes" : "NO",
      static_cast<double>(clock.MonotonicMilliseconds()) / 60000.0, real);
  return outcome.done == kProbes && outcome.failed == early && once &&
         outcome.stored.size() == kProbes && outcome.entries.size() == kProbes &&
         files.size() == kProbes;
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const bool hundredOnly = argc > 1 && std::strcmp(argv[1], "--hundred-only") == 0;
  bool ok = Hundred();
  if (!hundredOnly) {
    double wall1 = 0, link1 = 0, cpu1 = 0, wall4 = 0, link4 = 0, cpu4 = 0;
    ok = Link(1, wall1, link1, cpu1) && ok;
    std::printf(
        "one probe of 8000 samples on one adapter: done in %.1f s, link time %.1f s, CPU "
        "%.2f s (%.2f %% of the link time)\n",
        wall1, link1, cpu1, 100 * cpu1 / link1);
    ok = Link(4, wall4, link4, cpu4) && ok;
    std::printf(
        "four probes on four adapters at once: done in %.1f s (%.3f x the link time of "
        "one), longest link time %.1f s, CPU %.2f s (%.2f %% of the link time)\n",
        wall4, wall4 / link1, link4, cpu4, 100 * cpu4 / link4);
  }
  return ok ? 0 : 1;
}
