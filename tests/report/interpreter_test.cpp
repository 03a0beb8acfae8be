// The script compiler (coded lines, error messages and positions) and the interpreter.
#include <gtest/gtest.h>

#include <QMap>

#include "report/FR_Intrp.h"
#include "report/FR_ValueRules.h"

namespace {

// An interpreter over a plain table of variables; calls are recorded.
class TableInterpreter : public TfrInterpretator {
 public:
  QMap<QString, Variant> vars;
  QStringList calls;
  QStringList writes;
  void ReadVariable(const QString& name, Variant& value) override { value = vars.value(name.toUpper()); }
  void WriteVariable(const QString& name, const Variant& value) override {
    writes << name;
    vars[name.toUpper()] = value;
  }
  void CallFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                    Variant& result) override {
    calls << name + QLatin1Char('|') + p1 + QLatin1Char('|') + p2 + QLatin1Char('|') + p3;
    if (name == QLatin1String("SETARRAY")) vars[QStringLiteral("ARR_") + p2.trimmed()] = Parser().Evaluate(p3);
  }

  QStringList compile(const QString& text) {
    QStringList coded, errors;
    CompileScript(text.split(QLatin1Char('\n')), coded, errors);
    lastErrors = errors;
    return coded;
  }
  QStringList run(const QString& text) {
    QStringList coded = compile(text);
    RunScript(coded);
    return coded;
  }
  double num(const char* name) { return frv::ToDouble(vars.value(QString::fromLatin1(name))); }
  QStringList lastErrors;
};

// Line kinds: 'C' conditional jump to n, 'J' jump to n, 'E' expression, 'A' assignment to a name.
QString describe(const QString& line) {
  if (line.isEmpty()) return QStringLiteral("?");
  ushort c = line[0].unicode();
  if (c == 1) return QStringLiteral("C%1").arg(TfrInterpretator::JumpTarget(line));
  if (c == 2) return QStringLiteral("J%1").arg(TfrInterpretator::JumpTarget(line));
  if (c == 3) return QStringLiteral("E");
  return QStringLiteral("A:") + line.section(QLatin1Char(' '), 0, 0);
}

QStringList describeAll(const QStringList& coded) {
  QStringList out;
  for (const QString& l : coded) out << describe(l);
  return out;
}

}  // namespace

TEST(ReportScript, CompilesStatementsIntoTheirCodedLines) {
  struct Case {
    const char* script;
    QStringList shape;
  };
  const Case cases[] = {
      {"begin a := 1; b := a + 1 end", {"A:a", "A:b"}},
      {"begin end", {}},
      {"begin a := 1; end", {"A:a"}},
      {"a := 1; b := 2", {"A:a"}},
      {"if x > 1 then y := 1 else y := 2", {"C3", "A:y", "J4", "A:y"}},
      {"if (x = 1) or (y = 2) then z := 1", {"C2", "A:z"}},
      {"for i := 1 to 3 do n := n + 1", {"A:i", "C5", "A:n", "A:i", "J1"}},
      {"while i < 3 do i := i + 1", {"C3", "A:i", "J0"}},
      {"repeat i := i + 1 until i >= 5", {"A:i", "C0"}},
      {"begin 10: i := i + 1; if i < 5 then goto 10 end", {"A:i", "C3", "J0"}},
      {"Memo1.Hide;", {"E"}},
      {"ShowBand(Band1)", {"E"}},
      {"Arr[2] := 5", {"E"}},
      {"begin exit; a := 1 end", {"E", "A:a"}},
      {"begin\n  a := 1; { a comment; with := and end }\n  // another comment\n  b := 2\nend", {"A:a", "A:b"}},
  };
  for (const Case& c : cases) {
    TableInterpreter in;
    QStringList coded = in.compile(QString::fromUtf8(c.script));
    EXPECT_EQ(describeAll(coded), c.shape) << c.script;
    EXPECT_TRUE(in.lastErrors.isEmpty()) << c.script << ": " << in.lastErrors.join(QLatin1Char(';')).toStdString();
  }
}

TEST(ReportScript, CallsAndArrayTargetsBecomeExpressionLines) {
  TableInterpreter in;
  QStringList coded = in.compile(QStringLiteral("begin Memo1.Hide; Arr[2] := 5 end"));
  ASSERT_EQ(coded.size(), 2);
  EXPECT_EQ(coded[0], QChar(3) + QStringLiteral("Memo1.Hide(0)"));
  EXPECT_EQ(coded[1], QChar(3) + QStringLiteral("SETARRAY(Arr, 2,  5)"));
  in.RunScript(coded);
  EXPECT_EQ(in.calls, (QStringList{"MEMO1.HIDE|0||", "SETARRAY|Arr| 2|  5"}));
  EXPECT_EQ(in.num("ARR_2"), 5);
}

