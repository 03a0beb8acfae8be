#include "report/FR_Values.h"

#include <cmath>

#include "platform/exception.h"
#include "platform/format.h"
#include "platform/maskedit.h"
#include "platform/ui.h"
#include "report/FR_Intrp.h"
#include "report/FR_Utils.h"
#include "report/FR_ValueRules.h"

namespace {

QStringList textRange(int first, int last) {
  QStringList l;
  for (int id = first; id <= last; ++id) l << LocaleText(id);
  return l;
}

// A value as a date-time: date-times and numbers as days, texts read as dates and times.
TDateTime toDateTime(const Variant& v) {
  if (v.type() == Variant::DateTime) return v.toDateTime();
  if (v.isText()) {
    TDateTime d;
    if (TryStrToDateTime(v.toString(), d)) return d;
  }
  return frv::Numeric(v).toDouble();
}

bool isDigitChar(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

}  // namespace

const QStringList& BooleanFormats() {
  static const QStringList l = textRange(55170, 55173);
  return l;
}

const QStringList& DateFormats() {
  static const QStringList l = textRange(55175, 55178);
  return l;
}

const QStringList& TimeFormats() {
  static const QStringList l = textRange(55179, 55182);
  return l;
}

QString LongDateText(TDateTime value) { return FormatDateTime(DefaultFormatSettings().longDateFormat, value); }

bool ParseFormatSuffix(const QString& suffix0, TfrDisplayFormat& format) {
  if (suffix0.isEmpty()) return false;
  QString suffix = suffix0;
  if (isDigitChar(suffix[0])) suffix.prepend(QLatin1Char('N'));
  QChar first = suffix[0].toUpper();
  if (first == QLatin1Char('N')) {
    bool digits = suffix.size() > 1 && isDigitChar(suffix[1]);
    int sepAt = -1;
    for (int i = suffix.size() - 1; i >= 1; --i) {
      QChar c = suffix[i];
      if (c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
        sepAt = i;
        break;
      }
    }
    // Without a separator character the point is used and there are no decimals.
    int sep = sepAt >= 0 ? suffix[sepAt].unicode() : '.';
    QString text = suffix;
    if (sepAt >= 0) text[sepAt] = QLatin1Char('.');
    text = text.mid(1);
    int decimals = 0;
    if (digits && sepAt >= 0) {
      QString d;
      for (int i = sepAt + 1; i < suffix.size() && isDigitChar(suffix[i]); ++i) d += suffix[i];
      decimals = d.toInt();
    }
    format.word = MakeFormatWord(fcNumber, digits ? 1 : 4, decimals, sep);
    format.text = digits ? QString() : text;
    return true;
  }
  if (first == QLatin1Char('B')) {
    format.word = MakeFormatWord(fcBoolean, 4);
    format.text = suffix.mid(1);
    return true;
  }
  if (first == QLatin1Char('D') || first == QLatin1Char('T')) {
    format.word = MakeFormatWord(fcDate, 4);
    format.text = suffix.mid(1);
    return true;
  }
  return false;
}

// ---- function libraries

bool TfrFunctionLibrary::TryFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                                     Variant& result) {
  for (int i = 0; i < List.size(); ++i)
    if (List[i].compare(name, Qt::CaseInsensitive) == 0) {
      RunFunctionAt(i, p1, p2, p3, result);
      return true;
    }
  return false;
}

TfrStdFunctionLibrary::TfrStdFunctionLibrary() {
  List << "AVG" << "COUNT" << "DAYOF" << "FORMATDATETIME" << "FORMATFLOAT" << "FORMATTEXT" << "INPUT" << "LENGTH"
       << "LOWERCASE" << "MAX" << "MAXNUM" << "MESSAGEBOX" << "MIN" << "MINNUM" << "MONTHOF" << "NAMECASE" << "POS"
       << "SUM" << "TRIM" << "UPPERCASE" << "YEAROF";
}

std::function<void(int, const QString&, const QString&, const QString&, Variant&)>&
TfrStdFunctionLibrary::AggregateHook() {
  static std::function<void(int, const QString&, const QString&, const QString&, Variant&)> hook;
  return hook;
}

