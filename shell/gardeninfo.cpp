#include "shell/gardeninfo.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "platform/gbk.h"
#include "platform/ui.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

namespace {

bool editing(TDataSet* ds) { return ds->State() == dsEdit || ds->State() == dsInsert; }
}  // namespace

// ---------------------------------------------------------------------------------------
// Shared helpers

void SetUpperCaseTyping(TCustomDBEditEh* editor) {
  editor->SetKeyPressHandler([](TCustomMaskEdit*, QChar& key) {
    if (key.unicode() >= 32) key = key.toUpper();
  });
}

QString SameEstateCondition(const QString& estateCode) {
  if (estateCode.isEmpty()) return u("(coalesce(小区代码,'')='')");
  return u("(小区代码=") + SqlQuote::Text(estateCode) + u(" or coalesce(小区代码,'')='')");
}

bool PostWithRenameCascade(TDataSet* dataSet, const QString& operatorField, const QStringList& statements) {
  TADOConnection* connection = Dm1->ADO_system;
  const int level = connection->BeginTrans();
  TADOQuery* q = Dm1->q_search;
  try {
    if (TField* f = dataSet->FindField(operatorField)) f->SetAsString(CurrentOperatorName);
    if (TField* f = dataSet->FindField(u("操作日期"))) f->SetAsDateTime(Now());
    dataSet->Post();
    for (const QString& statement : statements) {
      q->Close();
      q->SQL.Clear();
      q->SQL.Add(statement);
      q->ExecSQL();
      q->Close();
    }
    q->SQL.Clear();
    connection->CommitTrans();
    return true;
  } catch (const Exception& e) {
    q->Close();
    try {
      while (connection->TransactionLevel() >= level) connection->RollbackTrans();
    } catch (const Exception&) {
      // The database ended the transaction itself; nothing of it was kept.
    }
    if (editing(dataSet)) dataSet->Cancel();
    ShowDataError(u("存盘失败"), e.message());
    return false;
  }
}

const QStringList& EstateCopyTables() {
  // The tables of every part of the office that carry 小区代码 and 小区名称.
  static const QStringList tables = {
      u("楼宇资料"),   u("楼宇电表分摊"), u("楼宇水表分摊"), u("权限表"),     u("权限小区表"),
      u("收费项目"),   u("收费汇总表"),   u("收费明细表"),   u("押金明细表"), u("房屋资料"),
      u("房屋收费项目"), u("关联单位"),   u("业主投诉表"),   u("房屋租赁表"), u("保洁项目"),
      u("保洁明细表"), u("设备表"),       u("设备维护明细表"), u("员工工作日志")};
  return tables;
}

QStringList EstateRenameStatements(const QString& oldCode, const QString& newCode, const QString& newName) {
  QStringList out;
  for (const QString& table : EstateCopyTables())
    out << u("update ") + table + u(" set 小区代码=") + SqlQuote::Text(newCode) + u(",小区名称=") +
               SqlQuote::Text(newName) + u(" where 小区代码=") + SqlQuote::Text(oldCode);
  return out;
}

void ReopenAt(TDataSet* dataSet, const QString& keyField, const QString& key) {
  if (editing(dataSet)) dataSet->Cancel();
  dataSet->Close();
  dataSet->Open();
  if (!key.isEmpty() && !dataSet->IsEmpty()) dataSet->Locate(keyField, Variant(key));
}

// ---------------------------------------------------------------------------------------
// TForm_gardeninfo

TForm_gardeninfo::TForm_gardeninfo(QWidget* parent) : TRecordForm(parent) {
  SetupDialog(this, "Form_gardeninfo", u("楼盘资料管理"));

  q_gardeninfo = NewQuery(this, "q_gardeninfo", Dm1->ADO_system);
  ds_gardeninfo = NewDataSource(this, "ds_gardeninfo", q_gardeninfo);
  SetMainDataSet(q_gardeninfo);

  // Tool bar. 增加 and 删除 are not browse buttons here: nothing enables them.
  const TToolBar bar = NewRecordToolBar<TForm_gardeninfo>(this);
  Label10 = AddToolBarHint(bar, "Label10", u("提示：楼盘代码长度不能小于4位！"));
  bitbtn_add->setEnabled(false);
  bitbtn_delete->setEnabled(false);
  AddBrowseButtons({bitbtn_edit, bitbtn_out, bitbtn_print});
  AddEditButton(bitbtn_save);
  AddEditButton(bitbtn_cancel);

  // Editors.
  auto* panel = NewEditorPanel(this);
  DBEdit1 = NewBoundEditor<TDBEditEh>(panel, "DBEdit1", ds_gardeninfo, "小区代码");
  SetUpperCaseTyping(DBEdit1);
  DBEdit2 = NewBoundEditor<TDBEditEh>(panel, "DBEdit2", ds_gardeninfo, "小区名称");
  DBEdit3 = NewBoundEditor<TDBEditEh>(panel, "DBEdit3", ds_gardeninfo, "小区地址");
  DBNumberEditEh1 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh1", ds_gardeninfo, "楼宇数量");
  DBNumberEditEh2 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh2", ds_gardeninfo, "房屋数量");
  DBNumberEditEh3 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh3", ds_gardeninfo, "住户数量");
  DBEdit4 = NewBoundEditor<TDBEditEh>(panel, "DBEdit4", ds_gardeninfo, "备注");
  DBMemo1 = NewBoundEditor<TDBMemo>(panel, "DBMemo1", ds_gardeninfo, "小区简介");
  DBMemo1->setMaximumHeight(64);
  OnEditorDoubleClick(DBMemo1, [this] { DBMemo1DblClick(); });
  auto* fields = new QGridLayout(panel);
  PlaceEditors(fields, panel,
               {{"楼盘代码：", DBEdit1, 0, 0},         {"楼盘名称：", DBEdit2, 0, 1},
                {"地址：", DBEdit3, 0, 2},             {"楼宇数量：", DBNumberEditEh1, 1, 0},
                {"房屋数量：", DBNumberEditEh2, 1, 1}, {"住户数量：", DBNumberEditEh3, 1, 2},
                {"备注：", DBEdit4, 2, 0, 5},          {"楼盘简介：", DBMemo1, 3, 0, 5}},
               Qt::AlignRight | Qt::AlignTop);
  AddTextEditors({DBEdit1, DBEdit2, DBEdit3, DBNumberEditEh1, DBNumberEditEh2, DBNumberEditEh3, DBEdit4, DBMemo1});

  // The list.
  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_gardeninfo);
  AddGridColumns(DBGridEh1, {{"小区代码", 90, fvtCount, "楼盘代码"}, {"小区名称", 160, fvtNon, "楼盘名称"},
                             {"小区地址", 200, fvtNon, "楼盘地址"}, {"楼宇数量", 70}, {"房屋数量", 70},
                             {"住户房屋数量", 90}, {"操作人员", 80}, {"操作日期", 130}, {"备注", 200}});
  StripeGridRows(DBGridEh1);
  PrintDBGridEh1 = SetupMainList(DBGridEh1, u("楼盘资料明细表"));

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar.frame);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 1);
  OpenMaximised(this, QSize(900, 600));

  // Enter: 楼盘代码 → 楼盘名称 → 地址 → 楼宇数量 → 房屋数量 → 住户数量 → 备注 → 楼盘简介 → 楼盘名称.
  auto* chain = new TEnterChain(this);
  chain->Chain({DBEdit1, DBEdit2, DBEdit3, DBNumberEditEh1, DBNumberEditEh2, DBNumberEditEh3, DBEdit4, DBMemo1});
  chain->Link(DBMemo1, DBEdit2);

  SetBrowseState();
}

