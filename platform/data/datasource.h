#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "platform/data/dataset.h"

class TDataLink;

using TDataChangeEvent = std::function<void(TDataSource* sender, TField* field)>;
using TNotifyEvent = std::function<void(QObject* sender)>;

// Connects a dataset to data links (grids, editors). Events of the dataset reach every link
// of every enabled source; a disabled source tells its links the dataset is inactive.
class TDataSource : public QObject {
  Q_OBJECT
 public:
  explicit TDataSource(QObject* parent = nullptr);
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* ds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  // Typing into a bound editor puts the dataset into edit state when AutoEdit is on.
  bool AutoEdit = true;
  // The dataset's state, dsInactive without a dataset or while disabled.
  TDataSetState State() const;
  // Puts a browsing dataset into edit state when AutoEdit allows (what an editor asks for).
  void Edit();

  TDataChangeEvent OnDataChange;   // record changed or moved (field = nullptr) or a field changed
  TNotifyEvent OnStateChange;
  TNotifyEvent OnUpdateData;

  const std::vector<TDataLink*>& links() const { return links_; }
  void addLink_(TDataLink* l);
  void removeLink_(TDataLink* l);
  void dataEvent_(TDataEvent event, intptr_t info);

 private:
  TDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  TDataSetState lastState_ = dsInactive;
  std::vector<TDataLink*> links_;
};

// The base of everything that follows a data source. Subclasses override the notifications.
//
// Notifications:
// - ActiveChanged: the dataset was opened or closed (or the source changed, or was disabled).
// - DataSetChanged: records were reread or reordered, or a post/cancel/delete/insert changed
//   the record list; re-read everything.
// - DataSetScrolled(distance): the current record moved; distance = how many records the link's
//   buffer window shifted (0 when the new current record was already buffered).
// - LayoutChanged: the field list changed (reopen with other columns).
// - RecordChanged(field): a field of the current record changed (nullptr: the whole record).
// - EditingChanged: the dataset entered or left edit/insert state.
// - UpdateData: before a post, write any pending editor text into the fields.
// - FocusControl(field): a caller asked to focus the control of that field.
// - CheckBrowseMode: before the dataset leaves the record.
class TDataLink {
 public:
  TDataLink();
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return source_; }
  void SetDataSource(TDataSource* s);
  TDataSet* DataSet() const;
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }
  bool ReadOnly = false;
  bool VisualControl = false;

  // Asks for edit state through the data source (AutoEdit rules); returns Editing().
  bool Edit();
  // Runs the dataset's UpdateRecord (all links' UpdateData).
  void UpdateRecord();

  // Record buffer window.
  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int n);
  int ActiveRecord() const;          // index of the current record in the window; 0 when inactive
  void SetActiveRecord(int index);   // makes a buffered record the one fields read, for a moment
  int RecordCount() const;           // records in the window
  bool Eof() const;
  bool Bof() const;
  int MoveBy(int distance);          // moves the dataset

 protected:
  virtual void ActiveChanged() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) { DataSetChanged(); }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* field) {}
  virtual void EditingChanged() {}
  virtual void UpdateData() {}
  virtual void FocusControl(TField* field) {}
  virtual void CheckBrowseMode() {}

 private:
  friend class TDataSource;
  friend class TDataSet;
  void dataEvent_(TDataEvent event, intptr_t info);
  void updateState_();
  TDataSource* source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool inUpdateData_ = false;
  int bufferCount_ = 1;
};
