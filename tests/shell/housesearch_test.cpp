// The house query dialog (conditions from the boxes, date ranges, hostile text taken
// literally) and the occupancy list (rows and counts in the scratch table).
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include "grid/DBGridEh.h"
#include "platform/ui.h"
#include "shell/housesearch.h"
#include "tests/shell/estaterecords_fixture.h"
#include "tests/support/scripted_ui.h"

using namespace estate_test;

namespace {

class HouseSearchTest : public EstateRecordsTest {
 protected:
  void SetUp() override {
    EstateRecordsTest::SetUp();
    exec(u("insert into 房屋资料 (小区代码, 楼宇名称, 房屋代码, 业主名称, 房型, 关联单位, 迁入日期, 入伙日期, 使用状况, 联系电话) values "
           "('0001', 'A栋', 'A101', '张三', '二房一厅', '甲公司', '2024-03-01 10:00:00', '2023-01-01 00:00:00', '入住', '111'),"
           "('0001', 'A栋', 'A102', '李%四', '三房二厅', NULL, '2024-03-31 23:30:00', NULL, '预定', '222'),"
           "('0001', 'B栋', 'B1_1', '王五', '二房一厅', '乙公司', '2024-04-01 00:00:00', NULL, '', '333'),"
           "('0001', 'B栋', 'BX1', 'O''Neil', NULL, NULL, NULL, NULL, NULL, '444')"));
  }
  // The codes the shared house query holds now, in its order.
  static QStringList found() {
    QStringList out;
    TADOQuery* q = Dm1->q_houseinfo;
    if (!q->Active()) return {u("<closed>")};
    for (q->First(); !q->Eof(); q->Next()) out << q->FieldByName(u("房屋代码"))->AsString();
    return out;
  }
};

}  // namespace

