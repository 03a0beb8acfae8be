#include "report/FR_Intrp.h"

#include <QVector>
#include <algorithm>

#include "report/FR_ValueRules.h"
#include "report/FR_Values.h"

namespace {

const QChar kCond(1), kJump(2), kExpr(3);
const int kMaxLines = 65535;   // jump targets are two 8-bit characters

QString targetChars(int target) {
  return QString(QChar(ushort(target & 0xFF))) + QChar(ushort((target >> 8) & 0xFF));
}

bool isNameStart(QChar c) {
  ushort u = c.unicode();
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= 128 && c.isLetter());
}

bool isNameChar(QChar c) {
  ushort u = c.unicode();
  return isNameStart(c) || (u >= '0' && u <= '9') || u == '.' || u == '_';
}

bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// Compiles one script into coded lines (before the expressions are put in coded form).
class ScriptCompiler {
 public:
  ScriptCompiler(const QStringList& source, QStringList& out, QStringList& errors) : out_(out), errors_(errors) {
    for (const QString& line : source) {
      QString l = line;
      l.replace(QChar(9), QChar(' '));
      buf_ += l + QChar(13);
    }
    original_ = buf_;
  }

  void compile() {
    if (!buf_.isEmpty()) compileStatement();
  }

  // Puts the lines' expressions in coded form and resolves goto labels.
  void secondPass(const TfrParser& parser) {
    for (int i = 0; i < out_.size(); ++i) {
      QString& line = out_[i];
      try {
        if (line.isEmpty()) continue;
        QChar c = line[0];
        if (c == kJump) {
          auto g = std::find_if(gotos_.begin(), gotos_.end(), [i](const Goto& x) { return x.line == i; });
          if (g == gotos_.end()) continue;
          QString label = line.mid(1) + QLatin1Char(':');
          auto l = std::find_if(labels_.begin(), labels_.end(), [&](const Label& x) { return x.name == label; });
          if (l == labels_.end()) {
            // A jump to a label that no line carries would go nowhere sensible: reported, and
            // the line ends the script if it is run anyway.
            errorAtOriginal(g->origPos, QStringLiteral("Label \"%1\" is not defined").arg(line.mid(1)));
            line = kJump + targetChars(kMaxLines);
          } else {
            line = kJump + targetChars(l->line);
          }
        } else if (c == kCond) {
          line = line.left(3) + parser.ToCodedForm(line.mid(3));
        } else if (c == kExpr) {
          line = line.left(1) + parser.ToCodedForm(line.mid(1));
        } else {
          int p = 0;
          while (p < line.size() && line[p].unicode() <= 32) ++p;
          while (p < line.size() && line[p].unicode() > 32) ++p;
          if (p < line.size()) ++p;   // the separator
          line = line.left(p) + parser.ToCodedForm(line.mid(p));
        }
      } catch (const Exception& e) {
        // A line cut short by an earlier error is not reported a second time.
        if (!failed_) errorAtOriginal(i < origins_.size() ? origins_[i] : 0, e.message());
        line = kExpr;   // an empty statement in its place
      }
    }
  }

 private:
  struct Comment {
    int origPos;
    int length;
  };
  struct Label {
    QString name;
    int line;
  };
  struct Goto {
    int line;
    int origPos;
  };

  // ---- positions and errors

  int originalOf(int p) const {
    int o = p;
    for (const Comment& c : comments_)   // kept in order of original position
      if (c.origPos <= o) o += c.length;
    return o;
  }

  void removeComment(int at, int length) {
    int orig = originalOf(at);
    buf_.remove(at, length);
    Comment c{orig, length};
    auto it = std::upper_bound(comments_.begin(), comments_.end(), c,
                               [](const Comment& a, const Comment& b) { return a.origPos < b.origPos; });
    comments_.insert(it, c);
  }

