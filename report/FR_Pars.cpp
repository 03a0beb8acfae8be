#include "report/FR_Pars.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <pthread.h>

#include "platform/format.h"
#include "report/FR_Utils.h"
#include "report/FR_ValueRules.h"

namespace {

using namespace frop;

bool isStopChar(QChar c) {
  switch (c.unicode()) {
    case 13: case ' ': case '(': case ')': case '*': case '+': case '-': case '/':
    case '<': case '=': case '>': case '[':
      return true;
    default:
      return false;
  }
}

bool isOperatorChar(QChar c) {
  switch (c.unicode()) {
    case '+': case '-': case '*': case '/': case '<': case '=': case '>': return true;
    default: return false;
  }
}

bool isNumberStart(QChar c) { return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char(','); }

int priority(ushort code) {
  switch (code) {
    case GreaterEq: case LessEq: case NotEq: case Less: case Eq: case Greater: return 3;
    case Or: case And: case Not: case Mod: case Mul: case Div: return 1;
    case Int: case Frac: case Str: case Round: return 0;
    case Neg: case Plus: case Add: case Sub: return 2;
    case '(': return 5;
    default: return 4;
  }
}

bool isBinary(ushort code) {
  switch (code) {
    case GreaterEq: case LessEq: case NotEq: case Or: case And: case Mod:
    case Mul: case Add: case Sub: case Div: case Less: case Eq: case Greater:
      return true;
    default:
      return false;
  }
}

// Operators that stand before their one operand.
bool isPrefix(ushort code) {
  switch (code) {
    case Int: case Frac: case Neg: case Plus: case Str: case Not: case Round: return true;
    default: return false;
  }
}

int operatorWord(const QString& upper) {
  if (upper == QLatin1String("INT")) return Int;
  if (upper == QLatin1String("FRAC")) return Frac;
  if (upper == QLatin1String("ROUND")) return Round;
  if (upper == QLatin1String("STR")) return Str;
  if (upper == QLatin1String("OR")) return Or;
  if (upper == QLatin1String("AND")) return And;
  if (upper == QLatin1String("NOT")) return Not;
  if (upper == QLatin1String("MOD")) return Mod;
  return 0;
}

int toInteger(const Variant& v) {
  QString s = frv::ValueText(v).trimmed();
  bool ok = false;
  int n = s.toInt(&ok, 10);
  if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
  return n;
}

// The value stack of one evaluation.
class ValueStack {
 public:
  ValueStack() { slots_[0] = Variant::byte(0); }
  Variant& nextFree() {
    if (count_ >= TfrParser::kStackSize) throw EParserError(QStringLiteral("Expression too complex"));
    slots_[count_] = Variant();
    return slots_[count_];
  }
  void pushNextFree() { ++count_; }
  void push(const Variant& v) {
    nextFree() = v;
    ++count_;
  }
  void need(int n) const {
    if (count_ < n) throw EParserError(QStringLiteral("Missing operand"));
  }
  Variant& top() { return slots_[count_ - 1]; }
  Variant& below() { return slots_[count_ - 2]; }
  void drop() { --count_; }
  const Variant& result() const { return slots_[0]; }

 private:
  Variant slots_[TfrParser::kStackSize];
  int count_ = 0;
};

}  // namespace

QString ReadBracketBlock(const QString& text, int start, int& end) {
  end = start;
  if (start < 0 || start >= text.size() || text[start] != QLatin1Char('[')) return QString();
  int depth = 0;
  bool single = false, dbl = false;
  int i = start;
  for (; i < text.size(); ++i) {
    QChar c = text[i];
    if (c == QLatin1Char('"') && !single) dbl = !dbl;
    else if (c == QLatin1Char('\'') && !dbl) single = !single;
    else if (!single && !dbl) {
      if (c == QLatin1Char('[')) ++depth;
      else if (c == QLatin1Char(']')) {
        --depth;
        if (depth == 0) break;
      }
    }
  }
  end = i;   // the matching "]", or the text's length when the block is not closed
  return text.mid(start + 1, end - start - 1);
}

