#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "grid/DBGridEh.h"

class QIODevice;

// Export of a grid's rows to files: tab-separated text, CSV, an HTML table, an RTF table and
// a BIFF worksheet. One driver walks the rows; a class per format turns titles, cells and
// footers into bytes. Texts are written in the GBK code page, which is what the office's
// spreadsheet and word-processing programs read these files in; each format declares it.

// The grid's columns as titled for export: the caption levels of multi-line titles
// ("操作类型|收取") merged over neighbouring columns.
struct TExportTitleCellEh {
  QString text;
  int colSpan = 1;
  int rowSpan = 1;
  bool covered = false;  // inside another cell's span: not written
  bool leaf = false;     // the column's own caption (the lowest cell of the column)
};
// Levels from the top; each level holds one cell per column.
using TExportTitleLevelsEh = std::vector<std::vector<TExportTitleCellEh>>;
TExportTitleLevelsEh BuildExportTitleLevels(const QStringList& captions);

class TDBGridEhExport {
 public:
  TDBGridEhExport();
  virtual ~TDBGridEhExport();
  TDBGridEhExport(const TDBGridEhExport&) = delete;
  TDBGridEhExport& operator=(const TDBGridEhExport&) = delete;

  TCustomDBGridEh* Grid = nullptr;
  TColumnsEhList Columns;
  QIODevice* Stream = nullptr;
  // Per footer row and exported column, the running sum or count in units of 1/10,000;
  // index = column index + footer row × column count.
  std::vector<int64_t> FooterTotals;
  TColCellParamsEh CellParams;
  // Characters GBK cannot hold that the export wrote as "?".
  int ReplacedCharacters = 0;

  virtual void BeginOutput() {}
  virtual void EndOutput() {}
  virtual void PutTitleRow(TColumnsEhList& columns) {}
  virtual void PutRecordRow(TColumnsEhList& columns);
  virtual void PutDataCell(TColumnEh* column, TColCellParamsEh& params) {}
  virtual void PutFooterRow(TColumnsEhList& columns, int footerRow);
  virtual void PutFooterCell(int colIndex, int footerRow, const QString& text, TAlignment alignment,
                             TColor background, const TFontEh& font, TColumnEh* column) {}
  // Writes the rows: all of them when `whole`, else the grid's selection: the marked rows,
  // the rows and columns of a rectangle, or the selected columns over all rows. Nothing at
  // all is written when nothing is selected.
  virtual void WriteRowsToStream(QIODevice& stream, bool whole);
  // Creates or replaces the file.
  virtual void WriteRowsToFile(const QString& fileName, bool whole);

 protected:
  // The number of data rows the walk will write (for formats with a row limit).
  int RowsToWrite(bool whole) const;
  // Whether a data cell's display text is needed (PutDataCell of some formats does without).
  virtual bool NeedsCellText(TColumnEh* column) { return true; }
  // Buffered output; flushed at the end of WriteRowsToStream.
  void Write(const QByteArray& bytes);
  void Write(const char* bytes);
  void WriteGbk(const QString& text);
  void WriteGbk(QStringView text);
  void WriteGbk(QChar ch);
  void Flush();
  // The text of a sum or count footer over the exported rows.
  QString ExportedFooterText(int footerRow, int colIndex);
  int64_t FooterTotal(int footerRow, int colIndex) const {
    return FooterTotals[size_t(colIndex + footerRow * Columns.Count())];
  }
  TField* FooterField(TColumnEh* column, int footerRow) const;
  int ScreenPixelsPerInch() const;

 private:
  void AccumulateFooters();
  void PrepareFooters();
  struct FooterCell {
    int index;   // into FooterTotals
    bool sum;    // else a count
    TField* field;
  };
  std::vector<FooterCell> footerCells_;
  std::vector<TFontEh> columnFonts_;
  TFontEh scratchFont_;
  QByteArray buffer_;

 protected:
  uint32_t LearnGbk(char16_t unit);
  std::vector<uint32_t> gbkCodes_;  // GBK bytes per UTF-16 unit, 0 while not yet learnt
};

class TDBGridEhExportAsText : public TDBGridEhExport {
 public:
  void PutTitleRow(TColumnsEhList& columns) override;
  void PutRecordRow(TColumnsEhList& columns) override;
  void PutDataCell(TColumnEh* column, TColCellParamsEh& params) override;
  void PutFooterRow(TColumnsEhList& columns, int footerRow) override;
  void PutFooterCell(int colIndex, int footerRow, const QString& text, TAlignment alignment, TColor background,
                     const TFontEh& font, TColumnEh* column) override;
  void WriteRowsToStream(QIODevice& stream, bool whole) override;

 protected:
  virtual void StartLine();
  virtual void StartCell();
  virtual void PutText(const QString& text) { WriteGbk(text); }
  bool NoLineYet = true;
  bool NoCellYet = true;
};

class TDBGridEhExportAsCSV : public TDBGridEhExportAsText {
 public:
  TDBGridEhExportAsCSV();
  QChar Separator;

 protected:
  void StartCell() override;
  void PutText(const QString& text) override;
};

class TDBGridEhExportAsHTML : public TDBGridEhExport {
 public:
  void BeginOutput() override;
  void EndOutput() override;
  void PutTitleRow(TColumnsEhList& columns) override;
  void PutRecordRow(TColumnsEhList& columns) override;
  void PutDataCell(TColumnEh* column, TColCellParamsEh& params) override;
  void PutFooterRow(TColumnsEhList& columns, int footerRow) override;
  void PutFooterCell(int colIndex, int footerRow, const QString& text, TAlignment alignment, TColor background,
                     const TFontEh& font, TColumnEh* column) override;

