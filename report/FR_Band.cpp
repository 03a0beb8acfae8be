#include "report/FR_Band.h"

#include <QBuffer>
#include <algorithm>

#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "report/FR_Intrp.h"
#include "report/FR_ValueRules.h"
#include "report/FR_Values.h"

TfrBand*& CurrentBand() {
  static TfrBand* b = nullptr;
  return b;
}
TfrBand*& AggregateBand() {
  static TfrBand* b = nullptr;
  return b;
}
TfrBand*& CrossRowBand() {
  static TfrBand* b = nullptr;
  return b;
}
std::vector<TfrPageForm*>& PageForms() {
  static std::vector<TfrPageForm*> forms;
  return forms;
}
TfrPageForm*& CurrentPageForm() {
  static TfrPageForm* f = nullptr;
  return f;
}

namespace {
bool isDataKind(int k) { return k == btMasterData || k == btDetailData || k == btSubDetailData; }
// An aggregate entry of one cross column: the column number, then the usual key.
bool isColumnKey(const QString& key) {
  const qsizetype sep = key.indexOf(QChar(1));
  if (sep <= 0) return false;
  for (qsizetype i = 0; i < sep; ++i)
    if (!key.at(i).isDigit()) return false;
  return true;
}

bool terminated(TfrReport* r) { return BuildStopRequested(r); }

// Keeps CurrentBand and CurrentView over a nested band print (page breaks print other bands).
struct BandScope {
  TfrBand* band = CurrentBand();
  TfrView* view = CurrentView();
  ~BandScope() {
    CurrentBand() = band;
    CurrentView() = view;
  }
};
}  // namespace

// ---------------------------------------------------------------------------------------
// TfrBand

TfrBand::TfrBand(int kind, TfrPageForm* form) : Form(form), Kind(kind) {}

TfrBand::~TfrBand() { FreeDataSources(); }

bool TfrBand::Real() const { return View != nullptr || (Kind == btNone && !Objects.empty()); }

void TfrBand::SetDataSource(const QString& text) {
  if (Kind == btGroupHeader) {
    GroupCondition = text.trimmed().isEmpty() ? QString() : ReportParser().ToCodedForm(text);
    return;
  }
  if (text.contains(QLatin1Char(';'))) return;
  FreeDataSources();
  ResolveBandSource(Form->Report->Dictionary.Owner ? Form->Report->Dictionary.Owner : Form->Report->parent(), text,
                    DataSource, OwnsDataSource);
  if (!DataSource && Kind == btMasterData && Form->Report->ReportType == TfrReport::rtSimple &&
      Form->Report->Dataset) {
    DataSource = Form->Report->Dataset;
    OwnsDataSource = false;
    DataSource->BeginScan();
  }
}

namespace {
// Ends the scan of a band's record source and frees it when the band owns it.
void releaseSource(TfrDataset*& source, bool& owned) {
  if (!source) return;
  try {
    source->EndScan();
  } catch (const Exception&) {
  }
  if (owned) delete source;
  source = nullptr;
  owned = false;
}
}  // namespace

void TfrBand::FreeDataSources() {
  releaseSource(DataSource2, OwnsDataSource2);
  releaseSource(DataSource, OwnsDataSource);
}

QString TfrBand::AggregateKey(const QString& band, int kind, const QString& expr, const QString& flag) {
  const QChar sep(1);
  return band + sep + QChar(ushort(kind)) + sep + expr + sep + flag + sep;
}

