#include "platform/datafolder.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>

namespace {
QString& overrideFolder() {
  static QString folder;
  return folder;
}

QString cleanAbsolute(const QString& folder) { return QDir::cleanPath(QDir(folder).absolutePath()); }
}  // namespace

void SetDataFolder(const QString& folder) {
  overrideFolder() = folder.isEmpty() ? QString() : cleanAbsolute(folder);
}

QString DataFolder() {
  if (!overrideFolder().isEmpty()) return overrideFolder();
  const QString fromEnvironment = qEnvironmentVariable(kDataFolderVariable);
  if (!fromEnvironment.isEmpty()) return cleanAbsolute(fromEnvironment);
  QString standard = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (standard.isEmpty()) standard = QDir::homePath() + QStringLiteral("/.local/share/estate");
  return cleanAbsolute(standard);
}

QString DataFilePath(const QString& name) { return DataFolder() + QLatin1Char('/') + name; }

bool ApplyDataFolderOption(const QStringList& arguments) {
  const QString option = QString::fromLatin1(kDataFolderOption);
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == option) {
      if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) return false;
      SetDataFolder(arguments[i + 1]);
      return true;
    }
    if (a.startsWith(option + QLatin1Char('='))) {
      const QString value = a.mid(option.size() + 1);
      if (value.isEmpty()) return false;
      SetDataFolder(value);
      return true;
    }
  }
  return true;
}
