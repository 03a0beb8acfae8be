#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/variant.h"
#include "report/FR_Pars.h"

class TfrReportValues;

// The script language of report objects, bands and pages.
//
// CompileScript turns the source lines into coded lines, each told apart by its first character:
//   code 1  conditional jump: two characters of target line (low byte, high byte), then the
//           condition in coded form; jumps when the condition equals 0.
//   code 2  jump: two characters of target line.
//   code 3  expression statement: the expression in coded form, evaluated, its value dropped.
//   other   assignment: the target name, one blank, the expression in coded form.
// Compile errors never raise; each is a line "Line L/C: message" of the error list, L and C
// counting from 1 in the source as written (comments included).
class TfrInterpretator {
 public:
  TfrInterpretator();
  virtual ~TfrInterpretator() = default;
  TfrInterpretator(const TfrInterpretator&) = delete;
  TfrInterpretator& operator=(const TfrInterpretator&) = delete;

  virtual void ReadVariable(const QString& name, Variant& value) {}
  virtual void WriteVariable(const QString& name, const Variant& value) {}
  virtual void CallFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                            Variant& result) {}

  // `source` and `coded` may be the same list. `errors` is cleared first.
  virtual void CompileScript(const QStringList& source, QStringList& coded, QStringList& errors);
  // Runs coded lines from the first; run-time errors of expressions propagate.
  virtual void RunScript(const QStringList& coded);

  // Appends to `result` every call of one of `functionNames` in the expressions of the coded
  // lines (and in the variables those expressions name).
  void SplitScriptExpressions(const QStringList& coded, const QStringList& functionNames, TfrVariables* variables,
                              QStringList& result);

  TfrParser& Parser() { return parser_; }

  // Asked before every line a script runs; true ends the script there (a cancelled build).
  std::function<bool()> StopRequested;

  // Target line of a jump line (code 1 or 2).
  static int JumpTarget(const QString& line);

 private:
  TfrParser parser_;
};

// The interpreter that runs the scripts of a report build: names and calls go through the hooks
// of ReportParser (so scripts see exactly what expressions see), and assignments go to the
// report's variables, dictionary, special names and object properties (see WriteVariable).
class TInterpretator : public TfrInterpretator {
 public:
  void ReadVariable(const QString& name, Variant& value) override;
  void WriteVariable(const QString& name, const Variant& value) override;
  void CallFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                    Variant& result) override;

  // The report whose dictionary and hooks assignments use; none means only ReportVariables.
  TfrReportValues* Report = nullptr;
};

// The process-wide interpreter of report builds.
TInterpretator& ReportInterpreter();
