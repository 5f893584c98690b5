#include <QApplication>
#include <QCoreApplication>

#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Cli.h"

namespace {

QtMessageHandler g_standard = nullptr;

// A command-line session often has no runtime folder; the offscreen platform would say so on
// every report, and it needs none.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("XDG_RUNTIME_DIR"))) return;
  if (g_standard) g_standard(type, context, message);
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  // The application object gives QLocale the user's settings for dates and numbers. The printed
  // report is laid out by widgets, which need the widget application; nothing is shown, so it
  // runs on the offscreen platform and needs no display.
  std::unique_ptr<QCoreApplication> application;
  if (ombrix::cli::NeedsWidgets(arguments)) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_standard = qInstallMessageHandler(QuietMessages);
    application = std::make_unique<QApplication>(argc, argv);
  } else {
    application = std::make_unique<QCoreApplication>(argc, argv);
  }
  const ombrix::cli::Console console{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
  const int code = ombrix::cli::RunCli(arguments, console);
  std::cout.flush();
  return code;
}
