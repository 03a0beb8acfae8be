// The tree editor of the coded type tables: levels of codes by pattern, the next code under a
// node, the tree built from the table, adding, renaming, deleting and choosing entries, and the
// callers' drop-down that copies the chosen entry into their row.
#include <gtest/gtest.h>
#include "platform/utf8.h"

#include <QApplication>
#include <QTreeWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "shell/TreeEditBase.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {


class TreeEditTest : public DataModuleTest {
 protected:
  void SetUp() override {
    OpenDatabases();
  }
  void TearDown() override {
    editor_.reset();
    CloseDatabases();
  }
  void fill(const QStringList& codes, const QString& table = u("楼层信息")) {
    for (const QString& code : codes)
      exec(u("insert into ") + table + u(" (代码, 名称) values ('") + code + u("', '名") + code + u("')"));
  }
  // "code=name;..." of the table in code order.
  QString rows(const QString& table = u("楼层信息")) {
    TADOQuery q;
    q.SetConnection(Dm1->ADO_system);
    q.SQL.Add(u("select 代码, 名称 from ") + table + u(" order by 代码"));
    q.Open();
    QStringList out;
    for (q.First(); !q.Eof(); q.Next()) out << q.Fields()[0]->AsString() + u("=") + q.Fields()[1]->AsString();
    return out.join(u(";"));
  }
  TfrmTreeEditBase* open(const QString& pattern = u("3"), const QString& table = u("楼层信息")) {
    editor_ = std::make_unique<TfrmTreeEditBase>();
    editor_->TypeTable = table;
    editor_->CodeField = u("代码");
    editor_->NameField = u("名称");
    editor_->LevelPattern = pattern;
    editor_->RootCaption = u("楼层设置");
    editor_->InitTree();
    return editor_.get();
  }
  // The tree as "text(code)" lines, children indented by their level.
  static QString tree(TfrmTreeEditBase* e) {
    QStringList out;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
      out << QString(depth, QLatin1Char(' ')) + item->text(0) + u("(") + TfrmTreeEditBase::NodeCode(item) + u(")");
      for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), depth + 1);
    };
    walk(e->RootNode(), 0);
    return out.join(u("|"));
  }
  // Answers the next name dialog: types `name` and confirms, or cancels when `name` is null.
  static void answerName(ScriptedUi& ui, const QString& name, QString* shownCode = nullptr) {
    ui.onWindow<TfrmTypeEdit>([name, shownCode](TfrmTypeEdit* dialog) {
      EXPECT_EQ(dialog->windowTitle(), u("编辑"));
      EXPECT_FALSE(dialog->edtCode->isEnabled());
      if (shownCode) *shownCode = dialog->edtCode->Text();
      if (name.isNull()) {
        dialog->btnCancel->click();
        return;
      }
      dialog->edtName->SetText(name);
      dialog->btnOK->click();
    });
  }

  std::unique_ptr<TfrmTreeEditBase> editor_;
};

}  // namespace

TEST(TreeEditCodes, LevelOfACodeUnderAPattern) {
  const struct {
    const char* pattern;
    const char* code;
    int level;
  } cases[] = {
      {"3", "001", 1},    {"3", "01", -1},     {"3", "0011", -1},  {"32", "00101", 2}, {"32", "0010", -1},
      {"222", "01", 1},   {"222", "0102", 2},  {"222", "010203", 3}, {"", "001", -1},  {"3", "", -1},
      {"123", "0", 1},    {"123", "000", 2},   {"123", "000000", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " / " + c.code);
    EXPECT_EQ(TfrmTreeEditBase::CodeLevel(u(c.pattern), u(c.code)), c.level);
  }
}

