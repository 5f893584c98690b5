#include "Usb.h"

#include "ConsistencyError.h"

namespace ombrix {

namespace {
constexpr const char* kUnit = "Usb";
constexpr std::uint32_t kNonBlockingInterval = 0xFFFFFFFFu;
}  // namespace

TUsb::TUsb() : Handle(kInvalidFtdiHandle), DeviceIndex(-1) {}

TUsb::~TUsb() {
  Close();
}

void TUsb::RequireOpen(int line) const {
  if (!IsOpen()) FailCheck(kUnit, line);
}

bool TUsb::FindDevice() {
  Status = 1;
  Failure = OpenFailure::kNone;
  if (Description.empty()) FailCheck(kUnit, 55);

  FtdiDriver& driver = CurrentDriver();
  std::uint32_t count = 0;
  if (!driver.ListDeviceCount(count)) return false;
  if (count == 0) {
    Status = 2;
    return false;
  }

  int matches = 0;
  std::int32_t matchIndex = -1;
  for (std::uint32_t index = 0; index < count; ++index) {
    std::string description;
    if (!driver.ListDescription(index, description)) return false;
    if (description != Description) continue;
    if (!WantedSerialNumber.empty()) {
      std::string serialNumber;
      if (!driver.ListSerialNumber(index, serialNumber)) return false;
      if (serialNumber != WantedSerialNumber) continue;
    }
    ++matches;
    matchIndex = static_cast<std::int32_t>(index);
  }
  if (matches == 0) {
    Status = 2;
    return false;
  }
  if (matches > 1) {
    Status = 3;
    return false;
  }

  std::string serialNumber;
  if (!driver.ListSerialNumber(static_cast<std::uint32_t>(matchIndex), serialNumber)) return false;
  SerialNumber = serialNumber;
  DeviceIndex = matchIndex;
  return true;
}

bool TUsb::SerialNumbersOf(const std::string& description, std::vector<std::string>& serials) {
  serials.clear();
  FtdiDriver& driver = CurrentDriver();
  std::uint32_t count = 0;
  if (!driver.ListDeviceCount(count)) return false;
  for (std::uint32_t index = 0; index < count; ++index) {
    std::string listed, serialNumber;
    if (!driver.ListDescription(index, listed)) return false;
    if (listed != description) continue;
    if (!driver.ListSerialNumber(index, serialNumber)) return false;
    serials.push_back(serialNumber);
  }
  return true;
}

bool TUsb::Open() {
  Status = 1;
  if (DeviceIndex < 0) FailCheck(kUnit, 107);

  // The handle belongs to the driver that opened it, even if another one becomes current later.
  driver_ = &CurrentDriver();
  FtdiDriver& driver = *driver_;
  // The very device FindDevice chose, not merely the first one with its serial number.
  // A wanted serial number names the device itself, whatever another thread has plugged in or
  // out since the listing.
  Handle = WantedSerialNumber.empty() ? driver.OpenListed(static_cast<std::uint32_t>(DeviceIndex))
                                      : driver.OpenBySerialNumber(WantedSerialNumber);
  if (Handle == kInvalidFtdiHandle) {
    Failure = driver.LastOpenFailure();
    if (Failure == OpenFailure::kNone) Failure = OpenFailure::kOther;
    return false;
  }
  Failure = OpenFailure::kNone;

  // Until the protocol layer sets its own, reads return at once with what has arrived.
  driver.GetTimeouts(Handle, Timeouts);
  Timeouts.ReadIntervalTimeout = kNonBlockingInterval;
  Timeouts.ReadTotalTimeoutMultiplier = 0;
  Timeouts.ReadTotalTimeoutConstant = 0;
  Timeouts.WriteTotalTimeoutMultiplier = 0;
  Timeouts.WriteTotalTimeoutConstant = 200;
  driver.SetTimeouts(Handle, Timeouts);
  driver.Purge(Handle, kPurgeTx | kPurgeRx);
  // Short replies must come back at once, not after the chip's default 16 ms latency.
  driver.SetLatencyTimer(Handle, 1);

  Status = 0;
  return true;
}

void TUsb::Close() {
  if (Handle != kInvalidFtdiHandle) driver_->CloseHandle(Handle);
  Handle = kInvalidFtdiHandle;
}

int TUsb::Write(const std::uint8_t* buffer, int count) {
  Status = 1;
  RequireOpen(156);
  if (count < 0) return 0;

  std::uint32_t written = 0;
  if (!driver_->Write(Handle, buffer, static_cast<std::uint32_t>(count), written)) return 0;
  Status = 0;
  return static_cast<int>(written);
}

int TUsb::Read(std::uint8_t* buffer, int count) {
  Status = 1;
  RequireOpen(176);
  if (count < 0) return 0;

  FtdiDriver& driver = *driver_;
  if (GetReadIntervalTimeout() == kNonBlockingInterval && GetReadTotalTimeoutConstant() == 0 &&
      GetReadTotalTimeoutMultiplier() == 0) {
    std::uint32_t waiting = 0;
    if (!driver.QueueStatus(Handle, waiting) || waiting == 0) return 0;
    if (waiting < static_cast<std::uint32_t>(count)) count = static_cast<int>(waiting);
  }

  std::uint32_t read = 0;
  if (!driver.Read(Handle, buffer, static_cast<std::uint32_t>(count), read)) return 0;
  Status = 0;
  return static_cast<int>(read);
}

void TUsb::Purge() {
  Status = 1;
  RequireOpen(209);
  driver_->Purge(Handle, kPurgeTx | kPurgeRx);
}

void TUsb::ReloadTimeouts() {
  driver_->GetTimeouts(Handle, Timeouts);
}

void TUsb::StoreTimeouts() {
  driver_->SetTimeouts(Handle, Timeouts);
}

std::uint32_t TUsb::GetReadIntervalTimeout() {
  RequireOpen(221);
  ReloadTimeouts();
  return Timeouts.ReadIntervalTimeout;
}

void TUsb::SetReadIntervalTimeout(std::uint32_t value) {
  RequireOpen(230);
  ReloadTimeouts();
  Timeouts.ReadIntervalTimeout = value;
  StoreTimeouts();
}

std::uint32_t TUsb::GetReadTotalTimeoutMultiplier() {
  RequireOpen(244);
  ReloadTimeouts();
  return Timeouts.ReadTotalTimeoutMultiplier;
}

std::uint32_t TUsb::GetReadTotalTimeoutConstant() {
  RequireOpen(267);
  ReloadTimeouts();
  return Timeouts.ReadTotalTimeoutConstant;
}

void TUsb::SetReadTotalTimeoutConstant(std::uint32_t value) {
  RequireOpen(276);
  ReloadTimeouts();
  Timeouts.ReadTotalTimeoutConstant = value;
  StoreTimeouts();
}

void TUsb::SetWriteTotalTimeoutConstant(std::uint32_t value) {
  RequireOpen(322);
  ReloadTimeouts();
  Timeouts.WriteTotalTimeoutConstant = value;
  StoreTimeouts();
}

}  // namespace ombrix
