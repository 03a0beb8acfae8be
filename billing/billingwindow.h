#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <vector>

#include "shell/recordwindow.h"
#include "shell/windowparts.h"

class QAction;
class QComboBox;
class QDate;
class QDateEdit;
class QDialog;
class QFrame;
class QToolButton;
class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QWidget;
class TColumnEh;
class TCustomDBGridEh;
class TDBGridEh;
class TPrintDBGridEh;
class TDataSet;
class TDataSource;
class TDBMemo;
class TDBDateTimeEditEh;
class TADOQuery;
class TfrDBDataSet;
class TfrDataset;
class TfrReport;

// Shapes the fee windows share: the pop-up menu of a grid, the report component of a window
// and the command that opens a template in the report designer.

// Dialog buttons that Enter never presses: Enter in a box moves along its own chain only, so a
// cashier's Enter cannot post or close the dialog by accident.
void WithoutDefaultButton(QDialog* dialog);

// The date typed into a search field's date editor: empty while no digit is typed, so an empty
// field sets no bound; otherwise the editor's text (a half-typed date stays visible as such and
// is refused by the caller's check).
QString TypedDateText(const TDBDateTimeEditEh* editor);
// A date editor of a search panel or dialog, named `name`, empty at the start.
TDBDateTimeEditEh* AddSearchDateEditor(QWidget* parent, const char* name);

// A memo `name` bound to `field` of `source`, `lines` lines high; Tab leaves it.
TDBMemo* AddBoundMemo(QWidget* parent, TDataSource* source, const char* name, const char* field, int lines);

// The pop-up menu `name` of `grid`, shown where the operator right-clicks the grid.
QMenu* AttachGridPopup(QWidget* owner, TCustomDBGridEh* grid, const char* name);
// Appends the item `name` with `caption` to `menu`; `handler` runs under the exception
// barrier.
QAction* AddPopupItem(QMenu* menu, const char* name, const QString& caption, std::function<void()> handler);

// The window's report component `frReport1`: title "gfh", the record source `dataset`.
TfrReport* AddWindowReport(QWidget* owner, TfrDataset* dataset);

// DesignPrintTemplate: without `right` the refusal; when the template `fileName` exists it is
// loaded into `report` and the designer opens on it (saving writes the file back); a missing
// file says "打印文件被破坏，请与程序员联系！".
void DesignPrintTemplate(TfrReport* report, const char* right, const QString& fileName);

// One read-only field of a detail panel: its label and field name; a field named as the
// panel's check field shows as a check box.
struct DetailField {
  const char* label;
  const char* field;
};
// A panel that shows the current row of `source` read-only, `perRow` label and editor pairs
// per line; `checkField` (may be null) is a boolean shown as a check box labelled
// `checkLabel` (editable with `checkEditable`). The editors are named "DBEdit_" + field.
QWidget* AddDetailPanel(QWidget* parent, TDataSource* source, std::initializer_list<DetailField> fields, int perRow,
                        const char* checkField = nullptr, const char* checkLabel = nullptr, bool checkEditable = false);

// One editor on a formula page: the text before it, its field (null: a disabled editor bound
// to nothing, as the standards' meter page shows) and the text after it.
struct FormulaEditor {
  const char* before;
  const char* field;
  const char* after = "";
};
// A page of the formula page control: the formula text is its caption.
struct FormulaPage {
  QString formula;
  std::vector<FormulaEditor> editors;
};
// The pages of a bill row (单价, 本月表数, 上月表数, 面积或数量, 收费金额) and of a charge
// standard (单价, 预付金额, 金额), in the order of the formula list.
std::vector<FormulaPage> BillFormulaPages();
std::vector<FormulaPage> StandardFormulaPages();
// PageControl1 with the pages TabSheet1.. in order; every editor is a number editor with four
// decimals bound to `source`. With `itemField` the item name stands read-only at the top of
// each page, with `remarkField` a remark editor at the bottom. The editors are named
// "DBNumberEdit_" + page number + "_" + field.
QTabWidget* AddFormulaPages(QWidget* parent, TDataSource* source, const std::vector<FormulaPage>& pages,
                            const char* itemField = nullptr, const char* remarkField = nullptr);
