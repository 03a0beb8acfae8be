#include "platform/data/dataset.h"

#include <algorithm>
#include <limits>

#include "platform/data/backend.h"
#include "platform/data/datasource.h"
#include "platform/exception.h"

namespace {
QString tr8(const char* s) { return QString::fromUtf8(s); }
}  // namespace

TDataSet::TDataSet(QObject* parent) : QObject(parent) {}

TDataSet::~TDataSet() {
  // Sources keep a pointer to us: let them forget it.
  for (TDataSource* s : std::vector<TDataSource*>(sources_)) s->SetDataSet(nullptr);
}

void TDataSet::checkActive() const {
  if (state_ == dsInactive) throw EDatabaseError(tr8(kClosedDataSetMessage));
}

// ---------------------------------------------------------------- opening

void TDataSet::Open() {
  if (Active()) return;
  fire(BeforeOpen);
  doOpen(true);
  fire(AfterOpen);
  if (!IsEmpty()) fire(AfterScroll);
}

void TDataSet::doOpen(bool notify) {
  ++snapshotNumber_;
  erasedBefore_.clear();
  store_.reset(0);
  order_.clear();
  fullOrder_.clear();
  fullPosDirty_ = true;
  filterApplied_ = false;
  InternalOpen();
  order_.resize(store_.rowCount());
  for (uint32_t i = 0; i < store_.rowCount(); ++i) order_[i] = i;
  posDirty_ = true;
  batch_.clear();
  buildFields();
  try {
    applyFilter();
  } catch (...) {
    store_.reset(0);
    order_.clear();
    posDirty_ = true;
    throw;
  }
  cur_ = order_.empty() ? -1 : 0;
  readOverride_ = -1;
  bof_ = true;
  eof_ = order_.empty();
  modified_ = false;
  insertPending_ = false;
  ownFirst_ = 0;
  for (auto& w : windows_) { w.first = 0; w.pending = 0; }
  state_ = dsBrowse;
  if (notify) DataEvent(deUpdateState);
}

void TDataSet::buildFields() {
  // Keep field objects whose name and type reappear, so display settings survive a reopen.
  std::vector<std::unique_ptr<TField>> old = std::move(fieldStore_);
  fieldStore_.clear();
  fieldList_.clear();
  bool layoutChanged = old.size() != store_.columns.size();
  for (size_t c = 0; c < store_.columns.size(); ++c) {
    const ColumnInfo& ci = store_.columns[c];
    std::unique_ptr<TField> f;
    for (auto& o : old) {
      if (o && o->DataType() == ci.type && o->FieldName().compare(ci.name, Qt::CaseInsensitive) == 0) {
        f = std::move(o);
        break;
      }
    }
    if (!f) {
      f = std::make_unique<TField>(this, ci.name, ci.type, ci.size, int(c));
      layoutChanged = true;
    } else if (f->Index() != int(c)) {
      layoutChanged = true;
    }
    f->setIndex_(int(c));
    f->setColumn_(int(c));
    f->setSize_(ci.size);
    f->setUpdatable_(ci.updatable);
    fieldList_.push_back(f.get());
    fieldStore_.push_back(std::move(f));
  }
  for (auto& lf : lookupStore_) {
    lf->setIndex_(int(fieldList_.size()));
    fieldList_.push_back(lf.get());
  }
  if (layoutChanged && !sources_.empty()) DataEvent(deLayoutChange);
}

void TDataSet::Close() {
  if (!Active()) return;
  fire(BeforeClose);
  if (state_ == dsEdit || state_ == dsInsert) {
    // Closing drops an unposted edit, as a cancel would.
    if (state_ == dsInsert) {
      order_.erase(order_.begin() + cur_);
    } else {
      for (int c = 0; c < store_.columnCount(); ++c) store_.set(editRow_, c, editOriginal_[size_t(c)]);
    }
  }
  InternalClose();
  ++snapshotNumber_;
  erasedBefore_.clear();
  state_ = dsInactive;
  store_.reset(0);
  order_.clear();
  fullOrder_.clear();
  fullPosDirty_ = true;
  filterApplied_ = false;
  posOfRow_.clear();
  posDirty_ = true;
  batch_.clear();
  cur_ = -1;
  readOverride_ = -1;
  bof_ = eof_ = true;
  modified_ = false;
  insertPending_ = false;
  DataEvent(deUpdateState);
  fire(AfterClose);
}

void TDataSet::Refill() {
  if (!Active()) return;
  if (state_ == dsEdit || state_ == dsInsert) Cancel();
  ++snapshotNumber_;
  erasedBefore_.clear();
  store_.reset(0);
  order_.clear();
  fullOrder_.clear();
  fullPosDirty_ = true;
  filterApplied_ = false;
  InternalOpen();
  order_.resize(store_.rowCount());
  for (uint32_t i = 0; i < store_.rowCount(); ++i) order_[i] = i;
  posDirty_ = true;
  batch_.clear();
  applyFilter();
  cur_ = order_.empty() ? -1 : 0;
  readOverride_ = -1;
  bof_ = true;
  eof_ = order_.empty();
  for (auto& w : windows_) w.first = 0;
  ownFirst_ = 0;
  DataEvent(deDataSetChange);
  if (!IsEmpty()) fire(AfterScroll);
}

// ---------------------------------------------------------------- filter

void TDataSet::SetFilter(const QString& text) {
  std::unique_ptr<TDataSetFilter> condition;
  if (!text.trimmed().isEmpty()) {
    condition = std::make_unique<TDataSetFilter>(text);
    if (Active() && filtered_) condition->Bind(*this);
  }
  if (Active() && filtered_) CheckBrowseMode();
  filter_ = text;
  condition_ = std::move(condition);
  if (Active() && filtered_) refilter();
}

