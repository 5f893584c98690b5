#pragma once

#include <QLocale>
#include <QString>
#include <QWidget>

class QTextBrowser;

namespace ombrix {

// The three-letter abbreviation by which the platform names the language of a locale (ENU for
// English in the United States, DEU for German in Germany, ENG for English in Britain), or "" for
// the C locale.
QString LanguageAbbreviation(const QLocale& locale);

// The help file: "HELP." plus the language abbreviation of the locale if such a file exists, else
// the German pages "HELP_de.HLP" where the locale's language is German, else "HELP.HLP"; looked
// for in the program's folder (the build tree), then in the installed tree's share/ombrix/help
// reached from the program's folder. When neither has help, the name of "HELP.HLP" in the
// program's folder.
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
