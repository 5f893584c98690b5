#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <ostream>
#include <vector>

#include "ProbeRecord.h"
#include "Statistics.h"
#include "StatusFields.h"

namespace ombrix::cli {

// The statistics of a record against its limits for scripts: the limits, minimum and maximum
// times, standard deviation, mean kinetic temperature, time below and above, excursions and the
// verdict, as numbers.
QJsonObject StatisticsJson(const TProbeRecord& record, const RecordStatistics& statistics,
                           const TemperatureLimits& limits);
// The same for people: the rows of the limits and the statistics as the window and the printed
// report show them, then the verdict and the note.
void PrintStatistics(std::ostream& out, const TProbeRecord& record, const TemperatureLimits& limits,
                     const RecordStatistics& statistics);
// "Label :     text" lines, labels padded to one column of at least `width` characters.
void PrintText(std::ostream& out, const Fields& fields, int width = 20);
QJsonObject ToJson(const Fields& fields);
void PrintJson(std::ostream& out, const QJsonObject& object);

}  // namespace ombrix::cli
