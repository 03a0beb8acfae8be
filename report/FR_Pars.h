#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/exception.h"
#include "platform/variant.h"

// The expression language of the report engine: the parser that turns an expression into its
// postfix coded form and evaluates it, the named-value lists, and the finder of function calls.
//
// Positions passed to the token readers are 0-based character indexes into the text.

// A malformed expression found while evaluating it (an operator without its operands, a value
// stack overflow, a call with too many arguments or without its closing parenthesis).
class EParserError : public Exception { using Exception::Exception; };

// Bounds the nesting of evaluation in one thread: expressions that evaluate expressions (IF, COPY,
// report functions, variables that name expressions, array access), scripts that print bands whose
// scripts run again, child bands. Entering one level more than kLimit, or with the stack nearly
// used up, raises EParserError instead of overflowing the stack.
class EvaluationDepth {
 public:
  static constexpr int kLimit = 256;
  EvaluationDepth();
  ~EvaluationDepth();
  EvaluationDepth(const EvaluationDepth&) = delete;
  EvaluationDepth& operator=(const EvaluationDepth&) = delete;
  // The text of the error raised.
  static QString TooDeepText();
};

// Operator codes of the coded form (one character each).
namespace frop {
enum Code : ushort {
  GreaterEq = 1, LessEq = 2, NotEq = 3, Or = 4, And = 5, Int = 6, Frac = 7,
  Neg = 9, Plus = 10, Str = 11, Not = 12, Mod = 13, Round = 14,
  Mul = 42, Add = 43, Sub = 45, Div = 47, Less = 60, Eq = 61, Greater = 62,
};
}

// Reads the bracket block that opens at `start` (which must hold "["): sets `end` to the matching
// "]" (or to the text's length when it is missing) and returns the text between. Brackets inside
// single- or double-quoted text do not count. When `start` holds no "[", returns the empty text
// and sets end = start.
QString ReadBracketBlock(const QString& text, int start, int& end);

class TfrParser {
 public:
  // Name (plain names upper-cased, bracket operands as written) and the value slot to fill.
  using ValueResolverFn = std::function<void(const QString& name, Variant& value)>;
  // Upper-cased function name, the three argument texts unevaluated (absent ones empty), result.
  using FunctionResolverFn =
      std::function<void(const QString& name, const QString& p1, const QString& p2, const QString& p3, Variant& result)>;

  // Room of the evaluation stack; an expression that needs more raises EParserError.
  static constexpr int kStackSize = 32;

  ValueResolverFn ValueResolver;
  FunctionResolverFn FunctionResolver;

  QString ToCodedForm(const QString& expression) const;
  Variant EvaluateCoded(const QString& coded) const;
  Variant Evaluate(const QString& expression) const { return EvaluateCoded(ToCodedForm(expression)); }

  // Token readers (see the class comment of each in the source).
  static QString ReadName(const QString& text, int& pos);
  static QString ReadQuoted(const QString& text, int& pos);
  // `pos` on "("; afterwards just after the matching ")". A fourth argument raises EParserError,
  // as does a text that ends before the parenthesis closes.
  static void SplitArguments(const QString& text, int& pos, QString& a1, QString& a2, QString& a3);

  // The literal's text without its quotes, every run of quotes shrunk by one quote per pair.
  static QString UnquoteLiteral(const QString& literal);

 private:
  Variant callBuiltIn(const QString& upperName, const QString& a1, const QString& a2, const QString& a3,
                      bool& handled) const;
};

// An ordered list of named values. Names compare without letter case; a name is held at most once.
// In sorted mode the list is kept in name order and found by binary search.
class TfrVariables {
 public:
  TfrVariables() = default;
  ~TfrVariables() { RemoveAll(); }
  TfrVariables(const TfrVariables&) = delete;
  TfrVariables& operator=(const TfrVariables&) = delete;

  void PutValue(const QString& name, const Variant& value);
  Variant ValueOf(const QString& name) const;          // Null when absent
  void PutValueAt(int index, const Variant& value);    // ignored out of range
  Variant ValueAt(int index) const;                    // byte 0 when out of range
  int FindName(const QString& name) const;             // -1 when absent
  void InsertNameAt(const QString& name, int index);
  int EntryCount() const { return int(entries_.size()); }
  void RenameAt(int index, const QString& name);
  QString NameAt(int index) const;
  void RemoveAt(int index);
  void RemoveAll();
  void CopyFrom(const TfrVariables& other);
  void SetSortedMode(bool sorted);
  bool SortedMode() const { return sorted_; }
  bool Contains(const QString& name) const { return FindName(name) >= 0; }
  QStringList Names() const;

 private:
  struct Entry {
    QString name;
    std::unique_ptr<Variant> value;
  };
  int lowerBound(const QString& name) const;
  std::vector<Entry> entries_;
  bool sorted_ = false;
};

// Finds the calls of given functions in an expression, in the expressions its bracket blocks
// name through a variables list, and in the arguments of other calls. Found calls are appended
// to the result list with the text that precedes them since the previous token (leading blanks
// kept); calls inside arguments come before the call that holds them.
class TfrFunctionSplitter {
 public:
  TfrFunctionSplitter(const QStringList* functionNames, TfrVariables* variables, QStringList* result)
      : names_(functionNames), variables_(variables), result_(result) {}
  virtual ~TfrFunctionSplitter() = default;
  void Split(const QString& text);

 protected:
  void setFunctionNames(const QStringList* names) { names_ = names; }

 private:
  bool isListed(const QString& name) const;
  const QStringList* names_;
  TfrVariables* variables_;
  QStringList* result_;
  int depth_ = 0;
};

// The process-wide parser, run-time variables and named constants of the report engine.
TfrParser& ReportParser();
TfrVariables& ReportVariables();
TfrVariables& ReportConstants();
