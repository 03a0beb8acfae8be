#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhImpExp.h"
#include "grid/PrnDbgeh.h"
#include "platform/syscolors.h"
#include "platform/ui.h"
#include "shell/windowparts.h"

class QHBoxLayout;
class QToolButton;
class QWidget;
class TADOQuery;
class TCustomDBEditEh;
class TDataSet;
class TDataSource;
class TField;

// The behaviour every record and list window shares: the tool bar and its two states, the
// action rights, the save checks, export, print, sorting by title markers, row colours, the
// memo editor, layout reset, Enter chains and the input method of editors.

// ---------------------------------------------------------------------------------------
// Rights

inline constexpr const char* kNoRightMessage = "抱歉，您没有权限，不能进行操作！";

// True when `right` is null (the command checks none) or the operator holds it; otherwise
// shows the refusal and returns false.
bool CheckActionRight(const char* right);

// ---------------------------------------------------------------------------------------
// Window placement

// The window opens maximised; `normal` is its size when the operator restores it.
void OpenMaximised(QWidget* window, const QSize& normal);
// The window is centred on its screen whenever it is shown (a dialog would otherwise sit
// over its owner, which may not fill the screen yet while the program starts).
void CentreOnScreen(QWidget* window);

// ---------------------------------------------------------------------------------------
// Tool-bar wiring

// Runs the window's method when its button is clicked, under the exception barrier. A null
// button (one the window does not have) is skipped.
template <class W>
void ConnectClicks(W* window, std::initializer_list<std::pair<QAbstractButton*, void (W::*)()>> handlers) {
  for (const auto& [button, handler] : handlers)
    if (button)
      QObject::connect(button, &QAbstractButton::clicked, window, Guarded([window, fn = handler] { (window->*fn)(); }));
}

// ---------------------------------------------------------------------------------------
// Record window

// A record window: a tool bar over a detail panel of editors and a grid of the rows.
// The state is the set of enabled buttons and writable editors:
//   browse:      the browse buttons enabled, 存盘/取消 disabled, text editors read-only,
//                list/number/date editors disabled, grids enabled;
//   add or edit: the browse buttons disabled (增加 stays enabled while editing, which is how
//                a save tells an edited row from a new one), 存盘/取消 enabled, editors
//                writable, grids disabled.
class TRecordForm : public QDialog {
  Q_OBJECT
 public:
  explicit TRecordForm(QWidget* parent = nullptr);
  ~TRecordForm() override;

  // The standard tool buttons (null where the window has none).
  QToolButton* bitbtn_add = nullptr;
  QToolButton* bitbtn_edit = nullptr;
  QToolButton* bitbtn_delete = nullptr;
  QToolButton* bitbtn_save = nullptr;
  QToolButton* bitbtn_cancel = nullptr;
  QToolButton* bitbtn_out = nullptr;
  QToolButton* bitbtn_print = nullptr;
  QToolButton* SpeedButton4 = nullptr;  // 返回

  // True while a new row is being added (增加 disabled).
  bool IsAdding() const;
  // True in the add-or-edit state (存盘 enabled).
  bool IsEditing() const;

  void SetBrowseState();
  void SetAddEditState(bool adding);

  // The dataset a close cancels pending changes of.
  TDataSet* MainDataSet() const { return mainDataSet_; }

 public slots:
  // The standard buttons' handlers (NewRecordToolBar wires them). 增加, 编辑, 删除 and 存盘 are
  // each window's own. By default 取消 cancels the main dataset's change, 导出 and 打印 list the
  // rows of the window's list (SetListOutput) and 返回 closes the window.
  virtual void bitbtn_addClick() {}
  virtual void bitbtn_editClick() {}
  virtual void bitbtn_deleteClick() {}
  virtual void bitbtn_saveClick() {}
  virtual void bitbtn_cancelClick();
  virtual void bitbtn_outClick();
  virtual void bitbtn_printClick();
  virtual void SpeedButton4Click();

