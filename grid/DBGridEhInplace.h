#pragma once

#include <QMouseEvent>
#include <QPointer>
#include <QString>

#include "grid/CalculatorEh.h"
#include "grid/DBGridEh.h"
#include "grid/DBLookupGridsEh.h"
#include "grid/ToolCtrlsEh.h"
#include "platform/maskedit.h"

// The edit style of a cell: which button the cell editor shows and what it drops down.
enum TCellEditStyleEh : unsigned char {
  cesSimple = 0,
  cesEllipsis,
  cesPickList,
  cesDataList,
  cesDate,
  cesUpDown,
  cesDropDown,
};

// The text editor the grid lays over its current cell. It takes the editing behaviour of the
// cell's column: mask, length limit, font, colour, read-only state, the button of its edit
// style, and the pick list. What is typed becomes the grid's cell edit text (and, in key-list
// columns, its key value), which the grid writes into the record when the data link asks.
class TDBGridInplaceEdit : public TCustomMaskEdit, public IDropDownHolderEh {
  Q_OBJECT
 public:
  explicit TDBGridInplaceEdit(TCustomDBGridEh* grid);
  ~TDBGridInplaceEdit() override;

  TCustomDBGridEh* Grid() const { return grid_; }
  static TCellEditStyleEh ColumnEditStyle(TColumnEh* column);
  // The look of the button of an edit style: ellipsis, up-down, else a drop-down arrow.
  static TEditButtonStyleEh ButtonStyleOf(TCellEditStyleEh style);
  TCellEditStyleEh EditStyle() const { return editStyle_; }

  // Called by the grid when the editor is shown for a cell and when it is placed.
  void UpdateContents();
  void BoundsChanged();

  void OpenDropDown();
  void CloseDropDown(bool accept) override;
  bool ListVisible() const { return listVisible_; }
  bool DroppedDown() const { return droppedDown_; }
  TPopupListboxEh* PickListBox() const { return pickListBox_; }
  TPopupMonthCalendarEh* CalendarBox() const { return calendarBox_; }
  TPopupCalculatorEh* CalculatorBox() const { return calculatorBox_; }
  // The current column's drop-down data list while the edit style is cesDataList.
  TPopupDataGridEh* DataList() const { return dataList_; }
  QWidget* ActiveList() const { return activeList_; }
  TEditButtonControlEh* DefaultButton() const { return button_; }
  int ButtonsWidth() const { return buttonsWidth_; }
  // The image of the column's ImageList shown left of the text (ShowImageAndText columns); -1 none.
  int ImageIndex() const { return imageIndex_; }
  void UpdateImageIndex();
  // Keeps an open list open while the grid refreshes the text.
  bool LockCloseList = false;

  // Press on the default button that no handler took (the lower half of an up-down button
  // when `lower`).
  virtual void MainButtonDown(bool lower);
  // Click of the default button.
  virtual void HandleButtonClick();
  // Typed-text search in key-list and pick-list columns; clears `s` when it consumed it.
  virtual void ApplyTypedChars(QString& s);
  // The index of the first item equal to `s` (with `prefix`: starting with it), ignoring case.
  static int FindListItem(const QStringList& items, const QString& s, bool prefix);

 protected:
  bool EditCanModify() override;
  void Change() override;
  void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
  void KeyPress(QChar& key) override;
  void PasteFromClipboard() override;
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  // Text committed by an input method is typed as keys are: it needs the grid's edit test,
  // completes in list columns and becomes the cell's edit text.
  void inputMethodEvent(QInputMethodEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  bool event(QEvent* e) override;

 private:
  TColumnEh* CurrentColumn() const;
  // The column's button drawn at x right of the default one; null elsewhere.
  const TEditButtonEh* ExtraButtonAt(int x) const;
  // Where that button is drawn (empty for a button the editor does not show).
  QRect ExtraButtonRect(const TEditButtonEh* button) const;
  const TEditButtonEh* pressedExtra_ = nullptr;
  void SetEditStyle(TCellEditStyleEh style);
  void StepByButton(bool lower);
  // The grid's key for a key that moves between cells or ends editing (0 for others).
  int GridKeyOf(int key, Qt::KeyboardModifiers shift) const;
  // Puts a text with the caret and selection without treating it as typing.
  void PutText(const QString& text, int selStart, int selLength);
  void SyncKeyFromText();
  void OpenDataList(TColumnEh* c);
  // The lookup list record matching a text (by prefix with `partial`) gives the key; Null when none.
  Variant LookupKeyOfText(TColumnEh* c, const QString& text, bool partial);
  QString TextWithoutSelection() const;
  // The style has a drop-down window that keys open and close (list, calendar, calculator).
  bool HasDropDownKeys() const;

  TCustomDBGridEh* grid_;
  TCellEditStyleEh editStyle_ = cesSimple;
  QWidget* activeList_ = nullptr;
  TPopupListboxEh* pickListBox_ = nullptr;
  TPopupMonthCalendarEh* calendarBox_ = nullptr;
  TPopupCalculatorEh* calculatorBox_ = nullptr;
  QPointer<TPopupDataGridEh> dataList_;
  TDataSource lookupSource_;  // lends the data list its dataset while it is open
  TEditButtonControlEh* button_ = nullptr;
  int buttonsWidth_ = 0;
  int imageIndex_ = -1;
  int imageAreaWidth_ = 0;
  bool droppedDown_ = false;
  bool listVisible_ = false;
  bool keepOpenOnClick_ = false;
  bool putting_ = false;
};
