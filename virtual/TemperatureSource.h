#pragma once

#include <cstdint>
#include <functional>

namespace ombrix {

// Where a simulated probe's sensor reads its temperatures. A source is a pure function of the
// probe time (seconds since 1970 UTC): the probe samples lazily, possibly long after the sample's
// scheduled time, and must record the same value whenever it catches up.
class TemperatureSource {
 public:
  virtual ~TemperatureSource() = default;
  virtual double Celsius(std::int64_t probeSeconds) const = 0;
};

// A log byte holds (T + 40) * 2, rounded to the nearest half degree and clamped to 0..255, so
// -40.0 to 87.5 degrees Celsius in steps of 0.5.
std::uint8_t EncodeTemperature(double celsius);
double DecodeTemperature(std::uint8_t code);

class ConstantTemperature : public TemperatureSource {
 public:
  explicit ConstantTemperature(double celsius) : celsius_(celsius) {}
  double Celsius(std::int64_t) const override { return celsius_; }

 private:
  double celsius_;
};

// Any function of the probe time, for tests that need to tell samples apart.
class FunctionTemperature : public TemperatureSource {
 public:
  explicit FunctionTemperature(std::function<double(std::int64_t)> function)
      : function_(std::move(function)) {}
  double Celsius(std::int64_t probeSeconds) const override { return function_(probeSeconds); }

 private:
  std::function<double(std::int64_t)> function_;
};

// A refrigerator held near its set point: the compressor cycles about every 40 minutes (warming
// slowly to about a degree above the set point, then cooled quickly to about a degree below, each
// cycle a little different), the door is opened now and then (mostly during the day, by the time
// of day in UTC + 1), warming the air by several degrees until the cold returns, and the sensor
// adds a little noise. Everything derives from the seed and the time, so the same seed gives the
// same history.
class FridgeTemperature : public TemperatureSource {
 public:
  explicit FridgeTemperature(std::uint64_t seed, double setPoint = 4.0)
      : seed_(seed), setPoint_(setPoint) {}
  double Celsius(std::int64_t probeSeconds) const override;

 private:
  double CycleStart(std::int64_t cycle) const;
  double Compressor(std::int64_t t) const;
  double DoorOpenings(std::int64_t t) const;
  double Noise(std::int64_t t) const;
  double Random(std::uint64_t stream, std::int64_t index) const;  // 0 <= r < 1

  std::uint64_t seed_;
  double setPoint_;
};

}  // namespace ombrix
