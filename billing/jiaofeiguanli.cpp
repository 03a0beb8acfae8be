#include "billing/jiaofeiguanli.h"
#include "billing/jiaofei.h"

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include "billing/estatescope.h"
#include "billing/shoukuan.h"
#include "billing/shoukuan_taoda.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "billing/yajin.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

TForm_shoufeimingxibiao* Form_shoufeimingxibiao = nullptr;

namespace {
// Fills a combo box with the first column of a statement, read through Dm1.q_search.
void fillList(QComboBox* box, const QStringList& sql) {
  box->clear();
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  for (const QString& line : sql) s->SQL.Add(line);
  s->Open();
  // Each name once: several estates may keep an item, a building or a unit of the same name.
  for (s->First(); !s->Eof(); s->Next()) {
    const QString name = s->Fields()[0]->AsString();
    if (box->findText(name, Qt::MatchFixedString) < 0) box->addItem(name);
  }
  s->Close();
}

// The payment row a list shows is still the one stored under its row number. Another window
// or seat may have reversed it since the list was read, and a payment posted after that may
// have been given the same row number: what is done to the shown payment must not reach that
// one. Called under the write lock.
void CheckPaymentStillStored(TADOConnection* db, TDataSet* journal) {
  const int64_t id = journal->RowId();
  if (id == 0) return;
  TADOQuery q;
  q.SetConnection(db);
  q.SQL.Add(u("select * from 收费汇总表 where rowid=") + QString::number(id));
  q.Open();
  bool same = !q.IsEmpty();
  for (const char* column : {"小区代码", "房屋代码", "收费项目", "收费年月", "年度", "月份", "缴费方式", "缴费时间", "缴费人",
                             "收款人", "收费金额", "实收金额", "零头", "上次零头"}) {
    if (!same) break;
    TField* shown = journal->FindField(u(column));
    TField* stored = q.FindField(u(column));
    if (!shown || !stored) continue;
    same = shown->IsNull() == stored->IsNull() && shown->AsString() == stored->AsString();
  }
  q.Close();
  if (!same) throw EDatabaseError(u("该缴费记录已经被撤销或修改，请刷新后重新操作！"));
}
}  // namespace

QStringList PaidMonthEntries(const QString& list) {
  QStringList entries;
  QString rest = list;
  while (!rest.isEmpty()) {
    const int at = rest.indexOf(QLatin1Char(';'));
    if (at < 0) {
      entries << rest;
      break;
    }
    entries << rest.left(at + 1);
    rest = rest.mid(at + 1);
  }
  return entries;
}

bool PaidMonthOf(const QString& entry, PaidMonth* month) {
  // 2005年3月; — four digits of year, then 年, the month digits, 月.
  if (entry.size() < 7 || entry.at(4) != u("年").at(0)) return false;
  const int end = entry.indexOf(u("月"), 5);
  if (end <= 5) return false;
  const QString year = entry.left(4);
  const QString m = entry.mid(5, end - 5);
  bool yearOk = false, monthOk = false;
  year.toInt(&yearOk);
  m.toInt(&monthOk);
  if (!yearOk || !monthOk) return false;
  if (month) *month = {year, m};
  return true;
}

QList<PaidMonth> PaidMonthsOf(const QString& list) {
  QList<PaidMonth> months;
  for (const QString& entry : PaidMonthEntries(list)) {
    PaidMonth m;
    if (PaidMonthOf(entry, &m)) months << m;
  }
  return months;
}

