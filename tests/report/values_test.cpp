// Report values: the name lookup order, the report and standard functions, display formats and
// the assignment targets of report scripts.
#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "platform/exception.h"
#include "report/FR_Intrp.h"
#include "report/FR_Utils.h"
#include "report/FR_Values.h"
#include "tests/support/scripted_ui.h"

namespace {

class ReportValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReportVariables().RemoveAll();
    report.Bind();
    report.DateSnapshot = EncodeDate(2024, 1, 5);
    report.PageNo = 2;
  }
  void TearDown() override {
    report.Unbind();
    ReportVariables().RemoveAll();
  }
  QString block(const QString& text, const TfrDisplayFormat& f = {}, bool hideZeros = false) {
    return report.EvaluateBlock(text, f, hideZeros);
  }
  Variant eval(const QString& text) { return ReportParser().Evaluate(text); }
  TfrReportValues report;
};

}  // namespace

TEST_F(ReportValuesTest, LooksNamesUpInTheFixedOrder) {
  // Special names.
  EXPECT_EQ(block(QStringLiteral("PAGE#")), QStringLiteral("3"));
  EXPECT_EQ(block(QStringLiteral("Page# + 1")), QStringLiteral("4"));
  EXPECT_EQ(eval(QStringLiteral("[DATE]")).type(), Variant::DateTime);
  // A name as an expression, constants.
  EXPECT_EQ(block(QStringLiteral("1 + 2")), QStringLiteral("3"));
  EXPECT_EQ(eval(QStringLiteral("clRed")).toInt(), 0xFF);
  EXPECT_EQ(eval(QStringLiteral("[fsBold] + mrOk")).toInt(), 3);
  EXPECT_TRUE(eval(QStringLiteral("[Null]")).isNull());
  EXPECT_EQ(eval(QStringLiteral("[CRLF]")).toString(), QStringLiteral("\r\n"));

  // Run-time variables come before constants, special names before run-time variables.
  ReportVariables().PutValue(QStringLiteral("clRed"), Variant(7));
  ReportVariables().PutValue(QStringLiteral("PAGE#"), Variant(99));
  EXPECT_EQ(eval(QStringLiteral("clRed")).toInt(), 7);
  EXPECT_EQ(eval(QStringLiteral("[PAGE#]")).toInt(), 3);

  // The dictionary comes before special names, the report's event before everything.
  ReportVariables().RemoveAll();
  report.Dictionary.Variables.PutValue(QStringLiteral("PAGE#"), Variant(QStringLiteral("40 + 2")));
  EXPECT_EQ(eval(QStringLiteral("[PAGE#]")).toDouble(), 42);
  report.OnGetValue = [](const QString& name, Variant& v) {
    if (name.compare(QLatin1String("PAGE#"), Qt::CaseInsensitive) == 0) v = Variant(QStringLiteral("event"));
  };
  EXPECT_EQ(eval(QStringLiteral("[PAGE#]")).toString(), QStringLiteral("event"));

  // Layout values and object properties.
  report.CurY = 100;
  report.CurBottom = 1000;
  EXPECT_EQ(eval(QStringLiteral("FREESPACE")).toInt(), 900);
  report.PropRead = [](const QString& name, Variant& v) {
    if (name != QLatin1String("MEMO1.LEFT")) return false;
    v = Variant(12);
    return true;
  };
  EXPECT_EQ(eval(QStringLiteral("Memo1.Left * 2")).toDouble(), 24);
}

TEST_F(ReportValuesTest, UndefinedAndSelfReferringNamesAreErrors) {
  try {
    block(QStringLiteral("Nothing"));
    FAIL() << "no error";
  } catch (const EParserError& e) {
    EXPECT_TRUE(e.message().startsWith(QString::fromUtf8("符号没定义 \""))) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(QLatin1String("NOTHING"), Qt::CaseInsensitive));
  }
  // A dictionary variable that refers to itself, directly or through another, ends with the
  // same error instead of recursing.
  report.Dictionary.Variables.PutValue(QStringLiteral("Loop"), Variant(QStringLiteral("[Loop] + 1")));
  EXPECT_THROW(block(QStringLiteral("Loop")), EParserError);
  report.Dictionary.Variables.PutValue(QStringLiteral("A1"), Variant(QStringLiteral("[B1]")));
  report.Dictionary.Variables.PutValue(QStringLiteral("B1"), Variant(QStringLiteral("[A1] * 2")));
  EXPECT_THROW(block(QStringLiteral("A1")), EParserError);
  // While aggregates are collected an undefined name gives nothing instead.
  report.CollectingAggregates = true;
  EXPECT_EQ(block(QStringLiteral("Nothing")), QString());
}

