#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

namespace ombrix {

// A date and time as days since 1899-12-30 00:00, the time of day as the fraction. 0 = no time.
using TDateTime = double;

// Probe seconds count from 1970-01-01 00:00:00 UTC. Local time is Central European time: UTC + 1
// hour, plus one summer hour from 01:00 UTC on the last Sunday of March to 01:00 UTC on the last
// Sunday of October, whatever zone the computer is set to.

// hour is the UTC hour (the local standard hour less one).
bool IsSummerTime(int year, int month, int day, int hour);
// Day of the month of the n-th weekday (0 = Sunday); n = 5 means the last one.
int NthWeekdayOfMonth(int year, int month, int n, int weekday);
void SecondsToLocalTime(std::int64_t seconds, int& year, int& month, int& day, int& hour,
                        int& minute, int& second, int* isSummer = nullptr);
// Never below 0.
std::int64_t LocalTimeToSeconds(int year, int month, int day, int hour, int minute, int second);

TDateTime ProbeSecondsToDateTime(std::int64_t seconds);
std::int64_t DateTimeToProbeSeconds(TDateTime value);

// Calendar fields <-> TDateTime, for the proleptic Gregorian calendar.
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                       int millisecond, TDateTime& value);
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int millisecond = 0);  // 0 when the fields are invalid
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond);

// The one text form of a date and time: the default locale's short date format (four-digit year),
// one blank, its long time format with seconds and without a zone name. 0 gives "".
QString DateTimeText(TDateTime value);
// The same in the given locale.
QString DateTimeText(TDateTime value, const QLocale& locale);
// An instant as ISO 8601 in the program's time with its UTC offset, for machine-readable output:
// "2021-10-31T02:30:00+02:00", and an hour later "2021-10-31T02:30:00+01:00".
QString IsoDateTimeText(std::int64_t seconds);
// Reads DateTimeText's form back in the same locale, to the same second. False when it does not
// read.
bool TextToDateTime(const QString& text, TDateTime& value);

// The PC's current date and time in the program's zone, from the current Clock.
TDateTime NowDateTime();
// The PC's current time in probe seconds (UTC), from the current Clock.
std::int64_t NowProbeSeconds();

}  // namespace ombrix
