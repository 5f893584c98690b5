#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Bytes.h"
#include "VirtualTesting.h"

namespace ombrix::testing {
namespace {

constexpr const char* kFetch = "FF AA 22 55 DD 05 AA FF FF FF FF FF FF 55 00";

class AdapterControllerTest : public ::testing::Test {
 protected:
  VirtualRig rig;
};

TEST_F(AdapterControllerTest, PostExecuteFetchGiveTheLiteralReplies) {
  EXPECT_EQ(rig.Send("FF AA 11 01 40 1F 00 00 C7 55 00"), "22 22 11 01 40 1F 00 00 C7 55 22");
  EXPECT_EQ(rig.adapter.GetMailbox().code, 0x01);
  EXPECT_EQ(rig.adapter.GetMailbox().value, 8000u);
  // Right after the post the mailbox returns it unfinished.
  EXPECT_EQ(rig.Send(kFetch), "22 22 22 55 22 05 22 01 40 1F 00 00 C7 55 22");
  EXPECT_EQ(rig.Send("FF AA 33 01 55 00"), "22 22 33 01 55 22");
  EXPECT_EQ(rig.Send(kFetch), "22 22 22 55 22 05 22 41 40 1F 00 00 2E 55 22");
  EXPECT_EQ(rig.probe->MemoryPointer(), 8000);
}

TEST_F(AdapterControllerTest, PostUnescapesDoubled55sAndEchoesThem) {
  // Value 0x55555555 with code C9: the checksum is 55 too, so every data byte comes doubled.
  const std::uint8_t posted[5] = {0xC9, 0x55, 0x55, 0x55, 0x55};
  ASSERT_EQ(static_cast<std::uint8_t>(~Crc8(posted, 5)), 0x55);
  const std::string request = "FF AA 11 C9 55 55 55 55 55 55 55 55 55 55 55 00";
  ASSERT_EQ(FromHex(request).size(), 16u);
  EXPECT_EQ(rig.Send(request), "22 22 11 C9 55 55 55 55 55 55 55 55 55 55 55 22");
  EXPECT_EQ(rig.adapter.GetMailbox().code, 0xC9);
  EXPECT_EQ(rig.adapter.GetMailbox().value, 0x55555555u);

  // One 0x55 in the value; the reply carries it doubled as well.
  const std::uint8_t mixed[5] = {0x02, 0x10, 0x55, 0x20, 0x30};
  const std::uint8_t k = static_cast<std::uint8_t>(~Crc8(mixed, 5));
  const std::string req = "FF AA 11 02 10 55 55 20 30 " + ToHex({k}) + " 55 00";
  EXPECT_EQ(rig.Send(req), "22 22 11 02 10 55 55 20 30 " + ToHex({k}) + " 55 22");
  EXPECT_EQ(rig.adapter.GetMailbox().value, 0x30205510u);
}

TEST_F(AdapterControllerTest, PostWithAWrongChecksumIsEchoedButNotStored) {
  rig.Send("FF AA 11 01 40 1F 00 00 C7 55 00");
  EXPECT_EQ(rig.Send("FF AA 11 02 40 1F 00 00 C7 55 00"), "22 22 11 02 40 1F 00 00 C7 55 22");
  EXPECT_EQ(rig.adapter.GetMailbox().code, 0x01);
}

TEST_F(AdapterControllerTest, ControlExchangesAndPing) {
  rig.adapter.SetVersion(0x21);
  EXPECT_EQ(rig.Send("00 AA 55 00"), "22 22 55 22");
  EXPECT_EQ(rig.Send("55 00 01"), "11 22 21");
  EXPECT_EQ(rig.Send("55 00 FF FF FF"), "11 22 22 22 22");
  EXPECT_EQ(rig.Send("55 00 44"), "11 22 22");
  EXPECT_EQ(rig.Send("55 00 33"), "11 22 22");
  EXPECT_EQ(rig.Send("55 00 77"), "11 22 00");
  rig.Send("FF AA 11 01 40 1F 00 00 C7 55 00");
  EXPECT_EQ(rig.Send("55 00 EE"), "11 22 22");
  EXPECT_EQ(rig.adapter.GetMailbox().code, 0) << "reset empties the mailbox";
  rig.adapter.DetachProbe();
  EXPECT_EQ(rig.Send("55 00 FF FF FF"), "11 22 00 00 00");
}

TEST_F(AdapterControllerTest, QuerySetsTheFinishedCodeAndRegisterValue) {
  EXPECT_EQ(rig.Send("FF AA 66 03 55 DD 00"), "22 22 66 03 55 22 00");
  const Bytes reply = FromHex(rig.Send(kFetch));
  EXPECT_EQ(reply[7], 0x43);
  EXPECT_EQ(LittleEndian32(&reply[8]), 0x0A01u) << "clear, rate 10";
  EXPECT_EQ(reply[12], static_cast<std::uint8_t>(~Crc8(&reply[7], 5)));

  // Without a probe nothing finishes.
  rig.adapter.DetachProbe();
  rig.Send("FF AA 66 03 55 DD 00");
  EXPECT_EQ(rig.adapter.GetMailbox().code, 0x03);
  rig.Send("FF AA 11 01 40 1F 00 00 C7 55 00");
  rig.Send("FF AA 33 01 55 00");
  EXPECT_EQ(rig.adapter.GetMailbox().code, 0x01);
}

TEST_F(AdapterControllerTest, ReadDataAdvancesThePointerAndRegister1ChecksIt) {
  const std::uint64_t serial = VirtualProbe::MakeSerialNumber(0x4F, 0x123456);
  rig.probe->SetSerialNumber(serial);
  rig.probe->SetName("Fridge");
  rig.Send("FF AA 11 01 40 1F 00 00 C7 55 00");
  rig.Send("FF AA 33 01 55 00");
  std::string request;
  for (int i = 0; i < 10; ++i) request += "FF AA 44 FF 55 DD 0A ";
  const Bytes reply = FromHex(rig.Send(request));
  ASSERT_EQ(reply.size(), 70u);
  Bytes data;
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(ToHex(Bytes(reply.begin() + 7 * i, reply.begin() + 7 * i + 3)), "22 22 44");
    EXPECT_EQ(ToHex(Bytes(reply.begin() + 7 * i + 4, reply.begin() + 7 * i + 7)), "55 22 0A");
    data.push_back(reply[7 * i + 3]);
  }
  EXPECT_EQ(LittleEndian32(&data[0]) | std::uint64_t{LittleEndian32(&data[4])} << 32, serial);
  EXPECT_EQ(ToHex({data[8], data[9]}), "46 72");

