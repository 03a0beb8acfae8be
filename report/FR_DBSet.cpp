#include "report/FR_DBSet.h"

#include <QApplication>
#include <QSet>
#include <QWidget>

#include "platform/data/dataset.h"
#include "platform/data/datasource.h"
#include "platform/data/field.h"
#include "platform/exception.h"
#include "report/FR_Utils.h"
#include "report/FR_ValueRules.h"

// ---- TfrDataset

void TfrDataset::First() {
  recNo_ = 0;
  if (OnFirst) OnFirst(this);
}

void TfrDataset::Next() {
  ++recNo_;
  if (!(RangeEnd == reCount && recNo_ >= RangeEndCount) && OnNext) OnNext(this);
}

void TfrDataset::Prior() {
  --recNo_;
  if (OnPrior) OnPrior(this);
}

bool TfrDataset::Eof() {
  bool eof = RangeEnd == reCount && recNo_ >= RangeEndCount;
  if (OnCheckEOF) OnCheckEOF(this, eof);
  return eof;
}

bool TzoDuraDataset::Eof() {
  if (RangeEnd != reCount && !OnCheckEOF) return recNo_ >= 1;
  return TfrDataset::Eof();
}

// ---- TfrDBDataSet

void TfrDBDataSet::SetDataSet(TDataSet* ds) {
  dataSet_ = ds;
  dataSource_ = nullptr;
}

void TfrDBDataSet::SetDataSource(TDataSource* src) {
  dataSource_ = src;
  if (src) dataSet_ = nullptr;
}

TDataSet* TfrDBDataSet::ResolveDataSet() const {
  if (dataSource_ && dataSource_->DataSet()) return dataSource_->DataSet();
  if (dataSet_) return dataSet_;
  throw Exception(QStringLiteral("Unable to open dataset ") + objectName());
}

void TfrDBDataSet::BeginScan() {
  TDataSet* ds = ResolveDataSet();
  if (OpenDataSource && !ds->Active()) ds->Open();
  if (OnOpen) OnOpen(this);
  hasBookmark_ = false;
  if (RangeBegin == rbCurrent || RangeEnd == reCurrent) {
    bookmark_ = ds->GetBookmark();
    hasBookmark_ = true;
  }
  ownEof_ = false;
}

void TfrDBDataSet::EndScan() {
  TDataSet* ds = ResolveDataSet();
  if (hasBookmark_) {
    if (ds->Active() && ds->BookmarkValid(bookmark_)) ds->GotoBookmark(bookmark_);
    bookmark_.clear();
    hasBookmark_ = false;
  }
  if (OnClose) OnClose(this);
  if (CloseDataSource) ds->Close();
}

void TfrDBDataSet::First() {
  TDataSet* ds = ResolveDataSet();
  if (RangeBegin == rbCurrent && hasBookmark_ && ds->BookmarkValid(bookmark_)) ds->GotoBookmark(bookmark_);
  else ds->First();
  ownEof_ = false;
  TfrDataset::First();
}

void TfrDBDataSet::Next() {
  TDataSet* ds = ResolveDataSet();
  ownEof_ = false;
  if (RangeEnd == reCurrent && hasBookmark_) {
    // The range ends on the record that was current when the scan began. A scan that starts
    // before it moves on until it gets there (or to the end of the dataset).
    if (ds->CompareBookmarks(ds->GetBookmark(), bookmark_) == 0) ownEof_ = true;
    else ds->Next();
  } else {
    ds->Next();
  }
  TfrDataset::Next();
}

void TfrDBDataSet::Prior() {
  ResolveDataSet()->Prior();
  TfrDataset::Prior();
}

bool TfrDBDataSet::Eof() {
  bool eof = TfrDataset::Eof();
  return eof || ResolveDataSet()->Eof() || ownEof_;
}

// ---- component lookup

namespace {
QList<QPointer<QObject>>& roots() {
  static QList<QPointer<QObject>> list;
  return list;
}

QObject* childNamed(QObject* parent, const QString& name) {
  if (!parent) return nullptr;
  const QList<QObject*> all = parent->findChildren<QObject*>();
  for (QObject* o : all)
    if (o->objectName().compare(name, Qt::CaseInsensitive) == 0) return o;
  return nullptr;
}

// Splits at dots; a part that starts with a double quote runs to the end of the text.
QStringList splitDots(const QString& text) {
  QStringList parts;
  int start = 0;
  for (int i = 0; i <= text.size(); ++i) {
    if (i == start && i < text.size() && text[i] == QLatin1Char('"')) {
      parts << text.mid(start);
      return parts;
    }
    if (i == text.size() || text[i] == QLatin1Char('.')) {
      parts << text.mid(start, i - start);
      start = i + 1;
    }
  }
  return parts;
}

QString withoutQuotes(QString s) {
  s.remove(QLatin1Char('"'));
  return s;
}
}  // namespace

