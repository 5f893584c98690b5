#pragma once

#include <string>
#include <vector>

#include "Console.h"

namespace ombrix::cli {

// Runs one command line (the arguments after the program name) and returns the exit code.
int RunCli(const std::vector<std::string>& arguments, const Console& console);

}  // namespace ombrix::cli
