// The libftdi1 backend's own decisions, on a USB library that answers as the test says: how a
// listing reads strings, why an open failed, and how transfers that time out are reported.
#include <ftdi.h>
#include <libusb.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "LibFtdiBackend.h"
#include "LibFtdiCalls.h"

namespace ombrix::testing {
namespace {

struct FakeDevice {
  int stringsResult = 0;
  std::string description = "Probe adapter";
  std::string serialNumber = "FT1";
  bool leavesOpen = false;  // the string read leaves the listing context's handle open
  std::uint8_t bus = 1;
  std::uint8_t address = 7;
};

// What the fake library does and what was done to it.
struct FakeLibrary {
  std::vector<FakeDevice> devices;
  int openResult = 0;
  const char* openError = "";
  int openErrno = 0;
  int transferResult = 0;  // of every read and write
  int modemStatusResult = 0;
  int kernelDriverActive = 0;  // after a failed open
  int clearHaltResult = 0;
  int haltsCleared = 0;
  int contexts = 0;  // alive
  int closes = 0;
  int timeoutDuringTransfer = 0;
  ftdi_context* transferContext = nullptr;
  std::uint8_t openedBus = 0;
  std::uint8_t openedAddress = 0;
  ftdi_module_detach_mode detachMode = DONT_DETACH_SIO_MODULE;
};
FakeLibrary fake;

libusb_device* DeviceAt(std::size_t index) {
  return reinterpret_cast<libusb_device*>(index + 1);
}
FakeDevice& Device(libusb_device* device) {
  return fake.devices[reinterpret_cast<std::size_t>(device) - 1];
}

const LibFtdiCalls kFakeCalls{
    [] {
      ++fake.contexts;
      return new ftdi_context{};
    },
    [](ftdi_context* context) {
      --fake.contexts;
      delete context;
    },
    [](ftdi_context*, ftdi_device_list** list, int, int) {
      for (std::size_t i = fake.devices.size(); i-- > 0;)
        *list = new ftdi_device_list{*list, DeviceAt(i)};
      return static_cast<int>(fake.devices.size());
    },
    [](ftdi_device_list** list) {
      while (*list) delete std::exchange(*list, (*list)->next);
    },
    [](ftdi_context* context, libusb_device* device, char*, int, char* description, int,
       char* serialNumber, int) {
      const FakeDevice& d = Device(device);
      if (d.leavesOpen) context->usb_dev = reinterpret_cast<libusb_device_handle*>(1);
      if (d.stringsResult == 0 || d.stringsResult == -9) {
        std::snprintf(description, 256, "%s", d.description.c_str());
      }
      if (d.stringsResult == 0) std::snprintf(serialNumber, 256, "%s", d.serialNumber.c_str());
      return d.stringsResult;
    },
    [](libusb_device* device) { return Device(device).bus; },
    [](libusb_device* device) { return Device(device).address; },
    [](ftdi_context* context, std::uint8_t bus, std::uint8_t address) {
      fake.openedBus = bus;
      fake.openedAddress = address;
      fake.detachMode = context->module_detach_mode;
      context->error_str = fake.openError;
      errno = fake.openErrno;
      return fake.openResult;
    },
    [](ftdi_context* context) {
      ++fake.closes;
      context->usb_dev = nullptr;
      return 0;
    },
    [](ftdi_context* context) { return context->error_str; },
    [](ftdi_context* context, unsigned char*, int) {
      fake.timeoutDuringTransfer = context->usb_read_timeout;
      fake.transferContext = context;
      return fake.transferResult;
    },
    [](ftdi_context* context, const unsigned char*, int) {
      fake.timeoutDuringTransfer = context->usb_write_timeout;
      fake.transferContext = context;
      return fake.transferResult;
    },
    [](ftdi_context*, unsigned short*) { return fake.modemStatusResult; },
    [](ftdi_context*) { return 0; },
    [](ftdi_context*) { return 0; },
    [](ftdi_context*) { return 0; },
    [](ftdi_context*, unsigned char) { return 0; },
    [](ftdi_context*, std::uint8_t, std::uint8_t) { return fake.kernelDriverActive; },
    [](ftdi_context*) {
      ++fake.haltsCleared;
      return fake.clearHaltResult;
    },
};

class LibFtdiBackendTest : public ::testing::Test {
 protected:
  void SetUp() override { fake = FakeLibrary{}; }
  void TearDown() override {
    backend.reset();
    EXPECT_EQ(fake.contexts, 0) << "every context freed";
  }
  std::unique_ptr<LibFtdiBackend> backend = MakeLibFtdiBackend(kFakeCalls);
};

TEST_F(LibFtdiBackendTest, StringsThatCannotBeReadTellNoSerialFromNoAccess) {
  fake.devices = {{0, "Probe adapter", "FT1", false, 1, 4},
                  {-9, "Probe adapter", "", true, 2, 9},  // no serial number string
                  {-4, "", "", true, 3, 2}};              // libusb_open failed: no access
  std::vector<FtdiDeviceInfo> devices;
  ASSERT_TRUE(backend->Enumerate(devices));
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0].serialNumber, "FT1");
  EXPECT_TRUE(devices[1].accessible);
  EXPECT_EQ(devices[1].description, "Probe adapter");
  EXPECT_EQ(devices[1].serialNumber, "");
  EXPECT_FALSE(devices[2].accessible);
  EXPECT_EQ(devices[1].bus, 2);
  EXPECT_EQ(devices[1].address, 9);
  EXPECT_EQ(fake.closes, 2);  // the handles the failed reads left open

