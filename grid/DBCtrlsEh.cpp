#include "grid/DBCtrlsEh.h"
#include "grid/ImgListEh.h"

#include <QApplication>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <cmath>
#include <QToolTip>

#include "platform/exception.h"
#include "platform/ui.h"

// ---- TFieldDataLinkEh ----

TFieldDataLinkEh::TFieldDataLinkEh(QObject* control) : control_(control) { VisualControl = true; }

void TFieldDataLinkEh::SetLinkDataSource(TDataSource* source) {
  if (source == DataSource()) return;
  SetDataSource(source);
  RecheckIndependence();
}

void TFieldDataLinkEh::SetFieldName(const QString& name) {
  if (name == fieldName_) return;
  fieldName_ = name;
  LookUpBoundField();
  RecheckIndependence();
}

void TFieldDataLinkEh::RecheckIndependence() {
  const bool independent = DataSource() == nullptr && fieldName_.isEmpty();
  if (independent == independent_) return;
  independent_ = independent;
  IndependentValue = Variant::null();
  LookUpBoundField();
  if (independent_) RecordChanged(nullptr);
}

void TFieldDataLinkEh::LookUpBoundField() {
  std::vector<TField*> fields;
  if (Active() && !fieldName_.isEmpty() && DataSet()) fields.push_back(DataSet()->FieldByName(fieldName_));
  fields_ = fields;
  EditingChanged();
  RecordChanged(nullptr);
}

bool TFieldDataLinkEh::IsModifiable() const {
  if (ReadOnly) return false;
  if (independent_) return true;
  TField* f = Field();
  return Active() && f && f->CanModify();
}

void TFieldDataLinkEh::SetEditingFlag(bool value) {
  if (value == editing_) return;
  editing_ = value;
  modified_ = false;
  if (EditingChangeHandler) EditingChangeHandler(this);
}

bool TFieldDataLinkEh::BeginEdit() {
  if (independent_) {
    if (!editing_ && !ReadOnly) {
      editing_ = true;
      modified_ = false;
      if (EditingChangeHandler) EditingChangeHandler(this);
    }
    return editing_;
  }
  if (IsModifiable()) {
    Edit();
    SetEditingFlag(Editing() && IsModifiable());
  }
  return editing_;
}

void TFieldDataLinkEh::WriteText(const QString& text) {
  if (independent_) {
    IndependentValue = Variant(text);
    RecordChanged(nullptr);
    return;
  }
  TField* f = Field();
  if (!f) return;
  if (f->DataType() == ftMemo) f->SetAsString(text);
  else f->SetText(text);
}

void TFieldDataLinkEh::StoreVariant(const Variant& value) {
  if (independent_) {
    IndependentValue = value;
    RecordChanged(nullptr);
    return;
  }
  if (TField* f = Field()) f->SetValue(value);
}

void TFieldDataLinkEh::UpdateRecordEh() {
  if (independent_) {
    if (modified_ && UpdateDataHandler) UpdateDataHandler(this);
    editing_ = false;
    modified_ = false;
    return;
  }
  if (Active() && modified_) UpdateRecord();
  modified_ = false;
}

void TFieldDataLinkEh::ActiveChanged() {
  LookUpBoundField();
  if (ActiveChangeHandler) ActiveChangeHandler(this);
}

void TFieldDataLinkEh::LayoutChanged() { LookUpBoundField(); }

void TFieldDataLinkEh::RecordChanged(TField* field) {
  if (field && field != Field()) return;
  if (DataChangeHandler) DataChangeHandler(this);
  modified_ = false;
}

void TFieldDataLinkEh::EditingChanged() {
  if (independent_) return;
  SetEditingFlag(Editing() && IsModifiable());
}

void TFieldDataLinkEh::UpdateData() {
  if (independent_) {
    if (modified_ && UpdateDataHandler) UpdateDataHandler(this);
    editing_ = false;
  } else if (modified_ && Field()) {
    if (UpdateDataHandler) UpdateDataHandler(this);
  }
  modified_ = false;
}

void TFieldDataLinkEh::FocusControl(TField* field) {
  if (field && field == Field() && FocusHandler) FocusHandler(this);
}

bool FieldIsValidChar(const TField* field, QChar ch) {
  if (!field) return true;
  const bool digit = ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
  const bool sign = ch == QLatin1Char('+') || ch == QLatin1Char('-');
  switch (field->DataType()) {
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc:
      return digit || sign;
    case ftFloat: case ftCurrency: case ftBCD:
      return digit || sign || ch == QLatin1Char('.') || ch == QLatin1Char('e') || ch == QLatin1Char('E');
    default:
      return true;
  }
}

// ---- TCustomDBEditEh ----

