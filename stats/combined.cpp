#include "stats/combined.h"

#include <QAction>
#include <QCheckBox>
#include <QHash>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <vector>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"

namespace {

// The charge groups: one item, or the electricity and water groups of several items.
const QList<QStringList>& Groups() {
  static const QList<QStringList> groups{{u("物管费")},   {u("公摊水电费")}, {u("宣传推广费")},
                                         {u("经营管理费")}, {u("综合管理费")},
                                         {u("自用电费"), u("电费"), u("电费1")},
                                         {u("自用水费"), u("水费")}};
  return groups;
}
// The index in Groups() of the group an item belongs to, or -1.
int GroupOf(const QString& item) {
  static const QHash<QString, int> groupOfName = [] {
    QHash<QString, int> index;
    for (int g = 0; g < Groups().size(); ++g)
      for (const QString& name : Groups()[g]) index.insert(NoCaseKey(name), g);
    return index;
  }();
  return groupOfName.value(NoCaseKey(item), -1);
}
// The condition on 收费名称 of the items of some groups.
QString ItemsCondition(const QList<QStringList>& groups) {
  QStringList names;
  for (const QStringList& g : groups)
    for (const QString& name : g) names << SqlQuote::Text(name);
  return u("(收费名称 in (") + names.join(u(",")) + u("))");
}
// ... of every item of every group.
QString AnyGroupCondition() { return ItemsCondition(Groups()); }
const char* const kGroupTitles[] = {"基本物管费", "公摊水电费", "宣传推广费", "经营管理费", "综合管理费", "自用电费", "自用水费"};

QStringList BuildingUnits() {
  QStringList units;
  for (const char* n : {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十", "十一", "十二"}) units << u(n) + u("单元");
  return units;
}
QStringList YearItems(int first, int last) {
  QStringList years;
  for (int y = first; y <= last; ++y) years << QString::number(y) + u("年");
  return years;
}
}  // namespace

QString CombinedHouseCondition(const QString& house, const QString& building, const QString& unit,
                               const QString& houseType) {
  TConditionText c;
  c.AddWhenFilled(house, EqualTo(u("房屋代码"), house));
  c.AddWhenFilled(building, Containing(u("楼宇名称"), building));
  c.AddWhenFilled(unit, EqualTo(u("楼宇单元"), unit));
  c.AddWhenFilled(houseType, EqualTo(u("房型"), houseType));
  return c.Text();
}

// =======================================================================================

TCombinedReport::TCombinedReport(QWidget* parent, const char* objectName, const char* caption, bool houseType)
    : TStatisticsWindow(parent, QString::fromLatin1(objectName), u(caption), u(caption), Options{true, true, true, QString()}) {
  if (houseType) {
    DBComboBoxEh2 = new TDBComboBoxEh(Panel7);
    DBComboBoxEh2->setObjectName(QStringLiteral("DBComboBoxEh2"));
  }
}

void TCombinedReport::FillFilterLists() {
  FillBuildings(ComboBox2);
  if (!DBComboBoxEh2) return;
  TADOQuery* q = Dm1->q_search;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 房型信息 "));
  q->SQL.Add(u("order by 名称"));
  q->Open();
  QStringList types;
  for (q->First(); !q->Eof(); q->Next()) types << q->FieldByName(u("名称"))->AsString();
  q->Close();
  DBComboBoxEh2->SetItems(types);
}

// Narrows the ledger rows to the codes of the chosen houses; the lines are then looked up per
// estate and house, so a code another estate also uses brings in no figure of that estate.
QString TCombinedReport::HouseRowsCondition() const {
  const QString c = CombinedHouseCondition(Edit1->text(), ComboBox2->currentText(), ComboBox1->currentText(),
                                           DBComboBoxEh2 ? DBComboBoxEh2->Text() : QString());
  return c.isEmpty() ? QString() : u("and(房屋代码 in (select 房屋代码 from 房屋资料 where ") + c + u("))");
}

void TCombinedReport::OpenHouses() {
  const QString c = CombinedHouseCondition(Edit1->text(), ComboBox2->currentText(), ComboBox1->currentText(),
                                           DBComboBoxEh2 ? DBComboBoxEh2->Text() : QString());
  TADOQuery* q = Dm1->q_change;
  q->Close();
  q->SQL.Clear();
  // Without any filter every house is taken.
  // Only the columns the reports show are read.
  const QString select = u("select 小区代码, 房屋代码, 楼宇名称, 楼宇单元, 业主名称, 房屋面积 from 房屋资料");
  q->SQL.Add(c.isEmpty() ? select : select + u(" where "));
  q->SQL.Add(c);
  q->Open();
}

// =======================================================================================
// Report one

TForm_statistics_mafan1::TForm_statistics_mafan1(QWidget* parent)
    : TCombinedReport(parent, "Form_statistics_mafan1", "业主缴费综合报表一", true) {
  // Twenty-five columns as wide as their titles do not fit a screen: they keep their widths
  // and the list scrolls sideways.
  SetFitColumns(false);
  AddCombo("ComboBox4", "年度：", false, YearItems(2006, 2013));
  AddEdit("Edit1", "房屋代码：");
  AddCombo("ComboBox2", "楼宇：");
  AddCombo("ComboBox1", "楼宇单元：", true, BuildingUnits());
  AddFilterWidget("房屋类型：", DBComboBoxEh2);
  FinishFilterPanel();
  LinkFilter(Edit1, ComboBox2);
  LinkFilter(ComboBox2, ComboBox1);
  LinkFilter(ComboBox4, ComboBox1);
  ChainFilters({ComboBox1}, true);

  const struct {
    const char* field;
    const char* title;
  } columns[] = {{"texth", "楼宇名称"},
                 {"texta", "房屋代码"},
                 {"textb", "商户名称"},
                 {"floata", "面积"},
                 {"moneya", "押金|行为保证金"},
                 {"moneyb", "押金|物管保证金"},
                 {"moneyc", "押金|公摊水电费押金"},
                 {"moneyd", "押金|宣传推广费押金"},
                 {"money1", "押金|综合管理费保证金"},
                 {"money2", "累计待收(上年)|综合管理费"},
                 {"moneye", "累计待收(上年)|基本物管费"},
                 {"moneyf", "累计待收(上年)|公摊水电费"},
                 {"moneyg", "累计待收(上年)|宣传推广费"},
                 {"moneyh", "累计待收(上年)|经营管理费"},
                 {"moneyi", "累计待收(上年)|电费"},
                 {"moneyo", "累计待收(上年)|水费"},
                 {"money3", "本年收回上年欠费|综合管理费"},
                 {"moneyj", "本年收回上年欠费|基本物管费"},
                 {"moneyk", "本年收回上年欠费|公摊水电费"},
                 {"moneyl", "本年收回上年欠费|宣传推广费"},
                 {"moneym", "本年收回上年欠费|经营管理费"},
                 {"moneyn", "本年收回上年欠费|电费"},
                 {"moneyp", "本年收回上年欠费|水费"},
                 {"texti", "楼宇单元"}};
  bool first = true;
  for (const auto& c : columns) {
    Column(c.field, c.title, 0, true, first ? CountFooter : NoFooter);
    first = false;
  }
}

void TForm_statistics_mafan1::RunStatistics() {
  const QString yearText = ComboBox4->currentText();
  if (yearText.trimmed().isEmpty()) {
    ShowNotice(u("没有输入年度,请重新输入!"));
    ComboBox4->setFocus();
    return;
  }
  const int y = yearText.left(4).toInt();
  const QString p = QString::number(y - 1);
  const QString start = QStringLiteral("%1-01-01 0:0:0").arg(y), end = QStringLiteral("%1-12-31 23:59:59").arg(y);
  const QString withinYear = u("between cdate(") + SqlQuote::Text(start) + u(") and cdate(") + SqlQuote::Text(end) + u(")");

  StartAnimation();
  const char* depositFields[] = {"moneya", "moneyb", "moneyc", "moneyd", "money1"};
  const char* depositKinds[] = {"行为保证金", "物管费保证金", "公摊水电费押金", "宣传推广费押金", "综合管理费保证金"};
  // The groups in the order of the columns: 综合管理费, 物管费, 公摊水电费, 宣传推广费, 经营管理费, 电, 水.
  const int groupOrder[] = {4, 0, 1, 2, 3, 5, 6};
  const char* arrearFields[] = {"money2", "moneye", "moneyf", "moneyg", "moneyh", "moneyi", "moneyo"};
  const char* collectedFields[] = {"money3", "moneyj", "moneyk", "moneyl", "moneym", "moneyn", "moneyp"};

  // Every house's deposits of the year per category, in one grouped pass.
  QStringList kinds;
  for (const char* k : depositKinds) kinds << SqlQuote::Text(u(k));
  TADOQuery* q = Dm1->q_search;
  OpenLines(q, {u("select ") + u(kEstateTerm) + u(" as ec, 房屋代码 as hc, 押金类别 as kind, sum(金额) as jine from 押金明细表 where "),
                u("(日期 ") + withinYear + u(")and(押金类别 in (") + kinds.join(u(",")) + u("))") + HouseRowsCondition() +
                    u(" group by ") + u(kEstateTerm) + u(", 房屋代码, 押金类别")});
  QHash<QString, Money> deposits;  // per estate, house and category
  for (q->First(); !q->Eof(); q->Next())
    deposits[GroupKey({q->FieldByName(u("ec"))->AsString(), q->FieldByName(u("hc"))->AsString(),
                       q->FieldByName(u("kind"))->AsString()})] +=
        q->FieldByName(u("jine"))->AsMoney();
  // Every house's bills of the previous year: unpaid, and paid within the year, per item.
  OpenLines(q, {u("select ") + u(kEstateTerm) + u(" as ec, 房屋代码 as hc, 收费名称 as item, sum(case when 缴费状态='未缴费' then 收费金额 end) as unpaid, "
                  "sum(case when 缴费状态<>'未缴费' and 缴费时间 ") +
                    withinYear + u(" then 收费金额 end) as collected from 收费明细表 where "),
                u("(") + EqualTo(u("年度"), p) + u(")and") + AnyGroupCondition() + HouseRowsCondition() +
                    u(" group by ") + u(kEstateTerm) + u(", 房屋代码, 收费名称")});
  QHash<QString, std::pair<Money, Money>> bills;  // per estate, house and group: unpaid, collected
  {
    TField *item = q->FieldByName(u("item")), *ec = q->FieldByName(u("ec")), *hc = q->FieldByName(u("hc"));
    TField *unpaid = q->FieldByName(u("unpaid")), *collected = q->FieldByName(u("collected"));
    for (q->First(); !q->Eof(); q->Next()) {
      const int g = GroupOf(item->AsString());
      if (g < 0) continue;
      auto& sums = bills[GroupKey({ec->AsString(), hc->AsString(), QString::number(g)})];
      sums.first += unpaid->AsMoney();
      sums.second += collected->AsMoney();
    }
  }
  q->Close();

  TScratchFill fill;
  OpenHouses();
  TADOQuery* h = Dm1->q_change;
  TField *codeField = h->FieldByName(u("房屋代码")), *estateField = h->FieldByName(u("小区代码"));
  TField *buildingField = h->FieldByName(u("楼宇名称")), *unitField = h->FieldByName(u("楼宇单元"));
  TField *ownerField = h->FieldByName(u("业主名称")), *areaField = h->FieldByName(u("房屋面积"));
  for (h->First(); !h->Eof(); h->Next()) {
    const QString code = codeField->AsString();
    TScratchFill::Line line{{"texth", buildingField->AsString()},
                            {"texta", code},
                            {"textb", ownerField->AsString()},
                            {"floata", areaField->Value()},
                            {"texti", unitField->AsString()}};
    const QStringList estates = EstateKeys(estateField->AsString());
    for (int i = 0; i < 5; ++i) {
      Money deposit;
      for (const QString& e : estates) deposit += deposits.value(GroupKey({e, code, u(depositKinds[i])}));
      line.push_back({depositFields[i], deposit});
    }
    for (int i = 0; i < 7; ++i) {
      Money unpaid, collected;
      for (const QString& e : estates) {
        const auto sums = bills.value(GroupKey({e, code, QString::number(groupOrder[i])}));
        unpaid += sums.first, collected += sums.second;
      }
      line.push_back({arrearFields[i], unpaid});
      line.push_back({collectedFields[i], collected});
    }
    fill.Append(line);
  }
  fill.Commit();
  h->Close();
}

// =======================================================================================
// Reports two and three

QStringList MonthlyGroupTitles(int year, int month) {
  const QString prefix = QStringLiteral("%1").arg(year) + u("年") + QString::number(month);
  QStringList titles;
  for (const char* t : kGroupTitles) titles << prefix + u("月应收|") + u(t);
  for (const char* t : kGroupTitles) titles << prefix + u("月实收|") + u(t);
  return titles;
}

void EmptyTroubleTableForOpening() {
  TADOQuery* q = Dm1->q_tongyong;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("delete from 麻烦"));
  q->ExecSQL();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 麻烦"));
  q->SQL.Add(u("order by texta"));
  q->Open();
}

TMonthlyCombinedReport::TMonthlyCombinedReport(QWidget* parent, bool wholeYear)
    : TCombinedReport(parent, wholeYear ? "Form_statistics_mafan2" : "Form_statistics_mafan3",
                      wholeYear ? "业主缴费综合报表二" : "业主缴费综合报表三", !wholeYear),
      wholeYear_(wholeYear) {
  // Report two's 172 columns would be squeezed to a few pixels each: they keep their widths
  // until the operator asks for 满屏显示.
  if (wholeYear) SetFitColumns(false);
  AddCombo("ComboBox4", "年度：", false, YearItems(2005, 2013));
  if (!wholeYear) {
    AddCombo("ComboBox3", "月份：", false,
             {u("一月"), u("二月"), u("三月"), u("四月"), u("五月"), u("六月"), u("七月"), u("八月"), u("九月"),
              u("十月"), u("十一月"), u("十二月")});
  }
  AddEdit("Edit1", "房屋代码：");
  AddCombo("ComboBox2", "楼宇：");
  AddCombo("ComboBox1", "楼宇单元：", true, BuildingUnits());
  if (DBComboBoxEh2) {
    AddFilterWidget("房屋类型：", DBComboBoxEh2);
  }
  FinishFilterPanel();
  LinkFilter(Edit1, ComboBox2);
  LinkFilter(ComboBox2, ComboBox1);
  LinkFilter(ComboBox4, ComboBox1);
  if (ComboBox3) LinkFilter(ComboBox3, ComboBox1);
  ChainFilters({ComboBox1}, true);

  Column("texta", "楼宇名称", 80, true, CountFooter);
  Column("textb", "房屋代码", 80, true);
  Column("textc", "商户名称", 100, true);
  Column("floata", "面积", 60, true);
  Column("", "", 55, false);  // placeholder until the first run

  if (wholeYear) {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel_columns"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 0, 2, 0);
    cbDichromatic = new QCheckBox(u("区分列表"), bar);
    cbDichromatic->setObjectName(QStringLiteral("cbDichromatic"));
    cbDichromatic->setChecked(true);
    CheckBox1 = new QCheckBox(u("满屏显示"), bar);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    ToolButton2 = new QToolButton(bar);
    ToolButton2->setObjectName(QStringLiteral("ToolButton2"));
    ToolButton2->setText(u("隐藏最右边的列"));
    ToolButton1 = new QToolButton(bar);
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton1->setText(u("显示隐藏的列"));
    ToolButton1->setEnabled(false);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    ToolButton1->setMenu(PopupMenu1);
    ToolButton1->setPopupMode(QToolButton::MenuButtonPopup);
    auto* navigator = new QWidget(bar);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto* nav = new QHBoxLayout(navigator);
    nav->setContentsMargins(0, 0, 0, 0);
    const struct {
      const char* text;
      const char* hint;
      void (TDataSet::*move)();
    } moves[] = {{"|<", "首记录", &TDataSet::First},
                 {"<", "上一条记录", &TDataSet::Prior},
                 {">", "下一条记录", &TDataSet::Next},
                 {">|", "尾记录", &TDataSet::Last}};
    for (const auto& m : moves) {
      auto* b = new QToolButton(navigator);
      b->setText(QString::fromLatin1(m.text));
      b->setToolTip(u(m.hint));
      nav->addWidget(b);
      connect(b, &QToolButton::clicked, this, Guarded([move = m.move] {
                TADOQuery* q = Dm1->q_tongyong;
                if (q->Active()) (q->*move)();
              }));
    }
    for (QWidget* w : {static_cast<QWidget*>(cbDichromatic), static_cast<QWidget*>(CheckBox1),
                       static_cast<QWidget*>(ToolButton2), static_cast<QWidget*>(ToolButton1), navigator})
      row->addWidget(w);
    row->addStretch(1);
    static_cast<QVBoxLayout*>(layout())->insertWidget(2, bar);

    DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
      if (cbDichromatic->isChecked()) StripeOddRows(DBGridEh1, background);
    };
    connect(cbDichromatic, &QCheckBox::clicked, this, [this] { DBGridEh1->update(); });
    connect(CheckBox1, &QCheckBox::clicked, this, [this](bool on) {
      if (on != DBGridEh1->AutoFitColWidths()) DBGridEh1->SetAutoFitColWidths(on);
    });
    connect(ToolButton2, &QToolButton::clicked, this, Guarded([this] { ToolButton2Click(); }));
    connect(ToolButton1, &QToolButton::clicked, this, Guarded([this] { ToolButton1Click(); }));
    connect(PopupMenu1, &QMenu::triggered, this, Guarded([this](QAction* a) { RestoreHiddenColumn(a); }));
  }
}

