#pragma once

#include <QChartView>
#include <QList>
#include <QPointF>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "AxisRules.h"

class QAreaSeries;
class QLabel;
class QRubberBand;
class QCategoryAxis;
class QChart;
class QLineSeries;
class QValueAxis;

namespace ombrix {

class TChartDepth;

// The chart of the Graph page: the temperature line over time in a movable window.
//
// The horizontal axis shows the window [minimum, maximum] of sample times (days). Its labels are
// placed by us at round clock times and formatted from the times' own fields (no time zone
// enters); a second, label-less axis on the same edge gives the five minor ticks between two
// labels. The vertical axis has manual limits. With the 3D look on, walls and a ribbon behind
// the line give the chart depth.
//
// The temperature limits in force show as dashed horizontal lines, and the excursions beyond them
// as shaded bands over the whole height of the plot.
//
// A left-button drag pans the window while panning is on; before each step the scroll check is
// asked with the proposed window and may refuse it. The mouse wheel zooms the time axis about the
// time under the mouse, a right-button drag zooms to the rectangle drawn (time and temperature),
// and a double click asks for the view to be reset; each change of the window is signalled. While
// the mouse is over the plot, the sample nearest in time is read out in the chart's top corner.
class TGraphView : public QChartView {
  Q_OBJECT

 public:
  using ScrollCheck = std::function<bool(views::Range proposed)>;
  // A time span (days, as the points' X) in which the record was above or below a limit.
  struct Span {
    views::Range time;
    bool above = false;
  };

  explicit TGraphView(QWidget* parent = nullptr);
  ~TGraphView() override;

  // Replaces the points (X sample time, Y temperature), X ascending. The window is not moved.
  void SetSamples(QList<QPointF> points);
  bool HasSamples() const { return !points_.isEmpty(); }
  // minX .. maxX of the points.
  views::Range DataRange() const { return data_; }
  // The smallest and largest temperature of the points.
  views::Range TemperatureSpan() const { return temperatures_; }

  // The horizontal axis' limits, set together.
  void SetWindow(views::Range window);
  views::Range Window() const { return window_; }
  // The vertical axis' limits, set together.
  void SetTemperatureRange(views::Range range);
  views::Range TemperatureRange() const;

  // Time labels "hh:mm" or, with the date, "hh:mm d.M" (the date under the time).
  void SetDateLabels(bool withDate);
  bool DateLabels() const { return dateLabels_; }
  void Set3D(bool on);
  bool Is3D() const { return threeD_; }
  void SetPanning(bool on);
  bool Panning() const { return panning_; }
  void SetScrollCheck(ScrollCheck check) { scrollCheck_ = std::move(check); }

  // Zooms the time axis about the time `at` by `factor` (below 1 zooms in), within the samples.
  void ZoomTime(double at, double factor);
  // Sets the temperature axis to the samples in the window and the limits in force, with a
  // margin; false (nothing changed) without samples or limits.
  bool FitTemperatureRange();
  // The read-out of the sample nearest in time to `time` ("8.12.2026 14:30  4.3 °C"), as shown
  // while the mouse is over the plot; empty without samples.
  QString ReadOut(double time) const;
  QLabel* ReadOutLabel() const { return readOut_; }

  // The low and high limit lines; a limit that is off has none.
  void SetLimits(std::optional<double> low, std::optional<double> high);
  // The bands of the excursions, replacing the ones shown.
  void SetExcursions(QList<Span> spans);
  const QList<Span>& Excursions() const { return excursions_; }

  // A widget kept in the chart's bottom left corner, under the time labels.
  void SetCornerWidget(QWidget* widget);

  // The time labels as plain text, their lines joined by blanks.
  QStringList TimeLabels() const;
  // The step between two time labels, in days.
  double LabelStep() const { return labelStep_; }

  QLineSeries* Series() const { return series_; }
  // The limit lines (hidden while their limit is off) and the bands above and below the limits.
  QLineSeries* LowLimitSeries() const { return lowLimit_; }
  QLineSeries* HighLimitSeries() const { return highLimit_; }
  QAreaSeries* AboveArea() const { return aboveArea_; }
  QAreaSeries* BelowArea() const { return belowArea_; }
  QValueAxis* TemperatureAxis() const { return temperatureAxis_; }
  QCategoryAxis* TimeAxis() const { return timeAxis_; }
  QValueAxis* MinorTickAxis() const { return minorTicks_; }
  const TChartDepth& Depth() const { return *depth_; }

 Q_SIGNALS:
  // The window was zoomed by the mouse.
  void windowZoomed();
  // A double click: the view is to be set back to what a new record shows.
  void resetRequested();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void UpdateMargins();
  void UpdateTimeLabels();
  void UpdateTemperatureTicks();
  void UpdateDepth();
  void UpdateLimitLines();
  void UpdateExcursionAreas();
  bool PanTo(QPoint position);
  void ShowReadOut(QPoint position);
  // The time at the pixel's horizontal place in the plot.
  double TimeAt(double x) const;

  QChart* chart_;
  QLineSeries* series_;
  QLineSeries* lowLimit_;
  QLineSeries* highLimit_;
  QAreaSeries* aboveArea_;
  QAreaSeries* belowArea_;
  QValueAxis* temperatureAxis_;
  QCategoryAxis* timeAxis_;
  QValueAxis* minorTicks_;
  std::unique_ptr<TChartDepth> depth_;
  QWidget* corner_ = nullptr;
  QList<QPointF> points_;
  views::Range data_;
  views::Range temperatures_;
  views::Range window_{0, 1};
  std::optional<double> low_;
  std::optional<double> high_;
  QList<Span> excursions_;
  double labelStep_ = views::kOneMinute;
  bool dateLabels_ = false;
  bool threeD_ = false;
  bool panning_ = false;
  bool dragging_ = false;
  QPoint dragFrom_;
  ScrollCheck scrollCheck_;
  QRubberBand* rubberBand_ = nullptr;
  QPoint zoomFrom_;
  QLabel* readOut_ = nullptr;
};

}  // namespace ombrix
