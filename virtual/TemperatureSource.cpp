#include "TemperatureSource.h"

#include <algorithm>
#include <cmath>

namespace ombrix {

namespace {

// SplitMix64: a fast, well-mixed hash of one 64-bit word.
std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

constexpr std::int64_t kCycleSeconds = 40 * 60;
constexpr std::int64_t kDoorSlotSeconds = 3600;
constexpr double kDoorRiseSeconds = 90;
constexpr double kDoorRecoverySeconds = 480;

enum Stream : std::uint64_t {
  kCycleLow = 1,
  kCycleHigh,
  kCycleShift,
  kCycleDuty,
  kDoorChance,
  kDoorStart,
  kDoorLength,
  kDoorPeak,
  kSensor
};

}  // namespace

std::uint8_t EncodeTemperature(double celsius) {
  if (std::isnan(celsius)) return 0;
  const double code = std::round((celsius + 40.0) * 2.0);
  return static_cast<std::uint8_t>(std::clamp(code, 0.0, 255.0));
}

double DecodeTemperature(std::uint8_t code) {
  return code * 0.5 - 40.0;
}

double FridgeTemperature::Random(std::uint64_t stream, std::int64_t index) const {
  const std::uint64_t h =
      Mix(seed_ ^ Mix(stream * 0x100000001B3ull ^ static_cast<std::uint64_t>(index)));
  return static_cast<double>(h >> 11) * 0x1.0p-53;
}

double FridgeTemperature::CycleStart(std::int64_t cycle) const {
  // Cycles last 40 minutes on average; each boundary moves by up to 8 minutes either way, so the
  // cycles differ in length while staying in order.
  return static_cast<double>(cycle * kCycleSeconds) + (Random(kCycleShift, cycle) - 0.5) * 960;
}

double FridgeTemperature::Compressor(std::int64_t t) const {
  const double now = static_cast<double>(t);
  std::int64_t cycle = FloorDiv(t, kCycleSeconds);
  if (now < CycleStart(cycle)) {
    --cycle;
  } else if (now >= CycleStart(cycle + 1)) {
    ++cycle;
  }
  const double start = CycleStart(cycle);
  const double phase = (now - start) / (CycleStart(cycle + 1) - start);
  const double warming = 0.62 + 0.14 * Random(kCycleDuty, cycle);  // share with compressor off
  // Each cycle starts at its own low point, warms to its high point and is cooled down to the
  // next cycle's low point, so the curve has no jumps between cycles.
  const double low = setPoint_ - 0.9 - 0.4 * Random(kCycleLow, cycle);
  const double high = setPoint_ + 0.8 + 0.5 * Random(kCycleHigh, cycle);
  const double nextLow = setPoint_ - 0.9 - 0.4 * Random(kCycleLow, cycle + 1);
  if (phase < warming) {
    // Warming flattens out as the air approaches the walls' temperature.
    const double x = phase / warming;
    return low + (high - low) * (1.0 - std::exp(-2.0 * x)) / (1.0 - std::exp(-2.0));
  }
  const double x = (phase - warming) / (1.0 - warming);
  return high + (nextLow - high) * x;
}

double FridgeTemperature::DoorOpenings(std::int64_t t) const {
  double rise = 0;
  const std::int64_t slot = FloorDiv(t, kDoorSlotSeconds);
  // An opening's warmth has faded after an hour, so the two slots before matter too.
  for (std::int64_t s = slot - 2; s <= slot; ++s) {
    const int localHour = static_cast<int>(((s + 1) % 24 + 24) % 24);
    const double chance = (localHour >= 7 && localHour < 20) ? 0.4 : 0.04;
    if (Random(kDoorChance, s) >= chance) continue;
    const double start = static_cast<double>(s * kDoorSlotSeconds) +
                         Random(kDoorStart, s) * (kDoorSlotSeconds - 200);
    const double length = 15 + 135 * Random(kDoorLength, s);
    const double peak = 4 + 8 * Random(kDoorPeak, s);
    const double now = static_cast<double>(t);
    if (now < start) continue;
    const double open = std::min(now, start + length) - start;
    const double reached = peak * (1.0 - std::exp(-open / kDoorRiseSeconds));
    const double closed = std::max(0.0, now - (start + length));
    rise += reached * std::exp(-closed / kDoorRecoverySeconds);
  }
  return rise;
}

double FridgeTemperature::Noise(std::int64_t t) const {
  return 0.3 * (Random(kSensor, t) - 0.5);
}

double FridgeTemperature::Celsius(std::int64_t probeSeconds) const {
  return Compressor(probeSeconds) + DoorOpenings(probeSeconds) + Noise(probeSeconds);
}

}  // namespace ombrix
