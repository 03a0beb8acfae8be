#include "shell/recordwindow.h"

#include <QFile>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QProcessEnvironment>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QAbstractScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include "grid/DBCtrlsEh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
#include "shell/windowparts.h"
#include "shell/loginstate.h"

namespace {

// A read-only switch that works for our editors and for plain widgets alike.
void setEditorReadOnly(QWidget* w, bool on) {
  if (auto* e = qobject_cast<TCustomDBEditEh*>(w)) {
    e->SetReadOnly(on);
  } else if (auto* c = qobject_cast<TCustomDBCheckBoxEh*>(w)) {
    c->SetReadOnly(on);
  } else if (auto* m = qobject_cast<TDBMemo*>(w)) {
    m->setReadOnly(on);
  } else if (w) {
    const int index = w->metaObject()->indexOfProperty("readOnly");
    if (index >= 0) w->setProperty("readOnly", on);
    else w->setEnabled(!on);
  }
}

bool hasRows(TDataSet* dataSet) { return dataSet && dataSet->Active() && !dataSet->IsEmpty(); }

void focus(QWidget* w) {
  if (w && w->isEnabled()) w->setFocus();
}
}  // namespace

// ---------------------------------------------------------------------------------------
// Rights

bool CheckActionRight(const char* right) {
  if (!right) return true;
  if (RightFlags.value(u(right))) return true;
  ShowNotice(u(kNoRightMessage));
  return false;
}

bool SearchFindsRows(const QStringList& sqlLines) {
  TADOQuery* s = Dm1->q_search;
  s->Close();
  s->SQL.Clear();
  for (const QString& line : sqlLines) s->SQL.Add(line);
  s->Open();
  const bool found = !s->IsEmpty();
  s->Close();
  return found;
}

bool RefuseWhenInUse(const QStringList& sqlLines, const QString& refusal) {
  if (!SearchFindsRows(sqlLines)) return false;
  ShowNotice(refusal);
  return true;
}

void ShowDataError(const QString& action, const QString& databaseMessage) {
  ShowNotice(action + u("：") + databaseMessage);
}

// ---------------------------------------------------------------------------------------
// TRecordForm

TRecordForm::TRecordForm(QWidget* parent) : QDialog(parent) { SetWindowFont(this); }

TPrintDBGridEh* TRecordForm::SetupMainList(TDBGridEh* grid, const QString& printTitle, const char* exportRight,
                                           const char* printRight, bool rowGuard, const QString& exportName) {
  OnGridDoubleClick(grid, [this] { bitbtn_editClick(); });
  AddStateGrid(grid);
  TPrintDBGridEh* print = NewGridPrint(this, "PrintDBGridEh1", grid, printTitle);
  TListOutput output;
  output.grid = grid;
  output.exportName = exportName.isEmpty() ? printTitle : exportName;
  output.print = print;
  output.exportRight = exportRight;
  output.printRight = printRight;
  output.rowGuard = rowGuard;
  SetListOutput(output);
  return print;
}

TRecordForm::~TRecordForm() = default;

// ---------------------------------------------------------------------------------------
// Window placement

