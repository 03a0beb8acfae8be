#include "platform/data/datasetfilter.h"

#include <QRegularExpression>
#include <vector>

#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/data/jet.h"
#include "platform/exception.h"

// ---- syntax tree --------------------------------------------------------------------------

namespace {

struct Operand {
  bool isField = false;
  QString name;                 // field name
  const TField* field = nullptr;
  Variant value = Variant::null();
};

enum NodeKind { nkOr, nkAnd, nkNot, nkCompare, nkIsNull, nkLike, nkIn, nkOperand };
enum CompareOp { coEq, coNe, coLt, coGt, coLe, coGe };

}  // namespace

struct TDataSetFilter::Node {
  NodeKind kind = nkOperand;
  CompareOp op = coEq;
  bool negated = false;                      // IS NOT NULL, NOT LIKE, NOT IN
  std::vector<std::unique_ptr<Node>> kids;   // AND / OR / NOT
  Operand left, right;                       // comparisons; LIKE: right is the pattern
  std::vector<Operand> list;                 // IN
  QRegularExpression pattern;                // LIKE
};

namespace {

using Node = TDataSetFilter::Node;

enum TokKind { tkEnd, tkName, tkQuotedName, tkText, tkNumber, tkDate, tkSymbol };
struct Token {
  TokKind kind = tkEnd;
  QString text;
  int pos = 0;
};

class Reader {
 public:
  explicit Reader(const QString& text) : s_(text) { Advance(); }

  std::unique_ptr<Node> ParseAll() {
    auto n = ParseOr();
    if (tok_.kind != tkEnd) Fail(QStringLiteral("“%1”处多出了内容").arg(Near()));
    return n;
  }

 private:
  [[noreturn]] void Fail(const QString& reason) const {
    throw EDatabaseError(QStringLiteral("过滤条件有误：%1。\n%2").arg(reason, s_));
  }
  QString Near() const { return s_.mid(tok_.pos, 12).trimmed(); }
  bool IsWord(const char* w) const {
    return tok_.kind == tkName && tok_.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
  }
  bool IsSymbol(const char* sym) const { return tok_.kind == tkSymbol && tok_.text == QLatin1String(sym); }
  void Expect(const char* sym) {
    if (!IsSymbol(sym)) Fail(QStringLiteral("缺少“%1”").arg(QLatin1String(sym)));
    Advance();
  }

  void Advance() {
    while (p_ < s_.size() && s_[p_].isSpace()) ++p_;
    tok_ = Token{};
    tok_.pos = int(p_);
    if (p_ >= s_.size()) return;
    const QChar c = s_[p_];
    auto readQuoted = [&](QChar close, const QString& missing) {
      QString out;
      ++p_;
      for (;;) {
        if (p_ >= s_.size()) Fail(missing);
        if (s_[p_] == close) {
          if (close != QLatin1Char(']') && p_ + 1 < s_.size() && s_[p_ + 1] == close) {
            out += close;
            p_ += 2;
            continue;
          }
          ++p_;
          return out;
        }
        out += s_[p_++];
      }
    };
    if (c == QLatin1Char('\'')) {
      tok_.kind = tkText;
      tok_.text = readQuoted(c, QStringLiteral("文字缺少右引号“'”"));
    } else if (c == QLatin1Char('"')) {
      tok_.kind = tkQuotedName;
      tok_.text = readQuoted(c, QStringLiteral("字段名缺少右引号“\"”"));
    } else if (c == QLatin1Char('[')) {
      tok_.kind = tkQuotedName;
      tok_.text = readQuoted(QLatin1Char(']'), QStringLiteral("字段名缺少“]”"));
    } else if (c == QLatin1Char('#')) {
      const qsizetype end = s_.indexOf(QLatin1Char('#'), p_ + 1);
      if (end < 0) Fail(QStringLiteral("日期缺少右边的“#”"));
      tok_.kind = tkDate;
      tok_.text = s_.mid(p_ + 1, end - p_ - 1);
      p_ = end + 1;
    } else if (c.isDigit() || (c == QLatin1Char('.') && p_ + 1 < s_.size() && s_[p_ + 1].isDigit())) {
      const qsizetype start = p_;
      while (p_ < s_.size() && (s_[p_].isDigit() || s_[p_] == QLatin1Char('.'))) ++p_;
      if (p_ < s_.size() && (s_[p_] == QLatin1Char('e') || s_[p_] == QLatin1Char('E'))) {
        qsizetype q = p_ + 1;
        if (q < s_.size() && (s_[q] == QLatin1Char('+') || s_[q] == QLatin1Char('-'))) ++q;
        if (q < s_.size() && s_[q].isDigit()) {
          p_ = q;
          while (p_ < s_.size() && s_[p_].isDigit()) ++p_;
        }
      }
      tok_.kind = tkNumber;
      tok_.text = s_.mid(start, p_ - start);
    } else if (c.isLetter() || c == QLatin1Char('_')) {
      const qsizetype start = p_;
      while (p_ < s_.size() && (s_[p_].isLetterOrNumber() || s_[p_] == QLatin1Char('_'))) ++p_;
      tok_.kind = tkName;
      tok_.text = s_.mid(start, p_ - start);
    } else {
      static const char* const two[] = {"<>", "<=", ">=", "!="};
      for (const char* t : two) {
        if (s_.mid(p_, 2) == QLatin1String(t)) {
          tok_.kind = tkSymbol;
          tok_.text = QLatin1String(t);
          p_ += 2;
          return;
        }
      }
      if (QStringLiteral("=<>(),-+").contains(c)) {
        tok_.kind = tkSymbol;
        tok_.text = c;
        ++p_;
        return;
      }
      Fail(QStringLiteral("不认识的字符“%1”").arg(c));
    }
  }

