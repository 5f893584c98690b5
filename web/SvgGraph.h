#pragma once

#include <QString>

#include <cstdint>

#include "ProbeRecord.h"
#include "Statistics.h"

namespace ombrix::web {

// The temperature range a graph shows: every sample and every limit in force, with a margin of a
// tenth of the span (at least half a degree) above and below.
struct GraphRange {
  double low = 0, high = 1;
};
// Of the samples first to last (indexes from 0, inclusive; last -1: the last held one).
GraphRange RangeOf(const TProbeRecord& record, const TemperatureLimits& limits, int first = 0,
                   int last = -1);

// The record's samples as an inline SVG graph drawn by the server: the line of the samples over
// time, a dashed line at each limit in force, the temperature range at the left edge and the
// first and last sample time below. A record without samples gives a note instead of a graph.
// Every text in it is escaped. first and last (as for RangeOf) draw a part of the samples only,
// across the whole width.
QString SvgGraph(const TProbeRecord& record, const TemperatureLimits& limits, int first = 0,
                 int last = -1);

}  // namespace ombrix::web
