// archive_scale_bench [--entries N] [--runs N] [--keep FOLDER] [--sqlite-only]
//
// `ombrix-cli archive list` and `archive verify` at the scale of a site: an archive of N downloads
// (100,000 by default) of 8000 samples each, listed as text and as JSON and verified whole (every
// entry and the audit trail's chain) with the output going to /dev/null, on an SQLite file and on
// a throwaway PostgreSQL server on this machine. Every listing and verification is a process of
// its own, run --runs times (3 by default) after one run that is not counted; its wall time and
// its peak resident memory are what the kernel accounts for the finished process (wait4), as
// /usr/bin/time reports them. The median of the runs is printed, and the largest peak. --keep
// keeps the SQLite archive in FOLDER (site-N.sqlite) and uses it again when it is there, for
// profiling or timing again without filling it anew.
//
// The archives are filled through TArchive::Store, one transaction per download as the program
// stores them, but without waiting for the disk: SQLite with synchronous = OFF on the filling
// connection, the PostgreSQL server with fsync off. Only the filling is faster for it; the
// listings read the same tables either way.
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Archive.h"
#include "ArchiveRecords.h"
#include "PgServer.h"
#include "SiteArchive.h"

namespace {

using namespace ombrix;
using bench::FillSite;

struct Run {
  double seconds = 0;
  long peakKilobytes = 0;
  int exitCode = -1;
};

// Runs the program with stdout to `output`, the others inherited, and waits for it.
Run Measure(const std::vector<std::string>& command, const char* output) {
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  Run run;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKilobytes = usage.ru_maxrss;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Times one listing: the median wall time of the runs and the largest peak memory, with the size
// of the output written once to a file.
bool Report(const char* backend, const char* form, const std::vector<std::string>& command,
            int runs, const std::string& folder) {
  const std::string file = folder + "/listing.out";
  const Run sized = Measure(command, file.c_str());  // not counted
  struct stat written {};
  stat(file.c_str(), &written);
  std::remove(file.c_str());
  if (sized.exitCode != 0) {
    std::fprintf(stderr, "%s %s: ombrix-cli exited with %d\n", backend, form, sized.exitCode);
    return false;
  }
  std::vector<double> seconds;
  long peak = 0;
  for (int i = 0; i < runs; ++i) {
    const Run run = Measure(command, "/dev/null");
    if (run.exitCode != 0) {
      std::fprintf(stderr, "%s %s: ombrix-cli exited with %d\n", backend, form, run.exitCode);
      return false;
    }
    seconds.push_back(run.seconds);
    peak = std::max(peak, run.peakKilobytes);
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%-10s  %-6s  %8.2f s  (%.2f .. %.2f)  %7.1f MB  %7.1f MB of output\n", backend, form,
              seconds[seconds.size() / 2], seconds.front(), seconds.back(), peak / 1024.0,
              static_cast<double>(written.st_size) / (1024.0 * 1024.0));
  std::fflush(stdout);
  return true;
}

bool Listings(const char* backend, const ArchiveLocation& location, int runs,
              const std::string& folder) {
  const std::vector<std::string> text{OMBRIX_CLI, "--archive", location.Text(), "archive", "list"};
  std::vector<std::string> json = text;
  json.insert(json.end(), {"--format", "json"});
  return Report(backend, "text", text, runs, folder) && Report(backend, "json", json, runs, folder);
}

// Every entry and the whole audit trail; an archive filled as above holds no fault, so anything
// but exit 0 fails the benchmark.
bool Verification(const char* backend, const ArchiveLocation& location, int runs,
                  const std::string& folder) {
  return Report(backend, "verify", {OMBRIX_CLI, "--archive", location.Text(), "archive", "verify"},
                runs, folder);
}

}  // namespace

int main(int argc, char** argv) {
  int entries = 100'000;
  int runs = 3;
  std::string keep;
  bool postgresToo = true;
  bool usage = false;
  for (int i = 1; i < argc && !usage; ++i) {
    const std::string option = argv[i];
    const bool valued = i + 1 < argc;
    if (option == "--entries" && valued) {
      entries = std::atoi(argv[++i]);
    } else if (option == "--runs" && valued) {
      runs = std::atoi(argv[++i]);
    } else if (option == "--keep" && valued) {
      keep = argv[++i];
    } else if (option == "--sqlite-only") {
      postgresToo = false;
    } else {
      usage = true;
    }
  }
  if (usage || entries < 1 || runs < 1) {
    std::fprintf(stderr,
                 "usage: archive_scale_bench [--entries N] [--runs N] [--keep FOLDER] "
                 "[--sqlite-only]\n");
    return 2;
  }
  QTemporaryDir folder;
  const std::string path = folder.path().toStdString();
  // ombrix-cli reads and may seed its settings there, not in the user's own folders.
  setenv("XDG_CONFIG_HOME", path.c_str(), 1);
  setenv("XDG_DATA_HOME", path.c_str(), 1);

  std::string error;
  ArchiveLocation sqlite;
  sqlite.path = (keep.empty() ? path : keep) + "/site-" + std::to_string(entries) + ".sqlite";
  if (!bench::KeptOrFilledSite(sqlite, !keep.empty(), entries, "archive_scale_bench")) return 1;
  std::printf("archive list and verify over %d entries of 8000 samples, median of %d runs\n",
              entries, runs);
  std::printf("%-10s  %-6s  %10s  %-14s  %10s\n", "archive", "form", "wall", "(min .. max)",
              "peak RSS");
  if (!Listings("SQLite", sqlite, runs, path) || !Verification("SQLite", sqlite, runs, path)) {
    return 1;
  }
  if (!postgresToo) return 0;

  testing::PgServer server;
  ArchiveLocation postgres;
  if (!server.Start(error, /*durable=*/false) || !server.CreateDatabase("site", postgres, error)) {
    std::fprintf(stderr, "No PostgreSQL archive: %s\n", error.c_str());
    return 1;
  }
  {
    std::fprintf(stderr, "Filling %s with %d downloads\n", postgres.Text().c_str(), entries);
    TArchive archive(postgres);
    if (!FillSite(archive, entries, "archive_scale_bench", error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }
  const bool ok = Listings("PostgreSQL", postgres, runs, path) &&
                  Verification("PostgreSQL", postgres, runs, path);
  server.Stop();
  return ok ? 0 : 1;
}
