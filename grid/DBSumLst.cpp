#include "grid/DBSumLst.h"

#include <cmath>

#include "platform/data/ado.h"
#include "platform/data/field.h"

// ---- TDBSum / TDBSumCollection ------------------------------------------------------------

void TDBSum::SetFieldName(const QString& name) {
  if (name == fieldName_) return;
  fieldName_ = name;
  owner_->Changed();
}

void TDBSum::SetGroupOperation(TGroupOperation op) {
  if (op == op_) return;
  op_ = op;
  owner_->Changed();
}

void TDBSum::Assign(const TDBSum& src) {
  op_ = src.op_;
  fieldName_ = src.fieldName_;
  OldValue = src.OldValue;
  Accumulated = src.Accumulated;
  owner_->Changed();
}

TDBSum* TDBSumCollection::Add() {
  items_.push_back(std::make_unique<TDBSum>(this));
  Changed();
  return items_.back().get();
}

void TDBSumCollection::Remove(TDBSum* item) {
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if (it->get() == item) {
      items_.erase(it);
      Changed();
      return;
    }
}

TDBSum* TDBSumCollection::SumFor(TGroupOperation op, const QString& fieldName) const {
  for (const auto& s : items_)
    if (s->GroupOperation() == op && s->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0) return s.get();
  return nullptr;
}

void TDBSumCollection::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && pending_) {
    pending_ = false;
    Changed();
  }
}

void TDBSumCollection::Changed() {
  if (updateCount_ > 0) {
    pending_ = true;
    return;
  }
  if (owner_->OwnerLoading) return;
  owner_->RecalculateAll();
}

// The running sum divided by the count, to four decimals, halves to even; 0 for no values.
static Money AverageOf(Money sum, int count) {
  if (count <= 0) return Money();
  const int64_t u = sum.units();
  int64_t q = u / count, r = u % count;
  const int64_t twice = 2 * (r < 0 ? -r : r);
  if (twice > count || (twice == count && (q % 2 != 0))) q += (u < 0 ? -1 : 1);
  return Money::fromUnits(q);
}

// Whether a record counts for a count item: always without a field name, else when the field
// exists and holds a value.
static bool Counts(const TDBSum* s, TField* f) { return s->FieldName().isEmpty() || (f && !f->IsNull()); }

// ---- engine -------------------------------------------------------------------------------

TDBSumListProducer::TDBSumListProducer(QObject* owner) : owner_(owner), sums_(this) {}

TDBSumListProducer::~TDBSumListProducer() {
  QObject::disconnect(destroyedConnection_);
  // Switching off without zeroing: the dataset gets its own handlers back.
  if (hooked_) TDBSumListProducer::GiveBackEvents();
}

Money TDBSumListProducer::FieldMoney(TField* f) {
  if (f->IsNull()) return Money();
  switch (f->DataType()) {
    case ftCurrency:
    case ftBCD:
      return f->AsMoney();
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftAutoInc:
      return Money::fromInt(f->AsLargeInt());
    case ftFloat:
      // Floating values enter multiplied by 10,000 and rounded half to even.
      return Money::fromUnits(int64_t(std::nearbyint(f->AsFloat() * 10000.0)));
    default:
      return Money();  // texts, dates and the like add nothing
  }
}

void TDBSumListProducer::ReportChanged() {
  if (SumListChanged) SumListChanged(this);
}

void TDBSumListProducer::SetDataSet(TDataSet* ds) {
  if (ds == dataSet_) return;
  // A dataset destroyed while bound is simply forgotten: its handler slots are gone with it.
  QObject::disconnect(destroyedConnection_);
  if (ds)
    destroyedConnection_ = QObject::connect(ds, &QObject::destroyed, owner_, [this, ds] {
      if (dataSet_ != ds) return;
      dataSet_ = nullptr;
      hooked_ = false;
      master_ = nullptr;
      virtualList_.clear();
      pendingDelete_ = {};
    });
  if (OwnerLoading || (OwnerDesigning && !DesignTimeWork)) {
    dataSet_ = ds;
    return;
  }
  const bool wasActive = active_;
  SwitchOff(true);
  dataSet_ = ds;
  if (wasActive) SwitchOn();
}

