// The Graph page: the vertical axis rule, the range box and the four navigation commands with
// their snapping, mouse panning with its veto, the time labels and the 3D switch.
#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QCheckBox>
#include <QLabel>
#include <QLineSeries>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>
#include <QWheelEvent>

#include "AxisRules.h"
#include "ChartDepth.h"
#include "GraphView.h"
#include "HistogramView.h"
#include "ViewTesting.h"

namespace ombrix::testing {
namespace {

constexpr double kMinute = 1.0 / 1440;

class GraphViewTest : public ViewTest {
 protected:
  TGraphView& Graph() { return *form->Graph(); }
  views::Range Window() { return Graph().Window(); }

  // Visible and enabled states of Home, Backward, Forward and End, in this order.
  std::string Navigation() {
    std::string states;
    for (const char* name : {"GraphHome", "GraphBackward", "GraphForward", "GraphEnd"}) {
      QAction* action = Action(name);
      states += !action->isVisible() ? '-' : action->isEnabled() ? 'E' : 'd';
    }
    return states;
  }

  void ShowGraph() {
    form->ViewGraphExecute();
    QCoreApplication::processEvents();
  }

  // Three and a half hours every ten minutes from 2025-01-15 06:00.
  TDateTime GiveThreeAndAHalfHours() {
    const TDateTime first = EncodeDateTime(2025, 1, 15, 6, 0);
    GiveSamples(first, 22, 10, [](int i) { return 4.0f + (i % 3); });
    FillViews();
    return first;
  }
};

TEST_F(GraphViewTest, OneHourWindowStepsThroughThreeAndAHalfHours) {
  const TDateTime first = GiveThreeAndAHalfHours();
  const TDateTime last = first + 210 * kMinute;
  ShowGraph();
  // A fill shows everything, and there is nowhere to go.
  EXPECT_EQ(Find<QComboBox>("GraphRange")->currentIndex(), 0);
  EXPECT_DOUBLE_EQ(Window().minimum, first);
  EXPECT_DOUBLE_EQ(Window().maximum, last);
  EXPECT_EQ(Navigation(), "----");
  EXPECT_FALSE(Graph().Panning());
  EXPECT_FALSE(Find<QToolButton>("VcrForward")->isVisible());

  ChooseRange(views::gr1h);
  EXPECT_DOUBLE_EQ(Window().minimum, first);
  EXPECT_DOUBLE_EQ(Window().maximum, first + 1.0 / 24);
  EXPECT_EQ(Navigation(), "ddEE");
  EXPECT_TRUE(Graph().Panning());
  EXPECT_TRUE(Find<QToolButton>("VcrForward")->isVisible());
  EXPECT_TRUE(Find<QToolButton>("VcrHome")->isVisible());
  EXPECT_FALSE(Find<QToolButton>("VcrHome")->isEnabled());

  Action("GraphForward")->trigger();
  Action("GraphForward")->trigger();
  EXPECT_NEAR(Window().minimum, first + 2.0 / 24, 1e-9);
  Action("GraphForward")->trigger();
  // Snapped to the last hour.
  EXPECT_DOUBLE_EQ(Window().maximum, last);
  EXPECT_DOUBLE_EQ(Window().minimum, last - 1.0 / 24);
  EXPECT_EQ(Navigation(), "EEdd");

  Action("GraphBackward")->trigger();
  EXPECT_EQ(Navigation(), "EEEE");

  // Choosing an entry starts at the first sample again, also the one already chosen.
  ChooseRange(views::gr1h);
  EXPECT_DOUBLE_EQ(Window().minimum, first);
  ChooseRange(views::grMaximum);
  EXPECT_EQ(Navigation(), "----");
}

TEST_F(GraphViewTest, DataShorterThanTheWindowHidesNavigationAndStopsPanning) {
  GiveSamples(EncodeDateTime(2025, 1, 15, 6, 0), 4, 10, [](int) { return 5.0f; });
  FillViews();
  for (const int entry : {views::gr24h, views::gr1h}) {
    ChooseRange(entry);
    EXPECT_EQ(Navigation(), "----") << entry;
    EXPECT_FALSE(Graph().Panning()) << entry;
  }
}

TEST_F(GraphViewTest, ALoneSampleIsDrawnAsAPointInTheMiddle) {
  const TDateTime first = EncodeDateTime(2025, 1, 15, 6, 0);
  GiveSamples(first, 1, 10, [](int) { return 5.0f; });
  FillViews();
  ShowGraph();
  QLineSeries* series = Graph().Series();
  ASSERT_NE(series, nullptr);
  EXPECT_EQ(series->count(), 1);
  EXPECT_TRUE(series->pointsVisible());
  EXPECT_NEAR((Window().minimum + Window().maximum) / 2, first, 1e-9);
  GiveSamples(first, 4, 10, [](int) { return 5.0f; });
  FillViews();
  EXPECT_FALSE(series->pointsVisible());  // a line again
}

TEST_F(GraphViewTest, MovesThatNeedAWindowFailTheSwitchCheckUnderMaximum) {
  GiveThreeAndAHalfHours();
  const views::Range before = Window();
  for (void (TMainForm::*move)() : {&TMainForm::GraphEndExecute, &TMainForm::GraphBackwardExecute,
                                    &TMainForm::GraphForwardExecute}) {
    try {
      (form.get()->*move)();
      ADD_FAILURE() << "no error";
    } catch (const ConsistencyError& error) {
      EXPECT_TRUE(QString::fromLatin1(error.what()).startsWith("Error switch file Main line "))
          << error.what();
    }
  }
  EXPECT_EQ(Window(), before);
  // Home under "Maximum" is the whole record.
  form->GraphHomeExecute();
  EXPECT_EQ(Window(), before);
}

TEST_F(GraphViewTest, TheVerticalAxisAddsOneDegreeOnlyWhereTheSamplesLeaveTheRange) {
  const TDateTime first = EncodeDateTime(2025, 1, 15, 6, 0);
  GiveSamples(first, 30, 10, [](int i) { return i == 7 ? 41.2f : 20.0f; });
  form->FillGraph();
  EXPECT_NEAR(Graph().TemperatureRange().maximum, 42.2, 1e-5);
  EXPECT_EQ(Graph().TemperatureRange().minimum, 0.0);

  GiveSamples(first, 30, 10, [](int i) { return 10.0f + i % 20; });
  form->FillGraph();
  EXPECT_EQ(Graph().TemperatureRange(), (views::Range{0, 40}));

  // A freezer: the configured range lies below the previous axis altogether.
  form->Workplace->MinTemperature = -30;
  form->Workplace->MaxTemperature = -10;
  GiveSamples(first, 30, 10, [](int i) { return -25.0f + i % 10; });
  form->FillGraph();
  EXPECT_EQ(Graph().TemperatureRange(), (views::Range{-30, -10}));
  EXPECT_EQ(Graph().TemperatureAxis()->min(), -30);
  EXPECT_EQ(Graph().TemperatureAxis()->max(), -10);
  GiveSamples(first, 30, 10, [](int i) { return i == 3 ? -31.5f : -20.0f; });
  form->FillGraph();
  EXPECT_EQ(Graph().TemperatureRange(), (views::Range{-32.5, -10}));
}

TEST_F(GraphViewTest, TimeLabelsFollowTheDateSwitchWithTheDateUnderTheTime) {
  GiveSamples(EncodeDateTime(2025, 7, 3, 14, 0), 31, 1, [](int) { return 21.0f; });
  FillViews();
  ShowGraph();
  auto* date = Find<QCheckBox>("GraphDate");
  ASSERT_FALSE(date->isChecked());
  // The check box sits in the chart's bottom left corner.
  EXPECT_TRUE(Graph().isAncestorOf(date));
  EXPECT_LT(date->mapTo(&Graph(), QPoint()).x(), Graph().width() / 4);
  EXPECT_GT(date->mapTo(&Graph(), QPoint()).y(), Graph().height() * 3 / 4);

  const QStringList plain = Graph().TimeLabels();
  ASSERT_GE(plain.size(), 2);
  EXPECT_EQ(plain.front(), "14:00");
  for (const QString& label : plain) {
    EXPECT_TRUE(QRegularExpression("^14:[0-3]\\d$").match(label).hasMatch()) << label.toStdString();
  }
  date->click();
  const QStringList dated = Graph().TimeLabels();
  EXPECT_EQ(dated.front(), "14:00 3.7");
  EXPECT_EQ(dated.size(), plain.size());
  // Two lines: the date under the time.
  EXPECT_TRUE(Graph().TimeAxis()->categoriesLabels().front().contains("14:00<br>3.7"));

  // Labels at least a minute apart, with five minor ticks between two of them.
  EXPECT_GE(Graph().LabelStep(), kMinute - 1e-12);
  EXPECT_EQ(Graph().MinorTickAxis()->minorTickCount(), 5);
  EXPECT_DOUBLE_EQ(Graph().MinorTickAxis()->tickInterval(), Graph().LabelStep());
  EXPECT_FALSE(Graph().MinorTickAxis()->labelsVisible());
}

TEST_F(GraphViewTest, MidnightsWithoutTheDateStillGetALabelEach) {
  GiveSamples(EncodeDateTime(2025, 1, 1, 0, 0), 8 * 24, 60, [](int) { return 4.0f; });
  FillViews();
  ShowGraph();
  const QStringList labels = Graph().TimeLabels();
  ASSERT_GE(labels.size(), 4);
  EXPECT_EQ(labels.count("00:00"), labels.size());
}

TEST_F(GraphViewTest, TheTimeAxisEndsAtNinetyEightPercentOfTheWidth) {
  GiveThreeAndAHalfHours();
  Find<QCheckBox>("GraphDisable3D")->click();
  ShowGraph();
  const double width = Graph().chart()->size().width();
  ASSERT_GT(width, 100);
  EXPECT_NEAR(Graph().chart()->plotArea().right(), width * 0.98, 2.0);
}

TEST_F(GraphViewTest, DraggingPansWithinTheSamplesOnly) {
  const TDateTime first = GiveThreeAndAHalfHours();
  ShowGraph();
  ChooseRange(views::gr1h);
  QWidget* paper = Graph().viewport();
  const QPoint middle = Graph().chart()->plotArea().center().toPoint();
  const double plotWidth = Graph().chart()->plotArea().width();

  // Dragging to the left shows later samples.
  QTest::mousePress(paper, Qt::LeftButton, {}, middle);
  QTest::mouseMove(paper, middle - QPoint(60, 0));
  QTest::mouseRelease(paper, Qt::LeftButton, {}, middle - QPoint(60, 0));
  EXPECT_NEAR(Window().minimum, first + 60 / plotWidth / 24, 1e-7);
  // Panning leaves the commands as the last command set them.
  EXPECT_EQ(Navigation(), "ddEE");

  // A drag past the first sample is refused; the window stays.
  const views::Range before = Window();
  QTest::mousePress(paper, Qt::LeftButton, {}, middle);
  QTest::mouseMove(paper, middle + QPoint(200, 0));
  QTest::mouseRelease(paper, Qt::LeftButton, {}, middle + QPoint(200, 0));
  EXPECT_EQ(Window(), before);
  EXPECT_FALSE(form->GraphAllowScroll(first - kMinute, first + 59 * kMinute));
  EXPECT_TRUE(form->GraphAllowScroll(first + kMinute, first + 61 * kMinute));

  // Without anywhere to go, a drag moves nothing.
  ChooseRange(views::grMaximum);
  const views::Range all = Window();
  QTest::mousePress(paper, Qt::LeftButton, {}, middle);
  QTest::mouseMove(paper, middle - QPoint(60, 0));
  QTest::mouseRelease(paper, Qt::LeftButton, {}, middle - QPoint(60, 0));
  EXPECT_EQ(Window(), all);
}

// The wheel zooms about the time under the mouse and the commands follow; a right-button
// rectangle zooms to it; the read-out names the sample under the mouse; Fit to Data and a double
// click (as Reset Zoom) set the axes.
TEST_F(GraphViewTest, TheMouseZoomsReadsOutAndTheViewFitsAndResets) {
  const TDateTime first = GiveThreeAndAHalfHours();
  ShowGraph();
  QWidget* paper = Graph().viewport();
  const QRectF plot = Graph().chart()->plotArea();
  const views::Range all = Window();
  const views::Range axis = Graph().TemperatureRange();

  const QPointF at(plot.left() + plot.width() / 4, plot.center().y());
  QWheelEvent wheel(at, Graph().mapToGlobal(at), {}, QPoint(0, 240), Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(paper, &wheel);
  const double quarter = all.minimum + all.Span() / 4;
  EXPECT_NEAR(Window().Span(), all.Span() * 0.64, 1e-9);
  EXPECT_NEAR(Window().minimum + Window().Span() / 4, quarter, all.Span() / plot.width())
      << "the point stays, within the pixel";
  EXPECT_EQ(Navigation(), "EEEE") << "samples on both sides now";

  QTest::mouseMove(paper, plot.center().toPoint());
  const QLabel* readOut = Graph().ReadOutLabel();
  EXPECT_TRUE(readOut->isVisible());
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^15\\.1\\.2025 0[6-9]:[0-5]0  [4-6]\\.0 °C$"))
                  .match(readOut->text())
                  .hasMatch())
      << readOut->text().toStdString();
  EXPECT_EQ(Graph().ReadOut(first + 21 * kMinute), "15.1.2025 06:20  6.0 °C") << "nearest: 06:20";

  QTest::mousePress(paper, Qt::RightButton, {}, plot.topLeft().toPoint() + QPoint(10, 10));
  QTest::mouseMove(paper, plot.center().toPoint());
  QTest::mouseRelease(paper, Qt::RightButton, {}, plot.center().toPoint());
  EXPECT_LT(Window().Span(), all.Span() * 0.64 / 2 + kMinute);
  EXPECT_LT(Graph().TemperatureRange().Span(), axis.Span() / 2 + 0.1);

  ASSERT_TRUE(Graph().FitTemperatureRange());
  ChooseRange(views::grMaximum);
  ASSERT_TRUE(Graph().FitTemperatureRange());
  EXPECT_EQ(Graph().TemperatureRange(), (views::Range{3.5, 6.5})) << "samples 4 .. 6 °C";

  QTest::mouseDClick(paper, Qt::LeftButton, {}, plot.center().toPoint());
  EXPECT_EQ(Window(), all);
  EXPECT_EQ(Graph().TemperatureRange(), axis);

  // An excursion of one sample is shaded a pixel wide.
  Graph().SetExcursions({{views::Range{first + kMinute, first + kMinute}, true}});
  const QList<QPointF> band = Graph().AboveArea()->upperSeries()->points();
  ASSERT_EQ(band.size(), 4);
  EXPECT_NEAR(band[2].x() - band[0].x(), all.Span() / Graph().chart()->plotArea().width(), 1e-9);
}

TEST_F(GraphViewTest, TheThreeDSwitchDrawsWallsAndABandBehindTheLine) {
  GiveThreeAndAHalfHours();
  ShowGraph();
  auto* flat = Find<QCheckBox>("GraphDisable3D");
  ASSERT_FALSE(flat->isChecked());  // as designed without settings
  EXPECT_TRUE(Graph().Is3D());
  // Three walls and one band segment per pair of neighbouring samples.
  EXPECT_EQ(Graph().Depth().FaceCount(), 3 + 21);
  ChooseRange(views::gr1h);
  EXPECT_EQ(Graph().Depth().FaceCount(), 3 + 6);

  flat->click();
  EXPECT_FALSE(Graph().Is3D());
  EXPECT_EQ(Graph().Depth().FaceCount(), 0);
  flat->click();
  EXPECT_GT(Graph().Depth().FaceCount(), 3);
}

class GraphSettingsTest : public GraphViewTest {
 protected:
  GraphSettingsTest() { ini = "[Properties]\nComNumber=0\n[Graph]\nGraph3D=0\nGraphDate=1\n"; }
};

TEST_F(GraphSettingsTest, TheChartFollowsTheSwitchesFromTheSettings) {
  EXPECT_FALSE(Graph().Is3D());
  EXPECT_TRUE(Graph().DateLabels());
  EXPECT_TRUE(form->Histogram()->Is3D());
}

}  // namespace
}  // namespace ombrix::testing
