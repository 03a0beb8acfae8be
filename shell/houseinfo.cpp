#include "shell/houseinfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QTimer>
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
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
#include "shell/housesearch.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

QStringList HouseRenameStatements(const QString& estateCode, const QString& oldCode, const QString& newCode) {
  const QString where = u(" where (房屋代码=") + SqlQuote::Text(oldCode) + u(")and") + SameEstateCondition(estateCode);
  QStringList out;
  for (const char* table : {"收费汇总表", "收费明细表", "押金明细表", "房屋收费项目", "业主投诉表", "房屋租赁表"})
    out << u("update ") + u(table) + u(" set 房屋代码=") + SqlQuote::Text(newCode) + where;
  // The customers renting the house: those with a lease of it (now under the new code).
  out << u("update 客户资料 set 房屋代码=") + SqlQuote::Text(newCode) + u(" where (房屋代码=") + SqlQuote::Text(oldCode) +
             u(")and(客户代码 in (select 客户代码 from 房屋租赁表 where (房屋代码=") + SqlQuote::Text(newCode) +
             u(")and") + SameEstateCondition(estateCode) + u("))");
  return out;
}

QString GeneratedHouseCode(const QString& buildingCode, const QString& entrance, const QString& number) {
  return buildingCode + u("-") + entrance + u("-") + number;
}

