#include "CodePage.h"

#include <gtest/gtest.h>

namespace ombrix {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

TEST(CodePageTest, Windows1252IsTheDefault) {
  const TCodePage page;
  EXPECT_TRUE(page.Known());
  EXPECT_EQ(page.Name(), "Windows-1252");
  EXPECT_EQ(page.ToUnicode("Temperature [\xB0"
                           "C]"),
            QString::fromUtf8("Temperature [°C]"));
  EXPECT_EQ(page.ToUnicode("\x80\x8A\x9F\xE4"), QString::fromUtf8("€ŠŸä"));
  EXPECT_EQ(page.FromUnicode(QString::fromUtf8("°C €")),
            "\xB0"
            "C \x80");
}

TEST(CodePageTest, StrictConversionRefusesWhatThePageCannotHold) {
  std::string bytes = "kept";
  EXPECT_TRUE(TCodePage().TryFromUnicode(QString::fromUtf8("Kühlraum €"), bytes));
  EXPECT_EQ(bytes, "K\xFChlraum \x80");
  bytes = "kept";
  EXPECT_FALSE(TCodePage().TryFromUnicode(QString::fromUtf8("Kühlraum ☃"), bytes));
  EXPECT_EQ(bytes, "kept");
  EXPECT_FALSE(TCodePage().TryFromUnicode(QString::fromUtf8("😀"), bytes));
}

TEST(CodePageTest, EveryByteSurvivesTheRoundTrip) {
  for (const char* name : {"Windows-1252", "cp1252", "1252", "ISO-8859-2"}) {
    const TCodePage page(name);
    EXPECT_TRUE(page.Known()) << name;
    EXPECT_EQ(page.FromUnicode(page.ToUnicode(AllBytes())), AllBytes()) << name;
  }
  // The bytes Windows-1252 leaves undefined stand for the control characters of their number.
  EXPECT_EQ(TCodePage().ToUnicode("\x81").at(0).unicode(), 0x81);
}

TEST(CodePageTest, OtherCodePagesComeFromIconv) {
  EXPECT_EQ(TCodePage("1250").ToUnicode("\xA5\x8A"), QString::fromUtf8("ĄŠ"));
  EXPECT_EQ(TCodePage("CP1250").ToUnicode("\xA5"), QString::fromUtf8("Ą"));
  EXPECT_EQ(TCodePage("ISO-8859-5").ToUnicode("\xB0"), QString::fromUtf8("А"));
  EXPECT_EQ(TCodePage("ISO-8859-5").FromUnicode(QString::fromUtf8("Ая")), "\xB0\xEF");
}

TEST(CodePageTest, CharactersThePageLacksBecomeQuestionMarks) {
  EXPECT_EQ(TCodePage().FromUnicode(QString::fromUtf8("Ω-\U0001F321")), "?-?");
}

TEST(CodePageTest, UnknownOrMultiByteNamesFallBackToWindows1252) {
  for (const char* name : {"no-such-page", "UTF-8", "SHIFT_JIS", ""}) {
    const TCodePage page(name);
    EXPECT_FALSE(page.Known()) << name;
    EXPECT_EQ(page.Name(), "Windows-1252");
    EXPECT_EQ(page.ToUnicode("\x80"), QString::fromUtf8("€"));
  }
}

}  // namespace
}  // namespace ombrix
