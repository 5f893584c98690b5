#pragma once

#include "FtdiDriver.h"

namespace ombrix {

// Real adapters through libftdi1. (Being written: placeholder that finds no device.)
class LibFtdiDriver : public FtdiDriver {
 public:
  bool ListDeviceCount(std::uint32_t& count) override { count = 0; return true; }
  bool ListDescription(std::uint32_t, std::string&) override { return false; }
  bool ListSerialNumber(std::uint32_t, std::string&) override { return false; }
  FtdiHandle OpenBySerialNumber(const std::string&) override { return kInvalidFtdiHandle; }
  bool GetTimeouts(FtdiHandle, FtdiTimeouts&) override { return false; }
  bool SetTimeouts(FtdiHandle, const FtdiTimeouts&) override { return false; }
  bool Purge(FtdiHandle, std::uint32_t) override { return false; }
  bool SetLatencyTimer(FtdiHandle, std::uint8_t) override { return false; }
  bool Write(FtdiHandle, const std::uint8_t*, std::uint32_t, std::uint32_t&) override { return false; }
  bool Read(FtdiHandle, std::uint8_t*, std::uint32_t, std::uint32_t&) override { return false; }
  bool QueueStatus(FtdiHandle, std::uint32_t&) override { return false; }
  bool CloseHandle(FtdiHandle) override { return false; }
};

}  // namespace ombrix
