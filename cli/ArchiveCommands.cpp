#include "Commands.h"
#include "ExitCode.h"

namespace ombrix::cli {

// TEMPORARY: stands in for the archive commands until their implementation is merged, which
// replaces this file. It does nothing and says so.
int RunArchive(const Options&, const Request&, const Console& console) {
  console.Message("archive: not built yet");
  return kUsage;
}

}  // namespace ombrix::cli
