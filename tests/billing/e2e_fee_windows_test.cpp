// The fee windows as a cashier meets them: the program starts, the administrator logs in and
// opens each window through the main window's menu; rows are marked with Ctrl+clicks, texts
// typed key by key, buttons clicked with the mouse, and what is printed is read back from the
// PDF with pdftotext. Each window's screenshot goes into the build folder.
#include "tests/billing/fee_windows.h"

namespace {

// 业主应缴费用管理: find the house, generate three months, pay two of them through the payment
// dialog, print the receipt from 打印实收收据 and read it back.
TEST_F(FeeWindowsTest, BillWindowGeneratesPaysAndPrintsTheReceipt) {
  const QString pdf = outputFolder() + u8("/bill_window_receipt.pdf");
  QFile::remove(pdf);
  menuWindow<TForm_jiaofeidan_duoyue>("N22", [&](TForm_jiaofeidan_duoyue* w) {
    EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
    typeInto(w->Edit1, u8("H1"));
    click(w->bitbtn_seek);
    ASSERT_EQ(w->q_houseinfo->RecordCount(), 1);
    ctrlClickRow(w->DBGridEh1, 0, 1);
    w->DateTimePicker1->setDate(QDate(2005, 1, 1));
    w->DateTimePicker2->setDate(QDate(2005, 3, 1));
    w->ComboBox1->setCurrentText(u8("物业费"));
    click(w->bitbtn_additem);
    EXPECT_EQ(ui->lastMessage().text, u8("增加完毕！"));
    ASSERT_EQ(w->t_jiaofeidan->RecordCount(), 3);
    screenshot(w, "bill_window");

    // Newest first: 2005/3, 2005/2, 2005/1. The cashier marks March and February.
    ctrlClickRow(w->DBGridEh2, 0);
    ctrlClickRow(w->DBGridEh2, 1);
    ASSERT_EQ(w->DBGridEh2->MarkedRows()->BookmarkCount(), 2);
    ui->onWindow<TForm_jiaofeidan_jiaofei>([&](TForm_jiaofeidan_jiaofei* dialog) {
      screenshot(dialog, "payment_dialog");
      dialog->DBComboBoxEh1->setFocus();
      typeInto(dialog->DBComboBoxEh1, u8("现金"));
      typeInto(dialog->DBEdit1, u8("200"));
      typeInto(dialog->DBEdit2, u8("NO.9"));
      ui->answerMessage(mrYes);
      click(dialog->BitBtn1);
    });
    click(w->bitbtn_jiaofei);
    EXPECT_EQ(ui->lastMessage().text, u8("保存完毕！"));

    // 打印实收收据: the house's unprinted payment, marked and printed.
    ui->onModal([&](QDialog* r) {
      auto* receipts = qobject_cast<TForm_jiaofeidan_shouju*>(r);
      ASSERT_NE(receipts, nullptr);
      r->resize(1200, 700);
      receipts->frReport1->ShowProgress = false;
      ASSERT_EQ(receipts->q_sfhzb->RecordCount(), 1);
      ctrlClickRow(receipts->DBGridEh1, 0, 1);
      screenshot(r, "receipt_window");
      AnswerPreview(*ui, pdf);
      click(receipts->bitbtn_shouju);
      click(receipts->bitbtn_return);
    });
    click(w->bitbtn_shouju);
  });
  EXPECT_EQ(stored(u8("select group_concat(月份 || 缴费状态, ',') from (select * from 收费明细表 where 房屋代码='H1' "
                      "order by 月份)")),
            u8("1未缴费,2现金,3现金"));
  EXPECT_EQ(stored(u8("select 收费年月 || '/' || 实收金额 || '/' || 打印 || '/' || 收据号码 from 收费汇总表")),
            u8("2005年3月;2005年2月;/200/1/") + QString::number(QDate::currentDate().year()) + u8("00001"));
  const QString text = PdfText(pdf);
  for (const char* shown : {"张三", "物业费", "2005年2月-2005年3月", "贰佰元整", "200"})
    EXPECT_TRUE(text.contains(u8(shown))) << shown << "\n" << text.toStdString();
}

// 实收金额明细表: today's payments; Ctrl+click marks two of them, 删除 reverses both; the
// pre-printed receipt of the remaining one is printed to PDF.
TEST_F(FeeWindowsTest, JournalReversesMarkedPaymentsAndPrintsThePrePrintedReceipt) {
  billMonths({billHouse("H1"), billHouse("H2", "李四")}, 2005, 1, 2005, 1);
  // Three payments of today, each of one house's January.
  for (const char* house : {"H1", "H2"}) {
    exec(u8("insert into 收费汇总表 (小区代码, 收费项目, 收费年月, 收费金额, 实收金额, 现金, 上次零头, 零头, 缴费时间, 缴费方式, 房屋代码, 业主名称, 楼宇名称) "
            "values ('0001', '物业费', '2005年1月;', ccur(100), ccur(100), ccur(100), ccur(0), ccur(0), ") +
         SqlQuote::Date(Now()) + u8(", '现金', ") + SqlQuote::Text(u8(house)) + u8(", '业主', 'A栋')"));
    exec(u8("update 收费明细表 set 缴费状态='现金' where 房屋代码=") + SqlQuote::Text(u8(house)));
  }
  exec(u8("update 房屋资料 set 房屋面积=85.5 where 房屋代码='H1'"));
  const QString pdf = outputFolder() + u8("/journal_preprinted.pdf");
  QFile::remove(pdf);
  menuWindow<TForm_shoufeimingxibiao>("N53", [&](TForm_shoufeimingxibiao* w) {
    w->frReport1->ShowProgress = false;
    ASSERT_EQ(w->q_sfhzb->RecordCount(), 2);
    screenshot(w, "journal");
    // Reverse the second payment (H2): marked with Ctrl+click.
    ctrlClickRow(w->DBGridEh1, 1, 1);
    ui->answerMessage(mrYes);
    click(w->bitbtn_delete);
    EXPECT_EQ(w->q_sfhzb->RecordCount(), 1);
    // The pre-printed receipt of H1's payment.
    ctrlClickRow(w->DBGridEh1, 0, 1);
    AnswerPreview(*ui, pdf);
    click(w->SpeedButton1);
  });
  EXPECT_EQ(stored(u8("select 缴费状态 from 收费明细表 where 房屋代码='H2'")), u8("未缴费"));
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where 房屋代码='H1' and 打印=1")), 1);
  const QString text = PdfText(pdf);
  for (const char* shown : {"业主", "物业费(2005年1月)", "85.5", "壹"})
    EXPECT_TRUE(text.contains(u8(shown))) << shown << "\n" << text.toStdString();
}

// 业主快速缴费管理: the unpaid rows of both houses; Ctrl+click marks H1's and H2's January and
// the pop-up command 选中记录缴费 pays them, one payment per house.
TEST_F(FeeWindowsTest, FastPaymentPaysMarkedRowsFromThePopupMenu) {
  billMonths({billHouse("H1"), billHouse("H2", "李四")}, 2005, 1, 2005, 2);
  menuWindow<TForm_jiaofeiguanli_fast>("N108", [&](TForm_jiaofeiguanli_fast* w) {
    ASSERT_EQ(w->q_jiaofeidan->RecordCount(), 4);
    typeInto(w->DBComboBoxEh1, u8("银行转帐"));
    // Rows by house, item, month: H1/1, H1/2, H2/1, H2/2.
    ctrlClickRow(w->DBGridEh1, 0);
    ctrlClickRow(w->DBGridEh1, 2);
    ASSERT_EQ(w->DBGridEh1->MarkedRows()->BookmarkCount(), 2);
    screenshot(w, "fast_payment");
    ui->answerMessage(mrYes);
    QAction* pay = w->PopupMenu1->findChild<QAction*>(u8("N3"));
    ASSERT_NE(pay, nullptr);
    pay->trigger();
    EXPECT_EQ(ui->lastMessage().text, u8("缴费完毕！"));
  });
  EXPECT_EQ(stored(u8("select group_concat(房屋代码 || ':' || 收费年月 || ':' || 缴费方式, ',') from 收费汇总表")),
            u8("H1:2005年1月;:银行转帐,H2:2005年1月;:银行转帐"));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态='银行转帐'")), 2);
}


// 业主多月缴费管理: the unpaid rows of both houses, oldest first; H1's two months marked with
// Ctrl+clicks and paid through the 缴费 dialog with the amount typed in.
TEST_F(FeeWindowsTest, MultiMonthWindowPaysMarkedMonths) {
  billH1(1, 2);
  menuWindow<TForm_jiaofeiguanli_duoyue>("N76", [&](TForm_jiaofeiguanli_duoyue* w) {
    ASSERT_EQ(w->q_jiaofeidan->RecordCount(), 2);
    ctrlClickRow(w->DBGridEh1, 0);
    ctrlClickRow(w->DBGridEh1, 1);
    ASSERT_EQ(w->DBGridEh1->MarkedRows()->BookmarkCount(), 2);
    screenshot(w, "multi_month");
    ui->onWindow<TForm_jiaofeiguanli_duoyue_edit>([&](TForm_jiaofeiguanli_duoyue_edit* dialog) {
      screenshot(dialog, "multi_month_dialog");
      typeInto(dialog->DBComboBoxEh1, u8("银行转帐"));
      typeInto(dialog->DBEdit1, u8("200"));
      ui->answerMessage(mrYes);
      click(dialog->BitBtn1);
    });
    click(w->bitbtn_add);
    EXPECT_EQ(ui->lastMessage().text, u8("保存完毕！"));
  });
  EXPECT_EQ(stored(u8("select 收费年月 || '/' || 实收金额 || '/' || 缴费方式 from 收费汇总表")),
            u8("2005年1月;2005年2月;/200/银行转帐"));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态='银行转帐'")), 2);
}

// 业主单月缴费管理: the month's houses; 按单缴费 of H1 with the amount typed into the dialog.
TEST_F(FeeWindowsTest, SingleMonthWindowPaysTheHousesMonth) {
  billH1(3, 3);
  menuWindow<TForm_jiaofeiguanli>("N38", [&](TForm_jiaofeiguanli* w) {
    w->DateTimePicker1->setDate(QDate(2005, 3, 1));
    ASSERT_EQ(w->q_houseinfo->RecordCount(), 1);
    clickRow(w->DBGridEh1, 0);
    screenshot(w, "single_month_payment");
    ui->onWindow<TForm_jiaofeiguanli_edit>([&](TForm_jiaofeiguanli_edit* dialog) {
      screenshot(dialog, "single_month_dialog");
      typeInto(dialog->DBComboBoxEh1, u8("现金"));
      typeInto(dialog->DBNumberEditEh2, u8("100"));
      typeInto(dialog->DBEdit3, u8("ZHANG"));
      typeInto(dialog->DBEdit4, u8("CASHIER"));
      dialog->DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2005, 3, 9)));
      ui->answerMessage(mrYes);
      click(dialog->SpeedButton1);
    });
    click(w->bitbtn_add);
    EXPECT_EQ(w->q_houseinfo->RecordCount(), 0);
  });
  EXPECT_EQ(stored(u8("select 收费项目 || '/' || 实收金额 || '/' || 缴费人 from 收费汇总表")), u8("按单缴费/100/ZHANG"));
  EXPECT_EQ(stored(u8("select 缴费状态 from 收费明细表")), u8("现金"));
}

