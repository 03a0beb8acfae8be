// The filter expression reader and writer, and SQL conditions built from expressions.
#include "grid/DbUtilsEh.h"

#include <cmath>

#include "platform/data/field.h"
#include "platform/data/sqlquote.h"

namespace {

const char* const kDisplayTexts[] = {"", "=", "<>", ">", "<", ">=", "<=", "~", "!~", "In", "!In",
                                     "Null", "Null", "AND", "OR"};
const char* const kSqlTexts[] = {"", "=", "<>", ">", "<", ">=", "<=", "LIKE", "NOT LIKE", "IN", "NOT IN",
                                 "IS NULL", "IS NOT NULL", "AND", "OR"};

// One reading of a filter text.
class FilterReader {
 public:
  FilterReader(const QString& text, TSTFilterValueKindEh kind, const FormatSettings& settings)
      : text_(text), kind_(kind), settings_(settings) {}

  [[noreturn]] void Fail(const char* reason) const {
    throw EFilterExpressionError(QString::fromLatin1(reason) + text_);
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == QLatin1Char(' ')) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }
  QChar At(int i) const { return i < text_.size() ? text_[i] : QChar(); }

  // Commas separate list items unless numbers use the comma as their decimal separator.
  bool DefaultCommaLists() const {
    return !(kind_ == fvkNumberEh && settings_.decimalSeparator == QLatin1Char(','));
  }

  static bool IsWordDelimiter(QChar c) {
    if (c.unicode() < 32) return true;
    static const QString kDelims = QStringLiteral(" !\"&'()+,-.<=>|~");
    return kDelims.contains(c);
  }

  QString WordAt(int at) const {
    int end = at;
    while (end < text_.size() && !IsWordDelimiter(text_[end])) ++end;
    return text_.mid(at, end - at);
  }

  // The operator a keyword stands for; foValue when it is no keyword. The NOT prefix is -1.
  static int KeywordOperator(const QString& word) {
    const QString w = word.toUpper();
    if (w == QLatin1String("NOT")) return -1;
    if (w == QLatin1String("AND")) return foAND;
    if (w == QLatin1String("OR")) return foOR;
    if (w == QLatin1String("LIKE")) return foLike;
    if (w == QLatin1String("IN")) return foIn;
    if (w == QLatin1String("NULL")) return foNull;
    return foValue;
  }

  // Whether an operator starts at a position (a value stops at a blank before one).
  bool OperatorAt(int at) const {
    const QChar c = At(at);
    if (c.isNull()) return false;
    if (QStringLiteral("!&|<=>~").contains(c)) return true;
    if (IsWordDelimiter(c)) return false;
    return KeywordOperator(WordAt(at)) != foValue;
  }

  // One value: quoted, or up to a parenthesis, a list comma, or a blank before an operator.
  Variant ReadValue(bool commaLists) {
    if (At(pos_) == QLatin1Char('\'')) {
      const int close = int(text_.indexOf(QLatin1Char('\''), pos_ + 1));
      if (close < 0) Fail("Quote is absent: ");
      const QString v = text_.mid(pos_ + 1, close - pos_ - 1);
      pos_ = close + 1;
      return Variant(v);
    }
    const int start = pos_;
    while (pos_ < text_.size()) {
      const QChar c = text_[pos_];
      if (c == QLatin1Char('(') || c == QLatin1Char(')')) break;
      if (commaLists && c == QLatin1Char(',')) break;
      if (c == QLatin1Char(' ')) {
        int k = pos_;
        while (At(k) == QLatin1Char(' ')) ++k;
        if (OperatorAt(k)) break;
      }
      ++pos_;
    }
    const QString v = text_.mid(start, pos_ - start);
    if (v.isEmpty()) return Variant::null();
    return Variant(v);
  }

  Variant ReadValues(bool commaLists) {
    QVector<Variant> items;
    items.append(ReadValue(commaLists));
    while (!items.last().isNull() && commaLists && At(pos_) == QLatin1Char(',')) {
      ++pos_;
      items.append(ReadValue(commaLists));
    }
    if (items.size() == 1) return items.first();
    return Variant::array(items);
  }

