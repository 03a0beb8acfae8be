#include "shell/commandregistry.h"

#include <QHash>

namespace {
QHash<QString, MainCommandHandler>& handlers() {
  static QHash<QString, MainCommandHandler> map;
  return map;
}
}  // namespace

void RegisterMainCommand(const QString& menuName, MainCommandHandler handler) {
  if (handler) handlers().insert(menuName, std::move(handler));
  else handlers().remove(menuName);
}

bool HasMainCommand(const QString& menuName) { return handlers().contains(menuName); }

bool RunMainCommand(const QString& menuName, QWidget* mainWindow) {
  auto it = handlers().constFind(menuName);
  if (it == handlers().constEnd()) return false;
  // A copy: the handler may register or remove commands while it runs.
  const MainCommandHandler handler = it.value();
  handler(mainWindow);
  return true;
}

namespace {
QHash<QString, WindowHookHandler>& hooks() {
  static QHash<QString, WindowHookHandler> map;
  return map;
}
}  // namespace

void RegisterWindowHook(const QString& name, WindowHookHandler handler) {
  if (handler) hooks().insert(name, std::move(handler));
  else hooks().remove(name);
}

bool RunWindowHook(const QString& name, QWidget* parent, const QString& estate, const QString& house,
                   const QString& number) {
  auto it = hooks().constFind(name);
  if (it == hooks().constEnd()) return false;
  const WindowHookHandler handler = it.value();
  handler(parent, estate, house, number);
  return true;
}
