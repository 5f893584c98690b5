#pragma once

#include <cmath>
#include <cstdint>

namespace ombrix {

// What an exchange costs on the simulated link, in microseconds of the bus's clock.
//
// The adapter answers every request byte as soon as it has received it, so the reply is pipelined
// with the request: reply byte i is available to a read at
//   line start + (i + 1) * byte time + latency,
// where the line start is the moment of the write (or the end of the previous request, if that is
// still being shifted out), the byte time is bitsPerByte / baud seconds, and the latency is the
// USB transfer latency plus, when latencyTimer is set, the FTDI chip's latency timer (16 ms after
// power-on; the transport sets it to 1 ms when it opens the adapter).
//
// speedFactor divides every cost: 1 is the real hardware, 4 a link four times as fast (the demo
// may use this so that a full download does not take minutes). Instant() makes every cost 0, for
// unit tests that do not look at timing.
struct LinkTiming {
  double baud = 9600;                    // 0 = no cost per byte
  int bitsPerByte = 10;                  // 8N1: start bit, eight data bits, stop bit
  std::int64_t usbLatencyMicros = 1000;  // one USB frame
  bool latencyTimer = true;              // add the device's latency timer to every reply
  double speedFactor = 1.0;

  // The real adapter: 9600 baud 8N1 and the USB latency.
  static LinkTiming Hardware() { return LinkTiming{}; }
  // Hardware timing run faster by the given factor.
  static LinkTiming Faster(double factor) {
    LinkTiming timing;
    timing.speedFactor = factor;
    return timing;
  }
  // What the demo uses: eight times the hardware's speed, so that a full download of 8000
  // samples takes about 13 seconds instead of 100.
  static LinkTiming Demo() { return Faster(8); }
  // No cost at all: replies are there the moment the request is written.
  static LinkTiming Instant() { return LinkTiming{0, 10, 0, false, 1.0}; }

  double MicrosPerByte() const {
    if (baud <= 0 || speedFactor <= 0) return 0;
    return bitsPerByte * 1e6 / baud / speedFactor;
  }

  // Time from the start of a transfer on the line to the end of its byte `index` (0-based).
  std::int64_t ByteEndMicros(std::uint64_t index) const {
    return std::llround(static_cast<double>(index + 1) * MicrosPerByte());
  }

  std::int64_t LatencyMicros(std::uint8_t latencyTimerMs) const {
    if (speedFactor <= 0) return 0;
    const double micros =
        static_cast<double>(usbLatencyMicros) + (latencyTimer ? latencyTimerMs * 1000.0 : 0.0);
    return std::llround(micros / speedFactor);
  }
};

}  // namespace ombrix
