#include "billing/jiaofeiguanli_duoyue.h"

#include <QDate>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/windowparts.h"
#include "billing/estatescope.h"
#include "billing/jiaofei.h"
#include "billing/yajin.h"
#include "grid/DBCtrlsEh.h"
#include "billing/billingwindow.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/password.h"

TForm_jiaofeiguanli_duoyue* Form_jiaofeiguanli_duoyue = nullptr;

namespace {
}  // namespace

QStringList BillYearItems() {
  QStringList years;
  const int last = QDate::currentDate().year() + 1;
  for (int y = 2005; y <= last; ++y) years << QString::number(y);
  return years;
}

QStringList BillMonthItems() {
  QStringList months;
  for (int m = 1; m <= 12; ++m) months << QString::number(m);
  return months;
}

MarkedBills CollectMarkedBills(TADOQuery* bills, const QList<QByteArray>& rows) {
  MarkedBills result;
  auto f = [bills](const char* name) { return bills->FieldByName(u(name)); };
  // A house is its estate and its code: two estates may keep the same code.
  QString keyHouse = f("房屋代码")->AsString(), keyEstate = f("小区代码")->AsString();
  QString keyItem = f("收费名称")->AsString();
  for (const QByteArray& bookmark : rows) {
    bills->GotoBookmark(bookmark);
    const Money amount = f("收费金额")->AsMoney();
    if (f("缴费状态")->AsString() == u(kUnpaid) && amount > Money()) {
      result.sum += amount;
      result.months += f("年度")->AsString() + u("年") + f("月份")->AsString() + u("月;");
    }
    if (f("房屋代码")->AsString() != keyHouse || f("小区代码")->AsString() != keyEstate ||
        f("收费名称")->AsString() != keyItem)
      result.mixed = true;
    keyHouse = f("房屋代码")->AsString();
    keyEstate = f("小区代码")->AsString();
    keyItem = f("收费名称")->AsString();
  }
  return result;
}

// ---------------------------------------------------------------------------------------

TForm_jiaofeiguanli_duoyue::TForm_jiaofeiguanli_duoyue(QWidget* parent) : TRecordForm(parent) {
  setObjectName(QStringLiteral("Form_jiaofeiguanli_duoyue"));
  setWindowTitle(u("业主多月缴费管理"));
  Form_jiaofeiguanli_duoyue = this;
  q_jiaofeidan = NewQuery(this, "q_jiaofeidan", Dm1->ADO_system);
  ds_jiaofeidan = NewDataSource(this, "ds_jiaofeidan", q_jiaofeidan);
  SetMainDataSet(q_jiaofeidan);

  using W = TForm_jiaofeiguanli_duoyue;
  const auto [bar, row] = NewToolBar<W>(this, kPlainToolBar,
                                        {{&W::bitbtn_add, "bitbtn_add", "缴费", &W::PreparePayment},
                                         {&W::SpeedButton3, "SpeedButton3", "查找", &W::SpeedButton3Click},
                                         {&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click}});
  AddColouredHint(row, bar, u("提示：一次只能缴纳一个业主的同一种费用！"), "red; font-weight: bold");
  row->addStretch(1);

  auto* search = new QFrame(this);
  auto* srow = new QHBoxLayout(search);
  Edit1 = AddLineEdit(search, "Edit1");
  Edit3 = AddLineEdit(search, "Edit3");
  DBComboBoxEh3 = AddEditableList(search, "DBComboBoxEh3");
  AddCaptionedEditors(srow, search, {{"房屋代码：", Edit1}, {"业主名称：", Edit3}, {"楼宇名称：", DBComboBoxEh3}});
  SpeedButton1 = AddToolButton(srow, "SpeedButton1", u("查找"));
  srow->addStretch(1);

  DBGridEh1 =
      AddPaymentBillGrid(this, ds_jiaofeidan, q_jiaofeidan, false, [this] { DBGridEh1SortMarkingChanged(); });
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("业主缴费明细表"));
  SetListOutput({DBGridEh1, u("业主应缴费用明细表"), PrintDBGridEh1});

  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(search);
  column->addWidget(DBGridEh1, 1);
  setWindowState(Qt::WindowMaximized);
  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}});
}

TForm_jiaofeiguanli_duoyue::~TForm_jiaofeiguanli_duoyue() {
  q_jiaofeidan->Close();
  if (Form_jiaofeiguanli_duoyue == this) Form_jiaofeiguanli_duoyue = nullptr;
}