// ShowFormulaPage: the page whose caption is `formula` (nothing for an unknown formula). A
// page chosen by hand is turned back by the caller calling this again on every page change.
void ShowFormulaPage(QTabWidget* pages, const QString& formula);

// The bill-row columns of the payment lists (multi-month and fast payment windows), with
// title buttons and widths that keep the list readable; rows still unpaid are drawn red.
// `countHouses`: the fast payment window counts 房屋代码 in the footer and leaves 收费名称
// without one; the multi-month window shows "合计" under 收费名称.
void AddPaymentBillColumns(TCustomDBGridEh* grid, TDataSet* bills, bool countHouses);

// The width of a column titled "面积/数量/金额" (the basis of a bill or a charge standard):
// room for its title and for an amount with four decimals.
inline constexpr int kBasisColumnWidth = 105;

// DBGridEh1 of the payment lists over `source`: several rows can be marked, the columns of
// AddPaymentBillColumns, `sortChanged` run (under the exception barrier) when the sort
// markers change.
TDBGridEh* AddPaymentBillGrid(QWidget* owner, TDataSource* source, TDataSet* bills, bool countHouses,
                              std::function<void()> sortChanged);

// The end of a find dialog over `rows`: the rows of the lines; when they find nothing and the
// operator answers Yes to "没有找到合适的记录,是否重新查找!!" the dialog stays open (false);
// otherwise it may close (true).
bool ShowFoundRows(TADOQuery* rows, const QStringList& sqlLines);

// A footer that shows a fixed text ("合计", "记录数").
void SetFooterText(TColumnEh* column, const QString& text);

// The bill-row columns of the single-month windows (and of the front desk's kind): 收费名称 with
// "合计", 单价(比例), the readings, 面积/数量/金额, 收费金额 with its sum, the month's dates,
// 计算公式, 房屋代码, 业主名称, then with `paymentColumns` 缴费状态 and 单据号码, and 备注.
void AddMonthBillColumns(TCustomDBGridEh* grid, bool paymentColumns);

// What a window prints its payment notices with: the local 收费明细表 (`q_tongyong`, record
// source `frDS_HT`), 表2 (`q_biao2`, record source `frDS_biao2`) and the report `frReport1`.
struct NoticePrintParts {
  TADOQuery* q_tongyong = nullptr;
  TDataSource* ds_tongyong = nullptr;
  TADOQuery* q_biao2 = nullptr;
  TfrDBDataSet* frDS_HT = nullptr;
  TfrDBDataSet* frDS_biao2 = nullptr;
  TfrReport* frReport1 = nullptr;
};
NoticePrintParts AddNoticePrintParts(QWidget* owner);
// Creates the notice's print parts on `window` and keeps them in its members of those names.
template <class Window>
void InstallNoticePrintParts(Window* window) {
  const NoticePrintParts parts = AddNoticePrintParts(window);
  window->q_tongyong = parts.q_tongyong;
  window->ds_tongyong = parts.ds_tongyong;
  window->q_biao2 = parts.q_biao2;
  window->frDS_HT = parts.frDS_HT;
  window->frDS_biao2 = parts.frDS_biao2;
  window->frReport1 = parts.frReport1;
}

// ---------------------------------------------------------------------------------------
// The record windows of the fee subsystem (charge items, meters, deposits)

// Their tool bar "Panel1": a bare row with 2-pixel margins.
inline constexpr TToolBarLook kFeeRecordBar{"Panel1", false, 2, -1};
// The standard tool buttons of a record window wired to the window's methods of their names:
// bitbtn_add to bitbtn_addClick, … bitbtn_print to bitbtn_printClick, SpeedButton4 to
// SpeedButton4Click.
template <class W>
void ConnectStandardClicks(W* window) {
  ConnectClicks(window, {{window->bitbtn_add, &W::bitbtn_addClick},
                         {window->bitbtn_edit, &W::bitbtn_editClick},
                         {window->bitbtn_delete, &W::bitbtn_deleteClick},
                         {window->bitbtn_save, &W::bitbtn_saveClick},
                         {window->bitbtn_cancel, &W::bitbtn_cancelClick},
                         {window->bitbtn_out, &W::bitbtn_outClick},
                         {window->bitbtn_print, &W::bitbtn_printClick},
                         {window->SpeedButton4, &W::SpeedButton4Click}});
}

