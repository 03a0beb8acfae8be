#include "shell/storeyinfo.h"

#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

const QStringList& BuildingCopyTables() {
  static const QStringList tables = {u("房屋资料"),   u("楼宇电表分摊"), u("楼宇水表分摊"),
                                     u("收费汇总表"), u("收费明细表"),   u("押金明细表"),
                                     u("房屋收费项目"), u("业主投诉表"), u("房屋租赁表")};
  return tables;
}

QStringList BuildingRenameStatements(const QString& estateCode, const QString& oldCode, const QString& newCode,
                                     const QString& newName) {
  // Two estates may hold buildings of the same code: only this estate's copies change.
  QStringList out;
  for (const QString& table : BuildingCopyTables())
    out << u("update ") + table + u(" set 楼宇代码=") + SqlQuote::Text(newCode) + u(",楼宇名称=") +
               SqlQuote::Text(newName) + u(" where (楼宇代码=") + SqlQuote::Text(oldCode) + u(")and") +
               SameEstateCondition(estateCode);
  return out;
}

TForm_storeyinfo::TForm_storeyinfo(QWidget* parent) : TRecordForm(parent) {
  SetupDialog(this, "Form_storeyinfo", u("楼宇资料管理"));
  std::tie(q_gardeninfo, ds_gardeninfo, t_storeyinfo, ds_storeyinfo) =
      NewMasterDetail(this, "gardeninfo", "storeyinfo", u("楼宇资料"), u("小区代码"));
  SetMainDataSet(t_storeyinfo);

  using F = TForm_storeyinfo;
  const TToolBar bar =
      NewRecordToolBar<F>(this, {{&F::bitbtn_select, "bitbtn_select", "选中", &F::bitbtn_selectClick}});
  bitbtn_select->setEnabled(false);
  Label12 = AddToolBarHint(bar, "Label12", u("提示：楼宇代码可以和楼宇名称一样！"));
  RegisterStandardToolStates();

  // Editors.
  auto* panel = NewEditorPanel(this);
  DBEdit2 = NewBoundEditor<TDBEditEh>(panel, "DBEdit2", ds_storeyinfo, "楼宇代码");
  SetUpperCaseTyping(DBEdit2);
  SpeedButton1 = new QToolButton(panel);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setText(u("<<"));
  SpeedButton1->setToolTip(u("楼宇代码等于楼宇名称"));
  QFont bold = SpeedButton1->font();
  bold.setBold(true);
  SpeedButton1->setFont(bold);
  DBEdit3 = NewBoundEditor<TDBEditEh>(panel, "DBEdit3", ds_storeyinfo, "楼宇名称");
  SetUpperCaseTyping(DBEdit3);
  DBDateTimeEditEh1 = NewBoundEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh1", ds_storeyinfo, "建成日期");
  DBEdit4 = NewBoundEditor<TDBEditEh>(panel, "DBEdit4", ds_storeyinfo, "楼房结构");
  DBNumberEditEh1 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh1", ds_storeyinfo, "楼宇层数");
  DBNumberEditEh2 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh2", ds_storeyinfo, "单元数");
  DBNumberEditEh3 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh3", ds_storeyinfo, "房屋数量");
  DBNumberEditEh4 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh4", ds_storeyinfo, "住户数量");
  DBNumberEditEh5 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh5", ds_storeyinfo, "空置房数量");
  DBEdit1 = NewBoundEditor<TDBEditEh>(panel, "DBEdit1", ds_storeyinfo, "备注");
  OnEditorDoubleClick(DBEdit1, [this] { DBEdit1DblClick(); });
  auto* fields = new QGridLayout(panel);
  PlaceCodeEditor(fields, panel, u("楼宇代码："), DBEdit2, SpeedButton1);
  PlaceEditors(fields, panel,
               {{"楼宇名称：", DBEdit3, 0, 1},          {"建成日期：", DBDateTimeEditEh1, 0, 2},
                {"楼房结构：", DBEdit4, 1, 0},          {"楼宇层数：", DBNumberEditEh1, 1, 1},
                {"单元数：", DBNumberEditEh2, 1, 2},    {"房屋数量：", DBNumberEditEh3, 2, 0},
                {"住户数量：", DBNumberEditEh4, 2, 1},  {"空置房数量：", DBNumberEditEh5, 2, 2},
                {"备注：", DBEdit1, 3, 0, 5}});
  AddTextEditors({DBEdit2, DBEdit3, DBEdit4, DBNumberEditEh1, DBNumberEditEh2, DBNumberEditEh3, DBNumberEditEh4,
                  DBNumberEditEh5, DBEdit1});
  AddListEditor(DBDateTimeEditEh1);

  // Estates.
  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_gardeninfo, 0);
  AddGridColumns(DBGridEh2, {{"小区名称", 120, fvtNon, "楼盘名称"}, {"小区地址", 150, fvtNon, "楼盘地址"},
                             {"楼宇数量", 60}, {"房屋数量", 60}, {"住户房屋数量", 80}, {"备注", 120}});
  AddStateGrid(DBGridEh2);

  // Buildings of the selected estate.
  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_storeyinfo);
  AddGridColumns(DBGridEh1, {{"楼宇代码", 80, fvtCount}, {"楼宇名称", 110}, {"建成日期", 90}, {"楼房结构", 80},
                             {"楼宇层数", 60}, {"房屋数量", 70, fvtSum}, {"住户数量", 70, fvtSum},
                             {"空置房数量", 70, fvtSum}, {"小区代码", 70}, {"小区名称", 100}, {"备注", 150},
                             {"操作人员", 70}, {"操作日期", 130}});
  StripeGridRows(DBGridEh1);
  PrintDBGridEh1 = SetupMainList(DBGridEh1, u("楼盘楼宇资料明细表"));

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName(QStringLiteral("Splitter1"));
  splitter->addWidget(DBGridEh2);
  splitter->addWidget(DBGridEh1);
  splitter->setStretchFactor(1, 3);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar.frame);
  column->addWidget(panel);
  column->addWidget(splitter, 1);
  OpenMaximised(this, QSize(1000, 640));

  ConnectClicks(this, {{SpeedButton1, &TForm_storeyinfo::SpeedButton1Click}});

  // Enter: 楼宇代码 → 楼宇名称 → 建成日期 → 楼房结构 → 楼宇层数 → 房屋数量 → 住户数量 → 空置房数量
  // → 单元数 → 备注 → 楼宇名称.
  auto* chain = new TEnterChain(this);
  chain->Chain({DBEdit2, DBEdit3, DBDateTimeEditEh1, DBEdit4, DBNumberEditEh1, DBNumberEditEh3, DBNumberEditEh4,
                DBNumberEditEh5, DBNumberEditEh2, DBEdit1});
  chain->Link(DBEdit1, DBEdit3);

  SetImeNames({DBEdit1, DBEdit3}, CurrentOperatorIme);
  SetBrowseState();
}

