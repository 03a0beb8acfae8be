#pragma once

#include <QFont>
#include <QList>
#include <QPointer>
#include <QScrollBar>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "grid/DBCtrlsEh.h"  // IInplaceEditHolderEh
#include "grid/DBSumLst.h"
#include "grid/LibrarySupportEh.h"  // TStoragePropertyInterceptor
#include "grid/ToolCtrlsEh.h"  // TCheckBoxState, TTextLayout
#include "platform/basegrid.h"
#include "platform/data/datasource.h"
#include "platform/data/memtable.h"
#include "platform/syscolors.h"

// The list grid of every window: a base grid bound to a data source, with columns, multi-line
// titles, footer rows kept by the aggregate engine, striped rows and its own painting.

class TCustomDBGridEh;
class TColumnEh;
class TDBGridColumnsEh;
class TGridColumnSpecCellEh;
class THeadTreeNode;
class TSTDBGridEhFilter;
class TSTColumnFilterEh;
class TInplaceFilterEditEh;
class TPopupDataGridEh;
class TColumnDropDownBoxEh;
class TSpecRowEh;
class TCustomImageList;

// A font with its colour, as the grid's fonts carry both.
struct TFontEh {
  QFont Font;
  TColor Color = clWindowText;
  bool operator==(const TFontEh& o) const { return Font == o.Font && Color == o.Color; }
};

enum TTextOrientationEh { tohHorizontal, tohVertical };
enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
enum TColumnKindEh { ckPlainEh, ckPickListEh, ckLookupEh, ckKeyListEh, ckImagesEh, ckCheckboxEh };
enum TDBGridEhAllowedOperation : unsigned { alopInsertEh = 1, alopUpdateEh = 2, alopDeleteEh = 4, alopAppendEh = 8 };
using TDBGridEhAllowedOperations = unsigned;

// A field's value as a cell shows it: its display text without a format; numbers and dates
// through the format; empty for a null value.
QString FormatFieldValue(TField* field, const QString& format);
// Whether one of the ";"-separated items of a list equals the value, ignoring case.
bool MatchesValueList(const QString& list, const QString& value);

enum TColumnButtonStyleEh { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };

enum TDBGridOption : unsigned {
  dgEditing = 1u << 0,
  dgAlwaysShowEditor = 1u << 1,
  dgTitles = 1u << 2,
  dgIndicator = 1u << 3,
  dgColumnResize = 1u << 4,
  dgColLines = 1u << 5,
  dgRowLines = 1u << 6,
  dgTabs = 1u << 7,
  dgRowSelect = 1u << 8,
  dgAlwaysShowSelection = 1u << 9,
  dgConfirmDelete = 1u << 10,
  dgCancelOnExit = 1u << 11,
  dgMultiSelect = 1u << 12,
};
using TDBGridOptions = unsigned;
inline constexpr TDBGridOptions kDefaultDBGridOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize |
                                                        dgColLines | dgRowLines | dgTabs | dgConfirmDelete |
                                                        dgCancelOnExit;

enum TDBGridEhOption : unsigned {
  dghFixed3D = 1u << 0,
  dghFrozen3D = 1u << 1,
  dghFooter3D = 1u << 2,
  dghData3D = 1u << 3,
  dghResizeWholeRightPart = 1u << 4,
  dghHighlightFocus = 1u << 5,
  dghClearSelection = 1u << 6,
  dghAutoSortMarking = 1u << 7,
  dghMultiSortMarking = 1u << 8,
  dghEnterAsTab = 1u << 9,
  dghTraceColSizing = 1u << 10,
  dghIncSearch = 1u << 11,
  dghPreferIncSearch = 1u << 12,
  dghRowHighlight = 1u << 13,
  dghDblClickOptimizeColWidth = 1u << 14,
  dghFitRowHeightToText = 1u << 15,
  dghDialogFind = 1u << 16,
  dghRecordMoving = 1u << 17,
};
using TDBGridEhOptions = unsigned;
inline constexpr TDBGridEhOptions kDefaultDBGridEhOptions = dghFixed3D | dghHighlightFocus | dghClearSelection | dghDialogFind;

// Per-cell parameters handed to painting and to the cell-parameter events.
struct TColCellParamsEh {
  TAlignment Alignment = taLeftJustify;
  TColor Background = clWindow;
  TCheckBoxState CheckMark = cbUnchecked;
  int Col = 0;
  int Row = 0;
  TFontEh* Font = nullptr;
  int ImageIndex = -1;
  bool ReadOnly = false;
  TGridDrawState State;
  QString Text;
};

// ---- columns ------------------------------------------------------------------------------

// Bits of a column's own-values set.
enum TColumnEhValue : unsigned {
  cvColor = 1u << 0, cvWidth = 1u << 1, cvFont = 1u << 2, cvAlignment = 1u << 3, cvReadOnly = 1u << 4,
  cvTitleColor = 1u << 5, cvTitleCaption = 1u << 6, cvTitleAlignment = 1u << 7, cvTitleFont = 1u << 8,
  cvTitleButton = 1u << 9, cvTitleEndEllipsis = 1u << 10, cvTitleToolTips = 1u << 11,
  cvTitleOrientation = 1u << 12, cvImeMode = 1u << 13, cvImeName = 1u << 14, cvWordWrap = 1u << 15,
  cvLookupDisplayFields = 1u << 16, cvCheckboxes = 1u << 17, cvAlwaysShowEditButton = 1u << 18,
  cvEndEllipsis = 1u << 19, cvAutoDropDown = 1u << 20, cvDblClickNextVal = 1u << 21, cvToolTips = 1u << 22,
  cvDropDownSizing = 1u << 23, cvDropDownShowTitles = 1u << 24, cvLayout = 1u << 25,
  cvHighlightRequired = 1u << 26, cvBiDiMode = 1u << 27,
};

class TColumnTitleEh {
 public:
  explicit TColumnTitleEh(TColumnEh* column) : column_(column) {}
  TColumnEh* Column() const { return column_; }
  TAlignment Alignment() const;
  void SetAlignment(TAlignment a);
  QString Caption() const;
  void SetCaption(const QString& s);
  TColor Color() const;
  void SetColor(TColor c);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool on);
  TFontEh Font() const;
  void SetFont(const TFontEh& f);
  TTextOrientationEh Orientation() const;
  void SetOrientation(TTextOrientationEh o);
  bool TitleButton() const;
  void SetTitleButton(bool on);
  bool ToolTips() const;
  void SetToolTips(bool on);
  QString Hint;
  int ImageIndex = -1;
  int SortIndex() const { return sortIndex_; }
  void SetSortIndex(int i);
  TSortMarkerEh SortMarker() const { return sortMarker_; }
  void SetSortMarker(TSortMarkerEh m);
  // One title click: none -> down -> up; up goes to none when the other markers stay
  // (Ctrl held), else back to down.
  void CycleSortMarker(bool keepOthers);
  int SortMarkerWidth() const;
  void ResetToDefaults();
  void Assign(const TColumnTitleEh& src);

 private:
  TColumnEh* column_;
  TAlignment alignment_ = taLeftJustify;
  QString caption_;
  TColor color_ = clBtnFace;
  bool endEllipsis_ = false;
  TFontEh font_;
  TTextOrientationEh orientation_ = tohHorizontal;
  int sortIndex_ = 0;
  bool toolTips_ = false;
  TSortMarkerEh sortMarker_ = smNoneEh;
  bool titleButton_ = false;
};

class TColumnFooterEh {
 public:
  explicit TColumnFooterEh(TColumnEh* column) : column_(column) {}
  ~TColumnFooterEh();
  TColumnEh* Column() const { return column_; }
  TAlignment Alignment() const;
  void SetAlignment(TAlignment a);
  TColor Color() const;
  void SetColor(TColor c);
  TFontEh Font() const;
  void SetFont(const TFontEh& f);
  bool ToolTips() const;
  void SetToolTips(bool on);
  QString DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const QString& f);
  bool EndEllipsis() const { return endEllipsis_; }
  void SetEndEllipsis(bool on);
  QString FieldName() const { return fieldName_; }
  void SetFieldName(const QString& n);
  QString Value() const { return value_; }
  void SetValue(const QString& v);
  TFooterValueType ValueType() const { return valueType_; }
  void SetValueType(TFooterValueType t);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  void ResetToDefaults();
  void Assign(const TColumnFooterEh& src);
  // Creates, adapts or frees this footer's aggregate item.
  void SyncSumItem();
  TDBSum* SumItem() const { return sumItem_; }

 private:
  void Changed();
  TColumnEh* column_;
  unsigned own_ = 0;  // bit 0 alignment, 1 font, 2 colour, 3 tool tips
  TAlignment alignment_ = taLeftJustify;
  TColor color_ = clWindow;
  QString displayFormat_;
  bool endEllipsis_ = false;
  QString fieldName_;
  TFontEh font_;
  bool toolTips_ = false;
  QString value_;
  TFooterValueType valueType_ = fvtNon;
  bool wordWrap_ = false;
  TDBSum* sumItem_ = nullptr;
};

