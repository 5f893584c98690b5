#include <gtest/gtest.h>

#include <functional>

#include "Bytes.h"
#include "ConsistencyError.h"
#include "ScriptedDriver.h"
#include "TeLog.h"

namespace ombrix::testing {
namespace {

class TeLogTest : public ::testing::Test {
 protected:
  ScriptedDriver driver;
  ScopedDriver scope{driver};
  TTeLog link;

  void SetUp() override {
    driver.devices = {{"USB Serial", "X1"}, {"Ombrix adapter", "A1"}};
    ASSERT_TRUE(link.Connect());
    driver.calls.clear();
    driver.writes.clear();
  }

  // Queues the replies, runs the operation and returns what it wrote, one entry per write.
  std::vector<std::string> Run(const std::function<void()>& op, std::vector<Bytes> replies) {
    driver.writes.clear();
    driver.replies.assign(replies.begin(), replies.end());
    op();
    std::vector<std::string> written;
    for (const Bytes& w : driver.writes) written.push_back(ToHex(w));
    return written;
  }
};

// One operation with the replies that it accepts and, for each checked reply position, the status
// that a wrong byte there gives. Positions count through the replies one after another.
struct FrameCase {
  std::string name;
  std::function<bool(TTeLog&)> op;
  std::vector<std::string> requests;
  std::vector<std::string> replies;
  std::vector<std::pair<int, int>> checks;  // position -> status when wrong
};

std::vector<FrameCase> FrameCases() {
  auto q = [](int c) {
    return [c](TTeLog& l) {
      int code = c;
      std::uint32_t value = 0;
      return l.QueryResult(code, value);
    };
  };
  return {
      {"Ping",
       [](TTeLog& l) { return l.Ping(); },
       {"00 AA 55 00"},
       {"22 22 55 22"},
       {{0, 4}, {1, 4}, {2, 4}, {3, 4}}},
      {"GetVersion",
       [](TTeLog& l) { return l.GetVersion() == 0x21; },
       {"55 00 01"},
       {"11 22 21"},
       {{1, 4}}},
      {"TestPresence",
       [](TTeLog& l) { return l.TestPresence(); },
       {"55 00 FF FF FF"},
       {"11 22 22 22 22"},
       {{1, 4}}},
      {"ControlStart",
       [](TTeLog& l) { return l.ControlStart(); },
       {"55 00 44"},
       {"11 22 22"},
       {{1, 4}, {2, 4}}},
      {"ControlStop",
       [](TTeLog& l) { return l.ControlStop(); },
       {"55 00 33"},
       {"11 22 22"},
       {{1, 4}, {2, 4}}},
      {"ControlReset",
       [](TTeLog& l) { return l.ControlReset(); },
       {"55 00 EE"},
       {"11 22 22"},
       {{1, 4}, {2, 4}}},
      {"PostCommand",
       [](TTeLog& l) { return l.PostCommand(1, 8000); },
       {"FF AA 11 01 40 1F 00 00 C7 55 00"},
       {"22 22 11 01 40 1F 00 00 C7 55 22"},
       {{0, 7}, {1, 4}, {2, 8}, {3, 8}, {4, 8}, {5, 8}, {6, 8}, {7, 8}, {8, 8}, {9, 4}, {10, 4}}},
      {"FetchResult",
       [](TTeLog& l) {
         int c = 0;
         std::uint32_t v = 0;
         return l.FetchResult(c, v) && c == 0x41 && v == 8000;
       },
       {"FF AA 22 55 DD 05 AA FF FF FF FF FF FF 55 00"},
       {"22 22 22 55 22 05 22 41 40 1F 00 00 2E 55 22"},
       {{0, 7},
        {1, 4},
        {2, 8},
        {3, 4},
        {4, 4},
        {5, 4},
        {6, 4},
        {7, 8},
        {8, 8},
        {9, 8},
        {10, 8},
        {11, 8},
        {12, 8},
        {13, 4},
        {14, 4}}},
      {"ExecuteCommand",
       [](TTeLog& l) { return l.ExecuteCommand(3); },
       {"FF AA 33 03 55 00"},
       {"22 22 33 03 55 22"},
       {{0, 7}, {1, 4}, {2, 8}, {3, 8}, {4, 4}, {5, 4}}},
      {"ReadData",
       [](TTeLog& l) {
         std::uint8_t d[2] = {};
         return l.ReadData(d, 2) && d[0] == 0x5A && d[1] == 0xA5;
       },
       {"FF AA 44 FF 55 DD 0A FF AA 44 FF 55 DD 0A"},
       {"22 22 44 5A 55 22 0A 22 22 44 A5 55 22 0A"},
       {{0, 7},
        {1, 4},
        {2, 8},
        {4, 4},
        {5, 4},
        {6, 4},
        {7, 7},
        {8, 4},
        {9, 8},
        {11, 4},
        {12, 4},
        {13, 4}}},
      {"QueryResult",
       q(5),
       {"FF AA 66 05 55 DD 00", "FF AA 22 55 DD 05 AA FF FF FF FF FF FF 55 00"},
       {"22 22 66 05 55 22 00", "22 22 22 55 22 05 22 41 40 1F 00 00 2E 55 22"},
       {{0, 7},
        {1, 4},
        {2, 8},
        {3, 8},
        {4, 4},
        {5, 4},
        {6, 4},
        // the following FetchResult
        {7, 7},
        {8, 4},
        {9, 8},
        {16, 8},
        {19, 8},
        {20, 4},
        {21, 4}}},
  };
}

std::uint8_t WrongByte(std::uint8_t right) {
  std::uint8_t wrong = right ^ 0x01;
  return wrong == 0x55 ? static_cast<std::uint8_t>(right ^ 0x02) : wrong;
}

TEST_F(TeLogTest, EveryFrameIsWrittenAsTabledAndItsReplyAccepted) {
  for (const FrameCase& c : FrameCases()) {
    std::vector<Bytes> replies;
    for (const auto& r : c.replies) replies.push_back(FromHex(r));
    bool ok = false;
    driver.calls.clear();
    EXPECT_EQ(Run([&] { ok = c.op(link); }, replies), c.requests) << c.name;
    EXPECT_TRUE(ok) << c.name;
    EXPECT_EQ(link.Status, 0) << c.name;
    EXPECT_EQ(driver.calls.front(), "Purge") << c.name << ": every exchange starts with a purge";
  }
}

TEST_F(TeLogTest, AWrongByteAtEachCheckedPositionGivesItsStatus) {
  for (const FrameCase& c : FrameCases()) {
    for (const auto& [position, status] : c.checks) {
      std::vector<Bytes> replies;
      for (const auto& r : c.replies) replies.push_back(FromHex(r));
      int p = position;
      std::size_t which = 0;
      while (p >= static_cast<int>(replies[which].size()))
        p -= static_cast<int>(replies[which++].size());
      replies[which][p] = WrongByte(replies[which][p]);

      bool ok = true;
      Run([&] { ok = c.op(link); }, replies);
      EXPECT_FALSE(ok) << c.name << " position " << position;
      EXPECT_EQ(link.Status, status) << c.name << " position " << position;
    }
  }
}

TEST_F(TeLogTest, ShortWritesAndShortReadsFailEveryOperation) {
  for (const FrameCase& c : FrameCases()) {
    const Bytes first = FromHex(c.replies.front());
    bool ok = true;
    driver.writeAccepts = static_cast<std::uint32_t>(first.size() - 1);
    Run([&] { ok = c.op(link); }, {first});
    EXPECT_FALSE(ok) << c.name;
    EXPECT_EQ(link.Status, 5) << c.name;
    EXPECT_TRUE(driver.replies.size() == 1) << c.name << ": nothing read after a short write";

    driver.writeAccepts.reset();
    driver.failWrite = true;
    Run([&] { ok = c.op(link); }, {first});
    EXPECT_EQ(link.Status, 5) << c.name << ": a failed write";
    driver.failWrite = false;

    Run([&] { ok = c.op(link); }, {Bytes(first.begin(), first.end() - 1)});
    EXPECT_FALSE(ok) << c.name;
    EXPECT_EQ(link.Status, 6) << c.name;

    Run([&] { ok = c.op(link); }, {});
    EXPECT_EQ(link.Status, 6) << c.name << ": an adapter that answers nothing";
  }
}

TEST_F(TeLogTest, ConnectFindsOpensAndSetsTheProtocolTimeouts) {
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.DeviceIndex, 1);
  EXPECT_EQ(driver.timeouts, (FtdiTimeouts{0, 0, 500, 0, 500}));

