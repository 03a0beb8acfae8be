// Built pages edited from the preview: a page opened in the designer by double click, Ctrl+E or
// the menu and written back when the operator says so (the preview then shows and prints the
// edited page), pages added and deleted, the items only with a designer and ModifyPrepared, and
// the help tool.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QToolButton>

#include "report/FR_Built.h"
#include "report/FR_Preview.h"
#include "report/FR_Prntr.h"
#include "report/FR_Report.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/pdf_read.h"
#include "tests/support/scripted_ui.h"

namespace {

class PreviewEditTest : public designtest::DesignerWindowFixture {
 protected:
  void SetUp() override {
    DesignerWindowFixture::SetUp();
    RegisterReportDesigner();
    TfrPage* second = report->AppendPage();
    addText(second, "Memo3", 40, 40);
    report->ShowProgress = false;
    ASSERT_TRUE(report->BuildReport());
    ASSERT_EQ(report->EMFPages().Count(), 2);
  }
  QStringList texts(int page) { return report->EMFPages().PageTexts(page); }
  // What the preview draws on a page.
  QStringList drawn(int page) {
    QStringList t;
    for (const TfrTextRecord& r : TextRecordsOfPage(report, page)) t << r.Text;
    return t;
  }
  std::unique_ptr<TfrPreviewForm> preview() {
    auto f = std::make_unique<TfrPreviewForm>();
    f->Connect(report);
    f->ApplyReportOptions();
    f->resize(900, 700);
    f->show();
    f->RefreshView(true);
    return f;
  }
  static void key(TfrPreviewForm* f, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, k, m);
    f->FormKeyDown(&e);
  }
  static QPoint onPage(TfrPreviewForm* f, int index) {
    return f->PageRect(index).center() + QPoint(f->ScrollX, f->ScrollY);
  }
  // The next designer window deletes `object` and closes; the question that follows is
  // answered `answer`.
  void designerDeletes(ScriptedUi& ui, const QString& object, int answer, bool* seen = nullptr) {
    ui.onModal([=](QDialog* d) {
      auto* f = qobject_cast<TfrDesignerForm*>(d);
      ASSERT_NE(f, nullptr);
      if (seen) *seen = true;
      EXPECT_FALSE(f->FullMode);
      f->SelectByName(object);
      ASSERT_EQ(f->Model().SelectionCount(), 1) << object.toStdString();
      f->action("N27")->trigger();
      f->action("N10")->trigger();   // a built page closes without asking
    });
    ui.answerMessage(answer);
  }
};

// A page changed in the designer comes back into the preview, which shows and prints it; "No"
// to the question leaves the page as it was.
TEST_F(PreviewEditTest, AnEditedPageComesBackAndIsPrinted) {
  ScriptedUi ui;
  const QString pdf = work.file("edited.pdf");
  ReportPrinter().OutputFileName.clear();
  ui.onModal([&](QDialog* d) {
    auto* pv = qobject_cast<TfrPreviewForm*>(d);
    ASSERT_NE(pv, nullptr);
    EXPECT_EQ(pv->N5->text(), QString::fromUtf8("编辑页"));
    EXPECT_EQ(pv->N6->text(), QString::fromUtf8("增加页"));
    EXPECT_EQ(pv->N7->text(), QString::fromUtf8("删除页"));
    EXPECT_EQ(pv->HelpBtn->toolTip(), QString::fromUtf8("显示帮助"));
    EXPECT_TRUE(pv->HelpBtn->isVisible());

    // Double click on the first page: the designer on it, Yes keeps the change.
    designerDeletes(ui, "Memo1", mrYes);
    QTest::mouseDClick(pv->PageBox, Qt::LeftButton, Qt::NoModifier, onPage(pv, 0));
    EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("保存变动?"));
    EXPECT_EQ(ui.lastMessage().caption, QString::fromUtf8("确认"));
    EXPECT_EQ(texts(0), QStringList({"Memo2"}));
    EXPECT_EQ(drawn(0), QStringList({"Memo2"}));
    EXPECT_EQ(pv->PageCount(), 2);
    EXPECT_EQ(pv->CurPage, 1);

    // Ctrl+E on the second page, No: nothing changes.
    pv->PgDownClick();
    ASSERT_EQ(pv->CurPage, 2);
    designerDeletes(ui, "Memo3", mrNo);
    key(pv, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(texts(1), QStringList({"Memo3"}));
    EXPECT_EQ(drawn(1), QStringList({"Memo3"}));

    // The menu's item does the same: Yes empties the second page.
    designerDeletes(ui, "Memo3", mrYes);
    pv->N5->trigger();
    EXPECT_TRUE(texts(1).isEmpty());

    ui.answerPrint([&](PrintDialogRequest& r) {
      r.printToFile = true;
      r.outputFileName = pdf;
    });
    pv->PrintBtnClick();
    pv->ExitBtn->click();
  });
  report->ShowBuiltReport();
  EXPECT_EQ(ui.pendingAnswers(), 0);
  const QString printed = PdfText(pdf, PdfLayout::Raw);
  EXPECT_TRUE(printed.contains("Memo2")) << printed.toStdString();
  EXPECT_FALSE(printed.contains("Memo1")) << printed.toStdString();
  EXPECT_FALSE(printed.contains("Memo3")) << printed.toStdString();
  // The template is the designer's again, untouched by the page edits.
  EXPECT_EQ(report->Pages.size(), 2u);
  EXPECT_NE(report->FindObject("Memo1"), nullptr);
  EXPECT_NE(report->FindObject("Memo3"), nullptr);
}

