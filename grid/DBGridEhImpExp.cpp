#include "grid/DBGridEhImpExp.h"

#include <QBuffer>
#include <QFileDevice>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>
#include <QtEndian>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/exception.h"
#include "platform/format.h"
#include "grid/DBGridEhBookmarks.h"
#include "platform/gbk.h"
#include "platform/ui.h"

namespace {

// A floating value as ten-thousandths, rounded to nearest with halves to even.
int64_t toUnits(double value) { return Money::fromDouble(value).units(); }

QString titleCaption(TColumnEh* column) { return column->Title()->Caption(); }

}  // namespace

// ---- title levels ------------------------------------------------------------------------

TExportTitleLevelsEh BuildExportTitleLevels(const QStringList& captions) {
  const int n = int(captions.size());
  std::vector<QStringList> parts(static_cast<size_t>(n));
  int depth = 1;
  for (int c = 0; c < n; ++c) {
    parts[size_t(c)] = captions[c].split(QLatin1Char('|'));
    depth = std::max(depth, int(parts[size_t(c)].size()));
  }
  TExportTitleLevelsEh levels(static_cast<size_t>(depth), std::vector<TExportTitleCellEh>(static_cast<size_t>(n)));
  // Keys identify a group by its whole caption path, so equal texts under different groups
  // never merge.
  std::vector<std::vector<QString>> keys(static_cast<size_t>(depth), std::vector<QString>(static_cast<size_t>(n)));
  for (int c = 0; c < n; ++c) {
    const QStringList& p = parts[size_t(c)];
    const int k = int(p.size());
    for (int l = 0; l < k - 1; ++l) {
      levels[size_t(l)][size_t(c)].text = p[l];
      keys[size_t(l)][size_t(c)] = QStringList(p.mid(0, l + 1)).join(QChar(0x1F));
    }
    // The column's own caption takes the rest of the height.
    TExportTitleCellEh& leaf = levels[size_t(k - 1)][size_t(c)];
    leaf.text = p[k - 1];
    leaf.leaf = true;
    leaf.rowSpan = depth - (k - 1);
    keys[size_t(k - 1)][size_t(c)] = QStringLiteral("\x1E%1").arg(c);  // leaves never merge
    for (int l = k; l < depth; ++l) levels[size_t(l)][size_t(c)].covered = true;
  }
  for (int l = 0; l < depth; ++l) {
    for (int c = 0; c < n; ++c) {
      TExportTitleCellEh& cell = levels[size_t(l)][size_t(c)];
      if (cell.covered || cell.leaf) continue;
      int e = c + 1;
      while (e < n && !levels[size_t(l)][size_t(e)].covered && !levels[size_t(l)][size_t(e)].leaf &&
             keys[size_t(l)][size_t(e)] == keys[size_t(l)][size_t(c)])
        ++e;
      cell.colSpan = e - c;
      for (int x = c + 1; x < e; ++x) levels[size_t(l)][size_t(x)].covered = true;
      c = e - 1;
    }
  }
  return levels;
}

// ---- the driver --------------------------------------------------------------------------

TDBGridEhExport::TDBGridEhExport() = default;
TDBGridEhExport::~TDBGridEhExport() = default;

void TDBGridEhExport::Write(const QByteArray& bytes) {
  buffer_.append(bytes);
  if (buffer_.size() >= (1 << 16)) Flush();
}

void TDBGridEhExport::Write(const char* bytes) { Write(QByteArray::fromRawData(bytes, qsizetype(std::strlen(bytes)))); }

void TDBGridEhExport::WriteGbk(QChar ch) { WriteGbk(QStringView(&ch, 1)); }

void TDBGridEhExport::WriteGbk(const QString& text) { WriteGbk(QStringView(text)); }

// The GBK bytes of one character, learnt from the converter the first time the character
// is met: byte 0 in bits 0-7, byte 1 in bits 8-15, the length in bits 16-17, and bit 31 when
// the character has no GBK form (then it is written as the converter's "?").
uint32_t TDBGridEhExport::LearnGbk(char16_t unit) {
  int bad = 0;
  const QByteArray bytes = EncodeGbk(QString(QChar(unit)), &bad);
  uint32_t code = 0;
  if (bytes.size() >= 1 && bytes.size() <= 2) {
    code = uint32_t(uchar(bytes[0])) | (bytes.size() == 2 ? uint32_t(uchar(bytes[1])) << 8 : 0u) | (uint32_t(bytes.size()) << 16);
  } else {
    code = uint32_t('?') | (1u << 16);
    bad = std::max(bad, 1);
  }
  if (bad > 0) code |= 1u << 31;
  gbkCodes_[unit] = code;
  return code;
}

void TDBGridEhExport::WriteGbk(QStringView text) {
  // Converted at once, character by character from a table the converter fills as
  // characters are met: a list's texts use few distinct characters, so the converter is
  // asked about each once instead of for every cell.
  if (gbkCodes_.empty()) gbkCodes_.assign(0x10000, 0);
  const qsizetype n = text.size();
  const char16_t* p = text.utf16();
  qsizetype used = buffer_.size();
  buffer_.resize(used + 2 * n);  // GBK takes at most two bytes for a UTF-16 unit
  char* out = buffer_.data();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = p[i];
    if (c < 0x80) {
      out[used++] = char(c);
      continue;
    }
    if (QChar::isSurrogate(c)) {
      // A character beyond the basic plane (or a stray half of one): the converter decides.
      const qsizetype len = QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1]) ? 2 : 1;
      int bad = 0;
      const QByteArray bytes = EncodeGbk(text.mid(i, len).toString(), &bad);
      ReplacedCharacters += bad;
      buffer_.resize(used);
      buffer_.append(bytes);
      used = buffer_.size();
      buffer_.resize(used + 2 * (n - i));
      out = buffer_.data();
      i += len - 1;
      continue;
    }
    uint32_t code = gbkCodes_[c];
    if (code == 0) code = LearnGbk(c);
    out[used++] = char(code & 0xff);
    if (((code >> 16) & 3) == 2) out[used++] = char((code >> 8) & 0xff);
    if (code >> 31) ++ReplacedCharacters;
  }
  buffer_.resize(used);
  if (buffer_.size() >= (1 << 16)) Flush();
}

void TDBGridEhExport::Flush() {
  if (buffer_.isEmpty() || !Stream) return;
  const qint64 n = Stream->write(buffer_);
  if (n != buffer_.size()) throw Exception(QStringLiteral("Stream write error: ") + Stream->errorString());
  buffer_.resize(0);  // the allocation is kept for the next piece
}

int TDBGridEhExport::ScreenPixelsPerInch() const { return kScreenPixelsPerInch; }