  // Reads one lexeme: an operator, a value (foValue, into `value`) or nothing usable (foNon).
  TSTFilterOperatorEh NextLexeme(Variant& value, bool commaLists) {
    value = Variant::null();
    SkipBlanks();
    if (pos_ >= text_.size()) return foNon;
    const QChar c = text_[pos_];
    const QChar n = At(pos_ + 1);
    auto op = [&](TSTFilterOperatorEh o, int used) {
      pos_ += used;
      return AfterOperator(o);
    };
    switch (c.unicode()) {
      case '!':
        if (n == QLatin1Char('=')) return op(foNotEqual, 2);
        ++pos_;
        return NotPrefix(commaLists);
      case '&': return op(foAND, 1);
      case '|': return op(foOR, 1);
      case '\'':
        value = ReadValues(commaLists);
        return foValue;
      case '(': return foNon;
      case '<':
        if (n == QLatin1Char('=')) return op(foLessOrEqual, 2);
        if (n == QLatin1Char('>')) return op(foNotEqual, 2);
        return op(foLessThan, 1);
      case '=': return op(foEqual, 1);
      case '>':
        if (n == QLatin1Char('=')) return op(foGreaterOrEqual, 2);
        return op(foGreaterThan, 1);
      case '~': return op(foLike, 1);
      default: break;
    }
    if (!IsWordDelimiter(c)) {
      const QString word = WordAt(pos_);
      const int k = KeywordOperator(word);
      if (k != foValue) {
        pos_ += int(word.size());
        if (k == -1) return NotPrefix(commaLists);
        return AfterOperator(TSTFilterOperatorEh(k));
      }
    }
    value = ReadValues(commaLists);
    return value.isNull() ? foNon : foValue;
  }

  TSTFilterOperatorEh NotPrefix(bool commaLists) {
    Variant ignored;
    const TSTFilterOperatorEh next = NextLexeme(ignored, commaLists);
    if (next == foLike) return foNotLike;
    if (next == foIn) return foNotIn;  // its "(" has been used already
    if (next == foNull) return foNotNull;
    return foNon;
  }

  TSTFilterOperatorEh AfterOperator(TSTFilterOperatorEh o) {
    SkipBlanks();
    if (o == foIn) {
      if (At(pos_) != QLatin1Char('(')) Fail("'(' expected: ");
      ++pos_;
    }
    return o;
  }

  // Steps 2 and 3 for one comparison starting with lexeme `first`.
  void ReadComparison(TSTFilterOperatorEh first, const Variant& firstValue, TSTFilterOperatorEh& op,
                      Variant& operand, bool closeList) {
    if (first == foValue) {
      op = firstValue.isArray() ? foIn : (kind_ == fvkTextEh ? foLike : foEqual);
      operand = firstValue;
      return;
    }
    if (first == foNon) Fail("Error in expression: ");
    const bool list = first == foIn || first == foNotIn;
    Variant value;
    const TSTFilterOperatorEh second = NextLexeme(value, list || DefaultCommaLists());
    op = first;
    if (second == foNull) {
      if (first == foEqual) op = foNull;
      else if (first == foNotEqual) op = foNotNull;
      else Fail("Unexpected expression before Null: ");
      operand = Variant::null();
    } else if (second != foValue) {
      Fail("Unexpected expression after operator: ");
    } else {
      operand = value;
    }
    if (list && closeList) {
      SkipBlanks();
      if (At(pos_) != QLatin1Char(')')) Fail("')' expected: ");
      ++pos_;
    }
  }

  Variant Convert(TSTFilterOperatorEh op, const Variant& operand) const {
    if (op < foEqual || op > foNotIn) return Variant::null();
    if (operand.isArray()) {
      QVector<Variant> items;
      for (const Variant& v : operand.items()) items.append(ConvertOne(v));
      return Variant::array(items);
    }
    return ConvertOne(operand);
  }

  Variant ConvertOne(const Variant& v) const {
    if (v.isNull()) return v;
    if (kind_ == fvkNumberEh) {
      double d = 0;
      if (!TryStrToFloat(v.toString().trimmed(), d, settings_) || !std::isfinite(d))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
      return Variant(d);
    }
    if (kind_ == fvkDateTimeEh) return Variant::dateTime(StrToDateTime(v.toString().trimmed()));
    return v;
  }

