#include "shell/maintenance.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"

namespace {
QString u(const char* utf8) { return QString::fromUtf8(utf8); }

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(u(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

void setupDialog(QDialog* d, const char* name, const char* caption) {
  d->setObjectName(QString::fromLatin1(name));
  d->setWindowTitle(u(caption));
  QFont font(u("宋体"));
  font.setPointSize(9);
  d->setFont(font);
}

bool sameFile(const QString& a, const QString& b) {
  const QFileInfo fa(a), fb(b);
  if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
  return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

// The path box, the browse button beside it and the two buttons of backup and restore.
void buildFileWindow(QDialog* d, QLabel*& label, QLineEdit*& edit, QToolButton*& browse, QPushButton*& action,
                     QPushButton*& back, const char* actionCaption) {
  label = new QLabel(u("目的数据库名："), d);
  label->setObjectName(QStringLiteral("Label1"));
  edit = new QLineEdit(d);
  edit->setObjectName(QStringLiteral("Edit1"));
  edit->setReadOnly(true);
  edit->setMinimumWidth(300);
  browse = new QToolButton(d);
  browse->setObjectName(QStringLiteral("SpeedButton1"));
  browse->setText(QStringLiteral("..."));
  action = makeButton(d, "BitBtn1", actionCaption);
  back = makeButton(d, "BitBtn2", "返回");
  auto* row = new QHBoxLayout;
  row->addWidget(edit, 1);
  row->addWidget(browse);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(action);
  buttons->addWidget(back);
  auto* layout = new QVBoxLayout(d);
  layout->addWidget(label);
  layout->addLayout(row);
  layout->addLayout(buttons);
}

// Runs `statements` through Dm1.q_search in one transaction of the main connection: all of
// them land or none. The database's error goes on to the caller.
void runInOneTransaction(const QStringList& statements) {
  TADOConnection* conn = Dm1->ADO_system;
  TADOQuery* q = Dm1->q_search;
  conn->BeginTrans();
  try {
    for (const QString& sql : statements) {
      q->Close();
      q->SQL.Clear();
      q->SQL.Add(sql);
      q->ExecSQL();
    }
    q->Close();
    conn->CommitTrans();
  } catch (...) {
    conn->RollbackTrans();
    q->Close();
    throw;
  }
}
}  // namespace

QString MainDatabaseFile() {
  return QFileInfo(TADOConnection::SqliteFileFor(Dm1->ADO_system->ConnectionString)).absoluteFilePath();
}

bool ReplaceFileWithCopy(const QString& from, const QString& to, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  if (from.isEmpty() || to.isEmpty()) return fail(u("没有选择文件"));
  if (!QFileInfo::exists(from)) return fail(u("文件不存在：") + from);
  if (sameFile(from, to)) return fail(u("源文件和目的文件是同一个文件"));
  const QString part = to + u(".part");
  QFile::remove(part);
  QFile source(from);
  if (!source.copy(part)) {
    QFile::remove(part);
    return fail(source.errorString());
  }
  // Only a complete copy replaces the old file; the old one stays until the copy is in place.
  const QString old = to + u(".old");
  QFile::remove(old);
  const bool hadOld = QFileInfo::exists(to);
  if (hadOld && !QFile::rename(to, old)) {
    QFile::remove(part);
    return fail(u("不能替换文件：") + to);
  }
  if (!QFile::rename(part, to)) {
    if (hadOld) QFile::rename(old, to);
    QFile::remove(part);
    return fail(u("不能写入文件：") + to);
  }
  if (hadOld) QFile::remove(old);
  return true;
}

// ---------------------------------------------------------------------------------------
// Backup

TForm_backup::TForm_backup(QWidget* parent) : QDialog(parent) {
  setupDialog(this, "Form_backup", "系统备份管理");
  buildFileWindow(this, Label1, Edit1, SpeedButton1, BitBtn1, BitBtn2, "备份");
  connect(SpeedButton1, &QToolButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, Guarded([this] { BitBtn2Click(); }));
}

void TForm_backup::SpeedButton1Click() {
  FileDialogRequest r;
  r.title = u("备份数据库文件");
  r.defaultExt = u("db");
  r.filter = u("数据库文件 (*.db)|*.db|所有文件 (*.*)|*.*");
  r.fileName = Edit1->text();
  if (auto chosen = SaveFileDialog(r)) Edit1->setText(*chosen);
}

void TForm_backup::BitBtn1Click() {
  const QString target = Edit1->text().isEmpty() ? QString() : QFileInfo(Edit1->text()).absoluteFilePath();
  QString error;
  // The live file is consistent whenever no transaction is open: every change has been
  // written through and no journal is pending.
  if (Dm1->ADO_system->InTransaction()) error = u("数据库正在使用中");
  else ReplaceFileWithCopy(MainDatabaseFile(), target, &error);
  if (!error.isEmpty()) {
    ShowNotice(u("备份失败：") + error);
    return;
  }
  ShowNotice(u("备份完毕！"));
  accept();
}

void TForm_backup::BitBtn2Click() { reject(); }

// ---------------------------------------------------------------------------------------
// Restore

TForm_restore::TForm_restore(QWidget* parent) : QDialog(parent) {
  setupDialog(this, "Form_restore", "系统恢复管理");
  buildFileWindow(this, Label1, Edit1, SpeedButton1, BitBtn1, BitBtn2, "恢复");
  connect(SpeedButton1, &QToolButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, Guarded([this] { BitBtn2Click(); }));
}

void TForm_restore::SpeedButton1Click() {
  FileDialogRequest r;
  r.title = u("恢复数据库文件");
  r.filter = u("数据库文件 (*.db)|*.db|所有文件 (*.*)|*.*");
  r.fileName = Edit1->text();
  if (auto chosen = OpenFileDialog(r)) Edit1->setText(*chosen);
}

namespace {
// Copies the chosen file beside the main file and checks that the copy opens as a main
// database; returns the copy's path, or empty with the reason.
QString checkedCopy(const QString& chosen, const QString& mainFile, QString* error) {
  const QString copy = mainFile + u(".restore.db");
  if (!ReplaceFileWithCopy(chosen, copy, error)) return QString();
  TADOConnection probe;
  probe.ConnectionString = u("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"") + copy + u("\"");
  try {
    probe.Open();
    TADOQuery q;
    q.SetConnection(&probe);
    q.SQL.Add(u("select count(*) from 权限表"));
    q.Open();
    q.Close();
    probe.Close();
  } catch (const Exception& e) {
    probe.Close();
    QFile::remove(copy);
    *error = u("所选文件不是本系统的数据库（") + e.message() + u("）");
    return QString();
  }
  return copy;
}
}  // namespace

void TForm_restore::BitBtn1Click() {
  if (!AskYesNo(u("确实要恢复数据库吗? "))) return;
  const QString mainFile = MainDatabaseFile();
  const QString chosen = Edit1->text().isEmpty() ? QString() : QFileInfo(Edit1->text()).absoluteFilePath();
  QString error;
  const QString copy = checkedCopy(chosen, mainFile, &error);
  if (copy.isEmpty()) {
    ShowNotice(u("恢复失败：") + error);
    return;
  }
  // Every dataset on the connection closes with it; the live file is then replaced whole.
  TADOConnection* conn = Dm1->ADO_system;
  if (conn->Connected()) conn->Close();
  const bool replaced = ReplaceFileWithCopy(copy, mainFile, &error);
  QFile::remove(copy);
  if (replaced) ShowNotice(u("恢复完毕！"));
  else ShowNotice(u("恢复失败：") + error);
  conn->Open();
  if (replaced) accept();
}

void TForm_restore::BitBtn2Click() { reject(); }

// ---------------------------------------------------------------------------------------
// Initialisation

QStringList TForm_initialize::Tables() {
  return {u("收费项目"), u("房屋资料"), u("楼宇资料"), u("房屋收费项目"),
          u("业主投诉表"), u("收费明细表"), u("收费汇总表"), u("押金明细表")};
}

TForm_initialize::TForm_initialize(QWidget* parent) : QDialog(parent) {
  setupDialog(this, "Form_initialize", "数据初始化");
  auto* note1 = new QLabel(u("提示：数据初始化就是清空选中项目数据库中的数据。"), this);
  auto* note2 = new QLabel(u("如果用户第一次使用本系统时或者需要清空数据库时，请使用本功能，清除原来的数据，便于录入新的数据。"), this);
  note2->setWordWrap(true);
  const char* captions[8] = {"收费项目", "业主资料", "楼宇资料", "房屋收费项目",
                             "投诉明细表", "收费明细表", "实收费用明细表", "押金明细表"};
  auto* boxes = new QGridLayout;
  for (int i = 0; i < 8; ++i) {
    CheckBox[i] = new QCheckBox(u(captions[i]), this);
    CheckBox[i]->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
    boxes->addWidget(CheckBox[i], i / 2, i % 2);
  }
  BitBtn1 = makeButton(this, "BitBtn1", "全选");
  BitBtn2 = makeButton(this, "BitBtn2", "不选");
  BitBtn3 = makeButton(this, "BitBtn3", "确定");
  BitBtn4 = makeButton(this, "BitBtn4", "取消");
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, Guarded([this] { BitBtn2Click(); }));
  connect(BitBtn3, &QPushButton::clicked, this, Guarded([this] { BitBtn3Click(); }));
  connect(BitBtn4, &QPushButton::clicked, this, Guarded([this] { BitBtn4Click(); }));
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3, BitBtn4}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note1);
  layout->addWidget(note2);
  layout->addLayout(boxes);
  layout->addLayout(buttons);
}