void ReverseJournalPayment(TADOConnection* db, TADOQuery* journal) {
  auto f = [journal](const char* name) { return journal->FieldByName(u(name)); };
  const QString house = f("房屋代码")->AsString(), estate = f("小区代码")->AsString();
  const QString item = f("收费项目")->AsString();
  const QString monthList = f("收费年月")->AsString();
  // Only the single-month payment window writes 年度 and 月份: its 零头 is the waived
  // remainder, and it never touched the house's balance.
  const bool singleMonth = !f("年度")->AsString().isEmpty();
  const bool balanceSet = !singleMonth && !f("零头")->IsNull();
  const Money balanceChange = f("零头")->AsMoney() - f("上次零头")->AsMoney();
  const bool fromDeposit = f("缴费方式")->AsString() == u(kDepositMethod);
  const Money received = f("实收金额")->AsMoney();
  const QString ledgerRemark = item + monthList;
  const int64_t paymentId = journal->RowId();

  const QString houseCondition = EstateHouse(estate, house);
  // The rows go back to what they were before the payment took them: unpaid and unstamped.
  const QString release =
      u("update 收费明细表 set 缴费状态='未缴费',缴费时间=null,缴费人=null,收款人=null,单据号码=null,缴费编号=null where ");
  // The bill rows this payment took carry its row in 缴费编号.
  const QString linked = release + u("(缴费编号=") + QString::number(paymentId) + u(")and") + houseCondition;
  // A payment posted before bill rows were linked, whose rows could not be told apart when
  // the database was upgraded: its paid rows that no payment is linked to, found as they
  // were found before.
  QStringList unlinked;
  const QString unlinkedCondition = u("and(缴费编号 is null)and(缴费状态<>'未缴费')");
  if (singleMonth) {
    QString sql = release + houseCondition + u("and(年度=") + SqlQuote::Text(f("年度")->AsString()) + u(")and(月份=") +
                  SqlQuote::Text(f("月份")->AsString()) + u(")");
    if (item != u("按单缴费")) sql += u("and(收费名称=") + SqlQuote::Text(item) + u(")");
    if (!f("缴费时间")->IsNull()) sql += u("and(缴费时间=") + SqlQuote::Date(f("缴费时间")->AsDateTime()) + u(")");
    sql += u("and(ifnull(缴费人,'')=") + SqlQuote::Text(f("缴费人")->AsString()) + u(")and(ifnull(收款人,'')=") +
           SqlQuote::Text(f("收款人")->AsString()) + u(")");
    unlinked << sql + unlinkedCondition;
  } else {
    for (const PaidMonth& m : PaidMonthsOf(monthList))
      unlinked << release + houseCondition + u("and(收费名称=") + SqlQuote::Text(item) + u(")and(年度=") +
                      SqlQuote::Text(m.year) + u(")and(月份=") + SqlQuote::Text(m.month) + u(")") + unlinkedCondition;
  }
  WithWriteTransaction(db, [&] {
    CheckPaymentStillStored(db, journal);
    if (paymentId == 0 || db->Execute(linked) == 0)
      for (const QString& sql : unlinked) db->Execute(sql);
    if (balanceSet && balanceChange != Money()) {
      TADOQuery h;
      h.SetConnection(db);
      h.SQL.Add(u("select 零头 from 房屋资料 where ") + houseCondition);
      h.Open();
      if (!h.IsEmpty()) {
        const Money restored = h.Fields()[0]->AsMoney() - balanceChange;
        h.Close();
        db->Execute(u("update 房屋资料 set 零头=") + SqlQuote::Money(restored) + u(" where ") + houseCondition);
      }
    }
    if (fromDeposit) {
      // The offset row the posting wrote: same house, type, remark and amount, dated with the
      // payment's time; without such a row (an older one), the latest of the others.
      TADOQuery y;
      y.SetConnection(db);
      y.SQL.Add(u("select rowid, 金额, 日期 from 押金明细表 where ") + houseCondition +
                u("and(操作类型='冲抵费用')and(备注=") + SqlQuote::Text(ledgerRemark) + u(")") +
                u(" order by 日期 desc, rowid desc"));
      y.Open();
      const QString paidAt = f("缴费时间")->IsNull() ? QString() : SqlQuote::Date(f("缴费时间")->AsDateTime());
      QString rowid, sameTime;
      for (y.First(); !y.Eof(); y.Next()) {
        if (y.Fields()[1]->AsMoney() != received) continue;
        if (rowid.isEmpty()) rowid = y.Fields()[0]->AsString();
        if (sameTime.isEmpty() && !paidAt.isEmpty() && !y.Fields()[2]->IsNull() &&
            SqlQuote::Date(y.Fields()[2]->AsDateTime()) == paidAt)
          sameTime = y.Fields()[0]->AsString();
      }
      y.Close();
      if (!sameTime.isEmpty()) rowid = sameTime;
      if (!rowid.isEmpty()) {
        db->Execute(u("delete from 押金明细表 where rowid=") + QString::number(rowid.toLongLong()));
        ChangeHouseDeposit(db, estate, house, received);
      }
    }
    journal->Delete();
  });
}

