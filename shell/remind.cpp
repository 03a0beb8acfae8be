#include "shell/remind.h"

#include <QApplication>
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
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

namespace {

struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

bool hasRows(TDataSet* ds) { return ds->Active() && !ds->IsEmpty(); }

// One reminder line appended to 通用.
void appendLine(TADOQuery* t, TDataSet* source, const QString& content, const char* dateField) {
  t->Append();
  t->FieldByName(u("texta"))->SetAsString(source->FieldByName(u("房屋代码"))->AsString());
  t->FieldByName(u("textb"))->SetAsString(content);
  t->FieldByName(u("textc"))->SetAsString(source->FieldByName(u("业主名称"))->AsString());
  t->FieldByName(u("textd"))->SetAsString(source->FieldByName(u("小区名称"))->AsString());
  TField* date = source->FieldByName(u(dateField));
  if (!date->IsNull()) t->FieldByName(u("datea"))->SetAsDateTime(date->AsDateTime());
  t->Post();
}

void openSource(TADOQuery* s, const QString& select) {
  s->Close();
  s->SQL.Clear();
  s->SQL.Add(select);
  if (GardenScoped) s->SQL.Add(u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")"));
  s->SQL.Add(u("order by 房屋代码"));
  s->Open();
}
}  // namespace

// ---------------------------------------------------------------------------------------
// Building the list

ReminderSettings ReadReminderSettings() {
  ReminderSettings r;
  TADOQuery* q = Dm1->q_local;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from sysset"));
  q->Open();
  if (!q->IsEmpty()) {
    r.rentalDays = q->FieldByName(u("租赁提前提醒天数"))->AsInteger();
    r.rentals = q->FieldByName(u("租赁自动提醒"))->AsBoolean();
    r.complaintDays = q->FieldByName(u("投诉提前提醒天数"))->AsInteger();
    r.complaints = q->FieldByName(u("投诉自动提醒"))->AsBoolean();
  }
  q->Close();
  return r;
}

int BuildReminderList(const ReminderSettings& settings, TDateTime today) {
  TADOQuery* t = Dm1->q_tongyong;
  TADOQuery* s = Dm1->q_search;
  TADOConnection* local = Dm1->db_local;
  const TDateTime day = DateOf(today);
  int lines = 0;
  t->Close();
  local->BeginTrans();
  try {
    t->SQL.Clear();
    t->SQL.Add(u("delete from 通用"));
    t->ExecSQL();
    t->SQL.Clear();
    t->SQL.Add(u("select * from "));
    t->SQL.Add(u("通用"));
    t->Open();
    if (settings.rentals) {
      // A rental ending before today plus the lead days, also one already ended or without
      // an end date.
      const TDateTime limit = day + settings.rentalDays;
      openSource(s, u("select * from 房屋资料 where (租赁=1)"));
      for (s->First(); !s->Eof(); s->Next()) {
        TField* end = s->FieldByName(u("迁出日期"));
        if (end->IsNull() || end->AsDateTime() < limit) {
          appendLine(t, s, u("房屋租赁即将到期提醒"), "迁出日期");
          ++lines;
        }
      }
    }
    if (settings.complaints) {
      // An unfinished complaint filed before today less the complaint days.
      const TDateTime limit = day - settings.complaintDays;
      openSource(s, u("select * from 业主投诉表 where (处理结果='未完成')"));
      for (s->First(); !s->Eof(); s->Next()) {
        TField* filed = s->FieldByName(u("投诉日期"));
        if (filed->IsNull() || filed->AsDateTime() < limit) {
          appendLine(t, s, s->FieldByName(u("投诉内容"))->AsString(), "投诉日期");
          ++lines;
        }
      }
    }
    s->Close();
    local->CommitTrans();
  } catch (...) {
    local->RollbackTrans();
    s->Close();
    // The list shows what the table holds after the rollback.
    t->Close();
    t->Open();
    throw;
  }
  return lines;
}

// ---------------------------------------------------------------------------------------
// TForm_txgn

