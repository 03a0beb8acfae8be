#pragma once

#include <QAbstractListModel>
#include <QCalendarWidget>
#include <QDate>
#include <QElapsedTimer>
#include <QEvent>
#include <QListView>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/data/field.h"  // TAlignment
#include "platform/syscolors.h"

class QPainter;

// Edit buttons, the drawing of button faces and check boxes, and the drop-down windows that
// editors open below themselves.

enum TEditButtonStyleEh { ebsDropDownEh = 0, ebsEllipsisEh, ebsGlyphEh, ebsUpDownEh, ebsPlusEh, ebsMinusEh };
enum TDrawButtonKindEh { dbkDropDownEh = 0, dbkEllipsisEh, dbkUpDownEh, dbkCheckBoxEh, dbkPlusEh, dbkMinusEh };
enum TCheckBoxState { cbUnchecked = 0, cbChecked = 1, cbGrayed = 2 };
enum TTextLayout { tlTop = 0, tlCenter = 1, tlBottom = 2 };
enum TDropDownAlign { daLeft = 0, daRight = 1, daCenter = 2 };
enum TGripCornerEh { gcTopLeft = 0, gcTopRight, gcBottomRight, gcBottomLeft };
enum TGripSideEh { gsLeft = 0, gsRight, gsTop, gsBottom };
// Where a pop-up menu lies against the point it pops up at: starting at it, ending at it or
// centred on it.
enum TPopupAlignment { paLeft = 0, paRight = 1, paCenter = 2 };

// A menu's alignment, kept with the menu itself (paLeft unless set).
void SetMenuAlignment(QMenu* menu, TPopupAlignment alignment);
TPopupAlignment MenuAlignment(const QMenu* menu);
// The screen point at which a button's drop-down menu is shown: the button's bottom-left
// corner, its bottom-right corner for a right-aligned menu; the result is the menu's top-left.
QPoint DropdownMenuPosition(const QWidget* button, QMenu* menu);
// The same for a button drawn at `buttonRect` inside `owner` (owner coordinates).
QPoint DropdownMenuPosition(const QWidget* owner, const QRect& buttonRect, QMenu* menu);

// Sender, var Handled.
using TButtonClickEventEh = std::function<void(QObject* sender, bool& handled)>;
// Sender, TopButton, var AutoRepeat, var Handled.
using TButtonDownEventEh = std::function<void(QObject* sender, bool topButton, bool& autoRepeat, bool& handled)>;

inline constexpr int kAltDownShortCut = 0x8028;  // Alt+Down

TDrawButtonKindEh DrawKindOfStyle(TEditButtonStyleEh style);

class TEditButtonsEh;

// The description of one edit button.
class TEditButtonEh {
 public:
  // A button outside a collection, owned by an editor.
  explicit TEditButtonEh(QWidget* ownerEditor = nullptr);
  virtual ~TEditButtonEh() = default;

  void Assign(const TEditButtonEh& source);

  QMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(QMenu* menu) { dropdownMenu_ = menu; }
  QWidget* OwnerEditor() const { return ownerEditor_; }
  const QPixmap& Glyph() const { return glyph_; }
  void SetGlyph(const QPixmap& glyph);
  QString Hint() const { return hint_; }
  void SetHint(const QString& hint);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int value);
  int ShortCut() const { return shortCut_; }
  void SetShortCut(int value) { shortCut_ = value; }
  TEditButtonStyleEh Style() const { return style_; }
  void SetStyle(TEditButtonStyleEh value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  int Width() const { return width_; }
  void SetWidth(int value);

  TButtonClickEventEh OnClick;
  TButtonDownEventEh OnDown;
  // Set by the owning editor; receives every change.
  std::function<void(TEditButtonEh*)> ChangeHandler;

  void NotifyButtonChanged();

 protected:
  friend class TEditButtonsEh;
  TEditButtonsEh* collection_ = nullptr;
  QPointer<QMenu> dropdownMenu_;
  QWidget* ownerEditor_ = nullptr;
  QPixmap glyph_;
  QString hint_;
  int numGlyphs_ = 1;
  int shortCut_ = 0;
  TEditButtonStyleEh style_ = ebsDropDownEh;
  bool visible_ = false;
  int width_ = 0;
};

class TDropDownEditButtonEh : public TEditButtonEh {
 public:
  explicit TDropDownEditButtonEh(QWidget* ownerEditor = nullptr) : TEditButtonEh(ownerEditor) { shortCut_ = kAltDownShortCut; }
};

class TVisibleEditButtonEh : public TEditButtonEh {
 public:
  explicit TVisibleEditButtonEh(QWidget* ownerEditor = nullptr) : TEditButtonEh(ownerEditor) {
    shortCut_ = kAltDownShortCut;
    visible_ = true;
  }
};

