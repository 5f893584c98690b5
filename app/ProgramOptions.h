#pragma once

#include <QString>
#include <QStringList>

namespace ombrix {

// What the command line asks for. Without arguments the program works with real adapters;
// "--virtual" or "--virtual=SCENARIO" runs it on the built-in virtual adapter instead.
struct ProgramOptions {
  bool virtualAdapter = false;
  QString scenario;  // with virtualAdapter: the scenario's name
  // "--virtual-state FILE": the virtual lab kept in FILE (made from the scenario when FILE does
  // not exist yet) is taken up, and written back at exit.
  QString virtualStateFile;
  // "--archive LOCATION": the archive downloads are stored in, in place of the one the settings
  // name (a SQLite file or postgresql://host/db).
  QString archive;
  // "--station": the station window is shown beside the main window, its station started.
  bool station = false;
  // "--virtual-speed=N": the virtual adapter's link N times faster than the hardware's (1: at the
  // real adapter's pace); by default fast enough that a long download keeps nobody waiting.
  double virtualSpeed = 4.0;
  // A record file to open at start ("ombrix FILE.omx", as the desktop hands it over).
  QString file;
  bool showUsage = false;
};

// Reads the arguments after the program's name (Qt's own options already taken out). A scenario
// must be one of `scenarios`; the first of them is the default. False with *error set when an
// argument is not understood.
bool ParseProgramOptions(const QStringList& arguments, const QStringList& scenarios,
                         ProgramOptions& options, QString* error);

// The text that "--help" prints; settingsFile is the settings file the program would use.
QString UsageText(const QString& programName, const QStringList& scenarios,
                  const QString& settingsFile);

}  // namespace ombrix
