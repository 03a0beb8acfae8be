#include "platform/data/backend.h"

#include <QRegularExpression>
#include <cmath>
#include <cstring>

#include "platform/data/jet.h"
#include "platform/exception.h"

namespace {

Variant numberFromText(const QString& s) {
  bool ok = false;
  qlonglong i = s.toLongLong(&ok);
  if (ok) return Variant(int64_t(i));
  double d = s.toDouble(&ok);
  if (ok) return Variant(d);
  return Variant(s);
}

Variant intVariant(int64_t v) {
  if (v >= INT32_MIN && v <= INT32_MAX) return Variant(int(v));
  return Variant(v);
}

QString NulMessage(const QString& fieldName) {
  const QString what = fieldName.isEmpty() ? QString::fromUtf8("文本") : QString::fromUtf8("“%1”").arg(fieldName);
  return QString::fromUtf8("%1中含有空字符（NUL），不能保存。请删除该字符后再保存。").arg(what);
}

}  // namespace

void CheckStorableText(const QString& text, const QString& fieldName) {
  if (text.contains(QChar(0))) throw EDatabaseError(NulMessage(fieldName));
}

void CheckStorableText(const char* utf8, uint32_t size, const QString& fieldName) {
  if (size && std::memchr(utf8, 0, size)) throw EDatabaseError(NulMessage(fieldName));
}

void CheckStorableMoney(int64_t units) {
  if (units >= kMaxStoredMoneyUnits || units <= -kMaxStoredMoneyUnits)
    throw EDatabaseError(QString::fromUtf8("金额超出范围：金额 %1 超出可保存的范围，金额的绝对值必须小于 100,000,000,000。")
                             .arg(Money::fromUnits(units).toString()));
}

Variant CellToVariant(const RowStore& store, Cell c, TFieldType type) {
  switch (c.tag) {
    case ctNull:
      return Variant::null();
    case ctInt:
      switch (type) {
        case ftString: case ftMemo: return Variant(QString::number(c.asInt()));
        case ftFloat: return Variant(double(c.asInt()));
        case ftCurrency: case ftBCD: return Variant(Money::fromInt(c.asInt()));
        case ftBoolean: return Variant(c.asInt() != 0);
        case ftDate: case ftTime: case ftDateTime: return Variant::dateTime(double(c.asInt()));
        case ftLargeint: return Variant(c.asInt());
        default: return intVariant(c.asInt());
      }
    case ctReal:
      switch (type) {
        case ftString: case ftMemo: return Variant(Variant(c.asReal()).toString());
        case ftCurrency: case ftBCD: return Variant(Money::fromDouble(c.asReal()));
        case ftBoolean: return Variant(c.asReal() != 0);
        case ftDate: case ftTime: case ftDateTime: return Variant::dateTime(c.asReal());
        default: return Variant(c.asReal());
      }
    case ctMoney: {
      Money m = Money::fromUnits(c.asInt());
      switch (type) {
        case ftString: case ftMemo: return Variant(m.toString());
        case ftFloat: return Variant(m.toDouble());
        case ftBoolean: return Variant(m.units() != 0);
        default: return Variant(m);
      }
    }
    case ctText: {
      QString s = store.text(c);
      switch (type) {
        case ftString: case ftMemo: case ftUnknown: return Variant(s);
        case ftDate: case ftTime: case ftDateTime: {
          if (s.isEmpty()) return Variant::null();
          if (auto d = ParseJetDate(s)) return Variant::dateTime(*d);
          return Variant(s);
        }
        case ftBoolean: {
          QString l = s.trimmed().toLower();
          if (l == QLatin1String("t") || l == QLatin1String("true") || l == QLatin1String("1")) return Variant(true);
          if (l == QLatin1String("f") || l == QLatin1String("false") || l == QLatin1String("0")) return Variant(false);
          return Variant(s);
        }
        case ftCurrency: case ftBCD: {
          if (auto m = Money::parse(s)) return Variant(*m);
          return Variant(s);
        }
        case ftBlob: case ftGraphic: return Variant(s);
        default: {
          Variant v = numberFromText(s.trimmed());
          if (v.type() == Variant::Int64) return intVariant(v.toInt64());
          return v.isText() ? Variant(s) : v;
        }
      }
    }
    case ctBlob:
      return Variant(QString::fromLatin1(store.byteArray(c)));
  }
  return Variant::null();
}

