#include "services/worklog.h"

#include <QComboBox>
#include <array>
#include <tuple>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "services/servicewindow.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

namespace {

bool hasRows(TDataSet* d) { return d && d->Active() && !d->IsEmpty(); }

void cancelPending(TDataSet* d) {
  if (d && (d->State() == dsEdit || d->State() == dsInsert)) d->Cancel();
}

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(u(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

// The list grid of both windows; the review window adds the review columns.
void buildGrid(TDBGridEh* grid, TDataSource* source, bool review) {
  SetupListGrid(grid, source, 0);
  const struct {
    const char* field;
    const char* title;
    int width;
  } columns[] = {{"日期", nullptr, 70},        {"周数", nullptr, 40},          {"当日工作", nullptr, 200},
                 {"当日重要事项", nullptr, 150}, {"当日未完成工作", nullptr, 150}, {"明日工作计划", nullptr, 200},
                 {"阅审意见", "领导阅审意见", 120}, {"备注", nullptr, 100},      {"操作员", nullptr, 60},
                 {"操作日期", nullptr, 70},    {"小区名称", nullptr, 100},     {"姓名", nullptr, 60}};
  for (const auto& c : columns) AddGridColumn(grid, u(c.field), c.title ? u(c.title) : QString(), false, c.width);
  if (review)
    for (const char* f : {"阅审完毕", "阅审人", "阅审日期"}) AddGridColumn(grid, u(f), QString(), false, 70);
}

// The five memos of an entry: the day's work, its important matters, what was left undone and
// tomorrow's plan, and the review's remark. The dialog that reviews only shows the first four;
// the one that writes the entry only shows the remark. A double click opens the memo editor.
std::array<TDBMemo*, 5> entryMemos(QWidget* parent, TDataSource* source, bool review) {
  std::array<TDBMemo*, 5> memos;
  const char* const fields[] = {"当日工作", "当日重要事项", "当日未完成工作", "明日工作计划", "阅审意见"};
  for (int i = 0; i < 5; ++i) {
    memos[i] = MakeDBMemo(parent, QStringLiteral("DBMemo%1").arg(i + 1).toLatin1().constData(), source, u(fields[i]));
    memos[i]->setMinimumHeight(60);
    memos[i]->setReadOnly(review ? i < 4 : i == 4);
  }
  ViewMemosOnDoubleClick(parent, source, {memos[0], memos[1], memos[2], memos[3], memos[4]});
  return memos;
}

// Each caption in the grid's first column from `row` on, its widget beside it; the next row.

// The memos' rows.
int placeMemos(QGridLayout* grid, QWidget* parent, int row, const std::array<TDBMemo*, 5>& m) {
  return PlaceCaptionedRows(grid, parent, row,
                            {{"当日工作：", m[0]}, {"当日重要事项：", m[1]}, {"当日未完成工作：", m[2]},
                             {"明日工作计划：", m[3]}, {"领导阅审意见：", m[4]}},
                            1, Qt::AlignRight | Qt::AlignTop);
}
}  // namespace

// ---------------------------------------------------------------------------------------
// The lists

TWorklogList::TWorklogList(QWidget* parent, const char* name, const QString& title) : QDialog(parent) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(title);
  q_worklog = NewQuery(this, "q_worklog", Dm1->ADO_system);
  DS_worklog = NewDataSource(this, "DS_worklog", q_worklog);

  using F = TWorklogList;
  const TToolBar bar = NewToolBar<F>(this, kPlainToolBar,
                                     {{&F::bitbtn_out, "bitbtn_out", "导出", &F::bitbtn_outClick},
                                      {&F::bitbtn_print, "bitbtn_print", "打印", &F::bitbtn_printClick},
                                      {&F::SpeedButton4, "SpeedButton4", "返回", &F::SpeedButton4Click}});
  bar.row->addStretch(1);
  toolBar_ = bar.frame;
  Panel = new QFrame(this);
  PanelRow = new QHBoxLayout(Panel);
}

QPushButton* TWorklogList::NewPanelButton(const char* name, const char* caption) { return button(Panel, name, caption); }

void TWorklogList::AddList(bool review) {
  DBGridEh1 = new TDBGridEh(this);
  DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
  buildGrid(DBGridEh1, DS_worklog, review);
  OnGridDoubleClick(DBGridEh1, [this] { BitBtn_eClick(); });
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("员工工作日志"));

  auto* column = new QVBoxLayout(this);
  column->addWidget(toolBar_);
  column->addWidget(Panel);
  column->addWidget(DBGridEh1, 1);
  resize(900, 560);
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn_e, &QPushButton::clicked, this, Guarded([this] { BitBtn_eClick(); }));
}

