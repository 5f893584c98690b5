#pragma once

#include <QChartView>
#include <QStringList>

#include <array>
#include <memory>

#include "AxisRules.h"

class QBarSeries;
class QBarSet;
class QCategoryAxis;
class QChart;
class QGraphicsItem;
class QValueAxis;

namespace ombrix {

class TChartDepth;

// The chart of the Histogram page: one blue bar per non-empty 2 °C bin of the probe's
// histogram, each with its count as a mark over it.
//
// Qt Charts places bars at index positions, so bin i's bar stands at index i and the horizontal
// axis runs in index space; its labels are the temperatures of the bin edges. The axis' limits
// are set in degrees, and the bars are one axis slot wide. With the 3D look on, walls and the
// bars' top and side faces give the chart depth.
class THistogramView : public QChartView {
  Q_OBJECT

 public:
  static constexpr int kBins = 63;
  // The marks stand this many pixels over their bars, joined to them by a line.
  static constexpr int kMarkArrowLength = 20;

  explicit THistogramView(QWidget* parent = nullptr);
  ~THistogramView() override;

  // The counts of the 63 bins (bin i from 2i - 40 to 2i - 38 °C); empty bins get no bar.
  void SetCounts(const std::array<int, kBins>& counts);
  // The horizontal axis' limits in degrees, set together, and the bar slots across it.
  void SetTemperatureRange(views::Range range, int slots);
  views::Range TemperatureRange() const { return range_; }
  int Slots() const { return slots_; }
  void Set3D(bool on);
  bool Is3D() const { return threeD_; }

  // The temperature at which each bar stands (its bin's middle), and its count.
  QList<QPointF> Bars() const;
  // The texts of the value marks, left to right.
  QStringList Marks() const;
  // The temperature labels of the horizontal axis, and the text under the chart.
  QStringList TemperatureLabels() const;
  QString FootText() const;
  double BarWidth() const;

  QBarSeries* Series() const { return series_; }
  QCategoryAxis* TemperatureAxis() const { return temperatureAxis_; }
  QValueAxis* CountAxis() const { return countAxis_; }
  const TChartDepth& Depth() const { return *depth_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateLabels();
  void UpdateMarksAndDepth();
  void UpdateMargins();

  QChart* chart_;
  QBarSeries* series_;
  QBarSet* set_;
  QCategoryAxis* temperatureAxis_;
  QValueAxis* countAxis_;
  std::unique_ptr<TChartDepth> depth_;
  QGraphicsItem* marks_;
  std::array<int, kBins> counts_{};
  views::Range range_{0, 40};
  int slots_ = 20;
  bool threeD_ = false;
};

}  // namespace ombrix
