// The libusb-1.0 functions that Debian's libftdi1 1.5 and the program call, over a bus of emulated
// FT232R adapters (VID 0403, PID 6001) built from a scenario or a virtual state file of the
// built-in virtual adapter, with the adapter controller and the probe of that adapter behind each
// chip. Loaded in place of the system's libusb (soname libusb-1.0.so.0) for a test process only.
//
// Set-up, from the environment at load:
//   OMBRIX_USB_EMULATOR_STATE     a virtual state file (the format of --virtual-state): the
//                                 bus is built from it and written back to it when the last
//                                 libusb context closes
//   OMBRIX_USB_EMULATOR_SCENARIO  the scenario when there is no state file yet (default demo)
//   OMBRIX_USB_EMULATOR_TIME      "real" to wait for the chip in real time (benchmarks, the
//                                 window's station); else the process runs on virtual time
//                                 (EmulatedTime.h)
//   OMBRIX_USB_EMULATOR_FAULTS    what goes wrong on the scenario's first adapter, comma-separated:
//     no-access       its device node cannot be opened (LIBUSB_ERROR_ACCESS, EACCES)
//     busy            another program has claimed its interface (LIBUSB_ERROR_BUSY)
//     kernel-driver   the kernel's serial driver holds it and will not let go
//     unplug=N        it leaves the bus at its Nth bulk transfer (LIBUSB_ERROR_NO_DEVICE)
//     timeout=N       its Nth bulk IN transfer gets no packet before its time-out
//     short=N         its Nth IN packet that carries data arrives cut after the first byte
//     stall=N         its IN endpoint halts at the Nth bulk IN transfer (LIBUSB_ERROR_PIPE
//                     until the host clears the halt)
//     twin            a second adapter with the same description and serial number
//     product=TEXT    its product string (a clone chip)
//     latency-fixed   it keeps its power-on latency timer of 16 ms whatever it is told
// Without a state file and a scenario the bus is empty and time is real.
//
// USB timing: a control transfer takes one 1 ms frame; bulk transfers take the time the chip
// gives them (Ft232rChip.h).
#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "AdapterController.h"
#include "Clock.h"
#include "EmulatedTime.h"
#include "Ft232rChip.h"
#include "Scenarios.h"
#include "VirtualBus.h"
#include "VirtualState.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace ombrix::emulator {
struct Device;
}

struct libusb_context {
  int unused = 0;
};
struct libusb_device {
  ombrix::emulator::Device* device;
};
struct libusb_device_handle {
  libusb_device* device;
  bool claimed = false;
  bool autoDetach = false;
};

namespace ombrix::emulator {

namespace {
constexpr std::uint8_t kInEndpoint = 0x81;
constexpr std::uint8_t kOutEndpoint = 0x02;
constexpr std::int64_t kControlMicros = 1000;
}  // namespace

struct Device {
  explicit Device(AdapterController* controller) : chip(controller) {}