void TDataSet::SetFiltered(bool on) {
  if (on == filtered_) return;
  if (on && condition_ && Active()) condition_->Bind(*this);
  if (Active()) CheckBrowseMode();
  filtered_ = on;
  if (Active()) refilter();
}

void TDataSet::applyFilter() {
  fullPosDirty_ = true;
  if (filterApplied_) {
    order_ = std::move(fullOrder_);
    fullOrder_.clear();
    filterApplied_ = false;
  }
  posDirty_ = true;
  if (!filtered_ || !condition_) return;
  condition_->Bind(*this);
  std::vector<uint32_t> passing;
  passing.reserve(order_.size());
  for (uint32_t row : order_)
    if (condition_->Matches([&](const TField* f) { return valueAt(row, f); })) passing.push_back(row);
  fullOrder_ = std::move(order_);
  order_ = std::move(passing);
  filterApplied_ = true;
}

void TDataSet::refilter() {
  fire(BeforeScroll);
  readOverride_ = -1;
  applyFilter();
  cur_ = order_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = order_.empty();
  ownFirst_ = 0;
  for (auto& w : windows_) { w.first = 0; w.pending = 0; }
  DataEvent(deDataSetChange);
  if (!IsEmpty()) fire(AfterScroll);
}

// ---------------------------------------------------------------- navigation

bool TDataSet::IsEmpty() const { return order_.empty(); }
int TDataSet::RecordCount() const {
  if (!Active()) return 0;
  return int(order_.size()) - (insertPending_ ? 1 : 0);
}
int TDataSet::RecNo() const {
  if (!Active() || cur_ < 0) return -1;
  // While a data link reads another buffered record, the record number is that record's.
  return (readOverride_ >= 0 ? readOverride_ : cur_) + 1;
}

void TDataSet::SetRecNo(int recNo) {
  checkActive();
  if (recNo < 1 || recNo > int(order_.size())) throw EDatabaseError(tr8("Record not found"));
  if (recNo - 1 == cur_) return;
  MoveBy(recNo - 1 - cur_);
}

void TDataSet::First() {
  checkActive();
  CheckBrowseMode();
  fire(BeforeScroll);
  int old = cur_;
  if (!order_.empty()) cur_ = 0;
  bof_ = true;
  eof_ = order_.empty();
  notifyScroll(old, false);
  fire(AfterScroll);
}

void TDataSet::Last() {
  checkActive();
  CheckBrowseMode();
  fire(BeforeScroll);
  int old = cur_;
  if (!order_.empty()) cur_ = int(order_.size()) - 1;
  eof_ = true;
  bof_ = order_.empty();
  notifyScroll(old, false);
  fire(AfterScroll);
}

void TDataSet::Next() { MoveBy(1); }
void TDataSet::Prior() { MoveBy(-1); }

int TDataSet::MoveBy(int distance) {
  checkActive();
  CheckBrowseMode();
  fire(BeforeScroll);
  int old = cur_;
  int moved = 0;
  int n = int(order_.size());
  if (n > 0 && distance > 0 && !eof_) {
    moved = std::min(distance, n - 1 - cur_);
    cur_ += moved;
    if (moved < distance) eof_ = true;
    if (moved > 0) bof_ = false;
  } else if (n > 0 && distance < 0 && !bof_) {
    moved = -std::min(-distance, cur_);
    cur_ += moved;
    if (moved > distance) bof_ = true;
    if (moved < 0) eof_ = false;
  }
  if (moved != 0) notifyScroll(old, false);
  fire(AfterScroll);
  return moved;
}

void TDataSet::adjustWindow(int& first, int count, bool centre) const {
  int n = int(order_.size());
  if (count < 1) count = 1;
  int c = cur_ < 0 ? 0 : cur_;
  // A jump puts the record (count - 1) div 2 rows below the top of the window.
  if (centre) first = c - (count - 1) / 2;
  if (c < first) first = c;
  if (c >= first + count) first = c - count + 1;
  if (first > n - count) first = n - count;
  if (first < 0) first = 0;
}

void TDataSet::syncWindows(bool centre) {
  for (auto& w : windows_) {
    int old = w.first;
    adjustWindow(w.first, w.link->BufferCount(), centre);
    w.pending += w.first - old;
  }
  adjustWindow(ownFirst_, BufferCount(), centre);
}

void TDataSet::notifyScroll(int oldCur, bool centre) {
  readOverride_ = -1;
  syncWindows(centre);
  if (centre) DataEvent(deDataSetChange);
  else if (oldCur != cur_) DataEvent(deDataSetScroll);
}

void TDataSet::setCurrent(int pos, bool notify, bool centre) {
  int old = cur_;
  cur_ = pos;
  bof_ = false;
  eof_ = false;
  if (notify) notifyScroll(old, centre);
}

int TDataSet::BufferCount() const {
  int n = 1;
  for (auto& w : windows_) n = std::max(n, w.link->BufferCount());
  return n;
}

int TDataSet::ActiveRecord() const {
  if (!Active() || cur_ < 0) return 0;
  return (readOverride_ >= 0 ? readOverride_ : cur_) - ownFirst_;
}

void TDataSet::UpdateCursorPos() { readOverride_ = -1; }

