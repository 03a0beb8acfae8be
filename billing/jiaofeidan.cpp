#include "billing/jiaofeidan.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include "billing/estateitems.h"
#include "billing/estatescope.h"
#include "billing/jiaofei.h"
#include "billing/jiaofeiguanli_fast.h"
#include "billing/notice.h"
#include "billing/shoukuan.h"
#include "billing/shoukuan_window.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QToolButton>
#include <QVBoxLayout>

#include "billing/jiaofei.h"
#include "billing/jiaofeidan_edit.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

TForm_jiaofeidan_duoyue* Form_jiaofeidan_duoyue = nullptr;

namespace {
QString monthKey(const QString& item, const QString& year, const QString& month) {
  return item.toCaseFolded() + QLatin1Char('\t') + year + QLatin1Char('\t') + month;
}

struct Standard {
  Variant price, formula, area, amount, basis;
};
}  // namespace

MonthSpan MonthWindow(int year, int month) {
  return {FirstDayOfMonth(year, month), LastDayOfMonth(year, month)};
}

QVector<BillMonth> BillMonthsBetween(int y1, int m1, int y2, int m2) {
  QVector<BillMonth> months;
  for (int y = y1; y <= y2; ++y)
    for (int m = 1; m <= 12; ++m) {
      if (y == y1 && m < m1) continue;
      if (y == y2 && m > m2) continue;
      months.append({y, m});
    }
  return months;
}

