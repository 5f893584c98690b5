#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>

#include <climits>
#include <cmath>
#include <limits>
#include <ostream>

#include "Clock.h"
#include "TimeConversion.h"

namespace ombrix::testing {
namespace {

struct Stamp {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  friend bool operator==(const Stamp&, const Stamp&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Stamp& s) {
    return out << s.year << '-' << s.month << '-' << s.day << ' ' << s.hour << ':' << s.minute
               << ':' << s.second << '.' << s.millisecond;
  }
};

Stamp Local(std::int64_t seconds, int* isSummer = nullptr) {
  Stamp s;
  SecondsToLocalTime(seconds, s.year, s.month, s.day, s.hour, s.minute, s.second, isSummer);
  return s;
}

Stamp Decoded(TDateTime value) {
  Stamp s;
  DecodeDateTime(value, s.year, s.month, s.day, s.hour, s.minute, s.second, s.millisecond);
  return s;
}

// --- Central European time ---------------------------------------------------------------------

TEST(CentralEuropeanTime, SwitchesAtOneUtcOnTheLastSundaysOfMarchAndOctober) {
  struct Case {
    std::int64_t utc;
    Stamp local;
    int summer;
  };
  const Case cases[] = {
      {1'616'893'199, {2021, 3, 28, 1, 59, 59}, 0},   // 2021-03-28 00:59:59 UTC
      {1'616'893'200, {2021, 3, 28, 3, 0, 0}, 1},     // 01:00:00 UTC
      {1'635'641'999, {2021, 10, 31, 2, 59, 59}, 1},  // 2021-10-31 00:59:59 UTC
      {1'635'642'000, {2021, 10, 31, 2, 0, 0}, 0},    // 01:00:00 UTC
  };
  for (const Case& c : cases) {
    int summer = -1;
    EXPECT_EQ(Local(c.utc, &summer), c.local) << c.utc;
    EXPECT_EQ(summer, c.summer) << c.utc;
  }
}

TEST(CentralEuropeanTime, LocalTimeToUtcSeconds) {
  struct Case {
    Stamp local;
    std::int64_t utc;
  };
  const Case cases[] = {
      {{2021, 7, 1, 12, 0, 0}, 1'625'133'600},    // 2021-07-01 10:00:00 UTC
      {{2021, 1, 15, 12, 0, 0}, 1'610'708'400},   // 2021-01-15 11:00:00 UTC
      {{2021, 7, 1, 0, 30, 0}, 1'625'092'200},    // 2021-06-30 22:30:00 UTC
      {{2021, 3, 28, 2, 30, 0}, 1'616'891'400},   // skipped hour: 00:30:00 UTC
      {{2021, 10, 31, 2, 30, 0}, 1'635'643'800},  // doubled hour, later pass: 01:30:00 UTC
      {{2040, 7, 1, 12, 0, 0}, 2'224'749'600},    // past 2038
      {{2106, 2, 7, 7, 28, 15}, 4'294'967'295},   // the last 32-bit second
  };
  for (const Case& c : cases) {
    const Stamp& l = c.local;
    EXPECT_EQ(LocalTimeToSeconds(l.year, l.month, l.day, l.hour, l.minute, l.second), c.utc) << l;
  }
}

TEST(CentralEuropeanTime, LastSundaysOfMarchAndOctober) {
  EXPECT_EQ(NthWeekdayOfMonth(2021, 3, 5, 0), 28);
  EXPECT_EQ(NthWeekdayOfMonth(2024, 3, 5, 0), 31);
  EXPECT_EQ(NthWeekdayOfMonth(2025, 3, 5, 0), 30);
  EXPECT_EQ(NthWeekdayOfMonth(2021, 10, 5, 0), 31);
  EXPECT_EQ(NthWeekdayOfMonth(2024, 10, 5, 0), 27);
  EXPECT_EQ(NthWeekdayOfMonth(2025, 10, 5, 0), 26);
  // Against Qt's calendar (Monday = 1 .. Sunday = 7) over every year a probe may see.
  for (int year = 1970; year <= 2200; ++year) {
    for (int month : {3, 10}) {
      const int lastSunday = 31 - QDate(year, month, 31).dayOfWeek() % 7;
      ASSERT_EQ(NthWeekdayOfMonth(year, month, 5, 0), lastSunday) << year << '-' << month;
    }
  }
}

TEST(CentralEuropeanTime, NothingBefore1970) {
  EXPECT_FALSE(IsSummerTime(1969, 7, 1, 12));
  EXPECT_TRUE(IsSummerTime(1970, 7, 1, 12));
  EXPECT_EQ(LocalTimeToSeconds(1969, 7, 1, 12, 0, 0), 0);
  EXPECT_EQ(LocalTimeToSeconds(1970, 1, 1, 0, 59, 59), 0);
  EXPECT_EQ(LocalTimeToSeconds(1970, 1, 1, 1, 0, 0), 0);
  EXPECT_EQ(LocalTimeToSeconds(1970, 1, 1, 1, 0, 1), 1);
  EXPECT_EQ(Local(0), (Stamp{1970, 1, 1, 1, 0, 0}));
}

// --- Probe seconds <-> TDateTime ---------------------------------------------------------------

TEST(ProbeSeconds, RoundTripAcrossYearsExceptTheFirstPassOfTheDoubledHour) {
  int doubled = 0;
  for (std::int64_t s = 1'577'836'800; s < 1'798'761'600; s += 3601) {  // 2020 .. 2026
    int summer = 0;
    const Stamp local = Local(s, &summer);
    const TDateTime value = ProbeSecondsToDateTime(s);
    ASSERT_EQ(Decoded(value), local) << s;
    // 02:00..02:59 summer time on the last Sunday of October reads back as the later pass.
    const bool firstPass = summer && local.month == 10 && local.hour == 2 &&
                           local.day == NthWeekdayOfMonth(local.year, 10, 5, 0);
    doubled += firstPass;
    ASSERT_EQ(DateTimeToProbeSeconds(value), firstPass ? s + 3600 : s) << local;
  }
  EXPECT_EQ(doubled, 7);  // once a year
}

TEST(ProbeSeconds, KnownValues) {
  EXPECT_EQ(ProbeSecondsToDateTime(1'635'640'200), EncodeDateTime(2021, 10, 31, 2, 30, 0));
  EXPECT_EQ(DateTimeToProbeSeconds(EncodeDateTime(2021, 10, 31, 2, 30, 0)), 1'635'643'800);
  EXPECT_EQ(ProbeSecondsToDateTime(2'224'749'600), EncodeDateTime(2040, 7, 1, 12, 0, 0));
  EXPECT_EQ(DateTimeToProbeSeconds(EncodeDateTime(2040, 7, 1, 12, 0, 0)), 2'224'749'600);
  EXPECT_EQ(ProbeSecondsToDateTime(4'294'967'295), EncodeDateTime(2106, 2, 7, 7, 28, 15));
  EXPECT_EQ(ProbeSecondsToDateTime(0), EncodeDateTime(1970, 1, 1, 1, 0, 0));
  EXPECT_EQ(DateTimeToProbeSeconds(0), 0);
  // Milliseconds are rounded before they are dropped.
  EXPECT_EQ(DateTimeToProbeSeconds(EncodeDateTime(2021, 7, 1, 12, 0, 0, 999) + 1e-9),
            1'625'133'600);
}

// --- TDateTime encoding ------------------------------------------------------------------------

TEST(DateTimeEncoding, KnownValues) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDateTime(1970, 1, 1), 25569.0);
  EXPECT_EQ(EncodeDateTime(2000, 1, 1, 12), 36526.5);
  EXPECT_EQ(Decoded(36526.5 - 1e-9), (Stamp{2000, 1, 1, 12, 0, 0, 0}));
  EXPECT_EQ(Decoded(EncodeDateTime(2021, 7, 1, 23, 59, 59, 999)),
            (Stamp{2021, 7, 1, 23, 59, 59, 999}));
  // Before 1899-12-30 the fraction counts forward from the day below.
  EXPECT_EQ(Decoded(-1.25), (Stamp{1899, 12, 28, 18, 0, 0, 0}));
}

TEST(DateTimeEncoding, MatchesQtsCalendarOverEightCenturies) {
  const qint64 dayZero = QDate(1899, 12, 30).toJulianDay();
  for (qint64 jd = QDate(1600, 1, 1).toJulianDay(); jd <= QDate(2400, 12, 31).toJulianDay(); ++jd) {
    const QDate date = QDate::fromJulianDay(jd);
    const TDateTime value = EncodeDateTime(date.year(), date.month(), date.day(), 23, 59, 59, 999);
    ASSERT_EQ(std::floor(value), static_cast<double>(jd - dayZero)) << jd;
    ASSERT_EQ(Decoded(value), (Stamp{date.year(), date.month(), date.day(), 23, 59, 59, 999}));
  }
}

TEST(DateTimeEncoding, RejectsInvalidFields) {
  TDateTime value = 0;
  EXPECT_TRUE(TryEncodeDateTime(2024, 2, 29, 0, 0, 0, 0, value));
  EXPECT_TRUE(TryEncodeDateTime(2000, 2, 29, 0, 0, 0, 0, value));
  const Stamp invalid[] = {
      {2021, 2, 29, 0, 0, 0, 0},   {1900, 2, 29, 0, 0, 0, 0}, {2021, 13, 1, 0, 0, 0, 0},
      {2021, 0, 1, 0, 0, 0, 0},    {2021, 4, 31, 0, 0, 0, 0}, {2021, 4, 0, 0, 0, 0, 0},
      {2021, 4, 1, 24, 0, 0, 0},   {2021, 4, 1, 0, 60, 0, 0}, {2021, 4, 1, 0, 0, 60, 0},
      {2021, 4, 1, 0, 0, 0, 1000}, {2021, 4, 1, -1, 0, 0, 0}, {0, 1, 1, 0, 0, 0, 0},
      {10000, 1, 1, 0, 0, 0, 0},
  };
  for (const Stamp& s : invalid) {
    EXPECT_FALSE(
        TryEncodeDateTime(s.year, s.month, s.day, s.hour, s.minute, s.second, s.millisecond, value))
        << s;
  }
  EXPECT_EQ(EncodeDateTime(2021, 2, 29), 0.0);
}

TEST(DateTimeEncoding, ExtremeInputsNeitherOverflowNorEncode) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double value : {-1e300, 1e300, -inf, inf, std::nan(""), -0.000001, -693594.0, 3e6}) {
    const Stamp s = Decoded(value);
    EXPECT_TRUE(s.month >= 1 && s.month <= 12 && s.day >= 1 && s.day <= 31 && s.hour >= 0 &&
                s.hour < 24 && s.minute >= 0 && s.minute < 60 && s.second >= 0 && s.second < 60 &&
                s.millisecond >= 0 && s.millisecond < 1000)
        << value << ": " << s;
  }
  EXPECT_EQ(DateTimeToProbeSeconds(-1e300), 0);
  EXPECT_EQ(ProbeSecondsToDateTime(std::numeric_limits<std::int64_t>::max()), 0);
  EXPECT_EQ(ProbeSecondsToDateTime(std::numeric_limits<std::int64_t>::min()), 0);
  EXPECT_EQ(LocalTimeToSeconds(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN), 0);
  EXPECT_GT(LocalTimeToSeconds(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX), 0);
}

// --- Text --------------------------------------------------------------------------------------

class DateTimeTextTest : public ::testing::Test {
 protected:
  void TearDown() override { QLocale::setDefault(saved_); }

 private:
  QLocale saved_;
};

TEST_F(DateTimeTextTest, ReadsBackToTheSecondInEveryLocale) {
  // The text is read with Qt's parser; 02:30 on 2021-03-28 does not exist in most European zones
  // and must still read back unchanged whatever zone the PC is in.
  const TDateTime values[] = {
      EncodeDateTime(2021, 3, 28, 2, 30, 0),    EncodeDateTime(2021, 10, 31, 2, 30, 0),
      EncodeDateTime(1999, 12, 31, 23, 59, 59), EncodeDateTime(2021, 7, 1, 14, 5, 9),
      EncodeDateTime(2040, 2, 29, 0, 0, 1),     EncodeDateTime(2021, 1, 2, 12, 0, 0, 400),
  };
  // Beyond the common ones: zone name first (zh_CN), in brackets (es_ES), after a comma and an
  // AM/PM text of unequal lengths (sq_AL), a day period Qt does not know (zh_TW), AM/PM first
  // (ko_KR, ee_GH), non-Latin digits (ar_EG) and digits outside the BMP (ff_Adlm_GN).
  for (const char* name :
       {"en_US", "de_DE", "en_GB", "fr_FR", "ja_JP", "C", "zh_CN", "zh_TW", "es_ES", "sq_AL",
        "ko_KR", "ee_GH", "ar_EG", "ff_Adlm_GN", "bg_BG", "fr_CA"}) {
    QLocale::setDefault(QLocale(QString::fromLatin1(name)));
    for (TDateTime value : values) {
      const QString text = DateTimeText(value);
      const Stamp expected = Decoded(value);
      const QString year = QLocale().toString(QDate(expected.year, 1, 1), QStringLiteral("yyyy"));
      EXPECT_TRUE(text.contains(year)) << name << ": " << text.toStdString();
      // No zone name, nor what framed it.
      EXPECT_FALSE(text.contains(QStringLiteral("UTC"))) << name << ": " << text.toStdString();
      EXPECT_TRUE(text.count(u'(') == text.count(u')') && text.count(u'[') == text.count(u']') &&
                  text == text.trimmed() && !text.endsWith(u','))
          << name << ": " << text.toStdString();
      TDateTime read = -1;
      ASSERT_TRUE(TextToDateTime(text, read)) << name << ": " << text.toStdString();
      EXPECT_EQ(Decoded(read), (Stamp{expected.year, expected.month, expected.day, expected.hour,
                                      expected.minute, expected.second, 0}))
          << name << ": " << text.toStdString();
    }
  }
}

TEST_F(DateTimeTextTest, KnownTexts) {
  EXPECT_EQ(DateTimeText(0), QString());
  QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
  EXPECT_EQ(DateTimeText(EncodeDateTime(2021, 3, 28, 2, 30, 0)),
            QStringLiteral("28.03.2021 02:30:00"));
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(DateTimeText(EncodeDateTime(2021, 3, 28, 2, 30, 0)),
            QStringLiteral("28 Mar 2021 02:30:00"));
  // Twelve-hour locales keep the afternoon apart from the morning.
  QLocale::setDefault(QLocale(QStringLiteral("en_US")));
  EXPECT_TRUE(DateTimeText(EncodeDateTime(2021, 7, 1, 14, 5, 9)).contains(QStringLiteral("PM")));
  // Qt has no day-period field; it would print a literal "B" before a 24-hour time.
  QLocale::setDefault(QLocale(QStringLiteral("zh_TW")));
  const QString afternoon = DateTimeText(EncodeDateTime(2021, 7, 1, 14, 5, 9));
  EXPECT_TRUE(afternoon.contains(QLocale().pmText() + QStringLiteral("2:05:09")))
      << afternoon.toStdString();
  EXPECT_FALSE(afternoon.contains(u'B')) << afternoon.toStdString();
}

TEST_F(DateTimeTextTest, RejectsUnreadableText) {
  QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
  TDateTime value = 0;
  for (const char* text : {"", "no date", "28.03.2021", "31.02.2021 10:00:00",
                           "28.03.2021 25:00:00", "28.03.2021 02:30:00 UTC"}) {
    EXPECT_FALSE(TextToDateTime(QString::fromUtf8(text), value)) << text;
  }
  QLocale::setDefault(QLocale(QStringLiteral("en_US")));
  for (const char* text : {"7/1/2021 14:05:09 PM", "7/1/2021 0:05:09 AM", "7/1/2021 2:05:09"}) {
    EXPECT_FALSE(TextToDateTime(QString::fromUtf8(text), value)) << text;
  }
  EXPECT_EQ(value, 0.0);
}

// --- Now ---------------------------------------------------------------------------------------

TEST(NowDateTime, IsCentralEuropeanTimeFromTheClocksUtc) {
  struct Case {
    std::int64_t utcMilliseconds;
    Stamp local;
  };
  const Case cases[] = {
      {1'625'133'600'250, {2021, 7, 1, 12, 0, 0, 250}},   // summer: UTC + 2
      {1'610'708'400'999, {2021, 1, 15, 12, 0, 0, 999}},  // winter: UTC + 1
      {-1, {1970, 1, 1, 0, 59, 59, 999}},
  };
  for (const Case& c : cases) {
    VirtualClock clock(c.utcMilliseconds);
    ScopedClock scope(clock);
    EXPECT_EQ(Decoded(NowDateTime()), c.local) << c.utcMilliseconds;
  }
}

}  // namespace
}  // namespace ombrix::testing
