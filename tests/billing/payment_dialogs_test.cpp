// The amount boxes and the Enter keys of the payment dialogs, worked as a cashier works them:
// each window opened through the main window's menu, amounts typed key by key, Enter pressed in
// the boxes, 确定 clicked with the mouse; the rows written are read back from the database.
#include "tests/billing/fee_windows.h"

namespace {

// The editor that holds the focus in the window of `w` (also while the window is not active).
QWidget* focused(QWidget* w) { return w->window()->focusWidget(); }

// The screen row of the multi-month list that holds `month` of 2005.
int rowOfMonth(TForm_jiaofeiguanli_duoyue* w, int month) {
  TADOQuery* q = w->q_jiaofeidan;
  int row = 0;
  for (q->First(); !q->Eof(); q->Next(), ++row)
    if (q->FieldByName(u8("月份"))->AsString() == QString::number(month)) return row;
  ADD_FAILURE() << "no row of month " << month;
  return 0;
}

// 业主多月缴费管理: one month paid per case with the amounts typed into 现金 and 其它金额. The
// boxes take money only: letters and a minus sign are dropped, a fourth decimal is kept and a
// fifth refused; the amount received is the sum of both boxes. Enter in 现金 goes on to 本次余额,
// Enter in 缴费人 does not post, and typed payers are kept in capitals.
TEST_F(FeeWindowsTest, MultiMonthDialogTakesOnlyMoneyInItsAmountBoxes) {
  billH1(1, 6);
  const struct {
    int month;
    const char* cash;   // keys typed into 现金
    const char* other;  // keys typed into 其它金额
    const char* stored;  // 现金/其它金额/实收金额/缴费人 of the payment row
  } cases[] = {
      {1, "100", "", "100//100/LI SI"},
      {2, "1a0b0", "", "100//100/LI SI"},           // letters are dropped
      {3, "-99.5", "", "99.5//99.5/LI SI"},                // no negative amount
      {4, "99.0686", "", "99.0686//99.0686/LI SI"}, // a fourth decimal is money
      {5, "99.06861", "", "99.0686//99.0686/LI SI"}, // a fifth is refused
      {6, "60", "4o0", "60/40/100/LI SI"},                 // received = cash + other
  };
  menuWindow<TForm_jiaofeiguanli_duoyue>("N76", [&](TForm_jiaofeiguanli_duoyue* w) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.month);
      w->DBGridEh1->MarkedRows()->ClearList();
      ctrlClickRow(w->DBGridEh1, rowOfMonth(w, c.month));
      ASSERT_EQ(w->DBGridEh1->MarkedRows()->BookmarkCount(), 1);
      ui->onWindow<TForm_jiaofeiguanli_duoyue_edit>([&](TForm_jiaofeiguanli_duoyue_edit* dialog) {
        typeInto(dialog->DBComboBoxEh1, u8("现金"));
        typeInto(dialog->DBEdit1, u8(c.cash));
        pressEnter(dialog->DBEdit1);
        EXPECT_EQ(focused(dialog), dialog->DBEdit5);
        if (*c.other) typeInto(dialog->DBEdit6, u8(c.other));
        dialog->DBEdit3->selectAll();
        typeInto(dialog->DBEdit3, u8("li si"));
        pressEnter(dialog->DBEdit3);  // nothing to post from here
        EXPECT_TRUE(dialog->isVisible());
        if (c.month == 6) screenshot(dialog, "multi_month_amounts");
        ui->answerMessage(mrYes);
        click(dialog->BitBtn1);
      });
      click(w->bitbtn_add);
      EXPECT_EQ(ui->lastMessage().text, u8("保存完毕！"));
    }
  });
  for (const auto& c : cases)
    EXPECT_EQ(stored(u8("select coalesce(现金, '') || '/' || coalesce(其它金额, '') || '/' || 实收金额 || '/' || 缴费人 "
                        "from 收费汇总表 "
                        "where 收费年月='2005年") +
                     QString::number(c.month) + u8("月;'")),
              u8(c.stored))
        << c.month;
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态='现金'")), 6);
}

