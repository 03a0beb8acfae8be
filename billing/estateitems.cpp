#include "billing/estateitems.h"

#include "shell/gardeninfo.h"

QString AndItemsOfEstate(const QString& estate) {
  if (estate.isEmpty()) return QString();
  return QStringLiteral("and") + SameEstateCondition(estate);
}

QString OwnItemsFirst() { return QStringLiteral(" order by case when coalesce(小区代码,'')='' then 1 else 0 end, rowid"); }
