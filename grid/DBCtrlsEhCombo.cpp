#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "grid/DBCtrlsEh.h"
#include "grid/ImgListEh.h"
#include "platform/exception.h"
#include "platform/ui.h"

TCustomDBComboBoxEh::TCustomDBComboBoxEh(QWidget* parent) : TCustomDBEditEh(parent) {
  DropDownBox.Rows = 7;
  RecreateMainButton();
  UpdateKeyMode();
}

std::unique_ptr<TEditButtonEh> TCustomDBComboBoxEh::CreateMainButton() {
  auto b = std::make_unique<TVisibleEditButtonEh>(this);
  b->SetStyle(ebsDropDownEh);
  return b;
}

void TCustomDBComboBoxEh::SetItems(const QStringList& items) {
  items_ = items;
  ItemsEdited();
}

void TCustomDBComboBoxEh::SetKeyItems(const QStringList& items) {
  keyItems_ = items;
  KeyItemsEdited();
}

void TCustomDBComboBoxEh::UpdateKeyMode() {
  usableItems_ = items_.size();
  keyMode_ = !keyItems_.isEmpty();
  if (keyMode_) {
    usableItems_ = qMin(items_.size(), keyItems_.size());
    SetEditText(QString());
  }
  UpdateEditReadOnly();
}

void TCustomDBComboBoxEh::ItemsEdited() {
  UpdateKeyMode();
  SyncChosenIndex();
  DropFieldMaxLength();
  if (listWindow_) listWindow_->ItemsChanged();
}

void TCustomDBComboBoxEh::KeyItemsEdited() {
  UpdateKeyMode();
  SyncChosenIndex();
  DropFieldMaxLength();
  LoadFromField();
}

static int IndexOfText(const QStringList& list, const QString& text, Qt::CaseSensitivity cs) {
  for (int i = 0; i < list.size(); ++i)
    if (QString::compare(list[i], text, cs) == 0) return i;
  return -1;
}

void TCustomDBComboBoxEh::SyncChosenIndex() {
  chosenIndex_ = IndexOfText(items_, EditText(), Qt::CaseInsensitive);
  if (listOpen_ && listWindow_) listWindow_->SetItemIndex(chosenIndex_);
}

int TCustomDBComboBoxEh::ItemImageIndex() const {
  int index = chosenIndex_;
  if (OnGetItemImageIndex) OnGetItemImageIndex(const_cast<TCustomDBComboBoxEh*>(this), chosenIndex_, index);
  return index;
}

void TCustomDBComboBoxEh::EnsureItems() {
  if (items_.isEmpty() && OnItemsRequest) OnItemsRequest(this);
}

void TCustomDBComboBoxEh::ChooseItem(int index) {
  if (index == chosenIndex_) return;
  EnsureItems();
  if (index < 0 || index >= usableItems_) {
    chosenIndex_ = -1;
    keyValue_ = Variant::null();
  } else {
    chosenIndex_ = index;
    if (keyMode_) keyValue_ = Variant(keyItems_[index]);
  }
  if (listOpen_ && listWindow_) listWindow_->SetItemIndex(chosenIndex_);
  TCustomDBEditEh::ShowTextOnly(chosenIndex_ < 0 ? QString() : items_[chosenIndex_]);
}

void TCustomDBComboBoxEh::SetChosenIndex(int index) {
  if (!IsDataIndependent() && DataSource() && DataSource()->DataSet()) DataSource()->DataSet()->Edit();
  ChooseItem(index);
  try {
    CommitEdit();
  } catch (...) {
    FieldLink->ReloadRecord();
    throw;
  }
}

void TCustomDBComboBoxEh::Clear() {
  if (keyMode_) SetValue(Variant::null());
  else TCustomDBEditEh::Clear();
}

TAlignment TCustomDBComboBoxEh::AlignmentByDefault() const {
  return keyMode_ ? taLeftJustify : TCustomDBEditEh::AlignmentByDefault();
}

Variant TCustomDBComboBoxEh::ValueOfEditor() const {
  return keyMode_ ? keyValue_ : TCustomDBEditEh::ValueOfEditor();
}

bool TCustomDBComboBoxEh::AcceptsChar(QChar ch) const { return keyMode_ || TCustomDBEditEh::AcceptsChar(ch); }

void TCustomDBComboBoxEh::DropFieldMaxLength() {
  if (MaxLength() > 0 && keyMode_) SetMaxLength(0);
  else TCustomDBEditEh::DropFieldMaxLength();
}

void TCustomDBComboBoxEh::UpdateEditReadOnly() {
  setReadOnly(!FieldLink->IsEditing() || ReadOnly() || keyMode_);
}

