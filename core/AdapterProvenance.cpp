#include "AdapterProvenance.h"

#include "FtdiDriver.h"
#include "VirtualBus.h"

namespace ombrix {

bool OnVirtualAdapter() {
  return dynamic_cast<const VirtualBus*>(&CurrentDriver()) != nullptr;
}

std::string ProvenanceAdapterText(const std::string& deviceName, const std::string& usbSerial) {
  return deviceName + " (USB serial " + usbSerial + (OnVirtualAdapter() ? ", virtual)" : ")");
}

}  // namespace ombrix
