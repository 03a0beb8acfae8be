// The entry of every test program: the program's pinned fonts, a headless QApplication with
// Qt's Chinese translations (as the program loads them), a watchdog against modal windows
// nobody closes, then GoogleTest.
#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

#include "platform/datafolder.h"
#include "platform/fonts.h"
#include "platform/translations.h"
#include "tests/support/modal_watchdog.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  InstallProgramFonts();
  testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  ApplyDefaultApplicationFont();
  InstallQtChineseTranslations();
  // A test that does not make its own work folder keeps its files in the folder it runs in,
  // never in the user's data folder.
  SetDataFolder(QDir::currentPath());
  ModalWatchdog watchdog(10000);
  return RUN_ALL_TESTS();
}