BillGeneration GenerateBills(TADOConnection* connection, const QVector<BillHouse>& houses, const QString& item,
                             const QVector<BillMonth>& months, const QString& operatorName, TDateTime now) {
  BillGeneration result;
  // The items of each estate, read once per estate: a house is billed for its own estate's
  // items (two estates may keep the same names).
  QHash<QString, QStringList> itemsOfEstate;
  auto itemsOf = [&](const QString& estate) -> const QStringList& {
    auto found = itemsOfEstate.constFind(estate);
    if (found != itemsOfEstate.constEnd()) return *found;
    TADOQuery q;
    q.SetConnection(connection);
    q.SQL.Add(u("select 收费名称 from 收费项目 "));
    q.SQL.Add(item.isEmpty() ? u("where (收费名称 like '%')") : u("where (收费名称=") + SqlQuote::Text(item) + u(")"));
    if (GardenScoped) q.SQL.Add(GardenCondition());
    q.SQL.Add(AndItemsOfEstate(estate));
    q.SQL.Add(OwnItemsFirst());
    q.Open();
    QStringList names;
    for (q.First(); !q.Eof(); q.Next()) {
      const QString name = q.Fields()[0]->AsString();
      if (!names.contains(name, Qt::CaseInsensitive)) names << name;
    }
    return *itemsOfEstate.insert(estate, names);
  };
  // One prepared insert, run once per row: the connection keeps it prepared. (A statement
  // of many rows would make SQLite keep a statement journal of every page it touches, so
  // that a failing row could take back only its own statement.)
  static const QString insert = u("insert into 收费明细表 (收费名称, 单价, 计算公式, 收费面积, 收费金额, 面积或数量, "
                                  "本月表数, 上月表数, 开始日期, 结束日期, 年度, 月份, 关联单位, 房屋代码, 小区代码, "
                                  "小区名称, 楼宇代码, 业主名称, 楼宇名称, 楼宇单元, 缴费状态, 操作人员, 操作日期) "
                                  "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  std::vector<Variant> values;
  values.reserve(23);
  // The month windows and texts once for the whole run.
  struct MonthText {
    QString year, month;
    Variant first, last;
  };
  QVector<MonthText> monthTexts;
  for (const BillMonth& m : months) {
    const MonthSpan span = MonthWindow(m.year, m.month);
    monthTexts.append({QString::number(m.year), QString::number(m.month), Variant::dateTime(span.first),
                       Variant::dateTime(span.last)});
  }
  const Variant stamp = Variant::dateTime(now);
  const Variant unpaid(u(kUnpaid));

  WithWriteTransaction(connection, [&] {
    for (const BillHouse& house : houses) {
      const QString ofHouse = EstateHouse(house.gardenCode, house.code);
      QHash<QString, Standard> standards;
      {
        TADOQuery q;
        q.SetConnection(connection);
        q.SQL.Add(u("select 收费名称, 单价, 计算公式, 收费面积, 金额, 预付金额 from 房屋收费项目 where ") + ofHouse);
        q.Open();
        for (q.First(); !q.Eof(); q.Next()) {
          const QString name = q.Fields()[0]->AsString().toCaseFolded();
          if (standards.contains(name)) continue;  // the first standard of an item counts
          standards.insert(name, {q.Fields()[1]->Value(), q.Fields()[2]->Value(), q.Fields()[3]->Value(),
                                  q.Fields()[4]->Value(), q.Fields()[5]->Value()});
        }
      }
      QSet<QString> existing;
      {
        TADOQuery q;
        q.SetConnection(connection);
        q.SQL.Add(u("select 收费名称, 年度, 月份 from 收费明细表 where ") + ofHouse);
        q.Open();
        for (q.First(); !q.Eof(); q.Next())
          existing.insert(monthKey(q.Fields()[0]->AsString(), q.Fields()[1]->AsString(), q.Fields()[2]->AsString()));
      }
      for (const QString& name : itemsOf(house.gardenCode)) {
        auto found = standards.constFind(name.toCaseFolded());
        if (found == standards.constEnd()) {
          result.missingStandards << house.code + QLatin1Char('\t') + name;
          continue;
        }
        const Standard& s = *found;
        const Money basisMoney = s.basis.isNullOrEmpty() ? Money() : s.basis.toMoney();
        const Money priceMoney = s.price.isNullOrEmpty() ? Money() : s.price.toMoney();
        const Variant basis(basisMoney.toDouble());
        // 收费金额 = 单价 × 面积或数量, the standard's 金额 whenever the standard is consistent.
        const Variant amount(priceMoney * basisMoney);
        for (const MonthText& m : monthTexts) {
          const QString key = monthKey(name, m.year, m.month);
          if (existing.contains(key)) continue;
          values = {Variant(name), s.price, s.formula, s.area, amount, basis, Variant(0.0),
                    Variant(0.0), m.first, m.last, Variant(m.year), Variant(m.month),
                    Variant(house.company), Variant(house.code), Variant(house.gardenCode),
                    Variant(house.gardenName), Variant(house.buildingCode), Variant(house.owner),
                    Variant(house.buildingName), Variant(house.unit), unpaid,
                    Variant(operatorName), stamp};
          connection->Execute(insert, values);
          existing.insert(key);
          ++result.appended;
        }
      }
    }
  });
  return result;
}

// ---------------------------------------------------------------------------------------
// The window

TForm_jiaofeidan_duoyue::TForm_jiaofeidan_duoyue(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_jiaofeidan_duoyue"));
  setWindowTitle(u("业主多月应缴费用管理"));
  Form_jiaofeidan_duoyue = this;

  using W = TForm_jiaofeidan_duoyue;
  InstallHouseRowsQueries(this, &W::t_jiaofeidan, &W::ds_jiaofeidan, "t_jiaofeidan", &W::reloadBills);
  SetMainDataSet(t_jiaofeidan);

  const auto [bar, row] = NewToolBar<W>(this, kPlainToolBar,
                                        {{&W::bitbtn_jiaofei, "bitbtn_jiaofei", "正常缴费", &W::PreparePayment},
                                         {&W::bitbtn_fast, "bitbtn_fast", "快速缴费", &W::bitbtn_fastClick},
                                         {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::bitbtn_shouju, "bitbtn_shouju", "打印实收收据", &W::bitbtn_shoujuClick},
                                         {&W::bitbtn_print, "bitbtn_print", "打印收费单", &W::bitbtn_printClick},
                                         {&W::bitbtn_design, "bitbtn_design", "设置收费单", &W::bitbtn_designClick},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  row->addStretch(1);
  // The hints under the tool bar, where they have room.
  auto* hintBar = new QFrame(this);
  auto* hrow = new QHBoxLayout(hintBar);
  hrow->setContentsMargins(6, 0, 6, 0);
  for (const char* text : {"正常缴费只能缴纳一个业主的同一种费用！", "快速缴费可以缴纳一个业主多月不同的费用！",
                           "按Ctrl键+鼠标左键选择相应的业主！", "只能删除未缴费的记录！  红色表示未缴费！"}) {
    AddColouredHint(hrow, hintBar, u(text), "#c00000");
  }
  hrow->addStretch(1);

  // The search panel: the search fields and 查找 with the flow hint under them, the group
  // 快速缴费 beside them.
  auto* search = new QFrame(this);
  auto* srow = new QHBoxLayout(search);
  auto* fields = new QVBoxLayout();
  auto* frowSearch = new QHBoxLayout();
  fields->addLayout(frowSearch);
  srow->addLayout(fields);
  bitbtn_seek = AddSearchEditors(frowSearch, search,
                                 {{"房屋代码：", "Edit1", &Edit1}, {"业主：", "Edit3", &Edit3},
                                  {"楼宇名称：", "DBComboBoxEh3", nullptr, &DBComboBoxEh3},
                                  {"房屋类型：", "DBComboBoxEh2", nullptr, &DBComboBoxEh2}});
  AddColouredHint(fields, search, u("流程：选择业主--> 选择收费项目--> 选择应缴时间--> 新增项目--> 修改收费金额"), "#000080");
  srow->addStretch(1);
  auto* fast = new QGroupBox(u("快速缴费"), search);
  fast->setObjectName(QStringLiteral("GroupBox1"));
  auto* frow = new QHBoxLayout(fast);
  Edit2 = AddLineEdit(fast, "Edit2");
  DBComboBoxEh1 = AddEditableList(fast, "DBComboBoxEh1");
  DBComboBoxEh1->addItems({u("现金"), u("银行转帐"), u("现金+银行转帐"), u("冲抵押金")});
  DBComboBoxEh1->setCurrentText(QString());
  frow->addWidget(new QLabel(u("单据号码："), fast));
  frow->addWidget(Edit2);
  frow->addWidget(new QLabel(u("缴费方式："), fast));
  frow->addWidget(DBComboBoxEh1);
  srow->addWidget(fast);

  auto* gen = new QFrame(this);
  auto* grow = new QHBoxLayout(gen);
  bitbtn_delete = AddToolButton(grow, "bitbtn_delete", u("删除项目"));
  bitbtn_additem = AddToolButton(grow, "bitbtn_additem", u("新增项目"));
  DateTimePicker1 = new QDateEdit(gen);
  DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
  DateTimePicker2 = new QDateEdit(gen);
  DateTimePicker2->setObjectName(QStringLiteral("DateTimePicker2"));
  for (QDateEdit* d : {DateTimePicker1, DateTimePicker2}) d->setDisplayFormat(u("yyyy年MM月"));
  ComboBox1 = new QComboBox(gen);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  grow->addWidget(new QLabel(u("应缴时间从："), gen));
  grow->addWidget(DateTimePicker1);
  grow->addWidget(new QLabel(u("到："), gen));
  grow->addWidget(DateTimePicker2);
  grow->addWidget(new QLabel(u("收费项目："), gen));
  grow->addWidget(ComboBox1);
  grow->addStretch(1);

  DBGridEh1 = AddHouseListGrid(this, ds_houseinfo, HouseListSort::AllColumns, true,
                               [this] { DBGridEh1SortMarkingChanged(); });

  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_jiaofeidan);
  DBGridEh2->SetOptions(DBGridEh2->Options() | dgMultiSelect);
  SetFooterText(AddGridColumn(DBGridEh2, u("收费名称"), QString(), false, 90), u("合计"));
  // Widths of the columns' own: the fields' text sizes would give the short codes (年度,
  // 月份) a few pixels and the formula and state texts half the grid.
  AddGridColumn(DBGridEh2, u("单价"), u("单价(比例)"), false, 80);
  AddGridColumn(DBGridEh2, u("本月表数"), QString(), false, 75);
  AddGridColumn(DBGridEh2, u("上月表数"), QString(), false, 75);
  AddGridColumn(DBGridEh2, u("面积或数量"), u("面积/数量/金额"), false, kBasisColumnWidth);
  AddGridColumn(DBGridEh2, u("收费金额"), QString(), false, 85)->Footer()->SetValueType(fvtSum);
  for (auto [f, width] : {std::pair<const char*, int>{"年度", 50}, {"月份", 45}, {"计算公式", 130}, {"缴费状态", 75},
                          {"房屋代码", 80}, {"业主名称", 80}, {"单据号码", 90}, {"备注", 140}})
    AddGridColumn(DBGridEh2, u(f), QString(), false, width);
  DBGridEh2->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh& font, TColor&, TGridDrawState) {
    PaintStatusRows(t_jiaofeidan, u("缴费状态"), u(kUnpaid), font);
  };
  OnGridDoubleClick(DBGridEh2, [this] { DBGridEh2DblClick(); });
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh2, u("业主应缴费用明细表"));
  // 打印收费单 prints the payment notice (bitbtn_printClick); 导出 writes the bill rows.
  SetListOutput({DBGridEh2, u("业主应缴费用明细表")});

  PopupMenu1 = AttachGridPopup(this, DBGridEh2, "PopupMenu1");
  N1 = AddPopupItem(PopupMenu1, "N1", u("缴纳同一项目费用(按选中的记录)"), [this] { PreparePayment(); });
  N2 = AddPopupItem(PopupMenu1, "N2", u("缴纳不同项目费用(按选中的记录)"), [this] { N2Click(); });
  N3 = AddPopupItem(PopupMenu1, "N3", u("取消收费(按选中的记录)"), [this] { N3Click(); });
  for (QAction* hidden : {N2, N3}) {
    hidden->setVisible(false);
    hidden->setEnabled(false);
  }
  PopupMenu1->addSeparator();
  N4 = AddPopupItem(PopupMenu1, "N4", u("打印澄川交费通知单"), [this] { N4Click(); });
  N5 = AddPopupItem(PopupMenu1, "N5", u("设计澄川交费通知单"), [this] { N5Click(); });

  InstallNoticePrintParts(this);
  q_shoujuhao = NewQuery(this, "q_shoujuhao", Dm1->ADO_system);

  PlaceHousesBeside(this, {bar, hintBar, search}, DBGridEh1, {gen, DBGridEh2});
  setWindowState(Qt::WindowMaximized);

  ConnectClicks(this, {{bitbtn_seek, &W::bitbtn_seekClick}, {bitbtn_additem, &W::GenerateBillRows},
                       {bitbtn_delete, &W::bitbtn_deleteClick}});
  auto* chain = new TEnterChain(this);
  chain->Link(Edit1, Edit3);
  chain->Link(Edit3, Edit1);
  chain->Link(Edit2, Edit1);
  chain->Link(DateTimePicker1, DateTimePicker2);
  chain->Link(DateTimePicker2, ComboBox1);
  SetImeName(Edit3, CurrentOperatorIme);
}

