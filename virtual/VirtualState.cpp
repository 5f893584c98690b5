#include "VirtualState.h"

#include "Bytes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <sstream>

namespace ombrix {

namespace {

constexpr std::string_view kFirstLine = "Ombrix virtual state 1";
constexpr int kMemoryLine = 64;  // bytes per memory line

struct OpenFailureName {
  OpenFailure failure;
  std::string name;
};
// kNone has no name: an adapter that opens is written without the setting.
const OpenFailureName kOpenFailures[] = {
    {OpenFailure::kNoPermission, "no-permission"},
    {OpenFailure::kBusy, "busy"},
    {OpenFailure::kKernelDriver, "kernel-driver"},
    {OpenFailure::kVanished, "vanished"},
    {OpenFailure::kOther, "other"},
};

struct KindName {
  Fault::Kind kind;
  std::string_view name;
};
constexpr KindName kKinds[] = {
    {Fault::Kind::NoAnswer, "no-answer"},
    {Fault::Kind::ShortReply, "short-reply"},
    {Fault::Kind::WrongByte, "wrong-byte"},
    {Fault::Kind::BadChecksum, "bad-checksum"},
    {Fault::Kind::PresenceDropout, "presence-dropout"},
    {Fault::Kind::LowVersion, "low-version"},
    {Fault::Kind::Unplug, "unplug"},
    {Fault::Kind::LateReply, "late-reply"},
    {Fault::Kind::LostBytes, "lost-bytes"},
    {Fault::Kind::CutRequest, "cut-request"},
    {Fault::Kind::KeepFrame, "keep-frame"},
    {Fault::Kind::SlowCommand, "slow-command"},
    {Fault::Kind::DropOut, "drop-out"},
    {Fault::Kind::ProbeSwap, "probe-swap"},
};

std::string_view KindText(Fault::Kind kind) {
  for (const KindName& entry : kKinds) {
    if (entry.kind == kind) return entry.name;
  }
  return "no-answer";
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (true) {
    i = line.find_first_not_of(" \t\r", i);
    if (i == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t\r", i), line.size());
    words.push_back(line.substr(i, end - i));
    i = end;
  }
  return words;
}

template <typename T>
bool Number(std::string_view text, T& value, int base = 10) {
  T result{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result, base);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = result;
  return true;
}

// Times and clock offsets in milliseconds stay within about 35,000 years of 1970, so that the
// clock arithmetic of a run (the probe's time from the bus clock and its offset, the advance of at
// most a century, the link's delays) stays far from the 64-bit limits whatever a file holds.
constexpr std::int64_t kTimeLimitMs = std::int64_t{1} << 50;

bool Milliseconds(std::string_view text, std::int64_t& value) {
  std::int64_t read = 0;
  if (!Number(text, read) || read < -kTimeLimitMs || read > kTimeLimitMs) return false;
  value = read;
  return true;
}

bool Flag(std::string_view text, bool& value) {
  if (text != "0" && text != "1") return false;
  value = text == "1";
  return true;
}

// The parser's position and its one way of failing.
class Reader {
 public:
  Reader(std::string_view text, std::string& error) : text_(text), error_(error) {}

  // The next line that holds anything, split into words; false at the end of the text.
  bool Next(std::vector<std::string_view>& words) {
    while (position_ < text_.size()) {
      const std::size_t end = std::min(text_.find('\n', position_), text_.size());
      const std::string_view line = text_.substr(position_, end - position_);
      position_ = end + 1;
      ++number_;
      words = Words(line);
      if (!words.empty()) return true;
    }
    return false;
  }
  bool Fail(const std::string& what) {
    error_ = "line " + std::to_string(number_) + ": " + what;
    return false;
  }

 private:
  std::string_view text_;
  std::string& error_;
  std::size_t position_ = 0;
  int number_ = 0;
};

bool ParseFault(const std::vector<std::string_view>& w, VirtualState::PlannedFault& planned,
                Reader& in) {
  if (w.size() < 2) return in.Fail("fault without a kind");
  const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                 [&](const KindName& k) { return k.name == w[1]; });
  if (kind == std::end(kKinds)) return in.Fail("unknown fault \"" + Excerpt(w[1]) + "\"");
  planned = {};
  planned.fault.kind = kind->kind;
  for (std::size_t i = 2; i < w.size(); ++i) {
    const std::size_t equals = w[i].find('=');
    const std::string_view key = w[i].substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : w[i].substr(equals + 1);
    bool read = false;
    if (key == "exchange") {
      read = Number(value, planned.exchange) && planned.exchange >= 1;
    } else if (key == "times") {
      if (value == "forever") {
        planned.times = FaultPlan::kForever;
        read = true;
      } else {
        read = Number(value, planned.times) && planned.times >= 1;
      }
    } else if (key == "position") {
      read = Number(value, planned.fault.position) && planned.fault.position >= 0;
    } else if (key == "count") {
      read = Number(value, planned.fault.count) && planned.fault.count >= 0;
    } else if (key == "value") {
      std::uint8_t byte = 0;
      read = Number(value, byte, 16);
      if (read) planned.fault.value = byte;
    } else if (key == "delay") {
      read = Number(value, planned.fault.delayMs) && planned.fault.delayMs >= 0;
    }
    if (!read) return in.Fail("cannot read \"" + Excerpt(w[i]) + "\"");
  }
  return true;
}

bool ParseProbe(Reader& in, VirtualProbe::State& probe) {
  std::vector<std::string_view> w;
  std::vector<bool> memorySeen(VirtualProbe::kMemorySize / kMemoryLine, false);
  while (in.Next(w)) {
    const std::string_view key = w[0];
    auto values = [&](std::size_t count) { return w.size() == count + 1; };
    bool read = false;
    if (key == "end") {
      if (std::find(memorySeen.begin(), memorySeen.end(), false) != memorySeen.end()) {
        return in.Fail("the probe's memory is incomplete");
      }
      return true;
    } else if (key == "clock-offset-ms") {
      read = values(1) && Milliseconds(w[1], probe.clockOffsetMs);
    } else if (key == "switched-off-ms") {
      std::int64_t standing = 0;
      if (values(1) && w[1] == "-") {
        probe.stoppedClockMs.reset();
        read = true;
      } else if (values(1) && Milliseconds(w[1], standing)) {
        probe.stoppedClockMs = standing;
        read = true;
      }
    } else if (key == "mission") {
      read = values(5) && Number(w[1], probe.mission.rate) &&
             Number(w[2], probe.mission.delayMinutes) && Number(w[3], probe.mission.delaySeconds) &&
             Flag(w[4], probe.mission.rollover) && Flag(w[5], probe.mission.testMode);
    } else if (key == "status") {
      read = values(3) && Flag(w[1], probe.memoryClear) && Flag(w[2], probe.missionInProgress) &&
             Flag(w[3], probe.rolloverOccurred);
    } else if (key == "mission-start") {
      read = values(1) && Number(w[1], probe.missionStart);
    } else if (key == "mission-samples") {
      read = values(1) && Number(w[1], probe.missionSamples);
    } else if (key == "lifetime-samples") {
      read = values(1) && Number(w[1], probe.lifetimeSamples);
    } else if (key == "pointer") {
      read = values(2) && Number(w[1], probe.pointer) && Number(w[2], probe.readCrc, 16);
    } else if (key == "memory") {
      std::uint16_t address = 0;
      if (!values(2) || !Number(w[1], address, 16) || address % kMemoryLine != 0 ||
          address >= VirtualProbe::kMemorySize || w[2].size() != 2 * kMemoryLine) {
        return in.Fail("a memory line is a 4-digit address and 64 bytes in hex");
      }
      for (int i = 0; i < kMemoryLine; ++i) {
        if (!Number(w[2].substr(2 * i, 2), probe.memory[address + i], 16)) {
          return in.Fail("a memory byte is not hex");
        }
      }
      memorySeen[address / kMemoryLine] = true;
      read = true;
    } else {
      return in.Fail("unknown item \"" + Excerpt(key) + "\" in a probe");
    }
    if (!read) return in.Fail("cannot read \"" + Excerpt(key) + "\"");
  }
  return in.Fail("the probe has no \"end\"");
}

void FormatProbe(const VirtualProbe::State& p, std::ostringstream& out) {
  out << "probe\n";
  out << "clock-offset-ms " << p.clockOffsetMs << '\n';
  out << "switched-off-ms ";
  if (p.stoppedClockMs) {
    out << *p.stoppedClockMs << '\n';
  } else {
    out << "-\n";
  }
  out << "mission " << int{p.mission.rate} << ' ' << int{p.mission.delayMinutes} << ' '
      << int{p.mission.delaySeconds} << ' ' << p.mission.rollover << ' ' << p.mission.testMode
      << '\n';
  out << "status " << p.memoryClear << ' ' << p.missionInProgress << ' ' << p.rolloverOccurred
      << '\n';
  out << "mission-start " << p.missionStart << '\n';
  out << "mission-samples " << p.missionSamples << '\n';
  out << "lifetime-samples " << p.lifetimeSamples << '\n';
  char crc[4];
  std::snprintf(crc, sizeof crc, "%02X", p.readCrc);
  out << "pointer " << p.pointer << ' ' << crc << '\n';
  for (int address = 0; address < VirtualProbe::kMemorySize; address += kMemoryLine) {
    char line[16 + 2 * kMemoryLine];
    int n = std::snprintf(line, sizeof line, "memory %04X ", address);
    for (int i = 0; i < kMemoryLine; ++i) {
      n += std::snprintf(line + n, sizeof line - n, "%02X", p.memory[address + i]);
    }
    out << line << '\n';
  }
  out << "end\n";
}

bool ParseVisit(const std::vector<std::string_view>& w, VirtualState::Visit& visit, Reader& in) {
  if (w.size() != 4 || w[2].substr(0, 3) != "on=" || w[3].substr(0, 4) != "off=") {
    return in.Fail("a visit is \"visit ADAPTER on=MS off=MS\"");
  }
  visit.adapterSerial = std::string(w[1]);
  if (!Milliseconds(w[2].substr(3), visit.onUtcMs)) return in.Fail("cannot read the visit's on=");
  const std::string_view off = w[3].substr(4);
  std::int64_t offMs = 0;
  if (off == "-") {
    visit.offUtcMs.reset();
  } else if (Milliseconds(off, offMs) && offMs > visit.onUtcMs) {
    visit.offUtcMs = offMs;
  } else {
    return in.Fail("a visit's off= is a time after its on=, or -");
  }
  std::vector<std::string_view> next;
  if (!in.Next(next) || next.size() != 1 || next[0] != "probe") {
    return in.Fail("a visit is followed by its probe");
  }
  return ParseProbe(in, visit.probe);
}

}  // namespace

VirtualState::Adapter* VirtualState::Find(std::string_view serialNumber) {
  for (Adapter& adapter : adapters) {
    if (adapter.serialNumber == serialNumber) return &adapter;
  }
  return nullptr;
}

std::string FormatVirtualState(const VirtualState& state) {
  std::ostringstream out;
  out << kFirstLine << '\n';
  out << "scenario " << state.scenario << '\n';
  out << "clock " << state.utcMilliseconds << '\n';
  for (const VirtualState::Adapter& adapter : state.adapters) {
    out << "adapter " << adapter.serialNumber;
    for (const OpenFailureName& f : kOpenFailures) {
      if (f.failure == adapter.refusesOpen) out << " refuses-open=" << f.name;
    }
    out << '\n';
    for (const VirtualState::PlannedFault& f : adapter.faults) {
      out << "fault " << KindText(f.fault.kind) << " exchange=" << f.exchange << " times=";
      if (f.times == FaultPlan::kForever) {
        out << "forever";
      } else {
        out << f.times;
      }
      out << " position=" << f.fault.position << " count=" << f.fault.count;
      if (f.fault.value) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", *f.fault.value);
        out << " value=" << hex;
      }
      if (f.fault.delayMs != 0) out << " delay=" << f.fault.delayMs;
      out << '\n';
    }
    if (adapter.probe) FormatProbe(*adapter.probe, out);
  }
  for (const VirtualState::Visit& visit : state.visits) {
    out << "visit " << visit.adapterSerial << " on=" << visit.onUtcMs << " off=";
    if (visit.offUtcMs) {
      out << *visit.offUtcMs << '\n';
    } else {
      out << "-\n";
    }
    FormatProbe(visit.probe, out);
  }
  return out.str();
}

