#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "TemperatureSource.h"

namespace ombrix {

// A simulated temperature-logging probe: memory, registers, commands, clock and missions, as the
// adapter's controller reaches them.
//
// Every operation takes the bus clock's wall time (UTC milliseconds) at which it happens. The
// probe's own clock is that time plus an offset that setting the clock changes. A running mission
// records lazily: whenever the probe is touched it first catches up with every sample that fell
// due by its clock, so a mission of weeks costs nothing until it is read.
//
// Commands sent in a state where they make no sense are ignored and leave the probe unchanged
// (the command still finishes, its result shows the unchanged state):
// - launch on a probe that is not clear, or with sample rate 0;
// - stop without a mission in progress;
// - clear during a mission;
// - switch-off on a probe that is not clear, already off, or without the guard code.
// A switched-off probe reports 0x80 in its status and its clock stands still; it still answers
// presence, register queries and memory access. Setting its clock changes the standing value;
// launching a mission switches it on again and its clock runs on from there.
// A mission without rollover stops recording when the log is full (8000 samples) but stays in
// progress until it is stopped.
class VirtualProbe {
 public:
  static constexpr int kMemorySize = 8192;
  static constexpr int kLogSize = 8000;
  static constexpr int kSerialAddress = 8000;
  static constexpr int kNameAddress = 8008;
  static constexpr int kNameSize = 32;
  static constexpr int kCommentAddress = 8040;
  static constexpr int kCommentSize = 152;

  // Status byte (register 3, byte 0) and control command flags.
  static constexpr std::uint8_t kMemoryClear = 0x01;
  static constexpr std::uint8_t kMissionInProgress = 0x02;
  static constexpr std::uint8_t kRolloverEnabled = 0x04;
  static constexpr std::uint8_t kRolloverOccurred = 0x08;
  static constexpr std::uint8_t kTestMode = 0x40;
  static constexpr std::uint8_t kSwitchedOff = 0x80;

  // Bytes 1..3 of the switch-off command: "OFF".
  static constexpr std::array<std::uint8_t, 3> kSwitchOffGuard{0x4F, 0x46, 0x46};

  enum Register : int {
    kRegMemoryPointer = 1,
    kRegClock = 2,
    kRegStatus = 3,
    kRegMissionSamples = 5,
    kRegMissionStart = 7,
    kRegStartDelay = 8,
    kRegLifetimeSamples = 9,
  };
  enum Command : int {
    kCmdSetMemoryPointer = 1,
    kCmdSetClock = 2,
    kCmdControl = 3,
    kCmdWriteByte = 4,
  };

  struct Mission {
    std::uint8_t rate = 10;  // minutes, or seconds in test mode; 1..255
    std::uint8_t delayMinutes = 0;
    std::uint8_t delaySeconds = 0;
    bool rollover = false;
    bool testMode = false;
  };

  // A fresh probe: clear memory (the log erased to 0xFF), clock at UTC, sample rate 10.
  explicit VirtualProbe(std::shared_ptr<const TemperatureSource> source =
                            std::make_shared<ConstantTemperature>(20.0));

  // Identity. The serial number is stored byte 0 (least significant) first at 8000.
  void SetSerialNumber(std::uint64_t serialNumber);
  std::uint64_t SerialNumber() const;
  // A serial number with the family byte as byte 0, the 48-bit id in bytes 1..6 and the CRC-8 of
  // bytes 0..6 as byte 7.
  static std::uint64_t MakeSerialNumber(std::uint8_t family, std::uint64_t id);
  static bool SerialNumberValid(std::uint64_t serialNumber);
  // Texts are cut to their areas and zero-terminated when shorter; the rest is zero-filled.
  void SetName(std::string_view name);
  void SetComment(std::string_view comment);
  std::string Name() const;
  std::string Comment() const;
  void SetTemperatureSource(std::shared_ptr<const TemperatureSource> source);

  // Clock, in probe seconds.
  std::uint32_t ClockSeconds(std::int64_t utcMs) const;
  void SetClock(std::uint32_t seconds, std::int64_t utcMs);

