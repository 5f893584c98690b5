// The adapter's replies are bytes from a USB device, which may be faulty, loose or someone else's
// gadget. This target runs the frame protocol's commands against a driver whose reads deliver the
// fuzz bytes, so every reply check sees arbitrary replies, short ones and failed calls. A command
// that reports success must leave Status 0 and must have had a reply the protocol accepts; one
// that fails must leave a non-zero Status that names the cause.
//
// The input is a run of steps. A step is one command byte, the command's arguments, then the
// bytes its reads deliver, taken as they are asked for:
//   bits 0..3  the command (modulo 9): Ping, GetVersion, TestPresence, SendControl <control>,
//              PostCommand <code> <value, 4 bytes>, FetchResult, ExecuteCommand <code>,
//              ReadData <count modulo 19>, QueryResult <code>
//   bit 4      the driver accepts one byte less than is written
//   bit 5      a cap follows: the step's reads deliver at most that many bytes, as a read that
//              timed out
//   bit 6      the driver's read call fails

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Bytes.h"
#include "FtdiDriver.h"
#include "FuzzCheck.h"
#include "TeLog.h"

namespace {

using ombrix::FtdiHandle;
using ombrix::FtdiTimeouts;
using ombrix::TTeLog;

using Bytes = std::vector<std::uint8_t>;

// The fuzz input, consumed from the front.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return size_ == 0; }
  std::uint8_t Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  std::size_t Take(std::uint8_t* out, std::size_t count) {
    count = std::min(count, size_);
    std::memcpy(out, data_, count);
    data_ += count;
    size_ -= count;
    return count;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// One adapter whose replies come from the input. It keeps each exchange's request and reply.
class ReplyDriver : public ombrix::FtdiDriver {
 public:
  explicit ReplyDriver(Input& input) : input_(input) {}

  struct Exchange {
    Bytes request;
    Bytes reply;
    bool full = false;  // the read delivered every byte asked for
  };
  std::vector<Exchange> exchanges;
  bool shortWrite = false;
  bool failRead = false;
  std::size_t cap = SIZE_MAX;  // bytes the reads may still deliver

  bool ListDeviceCount(std::uint32_t& count) override {
    count = 1;
    return true;
  }
  bool ListDescription(std::uint32_t, std::string& description) override {
    description = "Ombrix adapter";
    return true;
  }
  bool ListSerialNumber(std::uint32_t, std::string& serialNumber) override {
    serialNumber = "FZ000001";
    return true;
  }
  FtdiHandle OpenBySerialNumber(const std::string&) override { return kHandle; }
  bool GetTimeouts(FtdiHandle handle, FtdiTimeouts& timeouts) override {
    FUZZ_CHECK(handle == kHandle);
    timeouts = timeouts_;
    return true;
  }
  bool SetTimeouts(FtdiHandle handle, const FtdiTimeouts& timeouts) override {
    FUZZ_CHECK(handle == kHandle);
    timeouts_ = timeouts;
    return true;
  }
  bool Purge(FtdiHandle handle, std::uint32_t) override {
    FUZZ_CHECK(handle == kHandle);
    return true;
  }
  bool SetLatencyTimer(FtdiHandle handle, std::uint8_t) override {
    FUZZ_CHECK(handle == kHandle);
    return true;
  }
  bool Write(FtdiHandle handle, const std::uint8_t* buffer, std::uint32_t count,
             std::uint32_t& written) override {
    FUZZ_CHECK(handle == kHandle);
    exchanges.push_back({Bytes(buffer, buffer + count), {}, false});
    written = shortWrite && count > 0 ? count - 1 : count;
    return true;
  }
  bool Read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t count,
            std::uint32_t& read) override {
    FUZZ_CHECK(handle == kHandle);
    FUZZ_CHECK(!exchanges.empty() && exchanges.back().reply.empty());
    if (failRead) return false;
    const std::size_t wanted = std::min<std::size_t>(count, cap);
    read = static_cast<std::uint32_t>(input_.Take(buffer, wanted));
    cap -= std::min<std::size_t>(cap, read);
    exchanges.back().reply.assign(buffer, buffer + read);
    exchanges.back().full = read == count;
    return true;
  }
  bool QueueStatus(FtdiHandle handle, std::uint32_t& waiting) override {
    FUZZ_CHECK(handle == kHandle);
    waiting = 0;
    return true;
  }
  bool CloseHandle(FtdiHandle handle) override {
    FUZZ_CHECK(handle == kHandle);
    return true;
  }

 private:
  static constexpr FtdiHandle kHandle = 0x0F0F;
  Input& input_;
  FtdiTimeouts timeouts_{};
};

constexpr std::uint8_t kAck = 0x22;

// The reply of a complete exchange matches the pattern, with -1 for a byte the adapter chooses.
bool Matches(const ReplyDriver::Exchange& e, const std::vector<int>& pattern) {
  if (!e.full || e.reply.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] >= 0 && e.reply[i] != pattern[i]) return false;
  }
  return true;
}

