#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "FaultPlan.h"

namespace ombrix::campaign {

// A fault campaign: many runs of the probe operations, each on a fresh virtual adapter and probe
// at the hardware's link timing, each with faults of one kind planned at random, and after each a
// check of the outcome against the virtual probe itself:
// - a download reported complete must hold exactly the probe's log and status;
// - any other operation reported done must have left the probe in the state it claims;
// - an operation reported failed must leave a failure code;
// - afterwards, with the faults gone, a detection and status read must work again (after the
//   time an adapter needs to come back, and a replug after an unplug).
// Every run takes its own seed, derived from the campaign's; a run can be repeated alone with it.

enum class Operation { Download, ReadStatus, Stop, Clear, Launch, SetClock, WriteText, SwitchOff };
inline constexpr int kOperations = 8;
inline constexpr Operation kAllOperations[kOperations] = {
    Operation::Download, Operation::ReadStatus, Operation::Stop,      Operation::Clear,
    Operation::Launch,   Operation::SetClock,   Operation::WriteText, Operation::SwitchOff};
inline constexpr int kFaultKinds = 13;
inline constexpr Fault::Kind kAllFaultKinds[kFaultKinds] = {
    Fault::Kind::NoAnswer,    Fault::Kind::ShortReply,      Fault::Kind::WrongByte,
    Fault::Kind::BadChecksum, Fault::Kind::PresenceDropout, Fault::Kind::LowVersion,
    Fault::Kind::Unplug,      Fault::Kind::LateReply,       Fault::Kind::LostBytes,
    Fault::Kind::CutRequest,  Fault::Kind::KeepFrame,       Fault::Kind::SlowCommand,
    Fault::Kind::DropOut};

const char* OperationName(Operation operation);
const char* FaultKindName(Fault::Kind kind);

// One run and what came of it.
struct Trial {
  Operation operation = Operation::Download;
  Fault::Kind kind = Fault::Kind::NoAnswer;
  std::uint64_t seed = 0;
  int faultsStruck = 0;
  bool success = false;
  int code = 0;            // LastError at the end
  bool mismatch = false;   // success with other data or state, or a failure without a code
  bool recovered = true;   // the detection and status read after it worked
  bool exception = false;  // a consistency check raised
  std::string what;        // what did not match, or the exception's text
  std::int64_t launchLateSeconds = 0;  // launch: first sample after the one asked for
};

// Runs the operation once with faults of the kind, everything drawn from the seed.
Trial RunTrial(Operation operation, Fault::Kind kind, std::uint64_t seed);

struct Figures {
  std::uint64_t runs = 0;
  std::uint64_t successes = 0;
  std::map<int, std::uint64_t> failuresByCode;
  std::uint64_t mismatches = 0;
  std::uint64_t notRecovered = 0;
  std::uint64_t exceptions = 0;
  std::uint64_t faultsStruck = 0;
  std::int64_t maxLaunchLateSeconds = 0;
  void Add(const Trial& trial);
};

struct Settings {
  int downloads = 10000;
  int perOperation = 2000;  // runs of each other operation
  std::uint64_t seed = 1;
};

struct Result {
  std::array<Figures, kOperations> byOperation;
  std::array<Figures, kFaultKinds> byKind;
  Figures total;
  std::vector<Trial> bad;  // the runs with a mismatch, no recovery or an exception (first 50)
  bool Clean() const {
    return total.mismatches == 0 && total.notRecovered == 0 && total.exceptions == 0;
  }
};

// The seed of run `index` of an operation in a campaign with the given seed.
std::uint64_t TrialSeed(std::uint64_t campaignSeed, Operation operation, int index);

// Runs the campaign: the fault kinds take turns, so each operation meets each kind as often.
// `progress`, when given, is called after each run.
Result Run(const Settings& settings, const std::function<void(const Trial&)>& progress = {});

// The figures as text: per operation, per fault kind, the bad runs with their seeds.
std::string Report(const Settings& settings, const Result& result);

}  // namespace ombrix::campaign
