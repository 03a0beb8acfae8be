#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <functional>

#include "grid/LibrarySupportEh.h"

class QWidget;
class TCustomDBGridEh;

// Property values as they are stored, in the order they are read back.
using TStoredValuesEh = QList<QPair<QString, QVariant>>;

// Writes stored values back into a target: a value the interceptor publishes goes to the
// interceptor, any other to `writeOwn` (the target's own writer; false when the target has no
// such property or refuses the value, which is then skipped); afterwards the interceptor
// applies what it collected. Without an interceptor every value goes to `writeOwn`.
void ReadBackStoredValues(TStoragePropertyInterceptor* interceptor, const TStoredValuesEh& values,
                          const std::function<bool(const QString& name, const QVariant& value)>& writeOwn);

// Keeps stored properties of grids and windows in an ini-style file, one section per object
// (the object's name unless another is given). Reading back goes through the interceptors
// registered for the objects' classes, so a grid that fits its columns to its width takes a
// stored width as the column's remembered width, and a window's bounds are scaled to the
// screen's resolution.
class TPropStorageEh {
 public:
  explicit TPropStorageEh(const QString& iniFileName = QString()) : IniFileName(iniFileName) {}
  QString IniFileName;

  // A grid's columns: their order by field name, each column's width and whether it shows.
  void SaveGridLayout(TCustomDBGridEh* grid, const QString& section = QString()) const;
  // False when the file holds no layout for the section; the grid is then left as it is.
  bool RestoreGridLayout(TCustomDBGridEh* grid, const QString& section = QString()) const;
  // A window's normal-state position and size, its state, its focused control and the
  // resolution they were stored at.
  void SaveFormPlacement(QWidget* form, const QString& section = QString()) const;
  bool RestoreFormPlacement(QWidget* form, const QString& section = QString()) const;
};
