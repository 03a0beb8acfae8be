// The filter row's cell editor: opening it over a filter cell, the keys that move between
// filter cells or back into the data, storing what is typed, Enter applying the filter, and
// the dataset features that apply the column filters as the dataset's own Filter.
#include <QRegularExpression>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhFilter.h"
#include "grid/DbUtilsEh.h"
#include "platform/data/dataset.h"
#include "platform/ui.h"

// ---- the editor ---------------------------------------------------------------------------

TInplaceFilterEditEh::TInplaceFilterEditEh(QWidget* parent) : TDBComboBoxEh(parent) {}

void TInplaceFilterEditEh::ShowKeyWithText(const Variant& value, const QString& text) {
  SetValue(value);
  ShowTextOnly(text);
}

void TInplaceFilterEditEh::LoadFromField() {
  const QString text = EditText();
  // The text only passes through the value on its way back: no change is reported.
  auto onChange = std::exchange(OnChange, nullptr);
  struct Restore {
    TInplaceFilterEditEh* e;
    decltype(onChange)& saved;
    ~Restore() { e->OnChange = std::move(saved); }
  } restore{this, onChange};
  TDBComboBoxEh::LoadFromField();
  if (EditText() != text) ShowTextOnly(text);
}

void TInplaceFilterEditEh::CloseDropDown(bool accept) {
  if (!ListOpen()) return;
  const int tag = accept ? ItemTag(ListWindow()->ItemIndex()) : 0;
  if (tag == 0) {
    TDBComboBoxEh::CloseDropDown(accept);
    return;
  }
  // A tagged item is an action, not a value: the text stays until the action sets it.
  TDBComboBoxEh::CloseDropDown(false);
  if (OnTaggedItem) OnTaggedItem(this, tag);
}

QRect TInplaceFilterEditEh::TextAreaRect() const {
  QRect r = TDBComboBoxEh::TextAreaRect();
  r.setTop(r.top() + 1);
  return r;
}

QString FilterErrorMessage(const QString& error, const QString& text) {
  // The reader's reasons, each followed by the whole text, in the operator's words.
  static const struct {
    const char* reason;
    const char* words;
  } reasons[] = {
      {"Quote is absent: ", "缺少右边的单引号“'”"},
      {"'(' expected: ", "“In”后面应有左括号“(”"},
      {"')' expected: ", "列表缺少右括号“)”"},
      {"Error in expression: ", "不认识开头的运算符"},
      {"Unexpected expression before Null: ", "Null 前只能用“=”或“<>”"},
      {"Unexpected expression after operator: ", "运算符后面缺少要比较的值"},
      {"Incorrect expression: ", "条件后面多出了内容"},
      {"Unexpected AND or OR: ", "两个条件之间应为 AND 或 OR"},
  };
  QString words;
  for (const auto& r : reasons) {
    if (error.startsWith(QLatin1String(r.reason))) {
      words = QString::fromUtf8(r.words);
      break;
    }
  }
  if (words.isEmpty()) {
    // Conversion errors of numbers and dates: "'x' is not a valid ... value".
    static const QRegularExpression notValid(QStringLiteral("^'(.*)' is not a valid (\\w+)"));
    const QRegularExpressionMatch m = notValid.match(error);
    if (m.hasMatch()) {
      const bool date = m.captured(2) == QLatin1String("date") || m.captured(2) == QLatin1String("time");
      words = QStringLiteral("“%1”不是有效的%2").arg(m.captured(1), date ? QStringLiteral("日期") : QStringLiteral("数字"));
    } else {
      words = error;
    }
  }
  return QStringLiteral("过滤条件“%1”无法识别：%2。\n\n可用的写法：5、>=10 AND <20、~abc、In (1,2,3)、=Null、<>Null，"
                        "文字可放在单引号中，如 ='a b'。")
      .arg(text, words);
}