  TTeLog other;
  EXPECT_EQ(other.Description, "Ombrix adapter");
  driver.devices.push_back({"Ombrix adapter", "A2"});
  EXPECT_FALSE(other.Connect());
  EXPECT_EQ(other.Status, 3);
  EXPECT_FALSE(other.IsOpen());
}

TEST_F(TeLogTest, PostCommandDoublesEveryEscapeByteInValueAndChecksum) {
  // All four value bytes 0x55: 15 bytes.
  const std::uint8_t k = static_cast<std::uint8_t>(
      ~Crc8(std::vector<std::uint8_t>{0x02, 0x55, 0x55, 0x55, 0x55}.data(), 5));
  ASSERT_NE(k, 0x55);
  Bytes request = FromHex("FF AA 11 02 55 55 55 55 55 55 55 55");
  request.push_back(k);
  request.push_back(0x55);
  request.push_back(0x00);
  Bytes reply = request;
  reply[0] = reply[1] = 0x22;
  reply.back() = 0x22;
  bool ok = false;
  EXPECT_EQ(Run([&] { ok = link.PostCommand(2, 0x55555555); }, {reply}),
            std::vector<std::string>{ToHex(request)});
  EXPECT_TRUE(ok);
  EXPECT_EQ(request.size(), 15u);

  // Code 0xC9 with the same value has the checksum 0x55 as well: 16 bytes.
  Bytes request16 = FromHex("FF AA 11 C9 55 55 55 55 55 55 55 55 55 55 55 00");
  Bytes reply16 = FromHex("22 22 11 C9 55 55 55 55 55 55 55 55 55 55 55 22");
  EXPECT_EQ(Run([&] { ok = link.PostCommand(0xC9, 0x55555555); }, {reply16}),
            std::vector<std::string>{ToHex(request16)});
  EXPECT_TRUE(ok);

  // An adapter that echoes the value without doubling is refused as a wrong echo.
  Bytes undoubled = FromHex("22 22 11 C9 55 55 55 55 55 55 22 00 00 00 00 00");
  Run([&] { ok = link.PostCommand(0xC9, 0x55555555); }, {undoubled});
  EXPECT_FALSE(ok);
  EXPECT_EQ(link.Status, 8);
}

TEST_F(TeLogTest, ReplyShiftedBySurplusEscapesNeverReadsPastItsEnd) {
  // 11-byte request; the adapter inserts escapes so that the trailer would lie beyond the reply.
  bool ok = true;
  Run([&] { ok = link.PostCommand(1, 8000); }, {FromHex("22 22 11 01 55 40 1F 00 00 C7 55")});
  EXPECT_FALSE(ok);
  EXPECT_EQ(link.Status, 4);
}

TEST_F(TeLogTest, FetchResultHandsOutCodeAndValueEvenWithABadChecksum) {
  int code = 0;
  std::uint32_t value = 0;
  bool ok = true;
  Run([&] { ok = link.FetchResult(code, value); },
      {FromHex("22 22 22 55 22 05 22 43 10 00 00 00 00 55 22")});
  EXPECT_FALSE(ok);
  EXPECT_EQ(link.Status, 8);
  EXPECT_EQ(code, 0x43);
  EXPECT_EQ(value, 0x10u);
}

TEST_F(TeLogTest, PresenceNeedsTwoOfThreeSlots) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"11 22 22 22 22", true},  {"11 22 22 00 22", true},  {"11 22 00 22 22", true},
      {"11 22 22 00 00", false}, {"11 22 00 00 00", false}, {"11 22 FF 22 FF", false}};
  for (const auto& [reply, present] : cases) {
    bool result = !present;
    Run([&] { result = link.TestPresence(); }, {FromHex(reply)});
    EXPECT_EQ(result, present) << reply;
    EXPECT_EQ(link.Status, 0) << reply << ": an answered presence test is not a fault";
  }
}