  libusb_device usb{this};
  std::string product;
  std::string serialNumber;
  std::uint8_t address = 0;
  std::unique_ptr<AdapterController> ownController;  // a twin's
  Ft232rChip chip;
  bool plugged = true;
  bool kernelDriver = true;  // the kernel's serial driver is bound to the interface
  libusb_device_handle* claimedBy = nullptr;
  bool halted = false;
  // Faults.
  bool noAccess = false, heldElsewhere = false, driverStuck = false;
  int unplugAt = 0, timeoutAt = 0, shortAt = 0, stallAt = 0;
  // Counts, for the faults.
  int transfers = 0, inTransfers = 0, dataPackets = 0;
};

namespace {

// The bus's wall clock for the virtual adapter's scenarios and probes.
class EmulatorClock : public Clock {
 public:
  std::int64_t UtcMilliseconds() override {
    return emulated_time::UtcMilliseconds(emulated_time::NowMicros());
  }
  std::int64_t MonotonicMilliseconds() override { return emulated_time::NowMicros() / 1000; }
  void Sleep(std::int64_t milliseconds) override {
    emulated_time::WaitUntil(emulated_time::NowMicros() + milliseconds * 1000);
  }
};

[[noreturn]] void Refuse(const std::string& why) {
  std::fprintf(stderr, "usb emulator: %s\n", why.c_str());
  std::_Exit(70);
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

class Bench {
 public:
  static Bench& Get() {
    // Never destroyed: the program may close its last context during its own exit.
    static Bench* bench = new Bench;
    return *bench;
  }

  std::mutex mutex;
  std::vector<std::unique_ptr<Device>> devices;
  int contexts = 0;

  void Save();

 private:
  Bench();
  void ApplyFaults(Device& adapter, const std::string& faults);

  EmulatorClock clock_;
  std::unique_ptr<VirtualBus> bus_;
  std::string stateFile_;
  VirtualState state_;
};

Bench::Bench() {
  stateFile_ = Environment("OMBRIX_USB_EMULATOR_STATE");
  std::string scenarioName = Environment("OMBRIX_USB_EMULATOR_SCENARIO");
  const bool virtualTime = Environment("OMBRIX_USB_EMULATOR_TIME") != "real";
  bool restore = false;
  if (!stateFile_.empty()) {
    std::ifstream file(stateFile_, std::ios::binary);
    if (file) {
      std::stringstream text;
      text << file.rdbuf();
      std::string error;
      if (!ParseVirtualState(text.str(), state_, error)) Refuse(stateFile_ + ": " + error);
      restore = true;
    }
  }
  if (!restore && scenarioName.empty() && stateFile_.empty()) return;  // an empty bus
  if (restore) scenarioName = state_.scenario;
  if (scenarioName.empty()) scenarioName = std::string(scenario::kDefault);
  state_.scenario = scenarioName;

  timespec wall{};
  clock_gettime(CLOCK_REALTIME, &wall);
  emulated_time::Start(virtualTime,
                       restore ? state_.utcMilliseconds
                               : std::int64_t{wall.tv_sec} * 1000 + wall.tv_nsec / 1'000'000);
  bus_ = std::make_unique<VirtualBus>(clock_, LinkTiming::Instant());
  if (!BuildScenario(*bus_, scenarioName)) Refuse("unknown scenario " + scenarioName);
  std::string error;
  if (restore && !RestoreProbes(*bus_, state_, error)) Refuse(stateFile_ + ": " + error);

  std::uint32_t count = 0;
  bus_->ListDeviceCount(count);
  const std::int64_t now = emulated_time::NowMicros();
  Device* firstAdapter = nullptr;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string product, serialNumber;
    bus_->ListDescription(i, product);
    bus_->ListSerialNumber(i, serialNumber);
    auto device = std::make_unique<Device>(bus_->Adapter(serialNumber));
    device->product = product;
    device->serialNumber = serialNumber;
    device->address = static_cast<std::uint8_t>(2 + i);
    device->chip.PowerOn(now);
    if (!firstAdapter && bus_->Adapter(serialNumber)) firstAdapter = device.get();
    devices.push_back(std::move(device));
  }
  const std::string faults = Environment("OMBRIX_USB_EMULATOR_FAULTS");
  if (!faults.empty()) {
    if (!firstAdapter) Refuse("faults for a scenario without an adapter");
    ApplyFaults(*firstAdapter, faults);
  }
}

void Bench::ApplyFaults(Device& adapter, const std::string& faults) {
  std::stringstream list(faults);
  std::string item;
  while (std::getline(list, item, ',')) {
    const std::size_t equals = item.find('=');
    const std::string name = item.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : item.substr(equals + 1);
    const int n = std::atoi(value.c_str());
    if (name == "no-access") {
      adapter.noAccess = true;
    } else if (name == "busy") {
      adapter.heldElsewhere = true;
      adapter.kernelDriver = false;  // the other program's claim detached it
    } else if (name == "kernel-driver") {
      adapter.driverStuck = true;
    } else if (name == "unplug") {
      adapter.unplugAt = n;
    } else if (name == "timeout") {
      adapter.timeoutAt = n;
    } else if (name == "short") {
      adapter.shortAt = n;
    } else if (name == "stall") {
      adapter.stallAt = n;
    } else if (name == "product") {
      adapter.product = value;
    } else if (name == "latency-fixed") {
      adapter.chip.KeepLatencyTimer(true);
    } else if (name == "twin") {
      auto controller = std::make_unique<AdapterController>();
      auto twin = std::make_unique<Device>(controller.get());
      twin->ownController = std::move(controller);
      twin->product = adapter.product;
      twin->serialNumber = adapter.serialNumber;
      twin->address = static_cast<std::uint8_t>(2 + devices.size());
      twin->chip.PowerOn(emulated_time::NowMicros());
      devices.push_back(std::move(twin));
    } else {
      Refuse("unknown fault " + item);
    }
  }
}

void Bench::Save() {
  if (stateFile_.empty() || !bus_) return;
  state_.utcMilliseconds = clock_.UtcMilliseconds();
  CaptureProbes(*bus_, state_);
  const std::string temporary = stateFile_ + ".new";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << FormatVirtualState(state_);
    if (!file.flush()) Refuse("cannot write " + temporary);
  }
  if (std::rename(temporary.c_str(), stateFile_.c_str()) != 0) Refuse("cannot write " + stateFile_);
}

// Builds the bus when the library is loaded, so that the program's first look at the clock
// already sees the emulated time.
__attribute__((constructor)) void StartBench() {
  Bench::Get();
}

// A configuration descriptor with everything it points to, in one allocation.
struct ConfigDescriptor {
  libusb_config_descriptor config;
  libusb_interface interface;
  libusb_interface_descriptor setting;
  libusb_endpoint_descriptor endpoints[2];
};

// Says on stderr that a planned fault struck, so that a test knows it did.
void Struck(const char* fault, int count) {
  std::fprintf(stderr, "usb emulator: %s at %d\n", fault, count);
}

int Fail(int error, int systemError) {
  errno = systemError;
  return error;
}

Device& Of(libusb_device_handle* handle) {
  return *handle->device->device;
}

void Release(libusb_device_handle* handle) {
  Device& device = Of(handle);
  handle->claimed = false;
  if (device.claimedBy == handle) device.claimedBy = nullptr;
  // With automatic detaching, the kernel's driver gets the interface back.
  if (handle->autoDetach) device.kernelDriver = true;
}

int BulkIn(Device& device, std::uint8_t* data, int length, int* transferred, unsigned int timeout) {
  ++device.inTransfers;
  if (device.inTransfers == device.stallAt) {
    Struck("stall", device.stallAt);
    device.halted = true;
  }
  if (device.halted) return LIBUSB_ERROR_PIPE;
  const std::int64_t now = emulated_time::NowMicros();
  const std::int64_t deadline =
      timeout ? now + std::int64_t{timeout} * 1000 : std::numeric_limits<std::int64_t>::max();
  if (device.inTransfers == device.timeoutAt) {
    Struck("timeout", device.timeoutAt);
    emulated_time::WaitUntil(deadline);
    return LIBUSB_ERROR_TIMEOUT;
  }
  // The host asks for packets until one is short or the buffer is full.
  std::int64_t at = now;
  for (;;) {
    Ft232rChip::Packet packet = device.chip.NextPacket(at);
    if (packet.at > deadline) {
      emulated_time::WaitUntil(deadline);
      return LIBUSB_ERROR_TIMEOUT;
    }
    if (static_cast<int>(packet.bytes.size()) > length - *transferred) {
      return LIBUSB_ERROR_OVERFLOW;
    }
    device.chip.Sent(packet);
    at = packet.at;
    emulated_time::WaitUntil(at);
    if (packet.bytes.size() > Ft232rChip::kStatusBytes && ++device.dataPackets == device.shortAt) {
      Struck("short", device.shortAt);
      packet.bytes.resize(1);
    }
    std::memcpy(data + *transferred, packet.bytes.data(), packet.bytes.size());
    *transferred += static_cast<int>(packet.bytes.size());
    if (packet.bytes.size() < Ft232rChip::kPacketSize || *transferred == length) return 0;
  }
}

}  // namespace
}  // namespace ombrix::emulator

