#include <vector>

#include "Bytes.h"
#include "Clock.h"
#include "ConsistencyError.h"
#include "Probe.h"

namespace ombrix {

namespace {

constexpr int kAttempts = 5;
// A command can take the probe a while (erasing the log for a clear, for one); the mailbox shows
// its code without the finished flag until then. It is polled this long at most, with this pause
// between polls, apart from the five attempts that exchanges which fail are allowed.
constexpr std::int64_t kCommandTimeMs = 3000;
constexpr int kCommandPollPauseMs = 20;
constexpr int kWriteBytePauseMs = 50;
constexpr int kStartNotAcknowledgedPauseMs = 100;

bool IsFinished(int returned, int code) {
  return (returned & TTeLog::kFinishedFlag) && (returned & ~TTeLog::kFinishedFlag) == code;
}

// An access that failed five times must not leave a code that reads as success: when the adapter's
// last exchange itself was accepted (the answers were wrong, not the link) or the closed link kept
// an old 0, the failure is a data error.
void EnsureFailureCode(std::int32_t& lastError) {
  if (lastError == peNone) lastError = peDataError;
}

}  // namespace

void TProbe::MapAdapterError() {
  switch (Adapter->Status) {
    case lsOk:
      LastError = peNone;
      break;
    case lsIncomplete:
    case lsWrongReply:
    case lsShortWrite:
      // The link is closed, so the code says so: a code left from an earlier operation would
      // report that operation's outcome for this one.
      Adapter->Close();
      LastError = peAdapterSilent;
      break;
    case lsNoDevice:
      LastError = peNoAdapter;
      break;
    case lsMoreDevices:
      LastError = peMoreAdapters;
      break;
    case lsNoAnswer:
    case lsWrongEcho:
      LastError = peDataError;
      break;
    case lsStartNotAcked:
      Pause(kStartNotAcknowledgedPauseMs);
      LastError = peDataError;
      break;
    default:
      FailSwitch("Probe", 268);
  }
}

bool TProbe::ReadRegister(int code, std::uint32_t& value) {
  if (!Adapter->IsOpen()) {
    LastError = peLinkClosed;
    return false;
  }
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    int returned = code;
    std::uint32_t result = 0;
    if (Adapter->QueryResult(returned, result) && IsFinished(returned, code)) {
      value = result;
      LastError = peNone;
      return true;
    }
  }
  MapAdapterError();
  EnsureFailureCode(LastError);
  return false;
}

bool TProbe::WriteCommand(int code, std::uint32_t value) {
  if (!Adapter->IsOpen()) {
    LastError = peLinkClosed;
    return false;
  }
  auto phase = [&](auto&& step) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      if (step()) return true;
    }
    MapAdapterError();
    EnsureFailureCode(LastError);
    return false;
  };
  int returned = 0;
  std::uint32_t result = 0;
  if (!phase([&] { return Adapter->PostCommand(code, value); })) return false;
  if (!phase([&] {
        return Adapter->FetchResult(returned, result) && returned == code && result == value;
      }))
    return false;
  if (!phase([&] { return Adapter->ExecuteCommand(code); })) return false;
  // Until the command has finished the mailbox holds its code without the flag: that is a
  // command still running, not a failed exchange, and is waited for up to kCommandTimeMs.
  const std::int64_t deadline = ombrix::CurrentClock().MonotonicMilliseconds() + kCommandTimeMs;
  int failed = 0;
  while (true) {
    if (Adapter->FetchResult(returned, result)) {
      if (IsFinished(returned, code)) break;
      if (returned == code) {
        if (ombrix::CurrentClock().MonotonicMilliseconds() >= deadline) {
          // The probe never reported the command done: a failure, whatever it did.
          LastError = peDataError;
          return false;
        }
        Pause(kCommandPollPauseMs);
        continue;
      }
    }
    if (++failed == kAttempts) {
      MapAdapterError();
      EnsureFailureCode(LastError);
      return false;
    }
  }
  LastError = peNone;
  return true;
}

