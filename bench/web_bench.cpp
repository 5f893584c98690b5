// web_bench [--entries N] [--keep FOLDER] [--clients N] [--seconds S]
//
// ombrix-cli serve over a site's SQLite archive of N downloads of 8000 samples (100,000 by
// default, the series archive_scale_bench stores; --keep FOLDER keeps it as FOLDER/site-N.sqlite
// and uses it again): the real program, reached over HTTP on loopback.
//
// 1. The first Downloads page (50 downloads, each with its verdict and signatures): the first
//    request, then the median of 9 more, each on a connection of its own, one at a time.
// 2. Load: --clients clients (50) at once for --seconds (30), each on a keep-alive connection of
//    its own sending its next request as soon as the answer is in, through a mix of pages: the
//    Downloads list's first pages, lists filtered by serial number, by text and by dates, single
//    downloads anywhere in the archive, and the Probes page. Requests, errors (anything but 200,
//    a connection lost, no answer within 10 s), latency percentiles overall and per kind, and the
//    server's CPU time.
//
// Targets: the first page under 200 ms, p99 under 500 ms, no errors; exit 1 when one is missed.
// The settings judge 36 probes by [Limits] 0 to 25 degrees, and four by 5 to 20 degrees with a
// 30-minute delay.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ServedSite.h"
#include "SiteArchive.h"

namespace {

using namespace ombrix;
using Clock = std::chrono::steady_clock;

enum Kind { kList, kFiltered, kEntry, kProbes, kKinds };
const char* const kKindNames[kKinds] = {"Downloads, pages 1-3", "Downloads, filtered",
                                        "One download", "Probes"};

// The next request of the mix: 30 % the listing's first pages, 25 % filtered lists, 35 % single
// downloads, 10 % the Probes page.
std::pair<Kind, std::string> NextTarget(std::mt19937& random, int entries) {
  const int pick = static_cast<int>(random() % 100);
  if (pick < 30) return {kList, pick < 20 ? "/" : "/?page=" + std::to_string(2 + pick % 2)};
  if (pick < 55) {
    const int probe = static_cast<int>(random() % bench::kSiteProbes);
    char serial[40];
    std::snprintf(serial, sizeof serial, "%02X+40+00+00+00+00+00+28", probe);
    switch (pick % 4) {
      case 0:
        return {kFiltered, std::string("/?serial=") + serial};
      case 1:
        return {kFiltered, std::string("/?serial=") + serial + "&page=2"};
      case 2:
        return {kFiltered, "/?text=room+" + std::to_string(probe)};
      default:
        return {kFiltered, "/?from=2024-01-01&to=2024-01-31"};
    }
  }
  if (pick < 90) return {kEntry, "/entry/" + std::to_string(1 + random() % entries)};
  return {kProbes, "/probes"};
}

int Connect(quint16 port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0 &&
      errno != EINPROGRESS) {
    close(fd);
    return -1;
  }
  return fd;
}

// The status of a complete answer in `data` and its length; 0 while it is incomplete.
int Answer(const std::string& data, std::size_t& length) {
  const std::size_t end = data.find("\r\n\r\n");
  if (end == std::string::npos) return 0;
  std::size_t body = 0;
  for (std::size_t at = data.find('\n'); at < end; at = data.find('\n', at + 1)) {
    if (strncasecmp(data.c_str() + at + 1, "content-length:", 15) == 0) {
      body = std::strtoull(data.c_str() + at + 16, nullptr, 10);
    }
  }
  if (data.size() < end + 4 + body) return 0;
  length = end + 4 + body;
  const int status = std::atoi(data.c_str() + data.find(' ') + 1);
  return status > 0 ? status : -1;
}

// Whether the server closes the connection after this answer.
bool Closes(const std::string& data) {
  std::string head = data.substr(0, data.find("\r\n\r\n"));
  std::transform(head.begin(), head.end(), head.begin(), [](char c) { return std::tolower(c); });
  return head.find("\nconnection: close") != std::string::npos;
}

