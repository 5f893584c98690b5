#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <string>

#include "ServedSite.h"

namespace ombrix::testing {

// One answer of the server, as a browser receives it.
struct HttpAnswer {
  int status = 0;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
};

// ombrix-cli serve as a process of its own, run in a folder as RunCli runs the program (locale
// de_DE, data and settings below the folder), and spoken to over a plain socket.
class ServeProcess {
 public:
  // Starts ombrix-cli with the arguments, which must make it serve on 127.0.0.1; false when it
  // did not say where it listens (Err() says why).
  bool Start(const QString& directory, const QStringList& arguments);
  // SIGTERM, as Ctrl+C or a service manager ends it; the exit code, -1 when it was not running
  // or did not end by itself.
  int Stop() { return site_.Stop(); }

  // One request on a connection of its own; the raw request text is sent as given.
  HttpAnswer Send(const QByteArray& raw);
  HttpAnswer Get(const QByteArray& target, const QByteArray& method = "GET");

  // What the server wrote to stderr so far.
  const QByteArray& Err() const { return site_.Output(); }

 private:
  ServedSite site_;
};

}  // namespace ombrix::testing