// The collection of an editor's additional buttons.
class TEditButtonsEh {
 public:
  using Factory = std::function<std::unique_ptr<TEditButtonEh>()>;
  TEditButtonsEh(QObject* owner, Factory itemFactory);

  TEditButtonEh* Add();
  // Copies every button of `source` into new items of this collection, in place of its own.
  void Assign(const TEditButtonsEh& source);
  void Delete(int index);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  TEditButtonEh* Items(int index) const { return items_.at(index).get(); }
  QObject* Owner() const { return owner_; }
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

  // Receives the changed item, or nullptr for a change of the whole collection.
  std::function<void(TEditButtonEh*)> ItemChangeHandler;

  void Update(TEditButtonEh* item);

 private:
  QObject* owner_;
  Factory factory_;
  std::vector<std::unique_ptr<TEditButtonEh>> items_;
  int updateCount_ = 0;
};

// The speed-button states of the platform.
enum TButtonState { bsUp = 0, bsDisabled, bsDown, bsExclusive };

// The control that shows one button: pressed halves of an up/down button, auto-repeat of a
// held press (400 ms, then every 100 ms) and the cached faces.
class TEditButtonControlEh : public QWidget {
  Q_OBJECT
 public:
  explicit TEditButtonControlEh(QWidget* parent = nullptr);

  bool Active() const { return active_; }
  void SetActive(bool value);
  TEditButtonStyleEh Style() const { return style_; }
  void SetStyle(TEditButtonStyleEh value);
  bool StaysDown() const { return staysDown_; }
  void SetStaysDown(bool value);
  int DownHalf() const { return downHalf_; }
  TButtonState State() const { return state_; }
  bool Down() const { return down_; }
  void SetDown(bool value);
  int GroupIndex() const { return groupIndex_; }
  bool AllowAllUp() const { return allowAllUp_; }
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  void SetGlyph(const QPixmap& glyph, int numGlyphs = 1);
  void SetFontColor(TColor color);
  int Tag = 0;

  // Called on a press and on each repetition; the Handled result is not used.
  TButtonDownEventEh DownHandler;
  // The platform's click notification.
  std::function<void(TEditButtonControlEh*)> OnClick;
  std::function<void(TEditButtonControlEh*, QMouseEvent*)> OnMouseMoveHandler;
  std::function<void(TEditButtonControlEh*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseUpHandler;

  QTimer* RepeatTimer() const { return repeatTimer_; }
  // Simulates a press and release from the keyboard (the shortcut of an editor).
  void Click();
  // Releases a held press without a click, as a cancel-mode notice does.
  void CancelMode();
  bool MouseCaptured() const { return dragging_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

  void UpdateDownHalf(int x, int y);
  void FireDownHandler(bool topButton, bool& autoRepeat);
  void RestartRepeatTimer(int interval);
  void RepeatTick();
  TColor ParentColor() const;

 private:
  bool active_ = false;
  bool staysDown_ = false;
  int downHalf_ = 0;
  bool clickSuppressed_ = false;
  TEditButtonStyleEh style_ = ebsDropDownEh;
  QTimer* repeatTimer_ = nullptr;
  TButtonState state_ = bsUp;
  bool down_ = false;
  int groupIndex_ = 0;
  bool allowAllUp_ = false;
  bool flat_ = false;
  bool dragging_ = false;
  QString caption_;
  QPixmap glyph_;
  int numGlyphs_ = 1;
  TColor fontColor_ = clBtnText;
};

// The published form used by the calculator.
class TSpeedButtonEh : public TEditButtonControlEh {
  Q_OBJECT
 public:
  using TEditButtonControlEh::TEditButtonControlEh;
};

// Face cache key: equal keys share one drawn bitmap.
struct TButtonBitmapKeyEh {
  int Width = 0;
  int Height = 0;
  TDrawButtonKindEh Kind = dbkDropDownEh;
  bool Flat = false, Pressed = false, Active = false, Enabled = true, LowerHalf = false;
  TCheckBoxState BoxState = cbUnchecked;
  bool operator==(const TButtonBitmapKeyEh&) const = default;
};

// Paints an edit button or a check box into `rect` (right and bottom exclusive as QRect's
// width and height give them). `pressedPart`: 0 none, 1 upper half or the whole, 2 lower.
void PaintEditButton(QPainter* painter, const QRect& rect, TColor surroundColor, TDrawButtonKindEh kind,
                     int pressedPart, bool flat, bool active, bool enabled, TCheckBoxState boxState);
// A glyph button (ebsGlyphEh): the first of `numGlyphs` glyphs side by side and the caption,
// centred on a button face.
void PaintGlyphButton(QPainter* painter, const QRect& rect, const QPixmap& glyph, int numGlyphs, const QString& caption,
                      const QFont& font, TColor fontColor, TColor surroundColor, bool pressed, bool flat, bool active,
                      bool enabled);
void PaintButtonKindFace(QPainter* painter, TDrawButtonKindEh kind, const QRect& rect, bool enabled, bool flat,
                         bool active, bool pressed, bool lowerHalf);
void PaintCheckBoxGlyph(QPainter* painter, const QRect& rect, TCheckBoxState state, bool enabled, bool flat,
                        bool pressed, bool active);
// The cached face of a key (drawn on first use).
const QPixmap& CachedButtonFace(const TButtonBitmapKeyEh& key);
int FaceCacheCount();
void ResetFaceCache();

int ComputeFlatDefaultWidth();
int ComputeFlatDefaultWidthFor(int fontHeight);
int FlatDefaultWidth();
int ButtonHeightForWidth(int width, bool flat);
int CheckGlyphWidth();
int CheckGlyphHeight();
QRect PlaceCheckBoxRect(const QRect& clientRect, TAlignment alignment, TTextLayout layout);
// The largest square inside `rect`; the spare length is split with the smaller part first.
QRect CheckBoxSquare(const QRect& rect);

void PaintImageCentered(QPainter* painter, const QRect& rect, const QPixmap& image, bool selected);
// Dotted line with the painter's pen: dots on pixels whose (x + y) is odd exactly when
// `oddPhase`; returns the dots drawn (each a one-pixel segment).
QVector<QPoint> DottedLinePoints(QPoint from, int length, bool horizontal, bool oddPhase, int penWidth = 1);
void PaintDottedLine(QPainter* painter, QPoint from, int length, bool horizontal, bool oddPhase);
void PaintTreeNodeCell(QPainter* painter, const QRect& rect, int kind, double horzScale, double vertScale,
                       bool oddPhase);

// A drop-down asks its owner to close through this interface.
class IDropDownHolderEh {
 public:
  virtual ~IDropDownHolderEh() = default;
  virtual void CloseDropDown(bool accept) = 0;
};
// Calls the owner's CloseDropDown when the owner offers the interface.
void CloseThroughHolder(QObject* owner, bool accept);

// The private notice that tells a drop-down on which side its size grip belongs.
class TSizeGripSideEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 100);
  explicit TSizeGripSideEvent(TGripSideEh side) : QEvent(kType), Side(side) {}
  TGripSideEh Side;
};