TEST_F(TeLogTest, VersionBelowOnePointZeroIsRefused) {
  int version = -1;
  Run([&] { version = link.GetVersion(); }, {FromHex("11 22 0F")});
  EXPECT_EQ(version, 0);
  EXPECT_EQ(link.Status, 4);
  Run([&] { version = link.GetVersion(); }, {FromHex("00 22 10")});
  EXPECT_EQ(version, 0x10) << "the answer to the leading escape is not examined";
  EXPECT_EQ(link.Status, 0);
  Run([&] { version = link.GetVersion(); }, {FromHex("11 22 FF")});
  EXPECT_EQ(version, 255);
}

TEST_F(TeLogTest, ReadDataPacksUpToEighteenGroupsIntoOneExchange) {
  std::uint8_t data[19] = {};
  EXPECT_TRUE(link.ReadData(data, 0));
  EXPECT_EQ(link.Status, 0);
  EXPECT_TRUE(driver.writes.empty()) << "reading nothing sends nothing";

  Bytes reply;
  for (int i = 0; i < 18; ++i) {
    for (std::uint8_t b : FromHex("22 22 44 00 55 22 0A")) reply.push_back(b);
    reply[reply.size() - 4] = static_cast<std::uint8_t>(0x50 + i);
  }
  bool ok = false;
  auto written = Run([&] { ok = link.ReadData(data, 18); }, {reply});
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(driver.writes[0].size(), 126u);
  EXPECT_TRUE(ok);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(data[i], 0x50 + i);

  EXPECT_THROW(link.ReadData(data, 19), ConsistencyError);
  try {
    link.ReadData(data, 19);
  } catch (const ConsistencyError& e) {
    EXPECT_STREQ(e.what(), "Error on file TeLog line 703");
  }
}

