// The office changes its receipt in the designer: the shipped receipt template is opened
// through the engine, a text object is inserted on the grid and moved with the mouse, the
// move is undone and redone, the template saved; read again, the receipt is built over a
// payment and printed, and the new text is read back from the PDF.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>

#include "designer/FR_Desgn.h"
#include "platform/data/ado.h"
#include "report/FR_Built.h"
#include "report/FR_Ctrls.h"
#include "report/FR_DBSet.h"
#include "report/FR_Prntr.h"
#include "report/FR_Report.h"
#include "tests/support/scripted_ui.h"
#include "tests/designer/receipt_data.h"
#include "tests/support/work_folder.h"

namespace {

using receipttest::pdfText;
using receipttest::ReceiptData;

TEST(ReceiptDesignTest, ANewTextOnTheReceiptIsSavedAndPrinted) {
  WorkFolder work;
  const QString path = receipttest::CopyShippedReceipt(work);
  ASSERT_FALSE(path.isEmpty());
  ReceiptData data(work.path());
  auto* report = new TfrReport(&data.owner);
  report->ShowProgress = false;
  ASSERT_TRUE(report->OpenTemplateFile(path));

  ScriptedUi ui;
  RegisterReportDesigner();
  const QString added = u("经办人：王五");
  QString caption, shot;
  QRect inserted, moved, undone, redone;
  int pagesBefore = 0;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDesignerForm*>(d);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->windowState() & Qt::WindowMaximized);
    // A fixed size for the picture, whatever the screen of the test.
    f->setWindowState(Qt::WindowNoState);
    f->resize(1280, 900);
    f->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(f));
    caption = f->windowTitle();
    pagesBefore = f->Tab1->count();
    // The band that holds the receipt's title, and a free place at its right.
    TfrPage* page = f->Model().Page();
    TfrView* title = nullptr;
    for (auto& o : page->Objects)
      if (o->Typ == gtMemo && o->Memo.join("").contains(u("收 据"))) title = o.get();
    ASSERT_NE(title, nullptr);
    TfrView* band = nullptr;
    for (auto& o : page->Objects)
      if (IsBand(o.get()) && title->Top >= o->Top && title->Top < o->Top + o->Height) band = o.get();
    ASSERT_NE(band, nullptr);
    const QPoint click(page->PageWidthPixels() - 180 + 3, band->Top + 2 + 1);

    f->button("OB2")->Click();
    ui.onModal([&](QDialog* editor) {
      editor->findChild<QPlainTextEdit*>("M1")->setPlainText(added);
      editor->accept();
    });
    QTest::mouseMove(f->DesignSurface, click);
    QTest::mouseClick(f->DesignSurface, Qt::LeftButton, Qt::NoModifier, click);
    TfrView* v = f->Model().TopSelected();
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(v->Memo, QStringList{added});
    inserted = QRect(v->Left, v->Top, v->Width, v->Height);

    // Dragged 30 pixels left and 5 down: on the 4-pixel grid it moves 28 and 4.
    const QPoint grab(v->Left + 10, v->Top + 8);
    QTest::mousePress(f->DesignSurface, Qt::LeftButton, Qt::NoModifier, grab);
    QTest::mouseMove(f->DesignSurface, grab + QPoint(-15, 2));
    QTest::mouseMove(f->DesignSurface, grab + QPoint(-30, 5));
    QTest::mouseRelease(f->DesignSurface, Qt::LeftButton, Qt::NoModifier, grab + QPoint(-30, 5));
    moved = QRect(v->Left, v->Top, v->Width, v->Height);
    // The editor was the active window; the designer is again.
    f->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(f));
    f->DesignSurface->setFocus();
    QTest::keyClick(f->DesignSurface, Qt::Key_Z, Qt::ControlModifier);
    v = f->Model().Page()->FindObject(v->Name);
    undone = QRect(v->Left, v->Top, v->Width, v->Height);
    QTest::keyClick(f->DesignSurface, Qt::Key_Y, Qt::ControlModifier);
    redone = QRect(v->Left, v->Top, v->Width, v->Height);
    f->SelectByName(v->Name);
    QCoreApplication::processEvents();
    shot = QCoreApplication::applicationDirPath() + u("/designer_receipt.png");
    f->grab().save(shot);
    QTest::keyClick(f->DesignSurface, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(f->IsModified());
    if (f->IsModified()) ui.answerMessage(mrNo);
    f->button("ExitB")->Click();   // saved: no question
  });
  EXPECT_EQ(report->OpenDesigner(), mrOk);
  RegisteredDesigner() = nullptr;
  EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(" | ").toStdString();
  EXPECT_EQ(caption, u("设计器 - 缴费收据.frf"));
  EXPECT_GE(pagesBefore, 1);
  EXPECT_EQ(inserted.x() % 4, 0);
  EXPECT_EQ(inserted.y() % 4, 0);
  EXPECT_EQ(inserted.size(), QSize(96, 20));
  EXPECT_EQ(moved.topLeft(), inserted.topLeft() + QPoint(-28, 4));
  EXPECT_EQ(undone, inserted);
  EXPECT_EQ(redone, moved);
  EXPECT_TRUE(QFileInfo(shot).isFile());

  // Read again from the file and built over the payment.
  auto* again = new TfrReport(&data.owner);
  again->ShowProgress = false;
  ASSERT_TRUE(again->OpenTemplateFile(path));
  TfrView* kept = nullptr;
  for (auto& p : again->Pages)
    for (auto& o : p->Objects)
      if (o->Memo == QStringList{added}) kept = o.get();
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(QRect(kept->Left, kept->Top, kept->Width, kept->Height), moved);
  ASSERT_TRUE(again->BuildReport());
  ASSERT_GE(again->EMFPages().Count(), 1);
  const QString pdf = work.file("receipt.pdf");
  ReportPrinter().OutputFileName = pdf;
  again->PrintBuiltPages(QString(), 1, 0, true);
  ReportPrinter().OutputFileName.clear();
  const QString text = pdfText(pdf);
  for (const QString& expected : {added, u("张三"), u("水费"), u("壹佰元整"), u("200500017"), u("李收银")})
    EXPECT_TRUE(text.contains(expected.normalized(QString::NormalizationForm_KC)))
        << expected.toStdString() << "\n" << text.toStdString();
  // A picture of the printed receipt beside the designer's.
  QProcess::execute("pdftoppm", {"-png", "-r", "60", "-f", "1", "-l", "1", pdf,
                                 QCoreApplication::applicationDirPath() + u("/designer_receipt_printed")});
  SetUserSettingsFile(QString());
}

}  // namespace
