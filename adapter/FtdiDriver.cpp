#include "FtdiDriver.h"

#include "LibFtdiDriver.h"

namespace ombrix {

namespace {
FtdiDriver* g_current = nullptr;

FtdiDriver& DefaultDriver() {
  static LibFtdiDriver driver;
  return driver;
}
}  // namespace

const char* OpenFailureText(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::kNone:
      return "";
    case OpenFailure::kNoPermission:
      return "no permission to open the adapter";
    case OpenFailure::kBusy:
      return "the adapter is in use by another program";
    case OpenFailure::kKernelDriver:
      return "the system's serial driver holds the adapter and could not be detached";
    case OpenFailure::kVanished:
      return "the adapter went away while it was being opened";
    case OpenFailure::kOther:
      break;
  }
  return "the adapter could not be opened";
}

const char* OpenFailureAdvice(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::kNone:
      return "";
    case OpenFailure::kNoPermission:
      return "Install the udev rule 70-ombrix-ftdi.rules that comes with Ombrix, then unplug the "
             "adapter and plug it in again (Help, \"Adapter not found\").";
    case OpenFailure::kBusy:
      return "Close the other program that uses the adapter (another Ombrix window, a terminal "
             "program, a modem manager), then try again.";
    case OpenFailure::kKernelDriver:
      return "A serial console or a braille display service may be holding FTDI devices: stop it "
             "(Help, \"Adapter not found\").";
    case OpenFailure::kVanished:
      return "Check the adapter's USB cable and plug it in again.";
    case OpenFailure::kOther:
      break;
  }
  return "Unplug the adapter and plug it in again (Help, \"Adapter not found\").";
}

FtdiHandle FtdiDriver::OpenListed(std::uint32_t index) {
  std::string serialNumber;
  if (!ListSerialNumber(index, serialNumber) || serialNumber.empty()) return kInvalidFtdiHandle;
  return OpenBySerialNumber(serialNumber);
}

FtdiDriver& CurrentDriver() {
  if (g_current) return *g_current;
  return DefaultDriver();
}

FtdiDriver* SetCurrentDriver(FtdiDriver* driver) {
  FtdiDriver* previous = g_current;
  g_current = driver;
  return previous;
}

}  // namespace ombrix
