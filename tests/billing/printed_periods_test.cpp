// What the cashier hands over, read back from the printed PDF: receipts and pre-printed
// receipts give a payment's period from its earliest to its latest month whatever order the
// paying window listed the months in, and one month alone; the owner certificate is the
// roster's current house only.
#include "tests/billing/fee_windows.h"

namespace {

class PrintedPeriodsTest : public FeeWindowsTest {
 protected:
  // H1's January to March 2005 paid in the multi-month window, which lists months oldest
  // first; and a one-month payment of November 2026 of another window.
  void payOldestFirst() {
    billH1(1, 3);
    menuWindow<TForm_jiaofeiguanli_duoyue>("N76", [&](TForm_jiaofeiguanli_duoyue* w) {
      ASSERT_EQ(w->q_jiaofeidan->RecordCount(), 3);
      for (int row = 0; row < 3; ++row) ctrlClickRow(w->DBGridEh1, row);
      ui->onWindow<TForm_jiaofeiguanli_duoyue_edit>([&](TForm_jiaofeiguanli_duoyue_edit* dialog) {
        typeInto(dialog->DBComboBoxEh1, u8("现金"));
        typeInto(dialog->DBEdit1, u8("300"));
        ui->answerMessage(mrYes);
        click(dialog->BitBtn1);
      });
      click(w->bitbtn_add);
      EXPECT_EQ(ui->lastMessage().text, u8("保存完毕！"));
    });
    ASSERT_EQ(stored(u8("select 收费年月 from 收费汇总表")), u8("2005年1月;2005年2月;2005年3月;"));
    exec(u8("insert into 收费汇总表 (小区代码, 收费项目, 收费年月, 收费金额, 实收金额, 现金, 缴费时间, 缴费方式, 房屋代码, 业主名称, "
            "楼宇名称, 打印) values ('0001', '停车费', '2026年11月;', ccur(80), ccur(80), ccur(80), ") +
         SqlQuote::Date(Now()) + u8(", '现金', 'H1', '张三', 'A栋', 0)"));
  }
};

TEST_F(PrintedPeriodsTest, ReceiptPrintsEarliestToLatestAndOneMonthAlone) {
  payOldestFirst();
  const QString pdf = outputFolder() + u8("/receipt_periods.pdf");
  QFile::remove(pdf);
  menuWindow<TForm_jiaofeidan_duoyue>("N22", [&](TForm_jiaofeidan_duoyue* w) {
    typeInto(w->Edit1, u8("H1"));
    click(w->bitbtn_seek);
    ASSERT_EQ(w->q_houseinfo->RecordCount(), 1);
    ui->onModal([&](QDialog* r) {
      auto* receipts = qobject_cast<TForm_jiaofeidan_shouju*>(r);
      ASSERT_NE(receipts, nullptr);
      r->resize(1200, 700);
      receipts->frReport1->ShowProgress = false;
      ASSERT_EQ(receipts->q_sfhzb->RecordCount(), 2);
      ctrlClickRow(receipts->DBGridEh1, 0, 1);
      ctrlClickRow(receipts->DBGridEh1, 1, 1);
      AnswerPreview(*ui, pdf);
      click(receipts->bitbtn_shouju);
      click(receipts->bitbtn_return);
    });
    click(w->bitbtn_shouju);
  });
  const QString text = PdfText(pdf);
  EXPECT_TRUE(text.contains(u8("2005年1月-2005年3月"))) << text.toStdString();
  EXPECT_FALSE(text.contains(u8("2005年3月-2005年1月"))) << text.toStdString();
  EXPECT_TRUE(text.contains(u8("2026年11月"))) << text.toStdString();
  EXPECT_FALSE(text.contains(u8("-2026年11月"))) << text.toStdString();
}

TEST_F(PrintedPeriodsTest, PrePrintedReceiptPrintsEarliestToLatest) {
  payOldestFirst();
  exec(u8("delete from 收费汇总表 where 收费项目='停车费'"));
  InstallTemplate("收款收据.frf");
  const QString pdf = outputFolder() + u8("/preprinted_periods.pdf");
  QFile::remove(pdf);
  menuWindow<TForm_shoufeimingxibiao>("N53", [&](TForm_shoufeimingxibiao* w) {
    w->frReport1->ShowProgress = false;
    ASSERT_EQ(w->q_sfhzb->RecordCount(), 1);
    ctrlClickRow(w->DBGridEh1, 0, 1);
    AnswerPreview(*ui, pdf);
    click(w->SpeedButton1);
  });
  const QString text = PdfText(pdf);
  EXPECT_TRUE(text.contains(u8("(2005年1月-2005年3月)"))) << text.toStdString();
  EXPECT_FALSE(text.contains(u8("2005年3月-2005年1月"))) << text.toStdString();
}

// 打印业主证明 with the second house current: one page, that owner's, none of the first's.
TEST_F(PrintedPeriodsTest, OwnerCertificateIsTheCurrentHouseOnly) {
  InstallTemplate("业主证明.frf");
  const QString pdf = outputFolder() + u8("/owner_certificate.pdf");
  QFile::remove(pdf);
  int pages = -1;
  menuWindow<TForm_housecharge>("N56", [&](TForm_housecharge* w) {
    w->frReport1->ShowProgress = false;
    ASSERT_EQ(w->q_houseinfo->RecordCount(), 2);
    clickRow(w->DBGridEh1, 1);
    ASSERT_EQ(w->q_houseinfo->FieldByName(u8("业主名称"))->AsString(), u8("李四"));
    AnswerPreview(*ui, pdf, &pages);
    click(w->bitbtn_certificate);
    // The roster stays on the house it was on.
    EXPECT_EQ(w->q_houseinfo->FieldByName(u8("业主名称"))->AsString(), u8("李四"));
  });
  EXPECT_EQ(pages, 1);
  const QString text = PdfText(pdf);
  EXPECT_TRUE(text.contains(u8("李四"))) << text.toStdString();
  EXPECT_FALSE(text.contains(u8("张三"))) << text.toStdString();
}

}  // namespace