void TfrStdFunctionLibrary::RunFunctionAt(int index, const QString& p1, const QString& p2, const QString& p3,
                                          Variant& result) {
  result = Variant(QStringLiteral("0"));
  TfrParser& parser = ReportParser();
  auto eval = [&](const QString& t) { return parser.Evaluate(t); };
  auto text = [&](const QString& t) { return frv::ValueText(parser.Evaluate(t)); };
  auto aggregate = [&](int kind) {
    if (AggregateHook()) AggregateHook()(kind, p1, p2, p3, result);
  };
  switch (index) {
    case 0: aggregate(14); break;   // AVG
    case 1: aggregate(15); break;   // COUNT
    case 2: result = Variant(DecodeDate(toDateTime(eval(p1))).day); break;
    case 3: result = Variant(FormatDateTime(text(p1), toDateTime(eval(p2)))); break;
    case 4: {
      Variant v = eval(p2);
      QString fmt = text(p1);
      result = v.type() == Variant::Currency ? Variant(FormatFloat(fmt, v.toMoney())) : Variant(FormatFloat(fmt, frv::ToDouble(v)));
      break;
    }
    case 5: result = Variant(FormatMaskText(text(p1) + QStringLiteral(";0; "), text(p2))); break;
    case 6: {
      QString value = p2.trimmed().isEmpty() ? QString() : text(p2);
      QString entered = value;
      if (!InputQuery(QString(), text(p1), entered)) entered = value;
      result = Variant(entered);
      break;
    }
    case 7: result = Variant(CharLength(text(p1))); break;
    case 8: result = Variant(text(p1).toLower()); break;
    case 9: aggregate(13); break;   // MAX
    case 10: {
      Variant a = eval(p1), b = eval(p2);
      result = frv::Compare(a, b) > 0 ? a : b;
      break;
    }
    case 11: {
      QString flags = p3.trimmed();
      result = Variant(MessageBoxFlags(text(p1), text(p2), flags.isEmpty() ? 0 : int(frv::ToDouble(eval(p3)))));
      break;
    }
    case 12: aggregate(12); break;   // MIN
    case 13: {
      Variant a = eval(p1), b = eval(p2);
      result = frv::Compare(a, b) < 0 ? a : b;
      break;
    }
    case 14: result = Variant(DecodeDate(toDateTime(eval(p1))).month); break;
    case 15: {
      QString s = text(p1).toLower();
      if (!s.isEmpty()) s[0] = s[0].toUpper();
      result = Variant(s);
      break;
    }
    case 16: result = Variant(CharPos(text(p1), text(p2))); break;
    case 17: aggregate(11); break;   // SUM
    case 18: {
      QString s = text(p1);
      int a = 0, b = s.size();
      while (a < b && s[a].unicode() <= 32) ++a;
      while (b > a && s[b - 1].unicode() <= 32) --b;
      result = Variant(s.mid(a, b - a));
      break;
    }
    case 19: result = Variant(text(p1).toUpper()); break;
    case 20: result = Variant(DecodeDate(toDateTime(eval(p1))).year); break;
    default: break;
  }
}

TDatabaseFunctionLibrary::TDatabaseFunctionLibrary() { List << "FIELDISNULL"; }

void TDatabaseFunctionLibrary::RunFunctionAt(int index, const QString& p1, const QString&, const QString&,
                                             Variant& result) {
  result = Variant(0);
  if (index != 0) return;
  QString ref = frv::ValueText(ReportParser().Evaluate(p1));
  result = Variant(FieldIsNull(ReportDictionaryOwner(), ref, ReportDefaultDataset()));
}

namespace {
std::vector<std::unique_ptr<TfrFunctionLibrary>>& libraries() {
  static std::vector<std::unique_ptr<TfrFunctionLibrary>>* libs = [] {
    auto* v = new std::vector<std::unique_ptr<TfrFunctionLibrary>>;
    v->push_back(std::make_unique<TfrStdFunctionLibrary>());
    v->push_back(std::make_unique<TDatabaseFunctionLibrary>());
    return v;
  }();
  return *libs;
}

// The report whose resolvers ReportParser uses.
TfrReportValues*& boundReport() {
  static TfrReportValues* r = nullptr;
  return r;
}
}  // namespace

