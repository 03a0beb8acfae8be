#pragma once

// The parts every window builds the same way, described once: its queries and tables with
// their data sources, its tool bar of named buttons, the lists its pickers offer, and the
// conditions of its search. A window states these as data and keeps only its own rules.

#include <QPushButton>
#include <QToolButton>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <tuple>

#include "platform/datetime.h"
#include "platform/ui.h"

class QComboBox;
class TDBComboBoxEh;
class QLabel;
class QLineEdit;
class QDialog;
class QGridLayout;
class TCustomDBGridEh;
class TDBGridEh;
class TPrintDBGridEh;
class QFrame;
class QHBoxLayout;
class QObject;
class QWidget;
class TADOConnection;
class TADOQuery;
class TADOTable;
class TDataSet;
class TDataSource;

// ---------------------------------------------------------------------------------------
// Data components

// A query over `connection` with its object name (none when `name` is null).
TADOQuery* NewQuery(QObject* owner, const char* name, TADOConnection* connection);
// A whole table over `connection`. With `master`, a detail of it: only the rows whose
// `masterFields` equal the master's current ones.
TADOTable* NewTable(QObject* owner, const char* name, TADOConnection* connection, const QString& tableName,
                    const QString& masterFields = QString(), TDataSource* master = nullptr);
// A data source of `dataSet` with its object name (none when `name` is null).
TDataSource* NewDataSource(QObject* owner, const char* name, TDataSet* dataSet);

// The data of a window listing, beside a master list, the rows of `table` that belong to the
// master's current row: the query "q_<master>" with its source "ds_<master>" and the table
// "t_<detail>" (linked by `linkFields`) with its source "ds_<detail>", over the main database.
std::tuple<TADOQuery*, TDataSource*, TADOTable*, TDataSource*> NewMasterDetail(QObject* owner, const char* master,
                                                                              const char* detail,
                                                                              const QString& table,
                                                                              const QString& linkFields);