TForm_jiaofeidan_duoyue::~TForm_jiaofeidan_duoyue() {
  if (Form_jiaofeidan_duoyue == this) Form_jiaofeidan_duoyue = nullptr;
}

void TForm_jiaofeidan_duoyue::done(int result) {
  TRecordForm::done(result);
  q_houseinfo->AfterScroll = nullptr;
  q_houseinfo->AfterOpen = nullptr;
  q_houseinfo->Close();
  t_jiaofeidan->Close();
  q_biao2->Close();
  q_tongyong->Close();
}

void TForm_jiaofeidan_duoyue::Prepare() {
  auto fill = [](QComboBox* box, const QString& sql, const char* field) {
    box->clear();
    // Each name once: several estates may keep an item or a building of the same name.
    AddDistinctNames(box, {sql}, u(field));
  };
  const QString estate = GardenScoped ? u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(") ") : QString();
  fill(DBComboBoxEh3, u("select * from 楼宇资料 ") + estate + u("order by 楼宇名称 "), "楼宇名称");
  DBComboBoxEh3->setCurrentIndex(-1);
  fill(DBComboBoxEh2, u("select * from 房型信息 order by 名称 "), "名称");
  DBComboBoxEh2->setCurrentIndex(-1);
  fill(ComboBox1, u("select * from 收费项目 ") + estate + u("order by 收费名称 "), "收费名称");
  ComboBox1->insertItem(0, QString());  // an empty choice: every item
  ComboBox1->setCurrentIndex(0);
  DateTimePicker1->setDate(QDate::currentDate());
  DateTimePicker2->setDate(QDate::currentDate());
}

