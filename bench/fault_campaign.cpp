// The fault campaign at full size: every probe operation many times on the virtual adapter, with
// faults of every kind planned at random, each outcome checked against the virtual probe. Prints
// the figures and the seeds; exits 1 when a run ended with other data or state than reported,
// did not recover afterwards, or raised.
//
//   fault_campaign [--downloads N] [--operations N] [--seed S]
//   fault_campaign --trial OPERATION FAULT SEED     repeats one run and tells what came of it
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FaultCampaign.h"

namespace {

using namespace ombrix::campaign;

int Usage() {
  std::fprintf(stderr,
               "usage: fault_campaign [--downloads N] [--operations N] [--seed S]\n"
               "       fault_campaign --trial OPERATION FAULT SEED\n");
  return 2;
}

bool Number(const char* text, std::uint64_t& value) {
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return end != text && *end == '\0';
}

int OneTrial(const char* operationName, const char* kindName, const char* seedText) {
  std::uint64_t seed = 0;
  if (!Number(seedText, seed)) return Usage();
  for (Operation operation : kAllOperations) {
    if (std::strcmp(OperationName(operation), operationName) != 0) continue;
    for (ombrix::Fault::Kind kind : kAllFaultKinds) {
      if (std::strcmp(FaultKindName(kind), kindName) != 0) continue;
      const Trial t = RunTrial(operation, kind, seed);
      std::printf("%s with %s, seed %llu: %s, code %d, %d faults struck%s%s%s%s\n", operationName,
                  kindName, static_cast<unsigned long long>(seed),
                  t.success ? "success" : "failure", t.code, t.faultsStruck,
                  t.mismatch ? ", MISMATCH: " : "", t.mismatch ? t.what.c_str() : "",
                  t.recovered ? "" : ", not recovered", t.exception ? ", raised" : "");
      return t.mismatch || !t.recovered || t.exception ? 1 : 0;
    }
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--trial") == 0) {
    return argc == 5 ? OneTrial(argv[2], argv[3], argv[4]) : Usage();
  }
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::uint64_t value = 0;
    if (i + 1 >= argc || !Number(argv[i + 1], value)) return Usage();
    ++i;
    if (arg == "--downloads") {
      settings.downloads = static_cast<int>(value);
    } else if (arg == "--operations") {
      settings.perOperation = static_cast<int>(value);
    } else if (arg == "--seed") {
      settings.seed = value;
    } else {
      return Usage();
    }
  }
  const auto start = std::chrono::steady_clock::now();
  std::uint64_t done = 0;
  const std::uint64_t total =
      static_cast<std::uint64_t>(settings.downloads) + 7ull * settings.perOperation;
  const Result result = Run(settings, [&](const Trial&) {
    if (++done % 1000 == 0)
      std::fprintf(stderr, "%llu of %llu runs\r", (unsigned long long)done,
                   (unsigned long long)total);
  });
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "\n");
  std::fputs(Report(settings, result).c_str(), stdout);
  std::printf("time: %.1f s\n", seconds);
  return result.Clean() ? 0 : 1;
}
