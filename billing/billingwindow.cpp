#include "billing/billingwindow.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QFile>
#include <QFrame>
#include <QToolButton>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/windowparts.h"
#include "billing/estatescope.h"
#include "billing/iteminfo.h"
#include "billing/shoukuan.h"
#include "grid/DBCtrlsEh.h"
#include "shell/bz.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "report/FR_DBSet.h"
#include "shell/dm.h"
#include "grid/DBGridEh.h"
#include "platform/ui.h"
#include "report/FR_Class.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "grid/PrnDbgeh.h"

void WithoutDefaultButton(QDialog* dialog) {
  for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
}

QString TypedDateText(const TDBDateTimeEditEh* editor) {
  const QString text = editor->Text().trimmed();
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }) ? text : QString();
}

TDBDateTimeEditEh* AddSearchDateEditor(QWidget* parent, const char* name) {
  auto* editor = new TDBDateTimeEditEh(parent);
  editor->setObjectName(QString::fromLatin1(name));
  editor->setMinimumWidth(editor->fontMetrics().horizontalAdvance(QStringLiteral("2005-12-31")) + 40);
  return editor;
}

TDBMemo* AddBoundMemo(QWidget* parent, TDataSource* source, const char* name, const char* field, int lines) {
  auto* memo = new TDBMemo(parent);
  memo->setObjectName(QString::fromLatin1(name));
  memo->SetDataSource(source);
  memo->SetDataField(QString::fromUtf8(field));
  memo->setTabChangesFocus(true);
  memo->setFixedHeight(memo->fontMetrics().lineSpacing() * lines + 12);
  return memo;
}

QMenu* AttachGridPopup(QWidget* owner, TCustomDBGridEh* grid, const char* name) {
  auto* menu = new QMenu(owner);
  menu->setObjectName(QString::fromLatin1(name));
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(grid, &QWidget::customContextMenuRequested, menu,
                   [menu, grid](const QPoint& at) { menu->popup(grid->mapToGlobal(at)); });
  return menu;
}

QAction* AddPopupItem(QMenu* menu, const char* name, const QString& caption, std::function<void()> handler) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  QObject::connect(a, &QAction::triggered, menu, Guarded(std::move(handler)));
  return a;
}

TfrReport* AddWindowReport(QWidget* owner, TfrDataset* dataset) {
  auto* report = new TfrReport(owner);
  report->setObjectName(QStringLiteral("frReport1"));
  report->Title = QStringLiteral("gfh");
  report->Dataset = dataset;
  return report;
}

void DesignPrintTemplate(TfrReport* report, const char* right, const QString& fileName) {
  if (!CheckActionRight(right)) return;
  const QString path = ProgramTemplatePath(fileName);
  if (!QFile::exists(path)) {
    MessageBox(QString::fromUtf8("打印文件被破坏，请与程序员联系！"), QString::fromUtf8("提示"), MsgIcon::Exclamation);
    return;
  }
  report->OpenTemplateFile(path);
  report->OpenDesigner();
}

QWidget* AddDetailPanel(QWidget* parent, TDataSource* source, std::initializer_list<DetailField> fields, int perRow,
                        const char* checkField, const char* checkLabel, bool checkEditable) {
  auto* panel = new QGroupBox(parent);
  panel->setObjectName(QStringLiteral("Panel_detail"));
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(6, 4, 6, 4);
  int at = 0;
  for (const DetailField& f : fields) {
    const int row = at / perRow, col = (at % perRow) * 2;
    auto* label = new QLabel(QString::fromUtf8(f.label), panel);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* editor = new TDBEditEh(panel);
    editor->setObjectName(QStringLiteral("DBEdit_") + QString::fromUtf8(f.field));
    editor->SetDataSource(source);
    editor->SetDataField(QString::fromUtf8(f.field));
    editor->SetReadOnly(true);
    grid->addWidget(label, row, col);
    grid->addWidget(editor, row, col + 1);
    ++at;
  }
  if (checkField) {
    auto* check = new TDBCheckBoxEh(panel);
    check->setObjectName(QStringLiteral("DBCheckBox_") + QString::fromUtf8(checkField));
    check->Caption = QString::fromUtf8(checkLabel);
    check->SetDataSource(source);
    check->SetDataField(QString::fromUtf8(checkField));
    check->SetReadOnly(!checkEditable);
    grid->addWidget(check, at / perRow, (at % perRow) * 2 + 1);
  }
  for (int c = 1; c < perRow * 2; c += 2) grid->setColumnStretch(c, 1);
  return panel;
}