// 业主押金管理: a receipt of 500 typed in and saved; the house's deposit follows.
TEST_F(FeeWindowsTest, DepositLedgerTakesAReceipt) {
  menuWindow<TForm_yajin>("N43", [&](TForm_yajin* w) {
    click(w->bitbtn_add);
    typeInto(w->DBComboBoxEh4, u8("H1"));
    typeInto(w->DBComboBoxEh1, u8("收取"));
    typeInto(w->DBEdit4, u8("500"));
    typeInto(w->DBEdit2, u8("Y-1"));
    w->DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2005, 3, 1)));
    screenshot(w, "deposit_ledger");
    click(w->bitbtn_save);
    EXPECT_EQ(ui->lastMessage().text, u8("保存完毕！"));
  });
  EXPECT_EQ(storedMoney(u8("select 押金 from 房屋资料 where 房屋代码='H1'")), money("500"));
  EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money("500"));
}

// 前台: the house found by its code shows its bills and totals.
TEST_F(FeeWindowsTest, FrontDeskShowsTheHousesTotals) {
  billH1(1, 2);
  menuWindow<TForm_frontdesk>("N58", [&](TForm_frontdesk* w) {
    typeInto(w->Edit1, u8("H1"));
    click(w->SpeedButton1);
    ASSERT_EQ(w->q_houseinfo->RecordCount(), 1);
    screenshot(w, "front_desk");
    EXPECT_EQ(w->Label1->text() + w->Label3->text(), u8("应缴费用：200欠缴费用：200"));
  });
}

