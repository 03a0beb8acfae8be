#include "shell/houselease.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
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
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/TreeEditBase.h"
#include "shell/choosehouse.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"
#include "shell/xzyz.h"

namespace {
QString text(TDataSet* ds, const char* field) { return SqlQuote::Text(ds->FieldByName(u(field))->AsString()); }

bool editingRow(TDataSet* ds) { return ds->State() == dsEdit || ds->State() == dsInsert; }

void focus(QWidget* w) {
  if (w && w->isEnabled()) w->setFocus();
}
}  // namespace

QString EstateHouseCondition(const QString& estate, const QString& house) {
  return u("(coalesce(小区代码,'')=") + SqlQuote::Text(estate) + u(")and(房屋代码=") + SqlQuote::Text(house) + u(")");
}

namespace {
// Empties the tenant fields of a house of an estate when no lease of it is active any more.
QString vacateStatement(const QString& estate, const QString& house) {
  const QString where = EstateHouseCondition(estate, house);
  return u("update 房屋资料 set 租赁=0,迁入日期=null,迁出日期=null,客户名称='',商户类型='',"
           "客户身份证号='',客户工作单位='',客户联系地址='',客户联系电话='',使用状况='空置'") +
         u(" where ") + where + u("and(not exists (select 1 from 房屋租赁表 where ") + where + u("and(已经迁出=0)))");
}

QString oldText(TDataSet* ds, const char* field) {
  const Variant v = ds->FieldByName(u(field))->OldValue();
  return v.isNull() || v.isEmpty() ? QString() : v.toString();
}
}  // namespace

LeaseStatements LeaseSaveStatements(TDataSet* lease) {
  LeaseStatements s;
  const QString houseCode = lease->FieldByName(u("房屋代码"))->AsString();
  const QString estate = lease->FieldByName(u("小区代码"))->AsString();
  const QString house = SqlQuote::Text(houseCode);
  const QString customer = text(lease, "客户名称");
  // An edited lease that now names another house (or estate) leaves its former house.
  if (lease->State() == dsEdit) {
    const QString oldHouse = oldText(lease, "房屋代码"), oldEstate = oldText(lease, "小区代码");
    const bool moved = !oldHouse.isEmpty() && (oldHouse.compare(houseCode, Qt::CaseInsensitive) != 0 ||
                                               oldEstate.compare(estate, Qt::CaseInsensitive) != 0);
    if (moved) s.freed = vacateStatement(oldEstate, oldHouse);
  }
  if (lease->FieldByName(u("已经迁出"))->AsBoolean()) {
    s.house = vacateStatement(estate, houseCode);
    s.customer = u("update 客户资料 set 房屋代码=''") + u(" where (客户名称=") + customer + u(")") +
                 u("and(房屋代码=") + house + u(")");
    return s;
  }
  s.house = u("update 房屋资料 set 租赁=1,迁入日期=") +
            SqlQuote::Date(lease->FieldByName(u("迁入日期"))->AsDateTime()) + u(",客户名称=") + customer +
            u(",商户类型=") + text(lease, "客户类型名称") + u(",客户身份证号=") + text(lease, "身份证号") +
            u(",客户工作单位=") + text(lease, "工作单位") + u(",客户联系地址=") + text(lease, "联系地址") +
            u(",客户联系电话=") + text(lease, "联系电话") +
            (lease->FieldByName(u("已经迁入"))->AsBoolean() ? u(",使用状况='入住'") : u(",使用状况='预定'"));
  if (!lease->FieldByName(u("预计迁出日期"))->IsNull())
    s.house += u(",迁出日期=") + SqlQuote::Date(lease->FieldByName(u("预计迁出日期"))->AsDateTime());
  s.house += u(" where ") + EstateHouseCondition(estate, houseCode);
  s.customer = u("update 客户资料 set 房屋代码=") + house + u(" where (客户名称=") + customer + u(")");
  return s;
}

