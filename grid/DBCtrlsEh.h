#pragma once

#include <QPointer>
#include <QTextLayout>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "grid/CalculatorEh.h"
#include "grid/ToolCtrlsEh.h"
#include "platform/data/datasource.h"
#include "platform/maskedit.h"
#include "platform/variant.h"

// The data-aware editors: text, number, date-time, combo box and check box. Each binds to one
// field through its own field link or, without data source and field name, keeps its own
// value (data-independent).

class TCustomDBEditEh;

// Reading order and alignment of a control. Right-to-left reading mirrors the text; with
// bdRightToLeft the control's layout (alignment, buttons, image, drop-downs) is mirrored too.
enum TBiDiMode { bdLeftToRight = 0, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

// The rule of the data-aware controls: a control whose mode is bdRightToLeft is laid out from
// the right, unless its bound field is a number or other field aligned away from the left
// (numbers keep their left-to-right look).
bool DBUseRightToLeftAlignment(TBiDiMode mode, const TField* field);

// The BiDiMode property of a control: its own value once assigned, else its parent's (a
// parent laid out right to left gives bdRightToLeft). Assigning sets the widget's layout
// direction, so the reading order of the text follows.
class TBiDiModeHolderEh {
 public:
  explicit TBiDiModeHolderEh(QWidget* control) : control_(control) {}
  TBiDiMode Mode() const;
  void SetMode(TBiDiMode mode);
  bool ParentBiDiMode() const { return parent_; }
  void SetParentBiDiMode(bool on);
  bool ReadsRightToLeft() const { return Mode() != bdLeftToRight; }

 private:
  QWidget* control_;
  TBiDiMode own_ = bdLeftToRight;
  bool parent_ = true;
};

// The border of an editor: none, or the single sunken frame.
enum TBorderStyle { bsNone = 0, bsSingle };

using TNotifyEventEh = std::function<void(QObject* sender)>;
using TUpdateDataEventEh = std::function<void(QObject* sender, bool& handled)>;
using TCloseUpEventEh = std::function<void(QObject* sender, bool accept)>;
using TOnCheckDrawRequiredStateEventEh = std::function<void(QObject* sender, bool& drawState)>;

// The link of an editor to its field.
class TFieldDataLinkEh : public TDataLink {
 public:
  explicit TFieldDataLinkEh(QObject* control);

  QObject* Control() const { return control_; }
  TField* Field() const { return fields_.empty() ? nullptr : fields_.front(); }
  const std::vector<TField*>& Fields() const { return fields_; }
  QString FieldName() const { return fieldName_; }
  void SetFieldName(const QString& name);
  void SetLinkDataSource(TDataSource* source);

  bool Independent() const { return independent_; }
  bool IsEditing() const { return editing_; }
  bool IsModified() const { return modified_; }
  // The value of a data-independent editor.
  Variant IndependentValue = Variant::null();

  // Asks for edit state (independent: the link's own flag; bound: the data source's Edit).
  bool BeginEdit();
  bool IsModifiable() const;
  void MarkModified() { modified_ = true; }
  void ClearModified() { modified_ = false; }
  // Shows the field's (or the independent) value again.
  void ReloadRecord() { RecordChanged(nullptr); }
  void WriteText(const QString& text);
  void StoreVariant(const Variant& value);
  // The record update an editor runs on exit.
  void UpdateRecordEh();
  void LookUpBoundField();

  std::function<void(TFieldDataLinkEh*)> DataChangeHandler;
  std::function<void(TFieldDataLinkEh*)> EditingChangeHandler;
  std::function<void(TFieldDataLinkEh*)> UpdateDataHandler;
  std::function<void(TFieldDataLinkEh*)> ActiveChangeHandler;
  std::function<void(TFieldDataLinkEh*)> FocusHandler;

 protected:
  void ActiveChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void EditingChanged() override;
  void UpdateData() override;
  void FocusControl(TField* field) override;

