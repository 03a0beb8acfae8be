#include "billing/printtables.h"

#include <QRegularExpression>

#include "platform/data/connection.h"
#include "platform/exception.h"

namespace {

const char* const kDigits[] = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};

QString digitWord(int d) { return u(kDigits[d]); }

bool allDigits(const QString& s) {
  for (QChar c : s)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  return true;
}

// The amount in hundredths, rounded half away from zero.
int64_t hundredths(Money amount) {
  const int64_t units = amount.units();
  const int64_t half = units < 0 ? -50 : 50;
  return (units + half) / 100;
}

}  // namespace

QString MoneyToChineseCapital(const QString& amountText) {
  QString text = amountText.trimmed();
  bool negative = false;
  if (text.startsWith(QLatin1Char('-'))) {
    negative = true;
    text = text.mid(1);
  }
  QString whole = text;
  QString fraction;
  const int dot = text.indexOf(QLatin1Char('.'));
  if (dot >= 0) {
    whole = text.left(dot);
    const QString rest = text.mid(dot + 1);
    if (!allDigits(rest) || (whole.isEmpty() && rest.isEmpty())) throw EConvertError(u("'") + amountText + u("' is not a valid amount"));
    fraction = rest.left(2);
    if (fraction.size() == 1) fraction += QLatin1Char('0');
  }
  if (whole.isEmpty() && dot >= 0) whole = u("0");
  if (whole.isEmpty() || !allDigits(whole)) throw EConvertError(u("'") + amountText + u("' is not a valid amount"));
  while (whole.size() > 1 && whole.startsWith(QLatin1Char('0'))) whole.remove(0, 1);

  const bool zeroWhole = whole == u("0");
  const bool noFraction = fraction.isEmpty() || fraction == u("00");
  if (zeroWhole && noFraction) return u("零元整");

  QString z;
  if (!zeroWhole) {
    const int n = whole.size();
    int previous = 0;
    for (int p = 0; p < n; ++p) {
      const int d = whole.at(n - 1 - p).digitValue();
      const int r = p % 4;
      if (r != 0) {
        static const char* const units[] = {"", "拾", "佰", "仟"};
        if (d > 0) z = digitWord(d) + u(units[r]) + z;
        else if (previous > 0) z = u("零") + z;
      } else {
        QString group = p == 0 ? u("元") : ((p / 4) % 2 == 1 ? u("万") : u("亿"));
        // A 万 group of zeros leaves no 万 in front of the 亿.
        if (p > 0 && (p / 4) % 2 == 0 && z.startsWith(u("万"))) z.remove(0, 1);
        z = (d > 0 ? digitWord(d) : QString()) + group + z;
      }
      previous = d;
    }
  }

  QString result;
  if (noFraction) {
    result = z + u("整");
  } else {
    const int j = fraction.at(0).digitValue();
    const int f = fraction.at(1).digitValue();
    QString frac;
    if (j > 0) frac += digitWord(j) + u("角");
    else if (!zeroWhole) frac += u("零");
    frac += f > 0 ? digitWord(f) + u("分") : u("整");
    const bool zeroUnits = !zeroWhole && whole.endsWith(QLatin1Char('0'));
    result = z + (zeroUnits && j > 0 ? u("零") : QString()) + frac;
  }
  return negative ? u("负") + result : result;
}

QString MoneyToChineseCapital(Money amount) {
  const int64_t h = hundredths(amount);
  const int64_t a = h < 0 ? -h : h;
  const QString text = (h < 0 ? u("-") : QString()) + QString::number(a / 100) + u(".") +
                       QStringLiteral("%1").arg(a % 100, 2, 10, QLatin1Char('0'));
  return MoneyToChineseCapital(text);
}

