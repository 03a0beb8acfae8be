#include "billing/shoukuan_window.h"

#include "shell/windowparts.h"
#include "billing/billingwindow.h"
#include "billing/estatescope.h"
#include "billing/jiaofeiguanli.h"

#include <QComboBox>
#include <QMap>
#include <QFrame>
#include <QLineEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "billing/printtables.h"
#include "billing/shoukuan.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

// The date of a field: null for an empty field; `bad` is set for text that is no date.
// The date of a search field: none while no digit is typed, a fault for a date left half typed.
QDate fieldDate(TDBDateTimeEditEh* edit, bool& bad) {
  const QString text = TypedDateText(edit);
  if (text.isEmpty()) return QDate();
  TDateTime value = 0;
  if (!TryStrToDate(text, value)) {
    bad = true;
    return QDate();
  }
  const DateParts p = DecodeDate(value);
  return QDate(p.year, p.month, p.day);
}
}  // namespace

QString ReceiptSearchDateError(const ReceiptSearch& search) {
  const bool hasFrom = search.from.isValid(), hasTo = search.to.isValid();
  if (hasFrom != hasTo) return u("缴费时间输入错误!");
  if (hasFrom && search.from > search.to) return u("缴费时间从不能大于缴费时间到,请重新输入!");
  return QString();
}

QString ReceiptSearchCondition(const ReceiptSearch& search) {
  QStringList terms;
  if (!search.house.trimmed().isEmpty()) terms << EstateHouse(search.estate, search.house.trimmed());
  if (!search.item.isEmpty()) terms << u("(收费项目 = ") + SqlQuote::Text(search.item) + u(")");
  if (search.printed == u("是")) terms << u("(打印 = 1)");
  else if (search.printed == u("否")) terms << u("(打印 = 0)");
  if (GardenScoped) terms << u("(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  if (search.from.isValid() && search.to.isValid()) {
    const TDateTime first = EncodeDateTime(search.from.year(), search.from.month(), search.from.day(), 0, 0, 0);
    const TDateTime last = EncodeDateTime(search.to.year(), search.to.month(), search.to.day(), 23, 59, 59);
    terms << u("(缴费时间 between ") + SqlQuote::DateText(first) + u(" and ") + SqlQuote::DateText(last) + u(")");
  }
  return terms.join(u("and"));
}

