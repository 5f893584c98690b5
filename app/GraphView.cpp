#include "GraphView.h"

#include "ChartLook.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QRubberBand>
#include <QTextDocument>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "ChartDepth.h"
#include "PrintLayoutMath.h"
#include "TimeConversion.h"

namespace ombrix {

namespace {

const QColor kRibbonColour(255, 165, 165);
const QColor kHighLimitColour(200, 0, 0);
const QColor kLowLimitColour(0, 0, 200);
const QColor kAboveColour(255, 0, 0, 45);
const QColor kBelowColour(0, 80, 255, 45);
// Room for a label beside its neighbours: the widest clock text and a gap.
const QString kWidestTime = QStringLiteral("00:00");
constexpr int kLabelGap = 22;
// Pixels per temperature step at least, so that the vertical labels never touch.
constexpr int kTemperatureStepPixels = 28;

bool ByTime(const QPointF& point, double time) {
  return point.x() < time;
}

}  // namespace

TGraphView::TGraphView(QWidget* parent)
    : QChartView(new QChart, parent),
      chart_(chart()),
      series_(new QLineSeries),
      lowLimit_(new QLineSeries),
      highLimit_(new QLineSeries),
      // The bands are drawn down to the axis' minimum; the window keeps their upper edges.
      aboveArea_(new QAreaSeries(new QLineSeries(this))),
      belowArea_(new QAreaSeries(new QLineSeries(this))),
      temperatureAxis_(new QValueAxis),
      timeAxis_(new QCategoryAxis),
      minorTicks_(new QValueAxis) {
  setObjectName(QStringLiteral("Graph"));
  setRenderHint(QPainter::Antialiasing);
  setRubberBand(QChartView::NoRubberBand);
  setFrameShape(QFrame::NoFrame);

  ApplyPlainChartLook(*chart_, Qt::white);

  // The bands first and the limit lines next, so that the temperature line is drawn over both.
  struct Band {
    QAreaSeries* area;
    const char* name;
    QColor colour;
  };
  for (const Band& band : {Band{aboveArea_, "AboveLimitArea", kAboveColour},
                           Band{belowArea_, "BelowLimitArea", kBelowColour}}) {
    band.area->setObjectName(QString::fromLatin1(band.name));
    band.area->setBrush(band.colour);
    band.area->setPen(Qt::NoPen);
    chart_->addSeries(band.area);
  }
  struct Limit {
    QLineSeries* line;
    const char* name;
    QColor colour;
  };
  for (const Limit& limit : {Limit{lowLimit_, "LowLimitSeries", kLowLimitColour},
                             Limit{highLimit_, "HighLimitSeries", kHighLimitColour}}) {
    limit.line->setObjectName(QString::fromLatin1(limit.name));
    limit.line->setPen(QPen(limit.colour, 1.2, Qt::DashLine));
    limit.line->setVisible(false);
    chart_->addSeries(limit.line);
  }

  series_->setObjectName(QStringLiteral("TemperatureSeries"));
  series_->setName(tr("Temperature [°C]"));
  series_->setPen(QPen(Qt::red, 1.5));
  series_->setPointsVisible(false);
  series_->setPointLabelsVisible(false);
  chart_->addSeries(series_);

  temperatureAxis_->setTitleText(tr("Temperature [°C]"));
  temperatureAxis_->setTickAnchor(0);
  chart_->addAxis(temperatureAxis_, Qt::AlignLeft);
  series_->attachAxis(temperatureAxis_);
  const QList<QAbstractSeries*> marks = {aboveArea_, belowArea_, lowLimit_, highLimit_};
  for (QAbstractSeries* mark : marks) mark->attachAxis(temperatureAxis_);

  // The minor ticks come from a second, label-less axis on the same edge, whose major ticks and
  // grid lines fall on the time labels.
  minorTicks_->setLabelsVisible(false);
  minorTicks_->setMinorTickCount(5);
  minorTicks_->setMinorGridLineVisible(false);
  chart_->addAxis(minorTicks_, Qt::AlignBottom);
  series_->attachAxis(minorTicks_);

  timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  timeAxis_->setLineVisible(false);
  timeAxis_->setGridLineVisible(false);
  chart_->addAxis(timeAxis_, Qt::AlignBottom);
  series_->attachAxis(timeAxis_);
  for (QAbstractSeries* mark : marks) mark->attachAxis(timeAxis_);

  depth_ = std::make_unique<TChartDepth>(chart_);
  connect(chart_, &QChart::plotAreaChanged, this, [this] {
    UpdateTemperatureTicks();
    UpdateTimeLabels();
    UpdateExcursionAreas();
    UpdateDepth();
  });
  rubberBand_ = new QRubberBand(QRubberBand::Rectangle, viewport());
  readOut_ = new QLabel(viewport());
  readOut_->setObjectName(QStringLiteral("GraphReadOut"));
  readOut_->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 220); padding: 2px;"));
  readOut_->hide();
  setMouseTracking(true);
  SetTemperatureRange(views::Range{0, 40});
  SetWindow(window_);
  UpdateMargins();
}

