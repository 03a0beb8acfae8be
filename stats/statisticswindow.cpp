#include "stats/statisticswindow.h"

#include <QSet>

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstring>

#include <QApplication>
#include <memory>
#include <QComboBox>
#include <QDateTime>
#include <QFontMetrics>
#include <QProgressDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/exception.h"
#include "platform/data/sqlitebackend.h"
#include "platform/data/sqlquote.h"
#include "platform/data/upgrade.h"
#include "platform/datetime.h"
#include "platform/fonts.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "stats/dbbar.h"

// ---------------------------------------------------------------------------------------
// Periods

int DaysInMonthOf(int year, int month) {
  switch (month) {
    case 4: case 6: case 9: case 11: return 30;
    case 2: return IsLeapYear(year) ? 29 : 28;
    default: return 31;
  }
}

QList<YearMonth> MonthsBetween(YearMonth from, YearMonth to) {
  QList<YearMonth> months;
  for (int y = from.year; y <= to.year; ++y)
    for (int m = 1; m <= 12; ++m) {
      const YearMonth ym{y, m};
      if (from <= ym && ym <= to) months.append(ym);
    }
  return months;
}

QString MonthStartText(int year, int month) {
  return QStringLiteral("%1-%2-1 0:0:0").arg(year).arg(month);
}

QString MonthEndText(int year, int month) {
  return QStringLiteral("%1-%2-%3 23:59:59").arg(year).arg(month).arg(DaysInMonthOf(year, month));
}

TDateTimePicker::TDateTimePicker(QWidget* parent, const QString& displayFormat) : QDateEdit(parent) {
  setDisplayFormat(displayFormat);
  setCalendarPopup(true);
  setDate(QDate::currentDate());
  connect(this, &QDateEdit::dateChanged, this, [this] { empty_ = false; });
}

std::optional<QDate> TDateTimePicker::Date() const {
  if (empty_) return std::nullopt;
  return date();
}

void TDateTimePicker::SetDate(const QDate& value) {
  setDate(value);
  empty_ = false;
}

void TDateTimePicker::Clear() { empty_ = true; }

YearMonth TDateTimePicker::Month() const { return {date().year(), date().month()}; }

// ---------------------------------------------------------------------------------------
// Condition text

void TConditionText::Add(const QString& comparison) {
  text_ += (text_.isEmpty() ? u("(") : u("and(")) + comparison + u(")");
}

void TConditionText::AddWhenFilled(const QString& filter, const QString& comparison) {
  if (IsFilled(filter)) Add(comparison);
}

bool IsFilled(const QString& text) { return !text.trimmed().isEmpty(); }

QString EqualTo(const QString& field, const QString& value) { return field + u("=") + SqlQuote::Text(value); }

QString Containing(const QString& field, const QString& value) {
  return field + u(" like ") + SqlQuote::Like(value, true, true) + SqlQuote::LikeEscape();
}

QString BillMonthsCondition(const QList<YearMonth>& months) {
  QString text;
  for (int i = 0; i < months.size();) {
    const int year = months[i].year;
    QStringList inYear;
    for (; i < months.size() && months[i].year == year; ++i) inYear << SqlQuote::Text(QString::number(months[i].month));
    if (!text.isEmpty()) text += u("or");
    text += u("((年度=") + SqlQuote::Text(QString::number(year)) + u(")and(月份 in (") + inYear.join(u(",")) + u(")))");
  }
  return text.isEmpty() ? u("(1=0)") : u("(") + text + u(")");
}

QString NoCaseKey(const QString& text) {
  QString key = text;
  for (QChar& c : key)
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + 32);
  return key;
}

QString GroupKey(std::initializer_list<QString> parts) {
  QString key;
  for (const QString& part : parts) key += NoCaseKey(part) + QChar(0x1f);
  return key;
}

QStringList EstateKeys(const QString& estate) {
  if (estate.isEmpty()) return {QString()};
  return {estate, QString()};
}

void OpenLines(TADOQuery* q, const QStringList& lines) {
  q->Close();
  q->SQL.Clear();
  for (const QString& line : lines) q->SQL.Add(line);
  q->Open();
}

// ---------------------------------------------------------------------------------------
// Progress

