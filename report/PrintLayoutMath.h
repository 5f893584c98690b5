#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

#include "TimeConversion.h"

// The arithmetic of the printed report, apart from any drawing: how the 891 x 630 layout is
// scaled and centred on a page, how the comment is re-flowed, and how the graph's axes are
// limited and labelled.
namespace ombrix::print {

inline constexpr int kLayoutWidth = 891;
inline constexpr int kLayoutHeight = 630;

// The scaled layout fills 96 % of the page dimension that limits it.
inline constexpr double kPageFill = 0.96;

// Where the layout lands on a page of W x H device pixels.
struct PageMapping {
  double scale = 1.0;
  int offsetX = 0;
  int offsetY = 0;

  // A layout point on the page; each coordinate is truncated on its own.
  QPoint Map(double x, double y) const;
  // The page rectangle from Map(left, top) to Map(left + width, top + height), right and bottom
  // edges exclusive.
  QRect MapRect(const QRect& layout) const;
};

// min(W / 891, H / 630) x 0.96.
double Scale(int pageWidth, int pageHeight);
// The layout centred on the page: offsets are the halves, rounded toward zero, of what the
// scaled layout leaves free.
PageMapping MapLayoutToPage(int pageWidth, int pageHeight);

// Characters per comment line: the memo's width in characters of the width of "M", from the
// printed width of ten "M" in the scaled font. 0 when that width is not positive.
int MemoCharsPerLine(int memoWidth, double scale, double tenMWidth);

// The comment re-flowed into lines of about n characters. Words are separated by runs of blanks,
// tabs and line ends; each word is followed by one blank, and a line ends as soon as it holds n
// characters or more, so a word is never split and a line may run past n.
QStringList MemoLines(const QString& text, int n);

// The summary page, in the same layout units as the first page and mapped onto the page alike.
namespace summary {
inline constexpr QRect kTitleBar{0, 0, kLayoutWidth, 20};
inline constexpr QRect kFooterBar{0, 610, kLayoutWidth, 20};
inline constexpr int kIdentityTop = 26;  // the probe's name and serial number
inline constexpr QRect kVerdictBox{2, 46, 887, 64};
inline constexpr int kVerdictFrame = 2;
// Two columns: the limits with the excursion table below them, and the statistics.
inline constexpr int kLeftColumn = 8;
inline constexpr int kLeftColumnEnd = 440;
inline constexpr int kLeftValues = 208;
inline constexpr int kRightColumn = 449;
inline constexpr int kRightColumnEnd = 889;
inline constexpr int kRightValues = 609;
inline constexpr int kHeadingTop = 122;
inline constexpr int kRowTop = 146;
inline constexpr int kRowPitch = 17;
inline constexpr int kExcursionHeadingTop = 236;
inline constexpr int kExcursionRowTop = 275;  // below the table's column captions
// Where the columns of the excursion table start: number, side, start, end, length.
inline constexpr int kExcursionColumns[5] = {8, 30, 80, 200, 320};
}  // namespace summary

struct AxisLimits {
  double minimum = 0;
  double maximum = 0;
};

// The vertical axis: the workplace's range, widened by 1 degree beyond the samples on a side
// where they leave it. Without samples, the range itself. A range that would be empty or
// reversed is opened to one degree above its minimum.
AxisLimits TemperatureAxisLimits(bool hasSamples, float smallest, float largest,
                                 float minTemperature, float maxTemperature);

// The horizontal axis in days: from the first to the last sample. A span shorter than one minute
// (a single sample) is opened to one minute from the first.
AxisLimits TimeAxisLimits(TDateTime first, TDateTime last);

// A step of 1, 2 or 5 times a power of ten that divides the span into at most maxSteps steps.
double NiceStep(double span, int maxSteps);

// The time between two labels of the horizontal axis, in days: the shortest of the usual clock
// steps (1 minute up to weeks) that puts at most maxLabels labels on the span; never below one
// minute.
double TimeLabelStep(double spanDays, int maxLabels);

// The multiples of step (counted from 1899-12-30 00:00, so whole hours and days fall on round
// clock times) from minimum to maximum.
std::vector<TDateTime> TimeTicks(double minimum, double maximum, double stepDays);

// A time as an axis label in the given format (Qt date/time format), split into one line per
// blank-separated part and centred, as rich text. The fields are those of the value itself: no
// time zone shifts them.
QString TimeAxisLabel(TDateTime value, const QString& format);

}  // namespace ombrix::print