class TColumnEh {
 public:
  explicit TColumnEh(TDBGridColumnsEh* collection);
  virtual ~TColumnEh();
  TColumnEh(const TColumnEh&) = delete;
  TColumnEh& operator=(const TColumnEh&) = delete;

  TCustomDBGridEh* OwnerGrid() const;
  TDBGridColumnsEh* Collection() const { return collection_; }
  int Index() const;
  void SetIndex(int i);

  TField* BoundField();
  virtual void BindField(TField* f);
  // Binds a field for the layout, without a change signal.
  void BindFieldSilently(TField* f);
  // Records a width as the width writer does, without a change signal (layout and fitting).
  void SetWidthQuiet(int w);
  bool FollowsField() const { return !stored_; }
  void SetStored(bool on) { stored_ = on; }
  QString FieldName() const { return fieldName_; }
  void SetFieldName(const QString& name);
  unsigned AssignedValues() const { return own_; }

  TAlignment Alignment();
  virtual void SetAlignment(TAlignment a);
  TColor Color() const;
  void SetColor(TColor c);
  TFontEh Font() const;
  void SetFont(const TFontEh& f);
  bool ReadOnly();
  virtual void SetReadOnly(bool on);
  int Width();
  virtual void SetWidth(int w);
  int WidthByDefault();
  // Drops an own width: the column follows its default width again.
  void FollowDefaultWidth();
  int ClampWidth(int w) const;
  int MinWidth = 0;
  int MaxWidth = 0;
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  bool AutoFitColWidth() const { return autoFitColWidth_; }
  void SetAutoFitColWidth(bool on);
  // The width the column is fitted from while the grid fits columns to its width. It follows
  // the default width (the field's DisplayWidth) until a width is given to the column: by the
  // program, a form, or the user sizing it.
  int AutoFitBaseWidth = 0;
  bool BaseWidthGiven = false;
  // The base width the fitting uses: the given one, else the current default width.
  int FitBaseWidth() { return BaseWidthGiven ? AutoFitBaseWidth : WidthByDefault(); }
  bool WidthClamped = false;
  // Whether the last change signal came from the width writer under auto-fit (and forgets it).
  bool TakeWidthWritten() { return std::exchange(widthWritten_, false); }
  bool WordWrap();
  void SetWordWrap(bool on);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool on);
  TTextLayout Layout() const;
  void SetLayout(TTextLayout l);
  bool Checkboxes();
  void SetCheckboxes(bool on);
  bool ToolTips() const;
  void SetToolTips(bool on);
  // The cell's edit button shows in every row, not only under the cell editor; the grid's
  // ColumnDefValues give it until the column has its own.
  bool AlwaysShowEditButton() const;
  void SetAlwaysShowEditButton(bool on);
  bool HideDuplicates() const { return hideDuplicates_; }
  void SetHideDuplicates(bool on);
  QString DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const QString& f);
  int Tag = 0;

  TColumnTitleEh* Title() { return &title_; }
  const TColumnTitleEh* Title() const { return &title_; }
  TColumnFooterEh* Footer() { return footer_.get(); }
  // Footer rows beyond the first come from Footers when it has them.
  std::vector<std::unique_ptr<TColumnFooterEh>>& Footers() { return footers_; }
  TColumnFooterEh* AddFooter();
  TColumnFooterEh* FooterAt(int row);
  void SyncFooterSums();

  // Cell values of the record current in the grid's data link.
  QStringList PickList;
  QStringList KeyList;
  int NotInKeyListIndex = -1;
  // Images of the cells: without ShowImageAndText the cell shows only its image (the key-list
  // position, pick-list position or number of the value), with it the image left of the text.
  TCustomImageList* ImageList = nullptr;
  bool ShowImageAndText = false;
  // The column's filter in the grid's filter row (created on first use).
  TSTColumnFilterEh* STFilter();
  // In-place editing: the edit button of the column's cells, the step of the up-down
  // button, the rows of a drop-down list, and the events of the cell editor.
  TColumnButtonStyleEh ButtonStyle = cbsAuto;
  // Buttons shown right of the main one, in order, with their own styles and events.
  TEditButtonsEh* EditButtons() const { return editButtons_.get(); }
  // A button a cell shows right of its text: the main button (Button null) whose style comes
  // from the cell's edit style, then each visible one of EditButtons.
  struct TCellButtonEh {
    TEditButtonStyleEh Style = ebsDropDownEh;
    const TEditButtonEh* Button = nullptr;
    int Width = 0;  // with the separating pixel of a flat grid
  };
  std::vector<TCellButtonEh> CellButtons();
  // The total width of CellButtons.
  int EditButtonsWidth();
  double Increment = 1.0;
  int DropDownRows = 7;
  // The first printable character typed opens the cell's list.
  bool AutoDropDown = false;
  // A typed or pasted text that matches no list item (Sender, text); set, the text is kept.
  std::function<void(TColumnEh* sender, const QString& text)> OnNotInList;
  // The cell's default button was clicked (Sender, var Handled).
  std::function<void(TColumnEh* sender, bool& handled)> OnEditButtonClick;
  // Lookup cells: the drop-down data list (made on first use and kept for the column's life),
  // its settings, and the dataset it lists (the box's list source, else the field's).
  TPopupDataGridEh* DropDownDataList();
  TColumnDropDownBoxEh* DropDownBox();
  // The special first row of the drop-down data list (made on first use); the list shows it
  // as set here.
  TSpecRowEh* DropDownSpecRow();
  TDataSet* LookupListDataSet();
  TDataSet* FieldLookupDataSet();
  int DropDownWidth = 0;  // -1 the list's natural width, 0 the cell's width, else pixels
  bool DropDownShowTitles = false;
  bool DropDownSizing = false;
  // Fields of the lookup list shown in the drop-down (';'-separated); empty: the result field.
  QString LookupDisplayFields;
  TColumnKindEh ColumnKind();
  QString CellDisplayText();
  TCheckBoxState CellCheckState();
  void SetCellCheckState(TCheckBoxState state);
  int CellImageIndex();
  bool MayEditCell(bool tryEdit);
  void ApplyCellValue(QString text, Variant value, bool useText);
  void StepCellValue(double step);
  // Sender, var Text, var Value, var UseText, var Handled.
  std::function<void(TColumnEh* sender, QString& text, Variant& value, bool& useText, bool& handled)> OnUpdateData;

  std::function<void(TColumnEh* sender, bool editMode, TColCellParamsEh& params)> OnGetCellParams;
  virtual void FireGetCellParams(bool editMode, TColCellParamsEh& params) {
    if (OnGetCellParams) OnGetCellParams(this, editMode, params);
  }

  virtual void ResetToDefaults();
  void Assign(const TColumnEh& src);
  // The column's cell in the special row of a lookup list (made on first use).
  TGridColumnSpecCellEh* SpecCell() const;

  // Signals a change of this column (or of all columns) to the collection.
  void Changed(bool allColumns = false);

 protected:
  friend class TColumnTitleEh;
  friend class TColumnFooterEh;
  friend class TDBGridColumnsEh;
  TDBGridColumnsEh* collection_;
  // Set by the width writer under auto-fit: the change signal carries a given base width, which
  // the collection's handler must not rescale.
  bool widthWritten_ = false;
  std::unique_ptr<TSTColumnFilterEh> stFilter_;
  QPointer<QWidget> dropDownDataList_;
  std::unique_ptr<TColumnDropDownBoxEh> dropDownBox_;
  std::unique_ptr<TSpecRowEh> dropDownSpecRow_;
  mutable std::unique_ptr<TGridColumnSpecCellEh> specCell_;
  unsigned own_ = 0;
  TAlignment alignment_ = taLeftJustify;
  TColor color_ = clWindow;
  TFontEh font_;
  bool readOnly_ = false;
  int width_ = 0;
  bool visible_ = true;
  bool autoFitColWidth_ = true;
  bool wordWrap_ = false;
  bool endEllipsis_ = false;
  TTextLayout layout_ = tlTop;
  bool checkboxes_ = false;
  bool toolTips_ = false;
  bool alwaysShowEditButton_ = false;
  std::unique_ptr<TEditButtonsEh> editButtons_;
  bool hideDuplicates_ = false;
  QString displayFormat_;
  QString fieldName_;
  TField* field_ = nullptr;
  bool stored_ = true;
  TColumnTitleEh title_;
  std::unique_ptr<TColumnFooterEh> footer_;
  std::vector<std::unique_ptr<TColumnFooterEh>> footers_;
};

