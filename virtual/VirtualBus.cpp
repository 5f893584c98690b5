#include "VirtualBus.h"

#include <algorithm>
#include <stdexcept>

namespace ombrix {

namespace {
constexpr std::uint32_t kNonBlockingInterval = 0xFFFFFFFFu;
}

VirtualBus::VirtualBus(Clock& clock, LinkTiming timing) : clock_(clock), timing_(timing) {}

VirtualBus::~VirtualBus() = default;

// --- Devices ---

VirtualBus::Device* VirtualBus::Find(const std::string& serialNumber) const {
  for (const auto& device : devices_) {
    if (device->serialNumber == serialNumber) return device.get();
  }
  return nullptr;
}

AdapterController& VirtualBus::AddAdapter(const std::string& description,
                                          const std::string& serialNumber) {
  const std::lock_guard lock(mutex_);
  AddPlainDevice(description, serialNumber);
  devices_.back()->controller = std::make_unique<AdapterController>();
  return *devices_.back()->controller;
}

void VirtualBus::AddPlainDevice(const std::string& description, const std::string& serialNumber) {
  const std::lock_guard lock(mutex_);
  if (Find(serialNumber)) throw std::invalid_argument("serial number in use: " + serialNumber);
  auto device = std::make_unique<Device>();
  device->description = description;
  device->serialNumber = serialNumber;
  devices_.push_back(std::move(device));
  Plugged(*devices_.back());
}

void VirtualBus::Plugged(Device& device) {
  device.plugged = true;
  device.handle = kInvalidFtdiHandle;
  device.latencyTimerMs = kPowerOnLatencyMs;
  device.received.clear();
  device.lineFreeMicros = 0;
  if (device.controller) device.controller->PowerOn();
}

bool VirtualBus::Unplug(const std::string& serialNumber) {
  const std::lock_guard lock(mutex_);
  Device* device = Find(serialNumber);
  if (!device || !device->plugged) return false;
  device->returnMicros.reset();
  device->plugged = false;
  device->handle = kInvalidFtdiHandle;
  device->received.clear();
  return true;
}

bool VirtualBus::Plug(const std::string& serialNumber) {
  const std::lock_guard lock(mutex_);
  Device* device = Find(serialNumber);
  if (!device || device->plugged) return false;
  device->returnMicros.reset();
  // A device plugged in again is enumerated after those already there.
  auto it = std::find_if(devices_.begin(), devices_.end(),
                         [device](const auto& d) { return d.get() == device; });
  std::rotate(it, it + 1, devices_.end());
  Plugged(*device);
  return true;
}

bool VirtualBus::IsPlugged(const std::string& serialNumber) const {
  const std::lock_guard lock(mutex_);
  const Device* device = Find(serialNumber);
  return device && device->plugged;
}

bool VirtualBus::IsOpen(const std::string& serialNumber) const {
  const std::lock_guard lock(mutex_);
  const Device* device = Find(serialNumber);
  return device && device->handle != kInvalidFtdiHandle;
}

AdapterController* VirtualBus::Adapter(const std::string& serialNumber) {
  const std::lock_guard lock(mutex_);
  Device* device = Find(serialNumber);
  return device ? device->controller.get() : nullptr;
}

std::vector<std::string> VirtualBus::AdapterSerialNumbers() const {
  const std::lock_guard lock(mutex_);
  std::vector<std::string> serialNumbers;
  for (const auto& device : devices_) {
    if (device->controller) serialNumbers.push_back(device->serialNumber);
  }
  return serialNumbers;
}

std::int64_t VirtualBus::LinkMicros() const {
  const std::lock_guard lock(mutex_);
  std::int64_t total = 0;
  for (const auto& device : devices_) total += device->linkMicros;
  return total;
}

std::int64_t VirtualBus::LinkMicros(const std::string& serialNumber) const {
  const std::lock_guard lock(mutex_);
  const Device* device = Find(serialNumber);
  return device ? device->linkMicros : 0;
}

// A device that dropped out comes back once its time has come, as a listing would find it.
void VirtualBus::ComeBack() {
  ApplyVisitsLocked();
  const std::int64_t now = NowMicros();
  std::vector<std::string> due;
  for (const auto& device : devices_) {
    if (!device->plugged && device->returnMicros && *device->returnMicros <= now) {
      due.push_back(device->serialNumber);
    }
  }
  for (const std::string& serialNumber : due) Plug(serialNumber);
}

// --- Listing and opening ---

VirtualBus::Device* VirtualBus::Listed(std::uint32_t index) const {
  for (const auto& device : devices_) {
    if (!device->plugged) continue;
    if (index == 0) return device.get();
    --index;
  }
  return nullptr;
}

bool VirtualBus::ListDeviceCount(std::uint32_t& count) {
  const std::lock_guard lock(mutex_);
  ComeBack();
  count = static_cast<std::uint32_t>(
      std::count_if(devices_.begin(), devices_.end(), [](const auto& d) { return d->plugged; }));
  return true;
}

bool VirtualBus::ListDescription(std::uint32_t index, std::string& description) {
  const std::lock_guard lock(mutex_);
  ComeBack();
  const Device* device = Listed(index);
  if (!device) return false;
  description = device->description.substr(0, kDescriptionBufferSize - 1);
  return true;
}

bool VirtualBus::ListSerialNumber(std::uint32_t index, std::string& serialNumber) {
  const std::lock_guard lock(mutex_);
  ComeBack();
  const Device* device = Listed(index);
  if (!device) return false;
  serialNumber = device->serialNumber.substr(0, kSerialNumberBufferSize - 1);
  return true;
}

bool VirtualBus::RefuseOpen(const std::string& serialNumber, OpenFailure why) {
  const std::lock_guard lock(mutex_);
  Device* device = Find(serialNumber);
  if (!device) return false;
  device->refusesOpen = why;
  return true;
}

FtdiHandle VirtualBus::OpenBySerialNumber(const std::string& serialNumber) {
  const std::lock_guard lock(mutex_);
  ComeBack();
  Device* device = Find(serialNumber);
  lastOpenFailure_ = OpenFailure::kOther;
  if (!device || !device->plugged) return kInvalidFtdiHandle;
  if (device->refusesOpen != OpenFailure::kNone) {
    lastOpenFailure_ = device->refusesOpen;
    return kInvalidFtdiHandle;
  }
  if (device->handle != kInvalidFtdiHandle) {
    lastOpenFailure_ = OpenFailure::kBusy;
    return kInvalidFtdiHandle;
  }
  lastOpenFailure_ = OpenFailure::kNone;
  device->handle = nextHandle_++;
  if (nextHandle_ == kInvalidFtdiHandle) nextHandle_ = 1;
  device->timeouts = {};
  device->received.clear();
  return device->handle;
}

OpenFailure VirtualBus::LastOpenFailure() const {
  const std::lock_guard lock(mutex_);
  return lastOpenFailure_;
}

VirtualBus::Device* VirtualBus::Opened(FtdiHandle handle) const {
  if (handle == kInvalidFtdiHandle) return nullptr;
  for (const auto& device : devices_) {
    if (device->plugged && device->handle == handle) return device.get();
  }
  return nullptr;
}

bool VirtualBus::CloseHandle(FtdiHandle handle) {
  const std::lock_guard lock(mutex_);
  Device* device = Opened(handle);
  if (!device) return false;
  device->handle = kInvalidFtdiHandle;
  return true;
}

bool VirtualBus::GetTimeouts(FtdiHandle handle, FtdiTimeouts& timeouts) {
  const std::lock_guard lock(mutex_);
  const Device* device = Opened(handle);
  if (!device) return false;
  timeouts = device->timeouts;
  return true;
}

bool VirtualBus::SetTimeouts(FtdiHandle handle, const FtdiTimeouts& timeouts) {
  const std::lock_guard lock(mutex_);
  Device* device = Opened(handle);
  if (!device) return false;
  device->timeouts = timeouts;
  return true;
}

bool VirtualBus::SetLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) {
  const std::lock_guard lock(mutex_);
  Device* device = Opened(handle);
  if (!device) return false;
  device->latencyTimerMs = milliseconds;
  return true;
}

