#include "services/tousuinfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "grid/ToolCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "services/servicewindow.h"
#include "shell/bz.h"
#include "shell/choosehouse.h"
#include "shell/choosestorey.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
#include "shell/houselease.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

TForm_tousuinfo* Form_tousuinfo = nullptr;

namespace {
const char* const kFrontDesk = "前台模式";

void copyFields(TDataSet* from, TDataSet* to, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    TField* source = from->FindField(u(name));
    to->FieldByName(u(name))->SetValue(source ? source->Value() : Variant::null());
  }
}
}  // namespace

// ---------------------------------------------------------------------------------------
// Numbers and follow-ups

QString ComplaintMonthPrefix(TDateTime date) {
  const DateParts d = DecodeDate(date);
  return QStringLiteral("TSGL%1%2").arg(d.year, 4, 10, QLatin1Char('0')).arg(d.month, 2, 10, QLatin1Char('0'));
}

QString ComplaintNumberFor(TDateTime date, const QString& maxSerial) {
  const QString day = ComplaintMonthPrefix(date) + QStringLiteral("%1").arg(DecodeDate(date).day, 2, 10, QLatin1Char('0'));
  const QString last = maxSerial.trimmed();
  if (last.isEmpty()) return day + QStringLiteral("0001");
  const int next = last.toInt() + 1;
  // Four digits hold 9999 complaints a month; a further one would repeat a number.
  if (next > 9999) return QString();
  return day + QStringLiteral("%1").arg(next, 4, 10, QLatin1Char('0'));
}

QString DrawComplaintNumber(TDateTime date) {
  TADOQuery* q = Dm1->q_change;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select max(right(投诉单号,4)) as nnbbh from 业主投诉表 where 投诉单号 like ") +
             SqlQuote::Like(ComplaintMonthPrefix(date), false, true) + SqlQuote::LikeEscape());
  q->Open();
  const QString last = q->IsEmpty() ? QString() : q->FieldByName(u("nnbbh"))->AsString();
  q->Close();
  return ComplaintNumberFor(date, last);
}

QString AppendFollowUp(const QString& old, const QString& entry) {
  return old.isEmpty() ? entry : old + u(";") + entry;
}

// ---------------------------------------------------------------------------------------
// The window