namespace {

// Applies the filter for the editor's holder; a text that cannot be read or applied is
// explained to the operator, and the editor keeps the focus on its cell.
void ApplyFilterFromEditor(TCustomDBGridEh* grid) {
  TSTDBGridEhFilter* gf = grid->STFilter();
  const int col = gf->EditColumn;
  const QString text = gf->Editor ? gf->Editor->Text() : QString();
  try {
    grid->ApplyFilter();
  } catch (const EFilterExpressionError& err) {
    ShowNotice(FilterErrorMessage(err.message(), text));
  } catch (const EConvertError& err) {
    ShowNotice(FilterErrorMessage(err.message(), text));
  } catch (const Exception& err) {
    ShowError(err.message());
  }
  if (gf->Editor && gf->EditMode && gf->EditColumn == col) gf->Editor->SetFocusEh();
}

}  // namespace

// ---- opening, placing and closing ---------------------------------------------------------

bool TCustomDBGridEh::FilterEditMode() const { return stFilter_ && stFilter_->EditMode; }
int TCustomDBGridEh::FilterEditColumn() const { return stFilter_ ? stFilter_->EditColumn : -1; }
TInplaceFilterEditEh* TCustomDBGridEh::FilterEditor() const { return stFilter_ ? stFilter_->Editor : nullptr; }

bool TCustomDBGridEh::CanEditFilterCell(int columnIndex) {
  if (!IsFilterCellVisible(columnIndex)) return false;
  return !columns_->Items(columnIndex)->STFilter()->FilterFieldName().isEmpty();
}

void TCustomDBGridEh::ShowFilterEditor(int columnIndex) {
  TSTDBGridEhFilter* f = STFilter();
  if (!f->Visible() || !IsFilterCellVisible(columnIndex)) return;
  if (dataLink_->Active() && DataSet()) DataSet()->CheckBrowseMode();
  if (!f->Editor) {
    auto* e = new TInplaceFilterEditEh(viewport());
    e->setObjectName(QStringLiteral("FilterEditor"));
    e->hide();
    e->AttachToHolder(this);
    e->SetEditorBorderStyle(false);
    QFont font = this->font();
    e->SetEditorFont(font);
    QPalette pal = e->palette();
    pal.setColor(QPalette::Text, ToQColor(TColor(0xFF0000)));
    e->setPalette(pal);
    e->SetEditorColor(BrightenColor(FixedColor(), 8));
    e->SetKeyPressHandler([this](TCustomMaskEdit*, QChar& key) {
      if (key.unicode() != 13) return;
      key = QChar(0);
      ApplyFilterFromEditor(this);
    });
    e->SetExitHandler([](QObject*) {});
    e->SetFlat(Flat());
    e->OnChange = [this](TCustomMaskEdit*) {
      TSTDBGridEhFilter* gf = STFilter();
      if (gf->UpdateDepth > 0 || !gf->EditMode) return;
      StoreFilterText(false);
    };
    f->Editor = e;
  }
  if (f->EditMode && f->EditColumn != columnIndex && f->EditColumn >= 0) {
    StoreFilterText(false);
    f->Editor->HideEditWindow();
    InvalidateCell(ColumnToGridIndex(f->EditColumn), TitleRowCount());
  }
  f->EditMode = true;
  f->EditColumn = columnIndex;
  f->LastEditColumn = columnIndex;
  HideEditor();
  {
    LockLayout();
    const int gridCol = ColumnToGridIndex(columnIndex);
    if (options_ & dgRowSelect) {
      if (gridCol < LeftCol()) SetLeftCol(gridCol);
      else
        while (gridCol >= LeftCol() + VisibleColCount() && LeftCol() < gridCol) SetLeftCol(LeftCol() + 1);
    } else {
      SelectColumnIndex(columnIndex);
    }
    UnlockLayout();
    InvalidateRow(TitleRowCount());
  }
  UpdateFilterEditor(true);
}

