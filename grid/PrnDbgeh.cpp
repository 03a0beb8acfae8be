#include "grid/PrnDbgeh.h"

#include <QHash>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QPainter>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <cmath>

#include "grid/DBGridEhBookmarks.h"
#include "grid/DBGridEhImpExp.h"
#include "grid/PrnDgDlg.h"
#include "grid/PrntsEh.h"
#include "grid/PrvFrmEh.h"
#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/gbk.h"

namespace {

int roundEven(double v) { return int(std::nearbyint(v)); }

unsigned alignFlag(TAlignment a) {
  switch (a) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    default: return DT_LEFT;
  }
}

bool isWhite(TColor c) { return (ColorToRGB(c) & 0xFFFFFF) == 0xFFFFFF; }

}  // namespace

// ---- colontitles and rich texts -----------------------------------------------------------

TPageColontitle::TPageColontitle() = default;

void TPageColontitle::Assign(const TPageColontitle& src) {
  LeftText = src.LeftText;
  CenterText = src.CenterText;
  RightText = src.RightText;
  Font = src.Font;
  LineType = src.LineType;
}

TRichEditStrings::TRichEditStrings() : doc_(std::make_unique<QTextDocument>()) {}
TRichEditStrings::~TRichEditStrings() = default;

int TRichEditStrings::Count() const {
  int n = doc_->blockCount();
  if (n > 0 && doc_->lastBlock().text().isEmpty()) --n;
  return n;
}

QString TRichEditStrings::Strings(int i) const { return doc_->findBlockByNumber(i).text(); }

void TRichEditStrings::SetStrings(int i, const QString& text) {
  QTextBlock b = doc_->findBlockByNumber(i);
  if (!b.isValid()) return;
  QTextCursor c(b);
  c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  c.insertText(text);
}

void TRichEditStrings::Insert(int i, const QString& text) {
  if (i < Count()) {
    QTextCursor c(doc_->findBlockByNumber(i));
    c.insertText(text);
    c.insertBlock();
    return;
  }
  QTextCursor c(doc_.get());
  c.movePosition(QTextCursor::End);
  if (doc_->isEmpty()) {
    c.insertText(text);
  } else if (doc_->lastBlock().text().isEmpty()) {
    c.insertText(text);
  } else {
    c.insertBlock();
    c.insertText(text);
  }
}

void TRichEditStrings::Delete(int i) {
  QTextBlock b = doc_->findBlockByNumber(i);
  if (!b.isValid()) return;
  QTextCursor c(b);
  if (b.next().isValid()) {
    c.setPosition(b.next().position(), QTextCursor::KeepAnchor);
  } else {
    if (b.previous().isValid()) c.setPosition(b.previous().position() + b.previous().length() - 1);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  }
  c.removeSelectedText();
}

void TRichEditStrings::Clear() { doc_->clear(); }
QString TRichEditStrings::Text() const { return doc_->toPlainText(); }
void TRichEditStrings::SetText(const QString& text) { doc_->setPlainText(text); }
void TRichEditStrings::SetHtml(const QString& html) { doc_->setHtml(html); }
QString TRichEditStrings::Html() const { return doc_->toHtml(); }

QByteArray TRichEditStrings::SaveToBytes() const {
  return PlainText ? doc_->toPlainText().toUtf8() : doc_->toHtml().toUtf8();
}

void TRichEditStrings::LoadFromBytes(const QByteArray& bytes) {
  auto toText = [](const QByteArray& b) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString s = utf8.decode(b);
    return utf8.hasError() ? DecodeGbk(b) : s;
  };
  const QString text = toText(bytes);
  if (!PlainText && Qt::mightBeRichText(text))
    doc_->setHtml(text);
  else
    doc_->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TRichEditStrings::SaveToStream(QIODevice& stream) const {
  const QByteArray bytes = SaveToBytes();
  if (stream.write(bytes) != bytes.size()) throw Exception(QStringLiteral("Failed to Save Stream"));
}

void TRichEditStrings::LoadFromStream(QIODevice& stream) {
  if (!stream.isReadable()) throw Exception(QStringLiteral("Failed to Load Stream"));
  LoadFromBytes(stream.readAll());
}

int TRichEditStrings::ReplaceAll(const QString& key, const QString& value) {
  if (key.isEmpty()) return 0;
  int n = 0;
  QTextCursor from(doc_.get());
  while (true) {
    QTextCursor found = doc_->find(key, from);
    if (found.isNull()) break;
    found.insertText(value);  // keeps the character format of the replaced text
    from = found;             // continues after the inserted value
    ++n;
  }
  return n;
}

QString ExpandColontitleMacro(const QString& text, const QString& macro, const QString& value) {
  const QString upperMacro = macro.toUpper();
  QString out;
  int pos = 0;
  while (true) {
    const int found = text.toUpper().indexOf(upperMacro, pos);
    if (found < 0) break;
    if (found > 0 && text[found - 1] == QLatin1Char('&')) {
      out += text.mid(pos, found + int(macro.size()) - pos);
    } else {
      out += text.mid(pos, found - pos);
      out += value;
    }
    pos = found + int(macro.size());
  }
  out += text.mid(pos);
  return out;
}

// ---- the component -----------------------------------------------------------------------

TPrintDBGridEh::TPrintDBGridEh(QObject* owner) : QObject(owner) {}
TPrintDBGridEh::~TPrintDBGridEh() = default;

TRichEditStrings* TPrintDBGridEh::AfterGridText() {
  if (!after_) after_ = std::make_unique<TRichEditStrings>();
  return after_.get();
}

TRichEditStrings* TPrintDBGridEh::BeforeGridText() {
  if (!before_) before_ = std::make_unique<TRichEditStrings>();
  return before_.get();
}

QByteArray TPrintDBGridEh::BeforeGridTextData() {
  return BeforeGridText()->Count() > 0 ? BeforeGridText()->SaveToBytes() : QByteArray();
}
QByteArray TPrintDBGridEh::AfterGridTextData() {
  return AfterGridText()->Count() > 0 ? AfterGridText()->SaveToBytes() : QByteArray();
}
void TPrintDBGridEh::SetBeforeGridTextData(const QByteArray& bytes) { BeforeGridText()->LoadFromBytes(bytes); }
void TPrintDBGridEh::SetAfterGridTextData(const QByteArray& bytes) { AfterGridText()->LoadFromBytes(bytes); }

void TPrintDBGridEh::SetUnits(TMeasureUnits u) {
  if (u == units_) return;
  units_ = u;
  auto convert = [u](Money& m) {
    const double factor = u == Inches ? 3937.0 / 10000.0 : 25400.0 / 10000.0;
    m = Money::fromUnits(int64_t(std::nearbyint(double(m.units()) * factor)));
  };
  convert(Page.BottomMargin);
  convert(Page.RightMargin);
  convert(Page.LeftMargin);
  convert(Page.TopMargin);
}

void TPrintDBGridEh::AssignSubstitutes(const QStringList& pairs) {
  substitutesAssigned_ = true;
  keys_.clear();
  values_.clear();
  for (int k = 0; k < pairs.size(); k += 2) {
    keys_ << pairs[k];
    values_ << (k + 1 < pairs.size() ? pairs[k + 1] : QString());
  }
}

bool TPrintDBGridEh::RunPageSetupDialog() {
  TfPrnDBGridEhSetupDialog* dlg = SharedPageSetupDialog();
  return dlg->Execute(this);
}

