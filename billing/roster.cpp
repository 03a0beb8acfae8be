#include "billing/roster.h"

#include "shell/windowparts.h"
#include "billing/estatescope.h"
#include "billing/shoukuan.h"

#include "billing/billingwindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
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
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/ui.h"
#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

QString like(const char* field, const QString& text) {
  return u("(") + u(field) + u(" like ") + SqlQuote::Like(text, true, true) + SqlQuote::LikeEscape() + u(")");
}
QString equals(const char* field, const QString& text) {
  return u("(") + u(field) + u(" = ") + SqlQuote::Text(text) + u(")");
}
QString between(const char* field, const QDate& from, const QDate& to) {
  return u("(") + u(field) + u(" between ") + SqlQuote::Date(FromQDate(from)) + u(" and ") +
         SqlQuote::Date(EndOfDay(FromQDate(to))) + u(")");
}
}  // namespace

int ClearHouseBalances(TADOConnection* connection, const QList<EstateHouseKey>& houses) {
  int changed = 0;
  WithWriteTransaction(connection, [&] {
    for (const EstateHouseKey& h : houses)
      changed += connection->Execute(u("update 房屋资料 set 零头=0 where ") + EstateHouse(h.estate, h.house));
  });
  return changed;
}

OwedPaid OwedPaidTotals(TADOConnection* connection, const QString& estate, const QString& houseCode) {
  auto sum = [&](const char* sql) {
    TADOQuery q;
    q.SetConnection(connection);
    q.SQL.Add(u(sql) + EstateHouse(estate, houseCode));
    q.Open();
    return q.Fields()[0]->AsMoney();
  };
  return {sum("select sum(收费金额) as f1 from 收费明细表 where "), sum("select sum(实收金额) as f1 from 收费汇总表 where ")};
}

QString HouseQueryDateError(const HouseQuery& q) {
  if (q.moveInFrom.isNull() != q.moveInTo.isNull()) return u("入住日期输入错误,请重新输入!");
  if (!q.moveInFrom.isNull() && q.moveInTo < q.moveInFrom) return u("入住日期从大于入住日期到,请重新输入!");
  if (q.leaseEndFrom.isNull() != q.leaseEndTo.isNull()) return u("租赁到期日期输入错误,请重新输入!");
  if (!q.leaseEndFrom.isNull() && q.leaseEndTo < q.leaseEndFrom) return u("租赁到期日期从大于租赁到期日期到,请重新输入!");
  return QString();
}

QString HouseQueryCondition(const HouseQuery& q) {
  QStringList terms;
  auto add = [&terms](const QString& text, const QString& term) {
    if (!text.trimmed().isEmpty()) terms << term;
  };
  add(q.house, like("房屋代码", q.house.trimmed()));
  add(q.building, like("楼宇名称", q.building.trimmed()));
  add(q.houseType, equals("房型", q.houseType.trimmed()));
  if (q.leased.trimmed() == u("是")) terms << u("(租赁 = 1)");
  if (q.leased.trimmed() == u("否")) terms << u("(租赁 = 0)");
  add(q.ownership, equals("产权状况", q.ownership.trimmed()));
  add(q.unit, like("关联单位", q.unit.trimmed()));
  add(q.owner, like("业主名称", q.owner.trimmed()));
  add(q.fitment, like("装修情况", q.fitment.trimmed()));
  add(q.remark, like("备注", q.remark.trimmed()));
  add(q.parking, like("车辆车位", q.parking.trimmed()));
  if (!q.moveInFrom.isNull() && !q.moveInTo.isNull()) terms << between("迁入日期", q.moveInFrom, q.moveInTo);
  if (!q.leaseEndFrom.isNull() && !q.leaseEndTo.isNull()) terms << between("迁出日期", q.leaseEndFrom, q.leaseEndTo);
  if (terms.isEmpty()) return QString();
  QString condition = terms.join(u("and"));
  if (GardenScoped) condition += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  return condition;
}

// ---------------------------------------------------------------------------------------
// The roster