TForm_txgn::TForm_txgn(QWidget* parent) : QDialog(parent) {
  SetupDialog(this, "Form_txgn", u("提醒功能"));

  auto* bar = new QFrame(this);
  bar->setObjectName(QStringLiteral("Panel1"));
  bar->setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(2, 2, 2, 2);
  auto makeButton = [this, row](const char* name, const char* caption) { return NewToolButton(this, row, name, u(caption)); };

  bitbtn_edit = makeButton("bitbtn_edit", "提醒");
  SpeedButton3 = makeButton("SpeedButton3", "打印");
  SpeedButton2 = makeButton("SpeedButton2", "导出");
  SpeedButton4 = makeButton("SpeedButton4", "返回");
  Label1 = new QLabel(u("提前提醒天数："), bar);
  Label1->setObjectName(QStringLiteral("Label1"));
  ts = new TDBNumberEditEh(bar);
  ts->setObjectName(QStringLiteral("ts"));
  ts->SetDecimalPlaces(0);
  ts->SetMinValue(0);
  ts->SetMaxValue(100);
  ts->setMaximumWidth(80);
  row->addSpacing(16);
  row->addWidget(Label1);
  row->addWidget(ts);
  row->addStretch(1);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", Dm1->ds_tongyong);
  AddGridColumn(DBGridEh1, u("textd"), u("小区名称"), false, 110);
  AddGridColumn(DBGridEh1, u("texta"), u("房屋代码"), false, 90);
  AddGridColumn(DBGridEh1, u("textc"), u("业主名称"), false, 90);
  AddGridColumn(DBGridEh1, u("textb"), u("投诉内容"), false, 260);
  AddGridColumn(DBGridEh1, u("datea"), u("投诉日期/到期日期"), false, 130);
  StripeGridRows(DBGridEh1);
  OnGridDoubleClick(DBGridEh1, [this] { bitbtn_editClick(); });
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("提醒功能清单"));

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(bar);
  column->addWidget(DBGridEh1, 1);
  resize(720, 460);

  connect(bitbtn_edit, &QToolButton::clicked, this, Guarded([this] { bitbtn_editClick(); }));
  connect(SpeedButton3, &QToolButton::clicked, this, Guarded([this] { SpeedButton3Click(); }));
  connect(SpeedButton2, &QToolButton::clicked, this, Guarded([this] { SpeedButton2Click(); }));
  connect(SpeedButton4, &QToolButton::clicked, this, Guarded([this] { SpeedButton4Click(); }));
}

void TForm_txgn::bitbtn_editClick() {
  WaitCursor wait;
  ReminderSettings settings;
  const Variant typed = ts->Value();
  const int days = typed.isNullOrEmpty() ? 0 : int(typed.toDouble());
  if (!ts->isHidden() && days > 0) {
    // A number typed here lists both kinds with it, whatever the settings say.
    settings = {days, true, days, true};
  } else {
    settings = ReadReminderSettings();
  }
  Dm1->q_tongyong->DisableControls();
  try {
    BuildReminderList(settings, Today());
  } catch (...) {
    Dm1->q_tongyong->EnableControls();
    throw;
  }
  Dm1->q_tongyong->First();
  Dm1->q_tongyong->EnableControls();
}

void TForm_txgn::SpeedButton3Click() { PrintShownRows(PrintDBGridEh1, nullptr, true); }

void TForm_txgn::SpeedButton2Click() { ExportShownRows(DBGridEh1, u("提醒功能清单"), nullptr, true); }

void TForm_txgn::SpeedButton4Click() { close(); }

bool ShowStartupReminders(QWidget* parent) {
  auto* window = new TForm_txgn(parent);
  bool shown = false;
  try {
    window->Label1->hide();
    window->ts->hide();
    window->bitbtn_editClick();
    if (hasRows(Dm1->q_tongyong)) {
      shown = true;
      RunModal(window);
    }
  } catch (...) {
    delete window;
    Dm1->q_tongyong->Close();
    throw;
  }
  delete window;
  Dm1->q_tongyong->Close();
  return shown;
}

// ---------------------------------------------------------------------------------------
// TForm_txcsb