QObject* ReportDictionaryOwner() { return boundReport() ? boundReport()->Dictionary.Owner : nullptr; }

TfrDBDataSet* ReportDefaultDataset() {
  TfrReportValues* r = boundReport();
  return r && r->Dictionary.DefaultDataset ? r->Dictionary.DefaultDataset() : nullptr;
}

QList<TfrFunctionLibrary*> FunctionLibraries() {
  QList<TfrFunctionLibrary*> l;
  for (auto& p : libraries()) l << p.get();
  return l;
}

void RegisterFunctionLibrary(std::unique_ptr<TfrFunctionLibrary> library) {
  if (!library) return;
  for (auto& p : libraries())
    if (p->ClassName() == library->ClassName()) return;
  libraries().push_back(std::move(library));
}

void UnregisterFunctionLibrary(const QString& className) {
  auto& v = libraries();
  for (auto it = v.begin(); it != v.end(); ++it)
    if ((*it)->ClassName() == className) {
      v.erase(it);
      return;
    }
}

// ---- TfrReportValues

TfrReportValues::TfrReportValues() = default;

TfrReportValues::~TfrReportValues() { Unbind(); }

void TfrReportValues::Bind() {
  boundReport() = this;
  ReportParser().ValueResolver = [this](const QString& name, Variant& value) { ResolveValue(name, value); };
  ReportParser().FunctionResolver = [this](const QString& name, const QString& p1, const QString& p2,
                                           const QString& p3, Variant& value) { CallFunction(name, p1, p2, p3, value); };
  ReportInterpreter().Report = this;
}

void TfrReportValues::Unbind() {
  if (boundReport() != this) return;
  boundReport() = nullptr;
  ReportParser().ValueResolver = nullptr;
  ReportParser().FunctionResolver = nullptr;
  ReportInterpreter().Report = nullptr;
}

void TfrReportValues::ResolveValue(const QString& name, Variant& value) {
  // 1. The report's event.
  value = Variant();
  if (OnGetValue) {
    OnGetValue(name, value);
    if (!value.isEmpty()) return;
  }
  // 2. The dictionary: variables and fields.
  value = Variant(0);
  if (Dictionary.IsVariable(name)) {
    value = Dictionary.ValueOf(name);
    return;
  }
  // 3. Special names.
  const QString u = name.toUpper();
  if (u == QLatin1String("VALUE")) { value = CurrentValue; return; }
  if (u == QLatin1String("PAGE#")) { value = Variant(PageNo + 1); return; }
  if (u == QLatin1String("DATE")) { value = Variant::dateTime(DateSnapshot); return; }
  if (u == QLatin1String("TIME")) { value = Variant::dateTime(TimeSnapshot); return; }
  if (u == QLatin1String("LINE#")) { value = Variant(LineNo); return; }
  if (u == QLatin1String("LINETHROUGH#")) { value = Variant(LineThrough); return; }
  if (u == QLatin1String("COLUMN#")) { value = Variant(ColumnNo); return; }
  if (u == QLatin1String("CURRENT#")) { value = Variant(CurrentNo); return; }
  if (u == QLatin1String("TOTALPAGES")) { value = Variant(TotalPages); return; }
  if (u == QLatin1String("REPORTCOMMENT")) { value = Variant(ReportComment); return; }
  if (u == QLatin1String("REPORTNAME")) { value = Variant(ReportName); return; }
  if (u == QLatin1String("REPORTAUTOR")) { value = Variant(ReportAutor); return; }
  if (u == QLatin1String("VMAJOR")) { value = Variant(VMajor); return; }
  if (u == QLatin1String("VMINOR")) { value = Variant(VMinor); return; }
  if (u == QLatin1String("VRELEASE")) { value = Variant(VRelease); return; }
  if (u == QLatin1String("VBUILD")) { value = Variant(VBuild); return; }
  if (u == QLatin1String("REPORTDATE")) { value = Variant::dateTime(ReportDate); return; }
  if (u == QLatin1String("REPORTLASTCHANGE")) { value = Variant::dateTime(ReportLastChange); return; }
  if (u == QLatin1String("CALCWIDTH")) { value = CalcWidth ? CalcWidth() : Variant(0); return; }
  // 4. Script variables.
  if (ReportVariables().Contains(name)) {
    value = ReportVariables().ValueOf(name);
    return;
  }
  // 5. Layout values, object properties, constants.
  value = Variant();
  if (u == QLatin1String("CURY")) value = Variant(CurY);
  else if (u == QLatin1String("FREESPACE")) value = Variant(CurBottom - CurY);
  else if (u == QLatin1String("FINALPASS")) value = Variant(FinalPass);
  else if (u == QLatin1String("PAGEHEIGHT")) value = Variant(CurBottom);
  else if (u == QLatin1String("PAGEWIDTH")) value = Variant(PageRight);
  else if (name.contains(QLatin1Char('.')) && PropRead && PropRead(name, value)) return;
  else if (ReportConstants().Contains(name)) value = ReportConstants().ValueOf(name);
  if (!value.isEmpty()) return;
  // 6. The name as an expression; a name met again while it is being evaluated is undefined.
  if (guard_.compare(name, Qt::CaseInsensitive) != 0) {
    QString outer = guard_;
    guard_ = name;
    try {
      value = ReportParser().Evaluate(name);
    } catch (...) {
      guard_ = outer;
      throw;
    }
    guard_ = outer;
    return;
  }
  if (!CollectingAggregates) throw EParserError(LocaleText(55439) + QStringLiteral(" \"") + name + QLatin1Char('"'));
}

