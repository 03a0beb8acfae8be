#include "platform/data/datasource.h"

#include <algorithm>

TDataSource::TDataSource(QObject* parent) : QObject(parent) {}

TDataSource::~TDataSource() {
  SetDataSet(nullptr);
  for (TDataLink* l : std::vector<TDataLink*>(links_)) l->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* ds) {
  if (ds == dataSet_) return;
  if (dataSet_) {
    for (TDataLink* l : links_) dataSet_->unregisterLink_(l);
    dataSet_->removeDataSource_(this);
  }
  dataSet_ = ds;
  if (dataSet_) {
    dataSet_->addDataSource_(this);
    for (TDataLink* l : links_) dataSet_->registerLink_(l);
  }
  dataEvent_(deUpdateState, 0);
}

void TDataSource::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  // Links see the dataset as closed while the source is disabled.
  TDataSetState st = State();
  if (st != lastState_) {
    lastState_ = st;
    if (OnStateChange) OnStateChange(this);
  }
  for (TDataLink* l : std::vector<TDataLink*>(links_)) l->updateState_();
}

TDataSetState TDataSource::State() const {
  if (!dataSet_ || !enabled_) return dsInactive;
  return dataSet_->State();
}

void TDataSource::Edit() {
  if (AutoEdit && dataSet_ && dataSet_->State() == dsBrowse) dataSet_->Edit();
}

void TDataSource::addLink_(TDataLink* l) {
  if (std::find(links_.begin(), links_.end(), l) != links_.end()) return;
  links_.push_back(l);
  if (dataSet_) dataSet_->registerLink_(l);
}

void TDataSource::removeLink_(TDataLink* l) {
  links_.erase(std::remove(links_.begin(), links_.end(), l), links_.end());
  if (dataSet_) dataSet_->unregisterLink_(l);
}

void TDataSource::dataEvent_(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    TDataSetState st = State();
    if (st != lastState_) {
      lastState_ = st;
      if (OnStateChange) OnStateChange(this);
    }
  }
  if (!enabled_) return;
  for (TDataLink* l : std::vector<TDataLink*>(links_)) {
    if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->dataEvent_(event, info);
  }
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------- TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (source_) source_->removeLink_(this);
  source_ = nullptr;
}

void TDataLink::SetDataSource(TDataSource* s) {
  if (s == source_) return;
  if (source_) source_->removeLink_(this);
  source_ = s;
  if (source_) source_->addLink_(this);
  updateState_();
}

TDataSet* TDataLink::DataSet() const { return source_ ? source_->DataSet() : nullptr; }

void TDataLink::updateState_() {
  bool act = source_ && source_->Enabled() && source_->DataSet() && source_->DataSet()->Active();
  if (act != active_) {
    active_ = act;
    ActiveChanged();
  }
  bool ed = active_ && !ReadOnly && (source_->DataSet()->State() == dsEdit || source_->DataSet()->State() == dsInsert);
  if (ed != editing_) {
    editing_ = ed;
    EditingChanged();
  }
}

void TDataLink::dataEvent_(TDataEvent event, intptr_t info) {
  switch (event) {
    case deUpdateState:
      updateState_();
      break;
    case deDataSetChange:
      if (active_) DataSetChanged();
      break;
    case deDataSetScroll:
      if (active_) DataSetScrolled(DataSet()->takeLinkDistance_(this));
      break;
    case deLayoutChange:
      if (active_) LayoutChanged();
      break;
    case deFieldChange:
    case deRecordChange:
      if (active_) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deUpdateRecord:
      if (active_ && !inUpdateData_) {
        inUpdateData_ = true;
        try {
          UpdateData();
        } catch (...) {
          inUpdateData_ = false;
          throw;
        }
        inUpdateData_ = false;
      }
      break;
    case deCheckBrowseMode:
      if (active_) CheckBrowseMode();
      break;
    case deFocusControl:
      if (active_) FocusControl(reinterpret_cast<TField*>(info));
      break;
  }
}

bool TDataLink::Edit() {
  if (!ReadOnly && source_ && active_) source_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  if (active_ && DataSet() && (DataSet()->State() == dsEdit || DataSet()->State() == dsInsert)) DataSet()->UpdateRecord();
}

void TDataLink::SetBufferCount(int n) {
  if (n < 1) n = 1;
  if (n == bufferCount_) return;
  bufferCount_ = n;
  if (TDataSet* ds = DataSet()) ds->linkBufferCountChanged_(this);
}

int TDataLink::ActiveRecord() const {
  TDataSet* ds = DataSet();
  return active_ && ds ? ds->linkActiveRecord_(this) : 0;
}

void TDataLink::SetActiveRecord(int index) {
  TDataSet* ds = DataSet();
  if (active_ && ds) ds->setLinkActiveRecord_(this, index);
}

int TDataLink::RecordCount() const {
  TDataSet* ds = DataSet();
  return active_ && ds ? ds->linkRecordCount_(this) : 0;
}

bool TDataLink::Eof() const { return active_ && DataSet()->Eof(); }
bool TDataLink::Bof() const { return active_ && DataSet()->Bof(); }
int TDataLink::MoveBy(int distance) { return active_ ? DataSet()->MoveBy(distance) : 0; }
