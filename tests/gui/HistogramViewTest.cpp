// The Histogram page: bars at the middle of their bins, the axis rule with its 2 °C margin, the
// slot count, the value marks, the foot and the 3D switch.
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QValueAxis>

#include "ChartDepth.h"
#include "HistogramView.h"
#include "ViewTesting.h"

namespace ombrix::testing {
namespace {

class HistogramViewTest : public ViewTest {
 protected:
  THistogramView& Histogram() { return *form->Histogram(); }

  void SetCounts(std::initializer_list<std::pair<int, int>> bins) {
    TProbeRecord& record = Record();
    record.ReadSamples = 1;
    for (HistogramBin& bin : record.Histogram) bin.Count = 0;
    for (const auto& [index, count] : bins) record.Histogram[index].Count = count;
    form->FillHistogram();
  }
};

TEST_F(HistogramViewTest, OnlyTheLowestBinGivesOneBarAtMinus39) {
  form->ViewHistogramExecute();
  QCoreApplication::processEvents();
  SetCounts({{0, 5}});
  EXPECT_EQ(Histogram().Bars(), QList<QPointF>({QPointF(-39, 5)}));
  EXPECT_EQ(Histogram().TemperatureRange(), (views::Range{-41, 40}));
  EXPECT_EQ(Histogram().Slots(), 40);
  EXPECT_DOUBLE_EQ(Histogram().BarWidth(), 81.0 / 40 / 2);
  // The axis runs in bin indices: -40 °C is the left edge of bin 0.
  QCategoryAxis* axis = Histogram().TemperatureAxis();
  EXPECT_DOUBLE_EQ(axis->min(), -1.0);
  EXPECT_DOUBLE_EQ(axis->max(), 39.5);
  const QStringList labels = Histogram().TemperatureLabels();
  ASSERT_TRUE(labels.contains("-40"));
  EXPECT_DOUBLE_EQ(axis->endValue("-40"), -0.5);
  EXPECT_DOUBLE_EQ(axis->endValue("40"), 39.5);
  // The bar set holds bin 0's count at index 0 and nothing elsewhere.
  QBarSet* set = Histogram().Series()->barSets().front();
  ASSERT_EQ(set->count(), 63);
  EXPECT_EQ(set->at(0), 5);
  EXPECT_EQ(set->sum(), 5);
}

TEST_F(HistogramViewTest, BinsInsideTheRangeKeepItAndTouchEachOther) {
  SetCounts({{21, 743}, {22, 2178}, {23, 71}, {26, 2}});
  EXPECT_EQ(Histogram().Bars(),
            QList<QPointF>({QPointF(3, 743), QPointF(5, 2178), QPointF(7, 71), QPointF(13, 2)}));
  EXPECT_EQ(Histogram().TemperatureRange(), (views::Range{0, 40}));
  EXPECT_EQ(Histogram().Slots(), 20);
  EXPECT_DOUBLE_EQ(Histogram().BarWidth(), 1.0);
  // Labels on bin edges, every 2 °C or, where they would crowd, every few bins.
  for (const QString& label : Histogram().TemperatureLabels()) {
    EXPECT_EQ(label.toInt() % 2, 0) << label.toStdString();
  }
  // A bin above the range widens it by 2 °C beyond its bar.
  SetCounts({{22, 10}, {42, 1}});
  EXPECT_EQ(Histogram().TemperatureRange(), (views::Range{0, 47}));
  EXPECT_EQ(Histogram().Slots(), 23);
}

TEST_F(HistogramViewTest, EachBarShowsItsCountAsAMark) {
  form->ViewHistogramExecute();
  QCoreApplication::processEvents();
  SetCounts({{21, 743}, {22, 2178}, {26, 2}});
  EXPECT_EQ(Histogram().Marks(), QStringList({QLocale().toString(743), QLocale().toString(2178),
                                              QLocale().toString(2)}));
  // The count axis reaches above the tallest bar and its mark.
  EXPECT_GT(Histogram().CountAxis()->max(), 2178);
  EXPECT_EQ(Histogram().CountAxis()->min(), 0);
  EXPECT_EQ(Histogram().CountAxis()->titleText(), "Samples");
  EXPECT_EQ(Histogram().FootText(), "Temperature [°C]");
  EXPECT_FALSE(Histogram().chart()->legend()->isVisible());
  EXPECT_EQ(Histogram().Series()->name(), "Samples");
}

TEST_F(HistogramViewTest, TheThreeDSwitchAddsTopAndSideFaces) {
  form->ViewHistogramExecute();
  QCoreApplication::processEvents();
  SetCounts({{21, 7}, {22, 9}});
  auto* flat = Find<QCheckBox>("HistogramDisable3D");
  ASSERT_TRUE(Histogram().Is3D());
  EXPECT_EQ(Histogram().Depth().FaceCount(), 3 + 2 * 2);
  flat->click();
  EXPECT_FALSE(Histogram().Is3D());
  EXPECT_EQ(Histogram().Depth().FaceCount(), 0);
  EXPECT_EQ(Histogram().Marks().size(), 2);
}

}  // namespace
}  // namespace ombrix::testing
