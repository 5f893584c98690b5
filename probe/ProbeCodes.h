#pragma once

#include <cstdint>

namespace ombrix {

// The code every probe operation leaves in TProbe::LastError.
enum ProbeError : std::int32_t {
  peNone = 0,
  peNoAdapter = 1,           // no adapter with the configured description is connected
  peMoreAdapters = 2,        // more than one matching adapter is connected
  peAdapterSilent = 3,       // the adapter does not answer; the link has been closed
  peNoProbe = 4,             // the adapter answers but no probe is attached
  peDataError = 5,           // a transfer failed, an echo or a checksum did not match
  peNotAllowed = 6,          // not allowed in the probe's present state
  peLinkClosed = 7,          // the adapter link is not open
  peMoreBlocks = 8,          // a data read is under way and more blocks remain
  peStartNotAfterClock = 9,  // the first sample time is not after the probe clock
  peStartTooFar = 10,        // the first sample time is more than 250 minutes ahead
  // A download met another probe, or another mission, than the one it began on: the serial
  // number or the mission counters read during or after it differ from those read before it.
  peProbeChanged = 11,
};

// What the window and the command line say for a code: the key of the window's message text
// where it has one (nullptr where it has none), and the text itself (the message text's own words
// where there is one).
struct ProbeErrorMessage {
  const char* key;
  const char* text;
};
ProbeErrorMessage MessageForError(std::int32_t lastError);

// The probe's registers (read with ReadRegister) and commands (WriteCommand).
namespace probe_register {
inline constexpr int kMemoryPointer = 1;  // pointer after the last read; complemented CRC in byte 2
inline constexpr int kClock = 2;
inline constexpr int kStatus = 3;  // byte 0 status bits, byte 1 sample rate
inline constexpr int kMissionSamples = 5;
inline constexpr int kMissionStart = 7;
inline constexpr int kStartDelay = 8;  // byte 2 minutes, byte 3 seconds
inline constexpr int kSamplesTotal = 9;
}  // namespace probe_register

namespace probe_command {
inline constexpr int kSetPointer = 1;
inline constexpr int kSetClock = 2;
inline constexpr int kControl = 3;
inline constexpr int kWriteByte = 4;
}  // namespace probe_command

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