 private:
  void RecheckIndependence();
  void SetEditingFlag(bool value);
  QObject* control_;
  std::vector<TField*> fields_;
  QString fieldName_;
  bool independent_ = true;
  bool editing_ = false;
  bool modified_ = false;
};

// A control that embeds an editor (the grid embeds its filter row's editor) implements this;
// it sees the editor's messages and keys first and decides whether the editor may edit.
class IInplaceEditHolderEh {
 public:
  virtual ~IInplaceEditHolderEh() = default;
  virtual bool AllowEdit(QWidget* editor) = 0;
  // Screen position and time (ms) of the holder's last left-button press.
  virtual void MouseDownInfo(QPoint& screenPos, qint64& time) = 0;
  // True consumes the event.
  virtual bool FilterMessage(QWidget* editor, QEvent* event) = 0;
  // A zeroed key stops the editor's own handling.
  virtual void FilterKeyDown(QWidget* editor, int& key, Qt::KeyboardModifiers shift) = 0;
  virtual void FilterKeyPress(QWidget* editor, QChar& key) = 0;
  virtual void FilterKeyUp(QWidget* editor, int& key, Qt::KeyboardModifiers shift) = 0;
};

class TCustomDBEditEh;
class TCustomImageList;

// The image an editor shows left of its text. Every change re-lays the editor's text area.
class TEditImageEh {
 public:
  explicit TEditImageEh(TCustomDBEditEh* editor) : editor_(editor) {}
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* images);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index);
  bool UseImageHeight() const { return useImageHeight_; }
  void SetUseImageHeight(bool on);
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  // Width of the image area without its 4-pixel margin; 0 takes the images' width.
  int Width() const { return width_; }
  void SetWidth(int w);
  void Assign(const TEditImageEh& src);

 private:
  void Changed();
  TCustomDBEditEh* editor_;
  TCustomImageList* images_ = nullptr;
  int imageIndex_ = -1;
  bool useImageHeight_ = true;
  bool visible_ = false;
  int width_ = 0;
};

// Whether a field takes a typed character (the field kinds' valid characters).
bool FieldIsValidChar(const TField* field, QChar ch);

// The base editor: a masked edit bound to a field, with edit buttons, drop-downs and a list
// of recently used texts.
class TCustomDBEditEh : public TCustomMaskEdit, public IDropDownHolderEh {
  Q_OBJECT
 public:
  explicit TCustomDBEditEh(QWidget* parent = nullptr);
  ~TCustomDBEditEh() override;

  // --- binding
  TDataSource* DataSource() const { return FieldLink->DataSource(); }
  void SetDataSource(TDataSource* source);
  QString DataField() const { return FieldLink->FieldName(); }
  void SetDataField(const QString& name);
  TField* Field() const { return FieldLink->Field(); }

