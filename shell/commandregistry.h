#pragma once

#include <QString>
#include <functional>

class QWidget;

// Commands of the main window whose windows live in folders the shell does not depend on.
// Such a folder registers a handler under the menu item's name (for example "N60") at
// start-up; the main window runs it after the command's module right has passed. A command
// without a handler tells the operator that the function is not available.
using MainCommandHandler = std::function<void(QWidget* mainWindow)>;

// Registers (or replaces) the handler of a menu item; an empty handler removes it.
void RegisterMainCommand(const QString& menuName, MainCommandHandler handler);
// True when a handler is registered for the menu item.
bool HasMainCommand(const QString& menuName);
// Runs the handler of the menu item with the main window as parent; false when none is
// registered.
bool RunMainCommand(const QString& menuName, QWidget* mainWindow);

// Hooks with arguments between folders that do not depend on each other, for example the
// front desk (billing) opening the complaint window (services) for one house:
// "complaintForHouse" takes the house's estate code and house code and the complaint number.
using WindowHookHandler =
    std::function<void(QWidget* parent, const QString& estate, const QString& house, const QString& number)>;

// Registers (or replaces) the hook of a name; an empty handler removes it.
void RegisterWindowHook(const QString& name, WindowHookHandler handler);
// Runs the hook of a name; false when none is registered.
bool RunWindowHook(const QString& name, QWidget* parent, const QString& estate, const QString& house,
                   const QString& number);
