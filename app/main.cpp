#include <QApplication>

#include "app/app.h"
#include "platform/fonts.h"

int main(int argc, char** argv) {
  // Fontconfig reads its configuration once, when the first font is needed: the program's
  // pinned fonts must be in place before the application object exists.
  InstallProgramFonts();
  QApplication application(argc, argv);
  app::prepareApplication(application);
  return app::runProgram(application);
}
