#include "shell/maintenance.h"

#include <algorithm>

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryFile>
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
#include "platform/data/sqlitebackend.h"
#include "platform/data/sqlquote.h"
#include "platform/data/upgrade.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"
#include "shell/seats.h"

#include <cstdio>
#include <unistd.h>

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(u(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
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
  auto* buttons = NewButtonRow({action, back});
  auto* layout = new QVBoxLayout(d);
  layout->addWidget(label);
  layout->addLayout(row);
  layout->addLayout(buttons);
}

// Restore, initialisation and clean-up change or remove the office's data wholesale: they
// need the right of operator setup, as the operator window itself does.
bool mayRunMaintenance() {
  if (RightFlags.value(u("操作员设置"))) return true;
  ShowNotice(u("抱歉，您没有权限，不能进行操作！"));
  return false;
}

// The wait cursor while a long file operation runs.
struct BusyCursor {
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
};

// The template of a work file beside `file`: ".NAME.purpose-XXXXXX".
QString workFileTemplate(const QString& file, const char* purpose) {
  const QFileInfo fi(file);
  return fi.absoluteDir().filePath(u(".") + fi.fileName() + u(".") + u(purpose) + u("-XXXXXX"));
}

// Replaces `to` by `from` in one step (rename(2)); no moment without a complete `to`.
bool renameOver(const QString& from, const QString& to) {
  return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// The condition that selects the rows of one house of one estate. An estate left empty
// matches rows whose estate is empty or null, as rows written without an estate are.
QString houseCondition(const QString& estate, const QString& house) {
  return u("(coalesce(小区代码,'')=") + SqlQuote::Text(estate) + u(")and(房屋代码=") + SqlQuote::Text(house) + u(")");
}

}  // namespace

QString MainDatabaseFile() {
  return TADOConnection::DatabaseFileFor(Dm1->ADO_system->ConnectionString);
}

// Runs `statements` through Dm1.q_search in one transaction of the main connection: all of
// them land or none. The database's error goes on to the caller.
void RunStatementsInOneTransaction(const QStringList& statements) {
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

// ---------------------------------------------------------------------------------------
// Backup

TForm_backup::TForm_backup(QWidget* parent) : QDialog(parent) {
  SetupDialog(this, "Form_backup", u("系统备份管理"));
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

QString BackupTargetProblem(const QString& target) {
  if (target.trimmed().isEmpty()) return u("没有选择备份文件");
  const QFileInfo fi(target);
  if (fi.isDir()) return u("目的是一个文件夹，请输入一个文件名");
  for (const QString& own : TDm1::ProgramDatabaseFiles()) {
    for (const QString& suffix : {QString(), u("-journal"), u("-wal"), u("-shm"), u("-seats")})
      if (sameFile(target, own + suffix)) return u("不能备份到本系统自己的数据库文件上");
  }
  if (!fi.absoluteDir().exists()) return u("文件夹不存在：") + QDir::toNativeSeparators(fi.absolutePath());
  return QString();
}

// The hidden copies backups make in a target folder: ".NAME.part-XXXXXX".
const char* const kBackupCopies = ".*.part-??????";

void RemoveBackupLeftovers(const QString& mainFile) {
  const QFileInfo fi(mainFile);
  const QString pattern = u(".") + fi.fileName() + u(".backup-*");
  for (const QFileInfo& note : fi.absoluteDir().entryInfoList({pattern}, QDir::Files | QDir::Hidden)) {
    // A note held by its backup is work in progress; one nobody holds names the folder of a
    // killed backup's copy.
    QFile f(note.absoluteFilePath());
    if (!f.open(QIODevice::ReadOnly)) continue;
    const QString folder = QString::fromUtf8(f.readAll()).trimmed();
    f.close();
    RemoveUnheldFiles(note.absolutePath(), {note.fileName()});
    if (QFileInfo::exists(note.absoluteFilePath()) || folder.isEmpty()) continue;
    RemoveUnheldFiles(folder, {u(kBackupCopies)});
  }
}

bool BackupMainDatabase(const QString& target, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  if (const QString problem = BackupTargetProblem(target); !problem.isEmpty()) return fail(problem);
  const QString absolute = QFileInfo(target).absoluteFilePath();
  const QString folder = QFileInfo(absolute).absolutePath();
  // Copies that killed backups left in this folder, and in those the data folder's notes name.
  RemoveUnheldFiles(folder, {u(kBackupCopies)});
  RemoveBackupLeftovers(MainDatabaseFile());
  // The copy is made beside the target and checked; only then does it take the target's name.
  // The copy, and a note in the data folder naming the folder of the copy (written before the
  // copy exists), are held while the backup works.
  THeldFile note(workFileTemplate(MainDatabaseFile(), "backup"));
  struct NoteGone {
    QString name;
    ~NoteGone() {
      if (!name.isEmpty()) QFile::remove(name);
    }
  } noteGone{note.fileName()};
  if (!note.fileName().isEmpty()) {
    QFile f(note.fileName());
    if (f.open(QIODevice::WriteOnly)) f.write(folder.toUtf8());
  }
  THeldFile held(workFileTemplate(absolute, "part"));
  const QString temp = held.fileName();
  if (temp.isEmpty()) return fail(u("不能在目的文件夹中写文件"));
  QString why;
  if (!SqliteBackupFile(MainDatabaseFile(), temp, &why)) {
    QFile::remove(temp);
    return fail(u("复制数据库时出错：") + why);
  }
  if (const QString damage = SqliteIntegrityProblem(temp); !damage.isEmpty()) {
    QFile::remove(temp);
    return fail(u("备份文件检查没有通过：") + damage);
  }
  if (!renameOver(temp, absolute)) {
    QFile::remove(temp);
    return fail(u("不能写入文件：") + QDir::toNativeSeparators(absolute));
  }
  SyncToDisk(QFileInfo(absolute).absolutePath());
  return true;
}

void TForm_backup::BitBtn1Click() {
  QString error;
  bool done = false;
  {
    BusyCursor busy;
    done = BackupMainDatabase(Edit1->text(), &error);
  }
  if (!done) {
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
  SetupDialog(this, "Form_restore", u("系统恢复管理"));
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

QString RestoreSourceProblem(const QString& chosen) {
  if (chosen.trimmed().isEmpty()) return u("没有选择要恢复的数据库文件");
  const QFileInfo fi(chosen);
  if (!fi.exists()) return u("文件不存在：") + QDir::toNativeSeparators(chosen);
  if (fi.isDir()) return u("所选的是一个文件夹，请选择备份的数据库文件");
  if (sameFile(chosen, MainDatabaseFile())) return u("所选文件就是正在使用的数据库");
  if (fi.size() == 0) return u("所选文件是空的");
  if (const QString damage = SqliteIntegrityProblem(chosen); !damage.isEmpty())
    return u("所选文件已损坏或不是数据库（") + damage + u("）");
  // An older release's file lacks what the upgrade adds; it is upgraded on the copy.
  const QStringList missing = SqliteMissingSchema(chosen, TADOConnection::SchemaScriptFor(u("kelo")));
  const QStringList upgradeAdds = UpgradeAddedColumns();
  if (!std::all_of(missing.begin(), missing.end(), [&](const QString& m) { return upgradeAdds.contains(m); }))
    return u("所选文件不是本系统完整的主数据库，缺少：") + missing.mid(0, 5).join(u("、")) +
           (missing.size() > 5 ? u(" 等") : QString());
  return QString();
}

// Why the copy of a backup cannot become the main database: brought to this release's shape
// as start-up brings an older file, it must hold what the program makes and nothing else.
QString restoredCopyProblem(const QString& copy, QStringList* notices) {
  if (const QString why = TDm1::UpgradeMainDatabase(copy, notices); !why.isEmpty())
    return u("所选文件不是本系统完整的主数据库，") + why;
  // The indexes and triggers that keep numbers and codes single: every release made them.
  if (const QStringList missing = SqliteMissingObjects(copy, TADOConnection::SchemaScriptFor(u("kelo"))); !missing.isEmpty())
    return u("所选文件不是本系统完整的主数据库，缺少：") + missing.mid(0, 5).join(u("、")) +
           (missing.size() > 5 ? u(" 等") : QString());
  const QStringList foreign = SqliteForeignSchema(copy, TADOConnection::SchemaScriptFor(u("kelo")));
  if (!foreign.isEmpty())
    return u("所选文件含有本系统不建立的数据库对象，为安全起见不能恢复：") + foreign.mid(0, 5).join(u("、")) +
           (foreign.size() > 5 ? u(" 等") : QString());
  if (const QString damage = SqliteIntegrityProblem(copy); !damage.isEmpty()) return u("复制所选文件时出错：") + damage;
  return QString();
}

QString KeptFileName(const QString& mainFile, const QDateTime& when) {
  const QFileInfo fi(mainFile);
  return fi.absoluteDir().filePath(fi.completeBaseName() + u("-恢复前-") + when.toString(u("yyyyMMdd-HHmmss")) + u(".") +
                                   fi.suffix());
}

bool RestoreMainDatabase(const QString& chosen, QString* kept, QString* error, QStringList* notices) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  const QString mainFile = MainDatabaseFile();
  // Another seat would go on reading and writing the file set aside: refused at once, and
  // again when the file is swapped.
  if (const TExclusiveUse first(mainFile); !first.granted()) return fail(first.problem());
  if (const QString problem = RestoreSourceProblem(chosen); !problem.isEmpty()) return fail(problem);
  // 1. A checked, consistent copy beside the main file, held while this restore works on it;
  //    the live file is not touched yet.
  THeldFile held(workFileTemplate(mainFile, "restore"));
  const QString temp = held.fileName();
  if (temp.isEmpty()) return fail(u("不能在数据文件夹中写文件"));
  QString why;
  QStringList told;
  if (!SqliteBackupFile(QFileInfo(chosen).absoluteFilePath(), temp, &why)) {
    QFile::remove(temp);
    return fail(u("复制所选文件时出错：") + why);
  }
  if (const QString problem = restoredCopyProblem(temp, &told); !problem.isEmpty()) {
    QFile::remove(temp);
    return fail(problem);
  }
  // 2. No other seat may be open from here to the swap, and none may start meanwhile.
  const TExclusiveUse exclusive(mainFile);
  if (!exclusive.granted()) {
    QFile::remove(temp);
    return fail(exclusive.problem());
  }
  // 3. The connection closes (every dataset on it closes with it). A journal beside the main
  //    file means a writer is still at work: its changes would be played into the new file.
  TADOConnection* conn = Dm1->ADO_system;
  if (conn->Connected()) conn->Close();
  if (QFileInfo::exists(mainFile + u("-journal")) || QFileInfo::exists(mainFile + u("-wal"))) {
    QFile::remove(temp);
    return fail(u("数据库正在被其他人使用，请让其他人退出本系统后再恢复"));
  }
  // 4. The replaced file stays beside it under a name with the date (a second name of the
  //    same file, so nothing is copied and the main file never goes missing).
  if (QFileInfo::exists(mainFile)) {
    QString keep = KeptFileName(mainFile, QDateTime::currentDateTime());
    for (int n = 2; QFileInfo::exists(keep); ++n) keep = KeptFileName(mainFile, QDateTime::currentDateTime()).replace(u(".db"), u("-%1.db").arg(n));
    if (::link(QFile::encodeName(mainFile).constData(), QFile::encodeName(keep).constData()) != 0 && !QFile::copy(mainFile, keep)) {
      QFile::remove(temp);
      return fail(u("不能保留原来的数据库：") + QDir::toNativeSeparators(keep));
    }
    if (kept) *kept = keep;
  }
  // 5. One rename puts the new file in place.
  if (!renameOver(temp, mainFile)) {
    QFile::remove(temp);
    return fail(u("不能替换数据库文件：") + QDir::toNativeSeparators(mainFile));
  }
  SyncToDisk(QFileInfo(mainFile).absolutePath());
  if (notices) *notices << told;
  return true;
}

void TForm_restore::BitBtn1Click() {
  if (!mayRunMaintenance()) return;
  if (!AskYesNo(u("确实要恢复数据库吗? "))) return;
  QString error, kept;
  bool done = false;
  {
    BusyCursor busy;
    done = RestoreMainDatabase(Edit1->text(), &kept, &error);
  }
  // The connection is open again whatever happened: on the new file or on the old one. What
  // the upgrade of a restored older file could not do is told as the connection opens it.
  TADOConnection* conn = Dm1->ADO_system;
  try {
    conn->Open();
  } catch (const Exception& e) {
    ShowNotice(u("恢复后不能打开数据库：") + e.message());
    return;
  }
  if (!done) {
    ShowNotice(u("恢复失败：") + error);
    return;
  }
  ShowNotice(u("恢复完毕！"));
  accept();
}

void TForm_restore::BitBtn2Click() { reject(); }

// ---------------------------------------------------------------------------------------
// Initialisation

QStringList TForm_initialize::Tables() {
  return {u("收费项目"), u("房屋资料"), u("楼宇资料"), u("房屋收费项目"),
          u("业主投诉表"), u("收费明细表"), u("收费汇总表"), u("押金明细表")};
}

TForm_initialize::TForm_initialize(QWidget* parent) : QDialog(parent) {
  SetupDialog(this, "Form_initialize", u("数据初始化"));
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
  if (!mayRunMaintenance()) return;
  if (!AskYesNo(u("要初始化选中的数据库吗? "))) return;
  const QStringList tables = Tables();
  QStringList statements;
  for (int i = 0; i < 8; ++i) {
    if (!CheckBox[i]->isChecked()) continue;
    QString sql = u("delete from ") + tables[i] + u(" ");
    if (GardenScoped) sql += u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
    statements << sql;
  }
  // Bills kept while their payments go keep no link to them: later payments may be given the
  // row numbers of the payments emptied here.
  if (CheckBox[6]->isChecked()) statements << DanglingPaymentLinks(u("(1=1)"));
  // Seats still open would keep showing and saving rows emptied here.
  const TExclusiveUse exclusive(MainDatabaseFile());
  if (!exclusive.granted()) {
    ShowNotice(u("不能初始化：") + exclusive.problem());
    return;
  }
  // A failure leaves every table as it was; the error box of the event loop reports it.
  RunStatementsInOneTransaction(statements);
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
  SetupDialog(this, "Form_arrange", u("数据清理"));
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
  q_house = NewQuery(this, "q_house", Dm1->ADO_system);
  ds_house = NewDataSource(this, "ds_house", q_house);
  DBGridEh1 = NewListGrid(houses, "DBGridEh1", ds_house, 0);
  DBGridEh1->SetOptions(DBGridEh1->Options() | dgMultiSelect);
  // Two estates may use the same house codes: the estate tells their rows apart.
  AddGridColumn(DBGridEh1, u("小区名称"), u("小区"), false, 100);
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
  auto* buttons = NewButtonRow({BitBtn1, BitBtn2});
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
  // Working on one estate, only its houses can be chosen.
  if (GardenScoped)
    where += (where.isEmpty() ? QString() : u("and")) + u("(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
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
  if (DBGridEh1->MarkedRows()->BookmarkCount() == 0) {
    ShowNotice(u("请先选中要清理的房屋！"));
    DBGridEh1->setFocus();
    return;
  }
  bool anyTable = false;
  for (QCheckBox* c : CheckBox) anyTable = anyTable || c->isChecked();
  if (!anyTable) {
    ShowNotice(u("请先选中要清理的项目！"));
    return;
  }
  if (!mayRunMaintenance()) return;
  if (!AskYesNo(u("要清理选中的项目吗? "))) return;

  DBGridEh1->RememberPosition();
  QStringList statements;
  const QByteArray here = q_house->GetBookmark();
  for (const QString& mark : DBGridEh1->MarkedRows()->ReachableBookmarks()) {
    q_house->GotoBookmark(mark.toLatin1());
    statements << ArrangeStatements(q_house->FieldByName(u("小区代码"))->AsString(),
                                    q_house->FieldByName(u("房屋代码"))->AsString(), start, end,
                                    {CheckBox[0]->isChecked(), CheckBox[1]->isChecked(), CheckBox[2]->isChecked(),
                                     CheckBox[3]->isChecked()});
  }
  if (!here.isEmpty()) q_house->GotoBookmark(here);
  DBGridEh1->ReturnToPosition();
  // Seats still open would keep showing and saving the rows deleted here (and balances
  // computed from them): clean-up waits until the others have left.
  const TExclusiveUse exclusive(MainDatabaseFile());
  if (!exclusive.granted()) {
    ShowNotice(u("不能整理：") + exclusive.problem());
    return;
  }
  // All the houses and tables are cleaned together, or nothing is when one statement fails.
  RunStatementsInOneTransaction(statements);
  ShowNotice(u("整理完毕！"));
}

QString DanglingPaymentLinks(const QString& billRows) {
  return u("update 收费明细表 set 缴费编号=null where ") + billRows +
         u("and(缴费编号 is not null)and not exists (select 1 from 收费汇总表 p where p.rowid=收费明细表.缴费编号)");
}

QStringList ArrangeStatements(const QString& estate, const QString& house, TDateTime start, TDateTime end,
                              const std::array<bool, 4>& tables) {
  static const char* const names[4][2] = {
      {"收费明细表", "开始日期"}, {"收费汇总表", "缴费时间"}, {"业主投诉表", "投诉日期"}, {"押金明细表", "日期"}};
  const QString houseRows = houseCondition(estate, house);
  auto period = [&](int i) {
    return u("(") + u(names[i][1]) + u(" between ") + SqlQuote::Date(start) + u(" and ") + SqlQuote::Date(end) + u(")");
  };
  QStringList out;
  for (int i = 0; i < 4; ++i) {
    if (!tables[size_t(i)]) continue;
    if (i == 3) {
      // The office still holds the deposits, so their history is summed, not dropped: the
      // period's movements of each kind become one row dated the period's last moment. The
      // house's total and every balance after the period stay as they were, and the ledger
      // never runs below zero (receipts come before the outgoings of that moment). The rows
      // are written under a date outside every period first, so the delete leaves them.
      const QString parked = u("'1899-12-30 00:00:00'");
      out << u("insert into 押金明细表 (日期, 小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, "
               "操作类型, 金额, 押金类别代码, 押金类别, 备注, 操作人员, 操作日期) "
               "select ") + parked + u(", 小区代码, max(小区名称), max(楼宇代码), max(楼宇名称), max(楼宇单元), 房屋代码, "
               "max(业主名称), 操作类型, stored_money(sum(金额)), 押金类别代码, 押金类别, ") +
                 SqlQuote::Text(u("数据整理结转")) + u(", ") + SqlQuote::Text(CurrentOperatorName) + u(", ") +
                 SqlQuote::Date(Now()) + u(" from 押金明细表 where ") + period(i) + u("and") + houseRows +
                 u("group by 小区代码, 房屋代码, 操作类型, 押金类别代码, 押金类别 having stored_money(sum(金额))<>0 "
                   "order by case 操作类型 when '收取' then 0 else 1 end, 操作类型, 押金类别代码, 押金类别");
      out << u("delete from 押金明细表 where ") + period(i) + u("and") + houseRows + u("and(日期<>") + parked + u(")");
      out << u("update 押金明细表 set 日期=") + SqlQuote::Date(end) + u(" where (日期=") + parked + u(")and") + houseRows;
      continue;
    }
    // A payment's carried balance (零头) stays with the house: the office still holds it.
    out << u("delete from ") + u(names[i][0]) + u(" where ") + period(i) + u("and") + houseRows;
    // The house's bills the removed payments took keep no link to them: a later payment may
    // be given a removed payment's row number.
    if (i == 1) out << DanglingPaymentLinks(houseRows);
  }
  return out;
}

void TForm_arrange::BitBtn2Click() { reject(); }
