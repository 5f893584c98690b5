#pragma once

#include <QLabel>

namespace ombrix {

// A lamp: a 16 x 16 picture that keeps its colour while its window is disabled. The lamps say
// most while a command runs, and that is when the window is disabled; a plain label would draw
// them grey then.
class TLed : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace ombrix