// 业主花名册: the houses with their owners; 明细 of the current house opens its detail.
TEST_F(FeeWindowsTest, RosterListsTheHousesAndOpensTheDetail) {
  menuWindow<TForm_housecharge>("N56", [&](TForm_housecharge* w) {
    ASSERT_GE(w->q_houseinfo->RecordCount(), 2);
    clickRow(w->DBGridEh1, 1);
    EXPECT_EQ(w->q_houseinfo->FieldByName(u8("业主名称"))->AsString(), u8("李四"));
    screenshot(w, "roster");
    QString shown;
    ui->onModal([&](QDialog* detail) {
      shown = detail->windowTitle();
      detail->reject();
    });
    click(w->bitbtn_detail);
    EXPECT_EQ(shown, u8("业主资料"));
  });
}

// 业主应缴费用管理: 快速缴费 of two marked months with the voucher typed into the group, then
// the payment notice 打印收费单 printed to PDF.
TEST_F(FeeWindowsTest, BillWindowQuickPaysAndPrintsTheNotice) {
  billH1(1, 3);
  const QString pdf = outputFolder() + u8("/bill_window_notice.pdf");
  QFile::remove(pdf);
  menuWindow<TForm_jiaofeidan_duoyue>("N22", [&](TForm_jiaofeidan_duoyue* w) {
    w->frReport1->ShowProgress = false;
    typeInto(w->Edit1, u8("H1"));
    click(w->bitbtn_seek);
    ASSERT_EQ(w->t_jiaofeidan->RecordCount(), 3);
    ctrlClickRow(w->DBGridEh2, 1);
    ctrlClickRow(w->DBGridEh2, 2);
    typeInto(w->Edit2, u8("BANK-1"));
    typeInto(w->DBComboBoxEh1, u8("银行转帐"));
    ui->answerMessage(mrYes);
    click(w->bitbtn_fast);
    EXPECT_EQ(ui->lastMessage().text, u8("缴费完毕！"));
    EXPECT_EQ(w->windowTitle(), u8("2005年2月;2005年1月;"));
    // The notice of every row of the house (nothing marked any more).
    w->DBGridEh2->MarkedRows()->ClearList();
    AnswerPreview(*ui, pdf);
    click(w->bitbtn_print);
  });
  EXPECT_EQ(stored(u8("select 收费年月 || '/' || 实收金额 || '/' || 单据号码 from 收费汇总表")),
            u8("2005年2月;2005年1月;/200/BANK-1"));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 单据号码='BANK-1' and 缴费状态='银行转帐'")), 2);
  const QString text = PdfText(pdf);
  for (const char* shown : {"物业费", "张三", "叁佰元整"})
    EXPECT_TRUE(text.contains(u8(shown))) << shown << "\n" << text.toStdString();
}