std::vector<FormulaPage> BillFormulaPages() {
  return {{ChargeFormula::Area, {{"单价：", "单价", "元/平方米* 面积"}, {"", "面积或数量", "平方米= 金额"}, {"", "收费金额", "元"}}},
          {ChargeFormula::Meter,
           {{"单价：", "单价", "元/单位 (本月表数："}, {"", "本月表数", "- 上月表数："}, {"", "上月表数", ") = 金额："},
            {"", "收费金额", "元"}}},
          {ChargeFormula::Direct, {{"金额：", "单价", "= 应缴费用："}, {"", "收费金额", "元"}}},
          {ChargeFormula::Quantity, {{"单价：", "单价", "元/单位  数量："}, {"", "面积或数量", "= 应缴费用："}, {"", "收费金额", "元"}}},
          {ChargeFormula::Ratio, {{"比例：", "单价", "* 金额："}, {"", "面积或数量", "= 应缴费用："}, {"", "收费金额", "元"}}}};
}

std::vector<FormulaPage> StandardFormulaPages() {
  return {{ChargeFormula::Area, {{"单价：", "单价", "元/平方米     面积："}, {"", "预付金额", "平方米    金额："}, {"", "金额", "元"}}},
          {ChargeFormula::Meter,
           {{"单价：", "单价", "元/单位  (本月表数："}, {"", nullptr, "-上月表数："}, {"", nullptr, ") = 金额："}, {"", "金额", "元"}}},
          {ChargeFormula::Direct, {{"金额：", "单价", "= 应缴费用："}, {"", "金额", "元"}}},
          {ChargeFormula::Quantity, {{"单价：", "单价", "元/单位     数量："}, {"", "预付金额", "= 应缴费用："}, {"", "金额", "元"}}},
          {ChargeFormula::Ratio, {{"比例：", "单价", "*  金额："}, {"", "预付金额", "=  应缴费用："}, {"", "金额", "元"}}}};
}

QTabWidget* AddFormulaPages(QWidget* parent, TDataSource* source, const std::vector<FormulaPage>& pages,
                            const char* itemField, const char* remarkField) {
  auto* control = new QTabWidget(parent);
  control->setObjectName(QStringLiteral("PageControl1"));
  int number = 0;
  for (const FormulaPage& p : pages) {
    ++number;
    auto* page = new QWidget(control);
    page->setObjectName(QStringLiteral("TabSheet%1").arg(number));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(6, 4, 6, 4);
    if (itemField) {
      auto* item = new TDBEditEh(page);
      item->setObjectName(QStringLiteral("DBEdit_item%1").arg(number));
      item->SetDataSource(source);
      item->SetDataField(QString::fromUtf8(itemField));
      item->SetReadOnly(true);
      auto* top = new QHBoxLayout();
      top->addWidget(new QLabel(QString::fromUtf8("收费项目："), page));
      top->addWidget(item);
      top->addStretch(1);
      column->addLayout(top);
    }
    auto* line = new QHBoxLayout();
    for (const FormulaEditor& e : p.editors) {
      if (*e.before) line->addWidget(new QLabel(QString::fromUtf8(e.before), page));
      auto* editor = new TDBNumberEditEh(page);
      editor->SetDecimalPlaces(4);
      editor->setMinimumWidth(90);
      if (e.field) {
        editor->setObjectName(QStringLiteral("DBNumberEdit_%1_").arg(number) + QString::fromUtf8(e.field));
        editor->SetDataSource(source);
        editor->SetDataField(QString::fromUtf8(e.field));
      } else {
        editor->setEnabled(false);
      }
      line->addWidget(editor);
      if (*e.after) line->addWidget(new QLabel(QString::fromUtf8(e.after), page));
    }
    line->addStretch(1);
    column->addLayout(line);
    if (remarkField) {
      auto* remark = new TDBEditEh(page);
      remark->setObjectName(QStringLiteral("DBEdit_remark%1").arg(number));
      remark->SetDataSource(source);
      remark->SetDataField(QString::fromUtf8(remarkField));
      auto* bottom = new QHBoxLayout();
      bottom->addWidget(new QLabel(QString::fromUtf8("备注："), page));
      bottom->addWidget(remark, 1);
      column->addLayout(bottom);
    }
    control->addTab(page, p.formula);
  }
  return control;
}

