#include "TimeConversion.h"

#include <optional>

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "Clock.h"

namespace ombrix {

namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
// TDateTime day number of 1970-01-01.
constexpr std::int64_t kUnixEpochDay = 25'569;
// Values are clamped to this many days either side of 1899-12-30 (some 27,000 years) so that no
// arithmetic below can overflow, whatever a caller passes.
constexpr double kDayLimit = 1e7;
constexpr std::int64_t kSecondLimit = static_cast<std::int64_t>(kDayLimit) * kSecondsPerDay;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

bool IsLeapYear(std::int64_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(std::int64_t year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

// Days from 1970-01-01 to the given proleptic Gregorian date (month 1..12). Works in 400-year eras
// of 146097 days, with years starting on March 1 so that the leap day comes last.
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = FloorDiv(year, 400);
  const std::int64_t yearOfEra = year - era * 400;                          // 0..399
  const std::int64_t monthFromMarch = (month + 9) % 12;                     // March = 0
  const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;  // 0..365
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146'097 + dayOfEra - 719'468;
}

// The inverse of DaysFromCivil.
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719'468;
  const std::int64_t era = FloorDiv(days, 146'097);
  const std::int64_t dayOfEra = days - era * 146'097;  // 0..146096
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;  // 0..399
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;  // March = 0
  day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

// Breaks seconds since 1970-01-01 00:00:00 into calendar fields, as if UTC.
void SplitSeconds(std::int64_t seconds, int& year, int& month, int& day, int& hour, int& minute,
                  int& second) {
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t ofDay = seconds - days * kSecondsPerDay;
  CivilFromDays(days, year, month, day);
  hour = static_cast<int>(ofDay / 3600);
  minute = static_cast<int>(ofDay / 60 % 60);
  second = static_cast<int>(ofDay % 60);
}

// --- The text form -----------------------------------------------------------------------------

// One piece of a Qt date/time format: a run of one unquoted letter (a field such as "yy" or "t";
// unknown letters are literal to Qt but are kept as runs too), one unquoted other character, or a
// quoted literal kept with its quotes.
struct FormatPiece {
  enum Kind { kLetters, kChar, kQuoted } kind;
  QString text;

  bool IsRunOf(QChar letter) const { return kind == kLetters && text.front() == letter; }
};

std::vector<FormatPiece> SplitFormat(const QString& format) {
  std::vector<FormatPiece> pieces;
  qsizetype i = 0;
  while (i < format.size()) {
    const QChar c = format[i];
    qsizetype end = i + 1;
    FormatPiece::Kind kind = FormatPiece::kChar;
    if (c == u'\'') {
      kind = FormatPiece::kQuoted;
      // '' inside a quote is a literal quote; an unterminated quote runs to the end.
      while (end < format.size()) {
        if (format[end] == u'\'') {
          if (end + 1 < format.size() && format[end + 1] == u'\'') {
            end += 2;
            continue;
          }
          ++end;
          break;
        }
        ++end;
      }
    } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
      kind = FormatPiece::kLetters;
      while (end < format.size() && format[end] == c) ++end;
    }
    pieces.push_back({kind, format.mid(i, end - i)});
    i = end;
  }
  return pieces;
}

QString JoinFormat(const std::vector<FormatPiece>& pieces) {
  QString format;
  for (const FormatPiece& piece : pieces) format += piece.text;
  return format;
}

bool HasRun(const std::vector<FormatPiece>& pieces, QChar letter, qsizetype minLength = 1) {
  return std::any_of(pieces.begin(), pieces.end(), [&](const FormatPiece& p) {
    return p.IsRunOf(letter) && p.text.size() >= minLength;
  });
}

// Characters that only frame a time-zone name: blanks, brackets and a separating comma.
bool FramesZone(const FormatPiece& piece) {
  if (piece.kind != FormatPiece::kChar) return false;
  const QChar c = piece.text.front();
  return c.isSpace() || c == u'(' || c == u')' || c == u'[' || c == u']' || c == u',';
}

// The short date format, always with a four-digit year: a two-digit year cannot be read back to
// the same date.
QString DateFormat(const QLocale& locale) {
  std::vector<FormatPiece> pieces = SplitFormat(locale.dateFormat(QLocale::ShortFormat));
  if (!HasRun(pieces, u'y', 4)) {
    for (FormatPiece& piece : pieces) {
      if (piece.IsRunOf(u'y')) piece.text = QStringLiteral("yyyy");
    }
  }
  return JoinFormat(pieces);
}

// The long time format without its zone name (the times are Central European, not the PC's zone),
// with seconds, and with an AM/PM marker wherever it has a 12-hour clock.
std::vector<FormatPiece> TimePieces(const QLocale& locale) {
  std::vector<FormatPiece> pieces = SplitFormat(locale.timeFormat(QLocale::LongFormat));

  for (std::size_t i = 0; i < pieces.size();) {
    if (!pieces[i].IsRunOf(u't')) {
      ++i;
      continue;
    }
    std::size_t first = i;
    std::size_t last = i + 1;
    while (first > 0 && FramesZone(pieces[first - 1])) --first;
    while (last < pieces.size() && FramesZone(pieces[last])) ++last;
    const bool between = first > 0 && last < pieces.size();
    pieces.erase(pieces.begin() + first, pieces.begin() + last);
    if (between) pieces.insert(pieces.begin() + first, {FormatPiece::kChar, QStringLiteral(" ")});
    i = first;
  }

  if (!HasRun(pieces, u's')) {
    auto minutes = std::find_if(pieces.rbegin(), pieces.rend(),
                                [](const FormatPiece& p) { return p.IsRunOf(u'm'); });
    const auto at = minutes == pieces.rend() ? pieces.end() : minutes.base();
    pieces.insert(at, {{FormatPiece::kChar, QStringLiteral(":")},
                       {FormatPiece::kLetters, QStringLiteral("ss")}});
  }

  // Some locales give a 12-hour clock with a day-period letter "B" that Qt does not know: it
  // prints a literal B and, lacking an AM/PM marker, a 24-hour "h". The AM/PM marker is what
  // belongs there.
  if (HasRun(pieces, u'h') && !HasRun(pieces, u'A') && !HasRun(pieces, u'a')) {
    auto period = std::find_if(pieces.begin(), pieces.end(),
                               [](const FormatPiece& p) { return p.IsRunOf(u'B'); });
    if (period != pieces.end()) period->text = QStringLiteral("AP");
  }

  const auto blank = [](const FormatPiece& p) {
    return p.kind == FormatPiece::kChar && p.text.front().isSpace();
  };
  while (!pieces.empty() && blank(pieces.back())) pieces.pop_back();
  while (!pieces.empty() && blank(pieces.front())) pieces.erase(pieces.begin());
  return pieces;
}

QString QuotedLiteral(QString text) {
  if (text.isEmpty()) return text;
  return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'';
}

// Qt writes the digits of every locale but cannot read those outside the Basic Multilingual Plane
// (Adlam, Chakma); it reads ASCII digits in any locale, so those become ASCII.
QString AsciiForWideDigits(const QString& text) {
  QString result;
  result.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      const int digit = QChar::digitValue(QChar::surrogateToUcs4(text[i], text[i + 1]));
      if (digit >= 0) {
        result += QChar(static_cast<char16_t>(u'0' + digit));
        ++i;
        continue;
      }
    }
    result += text[i];
  }
  return result;
}

