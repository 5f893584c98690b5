#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "Bytes.h"
#include "TeLog.h"
#include "VirtualTesting.h"

namespace ombrix::testing {
namespace {

// The program's side of the protocol against the virtual adapter: each checks the other.
class TeLogOnVirtualAdapterTest : public ::testing::Test {
 protected:
  VirtualRig rig;
  ScopedDriver scope{rig.bus};
  TTeLog link;

  void SetUp() override { ASSERT_TRUE(link.Connect()); }
};

TEST_F(TeLogOnVirtualAdapterTest, LinkChecksVersionPresenceAndControls) {
  EXPECT_EQ(link.SerialNumber, "OMX1");
  EXPECT_TRUE(link.Ping());
  EXPECT_EQ(link.GetVersion(), 0x21);
  EXPECT_TRUE(link.TestPresence());
  EXPECT_TRUE(link.ControlStart());
  EXPECT_TRUE(link.ControlStop());
  EXPECT_TRUE(link.ControlReset());
  EXPECT_FALSE(link.SendControl(0x77));
  EXPECT_EQ(link.Status, 4);
  rig.adapter.DetachProbe();
  EXPECT_FALSE(link.TestPresence());
  EXPECT_EQ(link.Status, 0);
  rig.adapter.SetVersion(0x10);
  EXPECT_EQ(link.GetVersion(), 0x10);
}

TEST_F(TeLogOnVirtualAdapterTest, CommandMailboxAndMemoryReads) {
  const std::uint64_t serial = VirtualProbe::MakeSerialNumber(0x4F, 0xBEEF);
  rig.probe->SetSerialNumber(serial);
  int code = 0;
  std::uint32_t value = 0;
  ASSERT_TRUE(link.PostCommand(1, 8000));
  ASSERT_TRUE(link.FetchResult(code, value));
  EXPECT_EQ(code, 1);
  EXPECT_EQ(value, 8000u);
  ASSERT_TRUE(link.ExecuteCommand(1));
  ASSERT_TRUE(link.FetchResult(code, value));
  EXPECT_EQ(code, 0x41);
  rig.probe->SetName("Van");
  std::uint8_t data[9] = {};
  ASSERT_TRUE(link.ReadData(data, 9));
  EXPECT_EQ(LittleEndian32(data) | std::uint64_t{LittleEndian32(data + 4)} << 32, serial);
  EXPECT_EQ(data[8], 'V');
  code = 1;
  ASSERT_TRUE(link.QueryResult(code, value));
  EXPECT_EQ(code, 0x41);
  EXPECT_EQ(value & 0xFFFF, 8009u);
  EXPECT_EQ(ByteOf(value, 2), static_cast<std::uint8_t>(~Crc8(data, 9)));

  // A value whose bytes and checksum are all 0x55 travels doubled and comes back whole.
  ASSERT_TRUE(link.PostCommand(0xC9, 0x55555555));
  ASSERT_TRUE(link.FetchResult(code, value));
  EXPECT_EQ(code, 0xC9);
  EXPECT_EQ(value, 0x55555555u);

  // Launch through the mailbox, then read the state back.
  ASSERT_TRUE(link.PostCommand(3, 0x02 | 15 << 8));
  ASSERT_TRUE(link.ExecuteCommand(3));
  code = 3;
  ASSERT_TRUE(link.QueryResult(code, value));
  EXPECT_EQ(code, 0x43);
  EXPECT_EQ(value, 0x0F02u);
  code = 7;
  ASSERT_TRUE(link.QueryResult(code, value));
  EXPECT_EQ(value, static_cast<std::uint32_t>(rig.Now() / 1000));
}

struct FaultCase {
  const char* name;
  Fault fault;
  std::function<bool(TTeLog&)> op;
  bool result;
  int status;
};

bool Fetch(TTeLog& l) {
  int code = 0;
  std::uint32_t value = 0;
  return l.FetchResult(code, value);
}

TEST_F(TeLogOnVirtualAdapterTest, EachFaultGivesItsStatus) {
  auto ping = [](TTeLog& l) { return l.Ping(); };
  auto query = [](TTeLog& l) {
    int code = 3;
    std::uint32_t value = 0;
    return l.QueryResult(code, value);
  };
  const FaultCase cases[] = {
      {"no answer", Fault::NoAnswer(), ping, false, 6},
      {"short reply", Fault::ShortReply(1), Fetch, false, 6},
      {"first byte of a frame", Fault::WrongFirstByte(),
       [](TTeLog& l) { return l.ExecuteCommand(1); }, false, 7},
      {"first byte of a ping", Fault::WrongFirstByte(), ping, false, 4},
      {"echoed code", Fault::WrongByte(3), [](TTeLog& l) { return l.PostCommand(1, 8000); }, false,
       8},
      {"fetch trailer", Fault::WrongByte(13, 0x00), Fetch, false, 4},
      {"fetch checksum", Fault::BadChecksum(), Fetch, false, 8},
      {"checksum of a query's fetch", Fault::BadChecksum(), query, false, 8},
      {"low version", Fault::LowVersion(), [](TTeLog& l) { return l.GetVersion() != 0; }, false, 4},
      {"one presence slot lost", Fault::PresenceDropout(1),
       [](TTeLog& l) { return l.TestPresence(); }, true, 0},
      {"two presence slots lost", Fault::PresenceDropout(2),
       [](TTeLog& l) { return l.TestPresence(); }, false, 0},
      {"reply after the time-out", Fault::LateReply(600), ping, false, 6},
      {"request cut short", Fault::CutRequest(1), ping, false, 6},
      {"request byte lost", Fault::LostBytes(1), Fetch, false, 6},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    rig.adapter.Faults().At(1, c.fault);
    EXPECT_EQ(c.op(link), c.result);
    EXPECT_EQ(link.Status, c.status);
    EXPECT_TRUE(rig.adapter.Faults().Empty());
    EXPECT_TRUE(c.op(link)) << "the fault struck once";
  }
}

TEST_F(TeLogOnVirtualAdapterTest, FaultsStrikeTheExchangesPlannedForThem) {
  // A lost request never reaches the mailbox.
  ASSERT_TRUE(link.PostCommand(1, 8000));
  rig.adapter.Faults().At(1, Fault::NoAnswer());
  EXPECT_FALSE(link.PostCommand(2, 5));
  EXPECT_EQ(rig.adapter.GetMailbox().code, 1);

  // The third exchange from now, twice; a checksum fault waits for a fetch.
  rig.adapter.Faults().At(3, Fault::NoAnswer(), 2);
  rig.adapter.Faults().At(1, Fault::BadChecksum());
  EXPECT_TRUE(link.Ping());
  EXPECT_FALSE(Fetch(link));
  EXPECT_FALSE(link.Ping());
  EXPECT_FALSE(link.Ping());
  EXPECT_TRUE(link.Ping());
  EXPECT_EQ(rig.adapter.Faults().Struck(), 4);

  // By chance: the same seed strikes the same exchanges, at about the rate asked for.
  auto pattern = [&](std::uint64_t seed) {
    rig.adapter.Faults().Clear();
    rig.adapter.Faults().Randomly(Fault::NoAnswer(), 0.25, seed);
    std::string hits;
    for (int i = 0; i < 400; ++i) hits += link.Ping() ? '.' : 'x';
    return hits;
  };
  const std::string first = pattern(42);
  EXPECT_EQ(pattern(42), first);
  EXPECT_NE(pattern(43), first);
  EXPECT_NEAR(std::count(first.begin(), first.end(), 'x'), 100, 35);
}

TEST_F(TeLogOnVirtualAdapterTest, AdapterUnpluggedMidDownload) {
  rig.adapter.Faults().UnplugAfter(2);
  std::uint8_t data[16];
  EXPECT_TRUE(link.ReadData(data, 16));
  EXPECT_TRUE(link.ReadData(data, 16));
  EXPECT_FALSE(link.ReadData(data, 16));
  EXPECT_EQ(link.Status, 5);
  EXPECT_FALSE(rig.bus.IsPlugged("OMX1"));
  link.Close();
  EXPECT_FALSE(link.Connect());
  EXPECT_EQ(link.Status, 2);
}

TEST(TeLogTimingTest, AnExchangeCostsItsBytesAndLatencyOnTheBusClock) {
  VirtualClock clock;
  VirtualBus bus{clock, LinkTiming::Hardware()};
  bus.AddAdapter("Ombrix adapter", "OMX1");
  ScopedDriver scope(bus);
  TTeLog link;
  ASSERT_TRUE(link.Connect());  // sets the latency timer to 1 ms
  const std::int64_t start = clock.MonotonicMilliseconds();
  ASSERT_TRUE(link.Ping());
  // 4 bytes of 10 bits at 9600 baud, one USB frame, 1 ms latency timer: 6.17 ms, rounded up.
  EXPECT_EQ(clock.MonotonicMilliseconds() - start, 7);
  bus.Adapter("OMX1")->Faults().At(1, Fault::NoAnswer());
  EXPECT_FALSE(link.Ping());
  EXPECT_EQ(clock.MonotonicMilliseconds() - start, 7 + 500);
}

}  // namespace
}  // namespace ombrix::testing