void ShowFormulaPage(QTabWidget* pages, const QString& formula) {
  for (int i = 0; i < pages->count(); ++i)
    if (pages->tabText(i) == formula && pages->currentIndex() != i) {
      const QSignalBlocker quiet(pages);
      pages->setCurrentIndex(i);
    }
}

void AddPaymentBillColumns(TCustomDBGridEh* grid, TDataSet* bills, bool countHouses) {
  const struct {
    const char* field;
    const char* title;
    int width;
  } columns[] = {{"房屋代码", "", 80},  {"业主名称", "", 80},       {"收费名称", "", 90},  {"单价", "单价(比例)", 80},
                 {"本月表数", "", 75},  {"上月表数", "", 75},       {"面积或数量", "面积/数量/金额", kBasisColumnWidth},
                 {"收费金额", "", 90},  {"开始日期", "", 85},       {"结束日期", "", 85},  {"计算公式", "", 140},
                 {"缴费状态", "", 75},  {"单据号码", "", 90},       {"缴费时间", "", 135}, {"缴费人", "", 70},
                 {"收款人", "", 70},    {"备注", "", 140}};
  for (const auto& c : columns) {
    TColumnEh* column = AddGridColumn(grid, QString::fromUtf8(c.field), QString::fromUtf8(c.title), true, c.width);
    const QString field = QString::fromUtf8(c.field);
    if (field == QString::fromUtf8("收费金额")) column->Footer()->SetValueType(fvtSum);
    if (countHouses && field == QString::fromUtf8("房屋代码")) column->Footer()->SetValueType(fvtCount);
    if (!countHouses && field == QString::fromUtf8("收费名称")) {
      SetFooterText(column, QString::fromUtf8("合计"));
    }
  }
  grid->OnGetCellParams = [bills](QObject*, TColumnEh*, TFontEh& font, TColor&, TGridDrawState) {
    PaintStatusRows(bills, QString::fromUtf8("缴费状态"), QString::fromUtf8("未缴费"), font);
  };
}

void SetFooterText(TColumnEh* column, const QString& text) {
  column->Footer()->SetValueType(fvtStaticText);
  column->Footer()->SetValue(text);
}

void AddMonthBillColumns(TCustomDBGridEh* grid, bool paymentColumns) {
  const struct {
    const char* field;
    const char* title;
    int width;
    bool payment;
  } columns[] = {{"收费名称", "", 90, false},  {"单价", "单价(比例)", 80, false}, {"本月表数", "", 75, false},
                 {"上月表数", "", 75, false},  {"面积或数量", "面积/数量/金额", kBasisColumnWidth, false},
                 {"收费金额", "", 90, false},  {"开始日期", "", 85, false},   {"结束日期", "", 85, false},
                 {"计算公式", "", 140, false}, {"房屋代码", "", 80, false},   {"业主名称", "", 80, false},
                 {"缴费状态", "", 75, true},   {"单据号码", "", 90, true},    {"备注", "", 140, false}};
  for (const auto& c : columns) {
    if (c.payment && !paymentColumns) continue;
    TColumnEh* column = AddGridColumn(grid, QString::fromUtf8(c.field), QString::fromUtf8(c.title), false, c.width);
    if (QString::fromUtf8(c.field) == QString::fromUtf8("收费名称")) SetFooterText(column, QString::fromUtf8("合计"));
    if (QString::fromUtf8(c.field) == QString::fromUtf8("收费金额")) column->Footer()->SetValueType(fvtSum);
  }
}