void TForm_jiaofeiguanli_duoyue::Prepare() {
  DBComboBoxEh3->clear();
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select * from 楼宇资料 "));
  if (GardenScoped) s->SQL.Add(u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  s->SQL.Add(u("order by 楼宇名称 "));
  s->Open();
  // Each name once: several estates may keep a building of the same name.
  for (s->First(); !s->Eof(); s->Next()) {
    const QString name = s->FieldByName(u("楼宇名称"))->AsString();
    if (DBComboBoxEh3->findText(name, Qt::MatchFixedString) < 0) DBComboBoxEh3->addItem(name);
  }
  s->Close();
  DBComboBoxEh3->setCurrentText(QString());
  q_jiaofeidan->Close();
  q_jiaofeidan->SQL.Clear();
  q_jiaofeidan->SQL.Add(u("select * from 收费明细表 where (缴费状态='未缴费')") + GardenCondition());
  q_jiaofeidan->SQL.Add(u("order by 房屋代码,收费名称,开始日期 "));
  q_jiaofeidan->Open();
}

void TForm_jiaofeiguanli_duoyue::SpeedButton1Click() {
  if (!CheckActionRight("删除权")) return;
  TSearchConditions where = HouseSearchConditions(Edit1->text(), Edit3->text(), DBComboBoxEh3->currentText());
  SearchRows(q_jiaofeidan, u("select * from 收费明细表"), where.EstateScope(), u(" order by 房屋代码,收费名称,开始日期"));
}

void TForm_jiaofeiguanli_duoyue::PreparePayment() {
  if (!CheckActionRight("编辑权")) return;
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) return;
  DBGridEh1->RememberPosition();
  QList<QByteArray> rows;
  for (const QString& mark : DBGridEh1->MarkedRows()->ReachableBookmarks()) rows << mark.toLatin1();
  const MarkedBills marked = CollectMarkedBills(q_jiaofeidan, rows);
  if (marked.mixed) {
    ShowNotice(u("一次只能缴纳一个业主的同一种费用，请重新选择！"));
    return;
  }
  if (marked.sum <= Money()) {
    ShowNotice(u("没有可缴金额！"));
    return;
  }
  auto f = [this](const char* name) { return q_jiaofeidan->FieldByName(u(name)); };
  const QString ofHouse = EstateHouse(f("小区代码")->AsString(), f("房屋代码")->AsString());
  auto* dialog = new TForm_jiaofeiguanli_duoyue_edit(this);
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(u("select 零头 from 房屋资料 where ") + ofHouse);
  s->Open();
  const Money previous = s->IsEmpty() ? Money() : s->Fields()[0]->AsMoney();
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
  p("收费金额")->SetAsMoney(marked.sum);
  p("收费年月")->SetAsString(marked.months);
  p("收费项目")->SetAsString(f("收费名称")->AsString());
  for (const char* copied : {"小区名称", "小区代码", "楼宇代码", "楼宇名称", "楼宇单元", "房屋代码", "关联单位", "业主名称"})
    p(copied)->SetValue(f(copied)->Value());
  p("上次零头")->SetAsMoney(previous);
  p("单价")->SetValue(f("单价")->Value());
  if (f("本月表数")->AsFloat() > 0) {
    p("上期表数")->SetValue(f("上月表数")->Value());
    p("本期表数")->SetValue(f("本月表数")->Value());
  }
  p("行度面积")->SetValue(f("面积或数量")->Value());
  p("缴费人")->SetAsString(f("业主名称")->AsString());
  p("收款人")->SetAsString(CurrentOperatorName);
  p("缴费时间")->SetAsDateTime(Now());
  RunModal(dialog);
  delete dialog;
  pay->Close();
}


void TForm_jiaofeiguanli_duoyue::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_jiaofeidan); }

// ---------------------------------------------------------------------------------------

TForm_jiaofeiguanli_duoyue_edit::TForm_jiaofeiguanli_duoyue_edit(QWidget* parent)
    : TPaymentDialog(parent, PaymentDialogKind::MultiMonth) {}

TDBGridEh* TForm_jiaofeiguanli_duoyue_edit::CallerGrid() const {
  return Form_jiaofeiguanli_duoyue ? Form_jiaofeiguanli_duoyue->DBGridEh1 : nullptr;
}
TADOQuery* TForm_jiaofeiguanli_duoyue_edit::CallerBills() const {
  return Form_jiaofeiguanli_duoyue ? Form_jiaofeiguanli_duoyue->q_jiaofeidan : nullptr;
}