bool TfrBand::Print() {
  // Child bands that lead back to a band being printed, and scripts that print bands, nest.
  const EvaluationDepth depth;
  TfrReport* r = Form->Report;
  CurrentView() = View;
  CurrentBand() = this;
  CalculatedHeight = -1;
  r->NewPageRequests = r->NewColumnRequests = 0;
  if (isDataKind(Kind)) {
    r->LineNo = LineNo;
    r->LineThrough = LineThrough;
    r->CurrentNo = Form->CurrentNo;
  }
  // After records printed side by side, the next other band starts below them.
  if (TfrBand* last = Form->LastBandPrinted; last && last != this && last->Real() && last->BandColumn > 1) {
    Form->XOffset = last->BandColumnStart;
    Form->CurY += last->CalculatedHeight > 0 ? last->CalculatedHeight : last->Height;
    last->BandColumn = 1;
  }
  r->CurY = Form->CurY;
  r->CurBottom = Form->CurBottom;
  if (r->OnBeginBand) r->OnBeginBand(this);
  RunScriptLines(Script);
  if (terminated(r)) return false;
  bool broke = false;
  const uint16_t savedFlags = Flags;
  const int pageRequests = r->NewPageRequests, columnRequests = r->NewColumnRequests;
  for (int i = 0; i < pageRequests; ++i) {
    Form->CurColumn = Form->ColumnCount - 1;
    Form->NewColumn(this);
    broke = true;
  }
  for (int i = 0; i < columnRequests; ++i) {
    Form->NewColumn(this);
    broke = true;
  }
  CurrentBand() = this;
  CurrentView() = View;
  if (!Visible) {
    if (Has(bfPrintChildIfInvisible) && ChildBand) ChildBand->Print();
    if (isDataKind(Kind)) Aggregate();
    return false;
  }
  if (Kind == btColumnHeader) Form->StaticColumnTop = Form->CurY;
  if (Kind == btPageFooter) Y = Form->CurBottom;
  if (Real()) {
    const bool neverBreaks = Kind == btPageFooter || Kind == btOverlay || Kind == btColumnFooter || Kind == btNone;
    if (!neverBreaks) {
      const int h = CalcHeight();
      if (Form->CurY + h > Form->CurBottom && !Has(bfBreaked)) {
        // A band higher than an empty page is printed where it is rather than page after page.
        if (Form->BottomEdge - Form->TopEdge >= h || Form->CurY != Form->TopEdge) {
          CheckPageBreak(Form->CurY, 10000, false);
          broke = true;
          CurrentBand() = this;
          CurrentView() = View;
        } else {
          Flags |= bfBreaked;   // split as if breaked
        }
      }
    }
    PlaceAndDraw();
  }
  if (ChildBand && ChildBand != this) broke |= ChildBand->Print();
  CurrentBand() = this;
  if (Has(bfFormNewPage) && !isDataKind(Kind) && Kind != btGroupHeader && Kind != btPageFooter &&
      Kind != btOverlay && Kind != btNone && Kind != btPageHeader && Kind != btColumnHeader &&
      Kind != btColumnFooter) {
    Form->NewPage();
    broke = true;
  }
  if (!AggregatesFrozen) {
    if (Kind == btPageFooter) {
      if (r->EMFPages().Count() == r->PageNo + 1) ResetAggregates();
    } else {
      ResetAggregates();
    }
  }
  if (r->OnEndBand) r->OnEndBand(this);
  Flags = savedFlags;
  return broke;
}

int TfrBand::stretchedHeight() {
  int h = Height;
  for (TfrView* v : Objects) {
    auto* s = dynamic_cast<TfrStretcheable*>(v);
    if (!s || !(v->Flags & flStretched) || v->Typ == gtLine) continue;
    CurrentView() = v;
    try {
      h = std::max(h, v->Top + s->CalcHeight());
    } catch (const Exception& e) {
      RecordBuildError(e);
    }
  }
  CurrentView() = View;
  return h;
}

int TfrBand::CalcHeight() {
  int h = Has(bfStretched) ? stretchedHeight() : Height;
  CalculatedHeight = std::max(CalculatedHeight, h);
  return CalculatedHeight;
}

bool TfrBand::CheckPageBreak(int top, int height, bool testOnly) {
  if (Kind == btColumnFooter) return false;
  TfrBand* cf = Form->Bands[btColumnFooter];
  const int cfHeight = cf && cf->Real() ? cf->Height : 0;
  const bool fits = Form->CurBottom >= top + height + cfHeight;
  if (!fits && !testOnly) {
    BandScope keep;
    Form->NewColumn(this);
  }
  return !fits;
}