// --- Data ---

std::int64_t VirtualBus::NowMicros() const {
  return clock_.MonotonicMilliseconds() * 1000;
}

std::size_t VirtualBus::Arrived(const Device& device, std::int64_t nowMicros) const {
  // Reply bytes arrive in order, so the arrived ones are a prefix of the queue.
  std::size_t n = 0;
  while (n < device.received.size() && device.received[n].availableMicros <= nowMicros) ++n;
  return n;
}

void VirtualBus::SleepUntil(std::int64_t micros) {
  const std::int64_t now = NowMicros();
  if (micros > now) clock_.Sleep((micros - now + 999) / 1000);
}

bool VirtualBus::Purge(FtdiHandle handle, std::uint32_t mask) {
  const std::lock_guard lock(mutex_);
  Device* device = Opened(handle);
  if (!device) return false;
  if (mask & kPurgeRx) {
    device->received.erase(
        device->received.begin(),
        device->received.begin() + static_cast<std::ptrdiff_t>(Arrived(*device, NowMicros())));
  }
  return true;
}

bool VirtualBus::QueueStatus(FtdiHandle handle, std::uint32_t& waiting) {
  const std::lock_guard lock(mutex_);
  const Device* device = Opened(handle);
  if (!device) return false;
  waiting = static_cast<std::uint32_t>(Arrived(*device, NowMicros()));
  return true;
}

