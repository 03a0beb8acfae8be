#pragma once

#include <QHash>
#include <QStringList>
#include <unordered_set>
#include <vector>

#include "platform/data/dataset.h"

// What a dataset offers a grid that shows every one of its records as a grid row: the rows
// themselves, reading any row for a moment, and, when the rows form a tree, the tree levels,
// the expansion of nodes and the moving of records to another place and level.
//
// Rows are counted from 0 in the order the dataset shows them; a record number is row + 1.
// Tree levels start at 1 for the roots.
class IMemTableEh {
 public:
  virtual ~IMemTableEh() = default;
  // The rows shown and the current one (-1 when there is none).
  virtual int MemRowCount() const = 0;
  virtual int CurrentRowIndex() const = 0;
  // Fields read row `row` until RestoreActiveRow gives back the row read before.
  virtual void SetActiveRow(int row) = 0;
  virtual void RestoreActiveRow() = 0;
  // Makes up to `count` further rows available; answers how many came.
  virtual int FetchRows(int count) = 0;
  // Tree rows: whether the rows form a tree, and of the active row its level, whether its
  // node has children and is expanded, and whether the branch at `level` (1 .. its own level)
  // goes on below it (the ancestor at that level, or the row itself, has a following sibling).
  virtual bool TreeViewActive() const = 0;
  virtual int ActiveRowLevel() const = 0;
  virtual bool ActiveNodeHasChildren() const = 0;
  virtual bool ActiveNodeExpanded() const = 0;
  virtual bool LevelContinuesBelow(int level) const = 0;
  // Expands or collapses the node of row `row`; answers the record number to show afterwards
  // (the current record's, or the node's when the current record went into the collapsed
  // node), 0 when nothing changed.
  virtual int ExpandNode(int row, bool expand) = 0;
  // The levels a drop on row `row` may take: its own level, the deepest level a drop on it
  // may take less one, and the level of a drop after it (at least 1).
  virtual void DropLevels(int row, int& ownLevel, int& deepest, int& afterLevel) = 0;
  // Remembers the current record and goes back to it.
  virtual void SavePosition() = 0;
  virtual void RestorePosition() = 0;
  // Moves the records of the bookmarks so that the first of them gets record number
  // toRecNo (in a tree: before that row when it lies above them, after it when below, at tree
  // level treeLevel); with checkOnly only answers whether it would.
  virtual bool MoveRecords(const QStringList& bookmarks, int toRecNo, int treeLevel, bool checkOnly) = 0;
};

// A table kept in memory. Its fields are declared with AddFieldDef before it is opened;
// opening gives an empty table, records are added and changed through the dataset's own
// operations (Append, Insert, Edit, Post, Delete) and live until the table is closed.
//
// Tree view: with TreeKeyField and TreeParentField set and SetTreeViewActive(true) the records
// form a tree (a record's parent is the record whose key equals its parent value; a record
// without a parent value, or whose parent is not in the table, is a root). Only the records of
// expanded nodes are shown, in tree order; siblings keep the order in which they were added or
// moved. A record cannot become its own ancestor and a record with children cannot be deleted
// (EDatabaseError). Editing a record shows it where its new parent puts it.
class TMemTableEh : public TDataSet, public IMemTableEh {
  Q_OBJECT
 public:
  explicit TMemTableEh(QObject* parent = nullptr);

  // Declares a field; refused while open.
  void AddFieldDef(const QString& name, TFieldType type, int size = 0);
  // Appends a record with the values of the fields in declared order (Null for missing ones).
  void AppendRecord(const QVector<Variant>& values);

  QString TreeKeyField;
  QString TreeParentField;
  bool TreeViewOn() const { return treeView_; }
  // Switching the tree view on shows the roots (nodes collapsed) and the current record's
  // branch; switching it off shows every record again.
  void SetTreeViewActive(bool on);
  // Whether the node of a record (by bookmark) is expanded.
  bool NodeExpanded(const QString& bookmark) const;
  // The tree level of a record (by bookmark), 1 for roots; 0 without the tree view.
  int NodeLevel(const QString& bookmark) const;
  // Expands every node.
  void ExpandAll();

  // IMemTableEh.
  int MemRowCount() const override;
  int CurrentRowIndex() const override;
  void SetActiveRow(int row) override;
  void RestoreActiveRow() override;
  int FetchRows(int) override { return 0; }  // every record is in memory
  bool TreeViewActive() const override { return treeView_ && Active(); }
  int ActiveRowLevel() const override;
  bool ActiveNodeHasChildren() const override;
  bool ActiveNodeExpanded() const override;
  bool LevelContinuesBelow(int level) const override;
  int ExpandNode(int row, bool expand) override;
  void DropLevels(int row, int& ownLevel, int& deepest, int& afterLevel) override;
  void SavePosition() override;
  void RestorePosition() override;
  bool MoveRecords(const QStringList& bookmarks, int toRecNo, int treeLevel, bool checkOnly) override;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalWrite(WriteKind kind, uint32_t row, const std::vector<Cell>& original) override;
  bool InternalCanModify() const override { return true; }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  struct Node {
    uint32_t parent = kNone;
    int level = 0;
    bool nextSibling = false;
    std::vector<uint32_t> children;
  };
  int keyColumn() const;
  int parentColumn() const;
  QString keyText(uint32_t row, int column) const;
  // The parent each record's parent value names (kNone for roots), cycles broken.
  void BuildTree() const;
  const Node& NodeOf(uint32_t row) const;
  // The records in tree order, only below expanded nodes.
  std::vector<uint32_t> ShownTreeRows() const;
  // Shows the tree rows again with `current` (a store row) as the current record; its
  // ancestors are expanded first so it is shown.
  void ShowTree(uint32_t current);
  void ExpandAncestors(uint32_t row);
  bool WouldBeOwnAncestor(uint32_t row) const;
  uint32_t ActiveStoreRow() const;
  bool MoveFlat(const std::vector<uint32_t>& moved, int toRecNo, bool checkOnly);
  bool MoveInTree(const std::vector<uint32_t>& moved, int toRecNo, int level, bool checkOnly);

  std::vector<ColumnInfo> defs_;
  bool treeView_ = false;
  // Tree view: every record in sibling order and the expanded nodes.
  std::vector<uint32_t> all_;
  std::unordered_set<uint32_t> expanded_;
  mutable std::vector<Node> nodes_;
  mutable std::vector<uint32_t> roots_;
  mutable bool treeDirty_ = true;
  std::vector<int> savedRead_;
  QByteArray savedPosition_;
};