void TCustomDBGridEh::UpdateFilterEditor(bool load) {
  TSTDBGridEhFilter* f = STFilter();
  if (f->UpdateDepth > 0) return;
  const int col = f->EditColumn;
  if (!f->Visible() || !f->EditMode || col < 0 || col >= columns_->Count() || !IsFilterCellVisible(col)) {
    HideFilterEditor();
    return;
  }
  TInplaceFilterEditEh* e = f->Editor;
  if (!e) return;
  QRect r = CellRect(ColumnToGridIndex(col), TitleRowCount());
  r.setLeft(r.left() + 1);
  if (!CanEditFilterCell(col) || r.isEmpty()) {
    e->HideEditWindow();
    return;
  }
  f->SuspendEditor();
  struct Resume {
    TSTDBGridEhFilter* f;
    ~Resume() { f->ResumeEditor(); }
  } resume{f};
  if (load) {
    e->MoveEditor(QRect());
    LoadFilterEditor(col);
  }
  e->MoveEditor(r);
  e->setFocus();
  if (load) e->selectAll();
}

void TCustomDBGridEh::LoadFilterEditor(int columnIndex) {
  TInplaceFilterEditEh* e = STFilter()->Editor;
  e->SetItems(QStringList());
  e->ValueItemCount = 0;
  e->SetValue(Variant::null());
  e->OnButtonClick = nullptr;
  TColumnEh* column = columnIndex >= 0 && columnIndex < columns_->Count() ? columns_->Items(columnIndex) : nullptr;
  TSTColumnFilterEh* cf = column ? column->STFilter() : nullptr;
  if (!cf || !cf->HasValueList()) {
    e->OnDropDown = nullptr;
    e->OnCloseUp = nullptr;
    e->OnTaggedItem = nullptr;
    e->EditButton()->SetVisible(false);
    e->SetText(ColumnFilterText(columnIndex));
    return;
  }
  // The list is built when it opens, and emptied when it closes, so that typing while it is
  // closed is never completed from it.
  e->OnDropDown = [this, column](QObject*) {
    TInplaceFilterEditEh* ed = STFilter()->Editor;
    QStringList values;
    Guard([&] { values = column->STFilter()->ValueList(); });
    const bool sorting = (optionsEh_ & dghAutoSortMarking) && column->Title()->TitleButton();
    ed->ValueItemCount = int(values.size());
    ed->SetItems(FilterListItems(values, sorting));
  };
  e->OnCloseUp = [this, column](QObject*, bool accept) {
    TInplaceFilterEditEh* ed = STFilter()->Editor;
    TSTColumnFilterEh* f = column->STFilter();
    if (accept && ed->ListWindow()) {
      f->ListWidth = ed->ListWindow()->width();
      f->ListRows = ed->ListWindow()->VisibleRows();
    }
    const int chosen = ed->ChosenIndex();
    if (accept && chosen >= 0 && chosen < ed->ValueItemCount) {
      const QString value = ed->Items()[chosen];
      TField* field = column->BoundField();
      // Through a key field the text is looked up as it stands; otherwise it is quoted when
      // it would not read back as the value.
      const QString text = !f->FilterKeyField().isEmpty()
                               ? value
                               : FilterTextForValue(value, field ? FilterValueKindOf(field->DataType()) : fvkTextEh);
      if (text != ed->Text()) ed->SetText(text);
      StoreFilterText(false);
      ed->selectAll();
    }
    ed->SetItems(QStringList());
    ed->ValueItemCount = 0;
    if (accept && chosen >= 0 && style_ && style_->ApplyFilterOnCloseUp) ApplyFilterFromEditor(this);
  };
  e->OnTaggedItem = [this, column](TInplaceFilterEditEh* ed, int tag) {
    TSTColumnFilterEh* f = column->STFilter();
    if (ed->ListWindow()) {
      f->ListWidth = ed->ListWindow()->width();
      f->ListRows = ed->ListWindow()->VisibleRows();
    }
    switch (tag) {
      case fltNullEh: ed->SetText(QStringLiteral("=Null")); break;
      case fltNotNullEh: ed->SetText(QStringLiteral("<>Null")); break;
      case fltAllEh: ed->SetText(QString()); break;
      case fltClearEh:
        ClearAllFilters();
        ApplyFilterFromEditor(this);
        return;
      case fltSortUpEh:
      case fltSortDownEh:
        for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->Title()->SetSortMarker(smNoneEh);
        sortOrderColumns_.Clear();
        column->Title()->SetSortMarker(tag == fltSortUpEh ? smDownEh : smUpEh);
        InvalidateGrid();
        SortMarkingChanged();
        return;
      default: return;
    }
    StoreFilterText(false);
    ed->selectAll();
    if (style_ && style_->ApplyFilterOnCloseUp) ApplyFilterFromEditor(this);
  };
  e->EditButton()->SetVisible(true);
  e->DropDownBox.Sizable = true;
  e->DropDownBox.Width = cf->ListWidth > 0 ? cf->ListWidth : 100;
  e->DropDownBox.Rows = cf->ListRows > 0 ? cf->ListRows : 17;
  if (!cf->FilterKeyField().isEmpty()) e->ShowKeyWithText(cf->KeyValues, cf->ExpressionText);
  else e->SetText(cf->ExpressionText);
}

