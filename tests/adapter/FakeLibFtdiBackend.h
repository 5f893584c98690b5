#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "LibFtdiBackend.h"

namespace ombrix::testing {

// An adapter on the fake bus: its strings, what it sends and when, and what was done to it.
struct FakeAdapter {
  struct Burst {
    std::chrono::milliseconds at;  // virtual time of arrival
    std::vector<std::uint8_t> bytes;
  };

  FtdiDeviceInfo info;
  std::deque<Burst> bursts;                         // in order of arrival
  std::optional<std::chrono::milliseconds> goneAt;  // unplugged from then on
  std::chrono::milliseconds readTakes{0};           // each read waits this long, as a USB poll does
  bool silent = false;  // answers no poll: each read lasts its whole USB time-out
  std::optional<OpenFailure> refusesOpen;                         // opening fails for this reason
  std::size_t accepts = std::numeric_limits<std::size_t>::max();  // then its input stalls
  std::vector<std::uint8_t> written;
  int receivePurges = 0;
  int transmitPurges = 0;
  int latency = -1;
  bool open = false;
};

// A bus of scripted adapters on a virtual clock that moves only when the driver sleeps, a read
// takes time, or the test moves it.
class FakeBackend : public LibFtdiBackend {
 public:
  std::vector<std::shared_ptr<FakeAdapter>> bus;
  bool listingFails = false;
  // The USB time-out the latest read was given.
  static inline std::chrono::milliseconds lastReadTimeout{0};
  Clock::time_point now{};

  std::shared_ptr<FakeAdapter> Plug(std::string description, std::string serialNumber,
                                    bool accessible = true) {
    bus.push_back(std::make_shared<FakeAdapter>());
    bus.back()->info = {std::move(description), std::move(serialNumber), accessible, 1,
                        static_cast<std::uint8_t>(++plugged_)};
    return bus.back();
  }

  std::chrono::milliseconds Elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - Clock::time_point{});
  }

  bool Enumerate(std::vector<FtdiDeviceInfo>& devices) override {
    devices.clear();
    listed_ = listingFails ? decltype(bus){} : bus;
    for (const auto& adapter : listed_) devices.push_back(adapter->info);
    return !listingFails;
  }

  std::unique_ptr<FtdiDevice> Open(std::size_t index, OpenFailure& failure) override {
    failure = OpenFailure::kOther;
    if (index >= listed_.size()) return nullptr;
    if (listed_[index]->open) failure = OpenFailure::kBusy;
    if (listed_[index]->refusesOpen) failure = *listed_[index]->refusesOpen;
    if (listed_[index]->open || listed_[index]->refusesOpen) return nullptr;
    failure = OpenFailure::kNone;
    opened.push_back(listed_[index]);
    return std::make_unique<Device>(*this, listed_[index]);
  }

  // Every adapter opened, in order.
  std::vector<std::shared_ptr<FakeAdapter>> opened;

  Clock::time_point Now() override { return now; }
  void Sleep(Clock::duration duration) override { now += duration; }

 private:
  class Device : public FtdiDevice {
   public:
    Device(FakeBackend& backend, std::shared_ptr<FakeAdapter> adapter)
        : backend_(backend), a_(std::move(adapter)) {
      a_->open = true;
    }
    ~Device() override { a_->open = false; }

    int ReadData(std::uint8_t* buffer, int size, std::chrono::milliseconds timeout) override {
      lastReadTimeout = timeout;
      if (a_->silent) {
        backend_.now += timeout;
        return Gone() ? -1 : 0;
      }
      backend_.now += a_->readTakes;
      if (Gone()) return -1;
      int got = 0;
      while (got < size && !a_->bursts.empty() && a_->bursts.front().at <= backend_.Elapsed()) {
        auto& bytes = a_->bursts.front().bytes;
        const auto take = std::min(static_cast<std::size_t>(size - got), bytes.size());
        std::copy_n(bytes.begin(), take, buffer + got);
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        got += static_cast<int>(take);
        if (bytes.empty()) a_->bursts.pop_front();
      }
      return got;
    }

    int WriteData(const std::uint8_t* buffer, int size, std::chrono::milliseconds) override {
      if (Gone()) return -1;
      const auto room = a_->accepts - std::min(a_->accepts, a_->written.size());
      const auto take = std::min(static_cast<std::size_t>(size), room);
      a_->written.insert(a_->written.end(), buffer, buffer + take);
      return static_cast<int>(take);
    }

    bool Purge(bool receive, bool transmit) override {
      a_->receivePurges += receive;
      a_->transmitPurges += transmit;
      return !Gone();
    }

    bool SetLatencyTimer(std::uint8_t milliseconds) override {
      a_->latency = milliseconds;
      return !Gone();
    }

   private:
    bool Gone() const { return a_->goneAt && backend_.Elapsed() >= *a_->goneAt; }

    FakeBackend& backend_;
    std::shared_ptr<FakeAdapter> a_;
  };

  std::vector<std::shared_ptr<FakeAdapter>> listed_;
  int plugged_ = 0;
};

}  // namespace ombrix::testing
