#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "IniFile.h"
#include "Statistics.h"

namespace ombrix {

// Where the settings file keeps limits: the defaults in section [Limits], and the limits of one
// probe in [Limits XXXXXXXXXXXXXXXX] (its serial number as the record file writes it). Keys Low
// and High (empty: off), Delay (minutes) and Activation (kelvin); values with a decimal point,
// whatever the locale, so that the window and the command line read them alike.
std::string LimitsSection(std::optional<std::uint64_t> serial);

// The probe's own limits when it has any, else the defaults; values that do not read, or limits
// that CheckLimits refuses, count as not set.
TemperatureLimits ReadLimits(const TIniFile& ini, std::optional<std::uint64_t> serial);
// True when the probe has limits of its own.
bool HasOwnLimits(const TIniFile& ini, std::uint64_t serial);
// Writes the limits as the probe's own (or as the defaults); the caller commits the file.
void WriteLimits(TIniFile& ini, std::optional<std::uint64_t> serial,
                 const TemperatureLimits& limits);

}  // namespace ombrix