using ombrix::emulator::Bench;
using ombrix::emulator::Device;
using ombrix::emulator::Fail;
using ombrix::emulator::Of;
using ombrix::emulator::Struck;
namespace emulated_time = ombrix::emulator::emulated_time;

// --- Contexts and the device list ---

EXPORT int libusb_init(libusb_context** context) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  ++bench.contexts;
  if (context) *context = new libusb_context;
  return 0;
}

EXPORT void libusb_exit(libusb_context* context) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  delete context;
  if (--bench.contexts == 0) bench.Save();
}

EXPORT ssize_t libusb_get_device_list(libusb_context*, libusb_device*** list) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  std::vector<libusb_device*> plugged;
  for (const auto& device : bench.devices) {
    if (device->plugged) plugged.push_back(&device->usb);
  }
  auto* array = static_cast<libusb_device**>(std::calloc(plugged.size() + 1, sizeof(void*)));
  if (!array) return LIBUSB_ERROR_NO_MEM;
  std::copy(plugged.begin(), plugged.end(), array);
  *list = array;
  return static_cast<ssize_t>(plugged.size());
}

EXPORT void libusb_free_device_list(libusb_device** list, int) {
  std::free(list);
}

// The devices live as long as the process: references need no counting.
EXPORT libusb_device* libusb_ref_device(libusb_device* device) {
  return device;
}