// Placement of a drop-down of `size` next to `master` (screen coordinates) inside `workArea`:
// the top-left point, the size (shortened and narrowed to fit) and the sides the size grip
// moves to (the grip ends in the corner away from the editor).
struct TDropDownPlacementEh {
  QPoint pos;
  QSize size;
  TGripSideEh vertical = gsBottom;
  TGripSideEh horizontal = gsRight;
};
TDropDownPlacementEh PlaceDropDownInArea(const QRect& master, QSize size, TDropDownAlign align,
                                         const QRect& workArea);
// The work area of the screen nearest to a rectangle.
QRect WorkAreaOf(const QRect& screenRect);
// Places the popup window (resizing it when needed) and sends it the grip side.
QPoint PlaceDropDownAtRect(const QRect& masterScreenRect, QWidget* popup, TDropDownAlign align);
QPoint PlaceDropDown(QWidget* master, QWidget* popup, TDropDownAlign align);

// The sizing triangle in a corner of a drop-down.
class TSizeGripEh : public QWidget {
  Q_OBJECT
 public:
  explicit TSizeGripEh(QWidget* parent);

  TGripCornerEh Corner() const { return corner_; }
  void SetCorner(TGripCornerEh corner);
  bool Triangular() const { return triangular_; }
  void SetTriangular(bool value);
  void MoveToSide(TGripSideEh side);
  void SnapToCorner();
  void ShowGrip(bool visible) { setVisible(visible); }
  // The triangle (in grip coordinates) of the current corner.
  QPolygon TrianglePolygon() const;

  std::function<void(TSizeGripEh*)> OnOwnerSized;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void updateRegion();
  QPoint pressScreenPos_;
  bool selfMoving_ = false;
  QPoint lastScreenPos_;
  QSize pressParentClient_;
  QRect pressParentGeometry_;
  TGripCornerEh corner_ = gcBottomRight;
  bool triangular_ = true;
};

// The list model over an own or a shared string list.
class TPopupListModelEh : public QAbstractListModel {
 public:
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  void SetSource(const QStringList* items);
  void Refresh();
  const QStringList* Source() const { return source_; }
  QStringList own;

 private:
  const QStringList* source_ = &own;
};

class TCustomImageList;

// The drop-down list: whole rows, type-ahead search, hot tracking, a size grip; it never
// takes the keyboard focus from its editor.
class TPopupListboxEh : public QListView {
  Q_OBJECT
 public:
  explicit TPopupListboxEh(QWidget* owner);

