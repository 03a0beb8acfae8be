#include "billing/jiaofeiguanli_fast.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/windowparts.h"
#include "billing/estatescope.h"
#include "billing/jiaofei.h"
#include "billing/jiaofeidan_edit.h"
#include "billing/jiaofeiguanli_duoyue.h"
#include "billing/billingwindow.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

TForm_jiaofeiguanli_fast* Form_jiaofeiguanli_fast = nullptr;

namespace {
// A payment row being collected: column names and their SQL values.
class PaymentRow {
 public:
  void text(const char* column, const QString& value) { add(column, SqlQuote::Text(value)); }
  void amount(const char* column, Money value) { add(column, SqlQuote::Money(value)); }
  void number(const char* column, double value) { add(column, QString::number(value, 'g', 17)); }
  void date(const char* column, TDateTime value) { add(column, SqlQuote::Date(value)); }
  // Returns the new row's rowid.
  int64_t insert(TADOConnection* db) const {
    db->Execute(u("insert into 收费汇总表 (") + columns_.join(u(", ")) + u(") values (") + values_.join(u(", ")) +
                u(")"));
    return LastInsertedRowId(db);
  }

 private:
  void add(const char* column, const QString& value) {
    columns_ << u(column);
    values_ << value;
  }
  QStringList columns_, values_;
};

QString voucherOf(const QuickPayTerms& terms) { return terms.voucher.isEmpty() ? terms.method : terms.voucher; }

struct HouseFields {
  QString owner, gardenCode, gardenName, buildingCode, buildingName, unit;
  // A payment from the deposit goes through the deposit ledger like any other offset.
  void offsetDeposit(TADOConnection* db, const QString& houseCode, Money amount, const QuickPayTerms& terms,
                     const QString& remark) const {
    if (terms.method != u("冲抵押金")) return;
    const DepositHouseFields fields{{u("小区代码"), gardenCode}, {u("小区名称"), gardenName},
                                    {u("楼宇代码"), buildingCode}, {u("楼宇名称"), buildingName},
                                    {u("楼宇单元"), unit},         {u("业主名称"), owner},
                                    {u("房屋代码"), houseCode}};
    InsertDepositOffset(db, fields, amount, PaymentStamp{terms.method, terms.now, owner, terms.operatorName, voucherOf(terms)},
                        remark);
  }
  void readFrom(TADOQuery* q) {
    owner = q->FieldByName(u("业主名称"))->AsString();
    gardenCode = q->FieldByName(u("小区代码"))->AsString();
    gardenName = q->FieldByName(u("小区名称"))->AsString();
    buildingCode = q->FieldByName(u("楼宇代码"))->AsString();
    buildingName = q->FieldByName(u("楼宇名称"))->AsString();
    unit = q->FieldByName(u("楼宇单元"))->AsString();
  }
};

// Marks the current bill row paid by the run, once the database confirms that no other seat
// paid it meanwhile; returns the row for its link to the payment.
BillRef payBillRow(TADOQuery* bills, const QuickPayTerms& terms) {
  CheckBillStillUnpaid(bills->Connection(), RowEstate(bills), bills->FieldByName(u("房屋代码"))->AsString(),
                       bills->FieldByName(u("收费名称"))->AsString(), bills->FieldByName(u("年度"))->AsString(),
                       bills->FieldByName(u("月份"))->AsString());
  bills->Edit();
  bills->FieldByName(u("缴费状态"))->SetAsString(terms.method);
  bills->FieldByName(u("缴费时间"))->SetAsDateTime(terms.now);
  bills->FieldByName(u("缴费人"))->SetAsString(bills->FieldByName(u("业主名称"))->AsString());
  bills->FieldByName(u("收款人"))->SetAsString(terms.operatorName);
  bills->FieldByName(u("单据号码"))->SetAsString(terms.voucher.isEmpty() ? terms.method : terms.voucher);
  bills->Post();
  return BillRefOf(bills);
}


// Runs `work` in one transaction; on failure rolls back, reads `bills` again and raises again.
template <typename F>
void inOneTransaction(TADOConnection* db, TADOQuery* bills, F work) {
  WithWriteTransaction(db, work, [bills] { RereadAtSameRow(bills); });
}
}  // namespace