TCustomDBEditEh::TCustomDBEditEh(QWidget* parent) : TCustomMaskEdit(parent) {
  FieldLink = std::make_unique<TFieldDataLinkEh>(this);
  FieldLink->DataChangeHandler = [this](TFieldDataLinkEh*) { LoadFromField(); };
  FieldLink->EditingChangeHandler = [this](TFieldDataLinkEh*) { ReadOnlyChanged(); };
  FieldLink->UpdateDataHandler = [this](TFieldDataLinkEh*) { CommitEdit(); };
  FieldLink->ActiveChangeHandler = [this](TFieldDataLinkEh*) { LinkActiveChanged(); };
  FieldLink->FocusHandler = [this](TFieldDataLinkEh*) {
    if (isEnabled() && isVisible()) setFocus();
  };
  editImage_ = std::make_unique<TEditImageEh>(this);
  editButtons_ = std::make_unique<TEditButtonsEh>(this, [] { return std::make_unique<TVisibleEditButtonEh>(); });
  editButtons_->ItemChangeHandler = [this](TEditButtonEh*) { ButtonChanged(); };
  mruList_ = std::make_unique<TMRUListEh>(this);
  mruList_->OpenHandler = [this](TMRUListEh*) { ShowMRUList(); };
  mruList_->CloseHandler = [this](TMRUListEh*, bool accept) { CloseMRUList(accept); };
  UpdateEditReadOnly();
  RecreateMainButton();
  ApplyNativeAlignment();
  // The pointer shape follows the area under it (an arrow over the image).
  setMouseTracking(true);
  // An edit the editor's own key handling did not see (the context menu's paste, cut, undo)
  // asks for edit state too; when there is none the field's text comes back.
  connect(this, &QLineEdit::textEdited, this, [this] {
    if (!hasFocus_ || FieldLink->IsEditing()) return;
    const QString edited = EditText();
    const int caret = cursorPosition();
    if (readOnly_ || !FieldLink->BeginEdit()) {
      FieldLink->ReloadRecord();
      return;
    }
    // Entering edit state reloaded the field and cleared the mark: the edit goes back in.
    if (EditText() != edited) SetEditTextWithCaret(edited, caret);
    FieldLink->MarkModified();
    SetModified(true);
  });
  // A multi-line editor draws its caret and selection itself: every move repaints it.
  connect(this, &QLineEdit::cursorPositionChanged, this, [this](int from, int to) {
    if (!MultiLine()) return;
    // The caret never stays inside a line break: it goes on in the direction it moved.
    const int fixed = SkipInsideLineBreak(to);
    if (fixed != to) {
      const int pos = to < from ? to - 1 : fixed;
      if (hasSelectedText()) {
        const int anchor = SelectionAnchor();
        setSelection(anchor, pos - anchor);
      } else {
        setCursorPosition(pos);
      }
      return;
    }
    EnsureCaretLineVisible();
    update();
  });
  connect(this, &QLineEdit::selectionChanged, this, [this] {
    if (MultiLine()) update();
  });
  UpdateFixedHeight();
}

void TCustomDBEditEh::RecreateMainButton() {
  editButton_ = CreateMainButton();
  editButton_->ChangeHandler = [this](TEditButtonEh*) { ButtonChanged(); };
  LayoutButtons();
  UpdateButtonsState();
}

TCustomDBEditEh::~TCustomDBEditEh() {
  if (watchingPresses_) qApp->removeEventFilter(this);
  // The link first: its notifications must not reach a half-destroyed editor.
  if (FieldLink) {
    FieldLink->DataChangeHandler = nullptr;
    FieldLink->EditingChangeHandler = nullptr;
    FieldLink->UpdateDataHandler = nullptr;
    FieldLink->ActiveChangeHandler = nullptr;
    FieldLink->SetDataSource(nullptr);
  }
}

std::unique_ptr<TEditButtonEh> TCustomDBEditEh::CreateMainButton() { return std::make_unique<TEditButtonEh>(this); }

void TCustomDBEditEh::SetDataSource(TDataSource* source) {
  FieldLink->SetLinkDataSource(source);
  RefreshFromLink();
  update();
}

void TCustomDBEditEh::SetDataField(const QString& name) {
  DropFieldMaxLength();
  FieldLink->SetFieldName(name);
  UpdateButtonsState();
  update();
}

void TCustomDBEditEh::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  ReadOnlyChanged();
}

TAlignment TCustomDBEditEh::Alignment() const { return alignmentAssigned_ ? alignment_ : AlignmentByDefault(); }

void TCustomDBEditEh::SetAlignment(TAlignment value) {
  alignment_ = value;
  alignmentAssigned_ = true;
  update();
}

void TCustomDBEditEh::SetEditMaskExplicit(const QString& mask) {
  maskAssigned_ = true;
  SetEditMask(mask);
}

void TCustomDBEditEh::ApplyMaskQuietly(const QString& mask) { SetEditMask(mask); }

void TCustomDBEditEh::SetFlat(bool value) {
  if (value == flat_) return;
  flat_ = value;
  UpdateFixedHeight();
  LayoutButtons();
  update();
}

void TCustomDBEditEh::SetCtl3D(bool value) {
  if (value == ctl3D_) return;
  ctl3D_ = value;
  UpdateFixedHeight();
  update();
}

void TCustomDBEditEh::SetBorderStyle(TBorderStyle style) {
  setFrame(style == bsSingle);
  UpdateFixedHeight();
  ApplyTextRect();
  update();
}

void TCustomDBEditEh::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  UpdateFixedHeight();
}

// ---- height ----

int TCustomDBEditEh::FitHeight() const {
  int borders = ctl3D_ ? 8 : 6;
  if (flat_) borders -= 2;
  int textHeight = QFontMetrics(font()).height();
  const TCustomImageList* images = editImage_->Images();
  if (images && editImage_->UseImageHeight() && images->Height() > textHeight) textHeight = images->Height();
  return borders * GetSystemMetrics(SM_CYBORDER) + textHeight;
}

void TCustomDBEditEh::UpdateFixedHeight() {
  // A box that wraps its text onto several lines keeps the height it is given.
  const bool fixed = autoSize_ && hasFrame() && !MultiLine();
  const int fit = fixed ? FitHeight() : 0;
  if (fixed != fixedHeight_ || fit != fittedHeight_) {
    fixedHeight_ = fixed;
    fittedHeight_ = fit;
    // Layouts read the height from the size hints.
    updateGeometry();
  }
  // An editor placed by hand takes the fitted height at once.
  if (fixed && height() != fit) resize(width(), fit);
}

QSize TCustomDBEditEh::sizeHint() const {
  QSize size = TCustomMaskEdit::sizeHint();
  if (fixedHeight_) size.setHeight(FitHeight());
  return size;
}

QSize TCustomDBEditEh::minimumSizeHint() const {
  QSize size = TCustomMaskEdit::minimumSizeHint();
  if (fixedHeight_) size.setHeight(FitHeight());
  return size;
}

TAlignment TCustomDBEditEh::AlignmentByDefault() const {
  if (TField* f = Field()) return f->Alignment;
  return taLeftJustify;
}

QString TCustomDBEditEh::EditMaskByDefault() const {
  if (TField* f = Field()) return f->EditMask;
  return QString();
}

bool TCustomDBEditEh::AcceptsChar(QChar ch) const { return FieldIsValidChar(Field(), ch); }

bool TCustomDBEditEh::CanUseButtons() const { return isEnabled() && (IsDataIndependent() || FieldLink->Active()); }