int TDBGridEhExport::RowsToWrite(bool whole) const {
  TDataSet* ds = Grid ? Grid->DataSet() : nullptr;
  if (!ds || !ds->Active()) return 0;
  TDBGridEhSelection* sel = Grid->CurrentSelection();
  if (!whole && sel->ActiveType() == gstRecordBookmarks) return int(sel->Rows().ReachableBookmarks().size());
  if (!whole && sel->ActiveType() == gstRectangle) {
    int first, last;
    return sel->Rect().ShownRange(first, last) ? last - first + 1 : 0;
  }
  return ds->RecordCount();
}

TField* TDBGridEhExport::FooterField(TColumnEh* column, int footerRow) const {
  TDataSet* ds = Grid ? Grid->DataSet() : nullptr;
  if (!ds) return nullptr;
  TColumnFooterEh* footer = column->FooterAt(footerRow);
  if (!footer) return nullptr;
  const QString name = footer->FieldName().isEmpty() ? column->FieldName() : footer->FieldName();
  return name.isEmpty() ? nullptr : ds->FindField(name);
}

void TDBGridEhExport::AccumulateFooters() {
  for (size_t k = 0; k < footerCells_.size(); ++k) {
    const FooterCell& cell = footerCells_[k];
    int64_t& total = FooterTotals[size_t(cell.index)];
    if (cell.sum) {
      if (cell.field->IsNull()) continue;
      // Exact amounts add exactly; a float enters as its decimal value rounded to
      // ten-thousandths, so 0.1 + 0.2 sums to 0.3.
      if (cell.field->DataType() == ftCurrency || cell.field->DataType() == ftBCD)
        total += cell.field->AsMoney().units();
      else
        total += toUnits(cell.field->AsFloat());
    } else {
      total += 10000;
    }
  }
}

void TDBGridEhExport::PrepareFooters() {
  // The footers that sum or count, with their fields, found once for the whole walk.
  footerCells_.clear();
  const int n = Columns.Count();
  for (int r = 0; r < Grid->FooterRowCount(); ++r)
    for (int i = 0; i < n; ++i) {
      TColumnFooterEh* footer = Columns[i]->FooterAt(r);
      if (!footer || (footer->ValueType() != fvtSum && footer->ValueType() != fvtCount)) continue;
      TField* f = FooterField(Columns[i], r);
      if (!f) continue;
      footerCells_.push_back({i + r * n, footer->ValueType() == fvtSum, f});
    }
}

void TDBGridEhExport::WriteRowsToStream(QIODevice& stream, bool whole) {
  Stream = &stream;
  buffer_.clear();
  buffer_.reserve(1 << 17);
  if (!Grid) return;
  TDBGridEhSelection* sel = Grid->CurrentSelection();
  const TDBGridEhSelectionType kind = whole ? gstAll : sel->ActiveType();
  // Nothing selected: nothing at all is written.
  if (kind == gstNon) return;
  Columns.Clear();
  if (kind == gstRectangle) {
    for (int i = sel->Rect().LeftCol(); i <= sel->Rect().RightCol() && i < Grid->Columns()->Count(); ++i)
      if (i >= 0 && Grid->Columns()->Items(i)->Visible()) Columns.Add(Grid->Columns()->Items(i));
  } else if (kind == gstColumns) {
    for (int i = 0; i < sel->Columns().Count(); ++i) Columns.Add(sel->Columns()[i]);
  } else {
    for (int i = 0; i < Grid->Columns()->Count(); ++i)
      if (Grid->Columns()->Items(i)->Visible()) Columns.Add(Grid->Columns()->Items(i));
  }
  TDataSet* ds = Grid->DataSet();
  const bool active = ds && ds->Active();
  FooterTotals.assign(size_t(std::max(0, Grid->FooterRowCount()) * Columns.Count()), 0);
  PrepareFooters();
  columnFonts_.clear();
  for (int i = 0; i < Columns.Count(); ++i) columnFonts_.push_back(Columns[i]->Font());
  if (active) {
    ds->DisableControls();
    Grid->RememberPosition();
  }
  auto restore = [&] {
    if (!active) return;
    Grid->ReturnToPosition();
    ds->EnableControls();
  };
  try {
    BeginOutput();
    if (Grid->Options() & dgTitles) PutTitleRow(Columns);
    if (active && kind == gstRecordBookmarks) {
      const QStringList marks = sel->Rows().ReachableBookmarks();
      for (const QString& bm : marks) {
        // A mark whose record is gone is passed over.
        if (!ds->BookmarkValid(bm.toLatin1())) continue;
        ds->GotoBookmark(bm.toLatin1());
        AccumulateFooters();
        PutRecordRow(Columns);
      }
    } else if (active && kind == gstRectangle) {
      // The records shown between the corners, whether or not the corners' own are.
      const int rows = sel->Rect().GotoFirstShownRow();
      for (int i = 0; i < rows; ++i) {
        if (i > 0) ds->Next();
        PutRecordRow(Columns);
        AccumulateFooters();
      }
    } else if (active) {
      ds->First();
      while (!ds->Eof()) {
        PutRecordRow(Columns);
        AccumulateFooters();
        ds->Next();
      }
    }
    for (int r = 0; r < Grid->FooterRowCount(); ++r) PutFooterRow(Columns, r);
  } catch (...) {
    restore();
    throw;
  }
  restore();
  EndOutput();
  Flush();
}

void TDBGridEhExport::WriteRowsToFile(const QString& fileName, bool whole) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly))
    throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
  WriteRowsToStream(file, whole);
  if (!file.commit())
    throw Exception(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()));
}

void TDBGridEhExport::PutRecordRow(TColumnsEhList& columns) {
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnEh* column = columns[i];
    scratchFont_ = &columns == &Columns && size_t(i) < columnFonts_.size() ? columnFonts_[size_t(i)] : column->Font();
    CellParams.Row = -1;
    CellParams.Col = -1;
    CellParams.State = TGridDrawState();
    CellParams.Font = &scratchFont_;
    CellParams.Background = column->Color();
    CellParams.Alignment = column->Alignment();
    CellParams.ImageIndex = column->CellImageIndex();
    CellParams.Text = NeedsCellText(column) ? column->CellDisplayText() : QString();
    CellParams.CheckMark = column->Checkboxes() ? column->CellCheckState() : cbUnchecked;
    TColor background = CellParams.Background;
    if (Grid->OnGetCellParams) Grid->OnGetCellParams(Grid, column, scratchFont_, background, TGridDrawState());
    column->FireGetCellParams(false, CellParams);
    CellParams.Background = background;
    PutDataCell(column, CellParams);
  }
}