 protected:
  // What 导出 and 打印 list: the grid's rows under the export name, through the print
  // component, each under its right (none when null), with or without the row guard.
  struct TListOutput {
    TCustomDBGridEh* grid = nullptr;
    QString exportName;
    TPrintDBGridEh* print = nullptr;
    const char* exportRight = "导出权";
    const char* printRight = "打印权";
    bool rowGuard = true;
  };
  void SetListOutput(const TListOutput& output) { listOutput_ = output; }
  // The window's main list: a double click edits its row, it is disabled while editing, and
  // 导出 and 打印 list it (under their rights, none when null; with or without the row guard)
  // through its print "PrintDBGridEh1" titled `printTitle`, which is returned; the export takes
  // `exportName` (the print title when empty).
  TPrintDBGridEh* SetupMainList(TDBGridEh* grid, const QString& printTitle, const char* exportRight = "导出权",
                                const char* printRight = "打印权", bool rowGuard = true,
                                const QString& exportName = QString());

  // The record tool bar: the framed panel with the standard buttons 增加 … 打印, the window's
  // `extra` buttons, then 返回; each button is kept in its member and wired to its handler.
  template <class W>
  TToolBar NewRecordToolBar(W* window, std::initializer_list<TToolAction<W>> extra = {}) {
    TToolBar bar = NewToolBarFrame(this, kRecordToolBar);
    addStandardActions(bar, false);
    AddToolActions<W>(window, bar.frame, bar.row, extra);
    addStandardActions(bar, true);
    return bar;
  }

  // Creates a flat tool button (glyph above caption) on the tool bar row.
  QToolButton* AddToolButton(QHBoxLayout* row, const char* name, const QString& caption);
  // Creates the standard buttons in the usual order on `row`.
  void AddStandardToolButtons(QHBoxLayout* row);

  // Registers what the states switch.
  void SetMainDataSet(TDataSet* dataSet) { mainDataSet_ = dataSet; }
  void AddBrowseButton(QWidget* w) { browseButtons_.append(w); }
  void AddEditButton(QWidget* w) { editButtons_.append(w); }
  void AddTextEditor(QWidget* w) { textEditors_.append(w); }  // read-only while browsing
  void AddListEditor(QWidget* w) { listEditors_.append(w); }  // disabled while browsing
  void AddStateGrid(QWidget* w) { grids_.append(w); }        // disabled while editing
  void AddBrowseButtons(std::initializer_list<QWidget*> ws) {
    for (QWidget* w : ws) AddBrowseButton(w);
  }
  void AddTextEditors(std::initializer_list<QWidget*> ws) {
    for (QWidget* w : ws) AddTextEditor(w);
  }
  // The standard buttons the window has take part in the states: 增加, 编辑, 删除, 导出 and
  // 打印 while browsing, 存盘 and 取消 while adding or editing.
  void RegisterStandardToolStates();

  // --- the record template's steps
  // 增加: right, state, cancel any pending change, last row, append, focus.
  bool RecordAdd(TDataSet* dataSet, QWidget* firstEditor, const char* right);
  // 编辑: right, state (增加 stays enabled), focus.
  bool RecordEdit(QWidget* firstEditor, const char* right);
  // 增加 of a row under the current row of `master` (a detail whose link fills the key): the
  // right; refused with `emptyMessage` when the master has no row; `rows` opened when closed;
  // then RecordAdd. True when the row was appended.
  bool RecordAddUnder(TDataSet* master, const QString& emptyMessage, TDataSet* rows, QWidget* firstEditor,
                      const char* right);
  // 编辑 that adds when there is nothing to edit: without rows it runs 增加 (bitbtn_addClick),
  // otherwise RecordEdit.
  bool RecordEditOrAdd(TDataSet* rows, QWidget* firstEditor, const char* right);
  // 取消: cancel the row, browse state.
  void RecordCancel(TDataSet* dataSet);
  // 删除: right, row guard, question, delete. A failed delete is cancelled and its reason
  // shown. True when the row was deleted.
  bool RecordDelete(TDataSet* dataSet, const char* right, bool rowGuard);