void TForm_initialize::BitBtn1Click() {
  for (QCheckBox* c : CheckBox) c->setChecked(true);
}

void TForm_initialize::BitBtn2Click() {
  for (QCheckBox* c : CheckBox) c->setChecked(false);
}

void TForm_initialize::BitBtn3Click() {
  if (!AskYesNo(u("要初始化选中的数据库吗? "))) return;
  const QStringList tables = Tables();
  QStringList statements;
  for (int i = 0; i < 8; ++i) {
    if (!CheckBox[i]->isChecked()) continue;
    QString sql = u("delete from ") + tables[i] + u(" ");
    if (GardenScoped) sql += u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
    statements << sql;
  }
  // A failure leaves every table as it was; the error box of the event loop reports it.
  runInOneTransaction(statements);
  ShowNotice(u("初始化完毕！"));
}

void TForm_initialize::BitBtn4Click() { reject(); }

// ---------------------------------------------------------------------------------------
// Clean-up

bool ArrangePeriod(int fromYear, int fromMonth, int toYear, int toMonth, TDateTime& start, TDateTime& end) {
  if (fromYear > toYear || (fromYear == toYear && fromMonth > toMonth)) return false;
  start = FirstDayOfMonth(fromYear, fromMonth);
  end = EndOfDay(LastDayOfMonth(toYear, toMonth));
  return true;
}

