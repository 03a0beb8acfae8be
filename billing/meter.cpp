#include "billing/meter.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include "billing/estateitems.h"
#include "billing/estatescope.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

// "(field between cdate('Y-M-1 0:0:0') and cdate('Y-M-L 23:59:59'))" for a billing month.
QString monthCondition(const char* field, int year, int month) {
  return u("(") + u(field) + u(" between ") + SqlQuote::Date(FirstDayOfMonth(year, month)) + u(" and ") +
         SqlQuote::Date(EndOfDay(LastDayOfMonth(year, month))) + u(")");
}

}  // namespace

const MeterKind& ElectricityMeter() {
  static const MeterKind kind{u("楼宇电表分摊"), u("电费"), false};
  return kind;
}
const MeterKind& WaterMeter() {
  static const MeterKind kind{u("楼宇水表分摊"), u("水费"), true};
  return kind;
}

int DivideHalfEven(int numerator, int denominator) {
  if (denominator < 0) numerator = -numerator, denominator = -denominator;
  // Floor division, then the remainder decides: above half up, half to the even neighbour.
  int q = numerator / denominator;
  int r = numerator % denominator;
  if (r < 0) r += denominator, --q;
  const int twice = 2 * r;
  if (twice > denominator || (twice == denominator && (q % 2 != 0))) ++q;
  return q;
}

int WholeHalfEven(double value) { return int(std::nearbyint(value)); }

QVector<int> SplitConsumption(int total, int parts) {
  QVector<int> split;
  if (parts <= 0 || total < 0) return split;
  const int base = total / parts;
  const int extra = total % parts;
  split.reserve(parts);
  for (int i = 0; i < parts; ++i) split.append(base + (i < extra ? 1 : 0));
  return split;
}

OwnersMetered OwnersMeteredUse(TADOConnection* connection, const MeterKind& kind, const QString& estate,
                               const QString& buildingCode, int year, int month) {
  TADOQuery q;
  q.SetConnection(connection);
  q.SQL.Add(u("select count(*) as cc,sum(面积或数量) as shuliang from 收费明细表 "));
  q.SQL.Add(u("where ") + EstateBuilding(estate, buildingCode) + u("and(收费名称=") +
            SqlQuote::Text(kind.meteredItem) + u(")and") + monthCondition("开始日期", year, month));
  q.Open();
  OwnersMetered m;
  m.count = q.FieldByName(u("cc"))->AsInteger();
  m.consumption = WholeHalfEven(q.FieldByName(u("shuliang"))->AsFloat());
  return m;
}

std::optional<int> PreviousClosingReading(TADOConnection* connection, const MeterKind& kind, const QString& estate,
                                          const QString& buildingCode, int year, int month) {
  if (--month == 0) month = 12, --year;
  TADOQuery q;
  q.SetConnection(connection);
  q.SQL.Add(u("select 本月止码 from ") + kind.table + u(" "));
  q.SQL.Add(u("where ") + monthCondition("收费日期", year, month) + u("and") + EstateBuilding(estate, buildingCode));
  q.Open();
  if (q.IsEmpty()) return std::nullopt;
  return q.Fields()[0]->AsInteger();
}

MeterFigures ComputeMeterFigures(const MeterFigures& typed, const OwnersMetered& metered,
                                 std::optional<int> previous) {
  MeterFigures f = typed;
  if (metered.count > 0) {
    f.owners = metered.count;
    f.ownersUse = metered.consumption;
  }
  if (previous && *previous > 0) f.previousReading = *previous;
  f.buildingUse = f.currentReading - f.previousReading;
  f.common = f.buildingUse - f.ownersUse;
  if (f.owners > 0) f.share = DivideHalfEven(f.common, f.owners);
  return f;
}