void TDBGridEhExport::PutFooterRow(TColumnsEhList& columns, int footerRow) {
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnEh* column = columns[i];
    TColumnFooterEh* footer = column->FooterAt(footerRow);
    TFontEh font = footer ? footer->Font() : Grid->FooterFont();
    TColor background = footer ? footer->Color() : Grid->FooterColor();
    TAlignment alignment = footer ? footer->Alignment() : taLeftJustify;
    QString text;
    if (footer && (footer->ValueType() == fvtSum || footer->ValueType() == fvtCount))
      text = ExportedFooterText(footerRow, i);
    else if (footer)
      text = Grid->FooterCellText(footerRow, column);
    if (Grid->OnGetFooterParams)
      Grid->OnGetFooterParams(Grid, Grid->Columns()->IndexOf(column), footerRow, column, font, background, alignment,
                              TGridDrawState(), text);
    PutFooterCell(i, footerRow, text, alignment, background, font, column);
  }
}

QString TDBGridEhExport::ExportedFooterText(int footerRow, int colIndex) {
  TColumnEh* column = Columns[colIndex];
  TColumnFooterEh* footer = column->FooterAt(footerRow);
  const int64_t units = FooterTotal(footerRow, colIndex);
  if (footer->ValueType() == fvtCount) return FloatToStr(double(units / 10000));
  TField* f = FooterField(column, footerRow);
  if (!f) return QString();
  const Money value = Money::fromUnits(units);
  const QString& fmt = f->DisplayFormat;
  switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc:
      if (!fmt.isEmpty()) return FormatFloat(fmt, value);
      return QString::number(units / 10000);
    case ftFloat:
      if (!fmt.isEmpty()) return FormatFloat(fmt, value);
      return FloatToStrF(value.toDouble(), f->Currency ? ffCurrency : ffGeneral, f->Precision,
                         f->Currency ? DefaultFormatSettings().currencyDecimals : 0);
    case ftCurrency: case ftBCD:
      if (!fmt.isEmpty()) return FormatCurr(fmt, value);
      return CurrToStrF(value, f->Currency ? ffCurrency : ffGeneral,
                        f->Currency ? DefaultFormatSettings().currencyDecimals : 0);
    default:
      return QString();
  }
}

// ---- text and CSV ------------------------------------------------------------------------

void TDBGridEhExportAsText::WriteRowsToStream(QIODevice& stream, bool whole) {
  NoLineYet = true;
  TDBGridEhExport::WriteRowsToStream(stream, whole);
}

void TDBGridEhExportAsText::StartLine() {
  if (NoLineYet)
    NoLineYet = false;
  else
    WriteGbk(QStringLiteral("\r\n"));
}

void TDBGridEhExportAsText::StartCell() {
  if (NoCellYet)
    NoCellYet = false;
  else
    WriteGbk(QLatin1Char('\t'));
}

void TDBGridEhExportAsText::PutTitleRow(TColumnsEhList& columns) {
  StartLine();
  NoCellYet = true;
  for (int i = 0; i < columns.Count(); ++i) {
    StartCell();
    PutText(titleCaption(columns[i]));
  }
}

void TDBGridEhExportAsText::PutRecordRow(TColumnsEhList& columns) {
  StartLine();
  NoCellYet = true;
  TDBGridEhExport::PutRecordRow(columns);
}

void TDBGridEhExportAsText::PutDataCell(TColumnEh*, TColCellParamsEh& params) {
  StartCell();
  PutText(params.Text);
}

void TDBGridEhExportAsText::PutFooterRow(TColumnsEhList& columns, int footerRow) {
  StartLine();
  NoCellYet = true;
  TDBGridEhExport::PutFooterRow(columns, footerRow);
}

void TDBGridEhExportAsText::PutFooterCell(int, int, const QString& text, TAlignment, TColor, const TFontEh&,
                                          TColumnEh*) {
  StartCell();
  PutText(text);
}

TDBGridEhExportAsCSV::TDBGridEhExportAsCSV() : Separator(QLatin1Char(';')) {}

void TDBGridEhExportAsCSV::StartCell() {
  if (NoCellYet)
    NoCellYet = false;
  else
    WriteGbk(Separator);
}

void TDBGridEhExportAsCSV::PutText(const QString& text) {
  WriteGbk(QLatin1Char('"'));
  if (text.contains(QLatin1Char('"')))
    WriteGbk(QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")));
  else
    WriteGbk(text);
  WriteGbk(QLatin1Char('"'));
}

// ---- HTML --------------------------------------------------------------------------------

namespace {

QString htmlColor(TColor color) {
  if (color == clNone) return QStringLiteral("000000");
  const TColor rgb = ColorToRGB(color);
  return QStringLiteral("%1%2%3")
      .arg(GetRValue(rgb), 2, 16, QLatin1Char('0'))
      .arg(GetGValue(rgb), 2, 16, QLatin1Char('0'))
      .arg(GetBValue(rgb), 2, 16, QLatin1Char('0'))
      .toUpper();
}

QString alignmentWord(TAlignment a) {
  switch (a) {
    case taRightJustify: return QStringLiteral("RIGHT");
    case taCenter: return QStringLiteral("CENTER");
    default: return QStringLiteral("LEFT");
  }
}

int pointSize(const QFont& f) {
  if (f.pointSize() > 0) return f.pointSize();
  return f.pixelSize() > 0 ? qRound(f.pixelSize() * 72.0 / kScreenPixelsPerInch) : 9;
}

}  // namespace

void TDBGridEhExportAsHTML::PutLine(const QString& text) { WriteGbk(text + QStringLiteral("\r\n")); }

void TDBGridEhExportAsHTML::BeginOutput() {
  PutLine(QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">"));
  PutLine(QStringLiteral("<HTML>"));
  PutLine(QStringLiteral("<HEAD>"));
  // The bytes are GBK; a reader must not guess.
  PutLine(QStringLiteral("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GBK\">"));
  styleFonts_.clear();
  widthsStated_ = false;
  cellStarts_.clear();
  auto addFont = [&](const TFontEh& f) {
    if (std::find(styleFonts_.begin(), styleFonts_.end(), f) == styleFonts_.end()) styleFonts_.push_back(f);
  };
  for (int i = 0; i < Columns.Count(); ++i) {
    TColumnEh* c = Columns[i];
    addFont(c->Font());
    addFont(c->Title()->Font());
    for (int r = 0; r < Grid->FooterRowCount(); ++r)
      if (TColumnFooterEh* footer = c->FooterAt(r)) addFont(footer->Font());
  }
  addFont(Grid->TitleFont());
  PutLine(QStringLiteral("<STYLE TYPE=\"text/css\">"));
  for (size_t i = 0; i < styleFonts_.size(); ++i)
    PutLine(QStringLiteral(".f%1 { font-family: %2; font-size: %3pt; color: #%4 }")
                .arg(i)
                .arg(styleFonts_[i].Font.family())
                .arg(pointSize(styleFonts_[i].Font))
                .arg(htmlColor(styleFonts_[i].Color)));
  PutLine(QStringLiteral("</STYLE>"));
  PutLine(QStringLiteral("<TITLE>"));
  PutLine(Grid->objectName());
  PutLine(QStringLiteral("</TITLE>"));
  PutLine(QStringLiteral("</HEAD>"));
  PutLine(QStringLiteral("<BODY>"));
  QString borders;
  if (!(Grid->Options() & (dgColLines | dgRowLines)))
    borders = QStringLiteral("BORDER=0 CELLSPACING=0 CELLPADDING=");
  else
    borders = QStringLiteral("BORDER=1 CELLSPACING=0 CELLPADDING=");  // the grid is drawn three-dimensional
  PutLine(QStringLiteral("<TABLE ") + borders + (Grid->Flat() ? QStringLiteral("1") : QStringLiteral("2")) +
          QStringLiteral(" BGCOLOR=#") + htmlColor(Grid->FixedColor()) + QStringLiteral(">\r\n"));
}