void TForm_jiaofeidan_duoyue::reloadBills() {
  DBGridEh2->CurrentSelection()->Unselect();
  if (t_jiaofeidan->State() == dsEdit || t_jiaofeidan->State() == dsInsert) t_jiaofeidan->Cancel();
  t_jiaofeidan->Close();
  if (!q_houseinfo->Active() || q_houseinfo->IsEmpty()) return;
  t_jiaofeidan->SQL.Clear();
  t_jiaofeidan->SQL.Add(u("select * from 收费明细表 where ") +
                        EstateHouse(RowEstate(q_houseinfo), q_houseinfo->FieldByName(u("房屋代码"))->AsString()));
  t_jiaofeidan->SQL.Add(u("order by 开始日期 desc"));
  t_jiaofeidan->Open();
}

void TForm_jiaofeidan_duoyue::bitbtn_seekClick() {
  if (!CheckActionRight("查找权")) return;
  TSearchConditions where = HouseSearchConditions(Edit1->text(), Edit3->text(), DBComboBoxEh3->currentText());
  where.Equals(u("房型"), DBComboBoxEh2->currentText().trimmed());
  if (where.IsEmpty()) return;
  SearchRows(q_houseinfo, u("select * from 房屋资料 "), where.EstateScope(), u("order by 房屋代码"));
}