namespace {
TStatisticsProgress* currentProgress = nullptr;

int progressCallback(void* progress) { return static_cast<TStatisticsProgress*>(progress)->Tick() ? 1 : 0; }

void installProgressHandler(TStatisticsProgress* progress) {
  if (!Dm1) return;
  // The local database too: a statistic may write its lines there in one statement reading
  // the main database (TScratchFill::InsertSelect).
  for (TADOConnection* c : {Dm1->ADO_system, Dm1->db_local}) {
    if (!c || !c->Connected() || c->kind() != TADOConnection::SQLite) continue;
    auto* db = static_cast<sqlite3*>(c->sqliteHandle());
    if (progress) sqlite3_progress_handler(db, 20000, progressCallback, progress);
    else sqlite3_progress_handler(db, 0, nullptr, nullptr);
  }
}
}  // namespace

TStatisticsProgress::TStatisticsProgress(QWidget* owner, const QString& title, bool stoppable)
    : owner_(owner), title_(title), stoppable_(stoppable), started_(QDateTime::currentMSecsSinceEpoch()), previous_(currentProgress) {
  lastEvents_ = started_;
  currentProgress = this;
  // Only a run that can be stopped watches the main database's statements.
  if (stoppable_) installProgressHandler(this);
}

TStatisticsProgress::~TStatisticsProgress() {
  currentProgress = previous_;
  if (stoppable_) installProgressHandler(previous_);
  delete dialog_;
}

TStatisticsProgress* TStatisticsProgress::Current() { return currentProgress; }

QWidget* TStatisticsProgress::Window() const { return dialog_; }

void TStatisticsProgress::SetPhase(const QString& text, int total) {
  text_ = text;
  total_ = total;
  done_ = 0;
  Tick();
}

void TStatisticsProgress::Step(int done) {
  done_ = done;
  if (Tick()) throw EStatisticsStopped();
}

void TStatisticsProgress::show() {
  dialog_ = new QProgressDialog(owner_);
  dialog_->setObjectName(QStringLiteral("StatisticsProgress"));
  dialog_->setWindowTitle(!title_.isEmpty() ? title_ : owner_ ? owner_->windowTitle() : u("统计"));
  if (stoppable_) dialog_->setCancelButtonText(u("停止"));
  else dialog_->setCancelButton(nullptr);
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setMinimumDuration(0);
  dialog_->setMinimumWidth(360);
  QObject::connect(dialog_, &QProgressDialog::canceled, [this] { stopped_ = true; });
  dialog_->show();
}

bool TStatisticsProgress::Tick() {
  if (OnTick) OnTick(*this);
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (now - lastEvents_ < 40) return stopped_;
  lastEvents_ = now;
  if (!dialog_ && now - started_ >= 1000) show();
  if (dialog_) {
    QString label = text_.isEmpty() ? u("正在统计，请稍候……") : text_;
    if (total_ > 0) label += u("\n%1 / %2").arg(done_).arg(total_);
    else if (done_ > 0) label += u("\n已完成 %1 行").arg(done_);
    label += u("\n已用时间 %1 秒").arg((now - started_) / 1000);
    dialog_->setLabelText(label);
    dialog_->setRange(0, std::max(0, total_));
    if (total_ > 0) dialog_->setValue(std::min(done_, total_));
    QCoreApplication::processEvents();
  }
  return stopped_;
}

void InstallUpgradeProgressWindow() {
  UpgradeProgress = [](const QString& text) {
    static std::unique_ptr<TStatisticsProgress> progress;
    if (text.isEmpty()) {
      progress.reset();
      return;
    }
    if (!progress) {
      progress = std::make_unique<TStatisticsProgress>(nullptr, u("升级数据库"), false);
      progress->SetPhase(text);
    }
    progress->Tick();
  };
}

Money BillSum(const QString& condition) {
  TADOQuery* q = Dm1->q_search;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select sum(收费金额) as zje from 收费明细表"));
  q->SQL.Add(u(" where "));
  q->SQL.Add(condition);
  q->Open();
  return q->IsEmpty() ? Money() : q->FieldByName(u("zje"))->AsMoney();
}

// ---------------------------------------------------------------------------------------
// The scratch table