void TDBGridEhExportAsHTML::EndOutput() {
  PutLine(QStringLiteral("</TABLE>"));
  PutLine(QStringLiteral("</BODY>"));
  PutLine(QStringLiteral("</HTML>"));
}

void TDBGridEhExportAsHTML::FontWrappedText(const TFontEh& font, const QString& text) {
  if (!haveFont_ || !(font == lastFont_)) {
    int replaced = 0;
    const auto shared = std::find(styleFonts_.begin(), styleFonts_.end(), font);
    if (shared != styleFonts_.end())
      fontOpen_ = "<FONT CLASS=f" + QByteArray::number(qsizetype(shared - styleFonts_.begin())) + ">";
    else
      fontOpen_ = EncodeGbk(QStringLiteral("<FONT STYLE=\"font-family: ") + font.Font.family() + QStringLiteral("; font-size: ") +
                                QString::number(pointSize(font.Font)) + QStringLiteral("pt; color: #") +
                                htmlColor(font.Color) + QStringLiteral("\">"),
                            &replaced);
    fontReplaced_ = replaced;
    fontClose_.clear();
    const bool b = font.Font.bold(), i = font.Font.italic(), u = font.Font.underline(), st = font.Font.strikeOut();
    if (b) fontOpen_ += "<B>";
    if (i) fontOpen_ += "<I>";
    if (u) fontOpen_ += "<U>";
    if (st) fontOpen_ += "<STRIKE>";
    if (b) fontClose_ += "</B>";
    if (i) fontClose_ += "</I>";
    if (u) fontClose_ += "</U>";
    if (st) fontClose_ += "</STRIKE>";
    fontClose_ += "</FONT>";
    lastFont_ = font;
    haveFont_ = true;
  }
  Write(fontOpen_);
  ReplacedCharacters += fontReplaced_;
  bool plain = true;
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c == u'&' || c == u'<' || c == u'>' || c == u'"') {
      plain = false;
      break;
    }
  }
  if (text.isEmpty()) {
    Write("&nbsp;");
  } else if (plain) {
    WriteGbk(text);
  } else {
    QString t = text;
    t.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    t.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    t.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    t.replace(QLatin1Char('"'), QStringLiteral("&quot;"));
    WriteGbk(t);
  }
  Write(fontClose_);
}

// "  <TD WIDTH=.. ALIGN=".." BGCOLOR=#..>", remembered per column position while it repeats.
void TDBGridEhExportAsHTML::PutCellStart(int width, TAlignment alignment, TColor background) {
  if (cellIndex_ >= int(cellStarts_.size())) cellStarts_.resize(size_t(cellIndex_) + 1);
  CellStart& c = cellStarts_[size_t(cellIndex_++)];
  if (c.width != width || c.alignment != alignment || c.background != background || c.tag.isEmpty()) {
    c.width = width;
    c.alignment = alignment;
    c.background = background;
    c.tag = (widthsStated_ ? QStringLiteral("  <TD ALIGN=\"%2\" BGCOLOR=#%3>")
                           : QStringLiteral("  <TD WIDTH=%1 ALIGN=\"%2\" BGCOLOR=#%3>").arg(width))
                .arg(alignmentWord(alignment), htmlColor(background))
                .toLatin1();
  }
  Write(c.tag);
}

void TDBGridEhExportAsHTML::PutTitleRow(TColumnsEhList& columns) {
  if (columns.Count() == 0) return;
  widthsStated_ = true;
  if (!Grid->UseMultiTitle()) {
    PutLine(QStringLiteral("<TR>"));
    for (int i = 0; i < columns.Count(); ++i) {
      TColumnEh* c = columns[i];
      PutRaw(QStringLiteral("  <TD WIDTH=%1 ALIGN=\"%2\">").arg(c->Width()).arg(alignmentWord(c->Title()->Alignment())));
      FontWrappedText(c->Title()->Font(), c->Title()->Caption());
      PutLine(QStringLiteral("</TD>"));
    }
    PutLine(QStringLiteral("</TR>"));
    return;
  }
  QStringList captions;
  for (int i = 0; i < columns.Count(); ++i) captions << columns[i]->Title()->Caption();
  const TExportTitleLevelsEh levels = BuildExportTitleLevels(captions);
  for (const auto& level : levels) {
    PutLine(QStringLiteral("<TR>"));
    for (int i = 0; i < columns.Count(); ++i) {
      const TExportTitleCellEh& cell = level[size_t(i)];
      if (cell.covered) continue;
      QString tag = cell.leaf ? QStringLiteral("  <TD WIDTH=%1 ALIGN=\"CENTER\"").arg(columns[i]->Width())
                              : QStringLiteral("  <TD ALIGN=\"CENTER\"");
      if (cell.colSpan > 1) tag += QStringLiteral(" COLSPAN = \"%1\"").arg(cell.colSpan);
      if (cell.rowSpan > 1) tag += QStringLiteral(" ROWSPAN = \"%1\"").arg(cell.rowSpan);
      PutRaw(tag + QStringLiteral(">"));
      FontWrappedText(cell.leaf ? columns[i]->Title()->Font() : Grid->TitleFont(), cell.text);
      PutLine(QStringLiteral("</TD>"));
    }
    PutLine(QStringLiteral("</TR>"));
  }
}

void TDBGridEhExportAsHTML::PutRecordRow(TColumnsEhList& columns) {
  cellIndex_ = 0;
  Write("<TR>\r\n");
  TDBGridEhExport::PutRecordRow(columns);
  Write("</TR>\r\n");
  StateWidths();
}

void TDBGridEhExportAsHTML::StateWidths() {
  if (widthsStated_) return;
  widthsStated_ = true;
  cellStarts_.clear();  // the remembered tags carry the widths
}

void TDBGridEhExportAsHTML::PutDataCell(TColumnEh* column, TColCellParamsEh& params) {
  PutCellStart(column->Width(), params.Alignment, params.Background);
  FontWrappedText(*params.Font, params.Text);
  Write("</TD>\r\n");
}