TEST_F(ReportValuesTest, DictionaryVariablesEvaluateAndScriptsOverwriteThem) {
  report.Dictionary.Variables.PutValue(QStringLiteral("Six"), Variant(QStringLiteral("2*3")));
  EXPECT_EQ(block(QStringLiteral("Six")), QStringLiteral("6"));
  QStringList coded, errors;
  ReportInterpreter().CompileScript({QStringLiteral("Six := 5")}, coded, errors);
  ReportInterpreter().RunScript(coded);
  EXPECT_EQ(block(QStringLiteral("Six")), QStringLiteral("5"));
  EXPECT_FALSE(ReportVariables().Contains(QStringLiteral("Six")));
}

TEST_F(ReportValuesTest, ScriptAssignmentsGoToTheFirstTargetThatTakesThem) {
  QStringList progress;
  QStringList props;
  report.Progress = [&](const QString& t) { progress << t; };
  report.PropWrite = [&](const QString& name, const Variant& v) {
    if (!name.startsWith(QLatin1String("Memo1."))) return false;
    props << name + QLatin1Char('=') + v.toString();
    return true;
  };
  QStringList coded, errors;
  ReportInterpreter().CompileScript(
      {QStringLiteral("begin CurY := 150; Progress := 'half'; Memo1.Visible := 0; Total := 5; Total := Total + 1 end")},
      coded, errors);
  ASSERT_TRUE(errors.isEmpty());
  ReportInterpreter().RunScript(coded);
  EXPECT_EQ(report.CurY, 150);
  EXPECT_EQ(progress, QStringList{QStringLiteral("half")});
  EXPECT_EQ(props, QStringList{QStringLiteral("Memo1.Visible=0")});
  EXPECT_EQ(ReportVariables().ValueOf(QStringLiteral("Total")).toDouble(), 6);
}

TEST_F(ReportValuesTest, ReportFunctions) {
  eval(QStringLiteral("SETARRAY(A, 1, 5)"));
  EXPECT_EQ(eval(QStringLiteral("GETARRAY(A, 1)")).toDouble(), 5);
  EXPECT_EQ(eval(QStringLiteral("A[1] + 1")).toDouble(), 6);
  EXPECT_TRUE(ReportVariables().Contains(QStringLiteral("Arr_A_1")));
  eval(QStringLiteral("SETARRAY(A, 'k', 'v')"));
  EXPECT_EQ(eval(QStringLiteral("A['k']")).toString(), QStringLiteral("v"));

  ReportVariables().PutValue(QStringLiteral("Counter"), Variant(1));
  eval(QStringLiteral("INC(Counter)"));
  eval(QStringLiteral("INC(Counter)"));
  eval(QStringLiteral("DEC(Counter)"));
  EXPECT_EQ(ReportVariables().ValueOf(QStringLiteral("Counter")).toInt(), 2);

  // A bare name is not a call: NEWPAGE alone is an undefined symbol.
  EXPECT_THROW(eval(QStringLiteral("NEWPAGE")), EParserError);
  EXPECT_EQ(report.NewPageRequests, 0);
  QStringList coded, errors;
  ReportInterpreter().CompileScript({QStringLiteral("begin NewPage; NewColumn; StopReport end")}, coded, errors);
  ReportInterpreter().RunScript(coded);
  EXPECT_EQ(report.NewPageRequests, 1);
  EXPECT_EQ(report.NewColumnRequests, 1);
  EXPECT_TRUE(report.Terminated);

  QString shown;
  report.ShowBand = [&](const QString& b) { shown = b; };
  eval(QStringLiteral("SHOWBAND(Band3)"));
  EXPECT_EQ(shown, QStringLiteral("Band3"));

  QStringList user;
  report.OnUserFunction = [&](const QString& n, const QString& a, const QString&, const QString&, Variant& v) {
    user << n + QLatin1Char(':') + a;
    v = Variant(QStringLiteral("user"));
  };
  EXPECT_EQ(eval(QStringLiteral("MYFUNC(1)")).toString(), QStringLiteral("user"));
  EXPECT_EQ(user, QStringList{QStringLiteral("MYFUNC:1")});
}

