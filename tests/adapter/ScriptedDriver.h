#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "FtdiDriver.h"
#include "HexBytes.h"

namespace ombrix::testing {

// A driver that records every write and answers every read with the next scripted reply. It lists
// the devices it is given and keeps the time-out record per the last SetTimeouts call.
class ScriptedDriver : public FtdiDriver {
 public:
  struct Device {
    std::string description;
    std::string serialNumber;
  };

  std::vector<Device> devices;
  std::deque<Bytes> replies;  // one per Read; a shorter reply is a read that timed out
  std::vector<Bytes> writes;
  std::vector<std::string> calls;  // names of the driver calls in order
  FtdiTimeouts timeouts{1, 2, 3, 4, 5};
  std::uint32_t waiting = 0;  // what QueueStatus reports

  bool failCount = false;
  int failDescriptionAt = -1;
  bool failSerialNumber = false;
  bool failOpen = false;
  OpenFailure openFailure = OpenFailure::kOther;  // the reason a failed open gives
  bool failWrite = false;
  bool failRead = false;
  bool failQueueStatus = false;
  std::optional<std::uint32_t> writeAccepts;  // accept only this many bytes of a write
  int opened = 0;
  int closed = 0;
  std::string openedSerialNumber;
  int openedIndex = -1;

  bool ListDeviceCount(std::uint32_t& count) override;
  bool ListDescription(std::uint32_t index, std::string& description) override;
  bool ListSerialNumber(std::uint32_t index, std::string& serialNumber) override;
  FtdiHandle OpenBySerialNumber(const std::string& serialNumber) override;
  FtdiHandle OpenListed(std::uint32_t index) override;
  OpenFailure LastOpenFailure() const override {
    return failOpen ? openFailure : OpenFailure::kNone;
  }
  bool GetTimeouts(FtdiHandle handle, FtdiTimeouts& out) override;
  bool SetTimeouts(FtdiHandle handle, const FtdiTimeouts& in) override;
  bool Purge(FtdiHandle handle, std::uint32_t mask) override;
  bool SetLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) override;
  bool Write(FtdiHandle handle, const std::uint8_t* buffer, std::uint32_t count,
             std::uint32_t& written) override;
  bool Read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t count,
            std::uint32_t& read) override;
  bool QueueStatus(FtdiHandle handle, std::uint32_t& count) override;
  bool CloseHandle(FtdiHandle handle) override;

  std::uint32_t lastPurgeMask = 0;
  int lastLatency = -1;

 private:
  static constexpr FtdiHandle kHandle = 0x1234;
  void Check(FtdiHandle handle) const;
};

}  // namespace ombrix::testing
