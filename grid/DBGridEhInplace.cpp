// The grid's cell editor: edit styles, typed search in key and pick lists, the pick-list
// drop-down, the up-down and ellipsis buttons, and paste into list columns.
#include "grid/DBGridEhInplace.h"

#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QToolTip>
#include <QPainter>

#include "grid/DBGridEhSpecRow.h"
#include "grid/ImgListEh.h"

#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/format.h"
#include "platform/ui.h"

// ---- the grid's side of the editor protocol -------------------------------------------------

QWidget* TCustomDBGridEh::CreateEditor() { return new TDBGridInplaceEdit(this); }

void TCustomDBGridEh::UpdateEditorPosition() {
  auto* ed = qobject_cast<TDBGridInplaceEdit*>(InplaceEditor());
  // The contents follow the cell the editor is shown for; a refresh of a visible editor on the
  // same cell keeps what is being typed.
  static const char* kCellKey = "gridxCellKey";
  if (ed) {
    TDataSet* ds = DataSet();
    const QString key = QStringLiteral("%1/%2/%3").arg(Col()).arg(Row()).arg(ds && ds->Active() ? ds->Bookmark() : QString());
    // An editor nothing was typed into follows a value changed elsewhere.
    if (!ed->isVisible() || ed->property(kCellKey).toString() != key ||
        (!ed->Modified() && !ed->ListVisible() && ed->Text() != GetEditText(Col(), Row()))) {
      ed->setProperty(kCellKey, key);
      ed->UpdateContents();
    }
  }
  TCustomGrid::UpdateEditorPosition();
  if (ed) ed->BoundsChanged();
}

// ---- the editor ---------------------------------------------------------------------------

namespace {

constexpr int kVkF2 = 113;

bool IsDateField(const TField* f) {
  return f && (f->DataType() == ftDate || f->DataType() == ftDateTime);
}

}  // namespace

TDBGridInplaceEdit::TDBGridInplaceEdit(TCustomDBGridEh* grid) : TCustomMaskEdit(grid), grid_(grid) {
  setObjectName(QStringLiteral("InplaceEditor"));
  setFrame(false);
  SetAutoSelect(false);
  hide();
  button_ = new TEditButtonControlEh(this);
  button_->hide();
  button_->DownHandler = [this](QObject*, bool topButton, bool&, bool& handled) {
    setFocus();
    handled = false;
    MainButtonDown(!topButton);
  };
  button_->OnClick = [this](TEditButtonControlEh*) { HandleButtonClick(); };
  button_->OnMouseUpHandler = [this](TEditButtonControlEh* b, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
    if (x < 0 || x >= b->width() || y < 0 || y > b->height()) keepOpenOnClick_ = false;
  };
}

TDBGridInplaceEdit::~TDBGridInplaceEdit() = default;

TColumnEh* TDBGridInplaceEdit::CurrentColumn() const {
  const int i = grid_->SelectedColumnIndex();
  if (i < 0 || i >= grid_->Columns()->Count()) return nullptr;
  return grid_->Columns()->Items(i);
}

TCellEditStyleEh TDBGridInplaceEdit::ColumnEditStyle(TColumnEh* column) {
  if (!column) return cesSimple;
  switch (column->ButtonStyle) {
    case cbsEllipsis: return cesEllipsis;
    case cbsUpDown: return cesUpDown;
    case cbsDropDown: return cesDropDown;
    case cbsNone: return cesSimple;
    case cbsAuto: break;
  }
  TField* f = column->BoundField();
  if (!f) return cesSimple;
  if (f->IsLookup()) {
    // A lookup cell chooses from its list when every key field can be written.
    TCustomDBGridEh* g = column->OwnerGrid();
    const QStringList keys = f->KeyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // A read-only lookup field (a default column's ReadOnly lands there) offers no list either.
    bool writable = !keys.isEmpty() && !f->ReadOnly && !((column->AssignedValues() & cvReadOnly) && column->ReadOnly()) &&
                    (!g || (!g->ReadOnly() && g->DataLink()->Active() && !g->DataLink()->ReadOnly));
    for (const QString& k : keys) {
      TField* kf = f->DataSet()->FindField(k.trimmed());
      writable = writable && kf && kf->CanModify();
    }
    return writable ? cesDataList : cesSimple;
  }
  if (!column->PickList.isEmpty() && !column->ReadOnly()) return cesPickList;
  if (IsDateField(f) && !column->ReadOnly()) return cesDate;
  return cesSimple;
}

TEditButtonStyleEh TDBGridInplaceEdit::ButtonStyleOf(TCellEditStyleEh style) {
  return style == cesEllipsis ? ebsEllipsisEh : style == cesUpDown ? ebsUpDownEh : ebsDropDownEh;
}