ApportionOutcome ApportionBuildingMeter(TADOConnection* connection, const MeterKind& kind,
                                        const MeterApportionment& a) {
  ApportionOutcome outcome;
  {
    TADOQuery q;
    q.SetConnection(connection);
    q.SQL.Add(u("select * from 收费项目 "));
    // The price is the building's own estate's item of that name (two estates may keep the
    // same item at different prices); an item kept without an estate serves every estate.
    q.SQL.Add(u("where (收费名称=") + SqlQuote::Text(a.item) + u(")") + AndItemsOfEstate(a.gardenCode) +
              GardenCondition());
    q.SQL.Add(OwnItemsFirst());
    q.Open();
    if (!q.IsEmpty()) outcome.price = q.FieldByName(u("单价"))->AsMoney();
  }
  TADOQuery houses;
  houses.SetConnection(connection);
  houses.SQL.Add(u("select * from 房屋资料 "));
  houses.SQL.Add(u("where (小区代码=") + SqlQuote::Text(a.gardenCode) + u(")and(楼宇代码=") +
                 SqlQuote::Text(a.buildingCode) + u(")"));
  houses.SQL.Add(u("order by 房屋代码"));
  houses.Open();
  const QVector<int> parts = SplitConsumption(a.common, houses.RecordCount());
  const TDateTime first = FirstDayOfMonth(a.year, a.month), last = LastDayOfMonth(a.year, a.month);
  const QString unpaid = u("未缴费");

  connection->BeginWriteTrans();
  try {
    int index = 0;
    for (houses.First(); !houses.Eof(); houses.Next(), ++index) {
      auto house = [&houses](const char* f) { return houses.FieldByName(u(f))->Value(); };
      const QString code = houses.FieldByName(u("房屋代码"))->AsString();
      TADOQuery bill;
      bill.SetConnection(connection);
      bill.SQL.Add(u("select * from 收费明细表 "));
      bill.SQL.Add(u("where ") + EstateHouse(a.gardenCode, code) + u("and(收费名称=") + SqlQuote::Text(a.item) +
                   u(")and") + monthCondition("开始日期", a.year, a.month));
      bill.Open();
      if (bill.IsEmpty()) {
        bill.Append();
      } else {
        // A paid row keeps what was paid: the whole run is refused rather than leaving one
        // house with an old share and the total no longer adding up.
        if (bill.FieldByName(u("缴费状态"))->AsString() != unpaid) {
          connection->RollbackTrans();
          outcome.paidHouse = code;
          outcome.houses = 0;
          outcome.total = Money();
          return outcome;
        }
        bill.Edit();
      }
      const int quantity = parts[index];
      const Money amount = outcome.price * Money::fromInt(quantity);
      auto set = [&bill](const char* f, const Variant& v) { bill.FieldByName(u(f))->SetValue(v); };
      set("收费名称", Variant(a.item));
      set("单价", Variant(outcome.price));
      set("收费金额", Variant(amount));
      set("计算公式", Variant(u("单价*数量")));
      set("本月表数", Variant(0.0));
      set("上月表数", Variant(0.0));
      set("面积或数量", Variant(double(quantity)));
      set("开始日期", Variant::dateTime(first));
      set("结束日期", Variant::dateTime(last));
      set("年度", Variant(QString::number(a.year)));
      set("月份", Variant(QString::number(a.month)));
      for (const char* f : {"房屋代码", "小区代码", "小区名称", "楼宇代码", "楼宇名称", "楼宇单元", "业主名称"})
        set(f, house(f));
      set("缴费状态", Variant(unpaid));
      bill.Post();
      outcome.total += amount;
      ++outcome.houses;
    }
    connection->CommitTrans();
  } catch (...) {
    connection->RollbackTrans();
    throw;
  }
  return outcome;
}

// ---------------------------------------------------------------------------------------
// The window