  QStringList& Items() { return model_.own; }
  void ItemsChanged() { model_.Refresh(); }
  // Shows these strings without copying them; nullptr returns to the own items.
  void SetSharedItems(const QStringList* items);
  const QStringList* SharedItems() const { return shared_; }
  int Count() const { return model_.rowCount(); }
  int ItemIndex() const;
  void SetItemIndex(int index);
  int TopIndex() const;
  void SetTopIndex(int index);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int height);
  int FontTextHeight() const;
  int EdgeWidth() const { return ctl3D_ ? 2 : 0; }
  int EdgeHeight() const;
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value);
  void ShowRows(int rows);
  // The height the list takes for a requested one: whole rows, at least one.
  int SnappedHeight(int requested) const;
  int VisibleRows() const { return visibleRows_; }
  bool UserResized = false;
  TSizeGripEh* Grip() const { return grip_; }
  QObject* Owner() const { return owner_; }

  // Type-ahead search of one typed character (code 32 or more); Backspace and Esc clear it.
  void TypeAhead(QChar ch);
  QString TypedPrefix() const { return typedPrefix_; }
  // The clock in milliseconds the type-ahead uses; tests replace it.
  std::function<qint64()> Clock;

  std::function<void(TPopupListboxEh*, Qt::MouseButton, QPoint)> OnMouseUp;

  // Images drawn before the items (after them in a right-to-left list): item i shows image i
  // unless OnItemImage (called with the list's owner) changes it. None draws plain items.
  TCustomImageList* ItemImages() const { return itemImages_; }
  void SetItemImages(TCustomImageList* images);
  std::function<void(QObject* sender, int itemIndex, int& imageIndex)> OnItemImage;
  // The image an item shows.
  int ItemImageIndex(int item) const;

  // Keys an editor forwards while the list shows.
  void HandleKey(QKeyEvent* event) { keyPressEvent(event); }
  void HandleWheel(QWheelEvent* event) { wheelEvent(event); }

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  QObject* owner_;
  TPopupListModelEh model_;
  const QStringList* shared_ = nullptr;
  int itemHeight_ = 0;
  bool ctl3D_ = true;
  int visibleRows_ = 1;
  QString typedPrefix_;
  qint64 searchTime_ = -100000;
  TSizeGripEh* grip_;
  QPoint lastPointerPos_{-1, -1};
  bool snapping_ = false;
  TCustomImageList* itemImages_ = nullptr;
  class QAbstractItemDelegate* plainDelegate_ = nullptr;
  class QAbstractItemDelegate* imageDelegate_ = nullptr;
};

// The list of recently used texts shown under an editor.
class TMRUListboxEh : public TPopupListboxEh {
  Q_OBJECT
 public:
  using TPopupListboxEh::TPopupListboxEh;
};

// The month calendar drop-down.
class TPopupMonthCalendarEh : public QCalendarWidget {
  Q_OBJECT
 public:
  explicit TPopupMonthCalendarEh(QWidget* owner);
  QDate Date() const { return selectedDate(); }
  // Always succeeds; a date the control refuses is ignored.
  void SetDate(const QDate& date);
  int EdgeWidth = 2;
  void HandleKey(QKeyEvent* event);
  void HandleWheel(QWheelEvent* event) { wheelEvent(event); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QObject* owner_;
};

// The most recently used texts of an editor.
class TMRUListEh {
 public:
  explicit TMRUListEh(QObject* owner = nullptr) : owner_(owner) {}

  bool Active() const { return active_; }
  void SetActive(bool value);
  bool AutoAdd = true;
  bool CaseSensitive = false;
  const QStringList& Items() const { return items_; }
  void SetItems(const QStringList& items) { items_ = items; }
  int Limit() const { return limit_; }
  void SetLimit(int value);
  int Rows = 7;
  int DropWidth = 0;
  bool YieldToKeys = true;
  bool Shown = false;

  std::function<void(TMRUListEh*)> OnActiveToggled;
  std::function<void(TMRUListEh*, const QString& text, bool& accept)> OnFilterText;
  std::function<void(TMRUListEh*, bool accept)> CloseHandler;
  std::function<void(TMRUListEh*)> OpenHandler;
  // Tells whether a key press waits, so that a long filter stops early.
  std::function<bool()> KeyWaiting;

  void Remember(const QString& text);
  // Fills `target` with the texts that begin with `prefix`; false when a waiting key stopped it.
  bool CollectMatches(QStringList& target, const QString& prefix);
  virtual void CloseList(bool accept) { if (CloseHandler) CloseHandler(this, accept); }
  virtual void OpenList() { if (OpenHandler) OpenHandler(this); }
  void Assign(const TMRUListEh& source);
  virtual ~TMRUListEh() = default;

 private:
  QObject* owner_;
  bool active_ = false;
  QStringList items_;
  int limit_ = 100;
};
