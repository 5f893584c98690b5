#include "TeLog.h"

#include "Bytes.h"
#include "ConsistencyError.h"

namespace ombrix {

namespace {

constexpr const char* kUnit = "TeLog";

constexpr std::uint8_t kAck = 0x22;
constexpr std::uint8_t kEscape = 0x55;
constexpr std::uint8_t kStart0 = 0xFF;
constexpr std::uint8_t kStart1 = 0xAA;
constexpr std::uint8_t kEnd = 0x00;        // after kEscape: end code
constexpr std::uint8_t kReplyCode = 0xDD;  // after kEscape: reply code
constexpr std::uint8_t kPlaceholder = 0xFF;

constexpr std::uint8_t kCmdPost = 0x11;
constexpr std::uint8_t kCmdFetch = 0x22;
constexpr std::uint8_t kCmdExecute = 0x33;
constexpr std::uint8_t kCmdReadData = 0x44;
constexpr std::uint8_t kCmdQuery = 0x66;

constexpr std::uint8_t kTrailerFetch = 0x05;
constexpr std::uint8_t kTrailerReadData = 0x0A;
constexpr std::uint8_t kTrailerQuery = 0x00;

constexpr std::uint8_t kControlVersion = 0x01;
constexpr std::uint8_t kControlPresenceSlot = 0xFF;

constexpr int kMaxReadData = 18;
constexpr int kReadDataGroup = 7;

// Walks a reply with a running position. The first wrong byte sets the link's Status and every
// later check fails too, so a chain of checks can be written as one && expression. A position at
// or past the reply's end never matches: a reply that is shifted by a surplus escape byte must not
// be checked against bytes that did not arrive.
class ReplyReader {
 public:
  ReplyReader(TTeLog& link, const std::uint8_t* reply, int length)
      : link_(link), reply_(reply), length_(length) {}

  bool Expect(std::uint8_t expected, int statusIfWrong) {
    if (pos_ >= length_ || reply_[pos_] != expected) return Fail(statusIfWrong);
    ++pos_;
    return true;
  }

  // Takes a byte as it stands (a placeholder's answer).
  bool Take(std::uint8_t& value, int statusIfMissing) {
    if (pos_ >= length_) return Fail(statusIfMissing);
    value = reply_[pos_++];
    return true;
  }

  // Takes an escaped data byte: one escape standing at the position is skipped first.
  bool TakeData(std::uint8_t& value, int statusIfMissing) {
    if (pos_ < length_ && reply_[pos_] == kEscape) ++pos_;
    return Take(value, statusIfMissing);
  }

  void Skip() { ++pos_; }

  bool Fail(int status) {
    link_.Status = status;
    return false;
  }