void TForm_jiaofeidan_duoyue::GenerateBillRows() {
  if (!CheckActionRight("编辑权")) return;
  if (!q_houseinfo->Active() || q_houseinfo->IsEmpty()) {
    ShowNotice(u("没有指定房屋代码！"));
    return;
  }
  const QDate from = DateTimePicker1->date();
  const QDate to = DateTimePicker2->date();
  if (from.year() > to.year() || (from.year() == to.year() && from.month() > to.month())) {
    ShowNotice(u("缴费时间从不能大于缴费时间到,请重新输入!"));
    DateTimePicker1->setFocus();
    return;
  }
  DBGridEh1->RememberPosition();
  QVector<BillHouse> houses;
  const QString here = q_houseinfo->Bookmark();
  // Only the marked houses the list shows: a mark of a house deleted or filtered away since
  // names no house to bill.
  const QStringList marks = DBGridEh1->MarkedRows()->ReachableBookmarks();
  q_houseinfo->DisableControls();
  const auto after = q_houseinfo->AfterScroll;
  q_houseinfo->AfterScroll = nullptr;
  try {
    for (const QString& mark : marks) {
      q_houseinfo->SetBookmark(mark);
      auto h = [this](const char* f) { return q_houseinfo->FieldByName(u(f))->AsString(); };
      houses.append({h("房屋代码"), h("小区代码"), h("小区名称"), h("楼宇代码"), h("楼宇名称"), h("楼宇单元"),
                     h("业主名称"), h("关联单位")});
    }
    if (!here.isEmpty()) q_houseinfo->SetBookmark(here);
  } catch (...) {
    q_houseinfo->AfterScroll = after;
    q_houseinfo->EnableControls();
    throw;
  }
  q_houseinfo->AfterScroll = after;
  q_houseinfo->EnableControls();

  const BillGeneration run =
      GenerateBills(Dm1->ADO_system, houses, ComboBox1->currentText().trimmed(),
                    BillMonthsBetween(from.year(), from.month(), to.year(), to.month()), CurrentOperatorName, Now());
  for (const QString& missing : run.missingStandards)
    ShowMessage(u("没有发现房屋代码") + missing.section(QLatin1Char('\t'), 0, 0) +
                u("的收费项目，请先设置业主的收费项目及标准！"));
  reloadBills();
  ShowNotice(u("增加完毕！"));
}