void TDBSumListProducer::DataSetDestroying(TDataSet* ds) {
  if (ds != dataSet_) return;
  GiveBackEvents();
  dataSet_ = nullptr;
}

void TDBSumListProducer::SwitchOn() {
  active_ = true;
  if (OwnerLoading || (OwnerDesigning && !DesignTimeWork)) return;
  TakeDataSetEvents();
  Recalc(false);
}

void TDBSumListProducer::SwitchOff(bool zero) {
  active_ = false;
  if (OwnerLoading || (OwnerDesigning && !DesignTimeWork)) return;
  GiveBackEvents();
  if (zero) ZeroSums();
}

void TDBSumListProducer::SetActive(bool on) {
  if (on == active_) return;
  if (on) SwitchOn();
  else SwitchOff(true);
}

void TDBSumListProducer::Loaded() {
  OwnerLoading = false;
  if (dataSet_ && active_) SwitchOn();
}

void TDBSumListProducer::SetExternalRecalc(bool on) {
  if (on == externalRecalc_) return;
  externalRecalc_ = on;
  RecalculateAll();
}

void TDBSumListProducer::SetVirtualRecords(bool on) {
  if (on == virtualRecords_) return;
  virtualRecords_ = on;
  if (on) RecalculateAll();
}

void TDBSumListProducer::TakeDataSetEvents() {
  if (!dataSet_ || hooked_) return;
  TDataSet* ds = dataSet_;
  savedAfterEdit_ = ds->AfterEdit;
  savedAfterInsert_ = ds->AfterInsert;
  savedAfterOpen_ = ds->AfterOpen;
  savedAfterPost_ = ds->AfterPost;
  savedAfterScroll_ = ds->AfterScroll;
  savedBeforeDelete_ = ds->BeforeDelete;
  savedAfterDelete_ = ds->AfterDelete;
  savedAfterClose_ = ds->AfterClose;
  savedAfterCancel_ = ds->AfterCancel;
  ds->AfterEdit = [this](TDataSet* d) { HandleAfterEdit(d); };
  ds->AfterInsert = [this](TDataSet* d) { HandleAfterInsert(d); };
  ds->AfterOpen = [this](TDataSet* d) { HandleAfterOpen(d); };
  ds->AfterPost = [this](TDataSet* d) { HandleAfterPost(d); };
  ds->AfterScroll = [this](TDataSet* d) { HandleAfterScroll(d); };
  ds->BeforeDelete = [this](TDataSet* d) { HandleBeforeDelete(d); };
  ds->AfterDelete = [this](TDataSet* d) { HandleAfterDelete(d); };
  ds->AfterClose = [this](TDataSet* d) { HandleAfterClose(d); };
  ds->AfterCancel = [this](TDataSet* d) { HandleAfterCancel(d); };
  // A detail table follows its master: the engine recalculates when the master moves.
  master_ = masterCandidate_;
  if (!master_)
    if (auto* table = qobject_cast<TADOTable*>(ds); table && table->MasterSource())
      master_ = table->MasterSource()->DataSet();
  if (master_) {
    savedMasterAfterScroll_ = master_->AfterScroll;
    master_->AfterScroll = [this](TDataSet* d) {
      if (savedMasterAfterScroll_) savedMasterAfterScroll_(d);
      if (!recalculating_) Recalc(false);
    };
  }
  hooked_ = true;
}

void TDBSumListProducer::GiveBackEvents() {
  if (!hooked_) return;
  if (dataSet_) {
    TDataSet* ds = dataSet_;
    ds->AfterEdit = savedAfterEdit_;
    ds->AfterInsert = savedAfterInsert_;
    ds->AfterOpen = savedAfterOpen_;
    ds->AfterPost = savedAfterPost_;
    ds->AfterScroll = savedAfterScroll_;
    ds->BeforeDelete = savedBeforeDelete_;
    ds->AfterDelete = savedAfterDelete_;
    ds->AfterClose = savedAfterClose_;
    ds->AfterCancel = savedAfterCancel_;
  }
  if (master_) master_->AfterScroll = savedMasterAfterScroll_;
  savedAfterEdit_ = savedAfterInsert_ = savedAfterOpen_ = savedAfterPost_ = savedAfterScroll_ = nullptr;
  savedBeforeDelete_ = savedAfterDelete_ = savedAfterClose_ = savedAfterCancel_ = savedMasterAfterScroll_ = nullptr;
  master_ = nullptr;
  hooked_ = false;
  virtualList_.clear();
  pendingDelete_ = {};
}

