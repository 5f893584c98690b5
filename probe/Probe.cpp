#include "Probe.h"

#include <QtGlobal>

#include <cstdio>

namespace ombrix {

TProbe::TProbe() : Adapter(std::make_unique<TTeLog>()) {}

TProbe::~TProbe() = default;

// The texts are English wherever they are kept or printed; the window shows them translated
// (context "ProbeError").
ProbeErrorMessage MessageForError(std::int32_t lastError) {
  switch (lastError) {
    case peNone:
      return {nullptr, QT_TRANSLATE_NOOP("ProbeError", "success")};
    case peNoAdapter:
      return {"MsgNoAdapter", QT_TRANSLATE_NOOP("ProbeError", "NO ADAPTER CONNECTED")};
    case peMoreAdapters:
      return {"MsgMoreAdapters", QT_TRANSLATE_NOOP("ProbeError", "MORE ADAPTERS FOUND !")};
    case peAdapterSilent:
      return {nullptr, QT_TRANSLATE_NOOP("ProbeError", "the adapter does not answer")};
    case peNoProbe:
      return {"MsgNoProbe", QT_TRANSLATE_NOOP("ProbeError", "Probe : NO")};
    case peNotAllowed:
      return {nullptr, QT_TRANSLATE_NOOP("ProbeError", "not allowed in the probe's present state")};
    case peLinkClosed:
      return {nullptr, QT_TRANSLATE_NOOP("ProbeError", "the adapter link is not open")};
    case peMoreBlocks:
      return {nullptr, QT_TRANSLATE_NOOP("ProbeError", "a data read is under way")};
    case peStartNotAfterClock:
      return {
          "MsgSampleGreater",
          QT_TRANSLATE_NOOP("ProbeError", "First Sample time must be greater than current time")};
    case peStartTooFar:
      return {
          "MsgStartGreater",
          QT_TRANSLATE_NOOP("ProbeError",
                            "First Sample time must not be greater than current time + 4:00 hour")};
    case peProbeChanged:
      return {
          nullptr,
          QT_TRANSLATE_NOOP(
              "ProbeError",
              "the probe on the adapter is not the one, or not in the mission, that the download "
              "began on")};
    default:
      return {nullptr,
              QT_TRANSLATE_NOOP("ProbeError",
                                "a transfer failed, or an echo or a checksum did not match")};
  }
}

std::string TProbe::AdapterVersionText() {
  if (!Adapter->IsOpen()) {
    LastError = peLinkClosed;
    return {};
  }
  LastError = peNone;
  char version[32];
  std::snprintf(version, sizeof version, " %d.%d", (AdapterVersion >> 4) & 15, AdapterVersion & 15);
  return Adapter->Description + version;
}

std::string TProbe::AdapterSerialNumber() {
  if (!Adapter->IsOpen()) {
    LastError = peLinkClosed;
    return {};
  }
  LastError = peNone;
  return Adapter->SerialNumber;
}

void TProbe::SetAdapterName(const std::string& name) {
  Adapter->Description = name;
}

}  // namespace ombrix
