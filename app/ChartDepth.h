#pragma once

#include <QColor>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>

class QChart;
class QGraphicsItem;
class QGraphicsRectItem;

namespace ombrix {

// The 3D look of a chart, which Qt Charts does not have: a left wall, a floor and a back wall
// behind the plot area, and faces that give the series depth (a ribbon behind a line, top and
// side faces beside bars). Everything is drawn as items on the chart, in the chart's
// coordinates; the owner clears and redraws them whenever the plot area or the data move.
class TChartDepth {
 public:
  explicit TChartDepth(QChart* chart);
  ~TChartDepth();
  TChartDepth(const TChartDepth&) = delete;
  TChartDepth& operator=(const TChartDepth&) = delete;

  // The depth vector for a plot area: a few percent of its width to the right, and up.
  static QPointF DepthFor(const QRectF& plot);

  // Removes every item drawn so far.
  void Clear();
  // The walls behind the plot area (under the grid and the series).
  void DrawWalls(const QRectF& plot, QPointF depth);
  // A band from a line (in chart coordinates) back to the line moved by the depth, under the
  // line itself, cut off at the plot area and its moved copy.
  void DrawRibbon(const QPolygonF& line, QPointF depth, const QColor& colour, const QRectF& plot);
  // The top and right faces of a bar whose front face is the given rectangle.
  void DrawBar(const QRectF& front, QPointF depth, const QColor& colour);

  // The faces drawn since the last Clear (walls, ribbon segments, bar faces).
  int FaceCount() const { return faces_; }
  QGraphicsItem* BackLayer() const;
  QGraphicsItem* FrontLayer() const;

 private:
  QGraphicsRectItem* back_;
  QGraphicsRectItem* front_;
  int faces_ = 0;
};

// What of a polyline in pixels can show: of the points that fall into one pixel column, the
// first, the lowest, the highest and the last, in their order along the line.
QPolygonF ThinPolyline(const QPolygonF& line);

}  // namespace ombrix