class TDBGridColumnEh : public TColumnEh {
 public:
  using TColumnEh::TColumnEh;
};

// Ordered list of columns that owns nothing.
class TColumnsEhList {
 public:
  int Count() const { return int(items_.size()); }
  TColumnEh* ColumnAt(int i) const;
  TColumnEh* operator[](int i) const { return items_[i]; }
  void Add(TColumnEh* c) { items_.append(c); }
  void Remove(TColumnEh* c) { items_.removeAll(c); }
  void Clear() { items_.clear(); }
  int IndexOf(TColumnEh* c) const { return int(items_.indexOf(c)); }
  void Insert(int i, TColumnEh* c) { items_.insert(i, c); }

 private:
  QList<TColumnEh*> items_;
};

class TDBGridColumnsEh {
 public:
  explicit TDBGridColumnsEh(TCustomDBGridEh* grid) : grid_(grid) {}
  ~TDBGridColumnsEh();
  TCustomDBGridEh* Grid() const { return grid_; }
  int Count() const { return int(items_.size()); }
  TColumnEh* Items(int i) const { return items_[size_t(i)].get(); }
  TColumnEh* operator[](int i) const { return Items(i); }
  TColumnEh* ColumnAt(int i) const;
  TColumnEh* AppendColumn();
  TColumnEh* AddDefaultColumn();
  bool IsCustomised() const { return !items_.empty() && items_.front()->FollowsField() == false; }
  void UnbindFields();
  void Delete(int i);
  void Clear();
  void Move(int from, int to);
  int IndexOf(const TColumnEh* c) const;
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  // Ends an update without signalling what changed meanwhile (the layout follows anyway).
  void EndUpdateSilently() {
    if (updateCount_ > 0 && --updateCount_ == 0) pendingAll_ = false;
  }
  bool Updating() const { return updateCount_ > 0; }
  // Used by the layout, which rebuilds everything afterwards.
  void DeleteSilently(int i) { items_.erase(items_.begin() + i); }
  void MoveSilently(int from, int to);
  // The update handler: a changed column, or none for all columns.
  void Update(TColumnEh* item);

 private:
  TCustomDBGridEh* grid_;
  std::vector<std::unique_ptr<TColumnEh>> items_;
  int updateCount_ = 0;
  bool pendingAll_ = false;
};

class TColumnTitleDefValuesEh {
 public:
  explicit TColumnTitleDefValuesEh(TCustomDBGridEh* grid) : grid_(grid) {}
  TAlignment Alignment() const;
  void SetAlignment(TAlignment a);
  TColor Color() const;
  void SetColor(TColor c);
  bool EndEllipsis = false;
  TTextOrientationEh Orientation = tohHorizontal;
  bool TitleButton = false;
  bool ToolTips = false;

 private:
  TCustomDBGridEh* grid_;
  unsigned own_ = 0;  // bit 0 colour, bit 1 alignment
  TAlignment alignment_ = taLeftJustify;
  TColor color_ = clBtnFace;
};

struct TColumnFooterDefValuesEh {
  bool ToolTips = false;
};

class TColumnDefValuesEh {
 public:
  explicit TColumnDefValuesEh(TCustomDBGridEh* grid) : grid_(grid), title_(grid) {}
  virtual ~TColumnDefValuesEh() = default;
  bool AlwaysShowEditButton = false;
  bool AutoDropDown = false;
  bool DblClickNextVal = false;
  bool DropDownShowTitles = false;
  bool DropDownSizing = false;
  bool EndEllipsis() const { return endEllipsis_; }
  void SetEndEllipsis(bool on);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout l);
  bool HighlightRequired = false;
  TColumnTitleDefValuesEh* Title() { return &title_; }
  TColumnFooterDefValuesEh* Footer() { return &footer_; }
  bool ToolTips = false;

 private:
  TCustomDBGridEh* grid_;
  bool endEllipsis_ = false;
  TTextLayout layout_ = tlTop;
  TColumnTitleDefValuesEh title_;
  TColumnFooterDefValuesEh footer_;
};

class TDBGridEhColumnDefValuesEh : public TColumnDefValuesEh {
 public:
  using TColumnDefValuesEh::TColumnDefValuesEh;
};

// ---- multi-line titles --------------------------------------------------------------------

class THeadTreeNode {
 public:
  THeadTreeNode() = default;
  THeadTreeNode(const QString& text, int width, int height);
  ~THeadTreeNode();
  THeadTreeNode(const THeadTreeNode&) = delete;
  THeadTreeNode& operator=(const THeadTreeNode&) = delete;

  THeadTreeNode* FirstChild = nullptr;
  TColumnEh* LeafColumn = nullptr;
  bool Painted = false;
  int NodeHeight = 0;
  THeadTreeNode* Parent = nullptr;
  THeadTreeNode* NextSibling = this;
  QString NodeText;
  int LineWidth = 0;
  int NodeWidth = 0;
  int MarkerIndent = 0;

  static THeadTreeNode* MakeLoneNode(const QString& caption, int width, int height);
  static bool ContainsNode(const THeadTreeNode* start, const THeadTreeNode* node);
  THeadTreeNode* AddSibling(THeadTreeNode* after, const QString& caption, int width, int height);
  THeadTreeNode* AppendChildNode(THeadTreeNode* parent, const QString& caption, int width, int height);
  static void FreeChildren(THeadTreeNode* node);
  static int NodeLevel(const THeadTreeNode* node);
  THeadTreeNode* GroupRange(THeadTreeNode* from, THeadTreeNode* to, int height, const QString& caption);
  static void ForEachNode(THeadTreeNode* node, const std::function<void(THeadTreeNode*)>& action);
  // Children in ring order.
  std::vector<THeadTreeNode*> Children() const;
};

// Word routines: words are runs of characters between delimiters.
int NthWordStart(int n, const QString& text, const QString& delimiters);
QString NthWord(int n, const QString& text, const QString& delimiters);
QString NthWordWithStart(int n, const QString& text, const QString& delimiters, int& position);

// ---- style --------------------------------------------------------------------------------

TColor BlendHighlightColor(TColor color, TColor glass, bool darken);
TColor BrightenColor(TColor color, int divisor);

class TDBGridEhStyle {
 public:
  TDBGridEhStyle();
  virtual ~TDBGridEhStyle();
  void RegisterGrid(TCustomDBGridEh* g);
  void UnregisterGrid(TCustomDBGridEh* g);
  bool IsGridRegistered(TCustomDBGridEh* g) const;
  virtual bool GetHighlightColors(TCustomDBGridEh* grid, int aCol, TFontEh& font, TColor& background,
                                  TGridDrawState& state, int dataRow, int dataCol, int aRow);
  virtual bool GetFixedCellColors(TCustomDBGridEh* grid, TFontEh& font, TColor& background, bool selected,
                                  bool indicatorCell, bool titleOrFilterRow, bool afterDataRow);
  bool LightenSelection = true;
  // More than 256 colours: the screens this program runs on always have them.
  int ScreenColorCount = -1;
  bool ApplyFilterOnCloseUp = false;
  bool ShowFocusRect = true;

 private:
  QList<TCustomDBGridEh*> grids_;
};
TDBGridEhStyle* DefaultGridStyle();

// ---- text routines ------------------------------------------------------------------------