TForm_houseinfo_input::TForm_houseinfo_input(QWidget* parent) : TRecordForm(parent) {
  SetupDialog(this, "Form_houseinfo_input", u("房屋业主资料管理"));
  std::tie(q_storeyinfo, ds_storeyinfo, t_houseinfo, ds_houseinfo) =
      NewMasterDetail(this, "storeyinfo", "houseinfo", u("房屋资料"), u("小区代码;楼宇代码"));
  SetMainDataSet(t_houseinfo);

  // Tool bar.
  using F = TForm_houseinfo_input;
  const TToolBar bar = NewRecordToolBar<F>(this, {{&F::bitbtn_seek, "bitbtn_seek", "查找", &F::bitbtn_seekClick},
                                                  {&F::SpeedButton1, "SpeedButton1", "初始界面", &F::SpeedButton1Click}});
  bitbtn_seek->setVisible(false);
  SpeedButton1->setVisible(false);
  RegisterStandardToolStates();
  AddBrowseButton(bitbtn_seek);
  bar.row->addStretch(1);

  // Editors.
  auto* panel = NewEditorPanel(this);
  TDataSource* ds = ds_houseinfo;
  DBEdit2 = NewBoundEditor<TDBEditEh>(panel, "DBEdit2", ds, "房屋代码");
  SetUpperCaseTyping(DBEdit2);
  CheckBox1 = new QCheckBox(u("自动生成"), panel);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(false);
  DBComboBoxEh4 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh4", ds, "楼宇单元");
  QStringList entrances;
  for (int i = 1; i <= 12; ++i) entrances << QString::number(i);
  for (char c = 'A'; c <= 'K'; ++c) entrances << QString(QLatin1Char(c));
  DBComboBoxEh4->SetItems(entrances);
  DBEdit3 = NewBoundEditor<TDBEditEh>(panel, "DBEdit3", ds, "房号");
  dbcomboboxeh1 = NewBoundEditor<TDBComboBoxEh>(panel, "dbcomboboxeh1", ds, "楼层");
  AddPickButton(dbcomboboxeh1, [this] { dbcomboboxeh1EditButtons0Click(); });
  DBComboBoxEh2 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh2", ds, "房型");
  AddPickButton(DBComboBoxEh2, [this] { DBComboBoxEh2EditButtons0Click(); });
  DBComboBoxEh3 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh3", ds, "产权状况");
  AddPickButton(DBComboBoxEh3, [this] { DBComboBoxEh3EditButtons0Click(); });
  DBNumberEditEh1 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh1", ds, "房屋面积");
  DBNumberEditEh2 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh2", ds, "使用面积");
  DBNumberEditEh3 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh3", ds, "其它面积一");
  // Areas are kept to four decimals, as the charge standards and bills take them.
  for (TDBNumberEditEh* area : {DBNumberEditEh1, DBNumberEditEh2, DBNumberEditEh3}) area->SetDecimalPlaces(4);
  DBComboBoxEh5 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBoxEh5", ds, "关联单位");
  DBDateTimeEditEh1 = NewBoundEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh1", ds, "入伙日期");
  DBEdit4 = NewBoundEditor<TDBEditEh>(panel, "DBEdit4", ds, "业主名称");
  DBEdit5 = NewBoundEditor<TDBEditEh>(panel, "DBEdit5", ds, "身份证号");
  DBEdit6 = NewBoundEditor<TDBEditEh>(panel, "DBEdit6", ds, "联系电话");
  DBDateTimeEditEh2 = NewBoundEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh2", ds, "迁入日期");
  DBDateTimeEditEh3 = NewBoundEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh3", ds, "迁出日期");
  DBCheckBoxEh1 = NewBoundEditor<TDBCheckBoxEh>(panel, "DBCheckBoxEh1", ds, "租赁");
  DBCheckBoxEh1->Caption = u("租赁：");
  DBCheckBoxEh1->setMinimumSize(60, 20);
  DBEdit7 = NewBoundEditor<TDBEditEh>(panel, "DBEdit7", ds, "工作单位");
  DBEdit8 = NewBoundEditor<TDBEditEh>(panel, "DBEdit8", ds, "开户银行");
  DBEdit9 = NewBoundEditor<TDBEditEh>(panel, "DBEdit9", ds, "银行帐号");
  DBNumberEditEh4 = NewBoundEditor<TDBNumberEditEh>(panel, "DBNumberEditEh4", ds, "零头");
  DBNumberEditEh4->SetDecimalPlaces(4);
  DBNumberEditEh4->SetReadOnly(true);
  DBMemo1 = new TDBMemo(panel);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  DBMemo1->SetDataSource(ds);
  DBMemo1->SetDataField(u("装修情况"));
  DBMemo1->setMaximumHeight(44);
  OnEditorDoubleClick(DBMemo1, [this] { DBMemo1DblClick(); });
  DBEdit10 = NewBoundEditor<TDBEditEh>(panel, "DBEdit10", ds, "车辆车位");
  DBEdit1 = new TDBMemo(panel);
  DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
  DBEdit1->SetDataSource(ds);
  DBEdit1->SetDataField(u("备注"));
  DBEdit1->setMaximumHeight(44);
  OnEditorDoubleClick(DBEdit1, [this] { DBEdit1DblClick(); });

  auto* fields = new QGridLayout(panel);
  PlaceCodeEditor(fields, panel, u("房屋代码："), DBEdit2, CheckBox1);
  auto* ownershipLabel = new QLabel(u("产权状况："), panel);
  const struct {
    const char* caption;
    QWidget* editor;
    int row, col, span;
  } placed[] = {
      {"所属单元：", DBComboBoxEh4, 0, 1, 1},   {"房号：", DBEdit3, 0, 2, 1},
      {"楼层：", dbcomboboxeh1, 0, 3, 1},        {"房屋类型：", DBComboBoxEh2, 1, 0, 1},
      {"房屋面积：", DBNumberEditEh1, 1, 1, 1},  {"使用面积：", DBNumberEditEh2, 1, 2, 1},
      {"其它面积一：", DBNumberEditEh3, 1, 3, 1}, {"关联单位：", DBComboBoxEh5, 2, 0, 1},
      {"入伙日期：", DBDateTimeEditEh1, 2, 1, 1}, {"业主名称：", DBEdit4, 2, 2, 1},
      {"身份证号：", DBEdit5, 2, 3, 1},          {"联系电话：", DBEdit6, 3, 0, 1},
      {"入住日期：", DBDateTimeEditEh2, 3, 1, 1}, {"到期日期：", DBDateTimeEditEh3, 3, 2, 1},
      {"", DBCheckBoxEh1, 3, 3, 1},              {"工作单位：", DBEdit7, 4, 0, 1},
      {"开户银行：", DBEdit8, 4, 1, 1},          {"银行帐号：", DBEdit9, 4, 2, 1},
      {"余额：", DBNumberEditEh4, 4, 3, 1},      {"车辆车位：", DBEdit10, 5, 0, 1},
      {"装修情况：", DBMemo1, 5, 1, 3},          {"备注：", DBEdit1, 6, 0, 7},
  };
  for (const auto& p : placed) {
    fields->addWidget(new QLabel(u(p.caption), panel), p.row, p.col * 2, Qt::AlignRight | Qt::AlignTop);
    fields->addWidget(p.editor, p.row, p.col * 2 + 1, 1, p.span);
  }
  fields->addWidget(ownershipLabel, 6, 8);
  fields->addWidget(DBComboBoxEh3, 6, 9);
  ownershipLabel->setVisible(false);
  DBComboBoxEh3->SetVisible(false);

  for (QWidget* w : {static_cast<QWidget*>(DBEdit2), static_cast<QWidget*>(DBEdit3), static_cast<QWidget*>(DBEdit4),
                     static_cast<QWidget*>(DBEdit5), static_cast<QWidget*>(DBEdit6), static_cast<QWidget*>(DBEdit7),
                     static_cast<QWidget*>(DBEdit8), static_cast<QWidget*>(DBEdit9), static_cast<QWidget*>(DBEdit10),
                     static_cast<QWidget*>(DBNumberEditEh1), static_cast<QWidget*>(DBNumberEditEh2),
                     static_cast<QWidget*>(DBNumberEditEh3), static_cast<QWidget*>(DBMemo1),
                     static_cast<QWidget*>(DBEdit1), static_cast<QWidget*>(DBCheckBoxEh1)})
    AddTextEditor(w);
  for (QWidget* w : {static_cast<QWidget*>(DBComboBoxEh4), static_cast<QWidget*>(DBComboBoxEh5),
                     static_cast<QWidget*>(DBDateTimeEditEh1), static_cast<QWidget*>(DBDateTimeEditEh2),
                     static_cast<QWidget*>(DBDateTimeEditEh3), static_cast<QWidget*>(CheckBox1)})
    AddListEditor(w);

  // The current tenant, kept by the lease window.
  GroupBox1 = new QGroupBox(u("租房客户资料"), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  auto* tenant = new QGridLayout(GroupBox1);
  const struct {
    const char* name;
    const char* caption;
    const char* field;
    TDBEditEh** slot;
  } tenantFields[] = {{"DBEdit11", "客户名称：", "客户名称", &DBEdit11},
                      {"DBEdit12", "身份证号：", "客户身份证号", &DBEdit12},
                      {"DBEdit13", "联系电话：", "客户联系电话", &DBEdit13},
                      {"DBEdit14", "租房日期：", "迁入日期", &DBEdit14},
                      {"DBEdit15", "迁出日期：", "迁出日期", &DBEdit15}};
  int tenantRow = 0;
  for (const auto& f : tenantFields) {
    *f.slot = NewBoundEditor<TDBEditEh>(GroupBox1, f.name, ds, f.field);
    (*f.slot)->SetReadOnly(true);
    tenant->addWidget(new QLabel(u(f.caption), GroupBox1), tenantRow, 0, Qt::AlignRight);
    tenant->addWidget(*f.slot, tenantRow++, 1);
  }

  // Buildings.
  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_storeyinfo);
  AddGridColumns(DBGridEh2, {{"楼宇名称", 90, fvtCount}, {"楼宇代码", 70}, {"房屋数量", 70, fvtSum},
                             {"住户数量", 70, fvtSum}, {"空置房数量", 70, fvtSum}, {"小区名称", 90}});
  OnGridDoubleClick(DBGridEh2, [this] { bitbtn_editClick(); });
  AddStateGrid(DBGridEh2);

  // Houses of the selected building.
  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_houseinfo);
  AddGridColumn(DBGridEh1, u("房屋代码"), QString(), false, 90)->Footer()->SetValueType(fvtCount);
  AddGridColumn(DBGridEh1, u("楼宇名称"), QString(), false, 80);
  AddGridColumn(DBGridEh1, u("业主名称"), QString(), false, 80);
  AddGridColumn(DBGridEh1, u("房型"), QString(), false, 70);
  AddGridColumn(DBGridEh1, u("房号"), QString(), false, 50);
  AddGridColumn(DBGridEh1, u("房屋面积"), QString(), false, 70)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("迁入日期"), u("入住日期"), false, 90);
  // Widths that show the whole content: an identity-card number has 18 digits, an account
  // up to 20.
  const struct {
    const char* field;
    int width;
  } details[] = {{"入伙日期", 90}, {"身份证号", 140}, {"工作单位", 120}, {"联系电话", 100}, {"银行帐号", 150},
                 {"开户银行", 120}, {"使用面积", 70},  {"其它面积一", 80}, {"产权状况", 80}, {"车辆车位", 80},
                 {"关联单位", 100}};
  for (const auto& d : details) AddGridColumn(DBGridEh1, u(d.field), QString(), false, d.width);
  AddGridColumn(DBGridEh1, u("零头"), u("余额"), false, 70);
  AddGridColumn(DBGridEh1, u("操作人员"), QString(), false, 70);
  AddGridColumn(DBGridEh1, u("操作日期"), QString(), false, 130);
  AddGridColumn(DBGridEh1, u("备注"), QString(), false, 150);
  PrintDBGridEh1 = SetupMainList(DBGridEh1, u("房屋资料明细表"));

  auto* top = new QHBoxLayout;
  top->addWidget(panel, 1);
  top->addWidget(GroupBox1);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->addWidget(DBGridEh2);
  splitter->addWidget(DBGridEh1);
  splitter->setStretchFactor(1, 3);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar.frame);
  column->addLayout(top);
  column->addWidget(splitter, 1);
  OpenMaximised(this, QSize(1100, 700));

  // The Enter chains; Enter in 备注 saves.
  auto* chain = new TEnterChain(this);
  chain->Chain({DBEdit4, DBEdit5, DBEdit6, DBDateTimeEditEh2, DBEdit7, DBEdit8, DBEdit9, DBEdit1},
               [this] { bitbtn_saveClick(); });
  chain->Link(DBDateTimeEditEh3, DBEdit7);
  chain->Link(DBNumberEditEh4, DBEdit1);
  chain->Link(DBEdit3, DBDateTimeEditEh1);
  chain->Link(DBComboBoxEh4, DBDateTimeEditEh1);
  chain->Chain({DBDateTimeEditEh1, DBNumberEditEh1, DBNumberEditEh2, DBNumberEditEh3, DBComboBoxEh5, DBComboBoxEh4});
  chain->Link(DBComboBoxEh4, DBDateTimeEditEh1);
  chain->Chain({DBMemo1, DBEdit10, DBEdit1}, [this] { bitbtn_saveClick(); });
  // The coded boxes are set only through their pick buttons: entering one moves on to 房号.
  for (TDBComboBoxEh* box : {dbcomboboxeh1, DBComboBoxEh2, DBComboBoxEh3})
    box->OnEnter = [this](QObject*) { QTimer::singleShot(0, DBEdit3, [this] { DBEdit3->setFocus(); }); };

  for (QWidget* w : {static_cast<QWidget*>(DBEdit3), static_cast<QWidget*>(DBComboBoxEh4),
                     static_cast<QWidget*>(DBComboBoxEh5), static_cast<QWidget*>(DBEdit1),
                     static_cast<QWidget*>(DBEdit4), static_cast<QWidget*>(DBEdit7), static_cast<QWidget*>(DBMemo1),
                     static_cast<QWidget*>(DBEdit8)})
    SetImeName(w, CurrentOperatorIme);
  SetBrowseState();
}