TForm_jiaofeidan_shouju::TForm_jiaofeidan_shouju(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_jiaofeidan_shouju"));
  setWindowTitle(u("打印实收金额发票"));
  q_sfhzb = NewQuery(this, "q_sfhzb", Dm1->ADO_system);
  ds_sfhzb = NewDataSource(this, "ds_sfhzb", q_sfhzb);
  q_biao1 = NewQuery(this, "q_biao1", Dm1->db_local);
  ds_biao1 = NewDataSource(this, "ds_biao1", q_biao1);
  q_biao2 = NewQuery(this, "q_biao2", Dm1->db_local);
  q_shoujuhao = NewQuery(this, "q_shoujuhao", Dm1->ADO_system);
  frReport1 = new TfrReport(this);
  frReport1->setObjectName(QStringLiteral("frReport1"));
  frReport1->Title = u("gfh");
  frDBDataSet1 = new TfrDBDataSet(this);
  frDBDataSet1->setObjectName(QStringLiteral("frDBDataSet1"));
  frDBDataSet1->SetDataSource(ds_biao1);
  frDS_biao2 = new TfrDBDataSet(this);
  frDS_biao2->setObjectName(QStringLiteral("frDS_biao2"));
  frDS_biao2->SetDataSet(q_biao2);
  frReport1->Dataset = frDBDataSet1;

  auto* bar = new QFrame(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(2, 2, 2, 2);
  bitbtn_delete = AddToolButton(row, "bitbtn_delete", u("删除"));
  bitbtn_shouju = AddToolButton(row, "bitbtn_shouju", u("打印收据"));
  bitbtn_design = AddToolButton(row, "bitbtn_design", u("设计收据"));
  bitbtn_design->setVisible(false);
  bitbtn_design->setEnabled(false);
  bitbtn_return = AddToolButton(row, "bitbtn_return", u("返回"));
  auto* hints = new QVBoxLayout();
  for (const char* hint : {"默认显示的是没有打印的实缴金额记录！", "请选择要打印的记录！"}) {
    AddColouredHint(hints, bar, u(hint), "#c00000");
  }
  row->addLayout(hints);
  // The search group 查找条件: paid from, to, item, printed, and 查找.
  auto* search = new QGroupBox(u("查找条件"), bar);
  search->setObjectName(QStringLiteral("GroupBox1"));
  auto* srow = new QHBoxLayout(search);
  srow->setContentsMargins(4, 2, 4, 2);
  bitbtn_seek = AddToolButton(srow, "bitbtn_seek", u("查找"));
  DateTimePicker1 = AddSearchDateEditor(bar, "DateTimePicker1");
  DateTimePicker2 = AddSearchDateEditor(bar, "DateTimePicker2");
  DBComboBoxEh1 = new QComboBox(bar);
  DBComboBoxEh1->setObjectName(QStringLiteral("DBComboBoxEh1"));
  DBComboBoxEh1->addItem(QString());
  {
    TADOQuery items;
    items.SetConnection(Dm1->ADO_system);
    items.SQL.Add(u("select 收费名称 from 收费项目"));
    items.Open();
    // Each name once: several estates may keep an item of the same name.
    for (items.First(); !items.Eof(); items.Next()) {
      const QString name = items.Fields()[0]->AsString();
      if (DBComboBoxEh1->findText(name, Qt::MatchFixedString) < 0) DBComboBoxEh1->addItem(name);
    }
  }
  DBComboBoxEh2 = new QComboBox(bar);
  DBComboBoxEh2->setObjectName(QStringLiteral("DBComboBoxEh2"));
  DBComboBoxEh2->addItems({QString(), u("是"), u("否")});
  const struct {
    const char* caption;
    QWidget* editor;
  } searchFields[] = {{"缴费时间从：", DateTimePicker1}, {"到：", DateTimePicker2}, {"收费项目：", DBComboBoxEh1},
                      {"打印：", DBComboBoxEh2}};
  for (const auto& f : searchFields) {
    srow->addWidget(new QLabel(u(f.caption), search));
    srow->addWidget(f.editor);
  }
  DBComboBoxEh1->setMinimumWidth(120);
  DBComboBoxEh2->setMinimumWidth(60);
  srow->removeWidget(bitbtn_seek);
  srow->addWidget(bitbtn_seek);
  row->addWidget(search);
  Label5 = new QLabel(bar);
  Label5->setObjectName(QStringLiteral("Label5"));
  row->addWidget(Label5);
  row->addStretch(1);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", ds_sfhzb);
  DBGridEh1->SetOptions(DBGridEh1->Options() | dgMultiSelect);
  // Widths that keep every column readable.
  const QMap<QString, int> widths{{u("打印"), 40},     {u("缴费时间"), 135}, {u("房屋代码"), 80},  {u("业主名称"), 80},
                                  {u("收费项目"), 90}, {u("收费年月"), 160}, {u("缴费方式"), 90},  {u("单据号码"), 90},
                                  {u("缴费人"), 70},   {u("收款人"), 70},   {u("操作人员"), 70},  {u("操作日期"), 135},
                                  {u("备注"), 140},    {u("楼宇名称"), 90}, {u("行度面积"), 80}};
  auto addColumn = [this, &widths](const char* f) {
    return AddGridColumn(DBGridEh1, u(f), QString(), true, widths.value(u(f), 80));
  };
  addColumn("打印");
  addColumn("缴费时间")->Footer()->SetValueType(fvtCount);
  for (const char* f : {"房屋代码", "业主名称", "收费项目", "收费年月"}) addColumn(f);
  for (const char* f : {"上次零头", "收费金额", "实收金额", "现金", "其它金额", "零头"})
    addColumn(f)->Footer()->SetValueType(fvtSum);
  for (const char* f : {"缴费方式", "单据号码", "缴费人", "收款人", "操作人员", "操作日期", "备注", "楼宇名称", "单价",
                        "行度面积", "上期表数", "本期表数"})
    addColumn(f);

  // The current payment; its 打印 flag may be changed here directly.
  QWidget* detail = AddDetailPanel(this, ds_sfhzb,
                                   {{"缴费时间：", "缴费时间"}, {"收费金额：", "收费金额"}, {"缴费人：", "缴费人"},
                                    {"房屋代码：", "房屋代码"}, {"实收金额：", "实收金额"}, {"收款人：", "收款人"},
                                    {"业主名称：", "业主名称"}, {"现金：", "现金"}, {"单据号码：", "单据号码"},
                                    {"收费年月：", "收费年月"}, {"支票：", "支票"}, {"缴费方式：", "缴费方式"}},
                                   3, "打印", "打印：", true);

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(DBGridEh1, 1);
  column->addWidget(detail);
  resize(1100, 680);
  connect(bitbtn_shouju, &QToolButton::clicked, this, Guarded([this] { bitbtn_shoujuClick(); }));
  connect(bitbtn_delete, &QToolButton::clicked, this, Guarded([this] { bitbtn_deleteClick(); }));
  connect(bitbtn_seek, &QToolButton::clicked, this, Guarded([this] { bitbtn_seekClick(); }));
  connect(bitbtn_return, &QToolButton::clicked, this, Guarded([this] { bitbtn_returnClick(); }));
  // Enter: 缴费时间从 → 到 → 收费项目.
  auto* chain = new TEnterChain(this);
  chain->Chain({DateTimePicker1, DateTimePicker2, DBComboBoxEh1});
}

TForm_jiaofeidan_shouju::~TForm_jiaofeidan_shouju() {
  q_biao1->Close();
  q_biao2->Close();
  q_sfhzb->Close();
}

QString TForm_jiaofeidan_shouju::ReceiptTemplate() { return ProgramTemplatePath(u("缴费收据.frf")); }

void TForm_jiaofeidan_shouju::OpenForHouse(const QString& estate, const QString& houseCode) {
  Label5->setText(houseCode);
  estate_ = estate;
  q_sfhzb->Close();
  q_sfhzb->SQL.Clear();
  q_sfhzb->SQL.Add(u("select * from 收费汇总表 where (打印=0)and") + EstateHouse(estate, houseCode));
  q_sfhzb->SQL.Add(u("order by 缴费时间,房屋代码,收费项目"));
  q_sfhzb->Open();
}

void TForm_jiaofeidan_shouju::bitbtn_shoujuClick() {
  const QStringList marked = DBGridEh1->MarkedRows()->ReachableBookmarks();
  if (marked.isEmpty()) return;
  const QByteArray position = q_sfhzb->GetBookmark();
  PrintReceipt(q_sfhzb, marked, Dm1->ADO_system, Dm1->db_local, ReceiptQueries{q_biao1, q_biao2, q_shoujuhao},
               frReport1, ReceiptTemplate(), QString::number(DecodeDate(Now()).year));
  DBGridEh1->MarkedRows()->ClearList();
  if (q_sfhzb->BookmarkValid(position)) q_sfhzb->GotoBookmark(position);
}

void TForm_jiaofeidan_shouju::bitbtn_deleteClick() {
  if (!CheckActionRight("删除权")) return;
  if (!q_sfhzb->Active() || q_sfhzb->IsEmpty()) return;
  if (!AskYesNo(u("在删除当前记录同时,系统会自动释放对应收费管理中的记录，确认操作吗? "))) return;
  // The same reversal as the journal's: bill rows, carried balance and deposit come back.
  try {
    ReverseJournalPayment(Dm1->ADO_system, q_sfhzb);
  } catch (const Exception& e) {
    if (q_sfhzb->State() != dsBrowse) q_sfhzb->Cancel();
    q_sfhzb->Close();
    q_sfhzb->Open();
    ShowDataError(u("撤销缴费失败"), e.message());
  }
}

void TForm_jiaofeidan_shouju::bitbtn_returnClick() { close(); }

void TForm_jiaofeidan_shouju::bitbtn_seekClick() {
  if (!CheckActionRight("查找权")) return;
  ReceiptSearch search;
  search.house = Label5->text();
  search.estate = estate_;
  search.item = DBComboBoxEh1->currentText();
  search.printed = DBComboBoxEh2->currentText();
  bool bad = false;
  search.from = fieldDate(DateTimePicker1, bad);
  search.to = fieldDate(DateTimePicker2, bad);
  const QString error = bad ? u("缴费时间输入错误!") : ReceiptSearchDateError(search);
  if (!error.isEmpty()) {
    MessageBox(error, u("提示"), MsgIcon::Exclamation);
    DateTimePicker1->setFocus();
    return;
  }
  q_sfhzb->Close();
  q_sfhzb->SQL.Clear();
  q_sfhzb->SQL.Add(u("select * from 收费汇总表 "));
  const QString condition = ReceiptSearchCondition(search);
  q_sfhzb->SQL.Add(condition.isEmpty() ? QString() : u(" where ") + condition);
  q_sfhzb->SQL.Add(u("order by 缴费时间,房屋代码,收费项目"));
  q_sfhzb->Open();
  if (q_sfhzb->IsEmpty()) MessageBox(u("没有找到合适的记录！"), u("提示"), MsgIcon::Information);
}