  // An adapter without a serial number opens by its place on the bus.
  OpenFailure failure = OpenFailure::kOther;
  EXPECT_NE(backend->Open(1, failure), nullptr);
  EXPECT_EQ(failure, OpenFailure::kNone);
  EXPECT_EQ(fake.openedBus, 2);
  EXPECT_EQ(fake.openedAddress, 9);
  EXPECT_EQ(fake.detachMode, AUTO_DETACH_REATACH_SIO_MODULE);
}

TEST_F(LibFtdiBackendTest, AFailedOpenSaysWhy) {
  fake.devices = {FakeDevice{}};
  std::vector<FtdiDeviceInfo> devices;
  ASSERT_TRUE(backend->Enumerate(devices));
  // libftdi1 1.5's own results and texts. A failed claim reads the same for a busy adapter and
  // for a kernel driver that would not let go; libusb's kernel driver query tells them apart.
  constexpr const char* kClaim =
      "unable to claim usb device. Make sure the default FTDI driver is not in use";
  const struct {
    int result;
    const char* error;
    int systemError;
    int kernelDriverActive;
    OpenFailure expected;
  } cases[] = {
      {-5, kClaim, EBUSY, 0, OpenFailure::kBusy},
      {-5, kClaim, EACCES, 1, OpenFailure::kKernelDriver},
      {-5, kClaim, EBUSY, LIBUSB_ERROR_NO_DEVICE, OpenFailure::kBusy},
      {-4, "libusb_open() failed", EACCES, 0, OpenFailure::kNoPermission},
      {-3, "device not found", 0, 0, OpenFailure::kVanished},
      {-4, "libusb_open() failed", ENODEV, 0, OpenFailure::kVanished},
      {-6, "ftdi_usb_reset failed", EIO, 1, OpenFailure::kOther},
  };
  for (const auto& c : cases) {
    fake.openResult = c.result;
    fake.openError = c.error;
    fake.openErrno = c.systemError;
    fake.kernelDriverActive = c.kernelDriverActive;
    OpenFailure failure = OpenFailure::kNone;
    EXPECT_EQ(backend->Open(0, failure), nullptr) << c.error;
    EXPECT_EQ(failure, c.expected) << c.error;
  }
}

TEST_F(LibFtdiBackendTest, TransfersAreBoundedAndTimeOutsReportedAsNothingMoved) {
  fake.devices = {FakeDevice{}};
  std::vector<FtdiDeviceInfo> devices;
  ASSERT_TRUE(backend->Enumerate(devices));
  OpenFailure failure;
  auto device = backend->Open(0, failure);
  ASSERT_NE(device, nullptr);
  std::uint8_t buffer[8] = {};
  // ftdi_read_data hands back libusb's error; ftdi_write_data -1 for any failure.
  const struct {
    bool write;
    int result;
    int modemStatus;
    int clearHalt;
    int expected;
    int haltsCleared;
  } cases[] = {
      {false, LIBUSB_ERROR_TIMEOUT, 0, 0, 0, 0},  // nothing arrived in time
      {false, LIBUSB_ERROR_NO_DEVICE, 0, 0, LIBUSB_ERROR_NO_DEVICE, 0},
      {false, LIBUSB_ERROR_PIPE, 0, 0, 0, 1},  // stalled, cleared: nothing moved
      {false, LIBUSB_ERROR_PIPE, 0, LIBUSB_ERROR_NO_DEVICE, LIBUSB_ERROR_PIPE, 1},
      {false, 3, 0, 0, 3, 0},
      {true, -1, 0, 0, 0, 0},    // still there: it merely took nothing
      {true, -1, -2, 0, -1, 0},  // gone after the time-out
      {true, 8, 0, 0, 8, 0},
  };
  for (const auto& c : cases) {
    fake.transferResult = c.result;
    fake.modemStatusResult = c.modemStatus;
    fake.clearHaltResult = c.clearHalt;
    fake.haltsCleared = 0;
    const int got = c.write ? device->WriteData(buffer, 8, std::chrono::milliseconds(37))
                            : device->ReadData(buffer, 8, std::chrono::milliseconds(37));
    EXPECT_EQ(got, c.expected) << c.write << " " << c.result;
    EXPECT_EQ(fake.haltsCleared, c.haltsCleared) << c.write << " " << c.result;
    EXPECT_EQ(fake.timeoutDuringTransfer, 37);
  }
  // Each limit holds for its own transfer only: the context keeps the time-outs it had (0 here).
  EXPECT_EQ(fake.transferContext->usb_read_timeout, 0);
  EXPECT_EQ(fake.transferContext->usb_write_timeout, 0);
  fake.transferResult = 0;
  device->ReadData(buffer, 8, std::chrono::milliseconds(0));
  EXPECT_EQ(fake.timeoutDuringTransfer, 1);  // at least one millisecond
}

}  // namespace
}  // namespace ombrix::testing
