#include "shell/guestinfo.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

QString GuestSearchCondition(const QString& houseCode, const QString& customerName, const QString& rented) {
  TSearchConditions where;
  where.Contains(u("房屋代码"), houseCode).Contains(u("客户名称"), customerName);
  if (rented.trimmed() == u("是")) where.Add(u("(len(房屋代码)>0)"));
  // A customer who never rented has no house code at all: listed as not renting too.
  else if (rented.trimmed() == u("否")) where.Add(u("((房屋代码 is null)or(len(房屋代码)=0))"));
  return where.Text();
}

TForm_guestinfo::TForm_guestinfo(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_guestinfo"));
  setWindowTitle(u("客户资料管理"));
  TADOQuery* q = Dm1->q_guestinfo;
  SetMainDataSet(q);

  const TToolBar tools = NewRecordToolBar<TForm_guestinfo>(this);
  tools.row->addStretch(1);
  RegisterStandardToolStates();

  // Search panel.
  Edit1 = NewLineEdit(this, "Edit1");
  Edit2 = NewLineEdit(this, "Edit2");
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems({u("是"), u("否")});
  ComboBox1->setCurrentIndex(-1);
  ComboBox1->setMinimumWidth(60);
  SpeedButton2 = AddToolButton(nullptr, "SpeedButton2", u("查找"));
  QFrame* search = NewSearchRow(this, "Panel3", {{"房屋代码：", Edit1}, {"客户名称：", Edit2}, {"租赁：", ComboBox1}},
                                SpeedButton2);
  AddBrowseButton(SpeedButton2);

  // Detail panel.
  auto* panel = NewEditorPanel(this);
  DBEdit1 = NewBoundEditor<TDBEditEh>(panel, "DBEdit1", Dm1->ds_guestinfo, "客户代码");
  SpeedButton1 = AddToolButton(nullptr, "SpeedButton1", u("<<"));
  SpeedButton1->setParent(panel);
  SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextOnly);
  SpeedButton1->setMinimumWidth(24);
  SpeedButton1->setToolTip(u("客户代码等于客户名称"));
  DBEdit4 = NewBoundEditor<TDBEditEh>(panel, "DBEdit4", Dm1->ds_guestinfo, "客户名称");
  DBEdit2 = NewBoundEditor<TDBEditEh>(panel, "DBEdit2", Dm1->ds_guestinfo, "身份证号");
  DBEdit3 = NewBoundEditor<TDBEditEh>(panel, "DBEdit3", Dm1->ds_guestinfo, "联系电话");
  DBEdit5 = NewBoundEditor<TDBEditEh>(panel, "DBEdit5", Dm1->ds_guestinfo, "工作单位");
  DBEdit6 = NewBoundEditor<TDBEditEh>(panel, "DBEdit6", Dm1->ds_guestinfo, "联系地址");
  DBEdit7 = NewBoundEditor<TDBEditEh>(panel, "DBEdit7", Dm1->ds_guestinfo, "开户银行");
  DBEdit8 = NewBoundEditor<TDBEditEh>(panel, "DBEdit8", Dm1->ds_guestinfo, "银行帐号");
  DBMemo1 = new TDBMemo(panel);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->SetDataSource(Dm1->ds_guestinfo);
  DBMemo1->SetDataField(u("备注"));
  DBMemo1->setMaximumHeight(48);
  OnEditorDoubleClick(DBMemo1, [this] { DBMemo1DblClick(); });
  DBCheckBox1 = new TDBCheckBoxEh(panel);
  DBCheckBox1->setObjectName(QStringLiteral("DBCheckBox1"));
  DBCheckBox1->SetDataSource(Dm1->ds_guestinfo);
  DBCheckBox1->SetDataField(u("停用"));
  DBCheckBox1->Caption = u("停用：");
  DBCheckBox1->setMinimumSize(60, 20);

  auto* fields = new QGridLayout(panel);
  PlaceCodeEditor(fields, panel, u("客户代码："), DBEdit1, SpeedButton1);
  const struct {
    const char* caption;
    QWidget* editor;
    int row, col;
  } placed[] = {{"客户名称：", DBEdit4, 0, 1}, {"身份证号：", DBEdit2, 0, 2}, {"联系电话：", DBEdit3, 1, 0},
                {"工作单位：", DBEdit5, 1, 1}, {"联系地址：", DBEdit6, 1, 2}, {"开户银行：", DBEdit7, 2, 0},
                {"银行帐号：", DBEdit8, 2, 1}, {"", DBCheckBox1, 2, 2}};
  for (const auto& p : placed) {
    // The check box carries its caption itself.
    if (*p.caption) fields->addWidget(new QLabel(u(p.caption), panel), p.row, p.col * 2, Qt::AlignRight);
    fields->addWidget(p.editor, p.row, p.col * 2 + 1);
  }
  fields->addWidget(new QLabel(u("备注："), panel), 3, 0, Qt::AlignRight);
  fields->addWidget(DBMemo1, 3, 1, 1, 5);
  for (QWidget* w : {static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBEdit4), static_cast<QWidget*>(DBEdit2),
                     static_cast<QWidget*>(DBEdit3), static_cast<QWidget*>(DBEdit5), static_cast<QWidget*>(DBEdit6),
                     static_cast<QWidget*>(DBEdit7), static_cast<QWidget*>(DBEdit8), static_cast<QWidget*>(DBMemo1),
                     static_cast<QWidget*>(DBCheckBox1)})
    AddTextEditor(w);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", Dm1->ds_guestinfo);
  AddGridColumn(DBGridEh1, u("客户代码"), QString(), true, 80)->Footer()->SetValueType(fvtCount);
  const struct {
    const char* field;
    int width;
  } columns[] = {{"客户名称", 100}, {"身份证号", 140}, {"联系电话", 100}, {"工作单位", 120},
                 {"房屋代码", 80},  {"联系地址", 150}, {"开户银行", 120}, {"银行帐号", 150},
                 {"操作人员", 70},  {"操作日期", 130}, {"备注", 150}};
  for (const auto& c : columns) AddGridColumn(DBGridEh1, u(c.field), QString(), true, c.width);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  PrintDBGridEh1 = SetupMainList(DBGridEh1, u("客户资料明细表"), nullptr, nullptr, false);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(tools.frame);
  column->addWidget(search);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 1);
  resize(820, 560);

  ConnectClicks(this, {{SpeedButton1, &TForm_guestinfo::SpeedButton1Click},
                       {SpeedButton2, &TForm_guestinfo::SpeedButton2Click}});

  auto* chain = new TEnterChain(this);
  chain->Chain({DBEdit1, DBEdit4, DBEdit2, DBEdit3, DBEdit5, DBEdit6, DBEdit7, DBEdit8, DBMemo1},
               [this] { bitbtn_saveClick(); });

  for (QWidget* w : {static_cast<QWidget*>(DBEdit4), static_cast<QWidget*>(DBEdit6), static_cast<QWidget*>(DBEdit5),
                     static_cast<QWidget*>(DBEdit7), static_cast<QWidget*>(DBMemo1)})
    SetImeName(w, CurrentOperatorIme);

  SetBrowseState();
}

