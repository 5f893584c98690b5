#include "Statistics.h"

#include <QLocale>
#include <QString>

#include <cmath>

namespace ombrix {

namespace {

constexpr double kZeroCelsius = 273.15;

}  // namespace

bool CheckLimits(const TemperatureLimits& limits, std::string& error) {
  for (const std::optional<double>& limit : {limits.low, limits.high}) {
    if (limit && !std::isfinite(*limit)) {
      error = QT_TRANSLATE_NOOP("Limits", "a limit must be a number");
      return false;
    }
  }
  if (limits.low && limits.high && *limits.low >= *limits.high) {
    error = QT_TRANSLATE_NOOP("Limits", "the low limit must be below the high limit");
    return false;
  }
  if (limits.delayMinutes < 0 || limits.delayMinutes > TemperatureLimits::kMaxDelayMinutes) {
    error = QT_TRANSLATE_NOOP("Limits", "the delay must be between 0 and 10,000 minutes");
    return false;
  }
  if (!std::isfinite(limits.activation) || limits.activation <= 0) {
    error = QT_TRANSLATE_NOOP("Limits", "the activation energy must be a positive number");
    return false;
  }
  return true;
}

bool ParseLimit(const std::string& text, std::optional<double>& value) {
  QString t = QString::fromStdString(text).trimmed();
  if (t.isEmpty() || t.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0) {
    value.reset();
    return true;
  }
  t.replace(u',', u'.');
  bool ok = false;
  const double number = QLocale::c().toDouble(t, &ok);
  if (!ok || !std::isfinite(number) || std::fabs(number) > 1000) return false;
  value = number;
  return true;
}

bool ParseDelay(const std::string& text, int& minutes) {
  bool ok = false;
  const int number = QString::fromStdString(text).trimmed().toInt(&ok);
  if (!ok || number < 0 || number > TemperatureLimits::kMaxDelayMinutes) return false;
  minutes = number;
  return true;
}

const char* VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::kWithin:
      return QT_TRANSLATE_NOOP("Verdict", "within limits");
    case Verdict::kOutside:
      return QT_TRANSLATE_NOOP("Verdict", "outside limits");
    case Verdict::kNoSamples:
      return QT_TRANSLATE_NOOP("Verdict", "nothing to judge");
    case Verdict::kNoLimits:
      break;
  }
  return QT_TRANSLATE_NOOP("Verdict", "no limits set");
}

RecordStatistics ComputeStatistics(const TProbeRecord& record, const TemperatureLimits& limits) {
  RecordStatistics s;
  const int n = record.HeldSamples();
  s.samples = n;
  s.intervalSeconds = record.IntervalSeconds();
  s.verdict = limits.Any() ? Verdict::kWithin : Verdict::kNoLimits;
  if (n == 0) {
    s.verdict = Verdict::kNoSamples;
    s.note = QT_TRANSLATE_NOOP("Statistics", "no samples");
    return s;
  }
  s.firstSeconds = record.SampleSeconds(0);
  s.lastSeconds = record.SampleSeconds(n - 1);

  // Sums in double over at most 8000 values of half-degree steps: exact enough by far. The mean
  // kinetic temperature's exponentials are taken relative to the lowest temperature, so that no
  // term underflows whatever the activation.
  double sum = 0;
  s.minimum = s.maximum = record.GetSample(0).Temperature;
  for (int i = 0; i < n; ++i) {
    const double t = record.GetSample(i).Temperature;
    sum += t;
    if (t < s.minimum) {
      s.minimum = t;
      s.minimumIndex = i;
    }
    if (t > s.maximum) {
      s.maximum = t;
      s.maximumIndex = i;
    }
  }
  s.mean = sum / n;
  if (n > 1) {
    double squares = 0;
    for (int i = 0; i < n; ++i) {
      const double d = record.GetSample(i).Temperature - s.mean;
      squares += d * d;
    }
    s.standardDeviation = std::sqrt(squares / (n - 1));
  } else {
    s.note = QT_TRANSLATE_NOOP("Statistics", "one sample: no standard deviation");
  }
  const double a = limits.activation;
  const double reference = a / (s.minimum + kZeroCelsius);
  double terms = 0;
  for (int i = 0; i < n; ++i) {
    terms += std::exp(reference - a / (record.GetSample(i).Temperature + kZeroCelsius));
  }
  // mean of exp(-a/T) = exp(-reference) * terms / n
  s.meanKinetic = a / (reference - std::log(terms / n)) - kZeroCelsius;

  // Runs beyond a limit; a run ends where a sample is back within, or beyond the other limit.
  const std::int64_t delay = std::int64_t{limits.delayMinutes} * 60;
  auto side = [&](int i) {
    const double t = record.GetSample(i).Temperature;
    if (limits.high && t > *limits.high) return 1;
    if (limits.low && t < *limits.low) return -1;
    return 0;
  };
  for (int i = 0; i < n;) {
    const int beyond = side(i);
    if (beyond == 0) {
      ++i;
      continue;
    }
    int last = i;
    while (last + 1 < n && side(last + 1) == beyond) ++last;
    Excursion run;
    run.above = beyond > 0;
    run.first = i;
    run.last = last;
    run.startSeconds = record.SampleSeconds(i);
    run.endSeconds = record.SampleSeconds(last) + s.intervalSeconds;
    (run.above ? s.secondsAbove : s.secondsBelow) += run.Seconds();
    if (run.Seconds() >= delay) {
      s.excursions.push_back(run);
      if (!s.longest || run.Seconds() > s.longest->Seconds()) s.longest = run;
    }
    i = last + 1;
  }
  if (!s.excursions.empty()) s.verdict = Verdict::kOutside;
  return s;
}

}  // namespace ombrix