void TDataSet::ReplaceShownRows(std::vector<uint32_t> rows, int current) {
  if (filterApplied_) throw EDatabaseError(tr8("Cannot change the shown records of a filtered dataset"));
  order_ = std::move(rows);
  posDirty_ = true;
  readOverride_ = -1;
  cur_ = order_.empty() ? -1 : std::clamp(current, 0, int(order_.size()) - 1);
  bof_ = order_.empty() || cur_ == 0;
  eof_ = order_.empty();
  syncWindows(false);
  for (auto& w : windows_) w.pending = 0;
}

void TDataSet::SetReadPosition(int pos) {
  if (pos >= int(order_.size())) throw EInvalidOperation(tr8("List index out of bounds"));
  readOverride_ = pos < 0 || pos == cur_ ? -1 : pos;
}

void TDataSet::Resync() {
  checkActive();
  readOverride_ = -1;
  syncWindows(true);
  DataEvent(deDataSetChange);
}

// ---------------------------------------------------------------- link windows

TDataSet::LinkWindow* TDataSet::windowOf(const TDataLink* link) const {
  for (auto& w : windows_)
    if (w.link == link) return const_cast<LinkWindow*>(&w);
  return nullptr;
}

void TDataSet::registerLink_(TDataLink* link) {
  if (windowOf(link)) return;
  LinkWindow w;
  w.link = link;
  windows_.push_back(w);
  adjustWindow(windows_.back().first, link->BufferCount(), false);
}

void TDataSet::unregisterLink_(TDataLink* link) {
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [&](const LinkWindow& w) { return w.link == link; }),
                 windows_.end());
}

void TDataSet::linkBufferCountChanged_(TDataLink* link) {
  if (LinkWindow* w = windowOf(link)) adjustWindow(w->first, link->BufferCount(), false);
  adjustWindow(ownFirst_, BufferCount(), false);
}

int TDataSet::linkActiveRecord_(const TDataLink* link) const {
  LinkWindow* w = windowOf(link);
  if (!w || !Active() || cur_ < 0) return 0;
  return (readOverride_ >= 0 ? readOverride_ : cur_) - w->first;
}

void TDataSet::setLinkActiveRecord_(TDataLink* link, int index) {
  LinkWindow* w = windowOf(link);
  if (!w || !Active() || order_.empty()) return;
  int pos = w->first + index;
  if (pos < 0 || pos >= int(order_.size())) throw EInvalidOperation(tr8("List index out of bounds"));
  readOverride_ = pos == cur_ ? -1 : pos;
}

int TDataSet::linkRecordCount_(const TDataLink* link) const {
  LinkWindow* w = windowOf(link);
  if (!w || !Active()) return 0;
  return std::max(0, std::min(link->BufferCount(), int(order_.size()) - w->first));
}

int TDataSet::takeLinkDistance_(const TDataLink* link) {
  LinkWindow* w = windowOf(link);
  if (!w) return 0;
  int d = w->pending;
  w->pending = 0;
  return d;
}

// ---------------------------------------------------------------- bookmarks

void TDataSet::ensurePosIndex() const {
  if (!posDirty_ && posOfRow_.size() == store_.rowCount()) return;
  posOfRow_.assign(store_.rowCount(), -1);
  for (size_t i = 0; i < order_.size(); ++i) posOfRow_[order_[i]] = int32_t(i);
  posDirty_ = false;
}

int TDataSet::positionOf(uint32_t row) const {
  if (row >= store_.rowCount()) return -1;
  ensurePosIndex();
  return posOfRow_[row];
}

int TDataSet::fullPositionOf(uint32_t row) const {
  if (!filterApplied_) return positionOf(row);
  if (row >= store_.rowCount()) return -1;
  if (fullPosDirty_ || fullPosOfRow_.size() != store_.rowCount()) {
    fullPosOfRow_.assign(store_.rowCount(), -1);
    for (size_t i = 0; i < fullOrder_.size(); ++i) fullPosOfRow_[fullOrder_[i]] = int32_t(i);
    fullPosDirty_ = false;
  }
  return fullPosOfRow_[row];
}

void TDataSet::orderInsert(int pos, uint32_t row) {
  if (filterApplied_) {
    // Before the record that holds this place now, else at the end.
    auto at = pos < int(order_.size()) ? std::find(fullOrder_.begin(), fullOrder_.end(), order_[size_t(pos)])
                                       : fullOrder_.end();
    fullOrder_.insert(at, row);
    fullPosDirty_ = true;
  }
  order_.insert(order_.begin() + pos, row);
  if (!posDirty_ && pos == int(order_.size()) - 1 && posOfRow_.size() + 1 == store_.rowCount() &&
      row == posOfRow_.size()) {
    posOfRow_.push_back(pos);
  } else {
    posDirty_ = true;
  }
}

void TDataSet::orderErase(int pos) {
  uint32_t row = order_[size_t(pos)];
  // The record that followed it: a bookmark of the erased record keeps ordering just before it.
  uint32_t next = kNoRow;
  if (filterApplied_) {
    auto at = std::find(fullOrder_.begin(), fullOrder_.end(), row);
    if (at != fullOrder_.end() && at + 1 != fullOrder_.end()) next = *(at + 1);
  } else if (pos + 1 < int(order_.size())) {
    next = order_[size_t(pos) + 1];
  }
  erasedBefore_[row] = next;
  order_.erase(order_.begin() + pos);
  if (filterApplied_) {
    fullOrder_.erase(std::find(fullOrder_.begin(), fullOrder_.end(), row));
    fullPosDirty_ = true;
  }
  if (!posDirty_ && pos == int(order_.size()) && row < posOfRow_.size()) posOfRow_[row] = -1;
  else posDirty_ = true;
}

