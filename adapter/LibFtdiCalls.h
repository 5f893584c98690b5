#pragma once

#include <cstdint>
#include <memory>

struct ftdi_context;
struct ftdi_device_list;
struct libusb_device;

namespace ombrix {

class LibFtdiBackend;

// The libftdi1 and libusb calls the libftdi1 backend makes, as a table, so that tests can put in
// a USB library that fails in the ways real systems do (no permission, a busy device, a string
// that cannot be read, a transfer that times out) without hardware.
struct LibFtdiCalls {
  ftdi_context* (*newContext)();
  void (*freeContext)(ftdi_context*);
  int (*findAll)(ftdi_context*, ftdi_device_list**, int vendor, int product);
  void (*freeList)(ftdi_device_list**);
  int (*getStrings)(ftdi_context*, libusb_device*, char* manufacturer, int, char* description, int,
                    char* serialNumber, int);
  std::uint8_t (*busNumber)(libusb_device*);
  std::uint8_t (*deviceAddress)(libusb_device*);
  int (*openBusAddress)(ftdi_context*, std::uint8_t bus, std::uint8_t address);
  int (*close)(ftdi_context*);
  const char* (*errorString)(ftdi_context*);
  int (*readData)(ftdi_context*, unsigned char*, int);
  int (*writeData)(ftdi_context*, const unsigned char*, int);
  int (*pollModemStatus)(ftdi_context*, unsigned short*);
  int (*flushBoth)(ftdi_context*);
  int (*flushReceive)(ftdi_context*);
  int (*flushTransmit)(ftdi_context*);
  int (*setLatencyTimer)(ftdi_context*, unsigned char);
  // Whether a kernel driver is bound to the context's interface of the device at that place on
  // the bus: 1 yes, 0 no, negative when libusb cannot tell.
  int (*kernelDriverActive)(ftdi_context*, std::uint8_t bus, std::uint8_t address);
  // Clears a halt (stall) of the endpoint that reads come from; 0 on success.
  int (*clearReadHalt)(ftdi_context*);
};

// The calls into the real libraries.
const LibFtdiCalls& RealLibFtdiCalls();

// The backend on top of the given calls (kept by reference: they must outlive it).
std::unique_ptr<LibFtdiBackend> MakeLibFtdiBackend(const LibFtdiCalls& calls);

}  // namespace ombrix