NoticePrintParts AddNoticePrintParts(QWidget* owner) {
  NoticePrintParts parts;
  auto localQuery = [owner](const char* name) {
    auto* q = new TADOQuery(owner);
    q->setObjectName(QString::fromLatin1(name));
    q->SetConnection(Dm1->db_local);
    return q;
  };
  parts.q_tongyong = localQuery("q_tongyong");
  parts.ds_tongyong = new TDataSource(owner);
  parts.ds_tongyong->SetDataSet(parts.q_tongyong);
  parts.q_biao2 = localQuery("q_biao2");
  // They read the print tables from the start, as a print leaves them: the notice's preview in
  // the designer shows what the last print wrote (or nothing) before anything is printed.
  parts.q_tongyong->SQL.Add(QString::fromUtf8("select * from 收费明细表"));
  parts.q_biao2->SQL.Add(QString::fromUtf8("select * from 表2 order by xh"));
  parts.frDS_HT = new TfrDBDataSet(owner);
  parts.frDS_HT->setObjectName(QStringLiteral("frDS_HT"));
  parts.frDS_HT->SetDataSource(parts.ds_tongyong);
  parts.frDS_biao2 = new TfrDBDataSet(owner);
  parts.frDS_biao2->setObjectName(QStringLiteral("frDS_biao2"));
  parts.frDS_biao2->SetDataSet(parts.q_biao2);
  parts.frReport1 = AddWindowReport(owner, parts.frDS_HT);
  return parts;
}

QComboBox* AddPickList(QWidget* parent, const char* name, const QStringList& items) {
  QComboBox* list = AddEditableList(parent, name);
  list->addItems(items);
  list->setCurrentText(QString());
  return list;
}

QStringList EstateFieldValues(const QString& table, const QString& field, const QString& orderBy) {
  return SearchFieldValues(EstateScopedSelect(QString::fromUtf8("select * from ") + table, QStringLiteral("order by ") + orderBy),
                           field);
}

TDBGridEh* AddScratchListGrid(QWidget* owner, std::function<void()> sortChanged) {
  TDBGridEh* grid = NewListGrid(owner, "DBGridEh1", Dm1->ds_tongyong);
  grid->OnSortMarkingChanged = [changed = std::move(sortChanged)](QObject*) { Guard(changed); };
  return grid;
}

void CountRowsInFooter(TColumnEh* column) {
  column->Footer()->SetValueType(fvtCount);
  column->Footer()->SetAlignment(taCenter);
}

void PlaceScratchList(QWidget* window, QWidget* bar, QWidget* filter, QWidget* grid) {
  auto* column = new QVBoxLayout(window);
  column->addWidget(bar);
  column->addWidget(filter);
  column->addWidget(grid, 1);
  window->resize(1000, 640);
}

void AddDistinctNames(QComboBox* box, const QStringList& sqlLines, const QString& field) {
  for (const QString& name : SearchFieldValues(sqlLines, field))
    if (box->findText(name, Qt::MatchFixedString) < 0) box->addItem(name);
}

void FillBuildingAndUnitLists(QComboBox* buildings, QComboBox* units) {
  const QString estate = GardenScoped
                             ? QString::fromUtf8("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + QStringLiteral(")\n")
                             : QString();
  buildings->clear();
  AddDistinctNames(buildings, {QString::fromUtf8("select * from 楼宇资料 \n") + estate + QString::fromUtf8("order by 楼宇名称")},
                   QString::fromUtf8("楼宇名称"));
  buildings->setCurrentText(QString());
  units->clear();
  AddDistinctNames(units, {QString::fromUtf8("select * from 关联单位 \n") + estate}, QString::fromUtf8("关联单位"));
  units->setCurrentText(QString());
}

void CloseScratchList() { Dm1->q_tongyong->Close(); }

QLineEdit* AddLineEdit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

QComboBox* AddEditableList(QWidget* parent, const char* name) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setEditable(true);
  return list;
}

HouseRowsQueries AddHouseRowsQueries(QObject* owner, const char* rowsName, std::function<void()> rowsFollow) {
  HouseRowsQueries q;
  q.houses = NewQuery(owner, "q_houseinfo", Dm1->ADO_system);
  q.housesSource = NewDataSource(owner, nullptr, q.houses);
  q.rows = NewQuery(owner, rowsName, Dm1->ADO_system);
  q.rowsSource = NewDataSource(owner, nullptr, q.rows);
  q.houses->AfterScroll = [rowsFollow](TDataSet*) { rowsFollow(); };
  q.houses->AfterOpen = [rowsFollow](TDataSet*) { rowsFollow(); };
  return q;
}