// 业主多月缴费管理 → 查找: the bill search dialog walks from 房屋代码 to the period with Enter,
// turns the typed house code into capitals and runs 查询 on Enter in the last month box.
TEST_F(FeeWindowsTest, MultiMonthSearchDialogRunsOnEnter) {
  billH1(1, 2);
  billMonths({billHouse("H2", "李四")}, 2005, 1, 2005, 1);
  menuWindow<TForm_jiaofeiguanli_duoyue>("N76", [&](TForm_jiaofeiguanli_duoyue* w) {
    ASSERT_EQ(w->q_jiaofeidan->RecordCount(), 3);
    ui->onWindow<TForm_jiaofeiguanli_duoyue_query>([&](TForm_jiaofeiguanli_duoyue_query* dialog) {
      typeInto(dialog->Edit1, u8("h1"));
      EXPECT_EQ(dialog->Edit1->text(), u8("H1"));
      const QList<QWidget*> walk = {dialog->Edit1,         dialog->Edit2,         dialog->ComboBox1,
                                    dialog->ComboBox2,     dialog->ComboBox3,     dialog->DBComboBoxEh1,
                                    dialog->DBComboBoxEh2, dialog->DBComboBoxEh3, dialog->DBComboBoxEh4};
      for (int i = 0; i + 1 < walk.size(); ++i) {
        pressEnter(walk[i]);
        EXPECT_EQ(focused(dialog), walk[i + 1]) << walk[i]->objectName().toStdString();
      }
      pressEnter(dialog->ComboBox4);
      EXPECT_EQ(focused(dialog), dialog->DBComboBoxEh1);
      EXPECT_TRUE(dialog->isVisible());
      pressEnter(dialog->DBComboBoxEh4);  // 查询
      EXPECT_FALSE(dialog->isVisible());
    });
    click(w->SpeedButton3);
    EXPECT_EQ(w->q_jiaofeidan->RecordCount(), 2);
    for (w->q_jiaofeidan->First(); !w->q_jiaofeidan->Eof(); w->q_jiaofeidan->Next())
      EXPECT_EQ(w->q_jiaofeidan->FieldByName(u8("房屋代码"))->AsString(), u8("H1"));
  });
}

// 业主应缴费用管理 → 正常缴费: Enter walks the dialog as the cashier expects; an Enter where the
// walk stops posts nothing; the typed amount is posted with the house's new balance.
TEST_F(FeeWindowsTest, BillWindowDialogEnterWalkAndPosting) {
  billH1(1, 1);
  menuWindow<TForm_jiaofeidan_duoyue>("N22", [&](TForm_jiaofeidan_duoyue* w) {
    findHouse(w, "H1");
    ASSERT_EQ(w->t_jiaofeidan->RecordCount(), 1);
    ctrlClickRow(w->DBGridEh2, 0);
    ui->onWindow<TForm_jiaofeidan_jiaofei>([&](TForm_jiaofeidan_jiaofei* dialog) {
      EXPECT_EQ(dialog->windowTitle(), u8("业主缴费"));
      const struct {
        QWidget* from;
        QWidget* to;  // null: Enter leaves the focus where it is
      } walk[] = {
          {dialog->DBDateTimeEditEh1, dialog->DBComboBoxEh1}, {dialog->DBComboBoxEh1, dialog->DBEdit1},
          {dialog->DBEdit1, dialog->DBEdit5},                 {dialog->DBEdit5, dialog->DBEdit2},
          {dialog->DBEdit2, dialog->DBEdit3},                 {dialog->DBEdit6, dialog->DBEdit2},
          {dialog->DBEdit4, dialog->DBMemo1},                 {dialog->DBMemo1, dialog->DBComboBoxEh1},
          {dialog->DBEdit3, nullptr},
      };
      for (const auto& step : walk) {
        pressEnter(step.from);
        EXPECT_EQ(focused(dialog), step.to ? step.to : step.from) << step.from->objectName().toStdString();
        EXPECT_TRUE(dialog->isVisible());
      }
      // The remark memo keeps no line break from those Enters.
      EXPECT_EQ(dialog->DBMemo1->toPlainText(), QString());
      typeInto(dialog->DBComboBoxEh1, u8("现金"));
      typeInto(dialog->DBEdit1, u8("100.5"));
      ui->answerMessage(mrYes);
      click(dialog->BitBtn1);
    });
    click(w->bitbtn_jiaofei);
    EXPECT_EQ(ui->lastMessage().text, u8("保存完毕！"));
  });
  EXPECT_EQ(stored(u8("select 现金 || '/' || 实收金额 || '/' || 零头 || '/' || 缴费人 from 收费汇总表")),
            u8("100.5/100.5/0.5/张三"));
  EXPECT_EQ(storedMoney(u8("select 零头 from 房屋资料 where 房屋代码='H1'")), money("0.5"));
}

