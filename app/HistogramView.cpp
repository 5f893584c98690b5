#include "HistogramView.h"

#include "ChartLook.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLinearGradient>
#include <QLocale>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

#include "ChartDepth.h"
#include "PrintLayoutMath.h"

namespace ombrix {

namespace {

const QColor kBarColour(30, 80, 220);
const QColor kMarkBackground(255, 255, 225);
// Qt Charts draws its series at 4; the marks go over them.
constexpr double kMarksZ = 4.5;
constexpr int kLabelGap = 14;
constexpr int kCountStepPixels = 28;

QBrush BarBrush() {
  // Light at the bar's left edge, deep blue at its right, for each bar on its own.
  QLinearGradient gradient(0, 0, 1, 0);
  gradient.setCoordinateMode(QGradient::ObjectMode);
  gradient.setColorAt(0.0, QColor(120, 165, 255));
  gradient.setColorAt(0.45, kBarColour);
  gradient.setColorAt(1.0, QColor(12, 40, 140));
  return QBrush(gradient);
}

}  // namespace

THistogramView::THistogramView(QWidget* parent)
    : QChartView(new QChart, parent),
      chart_(chart()),
      series_(new QBarSeries),
      set_(new QBarSet(tr("Samples"))),
      temperatureAxis_(new QCategoryAxis),
      countAxis_(new QValueAxis) {
  setObjectName(QStringLiteral("Histogram"));
  setRenderHint(QPainter::Antialiasing);
  setRubberBand(QChartView::NoRubberBand);
  setFrameShape(QFrame::NoFrame);

  ApplyPlainChartLook(*chart_, Qt::white);

  series_->setObjectName(QStringLiteral("SamplesSeries"));
  series_->setName(tr("Samples"));
  set_->setBrush(BarBrush());
  set_->setPen(QPen(kBarColour.darker(160), 0.5));
  for (int i = 0; i < kBins; ++i) set_->append(0);
  series_->append(set_);
  // The marks are drawn by us, with their arrows.
  series_->setLabelsVisible(false);
  chart_->addSeries(series_);

  temperatureAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  temperatureAxis_->setTitleText(tr("Temperature [°C]"));
  chart_->addAxis(temperatureAxis_, Qt::AlignBottom);
  series_->attachAxis(temperatureAxis_);

  countAxis_->setTitleText(tr("Samples"));
  countAxis_->setLabelFormat(QStringLiteral("%.0f"));
  countAxis_->setTickAnchor(0);
  chart_->addAxis(countAxis_, Qt::AlignLeft);
  series_->attachAxis(countAxis_);

  depth_ = std::make_unique<TChartDepth>(chart_);
  marks_ = new QGraphicsRectItem(chart_);
  static_cast<QGraphicsRectItem*>(marks_)->setPen(Qt::NoPen);
  marks_->setZValue(kMarksZ);
  connect(chart_, &QChart::plotAreaChanged, this, [this] {
    UpdateLabels();
    UpdateMarksAndDepth();
  });
  SetCounts(counts_);
  SetTemperatureRange(range_, views::HistogramSlots(range_));
  UpdateMargins();
}

THistogramView::~THistogramView() {
  delete marks_;
}

void THistogramView::SetCounts(const std::array<int, kBins>& counts) {
  counts_ = counts;
  QList<qreal> values;
  values.reserve(kBins);
  int largest = 0;
  for (const int count : counts) {
    values.append(count);
    largest = std::max(largest, count);
  }
  // One call for all bars, so the chart lays its bars out once.
  set_->remove(0, set_->count());
  set_->append(values);
  const double top = views::CountAxisMaximum(largest);
  countAxis_->setTickType(QValueAxis::TicksFixed);
  countAxis_->setRange(0, top);
  const double height = chart_->plotArea().height();
  const int steps = height > 0 ? std::max(2, static_cast<int>(height) / kCountStepPixels) : 10;
  countAxis_->setTickInterval(std::max(1.0, print::NiceStep(top, steps)));
  countAxis_->setTickType(QValueAxis::TicksDynamic);
  UpdateMarksAndDepth();
}

void THistogramView::SetTemperatureRange(views::Range range, int slots) {
  range_ = range;
  slots_ = slots;
  series_->setBarWidth(slots > 0 ? range.Span() / slots / 2 : 1.0);
  temperatureAxis_->setRange(views::BinIndexOf(range.minimum), views::BinIndexOf(range.maximum));
  UpdateLabels();
  UpdateMarksAndDepth();
}

void THistogramView::Set3D(bool on) {
  threeD_ = on;
  UpdateMargins();
  UpdateMarksAndDepth();
}

QList<QPointF> THistogramView::Bars() const {
  QList<QPointF> bars;
  for (int i = 0; i < kBins; ++i) {
    if (counts_[i] != 0) bars.append(QPointF(views::TemperatureOfIndex(i), counts_[i]));
  }
  return bars;
}

QStringList THistogramView::Marks() const {
  QStringList texts;
  for (QGraphicsItem* item : marks_->childItems()) {
    if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item)) texts << text->text();
  }
  return texts;
}

