// The fee workflow end to end, as the clerk runs it through the main window with the mouse
// and the keyboard: a building and two houses, a charge item, the houses' standards, one
// month's bills, a payment of marked bill rows, its receipt printed to PDF, the payment
// reversed in the journal, the arrears table and its export to an XLS file that LibreOffice
// reads back. The database rows and the texts read back are asserted at each step.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan.h"
#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeiguanli_duoyue.h"
#include "billing/shoukuan.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrvFrmEh.h"
#include "grid/PrViewEh.h"
#include "report/FR_Preview.h"
#include "report/FR_Report.h"
#include "report/FR_Prntr.h"
#include "shell/houseinfo.h"
#include "shell/storeyinfo.h"
#include "shell/commandregistry.h"
#include "stats/paymentstats.h"
#include "tests/app/office_fixture.h"

using namespace office;

namespace {

void mouseClick(QWidget* w, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const QPointF global = w->mapToGlobal(QPointF(at));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, modifiers);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, modifiers);
  QApplication::sendEvent(w, &release);
  settle(5);
}
void click(QWidget* w) { mouseClick(w, w->rect().center()); }

// Types `text` into the focused editor `w`, one key at a time.
void type(QWidget* w, const QString& text) {
  w->setFocus();
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &release);
  }
}
// Selects everything in a line editor and types over it.
void retype(QWidget* w, const QString& text) {
  w->setFocus();
  QKeyEvent all(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
  QApplication::sendEvent(w, &all);
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QApplication::sendEvent(w, &del);
  type(w, text);
}

// Clicks the `index`-th shown data row of a grid (0 = the first row under the titles).
void clickGridRow(TCustomDBGridEh* grid, int index, Qt::KeyboardModifiers modifiers) {
  const QRect cell = grid->CellRect(grid->IndicatorOffset(), grid->TopRow() + index);
  ASSERT_FALSE(cell.isEmpty()) << "row " << index << " is not shown";
  mouseClick(grid->viewport(), cell.center(), modifiers);
}

// Marks shown rows with Ctrl+click, as the operator does; returns the number of marked rows.
int markRows(TCustomDBGridEh* grid, std::initializer_list<int> rows) {
  for (int row : rows) clickGridRow(grid, row, Qt::ControlModifier);
  return grid->MarkedRows()->BookmarkCount();
}

// Where Ctrl+click marked nothing, the test goes on with the row marked through the grid, so
// the later steps still run; the failed marking has been reported.
void markCurrentWhenNothingMarked(TCustomDBGridEh* grid) {
  if (grid->MarkedRows()->BookmarkCount() == 0) grid->MarkedRows()->SetCurrentRowMarked(true);
}

// The shown row of the dataset row whose `field` is `value` (the grid's first rows are shown).
int rowOf(TDataSet* data, const QString& field, const QString& value) {
  int i = 0;
  for (data->First(); !data->Eof(); data->Next(), ++i)
    if (data->FieldByName(field)->AsString() == value) return i;
  return -1;
}

QString run(const QString& program, const QStringList& args, int timeoutMs = 120000) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(timeoutMs)) return QString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

class FeeWorkflow : public office::OfficeTest {
 protected:
  QAction* menuItem(const char* item) { return form_->MainMenu1->findChild<QAction*>(QString::fromLatin1(item)); }
  // Opens the window of a menu item and runs `act` on it while it is shown; `act` leaves it
  // open and the window is closed afterwards as the operator closes it.
  template <class W>
  void inWindow(ScriptedUi& ui, const char* item, std::function<void(W*)> act) {
    bool seen = false;
    ui.onModal([&](QDialog* d) {
      seen = true;
      settle(20);
      auto* w = qobject_cast<W*>(d);
      if (!w) {
        ADD_FAILURE() << item << " opened " << d->metaObject()->className();
      } else {
        act(w);
      }
      if (d->isVisible()) d->close();
    });
    menuItem(item)->trigger();
    settle(10);
    EXPECT_TRUE(seen) << item << " opened no window";
  }
};

}  // namespace

