// A payment and its reversal through every window that posts or reverses one, with other
// payments of the same house, day and cashier beside it: the reversal gives back exactly the
// database the payment found. The deposit ledger never goes below zero, whatever path changes
// it, and each house's 押金 equals its ledger after every step. Two estates keep the same
// house code, building code and name and item names throughout.
#include "tests/billing/fee_windows.h"

#include <memory>

#include "billing/jiaofeiguanli.h"
#include "billing/yajinreport.h"

namespace {

// The office of the fee windows' fixture (estate 0001: H1 张三, H2 李四) and a second estate
// 0002 that keeps the same house code H1, building A/A栋 and item names. Bills of 2005-1 to
// 2005-3: 0001's H1 物业费 100.00 and 水费 30.00 a month, 0002's H1 物业费 120.00 a month.
// Deposits received: 0001's H1 500.00, 0002's H1 300.00. 0002's H1 has paid January today,
// taken by the same cashier.
class TwoEstateOffice : public FeeWindowsTest {
 protected:
  void SetUp() override {
    FeeWindowsTest::SetUp();
    exec(u8("insert into 小区资料 (小区代码, 小区名称) values ('0002', '东区')"));
    exec(u8("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values ('0001', '默认小区', 'A', 'A栋'), "
            "('0002', '东区', 'A', 'A栋')"));
    exec(u8("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 房屋面积, 使用面积, "
            "关联单位, 零头) values ('0002', '东区', 'A', 'A栋', '1单元', 'H1', '王五', 90, 80, '', 0)"));
    exec(u8("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式, 收费类别, 金额) values "
            "('0002', '物业费', 0, '直接输入', '业主收费金额相同', ccur(120))"));
    for (int month = 1; month <= 3; ++month) {
      bill("0001", "张三", "物业费", month, "100");
      bill("0001", "张三", "水费", month, "30");
      bill("0002", "王五", "物业费", month, "120");
    }
    receiveDeposit("0001", "张三", "500");
    receiveDeposit("0002", "王五", "300");
    exec(u8("insert into 收费汇总表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 收费项目, "
            "收费年月, 收费金额, 现金, 实收金额, 缴费时间, 缴费方式, 缴费人, 收款人, 单据号码, 打印) values ('0002', '东区', "
            "'A', 'A栋', '1单元', 'H1', '王五', '物业费', '2005年1月;', ccur(120), ccur(120), ccur(120), ") +
         SqlQuote::Date(Today() + 9.0 / 24) + u8(", '现金', '王五', ") + SqlQuote::Text(CurrentOperatorName) +
         u8(", '现金', 0)"));
    exec(u8("update 收费明细表 set 缴费状态='现金', 缴费时间=") + SqlQuote::Date(Today() + 9.0 / 24) +
         u8(", 缴费人='王五', 收款人=") + SqlQuote::Text(CurrentOperatorName) +
         u8(", 单据号码='现金' where 小区代码='0002' and 月份='1'"));
  }

  void bill(const char* estate, const char* owner, const char* item, int month, const char* amount) {
    exec(u8("insert into 收费明细表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 收费名称, 单价, "
            "收费金额, 计算公式, 年度, 月份, 开始日期, 结束日期, 关联单位, 缴费状态) values (") +
         SqlQuote::Text(u8(estate)) + u8(", ") + SqlQuote::Text(u8(estate) == u8("0001") ? u8("默认小区") : u8("东区")) +
         u8(", 'A', 'A栋', '1单元', 'H1', ") + SqlQuote::Text(u8(owner)) + u8(", ") + SqlQuote::Text(u8(item)) +
         u8(", 0, ") + SqlQuote::Money(money(amount)) + u8(", '直接输入', '2005', ") + QString::number(month) +
         u8(", ") + SqlQuote::Date(EncodeDate(2005, month, 1)) + u8(", ") +
         SqlQuote::Date(EncodeDate(2005, month, QDate(2005, month, 1).daysInMonth())) + u8(", '', '未缴费')"));
  }
  void receiveDeposit(const char* estate, const char* owner, const char* amount) {
    exec(u8("insert into 押金明细表 (日期, 小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 操作类型, 金额, "
            "缴费方式) values ('2005-01-01 00:00:00', ") +
         SqlQuote::Text(u8(estate)) + u8(", '', 'A', 'A栋', '1单元', 'H1', ") + SqlQuote::Text(u8(owner)) +
         u8(", '收取', ") + SqlQuote::Money(money(amount)) + u8(", '现金')"));
    exec(u8("update 房屋资料 set 押金=") + SqlQuote::Money(money(amount)) + u8(" where 小区代码=") +
         SqlQuote::Text(u8(estate)) + u8(" and 房屋代码='H1'"));
  }