// 业主单月缴费管理 → 按单缴费: the three amount boxes have their own limits (现金 1000000, 支票
// 100000, 其它金额 1000) and take no minus sign; Enter walks date, method, the three amounts,
// voucher, payer, receiver and remark back to the method.
TEST_F(FeeWindowsTest, SingleMonthDialogLimitsItsAmounts) {
  billH1(1, 4);
  const struct {
    int month;
    const char* cash;
    const char* cheque;
    const char* other;
    const char* stored;  // 现金/支票/其它金额/实收金额 (an empty box posts 0)
  } cases[] = {
      {1, "-50", "", "", "50/0/0/50"},                           // no negative amount
      {2, "", "", "1500", "0/0/1000/1000"},                      // 其它金额 at most 1000
      {3, "", "123456", "", "0/100000/0/100000"},                // 支票 at most 100000
      {4, "1234567.12345", "", "", "1000000/0/0/1000000"},       // 现金 at most 1000000
  };
  menuWindow<TForm_jiaofeiguanli>("N38", [&](TForm_jiaofeiguanli* w) {
    EXPECT_EQ(focused(w), w->Edit1);
    for (const auto& c : cases) {
      SCOPED_TRACE(c.month);
      w->DateTimePicker1->setDate(QDate(2005, c.month, 1));
      ASSERT_EQ(w->q_houseinfo->RecordCount(), 1);
      clickRow(w->DBGridEh1, 0);
      ui->onWindow<TForm_jiaofeiguanli_edit>([&](TForm_jiaofeiguanli_edit* dialog) {
        if (c.month == 1) {
          const QList<QWidget*> walk = {dialog->DBDateTimeEditEh1, dialog->DBComboBoxEh1, dialog->DBNumberEditEh2,
                                        dialog->DBNumberEditEh3,   dialog->DBNumberEditEh4, dialog->DBEdit2,
                                        dialog->DBEdit3,           dialog->DBEdit4,         dialog->DBMemo1,
                                        dialog->DBComboBoxEh1};
          for (int i = 0; i + 1 < walk.size(); ++i) {
            pressEnter(walk[i]);
            EXPECT_EQ(focused(dialog), walk[i + 1]) << walk[i]->objectName().toStdString();
          }
          EXPECT_EQ(dialog->DBText4->Text() + dialog->DBText1->Text() + dialog->DBText2->Text(), u8("H120051"));
          screenshot(dialog, "single_month_amounts");
        }
        click(dialog->SpeedButton3);  // << : today
        typeInto(dialog->DBComboBoxEh1, u8("现金"));
        if (*c.cash) typeInto(dialog->DBNumberEditEh2, u8(c.cash));
        if (*c.cheque) typeInto(dialog->DBNumberEditEh3, u8(c.cheque));
        if (*c.other) typeInto(dialog->DBNumberEditEh4, u8(c.other));
        click(dialog->SpeedButton4);  // << : the owner pays
        click(dialog->SpeedButton5);  // << : the operator receives
        QTest::mouseClick(dialog->CheckBox1, Qt::LeftButton, Qt::NoModifier, QPoint(6, dialog->CheckBox1->height() / 2));
        ASSERT_FALSE(dialog->CheckBox1->isChecked());
        ui->answerMessage(mrYes);
        click(dialog->SpeedButton1);
      });
      click(w->bitbtn_add);
    }
  });
  for (const auto& c : cases)
    EXPECT_EQ(stored(u8("select coalesce(现金, '') || '/' || coalesce(支票, '') || '/' || coalesce(其它金额, '') || '/' || "
                        "实收金额 from 收费汇总表 where 月份=") +
                     SqlQuote::Text(QString::number(c.month))),
              u8(c.stored))
        << c.month;
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态='现金' and 缴费人='张三'")), 4);
}

// 业主押金管理: the amount box takes money only; each saved receipt raises the house's deposit
// by the amount as kept. Enter closes the ring from 备注 back to 日期.
TEST_F(FeeWindowsTest, DepositAmountBoxTakesOnlyMoney) {
  const struct {
    const char* typed;
    const char* amount;
  } cases[] = {{"500", "500"}, {"-2x00", "200"}, {"12.34567", "12.3456"}};
  menuWindow<TForm_yajin>("N43", [&](TForm_yajin* w) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.typed);
      click(w->bitbtn_add);
      typeInto(w->DBComboBoxEh4, u8("H1"));
      typeInto(w->DBComboBoxEh1, u8("收取"));
      typeInto(w->DBEdit4, u8(c.typed));
      pressEnter(w->DBMemo1);
      EXPECT_EQ(focused(w), w->DBDateTimeEditEh1);
      // The category is chosen through its button: its box hands the focus on to the remark.
      w->DBComboBoxEh3->setFocus();
      QApplication::processEvents();
      EXPECT_EQ(focused(w), w->DBMemo1);
      w->DBDateTimeEditEh1->SetValue(Variant::dateTime(EncodeDate(2005, 3, 1)));
      click(w->bitbtn_save);
      EXPECT_EQ(ui->lastMessage().text, u8("保存完毕！"));
    }
  });
  EXPECT_EQ(stored(u8("select group_concat(金额, ',') from (select 金额 from 押金明细表 order by rowid)")),
            u8("500,200,12.3456"));
  EXPECT_EQ(storedMoney(u8("select 押金 from 房屋资料 where 房屋代码='H1'")), money("712.3456"));
}