// Add puts an empty page with the template's paper before the current one; delete asks and
// never removes the last page.
TEST_F(PreviewEditTest, PagesAreAddedAndDeleted) {
  ScriptedUi ui;
  auto pv = preview();
  EXPECT_TRUE(pv->N7->isEnabled());
  pv->PgDownClick();
  pv->N6->trigger();
  ASSERT_EQ(pv->PageCount(), 3);
  EXPECT_TRUE(texts(1).isEmpty());
  EXPECT_EQ(texts(2), QStringList({"Memo3"}));
  TfrPage* first = report->Pages.front().get();
  EXPECT_EQ(report->EMFPages().EntryAt(1).pgWidth, first->pgWidth);
  EXPECT_EQ(report->EMFPages().EntryAt(1).pgHeight, first->pgHeight);
  EXPECT_EQ(pv->PageSizePixels(1), pv->PageSizePixels(0));
  EXPECT_EQ(pv->Label1->text(), QString::fromUtf8("页 2/3"));

  ui.answerMessage(mrNo);
  pv->N7->trigger();
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("删除该页吗?"));
  EXPECT_EQ(ui.lastMessage().caption, QString::fromUtf8("确认"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Question);
  EXPECT_EQ(pv->PageCount(), 3);
  ui.answerMessage(mrYes);
  pv->N7->trigger();
  ASSERT_EQ(pv->PageCount(), 2);
  EXPECT_EQ(texts(0), QStringList({"Memo1", "Memo2"}));
  EXPECT_EQ(texts(1), QStringList({"Memo3"}));
  EXPECT_EQ(pv->CurPage, 1);
  ui.answerMessage(mrYes);
  pv->N7->trigger();
  ASSERT_EQ(pv->PageCount(), 1);
  EXPECT_EQ(texts(0), QStringList({"Memo3"}));   // the current (first) page went
  // The last page stays: the item is disabled and the command asks nothing.
  EXPECT_FALSE(pv->N7->isEnabled());
  const int asked = int(ui.messages().size());
  pv->DelPageBtnClick();
  EXPECT_EQ(pv->PageCount(), 1);
  EXPECT_EQ(int(ui.messages().size()), asked);
}

// Without a registered designer or with ModifyPrepared off the editing items are hidden and
// neither the menu, Ctrl+E nor a double click opens anything; the zoom button's menu never
// shows them, the page menu does when editing is possible.
TEST_F(PreviewEditTest, EditingNeedsADesignerAndModifyPrepared) {
  const auto designer = RegisteredDesigner();
  struct Case {
    const char* name;
    bool designer, modifyPrepared, editing;
  } cases[] = {
      {"designer, modify", true, true, true},
      {"no designer", false, true, false},
      {"modify off", true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedUi ui;
    RegisteredDesigner() = c.designer ? designer : nullptr;
    report->ModifyPrepared = c.modifyPrepared;
    auto pv = preview();
    for (QAction* a : {pv->N4, pv->N5, pv->N6, pv->N7}) EXPECT_EQ(a->isVisible(), c.editing);
    EXPECT_EQ(pv->CanModifyPages(), c.editing);
    bool opened = false;
    if (c.editing) designerDeletes(ui, "Memo1", mrNo, &opened);
    QTest::mouseDClick(pv->PageBox, Qt::LeftButton, Qt::NoModifier, onPage(pv.get(), 0));
    EXPECT_EQ(opened, c.editing);
    opened = false;
    if (c.editing) designerDeletes(ui, "Memo1", mrNo, &opened);
    key(pv.get(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(opened, c.editing);
    pv->PgDownClick();
    pv->NewPageBtnClick();
    EXPECT_EQ(pv->PageCount(), c.editing ? 3 : 2);
    EXPECT_EQ(texts(0), QStringList({"Memo1", "Memo2"}));

    pv->ZoomBtnClick();
    EXPECT_FALSE(pv->N5->isVisible());
    pv->ProcMenu->hide();
    QTest::mouseClick(pv->PageBox, Qt::RightButton, Qt::NoModifier, onPage(pv.get(), 0));
    EXPECT_EQ(pv->N5->isVisible(), c.editing);
    pv->ProcMenu->hide();
    // Keep the two built pages for the next case.
    while (pv->PageCount() > 2) report->EMFPages().DeletePage(1);
  }
  RegisteredDesigner() = designer;
  report->ModifyPrepared = true;
}

// The help tool: the button stays down with the help cursor until the next press on the
// window, which asks for the help of the control under it (its tag).
TEST_F(PreviewEditTest, TheHelpToolAsksForTheControlUnderTheNextPress) {
  auto pv = preview();
  pv->HelpBtn->click();
  EXPECT_TRUE(pv->HelpMode);
  EXPECT_TRUE(pv->HelpBtn->isChecked());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);
  const QPoint label = pv->Label1->mapTo(pv.get(), pv->Label1->rect().center());
  QTest::mouseClick(pv.get(), Qt::LeftButton, Qt::NoModifier, label);
  EXPECT_FALSE(pv->HelpMode);
  EXPECT_FALSE(pv->HelpBtn->isChecked());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(pv->HelpContext, 206);
  // A press on the help button itself asks for nothing.
  pv->HelpBtn->click();
  QTest::mouseClick(pv.get(), Qt::LeftButton, Qt::NoModifier, pv->HelpBtn->mapTo(pv.get(), QPoint(3, 3)));
  EXPECT_FALSE(pv->HelpMode);
  EXPECT_EQ(pv->HelpContext, -1);
}

}  // namespace
