#include "billing/houseitem.h"

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include <QTabWidget>

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QToolButton>
#include <QVBoxLayout>

#include "billing/estateitems.h"
#include "billing/estatescope.h"
#include "billing/iteminfo.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

// Reads the whole result of a statement.
TADOQuery* openQuery(TADOQuery& q, TADOConnection* c, const QString& sql) {
  q.SetConnection(c);
  q.SQL.Clear();
  q.SQL.Add(sql);
  q.Open();
  return &q;
}

double houseArea(TDataSet* house, const QString& areaName) {
  static const QStringList known = {u("房屋面积"), u("使用面积"), u("其它面积一"), u("其它面积二"), u("其它面积三"),
                                    u("其它面积四")};
  if (!known.contains(areaName)) return 0;
  TField* f = house->FindField(areaName);
  return f ? f->AsFloat() : 0;
}
}  // namespace

int AssignChargeItems(TADOConnection* connection, const QList<EstateHouseKey>& houses, const QString& item,
                      const QString& operatorName) {
  QString sql = u("select * from 收费项目 where (停止收费='否')");
  if (GardenScoped) sql += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  if (item != kAllChargeItems) sql += u("and(收费名称=") + SqlQuote::Text(item) + u(")");

  static const char* const kInsert =
      "insert into 房屋收费项目 (操作人员, 操作日期, 收费名称, 单价, 计算公式, 收费面积, 收费范围, 收费说明, "
      "收费周期, 收费类别, 楼宇名称, 楼宇单元, 房屋代码, 小区代码, 小区名称, 楼宇代码, 房屋面积, 使用面积, "
      "其它面积一, 业主名称, 预付金额, 金额) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
  const TDateTime now = Now();
  int appended = 0;
  WithWriteTransaction(connection, [&] {
    for (const EstateHouseKey& key : houses) {
      const QString ofHouse = EstateHouse(key.estate, key.house);
      TADOQuery house;
      openQuery(house, connection, u("select * from 房屋资料 where ") + ofHouse);
      if (house.IsEmpty()) continue;
      TADOQuery existing;
      openQuery(existing, connection, u("select 收费名称 from 房屋收费项目 where ") + ofHouse);
      QSet<QString> has;
      for (existing.First(); !existing.Eof(); existing.Next())
        has.insert(existing.Fields()[0]->AsString().toCaseFolded());
      auto h = [&house](const char* f) { return house.FieldByName(u(f))->Value(); };
      // The house's own estate's items (two estates may keep an item of the same name at
      // different prices); an item kept without an estate serves every estate, after the
      // estate's own.
      TADOQuery items;
      openQuery(items, connection, sql + AndItemsOfEstate(key.estate) + OwnItemsFirst());
      for (items.First(); !items.Eof(); items.Next()) {
        auto it = [&items](const char* f) { return items.FieldByName(u(f)); };
        const QString name = it("收费名称")->AsString();
        if (has.contains(name.toCaseFolded())) continue;
        const QString formula = it("计算公式")->AsString();
        Money price = it("单价")->AsMoney();
        if (it("收费类别")->AsString() == u("业主收费金额相同")) price = it("金额")->AsMoney();
        const Money basis = StandardBasis(formula, houseArea(&house, it("收费面积")->AsString()));
        connection->Execute(u(kInsert),
                            {Variant(operatorName), Variant::dateTime(now), Variant(name), Variant(price),
                             Variant(formula), it("收费面积")->Value(), it("收费范围")->Value(), it("收费说明")->Value(),
                             it("收费周期")->Value(), it("收费类别")->Value(), h("楼宇名称"), h("楼宇单元"), h("房屋代码"),
                             h("小区代码"), h("小区名称"), h("楼宇代码"), h("房屋面积"), h("使用面积"), h("其它面积一"),
                             h("业主名称"), Variant(basis), Variant(price * basis)});
        has.insert(name.toCaseFolded());
        ++appended;
      }
    }
  });
  return appended;
}

// ---------------------------------------------------------------------------------------

