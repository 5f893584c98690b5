#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "AdapterController.h"
#include "Clock.h"
#include "FtdiDriver.h"
#include "LinkTiming.h"

namespace ombrix {

// A simulated USB bus of FTDI devices behind the driver interface: adapters (an FTDI chip in
// front of an AdapterController) and plain FTDI devices, which take writes and never answer.
//
// Devices are identified by their serial numbers, which must be unique on the bus; descriptions
// may repeat. The device list holds the plugged devices in the order they were plugged in. A
// device can be open once at a time. Unplugging makes a device vanish from the list; every call
// on a handle opened before then fails, as with a device that has gone. Plugging it in again
// powers its controller up afresh (the probe on it and the planned faults stay). An adapter that
// a DropOut fault takes off the bus is plugged in again by the bus itself once its time away has
// passed on the bus's clock: the listing and opening calls find it from then on.
//
// Time: every wait is a Sleep on the bus's clock, every cost follows the LinkTiming (per device
// the latency timer that SetLatencyTimer sets, 16 ms until then). A write is accepted whole at
// once; its bytes reach the controller, which answers them at once, and each reply byte waits in
// the receive queue for the moment the timing gives it. Reads follow the driver's time-outs:
// - ReadIntervalTimeout 0xFFFFFFFF with both read totals 0: return at once with what has arrived;
// - otherwise wait until the whole count has arrived or the total read time-out (multiplier *
//   count + constant) has passed, and return what has arrived (a partial count is success). The
//   wait lasts only until the last byte needed arrives. With a total time-out of 0 (no limit) a
//   read waits for what is on its way and then returns, since nothing else can arrive while the
//   caller waits. The interval time-out between bytes plays no further part.
// A purge of the receive buffer drops the reply bytes that have arrived; bytes still on their way
// arrive afterwards. Request bytes reach the controller as they are written, so a transmit purge
// has nothing left to discard. A LateReply fault holds a reply back by its delay; reply bytes
// arrive in the order they were sent, so later replies wait behind it. When request bytes are
// lost on the way, each reply byte keeps the time of the request byte it answers.
//
// Visits: a probe planned to be put on an adapter at one instant of the bus clock and taken off
// at a later one (or left there), as a person at a station does. The bus carries them out at its
// first call at or after each instant, before the call itself, so that a probe leaves between
// two exchanges and is gone from the next one on. A probe taken off is taken off only if it is
// still the one on the adapter; one put on replaces whatever is there.
//
// Threads: every call takes the bus's lock, so several threads may each use their own devices
// at once, as with a real bus. A read that waits for reply bytes lets go of the lock while it
// waits; a device unplugged meanwhile fails the read. The controllers, probes and visits handed
// out are for set-up and inspection while no thread uses the bus.
class VirtualBus : public FtdiDriver {
 public:
  explicit VirtualBus(Clock& clock = CurrentClock(), LinkTiming timing = LinkTiming::Hardware());
  ~VirtualBus() override;
  VirtualBus(const VirtualBus&) = delete;
  VirtualBus& operator=(const VirtualBus&) = delete;

  // Plugs in a new adapter and returns its controller (owned by the bus, valid for its life).
  AdapterController& AddAdapter(const std::string& description, const std::string& serialNumber);
  // Plugs in an FTDI device that is not an adapter.
  void AddPlainDevice(const std::string& description, const std::string& serialNumber);
  // Unplugging an unplugged or unknown device, or plugging a plugged one, returns false.
  bool Unplug(const std::string& serialNumber);
  bool Plug(const std::string& serialNumber);
  bool IsPlugged(const std::string& serialNumber) const;
  bool IsOpen(const std::string& serialNumber) const;
  // Every attempt to open the device fails for this reason (kNone: opens again), as for a device
  // this user may not open or one that another program holds.
  bool RefuseOpen(const std::string& serialNumber, OpenFailure why);
  // The controller of the adapter with this serial number (plugged or not), or nullptr.
  AdapterController* Adapter(const std::string& serialNumber);
  // The serial numbers of all adapters (plugged or not; no plain devices), in plug-in order.
  std::vector<std::string> AdapterSerialNumbers() const;

