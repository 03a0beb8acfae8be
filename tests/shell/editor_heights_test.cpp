// The heights of the editors of the company window: one line of the window's font, and the
// taller field of the scrolling text.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "shell/dm.h"
#include "shell/gsxx.h"
#include "tests/support/work_folder.h"

TEST(EditorHeights, CompanyWindowFitsItsEditorsButTheTallerField) {
  WorkFolder work;
  Dm1 = new TDm1();
  Dm1->ADO_system->Open();
  {
    TForm_gsxx_edit window;
    window.show();
    QApplication::processEvents();
    const auto editors = window.findChildren<TCustomDBEditEh*>();
    ASSERT_EQ(editors.size(), 11);
    for (TCustomDBEditEh* e : editors) {
      SCOPED_TRACE(e->objectName().toStdString());
      if (e == window.DBEdit6) continue;
      EXPECT_TRUE(e->FixedHeight());
      EXPECT_EQ(e->height(), e->FitHeight());
      EXPECT_EQ(e->height(), 25);
    }
    EXPECT_FALSE(window.DBEdit6->FixedHeight());
    EXPECT_GE(window.DBEdit6->height(), 40);
    // Growing the window keeps every height.
    window.resize(window.width() + 100, window.height() + 200);
    QApplication::processEvents();
    EXPECT_EQ(window.DBEdit7->height(), 25);
    EXPECT_EQ(window.DBEdit6->height(), 40);
  }
  delete Dm1;
  Dm1 = nullptr;
}
