#include "billing/yajinreport.h"

#include "shell/windowparts.h"
#include "billing/billingwindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "billing/estatescope.h"
#include "billing/meterlist.h"
#include "billing/yajin.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

QString dateCondition(TDateTime from, TDateTime to) {
  return u("(日期 between ") + SqlQuote::Date(DateOf(from)) + u(" and ") + SqlQuote::Date(EndOfDay(DateOf(to))) + u(")");
}

QDateEdit* makePicker(QWidget* parent, const char* name) {
  auto* p = new QDateEdit(QDate::currentDate(), parent);
  p->setObjectName(QString::fromLatin1(name));
  p->setDisplayFormat(QStringLiteral("yyyy-M-d"));
  p->setCalendarPopup(true);
  return p;
}

Money moneyOr0(TDataSet* q, const char* field) { return q->FieldByName(u(field))->AsMoney(); }

const char* const kFromAfterTo = "日期从不能大于日期到,请重新输入!";
// The movement list keeps each line's estate in this column of 通用 (not shown).
const char* const kEstateColumn = "texte";
// A house of the movement list: its estate and its code (codes compare ignoring case).
QString houseKey(const QString& estate, const QString& house) { return estate + QChar(0x1f) + house.toUpper(); }
}  // namespace

int ListDepositMovements(const QString& house, const QString& building, TDateTime from, TDateTime to) {
  QString condition = u("(房屋代码=") + SqlQuote::Text(house) + u(")");
  if (!building.trimmed().isEmpty()) condition += u("and(楼宇名称=") + SqlQuote::Text(building) + u(")");
  condition += GardenCondition() + u("and") + dateCondition(from, to);
  TADOQuery moves;
  moves.SetConnection(Dm1->ADO_system);
  moves.SQL.Add(u("select * from 押金明细表"));
  moves.SQL.Add(u(" where "));
  moves.SQL.Add(condition);
  moves.SQL.Add(u("order by 日期,房屋代码"));
  moves.Open();
  int rows = 0;
  FillScratchList(u(" order by texta"), [&](TADOQuery* s) {
    // Two estates may keep the same house code: each house's balance runs on its own.
    QHash<QString, Money> balances;
    for (moves.First(); !moves.Eof(); moves.Next()) {
      Money& balance = balances[houseKey(RowEstate(&moves), moves.FieldByName(u("房屋代码"))->AsString())];
      s->Append();
      s->FieldByName(u(kEstateColumn))->SetAsString(RowEstate(&moves));
      s->FieldByName(u("datea"))->SetValue(moves.FieldByName(u("日期"))->Value());
      s->FieldByName(u("textc"))->SetValue(moves.FieldByName(u("楼宇名称"))->Value());
      s->FieldByName(u("texta"))->SetValue(moves.FieldByName(u("房屋代码"))->Value());
      s->FieldByName(u("textb"))->SetValue(moves.FieldByName(u("业主名称"))->Value());
      const QString type = moves.FieldByName(u("操作类型"))->AsString();
      const Money amount = moneyOr0(&moves, "金额");
      if (type == u("收取")) s->FieldByName(u("moneya"))->SetAsMoney(amount);
      else if (type == u("退还")) s->FieldByName(u("moneyb"))->SetAsMoney(amount);
      else if (type == u("冲抵费用")) s->FieldByName(u("moneyc"))->SetAsMoney(amount);
      balance += DepositSignedAmount(type, amount);
      s->FieldByName(u("moneyd"))->SetAsMoney(balance);
      s->FieldByName(u("textd"))->SetValue(moves.FieldByName(u("操作人员"))->Value());
      s->Post();
      ++rows;
    }
  });
  return rows;
}