TForm_housecharge::TForm_housecharge(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_housecharge"));
  setWindowTitle(u("业主花名册"));
  setWindowState(Qt::WindowMaximized);
  q_houseinfo = NewQuery(this, "q_houseinfo", Dm1->ADO_system);
  ds_houseinfo = NewDataSource(this, "ds_houseinfo", q_houseinfo);

  using W = TForm_housecharge;
  const TToolBar bar =
      NewToolBar<W>(this, kScratchListBar,
                    {{&W::bitbtn_certificate, "bitbtn_certificate", "打印业主证明", &W::bitbtn_certificateClick},
                     {&W::bitbtn_design, "bitbtn_design", "设计业主证明", &W::bitbtn_designClick},
                     {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                     {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                     {&W::bitbtn_seek, "bitbtn_seek", "查找", &W::bitbtn_seekClick},
                     {&W::bitbtn_detail, "bitbtn_detail", "明细", &W::bitbtn_detailClick},
                     {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  bar.row->addStretch(1);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_houseinfo);
  DBGridEh1->SetOptions(DBGridEh1->Options() | dgMultiSelect);
  AddGridColumn(DBGridEh1, u("房屋代码"), QString(), true)->Footer()->SetValueType(fvtCount);
  for (const char* f : {"楼宇名称", "业主名称"}) AddGridColumn(DBGridEh1, u(f), QString(), true);
  AddGridColumn(DBGridEh1, u("房型"), u("房屋类型"), true);
  for (const char* f : {"身份证号", "工作单位", "联系电话", "银行帐号", "开户银行", "入伙日期"})
    AddGridColumn(DBGridEh1, u(f), QString(), true);
  for (const char* f : {"房屋面积", "使用面积", "其它面积一"})
    AddGridColumn(DBGridEh1, u(f), QString(), true)->Footer()->SetValueType(fvtSum);
  for (const char* f : {"关联单位", "产权状况"}) AddGridColumn(DBGridEh1, u(f), QString(), true);
  AddGridColumn(DBGridEh1, u("零头"), u("余额"), true);
  for (const char* f : {"房屋位置", "操作人员", "操作日期", "车辆车位", "租赁", "备注", "客户名称", "客户身份证号",
                        "客户联系电话"})
    AddGridColumn(DBGridEh1, u(f), QString(), true);
  AddGridColumn(DBGridEh1, u("迁入日期"), u("入住日期"), true);
  AddGridColumn(DBGridEh1, u("迁出日期"), QString(), true);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
    StripeOddRows(DBGridEh1, background);
  };
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_detailClick(); });
  DBGridEh1->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* clear = new QAction(u("选中记录清除余额"), DBGridEh1);
  clear->setObjectName(QStringLiteral("N1"));
  DBGridEh1->addAction(clear);
  connect(clear, &QAction::triggered, this, Guarded([this] { N1Click(); }));
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("房屋资料明细表"));
  SetListOutput({DBGridEh1, u("业主资料明细表"), PrintDBGridEh1});

  frReport1 = new TfrReport(this);
  frReport1->setObjectName(QStringLiteral("frReport1"));
  frDS_HT = new TfrDBDataSet(this);
  frDS_HT->setObjectName(QStringLiteral("frDS_HT"));
  frDS_HT->SetDataSource(ds_houseinfo);
  // The certificate is the current house's: the source starts and ends on the roster's
  // current row, not the whole list.
  frDS_HT->RangeBegin = rbCurrent;
  frDS_HT->RangeEnd = reCurrent;

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar.frame);
  column->addWidget(DBGridEh1, 1);
  resize(1000, 640);
}

TForm_housecharge::~TForm_housecharge() = default;

void TForm_housecharge::N1Click() {
  if (!q_houseinfo->Active() || q_houseinfo->IsEmpty()) return;
  if (!AskYesNo(u("确实要清除选中记录的余额吗? "))) return;
  const EstateHouseKey current = EstateHouseKey::Of(q_houseinfo);
  // The marked rows in the list's order.
  QList<EstateHouseKey> houses;
  for (q_houseinfo->First(); !q_houseinfo->Eof(); q_houseinfo->Next())
    if (DBGridEh1->MarkedRows()->CurrentRowMarked()) houses << EstateHouseKey::Of(q_houseinfo);
  if (houses.isEmpty()) {
    current.Locate(q_houseinfo);
    return;
  }
  ClearHouseBalances(Dm1->ADO_system, houses);
  q_houseinfo->Close();
  q_houseinfo->Open();
  for (const EstateHouseKey& h : houses)
    if (h.Locate(q_houseinfo)) DBGridEh1->MarkedRows()->SetCurrentRowMarked(true);
  current.Locate(q_houseinfo);
}

QString TForm_housecharge::CertificateTemplate() { return ProgramTemplatePath(u("业主证明.frf")); }

