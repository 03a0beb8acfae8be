#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "grid/DBGridEh.h"
#include "platform/canvas.h"
#include "platform/exception.h"
#include "platform/money.h"

class QIODevice;
class QTextDocument;
class TVirtualPrinter;

// Printing of a list grid: the print component lays the grid out on pages of the preview's
// recording printer (with page header and footer, rich texts before and after the grid, and
// the substitutes the window passes), and the preview prints those pages.

enum TPrintDBGridEhOption : unsigned {
  pghFitGridToPageWidth = 1u << 0,
  pghColored = 1u << 1,
  pghRowAutoStretch = 1u << 2,
  pghFitingByColWidths = 1u << 3,
  pghOptimalColWidths = 1u << 4,
};
using TPrintDBGridEhOptions = unsigned;

enum TMeasureUnits { MM = 0, Inches = 1 };
enum TPageColontitleLineType { pcltNon = 0, pcltSingleLine = 1, pcltDoubleLine = 2 };

// The run was stopped from the preview; it ends quietly with the pages made so far.
class EAbort : public Exception {
 public:
  EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

// The four page margins, in the component's units (2 each by default).
class TPageParams {
 public:
  Money BottomMargin = Money::fromInt(2);
  Money RightMargin = Money::fromInt(2);
  Money LeftMargin = Money::fromInt(2);
  Money TopMargin = Money::fromInt(2);
  void Assign(const TPageParams& src) { *this = src; }
};

// A page header or footer: left, centre and right texts, a font and an optional rule.
class TPageColontitle {
 public:
  TPageColontitle();
  QStringList CenterText;
  TFont Font;
  QStringList LeftText;
  TPageColontitleLineType LineType = pcltNon;
  QStringList RightText;
  void Assign(const TPageColontitle& src);
};

// A list of lines kept as rich text. The storage is a rich-text document of our own; its
// stream form is the document's HTML (UTF-8), and plain text loads as well.
class TRichEditStrings {
 public:
  TRichEditStrings();
  ~TRichEditStrings();
  TRichEditStrings(const TRichEditStrings&) = delete;
  TRichEditStrings& operator=(const TRichEditStrings&) = delete;

  int Count() const;
  QString Strings(int i) const;
  void SetStrings(int i, const QString& text);
  void Insert(int i, const QString& text);
  void Add(const QString& text) { Insert(Count(), text); }
  void Delete(int i);
  void Clear();
  QString Text() const;
  void SetText(const QString& text);
  void SetHtml(const QString& html);
  QString Html() const;
  bool PlainText = false;

  // Raise Exception "Failed to Save Stream" / "Failed to Load Stream" when the device fails.
  void SaveToStream(QIODevice& stream) const;
  void LoadFromStream(QIODevice& stream);
  QByteArray SaveToBytes() const;
  void LoadFromBytes(const QByteArray& bytes);
  void Assign(const TRichEditStrings& src) { LoadFromBytes(src.SaveToBytes()); }

  // Replaces every occurrence of `key` (letter case ignored) by `value`, keeping the
  // formatting of the replaced text. The search goes on after each inserted value, so a value
  // that contains its own key is not replaced again. Returns the number of replacements.
  int ReplaceAll(const QString& key, const QString& value);

  QTextDocument* Document() const { return doc_.get(); }

 private:
  std::unique_ptr<QTextDocument> doc_;
};

// Expands one colontitle macro: every occurrence (letter case ignored) not preceded by "&".
QString ExpandColontitleMacro(const QString& text, const QString& macro, const QString& value);

class TPrintDBGridEh : public QObject {
  Q_OBJECT
 public:
  explicit TPrintDBGridEh(QObject* owner = nullptr);
  ~TPrintDBGridEh() override;

  TRichEditStrings* AfterGridText();
  TRichEditStrings* BeforeGridText();
  TDBGridEh* DBGridEh() const { return grid_; }
  void SetDBGridEh(TDBGridEh* grid) { grid_ = grid; }
  std::function<void(QObject* sender)> OnAfterPrint;
  std::function<void(QObject* sender)> OnBeforePrint;
  std::function<void(QObject* sender)> OnPrinterSetupDialog;
  TPrintDBGridEhOptions Options = 0;
  TPageParams Page;
  TPageColontitle PageFooter;
  TPageColontitle PageHeader;
  QString PrintFontName;
  QStringList Title;
  TMeasureUnits Units() const { return units_; }
  void SetUnits(TMeasureUnits u);

  // Key and value pairs: (key, value, key, value, ...). A last key without a value is
  // replaced by an empty text.
  void AssignSubstitutes(const QStringList& pairs);
  const QStringList& SubstituteKeys() const { return keys_; }
  const QStringList& SubstituteValues() const { return values_; }

  // Renders into the shared preview and shows it.
  void ShowPreview();
  // One full rendering run onto `printer`.
  void RenderPages(TVirtualPrinter* printer);
  bool RunPageSetupDialog();
  void SetupAndPreview();

  // The rich texts as a window stores them with its settings ("BeforeGridText_Data" and
  // "AfterGridText_Data"): empty when the text has no lines.
  QByteArray BeforeGridTextData();
  QByteArray AfterGridTextData();
  void SetBeforeGridTextData(const QByteArray& bytes);
  void SetAfterGridTextData(const QByteArray& bytes);

  // Pages started by the last run (every page, counted or not).
  int LastRunPageCount() const { return lastPageCount_; }

 private:
  struct Run;
  friend struct Run;
  QPointer<TDBGridEh> grid_;
  std::unique_ptr<TRichEditStrings> after_, before_;
  QStringList keys_, values_;
  bool substitutesAssigned_ = false;
  TMeasureUnits units_ = MM;
  int lastPageCount_ = 0;
};
