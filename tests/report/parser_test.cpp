// The expression parser: coded form, evaluation, token readers, variables and the call finder.
#include <gtest/gtest.h>

#include <QMap>

#include "platform/datetime.h"
#include "report/FR_Pars.h"
#include "report/FR_ValueRules.h"

namespace {

struct Case {
  const char* expr;
  Variant expected;
};

// A parser whose names come from a small table and whose unknown calls are recorded.
struct Fixture {
  TfrParser parser;
  QMap<QString, Variant> names;
  QStringList resolvedNames;
  QStringList calls;
  Fixture() {
    parser.ValueResolver = [this](const QString& n, Variant& v) {
      resolvedNames << n;
      if (names.contains(n)) v = names.value(n);
    };
    parser.FunctionResolver = [this](const QString& n, const QString& a, const QString& b, const QString& c,
                                     Variant& r) {
      calls << n + QLatin1Char('|') + a + QLatin1Char('|') + b + QLatin1Char('|') + c;
      r = Variant(QStringLiteral("fn"));
    };
  }
};

void expectSame(const Variant& got, const Variant& want, const char* expr) {
  EXPECT_EQ(got.type(), want.type()) << expr << " gave " << got.toString().toStdString();
  EXPECT_TRUE(frv::Equals(got, want)) << expr << " gave " << got.toString().toStdString() << ", want "
                                      << want.toString().toStdString();
}

}  // namespace

TEST(ReportParser, EvaluatesWithThePrioritiesAndTypesOfTheLanguage) {
  const Case cases[] = {
      {"2 + 3 * 4", Variant(14.0)},
      {"(2 + 3) * 4", Variant(20.0)},
      {"10 - 4 - 3", Variant(3.0)},
      {"7 MOD 3", Variant(1)},
      {"7 / 0", Variant::byte(0)},
      {"7 / 2", Variant(3.5)},
      {"1 < 2", Variant::byte(1)},
      {"NOT (1 < 2)", Variant::byte(0)},
      {"NOT 0", Variant::byte(1)},
      {"(1 = 1) AND (2 = 2)", Variant(1)},
      {"1 = 1 AND 2 = 2", Variant::byte(0)},   // (1 = (1 AND 2)) = 2
      {"-2 + 3", Variant(1.0)},
      {"-(2 * 3)", Variant(-6.0)},
      {"3 * (-2)", Variant(-6.0)},
      {"2 * -3", Variant(-6.0)},               // a sign right after a binary operator
      {"3 - -2", Variant(5.0)},
      {"1 AND NOT 0", Variant(1.0)},
      {"NOT -1", Variant::byte(0)},
      {"INT(2.9999999999999)", Variant(3.0)},
      {"INT(-2.5)", Variant(-2.0)},
      {"FRAC(3.25)", Variant(0.25)},
      {"FRAC(2.99999999999999)", Variant(0.0)},
      {"ROUND(2.5)", Variant(2)},
      {"ROUND(3.5)", Variant(4)},
      {"ROUND(-2.5)", Variant(-2)},
      {"int(2.5)", Variant(2.0)},
      {"COPY('abcdef', 2, 3)", Variant("bcd")},
      {"COPY('abcdef', 5, 10)", Variant("ef")},
      {"COPY('abcdef', 0, 2)", Variant("ab")},
      {"IF(1 > 2, 'yes', 'no')", Variant("no")},
      {"IF(2 > 1, 'yes', 'no')", Variant("yes")},
      {"IF(TRUE, 'yes', 'no')", Variant("yes")},   // a boolean condition is accepted
      {"IF(FALSE, 'yes', 'no')", Variant("no")},
      {"IF(0.5, 'yes', 'no')", Variant("no")},
      {"'It''s'", Variant("It's")},
      {"''''''", Variant("'")},
      {"'a' + 'b'", Variant("ab")},
      {"STR(12) + 'x'", Variant("12x")},
      {"1,5", Variant(1.5)},
      {"1.5", Variant(1.5)},
      {"true", Variant(true)},
      {"FALSE", Variant(false)},
      {"1 + 1; 5", Variant(2.0)},
      {"", Variant::byte(0)},
      {"   ", Variant::byte(0)},
      {"'abc' = 'abc'", Variant::byte(1)},
      {"'abc' < 'abd'", Variant::byte(1)},
      {"2 >= 2", Variant::byte(1)},
      {"2 <= 1", Variant::byte(0)},
      {"2 <> 1", Variant::byte(1)},
      {"1 OR 2", Variant(3)},
      {"TRUE OR FALSE", Variant(true)},
  };
  for (const Case& c : cases) {
    Fixture f;
    expectSame(f.parser.Evaluate(QString::fromUtf8(c.expr)), c.expected, c.expr);
  }
}