TGraphView::~TGraphView() = default;

void TGraphView::SetSamples(QList<QPointF> points) {
  points_ = std::move(points);
  data_ = views::Range{};
  temperatures_ = views::Range{};
  if (!points_.isEmpty()) {
    data_ = views::Range{points_.front().x(), points_.back().x()};
    temperatures_ = views::Range{points_.front().y(), points_.front().y()};
    for (const QPointF& point : std::as_const(points_)) {
      data_.minimum = std::min(data_.minimum, point.x());
      data_.maximum = std::max(data_.maximum, point.x());
      temperatures_.minimum = std::min(temperatures_.minimum, point.y());
      temperatures_.maximum = std::max(temperatures_.maximum, point.y());
    }
  }
  // A line needs two points: a lone sample is drawn as its marker.
  series_->setPointsVisible(points_.size() == 1);
  series_->replace(points_);
  UpdateDepth();
}

void TGraphView::SetWindow(views::Range window) {
  window_ = window;
  // While the range changes, the tick axis counts a fixed few ticks: a step meant for an hour
  // would otherwise briefly tick weeks (thousands of tick items).
  minorTicks_->setTickType(QValueAxis::TicksFixed);
  timeAxis_->setRange(window.minimum, window.maximum);
  minorTicks_->setRange(window.minimum, window.maximum);
  UpdateTimeLabels();
  UpdateLimitLines();
  UpdateExcursionAreas();
  UpdateDepth();
}

void TGraphView::ZoomTime(double at, double factor) {
  if (points_.isEmpty()) return;
  SetWindow(views::ZoomAround(window_, at, factor, data_));
  Q_EMIT windowZoomed();
}

bool TGraphView::FitTemperatureRange() {
  std::optional<views::Range> shown;
  auto first = std::lower_bound(points_.cbegin(), points_.cend(), window_.minimum, ByTime);
  for (auto point = first; point != points_.cend() && point->x() <= window_.maximum; ++point) {
    if (!shown) shown = views::Range{point->y(), point->y()};
    shown->minimum = std::min(shown->minimum, point->y());
    shown->maximum = std::max(shown->maximum, point->y());
  }
  const std::optional<views::Range> fitted = views::FitTemperatures(shown, low_, high_);
  if (!fitted) return false;
  SetTemperatureRange(*fitted);
  return true;
}

QString TGraphView::ReadOut(double time) const {
  if (points_.isEmpty()) return {};
  auto next = std::lower_bound(points_.cbegin(), points_.cend(), time, ByTime);
  if (next == points_.cend() ||
      (next != points_.cbegin() && time - (next - 1)->x() < next->x() - time)) {
    --next;
  }
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(next->x(), year, month, day, hour, minute, second, millisecond);
  return QStringLiteral("%1.%2.%3 %4:%5  %6 °C")
      .arg(day)
      .arg(month)
      .arg(year)
      .arg(hour, 2, 10, QLatin1Char('0'))
      .arg(minute, 2, 10, QLatin1Char('0'))
      .arg(QString::number(next->y(), 'f', 1));
}

