// Dates in record files were written under whatever regional settings the writing computer had.
// The first input byte picks the regional settings of the reading one, the rest is the text. A
// text that reads must give a whole second within the years 1..9999, and the value written back
// (DateTimeBytes) must read as the same value.

#include <QLocale>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "DateTimeForms.h"
#include "FuzzCheck.h"

namespace {

using ombrix::DateReading;
using ombrix::TDateTime;

// Day-first and month-first orders, 12-hour clocks with markers of all kinds ("PM", "p. m.",
// "午後" in front of the time), a point between the time fields, digits beyond ASCII.
constexpr const char* kLocales[] = {"C",     "en_US", "en_GB", "en_AU", "de_DE", "fi_FI",
                                    "ja_JP", "ko_KR", "zh_CN", "ar_EG", "fa_IR", "hi_IN",
                                    "es_MX", "bg_BG", "sq_AL", "ru_RU"};
constexpr std::size_t kLocaleCount = sizeof kLocales / sizeof *kLocales;

const QLocale& Locale(std::uint8_t pick) {
  static const auto* locales = [] {
    auto* list = new QLocale[kLocaleCount];
    for (std::size_t i = 0; i < kLocaleCount; ++i)
      list[i] = QLocale(QString::fromLatin1(kLocales[i]));
    return list;
  }();
  return locales[pick % kLocaleCount];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::setlocale(LC_ALL, "C");
  QLocale::setDefault(QLocale::c());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const QLocale& locale = Locale(data[0]);
  if (QLocale() != locale) QLocale::setDefault(locale);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const ombrix::DateTextReading reading = ombrix::ReadDateTimeText(text);
  if (reading.state == DateReading::kNoForm) return 0;
  // Two readings are the same date with day and month swapped, both valid.
  const TDateTime value =
      reading.state == DateReading::kRead ? reading.value : reading.dayFirst;
  if (reading.state == DateReading::kOrderUnknown) FUZZ_CHECK(reading.monthFirst != value);
  FUZZ_CHECK(std::isfinite(value));
  int year, month, day, hour, minute, second, millisecond;
  ombrix::DecodeDateTime(value, year, month, day, hour, minute, second, millisecond);
  FUZZ_CHECK(year >= 1 && year <= 9999);
  FUZZ_CHECK(millisecond == 0);
  // The one date whose value is 0 means "no time" and is written as nothing.
  if (value == 0) return 0;

  // What this locale writes reads back as the same value, or as two readings of which one is it.
  const std::string written = ombrix::DateTimeBytes(value);
  const ombrix::DateTextReading again = ombrix::ReadDateTimeText(written);
  const bool same = again.state == DateReading::kRead
                        ? again.value == value
                        : again.state == DateReading::kOrderUnknown &&
                              (again.dayFirst == value || again.monthFirst == value);
  if (!same) {
    std::fprintf(stderr, "\"%s\" read back as %d (%.9f, first %.9f)\n", written.c_str(),
                 static_cast<int>(again.state), again.value, value);
  }
  FUZZ_CHECK(same);
  return 0;
}