void TCustomDBEditEh::LinkActiveChanged() {
  DropFieldMaxLength();
  UpdateButtonsState();
}

void TCustomDBEditEh::DropFieldMaxLength() {
  if (MaxLength() <= 0 || !DataSource() || !DataSource()->DataSet()) return;
  TField* f = DataSource()->DataSet()->FindField(DataField());
  if (f && f->DataType() == ftString && f->Size() == MaxLength()) SetMaxLength(0);
}

QString TCustomDBEditEh::ValueToText(const Variant& value) const {
  if (value.isNullOrEmpty() || value.isArray()) return QString();
  try {
    return value.toString();
  } catch (const Exception&) {
    return QString();
  }
}

void TCustomDBEditEh::LoadFromField() {
  TField* f = Field();
  if (f) {
    if (!maskAssigned_) ApplyMaskQuietly(f->EditMask);
    if (f->DataType() == ftString && MaxLength() == 0) SetMaxLength(f->Size());
    if (hasFocus_ && FieldLink->IsModifiable()) {
      ShowTextOnly(f->DataType() == ftMemo ? f->AsString() : f->Text());
    } else {
      SetEditText(f->DataType() == ftMemo ? f->AsString() : f->DisplayText());
    }
  } else if (IsDataIndependent()) {
    if (!maskAssigned_) ApplyMaskQuietly(QString());
    SetEditText(ValueToText(FieldLink->IndependentValue));
  } else {
    if (!maskAssigned_) ApplyMaskQuietly(QString());
    SetEditText(QString());
  }
  UpdateEditReadOnly();
  SetModified(false);
  // The bound field decides whether a right-to-left editor is laid out from the right.
  if (laidOutRightToLeft_ != UseRightToLeftAlignment()) LayoutButtons();
}

void TCustomDBEditEh::UpdateEditReadOnly() {
  bool ro = readOnly_;
  if (!ro && !FieldLink->IsEditing()) {
    const bool editState = OnUpdateData && FieldLink->DataSet() && FieldLink->DataSet()->State() == dsEdit;
    ro = !editState;
  }
  if (!ro && holderInterface_ && !holderInterface_->AllowEdit(this)) ro = true;
  setReadOnly(ro);
}

// ---- in-place mode ----

void TCustomDBEditEh::SetInplaceEditHolder(QWidget* holder) {
  IInplaceEditHolderEh* iface = nullptr;
  if (holder) {
    iface = dynamic_cast<IInplaceEditHolderEh*>(holder);
    if (!iface) throw EInvalidOperation(QStringLiteral("InplaceEditHolder have to support IInplaceEditHolderEh interface"));
  }
  holder_ = holder;
  holderInterface_ = iface;
  UpdateEditReadOnly();
}

void TCustomDBEditEh::SetEditorColor(TColor color) {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, ToQColor(color));
  setPalette(pal);
}

void TCustomDBEditEh::SetVisible(bool value) {
  if (holderInterface_ && !value) HideEditWindow();
  else QWidget::setVisible(value);
}

void TCustomDBEditEh::MoveEditor(const QRect& rect) {
  if (!holderInterface_) {
    setGeometry(rect);
    return;
  }
  if (rect.isEmpty()) {
    HideEditWindow();
    return;
  }
  // Open drop-downs close as on a cancel-mode notice from the holder.
  CloseMRUList(false);
  if (dropDownOpen_) CloseDropDown(false);
  setGeometry(rect);
  raise();
  show();
  if (holder_->hasFocus()) setFocus();
}

void TCustomDBEditEh::HideEditWindow() {
  if (!holderInterface_) {
    QWidget::setVisible(false);
    return;
  }
  if (!isVisible()) return;
  const bool focused = hasFocus();
  hide();
  setGeometry(0, 0, 0, 0);
  if (focused) holder_->setFocus();
}

void TCustomDBEditEh::SetFocusEh() {
  if (holderInterface_ && !isVisible()) return;
  setFocus();
}

void TCustomDBEditEh::Reset() {
  FieldLink->ReloadRecord();
  selectAll();
}

void TCustomDBEditEh::Clear() { SetText(QString()); }

void TCustomDBEditEh::Change() {
  FieldLink->MarkModified();
  SetModified(true);
  TCustomMaskEdit::Change();
  if (hasFocus_ && !inUpdateDataEvent_) {
    textChangedByUser_ = true;
    QTimer::singleShot(0, this, [this] {
      if (textChangedByUser_) {
        textChangedByUser_ = false;
        TypedTextChanged();
      }
    });
  }
}

void TCustomDBEditEh::PutValue(const Variant& value) { ShowTextOnly(ValueToText(value)); }

void TCustomDBEditEh::StoreText() {
  if (IsDataIndependent()) FieldLink->WriteText(EditText());
  else FieldLink->WriteText(TCustomMaskEdit::Text());
}

void TCustomDBEditEh::FireUpdateData() {
  bool handled = false;
  if (OnUpdateData) {
    inUpdateDataEvent_ = true;
    try {
      OnUpdateData(this, handled);
    } catch (...) {
      inUpdateDataEvent_ = false;
      throw;
    }
    inUpdateDataEvent_ = false;
  }
  if (!handled) StoreText();
}

void TCustomDBEditEh::CommitEdit() {
  if (hasFocus_) ValidateEdit();
  FireUpdateData();
  SetModified(false);
  if (mruList_->Active() && mruList_->AutoAdd && isVisible()) mruList_->Remember(TCustomMaskEdit::Text());
}

void TCustomDBEditEh::AssignValue(const Variant& value) {
  if (!IsDataIndependent() && DataSource() && DataSource()->DataSet()) DataSource()->DataSet()->Edit();
  PutValue(value);
  if (!inUpdateDataEvent_) {
    try {
      CommitEdit();
    } catch (...) {
      FieldLink->ReloadRecord();
      throw;
    }
  }
}

void TCustomDBEditEh::SetText(const QString& text) {
  if (!IsDataIndependent() && DataSource() && DataSource()->DataSet()) DataSource()->DataSet()->Edit();
  ShowTextOnly(text);
  if (!inUpdateDataEvent_) {
    try {
      CommitEdit();
    } catch (...) {
      FieldLink->ReloadRecord();
      throw;
    }
  }
}