  // Every row of every table of the main database, every column, nulls told from empty texts.
  QString dump() {
    QStringList out;
    TADOQuery tables;
    tables.SetConnection(db());
    tables.SQL.Add(u8("select name from sqlite_master where type='table' and name not like 'sqlite_%' order by name"));
    tables.Open();
    for (tables.First(); !tables.Eof(); tables.Next()) {
      const QString table = tables.Fields()[0]->AsString();
      TADOQuery q;
      q.SetConnection(db());
      q.SQL.Add(u8("select * from ") + table + u8(" order by rowid"));
      q.Open();
      for (q.First(); !q.Eof(); q.Next()) {
        QStringList row{table};
        for (TField* f : q.Fields()) row << f->FieldName() + u8("=") + (f->IsNull() ? u8("<null>") : f->AsString());
        out << row.join(u8("|"));
      }
    }
    return out.join(u8("\n"));
  }

  // A bill row of 0001's H1 with that item in one of `months`.
  static std::function<bool(TDataSet*)> billsOf(const char* item, QList<int> months) {
    return [item, months](TDataSet* q) {
      return q->FieldByName(u8("小区代码"))->AsString() == u8("0001") &&
             q->FieldByName(u8("房屋代码"))->AsString() == u8("H1") &&
             q->FieldByName(u8("收费名称"))->AsString() == u8(item) &&
             months.contains(q->FieldByName(u8("月份"))->AsString().toInt());
    };
  }
  static bool ofEstate0001(TDataSet* q) { return q->FieldByName(u8("小区代码"))->AsString() == u8("0001"); }
  // The screen rows of the records `wanted` accepts (the list fits on one screen), the list
  // back at its first record.
  static QList<int> rowsOf(TDataSet* q, const std::function<bool(TDataSet*)>& wanted) {
    QList<int> rows;
    int i = 0;
    for (q->First(); !q->Eof(); q->Next(), ++i)
      if (wanted(q)) rows << i;
    q->First();
    return rows;
  }
  static void mark(TDBGridEh* grid, TDataSet* q, const std::function<bool(TDataSet*)>& wanted) {
    const QList<int> rows = rowsOf(q, wanted);
    ASSERT_FALSE(rows.isEmpty());
    for (int r : rows) ctrlClickRow(grid, r, 1);
    ASSERT_EQ(grid->MarkedRows()->BookmarkCount(), rows.size());
  }
  static void clickFirst(TDBGridEh* grid, TDataSet* q, const std::function<bool(TDataSet*)>& wanted) {
    const QList<int> rows = rowsOf(q, wanted);
    ASSERT_FALSE(rows.isEmpty());
    clickRow(grid, rows.first(), 1);
    ASSERT_TRUE(wanted(q));
  }

  // --- the payment windows, each paying 0001's H1 (the cases of the pay-then-reverse table
  // call them)
 public:

  // 业主应缴费用管理 (bill window), 业主缴费 of the marked months through the payment dialog.
  void payInBillWindow(const char* item, QList<int> months, const char* method, const char* cash, bool keep) {
    menuWindow<TForm_jiaofeidan_duoyue>("N22", [&](TForm_jiaofeidan_duoyue* w) {
      findHouse(w, "H1");
      clickFirst(w->DBGridEh1, w->q_houseinfo, ofEstate0001);
      mark(w->DBGridEh2, w->t_jiaofeidan, billsOf(item, months));
      ui->onWindow<TForm_jiaofeidan_jiaofei>([&](TForm_jiaofeidan_jiaofei* dialog) {
        typeInto(dialog->DBComboBoxEh1, u8(method));
        typeInto(dialog->DBEdit1, u8(cash));
        dialog->CheckBox1->setChecked(false);
        dialog->CheckBox2->setChecked(keep);
        ui->answerMessage(mrYes);
        click(dialog->BitBtn1);
      });
      click(w->bitbtn_jiaofei);
      EXPECT_EQ(ui->lastMessage().text, u8("保存完毕！"));
    });
  }
  // The bill window's 快速缴费 of the marked months.
  void quickPayInBillWindow(const char* item, QList<int> months, const char* method) {
    menuWindow<TForm_jiaofeidan_duoyue>("N22", [&](TForm_jiaofeidan_duoyue* w) {
      findHouse(w, "H1");
      clickFirst(w->DBGridEh1, w->q_houseinfo, ofEstate0001);
      mark(w->DBGridEh2, w->t_jiaofeidan, billsOf(item, months));
      typeInto(w->DBComboBoxEh1, u8(method));
      ui->answerMessage(mrYes);
      click(w->bitbtn_fast);
      EXPECT_EQ(ui->lastMessage().text, u8("缴费完毕！"));
    });
  }
  // 业主多月缴费管理: the marked months through its 缴费 dialog.
  void payInMultiMonthWindow(const char* item, QList<int> months, const char* method, const char* cash) {
    menuWindow<TForm_jiaofeiguanli_duoyue>("N76", [&](TForm_jiaofeiguanli_duoyue* w) {
      mark(w->DBGridEh1, w->q_jiaofeidan, billsOf(item, months));
      ui->onWindow<TForm_jiaofeiguanli_duoyue_edit>([&](TForm_jiaofeiguanli_duoyue_edit* dialog) {
        typeInto(dialog->DBComboBoxEh1, u8(method));
        typeInto(dialog->DBEdit1, u8(cash));
        dialog->CheckBox1->setChecked(false);
        ui->answerMessage(mrYes);
        click(dialog->BitBtn1);
      });
      click(w->bitbtn_add);
      EXPECT_EQ(ui->lastMessage().text, u8("保存完毕！"));
    });
  }
  // 业主快速缴费管理: 选中记录缴费 (N3) of the marked rows, or 当前记录缴费 (N1) of the first.
  void payInFastWindow(const char* item, QList<int> months, const char* method, const char* command) {
    menuWindow<TForm_jiaofeiguanli_fast>("N108", [&](TForm_jiaofeiguanli_fast* w) {
      if (QString::fromLatin1(command) == u8("N1")) clickFirst(w->DBGridEh1, w->q_jiaofeidan, billsOf(item, months));
      else mark(w->DBGridEh1, w->q_jiaofeidan, billsOf(item, months));
      typeInto(w->DBComboBoxEh1, u8(method));
      ui->answerMessage(mrYes);
      QAction* pay = w->PopupMenu1->findChild<QAction*>(QString::fromLatin1(command));
      ASSERT_NE(pay, nullptr);
      pay->trigger();
      EXPECT_EQ(ui->lastMessage().text, u8("缴费完毕！"));
    });
  }
  // 业主单月缴费管理 of March: 单笔缴费 of one item's row, or 按单缴费 of the house's month
  // (item null), stamped today 10:00 by payer ZHANG and receiver CASHIER.
  void payInSingleMonthWindow(const char* item, const char* cash) {
    menuWindow<TForm_jiaofeiguanli>("N38", [&](TForm_jiaofeiguanli* w) {
      w->DateTimePicker1->setDate(QDate(2005, 3, 1));
      clickFirst(w->DBGridEh1, w->q_houseinfo, ofEstate0001);
      ui->onWindow<TForm_jiaofeiguanli_edit>([&](TForm_jiaofeiguanli_edit* dialog) {
        typeInto(dialog->DBComboBoxEh1, u8("现金"));
        typeInto(dialog->DBNumberEditEh2, u8(cash));
        typeInto(dialog->DBEdit3, u8("ZHANG"));
        typeInto(dialog->DBEdit4, u8("CASHIER"));
        dialog->DBDateTimeEditEh1->SetValue(Variant::dateTime(Today() + 10.0 / 24));
        ui->answerMessage(mrYes);
        click(dialog->SpeedButton1);
      });
      if (item) {
        clickFirst(w->DBGridEh2, w->q_jiaofeidan, billsOf(item, {3}));
        click(w->SpeedButton3);
      } else {
        click(w->bitbtn_add);
      }
    });
  }

  // --- the reversal windows
 protected:

  // The payment row written last: its estate, item and months tell it apart in the lists.
  std::function<bool(TDataSet*)> lastPayment() {
    const QString item = stored(u8("select 收费项目 from 收费汇总表 order by rowid desc limit 1"));
    const QString months = stored(u8("select ifnull(收费年月, '') from 收费汇总表 order by rowid desc limit 1"));
    return [item, months](TDataSet* q) {
      return ofEstate0001(q) && q->FieldByName(u8("收费项目"))->AsString() == item &&
             q->FieldByName(u8("收费年月"))->AsString() == months;
    };
  }
  // 实收金额明细表 (journal): the payment marked among today's and reversed with 删除.
  void reverseInJournal(const std::function<bool(TDataSet*)>& payment) {
    menuWindow<TForm_shoufeimingxibiao>("N53", [&](TForm_shoufeimingxibiao* w) {
      ASSERT_GE(w->q_sfhzb->RecordCount(), 2);  // other payments of the day are listed
      mark(w->DBGridEh1, w->q_sfhzb, payment);
      ui->answerMessage(mrYes);
      click(w->bitbtn_delete);
    });
  }
  // The bill window's 打印实收收据 list of the house: the payment made current and 删除.
  void reverseInReceiptList(const std::function<bool(TDataSet*)>& payment) {
    menuWindow<TForm_jiaofeidan_duoyue>("N22", [&](TForm_jiaofeidan_duoyue* w) {
      findHouse(w, "H1");
      clickFirst(w->DBGridEh1, w->q_houseinfo, ofEstate0001);
      ui->onWindow<TForm_jiaofeidan_shouju>([&](TForm_jiaofeidan_shouju* receipts) {
        ASSERT_GE(receipts->q_sfhzb->RecordCount(), 2);
        clickFirst(receipts->DBGridEh1, receipts->q_sfhzb, payment);
        ui->answerMessage(mrYes);
        click(receipts->bitbtn_delete);
        click(receipts->bitbtn_return);
      });
      click(w->bitbtn_shouju);
    });
  }

  // Every paid bill row of 0001 (the payments the windows post) carries the payment row of its
  // own house that took it, with the method stamped on the row.
  void expectLinksHold(const char* step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(stored(u8("select ifnull(group_concat(b.收费名称 || b.月份, ','), '') from 收费明细表 b "
                        "left join 收费汇总表 p on p.rowid = b.缴费编号 and p.小区代码 = b.小区代码 "
                        "and p.房屋代码 = b.房屋代码 and p.缴费方式 = b.缴费状态 "
                        "where b.小区代码 = '0001' and b.缴费状态 <> '未缴费' and p.rowid is null")),
              QString());
  }

  // Each house's deposit ledger never below zero, and its 押金 equal to the ledger.
  void expectDepositsHold(const char* step) {
    SCOPED_TRACE(step);
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(u8("select h.小区代码, h.房屋代码, ifnull(h.押金, 0), "
                 "(select ifnull(sum(case 操作类型 when '收取' then 金额 else -金额 end), 0) from 押金明细表 y "
                 " where ifnull(y.小区代码,'')=ifnull(h.小区代码,'') and y.房屋代码=h.房屋代码) from 房屋资料 h"));
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
      const QString house = q.Fields()[0]->AsString() + u8("/") + q.Fields()[1]->AsString();
      const Money total = q.Fields()[2]->AsMoney(), ledger = q.Fields()[3]->AsMoney();
      EXPECT_GE(ledger, Money()) << house.toStdString();
      EXPECT_EQ(total, ledger) << house.toStdString();
    }
  }
};

// --- pay, then reverse: the database as the payment found it

struct ReversalCase {
  const char* name;
  std::function<void(TwoEstateOffice*)> earlier;  // another payment of the house that day
  std::function<void(TwoEstateOffice*)> pay;      // the payment reversed
  bool inReceiptList;                             // reversed from the receipt list, else the journal
};

void PrintTo(const ReversalCase& c, std::ostream* os) { *os << c.name; }

class PayThenReverseTest : public TwoEstateOffice, public ::testing::WithParamInterface<ReversalCase> {};

TEST_P(PayThenReverseTest, GivesBackTheDatabaseThePaymentFound) {
  const ReversalCase& c = GetParam();
  c.earlier(this);
  const int before = count(u8("select count(*) from 收费汇总表"));
  const QString found = dump();
  c.pay(this);
  ASSERT_EQ(count(u8("select count(*) from 收费汇总表")), before + 1);
  ASSERT_NE(dump(), found);
  expectLinksHold("after the payment");
  expectDepositsHold("after the payment");
  const auto payment = lastPayment();
  if (c.inReceiptList) reverseInReceiptList(payment);
  else reverseInJournal(payment);
  EXPECT_EQ(dump(), found);
  expectDepositsHold("after the reversal");
}