  // --- value
  QString Text() const { return TCustomMaskEdit::Text(); }
  void SetText(const QString& text);
  Variant Value() const { return ValueOfEditor(); }
  void SetValue(const Variant& value) { AssignValue(value); }
  void Clear();

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  // The Visible property (not whether the window shows on screen now).
  bool Visible() const { return holderInterface_ ? isVisible() : !isHidden(); }
  void SetVisible(bool value);

  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  void SetEditMaskExplicit(const QString& mask);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  // The three-dimensional look (on by default); off, a single border is one plain line.
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value);
  TBorderStyle BorderStyle() const { return hasFrame() ? bsSingle : bsNone; }
  void SetBorderStyle(TBorderStyle style);
  // With AutoSize (on by default) and a single border the editor's height follows its font
  // (and a taller image): layouts give it that height and no other. Without, or without a
  // border, or when it wraps its text onto several lines, the height is free.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  // Whether the height is fixed now, and the height fitted to the font and image.
  bool FixedHeight() const { return fixedHeight_; }
  virtual int FitHeight() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool AlwaysShowBorder = false;
  bool HighlightRequired = false;
  bool Tooltips = false;   // the full text as a tool tip when it does not fit
  bool ShowHint = false;   // show the Hint (the widget's tool tip text)
  QString Hint;
  // Whether the text is wider than the text area.
  bool TextOverflows() const;
  bool WantTabs = false;
  bool WantReturns = false;
  // Shown instead of every character of the text; a null character shows the text.
  QChar PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(QChar ch);
  // Long text wraps onto the next lines of a tall editor (drawn wrapped while not focused).
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  // The alignment the text is drawn with: without word wrap always left while focused; with
  // it, the editor's alignment (mirrored in a right-to-left editor).
  Qt::Alignment WrappedTextAlignment() const;
  // Whether the text is edited on several lines: word wrap without a password character.
  // Line breaks are kept in the text as carriage return and line feed.
  bool MultiLine() const { return wordWrap_ && passwordChar_.isNull(); }
  // The wrapped lines of the text and the first of them shown at the top.
  int LineCount() const;
  int LineOfPosition(int pos) const;
  int TopLine() const { return topLine_; }
  // Height of one line and how many whole lines the text area shows.
  qreal LineHeight() const;
  int VisibleLines() const;
  // The text position under a point of the editor (multi-line editors).
  int PositionAt(QPoint point) const;

  // --- reading order
  TBiDiMode BiDiMode() const { return biDi_.Mode(); }
  void SetBiDiMode(TBiDiMode mode);
  bool ParentBiDiMode() const { return biDi_.ParentBiDiMode(); }
  void SetParentBiDiMode(bool on);
  // Buttons at the left, image at the right, alignment mirrored.
  bool UseRightToLeftAlignment() const { return DBUseRightToLeftAlignment(BiDiMode(), Field()); }
  bool UseRightToLeftReading() const { return biDi_.ReadsRightToLeft(); }
  // The alignment as drawn: left and right swap in a right-to-left editor.
  TAlignment EffectiveAlignment() const;
  // The area of the image (the left edge, the right one in a right-to-left editor).
  QRect ImageRect() const;

  // --- image left of the text
  TEditImageEh* EditImage() const { return editImage_.get(); }
  // The image's list; writing it also makes the image visible.
  TCustomImageList* Images() const { return editImage_->Images(); }
  void SetImages(TCustomImageList* images);
  // Pixels the image takes at the left: its width (or the images' width) + 4; 0 without image.
  int ImageAreaWidth() const;
  // The image shown now: the image's index, or the value when it is a number (rounded),
  // then as OnGetImageIndex decides.
  int ShownImageIndex() const;
  std::function<void(TCustomDBEditEh* sender, int& imageIndex)> OnGetImageIndex;
  // Re-lays the text area after the image changed.
  void EditImageChanged();
  bool HasFocus() const { return hasFocus_; }
  bool DropDownOpen() const { return dropDownOpen_; }
  bool BorderLit() const { return borderLit_; }
  int ButtonAreaWidth() const { return buttonAreaWidth_; }

  // --- buttons
  TEditButtonEh* EditButton() const { return editButton_.get(); }
  TEditButtonsEh* EditButtons() const { return editButtons_.get(); }
  struct ButtonEntry {
    QWidget* separator = nullptr;
    TEditButtonControlEh* control = nullptr;
  };
  const std::vector<ButtonEntry>& ButtonControls() const { return buttonControls_; }
  void LayoutButtons();
  void UpdateButtonsState();
  // The button whose shortcut is this code (key with shift flags), main button first.
  TEditButtonEh* ButtonForShortCut(int shortCut) const;

  TMRUListEh* MRUList() const { return mruList_.get(); }
  TMRUListboxEh* MRUListBox() const { return mruListBox_; }

  // --- in-place mode: a holder control embeds the editor.
  QWidget* InplaceEditHolder() const { return holder_; }
  // Raises when the holder does not implement IInplaceEditHolderEh.
  void SetInplaceEditHolder(QWidget* holder);
  bool HolderAttached() const { return holderInterface_ != nullptr; }
  // Places and shows the editor at a rectangle of its holder (an empty one hides it).
  void MoveEditor(const QRect& rect);
  void HideEditWindow();
  void SetFocusEh();
  // The embedded-editor accessors the holder sets the editor up with.
  QFont EditorFont() const { return font(); }
  void AttachToHolder(QWidget* holder) { SetInplaceEditHolder(holder); }
  void SetEditorBorderStyle(bool single) { SetBorderStyle(single ? bsSingle : bsNone); }
  void SetEditorFont(const QFont& f) { setFont(f); }
  void SetEditorColor(TColor color);
  void SetKeyPressHandler(std::function<void(TCustomMaskEdit*, QChar&)> handler) { OnKeyPress = std::move(handler); }
  void SetExitHandler(TNotifyEventEh handler) { OnExit = std::move(handler); }
  // The whole character being typed while key-press handlers run (both halves of a character
  // beyond the basic plane, whose handlers see only the first half as the key); empty otherwise.
  const QString& WholeKeyPress() const { return wholeKeyPress_; }

  // --- events
  TButtonClickEventEh OnButtonClick;
  TButtonDownEventEh OnButtonDown;
  TUpdateDataEventEh OnUpdateData;
  TOnCheckDrawRequiredStateEventEh OnCheckDrawRequiredState;
  TNotifyEventEh OnEnter;
  TNotifyEventEh OnExit;

  std::unique_ptr<TFieldDataLinkEh> FieldLink;

  // The focus cycle as the window's enter and exit notices run it; the exit raises when the
  // value cannot be written (the editor then keeps the focus with its text selected).
  void DoEnter();
  void DoExit();

  // IDropDownHolderEh
  void CloseDropDown(bool accept) override;

  // Validates and writes the text back (the link's update-data handler).
  virtual void CommitEdit();
  virtual bool IsDataIndependent() const { return FieldLink->Independent(); }
  // Whether the required underline would be drawn now.
  bool RequiredStateDrawn();

  // Operations a drop-down editor overrides.
  virtual void MainButtonDown(bool down);
  virtual void OpenDropDown();
  virtual bool CanUseButtons() const;

 protected:
  virtual std::unique_ptr<TEditButtonEh> CreateMainButton();
  virtual TAlignment AlignmentByDefault() const;
  virtual QString EditMaskByDefault() const;
  virtual Variant ValueOfEditor() const { return Variant(TCustomMaskEdit::Text()); }
  // The image shown before the value and the event decide: the image's own index.
  virtual int ImageIndexByDefault() const;
  virtual bool AcceptsChar(QChar ch) const;
  virtual void LinkActiveChanged();
  virtual QRect TextAreaRect() const;
  virtual void LoadFromField();
  virtual void HandleButtonClick(TEditButtonControlEh* sender);
  virtual void HandleButtonDown(TEditButtonControlEh* sender, bool topButton, bool& autoRepeat, bool& handled);
  virtual void HandleButtonMove(TEditButtonControlEh* sender, QMouseEvent* event) {}
  virtual void HandleButtonUp(TEditButtonControlEh* sender, Qt::MouseButton button, int x, int y);
  virtual void ReadOnlyChanged() { UpdateEditReadOnly(); }
  virtual bool MRUItemMatches(const QString& item) const;
  virtual void ShowTextOnly(const QString& text) { TCustomMaskEdit::SetText(text); }
  virtual void PutValue(const Variant& value);
  virtual void StoreText();
  virtual void KeepMRUListSize();
  virtual void DropFieldMaxLength();
  virtual void SetFocusedState(bool focused);
  virtual void AssignValue(const Variant& value);
  virtual void UpdateEditReadOnly();
  // Fixes the height at FitHeight with AutoSize and a single border, else frees it.
  virtual void UpdateFixedHeight();
  // Whether characters are typed into the text itself (not so in a key-mode combo box).
  virtual bool TypesIntoText() const { return true; }
  virtual void TypedTextChanged();
  virtual void ShowMRUList();
  virtual void CloseMRUList(bool accept);
  virtual void CloseDropDownBase(bool accept);
  // Whether the drop-down window of a subclass is this widget or inside it.
  virtual bool IsDropDownWidget(QWidget* widget) const { return false; }

  // The mask edit's hooks.
  bool EditCanModify() override { return FieldLink->BeginEdit(); }
  void Reset() override;
  void Change() override;
  void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
  void KeyPress(QChar& key) override;
  void KeyUp(int& key, Qt::KeyboardModifiers shift) override;

  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // Input-method text: the composition shows in place; the composed characters are typed one
  // by one as typed keys are (edit state first, refused characters dropped with a beep).
  void inputMethodEvent(QInputMethodEvent* event) override;
  // Runs the key-press handling for one whole character (one or two code units) with
  // WholeKeyPress set, then types what the handlers left: a character whose first half they
  // consumed is dropped whole, never leaving half of it in the text.
  void TypeWholeChar(const QString& whole);
  // The keys a multi-line editor handles itself: moving by lines and pages, line breaks, and
  // deleting a line break as one character. False leaves the event to the one-line handling.
  bool MultiLineKey(QKeyEvent* event);
  // A character an open list takes instead of the text (the codes of its moving keys).
  static bool IsListMovingChar(const QKeyEvent* event);
  // Draws the text wrapped in the text area (the word-wrap editor while not focused).
  void PaintWrappedText(QPainter& p);
  // Draws the edit frame, sets the text pen and gives the text as shown (password characters
  // in place of the letters): the start of every painting of the text by the editor itself.
  QString PaintFrameAndShownText(QPainter& p);
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  // While a drop-down or the MRU list is open, a press on any other control closes it
  // without accepting (as a cancel-mode notice from that control does).
  bool eventFilter(QObject* watched, QEvent* event) override;
  void WatchOutsidePresses();

  void RefreshFromLink() { FieldLink->ReloadRecord(); }
  // Replaces the main button with the one CreateMainButton makes (each editor's constructor).
  void RecreateMainButton();
  // Sets a mask without marking it as assigned.
  void ApplyMaskQuietly(const QString& mask);
  void UpdateBorderState();
  void ApplyTextRect();
  void FireUpdateData();
  // Posts the marker that the press which closed a drop-down must not reopen it.
  void PostDropDownClosed(int tag);
  void PopupButtonMenu(TEditButtonControlEh* control, QMenu* menu);
  TEditButtonControlEh* MainButtonControl() const {
    return buttonControls_.empty() ? nullptr : buttonControls_.front().control;
  }
  QString ValueToText(const Variant& value) const;

  bool inUpdateDataEvent_ = false;
  bool dropDownOpen_ = false;
  bool keepDropDownOnClick_ = false;
  bool textChangedByUser_ = false;
  bool hasFocus_ = false;

 private:
  void ConfigureButtonControl(int index, TEditButtonEh* button, int& height);
  void ButtonChanged();
  // Multi-line editing.
  QRect WrapTextRect() const;
  std::unique_ptr<QTextLayout> WrapLayout() const;
  void EnsureCaretLineVisible();
  void MoveCaretTo(int pos, bool extend);
  int SelectionAnchor() const;
  // Whether the caret sits inside a line break (between its carriage return and line feed).
  int SkipInsideLineBreak(int pos) const;
  // Types a line break or a tab as the edit control would: the editor asks for edit state
  // first; nothing is typed read-only, under a mask or past MaxLength.
  void TypeControlText(const QString& text);
  // The native alignment of the edit control: left, or right in a right-to-left editor.
  void ApplyNativeAlignment();

  std::unique_ptr<TEditButtonEh> editButton_;
  std::unique_ptr<TEditButtonsEh> editButtons_;
  std::unique_ptr<TEditImageEh> editImage_;
  QChar passwordChar_;
  std::unique_ptr<TMRUListEh> mruList_;
  TMRUListboxEh* mruListBox_ = nullptr;
  std::vector<ButtonEntry> buttonControls_;
  bool readOnly_ = false;
  bool flat_ = false;
  bool ctl3D_ = true;
  bool autoSize_ = true;
  bool fixedHeight_ = false;
  int fittedHeight_ = 0;
  bool wordWrap_ = false;
  bool borderLit_ = false;
  bool mouseInside_ = false;
  QString wholeKeyPress_;
  bool alignmentAssigned_ = false;
  TAlignment alignment_ = taLeftJustify;
  TBiDiModeHolderEh biDi_{this};
  int topLine_ = 0;
  bool laidOutRightToLeft_ = false;
  int mouseAnchor_ = -1;
  bool maskAssigned_ = false;
  int buttonAreaWidth_ = 0;
  int pendingClosedTag_ = -1;
  bool inExit_ = false;
  QStringList mruMatches_;
  bool watchingPresses_ = false;
  QWidget* holder_ = nullptr;
  IInplaceEditHolderEh* holderInterface_ = nullptr;
};