void TfrReportValues::CallFunction(const QString& name0, const QString& p1, const QString& p2, const QString& p3,
                                   Variant& value) {
  value = Variant(QStringLiteral("0"));
  for (TfrFunctionLibrary* lib : FunctionLibraries())
    if (lib->TryFunction(name0, p1, p2, p3, value)) return;

  const QString name = name0.toUpper();
  TfrParser& parser = ReportParser();
  if (name == QLatin1String("STOPREPORT")) {
    Terminated = true;
  } else if (name == QLatin1String("NEWPAGE")) {
    ++NewPageRequests;
  } else if (name == QLatin1String("NEWCOLUMN")) {
    ++NewColumnRequests;
  } else if (name == QLatin1String("SHOWBAND")) {
    if (ShowBand) ShowBand(p1.trimmed());
  } else if (name == QLatin1String("INC") || name == QLatin1String("DEC")) {
    const QString target = p1.trimmed();
    Variant v;
    ResolveValue(target, v);
    v = name == QLatin1String("INC") ? frv::Add(v, Variant(1)) : frv::Subtract(v, Variant(1));
    ReportInterpreter().WriteVariable(target, v);
  } else if (name == QLatin1String("SETARRAY") || name == QLatin1String("GETARRAY")) {
    const QString array = p1.trimmed();
    Variant index = parser.Evaluate(p2);
    if (array.contains(QLatin1Char('.'))) {
      int dot = array.lastIndexOf(QLatin1Char('.'));
      QString target = array.left(dot) + QLatin1Char('.') + array.mid(dot + 1).toUpper();
      if (name == QLatin1String("SETARRAY")) {
        if (SetIndexProperty) SetIndexProperty(target, index, parser.Evaluate(p3));
      } else if (GetIndexProperty) {
        GetIndexProperty(target, index, value);
      }
    } else {
      QString indexText = index.isText() ? index.toString() : QString::number(frv::Numeric(index).toInt64());
      const QString key = QStringLiteral("Arr_") + array + QLatin1Char('_') + indexText;
      if (name == QLatin1String("SETARRAY")) ReportVariables().PutValue(key, parser.Evaluate(p3));
      else value = ReportVariables().ValueOf(key);
    }
  } else if (name.contains(QLatin1Char('.'))) {
    if (InvokeMethod) InvokeMethod(name0, p1, p2, p3, value);
  }
  if (OnUserFunction) OnUserFunction(name0, p1, p2, p3, value);
}

