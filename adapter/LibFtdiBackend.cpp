#include "LibFtdiBackend.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>

#include "LibFtdiCalls.h"

namespace ombrix {

namespace {

// ftdi_usb_get_strings2's result when everything up to the serial number string was read.
constexpr int kSerialNumberUnreadable = -9;

// Room for the longest string a USB string descriptor can carry, terminating zero included.
constexpr int kStringBufferSize = 256;

int ClampedMilliseconds(std::chrono::milliseconds timeout) {
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 1, INT_MAX));
}

// ftdi_usb_open_bus_addr's result when libusb_claim_interface failed.
constexpr int kClaimFailed = -5;

// Why ftdi_usb_open_bus_addr failed, from its result, its error text and the system's error
// number. The texts are the library's own ("unable to claim usb device...", "libusb_open()
// failed", "device not found"). A failed claim is the same result and text whether another
// program holds the interface or a kernel driver would not let go of it: `kernelDriver` tells
// which (libusb's view of the interface after the failure).
OpenFailure Classify(int result, const char* text, int systemError, bool kernelDriver) {
  const std::string error = text ? text : "";
  const auto says = [&](const char* words) { return error.find(words) != std::string::npos; };
  if (says("claim") || result == kClaimFailed) {
    return kernelDriver ? OpenFailure::kKernelDriver : OpenFailure::kBusy;
  }
  if (says("not found") || systemError == ENODEV) return OpenFailure::kVanished;
  if (systemError == EACCES || systemError == EPERM) return OpenFailure::kNoPermission;
  return OpenFailure::kOther;
}

int KernelDriverActive(ftdi_context* context, std::uint8_t bus, std::uint8_t address) {
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context->usb_ctx, &list);
  if (count < 0) return static_cast<int>(count);
  int active = LIBUSB_ERROR_NOT_FOUND;
  for (ssize_t i = 0; i < count; ++i) {
    if (libusb_get_bus_number(list[i]) != bus || libusb_get_device_address(list[i]) != address) {
      continue;
    }
    libusb_device_handle* handle = nullptr;
    active = libusb_open(list[i], &handle);
    if (active == 0) {
      active = libusb_kernel_driver_active(handle, context->interface);
      libusb_close(handle);
    }
    break;
  }
  libusb_free_device_list(list, 1);
  return active;
}

class LibFtdiDevice : public FtdiDevice {
 public:
  LibFtdiDevice(const LibFtdiCalls& calls, ftdi_context* context)
      : calls_(calls), context_(context) {}

  // Releasing the interface gives the adapter back to the kernel's serial driver; freeing the
  // context then closes what is left.
  ~LibFtdiDevice() override {
    calls_.close(context_);
    calls_.freeContext(context_);
  }

  LibFtdiDevice(const LibFtdiDevice&) = delete;
  LibFtdiDevice& operator=(const LibFtdiDevice&) = delete;

  int ReadData(std::uint8_t* buffer, int size, std::chrono::milliseconds timeout) override {
    // The transfer waits no longer than the caller may; the context's own time-out is put back
    // for whatever uses it next.
    const int previous = context_->usb_read_timeout;
    context_->usb_read_timeout = ClampedMilliseconds(timeout);
    const int got = calls_.readData(context_, buffer, size);
    context_->usb_read_timeout = previous;
    // The chip answers every poll within its latency timer, with status bytes at least, so a
    // transfer that timed out has brought nothing rather than failed.
    if (got == LIBUSB_ERROR_TIMEOUT) return 0;
    // A stalled endpoint stays stalled until the host clears it, which libftdi1 never does: once
    // cleared, the read has brought nothing, and the protocol's retry asks again.
    if (got == LIBUSB_ERROR_PIPE && calls_.clearReadHalt(context_) == 0) return 0;
    return got;
  }

  int WriteData(const std::uint8_t* buffer, int size, std::chrono::milliseconds timeout) override {
    const int previous = context_->usb_write_timeout;
    context_->usb_write_timeout = ClampedMilliseconds(timeout);
    const int took = calls_.writeData(context_, buffer, size);
    context_->usb_write_timeout = previous;
    if (took >= 0) return took;
    // A transfer that timed out is reported like any other failure. An adapter that still
    // answers a status request is there and merely did not take the bytes in time; one that does
    // not has gone.
    unsigned short status = 0;
    return calls_.pollModemStatus(context_, &status) == 0 ? 0 : took;
  }

  bool Purge(bool receive, bool transmit) override {
    if (receive && transmit) return calls_.flushBoth(context_) == 0;
    if (receive) return calls_.flushReceive(context_) == 0;
    return calls_.flushTransmit(context_) == 0;
  }

  bool SetLatencyTimer(std::uint8_t milliseconds) override {
    return calls_.setLatencyTimer(context_, milliseconds) == 0;
  }

 private:
  const LibFtdiCalls& calls_;
  ftdi_context* context_;
};

class LibFtdiUsb : public LibFtdiBackend {
 public:
  explicit LibFtdiUsb(const LibFtdiCalls& calls) : calls_(calls) {}
  ~LibFtdiUsb() override {
    if (lister_) calls_.freeContext(lister_);
  }
  LibFtdiUsb(const LibFtdiUsb&) = delete;
  LibFtdiUsb& operator=(const LibFtdiUsb&) = delete;

