#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <memory>

namespace ombrix::testing {

// `ombrix-cli --archive ARCHIVE serve --listen 127.0.0.1:0` as a process of its own, in a folder
// that holds its settings (FOLDER/config/ombrix/ombrix.INI) and data: the real program on a port
// the system chose, as the browser tests and the web benchmark reach it.
class ServedSite {
 public:
  ~ServedSite() { Stop(); }

  // Starts it and waits (up to 30 s, without sleeping) until it says where it listens. False
  // when it did not; Output() then holds what it said.
  bool Start(const QString& program, const QString& archive, const QString& folder) {
    return Run(program, folder,
               {QStringLiteral("--archive"), archive, QStringLiteral("serve"),
                QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
  }
  // The same with other arguments, which must make it serve on 127.0.0.1; locale, when given, is
  // its LC_ALL.
  bool Run(const QString& program, const QString& folder, const QStringList& arguments,
           const QString& locale = {}) {
    Stop();
    output_.clear();
    process_ = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!locale.isEmpty()) environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
    process_->setProcessEnvironment(environment);
    process_->setWorkingDirectory(folder);
    process_->setReadChannel(QProcess::StandardError);
    process_->start(program, arguments);
    const QRegularExpression where(QStringLiteral("read-only at http://127\\.0\\.0\\.1:(\\d+)/"));
    while (process_->waitForReadyRead(30'000)) {
      output_ += process_->readAllStandardError();
      const QRegularExpressionMatch match = where.match(QString::fromUtf8(output_));
      if (match.hasMatch()) {
        port_ = static_cast<quint16>(match.captured(1).toUInt());
        return true;
      }
    }
    output_ += process_->readAllStandardError();
    return false;
  }

  quint16 Port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by the target ("/entry/3").
  QString Url(const QString& target) const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_) + target;
  }
  qint64 ProcessId() const { return process_ ? process_->processId() : 0; }
  const QByteArray& Output() const { return output_; }

  // SIGTERM, as a service manager ends it; its exit code (-1 when it did not end by itself).
  int Stop() {
    if (!process_) return -1;
    process_->terminate();
    const bool ended = process_->waitForFinished(30'000);
    if (!ended) {
      process_->kill();
      process_->waitForFinished(5'000);
    }
    const int code =
        ended && process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
    output_ += process_->readAllStandardError();
    process_.reset();
    return code;
  }

 private:
  std::unique_ptr<QProcess> process_;
  QByteArray output_;
  quint16 port_ = 0;
};

}  // namespace ombrix::testing