QString TfrReportValues::EvaluateBlock(const QString& block, const TfrDisplayFormat& objectFormat, bool hideZeros) {
  CurrentExpression.clear();
  TfrDisplayFormat format = objectFormat;
  QString expr = block;
  // The format suffix starts at the first " #" outside quotes: ['No #1'] is a text.
  int at = -1;
  QChar quote;
  for (int i = 0; i + 1 < block.size(); ++i) {
    const QChar c = block.at(i);
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
      quote = c;
    } else if (c == QLatin1Char(' ') && block.at(i + 1) == QLatin1Char('#')) {
      at = i;
      break;
    }
  }
  if (at >= 0) {
    expr = block.left(at);
    ParseFormatSuffix(block.mid(at + 2), format);
  }
  CurrentExpression = expr;
  CurrentValue = Variant(0);
  Variant value;
  ResolveValue(expr, value);
  if (hideZeros && !value.isText()) {
    try {
      if (!value.isNull() && frv::Compare(value, Variant(0)) == 0) value = Variant(QString());
    } catch (const Exception&) {
    }
  }
  if (CollectingAggregates) return QString();
  return FormatValue(value, format.word, format.text);
}

QString TfrReportValues::FormatValue(const Variant& value, uint32_t word, const QString& formatText) {
  if (value.isNullOrEmpty()) return QString();
  if (value.isText() && value.toString().trimmed().isEmpty()) return QString();
  try {
    const int kind = FormatKind(word);
    switch (FormatCategory(word)) {
      case fcNumber: {
        int sepCode = FormatSeparator(word);
        QChar sep = sepCode ? QChar(ushort(sepCode)) : QLatin1Char('.');
        int d = FormatDecimals(word);
        Variant n = frv::Numeric(value);
        double x = n.toDouble();
        QString s;
        switch (kind) {
          case 0: s = FormatFloat(QStringLiteral("##0.") + QString(d, QLatin1Char('#')), x); break;
          case 1: s = FloatToStrF(x, ffFixed, 15, d); break;
          case 2: s = FormatFloat(QStringLiteral("#,##0.") + QString(d, QLatin1Char('#')), x); break;
          case 3: s = FloatToStrF(x, ffNumber, 15, d); break;
          case 4:
            s = n.type() == Variant::Currency ? FormatFloat(formatText, n.toMoney()) : FormatFloat(formatText, x);
            break;
          default: return frv::ValueText(value);
        }
        if (sep != QLatin1Char('.')) s.replace(QLatin1Char('.'), sep);
        return s;
      }
      case fcDate: {
        TDateTime dt = toDateTime(value);
        if (kind == 4) return FormatDateTime(formatText, dt);
        if (kind == 3) return LongDateText(dt);
        if (kind < DateFormats().size()) return FormatDateTime(DateFormats()[kind], dt);
        return frv::ValueText(value);
      }
      case fcTime: {
        TDateTime dt = toDateTime(value);
        if (kind == 4) return FormatDateTime(formatText, dt);
        if (kind < TimeFormats().size()) return FormatDateTime(TimeFormats()[kind], dt);
        return frv::ValueText(value);
      }
      case fcBoolean: {
        QString pattern = kind == 4 ? formatText : (kind < BooleanFormats().size() ? BooleanFormats()[kind] : QString());
        bool nonzero = value.type() == Variant::Bool ? value.toBool() : frv::Numeric(value).toInt64() != 0;
        int semi = pattern.indexOf(QLatin1Char(';'));
        if (semi < 0) return nonzero ? QString() : pattern;
        return nonzero ? pattern.mid(semi + 1) : pattern.left(semi);
      }
      default: return frv::ValueText(value);
    }
  } catch (const Exception&) {
    return frv::ValueText(value);
  }
}

bool TfrReportValues::WriteSpecialVariable(const QString& name, const Variant& value) {
  if (Dictionary.Variables.Contains(name)) {
    Dictionary.Variables.PutValue(name, value);
    return true;
  }
  const QString u = name.toUpper();
  if (u == QLatin1String("MODALRESULT")) {
    if (SetModalResult) SetModalResult(int(frv::Numeric(value).toInt64()));
    return true;
  }
  if (u == QLatin1String("CURY")) {
    CurY = int(frv::Numeric(value).toInt64());
    if (CurYAssigned) CurYAssigned(CurY);
    return true;
  }
  if (u == QLatin1String("PROGRESS")) {
    if (Progress) Progress(frv::ValueText(value));
    return true;
  }
  if (PropWrite && PropWrite(name, value)) return true;
  return false;
}