void TGraphView::SetTemperatureRange(views::Range range) {
  temperatureAxis_->setTickType(QValueAxis::TicksFixed);
  // Both limits at once: the axis never holds a minimum above its maximum in between.
  temperatureAxis_->setRange(range.minimum, range.maximum);
  UpdateTemperatureTicks();
  UpdateExcursionAreas();
  UpdateDepth();
}

void TGraphView::SetLimits(std::optional<double> low, std::optional<double> high) {
  low_ = low;
  high_ = high;
  UpdateLimitLines();
}

void TGraphView::SetExcursions(QList<Span> spans) {
  excursions_ = std::move(spans);
  UpdateExcursionAreas();
}

void TGraphView::UpdateLimitLines() {
  // Each line runs across the window, wherever it is moved to.
  for (const auto& [line, limit] : {std::pair{lowLimit_, low_}, std::pair{highLimit_, high_}}) {
    line->setVisible(limit.has_value());
    if (limit) {
      line->replace(
          QList<QPointF>{QPointF(window_.minimum, *limit), QPointF(window_.maximum, *limit)});
    } else {
      line->clear();
    }
  }
}

void TGraphView::UpdateExcursionAreas() {
  // One outline per band series: up at each excursion's start, down at its end, along the axis'
  // minimum in between, so that only the excursions enclose an area.
  const views::Range range = TemperatureRange();
  // At full range a short excursion is narrower than a pixel: it is drawn one pixel wide.
  const double plotWidth = chart_->plotArea().width();
  const double onePixel = plotWidth > 0 ? window_.Span() / plotWidth : 0;
  for (QAreaSeries* area : {aboveArea_, belowArea_}) {
    const bool above = area == aboveArea_;
    QList<QPointF> outline;
    for (const Span& span : std::as_const(excursions_)) {
      if (span.above != above) continue;
      const views::Range time = views::AtLeast(span.time, onePixel);
      outline << QPointF(time.minimum, range.minimum) << QPointF(time.minimum, range.maximum)
              << QPointF(time.maximum, range.maximum) << QPointF(time.maximum, range.minimum);
    }
    area->upperSeries()->replace(outline);
    area->setVisible(!outline.isEmpty());
  }
}