void TForm_gardeninfo::showEvent(QShowEvent* event) {
  TRecordForm::showEvent(event);
  if (!activated_) {
    activated_ = true;
    Guard([this] { FormActivate(); });
  }
}

void TForm_gardeninfo::FormActivate() {
  SetImeNames({DBEdit4, DBEdit3, DBEdit2, DBMemo1}, CurrentOperatorIme);
}

void TForm_gardeninfo::bitbtn_addClick() {
  if (!RecordAdd(q_gardeninfo, DBEdit1, "编辑权")) return;
  // Adding keeps 删除 off as well.
  bitbtn_delete->setEnabled(false);
}

void TForm_gardeninfo::bitbtn_editClick() {
  if (!q_gardeninfo->Active()) return;
  if (!RecordEdit(DBEdit1, "编辑权")) return;
  // 增加 is never offered in this window; the edit is told from an add by the dataset state.
  bitbtn_add->setEnabled(false);
}

void TForm_gardeninfo::bitbtn_saveClick() {
  TDataSet* q = q_gardeninfo;
  const bool adding = q->State() == dsInsert || (q->State() == dsBrowse && q->IsEmpty());
  BeginSave(q);
  TField* codeField = q->FieldByName(u("小区代码"));
  TField* nameField = q->FieldByName(u("小区名称"));
  // Codes are kept trimmed and in upper case, as the editor types them.
  const QString code = codeField->AsString().trimmed().toUpper();
  if (code != codeField->AsString()) codeField->SetAsString(code);
  if (!RequireField(q, u("小区代码"), DBEdit1, u("楼盘代码不能为空,请重新输入!"), true)) return;
  // The length counts the bytes of the stored text: two Chinese characters make four.
  if (GbkLength(code) < 4) {
    ShowNotice(u("楼盘代码长度不能小于4位,请重新输入!"));
    DBEdit1->setFocus();
    return;
  }
  if (!RequireField(q, u("小区名称"), DBEdit2, u("楼盘名称不能为空,请重新输入!"), true)) return;

  // Uniqueness: a new estate may hold no code in use; an edited one only when its code changed.
  // An existing estate whose code changed writes the new code and name into every copy.
  const QString name = nameField->AsString();
  const TRenamableKey key{u("小区代码"), DBEdit1, {u("select * from 小区资料 "), u("where 小区代码=") + SqlQuote::Text(code)},
                          u("楼盘代码重复,请重新输入!"),
                          [&](const QString& oldCode, const QString& newCode) {
                            return EstateRenameStatements(oldCode, newCode, name);
                          }};
  if (SaveRenamableRow(q, adding, key)) ShowInformation(u("保存完毕！"));
}

void TForm_gardeninfo::bitbtn_deleteClick() {
  if (!q_gardeninfo->Active() || q_gardeninfo->IsEmpty()) return;
  // An estate with buildings stays; this check comes before the right.
  const QString code = q_gardeninfo->FieldByName(u("小区代码"))->AsString();
  if (RefuseWhenInUse({u("select * from 楼宇资料 "), u("where 小区代码=") + SqlQuote::Text(code)},
                      u("抱歉，该小区还有楼宇资料，不能删除！")))
    return;
  RecordDelete(q_gardeninfo, "删除权", true);
}

void TForm_gardeninfo::DBMemo1DblClick() { EditMemoOfRow(this, DBMemo1, ds_gardeninfo, u("小区简介")); }

void OpenGardenInfoWindow(QWidget* owner) {
  if (!CheckActionRight("楼宇资料设置")) return;
  auto* window = new TForm_gardeninfo(owner);
  TADOQuery* q = window->q_gardeninfo;
  ReopenQuery(q, {u("select * from 小区资料"), u("order by 小区名称")});
  RunModal(window);
  q->Close();
  delete window;
}
