#include "shell/relatedunit.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/bz.h"
#include "shell/choosegarden.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

TForm_housecompany* Form_housecompany = nullptr;

TForm_housecompany::TForm_housecompany(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_housecompany"));
  setWindowTitle(u("关联单位设置"));
  Form_housecompany = this;

  Q_temp = NewQuery(this, "Q_temp", Dm1->ADO_system);
  DS_temp = NewDataSource(this, "DS_temp", Q_temp);
  SetMainDataSet(Q_temp);

  const TToolBar tools = NewToolBarFrame(this, kRecordToolBar);
  QFrame* bar = tools.frame;
  QHBoxLayout* row = tools.row;
  bitbtn_add = AddToolButton(row, "bitbtn_add", u("增加"));
  bitbtn_edit = AddToolButton(row, "bitbtn_edit", u("编辑"));
  bitbtn_delete = AddToolButton(row, "bitbtn_delete", u("删除"));
  bitbtn_save = AddToolButton(row, "bitbtn_save", u("存盘"));
  bitbtn_cancel = AddToolButton(row, "bitbtn_cancel", u("取消"));
  SpeedButton4 = AddToolButton(row, "SpeedButton4", u("返回"));
  row->addStretch(1);
  for (QWidget* w : {static_cast<QWidget*>(bitbtn_add), static_cast<QWidget*>(bitbtn_edit),
                     static_cast<QWidget*>(bitbtn_delete)})
    AddBrowseButton(w);
  AddEditButton(bitbtn_save);
  AddEditButton(bitbtn_cancel);

  auto* panel = NewEditorPanel(this);
  DBEdit1 = NewBoundEditor<TDBEditEh>(panel, "DBEdit1", DS_temp, "关联单位");
  SetUpperCaseTyping(DBEdit1);
  DBEdit2 = NewBoundEditor<TDBEditEh>(panel, "DBEdit2", DS_temp, "小区代码");
  DBEdit3 = NewBoundEditor<TDBEditEh>(panel, "DBEdit3", DS_temp, "小区名称");
  DBEdit2->SetReadOnly(true);
  DBEdit3->SetReadOnly(true);
  SpeedButton1 = new QToolButton(panel);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setText(u("＋"));
  SpeedButton1->setVisible(!GardenScoped);
  DBMemo1 = new TDBMemo(panel);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->SetDataSource(DS_temp);
  DBMemo1->SetDataField(u("备注"));
  DBMemo1->setMaximumHeight(60);
  OnEditorDoubleClick(DBMemo1, [this] { DBMemo1DblClick(); });
  auto* fields = new QGridLayout(panel);
  fields->addWidget(new QLabel(u("关联单位："), panel), 0, 0, Qt::AlignRight);
  fields->addWidget(DBEdit1, 0, 1, 1, 3);
  fields->addWidget(new QLabel(u("楼盘代码："), panel), 1, 0, Qt::AlignRight);
  fields->addWidget(DBEdit2, 1, 1);
  fields->addWidget(new QLabel(u("楼盘名称："), panel), 1, 2, Qt::AlignRight);
  fields->addWidget(DBEdit3, 1, 3);
  fields->addWidget(SpeedButton1, 1, 4);
  fields->addWidget(new QLabel(u("备  注："), panel), 2, 0, Qt::AlignRight | Qt::AlignTop);
  fields->addWidget(DBMemo1, 2, 1, 1, 4);
  AddTextEditor(DBEdit1);
  AddTextEditor(DBMemo1);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", DS_temp, 0);
  AddGridColumn(DBGridEh1, u("小区代码"), u("楼盘代码"), true, 80);
  AddGridColumn(DBGridEh1, u("小区名称"), u("楼盘名称"), true, 120);
  AddGridColumn(DBGridEh1, u("关联单位"), QString(), true, 160);
  AddGridColumn(DBGridEh1, u("备注"), QString(), true, 160);
  StripeGridRows(DBGridEh1);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });
  AddStateGrid(DBGridEh1);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 1);
  setFixedSize(560, 460);
  CentreOnScreen(this);

  ConnectClicks(this, {{bitbtn_add, &TForm_housecompany::bitbtn_addClick},
                       {bitbtn_edit, &TForm_housecompany::bitbtn_editClick},
                       {bitbtn_delete, &TForm_housecompany::bitbtn_deleteClick},
                       {bitbtn_save, &TForm_housecompany::bitbtn_saveClick},
                       {bitbtn_cancel, &TForm_housecompany::bitbtn_cancelClick},
                       {SpeedButton1, &TForm_housecompany::SpeedButton1Click},
                       {SpeedButton4, &TForm_housecompany::SpeedButton4Click}});

  auto* chain = new TEnterChain(this);
  for (QWidget* w : {static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBEdit2), static_cast<QWidget*>(DBEdit3)})
    chain->Link(w, DBMemo1);
  chain->Action(DBMemo1, [this] { bitbtn_saveClick(); });

  SetImeName(DBEdit1, CurrentOperatorIme);
  SetImeName(DBMemo1, CurrentOperatorIme);
  SetBrowseState();
}

