#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ProbeRecord.h"

namespace ombrix {

// The limits a record is checked against: a low and a high limit in degrees Celsius (either may
// be off), and a tolerance delay: a run of samples beyond a limit counts as an excursion only
// when it lasts at least that many minutes.
struct TemperatureLimits {
  static constexpr int kMaxDelayMinutes = 10'000;
  static constexpr double kDefaultActivation = 10'000.0;  // kelvin: 83.144 kJ/mol over R

  std::optional<double> low;
  std::optional<double> high;
  int delayMinutes = 0;
  // Activation energy over the gas constant (ΔH/R, in kelvin) for the mean kinetic temperature.
  double activation = kDefaultActivation;

  bool Any() const { return low.has_value() || high.has_value(); }
  friend bool operator==(const TemperatureLimits&, const TemperatureLimits&) = default;
};

// False, with the reason for the user, when the limits cannot be used: low not below high, a
// delay outside 0..10,000 minutes, an activation that is not a positive number.
bool CheckLimits(const TemperatureLimits& limits, std::string& error);
// A limit as typed: a number with a decimal point or comma ("-18", "2,5"), or "off" or nothing
// for no limit. False for anything else.
bool ParseLimit(const std::string& text, std::optional<double>& value);
// A whole number of minutes in 0..10,000.
bool ParseDelay(const std::string& text, int& minutes);

// A record without samples has nothing to judge, whatever the limits: it is never within them.
enum class Verdict { kNoSamples, kNoLimits, kWithin, kOutside };
// "nothing to judge", "no limits set", "within limits", "outside limits".
const char* VerdictText(Verdict verdict);

// A run of consecutive samples beyond one limit. Each sample stands for one sample interval, so
// the run lasts from its first sample's time to one interval after its last.
struct Excursion {
  bool above = false;  // above the high limit, or below the low one
  int first = 0;       // sample indices, first..last
  int last = 0;
  std::int64_t startSeconds = 0;  // probe seconds (UTC)
  std::int64_t endSeconds = 0;
  std::int64_t Seconds() const { return endSeconds - startSeconds; }
};

// Everything a cold-chain check asks of a record, computed once and shown by the window, the
// report and the command line alike. Times are instants (probe seconds, see
// TProbeRecord::SampleSeconds); the local TDateTime of a sample is in the record.
struct RecordStatistics {
  int samples = 0;
  std::int64_t intervalSeconds = 0;
  std::int64_t firstSeconds = 0;  // the first and last sample's instants
  std::int64_t lastSeconds = 0;
  // Meaningful when samples > 0.
  double minimum = 0;
  double maximum = 0;
  int minimumIndex = 0;  // the first sample at the minimum / maximum
  int maximumIndex = 0;
  double mean = 0;
  // The sample standard deviation (n - 1); none for fewer than two samples.
  std::optional<double> standardDeviation;
  double meanKinetic = 0;  // mean kinetic temperature, degrees Celsius
  // Each sample beyond a limit counts one interval, whatever the delay.
  std::int64_t secondsBelow = 0;
  std::int64_t secondsAbove = 0;
  // The runs that last at least the delay, in time order; the longest (the first of equal ones).
  std::vector<Excursion> excursions;
  std::optional<Excursion> longest;
  Verdict verdict = Verdict::kNoLimits;
  // Why a value is missing: "no samples", "one sample: no standard deviation"; empty otherwise.
  std::string note;
};

RecordStatistics ComputeStatistics(const TProbeRecord& record, const TemperatureLimits& limits);

}  // namespace ombrix
