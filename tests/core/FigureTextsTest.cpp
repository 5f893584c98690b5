#include "FigureTexts.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <functional>

namespace ombrix::figures {
namespace {

class FigureTextsTest : public ::testing::Test {
 protected:
  FigureTextsTest() : previous_(QLocale()) { QLocale::setDefault(QLocale::c()); }
  ~FigureTextsTest() override { QLocale::setDefault(previous_); }

 private:
  QLocale previous_;
};

TEST_F(FigureTextsTest, EachFigureHasOneForm) {
  struct Case {
    std::function<QString()> text;
    const char* expected;
  };
  const Case cases[] = {
      {[] { return Celsius(-2.54); }, "-2.5 \u00B0C"},
      {[] { return Celsius(-0.04); }, "0.0 \u00B0C"},  // no "-0.0"
      {[] { return Celsius(4.24); }, "4.2 \u00B0C"},
      {[] { return Kelvin(0.956); }, "0.96 K"},
      {[] { return MeanKinetic(5.1249); }, "5.12 \u00B0C"},
      {[] { return MeanKinetic(-0.001); }, "0.00 \u00B0C"},
      {[] { return Duration(0); }, "0 min"},
      {[] { return Duration(45 * 60); }, "45 min"},
      {[] { return Duration(3600); }, "1 h 0 min"},
      {[] { return Duration(((12 * 24 + 3) * 60 + 10) * 60); }, "12 d 3 h 10 min"},
      {[] { return Duration(2 * 86400); }, "2 d 0 h 0 min"},
      {[] { return Duration(90); }, "1 min 30 s"},
      {[] { return Duration(30); }, "30 s"},
      {[] { return Duration(-600); }, "-10 min"},
      {[] { return SerialNumber(0xA200000000000028ULL); }, "28 00 00 00 00 00 00 A2"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text(), QString::fromUtf8(c.expected));

  // The German locale changes the decimal separator only.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(Celsius(2.5), QString::fromUtf8("2,5 \u00B0C"));
  EXPECT_EQ(Kelvin(0.956), "0,96 K");
}

TEST_F(FigureTextsTest, SerialNumbersReadInEitherForm) {
  constexpr std::uint64_t kSerial = 0xA200000000000028ULL;
  constexpr std::uint64_t kPresent = 0x1122334455667788ULL;
  struct Case {
    const char* text;
    std::optional<std::uint64_t> present;
    std::optional<std::uint64_t> expected;
  };
  const Case cases[] = {
      {"28 00 00 00 00 00 00 A2", std::nullopt, kSerial},
      {"  28 00 00 00 00 00 00 a2 ", std::nullopt, kSerial},
      {"A200000000000028", std::nullopt, kSerial},
      {"a200000000000028", kPresent, kSerial},
      {"28 0 0 0 0 0 0 A2", std::nullopt, kSerial},
      // Fewer bytes only where a present value keeps the others.
      {"28 00 00", std::nullopt, std::nullopt},
      {"AA", kPresent, 0x11223344556677AAULL},
      {"4F 1 2 3 4 5 6", kPresent, 0x110605040302014FULL},
      {"28 00 00 00 00 00 00 A2 00", kPresent, std::nullopt},
      {"28 100 00 00 00 00 00 A2", std::nullopt, std::nullopt},
      {"28 0x 00 00 00 00 00 A2", std::nullopt, std::nullopt},
      {"A20000000000002", std::nullopt, std::nullopt},
      {"A2000000000000280", std::nullopt, std::nullopt},
      {"G200000000000028", std::nullopt, std::nullopt},
      {"", kPresent, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SerialNumberFromText(QString::fromLatin1(c.text), c.present), c.expected);
  }
  // Back and forth.
  EXPECT_EQ(SerialNumberFromText(SerialNumber(kPresent)), kPresent);
}

}  // namespace
}  // namespace ombrix::figures
