#include <gtest/gtest.h>

#include "grid/DbUtilsEh.h"
#include "platform/data/ado.h"
#include "platform/data/field.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

TSTFilterExpressionEh Parse(const QString& text, TSTFilterValueKindEh kind, bool* second = nullptr,
                            const FormatSettings& settings = DefaultFormatSettings()) {
  TSTFilterExpressionEh e;
  e.ValueKind = kind;
  const bool s = ParseFilterExpression(text, e, settings);
  if (second) *second = s;
  return e;
}

QString ErrorOf(const QString& text, TSTFilterValueKindEh kind) {
  try {
    Parse(text, kind);
  } catch (const Exception& e) {
    return e.message();
  }
  return QStringLiteral("(none)");
}

}  // namespace

TEST(FilterExpression, TextsAreReadAndWrittenBack) {
  struct Case {
    QString text;
    TSTFilterValueKindEh kind;
    TSTFilterOperatorEh first;
    TSTFilterOperatorEh junction;
    TSTFilterOperatorEh second;
    QString written;
  } cases[] = {
      {"5", fvkNumberEh, foEqual, foNon, foNon, "= 5"},
      {"abc", fvkTextEh, foLike, foNon, foNon, "~ 'abc'"},
      {">=10 AND <20", fvkNumberEh, foGreaterOrEqual, foAND, foLessThan, ">= 10 AND < 20"},
      {"In (1,2,3)", fvkNumberEh, foIn, foNon, foNon, "In (1,2,3)"},
      {"!In (a,b)", fvkTextEh, foNotIn, foNon, foNon, "!In ('a','b')"},
      {"not in (a)", fvkTextEh, foNotIn, foNon, foNon, "!In ('a')"},
      {"=Null", fvkTextEh, foNull, foNon, foNon, "=Null"},
      {"<>Null", fvkNumberEh, foNotNull, foNon, foNon, "<>Null"},
      {"!~x | =y", fvkTextEh, foNotLike, foOR, foEqual, "!~ 'x' OR = 'y'"},
      {"'a b' or 'c'", fvkTextEh, foLike, foOR, foLike, "~ 'a b' OR ~ 'c'"},
      {"=a b & <>c", fvkTextEh, foEqual, foAND, foNotEqual, "= 'a b' AND <> 'c'"},
      {"!=7", fvkNumberEh, foNotEqual, foNon, foNon, "<> 7"},
      {"  >  2.5  ", fvkNumberEh, foGreaterThan, foNon, foNon, "> 2.5"},
      {"", fvkTextEh, foNon, foNon, foNon, ""},
      {">=2020-1-2", fvkDateTimeEh, foGreaterOrEqual, foNon, foNon, ">= 2020-1-2"},
      {"x OR", fvkTextEh, foLike, foOR, foNon, "~ 'x' OR  "},
  };
  for (const Case& c : cases) {
    bool second = false;
    const TSTFilterExpressionEh e = Parse(c.text, c.kind, &second);
    EXPECT_EQ(e.FirstOperator, c.first) << c.text.toStdString();
    EXPECT_EQ(e.Junction, c.junction) << c.text.toStdString();
    EXPECT_EQ(e.SecondOperator, c.second) << c.text.toStdString();
    EXPECT_EQ(second, c.second != foNon) << c.text.toStdString();
    EXPECT_EQ(FilterExpressionText(e), c.written) << c.text.toStdString();
  }
}

TEST(FilterExpression, OperandsAreConvertedByTheValueKind) {
  TSTFilterExpressionEh e = Parse("5", fvkNumberEh);
  EXPECT_EQ(e.FirstOperand.type(), Variant::Double);
  EXPECT_DOUBLE_EQ(e.FirstOperand.toDouble(), 5.0);
  e = Parse("In (1,2,3)", fvkNumberEh);
  ASSERT_TRUE(e.FirstOperand.isArray());
  ASSERT_EQ(e.FirstOperand.items().size(), 3);
  EXPECT_DOUBLE_EQ(e.FirstOperand.items()[2].toDouble(), 3.0);
  e = Parse("=Null", fvkNumberEh);
  EXPECT_TRUE(e.FirstOperand.isNull());
  // With the comma as decimal separator, 5,5 is one number outside a list but two items inside.
  FormatSettings comma = DefaultFormatSettings();
  comma.decimalSeparator = QLatin1Char(',');
  comma.thousandSeparator = QLatin1Char('.');
  e = Parse("5,5", fvkNumberEh, nullptr, comma);
  EXPECT_EQ(e.FirstOperator, foEqual);
  EXPECT_DOUBLE_EQ(e.FirstOperand.toDouble(), 5.5);
  e = Parse("In (5,5)", fvkNumberEh, nullptr, comma);
  ASSERT_TRUE(e.FirstOperand.isArray());
  EXPECT_EQ(e.FirstOperand.items().size(), 2);
  // A number the reader refuses raises the conversion error.
  EXPECT_THROW(Parse("=abc", fvkNumberEh), EConvertError);
  EXPECT_THROW(Parse(">=2020-13-45", fvkDateTimeEh), Exception);
}

