// One contract for every FtdiDriver backend: the virtual bus, and the libftdi1 driver over a
// scripted backend. Both must list, open, time out, report partial reads, queue and purge alike,
// so that the transport above never sees a difference between them.
#include <gtest/gtest.h>

#include <memory>

#include "Clock.h"
#include "LibFtdiDriver.h"
#include "VirtualBus.h"
#include "adapter/FakeLibFtdiBackend.h"

namespace ombrix::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kPing = {0x00, 0xAA, 0x55, 0x00};
const Bytes kPingReply = {0x22, 0x22, 0x55, 0x22};

// A backend with one answering adapter "Ombrix adapter" beside an unrelated device.
class DriverHarness {
 public:
  virtual ~DriverHarness() = default;
  virtual FtdiDriver& Driver() = 0;
  // Makes the adapter answer the next ping with all but `missing` bytes of its reply.
  virtual void AnswerNextPing(int missing) = 0;
  virtual std::int64_t NowMs() = 0;
  virtual void Wait(std::int64_t ms) = 0;
};

class VirtualBusHarness : public DriverHarness {
 public:
  VirtualBusHarness() {
    bus_.AddPlainDevice("USB Serial", "X1");
    adapter_ = &bus_.AddAdapter("Ombrix adapter", "A1");
  }
  FtdiDriver& Driver() override { return bus_; }
  void AnswerNextPing(int missing) override {
    if (missing > 0) adapter_->Faults().At(1, Fault::ShortReply(missing));
  }
  std::int64_t NowMs() override { return clock_.MonotonicMilliseconds(); }
  void Wait(std::int64_t ms) override { clock_.Advance(ms); }

 private:
  VirtualClock clock_;
  VirtualBus bus_{clock_, LinkTiming::Instant()};
  AdapterController* adapter_ = nullptr;
};

class LibFtdiHarness : public DriverHarness {
 public:
  LibFtdiHarness() {
    auto backend = std::make_unique<FakeBackend>();
    backend_ = backend.get();
    backend_->Plug("USB Serial", "X1");
    adapter_ = backend_->Plug("Ombrix adapter", "A1");
    driver_ = std::make_unique<LibFtdiDriver>(std::move(backend));
  }
  FtdiDriver& Driver() override { return *driver_; }
  void AnswerNextPing(int missing) override {
    Bytes reply(kPingReply.begin(), kPingReply.end() - missing);
    adapter_->bursts.push_back({backend_->Elapsed() + std::chrono::milliseconds(2), reply});
  }
  std::int64_t NowMs() override { return backend_->Elapsed().count(); }
  void Wait(std::int64_t ms) override { backend_->now += std::chrono::milliseconds(ms); }

 private:
  FakeBackend* backend_ = nullptr;
  std::shared_ptr<FakeAdapter> adapter_;
  std::unique_ptr<LibFtdiDriver> driver_;
};

using HarnessFactory = std::unique_ptr<DriverHarness> (*)();

class DriverContract : public ::testing::TestWithParam<HarnessFactory> {
 protected:
  void SetUp() override {
    harness = GetParam()();
    driver = &harness->Driver();
  }

  FtdiHandle OpenAdapter() {
    std::uint32_t count = 0;
    EXPECT_TRUE(driver->ListDeviceCount(count));
    FtdiHandle handle = driver->OpenBySerialNumber("A1");
    EXPECT_NE(handle, kInvalidFtdiHandle);
    return handle;
  }

  void Ping(FtdiHandle handle, int missing) {
    harness->AnswerNextPing(missing);
    std::uint32_t written = 0;
    ASSERT_TRUE(driver->Write(handle, kPing.data(), 4, written));
    ASSERT_EQ(written, 4u);
  }

  std::unique_ptr<DriverHarness> harness;
  FtdiDriver* driver = nullptr;
};