TEST(ReportParser, CopyCountsCharactersAndNeverSplitsOne) {
  Fixture f;
  EXPECT_EQ(f.parser.Evaluate(QString::fromUtf8("COPY('物业管理处', 3, 2)")).toString(), QString::fromUtf8("管理"));
  // A character outside the basic plane is one character.
  QString s = QString::fromUtf8("a\U00020000b");
  f.names.insert(QStringLiteral("S"), Variant(s));
  EXPECT_EQ(f.parser.Evaluate(QStringLiteral("COPY(S, 2, 1)")).toString(), QString::fromUtf8("\U00020000"));
  EXPECT_EQ(f.parser.Evaluate(QStringLiteral("COPY(S, 3, 1)")).toString(), QStringLiteral("b"));
}

TEST(ReportParser, NamesReachTheValueHookUpperCasedButBracketsAsWritten) {
  Fixture f;
  f.names.insert(QStringLiteral("TOTAL"), Variant(5));
  f.names.insert(QStringLiteral("Total"), Variant(7));
  EXPECT_EQ(f.parser.Evaluate(QStringLiteral("Total + 1")).toDouble(), 6);
  EXPECT_EQ(f.parser.Evaluate(QStringLiteral("[Total] + 1")).toDouble(), 8);
  EXPECT_EQ(f.resolvedNames, (QStringList{"TOTAL", "Total"}));
  f.names.insert(QStringLiteral("A"), Variant(-1));
  EXPECT_EQ(f.parser.Evaluate(QStringLiteral("[A] = -1")).toInt(), 1);
  // A field reference with a quoted field name is one operand.
  f.names.insert(QString::fromUtf8("frDS.\"收费 金额\""), Variant(12));
  EXPECT_EQ(f.parser.Evaluate(QString::fromUtf8("[frDS.\"收费 金额\"] * 2")).toDouble(), 24);
}

TEST(ReportParser, UnknownCallsReachTheFunctionHookWithUnevaluatedArguments) {
  Fixture f;
  EXPECT_EQ(f.parser.Evaluate(QStringLiteral("sum([Amount])")).toString(), QStringLiteral("fn"));
  EXPECT_EQ(f.parser.Evaluate(QStringLiteral("F(1 + 2, 'a,b', (3, 4))")).toString(), QStringLiteral("fn"));
  EXPECT_EQ(f.calls, (QStringList{"SUM|[Amount]||", "F|1 + 2| 'a,b'| (3, 4)"}));
  f.calls.clear();
  f.parser.Evaluate(QStringLiteral("Arr[3]"));
  EXPECT_EQ(f.calls, (QStringList{"GETARRAY|Arr| 3|"}));
  EXPECT_TRUE(f.resolvedNames.isEmpty());
}

TEST(ReportParser, IfEvaluatesOnlyTheChosenBranch) {
  Fixture f;
  f.parser.Evaluate(QStringLiteral("IF(1 > 2, A(1), B(2))"));
  EXPECT_EQ(f.calls, (QStringList{"B|2||"}));
}

TEST(ReportParser, MalformedExpressionsAreReportedErrors) {
  Fixture f;
  // A fourth argument is not silently merged into the others.
  EXPECT_THROW(f.parser.Evaluate(QStringLiteral("F(1, 2, 3, 4)")), EParserError);
  EXPECT_THROW(f.parser.Evaluate(QStringLiteral("COPY('abc', 1, 2, 3)")), EParserError);
  EXPECT_THROW(f.parser.Evaluate(QStringLiteral("F(1, 2")), EParserError);
  EXPECT_THROW(f.parser.Evaluate(QStringLiteral("1 +")), EParserError);
  EXPECT_THROW(f.parser.Evaluate(QStringLiteral("* 2")), EParserError);
  // Deep nesting beyond the value stack is an error, not a write past its end.
  QString deep;
  for (int i = 0; i < 40; ++i) deep += QStringLiteral("1 + (");
  deep += QStringLiteral("1") + QString(40, QLatin1Char(')'));
  EXPECT_THROW(f.parser.Evaluate(deep), EParserError);
  QString fits;
  for (int i = 0; i < 20; ++i) fits += QStringLiteral("1 + (");
  fits += QStringLiteral("1") + QString(20, QLatin1Char(')'));
  EXPECT_EQ(f.parser.Evaluate(fits).toDouble(), 21);
  // Conversion failures of the operands propagate.
  EXPECT_THROW(f.parser.Evaluate(QStringLiteral("'abc' * 2")), EConvertError);
  EXPECT_THROW(f.parser.Evaluate(QStringLiteral("COPY('abc', 'x', 1)")), EConvertError);
  EXPECT_THROW(f.parser.Evaluate(QStringLiteral("IF('yes', 1, 2)")), EConvertError);
  EXPECT_THROW(f.parser.Evaluate(QStringLiteral("STRTODATE('not a date')")), EConvertError);
}