  struct Visit {
    std::string adapterSerial;
    std::shared_ptr<VirtualProbe> probe;
    std::int64_t onUtcMs = 0;
    std::optional<std::int64_t> offUtcMs;  // none: it stays
    bool arrived = false, left = false;    // carried out so far
  };
  // Plans a visit (the bus's visits stay in the order planned).
  void AddVisit(const std::string& adapterSerial, std::shared_ptr<VirtualProbe> probe,
                std::int64_t onUtcMs, std::optional<std::int64_t> offUtcMs);
  std::vector<Visit>& Visits() { return visits_; }
  // Carries out the visits due by the clock's time now (every driver call does it first).
  void ApplyVisits();

  Clock& GetClock() const { return clock_; }
  const LinkTiming& Timing() const { return timing_; }
  void SetTiming(const LinkTiming& timing) { timing_ = timing; }
  // Simulated link time: from the start of each write on the line to its last reply byte, summed
  // over all devices, or for one device.
  std::int64_t LinkMicros() const;
  std::int64_t LinkMicros(const std::string& serialNumber) const;

  // FtdiDriver
  bool ListDeviceCount(std::uint32_t& count) override;
  bool ListDescription(std::uint32_t index, std::string& description) override;
  bool ListSerialNumber(std::uint32_t index, std::string& serialNumber) override;
  FtdiHandle OpenBySerialNumber(const std::string& serialNumber) override;
  OpenFailure LastOpenFailure() const override;
  bool ServesThreads() const override { return true; }
  bool GetTimeouts(FtdiHandle handle, FtdiTimeouts& timeouts) override;
  bool SetTimeouts(FtdiHandle handle, const FtdiTimeouts& timeouts) override;
  bool Purge(FtdiHandle handle, std::uint32_t mask) override;
  bool SetLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) override;
  bool Write(FtdiHandle handle, const std::uint8_t* buffer, std::uint32_t count,
             std::uint32_t& written) override;
  bool Read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t count,
            std::uint32_t& read) override;
  bool QueueStatus(FtdiHandle handle, std::uint32_t& waiting) override;
  bool CloseHandle(FtdiHandle handle) override;

 private:
  struct Pending {
    std::uint8_t byte;
    std::int64_t availableMicros;  // on the monotonic clock
  };
  struct Device {
    std::string description;
    std::string serialNumber;
    std::unique_ptr<AdapterController> controller;  // none for a plain device
    bool plugged = true;
    FtdiHandle handle = kInvalidFtdiHandle;  // while open
    FtdiTimeouts timeouts{};
    std::uint8_t latencyTimerMs = kPowerOnLatencyMs;
    std::deque<Pending> received;
    std::int64_t lineFreeMicros = 0;  // when the last request has left the chip
    std::int64_t linkMicros = 0;
    std::optional<std::int64_t> returnMicros;  // when a device that dropped out comes back
    OpenFailure refusesOpen = OpenFailure::kNone;
  };
  static constexpr std::uint8_t kPowerOnLatencyMs = 16;

  Device* Find(const std::string& serialNumber) const;
  Device* Listed(std::uint32_t index) const;
  Device* Opened(FtdiHandle handle) const;
  void Plugged(Device& device);
  void ComeBack();
  std::int64_t NowMicros() const;
  std::size_t Arrived(const Device& device, std::int64_t nowMicros) const;
  void SleepUntil(std::int64_t micros);

  void ApplyVisitsLocked();

  mutable std::recursive_mutex mutex_;
  Clock& clock_;
  LinkTiming timing_;
  std::vector<Visit> visits_;
  std::vector<std::unique_ptr<Device>> devices_;  // in plug-in order
  FtdiHandle nextHandle_ = 1;
  OpenFailure lastOpenFailure_ = OpenFailure::kNone;
};

}  // namespace ombrix