TEST_P(DriverContract, ListsAndOpensBySerialNumber) {
  std::uint32_t count = 0;
  ASSERT_TRUE(driver->ListDeviceCount(count));
  ASSERT_EQ(count, 2u);
  std::string description, serial;
  ASSERT_TRUE(driver->ListDescription(1, description));
  ASSERT_TRUE(driver->ListSerialNumber(1, serial));
  EXPECT_EQ(description, "Ombrix adapter");
  EXPECT_EQ(serial, "A1");
  EXPECT_FALSE(driver->ListDescription(2, description));
  EXPECT_EQ(driver->OpenBySerialNumber("nobody"), kInvalidFtdiHandle);
  const FtdiHandle handle = driver->OpenBySerialNumber("A1");
  EXPECT_NE(handle, kInvalidFtdiHandle);
  EXPECT_TRUE(driver->CloseHandle(handle));
  std::uint8_t byte;
  std::uint32_t read = 0;
  EXPECT_FALSE(driver->Read(handle, &byte, 1, read)) << "a closed handle reads nothing";
}

TEST_P(DriverContract, BlockingReadGetsTheWholeReplyOrWhatCameByTheDeadline) {
  const FtdiHandle handle = OpenAdapter();
  ASSERT_TRUE(driver->SetTimeouts(handle, {0, 0, 500, 0, 500}));
  FtdiTimeouts back;
  ASSERT_TRUE(driver->GetTimeouts(handle, back));
  EXPECT_EQ(back, (FtdiTimeouts{0, 0, 500, 0, 500}));

  Ping(handle, 0);
  Bytes reply(4);
  std::uint32_t read = 0;
  std::int64_t start = harness->NowMs();
  ASSERT_TRUE(driver->Read(handle, reply.data(), 4, read));
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(reply, kPingReply);
  EXPECT_LT(harness->NowMs() - start, 500) << "a complete reply ends the wait";

  Ping(handle, 1);
  start = harness->NowMs();
  ASSERT_TRUE(driver->Read(handle, reply.data(), 4, read)) << "a partial read is no failure";
  EXPECT_EQ(read, 3u);
  EXPECT_GE(harness->NowMs() - start, 500);
  EXPECT_LT(harness->NowMs() - start, 600);
}

TEST_P(DriverContract, NonBlockingReadQueueAndPurge) {
  const FtdiHandle handle = OpenAdapter();
  ASSERT_TRUE(driver->SetTimeouts(handle, {0xFFFFFFFF, 0, 0, 0, 500}));
  Bytes reply(4);
  std::uint32_t read = 99;
  const std::int64_t start = harness->NowMs();
  ASSERT_TRUE(driver->Read(handle, reply.data(), 4, read));
  EXPECT_EQ(read, 0u) << "nothing waits";
  EXPECT_EQ(harness->NowMs(), start) << "and the read does not wait";

  Ping(handle, 0);
  harness->Wait(100);
  std::uint32_t waiting = 0;
  ASSERT_TRUE(driver->QueueStatus(handle, waiting));
  EXPECT_EQ(waiting, 4u);
  ASSERT_TRUE(driver->Read(handle, reply.data(), 2, read));
  EXPECT_EQ(read, 2u);
  ASSERT_TRUE(driver->QueueStatus(handle, waiting));
  EXPECT_EQ(waiting, 2u);

  ASSERT_TRUE(driver->Purge(handle, kPurgeRx | kPurgeTx));
  ASSERT_TRUE(driver->QueueStatus(handle, waiting));
  EXPECT_EQ(waiting, 0u);
  ASSERT_TRUE(driver->Read(handle, reply.data(), 4, read));
  EXPECT_EQ(read, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Backends, DriverContract,
    ::testing::Values(
        +[]() -> std::unique_ptr<DriverHarness> { return std::make_unique<VirtualBusHarness>(); },
        +[]() -> std::unique_ptr<DriverHarness> { return std::make_unique<LibFtdiHarness>(); }),
    [](const ::testing::TestParamInfo<HarnessFactory>& info) {
      return info.index == 0 ? std::string("VirtualBus") : std::string("LibFtdi");
    });

}  // namespace
}  // namespace ombrix::testing