TForm_txcsb::TForm_txcsb(QWidget* parent) : QDialog(parent) {
  SetupDialog(this, "Form_txcsb", u("到期报警设置"));

  auto makeNumber = [this](const char* name, const char* field) {
    auto* e = new TDBNumberEditEh(this);
    e->setObjectName(QString::fromLatin1(name));
    e->SetDecimalPlaces(0);
    e->SetMaxValue(500);
    e->SetDataSource(Dm1->ds_tongyong);
    e->SetDataField(u(field));
    return e;
  };
  auto makeCheck = [this](const char* name, const char* field, const char* caption) {
    auto* c = new TDBCheckBoxEh(this);
    c->setObjectName(QString::fromLatin1(name));
    c->SetDataSource(Dm1->ds_tongyong);
    c->SetDataField(u(field));
    c->Caption = u(caption);
    c->setMinimumSize(24, 20);
    return c;
  };
  DBNumberEditEh1 = makeNumber("DBNumberEditEh1", "投诉提前提醒天数");
  DBNumberEditEh2 = makeNumber("DBNumberEditEh2", "租赁提前提醒天数");
  DBCheckBoxEh1 = makeCheck("DBCheckBoxEh1", "投诉自动提醒", "投诉自动提醒：");
  DBCheckBoxEh2 = makeCheck("DBCheckBoxEh2", "租赁自动提醒", "房屋租赁到期自动提醒：");
  using D = TForm_txcsb;
  AddDialogButtons<D>(this, {{&D::bitbtn_save, "bitbtn_save", "存盘 (&S)", &D::bitbtn_saveClick},
                            {&D::bitbtn_close, "bitbtn_close", "返回 (&R)", &D::bitbtn_closeClick}});

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(u("投诉后未处理提醒天数："), this), 0, 0, Qt::AlignRight);
  grid->addWidget(DBNumberEditEh1, 0, 1);
  grid->addWidget(new QLabel(u("投诉自动提醒："), this), 1, 0, Qt::AlignRight);
  grid->addWidget(DBCheckBoxEh1, 1, 1);
  grid->addWidget(new QLabel(u("租赁到期提前提醒天数："), this), 2, 0, Qt::AlignRight);
  grid->addWidget(DBNumberEditEh2, 2, 1);
  grid->addWidget(new QLabel(u("房屋租赁到期自动提醒："), this), 3, 0, Qt::AlignRight);
  grid->addWidget(DBCheckBoxEh2, 3, 1);
  auto* buttons = NewButtonRow({bitbtn_save, bitbtn_close});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
}

void TForm_txcsb::bitbtn_saveClick() {
  TADOQuery* q = Dm1->q_tongyong;
  if (!q->Active() || q->IsEmpty()) return;
  if (q->State() == dsBrowse) q->Edit();
  q->UpdateRecord();
  const struct {
    const char* field;
    QWidget* editor;
    const char* message;
  } checks[] = {{"投诉提前提醒天数", DBNumberEditEh1, "投诉提前提醒天数必须大于等于零，请重新输入！"},
                {"租赁提前提醒天数", DBNumberEditEh2, "租赁提前提醒天数必须大于等于零，请重新输入！"}};
  for (const auto& c : checks) {
    TField* f = q->FieldByName(u(c.field));
    if (f->IsNull() || f->AsInteger() < 0) {
      ShowNotice(u(c.message));
      if (c.editor->isEnabled()) c.editor->setFocus();
      return;
    }
  }
  try {
    q->Post();
  } catch (const Exception& e) {
    if (q->State() == dsEdit || q->State() == dsInsert) q->Cancel();
    ShowDataError(u("存盘失败"), e.message());
    reject();
    return;
  }
  ShowNotice(u("保存完毕！"));
  accept();
}

void TForm_txcsb::bitbtn_closeClick() { reject(); }

void TForm_txcsb::done(int result) {
  TADOQuery* q = Dm1->q_tongyong;
  if (q->State() == dsEdit || q->State() == dsInsert) q->Cancel();
  QDialog::done(result);
}