// Cuts a text and appends "..." until it fits maxWidth; the first try keeps all but two chars.
QString ShortenText(const QString& text, const QFontMetrics& fm, int maxWidth);
// Draws a text in a cell: alignment 0 left, 1 right, 2 centre; layout tlTop/tlCenter/tlBottom.
void DrawCellText(QPainter& p, const TFontEh& font, TColor brush, const QRect& rect, bool fill,
                  int rightMargin, int leftMargin, bool endEllipsis, bool wordWrap, TTextLayout layout,
                  TAlignment alignment, const QString& text, int dy, int dx);
// Vertical text reading upwards; returns the extent along the baseline.
int DrawVerticalText(QPainter* p, const TFontEh& font, TColor brush, const QRect& rect, bool fill,
                     bool measureOnly, TTextLayout layout, TAlignment alignment, const QString& text, int dy, int dx);
int MeasureTextWidth(const QFont& font, const QString& text);

// ---- data link ----------------------------------------------------------------------------

// Recounts the footers of every grid showing `ds`. Footers follow opening and single posts and
// deletes; a window that adds records to an open dataset without posting them
// (TDataSet::AppendWritten) calls this when it is done.
void RecalculateFootersOf(TDataSet* ds);

class TGridDataLinkEh : public TDataLink {
 public:
  explicit TGridDataLinkEh(TCustomDBGridEh* grid) : Grid(grid) { VisualControl = true; }
  void MapField(const QString& fieldName);
  void ClearFieldMap();
  TField* MappedField(int i) const;
  bool HasDefaultFields() const;
  void MarkModified() { Modified = true; }
  int MappedCount() const { return int(FieldMap.size()); }
  std::vector<int> FieldMap;
  TCustomDBGridEh* Grid;
  bool InUpdateData = false;
  bool Modified = false;
  bool SparseMap = false;

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void EditingChanged() override;
  void UpdateData() override;
  void FocusControl(TField* field) override;
};

// ---- scroll bars, data service, column storage --------------------------------------------

enum TScrollBarVisibleModeEh { sbAlwaysShowEh, sbNeverShowEh, sbAutoShowEh };

// When the grid shows a scroll bar and whether it follows the thumb while it is dragged.
class TDBGridEhScrollBar {
 public:
  // The grid's own Qt bar takes the object's Tracking from the start (a Qt bar tracks by
  // default, this object does not).
  TDBGridEhScrollBar(TCustomDBGridEh* grid, int kind);
  virtual ~TDBGridEhScrollBar() {
    grid_ = nullptr;  // the grid may be going away: only the external bar is let go
    DetachExtScrollBar();
  }
  TDBGridEhScrollBar(const TDBGridEhScrollBar&) = delete;
  TDBGridEhScrollBar& operator=(const TDBGridEhScrollBar&) = delete;
  int Kind() const { return kind_; }
  bool Tracking() const { return tracking_; }
  void SetTracking(bool on);
  TScrollBarVisibleModeEh VisibleMode() const { return visibleMode_; }
  void SetVisibleMode(TScrollBarVisibleModeEh m);
  bool Visible() const { return visibleMode_ != sbNeverShowEh; }
  void SetVisible(bool on) { SetVisibleMode(on ? sbAutoShowEh : sbNeverShowEh); }
  // Whether the grid currently shows this bar.
  bool ShowsScrollBar() const;
  void Assign(const TDBGridEhScrollBar& src);
  // A scroll bar control elsewhere on the window that replaces the grid's own: its actions
  // scroll the grid exactly as the grid's own bar would, and the grid sets its range, page and
  // position. A bar already attached to another grid is refused; a freed bar is let go.
  QScrollBar* ExtScrollBar() const { return ext_; }
  void SetExtScrollBar(QScrollBar* bar);
  // Gives the external bar the grid's scroll information.
  void SetExternalScrollInfo(int min, int max, int page, int pos);

 private:
  void DetachExtScrollBar();
  void RestoreOwnBar();
  TCustomDBGridEh* grid_;
  int kind_;
  bool tracking_ = false;
  TScrollBarVisibleModeEh visibleMode_ = sbAutoShowEh;
  QPointer<QScrollBar> ext_;
  std::vector<QMetaObject::Connection> extLinks_;
};

class TVertDBGridEhScrollBar : public TDBGridEhScrollBar {
 public:
  explicit TVertDBGridEhScrollBar(TCustomDBGridEh* grid) : TDBGridEhScrollBar(grid, 1) {}
};

// The one object through which grids sort, filter and move records. No dataset features are
// registered for this system's datasets, so without handlers the defaults change nothing.
class TDBGridEhDataService {
 public:
  virtual ~TDBGridEhDataService() = default;
  std::function<void(TCustomDBGridEh*)> OnApplyFilter;
  std::function<void(TCustomDBGridEh*)> OnSortGrid;
  virtual bool MoveRecordsOf(TCustomDBGridEh* grid, const QStringList& bookmarks, int toRecNo, bool checkOnly) {
    return DefaultMoveRecordsOf(grid, bookmarks, toRecNo, checkOnly);
  }
  // The features registered for the class of the grid's dataset move the records; false
  // without a dataset or without features.
  virtual bool DefaultMoveRecordsOf(TCustomDBGridEh* grid, const QStringList& bookmarks, int toRecNo,
                                    bool checkOnly);
  virtual void FilterGrid(TCustomDBGridEh* grid) {
    if (OnApplyFilter) OnApplyFilter(grid);
    else DefaultFilterGrid(grid);
  }
  virtual void SortGrid(TCustomDBGridEh* grid) {
    if (OnSortGrid) OnSortGrid(grid);
    else DefaultSortGrid(grid);
  }
  // The dataset features registered for the dataset's class apply the filter row.
  virtual void DefaultFilterGrid(TCustomDBGridEh* grid);
  virtual void DefaultSortGrid(TCustomDBGridEh*) {}
};
TDBGridEhDataService* DBGridEhDataService();

// Restoring a stored layout: a column's width (the remembered width under automatic fitting)
// and the order of the columns by field name.
class TColumnEhPropertyInterceptor : public TStoragePropertyInterceptor {
 public:
  explicit TColumnEhPropertyInterceptor(TColumnEh* target) : TStoragePropertyInterceptor(target), target_(target) {}
  void SetWidth(int w);
  // Publishes the write-only Width.
  QStringList PublishedProperties() const override;
  bool WriteProperty(const QString& name, const QVariant& value) override;

 private:
  TColumnEh* target_;
};

class TColumnsEhPropertyInterceptor : public TStoragePropertyInterceptor {
 public:
  explicit TColumnsEhPropertyInterceptor(TDBGridColumnsEh* target)
      : TStoragePropertyInterceptor(target), target_(target) {}
  QString ColumnsIndex() const;
  void SetColumnsIndex(const QString& text);
  // Publishes ColumnsIndex.
  QStringList PublishedProperties() const override;
  bool ReadProperty(const QString& name, QVariant& value) const override;
  bool WriteProperty(const QString& name, const QVariant& value) override;

 private:
  TDBGridColumnsEh* target_;
  QString columnsIndex_;
};

// A value as text; an array as its elements in single quotes separated by commas.
QString VariantListText(const Variant& v);

// ---- the grid -----------------------------------------------------------------------------

enum TCellAreaRow { caTitle = 0, caFilter = 1, caData = 2, caFiller = 3, caFooter = 4 };
struct TCellTypeEh {
  bool dataColumn = false;
  int columnIndex = -1;
  TCellAreaRow rowArea = caData;
  int index = 0;  // record index in the buffer, or footer index
};

enum TDBGridEhSelectionType { gstNon, gstRecordBookmarks, gstRectangle, gstColumns, gstAll };
// A set of selection types, one bit per type (1 << type); all four kinds give 30.
using TDBGridEhAllowedSelections = unsigned;
inline constexpr unsigned SelectionBit(TDBGridEhSelectionType t) { return 1u << unsigned(t); }
inline constexpr TDBGridEhAllowedSelections kAllSelectionsEh = 30;
enum TDBGridEhEditAction : unsigned { geaCutEh = 1, geaCopyEh = 2, geaPasteEh = 4, geaDeleteEh = 8, geaSelectAllEh = 16 };
using TDBGridEhEditActions = unsigned;
class TBookmarkListEh;
class TDBGridEhSelection;