TEST_F(TeLogTest, ReadDataStoresGroupsThatPassedBeforeAFault) {
  std::uint8_t data[2] = {0, 0};
  bool ok = true;
  Run([&] { ok = link.ReadData(data, 2); }, {FromHex("22 22 44 7E 55 22 0A 22 22 45 A5 55 22 0A")});
  EXPECT_FALSE(ok);
  EXPECT_EQ(link.Status, 8);
  EXPECT_EQ(data[0], 0x7E);
  EXPECT_EQ(data[1], 0x00);
}

TEST_F(TeLogTest, QueryResultReturnsTheFetchedCodeOrTheFetchFault) {
  int code = 5;
  std::uint32_t value = 0;
  bool ok = false;
  Run([&] { ok = link.QueryResult(code, value); },
      {FromHex("22 22 66 05 55 22 00"), FromHex("22 22 22 55 22 05 22 41 40 1F 00 00 2E 55 22")});
  EXPECT_TRUE(ok);
  EXPECT_EQ(code, 0x41);
  EXPECT_EQ(value, 8000u);

  code = 5;
  Run([&] { ok = link.QueryResult(code, value); },
      {FromHex("22 22 66 05 55 22 00"), FromHex("22 22 22 55 22 05 22 45 40 1F 00 00 2E 55 22")});
  EXPECT_FALSE(ok);
  EXPECT_EQ(link.Status, 8) << "the checksum fault of the fetch";
}

TEST_F(TeLogTest, CodeEscapeIsNeverSent) {
  const std::vector<std::pair<int, std::function<void()>>> misuses = {
      {365, [&] { link.PostCommand(0x55, 1); }},
      {572, [&] { link.ExecuteCommand(0x55); }},
      {777,
       [&] {
         int code = 0x55;
         std::uint32_t value;
         link.QueryResult(code, value);
       }},
  };
  for (const auto& [line, misuse] : misuses) {
    try {
      misuse();
      ADD_FAILURE() << "no error for line " << line;
    } catch (const ConsistencyError& e) {
      EXPECT_EQ(std::string(e.what()), "Error on file TeLog line " + std::to_string(line));
    }
  }
  EXPECT_TRUE(driver.writes.empty());
}

TEST(Crc8, KnownVectors) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc8(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0xA1);
  std::uint8_t crc = 0;
  for (std::uint8_t b : FromHex("01 40 1F 00 00")) TTeLog::Crc8Update(crc, b);
  EXPECT_EQ(crc, 0x38);
  EXPECT_EQ(static_cast<std::uint8_t>(~crc), 0xC7);
}

}  // namespace
}  // namespace ombrix::testing
