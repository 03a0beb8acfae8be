#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

class ScriptedUi;
class TfrDesignerForm;

namespace officetest {
// Lets the event loop run for `ms` milliseconds, so posted layouts and paints take place.
inline void settle(int ms = 30) {
  QElapsedTimer t;
  t.start();
  do QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  while (t.elapsed() < ms);
}

// Opens each of the designer's tools once in `designer` and writes a picture of each to the
// build folder; the tools' dialogs are answered through `ui`.
void OpenEveryTool(ScriptedUi& ui, TfrDesignerForm* designer);
}  // namespace officetest