using TDBGridEhClickEvent = std::function<void(TColumnEh* column)>;
using TTitleEhClickEvent = std::function<void(QObject* sender, int aCol, TColumnEh* column)>;
using TCheckTitleEhBtnEvent = std::function<void(QObject* sender, int aCol, TColumnEh* column, bool& enabled)>;
using TGridMouseEvent =
    std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;
// A wheel step offered to the window (row-interface mode): set handled to skip the grid's own
// scrolling. The position is in the grid's client coordinates.
using TMouseWheelUpDownEvent =
    std::function<void(QObject* sender, Qt::KeyboardModifiers shift, QPoint mousePos, bool& handled)>;
using TGridKeyEvent = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>;
// Asked whether (checkOnly) and how the records of the bookmarks move before the record number
// toRecNo; answers whether the move is (or would be) done.
using TMoveRecordsEvent = std::function<bool(QObject* sender, const QStringList& bookmarks, int toRecNo,
                                             int treeLevel, bool checkOnly)>;

// What the grid would show as a hint at a point of its client area.
struct TGridHintInfo {
  bool Show = false;
  bool ToolTip = false;  // a tool tip over a cut text (else the title's own hint)
  QString Text;
  QRect CursorRect;      // client coordinates
  QPoint Pos;            // client coordinates of the tool tip's top-left corner
  int Pause = -1;        // 0: at once; -1: the application's pause
  QFont Font;            // a tool tip's font: the cell's, so it continues the cell's text
};

using TGetCellEhParamsEvent =
    std::function<void(QObject* sender, TColumnEh* column, TFontEh& font, TColor& background, TGridDrawState state)>;
using TDrawColumnEhCellEvent =
    std::function<void(QObject* sender, const QRect& rect, int dataCol, TColumnEh* column, TGridDrawState state)>;
using TDrawFooterCellEvent = std::function<void(QObject* sender, int dataCol, int row, TColumnEh* column,
                                                const QRect& rect, TGridDrawState state)>;
using TGetFooterParamsEvent =
    std::function<void(QObject* sender, int dataCol, int row, TColumnEh* column, TFontEh& font, TColor& background,
                       TAlignment& alignment, TGridDrawState state, QString& text)>;
using TGridNotifyEvent = std::function<void(QObject* sender)>;
using TDrawDataCellEvent = std::function<void(QObject* sender, const QRect& rect, TField* field, TGridDrawState state)>;
using TGetBtnParamsEvent = std::function<void(QObject* sender, TColumnEh* column, TFontEh& font, TColor& background,
                                              TSortMarkerEh& sortMarker, bool isDown)>;

class TCustomDBGridEh : public TCustomGrid, public IInplaceEditHolderEh {
  Q_OBJECT
 public:
  explicit TCustomDBGridEh(QWidget* parent = nullptr);
  ~TCustomDBGridEh() override;

  // Owned objects.
  TDBGridColumnsEh* Columns() { return columns_.get(); }
  TDBGridEhColumnDefValuesEh* ColumnDefValues() { return colDefValues_.get(); }
  TColumnsEhList& VisibleColumns() { return visibleColumns_; }
  // The visible columns in display order (the name the windows use).
  TColumnsEhList& ShownColumns() { return visibleColumns_; }
  TColumnsEhList& SortOrderColumns() { return sortOrderColumns_; }
  TDBGridEhSumList* SumList() { return sumList_.get(); }
  TGridDataLinkEh* DataLink() { return dataLink_.get(); }
  THeadTreeNode* HeaderTree() { return headerTree_.get(); }
  const std::vector<THeadTreeNode*>& LeafColumns() const { return leafColumns_; }
  TDBGridEhStyle* StyleObject() const { return style_; }
  TDBGridEhScrollBar* HorzScrollBar() { return horzScrollBar_.get(); }
  TVertDBGridEhScrollBar* VertScrollBar() { return vertScrollBar_.get(); }
  virtual std::unique_ptr<TDBGridEhScrollBar> NewScrollBar(int kind);
  virtual void SortDataSet() { DBGridEhDataService()->SortGrid(this); }
  virtual void FilterDataSet();

  // Data.
  TDataSource* DataSource() const { return dataLink_->DataSource(); }
  void SetDataSource(TDataSource* s);
  TDataSet* DataSet() const { return dataLink_->DataSet(); }