TEST_F(FeeWorkflow, FromBuildingsToTheExportedArrearsTable) {
  ScriptedUi ui;
  startProgram(ui);
  const QString bill = u("收费明细表");

  // 1. 楼宇资料设置: a building of the estate.
  inWindow<TForm_storeyinfo>(ui, "N54", [&](TForm_storeyinfo* w) {
    click(w->bitbtn_add);
    type(w->DBEdit2, u("A"));
    type(w->DBEdit3, u("一栋"));
    click(w->bitbtn_save);
    EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  });
  ASSERT_EQ(stored(u("select 楼宇名称 from 楼宇资料 where 楼宇代码='A'")), u("一栋"));

  // 2. 业主房屋资料设置: two houses with owners and areas of four decimals.
  inWindow<TForm_houseinfo_input>(ui, "N13", [&](TForm_houseinfo_input* w) {
    const struct {
      const char* code;
      const char* owner;
      const char* area;
    } houses[] = {{"A101", "张伟", "88.1255"}, {"A102", "王芳", "120"}};
    for (const auto& h : houses) {
      click(w->bitbtn_add);
      type(w->DBEdit2, u(h.code));
      type(w->DBEdit4, u(h.owner));
      type(w->DBNumberEditEh1, u(h.area));
      click(w->bitbtn_save);
      EXPECT_EQ(ui.lastMessage().text, u("保存完毕！")) << h.code;
    }
  });
  ASSERT_EQ(count(u("select count(*) from 房屋资料 where 楼宇代码='A'")), 2);
  EXPECT_EQ(stored(u("select 房屋面积 from 房屋资料 where 房屋代码='A101'")), u("88.1255"));

  // 3. 收费项目设置: a management fee charged on the floor area.
  inWindow<TForm_iteminfo>(ui, "N12", [&](TForm_iteminfo* w) {
    click(w->bitbtn_add);
    type(w->DBEdit1, u("物业管理费"));
    type(w->DBEdit2, u("1.5"));
    w->DBComboBoxEh2->SetText(u("单价*面积"));
    w->DBComboBoxEh1->SetText(u("房屋面积"));
    ui.answerMessage(mrYes);  // "记录保存后收费名称不能再修改，确实要保存记录吗？"
    click(w->bitbtn_save);
    EXPECT_EQ(ui.lastMessage().text, u("保存完毕！!")) << ui.messageTexts().join(u(" | ")).toStdString();
  });
  ASSERT_EQ(stored(u("select 计算公式 from 收费项目 where 收费名称='物业管理费'")), u("单价*面积"));

  // 4. 设置业主收费项目及标准: both houses marked with Ctrl+click, the item assigned.
  inWindow<TForm_houseitem>(ui, "N11", [&](TForm_houseitem* w) {
    click(w->bitbtn_seek);
    ASSERT_EQ(w->q_houseinfo->RecordCount(), 2);
    // Ctrl+click on the first house, Shift+click on the second marks both.
    clickGridRow(w->DBGridEh1, 0, Qt::ControlModifier);
    clickGridRow(w->DBGridEh1, 1, Qt::ShiftModifier);
    EXPECT_EQ(w->DBGridEh1->MarkedRows()->BookmarkCount(), 2) << "Ctrl+click and Shift+click mark no range";
    w->ComboBox1->setCurrentText(u("物业管理费"));
    click(w->bitbtn_additem);
    EXPECT_EQ(ui.lastMessage().text, u("增加完毕！"));
  });
  EXPECT_EQ(count(u("select count(*) from 房屋收费项目 where 收费名称='物业管理费'")), 2)
      << ui.messageTexts().join(u(" | ")).toStdString();

  // 5. 业主应缴费用管理: this month's bills of both houses.
  const QDate month(QDate::currentDate().year(), QDate::currentDate().month(), 1);
  inWindow<TForm_jiaofeidan_duoyue>(ui, "N22", [&](TForm_jiaofeidan_duoyue* w) {
    type(w->Edit1, u("A"));
    click(w->bitbtn_seek);
    ASSERT_EQ(w->q_houseinfo->RecordCount(), 2);
    EXPECT_EQ(markRows(w->DBGridEh1, {0, 1}), 2) << "Ctrl+click marks no house";
    w->DateTimePicker1->setDate(month);
    w->DateTimePicker2->setDate(month);
    w->ComboBox1->setCurrentText(u("物业管理费"));
    click(w->bitbtn_additem);
    EXPECT_EQ(ui.lastMessage().text, u("增加完毕！"));
  });
  ASSERT_EQ(count(u("select count(*) from 收费明细表 where 缴费状态='未缴费'")), 2)
      << ui.messageTexts().join(u(" | ")).toStdString();
  // 1.5 × 88.1255 = 132.18825, kept to four decimals with the half going to the even digit.
  EXPECT_EQ(stored(u("select 收费金额 from 收费明细表 where 房屋代码='A101'")), u("132.1882"));

  // 6. 业主缴费管理: A101's bill marked with Ctrl+click and paid in cash.
  inWindow<TForm_jiaofeiguanli_duoyue>(ui, "N76", [&](TForm_jiaofeiguanli_duoyue* w) {
    type(w->Edit1, u("A101"));
    click(w->SpeedButton1);
    ASSERT_EQ(w->q_jiaofeidan->RecordCount(), 1);
    EXPECT_EQ(markRows(w->DBGridEh1, {0}), 1) << "Ctrl+click marks no bill row";
    markCurrentWhenNothingMarked(w->DBGridEh1);
    ui.onWindow<TForm_jiaofeiguanli_duoyue_edit>([&](TForm_jiaofeiguanli_duoyue_edit* pay) {
      pay->CheckBox1->setChecked(false);
      pay->DBComboBoxEh1->SetText(u("现金"));
      retype(pay->DBEdit1, u("132.1882"));
      retype(pay->DBEdit2, u("NO.1"));
      ui.answerMessage(mrYes);
      click(pay->BitBtn1);
      if (pay->isVisible()) click(pay->BitBtn2);
    });
    click(w->bitbtn_add);
    EXPECT_EQ(ui.lastMessage().text, u("保存完毕！"));
  });
  ASSERT_EQ(count(u("select count(*) from 收费汇总表 where 房屋代码='A101'")), 1)
      << ui.messageTexts().join(u(" | ")).toStdString();
  EXPECT_EQ(stored(u("select 实收金额 from 收费汇总表 where 房屋代码='A101'")), u("132.1882"));
  EXPECT_EQ(stored(u("select 缴费状态 from 收费明细表 where 房屋代码='A101'")), u("现金"));
  EXPECT_EQ(stored(u("select 缴费状态 from 收费明细表 where 房屋代码='A102'")), u("未缴费"));

  // 7. The receipt of the payment, printed to a PDF from the bill window's 打印实收收据: in the
  // receipt window the payment is marked with Ctrl+click, 打印收据 shows the preview, its
  // print button prints it through the print dialog into the PDF file.
  {
    QTemporaryDir out;
    const QString pdf = out.filePath(u("receipt.pdf"));
    ReportPrinter().OutputFileName = pdf;
    const QString templ = ProgramTemplatePath(u("缴费收据.frf"));
    QFile::remove(templ);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(ESTATE_SOURCE_DIR "/templates/缴费收据.frf"), templ));
    auto printReceipt = [&](QDialog* r) {
      QToolButton* print = nullptr;
      for (QToolButton* b : r->findChildren<QToolButton*>())
        if (b->text() == u("打印收据")) print = b;
      auto* grid = r->findChild<TCustomDBGridEh*>(u("DBGridEh1"));
      if (print && grid) {
        EXPECT_EQ(markRows(grid, {0}), 1) << "Ctrl+click marks no payment in the receipt window";
        markCurrentWhenNothingMarked(grid);
        // The report engine shows its progress window while it builds, then the preview.
        // Printing from the preview shows the progress window again.
        auto progressEnds = [](QDialog* d) {
          for (int i = 0; i < 500 && d->isVisible(); ++i) settle(10);
        };
        std::function<void(QDialog*)> previewOrProgress = [&](QDialog* d) {
          if (qobject_cast<TfrProgressForm*>(d)) {
            ui.onModal(previewOrProgress);
            progressEnds(d);
            return;
          }
          auto* preview = qobject_cast<TfrPreviewForm*>(d);
          if (preview) {
            ui.answerPrint();
            ui.onModal(progressEnds);
            click(preview->PrintBtn);
          } else {
            ADD_FAILURE() << "打印收据 opened " << d->metaObject()->className() << ", not the preview";
          }
          d->close();
        };
        ui.onModal(previewOrProgress);
        click(print);
      } else {
        ADD_FAILURE() << "the receipt window has no 打印收据 or no list";
      }
      r->close();
    };
    inWindow<TForm_jiaofeidan_duoyue>(ui, "N22", [&](TForm_jiaofeidan_duoyue* w) {
      type(w->Edit1, u("A101"));
      click(w->bitbtn_seek);
      QToolButton* receipt = nullptr;
      for (QToolButton* b : w->findChildren<QToolButton*>())
        if (b->text() == u("打印实收收据")) receipt = b;
      ui.onModal(printReceipt);
      if (receipt) {
        click(receipt);
      } else {
        ADD_FAILURE() << "the bill window has no 打印实收收据; the receipt window is opened for the house directly";
        RunWindowHook(u("receiptForHouse"), w, stored(u("select 小区代码 from 房屋资料 where 房屋代码='A101'")),
                      u("A101"), QString());
      }
    });
    QFile::remove(templ);
    const QString text = run(u("pdftotext"), {u("-layout"), pdf, u("-")});
    run(u("pdftoppm"), {u("-png"), u("-r"), u("80"), u("-f"), u("1"), u("-l"), u("1"), pdf, shotPath(u("workflow_receipt"))});
    // The first receipt of the year, the amount as printed (rounded to 分) and its capitals.
    const QString number = QString::number(QDate::currentDate().year()) + u("00001");
    for (const QString& shown : {u("缴费收据"), number, u("张伟"), u("物业管理费"), u("88.1255"), u("132.19"),
                                 u("壹佰叁拾贰元壹角玖分")})
      EXPECT_TRUE(text.contains(shown)) << shown.toStdString() << " not in the receipt PDF: " << text.toStdString();
    EXPECT_EQ(count(u("select count(*) from 收费汇总表 where 打印=1")), 1);
  }

  // 8. 实收金额明细表: the payment marked with Ctrl+click and reversed.
  inWindow<TForm_shoufeimingxibiao>(ui, "N53", [&](TForm_shoufeimingxibiao* w) {
    const int row = rowOf(w->q_sfhzb, u("房屋代码"), u("A101"));
    ASSERT_GE(row, 0) << "the journal does not list the payment";
    EXPECT_EQ(markRows(w->DBGridEh1, {row}), 1) << "Ctrl+click marks no payment";
    markCurrentWhenNothingMarked(w->DBGridEh1);
    ui.answerMessage(mrYes);
    auto* remove = w->findChild<QToolButton*>(u("bitbtn_delete"));
    ASSERT_NE(remove, nullptr);
    click(remove);
  });
  EXPECT_EQ(count(u("select count(*) from 收费汇总表")), 0) << ui.messageTexts().join(u(" | ")).toStdString();
  EXPECT_EQ(count(u("select count(*) from 收费明细表 where 缴费状态='未缴费'")), 2);

  // 9. 业主欠费总表: both houses owe this month; exported as XLS and read back by LibreOffice.
  QTemporaryDir out;
  const QString xls = out.filePath(u("arrears.xls"));
  inWindow<TForm_statistics_arrear>(ui, "N40", [&](TForm_statistics_arrear* w) {
    click(w->SpeedButton1);
    ASSERT_GE(w->DBGridEh1->DataSource()->DataSet()->RecordCount(), 2) << ui.messageTexts().join(u(" | ")).toStdString();
    Dm1->SaveDialog1->FilterIndex = 5;  // the operator chooses the XLS filter
    ui.answerSaveFile(xls);
    click(w->bitbtn_out);
  });
  ASSERT_TRUE(QFile::exists(xls));
  ASSERT_FALSE(QStandardPaths::findExecutable(u("soffice")).isEmpty()) << "LibreOffice is not installed";
  // Comma-separated, double quotes, UTF-8 (filter token 76), whatever the machine's locale.
  run(u("soffice"), {u("--headless"), u("--convert-to"), u("csv:Text - txt - csv (StarCalc):44,34,76"), u("--outdir"),
                     out.path(), xls});
  QFile csv(out.filePath(u("arrears.csv")));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << "LibreOffice did not convert the export";
  const QString table = QString::fromUtf8(csv.readAll());
  for (const char* shown : {"A101", "A102", "张伟", "王芳", "132.1882", "312.1882"})
    EXPECT_TRUE(table.contains(u(shown))) << shown << " not in " << table.toStdString();
}