TScratchFill::TScratchFill(const QString& orderLine) { begin({u("select * from "), u("通用"), orderLine}, u("通用")); }

TScratchFill::TScratchFill(const QString& table, const QString& orderLine) {
  begin({u("select * from ") + table, orderLine}, table);
}

void TScratchFill::begin(const QStringList& selectLines, const QString& table) {
  table_ = table;
  TADOQuery* q = Dm1->q_tongyong;
  q->DisableControls();
  try {
    Dm1->db_local->BeginTrans();
    q->Close();
    q->SQL.Clear();
    q->SQL.Add(u("delete from ") + table);
    q->ExecSQL();
    q->SQL.Clear();
    for (const QString& line : selectLines) q->SQL.Add(line);
    q->Open();
  } catch (...) {
    if (Dm1->db_local->InTransaction()) Dm1->db_local->RollbackTrans();
    q->EnableControls();
    throw;
  }
}

TScratchFill::~TScratchFill() {
  if (done_) return;
  TADOQuery* q = Dm1->q_tongyong;
  try {
    if (q->State() == dsEdit || q->State() == dsInsert) q->Cancel();
    if (Dm1->db_local->InTransaction()) Dm1->db_local->RollbackTrans();
    // The snapshot still holds the rolled-back rows: read the table again.
    q->Close();
    q->Open();
  } catch (...) {
  }
  q->EnableControls();
}

const TScratchFill::Shape& TScratchFill::shapeOf(const Line& fields) {
  for (const Shape& shape : shapes_) {
    if (shape.names.size() != fields.size()) continue;
    size_t i = 0;
    while (i < fields.size() && (shape.names[i] == fields[i].first || qstrcmp(shape.names[i], fields[i].first) == 0)) ++i;
    if (i == fields.size()) return shape;
  }
  Shape shape;
  for (const auto& field : fields) {
    shape.names.push_back(field.first);
    shape.fields.push_back(Dm1->q_tongyong->FieldByName(QString::fromUtf8(field.first)));
  }
  shapes_.push_back(std::move(shape));
  return shapes_.back();
}

void TScratchFill::Append(const Line& fields) {
  if (TStatisticsProgress* progress = TStatisticsProgress::Current()) progress->Step(count_);
  const Shape& shape = shapeOf(fields);
  values_.clear();
  for (size_t i = 0; i < fields.size(); ++i) values_.emplace_back(shape.fields[i], fields[i].second);
  // Written to the table and added to the open list at once: the list needs no second reading.
  Dm1->q_tongyong->AppendWritten(values_);
  ++count_;
}

int TScratchFill::InsertSelect(const QString& sql, const std::vector<Variant>& params) {
  const int written = Dm1->db_local->Execute(sql, params);
  count_ += written;
  // The list reads the lines in the order they were written (as appended lines show); a later
  // reading of the table takes the fill's order line again.
  TADOQuery* q = Dm1->q_tongyong;
  const QStringList lines = q->SQL;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from ") + table_ + u(" order by rowid"));
  q->Open();
  q->SQL.Clear();
  for (const QString& line : lines) q->SQL.Add(line);
  return written;
}

void TScratchFill::Commit() {
  Dm1->db_local->CommitTrans();
  done_ = true;
  // The lines show in the order they were written, whatever the order line says (it takes
  // effect when the table is read again, as by a click on a column title).
  TADOQuery* q = Dm1->q_tongyong;
  q->EnableControls();
  q->First();
  // The lines were added without posting them: the footers count them now.
  RecalculateFootersOf(q);
}

namespace {
// The file of the main database attached to the local connection, as it was when attached:
// a file replaced since (a restored backup) is attached again.
struct AttachedFile {
  void* local = nullptr;
  dev_t device = 0;
  ino_t inode = 0;
};
AttachedFile attachedMain;
}  // namespace