  bool Parse(TSTFilterExpressionEh& e) {
    if (text_.isEmpty()) return false;
    Variant value;
    TSTFilterOperatorEh lex = NextLexeme(value, DefaultCommaLists());
    ReadComparison(lex, value, e.FirstOperator, e.FirstOperand, true);
    lex = NextLexeme(value, DefaultCommaLists());
    bool second = false;
    if (lex == foNon) {
      if (!AtEnd()) Fail("Incorrect expression: ");
    } else {
      if (lex != foAND && lex != foOR) Fail("Unexpected AND or OR: ");
      e.Junction = lex;
      lex = NextLexeme(value, DefaultCommaLists());
      if (lex == foNon) {
        if (!AtEnd()) Fail("Incorrect expression: ");
      } else {
        ReadComparison(lex, value, e.SecondOperator, e.SecondOperand, false);
        // Nothing may follow the second comparison but a list's closing parenthesis.
        SkipBlanks();
        if ((e.SecondOperator == foIn || e.SecondOperator == foNotIn) && At(pos_) == QLatin1Char(')')) ++pos_;
        if (!AtEnd()) Fail("Incorrect expression: ");
        second = true;
      }
    }
    e.FirstOperand = Convert(e.FirstOperator, e.FirstOperand);
    e.SecondOperand = Convert(e.SecondOperator, e.SecondOperand);
    return second;
  }

 private:
  QString text_;
  int pos_ = 0;
  TSTFilterValueKindEh kind_;
  const FormatSettings& settings_;
};

QString ValueText(const Variant& v) {
  switch (v.type()) {
    case Variant::Double:
    case Variant::Int:
    case Variant::Int64:
    case Variant::Currency:
      return FloatToStr(v.toDouble());
    case Variant::DateTime:
      return FormatDateTime(DefaultFormatSettings().shortDateFormat, v.toDateTime());
    case Variant::Null:
    case Variant::Empty:
      return QString();
    default:
      return QLatin1Char('\'') + v.toString() + QLatin1Char('\'');
  }
}

QString ComparisonText(TSTFilterOperatorEh op, const Variant& operand) {
  if (op == foNull) return QStringLiteral("=Null");
  if (op == foNotNull) return QStringLiteral("<>Null");
  if (op == foIn || op == foNotIn) {
    QStringList parts;
    if (operand.isArray())
      for (const Variant& v : operand.items()) parts << ValueText(v);
    else
      parts << ValueText(operand);
    return STFilterOperatorText(op) + QStringLiteral(" (") + parts.join(QLatin1Char(',')) + QLatin1Char(')');
  }
  return STFilterOperatorText(op) + QLatin1Char(' ') + ValueText(operand);
}

// A literal of an operand value.
QString SqlLiteral(const Variant& v) {
  switch (v.type()) {
    case Variant::Double:
    case Variant::Int:
    case Variant::Int64:
    case Variant::Currency:
    case Variant::Byte: {
      const double d = v.toDouble();
      if (!std::isfinite(d)) throw EConvertError(QStringLiteral("Invalid number in a filter"));
      // Plain digits with a full stop, whatever the display settings.
      return QString::number(d, 'g', 17);
    }
    case Variant::DateTime:
      return SqlQuote::Date(v.toDateTime());
    case Variant::Bool:
      return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
      return SqlQuote::Text(v.toString());
  }
}

QString ComparisonSQL(const QString& column, TSTFilterOperatorEh op, const Variant& operand) {
  switch (op) {
    case foNon:
    case foAND:
    case foOR:
    case foValue:
      return QString();
    case foNull:
      return column + QStringLiteral(" IS NULL");
    case foNotNull:
      return column + QStringLiteral(" IS NOT NULL");
    case foLike:
    case foNotLike:
      return column + QLatin1Char(' ') + STFilterOperatorSQLText(op) + QLatin1Char(' ') +
             SqlQuote::Like(operand.toString(), true, true) + SqlQuote::LikeEscape();
    case foIn:
    case foNotIn: {
      QStringList parts;
      if (operand.isArray())
        for (const Variant& v : operand.items()) parts << SqlLiteral(v);
      else
        parts << SqlLiteral(operand);
      return column + QLatin1Char(' ') + STFilterOperatorSQLText(op) + QStringLiteral(" (") +
             parts.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    default:
      if (operand.isNull()) return QString();
      return column + QLatin1Char(' ') + STFilterOperatorSQLText(op) + QLatin1Char(' ') + SqlLiteral(operand);
  }
}

bool ComparisonMatches(TSTFilterOperatorEh op, const Variant& operand, const Variant& value) {
  const bool null = value.isNullOrEmpty();
  switch (op) {
    case foNull: return null;
    case foNotNull: return !null;
    case foNon: return true;
    default: break;
  }
  if (null || operand.isNull()) return false;
  switch (op) {
    case foLike:
    case foNotLike: {
      const bool has = value.toString().contains(operand.toString(), Qt::CaseInsensitive);
      return op == foLike ? has : !has;
    }
    case foIn:
    case foNotIn: {
      bool found = false;
      const QVector<Variant> items = operand.isArray() ? operand.items() : QVector<Variant>{operand};
      for (const Variant& v : items)
        if (Variant::compare(value, v, true) == 0) found = true;
      return op == foIn ? found : !found;
    }
    default: break;
  }
  const int c = Variant::compare(value, operand, true);
  switch (op) {
    case foEqual: return c == 0;
    case foNotEqual: return c != 0;
    case foGreaterThan: return c > 0;
    case foLessThan: return c < 0;
    case foGreaterOrEqual: return c >= 0;
    case foLessOrEqual: return c <= 0;
    default: return false;
  }
}

}  // namespace