void TDBSumListProducer::ZeroSums() {
  for (int i = 0; i < sums_.Count(); ++i) {
    TDBSum* s = sums_.Items(i);
    s->Accumulated = s->OldValue = s->RunningSum = Money();
    s->NotNullCount = 0;
    s->OldVarValue = Variant::null();
  }
  ReportChanged();
}

void TDBSumListProducer::RecalculateAll() { Recalc(false); }

void TDBSumListProducer::Recalc(bool goFirst) {
  if (OwnerLoading || (OwnerDesigning && !DesignTimeWork) || !active_ || !dataSet_ || !dataSet_->Active() || !hooked_)
    return;
  TDataSet* ds = dataSet_;
  ZeroSums();
  virtualPos_ = -1;
  if (OnRecalcAll) OnRecalcAll(this);
  if (externalRecalc_) {
    filtered_ = ds->Filtered();
    filterText_ = ds->Filter();
    return;
  }
  struct Guard {
    TDBSumListProducer* p;
    ~Guard() {
      p->recalculating_ = false;
      p->ReportChanged();
    }
  } guard{this};
  bool scan = !ds->IsSequenced() && virtualRecords_;
  for (int i = 0; i < sums_.Count(); ++i)
    if (sums_.Items(i)->GroupOperation() == goCount || !sums_.Items(i)->FieldName().isEmpty()) scan = true;
  if (!scan) {
    if (OnAfterRecalcAll) OnAfterRecalcAll(this);
    filtered_ = ds->Filtered();
    filterText_ = ds->Filter();
    return;
  }
  // Fields are looked up first, so a missing field fails before the dataset moves.
  std::vector<TField*> fields(size_t(sums_.Count()), nullptr);
  for (int i = 0; i < sums_.Count(); ++i)
    if (!sums_.Items(i)->FieldName().isEmpty()) fields[size_t(i)] = ds->FindField(sums_.Items(i)->FieldName());
  ds->DisableControls();
  virtualList_.clear();
  recalculating_ = true;
  const QByteArray saved = goFirst ? QByteArray() : ds->GetBookmark();
  try {
    ds->First();
    while (!ds->Eof()) {
      for (int i = 0; i < sums_.Count(); ++i) {
        TDBSum* s = sums_.Items(i);
        TField* f = fields[size_t(i)];
        switch (s->GroupOperation()) {
          case goSum:
            if (f && !f->IsNull()) s->Accumulated += FieldMoney(f);
            break;
          case goAvg:
            if (f) {
              if (!f->IsNull()) ++s->NotNullCount;
              s->RunningSum += FieldMoney(f);
            }
            break;
          case goCount:
            if (s->FieldName().isEmpty() || (f && !f->IsNull())) s->Accumulated += Money::fromInt(1);
            break;
        }
      }
      if (!ds->IsSequenced() && virtualRecords_) virtualList_.append(ds->Bookmark());
      ds->Next();
    }
    for (int i = 0; i < sums_.Count(); ++i) {
      TDBSum* s = sums_.Items(i);
      if (s->GroupOperation() == goAvg)
        s->Accumulated = AverageOf(s->RunningSum, s->NotNullCount);
    }
    // Opening shows the first record; a recalculation during the session keeps the record.
    if (goFirst || saved.isEmpty() || !ds->BookmarkValid(saved)) ds->First();
    else ds->GotoBookmark(saved);
  } catch (...) {
    ds->EnableControls();
    throw;
  }
  ds->EnableControls();
  if (OnAfterRecalcAll) OnAfterRecalcAll(this);
  filtered_ = ds->Filtered();
  filterText_ = ds->Filter();
}

void TDBSumListProducer::HandleAfterEdit(TDataSet* ds) {
  if (active_) {
    for (int i = 0; i < sums_.Count(); ++i) {
      TDBSum* s = sums_.Items(i);
      if (s->GroupOperation() == goCount) {
        TField* f = s->FieldName().isEmpty() ? nullptr : ds->FindField(s->FieldName());
        s->OldValue = Counts(s, f) ? Money::fromInt(1) : Money();
      } else if (!s->FieldName().isEmpty()) {
        TField* f = ds->FindField(s->FieldName());
        if (!f) continue;  // a missing field contributes nothing
        s->OldValue = FieldMoney(f);
        s->OldVarValue = f->IsNull() ? Variant::null() : f->Value();
      }
    }
  }
  if (savedAfterEdit_) savedAfterEdit_(ds);
}