static QByteArray encodeBookmark(uint32_t row) { return QByteArray::number(row, 16).rightJustified(8, '0'); }
static bool decodeBookmark(const QByteArray& b, uint32_t& row) {
  if (b.size() != 8) return false;
  bool ok = false;
  row = b.toUInt(&ok, 16);
  return ok;
}

int TDataSet::PositionOfBookmark(const QByteArray& bookmark) const {
  uint32_t row;
  return Active() && decodeBookmark(bookmark, row) ? positionOf(row) : -1;
}

int TDataSet::ShownPositionNear(const QByteArray& bookmark, bool atOrAfter) const {
  uint32_t row;
  if (!Active() || !decodeBookmark(bookmark, row)) return -1;
  const int at = positionOf(row);
  if (at >= 0) return at;
  // The shown records keep the order of bookmarks: the first one ordering after the bookmark.
  int low = 0, high = int(order_.size());
  while (low < high) {
    const int mid = low + (high - low) / 2;
    if (CompareBookmarks(encodeBookmark(order_[size_t(mid)]), bookmark) < 0) low = mid + 1;
    else high = mid;
  }
  const int pos = atOrAfter ? low : low - 1;
  return pos >= 0 && pos < int(order_.size()) ? pos : -1;
}

QByteArray TDataSet::GetBookmark() const {
  if (!Active() || cur_ < 0) return QByteArray();
  return encodeBookmark(order_[size_t(readOverride_ >= 0 ? readOverride_ : cur_)]);
}

int64_t TDataSet::RowId() const {
  if (!Active() || cur_ < 0 || size_t(cur_) >= order_.size()) return 0;
  const uint32_t row = readRow();
  return row < store_.rowIds.size() ? store_.rowIds[row] : 0;
}

bool TDataSet::BookmarkValid(const QByteArray& bookmark) const {
  uint32_t row;
  if (!Active() || !decodeBookmark(bookmark, row)) return false;
  return positionOf(row) >= 0;
}

void TDataSet::GotoBookmark(const QByteArray& bookmark) {
  checkActive();
  uint32_t row;
  int pos = decodeBookmark(bookmark, row) ? positionOf(row) : -1;
  if (pos < 0) throw EDatabaseError(tr8("Record not found"));
  CheckBrowseMode();
  pos = positionOf(row);
  if (pos < 0) throw EDatabaseError(tr8("Record not found"));
  fire(BeforeScroll);
  setCurrent(pos, true, true);
  fire(AfterScroll);
}

TDataSet::OrderKey TDataSet::orderKeyOf(uint32_t row) const {
  // A record a filter hides orders by its place among all the records; the shown ones keep
  // that order among themselves, so marks of shown and hidden records stay in one order.
  int pos = fullPositionOf(row);
  if (pos >= 0) return {pos, 0};
  // An erased record orders just before the record that followed it when it went (and a
  // record erased before that one just before it), so that bookmarks of erased records keep
  // one order with the others however the records were inserted or sorted since.
  int depth = 0;
  uint32_t at = row;
  for (;;) {
    auto it = erasedBefore_.find(at);
    if (it == erasedBefore_.end()) return {-1, 0};  // not of this reading, or not in the view
    ++depth;
    at = it->second;
    if (at == kNoRow) return {std::numeric_limits<int>::max() - 1, -depth};
    pos = fullPositionOf(at);
    if (pos >= 0) return {pos, -depth};
    if (depth > int(erasedBefore_.size())) return {-1, 0};
  }
}

int TDataSet::CompareBookmarks(const QByteArray& a, const QByteArray& b) const {
  uint32_t ra, rb;
  bool va = decodeBookmark(a, ra), vb = decodeBookmark(b, rb);
  if (!va || !vb) return int(va) - int(vb);
  if (ra == rb) return 0;
  const OrderKey ka = orderKeyOf(ra), kb = orderKeyOf(rb);
  // A row the dataset cannot place (a record below a collapsed tree node) orders by its number.
  if (ka.pos < 0 || kb.pos < 0) return ra < rb ? -1 : 1;
  if (ka.pos != kb.pos) return ka.pos < kb.pos ? -1 : 1;
  if (ka.depth != kb.depth) return ka.depth < kb.depth ? -1 : 1;
  return ra < rb ? -1 : 1;
}

// ---------------------------------------------------------------- fields

TField* TDataSet::FindField(const QString& name) const {
  for (TField* f : fieldList_)
    if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f;
  return nullptr;
}

static QStringList splitNames(const QString& names);

TField* TDataSet::AddLookupField(const QString& name, const QString& keyFields, TDataSet* lookupDataSet,
                                 const QString& lookupKeyFields, const QString& lookupResultField,
                                 TFieldType type, int size) {
  if (FindField(name)) throw EDatabaseError(QStringLiteral("Duplicate field name '%1'").arg(name));
  if (splitNames(keyFields).isEmpty() || splitNames(keyFields).size() != splitNames(lookupKeyFields).size() ||
      splitNames(lookupResultField).size() != 1 || !lookupDataSet)
    throw EDatabaseError(QStringLiteral("Lookup information for field '%1' is incomplete").arg(name));
  auto f = std::make_unique<TField>(this, name, type, size, int(fieldList_.size()));
  f->setFieldKind_(fkLookup);
  f->KeyFields = keyFields;
  f->LookupDataSet = lookupDataSet;
  f->LookupKeyFields = lookupKeyFields;
  f->LookupResultField = lookupResultField;
  TField* out = f.get();
  lookupStore_.push_back(std::move(f));
  fieldList_.push_back(out);
  if (Active() && !sources_.empty()) DataEvent(deLayoutChange);
  return out;
}

