#include "ProgramOptions.h"

namespace ombrix {

bool ParseProgramOptions(const QStringList& arguments, const QStringList& scenarios,
                         ProgramOptions& options, QString* error) {
  options = ProgramOptions{};
  const QString kVirtual = QStringLiteral("--virtual");
  for (const QString& argument : arguments) {
    if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
      options.showUsage = true;
    } else if (argument == kVirtual) {
      options.virtualAdapter = true;
      options.scenario = scenarios.value(0);
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

QString UsageText(const QString& programName, const QStringList& scenarios) {
  return QStringLiteral(
             "Usage: %1 [--virtual[=SCENARIO]]\n"
             "\n"
             "Without arguments the program works with the adapters plugged into this computer.\n"
             "  --virtual[=SCENARIO]  run on the built-in virtual adapter instead; SCENARIO is\n"
             "                        one of: %2 (default %3)\n"
             "  -h, --help            show this text\n")
      .arg(programName, scenarios.join(QStringLiteral(", ")), scenarios.value(0));
}

}  // namespace ombrix