void TDBGridEhExportAsHTML::PutFooterRow(TColumnsEhList& columns, int footerRow) {
  cellIndex_ = 0;
  Write("<TR>\r\n");
  TDBGridEhExport::PutFooterRow(columns, footerRow);
  Write("</TR>\r\n");
  StateWidths();
}

void TDBGridEhExportAsHTML::PutFooterCell(int, int, const QString& text, TAlignment alignment, TColor background,
                                          const TFontEh& font, TColumnEh* column) {
  PutCellStart(column->Width(), alignment, background);
  FontWrappedText(font, text);
  Write("</TD>\r\n");
}

// ---- RTF ---------------------------------------------------------------------------------

namespace {
void appendHexEscape(QByteArray& out, uchar b) {
  static const char hex[] = "0123456789abcdef";
  const char e[4] = {'\\', '\'', hex[b >> 4], hex[b & 15]};
  out.append(e, 4);
}
}  // namespace

QByteArray TDBGridEhExportAsRTF::RtfText(const QString& text) {
  QByteArray out;
  int unmappable = 0;
  const QByteArray gbk = EncodeGbk(text, &unmappable);
  if (unmappable == 0) {
    out.reserve(gbk.size() * 2);
    for (qsizetype i = 0; i < gbk.size(); ++i) {
      const uchar b = uchar(gbk[i]);
      if (b >= 0x81 && b <= 0xFE && i + 1 < gbk.size()) {
        // Both bytes of a double-byte character as escapes, so that a second byte equal to
        // \ { or } is never read as one.
        appendHexEscape(out, b);
        appendHexEscape(out, uchar(gbk[i + 1]));
        ++i;
      } else if (b >= 0x80) {
        appendHexEscape(out, b);
      } else {
        if (b == '\\' || b == '{' || b == '}') out.append('\\');
        out.append(char(b));
      }
    }
    return out;
  }
  // Some character has no GBK form: character by character, those as Unicode escapes.
  const QList<uint> codes = text.toUcs4();
  for (uint code : codes) {
    const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
    int bad = 0;
    EncodeGbk(one, &bad);
    if (bad == 0) {
      out.append(RtfText(one));
    } else {
      // The Unicode escape with "?" for readers that do not know it.
      for (QChar unit : one) out.append(QByteArray("\\u") + QByteArray::number(qint16(unit.unicode())) + "?");
    }
  }
  return out;
}

int TDBGridEhExportAsRTF::ColorNumber(TColor color) {
  auto cached = colorCache_.constFind(color);
  if (cached != colorCache_.constEnd()) return *cached;
  const int n = ColorIndex(color);
  colorCache_.insert(color, n);
  return n;
}

int TDBGridEhExportAsRTF::ColorIndex(TColor color) {
  const TColor rgb = ColorToRGB(color == clNone ? clWhite : color);
  const QString key = QString::asprintf("%3d%3d%3d", GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
  int i = int(colors_.indexOf(key));
  if (i < 0) {
    colors_ << key;
    i = int(colors_.size()) - 1;
  }
  return i;
}

int TDBGridEhExportAsRTF::FontNumber(const QString& name) {
  for (int i = 0; i < fonts_.size(); ++i)
    if (fonts_[i].compare(name, Qt::CaseInsensitive) == 0) return i;
  fonts_ << name;
  return int(fonts_.size()) - 1;
}

QString TDBGridEhExportAsRTF::Pad() const { return Grid->Flat() ? QStringLiteral("12") : QStringLiteral("24"); }

int TDBGridEhExportAsRTF::CellRight(int k) const {
  if (int(rights_.size()) != Columns.Count()) {
    rights_.clear();
    int right = 0;
    const int dpi = ScreenPixelsPerInch();
    for (int i = 0; i < Columns.Count(); ++i) {
      right += int(double(Columns[i]->Width()) / dpi * 1440);
      rights_.push_back(right);
    }
  }
  return rights_[size_t(k)];
}

void TDBGridEhExportAsRTF::PutCellText(const TFontEh& font, const QString& text, TColor background) {
  if (!haveCellFormat_ || background != lastCellBackground_ || !(font == lastCellFont_)) {
    QByteArray s = "\\fs" + QByteArray::number(pointSize(font.Font) * 2);
    if (font.Font.bold()) s += "\\b";
    if (font.Font.italic()) s += "\\i";
    if (font.Font.strikeOut()) s += "\\strike";
    if (font.Font.underline()) s += "\\ul";
    s += "\\f" + QByteArray::number(FontNumber(font.Font.family()));
    s += "\\cf" + QByteArray::number(ColorNumber(font.Color));
    s += "\\cb" + QByteArray::number(ColorNumber(background));
    s += ' ';
    lastCellFormat_ = s;
    lastCellFont_ = font;
    lastCellBackground_ = background;
    haveCellFormat_ = true;
  }
  Write(lastCellFormat_);
  WriteRtfText(text);
}

// As RtfText, with the GBK bytes of each character taken from the table WriteGbk fills.
void TDBGridEhExportAsRTF::WriteRtfText(const QString& text) {
  static const char hex[] = "0123456789abcdef";
  if (gbkCodes_.empty()) gbkCodes_.assign(0x10000, 0);
  const qsizetype n = text.size();
  const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
  rtfScratch_.resize(0);
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = p[i];
    if (c < 0x80) {
      if (c == u'\\' || c == u'{' || c == u'}') rtfScratch_.append('\\');
      rtfScratch_.append(char(c));
      continue;
    }
    uint32_t code = 0;
    if (!QChar::isSurrogate(c)) {
      code = gbkCodes_[c];
      if (code == 0) code = LearnGbk(c);
    }
    if (code == 0 || (code >> 31)) {
      // No GBK form (or beyond the basic plane): RtfText writes the Unicode escape.
      const qsizetype len = QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1]) ? 2 : 1;
      rtfScratch_.append(RtfText(text.mid(i, len)));
      i += len - 1;
      continue;
    }
    const int len = int((code >> 16) & 3);
    for (int k = 0; k < len; ++k) {
      const uchar b = uchar((code >> (8 * k)) & 0xff);
      const char e[4] = {'\\', '\'', hex[b >> 4], hex[b & 15]};
      rtfScratch_.append(e, 4);
    }
  }
  Write(rtfScratch_);
}

void TDBGridEhExportAsRTF::PutCellBorders(bool left, bool top, bool right, bool bottom) {
  if (left) Write("\\clbrdrl\\brdrs\\brdrcf0\r\n");
  if (top) Write("\\clbrdrt\\brdrs\\brdrcf0\r\n");
  if (bottom) Write("\\clbrdrb\\brdrs\\brdrcf0\r\n");
  if (right) Write("\\clbrdrr\\brdrs\\brdrcf0\r\n");
}