QuickPayRun QuickPayRows(TADOConnection* db, TADOQuery* bills, const QList<QByteArray>& rows,
                         const QuickPayTerms& terms) {
  QuickPayRun run;
  auto f = [bills](const char* name) { return bills->FieldByName(u(name)); };
  inOneTransaction(db, bills, [&] {
    Money sum;
    bool collecting = false;  // the group holds at least one paid row
    bool first = true;
    QString months;
    QList<BillRef> taken;  // the group's bill rows, linked once its payment row is written
    // A house is its estate and its code: two estates may keep the same code.
    QString groupHouse, groupItem, groupCompany, groupEstate;
    QString rowHouse, rowItem, rowCompany, rowEstate;
    HouseFields house;
    double area = 0, previous = 0, current = 0;
    auto writeGroup = [&] {
      PaymentRow p;
      p.amount("收费金额", sum);
      p.text("收费年月", months);
      p.text("收费项目", groupItem);
      p.text("小区名称", house.gardenName);
      p.text("小区代码", house.gardenCode);
      p.text("楼宇代码", house.buildingCode);
      p.text("楼宇名称", house.buildingName);
      p.text("楼宇单元", house.unit);
      p.text("房屋代码", groupHouse);
      if (terms.withCompany) p.text("关联单位", groupCompany);
      p.text("业主名称", house.owner);
      p.date("缴费时间", terms.now);
      p.text("缴费方式", terms.method);
      p.amount("现金", sum);
      p.amount("实收金额", sum);
      p.text("缴费人", house.owner);
      p.text("收款人", terms.operatorName);
      p.amount("零头", Money());
      p.text("单据号码", voucherOf(terms));
      p.text("操作人员", terms.operatorName);
      p.date("操作日期", terms.now);
      if (current > 0) {
        p.number("上期表数", previous);
        p.number("本期表数", current);
      }
      p.number("行度面积", area);
      LinkBillsToPayment(db, taken, p.insert(db));
      taken.clear();
      house.offsetDeposit(db, groupHouse, sum, terms, groupItem + months);
      ++run.payments;
      run.lastMonths = months;
    };
    for (const QByteArray& bookmark : rows) {
      bills->GotoBookmark(bookmark);
      const bool unpaid = f("缴费状态")->AsString() == u(kUnpaid);
      if (unpaid) {
        rowHouse = f("房屋代码")->AsString();
        rowEstate = f("小区代码")->AsString();
        rowItem = f("收费名称")->AsString();
        rowCompany = f("关联单位")->AsString();
        if (first) {
          groupHouse = rowHouse;
          groupEstate = rowEstate;
          groupItem = rowItem;
          groupCompany = rowCompany;
          house.readFrom(bills);
          area = f("面积或数量")->AsFloat();
          previous = current = f("上月表数")->AsFloat();
        }
      }
      first = false;
      if (collecting && (rowHouse != groupHouse || rowEstate != groupEstate || rowItem != groupItem)) {
        writeGroup();
        sum = Money();
        collecting = false;
        months.clear();
        groupHouse = rowHouse;
        groupEstate = rowEstate;
        groupItem = rowItem;
        groupCompany = rowCompany;
        previous = f("上月表数")->AsFloat();
        area = f("面积或数量")->AsFloat();
      }
      const Money amount = f("收费金额")->AsMoney();
      if (amount != Money() && unpaid) {
        groupHouse = rowHouse;
        groupEstate = rowEstate;
        groupItem = rowItem;
        groupCompany = rowCompany;
        house.readFrom(bills);
        current = f("本月表数")->AsFloat();
        sum += amount;
        collecting = true;
        months += f("年度")->AsString() + u("年") + f("月份")->AsString() + u("月;");
        taken << payBillRow(bills, terms);
        ++run.billsPaid;
      }
    }
    if (collecting) writeGroup();
  });
  return run;
}