class TDBEditEh : public TCustomDBEditEh {
  Q_OBJECT
 public:
  using TCustomDBEditEh::TCustomDBEditEh;
};

// ---- number editor ----

class TCustomDBNumberEditEh : public TCustomDBEditEh {
  Q_OBJECT
 public:
  explicit TCustomDBNumberEditEh(QWidget* parent = nullptr);

  int DecimalPlaces() const { return decimalPlaces_; }
  void SetDecimalPlaces(int value);
  QString DisplayFormat() const;
  void SetDisplayFormat(const QString& format);
  bool Currency() const;
  void SetCurrency(bool value);
  double MinValue() const;
  void SetMinValue(double value);
  double MaxValue() const;
  void SetMaxValue(double value);
  double Increment = 1.0;
  TNotifyEventEh OnDropDown;
  TCloseUpEventEh OnCloseUp;

  QString TypingFormat() const { return typingFormat_; }
  bool CalcShown() const { return calcShown_; }
  TPopupCalculatorEh* PopupCalculator();
  void StepValue(bool up);
  // Limits and rounds a value (the stored limits, halves to even at the last decimal).
  double FitToRange(double x) const;
  QString ValueDisplayText() const;

  void MainButtonDown(bool down) override;
  void OpenDropDown() override;
  void CloseDropDown(bool accept) override;

