#pragma once

#include <string>
#include <vector>

#include "Archive.h"

namespace ombrix::testing {

// A throwaway PostgreSQL server for tests and benchmarks: a fresh cluster in a temporary folder,
// listening on a free port of 127.0.0.1, user "ombrix" without a password. Run by the system user
// "postgres" when this process is root (the server refuses to run as root). A watchdog process
// stops the server and removes the folder should this process die without Stop().
class PgServer {
 public:
  PgServer() = default;
  ~PgServer() { Stop(); }
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  // durable=false turns off fsync, which tests do not need. False with initdb's or pg_ctl's output
  // and the server log in error.
  bool Start(std::string& error, bool durable = false);
  void Stop();
  bool Running() const { return port_ != 0; }

  // A new, empty database and the archive location that names it.
  bool CreateDatabase(const std::string& name, ArchiveLocation& location, std::string& error);
  // A location on this host where no server listens.
  static ArchiveLocation Unreachable();

 private:
  bool Run(const std::string& program, const std::vector<std::string>& arguments,
           std::string& output) const;
  void StartWatchdog();

  std::string folder_;
  std::string bin_;
  int port_ = 0;
  int watchdogPipe_ = -1;
  int watchdogPid_ = -1;
};

}  // namespace ombrix::testing
