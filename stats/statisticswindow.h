#pragma once

#include <QDate>
#include <QDateEdit>
#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "platform/money.h"
#include "platform/variant.h"
#include "shell/recordwindow.h"

class QComboBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QToolButton;
class TADOQuery;
class TDBGridEh;
class TPrintDBGridEh;

// ---------------------------------------------------------------------------------------
// Periods

struct YearMonth {
  int year = 0;
  int month = 0;
  auto operator<=>(const YearMonth&) const = default;
  bool operator==(const YearMonth&) const = default;
};

// The last day of a month: 31, 30, or 29/28 for February by the leap-year rule.
int DaysInMonthOf(int year, int month);
// Every month from `from` to `to` inclusive, in calendar order; empty when `to` is earlier.
QList<YearMonth> MonthsBetween(YearMonth from, YearMonth to);
// "Y-M-1 0:0:0" and "Y-M-<last day> 23:59:59" (unpadded), the texts cdate reads.
QString MonthStartText(int year, int month);
QString MonthEndText(int year, int month);

// A date box: a date picker that can also hold no date. Statistics use the year-and-month
// form ("yyyy年MM月"); the complaint statistics a whole date.
class TDateTimePicker : public QDateEdit {
  Q_OBJECT
 public:
  explicit TDateTimePicker(QWidget* parent = nullptr, const QString& displayFormat = QString::fromUtf8("yyyy年MM月"));
  // Nothing when the box was emptied.
  std::optional<QDate> Date() const;
  void SetDate(const QDate& date);
  void Clear();
  YearMonth Month() const;

 private:
  bool empty_ = false;
};

// ---------------------------------------------------------------------------------------
// Condition text

// Joins conditions: the first as "(" c ")", each further one as "and(" c ")".
class TConditionText {
 public:
  TConditionText() = default;
  explicit TConditionText(const QString& start) : text_(start) {}
  void Add(const QString& comparison);
  // Adds `comparison` only when `filter` holds more than blanks.
  void AddWhenFilled(const QString& filter, const QString& comparison);
  QString Text() const { return text_; }
  bool IsEmpty() const { return text_.isEmpty(); }

 private:
  QString text_;
};

// True when the text holds more than blanks.
bool IsFilled(const QString& text);
// field='value' with the value quoted (quotes doubled).
QString EqualTo(const QString& field, const QString& value);
// field like '%value%' matching the value literally (wildcards in it escaped).
QString Containing(const QString& field, const QString& value);

// The bill rows of the months of a period, matched by their text fields 年度 and 月份
// (unpadded), as one condition: "(年度='2004')and(月份 in ('11','12'))or(…)" in parentheses.
QString BillMonthsCondition(const QList<YearMonth>& months);
// A text as the database's case-insensitive comparison sees it (A–Z folded), for looking up
// the lines of a grouped result.
QString NoCaseKey(const QString& text);
// The key of a grouped result line: the texts joined, each folded as NoCaseKey.
QString GroupKey(std::initializer_list<QString> parts);
// Two estates may use the same house codes, so ledger rows grouped per house are grouped per
// estate and house. kEstateTerm is the estate's grouping term (an empty code for rows written
// without one); EstateKeys lists the estate keys whose groups belong to a house of 房屋资料 in
// `estate`: its own, and the rows without an estate, which belong to the only estate an
// office of that kind keeps (as SameEstateCondition reads them).
inline constexpr const char* kEstateTerm = "coalesce(小区代码,'')";
QStringList EstateKeys(const QString& estate);
// Closes `q`, sets its SQL lines and opens it.
void OpenLines(TADOQuery* q, const QStringList& lines);

// The sum of 收费金额 of the bill rows under `condition` (0 when no row), on Dm1.q_search.
Money BillSum(const QString& condition);

// ---------------------------------------------------------------------------------------
// The scratch table

// One refill of the scratch table 通用 in one transaction of the local database: the
// constructor suspends the grid, empties the table and reopens Dm1.q_tongyong with
// "select * from ", "通用" and the order line; Append adds result lines; Commit makes the new
// content stand. Destroyed without Commit (a failed run), everything is rolled back, so the
// previous result stays whole, and the display is resumed.
class TScratchFill {
 public:
  explicit TScratchFill(const QString& orderLine = QString::fromUtf8(" order by texta,textb"));
  // Another scratch table (麻烦): reopened with "select * from <table>" and the order line.
  TScratchFill(const QString& table, const QString& orderLine);
  ~TScratchFill();
  TScratchFill(const TScratchFill&) = delete;
  TScratchFill& operator=(const TScratchFill&) = delete;