bool VirtualBus::Write(FtdiHandle handle, const std::uint8_t* buffer, std::uint32_t count,
                       std::uint32_t& written) {
  const std::lock_guard lock(mutex_);
  written = 0;
  ApplyVisitsLocked();
  Device* device = Opened(handle);
  if (!device) return false;
  if (count == 0) return true;  // nothing reaches the chip

  const std::int64_t now = NowMicros();
  const std::int64_t lineStart = std::max(now, device->lineFreeMicros);
  device->lineFreeMicros = lineStart + timing_.ByteEndMicros(count - 1);
  std::int64_t lastByte = device->lineFreeMicros;

  if (device->controller) {
    const std::int64_t utcAtLineStart = clock_.UtcMilliseconds() + (lineStart - now) / 1000;
    AdapterController::Transfer transfer = device->controller->Exchange(
        std::span<const std::uint8_t>(buffer, count), utcAtLineStart, timing_);
    if (transfer.unplugged) {
      Unplug(device->serialNumber);
      if (transfer.backAfterMs) device->returnMicros = now + *transfer.backAfterMs * 1000;
      return false;
    }
    const std::int64_t latency =
        timing_.LatencyMicros(device->latencyTimerMs) + transfer.replyDelayMs * 1000;
    for (std::size_t i = 0; i < transfer.reply.size(); ++i) {
      const std::size_t position =
          i < transfer.replyPositions.size() ? transfer.replyPositions[i] : i;
      std::int64_t at = lineStart + timing_.ByteEndMicros(position) + latency;
      // The line keeps the bytes in order: none overtakes a reply held back before it.
      if (!device->received.empty()) at = std::max(at, device->received.back().availableMicros);
      device->received.push_back({transfer.reply[i], at});
      lastByte = std::max(lastByte, at);
    }
  }
  device->linkMicros += lastByte - lineStart;
  written = count;
  return true;
}

bool VirtualBus::Read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t count,
                      std::uint32_t& read) {
  read = 0;
  std::unique_lock lock(mutex_);
  Device* device = Opened(handle);
  if (!device) return false;

  const FtdiTimeouts& t = device->timeouts;
  const std::int64_t now = NowMicros();
  std::size_t available = Arrived(*device, now);
  const bool nonBlocking = t.ReadIntervalTimeout == kNonBlockingInterval &&
                           t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
  if (!nonBlocking && available < count) {
    const std::uint64_t totalMs = static_cast<std::uint64_t>(t.ReadTotalTimeoutMultiplier) * count +
                                  t.ReadTotalTimeoutConstant;
    const std::size_t coming = std::min<std::size_t>(device->received.size(), count);
    // Wait for the last byte needed, but not past the deadline.
    std::int64_t until = coming ? device->received[coming - 1].availableMicros : now;
    if (totalMs > 0) {
      const std::int64_t deadline = now + static_cast<std::int64_t>(totalMs) * 1000;
      if (coming < count || until > deadline) until = deadline;
    }
    // Other threads use the bus while this one waits; the device may be gone afterwards.
    lock.unlock();
    SleepUntil(until);
    lock.lock();
    device = Opened(handle);
    if (!device) return false;
    available = Arrived(*device, std::max(until, NowMicros()));
  }

  const std::size_t n = std::min<std::size_t>(available, count);
  for (std::size_t i = 0; i < n; ++i) buffer[i] = device->received[i].byte;
  device->received.erase(device->received.begin(),
                         device->received.begin() + static_cast<std::ptrdiff_t>(n));
  read = static_cast<std::uint32_t>(n);
  return true;
}

// --- Visits ---

void VirtualBus::AddVisit(const std::string& adapterSerial, std::shared_ptr<VirtualProbe> probe,
                          std::int64_t onUtcMs, std::optional<std::int64_t> offUtcMs) {
  const std::lock_guard lock(mutex_);
  visits_.push_back({adapterSerial, std::move(probe), onUtcMs, offUtcMs});
}

void VirtualBus::ApplyVisits() {
  const std::lock_guard lock(mutex_);
  ApplyVisitsLocked();
}

void VirtualBus::ApplyVisitsLocked() {
  if (visits_.empty()) return;
  const std::int64_t now = clock_.UtcMilliseconds();
  // Leaving before arriving, so that a probe moved from one adapter to another at the same
  // instant, or one put on where another has just left, finds the place free.
  for (Visit& visit : visits_) {
    if (!visit.arrived || visit.left || !visit.offUtcMs || *visit.offUtcMs > now) continue;
    visit.left = true;
    AdapterController* adapter = Adapter(visit.adapterSerial);
    if (adapter && adapter->Probe() == visit.probe.get()) adapter->DetachProbe();
  }
  for (Visit& visit : visits_) {
    if (visit.arrived || visit.onUtcMs > now) continue;
    visit.arrived = true;
    // A visit whose time has passed altogether (a lab taken up later) leaves no trace.
    if (visit.offUtcMs && *visit.offUtcMs <= now) {
      visit.left = true;
      continue;
    }
    if (AdapterController* adapter = Adapter(visit.adapterSerial)) {
      adapter->AttachProbe(visit.probe);
    }
  }
}

}  // namespace ombrix
