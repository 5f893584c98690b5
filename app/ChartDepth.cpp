#include "ChartDepth.h"

#include <QBrush>
#include <QChart>
#include <QGraphicsPolygonItem>
#include <QGraphicsRectItem>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace ombrix {

namespace {

// Qt Charts stacks its items: plot area 0, shades 1, grid 2, axes 3, series 4. The walls lie on
// the plot area, the faces right under the series.
constexpr double kBackZ = 0.5;
constexpr double kFrontZ = 3.5;

const QColor kWallColour(0xEC, 0xEC, 0xEC);
const QColor kWallEdge(0xA0, 0xA0, 0xA0);

QGraphicsRectItem* Layer(QChart* chart, double z) {
  auto* layer = new QGraphicsRectItem(chart);
  layer->setPen(Qt::NoPen);
  layer->setBrush(Qt::NoBrush);
  layer->setZValue(z);
  return layer;
}

void RemoveChildren(QGraphicsItem* layer) {
  const QList<QGraphicsItem*> children = layer->childItems();
  for (QGraphicsItem* child : children) delete child;
}

QPolygonF Quad(QPointF a, QPointF b, QPointF depth) {
  return QPolygonF({a, b, b + depth, a + depth});
}

// A band of many small faces in one item. Each face is painted on its own: one path of thousands
// of overlapping faces costs the rasterizer a hundred times more, and antialiased neighbours
// would show seams between them.
class BandItem : public QGraphicsItem {
 public:
  BandItem(QVector<QPolygonF> faces, const QColor& colour, QGraphicsItem* parent)
      : QGraphicsItem(parent), faces_(std::move(faces)), colour_(colour) {
    for (const QPolygonF& face : std::as_const(faces_)) bounds_ |= face.boundingRect();
  }
  QRectF boundingRect() const override { return bounds_; }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour_);
    for (const QPolygonF& face : std::as_const(faces_)) painter->drawConvexPolygon(face);
    painter->restore();
  }

 private:
  QVector<QPolygonF> faces_;
  QColor colour_;
  QRectF bounds_;
};

}  // namespace

TChartDepth::TChartDepth(QChart* chart)
    : back_(Layer(chart, kBackZ)), front_(Layer(chart, kFrontZ)) {
  front_->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
}

TChartDepth::~TChartDepth() {
  delete back_;
  delete front_;
}

QPointF TChartDepth::DepthFor(const QRectF& plot) {
  const double dx = std::clamp(std::round(plot.width() * 0.015), 5.0, 10.0);
  return QPointF(dx, -std::round(dx * 0.75));
}

void TChartDepth::Clear() {
  RemoveChildren(back_);
  RemoveChildren(front_);
  front_->setRect(QRectF());
  faces_ = 0;
}

void TChartDepth::DrawWalls(const QRectF& plot, QPointF depth) {
  const QPen edge(kWallEdge, 1);
  auto* left = new QGraphicsPolygonItem(Quad(plot.bottomLeft(), plot.topLeft(), depth), back_);
  auto* floor = new QGraphicsPolygonItem(Quad(plot.bottomLeft(), plot.bottomRight(), depth), back_);
  for (QGraphicsPolygonItem* wall : {left, floor}) {
    wall->setPen(edge);
    wall->setBrush(kWallColour);
  }
  // The back wall is white and not filled: only its edges show, behind the plot.
  auto* back = new QGraphicsRectItem(plot.translated(depth), back_);
  back->setPen(edge);
  back->setBrush(Qt::NoBrush);
  faces_ += 3;
}

void TChartDepth::DrawRibbon(const QPolygonF& line, QPointF depth, const QColor& colour,
                             const QRectF& plot) {
  if (line.size() < 2) return;
  front_->setFlag(QGraphicsItem::ItemClipsChildrenToShape, true);
  front_->setRect(plot.united(plot.translated(depth)));
  QVector<QPolygonF> faces;
  faces.reserve(line.size() - 1);
  for (qsizetype i = 1; i < line.size(); ++i) faces.append(Quad(line[i - 1], line[i], depth));
  faces_ += static_cast<int>(faces.size());
  new BandItem(std::move(faces), colour, front_);
}

void TChartDepth::DrawBar(const QRectF& front, QPointF depth, const QColor& colour) {
  if (front.width() <= 0 || front.height() <= 0) return;
  // The layer clips only where a ribbon needs it; bar faces may reach over the plot's top.
  front_->setFlag(QGraphicsItem::ItemClipsChildrenToShape, false);
  auto* top = new QGraphicsPolygonItem(Quad(front.topLeft(), front.topRight(), depth), front_);
  top->setBrush(colour.lighter(135));
  auto* side = new QGraphicsPolygonItem(Quad(front.topRight(), front.bottomRight(), depth), front_);
  side->setBrush(colour.darker(140));
  for (QGraphicsPolygonItem* face : {top, side}) face->setPen(QPen(colour.darker(180), 0));
  faces_ += 2;
}

QGraphicsItem* TChartDepth::BackLayer() const {
  return back_;
}
QGraphicsItem* TChartDepth::FrontLayer() const {
  return front_;
}

QPolygonF ThinPolyline(const QPolygonF& line) {
  QPolygonF thin;
  thin.reserve(std::min<qsizetype>(line.size(), 4096));
  qsizetype i = 0;
  while (i < line.size()) {
    const double column = std::floor(line[i].x());
    qsizetype end = i + 1;
    qsizetype low = i;
    qsizetype high = i;
    while (end < line.size() && std::floor(line[end].x()) == column) {
      if (line[end].y() < line[low].y()) low = end;
      if (line[end].y() > line[high].y()) high = end;
      ++end;
    }
    // First, the two extremes in the order the line meets them, last; each only once.
    qsizetype picks[4] = {i, std::min(low, high), std::max(low, high), end - 1};
    qsizetype previous = -1;
    for (const qsizetype pick : picks) {
      if (pick != previous) thin.append(line[pick]);
      previous = pick;
    }
    i = end;
  }
  return thin;
}

}  // namespace ombrix