void TCustomDBEditEh::SetFocusedState(bool focused) {
  if (focused == hasFocus_) return;
  hasFocus_ = focused;
  update();
  FieldLink->ReloadRecord();
}

void TCustomDBEditEh::DoEnter() {
  SetFocusedState(true);
  if (AutoSelect() && !(QApplication::mouseButtons() & Qt::LeftButton)) selectAll();
  // Chinese text comes through the input method: its composition must be able to start
  // before the dataset is in edit state, so a modifiable editor is writable from the start.
  if (FieldLink->IsModifiable() && TypesIntoText()) setReadOnly(readOnly_);
  if (OnEnter) OnEnter(this);
  UpdateBorderState();
}

void TCustomDBEditEh::DoExit() {
  if (inExit_) return;
  inExit_ = true;
  try {
    if (IsMasked()) ValidateEdit();
    if (OnExit) OnExit(this);
    FieldLink->UpdateRecordEh();
  } catch (...) {
    inExit_ = false;
    selectAll();
    if (isVisible()) setFocus();
    throw;
  }
  inExit_ = false;
  CloseMRUList(false);
  if (dropDownOpen_) CloseDropDown(false);
  SetFocusedState(false);
  // A masked editor leaves its caret two positions back (not before the first).
  if (IsMasked() && SelLength() == 0) setCursorPosition(qMax(0, cursorPosition() - 2));
  UpdateBorderState();
}

void TCustomDBEditEh::focusInEvent(QFocusEvent* event) {
  TCustomMaskEdit::focusInEvent(event);
  if (!hasFocus_) Guard([this] { DoEnter(); });
}

void TCustomDBEditEh::focusOutEvent(QFocusEvent* event) {
  TCustomMaskEdit::focusOutEvent(event);
  // A drop-down or the MRU list of this editor does not end the editing.
  QWidget* next = QApplication::focusWidget();
  if (next && (next == mruListBox_ || IsDropDownWidget(next))) return;
  if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
  if (hasFocus_) Guard([this] { DoExit(); });
  // Unfocused, a multi-line editor shows its text from the first line.
  topLine_ = 0;
  mouseAnchor_ = -1;
  update();
}

// Enter (without WantReturns) and Esc on an unmodified text belong to the dialog (its default
// and cancel buttons) unless a drop-down or the MRU list of the editor is open: the editor's
// key-down hook sees them and they pass on to the parent.
bool TCustomDBEditEh::IsListMovingChar(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.size() != 1 || (event->modifiers() & Qt::AltModifier)) return false;
  const ushort c = text[0].unicode();
  return c == vk::Prior || c == vk::Next || c == vk::Up || c == vk::Down;
}

void TCustomDBEditEh::keyPressEvent(QKeyEvent* event) {
  if (MultiLineKey(event)) return;
  // The characters that share their codes with the moving keys go to an open MRU list.
  if (mruList_->Shown && mruListBox_ && IsListMovingChar(event)) {
    mruListBox_->HandleKey(event);
    event->accept();
    return;
  }
  // With WantTabs the Tab key types a tab character instead of moving the focus.
  if (WantTabs && event->key() == Qt::Key_Tab && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    int key = vk::Tab;
    KeyDown(key, event->modifiers());
    event->accept();
    if (key == 0) return;
    QChar ch(9);
    KeyPress(ch);
    if (ch.unicode() == 9) TypeControlText(QStringLiteral("\t"));
    return;
  }
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const bool escape = event->key() == Qt::Key_Escape;
  const bool popupOpen = dropDownOpen_ || mruList_->Shown;
  // An editor embedded in a holder gets Enter and Escape as typed characters too (the holder
  // is no window with a default button).
  if (!popupOpen && !holderInterface_ && ((enter && !WantReturns && !(event->modifiers() & Qt::ControlModifier)) ||
                     (escape && !Modified() && !FieldLink->IsModified()))) {
    int key = enter ? vk::Return : vk::Escape;
    KeyDown(key, event->modifiers());
    if (key == 0) {
      event->accept();
      return;
    }
    event->ignore();
    return;
  }
  const QString text = event->text();
  const bool plainChar = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (plainChar && text.size() == 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate()) {
    TypeWholeChar(text);
    event->accept();
    return;
  }
  wholeKeyPress_ = text.size() == 1 ? text : QString();
  TCustomMaskEdit::keyPressEvent(event);
  wholeKeyPress_.clear();
}

void TCustomDBEditEh::TypeWholeChar(const QString& whole) {
  wholeKeyPress_ = whole;
  QChar key = whole[0];
  KeyPress(key);
  wholeKeyPress_.clear();
  if (key.unicode() == 0) return;
  if (whole.size() == 2 && key == whole[0]) TypeControlText(whole);
  else TypeChar(key);
}

void TCustomDBEditEh::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = event->commitString();
  const bool replaces = event->replacementLength() > 0;
  if ((commit.isEmpty() && !replaces) || readOnly_) {
    if (!commit.isEmpty() || replaces) event->setCommitString(QString());  // a read-only editor takes none
    TCustomMaskEdit::inputMethodEvent(event);
    return;
  }
  // Show the rest of the event (a new composition) without the committed text, then type it
  // over the range it replaces; a range replaced by nothing is deleted as Backspace deletes.
  const bool selected = BeginInputMethodCommit(*event);
  if (commit.isEmpty() && selected) TypeWholeChar(QString(QChar(8)));
  for (int i = 0; i < commit.size(); ++i) {
    const bool pair = commit[i].isHighSurrogate() && i + 1 < commit.size() && commit[i + 1].isLowSurrogate();
    TypeWholeChar(commit.mid(i, pair ? 2 : 1));
    if (pair) ++i;
  }
  event->accept();
}

void TCustomDBEditEh::KeyUp(int& key, Qt::KeyboardModifiers shift) {
  if (holderInterface_) holderInterface_->FilterKeyUp(this, key, shift);
  if (key == 0) return;
  TCustomMaskEdit::KeyUp(key, shift);
}