// Skips control characters and blanks, then reads up to a stop character; a double quote
// switches the stop characters off until the next double quote (so Source."Field name" is one
// name). The position ends on the stop character.
QString TfrParser::ReadName(const QString& text, int& pos) {
  while (pos < text.size() && text[pos].unicode() <= 32) ++pos;
  int start = pos;
  bool quoted = false;
  while (pos < text.size()) {
    QChar c = text[pos];
    if (c == QLatin1Char('"')) quoted = !quoted;
    else if (!quoted && isStopChar(c)) break;
    ++pos;
  }
  return text.mid(start, pos - start);
}

// From the opening single quote to the quote that closes it (a doubled quote stands for one);
// the result keeps both enclosing quotes. An unterminated literal runs to the end of the text.
QString TfrParser::ReadQuoted(const QString& text, int& pos) {
  int start = pos;
  ++pos;
  while (pos < text.size()) {
    if (text[pos] == QLatin1Char('\'')) {
      if (pos + 1 < text.size() && text[pos + 1] == QLatin1Char('\'')) {
        pos += 2;
        continue;
      }
      ++pos;
      return text.mid(start, pos - start);
    }
    ++pos;
  }
  return text.mid(start);
}

void TfrParser::SplitArguments(const QString& text, int& pos, QString& a1, QString& a2, QString& a3) {
  a1.clear();
  a2.clear();
  a3.clear();
  int depth = 1;
  bool quoted = false;
  int argStart = pos + 1, argNo = 0;
  int i = pos + 1;
  for (; i < text.size(); ++i) {
    QChar c = text[i];
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (quoted) continue;
    if (c == QLatin1Char('(')) ++depth;
    else if (c == QLatin1Char(')')) {
      if (--depth == 0) break;
    } else if (c == QLatin1Char(',') && depth == 1) {
      QString arg = text.mid(argStart, i - argStart);
      if (argNo == 0) a1 = arg;
      else if (argNo == 1) a2 = arg;
      else throw EParserError(QStringLiteral("Too many arguments"));
      ++argNo;
      argStart = i + 1;
    }
  }
  if (i >= text.size()) throw EParserError(QStringLiteral("Need \")\" here"));
  QString last = text.mid(argStart, i - argStart);
  if (argNo == 0) a1 = last;
  else if (argNo == 1) a2 = last;
  else a3 = last;
  pos = i + 1;
}

QString TfrParser::UnquoteLiteral(const QString& literal) {
  QString s = literal.mid(1, literal.size() - 2);
  int at;
  while ((at = s.indexOf(QLatin1String("''"))) >= 0) s.remove(at, 1);
  return s;
}

