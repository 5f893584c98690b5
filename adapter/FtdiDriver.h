#pragma once

#include <cstdint>
#include <string>

namespace ombrix {

// Why the last attempt to open an adapter failed, where the driver can tell.
enum class OpenFailure {
  kNone,
  kNoPermission,  // this user may not open the USB device
  kBusy,          // another program has the adapter open
  kKernelDriver,  // the kernel's serial driver holds it and could not be detached
  kVanished,      // the adapter went from the bus between listing and opening
  kOther,         // any other failure of the USB library
};

// A short reason for messages ("the adapter is in use by another program"), "" for kNone.
const char* OpenFailureText(OpenFailure failure);
// What the user can do about it, a sentence or two naming the help page where one helps.
const char* OpenFailureAdvice(OpenFailure failure);

// The driver's time-out record, in milliseconds, in the driver's own field order.
struct FtdiTimeouts {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;

  bool operator==(const FtdiTimeouts&) const = default;
};

using FtdiHandle = std::uint32_t;
inline constexpr FtdiHandle kInvalidFtdiHandle = 0xFFFFFFFFu;

inline constexpr std::uint32_t kPurgeTx = 4;
inline constexpr std::uint32_t kPurgeRx = 8;

// Longest texts the device list hands out, terminating zero included.
inline constexpr std::size_t kDescriptionBufferSize = 256;
inline constexpr std::size_t kSerialNumberBufferSize = 32;

// The eleven calls the USB transport makes into an FTDI driver, with the semantics of the vendor's
// D2XX library:
//
// - Devices are listed by index 0..count-1; each has a description and a serial number string
//   (longer strings are cut to the buffer sizes above, less the terminating zero).
// - A device is opened by its serial number; the result is a handle, or kInvalidFtdiHandle.
// - Read time-outs: with ReadIntervalTimeout 0xFFFFFFFF and both read totals 0 a read returns at
//   once with whatever has arrived (possibly nothing). Otherwise a read waits until the whole count
//   has arrived or the total read time-out (multiplier * count + constant, 0 = no limit) has
//   passed, and returns what it has: a partial count is success, not failure.
// - A write hands the bytes to the device and returns the count accepted within the total write
//   time-out.
// - Read and Write return false only when the call itself fails (bad handle, device gone).
// - QueueStatus reports the bytes waiting in the receive queue.
// - Purge discards what waits in the buffers named by the mask (kPurgeTx | kPurgeRx).
// - SetLatencyTimer is the one device setting the transport makes after opening.
class FtdiDriver {
 public:
  virtual ~FtdiDriver() = default;

  virtual bool ListDeviceCount(std::uint32_t& count) = 0;
  virtual bool ListDescription(std::uint32_t index, std::string& description) = 0;
  virtual bool ListSerialNumber(std::uint32_t index, std::string& serialNumber) = 0;
  virtual FtdiHandle OpenBySerialNumber(const std::string& serialNumber) = 0;
  // Opens that very device of the latest listing, whatever its serial number (even none). A
  // driver that cannot open by position opens by the device's listed serial number.
  virtual FtdiHandle OpenListed(std::uint32_t index);
  virtual bool GetTimeouts(FtdiHandle handle, FtdiTimeouts& timeouts) = 0;
  virtual bool SetTimeouts(FtdiHandle handle, const FtdiTimeouts& timeouts) = 0;
  virtual bool Purge(FtdiHandle handle, std::uint32_t mask) = 0;
  virtual bool SetLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) = 0;
  virtual bool Write(FtdiHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                     std::uint32_t& written) = 0;
  virtual bool Read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t count,
                    std::uint32_t& read) = 0;
  virtual bool QueueStatus(FtdiHandle handle, std::uint32_t& waiting) = 0;
  virtual bool CloseHandle(FtdiHandle handle) = 0;

  // True when the last listing saw an FTDI device that could not be opened for lack of
  // permission, so the window can tell the user how to grant access.
  virtual bool SawInaccessibleDevice() const { return false; }
  // True when several threads may each use their own open devices at the same time; otherwise
  // all calls must come from one thread at a time.
  virtual bool ServesThreads() const { return false; }
  // Why the latest OpenListed or OpenBySerialNumber failed (kNone after a success).
  virtual OpenFailure LastOpenFailure() const { return OpenFailure::kNone; }
};

// The process-wide driver that every TUsb uses. Until one is set, the real libftdi1 driver.
FtdiDriver& CurrentDriver();

// Replaces the current driver (nullptr restores the default) and returns the previous one. The
// caller keeps ownership and keeps the driver alive while it is current.
FtdiDriver* SetCurrentDriver(FtdiDriver* driver);

// Makes a driver current for a scope, then restores the one before.
class ScopedDriver {
 public:
  explicit ScopedDriver(FtdiDriver& driver) : previous_(SetCurrentDriver(&driver)) {}
  ~ScopedDriver() { SetCurrentDriver(previous_); }
  ScopedDriver(const ScopedDriver&) = delete;
  ScopedDriver& operator=(const ScopedDriver&) = delete;

 private:
  FtdiDriver* previous_;
};

}  // namespace ombrix