TForm_tousuinfo::TForm_tousuinfo(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_tousuinfo"));
  setWindowTitle(u("业主投诉管理"));
  setWindowState(Qt::WindowMaximized);
  Form_tousuinfo = this;

  q_tousuinfo = NewQuery(this, "q_tousuinfo", Dm1->ADO_system);
  ds_tousuinfo = NewDataSource(this, "ds_tousuinfo", q_tousuinfo);
  SetMainDataSet(q_tousuinfo);

  using F = TForm_tousuinfo;
  const TToolBar tools =
      NewRecordToolBar<F>(this, {{&F::SpeedButton2, "SpeedButton2", "查找", &F::SpeedButton2Click}});
  RegisterStandardToolStates();
  QFrame* bar = tools.frame;
  QHBoxLayout* row = tools.row;
  CheckBox2 = new QCheckBox(u("业主投诉："), bar);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  CheckBox2->setChecked(true);
  CheckBox1 = new QCheckBox(u("房屋代码："), bar);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  row->addSpacing(12);
  row->addWidget(CheckBox2);
  row->addWidget(CheckBox1);
  Label13 = new QLabel(bar);
  Label13->setObjectName(QStringLiteral("Label13"));
  Label13->setVisible(false);
  Label15 = new QLabel(bar);
  Label15->setObjectName(QStringLiteral("Label15"));
  Label15->setVisible(false);
  row->addStretch(1);
  auto* hint = new QLabel(u("提示：以下默认显示的是没有处理完毕的投诉记录单！"), bar);
  hint->setStyleSheet(QStringLiteral("color: blue"));
  row->addWidget(hint);

  // The record panel.
  auto* panel = NewEditorPanel(this);
  TDataSource* ds = ds_tousuinfo;
  DBEdit1 = MakeDBEdit(panel, "DBEdit1", ds, u("投诉单号"));
  DBEdit2 = MakeDBEdit(panel, "DBEdit2", ds, u("楼宇名称"));
  DBEdit3 = MakeDBEdit(panel, "DBEdit3", ds, u("业主名称"));
  DBEdit4 = MakeDBEdit(panel, "DBEdit4", ds, u("联系电话"));
  DBComboBoxEh4 = MakeDBCombo(panel, "DBComboBoxEh4", ds, u("房屋代码"));
  for (TCustomDBEditEh* e : {static_cast<TCustomDBEditEh*>(DBEdit1), static_cast<TCustomDBEditEh*>(DBEdit2),
                             static_cast<TCustomDBEditEh*>(DBEdit3), static_cast<TCustomDBEditEh*>(DBEdit4),
                             static_cast<TCustomDBEditEh*>(DBComboBoxEh4)}) {
    e->SetReadOnly(true);
    e->setStyleSheet(QStringLiteral("color: blue"));
  }
  AddPickButton(DBComboBoxEh4, [this] { DBComboBoxEh4EditButtons0Click(); });
  DBDateTimeEditEh1 = MakeDBDateEdit(panel, "DBDateTimeEditEh1", ds, u("投诉日期"));
  DBComboBoxEh1 = MakeDBCombo(panel, "DBComboBoxEh1", ds, u("投诉形式"));
  DBComboBoxEh1->SetItems({u("电话"), u("来访"), u("其它")});
  DBMemo1 = MakeDBMemo(panel, "DBMemo1", ds, u("投诉内容"));
  DBEdit5 = MakeDBEdit(panel, "DBEdit5", ds, u("记录人"));
  DBMemo2 = MakeDBMemo(panel, "DBMemo2", ds, u("备注"));
  DBComboBoxEh2 = MakeDBCombo(panel, "DBComboBoxEh2", ds, u("处理结果"));
  DBComboBoxEh2->SetItems({u("未完成"), u("完成")});
  DBDateTimeEditEh2 = MakeDBDateEdit(panel, "DBDateTimeEditEh2", ds, u("处理日期"));
  DBEdit6 = MakeDBEdit(panel, "DBEdit6", ds, u("处理人"));
  DBComboBoxEh3 = MakeDBCombo(panel, "DBComboBoxEh3", ds, u("处理形式"));
  DBComboBoxEh3->SetItems({u("传签单"), u("维修单"), u("家政报务单"), u("其它")});
  DBMemo3 = MakeDBMemo(panel, "DBMemo3", ds, u("回访情况"));
  SpeedButton6 = AddToolButton(nullptr, "SpeedButton6", u("<<"));
  SpeedButton6->setParent(panel);
  SpeedButton6->setToolButtonStyle(Qt::ToolButtonTextOnly);
  SpeedButton6->setToolTip(u("回访人等于操作员+回访时间等于现在时间"));
  for (TDBMemo* m : {DBMemo1, DBMemo2, DBMemo3}) {
    m->setMaximumHeight(52);
    OnEditorDoubleClick(m, [this, m] { OpenMemoEditor(this, m->isReadOnly(), ds_tousuinfo, m->DataField()); });
  }

  auto* fields = new QGridLayout(panel);
  PlaceEditors(fields, panel,
               {{"投诉单号：", DBEdit1, 0, 0, 1},        {"投诉日期：", DBDateTimeEditEh1, 0, 1, 1},
                {"投诉形式：", DBComboBoxEh1, 0, 2, 1},  {"房屋代码：", DBComboBoxEh4, 1, 0, 1},
                {"楼宇名称：", DBEdit2, 1, 1, 1},        {"业主名称：", DBEdit3, 1, 2, 1},
                {"联系电话：", DBEdit4, 2, 0, 1},        {"记录人：", DBEdit5, 2, 1, 1},
                {"处理结果：", DBComboBoxEh2, 2, 2, 1},  {"处理日期：", DBDateTimeEditEh2, 3, 0, 1},
                {"处理人：", DBEdit6, 3, 1, 1},          {"处理形式：", DBComboBoxEh3, 3, 2, 1},
                {"投诉内容：", DBMemo1, 4, 0, 5},        {"备注：", DBMemo2, 5, 0, 5}});
  fields->addWidget(new QLabel(u("回访情况："), panel), 6, 0, Qt::AlignRight);
  auto* followRow = new QHBoxLayout;
  followRow->addWidget(DBMemo3, 1);
  followRow->addWidget(SpeedButton6);
  fields->addLayout(followRow, 6, 1, 1, 5);
  for (QWidget* w : {static_cast<QWidget*>(DBDateTimeEditEh1), static_cast<QWidget*>(DBComboBoxEh1),
                     static_cast<QWidget*>(DBMemo1), static_cast<QWidget*>(DBEdit5), static_cast<QWidget*>(DBMemo2),
                     static_cast<QWidget*>(DBComboBoxEh2), static_cast<QWidget*>(DBDateTimeEditEh2),
                     static_cast<QWidget*>(DBEdit6), static_cast<QWidget*>(DBComboBoxEh3), static_cast<QWidget*>(DBMemo3)})
    AddTextEditor(w);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_tousuinfo, 0);
  DBGridEh1->SetUseMultiTitle(true);
  const struct {
    const char* field;
    int width;
    bool sortable;
  } columns[] = {{"投诉单号", 100, true}, {"投诉日期", 70, true},  {"楼宇名称", 69, false}, {"房屋代码", 59, true},
                 {"业主名称", 74, true},  {"投诉形式", 59, true},  {"投诉内容", 231, false}, {"记录人", 60, true},
                 {"处理形式", 58, true},  {"处理结果", 60, true},  {"处理日期", 60, false}, {"处理人", 60, false},
                 {"操作人员", 53, true},  {"操作日期", 67, true},  {"备注", 160, false},    {"回访情况", 80, false}};
  for (const auto& c : columns) AddGridColumn(DBGridEh1, u(c.field), QString(), c.sortable, c.width);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  StripeGridRows(DBGridEh1);
  PrintDBGridEh1 = SetupMainList(DBGridEh1, u("业主投诉明细表"));

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar);
  column->addWidget(panel);
  column->addWidget(DBGridEh1, 1);
  resize(980, 640);

  ConnectClicks(this, {{SpeedButton6, &TForm_tousuinfo::SpeedButton6Click}});

  auto* chain = new TEnterChain(this);
  chain->Chain({DBDateTimeEditEh1, DBComboBoxEh1, DBMemo1, DBEdit5, DBMemo2, DBComboBoxEh2, DBDateTimeEditEh2, DBEdit6,
                DBComboBoxEh3},
               [this] { bitbtn_saveClick(); });

  for (QWidget* w : {static_cast<QWidget*>(DBEdit5), static_cast<QWidget*>(DBEdit6), static_cast<QWidget*>(DBComboBoxEh1),
                     static_cast<QWidget*>(DBMemo2), static_cast<QWidget*>(DBMemo1), static_cast<QWidget*>(DBMemo3),
                     static_cast<QWidget*>(DBComboBoxEh3)})
    SetImeName(w, CurrentOperatorIme);

  SetBrowseState();
}