// The status a failed exchange must leave when the transfer itself went wrong; 0 when the
// transfer went through and the reply's content decides.
int TransferStatus(const ReplyDriver& driver, std::size_t exchange) {
  if (driver.exchanges.size() <= exchange) return -1;  // never written
  if (driver.shortWrite) return 5;
  const ReplyDriver::Exchange& e = driver.exchanges[exchange];
  return e.full ? 0 : 6;
}

// A command that reports success leaves Status 0; a failed one names its cause: the transfer's
// fault when there was one, else a fault of the reply's content.
void CheckOutcome(const TTeLog& link, const ReplyDriver& driver, bool ok) {
  if (ok) {
    FUZZ_CHECK(link.Status == 0);
    FUZZ_CHECK(!driver.shortWrite && !driver.failRead);
    for (const auto& e : driver.exchanges) FUZZ_CHECK(e.full);
    return;
  }
  const std::size_t last = driver.exchanges.empty() ? 0 : driver.exchanges.size() - 1;
  const int transfer = TransferStatus(driver, last);
  if (transfer > 0) {
    FUZZ_CHECK(link.Status == transfer);
  } else {
    FUZZ_CHECK(link.Status == 4 || link.Status == 7 || link.Status == 8);
  }
}

std::uint8_t Code(Input& in) {
  const std::uint8_t code = in.Byte();
  return code == 0x55 ? 0x54 : code;  // the escape byte is no command code
}

// The FetchResult reply: frame, code, value, the complement of their CRC, trailer.
bool GoodFetchReply(const ReplyDriver::Exchange& e) {
  return Matches(e,
                 {kAck, kAck, 0x22, 0x55, kAck, 0x05, kAck, -1, -1, -1, -1, -1, -1, 0x55, kAck}) &&
         e.reply[12] == static_cast<std::uint8_t>(~ombrix::Crc8(e.reply.data() + 7, 5));
}

