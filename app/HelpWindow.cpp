#include "HelpWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace ombrix {

bool SpeaksGerman(const QLocale& locale) {
  return locale.language() == QLocale::German;
}

QString HelpFileName(bool german) {
  return german ? QStringLiteral("HELP_de.HLP") : QStringLiteral("HELP.HLP");
}

QString ChooseHelpFile(const QString& programFolder, const QLocale& locale) {
  // Beside the program in the build tree; in an installed tree under share/, which
  // OMBRIX_HELP_FROM_PROGRAM reaches from the program's folder. The first folder holding help wins:
  // the help in the window's language, else the English help of that folder.
  const QDir besideProgram(programFolder);
  const QDir installed(
      QDir::cleanPath(besideProgram.filePath(QStringLiteral(OMBRIX_HELP_FROM_PROGRAM))));
  const QString english = HelpFileName(false);
  for (const QDir& folder : {besideProgram, installed}) {
    for (const QString& name : {HelpFileName(SpeaksGerman(locale)), english}) {
      const QString path = folder.filePath(name);
      if (QFileInfo(path).isFile()) return path;
    }
  }
  return besideProgram.filePath(english);
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