Cell VariantToCell(RowStore& store, const Variant& v, TFieldType type) {
  if (v.isNullOrEmpty()) return Cell{};
  switch (type) {
    case ftString: case ftMemo:
      if (v.type() == Variant::DateTime) return store.makeText(JetDateText(v.toDateTime()));
      return store.makeText(v.toString());
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc:
      if (v.isText()) {
        Variant n = numberFromText(v.toString().trimmed());
        if (n.isText()) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
        return Cell::fromInt(n.toInt64());
      }
      return Cell::fromInt(v.toInt64());
    case ftFloat:
      return Cell::fromReal(v.toDouble());
    case ftCurrency: case ftBCD:
      return Cell::fromMoney(v.toMoney().units());
    case ftBoolean:
      return Cell::fromInt(v.toBool() ? 1 : 0);
    case ftDate: case ftTime: case ftDateTime: {
      if (v.isText()) {
        QString s = v.toString();
        if (s.trimmed().isEmpty()) return Cell{};
        auto d = ParseJetDate(s);
        if (!d) throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(s));
        return store.makeText(JetDateText(*d));
      }
      return store.makeText(JetDateText(v.toDateTime()));
    }
    case ftBlob: case ftGraphic: {
      QByteArray b = v.toString().toLatin1();
      return store.makeBytes(b.constData(), size_t(b.size()), ctBlob);
    }
    case ftUnknown:
      break;
  }
  switch (v.type()) {
    case Variant::Bool: return Cell::fromInt(v.toBool() ? 1 : 0);
    case Variant::Byte: case Variant::Int: case Variant::Int64: return Cell::fromInt(v.toInt64());
    case Variant::Double: return Cell::fromReal(v.toDouble());
    case Variant::Currency: return Cell::fromMoney(v.toMoney().units());
    case Variant::DateTime: return store.makeText(JetDateText(v.toDateTime()));
    default: return store.makeText(v.toString());
  }
}

TFieldType FieldTypeFromDecl(const QString& declIn, int& size) {
  QString decl = declIn.trimmed().toUpper();
  size = 0;
  if (decl.isEmpty()) return ftUnknown;
  static const QRegularExpression lenRe(QStringLiteral("\\(\\s*(\\d+)"));
  if (decl.contains(QLatin1String("MONEY")) || decl.contains(QLatin1String("CURRENCY"))) return ftCurrency;
  if (decl.startsWith(QLatin1String("DECIMAL")) || decl.startsWith(QLatin1String("NUMERIC"))) return ftBCD;
  if (decl.startsWith(QLatin1String("BOOL")) || decl == QLatin1String("BIT") || decl.startsWith(QLatin1String("YESNO"))) return ftBoolean;
  if (decl.startsWith(QLatin1String("DATETIME")) || decl.startsWith(QLatin1String("TIMESTAMP"))) return ftDateTime;
  if (decl.startsWith(QLatin1String("DATE"))) return ftDate;
  if (decl.startsWith(QLatin1String("TIME"))) return ftTime;
  if (decl.contains(QLatin1String("LONGTEXT")) || decl.startsWith(QLatin1String("MEMO")) || decl.contains(QLatin1String("CLOB"))) return ftMemo;
  if (decl.contains(QLatin1String("CHAR")) || decl.contains(QLatin1String("TEXT"))) {
    auto m = lenRe.match(decl);
    size = m.hasMatch() ? m.captured(1).toInt() : 255;
    return ftString;
  }
  if (decl.startsWith(QLatin1String("IMAGE")) || decl.startsWith(QLatin1String("OLE")) || decl.startsWith(QLatin1String("GRAPHIC"))) return ftGraphic;
  if (decl.contains(QLatin1String("BLOB")) || decl.contains(QLatin1String("BINARY")) || decl == QLatin1String("BYTEA")) return ftBlob;
  if (decl.startsWith(QLatin1String("COUNTER")) || decl.startsWith(QLatin1String("AUTOINC"))) return ftAutoInc;
  if (decl.startsWith(QLatin1String("SMALLINT")) || decl.startsWith(QLatin1String("TINYINT")) || decl == QLatin1String("BYTE")) return ftSmallint;
  if (decl.startsWith(QLatin1String("BIGINT"))) return ftLargeint;
  if (decl.contains(QLatin1String("INT"))) return ftInteger;
  if (decl.contains(QLatin1String("REAL")) || decl.contains(QLatin1String("FLOA")) || decl.contains(QLatin1String("DOUB"))) return ftFloat;
  return ftUnknown;
}

int PlainSelectInsertPos(const QString& sql) {
  // Scan outside quotes and brackets; top-level keywords only (depth 0 of parentheses).
  QString upper;
  upper.reserve(sql.size());
  int depth = 0;
  QChar quote;
  for (int i = 0; i < sql.size(); ++i) {
    QChar ch = sql[i];
    if (!quote.isNull()) {
      if (ch == quote) quote = QChar();
      upper += QLatin1Char(' ');
      continue;
    }
    if (ch == QLatin1Char('\'') || ch == QLatin1Char('"') || ch == QLatin1Char('[') || ch == QLatin1Char('`')) {
      quote = ch == QLatin1Char('[') ? QLatin1Char(']') : ch;
      upper += QLatin1Char(' ');
      continue;
    }
    if (ch == QLatin1Char('(')) ++depth;
    if (ch == QLatin1Char(')')) --depth;
    upper += depth > 0 ? QLatin1Char(' ') : (ch.isSpace() ? QLatin1Char(' ') : ch.toUpper());
  }
  static const QRegularExpression startRe(QStringLiteral("^\\s*SELECT\\s"));
  auto m = startRe.match(upper);
  if (!m.hasMatch()) return -1;
  static const QRegularExpression badRe(QStringLiteral("\\b(GROUP\\s+BY|DISTINCT|UNION|INTERSECT|EXCEPT|DISTINCTROW|TOP|HAVING)\\b"));
  if (badRe.match(upper).hasMatch()) return -1;
  return int(m.capturedEnd());
}