  // Text helpers of the number editor.
  static QString NormalizeNumberText(const QString& text);
  static bool TryParseNumber(const QString& text, double& value);
  static QString GroupDigits(const QString& text, bool thousands);
  static QString TypingFormatFrom(const QString& displayFormat, bool currency);

 protected:
  Variant ValueOfEditor() const override { return value_; }
  bool AcceptsChar(QChar ch) const override;
  TAlignment AlignmentByDefault() const override;
  std::unique_ptr<TEditButtonEh> CreateMainButton() override;
  void LoadFromField() override;
  void ShowTextOnly(const QString& text) override;
  void PutValue(const Variant& value) override;
  void StoreText() override;
  void Change() override;
  void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
  void KeyPress(QChar& key) override;
  void PasteFromClipboard() override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool IsDropDownWidget(QWidget* widget) const override;

 private:
  QString FormatNumber(double x) const;
  void RegroupTypedText(const QString& text);
  void CommitTypedNumber();
  void PutTextQuietly(const QString& text);
  bool assignedDisplayFormat_ = false, assignedCurrency_ = false, assignedMax_ = false, assignedMin_ = false;
  bool calcShown_ = false;
  bool currency_ = false;
  int decimalPlaces_ = 2;
  QString displayFormat_;
  TPopupCalculatorEh* calculator_ = nullptr;
  QString typingFormat_;
  bool settingText_ = false;
  // A paste is running: its text is checked once it is in, not on every change it makes.
  bool pasting_ = false;
  double minValue_ = 0, maxValue_ = 0;
  Variant value_ = Variant::null();
};