TForm_storeyammeter::TForm_storeyammeter(const MeterKind& kind, QWidget* parent) : TRecordForm(parent), kind_(kind) {
  setObjectName(kind.water ? QStringLiteral("Form_storeywatermeter") : QStringLiteral("Form_storeyammeter"));
  setWindowTitle(kind.water ? u("楼宇水表分摊管理(按使用量)") : u("楼宇电表分摊管理"));
  setWindowState(Qt::WindowMaximized);

  q_storeyinfo = NewQuery(this, "q_storeyinfo", Dm1->ADO_system);
  ds_storeyinfo = NewDataSource(this, "ds_storeyinfo", q_storeyinfo);
  t_storeyammeter = new TADOTable(this);
  t_storeyammeter->setObjectName(QStringLiteral("t_storeyammeter"));
  t_storeyammeter->SetConnection(Dm1->ADO_system);
  t_storeyammeter->TableName = kind.table;
  t_storeyammeter->MasterFields = u("小区代码;楼宇代码");
  t_storeyammeter->IndexFieldNames = u("小区代码;楼宇代码");
  t_storeyammeter->SetMasterSource(ds_storeyinfo);
  ds_storeyammeter = NewDataSource(this, "ds_storeyammeter", t_storeyammeter);
  SetMainDataSet(t_storeyammeter);

  using W = TForm_storeyammeter;
  const auto [bar, row] = NewToolBar<W>(this, kFeeRecordBar,
                                        {{&W::bitbtn_add, "bitbtn_add", "增加", &W::bitbtn_addClick},
                                         {&W::bitbtn_edit, "bitbtn_edit", "编辑", &W::bitbtn_editClick},
                                         {&W::bitbtn_delete, "bitbtn_delete", "删除", &W::bitbtn_deleteClick},
                                         {&W::bitbtn_save, "bitbtn_save", "存盘", &W::bitbtn_saveClick},
                                         {&W::bitbtn_cancel, "bitbtn_cancel", "取消", &W::bitbtn_cancelClick},
                                         {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                         {&W::SpeedButton3, "SpeedButton3", "分摊", &W::SpeedButton3Click},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  auto* hints = new QLabel(u("提示：先把以下内容填正确，保存以后，按分摊即可！\n"
                             "每户分摊数量=（（楼宇本月止码-上月止码）-业主本月表数）/楼宇业主数"),
                           bar);
  hints->setStyleSheet(QStringLiteral("color: blue;"));
  row->addSpacing(16);
  row->addWidget(hints);
  row->addStretch(1);
  RegisterStandardToolStates();

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel2"));
  DBEdit9 = NewBoundEditor<TDBEditEh>(panel, "DBEdit9", ds_storeyammeter, "楼宇代码");
  DBEdit4 = NewBoundEditor<TDBEditEh>(panel, "DBEdit4", ds_storeyammeter, "楼宇名称");
  DBDateTimeEditEh1 = NewBoundEditor<TDBDateTimeEditEh>(panel, "DBDateTimeEditEh1", ds_storeyammeter, "收费日期");
  DBEdit2 = NewBoundEditor<TDBEditEh>(panel, "DBEdit2", ds_storeyammeter, "上月止码");
  DBEdit3 = NewBoundEditor<TDBEditEh>(panel, "DBEdit3", ds_storeyammeter, "本月止码");
  DBEdit6 = NewBoundEditor<TDBEditEh>(panel, "DBEdit6", ds_storeyammeter, "本月表数");
  DBCheckBox1 = NewBoundEditor<TDBCheckBoxEh>(panel, "DBCheckBox1", ds_storeyammeter, "是否分摊");
  DBCheckBox1->Caption = u("分摊完毕：");
  DBEdit10 = NewBoundEditor<TDBEditEh>(panel, "DBEdit10", ds_storeyammeter, "业主本月表数");
  DBEdit11 = NewBoundEditor<TDBEditEh>(panel, "DBEdit11", ds_storeyammeter, "分摊数量");
  DBEdit7 = NewBoundEditor<TDBEditEh>(panel, "DBEdit7", ds_storeyammeter, "楼宇业主数");
  DBEdit8 = NewBoundEditor<TDBEditEh>(panel, "DBEdit8", ds_storeyammeter, "业主分摊数量");
  DBComboBox1 = NewBoundEditor<TDBComboBoxEh>(panel, "DBComboBox1", ds_storeyammeter, "收费名称");
  DBEdit1 = NewBoundEditor<TDBEditEh>(panel, "DBEdit1", ds_storeyammeter, "备注");
  for (TDBEditEh* e : {DBEdit9, DBEdit4, DBEdit6, DBEdit11}) e->setStyleSheet(QStringLiteral("color: blue;"));
  DBEdit9->SetReadOnly(true);
  DBEdit4->SetReadOnly(true);
  auto* grid = new QGridLayout(panel);
  const struct {
    const char* caption;
    QWidget* editor;
    int row, col;
  } placed[] = {{"楼宇代码：", DBEdit9, 0, 0},        {"楼宇名称：", DBEdit4, 0, 1},
                {"收费日期：", DBDateTimeEditEh1, 1, 0}, {"上月止码：", DBEdit2, 1, 1},
                {"本月止码：", DBEdit3, 2, 0},        {"本月表数：", DBEdit6, 2, 1},
                {"业主本月表数：", DBEdit10, 3, 0},   {"分摊数量：", DBEdit11, 3, 1},
                {"楼宇业主数：", DBEdit7, 4, 0},      {"业主分摊数量：", DBEdit8, 4, 1},
                {"分摊收费项目：", DBComboBox1, 5, 0}, {"备注：", DBEdit1, 5, 1}};
  for (const auto& p : placed) {
    grid->addWidget(new QLabel(u(p.caption), panel), p.row, p.col * 2, Qt::AlignRight);
    grid->addWidget(p.editor, p.row, p.col * 2 + 1);
  }
  // The check box has no size of its own: room for the box and its caption.
  DBCheckBox1->setMinimumSize(DBCheckBox1->fontMetrics().horizontalAdvance(DBCheckBox1->Caption) + 28, 20);
  grid->addWidget(DBCheckBox1, 6, 1);
  // The electricity window computes 本月表数 and 分摊数量 only; the water window lets them be
  // typed (its save replaces them anyway).
  for (TDBEditEh* e : {DBEdit1, DBEdit2, DBEdit3, DBEdit7, DBEdit8, DBEdit10}) AddTextEditor(e);
  if (kind.water) {
    AddTextEditor(DBEdit6);
    AddTextEditor(DBEdit11);
  }
  AddTextEditor(DBCheckBox1);
  AddListEditor(DBDateTimeEditEh1);
  AddListEditor(DBComboBox1);
  DBEdit6->SetReadOnly(true);
  DBEdit11->SetReadOnly(true);

  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_storeyinfo);
  for (auto [f, width] : {std::pair<const char*, int>{"楼宇名称", 90}, {"楼宇代码", 70}, {"房屋数量", 60}, {"小区名称", 90}})
    AddGridColumn(DBGridEh2, u(f), QString(), false, width);
  // The building list is locked while a row is added or edited: choosing another building
  // would drop the pending row.
  AddStateGrid(DBGridEh2);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_storeyammeter);
  AddGridColumn(DBGridEh1, u("楼宇代码"), QString(), false, 70)->Footer()->SetValueType(fvtCount);
  AddGridColumn(DBGridEh1, u("楼宇名称"), QString(), false, 90);
  AddGridColumn(DBGridEh1, u("收费日期"), QString(), false, 80);
  for (const char* f : {"上月止码", "本月止码", "本月表数", "业主本月表数"}) AddGridColumn(DBGridEh1, u(f));
  AddGridColumn(DBGridEh1, u("分摊数量"))->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("楼宇业主数"));
  AddGridColumn(DBGridEh1, u("业主分摊数量"))->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("收费名称"), QString(), false, 90);
  AddGridColumn(DBGridEh1, u("备注"), QString(), false, 140);
  AddGridColumn(DBGridEh1, u("操作人员"), QString(), false, 70);
  AddGridColumn(DBGridEh1, u("操作日期"), QString(), false, 135);
  if (!kind.water)
    DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
      StripeOddRows(DBGridEh1, background);
    };
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });
  AddStateGrid(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, listTitle());
  SetListOutput({DBGridEh1, kind_.water ? u("楼宇水表数明细表") : u("楼宇电表数明细表"), PrintDBGridEh1});

  auto* right = new QWidget(this);
  auto* rightColumn = new QVBoxLayout(right);
  rightColumn->setContentsMargins(0, 0, 0, 0);
  rightColumn->addWidget(panel);
  rightColumn->addWidget(DBGridEh1, 1);
  auto* splitter = new QSplitter(this);
  splitter->addWidget(DBGridEh2);
  splitter->addWidget(right);
  splitter->setStretchFactor(1, 1);
  // The building list shows its four columns whole; the meters take the rest.
  splitter->setSizes({340, 900});
  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(splitter, 1);
  resize(1000, 640);


  // Enter: 收费日期 → 上月止码 → 本月止码 → 业主本月表数 → 分摊数量 → 楼宇业主数 → 业主分摊数量 →
  // 收费名称 → 备注 → 楼宇名称; never saves.
  auto* chain = new TEnterChain(this);
  chain->Link(DBEdit9, DBEdit4);
  chain->Link(DBEdit4, DBDateTimeEditEh1);
  chain->Link(DBDateTimeEditEh1, DBEdit2);
  chain->Link(DBEdit2, DBEdit3);
  chain->Link(DBEdit3, DBEdit10);
  chain->Link(DBEdit10, DBEdit11);
  chain->Link(DBEdit11, DBEdit7);
  chain->Link(DBEdit7, DBEdit8);
  chain->Link(DBEdit8, DBComboBox1);
  chain->Link(DBComboBox1, DBEdit1);
  chain->Link(DBEdit1, DBEdit4);
  SetImeName(DBEdit1, CurrentOperatorIme);
  DBEdit1->installEventFilter(this);

  SetBrowseState();
}