void TCustomDBEditEh::KeyDown(int& key, Qt::KeyboardModifiers shift) {
  if (holderInterface_) holderInterface_->FilterKeyDown(this, key, shift);
  if (key == 0) return;
  TCustomMaskEdit::KeyDown(key, shift);
  if (key == 0) return;
  // The MRU list takes the moving keys while it shows.
  if (mruList_->Shown && mruListBox_) {
    const bool alt = shift & Qt::AltModifier;
    const bool ctrl = shift & Qt::ControlModifier;
    if (!alt && (key == vk::Prior || key == vk::Next || key == vk::Up || key == vk::Down ||
                 ((key == vk::End || key == vk::Home) && ctrl))) {
      QKeyEvent e(QEvent::KeyPress, key == vk::Up ? Qt::Key_Up : key == vk::Down ? Qt::Key_Down
                                   : key == vk::Prior ? Qt::Key_PageUp : key == vk::Next ? Qt::Key_PageDown
                                   : key == vk::Home ? Qt::Key_Home : Qt::Key_End, Qt::NoModifier);
      mruListBox_->HandleKey(&e);
      key = 0;
      return;
    }
    if (key == vk::Return || key == vk::Escape) {
      CloseMRUList(key == vk::Return);
      key = 0;
      return;
    }
  }
  if (TEditButtonEh* b = ButtonForShortCut(ShortCutOf(key, shift))) {
    TEditButtonControlEh* control = nullptr;
    if (b == editButton_.get()) control = MainButtonControl();
    else
      for (int i = 0; i < editButtons_->Count(); ++i)
        if (editButtons_->Items(i) == b && i + 1 < static_cast<int>(buttonControls_.size()))
          control = buttonControls_[i + 1].control;
    if (control) {
      bool autoRepeat = false, handled = false;
      HandleButtonDown(control, false, autoRepeat, handled);
      HandleButtonClick(control);
    }
    key = 0;
    return;
  }
  if (key == 'A' && shift == Qt::ControlModifier) {
    selectAll();
    key = 0;
    return;
  }
  if ((key == vk::Delete || (key == vk::Insert && (shift & Qt::ShiftModifier))) && !readOnly_) FieldLink->BeginEdit();
}

void TCustomDBEditEh::KeyPress(QChar& key) {
  if (holderInterface_) holderInterface_->FilterKeyPress(this, key);
  if (key.unicode() == 0) return;
  TCustomMaskEdit::KeyPress(key);
  const ushort k = key.unicode();
  if (k == 0) return;
  if (!IsDataIndependent() && k > 31 && Field() && !AcceptsChar(key)) {
    QApplication::beep();
    key = QChar(0);
    return;
  }
  if ((k == 8 || k == 22 || k == 24 || k >= 32) && !readOnly_) FieldLink->BeginEdit();
  if (k == 27) {
    Reset();
    key = QChar(0);
    return;
  }
  if (k == 8 && mruList_->Active() && isVisible() && !dropDownOpen_ && TCustomMaskEdit::Text().isEmpty()) {
    mruList_->OpenList();
  }
  if ((k == 13 && !WantReturns) || (k == 9 && !WantTabs) || k == 10) key = QChar(0);
}

// ---- buttons ----

TEditButtonEh* TCustomDBEditEh::ButtonForShortCut(int shortCut) const {
  if (shortCut == 0) return nullptr;
  if (editButton_ && editButton_->Visible() && editButton_->ShortCut() == shortCut) return editButton_.get();
  for (int i = 0; i < editButtons_->Count(); ++i)
    if (editButtons_->Items(i)->Visible() && editButtons_->Items(i)->ShortCut() == shortCut) return editButtons_->Items(i);
  return nullptr;
}

void TCustomDBEditEh::ButtonChanged() {
  LayoutButtons();
  UpdateButtonsState();
  ApplyTextRect();
  update();
}

void TCustomDBEditEh::ConfigureButtonControl(int index, TEditButtonEh* button, int& height) {
  ButtonEntry& entry = buttonControls_[index];
  TEditButtonControlEh* c = entry.control;
  c->setVisible(button->Visible());
  c->SetStyle(button->Style());
  c->SetGlyph(button->Glyph(), button->NumGlyphs());
  c->setToolTip(button->Hint());
  c->SetFlat(flat_);
  int width = 0;
  if (button->Visible()) {
    if (button->Width() > 0) width = button->Width();
    else if (flat_) width = FlatDefaultWidth();
    else width = GetSystemMetrics(SM_CXVSCROLL);
  }
  int h = 0;
  const int areaHeight = this->height();
  if (button->Visible()) {
    h = areaHeight;
    if (areaHeight > qRound(1.5 * width)) h = ButtonHeightForWidth(width, flat_);
    height = height < 0 ? h : qMin(height, h);
  }
  c->resize(width, h);
  entry.separator->resize(flat_ && button->Visible() ? 1 : 0, areaHeight);
  entry.separator->setVisible(flat_ && button->Visible());
  c->Tag = index;
  c->DownHandler = [this](QObject* sender, bool top, bool& autoRepeat, bool& handled) {
    HandleButtonDown(static_cast<TEditButtonControlEh*>(sender), top, autoRepeat, handled);
  };
  c->OnClick = [this](TEditButtonControlEh* sender) { Guard([&] { HandleButtonClick(sender); }); };
  c->OnMouseMoveHandler = [this](TEditButtonControlEh* sender, QMouseEvent* e) { HandleButtonMove(sender, e); };
  c->OnMouseUpHandler = [this](TEditButtonControlEh* sender, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
    HandleButtonUp(sender, b, x, y);
  };
}