  // A line: the scratch table's column names (literals) and their values.
  using Line = std::vector<std::pair<const char*, Variant>>;
  void Append(const Line& fields);
  int Count() const { return count_; }
  // Writes the lines one INSERT … SELECT on the local database makes (the main database's
  // tables named kelo.<table> while a TMainDatabaseOnLocal is alive) and reads them into the
  // list in the order written. Returns the lines written.
  int InsertSelect(const QString& sql, const std::vector<Variant>& params = {});
  void Commit();

 private:
  void begin(const QStringList& selectLines, const QString& table);
  // The fields of one set of column names, found once and reused for every line naming
  // the same columns.
  struct Shape {
    std::vector<const char*> names;
    std::vector<TField*> fields;
  };
  const Shape& shapeOf(const Line& fields);
  std::vector<Shape> shapes_;
  std::vector<std::pair<TField*, Variant>> values_;
  QString table_;
  int count_ = 0;
  bool done_ = false;
};

// The main database attached to the local one as "kelo" (attached once and kept while the
// main database's file stays the same), so that a statistic
// computes and writes its lines in one statement (TScratchFill::InsertSelect) instead of
// reading sums and writing lines one by one. Only an SQLite main database can be attached:
// Attached() is false otherwise (or inside a transaction of the local database) and the
// statistic writes its lines itself. Made before the TScratchFill that uses it.
class TMainDatabaseOnLocal {
 public:
  TMainDatabaseOnLocal();
  TMainDatabaseOnLocal(const TMainDatabaseOnLocal&) = delete;
  TMainDatabaseOnLocal& operator=(const TMainDatabaseOnLocal&) = delete;
  bool Attached() const { return attached_; }

 private:
  bool attached_ = false;
};

// The progress of a run: after a second a small window shows what the run is doing, how far
// it got and a 停止 button. It keeps the window painted while the database works (through
// the main database's progress callback) and, when stopped, makes the running statement fail
// so that the run ends and the scratch table keeps the previous result.
class TStatisticsProgress {
 public:
  // `title` captions the window (the owner's caption when empty); a progress that cannot be
  // stopped shows no 停止 button.
  explicit TStatisticsProgress(QWidget* owner, const QString& title = QString(), bool stoppable = true);
  ~TStatisticsProgress();
  TStatisticsProgress(const TStatisticsProgress&) = delete;
  TStatisticsProgress& operator=(const TStatisticsProgress&) = delete;

  // The running progress, or null outside a run.
  static TStatisticsProgress* Current();
  // A new phase: its text and, when known, the number of steps it has.
  void SetPhase(const QString& text, int total = 0);
  // `done` steps of the phase are done; throws EStatisticsStopped when the operator stopped.
  void Step(int done);
  // Called often while the run works: repaints, shows the window after a second, and returns
  // true when the operator asked to stop.
  bool Tick();
  void Stop() { stopped_ = true; }
  bool Stopped() const { return stopped_; }
  QWidget* Window() const;

  // Called on every tick (tests stop a run there).
  static inline std::function<void(TStatisticsProgress&)> OnTick;

 private:
  void show();
  QWidget* owner_;
  QString title_;
  bool stoppable_ = true;
  class QProgressDialog* dialog_ = nullptr;
  QString text_;
  int total_ = 0;
  int done_ = 0;
  bool stopped_ = false;
  qint64 started_ = 0;
  qint64 lastEvents_ = 0;
  TStatisticsProgress* previous_ = nullptr;
};

// Shows the progress window while the main database is upgraded to this release's shape
// (its indexes built over a large file); installed once at start-up.
void InstallUpgradeProgressWindow();

// Raised when the operator stops a run.
struct EStatisticsStopped {};

// Empties 通用 and opens Dm1.q_tongyong on "select * from 通用" / "order by texta" (what the
// opener of every statistics window does before showing it).
void EmptyScratchForOpening();

// ---------------------------------------------------------------------------------------
// The statistics window

// A statistics window: tool bar Panel2 (删除, 导出, 打印, 返回, hidden 图形 and 初始界面),
// filter panel Panel7 (the window's own filter controls, 统计 and the animation), the result
// grid DBGridEh1 on Dm1.ds_tongyong with its print component. Subclasses create their
// filters and columns and implement RunStatistics.
class TStatisticsWindow : public QDialog {
  Q_OBJECT
 public:
  struct Options {
    bool deleteButton = true;
    bool footer = true;
    bool animation = true;
    QString layoutModule;  // module of the layout file the 初始界面 reset deletes; empty: none
  };
  TStatisticsWindow(QWidget* parent, const QString& objectName, const QString& caption, const QString& listTitle,
                    const Options& options);
  ~TStatisticsWindow() override;

