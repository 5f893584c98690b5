#include <QApplication>
#include <QCoreApplication>

#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Cli.h"

int main(int argc, char* argv[]) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  // The application object gives QLocale the user's settings for dates and numbers. The printed
  // report is laid out by widgets, which need the widget application; nothing is shown, so it
  // runs on the offscreen platform and needs no display.
  std::unique_ptr<QCoreApplication> application;
  if (ombrix::cli::NeedsWidgets(arguments)) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application = std::make_unique<QApplication>(argc, argv);
  } else {
    application = std::make_unique<QCoreApplication>(argc, argv);
  }
  const ombrix::cli::Console console{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
  const int code = ombrix::cli::RunCli(arguments, console);
  std::cout.flush();
  return code;
}