bool TForm_storeyinfo::listHasRows() const { return t_storeyinfo->Active() && !t_storeyinfo->IsEmpty(); }

void TForm_storeyinfo::bitbtn_addClick() {
  if (!RecordAddUnder(q_gardeninfo, u("楼盘资料中没有记录,请先增加小区资料!"), t_storeyinfo, DBEdit2, "编辑权")) return;
  // The link gives the new building its 小区代码; the estate's name is copied beside it.
  t_storeyinfo->FieldByName(u("小区名称"))->SetAsString(q_gardeninfo->FieldByName(u("小区名称"))->AsString());
}

void TForm_storeyinfo::bitbtn_editClick() { RecordEditOrAdd(t_storeyinfo, DBEdit2, "编辑权"); }

void TForm_storeyinfo::bitbtn_saveClick() {
  TADOTable* t = t_storeyinfo;
  bool adding = false;
  if (!BeginChangedSave(t, &adding)) return;
  // Kept as typed: trimmed, in upper case.
  KeepTrimmedUpper(t->FieldByName(u("楼宇代码")));
  KeepTrimmedUpper(t->FieldByName(u("楼宇名称")));
  if (!RequireFields(t, {{"楼宇代码", DBEdit2, "楼宇代码不能为空,请重新输入!"},
                         {"楼宇名称", DBEdit3, "楼宇名称不能为空,请重新输入!"}}))
    return;
  // Unique within the estate; a new code is written into every copy of this estate's building.
  const QString estate = t->FieldByName(u("小区代码"))->AsString();
  const QString name = t->FieldByName(u("楼宇名称"))->AsString();
  const TRenamableKey key{
      u("楼宇代码"), DBEdit2, EstateKeySql(u("楼宇资料"), estate, u("楼宇代码"), t->FieldByName(u("楼宇代码"))->AsString()),
      u("该楼盘名称中的楼宇代码重复,请重新输入!"), [&](const QString& oldCode, const QString& newCode) {
        return BuildingRenameStatements(estate, oldCode, newCode, name);
      }};
  if (SaveRenamableRow(t, adding, key)) ShowInformation(u("保存完毕！"));
}

void TForm_storeyinfo::bitbtn_deleteClick() {
  // A building with houses of its own estate stays; this check comes before the right.
  DeleteUnlessUsedInEstate(t_storeyinfo, u("房屋资料"), u("楼宇代码"), u("抱歉，该楼宇还有房屋资料，不能删除！"));
}

void TForm_storeyinfo::bitbtn_selectClick() {
  if (!listHasRows()) return;
  TADOQuery* houses = Dm1->q_houseinfo;
  if (!houses->Active()) return;
  if (houses->State() == dsBrowse) {
    if (houses->IsEmpty()) return;
    houses->Edit();
  }
  houses->FieldByName(u("楼宇名称"))->SetAsString(t_storeyinfo->FieldByName(u("楼宇名称"))->AsString());
  close();
}

void TForm_storeyinfo::SpeedButton1Click() {
  // Offered only while a building is added or edited, so the code passes the save's checks.
  if (!IsEditing() || !t_storeyinfo->Active()) return;
  if (t_storeyinfo->State() == dsBrowse) t_storeyinfo->Edit();
  t_storeyinfo->UpdateRecord();
  t_storeyinfo->FieldByName(u("楼宇代码"))->SetAsString(t_storeyinfo->FieldByName(u("楼宇名称"))->AsString());
  DBEdit2->setFocus();
}

void TForm_storeyinfo::DBEdit1DblClick() { EditMemoOfRow(this, DBEdit1, ds_storeyinfo, u("备注")); }

void OpenStoreyInfoWindow(QWidget* owner) {
  if (!CheckActionRight("楼宇资料设置")) return;
  auto* window = new TForm_storeyinfo(owner);
  TADOQuery* q = window->q_gardeninfo;
  ReopenQuery(q, EstateScopedSelect(u("select * from 小区资料"), u("order by 小区名称")));
  window->t_storeyinfo->Open();
  RunModal(window);
  window->t_storeyinfo->Close();
  q->Close();
  delete window;
  Dm1->q_storeyinfo->Close();
}