EXPORT void libusb_unref_device(libusb_device*) {}

EXPORT uint8_t libusb_get_bus_number(libusb_device*) {
  return 1;
}

EXPORT uint8_t libusb_get_device_address(libusb_device* device) {
  return device->device->address;
}

// --- Descriptors ---

EXPORT int libusb_get_device_descriptor(libusb_device* device,
                                        libusb_device_descriptor* descriptor) {
  *descriptor = {};
  descriptor->bLength = LIBUSB_DT_DEVICE_SIZE;
  descriptor->bDescriptorType = LIBUSB_DT_DEVICE;
  descriptor->bcdUSB = 0x0200;
  descriptor->bMaxPacketSize0 = 8;
  descriptor->idVendor = 0x0403;
  descriptor->idProduct = 0x6001;
  descriptor->bcdDevice = 0x0600;  // the R family
  descriptor->iManufacturer = 1;
  descriptor->iProduct = 2;
  descriptor->iSerialNumber = device->device->serialNumber.empty() ? 0 : 3;
  descriptor->bNumConfigurations = 1;
  return 0;
}

EXPORT int libusb_get_config_descriptor(libusb_device*, uint8_t index,
                                        libusb_config_descriptor** config) {
  if (index != 0) return LIBUSB_ERROR_NOT_FOUND;
  auto* whole = new ombrix::emulator::ConfigDescriptor{};
  for (int i = 0; i < 2; ++i) {
    libusb_endpoint_descriptor& endpoint = whole->endpoints[i];
    endpoint.bLength = LIBUSB_DT_ENDPOINT_SIZE;
    endpoint.bDescriptorType = LIBUSB_DT_ENDPOINT;
    endpoint.bEndpointAddress =
        i == 0 ? ombrix::emulator::kInEndpoint : ombrix::emulator::kOutEndpoint;
    endpoint.bmAttributes = LIBUSB_TRANSFER_TYPE_BULK;
    endpoint.wMaxPacketSize = ombrix::emulator::Ft232rChip::kPacketSize;
  }
  whole->setting.bLength = LIBUSB_DT_INTERFACE_SIZE;
  whole->setting.bDescriptorType = LIBUSB_DT_INTERFACE;
  whole->setting.bNumEndpoints = 2;
  whole->setting.bInterfaceClass = LIBUSB_CLASS_VENDOR_SPEC;
  whole->setting.endpoint = whole->endpoints;
  whole->interface.altsetting = &whole->setting;
  whole->interface.num_altsetting = 1;
  whole->config.bLength = LIBUSB_DT_CONFIG_SIZE;
  whole->config.bDescriptorType = LIBUSB_DT_CONFIG;
  whole->config.bNumInterfaces = 1;
  whole->config.bConfigurationValue = 1;
  whole->config.MaxPower = 45;  // 90 mA
  whole->config.interface = &whole->interface;
  *config = &whole->config;
  return 0;
}

EXPORT void libusb_free_config_descriptor(libusb_config_descriptor* config) {
  // The configuration is the first member of what was allocated.
  delete reinterpret_cast<ombrix::emulator::ConfigDescriptor*>(config);
}

EXPORT int libusb_get_string_descriptor_ascii(libusb_device_handle* handle, uint8_t index,
                                              unsigned char* data, int length) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  Device& device = Of(handle);
  if (!device.plugged) return LIBUSB_ERROR_NO_DEVICE;
  emulated_time::WaitUntil(emulated_time::NowMicros() + ombrix::emulator::kControlMicros);
  static const std::string kManufacturer = "FTDI";
  const std::string* text = index == 1   ? &kManufacturer
                            : index == 2 ? &device.product
                            : index == 3 ? &device.serialNumber
                                         : nullptr;
  // An index the device does not have stalls the request.
  if (!text || text->empty()) return LIBUSB_ERROR_PIPE;
  if (length <= 0) return LIBUSB_ERROR_INVALID_PARAM;
  const int n = std::min(static_cast<int>(text->size()), length - 1);
  for (int i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>((*text)[static_cast<std::size_t>(i)]);
    data[i] = c < 0x80 ? c : '?';
  }
  data[n] = 0;
  return n;
}