void QuickPayCurrentRow(TADOConnection* db, TADOQuery* bills, const QuickPayTerms& terms) {
  auto f = [bills](const char* name) { return bills->FieldByName(u(name)); };
  inOneTransaction(db, bills, [&] {
    const Money amount = f("收费金额")->AsMoney();
    HouseFields house;
    house.readFrom(bills);
    PaymentRow p;
    p.amount("收费金额", amount);
    p.text("收费年月", f("年度")->AsString() + u("年") + f("月份")->AsString() + u("月;"));
    p.text("收费项目", f("收费名称")->AsString());
    p.text("小区名称", house.gardenName);
    p.text("小区代码", house.gardenCode);
    p.text("楼宇代码", house.buildingCode);
    p.text("楼宇名称", house.buildingName);
    p.text("楼宇单元", house.unit);
    p.text("房屋代码", f("房屋代码")->AsString());
    p.text("关联单位", f("关联单位")->AsString());
    p.text("业主名称", house.owner);
    p.date("缴费时间", terms.now);
    p.text("缴费方式", terms.method);
    p.amount("现金", amount);
    p.amount("实收金额", amount);
    p.text("缴费人", house.owner);
    p.text("收款人", terms.operatorName);
    p.amount("零头", Money());
    p.text("单据号码", voucherOf(terms));
    p.amount("单价", f("单价")->AsMoney());
    if (f("本月表数")->AsFloat() > 0) {
      p.number("上期表数", f("上月表数")->AsFloat());
      p.number("本期表数", f("本月表数")->AsFloat());
    }
    p.number("行度面积", f("面积或数量")->AsFloat());
    const int64_t paymentId = p.insert(db);
    house.offsetDeposit(db, f("房屋代码")->AsString(), amount, terms,
                        f("收费名称")->AsString() + f("年度")->AsString() + u("年") + f("月份")->AsString() + u("月;"));
    LinkBillsToPayment(db, {payBillRow(bills, terms)}, paymentId);
  });
}

// ---------------------------------------------------------------------------------------