void TGraphView::UpdateTemperatureTicks() {
  const double height = chart_->plotArea().height();
  const int steps =
      height > 0 ? std::max(2, static_cast<int>(height) / kTemperatureStepPixels) : 10;
  const double step = print::NiceStep(TemperatureRange().Span(), steps);
  if (temperatureAxis_->tickType() == QValueAxis::TicksDynamic &&
      temperatureAxis_->tickInterval() == step) {
    return;
  }
  temperatureAxis_->setTickType(QValueAxis::TicksFixed);
  temperatureAxis_->setTickInterval(step);
  temperatureAxis_->setLabelFormat(step >= 1 ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
  temperatureAxis_->setTickType(QValueAxis::TicksDynamic);
}

views::Range TGraphView::TemperatureRange() const {
  return views::Range{temperatureAxis_->min(), temperatureAxis_->max()};
}

void TGraphView::SetDateLabels(bool withDate) {
  dateLabels_ = withDate;
  UpdateTimeLabels();
}

void TGraphView::Set3D(bool on) {
  threeD_ = on;
  UpdateMargins();
  UpdateDepth();
}

void TGraphView::SetPanning(bool on) {
  panning_ = on;
  if (!on) dragging_ = false;
  viewport()->setCursor(on ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void TGraphView::SetCornerWidget(QWidget* widget) {
  corner_ = widget;
  corner_->setParent(viewport());
  corner_->show();
  UpdateMargins();
}

QStringList TGraphView::TimeLabels() const {
  return PlainAxisLabels(*timeAxis_);
}

void TGraphView::UpdateMargins() {
  const QPointF depth = threeD_ ? TChartDepth::DepthFor(rect()) : QPointF();
  const int bottom = corner_ ? corner_->sizeHint().height() + 2 : 6;
  chart_->setMargins(QMargins(6, 8 + static_cast<int>(-depth.y()),
                              views::AxisEndGap(width()) + static_cast<int>(depth.x()), bottom));
  if (corner_) {
    const QSize size = corner_->sizeHint();
    corner_->setGeometry(6, viewport()->height() - size.height() - 1, size.width(), size.height());
  }
}

void TGraphView::UpdateTimeLabels() {
  const QRectF plot = chart_->plotArea();
  const double axisPixels = plot.width() > 0 ? plot.width() : width() * 0.85;
  const QFontMetrics metrics(timeAxis_->labelsFont());
  const int labels =
      views::LabelsThatFit(axisPixels, metrics.horizontalAdvance(kWidestTime) + kLabelGap);
  // The labels count both ends of the axis; the step counts the gaps between them.
  labelStep_ = print::TimeLabelStep(window_.Span(), std::max(1, labels - 1));
  const std::vector<TDateTime> ticks =
      print::TimeTicks(window_.minimum, window_.maximum, labelStep_);

  for (const QString& label : timeAxis_->categoriesLabels()) timeAxis_->remove(label);
  // A category ends at its label's time; the first one starts before the axis, so that a label
  // on the axis' first time shows too.
  timeAxis_->setStartValue(window_.minimum - labelStep_);
  const QString format = dateLabels_ ? QStringLiteral("hh:mm d.M") : QStringLiteral("hh:mm");
  int n = 0;
  for (const TDateTime tick : ticks) {
    // Category names must differ: without the date, every midnight reads "00:00".
    timeAxis_->append(print::TimeAxisLabel(tick, format) + QStringLiteral("<!--%1-->").arg(n++),
                      tick);
  }
  minorTicks_->setTickAnchor(ticks.empty() ? window_.minimum : ticks.front());
  minorTicks_->setTickInterval(labelStep_);
  minorTicks_->setTickType(QValueAxis::TicksDynamic);
}

void TGraphView::UpdateDepth() {
  depth_->Clear();
  if (!threeD_) return;
  const QRectF plot = chart_->plotArea();
  if (plot.width() <= 0 || plot.height() <= 0) return;
  const QPointF depth = TChartDepth::DepthFor(rect());
  depth_->DrawWalls(plot, depth);

  const views::Range temperatures = TemperatureRange();
  if (points_.size() < 2 || window_.Span() <= 0 || temperatures.Span() <= 0) return;
  // The points in the window and one on either side, so that the band runs to the edges.
  auto first = std::lower_bound(points_.cbegin(), points_.cend(), window_.minimum, ByTime);
  auto last = std::lower_bound(first, points_.cend(), window_.maximum, ByTime);
  if (first != points_.cbegin()) --first;
  if (last != points_.cend()) ++last;
  QPolygonF line;
  line.reserve(last - first);
  const double xScale = plot.width() / window_.Span();
  const double yScale = plot.height() / temperatures.Span();
  const auto toPixels = [&](QPointF point) {
    return QPointF(plot.left() + (point.x() - window_.minimum) * xScale,
                   plot.bottom() - (point.y() - temperatures.minimum) * yScale);
  };
  // The band ends where the line crosses the window's edges, as the line itself does.
  const auto at = [](QPointF a, QPointF b, double x) {
    return b.x() == a.x() ? a : a + (b - a) * ((x - a.x()) / (b.x() - a.x()));
  };
  for (auto point = first; point != last; ++point) {
    QPointF p = *point;
    if (p.x() < window_.minimum) {
      if (point + 1 == last) continue;
      p = at(p, *(point + 1), window_.minimum);
    } else if (p.x() > window_.maximum) {
      if (point == first) continue;
      p = at(*(point - 1), p, window_.maximum);
    }
    line.append(toPixels(p));
  }
  depth_->DrawRibbon(ThinPolyline(line), depth, kRibbonColour, plot);
}

void TGraphView::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  UpdateMargins();
}

double TGraphView::TimeAt(double x) const {
  const QRectF plot = chart_->plotArea();
  if (plot.width() <= 0) return window_.minimum;
  return window_.minimum + (x - plot.left()) / plot.width() * window_.Span();
}

void TGraphView::wheelEvent(QWheelEvent* event) {
  const QPointF at = chart_->mapFromScene(mapToScene(event->position().toPoint()));
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0 || points_.isEmpty() || !chart_->plotArea().contains(at)) {
    QChartView::wheelEvent(event);
    return;
  }
  // Each step of the wheel away from the user zooms in by a fifth.
  ZoomTime(TimeAt(at.x()), std::pow(0.8, steps));
  event->accept();
}

void TGraphView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    Q_EMIT resetRequested();
    event->accept();
    return;
  }
  QChartView::mouseDoubleClickEvent(event);
}