void TCustomDBEditEh::LayoutButtons() {
  if (!editButton_) return;
  const int wanted = editButtons_->Count() + 1;
  while (static_cast<int>(buttonControls_.size()) > wanted) {
    delete buttonControls_.back().control;
    delete buttonControls_.back().separator;
    buttonControls_.pop_back();
  }
  while (static_cast<int>(buttonControls_.size()) < wanted) {
    ButtonEntry e;
    e.control = new TEditButtonControlEh(this);
    e.control->setCursor(Qt::ArrowCursor);
    e.separator = new QWidget(this);
    e.separator->setAutoFillBackground(true);
    buttonControls_.push_back(e);
  }
  const bool single = !flat_;
  const int top = single ? 0 : 0;
  int common = -1;
  ConfigureButtonControl(0, editButton_.get(), common);
  for (int i = 0; i < editButtons_->Count(); ++i) ConfigureButtonControl(i + 1, editButtons_->Items(i), common);
  if (common < 0) common = height();
  // From the right edge leftwards (from the left edge rightwards in a right-to-left editor):
  // the last additional button at the edge, the main button next to the text, each with its
  // separator on the text's side.
  const bool rtl = UseRightToLeftAlignment();
  laidOutRightToLeft_ = rtl;
  int used = 0;
  for (int i = wanted - 1; i >= 0; --i) {
    ButtonEntry& e = buttonControls_[i];
    const int w = e.control->isVisibleTo(this) ? e.control->width() : 0;
    const int sw = e.separator->width();
    if (rtl) {
      e.control->setGeometry(used, top, w, common);
      e.separator->setGeometry(used + w, top, sw, height());
    } else {
      e.control->setGeometry(width() - used - w, top, w, common);
      e.separator->setGeometry(width() - used - w - sw, top, sw, height());
    }
    used += w + sw;
  }
  buttonAreaWidth_ = used;
  ApplyTextRect();
}

void TCustomDBEditEh::UpdateButtonsState() {
  const bool usable = CanUseButtons();
  for (ButtonEntry& e : buttonControls_) {
    e.control->setEnabled(usable);
    e.control->SetActive(borderLit_);
    QPalette pal = e.separator->palette();
    pal.setColor(QPalette::Window, ToQColor(borderLit_ ? clBtnFace : FromQColor(palette().color(QPalette::Base))));
    e.separator->setPalette(pal);
  }
}

QRect TCustomDBEditEh::TextAreaRect() const {
  QRect r = rect();
  const bool rtl = UseRightToLeftAlignment();
  r.setRight(r.right() - (rtl ? ImageAreaWidth() : buttonAreaWidth_));
  r.setLeft(r.left() + (rtl ? buttonAreaWidth_ : ImageAreaWidth()));
  return r;
}

void TCustomDBEditEh::ApplyTextRect() {
  const QRect area = TextAreaRect();
  setTextMargins(area.left(), 0, width() - 1 - area.right(), 0);
  ApplyNativeAlignment();
  if (MultiLine()) EnsureCaretLineVisible();
}

// ---- image and password character ----

void TEditImageEh::Changed() {
  if (editor_) editor_->EditImageChanged();
}
void TEditImageEh::SetImages(TCustomImageList* images) { images_ = images; Changed(); }
void TEditImageEh::SetImageIndex(int index) { imageIndex_ = index; Changed(); }
void TEditImageEh::SetUseImageHeight(bool on) { useImageHeight_ = on; Changed(); }
void TEditImageEh::SetVisible(bool on) { visible_ = on; Changed(); }
void TEditImageEh::SetWidth(int w) { width_ = w; Changed(); }
void TEditImageEh::Assign(const TEditImageEh& src) {
  images_ = src.images_;
  imageIndex_ = src.imageIndex_;
  visible_ = src.visible_;
  width_ = src.width_;
  Changed();
}

void TCustomDBEditEh::SetImages(TCustomImageList* images) {
  editImage_->SetImages(images);
  editImage_->SetVisible(true);
}

int TCustomDBEditEh::ImageAreaWidth() const {
  const TEditImageEh* im = editImage_.get();
  if (!im || !im->Visible() || !im->Images()) return 0;
  return (im->Width() > 0 ? im->Width() : im->Images()->Width()) + 4;
}

int TCustomDBEditEh::ImageIndexByDefault() const { return editImage_->ImageIndex(); }

int TCustomDBEditEh::ShownImageIndex() const {
  int index = ImageIndexByDefault();
  const Variant v = Value();
  if (v.isNumeric()) {
    // Halves go to the even neighbour.
    const double d = std::nearbyint(v.toDouble());
    if (std::abs(d) < 2147483647.0) index = int(d);
  }
  if (OnGetImageIndex) OnGetImageIndex(const_cast<TCustomDBEditEh*>(this), index);
  return index;
}

void TCustomDBEditEh::EditImageChanged() {
  UpdateFixedHeight();
  ApplyTextRect();
  update();
}

void TCustomDBEditEh::SetPasswordChar(QChar ch) {
  passwordChar_ = ch;
  if (ch.isNull()) {
    setEchoMode(QLineEdit::Normal);
    setStyleSheet(QString());
  } else {
    setEchoMode(QLineEdit::Password);
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: %1; }").arg(ch.unicode()));
  }
  UpdateFixedHeight();
  update();
}

void TCustomDBEditEh::UpdateBorderState() {
  const bool lit = hasFocus_ || mouseInside_ || AlwaysShowBorder;
  if (lit == borderLit_) return;
  borderLit_ = lit;
  UpdateButtonsState();
  update();
}

void TCustomDBEditEh::PostDropDownClosed(int tag) {
  pendingClosedTag_ = tag;
  // Delivered without effect when no press takes it first.
  QTimer::singleShot(0, this, [this, tag] {
    if (pendingClosedTag_ == tag) pendingClosedTag_ = -1;
  });
}

// Shows a button's menu below it; once it closes, the press that closed it is kept from
// pressing the button again and the button rises.
void TCustomDBEditEh::PopupButtonMenu(TEditButtonControlEh* control, QMenu* menu) {
  menu->exec(DropdownMenuPosition(control, menu));
  PostDropDownClosed(control->Tag);
  control->CancelMode();
}

