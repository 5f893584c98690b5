#include "FaultCampaign.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <random>
#include <sstream>

#include "Clock.h"
#include "Probe.h"
#include "Scenarios.h"
#include "VirtualBus.h"

namespace ombrix::campaign {

namespace {

constexpr const char* kSerial = "OMXC0001";
constexpr std::int64_t kStartUtcMs = 1'760'000'000'000;  // October 2025
// Long enough for an adapter that dropped out to come back and for a slow command to finish.
constexpr std::int64_t kSettleMs = 6000;

using Rng = std::mt19937_64;

int Below(Rng& rng, int n) {
  return static_cast<int>(rng() % static_cast<std::uint64_t>(n));
}
bool Coin(Rng& rng) {
  return (rng() & 1) != 0;
}

std::string Text(Rng& rng, int maxLength) {
  std::string text(static_cast<std::size_t>(Below(rng, maxLength + 1)), ' ');
  for (char& c : text) c = static_cast<char>(' ' + Below(rng, 95));
  return text;
}

// Plans faults of one kind at random. `exchanges` is about how many exchanges the run makes.
void PlanFaults(FaultPlan& plan, Fault::Kind kind, Rng& rng, int exchanges) {
  static constexpr double kRates[] = {0.003, 0.01, 0.03, 0.08};
  const double p = kRates[Below(rng, 4)];
  const int at = 1 + Below(rng, std::max(exchanges, 1));
  auto keepFrameOrNot = [&] {
    if (Coin(rng)) plan.At(1, Fault::KeepFrame(), FaultPlan::kForever);
  };
  switch (kind) {
    case Fault::Kind::NoAnswer:
      plan.Randomly(Fault::NoAnswer(), p, rng());
      break;
    case Fault::Kind::ShortReply:
      plan.Randomly(Fault::ShortReply(1 + Below(rng, 4)), p, rng());
      break;
    case Fault::Kind::WrongByte: {
      const int position = Below(rng, 20);
      if (Coin(rng)) {
        plan.Randomly(Fault::WrongByte(position), p, rng());
      } else {
        plan.Randomly(Fault::WrongByte(position, static_cast<std::uint8_t>(rng())), p, rng());
      }
      break;
    }
    case Fault::Kind::BadChecksum:
      plan.Randomly(Fault::BadChecksum(), p, rng());
      break;
    case Fault::Kind::PresenceDropout:
      // Only presence tests are struck, and a run has few of them.
      plan.Randomly(Fault::PresenceDropout(1 + Below(rng, 3)), 0.2 + 0.2 * Below(rng, 4), rng());
      break;
    case Fault::Kind::LowVersion:
      plan.Randomly(Fault::LowVersion(static_cast<std::uint8_t>(Below(rng, 16))), 0.5, rng());
      break;
    case Fault::Kind::Unplug:
      plan.At(at, Fault::Unplug());
      break;
    case Fault::Kind::LateReply:
      plan.Randomly(Fault::LateReply(50 + Below(rng, 2500)), p, rng());
      break;
    case Fault::Kind::LostBytes:
      keepFrameOrNot();
      plan.Randomly(Fault::LostBytes(Below(rng, 16), 1 + Below(rng, 4)), p, rng());
      break;
    case Fault::Kind::CutRequest:
      keepFrameOrNot();
      plan.Randomly(Fault::CutRequest(1 + Below(rng, 6)), p, rng());
      break;
    case Fault::Kind::KeepFrame:
      // The controller that never resets its parser, with requests cut short or bytes lost.
      plan.At(1, Fault::KeepFrame(), FaultPlan::kForever);
      plan.Randomly(Fault::CutRequest(1 + Below(rng, 6)), p, rng());
      plan.Randomly(Fault::LostBytes(Below(rng, 16), 1 + Below(rng, 3)), p, rng());
      break;
    case Fault::Kind::SlowCommand: {
      // Mostly what a probe may take (clearing its log), at times more than is waited for.
      const int delay = Below(rng, 5) == 0 ? 3000 + Below(rng, 3000) : 10 + Below(rng, 2500);
      const std::optional<std::uint8_t> code =
          Coin(rng) ? std::optional<std::uint8_t>(probe_command::kControl) : std::nullopt;
      plan.Randomly(Fault::SlowCommand(delay, code), 0.25 + 0.25 * Below(rng, 4), rng());
      break;
    }
    case Fault::Kind::DropOut:
      plan.At(at, Fault::DropOut(Below(rng, 5000)));
      break;
    case Fault::Kind::ProbeSwap:
      plan.At(at, Fault::ProbeSwap());
      break;
  }
}

// Everything one run needs, on a clock and bus of its own.
struct Rig {
  VirtualClock clock;
  ScopedClock clockScope{clock};
  VirtualBus bus{clock, LinkTiming::Hardware()};
  ScopedDriver driverScope{bus};
  AdapterController& adapter;
  std::shared_ptr<VirtualProbe> probe;
  std::unique_ptr<TProbe> live = std::make_unique<TProbe>();

