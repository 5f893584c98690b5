#pragma once

#include <QLocale>
#include <QString>
#include <QWidget>

class QTextBrowser;

namespace ombrix {

// Whether the window speaks German: for every German locale (Germany, Austria, Switzerland and
// the others), whatever its country. The window's translation follows the same rule.
bool SpeaksGerman(const QLocale& locale = QLocale());

// The name of the help file in the window's language: "HELP_de.HLP" in German, "HELP.HLP"
// otherwise.
QString HelpFileName(bool german);

// The help file in the language of the locale (HelpFileName), or "HELP.HLP" where that is
// missing; looked for in the program's folder (the build tree), then in the installed tree's
// share/ombrix/help reached from the program's folder. When neither has help, the name of
// "HELP.HLP" in the program's folder.
QString ChooseHelpFile(const QString& programFolder, const QLocale& locale = QLocale());

// The help window: the program's HTML help pages in a browser, with links between topics.
class THelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit THelpWindow(QWidget* parent = nullptr);

  // Shows the help file at the topic of that name (an anchor in the pages). False when the file
  // cannot be read.
  bool Open(const QString& helpFile, const QString& topic);

  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace ombrix