QString TfrParser::ToCodedForm(const QString& expr) const {
  QString out;
  QString stack;   // operator stack, top first
  bool afterOperand = false;
  int i = 0;
  const int n = expr.size();

  auto handleOperator = [&](ushort code) {
    if (!afterOperand) {
      if (code == Sub) code = Neg;
      else if (code == Add) code = Plus;
    }
    bool prefix = isPrefix(code);
    afterOperand = false;
    // A prefix operator never pops: it waits for its operand, whatever stands on the stack
    // (so 2 * -3 and 1 AND NOT 0 keep the binary operator for after the operand).
    if (!stack.isEmpty() && !prefix && priority(code) >= priority(stack[0].unicode())) {
      while (!stack.isEmpty() && priority(code) >= priority(stack[0].unicode())) {
        out += stack[0];
        stack.remove(0, 1);
      }
    }
    stack.prepend(QChar(code));
  };

  while (i < n) {
    QChar c = expr[i];
    if (c == QLatin1Char(' ') || c.unicode() == 13) {
      ++i;
      continue;
    }
    if (c == QLatin1Char('(')) {
      stack.prepend(c);
      afterOperand = false;
      ++i;
      continue;
    }
    if (c == QLatin1Char(')')) {
      int open = stack.indexOf(QLatin1Char('('));
      if (open >= 0) {
        out += stack.left(open);
        stack.remove(0, open + 1);
      }
      ++i;
      continue;
    }
    if (c == QLatin1Char(';')) break;
    if (isOperatorChar(c)) {
      ushort code = c.unicode();
      QChar next = i + 1 < n ? expr[i + 1] : QChar();
      if (c == QLatin1Char('<') && next == QLatin1Char('>')) code = NotEq, ++i;
      else if (c == QLatin1Char('>') && next == QLatin1Char('=')) code = GreaterEq, ++i;
      else if (c == QLatin1Char('<') && next == QLatin1Char('=')) code = LessEq, ++i;
      ++i;
      handleOperator(code);
      continue;
    }

    // An operand.
    afterOperand = true;
    int opStart = i;
    QString prefixText;
    if (c == QLatin1Char('%')) {
      prefixText = expr.mid(i, 2);
      i += 2;
    }
    QString operand;
    bool isName = false;
    if (i < n && expr[i] == QLatin1Char('\'')) {
      operand = ReadQuoted(expr, i);
    } else if (i < n && expr[i] == QLatin1Char('[')) {
      int end;
      QString inner = ReadBracketBlock(expr, i, end);
      operand = QLatin1Char('[') + inner + QLatin1Char(']');
      i = end + 1;
    } else {
      int before = i;
      operand = ReadName(expr, i);
      isName = true;
      // ";" ends the expression even right after an operand ("1 + 1; 5").
      bool dq = false;
      for (int k = 0; k < operand.size(); ++k) {
        if (operand[k] == QLatin1Char('"')) dq = !dq;
        else if (!dq && operand[k] == QLatin1Char(';')) {
          i -= operand.size() - k;
          operand.truncate(k);
          break;
        }
      }
      if (operand.isEmpty() && i == before && i < n && expr[i] != QLatin1Char('(') && expr[i] != QLatin1Char('[')) {
        // A character no rule reads (a lone "]" or ","): taken as a one-character name.
        operand = expr.mid(i, 1);
        ++i;
      }
      if (i < n && expr[i] == QLatin1Char('[')) {
        int end;
        QString inner = ReadBracketBlock(expr, i, end);
        operand += QLatin1Char('[') + inner + QLatin1Char(']');
        i = end + 1;
      }
    }
    operand = prefixText + operand;
    if (!operand.isEmpty() && isNumberStart(operand[0])) {
      out += operand + QLatin1Char(' ');
      continue;
    }
    if (isName) {
      int word = prefixText.isEmpty() ? operatorWord(operand.toUpper()) : 0;
      if (word) {
        handleOperator(ushort(word));
        continue;
      }
    }
    if (i < n && expr[i] == QLatin1Char('(')) {
      QString a1, a2, a3;
      SplitArguments(expr, i, a1, a2, a3);
      out += expr.mid(opStart, i - opStart);
      continue;
    }
    out += operand + QLatin1Char(' ');
  }
  out += stack;
  return out;
}

Variant TfrParser::callBuiltIn(const QString& name, const QString& a1, const QString& a2, const QString& a3,
                               bool& handled) const {
  handled = true;
  if (name == QLatin1String("COPY")) {
    QString s = frv::ValueText(Evaluate(a1));
    int from = toInteger(Evaluate(a2));
    int count = toInteger(Evaluate(a3));
    return Variant(CharCopy(s, from, count));
  }
  if (name == QLatin1String("IF")) {
    Variant cond = Evaluate(a1);
    bool chosen;
    if (cond.isNullOrEmpty()) chosen = false;
    else if (cond.type() == Variant::Bool) chosen = cond.toBool();
    else chosen = std::trunc(frv::ToDouble(cond)) != 0;
    return Evaluate(chosen ? a2 : a3);
  }
  if (name == QLatin1String("STRTODATE"))
    return Variant::dateTime(StrToDate(frv::ValueText(Evaluate(a1))));
  if (name == QLatin1String("STRTOTIME"))
    return Variant::dateTime(StrToTime(frv::ValueText(Evaluate(a1))));
  handled = false;
  return Variant();
}