class TDBNumberEditEh : public TCustomDBNumberEditEh {
  Q_OBJECT
 public:
  using TCustomDBNumberEditEh::TCustomDBNumberEditEh;
};

// ---- date-time editor ----

enum TDateTimeKindEh { dtkDateEh = 0, dtkTimeEh, dtkDateTimeEh, dtkCustomEh };

// Year, month, day, hour, minute, second; -1 for a missing part.
using DateTimeParts = std::array<int, 6>;

struct ElementSpan {
  int start = -1;   // 1-based position in the edit text
  int length = -1;
  bool present = false;
};
using DateTimeElements = std::array<ElementSpan, 6>;

class TCustomDBDateTimeEditEh : public TCustomDBEditEh {
  Q_OBJECT
 public:
  explicit TCustomDBDateTimeEditEh(QWidget* parent = nullptr);

  TDateTimeKindEh Kind() const { return kind_; }
  void SetKind(TDateTimeKindEh kind);
  QString EditFormat() const { return editFormat_; }
  void SetEditFormat(const QString& format);
  QString DisplayFormat() const { return displayFormat_; }
  const DateTimeElements& Elements() const { return elements_; }
  bool CalendarShown() const { return calendarShown_; }
  TPopupMonthCalendarEh* Calendar() const { return calendar_; }
  TNotifyEventEh OnDropDown;
  TCloseUpEventEh OnCloseUp;

  void ValidateEdit() override;
  void MainButtonDown(bool down) override;
  void OpenDropDown() override;
  void CloseDropDown(bool accept) override;
  void StepElement(bool up);