TMainDatabaseOnLocal::TMainDatabaseOnLocal() {
  if (!Dm1 || !Dm1->ADO_system->Connected() || Dm1->ADO_system->kind() != TADOConnection::SQLite) return;
  if (!Dm1->db_local->Connected() || Dm1->db_local->kind() != TADOConnection::SQLite) return;
  // The main connection refuses a file replaced under it (a restore made elsewhere): the count
  // must refuse too rather than read the new file through the attachment.
  Dm1->ADO_system->Execute(u("select 1"));
  const char* file = sqlite3_db_filename(static_cast<sqlite3*>(Dm1->ADO_system->sqliteHandle()), "main");
  struct stat info {};
  if (!file || !*file || ::stat(file, &info) != 0) return;
  auto* local = static_cast<sqlite3*>(Dm1->db_local->sqliteHandle());
  // The attachment stays between runs, so the local connection keeps the pages it read.
  const char* attached = sqlite3_db_filename(local, "kelo");
  if (attached && std::strcmp(attached, file) == 0 && attachedMain.local == local && attachedMain.device == info.st_dev &&
      attachedMain.inode == info.st_ino) {
    attached_ = true;
    return;
  }
  if (Dm1->db_local->InTransaction()) return;
  if (attached) Dm1->db_local->Execute(u("detach database kelo"));
  attachedMain = {};
  Dm1->db_local->Execute(u("attach database ? as kelo"), {Variant(QString::fromUtf8(file))});
  attachedMain = {local, info.st_dev, info.st_ino};
  attached_ = true;
}

void EmptyScratchForOpening() {
  TADOQuery* q = Dm1->q_tongyong;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("delete from 通用"));
  q->ExecSQL();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 通用"));
  q->SQL.Add(u("order by texta"));
  q->Open();
}

void RunStatisticsWindowModal(QDialog* window) {
  RunModal(window);
  delete window;
  Dm1->q_tongyong->Close();
}

// ---------------------------------------------------------------------------------------
// The statistics window

TStatisticsWindow::TStatisticsWindow(QWidget* parent, const QString& objectName, const QString& caption,
                                     const QString& listTitle, const Options& options)
    : QDialog(parent),
      listTitle_(listTitle),
      layoutReset_(options.layoutModule.isEmpty() ? QString() : u("./") + options.layoutModule + u(".ini")) {
  setObjectName(objectName);
  setWindowTitle(caption);
  QFont f(u("宋体"));
  f.setPixelSize(12);
  setFont(f);

  Panel2 = new QFrame(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  auto* bar = new QHBoxLayout(Panel2);
  bar->setContentsMargins(2, 2, 2, 2);
  auto tool = [&](const char* name, const char* text) {
    auto* b = new QToolButton(Panel2);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(u(text));
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->addWidget(b);
    return b;
  };
  if (options.deleteButton) bitbtn_delete = tool("bitbtn_delete", "删除");
  bitbtn_out = tool("bitbtn_out", "导出");
  bitbtn_print = tool("bitbtn_print", "打印");
  SpeedButton4 = tool("SpeedButton4", "返回");
  SpeedButton2 = tool("SpeedButton2", "图形");
  SpeedButton2->hide();
  SpeedButton3 = tool("SpeedButton3", "初始界面");
  SpeedButton3->hide();
  bar->addStretch(1);

  Panel7 = new QFrame(this);
  Panel7->setObjectName(QStringLiteral("Panel7"));
  filterRows_ = new QVBoxLayout(Panel7);
  filterRows_->setContentsMargins(2, 2, 2, 2);
  filterRows_->setSpacing(2);
  NewFilterRow();
  SpeedButton1 = new QToolButton(Panel7);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setText(u("统计"));
  if (options.animation) {
    Animate1 = new QLabel(u("正在统计……"), Panel7);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->hide();
  }

  DBGridEh1 = new TDBGridEh(this);
  DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
  SetupListGrid(DBGridEh1, Dm1->ds_tongyong, options.footer ? 1 : 0);
  DBGridEh1->SetUseMultiTitle(true);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  DBGridEh1->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
    StripeOddRows(DBGridEh1, background);
  };
  PrintDBGridEh1 = new TPrintDBGridEh(this);
  PrintDBGridEh1->setObjectName(QStringLiteral("PrintDBGridEh1"));
  SetupGridPrint(PrintDBGridEh1, DBGridEh1, listTitle_);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(Panel2);
  column->addWidget(Panel7);
  column->addWidget(DBGridEh1, 1);
  resize(1000, 650);
  setWindowState(windowState() | Qt::WindowMaximized);

  const struct {
    QToolButton* button;
    void (TStatisticsWindow::*handler)();
  } handlers[] = {{SpeedButton1, &TStatisticsWindow::SpeedButton1Click}, {bitbtn_delete, &TStatisticsWindow::bitbtn_deleteClick},
                  {bitbtn_out, &TStatisticsWindow::bitbtn_outClick},     {bitbtn_print, &TStatisticsWindow::bitbtn_printClick},
                  {SpeedButton4, &TStatisticsWindow::SpeedButton4Click}, {SpeedButton2, &TStatisticsWindow::SpeedButton2Click},
                  {SpeedButton3, &TStatisticsWindow::SpeedButton3Click}};
  for (const auto& h : handlers)
    if (h.button) connect(h.button, &QToolButton::clicked, this, Guarded([this, fn = h.handler] { (this->*fn)(); }));
  enterChain_ = new TEnterChain(this);
}

