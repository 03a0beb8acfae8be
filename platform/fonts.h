#pragma once

#include <QFont>
#include <QString>

// The program lays text out with a pinned set of fonts (Noto CJK for Chinese, Liberation for
// Latin), so widths, line breaks and report pages are the same on every machine. The font
// names the windows and templates use (宋体, 黑体, Arial, Courier New, MS Sans Serif, ...) are
// mapped onto them by fonts/fonts.conf.

// The folder of the program's font configuration.
QString ProgramFontsDir();

// Points fontconfig at the program's configuration. Call before the QApplication is created:
// fontconfig reads its configuration once. Returns false (and leaves the system configuration
// in use) when the file is missing.
bool InstallProgramFonts();

// The default font of the office's windows: 宋体 9 points on the 96-dpi screen (12 pixels).
QFont DefaultApplicationFont();

// Makes DefaultApplicationFont() the application's font. Call once the QApplication exists.
void ApplyDefaultApplicationFont();
