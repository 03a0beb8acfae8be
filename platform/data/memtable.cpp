// The memory table: records kept in the dataset's own snapshot, optionally shown as a tree
// whose expanded nodes decide which records are rows.
#include "platform/data/memtable.h"

#include <algorithm>

#include "platform/data/backend.h"
#include "platform/exception.h"

TMemTableEh::TMemTableEh(QObject* parent) : TDataSet(parent) {}

void TMemTableEh::AddFieldDef(const QString& name, TFieldType type, int size) {
  if (Active()) throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
  for (const ColumnInfo& c : defs_)
    if (c.name.compare(name, Qt::CaseInsensitive) == 0)
      throw EDatabaseError(QStringLiteral("Duplicate field name '%1'").arg(name));
  ColumnInfo ci;
  ci.name = name;
  ci.type = type;
  ci.size = size;
  ci.baseColumn = name;
  ci.updatable = true;
  defs_.push_back(ci);
}

void TMemTableEh::AppendRecord(const QVector<Variant>& values) {
  Append();
  try {
    for (int i = 0; i < values.size() && i < FieldCount(); ++i) Fields()[size_t(i)]->SetValue(values[i]);
    Post();
  } catch (...) {
    Cancel();
    throw;
  }
}

void TMemTableEh::InternalOpen() {
  store_.reset(int(defs_.size()));
  store_.columns = defs_;
  store_.updateTable = QStringLiteral("memory");
  all_.clear();
  expanded_.clear();
  savedRead_.clear();
  treeDirty_ = true;
}

void TMemTableEh::InternalClose() {
  all_.clear();
  expanded_.clear();
  nodes_.clear();
  roots_.clear();
  savedRead_.clear();
  treeDirty_ = true;
}

// ---- tree -----------------------------------------------------------------------------------

int TMemTableEh::keyColumn() const {
  const TField* f = FindField(TreeKeyField);
  return f && !f->IsLookup() ? f->Index() : -1;
}

int TMemTableEh::parentColumn() const {
  const TField* f = FindField(TreeParentField);
  return f && !f->IsLookup() ? f->Index() : -1;
}

QString TMemTableEh::keyText(uint32_t row, int column) const {
  if (column < 0) return QString();
  const Variant v = CellToVariant(store_, store_.get(row, column), defs_[size_t(column)].type);
  return v.isNullOrEmpty() ? QString() : v.toString();
}

void TMemTableEh::SetTreeViewActive(bool on) {
  if (on == treeView_) return;
  if (on && (keyColumn() < 0 || parentColumn() < 0) && Active())
    throw EDatabaseError(QStringLiteral("Tree key and parent fields are not set"));
  if (!Active()) {
    treeView_ = on;
    return;
  }
  CheckBrowseMode();
  const uint32_t current = IsEmpty() ? kNone : order_[size_t(CurrentPosition())];
  if (on) {
    all_ = order_;
    expanded_.clear();
    treeView_ = true;
    treeDirty_ = true;
    if (current == kNone) ReplaceShownRows(ShownTreeRows(), -1);
    else ShowTree(current);
  } else {
    const std::vector<uint32_t> rows = all_;
    const auto it = std::find(rows.begin(), rows.end(), current);
    ReplaceShownRows(rows, it == rows.end() ? 0 : int(it - rows.begin()));
    treeView_ = false;
  }
  Resync();
}

void TMemTableEh::BuildTree() const {
  if (!treeDirty_) return;
  treeDirty_ = false;
  nodes_.assign(store_.rowCount(), Node{});
  roots_.clear();
  const int kc = keyColumn(), pc = parentColumn();
  QHash<QString, uint32_t> byKey;
  for (uint32_t r : all_) {
    const QString k = keyText(r, kc);
    if (!k.isEmpty() && !byKey.contains(k)) byKey.insert(k, r);
  }
  for (uint32_t r : all_) {
    const QString p = keyText(r, pc);
    const uint32_t parent = p.isEmpty() ? kNone : byKey.value(p, kNone);
    nodes_[r].parent = parent == r ? kNone : parent;
  }
  // A chain of parents that comes back to a record is cut at that record: it becomes a root.
  const size_t limit = all_.size();
  for (uint32_t r : all_) {
    uint32_t p = nodes_[r].parent;
    for (size_t steps = 0; p != kNone && steps <= limit; ++steps) {
      if (p == r) {
        nodes_[r].parent = kNone;
        break;
      }
      p = nodes_[p].parent;
    }
  }
  for (uint32_t r : all_) {
    const uint32_t p = nodes_[r].parent;
    (p == kNone ? roots_ : nodes_[p].children).push_back(r);
  }
  auto markSiblings = [this](const std::vector<uint32_t>& list) {
    for (size_t i = 0; i < list.size(); ++i) nodes_[list[i]].nextSibling = i + 1 < list.size();
  };
  markSiblings(roots_);
  std::vector<uint32_t> stack(roots_.rbegin(), roots_.rend());
  for (uint32_t r : roots_) nodes_[r].level = 1;
  while (!stack.empty()) {
    const uint32_t r = stack.back();
    stack.pop_back();
    markSiblings(nodes_[r].children);
    for (auto it = nodes_[r].children.rbegin(); it != nodes_[r].children.rend(); ++it) {
      nodes_[*it].level = nodes_[r].level + 1;
      stack.push_back(*it);
    }
  }
}