// --- Opening and claiming ---

EXPORT int libusb_open(libusb_device* usb, libusb_device_handle** handle) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  const Device& device = *usb->device;
  if (!device.plugged) return Fail(LIBUSB_ERROR_NO_DEVICE, ENODEV);
  if (device.noAccess) return Fail(LIBUSB_ERROR_ACCESS, EACCES);
  *handle = new libusb_device_handle{usb};
  return 0;
}

EXPORT void libusb_close(libusb_device_handle* handle) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  if (handle->claimed) ombrix::emulator::Release(handle);
  delete handle;
}

EXPORT int libusb_get_configuration(libusb_device_handle* handle, int* config) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  if (!Of(handle).plugged) return Fail(LIBUSB_ERROR_NO_DEVICE, ENODEV);
  *config = 1;
  return 0;
}

EXPORT int libusb_set_configuration(libusb_device_handle* handle, int config) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  const Device& device = Of(handle);
  if (!device.plugged) return Fail(LIBUSB_ERROR_NO_DEVICE, ENODEV);
  if (config != 1 && config != -1) return LIBUSB_ERROR_NOT_FOUND;
  if (device.kernelDriver || device.heldElsewhere ||
      (device.claimedBy && device.claimedBy != handle)) {
    return Fail(LIBUSB_ERROR_BUSY, EBUSY);
  }
  return 0;
}

EXPORT int libusb_claim_interface(libusb_device_handle* handle, int interface) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  Device& device = Of(handle);
  if (!device.plugged) return Fail(LIBUSB_ERROR_NO_DEVICE, ENODEV);
  if (interface != 0) return LIBUSB_ERROR_NOT_FOUND;
  if (handle->claimed) return 0;
  if (device.heldElsewhere || device.claimedBy) return Fail(LIBUSB_ERROR_BUSY, EBUSY);
  if (device.kernelDriver) {
    if (!handle->autoDetach) return Fail(LIBUSB_ERROR_BUSY, EBUSY);
    // usbfs's disconnect-and-claim refuses (EACCES), which libusb reports as an other error.
    if (device.driverStuck) return Fail(LIBUSB_ERROR_OTHER, EACCES);
    device.kernelDriver = false;
  }
  device.claimedBy = handle;
  handle->claimed = true;
  return 0;
}

EXPORT int libusb_release_interface(libusb_device_handle* handle, int interface) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  if (interface != 0 || !handle->claimed) return LIBUSB_ERROR_NOT_FOUND;
  ombrix::emulator::Release(handle);
  return Of(handle).plugged ? 0 : LIBUSB_ERROR_NO_DEVICE;
}

EXPORT int libusb_kernel_driver_active(libusb_device_handle* handle, int interface) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  const Device& device = Of(handle);
  if (!device.plugged) return Fail(LIBUSB_ERROR_NO_DEVICE, ENODEV);
  if (interface != 0) return LIBUSB_ERROR_NOT_FOUND;
  return device.kernelDriver ? 1 : 0;
}

EXPORT int libusb_detach_kernel_driver(libusb_device_handle* handle, int interface) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  Device& device = Of(handle);
  if (!device.plugged) return Fail(LIBUSB_ERROR_NO_DEVICE, ENODEV);
  if (interface != 0 || !device.kernelDriver) return LIBUSB_ERROR_NOT_FOUND;
  if (device.driverStuck) return Fail(LIBUSB_ERROR_OTHER, EACCES);
  device.kernelDriver = false;
  return 0;
}

EXPORT int libusb_set_auto_detach_kernel_driver(libusb_device_handle* handle, int enable) {
  handle->autoDetach = enable != 0;
  return 0;
}

EXPORT int libusb_clear_halt(libusb_device_handle* handle, unsigned char) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  Device& device = Of(handle);
  if (!device.plugged) return Fail(LIBUSB_ERROR_NO_DEVICE, ENODEV);
  emulated_time::WaitUntil(emulated_time::NowMicros() + ombrix::emulator::kControlMicros);
  device.halted = false;
  return 0;
}

// --- Transfers ---

EXPORT int libusb_control_transfer(libusb_device_handle* handle, uint8_t requestType,
                                   uint8_t request, uint16_t value, uint16_t index,
                                   unsigned char* data, uint16_t length, unsigned int) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  Device& device = Of(handle);
  if (!device.plugged) return LIBUSB_ERROR_NO_DEVICE;
  const std::int64_t done = emulated_time::NowMicros() + ombrix::emulator::kControlMicros;
  emulated_time::WaitUntil(done);
  return device.chip.Control(requestType, request, value, index, data, length, done);
}