// ---------------------------------------------------------------------------------------
// The scratch lists: windows that compute their rows into the local table 通用 and show them
// from Dm1.q_tongyong.

// Their tool bar: a bare row with 2-pixel margins.
inline constexpr TToolBarLook kScratchListBar{nullptr, false, 2, -1};
// DBGridEh1 over Dm1.ds_tongyong with one footer row; `sortChanged` runs (under the exception
// barrier) when the sort markers change.
TDBGridEh* AddScratchListGrid(QWidget* owner, std::function<void()> sortChanged);
// The first column of a scratch list counts the rows in its footer, centred.
void CountRowsInFooter(TColumnEh* column);
// The window's body: the tool bar, the filter row, the grid taking the height; 1000×640 when
// restored.
void PlaceScratchList(QWidget* window, QWidget* bar, QWidget* filter, QWidget* grid);
// The building list and the unit (关联单位) list of a scratch list's filter: the names of the
// operator's estate, each once ignoring case, nothing chosen.
void FillBuildingAndUnitLists(QComboBox* buildings, QComboBox* units);
// Appends to `box` the values of `field` over the rows the lines find through Dm1.q_search,
// each once ignoring case (several estates may keep a building, a unit or an item of the same
// name); a value the box holds already is not added again.
void AddDistinctNames(QComboBox* box, const QStringList& sqlLines, const QString& field);

// Opens a scratch list: a new W(owner) prepared and shown modally, then freed, and the scratch
// query closed.
void CloseScratchList();
template <class W>
void RunScratchList(QWidget* owner) {
  auto* window = new W(owner);
  window->Prepare();
  RunModal(window);
  delete window;
  CloseScratchList();
}

// ---------------------------------------------------------------------------------------
// The parts of the fee windows that show houses on the left and their rows on the right

// A line edit `name` on `parent`.
QLineEdit* AddLineEdit(QWidget* parent, const char* name);
// An editable list `name` on `parent`.
QComboBox* AddEditableList(QWidget* parent, const char* name);
// An editable list `name` on `parent` offering `items`, nothing chosen.
QComboBox* AddPickList(QWidget* parent, const char* name, const QStringList& items);
// The values of `field` in the rows of `table` of the operator's estate, ordered by `orderBy`.
QStringList EstateFieldValues(const QString& table, const QString& field, const QString& orderBy);

// The queries of a fee window that lists houses and the rows of the current house: q_houseinfo
// and the rows' query `rowsName` over the main database, each with its data source;
// `rowsFollow` runs whenever the houses open or scroll.
struct HouseRowsQueries {
  TADOQuery* houses = nullptr;
  TDataSource* housesSource = nullptr;
  TADOQuery* rows = nullptr;
  TDataSource* rowsSource = nullptr;
};
HouseRowsQueries AddHouseRowsQueries(QObject* owner, const char* rowsName, std::function<void()> rowsFollow);
// Creates them on `window`: the houses in its members q_houseinfo and ds_houseinfo, the rows in
// the members named; `follow` is the window's method that reloads the rows.
template <class W>
void InstallHouseRowsQueries(W* window, TADOQuery* W::*rows, TDataSource* W::*rowsSource, const char* rowsName,
                             void (W::*follow)()) {
  const HouseRowsQueries q = AddHouseRowsQueries(window, rowsName, [window, follow] { (window->*follow)(); });
  window->q_houseinfo = q.houses;
  window->ds_houseinfo = q.housesSource;
  window->*rows = q.rows;
  window->*rowsSource = q.rowsSource;
}

// How the house list sorts: by 房屋代码 and 业主名称 only, or by 楼宇名称 as well.
enum class HouseListSort { CodeAndOwner, AllColumns };
// DBGridEh1, the house list of a fee window over `houses`: 楼宇名称, 房屋代码, 业主名称 with
// widths of their own and no footer; `multiSelect` lets the operator mark several houses.
// `sortChanged` runs (under the exception barrier) when the sort markers change.
TDBGridEh* AddHouseListGrid(QWidget* owner, TDataSource* houses, HouseListSort sort, bool multiSelect,
                            std::function<void()> sortChanged);