const TMemTableEh::Node& TMemTableEh::NodeOf(uint32_t row) const {
  BuildTree();
  return nodes_[row];
}

std::vector<uint32_t> TMemTableEh::ShownTreeRows() const {
  BuildTree();
  std::vector<uint32_t> out;
  out.reserve(all_.size());
  std::vector<uint32_t> stack(roots_.rbegin(), roots_.rend());
  while (!stack.empty()) {
    const uint32_t r = stack.back();
    stack.pop_back();
    out.push_back(r);
    if (expanded_.count(r))
      for (auto it = nodes_[r].children.rbegin(); it != nodes_[r].children.rend(); ++it) stack.push_back(*it);
  }
  return out;
}

void TMemTableEh::ExpandAncestors(uint32_t row) {
  BuildTree();
  for (uint32_t p = nodes_[row].parent; p != kNone; p = nodes_[p].parent) expanded_.insert(p);
}

void TMemTableEh::ShowTree(uint32_t current) {
  if (current != kNone) ExpandAncestors(current);
  std::vector<uint32_t> rows = ShownTreeRows();
  const auto it = std::find(rows.begin(), rows.end(), current);
  const int pos = it == rows.end() ? 0 : int(it - rows.begin());
  ReplaceShownRows(std::move(rows), pos);
}

bool TMemTableEh::WouldBeOwnAncestor(uint32_t row) const {
  const int kc = keyColumn(), pc = parentColumn();
  QHash<QString, uint32_t> byKey;
  for (uint32_t r : all_) {
    const QString k = keyText(r, kc);
    if (!k.isEmpty() && !byKey.contains(k)) byKey.insert(k, r);
  }
  const QString own = keyText(row, kc);
  if (!own.isEmpty() && !byKey.contains(own)) byKey.insert(own, row);
  QString p = keyText(row, pc);
  if (p == own) return false;  // its own key as parent: shown as a root
  for (size_t steps = 0; !p.isEmpty() && steps <= all_.size() + 1; ++steps) {
    const uint32_t q = byKey.value(p, kNone);
    if (q == kNone) return false;
    if (q == row) return true;
    p = keyText(q, pc);
  }
  return false;
}

void TMemTableEh::InternalWrite(WriteKind kind, uint32_t row, const std::vector<Cell>&) {
  if (!treeView_) return;
  switch (kind) {
    case wkInsert: {
      if (WouldBeOwnAncestor(row)) throw EDatabaseError(QStringLiteral("A record cannot be its own ancestor"));
      // Among its siblings the new record stands before the shown record that follows it.
      const int pos = CurrentPosition();
      auto at = all_.end();
      if (pos + 1 < int(order_.size())) at = std::find(all_.begin(), all_.end(), order_[size_t(pos + 1)]);
      all_.insert(at, row);
      treeDirty_ = true;
      ShowTree(row);
      break;
    }
    case wkUpdate:
      if (WouldBeOwnAncestor(row)) throw EDatabaseError(QStringLiteral("A record cannot be its own ancestor"));
      treeDirty_ = true;
      ShowTree(row);
      break;
    case wkDelete:
      if (!NodeOf(row).children.empty())
        throw EDatabaseError(QStringLiteral("Cannot delete a record that has child records"));
      all_.erase(std::remove(all_.begin(), all_.end(), row), all_.end());
      expanded_.erase(row);
      treeDirty_ = true;
      break;
  }
}

bool TMemTableEh::NodeExpanded(const QString& bookmark) const {
  const int pos = PositionOfBookmark(bookmark.toLatin1());
  return treeView_ && pos >= 0 && expanded_.count(order_[size_t(pos)]) > 0;
}

int TMemTableEh::NodeLevel(const QString& bookmark) const {
  const int pos = PositionOfBookmark(bookmark.toLatin1());
  return treeView_ && pos >= 0 ? NodeOf(order_[size_t(pos)]).level : 0;
}