  std::unique_ptr<Node> Junction(NodeKind kind, std::unique_ptr<Node> a, std::unique_ptr<Node> b) {
    auto n = std::make_unique<Node>();
    n->kind = kind;
    n->kids.push_back(std::move(a));
    n->kids.push_back(std::move(b));
    return n;
  }

  std::unique_ptr<Node> ParseOr() {
    auto n = ParseAnd();
    while (IsWord("OR")) {
      Advance();
      n = Junction(nkOr, std::move(n), ParseAnd());
    }
    return n;
  }
  std::unique_ptr<Node> ParseAnd() {
    auto n = ParseNot();
    while (IsWord("AND")) {
      Advance();
      n = Junction(nkAnd, std::move(n), ParseNot());
    }
    return n;
  }
  std::unique_ptr<Node> ParseNot() {
    if (IsWord("NOT")) {
      Advance();
      auto n = std::make_unique<Node>();
      n->kind = nkNot;
      n->kids.push_back(ParseNot());
      return n;
    }
    if (IsSymbol("(")) {
      Advance();
      auto n = ParseOr();
      Expect(")");
      return n;
    }
    return ParseCondition();
  }

  std::unique_ptr<Node> ParseCondition() {
    auto n = std::make_unique<Node>();
    n->left = ParseOperand();
    if (IsWord("IS")) {
      Advance();
      n->kind = nkIsNull;
      if (IsWord("NOT")) {
        n->negated = true;
        Advance();
      }
      if (!IsWord("NULL")) Fail(QStringLiteral("IS 后应为 NULL 或 NOT NULL"));
      Advance();
      return n;
    }
    bool negated = false;
    if (IsWord("NOT")) {
      negated = true;
      Advance();
      if (!IsWord("LIKE") && !IsWord("IN")) Fail(QStringLiteral("NOT 后应为 LIKE 或 IN"));
    }
    if (IsWord("LIKE")) {
      Advance();
      n->kind = nkLike;
      n->negated = negated;
      n->right = ParseOperand();
      if (n->right.isField || n->right.value.isNull()) Fail(QStringLiteral("LIKE 后应为一段文字"));
      QChar escape;
      if (IsWord("ESCAPE")) {
        Advance();
        if (tok_.kind != tkText || tok_.text.size() != 1) Fail(QStringLiteral("ESCAPE 后应为一个字符"));
        escape = tok_.text[0];
        Advance();
      }
      n->pattern = LikePattern(n->right.value.toString(), escape);
      return n;
    }
    if (IsWord("IN")) {
      Advance();
      n->kind = nkIn;
      n->negated = negated;
      Expect("(");
      n->list.push_back(ParseOperand());
      while (IsSymbol(",")) {
        Advance();
        n->list.push_back(ParseOperand());
      }
      Expect(")");
      return n;
    }
    static const struct { const char* text; CompareOp op; } ops[] = {
        {"=", coEq}, {"<>", coNe}, {"!=", coNe}, {"<", coLt}, {">", coGt}, {"<=", coLe}, {">=", coGe}};
    for (const auto& o : ops) {
      if (IsSymbol(o.text)) {
        Advance();
        n->kind = nkCompare;
        n->op = o.op;
        n->right = ParseOperand();
        return n;
      }
    }
    if (!n->left.isField && n->left.value.type() == Variant::Bool) {
      n->kind = nkOperand;  // a bare True or False
      return n;
    }
    if (tok_.kind == tkEnd) Fail(QStringLiteral("条件不完整，缺少比较运算符"));
    Fail(QStringLiteral("“%1”处应为比较运算符（= <> < > <= >= LIKE IN IS）").arg(Near()));
  }