void TCustomDBEditEh::HandleButtonDown(TEditButtonControlEh* sender, bool topButton, bool& autoRepeat, bool& handled) {
  if (focusPolicy() != Qt::NoFocus && isVisible()) setFocus();
  handled = false;
  if (pendingClosedTag_ == sender->Tag) {
    pendingClosedTag_ = -1;
    return;
  }
  Guard([&] {
    if (sender->Tag == 0) {
      if (OnButtonDown) OnButtonDown(sender, topButton, autoRepeat, handled);
      if (handled) return;
      if (QMenu* menu = editButton_->DropdownMenu()) {
        PopupButtonMenu(sender, menu);
        return;
      }
      MainButtonDown(!topButton);
    } else {
      TEditButtonEh* b = editButtons_->Items(sender->Tag - 1);
      if (b->OnDown) b->OnDown(sender, topButton, autoRepeat, handled);
      if (handled) return;
      if (QMenu* menu = b->DropdownMenu()) PopupButtonMenu(sender, menu);
    }
  });
}

void TCustomDBEditEh::HandleButtonClick(TEditButtonControlEh* sender) {
  bool handled = false;
  if (sender->Tag == 0) {
    if (OnButtonClick) OnButtonClick(sender, handled);
  } else {
    TEditButtonEh* b = editButtons_->Items(sender->Tag - 1);
    if (b->OnClick) b->OnClick(sender, handled);
  }
  if (!handled && dropDownOpen_ && !keepDropDownOnClick_ && sender->Tag == 0) CloseDropDown(false);
  keepDropDownOnClick_ = false;
}

void TCustomDBEditEh::HandleButtonUp(TEditButtonControlEh* sender, Qt::MouseButton, int x, int y) {
  if (x < 0 || x >= sender->width() || y < 0 || y > sender->height()) keepDropDownOnClick_ = false;
}

void TCustomDBEditEh::MainButtonDown(bool) {
  if (editButton_->Style() == ebsUpDownEh || dropDownOpen_) return;
  OpenDropDown();
  keepDropDownOnClick_ = true;
}

void TCustomDBEditEh::OpenDropDown() {
  if (TEditButtonControlEh* c = MainButtonControl()) c->SetStaysDown(true);
  CloseMRUList(false);
  WatchOutsidePresses();
}

void TCustomDBEditEh::WatchOutsidePresses() {
  if (watchingPresses_) return;
  qApp->installEventFilter(this);
  watchingPresses_ = true;
}

bool TCustomDBEditEh::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
    if (!dropDownOpen_ && !mruList_->Shown) {
      // Nothing open any more: stop watching.
      qApp->removeEventFilter(this);
      watchingPresses_ = false;
      return TCustomMaskEdit::eventFilter(watched, event);
    }
    QWidget* w = qobject_cast<QWidget*>(watched);
    const bool inside = w && (w == this || isAncestorOf(w) || IsDropDownWidget(w) ||
                              (mruListBox_ && (w == mruListBox_ || mruListBox_->isAncestorOf(w))));
    if (w && !inside) {
      Guard([this] {
        CloseMRUList(false);
        if (dropDownOpen_) CloseDropDown(false);
      });
    }
  }
  return TCustomMaskEdit::eventFilter(watched, event);
}

void TCustomDBEditEh::CloseDropDownBase(bool) {
  if (TEditButtonControlEh* c = MainButtonControl()) c->SetStaysDown(false);
}

void TCustomDBEditEh::CloseDropDown(bool accept) { CloseDropDownBase(accept); }

// ---- MRU ----

bool TCustomDBEditEh::MRUItemMatches(const QString& item) const {
  const QString text = TCustomMaskEdit::Text();
  const Qt::CaseSensitivity cs = mruList_->CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
  return QStringView(item).left(text.size()).compare(text, cs) == 0;
}

void TCustomDBEditEh::TypedTextChanged() {
  const QString emptyText = IsMasked() ? MaskEditTextToText(MaskInfo(), MaskBlankEditText(MaskInfo())) : QString();
  const QString text = TCustomMaskEdit::Text();
  if (mruList_->Shown && text == emptyText) {
    CloseMRUList(false);
  } else if (mruList_->Active() && isVisible() && !dropDownOpen_ && text != emptyText && hasFocus_) {
    mruList_->OpenList();
  }
}

void TCustomDBEditEh::ShowMRUList() {
  if (!mruListBox_) {
    mruListBox_ = new TMRUListboxEh(this);
    mruListBox_->OnMouseUp = [this](TPopupListboxEh* list, Qt::MouseButton b, QPoint p) {
      if (b == Qt::LeftButton) CloseMRUList(list->rect().contains(p));
    };
    mruListBox_->Grip()->OnOwnerSized = [this](TSizeGripEh*) { KeepMRUListSize(); };
  }
  if (!mruList_->CollectMatches(mruMatches_, TCustomMaskEdit::Text())) {
    CloseMRUList(false);
    return;
  }
  mruListBox_->Items() = mruMatches_;
  mruListBox_->ItemsChanged();
  const QRect area = TextAreaRect();
  const QRect anchor(mapToGlobal(area.topLeft()), area.size());
  if (mruList_->Shown) {
    if (mruMatches_.isEmpty()) {
      CloseMRUList(false);
      return;
    }
    mruListBox_->ShowRows(qMin(static_cast<int>(mruMatches_.size()), mruList_->Rows));
    const bool resized = mruListBox_->UserResized;
    mruListBox_->move(PlaceDropDownAtRect(anchor, mruListBox_, daLeft));
    mruListBox_->UserResized = resized;
    return;
  }
  if (mruMatches_.isEmpty()) return;
  mruListBox_->setFont(font());
  mruListBox_->SetItemHeight(mruListBox_->FontTextHeight());
  mruListBox_->SetItemIndex(-1);
  mruListBox_->resize(anchor.width(), mruListBox_->height());
  mruListBox_->ShowRows(qMin(static_cast<int>(mruMatches_.size()), mruList_->Rows));
  mruListBox_->move(PlaceDropDownAtRect(anchor, mruListBox_, daLeft));
  mruListBox_->show();
  mruList_->Shown = true;
  WatchOutsidePresses();
  mruListBox_->UserResized = false;
}

void TCustomDBEditEh::CloseMRUList(bool accept) {
  if (!mruList_->Shown || !mruListBox_) return;
  mruListBox_->hide();
  mruList_->Shown = false;
  if (accept && !readOnly_ && FieldLink->BeginEdit()) {
    const int i = mruListBox_->ItemIndex();
    if (i >= 0) ShowTextOnly(mruMatches_.value(i));
    if (hasFocus_) selectAll();
  }
}

