#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <cstdint>

#include "platform/exception.h"
#include "platform/format.h"
#include "platform/variant.h"

// Filter expressions typed in a grid's filter row: a reader that turns a text such as
// ">=10 AND <20", "~abc", "In (1,2,3)" or "=Null" into at most two comparisons joined by AND
// or OR, the writer that turns them back into text, and the SQL condition built from them
// with every operand quoted as a literal.

// Kind of the values a filter compares, chosen from the column's field type.
enum TSTFilterValueKindEh : uint8_t { fvkNoneEh = 0, fvkTextEh, fvkNumberEh, fvkDateTimeEh, fvkBooleanEh };

// Operators of a comparison, and the junction of two comparisons.
enum TSTFilterOperatorEh : uint8_t {
  foNon = 0,
  foEqual,
  foNotEqual,
  foGreaterThan,
  foLessThan,
  foGreaterOrEqual,
  foLessOrEqual,
  foLike,
  foNotLike,
  foIn,
  foNotIn,
  foNull,
  foNotNull,
  foAND,
  foOR,
  foValue,  // a value token, only inside the reader
};

struct TSTFilterExpressionEh {
  TSTFilterValueKindEh ValueKind = fvkNoneEh;
  TSTFilterOperatorEh FirstOperator = foNon;
  Variant FirstOperand = Variant::null();
  TSTFilterOperatorEh Junction = foNon;
  TSTFilterOperatorEh SecondOperator = foNon;
  Variant SecondOperand = Variant::null();
};

// A filter text that cannot be read; the message is the reason followed by the whole text.
class EFilterExpressionError : public Exception {
  using Exception::Exception;
};

// Display and SQL texts of the operators (index: the operator's value, 0..14).
QString STFilterOperatorText(TSTFilterOperatorEh op);
QString STFilterOperatorSQLText(TSTFilterOperatorEh op);
// The marker dataset features put where they insert a filter condition into SQL text.
inline const char* const kSTFilterMarker = "/*FILTER*/";

void ClearFilterExpression(TSTFilterExpressionEh& expression);
// Reads the text into the expression (keeping its ValueKind); true when a second comparison
// was read. Raises EFilterExpressionError on malformed text, and the conversion errors of
// numbers and dates. Numbers and dates are read with the given settings.
bool ParseFilterExpression(const QString& text, TSTFilterExpressionEh& expression,
                           const FormatSettings& settings = DefaultFormatSettings());
// The expression written back as text; with a list source, only the operand list.
QString FilterExpressionText(const TSTFilterExpressionEh& expression, bool hasListSource = false);

// The kind of values for a field type.
TSTFilterValueKindEh FilterValueKindOf(int fieldType);

// An SQL condition for the expression on a column (an identifier the program names, never an
// operator's text), in parentheses; empty when the expression has no comparison. Every
// operand is a quoted literal: texts with their quotes doubled, LIKE operands matched
// literally anywhere in the value, numbers as plain numbers, dates through cdate.
QString FilterExpressionSQL(const QString& column, const TSTFilterExpressionEh& expression);
// Whether a value passes the expression, compared as the SQL condition would compare it
// (text without regard to case).
bool FilterExpressionMatches(const TSTFilterExpressionEh& expression, const Variant& value);

// ---- dataset features -----------------------------------------------------------------------
// What a kind of dataset can do for the grid beyond the platform's dataset operations: apply
// the filter row (and, for kinds that can, sort by the sort markers and move records). The
// registry holds one object per dataset class; a dataset is served by the one registered for
// its class or the nearest class it inherits from.

class TCustomDBGridEh;
class TDataSet;

class TDatasetFeaturesEh {
 public:
  virtual ~TDatasetFeaturesEh() = default;
  virtual void ApplyFilter(TCustomDBGridEh* grid, TDataSet* dataSet, bool isReopen) = 0;
  virtual void ApplySorting(TCustomDBGridEh*, TDataSet*, bool) {}
  // Moves the records of the bookmarks before the record number toRecNo (after the last
  // record when toRecNo is beyond it); with checkOnly only tells whether it would. Kinds of
  // dataset that cannot move records keep the default, which refuses.
  virtual bool MoveRecords(TCustomDBGridEh*, TDataSet*, const QStringList&, int, bool) { return false; }
};

// Registers the features for a dataset class (class names ignore letter case); a class
// already registered raises EInvalidOperation.
void RegisterDatasetFeaturesEh(const QString& dataSetClass, std::unique_ptr<TDatasetFeaturesEh> features);
void UnregisterDatasetFeaturesEh(const QString& dataSetClass);
// The features of the nearest registered class of the dataset; nullptr when none.
TDatasetFeaturesEh* GetDatasetFeaturesForDataSet(TDataSet* dataSet);
// The platform's datasets apply a Filter of their own: registers the features that hand
// them the filter row's condition (done once, when the registry is first used).
void RegisterPlatformDatasetFeatures();