void TGraphView::leaveEvent(QEvent* event) {
  readOut_->hide();
  QChartView::leaveEvent(event);
}

void TGraphView::ShowReadOut(QPoint position) {
  const QPointF at = chart_->mapFromScene(mapToScene(position));
  if (points_.isEmpty() || !chart_->plotArea().contains(at)) {
    readOut_->hide();
    return;
  }
  readOut_->setText(ReadOut(TimeAt(at.x())));
  readOut_->adjustSize();
  const QRectF plot = chart_->plotArea();
  readOut_->move(static_cast<int>(plot.right()) - readOut_->width() - 4,
                 static_cast<int>(plot.top()) + 4);
  readOut_->show();
}

void TGraphView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && !points_.isEmpty()) {
    zoomFrom_ = event->position().toPoint();
    rubberBand_->setGeometry(QRect(zoomFrom_, QSize()));
    rubberBand_->show();
    event->accept();
    return;
  }
  if (panning_ && event->button() == Qt::LeftButton) {
    dragging_ = true;
    dragFrom_ = event->position().toPoint();
    viewport()->setCursor(Qt::ClosedHandCursor);
    event->accept();
    return;
  }
  QChartView::mousePressEvent(event);
}

void TGraphView::mouseMoveEvent(QMouseEvent* event) {
  ShowReadOut(event->position().toPoint());
  if (rubberBand_->isVisible()) {
    rubberBand_->setGeometry(QRect(zoomFrom_, event->position().toPoint()).normalized());
    event->accept();
    return;
  }
  if (dragging_) {
    PanTo(event->position().toPoint());
    event->accept();
    return;
  }
  QChartView::mouseMoveEvent(event);
}

void TGraphView::mouseReleaseEvent(QMouseEvent* event) {
  if (rubberBand_->isVisible() && event->button() == Qt::RightButton) {
    rubberBand_->hide();
    // The rectangle in the plot's values; one of a few pixels is taken for a slip of the hand.
    const QRect drawn = QRect(zoomFrom_, event->position().toPoint()).normalized();
    const QRectF plot = chart_->plotArea();
    const QRectF inside = QRectF(chart_->mapFromScene(mapToScene(drawn.topLeft())),
                                 chart_->mapFromScene(mapToScene(drawn.bottomRight())))
                              .intersected(plot);
    if (inside.width() >= 4 && inside.height() >= 4) {
      const views::Range temperatures = TemperatureRange();
      const auto temperatureAt = [&](double y) {
        return temperatures.minimum + (plot.bottom() - y) / plot.height() * temperatures.Span();
      };
      const double from = TimeAt(inside.left());
      const double to = TimeAt(inside.right());
      SetWindow(views::ZoomAround(views::Range{from, to}, from, 1.0, data_));
      SetTemperatureRange(
          views::Range{temperatureAt(inside.bottom()), temperatureAt(inside.top())});
      Q_EMIT windowZoomed();
    }
    event->accept();
    return;
  }
  if (dragging_ && event->button() == Qt::LeftButton) {
    dragging_ = false;
    viewport()->setCursor(panning_ ? Qt::OpenHandCursor : Qt::ArrowCursor);
    event->accept();
    return;
  }
  QChartView::mouseReleaseEvent(event);
}

bool TGraphView::PanTo(QPoint position) {
  const int dx = position.x() - dragFrom_.x();
  if (dx == 0) return false;
  const views::Range proposed = views::PanByPixels(window_, dx, chart_->plotArea().width());
  // A refused step leaves the paper where it is; the drag goes on from the same place.
  if (scrollCheck_ && !scrollCheck_(proposed)) return false;
  dragFrom_ = position;
  SetWindow(proposed);
  return true;
}

}  // namespace ombrix
