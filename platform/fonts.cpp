#include "platform/fonts.h"

#include <QApplication>
#include <QFile>
#include <cstdlib>

#include "platform/syscolors.h"

QString ProgramFontsDir() { return QString::fromUtf8(ESTATE_FONTS_DIR); }

bool InstallProgramFonts() {
  const QString file = ProgramFontsDir() + QStringLiteral("/fonts.conf");
  if (!QFile::exists(file)) return false;
  // Set unconditionally: a configuration inherited from the environment would bring back
  // the machine's own fonts.
  ::setenv("FONTCONFIG_FILE", QFile::encodeName(file).constData(), 1);
  return true;
}

QFont DefaultApplicationFont() {
  QFont font(QString::fromUtf8("宋体"));
  font.setPixelSize((9 * kScreenPixelsPerInch + 36) / 72);
  return font;
}

void ApplyDefaultApplicationFont() { QApplication::setFont(DefaultApplicationFont()); }