void TDBGridInplaceEdit::SetEditStyle(TCellEditStyleEh style) {
  editStyle_ = style;
  activeList_ = nullptr;
  if (style == cesPickList) {
    if (!pickListBox_) {
      pickListBox_ = new TPopupListboxEh(this);
      pickListBox_->hide();
    }
    activeList_ = pickListBox_;
  } else if (style == cesDataList) {
    TColumnEh* c = CurrentColumn();
    TPopupDataGridEh* list = c ? c->DropDownDataList() : nullptr;
    if (list && list != dataList_) {
      if (dataList_) dataList_->CloseHandler = nullptr;
      dataList_ = list;
      if (list->parentWidget() != this) list->setParent(this, list->windowFlags());
      // The list never takes the focus: whatever asks it to gives it to the editor.
      list->setFocusProxy(this);
      list->hide();
      list->CloseHandler = [this](TPopupDataGridEh*, bool accept) { CloseDropDown(accept); };
    }
    activeList_ = dataList_;
  } else if (style == cesDate) {
    if (!calendarBox_) {
      calendarBox_ = new TPopupMonthCalendarEh(this);
      calendarBox_->hide();
    }
    activeList_ = calendarBox_;
  } else if (style == cesDropDown) {
    TColumnEh* c = CurrentColumn();
    TField* f = c ? c->BoundField() : nullptr;
    if (f && f->IsNumeric()) {
      if (!calculatorBox_) {
        calculatorBox_ = new TPopupCalculatorEh(this);
        calculatorBox_->hide();
      }
      activeList_ = calculatorBox_;
    }
  }
}

bool TDBGridInplaceEdit::HasDropDownKeys() const {
  return editStyle_ == cesPickList || editStyle_ == cesDate || editStyle_ == cesDataList ||
         (editStyle_ == cesDropDown && activeList_);
}

void TDBGridInplaceEdit::UpdateContents() {
  if (listVisible_) CloseDropDown(false);
  TColumnEh* c = CurrentColumn();
  SetEditStyle(ColumnEditStyle(c));
  putting_ = true;
  if (c) {
    TFontEh font = c->Font();
    setFont(font.Font);
    TColCellParamsEh params;
    params.Background = c->Color();
    params.Font = &font;
    params.State = gdFocused;
    const bool mayEdit = c->MayEditCell(false);
    params.ReadOnly = !mayEdit;
    params.Text = grid_->EditTextOfCurrentCell();
    params.Col = grid_->Col();
    params.Row = grid_->Row();
    if (grid_->OnGetCellParams) grid_->OnGetCellParams(grid_, c, font, params.Background, params.State);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(params.Background));
    pal.setColor(QPalette::Text, ToQColor(font.Color));
    setPalette(pal);
    setReadOnly(params.ReadOnly);
    SetText(QString());
    SetEditMask(grid_->GetEditMask(grid_->Col(), grid_->Row()));
    SetText(params.Text);
    SetMaxLength(grid_->GetEditLimit());
    grid_->StoreEditText(params.Text);
    imageAreaWidth_ = c->ImageList && c->ShowImageAndText ? c->ImageList->Width() + 5 : 0;
    UpdateImageIndex();
  } else {
    imageAreaWidth_ = 0;
    imageIndex_ = -1;
    setReadOnly(true);
    SetEditMask(QString());
    SetText(QString());
  }
  SetModified(false);
  putting_ = false;
}

void TDBGridInplaceEdit::BoundsChanged() {
  const bool shown = editStyle_ != cesSimple;
  buttonsWidth_ = shown ? (grid_->Flat() ? FlatDefaultWidth() + 1 : kScrollBarWidth) : 0;
  button_->SetStyle(ButtonStyleOf(editStyle_));
  button_->SetFlat(grid_->Flat());
  button_->setVisible(shown);
  // The column's other buttons stand right of the default one, as the cells show them.
  TColumnEh* c = CurrentColumn();
  const int strip = std::max(buttonsWidth_, c ? c->EditButtonsWidth() : 0);
  if (shown) {
    const int w = buttonsWidth_;
    const int h = qRound(1.5 * w) >= height() ? height() : (grid_->Flat() ? qRound(1.5 * w) : w);
    button_->setGeometry(width() - strip, 0, w, h);
  }
  setTextMargins(imageAreaWidth_, 0, strip, 0);
}

void TDBGridInplaceEdit::UpdateImageIndex() {
  TColumnEh* c = CurrentColumn();
  imageIndex_ = -1;
  if (!c || !c->ImageList || !c->ShowImageAndText) return;
  // The image follows what is typed: the text's position in the key or pick list.
  if (!c->KeyList.isEmpty() || !c->PickList.isEmpty()) {
    const int k = int(c->PickList.indexOf(Text()));
    imageIndex_ = k >= 0 ? k : c->NotInKeyListIndex;
  } else {
    imageIndex_ = c->CellImageIndex();
  }
  update();
}