  // What the adapter asks of the probe. A register or command code the probe does not have gives
  // nullopt. A command's result is the value the adapter reports once it has finished: the new
  // pointer (1), the new clock (2), register 3 after the control command (3), or the posted value
  // (4).
  std::optional<std::uint32_t> ReadRegister(int code, std::int64_t utcMs);
  std::optional<std::uint32_t> RunCommand(int code, std::uint32_t value, std::int64_t utcMs);
  // The byte at the memory pointer; the pointer advances (addresses past the memory read 0xFF).
  std::uint8_t ReadData(std::int64_t utcMs);

  // The control command's operations, which return whether the probe accepted them.
  bool Launch(const Mission& mission, std::int64_t utcMs);
  bool Stop(std::int64_t utcMs);
  bool Clear(std::uint8_t rate, bool rollover, std::int64_t utcMs);
  bool SwitchOff(const std::array<std::uint8_t, 3>& guard, std::int64_t utcMs);

  // Gives the probe a mission that was launched at missionStart (probe seconds), as if it had
  // been running since; memory and counters follow at the next catch-up. Any previous state is
  // replaced. The caller keeps missionStart at or before the probe's clock.
  void StartMissionAt(const Mission& mission, std::uint32_t missionStart);

  // Records every sample due by the probe clock at utcMs.
  void CatchUp(std::int64_t utcMs);

  // Inspection (the state as of the last catch-up).
  std::uint8_t StatusByte() const;
  std::uint8_t SampleRate() const { return mission_.rate; }
  std::uint32_t MissionSamples() const { return missionSamples_; }
  std::uint32_t LifetimeSamples() const { return lifetimeSamples_; }
  void SetLifetimeSamples(std::uint32_t samples) { lifetimeSamples_ = samples; }
  std::uint32_t MissionStart() const { return missionStart_; }
  // Probe time of the first sample: mission start + delay + 1 second.
  std::int64_t FirstSampleTime() const;
  std::int64_t IntervalSeconds() const;
  std::uint16_t MemoryPointer() const { return pointer_; }
  // The value of the last control command the probe received, whether it accepted it or not (0
  // before the first).
  std::uint32_t LastControl() const { return lastControl_; }
  const std::array<std::uint8_t, kMemorySize>& Memory() const { return memory_; }
  void WriteMemory(int address, std::uint8_t value);

  // Everything the probe holds apart from its temperature source, so that a simulation can be
  // put aside and taken up again later (in another process) with the same source.
  struct State {
    std::array<std::uint8_t, kMemorySize> memory{};
    std::int64_t clockOffsetMs = 0;
    std::optional<std::int64_t> stoppedClockMs;
    Mission mission;
    bool memoryClear = true;
    bool missionInProgress = false;
    bool rolloverOccurred = false;
    std::uint32_t missionStart = 0;
    std::uint32_t missionSamples = 0;
    std::uint32_t lifetimeSamples = 0;
    std::uint16_t pointer = 0;
    std::uint8_t readCrc = 0;
  };
  State SaveState() const;
  void RestoreState(const State& state);

 private:
  std::int64_t ProbeMilliseconds(std::int64_t utcMs) const;
  std::uint8_t Control(std::uint32_t value, std::int64_t utcMs);
  void WriteText(int address, int size, std::string_view text);
  std::string ReadText(int address, int size) const;

  std::array<std::uint8_t, kMemorySize> memory_{};
  std::shared_ptr<const TemperatureSource> source_;

  std::int64_t clockOffsetMs_ = 0;              // probe time = UTC + offset while running
  std::optional<std::int64_t> stoppedClockMs_;  // the standing probe time while switched off

  Mission mission_;
  bool memoryClear_ = true;
  bool missionInProgress_ = false;
  bool rolloverOccurred_ = false;
  std::uint32_t missionStart_ = 0;
  std::uint32_t missionSamples_ = 0;
  std::uint32_t lifetimeSamples_ = 0;

  std::uint16_t pointer_ = 0;
  std::uint8_t readCrc_ = 0;  // over the bytes read since the pointer was set
  std::uint32_t lastControl_ = 0;
};

}  // namespace ombrix