void OpenMaximised(QWidget* window, const QSize& normal) {
  window->resize(normal);
  window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

namespace {

// Moves the window's frame to the middle of the available area of its screen.
void centreNow(QWidget* window) {
  QScreen* screen = window->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen || window->isMaximized() || window->isFullScreen()) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

class ScreenCentring : public QObject {
 public:
  explicit ScreenCentring(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Show) {
      centreNow(window_);
      // The frame is known once the window is on screen: centre again with it.
      QTimer::singleShot(0, window_, [w = window_] { centreNow(w); });
    }
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

void CentreOnScreen(QWidget* window) {
  if (window->property("centredOnScreen").toBool()) return;
  window->setProperty("centredOnScreen", true);
  new ScreenCentring(window);
}

QToolButton* TRecordForm::AddToolButton(QHBoxLayout* row, const char* name, const QString& caption) {
  return NewToolButton(this, row, name, caption);
}

void AddCaptionedEditors(QHBoxLayout* row, QWidget* parent,
                         std::initializer_list<std::pair<const char*, QWidget*>> editors) {
  for (const auto& [caption, editor] : editors) {
    row->addWidget(new QLabel(QString::fromUtf8(caption), parent));
    row->addWidget(editor);
  }
}

void TRecordForm::AddStandardToolButtons(QHBoxLayout* row) {
  bitbtn_add = AddToolButton(row, "bitbtn_add", u("增加"));
  bitbtn_edit = AddToolButton(row, "bitbtn_edit", u("编辑"));
  bitbtn_delete = AddToolButton(row, "bitbtn_delete", u("删除"));
  bitbtn_save = AddToolButton(row, "bitbtn_save", u("存盘"));
  bitbtn_cancel = AddToolButton(row, "bitbtn_cancel", u("取消"));
  bitbtn_out = AddToolButton(row, "bitbtn_out", u("导出"));
  bitbtn_print = AddToolButton(row, "bitbtn_print", u("打印"));
  SpeedButton4 = AddToolButton(row, "SpeedButton4", u("返回"));
  RegisterStandardToolStates();
  bitbtn_save->setEnabled(false);
  bitbtn_cancel->setEnabled(false);
}

void TRecordForm::addStandardActions(const TToolBar& bar, bool returnButton) {
  using F = TRecordForm;
  if (returnButton) {
    AddToolActions<F>(this, bar.frame, bar.row, {{&F::SpeedButton4, "SpeedButton4", "返回", &F::SpeedButton4Click}});
    return;
  }
  AddToolActions<F>(this, bar.frame, bar.row,
                    {{&F::bitbtn_add, "bitbtn_add", "增加", &F::bitbtn_addClick},
                     {&F::bitbtn_edit, "bitbtn_edit", "编辑", &F::bitbtn_editClick},
                     {&F::bitbtn_delete, "bitbtn_delete", "删除", &F::bitbtn_deleteClick},
                     {&F::bitbtn_save, "bitbtn_save", "存盘", &F::bitbtn_saveClick},
                     {&F::bitbtn_cancel, "bitbtn_cancel", "取消", &F::bitbtn_cancelClick},
                     {&F::bitbtn_out, "bitbtn_out", "导出", &F::bitbtn_outClick},
                     {&F::bitbtn_print, "bitbtn_print", "打印", &F::bitbtn_printClick}});
}

void TRecordForm::bitbtn_cancelClick() { RecordCancel(mainDataSet_); }

void TRecordForm::bitbtn_outClick() {
  const TListOutput& o = listOutput_;
  if (o.grid) ExportShownRows(o.grid, o.exportName, o.exportRight, o.rowGuard);
}

void TRecordForm::bitbtn_printClick() {
  const TListOutput& o = listOutput_;
  if (o.print) PrintShownRows(o.print, o.printRight, o.rowGuard);
}

void TRecordForm::SpeedButton4Click() { close(); }

void TRecordForm::RegisterStandardToolStates() {
  for (QWidget* w : {static_cast<QWidget*>(bitbtn_add), static_cast<QWidget*>(bitbtn_edit),
                     static_cast<QWidget*>(bitbtn_delete), static_cast<QWidget*>(bitbtn_out),
                     static_cast<QWidget*>(bitbtn_print)})
    if (w) AddBrowseButton(w);
  if (bitbtn_save) AddEditButton(bitbtn_save);
  if (bitbtn_cancel) AddEditButton(bitbtn_cancel);
}

bool TRecordForm::IsAdding() const { return bitbtn_add && !bitbtn_add->isEnabled(); }
bool TRecordForm::IsEditing() const { return bitbtn_save && bitbtn_save->isEnabled(); }

void TRecordForm::SetBrowseState() {
  for (auto& w : browseButtons_)
    if (w) w->setEnabled(true);
  for (auto& w : editButtons_)
    if (w) w->setEnabled(false);
  for (auto& w : textEditors_)
    if (w) setEditorReadOnly(w, true);
  for (auto& w : listEditors_)
    if (w) w->setEnabled(false);
  for (auto& w : grids_)
    if (w) w->setEnabled(true);
}

void TRecordForm::SetAddEditState(bool adding) {
  for (auto& w : browseButtons_)
    if (w) w->setEnabled(false);
  if (!adding && bitbtn_add) bitbtn_add->setEnabled(true);
  for (auto& w : editButtons_)
    if (w) w->setEnabled(true);
  for (auto& w : textEditors_)
    if (w) setEditorReadOnly(w, false);
  for (auto& w : listEditors_)
    if (w) w->setEnabled(true);
  for (auto& w : grids_)
    if (w) w->setEnabled(false);
}

bool TRecordForm::RecordAdd(TDataSet* dataSet, QWidget* firstEditor, const char* right) {
  if (!CheckActionRight(right)) return false;
  SetAddEditState(true);
  if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
  dataSet->Last();
  dataSet->Append();
  focus(firstEditor);
  return true;
}

bool TRecordForm::RecordEdit(QWidget* firstEditor, const char* right) {
  if (!CheckActionRight(right)) return false;
  SetAddEditState(false);
  focus(firstEditor);
  return true;
}

bool TRecordForm::RecordAddUnder(TDataSet* master, const QString& emptyMessage, TDataSet* rows, QWidget* firstEditor,
                                 const char* right) {
  if (!CheckActionRight(right)) return false;
  if (!hasRows(master)) {
    ShowNotice(emptyMessage);
    return false;
  }
  if (!rows->Active()) rows->Open();
  return RecordAdd(rows, firstEditor, nullptr);
}

bool TRecordForm::RecordEditOrAdd(TDataSet* rows, QWidget* firstEditor, const char* right) {
  if (!hasRows(rows)) {
    bitbtn_addClick();
    return false;
  }
  return RecordEdit(firstEditor, right);
}

void TRecordForm::RecordCancel(TDataSet* dataSet) {
  if (dataSet && (dataSet->State() == dsEdit || dataSet->State() == dsInsert)) dataSet->Cancel();
  SetBrowseState();
}

bool TRecordForm::RecordDelete(TDataSet* dataSet, const char* right, bool rowGuard) {
  if (!CheckActionRight(right)) return false;
  if (rowGuard && !hasRows(dataSet)) return false;
  if (!AskYesNo(u("要删除当前记录吗? "))) return false;
  try {
    dataSet->Delete();
  } catch (const Exception& e) {
    if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
    ShowDataError(u("删除失败"), e.message());
    return false;
  }
  return true;
}

void TRecordForm::BeginSave(TDataSet* dataSet) {
  if (dataSet->State() == dsBrowse) {
    if (dataSet->IsEmpty()) dataSet->Append();
    else dataSet->Edit();
  }
  dataSet->UpdateRecord();
}

bool TRecordForm::BeginChangedSave(TDataSet* dataSet, bool* adding) {
  if (!dataSet->Active()) return false;
  if (adding) *adding = dataSet->State() == dsInsert || (dataSet->State() == dsBrowse && dataSet->IsEmpty());
  BeginSave(dataSet);
  return dataSet->Modified();
}

bool TRecordForm::RequireFields(TDataSet* dataSet, std::initializer_list<TRequiredField> fields, bool trim) {
  for (const TRequiredField& f : fields)
    if (!RequireField(dataSet, u(f.field), f.editor, u(f.message), trim)) return false;
  return true;
}

bool TRecordForm::RequireField(TDataSet* dataSet, const QString& field, QWidget* editor, const QString& message,
                               bool trim) {
  QString value = dataSet->FieldByName(field)->AsString();
  if (trim) value = value.trimmed();
  if (!value.isEmpty()) return true;
  ShowNotice(message);
  focus(editor);
  return false;
}

bool TRecordForm::CheckUniqueKey(TDataSet* dataSet, const QString& table, const QString& field, const QString& text,
                                 QWidget* editor, const QString& message) {
  TADOQuery* q = Dm1->q_search;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("select * from ") + table + u(" "));
  q->SQL.Add(u("where ") + field + u("=") + SqlQuote::Text(text));
  q->Open();
  bool duplicate = false;
  if (!q->IsEmpty()) {
    if (IsAdding() || dataSet->State() == dsInsert) {
      duplicate = true;
    } else {
      // Keys compare without regard to case, as the tables do.
      const QString before = dataSet->FieldByName(field)->OldValue().toString();
      const QString now = dataSet->FieldByName(field)->AsString();
      duplicate = before.compare(now, Qt::CaseInsensitive) != 0;
    }
  }
  if (!duplicate) {
    q->Close();
    return true;
  }
  ShowInformation(message);
  q->Close();
  focus(editor);
  return false;
}

bool TRecordForm::CheckUniqueKeys(TDataSet* dataSet, std::initializer_list<TUniqueKey> keys) {
  for (const TUniqueKey& k : keys)
    if (!CheckUniqueKey(dataSet, k.table, k.field, k.text, k.editor, k.message)) return false;
  return true;
}

bool TRecordForm::StampAndPost(TDataSet* dataSet, const QString& operatorField) {
  try {
    if (TField* f = dataSet->FindField(operatorField)) f->SetAsString(CurrentOperatorName);
    if (TField* f = dataSet->FindField(u("操作日期"))) f->SetAsDateTime(Now());
    dataSet->Post();
  } catch (const Exception& e) {
    if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
    SetBrowseState();
    ShowDataError(u("存盘失败"), e.message());
    return false;
  }
  SetBrowseState();
  return true;
}

void KeepTrimmedUpper(TField* field) {
  const QString clean = field->AsString().trimmed().toUpper();
  if (clean != field->AsString()) field->SetAsString(clean);
}

bool KeyNeedsCheck(bool adding, const QString& oldKey, const QString& key) {
  return adding || oldKey.compare(key, Qt::CaseInsensitive) != 0;
}

bool TRecordForm::SaveRenamableRow(TDataSet* dataSet, bool adding, const TRenamableKey& key,
                                   const QString& operatorField) {
  TField* keyField = dataSet->FieldByName(key.field);
  const QString newKey = keyField->AsString();
  const QString oldKey = adding ? QString() : keyField->OldValue().toString();
  if (KeyNeedsCheck(adding, oldKey, newKey) && SearchFindsRows(key.duplicateSql)) {
    ShowInformation(key.duplicateMessage);
    focus(key.editor);
    return false;
  }
  const QStringList cascade =
      (!adding && oldKey != newKey && key.cascade) ? key.cascade(oldKey, newKey) : QStringList();
  const bool saved = PostWithRenameCascade(dataSet, operatorField, cascade);
  if (!saved) ReopenAt(dataSet, key.field, oldKey);
  SetBrowseState();
  return saved;
}

bool TRecordForm::DeleteUnlessInUse(TDataSet* dataSet, const QStringList& inUseSql, const QString& refusal,
                                    const char* right, bool rowGuard) {
  if (RefuseWhenInUse(inUseSql, refusal)) return false;
  return RecordDelete(dataSet, right, rowGuard);
}

bool TRecordForm::DeleteUnlessUsedInEstate(TDataSet* dataSet, const QString& usedBy, const QString& keyField,
                                           const QString& refusal) {
  if (!hasRows(dataSet)) return false;
  const QString estate = dataSet->FieldByName(u("小区代码"))->AsString();
  const QString key = dataSet->FieldByName(keyField)->AsString();
  return DeleteUnlessInUse(dataSet, EstateRowsSql(usedBy, keyField, key, estate), refusal, "删除权", true);
}

void TRecordForm::done(int result) {
  if (mainDataSet_ && (mainDataSet_->State() == dsEdit || mainDataSet_->State() == dsInsert)) mainDataSet_->Cancel();
  QDialog::done(result);
}

// ---------------------------------------------------------------------------------------
// Export

namespace {
const char* const kExtensions[] = {"txt", "csv", "htm", "rtf", "xls"};
}

QString ExportFileName(const QString& chosen, int filterIndex) {
  if (filterIndex < 1 || filterIndex > 5) return QString();
  const QString ext = QString::fromLatin1(kExtensions[filterIndex - 1]);
  if (chosen.right(3).compare(ext, Qt::CaseInsensitive) != 0) return chosen + u(".") + ext;
  return chosen;
}

TDBGridEhExportClass ExportClassForFilter(int filterIndex) {
  switch (filterIndex) {
    case 1: return ExportClassOf<TDBGridEhExportAsText>();
    case 2: return ExportClassOf<TDBGridEhExportAsCSV>();
    case 3: return ExportClassOf<TDBGridEhExportAsHTML>();
    case 4: return ExportClassOf<TDBGridEhExportAsRTF>();
    case 5: return ExportClassOf<TDBGridEhExportAsXLS>();
    default: return {};
  }
}

bool ExportShownRows(TCustomDBGridEh* grid, const QString& defaultName, const char* right, bool rowGuard) {
  if (rowGuard && !hasRows(grid->DataSet())) return false;
  if (!CheckActionRight(right)) return false;
  TSaveDialog* dialog = Dm1->SaveDialog1;
  dialog->FileName = defaultName;
  if (!dialog->Execute()) return false;
  const int index = dialog->FilterIndex;
  const TDBGridEhExportClass exporter = ExportClassForFilter(index);
  if (!exporter) return false;
  const QString fileName = ExportFileName(dialog->FileName, index);
  dialog->FileName = fileName;
  ExportGridToFile(exporter, grid, fileName, true);
  return true;
}

// ---------------------------------------------------------------------------------------
// Print

QStringList PrintSubstitutes() {
  return {u("%[Today]"), u("打印时间:") + DateTimeToStr(Now()), u("%[czy]"),
          u("制表:") + CurrentOperatorName + u(" .")};
}

void SetupGridPrint(TPrintDBGridEh* print, TDBGridEh* grid, const QString& listTitle) {
  print->SetDBGridEh(grid);
  print->Options = pghFitGridToPageWidth | pghRowAutoStretch;
  print->SetUnits(MM);
  print->PageHeader.CenterText = QStringList{listTitle + u("打印清单")};
  print->PageHeader.LeftText = QStringList{QString(), u("第&[Page]页")};
  print->AfterGridText()->Clear();
  print->AfterGridText()->Add(u("%[Today]") + QString(24, QLatin1Char(' ')) + u("%[czy]"));
}

namespace {
TGridPrintPreview& previewHook() {
  static TGridPrintPreview hook;
  return hook;
}
}  // namespace

TGridPrintPreview SetGridPrintPreview(TGridPrintPreview preview) {
  TGridPrintPreview previous = previewHook();
  previewHook() = std::move(preview);
  return previous;
}

bool PrintShownRows(TPrintDBGridEh* print, const char* right, bool rowGuard) {
  if (rowGuard && !(print->DBGridEh() && hasRows(print->DBGridEh()->DataSet()))) return false;
  if (!CheckActionRight(right)) return false;
  print->AssignSubstitutes(PrintSubstitutes());
  if (previewHook()) previewHook()(print);
  else print->ShowPreview();
  return true;
}

// ---------------------------------------------------------------------------------------
// Grids

void SetupListGrid(TCustomDBGridEh* grid, TDataSource* source, int footerRows) {
  grid->SetOptions((grid->Options() | dgRowSelect | dgAlwaysShowSelection) & ~dgEditing);
  grid->SetOptionsEh(grid->OptionsEh() | dghAutoSortMarking | dghMultiSortMarking | dghEnterAsTab);
  grid->SetReadOnly(true);
  grid->SetFooterRowCount(footerRows);
  // A vertical bar shown always keeps the viewport's width steady while rows come and go.
  grid->VertScrollBar()->SetVisibleMode(sbAlwaysShowEh);
  // The records follow the thumb while it is dragged.
  grid->VertScrollBar()->SetTracking(true);
  grid->SetDataSource(source);
  // Footers and record numbers come from the grid's sum list.
  grid->SumList()->SetActive(true);
}

namespace {

// The width a column needs to show its own title (the lowest level of a "|" title) whole: the
// cell margins and, on a title button, the sort marker.
int TitleWidthOf(TColumnEh* c) {
  const QFontMetrics fm(c->Title()->Font().Font);
  const QString own = c->Title()->Caption().section(QLatin1Char('|'), -1).trimmed();
  return fm.horizontalAdvance(own) + 8 + (c->Title()->TitleButton() ? 16 : 0);
}

void KeepTitleReadable(TColumnEh* c) {
  c->MinWidth = TitleWidthOf(c);
  if (c->Width() < c->MinWidth) c->SetWidth(c->MinWidth);
}

// The room around the columns: the indicator, the vertical bar and the frame.
int GridChromeWidth(TCustomDBGridEh* grid) {
  int w = 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width() + 2;
  for (int i = 0; i < grid->IndicatorOffset(); ++i) w += grid->ColWidths(i);
  return w;
}

}  // namespace

void AddGridColumns(TCustomDBGridEh* grid, std::initializer_list<TGridColumn> columns) {
  for (const TGridColumn& c : columns) {
    TColumnEh* column = AddGridColumn(grid, QString::fromUtf8(c.field),
                                      c.caption ? QString::fromUtf8(c.caption) : QString(), false, c.width);
    if (c.footer != fvtNon) column->Footer()->SetValueType(c.footer);
  }
}

TColumnEh* AddGridColumn(TCustomDBGridEh* grid, const QString& field, const QString& caption, bool sortable,
                         int width) {
  TColumnEh* c = grid->Columns()->AppendColumn();
  c->SetFieldName(field);
  if (width > 0) c->SetWidth(width);
  c->Title()->SetCaption(caption.isEmpty() ? field : caption);
  if (sortable) c->Title()->SetTitleButton(true);
  // Every column shows its title whole, and the grid is never narrower than its widest
  // column: what does not fit beside it scrolls.
  KeepTitleReadable(c);
  grid->setMinimumWidth(std::max(grid->minimumWidth(), GridChromeWidth(grid) + c->Width()));
  return c;
}

void KeepTitlesReadable(TCustomDBGridEh* grid) {
  for (int i = 0; i < grid->Columns()->Count(); ++i) KeepTitleReadable(grid->Columns()->Items(i));
}

void FitGridWidthToColumns(TCustomDBGridEh* grid) {
  int w = GridChromeWidth(grid);
  for (int i = 0; i < grid->Columns()->Count(); ++i)
    if (grid->Columns()->Items(i)->Visible()) w += grid->Columns()->Items(i)->Width();
  grid->setMinimumWidth(w);
}

void OnGridDoubleClick(TCustomDBGridEh* grid, std::function<void()> handler) {
  grid->OnDblClick = [handler = std::move(handler)](QObject*) { Guard([&] { handler(); }); };
}

// ---------------------------------------------------------------------------------------
// Sorting and row colours

QString OrderByFromSortColumns(TColumnsEhList& columns) {
  QString text;
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnEh* c = columns[i];
    text += c->FieldName();
    text += c->Title()->SortMarker() == smUpEh ? u(" DESC , ") : u(", ");
  }
  if (text.isEmpty()) return text;
  text.chop(2);
  return u(" ORDER BY ") + text;
}

void SortByTitleMarkers(TCustomDBGridEh* grid, TADOQuery* query) {
  if (!hasRows(query)) return;
  query->SQL.ReplaceLast(OrderByFromSortColumns(grid->SortOrderColumns()));
  query->Close();
  query->Open();
}

TColor StripeColorOf(int recordNumber) { return (recordNumber % 2 != 0) ? kStripeColor : TColor(16777215); }

void StripeOddRows(TCustomDBGridEh* grid, TColor& background) {
  background = StripeColorOf(grid->SumList()->RecordNumber());
}

void PaintStatusRows(TDataSet* dataSet, const QString& field, const QString& value, TFontEh& font) {
  if (!dataSet || !dataSet->Active() || dataSet->IsEmpty()) return;
  TField* f = dataSet->FindField(field);
  if (f && f->AsString() == value) font.Color = TColor(255);
}

void DeleteScratchRow(TDataSet* dataSet) {
  if (!hasRows(dataSet)) return;
  if (!AskYesNo(u("要删除当前记录吗? "))) return;
  try {
    dataSet->Delete();
  } catch (const Exception& e) {
    if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
    ShowDataError(u("删除失败"), e.message());
  }
}

// ---------------------------------------------------------------------------------------
// Memo editor, layout reset, Enter chains, input method

void OpenMemoEditor(QWidget* parent, bool readOnly, TDataSource* source, const QString& field) {
  if (readOnly) return;
  auto* form = new TForm_bz(parent);
  form->Bind(source, field);
  RunModal(form);
  delete form;
}

void OpenMemoEditor(QWidget* parent, TCustomDBEditEh* editor, const QString& field) {
  OpenMemoEditor(parent, editor->ReadOnly(), editor->DataSource(), field);
}

namespace {

bool editorReadOnly(QWidget* w) {
  if (auto* e = qobject_cast<TCustomDBEditEh*>(w)) return e->ReadOnly();
  if (auto* m = qobject_cast<TDBMemo*>(w)) return m->isReadOnly();
  return !w->isEnabled();
}

class DoubleClickFilter : public QObject {
 public:
  DoubleClickFilter(QWidget* watched, std::function<void()> handler)
      : QObject(watched), handler_(std::move(handler)) {
    watched->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonDblClick) return false;
    Guard([this] { handler_(); });
    return true;
  }

 private:
  std::function<void()> handler_;
};

}  // namespace