// One editor of a search row: its caption and object name, kept in `line` (a line edit) or in
// `list` (an editable list).
struct SearchEditor {
  const char* caption;
  const char* name;
  QLineEdit** line = nullptr;
  QComboBox** list = nullptr;
};
// The editors made in order on `parent` and placed on `row`, each after its caption, then the
// search button "bitbtn_seek" "查找", which is returned.
QToolButton* AddSearchEditors(QHBoxLayout* row, QWidget* parent, std::initializer_list<SearchEditor> editors);

// A hint label on `parent` in the colour `color` (a style sheet colour), added to `row`.
QLabel* AddColouredHint(QBoxLayout* row, QWidget* parent, const QString& text, const char* color);

// The house search editors of the fee windows, each after its caption on `row`: Edit1
// "房屋代码：", Edit3 "业主名称：" (in the operator's input method) and DBComboBoxEh3 "楼宇名称：".
struct HouseSearchEditors {
  QLineEdit* house = nullptr;
  QLineEdit* owner = nullptr;
  QComboBox* building = nullptr;
};
HouseSearchEditors AddHouseSearchEditors(QHBoxLayout* row, QWidget* parent);

// The house search row of the single-month windows: a frame holding the house search editors
// and the search button SpeedButton1 "查找", then the stretch.
struct HouseSearchRow {
  QFrame* frame = nullptr;
  HouseSearchEditors editors;
  QToolButton* search = nullptr;
};
HouseSearchRow AddHouseSearchRow(QWidget* owner);
// Creates the row on `window` and keeps its editors and button in the members Edit1, Edit3,
// DBComboBoxEh3 and SpeedButton1; returns the row's frame.
template <class Window>
QFrame* InstallHouseSearchRow(Window* window) {
  const HouseSearchRow row = AddHouseSearchRow(window);
  window->Edit1 = row.editors.house;
  window->Edit3 = row.editors.owner;
  window->DBComboBoxEh3 = row.editors.building;
  window->SpeedButton1 = row.search;
  return row.frame;
}

// The conditions of a house search: 房屋代码 and 业主名称 containing the typed texts, 楼宇名称
// equal to the chosen one, in that order; each trimmed and left out while blank.
TSearchConditions HouseSearchConditions(const QString& house, const QString& owner, const QString& building);
// A list's search: `rows` reopened with `select`, " where " and the conditions when there are
// any, then `orderBy` as the last line (the line the title markers replace). When it finds
// nothing the operator is told "没有找到合适的记录！". True when it found rows.
bool SearchRows(TADOQuery* rows, const QString& select, const TSearchConditions& where, const QString& orderBy);

// The list of a building editor: the building names of the operator's estate (of every
// estate when the operator works on all), in name order, each once; nothing chosen.
void FillBuildingList(QComboBox* box);

// "缴费时间：" and DateTimePicker1 on `row`, today's date shown in `format`.
QDateEdit* AddPaymentDatePicker(QHBoxLayout* row, QWidget* parent, const QString& format);

// The words that say whether the current row of `bills` is paid: `unpaid` shows while its
// 缴费状态 is "未缴费", `paid` otherwise; neither while it has no rows.
void ShowPaidStateWords(QLabel* unpaid, QLabel* paid, TDataSet* bills);

// The body of a fee window: `top` rows one under the other, then the house list on the left
// and `right` one under the other beside it (three times as wide; the last one takes the
// height).
void PlaceHousesBeside(QWidget* window, std::initializer_list<QWidget*> top, QWidget* houses,
                       std::initializer_list<QWidget*> right);

// `bills` reopened on the bill rows of the current house of `houses` in the month of `month`,
// in item order; `andCondition` (may be empty) narrows them further.
void OpenHouseMonthBills(TADOQuery* bills, TDataSet* houses, const QDate& month, const QString& andCondition);

// After a rolled-back change: the pending edit of `rows` cancelled and the rows read again at
// the same row number (the rows shown may hold values that were rolled back).
void RereadAtSameRow(TADOQuery* rows);

// The values of `field` over the rows `sql` finds through Dm1.q_search, each name once (letter
// case aside) in the order found: the pickers of buildings and related units.
QStringList DistinctSearchValues(const QString& sql, const char* field);
