#pragma once

#include <QGuiApplication>

namespace ombrix {

// The hourglass around file and printer work; the normal cursor comes back on every way out,
// also when the work throws.
class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace ombrix
