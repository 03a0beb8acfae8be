#pragma once

class QApplication;

namespace app {

// The application's title, shown by message boxes captioned with it.
inline constexpr const char* kApplicationTitle = "岚舟软件";

// Prepares the process before the first window: fonts, title. Call right after QApplication.
void prepareApplication(QApplication& application);

// Registers the main window's commands whose windows live in billing, stats and services.
void registerCommands();

// Runs the program as the office starts it: the data folder's databases (created at the first
// start, checked otherwise), data modules, main window, event loop. Returns the event loop's
// exit code, or 1 when the main database cannot be used.
int runProgram(QApplication& application);

}  // namespace app