TField* TDataSet::FieldByName(const QString& name) const {
  TField* f = FindField(name);
  if (!f) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
  return f;
}

QStringList TDataSet::FieldNames() const {
  QStringList l;
  for (TField* f : fieldList_) l << f->FieldName();
  return l;
}

static QStringList splitNames(const QString& names) {
  QStringList out;
  for (const QString& n : names.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    QString t = n.trimmed();
    if (!t.isEmpty()) out << t;
  }
  return out;
}

Variant TDataSet::FieldValues(const QString& names) const {
  QStringList l = splitNames(names);
  if (l.size() == 1) return FieldByName(l[0])->Value();
  QVector<Variant> items;
  for (const QString& n : l) items << FieldByName(n)->Value();
  return Variant::array(items);
}

void TDataSet::SetFieldValues(const QString& names, const Variant& values) {
  QStringList l = splitNames(names);
  if (l.size() == 1) { FieldByName(l[0])->SetValue(values.isArray() && values.items().size() == 1 ? values.items()[0] : values); return; }
  const auto& items = values.items();
  if (items.size() != l.size()) throw EDatabaseError(tr8("Wrong number of field values"));
  for (int i = 0; i < l.size(); ++i) FieldByName(l[i])->SetValue(items[i]);
}

uint32_t TDataSet::readRow() const {
  int p = readOverride_ >= 0 ? readOverride_ : cur_;
  return order_[size_t(p)];
}

Variant TDataSet::valueAt(uint32_t row, const TField* f, bool old) const {
  if (f->IsLookup()) return lookupValueAt(row, f, old);
  if (f->column_() < 0) return Variant::null();
  if (old && state_ == dsEdit && row == editRow_)
    return CellToVariant(store_, editOriginal_[size_t(f->column_())], f->DataType());
  if (old && state_ == dsInsert && row == editRow_) return Variant::null();
  return CellToVariant(store_, store_.get(row, f->column_()), f->DataType());
}

Variant TDataSet::lookupValueAt(uint32_t row, const TField* f, bool old) const {
  TDataSet* list = f->LookupDataSet;
  if (!list || !list->Active() || list == this) return Variant::null();
  const QStringList keys = splitNames(f->KeyFields);
  QVector<Variant> values;
  for (const QString& k : keys) {
    const TField* kf = FindField(k);
    if (!kf || kf->IsLookup()) return Variant::null();
    Variant v = valueAt(row, kf, old);
    if (v.isNullOrEmpty()) return Variant::null();
    values << v;
  }
  try {
    return list->Lookup(f->LookupKeyFields, values.size() == 1 ? values[0] : Variant::array(values),
                        f->LookupResultField);
  } catch (const EDatabaseError&) {
    // A lookup naming fields the list lacks shows nothing rather than failing every paint.
    return Variant::null();
  }
}

Variant TDataSet::fieldValue_(const TField* f) const {
  if (!Active() || cur_ < 0) return Variant::null();
  return valueAt(readRow(), f);
}

Variant TDataSet::fieldOldValue_(const TField* f) const {
  if (!Active() || cur_ < 0) return Variant::null();
  return valueAt(readRow(), f, true);
}

QByteArray TDataSet::fieldBytes_(const TField* f) const {
  if (!Active() || cur_ < 0) return QByteArray();
  if (f->IsLookup()) {
    Variant v = valueAt(readRow(), f);
    return v.isNullOrEmpty() ? QByteArray() : v.toString().toUtf8();
  }
  if (f->column_() < 0) return QByteArray();
  Cell c = store_.get(readRow(), f->column_());
  if (c.tag == ctText || c.tag == ctBlob) return store_.byteArray(c);
  if (c.tag == ctNull) return QByteArray();
  return CellToVariant(store_, c, f->DataType()).toString().toUtf8();
}

void TDataSet::checkWritable(TField* f) {
  checkActive();
  if (state_ != dsEdit && state_ != dsInsert) throw EDatabaseError(tr8("Dataset not in edit or insert mode"));
  if (!f->CanModify() && !(state_ == dsInsert && f->updatable_() && !f->ReadOnly && f->DataType() != ftAutoInc))
    throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(f->FieldName()));
}

void TDataSet::setFieldValue_(TField* f, const Variant& v) {
  if (f->IsLookup()) { setLookupValue(f, v); return; }
  checkWritable(f);
  Cell c = v.isNullOrEmpty() ? Cell{} : VariantToCell(store_, v, f->DataType());
  store_.set(editRow_, f->column_(), c);
  modified_ = true;
  if (f->OnChange) f->OnChange(f);
  DataEvent(deFieldChange, reinterpret_cast<intptr_t>(f));
  notifyLookupsOf(f);
}

