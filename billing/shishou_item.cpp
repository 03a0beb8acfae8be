#include "billing/shishou_item.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include "billing/estatescope.h"
#include "billing/meterlist.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/estatelines.h"
#include "shell/loginstate.h"
#include "shell/password.h"

namespace {

// An unbound date editor counts as empty when its text starts with a blank (the empty mask).
bool editorEmpty(const TDBDateTimeEditEh* editor) {
  const QString t = editor->Text();
  return t.isEmpty() || t.at(0) == QLatin1Char(' ');
}
}  // namespace

int ListTakingsByItem(const TakingsFilter& filter) {
  QStringList terms;
  if (!filter.house.trimmed().isEmpty()) {
    // House codes are unique within an estate only: the house is the one estate's that keeps
    // the code; a code kept by several estates names no one house.
    const QStringList estates = EstatesOfHouse(Dm1->ADO_system, filter.house);
    if (estates.size() > 1) {
      ShowNotice(AmbiguousHouseMessage());
      return 0;
    }
    terms << (estates.isEmpty() ? u("(房屋代码=") + SqlQuote::Text(filter.house) + u(")")
                                : EstateHouse(estates.first(), filter.house));
  }
  if (!filter.building.trimmed().isEmpty())
    terms << u("(楼宇名称 like ") + SqlQuote::Like(filter.building, true, true) + SqlQuote::LikeEscape() + u(")");
  if (!filter.unit.trimmed().isEmpty())
    terms << u("(关联单位 like ") + SqlQuote::Like(filter.unit.trimmed(), true, true) + SqlQuote::LikeEscape() + u(")");
  if (GardenScoped) terms << u("(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  if (filter.from && filter.to)
    terms << u("(缴费时间 between ") + SqlQuote::Date(DateOf(*filter.from)) + u(" and ") +
                  SqlQuote::Date(EndOfDay(*filter.to)) + u(")");
  const QString condition = terms.join(u("and"));

  TADOQuery* items = Dm1->q_iteminfo;
  items->Close();
  items->SQL.Clear();
  items->SQL.Add(u("select * from 收费项目 "));
  items->Open();
  if (items->IsEmpty()) {
    items->Close();
    return 0;
  }
  // One line per item an estate keeps, with that estate's payments: two estates keeping 物业费
  // each get their own line and the lines add up to the payments.
  TEstateLines lines;
  QStringList names;
  for (items->First(); !items->Eof(); items->Next()) {
    const QString name = items->FieldByName(u("收费名称"))->AsString();
    if (lines.Add(items->FieldByName(u("小区代码"))->AsString(), name) == names.size()) names << name;
  }
  items->Close();
  QVector<Money> totals(names.size());
  QVector<int> times(names.size());
  TADOQuery* sum = Dm1->q_search;
  sum->Close();
  sum->SQL.Clear();
  sum->SQL.Add(u("select coalesce(小区代码,'') as ec, 收费项目 as item, sum(实收金额) as zje, count(*) as cs from 收费汇总表"));
  if (!condition.isEmpty()) sum->SQL.Add(u("where ") + condition);
  sum->SQL.Add(u("group by coalesce(小区代码,''), 收费项目"));
  sum->Open();
  for (sum->First(); !sum->Eof(); sum->Next()) {
    const QString estate = sum->FieldByName(u("ec"))->AsString(), item = sum->FieldByName(u("item"))->AsString();
    int line = lines.LineOf(estate, item);
    // An item another estate keeps, taken by an estate that keeps it no more: that estate's
    // payments get a line of their own rather than none.
    if (line < 0 && lines.LineOf(QString(), item) >= 0) {
      names << names[lines.LineOf(QString(), item)];
      totals.append(Money());
      times.append(0);
      line = lines.Add(estate, item);
    }
    if (line < 0) continue;
    totals[line] += sum->FieldByName(u("zje"))->AsMoney();
    times[line] += sum->FieldByName(u("cs"))->AsInteger();
  }
  sum->Close();
  int listed = 0;
  FillScratchList(u(" order by texta,textb"), [&](TADOQuery* scratch) {
    for (int line = 0; line < names.size(); ++line) {
      if (totals[line] <= Money()) continue;
      scratch->Append();
      if (filter.from) scratch->FieldByName(u("datea"))->SetAsDateTime(*filter.from);
      if (filter.to) scratch->FieldByName(u("dateb"))->SetAsDateTime(*filter.to);
      scratch->FieldByName(u("textc"))->SetAsString(names[line]);
      scratch->FieldByName(u("textd"))->SetAsString(filter.house);
      scratch->FieldByName(u("texte"))->SetAsString(filter.building);
      scratch->FieldByName(u("moneya"))->SetAsMoney(totals[line]);
      scratch->FieldByName(u("numbera"))->SetAsInteger(times[line]);
      scratch->Post();
      ++listed;
    }
  });
  return listed;
}

// ---------------------------------------------------------------------------------------

TForm_shishou_item::TForm_shishou_item(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_shishou_item"));
  setWindowTitle(u("统计实收金额(按收费项目)"));
  setWindowState(Qt::WindowMaximized);

  auto* bar = new QFrame(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(2, 2, 2, 2);
  bitbtn_delete = AddToolButton(row, "bitbtn_delete", u("删除"));
  bitbtn_print = AddToolButton(row, "bitbtn_print", u("打印"));
  bitbtn_out = AddToolButton(row, "bitbtn_out", u("导出"));
  SpeedButton4 = AddToolButton(row, "SpeedButton4", u("返回"));
  SpeedButton2 = AddToolButton(row, "SpeedButton2", u("初始界面"));
  SpeedButton2->setVisible(false);
  row->addStretch(1);

  auto* filter = new QFrame(this);
  auto* frow = new QHBoxLayout(filter);
  auto makeDate = [&](const char* name) {
    auto* e = new TDBDateTimeEditEh(filter);
    e->setObjectName(QString::fromLatin1(name));
    e->SetValue(Variant::dateTime(Today()));
    return e;
  };
  DBDateTimeEditEh1 = makeDate("DBDateTimeEditEh1");
  DBDateTimeEditEh2 = makeDate("DBDateTimeEditEh2");
  Edit1 = AddLineEdit(filter, "Edit1");
  Edit1->setValidator(new TUpperCaseValidator(Edit1));
  ComboBox2 = AddEditableList(filter, "ComboBox2");
  SetImeName(ComboBox2, CurrentOperatorIme);
  ComboBox4 = AddEditableList(filter, "ComboBox4");
  const struct {
    const char* label;
    QWidget* editor;
  } placed[] = {{"缴费时间从：", DBDateTimeEditEh1}, {"到：", DBDateTimeEditEh2}, {"房屋代码：", Edit1},
                {"楼宇名称：", ComboBox2},           {"关联单位：", ComboBox4}};
  for (const auto& p : placed) {
    frow->addWidget(new QLabel(u(p.label), filter));
    frow->addWidget(p.editor);
  }
  SpeedButton1 = AddToolButton(frow, "SpeedButton1", u("统计"));
  frow->addStretch(1);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", Dm1->ds_tongyong);
  TColumnEh* first = AddGridColumn(DBGridEh1, u("datea"), u("缴费时间从"), true);
  first->Footer()->SetValueType(fvtCount);
  first->Footer()->SetAlignment(taCenter);
  AddGridColumn(DBGridEh1, u("dateb"), u("缴费时间到"), true);
  AddGridColumn(DBGridEh1, u("textc"), u("收费项目"), true);
  AddGridColumn(DBGridEh1, u("numbera"), u("缴费次数"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("moneya"), u("实缴金额"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("textd"), u("房屋代码"), true);
  AddGridColumn(DBGridEh1, u("texte"), u("楼宇名称"), true);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
    StripeOddRows(DBGridEh1, background);
  };
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("按收费项目统计实收金额"));

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(filter);
  column->addWidget(DBGridEh1, 1);
  resize(1000, 640);

  using W = TForm_shishou_item;
  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}, {SpeedButton2, &W::SpeedButton2Click},
                       {bitbtn_delete, &W::bitbtn_deleteClick}, {bitbtn_out, &W::bitbtn_outClick},
                       {bitbtn_print, &W::bitbtn_printClick}, {SpeedButton4, &W::SpeedButton4Click}});
  auto* chain = new TEnterChain(this);
  chain->Link(Edit1, ComboBox2);
  chain->Action(ComboBox2, [this] { SpeedButton1Click(); });
}

