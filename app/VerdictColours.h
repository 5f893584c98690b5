#pragma once

#include <QColor>

#include <optional>
#include <string>

#include "Statistics.h"

namespace ombrix {

// The colours the window gives a verdict wherever it shows one: within limits in green, outside
// them in red (and bold, where a font goes with it).
inline QColor WithinLimitsColour() {
  return {0, 0x80, 0};
}
inline QColor OutsideLimitsColour() {
  return {0xC0, 0, 0};
}
// The colour of a verdict as VerdictText gives it; none for a text without one ("no limits set",
// "nothing to judge", "no verdict").
inline std::optional<QColor> VerdictTextColour(const std::string& text) {
  if (text == VerdictText(Verdict::kWithin)) return WithinLimitsColour();
  if (text == VerdictText(Verdict::kOutside)) return OutsideLimitsColour();
  return std::nullopt;
}

}  // namespace ombrix
