#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FtdiDriver.h"

namespace ombrix {

// The USB transport: finds the one adapter whose device description equals Description, opens
// that very device (Failure says why when that fails), and offers block writes and reads, a purge
// of both driver buffers and the driver's time-outs. Every operation leaves its outcome in Status:
//   0 succeeded; 1 begun and not completed (also after a successful FindDevice or Purge);
//   2 no device has the description; 3 more than one device has it.
// The frame protocol above uses 4 to 8 in the same field.
// The values of Status, named.
enum LinkStatus : std::int32_t {
  lsOk = 0,
  lsIncomplete = 1,     // begun and not completed
  lsNoDevice = 2,       // no device has the description
  lsMoreDevices = 3,    // more than one device has it
  lsWrongReply = 4,     // a fixed reply byte is wrong, or the version is too low
  lsShortWrite = 5,     // the driver accepted fewer bytes than the request had
  lsNoAnswer = 6,       // the adapter did not answer in full within the read time-out
  lsStartNotAcked = 7,  // the start marker of a command frame was not acknowledged
  lsWrongEcho = 8,      // a different command byte, code, value or checksum came back
};

class TUsb {
 public:
  // The USB serial numbers of the listed devices with the description, in list order; false
  // when the driver cannot list.
  static bool SerialNumbersOf(const std::string& description, std::vector<std::string>& serials);

  TUsb();
  ~TUsb();
  TUsb(const TUsb&) = delete;
  TUsb& operator=(const TUsb&) = delete;

  bool FindDevice();
  bool Open();
  void Close();
  bool IsOpen() const { return Handle != kInvalidFtdiHandle; }
  int Write(const std::uint8_t* buffer, int count);
  int Read(std::uint8_t* buffer, int count);
  void Purge();

  std::uint32_t GetReadIntervalTimeout();
  std::uint32_t GetReadTotalTimeoutMultiplier();
  std::uint32_t GetReadTotalTimeoutConstant();
  void SetReadIntervalTimeout(std::uint32_t value);
  void SetReadTotalTimeoutConstant(std::uint32_t value);
  void SetWriteTotalTimeoutConstant(std::uint32_t value);

  FtdiHandle Handle;
  std::string Description;
  // When set, FindDevice looks only at the device with this USB serial number (and the
  // description), so that one of several adapters is opened (a station's).
  std::string WantedSerialNumber;
  std::string SerialNumber;
  std::int32_t DeviceIndex;
  FtdiTimeouts Timeouts{};
  std::int32_t Status = 1;
  // Why the last Open failed; kNone after a successful one or a new FindDevice.
  OpenFailure Failure = OpenFailure::kNone;

 private:
  void RequireOpen(int line) const;
  void ReloadTimeouts();
  void StoreTimeouts();

  FtdiDriver* driver_ = nullptr;  // the driver that holds Handle
};

}  // namespace ombrix