void EditMemoOfRow(QWidget* parent, QWidget* editor, TDataSource* source, const QString& field) {
  const bool readOnly = editorReadOnly(editor);
  TDataSet* row = source->DataSet();
  if (!readOnly && row && row->State() == dsBrowse && !row->IsEmpty()) row->Edit();
  OpenMemoEditor(parent, readOnly, source, field);
}

void OnEditorDoubleClick(QWidget* editor, std::function<void()> handler) {
  auto* area = qobject_cast<QAbstractScrollArea*>(editor);
  new DoubleClickFilter(area ? area->viewport() : editor, std::move(handler));
}

void TLayoutReset::Click() {
  requested_ = true;
  ShowNotice(u("界面初始化完毕！"));
}

void TLayoutReset::WindowClosed() {
  if (!requested_ || file_.isEmpty()) return;
  if (QFile::exists(file_)) QFile::remove(file_);
}

void TEnterChain::watch(QWidget* w) {
  if (!w) return;
  w->installEventFilter(this);
}

void TEnterChain::Link(QWidget* from, QWidget* to) {
  watch(from);
  QPointer<QWidget> target = to;
  actions_[from] = [target] {
    if (target) target->setFocus();
  };
}

void TEnterChain::Chain(const QList<QWidget*>& editors, std::function<void()> last) {
  for (int i = 0; i + 1 < editors.size(); ++i) Link(editors[i], editors[i + 1]);
  if (!editors.isEmpty()) {
    if (last) Action(editors.last(), std::move(last));
    else Swallow(editors.last());
  }
}

