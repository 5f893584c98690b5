#include "ChartLook.h"

#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsLayout>
#include <QTextDocument>

namespace ombrix {

void ApplyPlainChartLook(QChart& chart, const QColor& background) {
  chart.legend()->hide();
  chart.setBackgroundBrush(background);
  chart.setBackgroundPen(Qt::NoPen);
  chart.setBackgroundRoundness(0);
  chart.setDropShadowEnabled(false);
  chart.setPlotAreaBackgroundVisible(false);
  chart.setAnimationOptions(QChart::NoAnimation);
  chart.setLocalizeNumbers(true);
  chart.layout()->setContentsMargins(0, 0, 0, 0);
}

QStringList PlainAxisLabels(QCategoryAxis& axis) {
  QStringList labels;
  QTextDocument document;
  for (const QString& label : axis.categoriesLabels()) {
    document.setHtml(label);
    labels << document.toPlainText().split(QChar::LineSeparator).join(u' ').simplified();
  }
  return labels;
}

}  // namespace ombrix