TForm_houseinfo_input::~TForm_houseinfo_input() = default;

void TForm_houseinfo_input::done(int result) {
  Guard([this] { FormClose(); });
  TRecordForm::done(result);
}

void TForm_houseinfo_input::FormClose() {
  if (t_houseinfo->State() == dsEdit || t_houseinfo->State() == dsInsert) t_houseinfo->Cancel();
  t_houseinfo->Close();
  q_storeyinfo->Close();
  layoutReset_.WindowClosed();
}

void TForm_houseinfo_input::bitbtn_addClick() {
  if (!RecordAddUnder(q_storeyinfo, u("楼宇资料中没有记录,请先增加楼宇资料!"), t_houseinfo, firstEditor(), "编辑权"))
    return;
  bitbtn_seek->setEnabled(false);
  // The link gives 小区代码 and 楼宇代码; the names come from the building row.
  for (const char* field : {"小区代码", "小区名称", "楼宇名称"})
    t_houseinfo->FieldByName(u(field))->SetAsString(q_storeyinfo->FieldByName(u(field))->AsString());
  t_houseinfo->FieldByName(u("租赁"))->SetAsBoolean(false);
}

void TForm_houseinfo_input::bitbtn_editClick() { RecordEditOrAdd(t_houseinfo, firstEditor(), "编辑权"); }