  // --- 存盘 helpers, called in the window's fixed order
  // Puts the row into editing and takes the editors' pending text.
  static void BeginSave(TDataSet* dataSet);
  // The start of a save of the row shown: false (nothing to save, the window stays as it is)
  // when the dataset is closed or the row has no change; otherwise the row is in editing with
  // the editors' text and `adding` (when given) tells whether it is new.
  static bool BeginChangedSave(TDataSet* dataSet, bool* adding = nullptr);
  // A field a save requires: its editor, focused again when it is empty, and the message.
  struct TRequiredField {
    const char* field;
    QWidget* editor;
    const char* message;
  };
  // RequireField for each field in order: false at the first empty one.
  static bool RequireFields(TDataSet* dataSet, std::initializer_list<TRequiredField> fields, bool trim = true);
  // A required field: false (message shown, focus back) when empty.
  static bool RequireField(TDataSet* dataSet, const QString& field, QWidget* editor, const QString& message,
                           bool trim = false);
  // A unique key looked up through Dm1.q_search: false (information box, focus back) when the
  // text names another row. While adding any row found is a duplicate; while editing only
  // when the key differs from the value the row had when it was read.
  bool CheckUniqueKey(TDataSet* dataSet, const QString& table, const QString& field, const QString& text,
                      QWidget* editor, const QString& message);
  // A unique key of a save: CheckUniqueKey's table, field, typed text, editor and message.
  struct TUniqueKey {
    QString table, field, text;
    QWidget* editor;
    QString message;
  };
  // CheckUniqueKey for each key in order: false at the first duplicate.
  bool CheckUniqueKeys(TDataSet* dataSet, std::initializer_list<TUniqueKey> keys);
  // Writes the stamps (operator field and 操作日期, where the table has them) and posts.
  // A failed post cancels the row, tells the operator the database's reason and returns
  // false; either way the window returns to the browse state.
  bool StampAndPost(TDataSet* dataSet, const QString& operatorField);

  // A record's key that other tables copy: what its save checks and writes.
  struct TRenamableKey {
    QString field;                 // the key field of the saved row
    QWidget* editor = nullptr;     // focused again when the key is refused
    QStringList duplicateSql;      // the lines that find a row already holding the new key
    QString duplicateMessage;      // shown (information box) when they find one
    // The statements that write the new key (and what goes with it) into the copies.
    std::function<QStringList(const QString& oldKey, const QString& newKey)> cascade;
  };
  // The end of a keyed save: the key's uniqueness when the row is new or its key changed
  // (ignoring case); the rename cascade when an existing row's key changed at all; stamps and
  // post with the cascade in one transaction (PostWithRenameCascade); a failed post reopens
  // the rows at the old key. The window returns to the browse state unless the key was
  // refused. True when saved.
  bool SaveRenamableRow(TDataSet* dataSet, bool adding, const TRenamableKey& key,
                        const QString& operatorField = QString::fromUtf8("操作人员"));
  // 删除 of a row other tables may use: the in-use refusal (RefuseWhenInUse) comes first,
  // then RecordDelete. True when the row was deleted.
  bool DeleteUnlessInUse(TDataSet* dataSet, const QStringList& inUseSql, const QString& refusal, const char* right,
                         bool rowGuard);
  // 删除 of a row of an estate whose `keyField` rows of `usedBy` in the same estate name: nothing
  // without rows; refused with `refusal` while such rows exist (before the right); otherwise
  // RecordDelete under 删除权.
  bool DeleteUnlessUsedInEstate(TDataSet* dataSet, const QString& usedBy, const QString& keyField,
                                const QString& refusal);

  // Leaving the window (返回, the close button or Escape) cancels a pending change of the
  // main dataset.
  void done(int result) override;

 private:
  void addStandardActions(const TToolBar& bar, bool returnButton);
  TListOutput listOutput_;
  TDataSet* mainDataSet_ = nullptr;
  QList<QPointer<QWidget>> browseButtons_, editButtons_, textEditors_, listEditors_, grids_;
};

// The field's text trimmed and in upper case, as the code editors type it.
void KeepTrimmedUpper(TField* field);
// True when a save must check the key: the row is new, or its key changed ignoring case.
bool KeyNeedsCheck(bool adding, const QString& oldKey, const QString& key);