void TDBGridInplaceEdit::paintEvent(QPaintEvent* e) {
  TCustomMaskEdit::paintEvent(e);
  TColumnEh* c = CurrentColumn();
  if (!c) return;
  QPainter p(this);
  // The column's other buttons are drawn; the default one is a control of its own.
  std::vector<TColumnEh::TCellButtonEh> buttons = c->CellButtons();
  if (!buttons.empty() && !buttons.front().Button) buttons.erase(buttons.begin());
  if (!buttons.empty()) {
    int w = 0;
    for (const TColumnEh::TCellButtonEh& b : buttons) w += b.Width;
    const int h = button_->isVisible() ? button_->height() : grid_->EditButtonHeight();
    PaintCellButtonStrip(&p, buttons, rect(), width() - w, h, FromQColor(palette().color(QPalette::Base)),
                         grid_->Flat(), isEnabled());
  }
  if (imageAreaWidth_ <= 0 || !c->ImageList) return;
  DrawImageClipped(&p, c->ImageList, 2, 0, imageIndex_, QRect(0, 0, imageAreaWidth_, height()));
}

void TDBGridInplaceEdit::resizeEvent(QResizeEvent* e) {
  TCustomMaskEdit::resizeEvent(e);
  BoundsChanged();
}

QRect TDBGridInplaceEdit::ExtraButtonRect(const TEditButtonEh* button) const {
  TColumnEh* c = CurrentColumn();
  if (!c || !button) return QRect();
  const std::vector<TColumnEh::TCellButtonEh> buttons = c->CellButtons();
  int right = width();
  for (auto b = buttons.rbegin(); b != buttons.rend() && b->Button; ++b) {
    if (b->Button == button) return QRect(right - b->Width, 0, b->Width, height());
    right -= b->Width;
  }
  return QRect();
}

const TEditButtonEh* TDBGridInplaceEdit::ExtraButtonAt(int x) const {
  TColumnEh* c = CurrentColumn();
  if (!c) return nullptr;
  for (const TColumnEh::TCellButtonEh& b : c->CellButtons())
    if (b.Button && ExtraButtonRect(b.Button).contains(x, height() / 2)) return b.Button;
  return nullptr;
}

void TDBGridInplaceEdit::mousePressEvent(QMouseEvent* e) {
  pressedExtra_ = e->button() == Qt::LeftButton ? ExtraButtonAt(e->position().toPoint().x()) : nullptr;
  if (!pressedExtra_) {
    TCustomMaskEdit::mousePressEvent(e);
    return;
  }
  // The button's press: its OnDown (the upper half is the top button), then, unless that
  // handled the press, its menu below it; the press that opened a menu clicks nothing.
  if (isVisible()) setFocus();
  const TEditButtonEh* pressed = pressedExtra_;
  bool autoRepeat = false, handled = false;
  if (pressed->OnDown) pressed->OnDown(this, e->position().y() < height() / 2.0, autoRepeat, handled);
  if (handled) return;
  if (QMenu* menu = pressed->DropdownMenu()) {
    pressedExtra_ = nullptr;
    menu->exec(DropdownMenuPosition(this, ExtraButtonRect(pressed), menu));
  }
}

bool TDBGridInplaceEdit::event(QEvent* e) {
  // Over one of the column's other buttons the tool tip is that button's hint.
  if (e->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(e);
    if (const TEditButtonEh* b = ExtraButtonAt(help->pos().x())) {
      if (b->Hint().isEmpty()) QToolTip::hideText();
      else QToolTip::showText(help->globalPos(), b->Hint(), this, ExtraButtonRect(b));
      return true;
    }
  }
  return TCustomMaskEdit::event(e);
}

void TDBGridInplaceEdit::mouseReleaseEvent(QMouseEvent* e) {
  const TEditButtonEh* pressed = std::exchange(pressedExtra_, nullptr);
  if (!pressed) {
    TCustomMaskEdit::mouseReleaseEvent(e);
    return;
  }
  // A click of one of the column's other buttons: released over the button it pressed.
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) &&
      ExtraButtonAt(e->position().toPoint().x()) == pressed && pressed->OnClick) {
    bool handled = false;
    pressed->OnClick(this, handled);
  }
}

void TDBGridInplaceEdit::inputMethodEvent(QInputMethodEvent* e) {
  const QString commit = e->commitString();
  const bool replaces = e->replacementLength() > 0;
  if ((commit.isEmpty() && !replaces) || isReadOnly()) {
    if (!commit.isEmpty() || replaces) e->setCommitString(QString());  // a read-only cell takes none
    TCustomMaskEdit::inputMethodEvent(e);
    return;
  }
  // The committed text is typed character by character over the range it replaces; a range
  // replaced by nothing is deleted as Backspace deletes a selection.
  const bool selected = BeginInputMethodCommit(*e);
  auto type = [this](QChar key) {
    KeyPress(key);
    if (key.unicode() != 0) TypeChar(key);
  };
  if (commit.isEmpty() && selected) type(QChar(8));
  for (int i = 0; i < commit.size(); ++i) {
    const bool pair = commit[i].isHighSurrogate() && i + 1 < commit.size() && commit[i + 1].isLowSurrogate();
    QChar key = commit[i];
    if (!pair) {
      type(key);
      continue;
    }
    KeyPress(key);
    if (key.unicode() != 0 && key == commit[i] && !IsMasked()) {
      SetModified(true);
      insert(commit.mid(i, 2));
    }
    ++i;
  }
  e->accept();
}