QWidget* TForm_houseinfo_input::firstEditor() const {
  return CheckBox1->isChecked() ? static_cast<QWidget*>(DBEdit3) : DBEdit2;
}

void TForm_houseinfo_input::bitbtn_saveClick() {
  TADOTable* t = t_houseinfo;
  bool adding = false;
  if (!BeginChangedSave(t, &adding)) return;  // nothing changed: nothing to save, nothing said

  TField* codeField = t->FieldByName(u("房屋代码"));
  if (CheckBox1->isChecked()) {
    if (!RequireField(t, u("楼宇单元"), DBComboBoxEh4, u("所属单元不能为空,请重新输入!"), true)) return;
    if (DBEdit3->Text().trimmed().isEmpty()) {
      ShowNotice(u("房号不能为空,请重新输入!"));
      DBEdit3->setFocus();
      return;
    }
    // Generated again on every save while the box is checked.
    codeField->SetAsString(GeneratedHouseCode(t->FieldByName(u("楼宇代码"))->AsString(),
                                              t->FieldByName(u("楼宇单元"))->AsString(),
                                              t->FieldByName(u("房号"))->AsString()));
  } else {
    KeepTrimmedUpper(codeField);
    if (!RequireField(t, u("房屋代码"), DBEdit2, u("房屋代码不能为空,请重新输入!"), true)) return;
  }

  if (t->FieldByName(u("租赁"))->AsBoolean()) {
    if (t->FieldByName(u("迁出日期"))->IsNull()) {
      ShowNotice(u("房屋在租赁时，到期日期不能为空,请重新输入!"));
      DBDateTimeEditEh3->setFocus();
      return;
    }
  } else if (!t->FieldByName(u("迁出日期"))->IsNull()) {
    t->FieldByName(u("迁出日期"))->Clear();
  }

  // Unique within the estate; a new code is written into every copy of this estate's house.
  const QString estate = t->FieldByName(u("小区代码"))->AsString();
  const TRenamableKey key{u("房屋代码"), DBEdit2, EstateKeySql(u("房屋资料"), estate, u("房屋代码"), codeField->AsString()),
                          u("房屋代码重复,请重新输入!"), [&](const QString& oldCode, const QString& newCode) {
                            return HouseRenameStatements(estate, oldCode, newCode);
                          }};
  if (SaveRenamableRow(t, adding, key)) ShowNotice(u("保存完毕！"));
}