TForm_storeyammeter::~TForm_storeyammeter() = default;

QString TForm_storeyammeter::duplicateMessage() const {
  return kind_.water ? u("该楼宇的当月水表数重复,请重新输入!") : u("该楼宇的当月电表数重复,请重新输入!");
}
QString TForm_storeyammeter::listTitle() const { return kind_.water ? u("小区楼宇水表数明细表") : u("小区楼宇电表数明细表"); }

void TForm_storeyammeter::Prepare() {
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select * from 收费项目"));
  if (GardenScoped) s->SQL.Add(u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  s->Open();
  // Each name once: the share is priced with the building's own estate's item of the name.
  QStringList items;
  for (s->First(); !s->Eof(); s->Next()) {
    const QString name = s->FieldByName(u("收费名称"))->AsString();
    if (!items.contains(name, Qt::CaseInsensitive)) items << name;
  }
  s->Close();
  DBComboBox1->SetItems(items);
  q_storeyinfo->Close();
  q_storeyinfo->SQL.Clear();
  q_storeyinfo->SQL.Add(u("select * from 楼宇资料"));
  if (GardenScoped) q_storeyinfo->SQL.Add(u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  q_storeyinfo->SQL.Add(u("order by 小区代码,楼宇代码"));
  q_storeyinfo->Open();
  t_storeyammeter->Open();
}

void TForm_storeyammeter::done(int result) {
  TRecordForm::done(result);
  t_storeyammeter->Close();
}

void TForm_storeyammeter::bitbtn_addClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!q_storeyinfo->Active() || q_storeyinfo->IsEmpty()) {
    ShowNotice(u("楼宇资料中没有记录,请先增加楼宇资料!"));
    return;
  }
  if (!RecordAdd(t_storeyammeter, DBDateTimeEditEh1, nullptr)) return;
  t_storeyammeter->FieldByName(u("楼宇名称"))->SetValue(q_storeyinfo->FieldByName(u("楼宇名称"))->Value());
  t_storeyammeter->FieldByName(u("小区名称"))->SetValue(q_storeyinfo->FieldByName(u("小区名称"))->Value());
}