void TForm_jiaofeidan_duoyue::bitbtn_deleteClick() {
  if (!CheckActionRight("删除权")) return;
  if (!t_jiaofeidan->Active() || t_jiaofeidan->IsEmpty()) return;
  if (t_jiaofeidan->FieldByName(u("缴费状态"))->AsString() != u(kUnpaid)) {
    ShowNotice(u("抱歉，该记录已经交费了，不能删除！"));
    return;
  }
  if (!AskYesNo(u("要删除当前记录吗? "))) return;
  DBGridEh2->RememberPosition();
  const QStringList marks = DBGridEh2->MarkedRows()->ReachableBookmarks();
  for (const QString& mark : marks) {
    if (!t_jiaofeidan->BookmarkValid(mark.toLatin1())) continue;
    t_jiaofeidan->SetBookmark(mark);
    if (t_jiaofeidan->FieldByName(u("缴费状态"))->AsString() != u(kUnpaid)) continue;
    try {
      t_jiaofeidan->Delete();
    } catch (const Exception&) {
      if (t_jiaofeidan->State() != dsBrowse) t_jiaofeidan->Cancel();
    }
  }
  DBGridEh2->CurrentSelection()->Unselect();
}

void TForm_jiaofeidan_duoyue::PreparePayment() { preparePayment(true); }
void TForm_jiaofeidan_duoyue::N2Click() { preparePayment(false); }

