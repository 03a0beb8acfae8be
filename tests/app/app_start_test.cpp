#include <QApplication>
#include <QFontInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/app.h"
#include "shell/mainform.h"

// The program starts its main window under the application title and its event loop
// ends when the main window closes.
TEST(ProgramEntry, StartsAndClosesTheMainWindow) {
  app::prepareApplication(*qApp);
  EXPECT_EQ(QApplication::applicationDisplayName(), QString::fromUtf8("岚舟软件"));
  // The office's windows are set in 宋体 9 points, which the pinned fonts provide.
  EXPECT_EQ(QApplication::font().family(), QString::fromUtf8("宋体"));
  EXPECT_EQ(QApplication::font().pixelSize(), 12);
  EXPECT_EQ(QFontInfo(QApplication::font()).family(), QStringLiteral("Noto Serif CJK SC"));
  bool sawMainWindow = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* main = qobject_cast<TForm_main*>(w)) {
        sawMainWindow = main->isVisible();
        main->close();
      }
    }
  });
  QApplication::setQuitOnLastWindowClosed(true);
  EXPECT_EQ(app::runProgram(*qApp), 0);
  EXPECT_TRUE(sawMainWindow);
}