void TCustomDBComboBoxEh::ShowTextOnly(const QString& text) {
  if (keyMode_) {
    const int i = IndexOfText(items_, text, Qt::CaseInsensitive);
    if (i >= 0 && i < usableItems_) {
      chosenIndex_ = i;
      keyValue_ = Variant(keyItems_[i]);
      if (listOpen_ && listWindow_) listWindow_->SetItemIndex(i);
      TCustomDBEditEh::ShowTextOnly(text);
    }
    return;
  }
  TCustomDBEditEh::ShowTextOnly(text);
  SyncChosenIndex();
}

void TCustomDBComboBoxEh::PutValue(const Variant& value) {
  if (keyMode_) {
    keyValue_ = value;
    if (!value.isNullOrEmpty()) {
      chosenIndex_ = IndexOfText(keyItems_, value.toString(), Qt::CaseSensitive);
      if (chosenIndex_ >= usableItems_) chosenIndex_ = -1;
      TCustomDBEditEh::ShowTextOnly(chosenIndex_ >= 0 ? items_[chosenIndex_] : QString());
    } else {
      TCustomDBEditEh::ShowTextOnly(QString());
      chosenIndex_ = -1;
    }
    if (listOpen_ && listWindow_) listWindow_->SetItemIndex(chosenIndex_);
    return;
  }
  TCustomDBEditEh::PutValue(value);
  SyncChosenIndex();
}

void TCustomDBComboBoxEh::LoadFromField() {
  if (TField* f = Field()) {
    if (f->DataType() == ftString && MaxLength() == 0 && !keyMode_) SetMaxLength(f->Size());
    if ((hasFocus_ && FieldLink->IsModifiable()) || keyMode_) {
      const QString text = f->Text();
      PutValue(keyMode_ && (f->IsNull() || text.isEmpty()) ? Variant::null() : Variant(text));
    } else {
      SetEditText(f->DisplayText());
      SyncChosenIndex();
    }
  } else if (IsDataIndependent()) {
    if (keyMode_) PutValue(FieldLink->IndependentValue);
    else {
      SetEditText(ValueToText(FieldLink->IndependentValue));
      SyncChosenIndex();
    }
  } else {
    SetEditText(QString());
    chosenIndex_ = -1;
  }
  UpdateEditReadOnly();
  SetModified(false);
}

void TCustomDBComboBoxEh::StoreText() {
  // No chosen key clears the field instead of writing an empty key text.
  if (keyMode_ && keyValue_.isNullOrEmpty()) FieldLink->StoreVariant(Variant::null());
  else if (!IsDataIndependent() || keyMode_) FieldLink->WriteText(ValueToText(Value()));
  else FieldLink->WriteText(EditText());
}

void TCustomDBComboBoxEh::CommitEdit() {
  if (OnNotInList && chosenIndex_ == -1) {
    bool recheck = false;
    OnNotInList(this, EditText(), recheck);
  }
  TCustomDBEditEh::CommitEdit();
}

bool TCustomDBComboBoxEh::MayModify() const {
  return !ReadOnly() && (IsDataIndependent() ? true : FieldLink->IsModifiable()) && FieldLink->BeginEdit();
}

bool TCustomDBComboBoxEh::FindItemText(const QString& text, bool partial) {
  if (!MayModify()) return false;
  const int before = chosenIndex_;
  try {
    int found = -1;
    for (int i = 0; i < usableItems_; ++i) {
      const QString& item = items_[i];
      const bool match = partial ? QStringView(item).left(text.size()).compare(text, Qt::CaseInsensitive) == 0 &&
                                       item.size() >= text.size()
                                 : QString::compare(item, text, Qt::CaseInsensitive) == 0;
      if (match) {
        found = i;
        break;
      }
    }
    if (found < 0) {
      // In text mode the typed text stays; it only no longer names an item.
      if (!keyMode_) {
        chosenIndex_ = -1;
        keyValue_ = Variant::null();
        if (listOpen_ && listWindow_) listWindow_->SetItemIndex(-1);
      }
      return chosenIndex_ != before;
    }
    chosenIndex_ = -2;  // forces the item to be shown again even when it is the same
    ChooseItem(found);
    const int n = EditText().size();
    if (text.size() < n) setSelection(n, -(n - static_cast<int>(text.size())));
    else setCursorPosition(n);
    return chosenIndex_ != before;
  } catch (const Exception&) {
    chosenIndex_ = -2;
    ChooseItem(before);
    return false;
  }
}

bool TCustomDBComboBoxEh::TypeIntoList(const QString& text) {
  if ((!Field() && !IsDataIndependent()) || !MayModify()) return false;
  if (text == QString(QChar(8))) {
    const int n = EditText().size();
    if (SelLength() == n && n > 0) {
      setSelection(n, -1);
    } else {
      setSelection(n, -(SelLength() + 1));
    }
    return false;
  }
  EnsureItems();
  const QString before = EditText().left(SelStart());
  return FindItemText(before + text, true);
}

