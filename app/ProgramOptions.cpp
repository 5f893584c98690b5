#include "ProgramOptions.h"

namespace ombrix {

bool ParseProgramOptions(const QStringList& arguments, const QStringList& scenarios,
                         ProgramOptions& options, QString* error) {
  options = ProgramOptions{};
  const QString kVirtual = QStringLiteral("--virtual");
  const QString kState = QStringLiteral("--virtual-state");
  const QString kArchive = QStringLiteral("--archive");
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == kState || argument.startsWith(kState + u'=')) {
      const bool inline_ = argument != kState;
      if (!inline_ && i + 1 >= arguments.size()) {
        if (error) *error = QStringLiteral("--virtual-state needs a FILE");
        return false;
      }
      options.virtualStateFile = inline_ ? argument.mid(kState.size() + 1) : arguments[++i];
      options.virtualAdapter = true;
      if (options.scenario.isEmpty()) options.scenario = scenarios.value(0);
    } else if (argument == kArchive || argument.startsWith(kArchive + u'=')) {
      const bool inline_ = argument != kArchive;
      if (!inline_ && i + 1 >= arguments.size()) {
        if (error) *error = QStringLiteral("--archive needs a LOCATION");
        return false;
      }
      options.archive = inline_ ? argument.mid(kArchive.size() + 1) : arguments[++i];
      if (options.archive.isEmpty()) {
        if (error) *error = QStringLiteral("--archive needs a LOCATION");
        return false;
      }
    } else if (argument.startsWith(QLatin1String("--virtual-speed="))) {
      bool number = false;
      const double speed = argument.mid(16).toDouble(&number);
      if (!number || !(speed >= 1 && speed <= 1000)) {
        if (error) {
          *error = QStringLiteral(
                       "--virtual-speed takes a number from 1 (the real link) to "
                       "1000, not \"%1\"")
                       .arg(argument.mid(16));
        }
        return false;
      }
      options.virtualSpeed = speed;
    } else if (!argument.startsWith(u'-') && !argument.isEmpty()) {
      if (!options.file.isEmpty()) {
        if (error) *error = QStringLiteral("one record file at a time");
        return false;
      }
      options.file = argument;
    } else if (argument == QLatin1String("--station")) {
      options.station = true;
    } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
      options.showUsage = true;
    } else if (argument == kVirtual) {
      options.virtualAdapter = true;
      if (options.scenario.isEmpty()) options.scenario = scenarios.value(0);
    } else if (argument.startsWith(kVirtual + u'=')) {
      const QString name = argument.mid(kVirtual.size() + 1);
      if (!scenarios.contains(name)) {
        if (error) {
          *error = QStringLiteral("unknown scenario \"%1\" (known: %2)")
                       .arg(name, scenarios.join(QStringLiteral(", ")));
        }
        return false;
      }
      options.virtualAdapter = true;
      options.scenario = name;
    } else {
      if (error) *error = QStringLiteral("unknown argument \"%1\"").arg(argument);
      return false;
    }
  }
  return true;
}

QString UsageText(const QString& programName, const QStringList& scenarios,
                  const QString& settingsFile) {
  return QStringLiteral(
             "Usage: %1 [--virtual[=SCENARIO]] [--virtual-state FILE] [--virtual-speed=N]\n"
             "          [--archive LOCATION] [--station] [FILE.omx]\n"
             "\n"
             "Without arguments the program works with the adapters plugged into this computer.\n"
             "FILE.omx is a record file to open at start, as File Open opens it.\n"
             "  --virtual[=SCENARIO]  run on the built-in virtual adapter instead; SCENARIO is\n"
             "                        one of: %2 (default %3);\n"
             "                        its downloads go to an archive of its own that lasts as\n"
             "                        long as the program\n"
             "  --virtual-state FILE  run on the virtual lab kept in FILE (probes, memory, clock,\n"
             "                        faults), as ombrix-cli --virtual-state keeps it, and write\n"
             "                        it back at exit; a FILE that does not exist yet starts\n"
             "                        from the scenario; the lab's downloads are kept in\n"
             "                        FILE.archive.sqlite beside it\n"
             "  --virtual-speed=N     the virtual adapter's link N times as fast as the real\n"
             "                        adapter's (1: at its pace; default 4)\n"
             "  --archive LOCATION    store downloads in this archive instead of the one the\n"
             "                        settings name: a SQLite file, or postgresql://host/dbname\n"
             "                        (credentials from ~/.pgpass or the environment); with\n"
             "                        the virtual adapter, in place of the lab's own\n"
             "  --station             open the download station's window (File > Station...)\n"
             "                        and start it: every probe put on any adapter is\n"
             "                        downloaded by the settings' [Station] section\n"
             "  -h, --help            show this text\n"
             "\n"
             "Settings: %4\n")
      .arg(programName, scenarios.join(QStringLiteral(", ")), scenarios.value(0), settingsFile);
}

}  // namespace ombrix
