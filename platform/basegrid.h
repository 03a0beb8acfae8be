#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFlags>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVector>
#include <stdexcept>

#include "platform/canvas.h"  // RectLTRB
#include "platform/exception.h"

class QPainter;

// The base grid every grid of the program stands on: a rectangle of cells with fixed
// (non-scrolling) rows and columns at the top and left, per-column widths and per-row heights,
// a current cell, a selection, and an overridable cell painter. It knows nothing about data;
// the data grid derives from it and replaces the measuring, the painting and the notifications.
//
// Rectangles follow the program's pixel convention: right and bottom are exclusive, so a cell
// of width 64 starting at x 11 covers 11..74. The helpers below build and read such rectangles
// from QRect (which keeps an inclusive right()); RectLTRB comes from the canvas.

inline int RectRight(const QRect& r) { return r.x() + r.width(); }
inline int RectBottom(const QRect& r) { return r.y() + r.height(); }

// Raised by grid operations given an impossible value (a fixed count beyond the cell count,
// a current cell outside the grid).
class EInvalidGridOperation : public Exception {
 public:
  using Exception::Exception;
};

enum TGridOption : unsigned {
  goFixedVertLine = 1u << 0,
  goFixedHorzLine = 1u << 1,
  goVertLine = 1u << 2,
  goHorzLine = 1u << 3,
  goRangeSelect = 1u << 4,
  goDrawFocusSelected = 1u << 5,
  goRowSizing = 1u << 6,
  goColSizing = 1u << 7,
  goRowMoving = 1u << 8,
  goColMoving = 1u << 9,
  goEditing = 1u << 10,
  goTabs = 1u << 11,
  goRowSelect = 1u << 12,
  goAlwaysShowEditor = 1u << 13,
  goThumbTracking = 1u << 14,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
// The scroll-bar action reported when a dragged thumb is released (after SliderMove steps).
inline constexpr int kSliderThumbPosition = 100;

enum TGridScrollDirection : unsigned { sdLeft = 1, sdRight = 2, sdUp = 4, sdDown = 8 };

struct TGridCoord {
  int X = 0;
  int Y = 0;
  bool operator==(const TGridCoord&) const = default;
};

// A block of cells, bounds inclusive.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TGridRect&) const = default;
};

// What the grid measured along one axis for painting, hit testing and scrolling.
struct TGridAxisDrawInfo {
  int EffectiveLineWidth = 0;  // grid line width when this axis draws lines, else 0
  int FixedBoundary = 0;       // pixels taken by the fixed cells (with their lines)
  int FrozenExtent = 0;        // part of FixedBoundary taken by frozen cells (0 in the base)
  int GridBoundary = 0;        // where the last (partly) visible cell ends
  int GridExtent = 0;          // client width or height
  int LastFullVisibleCell = 0;
  int FullVisBoundary = 0;     // where the last fully visible cell ends
  int FixedCellCount = 0;
  int FirstGridCell = 0;       // LeftCol or TopRow
  int GridCellCount = 0;
  int FooterExtent = 0;        // rows only: pixels of bottom-anchored rows (0 in the base)
};

struct TGridDrawInfo {
  TGridAxisDrawInfo Horz;
  TGridAxisDrawInfo Vert;
};