TForm_houseitem::TForm_houseitem(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_houseitem"));
  setWindowTitle(u("房屋收费项目管理"));

  using W = TForm_houseitem;
  InstallHouseRowsQueries(this, &W::t_houseitem, &W::ds_houseitem, "t_houseitem", &W::reloadStandards);
  SetMainDataSet(t_houseitem);
  const auto [bar, row] = NewToolBar<W>(this, kPlainToolBar,
                                        {{&W::bitbtn_additem, "bitbtn_additem", "新增项目", &W::bitbtn_additemClick},
                                         {&W::bitbtn_deleteitem, "bitbtn_deleteitem", "删除项目", &W::bitbtn_deleteitemClick},
                                         {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                         {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  row->addWidget(new QLabel(u("收费项目："), bar));
  ComboBox1 = new QComboBox(bar);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  row->addWidget(ComboBox1);
  AddColouredHint(row, bar, u("提示：可以选择多个业主增加收费项目！\n按Ctrl键+鼠标左键选择相应的业主！"), "#c00000");
  row->addStretch(1);

  auto* search = new QFrame(this);
  auto* srow = new QHBoxLayout(search);
  bitbtn_seek = AddSearchEditors(srow, search,
                                 {{"房屋代码：", "Edit1", &Edit1}, {"业主名称：", "Edit2", &Edit2},
                                  {"楼宇名称：", "ComboBox2", nullptr, &ComboBox2}, {"房屋类型：", "ComboBox3", nullptr, &ComboBox3}});
  AddColouredHint(srow, search, u("操作流程：选择业主 --> 选择收费项目 --> 新增项目 --> 修改收费单价 --> 存盘"), "blue");
  srow->addStretch(1);

  DBGridEh1 = AddHouseListGrid(this, ds_houseinfo, HouseListSort::AllColumns, true,
                               [this] { DBGridEh1SortMarkingChanged(); });
  FitGridWidthToColumns(DBGridEh1);

  // One formula page per formula, always the page of the current standard's formula.
  PageControl1 = AddFormulaPages(this, ds_houseitem, StandardFormulaPages(), "收费名称", "备注");
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { showFormulaPage(); });
  t_houseitem->AfterScroll = [this](TDataSet*) { showFormulaPage(); };
  auto* editors = new QFrame(this);
  auto* erow = new QHBoxLayout(editors);
  erow->setContentsMargins(0, 0, 0, 0);
  SpeedButton_save = AddToolButton(erow, "SpeedButton_save", u("保存"));
  SpeedButton_calc = AddToolButton(erow, "SpeedButton_calc", u("计算"));
  AddColouredHint(erow, editors,
                  u("提示：如果某个收费项目中面积/数量/金额每个月都一样，就可以输入\n"
                    "面积/数量/金额，在每月业主应缴费用管理中系统会自动取数！"),
                  "#c00000");
  erow->addStretch(1);

  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_houseitem);
  SetFooterText(AddGridColumn(DBGridEh2, u("收费名称"), QString(), false, 100), u("记录数"));
  AddGridColumn(DBGridEh2, u("单价"), QString(), false, 70)->Footer()->SetValueType(fvtCount);
  AddGridColumn(DBGridEh2, u("计算公式"));
  AddGridColumn(DBGridEh2, u("预付金额"), u("面积/数量/金额"), false, kBasisColumnWidth);
  for (const char* f : {"收费范围", "收费周期", "收费说明", "收费类别", "房屋代码", "房屋名称", "业主名称"}) AddGridColumn(DBGridEh2, u(f));
  AddGridColumn(DBGridEh2, u("金额"), u(" 应缴费用"));
  AddGridColumn(DBGridEh2, u("备注"));
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh2, u("房屋收费项目明细表"));
  SetListOutput({DBGridEh2, u("房屋收费项目明细表"), PrintDBGridEh1});

  PlaceHousesBeside(this, {bar, search}, DBGridEh1, {PageControl1, editors, DBGridEh2});
  setWindowState(Qt::WindowMaximized);

  ConnectClicks(this, {{bitbtn_seek, &W::bitbtn_seekClick}, {SpeedButton_save, &W::SaveChargeStandard},
                       {SpeedButton_calc, &W::RecalcStandardAmounts}});
  auto* chain = new TEnterChain(this);
  chain->Link(Edit1, Edit2);
  chain->Link(Edit2, Edit1);
  SetImeName(Edit2, CurrentOperatorIme);
}

TForm_houseitem::~TForm_houseitem() { t_houseitem->AfterScroll = nullptr; }

void TForm_houseitem::done(int result) {
  if (q_houseinfo->State() == dsEdit || q_houseinfo->State() == dsInsert) q_houseinfo->Cancel();
  TRecordForm::done(result);
}

void TForm_houseitem::Prepare() {
  const QString estate = GardenScoped ? u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(") ") : QString();
  q_houseinfo->Close();
  q_houseinfo->SQL.Clear();
  q_houseinfo->SQL.Add(u("select * from 房屋资料 "));
  if (GardenScoped) q_houseinfo->SQL.Add(estate);
  q_houseinfo->SQL.Add(u("order by 房屋代码"));
  q_houseinfo->Open();
  auto fill = [](QComboBox* box, const QString& sql, const char* field, const QStringList& first) {
    box->clear();
    box->addItems(first);
    // Each name once: several estates may keep an item or a building of the same name.
    AddDistinctNames(box, {sql}, u(field));
  };
  fill(ComboBox2, u("select * from 楼宇资料 ") + estate + u("order by 楼宇名称 "), "楼宇名称", {});
  fill(ComboBox3, u("select * from 房型信息 order by 名称 "), "名称", {});
  // The search lists start empty: a building or type shown there would narrow 查找.
  ComboBox2->setCurrentIndex(-1);
  ComboBox3->setCurrentIndex(-1);
  QString items = u("select * from 收费项目 where (停止收费='否')");
  if (GardenScoped) items += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  fill(ComboBox1, items, "收费名称", {kAllChargeItems});
  ComboBox1->setCurrentIndex(-1);
}

void TForm_houseitem::showFormulaPage() {
  if (!t_houseitem->Active() || t_houseitem->IsEmpty()) return;
  ShowFormulaPage(PageControl1, t_houseitem->FieldByName(u("计算公式"))->AsString());
}

void TForm_houseitem::reloadStandards() {
  if (t_houseitem->State() == dsEdit || t_houseitem->State() == dsInsert) t_houseitem->Cancel();
  t_houseitem->Close();
  t_houseitem->SQL.Clear();
  const EstateHouseKey house =
      q_houseinfo->Active() && !q_houseinfo->IsEmpty() ? EstateHouseKey::Of(q_houseinfo) : EstateHouseKey{};
  t_houseitem->SQL.Add(u("select * from 房屋收费项目 where ") + EstateHouse(house.estate, house.house));
  t_houseitem->Open();
  showFormulaPage();
}

void TForm_houseitem::bitbtn_seekClick() {
  TSearchConditions where = HouseSearchConditions(Edit1->text(), Edit2->text(), ComboBox2->currentText());
  where.Equals(u("房型"), ComboBox3->currentText().trimmed()).EstateScope();
  SearchRows(q_houseinfo, u("select * from 房屋资料 "), where, u("order by 房屋代码"));
}

void TForm_houseitem::bitbtn_additemClick() {
  if (!CheckActionRight("编辑权")) return;
  if (t_houseitem->State() == dsEdit || t_houseitem->State() == dsInsert) t_houseitem->Cancel();
  if (!q_houseinfo->Active() || q_houseinfo->IsEmpty()) {
    ShowNotice(u("没有指定房屋代码!"));
    return;
  }
  if (ComboBox1->currentText().isEmpty()) {
    ShowNotice(u("没有选择收费项目，请选择！"));
    ComboBox1->setFocus();
    return;
  }
  DBGridEh1->RememberPosition();
  QList<EstateHouseKey> houses;
  const QString here = q_houseinfo->Bookmark();
  // Only the marked houses the list shows: a mark of a house deleted or filtered away since
  // names no house to change.
  for (const QString& mark : DBGridEh1->MarkedRows()->ReachableBookmarks()) {
    q_houseinfo->SetBookmark(mark);
    houses << EstateHouseKey::Of(q_houseinfo);
  }
  if (!here.isEmpty()) q_houseinfo->SetBookmark(here);
  AssignChargeItems(Dm1->ADO_system, houses, ComboBox1->currentText(), CurrentOperatorName);
  reloadStandards();
  DBGridEh1->CurrentSelection()->Unselect();
  ShowNotice(u("增加完毕！"));
}

void TForm_houseitem::bitbtn_deleteitemClick() { RecordDelete(t_houseitem, "删除权", true); }

void SaveChargeStandard(TADOQuery* standards) {
  if (!CheckActionRight("编辑权")) return;
  if (!standards->Active() || standards->IsEmpty()) return;
  if (standards->State() == dsBrowse) standards->Edit();
  standards->UpdateRecord();
  auto f = [standards](const char* name) { return standards->FieldByName(u(name)); };
  const QString formula = f("计算公式")->AsString();
  if (formula == ChargeFormula::Meter) f("预付金额")->SetAsMoney(Money());
  if (formula == ChargeFormula::Direct) f("预付金额")->SetAsMoney(Money::fromInt(1));
  f("金额")->SetAsMoney(f("单价")->AsMoney() * f("预付金额")->AsMoney());
  f("操作人员")->SetAsString(CurrentOperatorName);
  f("操作日期")->SetAsDateTime(Now());
  standards->Post();
  ShowNotice(u("存盘完毕！"));
}

void RecalcStandardAmounts(TADOQuery* standards) {
  if (!CheckActionRight("编辑权")) return;
  if (!standards->Active() || standards->IsEmpty()) return;
  standards->UpdateRecord();
  standards->CheckBrowseMode();
  standards->DisableControls();
  try {
    for (standards->First(); !standards->Eof(); standards->Next()) {
      standards->Edit();
      standards->FieldByName(u("金额"))->SetAsMoney(standards->FieldByName(u("单价"))->AsMoney() *
                                                    standards->FieldByName(u("预付金额"))->AsMoney());
      standards->Post();
    }
    standards->First();
  } catch (...) {
    standards->EnableControls();
    throw;
  }
  standards->EnableControls();
  ShowNotice(u("计算完毕！"));
}

void TForm_houseitem::SaveChargeStandard() { ::SaveChargeStandard(t_houseitem); }
void TForm_houseitem::RecalcStandardAmounts() { ::RecalcStandardAmounts(t_houseitem); }

void TForm_houseitem::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_houseinfo); }

void OpenHouseChargeStandardsCommand(QWidget* owner) {
  auto* window = new TForm_houseitem(owner);
  window->Prepare();
  RunModal(window);
  window->q_houseinfo->Close();
  window->t_houseitem->Close();
  delete window;
  Dm1->q_houseitem->Close();
}
