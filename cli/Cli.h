#pragma once

#include <string>
#include <vector>

#include "Console.h"

namespace ombrix::cli {

// Runs one command line (the arguments after the program name) and returns the exit code.
int RunCli(const std::vector<std::string>& arguments, const Console& console);

// True when the command line asks for the printed report, whose layout form is made of widgets:
// the program then needs a QApplication rather than the core application alone.
bool NeedsWidgets(const std::vector<std::string>& arguments);

}  // namespace ombrix::cli
