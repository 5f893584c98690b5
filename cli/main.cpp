#include <QCoreApplication>

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"

int main(int argc, char* argv[]) {
  // The application object gives QLocale the user's settings for dates and numbers.
  QCoreApplication application(argc, argv);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const ombrix::cli::Console console{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
  const int code = ombrix::cli::RunCli(arguments, console);
  std::cout.flush();
  return code;
}