void TDBSumListProducer::HandleAfterInsert(TDataSet* ds) {
  if (active_) {
    for (int i = 0; i < sums_.Count(); ++i) {
      TDBSum* s = sums_.Items(i);
      // A new record has contributed nothing yet, counts included.
      s->OldValue = Money();
      s->OldVarValue = Variant::null();
    }
    if (!ds->IsSequenced() && virtualRecords_) {
      if (!virtualList_.isEmpty()) pendingInsert_ = true;
      else pendingInsert_ = true;
    }
  }
  if (savedAfterInsert_) savedAfterInsert_(ds);
}

void TDBSumListProducer::HandleAfterPost(TDataSet* ds) {
  if (active_) {
    for (int i = 0; i < sums_.Count(); ++i) {
      TDBSum* s = sums_.Items(i);
      TField* f = s->FieldName().isEmpty() ? nullptr : ds->FindField(s->FieldName());
      switch (s->GroupOperation()) {
        case goSum:
          if (!f) break;
          s->Accumulated = s->Accumulated - s->OldValue + (f->IsNull() ? Money() : FieldMoney(f));
          break;
        case goAvg:
          if (!f) break;
          if (f->IsNull()) {
            if (!s->OldVarValue.isNullOrEmpty()) --s->NotNullCount;
            s->RunningSum -= s->OldValue;
          } else {
            if (s->OldVarValue.isNullOrEmpty()) ++s->NotNullCount;
            s->RunningSum = s->RunningSum - s->OldValue + FieldMoney(f);
          }
          s->Accumulated = AverageOf(s->RunningSum, s->NotNullCount);
          break;
        case goCount:
          s->Accumulated = s->Accumulated - s->OldValue + (Counts(s, f) ? Money::fromInt(1) : Money());
          break;
      }
      s->OldValue = Money();
      s->OldVarValue = Variant::null();
    }
    if (pendingInsert_) {
      // Insert the posted record's bookmark at its place in bookmark order.
      const QByteArray b = ds->GetBookmark();
      int pos = (virtualPos_ < 0 || virtualPos_ >= virtualList_.size()) ? 0 : virtualPos_;
      while (pos < virtualList_.size() && ds->CompareBookmarks(virtualList_[pos].toLatin1(), b) < 0) ++pos;
      while (pos > 0 && ds->CompareBookmarks(virtualList_[pos - 1].toLatin1(), b) > 0) --pos;
      virtualList_.insert(pos, QString::fromLatin1(b));
      pendingInsert_ = false;
    }
    ReportChanged();
  }
  if (savedAfterPost_) savedAfterPost_(ds);
}

void TDBSumListProducer::HandleBeforeDelete(TDataSet* ds) {
  if (savedBeforeDelete_) savedBeforeDelete_(ds);
  // The record's contribution is noted now and taken off only when the delete succeeded.
  pendingDelete_ = {};
  if (!active_) return;
  pendingDelete_.active = true;
  for (int i = 0; i < sums_.Count(); ++i) {
    TDBSum* s = sums_.Items(i);
    TField* f = s->FieldName().isEmpty() ? nullptr : ds->FindField(s->FieldName());
    if (s->GroupOperation() == goCount) {
      pendingDelete_.values.push_back({s, Counts(s, f) ? Money::fromInt(1) : Money()});
      pendingDelete_.notNull.push_back({s, Counts(s, f)});
    } else if (f) {
      pendingDelete_.values.push_back({s, FieldMoney(f)});
      pendingDelete_.notNull.push_back({s, !f->IsNull()});
    }
  }
  if (!ds->IsSequenced() && virtualRecords_) pendingDelete_.bookmark = ds->Bookmark();
}