TForm_tousuinfo::~TForm_tousuinfo() {
  if (Form_tousuinfo == this) Form_tousuinfo = nullptr;
}

bool TForm_tousuinfo::FrontDeskMode() const { return Label13->text() == u(kFrontDesk); }

void TForm_tousuinfo::done(int result) {
  TRecordForm::done(result);
  q_tousuinfo->Close();
}

void TForm_tousuinfo::bitbtn_addClick() {
  TADOQuery* q = q_tousuinfo;
  if (!RecordAdd(q, DBDateTimeEditEh1, "编辑权")) return;
  q->FieldByName(u("投诉日期"))->SetAsDateTime(Now());
  q->FieldByName(u("记录人"))->SetAsString(CurrentOperatorName);
  q->FieldByName(u("处理结果"))->SetAsString(u("未完成"));
  if (FrontDeskMode()) {
    TADOQuery* house = Dm1->q_houseinfo;
    house->Close();
    house->SQL.Clear();
    // Two estates may use the same house codes: the house is the one of the log-in's estate
    // when the office works per estate, else the only house holding the code.
    if (!FrontDeskEstate.isNull()) {
      house->SQL.Add(u("select * from 房屋资料 where ") + EstateHouseCondition(FrontDeskEstate, Label15->text()));
    } else {
      house->SQL.Add(u("select * from 房屋资料 where (房屋代码=") + SqlQuote::Text(Label15->text()) + u(")"));
      if (GardenScoped) house->SQL.Add(u("and") + SameEstateCondition(CurrentGardenCode));
    }
    house->Open();
    if (house->RecordCount() > 1)
      ShowNotice(u("该房屋代码在多个小区中使用，无法确定是哪个小区的房屋!"));
    else if (!house->IsEmpty())
      copyFields(house, q, {"小区代码", "小区名称", "楼宇代码", "楼宇名称", "楼宇单元", "房屋代码", "业主名称", "联系电话"});
  }
  DBDateTimeEditEh1->setFocus();
}