void TDBGridInplaceEdit::focusOutEvent(QFocusEvent* e) {
  TCustomMaskEdit::focusOutEvent(e);
  if (listVisible_ && activeList_ && !activeList_->hasFocus()) CloseDropDown(false);
  // The focus went from the editor past the grid to another control: the grid is left.
  QWidget* to = QApplication::focusWidget();
  const bool inGrid = to && (to == grid_ || grid_->isAncestorOf(to) || (activeList_ && (to == activeList_ || activeList_->isAncestorOf(to))));
  if (e->reason() != Qt::PopupFocusReason && !inGrid) {
    // A failing dataset action is shown, never passed into the event loop.
    Guard([&] { grid_->LeaveGrid(); });
  }
}

bool TDBGridInplaceEdit::EditCanModify() { return !isReadOnly() && grid_->EditCanModify(); }

void TDBGridInplaceEdit::Change() {
  TCustomMaskEdit::Change();
  if (imageAreaWidth_ > 0) UpdateImageIndex();
  if (putting_) return;
  grid_->StoreEditText(Text());
}

void TDBGridInplaceEdit::PutText(const QString& text, int selStart, int selLength) {
  putting_ = true;
  SetText(text);
  SetSel(selStart, selLength);
  putting_ = false;
}

int TDBGridInplaceEdit::FindListItem(const QStringList& items, const QString& s, bool prefix) {
  for (int i = 0; i < items.size(); ++i) {
    const QString& item = items[i];
    const QString part = prefix ? item.left(int(s.size())) : item;
    if (QString::compare(part, s, Qt::CaseInsensitive) == 0 && (!prefix || item.size() >= s.size())) return i;
  }
  return -1;
}

QString TDBGridInplaceEdit::TextWithoutSelection() const {
  const QString t = Text();
  return t.left(SelStart()) + t.mid(SelStart() + SelLength());
}

void TDBGridInplaceEdit::ApplyTypedChars(QString& s) {
  if (s.size() == 1 && s[0].unicode() < 32 && s[0].unicode() != 8) return;
  TColumnEh* c = CurrentColumn();
  if (!c) return;
  if (editStyle_ == cesDataList) {
    // A lookup cell never takes a typed character: the typing finds the list record whose
    // text starts with it, completes the text and takes the record's key.
    const bool backspace = s.size() == 1 && s[0].unicode() == 8;
    const QString typed = s;
    s.clear();
    TDataSet* list = c->LookupListDataSet();
    TField* f = c->BoundField();
    if (backspace || !list || !f || isReadOnly() || !grid_->EditAllowedByOperations() || !grid_->EditCanModify()) return;
    const QString t = Text().left(SelStart()) + typed;
    const Variant key = LookupKeyOfText(c, t, true);
    if (!key.isNullOrEmpty()) {
      const QString e = list->FieldByName(f->LookupResultField)->Text();
      PutText(e, int(t.size()), int(e.size() - t.size()));
      grid_->SetEditKeyValue(key);
      grid_->StoreEditText(e);
      if (dataList_) dataList_->SetKeyValue(key);
    } else if (c->OnNotInList) {
      PutText(t, int(t.size()), 0);
      grid_->SetEditKeyValue(Variant::null());
      grid_->StoreEditText(t);
      if (dataList_) dataList_->SetKeyValue(Variant::null());
      c->OnNotInList(c, t);
    }
    // The first typed character opens the list of an automatically dropping column.
    if (c->AutoDropDown && !listVisible_) OpenDropDown();
    return;
  }
  const bool keyList = c->ColumnKind() == ckKeyListEh;
  if (!(keyList || editStyle_ == cesPickList)) return;
  if (isReadOnly() || !grid_->EditCanModify()) return;
  const bool backspace = s.size() == 1 && s[0].unicode() == 8;
  if (backspace) {
    if (keyList) s.clear();
    return;
  }
  const QString t = Text().left(SelStart()) + s;
  const int i = FindListItem(c->PickList, t, true);
  if (i >= 0) {
    s.clear();
    const QString item = c->PickList[i];
    PutText(item, int(t.size()), int(item.size() - t.size()));
    grid_->StoreEditText(item);
    if (pickListBox_) pickListBox_->SetItemIndex(i);
  } else if (keyList && c->OnNotInList) {
    PutText(t, int(t.size()), 0);
    grid_->SetEditKeyValue(Variant::null());
    grid_->StoreEditText(t);
    if (pickListBox_) pickListBox_->SetItemIndex(-1);
    c->OnNotInList(c, t);
  }
  if (keyList) s.clear();
}