QStringList THistogramView::TemperatureLabels() const {
  return temperatureAxis_->categoriesLabels();
}

QString THistogramView::FootText() const {
  return temperatureAxis_->titleText();
}

double THistogramView::BarWidth() const {
  return series_->barWidth();
}

void THistogramView::UpdateLabels() {
  const QRectF plot = chart_->plotArea();
  const double axisPixels = plot.width() > 0 ? plot.width() : width() * 0.85;
  const QFontMetrics metrics(temperatureAxis_->labelsFont());
  const int fit = views::LabelsThatFit(
      axisPixels, metrics.horizontalAdvance(QStringLiteral("-40")) + kLabelGap);
  const int step = views::HistogramLabelStep(range_, fit);
  for (const QString& label : temperatureAxis_->categoriesLabels()) temperatureAxis_->remove(label);
  const double first = std::ceil(range_.minimum / step) * step;
  temperatureAxis_->setStartValue(views::BinIndexOf(range_.minimum - step));
  for (double t = first; t <= range_.maximum + 1e-9; t += step) {
    temperatureAxis_->append(QLocale().toString(static_cast<int>(std::lround(t))),
                             views::BinIndexOf(t));
  }
}

void THistogramView::UpdateMarksAndDepth() {
  depth_->Clear();
  for (QGraphicsItem* item : marks_->childItems()) delete item;
  const QRectF plot = chart_->plotArea();
  if (plot.width() <= 0 || plot.height() <= 0) return;
  const QPointF depth = threeD_ ? TChartDepth::DepthFor(rect()) : QPointF();
  if (threeD_) depth_->DrawWalls(plot, depth);

  const double half = series_->barWidth() / 2;
  const QFontMetrics metrics(font());
  for (int i = 0; i < kBins; ++i) {
    if (counts_[i] == 0) continue;
    const QPointF topLeft = chart_->mapToPosition(QPointF(i - half, counts_[i]), series_);
    const QPointF bottomRight = chart_->mapToPosition(QPointF(i + half, 0), series_);
    const QRectF front(topLeft, bottomRight);
    // Bars outside the axis are not drawn, nor their faces or marks.
    if (front.right() < plot.left() || front.left() > plot.right()) continue;
    if (threeD_) depth_->DrawBar(front, depth, kBarColour);

    const QPointF foot = QPointF(front.center().x(), front.top()) + depth / 2;
    const QPointF head = foot - QPointF(0, kMarkArrowLength);
    auto* arrow = new QGraphicsLineItem(QLineF(foot, head), marks_);
    arrow->setPen(QPen(Qt::black, 0));
    const QString text = QLocale().toString(counts_[i]);
    const QRectF box(head.x() - metrics.horizontalAdvance(text) / 2.0 - 3,
                     head.y() - metrics.height() - 2, metrics.horizontalAdvance(text) + 6,
                     metrics.height() + 2);
    auto* frame = new QGraphicsRectItem(box, marks_);
    frame->setPen(QPen(Qt::black, 0));
    frame->setBrush(kMarkBackground);
    auto* label = new QGraphicsSimpleTextItem(text, marks_);
    label->setFont(font());
    label->setPos(box.left() + 3, box.top() + 1);
  }
}

void THistogramView::UpdateMargins() {
  const QPointF depth = threeD_ ? TChartDepth::DepthFor(rect()) : QPointF();
  chart_->setMargins(
      QMargins(6, 24 + static_cast<int>(-depth.y()), 12 + static_cast<int>(depth.x()), 6));
}

void THistogramView::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  UpdateMargins();
}

}  // namespace ombrix