void TForm_tousuinfo::bitbtn_editClick() {
  if (!q_tousuinfo->Active() || q_tousuinfo->IsEmpty()) {
    bitbtn_addClick();
    return;
  }
  RecordEdit(DBDateTimeEditEh1, "编辑权");
}

void TForm_tousuinfo::bitbtn_saveClick() {
  TADOQuery* q = q_tousuinfo;
  // A row without a change: nothing to save, the window stays as it is.
  if (!BeginChangedSave(q)) return;
  if (q->FieldByName(u("投诉日期"))->IsNull()) {
    ShowNotice(u("投诉日期不能为空,请重新输入!"));
    DBDateTimeEditEh1->setFocus();
    return;
  }
  if (CheckBox1->isChecked()) {
    if (!RequireField(q, u("房屋代码"), DBComboBoxEh4, u("房屋代码不能为空,请重新输入!"), true)) return;
  } else {
    if (!RequireField(q, u("楼宇名称"), DBComboBoxEh4, u("楼宇名称不能为空,请重新输入!"), true)) return;
  }
  if (!RequireFields(q, {{"投诉形式", DBComboBoxEh1, "投诉形式不能为空,请重新输入!"},
                         {"记录人", DBEdit5, "记录人不能为空,请重新输入!"},
                         {"投诉内容", DBMemo1, "投诉内容不能为空,请重新输入!"}}))
    return;
  if (!writeComplaint()) return;
  SetBrowseState();
  ShowInformation(u("保存完毕！!"));
}

bool TForm_tousuinfo::writeComplaint() {
  TADOQuery* q = q_tousuinfo;
  const bool adding = IsAdding();
  // The number is drawn and the complaint written under the write lock: another seat drawing
  // a number of the same month waits until this one is written, and then sees it, whatever
  // the day in either number. Should a writer outside this lock take the number all the same,
  // the number's unique index refuses the row and the next free number is drawn.
  TADOConnection* conn = Dm1->ADO_system;
  constexpr int kAttempts = 5;
  for (int attempt = 1;; ++attempt) {
    QString number;
    try {
      if (adding) conn->BeginWriteTrans();
      if (adding) {
        number = DrawComplaintNumber(q->FieldByName(u("投诉日期"))->AsDateTime());
        if (number.isEmpty()) {
          conn->RollbackTrans();
          ShowNotice(u("本月的投诉单号已经用完,不能再增加投诉!"));
          return false;
        }
        q->FieldByName(u("投诉单号"))->SetAsString(number);
        if (ComplaintNumberDrawn) ComplaintNumberDrawn(number);
      }
      q->FieldByName(u("操作人员"))->SetAsString(CurrentOperatorName);
      q->FieldByName(u("操作日期"))->SetAsDateTime(Now());
      q->Post();
      if (adding) conn->CommitTrans();
      return true;
    } catch (const Exception& e) {
      if (adding && conn->InTransaction()) conn->RollbackTrans();
      if (adding && attempt < kAttempts && ComplaintNumberTaken(number)) continue;
      // The typed complaint stays in the editors, so the operator can correct it or retry.
      if (adding) q->FieldByName(u("投诉单号"))->Clear();
      ShowDataError(u("存盘失败"), e.message());
      return false;
    }
  }
}

