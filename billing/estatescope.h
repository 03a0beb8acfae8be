#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "platform/money.h"

class TADOConnection;
class TDataSet;

// House, building and charge-standard codes are unique only within an estate: two estates may
// both keep a house "A101". Every statement that names such a code names its estate beside it.

// "(coalesce(小区代码,'')='E')and(房屋代码='H')": house `house` of estate `estate` in a table
// whose rows carry both codes. Rows written without an estate match the empty estate.
QString EstateHouse(const QString& estate, const QString& house);
// The same for a building: "(coalesce(小区代码,'')='E')and(楼宇代码='B')".
QString EstateBuilding(const QString& estate, const QString& building);
// "and(小区代码='E')" when the operator works on one estate only (GardenScoped, estate E), else
// empty: appended to the conditions of statements over rows that carry their estate.
QString GardenCondition();
// The 小区代码 of a dataset's current row; empty when the row has none.
QString RowEstate(TDataSet* row);

// The estates that keep a house of code `house` in 房屋资料 (empty text for a house without
// an estate), in code order.
QStringList EstatesOfHouse(TADOConnection* main, const QString& house);
// "该房屋代码在多个小区中使用，无法确定是哪个小区的房屋!": what a window says when a typed house
// code is kept by several estates and it has no way to tell which house is meant.
QString AmbiguousHouseMessage();

// An amount column (零头, 房屋面积, …) of house `house` of estate `estate` in 房屋资料; zero when
// no such house is kept.
Money HouseAmount(TADOConnection* main, const char* column, const QString& estate, const QString& house);

// A house named by its estate and its code, as the lists that mark several houses keep them.
struct EstateHouseKey {
  QString estate, house;
  // The house of a dataset's current row (小区代码 and 房屋代码).
  static EstateHouseKey Of(TDataSet* row);
  // Moves the dataset to the row of this house; false when it holds none.
  bool Locate(TDataSet* rows) const;
};