void TForm_jiaofeidan_duoyue::preparePayment(bool withBalance) {
  if (!CheckActionRight("编辑权")) return;
  if (!t_jiaofeidan->Active() || t_jiaofeidan->IsEmpty()) return;
  auto f = [this](const char* name) { return t_jiaofeidan->FieldByName(u(name)); };
  Money sum;
  QString months;
  bool mixed = false;
  DBGridEh2->RememberPosition();
  QString keyHouse = f("房屋代码")->AsString();
  QString keyItem = f("收费名称")->AsString();
  for (const QString& mark : DBGridEh2->MarkedRows()->ReachableBookmarks()) {
    t_jiaofeidan->SetBookmark(mark);
    const Money amount = f("收费金额")->IsNull() ? Money() : f("收费金额")->AsMoney();
    if (f("缴费状态")->AsString() == u(kUnpaid) && amount > Money()) {
      sum += amount;
      months += f("年度")->AsString() + u("年") + f("月份")->AsString() + u("月;");
    }
    if (f("房屋代码")->AsString() != keyHouse || f("收费名称")->AsString() != keyItem) mixed = true;
    keyHouse = f("房屋代码")->AsString();
    keyItem = f("收费名称")->AsString();
  }
  if (mixed) {
    ShowNotice(u("一次只能缴纳一个业主的同一种费用，请重新选择！"));
    return;
  }
  if (sum == Money()) {
    ShowNotice(u("没有可缴金额！"));
    return;
  }
  const double thisReading = f("本月表数")->AsFloat();
  const QString house = f("房屋代码")->AsString();
  const QString ofHouse = EstateHouse(f("小区代码")->AsString(), house);

  auto* dialog = new TForm_jiaofeidan_jiaofei(this);
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select 零头 from 房屋资料 where ") + ofHouse);
  s->Open();
  const Variant previous = s->IsEmpty() ? Variant::null() : s->Fields()[0]->Value();
  s->Close();

  dialog->q_yajin->Close();
  dialog->q_yajin->SQL.Clear();
  dialog->q_yajin->SQL.Add(u("select * from 押金明细表 where ") + ofHouse);
  dialog->q_yajin->SQL.Add(u("order by 日期"));
  dialog->q_yajin->Open();

  TADOQuery* pay = Dm1->q_sfhzb;
  pay->Close();
  pay->SQL.Clear();
  pay->SQL.Add(u("select * from 收费汇总表 where (楼宇名称=") + SqlQuote::Text(f("楼宇名称")->AsString()) +
               u(")and(收费项目=") + SqlQuote::Text(f("收费名称")->AsString()) + u(")and") + ofHouse);
  pay->Open();
  pay->Append();
  auto p = [pay](const char* name) { return pay->FieldByName(u(name)); };
  p("收费金额")->SetAsMoney(sum);
  p("收费年月")->SetAsString(months);
  p("收费项目")->SetAsString(f("收费名称")->AsString());
  for (const char* copied : {"小区名称", "小区代码", "楼宇代码", "楼宇名称", "楼宇单元", "房屋代码", "业主名称", "关联单位"})
    p(copied)->SetValue(f(copied)->Value());
  if (withBalance) p("上次零头")->SetValue(previous);
  p("单价")->SetValue(f("单价")->Value());
  if (thisReading > 0) {
    p("上期表数")->SetValue(f("上月表数")->Value());
    p("本期表数")->SetValue(f("本月表数")->Value());
  }
  p("行度面积")->SetValue(f("面积或数量")->Value());
  if (withBalance) {
    p("缴费时间")->SetAsDateTime(Now());
    p("缴费人")->SetAsString(f("业主名称")->AsString());
    p("收款人")->SetAsString(CurrentOperatorName);
  }

  RunModal(dialog);
  delete dialog;
  if (pay->State() == dsEdit || pay->State() == dsInsert) pay->Cancel();
  pay->Close();
  // The bill rows as the database holds them now (paid, or unchanged after a failure).
  reloadBills();
}

void TForm_jiaofeidan_duoyue::DBGridEh2DblClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!t_jiaofeidan->Active() || t_jiaofeidan->IsEmpty()) return;
  if (t_jiaofeidan->FieldByName(u("缴费状态"))->AsString() != u(kUnpaid)) {
    ShowNotice(u("抱歉，该收费项目已经缴费了，不能进行修改！"));
    return;
  }
  auto* editor = new TForm_jiaofeidan_duoyue_edit(ds_jiaofeidan, this);
  RunModal(editor);
  delete editor;
  if (t_jiaofeidan->State() == dsEdit || t_jiaofeidan->State() == dsInsert) t_jiaofeidan->Cancel();
}

QStringList TForm_jiaofeidan_duoyue::markedBills() const { return DBGridEh2->MarkedRows()->ReachableBookmarks(); }