void TfrBand::PlaceAndDraw() {
  if (!Real()) return;
  const int savedY = Y;
  const bool keepsY = Kind == btPageFooter || Kind == btOverlay || Kind == btNone;
  if (!keepsY) Y = Form->CurY;
  else if (Kind == btOverlay) Y = DesignTop;
  else if (Kind == btNone) Y = 0;
  int h = Height;
  std::vector<std::pair<TfrView*, int>> savedHeights;
  if (Has(bfStretched)) {
    h = CalcHeight();
    for (TfrView* v : Objects)
      if ((v->Flags & flStretched) && v->Height > 0 && dynamic_cast<TfrStretcheable*>(v)) {
        savedHeights.push_back({v, v->Height});
        v->Height = h - v->Top;
      }
  }
  TfrBand* cf = Form->Bands[btColumnFooter];
  const int cfHeight = cf && cf->Real() ? cf->Height : 0;
  const bool split = Has(bfBreaked) && !keepsY && Form->CurY + h + cfHeight > Form->CurBottom;
  if (!keepsY && !Has(bfBreaked) && CheckPageBreak(Form->CurY, h, false)) Y = Form->CurY;
  CurrentBand() = this;
  int used = h;
  if (split) {
    used = drawPageBreak(h);
  } else {
    drawObjects();
    if (!CrossObjects.empty() && !terminated(Form->Report)) drawCross();
  }
  for (auto& [v, height] : savedHeights) v->Height = height;
  if (!keepsY) Form->CurY = Y + used;
  if (subBottom_ >= 0) {
    // A sub-report that went on over pages leaves the position where it ended.
    Form->CurY = subPaged_ ? subBottom_ : std::max(Form->CurY, subBottom_);
    subBottom_ = -1;
  }
  Form->LastBandPrinted = this;
  // Band columns: the next record prints beside this one until the columns are used up.
  if (View && View->Columns > 1 && View->NewColumnAfter == 1 && !keepsY) {
    if (BandColumn == 1) BandColumnStart = Form->XOffset;
    if (BandColumn + 1 <= View->Columns) {
      Form->XOffset = BandColumnStart + (View->ColumnWidth + View->ColumnGap) * BandColumn;
      Form->CurY -= h;
      ++BandColumn;
    } else {
      Form->XOffset = BandColumnStart;
      BandColumn = 1;
    }
  }
  Form->Report->CurY = Form->CurY;
  Y = keepsY ? Y : savedY;
  if (isDataKind(Kind)) Aggregate();
}

void TfrBand::drawObjects() {
  for (size_t i = 0; i < Objects.size(); ++i) {
    if (terminated(Form->Report)) return;
    if (Objects[i]->Typ == gtSubReport && Objects[i]->Visible) {
      subBottom_ = drawSubReports(i);
      return;
    }
    DrawObject(Objects[i]);
  }
}

int TfrBand::drawSubReports(size_t first) {
  TfrReport* r = Form->Report;
  BandScope keep;
  const int startPage = r->PageNo;
  int lastPage = startPage, bottom = Y;
  for (size_t i = first; i < Objects.size() && !terminated(r); ++i) {
    TfrView* v = Objects[i];
    auto* sub = dynamic_cast<TfrSubReportView*>(v);
    if (!sub) {
      DrawObject(v);
      continue;
    }
    if (!sub->Visible) continue;
    const std::vector<TfrPageForm*>& forms = PageForms();
    if (sub->SubPage < 0 || size_t(sub->SubPage) >= forms.size()) continue;
    TfrPageForm* target = forms[size_t(sub->SubPage)];
    if (target == Form || target->Host || target->Page->PageType != ptReport) {
      RecordBuildError(Exception(QStringLiteral("子报表“%1”指向正在打印的页面，不能套印。").arg(sub->Name)));
      return bottom;
    }
    // Every sub-report of the band starts on the host's page, from the same top.
    r->PageNo = startPage;
    const int end = target->FormInPlace(Form, Y + sub->Top, Form->XOffset + sub->Left);
    if (r->PageNo > lastPage) {
      lastPage = r->PageNo;
      bottom = end;
    } else if (r->PageNo == lastPage) {
      bottom = std::max(bottom, end);
    }
  }
  r->PageNo = lastPage;
  // The host goes on below the lowest sub-report, on the page where the longest one ended.
  subPaged_ = lastPage != startPage;
  return bottom;
}