void SaveJournalVoucher(TADOConnection* db, TADOQuery* journal) {
  WithWriteTransaction(db, [&] {
    CheckPaymentStillStored(db, journal);
    if (journal->State() == dsBrowse) journal->Edit();
    journal->UpdateRecord();
    journal->Post();
    auto f = [journal](const char* name) { return journal->FieldByName(u(name)); };
    const QString house = EstateHouse(f("小区代码")->AsString(), f("房屋代码")->AsString());
    const QString set = u("update 收费明细表 set 单据号码=") + SqlQuote::Text(f("单据号码")->AsString()) + u(",备注=") +
                        SqlQuote::Text(f("备注")->AsString()) + u(" where ");
    // The bill rows the payment took; a payment the upgrade could not link: its months' paid
    // rows that no payment is linked to. Rows another payment took keep that payment's voucher.
    const int64_t paymentId = journal->RowId();
    if (paymentId == 0 || db->Execute(set + u("(缴费编号=") + QString::number(paymentId) + u(")and") + house) == 0) {
      const QString condition = house + u("and(缴费编号 is null)and(缴费状态<>'未缴费')and(收费名称=") +
                                SqlQuote::Text(f("收费项目")->AsString()) + u(")");
      for (const PaidMonth& m : PaidMonthsOf(f("收费年月")->AsString()))
        db->Execute(set + condition + u("and(年度=") + SqlQuote::Text(m.year) + u(")and(月份=") + SqlQuote::Text(m.month) +
                    u(")"));
    }
  }, [journal] { RereadAtSameRow(journal); });
}

// ---------------------------------------------------------------------------------------