TDBGridEh* AddHouseListGrid(QWidget* owner, TDataSource* houses, HouseListSort sort, bool multiSelect,
                            std::function<void()> sortChanged) {
  TDBGridEh* grid = NewListGrid(owner, "DBGridEh1", houses, 0);
  if (multiSelect) grid->SetOptions(grid->Options() | dgMultiSelect);
  AddGridColumn(grid, QString::fromUtf8("楼宇名称"), QString(), sort == HouseListSort::AllColumns, 90);
  AddGridColumn(grid, QString::fromUtf8("房屋代码"), QString(), true, 80);
  AddGridColumn(grid, QString::fromUtf8("业主名称"), QString(), true, 90);
  grid->OnSortMarkingChanged = [changed = std::move(sortChanged)](QObject*) { Guard(changed); };
  return grid;
}

HouseSearchEditors AddHouseSearchEditors(QHBoxLayout* row, QWidget* parent) {
  HouseSearchEditors e;
  e.house = AddLineEdit(parent, "Edit1");
  e.owner = AddLineEdit(parent, "Edit3");
  SetImeName(e.owner, CurrentOperatorIme);
  e.building = AddEditableList(parent, "DBComboBoxEh3");
  AddCaptionedEditors(row, parent, {{"房屋代码：", e.house}, {"业主名称：", e.owner}, {"楼宇名称：", e.building}});
  return e;
}

HouseSearchRow AddHouseSearchRow(QWidget* owner) {
  HouseSearchRow r;
  r.frame = new QFrame(owner);
  auto* row = new QHBoxLayout(r.frame);
  r.editors = AddHouseSearchEditors(row, r.frame);
  r.search = NewToolButton(r.frame, row, "SpeedButton1", QString::fromUtf8("查找"));
  row->addStretch(1);
  return r;
}

TSearchConditions HouseSearchConditions(const QString& house, const QString& owner, const QString& building) {
  TSearchConditions where;
  where.Contains(QString::fromUtf8("房屋代码"), house.trimmed())
      .Contains(QString::fromUtf8("业主名称"), owner.trimmed())
      .Equals(QString::fromUtf8("楼宇名称"), building.trimmed());
  return where;
}

bool SearchRows(TADOQuery* rows, const QString& select, const TSearchConditions& where, const QString& orderBy) {
  QStringList lines{select};
  if (!where.IsEmpty()) lines << QStringLiteral(" where ") + where.Text();
  lines << orderBy;
  ReopenQuery(rows, lines);
  if (!rows->IsEmpty()) return true;
  ShowInformation(QString::fromUtf8("没有找到合适的记录！"));
  return false;
}

QDateEdit* AddPaymentDatePicker(QHBoxLayout* row, QWidget* parent, const QString& format) {
  row->addWidget(new QLabel(QString::fromUtf8("缴费时间："), parent));
  auto* picker = new QDateEdit(QDate::currentDate(), parent);
  picker->setObjectName(QStringLiteral("DateTimePicker1"));
  picker->setDisplayFormat(format);
  row->addWidget(picker);
  return picker;
}

void ShowPaidStateWords(QLabel* unpaid, QLabel* paid, TDataSet* bills) {
  const bool rows = bills->Active() && !bills->IsEmpty();
  const bool isUnpaid =
      rows && bills->FieldByName(QString::fromUtf8("缴费状态"))->AsString() == QString::fromUtf8("未缴费");
  unpaid->setVisible(rows && isUnpaid);
  paid->setVisible(rows && !isUnpaid);
}

void PlaceHousesBeside(QWidget* window, std::initializer_list<QWidget*> top, QWidget* houses,
                       std::initializer_list<QWidget*> right) {
  auto* body = new QHBoxLayout();
  body->addWidget(houses, 1);
  if (right.size() == 1) {
    body->addWidget(*right.begin(), 3);
  } else {
    auto* side = new QVBoxLayout();
    for (QWidget* w : right) side->addWidget(w, w == *(right.end() - 1) ? 1 : 0);
    body->addLayout(side, 3);
  }
  auto* column = new QVBoxLayout(window);
  for (QWidget* w : top) column->addWidget(w);
  column->addLayout(body, 1);
}