using O = TwoEstateOffice;
INSTANTIATE_TEST_SUITE_P(
    EveryPaymentWindow, PayThenReverseTest,
    ::testing::Values(
        ReversalCase{"BillWindowDialogFromTheDeposit",
                     [](O* t) { t->payInBillWindow("物业费", {1}, "现金", "100", true); },
                     [](O* t) { t->payInBillWindow("物业费", {2, 3}, "冲抵押金", "199.5", true); }, false},
        ReversalCase{"BillWindowDialogCashKeptBalance",
                     [](O* t) { t->payInBillWindow("水费", {1}, "冲抵押金", "30", true); },
                     [](O* t) { t->payInBillWindow("水费", {2}, "现金", "35", true); }, true},
        ReversalCase{"BillWindowQuickPay",
                     [](O* t) { t->quickPayInBillWindow("物业费", {1}, "现金"); },
                     [](O* t) { t->quickPayInBillWindow("物业费", {2, 3}, "冲抵押金"); }, true},
        ReversalCase{"MultiMonthWindow",
                     [](O* t) { t->payInMultiMonthWindow("物业费", {1}, "现金", "100"); },
                     [](O* t) { t->payInMultiMonthWindow("物业费", {2}, "冲抵押金", "100"); }, false},
        ReversalCase{"FastWindowMarkedRows",
                     [](O* t) { t->payInFastWindow("物业费", {1}, "现金", "N3"); },
                     [](O* t) { t->payInFastWindow("物业费", {2, 3}, "冲抵押金", "N3"); }, false},
        ReversalCase{"FastWindowCurrentRow",
                     [](O* t) { t->payInFastWindow("水费", {1}, "现金", "N1"); },
                     [](O* t) { t->payInFastWindow("水费", {2}, "冲抵押金", "N1"); }, true},
        // The same payer, receiver and time: only the link tells the two payments apart.
        ReversalCase{"SingleMonthWindowWholeMonth",
                     [](O* t) { t->payInSingleMonthWindow("物业费", "100"); },
                     [](O* t) { t->payInSingleMonthWindow(nullptr, "30"); }, false},
        ReversalCase{"SingleMonthWindowOneItem",
                     [](O* t) { t->payInSingleMonthWindow("水费", "30"); },
                     [](O* t) { t->payInSingleMonthWindow("物业费", "100"); }, true}),
    [](const ::testing::TestParamInfo<ReversalCase>& info) { return std::string(info.param.name); });

// Reversing the earlier of two payments of one month with the same stamps leaves the later
// one's bill rows paid.
TEST_F(TwoEstateOffice, ReversalLeavesTheBillsOfAnotherPaymentWithTheSameStamps) {
  payInSingleMonthWindow(nullptr, "130");
  ASSERT_EQ(count(u8("select count(*) from 收费明细表 where 小区代码='0001' and 月份='3' and 缴费状态='现金'")), 2);
  // After 取消收费 of 水费 in the bill window, a second payment of the month takes it again.
  exec(u8("update 收费明细表 set 缴费状态='未缴费' where 小区代码='0001' and 月份='3' and 收费名称='水费'"));
  payInSingleMonthWindow("水费", "30");
  auto byItem = [](const char* item) {
    return [item](TDataSet* q) {
      return ofEstate0001(q) && q->FieldByName(u8("收费项目"))->AsString() == u8(item);
    };
  };
  reverseInJournal(byItem("按单缴费"));
  EXPECT_EQ(stored(u8("select group_concat(收费名称 || ':' || 缴费状态, ',') from (select * from 收费明细表 "
                      "where 小区代码='0001' and 月份='3' order by 收费名称)")),
            u8("水费:现金,物业费:未缴费"));
  reverseInJournal(byItem("水费"));
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 小区代码='0001' and 缴费状态<>'未缴费'")), 0);
  EXPECT_EQ(count(u8("select count(*) from 收费明细表 where 小区代码='0002' and 缴费状态='现金'")), 1);
}

