#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "platform/variant.h"

class TField;
class TDataSet;

// A dataset's Filter: a condition in the form of an SQL WHERE clause, evaluated over the
// records of the snapshot. What it reads:
//   name = 'text'      field compared with a value: = <> != < > <= >=
//   "a name", [a name] a field name with blanks or other characters
//   'it''s'            text (quotes doubled), 12, -3.5, #2024-1-31#, cdate('2024-01-31 00:00:00'),
//                      ccur(12.5), Null, True, False
//   name IS [NOT] NULL, name [NOT] LIKE 'ab%c_' [ESCAPE '\'], name [NOT] IN (v1, v2, ...)
//   NOT, AND, OR (AND binds first) and parentheses.
// Text compares without regard to letter case (as the office's data expects); a comparison
// with Null is false. Keywords ignore case. A malformed text raises EDatabaseError with a
// message for the operator that names the fault and the text.
class TDataSetFilter {
 public:
  // Reads the text; raises on malformed text. Field names are checked by Bind.
  explicit TDataSetFilter(const QString& text);
  ~TDataSetFilter();
  TDataSetFilter(const TDataSetFilter&) = delete;
  TDataSetFilter& operator=(const TDataSetFilter&) = delete;

  const QString& Text() const { return text_; }
  // Finds the fields the condition names in the dataset; an unknown name raises.
  void Bind(const TDataSet& dataSet);
  // Whether the record passes, the value of each bound field read through `value`.
  bool Matches(const std::function<Variant(const TField*)>& value) const;

  struct Node;

 private:
  QString text_;
  std::unique_ptr<Node> root_;
};