// Reads text in the given format to calendar fields exactly as written. Qt reads a date and time
// without a zone as the PC's local time, which rejects or shifts times in that zone's
// daylight-saving gap; a leading UTC zone keeps the fields as written.
bool ReadFields(const QLocale& locale, const QString& text, const QString& format, QDate& date,
                QTime& time) {
  const QDateTime read = locale.toDateTime(QStringLiteral("UTC ") + AsciiForWideDigits(text),
                                           QStringLiteral("t ") + format);
  if (!read.isValid()) return false;
  date = read.date();
  time = read.time();
  return true;
}

}  // namespace

// --- Central European time ---------------------------------------------------------------------

bool IsSummerTime(int year, int month, int day, int hour) {
  if (year < 1970 || month < 3 || month > 10) return false;
  if (month > 3 && month < 10) return true;
  const int lastSunday = NthWeekdayOfMonth(year, month, 5, 0);
  if (month == 3) {
    if (day != lastSunday) return day > lastSunday;
    return hour >= 1;
  }
  if (day != lastSunday) return day < lastSunday;
  return hour < 1;
}

int NthWeekdayOfMonth(int year, int month, int n, int weekday) {
  if (month < 1 || month > 12) return 0;
  // 1970-01-01 was a Thursday.
  const std::int64_t firstWeekday = (DaysFromCivil(year, month, 1) % 7 + 7 + 4) % 7;
  int day = weekday - static_cast<int>(firstWeekday) + 1;
  if (day <= 0) day += 7;
  day += (n - 1) * 7;
  // "Last" is looked up for March and October only, whose length never changes.
  if (n >= 5 && day > DaysInMonth(1, month)) day -= 7;
  return day;
}