void TWorklogList::done(int result) {
  cancelPending(q_worklog);
  q_worklog->Close();
  QDialog::done(result);
}

void TWorklogList::bitbtn_outClick() {
  if (!CheckActionRight("导出权") || !hasRows(q_worklog)) return;
  ExportShownRows(DBGridEh1, u("员工工作日志"), nullptr, true);
}

void TWorklogList::bitbtn_printClick() {
  if (!CheckActionRight("打印权") || !hasRows(q_worklog)) return;
  PrintShownRows(PrintDBGridEh1, nullptr, true);
}

void TWorklogList::SpeedButton4Click() { close(); }

// ---------------------------------------------------------------------------------------
// The work-log window

TForm_worklog::TForm_worklog(QWidget* parent) : TWorklogList(parent, "Form_worklog", u("员工工作日志")) {
  DBDateTimeEditEh1 = MakeDateBox(Panel, "DBDateTimeEditEh1");
  BitBtn1 = NewPanelButton("BitBtn1", "确定");
  BitBtn_e = NewPanelButton("BitBtn_e", "编辑");
  BitBtn_d = NewPanelButton("BitBtn_d", "删除");
  PanelRow->addWidget(new QLabel(u("工作日期:"), Panel));
  PanelRow->addWidget(DBDateTimeEditEh1);
  PanelRow->addWidget(BitBtn1);
  PanelRow->addStretch(1);
  PanelRow->addWidget(BitBtn_e);
  PanelRow->addWidget(BitBtn_d);
  AddList(false);

  connect(BitBtn_d, &QPushButton::clicked, this, Guarded([this] { BitBtn_dClick(); }));
  // A change of the date box lists the day at once.
  DBDateTimeEditEh1->OnCloseUp = [this](QObject*, bool accept) {
    if (accept) Guard([this] { BitBtn1Click(); });
  };
  // A day typed in: listed when the box is left or Enter is pressed, once per new day.
  connect(DBDateTimeEditEh1, &QLineEdit::editingFinished, this, Guarded([this] {
    if (DateBoxEmpty(DBDateTimeEditEh1)) return;
    if (!listed_ || DateBoxDay(DBDateTimeEditEh1) != day_) BitBtn1Click();
  }));
  DBDateTimeEditEh1->setFocus();
}

void TForm_worklog::BitBtn1Click() {
  if (!CheckActionRight("编辑权")) return;
  if (DateBoxEmpty(DBDateTimeEditEh1)) {
    ShowInformation(u("请先选择日期!"));
    return;
  }
  const TDateTime day = DateBoxDay(DBDateTimeEditEh1);
  q_worklog->Close();
  q_worklog->SQL.Clear();
  q_worklog->SQL.Add(u("select * from 员工工作日志 "));
  q_worklog->SQL.Add(u(" where "));
  // Date-times as zero-padded text compare exactly with the stored dates.
  q_worklog->SQL.Add(u("(日期 between ") + SqlQuote::DateText(day) + u(" and ") + SqlQuote::DateText(EndOfDay(day)) +
                     u(")and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  q_worklog->SQL.Add(u("order by 代码"));
  q_worklog->Open();
  listed_ = true;
  day_ = day;
}

void TForm_worklog::BitBtn_eClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!listed_ || !q_worklog->Active()) return;
  auto* dialog = new TForm_worklog_edit(this);
  RunModal(dialog);
  delete dialog;
}

void TForm_worklog::BitBtn_dClick() {
  if (CheckActionRight("删除权")) DeleteScratchRow(q_worklog);
}

// ---------------------------------------------------------------------------------------
// The editing dialog

TForm_worklog_edit::TForm_worklog_edit(TForm_worklog* owner) : QDialog(owner), owner_(owner) {
  setObjectName(QStringLiteral("Form_worklog_edit"));
  setWindowTitle(u("工作日志编辑"));
  TDataSource* ds = owner->DS_worklog;
  const std::array<TDBMemo*, 5> memos = entryMemos(this, ds, false);
  std::tie(DBMemo1, DBMemo2, DBMemo3, DBMemo4, DBMemo5) = std::tuple_cat(memos);
  DBText1 = new QLabel(this);
  DBText1->setObjectName(QStringLiteral("DBText1"));
  DBText2 = new QLabel(this);
  DBText2->setObjectName(QStringLiteral("DBText2"));
  b_append = button(this, "b_append", "增加 (&A)");
  b_save = button(this, "b_save", "保存 (&S)");
  b_cancel = button(this, "b_cancel", "取消(&C)");
  b_return = button(this, "b_return", "返回 (&R)");

  auto* grid = new QGridLayout(this);
  auto* head = new QHBoxLayout;
  head->addWidget(new QLabel(u("日期："), this));
  head->addWidget(DBText1);
  head->addWidget(new QLabel(u("姓名："), this));
  head->addWidget(DBText2);
  head->addStretch(1);
  grid->addLayout(head, 0, 0, 1, 2);
  const int r = placeMemos(grid, this, 1, memos);
  auto* buttons = NewButtonRow({b_append, b_save, b_cancel, b_return});
  grid->addLayout(buttons, r, 0, 1, 2);

  connect(b_append, &QPushButton::clicked, this, Guarded([this] { b_appendClick(); }));
  connect(b_save, &QPushButton::clicked, this, Guarded([this] { b_saveClick(); }));
  connect(b_cancel, &QPushButton::clicked, this, Guarded([this] { b_cancelClick(); }));
  connect(b_return, &QPushButton::clicked, this, &QDialog::reject);
  for (TDBMemo* m : {DBMemo1, DBMemo2, DBMemo3, DBMemo4}) SetImeName(m, CurrentOperatorIme);
  showRow();
}