  // Removes a comment starting at `p` when there is one; true when something was removed.
  bool removeCommentAt(int p) {
    if (p >= buf_.size()) return false;
    if (buf_[p] == QLatin1Char('{')) {
      int close = buf_.indexOf(QLatin1Char('}'), p + 1);
      removeComment(p, (close < 0 ? buf_.size() : close + 1) - p);
      return true;
    }
    if (buf_[p] == QLatin1Char('/') && p + 1 < buf_.size() && buf_[p + 1] == QLatin1Char('/')) {
      int cr = buf_.indexOf(QChar(13), p + 2);
      removeComment(p, (cr < 0 ? buf_.size() : cr + 1) - p);
      return true;
    }
    return false;
  }

  void skipBlanks() {
    while (pos_ < buf_.size()) {
      if (buf_[pos_].unicode() <= 32) ++pos_;
      else if (!removeCommentAt(pos_)) break;
    }
  }

  void fail() { failed_ = true; }

  void error(int p, const QString& message) {
    while (p < buf_.size() && buf_[p].unicode() <= 32) ++p;
    errorAtOriginal(originalOf(p), message);
    failed_ = true;
  }

  void errorAtOriginal(int orig, const QString& message) {
    orig = std::min<int>(orig, original_.size());
    // At the very end of the text the position is the end of the last line, not the line after.
    if (orig > 0 && orig == original_.size() && original_[orig - 1].unicode() == 13) --orig;
    int line = 1, lineStart = 0;
    for (int i = 0; i < orig; ++i)
      if (original_[i].unicode() == 13) ++line, lineStart = i + 1;
    errors_ << QStringLiteral("Line %1/%2: %3").arg(line).arg(orig - lineStart + 1).arg(message);
  }

  // ---- words

  // Skips blanks and comments, then reads up to the next character of code 32 or less; the
  // word upper-cased, or a single blank at the end of the text.
  QString nextWord() {
    skipBlanks();
    lastWordStart_ = pos_;
    bool quoted = false;
    while (pos_ < buf_.size() && buf_[pos_].unicode() > 32) {
      if (!quoted && removeCommentAt(pos_)) continue;
      if (buf_[pos_] == QLatin1Char('\'')) quoted = !quoted;
      ++pos_;
    }
    QString w = buf_.mid(lastWordStart_, pos_ - lastWordStart_).toUpper();
    return w.isEmpty() ? QStringLiteral(" ") : w;
  }

  // Whether the text at pos_ is a word beginning with `keyword` (letter case ignored).
  bool atWord(const char* keyword) const {
    QString k = QString::fromLatin1(keyword);
    return buf_.mid(pos_, k.size()).compare(k, Qt::CaseInsensitive) == 0;
  }

  // ---- output

  void append(const QString& line, int bufPos) {
    out_ << line;
    origins_ << originalOf(bufPos);
  }

  void setTarget(int line, int target) {
    if (target > kMaxLines) {
      error(pos_, QStringLiteral("Script is too long"));
      return;
    }
    out_[line] = out_[line].left(1) + targetChars(target) + out_[line].mid(3);
  }

  QString jumpTo(int target) {
    if (target > kMaxLines) {
      error(pos_, QStringLiteral("Script is too long"));
      return targetChars(kMaxLines);
    }
    return targetChars(target);
  }

  // ---- statements

  // Nesting of statements and of expressions is bounded, so that no script can use up the stack.
  class Nesting {
   public:
    explicit Nesting(ScriptCompiler& c) : c_(c) { ++c_.nesting_; }
    ~Nesting() { --c_.nesting_; }
    bool tooDeep() {
      if (c_.nesting_ <= EvaluationDepth::kLimit) return false;
      if (!c_.failed_) c_.error(c_.pos_, EvaluationDepth::TooDeepText());
      c_.failed_ = true;
      return true;
    }

   private:
    ScriptCompiler& c_;
  };