 private:
  void PutLine(const QString& text);
  void PutRaw(const QString& text) { WriteGbk(text); }
  void FontWrappedText(const TFontEh& font, const QString& text);
  void PutCellStart(int width, TAlignment alignment, TColor background);
  void StateWidths();
  // The opening and closing tags of the last font written, kept so that a list whose cells
  // share a font does not build them again for every cell.
  TFontEh lastFont_;
  QByteArray fontOpen_, fontClose_;  // GBK bytes
  // Fonts of the columns, titles and footers, stated once as classes in the head; a cell in
  // one of them names its class instead of repeating the style.
  std::vector<TFontEh> styleFonts_;
  // The column widths are stated (by the title row, else by the first row): later cells
  // leave them out.
  bool widthsStated_ = false;
  int fontReplaced_ = 0;             // characters of the font name without a GBK form
  bool haveFont_ = false;
  struct CellStart {
    int width = -1;
    TAlignment alignment = taLeftJustify;
    TColor background = 0;
    QByteArray tag;
  };
  std::vector<CellStart> cellStarts_;  // one remembered tag per column position
  int cellIndex_ = 0;
};

class TDBGridEhExportAsRTF : public TDBGridEhExport {
 public:
  void EndOutput() override;
  void PutTitleRow(TColumnsEhList& columns) override;
  void PutRecordRow(TColumnsEhList& columns) override;
  void PutDataCell(TColumnEh* column, TColCellParamsEh& params) override;
  void PutFooterRow(TColumnsEhList& columns, int footerRow) override;
  void PutFooterCell(int colIndex, int footerRow, const QString& text, TAlignment alignment, TColor background,
                     const TFontEh& font, TColumnEh* column) override;
  void WriteRowsToStream(QIODevice& stream, bool whole) override;

 protected:
  void ResetTables();
  // The colour and font tables and what comes before the rows.
  QByteArray Head();
  // Fills the tables beforehand when every row is formatted by its columns alone.
  bool PredictTables(bool whole);

 public:
  // RTF text of a string: ASCII as it is with \ { } escaped, every GBK character as \'hh
  // escapes, anything else as a \u escape.
  static QByteArray RtfText(const QString& text);

 private:
  int ColorNumber(TColor color);
  int ColorIndex(TColor color);
  int FontNumber(const QString& name);
  void PutCellText(const TFontEh& font, const QString& text, TColor background);
  void PutCellBorders(bool left, bool top, bool right, bool bottom);
  void PutRowStart(const std::vector<TColor>& shading);
  QString Pad() const;
  int CellRight(int k) const;
  // Right edges of the exported columns (the widths do not change during an export), the
  // last row definition written with its shading, and the last character formatting.
  mutable std::vector<int> rights_;
  std::vector<TColor> lastShading_;
  QByteArray lastRowStart_;
  bool rowDefinitionCurrent_ = false;  // the last row written stated lastRowStart_'s definition
  TFontEh lastCellFont_;
  TColor lastCellBackground_ = 0;
  QByteArray lastCellFormat_;
  bool haveCellFormat_ = false;
  QStringList colors_;
  QStringList fonts_;
  QHash<TColor, int> colorCache_;
  void WriteRtfText(const QString& text);
  QByteArray rtfScratch_;
};

class TDBGridEhExportAsXLS : public TDBGridEhExport {
 public:
  // Rows a BIFF sheet can address.
  static constexpr int kMaxRows = 65536;
  void BeginOutput() override;
  void EndOutput() override;
  void PutTitleRow(TColumnsEhList& columns) override;
  void PutDataCell(TColumnEh* column, TColCellParamsEh& params) override;
  void PutFooterCell(int colIndex, int footerRow, const QString& text, TAlignment alignment, TColor background,
                     const TFontEh& font, TColumnEh* column) override;
  void WriteRowsToStream(QIODevice& stream, bool whole) override;

 protected:
  bool NeedsCellText(TColumnEh* column) override;

 private:
  QByteArray LabelBytes(const QString& text);
  void WriteLabel(const QString& text);
  void WriteNumber(double value);
  void WriteInteger(int64_t value);
  void WriteBlank();
  void WriteCellHeader(uint16_t record, uint16_t length, uint16_t xf);
  void NextCell();
  uint16_t Col = 0;
  uint16_t Row = 0;
  bool rowsExhausted_ = false;
  QHash<QString, QByteArray> labelCache_;
  QHash<QString, int> labelReplaced_;
};

// An exporter class: makes a new exporter of one format.
using TDBGridEhExportClass = std::function<std::unique_ptr<TDBGridEhExport>()>;
template <class T>
TDBGridEhExportClass ExportClassOf() {
  return [] { return std::unique_ptr<TDBGridEhExport>(new T()); };
}

// Writes the grid's rows (all when `whole`) to a file, creating or replacing it.
void ExportGridToFile(const TDBGridEhExportClass& exportClass, TCustomDBGridEh* grid, const QString& fileName,
                      bool whole);
void ExportGridToStream(const TDBGridEhExportClass& exportClass, TCustomDBGridEh* grid, QIODevice& stream,
                        bool whole);
