#pragma once

#include <string>
#include <string_view>

#include "TimeConversion.h"

namespace ombrix {

// Date/time values in record files and exports are 8-bit texts.

// DateTimeText's locale form as 8-bit text. Where the locale's form holds characters beyond ASCII
// (Japanese or Cyrillic unit marks, Arabic digits), no code page is sure to carry them, so the
// value is written in the ISO 8601 form "yyyy-MM-dd HH:mm:ss" instead, which every reader of
// these files accepts. 0 gives "".
std::string DateTimeBytes(TDateTime value);

enum class DateReading {
  kRead,
  kNoForm,        // in none of the accepted forms
  kOrderUnknown,  // a numeric date that either a day-first or a month-first locale could have
                  // written, so which of its numbers is the day cannot be told
};

// Which of the two leading numbers of a numeric date such as "4/3/2026" is the day.
enum class DateOrder { kUnknown, kDayFirst, kMonthFirst };

struct DateTextReading {
  DateReading state = DateReading::kNoForm;
  TDateTime value = 0;  // kRead
  // kOrderUnknown: the date read day first and month first.
  TDateTime dayFirst = 0, monthFirst = 0;
  // kRead from a numeric date whose day is above 12: the order its writer used, which holds for
  // every date that writer wrote.
  DateOrder shows = DateOrder::kUnknown;
};

// Reads a date/time text written on this or any other computer, whatever its regional settings,
// and takes a reading only when exactly one exists. The forms are those that locales write
// (DateTimeBytes), independent of the reader's locale: ISO 8601 (date and time separated by "T"
// or a blank, no zone); year first ("2026.11.17", "2026/11/17"); a day and an English month name
// ("17 Nov 2026", "Nov 17, 2026"); a numeric date with the year last, whose day and month tell
// themselves apart when one of them is above 12 and otherwise stay open unless `order` says
// which comes first; a time of hours, minutes and seconds with any separators, 24-hour or with
// one of the AM/PM markers and the words that locales write around their times. A text in none
// of these forms is read in the reader's own locale (TextToDateTime) as the last resort. Blanks
// around the text are ignored.
DateTextReading ReadDateTimeText(std::string_view text, DateOrder order = DateOrder::kUnknown);

// A date's text with its month's name, so that day and month cannot be confused: the locale's
// long date form and the time, "Wednesday, 4 March 2026 11:26:41".
QString UnmistakableDateTimeText(TDateTime value, const QLocale& locale);

}  // namespace ombrix