// 业主应缴费用管理 → pop-up 打印澄川交费通知单: May's rent, water and management fee marked
// with Ctrl+clicks and printed; the notice shows the house, the owner, the month, the rent and
// the water meter's readings, consumption, price and amount, and the total without the
// management fee, which has no column of its own.
TEST_F(FeeWindowsTest, ChengchuanNoticeOfMarkedRowsIsPrinted) {
  InstallTemplate("澄川收款收据.frf");
  auto bill = [&](const char* item, const char* price, const char* before, const char* after, const char* qty,
                  const char* amount) {
    exec(u8("insert into 收费明细表 (收费名称, 单价, 上月表数, 本月表数, 面积或数量, 收费金额, 年度, 月份, 开始日期, 结束日期, "
            "小区代码, 房屋代码, 业主名称, 楼宇名称, 缴费状态) values (") +
         SqlQuote::Text(u8(item)) + u8(", ") + SqlQuote::Money(money(price)) + u8(", ") + u8(before) + u8(", ") +
         u8(after) + u8(", ") + u8(qty) + u8(", ") + SqlQuote::Money(money(amount)) +
         u8(", '2005', '5', '2005-05-01 00:00:00', '2005-05-31 00:00:00', '0001', 'H1', '张三', 'A栋', '未缴费')"));
  };
  bill("房费", "800", "0", "0", "1", "800");
  bill("水费", "2", "100", "130", "30", "60");
  bill("物业费", "50", "0", "0", "1", "50");
  const QString pdf = outputFolder() + u8("/chengchuan_notice.pdf");
  QFile::remove(pdf);
  const QString year = QString::number(QDate::currentDate().year());
  menuWindow<TForm_jiaofeidan_duoyue>("N22", [&](TForm_jiaofeidan_duoyue* w) {
    w->frReport1->ShowProgress = false;
    findHouse(w, "H1");
    ASSERT_EQ(w->t_jiaofeidan->RecordCount(), 3);
    for (int row = 0; row < 3; ++row) ctrlClickRow(w->DBGridEh2, row);
    ASSERT_EQ(w->DBGridEh2->MarkedRows()->BookmarkCount(), 3);
    screenshot(w, "chengchuan_marked");
    QAction* print = w->PopupMenu1->findChild<QAction*>(u8("N4"));
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(print->text(), u8("打印澄川交费通知单"));
    AnswerPreview(*ui, pdf);
    print->trigger();
    EXPECT_EQ(w->DBGridEh2->MarkedRows()->BookmarkCount(), 0);
    EXPECT_EQ(w->windowTitle(), year + u8("00001"));
  });
  // The notice takes nothing from the bills: they stay unpaid.
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 缴费状态='未缴费'")), 3);
  ASSERT_TRUE(QFile::exists(pdf));
  PdfPagesToPng(pdf);
  const QString text = PdfText(pdf);
  // The house and owner the notice was filled with.
  TADOQuery notice;
  notice.SetConnection(Dm1->db_local);
  notice.SQL.Add(u8("select 房屋代码 || '/' || 业主姓名 || '/' || 年 || '/' || 月 || '/' || 合计金额 from 澄川交费通知单"));
  notice.Open();
  EXPECT_EQ(notice.Fields()[0]->AsString(), u8("H1/张三/2005/5/860"));
  notice.Close();
  for (const char* shown : {"房屋代码", "张三", "2005年5月", "800.00", "100", "130", "30", "60.00", "860.00"})
    EXPECT_TRUE(text.contains(u8(shown))) << shown << "\n" << text.toStdString();
  EXPECT_TRUE(text.contains(year + u8("00001"))) << text.toStdString();
  // 物业费 has no column on this notice and is not in the total.
  EXPECT_FALSE(text.contains(u8("910"))) << text.toStdString();
}

}  // namespace
