// driver_stack_bench
//
// The program's real driver path in real time: ombrix-cli as users get it, on its libftdi1 driver
// and Debian's libftdi1, over the emulated FT232R adapter (tests/driverstack/emulator) loaded in
// place of libusb-1.0, whose chip runs at its real pace here (9600 baud 8N1, the latency timer,
// one 1 ms frame per control transfer). Printed:
//
// - A whole download of a full log (8000 samples, the rollover scenario): the wall time of the
//   ombrix-cli process and its CPU time (user and system: the program, libftdi1 and the emulated
//   chip together, so an upper bound for the stack) as a share of the wall time. Against it: the
//   same command on the emulated chip on virtual time (the chip's own account, no waiting), the
//   virtual adapter's timing model for the download (its link time), and the link floor: the
//   download's request bytes at one byte time each, the replies coming back alongside.
// - A status read (ombrix-cli status) with the latency timer at 1 ms, as the program sets it, and
//   on a chip that keeps its power-on 16 ms, each the median of five runs.
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Clock.h"
#include "Probe.h"
#include "Scenarios.h"
#include "VirtualBus.h"
#include "VirtualState.h"

namespace {

using namespace ombrix;

struct Run {
  int code = -1;
  double wallSeconds = 0;
  double cpuSeconds = 0;
};

// Runs ombrix-cli with the emulator in place of libusb and the given emulator settings.
Run RunCli(const std::vector<std::string>& arguments, const std::vector<std::string>& settings,
           const std::string& folder) {
  std::vector<std::string> environment = settings;
  environment.push_back("LD_PRELOAD=" OMBRIX_USB_EMULATOR);
  environment.push_back("XDG_DATA_HOME=" + folder + "/data");
  environment.push_back("XDG_CONFIG_HOME=" + folder + "/config");
  std::vector<std::string> words{OMBRIX_CLI};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    for (std::string& setting : environment) putenv(setting.data());
    if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr) ||
        chdir(folder.c_str()) != 0) {
      _exit(126);
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Run run;
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return run;
  run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::int64_t StateClock(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  VirtualState state;
  std::string error;
  return ParseVirtualState(text.str(), state, error) ? state.utcMilliseconds : -1;
}

// The virtual adapter's timing model for a whole download of the rollover scenario's full log,
// and the request bytes it sent.
void ModelDownload(double& linkSeconds, double& floorSeconds) {
  VirtualClock clock(1'700'000'000'000);
  ScopedClock clockScope(clock);
  VirtualBus bus(clock, LinkTiming::Hardware());
  ScopedDriver driverScope(bus);
  BuildScenario(bus, "rollover");
  const AdapterController& adapter = *bus.Adapter(scenario::kAdapterSerial);
  TProbe probe;
  if (!probe.DetectProbe() || !probe.BeginReadData()) return;
  while (probe.ReadDataBlock()) {
  }
  linkSeconds = static_cast<double>(bus.LinkMicros()) / 1e6;
  floorSeconds = static_cast<double>(adapter.Stats().requestBytes) *
                 LinkTiming::Hardware().MicrosPerByte() / 1e6;
}

}  // namespace

int main() {
  QTemporaryDir folder;
  const std::string path = folder.path().toStdString();
  const std::string rollover = "OMBRIX_USB_EMULATOR_SCENARIO=rollover";
  const std::vector<std::string> download{"download", "-o", "full.omx", "--yes", "--no-archive"};

  std::printf(
      "Whole download of 8000 samples through ombrix-cli, libftdi1 and the emulated chip\n");
  const Run real = RunCli(download, {rollover, "OMBRIX_USB_EMULATOR_TIME=real"}, path);
  if (real.code != 0) {
    std::printf("  the download failed (exit %d)\n", real.code);
    return 1;
  }
  std::printf("  real time:               %7.1f s wall, %.2f s CPU (%.2f %% of the wall time)\n",
              real.wallSeconds, real.cpuSeconds, 100 * real.cpuSeconds / real.wallSeconds);

  const std::string state = path + "/lab.state";
  const std::string keep = "OMBRIX_USB_EMULATOR_STATE=" + state;
  RunCli({"status"}, {rollover, keep}, path);  // makes the state file
  const std::int64_t before = StateClock(state);
  const Run emulated = RunCli(download, {rollover, keep}, path);
  const double chipSeconds = static_cast<double>(StateClock(state) - before) / 1000;
  std::printf("  the chip on virtual time: %6.1f s (%.2f s wall to compute)\n", chipSeconds,
              emulated.wallSeconds);

  double modelSeconds = 0, floorSeconds = 0;
  ModelDownload(modelSeconds, floorSeconds);
  std::printf("  virtual adapter's model: %7.1f s of link time (detection, status, 500 blocks)\n",
              modelSeconds);
  std::printf("  link floor:              %7.1f s (the request bytes at 1.04 ms each)\n",
              floorSeconds);

  std::printf("Status read (ombrix-cli status), median of 5, real time\n");
  for (const bool fixed : {false, true}) {
    std::vector<double> walls;
    for (int i = 0; i < 5; ++i) {
      std::vector<std::string> settings{rollover, "OMBRIX_USB_EMULATOR_TIME=real"};
      if (fixed) settings.push_back("OMBRIX_USB_EMULATOR_FAULTS=latency-fixed");
      walls.push_back(RunCli({"status"}, settings, path).wallSeconds);
    }
    std::sort(walls.begin(), walls.end());
    std::printf("  latency timer %2d ms:     %7.2f s\n", fixed ? 16 : 1, walls[2]);
  }
  return 0;
}
