#include "ScriptedDriver.h"

#include <gtest/gtest.h>

namespace ombrix::testing {

void ScriptedDriver::Check(FtdiHandle handle) const {
  EXPECT_EQ(handle, kHandle) << "driver call with a handle the driver never gave out";
}

bool ScriptedDriver::ListDeviceCount(std::uint32_t& count) {
  calls.push_back("ListDeviceCount");
  if (failCount) return false;
  count = static_cast<std::uint32_t>(devices.size());
  return true;
}

bool ScriptedDriver::ListDescription(std::uint32_t index, std::string& description) {
  calls.push_back("ListDescription");
  if (static_cast<int>(index) == failDescriptionAt || index >= devices.size()) return false;
  description = devices[index].description;
  return true;
}

bool ScriptedDriver::ListSerialNumber(std::uint32_t index, std::string& serialNumber) {
  calls.push_back("ListSerialNumber");
  if (failSerialNumber || index >= devices.size()) return false;
  serialNumber = devices[index].serialNumber;
  return true;
}

FtdiHandle ScriptedDriver::OpenBySerialNumber(const std::string& serialNumber) {
  calls.push_back("Open");
  openedSerialNumber = serialNumber;
  if (failOpen) return kInvalidFtdiHandle;
  ++opened;
  return kHandle;
}

FtdiHandle ScriptedDriver::OpenListed(std::uint32_t index) {
  if (index >= devices.size()) return kInvalidFtdiHandle;
  openedIndex = static_cast<int>(index);
  return OpenBySerialNumber(devices[index].serialNumber);
}

bool ScriptedDriver::GetTimeouts(FtdiHandle handle, FtdiTimeouts& out) {
  Check(handle);
  calls.push_back("GetTimeouts");
  out = timeouts;
  return true;
}

bool ScriptedDriver::SetTimeouts(FtdiHandle handle, const FtdiTimeouts& in) {
  Check(handle);
  calls.push_back("SetTimeouts");
  timeouts = in;
  return true;
}

bool ScriptedDriver::Purge(FtdiHandle handle, std::uint32_t mask) {
  Check(handle);
  calls.push_back("Purge");
  lastPurgeMask = mask;
  return true;
}

bool ScriptedDriver::SetLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) {
  Check(handle);
  calls.push_back("SetLatencyTimer");
  lastLatency = milliseconds;
  return true;
}

bool ScriptedDriver::Write(FtdiHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                           std::uint32_t& written) {
  Check(handle);
  calls.push_back("Write");
  if (failWrite) return false;
  writes.emplace_back(buffer, buffer + count);
  written = writeAccepts ? std::min(*writeAccepts, count) : count;
  return true;
}

bool ScriptedDriver::Read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t count,
                          std::uint32_t& read) {
  Check(handle);
  calls.push_back("Read");
  if (failRead) return false;
  read = 0;
  if (replies.empty()) return true;  // nothing arrived before the time-out
  Bytes reply = std::move(replies.front());
  replies.pop_front();
  read = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(reply.size()));
  std::copy(reply.begin(), reply.begin() + read, buffer);
  return true;
}

bool ScriptedDriver::QueueStatus(FtdiHandle handle, std::uint32_t& count) {
  Check(handle);
  calls.push_back("QueueStatus");
  if (failQueueStatus) return false;
  count = waiting;
  return true;
}

bool ScriptedDriver::CloseHandle(FtdiHandle handle) {
  Check(handle);
  calls.push_back("Close");
  ++closed;
  return true;
}

}  // namespace ombrix::testing