void TDBGridEhExportAsRTF::PutRowStart(const std::vector<TColor>& shading) {
  // A row whose definition equals the one before it only opens its group: RTF readers keep
  // a table row's definition for the rows that follow until the next \trowd, so the
  // borders, shading and edges of a long list are written once per change, not per row.
  if (!lastRowStart_.isEmpty() && shading == lastShading_ && rowDefinitionCurrent_) {
    Write("{\\trrh0\r\n");
    return;
  }
  rowDefinitionCurrent_ = true;
  if (lastRowStart_.isEmpty() || shading != lastShading_) {
    QByteArray s = "\\trowd\\trgaph40\r\n";
    for (int i = 0; i < Columns.Count(); ++i) {
      s += "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n";
      s += "\\clshdng10000\\clcfpat" + QByteArray::number(ColorNumber(shading[size_t(i)])) + "\\cellx" +
           QByteArray::number(CellRight(i)) + "\r\n";
    }
    s += "{\\trrh0\r\n";
    lastRowStart_ = s;
    lastShading_ = shading;
  }
  Write(lastRowStart_);
}

namespace {
QByteArray rtfAlignment(TAlignment a) {
  switch (a) {
    case taRightJustify: return "\\qr";
    case taCenter: return "\\qc";
    default: return "\\ql";
  }
}
}  // namespace

void TDBGridEhExportAsRTF::PutTitleRow(TColumnsEhList& columns) {
  if (columns.Count() == 0) return;
  if (!Grid->UseMultiTitle()) {
    std::vector<TColor> shading;
    for (int i = 0; i < columns.Count(); ++i) shading.push_back(columns[i]->Title()->Color());
    PutRowStart(shading);
    for (int i = 0; i < columns.Count(); ++i) {
      TColumnTitleEh* t = columns[i]->Title();
      Write("\\pard\\intbl{" + rtfAlignment(t->Alignment()) + "\\sb" + Pad().toLatin1() + "\\sa" + Pad().toLatin1());
      PutCellText(t->Font(), t->Caption(), t->Color());
      Write("\\cell}\r\n");
    }
    Write("\\pard\\intbl\\row}\r\n");
    return;
  }
  QStringList captions;
  for (int i = 0; i < columns.Count(); ++i) captions << columns[i]->Title()->Caption();
  const TExportTitleLevelsEh levels = BuildExportTitleLevels(captions);
  const int depth = int(levels.size()), n = columns.Count();
  const QByteArray pad = QByteArray::number(std::abs(int(double(Grid->VTitleMargin()) / 2 / ScreenPixelsPerInch() * 1440 - 20)));
  // Borders inside a merged area are left out, so the area reads as one cell.
  std::vector<std::vector<std::array<bool, 4>>> borders(static_cast<size_t>(depth), std::vector<std::array<bool, 4>>(static_cast<size_t>(n), {true, true, true, true}));
  for (int l = 0; l < depth; ++l)
    for (int c = 0; c < n; ++c) {
      const TExportTitleCellEh& cell = levels[size_t(l)][size_t(c)];
      if (cell.covered) continue;
      for (int cc = c; cc < c + cell.colSpan; ++cc)
        for (int ll = l; ll < l + cell.rowSpan; ++ll) {
          auto& b = borders[size_t(ll)][size_t(cc)];
          if (cc != c) b[0] = false;
          if (cc != c + cell.colSpan - 1) b[2] = false;
          if (ll != l) b[1] = false;
          if (ll != l + cell.rowSpan - 1) b[3] = false;
        }
    }
  rowDefinitionCurrent_ = false;  // these rows carry their own definitions
  for (int l = 0; l < depth; ++l) {
    Write("\\trowd\\trgaph40\r\n");
    for (int c = 0; c < n; ++c) {
      const auto& b = borders[size_t(l)][size_t(c)];
      PutCellBorders(b[0], b[1], b[2], b[3]);
      const TColor shade = l == depth - 1 || levels[size_t(l)][size_t(c)].leaf ? columns[c]->Title()->Color() : Grid->FixedColor();
      Write("\\clshdng10000\\clcfpat" + QByteArray::number(ColorNumber(shade)) + "\\cellx" +
            QByteArray::number(CellRight(c)) + "\r\n");
    }
    Write("{\\trrh0\r\n");
    for (int c = 0; c < n; ++c) {
      const TExportTitleCellEh& cell = levels[size_t(l)][size_t(c)];
      const bool leaf = cell.leaf && !cell.covered;
      const TColor shade = l == depth - 1 || cell.leaf ? columns[c]->Title()->Color() : Grid->FixedColor();
      if (!cell.covered)
        Write("\\pard\\intbl{\\qc\\sb" + pad + "\\sa" + pad);
      else
        Write("\\pard\\intbl{\\qc");
      PutCellText(leaf ? columns[c]->Title()->Font() : Grid->TitleFont(), cell.covered ? QString() : cell.text, shade);
      Write("\\cell}\r\n");
    }
    Write("\\pard\\intbl\\row}\r\n");
  }
}

void TDBGridEhExportAsRTF::PutRecordRow(TColumnsEhList& columns) {
  std::vector<TColor> shading;
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnEh* c = columns[i];
    TFontEh font = c->Font();
    TColor bg = c->Color();
    if (Grid->OnGetCellParams) Grid->OnGetCellParams(Grid, c, font, bg, TGridDrawState());
    shading.push_back(bg);
  }
  PutRowStart(shading);
  TDBGridEhExport::PutRecordRow(columns);
  Write("\\pard\\intbl\\row}\r\n");
}

void TDBGridEhExportAsRTF::PutDataCell(TColumnEh*, TColCellParamsEh& params) {
  static const QByteArray starts[2][3] = {
      {"\\pard\\intbl{\\ql\\sb24\\sa24", "\\pard\\intbl{\\qr\\sb24\\sa24", "\\pard\\intbl{\\qc\\sb24\\sa24"},
      {"\\pard\\intbl{\\ql\\sb12\\sa12", "\\pard\\intbl{\\qr\\sb12\\sa12", "\\pard\\intbl{\\qc\\sb12\\sa12"}};
  const int a = params.Alignment == taRightJustify ? 1 : params.Alignment == taCenter ? 2 : 0;
  Write(starts[Grid->Flat() ? 1 : 0][a]);
  PutCellText(*params.Font, params.Text, params.Background);
  Write("\\cell}\r\n");
}

