#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FaultPlan.h"
#include "VirtualBus.h"
#include "VirtualProbe.h"

namespace ombrix {

// A virtual bus put aside between two runs of a program: the scenario that built it, the time of
// its clock, and per adapter the faults to plan and the state of the probe on it. A later run
// builds the same scenario on a clock set to that time and puts the saved states back, so that a
// mission launched in one run can be downloaded in another.
//
// Temperature sources are not saved: they are pure functions of the probe time and come from the
// scenario. Devices are plugged in again at every run. Faults are planned anew at every run,
// exchanges counted from the start of that run.
struct VirtualState {
  struct PlannedFault {
    Fault fault;
    int exchange = 1;
    int times = 1;  // FaultPlan::kForever for every exchange from then on
  };
  struct Adapter {
    std::string serialNumber;
    std::vector<PlannedFault> faults;
    std::optional<VirtualProbe::State> probe;      // none: no probe on the adapter
    OpenFailure refusesOpen = OpenFailure::kNone;  // every open fails for this reason
  };

  // A probe planned to be put on an adapter and taken off again (VirtualBus::AddVisit), with
  // the state of that probe; a probe that visits twice is saved with each visit.
  struct Visit {
    std::string adapterSerial;
    std::int64_t onUtcMs = 0;
    std::optional<std::int64_t> offUtcMs;
    VirtualProbe::State probe;
  };

  std::string scenario;
  std::int64_t utcMilliseconds = 0;
  std::vector<Adapter> adapters;
  std::vector<Visit> visits;

  Adapter* Find(std::string_view serialNumber);
};

// The text form, one item per line: a first line naming the format, "scenario", "clock", then per
// adapter an "adapter" line, its "fault" lines and, when it has a probe, a "probe" block up to
// "end" with the registers, the mission and the 8192 memory bytes in hex.
//
// After the adapters, per visit a line "visit ADAPTER on=MS off=MS" (off=- when the probe stays;
// times on the bus clock, UTC milliseconds) and the visiting probe's "probe" block.
//
// An adapter line may end in "refuses-open=REASON" (no-permission, busy, kernel-driver, vanished,
// other): every attempt to open that adapter then fails for that reason.
//
// A fault line: "fault KIND key=value...", KIND one of no-answer, short-reply, wrong-byte,
// bad-checksum, presence-dropout, low-version, unplug, late-reply, lost-bytes, cut-request,
// keep-frame, slow-command, drop-out, probe-swap; keys exchange= (from 1), times= (a count or "forever"),
// position=, count=, value= (hex) and delay= (milliseconds, for late-reply, slow-command and
// drop-out). A key left out keeps its default; delay= is written only when it is not 0, so
// files written before it existed read the same.
std::string FormatVirtualState(const VirtualState& state);
// A lab of a few probes takes some hundred kilobytes; far larger files are not states.
inline constexpr std::size_t kMaxVirtualStateFileSize = 16 * 1024 * 1024;
// False, with `error` naming the line and what is wrong, when the text is not a whole state or
// holds a clock, clock offset or standing probe time beyond 2^50 ms (some 35,000 years) either way.
bool ParseVirtualState(std::string_view text, VirtualState& state, std::string& error);

// Takes the state of every adapter's probe on the bus into `state`, adding adapters it does not
// list yet; their faults are kept. A probe on a visit is saved with its visits, not with the
// adapter it sits on. Clock and scenario are the caller's.
void CaptureProbes(VirtualBus& bus, VirtualState& state);

// Puts the saved probes back onto the bus's adapters and plans their faults, and gives the bus's
// visits the saved times and probe states (before the bus has carried any of them out). False,
// with `error` saying why, when an adapter of the state is not on the bus or has a saved probe
// where the bus has none, or the visits are not those the bus plans; the bus may then hold part
// of the state.
bool RestoreProbes(VirtualBus& bus, const VirtualState& state, std::string& error);

}  // namespace ombrix