TStatisticsWindow::~TStatisticsWindow() = default;

void TStatisticsWindow::NewFilterRow() {
  if (filterRow_) filterRow_->addStretch(1);
  filterRow_ = new QHBoxLayout;
  filterRow_->setContentsMargins(0, 0, 0, 0);
  filterRows_->addLayout(filterRow_);
}

void TStatisticsWindow::AddFilterWidget(const char* label, QWidget* widget) {
  filterRow_->addWidget(new QLabel(u(label), Panel7));
  widget->setParent(Panel7);
  filterRow_->addWidget(widget);
}

TDateTimePicker* TStatisticsWindow::AddPicker(const char* name, const char* label, const QString& displayFormat) {
  auto* p = new TDateTimePicker(Panel7, displayFormat);
  p->setObjectName(QString::fromLatin1(name));
  AddFilterWidget(label, p);
  if (qstrcmp(name, "DateTimePicker1") == 0) DateTimePicker1 = p;
  if (qstrcmp(name, "DateTimePicker2") == 0) DateTimePicker2 = p;
  return p;
}

QLineEdit* TStatisticsWindow::AddEdit(const char* name, const char* label) {
  auto* e = new QLineEdit(Panel7);
  e->setObjectName(QString::fromLatin1(name));
  AddFilterWidget(label, e);
  if (qstrcmp(name, "Edit1") == 0) Edit1 = e;
  return e;
}

QComboBox* TStatisticsWindow::AddCombo(const char* name, const char* label, bool editable, const QStringList& items) {
  auto* c = new QComboBox(Panel7);
  c->setObjectName(QString::fromLatin1(name));
  c->setEditable(editable);
  c->addItems(items);
  c->setCurrentIndex(-1);
  if (editable) c->setEditText(QString());
  c->setMinimumWidth(100);
  AddFilterWidget(label, c);
  QComboBox** boxes[] = {&ComboBox1, &ComboBox2, &ComboBox3, &ComboBox4};
  const char* names[] = {"ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4"};
  for (int i = 0; i < 4; ++i)
    if (qstrcmp(name, names[i]) == 0) *boxes[i] = c;
  return c;
}

void TStatisticsWindow::FinishFilterPanel() {
  filterRow_->addWidget(SpeedButton1);
  if (Animate1) filterRow_->addWidget(Animate1);
  filterRow_->addStretch(1);
}

void TStatisticsWindow::ChainFilters(const QList<QWidget*>& controls, bool runAtEnd) {
  if (runAtEnd) enterChain_->Chain(controls, [this] { SpeedButton1->click(); });
  else enterChain_->Chain(controls);
}

void TStatisticsWindow::LinkFilter(QWidget* from, QWidget* to) { enterChain_->Link(from, to); }

TColumnEh* TStatisticsWindow::Column(const char* field, const char* title, int width, bool sortable, Footer footer) {
  // A column without a width of its own is as wide as its title (at least the usual 64 pixels).
  if (width <= 0) {
    const QFontMetrics fm(DBGridEh1->font());
    width = 64;
    for (const QString& part : u(title).split(QLatin1Char('|'))) width = std::max(width, fm.horizontalAdvance(part) + 14);
  }
  TColumnEh* c = AddGridColumn(DBGridEh1, u(field), u(title), sortable, width);
  if (!*field) c->SetFieldName(QString());
  if (footer == SumFooter) c->Footer()->SetValueType(fvtSum);
  if (footer == CountFooter) c->Footer()->SetValueType(fvtCount);
  return c;
}

