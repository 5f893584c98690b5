#pragma once

namespace ombrix::cli {

// The exit codes of ombrix-cli, listed in its help text and in the README.
enum ExitCode : int {
  kSuccess = 0,
  kUsage = 2,           // unknown command or option, missing --yes, a value out of range
  kNoAdapter = 3,       // no adapter, more than one, or the adapter does not answer
  kNoProbe = 4,         // no probe on the adapter
  kDataError = 5,       // a transfer failed, an echo or a checksum did not match
  kNotAllowed = 6,      // not allowed in the probe's present state
  kStartRefused = 7,    // first sample time not after the probe clock, or too far ahead
  kFileError = 8,       // a record, export or state file cannot be read or written
  kArchiveError = 9,    // the archive cannot be opened, read or written
  kOutsideLimits = 10,  // --check: a record is outside its limits
  kNoSamples = 11,      // --check: a record holds no samples, so nothing to judge
  // A signing or key command refused: a wrong passphrase, a key that may not do it.
  kRefused = 12,
  kInterrupted = 130,  // a download stopped by SIGINT or SIGTERM: nothing stored or saved
};

// How bad the outcome of --check for one record is, so that several records end with the worst:
// outside the limits, then no samples, then no limits set (usage), then within.
inline int CheckRank(int code) {
  switch (code) {
    case kOutsideLimits:
      return 3;
    case kNoSamples:
      return 2;
    case kSuccess:
      return 0;
    default:
      return 1;
  }
}

}  // namespace ombrix::cli
