#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FtdiDriver.h"
#include "LibFtdiBackend.h"

namespace ombrix {

// Real adapters through libftdi1, with the behaviour FtdiDriver documents.
//
// libftdi1 has no time-outs of its own for a whole transfer and no query for waiting bytes, so
// this class keeps both per handle:
// - A read first takes what the handle's receive buffer holds, then polls the adapter until the
//   whole count has arrived or the total read time-out has passed. Both read totals 0 (with the
//   interval not 0xFFFFFFFF) means no limit: the read then ends only with the whole count or when
//   the adapter fails (unplugged). The interval between bytes is not timed. Each USB transfer is
//   bounded by what is left of the time-out, so the limit holds even for an adapter that stops
//   answering.
// - A write is handed over in packet-sized pieces until all is taken or the total write time-out
//   has passed; both write totals 0 again means no limit.
// - QueueStatus moves what has arrived into the receive buffer and reports its size.
//
// Several threads may each drive their own handles at once: every adapter has a libftdi1 context
// (and so a libusb context) of its own, and the listing, opening and closing, which share the
// backend's listing context, take turns under a lock. A listing (ListDeviceCount, then
// ListDescription and ListSerialNumber by index), SawInaccessibleDevice and LastOpenFailure are
// each thread's own.
class LibFtdiDriver : public FtdiDriver {
 public:
  LibFtdiDriver();
  explicit LibFtdiDriver(std::unique_ptr<LibFtdiBackend> backend);
  ~LibFtdiDriver() override;

  LibFtdiDriver(const LibFtdiDriver&) = delete;
  LibFtdiDriver& operator=(const LibFtdiDriver&) = delete;

  bool ListDeviceCount(std::uint32_t& count) override;
  bool ListDescription(std::uint32_t index, std::string& description) override;
  bool ListSerialNumber(std::uint32_t index, std::string& serialNumber) override;
  FtdiHandle OpenBySerialNumber(const std::string& serialNumber) override;
  FtdiHandle OpenListed(std::uint32_t index) override;
  bool GetTimeouts(FtdiHandle handle, FtdiTimeouts& timeouts) override;
  bool SetTimeouts(FtdiHandle handle, const FtdiTimeouts& timeouts) override;
  bool Purge(FtdiHandle handle, std::uint32_t mask) override;
  bool SetLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) override;
  bool Write(FtdiHandle handle, const std::uint8_t* buffer, std::uint32_t count,
             std::uint32_t& written) override;
  bool Read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t count,
            std::uint32_t& read) override;
  bool QueueStatus(FtdiHandle handle, std::uint32_t& waiting) override;
  bool CloseHandle(FtdiHandle handle) override;
  bool SawInaccessibleDevice() const override;
  OpenFailure LastOpenFailure() const override;
  bool ServesThreads() const override { return true; }

  // How long a read or write waits before asking the adapter again when nothing moved.
  static constexpr std::chrono::milliseconds kPollInterval{1};
  // Largest piece handed to the adapter at once: one full-speed USB packet, so a write that
  // times out has lost nothing of what was reported as written.
  static constexpr int kWritePiece = 64;
  // Bytes QueueStatus asks the adapter for at once, and most it keeps waiting.
  static constexpr int kReadChunk = 4096;
  static constexpr std::size_t kReceiveBufferLimit = 65536;

 private:
  struct OpenDevice {
    std::unique_ptr<FtdiDevice> device;
    FtdiTimeouts timeouts;
    std::vector<std::uint8_t> received;  // arrived, not yet read
  };

  // What each thread's calls left for it to ask.
  struct ThreadState {
    std::vector<FtdiDeviceInfo> listing;
    bool sawInaccessible = false;
    OpenFailure lastOpenFailure = OpenFailure::kNone;
  };
  // The calling thread's state; with mutex_ held.
  ThreadState& Mine();

  OpenDevice* Find(FtdiHandle handle);
  bool Receive(OpenDevice& open);
  std::uint32_t TakeReceived(OpenDevice& open, std::uint8_t* buffer, std::uint32_t count);
  FtdiHandle NextHandle();
  FtdiHandle OpenAt(std::size_t index);

  // Declared first so that it outlives the devices it opened.
  std::unique_ptr<LibFtdiBackend> backend_;
  mutable std::mutex mutex_;  // the backend's listing and opening, threads_, open_, lastHandle_
  std::map<std::thread::id, ThreadState> threads_;
  std::map<FtdiHandle, OpenDevice> open_;  // a device's node stays put while others come and go
  FtdiHandle lastHandle_ = 0;
};

}  // namespace ombrix