  void compileStatement() {
    if (failed_) return;
    Nesting nesting(*this);
    if (nesting.tooDeep()) return;
    int start = pos_;
    QString w = nextWord();
    if (w == QLatin1String("BEGIN")) return compileBlock();
    if (w == QLatin1String("IF")) return compileIf();
    if (w == QLatin1String("REPEAT")) return compileRepeat();
    if (w == QLatin1String("WHILE")) return compileWhile();
    if (w == QLatin1String("FOR")) return compileFor();
    if (w == QLatin1String("GOTO")) return compileGoto();
    if (w == QLatin1String("END") || w == QLatin1String("END;") || w == QLatin1String("UNTIL")) {
      pos_ = lastWordStart_;   // an empty statement: the word belongs to the enclosing construct
      return;
    }
    pos_ = lastWordStart_;
    Q_UNUSED(start);

    // A label: digits directly followed by ":".
    int p = pos_;
    while (p < buf_.size() && isDigit(buf_[p])) ++p;
    if (p > pos_ && p < buf_.size() && buf_[p] == QLatin1Char(':') &&
        !(p + 1 < buf_.size() && buf_[p + 1] == QLatin1Char('='))) {
      QString name = buf_.mid(pos_, p + 1 - pos_).left(16);
      if (std::none_of(labels_.begin(), labels_.end(), [&](const Label& l) { return l.name == name; }))
        labels_.append({name, int(out_.size())});
      pos_ = p + 1;
      compileStatement();
      return;
    }

    if (pos_ < buf_.size() && isNameStart(buf_[pos_])) {
      int q = scanName(pos_);
      if (q < buf_.size() && buf_[q] == QLatin1Char('[')) q = scanBracket(q);
      if (!(q >= 0 && q < buf_.size() && buf_[q] == QLatin1Char('('))) {
        compileAssignment();
        return;
      }
    }

    int es = pos_;
    checkExpression();
    append(kExpr + buf_.mid(es, pos_ - es), es);
  }

  void compileBlock() {
    while (true) {
      compileStatement();
      if (failed_) return;
      QString w = nextWord();
      if (w.startsWith(QLatin1Char(';'))) {
        pos_ = lastWordStart_ + 1;
        continue;
      }
      if (w == QLatin1String("END") || w == QLatin1String("END;")) {
        pos_ = lastWordStart_ + 3;
        return;
      }
      error(lastWordStart_, QStringLiteral("Need \";\" or \"end\" here"));
      return;
    }
  }

  void compileIf() {
    int cs = pos_;
    if (!checkExpression()) return;
    int ifLine = out_.size();
    append(kCond + QStringLiteral("  ") + buf_.mid(cs, pos_ - cs), cs);
    if (nextWord() != QLatin1String("THEN")) return error(lastWordStart_, QStringLiteral("Need \"then\" here"));
    compileStatement();
    if (failed_) return;
    if (nextWord() == QLatin1String("ELSE")) {
      int jump = out_.size();
      append(kJump + QStringLiteral("  "), lastWordStart_);
      setTarget(ifLine, out_.size());
      compileStatement();
      if (failed_) return;
      setTarget(jump, out_.size());
    } else {
      pos_ = lastWordStart_;
      setTarget(ifLine, out_.size());
    }
  }

  void compileRepeat() {
    int start = out_.size();
    while (true) {
      compileStatement();
      if (failed_) return;
      QString w = nextWord();
      if (w.startsWith(QLatin1Char(';'))) {
        pos_ = lastWordStart_ + 1;
        continue;
      }
      if (w == QLatin1String("UNTIL")) break;
      return error(lastWordStart_, QStringLiteral("Need \";\" or \"until\" here"));
    }
    int cs = pos_;
    if (!checkExpression()) return;
    append(kCond + jumpTo(start) + buf_.mid(cs, pos_ - cs), cs);
  }

  void compileWhile() {
    int start = out_.size();
    int cs = pos_;
    if (!checkExpression()) return;
    int condLine = out_.size();
    append(kCond + QStringLiteral("  ") + buf_.mid(cs, pos_ - cs), cs);
    if (nextWord() != QLatin1String("DO")) return error(lastWordStart_, QStringLiteral("Need \"do\" here"));
    compileStatement();
    if (failed_) return;
    append(kJump + jumpTo(start), pos_);
    setTarget(condLine, out_.size());
  }