void TDataSet::setLookupValue(TField* f, const Variant& v) {
  checkActive();
  if (state_ != dsEdit && state_ != dsInsert) throw EDatabaseError(tr8("Dataset not in edit or insert mode"));
  if (f->ReadOnly) throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(f->FieldName()));
  const QStringList keys = splitNames(f->KeyFields);
  QVector<Variant> keyValues;
  if (v.isNullOrEmpty() || (v.isText() && v.toString().isEmpty())) {
    for (int i = 0; i < keys.size(); ++i) keyValues << Variant::null();
  } else {
    TDataSet* list = f->LookupDataSet;
    if (!list || !list->Active()) throw EDatabaseError(kClosedDataSetMessage);
    Variant found = list->Lookup(f->LookupResultField, v, f->LookupKeyFields);
    if (found.isNullOrEmpty())
      throw EDatabaseError(QStringLiteral("Value '%1' is not in the list of field '%2'").arg(v.toString(), f->FieldName()));
    if (keys.size() == 1) keyValues << (found.isArray() ? found.items()[0] : found);
    else keyValues = found.items();
  }
  // Every key field is checked before the first is written, so a refused write changes nothing.
  for (const QString& k : keys) {
    TField* kf = FieldByName(k);
    if (kf->IsLookup()) throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(f->FieldName()));
    checkWritable(kf);
  }
  for (int i = 0; i < keys.size(); ++i) FieldByName(keys[i])->SetValue(keyValues[i]);
  if (f->OnChange) f->OnChange(f);
}

void TDataSet::notifyLookupsOf(const TField* keyField) {
  for (auto& lf : lookupStore_) {
    for (const QString& k : splitNames(lf->KeyFields)) {
      if (k.compare(keyField->FieldName(), Qt::CaseInsensitive) != 0) continue;
      DataEvent(deFieldChange, reinterpret_cast<intptr_t>(lf.get()));
      break;
    }
  }
}

void TDataSet::setFieldBytes_(TField* f, const QByteArray& bytes) {
  if (f->IsLookup()) { setLookupValue(f, bytes.isNull() ? Variant::null() : Variant(QString::fromUtf8(bytes))); return; }
  checkWritable(f);
  Cell c = bytes.isNull() ? Cell{} : store_.makeBytes(bytes.constData(), size_t(bytes.size()), f->IsBlob() && f->DataType() != ftMemo ? ctBlob : ctText);
  store_.set(editRow_, f->column_(), c);
  modified_ = true;
  if (f->OnChange) f->OnChange(f);
  DataEvent(deFieldChange, reinterpret_cast<intptr_t>(f));
}

// ---------------------------------------------------------------- search

void TDataSet::splitKeys(const QString& keyFields, const Variant& keyValues, std::vector<TField*>& fields,
                         std::vector<Variant>& values) const {
  QStringList names = splitNames(keyFields);
  for (const QString& n : names) fields.push_back(FieldByName(n));
  if (names.size() == 1) {
    values.push_back(keyValues.isArray() && keyValues.items().size() == 1 ? keyValues.items()[0] : keyValues);
  } else {
    const auto& items = keyValues.items();
    if (items.size() != names.size()) throw EDatabaseError(tr8("Wrong number of key values"));
    for (const Variant& v : items) values.push_back(v);
  }
}

bool TDataSet::matches(uint32_t row, const std::vector<TField*>& fields, const std::vector<Variant>& values,
                       TLocateOptions options) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    Variant v = valueAt(row, fields[i]);
    const Variant& k = values[i];
    if (k.isNullOrEmpty() || v.isNull()) {
      if (!(k.isNullOrEmpty() && v.isNullOrEmpty())) return false;
      continue;
    }
    if (v.isText()) {
      QString s = v.toString(), t = k.toString();
      Qt::CaseSensitivity cs = (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
      bool ok = (options & loPartialKey) ? s.startsWith(t, cs) : s.compare(t, cs) == 0;
      if (!ok) return false;
    } else {
      if (Variant::compare(v, k) != 0) return false;
    }
  }
  return true;
}

bool TDataSet::Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options) {
  checkActive();
  CheckBrowseMode();
  std::vector<TField*> fields;
  std::vector<Variant> values;
  splitKeys(keyFields, keyValues, fields, values);
  for (size_t p = 0; p < order_.size(); ++p) {
    if (matches(order_[p], fields, values, options)) {
      fire(BeforeScroll);
      setCurrent(int(p), true, true);
      fire(AfterScroll);
      return true;
    }
  }
  return false;
}

Variant TDataSet::Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields) {
  checkActive();
  std::vector<TField*> fields;
  std::vector<Variant> values;
  splitKeys(keyFields, keyValues, fields, values);
  QStringList res = splitNames(resultFields);
  for (size_t p = 0; p < order_.size(); ++p) {
    uint32_t row = order_[p];
    if (!matches(row, fields, values, 0)) continue;
    QVector<Variant> items;
    for (const QString& n : res) {
      items << valueAt(row, FieldByName(n));
    }
    return items.size() == 1 ? items[0] : Variant::array(items);
  }
  return Variant::null();
}

// ---------------------------------------------------------------- editing

bool TDataSet::CanModify() const { return Active() && !ReadOnly && InternalCanModify(); }

void TDataSet::checkBrowse() {
  checkActive();
  CheckBrowseMode();
}

void TDataSet::CheckBrowseMode() {
  checkActive();
  DataEvent(deCheckBrowseMode);
  if (state_ == dsEdit || state_ == dsInsert) {
    UpdateRecord();
    if (modified_) Post();
    else Cancel();
  }
}

void TDataSet::UpdateRecord() {
  if (state_ != dsEdit && state_ != dsInsert) throw EDatabaseError(tr8("Dataset not in edit or insert mode"));
  DataEvent(deUpdateRecord);
}

void TDataSet::Edit() {
  checkActive();
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (order_.empty()) { Insert(); return; }
  if (!CanModify()) throw EDatabaseError(tr8("Cannot modify a read-only dataset"));
  fire(BeforeEdit);
  editRow_ = order_[size_t(cur_)];
  readOverride_ = -1;
  editOriginal_.resize(size_t(store_.columnCount()));
  for (int c = 0; c < store_.columnCount(); ++c) editOriginal_[size_t(c)] = store_.get(editRow_, c);
  modified_ = false;
  state_ = dsEdit;
  DataEvent(deUpdateState);
  DataEvent(deRecordChange, 0);
  fire(AfterEdit);
}