TForm_jiaofeiguanli_fast::TForm_jiaofeiguanli_fast(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_jiaofeiguanli_fast"));
  setWindowTitle(u("业主快速缴费管理"));
  Form_jiaofeiguanli_fast = this;
  q_jiaofeidan = NewQuery(this, "q_jiaofeidan", Dm1->ADO_system);
  ds_jiaofeidan = NewDataSource(this, "ds_jiaofeidan", q_jiaofeidan);
  SetMainDataSet(q_jiaofeidan);

  using W = TForm_jiaofeiguanli_fast;
  const auto [bar, row] = NewToolBar<W>(this, kPlainToolBar,
                                        {{&W::SpeedButton3, "SpeedButton3", "查找", &W::SpeedButton3Click},
                                         {&W::bitbtn_edit, "bitbtn_edit", "编辑", &W::bitbtn_editClick},
                                         {&W::bitbtn_delete, "bitbtn_delete", "删除", &W::bitbtn_deleteClick},
                                         {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  row->addWidget(new QLabel(u("缴费方式："), bar));
  DBComboBoxEh1 = AddEditableList(bar, "DBComboBoxEh1");
  DBComboBoxEh1->addItems({u("现金"), u("银行转帐"), u("现金+银行转帐"), u("冲抵押金")});
  DBComboBoxEh1->setCurrentText(QString());
  row->addWidget(DBComboBoxEh1);
  AddColouredHint(row, bar, u("提示：快速缴费按照应缴的金额系统自动生成实缴记录，多用于银行扣款！"), "red; font-weight: bold");
  row->addStretch(1);

  DBGridEh1 =
      AddPaymentBillGrid(this, ds_jiaofeidan, q_jiaofeidan, true, [this] { DBGridEh1SortMarkingChanged(); });
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("业主缴费明细表"));

  PopupMenu1 = AttachGridPopup(this, DBGridEh1, "PopupMenu1");
  AddPopupItem(PopupMenu1, "N1", u("当前记录缴费"), [this] { N1Click(); });
  AddPopupItem(PopupMenu1, "N3", u("选中记录缴费"), [this] { N3Click(); });
  AddPopupItem(PopupMenu1, "N5", u("全部记录缴费"), [this] { N5Click(); })->setVisible(false);
  PopupMenu1->addSeparator();
  AddPopupItem(PopupMenu1, "N4", u("删除当前记录"), [this] { bitbtn_deleteClick(); });
  AddPopupItem(PopupMenu1, "N6", u("删除选中记录"), [this] { N6Click(); });
  AddPopupItem(PopupMenu1, "N7", u("删除全部记录"), [this] { N7Click(); });

  auto* search = new QFrame(this);
  auto* srow = new QHBoxLayout(search);
  auto combo = [search](const char* name, const QStringList& items) {
    auto* c = new QComboBox(search);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->addItems(items);
    c->setCurrentText(QString());
    return c;
  };
  Edit1 = AddLineEdit(search, "Edit1");
  Edit3 = AddLineEdit(search, "Edit3");
  SetImeName(Edit3, CurrentOperatorIme);
  DBComboBoxEh3 = combo("DBComboBoxEh3", {});
  DBComboBoxEh2 = combo("DBComboBoxEh2", {});
  DBComboBoxEh4 = combo("DBComboBoxEh4", BillYearItems());
  DBComboBoxEh5 = combo("DBComboBoxEh5", BillMonthItems());
  for (auto [caption, w] : {std::pair<const char*, QWidget*>{"房屋代码：", Edit1}, {"业主名称：", Edit3},
                            {"楼宇名称：", DBComboBoxEh3}, {"收费名称：", DBComboBoxEh2},
                            {"缴费时间：", DBComboBoxEh4}, {"", DBComboBoxEh5}}) {
    if (*caption) srow->addWidget(new QLabel(u(caption), search));
    srow->addWidget(w);
  }
  SpeedButton1 = AddToolButton(srow, "SpeedButton1", u("查找"));
  srow->addStretch(1);
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(search);
  column->addWidget(DBGridEh1, 1);
  resize(1180, 720);  // room for every column of the list
  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}});
  auto* chain = new TEnterChain(this);
  chain->Link(Edit1, Edit3);
  chain->Link(Edit3, DBComboBoxEh3);
  chain->Action(DBComboBoxEh3, [this] { SpeedButton1Click(); });
  chain->Action(DBComboBoxEh1, [this] { SpeedButton1Click(); });
}

TForm_jiaofeiguanli_fast::~TForm_jiaofeiguanli_fast() {
  q_jiaofeidan->Close();
  if (Form_jiaofeiguanli_fast == this) Form_jiaofeiguanli_fast = nullptr;
}

void TForm_jiaofeiguanli_fast::SpeedButton1Click() {
  if (!CheckActionRight("删除权")) return;
  TSearchConditions where = HouseSearchConditions(Edit1->text(), Edit3->text(), DBComboBoxEh3->currentText());
  where.EstateScope()
      .Equals(u("收费名称"), DBComboBoxEh2->currentText().trimmed())
      .Equals(u("年度"), DBComboBoxEh4->currentText().trimmed())
      .Equals(u("月份"), DBComboBoxEh5->currentText().trimmed());
  SearchRows(q_jiaofeidan, u("select * from 收费明细表"), where, u("order by 房屋代码,收费名称,开始日期"));
}