TForm_shoufeimingxibiao::TForm_shoufeimingxibiao(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_shoufeimingxibiao"));
  setWindowTitle(u("实收费用明细表"));
  Form_shoufeimingxibiao = this;
  q_sfhzb = NewQuery(this, "q_sfhzb", Dm1->ADO_system);
  ds_sfhzb = NewDataSource(this, "ds_sfhzb", q_sfhzb);
  SetMainDataSet(q_sfhzb);

  using W = TForm_shoufeimingxibiao;
  const auto [bar, row] = NewToolBar<W>(this, kPlainToolBar,
                                        {{&W::SpeedButton5, "SpeedButton5", "刷新", &W::SpeedButton5Click},
                                         {&W::bitbtn_delete, "bitbtn_delete", "删除", &W::bitbtn_deleteClick},
                                         {&W::SpeedButton3, "SpeedButton3", "查找", &W::SpeedButton3Click},
                                         {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::bitbtn_print, "bitbtn_print", "打印清单", &W::bitbtn_printClick},
                                         {&W::SpeedButton1, "SpeedButton1", "套打收据", &W::SpeedButton1Click},
                                         {&W::SpeedButton6, "SpeedButton6", "设计收据", &W::SpeedButton6Click},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  AddColouredHint(row, bar, u("提示：可以选择多条记录进行删除！"), "#c00000");
  row->addStretch(1);

  // The search panel in two lines: the house and the dates, then the item, the remark and 查找.
  auto* search = new QFrame(this);
  auto* lines = new QVBoxLayout(search);
  auto* srow = new QHBoxLayout();
  auto* srow2 = new QHBoxLayout();
  lines->addLayout(srow);
  lines->addLayout(srow2);
  auto line = [search](const char* name) {
    auto* e = new QLineEdit(search);
    e->setObjectName(QString::fromLatin1(name));
    return e;
  };
  auto combo = [search](const char* name) {
    auto* c = new QComboBox(search);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    // The lists of buildings and items show their longest entry whole.
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    c->setMinimumWidth(120);
    return c;
  };
  DBComboBoxEh3 = combo("DBComboBoxEh3");
  Edit1 = line("Edit1");
  Edit3 = line("Edit3");
  DBComboBoxEh1 = combo("DBComboBoxEh1");
  Edit2 = line("Edit2");
  CheckBox2 = new QCheckBox(u("其它："), search);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  AddCaptionedEditors(srow, search, {{"楼宇名称：", DBComboBoxEh3}, {"房屋代码：", Edit1}, {"业主：", Edit3}});
  DBDateTimeEditEh1 = AddSearchDateEditor(search, "DBDateTimeEditEh1");
  DBDateTimeEditEh2 = AddSearchDateEditor(search, "DBDateTimeEditEh2");
  AddCaptionedEditors(srow, search, {{"缴费时间从：", DBDateTimeEditEh1}, {"到：", DBDateTimeEditEh2}});
  srow->addStretch(1);
  AddCaptionedEditors(srow2, search, {{"收费项目：", DBComboBoxEh1}, {"备注：", Edit2}});
  srow2->addWidget(CheckBox2);
  SpeedButton2 = AddToolButton(srow2, "SpeedButton2", u("查找"));
  srow2->addStretch(1);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_sfhzb, 1);
  DBGridEh1->SetOptions(DBGridEh1->Options() | dgMultiSelect);
  {
    struct Column {
      const char* field;
      const char* title;
      bool sortable;
      int width;
    };
    const Column columns[] = {
        {"缴费时间", "", true, 135}, {"房屋代码", "", true, 80},  {"业主名称", "", true, 80},
        {"收费项目", "", true, 90},  {"收费年月", "", true, 160}, {"上次零头", "", true, 75},
        {"收费金额", "应收金额", true, 85}, {"实收金额", "", true, 85}, {"现金", "", true, 80},
        {"其它金额", "", false, 75}, {"零头", "", true, 70},      {"缴费方式", "", true, 90},
        {"单据号码", "", true, 90},  {"缴费人", "", true, 70},    {"收款人", "开票人", true, 70},
        {"打印", "", false, 40},     {"操作人员", "", true, 70},  {"操作日期", "", true, 135},
        {"备注", "", false, 140},    {"楼宇名称", "", false, 90},
    };
    for (const Column& c : columns) {
      TColumnEh* added = AddGridColumn(DBGridEh1, u(c.field), u(c.title), c.sortable, c.width);
      const QString field = u(c.field);
      if (field == u("缴费时间")) added->Footer()->SetValueType(fvtCount);
      if (field == u("打印")) {
        TFontEh font = added->Font();
        font.Color = clBlue;
        added->SetFont(font);
      }
      for (const char* sum : {"上次零头", "收费金额", "实收金额", "现金", "其它金额", "零头"})
        if (field == u(sum)) added->Footer()->SetValueType(fvtSum);
    }
  }
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  OnGridDoubleClick(DBGridEh1, [this] { DBGridEh1DblClick(); });
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("实收费用明细表"));
  SetListOutput({DBGridEh1, u("实收费用明细表"), PrintDBGridEh1});

  Panel_detail = AddDetailPanel(this, ds_sfhzb,
                                {{"缴费时间：", "缴费时间"}, {"房屋代码：", "房屋代码"}, {"业主名称：", "业主名称"},
                                 {"收费年月：", "收费年月"}, {"应收金额：", "收费金额"}, {"实收金额：", "实收金额"},
                                 {"现金：", "现金"}, {"支票：", "支票"}, {"零头：", "零头"}, {"缴费方式：", "缴费方式"},
                                 {"缴费人：", "缴费人"}, {"开票人：", "收款人"}, {"单据号码：", "单据号码"},
                                 {"备注：", "备注"}},
                                5, "打印", "打印：");

  q_biao1 = NewQuery(this, "q_biao1", Dm1->db_local);
  q_biao2 = NewQuery(this, "q_biao2", Dm1->db_local);
  // They read the print tables from the start, as a print leaves them: the receipt's preview
  // in the designer shows what the last print wrote (or nothing) before anything is printed.
  q_biao1->SQL.Add(u("select * from 表1 order by xh"));
  q_biao2->SQL.Add(u("select * from 表2 order by xh"));
  frDS_HT = new TfrDBDataSet(this);
  frDS_HT->setObjectName(QStringLiteral("frDS_HT"));
  frDS_HT->SetDataSet(q_biao1);
  frDS_biao2 = new TfrDBDataSet(this);
  frDS_biao2->setObjectName(QStringLiteral("frDS_biao2"));
  frDS_biao2->SetDataSet(q_biao2);
  frReport1 = AddWindowReport(this, frDS_HT);

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(search);
  column->addWidget(DBGridEh1, 1);
  column->addWidget(Panel_detail);
  setWindowState(Qt::WindowMaximized);

  ConnectClicks(this, {{SpeedButton2, &W::SpeedButton2Click}});
}