  // Properties.
  TDBGridOptions Options() const { return options_; }
  void SetOptions(TDBGridOptions o);
  TDBGridEhOptions OptionsEh() const { return optionsEh_; }
  void SetOptionsEh(TDBGridEhOptions o);
  bool AutoFitColWidths() const { return autoFitColWidths_; }
  void SetAutoFitColWidths(bool on);
  void TakeWidthAsBase(TColumnEh* c);
  int MinAutoFitWidth() const { return minAutoFitWidth_; }
  void SetMinAutoFitWidth(int w);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor c);
  TColor FooterColor() const { return footerColor_; }
  void SetFooterColor(TColor c);
  TColor EvenRowColor() const { return evenRowColor_ ? *evenRowColor_ : color_; }
  void SetEvenRowColor(TColor c) { evenRowColor_ = c; InvalidateGrid(); }
  TColor OddRowColor() const { return oddRowColor_ ? *oddRowColor_ : color_; }
  void SetOddRowColor(TColor c) { oddRowColor_ = c; InvalidateGrid(); }
  const TFontEh& GridFont() const { return font_; }
  void SetGridFont(const TFontEh& f);
  const TFontEh& TitleFont() const { return titleFont_; }
  void SetTitleFont(const TFontEh& f);
  const TFontEh& FooterFont() const { return footerFont_; }
  void SetFooterFont(const TFontEh& f);
  int FooterRowCount() const { return footerRowCount_; }
  void SetFooterRowCount(int n);
  int FrozenCols() const { return frozenCols_; }
  void SetFrozenCols(int n);
  bool Flat() const { return flat_; }
  void SetFlat(bool on);
  int RowHeight() const { return rowHeight_; }
  void SetRowHeight(int h);
  int RowLines() const { return rowLines_; }
  void SetRowLines(int n);
  int TitleHeight() const { return titleHeight_; }
  void SetTitleHeight(int h);
  int TitleLines() const { return titleLines_; }
  void SetTitleLines(int n);
  bool UseMultiTitle() const { return useMultiTitle_; }
  void SetUseMultiTitle(bool on);
  int VTitleMargin() const { return vTitleMargin_; }
  void SetVTitleMargin(int m);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on) {
    if (on == readOnly_) return;
    readOnly_ = on;
    InvalidateGrid();
    if (!loading_) UpdateTabStops();
  }
  TDBGridEhAllowedOperations AllowedOperations = alopInsertEh | alopUpdateEh | alopDeleteEh | alopAppendEh;
  bool DrawMemoText = false;
  // Images of the titles: a title whose ImageIndex is set shows that image instead of its caption.
  TCustomImageList* TitleImages = nullptr;
  bool DefaultDrawing = true;
  bool RowSizingAllowed() const { return rowSizingAllowed_; }
  void SetRowSizingAllowed(bool on);

  // Events.
  TGetCellEhParamsEvent OnGetCellParams;
  TDrawColumnEhCellEvent OnDrawColumnCell;
  TDrawDataCellEvent OnDrawDataCell;
  TGetBtnParamsEvent OnGetBtnParams;
  TDrawFooterCellEvent OnDrawFooterCell;
  TGetFooterParamsEvent OnGetFooterParams;
  TGridNotifyEvent OnColWidthsChanged;
  TGridNotifyEvent OnSumListRecalcAll;
  TGridNotifyEvent OnSumListAfterRecalcAll;
  TGridNotifyEvent OnSortMarkingChanged;

  // Offsets and conversions.
  int IndicatorOffset() const { return indicatorOffset_; }
  int DataRowOffset() const { return dataRowOffset_; }
  int GridToColumnIndex(int gridCol) const { return gridCol - indicatorOffset_; }
  int ColumnToGridIndex(int index) const { return index + indicatorOffset_; }
  int SelectedColumnIndex() const { return GridToColumnIndex(Col()); }
  TField* SelectedField();
  int VisibleDataRowCount() const;
  int ComputedTitleHeight() const { return computedTitleHeight_; }
  bool WordWrapFits() const { return wordWrapFits_; }
  int CellTextMargin() const { return cellTextMargin_; }
  bool InLayout() const { return inLayout_; }
  bool InLinkLayoutChange() const { return inLinkLayoutChange_; }
  bool Loading() const { return loading_; }
  void SetLoading(bool on) { loading_ = on; }
  void Loaded();

  // Layout locks.
  void LockUpdates() { ++updateLock_; }
  void UnlockUpdates() { if (updateLock_ > 0) --updateLock_; }
  void LockLayout();
  bool TryLockLayout();
  void UnlockLayout();
  void DropLayoutLock();
  virtual void RequestLayout();
  void PostLayoutRequest();
  int UpdateLock() const { return updateLock_; }
  int LayoutLock() const { return layoutLock_; }
  int LayoutRuns() const { return layoutRuns_; }
  void RefreshEditor();
  void RepaintFooters();
  void InvalidateGridRow(int row);
  void SelectColumnIndex(int i);

  virtual int FilterRowCount() const;
  // ---- filter row
  TSTDBGridEhFilter* STFilter();
  bool IsFilterCellVisible(int columnIndex);
  QString ColumnFilterText(int columnIndex);
  // Applies the column filters: OnApplyFilter when set, else the data service; then the
  // footers are recalculated and the grid repainted, also when applying fails.
  void ApplyFilter();
  void ClearAllFilters();
  TGridNotifyEvent OnApplyFilter;
  // The filter cell's editor: opened over a column's filter cell by a click or by Up from the
  // first record; Enter applies the filter.
  void ShowFilterEditor(int columnIndex);
  void UpdateFilterEditor(bool load);
  void LoadFilterEditor(int columnIndex);
  void HideFilterEditor();
  bool FilterEditMode() const;
  int FilterEditColumn() const;
  TInplaceFilterEditEh* FilterEditor() const;
  bool CanEditFilterCell(int columnIndex);
  // Stores the editor's text into its column's filter; with `raise`, a text that cannot be
  // read raises, else the column keeps its previous filter until the text can be read.
  void StoreFilterText(bool raise);
  // Up on the first record (or with Ctrl) opens a filter cell; true when it did.
  bool EnterFilterRowByKey(int key, Qt::KeyboardModifiers shift);
  // IInplaceEditHolderEh: the filter editor's keys and messages come here first.
  bool AllowEdit(QWidget* editor) override;
  void MouseDownInfo(QPoint& screenPos, qint64& time) override;
  bool FilterMessage(QWidget* editor, QEvent* event) override;
  void FilterKeyDown(QWidget* editor, int& key, Qt::KeyboardModifiers shift) override;
  void FilterKeyPress(QWidget* editor, QChar& key) override;
  void FilterKeyUp(QWidget* editor, int& key, Qt::KeyboardModifiers shift) override;
  virtual int TitleRowCount() const { return (options_ & dgTitles) ? 1 : 0; }
  TCellTypeEh GetCellType(int gridCol, int gridRow) const;
  virtual QString FooterCellText(int footerRow, TColumnEh* column);
  // The record number used for striping, from the sum list.
  int RecordNumberOfActive();

  // Colours and measuring helpers the columns use.
  int DefaultColumnWidthFor(TColumnEh* c);
  void RebuildSortOrderColumns();
  // The columns collection's update handler: a changed column, or none for all columns.
  void UpdateForColumn(TColumnEh* item);

  virtual bool GetHighlightColors(int aCol, int aRow, TFontEh& font, TColor& background, TGridDrawState& state,
                                  int dataRow, int dataCol);
  virtual bool GetFixedCellColors(int aCol, int aRow, TFontEh& font, TColor& background, bool selected);
  virtual bool IsCellSelected(int aCol, int aRow) const;
  virtual bool OwnsFocus() const;
  virtual bool UsesCell3DFrame(int aCol, int aRow, TGridDrawState state) const;
  // Whether the focus rectangle spans the whole current row (row select on a focused grid).
  virtual bool DrawsRowFocusRect() const;

  // ---- marked rows and selection
  TBookmarkListEh* MarkedRows() const { return markedRows_.get(); }
  TDBGridEhSelection* CurrentSelection() const { return selection_.get(); }
  TDBGridEhAllowedSelections AllowedSelections() const { return allowedSelections_; }
  void SetAllowedSelections(TDBGridEhAllowedSelections s);
  TGridNotifyEvent OnSelectionChanged;
  TDBGridEhEditActions EditActions = 0;
  bool CanSelectKind(TDBGridEhSelectionType kind) const;
  bool CanCopySelection() const;
  bool CanPasteSelection() const;
  bool CanCutSelection() const;
  bool CanDeleteSelection() const;
  bool CanSelectAll() const;
  // The standard edit actions: whether the grid takes the action (and its enabled state).
  bool UpdateEditAction(TDBGridEhEditAction action, bool& enabled);
  bool ExecuteEditAction(TDBGridEhEditAction action);
  // Copy, cut, paste and delete of the selection through the clipboard; answers whether it ran.
  std::function<bool(TCustomDBGridEh* grid, TDBGridEhEditAction action)> ClipboardAction;
  // The ellipsis button of a cell, or Ctrl+Enter in such a cell.
  TGridNotifyEvent OnEditButtonClick;
  void InvalidateSelection();
  // Bookmark of a buffered record (empty when the row holds none).
  QString BufferRowBookmark(int bufferRow) const;
  // The buffer row of a bookmark, or -1 when that record is not buffered.
  int BufferRowOf(const QString& bookmark) const;
  // The data rows of the screen: the first data grid row and the row after the last one.
  QRect DataAreaRect() const;

  // ---- editing hooks and row movement
  bool KeepsEditorShown() const;
  bool CanEditColumn(int columnIndex);
  virtual void ShowCellEditor();
  void ClearSelectionOnMove();
  void MoveCurrentRow(bool extend, int distance, bool rowMode, bool toEnd);
  bool ToggleMarks() const { return toggleMarks_; }
  void SetToggleMarks(bool on) { toggleMarks_ = on; }
  bool ShiftMarking() const { return shiftMarking_; }
  bool EditAllowedByOperations() const;
  // The grid's edit test: whether the editor may change the current cell; puts the data
  // link into edit state and marks it modified.
  bool EditCanModify() { return CanEditModify(); }
  // Stores the editor's text as the cell text of the current cell.
  void StoreEditText(const QString& text) { cellEditText_ = text; }
  void SetEditKeyValue(const Variant& v) { editKeyValue_ = v; }
  // The editor's text as the base grid reads it for the current cell.
  QString EditTextOfCurrentCell() const { return GetEditText(Col(), Row()); }
  // Writes the editor's text into the record (the data link asks before a post).
  void CommitEditText();
  // A field (or, without one, the whole record) changed: repaint and refresh a stale editor.
  void FollowRecordChange(TField* field);
  QString CellEditText() const { return cellEditText_; }
  Variant EditKeyValue() const { return editKeyValue_; }
  // Scales fonts and column widths by m/d, the widths cumulatively so the total has no drift.
  void ChangeScale(int m, int d);

  // ---- keyboard
  void MoveToColumn(int gridCol, int step, bool extendRect);
  void SetCurrentColumn(int gridCol);
  void StepToNextRow(bool extend);
  void StepToPriorRow(bool extend);
  void StepToNextColumn(bool forward);
  bool ConfirmRecordDelete();
  void CopyValueFromPriorRecord();
  void IncSearch(const QString& addText, int timeout, int direction);
  void EndIncSearch();
  bool IncSearchActive() const { return incSearchActive_; }
  // Whether the find window opens modally.
  virtual bool FindDialogModal() const { return true; }
  QString IncSearchText() const { return incSearchText_; }
  bool IncSearchTimerRunning() const { return incSearchTimer_.isActive(); }
  int IncSearchTimeout = 1500;
  TGridKeyEvent OnKeyDown;
  TGridNotifyEvent OnColEnter;
  TGridNotifyEvent OnColExit;

  // ---- mouse
  TGridMouseEvent OnMouseDown;
  TGridNotifyEvent OnDblClick;
  TDBGridEhClickEvent OnCellClick;
  TDBGridEhClickEvent OnTitleClick;
  TTitleEhClickEvent OnTitleBtnClick;
  TCheckTitleEhBtnEvent OnCheckButton;
  std::function<void(QObject* sender, int fromIndex, int toIndex)> OnColumnMoved;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  int OwnMouseMode() const { return ownMode_; }
  int PressedTitleColumn() const { return pressedCol_; }
  bool PressedTitleDown() const { return pressedDown_; }
  int ScrollTimerInterval() const { return ownTimerInterval_; }
  void EndMouseTracking();
  void ScrollOnTimer();
  void OptimizeColumnWidth(TColumnEh* column);
  void OptimizeColumnWidths(const QList<TColumnEh*>& list);
  int MeasureTitleWidth(TColumnEh* column);
  int MeasureCellWidth(TColumnEh* column);
  // The size of a cell's edit button: the flat button width on a flat grid, else the scroll
  // bar's; as high as a row, or the button height for that width when rows are taller.
  int EditButtonWidth() const;
  int EditButtonHeight() const;
  int MeasureFooterWidth(TColumnEh* column);
  // Frozen column sizing: 6 and the line, offset and column when (x, y) is on a frozen line.
  int FrozenSizingHitTest(int x, int y, int& linePos, int& offset, int& index) const;
  bool InFrozenSizingZone(int x, int y) const;

  // ---- record dragging (by the indicator cell, with dghRecordMoving)
  TMoveRecordsEvent OnMoveRecords;
  virtual bool CanStartRecordDrag(int startRow, int dropRow, const QPoint& p);
  // True when (x, y) is a drag handle; unless testOnly the drag then begins.
  virtual bool BeginRecordDrag(int x, int y, bool testOnly);
  // The mouse moved to grid row `row` (-1 outside the cells) or the drag timer fired.
  virtual void DragRecordOver(int y, int row, const QPoint& p);
  virtual void EndRecordDrag(int x, int y, bool drop);
  virtual bool MoveDraggedRecords(int row, int level, bool checkOnly);
  virtual bool MoveRecords(const QStringList& bookmarks, int row, bool checkOnly, int level);
  virtual bool DefaultMoveRecords(const QStringList& bookmarks, int recNo, bool checkOnly, int level);
  // The drop line's x for a drop on `row` at point p, and the tree level the drop chooses.
  virtual int DropLevelAt(int row, const QPoint& p, int& level);
  // The record number of data row `row` (counted from the first data row); 0 when inactive.
  int RowRecNo(int row);
  bool RecordDragging() const { return ownMode_ == 7; }
  int DragStartRow() const { return dragStartRow_; }
  int DropRow() const { return dropRow_; }
  int DropLevel() const { return dropLevel_; }
  int DragLevel() const { return dragLevel_; }
  int DropLineX() const { return dropLineX_; }
  QString DraggedBookmark() const { return draggedBookmark_; }
  // The line the grid draws while records are dragged (empty when none is drawn).
  QRect DropLineRect() const;

  // ---- sort marking
  virtual void SortMarkingChanged();
  bool CtrlSortPending() const { return ctrlSortPending_; }
  // One click on the title button of column index i (Ctrl: keep the other markers).
  void TitleButtonClicked(int columnIndex, bool ctrl);

  // ---- hints
  TGridHintInfo HintInfoAt(const QPoint& p);
  // The focus left the grid and its cell editor for another control: an untouched new row is
  // cancelled (dgCancelOnExit), else the editor's text is written into the record.
  void LeaveGrid();
  QString CellHintText(TColumnEh* column);

  // ---- scrolling and position memory
  void RememberPosition();
  void ReturnToPosition();
  QString RememberedBookmark() const { return rememberedBookmark_; }
  int RememberedOffset() const { return rememberedOffset_; }
  // Row-interface mode: a dataset that offers IMemTableEh shows every record as a grid row;
  // the grid then scrolls its rows itself without moving the current record. In force while
  // the interface is held and no footer rows are shown.
  bool UseRowInterface() const { return useRowInterface_; }
  void SetUseRowInterface(bool on);
  IMemTableEh* RowInterface() const { return rowIfOwner_ ? rowInterface_ : nullptr; }
  bool HasRowInterface() const { return RowInterface() != nullptr; }
  bool UsesRowInterface() const { return HasRowInterface() && footerRowCount_ == 0; }
  // Whether the rows form a tree (row-interface mode with tree rows).
  bool ShowsTreeRows() const;
  // Whether any column hides a text equal to the row above (the top row repaints on scrolls).
  bool AnyColumnHidesDuplicates() const;
  void RefreshRowInterface();
  void UpdateRowsFromInterface();
  void SyncWithRowInterface();
  void RequestRowsForView();
  void UpdateInterfaceScrollBar();
  void ScrollTopRowTo(int row);
  void ClampTopRow();
  // A vertical scroll-bar action in row-interface mode: moves the top row, not the record.
  void InterfaceVScroll(int action, int pos);
  // Temporary access to the record of a data row (counted from the first data row): the
  // interface's row, or the data link's buffered record.
  void SelectBufferRow(int row);
  void RestoreBufferRow();
  bool IsActiveBufferRow(int row) const;
  // Tree rows: the indentation of a data row's first cell (18 pixels per level).
  static constexpr int kTreeIndentStep = 18;
  int TreeIndentOfRow(int row);
  // True when (x, y) lies on a tree indentation; unless testOnly a click on the node's button
  // (the last 18 pixels of the indentation) expands or collapses the node.
  virtual bool ClickTreeNode(int x, int y, bool testOnly);
  // Expands or collapses the node of data row `row`, keeping the rows in place on screen.
  void ToggleTreeNode(int row, bool expand);
  // Numpad * (toggle), + (expand) and - (collapse) on the current node; false when not taken.
  bool TreeKey(int key);
  // The tree indentation in a data row's cell of `column`: only the first visible column has one.
  int TreeIndentOfCell(const TColumnEh* column, int row);

  // A scroll action of an external scroll bar, handled as one of the grid's own bar.
  void ExternalScrollAction(Qt::Orientation bar, int action, int pos);

  // Data notifications.
  virtual void DataLinkActiveChanged(bool active);
  virtual void RefreshFromDataSet();
  virtual void RecordScrolled(int distance);
  virtual void MapColumnFields();
  virtual void UpdateRowCount();
  virtual void SyncCurrentRow();
  virtual void UpdateTabStops();
  virtual void UpdateVertScrollBar();
  void RecordChangedNotify(TField* field);
  void EditingChangedNotify();
  void LinkLayoutChanged();

 protected:
  // Layout.
  void RunLayout();
  void MeasureRowHeights();
  void FitColumnWidths();
  void BuildHeaderTree();
  int MeasureHeaderTree(THeadTreeNode* node);

  // Painting.
  void CalcDrawInfoXY(TGridDrawInfo& info, int useWidth, int useHeight) const override;
  void Paint() override;
  void DrawCell(int col, int row, const QRect& rect, TGridDrawState state) override;
  void PaintIndicatorCell(int row, QRect rect, TGridDrawState state, const TCellTypeEh& type, bool threeD);
  void PaintTitleCell(TColumnEh* column, int gridCol, QRect rect, TGridDrawState state, int dx, int dy);
  void PaintDataCell(TColumnEh* column, int gridCol, int gridRow, QRect rect, TGridDrawState state,
                     const TCellTypeEh& type, int dx, int dy);
  void PaintFooterCell(TColumnEh* column, int gridCol, int footerIndex, QRect rect, TGridDrawState state, int dx,
                       int dy);
  // The column's buttons in the strip right of a data cell's text, from `left` to the cell's right.
  void PaintCellButtons(TColumnEh* column, const QRect& cell, int left, TColor background);
  void PaintMultiTitleHeaders(TColumnEh* column, int gridCol, const QRect& cellRect, bool highlighted);
  void PaintCell3DFrame(QRect rect, bool rightSide, bool leftSide, bool highlighted, bool pressed);
  void FillRect(const QRect& r, TColor c);

  // Base grid notifications.
  void ColWidthsChanged() override;
  void RowHeightsChanged() override;
  void TopLeftChanged() override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  // An input method's composition on the grid opens the cell editor, which takes the text.
  void inputMethodEvent(QInputMethodEvent* e) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  // Drag scrolling beyond the data area: vertical steps move the dataset by one record.
  void TimedScroll(unsigned direction) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  bool event(QEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  void ColumnMoved(int fromIndex, int toIndex) override;
  void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                       const TGridDrawInfo& info) const override;
  // Key handling steps.
  bool KeyDown(int key, Qt::KeyboardModifiers shift);
  void KeyPressChar(const QKeyEvent& e);
  // Opens the cell editor and gives it the typed character.
  void ShowEditorChar(const QKeyEvent& e);
  void StartScrollTimer(int interval);
  void StopScrollTimer();
  void UpdatePressedTitle(const QPoint& p);
  bool InTitleLeafPart(int gridCol, const QPoint& p) const;
  bool InColumnSelectZone(const QPoint& p) const;
  void UpdateCursor(const QPoint& p);
  void PaintSizingLine();
  void ApplyPendingResize();
  bool CanEditAcceptKey(QChar key) const override;
  bool CanEditModify() override;
  bool CanEditShow() const override;
  QString GetEditMask(int col, int row) const override;
  QString GetEditText(int col, int row) const override;
  void SetEditText(int col, int row, const QString& value) override;
  int GetEditLimit() const override;
  QString CurrentCellText();
  void ModifyScrollBar(Qt::Orientation bar, int action, int pos) override;
  void UpdateScrollRange() override;
  void UpdateScrollPos() override;
  // Gives the grid's vertical bar (or its external bar) a range, page and position and shows,
  // hides or disables it by the bar's visible mode.
  void ApplyVertScrollInfo(int min, int max, int page, int pos);
  // Row-interface mode: the wheel scrolls the rows (Shift moves the current record).
  void InterfaceWheel(QWheelEvent* e);
  // Tree rows: the lines and the node button of a row's indentation.
  virtual void PaintTreeIndent(const QRect& indent, int level, TColor background);

  // The cell editor: created once, refreshed for the current cell whenever it is placed.
  QWidget* CreateEditor() override;
  void UpdateEditorPosition() override;

 private:
  friend class TGridDataLinkEh;
  friend class TDBGridInplaceEdit;
  std::unique_ptr<TBookmarkListEh> markedRows_;
  std::unique_ptr<TSTDBGridEhFilter> stFilter_;
  std::unique_ptr<TDBGridEhSelection> selection_;
  TDBGridEhAllowedSelections allowedSelections_ = kAllSelectionsEh;
  // Shift marking (rows grow with Shift and the arrows or the mouse).
  bool shiftMarking_ = false;
  QString markAnchor_;
  bool anchorWasMarked_ = false;
  bool toggleMarks_ = false;
  // Incremental search (timer 2).
  bool incSearchActive_ = false;
  QString incSearchText_;
  int incSearchTimeoutNow_ = -1;
  QBasicTimer incSearchTimer_;
  bool searchMoving_ = false;
  bool inColumnExit_ = false;
  bool ctrlSortPending_ = false;
  // Mouse state.
  int ownMode_ = 0;  // 1 marking rows, 2 selecting columns, 3 rectangle, 6 sizing a frozen column, 7 dragging records
  // Record dragging.
  int dragStartRow_ = 0;
  int dropRow_ = 0;
  QString draggedBookmark_;
  int dragLevel_ = -1;
  int dropLevel_ = -1;
  int dropLineX_ = 0;
  void PaintDropLine(QPainter* p);
  void DragRecordOnTimer();
  bool tracking_ = false;
  bool rowMarkingDrag_ = false;
  bool cellSelectDrag_ = false;
  int pressedCol_ = -1;
  bool pressedDown_ = false;
  bool rightAsLeft_ = false;
  QPoint mouseDownPt_;
  QPoint lastMousePt_;
  Qt::MouseButtons lastButtons_;
  Qt::KeyboardModifiers lastShift_;
  TGridCoord pendingCheck_{-1, -1};
  // The cell editor's button that a press on a cell's button strip was handed to; it also gets
  // the moves and the release of that press.
  QPointer<QWidget> forwardedPress_;
  // Hands a press on a cell's buttons to the cell editor's button under it.
  void ForwardPressToEditor(QMouseEvent* e);
  // Sends a move or release of a handed-over press on to its button; false when none is held.
  bool ForwardMouseEvent(QMouseEvent* e);
  int frozenSizingOfs_ = 0;
  int frozenSizingPos_ = 0;
  int frozenSizingIndex_ = -1;
  QBasicTimer ownScrollTimer_;
  int ownTimerInterval_ = -1;
  bool basePressActive_ = false;
  bool thumbTracked_ = false;
  mutable QString cellEditText_;
  mutable Variant editKeyValue_;
  // Position memory.
  QString rememberedBookmark_;
  int rememberedOffset_ = 0;
  // Row-interface mode.
  bool useRowInterface_ = true;
  IMemTableEh* rowInterface_ = nullptr;
  QPointer<QObject> rowIfOwner_;
  bool requestingRows_ = false;
  int vertThumbPos_ = 0;  // the position last given to the vertical bar
  bool mousePressing_ = false;
  void SetInterfaceRowCount();
  void MoveToInterfaceRow();
  std::unique_ptr<TDBGridColumnsEh> columns_;
  std::unique_ptr<TDBGridEhColumnDefValuesEh> colDefValues_;
  TColumnsEhList visibleColumns_;
  TColumnsEhList sortOrderColumns_;
  std::unique_ptr<TGridDataLinkEh> dataLink_;
  std::unique_ptr<TDBGridEhSumList> sumList_;
  std::unique_ptr<TDBGridEhScrollBar> horzScrollBar_;
  std::unique_ptr<TVertDBGridEhScrollBar> vertScrollBar_;
  std::unique_ptr<THeadTreeNode> headerTree_;
  std::vector<THeadTreeNode*> leafColumns_;
  TDBGridEhStyle* style_ = nullptr;
  TColCellParamsEh cellParams_;

  TDBGridOptions options_ = kDefaultDBGridOptions;
  TDBGridEhOptions optionsEh_ = kDefaultDBGridEhOptions;
  bool autoFitColWidths_ = false;
  int minAutoFitWidth_ = 0;
  TColor color_ = clWindow;
  TColor fixedColor_ = clBtnFace;
  TColor footerColor_ = clWindow;
  std::optional<TColor> evenRowColor_, oddRowColor_;
  TFontEh font_, titleFont_, footerFont_;
  int footerRowCount_ = 0;
  int frozenCols_ = 0;
  bool flat_ = false;
  int rowHeight_ = 0;
  int rowLines_ = 0;
  int titleHeight_ = 0;
  int titleLines_ = 0;
  bool useMultiTitle_ = false;
  int vTitleMargin_ = 10;
  bool readOnly_ = false;
  bool rowSizingAllowed_ = false;
  bool loading_ = false;

  int cellTextMargin_ = 4;
  bool inLinkLayoutChange_ = false;
  int layoutLock_ = 0;
  int updateLock_ = 0;
  int indicatorRow_ = 0;
  int indicatorOffset_ = 1;
  int dataRowOffset_ = 1;
  int savedActiveRecord_ = -1;
  bool pendingResize_ = false;
  bool wordWrapFits_ = false;
  int editButtonWidth_ = kScrollBarWidth;
  int editButtonHeight_ = 0;
  bool inLayout_ = false;
  int computedTitleHeight_ = 0;
  bool layoutMessagePosted_ = false;
  int layoutRuns_ = 0;
  bool highlightedCell_ = false;
  TColor cellBrush_ = clWindow;  // background of the cell being painted (flat frames use it)  // the cell being painted took highlight colours
};

// Paints a cell's buttons left to right from `left`, `height` high, on `background`, clipped
// to the cell; below lower buttons the background shows. Used by the cells and the cell editor.
void PaintCellButtonStrip(QPainter* painter, const std::vector<TColumnEh::TCellButtonEh>& buttons, const QRect& cell,
                          int left, int height, TColor background, bool flat, bool enabled);

class TDBGridEh : public TCustomDBGridEh {
  Q_OBJECT
 public:
  using TCustomDBGridEh::TCustomDBGridEh;
};

inline bool TColumnEh::AlwaysShowEditButton() const {
  if (own_ & cvAlwaysShowEditButton) return alwaysShowEditButton_;
  TCustomDBGridEh* g = OwnerGrid();
  return g && g->ColumnDefValues() ? g->ColumnDefValues()->AlwaysShowEditButton : false;
}

inline void TColumnEh::SetAlwaysShowEditButton(bool on) {
  if ((own_ & cvAlwaysShowEditButton) && on == alwaysShowEditButton_) return;
  alwaysShowEditButton_ = on;
  own_ |= cvAlwaysShowEditButton;
  Changed();
}

#include "grid/DBGridEhBookmarks.h"  // MarkedRows and CurrentSelection are complete for every user