void SecondsToLocalTime(std::int64_t seconds, int& year, int& month, int& day, int& hour,
                        int& minute, int& second, int* isSummer) {
  seconds = std::clamp(seconds, -kSecondLimit, kSecondLimit);
  SplitSeconds(seconds + 3600, year, month, day, hour, minute, second);
  if (isSummer) *isSummer = 0;
  if (IsSummerTime(year, month, day, hour - 1)) {
    SplitSeconds(seconds + 7200, year, month, day, hour, minute, second);
    if (isSummer) *isSummer = 1;
  }
}

std::int64_t LocalTimeToSeconds(int year, int month, int day, int hour, int minute, int second) {
  std::int64_t utcHour = hour;
  // In summer the clocks are one hour ahead. The skipped hour on the last Sunday of March counts as
  // summer time, and the doubled hour in October as the later, standard-time pass.
  if (hour != INT_MIN && IsSummerTime(year, month, day, hour - 1)) --utcHour;
  // Out-of-range months go through the same formula; it cannot overflow for any int fields.
  const std::int64_t seconds = DaysFromCivil(year, month, day) * kSecondsPerDay + utcHour * 3600 +
                               std::int64_t{minute} * 60 + second - 3600;
  return seconds < 0 ? 0 : seconds;
}

TDateTime ProbeSecondsToDateTime(std::int64_t seconds) {
  int year, month, day, hour, minute, second;
  SecondsToLocalTime(seconds, year, month, day, hour, minute, second);
  TDateTime value = 0;
  if (!TryEncodeDateTime(year, month, day, hour, minute, second, 0, value)) return 0;
  return value;
}

std::int64_t DateTimeToProbeSeconds(TDateTime value) {
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(value, year, month, day, hour, minute, second, millisecond);
  return LocalTimeToSeconds(year, month, day, hour, minute, second);
}

