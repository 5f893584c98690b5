#pragma once

#include <cstdint>
#include <functional>

#include "Usb.h"

namespace ombrix {

// The program's side of the adapter's framed byte protocol. Every operation is one exchange: purge,
// write N request bytes, read N reply bytes (one per request byte), then check the reply in order
// and stop at the first wrong byte. Status (shared with TUsb) after a failed exchange:
//   4 a fixed reply byte is wrong (or the version is below 0x10)
//   5 the driver accepted fewer bytes than the request had
//   6 the adapter did not answer in full within the read time-out
//   7 the adapter did not acknowledge the start marker of a command frame
//   8 the adapter echoed a different command byte, code, value or checksum
// Nothing is retried here and the link is never closed here; both belong to the probe layer.
class TTeLog : public TUsb {
 public:
  static constexpr std::uint8_t kFinishedFlag = 0x40;

  TTeLog();

  bool Connect();
  void SetProtocolTimeouts();
  static void Crc8Update(std::uint8_t& crc, std::uint8_t data);

  bool Ping();
  int GetVersion();
  bool TestPresence();
  bool SendControl(std::uint8_t control);
  bool ControlStart() { return SendControl(0x44); }
  bool ControlStop() { return SendControl(0x33); }
  bool ControlReset() { return SendControl(0xEE); }

  bool PostCommand(int code, std::uint32_t value);
  bool FetchResult(int& code, std::uint32_t& value);
  bool ExecuteCommand(int code);
  bool ReadData(std::uint8_t* buffer, int count);
  bool QueryResult(int& code, std::uint32_t& value);

  // Called after every exchange, whatever its outcome, when set: lets a window stay painted and
  // show progress through operations made of many exchanges.
  std::function<void()> AfterExchange;

 private:
  bool Exchange(std::uint8_t* buffer, int length);
};

}  // namespace ombrix