  Rig(Rng& rng)
      : clock(kStartUtcMs + Below(rng, 365 * 24 * 3600) * 1000ll),
        adapter(bus.AddAdapter(scenario::kAdapterDescription, kSerial)) {
    if (Coin(rng)) bus.AddPlainDevice(scenario::kOtherDescription, scenario::kOtherSerial);
    probe = MakeProbe(bus, 1 + rng() % 0xFFFFFF, rng(), Text(rng, 31), Text(rng, 151),
                      Below(rng, 61) - 30);
    adapter.AttachProbe(probe);
  }
  std::int64_t Now() { return clock.UtcMilliseconds(); }
  std::int64_t ProbeClock() { return probe->ClockSeconds(Now()); }

  void GiveMission(Rng& rng, int samples, bool rollover, bool running) {
    VirtualProbe::Mission mission;
    mission.rate = static_cast<std::uint8_t>(1 + Below(rng, 30));
    mission.rollover = rollover;
    GiveReadyMission(*probe, bus, static_cast<std::int64_t>(samples) * mission.rate * 60, mission);
    probe->CatchUp(Now());
    if (!running) probe->Stop(Now());
  }
  // A clear probe that is switched on.
  void MakeClear(Rng& rng) {
    GiveMission(rng, 1 + Below(rng, 50), Coin(rng), false);
    probe->Clear(static_cast<std::uint8_t>(1 + Below(rng, 255)), Coin(rng), Now());
  }
};

// Compares the status the live probe holds with the virtual probe; empty when they agree.
std::string StatusDiffers(Rig& rig, bool withText, std::uint32_t samplesBefore) {
  TProbe& live = *rig.live;
  VirtualProbe& probe = *rig.probe;
  probe.CatchUp(rig.Now());
  const std::uint8_t status = probe.StatusByte();
  if (live.MemoryClear != ((status & VirtualProbe::kMemoryClear) != 0)) return "memory clear";
  if (live.MissionInProgress != ((status & VirtualProbe::kMissionInProgress) != 0))
    return "mission in progress";
  if (live.RolloverEnable != ((status & VirtualProbe::kRolloverEnabled) != 0)) return "rollover";
  if (live.Test != ((status & VirtualProbe::kTestMode) != 0)) return "test mode";
  if (live.ProbeOff != ((status & VirtualProbe::kSwitchedOff) != 0)) return "switched off";
  if (live.SampleRate != probe.SampleRate()) return "sample rate";
  if (live.SerialNumber != probe.SerialNumber()) return "serial number";
  if (withText && (live.Name != probe.Name() || live.Comment != probe.Comment())) return "texts";
  if (live.MemoryClear || live.ProbeOff) return {};
  if (live.MissionSamples < static_cast<std::int32_t>(samplesBefore) ||
      live.MissionSamples > static_cast<std::int32_t>(probe.MissionSamples()))
    return "mission samples";
  if (live.RolloverOccured != ((status & VirtualProbe::kRolloverOccurred) != 0))
    return "rollover occurred";
  if (live.MissionStartSeconds != probe.MissionStart()) return "mission start";
  if (live.StartSeconds != probe.FirstSampleTime()) return "first sample time";
  return {};
}

// About how many exchanges an operation makes without faults.
int ExchangesOf(Operation operation, int samples, int textBytes) {
  switch (operation) {
    case Operation::Download:
      return 120 + (std::min(samples, 8000) + 15) / 16 * 11;
    case Operation::WriteText:
      return 60 + textBytes * 5;
    default:
      return 100;
  }
}

// Runs the operation; fills success, code and, for a success, whether the probe agrees.
void Operate(Rig& rig, Operation operation, Rng& rng, Trial& trial) {
  TProbe& live = *rig.live;
  VirtualProbe& probe = *rig.probe;
  FaultPlan& faults = rig.adapter.Faults();

  switch (operation) {
    case Operation::Download: {
      const bool rollover = Below(rng, 4) == 0;
      const int samples = rollover && Coin(rng) ? 8000 + Below(rng, 3000) : 1 + Below(rng, 1500);
      const bool running = !rollover && Coin(rng);
      rig.GiveMission(rng, samples, rollover, running);
      const std::uint32_t before = probe.MissionSamples();
      PlanFaults(faults, trial.kind, rng, ExchangesOf(operation, samples, 0));
      std::unique_ptr<TProbeRecord> record;
      if (live.DetectProbe() && live.BeginReadData()) {
        while (live.ReadDataBlock()) {
        }
        record = live.TakeDownload();
      }
      trial.success = live.LastError == peNone && record;
      trial.code = live.LastError;
      if (!trial.success) {
        if (record) trial.what = "a record from a failed download";
        break;
      }
      probe.CatchUp(rig.Now());
      if (record->ReadSamples != std::min<std::int32_t>(record->MissionSamples, 8000) ||
          record->MissionSamples < static_cast<std::int32_t>(before) ||
          record->MissionSamples > static_cast<std::int32_t>(probe.MissionSamples())) {
        trial.what = "sample count";
      } else if (!std::equal(record->LogBuffer.begin(),
                             record->LogBuffer.begin() + record->ReadSamples,
                             probe.Memory().begin())) {
        trial.what = "log bytes";
      } else if (record->StartSeconds != probe.FirstSampleTime() ||
                 record->SampleRate != probe.SampleRate() ||
                 record->RolloverEnable !=
                     ((probe.StatusByte() & VirtualProbe::kRolloverEnabled) != 0) ||
                 record->SerialNumber != probe.SerialNumber()) {
        trial.what = "record status";
      }
      break;
    }
    case Operation::ReadStatus: {
      switch (Below(rng, 4)) {
        case 0:
          rig.MakeClear(rng);
          break;
        case 1:
          rig.GiveMission(rng, Below(rng, 9000), Coin(rng), true);
          break;
        case 2:
          rig.GiveMission(rng, Below(rng, 9000), Coin(rng), false);
          break;
        default:
          rig.MakeClear(rng);
          probe.SwitchOff(VirtualProbe::kSwitchOffGuard, rig.Now());
          break;
      }
      const std::uint32_t before = probe.MissionSamples();
      PlanFaults(faults, trial.kind, rng, ExchangesOf(operation, 0, 0));
      trial.success = live.DetectProbe() && live.ReadStatus(true);
      trial.code = live.LastError;
      if (trial.success) trial.what = StatusDiffers(rig, true, before);
      break;
    }
    case Operation::Stop: {
      rig.GiveMission(rng, 1 + Below(rng, 9000), Coin(rng), true);
      PlanFaults(faults, trial.kind, rng, ExchangesOf(operation, 0, 0));
      trial.success = live.DetectProbe() && live.StopMission();
      trial.code = live.LastError;
      if (!trial.success) break;
      if (probe.StatusByte() & (VirtualProbe::kMissionInProgress | VirtualProbe::kMemoryClear)) {
        trial.what = "the mission still runs";
      } else {
        trial.what = StatusDiffers(rig, false, probe.MissionSamples());
      }
      break;
    }
    case Operation::Clear: {
      rig.GiveMission(rng, 1 + Below(rng, 9000), Coin(rng), false);
      PlanFaults(faults, trial.kind, rng, ExchangesOf(operation, 0, 0));
      trial.success = live.DetectProbe() && live.ClearProbe();
      trial.code = live.LastError;
      if (!trial.success) break;
      const auto& memory = probe.Memory();
      if (!(probe.StatusByte() & VirtualProbe::kMemoryClear)) {
        trial.what = "not clear";
      } else if (std::any_of(memory.begin(), memory.begin() + VirtualProbe::kLogSize,
                             [](std::uint8_t b) { return b != 0xFF; })) {
        trial.what = "log not erased";
      } else {
        trial.what = StatusDiffers(rig, false, 0);
      }
      break;
    }
    case Operation::Launch: {
      rig.MakeClear(rng);
      // As in the window: the probe was detected and its clock read a while before the launch.
      if (!live.DetectProbe() || live.ReadClock() == 0) {
        trial.what = "no clock read without faults";
        break;
      }
      rig.clock.Advance(Below(rng, 1800) * 1000ll);
      const auto rate = static_cast<std::uint8_t>(1 + Below(rng, 255));
      const bool rollover = Coin(rng);
      const bool test = Below(rng, 4) == 0;
      live.SampleRate = rate;
      live.RolloverEnable = rollover;
      const std::int64_t firstSample = rig.ProbeClock() + 120 + Below(rng, 238 * 60);
      live.SetStartSeconds(firstSample);
      PlanFaults(faults, trial.kind, rng, ExchangesOf(operation, 0, 0));
      const std::int64_t start = rig.Now();
      trial.success = live.DetectProbe() && live.LaunchMission(test);
      trial.code = live.LastError;
      if (!trial.success) break;
      const std::uint8_t status = probe.StatusByte();
      trial.launchLateSeconds = probe.FirstSampleTime() - firstSample;
      if (!(status & VirtualProbe::kMissionInProgress)) {
        trial.what = "no mission";
      } else if (probe.SampleRate() != rate ||
                 ((status & VirtualProbe::kRolloverEnabled) != 0) != rollover ||
                 ((status & VirtualProbe::kTestMode) != 0) != test) {
        trial.what = "mission settings";
      } else if (trial.launchLateSeconds < 0 ||
                 trial.launchLateSeconds > (rig.Now() - start) / 1000 + 1) {
        // Only the time the launch itself took may come between the clock read and the start.
        trial.what = "first sample " + std::to_string(trial.launchLateSeconds) +
                     " s from the time asked for";
      } else {
        trial.what = StatusDiffers(rig, false, 0);
      }
      break;
    }
    case Operation::SetClock: {
      rig.MakeClear(rng);
      const std::int64_t seconds = rig.ProbeClock() - 86400 + Below(rng, 2 * 86400);
      PlanFaults(faults, trial.kind, rng, ExchangesOf(operation, 0, 0));
      const std::int64_t start = rig.Now();
      if (live.DetectProbe()) live.SetClockSeconds(seconds);
      trial.success = live.LastError == peNone;
      trial.code = live.LastError;
      if (!trial.success) break;
      const std::int64_t off = rig.ProbeClock() - seconds;
      if (off < 0 || off > (rig.Now() - start) / 1000 + 1) trial.what = "probe clock";
      break;
    }
    case Operation::WriteText: {
      rig.MakeClear(rng);
      live.Name = Text(rng, 31);
      live.Comment = Text(rng, 151);
      PlanFaults(
          faults, trial.kind, rng,
          ExchangesOf(operation, 0, static_cast<int>(live.Name.size() + live.Comment.size() + 2)));
      trial.success = live.DetectProbe() && live.WriteText(6);
      trial.code = live.LastError;
      if (trial.success && (probe.Name() != live.Name || probe.Comment() != live.Comment)) {
        trial.what = "texts";
      }
      break;
    }
    case Operation::SwitchOff: {
      rig.MakeClear(rng);
      PlanFaults(faults, trial.kind, rng, ExchangesOf(operation, 0, 0));
      trial.success = live.DetectProbe() && live.SwitchOff();
      trial.code = live.LastError;
      if (!trial.success) break;
      if (!(probe.StatusByte() & VirtualProbe::kSwitchedOff)) {
        trial.what = "still on";
      } else {
        trial.what = StatusDiffers(rig, false, 0);
      }
      break;
    }
  }
  if (!trial.success && trial.code == peNone) trial.what = "failed without a code";
  trial.mismatch = !trial.what.empty();
}

// With the faults gone: after the time a dropped adapter takes to come back (and a replug after an
// unplug), a detection and a status read must work and agree with the probe. The first detection
// may still meet what the faults left on the line, so it has a second try.
bool Recovers(Rig& rig, Fault::Kind kind, std::string& what) {
  rig.adapter.Faults().Clear();
  rig.clock.Advance(kSettleMs);
  rig.adapter.Settle(rig.Now());
  if (kind == Fault::Kind::Unplug && !rig.bus.IsPlugged(kSerial)) rig.bus.Plug(kSerial);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::uint32_t before = rig.probe->MissionSamples();
    if (rig.live->DetectProbe() && rig.live->ReadStatus(true)) {
      what = StatusDiffers(rig, true, before);
      return what.empty();
    }
  }
  what = "no recovery, code " + std::to_string(rig.live->LastError);
  return false;
}

}  // namespace