// Expressions that evaluate expressions nest only so deep: thousands of nested IF, COPY or calls
// whose hook evaluates its argument raise the parser's error instead of overflowing the stack,
// while a nesting of a few dozen evaluates. Parentheses alone never nest an evaluation.
TEST(ReportParser, NestingIsBoundedInEveryPathThatEvaluatesAgain) {
  Fixture f;
  f.parser.FunctionResolver = [&f](const QString& name, const QString& a, const QString&, const QString&, Variant& r) {
    if (name == QLatin1String("SAME")) r = f.parser.Evaluate(a);
  };
  auto nested = [](const QString& open, const QString& inner, const QString& close, int depth) {
    return open.repeated(depth) + inner + close.repeated(depth);
  };
  struct Case {
    const char* what;
    QString open, inner, close;
    Variant value;
    bool bounded;
  };
  const QList<Case> cases = {
      {"IF", "IF(1, ", "'x'", ", 0)", Variant(QStringLiteral("x")), true},
      {"COPY", "COPY(", "'abc'", ", 1, 3)", Variant(QStringLiteral("abc")), true},
      {"a call whose hook evaluates", "SAME(", "7", ")", Variant(7.0), true},
      {"parentheses", "(", "7", ")", Variant(7.0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectSame(f.parser.Evaluate(nested(c.open, c.inner, c.close, 40)), c.value, c.what);
    const QString deep = nested(c.open, c.inner, c.close, 4000);
    if (!c.bounded) {
      expectSame(f.parser.Evaluate(deep), c.value, c.what);
      continue;
    }
    try {
      f.parser.Evaluate(deep);
      ADD_FAILURE() << "no error";
    } catch (const EParserError& e) {
      EXPECT_EQ(e.message(), EvaluationDepth::TooDeepText());
    }
    // The bound is released on the way out: the next evaluation starts from the top.
    expectSame(f.parser.Evaluate(nested(c.open, c.inner, c.close, EvaluationDepth::kLimit - 1)), c.value, c.what);
  }
}

TEST(ReportParser, StrToDateAndStrToTimeGiveDateTimes) {
  Fixture f;
  Variant d = f.parser.Evaluate(QStringLiteral("STRTODATE('2004-6-1')"));
  EXPECT_EQ(d.type(), Variant::DateTime);
  EXPECT_DOUBLE_EQ(d.toDouble(), EncodeDate(2004, 6, 1));
  Variant t = f.parser.Evaluate(QStringLiteral("STRTOTIME('12:30')"));
  EXPECT_DOUBLE_EQ(t.toDouble(), EncodeTime(12, 30, 0));
  // Date plus a number stays a date.
  Variant next = f.parser.Evaluate(QStringLiteral("STRTODATE('2004-6-1') + 1"));
  EXPECT_EQ(next.type(), Variant::DateTime);
  EXPECT_DOUBLE_EQ(next.toDouble(), EncodeDate(2004, 6, 2));
}

TEST(ReportParser, CodedFormIsPostfixWithOneCharacterOperators) {
  TfrParser p;
  const QChar add(43), mul(42), neg(9), lt(60), andOp(5);
  EXPECT_EQ(p.ToCodedForm(QStringLiteral("2 + 3 * 4")), QStringLiteral("2 3 4 ") + mul + add);
  EXPECT_EQ(p.ToCodedForm(QStringLiteral("-x")), QStringLiteral("x ") + neg);
  EXPECT_EQ(p.ToCodedForm(QStringLiteral("(a < b) and c")), QStringLiteral("a b ") + lt + QStringLiteral("c ") + andOp);
  // Calls are copied verbatim without a blank after them.
  EXPECT_EQ(p.ToCodedForm(QStringLiteral("SUM([A], Band1) + 1")), QStringLiteral("SUM([A], Band1)1 ") + add);
  EXPECT_EQ(p.ToCodedForm(QStringLiteral("'a b' + [x y]")), QStringLiteral("'a b' [x y] ") + add);
  EXPECT_EQ(p.ToCodedForm(QStringLiteral("1 ; 2")), QStringLiteral("1 "));
}

TEST(ReportParser, TokenReaders) {
  int pos = 0;
  QString t = QStringLiteral("  abc.\"x y\"+1");
  EXPECT_EQ(TfrParser::ReadName(t, pos), QStringLiteral("abc.\"x y\""));
  EXPECT_EQ(pos, 11);

  t = QStringLiteral("'it''s' rest");
  pos = 0;
  EXPECT_EQ(TfrParser::ReadQuoted(t, pos), QStringLiteral("'it''s'"));
  EXPECT_EQ(pos, 7);
  pos = 0;
  EXPECT_EQ(TfrParser::ReadQuoted(QStringLiteral("'open"), pos), QStringLiteral("'open"));

  int end;
  t = QStringLiteral("[a[b]']'\"]\"c] tail");
  EXPECT_EQ(ReadBracketBlock(t, 0, end), QStringLiteral("a[b]']'\"]\"c"));
  EXPECT_EQ(end, 12);
  EXPECT_EQ(ReadBracketBlock(QStringLiteral("x[1]"), 0, end), QString());
  EXPECT_EQ(end, 0);

  QString a1, a2, a3;
  t = QStringLiteral("(a, (b, c), 'x,y')+");
  pos = 0;
  TfrParser::SplitArguments(t, pos, a1, a2, a3);
  EXPECT_EQ(a1, QStringLiteral("a"));
  EXPECT_EQ(a2, QStringLiteral(" (b, c)"));
  EXPECT_EQ(a3, QStringLiteral(" 'x,y'"));
  EXPECT_EQ(pos, 18);
}

TEST(ReportVariables, ListOperations) {
  TfrVariables v;
  v.PutValue(QStringLiteral("Beta"), Variant(2));
  v.PutValue(QStringLiteral("alpha"), Variant(1));
  v.PutValue(QStringLiteral("BETA"), Variant(3));   // same name, other case: replaced
  EXPECT_EQ(v.EntryCount(), 2);
  EXPECT_EQ(v.ValueOf(QStringLiteral("beta")).toInt(), 3);
  EXPECT_TRUE(v.ValueOf(QStringLiteral("gamma")).isNull());
  EXPECT_EQ(v.ValueAt(5).type(), Variant::Byte);
  EXPECT_EQ(v.NameAt(-1), QString());
  v.PutValueAt(9, Variant(1));   // ignored
  v.SetSortedMode(true);
  EXPECT_EQ(v.NameAt(0), QStringLiteral("alpha"));
  v.PutValue(QStringLiteral("Aardvark"), Variant(0));
  EXPECT_EQ(v.Names(), (QStringList{"Aardvark", "alpha", "Beta"}));
  EXPECT_EQ(v.FindName(QStringLiteral("ALPHA")), 1);
  v.SetSortedMode(false);
  v.InsertNameAt(QStringLiteral("Beta"), 0);
  EXPECT_EQ(v.NameAt(0), QStringLiteral("Beta"));
  EXPECT_EQ(v.ValueAt(0).toInt(), 0);
  v.RenameAt(0, QStringLiteral("Gamma"));
  v.RemoveAt(1);
  EXPECT_EQ(v.Names(), (QStringList{"Gamma", "alpha"}));
  TfrVariables copy;
  copy.PutValue(QStringLiteral("old"), Variant(1));
  copy.CopyFrom(v);
  EXPECT_EQ(copy.Names(), v.Names());
  copy.RemoveAll();
  EXPECT_EQ(copy.EntryCount(), 0);
}

TEST(ReportParser, FunctionSplitterFindsCallsInTextArgumentsAndVariables) {
  QStringList names{"SUM", "AVG"};
  TfrVariables vars;
  vars.PutValue(QStringLiteral("Var1"), Variant(QStringLiteral("SUM([X])")));
  vars.PutValue(QStringLiteral("Loop"), Variant(QStringLiteral("[Loop] + 1")));
  QStringList found;
  TfrFunctionSplitter s(&names, &vars, &found);
  s.Split(QStringLiteral("SUM([A]) + AVG([B])"));
  EXPECT_EQ(found, (QStringList{"SUM([A])", " AVG([B])"}));
  found.clear();
  s.Split(QStringLiteral("[Var1]"));
  EXPECT_EQ(found, (QStringList{"SUM([X])"}));
  found.clear();
  s.Split(QStringLiteral("sum(avg([A]) * 2)"));
  EXPECT_EQ(found, (QStringList{"avg([A])", "sum(avg([A]) * 2)"}));
  found.clear();
  s.Split(QStringLiteral("'SUM([A])'"));
  EXPECT_TRUE(found.isEmpty());
  s.Split(QStringLiteral("[Loop]"));   // a variable naming itself ends, finding nothing
  EXPECT_TRUE(found.isEmpty());
}