void TMonthlyCombinedReport::rebuildColumns(int count) {
  TDBGridColumnsEh* columns = DBGridEh1->Columns();
  while (columns->Count() > 4) columns->Delete(4);
  for (int i = 0; i < count; ++i) columns->AppendColumn();
  if (PopupMenu1) {
    PopupMenu1->clear();
    ToolButton1->setEnabled(false);
  }
}

void TMonthlyCombinedReport::RunStatistics() {
  const QString yearText = ComboBox4->currentText();
  if (yearText.trimmed().isEmpty()) {
    ShowInformation(u("没有输入统计年度,重新输入！"));
    ComboBox4->setFocus();
    return;
  }
  int firstMonth = 1, lastMonth = 12;
  if (!wholeYear_) {
    if (ComboBox3->currentIndex() < 0) {
      ShowInformation(u("没有输入统计月份,重新输入！"));
      ComboBox3->setFocus();
      return;
    }
    firstMonth = lastMonth = ComboBox3->currentIndex() + 1;
  }
  const int y = yearText.left(4).toInt();
  const int months = lastMonth - firstMonth + 1;

  // Every house's due and received sums per month and charge group, in one grouped pass: a
  // line per estate, house and month with the seven groups' sums side by side.
  QStringList monthTexts;
  for (int m = firstMonth; m <= lastMonth; ++m) monthTexts << SqlQuote::Text(QString::number(m));
  QStringList sums;
  for (int g = 0; g < Groups().size(); ++g) {
    const QString inGroup = ItemsCondition({Groups()[g]});
    sums << u("sum(case when ") + inGroup + u(" then 收费金额 end) as d") + QString::number(g)
         << u("sum(case when ") + inGroup + u(" and 缴费状态<>'未缴费' then 收费金额 end) as r") + QString::number(g);
  }
  TADOQuery* q = Dm1->q_search;
  OpenLines(q, {u("select ") + u(kEstateTerm) + u(" as ec, 房屋代码 as hc, cast(月份 as integer) as m, ") + sums.join(u(", ")) +
                    u(" from 收费明细表 where "),
                u("(") + EqualTo(u("年度"), QString::number(y)) + u(")and(月份 in (") + monthTexts.join(u(",")) + u("))and") +
                    AnyGroupCondition() + HouseRowsCondition() + u(" group by 1, 2, 3")});
  // Per estate and house, the amounts in the order of the columns: month by month seven due,
  // then seven received.
  QHash<QString, std::vector<Money>> amounts;
  {
    TField *ec = q->FieldByName(u("ec")), *hc = q->FieldByName(u("hc")), *month = q->FieldByName(u("m"));
    std::vector<TField*> due, received;
    for (int g = 0; g < Groups().size(); ++g) {
      due.push_back(q->FieldByName(u("d") + QString::number(g)));
      received.push_back(q->FieldByName(u("r") + QString::number(g)));
    }
    for (q->First(); !q->Eof(); q->Next()) {
      const int i = month->AsInteger() - firstMonth;
      if (i < 0 || i >= months) continue;
      std::vector<Money>& house = amounts[GroupKey({ec->AsString(), hc->AsString()})];
      if (house.empty()) house.resize(size_t(14 * months));
      for (size_t g = 0; g < 7; ++g) {
        house[size_t(14 * i) + g] += due[g]->AsMoney();
        house[size_t(14 * i + 7) + g] += received[g]->AsMoney();
      }
    }
  }
  q->Close();

  TScratchFill fill(u("麻烦"), u("order by textb"));
  rebuildColumns(14 * months);
  OpenHouses();
  TADOQuery* h = Dm1->q_change;
  // The amount columns get their titles and fields with the first house; without a house
  // they stay blank.
  for (int m = firstMonth; m <= lastMonth && !h->IsEmpty(); ++m) {
    const int i = m - firstMonth;
    const QStringList titles = MonthlyGroupTitles(y, m);
    for (int k = 0; k < 14; ++k) {
      TColumnEh* c = DBGridEh1->Columns()->Items(4 + 14 * i + k);
      c->Title()->SetCaption(titles[k]);
      c->SetWidth(55);
      c->SetFieldName(QStringLiteral("money%1").arg(14 * i + k + 1));
    }
  }
  std::vector<QByteArray> amountFields;
  for (int k = 0; k < 14 * months; ++k) amountFields.push_back("money" + QByteArray::number(k + 1));
  TField* codeField = h->FieldByName(u("房屋代码"));
  TField* estateField = h->FieldByName(u("小区代码"));
  TField* buildingField = h->FieldByName(u("楼宇名称"));
  TField* ownerField = h->FieldByName(u("业主名称"));
  TField* areaField = h->FieldByName(u("房屋面积"));
  std::vector<Money> house(size_t(14 * months));
  for (h->First(); !h->Eof(); h->Next()) {
    const QString code = codeField->AsString();
    std::fill(house.begin(), house.end(), Money());
    for (const QString& e : EstateKeys(estateField->AsString())) {
      const auto found = amounts.constFind(GroupKey({e, code}));
      if (found == amounts.constEnd()) continue;
      for (size_t k = 0; k < house.size(); ++k) house[k] += (*found)[k];
    }
    TScratchFill::Line line{{"texta", buildingField->AsString()},
                            {"textb", code},
                            {"textc", ownerField->AsString()},
                            {"floata", areaField->Value()}};
    for (size_t k = 0; k < house.size(); ++k) line.push_back({amountFields[k].constData(), house[k]});
    fill.Append(line);
  }
  fill.Commit();
  h->Close();
}