// One request on a connection of its own, waited for; milliseconds, or -1 on failure.
double TimeOne(quint16 port, const std::string& target, int& status) {
  const auto start = Clock::now();
  const int fd = Connect(port);
  if (fd < 0) return -1;
  const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  std::string data;
  std::size_t sent = 0, length = 0;
  status = 0;
  while (status == 0 && Clock::now() - start < std::chrono::seconds(30)) {
    pollfd p{fd, static_cast<short>(sent < request.size() ? POLLOUT : POLLIN), 0};
    if (poll(&p, 1, 1000) <= 0) continue;
    if (sent < request.size()) {
      const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n > 0) sent += static_cast<std::size_t>(n);
      if (n < 0 && errno != EAGAIN) break;
      continue;
    }
    char buffer[65536];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0 && !(n < 0 && errno == EAGAIN)) break;
    if (n > 0) data.append(buffer, static_cast<std::size_t>(n));
    status = Answer(data, length);
  }
  close(fd);
  if (status <= 0) return -1;
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Client {
  int fd = -1;
  Kind kind = kList;
  std::string request;
  std::size_t sent = 0;
  std::string data;
  Clock::time_point started;
};

double Percentile(std::vector<double>& values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(p / 100 * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

// User and system CPU seconds of a process so far.
double CpuSeconds(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return 0;
  const QByteArray text = stat.readAll();
  const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
  return (fields.value(11).toDouble() + fields.value(12).toDouble()) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string LoadAverage() {
  double load[3] = {};
  if (getloadavg(load, 3) != 3) return "?";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  int entries = 100'000, clients = 50, seconds = 30;
  std::string keep;
  bool usage = false;
  for (int i = 1; i < argc && !usage; ++i) {
    const std::string option = argv[i];
    const bool valued = i + 1 < argc;
    if (option == "--entries" && valued) {
      entries = std::atoi(argv[++i]);
    } else if (option == "--keep" && valued) {
      keep = argv[++i];
    } else if (option == "--clients" && valued) {
      clients = std::atoi(argv[++i]);
    } else if (option == "--seconds" && valued) {
      seconds = std::atoi(argv[++i]);
    } else {
      usage = true;
    }
  }
  if (usage || entries < 1 || clients < 1 || clients > 1000 || seconds < 1 || seconds > 600) {
    std::fprintf(stderr,
                 "usage: web_bench [--entries N] [--keep FOLDER] [--clients 1..1000] "
                 "[--seconds 1..600]\n");
    return 2;
  }
  QTemporaryDir folder;
  const QString home = folder.path();
  ArchiveLocation sqlite;
  sqlite.path =
      (keep.empty() ? home.toStdString() : keep) + "/site-" + std::to_string(entries) + ".sqlite";
  if (!bench::KeptOrFilledSite(sqlite, !keep.empty(), entries, "web_bench")) return 1;

  // The settings serve reads: limits for every probe, narrower ones for four.
  QDir().mkpath(home + QStringLiteral("/config/ombrix"));
  QFile ini(home + QStringLiteral("/config/ombrix/ombrix.INI"));
  if (!ini.open(QIODevice::WriteOnly)) return 1;
  QByteArray settings = "[Properties]\nComNumber=0\n[Limits]\nLow=0\nHigh=25\nDelay=0\n";
  for (int probe = 0; probe < 4; ++probe) {
    const QString serial = QString::number(0x2800000000004000ULL + probe, 16).toUpper();
    settings += "[Limits " + serial.toLatin1() + "]\nLow=5\nHigh=20\nDelay=30\n";
  }
  ini.write(settings);
  ini.close();

  testing::ServedSite server;
  if (!server.Start(QStringLiteral(OMBRIX_CLI), QString::fromStdString(sqlite.path), home)) {
    std::fprintf(stderr, "serve did not start: %s\n", server.Output().constData());
    return 1;
  }
  const quint16 port = server.Port();
  bool met = true;

  // 1. The first Downloads page, one request at a time.
  std::printf("web_bench: ombrix-cli serve over %d entries (SQLite), load average %s\n", entries,
              LoadAverage().c_str());
  int status = 0;
  const double first = TimeOne(port, "/", status);
  std::vector<double> times;
  for (int i = 0; i < 9 && status == 200; ++i) times.push_back(TimeOne(port, "/", status));
  if (status != 200 || first < 0) {
    std::fprintf(stderr, "the Downloads page answered %d\n", status);
    return 1;
  }
  const double median = Percentile(times, 50);
  std::printf(
      "first Downloads page: first request %.1f ms, median of 9 more %.1f ms (%.1f .. %.1f)\n",
      first, median, times.front(), times.back());
  if (median >= 200) {
    std::printf("  target missed: under 200 ms\n");
    met = false;
  }

  // 2. Many clients at once.
  std::mt19937 random(1);
  std::vector<Client> all(static_cast<std::size_t>(clients));
  std::vector<double> latencies[kKinds];
  long errors = 0;
  const double cpuBefore = CpuSeconds(server.ProcessId());
  const auto start = Clock::now();
  const auto end = start + std::chrono::seconds(seconds);
  const auto next = [&](Client& c) {
    const auto [kind, target] = NextTarget(random, entries);
    c.kind = kind;
    c.request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    c.sent = 0;
    c.data.clear();
    c.started = Clock::now();
    if (c.fd < 0) c.fd = Connect(port);
  };
  const auto fail = [&](Client& c) {
    ++errors;
    close(c.fd);
    c.fd = -1;
  };
  for (Client& c : all) next(c);
  std::vector<pollfd> polls(all.size());
  while (true) {
    const auto now = Clock::now();
    bool busy = false;
    for (std::size_t i = 0; i < all.size(); ++i) {
      Client& c = all[i];
      if (c.fd >= 0 && now - c.started > std::chrono::seconds(10)) fail(c);
      if (c.fd < 0 && now < end) next(c);
      polls[i] = {c.fd, static_cast<short>(c.sent < c.request.size() ? POLLOUT : POLLIN), 0};
      busy = busy || c.fd >= 0;
    }
    if (!busy) break;
    if (poll(polls.data(), polls.size(), 100) < 0) break;
    for (std::size_t i = 0; i < all.size(); ++i) {
      Client& c = all[i];
      if (c.fd < 0 || polls[i].revents == 0) continue;
      if (c.sent < c.request.size()) {
        const ssize_t n =
            send(c.fd, c.request.data() + c.sent, c.request.size() - c.sent, MSG_NOSIGNAL);
        if (n > 0) c.sent += static_cast<std::size_t>(n);
        if (n < 0 && errno != EAGAIN) fail(c);
        continue;
      }
      char buffer[65536];
      const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
      if (n == 0 || (n < 0 && errno != EAGAIN)) {
        fail(c);
        continue;
      }
      if (n > 0) c.data.append(buffer, static_cast<std::size_t>(n));
      std::size_t length = 0;
      const int answer = Answer(c.data, length);
      if (answer == 0) continue;
      if (answer != 200) {
        fail(c);
        continue;
      }
      latencies[c.kind].push_back(
          std::chrono::duration<double, std::milli>(Clock::now() - c.started).count());
      if (Closes(c.data)) {
        close(c.fd);
        c.fd = -1;
      }
      if (Clock::now() < end) {
        next(c);
      } else if (c.fd >= 0) {
        close(c.fd);
        c.fd = -1;
      }
    }
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = CpuSeconds(server.ProcessId()) - cpuBefore;
  std::vector<double> overall;
  for (const auto& kind : latencies) overall.insert(overall.end(), kind.begin(), kind.end());
  const std::size_t requests = overall.size();
  std::printf(
      "%d clients for %.1f s: %zu answered (%.1f a second), %ld errors; server CPU %.1f s; "
      "load average %s\n",
      clients, wall, requests, static_cast<double>(requests) / wall, errors, cpu,
      LoadAverage().c_str());
  std::printf("%-22s %8s %9s %9s %9s %9s\n", "latency (ms)", "requests", "p50", "p95", "p99",
              "max");
  const auto row = [](const char* name, std::vector<double>& values) {
    std::printf("%-22s %8zu %9.1f %9.1f %9.1f %9.1f\n", name, values.size(), Percentile(values, 50),
                Percentile(values, 95), Percentile(values, 99), Percentile(values, 100));
  };
  for (int k = 0; k < kKinds; ++k) row(kKindNames[k], latencies[k]);
  row("all", overall);
  if (Percentile(overall, 99) >= 500) {
    std::printf("  target missed: p99 under 500 ms\n");
    met = false;
  }
  if (errors > 0 || requests == 0) {
    std::printf("  target missed: no errors\n");
    met = false;
  }
  if (server.Stop() != 0) {
    std::fprintf(stderr, "serve did not stop cleanly: %s\n", server.Output().constData());
    met = false;
  }
  return met ? 0 : 1;
}
