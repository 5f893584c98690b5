#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>

namespace ombrix {

// A periodic timer that behaves as the window's poll logic expects: setting the interval it
// already has changes nothing, while a new interval, or enabling it again, starts the countdown
// anew. Its handler (the signal Tick) runs from the event loop.
//
// Tests switch the whole process to manual driving: then no system timer runs, a countdown is
// measured on CurrentClock(), and a timer fires only from DispatchDue(), which ProcessMessages()
// calls as the event loop would.
class TTimer : public QObject {
  Q_OBJECT

 public:
  TTimer(QObject* parent, const char* name, int interval, bool enabled);
  ~TTimer() override;

  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Manual driving: when the next tick is due, on CurrentClock()'s monotonic milliseconds.
  std::int64_t DueAt() const { return dueAt_; }

  static void SetManualDriving(bool manual);
  static bool ManualDriving();
  // Fires, once each, the enabled timers whose countdown has run out (manual driving only).
  // Returns how many fired.
  static int DispatchDue();

 Q_SIGNALS:
  void Tick();

 private:
  void Restart();

  QTimer timer_;
  int interval_;
  bool enabled_;
  std::int64_t dueAt_ = 0;
};

// Lets the pending window messages run once (and, under manual driving, the timers that are due).
void ProcessMessages();

}  // namespace ombrix
