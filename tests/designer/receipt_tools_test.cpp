// The office changes its receipt with the designer's tools: the amount's display format through
// the inspector and the format dialog, a field dragged from the field list, a group condition
// built in the expression builder; saved, built over a payment and printed, the PDF read back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "designer/FR_BandEd.h"
#include "designer/FR_Desgn.h"
#include "designer/FR_Expr.h"
#include "designer/FR_Flds.h"
#include "designer/FR_Insp.h"
#include "designer/FR_Small.h"
#include "report/FR_Built.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Prntr.h"
#include "report/FR_Report.h"
#include "tests/designer/receipt_data.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace {

using receipttest::pdfText;
using receipttest::ReceiptData;

void shot(QWidget* w, const char* name) {
  QCoreApplication::processEvents();
  w->grab().save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + QString::fromLatin1(name));
}

void clickRow(QListWidget* list, int row) {
  list->scrollToItem(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

void clickText(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  clickRow(list, list->row(found[0]));
}

TfrView* objectShowing(TfrPage* page, const QString& text) {
  for (auto& o : page->Objects)
    if (o->Memo.join("") == text) return o.get();
  return nullptr;
}

TEST(ReceiptToolsTest, FormatFieldAndGroupConditionReachThePrintedReceipt) {
  WorkFolder work;
  const QString path = receipttest::CopyShippedReceipt(work);
  ASSERT_FALSE(path.isEmpty());
  ReceiptData data(work.path(), "12345.6", u("壹万贰仟叁佰肆拾伍元陆角"));
  // The receipt's rows are grouped by the charge item: a group header just above the rows.
  {
    TfrReport prepared(&data.owner);
    ASSERT_TRUE(prepared.LoadFromFile(path));
    auto* group = static_cast<TfrBandView*>(prepared.Pages[0]->Add(CreateViewByType(gtBand)));
    group->Name = "GroupHeader1";
    group->SetBandKind(16);
    group->SetBounds(0, 146, 758, 4);
    group->FormatStr = "[xh]";
    ASSERT_TRUE(prepared.SaveToFile(path));
  }
  auto* report = new TfrReport(&data.owner);
  report->ShowProgress = false;
  ASSERT_TRUE(report->OpenTemplateFile(path));
  LastFieldListSource().clear();
  LastPickerSource().clear();

  ScriptedUi ui;
  RegisterReportDesigner();
  const QString amount = u("[frDS_biao2.\"小写金额\"]");
  const QString dragged = u("[frDS_biao2.\"房屋代码\"]");
  const QString condition = u("[frDBDataSet1.\"收费项目\"]");
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDesignerForm*>(d);
    ASSERT_NE(f, nullptr);
    f->setWindowState(Qt::WindowNoState);
    f->resize(1280, 900);
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    TfrPage* page = f->Model().Page();

    // 1. The amount's display format: inspector row "..." -> format dialog, number "1234,50".
    TfrView* amountView = objectShowing(page, amount);
    ASSERT_NE(amountView, nullptr);
    const QPoint at(amountView->Left + 5, amountView->Top + 5);
    QTest::mouseMove(f->DesignSurface, at);
    QTest::mouseClick(f->DesignSurface, Qt::LeftButton, Qt::NoModifier, at);
    QTest::keyClick(f->DesignSurface, Qt::Key_F11);
    TfrInspForm* insp = f->Inspector;
    const int row = insp->FindRow("DisplayFormat");
    ASSERT_GE(row, 0);
    const QRect cell = insp->Grid->visualRect(insp->Grid->model()->index(row, 1));
    QTest::mouseClick(insp->Grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    ui.onModal([&](QDialog* fd) {
      auto* fmt = qobject_cast<TfrFmtForm*>(fd);
      ASSERT_NE(fmt, nullptr);
      clickRow(fmt->CatLB, 1);
      clickText(fmt->TypeLB, u("1234,50"));
      fmt->DecEdit->setText("2");
      fmt->SplEdit->setText(",");
      shot(fd, "receipt_tools_format.png");
      QTest::mouseClick(fmt->Button1, Qt::LeftButton);
    });
    QTest::mouseClick(insp->EditBtn, Qt::LeftButton);
    EXPECT_EQ((amountView->Format >> 24) & 0x0F, 1u);

    // 2. A field dragged from the field list into the summary, right of the signatures.
    f->action("FieldListItem")->trigger();
    TfrInsFieldsForm* list = f->FieldList;
    ASSERT_TRUE(list && list->isVisible());
    clickText(list->DatasetsLB, "frDS_biao2");
    clickText(list->FieldsLB, u("房屋代码"));
    std::unique_ptr<QMimeData> mime(list->FieldsLB->model()->mimeData(list->FieldsLB->selectionModel()->selectedIndexes()));
    ASSERT_TRUE(mime);
    const QPoint drop(520, 230);
    QDragEnterEvent enter(drop, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f->DesignSurface, &enter);
    QDropEvent dropped(QPointF(drop), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f->DesignSurface, &dropped);
    ASSERT_NE(objectShowing(page, dragged), nullptr);

    // 3. The group condition: Enter on the group header -> group editor -> "..." -> builder,
    //    whose field button picks the charge item.
    TfrView* group = page->FindObject("GroupHeader1");
    ASSERT_NE(group, nullptr);
    f->SelectByName("GroupHeader1");
    ui.onModal([&](QDialog* gd) {
      auto* ge = qobject_cast<TfrGroupEditorForm*>(gd);
      ASSERT_NE(ge, nullptr);
      EXPECT_EQ(ge->Edit1->text(), "[xh]");
      ui.onModal([&](QDialog* bd) {
        auto* x = qobject_cast<TfrExprForm*>(bd);
        ASSERT_NE(x, nullptr);
        x->ExprMemo->selectAll();
        ui.onModal([&](QDialog* pd) {
          auto* picker = qobject_cast<TfrFieldsForm*>(pd);
          ASSERT_NE(picker, nullptr);
          clickText(picker->DatasetsLB, "frDBDataSet1");
          clickText(picker->FieldsLB, u("收费项目"));
          shot(pd, "receipt_tools_field_picker.png");
          QTest::mouseDClick(picker->FieldsLB->viewport(), Qt::LeftButton, {},
                             picker->FieldsLB->visualItemRect(picker->FieldsLB->currentItem()).center());
        });
        QTest::mouseClick(x->InsDBBtn, Qt::LeftButton);
        shot(bd, "receipt_tools_expression.png");
        QTest::mouseClick(x->Button1, Qt::LeftButton);
      });
      QTest::mouseClick(ge->ExprBtn, Qt::LeftButton);
      shot(gd, "receipt_tools_group.png");
      QTest::keyClick(ge->Edit1, Qt::Key_Return);
    });
    f->DesignSurface->setFocus();
    QTest::keyClick(f->DesignSurface, Qt::Key_Return);
    EXPECT_EQ(group->FormatStr, condition);

    // The designer is the active window again (the field list and the inspector float).
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    f->DesignSurface->setFocus();
    shot(f, "receipt_tools_designer.png");
    QTest::keyClick(f->DesignSurface, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(f->IsModified());
    if (f->IsModified()) ui.answerMessage(mrNo);
    f->button("ExitB")->Click();
  });
  EXPECT_EQ(report->OpenDesigner(), mrOk);
  RegisteredDesigner() = nullptr;
  EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(" | ").toStdString();

  // Read again, built and printed.
  auto* again = new TfrReport(&data.owner);
  again->ShowProgress = false;
  ASSERT_TRUE(again->OpenTemplateFile(path));
  TfrPage* page = again->Pages[0].get();
  ASSERT_NE(objectShowing(page, dragged), nullptr);
  EXPECT_EQ(static_cast<TfrBandView*>(page->FindObject("GroupHeader1"))->FormatStr, condition);
  ASSERT_TRUE(again->BuildReport());
  const QString pdf = work.file("receipt_tools.pdf");
  ReportPrinter().OutputFileName = pdf;
  again->PrintBuiltPages(QString(), 1, 0, true);
  ReportPrinter().OutputFileName.clear();
  const QString text = pdfText(pdf);
  EXPECT_TRUE(text.contains(u("12345,60"))) << text.toStdString();
  EXPECT_FALSE(text.contains(u("12345.6"))) << text.toStdString();
  // The dragged house code prints on the signature line, right of the payer's signature.
  QString signatures;
  for (const QString& line : text.split('\n'))
    if (line.contains(u("交款人(签字)"))) signatures = line;
  EXPECT_TRUE(signatures.mid(signatures.indexOf(u("交款人(签字)"))).contains('H')) << text.toStdString();
  for (const QString& expected : {u("张三"), u("水费"), u("壹万贰仟叁佰肆拾伍元陆角"), u("李收银")})
    EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
  QProcess::execute("pdftoppm", {"-png", "-r", "60", "-f", "1", "-l", "1", pdf,
                                 QCoreApplication::applicationDirPath() + u("/receipt_tools_printed")});
  SetUserSettingsFile(QString());
}

}  // namespace