void TDataSet::Insert() { beginNewRecord(false); }
void TDataSet::Append() { beginNewRecord(true); }

void TDataSet::beginNewRecord(bool append) {
  checkActive();
  if (!CanModify()) throw EDatabaseError(tr8("Cannot modify a read-only dataset"));
  CheckBrowseMode();
  fire(BeforeInsert);
  fire(BeforeScroll);
  readOverride_ = -1;
  editRow_ = store_.addRow();
  store_.rowIds.resize(store_.rowCount(), 0);
  int pos = append || cur_ < 0 ? int(order_.size()) : cur_;
  orderInsert(pos, editRow_);
  cur_ = pos;
  bof_ = eof_ = false;
  if (append) eof_ = true;
  editOriginal_.assign(size_t(store_.columnCount()), Cell{});
  insertPending_ = true;
  state_ = dsInsert;
  modified_ = false;
  syncWindows(false);
  for (auto& w : windows_) w.pending = 0;
  DataEvent(deUpdateState);
  try {
    InternalInitRecord();
    fire(OnNewRecord);
  } catch (...) {
    Cancel();
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange);
  fire(AfterInsert);
  fire(AfterScroll);
}

void TDataSet::Post() {
  checkActive();
  if (state_ != dsEdit && state_ != dsInsert) return;
  UpdateRecord();
  fire(BeforePost);
  for (TField* f : fieldList_) {
    if (f->Required && f->IsNull() && f->DataType() != ftAutoInc)
      throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(f->DisplayLabel()));
    // A text the databases cannot keep whole is refused before anything is written. A stored
    // cell is checked in its bytes, without making a text of it.
    if (f->DataType() != ftString && f->DataType() != ftMemo) continue;
    if (!f->IsLookup() && f->column_() >= 0 && cur_ >= 0) {
      const Cell c = store_.get(readRow(), f->column_());
      if (c.tag == ctText || c.tag == ctBlob) {
        uint32_t n;
        const char* p = store_.bytes(c, n);
        CheckStorableText(p, n, f->DisplayLabel());
      }
    } else if (!f->IsNull()) {
      CheckStorableText(f->AsString(), f->DisplayLabel());
    }
  }
  WriteKind kind = state_ == dsInsert ? wkInsert : wkUpdate;
  if (LockType == ltBatchOptimistic) {
    auto it = std::find_if(batch_.begin(), batch_.end(), [&](const BatchEntry& e) { return e.row == editRow_; });
    if (it == batch_.end()) batch_.push_back(BatchEntry{editRow_, kind, editOriginal_});
  } else {
    InternalWrite(kind, editRow_, editOriginal_);
  }
  insertPending_ = false;
  state_ = dsBrowse;
  modified_ = false;
  DataEvent(deUpdateState);
  syncWindows(false);
  for (auto& w : windows_) w.pending = 0;
  DataEvent(deDataSetChange);
  fire(AfterPost);
}

void TDataSet::AppendWritten(const std::vector<std::pair<TField*, Variant>>& values) {
  checkActive();
  if (state_ != dsBrowse) throw EDatabaseError(tr8("Dataset not in browse mode"));
  if (LockType == ltBatchOptimistic) throw EDatabaseError(tr8("Cannot write records one by one in batch mode"));
  if (!CanModify()) throw EDatabaseError(tr8("Cannot modify a read-only dataset"));
  // The cells are made before the store row exists, so that a value the field cannot take
  // leaves nothing behind.
  std::vector<std::pair<int, Cell>> cells;
  cells.reserve(values.size());
  for (const auto& [field, value] : values) {
    if (!field || field->DataSet() != this || field->FieldKind() != fkData)
      throw EDatabaseError(tr8("Field '%1' not found").arg(field ? field->FieldName() : QString()));
    const Cell c = VariantToCell(store_, value, field->DataType());
    if (c.tag == ctText && (field->DataType() == ftString || field->DataType() == ftMemo)) {
      uint32_t n;
      const char* p = store_.bytes(c, n);
      CheckStorableText(p, n);
    }
    cells.emplace_back(field->column_(), c);
  }
  const uint32_t row = store_.addRow();
  for (const auto& [column, c] : cells) store_.set(row, column, c);
  // A failed write leaves the store row unused: no position refers to it.
  InternalWrite(wkInsert, row, {});
  orderInsert(int(order_.size()), row);
  if (filterApplied_ && !condition_->Matches([&](const TField* f) { return valueAt(row, f); })) {
    order_.pop_back();
    posDirty_ = true;
  }
  if (cur_ < 0 && !order_.empty()) {
    cur_ = 0;
    bof_ = true;
  }
  eof_ = order_.empty();
  DataEvent(deDataSetChange);
}

void TDataSet::Cancel() {
  checkActive();
  if (state_ != dsEdit && state_ != dsInsert) return;
  fire(BeforeCancel);
  if (state_ == dsInsert) {
    orderErase(cur_);
    if (cur_ >= int(order_.size())) cur_ = int(order_.size()) - 1;
    insertPending_ = false;
  } else {
    for (int c = 0; c < store_.columnCount(); ++c) store_.set(editRow_, c, editOriginal_[size_t(c)]);
  }
  bof_ = order_.empty() || cur_ == 0 ? bof_ : false;
  eof_ = order_.empty() ? true : eof_ && cur_ == int(order_.size()) - 1;
  state_ = dsBrowse;
  modified_ = false;
  DataEvent(deUpdateState);
  syncWindows(false);
  for (auto& w : windows_) w.pending = 0;
  DataEvent(deDataSetChange);
  fire(AfterCancel);
}