void TForm_houseinfo_input::bitbtn_deleteClick() {
  // A house with a charge standard in its estate stays; bills, payments and deposits do not
  // hold it. This check comes before the right.
  DeleteUnlessUsedInEstate(t_houseinfo, u("房屋收费项目"), u("房屋代码"), u("抱歉，该房屋代码已经开始使用了，不能删除！"));
}

void TForm_houseinfo_input::bitbtn_seekClick() {
  const QStringList buildings =
      FieldValues(Dm1->q_storeyinfo, {u("select * from 楼宇资料"), u("order by 楼宇名称")}, u("楼宇名称"));
  auto* dialog = new TForm_houseinfo_query(this);
  dialog->ComboBox1->addItems(buildings);
  RunModal(dialog);
  delete dialog;
  // The first house found is shown in the window's own lists.
  TADOQuery* found = Dm1->q_houseinfo;
  if (found->Active() && !found->IsEmpty()) {
    found->First();
    const QString estate = found->FieldByName(u("小区代码"))->AsString();
    const QString building = found->FieldByName(u("楼宇代码"))->AsString();
    const QString house = found->FieldByName(u("房屋代码"))->AsString();
    Variant keys = Variant::array({Variant(estate), Variant(building)});
    if (q_storeyinfo->Locate(u("小区代码;楼宇代码"), keys)) t_houseinfo->Locate(u("房屋代码"), Variant(house));
  }
}

void TForm_houseinfo_input::SpeedButton1Click() { layoutReset_.Click(); }

void TForm_houseinfo_input::dbcomboboxeh1EditButtons0Click() {
  ChooseTypeEntry(this, TypeTableKind::Floor, IsEditing(), t_houseinfo);
}

void TForm_houseinfo_input::DBComboBoxEh2EditButtons0Click() {
  ChooseTypeEntry(this, TypeTableKind::HouseType, IsEditing(), t_houseinfo);
}

void TForm_houseinfo_input::DBComboBoxEh3EditButtons0Click() {
  ChooseTypeEntry(this, TypeTableKind::Ownership, IsEditing(), t_houseinfo);
}

void TForm_houseinfo_input::DBEdit1DblClick() { EditMemoOfRow(this, DBEdit1, ds_houseinfo, u("备注")); }

void TForm_houseinfo_input::DBMemo1DblClick() { EditMemoOfRow(this, DBMemo1, ds_houseinfo, u("装修情况")); }

void OpenHouseInfoWindow(QWidget* owner) {
  if (!CheckActionRight("业主资料设置")) return;
  auto* window = new TForm_houseinfo_input(owner);
  // The associated units offered for the house.
  window->DBComboBoxEh5->SetItems(
      SearchFieldValues(EstateScopedSelect(u("select * from 关联单位"), QString()), u("关联单位")));
  ReopenQuery(window->q_storeyinfo, EstateScopedSelect(u("select * from 楼宇资料"), u("order by 小区代码,楼宇代码")));
  window->t_houseinfo->Open();
  RunModal(window);
  delete window;
}