// Runs the lines through Dm1.q_search and tells whether they found a row; the query is
// closed again.
bool SearchFindsRows(const QStringList& sqlLines);
// A delete's in-use rule: when the lines find a row, shows `refusal` (exclamation box) and
// returns true, so the caller keeps the row.
bool RefuseWhenInUse(const QStringList& sqlLines, const QString& refusal);

// Reports a failed post or delete: the action and the database's message, exclamation box
// captioned "提示".
void ShowDataError(const QString& action, const QString& databaseMessage);

// ---------------------------------------------------------------------------------------
// Export and print

// The file name the export writes: the chosen name, with "." and the filter's extension
// appended when its last three characters (ignoring case) are not that extension. Empty for
// a filter index outside 1..5.
QString ExportFileName(const QString& chosen, int filterIndex);
// The exporter of a filter index (1 text, 2 CSV, 3 HTML, 4 RTF, 5 XLS); empty otherwise.
TDBGridEhExportClass ExportClassForFilter(int filterIndex);

// ExportShownRows: guards (row guard first, then the right), Dm1.SaveDialog1 with the
// default name, and all rows of the grid written with the chosen filter's exporter.
// True when a file was written.
bool ExportShownRows(TCustomDBGridEh* grid, const QString& defaultName, const char* right, bool rowGuard);

// Sets up a window's print component for its list grid: fitted to the page width, rows
// stretched to their text, millimetres; page header centre: the list's title followed by
// "打印清单"; page header left: an empty line, then "第&[Page]页"; after the grid one line
// with "%[Today]" at the left and "%[czy]" further right.
void SetupGridPrint(TPrintDBGridEh* print, TDBGridEh* grid, const QString& listTitle);
// The substitutions of a print: "%[Today]" and "%[czy]" with their texts.
QStringList PrintSubstitutes();

// What shows the preview of a set-up print component; the default is its ShowPreview.
using TGridPrintPreview = std::function<void(TPrintDBGridEh* print)>;
TGridPrintPreview SetGridPrintPreview(TGridPrintPreview preview);
// PrintShownRows: guards as for export (row guard on the grid's dataset, then the right),
// the substitutions handed to the component, then the preview. True when it was shown.
bool PrintShownRows(TPrintDBGridEh* print, const char* right, bool rowGuard);

// A search or editor row: each caption as a label on `row`'s parent, followed by its editor.
void AddCaptionedEditors(QHBoxLayout* row, QWidget* parent,
                         std::initializer_list<std::pair<const char*, QWidget*>> editors);

// ---------------------------------------------------------------------------------------
// Grids

// A list grid as the record windows use it: read-only, whole-row selection, one footer row.
void SetupListGrid(TCustomDBGridEh* grid, TDataSource* source, int footerRows = 1);
// One column of a list as a table states it: its field, its width, its footer (none, a count
// or a sum) and its title (the field's name when null).
struct TGridColumn {
  const char* field;
  int width;
  TFooterValueType footer = fvtNon;
  const char* caption = nullptr;
};
// Appends the columns in order (see AddGridColumn), none sortable.
void AddGridColumns(TCustomDBGridEh* grid, std::initializer_list<TGridColumn> columns);

// Appends a column of `field` titled `caption` (the field name when empty); `sortable`
// lets a title click set its sort marker; a width above 0 is the column's width in pixels.
// The column is kept at least as wide as its title, and the grid at least as wide as it.
TColumnEh* AddGridColumn(TCustomDBGridEh* grid, const QString& field, const QString& caption = QString(),
                         bool sortable = false, int width = 0);
// A grid that fits its columns to the window squeezes them as the window narrows; this keeps
// every column at least as wide as its own title (the lowest level of a "|" title), so the
// grid scrolls sideways instead of cutting titles off.
void KeepTitlesReadable(TCustomDBGridEh* grid);
// A narrow grid of a few columns beside other controls: it is at least as wide as all its
// columns together.
void FitGridWidthToColumns(TCustomDBGridEh* grid);
// Runs `handler` (under the exception barrier) when the grid's rows are double-clicked.
void OnGridDoubleClick(TCustomDBGridEh* grid, std::function<void()> handler);