namespace {
thread_local int evaluationDepth = 0;

// Room kept free on the stack for what runs below the last level (message boxes, painting).
constexpr uintptr_t kStackReserve = 512 * 1024;

// The lowest address of this thread's stack; 0 when the platform does not tell.
uintptr_t stackLowEnd() {
  thread_local const uintptr_t low = [] {
    uintptr_t result = 0;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return result;
    void* addr = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attr, &addr, &size) == 0) result = reinterpret_cast<uintptr_t>(addr);
    pthread_attr_destroy(&attr);
    return result;
  }();
  return low;
}
}  // namespace

QString EvaluationDepth::TooDeepText() {
  return QStringLiteral("表达式或脚本嵌套过深（超过 %1 层），无法计算").arg(kLimit);
}

EvaluationDepth::EvaluationDepth() {
  char here = 0;
  const uintptr_t low = stackLowEnd();
  const bool stackShort = low != 0 && reinterpret_cast<uintptr_t>(&here) < low + kStackReserve;
  if (evaluationDepth >= kLimit || stackShort) throw EParserError(TooDeepText());
  ++evaluationDepth;
}

EvaluationDepth::~EvaluationDepth() { --evaluationDepth; }

Variant TfrParser::EvaluateCoded(const QString& coded) const {
  const EvaluationDepth depth;
  ValueStack st;
  const int n = coded.size();
  int i = 0;
  while (i < n) {
    ushort c = coded[i].unicode();
    if (c == ' ' || c == Plus) {
      ++i;
      continue;
    }
    if (isBinary(c)) {
      st.need(2);
      Variant& l = st.below();
      const Variant& r = st.top();
      switch (c) {
        case GreaterEq: l = frv::GreaterOrEqual(l, r); break;
        case LessEq: l = frv::LessOrEqual(l, r); break;
        case NotEq: l = frv::NotEqual(l, r); break;
        case Less: l = frv::Less(l, r); break;
        case Eq: l = frv::Equal(l, r); break;
        case Greater: l = frv::Greater(l, r); break;
        case Or: l = frv::Or(l, r); break;
        case And:
        case Mul: l = frv::Multiply(l, r); break;
        case Mod: l = frv::Modulo(l, r); break;
        case Add: l = frv::Add(l, r); break;
        case Sub: l = frv::Subtract(l, r); break;
        case Div: l = frv::Divide(l, r); break;
      }
      st.drop();
      ++i;
      continue;
    }
    if (c == Int || c == Frac || c == Neg || c == Str || c == Not || c == Round) {
      st.need(1);
      Variant& x = st.top();
      switch (c) {
        case Int: x = frv::IntPart(x); break;
        case Frac: x = frv::FracPart(x); break;
        case Neg: x = frv::Negate(x); break;
        case Str: x = Variant(frv::ValueText(x)); break;
        case Not: x = frv::Not(x); break;
        case Round: x = frv::RoundInt(x); break;
      }
      ++i;
      continue;
    }
    if (c == '[') {
      int end;
      QString inner = ReadBracketBlock(coded, i, end);
      Variant& slot = st.nextFree();
      if (ValueResolver) ValueResolver(inner, slot);
      st.pushNextFree();
      i = end + 1;
      continue;
    }
    if (c == '\'') {
      QString lit = ReadQuoted(coded, i);
      st.push(Variant(UnquoteLiteral(lit)));
      ++i;   // the blank after the operand
      continue;
    }
    int before = i;
    QString name = ReadName(coded, i);
    if (!name.isEmpty() && isNumberStart(name[0])) {
      QString t = name;
      t.replace(QLatin1Char(','), QLatin1Char('.'));
      bool ok = false;
      double d = QLocale::c().toDouble(t, &ok);
      if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(name));
      st.push(Variant(d));
      ++i;
      continue;
    }
    QString upper = name.toUpper();
    if (upper == QLatin1String("TRUE") || upper == QLatin1String("FALSE")) {
      st.push(Variant(upper == QLatin1String("TRUE")));
      ++i;
      continue;
    }
    if (i < n && coded[i] == QLatin1Char('[')) {
      int end;
      QString inner = ReadBracketBlock(coded, i, end);
      st.push(Evaluate(QStringLiteral("GETARRAY(") + name + QStringLiteral(", ") + inner + QLatin1Char(')')));
      i = end + 2;   // past "]" and the blank
      continue;
    }
    if (i < n && coded[i] == QLatin1Char('(')) {
      QString a1, a2, a3;
      SplitArguments(coded, i, a1, a2, a3);
      bool handled;
      Variant v = callBuiltIn(upper, a1, a2, a3, handled);
      Variant& slot = st.nextFree();
      if (handled) slot = v;
      else if (FunctionResolver) FunctionResolver(upper, a1, a2, a3, slot);
      st.pushNextFree();
      continue;
    }
    if (name.isEmpty() && i == before) {
      ++i;   // a character no rule reads
      continue;
    }
    Variant& slot = st.nextFree();
    if (ValueResolver) ValueResolver(upper, slot);
    st.pushNextFree();
    ++i;
  }
  return st.result();
}

