#include "LibFtdiDriver.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace ombrix {

namespace {

using Milliseconds = std::chrono::milliseconds;
using TimePoint = LibFtdiBackend::Clock::time_point;

constexpr std::uint32_t kNonBlockingInterval = 0xFFFFFFFFu;

// Without a write limit, each attempt still returns now and then so a stuck adapter is asked
// again rather than waited on by a single USB transfer.
constexpr Milliseconds kUnlimitedWriteAttempt{1000};
constexpr Milliseconds kUnlimitedReadAttempt{1000};
// A read that returns at once still asks the adapter, which answers within its latency timer;
// this bounds the wait for an adapter that does not answer at all.
constexpr Milliseconds kNonBlockingWait{20};

// multiplier * count + constant, in milliseconds, kept within what a 32-bit time-out can say.
Milliseconds TotalTimeout(std::uint32_t multiplier, std::uint32_t count, std::uint32_t constant) {
  const std::uint64_t total =
      static_cast<std::uint64_t>(multiplier) * count + static_cast<std::uint64_t>(constant);
  return Milliseconds(std::min<std::uint64_t>(total, 0xFFFFFFFFu));
}

int ClampToInt(std::uint32_t value) {
  return static_cast<int>(std::min<std::uint32_t>(value, INT_MAX));
}

void Cut(std::string& text, std::size_t bufferSize) {
  if (text.size() >= bufferSize) text.resize(bufferSize - 1);
}

// Waits a little before the adapter is asked again, but never past a deadline.
void Pause(LibFtdiBackend& backend, bool limited, TimePoint deadline) {
  if (!limited) {
    backend.Sleep(LibFtdiDriver::kPollInterval);
    return;
  }
  const TimePoint now = backend.Now();
  if (now < deadline) {
    backend.Sleep(
        std::min<LibFtdiBackend::Clock::duration>(LibFtdiDriver::kPollInterval, deadline - now));
  }
}

}  // namespace

LibFtdiDriver::LibFtdiDriver() : LibFtdiDriver(MakeLibFtdiBackend()) {}

LibFtdiDriver::LibFtdiDriver(std::unique_ptr<LibFtdiBackend> backend)
    : backend_(std::move(backend)) {}

LibFtdiDriver::~LibFtdiDriver() {
  // Close the adapters while the backend that opened them is still there.
  open_.clear();
}

LibFtdiDriver::ThreadState& LibFtdiDriver::Mine() {
  return threads_[std::this_thread::get_id()];
}

bool LibFtdiDriver::SawInaccessibleDevice() const {
  const std::lock_guard lock(mutex_);
  const auto found = threads_.find(std::this_thread::get_id());
  return found != threads_.end() && found->second.sawInaccessible;
}

OpenFailure LibFtdiDriver::LastOpenFailure() const {
  const std::lock_guard lock(mutex_);
  const auto found = threads_.find(std::this_thread::get_id());
  return found == threads_.end() ? OpenFailure::kNone : found->second.lastOpenFailure;
}

bool LibFtdiDriver::ListDeviceCount(std::uint32_t& count) {
  const std::lock_guard lock(mutex_);
  ThreadState& mine = Mine();
  count = 0;
  mine.listing.clear();
  mine.sawInaccessible = false;

  std::vector<FtdiDeviceInfo> devices;
  if (!backend_->Enumerate(devices)) return false;
  for (FtdiDeviceInfo& device : devices) {
    if (!device.accessible) {
      // Listed without strings: it cannot match a description the caller looks for, and the
      // window can still tell the user that an adapter was out of reach.
      device.description.clear();
      device.serialNumber.clear();
      mine.sawInaccessible = true;
    }
    Cut(device.description, kDescriptionBufferSize);
    Cut(device.serialNumber, kSerialNumberBufferSize);
  }
  mine.listing = std::move(devices);
  count = static_cast<std::uint32_t>(mine.listing.size());
  return true;
}

bool LibFtdiDriver::ListDescription(std::uint32_t index, std::string& description) {
  const std::lock_guard lock(mutex_);
  const std::vector<FtdiDeviceInfo>& listing = Mine().listing;
  if (index >= listing.size()) return false;
  description = listing[index].description;
  return true;
}

bool LibFtdiDriver::ListSerialNumber(std::uint32_t index, std::string& serialNumber) {
  const std::lock_guard lock(mutex_);
  const std::vector<FtdiDeviceInfo>& listing = Mine().listing;
  if (index >= listing.size()) return false;
  serialNumber = listing[index].serialNumber;
  return true;
}

