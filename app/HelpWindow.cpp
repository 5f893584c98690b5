#include "HelpWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "WindowLanguage.h"

namespace ombrix {

namespace {

// Where the platform's abbreviation is not simply the language's three-letter ISO code in capitals:
// the country's variant of a language (by "language_COUNTRY"), or the language itself.
const QHash<QString, QString>& Exceptions() {
  static const QHash<QString, QString> table = {
      {"en_US", "ENU"}, {"en_GB", "ENG"}, {"en_AU", "ENA"}, {"en_CA", "ENC"}, {"en_NZ", "ENZ"},
      {"en_IE", "ENI"}, {"en_ZA", "ENS"}, {"en", "ENU"},    {"de_CH", "DES"}, {"de_AT", "DEA"},
      {"de_LU", "DEL"}, {"de_LI", "DEC"}, {"fr_BE", "FRB"}, {"fr_CA", "FRC"}, {"fr_CH", "FRS"},
      {"fr_LU", "FRL"}, {"it_CH", "ITS"}, {"nl_BE", "NLB"}, {"pt_BR", "PTB"}, {"pt_PT", "PTG"},
      {"pt", "PTG"},    {"es_ES", "ESN"}, {"es_MX", "ESM"}, {"es", "ESN"},    {"cs", "CSY"},
      {"pl", "PLK"},    {"sv", "SVE"},    {"sk", "SKY"},    {"tr", "TRK"},    {"nb", "NOR"},
      {"nn", "NON"},    {"zh_CN", "CHS"}, {"zh_SG", "ZHI"}, {"zh_TW", "CHT"}, {"zh_HK", "ZHH"},
      {"zh", "CHS"},    {"sl", "SLV"},    {"et", "ETI"},    {"lv", "LVI"},    {"lt", "LTH"},
      {"hr", "HRV"},    {"sr", "SRL"},    {"uk", "UKR"},    {"be", "BEL"},    {"bg", "BGR"},
      {"ro", "ROM"},    {"el", "ELL"},    {"he", "HEB"},    {"ar", "ARA"},    {"ja", "JPN"},
      {"ko", "KOR"},    {"ms", "MSL"},    {"is", "ISL"},    {"ca", "CAT"},    {"eu", "EUQ"},
  };
  return table;
}

}  // namespace

QString LanguageAbbreviation(const QLocale& locale) {
  if (locale.language() == QLocale::C) return {};
  const QString name = locale.name();  // "de_DE"
  const auto& table = Exceptions();
  if (auto found = table.find(name); found != table.end()) return *found;
  const QString language = name.section(u'_', 0, 0);
  if (auto found = table.find(language); found != table.end()) return *found;
  return QLocale::languageToCode(locale.language(), QLocale::ISO639Part2T).toUpper();
}

QString ChooseHelpFile(const QString& programFolder, const QLocale& locale) {
  // Beside the program in the build tree; in an installed tree under share/, which
  // OMBRIX_HELP_FROM_PROGRAM reaches from the program's folder. The first folder holding help wins:
  // a help file named for the user's language (HELP.DEU, HELP.ENG ...), else the German pages for
  // a window that speaks German, else the English help of that folder.
  const QDir besideProgram(programFolder);
  const QDir installed(
      QDir::cleanPath(besideProgram.filePath(QStringLiteral(OMBRIX_HELP_FROM_PROGRAM))));
  const QString abbreviation = LanguageAbbreviation(locale);
  QStringList names;
  if (!abbreviation.isEmpty()) names << QStringLiteral("HELP.") + abbreviation;
  if (SpeaksGerman(locale)) names << QStringLiteral("HELP_de.HLP");
  names << QStringLiteral("HELP.HLP");
  for (const QDir& folder : {besideProgram, installed}) {
    for (const QString& name : names) {
      const QString path = folder.filePath(name);
      if (QFileInfo(path).isFile()) return path;
    }
  }
  return besideProgram.filePath(QStringLiteral("HELP.HLP"));
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(tr("Ombrix Help"));
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(680, 560);
}

bool THelpWindow::Open(const QString& helpFile, const QString& topic) {
  if (!QFileInfo(helpFile).isReadable()) return false;
  QUrl url = QUrl::fromLocalFile(QFileInfo(helpFile).absoluteFilePath());
  url.setFragment(topic);
  // The help file's name carries no HTML extension: say what it holds.
  browser_->setSource(url, QTextDocument::HtmlResource);
  return true;
}

}  // namespace ombrix
