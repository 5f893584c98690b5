#include <gtest/gtest.h>

#include "VirtualTesting.h"

namespace ombrix::testing {
namespace {

constexpr FtdiTimeouts kBlocking{0, 0, 500, 0, 500};
constexpr FtdiTimeouts kNonBlocking{0xFFFFFFFFu, 0, 0, 0, 200};

class VirtualBusTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  VirtualBus bus{clock, LinkTiming::Hardware()};
  AdapterController& adapter = bus.AddAdapter("Ombrix adapter", "OMX1");

  void SetUp() override {
    bus.AddPlainDevice("USB Serial", "X1");
    adapter.AttachProbe(std::make_shared<VirtualProbe>());
  }
  FtdiHandle Open(const char* serial, const FtdiTimeouts& timeouts) {
    const FtdiHandle h = bus.OpenBySerialNumber(serial);
    EXPECT_NE(h, kInvalidFtdiHandle);
    bus.SetTimeouts(h, timeouts);
    return h;
  }
  void Write(FtdiHandle h, const std::string& hex) {
    const Bytes bytes = FromHex(hex);
    std::uint32_t written = 0;
    ASSERT_TRUE(bus.Write(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), written));
    ASSERT_EQ(written, bytes.size());
  }
  std::string Read(FtdiHandle h, std::uint32_t count) {
    Bytes bytes(count);
    std::uint32_t read = 0;
    EXPECT_TRUE(bus.Read(h, bytes.data(), count, read));
    bytes.resize(read);
    return ToHex(bytes);
  }
  std::uint32_t Waiting(FtdiHandle h) {
    std::uint32_t waiting = 0;
    EXPECT_TRUE(bus.QueueStatus(h, waiting));
    return waiting;
  }
};

// Ping's four bytes at 9600 baud 8N1, then the USB frame and the latency timer.
std::int64_t PingMicros(int latencyTimerMs) {
  return std::llround(4 * 10 * 1e6 / 9600) + 1000 + latencyTimerMs * 1000;
}

TEST_F(VirtualBusTest, BlockingReadWaitsForTheReplyOnTheLinkTiming) {
  const FtdiHandle h = Open("OMX1", kBlocking);
  const std::int64_t start = clock.MonotonicMilliseconds();
  Write(h, "00 AA 55 00");
  EXPECT_EQ(clock.MonotonicMilliseconds(), start) << "a write does not wait";
  EXPECT_EQ(Read(h, 4), "22 22 55 22");
  EXPECT_EQ(clock.MonotonicMilliseconds() - start, (PingMicros(16) + 999) / 1000);
  EXPECT_EQ(bus.LinkMicros("OMX1"), PingMicros(16));

  ASSERT_TRUE(bus.SetLatencyTimer(h, 1));
  const std::int64_t again = clock.MonotonicMilliseconds();
  Write(h, "00 AA 55 00");
  EXPECT_EQ(Read(h, 4), "22 22 55 22");
  EXPECT_EQ(clock.MonotonicMilliseconds() - again, (PingMicros(1) + 999) / 1000);

  // Faster timing divides every cost.
  bus.SetTiming(LinkTiming::Faster(4));
  const std::int64_t fast = clock.MonotonicMilliseconds();
  Write(h, "00 AA 55 00");
  Read(h, 4);
  EXPECT_EQ(clock.MonotonicMilliseconds() - fast, (PingMicros(1) / 4 + 999) / 1000);
}

TEST_F(VirtualBusTest, ReadTimesOutWithAPartialCount) {
  const FtdiHandle h = Open("OMX1", kBlocking);
  Write(h, "00 AA 55 00");
  const std::int64_t start = clock.MonotonicMilliseconds();
  EXPECT_EQ(Read(h, 6), "22 22 55 22");
  EXPECT_EQ(clock.MonotonicMilliseconds() - start, 500);
  // The multiplier counts per byte asked for.
  bus.SetTimeouts(h, {0, 10, 100, 0, 0});
  EXPECT_EQ(Read(h, 3), "");
  EXPECT_EQ(clock.MonotonicMilliseconds() - start, 500 + 130);
}

TEST_F(VirtualBusTest, NonBlockingReadQueueStatusAndPurge) {
  const FtdiHandle h = Open("OMX1", kNonBlocking);
  Write(h, "00 AA 55 00");
  EXPECT_EQ(Waiting(h), 0u);
  EXPECT_EQ(Read(h, 4), "") << "nothing has arrived yet";
  EXPECT_EQ(clock.MonotonicMilliseconds(), 0);
  clock.Advance(25);
  EXPECT_EQ(Waiting(h), 4u);
  EXPECT_EQ(Read(h, 2), "22 22");
  EXPECT_EQ(Waiting(h), 2u);
  EXPECT_TRUE(bus.Purge(h, kPurgeRx | kPurgeTx));
  EXPECT_EQ(Waiting(h), 0u);
  // A plain device swallows writes and never answers.
  const FtdiHandle plain = Open("X1", kBlocking);
  Write(plain, "00 AA 55 00");
  EXPECT_EQ(Read(plain, 4), "");
}