void RegisterReportRoot(QObject* o) {
  if (o && !ReportRoots().contains(o)) roots().append(o);
}

void UnregisterReportRoot(QObject* o) {
  roots().removeIf([o](const QPointer<QObject>& p) { return p.isNull() || p.data() == o; });
}

QList<QObject*> ReportRoots() {
  QList<QObject*> out;
  for (const QPointer<QObject>& p : roots())
    if (p) out << p.data();
  if (qApp)
    for (QWidget* w : QApplication::topLevelWidgets())
      if (!out.contains(w)) out << w;
  return out;
}

QObject* FindComponentByPath(QObject* owner, const QString& path) {
  QStringList parts = path.split(QLatin1Char('.'));
  QObject* found = nullptr;
  if (parts.size() == 1) {
    found = childNamed(owner, path);
  } else {
    for (QObject* r : ReportRoots())
      if (r->objectName().compare(parts[0], Qt::CaseInsensitive) == 0) {
        found = r;
        break;
      }
    for (int i = 1; found && i < parts.size(); ++i) found = childNamed(found, parts[i]);
  }
  if (!found) throw Exception(QStringLiteral("Missing ") + path);
  return found;
}

QString FieldNameIfPresent(TDataSet* ds, const QString& field) {
  if (!ds || field.isEmpty()) return QString();
  TField* f = ds->FindField(field);
  if (!f && !ds->Active()) {
    try {
      ds->Open();
      f = ds->FindField(field);
    } catch (const Exception&) {
      return QString();
    }
  }
  return f ? f->FieldName() : QString();
}

namespace {
// A record source, or a window's own dataset (a query the window keeps open and positioned for
// its templates, such as the receipt counter): the dataset is read through a record source made
// for it once and kept with it.
TfrDBDataSet* dataSourceOf(QObject* component) {
  if (auto* src = qobject_cast<TfrDBDataSet*>(component)) return src;
  auto* ds = qobject_cast<TDataSet*>(component);
  if (!ds) return nullptr;
  static const QString kName = QStringLiteral("frDatasetReader");
  auto* reader = ds->findChild<TfrDBDataSet*>(kName, Qt::FindDirectChildrenOnly);
  if (!reader) {
    reader = new TfrDBDataSet(ds);
    reader->setObjectName(kName);
    reader->SetDataSet(ds);
  }
  return reader;
}
}  // namespace

void FindComponentAndField(QObject* owner, const QString& text, TfrDBDataSet*& source, QString& field) {
  field.clear();
  QStringList parts = splitDots(text);
  QString fieldText;
  try {
    if (parts.size() == 1) {
      fieldText = text;
    } else if (parts.size() >= 2 && parts.size() <= 4) {
      fieldText = parts.last();
      parts.removeLast();
      source = dataSourceOf(FindComponentByPath(owner, parts.join(QLatin1Char('.'))));
    } else {
      source = nullptr;
      return;
    }
    if (!source) return;
    field = FieldNameIfPresent(source->ResolveDataSet(), withoutQuotes(fieldText));
  } catch (const Exception&) {
    if (parts.size() > 1) source = nullptr;
    field.clear();
  }
}

void ReadFieldValue(TField* field, Variant& value) {
  TDataSet* ds = field->DataSet();
  if (ds && !ds->Active()) ds->Open();
  if (field->OnGetText || field->DataType() == ftLargeint) {
    value = Variant(field->DisplayText());
    return;
  }
  Variant v = field->Value();
  if (v.isNullOrEmpty()) {
    switch (field->DataType()) {
      case ftString:
      case ftMemo: value = Variant(QString()); break;
      case ftBoolean: value = Variant(false); break;
      default: value = Variant(0);
    }
    return;
  }
  value = v;
}

bool SplitSourceField(const QString& text, QString& source, QString& field) {
  source.clear();
  field.clear();
  bool quoted = false;
  int dot = -1;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('"')) quoted = !quoted;
    else if (text[i] == QLatin1Char('.') && !quoted) dot = i;
  }
  if (dot < 0) return false;
  source = text.left(dot);
  field = withoutQuotes(text.mid(dot + 1));
  return true;
}

