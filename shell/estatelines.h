#pragma once

#include <QHash>
#include <QString>
#include <QVector>

// The lines of a list kept per estate and name: a charge item of 收费项目, a building of
// 楼宇资料. Two estates may keep the same name, and each keeps its own line; the ledger rows,
// grouped by their estate and name, are each given to exactly one line, so the lines add up
// to the rows.
class TEstateLines {
 public:
  // A line for `name` of `estate`, after the lines so far; its index. A name the estate already
  // keeps gets no second line: its existing index is returned.
  int Add(const QString& estate, const QString& name);
  // Another name the line `line` is found by (a building by its code and by its name).
  void AddName(int line, const QString& name);
  // The line of the rows of `estate` named `name`: the estate's own line, else the line kept
  // without an estate (which belongs to every estate of the office); rows written without an
  // estate belong to the first line of that name. -1 when there is no such line: the rows of
  // one estate never count on another estate's line.
  int LineOf(const QString& estate, const QString& name) const;
  int Count() const { return int(estates_.size()); }
  QString EstateOf(int line) const { return estates_.value(line); }

 private:
  static QString key(const QString& text);
  QVector<QString> estates_;
  QHash<QString, int> exact_;  // estate + name -> line
  QHash<QString, int> first_;  // name -> first line
};