bool ParseVirtualState(std::string_view text, VirtualState& state, std::string& error) {
  Reader in(text, error);
  std::vector<std::string_view> w;
  if (!in.Next(w) || Words(kFirstLine) != w) {
    return in.Fail("not an Ombrix virtual state (the first line differs)");
  }
  VirtualState result;
  bool haveScenario = false;
  bool haveClock = false;
  while (in.Next(w)) {
    const std::string_view key = w[0];
    if (key == "scenario" && w.size() == 2) {
      result.scenario = w[1];
      haveScenario = true;
    } else if (key == "clock" && w.size() == 2) {
      if (!Milliseconds(w[1], result.utcMilliseconds)) return in.Fail("cannot read the clock");
      haveClock = true;
    } else if (key == "adapter" && (w.size() == 2 || w.size() == 3)) {
      if (result.Find(w[1])) return in.Fail("adapter " + Excerpt(w[1]) + " twice");
      result.adapters.push_back({std::string(w[1]), {}, std::nullopt});
      if (w.size() == 3) {
        const auto reason = std::find_if(
            std::begin(kOpenFailures), std::end(kOpenFailures),
            [&](const OpenFailureName& f) { return "refuses-open=" + f.name == w[2]; });
        if (reason == std::end(kOpenFailures)) {
          return in.Fail("unknown adapter setting \"" + Excerpt(w[2]) + "\"");
        }
        result.adapters.back().refusesOpen = reason->failure;
      }
    } else if (key == "fault" && !result.adapters.empty()) {
      VirtualState::PlannedFault planned;
      if (!ParseFault(w, planned, in)) return false;
      result.adapters.back().faults.push_back(planned);
    } else if (key == "visit") {
      VirtualState::Visit visit;
      if (!ParseVisit(w, visit, in)) return false;
      result.visits.push_back(std::move(visit));
    } else if (key == "probe" && w.size() == 1 && !result.adapters.empty() &&
               result.visits.empty() && !result.adapters.back().probe) {
      VirtualProbe::State probe;
      if (!ParseProbe(in, probe)) return false;
      result.adapters.back().probe = probe;
    } else {
      return in.Fail("unexpected \"" + Excerpt(key) + "\"");
    }
  }
  if (!haveScenario || !haveClock) {
    error = "the state names no scenario or no clock";
    return false;
  }
  state = std::move(result);
  return true;
}