  // The format grammar and the reading of texts, usable without an editor.
  struct ParsedFormat {
    DateTimeElements elements;
    QString mask;
  };
  static ParsedFormat ParseEditFormat(const QString& format);
  static QString DisplayFormatOf(const QString& format);
  static QString ElementSkeletonOf(const QString& format);
  static DateTimeParts ReadTextParts(const QString& text, const DateTimeElements& elements, int clockYear);
  static int ExpandTwoDigitYear(int year, int clockYear);
  // Merges parts into `value` (Null or a date-time); false when they form no valid date-time.
  static bool PartsToValue(DateTimeParts parts, const DateTimeElements& elements, Variant& value, bool complete,
                           TDateTime today);
  static QString DefaultDateFormat(bool fourDigitYear);
  // Steps the element under the 1-based position; returns the new text, position and length.
  static QString StepElementText(const QString& text, const QString& skeleton, int& pos, int& selLength, bool up);
  // The clock the editor completes dates from; tests replace it.
  static std::function<TDateTime()> TodayProvider;

 protected:
  virtual void DetectFourDigitYear();
  virtual void BuildFormats();
  Variant ValueOfEditor() const override { return currentValue_; }
  std::unique_ptr<TEditButtonEh> CreateMainButton() override;
  void LoadFromField() override;
  void ShowTextOnly(const QString& text) override;
  void PutValue(const Variant& value) override;
  void StoreText() override;
  void Change() override;
  void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
  void KeyPress(QChar& key) override;
  void HandleButtonMove(TEditButtonControlEh* sender, QMouseEvent* event) override;
  void HandleButtonUp(TEditButtonControlEh* sender, Qt::MouseButton button, int x, int y) override;
  bool MRUItemMatches(const QString& item) const override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  bool IsDropDownWidget(QWidget* widget) const override;

 private:
  void SetTextQuietly(const QString& text);
  void ElementAtPosition(int position);
  bool calendarShown_ = false;
  TPopupMonthCalendarEh* calendar_ = nullptr;
  bool validating_ = false, settingText_ = false;
  TDateTimeKindEh kind_ = dtkDateEh;
  Variant currentValue_ = Variant::null();
  QString editFormat_, displayFormat_;
  DateTimeElements elements_;
  bool fourDigitYear_ = true;
  bool built_ = false;
  QPointer<QWidget> dragTarget_;  // the calendar part a press from the button was handed to
};

class TDBDateTimeEditEh : public TCustomDBDateTimeEditEh {
  Q_OBJECT
 public:
  using TCustomDBDateTimeEditEh::TCustomDBDateTimeEditEh;
};

// ---- combo box ----

class TDropDownBoxEh {
 public:
  TDropDownAlign Align = daLeft;
  bool AutoDrop = false;
  int Rows = 7;
  bool Sizable = false;
  int Width = 0;
  void Assign(const TDropDownBoxEh& o) { *this = o; }
};

class TCustomDBComboBoxEh : public TCustomDBEditEh {
  Q_OBJECT
 public:
  explicit TCustomDBComboBoxEh(QWidget* parent = nullptr);

  const QStringList& Items() const { return items_; }
  void SetItems(const QStringList& items);
  const QStringList& KeyItems() const { return keyItems_; }
  void SetKeyItems(const QStringList& items);
  TDropDownBoxEh DropDownBox;
  int ChosenIndex() const { return chosenIndex_; }
  void SetChosenIndex(int index);
  bool KeyMode() const { return keyMode_; }
  int UsableItems() const { return usableItems_; }
  Variant KeyValue() const { return keyValue_; }
  bool ListOpen() const { return listOpen_; }
  TPopupListboxEh* ListWindow() const { return listWindow_; }
  void Clear();

  TNotifyEventEh OnDropDown;
  TCloseUpEventEh OnCloseUp;
  std::function<void(QObject* sender, const QString& newText, bool& recheck)> OnNotInList;
  // The image of an item, in the list and (for the current item) in the editor.
  std::function<void(QObject* sender, int itemIndex, int& imageIndex)> OnGetItemImageIndex;
  // The image of the current item: its index, as OnGetItemImageIndex decides.
  int ItemImageIndex() const;
  std::function<int(QObject* sender)> OnItemsRequest;

  void MainButtonDown(bool down) override;
  void OpenDropDown() override;
  void CloseDropDown(bool accept) override;
  void CommitEdit() override;
  void StepItem(bool up);
  bool FindItemText(const QString& text, bool partial);
  bool TypeIntoList(const QString& text);