void TCustomDBComboBoxEh::StepItem(bool up) {
  if (!MayModify()) return;
  int index = chosenIndex_;
  if (up) {
    if (index > 0) index -= 1;
    else if (index < 0) index = usableItems_ - 1;
  } else if (index < usableItems_ - 1) {
    index += 1;
  }
  if (index != chosenIndex_) {
    ChooseItem(index);
    selectAll();
  }
}

void TCustomDBComboBoxEh::MainButtonDown(bool down) {
  if (EditButton()->Style() == ebsUpDownEh) {
    StepItem(!down);
    return;
  }
  TCustomDBEditEh::MainButtonDown(down);
}

void TCustomDBComboBoxEh::ListWindowNeeded() {
  if (listWindow_) return;
  listWindow_ = new TPopupListboxEh(this);
  listWindow_->SetSharedItems(&items_);
  listWindow_->OnItemImage = [this](QObject*, int item, int& image) {
    if (OnGetItemImageIndex) OnGetItemImageIndex(this, item, image);
  };
  listWindow_->OnMouseUp = [this](TPopupListboxEh* list, Qt::MouseButton b, QPoint p) {
    if (b == Qt::LeftButton) Guard([&] { CloseDropDown(list->rect().contains(p)); });
  };
}

bool TCustomDBComboBoxEh::IsDropDownWidget(QWidget* widget) const {
  return listWindow_ && (widget == listWindow_ || listWindow_->isAncestorOf(widget));
}

void TCustomDBComboBoxEh::OpenDropDown() {
  if (listOpen_) return;
  TCustomDBEditEh::OpenDropDown();
  if (OnDropDown) OnDropDown(this);
  ListWindowNeeded();
  EnsureItems();
  listWindow_->setFont(font());
  // The editor's images go with the list; rows are raised to the image height when asked.
  TCustomImageList* images = EditImage()->Visible() ? Images() : nullptr;
  listWindow_->SetItemImages(images);
  int rowHeight = listWindow_->FontTextHeight();
  if (images && EditImage()->UseImageHeight() && rowHeight <= images->Height()) rowHeight = images->Height();
  listWindow_->SetItemHeight(rowHeight);
  listWindow_->ItemsChanged();
  listWindow_->SetItemIndex(chosenIndex_);
  int width;
  if (DropDownBox.Width == -1) {
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& s : items_) widest = qMax(widest, fm.horizontalAdvance(s));
    width = widest + 5 + 2 * listWindow_->frameWidth() + (images ? images->Width() + 4 : 0);
  } else if (DropDownBox.Width < 1) {
    width = this->width();
  } else {
    width = DropDownBox.Width;
  }
  width = qMax(width, this->width());
  listWindow_->resize(width, listWindow_->height());
  listWindow_->ShowRows(qMax(1, qMin(DropDownBox.Rows, static_cast<int>(items_.size()))));
  // A right-to-left editor opens its list from its right edge (left and right swap).
  TDropDownAlign align = DropDownBox.Align;
  if (UseRightToLeftAlignment() && align != daCenter) align = align == daLeft ? daRight : daLeft;
  listWindow_->setLayoutDirection(UseRightToLeftReading() ? Qt::RightToLeft : Qt::LeftToRight);
  listWindow_->move(PlaceDropDown(this, listWindow_, align));
  listWindow_->Grip()->setVisible(DropDownBox.Sizable);
  listWindow_->show();
  listOpen_ = true;
  dropDownOpen_ = true;
  listWindow_->UserResized = false;
}

void TCustomDBComboBoxEh::CloseDropDown(bool accept) {
  if (!listOpen_) return;
  listWindow_->hide();
  if (listWindow_->UserResized) {
    DropDownBox.Rows = listWindow_->VisibleRows();
    DropDownBox.Width = listWindow_->width();
  }
  listOpen_ = false;
  CloseDropDownBase(accept);
  dropDownOpen_ = false;
  if (accept && !ReadOnly() && FieldLink->BeginEdit()) {
    ChooseItem(listWindow_->ItemIndex());
    if (hasFocus_) selectAll();
  }
  if (OnCloseUp) OnCloseUp(this, accept);
}

void TCustomDBComboBoxEh::keyPressEvent(QKeyEvent* event) {
  // The characters that share their codes with the moving keys go to the open list as well.
  if (listOpen_ && IsListMovingChar(event)) {
    listWindow_->HandleKey(event);
    event->accept();
    return;
  }
  if (listOpen_) {
    const int key = VirtualKeyOf(event->key());
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if ((key == vk::Prior || key == vk::Next || key == vk::Up || key == vk::Down ||
         ((key == vk::End || key == vk::Home) && ctrl)) &&
        !ButtonForShortCut(ShortCutOf(key, event->modifiers()))) {
      listWindow_->HandleKey(event);
      event->accept();
      return;
    }
  }
  TCustomDBEditEh::keyPressEvent(event);
}