TForm_shoufeimingxibiao::~TForm_shoufeimingxibiao() {
  q_sfhzb->Close();
  if (Form_shoufeimingxibiao == this) Form_shoufeimingxibiao = nullptr;
}

void TForm_shoufeimingxibiao::Prepare() {
  const QString estate = u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  QStringList buildings{u("select 楼宇名称 from 楼宇资料 ")};
  QStringList items{u("select 收费名称 from 收费项目 ")};
  if (GardenScoped) {
    buildings << estate;
    items << estate;
  }
  buildings << u("order by 楼宇名称 ");
  fillList(DBComboBoxEh3, buildings);
  fillList(DBComboBoxEh1, items);
  DBComboBoxEh3->setCurrentText(QString());
  DBComboBoxEh1->setCurrentText(QString());
  const TDateTime today = Today();
  q_sfhzb->Close();
  q_sfhzb->SQL.Clear();
  q_sfhzb->SQL.Add(u("select * from 收费汇总表 where (缴费时间 between ") + SqlQuote::Date(today) + u(" and ") +
                   SqlQuote::Date(today + (86399.0 / 86400.0)) + u(")"));
  q_sfhzb->SQL.Add(u("order by 缴费时间,房屋代码,收费项目"));
  q_sfhzb->Open();
}

void TForm_shoufeimingxibiao::SpeedButton5Click() {
  const int at = q_sfhzb->Active() ? q_sfhzb->RecNo() : -1;
  q_sfhzb->Close();
  q_sfhzb->Open();
  if (q_sfhzb->IsEmpty()) return;
  q_sfhzb->SetRecNo(at >= 1 && at <= q_sfhzb->RecordCount() ? at : q_sfhzb->RecordCount());
}

void TForm_shoufeimingxibiao::SpeedButton2Click() {
  if (!CheckActionRight("查找权")) return;
  JournalQuery query;
  query.house = Edit1->text();
  query.owner = Edit3->text();
  query.remark = Edit2->text();
  query.building = DBComboBoxEh3->currentText();
  query.item = DBComboBoxEh1->currentText();
  query.otherOnly = CheckBox2->isChecked();
  query.from = TypedDateText(DBDateTimeEditEh1);
  query.to = TypedDateText(DBDateTimeEditEh2);
  const QString error = JournalQueryError(query);
  if (!error.isEmpty()) {
    ShowInformation(error);
    DBDateTimeEditEh1->setFocus();
    return;
  }
  RunJournalQuery(q_sfhzb, JournalQueryCondition(query));
  if (q_sfhzb->IsEmpty()) ShowInformation(u("没有找到合适的记录！"));
}

void TForm_shoufeimingxibiao::SpeedButton1Click() {
  if (!CheckActionRight("打印权")) return;
  const QStringList marked = DBGridEh1->MarkedRows()->ReachableBookmarks();
  q_biao1->Close();
  q_biao2->Close();
  const PrePrintedOutcome out =
      PrintPrePrintedReceipt(q_sfhzb, marked, Dm1->ADO_system, Dm1->db_local, frReport1,
                             ProgramTemplatePath(u("收款收据.frf")), CurrentOperatorName, q_biao1, q_biao2);
  if (out.refusal.isEmpty()) DBGridEh1->MarkedRows()->ClearList();
}