void TfrBand::drawCrossCells(TfrBand* cross, int left, int width) {
  const int savedWidth = crossWidth_;
  crossWidth_ = width;
  TfrBand* const savedRow = CrossRowBand();
  CrossRowBand() = cross->Kind == btCrossData ? this : nullptr;
  for (TfrView* v : CrossObjects) {
    if (terminated(Form->Report)) break;
    if (std::find(cross->CrossObjects.begin(), cross->CrossObjects.end(), v) == cross->CrossObjects.end()) continue;
    const int rel = v->Left;
    v->Left = left + rel;
    DrawObject(v);
    v->Left = rel;
  }
  CrossRowBand() = savedRow;
  crossWidth_ = savedWidth;
}

void TfrBand::drawCross() {
  TfrReport* r = Form->Report;
  TfrEMFPages& pages = r->EMFPages();
  TfrBand* header = Form->Bands[btCrossHeader];
  TfrBand* data = Form->Bands[btCrossData];
  TfrBand* footer = Form->Bands[btCrossFooter];
  BandScope keep;
  const int homePage = r->PageNo;
  Form->ColumnNo = 1;
  r->ColumnNo = 1;
  if (r->OnBeginColumn) r->OnBeginColumn(this);
  int left = header ? header->X : (data ? data->X : Form->LeftEdge);
  // A column that does not fit goes on to the next built page, from the left edge, with the
  // header again when it repeats.
  auto place = [&](int width, bool isHeader) {
    if (left + width <= Form->RightEdge || left <= Form->LeftEdge) return;
    ++r->PageNo;
    if (r->PageNo >= pages.Count()) {
      pages.AddPage(Form->Page);
      const int savedY = Form->CurY;
      Form->ShowBand(Form->Bands[btOverlay]);
      Form->CurY = savedY;
    }
    left = Form->LeftEdge;
    if (!isHeader && header && header->Has(bfRepeatHeader)) {
      CurrentBand() = header;
      CurrentView() = header->View;
      drawCrossCells(header, left, header->Width);
      left += header->Width;
    }
  };
  if (header) {
    CurrentBand() = header;
    CurrentView() = header->View;
    place(header->Width, true);
    drawCrossCells(header, left, header->Width);
    left += header->Width;
  }
  if (data) {
    TfrDataset* src = data->DataSource ? data->DataSource : DataSource2;
    // A master footer row over an empty cross source still gets as many columns as the rows had.
    const bool counted = Kind == btMasterFooter && (!src || [&] {
      try {
        src->First();
        return src->Eof();
      } catch (const Exception&) {
        return true;
      }
    }());
    int records = 0;
    try {
      if (!counted && src) src->First();
      while (!terminated(r) && (counted ? records < Form->MaxCrossRecords : src && !src->Eof())) {
        CurrentBand() = data;
        CurrentView() = data->View;
        int width = data->Width;
        if (r->OnPrintColumn) r->OnPrintColumn(Form->ColumnNo, width);
        place(width, false);
        CurrentBand() = data;
        CurrentView() = data->View;
        drawCrossCells(data, left, width);
        data->Aggregate();
        if (isDataKind(Kind)) AggregateColumn(Form->ColumnNo);
        left += width;
        ++records;
        r->ColumnNo = ++Form->ColumnNo;
        if (!counted) src->Next();
      }
    } catch (const Exception& e) {
      RecordBuildError(e);
    }
    Form->MaxCrossRecords = std::max(Form->MaxCrossRecords, records);
  }
  if (footer && !terminated(r)) {
    CurrentBand() = footer;
    CurrentView() = footer->View;
    place(footer->Width, false);
    drawCrossCells(footer, left, footer->Width);
    footer->ResetAggregates();
  }
  r->PageNo = homePage;
}

