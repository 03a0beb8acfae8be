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

  using W = TForm_shishou_item;
  const TToolBar bar = NewToolBar<W>(this, kScratchListBar,
                                     {{&W::bitbtn_delete, "bitbtn_delete", "删除", &W::bitbtn_deleteClick},
                                      {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                      {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                      {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click},
                                      {&W::SpeedButton2, "SpeedButton2", "初始界面", &W::SpeedButton2Click}});
  SpeedButton2->setVisible(false);
  bar.row->addStretch(1);

  auto makeDate = [this](const char* name) {
    auto* e = new TDBDateTimeEditEh(this);
    e->setObjectName(QString::fromLatin1(name));
    e->SetValue(Variant::dateTime(Today()));
    return e;
  };
  DBDateTimeEditEh1 = makeDate("DBDateTimeEditEh1");
  DBDateTimeEditEh2 = makeDate("DBDateTimeEditEh2");
  Edit1 = AddLineEdit(this, "Edit1");
  Edit1->setValidator(new TUpperCaseValidator(Edit1));
  ComboBox2 = AddEditableList(this, "ComboBox2");
  SetImeName(ComboBox2, CurrentOperatorIme);
  ComboBox4 = AddEditableList(this, "ComboBox4");
  SpeedButton1 = NewToolButton(this, nullptr, "SpeedButton1", u("统计"));
  QFrame* filter = NewSearchRow(this, nullptr,
                                {{"缴费时间从：", DBDateTimeEditEh1}, {"到：", DBDateTimeEditEh2}, {"房屋代码：", Edit1},
                                 {"楼宇名称：", ComboBox2}, {"关联单位：", ComboBox4}},
                                SpeedButton1);

  DBGridEh1 = AddScratchListGrid(this, [this] { DBGridEh1SortMarkingChanged(); });
  CountRowsInFooter(AddGridColumn(DBGridEh1, u("datea"), u("缴费时间从"), true));
  AddGridColumn(DBGridEh1, u("dateb"), u("缴费时间到"), true);
  AddGridColumn(DBGridEh1, u("textc"), u("收费项目"), true);
  AddGridColumn(DBGridEh1, u("numbera"), u("缴费次数"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("moneya"), u("实缴金额"), true)->Footer()->SetValueType(fvtSum);
  AddGridColumn(DBGridEh1, u("textd"), u("房屋代码"), true);
  AddGridColumn(DBGridEh1, u("texte"), u("楼宇名称"), true);
  StripeGridRows(DBGridEh1);
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("按收费项目统计实收金额"));
  SetListOutput({DBGridEh1, u("按收费项目统计实收金额"), PrintDBGridEh1});
  PlaceScratchList(this, bar.frame, filter, DBGridEh1);

  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}});
  auto* chain = new TEnterChain(this);
  chain->Link(Edit1, ComboBox2);
  chain->Action(ComboBox2, [this] { SpeedButton1Click(); });
}

TForm_shishou_item::~TForm_shishou_item() = default;

void TForm_shishou_item::Prepare() {
  FillBuildingAndUnitLists(ComboBox2, ComboBox4);
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
void TForm_shishou_item::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_tongyong); }

void OpenTakingsByItemCommand(QWidget* owner) { RunScratchList<TForm_shishou_item>(owner); }