  rig.Send("FF AA 66 01 55 DD 00");
  const std::uint32_t value = rig.adapter.GetMailbox().value;
  EXPECT_EQ(value & 0xFFFF, 8010u);
  EXPECT_EQ(ByteOf(value, 2), static_cast<std::uint8_t>(~Crc8(data.data(), 10)));
  // Setting the pointer starts a new checksum.
  rig.Send("FF AA 11 01 40 1F 00 00 C7 55 00");
  rig.Send("FF AA 33 01 55 00");
  rig.Send("FF AA 66 01 55 DD 00");
  EXPECT_EQ(rig.adapter.GetMailbox().value, 8000u | 0xFFu << 16);
}

TEST_F(AdapterControllerTest, UnexpectedBytesAreAnsweredZeroUntilTheLineGoesQuiet) {
  EXPECT_EQ(rig.Send("FF AA 99 55 00"), "22 22 00 00 00");
  EXPECT_EQ(rig.Send("FF 01 FF AA 66"), "22 00 00 00 00");
  EXPECT_EQ(rig.Send("12"), "00");
  // A malformed escape in the post data: nothing is stored.
  EXPECT_EQ(rig.Send("FF AA 11 01 55 1F 00 00 C7 55 00"), "22 22 11 01 55 00 00 00 00 00 00");
  EXPECT_EQ(rig.adapter.GetMailbox().code, 0);
  // A frame cut off by the end of a transfer has no effect; the next exchange starts afresh.
  rig.Send("FF AA 11 01 40 1F 00 00 C7 55");
  EXPECT_EQ(rig.adapter.GetMailbox().code, 0);
  EXPECT_EQ(rig.Send("00 AA 55 00"), "22 22 55 22");
  // Execute names a code other than the mailbox's: nothing runs.
  rig.Send("FF AA 11 01 40 1F 00 00 C7 55 00");
  rig.Send("FF AA 33 02 55 00");
  EXPECT_EQ(rig.adapter.GetMailbox().code, 0x01);
  EXPECT_EQ(rig.probe->MemoryPointer(), 0);
}

TEST_F(AdapterControllerTest, FaultsCorruptTheReplyOnTheWire) {
  const struct {
    Fault fault;
    const char* request;
    const char* reply;
  } cases[] = {
      {Fault::NoAnswer(), "00 AA 55 00", ""},
      {Fault::ShortReply(2), "00 AA 55 00", "22 22"},
      {Fault::WrongByte(2, 0x99), "00 AA 55 00", "22 22 99 22"},
      {Fault::WrongFirstByte(), "FF AA 33 05 55 00", "DD 22 33 05 55 22"},
      {Fault::PresenceDropout(1), "55 00 FF FF FF", "11 22 00 22 22"},
      {Fault::LowVersion(), "55 00 01", "11 22 0F"},
      {Fault::BadChecksum(), kFetch, "22 22 22 55 22 05 22 00 00 00 00 00 FE 55 22"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    rig.adapter.Faults().At(1, c.fault);
    EXPECT_EQ(rig.Send(c.request), c.reply);
  }
  EXPECT_EQ(rig.adapter.Faults().Struck(), 7);
  EXPECT_EQ(rig.Send(kFetch), "22 22 22 55 22 05 22 00 00 00 00 00 FF 55 22");
}

TEST_F(AdapterControllerTest, RequestBytesLostOnTheWayGiveAShortReplyAndNoEffect) {
  const struct {
    Fault fault;
    const char* request;
    const char* reply;
  } cases[] = {
      {Fault::CutRequest(2), "FF AA 11 01 40 1F 00 00 C7 55 00", "22 22 11 01 40 1F 00 00 C7"},
      // Without its code the post's value slides up and its end code is a lone escape.
      {Fault::LostBytes(3), "FF AA 11 01 40 1F 00 00 C7 55 00", "22 22 11 40 1F 00 00 C7 55 00"},
      // The first of two ReadData groups lost whole: one data byte is read, not two.
      {Fault::LostBytes(0, 7), "FF AA 44 FF 55 DD 0A FF AA 44 FF 55 DD 0A", "22 22 44 FF 55 22 0A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    rig.adapter.Faults().At(1, c.fault);
    EXPECT_EQ(rig.Send(c.request), c.reply);
    EXPECT_EQ(rig.adapter.GetMailbox().code, 0);
  }
  EXPECT_EQ(rig.probe->MemoryPointer(), 1);
  EXPECT_EQ(rig.Send("00 AA 55 00"), "22 22 55 22") << "the next transfer starts afresh";
}

// A controller that keeps its parser state across transfers understands well-formed exchanges
// as one that resets, continues a frame the end of a transfer cut off, and falls back into step
// at the first request that begins after bytes it cannot place.
TEST_F(AdapterControllerTest, ParserThatKeepsItsStateAcrossTransfers) {
  rig.adapter.Faults().At(1, Fault::KeepFrame(), FaultPlan::kForever);
  const std::optional<Fault> none;
  const struct {
    const char* request;
    std::optional<Fault> fault;
    const char* reply;
  } steps[] = {
      {"55 00 FF FF FF", none, "11 22 22 22 22"},
      {"FF AA 66 03 55 DD 00", none, "22 22 66 03 55 22 00"},  // a frame after control codes
      {"55 00 33", none, "11 22 22"},
      {"00 AA 55 00", none, "22 22 55 22"},  // a ping after control codes
      // A post cut short stays open; the next transfer's bytes complete it.
      {"FF AA 11 01 40 1F 00 00 C7 55 00", Fault::CutRequest(2), "22 22 11 01 40 1F 00 00 C7"},
      {"55 00", none, "55 22"},
      // An execute cut short: the query's start marker does not fit it and opens the query.
      {"FF AA 33 01 55 00", Fault::CutRequest(2), "22 22 33 01"},
      {"FF AA 66 03 55 DD 00", none, "22 22 66 03 55 22 00"},
      // Bytes that open nothing are answered 0x00 until a request begins.
      {"12 34 AA", none, "00 00 00"},
      {"FF AA 66 05 55 DD 00", none, "22 22 66 05 55 22 00"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.request);
    if (step.fault) rig.adapter.Faults().At(1, *step.fault);
    EXPECT_EQ(rig.Send(step.request), step.reply);
    if (std::string(step.request) == "55 00") {
      EXPECT_EQ(rig.adapter.GetMailbox().code, 0x01);
      EXPECT_EQ(rig.adapter.GetMailbox().value, 8000u);
    }
  }
  EXPECT_EQ(rig.probe->MemoryPointer(), 0);
  EXPECT_EQ(rig.adapter.Stats().commands, 0u) << "the cut execute never ran";
  EXPECT_EQ(rig.adapter.Stats().queries, 3u);
}

TEST_F(AdapterControllerTest, ASlowCommandShowsFinishedOnlyAfterItsDelay) {
  rig.adapter.Faults().At(1, Fault::SlowCommand(300, 0x03));  // not this command
  rig.adapter.Faults().At(1, Fault::SlowCommand(300));
  rig.Send("FF AA 11 01 40 1F 00 00 C7 55 00");
  rig.Send("FF AA 33 01 55 00");
  EXPECT_EQ(rig.probe->MemoryPointer(), 8000) << "the probe has taken the command";
  const std::string running = "22 22 22 55 22 05 22 01 40 1F 00 00 C7 55 22";
  EXPECT_EQ(rig.Send(kFetch), running);
  // Busy: a query and a post change nothing.
  rig.Send("FF AA 66 03 55 DD 00");
  rig.Send("FF AA 11 02 40 1F 00 00 C7 55 00");
  rig.clock.Advance(299);
  EXPECT_EQ(rig.Send(kFetch), running);
  rig.clock.Advance(1);
  EXPECT_EQ(rig.Send(kFetch), "22 22 22 55 22 05 22 41 40 1F 00 00 2E 55 22");
  EXPECT_EQ(rig.adapter.Faults().Struck(), 1);
}

}  // namespace
}  // namespace ombrix::testing
