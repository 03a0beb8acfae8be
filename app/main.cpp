#include <QApplication>

#include "app/app.h"
#include "platform/datafolder.h"
#include "platform/fonts.h"
#include "platform/ui.h"

int main(int argc, char** argv) {
  // Fontconfig reads its configuration once, when the first font is needed: the program's
  // pinned fonts must be in place before the application object exists.
  InstallProgramFonts();
  QApplication application(argc, argv);
  app::prepareApplication(application);
  // --data-dir DIR names the folder of the databases and templates (else ESTATE_DATA_DIR,
  // else the per-user application-data folder).
  if (!ApplyDataFolderOption(QApplication::arguments())) {
    ShowMessage(QString::fromUtf8("命令行选项 --data-dir 后面缺少数据文件夹。"));
    return 2;
  }
  return app::runProgram(application);
}
