#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ProbeCodes.h"
#include "ProbeRecord.h"
#include "TeLog.h"
#include "TimeConversion.h"

namespace ombrix {

// The live probe: the adapter link, the probe's status as last read from it (the inherited status
// fields), and the operations that read and program the probe. A completed download produces a
// TProbeRecord (TakeDownload); nothing here changes a record once it is taken. Every operation
// returns a bool and leaves a ProbeError code in LastError.
class TProbe : public TProbeStatus {
 public:
  static constexpr int kLogSize = TProbeRecord::kLogSize;
  static constexpr int kHistogramBins = TProbeRecord::kHistogramBins;
  static constexpr int kSerialAddress = 8000;
  static constexpr int kNameAddress = 8008;
  static constexpr int kNameSize = 32;
  static constexpr int kCommentAddress = 8040;
  static constexpr int kCommentSize = 152;
  // The log is read in blocks of this many bytes.
  static constexpr int kBlockSize = 16;

  TProbe();
  ~TProbe();
  TProbe(const TProbe&) = delete;
  TProbe& operator=(const TProbe&) = delete;

  // Link ------------------------------------------------------------------------------------
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
  // Reads the serial number of the probe on the adapter without taking it into the status.
  bool ReadSerialNumber(std::uint64_t& serial);

  // Probe operations --------------------------------------------------------------------------
  bool OpenAdapter();
  bool DetectProbe();
  bool ReadStatus(bool readText);
  bool ClearProbe();
  bool StopMission();
  bool LaunchMission(bool test);
  bool SwitchOff();
  // Where a download finds an earlier download of the same mission, once the status is read: the
  // held record of it, or nullptr. With one, only the log blocks written since it are read, after
  // the oldest block the probe still holds of it and its last block have been read again and
  // found equal byte for byte (bytes the probe has written since excepted); any difference,
  // counters that did not only grow, or a ring that has wrapped past what it holds, and the whole
  // log is read as without it.
  //
  // A download is one snapshot of the probe's memory: the serial number is read before the first
  // block, after any block that needed a retry and again at the end with the mission counters.
  // Another serial number or another mission fails the download (peProbeChanged). Samples the
  // probe wrote while its log was read are read again, and the record ends with the latest of
  // them, so that no sample ever carries another sample's value.
  using EarlierDownload = std::function<std::unique_ptr<TProbeRecord>(const TProbeStatus& status)>;
  bool BeginReadData(const EarlierDownload& earlier = {});
  bool ReadDataBlock();
  int ReadProgress() const;
  // Whether the download under way (or just completed) reads only what is new since an earlier
  // one; false when it reads the whole log.
  bool IncrementalDownload() const { return incremental_; }
  // The blocks read by the download under way or just completed.
  int DownloadBlocksRead() const { return blocksRead_; }
  // The record of the download that ReadDataBlock has just completed, decoded; nullptr when no
  // download has completed since the last BeginReadData (a failed or unfinished one never gives
  // a record). Taking it leaves none behind.
  std::unique_ptr<TProbeRecord> TakeDownload();
  TDateTime ReadClock();
  void SetClock(TDateTime time);
  // Sets the probe clock to an instant; the PC's time goes this way, so that the repeated autumn
  // hour is set as the instant it is. An instant beyond the probe's 32-bit clock is refused (6).
  void SetClockSeconds(std::int64_t seconds);
  // StartTime (and StartSeconds) = the next whole minute of the PC clock that exists in local
  // time.
  void SetStartNextMinute();

  // Fields beyond the status ----------------------------------------------------------------
  std::unique_ptr<TTeLog> Adapter;
  std::int32_t LastError = peNone;
  std::int32_t ReadPosition = 0;
  std::uint8_t StartDelaySeconds = 0;
  std::uint8_t StartDelayMinutes = 0;
  std::int32_t AdapterVersion = 0;
  // The probe clock as last read or set, in probe seconds (CurrentClock shows it).
  std::int64_t CurrentClockSeconds = 0;

 private:
  bool ReadStatusForPrecondition();
  bool FailPrecondition();
  bool Control(std::uint8_t flags, std::uint8_t rate, std::uint8_t byte2, std::uint8_t byte3);
  bool ControlExchanges(bool& found);
  // The first-sample instant a launch asks for: StartSeconds while StartTime still shows it,
  // otherwise StartTime read as local time.
  std::int64_t RequestedStartSeconds() const;

  // Plans an incremental read on `earlier`; false when it cannot be used.
  bool PlanIncremental(const TProbeRecord& earlier);
  void PlanWholeLog();
  // After a block that needed a retry: the probe on the adapter must still be the download's.
  bool SameProbeAfterRetry();
  // Once every planned block is read: the status again, which must be the same probe in the same
  // mission, with its counters grown at most; samples written meanwhile are planned to be read.
  bool CheckSnapshot();
  // Marks the addresses of mission samples [from, to) in `written`; false when that is the whole
  // ring.
  static bool MarkWritten(std::int64_t from, std::int64_t to, std::vector<bool>& written);

  // A block of the log to read: its first address and its length. The held bytes to compare
  // (from `earlier`) are marked in `compare`.
  struct PlannedBlock {
    int address = 0;
    int length = 0;
    std::uint32_t compare = 0;  // bit i: byte i must equal the earlier download's
  };

  // The download under way (from BeginReadData) and whether its last block has been read.
  std::unique_ptr<TProbeRecord> download_;
  bool downloadComplete_ = false;
  std::vector<PlannedBlock> plan_;
  std::size_t planned_ = 0;  // the next block of plan_ to read
  bool incremental_ = false;
  int blocksRead_ = 0;
  int snapshotRounds_ = 0;
  // Counts the memory reads that were tried again.
  int memoryRetries_ = 0;
};

}  // namespace ombrix