  bool Enumerate(std::vector<FtdiDeviceInfo>& devices) override;
  std::unique_ptr<FtdiDevice> Open(std::size_t index, OpenFailure& failure) override;

  Clock::time_point Now() override { return Clock::now(); }
  void Sleep(Clock::duration duration) override { std::this_thread::sleep_for(duration); }

 private:
  FtdiDeviceInfo ReadStrings(libusb_device* device);

  const LibFtdiCalls& calls_;
  // Only ever used to list adapters and read their strings: ftdi_usb_get_strings2 needs a
  // context without an open adapter, and one used for I/O would lose its adapter to it.
  ftdi_context* lister_ = nullptr;
  // The latest listing, so Open can find each adapter again by its place on the bus.
  std::vector<FtdiDeviceInfo> listed_;
};

bool LibFtdiUsb::Enumerate(std::vector<FtdiDeviceInfo>& devices) {
  devices.clear();
  listed_.clear();
  if (!lister_) lister_ = calls_.newContext();
  if (!lister_) return false;  // No USB access at all (libusb could not start).

  // Vendor and product 0 select FTDI's usual product ids.
  ftdi_device_list* list = nullptr;
  const int found = calls_.findAll(lister_, &list, 0, 0);
  for (ftdi_device_list* entry = list; found >= 0 && entry != nullptr; entry = entry->next) {
    FtdiDeviceInfo info = ReadStrings(entry->dev);
    info.bus = calls_.busNumber(entry->dev);
    info.address = calls_.deviceAddress(entry->dev);
    devices.push_back(std::move(info));
  }
  // Also frees what a listing that failed half-way had already gathered.
  calls_.freeList(&list);
  if (found < 0) {
    devices.clear();
    return false;
  }
  listed_ = devices;
  return true;
}

FtdiDeviceInfo LibFtdiUsb::ReadStrings(libusb_device* device) {
  char description[kStringBufferSize] = {};
  char serialNumber[kStringBufferSize] = {};
  const int result = calls_.getStrings(lister_, device, nullptr, 0, description, kStringBufferSize,
                                       serialNumber, kStringBufferSize);
  // Some failures leave the adapter open in the listing context; the next adapter's strings
  // must not be read through that handle.
  if (lister_->usb_dev != nullptr) calls_.close(lister_);

  FtdiDeviceInfo info;
  if (result == 0) {
    info.description = description;
    info.serialNumber = serialNumber;
  } else if (result == kSerialNumberUnreadable) {
    // An adapter without a serial number string: reachable, and opened by its place on the bus.
    info.description = description;
  } else {
    // Typically no permission on the device node (libusb_open failed).
    info.accessible = false;
  }
  return info;
}

std::unique_ptr<FtdiDevice> LibFtdiUsb::Open(std::size_t index, OpenFailure& failure) {
  failure = OpenFailure::kOther;
  if (index >= listed_.size()) return nullptr;
  ftdi_context* context = calls_.newContext();
  if (!context) return nullptr;
  // The kernel's serial driver lets go of the adapter while we use it and gets it back on close.
  context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
  const FtdiDeviceInfo& location = listed_[index];
  errno = 0;
  const int result = calls_.openBusAddress(context, location.bus, location.address);
  if (result != 0) {
    const int systemError = errno;
    const bool kernelDriver =
        result == kClaimFailed &&
        calls_.kernelDriverActive(context, location.bus, location.address) == 1;
    failure = Classify(result, calls_.errorString(context), systemError, kernelDriver);
    // Freeing the context closes anything the attempt left open.
    calls_.freeContext(context);
    return nullptr;
  }
  failure = OpenFailure::kNone;
  return std::make_unique<LibFtdiDevice>(calls_, context);
}

}  // namespace

const LibFtdiCalls& RealLibFtdiCalls() {
  static const LibFtdiCalls calls{
      ftdi_new,
      ftdi_free,
      ftdi_usb_find_all,
      ftdi_list_free,
      ftdi_usb_get_strings2,
      [](libusb_device* device) { return libusb_get_bus_number(device); },
      [](libusb_device* device) { return libusb_get_device_address(device); },
      ftdi_usb_open_bus_addr,
      ftdi_usb_close,
      ftdi_get_error_string,
      ftdi_read_data,
      ftdi_write_data,
      ftdi_poll_modem_status,
      ftdi_tcioflush,
      ftdi_tciflush,
      ftdi_tcoflush,
      ftdi_set_latency_timer,
      KernelDriverActive,
      // libftdi1's out_ep is the endpoint it reads from (0x81).
      [](ftdi_context* context) { return libusb_clear_halt(context->usb_dev, context->out_ep); },
  };
  return calls;
}

std::unique_ptr<LibFtdiBackend> MakeLibFtdiBackend(const LibFtdiCalls& calls) {
  return std::make_unique<LibFtdiUsb>(calls);
}

std::unique_ptr<LibFtdiBackend> MakeLibFtdiBackend() {
  return MakeLibFtdiBackend(RealLibFtdiCalls());
}

}  // namespace ombrix