EXPORT int libusb_bulk_transfer(libusb_device_handle* handle, unsigned char endpoint,
                                unsigned char* data, int length, int* transferred,
                                unsigned int timeout) {
  Bench& bench = Bench::Get();
  const std::lock_guard lock(bench.mutex);
  Device& device = Of(handle);
  int moved = 0;
  int* count = transferred ? transferred : &moved;
  *count = 0;
  if (!device.plugged) return LIBUSB_ERROR_NO_DEVICE;
  if (++device.transfers == device.unplugAt) {
    Struck("unplug", device.unplugAt);
    device.plugged = false;
    return LIBUSB_ERROR_NO_DEVICE;
  }
  if (endpoint == ombrix::emulator::kInEndpoint) {
    return ombrix::emulator::BulkIn(device, data, length, count, timeout);
  }
  if (endpoint != ombrix::emulator::kOutEndpoint) return LIBUSB_ERROR_PIPE;
  emulated_time::WaitUntil(device.chip.Write(data, length, emulated_time::NowMicros()));
  *count = length;
  return 0;
}

// libftdi1's asynchronous calls, which the program does not use.
EXPORT libusb_transfer* libusb_alloc_transfer(int) {
  return nullptr;
}
EXPORT void libusb_free_transfer(libusb_transfer*) {}
EXPORT int libusb_submit_transfer(libusb_transfer*) {
  return LIBUSB_ERROR_NOT_SUPPORTED;
}
EXPORT int libusb_cancel_transfer(libusb_transfer*) {
  return LIBUSB_ERROR_NOT_FOUND;
}
EXPORT int libusb_handle_events_timeout(libusb_context*, timeval*) {
  return LIBUSB_ERROR_NOT_SUPPORTED;
}
EXPORT int libusb_handle_events_timeout_completed(libusb_context*, timeval*, int*) {
  return LIBUSB_ERROR_NOT_SUPPORTED;
}

// --- Error texts ---

EXPORT const char* libusb_error_name(int error) {
  switch (error) {
    case LIBUSB_SUCCESS:
      return "LIBUSB_SUCCESS";
    case LIBUSB_ERROR_IO:
      return "LIBUSB_ERROR_IO";
    case LIBUSB_ERROR_INVALID_PARAM:
      return "LIBUSB_ERROR_INVALID_PARAM";
    case LIBUSB_ERROR_ACCESS:
      return "LIBUSB_ERROR_ACCESS";
    case LIBUSB_ERROR_NO_DEVICE:
      return "LIBUSB_ERROR_NO_DEVICE";
    case LIBUSB_ERROR_NOT_FOUND:
      return "LIBUSB_ERROR_NOT_FOUND";
    case LIBUSB_ERROR_BUSY:
      return "LIBUSB_ERROR_BUSY";
    case LIBUSB_ERROR_TIMEOUT:
      return "LIBUSB_ERROR_TIMEOUT";
    case LIBUSB_ERROR_OVERFLOW:
      return "LIBUSB_ERROR_OVERFLOW";
    case LIBUSB_ERROR_PIPE:
      return "LIBUSB_ERROR_PIPE";
    case LIBUSB_ERROR_INTERRUPTED:
      return "LIBUSB_ERROR_INTERRUPTED";
    case LIBUSB_ERROR_NO_MEM:
      return "LIBUSB_ERROR_NO_MEM";
    case LIBUSB_ERROR_NOT_SUPPORTED:
      return "LIBUSB_ERROR_NOT_SUPPORTED";
    default:
      return "LIBUSB_ERROR_OTHER";
  }
}

EXPORT const char* libusb_strerror(int error) {
  switch (error) {
    case LIBUSB_SUCCESS:
      return "Success";
    case LIBUSB_ERROR_ACCESS:
      return "Access denied (insufficient permissions)";
    case LIBUSB_ERROR_NO_DEVICE:
      return "No such device (it may have been disconnected)";
    case LIBUSB_ERROR_BUSY:
      return "Resource busy";
    case LIBUSB_ERROR_TIMEOUT:
      return "Operation timed out";
    case LIBUSB_ERROR_PIPE:
      return "Pipe error";
    default:
      return libusb_error_name(error);
  }
}