void RunStep(TTeLog& link, ReplyDriver& driver, Input& in) {
  const std::uint8_t op = in.Byte();
  driver.exchanges.clear();
  driver.shortWrite = (op & 0x10) != 0;
  driver.failRead = (op & 0x40) != 0;
  driver.cap = (op & 0x20) != 0 ? in.Byte() : SIZE_MAX;
  link.Status = -1;

  switch ((op & 0x0F) % 9) {
    case 0: {
      const bool ok = link.Ping();
      CheckOutcome(link, driver, ok);
      if (TransferStatus(driver, 0) == 0) {
        FUZZ_CHECK(ok == Matches(driver.exchanges[0], {kAck, kAck, 0x55, kAck}));
      }
      break;
    }
    case 1: {
      const int version = link.GetVersion();
      CheckOutcome(link, driver, version != 0);
      if (TransferStatus(driver, 0) == 0) {
        const auto& e = driver.exchanges[0];
        const int expected = e.reply[1] == kAck && e.reply[2] >= 0x10 ? e.reply[2] : 0;
        FUZZ_CHECK(version == expected);
      }
      break;
    }
    case 2: {
      const bool present = link.TestPresence();
      if (TransferStatus(driver, 0) == 0 && driver.exchanges[0].reply[1] == kAck) {
        // An answered presence test is no fault, whether or not a probe answered in it.
        const auto& r = driver.exchanges[0].reply;
        FUZZ_CHECK(link.Status == 0);
        FUZZ_CHECK(present == (std::count(r.begin() + 2, r.end(), kAck) >= 2));
      } else {
        CheckOutcome(link, driver, present);
        FUZZ_CHECK(!present);
      }
      break;
    }
    case 3: {
      const bool ok = link.SendControl(in.Byte());
      CheckOutcome(link, driver, ok);
      if (TransferStatus(driver, 0) == 0) {
        FUZZ_CHECK(ok == Matches(driver.exchanges[0], {-1, kAck, kAck}));
      }
      break;
    }
    case 4: {
      const std::uint8_t code = Code(in);
      std::uint8_t bytes[4];
      for (auto& b : bytes) b = in.Byte();
      const std::uint32_t value = ombrix::LittleEndian32(bytes);
      const bool ok = link.PostCommand(code, value);
      CheckOutcome(link, driver, ok);
      if (ok) {
        // The echo is the request with the start marker and the end code acknowledged.
        const auto& e = driver.exchanges[0];
        FUZZ_CHECK(e.reply[0] == kAck && e.reply[1] == kAck && e.reply[2] == 0x11 &&
                   e.reply[3] == code && e.reply.back() == kAck);
      }
      break;
    }
    case 5: {
      int code = -1;
      std::uint32_t value = 0;
      const bool ok = link.FetchResult(code, value);
      CheckOutcome(link, driver, ok);
      if (TransferStatus(driver, 0) == 0) {
        FUZZ_CHECK(ok == GoodFetchReply(driver.exchanges[0]));
      }
      if (ok) {
        const auto& r = driver.exchanges[0].reply;
        FUZZ_CHECK(code == r[7] && value == ombrix::LittleEndian32(r.data() + 8));
      }
      break;
    }
    case 6: {
      const std::uint8_t code = Code(in);
      const bool ok = link.ExecuteCommand(code);
      CheckOutcome(link, driver, ok);
      if (TransferStatus(driver, 0) == 0) {
        FUZZ_CHECK(ok == Matches(driver.exchanges[0], {kAck, kAck, 0x33, code, 0x55, kAck}));
      }
      break;
    }
    case 7: {
      const int count = in.Byte() % 19;
      std::uint8_t data[18] = {};
      const bool ok = link.ReadData(data, count);
      if (count == 0) {
        FUZZ_CHECK(ok && link.Status == 0 && driver.exchanges.empty());
        break;
      }
      CheckOutcome(link, driver, ok);
      if (TransferStatus(driver, 0) != 0) break;
      std::vector<int> pattern;
      for (int g = 0; g < count; ++g) {
        pattern.insert(pattern.end(), {kAck, kAck, 0x44, -1, 0x55, kAck, 0x0A});
      }
      FUZZ_CHECK(ok == Matches(driver.exchanges[0], pattern));
      for (int g = 0; ok && g < count; ++g) {
        FUZZ_CHECK(data[g] == driver.exchanges[0].reply[7 * g + 3]);
      }
      break;
    }
    case 8: {
      int code = Code(in);
      const int asked = code;
      std::uint32_t value = 0;
      const bool ok = link.QueryResult(code, value);
      CheckOutcome(link, driver, ok);
      if (TransferStatus(driver, 0) == 0) {
        const bool queried =
            Matches(driver.exchanges[0], {kAck, kAck, 0x66, asked, 0x55, kAck, 0x00});
        FUZZ_CHECK(queried == (driver.exchanges.size() == 2));
        if (queried && TransferStatus(driver, 1) == 0) {
          FUZZ_CHECK(ok == GoodFetchReply(driver.exchanges[1]));
        }
      }
      if (ok) FUZZ_CHECK(code == driver.exchanges[1].reply[7]);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  ReplyDriver driver(in);
  ombrix::ScopedDriver scope(driver);
  TTeLog link;
  FUZZ_CHECK(link.Connect());
  while (!in.Empty()) RunStep(link, driver, in);
  return 0;
}