void TCustomDBGridEh::HideFilterEditor() {
  if (!stFilter_ || stFilter_->UpdateDepth > 0) return;
  TSTDBGridEhFilter* f = stFilter_.get();
  if (f->Editor && f->Editor->isVisible()) {
    const bool focused = f->Editor->hasFocus();
    if (f->EditMode) StoreFilterText(false);
    f->Editor->HideEditWindow();
    if (focused && isVisible()) setFocus();
    if (f->EditColumn >= 0 && f->EditColumn < columns_->Count())
      InvalidateCell(ColumnToGridIndex(f->EditColumn), TitleRowCount());
  }
  f->EditMode = false;
  f->EditColumn = -1;
  if (options_ & dgAlwaysShowEditor) ShowEditor();
}

void TCustomDBGridEh::StoreFilterText(bool raise) {
  TSTDBGridEhFilter* f = STFilter();
  if (!f->Editor || !f->EditMode || f->EditColumn < 0 || f->EditColumn >= columns_->Count()) return;
  TSTColumnFilterEh* cf = columns_->Items(f->EditColumn)->STFilter();
  if (cf->FilterFieldName().isEmpty()) return;
  const QString text = f->Editor->Text();
  if (text == cf->ExpressionText && !raise) return;
  try {
    cf->AssignFilterText(text);
  } catch (const Exception&) {
    // A half-typed text: the column keeps its last readable filter until Enter asks.
    if (raise) throw;
  }
  InvalidateCell(ColumnToGridIndex(f->EditColumn), TitleRowCount());
}

// ---- the editor's holder ------------------------------------------------------------------

bool TCustomDBGridEh::AllowEdit(QWidget*) { return true; }

void TCustomDBGridEh::MouseDownInfo(QPoint& screenPos, qint64& time) {
  TSTDBGridEhFilter* f = STFilter();
  screenPos = f->PressPos;
  time = f->PressTime;
  f->PressTime = 0;
}

bool TCustomDBGridEh::FilterMessage(QWidget*, QEvent*) { return false; }
void TCustomDBGridEh::FilterKeyPress(QWidget*, QChar&) {}
void TCustomDBGridEh::FilterKeyUp(QWidget*, int&, Qt::KeyboardModifiers) {}

namespace {

// The next column from `from` in direction `step` (wrapping round) whose filter cell shows.
int StepFilterColumn(TCustomDBGridEh* g, int from, int step) {
  const int n = g->Columns()->Count();
  for (int i = 1; i <= n; ++i) {
    const int c = ((from + step * i) % n + n) % n;
    if (g->IsFilterCellVisible(c)) return c;
  }
  return from;
}

int EdgeFilterColumn(TCustomDBGridEh* g, bool last) {
  const int n = g->Columns()->Count();
  for (int i = 0; i < n; ++i) {
    const int c = last ? n - 1 - i : i;
    if (g->IsFilterCellVisible(c)) return c;
  }
  return -1;
}

}  // namespace

