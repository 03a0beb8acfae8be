#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/data/datasetfilter.h"
#include "platform/data/field.h"
#include "platform/data/rowstore.h"
#include "platform/variant.h"

class TDataSource;
class TDataLink;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// What a dataset tells its data sources and their links.
enum TDataEvent {
  deFieldChange,      // info: the TField* whose value changed
  deRecordChange,     // info: the TField* or nullptr (whole record)
  deDataSetChange,    // records were reread or reordered: links resynchronise
  deDataSetScroll,    // the current record moved; links compute their scroll distance
  deLayoutChange,     // the field list changed
  deUpdateRecord,     // links write pending editor text into fields (before post)
  deUpdateState,      // state changed (active / editing)
  deCheckBrowseMode,  // links give up pending edits before a move
  deFocusControl,     // info: the TField* to focus
};

enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = int;

enum TLockType { ltOptimistic, ltBatchOptimistic };

using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;

// A dataset: a list of records with a current record, fields over it, states and the
// notifications the data-aware controls follow.
//
// Records are a snapshot read completely at Open (a static cursor): navigation, RecordCount
// and bookmarks work over that snapshot; other users' later changes are not seen until the
// dataset is reopened. The dataset's own posts and deletes change the snapshot and are written
// to the database at once (or, with LockType ltBatchOptimistic, at UpdateBatch).
//
// Errors: every failing operation raises EDatabaseError; database failures carry the
// database's own message. Operations on a closed dataset raise "Cannot perform this operation
// on a closed dataset"; writing a field outside edit/insert raises "Dataset not in edit or
// insert mode"; FieldByName of an unknown name raises "Field 'X' not found".
//
// Event handler slots (AfterOpen, ..., OnNewRecord) are plain public std::function members:
// another object may read one, put its own in place and call the saved one from it (a chain),
// then put the saved one back.
//
// Record buffer window: each data link asks for BufferCount records around the current one
// (TDataLink::SetBufferCount). The dataset keeps, per link, the position of the first buffered
// record; the link's ActiveRecord is the current record's index in that window. A move that
// keeps the current record inside the window does not shift it (scroll distance 0); a move
// beyond shifts the window just enough (distance = how many records it shifted, positive
// forwards) and the link gets DataSetScrolled(distance). GotoBookmark and Locate place the
// current record in the middle of each window and send DataSetChanged.
class TDataSet : public QObject {
  Q_OBJECT
 public:
  explicit TDataSet(QObject* parent = nullptr);
  ~TDataSet() override;