void TForm_worklog_edit::showRow() {
  TADOQuery* q = owner_->q_worklog;
  const bool row = q->Active() && (!q->IsEmpty() || q->State() == dsInsert);
  DBText1->setText(row ? q->FieldByName(u("日期"))->AsString() : QString());
  DBText2->setText(row ? q->FieldByName(u("姓名"))->AsString() : QString());
}

void TForm_worklog_edit::done(int result) {
  cancelPending(owner_->q_worklog);
  QDialog::done(result);
}

void TForm_worklog_edit::b_appendClick() {
  TADOQuery* q = owner_->q_worklog;
  // One entry per day and estate through this dialog.
  if (!q->Active() || !q->IsEmpty() || q->State() == dsInsert) return;
  q->Append();
  q->FieldByName(u("代码"))->SetAsString(CurrentOperatorCode);
  q->FieldByName(u("姓名"))->SetAsString(CurrentOperatorName);
  q->FieldByName(u("小区代码"))->SetAsString(CurrentGardenCode);
  q->FieldByName(u("小区名称"))->SetAsString(CurrentGardenName);
  q->FieldByName(u("日期"))->SetAsDateTime(owner_->ListedDay());
  b_append->setEnabled(false);
  b_return->setEnabled(false);
  showRow();
  DBMemo1->setFocus();
}

void TForm_worklog_edit::b_saveClick() {
  TADOQuery* q = owner_->q_worklog;
  if (!q->Active()) return;
  if (q->State() == dsBrowse) {
    if (q->IsEmpty()) return;
    q->Edit();
  }
  q->UpdateRecord();
  if (q->FieldByName(u("当日工作"))->AsString().trimmed().isEmpty()) {
    ShowNotice(u("当日工作不能为空,请重新输入!"));
    DBMemo1->setFocus();
    return;
  }
  try {
    q->FieldByName(u("操作员"))->SetAsString(CurrentOperatorName);
    q->FieldByName(u("操作日期"))->SetAsDateTime(Now());
    q->Post();
    ShowNotice(u("保存完毕!"));
  } catch (const Exception& e) {
    cancelPending(q);
    ShowDataError(u("存盘失败"), e.message());
  }
  b_append->setEnabled(true);
  b_return->setEnabled(true);
}

void TForm_worklog_edit::b_cancelClick() {
  cancelPending(owner_->q_worklog);
  b_append->setEnabled(true);
  b_return->setEnabled(true);
  showRow();
}

// ---------------------------------------------------------------------------------------
// The review window

QString WorklogReviewCondition(const QString& reviewed, bool withDates, TDateTime from, TDateTime to) {
  QString where;
  if (reviewed == u("是")) AddCondition(where, u("(阅审完毕 =  1)"));
  else if (reviewed == u("否")) AddCondition(where, u("(阅审完毕 =  0)"));
  if (withDates)
    AddCondition(where, u("(日期 between ") + SqlQuote::DateText(DateOf(from)) + u(" and ") +
                            SqlQuote::DateText(EndOfDay(to)) + u(")"));
  return where;
}

TForm_worklog_check::TForm_worklog_check(QWidget* parent)
    : TWorklogList(parent, "Form_worklog_check", u("阅审员工工作日志")) {
  DBDateTimeEditEh1 = MakeDateBox(Panel, "DBDateTimeEditEh1");
  DBDateTimeEditEh2 = MakeDateBox(Panel, "DBDateTimeEditEh2");
  ComboBox1 = new QComboBox(Panel);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems({u("是"), u("否")});
  ComboBox1->setCurrentIndex(-1);
  BitBtn1 = NewPanelButton("BitBtn1", "确定");
  BitBtn_e = NewPanelButton("BitBtn_e", "编辑");
  AddCaptionedEditors(PanelRow, Panel,
                      {{"工作日期 从:", DBDateTimeEditEh1}, {"到:", DBDateTimeEditEh2}, {"审阅完毕:", ComboBox1}});
  PanelRow->addWidget(BitBtn1);
  PanelRow->addStretch(1);
  PanelRow->addWidget(BitBtn_e);
  AddList(true);
  auto* chain = new TEnterChain(this);
  chain->Link(DBDateTimeEditEh1, DBDateTimeEditEh2);
}