void TCustomDBGridEh::FilterKeyDown(QWidget* editor, int& key, Qt::KeyboardModifiers shift) {
  TSTDBGridEhFilter* f = STFilter();
  auto* e = qobject_cast<TInplaceFilterEditEh*>(editor);
  if (!e || !f->EditMode || e->ListOpen()) return;
  const bool ctrl = shift & Qt::ControlModifier;
  const Qt::KeyboardModifiers mods = shift & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  const int caret = e->cursorPosition();
  const int length = int(e->text().size());
  const int col = f->EditColumn;
  auto moveTo = [&](int target) {
    key = 0;
    if (target >= 0 && target != col) ShowFilterEditor(target);
  };
  switch (key) {
    case vk::Left:
      if (ctrl) moveTo(EdgeFilterColumn(this, false));
      else if (caret == 0) moveTo(StepFilterColumn(this, col, -1));
      break;
    case vk::Right:
      if (ctrl) moveTo(EdgeFilterColumn(this, true));
      else if (caret == length) moveTo(StepFilterColumn(this, col, 1));
      break;
    case vk::Home:
      if (ctrl || caret == 0) moveTo(EdgeFilterColumn(this, false));
      break;
    case vk::End:
      if (ctrl || caret == length) moveTo(EdgeFilterColumn(this, true));
      break;
    case vk::Tab:
      if (options_ & dgTabs) moveTo(StepFilterColumn(this, col, (shift & Qt::ShiftModifier) ? -1 : 1));
      break;
    case vk::Down:
      if ((mods == Qt::NoModifier || mods == Qt::ControlModifier) && dataLink_->Active()) {
        key = 0;
        SelectColumnIndex(col);
        if (mods == Qt::NoModifier && DataSet()) DataSet()->MoveBy(-dataLink_->ActiveRecord());
        HideFilterEditor();
        setFocus();
      }
      break;
    case vk::Up:
      if (mods == Qt::NoModifier) key = 0;
      break;
    case 113:  // F2
      e->deselect();
      e->setCursorPosition(length);
      key = 0;
      break;
    default:
      break;
  }
}

bool TCustomDBGridEh::EnterFilterRowByKey(int key, Qt::KeyboardModifiers shift) {
  if (key != Qt::Key_Up || !stFilter_ || !stFilter_->Visible() || !dataLink_->Active()) return false;
  TDataSet* ds = DataSet();
  if (!ds || !(ds->Bof() || (shift & Qt::ControlModifier))) return false;
  int col = -1;
  if (options_ & dgRowSelect) {
    const int n = columns_->Count();
    auto firstFrom = [&](int from) {
      for (int i = 0; i < n; ++i)
        if (IsFilterCellVisible((from + i) % n)) return (from + i) % n;
      return -1;
    };
    col = firstFrom(std::clamp(stFilter_->LastEditColumn, 0, std::max(0, n - 1)));
    const int gridCol = col >= 0 ? ColumnToGridIndex(col) : -1;
    if (col >= 0 && (gridCol < LeftCol() || gridCol >= LeftCol() + VisibleColCount()))
      col = firstFrom(std::max(0, GridToColumnIndex(LeftCol())));
  } else {
    col = SelectedColumnIndex();
  }
  if (col < 0) return false;
  ShowFilterEditor(col);
  return true;
}

// ---- the dataset features that apply the column filters -----------------------------------

void TDBGridEhDataService::DefaultFilterGrid(TCustomDBGridEh* grid) {
  TDataSet* ds = grid->DataSet();
  if (!ds) return;
  if (TDatasetFeaturesEh* features = GetDatasetFeaturesForDataSet(ds)) features->ApplyFilter(grid, ds, false);
}

namespace {

// The platform's datasets apply a condition themselves: the column filters become the
// dataset's Filter.
class TDataSetFilterFeaturesEh : public TDatasetFeaturesEh {
 public:
  void ApplyFilter(TCustomDBGridEh* grid, TDataSet* dataSet, bool) override {
    const QString condition = GridFilterSQL(grid);
    if (condition.isEmpty()) {
      dataSet->SetFiltered(false);
      dataSet->SetFilter(QString());
      return;
    }
    dataSet->SetFilter(condition);
    dataSet->SetFiltered(true);
  }
};

}  // namespace

void RegisterPlatformDatasetFeatures() {
  RegisterDatasetFeaturesEh(QStringLiteral("TDataSet"), std::make_unique<TDataSetFilterFeaturesEh>());
}