bool ComplaintNumberTaken(const QString& number) {
  if (number.isEmpty()) return false;
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select count(*) as n from 业主投诉表 where 投诉单号=") + SqlQuote::Text(number));
  s->Open();
  const bool taken = s->FieldByName(u("n"))->AsInteger() > 0;
  s->Close();
  return taken;
}

std::function<void(const QString&)> ComplaintNumberDrawn;

void TForm_tousuinfo::bitbtn_deleteClick() { RecordDelete(q_tousuinfo, "删除权", true); }

void TForm_tousuinfo::SpeedButton6Click() {
  if (!IsEditing()) return;
  TADOQuery* q = q_tousuinfo;
  if (q->State() == dsBrowse) q->Edit();
  q->UpdateRecord();
  TField* f = q->FieldByName(u("回访情况"));
  const QString entry = DateTimeToStr(Now()) + CurrentOperatorName + u("电话回访满意");
  f->SetAsString(AppendFollowUp(f->AsString(), entry));
}

void TForm_tousuinfo::DBComboBoxEh4EditButtons0Click() {
  if (FrontDeskMode()) {
    ShowNotice(u("前台模式下不能进行选择！"));
    return;
  }
  if (!IsEditing()) return;
  if (CheckBox2->isChecked()) {
    // A house: the picker copies the chosen house into the complaint.
    auto* picker = new TForm_choosehouse(this);
    picker->SetCallerTag(u("tousuinfo"));
    picker->SetCallerDataSet(q_tousuinfo);
    TADOQuery* storeys = Dm1->q_storeyinfo;
    storeys->Close();
    storeys->SQL.Clear();
    storeys->SQL.Add(u("select * from 楼宇资料"));
    storeys->SQL.Add(u("order by 楼宇名称"));
    storeys->Open();
    for (storeys->First(); !storeys->Eof(); storeys->Next())
      picker->ComboBox1->addItem(storeys->FieldByName(u("楼宇名称"))->AsString());
    storeys->Close();
    TADOQuery* houses = Dm1->q_houseinfo;
    houses->Close();
    houses->SQL.Clear();
    houses->SQL.Add(u("select * from 房屋资料 "));
    houses->SQL.Add(u("order by 房屋代码 "));
    houses->Open();
    RunModal(picker);
    delete picker;
    houses->Close();
  } else {
    // A building: its estate and building go into the complaint; house fields stay.
    auto* picker = new TForm_choosestorey(this);
    picker->SetCallerTag(u("tousuinfo"));
    picker->SetCallerDataSet(q_tousuinfo);
    picker->q_temp->Close();
    picker->q_temp->SQL.Clear();
    picker->q_temp->SQL.Add(u("select * from 楼宇资料"));
    picker->q_temp->SQL.Add(u("order by 楼宇名称"));
    picker->q_temp->Open();
    RunModal(picker);
    picker->q_temp->Close();
    delete picker;
  }
}

void TForm_tousuinfo::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_tousuinfo); }