TForm_houselease::TForm_houselease(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_houselease"));
  setWindowTitle(u("客户迁入迁出管理"));
  SetMainDataSet(Dm1->q_houselease);

  using F = TForm_houselease;
  const TToolBar tools = NewRecordToolBar<F>(this);
  AddToolActions<F>(this, tools.frame, tools.row,
                    {{&F::xzyz, "xzyz", "选择客户", &F::xzyzClick}, {&F::xzhouse, "xzhouse", "选择房屋", &F::xzhouseClick}});
  tools.row->addStretch(1);
  RegisterStandardToolStates();
  AddEditButton(xzyz);
  AddEditButton(xzhouse);

  Edit1 = NewLineEdit(this, "Edit1");
  Edit2 = NewLineEdit(this, "Edit2");
  SpeedButton2 = AddToolButton(nullptr, "SpeedButton2", u("查找"));
  QFrame* search = NewSearchRow(this, "Panel3", {{"房屋代码：", Edit1}, {"客户名称：", Edit2}}, SpeedButton2);
  AddBrowseButton(SpeedButton2);

  auto* customer = new QGroupBox(u("客户资料"), this);
  customer->setObjectName(QStringLiteral("GroupBox1"));
  DBEdit2 = NewBoundEditor<TDBEditEh>(customer, "DBEdit2", Dm1->ds_houselease, "客户名称");
  DBEdit3 = NewBoundEditor<TDBEditEh>(customer, "DBEdit3", Dm1->ds_houselease, "身份证号");
  DBEdit4 = NewBoundEditor<TDBEditEh>(customer, "DBEdit4", Dm1->ds_houselease, "联系电话");
  DBEdit5 = NewBoundEditor<TDBEditEh>(customer, "DBEdit5", Dm1->ds_houselease, "房屋代码");
  auto* customerGrid = new QGridLayout(customer);
  const struct {
    const char* caption;
    TDBEditEh* editor;
  } customerEditors[] = {{"客户名称：", DBEdit2}, {"身份证号：", DBEdit3}, {"联系电话：", DBEdit4}, {"房屋代码：", DBEdit5}};
  int i = 0;
  for (const auto& c : customerEditors) {
    c.editor->SetReadOnly(true);
    customerGrid->addWidget(new QLabel(u(c.caption), customer), i / 2, (i % 2) * 2, Qt::AlignRight);
    customerGrid->addWidget(c.editor, i / 2, (i % 2) * 2 + 1);
    ++i;
  }

  auto* panel = NewEditorPanel(this);
  DBDateTimeEditEh1 = NewBoundEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh1", Dm1->ds_houselease, "迁入日期");
  DBDateTimeEditEh2 = NewBoundEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh2", Dm1->ds_houselease, "预计迁出日期");
  DBDateTimeEditEh3 = NewBoundEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh3", Dm1->ds_houselease, "实际迁出日期");
  DBComboBoxEh1 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh1", Dm1->ds_houselease, "租售情况");
  DBComboBoxEh1->SetItems({u("租房")});
  DBComboBoxEh2 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh2", Dm1->ds_houselease, "客户类型名称");
  AddPickButton(DBComboBoxEh2, [this] { DBComboBoxEh2EditButtons0Click(); });
  DBCheckBoxEh1 = NewBoundEditor<TDBCheckBoxEh>(panel, "DBCheckBoxEh1", Dm1->ds_houselease, "已经迁入");
  DBCheckBoxEh1->Caption = u("已经租房：");
  DBCheckBoxEh2 = NewBoundEditor<TDBCheckBoxEh>(panel, "DBCheckBoxEh2", Dm1->ds_houselease, "已经迁出");
  DBCheckBoxEh2->Caption = u("已经迁出：");
  for (TDBCheckBoxEh* c : {DBCheckBoxEh1, DBCheckBoxEh2}) c->setMinimumSize(80, 20);
  DBEdit1 = NewBoundEditor<TDBEditEh>(panel, "DBEdit1", Dm1->ds_houselease, "备注");
  OnEditorDoubleClick(DBEdit1, [this] { DBEdit1DblClick(); });
  auto* fields = new QGridLayout(panel);
  const struct {
    const char* caption;
    QWidget* editor;
    int row, col;
  } placed[] = {{"租房日期：", DBDateTimeEditEh1, 0, 0}, {"预计迁出日期：", DBDateTimeEditEh2, 0, 1},
                {"实际迁出日期：", DBDateTimeEditEh3, 0, 2}, {"租房情况：", DBComboBoxEh1, 1, 0},
                {"客户类型：", DBComboBoxEh2, 1, 1}, {"", DBCheckBoxEh1, 2, 0},
                {"", DBCheckBoxEh2, 2, 1}, {"备注：", DBEdit1, 3, 0}};
  for (const auto& p : placed) {
    // The check boxes carry their captions themselves.
    if (*p.caption) fields->addWidget(new QLabel(u(p.caption), panel), p.row, p.col * 2, Qt::AlignRight);
    fields->addWidget(p.editor, p.row, p.col * 2 + 1, 1, p.editor == DBEdit1 ? 5 : 1);
  }
  auto* hint = new QLabel(u("如果该客户已经租房了,请选中已经租房;同样该客户已经迁出房屋,请选中已经迁出！"), panel);
  hint->setObjectName(QStringLiteral("Label10"));
  hint->setStyleSheet(QStringLiteral("color: red;"));
  fields->addWidget(hint, 4, 0, 1, 6);
  AddTextEditor(DBEdit1);
  // The check boxes change a lease only through 存盘: they are locked while browsing.
  for (QWidget* w : {static_cast<QWidget*>(DBDateTimeEditEh1), static_cast<QWidget*>(DBDateTimeEditEh2),
                     static_cast<QWidget*>(DBDateTimeEditEh3), static_cast<QWidget*>(DBComboBoxEh1),
                     static_cast<QWidget*>(DBCheckBoxEh1), static_cast<QWidget*>(DBCheckBoxEh2)})
    AddListEditor(w);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", Dm1->ds_houselease);
  TColumnEh* first = AddGridColumn(DBGridEh1, u("房屋代码"), QString(), true, 80);
  first->Footer()->SetValueType(fvtStaticText);
  first->Footer()->SetValue(u("记录数"));
  AddGridColumn(DBGridEh1, u("客户类型名称"), QString(), true, 90)->Footer()->SetValueType(fvtCount);
  for (const char* field : {"客户名称", "联系电话", "迁入日期", "已经迁入", "预计迁出日期", "实际迁出日期", "商户类型",
                            "已经迁出", "身份证号", "工作单位", "操作人员", "操作日期", "备注"})
    AddGridColumn(DBGridEh1, u(field), QString(), true, 90);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  AddStateGrid(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("房屋租售管理"));
  // The lease list prints under the delete right.
  SetListOutput({DBGridEh1, u("房屋租售管理"), PrintDBGridEh1, "导出权", "删除权", false});

  StatusBar1 = new QLabel(u("提示：开始显示的记录是没有迁出的业主！"), this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setFrameShape(QFrame::Panel);
  StatusBar1->setFrameShadow(QFrame::Sunken);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(tools.frame);
  column->addWidget(search);
  column->addWidget(customer);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 1);
  column->addWidget(StatusBar1);
  resize(860, 620);

  ConnectClicks(this, {{SpeedButton2, &TForm_houselease::SpeedButton2Click}});

  auto* chain = new TEnterChain(this);
  chain->Chain({DBDateTimeEditEh1, DBDateTimeEditEh2, DBDateTimeEditEh3, DBComboBoxEh1});
  chain->Link(DBEdit1, DBDateTimeEditEh1);
  chain->Chain({Edit1, Edit2}, [this] { SpeedButton2Click(); });

  for (QWidget* w : {static_cast<QWidget*>(DBComboBoxEh1), static_cast<QWidget*>(DBEdit1),
                     static_cast<QWidget*>(Edit2)})
    SetImeName(w, CurrentOperatorIme);

  SetBrowseState();
}