TEST_F(TreeEditTest, NextCodeUnderANode) {
  const struct {
    const char* pattern;
    QStringList existing;
    const char* node;  // code of the node asked; "" the root
    const char* code;  // expected; "" none
    const char* message;
  } cases[] = {
      {"3", {}, "", "001", nullptr},
      {"3", {"001", "002", "005"}, "", "006", nullptr},  // maximum plus one, gaps stay
      {"3", {"001", "999"}, "", "", "该结点下的子结点数将超过最大数！不能再增加结点 "},
      {"3", {"001"}, "001", "", "分类级数已超过最大数！ "},
      {"32", {"001", "00101", "00103", "002", "00299"}, "001", "00104", nullptr},
      {"32", {"001", "002", "00299"}, "002", "", "该结点下的子结点数将超过最大数！不能再增加结点 "},
      {"32", {"001", "002"}, "002", "00201", nullptr},
      {"32", {"001", "00101"}, "00101", "", "分类级数已超过最大数！ "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " node " + c.node + " -> " + c.code);
    exec(u("delete from 楼层信息"));
    fill(c.existing);
    ScriptedUi ui;
    TfrmTreeEditBase* e = open(u(c.pattern));
    QTreeWidgetItem* node = e->FindNode(u(c.node));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(e->NewChildCode(node), u(c.code));
    if (c.message) {
      ASSERT_EQ(ui.messages().size(), 1);
      EXPECT_EQ(ui.lastMessage().text, u(c.message));
      EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);
      EXPECT_EQ(ui.lastMessage().caption, u("提示"));
    } else {
      EXPECT_TRUE(ui.messages().isEmpty());
    }
  }
}

TEST_F(TreeEditTest, TreeShowsRowsByLevelAndLeavesOutCodesOfNoLevel) {
  fill({"002", "001", "00102", "00101", "01", "0010", "003"});
  TfrmTreeEditBase* e = open(u("32"));
  EXPECT_EQ(tree(e), u("楼层设置()| 名001(001)|  名00101(00101)|  名00102(00102)| 名002(002)| 名003(003)"));
  EXPECT_TRUE(e->RootNode()->isExpanded());
  EXPECT_EQ(e->FindNode(u("01")), nullptr);
  e->show();
  EXPECT_EQ(e->windowTitle(), u("楼层设置"));
}

TEST_F(TreeEditTest, AddAsksTheNameAndStoresOnlyConfirmedNames) {
  TfrmTreeEditBase* e = open();
  EXPECT_EQ(tree(e), u("楼层设置()"));
  ScriptedUi ui;
  e->tvType->setCurrentItem(e->RootNode());
  QString shown;
  answerName(ui, u("一楼"), &shown);
  e->btnAddNew->click();
  EXPECT_EQ(shown, u("001"));
  EXPECT_EQ(rows(), u("001=一楼"));

  // Cancelled, or confirmed empty: nothing stored, no node.
  answerName(ui, QString());
  e->btnAddNew->click();
  answerName(ui, u(""));
  e->btnAddNew->click();
  EXPECT_EQ(rows(), u("001=一楼"));

  answerName(ui, u("二楼"), &shown);
  e->btnAddNew->click();
  EXPECT_EQ(shown, u("002"));
  EXPECT_EQ(rows(), u("001=一楼;002=二楼"));
  EXPECT_EQ(tree(e), u("楼层设置()| 一楼(001)| 二楼(002)"));

  // An entry under an entry is refused with the one-level pattern.
  e->tvType->setCurrentItem(e->FindNode(u("001")));
  e->btnAddNew->click();
  EXPECT_EQ(ui.lastMessage().text, u("分类级数已超过最大数！ "));
  EXPECT_EQ(rows(), u("001=一楼;002=二楼"));
  EXPECT_EQ(ui.modalWindows().size(), 4);
}