TEST_F(VirtualBusTest, ListingOpeningAndUnplugging) {
  std::uint32_t count = 0;
  std::string text;
  ASSERT_TRUE(bus.ListDeviceCount(count));
  EXPECT_EQ(count, 2u);
  ASSERT_TRUE(bus.ListDescription(1, text));
  EXPECT_EQ(text, "USB Serial");
  ASSERT_TRUE(bus.ListSerialNumber(0, text));
  EXPECT_EQ(text, "OMX1");
  EXPECT_FALSE(bus.ListDescription(2, text));
  EXPECT_EQ(bus.OpenBySerialNumber("nope"), kInvalidFtdiHandle);
  EXPECT_THROW(bus.AddPlainDevice("Other", "X1"), std::invalid_argument);

  const FtdiHandle h = Open("OMX1", kBlocking);
  EXPECT_EQ(bus.OpenBySerialNumber("OMX1"), kInvalidFtdiHandle) << "open once at a time";
  ASSERT_TRUE(bus.Unplug("OMX1"));
  ASSERT_TRUE(bus.ListDeviceCount(count));
  EXPECT_EQ(count, 1u);
  ASSERT_TRUE(bus.ListSerialNumber(0, text));
  EXPECT_EQ(text, "X1");
  std::uint8_t byte = 0;
  std::uint32_t n = 0;
  FtdiTimeouts timeouts;
  EXPECT_FALSE(bus.Write(h, &byte, 1, n));
  EXPECT_FALSE(bus.Read(h, &byte, 1, n));
  EXPECT_FALSE(bus.QueueStatus(h, n));
  EXPECT_FALSE(bus.Purge(h, kPurgeRx));
  EXPECT_FALSE(bus.GetTimeouts(h, timeouts));
  EXPECT_FALSE(bus.CloseHandle(h));
  EXPECT_EQ(bus.OpenBySerialNumber("OMX1"), kInvalidFtdiHandle);

  // Plugged in again it comes last in the list and opens afresh.
  ASSERT_TRUE(bus.Plug("OMX1"));
  ASSERT_TRUE(bus.ListSerialNumber(1, text));
  EXPECT_EQ(text, "OMX1");
  const FtdiHandle again = Open("OMX1", kBlocking);
  EXPECT_NE(again, h);
  EXPECT_TRUE(bus.CloseHandle(again));
  EXPECT_FALSE(bus.IsOpen("OMX1"));
}

// A reply held back past the read time-out is not lost: a purge drops it only once it has
// arrived, and otherwise it comes first in the next exchange's reply.
TEST_F(VirtualBusTest, ALateReplyLandsInTheNextExchange) {
  const FtdiHandle h = Open("OMX1", kBlocking);
  adapter.Faults().At(1, Fault::LateReply(600));
  const std::int64_t start = clock.MonotonicMilliseconds();
  Write(h, "00 AA 55 00");
  EXPECT_EQ(Read(h, 4), "");
  EXPECT_EQ(clock.MonotonicMilliseconds() - start, 500);
  ASSERT_TRUE(bus.Purge(h, kPurgeRx));  // before the late reply has arrived
  Write(h, "55 00 01");
  EXPECT_EQ(Read(h, 4), "22 22 55 22");
  EXPECT_EQ(clock.MonotonicMilliseconds() - start, (PingMicros(16) + 999) / 1000 + 600);
  EXPECT_EQ(Read(h, 3), "11 22 21") << "the version reply waits behind it";

  adapter.Faults().At(1, Fault::LateReply(600));
  Write(h, "00 AA 55 00");
  clock.Advance(700);
  ASSERT_TRUE(bus.Purge(h, kPurgeRx));
  EXPECT_EQ(Waiting(h), 0u) << "arrived before the purge, dropped by it";
}

TEST_F(VirtualBusTest, AnAdapterThatDropsOutComesBackWithANewHandle) {
  const FtdiHandle h = Open("OMX1", kBlocking);
  adapter.Faults().At(1, Fault::DropOut(2000));
  const Bytes ping = FromHex("00 AA 55 00");
  std::uint32_t n = 0;
  EXPECT_FALSE(bus.Write(h, ping.data(), 4, n));
  std::uint32_t count = 0;
  std::string serial;
  clock.Advance(1999);
  ASSERT_TRUE(bus.ListDeviceCount(count));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(bus.OpenBySerialNumber("OMX1"), kInvalidFtdiHandle);
  clock.Advance(1);
  ASSERT_TRUE(bus.ListDeviceCount(count));
  EXPECT_EQ(count, 2u);
  ASSERT_TRUE(bus.ListSerialNumber(1, serial));
  EXPECT_EQ(serial, "OMX1") << "listed after the devices that stayed";
  EXPECT_FALSE(bus.Write(h, ping.data(), 4, n)) << "the old handle stays dead";
  const FtdiHandle again = Open("OMX1", kBlocking);
  EXPECT_NE(again, h);
  Write(again, "00 AA 55 00");
  EXPECT_EQ(Read(again, 4), "22 22 55 22");
}

}  // namespace
}  // namespace ombrix::testing
