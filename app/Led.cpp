#include "Led.h"

#include <QPainter>

namespace ombrix {

void TLed::paintEvent(QPaintEvent*) {
  const QPixmap picture = pixmap();
  if (picture.isNull()) return;
  const QSizeF size = picture.deviceIndependentSize();
  QPainter painter(this);
  painter.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2),
                     picture);
}

}  // namespace ombrix