void TForm_tousuinfo::SpeedButton2Click() {
  auto* dialog = new TForm_tousuinfo_query(this);
  auto fill = [](QComboBox* box, const QString& sql, const QString& field) {
    TADOQuery* q = Dm1->q_search;
    q->Close();
    q->SQL.Clear();
    for (const QString& line : sql.split(QLatin1Char('\n'))) q->SQL.Add(line);
    q->Open();
    for (q->First(); !q->Eof(); q->Next()) box->addItem(q->FieldByName(field)->AsString());
    q->Close();
  };
  fill(dialog->ComboBox2, u("select * from 房屋资料\norder by 房屋代码"), u("房屋代码"));
  fill(dialog->ComboBox4, u("select * from 楼宇资料\norder by 楼宇代码"), u("楼宇名称"));
  dialog->ComboBox2->setCurrentIndex(-1);
  dialog->ComboBox4->setCurrentIndex(-1);
  RunModal(dialog);
  delete dialog;
}

// ---------------------------------------------------------------------------------------
// The query dialog

QString ComplaintQueryCondition(const ComplaintQueryFields& f) {
  QString where;
  auto contains = [&where](const char* field, const QString& value) {
    if (!value.trimmed().isEmpty()) AddCondition(where, ContainsCondition(u(field), value));
  };
  contains("投诉单号", f.number);
  contains("投诉形式", f.form);
  contains("楼宇名称", f.building);
  contains("房屋代码", f.house);
  if (!f.result.trimmed().isEmpty()) AddCondition(where, EqualsCondition(u("处理结果"), f.result));
  contains("业主名称", f.owner);
  contains("记录人", f.recorder);
  contains("备注", f.remark);
  contains("回访情况", f.followUp);
  contains("投诉内容", f.content);
  auto between = [&where](const char* field, TDateTime from, TDateTime to) {
    AddCondition(where, u("(") + u(field) + u(" between ") + SqlQuote::Date(DateOf(from)) + u(" and ") +
                            SqlQuote::Date(EndOfDay(to)) + u(")"));
  };
  if (f.complaintDates) between("投诉日期", f.complaintFrom, f.complaintTo);
  if (f.handledDates) between("处理日期", f.handledFrom, f.handledTo);
  return where;
}

