// The shared window parts: data components, declarative tool bars, picker lists from queries,
// estate scoping and the search conditions.
#include <gtest/gtest.h>
#include "platform/utf8.h"

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QToolButton>
#include <memory>

#include "platform/data/ado.h"
#include "platform/format.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"
#include "tests/support/work_folder.h"

namespace {


class WindowPartsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = std::make_unique<WorkFolder>();
    ResetLoginState();
    Dm1 = new TDm1();
    Dm1->ADO_system->Open();
    // Two estates sharing a building name; one building listed twice in one estate's name.
    Dm1->ADO_system->Execute(
        u("insert into 楼宇资料 (小区代码, 楼宇代码, 楼宇名称) values ('E1', 'B1', '一号楼'), ('E2', 'B1', '一号楼'), "
          "('E2', 'B2', '二号楼')"));
  }
  void TearDown() override {
    delete Dm1;
    Dm1 = nullptr;
    ResetLoginState();
    work_.reset();
  }
  std::unique_ptr<WorkFolder> work_;
};

// A window with a tool bar described as data.
class BarWindow : public QDialog {
 public:
  QToolButton* first = nullptr;
  QToolButton* second = nullptr;
  QStringList clicked;
  void firstClick() { clicked << u("first"); }
  void secondClick() { clicked << u("second"); }
  void failingClick() { throw std::runtime_error("refused"); }
};

}  // namespace

TEST_F(WindowPartsTest, QueryTableAndSourceCarryTheirNamesConnectionAndLinks) {
  QObject owner;
  TADOQuery* q = NewQuery(&owner, "q_storeyinfo", Dm1->ADO_system);
  TDataSource* ds = NewDataSource(&owner, "ds_storeyinfo", q);
  TADOTable* t = NewTable(&owner, "t_houseinfo", Dm1->ADO_system, u("房屋资料"), u("小区代码;楼宇代码"), ds);
  TDataSource* unnamed = NewDataSource(&owner, nullptr, t);
  EXPECT_EQ(owner.findChild<TADOQuery*>(u("q_storeyinfo")), q);
  EXPECT_EQ(owner.findChild<TDataSource*>(u("ds_storeyinfo")), ds);
  EXPECT_EQ(owner.findChild<TADOTable*>(u("t_houseinfo")), t);
  EXPECT_TRUE(unnamed->objectName().isEmpty());
  EXPECT_EQ(q->Connection(), Dm1->ADO_system);
  EXPECT_EQ(ds->DataSet(), q);
  EXPECT_EQ(t->TableName, u("房屋资料"));
  EXPECT_EQ(t->MasterFields, u("小区代码;楼宇代码"));
  EXPECT_EQ(t->MasterSource(), ds);
  // Without a master the table stands alone.
  TADOTable* plain = NewTable(&owner, "t_plain", Dm1->ADO_system, u("楼宇资料"));
  EXPECT_EQ(plain->MasterSource(), nullptr);
  EXPECT_TRUE(plain->MasterFields.isEmpty());
}