FtdiHandle LibFtdiDriver::OpenBySerialNumber(const std::string& serialNumber) {
  const std::lock_guard lock(mutex_);
  Mine().lastOpenFailure = OpenFailure::kOther;
  // Unreadable adapters have an empty serial number; an empty one must not pick them.
  if (serialNumber.empty()) return kInvalidFtdiHandle;

  // A listing of its own, so that the caller's listing and its indices stay as they were.
  std::vector<FtdiDeviceInfo> devices;
  if (!backend_->Enumerate(devices)) return kInvalidFtdiHandle;
  for (std::size_t index = 0; index < devices.size(); ++index) {
    if (!devices[index].accessible) continue;
    // The caller knows the serial number as the listing cut it.
    std::string listed = devices[index].serialNumber;
    Cut(listed, kSerialNumberBufferSize);
    if (listed != serialNumber) continue;
    const FtdiHandle handle = OpenAt(index);
    if (handle != kInvalidFtdiHandle) return handle;
  }
  return kInvalidFtdiHandle;
}

FtdiHandle LibFtdiDriver::OpenListed(std::uint32_t index) {
  const std::lock_guard lock(mutex_);
  ThreadState& mine = Mine();
  mine.lastOpenFailure = OpenFailure::kOther;
  if (index >= mine.listing.size()) return kInvalidFtdiHandle;
  const FtdiDeviceInfo wanted = mine.listing[index];
  if (!wanted.accessible) {
    mine.lastOpenFailure = OpenFailure::kNoPermission;
    return kInvalidFtdiHandle;
  }
  // The device is looked up again by its place on the bus, so that another device that took its
  // place (or shares its serial number, as clone chips often do) is never opened instead.
  std::vector<FtdiDeviceInfo> devices;
  if (!backend_->Enumerate(devices)) return kInvalidFtdiHandle;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    FtdiDeviceInfo& device = devices[i];
    Cut(device.description, kDescriptionBufferSize);
    Cut(device.serialNumber, kSerialNumberBufferSize);
    if (device.bus == wanted.bus && device.address == wanted.address &&
        device.description == wanted.description && device.serialNumber == wanted.serialNumber) {
      return OpenAt(i);
    }
  }
  mine.lastOpenFailure = OpenFailure::kVanished;
  return kInvalidFtdiHandle;
}

FtdiHandle LibFtdiDriver::OpenAt(std::size_t index) {
  OpenFailure failure = OpenFailure::kOther;
  std::unique_ptr<FtdiDevice> device = backend_->Open(index, failure);
  if (!device) {
    Mine().lastOpenFailure = failure == OpenFailure::kNone ? OpenFailure::kOther : failure;
    return kInvalidFtdiHandle;
  }
  Mine().lastOpenFailure = OpenFailure::kNone;
  const FtdiHandle handle = NextHandle();
  open_[handle].device = std::move(device);
  return handle;
}

bool LibFtdiDriver::GetTimeouts(FtdiHandle handle, FtdiTimeouts& timeouts) {
  OpenDevice* open = Find(handle);
  if (!open) return false;
  timeouts = open->timeouts;
  return true;
}

bool LibFtdiDriver::SetTimeouts(FtdiHandle handle, const FtdiTimeouts& timeouts) {
  OpenDevice* open = Find(handle);
  if (!open) return false;
  open->timeouts = timeouts;
  return true;
}

bool LibFtdiDriver::Purge(FtdiHandle handle, std::uint32_t mask) {
  OpenDevice* open = Find(handle);
  if (!open) return false;
  const bool receive = (mask & kPurgeRx) != 0;
  const bool transmit = (mask & kPurgeTx) != 0;
  if (receive) open->received.clear();
  if (!receive && !transmit) return true;
  return open->device->Purge(receive, transmit);
}

bool LibFtdiDriver::SetLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) {
  OpenDevice* open = Find(handle);
  if (!open) return false;
  // The chip does not take 0; 1 ms is its shortest.
  return open->device->SetLatencyTimer(std::max<std::uint8_t>(milliseconds, 1));
}