class TCustomGrid : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit TCustomGrid(QWidget* parent = nullptr);
  ~TCustomGrid() override;

  // Counts.
  int ColCount() const { return colWidths_.size(); }
  void SetColCount(int n);
  int RowCount() const { return rowHeights_.size(); }
  void SetRowCount(int n);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int n);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int n);

  // Sizes. A column width of -1 hides the column together with its grid line.
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int w);  // resets every column's width
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int h);  // resets every row's height
  int ColWidths(int col) const;
  void SetColWidths(int col, int w);
  int RowHeights(int row) const;
  void SetRowHeights(int row, int h);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int w);
  bool TabStops(int col) const;
  void SetTabStops(int col, bool on);

  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions o);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle s);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool on) { defaultDrawing_ = on; }

  // Position.
  int Col() const { return current_.X; }
  void SetCol(int c);
  int Row() const { return current_.Y; }
  void SetRow(int r);
  int LeftCol() const { return topLeft_.X; }
  void SetLeftCol(int c);
  int TopRow() const { return topLeft_.Y; }
  void SetTopRow(int r);
  TGridRect Selection() const;
  void SetSelection(const TGridRect& r);
  // Moves the current cell; with moveAnchor the selection collapses onto it; with show the
  // cell is scrolled into view.
  void MoveCurrent(int col, int row, bool moveAnchor, bool show);
  void FocusCell(int col, int row, bool moveAnchor);
  void MoveTopLeft(int col, int row);
  int VisibleColCount() const;
  int VisibleRowCount() const;
  TGridState GridState() const { return state_; }

  // Geometry in client (viewport) coordinates. Cells that are not visible give an empty rect.
  QRect CellRect(int col, int row) const;
  QRect BoxRect(int left, int top, int right, int bottom) const;
  TGridCoord MouseCoord(int x, int y) const;  // -1 for a point outside every cell
  // The largest LeftCol/TopRow that still shows the last column/row at the far edge.
  TGridCoord CalcMaxTopLeft(const TGridCoord& coord, const TGridDrawInfo& info) const;
  void CalcDrawInfo(TGridDrawInfo& info) const;
  void CalcFixedInfo(TGridDrawInfo& info) const;

  // Invalidation.
  void InvalidateCell(int col, int row);
  void InvalidateRow(int row);
  void InvalidateCol(int col);
  void InvalidateRect(const TGridRect& r);
  void InvalidateGrid();

  // Editor protocol.
  bool EditorMode() const { return editorMode_; }
  void SetEditorMode(bool on);
  QWidget* InplaceEditor() const { return editor_; }
  void ShowEditor();
  void HideEditor();
  void InvalidateEditor();

  // The client area the cells are painted in.
  int ClientWidth() const;
  int ClientHeight() const;

  // Renders the whole client area to an image (the same painting as on screen).
  QImage RenderClient();

 protected:
  // Measure of one axis; the base walks the cell extents returned by AxisCellExtent.
  // The data grid overrides CalcDrawInfoXY to add frozen columns and footer rows.
  virtual void CalcDrawInfoXY(TGridDrawInfo& info, int useWidth, int useHeight) const;
  virtual void CalcAxis(TGridAxisDrawInfo& axis, bool horizontal, int extent) const;
  int AxisCellExtent(bool horizontal, int index) const {
    return horizontal ? ColWidths(index) : RowHeights(index);
  }

  // Painting: Paint draws the lines and calls DrawCell for each visible cell. The painter of
  // the running paint is available through Painter().
  virtual void Paint();
  virtual void DrawCell(int col, int row, const QRect& rect, TGridDrawState state);
  QPainter* Painter() const { return painter_; }
  void DrawGridLines(const TGridDrawInfo& info);
  bool CellIsFocused(int col, int row) const;

  // Notifications.
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  virtual void ColumnMoved(int fromIndex, int toIndex);
  virtual void RowMoved(int fromIndex, int toIndex);
  virtual void TopLeftChanged();
  virtual void SizeChanged(int oldColCount, int oldRowCount);
  virtual bool SelectCell(int col, int row);
  virtual void TimedScroll(unsigned direction);
  virtual void UpdateScrollRange();
  virtual void UpdateScrollPos();
  virtual void ModifyScrollBar(Qt::Orientation bar, int action, int pos);
  // Sizing state under a mouse point: which line would be dragged.
  virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                               int& sizingOfs, const TGridDrawInfo& info) const;
  virtual bool BeginColumnDrag(int& origin, int& destination, const QPoint& p);
  virtual bool CheckColumnDrag(int& origin, int& destination, const QPoint& p);
  virtual bool EndColumnDrag(int& origin, int& destination, const QPoint& p);

  // Editor hooks.
  virtual QWidget* CreateEditor();
  virtual bool CanEditAcceptKey(QChar key) const;
  virtual bool CanEditModify();
  virtual bool CanEditShow() const;
  virtual QString GetEditMask(int col, int row) const;
  virtual QString GetEditText(int col, int row) const;
  virtual void SetEditText(int col, int row, const QString& value);
  virtual int GetEditLimit() const { return 0; }
  virtual void UpdateEditorPosition();

  // Size changes without the change notifications (used while laying out).
  void SetColWidthsQuiet(int col, int w) {
    if (col >= 0 && col < colWidths_.size()) colWidths_[col] = w;
  }
  void SetRowHeightsQuiet(int row, int h) {
    if (row >= 0 && row < rowHeights_.size()) rowHeights_[row] = h;
  }

  // Moves columns and rows (the data grid moves its column collection in ColumnMoved).
  void MoveColumn(int fromIndex, int toIndex);
  void MoveRow(int fromIndex, int toIndex);
  // Scrolls the scrolled part of the client so that (col,row) is the top-left cell.
  void ScrollDataInfo(int dx, int dy, const TGridDrawInfo& info);
  void ScrollClientArea(int dx, int dy, const QRect& area);

  // Qt events.
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  bool viewportEvent(QEvent* e) override;

  QRect paintClip_;          // region being painted, client coordinates
  TGridState state_ = gsNormal;
  int sizingIndex_ = -1;
  int sizingPos_ = 0;
  int sizingOfs_ = 0;
  int moveIndex_ = -1;
  int movePos_ = -1;
  QBasicTimer scrollTimer_;
  int scrollTimerInterval_ = 60;
  unsigned timedDirection_ = 0;
  bool updatingScrollBars_ = false;

 private:
  void ClampCurrent();
  void ScrollToCell(int col, int row);
  TGridRect SelectionOf(TGridCoord anchor, TGridCoord current) const;
  void SetTopLeft(int col, int row);
  void InvalidateClientRect(const QRect& r);

  QVector<int> colWidths_;
  QVector<int> rowHeights_;
  QVector<bool> tabStops_;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  TGridOptions options_;
  TScrollStyle scrollBars_ = ssBoth;
  bool defaultDrawing_ = true;
  TGridCoord current_{1, 1};
  TGridCoord anchor_{1, 1};
  TGridCoord topLeft_{1, 1};
  bool editorMode_ = false;
  QWidget* editor_ = nullptr;
  QPainter* painter_ = nullptr;
};