void ResolveBandSource(QObject* owner, const QString& text, TfrDataset*& source, bool& owned) {
  source = nullptr;
  owned = false;
  if (text.isEmpty()) return;
  QChar c = text[0];
  if (c >= QLatin1Char('1') && c <= QLatin1Char('9')) {
    int n = 0;
    for (int i = 0; i < text.size() && text[i].isDigit(); ++i) n = n * 10 + text[i].digitValue();
    auto* virt = new TzoDuraDataset(nullptr);
    virt->RangeEnd = reCount;
    virt->RangeEndCount = n;
    source = virt;
    owned = true;
  } else {
    try {
      source = qobject_cast<TfrDataset*>(FindComponentByPath(owner, text));
    } catch (const Exception&) {
      source = nullptr;   // the name of no record source: the band has no source
    }
  }
  if (source) source->BeginScan();
}

bool IsBlobField(TField* field) { return field && field->IsBlob(); }

void BlobToTarget(TField* field, QIODevice* target) {
  if (!field || !target) return;
  target->write(field->AsBytes());
  target->seek(0);
}

void ListFieldNames(TDataSet* ds, QStringList& list) {
  if (!ds) return;
  try {
    if (!ds->Active()) ds->Open();
    for (TField* f : ds->Fields()) list << f->FieldName();
  } catch (const Exception&) {
  }
}

void CollectComponentNames(const QMetaObject& cls, QStringList& list, QObject* owner, QObject* excluded) {
  auto add = [&](QObject* root, bool bare) {
    const QList<QObject*> all = root->findChildren<QObject*>();
    for (QObject* o : all) {
      if (o == excluded || o->objectName().isEmpty() || !o->metaObject()->inherits(&cls)) continue;
      QString name = bare ? o->objectName() : root->objectName() + QLatin1Char('.') + o->objectName();
      if (!list.contains(name)) list << name;
    }
  };
  if (owner) add(owner, true);
  for (QObject* r : ReportRoots())
    if (r != owner && !r->objectName().isEmpty()) add(r, false);
}

bool FieldIsNull(QObject* owner, const QString& sourceField, TfrDBDataSet* defaultSource) {
  TfrDBDataSet* src = defaultSource;
  QString field;
  FindComponentAndField(owner, sourceField, src, field);
  if (!src || field.isEmpty()) return true;
  try {
    TField* f = src->ResolveDataSet()->FindField(field);
    return !f || f->IsNull();
  } catch (const Exception&) {
    return true;
  }
}

// ---- TfrDataDictionary

void TfrDataDictionary::Clear() {
  Variables.RemoveAll();
  FieldTitles.RemoveAll();
  SourceTitles.RemoveAll();
}

void TfrDataDictionary::ClearCache() { cache_.clear(); }

void TfrDataDictionary::AddCacheEntry(const QString& name, TDataSet* ds, const QString& field) {
  cache_.insert(name.toUpper(), CacheItem{ds, field});
}

QString TfrDataDictionary::RealNameOf(const QString& title) const {
  for (int i = 0; i < SourceTitles.EntryCount(); ++i)
    if (frv::ValueText(SourceTitles.ValueAt(i)).compare(title, Qt::CaseInsensitive) == 0) return SourceTitles.NameAt(i);
  return title;
}

QString TfrDataDictionary::RealFieldNameOf(const QString& source, const QString& title) const {
  const QString prefix = source + QLatin1Char('.');
  for (int i = 0; i < FieldTitles.EntryCount(); ++i) {
    const QString key = FieldTitles.NameAt(i);
    if (key.startsWith(prefix, Qt::CaseInsensitive) &&
        frv::ValueText(FieldTitles.ValueAt(i)).compare(title, Qt::CaseInsensitive) == 0)
      return key.mid(prefix.size());
  }
  return title;
}

QString TfrDataDictionary::DisplayNameOf(const QString& name) const {
  QString t = frv::ValueText(SourceTitles.ValueOf(name));
  return t.isEmpty() ? name : t;
}

bool TfrDataDictionary::SourceIsShown(const QString& name) const {
  for (const QString& d : DisabledSources) {
    if (d.compare(name, Qt::CaseInsensitive) == 0) return false;
    if (d.endsWith(QLatin1Char('*')) && name.startsWith(d.left(d.size() - 1), Qt::CaseInsensitive)) return false;
  }
  return true;
}

bool TfrDataDictionary::IsVariable(const QString& name) {
  if (IsCached(name)) return true;
  TfrDBDataSet* def = DefaultDataset ? DefaultDataset() : nullptr;
  if (Variables.Contains(name)) {
    Variant v = Variables.ValueOf(name);
    QString text = frv::ValueText(v);
    if (!v.isNull() && text.contains(QLatin1Char('.'))) {
      TfrDBDataSet* src = def;
      QString field;
      FindComponentAndField(Owner, text, src, field);
      if (src && !field.isEmpty()) {
        try {
          AddCacheEntry(name, src->ResolveDataSet(), field);
        } catch (const Exception&) {
        }
      }
    }
    return true;
  }
  QString full = name;
  if (name.contains(QLatin1Char('.'))) {
    QString s, f;
    if (SplitSourceField(name, s, f)) {
      s = RealNameOf(s);
      f = RealFieldNameOf(s, f);
      full = s + QStringLiteral(".\"") + f + QLatin1Char('"');
    }
  }
  TfrDBDataSet* src = def;
  QString field;
  FindComponentAndField(Owner, full, src, field);
  if (src && !field.isEmpty()) {
    try {
      AddCacheEntry(name, src->ResolveDataSet(), field);
      return true;
    } catch (const Exception&) {
    }
  }
  return false;
}