void TDBGridInplaceEdit::KeyPress(QChar& key) {
  if (listVisible_ && activeList_ && activeList_ == calculatorBox_ && key.unicode() >= 32 && key.unicode() <= 126) {
    calculatorBox_->ApplyCalcKey(key);
    key = QChar();
    return;
  }
  // Typing needs the grid's edit test, which also puts the record in edit state.
  const ushort code = key.unicode();
  const bool typing = code == 8 || code >= 32;
  if (key.unicode() == 10 && !(CurrentColumn() && CurrentColumn()->WordWrap())) {
    key = QChar();
    return;
  }
  QString s(key);
  ApplyTypedChars(s);
  if (s.isEmpty()) {
    key = QChar();
    return;
  }
  // A character the cell's field cannot hold (a letter in a number) is not typed, and is
  // refused before the edit test, so it leaves the record as it was.
  if (code >= 32 && !grid_->CanEditAcceptKey(key)) {
    key = QChar();
    return;
  }
  if (typing && !EditCanModify()) {
    key = QChar();
    return;
  }
  // The first printable character opens the list of an automatically dropping column.
  if (key.unicode() >= 32 && !listVisible_ && CurrentColumn() && CurrentColumn()->AutoDropDown &&
      (editStyle_ == cesPickList))
    OpenDropDown();
  TCustomMaskEdit::KeyPress(key);
}

Variant TDBGridInplaceEdit::LookupKeyOfText(TColumnEh* c, const QString& text, bool partial) {
  TDataSet* list = c->LookupListDataSet();
  TField* f = c->BoundField();
  if (!list || !f || !list->Active()) return Variant::null();
  TLocateOptions o = loCaseInsensitive | (partial ? loPartialKey : 0);
  if (!list->Locate(f->LookupResultField, Variant(text), o)) return Variant::null();
  return list->FieldValues(f->LookupKeyFields);
}

void TDBGridInplaceEdit::SyncKeyFromText() {
  TColumnEh* c = CurrentColumn();
  if (!c || !c->MayEditCell(true)) return;
  grid_->StoreEditText(Text());
}

int TDBGridInplaceEdit::GridKeyOf(int key, Qt::KeyboardModifiers shift) const {
  switch (key) {
    case vk::Up: return shift & Qt::AltModifier ? 0 : int(Qt::Key_Up);
    case vk::Down: return shift & Qt::AltModifier ? 0 : int(Qt::Key_Down);
    case vk::Prior: return Qt::Key_PageUp;
    case vk::Next: return Qt::Key_PageDown;
    case vk::Tab: return Qt::Key_Tab;
    case vk::Escape: return Qt::Key_Escape;
    case kVkF2: return Qt::Key_F2;
    case vk::Return: return shift == Qt::NoModifier ? int(Qt::Key_Return) : 0;
    default: return 0;
  }
}