TForm_shishou_item::~TForm_shishou_item() = default;

void TForm_shishou_item::Prepare() {
  const QString estate =
      GardenScoped ? u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")\n") : QString();
  ComboBox2->clear();
  ComboBox2->addItems(DistinctSearchValues(u("select * from 楼宇资料 \n") + estate + u("order by 楼宇名称"), "楼宇名称"));
  ComboBox2->setCurrentText(QString());
  ComboBox4->clear();
  ComboBox4->addItems(DistinctSearchValues(u("select * from 关联单位 \n") + estate, "关联单位"));
  ComboBox4->setCurrentText(QString());
  ResetScratchList(u("order by texta"));
}

void TForm_shishou_item::SpeedButton1Click() {
  const bool empty1 = editorEmpty(DBDateTimeEditEh1), empty2 = editorEmpty(DBDateTimeEditEh2);
  TakingsFilter f;
  if (empty1 != empty2) {
    ShowInformation(u("缴费时间输入错误,请重新输入"));
    DBDateTimeEditEh1->setFocus();
    return;
  }
  if (!empty1) {
    // An unreadable date raises the platform's conversion error before anything is computed.
    f.from = StrToDate(DBDateTimeEditEh1->Text().trimmed());
    f.to = StrToDate(DBDateTimeEditEh2->Text().trimmed());
    if (std::floor(*f.to) < std::floor(*f.from)) {
      ShowInformation(u("缴费时间从不能大于缴费时间到,请重新输入"));
      DBDateTimeEditEh1->setFocus();
      return;
    }
  }
  f.house = Edit1->text();
  f.building = ComboBox2->currentText();
  f.unit = ComboBox4->currentText();
  ListTakingsByItem(f);
}

void TForm_shishou_item::SpeedButton2Click() { ShowInformation(u("界面初始化完毕！")); }
void TForm_shishou_item::bitbtn_deleteClick() { DeleteScratchRow(Dm1->q_tongyong); }
void TForm_shishou_item::bitbtn_outClick() {
  ExportShownRows(DBGridEh1, u("按收费项目统计实收金额"), "导出权", true);
}
void TForm_shishou_item::bitbtn_printClick() { PrintShownRows(PrintDBGridEh1, "打印权", true); }
void TForm_shishou_item::SpeedButton4Click() { close(); }
void TForm_shishou_item::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_tongyong); }

void OpenTakingsByItemCommand(QWidget* owner) {
  auto* window = new TForm_shishou_item(owner);
  window->Prepare();
  RunModal(window);
  delete window;
  Dm1->q_tongyong->Close();
}
