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

// Reads a date/time text written on this or another computer: first in the locale's own form
// (TextToDateTime), then as ISO 8601 (date and time separated by "T" or a blank, no zone) and as
// "d.M.yyyy H:mm:ss", which no locale writes month first. Blanks around the text are ignored.
DateReading ReadDateTimeBytes(std::string_view text, TDateTime& value);

}  // namespace ombrix