void TForm_housecharge::bitbtn_certificateClick() {
  if (!CheckActionRight("打印权")) return;
  const QString path = CertificateTemplate();
  if (!QFile::exists(path)) return;
  frReport1->OpenTemplateFile(path);
  if (frReport1->BuildReport() && frReport1->EMFPages().Count() > 0) frReport1->ShowBuiltReport();
  else ShowNotice(u("打印文件被破坏，请与程序员联系！"));
}

void TForm_housecharge::bitbtn_designClick() { DesignPrintTemplate(frReport1, "编辑权", u("业主证明.frf")); }

void TForm_housecharge::bitbtn_detailClick() {
  if (!q_houseinfo->Active() || q_houseinfo->IsEmpty()) return;
  auto* detail = new TForm_housecharge_edit(this, this);
  detail->t_tousu->Open();
  detail->t_jiaofeidan->Open();
  RunModal(detail);
  detail->t_tousu->Close();
  detail->t_jiaofeidan->Close();
  delete detail;
}

void TForm_housecharge::bitbtn_seekClick() {
  if (!CheckActionRight("查找权")) return;
  auto* dialog = new TForm_housecharge_query(this, this);
  RunModal(dialog);
  delete dialog;
}

void TForm_housecharge::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_houseinfo); }

// ---------------------------------------------------------------------------------------
// The owner detail

TForm_housecharge_edit::TForm_housecharge_edit(TForm_housecharge* roster, QWidget* parent)
    : QDialog(parent), roster_(roster) {
  setObjectName(QStringLiteral("Form_housecharge_edit"));
  setWindowTitle(u("业主资料"));
  setWindowState(Qt::WindowMaximized);
  auto table = [this, roster](const char* name, const char* tableName, const char* index, TDataSource*& source) {
    auto* t = new TADOTable(this);
    t->setObjectName(QString::fromLatin1(name));
    t->SetConnection(Dm1->ADO_system);
    t->TableName = u(tableName);
    t->IndexFieldNames = u(index);
    // The house's rows are those of its estate: two estates may use the same house codes.
    t->MasterFields = u("小区代码;房屋代码");
    t->SetMasterSource(roster->ds_houseinfo);
    source = NewDataSource(this, nullptr, t);
    return t;
  };
  t_jiaofeidan = table("t_jiaofeidan", "收费明细表", "小区代码;房屋代码;年度;月份", ds_jiaofeidan);
  t_tousu = table("t_tousu", "业主投诉表", "小区代码;房屋代码;投诉单号", ds_tousu);

  auto* bar = new QFrame(this);
  auto* row = new QHBoxLayout(bar);
  BitBtn_close = new QPushButton(u("返回"), bar);
  BitBtn_close->setObjectName(QStringLiteral("BitBtn_close"));
  BitBtn_calc = new QPushButton(u("计算"), bar);
  BitBtn_calc->setObjectName(QStringLiteral("BitBtn_calc"));
  Label_owed = new QLabel(u("应缴费用："), bar);
  Label_paid = new QLabel(u("实缴费用："), bar);
  Label_arrears = new QLabel(u("欠缴费用："), bar);
  for (QWidget* w : {static_cast<QWidget*>(BitBtn_close), static_cast<QWidget*>(BitBtn_calc),
                     static_cast<QWidget*>(Label_owed), static_cast<QWidget*>(Label_paid),
                     static_cast<QWidget*>(Label_arrears)})
    row->addWidget(w);
  row->addStretch(1);

  // The owner's fields, display only, on the roster's current house.
  auto* owner = new QFrame(this);
  auto* grid = new QGridLayout(owner);
  const struct {
    const char* caption;
    const char* field;
  } fields[] = {{"房屋代码", "房屋代码"}, {"房号", "房屋位置"},     {"房型", "房型"},         {"产权状况", "产权状况"},
                {"房屋面积", "房屋面积"}, {"使用面积", "使用面积"}, {"关联单位", "关联单位"}, {"车辆车位", "车辆车位"},
                {"楼宇名称", "楼宇名称"}, {"所属单元", "楼宇单元"}, {"业主名称", "业主名称"}, {"联系电话", "联系电话"},
                {"身份证号", "身份证号"}, {"工作单位", "工作单位"}, {"联系地址", "联系地址"}, {"开户银行", "开户银行"},
                {"银行帐号", "银行帐号"}, {"入伙日期", "入伙日期"}, {"入住日期", "迁入日期"}, {"到期日期", "迁出日期"},
                {"租赁", "租赁"},         {"备注", "备注"}};
  int i = 0;
  for (const auto& f : fields) {
    auto* e = new TDBEditEh(owner);
    e->SetDataSource(roster->ds_houseinfo);
    e->SetDataField(u(f.field));
    e->SetReadOnly(true);
    grid->addWidget(new QLabel(u(f.caption) + u("："), owner), i / 4, (i % 4) * 2, Qt::AlignRight);
    grid->addWidget(e, i / 4, (i % 4) * 2 + 1);
    ++i;
  }

  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_jiaofeidan);
  AddGridColumn(DBGridEh2, u("年度"))->Footer()->SetValueType(fvtCount);
  for (const char* f : {"月份", "收费名称", "单价", "本月表数", "上月表数", "面积或数量"}) AddGridColumn(DBGridEh2, u(f));
  AddGridColumn(DBGridEh2, u("收费金额"))->Footer()->SetValueType(fvtSum);
  for (const char* f : {"计算公式", "缴费状态", "房屋代码", "业主名称", "单据号码", "备注", "开始日期", "结束日期"})
    AddGridColumn(DBGridEh2, u(f));
  DBGridEh2->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh& font, TColor&, TGridDrawState) {
    PaintStatusRows(t_jiaofeidan, u("缴费状态"), u("未缴费"), font);
  };
  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_tousu);
  for (const char* f : {"投诉单号", "投诉日期", "投诉形式", "投诉内容", "记录人", "处理形式", "处理结果", "处理日期", "处理人",
                        "回访情况", "备注"})
    AddGridColumn(DBGridEh1, u(f));
  DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh& font, TColor&, TGridDrawState) {
    PaintStatusRows(t_tousu, u("处理结果"), u("未完成"), font);
  };

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(new QLabel(u("业主基本信息"), this));
  column->addWidget(owner);
  column->addWidget(new QLabel(u("业主缴费情况"), this));
  column->addWidget(DBGridEh2, 2);
  column->addWidget(new QLabel(u("业主投诉情况"), this));
  column->addWidget(DBGridEh1, 1);
  resize(1000, 700);
  connect(BitBtn_calc, &QPushButton::clicked, this, Guarded([this] { BitBtn_calcClick(); }));
  connect(BitBtn_close, &QPushButton::clicked, this, &QDialog::accept);
}