void TCustomDBEditEh::KeepMRUListSize() {
  if (!mruList_->Shown || !mruListBox_) return;
  mruList_->Rows = mruListBox_->VisibleRows();
  mruList_->DropWidth = mruListBox_->width();
}

// ---- painting and window notices ----

bool TCustomDBEditEh::RequiredStateDrawn() {
  bool draw;
  if (IsDataIndependent()) {
    draw = HighlightRequired && (Value().isNullOrEmpty() || TCustomMaskEdit::Text().isEmpty());
  } else {
    TField* f = Field();
    TDataSet* ds = FieldLink->DataSet();
    draw = HighlightRequired && FieldLink->Active() && ds && (ds->State() == dsEdit || ds->State() == dsInsert) && f &&
           f->Required && f->IsNull();
  }
  if (OnCheckDrawRequiredState) OnCheckDrawRequiredState(this, draw);
  return draw;
}

void TCustomDBEditEh::paintEvent(QPaintEvent* event) {
  const TAlignment a = EffectiveAlignment();
  const TAlignment native = UseRightToLeftAlignment() ? taRightJustify : taLeftJustify;
  if (wordWrap_ && (MultiLine() || !hasFocus_)) {
    QPainter p(this);
    PaintWrappedText(p);
  } else if (a == native || hasFocus_) {
    TCustomMaskEdit::paintEvent(event);
  } else {
    // Right or centred text is drawn by the editor while it is not focused.
    QPainter p(this);
    const QString text = PaintFrameAndShownText(p);
    const QRect r = TextAreaRect().adjusted(3, 0, -3, 0);
    p.setClipRect(r);
    const Qt::Alignment h = a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
    p.drawText(r, h | Qt::AlignAbsolute | Qt::AlignVCenter, text);
  }
  if (ImageAreaWidth() > 0) {
    // The image, centred in its area at the left (at the right in a right-to-left editor).
    QPainter p(this);
    const QRect image = ImageRect();
    const QRect area = image.adjusted(2, 1, -2, -1);
    p.fillRect(image.adjusted(1, 1, -1, -1), palette().color(QPalette::Base));
    DrawImageClipped(&p, editImage_->Images(), 2, 0, ShownImageIndex(), area);
  }
  if (!ctl3D_ && hasFrame()) {
    // Without the three-dimensional look the border is one line of the window frame colour.
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.setPen(ToQColor(clWindowFrame));
    p.drawRect(r);
    p.setPen(palette().color(QPalette::Base));
    p.drawRect(r.adjusted(1, 1, -1, -1));
  } else if (flat_) {
    // Flat border: lit, a sunken outer edge; unlit, a ring of the button face; one pixel
    // inside, another ring of the button face.
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    if (borderLit_) {
      p.setPen(ToQColor(clBtnShadow));
      p.drawLine(r.topLeft(), r.topRight());
      p.drawLine(r.topLeft(), r.bottomLeft());
      p.setPen(ToQColor(clBtnHighlight));
      p.drawLine(r.bottomLeft(), r.bottomRight());
      p.drawLine(r.topRight(), r.bottomRight());
    } else {
      p.setPen(ToQColor(clBtnFace));
      p.drawRect(r);
    }
    p.setPen(ToQColor(clBtnFace));
    p.drawRect(r.adjusted(1, 1, -1, -1));
  }
  if (RequiredStateDrawn()) {
    QPainter p(this);
    QPen pen(ToQColor(clRed));
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    const QRect area = TextAreaRect();
    p.drawLine(area.left() + 2, height() - 1, area.right() - 2, height() - 1);
  }
}

void TCustomDBEditEh::resizeEvent(QResizeEvent* event) {
  TCustomMaskEdit::resizeEvent(event);
  LayoutButtons();
}

void TCustomDBEditEh::enterEvent(QEnterEvent* event) {
  mouseInside_ = true;
  UpdateBorderState();
  TCustomMaskEdit::enterEvent(event);
}

void TCustomDBEditEh::leaveEvent(QEvent* event) {
  mouseInside_ = false;
  UpdateBorderState();
  TCustomMaskEdit::leaveEvent(event);
}

bool TCustomDBEditEh::event(QEvent* event) {
  if (holderInterface_ && holderInterface_->FilterMessage(this, event)) return true;
  if (event->type() == QEvent::KeyPress && WantTabs) {
    // Before the focus chain would take it.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      keyPressEvent(key);
      return true;
    }
  }
  if (event->type() == QEvent::ToolTip) {
    if (Tooltips && TextOverflows()) {
      // The full text at the editor's bottom-left corner, in the editor's font.
      QToolTip::setFont(font());
      QToolTip::showText(mapToGlobal(QPoint(0, height())), TCustomMaskEdit::Text(), this);
    } else if (ShowHint && !Hint.isEmpty()) {
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), Hint, this);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return TCustomMaskEdit::event(event);
}

bool TCustomDBEditEh::TextOverflows() const {
  const QRect area = TextAreaRect();
  const QFontMetrics fm(font());
  if (wordWrap_) {
    // Measured as the lines are laid out in the text area, line breaks included.
    const auto layout = WrapLayout();
    qreal widest = 0;
    for (int i = 0; i < layout->lineCount(); ++i) widest = qMax(widest, layout->lineAt(i).naturalTextWidth());
    return widest > qMax(1, area.width()) - 2 || layout->boundingRect().height() > area.height();
  }
  return fm.horizontalAdvance(TCustomMaskEdit::Text()) > qMax(1, area.width()) - 2 || fm.height() > area.height();
}

void TCustomDBEditEh::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) UpdateButtonsState();
  if (event->type() == QEvent::LayoutDirectionChange) {
    LayoutButtons();
    update();
  }
  if (event->type() == QEvent::FontChange) {
    // A fixed height follows the new font; the text area is laid out again.
    if (fixedHeight_) UpdateFixedHeight();
    ApplyTextRect();
  }
  TCustomMaskEdit::changeEvent(event);
}