TEST(ReportScript, ReportsTheTenMessagesWithLineAndColumn) {
  struct Case {
    const char* script;
    const char* error;
  };
  const Case cases[] = {
      {"begin x := 1 y := 2 end", "Line 1/14: Need \";\" or \"end\" here"},
      {"if x = 1 or y = 2 then z := 1", "Line 1/15: Need \"then\" here"},   // at the second "="
      {"repeat i := 1 x := 2", "Line 1/15: Need \";\" or \"until\" here"},
      {"while i < 3 i := 1", "Line 1/13: Need \"do\" here"},
      {"for i := 1 do x := 1", "Line 1/12: Need \"to\" here"},
      {"for i := 1 to 3 x := 1", "Line 1/17: Need \"do\" here"},
      {"goto abc", "Line 1/6: \"goto\" label must be a number"},
      {"exit", "Line 1/5: Need \":=\" here"},
      {"x := (1 + 2", "Line 1/12: Need \")\" here"},
      {"x := [abc", "Line 1/6: Need \"]\" here"},
      {"x := F(1 2)", "Line 1/10: Need \",\" or \")\" here"},
      {"begin\n  a := 1; {skip\n this} b := 2\n  c := 3\nend", "Line 4/3: Need \";\" or \"end\" here"},
      {"begin // note\n\ta := 1 b := 2 end", "Line 2/9: Need \";\" or \"end\" here"},
  };
  for (const Case& c : cases) {
    TableInterpreter in;
    in.compile(QString::fromUtf8(c.script));
    EXPECT_EQ(in.lastErrors, QStringList{QString::fromUtf8(c.error)})
        << c.script << " gave " << in.lastErrors.join(QLatin1Char('|')).toStdString();
  }
}

TEST(ReportScript, MalformedFactorsStopTheCompileWithoutAnErrorLine) {
  TableInterpreter in;
  QStringList coded = in.compile(QStringLiteral("begin a := 1;; b := 2 end"));
  EXPECT_EQ(describeAll(coded), (QStringList{"A:a", "E"}));
  EXPECT_TRUE(in.lastErrors.isEmpty());
  in.compile(QStringLiteral("x := 'unterminated"));
  EXPECT_TRUE(in.lastErrors.isEmpty());
  in.compile(QStringLiteral("x := 1."));
  EXPECT_TRUE(in.lastErrors.isEmpty());
}

TEST(ReportScript, GotoToAnUndefinedLabelIsAnErrorAndNeverJumpsAnywhere) {
  TableInterpreter in;
  QStringList coded = in.compile(QStringLiteral("begin a := 1; goto 20; a := 2 end"));
  EXPECT_EQ(in.lastErrors, QStringList{QStringLiteral("Line 1/20: Label \"20\" is not defined")});
  in.RunScript(coded);   // the bad jump ends the script
  EXPECT_EQ(in.num("A"), 1);
}

TEST(ReportScript, TooManyArgumentsIsAnErrorLine) {
  TableInterpreter in;
  in.compile(QStringLiteral("begin a := 1;\n b := F(1, 2, 3, 4) end"));
  EXPECT_EQ(in.lastErrors, QStringList{QStringLiteral("Line 2/2: Too many arguments")});
}

// Statements and expressions nested thousands deep are a compile error line instead of a stack
// overflow; a long flat sum is no nesting and compiles and runs.
TEST(ReportScript, DeepNestingIsAnErrorLineAndLongSumsAreNot) {
  const int n = 5000;
  const QList<std::pair<const char*, QString>> deep = {
      {"blocks", QStringLiteral("begin ").repeated(n) + "a := 1" + QStringLiteral(" end").repeated(n)},
      {"if statements", QStringLiteral("if 1 then ").repeated(n) + "a := 1"},
      {"while statements", QStringLiteral("while 0 do ").repeated(n) + "a := 1"},
      {"parentheses", "a := " + QStringLiteral("(").repeated(n) + "1" + QStringLiteral(")").repeated(n)},
      {"signs", "a := " + QStringLiteral("- ").repeated(n) + "1"},
      {"call arguments", "a := " + QStringLiteral("F(").repeated(n) + "1" + QStringLiteral(")").repeated(n)},
  };
  for (const auto& [what, text] : deep) {
    SCOPED_TRACE(what);
    TableInterpreter t;
    t.compile(text);
    ASSERT_EQ(t.lastErrors.size(), 1) << t.lastErrors.join(" | ").toStdString();
    EXPECT_TRUE(t.lastErrors.first().startsWith("Line 1/")) << t.lastErrors.first().toStdString();
    EXPECT_TRUE(t.lastErrors.first().endsWith(EvaluationDepth::TooDeepText())) << t.lastErrors.first().toStdString();
  }
  TableInterpreter t;
  t.run("a := 1" + QStringLiteral(" + 1").repeated(20000) + " - 2 * 3 * 1" + QStringLiteral(" * 1").repeated(20000));
  EXPECT_TRUE(t.lastErrors.isEmpty()) << t.lastErrors.join(" | ").toStdString();
  EXPECT_EQ(t.num("A"), 20001 - 6);
}