TEST_F(ReportValuesTest, StandardFunctions) {
  struct Case {
    const char* expr;
    const char* text;
  };
  const Case cases[] = {
      {"LENGTH('物业')", "2"},   // characters, like COPY
      {"LENGTH('ab')", "2"},
      {"POS('b', 'abc')", "2"},
      {"POS('管理', '物业管理处')", "3"},
      {"POS('x', 'abc')", "0"},
      {"NAMECASE('hELLO wORLD')", "Hello world"},
      {"UPPERCASE('abc')", "ABC"},
      {"LOWERCASE('ABC')", "abc"},
      {"TRIM('  a b  ')", "a b"},
      {"MAXNUM(2, 5)", "5"},
      {"MINNUM(2, 5)", "2"},
      {"FORMATFLOAT('#,##0.00', 1234.5)", "1,234.50"},
      {"FORMATDATETIME('yyyy-mm-dd', STRTODATE('2024-1-5'))", "2024-01-05"},
      {"DAYOF(STRTODATE('2024-2-29'))", "29"},
      {"MONTHOF(STRTODATE('2024-2-29'))", "2"},
      {"YEAROF(STRTODATE('2024-2-29'))", "2024"},
      {"FIELDISNULL('noSource.noField')", "True"},
      {"FORMATTEXT('000-0000', '1234567')", "123-4567"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(block(QString::fromUtf8(c.expr)), QString::fromUtf8(c.text)) << c.expr;
  // MAXNUM of two equal values yields the second.
  EXPECT_EQ(eval(QStringLiteral("MAXNUM(2, '2')")).type(), Variant::String);
  // Aggregates without the band engine compute nothing.
  EXPECT_EQ(eval(QStringLiteral("SUM([x])")).toString(), QStringLiteral("0"));
}

TEST_F(ReportValuesTest, FormatSuffixes) {
  ReportVariables().PutValue(QStringLiteral("Amount"), Variant(1234.5));
  ReportVariables().PutValue(QStringLiteral("Day"), Variant::dateTime(EncodeDateTime(2024, 1, 5, 8, 30, 0)));
  ReportVariables().PutValue(QStringLiteral("Yes"), Variant(true));
  ReportVariables().PutValue(QStringLiteral("No"), Variant(false));
  struct Case {
    const char* block;
    const char* text;
  };
  const Case cases[] = {
      {"Amount #N0,2", "1234,50"},
      {"Amount #0,2", "1234,50"},
      {"Amount #N0.1", "1234.5"},
      {"Amount #N0.0", "1235"},
      {"Amount #N#,##0.00", "1,234.50"},
      {"Amount #n# ##0,00", "1 234,50"},
      {"Day #Dyyyy-mm-dd", "2024-01-05"},
      {"Day #Tdd", "05"},
      {"Day #Thh:nn", "08:30"},
      {"Yes #B否;是", "是"},
      {"No #B否;是", "否"},
      {"1 #B否;是", "是"},
      {"Amount #Xsomething", "1234.5"},
      {"Amount", "1234.5"},
  };
  for (const Case& c : cases) EXPECT_EQ(block(QString::fromUtf8(c.block)), QString::fromUtf8(c.text)) << c.block;
  // A text that does not fit the format is shown unformatted.
  EXPECT_EQ(block(QStringLiteral("'abc' #N0.2")), QStringLiteral("abc"));
}

TEST_F(ReportValuesTest, ObjectFormatsAndHiddenZeros) {
  TfrDisplayFormat money{MakeFormatWord(fcNumber, 2, 2, '.'), QString()};
  ReportVariables().PutValue(QStringLiteral("Amount"), Variant(1234567.891));
  EXPECT_EQ(block(QStringLiteral("Amount"), money), QStringLiteral("1,234,567.89"));
  TfrDisplayFormat fixed{MakeFormatWord(fcNumber, 1, 1, ','), QString()};
  EXPECT_EQ(block(QStringLiteral("Amount"), fixed), QStringLiteral("1234567,9"));
  TfrDisplayFormat date1{MakeFormatWord(fcDate, 1), QString()};
  EXPECT_EQ(block(QStringLiteral("[DATE]"), date1), QStringLiteral("2024.01.05"));
  TfrDisplayFormat longDate{MakeFormatWord(fcDate, 2), QString()};
  EXPECT_EQ(block(QStringLiteral("[DATE]"), longDate), QString::fromUtf8("2024年01月05日"));
  TfrDisplayFormat boolean{MakeFormatWord(fcBoolean, 3), QString()};
  EXPECT_EQ(block(QStringLiteral("1 = 1"), boolean), QString::fromUtf8("真"));
  // A suffix takes the place of the object's format.
  EXPECT_EQ(block(QStringLiteral("Amount #N0.1"), money), QStringLiteral("1234567.9"));

  EXPECT_EQ(block(QStringLiteral("0"), {}, true), QString());
  EXPECT_EQ(block(QStringLiteral("'0'"), {}, true), QStringLiteral("0"));
  EXPECT_EQ(block(QStringLiteral("5 - 5"), money, true), QString());
  EXPECT_EQ(block(QStringLiteral("[Null]")), QString());
  EXPECT_EQ(block(QStringLiteral("'  '"), money), QString());
}


TEST_F(ReportValuesTest, InputAndMessageBoxGoThroughThePlatformDialogs) {
  ScriptedUi ui;
  ui.answerInput(QStringLiteral("typed"));
  EXPECT_EQ(eval(QString::fromUtf8("INPUT('请输入', 'x')")).toString(), QStringLiteral("typed"));
  ui.cancel(ScriptedUi::Dialog::Input);
  EXPECT_EQ(eval(QString::fromUtf8("INPUT('请输入', 'def')")).toString(), QStringLiteral("def"));
  ui.answerMessage(mrYes);
  EXPECT_EQ(eval(QStringLiteral("MESSAGEBOX('Go on?', 'Title', mb_YesNo + mb_IconQuestion)")).toInt(), mrYes);
  EXPECT_EQ(ui.lastMessage().text, QStringLiteral("Go on?"));
  EXPECT_EQ(ui.lastMessage().caption, QStringLiteral("Title"));
}