bool LibFtdiDriver::Write(FtdiHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                          std::uint32_t& written) {
  written = 0;
  OpenDevice* open = Find(handle);
  if (!open || (count > 0 && !buffer)) return false;

  const FtdiTimeouts& timeouts = open->timeouts;
  const Milliseconds total =
      TotalTimeout(timeouts.WriteTotalTimeoutMultiplier, count, timeouts.WriteTotalTimeoutConstant);
  const bool limited = total.count() != 0;
  const TimePoint deadline = backend_->Now() + total;

  while (written < count) {
    Milliseconds wait = kUnlimitedWriteAttempt;
    if (limited) {
      const TimePoint now = backend_->Now();
      if (now >= deadline) break;
      wait = std::chrono::ceil<Milliseconds>(deadline - now);
    }
    const int piece = std::min(ClampToInt(count - written), kWritePiece);
    const int took = open->device->WriteData(buffer + written, piece, wait);
    if (took < 0) return false;
    written += static_cast<std::uint32_t>(took);
    if (took == 0) Pause(*backend_, limited, deadline);
  }
  return true;
}

bool LibFtdiDriver::Read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t count,
                         std::uint32_t& read) {
  read = 0;
  OpenDevice* open = Find(handle);
  if (!open || (count > 0 && !buffer)) return false;

  read = TakeReceived(*open, buffer, count);
  if (read == count) return true;

  const FtdiTimeouts& timeouts = open->timeouts;
  const bool nonBlocking = timeouts.ReadIntervalTimeout == kNonBlockingInterval &&
                           timeouts.ReadTotalTimeoutMultiplier == 0 &&
                           timeouts.ReadTotalTimeoutConstant == 0;
  const Milliseconds total =
      TotalTimeout(timeouts.ReadTotalTimeoutMultiplier, count, timeouts.ReadTotalTimeoutConstant);
  const bool limited = total.count() != 0;
  const TimePoint deadline = backend_->Now() + total;

  for (;;) {
    // The USB transfer itself is bounded by what is left of the time-out, so that an adapter that
    // stops answering cannot hold the read beyond it.
    Milliseconds wait = nonBlocking ? kNonBlockingWait : kUnlimitedReadAttempt;
    if (limited) {
      const TimePoint now = backend_->Now();
      wait = std::max(Milliseconds(1), std::chrono::ceil<Milliseconds>(deadline - now));
    }
    const int got = open->device->ReadData(buffer + read, ClampToInt(count - read), wait);
    if (got < 0) return false;
    read += static_cast<std::uint32_t>(got);
    if (read == count || nonBlocking) return true;
    // Checked after every read, so bytes that keep trickling in cannot stretch the time-out.
    if (limited && backend_->Now() >= deadline) return true;
    if (got == 0) Pause(*backend_, limited, deadline);
  }
}

bool LibFtdiDriver::QueueStatus(FtdiHandle handle, std::uint32_t& waiting) {
  waiting = 0;
  OpenDevice* open = Find(handle);
  if (!open) return false;
  if (!Receive(*open)) return false;
  waiting = static_cast<std::uint32_t>(open->received.size());
  return true;
}

bool LibFtdiDriver::CloseHandle(FtdiHandle handle) {
  const std::lock_guard lock(mutex_);
  // Destroying the device closes the adapter.
  return open_.erase(handle) != 0;
}

LibFtdiDriver::OpenDevice* LibFtdiDriver::Find(FtdiHandle handle) {
  // Only the thread that opened a handle uses and closes it, so the device found stays valid
  // for that thread after the lock.
  const std::lock_guard lock(mutex_);
  const auto found = open_.find(handle);
  return found == open_.end() ? nullptr : &found->second;
}

bool LibFtdiDriver::Receive(OpenDevice& open) {
  std::vector<std::uint8_t>& received = open.received;
  // A full chunk may mean more is waiting behind it.
  while (received.size() < kReceiveBufferLimit) {
    const std::size_t before = received.size();
    received.resize(before + kReadChunk);
    const int got = open.device->ReadData(received.data() + before, kReadChunk, kNonBlockingWait);
    received.resize(before + static_cast<std::size_t>(std::max(got, 0)));
    if (got < 0) return false;
    if (got < kReadChunk) break;
  }
  return true;
}

std::uint32_t LibFtdiDriver::TakeReceived(OpenDevice& open, std::uint8_t* buffer,
                                          std::uint32_t count) {
  std::vector<std::uint8_t>& received = open.received;
  const std::size_t take = std::min<std::size_t>(count, received.size());
  if (take == 0) return 0;
  std::memcpy(buffer, received.data(), take);
  received.erase(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(take));
  return static_cast<std::uint32_t>(take);
}

FtdiHandle LibFtdiDriver::NextHandle() {
  do {
    ++lastHandle_;
    if (lastHandle_ == kInvalidFtdiHandle) lastHandle_ = 1;
  } while (lastHandle_ == 0 || open_.count(lastHandle_) != 0);
  return lastHandle_;
}

}  // namespace ombrix