void TForm_jiaofeidan_duoyue::bitbtn_fastClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!t_jiaofeidan->Active() || t_jiaofeidan->IsEmpty()) return;
  if (!AskYesNo(u("选中记录确实要缴费吗? "))) return;
  const QString method = DBComboBoxEh1->currentText();
  if (method.isEmpty()) {
    ShowNotice(u("请选择缴费方式！"));
    DBComboBoxEh1->setFocus();
    return;
  }
  // Only the marked bills the list shows: a mark of a bill deleted or filtered away since is
  // passed over, never paid.
  QList<QByteArray> rows;
  for (const QString& mark : DBGridEh2->MarkedRows()->ReachableBookmarks()) rows << mark.toLatin1();
  if (rows.isEmpty()) {
    ShowNotice(u("请先选择收费记录！"));
    DBGridEh2->setFocus();
    return;
  }
  setWindowTitle(QString());
  DBGridEh2->RememberPosition();
  QuickPayRun run;
  try {
    run = QuickPayRows(Dm1->ADO_system, t_jiaofeidan, rows, {method, Edit2->text(), true, CurrentOperatorName, Now()});
  } catch (const Exception& e) {
    ShowPaymentFailure(e);
    reloadBills();
    return;
  }
  setWindowTitle(run.lastMonths);
  ShowNotice(u("缴费完毕！"));
}

void TForm_jiaofeidan_duoyue::bitbtn_shoujuClick() {
  if (!q_houseinfo->Active() || q_houseinfo->IsEmpty()) return;
  auto* receipts = new TForm_jiaofeidan_shouju(this);
  receipts->OpenForHouse(RowEstate(q_houseinfo), q_houseinfo->FieldByName(u("房屋代码"))->AsString());
  RunModal(receipts);
  delete receipts;
}

void TForm_jiaofeidan_duoyue::bitbtn_printClick() {
  if (!CheckActionRight("打印权")) return;
  if (!t_jiaofeidan->Active() || t_jiaofeidan->IsEmpty()) return;
  PrintPaymentNotice(t_jiaofeidan, markedBills(), Dm1->ADO_system, Dm1->db_local, frReport1,
                     ProgramTemplatePath(u("缴费通知单.frf")), QString::number(QDate::currentDate().year()),
                     CurrentOperatorName, ReceiptQueries{q_tongyong, q_biao2, q_shoujuhao});
}

void TForm_jiaofeidan_duoyue::bitbtn_designClick() { DesignPrintTemplate(frReport1, "编辑权", u("缴费通知单.frf")); }

void TForm_jiaofeidan_duoyue::N3Click() {
  if (!CheckActionRight("编辑权")) return;
  if (!AskYesNo(u("确实要取消选中记录的缴费吗? "))) return;
  for (const QString& mark : DBGridEh2->MarkedRows()->ReachableBookmarks()) {
    t_jiaofeidan->SetBookmark(mark);
    if (t_jiaofeidan->FieldByName(u("缴费状态"))->AsString() == u(kUnpaid)) continue;
    t_jiaofeidan->Edit();
    t_jiaofeidan->FieldByName(u("缴费状态"))->SetAsString(u(kUnpaid));
    t_jiaofeidan->Post();
  }
}

void TForm_jiaofeidan_duoyue::N4Click() {
  if (!CheckActionRight("打印权")) return;
  if (!t_jiaofeidan->Active() || t_jiaofeidan->IsEmpty()) return;
  const NoticeOutcome out =
      PrintCustomerNotice(t_jiaofeidan, markedBills(), Dm1->ADO_system, Dm1->db_local, frReport1,
                          ProgramTemplatePath(u("澄川收款收据.frf")), QString::number(QDate::currentDate().year()),
                          QDate::currentDate().toString(u("yyyy-M-d")), ReceiptQueries{nullptr, q_biao2, nullptr});
  // A notice of one month leaves the bill grid without marks.
  if (out.refusal.isEmpty()) DBGridEh2->MarkedRows()->ClearList();
  if (out.printed) setWindowTitle(out.number);
}

void TForm_jiaofeidan_duoyue::N5Click() { DesignPrintTemplate(frReport1, "打印权", u("澄川收款收据.frf")); }

void TForm_jiaofeidan_duoyue::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_houseinfo); }

void OpenBillWindowCommand(QWidget* owner) {
  auto* window = new TForm_jiaofeidan_duoyue(owner);
  window->Prepare();
  RunModal(window);
  delete window;
}
