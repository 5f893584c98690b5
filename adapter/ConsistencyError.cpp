#include "ConsistencyError.h"

namespace ombrix {

namespace {
std::string MessageFor(const std::string& unit, int line, bool switchCase) {
  return std::string(switchCase ? "Error switch file " : "Error on file ") + unit + " line " +
         std::to_string(line);
}
}  // namespace

ConsistencyError::ConsistencyError(std::string unit, int line, bool switchCase)
    : std::runtime_error(MessageFor(unit, line, switchCase)),
      unit_(std::move(unit)),
      line_(line),
      switch_(switchCase) {}

void FailCheck(const char* unit, int line) {
  throw ConsistencyError(unit, line, false);
}

void FailSwitch(const char* unit, int line) {
  throw ConsistencyError(unit, line, true);
}

}  // namespace ombrix
