#include "Timer.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <vector>

#include "Clock.h"

namespace ombrix {

namespace {
bool g_manual = false;
std::vector<TTimer*>& Timers() {
  static std::vector<TTimer*> timers;
  return timers;
}
}  // namespace

TTimer::TTimer(QObject* parent, const char* name, int interval, bool enabled)
    : QObject(parent), interval_(interval), enabled_(enabled) {
  setObjectName(QString::fromLatin1(name));
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &TTimer::Tick);
  Timers().push_back(this);
  Restart();
}

TTimer::~TTimer() {
  auto& timers = Timers();
  timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void TTimer::SetInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Restart();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

void TTimer::Restart() {
  timer_.stop();
  dueAt_ = CurrentClock().MonotonicMilliseconds() + interval_;
  if (enabled_ && interval_ > 0 && !g_manual) timer_.start(interval_);
}

void TTimer::SetManualDriving(bool manual) {
  g_manual = manual;
  for (TTimer* timer : Timers()) timer->Restart();
}

bool TTimer::ManualDriving() {
  return g_manual;
}

int TTimer::DispatchDue() {
  if (!g_manual) return 0;
  // A handler may delete timers or make new ones: work on guarded copies.
  std::vector<QPointer<TTimer>> due;
  const std::int64_t now = CurrentClock().MonotonicMilliseconds();
  for (TTimer* timer : Timers()) {
    if (timer->enabled_ && timer->interval_ > 0 && timer->dueAt_ <= now) due.emplace_back(timer);
  }
  int fired = 0;
  for (const QPointer<TTimer>& timer : due) {
    // An earlier handler may have stopped it or started its countdown anew.
    if (!timer || !timer->enabled_ || timer->dueAt_ > now) continue;
    timer->dueAt_ = CurrentClock().MonotonicMilliseconds() + timer->interval_;
    ++fired;
    Q_EMIT timer->Tick();
  }
  return fired;
}

void ProcessMessages() {
  QCoreApplication::processEvents();
  TTimer::DispatchDue();
}

}  // namespace ombrix