void TForm_shoufeimingxibiao::SpeedButton6Click() { DesignPrintTemplate(frReport1, "打印权", u("收款收据.frf")); }

void TForm_shoufeimingxibiao::bitbtn_deleteClick() {
  if (!q_sfhzb->Active() || q_sfhzb->IsEmpty()) return;
  if (!CheckActionRight("删除权")) return;
  if (!AskYesNo(u("在删除当前记录同时,系统会自动释放对应收费管理中的记录，确认操作吗? "))) return;
  QList<QByteArray> rows;
  for (const QString& mark : DBGridEh1->MarkedRows()->ReachableBookmarks()) rows << mark.toLatin1();
  if (rows.isEmpty()) return;
  // From the last marked row back, so a deletion never moves a row still to be visited; the
  // changes of separate payments add up the same in any order.
  std::sort(rows.begin(), rows.end(),
            [this](const QByteArray& a, const QByteArray& b) { return q_sfhzb->CompareBookmarks(a, b) > 0; });
  QStringList failures;
  for (const QByteArray& bookmark : rows) {
    try {
      q_sfhzb->GotoBookmark(bookmark);
      ReverseJournalPayment(Dm1->ADO_system, q_sfhzb);
    } catch (const Exception& e) {
      failures << e.message();
    }
  }
  DBGridEh1->MarkedRows()->ClearList();
  if (!failures.isEmpty()) {
    // The list is read again, so it shows the payments that are still there.
    SpeedButton5Click();
    ShowDataError(u("撤销缴费失败"), failures.join(u("\n")));
  }
}


void TForm_shoufeimingxibiao::DBGridEh1DblClick() {
  // The dialog edits the current payment; with no payment listed there is nothing to edit.
  if (!q_sfhzb->Active() || q_sfhzb->IsEmpty()) return;
  auto* dialog = new TForm_shoufeimingxibiao_edit(this);
  RunModal(dialog);
  delete dialog;
}

TForm_shoufeimingxibiao_edit::TForm_shoufeimingxibiao_edit(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_shoufeimingxibiao_edit"));
  setWindowTitle(u("编辑"));
  // No buttons in the title bar: the dialog closes through 返回.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  auto* column = new QVBoxLayout(this);
  column->addWidget(new QLabel(u("保存后，系统会替换应缴费明细表中对应的记录1"), this));
  DBEdit7 = new TDBEditEh(this);
  DBEdit7->setObjectName(QStringLiteral("DBEdit7"));
  DBMemo1 = new TDBMemo(this);
  DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
  TDataSource* source = Form_shoufeimingxibiao ? Form_shoufeimingxibiao->ds_sfhzb : nullptr;
  DBEdit7->SetDataSource(source);
  DBEdit7->SetDataField(u("单据号码"));
  DBMemo1->SetDataSource(source);
  DBMemo1->SetDataField(u("备注"));
  SetImeName(DBMemo1, CurrentOperatorIme);
  column->addWidget(new QLabel(u("收据号码："), this));
  column->addWidget(DBEdit7);
  column->addWidget(new QLabel(u("备注："), this));
  column->addWidget(DBMemo1);
  auto* buttons = new QHBoxLayout();
  bitbtn2 = new QPushButton(u("保存 (&S)"), this);
  bitbtn2->setObjectName(QStringLiteral("bitbtn2"));
  SpeedButton1 = new QPushButton(u("取消 (&C)"), this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton2 = new QPushButton(u("返回 (&R)"), this);
  SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
  buttons->addWidget(bitbtn2);
  buttons->addWidget(SpeedButton1);
  buttons->addWidget(SpeedButton2);
  column->addLayout(buttons);
  WithoutDefaultButton(this);
  connect(bitbtn2, &QPushButton::clicked, this, Guarded([this] { bitbtn2Click(); }));
  connect(SpeedButton1, &QPushButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
  connect(SpeedButton2, &QPushButton::clicked, this, [this] { reject(); });
  auto* chain = new TEnterChain(this);
  chain->Link(DBEdit7, DBMemo1);
  DBEdit7->setFocus();
}

void TForm_shoufeimingxibiao_edit::bitbtn2Click() {
  if (!Form_shoufeimingxibiao) return;
  try {
    SaveJournalVoucher(Dm1->ADO_system, Form_shoufeimingxibiao->q_sfhzb);
  } catch (const Exception& e) {
    ShowDataError(u("保存失败"), e.message());
    return;
  }
  ShowNotice(u("保存完毕!"));
}

void TForm_shoufeimingxibiao_edit::SpeedButton1Click() {
  TADOQuery* q = Form_shoufeimingxibiao ? Form_shoufeimingxibiao->q_sfhzb : nullptr;
  if (q && (q->State() == dsEdit || q->State() == dsInsert)) q->Cancel();
}

void TForm_shoufeimingxibiao::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_sfhzb); }