void TForm_storeyammeter::bitbtn_editClick() {
  if (!CheckActionRight("编辑权")) return;
  if (DBEdit4->Text().isEmpty() || !t_storeyammeter->Active() || t_storeyammeter->IsEmpty()) {
    bitbtn_addClick();
    return;
  }
  RecordEdit(DBDateTimeEditEh1, nullptr);
}

void TForm_storeyammeter::bitbtn_saveClick() {
  if (!IsEditing()) return;
  TADOTable* t = t_storeyammeter;
  BeginSave(t);
  if (!t->Modified() && t->State() == dsEdit) return;
  if (t->FieldByName(u("收费日期"))->IsNull()) {
    ShowNotice(u("收费日期不能为空,请重新输入!"));
    DBDateTimeEditEh1->setFocus();
    return;
  }
  if (t->FieldByName(u("本月止码"))->IsNull()) {
    ShowNotice(u("本月止码不能为空,请重新输入!"));
    DBEdit3->setFocus();
    return;
  }
  if (t->FieldByName(u("收费名称"))->AsString().trimmed().isEmpty()) {
    ShowNotice(u("收费项目不能为空,请重新输入!"));
    DBComboBox1->setFocus();
    return;
  }
  const TDateTime date = t->FieldByName(u("收费日期"))->AsDateTime();
  const int year = YearOf(date), month = MonthOf(date);
  const QString building = t->FieldByName(u("楼宇代码"))->AsString();
  const QString estate = t->FieldByName(u("小区代码"))->AsString();

  // One row per building and month. The row being edited is itself found when it stays in
  // its month; only another row of the month is a duplicate.
  {
    TADOQuery* s = Dm1->q_search;
    s->Close();
    s->SQL.Clear();
    s->SQL.Add(u("select count(*) as cc from ") + kind_.table + u(" "));
    s->SQL.Add(u("where ") + monthCondition("收费日期", year, month) + u("and") + EstateBuilding(estate, building));
    s->Open();
    int found = s->FieldByName(u("cc"))->AsInteger();
    s->Close();
    if (!IsAdding()) {
      const Variant old = t->FieldByName(u("收费日期"))->OldValue();
      const Variant oldBuilding = t->FieldByName(u("楼宇代码"))->OldValue();
      const Variant oldEstate = t->FieldByName(u("小区代码"))->OldValue();
      if (!old.isNull() && YearOf(old.toDateTime()) == year && MonthOf(old.toDateTime()) == month &&
          oldBuilding.toString().compare(building, Qt::CaseInsensitive) == 0 && oldEstate.toString() == estate)
        --found;
    }
    if (found > 0) {
      ShowInformation(duplicateMessage());
      DBDateTimeEditEh1->setFocus();
      return;
    }
  }
  const OwnersMetered metered = OwnersMeteredUse(Dm1->ADO_system, kind_, estate, building, year, month);
  const std::optional<int> previous = PreviousClosingReading(Dm1->ADO_system, kind_, estate, building, year, month);
  auto whole = [t](const char* f) { return t->FieldByName(u(f))->AsInteger(); };
  MeterFigures typed;
  typed.previousReading = whole("上月止码");
  typed.currentReading = whole("本月止码");
  typed.ownersUse = whole("业主本月表数");
  typed.owners = whole("楼宇业主数");
  typed.share = whole("业主分摊数量");
  const MeterFigures f = ComputeMeterFigures(typed, metered, previous);
  auto set = [t](const char* field, int v) { t->FieldByName(u(field))->SetAsInteger(v); };
  set("楼宇业主数", f.owners);
  set("业主本月表数", f.ownersUse);
  set("上月止码", f.previousReading);
  set("本月表数", f.buildingUse);
  set("分摊数量", f.common);
  set("业主分摊数量", f.share);
  StampAndPost(t, u("操作人员"));
}


