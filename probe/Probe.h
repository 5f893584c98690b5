#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "TeLog.h"
#include "TimeConversion.h"

namespace ombrix {

struct Sample {
  TDateTime Time = 0;
  float Temperature = 0;
};

struct HistogramBin {
  float Low = 0;
  float High = 0;
  std::int32_t Count = 0;
};

// The program's model of one temperature-logging probe: what it knows of the probe that is, or was
// last, on the adapter (or of a record file), and the operations that read and program the probe.
// Every operation returns a bool and leaves a code in LastError:
//   0 success                      6 not allowed in the probe's present state
//   1 no adapter connected         7 the adapter link is not open
//   2 more than one adapter        8 a data read is under way and more blocks remain
//   3 adapter does not answer      9 first sample time not after the probe clock
//   4 no probe on the adapter     10 first sample time more than 250 minutes ahead
//   5 data error
class TProbe {
 public:
  static constexpr int kLogSize = 8000;
  static constexpr int kHistogramBins = 63;
  static constexpr int kSerialAddress = 8000;
  static constexpr int kNameAddress = 8008;
  static constexpr int kNameSize = 32;
  static constexpr int kCommentAddress = 8040;
  static constexpr int kCommentSize = 152;

  TProbe();
  ~TProbe();
  TProbe(const TProbe&) = delete;
  TProbe& operator=(const TProbe&) = delete;

  // Record ----------------------------------------------------------------------------------
  Sample GetSample(int index) const;
  HistogramBin GetHistogramBin(int index) const;
  std::string SerialNumberText() const;
  std::string AdapterVersionText();
  std::string AdapterSerialNumber();
  void SetAdapterName(const std::string& name);

  static TDateTime ProbeSecondsToDateTime(std::int64_t seconds) {
    return ombrix::ProbeSecondsToDateTime(seconds);
  }
  static std::int64_t DateTimeToProbeSeconds(TDateTime value) {
    return ombrix::DateTimeToProbeSeconds(value);
  }

  // Memory access and decoding ----------------------------------------------------------------
  bool ReadRegister(int code, std::uint32_t& value);
  bool WriteCommand(int code, std::uint32_t value);
  bool ReadMemory(int address, std::uint8_t* buffer, int length);
  bool WriteMemory(int address, const std::uint8_t* data, int length);
  void MapAdapterError();
  bool ReadText(int mask);
  bool WriteText(int mask);
  void DecodeLog();

  // Probe operations --------------------------------------------------------------------------
  bool OpenAdapter();
  bool DetectProbe();
  bool ReadStatus(bool readText);
  bool ClearProbe();
  bool StopMission();
  bool LaunchMission(bool test);
  bool SwitchOff();
  bool BeginReadData();
  bool ReadDataBlock();
  int ReadProgress() const;
  TDateTime ReadClock();
  void SetClock(TDateTime time);
  void SetStartNextMinute();

  // Fields ------------------------------------------------------------------------------------
  std::int32_t Version = 256;
  std::uint64_t SerialNumber = 0;
  std::string Name;
  std::string Comment;
  TDateTime CurrentClock = 0;
  bool MemoryClear = true;
  bool MissionInProgress = false;
  std::int32_t SampleRate = 10;
  bool RolloverEnable = false;
  TDateTime StartTime = 0;
  TDateTime MissionStart = 0;
  std::int32_t MissionSamples = 0;
  std::int32_t ReadSamples = 0;
  bool RolloverOccured = false;
  TDateTime DownloadTime = 0;
  std::int32_t SamplesTotal = 0;
  std::array<HistogramBin, kHistogramBins> Histogram;
  std::array<Sample, kLogSize> Samples{};
  bool Test = false;
  bool ProbeOff = false;
  std::unique_ptr<TTeLog> Adapter;
  std::int32_t LastError = 0;
  std::int32_t ReadPosition = 0;
  std::uint8_t StartDelaySeconds = 0;
  std::uint8_t StartDelayMinutes = 0;
  std::array<std::uint8_t, kLogSize> LogBuffer{};
  std::int32_t AdapterVersion = 0;

 private:
  bool ReadStatusForPrecondition();
  bool FailPrecondition();
  bool Control(std::uint8_t flags, std::uint8_t rate, std::uint8_t byte2, std::uint8_t byte3);
  bool ControlExchanges(bool& found);
};

// Status byte of register 3, and the same bit positions in the control command.
namespace probe_status {
inline constexpr std::uint8_t kMemoryClear = 0x01;
inline constexpr std::uint8_t kMissionInProgress = 0x02;
inline constexpr std::uint8_t kRolloverEnable = 0x04;
inline constexpr std::uint8_t kRolloverOccured = 0x08;
inline constexpr std::uint8_t kTest = 0x40;
inline constexpr std::uint8_t kProbeOff = 0x80;
}  // namespace probe_status

}  // namespace ombrix