void TDBSumListProducer::HandleAfterDelete(TDataSet* ds) {
  if (pendingDelete_.active && active_) {
    for (size_t k = 0; k < pendingDelete_.values.size(); ++k) {
      TDBSum* s = pendingDelete_.values[k].first;
      const Money v = pendingDelete_.values[k].second;
      const bool notNull = pendingDelete_.notNull[k].second;
      switch (s->GroupOperation()) {
        case goSum:
        case goCount:
          s->Accumulated -= v;
          break;
        case goAvg:
          s->RunningSum -= v;
          if (notNull) --s->NotNullCount;
          s->Accumulated = AverageOf(s->RunningSum, s->NotNullCount);
          break;
      }
    }
    if (!pendingDelete_.bookmark.isEmpty()) {
      int i = virtualList_.indexOf(pendingDelete_.bookmark);
      if (i >= 0) virtualList_.removeAt(i);
    }
    pendingDelete_ = {};
    ReportChanged();
  }
  if (savedAfterDelete_) savedAfterDelete_(ds);
}

void TDBSumListProducer::HandleAfterCancel(TDataSet* ds) {
  if (savedAfterCancel_) savedAfterCancel_(ds);
  pendingInsert_ = false;
}

void TDBSumListProducer::HandleAfterOpen(TDataSet* ds) {
  Recalc(true);
  if (savedAfterOpen_) savedAfterOpen_(ds);
}

void TDBSumListProducer::HandleAfterClose(TDataSet* ds) {
  if (active_) {
    ZeroSums();
    ReportChanged();
  }
  recalculating_ = false;
  virtualList_.clear();
  pendingDelete_ = {};
  if (savedAfterClose_) savedAfterClose_(ds);
}

void TDBSumListProducer::HandleAfterScroll(TDataSet* ds) {
  if (savedAfterScroll_) savedAfterScroll_(ds);
  if (!recalculating_ && active_ && (ds->Filtered() != filtered_ || (ds->Filtered() && ds->Filter() != filterText_)))
    RecalculateAll();
}

// ---- record numbers -----------------------------------------------------------------------

bool TDBSumListProducer::NumberedByEngine() const {
  return dataSet_ && !dataSet_->IsSequenced() && virtualRecords_ && active_;
}

int TDBSumListProducer::RecordNumber() {
  if (!dataSet_) return 0;
  if (NumberedByEngine()) {
    const int i = VirtualIndexOf(dataSet_->Bookmark());
    return i < 0 ? 0 : i + 1;
  }
  return dataSet_->RecNo();
}

int TDBSumListProducer::VirtualIndexOf(const QString& bookmark) {
  if (virtualList_.isEmpty() || !dataSet_) return -1;
  int pos = (virtualPos_ < 0 || virtualPos_ >= virtualList_.size()) ? 0 : virtualPos_;
  const QByteArray b = bookmark.toLatin1();
  int c = dataSet_->CompareBookmarks(virtualList_[pos].toLatin1(), b);
  const int step = c > 0 ? -1 : 1;
  while (pos >= 0 && pos < virtualList_.size()) {
    if (virtualList_[pos] == bookmark) {
      virtualPos_ = pos;
      return pos;
    }
    pos += step;
  }
  return -1;
}

void TDBSumListProducer::MoveToRecordNumber(int n) {
  if (!dataSet_) return;
  if (NumberedByEngine()) {
    if (n >= 1 && n <= virtualList_.size()) dataSet_->SetBookmark(virtualList_[n - 1]);
  } else {
    dataSet_->SetRecNo(n);
  }
}

int TDBSumListProducer::NumberedRecordCount() {
  if (!dataSet_) return 0;
  if (NumberedByEngine()) return virtualList_.size();
  return dataSet_->RecordCount();
}

bool TDBSumListProducer::RecordNumbersAvailable() {
  if (!dataSet_) return false;
  if (dataSet_->IsSequenced()) return true;
  if (!virtualRecords_ || !active_) return false;
  return !virtualList_.isEmpty() || (dataSet_->Bof() && dataSet_->Eof());
}

// ---- the grid's engine --------------------------------------------------------------------

void TDBGridEhSumList::GiveBackEvents() {
  if (OwnerDesigning) {
    designHooked_ = false;
    return;
  }
  TDBSumListProducer::GiveBackEvents();
}

void TDBGridEhSumList::TakeDataSetEvents() {
  if (OwnerDesigning) {
    designHooked_ = true;
    return;
  }
  TDBSumListProducer::TakeDataSetEvents();
}