TForm_housecompany::~TForm_housecompany() {
  if (Form_housecompany == this) Form_housecompany = nullptr;
}

void TForm_housecompany::bitbtn_addClick() {
  if (!RecordAdd(Q_temp, DBEdit1, "编辑权")) return;
  Q_temp->FieldByName(u("小区代码"))->SetAsString(CurrentGardenCode);
  Q_temp->FieldByName(u("小区名称"))->SetAsString(CurrentGardenName);
}

void TForm_housecompany::bitbtn_editClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!Q_temp->Active() || Q_temp->IsEmpty()) {
    bitbtn_addClick();
    return;
  }
  if (Q_temp->State() == dsEdit || Q_temp->State() == dsInsert) Q_temp->Cancel();
  Q_temp->Edit();
  RecordEdit(DBEdit1, nullptr);
}

void TForm_housecompany::bitbtn_saveClick() {
  BeginSave(Q_temp);
  if (!RequireField(Q_temp, u("小区代码"), DBEdit2, u("楼盘代码不能为空,请重新输入!"), true)) {
    // The estate is chosen, never typed: the picker opens for the operator.
    SpeedButton1Click();
    return;
  }
  TField* unit = Q_temp->FieldByName(u("关联单位"));
  KeepTrimmedUpper(unit);
  if (!RequireField(Q_temp, u("关联单位"), DBEdit1, u("关联单位不能为空,请重新输入!"), true)) return;
  if (!CheckUniqueKey(Q_temp, u("关联单位"), u("关联单位"), unit->AsString(), DBEdit1, u("关联单位不能重复,请重新输入!")))
    return;
  if (!StampAndPost(Q_temp, u("操作人员"))) return;
  ShowNotice(u("保存完毕！"));
  Dm1->q_search->Close();
}

void TForm_housecompany::bitbtn_deleteClick() { RecordDelete(Q_temp, "删除权", true); }

void TForm_housecompany::SpeedButton1Click() {
  // Offered while a unit is added or edited, so the estate goes through the save's checks.
  if (!IsEditing()) return;
  auto* picker = new TForm_choosegarden(this);
  picker->SetCallerTag(u("housecompany"));
  picker->q_temp->Close();
  picker->q_temp->SQL.Clear();
  picker->q_temp->SQL.Add(u("select * from 小区资料 "));
  // A line of its own for the order the title clicks set.
  picker->q_temp->SQL.Add(QString());
  picker->q_temp->Open();
  RunModal(picker);
  delete picker;
}

void TForm_housecompany::DBMemo1DblClick() { EditMemoOfRow(this, DBMemo1, DS_temp, u("备注")); }

void TForm_housecompany::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Q_temp); }

void OpenHouseCompanyWindow(QWidget* owner) {
  if (!CheckActionRight("业主资料设置")) return;
  auto* window = new TForm_housecompany(owner);
  TADOQuery* q = window->Q_temp;
  ReopenQuery(q, EstateScopedSelect(u("select * from 关联单位"), u("order by 关联单位")));
  RunModal(window);
  q->Close();
  delete window;
}