TEST(FilterExpression, MalformedTextsNameTheFaultAndTheWholeText) {
  struct Case {
    QString text;
    QString message;
  } cases[] = {
      {"'abc", "Quote is absent: 'abc"},
      {"In 1", "'(' expected: In 1"},
      {"In (1,2", "')' expected: In (1,2"},
      {">Null", "Unexpected expression before Null: >Null"},
      {"> AND", "Unexpected expression after operator: > AND"},
      {"(1)", "Error in expression: (1)"},
      {"=1 =2", "Unexpected AND or OR: =1 =2"},
      {"a = 1 OR b = 2 AND c", "Unexpected AND or OR: a = 1 OR b = 2 AND c"},
      {"=1 OR =2 AND =3", "Incorrect expression: =1 OR =2 AND =3"},
      {"=1 (", "Incorrect expression: =1 ("},
      {"not null", "Unexpected expression after operator: not null"},
      {"=x'); DROP TABLE t; --", "Incorrect expression: =x'); DROP TABLE t; --"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.text, fvkTextEh), c.message) << c.text.toStdString();
}

TEST(FilterExpression, SqlConditionsQuoteEveryOperandAndSelectTheRightRows) {
  // Hostile texts stay literals: the condition selects by them and changes nothing else.
  GridDbFixture db(QStringLiteral("name VARCHAR(40), amount FLOAT"));
  const QStringList names = {"O'Brien", "100%", "a_b", "abc", "x'; DROP TABLE t; --", "plain"};
  for (int i = 0; i < names.size(); ++i) {
    TADOQuery ins;
    ins.SetConnection(&db.conn);
    db.Exec(QStringLiteral("INSERT INTO t (name, amount) VALUES ('%1', %2)")
                .arg(QString(names[i]).replace("'", "''"))
                .arg(i + 1));
  }
  db.Exec("INSERT INTO t (name, amount) VALUES (NULL, NULL)");
  struct Case {
    QString column;
    TSTFilterValueKindEh kind;
    QString text;
    QStringList expected;  // names in id order ("~" for null)
  } cases[] = {
      {"name", fvkTextEh, "O'Brien", {"O'Brien"}},
      {"name", fvkTextEh, "=x'; DROP TABLE t; --", {"x'; DROP TABLE t; --"}},
      {"name", fvkTextEh, "=1 OR 1=1", {}},
      {"name", fvkTextEh, "%", {"100%"}},
      {"name", fvkTextEh, "_", {"a_b"}},
      {"name", fvkTextEh, "!~b", {"100%", "plain"}},  // letter case is ignored
      {"name", fvkTextEh, "In ('O'Brien',abc)", {}},  // the quote ends the first item early
      {"name", fvkTextEh, "In (abc,plain)", {"abc", "plain"}},
      {"name", fvkTextEh, "=Null", {"~"}},
      {"amount", fvkNumberEh, ">=2 AND <4", {"100%", "a_b"}},
      {"amount", fvkNumberEh, "!In (1,2,3,4,5)", {"plain"}},
      {"amount", fvkNumberEh, "<2 OR =Null", {"O'Brien", "~"}},
  };
  for (const Case& c : cases) {
    TSTFilterExpressionEh e;
    e.ValueKind = c.kind;
    try {
      ParseFilterExpression(c.text, e);
    } catch (const Exception& ex) {
      EXPECT_TRUE(c.expected.isEmpty()) << c.text.toStdString() << ": " << ex.message().toStdString();
      continue;
    }
    const QString where = FilterExpressionSQL(c.column, e);
    TADOQuery q;
    q.SetConnection(&db.conn);
    q.SQL.Add("SELECT name FROM t WHERE " + where + " ORDER BY id");
    q.Open();
    QStringList got;
    for (; !q.Eof(); q.Next()) got << (q.FieldByName("name")->IsNull() ? QStringLiteral("~") : q.FieldByName("name")->AsString());
    EXPECT_EQ(got, c.expected) << c.text.toStdString() << " -> " << where.toStdString();
  }
  // The table is whole.
  TADOQuery count;
  count.SetConnection(&db.conn);
  count.SQL.Add("SELECT COUNT(*) AS n FROM t");
  count.Open();
  EXPECT_EQ(count.FieldByName("n")->AsInteger(), 7);
}

TEST(FilterExpression, ValuesMatchInMemoryAsTheConditionSelects) {
  struct Case {
    QString text;
    TSTFilterValueKindEh kind;
    Variant value;
    bool matches;
  } cases[] = {
      {"abc", fvkTextEh, Variant("xxABCxx"), true},   {"abc", fvkTextEh, Variant("ab"), false},
      {"=Null", fvkTextEh, Variant::null(), true},     {"<>Null", fvkTextEh, Variant::null(), false},
      {">=10 AND <20", fvkNumberEh, Variant(10), true}, {">=10 AND <20", fvkNumberEh, Variant(20), false},
      {"<1 OR >5", fvkNumberEh, Variant(6.5), true},    {"In (1,2)", fvkNumberEh, Variant(2), true},
      {"!In (1,2)", fvkNumberEh, Variant(2), false},    {"=5", fvkNumberEh, Variant::null(), false},
      {"", fvkTextEh, Variant("any"), true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FilterExpressionMatches(Parse(c.text, c.kind), c.value), c.matches) << c.text.toStdString();
}