void TDBGridInplaceEdit::KeyDown(int& key, Qt::KeyboardModifiers shift) {
  const bool enter = key == vk::Return;
  const bool listStyle = HasDropDownKeys();
  const bool calculatorOpen = listVisible_ && activeList_ && activeList_ == calculatorBox_;
  // Drop-down keys first.
  if (listStyle) {
    if (calculatorOpen && (enter || key == vk::Escape)) {
      // The calculator takes Enter and Esc itself; it closes through CloseDropDown.
      QKeyEvent e(QEvent::KeyPress, key == vk::Escape ? Qt::Key_Escape : Qt::Key_Return, shift);
      calculatorBox_->HandleKey(&e);
      key = 0;
      return;
    }
    if ((enter || key == vk::Escape) && listVisible_ && !(shift & Qt::AltModifier)) {
      CloseDropDown(enter);
      key = 0;
      return;
    }
    if (enter && !listVisible_ && shift == Qt::ControlModifier) {
      OpenDropDown();
      key = 0;
      return;
    }
    if ((key == vk::Up || key == vk::Down) && (shift & Qt::AltModifier)) {
      if (listVisible_) CloseDropDown(true);
      else OpenDropDown();
      key = 0;
      return;
    }
    if (listVisible_ && activeList_ == calendarBox_ && calendarBox_ &&
        (key == vk::Up || key == vk::Down || key == vk::Left || key == vk::Right || key == vk::Prior ||
         key == vk::Next)) {
      static const int kQtKeys[] = {Qt::Key_PageUp, Qt::Key_PageDown, 0, 0, Qt::Key_Left, Qt::Key_Up,
                                    Qt::Key_Right, Qt::Key_Down};
      QKeyEvent e(QEvent::KeyPress, kQtKeys[key - vk::Prior], shift);
      calendarBox_->HandleKey(&e);
      key = 0;
      return;
    }
    if (listVisible_ && dataList_ && activeList_ == dataList_ &&
        (key == vk::Up || key == vk::Down || key == vk::Prior || key == vk::Next) && !(shift & Qt::ShiftModifier)) {
      // The list moves its choice; the cell takes it when the list closes.
      static const int kQtKeys[] = {Qt::Key_PageUp, Qt::Key_PageDown, 0, 0, 0, Qt::Key_Up, 0, Qt::Key_Down};
      QKeyEvent e(QEvent::KeyPress, kQtKeys[key - vk::Prior], Qt::NoModifier);
      dataList_->HandleKey(&e);
      key = 0;
      return;
    }
    if (listVisible_ && activeList_ == pickListBox_ && pickListBox_ &&
        ((key == vk::Up || key == vk::Down || key == vk::Prior || key == vk::Next) &&
         !(shift & Qt::ShiftModifier))) {
      const int n = pickListBox_->Count();
      int i = pickListBox_->ItemIndex();
      const int page = qMax(1, pickListBox_->VisibleRows());
      if (key == vk::Up) i = qMax(0, i - 1);
      else if (key == vk::Down) i = qMin(n - 1, i + 1);
      else if (key == vk::Prior) i = qMax(0, i - page);
      else i = qMin(n - 1, i < 0 ? page - 1 : i + page);
      pickListBox_->SetItemIndex(i);
      if (i >= 0 && i < n && pickListBox_->Items()[i] != Text()) PutText(pickListBox_->Items()[i], 0, 0);
      key = 0;
      return;
    }
  }
  TColumnEh* c = CurrentColumn();
  const TColumnKindEh kind = c ? c->ColumnKind() : ckPlainEh;
  // Ctrl+Enter on an ellipsis or plain drop-down cell is its button's click.
  if ((editStyle_ == cesEllipsis || editStyle_ == cesDropDown) && enter && shift == Qt::ControlModifier) {
    if (grid_->OnEditButtonClick) grid_->OnEditButtonClick(grid_);
    key = 0;
    return;
  }
  if (kind == ckLookupEh && ((key == vk::Delete && shift == Qt::NoModifier) || key == vk::Back)) {
    // Deleting the whole text clears the key; a lookup text is never edited in part.
    if (key == vk::Delete && SelStart() == 0 && SelLength() == Text().size() && c->MayEditCell(false) &&
        c->MayEditCell(true) && grid_->EditCanModify()) {
      PutText(QString(), 0, 0);
      grid_->SetEditKeyValue(Variant::null());
      grid_->StoreEditText(QString());
      if (dataList_) dataList_->SetKeyValue(Variant::null());
    } else if (key == vk::Back) {
      const int p = SelStart();
      setCursorPosition(SelLength() > 0 ? p : qMax(0, p - 1));
    }
    key = 0;
    return;
  }
  if (key == vk::Delete && shift == Qt::NoModifier && kind == ckKeyListEh && c->MayEditCell(false)) {
    if (SelStart() == 0 && SelLength() == Text().size()) {
      if (c->MayEditCell(true) && editStyle_ == cesPickList) {
        PutText(QString(), 0, 0);
        grid_->SetEditKeyValue(Variant::null());
        grid_->StoreEditText(QString());
      }
      // The whole text is gone: nothing is left for the edit control to delete.
      key = 0;
    } else if (c->OnNotInList) {
      const QString s = TextWithoutSelection();
      const int p = SelStart();
      if (c->MayEditCell(true)) {
        PutText(s, p, 0);
        SyncKeyFromText();
        if (pickListBox_) pickListBox_->SetItemIndex(FindListItem(pickListBox_->Items(), grid_->CellEditText(), false));
      }
    } else {
      key = 0;  // Delete does nothing in a list cell without OnNotInList
    }
    return;
  }
  if (key == vk::Back && kind == ckKeyListEh) {
    if (c->OnNotInList) {
      QString s = TextWithoutSelection();
      const int p = SelStart();
      if (c->MayEditCell(true) && p > 0) {
        if (SelLength() == 0) s.remove(p - 1, 1);
        PutText(s, SelLength() == 0 ? p - 1 : p, 0);
        SyncKeyFromText();
      }
      key = 0;
    } else {
      // Backspace walks back over the completed text without deleting it.
      const int p = SelStart();
      setCursorPosition(SelLength() > 0 ? p : qMax(0, p - 1));
      key = 0;
    }
    return;
  }
  TSpecRowEh* specialRow = c && editStyle_ == cesDataList ? c->DropDownSpecRow() : nullptr;
  if (specialRow && specialRow->Visible() && specialRow->ShortCut != 0 && ShortCutOf(key, shift) == specialRow->ShortCut &&
      c->MayEditCell(false)) {
    // The special row's short cut (Alt+Del unless set otherwise) puts its value in the cell,
    // whether the data list is open or not; an open list shows the special row as the choice.
    if (c->MayEditCell(true) && grid_->EditCanModify()) {
      const QString text = specialRow->CellAt(0);
      PutText(text, 0, int(text.size()));
      grid_->StoreEditText(text);
      grid_->SetEditKeyValue(specialRow->Value());
      if (dataList_) dataList_->SetKeyValue(specialRow->Value());
    }
    key = 0;
    return;
  }
  if (const int gridKey = GridKeyOf(key, shift)) {
    if (key == vk::Escape && Modified()) {
      // The text before editing comes back; the grid then cancels the record's changes.
      putting_ = true;
      Reset();
      putting_ = false;
    }
    QKeyEvent e(QEvent::KeyPress, gridKey, shift);
    QCoreApplication::sendEvent(grid_, &e);
    key = 0;
    return;
  }
  TCustomMaskEdit::KeyDown(key, shift);
}