  void compileFor() {
    skipBlanks();
    if (!(pos_ < buf_.size() && isNameStart(buf_[pos_]))) return fail();
    QString name = compileAssignment();
    if (failed_) return;
    if (nextWord() != QLatin1String("TO")) return error(lastWordStart_, QStringLiteral("Need \"to\" here"));
    int es = pos_;
    if (!checkExpression()) return;
    int condLine = out_.size();
    append(kCond + QStringLiteral("  ") + name + QStringLiteral("<=") + buf_.mid(es, pos_ - es), es);
    if (nextWord() != QLatin1String("DO")) return error(lastWordStart_, QStringLiteral("Need \"do\" here"));
    compileStatement();
    if (failed_) return;
    append(name + QLatin1Char(' ') + name + QStringLiteral("+1"), pos_);
    append(kJump + jumpTo(condLine), pos_);
    setTarget(condLine, out_.size());
  }

  void compileGoto() {
    skipBlanks();
    int ls = pos_;
    while (pos_ < buf_.size() && isDigit(buf_[pos_])) ++pos_;
    if (pos_ == ls) return error(ls, QStringLiteral("\"goto\" label must be a number"));
    gotos_.append({int(out_.size()), originalOf(ls)});
    append(kJump + buf_.mid(ls, pos_ - ls), ls);
  }

  // A name (with an optional index) at pos_: a call without arguments, or an assignment.
  // Returns the target name as written.
  QString compileAssignment() {
    skipBlanks();
    int ns = pos_;
    int q = scanName(pos_);
    QString name = buf_.mid(ns, q - ns);
    QString index;
    bool indexed = false;
    if (q < buf_.size() && buf_[q] == QLatin1Char('[')) {
      int close = scanBracket(q);
      if (close < 0) {
        error(q, QStringLiteral("Need \"]\" here"));
        return name;
      }
      index = buf_.mid(q + 1, close - q - 2);
      indexed = true;
      q = close;
    }
    QString target = buf_.mid(ns, q - ns);
    pos_ = q;
    QString w = nextWord();
    if (w.startsWith(QLatin1Char(';')) || w == QLatin1String("END") || w == QLatin1String("END;") ||
        w == QLatin1String("ELSE") || w == QLatin1String("UNTIL")) {
      pos_ = lastWordStart_;
      append(kExpr + target + QStringLiteral("(0)"), ns);
      return name;
    }
    if (w.startsWith(QLatin1String(":="))) {
      pos_ = lastWordStart_ + 2;
      int es = pos_;
      checkExpression();
      QString text = buf_.mid(es, pos_ - es);
      if (indexed)
        append(kExpr + QStringLiteral("SETARRAY(") + name + QStringLiteral(", ") + index + QStringLiteral(", ") + text +
                   QLatin1Char(')'),
               ns);
      else
        append(name + QLatin1Char(' ') + text, ns);
      return name;
    }
    error(lastWordStart_, QStringLiteral("Need \":=\" here"));
    return name;
  }

  int scanName(int p) const {
    if (p < buf_.size() && isNameStart(buf_[p])) ++p;
    while (p < buf_.size() && isNameChar(buf_[p])) ++p;
    return p;
  }

  // From "[" at p: the position after the matching "]", or -1 when it is missing.
  int scanBracket(int p) const {
    int depth = 0;
    bool single = false, dbl = false;
    for (int i = p; i < buf_.size(); ++i) {
      QChar c = buf_[i];
      if (c == QLatin1Char('"') && !single) dbl = !dbl;
      else if (c == QLatin1Char('\'') && !dbl) single = !single;
      else if (!single && !dbl) {
        if (c == QLatin1Char('[')) ++depth;
        else if (c == QLatin1Char(']') && --depth == 0) return i + 1;
      }
    }
    return -1;
  }

  // ---- expression check: finds where an expression ends and whether it is well formed.

  bool checkExpression() {
    if (!expression()) {
      failed_ = true;
      return false;
    }
    return true;
  }

  bool expression() {
    Nesting nesting(*this);
    if (nesting.tooDeep()) return false;
    if (!simple()) return false;
    int save = pos_;
    skipBlanks();
    QString two = buf_.mid(pos_, 2);
    if (two == QLatin1String(">=") || two == QLatin1String("<=") || two == QLatin1String("<>")) {
      pos_ += 2;
      return simple();
    }
    if (pos_ < buf_.size() && (buf_[pos_] == QLatin1Char('<') || buf_[pos_] == QLatin1Char('=') ||
                               buf_[pos_] == QLatin1Char('>'))) {
      ++pos_;
      return simple();
    }
    pos_ = save;
    return true;
  }