QString STFilterOperatorText(TSTFilterOperatorEh op) {
  return op <= foOR ? QString::fromLatin1(kDisplayTexts[op]) : QString();
}

QString STFilterOperatorSQLText(TSTFilterOperatorEh op) {
  return op <= foOR ? QString::fromLatin1(kSqlTexts[op]) : QString();
}

void ClearFilterExpression(TSTFilterExpressionEh& e) {
  e.FirstOperator = foNon;
  e.FirstOperand = Variant::null();
  e.Junction = foNon;
  e.SecondOperator = foNon;
  e.SecondOperand = Variant::null();
}

bool ParseFilterExpression(const QString& text, TSTFilterExpressionEh& expression, const FormatSettings& settings) {
  ClearFilterExpression(expression);
  FilterReader reader(text.trimmed(), expression.ValueKind, settings);
  return reader.Parse(expression);
}

QString FilterExpressionText(const TSTFilterExpressionEh& e, bool hasListSource) {
  if (e.ValueKind == fvkNoneEh || e.FirstOperator == foNon) return QString();
  if (hasListSource) {
    if (!e.FirstOperand.isArray()) return e.FirstOperand.toString();
    QStringList parts;
    for (const Variant& v : e.FirstOperand.items()) parts << QLatin1Char('\'') + v.toString() + QLatin1Char('\'');
    return parts.join(QLatin1Char(','));
  }
  QString text = ComparisonText(e.FirstOperator, e.FirstOperand);
  if (e.Junction != foNon)
    text += QLatin1Char(' ') + STFilterOperatorText(e.Junction) + QLatin1Char(' ') +
            ComparisonText(e.SecondOperator, e.SecondOperand);
  return text;
}

TSTFilterValueKindEh FilterValueKindOf(int fieldType) {
  switch (fieldType) {
    case ftString: case ftMemo: return fvkTextEh;
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc: case ftFloat: case ftCurrency: case ftBCD:
      return fvkNumberEh;
    case ftDate: case ftTime: case ftDateTime: return fvkDateTimeEh;
    case ftBoolean: return fvkBooleanEh;
    default: return fvkNoneEh;
  }
}

QString FilterExpressionSQL(const QString& column, const TSTFilterExpressionEh& e) {
  const QString first = ComparisonSQL(column, e.FirstOperator, e.FirstOperand);
  if (first.isEmpty()) return QString();
  const QString second =
      e.Junction != foNon ? ComparisonSQL(column, e.SecondOperator, e.SecondOperand) : QString();
  if (second.isEmpty()) return QLatin1Char('(') + first + QLatin1Char(')');
  return QLatin1Char('(') + first + QLatin1Char(' ') + STFilterOperatorSQLText(e.Junction) + QLatin1Char(' ') +
         second + QLatin1Char(')');
}

bool FilterExpressionMatches(const TSTFilterExpressionEh& e, const Variant& value) {
  if (e.FirstOperator == foNon) return true;
  const bool first = ComparisonMatches(e.FirstOperator, e.FirstOperand, value);
  if (e.Junction == foNon || e.SecondOperator == foNon) return first;
  const bool second = ComparisonMatches(e.SecondOperator, e.SecondOperand, value);
  return e.Junction == foAND ? first && second : first || second;
}