TForm_arrange::TForm_arrange(QWidget* parent) : QDialog(parent) {
  setupDialog(this, "Form_arrange", "数据清理");
  auto makeMonth = [this](const char* name) {
    auto* e = new QDateEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setDisplayFormat(u("yyyy年MM月"));
    e->setCalendarPopup(true);
    return e;
  };
  DateTimePicker1 = makeMonth("DateTimePicker1");
  DateTimePicker2 = makeMonth("DateTimePicker2");
  const char* captions[4] = {"应缴金额明细表", "实收金额明细表", "投诉明细表", "押金明细表"};
  for (int i = 0; i < 4; ++i) {
    CheckBox[i] = new QCheckBox(u(captions[i]), this);
    CheckBox[i]->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
  }
  auto* note = new QLabel(u("可以清理某时间段内，选中业主，\n选中项目的资料，资料一旦清理了，\n就不能恢复，请确认后操作！"), this);
  note->setStyleSheet(QStringLiteral("color: red;"));

  auto* houses = new QGroupBox(u("房屋信息"), this);
  Edit1 = new QLineEdit(houses);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  DBComboBoxEh3 = new TDBComboBoxEh(houses);
  DBComboBoxEh3->setObjectName(QStringLiteral("DBComboBoxEh3"));
  SpeedButton1 = makeButton(houses, "SpeedButton1", "查找");
  q_house = new TADOQuery(this);
  q_house->setObjectName(QStringLiteral("q_house"));
  q_house->SetConnection(Dm1->ADO_system);
  ds_house = new TDataSource(this);
  ds_house->setObjectName(QStringLiteral("ds_house"));
  ds_house->SetDataSet(q_house);
  DBGridEh1 = new TDBGridEh(houses);
  DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
  SetupListGrid(DBGridEh1, ds_house, 0);
  DBGridEh1->SetOptions(DBGridEh1->Options() | dgMultiSelect);
  AddGridColumn(DBGridEh1, u("楼宇名称"), QString(), false, 100);
  AddGridColumn(DBGridEh1, u("房屋代码"), u("代码"), false, 80);
  AddGridColumn(DBGridEh1, u("业主名称"), QString(), false, 100);
  auto* houseLayout = new QGridLayout(houses);
  houseLayout->addWidget(new QLabel(u("房屋代码："), houses), 0, 0);
  houseLayout->addWidget(Edit1, 0, 1);
  houseLayout->addWidget(new QLabel(u("楼宇名称："), houses), 1, 0);
  houseLayout->addWidget(DBComboBoxEh3, 1, 1);
  houseLayout->addWidget(SpeedButton1, 1, 2);
  houseLayout->addWidget(DBGridEh1, 2, 0, 1, 3);

  BitBtn1 = makeButton(this, "BitBtn1", "确定");
  BitBtn2 = makeButton(this, "BitBtn2", "返回");
  connect(SpeedButton1, &QPushButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
  connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, Guarded([this] { BitBtn2Click(); }));
  auto* enter = new TEnterChain(this);
  enter->Link(Edit1, DBComboBoxEh3);
  enter->Action(DBComboBoxEh3, [this] { SpeedButton1Click(); });

  auto* left = new QVBoxLayout;
  auto* dates = new QHBoxLayout;
  dates->addWidget(new QLabel(u("日期 从"), this));
  dates->addWidget(DateTimePicker1);
  dates->addWidget(new QLabel(u("到"), this));
  dates->addWidget(DateTimePicker2);
  left->addLayout(dates);
  for (QCheckBox* c : CheckBox) left->addWidget(c);
  left->addWidget(note);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  left->addLayout(buttons);
  left->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(houses, 1);
  resize(720, 420);
  FormActivate();
}