void TMemTableEh::ExpandAll() {
  if (!TreeViewActive()) return;
  CheckBrowseMode();
  BuildTree();
  for (uint32_t r : all_)
    if (!nodes_[r].children.empty()) expanded_.insert(r);
  ShowTree(IsEmpty() ? kNone : order_[size_t(CurrentPosition())]);
  Resync();
}

// ---- IMemTableEh ----------------------------------------------------------------------------

int TMemTableEh::MemRowCount() const { return Active() ? int(order_.size()) : 0; }

int TMemTableEh::CurrentRowIndex() const { return Active() && !order_.empty() ? CurrentPosition() : -1; }

void TMemTableEh::SetActiveRow(int row) {
  savedRead_.push_back(ReadPosition());
  SetReadPosition(row);
}

void TMemTableEh::RestoreActiveRow() {
  if (savedRead_.empty()) return;
  const int pos = savedRead_.back();
  savedRead_.pop_back();
  SetReadPosition(pos >= 0 && pos < int(order_.size()) && pos != CurrentPosition() ? pos : -1);
}

uint32_t TMemTableEh::ActiveStoreRow() const {
  const int pos = ReadPosition();
  return pos >= 0 && pos < int(order_.size()) ? order_[size_t(pos)] : kNone;
}

int TMemTableEh::ActiveRowLevel() const {
  const uint32_t r = ActiveStoreRow();
  return TreeViewActive() && r != kNone ? NodeOf(r).level : 0;
}

bool TMemTableEh::ActiveNodeHasChildren() const {
  const uint32_t r = ActiveStoreRow();
  return TreeViewActive() && r != kNone && !NodeOf(r).children.empty();
}

bool TMemTableEh::ActiveNodeExpanded() const {
  const uint32_t r = ActiveStoreRow();
  return TreeViewActive() && r != kNone && expanded_.count(r) > 0;
}

bool TMemTableEh::LevelContinuesBelow(int level) const {
  uint32_t r = ActiveStoreRow();
  if (!TreeViewActive() || r == kNone) return false;
  while (r != kNone && NodeOf(r).level > level) r = nodes_[r].parent;
  return r != kNone && nodes_[r].level == level && nodes_[r].nextSibling;
}

int TMemTableEh::ExpandNode(int row, bool expand) {
  if (!TreeViewActive() || row < 0 || row >= int(order_.size())) return 0;
  CheckBrowseMode();
  const uint32_t node = order_[size_t(row)];
  if (NodeOf(node).children.empty() || (expanded_.count(node) > 0) == expand) return 0;
  uint32_t current = order_[size_t(CurrentPosition())];
  if (expand) {
    expanded_.insert(node);
  } else {
    expanded_.erase(node);
    // The current record inside the collapsed node gives its place to the node.
    for (uint32_t p = nodes_[current].parent; p != kNone; p = nodes_[p].parent)
      if (p == node) current = node;
  }
  ShowTree(current);
  Resync();
  return CurrentPosition() + 1;
}

void TMemTableEh::DropLevels(int row, int& ownLevel, int& deepest, int& afterLevel) {
  ownLevel = deepest = 0;
  afterLevel = 1;
  if (!TreeViewActive() || order_.empty()) return;
  const int r = std::clamp(row, 0, int(order_.size()) - 1);
  ownLevel = NodeOf(order_[size_t(r)]).level;
  deepest = ownLevel;
  if (r + 1 < int(order_.size())) afterLevel = std::max(1, NodeOf(order_[size_t(r + 1)]).level);
}

void TMemTableEh::SavePosition() { savedPosition_ = GetBookmark(); }

void TMemTableEh::RestorePosition() {
  SetReadPosition(-1);
  if (savedPosition_.isEmpty() || savedPosition_ == GetBookmark()) return;
  if (PositionOfBookmark(savedPosition_) >= 0) GotoBookmark(savedPosition_);
}

bool TMemTableEh::MoveRecords(const QStringList& bookmarks, int toRecNo, int treeLevel, bool checkOnly) {
  if (!Active() || order_.empty() || (Filtered() && !Filter().isEmpty())) return false;
  std::vector<std::pair<int, uint32_t>> found;
  for (const QString& b : bookmarks) {
    const int pos = PositionOfBookmark(b.toLatin1());
    if (pos >= 0) found.push_back({pos, order_[size_t(pos)]});
  }
  if (found.empty()) return false;
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  std::vector<uint32_t> moved;
  for (const auto& f : found) moved.push_back(f.second);
  if (!checkOnly) CheckBrowseMode();
  return treeView_ ? MoveInTree(moved, toRecNo, treeLevel, checkOnly) : MoveFlat(moved, toRecNo, checkOnly);
}