void TForm_guestinfo::bitbtn_addClick() { RecordAdd(Dm1->q_guestinfo, DBEdit4, nullptr); }

void TForm_guestinfo::bitbtn_editClick() { RecordEdit(DBEdit4, nullptr); }

void TForm_guestinfo::bitbtn_saveClick() {
  TADOQuery* q = Dm1->q_guestinfo;
  BeginSave(q);
  if (!RequireFields(q, {{"客户代码", DBEdit4, "客户代码不能为空,请重新输入!"},
                         {"客户名称", DBEdit4, "客户名称不能为空,请重新输入!"}}))
    return;
  if (!CheckUniqueKeys(q, {{u("客户资料"), u("客户名称"), DBEdit4->Text(), DBEdit4, u("客户名称重复,请重新输入!")},
                           {u("客户资料"), u("客户代码"), DBEdit1->Text(), DBEdit1, u("客户代码重复,请重新输入!")}}))
    return;
  StampAndPost(q, u("操作人员"));
}

void TForm_guestinfo::bitbtn_deleteClick() {
  TADOQuery* q = Dm1->q_guestinfo;
  // The question is asked whether or not a row is shown; with none there is nothing to delete.
  if (!q->Active() || q->IsEmpty()) {
    AskYesNo(u("要删除当前记录吗? "));
    return;
  }
  RecordDelete(q, nullptr, false);
}

void TForm_guestinfo::SpeedButton1Click() {
  // Only a row being added or edited takes the name as its code; the save checks it.
  if (!IsEditing()) return;
  TADOQuery* q = Dm1->q_guestinfo;
  if (q->State() == dsBrowse) q->Edit();
  q->FieldByName(u("客户代码"))->SetAsString(DBEdit4->Text());
}

void TForm_guestinfo::SpeedButton2Click() {
  SearchList(Dm1->q_guestinfo, u("select * from 客户资料 "),
             GuestSearchCondition(Edit1->text(), Edit2->text(), ComboBox1->currentText()), u("order by 客户代码"));
}

void TForm_guestinfo::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_guestinfo); }

void TForm_guestinfo::DBMemo1DblClick() { EditMemoOfRow(this, DBMemo1, Dm1->ds_guestinfo, u("备注")); }