  // term, then any number of (+, - or OR) term.
  bool simple() {
    while (true) {
      if (!term()) return false;
      int save = pos_;
      skipBlanks();
      if (pos_ < buf_.size() && (buf_[pos_] == QLatin1Char('+') || buf_[pos_] == QLatin1Char('-'))) {
        ++pos_;
        continue;
      }
      if (atWord("OR")) {
        pos_ += 2;
        continue;
      }
      pos_ = save;
      return true;
    }
  }

  // factor, then any number of (*, /, AND or MOD) factor.
  bool term() {
    while (true) {
      if (!factor()) return false;
      int save = pos_;
      skipBlanks();
      if (pos_ < buf_.size() && (buf_[pos_] == QLatin1Char('*') || buf_[pos_] == QLatin1Char('/'))) {
        ++pos_;
        continue;
      }
      if (atWord("AND") || atWord("MOD")) {
        pos_ += 3;
        continue;
      }
      pos_ = save;
      return true;
    }
  }

  bool factor() {
    skipBlanks();
    if (pos_ >= buf_.size()) return false;
    QChar c = buf_[pos_];
    if (c == QLatin1Char('(')) {
      ++pos_;
      if (!expression()) return false;
      skipBlanks();
      if (pos_ >= buf_.size() || buf_[pos_] != QLatin1Char(')')) {
        error(pos_, QStringLiteral("Need \")\" here"));
        return false;
      }
      ++pos_;
      return true;
    }
    if (c == QLatin1Char('[')) {
      int after = scanBracket(pos_);
      if (after < 0) {
        error(pos_, QStringLiteral("Need \"]\" here"));
        return false;
      }
      pos_ = after;
      return true;
    }
    if (c == QLatin1Char('+') || c == QLatin1Char('-')) {
      ++pos_;
      return expression();
    }
    if (atWord("NOT") && !(pos_ + 3 < buf_.size() && isNameChar(buf_[pos_ + 3]))) {
      pos_ += 3;
      return expression();
    }
    if (isNameStart(c)) {
      pos_ = scanName(pos_);
      if (pos_ < buf_.size() && buf_[pos_] == QLatin1Char('[')) {
        ++pos_;
        if (!expression()) return false;
        skipBlanks();
        if (pos_ >= buf_.size() || buf_[pos_] != QLatin1Char(']')) {
          error(pos_, QStringLiteral("Need \"]\" here"));
          return false;
        }
        ++pos_;
      }
      if (pos_ < buf_.size() && buf_[pos_] == QLatin1Char('(')) {
        ++pos_;
        skipBlanks();
        if (pos_ < buf_.size() && buf_[pos_] == QLatin1Char(')')) {
          ++pos_;
          return true;
        }
        while (true) {
          if (!expression()) return false;
          skipBlanks();
          if (pos_ < buf_.size() && buf_[pos_] == QLatin1Char(',')) {
            ++pos_;
            continue;
          }
          if (pos_ < buf_.size() && buf_[pos_] == QLatin1Char(')')) {
            ++pos_;
            return true;
          }
          error(pos_, QStringLiteral("Need \",\" or \")\" here"));
          return false;
        }
      }
      return true;
    }
    if (isDigit(c)) {
      while (pos_ < buf_.size() && isDigit(buf_[pos_])) ++pos_;
      if (pos_ < buf_.size() && buf_[pos_] == QLatin1Char('.')) {
        ++pos_;
        if (!(pos_ < buf_.size() && isDigit(buf_[pos_]))) return false;
        while (pos_ < buf_.size() && isDigit(buf_[pos_])) ++pos_;
      }
      return true;
    }
    if (c == QLatin1Char('\'')) {
      ++pos_;
      while (pos_ < buf_.size()) {
        if (buf_[pos_] == QLatin1Char('\'')) {
          if (pos_ + 1 < buf_.size() && buf_[pos_ + 1] == QLatin1Char('\'')) {
            pos_ += 2;
            continue;
          }
          ++pos_;
          return true;
        }
        ++pos_;
      }
      return false;
    }
    return false;
  }