void TForm_jiaofeiguanli_fast::bitbtn_editClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  if (q_jiaofeidan->FieldByName(u("缴费状态"))->AsString() != u(kUnpaid)) {
    ShowNotice(u("抱歉，该收费项目已经缴费了，不能进行修改！"));
    return;
  }
  auto* editor = new TForm_jiaofeidan_duoyue_edit(ds_jiaofeidan, this, true);
  RunModal(editor);
  delete editor;
  if (q_jiaofeidan->State() == dsEdit || q_jiaofeidan->State() == dsInsert) q_jiaofeidan->Cancel();
}

void TForm_jiaofeiguanli_fast::Prepare() {
  const QString estate = GardenScoped ? u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(") ") : QString();
  auto fill = [](QComboBox* box, const QString& sql, const char* field) {
    TADOQuery* s = Dm1->q_search;
    s->Close();
    s->SQL.Clear();
    s->SQL.Add(sql);
    s->Open();
    box->clear();
    // Each name once: several estates may keep an item or a building of the same name.
    for (s->First(); !s->Eof(); s->Next()) {
      const QString name = s->FieldByName(u(field))->AsString();
      if (box->findText(name, Qt::MatchFixedString) < 0) box->addItem(name);
    }
    box->setCurrentText(QString());
    s->Close();
  };
  fill(DBComboBoxEh3, u("select * from 楼宇资料 ") + estate + u("order by 楼宇名称 "), "楼宇名称");
  fill(DBComboBoxEh2, u("select * from 收费项目 ") + estate + u("order by 小区代码,收费名称 "), "收费名称");
  q_jiaofeidan->Close();
  q_jiaofeidan->SQL.Clear();
  QString first = u("select * from 收费明细表 where (缴费状态='未缴费')");
  if (GardenScoped) first += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  q_jiaofeidan->SQL.Add(first);
  q_jiaofeidan->SQL.Add(u("order by 房屋代码,收费名称,开始日期 "));
  q_jiaofeidan->Open();
}

bool TForm_jiaofeiguanli_fast::startRun(const QString& question, QString* method) {
  if (!CheckActionRight("编辑权")) return false;
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return false;
  if (!AskYesNo(question)) return false;
  *method = DBComboBoxEh1->currentText();
  if (method->isEmpty()) {
    ShowNotice(u("请选择缴费方式！"));
    DBComboBoxEh1->setFocus();
    return false;
  }
  return true;
}

void TForm_jiaofeiguanli_fast::N1Click() {
  QString method;
  if (!startRun(u("当前记录确实要缴费吗? "), &method)) return;
  if (q_jiaofeidan->FieldByName(u("收费金额"))->AsMoney() == Money()) {
    ShowNotice(u("没有可缴金额！"));
    return;
  }
  if (q_jiaofeidan->FieldByName(u("缴费状态"))->AsString() != u(kUnpaid)) {
    ShowNotice(u("已经缴费了，不能重复缴费！"));
    return;
  }
  try {
    QuickPayCurrentRow(Dm1->ADO_system, q_jiaofeidan, {method, QString(), true, CurrentOperatorName, Now()});
  } catch (const Exception& e) {
    ShowPaymentFailure(e);
    return;
  }
  ShowNotice(u("缴费完毕！"));
}

void TForm_jiaofeiguanli_fast::runGroups(const QList<QByteArray>& rows, bool withCompany) {
  setWindowTitle(QString());
  QuickPayRun run;
  try {
    run = QuickPayRows(Dm1->ADO_system, q_jiaofeidan, rows,
                       {DBComboBoxEh1->currentText(), QString(), withCompany, CurrentOperatorName, Now()});
  } catch (const Exception& e) {
    ShowPaymentFailure(e);
    return;
  }
  setWindowTitle(run.lastMonths);
  ShowNotice(u("缴费完毕！"));
}

void TForm_jiaofeiguanli_fast::N3Click() {
  QString method;
  if (!startRun(u("选中记录确实要缴费吗? "), &method)) return;
  DBGridEh1->RememberPosition();
  // The marks in the list's own row order.
  QList<QByteArray> rows;
  for (const QString& mark : DBGridEh1->MarkedRows()->ReachableBookmarks()) rows << mark.toLatin1();
  runGroups(rows, true);
}