// A payment whose bill rows were made unpaid again (取消收费) and taken by a later payment of
// the same months: a new voucher typed for the earlier payment in the journal reaches none of
// the later payment's rows, and reversing it leaves them paid.
TEST_F(TwoEstateOffice, EarlierPaymentWithoutRowsLeavesTheLaterPaymentsRows) {
  payInBillWindow("物业费", {2, 3}, "现金", "200", true);
  const QString earlier = stored(u8("select max(rowid) from 收费汇总表"));
  exec(u8("update 收费明细表 set 缴费状态='未缴费' where 小区代码='0001' and 收费名称='物业费'"));
  payInBillWindow("物业费", {2, 3}, "现金", "200", true);
  const QString later = stored(u8("select max(rowid) from 收费汇总表"));
  ASSERT_NE(later, earlier);
  exec(u8("update 收费明细表 set 单据号码='Q1' where 缴费编号=") + later);
  exec(u8("update 收费汇总表 set 单据号码='Q1' where rowid=") + later);
  const QString laterRows = u8("select group_concat(月份 || ':' || 缴费状态 || ':' || ifnull(单据号码, '<null>') || ':' || "
                               "ifnull(缴费编号, '<null>'), ',') from (select * from 收费明细表 where 小区代码='0001' "
                               "and 收费名称='物业费' and 月份 in ('2','3') order by 月份)");
  const QString paid = u8("2:现金:Q1:") + later + u8(",3:现金:Q1:") + later;
  ASSERT_EQ(stored(laterRows), paid);

  auto earlierPayment = [earlier](TDataSet* q) { return QString::number(q->RowId()) == earlier; };
  menuWindow<TForm_shoufeimingxibiao>("N53", [&](TForm_shoufeimingxibiao* w) {
    clickFirst(w->DBGridEh1, w->q_sfhzb, earlierPayment);
    ui->onWindow<TForm_shoufeimingxibiao_edit>([&](TForm_shoufeimingxibiao_edit* dialog) {
      typeInto(dialog->DBEdit7, u8("P9"));
      click(dialog->bitbtn2);
      EXPECT_EQ(ui->lastMessage().text, u8("保存完毕!"));
      click(dialog->SpeedButton2);
    });
    w->DBGridEh1DblClick();
  });
  EXPECT_EQ(stored(u8("select 单据号码 from 收费汇总表 where rowid=") + earlier), u8("P9"));
  EXPECT_EQ(stored(laterRows), paid);

  reverseInJournal(earlierPayment);
  EXPECT_EQ(count(u8("select count(*) from 收费汇总表 where rowid=") + earlier), 0);
  EXPECT_EQ(stored(laterRows), paid);
  expectDepositsHold("after the reversal");
}

// The same payment reversed a second time from a list read before the first reversal (another
// window or seat), after a new payment from the deposit took the same month again and was
// given the reversed payment's row number: the second reversal fails and changes nothing of
// the new payment.
TEST_F(TwoEstateOffice, SecondReversalOfOnePaymentChangesNothing) {
  payInBillWindow("物业费", {2}, "冲抵押金", "100", true);
  const QString first = stored(u8("select max(rowid) from 收费汇总表"));
  auto listed = [this, &first] {
    auto* q = new TADOQuery;
    q->SetConnection(db());
    q->SQL.Add(u8("select * from 收费汇总表 where rowid=") + first);
    q->Open();
    return std::unique_ptr<TADOQuery>(q);
  };
  auto window1 = listed(), window2 = listed(), window3 = listed();
  ReverseJournalPayment(db(), window1.get());
  payInBillWindow("物业费", {2, 3}, "冲抵押金", "200", true);
  ASSERT_EQ(stored(u8("select max(rowid) from 收费汇总表")), first);
  const QString found = dump();
  EXPECT_THROW(ReverseJournalPayment(db(), window2.get()), Exception);
  EXPECT_EQ(dump(), found);
  // Nor does a voucher typed for it in a third window reach the new payment or its bill.
  window3->Edit();
  window3->FieldByName(u8("单据号码"))->SetAsString(u8("P9"));
  EXPECT_THROW(SaveJournalVoucher(db(), window3.get()), Exception);
  EXPECT_EQ(dump(), found);
  expectLinksHold("after the second reversal");
  expectDepositsHold("after the second reversal");
}

// --- the deposit ledger against its balance