void RecomputeRunningBalance() {
  TADOQuery* s = Dm1->q_tongyong;
  if (!s->Active() || s->IsEmpty()) return;
  s->DisableControls();
  TADOConnection* local = Dm1->db_local;
  local->BeginTrans();
  try {
    // Each house of each estate runs its own balance down the order shown.
    QHash<QString, Money> balances;
    for (s->First(); !s->Eof(); s->Next()) {
      Money& balance = balances[houseKey(s->FieldByName(u(kEstateColumn))->AsString(), s->FieldByName(u("texta"))->AsString())];
      balance += moneyOr0(s, "moneya") - moneyOr0(s, "moneyb") - moneyOr0(s, "moneyc");
      s->Edit();
      s->FieldByName(u("moneyd"))->SetAsMoney(balance);
      s->Post();
    }
    local->CommitTrans();
  } catch (...) {
    local->RollbackTrans();
    s->EnableControls();
    throw;
  }
  s->First();
  s->EnableControls();
}

int TotalDeposits(bool perBuilding, const QString& buildingCode, TDateTime from, TDateTime to,
                  const QString& buildingName) {
  const char* key = perBuilding ? "楼宇代码" : "房屋代码";
  // The sums of every house (building) and type in one pass.
  QHash<QString, Money> sums;
  {
    TADOQuery q;
    q.SetConnection(Dm1->ADO_system);
    // Codes are unique within an estate only: the sums are kept per estate and code.
    q.SQL.Add(u("select coalesce(小区代码,'') as e, ") + u(key) +
              u(" as k, 操作类型 as t, sum(金额) as ssum from 押金明细表"));
    q.SQL.Add(u(" where ") + dateCondition(from, to) + GardenCondition());
    q.SQL.Add(u("group by coalesce(小区代码,''), ") + u(key) + u(", 操作类型"));
    q.Open();
    for (q.First(); !q.Eof(); q.Next())
      sums[q.FieldByName(u("e"))->AsString() + QLatin1Char('\t') + q.FieldByName(u("k"))->AsString().toCaseFolded() +
           QLatin1Char('\t') + q.FieldByName(u("t"))->AsString()] += q.FieldByName(u("ssum"))->AsMoney();
  }
  TADOQuery* list = Dm1->q_houseinfo;
  list->Close();
  list->SQL.Clear();
  list->SQL.Add(perBuilding ? u("select * from 楼宇资料 ") : u("select * from 房屋资料 "));
  // A chosen building is that building only (its code compared exactly).
  QStringList where;
  if (!buildingCode.isEmpty()) where << u("(楼宇代码=") + SqlQuote::Text(buildingCode) + u(")");
  // A building chosen by name is every estate's building of that name, each by its own code:
  // two estates may keep "1栋" under different codes, and a code of one estate may name
  // another building in the other.
  if (!buildingName.isEmpty()) {
    if (perBuilding) where << u("(楼宇名称=") + SqlQuote::Text(buildingName) + u(")");
    else
      where << u("(exists (select 1 from 楼宇资料 g where g.楼宇名称=") + SqlQuote::Text(buildingName) +
                   u(" and g.楼宇代码=房屋资料.楼宇代码 and coalesce(g.小区代码,'')=coalesce(房屋资料.小区代码,'')))");
  }
  if (GardenScoped) where << u("(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  if (!where.isEmpty()) list->SQL.Add(u("where ") + where.join(u("and")));
  list->SQL.Add(perBuilding ? u(" order by 楼宇代码") : u(" order by 房屋代码"));
  list->Open();
  int rows = 0;
  try {
    FillScratchList(u(" order by texta,textb"), [&](TADOQuery* s) {
      for (list->First(); !list->Eof(); list->Next()) {
        const QString k = RowEstate(list) + QLatin1Char('\t') + list->FieldByName(u(key))->AsString().toCaseFolded() +
                          QLatin1Char('\t');
        const Money a = sums.value(k + u("收取")), b = sums.value(k + u("冲抵费用")), c = sums.value(k + u("退还"));
        s->Append();
        s->FieldByName(u("datea"))->SetAsDateTime(DateOf(from));
        s->FieldByName(u("dateb"))->SetAsDateTime(DateOf(to));
        s->FieldByName(u("textc"))->SetValue(list->FieldByName(u("楼宇名称"))->Value());
        if (!perBuilding) {
          s->FieldByName(u("texta"))->SetValue(list->FieldByName(u("房屋代码"))->Value());
          s->FieldByName(u("textb"))->SetValue(list->FieldByName(u("业主名称"))->Value());
        }
        s->FieldByName(u("moneya"))->SetAsMoney(a);
        s->FieldByName(u("moneyb"))->SetAsMoney(b);
        s->FieldByName(u("moneyc"))->SetAsMoney(c);
        s->FieldByName(u("moneyd"))->SetAsMoney(a - b - c);
        s->Post();
        ++rows;
      }
    });
  } catch (...) {
    list->Close();
    throw;
  }
  list->Close();
  return rows;
}

// ---------------------------------------------------------------------------------------
// Movement list

TForm_yajin_mingxi::TForm_yajin_mingxi(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_yajin_mingxi"));
  setWindowTitle(u("业主押金明细表"));
  setWindowState(Qt::WindowMaximized);
  using W = TForm_yajin_mingxi;
  const TToolBar bar = NewToolBar<W>(this, kScratchListBar,
                                     {{&W::bitbtn_delete, "bitbtn_delete", "删除", &W::bitbtn_deleteClick},
                                      {&W::SpeedButton2, "SpeedButton2", "整理", &W::SpeedButton2Click},
                                      {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                      {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                      {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  bar.row->addStretch(1);

  DateTimePicker1 = makePicker(this, "DateTimePicker1");
  DateTimePicker2 = makePicker(this, "DateTimePicker2");
  ComboBox1 = AddEditableList(this, "ComboBox1");
  ComboBox1->setMaxVisibleItems(40);
  ComboBox2 = AddEditableList(this, "ComboBox2");
  ComboBox2->setMaxVisibleItems(30);
  SpeedButton1 = NewToolButton(this, nullptr, "SpeedButton1", u("查询"));
  QFrame* filter = NewSearchRow(
      this, nullptr, {{"日期从：", DateTimePicker1}, {"到：", DateTimePicker2}, {"房屋代码：", ComboBox1}, {"楼宇名称：", ComboBox2}},
      SpeedButton1);

  DBGridEh1 = AddScratchListGrid(this, [this] { DBGridEh1SortMarkingChanged(); });
  // "操作类型|收取" and its neighbours stand under one upper title.
  DBGridEh1->SetUseMultiTitle(true);
  SetFooterText(AddGridColumn(DBGridEh1, u("datea"), u("日期"), true, 90), u("合计"));
  AddGridColumn(DBGridEh1, u("textc"), u("楼宇名称"), true, 110);
  SetFooterText(AddGridColumn(DBGridEh1, u("texta"), u("房屋代码"), true, 90), u("合计"));
  AddGridColumn(DBGridEh1, u("textb"), u("业主名称"), true, 110);
  AddGridColumn(DBGridEh1, u("moneya"), u("操作类型|收取"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("moneyc"), u("操作类型|冲抵费用"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("moneyb"), u("操作类型|退还"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("moneyd"), u("余额"), true);
  AddGridColumn(DBGridEh1, u("textd"), u("操作员"), true, 80);
  AddGridColumn(DBGridEh1, QString(), u("备    注"));
  StripeGridRows(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("业主押金明细表"));
  SetListOutput({DBGridEh1, u("业主押金明细表"), PrintDBGridEh1});
  PlaceScratchList(this, bar.frame, filter, DBGridEh1);
  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}});
  auto* chain = new TEnterChain(this);
  chain->Chain({DateTimePicker1, DateTimePicker2, ComboBox1, ComboBox2});
  chain->Link(ComboBox2, DateTimePicker1);
}

TForm_yajin_mingxi::~TForm_yajin_mingxi() = default;

void TForm_yajin_mingxi::Prepare() {
  TADOQuery* q = Dm1->q_houseinfo;
  const QString estate = GardenScoped ? u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")") : QString();
  auto fill = [&](QComboBox* box, const char* table, const char* field) {
    q->Close();
    q->SQL.Clear();
    q->SQL.Add(u("select * from ") + u(table) + u(" "));
    if (!estate.isEmpty()) q->SQL.Add(estate);
    q->SQL.Add(u("order by ") + u(field));
    q->Open();
    box->clear();
    for (q->First(); !q->Eof(); q->Next()) box->addItem(q->FieldByName(u(field))->AsString());
    box->setCurrentText(QString());
  };
  fill(ComboBox1, "房屋资料", "房屋代码");
  fill(ComboBox2, "楼宇资料", "楼宇名称");
  q->Close();
  ResetScratchList(u("order by texta"));
}

void TForm_yajin_mingxi::SpeedButton1Click() {
  if (ComboBox1->currentText().trimmed().isEmpty()) {
    ShowNotice(u("没有输入房屋代码,请重新输入!"));
    ComboBox1->setFocus();
    return;
  }
  if (DateTimePicker1->date() > DateTimePicker2->date()) {
    ShowNotice(u(kFromAfterTo));
    DateTimePicker1->setFocus();
    return;
  }
  ListDepositMovements(ComboBox1->currentText(), ComboBox2->currentText(), FromQDate(DateTimePicker1->date()),
                       FromQDate(DateTimePicker2->date()));
}

void TForm_yajin_mingxi::SpeedButton2Click() { RecomputeRunningBalance(); }
void TForm_yajin_mingxi::bitbtn_deleteClick() { DeleteScratchRow(Dm1->q_tongyong); }
void TForm_yajin_mingxi::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_tongyong); }

// ---------------------------------------------------------------------------------------
// Totals

TForm_yajin_sum::TForm_yajin_sum(bool perBuilding, QWidget* parent)
    : TRecordForm(parent), perBuilding_(perBuilding), layoutReset_(u("./yajin_sum.ini")) {
  setObjectName(perBuilding ? QStringLiteral("Form_yajin_storey") : QStringLiteral("Form_yajin_sum"));
  setWindowTitle(perBuilding ? u("业主押金汇总表(按楼宇)") : u("业主押金汇总表"));
  setWindowState(Qt::WindowMaximized);
  using W = TForm_yajin_sum;
  const TToolBar bar = NewToolBar<W>(this, kScratchListBar,
                                     {{&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                      {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                      {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click},
                                      {&W::SpeedButton3, "SpeedButton3", "初始界面", &W::SpeedButton3Click}});
  SpeedButton3->hide();
  bar.row->addStretch(1);

  DateTimePicker1 = makePicker(this, "DateTimePicker1");
  DateTimePicker2 = makePicker(this, "DateTimePicker2");
  DBComboBoxEh1 = new TDBComboBoxEh(this);
  DBComboBoxEh1->setObjectName(QStringLiteral("DBComboBoxEh1"));
  SpeedButton1 = NewToolButton(this, nullptr, "SpeedButton1", u("统计"));
  QFrame* filter = NewSearchRow(
      this, nullptr, {{"日期从：", DateTimePicker1}, {"到：", DateTimePicker2}, {"楼宇名称：", DBComboBoxEh1}}, SpeedButton1);

  DBGridEh1 = AddScratchListGrid(this, [this] { DBGridEh1SortMarkingChanged(); });
  // "操作类型|收取" and its neighbours stand under one upper title.
  DBGridEh1->SetUseMultiTitle(true);
  SetFooterText(AddGridColumn(DBGridEh1, u("datea"), u("开始日期"), true, 90), u("合计"));
  AddGridColumn(DBGridEh1, u("dateb"), u("结束日期"), true, 90);
  AddGridColumn(DBGridEh1, u("textc"), u("楼宇名称"), true, 110);
  if (!perBuilding) {
    AddGridColumn(DBGridEh1, u("texta"), u("房屋代码"), true, 90);
    AddGridColumn(DBGridEh1, u("textb"), u("业主名称"), true, 110);
  }
  AddGridColumn(DBGridEh1, u("moneya"), u("操作类型|收取"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("moneyb"), u("操作类型|冲抵费用"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("moneyc"), u("操作类型|退还"), true)->Footer()->SetValueType(fvtSum);
  TColumnEh* balance = AddGridColumn(DBGridEh1, u("moneyd"), u("余额"), true);
  if (perBuilding) balance->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, QString(), u("备    注"));
  StripeGridRows(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("业主押金汇总表"));
  SetListOutput({DBGridEh1, u("业主押金汇总表"), PrintDBGridEh1});
  PlaceScratchList(this, bar.frame, filter, DBGridEh1);
  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}});
  auto* chain = new TEnterChain(this);
  chain->Link(DateTimePicker1, DateTimePicker2);
  chain->Link(DateTimePicker2, DateTimePicker1);
}

TForm_yajin_sum::~TForm_yajin_sum() = default;

void TForm_yajin_sum::done(int result) {
  layoutReset_.WindowClosed();
  TRecordForm::done(result);
}

void TForm_yajin_sum::Prepare() {
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select * from 楼宇资料"));
  if (GardenScoped) s->SQL.Add(u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  s->SQL.Add(u("order by 楼宇代码"));
  s->Open();
  // Each name once (several estates may keep a building of the same name); choosing it
  // totals every estate's building of that name.
  QStringList names, codes;
  for (s->First(); !s->Eof(); s->Next()) {
    const QString name = s->FieldByName(u("楼宇名称"))->AsString();
    if (names.contains(name)) continue;
    names << name;
    codes << s->FieldByName(u("楼宇代码"))->AsString();
  }
  s->Close();
  DBComboBoxEh1->SetItems(names);
  DBComboBoxEh1->SetKeyItems(codes);
  ResetScratchList(u("order by texta"));
}

QString TForm_yajin_sum::ChosenBuildingCode() const {
  const QString text = DBComboBoxEh1->Text().trimmed();
  if (text.isEmpty()) return QString();
  const int index = DBComboBoxEh1->Items().indexOf(text);
  if (index >= 0 && index < DBComboBoxEh1->KeyItems().size()) return DBComboBoxEh1->KeyItems().at(index);
  return text;
}

void TForm_yajin_sum::SpeedButton1Click() {
  if (DateTimePicker1->date() > DateTimePicker2->date()) {
    ShowNotice(u(kFromAfterTo));
    DateTimePicker1->setFocus();
    return;
  }
  // A building of the list is chosen by its name; a text of another kind is taken as a code.
  const QString text = DBComboBoxEh1->Text().trimmed();
  if (!text.isEmpty() && DBComboBoxEh1->Items().contains(text))
    TotalDeposits(perBuilding_, QString(), FromQDate(DateTimePicker1->date()), FromQDate(DateTimePicker2->date()), text);
  else
    TotalDeposits(perBuilding_, ChosenBuildingCode(), FromQDate(DateTimePicker1->date()),
                  FromQDate(DateTimePicker2->date()));
}

void TForm_yajin_sum::SpeedButton3Click() { layoutReset_.Click(); }
void TForm_yajin_sum::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_tongyong); }

void OpenDepositMovementsCommand(QWidget* owner) { RunScratchList<TForm_yajin_mingxi>(owner); }
void OpenDepositTotalsCommand(QWidget* owner) { RunScratchList<TForm_yajin_sum>(owner); }
void OpenDepositBuildingTotalsCommand(QWidget* owner) { RunScratchList<TForm_yajin_storey>(owner); }