void TForm_shoufeimingxibiao::SpeedButton3Click() {
  if (!CheckActionRight("查找权")) return;
  auto* dialog = new TForm_shoufeimingxibiao_query(this);
  dialog->Prepare();
  RunModal(dialog);
  delete dialog;
}

// ---------------------------------------------------------------------------------------

namespace {
// A typed date, or false when the text is no date.
bool journalDate(const QString& text, TDateTime* value) {
  TDateTime d;
  if (!TryStrToDate(text.trimmed(), d)) return false;
  *value = d;
  return true;
}
}  // namespace

QString JournalQueryError(const JournalQuery& query) {
  const QString from = query.from.trimmed(), to = query.to.trimmed();
  if (from.isEmpty() && to.isEmpty()) return QString();
  TDateTime a, b;
  if (from.isEmpty() || to.isEmpty() || !journalDate(from, &a) || !journalDate(to, &b))
    return u("缴费时间输入错误,请重新输入");
  if (b < a) return u("缴费时间从不能大于缴费时间到,请重新输入");
  return QString();
}

QString JournalQueryCondition(const JournalQuery& query) {
  QStringList parts;
  auto like = [&parts](const char* field, const QString& text) {
    if (!text.trimmed().isEmpty())
      parts << u("(") + u(field) + u(" like ") + SqlQuote::Like(text.trimmed(), true, true) + SqlQuote::LikeEscape() +
                   u(")");
  };
  auto equals = [&parts](const char* field, const QString& text) {
    if (!text.trimmed().isEmpty()) parts << u("(") + u(field) + u(" = ") + SqlQuote::Text(text.trimmed()) + u(")");
  };
  like("房屋代码", query.house);
  like("业主名称", query.owner);
  like("备注", query.remark);
  equals("楼宇名称", query.building);
  equals("收费项目", query.item);
  like("关联单位", query.company);
  if (query.otherOnly) parts << u("(缴费方式='其它')");
  if (GardenScoped) parts << u("(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  TDateTime from, to;
  if (journalDate(query.from, &from) && journalDate(query.to, &to)) {
    // Whole days: from the start of the first to the last second of the second; payment times
    // are stored as dates, so the bounds go in as dates too.
    const TDateTime first = std::floor(double(from)), last = std::floor(double(to)) + 86399.0 / 86400.0;
    parts << u("(缴费时间 between ") + SqlQuote::Date(first) + u(" and ") + SqlQuote::Date(last) + u(")");
  }
  return parts.join(u("and"));
}

void RunJournalQuery(TADOQuery* journal, const QString& condition) {
  journal->Close();
  journal->SQL.Clear();
  journal->SQL.Add(u("select * from 收费汇总表 "));
  if (!condition.isEmpty()) journal->SQL.Add(u(" where ") + condition);
  journal->SQL.Add(u("order by 缴费时间,房屋代码,收费项目"));
  journal->Open();
}

TForm_shoufeimingxibiao_query::TForm_shoufeimingxibiao_query(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_shoufeimingxibiao_query"));
  setWindowTitle(u("实收费用明细表"));
  auto* grid = new QGridLayout(this);
  int row = 0;
  auto place = [&](QWidget* w, const char* name, const char* caption) {
    w->setObjectName(QString::fromLatin1(name));
    grid->addWidget(new QLabel(u(caption), this), row, 0);
    grid->addWidget(w, row++, 1);
  };
  auto combo = [this] {
    auto* c = new QComboBox(this);
    c->setEditable(true);
    return c;
  };
  place(DBComboBoxEh3 = combo(), "DBComboBoxEh3", "楼宇名称：");
  place(Edit1 = new QLineEdit(this), "Edit1", "房屋代码：");
  place(Edit3 = new QLineEdit(this), "Edit3", "业主：");
  place(DBDateTimeEditEh1 = AddSearchDateEditor(this, "DBDateTimeEditEh1"), "DBDateTimeEditEh1", "缴费时间从：");
  place(DBDateTimeEditEh2 = AddSearchDateEditor(this, "DBDateTimeEditEh2"), "DBDateTimeEditEh2", "到：");
  place(DBComboBoxEh1 = combo(), "DBComboBoxEh1", "收费项目：");
  place(Edit2 = new QLineEdit(this), "Edit2", "备注：");
  place(ComboBox4 = combo(), "ComboBox4", "关联单位：");
  CheckBox2 = new QCheckBox(u("其它："), this);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  grid->addWidget(CheckBox2, row++, 1);
  SpeedButton2 = new QPushButton(u("查找"), this);
  SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
  SpeedButton1 = new QPushButton(u("返回"), this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  grid->addWidget(SpeedButton2, row, 0);
  grid->addWidget(SpeedButton1, row, 1);
  connect(SpeedButton2, &QPushButton::clicked, this, Guarded([this] { SpeedButton2Click(); }));
  connect(SpeedButton1, &QPushButton::clicked, this, [this] { reject(); });
  auto* chain = new TEnterChain(this);
  chain->Chain({DBComboBoxEh3, Edit1, Edit3, DBDateTimeEditEh1});
  chain->Chain({DBComboBoxEh1, Edit2, ComboBox4}, [this] { Guard([this] { SpeedButton2Click(); }); });
}

void TForm_shoufeimingxibiao_query::Prepare() {
  const QString estate = u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  QStringList companies{u("select 关联单位 from 关联单位 ")};
  QStringList buildings{u("select 楼宇名称 from 楼宇资料 ")};
  QStringList items{u("select 收费名称 from 收费项目 ")};
  if (GardenScoped) {
    companies << estate;
    buildings << estate;
    items << estate;
  }
  buildings << u("order by 楼宇名称 ");
  items << u("order by 收费名称 ");
  fillList(ComboBox4, companies);
  fillList(DBComboBoxEh3, buildings);
  fillList(DBComboBoxEh1, items);
  for (QComboBox* c : {ComboBox4, DBComboBoxEh3, DBComboBoxEh1}) c->setCurrentText(QString());
}

JournalQuery TForm_shoufeimingxibiao_query::Query() const {
  JournalQuery q;
  q.house = Edit1->text();
  q.owner = Edit3->text();
  q.remark = Edit2->text();
  q.building = DBComboBoxEh3->currentText();
  q.item = DBComboBoxEh1->currentText();
  q.company = ComboBox4->currentText();
  q.otherOnly = CheckBox2->isChecked();
  q.from = TypedDateText(DBDateTimeEditEh1);
  q.to = TypedDateText(DBDateTimeEditEh2);
  return q;
}

void TForm_shoufeimingxibiao_query::SpeedButton2Click() {
  if (!CheckActionRight("查找权")) return;
  if (!Form_shoufeimingxibiao) return;
  const JournalQuery query = Query();
  const QString error = JournalQueryError(query);
  if (!error.isEmpty()) {
    ShowInformation(error);
    DBDateTimeEditEh1->setFocus();
    return;
  }
  TADOQuery* journal = Form_shoufeimingxibiao->q_sfhzb;
  RunJournalQuery(journal, JournalQueryCondition(query));
  if (journal->IsEmpty()) ShowInformation(u("没有找到合适的记录！"));
  accept();
}

void OpenPaymentJournalCommand(QWidget* owner) {
  auto* window = new TForm_shoufeimingxibiao(owner);
  window->Prepare();
  RunModal(window);
  delete window;
}
