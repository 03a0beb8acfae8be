#pragma once

// Marked rows and the grid's selection: the bookmark list kept in the dataset's own record
// order, and the one selection object of a grid (marked rows, a rectangle of cells, whole
// columns or everything).

#include <QRect>
#include <algorithm>
#include <QString>
#include <QStringList>

#include "grid/DBGridEh.h"

class TDataSet;

// A list of dataset bookmarks, always sorted by the dataset's CompareBookmarks, with a
// one-entry search cache.
class TBMListEh {
 public:
  TBMListEh() = default;
  virtual ~TBMListEh() = default;
  TBMListEh(const TBMListEh&) = delete;
  TBMListEh& operator=(const TBMListEh&) = delete;

  int BookmarkCount() const { return int(list_.size()); }
  // Raises "List index out of bounds (i)" for an index outside 0..BookmarkCount-1.
  QString BookmarkAt(int index) const;
  // A copy: a walk over it stays sound while records are deleted and marks dropped.
  QStringList Bookmarks() const { return list_; }
  // The marks whose records the dataset shows now, in order: what a walk can reach. The others
  // (deleted, or hidden by a filter) stay in the list.
  QStringList ReachableBookmarks();
  int PositionOf(const QString& bookmark);
  // Binary search: found flag, and the found or insertion position in pos.
  bool FindBookmark(const QString& bookmark, int& pos);
  QString CurrentBookmark();
  bool CurrentRowMarked();
  virtual void SetCurrentRowMarked(bool marked);
  int CompareRows(const QString& a, const QString& b);
  // Deletes every marked record the dataset shows, from the last to the first.
  void DeleteMarked();
  // Clears the list when the dataset has read its records anew since the first mark was made:
  // a bookmark of an earlier reading may name another record of the new one. Marks of records
  // deleted since, or hidden by a filter, stay (a walk passes over them); only a new reading,
  // opening, closing and Unselect empty the list. True when marks were dropped (ClearList ran).
  bool DropEarlierReading();
  void LinkStateChanged(bool active);
  bool LinkActive() const { return linkActive_; }

  virtual TDataSet* ListDataSet() = 0;
  virtual void InvalidateList() {}
  [[noreturn]] virtual void RaiseListError(const QString& message);
  virtual void ListChanged();
  virtual void UpdateListState() {}
  virtual void ClearList();

 protected:
  void InsertAt(int pos, const QString& bookmark);
  void RemoveAt(int pos);

 private:
  QString cachedBookmark_;
  bool cachedFound_ = false;
  int cachedIndex_ = -1;
  bool linkActive_ = false;
  QStringList list_;
  // The dataset's reading the marks belong to.
  quint64 snapshotNumber_ = 0;
};

// The grid's marked rows.
class TBookmarkListEh : public TBMListEh {
 public:
  explicit TBookmarkListEh(TCustomDBGridEh* grid) : grid_(grid) {}
  TCustomDBGridEh* Grid() const { return grid_; }
  TDataSet* ListDataSet() override;
  void InvalidateList() override;
  void SetCurrentRowMarked(bool marked) override;
  void UpdateListState() override;
  void ClearList() override;

 private:
  TCustomDBGridEh* grid_;
};

// A data cell named by its column index and its record's bookmark.
struct TDBCell {
  int Col = -1;
  QString Row;
};

class TDBGridEhSelectionRect {
 public:
  explicit TDBGridEhSelectionRect(TCustomDBGridEh* grid) : grid_(grid) {}
  const TDBCell& Anchor() const { return anchor_; }
  const TDBCell& ShiftCell() const { return shiftCell_; }
  QString TopRow() const;
  QString BottomRow() const;
  int LeftCol() const { return std::min(anchor_.Col, shiftCell_.Col); }
  int RightCol() const { return std::max(anchor_.Col, shiftCell_.Col); }
  bool CellSelected(int col, const QString& bookmark) const;
  // The positions (RecNo - 1) of the first and the last record the dataset shows between the
  // corners; false when it shows none of them. A corner whose record a filter hides or that was
  // deleted still bounds the rows by its place; corners of an earlier reading bound nothing.
  bool ShownRange(int& first, int& last) const;
  // Moves the dataset to the first record ShownRange finds and gives how many records follow
  // it there (that one included); 0 and no move when there is none.
  int GotoFirstShownRow() const;
  // True when the corners were set on an earlier reading of the records.
  bool OfEarlierReading() const;
  void SetRectangleCorner(int col, const QString& bookmark, bool extend);
  void Clear();
  bool IsEmpty() const { return anchor_.Col < 0; }
  // The block of grid cells the rectangle covers on screen (-1 everywhere when none).
  TGridRect GridRect() const;
  // The client rectangle of the cells between two corners.
  QRect ScreenRect(const TDBCell& a, const TDBCell& b) const;
  // The bands repainted when the rectangle changed from a to b.
  static void XorRects(const QRect& a, const QRect& b, QRect out[4]);

 private:
  void CheckActive(const char* message) const;
  TCustomDBGridEh* grid_;
  TDBCell anchor_;
  TDBCell shiftCell_;
  // The dataset's reading the corners belong to.
  quint64 snapshotNumber_ = 0;
};

class TDBGridEhSelectionCols : public TColumnsEhList {
 public:
  explicit TDBGridEhSelectionCols(TCustomDBGridEh* grid) : grid_(grid) {}
  void SelectColumn(TColumnEh* c, bool keep);
  void ToggleColumn(TColumnEh* c);
  void ExtendColumns(TColumnEh* c);
  void RefreshColumns();
  void ClearColumns();
  void AddSorted(TColumnEh* c);
  TColumnEh* AnchorColumn() const { return anchor_; }
  TColumnEh* ShiftColumn() const { return shiftCol_; }
  TGridRect GridRect() const;

 private:
  void InvalidateColumn(TColumnEh* c);
  TCustomDBGridEh* grid_;
  TColumnEh* anchor_ = nullptr;
  TColumnEh* shiftCol_ = nullptr;
  TColumnsEhList shiftTouched_;
};

class TDBGridEhSelection {
 public:
  explicit TDBGridEhSelection(TCustomDBGridEh* grid);
  virtual ~TDBGridEhSelection() = default;
  TDBGridEhSelectionType ActiveType() const { return type_; }
  void SetActiveType(TDBGridEhSelectionType t);
  bool HoldsCell(int columnIndex, const QString& bookmark) const;
  void Unselect();
  void SelectEverything();
  void DropEmptySelection();
  // Drops the marks and the rectangle's corners when the dataset has read its records anew
  // since they were made: their bookmarks may name other records of the new reading.
  void DropEarlierReading();
  void LinkStateChanged(bool active);
  TGridRect CoveringGridRect() const;
  virtual void SelectionChanged();
  TDBGridEhSelectionRect& Rect() { return rect_; }
  TDBGridEhSelectionCols& Columns() { return cols_; }
  TBookmarkListEh& Rows();

 private:
  TCustomDBGridEh* grid_;
  TDBGridEhSelectionCols cols_;
  TDBGridEhSelectionRect rect_;
  TDBGridEhSelectionType type_ = gstNon;
};