QStringList MoneyToReceiptCapital(Money amount) {
  static const char* const places[] = {"分", "角", "元", "拾", "佰", "仟", "万",
                                       "拾", "佰", "仟", "亿", "十", "佰", "仟"};
  int64_t h = hundredths(amount);
  if (h < 0) h = -h;
  // Two decimals always; at least one whole digit.
  QString digits = QString::number(h);
  while (digits.size() < 3) digits.prepend(QLatin1Char('0'));
  QStringList cells;
  for (int k = 0; k < digits.size(); ++k) {
    const int d = digits.at(digits.size() - 1 - k).digitValue();
    const QString place = k < int(std::size(places)) ? u(places[k]) : QString();
    cells.prepend(digitWord(d) + place);
  }
  return cells;
}

QString AmountText(Money amount) { return amount.toString(); }

QMap<int, QString> DigitCells(Money amount, int first, int last) {
  QMap<int, QString> cells;
  for (int i = first; i <= last; ++i) cells.insert(i, QString());
  int64_t h = hundredths(amount);
  if (h < 0) h = -h;
  QString digits = QString::number(h);
  while (digits.size() < 3) digits.prepend(QLatin1Char('0'));
  const int count = last - first + 1;
  const int n = int(digits.size());
  if (n < count) {
    const int yuanCell = last - n;
    cells[yuanCell] = u("￥");
    for (int i = 0; i < n; ++i) cells[yuanCell + 1 + i] = digits.at(i);
  } else if (n == count) {
    for (int i = 0; i < n; ++i) cells[first + i] = digits.at(i);
  } else {
    const int lead = n - count + 1;
    cells[first] = u("￥") + digits.left(lead);
    for (int i = lead; i < n; ++i) cells[first + 1 + i - lead] = digits.at(i);
  }
  return cells;
}

QStringList PaidMonths(const QString& paidMonths) {
  QStringList entries;
  for (const QString& part : paidMonths.split(QLatin1Char(';'))) {
    const QString entry = part.trimmed();
    if (!entry.isEmpty()) entries << entry;
  }
  return entries;
}

QString PaidPeriod(const QString& paidMonths) {
  const QStringList entries = PaidMonths(paidMonths);
  // The months of the entries by their year and month; an entry of another form keeps its
  // place in the list.
  static const QRegularExpression monthForm(QStringLiteral("^(\\d{4})年(\\d{1,2})月$"));
  int earliest = -1, latest = -1;
  int earliestKey = 0, latestKey = 0;
  for (int i = 0; i < entries.size(); ++i) {
    const QRegularExpressionMatch m = monthForm.match(entries[i]);
    if (!m.hasMatch()) continue;
    const int key = m.captured(1).toInt() * 100 + m.captured(2).toInt();
    if (earliest < 0 || key < earliestKey) earliest = i, earliestKey = key;
    if (latest < 0 || key > latestKey) latest = i, latestKey = key;
  }
  if (earliest < 0) {
    // No month among the entries: as they stand, first to last.
    if (entries.isEmpty()) return QString();
    return entries.size() == 1 ? entries.first() : entries.first() + u("-") + entries.last();
  }
  if (earliestKey == latestKey) return entries[earliest];
  return entries[earliest] + u("-") + entries[latest];
}

QString ReceiptPeriodText(const QString& paidMonths) { return PaidPeriod(paidMonths); }

QString PrePrintedPeriodText(const QString& paidMonths) { return u("(") + PaidPeriod(paidMonths) + u(")"); }

void FillPrintTables(TADOConnection* local, const std::vector<PrintTableFill>& fills) {
  WithTransaction(local, [&] {
    for (const PrintTableFill& fill : fills) {
      // Table and column names are the program's own, never operator input; values are bound.
      local->Execute(u("delete from ") + fill.table);
      for (const PrintRow& row : fill.rows) {
        if (row.isEmpty()) continue;
        QStringList names, marks;
        std::vector<Variant> values;
        for (auto it = row.begin(); it != row.end(); ++it) {
          names << it.key();
          marks << u("?");
          values.push_back(it.value());
        }
        local->Execute(u("insert into ") + fill.table + u(" (") + names.join(u(", ")) + u(") values (") +
                           marks.join(u(", ")) + u(")"),
                       values);
      }
    }
  });
}