void TEnterChain::Action(QWidget* from, std::function<void()> action) {
  watch(from);
  actions_[from] = std::move(action);
}

void TEnterChain::Swallow(QWidget* from) {
  watch(from);
  actions_[from] = [] {};
}

bool TEnterChain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      auto it = actions_.find(watched);
      if (it != actions_.end()) {
        const auto action = it.value();
        Guard([&] { action(); });
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

void SetImeName(QWidget* editor, const QString& name) {
  if (editor) editor->setProperty("ImeName", name);
}

QString ImeName(const QWidget* editor) { return editor ? editor->property("ImeName").toString() : QString(); }

QStringList InstalledInputMethods() {
  // The desktop names its input method in its environment: the toolkit module variables and
  // the X input method ("@im=name").
  const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  QStringList names;
  auto add = [&names](QString name) {
    name = name.trimmed();
    if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive)) names << name;
  };
  add(env.value(QStringLiteral("QT_IM_MODULE")));
  add(env.value(QStringLiteral("GTK_IM_MODULE")));
  const QString xim = env.value(QStringLiteral("XMODIFIERS"));
  const int at = xim.indexOf(QStringLiteral("@im="));
  if (at >= 0) add(xim.mid(at + 4).section(QLatin1Char('@'), 0, 0));
  return names;
}
