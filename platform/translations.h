#pragma once

#include <QString>

// The platform's own dialogs (open, save, print, page set-up, colour, font, the standard
// buttons) speak Chinese through Qt's Simplified Chinese translations, which the distribution
// ships in its Qt translation package.

// The folder the Qt translations are read from.
QString QtTranslationsDir();

// Loads Qt's Chinese translations (qtbase_zh_CN) into the running application, once. Call
// after the QApplication exists. False when the translation files are not installed.
bool InstallQtChineseTranslations();