void TForm_jiaofeiguanli_fast::N5Click() {
  QString method;
  if (!startRun(u("显示的全部记录确实要缴费吗? "), &method)) return;
  QList<QByteArray> rows;
  for (q_jiaofeidan->First(); !q_jiaofeidan->Eof(); q_jiaofeidan->Next()) rows << q_jiaofeidan->GetBookmark();
  runGroups(rows, false);
}

void TForm_jiaofeiguanli_fast::bitbtn_deleteClick() {
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  if (q_jiaofeidan->FieldByName(u("缴费状态"))->AsString() != u(kUnpaid)) {
    ShowNotice(u("抱歉，该记录已经交费了，不能删除！"));
    return;
  }
  if (!AskYesNo(u("要删除当前记录吗? "))) return;
  try {
    q_jiaofeidan->Delete();
  } catch (const Exception&) {
    if (q_jiaofeidan->State() != dsBrowse) q_jiaofeidan->Cancel();
  }
}

void TForm_jiaofeiguanli_fast::deleteUnpaid(QList<QByteArray> rows) {
  // From the last row back, so a deletion never moves a row still to be visited.
  std::sort(rows.begin(), rows.end(),
            [this](const QByteArray& a, const QByteArray& b) { return q_jiaofeidan->CompareBookmarks(a, b) > 0; });
  for (const QByteArray& bookmark : rows) {
    q_jiaofeidan->GotoBookmark(bookmark);
    if (q_jiaofeidan->FieldByName(u("缴费状态"))->AsString() != u(kUnpaid)) continue;
    try {
      q_jiaofeidan->Delete();
    } catch (const Exception&) {
      if (q_jiaofeidan->State() != dsBrowse) q_jiaofeidan->Cancel();
    }
  }
}

void TForm_jiaofeiguanli_fast::N6Click() {
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  if (!AskYesNo(u("要删除当前选中的记录吗? "))) return;
  DBGridEh1->RememberPosition();
  TBookmarkListEh* marks = DBGridEh1->MarkedRows();
  QList<QByteArray> rows;
  for (const QString& mark : marks->ReachableBookmarks()) rows << mark.toLatin1();
  marks->ClearList();
  deleteUnpaid(rows);
}

void TForm_jiaofeiguanli_fast::N7Click() {
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  if (!AskYesNo(u("要删除当前显示的所有记录吗? "))) return;
  QList<QByteArray> rows;
  for (q_jiaofeidan->First(); !q_jiaofeidan->Eof(); q_jiaofeidan->Next()) rows << q_jiaofeidan->GetBookmark();
  DBGridEh1->MarkedRows()->ClearList();
  deleteUnpaid(rows);
}

void TForm_jiaofeiguanli_fast::SpeedButton3Click() {
  if (!CheckActionRight("查找权")) return;
  auto* dialog = new TForm_jiaofeiguanli_duoyue_query(q_jiaofeidan, this);
  dialog->Prepare();
  RunModal(dialog);
  delete dialog;
}


void TForm_jiaofeiguanli_fast::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_jiaofeidan); }

void OpenFastPaymentCommand(QWidget* owner) {
  auto* window = new TForm_jiaofeiguanli_fast(owner);
  window->Prepare();
  RunModal(window);
  delete window;
}

void TForm_jiaofeiguanli_fast::bitbtn_outClick() {
  // This window checks the right before it looks at the list.
  if (!CheckActionRight("导出权")) return;
  ExportShownRows(DBGridEh1, u("业主应缴费用明细表"), nullptr, true);
}

void TForm_jiaofeiguanli_fast::bitbtn_printClick() {
  if (!CheckActionRight("打印权")) return;
  PrintShownRows(PrintDBGridEh1, nullptr, true);
}