// 设置业主收费项目及标准: the formula page follows the current standard and a page chosen by
// hand snaps back; 保存 keeps a meter standard's basis at 0.
TEST_F(FeeWindowsTest, StandardsWindowShowsTheFormulaPageOfTheStandard) {
  addItem(u8("电费"), ChargeFormula::Meter, "0.6");
  AssignChargeItems(db(), {{u8("0001"), u8("H1")}}, kAllChargeItems, CurrentOperatorName);
  menuWindow<TForm_houseitem>("N11", [&](TForm_houseitem* w) {
    typeInto(w->Edit1, u8("H1"));
    click(w->bitbtn_seek);
    ASSERT_EQ(w->t_houseitem->RecordCount(), 2);
    for (w->t_houseitem->First(); !w->t_houseitem->Eof(); w->t_houseitem->Next()) {
      const QString formula = w->t_houseitem->FieldByName(u8("计算公式"))->AsString();
      EXPECT_EQ(w->PageControl1->tabText(w->PageControl1->currentIndex()), formula);
      w->PageControl1->setCurrentIndex((w->PageControl1->currentIndex() + 1) % 5);
      EXPECT_EQ(w->PageControl1->tabText(w->PageControl1->currentIndex()), formula);
      if (formula == ChargeFormula::Meter) break;
    }
    screenshot(w, "standards");
    click(w->SpeedButton_save);
    EXPECT_EQ(ui->lastMessage().text, u8("存盘完毕！"));
  });
  EXPECT_EQ(storedMoney(u8("select 预付金额 from 房屋收费项目 where 收费名称='电费'")), money("0"));
}

