#include "ServeProcess.h"

#include <gtest/gtest.h>

#include <QTcpSocket>

namespace ombrix::testing {

bool ServeProcess::Start(const QString& directory, const QStringList& arguments) {
  return site_.Run(QStringLiteral(OMBRIX_CLI_PATH), directory, arguments,
                   QStringLiteral("de_DE.UTF-8"));
}

HttpAnswer ServeProcess::Send(const QByteArray& raw) {
  HttpAnswer answer;
  QTcpSocket socket;
  socket.connectToHost(QStringLiteral("127.0.0.1"), site_.Port());
  if (!socket.waitForConnected(10'000)) {
    ADD_FAILURE() << "no connection: " << socket.errorString().toStdString();
    return answer;
  }
  socket.write(raw);
  QByteArray data;
  qsizetype headerEnd = -1;
  qint64 length = -1;
  const bool head = raw.startsWith("HEAD ");
  while (true) {
    if (headerEnd < 0 && (headerEnd = data.indexOf("\r\n\r\n")) >= 0) {
      const QList<QByteArray> lines = data.left(headerEnd).split('\n');
      answer.status = lines.value(0).split(' ').value(1).toInt();
      for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        answer.headers[line.left(colon).toLower().toStdString()] =
            line.mid(colon + 1).trimmed().toStdString();
      }
      length = head ? 0 : QByteArray::fromStdString(answer.headers["content-length"]).toLongLong();
    }
    if (headerEnd >= 0 && data.size() - headerEnd - 4 >= length) break;
    if (!socket.waitForReadyRead(30'000)) {
      ADD_FAILURE() << "no complete answer to " << raw.left(60).toStdString();
      break;
    }
    data += socket.readAll();
  }
  if (headerEnd >= 0) answer.body = data.mid(headerEnd + 4).toStdString();
  return answer;
}

HttpAnswer ServeProcess::Get(const QByteArray& target, const QByteArray& method) {
  return Send(method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

}  // namespace ombrix::testing
