#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/datetime.h"
#include "platform/variant.h"
#include "report/FR_DBSet.h"

// Report values: how a report resolves the names and calls of its expressions, how a bracketed
// block of a text object becomes text, and the display formats.

// ---- display formats
// A format word: bits 24-27 category (0 text, 1 number, 2 date, 3 time, 4 boolean), bits 16-23
// the kind within the category (4: the format text is used), for numbers bits 8-15 the number
// of decimals and bits 0-7 the decimal separator character.
enum TfrFormatCategory { fcText = 0, fcNumber = 1, fcDate = 2, fcTime = 3, fcBoolean = 4 };
constexpr uint32_t MakeFormatWord(int category, int kind, int decimals = 0, int separator = 0) {
  return (uint32_t(category & 0x0F) << 24) | (uint32_t(kind & 0xFF) << 16) | (uint32_t(decimals & 0xFF) << 8) |
         uint32_t(separator & 0xFF);
}
inline int FormatCategory(uint32_t w) { return int((w >> 24) & 0x0F); }
inline int FormatKind(uint32_t w) { return int((w >> 16) & 0xFF); }
inline int FormatDecimals(uint32_t w) { return int((w >> 8) & 0xFF); }
inline int FormatSeparator(uint32_t w) { return int(w & 0xFF); }

struct TfrDisplayFormat {
  uint32_t word = 0;
  QString text;
};

// The text tables of the formats (engine texts 55170-55182).
const QStringList& BooleanFormats();
const QStringList& DateFormats();
const QStringList& TimeFormats();

// The date in the long date format ("2024年1月5日").
QString LongDateText(TDateTime value);

// Reads a display-format suffix (the text after " #" in a block): "N0,2", "0,2", "N#,##0.00",
// "Dyyyy-mm-dd", "Tdd", "B否;是". Returns false (format unchanged) for any other first character.
bool ParseFormatSuffix(const QString& suffix, TfrDisplayFormat& format);

class TfrReportValues;

// ---- function libraries
// A library answers the calls whose names are in its List; arguments arrive as unevaluated
// expression texts and are evaluated with ReportParser as each function needs them.
class TfrFunctionLibrary {
 public:
  virtual ~TfrFunctionLibrary() = default;
  QStringList List;
  // When List holds the name (letter case ignored): runs the function and returns true.
  virtual bool TryFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3,
                           Variant& result);
  virtual void RunFunctionAt(int index, const QString& p1, const QString& p2, const QString& p3, Variant& result) = 0;
  virtual QString ClassName() const = 0;
};

// AVG COUNT DAYOF FORMATDATETIME FORMATFLOAT FORMATTEXT INPUT LENGTH LOWERCASE MAX MAXNUM
// MESSAGEBOX MIN MINNUM MONTHOF NAMECASE POS SUM TRIM UPPERCASE YEAROF (numbered from 0).
// LENGTH and POS count characters like COPY does (a Chinese character is one character).
class TfrStdFunctionLibrary : public TfrFunctionLibrary {
 public:
  TfrStdFunctionLibrary();
  void RunFunctionAt(int index, const QString& p1, const QString& p2, const QString& p3, Variant& result) override;
  QString ClassName() const override { return QStringLiteral("TfrStdFunctionLibrary"); }
  // The aggregates (SUM 11, MIN 12, MAX 13, AVG 14, COUNT 15 by kind code) need the band engine:
  // it installs this hook; without it an aggregate yields "0".
  static std::function<void(int kind, const QString& p1, const QString& p2, const QString& p3, Variant& result)>&
  AggregateHook();
};

// FIELDISNULL: true when the "Source.Field" text names no field or the field's value is Null.
class TDatabaseFunctionLibrary : public TfrFunctionLibrary {
 public:
  TDatabaseFunctionLibrary();
  void RunFunctionAt(int index, const QString& p1, const QString& p2, const QString& p3, Variant& result) override;
  QString ClassName() const override { return QStringLiteral("TDatabaseFunctionLibrary"); }
};