Variant TfrDataDictionary::ValueOf(const QString& name) {
  auto it = cache_.find(name.toUpper());
  if (it != cache_.end()) {
    Variant v = Variant::null();
    if (it->dataSet) {
      TField* f = it->dataSet->FindField(it->field);
      if (!f && !it->dataSet->Active()) {
        it->dataSet->Open();
        f = it->dataSet->FindField(it->field);
      }
      if (f) ReadFieldValue(f, v);
    }
    return v;
  }
  if (!Variables.Contains(name)) return Variant::null();
  if (ReportVariables().Contains(name)) return ReportVariables().ValueOf(name);
  Variant v = Variables.ValueOf(name);
  if (v.isText() && !v.toString().isEmpty()) {
    // A variable whose expression names itself (directly or through others) would evaluate
    // forever: it is reported as an undefined symbol instead.
    static QSet<QString> evaluating;
    const QString key = name.toUpper();
    if (evaluating.contains(key))
      throw EParserError(LocaleText(55439) + QStringLiteral(" \"") + name + QLatin1Char('"'));
    evaluating.insert(key);
    try {
      Variant r = ReportParser().Evaluate(v.toString());
      evaluating.remove(key);
      return r;
    } catch (...) {
      evaluating.remove(key);
      throw;
    }
  }
  return v;
}

void TfrDataDictionary::ListReportSources(QStringList& list) const {
  list.clear();
  QStringList names;
  CollectComponentNames(TfrDataset::staticMetaObject, names, Owner);
  for (const QString& n : names) {
    if (!SourceIsShown(n)) continue;
    if (SourceTitles.EntryCount() > 0) {
      if (SourceTitles.Contains(n)) list << DisplayNameOf(n);
    } else {
      list << n;
    }
  }
  list.sort(Qt::CaseInsensitive);
}

void TfrDataDictionary::ListDatasetsForDesign(QStringList& list) const {
  list.clear();
  QStringList names;
  CollectComponentNames(TDataSet::staticMetaObject, names, Owner);
  for (const QString& n : names)
    if (SourceIsShown(n)) list << n;
  list.sort(Qt::CaseInsensitive);
}

void TfrDataDictionary::ListFieldsOf(const QString& sourceOrTitle, QStringList& list) const {
  list.clear();
  const QString source = RealNameOf(sourceOrTitle);
  // A report source lists the fields of its record set; a record set (the dictionary's value
  // lists offer those) its own.
  QStringList fields;
  try {
    QObject* found = FindComponentByPath(Owner, source);
    TDataSet* set = qobject_cast<TDataSet*>(found);
    if (auto* src = qobject_cast<TfrDBDataSet*>(found)) set = src->ResolveDataSet();
    if (!set) return;
    ListFieldNames(set, fields);
  } catch (const Exception&) {
    return;
  }
  for (const QString& f : fields) {
    const QString key = source + QLatin1Char('.') + f;
    if (FieldTitles.Contains(key)) {
      QString title = frv::ValueText(FieldTitles.ValueOf(key));
      if (!title.isEmpty()) list << title;
    } else {
      list << f;
    }
  }
  list.sort(Qt::CaseInsensitive);
}

void TfrDataDictionary::ListVariableCategories(QStringList& list) const {
  list.clear();
  for (int i = 0; i < Variables.EntryCount(); ++i) {
    const QString n = Variables.NameAt(i);
    if (n.startsWith(QLatin1Char(' '))) list << n.mid(1);
  }
  list.sort(Qt::CaseInsensitive);
}

void TfrDataDictionary::ListCategoryVariables(const QString& category, QStringList& list) const {
  list.clear();
  bool inside = false;
  for (int i = 0; i < Variables.EntryCount(); ++i) {
    const QString n = Variables.NameAt(i);
    if (n.startsWith(QLatin1Char(' '))) {
      inside = n.mid(1).compare(category, Qt::CaseInsensitive) == 0;
      continue;
    }
    if (inside) list << n;
  }
  list.sort(Qt::CaseInsensitive);
}
