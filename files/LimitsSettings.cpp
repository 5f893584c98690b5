#include "LimitsSettings.h"

#include <QLocale>
#include <QString>

#include <cstdio>

namespace ombrix {

namespace {

std::string Number(double value) {
  return QLocale::c().toString(value, 'g', 10).toStdString();
}

// The limits of one section; nullopt when the section sets none of its keys.
std::optional<TemperatureLimits> ReadSection(const TIniFile& ini, const std::string& section) {
  const auto low = ini.Value(section, "Low");
  const auto high = ini.Value(section, "High");
  const auto delay = ini.Value(section, "Delay");
  const auto activation = ini.Value(section, "Activation");
  if (!low && !high && !delay && !activation) return std::nullopt;
  TemperatureLimits limits;
  if (low && !ParseLimit(*low, limits.low)) limits.low.reset();
  if (high && !ParseLimit(*high, limits.high)) limits.high.reset();
  if (delay && !ParseDelay(*delay, limits.delayMinutes)) limits.delayMinutes = 0;
  if (activation) {
    bool ok = false;
    const double a = QLocale::c().toDouble(QString::fromStdString(*activation).trimmed(), &ok);
    if (ok) limits.activation = a;
  }
  std::string error;
  if (!CheckLimits(limits, error)) return TemperatureLimits{};
  return limits;
}

}  // namespace

std::string LimitsSection(std::optional<std::uint64_t> serial) {
  if (!serial) return "Limits";
  char text[32];
  std::snprintf(text, sizeof text, "Limits %016llX", static_cast<unsigned long long>(*serial));
  return text;
}

TemperatureLimits ReadLimits(const TIniFile& ini, std::optional<std::uint64_t> serial) {
  if (serial) {
    if (auto own = ReadSection(ini, LimitsSection(serial))) return *own;
  }
  return ReadSection(ini, LimitsSection(std::nullopt)).value_or(TemperatureLimits{});
}

bool HasOwnLimits(const TIniFile& ini, std::uint64_t serial) {
  return ReadSection(ini, LimitsSection(serial)).has_value();
}

void WriteLimits(TIniFile& ini, std::optional<std::uint64_t> serial,
                 const TemperatureLimits& limits) {
  const std::string section = LimitsSection(serial);
  ini.WriteString(section, "Low", limits.low ? Number(*limits.low) : "");
  ini.WriteString(section, "High", limits.high ? Number(*limits.high) : "");
  ini.WriteInteger(section, "Delay", limits.delayMinutes);
  ini.WriteString(section, "Activation", Number(limits.activation));
}

}  // namespace ombrix