int TfrBand::drawPageBreak(int height) {
  struct Item {
    TfrView* view;
    QRect saved;
    bool pending = true;
    bool continuing = false;
  };
  std::vector<Item> items;
  for (TfrView* v : Objects) {
    items.push_back({v, QRect(v->Left, v->Top, v->Width, v->Height)});
    if (v->BandAlign == 5) v->Top = height - v->Height;   // aligned to the band's bottom
  }
  TfrBand* cf = Form->Bands[btColumnFooter];
  const int cfHeight = cf && cf->Real() ? cf->Height : 0;
  int remaining = height;
  for (int guard = 0; guard < 10000 && !terminated(Form->Report); ++guard) {
    const int space = Form->CurBottom - cfHeight - Y - 2;
    if (remaining <= space || space <= 0) {
      // The rest fits (or nothing fits at all): draw what is pending here.
      for (Item& it : items)
        if (it.pending) {
          if (auto* s = dynamic_cast<TfrStretcheable*>(it.view); s && it.continuing) s->DrawMode = 1;
          DrawObject(it.view);
          it.pending = false;
        }
      break;
    }
    for (size_t i = 0; i < items.size(); ++i) {
      Item& it = items[i];
      if (!it.pending) continue;
      TfrView* v = it.view;
      const int top = v->Top, bottom = v->Top + v->Height;
      if (bottom <= space) {
        if (auto* s = dynamic_cast<TfrStretcheable*>(v); s && it.continuing) s->DrawMode = 1;
        DrawObject(v);
        it.pending = false;
        continue;
      }
      auto* s = dynamic_cast<TfrStretcheable*>(v);
      if (s && v->Typ == gtMemo && top < space && space - top >= s->OneLineHeight()) {
        // The lines that fit are written here; the rest continues on the next page.
        if (!it.continuing && s->DrawMode == 0) s->CalcHeight();
        v->Height = space - top + 1;
        s->DrawMode = 2;
        DrawObject(v);
        const int leftover = s->SplitLeftover();
        v->Top = space;
        v->Height = bottom - space + leftover;
        it.continuing = true;
        remaining += leftover;
        for (size_t j = 0; j < items.size(); ++j) {
          TfrView* w = items[j].view;
          if (j == i || !items[j].pending) continue;
          if (w->Top >= bottom && w->Left >= v->Left && w->Left < v->Left + v->Width) w->Top += leftover;
        }
      } else if (top < space) {
        v->Top = space;   // moves whole to the next page
      }
    }
    bool anyPending = false;
    for (Item& it : items)
      if (it.pending) {
        it.view->Top -= space;
        anyPending = true;
      }
    remaining -= space;
    if (!anyPending) break;
    {
      TfrBand* saved = CurrentBand();
      TfrView* savedView = CurrentView();
      Form->NewColumn(this);
      CurrentBand() = saved;
      CurrentView() = savedView;
    }
    Y = Form->CurY;
  }
  for (Item& it : items) {
    it.view->Left = it.saved.left();
    it.view->Top = it.saved.top();
    it.view->Width = it.saved.width();
    it.view->Height = it.saved.height();
    if (auto* s = dynamic_cast<TfrStretcheable*>(it.view)) s->DrawMode = 0;
  }
  return std::max(0, remaining);
}

void TfrBand::DrawObject(TfrView* view) {
  TfrReport* r = Form->Report;
  CurrentView() = view;
  try {
    if (FirstPassRunning() && !Has(bfBreaked)) {
      auto* memo = dynamic_cast<TfrMemoView*>(view);
      if (!memo || memo->DrawMode == 0) view->RunScript();
      return;
    }
    TfrEMFPages& pages = r->EMFPages();
    if (pages.Count() == 0) return;
    const int dx = Form->XOffset - Form->LeftEdge;
    const int dy = Y;
    const int savedLeft = view->Left, savedTop = view->Top;
    view->Left += dx;
    view->Top += dy;
    TfrPrintingBand band{QRect(X + dx, Y, Width, CalculatedHeight > 0 ? CalculatedHeight : Height), crossWidth_ >= 0,
                         std::max(0, crossWidth_)};
    TfrPrintingBand* savedBand = PrintingBand();
    PrintingBand() = &band;
    const uint8_t savedMode = view->StreamMode;
    view->StreamMode = 1;
    // Written straight into the page's stream: records hold positions within it.
    TfrEMFPages::Entry& entry = pages.EntryAt(std::min(r->PageNo, pages.Count() - 1));
    entry.Page.reset();
    {
      QBuffer b(&entry.Stream);
      b.open(QIODevice::ReadWrite);
      b.seek(b.size());
      StreamVersion() = 25;
      try {
        view->EmitToPage(b);
      } catch (...) {
        view->StreamMode = savedMode;
        view->Left = savedLeft;
        view->Top = savedTop;
        PrintingBand() = savedBand;
        throw;
      }
    }
    view->StreamMode = savedMode;
    view->Left = savedLeft;
    view->Top = savedTop;
    PrintingBand() = savedBand;
  } catch (const Exception& e) {
    RecordBuildError(e);
  }
}