void TForm_worklog_check::BitBtn1Click() {
  if (!AcceptDateRange(DBDateTimeEditEh1, DBDateTimeEditEh2, u("工作日期输入错误,请重新输入!"),
                       u("工作日期从大于工作日期到,请重新输入!")))
    return;
  const bool dates = CheckDateRange(DBDateTimeEditEh1, DBDateTimeEditEh2) == DateRangeState::Filled;
  QString where = WorklogReviewCondition(ComboBox1->currentText(), dates,
                                         dates ? DateBoxDay(DBDateTimeEditEh1) : 0, dates ? DateBoxDay(DBDateTimeEditEh2) : 0);
  if (where.isEmpty()) return;
  AddCondition(where, u("(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  q_worklog->Close();
  q_worklog->SQL.Clear();
  q_worklog->SQL.Add(u("select * from 员工工作日志 "));
  q_worklog->SQL.Add(u(" where "));
  q_worklog->SQL.Add(where);
  q_worklog->SQL.Add(u("order by 日期 DESC"));
  q_worklog->Open();
}

void TForm_worklog_check::BitBtn_eClick() {
  if (!CheckActionRight("编辑权")) return;
  if (!hasRows(q_worklog)) return;
  auto* dialog = new TForm_worklog_check_edit(this);
  RunModal(dialog);
  delete dialog;
}

// ---------------------------------------------------------------------------------------
// The review dialog

TForm_worklog_check_edit::TForm_worklog_check_edit(TForm_worklog_check* owner) : QDialog(owner), owner_(owner) {
  setObjectName(QStringLiteral("Form_worklog_check_edit"));
  setWindowTitle(u("工作日志编辑"));
  TDataSource* ds = owner->DS_worklog;
  const std::array<TDBMemo*, 5> memos = entryMemos(this, ds, true);
  std::tie(DBMemo1, DBMemo2, DBMemo3, DBMemo4, DBMemo5) = std::tuple_cat(memos);
  DBCheckBox1 = MakeDBCheck(this, "DBCheckBox1", ds, u("阅审完毕"), u("阅审完毕："));
  DBEdit1 = MakeDBEdit(this, "DBEdit1", ds, u("阅审人"));
  DBDateTimeEditEh1 = MakeDBDateEdit(this, "DBDateTimeEditEh1", ds, u("阅审日期"));
  b_save = button(this, "b_save", "保存 (&S)");
  b_cancel = button(this, "b_cancel", "取消(&C)");
  b_return = button(this, "b_return", "返回 (&R)");

  auto* grid = new QGridLayout(this);
  const int r = PlaceCaptionedRows(grid, this, placeMemos(grid, this, 0, memos),
                                   {{"阅审完毕：", DBCheckBox1}, {"阅审人：", DBEdit1}, {"阅审日期：", DBDateTimeEditEh1}},
                                   1, Qt::AlignRight | Qt::AlignTop);
  auto* buttons = NewButtonRow({b_save, b_cancel, b_return});
  grid->addLayout(buttons, r, 0, 1, 2);
  connect(b_save, &QPushButton::clicked, this, Guarded([this] { b_saveClick(); }));
  connect(b_cancel, &QPushButton::clicked, this, Guarded([this] { b_cancelClick(); }));
  connect(b_return, &QPushButton::clicked, this, &QDialog::reject);
  SetImeName(DBMemo5, CurrentOperatorIme);
}

void TForm_worklog_check_edit::done(int result) {
  cancelPending(owner_->q_worklog);
  QDialog::done(result);
}

void TForm_worklog_check_edit::b_saveClick() {
  TADOQuery* q = owner_->q_worklog;
  if (!hasRows(q)) return;
  if (q->State() == dsBrowse) q->Edit();
  q->UpdateRecord();
  // Nothing changed: nothing is stamped.
  if (!q->Modified()) return;
  try {
    q->FieldByName(u("阅审人"))->SetAsString(CurrentOperatorName);
    q->FieldByName(u("阅审日期"))->SetAsDateTime(Now());
    q->Post();
    ShowNotice(u("保存完毕!"));
  } catch (const Exception& e) {
    cancelPending(q);
    ShowDataError(u("存盘失败"), e.message());
  }
}

void TForm_worklog_check_edit::b_cancelClick() { cancelPending(owner_->q_worklog); }
