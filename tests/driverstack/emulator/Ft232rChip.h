#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace ombrix {
class AdapterController;
}

namespace ombrix::emulator {

// An FT232R-class USB-serial chip as its data sheet and application notes describe it, with
// whatever sits on its serial side: a controller that answers every byte it receives (or nothing,
// for a chip with nothing attached). Times are microseconds on the emulated clock.
//
// Serial side: 9600 baud 8N1 after a reset; a byte takes ten bit times on the line (1.04 ms). A
// byte written over USB waits in the 128-byte transmit buffer for the line; the controller gets
// it when its stop bit has passed, answers it at once, and the answer byte takes a byte time on
// the way back into the receive buffer. Bytes sent at another baud rate or word format reach the
// controller as framing errors, that is not at all. When the line has been quiet since the last
// byte, the controller is told so before the next one (it waits for a new exchange).
//
// USB side: the host polls the bulk IN endpoint; the chip answers with a packet of at most 64
// bytes, two modem status bytes and up to 62 data bytes, when 62 data bytes are waiting or when
// its latency timer (16 ms after power-on, 1 to 255 ms as set) has run out since the last
// packet, whatever is waiting then, possibly nothing but the status bytes.
//
// Vendor requests: reset (with purge of the receive or the transmit buffer), modem control, flow
// control, baud rate divisor, data characteristics, poll modem status, event and error
// character, latency timer set and get, bit mode, read pins. Any other request stalls.
//
// Simplification: request bytes reach the controller as they are written, with the time they
// will leave the line, so a purge of the transmit buffer discards nothing; the program purges
// only between exchanges, when that buffer is empty anyway.
class Ft232rChip {
 public:
  static constexpr int kPacketSize = 64;
  static constexpr int kStatusBytes = 2;
  static constexpr int kTransmitBuffer = 128;

  explicit Ft232rChip(AdapterController* controller) : controller_(controller) {}

  // Power-on: defaults back, buffers empty.
  void PowerOn(std::int64_t now);
  // When set, the chip keeps its power-on latency timer whatever it is told (some clones do).
  void KeepLatencyTimer(bool keep) { keepLatency_ = keep; }

  // A vendor request; `data` holds `length` bytes to send or room for those to return. Returns
  // the count transferred or a libusb error (stall for an unknown request).
  int Control(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
              std::uint16_t index, std::uint8_t* data, std::uint16_t length, std::int64_t now);

  // Bulk OUT: returns the moment the chip has taken the last byte into its transmit buffer.
  std::int64_t Write(const std::uint8_t* data, int length, std::int64_t now);

  // The next bulk IN packet at or after `now`, and when the chip sends it.
  struct Packet {
    std::int64_t at = 0;
    std::vector<std::uint8_t> bytes;
  };
  Packet NextPacket(std::int64_t now) const;
  // The packet has gone to the host: its data leaves the receive buffer, the timer starts again.
  void Sent(const Packet& packet);

  std::uint8_t LatencyTimerMs() const { return latencyMs_; }
  std::int64_t ByteMicros() const;

 private:
  struct Arriving {
    std::uint8_t byte;
    std::int64_t at;
  };
  bool LineMatchesController() const;
  std::size_t Arrived(std::int64_t at) const;
  void ModemStatus(std::uint8_t* out, std::int64_t now) const;

  AdapterController* controller_;
  bool keepLatency_ = false;
  std::uint8_t latencyMs_ = 16;
  double baud_ = 9600;
  std::uint16_t dataCharacteristics_ = 0x0008;  // 8 data bits, no parity, 1 stop bit
  std::uint16_t modemControl_ = 0;
  std::uint16_t flowControl_ = 0;
  std::deque<Arriving> receive_;       // answers on their way into the receive buffer, in order
  std::deque<std::int64_t> transmit_;  // when each byte waiting to go out will have left
  std::int64_t lineFree_ = 0;          // when the last byte written will have left the line
  std::int64_t lastPacket_ = 0;
};

}  // namespace ombrix::emulator
