#include "DateTimeForms.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <array>
#include <cstdio>
#include <set>
#include <vector>

namespace ombrix {

namespace {

bool IsAscii(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x80) return false;
  }
  return true;
}

// A date/time text as numbers (runs of ASCII digits) and words (runs of letters); everything else
// only separates them.
struct Token {
  bool number = false;
  QString text;
  qsizetype begin = 0, end = 0;
};

std::vector<Token> Tokens(const QString& text) {
  std::vector<Token> tokens;
  for (qsizetype i = 0; i < text.size();) {
    const bool digit = text[i] >= u'0' && text[i] <= u'9';
    if (!digit && !text[i].isLetter()) {
      ++i;
      continue;
    }
    qsizetype end = i + 1;
    while (end < text.size() &&
           (digit ? text[end] >= u'0' && text[end] <= u'9' : text[end].isLetter())) {
      ++end;
    }
    tokens.push_back({digit, text.mid(i, end - i), i, end});
    i = end;
  }
  return tokens;
}

// 1..12 for an English month name or its abbreviation ("Nov", "November", "Sept"), else 0.
int EnglishMonth(const QString& word) {
  static const std::array<const char*, 12> kNames = {
      "JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
      "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
  const QString upper = word.toUpper();
  if (upper.size() < 3) return 0;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    const QLatin1StringView name(kNames[i]);
    if (upper == name || upper == name.left(3) || (i == 8 && upper == u"SEPT")) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

// A text split into its date and its time: the date's numbers (three, or two beside a month
// name), the time's numbers (hour, minute and, mostly, second) and the words after the date - an
// AM/PM marker, or what a locale writes around its times ("kl.", "h", "min") - as one upper-case
// string without separators. A numeric date keeps what separates its numbers as its shape
// ("/|/", ". |. ").
struct Parts {
  std::vector<QString> date;
  QString shape;
  int month = 0;  // from a month name
  std::vector<int> time;
  QString words;
};

bool Split(const QString& text, Parts& parts) {
  const std::vector<Token> tokens = Tokens(text);
  std::size_t i = 0;
  for (; i < tokens.size(); ++i) {
    const std::size_t wanted = parts.month != 0 ? 2 : 3;
    if (parts.date.size() == wanted) break;
    if (tokens[i].number) {
      if (!parts.date.empty()) {
        if (parts.date.size() == 2) parts.shape += u'|';
        parts.shape += text.mid(tokens[i - 1].end, tokens[i].begin - tokens[i - 1].end);
      }
      parts.date.push_back(tokens[i].text);
    } else if (parts.month == 0 && (parts.month = EnglishMonth(tokens[i].text)) != 0) {
      if (parts.date.size() > 1) return false;
    } else {
      return false;
    }
  }
  for (; i < tokens.size(); ++i) {
    if (!tokens[i].number) {
      parts.words += tokens[i].text.toUpper();
    } else if (tokens[i].text.size() > 2 || parts.time.size() == 3) {
      return false;
    } else {
      parts.time.push_back(tokens[i].text.toInt());
    }
  }
  return parts.date.size() == (parts.month != 0 ? 2u : 3u) && parts.time.size() >= 2;
}

// What the words around a time say about its hour, learnt from what every locale writes: words
// of a 24-hour clock (none at all, "T" of ISO 8601, "kl.", "h min s") and the AM and PM markers
// ("PM", "p.m.", "nachm."). A word one locale writes for the morning and another for the
// afternoon is in both sets and leaves such an hour unread.
//
// Likewise the shapes of numeric dates that locales write day first and month first: "17.11.2026"
// is written day first only, so "4.3.2026" is 4 March, but "/" both ways.
struct KnownForms {
  std::set<QString> clock24{QString(), QStringLiteral("T")}, am, pm;
  std::set<QString> dayFirst, monthFirst;
};

const KnownForms& Known() {
  static const KnownForms forms = [] {
    KnownForms learnt;
    const TDateTime afternoon = EncodeDateTime(2026, 11, 17, 15, 4, 5);
    const TDateTime morning = EncodeDateTime(2026, 11, 17, 3, 4, 5);
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                          QLocale::AnyTerritory)) {
      // Only ASCII texts reach the files (DateTimeBytes); the clock of a locale shows in either.
      const QString pmText = DateTimeText(afternoon, locale);
      const QString amText = DateTimeText(morning, locale);
      Parts pm, am;
      if (!Split(pmText, pm) || !Split(amText, am)) continue;
      const bool twelveHours = pm.time.front() == 3;
      if (!twelveHours && pm.time.front() != 15) continue;
      if (IsAscii(pmText)) (twelveHours ? learnt.pm : learnt.clock24).insert(pm.words);
      if (IsAscii(amText)) (twelveHours ? learnt.am : learnt.clock24).insert(am.words);
      if (IsAscii(pmText) && pm.month == 0 && pm.date[0] != u"2026") {
        (pm.date[0] == u"17" ? learnt.dayFirst : learnt.monthFirst).insert(pm.shape);
      }
    }
    return learnt;
  }();
  return forms;
}