TEST_F(TreeEditTest, RenameCancelledThenDeleteStoresOnlyTheDeletion) {
  fill({"001", "002", "003"});
  TfrmTreeEditBase* e = open();
  ScriptedUi ui;
  e->tvType->setCurrentItem(e->FindNode(u("002")));
  answerName(ui, QString());
  e->btnEdit->click();
  e->tvType->setCurrentItem(e->FindNode(u("003")));
  ui.answerMessage(mrYes);
  e->btnDel->click();
  EXPECT_EQ(ui.lastMessage().text, u("您真的要删除该类别吗？"));
  EXPECT_EQ(ui.lastMessage().caption, u("提示"));
  EXPECT_EQ(ui.lastMessage().defaultButton, int(mrYes));
  EXPECT_EQ(rows(), u("001=名001;002=名002"));
  EXPECT_EQ(e->FindNode(u("003")), nullptr);

  // A confirmed rename changes the row and the node.
  e->tvType->setCurrentItem(e->FindNode(u("001")));
  answerName(ui, u("地下室"));
  e->btnEdit->click();
  EXPECT_EQ(rows(), u("001=地下室;002=名002"));
  EXPECT_EQ(e->FindNode(u("001"))->text(0), u("地下室"));

  // No keeps the entry; the root is never deleted or renamed.
  e->tvType->setCurrentItem(e->FindNode(u("002")));
  ui.answerMessage(mrNo);
  e->btnDel->click();
  e->tvType->setCurrentItem(e->RootNode());
  e->btnDel->click();
  e->btnEdit->click();
  EXPECT_EQ(rows(), u("001=地下室;002=名002"));
}

TEST_F(TreeEditTest, NodeWithChildrenIsNotDeleted) {
  fill({"001", "00101"});
  TfrmTreeEditBase* e = open(u("32"));
  ScriptedUi ui;
  e->tvType->setCurrentItem(e->FindNode(u("001")));
  e->btnDel->click();
  EXPECT_EQ(ui.lastMessage().text, u("该结点包含下级子结点,不能删除！ "));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);
  EXPECT_EQ(rows(), u("001=名001;00101=名00101"));
}

TEST_F(TreeEditTest, ChoosingGivesCodeAndNameAndTheRootGivesNothing) {
  fill({"001", "002"});
  const struct {
    const char* node;
    const char* button;  // btnOK, btnClose or "dbl"
    const char* code;
    const char* name;
  } cases[] = {{"002", "btnOK", "002", "名002"},
               {"001", "dbl", "001", "名001"},
               {"", "btnOK", "", ""},
               {"001", "btnClose", "", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.node) + " " + c.button);
    TfrmTreeEditBase* e = open();
    e->SelectedCode = u("x");
    e->SelectedName = u("x");
    e->tvType->setCurrentItem(e->FindNode(u(c.node)));
    if (QString::fromLatin1(c.button) == QLatin1String("dbl")) e->tvTypeDblClick();
    else e->findChild<QPushButton*>(QString::fromLatin1(c.button))->click();
    EXPECT_EQ(e->SelectedCode, u(c.code));
    EXPECT_EQ(e->SelectedName, u(c.name));
  }
}