void TPrintDBGridEh::SetupAndPreview() {
  if (RunPageSetupDialog()) ShowPreview();
}

void TPrintDBGridEh::ShowPreview() {
  TPrinterPreview* preview = SharedPrinterPreview();
  if (OnPrinterSetupDialog)
    preview->SetPrinterSetupHandler(OnPrinterSetupDialog, this);
  else
    preview->SetPrinterSetupHandler([this](QObject*) { SetupAndPreview(); }, this);
  preview->PrintComponentToHandOver = this;
  RenderPages(preview);
}

// ---- one rendering run -------------------------------------------------------------------

struct TPrintDBGridEh::Run {
  struct Pos {
    QByteArray bookmark;
    int footer = -1;
    bool isData = false;
    bool finished = false;
    int mark = -1;  // index among the marked rows, or among the records of a rectangle
    int rowOffset = 0;  // the height of the row printed on earlier pages (a row taller than a page)
    bool operator==(const Pos& o) const {
      return bookmark == o.bookmark && footer == o.footer && isData == o.isData && finished == o.finished &&
             mark == o.mark && rowOffset == o.rowOffset;
    }
  };

  TPrintDBGridEh* owner;
  TDBGridEh* grid;
  TDataSet* ds;
  TVirtualPrinter* vp;
  TCanvas* canvas = nullptr;
  std::unique_ptr<TCanvas> scratch;
  bool counting = false;
  bool firstPage = true;
  int DX = 600, DY = 600, SX = kScreenPixelsPerInch, SY = kScreenPixelsPerInch;
  double KX = 1, KY = 1;
  int Left = 0, Top = 0, Right = 0, Bottom = 0, LW = 1, PX = 2, PY = 2, LY = 1, Y = 0;
  QRect headerBand, footerBand;
  int gridTop = 0;
  bool fitScaled = false;
  double fitFactor = 1;
  std::vector<TColumnEh*> cols;
  std::vector<int> widths, clipped, partEnds, rowHeights;
  // The whole height of each row on the page (above its height on the page for a row cut at
  // the page's foot or continued from the page before).
  std::vector<int> rowFullHeights;
  // The height of one text line of the grid's font, where a row taller than a page is cut.
  int textLine = 0;
  // While a share of a row taller than a page is drawn: where the share starts in the row and
  // its height (-1 otherwise). Only the text lines that start in the share are drawn.
  int pieceTop = 0, pieceHeight = -1;
  // The grid lines of the current part: the points of every polyline, and each one's count.
  std::vector<QPoint> linePoints;
  std::vector<int> lineCounts;
  int defaultRowHeight = 0, titleRowHeight = 0, titleBoxHeight = 0, titleBoxInset = 0;
  bool wordWrap = false;
  std::vector<QString> prevTexts;
  std::vector<bool> hasPrev;
  std::vector<int64_t> footerValues;
  TExportTitleLevelsEh levels;
  std::vector<int> levelHeights;
  int pageTotal = 1;
  int pagesStarted = 1;
  QString shortDate, longDate, timeText, pagesText = QStringLiteral("1");
  TColCellParamsEh params;
  TFontEh paramsFont;

  QElapsedTimer sinceEvents;
  static constexpr int kEventInterval = 10;  // ms

  TDBGridEhSelectionType selection = gstNon;
  QStringList marks;
  int rectRows = 0;  // records of a rectangle selection

  Run(TPrintDBGridEh* o, TVirtualPrinter* p)
      : owner(o), grid(o->grid_), ds(o->grid_->DataSet()), vp(p),
        selection(o->grid_->CurrentSelection()->ActiveType()) {
    if (selection == gstRecordBookmarks) marks = grid->CurrentSelection()->Rows().ReachableBookmarks();
    sinceEvents.start();
  }

  // ---- fonts and text ----
  TFont printFont(const TFontEh& f) const {
    TFont t = TFont::fromQFont(f.Font, f.Color, kScreenPixelsPerInch);
    if (!owner->PrintFontName.isEmpty()) t.setName(owner->PrintFontName);
    return t;
  }
  // Cells set the same few fonts again and again: the conversion is made once per change.
  void setFont(const TFontEh& f) {
    if (!(haveFontEh_ && f.Color == lastFontEh_.Color && f.Font == lastFontEh_.Font &&
          f.Font.resolveMask() == lastFontEh_.Font.resolveMask())) {
      lastFontEh_ = f;
      lastFont_ = printFont(f);
      haveFontEh_ = true;
    }
    canvas->setFont(lastFont_);
  }
  TFontEh lastFontEh_;
  TFont lastFont_;
  bool haveFontEh_ = false;
  void setFont(const TFont& f) {
    TFont t = f;
    if (!owner->PrintFontName.isEmpty()) t.setName(owner->PrintFontName);
    canvas->setFont(t);
  }