void CaptureProbes(VirtualBus& bus, VirtualState& state) {
  for (const std::string& serialNumber : bus.AdapterSerialNumbers()) {
    VirtualState::Adapter* saved = state.Find(serialNumber);
    if (!saved) {
      state.adapters.push_back({serialNumber, {}, std::nullopt});
      saved = &state.adapters.back();
    }
    const VirtualProbe* probe = bus.Adapter(serialNumber)->Probe();
    saved->probe.reset();
    const bool visiting =
        std::any_of(bus.Visits().begin(), bus.Visits().end(),
                    [probe](const VirtualBus::Visit& v) { return v.probe.get() == probe; });
    if (probe && !visiting) saved->probe = probe->SaveState();
  }
  state.visits.clear();
  for (const VirtualBus::Visit& visit : bus.Visits()) {
    state.visits.push_back(
        {visit.adapterSerial, visit.onUtcMs, visit.offUtcMs, visit.probe->SaveState()});
  }
}

bool RestoreProbes(VirtualBus& bus, const VirtualState& state, std::string& error) {
  for (const VirtualState::Adapter& saved : state.adapters) {
    AdapterController* adapter = bus.Adapter(saved.serialNumber);
    if (!adapter) {
      error = "there is no adapter " + Excerpt(saved.serialNumber) + " in the scenario " +
              Excerpt(state.scenario);
      return false;
    }
    if (saved.probe) {
      if (!adapter->Probe()) {
        error = "the adapter " + Excerpt(saved.serialNumber) + " has no probe in the scenario " +
                Excerpt(state.scenario);
        return false;
      }
      adapter->Probe()->RestoreState(*saved.probe);
    } else if (adapter->Probe()) {
      adapter->DetachProbe();
    }
    bus.RefuseOpen(saved.serialNumber, saved.refusesOpen);
    for (const VirtualState::PlannedFault& planned : saved.faults) {
      adapter->Faults().At(planned.exchange, planned.fault, planned.times);
    }
  }
  std::vector<VirtualBus::Visit>& visits = bus.Visits();
  if (state.visits.empty()) return true;
  if (state.visits.size() != visits.size()) {
    error = "the scenario " + Excerpt(state.scenario) + " plans " + std::to_string(visits.size()) +
            " visits, not " + std::to_string(state.visits.size());
    return false;
  }
  for (std::size_t i = 0; i < visits.size(); ++i) {
    const VirtualState::Visit& saved = state.visits[i];
    if (saved.adapterSerial != visits[i].adapterSerial) {
      error = "visit " + std::to_string(i + 1) + " goes to the adapter " +
              Excerpt(visits[i].adapterSerial) + " in the scenario " + Excerpt(state.scenario);
      return false;
    }
    visits[i].onUtcMs = saved.onUtcMs;
    visits[i].offUtcMs = saved.offUtcMs;
    visits[i].probe->RestoreState(saved.probe);
  }
  return true;
}

}  // namespace ombrix