TEST_F(TreeEditTest, CallersDropDownWritesTheChosenEntryOnlyWhileEditing) {
  fill({"001", "002"}, u("客户类型"));
  exec(u("insert into 房屋租赁表 (房屋代码, 客户名称, 客户类型代码, 客户类型名称, 迁入日期) "
         "values ('A1', '张三', '009', '旧类型', '2005-01-01 00:00:00')"));
  TADOQuery lease;
  lease.SetConnection(Dm1->ADO_system);
  lease.SQL.Add(u("select * from 房屋租赁表"));
  lease.Open();
  ScriptedUi ui;

  // Browsing: nothing opens.
  EXPECT_FALSE(ChooseTypeEntry(nullptr, TypeTableKind::CustomerType, false, &lease));
  EXPECT_TRUE(ui.modalWindows().isEmpty());

  // The root chosen: the row keeps its type.
  ui.onWindow<TfrmTreeEditBase>([](TfrmTreeEditBase* e) {
    EXPECT_EQ(e->TypeTable, u("客户类型"));
    EXPECT_EQ(e->LevelPattern, u("3"));
    EXPECT_EQ(e->RootNode()->text(0), u("客户类型设置"));
    e->tvType->setCurrentItem(e->RootNode());
    e->btnOK->click();
  });
  EXPECT_FALSE(ChooseTypeEntry(nullptr, TypeTableKind::CustomerType, true, &lease));
  EXPECT_EQ(lease.FieldByName(u("客户类型代码"))->AsString(), u("009"));

  ui.onModal([](QDialog* d) {
    auto* e = qobject_cast<TfrmTreeEditBase*>(d);
    e->tvType->setCurrentItem(e->FindNode(u("002")));
    e->btnOK->click();
  });
  EXPECT_TRUE(ChooseTypeEntry(nullptr, TypeTableKind::CustomerType, true, &lease));
  EXPECT_EQ(lease.State(), dsEdit);
  EXPECT_EQ(lease.FieldByName(u("客户类型代码"))->AsString(), u("002"));
  EXPECT_EQ(lease.FieldByName(u("客户类型名称"))->AsString(), u("名002"));

  // The house window's three type fields: each opens its own table under its caption and
  // fills its own pair of fields.
  fill({"001"}, u("楼层信息"));
  fill({"001", "002"}, u("房型信息"));
  fill({"001", "002", "003"}, u("产权状况"));
  exec(u("insert into 房屋资料 (房屋代码) values ('B1')"));
  TADOQuery house;
  house.SetConnection(Dm1->ADO_system);
  house.SQL.Add(u("select * from 房屋资料"));
  house.Open();
  const struct {
    TypeTableKind kind;
    const char* caption;
    const char* chosen;
    const char* code;
    const char* name;
  } calls[] = {{TypeTableKind::Floor, "楼层设置", "001", "楼层代码", "楼层"},
               {TypeTableKind::HouseType, "房型设置", "002", "房型代码", "房型"},
               {TypeTableKind::Ownership, "产权状况设置", "003", "产权状况代码", "产权状况"}};
  for (const auto& c : calls) {
    SCOPED_TRACE(c.caption);
    ui.onModal([&c](QDialog* d) {
      auto* e = qobject_cast<TfrmTreeEditBase*>(d);
      EXPECT_EQ(e->windowTitle(), u(c.caption));
      e->tvType->setCurrentItem(e->FindNode(u(c.chosen)));
      e->btnOK->click();
    });
    EXPECT_TRUE(ChooseTypeEntry(nullptr, c.kind, true, &house));
    EXPECT_EQ(house.FieldByName(u(c.code))->AsString(), u(c.chosen));
    EXPECT_EQ(house.FieldByName(u(c.name))->AsString(), u("名") + u(c.chosen));
  }
  house.Post();
  EXPECT_EQ(house.FieldByName(u("楼层"))->AsString(), u("名001"));
}

TEST_F(TreeEditTest, RefusedWriteLeavesTreeAndTableAsTheyWere) {
  fill({"001"});
  exec(u("create trigger refuse_floor before insert on 楼层信息 begin select raise(abort, '楼层信息只读'); end"));
  TfrmTreeEditBase* e = open();
  ScriptedUi ui;
  e->tvType->setCurrentItem(e->RootNode());
  answerName(ui, u("二楼"));
  e->btnAddNew->click();
  EXPECT_TRUE(ui.lastMessage().text.contains(u("楼层信息只读")));
  EXPECT_EQ(tree(e), u("楼层设置()| 名001(001)"));
  EXPECT_EQ(e->qryTmp->PendingUpdateCount(), 0);
  // The next action starts clean: a rename goes out alone.
  exec(u("drop trigger refuse_floor"));
  e->tvType->setCurrentItem(e->FindNode(u("001")));
  answerName(ui, u("一楼"));
  e->btnEdit->click();
  EXPECT_EQ(rows(), u("001=一楼"));
}