  // Lays a text out in a rectangle, or measures it. Margins indent the text inside the
  // rectangle (negative margins let it extend beyond, clipped to the rectangle).
  int WritePrintText(QRect rect, bool fill, bool measure, int rightMargin, int leftMargin, bool endEllipsis,
                     bool wrap, TTextLayout layout, TAlignment alignment, const QString& text, int dy, int dx) {
    if (measure) {
      QRect r = rect.adjusted(dx, dy, -dx, -dy);
      r.setHeight(0);
      if (r.width() < 1) r.setWidth(1);
      noteCanvasFont();
      // A text without line breaks is one line unless it wraps for want of width.
      const int simple = SimpleTextWidth(text);
      if (simple >= 0 && (!wrap || simple <= r.width()))
        return canvas->GetTextMetrics().tmHeight + canvas->FontExternalLeading() + 2 * dy;
      // A list repeats its texts (items, months, states, amounts): each is laid out once per
      // font and width.
      QString key = text;
      key += QChar(wrap ? 1 : 2);
      key += QString::number(r.width());
      auto known = measuredHeights_.constFind(key);
      int height;
      if (known != measuredHeights_.constEnd()) {
        height = *known;
      } else {
        unsigned flags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : 0);
        canvas->DrawText(text.isEmpty() ? QStringLiteral(" ") : text, r, flags);
        height = r.height();
        if (measuredHeights_.size() > 20000) measuredHeights_.clear();
        measuredHeights_.insert(key, height);
      }
      return height + canvas->FontExternalLeading() + 2 * dy;
    }
    if (fill) {
      canvas->brush().style = bsSolid;
      canvas->FillRect(rect);
    }
    QRect r = rect.adjusted(dx, dy, -dx, -dy);
    if (dx > 0) r.setBottom(r.bottom() + 1);
    unsigned flags = DT_NOPREFIX | DT_EXPANDTABS | alignFlag(alignment) | (wrap ? DT_WORDBREAK : 0) |
                     (endEllipsis ? DT_END_ELLIPSIS : 0);
    QRect textRect(r.left() + leftMargin, r.top(), r.width() - leftMargin - rightMargin, r.height());
    if (DrawOneLine(rect, textRect, wrap, layout, alignment, leftMargin >= 0 && rightMargin >= 0, text)) return 0;
    if (layout != tlTop) {
      QRect m = textRect;
      m.setHeight(0);
      canvas->DrawText(text, m, flags | DT_CALCRECT);
      const int h = m.height();
      const int off = layout == tlCenter ? (r.height() - h) / 2 : r.height() - h;
      if (off > 0) textRect.setTop(textRect.top() + off);
    }
    const TBrushStyle keep = canvas->brush().style;
    canvas->brush().style = bsClear;
    canvas->SaveState();
    canvas->IntersectClipRect(rect);
    canvas->DrawText(text, textRect, flags | DT_NOCLIP);
    canvas->RestoreState();
    canvas->brush().style = keep;
    return 0;
  }

  // Heights of texts already measured, and widths of one-line texts, in the canvas font
  // `measuredFont_`.
  TFont measuredFont_;
  QHash<QString, int> measuredHeights_;
  QHash<QString, int> lineWidths_;
  void noteCanvasFont() {
    if (canvas->font() == measuredFont_) return;
    measuredHeights_.clear();
    lineWidths_.clear();
    measuredFont_ = canvas->font();
  }

  // The width of `text` as one line in the canvas font (as the canvas's text layout measures
  // a line); -1 when the text needs the full layout (line breaks or tabs).
  int SimpleTextWidth(const QString& text) {
    for (QChar ch : text)
      if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r') || ch == QLatin1Char('\t')) return -1;
    auto known = lineWidths_.constFind(text);
    if (known != lineWidths_.constEnd()) return *known;
    if (lineWidths_.size() > 50000) lineWidths_.clear();
    const int w = canvas->TextWidth(text);
    lineWidths_.insert(text, w);
    return w;
  }

  // Draws a text that is one line in `textRect` as the canvas's formatted text would (same
  // place, same clip), without laying it out again. False when the text needs the full
  // layout: line breaks or tabs, too wide for the rectangle, trailing spaces that a word
  // break drops, or margins that let it reach outside the rectangle.
  bool DrawOneLine(const QRect& rect, QRect textRect, bool wrap, TTextLayout layout, TAlignment alignment,
                   bool insideMargins, const QString& text) {
    if (!insideMargins || text.isEmpty() || (wrap && text.endsWith(QLatin1Char(' ')))) return false;
    noteCanvasFont();
    const int w = SimpleTextWidth(text);
    if (w < 0 || w > textRect.width()) return false;
    const int lineHeight = canvas->GetTextMetrics().tmHeight;
    if (layout != tlTop) {
      const int off = layout == tlCenter ? (textRect.height() - lineHeight) / 2 : textRect.height() - lineHeight;
      if (off > 0) textRect.setTop(textRect.top() + off);
    }
    int x = textRect.left();
    if (alignment == taCenter)
      x = textRect.left() + (textRect.width() - w) / 2;
    else if (alignment == taRightJustify)
      x = textRect.right() + 1 - w;
    const int y = textRect.top();
    const TBrushStyle keep = canvas->brush().style;
    canvas->brush().style = bsClear;
    // The clip matters only for a line that reaches below the rectangle.
    const bool clip = y < rect.top() || y + lineHeight > rect.bottom() + 1;
    if (clip) {
      canvas->SaveState();
      canvas->IntersectClipRect(rect);
    }
    canvas->TextOut(x, y, text);
    if (clip) canvas->RestoreState();
    canvas->brush().style = keep;
    return true;
  }

  // The canvas font as the grid's text routines take it, sized for the printer.
  TFontEh CanvasFontEh() const {
    TFontEh f;
    f.Font = canvas->font().toQFont();
    f.Color = canvas->font().color();
    return f;
  }
  static bool IsVertical(TColumnEh* c) { return c->Title()->Orientation() == tohVertical; }

  int PrintTextWidth(const QString& text) {
    QRect r(0, 0, 1, 0);
    canvas->DrawText(text, r, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | DT_SINGLELINE);
    return r.width();
  }

  // ---- macros ----
  void fillMacroValues() {
    const TDateTime now = Now();
    shortDate = FormatDateTime(QStringLiteral("ddddd"), now);
    longDate = FormatDateTime(QStringLiteral("dddddd"), now);
    timeText = FormatDateTime(QStringLiteral("tt"), now);
  }
  QString expandMacros(QString s) const {
    s = ExpandColontitleMacro(s, QStringLiteral("&[Page]"), QString::number(vp->ReadPageNumber()));
    s = ExpandColontitleMacro(s, QStringLiteral("&[ShortDate]"), shortDate);
    s = ExpandColontitleMacro(s, QStringLiteral("&[Date]"), shortDate);
    s = ExpandColontitleMacro(s, QStringLiteral("&[LongDate]"), longDate);
    s = ExpandColontitleMacro(s, QStringLiteral("&[Time]"), timeText);
    s = ExpandColontitleMacro(s, QStringLiteral("&[Pages]"), pagesText);
    return s;
  }
  bool NeedsPageCount() const {
    for (const QStringList* l : {&owner->PageHeader.LeftText, &owner->PageHeader.CenterText, &owner->PageHeader.RightText,
                                 &owner->PageFooter.LeftText, &owner->PageFooter.CenterText, &owner->PageFooter.RightText})
      if (l->join(QStringLiteral("\r\n")).contains(QStringLiteral("&[Pages]"))) return true;
    return false;
  }

  // ---- page header and footer ----
  int PaintColontitle(const TPageColontitle& ct, QRect band, bool header, bool measure) {
    setFont(ct.Font);
    int h = 0;
    const QStringList* texts[3] = {&ct.LeftText, &ct.CenterText, &ct.RightText};
    const TAlignment aligns[3] = {taLeftJustify, taCenter, taRightJustify};
    for (int k = 0; k < 3; ++k) {
      if (texts[k]->isEmpty()) continue;
      const QString text = expandMacros(texts[k]->join(QLatin1Char('\n')));
      const int th = WritePrintText(band, false, true, 0, 0, false, false, header ? tlTop : tlBottom, aligns[k], text, 0, 0);
      if (!(measure || counting))
        WritePrintText(band, false, false, 0, 0, false, false, header ? tlTop : tlBottom, aligns[k], text, 0, 0);
      h = std::max(h, th);
    }
    int height = h;
    if (h > 0) height += DY / 20;
    if (ct.LineType != pcltNon) height += DY / 20;
    if (ct.LineType == pcltDoubleLine) height += DY / 30;
    if (!measure && !counting && ct.LineType != pcltNon) {
      canvas->pen().width = LW;
      auto line = [&](int y) {
        canvas->MoveTo(band.left(), y);
        canvas->LineTo(band.right() + 1, y);
      };
      if (header) {
        line(band.bottom() + 1 - DY / 20);
        if (ct.LineType == pcltDoubleLine) line(band.bottom() + 1 - DY / 20 - DY / 30);
      } else {
        line(band.top() + DY / 20);
        if (ct.LineType == pcltDoubleLine) line(band.top() + DY / 20 + DY / 30);
      }
    }
    return height;
  }

  void SetupPageCanvas() {
    canvas->pen() = TPen();
    canvas->pen().width = LW;
    canvas->brush().style = bsClear;
    canvas->brush().color = clWhite;
    setFont(grid->GridFont());
    if (fitScaled && canvas->painter()) {
      canvas->painter()->resetTransform();
      canvas->painter()->scale(fitFactor, fitFactor);
    }
  }

  void StartNewPage() {
    ++pagesStarted;
    if (counting) {
      ++pageTotal;
      SetupPageCanvas();
      return;
    }
    vp->NewPage();
    canvas = vp->ReadCanvas();
    SetupPageCanvas();
    PaintColontitle(owner->PageHeader, headerBand, true, false);
    PaintColontitle(owner->PageFooter, footerBand, false, false);
    SetupPageCanvas();
  }

  // ---- rich texts ----
  void PrintRichText(TRichEditStrings* strings) {
    if (!strings || strings->Count() == 0) return;
    QTextDocument* doc = strings->Document();
    const double docPerPxX = double(kScreenPixelsPerInch) / DX, docPerPxY = double(kScreenPixelsPerInch) / DY;
    doc->setTextWidth((Right - Left) * docPerPxX);
    doc->documentLayout();  // lay out
    std::vector<double> bottoms;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
      const QRectF br = doc->documentLayout()->blockBoundingRect(b);
      QTextLayout* layout = b.layout();
      for (int i = 0; layout && i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        bottoms.push_back(br.top() + line.y() + line.height());
      }
      bottoms.push_back(br.bottom());
    }
    std::sort(bottoms.begin(), bottoms.end());
    // The end of the last line (the document's own bottom margin is not printed).
    const double docH = bottoms.empty() ? 0 : bottoms.back();
    double s = 0;
    int guard = 0;
    while (s < docH - 0.5 && guard++ < 100000) {
      const double avail = (Bottom - (gridTop + Y)) * docPerPxY;
      double end = -1;
      for (double b : bottoms)
        if (b > s + 0.01 && b <= s + avail + 0.01) end = b;
      if (end < 0) {
        if (Y > 0) {
          StartNewPage();
          Y = 0;
          continue;
        }
        // A line taller than a whole page: print the page's share of it, so the run moves on.
        if (avail < 1) break;
        end = std::min(docH, s + avail);
      }
      if (!counting && canvas->painter()) {
        QPainter* p = canvas->painter();
        p->save();
        p->translate(Left, gridTop + Y);
        p->scale(1.0 / docPerPxX, 1.0 / docPerPxY);
        p->translate(0, -s);
        doc->drawContents(p, QRectF(0, s, doc->textWidth(), end - s));
        p->restore();
      }
      Y += int(std::ceil((end - s) / docPerPxY));
      s = end;
      if (s < docH - 0.5) {
        StartNewPage();
        Y = 0;
      }
    }
  }

  // ---- rows ----
  Pos ToFooters() const {
    Pos p;
    if (grid->FooterRowCount() > 0)
      p.footer = 0;
    else
      p.finished = true;
    return p;
  }
  Pos DataRow(int mark = -1) const {
    Pos p;
    p.bookmark = ds->GetBookmark();
    p.isData = true;
    p.mark = mark;
    return p;
  }
  // The marked row at index `from` or after it whose record still exists.
  Pos MarkedRowFrom(int from) {
    for (int i = from; i < marks.size(); ++i) {
      const QByteArray bm = marks[i].toLatin1();
      if (!ds->BookmarkValid(bm)) continue;  // a deleted record's mark is passed over
      ds->GotoBookmark(bm);
      return DataRow(i);
    }
    return ToFooters();
  }
  Pos FirstPrintRow() {
    ds->First();
    if (ds->Eof()) return ToFooters();
    if (selection == gstRecordBookmarks) return MarkedRowFrom(0);
    if (selection == gstRectangle) {
      // From the first record shown between the corners, whether or not the top corner's is.
      rectRows = grid->CurrentSelection()->Rect().GotoFirstShownRow();
      if (rectRows == 0) return ToFooters();
    }
    return DataRow(selection == gstRectangle ? 0 : -1);
  }
  Pos NextPrintRow(const Pos& from) {
    if (from.finished) return from;
    if (from.isData) {
      if (selection == gstRecordBookmarks) return MarkedRowFrom(from.mark + 1);
      if (selection == gstRectangle && from.mark + 1 >= rectRows) return ToFooters();
      ds->Next();
      if (ds->Eof()) return ToFooters();
      return DataRow(selection == gstRectangle ? from.mark + 1 : -1);
    }
    Pos p;
    if (from.footer < grid->FooterRowCount() - 1)
      p.footer = from.footer + 1;
    else
      p.finished = true;
    return p;
  }
  void SeekPrintRow(const Pos& p) {
    if (p.isData) ds->GotoBookmark(p.bookmark);
  }

  TField* footerField(TColumnEh* c, TColumnFooterEh* f) const {
    const QString name = f->FieldName().isEmpty() ? c->FieldName() : f->FieldName();
    return name.isEmpty() ? nullptr : ds->FindField(name);
  }

  void AccumulatePrintFooters() {
    const int n = int(cols.size());
    for (int r = 0; r < grid->FooterRowCount(); ++r)
      for (int i = 0; i < n; ++i) {
        TColumnFooterEh* f = cols[size_t(i)]->FooterAt(r);
        if (!f) continue;
        TField* field = footerField(cols[size_t(i)], f);
        if (!field) continue;
        int64_t& e = footerValues[size_t(i + r * n)];
        if (f->ValueType() == fvtSum) {
          if (field->IsNull()) continue;
          if (field->DataType() == ftCurrency || field->DataType() == ftBCD)
            e += field->AsMoney().units();
          else
            e += Money::fromDouble(field->AsFloat()).units();
        } else if (f->ValueType() == fvtCount) {
          e += 10000;
        }
      }
  }

  QString PrintFooterText(int n, int i) {
    TColumnEh* c = cols[size_t(i)];
    TColumnFooterEh* f = c->FooterAt(n);
    const Money value = Money::fromUnits(footerValues[size_t(i + n * int(cols.size()))]);
    if (f->ValueType() == fvtCount) {
      if (!f->DisplayFormat().isEmpty()) return FormatFloat(f->DisplayFormat(), value);
      return QString::number(value.units() / 10000);
    }
    TField* field = footerField(c, f);
    if (!field) return QString();
    if (!f->DisplayFormat().isEmpty()) return FormatFloat(f->DisplayFormat(), value);
    const QString& fmt = field->DisplayFormat;
    switch (field->DataType()) {
      case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc:
        return fmt.isEmpty() ? QString::number(value.units() / 10000) : FormatFloat(fmt, value);
      case ftFloat:
        if (!fmt.isEmpty()) return FormatFloat(fmt, value);
        return FloatToStrF(value.toDouble(), field->Currency ? ffCurrency : ffGeneral, field->Precision,
                           DefaultFormatSettings().currencyDecimals);
      case ftCurrency: case ftBCD:
        if (!fmt.isEmpty()) return FormatCurr(fmt, value);
        return CurrToStrF(value, field->Currency ? ffCurrency : ffGeneral,
                          field->Currency ? DefaultFormatSettings().currencyDecimals : 0);
      default:
        return QString();
    }
  }

  void fillCellParams(TColumnEh* c, TColor background) {
    paramsFont = c->Font();
    params.Font = &paramsFont;
    params.Background = background;
    params.Alignment = c->Alignment();
    params.Text = c->CellDisplayText();
    params.CheckMark = c->Checkboxes() ? c->CellCheckState() : cbUnchecked;
    params.ImageIndex = c->CellImageIndex();
    params.Row = -1;
    params.Col = -1;
    params.State = TGridDrawState();
    TColor bg = background;
    if (grid->OnGetCellParams) grid->OnGetCellParams(grid, c, paramsFont, bg, params.State);
    params.Background = bg;
    c->FireGetCellParams(false, params);
  }

  // Measures (returns the height) or draws one cell.
  int PaintPrintCell(int i, const QRect& R, const Pos& pos, int j, bool measure) {
    TColumnEh* c = cols[size_t(i)];
    const QRect inner = R.adjusted(PX, PY, -PX, -PY);
    const bool wrap = measure ? (owner->Options & pghRowAutoStretch) != 0 : wordWrap;
    const bool drawing = !measure && !counting;
    if (pos.isData) {
      fillCellParams(c, (owner->Options & pghColored) ? c->Color() : clWhite);
      setFont(*params.Font);
      canvas->brush().color = params.Background;
      QString text = params.Text;
      if (!measure && c->HideDuplicates()) {
        const bool dup = j > 0 && hasPrev[size_t(i)] && prevTexts[size_t(i)] == params.Text;
        prevTexts[size_t(i)] = params.Text;
        hasPrev[size_t(i)] = true;
        if (dup) text.clear();
      }
      if (drawing && !isWhite(params.Background)) {
        canvas->brush().style = bsSolid;
        canvas->FillRect(R);
      }
      if (drawing && c->Checkboxes()) {
        const int gw = int(13 * KX), gh = int(13 * KY);
        QRect box = inner;
        if (inner.width() >= gw) box = QRect(inner.left() + inner.width() / 2 - gw / 2, box.top(), gw, box.height());
        if (inner.height() >= gh) box = QRect(box.left(), inner.top() + inner.height() / 2 - gh / 2, box.width(), gh);
        const unsigned state = params.CheckMark == cbChecked ? 0x400 : params.CheckMark == cbGrayed ? 0x408 : 0;
        canvas->DrawFrameControl(box, DFC_BUTTON, state);
        return 0;
      }
      QRect textRect = inner;
      if (drawing && pieceHeight >= 0 && wrap && !text.isEmpty()) {
        // A share of a row taller than a page: the lines that start in it, where they stand.
        const QStringList lines = canvas->WrapText(text, inner.width(), DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        const int lh = std::max(1, canvas->GetTextMetrics().tmHeight);
        int first = 0;
        while (first < lines.size() && PY + first * lh < pieceTop) ++first;
        int last = first;
        while (last < lines.size() && PY + last * lh < pieceTop + pieceHeight) ++last;
        text = lines.mid(first, last - first).join(QLatin1Char('\n'));
        textRect = QRect(inner.left(), inner.top() + first * lh, inner.width(), std::max(1, (last - first) * lh));
        if (text.isEmpty()) return 0;
      }
      const int h = WritePrintText(textRect, false, measure || counting, 0, 0, c->EndEllipsis(), wrap, c->Layout(),
                                   params.Alignment, text, 0, 0);
      return measure || counting ? h + 2 * PY : 0;
    }
    // A footer row.
    TColumnFooterEh* f = c->FooterAt(pos.footer);
    TAlignment alignment = f ? f->Alignment() : taLeftJustify;
    QString text;
    if (f && (f->ValueType() == fvtSum || f->ValueType() == fvtCount))
      text = PrintFooterText(pos.footer, i);
    else if (f)
      text = grid->FooterCellText(pos.footer, c);
    TColor bg = (owner->Options & pghColored) && f ? f->Color() : clWhite;
    TFontEh font = f ? f->Font() : grid->FooterFont();
    if (grid->OnGetFooterParams)
      grid->OnGetFooterParams(grid, grid->Columns()->IndexOf(c), pos.footer, c, font, bg, alignment, TGridDrawState(),
                              text);
    setFont(font);
    canvas->brush().color = bg;
    if (drawing && !isWhite(bg)) {
      canvas->brush().style = bsSolid;
      canvas->FillRect(R);
    }
    const int h = WritePrintText(inner, false, measure || counting, 0, 0, f && f->EndEllipsis(), wrap, c->Layout(),
                                 alignment, text, 0, 0);
    return measure || counting ? h + 2 * PY : 0;
  }

  // ---- layout of the run ----
  void CollectPrintColumns() {
    TDBGridEhSelection* sel = grid->CurrentSelection();
    if (selection == gstRectangle) {
      for (int i = std::max(0, sel->Rect().LeftCol()); i <= sel->Rect().RightCol() && i < grid->Columns()->Count(); ++i)
        if (grid->Columns()->Items(i)->Visible()) cols.push_back(grid->Columns()->Items(i));
    } else if (selection == gstColumns) {
      for (int i = 0; i < sel->Columns().Count(); ++i) cols.push_back(sel->Columns()[i]);
    } else {
      for (int i = 0; i < grid->Columns()->Count(); ++i)
        if (grid->Columns()->Items(i)->Visible()) cols.push_back(grid->Columns()->Items(i));
    }
    prevTexts.assign(cols.size(), QString());
    hasPrev.assign(cols.size(), false);
    footerValues.assign(size_t(std::max(0, grid->FooterRowCount())) * cols.size(), 0);
  }

  void ComputeColumnWidths() {
    widths.clear();
    for (TColumnEh* c : cols) widths.push_back(roundEven((c->Width() + 1) * KX));
    if (owner->Options & pghOptimalColWidths) {
      for (size_t i = 0; i < cols.size(); ++i) {
        setFont(cols[i]->Title()->Font());
        QString caption = cols[i]->Title()->Caption();
        if (grid->UseMultiTitle()) caption = caption.section(QLatin1Char('|'), -1);
        widths[i] = std::max(10, PrintTextWidth(caption) + 2 * PX);
      }
      for (Pos p = FirstPrintRow(); !p.finished; p = NextPrintRow(p)) {
        for (size_t i = 0; i < cols.size(); ++i) {
          int w = 0;
          if (p.isData) {
            fillCellParams(cols[i], clWhite);
            setFont(*params.Font);
            w = PrintTextWidth(params.Text) + 2 * PX;
          } else {
            setFont(cols[i]->FooterAt(p.footer) ? cols[i]->FooterAt(p.footer)->Font() : grid->FooterFont());
            w = PrintTextWidth(grid->FooterCellText(p.footer, cols[i])) + 2 * PX;
          }
          widths[i] = std::max(widths[i], w);
        }
      }
      ds->First();
    }
    if ((owner->Options & pghFitGridToPageWidth) && (owner->Options & pghFitingByColWidths)) {
      const int A = Right - Left - LW;
      int total = 0;
      for (int w : widths) total += w;
      if (total > A && total > 0) {
        int sum = 0;
        for (int& w : widths) {
          w = MulDiv(w, A, total);
          sum += w;
        }
        if (sum > A && !widths.empty()) widths.back() -= sum - A;
      }
    }
  }

  void FitGridToPage() {
    if (!(owner->Options & pghFitGridToPageWidth)) return;
    int G = LW;
    for (int w : widths) G += w;
    const int span = Right - Left;
    if (span < G && span > 0) {
      fitScaled = true;
      fitFactor = double(span) / G;
      Right = MulDiv(Right, G, span);
      Left = MulDiv(Left, G, span);
      Top = MulDiv(Top, G, span);
      Bottom = MulDiv(Bottom, G, span);
    }
  }

  void SplitColumnsIntoParts() {
    clipped.assign(widths.size(), 0);
    partEnds.clear();
    int x = Left + LW;
    for (size_t i = 0; i < widths.size(); ++i) {
      const int c = std::min(widths[i], Right - Left);
      clipped[i] = c;
      x += c;
      if (x > Right && i > 0) {
        partEnds.push_back(int(i) - 1);
        x = Left + c + LW;
      }
    }
    if (!widths.empty()) partEnds.push_back(int(widths.size()) - 1);
  }

  void DefaultPrintRowHeight() {
    setFont(grid->GridFont());
    const TTextMetric tm = canvas->GetTextMetrics();
    const int line = tm.tmHeight + tm.tmExternalLeading;
    textLine = tm.tmHeight;
    if (grid->RowHeight() != 0 || grid->RowLines() != 0)
      defaultRowHeight = grid->RowLines() * line + roundEven(grid->RowHeight() * KY);
    else
      defaultRowHeight = canvas->TextHeight(QStringLiteral("Wg")) + 2 * PY;
    wordWrap = defaultRowHeight > line + 2 * PY || (owner->Options & pghRowAutoStretch);
  }

  void TitleRowHeight() {
    titleRowHeight = 0;
    if (!(grid->Options() & dgTitles)) return;
    if (grid->UseMultiTitle()) {
      QStringList captions;
      for (TColumnEh* c : cols) captions << c->Title()->Caption();
      levels = BuildExportTitleLevels(captions);
      levelHeights.assign(levels.size(), 0);
      for (size_t l = 0; l < levels.size(); ++l)
        for (size_t i = 0; i < cols.size(); ++i) {
          const TExportTitleCellEh& cell = levels[l][i];
          if (cell.covered) continue;
          int w = 0;
          for (int k = 0; k < cell.colSpan; ++k) w += clipped[i + size_t(k)];
          setFont(cell.leaf ? cols[i]->Title()->Font() : grid->TitleFont());
          const bool vertical = cell.leaf && IsVertical(cols[i]);
          const int h = vertical ? DrawVerticalText(nullptr, CanvasFontEh(), clWhite, QRect(0, 0, w, 0), false, true,
                                                    tlBottom, taCenter, cell.text, 0, 0) +
                                       2 * PY + roundEven(KY * 4)
                                 : WritePrintText(QRect(0, 0, w, 0), false, true, 0, 0, false, true, tlCenter, taCenter,
                                                  cell.text, LY + PY, PX);
          // A leaf spanning several levels shares its height with the levels below it.
          if (cell.rowSpan == 1) levelHeights[l] = std::max(levelHeights[l], h);
        }
      for (int h : levelHeights) titleRowHeight += h;
      return;
    }
    int h = 0;
    TTextMetric tallest;
    for (TColumnEh* c : cols) {
      setFont(c->Title()->Font());
      const int th = canvas->TextHeight(QStringLiteral("Wg"));
      if (th > h) {
        h = th;
        tallest = canvas->GetTextMetrics();
      }
    }
    if (cols.empty()) {
      setFont(grid->TitleFont());
      h = canvas->TextHeight(QStringLiteral("Wg"));
      tallest = canvas->GetTextMetrics();
    }
    h += 2 * PY;
    if (grid->TitleHeight() == 0 && grid->TitleLines() == 0) {
      titleRowHeight = h;
      return;
    }
    titleRowHeight = PY + grid->TitleLines() * tallest.tmHeight + tallest.tmExternalLeading +
                     roundEven(grid->TitleHeight() * KY) + ((grid->Options() & dgRowLines) ? LY : 0);
  }

  void TitleBoxHeight() {
    titleBoxHeight = 0;
    QString text = owner->Title.join(QLatin1Char('\n'));
    if (owner->Title.isEmpty()) return;
    int w = 0;
    for (int c : clipped) w += c;
    setFont(grid->TitleFont());
    titleBoxInset = grid->UseMultiTitle() ? roundEven(grid->VTitleMargin() * KY / 2) : PY;
    titleBoxHeight = WritePrintText(QRect(0, 0, std::max(1, w), 0), false, true, 0, 0, false, true, tlTop, taCenter,
                                    text, titleBoxInset, PX);
  }

  // ---- drawing of a part ----
  void addLines(std::initializer_list<QPoint> pts) {
    linePoints.insert(linePoints.end(), pts);
    lineCounts.push_back(int(pts.size()));
  }
  // Draws the collected polylines in one call, as the canvas draws lines: the pen LW wide
  // with flat ends, each segment leaving its end point to the next.
  void DrawGridLines() {
    canvas->pen() = TPen();
    canvas->pen().width = LW;
    QPainter* p = canvas->painter();
    if (!p) return;
    QVector<QLine> segments;
    segments.reserve(qsizetype(linePoints.size()));
    size_t at = 0;
    for (int n : lineCounts) {
      for (int k = 1; k < n; ++k)
        if (linePoints[at + size_t(k) - 1] != linePoints[at + size_t(k)])
          segments.append(QLine(linePoints[at + size_t(k) - 1], linePoints[at + size_t(k)]));
      at += size_t(n);
    }
    QPen pen(ToQColor(canvas->pen().color));
    pen.setWidth(LW <= 1 ? 0 : LW);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p->setPen(pen);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawLines(segments.constData(), int(segments.size()));
  }

  int partWidth(int first, int last) const {
    int w = 0;
    for (int i = first; i <= last; ++i) w += clipped[size_t(i)];
    return w;
  }

  void PaintTitleBox(int first, int last) {
    if (owner->Title.isEmpty()) return;
    const int bottom = Top + Y - titleRowHeight, top = bottom - titleBoxHeight;
    const int right = Left + partWidth(first, last);
    const QRect r = RectLTRB(Left, top, right, bottom);
    setFont(grid->TitleFont());
    const bool colored = owner->Options & pghColored;
    canvas->brush().color = colored ? grid->FixedColor() : clWhite;
    const int before = partWidth(0, first - 1), after = partWidth(last + 1, int(cols.size()) - 1);
    if (!counting)
      WritePrintText(r, colored, false, PX - after, PX - before, false, true, tlTop, taCenter,
                     owner->Title.join(QLatin1Char('\n')), titleBoxInset, 0);
    addLines({QPoint(r.left(), r.bottom() + 1), QPoint(r.left(), r.top()), QPoint(r.right() + 1, r.top()),
              QPoint(r.right() + 1, r.bottom() + 1)});
  }

  void PaintTitleRow(int first, int last) {
    if (!(grid->Options() & dgTitles)) {
      PaintTitleBox(first, last);
      return;
    }
    const bool colored = owner->Options & pghColored;
    const int bottom = Top + Y;
    if (grid->UseMultiTitle()) {
      int top = bottom - titleRowHeight;
      const int partRight = Left + partWidth(first, last);
      for (size_t l = 0; l < levels.size(); ++l) {
        int rowTop = top;
        for (int i = first; i <= last; ++i) {
          // The head of the cell covering this column at this level (to the left when the
          // part starts inside a group).
          int head = i;
          while (head > 0 && levels[l][size_t(head)].covered && !(levels[l][size_t(head)].leaf)) {
            bool coveredFromAbove = false;
            for (size_t up = 0; up < l; ++up)
              if (levels[up][size_t(head)].leaf) coveredFromAbove = true;
            if (coveredFromAbove) break;
            --head;
          }
          const TExportTitleCellEh& cell = levels[l][size_t(head)];
          if (cell.covered) continue;  // under a leaf that spans levels
          if (head != i && i != first) continue;
          int h = 0;
          for (int k = 0; k < cell.rowSpan && l + size_t(k) < levels.size(); ++k) h += levelHeights[l + size_t(k)];
          const int x0 = Left + partWidth(first, head - 1) - (head < first ? partWidth(head, first - 1) : 0);
          int w = 0;
          for (int k = 0; k < cell.colSpan; ++k) w += clipped[size_t(head + k)];
          const QRect full(x0, rowTop, w, h);
          const QRect visible = full.intersected(RectLTRB(Left, rowTop, partRight, rowTop + h));
          setFont(cell.leaf ? cols[size_t(head)]->Title()->Font() : grid->TitleFont());
          canvas->brush().color = colored ? grid->FixedColor() : clWhite;
          if (!counting) {
            if (colored) {
              canvas->brush().style = bsSolid;
              canvas->FillRect(visible);
            }
            const int cutLeft = visible.left() - full.left(), cutRight = full.right() - visible.right();
            if (cell.leaf && IsVertical(cols[size_t(head)]))
              DrawVerticalText(canvas->painter(), CanvasFontEh(), canvas->brush().color, visible, false, false,
                               tlBottom, taCenter, cell.text, LY + PY, 0);
            else
              WritePrintText(visible, false, false, PX - cutRight, PX - cutLeft, false, true, tlCenter, taCenter,
                             cell.text, LY, 0);
          }
          addLines({QPoint(visible.left(), visible.top()), QPoint(visible.left(), visible.bottom() + 1),
                    QPoint(visible.right() + 1, visible.bottom() + 1), QPoint(visible.right() + 1, visible.top()),
                    QPoint(visible.left(), visible.top())});
        }
        top += levelHeights[l];
      }
      PaintTitleBox(first, last);
      return;
    }
    const int top = bottom - titleRowHeight;
    int x = Left;
    for (int i = first; i <= last; ++i) {
      TColumnEh* c = cols[size_t(i)];
      const QRect r(x, top, clipped[size_t(i)], titleRowHeight);
      setFont(c->Title()->Font());
      canvas->brush().color = colored ? grid->FixedColor() : clWhite;
      if (!counting && IsVertical(c))
        DrawVerticalText(canvas->painter(), CanvasFontEh(), canvas->brush().color, r, false, false, tlBottom,
                         c->Title()->Alignment(), c->Title()->Caption(), 2 * PY, PX);
      else if (!counting)
        WritePrintText(r, colored, false, 0, 0, c->Title()->EndEllipsis(), false, tlTop, c->Title()->Alignment(),
                       c->Title()->Caption(), PY, PX);
      addLines({QPoint(r.left(), r.bottom() + 1), QPoint(r.right() + 1, r.bottom() + 1), QPoint(r.right() + 1, r.top())});
      x += clipped[size_t(i)];
    }
    addLines({QPoint(Left, bottom), QPoint(Left, top), QPoint(x, top)});
    PaintTitleBox(first, last);
  }

  // The pages of rows as the counting pass fitted them: the real pass lays its pages out the
  // same way and takes them over instead of measuring every cell again.
  struct FittedRows {
    Pos start;
    int y;
    std::vector<int> heights, fullHeights;
    Pos next;
  };
  std::vector<FittedRows> fitted;
  size_t fittedTaken = 0;
  bool takeFitted = false;

  void FitRowsOnPage(const Pos& start, Pos& next) {
    if (takeFitted && fittedTaken < fitted.size() && fitted[fittedTaken].start == start &&
        fitted[fittedTaken].y == Y) {
      const FittedRows& f = fitted[fittedTaken++];
      rowHeights = f.heights;
      rowFullHeights = f.fullHeights;
      next = f.next;
      // The footer sums still grow as the rows are taken onto the page (a row cut at the
      // page's foot counts on the page where it ends).
      SeekPrintRow(start);
      Pos p = start;
      for (size_t k = 0; k < rowHeights.size(); ++k) {
        const bool cut = k + 1 == rowHeights.size() && next.rowOffset > 0;
        if (p.isData && !cut) AccumulatePrintFooters();
        if (k + 1 < rowHeights.size()) p = NextPrintRow(p);
      }
      return;
    }
    takeFitted = false;  // the run went another way: measure from here on
    FitRowsOnPageMeasured(start, next);
    if (counting) fitted.push_back(FittedRows{start, Y, rowHeights, rowFullHeights, next});
  }

  // The part of a row from `offset` down that an empty page of `room` pixels takes: whole
  // text lines where there are any.
  int RowPieceOnPage(int offset, int room) const {
    if (textLine > 0) {
      const int end = PY + (offset + room - PY) / textLine * textLine;
      if (end > offset) return end - offset;
    }
    return room;
  }

  void FitRowsOnPageMeasured(const Pos& start, Pos& next) {
    rowHeights.clear();
    rowFullHeights.clear();
    SeekPrintRow(start);
    Pos p = start;
    int y0 = Top + Y;
    while (!p.finished) {
      int full = defaultRowHeight;
      for (size_t i = 0; i < cols.size(); ++i)
        full = std::max(full, PaintPrintCell(int(i), QRect(0, 0, clipped[i], 0), p, -1, true));
      const int h = full - p.rowOffset;
      if (y0 + h > Bottom) {
        // A row taller than an empty page fills the page and goes on at the top of the next.
        if (!rowHeights.empty() || Y > 0 || Bottom - y0 < 1) break;
        const int piece = RowPieceOnPage(p.rowOffset, Bottom - y0);
        rowHeights.push_back(piece);
        rowFullHeights.push_back(full);
        p.rowOffset += piece;
        break;
      }
      y0 += h;
      if (p.isData) AccumulatePrintFooters();
      rowHeights.push_back(h);
      rowFullHeights.push_back(full);
      p = NextPrintRow(p);
    }
    next = p;
  }

  int RenderPageParts(const Pos& start) {
    int lastBottom = Top + Y;
    for (size_t part = 0; part < partEnds.size(); ++part) {
      if (vp->ReadAborted()) throw EAbort();
      if (firstPage)
        firstPage = false;
      else
        StartNewPage();
      linePoints.clear();
      lineCounts.clear();
      SeekPrintRow(start);
      Pos pos = start;
      const int first = part == 0 ? 0 : partEnds[part - 1] + 1, last = partEnds[part];
      PaintTitleRow(first, last);
      int y = Top + Y;
      if (counting) {
        // Counting pages needs only the heights of the rows (measured when they were fitted).
        for (int h : rowHeights) y += h;
        lastBottom = y;
        continue;
      }
      for (size_t j = 0; j < rowHeights.size(); ++j) {
        int x = Left;
        const int h = rowHeights[j];
        // A row taller than a page is drawn whole, moved up by what earlier pages showed and
        // clipped to its share of this page.
        const int offset = j == 0 ? start.rowOffset : 0;
        const int full = j < rowFullHeights.size() ? rowFullHeights[j] : h;
        const bool piece = offset > 0 || full != h;
        for (int i = first; i <= last; ++i) {
          const QRect r(x, y, clipped[size_t(i)], h);
          if (piece) {
            canvas->SaveState();
            canvas->IntersectClipRect(r);
            pieceTop = offset;
            pieceHeight = h;
            PaintPrintCell(i, QRect(x, y - offset, r.width(), full), pos, int(j), false);
            pieceHeight = -1;
            canvas->RestoreState();
          } else {
            PaintPrintCell(i, r, pos, int(j), false);
          }
          if (i == first)
            addLines({QPoint(r.left(), r.top()), QPoint(r.left(), r.bottom() + 1), QPoint(r.right() + 1, r.bottom() + 1),
                      QPoint(r.right() + 1, r.top())});
          else
            addLines({QPoint(r.left(), r.bottom() + 1), QPoint(r.right() + 1, r.bottom() + 1),
                      QPoint(r.right() + 1, r.top())});
          x += clipped[size_t(i)];
        }
        // The window stays painted and the preview's stop is read: the message loop runs
        // every few milliseconds (running it after every cell would cost more than drawing).
        if (!counting && sinceEvents.elapsed() >= kEventInterval) {
          QCoreApplication::processEvents();
          sinceEvents.restart();
        }
        y += h;
        if (j + 1 < rowHeights.size()) pos = NextPrintRow(pos);
      }
      lastBottom = y;
      if (!counting) {
        DrawGridLines();
      }
    }
    return lastBottom - gridTop;
  }

  void RenderBody() {
    PrintRichText(owner->before_.get());
    if (Y >= Bottom - Top) {
      StartNewPage();
      Y = 0;
      firstPage = true;
    }
    Pos pos = FirstPrintRow();
    while (true) {
      Pos next;
      FitRowsOnPage(pos, next);
      if (rowHeights.empty() && !pos.finished && Y > 0) {
        // Nothing fits below the text before the grid: the grid starts on a fresh page.
        if (!firstPage) firstPage = true;
        StartNewPage();
        Y = 0;
        continue;
      }
      const int used = RenderPageParts(pos);
      Y = used + LW;
      pos = next;
      if (pos.finished) break;
      Y = 0;
    }
    canvas->brush().style = bsClear;
    canvas->brush().color = clWhite;
    PrintRichText(owner->after_.get());
  }
};

