#include "LibFtdiDriver.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>

#include "adapter/FakeLibFtdiBackend.h"

namespace ombrix::testing {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kNonBlocking = 0xFFFFFFFFu;

class LibFtdiDriverTest : public ::testing::Test {
 protected:
  // Plugs in one adapter, opens it and gives the handle these time-outs.
  FtdiHandle PlugAndOpen(const FtdiTimeouts& timeouts) {
    adapter_ = fake_.Plug("Probe adapter", "FT1");
    const FtdiHandle handle = driver_.OpenBySerialNumber("FT1");
    EXPECT_NE(handle, kInvalidFtdiHandle);
    EXPECT_TRUE(driver_.SetTimeouts(handle, timeouts));
    return handle;
  }

  Bytes Read(FtdiHandle handle, std::uint32_t count) {
    Bytes buffer(count);
    std::uint32_t read = 0;
    EXPECT_TRUE(driver_.Read(handle, buffer.data(), count, read));
    buffer.resize(read);
    return buffer;
  }

  std::uint32_t Waiting(FtdiHandle handle) {
    std::uint32_t waiting = 0;
    EXPECT_TRUE(driver_.QueueStatus(handle, waiting));
    return waiting;
  }

  std::unique_ptr<FakeBackend> owned_ = std::make_unique<FakeBackend>();
  FakeBackend& fake_ = *owned_;
  LibFtdiDriver driver_{std::move(owned_)};
  std::shared_ptr<FakeAdapter> adapter_;
};

TEST_F(LibFtdiDriverTest, ReadCollectsBurstsAndReturnsAsSoonAsTheCountIsComplete) {
  const FtdiHandle handle = PlugAndOpen({0, 0, 1000, 0, 0});
  adapter_->bursts = {{10ms, {1, 2}}, {50ms, {3}}, {200ms, {4, 5, 6}}};
  EXPECT_EQ(Read(handle, 6), (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_GE(fake_.Elapsed(), 200ms);
  EXPECT_LE(fake_.Elapsed(), 201ms);
}

TEST_F(LibFtdiDriverTest, ReadThatTimesOutSucceedsWithWhatArrived) {
  // 8 bytes at 10 ms each plus 100 ms: 180 ms.
  const FtdiHandle handle = PlugAndOpen({0, 10, 100, 0, 0});
  adapter_->bursts = {{20ms, {0xAA, 0xBB}}, {500ms, {0xCC}}};
  EXPECT_EQ(Read(handle, 8), (Bytes{0xAA, 0xBB}));
  EXPECT_GE(fake_.Elapsed(), 180ms);
  EXPECT_LE(fake_.Elapsed(), 181ms);

  // The late byte is not lost.
  fake_.now += 400ms;
  EXPECT_EQ(Read(handle, 1), Bytes{0xCC});
}

TEST_F(LibFtdiDriverTest, BytesThatKeepTricklingInDoNotStretchTheReadTimeout) {
  const FtdiHandle handle = PlugAndOpen({0, 0, 20, 0, 0});
  adapter_->readTakes = 1ms;
  for (int ms = 1; ms <= 100; ++ms) adapter_->bursts.push_back({ms * 1ms, {0x11}});
  EXPECT_EQ(Read(handle, 100).size(), 20u);
  EXPECT_EQ(fake_.Elapsed(), 20ms);
}

TEST_F(LibFtdiDriverTest, NonBlockingReadReturnsAtOnceWithWhatHasArrived) {
  const FtdiHandle handle = PlugAndOpen({kNonBlocking, 0, 0, 0, 0});
  EXPECT_EQ(Read(handle, 4), Bytes{});
  adapter_->bursts = {{0ms, {7}}, {5ms, {8}}};
  EXPECT_EQ(Read(handle, 4), Bytes{7});
  EXPECT_EQ(fake_.Elapsed(), 0ms);
}

TEST_F(LibFtdiDriverTest, ZeroReadTotalsWaitUntilTheCountArrivesOrTheAdapterIsGone) {
  const FtdiHandle handle = PlugAndOpen({0, 0, 0, 0, 0});
  adapter_->bursts = {{60s, {1, 2}}};
  EXPECT_EQ(Read(handle, 2), (Bytes{1, 2}));
  EXPECT_GE(fake_.Elapsed(), 60s);

  adapter_->goneAt = 90s;
  std::uint8_t byte = 0;
  std::uint32_t read = 0;
  EXPECT_FALSE(driver_.Read(handle, &byte, 1, read));
  EXPECT_GE(fake_.Elapsed(), 90s);
}

TEST_F(LibFtdiDriverTest, QueueStatusBuffersWhatArrivedAndReadsTakeFromThatFirst) {
  const FtdiHandle handle = PlugAndOpen({kNonBlocking, 0, 0, 0, 0});
  adapter_->bursts = {{0ms, {1, 2, 3}}, {10ms, {4}}};
  EXPECT_EQ(Waiting(handle), 3u);
  fake_.now += 10ms;
  EXPECT_EQ(Read(handle, 2), (Bytes{1, 2}));
  EXPECT_EQ(Waiting(handle), 2u);
  EXPECT_EQ(Read(handle, 5), (Bytes{3, 4}));

  // More than one chunk's worth is counted in full.
  adapter_->bursts = {{0ms, Bytes(10000, 0x55)}};
  EXPECT_EQ(Waiting(handle), 10000u);
  EXPECT_EQ(Read(handle, 10000), Bytes(10000, 0x55));
}

TEST_F(LibFtdiDriverTest, PurgeOfTheReceiveSideEmptiesTheBuffer) {
  const FtdiHandle handle = PlugAndOpen({kNonBlocking, 0, 0, 0, 0});
  adapter_->bursts = {{0ms, {1, 2, 3}}};
  EXPECT_EQ(Waiting(handle), 3u);

  ASSERT_TRUE(driver_.Purge(handle, kPurgeTx));
  EXPECT_EQ(Waiting(handle), 3u);
  EXPECT_EQ(adapter_->receivePurges, 0);
  EXPECT_EQ(adapter_->transmitPurges, 1);

  ASSERT_TRUE(driver_.Purge(handle, kPurgeTx | kPurgeRx));
  EXPECT_EQ(Waiting(handle), 0u);
  EXPECT_EQ(Read(handle, 3), Bytes{});
  EXPECT_EQ(adapter_->receivePurges, 1);
  EXPECT_EQ(adapter_->transmitPurges, 2);
}

TEST_F(LibFtdiDriverTest, WriteStopsAtTheTimeoutWhenTheAdapterTakesOnlyPart) {
  // 10 bytes at 10 ms each plus 100 ms: 200 ms.
  const FtdiHandle handle = PlugAndOpen({0, 0, 0, 10, 100});
  adapter_->accepts = 5;
  Bytes data(10);
  std::iota(data.begin(), data.end(), 0);
  std::uint32_t written = 0;
  ASSERT_TRUE(driver_.Write(handle, data.data(), 10, written));
  EXPECT_EQ(written, 5u);
  EXPECT_EQ(adapter_->written, Bytes(data.begin(), data.begin() + 5));
  EXPECT_GE(fake_.Elapsed(), 200ms);
  EXPECT_LE(fake_.Elapsed(), 201ms);
}

TEST_F(LibFtdiDriverTest, WriteHandsOverLongDataWholeAndFailsOnceTheAdapterIsGone) {
  const FtdiHandle handle = PlugAndOpen({});
  Bytes data(150);
  std::iota(data.begin(), data.end(), 0);
  std::uint32_t written = 0;
  ASSERT_TRUE(driver_.Write(handle, data.data(), 150, written));
  EXPECT_EQ(written, 150u);
  EXPECT_EQ(adapter_->written, data);

  adapter_->goneAt = 0ms;
  EXPECT_FALSE(driver_.Write(handle, data.data(), 150, written));
}

TEST_F(LibFtdiDriverTest, ListingCutsLongStringsAndAnswersFromItsSnapshot) {
  fake_.Plug(std::string(300, 'd'), std::string(40, 's'));
  std::uint32_t count = 0;
  ASSERT_TRUE(driver_.ListDeviceCount(count));
  EXPECT_EQ(count, 1u);
  std::string description, serialNumber;
  ASSERT_TRUE(driver_.ListDescription(0, description));
  ASSERT_TRUE(driver_.ListSerialNumber(0, serialNumber));
  EXPECT_EQ(description, std::string(255, 'd'));
  EXPECT_EQ(serialNumber, std::string(31, 's'));
  EXPECT_FALSE(driver_.ListDescription(1, description));
  EXPECT_FALSE(driver_.ListSerialNumber(1, serialNumber));

  // A new adapter shows up with the next listing only.
  fake_.Plug("Probe adapter", "FT2");
  EXPECT_FALSE(driver_.ListDescription(1, description));

  // The serial number as listed opens the adapter.
  EXPECT_NE(driver_.OpenBySerialNumber(serialNumber), kInvalidFtdiHandle);
  EXPECT_TRUE(fake_.bus[0]->open);
}

TEST_F(LibFtdiDriverTest, UnreadableAdapterIsListedWithoutStringsAndRemembered) {
  fake_.Plug("Probe adapter", "FT1");
  fake_.Plug("Locked adapter", "FT2", false);
  std::uint32_t count = 0;
  ASSERT_TRUE(driver_.ListDeviceCount(count));
  ASSERT_EQ(count, 2u);
  std::string text = "x";
  ASSERT_TRUE(driver_.ListDescription(1, text));
  EXPECT_EQ(text, "");
  ASSERT_TRUE(driver_.ListSerialNumber(1, text));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(driver_.SawInaccessibleDevice());
  EXPECT_EQ(driver_.OpenBySerialNumber("FT2"), kInvalidFtdiHandle);
  EXPECT_EQ(driver_.OpenBySerialNumber(""), kInvalidFtdiHandle);

  fake_.bus.pop_back();
  ASSERT_TRUE(driver_.ListDeviceCount(count));
  EXPECT_EQ(count, 1u);
  EXPECT_FALSE(driver_.SawInaccessibleDevice());

  // A listing that fails leaves nothing behind from the one before.
  fake_.Plug("Locked adapter", "FT2", false);
  ASSERT_TRUE(driver_.ListDeviceCount(count));
  fake_.listingFails = true;
  EXPECT_FALSE(driver_.ListDeviceCount(count));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(driver_.ListDescription(0, text));
  EXPECT_FALSE(driver_.SawInaccessibleDevice());
}

TEST_F(LibFtdiDriverTest, HandlesAreOpenedBySerialNumberAndKeptApart) {
  auto first = fake_.Plug("Probe adapter", "FT1");
  auto second = fake_.Plug("Probe adapter", "FT2");
  EXPECT_EQ(driver_.OpenBySerialNumber("FT9"), kInvalidFtdiHandle);

  const FtdiHandle two = driver_.OpenBySerialNumber("FT2");
  ASSERT_NE(two, kInvalidFtdiHandle);
  EXPECT_TRUE(second->open);
  EXPECT_FALSE(first->open);
  const FtdiHandle one = driver_.OpenBySerialNumber("FT1");
  ASSERT_NE(one, kInvalidFtdiHandle);
  EXPECT_NE(one, two);

  FtdiTimeouts timeouts;
  ASSERT_TRUE(driver_.SetTimeouts(two, {1, 2, 3, 4, 5}));
  ASSERT_TRUE(driver_.GetTimeouts(one, timeouts));
  EXPECT_EQ(timeouts, FtdiTimeouts{});
  ASSERT_TRUE(driver_.GetTimeouts(two, timeouts));
  EXPECT_EQ(timeouts, (FtdiTimeouts{1, 2, 3, 4, 5}));

  // The chip's shortest latency is 1 ms.
  ASSERT_TRUE(driver_.SetLatencyTimer(one, 0));
  EXPECT_EQ(first->latency, 1);
  ASSERT_TRUE(driver_.SetLatencyTimer(one, 16));
  EXPECT_EQ(first->latency, 16);

  EXPECT_TRUE(driver_.CloseHandle(two));
  EXPECT_FALSE(second->open);
  EXPECT_TRUE(first->open);
  EXPECT_FALSE(driver_.CloseHandle(two));
  EXPECT_FALSE(driver_.CloseHandle(kInvalidFtdiHandle));
  std::uint8_t byte = 0;
  std::uint32_t count = 0;
  EXPECT_FALSE(driver_.GetTimeouts(two, timeouts));
  EXPECT_FALSE(driver_.Read(two, &byte, 1, count));
}

// The adapter chosen from a listing is the one opened: never another device with its serial number
// (clone chips share them), also one without a serial number; a failed open says why.
TEST_F(LibFtdiDriverTest, TheListedDeviceItselfIsOpenedOrTheReasonKept) {
  auto clone = fake_.Plug("USB Serial", "A50285BI");
  auto adapter = fake_.Plug("Probe adapter", "A50285BI");
  auto bare = fake_.Plug("Probe adapter 2", "");
  auto locked = fake_.Plug("Locked adapter", "FT9", false);
  std::uint32_t count = 0;
  ASSERT_TRUE(driver_.ListDeviceCount(count));
  const FtdiHandle handle = driver_.OpenListed(1);
  ASSERT_NE(handle, kInvalidFtdiHandle);
  EXPECT_TRUE(adapter->open);
  EXPECT_FALSE(clone->open);
  EXPECT_NE(driver_.OpenListed(2), kInvalidFtdiHandle);
  EXPECT_TRUE(bare->open);
  EXPECT_EQ(driver_.LastOpenFailure(), OpenFailure::kNone);

  EXPECT_EQ(driver_.OpenListed(3), kInvalidFtdiHandle);
  EXPECT_EQ(driver_.LastOpenFailure(), OpenFailure::kNoPermission);
  clone->refusesOpen = OpenFailure::kKernelDriver;
  EXPECT_EQ(driver_.OpenListed(0), kInvalidFtdiHandle);
  EXPECT_EQ(driver_.LastOpenFailure(), OpenFailure::kKernelDriver);
  EXPECT_TRUE(driver_.CloseHandle(handle));
  fake_.bus.erase(fake_.bus.begin() + 1);  // unplugged after the listing
  EXPECT_EQ(driver_.OpenListed(1), kInvalidFtdiHandle);
  EXPECT_EQ(driver_.LastOpenFailure(), OpenFailure::kVanished);
  EXPECT_FALSE(clone->open);
}

// An adapter that stops answering cannot hold a read beyond the handle's time-out: every USB
// transfer is bounded by what is left of it.
TEST_F(LibFtdiDriverTest, ASilentAdapterCostsNoMoreThanTheReadTimeout) {
  for (const FtdiTimeouts& timeouts :
       {FtdiTimeouts{0, 0, 500, 0, 0}, FtdiTimeouts{kNonBlocking, 0, 0, 0, 0}}) {
    const FtdiHandle handle = PlugAndOpen(timeouts);
    adapter_->silent = true;
    const auto start = fake_.Elapsed();
    EXPECT_EQ(Read(handle, 4), Bytes{});
    const auto limit = timeouts.ReadTotalTimeoutConstant ? 500ms : 0ms;
    EXPECT_GE(fake_.Elapsed() - start, limit);
    EXPECT_LE(fake_.Elapsed() - start, limit + 20ms);
    EXPECT_TRUE(driver_.CloseHandle(handle));
    fake_.bus.clear();
  }
}

// The real libftdi1 backend, on whatever this machine has: no adapter, no USB at all, or some.
TEST(LibFtdiDriverOnThisMachine, ListsAdaptersOrFailsCleanly) {
  LibFtdiDriver driver;
  std::uint32_t count = 99;
  if (!driver.ListDeviceCount(count)) {
    EXPECT_EQ(count, 0u);
  }
  std::string text;
  for (std::uint32_t index = 0; index < count; ++index) {
    ASSERT_TRUE(driver.ListDescription(index, text));
    EXPECT_LT(text.size(), kDescriptionBufferSize);
    ASSERT_TRUE(driver.ListSerialNumber(index, text));
    EXPECT_LT(text.size(), kSerialNumberBufferSize);
  }
  EXPECT_FALSE(driver.ListDescription(count, text));
  EXPECT_EQ(driver.OpenBySerialNumber("no adapter has this serial"), kInvalidFtdiHandle);
}

// Each thread has a listing and an open failure of its own, as a station's adapters each have a
// thread of their own: one thread's listing or failed open never changes what another reads.
TEST_F(LibFtdiDriverTest, EachThreadKeepsItsOwnListingAndOpenFailure) {
  fake_.Plug("Probe adapter", "FT1");
  fake_.Plug("Probe adapter", "FT2")->refusesOpen = OpenFailure::kNoPermission;
  std::uint32_t count = 0;
  ASSERT_TRUE(driver_.ListDeviceCount(count));
  ASSERT_EQ(count, 2u);
  const FtdiHandle mine = driver_.OpenBySerialNumber("FT1");
  ASSERT_NE(mine, kInvalidFtdiHandle);

  std::uint32_t otherCount = 0;
  OpenFailure otherFailure = OpenFailure::kNone;
  std::thread other([&] {
    EXPECT_EQ(driver_.OpenBySerialNumber("FT2"), kInvalidFtdiHandle);
    otherFailure = driver_.LastOpenFailure();
    fake_.bus.pop_back();
    EXPECT_TRUE(driver_.ListDeviceCount(otherCount));
  });
  other.join();
  EXPECT_EQ(otherFailure, OpenFailure::kNoPermission);
  EXPECT_EQ(otherCount, 1u);
  EXPECT_EQ(driver_.LastOpenFailure(), OpenFailure::kNone);
  std::string serial;
  EXPECT_TRUE(driver_.ListSerialNumber(1, serial));
  EXPECT_EQ(serial, "FT2") << "the listing this thread made";
  EXPECT_TRUE(driver_.CloseHandle(mine));
}

}  // namespace
}  // namespace ombrix::testing