bool TProbe::ReadMemory(int address, std::uint8_t* buffer, int length) {
  if (!Adapter->IsOpen()) {
    LastError = peLinkClosed;
    return false;
  }
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) ++memoryRetries_;
    if (!WriteCommand(probe_command::kSetPointer, static_cast<std::uint32_t>(address))) continue;
    if (!Adapter->ReadData(buffer, length)) {
      // The command before it succeeded and left 0; a failed transfer is a data error.
      LastError = peDataError;
      continue;
    }
    std::uint8_t crc = 0;
    for (int i = 0; i < length; ++i) TTeLog::Crc8Update(crc, buffer[i]);
    std::uint32_t reply = 0;
    if (!ReadRegister(probe_register::kMemoryPointer, reply)) continue;
    if (static_cast<int>(reply & 0xFFFF) != address + length) {
      LastError = peDataError;
      continue;
    }
    if (ByteOf(reply, 2) != static_cast<std::uint8_t>(crc ^ 0xFF)) {
      LastError = peDataError;
      continue;
    }
    LastError = peNone;
    return true;
  }
  return false;
}

bool TProbe::WriteMemory(int address, const std::uint8_t* data, int length) {
  for (int i = 0; i < length; ++i) {
    const int at = address + i;
    const std::uint32_t value = static_cast<std::uint32_t>(at & 0xFF) |
                                static_cast<std::uint32_t>((at >> 8) & 0xFF) << 8 |
                                static_cast<std::uint32_t>(data[i]) << 16;
    if (!WriteCommand(probe_command::kWriteByte, value)) return false;
    Pause(kWriteBytePauseMs);
  }
  std::vector<std::uint8_t> readBack(static_cast<std::size_t>(std::max(length, 0)));
  for (int offset = 0; offset < length; offset += 16) {
    const int chunk = std::min(16, length - offset);
    if (!ReadMemory(address + offset, readBack.data() + offset, chunk)) return false;
  }
  for (int i = 0; i < length; ++i) {
    if (readBack[i] != data[i]) {
      LastError = peDataError;
      return false;
    }
  }
  LastError = peNone;
  return true;
}

bool TProbe::ReadSerialNumber(std::uint64_t& serial) {
  std::uint8_t bytes[8];
  if (!ReadMemory(kSerialAddress, bytes, 8)) return false;
  serial = 0;
  for (int i = 7; i >= 0; --i) serial = serial << 8 | bytes[i];
  return true;
}

bool TProbe::ReadText(int mask) {
  if ((mask & 1) && !ReadSerialNumber(SerialNumber)) return false;
  if (mask & 2) {
    std::uint8_t bytes[kNameSize + 1] = {};
    if (!ReadMemory(kNameAddress, bytes, 16)) return false;
    if (!ReadMemory(kNameAddress + 16, bytes + 16, 16)) return false;
    bytes[kNameSize] = 0;
    Name = reinterpret_cast<const char*>(bytes);
  }
  if (mask & 4) {
    std::uint8_t bytes[kCommentSize + 1] = {};
    for (int offset = 0; offset < kCommentSize; offset += 16) {
      const int chunk = std::min(16, kCommentSize - offset);
      if (!ReadMemory(kCommentAddress + offset, bytes + offset, chunk)) return false;
      bool terminated = false;
      for (int i = 0; i < chunk; ++i) terminated = terminated || bytes[offset + i] == 0;
      if (terminated) break;
    }
    bytes[kCommentSize] = 0;
    Comment = reinterpret_cast<const char*>(bytes);
  }
  LastError = peNone;
  return true;
}

bool TProbe::WriteText(int mask) {
  if (mask & 1) {
    std::uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(SerialNumber >> (8 * i));
    bytes[7] = Crc8(bytes, 7);
    SerialNumber = (SerialNumber & 0x00FFFFFFFFFFFFFFull) | static_cast<std::uint64_t>(bytes[7])
                                                                << 56;
    if (!WriteMemory(kSerialAddress, bytes, 8)) return false;
  }
  if (mask & 2) {
    const int n = std::min(static_cast<int>(Name.size()) + 1, kNameSize);
    if (!WriteMemory(kNameAddress, reinterpret_cast<const std::uint8_t*>(Name.c_str()), n))
      return false;
  }
  if (mask & 4) {
    const int n = std::min(static_cast<int>(Comment.size()) + 1, kCommentSize);
    if (!WriteMemory(kCommentAddress, reinterpret_cast<const std::uint8_t*>(Comment.c_str()), n))
      return false;
  }
  return true;
}

}  // namespace ombrix
