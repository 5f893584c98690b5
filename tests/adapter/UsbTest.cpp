#include <gtest/gtest.h>

#include <functional>

#include "ConsistencyError.h"
#include "ScriptedDriver.h"
#include "Usb.h"

namespace ombrix::testing {
namespace {

class UsbTest : public ::testing::Test {
 protected:
  ScriptedDriver driver;
  ScopedDriver scope{driver};

  void AddDevices(std::initializer_list<ScriptedDriver::Device> list) { driver.devices = list; }

  // A TUsb that has found and opened "Ombrix adapter" (serial "A1").
  void OpenAdapter(TUsb& usb) {
    AddDevices({{"Ombrix adapter", "A1"}});
    usb.Description = "Ombrix adapter";
    ASSERT_TRUE(usb.FindDevice());
    ASSERT_TRUE(usb.Open());
    driver.calls.clear();
  }
};

TEST_F(UsbTest, FindDeviceReportsNoDeviceAndNoMatch) {
  TUsb usb;
  usb.Description = "Ombrix adapter";
  EXPECT_FALSE(usb.FindDevice());
  EXPECT_EQ(usb.Status, 2);

  AddDevices({{"USB Serial", "X1"}, {"ombrix adapter", "X2"}, {"Ombrix adapter ", "X3"}});
  EXPECT_FALSE(usb.FindDevice()) << "case, and a trailing blank, must not match";
  EXPECT_EQ(usb.Status, 2);
  EXPECT_EQ(usb.DeviceIndex, -1);
  EXPECT_EQ(usb.SerialNumber, "");
}

TEST_F(UsbTest, FindDeviceStoresTheIndexOfTheOneAdapterAmongOthers) {
  AddDevices({{"USB Serial", "X1"}, {"", "X2"}, {"Ombrix adapter", "A7"}, {"Other", "X4"}});
  TUsb usb;
  usb.Description = "Ombrix adapter";
  EXPECT_TRUE(usb.FindDevice());
  EXPECT_EQ(usb.DeviceIndex, 2);
  EXPECT_EQ(usb.SerialNumber, "A7");
  EXPECT_EQ(usb.Status, 1) << "a successful FindDevice leaves the status 'begun'";
  EXPECT_EQ(driver.opened, 0);
}

TEST_F(UsbTest, TwoMatchingAdaptersAreAmbiguousAndKeepTheLastResult) {
  AddDevices({{"Ombrix adapter", "A1"}});
  TUsb usb;
  usb.Description = "Ombrix adapter";
  ASSERT_TRUE(usb.FindDevice());

  AddDevices({{"Ombrix adapter", "A1"}, {"Other", "X"}, {"Ombrix adapter", "A2"}});
  EXPECT_FALSE(usb.FindDevice());
  EXPECT_EQ(usb.Status, 3);
  EXPECT_EQ(usb.SerialNumber, "A1") << "a failed search leaves the last found device";
  EXPECT_EQ(usb.DeviceIndex, 0);
  EXPECT_EQ(driver.opened, 0);
}

TEST_F(UsbTest, FindDeviceStopsWithStatusOneWhenTheDriverFails) {
  AddDevices({{"Other", "X"}, {"Ombrix adapter", "A1"}});
  TUsb usb;
  usb.Description = "Ombrix adapter";

  driver.failCount = true;
  EXPECT_FALSE(usb.FindDevice());
  EXPECT_EQ(usb.Status, 1);

  driver.failCount = false;
  driver.failDescriptionAt = 0;
  driver.calls.clear();
  EXPECT_FALSE(usb.FindDevice());
  EXPECT_EQ(usb.Status, 1);
  EXPECT_EQ(std::count(driver.calls.begin(), driver.calls.end(), "ListDescription"), 1)
      << "the search ends at the first failing description";

  driver.failDescriptionAt = -1;
  driver.failSerialNumber = true;
  EXPECT_FALSE(usb.FindDevice());
  EXPECT_EQ(usb.Status, 1);
  EXPECT_EQ(usb.DeviceIndex, -1);
}

TEST_F(UsbTest, OpenConfiguresTheDeviceInOrder) {
  AddDevices({{"Other", "X"}, {"Ombrix adapter", "A1"}});
  TUsb usb;
  usb.Description = "Ombrix adapter";
  ASSERT_TRUE(usb.FindDevice());
  driver.calls.clear();

  ASSERT_TRUE(usb.Open());
  EXPECT_TRUE(usb.IsOpen());
  EXPECT_EQ(usb.Status, 0);
  EXPECT_EQ(driver.openedIndex, 1);  // the very device found, by its place in the listing
  EXPECT_EQ(driver.calls, (std::vector<std::string>{"Open", "GetTimeouts", "SetTimeouts", "Purge",
                                                    "SetLatencyTimer"}));
  EXPECT_EQ(driver.timeouts, (FtdiTimeouts{0xFFFFFFFF, 0, 0, 0, 200}));
  EXPECT_EQ(driver.lastPurgeMask, 12u);
  EXPECT_EQ(driver.lastLatency, 1);
}

TEST_F(UsbTest, FailedOpenLeavesTheLinkClosed) {
  AddDevices({{"Ombrix adapter", "A1"}});
  TUsb usb;
  usb.Description = "Ombrix adapter";
  ASSERT_TRUE(usb.FindDevice());
  driver.failOpen = true;
  for (const OpenFailure reason : {OpenFailure::kBusy, OpenFailure::kNoPermission}) {
    driver.openFailure = reason;
    EXPECT_FALSE(usb.Open());
    EXPECT_FALSE(usb.IsOpen());
    EXPECT_EQ(usb.Status, 1);
    EXPECT_EQ(usb.Failure, reason);
  }
  ASSERT_TRUE(usb.FindDevice());
  EXPECT_EQ(usb.Failure, OpenFailure::kNone);
}

TEST_F(UsbTest, MisuseRaisesTheConsistencyErrorOfItsLine) {
  const std::vector<std::pair<int, std::function<void(TUsb&)>>> misuses = {
      {107, [](TUsb& u) { u.Open(); }},
      {156,
       [](TUsb& u) {
         std::uint8_t b[1] = {0};
         u.Write(b, 1);
       }},
      {176,
       [](TUsb& u) {
         std::uint8_t b[1];
         u.Read(b, 1);
       }},
      {209, [](TUsb& u) { u.Purge(); }},
      {221, [](TUsb& u) { u.GetReadIntervalTimeout(); }},
      {230, [](TUsb& u) { u.SetReadIntervalTimeout(0); }},
      {244, [](TUsb& u) { u.GetReadTotalTimeoutMultiplier(); }},
      {267, [](TUsb& u) { u.GetReadTotalTimeoutConstant(); }},
      {276, [](TUsb& u) { u.SetReadTotalTimeoutConstant(0); }},
      {322, [](TUsb& u) { u.SetWriteTotalTimeoutConstant(0); }},
  };
  for (const auto& [line, misuse] : misuses) {
    TUsb usb;
    try {
      misuse(usb);
      ADD_FAILURE() << "no error for line " << line;
    } catch (const ConsistencyError& e) {
      EXPECT_EQ(std::string(e.what()), "Error on file Usb line " + std::to_string(line));
    }
  }
  TUsb usb;
  try {
    usb.FindDevice();
    ADD_FAILURE() << "an empty description must be refused";
  } catch (const ConsistencyError& e) {
    EXPECT_STREQ(e.what(), "Error on file Usb line 55");
  }
  EXPECT_TRUE(driver.calls.empty()) << "misuse must not reach the driver";
}

TEST_F(UsbTest, NonBlockingReadAsksTheQueueFirst) {
  TUsb usb;
  OpenAdapter(usb);
  std::uint8_t buffer[8] = {};

  driver.waiting = 0;
  driver.replies.push_back(FromHex("01 02 03"));
  EXPECT_EQ(usb.Read(buffer, 5), 0);
  EXPECT_EQ(usb.Status, 1);
  EXPECT_EQ(std::count(driver.calls.begin(), driver.calls.end(), "Read"), 0);

  driver.failQueueStatus = true;
  EXPECT_EQ(usb.Read(buffer, 5), 0);
  EXPECT_EQ(usb.Status, 1);
  driver.failQueueStatus = false;

  driver.waiting = 3;
  EXPECT_EQ(usb.Read(buffer, 5), 3) << "the count shrinks to what waits";
  EXPECT_EQ(usb.Status, 0);
  EXPECT_EQ(ToHex(Bytes(buffer, buffer + 3)), "01 02 03");
}

TEST_F(UsbTest, BlockingReadAndWriteReturnPartialCounts) {
  TUsb usb;
  OpenAdapter(usb);
  usb.SetReadIntervalTimeout(0);
  usb.SetReadTotalTimeoutConstant(500);
  EXPECT_EQ(driver.timeouts, (FtdiTimeouts{0, 0, 500, 0, 200}));

  std::uint8_t buffer[8] = {};
  driver.replies.push_back(FromHex("AA BB"));
  EXPECT_EQ(usb.Read(buffer, 5), 2) << "a read that timed out with part of the bytes";
  EXPECT_EQ(usb.Status, 0);
  EXPECT_EQ(std::count(driver.calls.begin(), driver.calls.end(), "QueueStatus"), 0);

  driver.failRead = true;
  EXPECT_EQ(usb.Read(buffer, 5), 0);
  EXPECT_EQ(usb.Status, 1);

  driver.writeAccepts = 3;
  EXPECT_EQ(usb.Write(buffer, 5), 3);
  EXPECT_EQ(usb.Status, 0);
  driver.failWrite = true;
  EXPECT_EQ(usb.Write(buffer, 5), 0);
  EXPECT_EQ(usb.Status, 1);
}

TEST_F(UsbTest, TimeoutAccessorsReloadFromTheDriver) {
  TUsb usb;
  OpenAdapter(usb);
  driver.timeouts = {7, 8, 9, 10, 11};  // changed behind the object's back
  EXPECT_EQ(usb.GetReadIntervalTimeout(), 7u);
  EXPECT_EQ(usb.GetReadTotalTimeoutMultiplier(), 8u);
  EXPECT_EQ(usb.GetReadTotalTimeoutConstant(), 9u);
  driver.timeouts = {1, 2, 3, 4, 5};
  usb.SetWriteTotalTimeoutConstant(99);
  EXPECT_EQ(driver.timeouts, (FtdiTimeouts{1, 2, 3, 4, 99}));
  EXPECT_EQ(usb.Status, 0) << "time-out calls leave the status alone";
}

TEST_F(UsbTest, CloseIsIdempotentAndTheDestructorCloses) {
  {
    TUsb usb;
    OpenAdapter(usb);
    usb.Close();
    EXPECT_FALSE(usb.IsOpen());
    usb.Close();
    EXPECT_EQ(driver.closed, 1);
    EXPECT_EQ(usb.SerialNumber, "A1") << "the found device survives Close";
    ASSERT_TRUE(usb.Open());
  }
  EXPECT_EQ(driver.closed, 2);
}

}  // namespace
}  // namespace ombrix::testing