void TForm_houselease::bitbtn_addClick() {
  TADOQuery* q = Dm1->q_houselease;
  if (!RecordAdd(q, DBDateTimeEditEh1, "编辑权")) return;
  q->FieldByName(u("已经迁出"))->SetAsBoolean(false);
  q->FieldByName(u("已经迁入"))->SetAsBoolean(false);
  q->FieldByName(u("租售情况"))->SetAsString(u("租房"));
}

void TForm_houselease::bitbtn_editClick() {
  if (!CheckActionRight("编辑权")) return;
  if (DBEdit5->Text().isEmpty()) {
    ShowNotice(u("请先增加记录!"));
    return;
  }
  RecordEdit(DBDateTimeEditEh1, nullptr);
}

void TForm_houselease::bitbtn_saveClick() {
  TADOQuery* q = Dm1->q_houselease;
  BeginSave(q);
  if (!RequireFields(q,
                     {{"房屋代码", xzhouse, "房屋代码不能为空,请重新输入!"},
                      {"客户名称", xzyz, "客户名称不能为空,请重新输入!"},
                      {"客户类型名称", DBComboBoxEh2, "客户类型名称不能为空,请重新输入!"}},
                     false))
    return;
  if (q->FieldByName(u("迁入日期"))->IsNull()) {
    ShowNotice(u("迁入日期不能为空,请重新输入!"));
    focus(DBDateTimeEditEh1);
    return;
  }
  const QString kind = q->FieldByName(u("租售情况"))->AsString();
  if (kind != u("租房") && kind != u("售房")) {
    ShowNotice(u("租售情况应该是租房或售房,请重新输入!"));
    focus(DBComboBoxEh1);
    return;
  }
  if (q->FieldByName(u("已经迁出"))->AsBoolean() && q->FieldByName(u("实际迁出日期"))->IsNull()) {
    ShowNotice(u("实际迁出日期不能为空,请重新输入!"));
    focus(DBDateTimeEditEh3);
    return;
  }

  // The lease row, the house row and the customer row land together or not at all.
  TADOConnection* conn = Dm1->ADO_system;
  conn->BeginTrans();
  try {
    q->FieldByName(u("操作人员"))->SetAsString(CurrentOperatorName);
    q->FieldByName(u("操作日期"))->SetAsDateTime(Now());
    const LeaseStatements statements = LeaseSaveStatements(q);
    q->Post();
    TADOQuery* s = Dm1->q_search;
    s->Close();
    s->SQL.Clear();
    s->SQL.Add(statements.house);
    s->ExecSQL();
    s->SQL.Clear();
    s->SQL.Add(statements.customer);
    s->ExecSQL();
    if (!statements.freed.isEmpty()) {
      s->SQL.Clear();
      s->SQL.Add(statements.freed);
      s->ExecSQL();
    }
    s->Close();
    conn->CommitTrans();
  } catch (const Exception& e) {
    conn->RollbackTrans();
    Dm1->q_search->Close();
    if (editingRow(q)) {
      q->Cancel();
    } else {
      // The row was taken back with the transaction: show what the table holds.
      q->Close();
      q->Open();
    }
    SetBrowseState();
    ShowDataError(u("存盘失败"), e.message());
    return;
  }
  SetBrowseState();
  ShowNotice(u("保存完毕!"));
}

