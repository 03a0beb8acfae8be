#include "platform/data/sqlquote.h"

#include "platform/data/backend.h"
#include "platform/data/jet.h"

namespace SqlQuote {

static QString clean(QString s) {
  s.remove(QChar(0));
  return s;
}

QString Text(const QString& value) {
  QString s = clean(value);
  s.replace(QLatin1Char('\''), QLatin1String("''"));
  return QLatin1Char('\'') + s + QLatin1Char('\'');
}

QString Text(const QByteArray& utf8) {
  // fromUtf8 replaces every invalid sequence with U+FFFD.
  return Text(QString::fromUtf8(utf8));
}

QString DateText(TDateTime value) { return QLatin1Char('\'') + JetDateText(value) + QLatin1Char('\''); }

QString Date(TDateTime value) { return QStringLiteral("cdate(") + DateText(value) + QLatin1Char(')'); }

QString MoneyNumber(::Money value) {
  int64_t u = value.units();
  bool neg = u < 0;
  uint64_t a = neg ? uint64_t(0) - uint64_t(u) : uint64_t(u);
  QString s = QString::number(a / 10000) + QLatin1Char('.') + QString::number(a % 10000).rightJustified(4, QLatin1Char('0'));
  return neg ? QLatin1Char('-') + s : s;
}

QString Money(::Money value) {
  CheckStorableMoney(value.units());  // SQLite keeps what ccur() gives as a double
  return QStringLiteral("ccur(") + MoneyNumber(value) + QLatin1Char(')');
}

QString Like(const QString& value, bool anyBefore, bool anyAfter) {
  QString s = clean(value);
  QString out;
  out.reserve(s.size() + 4);
  for (QChar c : s) {
    if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_')) out += QLatin1Char('\\');
    out += c;
  }
  if (anyBefore) out.prepend(QLatin1Char('%'));
  if (anyAfter) out += QLatin1Char('%');
  out.replace(QLatin1Char('\''), QLatin1String("''"));
  return QLatin1Char('\'') + out + QLatin1Char('\'');
}

QString LikeEscape() { return QStringLiteral(" ESCAPE '\\'"); }

QString Identifier(const QString& name) {
  QString s = name;
  s.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + s + QLatin1Char('"');
}

}  // namespace SqlQuote