void TDBGridEhExportAsRTF::PutFooterRow(TColumnsEhList& columns, int footerRow) {
  std::vector<TColor> shading;
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnEh* c = columns[i];
    TColumnFooterEh* footer = c->FooterAt(footerRow);
    TFontEh font = footer ? footer->Font() : Grid->FooterFont();
    TColor bg = footer ? footer->Color() : Grid->FooterColor();
    TAlignment alignment = footer ? footer->Alignment() : taLeftJustify;
    QString text;
    if (Grid->OnGetFooterParams)
      Grid->OnGetFooterParams(Grid, Grid->Columns()->IndexOf(c), footerRow, c, font, bg, alignment, TGridDrawState(),
                              text);
    shading.push_back(bg);
  }
  PutRowStart(shading);
  TDBGridEhExport::PutFooterRow(columns, footerRow);
  Write("\\pard\\intbl\\row}\r\n");
}

void TDBGridEhExportAsRTF::PutFooterCell(int, int, const QString& text, TAlignment alignment, TColor background,
                                         const TFontEh& font, TColumnEh*) {
  Write("\\pard\\intbl{" + rtfAlignment(alignment) + "\\sb" + Pad().toLatin1() + "\\sa" + Pad().toLatin1());
  PutCellText(font, text, background);
  Write("\\cell}\r\n");
}

void TDBGridEhExportAsRTF::EndOutput() { Write("}"); }

void TDBGridEhExportAsRTF::ResetTables() {
  colors_.clear();
  fonts_.clear();
  colorCache_.clear();
  rights_.clear();
  lastRowStart_.clear();
  rowDefinitionCurrent_ = false;
  haveCellFormat_ = false;
  ColorNumber(clBlack);
  ColorNumber(clWhite);
  ColorNumber(clBtnFace);
}

QByteArray TDBGridEhExportAsRTF::Head() {
  // Code page 936 and Chinese font charsets, so the \'hh bytes read as GBK.
  QByteArray head = "{\\rtf1\\ansi\\ansicpg936\\deff0\r\n{\\colortbl";
  for (const QString& c : colors_) {
    const int r = c.mid(0, 3).trimmed().toInt(), g = c.mid(3, 3).trimmed().toInt(), b = c.mid(6, 3).trimmed().toInt();
    head += "\\red" + QByteArray::number(r) + "\\green" + QByteArray::number(g) + "\\blue" + QByteArray::number(b) + ";";
  }
  head += "\r\n}\r\n{\\fonttbl";
  for (int i = 0; i < fonts_.size(); ++i)
    head += "\\f" + QByteArray::number(i) + "\\fnil\\fcharset134 " + RtfText(fonts_[i]) + ";";
  head += "\r\n}\r\n";
  return head;
}

bool TDBGridEhExportAsRTF::PredictTables(bool whole) {
  // Without cell or footer events every row of a column is formatted alike: the colours and
  // fonts, in the order the rows will first use them, come from the title row, one data row
  // and the footer rows.
  if (!whole || Grid->UseMultiTitle() || Grid->OnGetCellParams || Grid->OnGetFooterParams) return false;
  TColumnsEhList& cols = Grid->VisibleColumns();
  for (int i = 0; i < cols.Count(); ++i)
    if (cols[i]->OnGetCellParams) return false;
  auto cell = [&](const TFontEh& font, TColor background) {
    FontNumber(font.Font.family());
    ColorNumber(font.Color);
    ColorNumber(background);
  };
  if ((Grid->Options() & dgTitles) && cols.Count() > 0) {
    for (int i = 0; i < cols.Count(); ++i) ColorNumber(cols[i]->Title()->Color());
    for (int i = 0; i < cols.Count(); ++i) cell(cols[i]->Title()->Font(), cols[i]->Title()->Color());
  }
  if (RowsToWrite(whole) > 0) {
    for (int i = 0; i < cols.Count(); ++i) ColorNumber(cols[i]->Color());
    for (int i = 0; i < cols.Count(); ++i) cell(cols[i]->Font(), cols[i]->Color());
  }
  for (int r = 0; r < Grid->FooterRowCount(); ++r) {
    auto footerOf = [&](int i) { return cols[i]->FooterAt(r); };
    for (int i = 0; i < cols.Count(); ++i)
      ColorNumber(footerOf(i) ? footerOf(i)->Color() : Grid->FooterColor());
    for (int i = 0; i < cols.Count(); ++i)
      cell(footerOf(i) ? footerOf(i)->Font() : Grid->FooterFont(), footerOf(i) ? footerOf(i)->Color() : Grid->FooterColor());
  }
  return true;
}

void TDBGridEhExportAsRTF::WriteRowsToStream(QIODevice& stream, bool whole) {
  if (!Grid || (!whole && Grid->CurrentSelection()->ActiveType() == gstNon)) return;  // not even the header
  ResetTables();
  // A file the head can be written to first: the rows go straight after it when their
  // colours and fonts are known beforehand; should a row use one the head lacks, the file
  // is written again through the cache below.
  auto* file = qobject_cast<QFileDevice*>(&stream);
  if (file && !file->isSequential() && file->pos() == 0 && PredictTables(whole)) {
    const qsizetype colors = colors_.size(), fonts = fonts_.size();
    Stream = &stream;
    Write(Head());
    Flush();
    TDBGridEhExport::WriteRowsToStream(stream, whole);
    if (colors_.size() == colors && fonts_.size() == fonts) return;
    if (!file->seek(0) || !file->resize(0)) throw Exception(QStringLiteral("Stream write error: ") + file->errorString());
    ResetTables();
  }
  // The body goes to memory first: the colour and font tables are complete only at its end.
  QByteArray body;
  // About 60 bytes a cell: reserved at once, so the body is not copied as it grows.
  if (TDataSet* ds = Grid->DataSet(); ds && ds->Active())
    body.reserve(qsizetype(std::min<int64_t>(int64_t(RowsToWrite(whole) + 4) * (Grid->Columns()->Count() + 1) * 80,
                                             int64_t(1) << 30)));
  {
    QBuffer cache(&body);
    cache.open(QIODevice::WriteOnly);
    TDBGridEhExport::WriteRowsToStream(cache, whole);
  }
  Stream = &stream;
  Write(Head());
  Flush();
  // The body goes out as it is, without another copy.
  if (stream.write(body) != body.size()) throw Exception(QStringLiteral("Stream write error: ") + stream.errorString());
}

// ---- XLS ---------------------------------------------------------------------------------

namespace {
void putU16(QByteArray& b, uint16_t v) {
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
}
}  // namespace

void TDBGridEhExportAsXLS::WriteRowsToStream(QIODevice& stream, bool whole) {
  Row = 0;
  Col = 0;
  rowsExhausted_ = false;
  if (Grid) {
    int rows = RowsToWrite(whole) + std::max(0, Grid->FooterRowCount()) + ((Grid->Options() & dgTitles) ? 1 : 0);
    if (rows > kMaxRows)
      throw Exception(QStringLiteral("列表共有 %1 行，超过了 XLS 文件最多能容纳的 %2 行，无法导出为 XLS 文件。"
                                     "请改用 CSV 或文本格式导出。")
                          .arg(rows)
                          .arg(kMaxRows));
  }
  TDBGridEhExport::WriteRowsToStream(stream, whole);
}

