#pragma once

#include <ostream>
#include <string>

namespace ombrix::cli {

// Where a run writes: results to `out`, messages to `err`. The progress bar is drawn only when
// `err` is a terminal.
struct Console {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;

  void Message(const std::string& text) const { err << "ombrix-cli: " << text << '\n'; }
};

}  // namespace ombrix::cli