TForm_tousuinfo_query::TForm_tousuinfo_query(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_tousuinfo_query"));
  setWindowTitle(u("查询"));
  auto line = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    return e;
  };
  auto combo = [this](const char* name, const QStringList& items, bool editable) {
    auto* c = new QComboBox(this);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(editable);
    c->addItems(items);
    c->setCurrentIndex(-1);
    return c;
  };
  Edit1 = line("Edit1");
  ComboBox4 = combo("ComboBox4", {}, true);
  Edit2 = line("Edit2");
  ComboBox2 = combo("ComboBox2", {}, true);
  ComboBox1 = combo("ComboBox1", {u("完成"), u("未完成")}, true);
  ComboBox3 = combo("ComboBox3", {u("电话"), u("来访"), u("其它")}, true);
  Edit4 = line("Edit4");
  Edit3 = line("Edit3");
  Edit5 = line("Edit5");
  Edit6 = line("Edit6");
  DBDateTimeEditEh1 = MakeDateBox(this, "DBDateTimeEditEh1");
  DBDateTimeEditEh2 = MakeDateBox(this, "DBDateTimeEditEh2");
  DBDateTimeEditEh3 = MakeDateBox(this, "DBDateTimeEditEh3");
  DBDateTimeEditEh4 = MakeDateBox(this, "DBDateTimeEditEh4");
  bitbtn_seek = new QPushButton(u("查询 (&F)"), this);
  bitbtn_seek->setObjectName(QStringLiteral("bitbtn_seek"));
  bitbtn_return = new QPushButton(u("返回 (&R)"), this);
  bitbtn_return->setObjectName(QStringLiteral("bitbtn_return"));

  auto* grid = new QGridLayout(this);
  int r = PlaceCaptionedRows(grid, this, 0,
                             {{"投诉单号：", Edit1}, {"楼宇名称：", ComboBox4}, {"业主名称：", Edit2},
                              {"房屋代码：", ComboBox2}, {"处理结果：", ComboBox1}, {"投诉形式：", ComboBox3},
                              {"记录人：", Edit4}, {"投诉内容：", Edit3}, {"备注：", Edit5},
                              {"回访情况：", Edit6}},
                             3);
  grid->addWidget(new QLabel(u("投诉日期 从："), this), r, 0, Qt::AlignRight);
  grid->addWidget(DBDateTimeEditEh1, r, 1);
  grid->addWidget(new QLabel(u("到："), this), r, 2, Qt::AlignRight);
  grid->addWidget(DBDateTimeEditEh2, r, 3);
  ++r;
  grid->addWidget(new QLabel(u("处理日期 从："), this), r, 0, Qt::AlignRight);
  grid->addWidget(DBDateTimeEditEh3, r, 1);
  grid->addWidget(new QLabel(u("到："), this), r, 2, Qt::AlignRight);
  grid->addWidget(DBDateTimeEditEh4, r, 3);
  ++r;
  auto* buttons = NewButtonRow({bitbtn_seek, bitbtn_return});
  grid->addLayout(buttons, r, 0, 1, 4);

  connect(bitbtn_seek, &QPushButton::clicked, this, Guarded([this] { bitbtn_seekClick(); }));
  connect(bitbtn_return, &QPushButton::clicked, this, &QDialog::reject);
  auto* chain = new TEnterChain(this);
  chain->Chain({Edit1, ComboBox4, Edit2, ComboBox2, ComboBox1, ComboBox3, Edit4, Edit3, Edit5, Edit6, DBDateTimeEditEh1,
                DBDateTimeEditEh2, DBDateTimeEditEh3, DBDateTimeEditEh4},
               [this] { bitbtn_seekClick(); });
  for (QWidget* w : {static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3), static_cast<QWidget*>(Edit4),
                     static_cast<QWidget*>(Edit5), static_cast<QWidget*>(ComboBox3)})
    SetImeName(w, CurrentOperatorIme);
}

void TForm_tousuinfo_query::bitbtn_seekClick() {
  if (!AcceptDateRange(DBDateTimeEditEh1, DBDateTimeEditEh2, u("投诉日期输入错误,请重新输入!"),
                       u("投诉日期从大于投诉日期到,请重新输入!")))
    return;
  if (!AcceptDateRange(DBDateTimeEditEh3, DBDateTimeEditEh4, u("处理日期输入错误,请重新输入!"),
                       u("处理日期从大于处理日期到,请重新输入!")))
    return;
  ComplaintQueryFields f;
  f.number = Edit1->text();
  f.building = ComboBox4->currentText();
  f.owner = Edit2->text();
  f.house = ComboBox2->currentText();
  f.result = ComboBox1->currentText();
  f.form = ComboBox3->currentText();
  f.recorder = Edit4->text();
  f.content = Edit3->text();
  f.remark = Edit5->text();
  f.followUp = Edit6->text();
  if (CheckDateRange(DBDateTimeEditEh1, DBDateTimeEditEh2) == DateRangeState::Filled) {
    f.complaintDates = true;
    f.complaintFrom = DateBoxDay(DBDateTimeEditEh1);
    f.complaintTo = DateBoxDay(DBDateTimeEditEh2);
  }
  if (CheckDateRange(DBDateTimeEditEh3, DBDateTimeEditEh4) == DateRangeState::Filled) {
    f.handledDates = true;
    f.handledFrom = DateBoxDay(DBDateTimeEditEh3);
    f.handledTo = DateBoxDay(DBDateTimeEditEh4);
  }
  if (SearchFromDialog(Form_tousuinfo ? Form_tousuinfo->q_tousuinfo : nullptr, u("select * from 业主投诉表"),
                       ComplaintQueryCondition(f), u("order by 投诉日期 desc"), Edit1))
    accept();
}
