#include "app/app.h"

#include <QApplication>

#include "platform/fonts.h"
#include "shell/mainform.h"

namespace app {

void prepareApplication(QApplication& application) {
  ApplyDefaultApplicationFont();
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
}

int runProgram(QApplication& application) {
  TForm_main mainWindow;
  mainWindow.showMaximized();
  return application.exec();
}

}  // namespace app
