// The monotonic clock every time-out is measured on, behind one small interface so that
// tests can run long time-outs in milliseconds.
#pragma once

#include <chrono>

namespace ravok {

using Duration = std::chrono::nanoseconds;

// The time-outs of the links: fixed fractions of a day (2e-5, 4e-5, 1e-4 and 8e-4 day).
constexpr Duration kLocalTimeout = std::chrono::milliseconds(1728);
constexpr Duration kLocalLongTimeout = std::chrono::milliseconds(3456);
constexpr Duration kLoginTimeout = std::chrono::milliseconds(8640);
constexpr Duration kServerTimeout = std::chrono::milliseconds(69120);

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Duration Now() const = 0;
};

class SteadyClock final : public Clock {
 public:
  Duration Now() const override {
    return std::chrono::steady_clock::now().time_since_epoch();
  }
  static SteadyClock& Instance() {
    static SteadyClock clock;
    return clock;
  }
};

// Moves only when told to; tests advance it from their message pump.
class FakeClock final : public Clock {
 public:
  Duration Now() const override { return now_; }
  void Advance(Duration d) { now_ += d; }

 private:
  Duration now_{};
};

}  // namespace ravok