TEST_F(HouseSearchTest, FilledBoxesFindTheirHousesAndTextIsTakenLiterally) {
  struct Case {
    const char* name;
    std::function<void(TForm_houseinfo_query&)> fill;
    QStringList codes;
  };
  const Case cases[] = {
      {"code part", [](TForm_houseinfo_query& d) { d.Edit1->setText(u(" A1 ")); }, {u("A101"), u("A102")}},
      {"underscore is a character", [](TForm_houseinfo_query& d) { d.Edit1->setText(u("1_")); }, {u("B1_1")}},
      {"percent is a character", [](TForm_houseinfo_query& d) { d.Edit4->setText(u("%")); }, {u("A102")}},
      {"quote", [](TForm_houseinfo_query& d) { d.Edit4->setText(u("O'N")); }, {u("BX1")}},
      {"statement text", [](TForm_houseinfo_query& d) { d.Edit4->setText(u("x'); delete from 房屋资料; --")); }, {}},
      {"building and type", [](TForm_houseinfo_query& d) {
         d.ComboBox1->setEditText(u("B栋"));
         d.ComboBox3->setEditText(u("二房一厅"));
       }, {u("B1_1")}},
      {"associated unit", [](TForm_houseinfo_query& d) { d.Edit2->setText(u("公司")); }, {u("A101"), u("B1_1")}},
      {"moving-in range covers whole days", [](TForm_houseinfo_query& d) {
         d.MaskEdit1->setText(u("2024-3-1"));
         d.MaskEdit2->setText(u("2024-3-31"));
       }, {u("A101"), u("A102")}},
      {"owner and range", [](TForm_houseinfo_query& d) {
         d.Edit4->setText(u("张"));
         d.MaskEdit1->setText(u("2024-3-1"));
         d.MaskEdit2->setText(u("2024-3-1"));
       }, {u("A101")}},
      {"taking-over range", [](TForm_houseinfo_query& d) {
         d.MaskEdit3->setText(u("2022-12-31"));
         d.MaskEdit4->setText(u("2023-1-1"));
       }, {u("A101")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedUi ui;
    if (c.codes.isEmpty()) ui.answerMessage(mrNo);  // nothing found: do not search again
    TForm_houseinfo_query dialog;
    dialog.show();
    c.fill(dialog);
    dialog.BitBtn1Click();
    EXPECT_EQ(found(), c.codes);
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(Dm1->q_houseinfo->SQL.size(), 3);
    EXPECT_EQ(Dm1->q_houseinfo->SQL[0], u("select * from 房屋资料"));
    EXPECT_EQ(Dm1->q_houseinfo->SQL[2], u("order by 房屋代码"));
  }
  EXPECT_EQ(count(u("select count(*) from 房屋资料")), 4);
}

TEST_F(HouseSearchTest, WrongDatesAndEmptyConditionsAreRefused) {
  struct Case {
    const char* from1;
    const char* to1;
    const char* from2;
    const char* to2;
    const char* message;
  };
  const Case cases[] = {
      {"2024-1-1", " ", "", "", "入住日期输入错误,请重新输入!"},
      {"", "2024-1-1", "", "", "入住日期输入错误,请重新输入!"},
      {"2024-13-45", "2024-1-1", "", "", "入住日期输入错误,请重新输入!"},
      {"2024-2-1", "2024-1-1", "", "", "入住日期从大于入住日期到,请重新输入!"},
      {"", "", "2024-1-1", "", "入伙日期输入错误,请重新输入!"},
      {"", "", "2024-2-1", "2024-1-31", "入伙日期从大于入伙日期到,请重新输入!"},
      {" ", "", "", "", "没有输入查询条件,请重新输入!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ScriptedUi ui;
    TForm_houseinfo_query dialog;
    dialog.show();
    dialog.MaskEdit1->setText(u(c.from1));
    dialog.MaskEdit2->setText(u(c.to1));
    dialog.MaskEdit3->setText(u(c.from2));
    dialog.MaskEdit4->setText(u(c.to2));
    Dm1->q_houseinfo->Close();
    dialog.BitBtn1Click();
    EXPECT_EQ(ui.lastMessage().text, u(c.message));
    EXPECT_EQ(ui.lastMessage().caption, u("提示"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(Dm1->q_houseinfo->Active());
  }
}

TEST_F(HouseSearchTest, NothingFoundAsksWhetherToSearchAgain) {
  ScriptedUi ui;
  TForm_houseinfo_query dialog;
  dialog.show();
  dialog.Edit1->setText(u("ZZZ"));
  ui.answerMessage(mrYes);
  dialog.BitBtn1Click();
  EXPECT_EQ(ui.lastMessage().text, u("没有找到合适的记录,是否重新查找!!"));
  EXPECT_EQ(ui.lastMessage().defaultButton, int(mrYes));
  EXPECT_TRUE(dialog.isVisible());
  ui.answerMessage(mrNo);
  dialog.BitBtn1Click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(Dm1->q_houseinfo->Active());
  EXPECT_TRUE(Dm1->q_houseinfo->IsEmpty());
}

TEST_F(HouseSearchTest, OccupancyListMarksAndCountsTheSameOnEveryRun) {
  ScriptedUi ui;
  TDataSet* scratch = nullptr;
  ui.onWindow<TForm_house_zhuangtai>([&](TForm_house_zhuangtai* w) {
    EXPECT_EQ(w->windowTitle(), u("房屋状态表"));
    scratch = Dm1->q_tongyong;
    EXPECT_TRUE(scratch->Active());
    EXPECT_TRUE(scratch->IsEmpty());
    for (int run = 0; run < 2; ++run) {
      w->bitbtn_tjClick();
      EXPECT_EQ(scratch->RecordCount(), 4);
      QStringList rows;
      for (scratch->First(); !scratch->Eof(); scratch->Next())
        rows << QStringList{scratch->FieldByName(u("texta"))->AsString(), scratch->FieldByName(u("textd"))->AsString(),
                            scratch->FieldByName(u("textb"))->AsString(), scratch->FieldByName(u("textc"))->AsString()}
                    .join(u("|"));
      EXPECT_EQ(rows, (QStringList{u("A101|张三|△|"), u("A102|||△"), u("B1_1|||△"), u("BX1|||△")}));
      TDBGridColumnsEh& columns = *w->DBGridEh1->Columns();
      EXPECT_EQ(w->DBGridEh1->FooterCellText(0, columns.Items(0)), u("合计"));
      EXPECT_EQ(w->DBGridEh1->FooterCellText(0, columns.Items(4)), u("1"));
      EXPECT_EQ(w->DBGridEh1->FooterCellText(0, columns.Items(5)), u("3"));
    }
    w->SpeedButton4Click();
  });
  OpenHouseStatusWindow(nullptr);
  ASSERT_NE(scratch, nullptr);
  EXPECT_FALSE(Dm1->q_tongyong->Active());
  EXPECT_EQ(ui.messages().size(), 0);
}
