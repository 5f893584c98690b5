#pragma once

class QLocale;

namespace ombrix {

// Whether a window under this locale speaks German: every German locale (Germany, Austria,
// Switzerland and the others), whatever its country.
bool SpeaksGerman(const QLocale& locale);

// The window's language: German where the user's locale is German (QLocale(): LC_ALL,
// LC_MESSAGES or LANG, or the default a test sets), English everywhere else. English is the
// source of every text. The help window picks its pages by the same decision.
bool WindowLanguageIsGerman();

// Installs the window's German texts and Qt's own (the standard buttons, the file and print
// dialogs) when WindowLanguageIsGerman(); true when the window's German texts are installed. Texts
// made afterwards are German. ombrix-cli never installs them: what it prints stays English.
bool InstallWindowLanguage();
// Takes them away again: the window speaks English.
void RemoveWindowLanguage();
// True while the window's German texts are installed.
bool WindowLanguageInstalled();

}  // namespace ombrix