// The hour the words and the number give, or -1 when none or more than one.
int Hour(int written, const QString& words) {
  const KnownForms& known = Known();
  std::set<int> hours;
  if (known.clock24.count(words) && written <= 23) hours.insert(written);
  if (written >= 1 && written <= 12) {
    if (known.am.count(words)) hours.insert(written % 12);
    if (known.pm.count(words)) hours.insert(written % 12 + 12);
  }
  return hours.size() == 1 ? *hours.begin() : -1;
}

bool Encode(int year, int month, int day, int hour, const Parts& parts, TDateTime& value) {
  const int second = parts.time.size() > 2 ? parts.time[2] : 0;
  return TryEncodeDateTime(year, month, day, hour, parts.time[1], second, 0, value);
}

bool IsDayOrMonth(const QString& number) {
  return number.size() <= 2;
}

bool IsYear(const QString& number) {
  return number.size() == 4;
}

DateTextReading ReadParts(const Parts& parts, DateOrder order) {
  DateTextReading reading;
  const int hour = Hour(parts.time[0], parts.words);
  if (hour < 0) return reading;
  const auto one = [&](int year, int month, int day, DateOrder shows = DateOrder::kUnknown) {
    if (Encode(year, month, day, hour, parts, reading.value)) {
      reading.state = DateReading::kRead;
      reading.shows = shows;
    }
    return reading;
  };
  const std::vector<QString>& d = parts.date;
  if (parts.month != 0) {
    // "17 Nov 2026", "Nov 17, 2026", "2026 Nov 17"
    const bool yearFirst = IsYear(d[0]) && IsDayOrMonth(d[1]);
    if (!yearFirst && !(IsDayOrMonth(d[0]) && IsYear(d[1]))) return reading;
    return one(d[yearFirst ? 0 : 1].toInt(), parts.month, d[yearFirst ? 1 : 0].toInt());
  }
  if (IsYear(d[0]) && IsDayOrMonth(d[1]) && IsDayOrMonth(d[2])) {
    return one(d[0].toInt(), d[1].toInt(), d[2].toInt());
  }
  if (!IsDayOrMonth(d[0]) || !IsDayOrMonth(d[1]) || !IsYear(d[2])) return reading;
  const int first = d[0].toInt();
  const int second = d[1].toInt();
  const int year = d[2].toInt();
  if (first > 12) return one(year, second, first, DateOrder::kDayFirst);
  if (second > 12) return one(year, first, second, DateOrder::kMonthFirst);
  if (first == second || order == DateOrder::kDayFirst) return one(year, second, first);
  if (order == DateOrder::kMonthFirst) return one(year, first, second);
  const bool dayFirst = Known().dayFirst.count(parts.shape) != 0;
  const bool monthFirst = Known().monthFirst.count(parts.shape) != 0;
  if (dayFirst != monthFirst) return dayFirst ? one(year, second, first) : one(year, first, second);
  if (Encode(year, second, first, hour, parts, reading.dayFirst) &&
      Encode(year, first, second, hour, parts, reading.monthFirst)) {
    reading.state = DateReading::kOrderUnknown;
  }
  return reading;
}

}  // namespace

std::string DateTimeBytes(TDateTime value) {
  const QString text = DateTimeText(value);
  if (IsAscii(text)) return text.toStdString();
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(value, year, month, day, hour, minute, second, millisecond);
  char iso[32];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return iso;
}

DateTextReading ReadDateTimeText(std::string_view bytes, DateOrder order) {
  const QString written =
      QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())).trimmed();
  DateTextReading reading;
  if (written.isEmpty()) return reading;
  Parts parts;
  if (Split(written, parts)) reading = ReadParts(parts, order);
  if (reading.state == DateReading::kNoForm && TextToDateTime(written, reading.value)) {
    reading.state = DateReading::kRead;
  }
  return reading;
}

QString UnmistakableDateTimeText(TDateTime value, const QLocale& locale) {
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(value, year, month, day, hour, minute, second, millisecond);
  return locale.toString(QDate(year, month, day), QLocale::LongFormat) + u' ' +
         QTime(hour, minute, second).toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace ombrix