void TfrBand::ResetAggregates() {
  if (Kind == btGroupHeader) {
    for (TfrBand* g = this; g; g = g->Next) {
      if (g->GroupCondition.isEmpty()) continue;
      try {
        g->LastGroupValue = ReportParser().EvaluateCoded(g->GroupCondition);
        g->GroupValueSet = true;
      } catch (const Exception& e) {
        RecordBuildError(e);
      }
    }
    return;
  }
  const QString prefix = Name + QChar(1);
  for (TfrBand* source : AggregateSources) {
    TfrVariables& values = source->Values;
    for (int i = 0; i < values.EntryCount(); ++i) {
      QString key = values.NameAt(i);
      // An entry of a cross column starts with the column number.
      if (isColumnKey(key)) key = key.mid(key.indexOf(QChar(1)) + 1);
      if (!key.startsWith(prefix, Qt::CaseInsensitive)) continue;
      const int kind = key.size() > prefix.size() ? key.at(prefix.size()).unicode() : 0;
      // MIN and MAX hold nothing until a record gives them a value.
      values.PutValueAt(i, kind == agMin || kind == agMax ? Variant::null() : Variant(0));
      if (kind == agAvg) source->AverageRows.remove(values.NameAt(i).toUpper());
    }
    source->RecordCount = 0;
  }
}

void TfrBand::Aggregate() { accumulate(-1); }

void TfrBand::AggregateColumn(int column) {
  // Template entries (column "0") are copied to the column's entries when it has none yet.
  const QString tag = QString::number(column) + QChar(1);
  const QString templ = QStringLiteral("0") + QChar(1);
  QList<QPair<QString, Variant>> missing;
  for (int i = 0; i < Values.EntryCount(); ++i) {
    const QString key = Values.NameAt(i);
    if (!key.startsWith(templ)) continue;
    const QString own = tag + key.mid(templ.size());
    if (Values.FindName(own) < 0) missing.append({own, Values.ValueAt(i)});
  }
  for (const auto& [name, value] : missing) Values.PutValue(name, value);
  accumulate(column);
}

// Adds the current record to the entries of one cross column, or (column -1) to the entries
// that are not per column.
void TfrBand::accumulate(int column) {
  QString lastExpr;
  Variant lastValue;
  bool haveLast = false;
  const QString tag = QString::number(column) + QChar(1);
  for (int i = 0; i < Values.EntryCount(); ++i) {
    const QString name = Values.NameAt(i);
    const bool perColumn = isColumnKey(name);
    if (perColumn != (column >= 0) || (perColumn && !name.startsWith(tag))) continue;
    QStringList parts = name.split(QChar(1));
    if (perColumn) parts.removeFirst();
    if (parts.size() < 4 || parts[1].isEmpty()) continue;
    const int kind = parts[1].at(0).unicode();
    const QString& expr = parts[2];
    if (!Visible && parts[3].trimmed() != QLatin1String("1")) continue;
    try {
      Variant cur = Values.ValueAt(i);
      const bool first = cur.isNullOrEmpty();
      if (first && kind != agMin && kind != agMax) cur = Variant(0);
      if (kind == agCount) {
        cur = frv::Add(cur, Variant(1));
      } else {
        Variant v;
        if (haveLast && expr == lastExpr) {
          v = lastValue;
        } else {
          v = ReportParser().Evaluate(expr);
          lastExpr = expr;
          lastValue = v;
          haveLast = true;
        }
        if (v.isNullOrEmpty()) v = Variant(0);
        if (kind == agSum || kind == agAvg) cur = frv::Add(cur, frv::Numeric(v));
        if (kind == agAvg) ++AverageRows[name.toUpper()];
        else if (kind == agMin && (first || frv::Compare(v, cur) < 0)) cur = v;
        else if (kind == agMax && (first || frv::Compare(v, cur) > 0)) cur = v;
      }
      Values.PutValueAt(i, cur);
    } catch (const Exception& e) {
      RecordBuildError(e);
      return;
    }
  }
  if (column < 0) ++RecordCount;
}