// ---------------------------------------------------------------------------------------------

int TfrVariables::lowerBound(const QString& name) const {
  int lo = 0, hi = int(entries_.size());
  while (lo < hi) {
    int mid = (lo + hi) / 2;
    if (QString::compare(entries_[mid].name, name, Qt::CaseInsensitive) < 0) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

int TfrVariables::FindName(const QString& name) const {
  if (sorted_) {
    int at = lowerBound(name);
    if (at < int(entries_.size()) && QString::compare(entries_[at].name, name, Qt::CaseInsensitive) == 0) return at;
    return -1;
  }
  for (int i = 0; i < int(entries_.size()); ++i)
    if (QString::compare(entries_[i].name, name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void TfrVariables::PutValue(const QString& name, const Variant& value) {
  int at = FindName(name);
  if (at >= 0) {
    *entries_[at].value = value;
    return;
  }
  Entry e{name, std::make_unique<Variant>(value)};
  if (sorted_) entries_.insert(entries_.begin() + lowerBound(name), std::move(e));
  else entries_.push_back(std::move(e));
}

Variant TfrVariables::ValueOf(const QString& name) const {
  int at = FindName(name);
  return at >= 0 ? *entries_[at].value : Variant::null();
}

void TfrVariables::PutValueAt(int index, const Variant& value) {
  if (index >= 0 && index < EntryCount()) *entries_[index].value = value;
}

Variant TfrVariables::ValueAt(int index) const {
  if (index >= 0 && index < EntryCount()) return *entries_[index].value;
  return Variant::byte(0);
}

void TfrVariables::InsertNameAt(const QString& name, int index) {
  PutValue(name, Variant(0));
  int at = FindName(name);
  if (index < 0) index = 0;
  if (index >= EntryCount()) index = EntryCount() - 1;
  if (at == index) return;
  Entry e = std::move(entries_[at]);
  entries_.erase(entries_.begin() + at);
  entries_.insert(entries_.begin() + index, std::move(e));
}

void TfrVariables::RenameAt(int index, const QString& name) {
  if (index < 0 || index >= EntryCount()) return;
  entries_[index].name = name;
  if (sorted_) SetSortedMode(true);
}

QString TfrVariables::NameAt(int index) const {
  if (index >= 0 && index < EntryCount()) return entries_[index].name;
  return QString();
}

void TfrVariables::RemoveAt(int index) {
  if (index >= 0 && index < EntryCount()) entries_.erase(entries_.begin() + index);
}

void TfrVariables::RemoveAll() {
  while (!entries_.empty()) entries_.erase(entries_.begin());
}

void TfrVariables::CopyFrom(const TfrVariables& other) {
  if (&other == this) return;
  RemoveAll();
  for (int i = 0; i < other.EntryCount(); ++i) PutValue(other.NameAt(i), other.ValueAt(i));
}

void TfrVariables::SetSortedMode(bool sorted) {
  sorted_ = sorted;
  if (!sorted) return;
  std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
  });
  // Names that became equal neighbours (after a rename): the first one stays.
  for (int i = int(entries_.size()) - 1; i > 0; --i)
    if (QString::compare(entries_[i].name, entries_[i - 1].name, Qt::CaseInsensitive) == 0)
      entries_.erase(entries_.begin() + i);
}

QStringList TfrVariables::Names() const {
  QStringList l;
  for (const Entry& e : entries_) l << e.name;
  return l;
}

// ---------------------------------------------------------------------------------------------

bool TfrFunctionSplitter::isListed(const QString& name) const {
  if (!names_) return false;
  QString t = name.trimmed();
  for (const QString& n : *names_)
    if (QString::compare(n, t, Qt::CaseInsensitive) == 0) return true;
  return false;
}

void TfrFunctionSplitter::Split(const QString& text0) {
  // Variables that refer to each other would expand forever; deep nesting stops here.
  if (depth_ > 64) return;
  struct Depth {
    int& d;
    explicit Depth(int& x) : d(x) { ++d; }
    ~Depth() { --d; }
  } guard(depth_);

  QString s = text0.trimmed();
  if (s.isEmpty() || s[0] == QLatin1Char('\'')) return;
  int p = 0;
  while (p < s.size()) {
    if (s[p] == QLatin1Char('[')) {
      int end;
      QString inner = ReadBracketBlock(s, p, end);
      if (variables_ && variables_->Contains(inner)) Split(frv::ValueText(variables_->ValueOf(inner)));
      else Split(inner);
      p = end + 1;
      continue;
    }
    int start = p;
    QString name = TfrParser::ReadName(s, p);
    if (p < s.size() && s[p] == QLatin1Char('(')) {
      QString a1, a2, a3;
      TfrParser::SplitArguments(s, p, a1, a2, a3);
      Split(a1);
      Split(a2);
      Split(a3);
      if (isListed(name) && result_) result_->append(s.mid(start, p - start));
      continue;
    }
    if (!name.isEmpty() && variables_ && variables_->Contains(name)) {
      Split(frv::ValueText(variables_->ValueOf(name)));
      continue;
    }
    if (p < s.size()) {
      QChar c = s[p];
      if (c.unicode() == 13 || c == QLatin1Char(' ') || c == QLatin1Char('*') || c == QLatin1Char('+') ||
          c == QLatin1Char('-') || c == QLatin1Char('/') || c == QLatin1Char('<') || c == QLatin1Char('=') ||
          c == QLatin1Char('>')) {
        ++p;
        continue;
      }
    }
    if (name.isEmpty()) break;
  }
}

// ---------------------------------------------------------------------------------------------

TfrParser& ReportParser() {
  static TfrParser parser;
  return parser;
}

TfrVariables& ReportVariables() {
  static TfrVariables* vars = [] {
    auto* v = new TfrVariables;
    v->SetSortedMode(true);
    return v;
  }();
  return *vars;
}

TfrVariables& ReportConstants() {
  static TfrVariables* consts = [] {
    auto* v = new TfrVariables;
    v->SetSortedMode(true);
    FillReportConstants(*v);
    return v;
  }();
  return *consts;
}