bool TMemTableEh::MoveFlat(const std::vector<uint32_t>& moved, int toRecNo, bool checkOnly) {
  if (checkOnly) return true;
  const uint32_t current = order_[size_t(CurrentPosition())];
  std::vector<uint32_t> rest;
  for (uint32_t r : order_)
    if (std::find(moved.begin(), moved.end(), r) == moved.end()) rest.push_back(r);
  const size_t at = size_t(std::clamp(toRecNo - 1, 0, int(rest.size())));
  rest.insert(rest.begin() + long(at), moved.begin(), moved.end());
  const auto it = std::find(rest.begin(), rest.end(), current);
  const int pos = int(it - rest.begin());
  ReplaceShownRows(std::move(rest), pos);
  Resync();
  return true;
}

bool TMemTableEh::MoveInTree(const std::vector<uint32_t>& moved, int toRecNo, int level, bool checkOnly) {
  BuildTree();
  const std::unordered_set<uint32_t> movedSet(moved.begin(), moved.end());
  auto inMovedSubtree = [&](uint32_t r) {
    for (; r != kNone; r = nodes_[r].parent)
      if (movedSet.count(r)) return true;
    return false;
  };
  // Records inside another moved record's branch go with it.
  std::vector<uint32_t> roots;
  for (uint32_t r : moved)
    if (nodes_[r].parent == kNone || !inMovedSubtree(nodes_[r].parent)) roots.push_back(r);
  const int n = int(order_.size());
  const int t = std::clamp(toRecNo - 1, 0, n - 1);
  const uint32_t target = order_[size_t(t)];
  const bool targetMoved = std::find(roots.begin(), roots.end(), target) != roots.end();
  if (!targetMoved && inMovedSubtree(target)) return false;  // into its own branch
  int first = n;
  for (int i = 0; i < n; ++i)
    if (order_[size_t(i)] == roots.front()) first = i;
  auto prevShown = [&](int i) {
    for (--i; i >= 0; --i)
      if (!inMovedSubtree(order_[size_t(i)])) return order_[size_t(i)];
    return kNone;
  };
  auto nextShown = [&](int i) {
    for (++i; i < n; ++i)
      if (!inMovedSubtree(order_[size_t(i)])) return order_[size_t(i)];
    return kNone;
  };
  uint32_t prev, next;  // the records the moved ones will stand between
  if (targetMoved) {
    prev = prevShown(t);
    next = nextShown(t);
  } else if (t > first) {
    prev = target;
    next = nextShown(t);
  } else {
    prev = prevShown(t);
    next = target;
  }
  const int lo = next != kNone ? nodes_[next].level : 1;
  const int hi = prev != kNone ? nodes_[prev].level + 1 : 1;
  if (level < std::max(1, lo) || level > hi) return false;
  if (checkOnly) return true;

  const uint32_t current = order_[size_t(CurrentPosition())];
  uint32_t parent = kNone;
  for (uint32_t r : roots) all_.erase(std::remove(all_.begin(), all_.end(), r), all_.end());
  auto indexOf = [&](uint32_t r) { return std::find(all_.begin(), all_.end(), r) - all_.begin(); };
  long at = long(all_.size());
  if (prev != kNone && level == nodes_[prev].level + 1) {
    parent = prev;
    if (next != kNone && nodes_[next].parent == prev) {
      at = indexOf(next);
    } else {
      at = indexOf(prev) + 1;
      for (uint32_t c : nodes_[prev].children)
        if (!movedSet.count(c)) at = std::max(at, long(indexOf(c)) + 1);
    }
  } else if (prev != kNone) {
    uint32_t a = prev;
    while (nodes_[a].level > level) a = nodes_[a].parent;
    parent = nodes_[a].parent;
    at = indexOf(a) + 1;
  } else if (next != kNone) {
    at = indexOf(next);
  }
  all_.insert(all_.begin() + at, roots.begin(), roots.end());
  const int kc = keyColumn(), pc = parentColumn();
  Cell parentCell;
  if (parent != kNone) {
    const Variant key = CellToVariant(store_, store_.get(parent, kc), defs_[size_t(kc)].type);
    parentCell = VariantToCell(store_, key, defs_[size_t(pc)].type);
    expanded_.insert(parent);
  }
  for (uint32_t r : roots) store_.set(r, pc, parentCell);
  treeDirty_ = true;
  ShowTree(current);
  Resync();
  return true;
}
