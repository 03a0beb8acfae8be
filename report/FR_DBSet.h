#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/data/dataset.h"
#include "platform/data/datasource.h"
#include "platform/data/field.h"
#include "platform/variant.h"
#include "report/FR_Pars.h"

// Record sources: what a band walks record by record, and what field references in templates
// read from.

enum TRangeBegin { rbFirst, rbCurrent };
enum TRangeEnd { reLast, reCurrent, reCount };

// The abstract record source: a record counter with events. With RangeEnd reCount it ends after
// RangeEndCount records; otherwise only OnCheckEOF (or a subclass) ends it.
class TfrDataset : public QObject {
  Q_OBJECT
 public:
  explicit TfrDataset(QObject* owner = nullptr) : QObject(owner) {}

  TRangeBegin RangeBegin = rbFirst;
  TRangeEnd RangeEnd = reLast;
  int RangeEndCount = 0;
  std::function<void(TfrDataset*)> OnFirst, OnNext, OnPrior;
  std::function<void(TfrDataset*, bool& eof)> OnCheckEOF;

  int RecNo() const { return recNo_; }

  virtual void BeginScan() {}
  virtual void EndScan() {}
  virtual void First();
  virtual void Next();
  virtual void Prior();
  virtual bool Eof();

 protected:
  int recNo_ = 0;
};

// A record source driven only by its events or by a record count (virtual sources of N records).
// Without a record count and without OnCheckEOF nothing could ever end it: such a source holds
// one record, so a template that forgot its end condition prints once instead of for ever.
class TzoDuraDataset : public TfrDataset {
  Q_OBJECT
 public:
  using TfrDataset::TfrDataset;
  bool Eof() override;
};

// A record source over a database dataset, given directly or through a data source.
class TfrDBDataSet : public TfrDataset {
  Q_OBJECT
 public:
  using TfrDataset::TfrDataset;

  bool CloseDataSource = false;
  bool OpenDataSource = true;
  std::function<void(TfrDataset*)> OnOpen, OnClose;

  TDataSet* DataSet() const { return dataSet_; }
  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSet(TDataSet* ds);          // clears DataSource
  void SetDataSource(TDataSource* src);   // a non-null source clears DataSet

  // The data source's dataset, else DataSet; raises "Unable to open dataset " + name when none.
  TDataSet* ResolveDataSet() const;

  void BeginScan() override;
  void EndScan() override;
  void First() override;
  void Next() override;
  void Prior() override;
  bool Eof() override;

 private:
  QPointer<TDataSet> dataSet_;
  QPointer<TDataSource> dataSource_;
  QByteArray bookmark_;
  bool hasBookmark_ = false;
  bool ownEof_ = false;
};

// ---- finding components and fields

// The objects whose components paths name: forms and data modules of the program. A path
// "Form.Component" (or "Form.Frame.Component") is looked up among them by object name.
void RegisterReportRoot(QObject* formOrModule);
void UnregisterReportRoot(QObject* formOrModule);
QList<QObject*> ReportRoots();

// "Form.Component" / "Form.Frame.Component" among the roots, a bare name among the owner's
// components (its children at any depth). Raises "Missing " + path when nothing is found.
QObject* FindComponentByPath(QObject* owner, const QString& path);

// Splits "Source.Field", "Form.Source.Field" or "Form.Frame.Source.Field" (a part that starts
// with a double quote runs to the end) and finds the source and the field. Without a dot the
// given source is used and the whole text is the field. The field's double quotes are removed;
// `field` is set only when the source's dataset has such a field, else left empty. Lookups that
// fail leave `source` null; nothing is raised.
void FindComponentAndField(QObject* owner, const QString& text, TfrDBDataSet*& source, QString& field);

// The field name as the dataset spells it when it has the field, else empty.
QString FieldNameIfPresent(TDataSet* ds, const QString& field);

// The value of a field for templates: opens the dataset when closed; a field with a get-text
// handler, or a 64-bit integer field, gives its display text; a Null becomes "" for text fields,
// false for boolean fields and 0 for all others.
void ReadFieldValue(TField* field, Variant& value);

// Splits at the last dot outside double quotes; the field part loses its quotes. Returns false
// (and leaves both empty) when there is no such dot.
bool SplitSourceField(const QString& text, QString& source, QString& field);

// A band's source text: empty = none; a first character 1 to 9 = a new virtual source of that
// many records (owned by the caller); else a record source found by FindComponentByPath from
// `owner` (none when it is not found or not a record source). A source found gets BeginScan.
void ResolveBandSource(QObject* owner, const QString& text, TfrDataset*& source, bool& owned);

bool IsBlobField(TField* field);
// The field's bytes into a device (rewound afterwards).
void BlobToTarget(TField* field, QIODevice* target);
// The field names of a dataset (opened when closed); errors leave the list as far as it got.
void ListFieldNames(TDataSet* ds, QStringList& list);

// Names of all objects of a class (by its meta-object) under the program's forms and data
// modules: those under `owner` by bare name, others as "Form.Component"; `excluded` is left out.
void CollectComponentNames(const QMetaObject& cls, QStringList& list, QObject* owner, QObject* excluded = nullptr);

// ---- the report dictionary

class TfrDataDictionary {
 public:
  TfrDataDictionary() = default;
  ~TfrDataDictionary() { ClearCache(); }

  TfrVariables Variables;      // name -> expression text; a name starting with a blank is a category
  TfrVariables FieldTitles;    // "Source" or "Source.Field" -> title shown in the designer
  TfrVariables SourceTitles;   // source name -> title
  QStringList DisabledSources; // not stored; an entry ending in "*" hides every source it begins

  // The object whose components bare source names are looked up among (the report's owner).
  QObject* Owner = nullptr;
  // The database source behind the data band of the band being processed (see the report).
  std::function<TfrDBDataSet*()> DefaultDataset;

  void Clear();
  void ClearCache();
  void AddCacheEntry(const QString& name, TDataSet* ds, const QString& field);
  bool IsCached(const QString& name) const { return cache_.contains(name.toUpper()); }

  bool IsVariable(const QString& name);
  Variant ValueOf(const QString& name);

  QString RealNameOf(const QString& title) const;         // source title -> source name
  QString RealSourceNameOf(const QString& title) const { return RealNameOf(title); }
  QString RealFieldNameOf(const QString& source, const QString& title) const;
  QString DisplayNameOf(const QString& name) const;       // source name -> its title
  bool SourceIsShown(const QString& name) const;

  // Designer lists, sorted and filtered by SourceIsShown.
  // Record sources; when SourceTitles is not empty only the sources it lists, by their titles.
  void ListReportSources(QStringList& list) const;
  // Database datasets of the program (for binding record sources).
  void ListDatasetsForDesign(QStringList& list) const;
  // Fields of a source (by name or title): a field with a FieldTitles entry is shown by its
  // title, and left out when that title is empty.
  void ListFieldsOf(const QString& source, QStringList& list) const;
  // Category headings (variables whose name starts with a blank), without the blank.
  void ListVariableCategories(QStringList& list) const;
  // The variables below a category heading, up to the next heading.
  void ListCategoryVariables(const QString& category, QStringList& list) const;

 private:
  struct CacheItem {
    QPointer<TDataSet> dataSet;
    QString field;
  };
  QMap<QString, CacheItem> cache_;   // keyed by the upper-cased name
};

// True when the "Source.Field" text cannot be resolved or the field's value is Null.
bool FieldIsNull(QObject* owner, const QString& sourceField, TfrDBDataSet* defaultSource = nullptr);
