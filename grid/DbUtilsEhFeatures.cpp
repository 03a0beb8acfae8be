// The registry of dataset features: one features object per dataset class.
#include <QMetaObject>
#include <vector>

#include "grid/DbUtilsEh.h"
#include "platform/data/dataset.h"

namespace {

struct Entry {
  QString dataSetClass;
  std::unique_ptr<TDatasetFeaturesEh> features;
};

std::vector<Entry>& Registry() {
  static std::vector<Entry> entries;
  static bool platformRegistered = false;
  if (!platformRegistered) {
    platformRegistered = true;
    RegisterPlatformDatasetFeatures();
  }
  return entries;
}

}  // namespace

void RegisterDatasetFeaturesEh(const QString& dataSetClass, std::unique_ptr<TDatasetFeaturesEh> features) {
  std::vector<Entry>& r = Registry();
  for (const Entry& e : r)
    if (e.dataSetClass.compare(dataSetClass, Qt::CaseInsensitive) == 0)
      throw EInvalidOperation(QStringLiteral("Dataset features for %1 are registered already").arg(dataSetClass));
  r.push_back(Entry{dataSetClass, std::move(features)});
}

void UnregisterDatasetFeaturesEh(const QString& dataSetClass) {
  std::vector<Entry>& r = Registry();
  for (auto it = r.begin(); it != r.end(); ++it) {
    if (it->dataSetClass.compare(dataSetClass, Qt::CaseInsensitive) == 0) {
      r.erase(it);
      return;
    }
  }
}

TDatasetFeaturesEh* GetDatasetFeaturesForDataSet(TDataSet* dataSet) {
  if (!dataSet) return nullptr;
  std::vector<Entry>& r = Registry();
  // The class fewest parent steps up wins; on a tie the first registered.
  for (const QMetaObject* m = dataSet->metaObject(); m; m = m->superClass()) {
    const QString name = QString::fromLatin1(m->className());
    for (const Entry& e : r)
      if (e.dataSetClass.compare(name, Qt::CaseInsensitive) == 0) return e.features.get();
  }
  return nullptr;
}
