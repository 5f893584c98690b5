#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FtdiDriver.h"

namespace ombrix {

// What one listing learnt about one attached adapter.
struct FtdiDeviceInfo {
  std::string description;
  std::string serialNumber;
  // False when the adapter's strings could not be read, usually because the user has no access
  // to the USB device node.
  bool accessible = true;
  // Where it sits on the USB bus, so that the very device of a listing can be opened again.
  std::uint8_t bus = 0;
  std::uint8_t address = 0;
};

// One opened adapter. Destroying it closes the adapter.
class FtdiDevice {
 public:
  virtual ~FtdiDevice() = default;

  // Copies up to `size` bytes that have arrived, asking the adapter once and waiting at most about
  // `timeout` for its answer; returns the count (0 when nothing has arrived) or a negative number
  // when the adapter has failed or gone.
  virtual int ReadData(std::uint8_t* buffer, int size, std::chrono::milliseconds timeout) = 0;

  // Hands up to `size` bytes to the adapter, waiting at most about `timeout`; returns the count
  // the adapter took (0 when it took nothing in time) or a negative number when it has failed.
  virtual int WriteData(const std::uint8_t* buffer, int size,
                        std::chrono::milliseconds timeout) = 0;

  // Empties the adapter's receive and/or transmit buffers.
  virtual bool Purge(bool receive, bool transmit) = 0;

  virtual bool SetLatencyTimer(std::uint8_t milliseconds) = 0;
};

// Everything LibFtdiDriver needs from the outside world: the USB library and the clock. The
// default one talks to libftdi1 and sleeps for real; tests put in a scripted one with a virtual
// clock.
class LibFtdiBackend {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~LibFtdiBackend() = default;

  // Lists the adapters attached now; false when the USB bus cannot be listed at all.
  virtual bool Enumerate(std::vector<FtdiDeviceInfo>& devices) = 0;

  // Opens the adapter at `index` of the latest Enumerate; nullptr, with the reason in `failure`,
  // when that fails.
  virtual std::unique_ptr<FtdiDevice> Open(std::size_t index, OpenFailure& failure) = 0;

  virtual Clock::time_point Now() = 0;
  virtual void Sleep(Clock::duration duration) = 0;
};

// The backend on top of libftdi1 and std::chrono::steady_clock.
std::unique_ptr<LibFtdiBackend> MakeLibFtdiBackend();

}  // namespace ombrix