void TMonthlyCombinedReport::ToolButton2Click() {
  TColumnsEhList& shown = DBGridEh1->ShownColumns();
  if (shown.Count() <= 8) return;
  TColumnEh* column = shown.ColumnAt(shown.Count() - 1);
  QString caption = column->Title()->Caption();
  const int last = caption.lastIndexOf(QLatin1Char('|'));
  const int second = last > 0 ? caption.lastIndexOf(QLatin1Char('|'), last - 1) : -1;
  if (second >= 0) caption = caption.mid(second + 1);
  caption.replace(QLatin1Char('|'), QLatin1Char('\t'));
  auto* item = new QAction(caption, PopupMenu1);
  item->setData(QVariant::fromValue<void*>(column));
  PopupMenu1->insertAction(PopupMenu1->actions().value(0), item);
  column->SetVisible(false);
  ToolButton1->setEnabled(true);
}

void TMonthlyCombinedReport::ToolButton1Click() {
  const QList<QAction*> items = PopupMenu1->actions();
  if (!items.isEmpty()) delete items.first();
  const int shown = DBGridEh1->ShownColumns().Count();
  if (shown < DBGridEh1->Columns()->Count()) DBGridEh1->Columns()->Items(shown)->SetVisible(true);
  ToolButton1->setEnabled(DBGridEh1->ShownColumns().Count() < DBGridEh1->Columns()->Count());
  ToolButton2->setEnabled(true);
}

void TMonthlyCombinedReport::RestoreHiddenColumn(QAction* item) {
  auto* column = static_cast<TColumnEh*>(item->data().value<void*>());
  const int shown = DBGridEh1->ShownColumns().Count();
  if (DBGridEh1->Columns()->IndexOf(column) >= 0) {
    column->SetIndex(shown);
    column->SetVisible(true);
  }
  item->deleteLater();
  PopupMenu1->removeAction(item);
  ToolButton1->setEnabled(DBGridEh1->ShownColumns().Count() < DBGridEh1->Columns()->Count());
}