// The ledger window of 0001's H1 (received 500.00, refunded 200.00, offset 100.00: 200.00
// left) with 0002's H1 (300.00) keeping the same code. Every change that would take a house
// below zero is refused with its reason and changes nothing; every other one lands; after
// each step the balances hold.
TEST_F(TwoEstateOffice, DepositLedgerEditsNeverTakeAHouseBelowZero) {
  for (const auto& [type, amount] : {std::pair{"退还", "200"}, std::pair{"冲抵费用", "100"}}) {
    exec(u8("insert into 押金明细表 (日期, 小区代码, 楼宇代码, 楼宇名称, 房屋代码, 业主名称, 操作类型, 金额) values "
            "('2005-02-01 00:00:00', '0001', 'A', 'A栋', 'H1', '张三', ") +
         SqlQuote::Text(u8(type)) + u8(", ") + SqlQuote::Money(money(amount)) + u8(")"));
    exec(u8("update 房屋资料 set 押金=押金-") + SqlQuote::Money(money(amount)) +
         u8(" where 小区代码='0001' and 房屋代码='H1'"));
  }
  expectDepositsHold("the ledger as set up");
  struct Step {
    const char* name;
    const char* row;     // the ledger row worked on: 0001's row of that type ("" to add one)
    const char* house;   // typed into 房屋代码 (null: unchanged)
    const char* type;    // typed into 操作类型 (null: unchanged)
    const char* amount;  // typed into 金额 (null: unchanged)
    const char* message; // the reply
    const char* left;    // 0001 H1's balance afterwards
    const char* h2;      // 0001 H2's balance afterwards
  };
  const Step steps[] = {
      {"receipt lowered below what was spent", "收取", nullptr, nullptr, "250",
       "该业主的押金已经冲抵或退还，修改后押金余额为负数，不能保存！", "200", "0"},
      {"receipt turned into a refund", "收取", nullptr, "退还", nullptr, "该业主押金余额不足,到目前为止押金余额是：-300",
       "200", "0"},
      {"receipt moved to another house", "收取", "H2", nullptr, nullptr,
       "房屋 H1 的押金已经冲抵或退还，这笔押金不能移到其它房屋（移走后该房屋押金余额为 -300）！", "200", "0"},
      {"refund raised beyond the balance", "退还", nullptr, nullptr, "401", "该业主押金余额不足,到目前为止押金余额是：400",
       "200", "0"},
      {"refund moved to a house without deposit", "退还", "H2", nullptr, nullptr, "该业主押金余额不足,到目前为止押金余额是：0",
       "200", "0"},
      {"new refund of a house without deposit", "", "H2", "退还", "0.01", "该业主押金余额不足,到目前为止押金余额是：0", "200",
       "0"},
      {"receipt lowered to what was spent", "收取", nullptr, nullptr, "300", "保存完毕！", "0", "0"},
      {"offset lowered, freeing part of the balance", "冲抵费用", nullptr, nullptr, "90", "保存完毕！", "10", "0"},
      {"receipt moved away once spent", "收取", "H2", nullptr, nullptr,
       "房屋 H1 的押金已经冲抵或退还，这笔押金不能移到其它房屋（移走后该房屋押金余额为 -290）！", "10", "0"},
      {"new receipt of the other house", "", "H2", "收取", "20", "保存完毕！", "10", "20"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    menuWindow<TForm_yajin>("N43", [&](TForm_yajin* w) {
      if (*s.row) {
        clickFirst(w->DBGridEh1, w->q_yajin, [&](TDataSet* q) {
          return ofEstate0001(q) && q->FieldByName(u8("操作类型"))->AsString() == u8(s.row);
        });
        click(w->bitbtn_edit);
      } else {
        click(w->bitbtn_add);
        w->q_yajin->FieldByName(u8("日期"))->SetAsDateTime(EncodeDate(2005, 3, 1));
      }
      // What the operator chooses and types lands in the row's fields.
      if (w->q_yajin->State() == dsBrowse) w->q_yajin->Edit();  // what typing into an editor does
      auto set = [&](const char* field, const char* text) {
        if (text) w->q_yajin->FieldByName(u8(field))->SetAsString(u8(text));
      };
      set("房屋代码", s.house);
      set("操作类型", s.type);
      set("金额", s.amount);
      click(w->bitbtn_save);
      EXPECT_EQ(ui->lastMessage().text, u8(s.message));
      if (w->q_yajin->State() != dsBrowse) click(w->bitbtn_cancel);
    });
    EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money(s.left));
    EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H2")), money(s.h2));
    EXPECT_EQ(DepositBalanceOf(db(), u8("0002"), u8("H1")), money("300"));
    expectDepositsHold(s.name);
  }
}

