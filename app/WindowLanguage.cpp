#include "WindowLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace ombrix {

namespace {

struct Translators {
  std::unique_ptr<QTranslator> window;
  std::unique_ptr<QTranslator> qt;
};

Translators& Installed() {
  static Translators translators;
  return translators;
}

}  // namespace

bool SpeaksGerman(const QLocale& locale) {
  return locale.language() == QLocale::German;
}

bool WindowLanguageIsGerman() {
  return SpeaksGerman(QLocale());
}

bool InstallWindowLanguage() {
  if (WindowLanguageInstalled()) return true;
  if (!WindowLanguageIsGerman()) return false;
  Translators& installed = Installed();
  // The window's texts are built into the program (translations/ombrix_de.ts).
  auto window = std::make_unique<QTranslator>();
  if (!window->load(QStringLiteral(":/i18n/ombrix_de.qm")) ||
      !QCoreApplication::installTranslator(window.get())) {
    return false;
  }
  installed.window = std::move(window);
  // Qt's own texts come with Qt; without them its buttons and dialogs stay English.
  auto qt = std::make_unique<QTranslator>();
  if (qt->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(qt.get())) {
    installed.qt = std::move(qt);
  }
  return true;
}

void RemoveWindowLanguage() {
  Translators& installed = Installed();
  for (std::unique_ptr<QTranslator>* translator : {&installed.window, &installed.qt}) {
    if (*translator) QCoreApplication::removeTranslator(translator->get());
    translator->reset();
  }
}

bool WindowLanguageInstalled() {
  return Installed().window != nullptr;
}

}  // namespace ombrix