TDBGridEh* AddPaymentBillGrid(QWidget* owner, TDataSource* source, TDataSet* bills, bool countHouses,
                              std::function<void()> sortChanged) {
  TDBGridEh* grid = NewListGrid(owner, "DBGridEh1", source, 1);
  grid->SetOptions(grid->Options() | dgMultiSelect);
  AddPaymentBillColumns(grid, bills, countHouses);
  grid->OnSortMarkingChanged = [changed = std::move(sortChanged)](QObject*) { Guard(changed); };
  return grid;
}

bool ShowFoundRows(TADOQuery* rows, const QStringList& sqlLines) {
  rows->Close();
  rows->SQL.Clear();
  for (const QString& line : sqlLines) rows->SQL.Add(line);
  rows->Open();
  return !(rows->IsEmpty() && MessageDlg(QString::fromUtf8("没有找到合适的记录,是否重新查找!!"), mtConfirmation,
                                         {mrYes, mrNo}, mrYes) == mrYes);
}

void FillBuildingList(QComboBox* box) {
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(QString::fromUtf8("select * from 楼宇资料 "));
  if (GardenScoped) s->SQL.Add(QString::fromUtf8("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + QString::fromUtf8(")"));
  s->SQL.Add(QString::fromUtf8("order by 楼宇名称 "));
  s->Open();
  box->clear();
  // Each name once: several estates may keep a building of the same name.
  for (s->First(); !s->Eof(); s->Next()) {
    const QString name = s->FieldByName(QString::fromUtf8("楼宇名称"))->AsString();
    if (box->findText(name, Qt::MatchFixedString) < 0) box->addItem(name);
  }
  box->setCurrentText(QString());
  s->Close();
}

QStringList DistinctSearchValues(const QString& sql, const char* field) {
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(sql);
  s->Open();
  // Each name once: several estates may keep a building or a unit of the same name.
  QStringList items;
  for (s->First(); !s->Eof(); s->Next()) {
    const QString name = s->FieldByName(u(field))->AsString();
    if (!items.contains(name, Qt::CaseInsensitive)) items << name;
  }
  s->Close();
  return items;
}

void RereadAtSameRow(TADOQuery* rows) {
  if (rows->State() == dsEdit || rows->State() == dsInsert) rows->Cancel();
  const int at = rows->RecNo();
  rows->Close();
  rows->Open();
  if (!rows->IsEmpty() && at >= 1) rows->SetRecNo(std::min(at, rows->RecordCount()));
}

QToolButton* AddSearchEditors(QHBoxLayout* row, QWidget* parent, std::initializer_list<SearchEditor> editors) {
  std::vector<QWidget*> made;
  for (const SearchEditor& e : editors) {
    if (e.line) made.push_back(*e.line = AddLineEdit(parent, e.name));
    else made.push_back(*e.list = AddEditableList(parent, e.name));
  }
  auto editor = made.begin();
  for (const SearchEditor& e : editors) {
    row->addWidget(new QLabel(QString::fromUtf8(e.caption), parent));
    row->addWidget(*editor++);
  }
  return NewToolButton(parent, row, "bitbtn_seek", u("查找"));
}

QLabel* AddColouredHint(QBoxLayout* row, QWidget* parent, const QString& text, const char* color) {
  auto* hint = new QLabel(text, parent);
  hint->setStyleSheet(u("color: ") + QString::fromUtf8(color) + u(";"));
  row->addWidget(hint);
  return hint;
}

void OpenHouseMonthBills(TADOQuery* bills, TDataSet* houses, const QDate& month, const QString& andCondition) {
  bills->Close();
  bills->SQL.Clear();
  bills->SQL.Add(u("select * from 收费明细表 where ") +
                 EstateHouse(RowEstate(houses), houses->FieldByName(u("房屋代码"))->AsString()) + u("and(年度=") +
                 SqlQuote::Text(QString::number(month.year())) + u(")and(月份=") +
                 SqlQuote::Text(QString::number(month.month())) + u(")") + andCondition);
  bills->SQL.Add(u("order by 收费名称"));
  bills->Open();
}
