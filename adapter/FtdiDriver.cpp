#include "FtdiDriver.h"

#include "LibFtdiDriver.h"

// Marks a text that the window shows translated (context "OpenFailure"); the layer itself has no
// Qt, and lupdate reads the marker as QT_TRANSLATE_NOOP.
#define OMBRIX_TRANSLATE_NOOP(context, text) text

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
      return OMBRIX_TRANSLATE_NOOP("OpenFailure", "no permission to open the adapter");
    case OpenFailure::kBusy:
      return OMBRIX_TRANSLATE_NOOP("OpenFailure", "the adapter is in use by another program");
    case OpenFailure::kKernelDriver:
      return OMBRIX_TRANSLATE_NOOP(
          "OpenFailure", "the system's serial driver holds the adapter and could not be detached");
    case OpenFailure::kVanished:
      return OMBRIX_TRANSLATE_NOOP("OpenFailure",
                                   "the adapter went away while it was being opened");
    case OpenFailure::kOther:
      break;
  }
  return OMBRIX_TRANSLATE_NOOP("OpenFailure", "the adapter could not be opened");
}

const char* OpenFailureAdvice(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::kNone:
      return "";
    case OpenFailure::kNoPermission:
      return OMBRIX_TRANSLATE_NOOP(
          "OpenFailure",
          "Install the udev rule 70-ombrix-ftdi.rules that comes with Ombrix, then unplug the "
          "adapter and plug it in again (Help, \"Adapter not found\").");
    case OpenFailure::kBusy:
      return OMBRIX_TRANSLATE_NOOP(
          "OpenFailure",
          "Close the other program that uses the adapter (another Ombrix window, a terminal "
          "program, a modem manager), then try again.");
    case OpenFailure::kKernelDriver:
      return OMBRIX_TRANSLATE_NOOP(
          "OpenFailure",
          "A serial console or a braille display service may be holding FTDI devices: stop it "
          "(Help, \"Adapter not found\").");
    case OpenFailure::kVanished:
      return OMBRIX_TRANSLATE_NOOP("OpenFailure",
                                   "Check the adapter's USB cable and plug it in again.");
    case OpenFailure::kOther:
      break;
  }
  return OMBRIX_TRANSLATE_NOOP(
      "OpenFailure", "Unplug the adapter and plug it in again (Help, \"Adapter not found\").");
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