Variant TfrBand::AggregateValue(const QString& key) {
  Variant v = Values.ValueOf(key);
  const QStringList parts = key.split(QChar(1));
  if (parts.size() > 1 && !parts[1].isEmpty() && parts[1].at(0).unicode() == agAvg) {
    // The average of no records is no value, not 0.
    const int rows = AverageRows.value(key.toUpper());
    if (rows == 0) return Variant::null();
    return frv::Divide(v.isNullOrEmpty() ? Variant(0) : v, Variant(rows));
  }
  return v;
}

void TfrBand::StoreAggregate(const QString& key, const Variant& value) { Values.PutValue(key, value); }

// ---------------------------------------------------------------------------------------
// The aggregate functions of the standard library

namespace {
// The data band kind whose values an aggregate call without a band name reads in a band of
// `kind`; -1 when there is none.
int impliedDataKind(int kind) {
  switch (kind) {
    case btReportSummary: case btPageFooter: case btMasterFooter: case btGroupFooter: return btMasterData;
    case btDetailFooter: return btDetailData;
    case btSubDetailFooter: return btSubDetailData;
    case btCrossFooter: return btCrossData;
    default: return -1;
  }
}
}  // namespace

void InstallAggregateHook() {
  TfrStdFunctionLibrary::AggregateHook() = [](int kind, const QString& p1, const QString& p2, const QString& p3,
                                              Variant& result) {
    TfrReport* r = CurrentReport();
    TfrBand* cb = CurrentBand();
    if (!r || !cb) return;
    QString bandText = kind == agCount ? p1 : p2;
    const QString expr = kind == agCount ? QString() : p1;
    const QString flag = kind == agCount ? p2 : p3;
    if (r->CollectingAggregates) {
      TfrBand* ab = AggregateBand();
      if (!ab) return;
      if (bandText.trimmed().isEmpty()) {
        if (impliedDataKind(cb->Kind) != ab->Kind) return;
        bandText = ab->Name;
      }
      if (bandText.trimmed().compare(ab->Name, Qt::CaseInsensitive) != 0) return;
      // A cell of the cross data column keeps a template entry, copied per column.
      const QString column = CrossRowBand() ? QStringLiteral("0") + QChar(1) : QString();
      ab->Values.PutValue(column + TfrBand::AggregateKey(cb->Name, kind, expr, flag),
                          kind == agMin || kind == agMax ? Variant::null() : Variant(0));
      cb->AggregateSource = ab;
      if (std::find(cb->AggregateSources.begin(), cb->AggregateSources.end(), ab) == cb->AggregateSources.end())
        cb->AggregateSources.push_back(ab);
      return;
    }
    if (TfrBand* row = CrossRowBand()) {
      // A row band's cell in a cross column shows that column's value.
      if (!row->AggregateSource) return;
      if (!bandText.trimmed().isEmpty() &&
          bandText.trimmed().compare(row->AggregateSource->Name, Qt::CaseInsensitive) != 0)
        return;
      result = row->AggregateSource->AggregateValue(QString::number(r->ColumnNo) + QChar(1) +
                                                    TfrBand::AggregateKey(row->Name, kind, expr, flag));
      return;
    }
    // The values are kept by the data band the call names, or, without a name, by the data band
    // of the footer's own level.
    const QString named = bandText.trimmed();
    const int implied = impliedDataKind(cb->Kind);
    TfrBand* source = nullptr;
    for (TfrBand* s : cb->AggregateSources)
      if (named.isEmpty() ? s->Kind == implied : named.compare(s->Name, Qt::CaseInsensitive) == 0) source = s;
    if (!source) return;
    result = source->AggregateValue(TfrBand::AggregateKey(cb->Name, kind, expr, flag));
  };
}

bool& AppendToPrevious() {
  static bool v = false;
  return v;
}
bool& AppendNext() {
  static bool v = false;
  return v;
}
bool& BuildStopped() {
  static bool v = false;
  return v;
}
