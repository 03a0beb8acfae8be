#include "billing/estatescope.h"

#include "platform/data/ado.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/data/sqlquote.h"
#include "shell/loginstate.h"

namespace {
QString estateAnd(const QString& estate, const char* column, const QString& code) {
  return QStringLiteral("(coalesce(小区代码,'')=") + SqlQuote::Text(estate) + QStringLiteral(")and(") +
         QString::fromUtf8(column) + QStringLiteral("=") + SqlQuote::Text(code) + QStringLiteral(")");
}
}  // namespace

QString EstateHouse(const QString& estate, const QString& house) { return estateAnd(estate, "房屋代码", house); }

QString GardenCondition() {
  return GardenScoped ? QStringLiteral("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + QStringLiteral(")")
                      : QString();
}

QString EstateBuilding(const QString& estate, const QString& building) {
  return estateAnd(estate, "楼宇代码", building);
}

QString RowEstate(TDataSet* row) {
  if (!row || !row->Active() || row->IsEmpty()) return QString();
  TField* f = row->FindField(QStringLiteral("小区代码"));
  return f ? f->AsString() : QString();
}

QStringList EstatesOfHouse(TADOConnection* main, const QString& house) {
  TADOQuery q;
  q.SetConnection(main);
  q.SQL.Add(QStringLiteral("select distinct coalesce(小区代码,'') from 房屋资料 where (房屋代码=") + SqlQuote::Text(house) +
            QStringLiteral(") order by 1"));
  q.Open();
  QStringList estates;
  for (q.First(); !q.Eof(); q.Next()) estates << q.Fields()[0]->AsString();
  return estates;
}

QString AmbiguousHouseMessage() { return QStringLiteral("该房屋代码在多个小区中使用，无法确定是哪个小区的房屋!"); }

Money HouseAmount(TADOConnection* main, const char* column, const QString& estate, const QString& house) {
  TADOQuery q;
  q.SetConnection(main);
  q.SQL.Add(QStringLiteral("select ") + QString::fromUtf8(column) + QStringLiteral(" from 房屋资料"));
  q.SQL.Add(QStringLiteral("where ") + EstateHouse(estate, house));
  q.Open();
  return q.IsEmpty() ? Money() : q.Fields()[0]->AsMoney();
}

EstateHouseKey EstateHouseKey::Of(TDataSet* row) {
  TField* house = row->FindField(QStringLiteral("房屋代码"));
  return {RowEstate(row), house ? house->AsString() : QString()};
}

bool EstateHouseKey::Locate(TDataSet* rows) const {
  const QString fields = QStringLiteral("小区代码;房屋代码");
  if (!estate.isEmpty()) return rows->Locate(fields, Variant::array({Variant(estate), Variant(house)}));
  // The empty estate is a row whose 小区代码 is null or empty text.
  return rows->Locate(fields, Variant::array({Variant::null(), Variant(house)})) ||
         rows->Locate(fields, Variant::array({Variant(QString()), Variant(house)}));
}