 private:
  TTeLog& link_;
  const std::uint8_t* reply_;
  int length_;
  int pos_ = 0;
};

void PutData(std::uint8_t* buffer, int& length, std::uint8_t value) {
  buffer[length++] = value;
  if (value == kEscape) buffer[length++] = kEscape;
}

}  // namespace

TTeLog::TTeLog() {
  Description = "Ombrix adapter";
}

void TTeLog::Crc8Update(std::uint8_t& crc, std::uint8_t data) {
  ombrix::Crc8Update(crc, data);
}

bool TTeLog::Connect() {
  if (!FindDevice()) return false;
  if (!Open()) return false;
  SetProtocolTimeouts();
  return true;
}

void TTeLog::SetProtocolTimeouts() {
  SetReadIntervalTimeout(0);
  SetReadTotalTimeoutConstant(500);
  SetWriteTotalTimeoutConstant(500);
}

bool TTeLog::Exchange(std::uint8_t* buffer, int length) {
  Purge();
  bool done = true;
  if (Write(buffer, length) != length) {
    Status = 5;
    done = false;
  } else if (Read(buffer, length) != length) {
    Status = 6;
    done = false;
  }
  if (AfterExchange) AfterExchange();
  return done;
}

bool TTeLog::Ping() {
  std::uint8_t buffer[4] = {0x00, kStart1, kEscape, kEnd};
  if (!Exchange(buffer, 4)) return false;
  ReplyReader reply(*this, buffer, 4);
  if (!(reply.Expect(kAck, 4) && reply.Expect(kAck, 4) && reply.Expect(kEscape, 4) &&
        reply.Expect(kAck, 4)))
    return false;
  Status = 0;
  return true;
}

int TTeLog::GetVersion() {
  std::uint8_t buffer[3] = {kEscape, kEnd, kControlVersion};
  if (!Exchange(buffer, 3)) return 0;
  ReplyReader reply(*this, buffer, 3);
  reply.Skip();
  if (!reply.Expect(kAck, 4)) return 0;
  const std::uint8_t version = buffer[2];
  if (version < 0x10) {
    Status = 4;
    return 0;
  }
  Status = 0;
  return version;
}

bool TTeLog::TestPresence() {
  std::uint8_t buffer[5] = {kEscape, kEnd, kControlPresenceSlot, kControlPresenceSlot,
                            kControlPresenceSlot};
  if (!Exchange(buffer, 5)) return false;
  ReplyReader reply(*this, buffer, 5);
  reply.Skip();
  if (!reply.Expect(kAck, 4)) return false;
  int acknowledged = 0;
  for (int slot = 2; slot < 5; ++slot) {
    if (buffer[slot] == kAck) ++acknowledged;
  }
  Status = 0;
  return acknowledged >= 2;
}

bool TTeLog::SendControl(std::uint8_t control) {
  std::uint8_t buffer[3] = {kEscape, kEnd, control};
  if (!Exchange(buffer, 3)) return false;
  ReplyReader reply(*this, buffer, 3);
  reply.Skip();
  if (!(reply.Expect(kAck, 4) && reply.Expect(kAck, 4))) return false;
  Status = 0;
  return true;
}

bool TTeLog::PostCommand(int code, std::uint32_t value) {
  const auto codeByte = static_cast<std::uint8_t>(code);
  if (codeByte == kEscape) FailCheck(kUnit, 365);

  std::uint8_t crc = 0;
  Crc8Update(crc, codeByte);
  for (int i = 0; i < 4; ++i) Crc8Update(crc, ByteOf(value, i));
  const auto check = static_cast<std::uint8_t>(~crc);

  std::uint8_t buffer[16] = {};
  int length = 0;
  buffer[length++] = kStart0;
  buffer[length++] = kStart1;
  buffer[length++] = kCmdPost;
  buffer[length++] = codeByte;
  for (int i = 0; i < 4; ++i) PutData(buffer, length, ByteOf(value, i));
  PutData(buffer, length, check);
  buffer[length++] = kEscape;
  buffer[length++] = kEnd;

  if (!Exchange(buffer, length)) return false;
  ReplyReader reply(*this, buffer, length);
  if (!(reply.Expect(kAck, 7) && reply.Expect(kAck, 4) && reply.Expect(kCmdPost, 8) &&
        reply.Expect(codeByte, 8)))
    return false;
  std::uint8_t echoed[4];
  for (auto& byte : echoed) {
    if (!reply.TakeData(byte, 8)) return false;
  }
  if (LittleEndian32(echoed) != value) return reply.Fail(8);
  std::uint8_t echoedCheck = 0;
  if (!(reply.TakeData(echoedCheck, 8))) return false;
  if (echoedCheck != check) return reply.Fail(8);
  if (!(reply.Expect(kEscape, 4) && reply.Expect(kAck, 4))) return false;
  Status = 0;
  return true;
}

bool TTeLog::FetchResult(int& code, std::uint32_t& value) {
  std::uint8_t buffer[15] = {kStart0,       kStart1,      kCmdFetch,    kEscape,      kReplyCode,
                             kTrailerFetch, kStart1,      kPlaceholder, kPlaceholder, kPlaceholder,
                             kPlaceholder,  kPlaceholder, kPlaceholder, kEscape,      kEnd};
  if (!Exchange(buffer, 15)) return false;
  ReplyReader reply(*this, buffer, 15);
  if (!(reply.Expect(kAck, 7) && reply.Expect(kAck, 4) && reply.Expect(kCmdFetch, 8) &&
        reply.Expect(kEscape, 4) && reply.Expect(kAck, 4) && reply.Expect(kTrailerFetch, 4) &&
        reply.Expect(kAck, 4)))
    return false;

  // Code and value are handed out before the checksum is tested; callers use them on success only.
  code = buffer[7];
  value = LittleEndian32(buffer + 8);
  std::uint8_t crc = 0;
  for (int i = 7; i < 12; ++i) Crc8Update(crc, buffer[i]);
  for (int i = 0; i < 5; ++i) reply.Skip();
  if (!(reply.Expect(static_cast<std::uint8_t>(~crc), 8) && reply.Expect(kEscape, 4) &&
        reply.Expect(kAck, 4)))
    return false;
  Status = 0;
  return true;
}

bool TTeLog::ExecuteCommand(int code) {
  const auto codeByte = static_cast<std::uint8_t>(code);
  if (codeByte == kEscape) FailCheck(kUnit, 572);

  std::uint8_t buffer[6] = {kStart0, kStart1, kCmdExecute, codeByte, kEscape, kEnd};
  if (!Exchange(buffer, 6)) return false;
  ReplyReader reply(*this, buffer, 6);
  if (!(reply.Expect(kAck, 7) && reply.Expect(kAck, 4) && reply.Expect(kCmdExecute, 8) &&
        reply.Expect(codeByte, 8) && reply.Expect(kEscape, 4) && reply.Expect(kAck, 4)))
    return false;
  Status = 0;
  return true;
}

bool TTeLog::ReadData(std::uint8_t* data, int count) {
  if (count < 0 || count > kMaxReadData) FailCheck(kUnit, 703);

  std::uint8_t buffer[128];
  static_assert(kMaxReadData * kReadDataGroup <= sizeof buffer);
  const int length = count * kReadDataGroup;
  for (int group = 0; group < count; ++group) {
    std::uint8_t* request = buffer + group * kReadDataGroup;
    request[0] = kStart0;
    request[1] = kStart1;
    request[2] = kCmdReadData;
    request[3] = kPlaceholder;
    request[4] = kEscape;
    request[5] = kReplyCode;
    request[6] = kTrailerReadData;
  }
  if (length == 0) {
    Status = 0;
    return true;
  }
  if (!Exchange(buffer, length)) return false;

  ReplyReader reply(*this, buffer, length);
  for (int group = 0; group < count; ++group) {
    if (!(reply.Expect(kAck, 7) && reply.Expect(kAck, 4) && reply.Expect(kCmdReadData, 8)))
      return false;
    reply.Take(data[group], 4);
    if (!(reply.Expect(kEscape, 4) && reply.Expect(kAck, 4) && reply.Expect(kTrailerReadData, 4)))
      return false;
  }
  Status = 0;
  return true;
}

bool TTeLog::QueryResult(int& code, std::uint32_t& value) {
  const auto codeByte = static_cast<std::uint8_t>(code);
  if (codeByte == kEscape) FailCheck(kUnit, 777);

  std::uint8_t buffer[7] = {kStart0, kStart1,    kCmdQuery,    codeByte,
                            kEscape, kReplyCode, kTrailerQuery};
  if (!Exchange(buffer, 7)) return false;
  ReplyReader reply(*this, buffer, 7);
  if (!(reply.Expect(kAck, 7) && reply.Expect(kAck, 4) && reply.Expect(kCmdQuery, 8) &&
        reply.Expect(codeByte, 8) && reply.Expect(kEscape, 4) && reply.Expect(kAck, 4) &&
        reply.Expect(kTrailerQuery, 4)))
    return false;
  return FetchResult(code, value);
}

}  // namespace ombrix