  Operand ParseOperand() {
    Operand o;
    bool negative = false;
    if (IsSymbol("-") || IsSymbol("+")) {
      negative = IsSymbol("-");
      Advance();
      if (tok_.kind != tkNumber) Fail(QStringLiteral("符号后应为数字"));
    }
    switch (tok_.kind) {
      case tkEnd:
        Fail(QStringLiteral("条件不完整，缺少值"));
      case tkText:
        o.value = Variant(tok_.text);
        break;
      case tkNumber: {
        bool ok = false;
        const double d = tok_.text.toDouble(&ok);
        if (!ok) Fail(QStringLiteral("“%1”不是有效的数字").arg(tok_.text));
        o.value = Variant(negative ? -d : d);
        break;
      }
      case tkDate:
        o.value = DateValue(tok_.text);
        break;
      case tkQuotedName:
        o.isField = true;
        o.name = tok_.text;
        break;
      case tkName: {
        const QString word = tok_.text;
        if (word.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) {
          o.value = Variant::null();
        } else if (word.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) {
          o.value = Variant(true);
        } else if (word.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
          o.value = Variant(false);
        } else if (IsKeyword(word)) {
          Fail(QStringLiteral("“%1”处缺少值").arg(Near()));
        } else {
          // A function of the dialect that the program writes literals with, or a field.
          const qsizetype save = p_;
          const Token name = tok_;
          Advance();
          if (IsSymbol("(")) {
            Advance();
            Operand arg = ParseOperand();
            Expect(")");
            if (arg.isField) Fail(QStringLiteral("%1 的参数应为一个值").arg(name.text));
            if (name.text.compare(QLatin1String("cdate"), Qt::CaseInsensitive) == 0)
              o.value = DateValue(arg.value.toString());
            else if (name.text.compare(QLatin1String("ccur"), Qt::CaseInsensitive) == 0)
              o.value = arg.value;
            else
              Fail(QStringLiteral("不认识的函数“%1”").arg(name.text));
            return o;
          }
          p_ = save;
          tok_ = name;
          o.isField = true;
          o.name = word;
        }
        break;
      }
      case tkSymbol:
        Fail(QStringLiteral("“%1”处缺少值").arg(Near()));
    }
    Advance();
    return o;
  }

  static bool IsKeyword(const QString& w) {
    static const char* const words[] = {"AND", "OR", "NOT", "IS", "LIKE", "IN", "ESCAPE"};
    for (const char* k : words)
      if (w.compare(QLatin1String(k), Qt::CaseInsensitive) == 0) return true;
    return false;
  }

  Variant DateValue(const QString& text) const {
    const std::optional<TDateTime> d = ParseJetDate(text.trimmed());
    if (!d) Fail(QStringLiteral("“%1”不是有效的日期").arg(text));
    return Variant::dateTime(*d);
  }