 protected:
  Variant ValueOfEditor() const override;
  bool AcceptsChar(QChar ch) const override;
  int ImageIndexByDefault() const override { return ItemImageIndex(); }
  bool TypesIntoText() const override { return !keyMode_; }
  TAlignment AlignmentByDefault() const override;
  std::unique_ptr<TEditButtonEh> CreateMainButton() override;
  void LoadFromField() override;
  void ShowTextOnly(const QString& text) override;
  void PutValue(const Variant& value) override;
  void StoreText() override;
  void UpdateEditReadOnly() override;
  void DropFieldMaxLength() override;
  void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
  void KeyPress(QChar& key) override;
  void PasteFromClipboard() override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  // In key mode the text takes no mouse buttons; a right-button release asks for the context
  // menu at its point, and that is the only mouse request for it the editor answers.
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;
  bool IsDropDownWidget(QWidget* widget) const override;

 private:
  void UpdateKeyMode();
  void ItemsEdited();
  void KeyItemsEdited();
  void SyncChosenIndex();
  void ChooseItem(int index);
  void EnsureItems();
  bool MayModify() const;
  void ListWindowNeeded();
  QStringList items_, keyItems_;
  int chosenIndex_ = -1;
  bool keyMode_ = false;
  bool releaseContextMenu_ = false;
  int usableItems_ = 0;
  Variant keyValue_ = Variant::null();
  bool listOpen_ = false;
  TPopupListboxEh* listWindow_ = nullptr;
  bool completing_ = false;
};

class TDBComboBoxEh : public TCustomDBComboBoxEh {
  Q_OBJECT
 public:
  using TCustomDBComboBoxEh::TCustomDBComboBoxEh;
};

// ---- check box ----

class TCustomDBCheckBoxEh : public QWidget {
  Q_OBJECT
 public:
  explicit TCustomDBCheckBoxEh(QWidget* parent = nullptr);
  ~TCustomDBCheckBoxEh() override;

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState state);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  QString ValueChecked() const { return valueChecked_; }
  void SetValueChecked(const QString& value);
  QString ValueUnchecked() const { return valueUnchecked_; }
  void SetValueUnchecked(const QString& value);
  bool AllowGrayed = false;
  bool AlwaysShowBorder = false;
  bool Flat = false;
  TAlignment Alignment = taRightJustify;
  QString Caption;
  bool ReadOnly() const { return FieldLink->ReadOnly; }
  void SetReadOnly(bool value) { FieldLink->ReadOnly = value; }
  TDataSource* DataSource() const { return FieldLink->DataSource(); }
  void SetDataSource(TDataSource* source);
  QString DataField() const { return FieldLink->FieldName(); }
  void SetDataField(const QString& name) { FieldLink->SetFieldName(name); }
  TField* Field() const { return FieldLink->Field(); }
  bool Dirty() const { return dirty_; }
  bool IsDataIndependent() const { return FieldLink->Independent(); }
  TBiDiMode BiDiMode() const { return biDi_.Mode(); }
  void SetBiDiMode(TBiDiMode mode) { biDi_.SetMode(mode); update(); }
  bool ParentBiDiMode() const { return biDi_.ParentBiDiMode(); }
  void SetParentBiDiMode(bool on) { biDi_.SetParentBiDiMode(on); update(); }
  // Whether the box stands at the right of the caption.
  bool BoxAtRight() const;

  TNotifyEventEh OnClick;
  TUpdateDataEventEh OnUpdateData;
  std::unique_ptr<TFieldDataLinkEh> FieldLink;

  // One toggle, as a click or the space key does it.
  void Toggle();
  // The exit notice: writes the state into the field; raises when that fails.
  void DoExit();
  static bool MatchesValueList(const QString& list, const QString& text);

 protected:
  TCheckBoxState StateFromLink() const;
  void LoadFromLink();
  void ApplyState(TCheckBoxState state);
  void WriteStateToField();
  void AdvanceState();
  void CommitState();

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool clickGuard_ = false;
  bool dirty_ = false;
  bool hot_ = false;
  TCheckBoxState state_ = cbUnchecked;
  QString valueChecked_ = QStringLiteral("True");
  QString valueUnchecked_ = QStringLiteral("False");
  bool posting_ = false;
  bool spaceHeld_ = false;
  bool leftHeld_ = false;
  TBiDiModeHolderEh biDi_{this};
};

class TDBCheckBoxEh : public TCustomDBCheckBoxEh {
  Q_OBJECT
 public:
  using TCustomDBCheckBoxEh::TCustomDBCheckBoxEh;
};