TEST(ReportScript, RunsLoopsAndLeavesTheirVariablesAsTheLanguageDefines) {
  TableInterpreter in;
  in.vars[QStringLiteral("N")] = Variant(0);
  in.run(QStringLiteral("for i := 1 to 3 do n := n + 1"));
  EXPECT_EQ(in.num("N"), 3);
  EXPECT_EQ(in.num("I"), 4);

  in.vars[QStringLiteral("I")] = Variant(0);
  in.run(QStringLiteral("repeat i := i + 1 until i >= 5"));
  EXPECT_EQ(in.num("I"), 5);

  in.vars[QStringLiteral("I")] = Variant(0);
  in.run(QStringLiteral("begin 10: i := i + 1; if i < 5 then goto 10 end"));
  EXPECT_EQ(in.num("I"), 5);

  in.vars[QStringLiteral("I")] = Variant(0);
  in.vars[QStringLiteral("S")] = Variant(0);
  in.run(QStringLiteral("while i < 4 do begin i := i + 1; s := s + i end"));
  EXPECT_EQ(in.num("S"), 10);

  in.vars[QStringLiteral("X")] = Variant(5);
  in.run(QStringLiteral("if x > 1 then y := 1 else y := 2"));
  EXPECT_EQ(in.num("Y"), 1);
  in.vars[QStringLiteral("X")] = Variant(0);
  in.run(QStringLiteral("if x > 1 then y := 1 else y := 2"));
  EXPECT_EQ(in.num("Y"), 2);

  // The end value is evaluated again before every pass.
  in.vars[QStringLiteral("M")] = Variant(3);
  in.vars[QStringLiteral("N")] = Variant(0);
  in.run(QStringLiteral("for i := 1 to m do begin n := n + 1; m := 2 end"));
  EXPECT_EQ(in.num("N"), 2);
}

TEST(ReportScript, ExitStopsTheScript) {
  TableInterpreter in;
  in.run(QStringLiteral("begin b := 1; exit; a := 1 end"));
  EXPECT_EQ(in.writes, QStringList{QStringLiteral("b")});
}

TEST(ReportScript, AssignmentTargetsKeepTheirWrittenNames) {
  TableInterpreter in;
  in.run(QStringLiteral("begin Memo1.Visible := 0; Total := 2 * 3 end"));
  EXPECT_EQ(in.writes, (QStringList{"Memo1.Visible", "Total"}));
  EXPECT_EQ(in.num("TOTAL"), 6);
}

TEST(ReportScript, SourceAndCodedMayBeTheSameList) {
  TableInterpreter in;
  QStringList lines{QStringLiteral("begin"), QStringLiteral("  a := 2"), QStringLiteral("end")};
  QStringList errors{QStringLiteral("old")};
  in.CompileScript(lines, lines, errors);
  EXPECT_TRUE(errors.isEmpty());
  EXPECT_EQ(describeAll(lines), QStringList{QStringLiteral("A:a")});
  in.RunScript(lines);
  EXPECT_EQ(in.num("A"), 2);
}

TEST(ReportScript, SplitsTheExpressionsOfItsLines) {
  TableInterpreter in;
  QStringList coded = in.compile(QStringLiteral("begin if SUM([A]) > 0 then t := AVG([B]); Show(COUNT(Band1)) end"));
  QStringList found;
  in.SplitScriptExpressions(coded, QStringList{"SUM", "AVG", "COUNT"}, nullptr, found);
  for (QString& f : found) f = f.trimmed();
  EXPECT_EQ(found, (QStringList{"SUM([A])", "AVG([B])", "COUNT(Band1)"}));
}