void TDBGridEhExportAsXLS::BeginOutput() {
  static const char bof[] = {0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
  Write(QByteArray(bof, sizeof bof));
  // CODEPAGE 936: the label bytes are GBK.
  static const char codepage[] = {0x42, 0x00, 0x02, 0x00, char(0xA8), 0x03};
  Write(QByteArray(codepage, sizeof codepage));
}

void TDBGridEhExportAsXLS::EndOutput() {
  static const char eof[] = {0x0A, 0x00, 0x00, 0x00};
  Write(QByteArray(eof, sizeof eof));
}

void TDBGridEhExportAsXLS::NextCell() {
  if (Col == Columns.Count() - 1) {
    if (Row == kMaxRows - 1) {
      // Never wrap the row number over the rows already written.
      rowsExhausted_ = true;
      return;
    }
    ++Row;
    Col = 0;
  } else {
    ++Col;
  }
}

bool TDBGridEhExportAsXLS::NeedsCellText(TColumnEh* column) {
  // Numbers are written as numbers: their display text is only made when the column's own
  // cell event may look at it.
  if (column->OnGetCellParams || !column->KeyList.isEmpty()) return true;
  TField* f = column->BoundField();
  if (!f || f->IsNull()) return false;
  switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc: case ftFloat: case ftCurrency: case ftBCD:
      return false;
    default:
      return true;
  }
}

void TDBGridEhExportAsXLS::WriteCellHeader(uint16_t record, uint16_t length, uint16_t xf) {
  if (rowsExhausted_)
    throw Exception(QStringLiteral("列表超过了 XLS 文件最多能容纳的 %1 行，无法导出为 XLS 文件。请改用 CSV 或文本格式导出。")
                        .arg(kMaxRows));
  const uint16_t words[5] = {record, length, Row, Col, xf};
  char b[10];
  for (int i = 0; i < 5; ++i) qToLittleEndian(words[i], b + 2 * i);
  Write(QByteArray::fromRawData(b, 10));
}

QByteArray TDBGridEhExportAsXLS::LabelBytes(const QString& text) {
  bool ascii = true;
  for (QChar ch : text)
    if (ch.unicode() >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return text.toLatin1();
  // Lists repeat their texts (items, states, names): each is converted once.
  auto it = labelCache_.constFind(text);
  int replaced = 0;
  if (it != labelCache_.constEnd()) {
    ReplacedCharacters += labelReplaced_.value(text);
    return *it;
  }
  QByteArray bytes = EncodeGbk(text, &replaced);
  ReplacedCharacters += replaced;
  if (labelCache_.size() < 4096) {
    labelCache_.insert(text, bytes);
    if (replaced) labelReplaced_.insert(text, replaced);
  }
  return bytes;
}

void TDBGridEhExportAsXLS::WriteLabel(const QString& text) {
  QByteArray bytes = LabelBytes(text);
  // A record holds at most 2,080 bytes of data; a longer text is cut at a character boundary.
  const int maxText = 2080 - 8;
  if (bytes.size() > maxText) {
    int n = 0, i = 0;
    while (i < bytes.size()) {
      const int len = (uchar(bytes[i]) >= 0x81 && i + 1 < bytes.size()) ? 2 : 1;
      if (n + len > maxText) break;
      n += len;
      i += len;
    }
    bytes.truncate(n);
  }
  WriteCellHeader(0x0204, uint16_t(8 + bytes.size()), 0);
  QByteArray b;
  putU16(b, uint16_t(bytes.size()));
  b.append(bytes);
  Write(b);
  NextCell();
}

void TDBGridEhExportAsXLS::WriteNumber(double value) {
  WriteCellHeader(0x0203, 14, 0);
  char d[8];
  qToLittleEndian(value, d);
  Write(QByteArray(d, 8));
  NextCell();
}

void TDBGridEhExportAsXLS::WriteInteger(int64_t value) {
  // An integer RK holds 30 bits; anything larger is written as a NUMBER.
  if (value < -536870912 || value > 536870911) {
    WriteNumber(double(value));
    return;
  }
  WriteCellHeader(0x027E, 10, 0);
  const uint32_t rk = uint32_t(int32_t(value) * 4 + 2);
  char d[4];
  qToLittleEndian(rk, d);
  Write(QByteArray(d, 4));
  NextCell();
}

void TDBGridEhExportAsXLS::WriteBlank() {
  WriteCellHeader(0x0201, 6, 0x17);
  NextCell();
}

void TDBGridEhExportAsXLS::PutTitleRow(TColumnsEhList& columns) {
  for (int i = 0; i < columns.Count(); ++i) WriteLabel(columns[i]->Title()->Caption());
}

void TDBGridEhExportAsXLS::PutDataCell(TColumnEh* column, TColCellParamsEh& params) {
  TField* f = column->BoundField();
  if (f && !column->KeyList.isEmpty()) {
    WriteLabel(params.Text);  // a key shown through its pick-list text
    return;
  }
  if (!f || f->IsNull()) {
    WriteBlank();
    return;
  }
  switch (f->DataType()) {
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc:
      WriteInteger(f->AsLargeInt());
      break;
    case ftFloat: case ftCurrency: case ftBCD:
      WriteNumber(f->AsFloat());
      break;
    default:
      WriteLabel(params.Text);
  }
}

void TDBGridEhExportAsXLS::PutFooterCell(int colIndex, int footerRow, const QString& text, TAlignment, TColor,
                                         const TFontEh&, TColumnEh* column) {
  TColumnFooterEh* footer = column->FooterAt(footerRow);
  if (footer && (footer->ValueType() == fvtSum || footer->ValueType() == fvtCount))
    WriteNumber(double(FooterTotal(footerRow, colIndex)) / 10000.0);
  else
    WriteLabel(text);
}

// ---- entry points ------------------------------------------------------------------------

void ExportGridToFile(const TDBGridEhExportClass& exportClass, TCustomDBGridEh* grid, const QString& fileName,
                      bool whole) {
  std::unique_ptr<TDBGridEhExport> exporter = exportClass();
  exporter->Grid = grid;
  exporter->WriteRowsToFile(fileName, whole);
  if (exporter->ReplacedCharacters > 0) ShowNotice(GbkReplacementNotice(exporter->ReplacedCharacters));
}

void ExportGridToStream(const TDBGridEhExportClass& exportClass, TCustomDBGridEh* grid, QIODevice& stream,
                        bool whole) {
  std::unique_ptr<TDBGridEhExport> exporter = exportClass();
  exporter->Grid = grid;
  exporter->WriteRowsToStream(stream, whole);
}