QString BillRowQueryError(const BillRowQuery& q) {
  const QString texts[] = {q.fromYear.trimmed(), q.fromMonth.trimmed(), q.toYear.trimmed(), q.toMonth.trimmed()};
  int given = 0;
  for (const QString& t : texts) given += t.isEmpty() ? 0 : 1;
  if (given == 0) return QString();
  int numbers[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    numbers[i] = texts[i].toInt(&ok);
    if (given != 4 || !ok) return u("缴费时间输入错误,请重新输入!");
  }
  if (numbers[1] < 1 || numbers[1] > 12 || numbers[3] < 1 || numbers[3] > 12) return u("缴费时间输入错误,请重新输入!");
  if (numbers[0] > numbers[2] || (numbers[0] == numbers[2] && numbers[1] > numbers[3]))
    return u("缴费时间从大于缴费时间到,请重新输入!");
  return QString();
}

QString BillRowQueryCondition(const BillRowQuery& q) {
  QStringList parts;
  auto like = [&](const char* field, const QString& text) {
    if (!text.trimmed().isEmpty())
      parts << u("(") + u(field) + u(" like ") + SqlQuote::Like(text.trimmed(), true, true) + SqlQuote::LikeEscape() + u(")");
  };
  like("房屋代码", q.house);
  like("业主名称", q.owner);
  like("楼宇名称", q.building);
  if (!q.item.trimmed().isEmpty()) parts << u("(收费名称 = ") + SqlQuote::Text(q.item.trimmed()) + u(")");
  like("关联单位", q.company);
  if (q.status.trimmed() == u("未缴费")) parts << u("(缴费状态 = '未缴费')");
  if (q.status.trimmed() == u("已缴费")) parts << u("(缴费状态 <> '未缴费')");
  if (!q.fromYear.trimmed().isEmpty() && !q.toYear.trimmed().isEmpty() && BillRowQueryError(q).isEmpty()) {
    const TDateTime from = EncodeDateTime(q.fromYear.trimmed().toInt(), q.fromMonth.trimmed().toInt(), 1, 0, 0, 0);
    const TDateTime to = EncodeDateTime(q.toYear.trimmed().toInt(), q.toMonth.trimmed().toInt(), 1, 23, 59, 59);
    parts << u("(开始日期 between ") + SqlQuote::Date(from) + u(" and ") + SqlQuote::Date(to) + u(")");
  }
  if (GardenScoped && !parts.isEmpty()) parts << u("(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  return parts.join(u("and"));
}

TForm_jiaofeiguanli_duoyue_query::TForm_jiaofeiguanli_duoyue_query(TADOQuery* target, QWidget* parent)
    : QDialog(parent), target_(target) {
  setObjectName(QStringLiteral("Form_jiaofeiguanli_duoyue_query"));
  setWindowTitle(u("查询"));
  auto* grid = new QGridLayout(this);
  int row = 0;
  auto place = [&](QWidget* w, const char* name, const char* caption) {
    w->setObjectName(QString::fromLatin1(name));
    grid->addWidget(new QLabel(u(caption), this), row, 0);
    grid->addWidget(w, row++, 1);
  };
  auto combo = [this](bool editable) {
    auto* c = new QComboBox(this);
    c->setEditable(editable);
    return c;
  };
  place(Edit1 = new QLineEdit(this), "Edit1", "房屋代码：");
  place(Edit2 = new QLineEdit(this), "Edit2", "业主名称：");
  place(ComboBox1 = combo(true), "ComboBox1", "楼宇名称：");
  place(ComboBox2 = combo(true), "ComboBox2", "收费名称：");
  place(ComboBox3 = combo(true), "ComboBox3", "缴费状况：");
  place(ComboBox4 = combo(true), "ComboBox4", "关联单位：");
  ComboBox3->addItems({u("未缴费"), u("已缴费")});
  const QStringList years = BillYearItems(), months = BillMonthItems();
  place(DBComboBoxEh1 = combo(true), "DBComboBoxEh1", "缴费时间 从：");
  place(DBComboBoxEh2 = combo(true), "DBComboBoxEh2", "");
  place(DBComboBoxEh3 = combo(true), "DBComboBoxEh3", "到：");
  place(DBComboBoxEh4 = combo(true), "DBComboBoxEh4", "");
  for (QComboBox* c : {DBComboBoxEh1, DBComboBoxEh3}) c->addItems(years);
  for (QComboBox* c : {DBComboBoxEh2, DBComboBoxEh4}) c->addItems(months);
  for (QComboBox* c : {ComboBox1, ComboBox2, ComboBox3, ComboBox4, DBComboBoxEh1, DBComboBoxEh2, DBComboBoxEh3, DBComboBoxEh4})
    c->setCurrentText(QString());
  for (QLineEdit* e : {Edit1, Edit2}) e->setValidator(new TUpperCaseValidator(e));
  bitbtn_seek = new QPushButton(u("查询 (&F)"), this);
  bitbtn_seek->setObjectName(QStringLiteral("bitbtn_seek"));
  bitbtn_close = new QPushButton(u("返回 (&R)"), this);
  bitbtn_close->setObjectName(QStringLiteral("bitbtn_close"));
  grid->addWidget(bitbtn_seek, row, 0);
  grid->addWidget(bitbtn_close, row, 1);
  connect(bitbtn_seek, &QPushButton::clicked, this, Guarded([this] { bitbtn_seekClick(); }));
  connect(bitbtn_close, &QPushButton::clicked, this, [this] { reject(); });
  WithoutDefaultButton(this);
  // Enter: 房屋代码 → 业主名称 → 楼宇名称 → 收费名称 → 缴费状况 → the two periods' year and month,
  // the last of which runs 查询; 关联单位 → the from-year.
  auto* chain = new TEnterChain(this);
  chain->Chain({Edit1, Edit2, ComboBox1, ComboBox2, ComboBox3, DBComboBoxEh1, DBComboBoxEh2, DBComboBoxEh3,
                DBComboBoxEh4},
               [this] { bitbtn_seekClick(); });
  chain->Link(ComboBox4, DBComboBoxEh1);
  for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(ComboBox1),
                     static_cast<QWidget*>(ComboBox2), static_cast<QWidget*>(ComboBox3), static_cast<QWidget*>(ComboBox4)})
    SetImeName(w, CurrentOperatorIme);
}