void TPrintDBGridEh::RenderPages(TVirtualPrinter* printer) {
  if (!grid_ || !grid_->DataSource() || !grid_->DataSet() || !grid_->DataSet()->Active() || !printer) return;
  Run run(this, printer);
  TDataSet* ds = run.ds;
  run.fillMacroValues();
  run.CollectPrintColumns();
  printer->WriteJobTitle(QStringLiteral("列表信息"));
  printer->BeginDoc();
  run.canvas = printer->ReadCanvas();
  run.firstPage = true;
  const QByteArray position = ds->IsEmpty() ? QByteArray() : ds->GetBookmark();
  if (OnBeforePrint) OnBeforePrint(this);
  // The substituted texts are restored from these copies at the end.
  QByteArray savedBefore, savedAfter;
  bool savedTexts = false;
  if (substitutesAssigned_) {
    if (before_ && before_->Count() > 0) savedBefore = before_->SaveToBytes();
    if (after_ && after_->Count() > 0) savedAfter = after_->SaveToBytes();
    for (int k = 0; k < keys_.size(); ++k) {
      if (before_) before_->ReplaceAll(keys_[k], values_[k]);
      if (after_) after_->ReplaceAll(keys_[k], values_[k]);
    }
    savedTexts = true;
  }
  ds->DisableControls();
  auto finish = [&] {
    if (OnAfterPrint) OnAfterPrint(this);
    if (savedTexts) {
      if (!savedBefore.isEmpty()) before_->LoadFromBytes(savedBefore);
      if (!savedAfter.isEmpty()) after_->LoadFromBytes(savedAfter);
    }
    if (!position.isEmpty() && ds->BookmarkValid(position)) ds->GotoBookmark(position);
    ds->EnableControls();
    lastPageCount_ = run.pagesStarted;
    run.canvas = nullptr;
    run.scratch.reset();
    printer->EndDoc();
  };
  try {
    if (!run.canvas) throw Exception(QStringLiteral("Printer is not available"));
    ds->First();
    run.SetupPageCanvas();
    // Geometry in device pixels of the printer.
    const int W = printer->ReadPageWidth(), H = printer->ReadPageHeight();
    const int OX = (printer->ReadFullPageWidth() - W) / 2, OY = (printer->ReadFullPageHeight() - H) / 2;
    run.DX = printer->ReadPixelsPerInchX();
    run.DY = printer->ReadPixelsPerInchY();
    if (run.DX <= 0) run.DX = 600;
    if (run.DY <= 0) run.DY = 600;
    // Screen pixels become printer pixels in the ratio of the resolutions, also when the
    // printer's resolution is the lower one.
    run.KX = double(run.DX) / run.SX;
    run.KY = double(run.DY) / run.SY;
    const double U = units_ == MM ? 2.54 : 1.0;
    run.Left = roundEven(run.DX * Page.LeftMargin.toDouble() / U) - OX;
    run.Top = roundEven(run.DY * Page.TopMargin.toDouble() / U) - OY;
    run.Right = W + OX - roundEven(run.DX * Page.RightMargin.toDouble() / U);
    run.Bottom = H + OY - roundEven(run.DY * Page.BottomMargin.toDouble() / U);
    run.LW = std::max(1, (run.DX + run.DY) / 200);
    run.PX = roundEven(run.KX * 2);
    run.PY = roundEven(run.KY * 2);
    run.LY = roundEven(run.KY);
    if (grid_->Flat()) {
      run.PY = roundEven(run.KY);
      run.LY = roundEven(run.KY / 2);
    }
    run.ComputeColumnWidths();
    run.FitGridToPage();
    run.SplitColumnsIntoParts();
    run.SetupPageCanvas();
    // Header and footer bands.
    const int headerH = run.PaintColontitle(PageHeader, RectLTRB(run.Left, run.Top, run.Right, run.Top), true, true);
    run.headerBand = RectLTRB(run.Left, run.Top, run.Right, run.Top + headerH);
    run.Top += headerH;
    const int footerH =
        run.PaintColontitle(PageFooter, RectLTRB(run.Left, run.Bottom, run.Right, run.Bottom), false, true);
    run.footerBand = RectLTRB(run.Left, run.Bottom - footerH, run.Right, run.Bottom);
    run.Bottom -= footerH;
    run.gridTop = run.Top;
    run.SetupPageCanvas();
    run.DefaultPrintRowHeight();
    run.TitleRowHeight();
    run.TitleBoxHeight();
    run.Top += run.titleRowHeight + run.titleBoxHeight;
    if (run.NeedsPageCount()) {
      // Counting pass: the same layout on a canvas that only measures.
      TCanvas* real = run.canvas;
      run.scratch = std::make_unique<TCanvas>(nullptr, real->pixelsPerInch());
      run.canvas = run.scratch.get();
      run.counting = true;
      QApplication::setOverrideCursor(Qt::WaitCursor);
      try {
        run.SetupPageCanvas();
        run.RenderBody();
      } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
      }
      QApplication::restoreOverrideCursor();
      run.canvas = real;
      run.scratch.reset();
      run.fillMacroValues();
      run.pagesText = QString::number(run.pageTotal);
      run.counting = false;
      run.firstPage = true;
      run.Y = 0;
      run.pagesStarted = 1;
      ds->First();
      std::fill(run.footerValues.begin(), run.footerValues.end(), 0);
      std::fill(run.hasPrev.begin(), run.hasPrev.end(), false);
      run.takeFitted = true;
      // The before-grid text is laid out again on the real pass.
    }
    run.SetupPageCanvas();
    run.PaintColontitle(PageHeader, run.headerBand, true, false);
    run.PaintColontitle(PageFooter, run.footerBand, false, false);
    run.SetupPageCanvas();
    run.RenderBody();
  } catch (const EAbort&) {
    finish();
    return;
  } catch (...) {
    finish();
    throw;
  }
  finish();
}