TForm_housecharge_edit::~TForm_housecharge_edit() = default;

void TForm_housecharge_edit::BitBtn_calcClick() {
  // The totals belong to the house shown, also when it has no bill row of its own.
  TADOQuery* houses = roster_->q_houseinfo;
  if (!houses->Active() || houses->IsEmpty()) return;
  const OwedPaid t = OwedPaidTotals(Dm1->ADO_system, RowEstate(houses), houses->FieldByName(u("房屋代码"))->AsString());
  Label_owed->setText(u("应缴费用：") + t.owed.toString());
  Label_paid->setText(u("实缴费用：") + t.paid.toString());
  Label_arrears->setText(u("欠缴费用：") + t.arrears().toString());
}

// ---------------------------------------------------------------------------------------
// The query dialog

TForm_housecharge_query::TForm_housecharge_query(TForm_housecharge* roster, QWidget* parent)
    : QDialog(parent), roster_(roster) {
  setObjectName(QStringLiteral("Form_housecharge_query"));
  setWindowTitle(u("查询"));
  Edit1 = NewLineEdit(this, "Edit1");
  ComboBox1 = AddPickList(this, "ComboBox1", EstateFieldValues(u("楼宇资料"), u("楼宇名称"), u("楼宇名称")));
  ComboBox2 = AddPickList(this, "ComboBox2", {u("是"), u("否")});
  ComboBox3 = AddPickList(this, "ComboBox3", {u("完全产权"), u("使用权"), u("没有产权")});
  // Room types are kept for every estate alike.
  ComboBox4 = AddPickList(this, "ComboBox4", SearchFieldValues({u("select * from 房型信息"), u("order by 名称")}, u("名称")));
  ComboBox5 = AddPickList(this, "ComboBox5", EstateFieldValues(u("关联单位"), u("关联单位"), u("关联单位")));
  Edit2 = NewLineEdit(this, "Edit2");
  Edit3 = NewLineEdit(this, "Edit3");
  Edit4 = NewLineEdit(this, "Edit4");
  Edit5 = NewLineEdit(this, "Edit5");
  DateEdit1 = NewLineEdit(this, "DateEdit1");
  DateEdit2 = NewLineEdit(this, "DateEdit2");
  DateEdit3 = NewLineEdit(this, "DateEdit3");
  DateEdit4 = NewLineEdit(this, "DateEdit4");
  BitBtn1 = new QPushButton(u("查询 (&F)"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn2 = new QPushButton(u("返回 (&R)"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  auto* grid = new QGridLayout(this);
  const struct {
    const char* caption;
    QWidget* editor;
  } placed[] = {{"房屋代码：", Edit1},  {"楼宇名称：", ComboBox1}, {"租赁：", ComboBox2},    {"产权状况：", ComboBox3},
                {"房屋类型：", ComboBox4}, {"关联单位：", ComboBox5}, {"车辆车位：", Edit2}, {"业主名称：", Edit3},
                {"装修情况：", Edit4},  {"备注：", Edit5},         {"入住日期  从：", DateEdit1}, {"到：", DateEdit2},
                {"租赁到期日期  从：", DateEdit3}, {"到：", DateEdit4}};
  int r = 0;
  for (const auto& p : placed) {
    grid->addWidget(new QLabel(u(p.caption), this), r / 2, (r % 2) * 2, Qt::AlignRight);
    grid->addWidget(p.editor, r / 2, (r % 2) * 2 + 1);
    ++r;
  }
  grid->addWidget(BitBtn1, 8, 1);
  grid->addWidget(BitBtn2, 8, 3);
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  auto* chain = new TEnterChain(this);
  chain->Chain({Edit1, ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, Edit2, Edit3, Edit4, Edit5, DateEdit1,
                DateEdit2});
  chain->Link(DateEdit2, DateEdit1);
  chain->Link(DateEdit3, DateEdit4);
  chain->Action(DateEdit4, [this] { BitBtn1Click(); });
  WithoutDefaultButton(this);
  // A fixed border: the dialog keeps the size its layout gives it.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  for (QWidget* w : {static_cast<QWidget*>(Edit3), static_cast<QWidget*>(ComboBox5), static_cast<QWidget*>(ComboBox1),
                     static_cast<QWidget*>(ComboBox4), static_cast<QWidget*>(ComboBox3)})
    SetImeName(w, CurrentOperatorIme);
}

TForm_housecharge_query::~TForm_housecharge_query() = default;

HouseQuery TForm_housecharge_query::Query() const {
  auto date = [](const QLineEdit* e) { return QDate::fromString(e->text().trimmed(), QStringLiteral("yyyy-M-d")); };
  HouseQuery q;
  q.house = Edit1->text();
  q.building = ComboBox1->currentText();
  q.leased = ComboBox2->currentText();
  q.ownership = ComboBox3->currentText();
  q.houseType = ComboBox4->currentText();
  q.unit = ComboBox5->currentText();
  q.parking = Edit2->text();
  q.owner = Edit3->text();
  q.fitment = Edit4->text();
  q.remark = Edit5->text();
  q.moveInFrom = date(DateEdit1);
  q.moveInTo = date(DateEdit2);
  q.leaseEndFrom = date(DateEdit3);
  q.leaseEndTo = date(DateEdit4);
  return q;
}

void TForm_housecharge_query::BitBtn1Click() {
  const HouseQuery query = Query();
  const QString error = HouseQueryDateError(query);
  if (!error.isEmpty()) {
    ShowNotice(error);
    (error.startsWith(u("入住")) ? DateEdit1 : DateEdit3)->setFocus();
    return;
  }
  const QString condition = HouseQueryCondition(query);
  if (condition.isEmpty()) {
    ShowNotice(u("没有输入查询条件,请重新输入!"));
    Edit1->setFocus();
    return;
  }
  const QStringList found = {u("select * from 房屋资料"), u(" where ") + condition, u("order by 房屋代码")};
  if (ShowFoundRows(roster_->q_houseinfo, found)) accept();
}

void OpenRosterCommand(QWidget* owner) {
  auto* window = new TForm_housecharge(owner);
  TADOQuery* q = window->q_houseinfo;
  q->SQL.Add(u("select * from 房屋资料 "));
  if (GardenScoped) q->SQL.Add(u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  q->SQL.Add(u("order by 房屋代码"));
  q->Open();
  RunModal(window);
  q->Close();
  delete window;
}