// 楼宇资料设置's 打印, reached from the main menu, previews the building list; printed to a file
// from the preview it gives A4 portrait pages holding the list's rows and its page texts.
TEST_F(FeeWorkflow, AListWindowPrintsItsRowsOnA4PortraitPages) {
  ScriptedUi ui;
  fillOffice();
  startProgram(ui);
  QTemporaryDir out;
  const QString pdf = out.filePath(u("楼宇清单.pdf"));
  inWindow<TForm_storeyinfo>(ui, "N54", [&](TForm_storeyinfo* w) {
    ASSERT_GT(w->DBGridEh1->DataSet()->RecordCount(), 0);
    click(w->bitbtn_print);
    TPreviewFormEh* preview = SharedPreviewForm();
    ASSERT_TRUE(preview->isVisible()) << "打印 showed no preview";
    ASSERT_TRUE(preview->tbtPrint->isEnabled());
    ui.answerPrint([&](PrintDialogRequest& r) {
      EXPECT_EQ(r.pageSize.id(), QPageSize::A4);
      EXPECT_FALSE(r.landscape);
      r.printToFile = true;
      r.outputFileName = pdf;
    });
    preview->tbtPrint->click();
    settle(10);
    preview->hide();
  });
  EXPECT_EQ(ui.pendingAnswers(), 0);
  ASSERT_TRUE(QFileInfo::exists(pdf)) << "no PDF written";
  const QString info = run(u("pdfinfo"), {u("-f"), u("1"), u("-l"), u("99"), pdf});
  static const QRegularExpression size(u("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"));
  int pages = 0;
  for (auto it = size.globalMatch(info); it.hasNext(); ++pages) {
    const auto m = it.next();
    EXPECT_EQ(qRound(m.captured(1).toDouble()), 595) << info.toStdString();
    EXPECT_EQ(qRound(m.captured(2).toDouble()), 842) << info.toStdString();
  }
  EXPECT_GT(pages, 0) << info.toStdString();
  const QString text = run(u("pdftotext"), {u("-layout"), pdf, u("-")});
  EXPECT_TRUE(text.contains(u("打印清单"))) << text.toStdString();
  EXPECT_TRUE(text.contains(u("第1页"))) << text.toStdString();
  const QString building = stored(u("select 楼宇名称 from 楼宇资料 order by 楼宇代码 limit 1"));
  ASSERT_FALSE(building.isEmpty());
  EXPECT_TRUE(text.contains(building)) << text.toStdString();
  EXPECT_TRUE(text.contains(u("制表:"))) << text.toStdString();
  run(u("pdftoppm"), {u("-png"), u("-r"), u("60"), u("-f"), u("1"), u("-l"), u("1"), pdf, shotPath(u("list_print_a4"))});
}