  QStringList& out_;
  QStringList& errors_;
  QVector<int> origins_;   // original position of each coded line's statement
  QString buf_, original_;
  int pos_ = 0;
  int lastWordStart_ = 0;
  bool failed_ = false;
  QVector<Comment> comments_;
  QVector<Label> labels_;
  QVector<Goto> gotos_;
  int nesting_ = 0;
};

}  // namespace

TfrInterpretator::TfrInterpretator() {
  parser_.ValueResolver = [this](const QString& name, Variant& value) { ReadVariable(name, value); };
  parser_.FunctionResolver = [this](const QString& name, const QString& p1, const QString& p2, const QString& p3,
                                    Variant& result) { CallFunction(name, p1, p2, p3, result); };
}

void TfrInterpretator::CompileScript(const QStringList& source0, QStringList& coded, QStringList& errors) {
  const QStringList source = source0;   // the same list may be both source and output
  coded.clear();
  errors.clear();
  ScriptCompiler c(source, coded, errors);
  c.compile();
  c.secondPass(parser_);
}

int TfrInterpretator::JumpTarget(const QString& line) {
  if (line.size() < 3) return kMaxLines;
  return line[1].unicode() | (line[2].unicode() << 8);
}

void TfrInterpretator::RunScript(const QStringList& coded) {
  int i = 0;
  const int n = coded.size();
  while (i >= 0 && i < n) {
    if (StopRequested && StopRequested()) return;
    const QString& line = coded[i];
    if (line.isEmpty()) {
      ++i;
      continue;
    }
    QChar c = line[0];
    if (c == kCond) {
      Variant v = parser_.EvaluateCoded(line.mid(3));
      i = frv::IsZero(v) ? JumpTarget(line) : i + 1;
    } else if (c == kJump) {
      i = JumpTarget(line);
    } else if (c == kExpr) {
      QString rest = line.mid(1);
      if (rest.trimmed().toUpper() == QLatin1String("EXIT(0)")) return;
      parser_.EvaluateCoded(rest);
      ++i;
    } else {
      int p = 0;
      while (p < line.size() && line[p].unicode() <= 32) ++p;
      int ws = p;
      while (p < line.size() && line[p].unicode() > 32) ++p;
      QString target = line.mid(ws, p - ws);
      Variant v = parser_.EvaluateCoded(line.mid(p < line.size() ? p + 1 : p));
      WriteVariable(target, v);
      ++i;
    }
  }
}

void TfrInterpretator::SplitScriptExpressions(const QStringList& coded, const QStringList& functionNames,
                                              TfrVariables* variables, QStringList& result) {
  TfrFunctionSplitter splitter(&functionNames, variables, &result);
  for (const QString& line : coded) {
    if (line.isEmpty()) continue;
    if (line[0] == kCond) splitter.Split(line.mid(3));
    else if (line[0] == kExpr) splitter.Split(line.mid(1));
    else if (line[0] == kJump) continue;
    else {
      int p = 0;
      while (p < line.size() && line[p].unicode() <= 32) ++p;
      while (p < line.size() && line[p].unicode() > 32) ++p;
      splitter.Split(line.mid(p));
    }
  }
}

// ---------------------------------------------------------------------------------------------

void TInterpretator::ReadVariable(const QString& name, Variant& value) {
  if (ReportParser().ValueResolver) ReportParser().ValueResolver(name, value);
}

void TInterpretator::CallFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                                  Variant& result) {
  if (ReportParser().FunctionResolver) ReportParser().FunctionResolver(name, p1, p2, p3, result);
}

void TInterpretator::WriteVariable(const QString& name, const Variant& value) {
  TfrVariables& vars = ReportVariables();
  if (vars.Contains(name)) {
    vars.PutValue(name, value);
    return;
  }
  if (Report && Report->WriteSpecialVariable(name, value)) return;
  vars.PutValue(name, value);
}

TInterpretator& ReportInterpreter() {
  static TInterpretator interpreter;
  return interpreter;
}