  // The LIKE pattern as an anchored expression: % any run, _ one character, the escape
  // character makes the next one literal.
  static QRegularExpression LikePattern(const QString& like, QChar escape) {
    QString rx = QStringLiteral("\\A(?:");
    for (qsizetype i = 0; i < like.size(); ++i) {
      const QChar c = like[i];
      if (!escape.isNull() && c == escape && i + 1 < like.size()) {
        rx += QRegularExpression::escape(QString(like[++i]));
      } else if (c == QLatin1Char('%')) {
        rx += QStringLiteral(".*");
      } else if (c == QLatin1Char('_')) {
        rx += QLatin1Char('.');
      } else {
        rx += QRegularExpression::escape(QString(c));
      }
    }
    rx += QStringLiteral(")\\z");
    return QRegularExpression(rx, QRegularExpression::CaseInsensitiveOption |
                                      QRegularExpression::DotMatchesEverythingOption);
  }

  const QString& s_;
  qsizetype p_ = 0;
  Token tok_;
};

// ---- evaluation ---------------------------------------------------------------------------

using ValueFn = std::function<Variant(const TField*)>;

Variant ValueOf(const Operand& o, const ValueFn& value) { return o.isField ? value(o.field) : o.value; }

// Field values of a date field compare with dates; text from a text literal compares with a
// number field numerically (Variant::compare does that), and with a date field as a date.
Variant AlignTo(const Variant& literal, const Variant& other) {
  if (literal.isText() && other.type() == Variant::DateTime) {
    if (const std::optional<TDateTime> d = ParseJetDate(literal.toString().trimmed())) return Variant::dateTime(*d);
  }
  return literal;
}

int Compare(const Variant& a, const Variant& b) {
  return Variant::compare(AlignTo(a, b), AlignTo(b, a), true);
}

bool Evaluate(const Node& n, const ValueFn& value) {
  switch (n.kind) {
    case nkOr:
      return Evaluate(*n.kids[0], value) || Evaluate(*n.kids[1], value);
    case nkAnd:
      return Evaluate(*n.kids[0], value) && Evaluate(*n.kids[1], value);
    case nkNot:
      return !Evaluate(*n.kids[0], value);
    case nkOperand: {
      const Variant v = ValueOf(n.left, value);
      return !v.isNullOrEmpty() && v.toBool();
    }
    case nkIsNull: {
      const Variant v = ValueOf(n.left, value);
      return v.isNullOrEmpty() != n.negated;
    }
    case nkLike: {
      const Variant v = ValueOf(n.left, value);
      if (v.isNullOrEmpty()) return false;
      return n.pattern.match(v.toString()).hasMatch() != n.negated;
    }
    case nkIn: {
      const Variant v = ValueOf(n.left, value);
      if (v.isNullOrEmpty()) return false;
      bool found = false;
      for (const Operand& o : n.list) {
        const Variant item = ValueOf(o, value);
        if (!item.isNullOrEmpty() && Compare(v, item) == 0) {
          found = true;
          break;
        }
      }
      return found != n.negated;
    }
    case nkCompare: {
      const Variant a = ValueOf(n.left, value);
      const Variant b = ValueOf(n.right, value);
      if (a.isNullOrEmpty() || b.isNullOrEmpty()) return false;
      const int c = Compare(a, b);
      switch (n.op) {
        case coEq: return c == 0;
        case coNe: return c != 0;
        case coLt: return c < 0;
        case coGt: return c > 0;
        case coLe: return c <= 0;
        case coGe: return c >= 0;
      }
    }
  }
  return false;
}

void BindOperand(Operand& o, const TDataSet& ds, const QString& text) {
  if (!o.isField) return;
  o.field = ds.FindField(o.name);
  if (!o.field) throw EDatabaseError(QStringLiteral("过滤条件有误：没有字段“%1”。\n%2").arg(o.name, text));
}

void BindNode(Node& n, const TDataSet& ds, const QString& text) {
  for (auto& k : n.kids) BindNode(*k, ds, text);
  BindOperand(n.left, ds, text);
  BindOperand(n.right, ds, text);
  for (Operand& o : n.list) BindOperand(o, ds, text);
}

}  // namespace

TDataSetFilter::TDataSetFilter(const QString& text) : text_(text) {
  Reader reader(text_);
  root_ = reader.ParseAll();
}

TDataSetFilter::~TDataSetFilter() = default;

void TDataSetFilter::Bind(const TDataSet& dataSet) { BindNode(*root_, dataSet, text_); }

bool TDataSetFilter::Matches(const std::function<Variant(const TField*)>& value) const {
  return Evaluate(*root_, value);
}
