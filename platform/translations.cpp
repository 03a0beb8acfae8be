#include "platform/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QString QtTranslationsDir() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool InstallQtChineseTranslations() {
  static QTranslator* installed = nullptr;
  if (installed) return true;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_zh_CN"), QtTranslationsDir())) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
  return true;
}