// --- TDateTime ---------------------------------------------------------------------------------

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                       int millisecond, TDateTime& value) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  if (millisecond < 0 || millisecond > 999) return false;
  const std::int64_t days = DaysFromCivil(year, month, day) + kUnixEpochDay;
  const std::int64_t ofDay = ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
  value = static_cast<double>(days) + static_cast<double>(ofDay) / kMillisecondsPerDay;
  return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
  TDateTime value = 0;
  if (!TryEncodeDateTime(year, month, day, hour, minute, second, millisecond, value)) return 0;
  return value;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond) {
  // Before 1899-12-30 the day is the one below and the fraction counts forward from it, so every
  // value decodes to some date; NaN decodes like 0.
  if (std::isnan(value)) value = 0;
  value = std::clamp(value, -kDayLimit, kDayLimit);
  // Rounded to the millisecond first, so that 12:00 less a rounding error reads as 12:00:00.000.
  const auto total = static_cast<std::int64_t>(std::llround(value * kMillisecondsPerDay));
  const std::int64_t days = FloorDiv(total, kMillisecondsPerDay);
  const std::int64_t ofDay = total - days * kMillisecondsPerDay;
  CivilFromDays(days - kUnixEpochDay, year, month, day);
  hour = static_cast<int>(ofDay / 3'600'000);
  minute = static_cast<int>(ofDay / 60'000 % 60);
  second = static_cast<int>(ofDay / 1000 % 60);
  millisecond = static_cast<int>(ofDay % 1000);
}

// --- Text --------------------------------------------------------------------------------------

QString DateTimeText(TDateTime value) {
  return DateTimeText(value, QLocale());
}

QString DateTimeText(TDateTime value, const QLocale& locale) {
  if (value == 0) return QString();
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(value, year, month, day, hour, minute, second, millisecond);
  const QDate date(year, month, day);
  if (!date.isValid()) return QString();
  // Date and time are formatted apart, so the PC's zone never enters. The composed formats are
  // kept while the default locale stays the same: exports format thousands of times in a row, and
  // so do archive listings, which is why the texts of the days formatted last are kept as well
  // (a few, as a listing alternates between mission start and download dates).
  struct Formats {
    QLocale locale;
    QString date;
    QString time;
    std::array<std::pair<qint64, QString>, 8> days{};  // Julian day and its text, by day % 8
  };
  thread_local std::optional<Formats> formats;
  if (!formats || !(formats->locale == locale))
    formats = Formats{locale, DateFormat(locale), JoinFormat(TimePieces(locale))};
  auto& [julianDay, dateText] = formats->days[static_cast<std::size_t>(date.toJulianDay() % 8)];
  if (julianDay != date.toJulianDay()) {
    julianDay = date.toJulianDay();
    dateText = locale.toString(date, formats->date);
  }
  return dateText + u' ' + locale.toString(QTime(hour, minute, second), formats->time);
}

bool TextToDateTime(const QString& text, TDateTime& value) {
  const QLocale locale;
  const QString dateFormat = DateFormat(locale) + u' ';
  std::vector<FormatPiece> time = TimePieces(locale);
  QDate date;
  QTime clock;

  // The AM/PM marker is matched here as a literal, once for each half of the day, not by Qt's
  // parser: that misreads markers of unequal length followed by more text and, for some locales,
  // reads past the end of its buffer. Without the marker Qt reads a 12-hour "h" as 0..23.
  const auto marker = std::find_if(time.begin(), time.end(), [](const FormatPiece& p) {
    return p.kind == FormatPiece::kLetters && (p.text == u"A" || p.text == u"a");
  });
  if (marker == time.end()) {
    if (!ReadFields(locale, text, dateFormat + JoinFormat(time), date, clock)) return false;
  } else {
    const std::size_t at = marker - time.begin();
    const bool pair =
        at + 1 < time.size() && (time[at + 1].text == u"P" || time[at + 1].text == u"p");
    const QString markerFormat = time[at].text + (pair ? time[at + 1].text : QString());
    time.erase(time.begin() + at, time.begin() + at + (pair ? 2 : 1));
    const bool twelveHour = HasRun(time, u'h');
    bool read = false;
    for (const bool afternoon : {false, true}) {
      std::vector<FormatPiece> half = time;
      const QString literal = locale.toString(QTime(afternoon ? 13 : 1, 0), markerFormat);
      half.insert(half.begin() + at, {FormatPiece::kQuoted, QuotedLiteral(literal)});
      if (!ReadFields(locale, text, dateFormat + JoinFormat(half), date, clock)) continue;
      if (twelveHour) {
        if (clock.hour() < 1 || clock.hour() > 12) return false;
        clock = QTime(clock.hour() % 12 + (afternoon ? 12 : 0), clock.minute(), clock.second());
      }
      read = true;
      break;
    }
    if (!read) return false;
  }
  return TryEncodeDateTime(date.year(), date.month(), date.day(), clock.hour(), clock.minute(),
                           clock.second(), 0, value);
}

std::int64_t NowProbeSeconds() {
  return FloorDiv(CurrentClock().UtcMilliseconds(), 1000);
}

TDateTime NowDateTime() {
  const std::int64_t utc = CurrentClock().UtcMilliseconds();
  const std::int64_t seconds = FloorDiv(utc, 1000);
  int year, month, day, hour, minute, second;
  SecondsToLocalTime(seconds, year, month, day, hour, minute, second);
  TDateTime value = 0;
  if (!TryEncodeDateTime(year, month, day, hour, minute, second,
                         static_cast<int>(utc - seconds * 1000), value)) {
    return 0;
  }
  return value;
}

QString IsoDateTimeText(std::int64_t seconds) {
  int year, month, day, hour, minute, second, summer = 0;
  SecondsToLocalTime(seconds, year, month, day, hour, minute, second, &summer);
  // snprintf, not QString::asprintf: listings and exports write this for every entry or sample,
  // and the C library's is many times faster.
  char text[64];
  const int length = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d+%02d:00", year,
                                   month, day, hour, minute, second, summer ? 2 : 1);
  return QString::fromLatin1(text, std::clamp(length, 0, static_cast<int>(sizeof text) - 1));
}

}  // namespace ombrix