  QString ListTitle() const { return listTitle_; }

  // Fills the filter lists as the window's opener does.
  virtual void FillFilterLists() {}

  QFrame* Panel2 = nullptr;
  QToolButton* bitbtn_delete = nullptr;
  QToolButton* bitbtn_out = nullptr;
  QToolButton* bitbtn_print = nullptr;
  QToolButton* SpeedButton4 = nullptr;  // 返回
  QToolButton* SpeedButton2 = nullptr;  // 图形 (hidden)
  QToolButton* SpeedButton3 = nullptr;  // 初始界面 (hidden)
  QFrame* Panel7 = nullptr;
  TDateTimePicker* DateTimePicker1 = nullptr;
  TDateTimePicker* DateTimePicker2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QComboBox* ComboBox3 = nullptr;
  QComboBox* ComboBox4 = nullptr;
  QToolButton* SpeedButton1 = nullptr;  // 统计
  QLabel* Animate1 = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

 public slots:
  void SpeedButton1Click();
  void bitbtn_deleteClick();
  virtual void bitbtn_printClick();
  void bitbtn_outClick();
  void SpeedButton4Click();
  void SpeedButton2Click();
  void SpeedButton3Click();
  void DBGridEh1SortMarkingChanged();

 protected:
  virtual void RunStatistics() = 0;
  void done(int result) override;
  void showEvent(QShowEvent* event) override;
  // Whether the result columns are fitted to the window when it is first shown (they keep
  // the widths given to them as their base widths); true unless a window says otherwise.
  void SetFitColumns(bool on) { fitColumns_ = on; }

  // Filter controls, placed in the filter panel in the order they are made.
  TDateTimePicker* AddPicker(const char* name, const char* label,
                             const QString& displayFormat = QString::fromUtf8("yyyy年MM月"));
  QLineEdit* AddEdit(const char* name, const char* label);
  // An editable box takes free text; a drop-down list only its entries (nothing chosen at first).
  QComboBox* AddCombo(const char* name, const char* label, bool editable = true, const QStringList& items = {});
  // A labelled filter control of the window's own kind, placed after the filters so far.
  void AddFilterWidget(const char* label, QWidget* widget);
  // Further filters go on a new line of the filter panel.
  void NewFilterRow();
  // Puts 统计 and the animation after the filters made so far.
  void FinishFilterPanel();
  // The Enter chain of the filter controls; `runAtEnd` clicks 统计 after the last.
  void ChainFilters(const QList<QWidget*>& controls, bool runAtEnd);
  void LinkFilter(QWidget* from, QWidget* to);

  // Appends a result column.
  enum Footer { NoFooter, SumFooter, CountFooter };
  TColumnEh* Column(const char* field, const char* title, int width, bool sortable, Footer footer = NoFooter);

  // Reads and checks the period of the two pickers; shows the refusal and returns false.
  bool ReadPeriod(YearMonth& from, YearMonth& to,
                  const QString& noDateMessage = QString::fromUtf8("没有输入缴费时间,请重新输入!"));

  void StartAnimation();
  void StopAnimation();

  // Fill a combo box (cleared first) from the main database.
  static void FillChargeItems(QComboBox* box);
  static void FillBuildings(QComboBox* box);
  static void FillAssociatedUnits(QComboBox* box);

 private:
  bool fitColumns_ = true;
  bool shown_ = false;
  class QVBoxLayout* filterRows_ = nullptr;
  QHBoxLayout* filterRow_ = nullptr;
  QString listTitle_;
  TLayoutReset layoutReset_;
  TEnterChain* enterChain_ = nullptr;
};

// Shows the window modally, frees it and closes Dm1.q_tongyong.
void RunStatisticsWindowModal(QDialog* window);

// Opens a statistics window as its menu command does: the right, the window, its filter
// lists, the emptied scratch table, modal display, then the window freed and q_tongyong closed.
template <class Window>
void OpenStatisticsWindow(QWidget* parent, const char* right) {
  if (!CheckActionRight(right)) return;
  auto* window = new Window(parent);
  window->FillFilterLists();
  EmptyScratchForOpening();
  RunStatisticsWindowModal(window);
}