void TDataSet::Delete() {
  checkActive();
  if (state_ == dsInsert) { Cancel(); return; }
  if (state_ == dsEdit) Cancel();
  if (order_.empty()) throw EDatabaseError(tr8("Cannot perform this operation on an empty dataset"));
  if (!CanModify()) throw EDatabaseError(tr8("Cannot modify a read-only dataset"));
  DataEvent(deCheckBrowseMode);
  fire(BeforeDelete);
  fire(BeforeScroll);
  uint32_t row = order_[size_t(cur_)];
  if (LockType == ltBatchOptimistic) {
    auto it = std::find_if(batch_.begin(), batch_.end(), [&](const BatchEntry& e) { return e.row == row; });
    std::vector<Cell> orig(size_t(store_.columnCount()));
    for (int c = 0; c < store_.columnCount(); ++c) orig[size_t(c)] = store_.get(row, c);
    bool wasInsert = it != batch_.end() && it->kind == wkInsert;
    if (it != batch_.end()) {
      orig = it->original;
      batch_.erase(it);
    }
    batch_.push_back(BatchEntry{row, wasInsert ? wkInsert : wkDelete, orig, cur_, wasInsert});
  } else {
    std::vector<Cell> orig(size_t(store_.columnCount()));
    for (int c = 0; c < store_.columnCount(); ++c) orig[size_t(c)] = store_.get(row, c);
    InternalWrite(wkDelete, row, orig);
  }
  readOverride_ = -1;
  orderErase(cur_);
  if (cur_ >= int(order_.size())) cur_ = int(order_.size()) - 1;
  bof_ = order_.empty() || cur_ == 0;
  eof_ = order_.empty();
  syncWindows(false);
  for (auto& w : windows_) w.pending = 0;
  DataEvent(deDataSetChange);
  fire(AfterDelete);
  fire(AfterScroll);
}

// ---------------------------------------------------------------- batch

int TDataSet::PendingUpdateCount() const {
  int n = 0;
  for (auto& e : batch_) if (!e.dropped) ++n;
  return n;
}

void TDataSet::UpdateBatch() {
  checkActive();
  CheckBrowseMode();
  if (batch_.empty()) return;
  std::vector<int64_t> savedIds = store_.rowIds;
  try {
    InternalInTransaction([&] {
      for (const BatchEntry& e : batch_) {
        if (e.dropped) continue;
        InternalWrite(e.kind, e.row, e.original);
      }
    });
  } catch (...) {
    store_.rowIds = savedIds;
    throw;
  }
  batch_.clear();
}

void TDataSet::CancelBatch(TAffectRecords affect) {
  checkActive();
  if (state_ == dsEdit || state_ == dsInsert) Cancel();
  if (affect == arCurrent) {
    if (cur_ < 0) return;
    uint32_t row = order_[size_t(cur_)];
    auto it = std::find_if(batch_.begin(), batch_.end(), [&](const BatchEntry& e) { return e.row == row; });
    if (it == batch_.end()) return;
    if (it->kind == wkInsert) {
      orderErase(cur_);
      if (cur_ >= int(order_.size())) cur_ = int(order_.size()) - 1;
    } else {
      for (int c = 0; c < store_.columnCount(); ++c) store_.set(row, c, it->original[size_t(c)]);
    }
    batch_.erase(it);
    bof_ = order_.empty() || cur_ == 0;
    eof_ = order_.empty();
    Resync();
    return;
  }
  for (auto it = batch_.rbegin(); it != batch_.rend(); ++it) {
    const BatchEntry& e = *it;
    if (e.kind == wkDelete || e.dropped) {
      int at = std::min(e.deletedAt, int(order_.size()));
      orderInsert(at, e.row);
    }
    if (e.kind == wkInsert) {
      int p = positionOf(e.row);
      if (p >= 0) orderErase(p);
    } else {
      for (int c = 0; c < store_.columnCount(); ++c) store_.set(e.row, c, e.original[size_t(c)]);
    }
  }
  batch_.clear();
  if (order_.empty()) cur_ = -1;
  else cur_ = std::clamp(cur_, 0, int(order_.size()) - 1);
  bof_ = order_.empty() || cur_ == 0;
  eof_ = order_.empty();
  Resync();
}

// ---------------------------------------------------------------- controls and events

void TDataSet::DisableControls() {
  if (disableCount_++ == 0) stateBeforeDisable_ = state_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  if (stateBeforeDisable_ != state_) DataEvent(deUpdateState);
  if (stateBeforeDisable_ != dsInactive && state_ != dsInactive) {
    syncWindows(false);
    for (auto& w : windows_) w.pending = 0;
    DataEvent(deDataSetChange);
  }
}

void TDataSet::addDataSource_(TDataSource* s) {
  if (std::find(sources_.begin(), sources_.end(), s) == sources_.end()) sources_.push_back(s);
}
void TDataSet::removeDataSource_(TDataSource* s) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), s), sources_.end());
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
  if (disableCount_ > 0) return;
  if (event == deDataSetChange || event == deUpdateState) {
    for (auto& w : windows_) {
      adjustWindow(w.first, w.link->BufferCount(), false);
      w.pending = 0;
    }
  }
  for (TDataSource* s : std::vector<TDataSource*>(sources_)) s->dataEvent_(event, info);
}