void TDBGridInplaceEdit::PasteFromClipboard() {
  TColumnEh* c = CurrentColumn();
  if (!c || !grid_->EditAllowedByOperations() || !c->MayEditCell(false)) return;
  if (c->ColumnKind() != ckKeyListEh) {
    if (!grid_->EditCanModify()) return;
    TCustomMaskEdit::PasteFromClipboard();
    return;
  }
  const QString clip = QApplication::clipboard()->text();
  if (clip.isEmpty()) return;
  const QString cur = Text();
  const QString t = cur.left(SelStart()) + clip + cur.mid(SelStart() + SelLength());
  const int i = FindListItem(c->PickList, t, true);
  QString e;
  if (i >= 0 && grid_->EditCanModify()) e = c->PickList[i];
  else if (c->OnNotInList && grid_->EditCanModify()) e = t;
  else return;  // matches nothing: the paste is dropped
  PutText(e, int(e.size()), 0);
  grid_->StoreEditText(e);
  if (pickListBox_) pickListBox_->SetItemIndex(i);
  if (i < 0 && c->OnNotInList) c->OnNotInList(c, t);
}

// ---- buttons and drop-down ----------------------------------------------------------------

void TDBGridInplaceEdit::MainButtonDown(bool lower) {
  if (editStyle_ == cesUpDown) {
    StepByButton(lower);
  } else if (!droppedDown_) {
    OpenDropDown();
    keepOpenOnClick_ = true;
  }
}

void TDBGridInplaceEdit::StepByButton(bool lower) {
  TColumnEh* c = CurrentColumn();
  if (!c || !c->MayEditCell(true)) return;
  if (grid_->EditTextOfCurrentCell() != Text()) {
    grid_->StoreEditText(Text());
    grid_->CommitEditText();
  }
  const double s = c->ColumnKind() == ckPlainEh ? 1.0 : -1.0;
  c->StepCellValue(lower ? -s * c->Increment : s * c->Increment);
  // The stepped value is the cell's new text.
  putting_ = true;
  const QString t = grid_->EditTextOfCurrentCell();
  SetText(t);
  putting_ = false;
  grid_->StoreEditText(t);
}

void TDBGridInplaceEdit::HandleButtonClick() {
  bool handled = false;
  if (editStyle_ == cesEllipsis || editStyle_ == cesDropDown) {
    if (grid_->OnEditButtonClick) grid_->OnEditButtonClick(grid_);
  }
  TColumnEh* c = CurrentColumn();
  if (c && c->OnEditButtonClick) c->OnEditButtonClick(c, handled);
  if (!handled && droppedDown_ && !keepOpenOnClick_) CloseDropDown(false);
  keepOpenOnClick_ = false;
}

void TDBGridInplaceEdit::OpenDropDown() {
  if (listVisible_ || !activeList_) return;
  TColumnEh* c = CurrentColumn();
  if (!c) return;
  if (activeList_ == pickListBox_) {
    pickListBox_->setFont(font());
    QStringList items = c->PickList;
    if (!c->KeyList.isEmpty()) items = items.mid(0, qMin(c->PickList.size(), c->KeyList.size()));
    pickListBox_->Items() = items;
    pickListBox_->ItemsChanged();
    const int ih = pickListBox_->ItemHeight() > 0 ? pickListBox_->ItemHeight() : pickListBox_->FontTextHeight();
    const int rows = qMin(int(items.size()), c->DropDownRows);
    pickListBox_->resize(width(), qMax(rows, 1) * ih + 4);
    TField* f = c->BoundField();
    pickListBox_->SetItemIndex(f && f->IsNull() && Text().isEmpty() ? -1 : FindListItem(items, Text(), false));
    int widest = 0;
    const QFontMetrics fm(font());
    for (const QString& s : items) widest = qMax(widest, fm.horizontalAdvance(s));
    pickListBox_->resize(qMax(pickListBox_->width(), widest + 4), pickListBox_->height());
  }
  if (activeList_ == dataList_ && dataList_) {
    if (!c->LookupListDataSet()) return;
    OpenDataList(c);
  }
  if (activeList_ == calendarBox_) {
    calendarBox_->setFont(font());
    TDateTime d = 0;
    QDate date = QDate::currentDate();
    if (!Text().isEmpty()) {
      if (TryStrToDate(Text(), d)) {
        date = ToQDateTime(d).date();
      } else {
        // A text that is no date opens on the field's date, or on today.
        TField* f = c->BoundField();
        if (f && !f->IsNull() && f->AsDateTime() != 0) date = ToQDateTime(f->AsDateTime()).date();
      }
    }
    calendarBox_->SetDate(date);
    calendarBox_->resize(calendarBox_->sizeHint());
  } else if (activeList_ == calculatorBox_) {
    double v = 0;
    calculatorBox_->SetWindowValue(Text().isEmpty() || !TryStrToFloat(Text(), v) ? Variant::null() : Variant(v));
    calculatorBox_->SetWindowFlat(grid_->Flat());
    SetSel(SelStart(), 0);
  }
  activeList_->move(PlaceDropDown(this, activeList_, daLeft));
  activeList_->show();
  if (activeList_ == dataList_ && dataList_) {
    // Shown, the list knows its frame and title heights: the rows are applied again.
    dataList_->SetRowCount(dataList_->RowCountShown());
    dataList_->SizeGrip()->ShowGrip(c->DropDownSizing);
    dataList_->SizeGripResized = false;
  }
  listVisible_ = true;
  droppedDown_ = true;
  button_->SetStaysDown(true);
  update();
}

