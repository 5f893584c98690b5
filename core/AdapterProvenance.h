#pragma once

#include <string>

namespace ombrix {

// True while the process's driver is the built-in virtual adapter.
bool OnVirtualAdapter();

// The adapter as an archive entry's provenance names it: "<device> (USB serial X)", with
// ", virtual" inside the brackets when the virtual adapter made the download, so that demo data
// never pass for a real download wherever the entry is shown.
std::string ProvenanceAdapterText(const std::string& deviceName, const std::string& usbSerial);

}  // namespace ombrix