const char* OperationName(Operation operation) {
  switch (operation) {
    case Operation::Download:
      return "download";
    case Operation::ReadStatus:
      return "read-status";
    case Operation::Stop:
      return "stop";
    case Operation::Clear:
      return "clear";
    case Operation::Launch:
      return "launch";
    case Operation::SetClock:
      return "set-clock";
    case Operation::WriteText:
      return "write-text";
    case Operation::SwitchOff:
      return "switch-off";
  }
  return "?";
}

const char* FaultKindName(Fault::Kind kind) {
  switch (kind) {
    case Fault::Kind::NoAnswer:
      return "no-answer";
    case Fault::Kind::ShortReply:
      return "short-reply";
    case Fault::Kind::WrongByte:
      return "wrong-byte";
    case Fault::Kind::BadChecksum:
      return "bad-checksum";
    case Fault::Kind::PresenceDropout:
      return "presence-dropout";
    case Fault::Kind::LowVersion:
      return "low-version";
    case Fault::Kind::Unplug:
      return "unplug";
    case Fault::Kind::LateReply:
      return "late-reply";
    case Fault::Kind::LostBytes:
      return "lost-bytes";
    case Fault::Kind::CutRequest:
      return "cut-request";
    case Fault::Kind::KeepFrame:
      return "keep-frame";
    case Fault::Kind::SlowCommand:
      return "slow-command";
    case Fault::Kind::DropOut:
      return "drop-out";
    case Fault::Kind::ProbeSwap:
      return "probe-swap";
  }
  return "?";
}