void TDBGridInplaceEdit::OpenDataList(TColumnEh* c) {
  TDataSet* list = c->LookupListDataSet();
  TField* f = c->BoundField();
  TPopupDataGridEh* d = dataList_;
  d->setFont(font());
  QPalette pal = d->palette();
  pal.setColor(QPalette::Base, palette().color(QPalette::Base));
  d->setPalette(pal);
  int rows = c->DropDownRows;
  if (list->Active() && list->RecordCount() > 0 && list->RecordCount() < rows) rows = list->RecordCount();
  lookupSource_.SetDataSet(list);
  // The list shows the column's display fields, the lookup result first.
  QString shown = c->LookupDisplayFields.isEmpty() ? f->LookupResultField : c->LookupDisplayFields;
  if (!shown.split(QLatin1Char(';')).contains(f->LookupResultField, Qt::CaseInsensitive))
    shown = f->LookupResultField + QLatin1Char(';') + shown;
  d->SetListSource(nullptr);
  d->SetKeyField(f->LookupKeyFields);
  d->SetListFieldIndex(0);
  d->SetListField(shown);
  d->SetListSource(&lookupSource_);
  d->SetShowTitles(c->DropDownShowTitles);
  d->SetRowCount(rows);
  d->SetUseMultiTitle(c->DropDownBox()->UseMultiTitle);
  // The columns share the list's width unless the box asks for their own widths.
  d->SetAutoFitColWidths(c->DropDownBox()->AutoFitColWidths);
  int w = width();
  if (c->DropDownWidth == -1) w = d->NaturalWidth() + (d->width() - d->viewport()->width());
  else if (c->DropDownWidth > 0) w = c->DropDownWidth;
  d->resize(qMax(w, width()), d->height());
  d->SetKeyValue(grid_->EditKeyValue());
}

void TDBGridInplaceEdit::CloseDropDown(bool accept) {
  if (!listVisible_) return;
  button_->SetStaysDown(false);
  if (LockCloseList) return;
  TColumnEh* c = CurrentColumn();
  Variant v = Variant::null();
  int index = -1;
  if (activeList_ == pickListBox_ && pickListBox_) {
    index = pickListBox_->ItemIndex();
    if (index >= 0 && index < pickListBox_->Count()) {
      v = c && !c->KeyList.isEmpty() ? Variant(c->KeyList.value(index)) : Variant(pickListBox_->Items()[index]);
    }
    if (pickListBox_->UserResized && c) {
      const int ih = qMax(1, pickListBox_->ItemHeight());
      c->DropDownRows = pickListBox_->height() / ih;
    }
  }
  QString listText;
  if (activeList_ == dataList_ && dataList_) {
    v = dataList_->KeyValue();
    listText = dataList_->SelectedItem();
    if (dataList_->SizeGripResized && c) {
      c->DropDownRows = dataList_->RowCountShown();
      c->DropDownWidth = dataList_->width();
    }
  }
  activeList_->hide();
  droppedDown_ = false;
  listVisible_ = false;
  if (activeList_ == dataList_ && dataList_) {
    dataList_->SetKeySource(nullptr);
    lookupSource_.SetDataSet(nullptr);
  }
  update();
  if (!accept && activeList_ == dataList_) {
    PutText(grid_->CellEditText(), int(grid_->CellEditText().size()), 0);
    return;
  }
  if (activeList_ == dataList_ && dataList_) {
    // The chosen record's key becomes the cell's key; the grid writes it with the record.
    if (c && c->MayEditCell(true) && grid_->EditCanModify()) {
      grid_->SetEditKeyValue(v);
      grid_->StoreEditText(listText);
      PutText(listText, 0, int(listText.size()));
    }
    return;
  }
  if (!accept && activeList_ == pickListBox_) {
    // The typed text comes back.
    PutText(grid_->CellEditText(), int(grid_->CellEditText().size()), 0);
    return;
  }
  if (!accept) return;
  if (activeList_ == calendarBox_ && c && c->MayEditCell(true) && grid_->EditCanModify()) {
    const TDateTime d = FromQDate(calendarBox_->Date());
    c->ApplyCellValue(DateToStr(d), Variant::dateTime(d), false);
    const QString t = grid_->EditTextOfCurrentCell();
    PutText(t, int(t.size()), 0);
    grid_->StoreEditText(t);
    return;
  }
  if (activeList_ == calculatorBox_ && c && c->MayEditCell(true) && grid_->EditCanModify()) {
    // A calculator in its error state gives no value.
    const Variant value = calculatorBox_->WindowValue();
    if (value.isNumeric()) {
      const QString t = FloatToStr(value.toDouble());
      PutText(t, 0, int(t.size()));
      grid_->StoreEditText(t);
    }
    return;
  }
  if (activeList_ == pickListBox_ && !v.isNull() && c && grid_->EditCanModify()) {
    const QString text = c->ColumnKind() == ckKeyListEh ? pickListBox_->Items()[index] : v.toString();
    PutText(text, int(text.size()), 0);
    grid_->StoreEditText(text);
  }
}