void TForm_houselease::bitbtn_deleteClick() {
  TADOQuery* q = Dm1->q_houselease;
  if (!CheckActionRight("删除权")) return;
  if (!q->Active() || q->IsEmpty()) return;
  if (!q->FieldByName(u("已经迁出"))->AsBoolean()) {
    ShowNotice(u("抱歉，房屋正在出租，不能进行操作！"));
    return;
  }
  if (!AskYesNo(u("要删除当前记录吗? "))) return;
  const QString name = q->FieldByName(u("客户名称"))->AsString();
  TADOConnection* conn = Dm1->ADO_system;
  conn->BeginTrans();
  try {
    q->Delete();
    TADOQuery* s = Dm1->q_search;
    s->Close();
    s->SQL.Clear();
    s->SQL.Add(u("update 客户资料 set 是否使用='否'"));
    s->SQL.Add(u(" where (客户名称=") + SqlQuote::Text(name) + u(")"));
    s->ExecSQL();
    s->Close();
    conn->CommitTrans();
  } catch (const Exception& e) {
    conn->RollbackTrans();
    Dm1->q_search->Close();
    q->Close();
    q->Open();
    ShowDataError(u("删除失败"), e.message());
  }
}

void TForm_houselease::SpeedButton2Click() {
  const QString where =
      TSearchConditions().Contains(u("房屋代码"), Edit1->text()).Contains(u("客户名称"), Edit2->text()).Text();
  SearchList(Dm1->q_houselease, u("select * from 房屋租赁表 "), where, u("order by 房屋代码"));
}

void TForm_houselease::xzyzClick() {
  if (!IsEditing()) return;
  TADOQuery* guests = Dm1->q_guestinfo;
  guests->Close();
  guests->SQL.Clear();
  guests->SQL.Add(u("select * from 客户资料"));
  guests->SQL.Add(u("order by 客户名称"));
  guests->Open();
  auto* picker = new TForm_xzyz(this);
  picker->SetCallerTag(u("houselease"));
  picker->SetCallerDataSet(Dm1->q_houselease);
  RunModal(picker);
  delete picker;
  guests->Close();
}

void TForm_houselease::xzhouseClick() {
  if (!IsEditing()) return;
  // No estate is chosen at log-in unless the office works per estate; a condition on the
  // empty estate would list no building at all.
  const QStringList buildings = FieldValues(
      Dm1->q_storeyinfo, EstateScopedSelect(u("select * from 楼宇资料"), u("order by 楼宇名称")), u("楼宇名称"));
  ReopenQuery(Dm1->q_houseinfo, {u("select * from 房屋资料 "), u("order by 房屋代码 ")});
  auto* picker = new TForm_choosehouse(this);
  picker->SetCallerTag(u("houselease"));
  picker->SetCallerDataSet(Dm1->q_houselease);
  picker->ComboBox1->clear();
  picker->ComboBox1->addItems(buildings);
  RunModal(picker);
  delete picker;
  Dm1->q_houseinfo->Close();
}

void TForm_houselease::DBComboBoxEh2EditButtons0Click() {
  // Only a lease being added or edited takes a customer type.
  ChooseTypeEntry(this, TypeTableKind::CustomerType, IsEditing(), Dm1->q_houselease);
}

void TForm_houselease::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_houselease); }

void TForm_houselease::DBEdit1DblClick() { EditMemoOfRow(this, DBEdit1, Dm1->ds_houselease, u("备注")); }
