#include "ServeProcess.h"

#include <gtest/gtest.h>

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTcpSocket>

namespace ombrix::testing {

bool ServeProcess::Start(const QString& directory, const QStringList& arguments) {
  Stop();
  err_.clear();
  process_ = std::make_unique<QProcess>();
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
  environment.insert(QStringLiteral("XDG_DATA_HOME"), directory + QStringLiteral("/data"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), directory + QStringLiteral("/config"));
  process_->setProcessEnvironment(environment);
  process_->setWorkingDirectory(directory);
  process_->setReadChannel(QProcess::StandardError);
  process_->start(QStringLiteral(OMBRIX_CLI_PATH), arguments);
  const QRegularExpression where(QStringLiteral("read-only at http://127\\.0\\.0\\.1:(\\d+)/"));
  while (process_->waitForReadyRead(30'000)) {
    err_ += process_->readAllStandardError();
    const QRegularExpressionMatch match = where.match(QString::fromUtf8(err_));
    if (match.hasMatch()) {
      port_ = static_cast<quint16>(match.captured(1).toUInt());
      return true;
    }
  }
  err_ += process_->readAllStandardError();
  return false;
}

int ServeProcess::Stop() {
  if (!process_) return -1;
  process_->terminate();
  const bool ended = process_->waitForFinished(30'000);
  const int code =
      ended && process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
  err_ += process_->readAllStandardError();
  process_.reset();
  return code;
}

HttpAnswer ServeProcess::Send(const QByteArray& raw) {
  HttpAnswer answer;
  QTcpSocket socket;
  socket.connectToHost(QStringLiteral("127.0.0.1"), port_);
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
