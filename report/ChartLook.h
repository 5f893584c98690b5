#pragma once

#include <QColor>
#include <QStringList>

class QCategoryAxis;
class QChart;

namespace ombrix {

// The plain look every chart of the program shares: one background colour without frame, rounding
// or shadow, no legend, no animation, numbers in the user's locale and no layout margins (each
// chart sets its own margins).
void ApplyPlainChartLook(QChart& chart, const QColor& background);

// The texts of a category axis's labels as a reader sees them: the rich-text markup removed and
// the lines of a label joined by one blank.
QStringList PlainAxisLabels(QCategoryAxis& axis);

}  // namespace ombrix