// 业主快速缴费管理: the panel search lists a house's rows, 编辑 opens the editor on the meter
// page; 向后记录 moves on after each save.
TEST_F(FeeWindowsTest, FastPaymentEditorNavigatesAndSaves) {
  addItem(u8("电费"), ChargeFormula::Meter, "0.5");
  AssignChargeItems(db(), {{u8("0001"), u8("H1")}}, kAllChargeItems, CurrentOperatorName);
  billMonths({billHouse("H1")}, 2005, 1, 2005, 2, u8("电费"));
  menuWindow<TForm_jiaofeiguanli_fast>("N108", [&](TForm_jiaofeiguanli_fast* w) {
    typeInto(w->Edit1, u8("H1"));
    w->DBComboBoxEh2->setCurrentText(u8("电费"));
    click(w->SpeedButton1);
    ASSERT_EQ(w->q_jiaofeidan->RecordCount(), 2);
    clickRow(w->DBGridEh1, 0);
    ui->onWindow<TForm_jiaofeidan_duoyue_edit>([&](TForm_jiaofeidan_duoyue_edit* editor) {
      EXPECT_EQ(editor->PageControl1->tabText(editor->PageControl1->currentIndex()), ChargeFormula::Meter);
      EXPECT_TRUE(editor->BitBtn_next->isVisible());
      EXPECT_FALSE(editor->BitBtn_first->isEnabled());
      screenshot(editor, "bill_row_editor");
      editor->CheckBox2->setChecked(true);
      typeInto(editor->DBEdit_this, u8("120"));
      click(editor->BitBtn_save);
      EXPECT_EQ(ui->lastMessage().text, u8("存盘完毕！"));
      EXPECT_EQ(w->q_jiaofeidan->FieldByName(u8("月份"))->AsString(), u8("2"));
      typeInto(editor->DBEdit_this, u8("150"));
      click(editor->BitBtn_save);
      click(editor->BitBtn_back);
    });
    click(w->bitbtn_edit);
  });
  EXPECT_EQ(stored(u8("select group_concat(月份 || ':' || 上月表数 || '-' || 本月表数 || '=' || 收费金额, ',') from "
                      "(select * from 收费明细表 where 收费名称='电费' order by 月份)")),
            u8("1:0.0-120.0=60,2:120.0-150.0=15"));
}

}  // namespace