// Payments from the deposit take at most the balance, in every window, and their reversal
// gives it back; the ledger window's 删除 of a receipt already spent is refused.
TEST_F(TwoEstateOffice, PaymentsFromTheDepositKeepTheLedgerAtOrAboveZero) {
  quickPayInBillWindow("物业费", {1, 2, 3}, "冲抵押金");  // 300.00 of 500.00
  expectDepositsHold("after the quick payment");
  // 200.00 left: 水费 of three months fits, the multi-month dialog's 210.00 does not.
  menuWindow<TForm_jiaofeiguanli_fast>("N108", [&](TForm_jiaofeiguanli_fast* w) {
    mark(w->DBGridEh1, w->q_jiaofeidan, billsOf("水费", {1, 2, 3}));
    typeInto(w->DBComboBoxEh1, u8("冲抵押金"));
    ui->answerMessage(mrYes);
    w->PopupMenu1->findChild<QAction*>(u8("N3"))->trigger();
    EXPECT_EQ(ui->lastMessage().text, u8("缴费完毕！"));
  });
  EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money("110"));
  expectDepositsHold("after the fast window");
  exec(u8("update 收费明细表 set 缴费状态='未缴费' where 小区代码='0001' and 收费名称='物业费' and 月份='3'"));
  menuWindow<TForm_jiaofeiguanli_duoyue>("N76", [&](TForm_jiaofeiguanli_duoyue* w) {
    mark(w->DBGridEh1, w->q_jiaofeidan, billsOf("物业费", {3}));
    ui->onWindow<TForm_jiaofeiguanli_duoyue_edit>([&](TForm_jiaofeiguanli_duoyue_edit* dialog) {
      typeInto(dialog->DBComboBoxEh1, u8("冲抵押金"));
      typeInto(dialog->DBEdit1, u8("110.01"));
      dialog->CheckBox1->setChecked(false);
      ui->answerMessage(mrYes);
      click(dialog->BitBtn1);
      EXPECT_EQ(ui->lastMessage().text, u8("该业主的押金不足，请确认！"));
      click(dialog->BitBtn2);
    });
    click(w->bitbtn_add);
  });
  EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money("110"));
  expectDepositsHold("after the refused payment");
  // The receipt is spent: deleting it is refused.
  menuWindow<TForm_yajin>("N43", [&](TForm_yajin* w) {
    clickFirst(w->DBGridEh1, w->q_yajin, [](TDataSet* q) {
      return ofEstate0001(q) && q->FieldByName(u8("操作类型"))->AsString() == u8("收取");
    });
    ui->answerMessage(mrYes);
    click(w->bitbtn_delete);
    EXPECT_EQ(ui->lastMessage().text, u8("该业主的押金已经冲抵或退还，删除后押金余额为负数，不能删除！"));
  });
  expectDepositsHold("after the refused deletion");
  // Reversing the 水费 payment gives its 90.00 back.
  reverseInJournal([](TDataSet* q) {
    return ofEstate0001(q) && q->FieldByName(u8("收费项目"))->AsString() == u8("水费");
  });
  EXPECT_EQ(DepositBalanceOf(db(), u8("0001"), u8("H1")), money("200"));
  EXPECT_EQ(DepositBalanceOf(db(), u8("0002"), u8("H1")), money("300"));
  expectDepositsHold("after the reversal");
}

// 整理 of the movement list runs one balance per house of each estate, in the order shown.
TEST_F(TwoEstateOffice, MovementListBalancesRunPerEstate) {
  exec(u8("insert into 押金明细表 (日期, 小区代码, 房屋代码, 业主名称, 操作类型, 金额) values "
          "('2005-02-01 00:00:00', '0002', 'H1', '王五', '退还', ccur(50)), "
          "('2005-02-02 00:00:00', '0001', 'H1', '张三', '冲抵费用', ccur(20))"));
  ASSERT_EQ(ListDepositMovements(u8("H1"), QString(), EncodeDate(2005, 1, 1), EncodeDate(2005, 12, 31)), 4);
  auto balances = [] {
    QStringList out;
    TADOQuery* s = Dm1->q_tongyong;
    for (s->First(); !s->Eof(); s->Next())
      out << s->FieldByName(u8("textb"))->AsString() + u8(":") + s->FieldByName(u8("moneyd"))->AsMoney().toString();
    return out.join(u8(","));
  };
  const QString listed = balances();
  EXPECT_EQ(listed, u8("张三:500,王五:300,王五:250,张三:480"));
  RecomputeRunningBalance();
  EXPECT_EQ(balances(), listed);
}

}  // namespace
