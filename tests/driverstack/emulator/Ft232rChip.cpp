#include "Ft232rChip.h"

#include <libusb.h>

#include <algorithm>
#include <cmath>

#include "AdapterController.h"
#include "EmulatedTime.h"

namespace ombrix::emulator {

namespace {

constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kVendorIn = 0xC0;

enum Request : std::uint8_t {
  kReset = 0x00,
  kModemControl = 0x01,
  kFlowControl = 0x02,
  kBaudRate = 0x03,
  kData = 0x04,
  kPollModemStatus = 0x05,
  kEventCharacter = 0x06,
  kErrorCharacter = 0x07,
  kSetLatency = 0x09,
  kGetLatency = 0x0A,
  kBitMode = 0x0B,
  kReadPins = 0x0C,
};

// Reset's values: the whole port, the buffer towards the serial line, the one from it.
constexpr std::uint16_t kResetPort = 0;
constexpr std::uint16_t kPurgeFromSerial = 2;

// The baud rate that a divisor of the R family gives: 3 MHz over an integer part (14 bits) and
// an eighth-step fraction coded in three further bits; 0 and 1 stand for 3 and 2 MBd.
double Baud(std::uint16_t value, std::uint16_t index) {
  static constexpr double kFraction[8] = {0, 0.5, 0.25, 0.125, 0.375, 0.625, 0.75, 0.875};
  const std::uint32_t encoded = value | static_cast<std::uint32_t>(index & 1) << 16;
  if (encoded == 0) return 3'000'000;
  if (encoded == 1) return 2'000'000;
  return 3'000'000 / ((encoded & 0x3FFF) + kFraction[(encoded >> 14) & 7]);
}

}  // namespace

void Ft232rChip::PowerOn(std::int64_t now) {
  latencyMs_ = 16;
  baud_ = 9600;
  dataCharacteristics_ = 0x0008;
  modemControl_ = flowControl_ = 0;
  receive_.clear();
  transmit_.clear();
  lineFree_ = lastPacket_ = now;
  if (controller_) controller_->PowerOn();
}

std::int64_t Ft232rChip::ByteMicros() const {
  const int dataBits = dataCharacteristics_ & 0xFF;
  const int parityBits = ((dataCharacteristics_ >> 8) & 7) ? 1 : 0;
  const int stopBits = ((dataCharacteristics_ >> 11) & 3) ? 2 : 1;
  return std::llround((1 + dataBits + parityBits + stopBits) * 1e6 / baud_);
}

bool Ft232rChip::LineMatchesController() const {
  return std::abs(baud_ - 9600) <= 9600 * 0.03 && (dataCharacteristics_ & 0x7FFF) == 0x0008;
}

std::size_t Ft232rChip::Arrived(std::int64_t at) const {
  std::size_t n = 0;
  while (n < receive_.size() && receive_[n].at <= at) ++n;
  return n;
}

void Ft232rChip::ModemStatus(std::uint8_t* out, std::int64_t now) const {
  out[0] = 0x01;
  // Transmitter holding register and transmitter empty once the last byte has left.
  out[1] = now >= lineFree_ ? 0x60 : 0x00;
}

int Ft232rChip::Control(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                        std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                        std::int64_t now) {
  const bool in = request == kPollModemStatus || request == kGetLatency || request == kReadPins;
  if (requestType != (in ? kVendorIn : kVendorOut)) return LIBUSB_ERROR_PIPE;
  switch (request) {
    case kReset:
      if (value == kResetPort) {
        receive_.clear();
      } else if (value == kPurgeFromSerial) {
        receive_.erase(receive_.begin(),
                       receive_.begin() + static_cast<std::ptrdiff_t>(Arrived(now)));
      }
      return 0;
    case kModemControl:
      modemControl_ = value;
      return 0;
    case kFlowControl:
      flowControl_ = index;
      return 0;
    case kBaudRate:
      baud_ = Baud(value, index);
      return 0;
    case kData:
      dataCharacteristics_ = value;
      return 0;
    case kEventCharacter:
    case kErrorCharacter:
    case kBitMode:
      return 0;
    case kSetLatency:
      if (!keepLatency_) latencyMs_ = static_cast<std::uint8_t>(std::max(value & 0xFF, 1));
      return 0;
    case kPollModemStatus: {
      std::uint8_t status[2];
      ModemStatus(status, now);
      const int n = std::min<int>(length, 2);
      std::copy_n(status, n, data);
      return n;
    }
    case kGetLatency:
    case kReadPins:
      if (length < 1) return 0;
      data[0] = request == kGetLatency ? latencyMs_ : 0xFF;
      return 1;
    default:
      return LIBUSB_ERROR_PIPE;
  }
}

std::int64_t Ft232rChip::Write(const std::uint8_t* data, int length, std::int64_t now) {
  const std::int64_t byteMicros = ByteMicros();
  const bool heard = controller_ && LineMatchesController();
  std::int64_t taken = now;
  for (int i = 0; i < length; ++i) {
    while (!transmit_.empty() && transmit_.front() <= taken) transmit_.pop_front();
    // A full buffer holds the USB transfer back until its oldest byte has left.
    if (transmit_.size() >= static_cast<std::size_t>(kTransmitBuffer)) {
      taken = transmit_.front();
      transmit_.pop_front();
    }
    const std::int64_t begin = std::max(taken, lineFree_);
    if (heard && begin > lineFree_) controller_->LineIdle();
    lineFree_ = begin + byteMicros;
    transmit_.push_back(lineFree_);
    if (heard) {
      const std::uint8_t answer =
          controller_->Receive(data[i], emulated_time::UtcMilliseconds(lineFree_));
      receive_.push_back({answer, lineFree_ + byteMicros});
    }
  }
  return taken;
}

Ft232rChip::Packet Ft232rChip::NextPacket(std::int64_t now) const {
  constexpr std::size_t kRoom = kPacketSize - kStatusBytes;
  std::int64_t due = lastPacket_ + std::int64_t{latencyMs_} * 1000;
  if (receive_.size() >= kRoom) due = std::min(due, receive_[kRoom - 1].at);
  Packet packet;
  packet.at = std::max(now, due);
  packet.bytes.resize(kStatusBytes);
  ModemStatus(packet.bytes.data(), packet.at);
  const std::size_t n = std::min(Arrived(packet.at), kRoom);
  for (std::size_t i = 0; i < n; ++i) packet.bytes.push_back(receive_[i].byte);
  return packet;
}

void Ft232rChip::Sent(const Packet& packet) {
  const std::size_t n = packet.bytes.size() - kStatusBytes;
  receive_.erase(receive_.begin(), receive_.begin() + static_cast<std::ptrdiff_t>(n));
  lastPacket_ = packet.at;
}

}  // namespace ombrix::emulator