// The registered libraries in registration order (the standard, then the database library).
QList<TfrFunctionLibrary*> FunctionLibraries();
// Appends a library unless one of the same class name is registered (then `library` is freed).
void RegisterFunctionLibrary(std::unique_ptr<TfrFunctionLibrary> library);
void UnregisterFunctionLibrary(const QString& className);

// The owner and default record source of the report whose resolvers are bound (for the
// database functions); null when no report is bound.
QObject* ReportDictionaryOwner();
TfrDBDataSet* ReportDefaultDataset();

// ---- the report's resolvers
// What a report being built puts at the disposal of its expressions and scripts. The object
// model (pages, bands, views) reaches in through the hooks; the counters are kept up to date by
// the band engine.
class TfrReportValues {
 public:
  TfrReportValues();
  ~TfrReportValues();
  TfrReportValues(const TfrReportValues&) = delete;
  TfrReportValues& operator=(const TfrReportValues&) = delete;

  TfrDataDictionary Dictionary;

  // Events of the report.
  std::function<void(const QString& name, Variant& value)> OnGetValue;   // leave Empty: not handled
  std::function<void(const QString& name, const QString& p1, const QString& p2, const QString& p3, Variant& value)>
      OnUserFunction;

  // Special values.
  int PageNo = 0;              // PAGE# is PageNo + 1
  int TotalPages = 0;
  TDateTime DateSnapshot = 0, TimeSnapshot = 0;
  int LineNo = 0, LineThrough = 0, ColumnNo = 0, CurrentNo = 0;   // of the current data band
  QString ReportComment, ReportName, ReportAutor, VMajor, VMinor, VRelease, VBuild;
  TDateTime ReportDate = 0, ReportLastChange = 0;
  // Layout values of the page being formed.
  int CurY = 0, CurBottom = 0, PageRight = 0;
  bool FinalPass = false;
  // Build state.
  bool Terminated = false;
  bool CollectingAggregates = false;
  int NewPageRequests = 0, NewColumnRequests = 0;
  Variant CurrentValue;
  QString CurrentExpression;

  // Object-model hooks (each returns false when it does not know the object or property).
  std::function<bool(const QString& name, Variant& value)> PropRead;                // Object.Property
  std::function<bool(const QString& name, const Variant& value)> PropWrite;         // Object.Property or bare
  std::function<bool(const QString& name, const QString& p1, const QString& p2, const QString& p3, Variant& result)>
      InvokeMethod;                                                                  // Object.Method
  std::function<bool(const QString& objectProperty, const Variant& index, const Variant& value)> SetIndexProperty;
  std::function<bool(const QString& objectProperty, const Variant& index, Variant& value)> GetIndexProperty;
  std::function<void(const QString& bandName)> ShowBand;
  std::function<Variant()> CalcWidth;
  std::function<bool(int modalResult)> SetModalResult;   // false when the page is no dialog page
  std::function<void(int curY)> CurYAssigned;
  std::function<void(const QString& text)> Progress;

  // Installs this report's resolvers into ReportParser and makes ReportInterpreter write here.
  void Bind();
  void Unbind();

  void ResolveValue(const QString& name, Variant& value);
  void CallFunction(const QString& name, const QString& p1, const QString& p2, const QString& p3, Variant& value);
  // The text of one bracketed block of a text object ("expr" or "expr #suffix").
  QString EvaluateBlock(const QString& block, const TfrDisplayFormat& objectFormat = {}, bool hideZeros = false);
  static QString FormatValue(const Variant& value, uint32_t word, const QString& formatText);

  // Assignment targets after ReportVariables: dictionary variables, MODALRESULT, CURY, PROGRESS,
  // object properties. False when none of them takes the name.
  bool WriteSpecialVariable(const QString& name, const Variant& value);

 private:
  QString guard_;   // the name being evaluated as an expression
};