// A data-aware editor of `field` of `source` with its object name.
template <class E>
E* NewBoundEditor(QWidget* parent, const char* name, TDataSource* source, const QString& field) {
  auto* e = new E(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->SetDataSource(source);
  e->SetDataField(field);
  return e;
}
template <class E>
E* NewBoundEditor(QWidget* parent, const char* name, TDataSource* source, const char* field) {
  return NewBoundEditor<E>(parent, name, source, QString::fromUtf8(field));
}

// One editor of a detail panel's grid of captions and editors: its caption stands in column
// 2*col (none when the caption is empty), the editor beside it spanning `span` columns.
struct TPlacedEditor {
  const char* caption;
  QWidget* editor;
  int row, col;
  int span = 1;
};
void PlaceEditors(QGridLayout* grid, QWidget* parent, std::initializer_list<TPlacedEditor> editors,
                  Qt::Alignment captionAlignment = Qt::AlignRight);

// Captioned editors one under the other from `row` down: each caption in column 0, its editor
// beside it spanning `span` columns. Returns the row after the last.
int PlaceCaptionedRows(QGridLayout* grid, QWidget* parent, int row,
                       std::initializer_list<std::pair<const char*, QWidget*>> rows, int span = 1,
                       Qt::Alignment captionAlignment = Qt::AlignRight);

// The first row of a detail panel's grid: the caption, then the code editor with `beside` (a
// button or a box) to its right.
void PlaceCodeEditor(QGridLayout* grid, QWidget* panel, const QString& caption, QWidget* code, QWidget* beside);

// The input method name of each editor (see SetImeName).
void SetImeNames(std::initializer_list<QWidget*> editors, const QString& name);

// A list grid with its object name, set up as the record windows use it (SetupListGrid).
TDBGridEh* NewListGrid(QWidget* parent, const char* name, TDataSource* source, int footerRows = 1);
// The grid's rows striped (StripeOddRows) through its cell parameters.
void StripeGridRows(TCustomDBGridEh* grid);
// The print component "PrintDBGridEh1"-style of a list grid, set up with SetupGridPrint.
TPrintDBGridEh* NewGridPrint(QObject* owner, const char* name, TDBGridEh* grid, const QString& listTitle);

// Opens `query` with the lines, shows a new W(owner) modally, frees it and closes the query:
// the menu commands whose window works on a query of the data module.
template <class W>
void RunModalOverQuery(QWidget* owner, TADOQuery* query, const QStringList& sqlLines);

// The windows' 9-point 宋体 font.
void SetWindowFont(QWidget* window);
// A dialog of the shell: its object name and title (none when empty) and the windows' font.
void SetupDialog(QWidget* dialog, const char* name, const QString& title);
// A fixed dialog of the shell: its object name and title, a title bar with (`closeButton`) or
// without the system menu and close button, and the windows' 9-point 宋体 font.
void SetupFixedDialog(QDialog* dialog, const char* name, const QString& title, bool closeButton);

// One push button of a dialog: the window's member that keeps it, its object name, its caption
// and the window's method its click runs.
template <class W>
struct TDialogButton {
  QPushButton* W::*member;
  const char* name;
  const char* caption;
  void (W::*handler)();
};

// The dialog's push buttons, in order: each made on the window, kept in its member, never the
// default button (Enter belongs to the editors) and wired to its handler (under the exception
// barrier).
template <class W>
void AddDialogButtons(W* window, std::initializer_list<TDialogButton<W>> buttons) {
  for (const TDialogButton<W>& d : buttons) {
    auto* b = new QPushButton(QString::fromUtf8(d.caption), window);
    b->setObjectName(QString::fromLatin1(d.name));
    b->setAutoDefault(false);
    window->*(d.member) = b;
    QObject::connect(b, &QPushButton::clicked, window, Guarded([window, fn = d.handler] { (window->*fn)(); }));
  }
}

// A row of buttons standing to the right: the stretch, then the buttons in order.
QHBoxLayout* NewButtonRow(std::initializer_list<QWidget*> buttons);

// ---------------------------------------------------------------------------------------
// Tool bars

// A flat tool button (glyph above caption) on `row` (when given), as every tool bar has them.
QToolButton* NewToolButton(QWidget* parent, QHBoxLayout* row, const char* name, const QString& caption);

// How a tool bar's frame looks. The record windows' bar is a framed panel with 2-pixel margins;
// the service windows' bar is a bare row with the style's margins (margin -1).
struct TToolBarLook {
  const char* frameName = nullptr;
  bool framed = true;
  int margin = 2;
  int spacing = 0;
};
inline constexpr TToolBarLook kRecordToolBar{"Panel1", true, 2, 0};
inline constexpr TToolBarLook kServiceToolBar{nullptr, false, -1, 0};
// A bare row with the style's margins and spacing (spacing -1).
inline constexpr TToolBarLook kPlainToolBar{nullptr, false, -1, -1};

// A tool bar: its frame and its row (more widgets and the stretch go on the row).
struct TToolBar {
  QFrame* frame = nullptr;
  QHBoxLayout* row = nullptr;
};
TToolBar NewToolBarFrame(QWidget* owner, const TToolBarLook& look);

// One button of a tool bar: the window's member that keeps it (or none), its object name, its
// caption and the window's method its click runs (or none).
template <class W>
struct TToolAction {
  QToolButton* W::*member;
  const char* name;
  const char* caption;
  void (W::*handler)() = nullptr;
};

// The buttons on `row`, in order: each made, kept in its member and wired to its handler
// (under the exception barrier).
template <class W>
void AddToolActions(W* window, QWidget* parent, QHBoxLayout* row, std::initializer_list<TToolAction<W>> actions) {
  for (const TToolAction<W>& a : actions) {
    QToolButton* b = NewToolButton(parent, row, a.name, QString::fromUtf8(a.caption));
    if (a.member) window->*(a.member) = b;
    if (a.handler)
      QObject::connect(b, &QToolButton::clicked, window,
                       Guarded([window, fn = a.handler] { (window->*fn)(); }));
  }
}

// A whole tool bar: the frame of `look` and its buttons, in order.
template <class W>
TToolBar NewToolBar(W* window, const TToolBarLook& look, std::initializer_list<TToolAction<W>> actions) {
  TToolBar bar = NewToolBarFrame(window, look);
  AddToolActions(window, bar.frame, bar.row, actions);
  return bar;
}

// The framed panel "Panel2" that holds a record window's editors.
QFrame* NewEditorPanel(QWidget* owner);

// A hint in blue on the tool bar's row after a gap, then the stretch.
QLabel* AddToolBarHint(const TToolBar& bar, const char* name, const QString& text);

// A list box whose value is set only through its pick button ("…"), which runs `click`
// (under the exception barrier).
void AddPickButton(TDBComboBoxEh* box, std::function<void()> click);

// A plain line editor with its object name.
QLineEdit* NewLineEdit(QWidget* parent, const char* name);
// A search row: the frame `name` holding each caption followed by its editor, then the
// search button and the stretch.
QFrame* NewSearchRow(QWidget* owner, const char* name, std::initializer_list<std::pair<const char*, QWidget*>> editors,
                     QWidget* searchButton);

// ---------------------------------------------------------------------------------------
// Queries and picker lists

// Closes the query, sets its lines and opens it.
void ReopenQuery(TADOQuery* query, const QStringList& sqlLines);
// The values of `field` over the rows the lines find, in order (each value once when
// `distinct`); the query is closed again.
QStringList FieldValues(TADOQuery* query, const QStringList& sqlLines, const QString& field, bool distinct = false);
// The same through Dm1.q_search.
QStringList SearchFieldValues(const QStringList& sqlLines, const QString& field, bool distinct = false);
// Replaces the items of a list box with the values of `field` over the rows the lines find.
void FillComboFromQuery(QComboBox* box, TADOQuery* query, const QStringList& sqlLines, const QString& field);

// The operator's estate as a condition: "(小区代码='code')" when the operator works on one
// estate, otherwise empty.
QString EstateScopeCondition();
// The lines of a list of `select` (taken as written) limited to the operator's estate:
// the select, "where (小区代码='code')" when the operator works on one estate, then `orderBy`
// (left out when empty).
QStringList EstateScopedSelect(const QString& select, const QString& orderBy);

// The lines that find a row of `table` of exactly the estate `estateCode` (rows without an
// estate count as the empty estate's) whose `field` is `value`: an estate's key in use.
QStringList EstateKeySql(const QString& table, const QString& estateCode, const QString& field, const QString& value);

// The lines that find the rows of `table` whose `field` is `value` in the estate `estateCode`
// (rows without an estate count as the empty estate's).
QStringList EstateRowsSql(const QString& table, const QString& field, const QString& value, const QString& estateCode);

// ---------------------------------------------------------------------------------------
// Searches

// The search of a list window: `query` reopened over the select line, " where " and the
// conditions when there are any, then the order line (the line a title click replaces);
// "没有找到合适的记录！" when nothing is found.
void SearchList(TADOQuery* query, const QString& select, const QString& conditions, const QString& orderBy);
// The search of a query dialog. Without conditions: "没有输入查询条件,请重新输入!" and the focus
// back to `firstEditor`. Otherwise `query` (when there is one) is reopened over the select line,
// " where " and the conditions, then the order line; when it finds nothing the operator may
// search again. True when the dialog closes.
bool SearchFromDialog(TADOQuery* query, const QString& select, const QString& conditions, const QString& orderBy,
                      QWidget* firstEditor);

// ---------------------------------------------------------------------------------------
// Search conditions

// How a date enters a condition: Jet's cdate('…') (SQLite connections only) or the bare text
// (both databases).
enum class TDateLiteral { Jet, Text };

// The conditions of a search, each in parentheses, joined by "and" in the order added.
class TSearchConditions {
 public:
  // A condition already in parentheses (nothing when empty).
  TSearchConditions& Add(const QString& condition);
  // "(field like '%value%' ESCAPE '\')" (with `op`, e.g. "ilike"): the value is matched
  // literally where it stands. Nothing when the value is blank.
  TSearchConditions& Contains(const QString& field, const QString& value, const QString& op = QStringLiteral("like"));
  // "(field = 'value')". Nothing when the value is blank.
  TSearchConditions& Equals(const QString& field, const QString& value);
  // "(field between <first second of from> and <last second of to>)": whole days.
  TSearchConditions& Days(const QString& field, TDateTime from, TDateTime to,
                          TDateLiteral literal = TDateLiteral::Text);
  // The operator's estate, when the operator works on one.
  TSearchConditions& EstateScope();

  bool IsEmpty() const { return parts_.isEmpty(); }
  const QStringList& Parts() const { return parts_; }
  // The conditions joined by "and"; empty when there are none.
  QString Text() const;

 private:
  QStringList parts_;
};

// "(field like '%value%' ESCAPE '\')" with `op` in place of like where given.
QString LikeCondition(const QString& field, const QString& value, const QString& op = QStringLiteral("like"));
// "(field between <from> and <to>)" over whole days.
QString DaysCondition(const QString& field, TDateTime from, TDateTime to, TDateLiteral literal = TDateLiteral::Text);

// ---------------------------------------------------------------------------------------

void CloseQuery(TADOQuery* query);

template <class W>
void RunModalOverQuery(QWidget* owner, TADOQuery* query, const QStringList& sqlLines) {
  ReopenQuery(query, sqlLines);
  {
    auto* window = new W(owner);
    RunModal(window);
    delete window;
  }
  CloseQuery(query);
}