Trial RunTrial(Operation operation, Fault::Kind kind, std::uint64_t seed) {
  Trial trial;
  trial.operation = operation;
  trial.kind = kind;
  trial.seed = seed;
  Rng rng(seed);
  try {
    Rig rig(rng);
    Operate(rig, operation, rng, trial);
    trial.faultsStruck = rig.adapter.Faults().Struck();
    std::string what;
    trial.recovered = Recovers(rig, kind, what);
    if (!trial.recovered && trial.what.empty()) trial.what = "after: " + what;
  } catch (const std::exception& e) {
    trial.exception = true;
    trial.what = e.what();
  }
  return trial;
}

void Figures::Add(const Trial& trial) {
  ++runs;
  if (trial.success) {
    ++successes;
  } else {
    ++failuresByCode[trial.code];
  }
  if (trial.mismatch) ++mismatches;
  if (!trial.recovered) ++notRecovered;
  if (trial.exception) ++exceptions;
  faultsStruck += static_cast<std::uint64_t>(trial.faultsStruck);
  maxLaunchLateSeconds = std::max(maxLaunchLateSeconds, trial.launchLateSeconds);
}

std::uint64_t TrialSeed(std::uint64_t campaignSeed, Operation operation, int index) {
  std::uint64_t x = campaignSeed * 0x9E3779B97F4A7C15ull +
                    (static_cast<std::uint64_t>(operation) << 40) +
                    static_cast<std::uint64_t>(index);
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

Result Run(const Settings& settings, const std::function<void(const Trial&)>& progress) {
  Result result;
  for (Operation operation : kAllOperations) {
    const int runs = operation == Operation::Download ? settings.downloads : settings.perOperation;
    for (int i = 0; i < runs; ++i) {
      const int k = i % kFaultKinds;
      const Trial trial =
          RunTrial(operation, kAllFaultKinds[k], TrialSeed(settings.seed, operation, i));
      result.byOperation[static_cast<int>(operation)].Add(trial);
      result.byKind[k].Add(trial);
      result.total.Add(trial);
      if ((trial.mismatch || !trial.recovered || trial.exception) && result.bad.size() < 50) {
        result.bad.push_back(trial);
      }
      if (progress) progress(trial);
    }
  }
  return result;
}

std::string Report(const Settings& settings, const Result& result) {
  std::ostringstream out;
  char line[256];
  auto row = [&](const char* name, const Figures& f) {
    std::string codes;
    for (const auto& [code, count] : f.failuresByCode) {
      codes += " " + std::to_string(code) + ":" + std::to_string(count);
    }
    std::snprintf(line, sizeof line, "%-17s %7llu %9llu %8llu %10llu %9llu %6llu  %s\n", name,
                  static_cast<unsigned long long>(f.runs),
                  static_cast<unsigned long long>(f.successes),
                  static_cast<unsigned long long>(f.runs - f.successes),
                  static_cast<unsigned long long>(f.mismatches),
                  static_cast<unsigned long long>(f.notRecovered),
                  static_cast<unsigned long long>(f.exceptions), codes.c_str());
    out << line;
  };
  const char* header =
      "                     runs successes failures mismatches unrecovered  raised  failures by "
      "code\n";
  out << "fault campaign, seed " << settings.seed << ": " << settings.downloads << " downloads, "
      << settings.perOperation << " runs of each other operation\n\n";
  out << "by operation\n" << header;
  for (Operation operation : kAllOperations) {
    row(OperationName(operation), result.byOperation[static_cast<int>(operation)]);
  }
  row("all", result.total);
  out << "\nby fault kind\n" << header;
  for (int k = 0; k < kFaultKinds; ++k) row(FaultKindName(kAllFaultKinds[k]), result.byKind[k]);
  out << "\nfaults struck: " << result.total.faultsStruck
      << "; latest first sample of a launch reported done: "
      << result.byOperation[static_cast<int>(Operation::Launch)].maxLaunchLateSeconds
      << " s after the time asked for\n";
  out << "codes: 1 no adapter, 2 more adapters, 3 adapter silent, 4 no probe, 5 data error, "
         "6 not allowed, 7 link closed\n";
  for (const Trial& t : result.bad) {
    std::snprintf(line, sizeof line, "BAD %s with %s, seed %llu: %s%s%s\n",
                  OperationName(t.operation), FaultKindName(t.kind),
                  static_cast<unsigned long long>(t.seed), t.what.c_str(),
                  t.mismatch ? " (mismatch)" : "", t.exception ? " (raised)" : "");
    out << line;
  }
  out << (result.Clean() ? "no mismatch, every run recovered, nothing raised\n"
                         : "THE CAMPAIGN FOUND FAULTS\n");
  return out.str();
}

}  // namespace ombrix::campaign