// ---------------------------------------------------------------------------------------
// Sorting and row colours

// " ORDER BY a DESC , b" from the sort-marked columns in marking order; empty when none.
QString OrderByFromSortColumns(TColumnsEhList& columns);
// SortByTitleMarkers: replaces the last SQL line of `query` with the ORDER BY of the grid's
// sort-marked columns and reopens it. Nothing happens when the query has no rows.
void SortByTitleMarkers(TCustomDBGridEh* grid, TADOQuery* query);

inline constexpr TColor kStripeColor = 16382444;  // F9F9EC
// The background of a record number: the stripe for odd numbers, white for even ones.
TColor StripeColorOf(int recordNumber);
// StripeOddRows: the background of the grid's current row by its sum list's record number.
void StripeOddRows(TCustomDBGridEh* grid, TColor& background);
// PaintStatusRows: red font when the row's field equals the value; otherwise unchanged.
void PaintStatusRows(TDataSet* dataSet, const QString& field, const QString& value, TFontEh& font);

// DeleteScratchRow: with rows and a Yes, deletes the current row of the scratch query; a
// failed delete is cancelled and reported.
void DeleteScratchRow(TDataSet* dataSet);

// ---------------------------------------------------------------------------------------
// Memo editor, layout reset, Enter chains, input method

// OpenMemoEditor: nothing while `readOnly`; otherwise the memo editor bound to the source's
// field, shown modally and freed.
void OpenMemoEditor(QWidget* parent, bool readOnly, TDataSource* source, const QString& field);
// The same for a double-clicked text editor: its own data source and `field`.
void OpenMemoEditor(QWidget* parent, TCustomDBEditEh* editor, const QString& field = QString::fromUtf8("备注"));

// The memo editor of a double-clicked editor of the row shown, bound to `field` of `source`:
// a writable editor first puts the shown row into editing, so the memo editor's first
// keystroke is kept; a read-only editor opens nothing.
void EditMemoOfRow(QWidget* parent, QWidget* editor, TDataSource* source, const QString& field);
// Runs `handler` (under the exception barrier) on a double click in `editor` (in the text
// area of a memo); the click goes no further.
void OnEditorDoubleClick(QWidget* editor, std::function<void()> handler);

// ResetLayoutOnClose: the hidden "初始界面" button sets the flag; closing with it set
// deletes the window's layout file (when it has one and it exists).
class TLayoutReset {
 public:
  explicit TLayoutReset(const QString& layoutFile = QString()) : file_(layoutFile) {}
  void Click();           // sets the flag and shows "界面初始化完毕！"
  void WindowClosed();    // deletes the file when the flag is set
  bool Requested() const { return requested_; }

 private:
  QString file_;
  bool requested_ = false;
};

// EnterKeyAdvance: Enter (and the keypad's Enter) on a watched editor is swallowed and moves
// the focus along the chain, or runs the editor's action. Other keys pass unchanged.
class TEnterChain : public QObject {
  Q_OBJECT
 public:
  explicit TEnterChain(QObject* parent = nullptr) : QObject(parent) {}
  // Enter in `from` focuses `to`.
  void Link(QWidget* from, QWidget* to);
  // Each editor of the list focuses the next; Enter in the last runs `last` (or nothing).
  void Chain(const QList<QWidget*>& editors, std::function<void()> last = {});
  // Enter in `from` runs `action`.
  void Action(QWidget* from, std::function<void()> action);
  // Enter in `from` is swallowed and the focus stays.
  void Swallow(QWidget* from);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void watch(QWidget* w);
  QHash<QObject*, std::function<void()>> actions_;
};

// The input method of an editor of Chinese text, kept as a name (the property "ImeName").
// Where the desktop offers no switching per editor, the name is only kept.
void SetImeName(QWidget* editor, const QString& name);
QString ImeName(const QWidget* editor);
// The input methods the desktop names (from its input-method settings); may be empty.
QStringList InstalledInputMethods();
