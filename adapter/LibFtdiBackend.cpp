#include "LibFtdiBackend.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <climits>
#include <thread>

namespace ombrix {

namespace {

// ftdi_usb_get_strings2's result when everything up to the serial number string was read.
constexpr int kSerialNumberUnreadable = -9;

// Room for the longest string a USB string descriptor can carry, terminating zero included.
constexpr int kStringBufferSize = 256;

struct ContextFree {
  void operator()(ftdi_context* context) const { ftdi_free(context); }
};
using ContextPtr = std::unique_ptr<ftdi_context, ContextFree>;

class LibFtdiDevice : public FtdiDevice {
 public:
  explicit LibFtdiDevice(ContextPtr context) : context_(std::move(context)) {}

  // Releasing the interface gives the adapter back to the kernel's serial driver; freeing the
  // context then closes what is left.
  ~LibFtdiDevice() override { ftdi_usb_close(context_.get()); }

  LibFtdiDevice(const LibFtdiDevice&) = delete;
  LibFtdiDevice& operator=(const LibFtdiDevice&) = delete;

  int ReadData(std::uint8_t* buffer, int size) override {
    const int got = ftdi_read_data(context_.get(), buffer, size);
    // The chip answers every poll within its latency timer, with status bytes at least, so a
    // transfer that timed out has brought nothing rather than failed.
    return got == LIBUSB_ERROR_TIMEOUT ? 0 : got;
  }

  int WriteData(const std::uint8_t* buffer, int size, std::chrono::milliseconds timeout) override {
    context_->usb_write_timeout =
        static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 1, INT_MAX));
    const int took = ftdi_write_data(context_.get(), buffer, size);
    if (took >= 0) return took;
    // A transfer that timed out is reported like any other failure. An adapter that still
    // answers a status request is there and merely did not take the bytes in time.
    unsigned short status = 0;
    return ftdi_poll_modem_status(context_.get(), &status) == 0 ? 0 : took;
  }

  bool Purge(bool receive, bool transmit) override {
    if (receive && transmit) return ftdi_tcioflush(context_.get()) == 0;
    if (receive) return ftdi_tciflush(context_.get()) == 0;
    return ftdi_tcoflush(context_.get()) == 0;
  }

  bool SetLatencyTimer(std::uint8_t milliseconds) override {
    return ftdi_set_latency_timer(context_.get(), milliseconds) == 0;
  }

 private:
  ContextPtr context_;
};

class LibFtdiUsb : public LibFtdiBackend {
 public:
  bool Enumerate(std::vector<FtdiDeviceInfo>& devices) override;
  std::unique_ptr<FtdiDevice> Open(std::size_t index) override;

  Clock::time_point Now() override { return Clock::now(); }
  void Sleep(Clock::duration duration) override { std::this_thread::sleep_for(duration); }

 private:
  struct Location {
    std::uint8_t bus;
    std::uint8_t address;
  };

  FtdiDeviceInfo ReadStrings(libusb_device* device);

  // Only ever used to list adapters and read their strings: ftdi_usb_get_strings2 needs a
  // context without an open adapter, and one used for I/O would lose its adapter to it.
  ContextPtr lister_;
  // Where each adapter of the latest listing sits on the bus, so Open can find it again.
  std::vector<Location> locations_;
};

bool LibFtdiUsb::Enumerate(std::vector<FtdiDeviceInfo>& devices) {
  devices.clear();
  locations_.clear();
  if (!lister_) lister_.reset(ftdi_new());
  if (!lister_) return false;  // No USB access at all (libusb could not start).

  // Vendor and product 0 select FTDI's usual product ids.
  ftdi_device_list* list = nullptr;
  const int found = ftdi_usb_find_all(lister_.get(), &list, 0, 0);
  for (ftdi_device_list* entry = list; found >= 0 && entry != nullptr; entry = entry->next) {
    devices.push_back(ReadStrings(entry->dev));
    locations_.push_back(
        {libusb_get_bus_number(entry->dev), libusb_get_device_address(entry->dev)});
  }
  // Also frees what a listing that failed half-way had already gathered.
  ftdi_list_free(&list);
  if (found < 0) {
    devices.clear();
    locations_.clear();
    return false;
  }
  return true;
}

FtdiDeviceInfo LibFtdiUsb::ReadStrings(libusb_device* device) {
  char description[kStringBufferSize] = {};
  char serialNumber[kStringBufferSize] = {};
  const int result = ftdi_usb_get_strings2(lister_.get(), device, nullptr, 0, description,
                                           kStringBufferSize, serialNumber, kStringBufferSize);
  // Some failures leave the adapter open in the listing context; the next adapter's strings
  // must not be read through that handle.
  if (lister_->usb_dev != nullptr) ftdi_usb_close(lister_.get());

  FtdiDeviceInfo info;
  if (result == 0) {
    info.description = description;
    info.serialNumber = serialNumber;
  } else if (result == kSerialNumberUnreadable) {
    // An adapter without a serial number string: reachable, but it cannot be opened by serial.
    info.description = description;
  } else {
    // Typically no permission on the device node (libusb_open failed).
    info.accessible = false;
  }
  return info;
}

std::unique_ptr<FtdiDevice> LibFtdiUsb::Open(std::size_t index) {
  if (index >= locations_.size()) return nullptr;
  ContextPtr context(ftdi_new());
  if (!context) return nullptr;
  // The kernel's serial driver lets go of the adapter while we use it and gets it back on close.
  context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
  const Location& location = locations_[index];
  // On failure the context, freed here, closes anything the attempt left open.
  if (ftdi_usb_open_bus_addr(context.get(), location.bus, location.address) != 0) return nullptr;
  return std::make_unique<LibFtdiDevice>(std::move(context));
}

}  // namespace

std::unique_ptr<LibFtdiBackend> MakeLibFtdiBackend() {
  return std::make_unique<LibFtdiUsb>();
}

}  // namespace ombrix