void TForm_jiaofeiguanli_duoyue_query::Prepare() {
  const QString estate = GardenScoped ? u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")") : QString();
  auto fill = [](QComboBox* box, const QStringList& sql) {
    box->clear();
    TADOQuery* s = Dm1->q_search;
    s->Close();
    s->SQL.Clear();
    for (const QString& line : sql)
      if (!line.isEmpty()) s->SQL.Add(line);
    s->Open();
    // Each name once: several estates may keep an item, a building or a unit of the same name.
    for (s->First(); !s->Eof(); s->Next()) {
      const QString name = s->Fields()[0]->AsString();
      if (box->findText(name, Qt::MatchFixedString) < 0) box->addItem(name);
    }
    s->Close();
    box->setCurrentText(QString());
  };
  fill(ComboBox4, {u("select 关联单位 from 关联单位 "), estate});
  fill(ComboBox1, {u("select 楼宇名称 from 楼宇资料 "), estate, u("order by 楼宇名称 ")});
  fill(ComboBox2, {u("select 收费名称 from 收费项目 "), estate, u("order by 收费名称 ")});
}

BillRowQuery TForm_jiaofeiguanli_duoyue_query::Query() const {
  return {Edit1->text(), Edit2->text(), ComboBox1->currentText(), ComboBox2->currentText(), ComboBox3->currentText(),
          ComboBox4->currentText(), DBComboBoxEh1->currentText(), DBComboBoxEh2->currentText(),
          DBComboBoxEh3->currentText(), DBComboBoxEh4->currentText()};
}

void TForm_jiaofeiguanli_duoyue_query::bitbtn_seekClick() {
  const BillRowQuery query = Query();
  const QString error = BillRowQueryError(query);
  if (!error.isEmpty()) {
    ShowNotice(error);
    DBComboBoxEh1->setFocus();
    return;
  }
  const QString condition = BillRowQueryCondition(query);
  if (condition.isEmpty()) {
    ShowNotice(u("没有输入查询条件,请重新输入!"));
    Edit1->setFocus();
    return;
  }
  target_->Close();
  target_->SQL.Clear();
  target_->SQL.Add(u("select * from 收费明细表"));
  target_->SQL.Add(u(" where ") + condition);
  target_->SQL.Add(u("order by 房屋代码,收费名称,开始日期"));
  target_->Open();
  if (target_->IsEmpty() && AskYesNo(u("没有找到合适的记录,是否重新查找!!"), u("请选择"), mrYes)) return;
  accept();
}

void TForm_jiaofeiguanli_duoyue::SpeedButton3Click() {
  if (!CheckActionRight("查找权")) return;
  auto* dialog = new TForm_jiaofeiguanli_duoyue_query(q_jiaofeidan, this);
  dialog->Prepare();
  RunModal(dialog);
  delete dialog;
}

void OpenMultiMonthPaymentCommand(QWidget* owner) {
  auto* window = new TForm_jiaofeiguanli_duoyue(owner);
  window->Prepare();
  RunModal(window);
  delete window;
}