void TForm_storeyammeter::bitbtn_deleteClick() {
  if (!t_storeyammeter->Active()) return;
  RecordDelete(t_storeyammeter, "删除权", true);
}


bool TForm_storeyammeter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == DBEdit1 && event->type() == QEvent::MouseButtonDblClick) {
    Guard([this] { DBEdit1DblClick(); });
    return true;
  }
  return TRecordForm::eventFilter(watched, event);
}

void TForm_storeyammeter::DBEdit1DblClick() { OpenMemoEditor(this, DBEdit1); }

void TForm_storeyammeter::SpeedButton3Click() {
  if (!CheckActionRight("编辑权")) return;
  TADOTable* t = t_storeyammeter;
  if (!t->Active() || t->IsEmpty()) {
    ShowNotice(u("记录为空，不能分摊！"));
    return;
  }
  // The share is written from a saved row only: a pending row has not had the save's checks
  // and computations.
  if (IsEditing()) {
    ShowNotice(u("请先存盘，然后再分摊！"));
    return;
  }
  const QString item = t->FieldByName(u("收费名称"))->AsString();
  if (kind_.water && item.trimmed().isEmpty()) {
    ShowNotice(u("请选择分摊收费项目！"));
    return;
  }
  const int common = t->FieldByName(u("分摊数量"))->AsInteger();
  if (t->FieldByName(u("业主分摊数量"))->AsInteger() <= 0 && common <= 0) {
    ShowNotice(u("没有分摊数量，不能分摊！"));
    return;
  }
  if (common <= 0) {
    ShowNotice(u("没有分摊数量，不能分摊！"));
    return;
  }
  // Sharing under the metered item itself would overwrite the owners' own metered rows.
  if (item.compare(kind_.meteredItem, Qt::CaseInsensitive) == 0) {
    ShowNotice(u("分摊收费项目不能是") + kind_.meteredItem + u("，请重新选择！"));
    return;
  }
  if (t->FieldByName(u("是否分摊"))->AsBoolean() && !AskYesNo(u("已经分摊，是否要重新分摊吗? "))) return;

  const TDateTime date = t->FieldByName(u("收费日期"))->AsDateTime();
  MeterApportionment a;
  a.gardenCode = t->FieldByName(u("小区代码"))->AsString();
  a.buildingCode = t->FieldByName(u("楼宇代码"))->AsString();
  a.item = item;
  a.year = YearOf(date);
  a.month = MonthOf(date);
  a.common = common;
  TADOConnection* db = Dm1->ADO_system;
  ApportionOutcome outcome;
  // The bill rows and the row's flag land together or not at all.
  WithWriteTransaction(db, [&] {
    outcome = ApportionBuildingMeter(db, kind_, a);
    if (outcome.paidHouse.isEmpty()) {
      t->Edit();
      t->FieldByName(u("是否分摊"))->SetAsBoolean(true);
      t->Post();
    }
  }, [&] {
    if (t->State() == dsEdit) t->Cancel();
    t->Close();
    t->Open();
  });
  if (!outcome.paidHouse.isEmpty()) {
    ShowNotice(u("房屋") + outcome.paidHouse + u("当月的") + item + u("已经缴费，不能分摊！"));
    return;
  }
  ShowNotice(u("分摊完毕！"));
}

void OpenElectricityMeterCommand(QWidget* owner) {
  auto* window = new TForm_storeyammeter(owner);
  window->Prepare();
  RunModal(window);
  window->q_storeyinfo->Close();
  delete window;
}

void OpenWaterMeterCommand(QWidget* owner) {
  auto* window = new TForm_storeywatermeter(owner);
  window->Prepare();
  RunModal(window);
  window->q_storeyinfo->Close();
  delete window;
}