TEST(WindowPartsToolBar, ButtonsStandInOrderKeptInMembersAndRunTheirHandlers) {
  BarWindow w;
  const TToolBar bar = NewToolBar<BarWindow>(&w, kRecordToolBar,
                                             {{&BarWindow::first, "bitbtn_first", "增加", &BarWindow::firstClick},
                                              {nullptr, "bitbtn_unkept", "刷新", nullptr},
                                              {&BarWindow::second, "bitbtn_second", "返回", &BarWindow::secondClick}});
  ASSERT_NE(bar.frame, nullptr);
  EXPECT_EQ(bar.frame->objectName(), u("Panel1"));
  EXPECT_EQ(bar.frame->frameShape(), QFrame::StyledPanel);
  EXPECT_EQ(bar.row->contentsMargins(), QMargins(2, 2, 2, 2));
  EXPECT_EQ(bar.row->spacing(), 0);
  ASSERT_EQ(bar.row->count(), 3);
  QStringList names, captions;
  for (int i = 0; i < bar.row->count(); ++i) {
    auto* b = qobject_cast<QToolButton*>(bar.row->itemAt(i)->widget());
    ASSERT_NE(b, nullptr);
    names << b->objectName();
    captions << b->text();
    EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
  }
  EXPECT_EQ(names, (QStringList{u("bitbtn_first"), u("bitbtn_unkept"), u("bitbtn_second")}));
  EXPECT_EQ(captions, (QStringList{u("增加"), u("刷新"), u("返回")}));
  ASSERT_NE(w.first, nullptr);
  ASSERT_NE(w.second, nullptr);
  w.second->click();
  w.first->click();
  EXPECT_EQ(w.clicked, (QStringList{u("second"), u("first")}));

  // The service windows' bare row keeps the style's margins.
  BarWindow plain;
  const TToolBar bare = NewToolBar<BarWindow>(&plain, kServiceToolBar, {});
  EXPECT_TRUE(bare.frame->objectName().isEmpty());
  EXPECT_EQ(bare.frame->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(bare.row->spacing(), 0);
}

TEST_F(WindowPartsTest, PickerListsComeFromTheQueryInOrderAndTheQueryIsClosed) {
  const QStringList lines{u("select * from 楼宇资料"), u("order by 楼宇代码, 小区代码")};
  EXPECT_EQ(SearchFieldValues(lines, u("楼宇名称")), (QStringList{u("一号楼"), u("一号楼"), u("二号楼")}));
  EXPECT_EQ(SearchFieldValues(lines, u("楼宇名称"), true), (QStringList{u("一号楼"), u("二号楼")}));
  EXPECT_FALSE(Dm1->q_search->Active());
  QComboBox box;
  box.addItem(u("旧的"));
  FillComboFromQuery(&box, Dm1->q_storeyinfo, lines, u("楼宇代码"));
  ASSERT_EQ(box.count(), 3);
  EXPECT_EQ(box.itemText(0), u("B1"));
  EXPECT_EQ(box.itemText(2), u("B2"));
  // An empty result empties the list.
  FillComboFromQuery(&box, Dm1->q_storeyinfo, {u("select * from 楼宇资料 where 1=0")}, u("楼宇代码"));
  EXPECT_EQ(box.count(), 0);
}

TEST_F(WindowPartsTest, EstateScopingAppliesOnlyToAnEstateScopedLogIn) {
  const QStringList unscoped = EstateScopedSelect(u("select * from 楼宇资料 "), u("order by 楼宇名称"));
  EXPECT_EQ(unscoped, (QStringList{u("select * from 楼宇资料 "), u("order by 楼宇名称")}));
  EXPECT_TRUE(EstateScopeCondition().isEmpty());
  EXPECT_EQ(SearchFieldValues(unscoped, u("楼宇代码")).size(), 3);

  GardenScoped = true;
  CurrentGardenCode = u("E'2");
  EXPECT_EQ(EstateScopeCondition(), u("(小区代码='E''2')"));
  CurrentGardenCode = u("E2");
  const QStringList scoped = EstateScopedSelect(u("select * from 楼宇资料"), QString());
  EXPECT_EQ(scoped, (QStringList{u("select * from 楼宇资料"), u("where (小区代码='E2')")}));
  EXPECT_EQ(SearchFieldValues(scoped, u("楼宇代码")), (QStringList{u("B1"), u("B2")}));

  // The rows of one estate: a building code shared by two estates counts once.
  EXPECT_EQ(SearchFieldValues(EstateRowsSql(u("楼宇资料"), u("楼宇代码"), u("B1"), u("E1")), u("小区代码")),
            QStringList{u("E1")});
}

TEST_F(WindowPartsTest, SearchConditionsSkipBlankValuesQuoteInputAndCoverWholeDays) {
  TSearchConditions none;
  none.Contains(u("房屋代码"), u("  ")).Equals(u("房型"), QString()).Add(QString());
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_TRUE(none.Text().isEmpty());

  TDateTime from = 0, to = 0;
  ASSERT_TRUE(TryStrToDate(u("2024-3-1"), from));
  ASSERT_TRUE(TryStrToDate(u("2024-3-31"), to));
  TSearchConditions c;
  c.Contains(u("业主名称"), u("50%_o'k")).Equals(u("房型"), u("三'室")).Days(u("入伙日期"), from + 0.5, to);
  EXPECT_EQ(c.Parts().size(), 3);
  EXPECT_EQ(c.Text(), u("(业主名称 like '%50\\%\\_o''k%' ESCAPE '\\')and(房型 = '三''室')and"
                        "(入伙日期 between '2024-03-01 00:00:00' and '2024-03-31 23:59:59')"));
  EXPECT_EQ(DaysCondition(u("日期"), from, from, TDateLiteral::Jet),
            u("(日期 between cdate('2024-03-01 00:00:00') and cdate('2024-03-01 23:59:59'))"));
  EXPECT_EQ(LikeCondition(u("文件名称"), u("a"), u("ilike")), u("(文件名称 ilike '%a%' ESCAPE '\\')"));

  // The conditions find what they say, literally: a % in the value is no wildcard.
  Dm1->ADO_system->Execute(u("insert into 房屋资料 (小区代码, 房屋代码, 业主名称) values ('E1', 'H1', '50%折扣'), "
                             "('E1', 'H2', '500折扣')"));
  TSearchConditions found;
  found.Contains(u("业主名称"), u("50%"));
  EXPECT_EQ(SearchFieldValues({u("select * from 房屋资料 where ") + found.Text()}, u("房屋代码")), QStringList{u("H1")});

  GardenScoped = true;
  CurrentGardenCode = u("E9");
  found.EstateScope();
  EXPECT_TRUE(SearchFieldValues({u("select * from 房屋资料 where ") + found.Text()}, u("房屋代码")).isEmpty());
}