void TForm_arrange::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TForm_arrange::FormActivate() {
  DateTimePicker1->setDate(QDate::currentDate());
  DateTimePicker2->setDate(QDate::currentDate());
}

void TForm_arrange::SpeedButton1Click() {
  QString where;
  if (!Edit1->text().trimmed().isEmpty())
    where = u("(房屋代码 like ") + SqlQuote::Like(Edit1->text(), true, true) + SqlQuote::LikeEscape() + u(")");
  const QString building = DBComboBoxEh3->Text();
  if (!building.trimmed().isEmpty())
    where += (where.isEmpty() ? QString() : u("and")) + u("(楼宇名称 = ") + SqlQuote::Text(building) + u(")");
  q_house->Close();
  q_house->SQL.Clear();
  if (where.isEmpty()) q_house->SQL.Add(u("select * from 房屋资料 "));
  else q_house->SQL.Add(u("select * from 房屋资料 where ") + where);
  q_house->SQL.Add(u("order by 房屋代码"));
  q_house->Open();
  if (q_house->IsEmpty()) ShowInformation(u("没有找到合适的记录！"));
}

void TForm_arrange::BitBtn1Click() {
  const QDate from = DateTimePicker1->date(), to = DateTimePicker2->date();
  if (!from.isValid() || !to.isValid()) {
    ShowNotice(u("没有输入缴费时间,请重新输入!"));
    return;
  }
  TDateTime start = 0, end = 0;
  if (!ArrangePeriod(from.year(), from.month(), to.year(), to.month(), start, end)) {
    ShowNotice(u("缴费时间从不能大于缴费时间到,请重新输入!"));
    DateTimePicker1->setFocus();
    return;
  }
  if (!q_house->Active() || q_house->IsEmpty()) {
    ShowNotice(u("请先选择业主！"));
    Edit1->setFocus();
    return;
  }
  if (!AskYesNo(u("要清理选中的项目吗? "))) return;

  static const char* const tables[4][2] = {
      {"收费明细表", "开始日期"}, {"收费汇总表", "缴费时间"}, {"业主投诉表", "投诉日期"}, {"押金明细表", "日期"}};
  DBGridEh1->RememberPosition();
  QStringList statements;
  const QByteArray here = q_house->GetBookmark();
  for (const QString& mark : DBGridEh1->MarkedRows()->Bookmarks()) {
    q_house->GotoBookmark(mark.toLatin1());
    const QString house = q_house->FieldByName(u("房屋代码"))->AsString();
    for (int i = 0; i < 4; ++i) {
      if (!CheckBox[i]->isChecked()) continue;
      statements << u("delete from ") + u(tables[i][0]) + u(" where ") + u("(") + u(tables[i][1]) + u(" between ") +
                        SqlQuote::Date(start) + u(" and ") + SqlQuote::Date(end) + u(")and(房屋代码=") +
                        SqlQuote::Text(house) + u(")");
    }
  }
  if (!here.isEmpty()) q_house->GotoBookmark(here);
  DBGridEh1->ReturnToPosition();
  // All the houses and tables are cleaned together, or nothing is when one statement fails.
  runInOneTransaction(statements);
  ShowNotice(u("整理完毕！"));
}

void TForm_arrange::BitBtn2Click() { reject(); }