bool TStatisticsWindow::ReadPeriod(YearMonth& from, YearMonth& to, const QString& noDateMessage) {
  if (!DateTimePicker1->Date() || !DateTimePicker2->Date()) {
    ShowNotice(noDateMessage);
    DateTimePicker1->setFocus();
    return false;
  }
  from = DateTimePicker1->Month();
  to = DateTimePicker2->Month();
  if (to < from) {
    ShowNotice(u("缴费时间从不能大于缴费时间到,请重新输入!"));
    DateTimePicker1->setFocus();
    return false;
  }
  return true;
}

void TStatisticsWindow::StartAnimation() {
  if (Animate1) Animate1->show();
}

void TStatisticsWindow::StopAnimation() {
  if (Animate1) Animate1->hide();
}

namespace {
// The names of a list's rows, each once: several estates may keep an item or a building of the
// same name, and the filter matches them all by that name.
void AddEachNameOnce(QComboBox* box, TADOQuery* q, const QString& field) {
  QSet<QString> seen;
  TField* f = q->FieldByName(field);
  for (q->First(); !q->Eof(); q->Next()) {
    const QString name = f->AsString();
    if (!seen.contains(NoCaseKey(name))) {
      seen.insert(NoCaseKey(name));
      box->addItem(name);
    }
  }
}
}  // namespace

void TStatisticsWindow::FillChargeItems(QComboBox* box) {
  TADOQuery* q = Dm1->q_search;
  box->clear();
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 收费项目 "));
  q->SQL.Add(u("order by 收费名称"));
  q->Open();
  AddEachNameOnce(box, q, u("收费名称"));
  q->Close();
  box->setCurrentIndex(-1);
}

void TStatisticsWindow::FillBuildings(QComboBox* box) {
  TADOQuery* q = Dm1->q_storeyinfo;
  box->clear();
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 楼宇资料 "));
  q->SQL.Add(u("order by 楼宇名称"));
  q->Open();
  AddEachNameOnce(box, q, u("楼宇名称"));
  q->Close();
  box->setCurrentIndex(-1);
}

void TStatisticsWindow::FillAssociatedUnits(QComboBox* box) {
  TADOQuery* q = Dm1->q_search;
  box->clear();
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from 关联单位 "));
  q->Open();
  AddEachNameOnce(box, q, u("关联单位"));
  q->Close();
  box->setCurrentIndex(-1);
}

void TStatisticsWindow::SpeedButton1Click() {
  // A run that fails ends with the animation stopped; the scratch table was rolled back.
  struct Stop {
    TStatisticsWindow* w;
    ~Stop() { w->StopAnimation(); }
  } stop{this};
  // A stopped run ends without a message; its scratch fill was rolled back, so the previous
  // result is shown again.
  TStatisticsProgress progress(this);
  try {
    RunStatistics();
  } catch (const EStatisticsStopped&) {
  } catch (...) {
    if (!progress.Stopped()) throw;
  }
}

void TStatisticsWindow::bitbtn_deleteClick() { DeleteScratchRow(Dm1->q_tongyong); }

void TStatisticsWindow::bitbtn_printClick() { PrintShownRows(PrintDBGridEh1, "打印权", true); }

void TStatisticsWindow::bitbtn_outClick() { ExportShownRows(DBGridEh1, listTitle_, "导出权", true); }

void TStatisticsWindow::SpeedButton4Click() { close(); }

void TStatisticsWindow::SpeedButton2Click() { FeedStatisticsChart(this); }

void TStatisticsWindow::SpeedButton3Click() { layoutReset_.Click(); }

void TStatisticsWindow::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_tongyong); }

void TStatisticsWindow::showEvent(QShowEvent* event) {
  // Fitting starts once the columns exist, so that each keeps its own width as its base.
  if (!shown_) {
    shown_ = true;
    if (fitColumns_) DBGridEh1->SetAutoFitColWidths(true);
  }
  QDialog::showEvent(event);
}

void TStatisticsWindow::done(int result) {
  layoutReset_.WindowClosed();
  QDialog::done(result);
}