void TCustomDBComboBoxEh::KeyDown(int& key, Qt::KeyboardModifiers shift) {
  TCustomDBEditEh::KeyDown(key, shift);
  if (key == 0) return;
  // In a word-wrap editor the arrows move between lines unless the whole text is selected.
  const bool wholeSelected = hasSelectedText() && selectedText().size() == EditText().size();
  if ((key == vk::Up || key == vk::Down) && !ReadOnly() && !listOpen_ && (!WordWrap() || wholeSelected)) {
    Guard([&] { StepItem(key == vk::Up); });
    key = 0;
    return;
  }
  if (key == vk::Delete && keyMode_ && !ReadOnly()) {
    TField* f = Field();
    if ((IsDataIndependent() || (f && !f->Required)) && MayModify()) {
      PutValue(Variant::null());
      FieldLink->MarkModified();
    }
    key = 0;
  }
}

void TCustomDBComboBoxEh::KeyPress(QChar& key) {
  const ushort k = key.unicode();
  if (listOpen_ && (k == 13 || k == 27)) {
    CloseDropDown(k == 13);
    key = QChar(0);
    return;
  }
  TCustomDBEditEh::KeyPress(key);
  const ushort c = key.unicode();
  if (c == 0) return;
  if (c == 8 && keyMode_ && !ReadOnly()) {
    TypeIntoList(QString(QChar(8)));
    key = QChar(0);
    return;
  }
  if (c >= 32) {
    if (DropDownBox.AutoDrop && !listOpen_) OpenDropDown();
    if (keyMode_) {
      if (!ReadOnly()) TypeIntoList(QString(key));
      key = QChar(0);
      return;
    }
    // Text mode: type the character, then complete it from the items.
    if (key == QLatin1Char('.')) return;
    const int caret = cursorPosition();
    const bool atEnd = caret == EditText().size() && !hasSelectedText();
    TypeChar(key);
    key = QChar(0);
    if (!MayModify()) return;
    if (!atEnd) {
      const int oldCaret = cursorPosition();
      EnsureItems();
      if (FindItemText(EditText(), false)) setSelection(EditText().size(), -(EditText().size() - oldCaret));
    } else {
      TypeIntoList(QString());
    }
    return;
  }
}

void TCustomDBComboBoxEh::PasteFromClipboard() {
  if (!keyMode_) {
    TCustomDBEditEh::PasteFromClipboard();
    return;
  }
  const QString text = QApplication::clipboard()->text();
  if (!text.isEmpty()) TypeIntoList(text);
}

void TCustomDBComboBoxEh::wheelEvent(QWheelEvent* event) {
  if (listOpen_) {
    listWindow_->HandleWheel(event);
    return;
  }
  if (event->modifiers() == Qt::NoModifier && !ReadOnly() && FieldLink->BeginEdit()) {
    const int delta = event->angleDelta().y();
    if (delta != 0) Guard([&] { StepItem(delta > 0); });
    event->accept();
    return;
  }
  TCustomDBEditEh::wheelEvent(event);
}

void TCustomDBComboBoxEh::mousePressEvent(QMouseEvent* event) {
  if (keyMode_) {
    if (event->button() == Qt::LeftButton && CanUseButtons()) {
      if (!listOpen_) {
        setFocus();
        keepDropDownOnClick_ = true;
        OpenDropDown();
      } else if (!keepDropDownOnClick_) {
        CloseDropDown(false);
      }
    }
    event->accept();
    return;
  }
  TCustomDBEditEh::mousePressEvent(event);
}

void TCustomDBComboBoxEh::mouseReleaseEvent(QMouseEvent* event) {
  if (!keyMode_) {
    TCustomDBEditEh::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  if (event->button() != Qt::RightButton) return;
  QContextMenuEvent request(QContextMenuEvent::Mouse, event->position().toPoint(),
                            event->globalPosition().toPoint(), event->modifiers());
  releaseContextMenu_ = true;
  QApplication::sendEvent(this, &request);
  releaseContextMenu_ = false;
}

void TCustomDBComboBoxEh::mouseDoubleClickEvent(QMouseEvent* event) {
  if (keyMode_) {
    event->accept();
    return;
  }
  TCustomDBEditEh::mouseDoubleClickEvent(event);
}

bool TCustomDBComboBoxEh::event(QEvent* event) {
  // The window system's own request on a right-button press is dropped in key mode: the
  // release asks instead (the keyboard's menu key still asks directly).
  if (keyMode_ && event->type() == QEvent::ContextMenu && !releaseContextMenu_ &&
      static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse) {
    event->accept();
    return true;
  }
  return TCustomDBEditEh::event(event);
}