  // --- opening
  void Open();
  void Close();
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool on) { on ? Open() : Close(); }
  TDataSetState State() const { return state_; }

  // --- navigation
  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int distance);         // returns the distance actually moved
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const;
  int RecordCount() const;          // records of the snapshot (a pending insert not counted)
  int RecNo() const;                // 1-based; -1 when empty or closed
  void SetRecNo(int recNo);         // moves; out of range raises EDatabaseError
  bool IsSequenced() const { return true; }  // record numbers are valid positions

  // --- bookmarks: an opaque text naming a record; valid while the record exists in this
  // snapshot (deleting other records does not invalidate it). Empty for no record.
  QByteArray GetBookmark() const;
  QString Bookmark() const { return QString::fromLatin1(GetBookmark()); }
  void GotoBookmark(const QByteArray& bookmark);   // raises "Record not found" when invalid
  void SetBookmark(const QString& bookmark) { GotoBookmark(bookmark.toLatin1()); }
  bool BookmarkValid(const QByteArray& bookmark) const;
  // Changes whenever the records are read anew (open, close, a refill or detail re-read): a
  // bookmark taken before may name another record of the new reading, or none.
  quint64 SnapshotNumber() const { return snapshotNumber_; }
  // <0, 0, >0 by the records' order in the dataset; an empty bookmark sorts first.
  int CompareBookmarks(const QByteArray& a, const QByteArray& b) const;
  // The shown position of the first record ordering at or after the bookmark (atOrAfter) or of
  // the last one ordering at or before it, by CompareBookmarks; -1 when there is none. A
  // bookmark of a record hidden by a filter or erased finds the shown records around its place.
  int ShownPositionNear(const QByteArray& bookmark, bool atOrAfter) const;
  // The database identity of the current record (SQLite rowid) as the last read or write
  // left it; 0 when the record has none (closed, empty, a pending insert, a computed row).
  int64_t RowId() const;

  // --- search. keyFields: names separated by ";". values: one Variant per field (an Array
  // Variant for several). Partial key: text fields match by prefix.
  bool Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options = 0);
  // The resultFields value(s) of the first record matching, without moving; Null when none.
  Variant Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields);

  // --- fields
  const std::vector<TField*>& Fields() const { return fieldList_; }
  int FieldCount() const { return int(fieldList_.size()); }
  TField* FindField(const QString& name) const;   // case-insensitive; nullptr when absent
  TField* FieldByName(const QString& name) const; // raises "Field 'X' not found"
  QStringList FieldNames() const;
  // Adds a lookup field (see TField's lookup members) after the data fields. It stays with the
  // dataset across close and reopen. A name already used raises EDatabaseError.
  TField* AddLookupField(const QString& name, const QString& keyFields, TDataSet* lookupDataSet,
                         const QString& lookupKeyFields, const QString& lookupResultField,
                         TFieldType type = ftString, int size = 0);
  // Values of several fields ("a;b"): a single Variant for one name, an Array for more.
  Variant FieldValues(const QString& names) const;
  void SetFieldValues(const QString& names, const Variant& values);

  // --- editing
  void Edit();
  void Insert();       // a new record before the current one
  void Append();       // a new record at the end
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();  // posts a modified edit, cancels an unmodified one
  void UpdateRecord();     // asks the links to write pending editor text into the fields
  // Adds a record at the end and writes it to the database at once, without the states,
  // events and editor notifications of Append and Post: for a window that fills the result
  // table it shows line by line (with its controls disabled, so that the links learn of all
  // new records once, at EnableControls). `values` give some fields their values, the others
  // stay Null or get the table's defaults. The current record stays where it is (the first
  // record when the dataset was empty). Raises as Post does (and in batch mode or while
  // editing); the record is not added then.
  void AppendWritten(const std::vector<std::pair<TField*, Variant>>& values);
  // The data sources bound to this dataset.
  const std::vector<TDataSource*>& DataSources() const { return sources_; }
  bool Modified() const { return modified_; }
  bool CanModify() const;  // open, not ReadOnly and the result has an updatable table
  bool ReadOnly = false;

  // --- batch mode: with ltBatchOptimistic posts and deletes stay in the snapshot until
  // UpdateBatch writes them all in one transaction; CancelBatch puts the snapshot back.
  TLockType LockType = ltOptimistic;
  void UpdateBatch();
  enum TAffectRecords { arAll, arCurrent };
  // arCurrent: only the current record's held change is undone (an appended record goes).
  void CancelBatch(TAffectRecords affect = arAll);
  int PendingUpdateCount() const;

  // --- controls
  void DisableControls();
  void EnableControls();   // at the outermost level: one DataSetChanged to every link
  bool ControlsDisabled() const { return disableCount_ > 0; }

  // --- record buffer window (see class comment)
  int BufferCount() const;       // records in the dataset's own window (largest link request)
  int ActiveRecord() const;      // index of the current record in that window
  void UpdateCursorPos();        // makes the current record the one field reads use again
  void Resync();                 // rebuilds every window around the current record; DataSetChanged

  // --- filter: while Filtered is on and Filter is not empty, the dataset shows only the
  // records that pass the condition (see TDataSetFilter for what it reads). Setting either
  // re-reads which records pass and moves to the first one; a bad condition or an unknown
  // field raises EDatabaseError and changes nothing. Records posted while filtered stay in
  // view until the filter is applied again.
  const QString& Filter() const { return filter_; }
  void SetFilter(const QString& text);
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool on);

  // --- event handler slots
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeEdit, AfterEdit, BeforeInsert, AfterInsert;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete;
  TDataSetNotifyEvent OnNewRecord;

  // --- data sources (called by TDataSource)
  void addDataSource_(TDataSource* s);
  void removeDataSource_(TDataSource* s);
  void DataEvent(TDataEvent event, intptr_t info = 0);

  // --- used by TField and TDataLink
  Variant fieldValue_(const TField* f) const;
  Variant fieldOldValue_(const TField* f) const;
  QByteArray fieldBytes_(const TField* f) const;
  void setFieldValue_(TField* f, const Variant& v);
  void setFieldBytes_(TField* f, const QByteArray& bytes);
  // Link windows.
  void linkBufferCountChanged_(TDataLink* link);
  int linkActiveRecord_(const TDataLink* link) const;
  void setLinkActiveRecord_(TDataLink* link, int index);
  int linkRecordCount_(const TDataLink* link) const;
  void registerLink_(TDataLink* link);
  void unregisterLink_(TDataLink* link);
  int takeLinkDistance_(const TDataLink* link);

 protected:
  // Subclasses read the result into store_ and set the column descriptions (store_.columns).
  virtual void InternalOpen() = 0;
  virtual void InternalClose() {}
  // Writes one record to the database (not called in batch mode until UpdateBatch).
  // kind: 0 insert, 1 update, 2 delete. row: the store row (new values); original: the
  // stored values before the edit (for update and delete).
  enum WriteKind { wkInsert, wkUpdate, wkDelete };
  virtual void InternalWrite(WriteKind kind, uint32_t row, const std::vector<Cell>& original) = 0;
  // Whether the result has a table that edits write back to.
  virtual bool InternalCanModify() const = 0;
  // Runs fn inside one transaction of the dataset's connection (batch updates).
  virtual void InternalInTransaction(const std::function<void()>& fn) { fn(); }
  // Called after a new record got its default values (master-detail links fill theirs).
  virtual void InternalInitRecord() {}
  // Requery after a master moved (used by detail tables).
  void Refill();
  // Datasets that decide themselves which records they show (tree views of a memory table):
  // `rows` become the shown records in order and `current` the current position (-1 for none).
  // Nothing is notified; the caller resynchronises (or is inside a post that does). Refused
  // while a filter condition applies.
  void ReplaceShownRows(std::vector<uint32_t> rows, int current);
  // Makes the shown record at `pos` the one fields read (-1: the current record again).
  void SetReadPosition(int pos);
  int ReadPosition() const { return readOverride_ >= 0 ? readOverride_ : cur_; }
  int CurrentPosition() const { return cur_; }
  // The shown position of a bookmark's record, -1 when it is not shown.
  int PositionOfBookmark(const QByteArray& bookmark) const;

  void checkActive() const;
  void checkBrowse();
  RowStore store_;              // the snapshot
  std::vector<uint32_t> order_; // store rows in dataset order (deleted rows removed)

 private:
  struct LinkWindow { TDataLink* link = nullptr; int first = 0; int pending = 0; };
  // One held change of batch mode. deletedAt: the position a deleted row had; dropped: a row
  // inserted and deleted again before the batch was written (nothing to write).
  struct BatchEntry { uint32_t row; WriteKind kind; std::vector<Cell> original; int deletedAt = -1; bool dropped = false; };

  void buildFields();
  void doOpen(bool notify);
  void setCurrent(int pos, bool notifyScroll, bool centre = false);
  int currentPos() const { return cur_; }
  uint32_t readRow() const;           // store row read by fields now
  void ensurePosIndex() const;
  int positionOf(uint32_t row) const; // -1 when deleted
  void beginNewRecord(bool append);
  void endEdit();
  void notifyScroll(int oldCur, bool centre);
  void syncWindows(bool centre);
  LinkWindow* windowOf(const TDataLink* link) const;
  void orderInsert(int pos, uint32_t row);
  void orderErase(int pos);
  void checkWritable(TField* f);
  void adjustWindow(int& first, int count, bool centre) const;
  void fire(const TDataSetNotifyEvent& ev) { if (ev) ev(this); }
  bool matches(uint32_t row, const std::vector<TField*>& fields, const std::vector<Variant>& values, TLocateOptions options) const;
  // The value of a field in a store row (lookup fields resolved); `old` reads the values the
  // row had before the current edit.
  Variant valueAt(uint32_t row, const TField* f, bool old = false) const;
  Variant lookupValueAt(uint32_t row, const TField* f, bool old) const;
  void setLookupValue(TField* f, const Variant& v);
  void notifyLookupsOf(const TField* keyField);
  void splitKeys(const QString& keyFields, const Variant& keyValues, std::vector<TField*>& fields, std::vector<Variant>& values) const;

  TDataSetState state_ = dsInactive;
  std::vector<std::unique_ptr<TField>> fieldStore_;
  std::vector<TField*> fieldList_;
  std::vector<std::unique_ptr<TField>> lookupStore_;  // lookup fields, after the data fields
  std::vector<TDataSource*> sources_;
  std::vector<LinkWindow> windows_;
  int ownFirst_ = 0;             // dataset's own window
  int cur_ = -1;                 // position in order_ of the current record
  int readOverride_ = -1;        // position a link made active for a moment
  bool bof_ = true, eof_ = true;
  bool modified_ = false;
  int disableCount_ = 0;
  bool changedWhileDisabled_ = false;
  TDataSetState stateBeforeDisable_ = dsInactive;
  // Editing: the store row being edited or inserted and the values it had before.
  uint32_t editRow_ = 0;
  std::vector<Cell> editOriginal_;
  bool insertPending_ = false;
  std::vector<BatchEntry> batch_;
  mutable std::vector<int32_t> posOfRow_;  // store row -> position; rebuilt when dirty
  mutable bool posDirty_ = true;
  quint64 snapshotNumber_ = 0;
  // For each record erased from this reading, the record that followed it then (kNoRow at the
  // end): bookmarks of erased records keep their place in the order of bookmarks.
  static constexpr uint32_t kNoRow = 0xFFFFFFFFu;
  std::unordered_map<uint32_t, uint32_t> erasedBefore_;
  struct OrderKey {
    int pos;
    int depth;
  };
  OrderKey orderKeyOf(uint32_t row) const;
  // Filtering: order_ holds the passing records; fullOrder_ every record in dataset order
  // (kept while a condition applies, so inserts and deletes reach both).
  void applyFilter();
  void refilter();
  QString filter_;
  bool filtered_ = false;
  std::unique_ptr<TDataSetFilter> condition_;
  bool filterApplied_ = false;
  std::vector<uint32_t> fullOrder_;
  // Store row -> position in fullOrder_, for comparing bookmarks of hidden records; rebuilt
  // when dirty.
  int fullPositionOf(uint32_t row) const;
  mutable std::vector<int32_t> fullPosOfRow_;
  mutable bool fullPosDirty_ = true;
};

// The first dataset error text of a closed dataset.
inline const char* kClosedDataSetMessage = "Cannot perform this operation on a closed dataset";
