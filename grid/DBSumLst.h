#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/data/dataset.h"
#include "platform/money.h"
#include "platform/variant.h"

// The aggregate engine behind footer sums: it recomputes its items from every record when the
// dataset opens, then follows single-record edits, inserts, posts and deletes through the
// dataset's after-event handler slots, which it takes over and chains to the previous handlers.
// All results are fixed-point with four decimals (Money).

enum TGroupOperation { goSum, goAvg, goCount };

class TDBSumListProducer;
class TDBSumCollection;

class TDBSum {
 public:
  explicit TDBSum(TDBSumCollection* owner) : owner_(owner) {}
  const QString& FieldName() const { return fieldName_; }
  void SetFieldName(const QString& name);
  TGroupOperation GroupOperation() const { return op_; }
  void SetGroupOperation(TGroupOperation op);
  void Assign(const TDBSum& src);

  Money OldValue;            // the field's value before the current edit
  int NotNullCount = 0;      // goAvg: number of non-null values
  Money RunningSum;          // goAvg: sum of all values
  Variant OldVarValue;       // the field's value before the current edit, Null when none
  Money Accumulated;         // the result

 private:
  TDBSumCollection* owner_;
  QString fieldName_;
  TGroupOperation op_ = goSum;
};

class TDBSumCollection {
 public:
  explicit TDBSumCollection(TDBSumListProducer* owner) : owner_(owner) {}
  TDBSum* Add();
  void Remove(TDBSum* item);
  int Count() const { return int(items_.size()); }
  TDBSum* Items(int i) const { return items_[size_t(i)].get(); }
  // First item with the operation whose field name equals the name ignoring case.
  TDBSum* SumFor(TGroupOperation op, const QString& fieldName) const;
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  void Changed();

 private:
  TDBSumListProducer* owner_;
  std::vector<std::unique_ptr<TDBSum>> items_;
  int updateCount_ = 0;
  bool pending_ = false;
};

class TDBSumListProducer {
 public:
  explicit TDBSumListProducer(QObject* owner);
  virtual ~TDBSumListProducer();

  TDBSumCollection& SumCollection() { return sums_; }
  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* ds);
  bool Active() const { return active_; }
  void SetActive(bool on);
  bool ExternalRecalc() const { return externalRecalc_; }
  void SetExternalRecalc(bool on);
  bool VirtualRecords() const { return virtualRecords_; }
  void SetVirtualRecords(bool on);
  bool DesignTimeWork = false;
  bool Hooked() const { return hooked_; }
  bool Recalculating() const { return recalculating_; }
  // Owner state the engine asks about (the grid sets them).
  bool OwnerLoading = false;
  bool OwnerDesigning = false;
  void Loaded();
  // A dataset about to be destroyed: give its handlers back and forget it.
  void DataSetDestroying(TDataSet* ds);

  std::function<void(TDBSumListProducer*)> OnRecalcAll;
  std::function<void(TDBSumListProducer*)> OnAfterRecalcAll;
  std::function<void(TDBSumListProducer*)> SumListChanged;

  virtual int RecordNumber();
  virtual int VirtualIndexOf(const QString& bookmark);
  virtual void MoveToRecordNumber(int n);
  virtual void HandleAfterCancel(TDataSet* ds);
  virtual void HandleAfterClose(TDataSet* ds);
  virtual void HandleAfterEdit(TDataSet* ds);
  virtual void HandleAfterInsert(TDataSet* ds);
  virtual void HandleAfterOpen(TDataSet* ds);
  virtual void HandleAfterPost(TDataSet* ds);
  virtual void HandleAfterScroll(TDataSet* ds);
  virtual void HandleBeforeDelete(TDataSet* ds);
  virtual void HandleAfterDelete(TDataSet* ds);
  virtual void GiveBackEvents();
  virtual bool RecordNumbersAvailable();
  virtual int NumberedRecordCount();
  virtual void ZeroSums();
  // Full recalculation. On opening the dataset ends on its first record; a recalculation
  // asked for later (item changes, filters, switching on) keeps the current record.
  virtual void RecalculateAll();
  virtual void TakeDataSetEvents();
  void SetMasterDataSet(TDataSet* master) { masterCandidate_ = master; }

  const QStringList& VirtualRecordList() const { return virtualList_; }

 protected:
  bool NumberedByEngine() const;
  void SwitchOn();
  void SwitchOff(bool zero);
  void Recalc(bool goFirst);
  void ReportChanged();
  static Money FieldMoney(TField* f);

  QObject* owner_;

 private:
  bool virtualRecords_ = false;
  bool recalculating_ = false;
  bool active_ = true;
  TDataSet* dataSet_ = nullptr;
  bool hooked_ = false;
  bool externalRecalc_ = false;
  QString filterText_;
  bool filtered_ = false;
  // The master of a detail table lives in the window beside it and may be destroyed first.
  QPointer<TDataSet> master_;
  QPointer<TDataSet> masterCandidate_;
  int virtualPos_ = -1;
  TDBSumCollection sums_;
  bool pendingInsert_ = false;
  QStringList virtualList_;
  // Contributions of the record a delete is under way for, taken off only after it succeeded.
  struct PendingDelete {
    bool active = false;
    std::vector<std::pair<TDBSum*, Money>> values;  // value per item (counts: one unit)
    std::vector<std::pair<TDBSum*, bool>> notNull;
    QString bookmark;
  } pendingDelete_;
  QMetaObject::Connection destroyedConnection_;
  TDataSetNotifyEvent savedAfterEdit_, savedAfterInsert_, savedAfterOpen_, savedAfterPost_,
      savedAfterScroll_, savedBeforeDelete_, savedAfterDelete_, savedAfterClose_, savedAfterCancel_,
      savedMasterAfterScroll_;
};

// The grid's engine: switched off until the application turns it on; while the grid is being
// designed it only notes whether it is hooked.
class TDBGridEhSumList : public TDBSumListProducer {
 public:
  explicit TDBGridEhSumList(QObject* owner) : TDBSumListProducer(owner) {
    DesignTimeWork = true;
    SetActive(false);
  }
  void GiveBackEvents() override;
  void TakeDataSetEvents() override;

 private:
  bool designHooked_ = false;
};
