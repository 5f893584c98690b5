#include "FtdiDriver.h"

#include "LibFtdiDriver.h"

namespace ombrix {

namespace {
FtdiDriver* g_current = nullptr;

FtdiDriver& DefaultDriver() {
  static LibFtdiDriver driver;
  return driver;
}
}  // namespace

FtdiDriver& CurrentDriver() {
  if (g_current) return *g_current;
  return DefaultDriver();
}

FtdiDriver* SetCurrentDriver(FtdiDriver* driver) {
  FtdiDriver* previous = g_current;
  g_current = driver;
  return previous;
}

}  // namespace ombrix
