#pragma once

#include <stdexcept>
#include <string>

namespace ombrix {

// Raised by a consistency check that correct use never fails. The message is the exact text the
// user sees in the top-level error box: "Error on file <unit> line <n>" or, for an unexpected value
// in a multi-way branch, "Error switch file <unit> line <n>".
class ConsistencyError : public std::runtime_error {
 public:
  ConsistencyError(std::string unit, int line, bool switchCase = false);

  const std::string& Unit() const { return unit_; }
  int Line() const { return line_; }
  bool IsSwitchError() const { return switch_; }

 private:
  std::string unit_;
  int line_;
  bool switch_;
};

[[noreturn]] void FailCheck(const char* unit, int line);
[[noreturn]] void FailSwitch(const char* unit, int line);

}  // namespace ombrix
