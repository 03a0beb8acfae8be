#include <QCoreApplication>
#include <algorithm>

#include "platform/data/dataset.h"
#include "report/FR_Band.h"
#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "report/FR_Intrp.h"
#include "report/FR_ValueRules.h"
#include "report/FR_Values.h"

// Page formation: a report page's bands are made from its band views and linked, its aggregate
// calls registered, and the page formed into built pages band by band over the record sources.

namespace {
bool isDataKind(int k) { return k == btMasterData || k == btDetailData || k == btSubDetailData; }
bool terminated(TfrReport* r) { return BuildStopRequested(r); }

// The continuation state a page leaves for the next template page.
struct Continuation {
  int lastPosition = 0, lastBottom = 0;
  bool footerPrinted = false;
};
Continuation& continuation() {
  static Continuation c;
  return c;
}
}  // namespace

TfrPageForm::TfrPageForm(TfrPage* page, TfrReport* report) : Page(page), Report(report) {}

TfrPageForm::~TfrPageForm() { Finish(); }

TfrBand* TfrPageForm::BandByName(const QString& name) const {
  for (auto& b : AllBands)
    if (b->View && b->Name.compare(name, Qt::CaseInsensitive) == 0) return b.get();
  return nullptr;
}

void TfrPageForm::MakeReady() {
  if (Page->PageType != ptReport) return;
  setupBands();
  CurrentNo = 1;
  ColumnNo = 1;
  MaxCrossRecords = 0;
}

void TfrPageForm::setupBands() {
  AllBands.clear();
  std::fill(std::begin(Bands), std::end(Bands), nullptr);
  // Edges of the printable area.
  PageMetrics m;
  TfrPrinter& printer = ReportPrinter();
  printer.SetPaper(Page->pgSize, Page->pgOr == 1 ? Page->pgHeight : Page->pgWidth,
                   Page->pgOr == 1 ? Page->pgWidth : Page->pgHeight, Page->pgBin, Page->pgOr, false);
  printer.FillPageMetrics(m);
  const int w = Page->PageWidthPixels(), h = Page->PageHeightPixels();
  if (Page->UseMargins) {
    TopEdge = Page->TopMargin ? Page->TopMargin : m.OffsetY;
    LeftEdge = Page->LeftMargin ? Page->LeftMargin : m.OffsetX;
    RightEdge = Page->RightMargin ? w - Page->RightMargin : m.OffsetX + (w - 36);
    BottomEdge = Page->BottomMargin ? h - Page->BottomMargin : m.OffsetY + (h - 36);
  } else {
    TopEdge = LeftEdge = 0;
    RightEdge = w;
    BottomEdge = h;
  }

  std::vector<TfrBandView*> views;
  std::vector<TfrView*> drawable;
  for (auto& o : Page->Objects) {
    if (auto* bv = dynamic_cast<TfrBandView*>(o.get())) views.push_back(bv);
    else drawable.push_back(o.get());
  }
  std::stable_sort(views.begin(), views.end(), [](TfrBandView* a, TfrBandView* b) { return a->Top < b->Top; });
  std::vector<bool> taken(drawable.size(), false);
  std::vector<TfrBand*> crossOf(drawable.size(), nullptr);
  // A band of the kind with the place, switches, name, script and record source of its view.
  auto newBand = [&](int kind, TfrBandView* view) {
    auto band = std::make_unique<TfrBand>(kind, this);
    TfrBand* b = band.get();
    AllBands.push_back(std::move(band));
    b->View = view;
    b->X = view->Left;
    b->Width = view->Width;
    b->Flags = view->Flags;
    b->Visible = view->Visible;
    b->Name = view->Name;
    b->Script = view->Script;
    try {
      b->SetDataSource(view->DataSource());
    } catch (const Exception& e) {
      RecordBuildError(e);
    }
    return b;
  };
  auto makeBand = [&](int kind, TfrBandView* view) {
    TfrBand* b = newBand(kind, view);
    b->Y = b->DesignTop = view->Top;
    b->Height = view->Height;
    auto inside = [&](TfrView* o) { return o->Top >= view->Top && o->Top < view->Top + view->Height; };
    for (size_t i = 0; i < drawable.size(); ++i) {
      TfrView* o = drawable[i];
      if (taken[i] || crossOf[i] || o->Typ == gtSubReport) continue;
      if (inside(o)) {
        taken[i] = true;
        b->Objects.push_back(o);
      }
    }
    // Cross cells inside the band are drawn with its cross-tab, not on their own.
    for (size_t i = 0; i < drawable.size(); ++i)
      if (!taken[i] && crossOf[i] && inside(drawable[i])) {
        taken[i] = true;
        b->CrossObjects.push_back(drawable[i]);
      }
    // Sub-reports come after the other objects.
    for (size_t i = 0; i < drawable.size(); ++i)
      if (!taken[i] && !crossOf[i] && drawable[i]->Typ == gtSubReport && inside(drawable[i])) {
        taken[i] = true;
        b->Objects.push_back(drawable[i]);
      }
    return b;
  };
  // Cross bands run down the page: each takes the objects that lie horizontally inside it.
  for (int kind : {btCrossHeader, btCrossData, btCrossFooter}) {
    for (TfrBandView* v : views) {
      if (v->BandKind() != kind) continue;
      TfrBand* b = newBand(kind, v);
      for (size_t i = 0; i < drawable.size(); ++i) {
        TfrView* o = drawable[i];
        if (crossOf[i] || o->Typ == gtSubReport || o->Left < v->Left || o->Left >= v->Left + v->Width) continue;
        crossOf[i] = b;
        o->Left -= v->Left;
        b->CrossObjects.push_back(o);
      }
      Bands[kind] = b;
      break;   // one band of each cross kind
    }
  }
  for (int kind = 0; kind <= btChild; ++kind) {
    if (kind == btCrossHeader || kind == btCrossData || kind == btCrossFooter) continue;
    TfrBand* last = nullptr;
    for (TfrBandView* v : views) {
      if (v->BandKind() != kind) continue;
      TfrBand* b = makeBand(kind, v);
      if (!last) Bands[kind] = b;
      else {
        last->Next = b;
        b->Prev = last;
      }
      last = b;
    }
  }
  // Objects in no band are drawn on every new page.
  auto none = std::make_unique<TfrBand>(btNone, this);
  none->Name = QStringLiteral("None");
  for (size_t i = 0; i < drawable.size(); ++i)
    if (!taken[i] && !crossOf[i] && drawable[i]->Typ != gtSubReport) none->Objects.push_back(drawable[i]);
  Bands[btNone] = none.get();
  AllBands.push_back(std::move(none));
  // Objects keep their page positions; a band draws them relative to its top.
  for (auto& b : AllBands) {
    for (TfrView* o : b->Objects) o->Top -= b->DesignTop;
    if (b->Kind < btCrossHeader || b->Kind > btCrossFooter)
      for (TfrView* o : b->CrossObjects) o->Top -= b->DesignTop;
  }
  // A cross data band whose source lists band=source pairs gives each named band its own
  // cross source.
  if (TfrBand* cd = Bands[btCrossData]; cd && cd->View && cd->View->DataSource().contains(QLatin1Char(';'))) {
    QObject* owner = Report->Dictionary.Owner ? Report->Dictionary.Owner : Report->parent();
    for (const QString& pair : cd->View->DataSource().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const int eq = pair.indexOf(QLatin1Char('='));
      if (eq <= 0) continue;
      TfrBand* row = BandByName(pair.left(eq).trimmed());
      if (!row || row->Kind < btMasterHeader || row->Kind > btChild || row->DataSource2) continue;
      try {
        ResolveBandSource(owner, pair.mid(eq + 1).trimmed(), row->DataSource2, row->OwnsDataSource2);
      } catch (const Exception& e) {
        RecordBuildError(e);
      }
    }
  }

  // Headers and footers of the three data levels.
  const int levels[3][3] = {{btMasterHeader, btMasterData, btMasterFooter},
                            {btDetailHeader, btDetailData, btDetailFooter},
                            {btSubDetailHeader, btSubDetailData, btSubDetailFooter}};
  for (auto& lv : levels) {
    for (TfrBand* hdr = Bands[lv[0]]; hdr; hdr = hdr->Next)
      for (TfrBand* d = Bands[lv[1]]; d; d = d->Next)
        if (d->DesignTop > hdr->DesignTop && !d->Header) {
          d->Header = hdr;
          hdr->DataBand = d;
          break;
        }
    for (TfrBand* ftr = Bands[lv[2]]; ftr; ftr = ftr->Next) {
      TfrBand* found = nullptr;
      for (TfrBand* d = Bands[lv[1]]; d; d = d->Next)
        if (d->DesignTop < ftr->DesignTop && !d->Footer) found = d;
      if (found) {
        found->Footer = ftr;
        ftr->DataBand = found;
      }
    }
  }
  // Group headers and footers pair from the inside out.
  std::vector<TfrBand*> gh, gf;
  for (TfrBand* b = Bands[btGroupHeader]; b; b = b->Next) gh.push_back(b);
  for (TfrBand* b = Bands[btGroupFooter]; b; b = b->Next) gf.push_back(b);
  for (size_t i = 0; i < gh.size() && i < gf.size(); ++i) {
    TfrBand* header = gh[gh.size() - 1 - i];
    header->Footer = gf[i];
    gf[i]->DataBand = header;
  }
  // Child bands.
  for (auto& b : AllBands)
    if (b->View && !b->View->ChildBand.isEmpty()) b->ChildBand = BandByName(b->View->ChildBand);
  // A band that names itself has no child; a chain that leads back to one of its bands would
  // print for ever.
  for (auto& b : AllBands) {
    int steps = 0;
    for (TfrBand* c = b.get(); c->ChildBand && c->ChildBand != c; c = c->ChildBand)
      if (++steps > int(AllBands.size()))
        throw Exception(QStringLiteral("栏“%1”的子栏又回到了这一串子栏中，无法打印。").arg(b->Name));
  }
  // Groups belong to the data band their Master names, else to the master data band.
  for (TfrBand* g : gh) {
    TfrBand* owner = g->View->Master.isEmpty() ? Bands[btMasterData] : BandByName(g->View->Master);
    if (owner) owner->Groups.push_back(g);
  }
  // The footer takes its place at the bottom edge while building.
  if (TfrBand* pf = Bands[btPageFooter]; pf && pf->Real()) BottomEdge -= pf->Height;
  ColumnCount = std::max(1, Page->Columns);
  ColumnWidth = (RightEdge - LeftEdge - (ColumnCount - 1) * Page->ColumnGap) / ColumnCount;
}

void TfrPageForm::collectAggregates(TfrBand* dataBand, std::initializer_list<int> kinds) {
  static const QStringList names = {"AVG", "COUNT", "MAX", "MIN", "SUM"};
  AggregateBand() = dataBand;
  auto visit = [&](TfrBand* band) {
    CurrentBand() = band;
    QStringList calls;
    TfrFunctionSplitter splitter(&names, &Report->Dictionary.Variables, &calls);
    auto splitScript = [&](const QStringList& script) {
      if (script.isEmpty()) return;
      TfrInterpretator interp;
      QStringList coded, errors;
      interp.CompileScript(script, coded, errors);
      interp.SplitScriptExpressions(coded, names, &Report->Dictionary.Variables, calls);
    };
    splitScript(band->Script);
    auto collectFrom = [&](const std::vector<TfrView*>& views, TfrFunctionSplitter& split, auto& scriptOf) {
      for (TfrView* v : views) {
        if (auto* memo = dynamic_cast<TfrMemoView*>(v)) {
          for (const QString& line : memo->Memo) {
            for (int i = 0; i < line.size(); ++i) {
              if (line.at(i) != QLatin1Char('[')) continue;
              int end = i;
              ReadBracketBlock(line, i, end);
              split.Split(line.mid(i, end - i + 1));
              i = end;
            }
          }
        }
        scriptOf(v->Script);
      }
    };
    auto evaluate = [&](const QStringList& found) {
      for (const QString& call : found) {
        CurrentView() = nullptr;
        try {
          ReportParser().Evaluate(call);
        } catch (const Exception& e) {
          RecordBuildError(e);
        }
      }
    };
    std::vector<TfrView*> objects = band->Objects;
    // A cross band's cells are its objects here; a row band's cells under the cross data band
    // keep one value per column (its cells under the cross header and footer belong to those
    // bands).
    std::vector<TfrView*> columnCells;
    TfrBand* crossData = Bands[btCrossData];
    if (band->Kind >= btCrossHeader && band->Kind <= btCrossFooter) {
      objects.insert(objects.end(), band->CrossObjects.begin(), band->CrossObjects.end());
    } else if (crossData) {
      for (TfrView* v : band->CrossObjects)
        if (std::find(crossData->CrossObjects.begin(), crossData->CrossObjects.end(), v) !=
            crossData->CrossObjects.end())
          columnCells.push_back(v);
    }
    collectFrom(objects, splitter, splitScript);
    evaluate(calls);
    calls.clear();
    collectFrom(columnCells, splitter, splitScript);
    CrossRowBand() = band;
    evaluate(calls);
    CrossRowBand() = nullptr;
  };
  for (int kind : kinds)
    for (TfrBand* b = Bands[kind]; b; b = b->Next)
      for (TfrBand* c = b; c; c = (c->ChildBand && c->ChildBand != c) ? c->ChildBand : nullptr) {
        visit(c);
        if (c->ChildBand == b) break;
      }
}

void TfrPageForm::bindFields() {
  QObject* owner = Report->Dictionary.Owner ? Report->Dictionary.Owner : Report->parent();
  for (auto& b : AllBands) {
    TfrBand* sourceBand = b->DataSource ? b.get() : b->DataBand;
    for (TfrView* v : b->Objects) {
      if (v->Typ != gtPicture && v->Typ != gtMemo) continue;
      if (v->Typ == gtMemo && (v->Flags & flTextOnly)) continue;
      const QString text = v->Memo.join(QString()).trimmed();
      if (text.size() <= 2 || !text.startsWith(QLatin1Char('[')) || !text.endsWith(QLatin1Char(']'))) continue;
      TfrDBDataSet* src = sourceBand ? qobject_cast<TfrDBDataSet*>(sourceBand->DataSource) : nullptr;
      QString field;
      try {
        FindComponentAndField(owner, text.mid(1, text.size() - 2), src, field);
        if (!src || field.isEmpty()) continue;
        TDataSet* ds = src->ResolveDataSet();
        // Texts take a field's bytes only from binary fields; other fields keep their display
        // formats through the expression.
        if (v->Typ == gtMemo && !IsBlobField(ds->FindField(field))) continue;
        v->BoundDataSet = ds;
        v->BoundField = field;
      } catch (const Exception&) {
      }
    }
  }
}

void TfrPageForm::PrepareAggregates() {
  if (Page->PageType != ptReport) return;
  bindFields();
  Report->CollectingAggregates = true;
  for (TfrBand* b = Bands[btMasterData]; b && b->DataSource; b = b->Next)
    collectAggregates(b, {btPageFooter, btColumnFooter, btMasterFooter, btGroupFooter, btReportSummary});
  for (TfrBand* b = Bands[btDetailData]; b && b->DataSource; b = b->Next)
    collectAggregates(b, {btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btGroupFooter,
                          btReportSummary});
  for (TfrBand* b = Bands[btSubDetailData]; b && b->DataSource; b = b->Next)
    collectAggregates(b, {btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btSubDetailFooter,
                          btGroupFooter, btReportSummary});
  // The cross footer sums over the columns of its row.
  if (TfrBand* cd = Bands[btCrossData]) collectAggregates(cd, {btCrossFooter});
  Report->CollectingAggregates = false;
  AggregateBand() = nullptr;
  CurrentBand() = nullptr;
}

void TfrPageForm::ShowBand(TfrBand* band) {
  if (!band) return;
  band->Print();
}

void TfrPageForm::ShowBandByName(const QString& name) { ShowBand(BandByName(name)); }

void TfrPageForm::Form() {
  TfrReport* r = Report;
  TfrEMFPages& pages = r->EMFPages();
  Continuation& prev = continuation();
  // 1. An empty page produces nothing.
  if (!r->PrintIfEmpty) {
    bool empty = true;
    if (TfrBand* m = Bands[btMasterData]; m && m->DataSource) {
      try {
        m->DataSource->First();
        empty = m->DataSource->Eof();
      } catch (const Exception&) {
        empty = true;
      }
    }
    if (empty) {
      if (AppendToPrevious()) ++r->PageNo;
      return;
    }
  }
  // 2. Start. A page whose printable height cannot hold the bands repeated on every page
  // would start new pages for ever: the build ends with a clear error instead.
  checkRoomForPageBands();
  CurrentView() = nullptr;
  RunScriptLines(Page->Script);
  if (AppendToPrevious() && prev.lastPosition == prev.lastBottom) {
    AppendToPrevious() = false;
    r->PageNo = pages.Count();
  }
  const bool continuing = AppendToPrevious() && pages.Count() > 0;
  CurBottom = continuing && prev.footerPrinted ? prev.lastBottom : BottomEdge;
  CurColumn = 0;
  XOffset = LeftEdge;
  FooterPrinted = false;
  if (continuing) {
    CurY = prev.lastPosition;
  } else {
    pages.AddPage(Page);
    CurY = TopEdge;
    ShowBand(Bands[btOverlay]);
    ShowBand(Bands[btNone]);
  }
  AppendToPrevious() = false;
  StaticColumnTop = CurY;
  if (!r->OnManualBuild) {
    const int before = pages.Count();
    ShowBand(Bands[btReportTitle]);
    if (pages.Count() == before) {
      if (TfrBand* ph = Bands[btPageHeader]; ph && ph->Real() && ph->Has(bfOnFirstPage)) ShowBand(ph);
      ShowBand(Bands[btColumnHeader]);
    }
  }
  // 3. The data.
  levels_ = 0;
  for (int n = 1; n <= 3; ++n)
    if (TfrBand* d = Bands[btMasterData + (n - 1) * 3]; d && d->Real()) levels_ = n;
  if (!r->OnManualBuild && levels_ > 0 && !terminated(r)) dataLoop(1);
  // 4. The end of the page.
  if (r->OnManualBuild) r->OnManualBuild(Page);
  else if (!terminated(r)) ShowBand(Bands[btReportSummary]);
  LastPosition = CurColumn > 0 ? BottomEdge : CurY;
  LastBottom = CurBottom;
  CurColumn = 0;
  XOffset = LeftEdge;
  if (TfrBand* pf = Bands[btPageFooter]; pf && !r->OnManualBuild && !terminated(r)) {
    if ((pages.Count() == 1 && pf->Has(bfOnFirstPage)) || pf->Has(bfOnLastPage)) {
      const uint16_t saved = pf->Flags;
      pf->Flags |= bfOnFirstPage;
      r->PageNo = pages.Count() - 1;
      ShowBand(pf);
      pf->Flags = saved;
      FooterPrinted = true;
    }
  }
  if (r->OnEndPage) r->OnEndPage(r->PageNo);
  ++r->PageNo;
  prev.lastPosition = LastPosition;
  prev.lastBottom = LastBottom;
  prev.footerPrinted = FooterPrinted;
  LastBandPrinted = nullptr;
}

void TfrPageForm::printQueue() {
  std::vector<TfrBand*> q;
  q.swap(queue_);
  if (!q.empty()) ++queuePrints_;
  for (TfrBand* b : q) {
    if (terminated(Report)) return;
    if (b->Real()) b->Print();
    else if (b->Kind == btGroupHeader) b->ResetAggregates();
  }
}

void TfrPageForm::dataLoop(int level) {
  TfrReport* r = Report;
  const int kind = btMasterData + (level - 1) * 3;
  for (TfrBand* b = Bands[kind]; b; b = b->Next) {
    TfrDataset* src = b->DataSource;
    if (!src) continue;
    try {
      src->First();
    } catch (const Exception& e) {
      RecordBuildError(e);
      return;
    }
    // What stands in the queue now belongs to the levels above (their record waits for this
    // level to print something); this level drops only what it queued itself.
    const size_t outerQueued = queue_.size();
    const int printsBefore = queuePrints_;
    b->LineNo = 1;
    b->LineThrough = 1;
    for (TfrBand* g : b->Groups) g->GroupValueSet = false;
    if (!src->Eof()) {
      for (TfrBand* g : b->Groups) queue_.push_back(g);
      if (b->Header) queue_.push_back(b->Header);
      if (b->Footer) b->Footer->ResetAggregates();
    }
    while (!src->Eof() && !terminated(r)) {
      queue_.push_back(b);
      if (b->Has(bfPrintIfSubsetEmpty)) printQueue();
      bool counted = true;
      if (level < levels_) {
        dataLoop(level + 1);
        if (!queue_.empty()) {
          if (b->Has(bfPrintIfSubsetEmpty)) printQueue();
          else {
            queue_.pop_back();
            counted = false;
          }
        }
      } else {
        printQueue();
      }
      if (terminated(r)) break;
      src->Next();
      // Group test.
      const bool atEnd = src->Eof();
      int changed = -1;
      for (size_t i = 0; i < b->Groups.size(); ++i) {
        TfrBand* g = b->Groups[i];
        if (atEnd) {
          changed = 0;
          break;
        }
        Variant v;
        try {
          v = g->GroupCondition.isEmpty() ? Variant() : ReportParser().EvaluateCoded(g->GroupCondition);
        } catch (const Exception& e) {
          RecordBuildError(e);
          return;
        }
        if (!g->GroupValueSet || !frv::Equals(v, g->LastGroupValue)) {
          changed = int(i);
          break;
        }
      }
      if (changed >= 0) {
        // Footers see the group's last row. At the end of the source the cursor still stands on
        // the last row, so it stays where it is.
        if (!atEnd) {
          try {
            src->Prior();
          } catch (const Exception&) {
          }
        }
        for (int j = int(b->Groups.size()) - 1; j >= changed; --j)
          if (b->Groups[size_t(j)]->Footer) queue_.push_back(b->Groups[size_t(j)]->Footer);
        printQueue();
        for (size_t j = size_t(changed) + 1; j < b->Groups.size(); ++j) b->Groups[j]->LineNo = 1;
        if (!atEnd) {
          src->Next();
          if (b->Groups[size_t(changed)]->Has(bfFormNewPage)) NewPage();
          for (size_t j = size_t(changed); j < b->Groups.size(); ++j) queue_.push_back(b->Groups[j]);
          // The first record of the new group is line 1 (counted below when it printed).
          b->LineNo = counted ? 0 : 1;
        }
      }
      if (counted) {
        ++CurrentNo;
        ++b->LineThrough;
        ++b->LineNo;
        if (b->Has(bfFormNewPage) && !src->Eof()) NewPage();
      }
    }
    // Once the queue was printed, all that stands in it was queued by this level.
    const size_t own = queuePrints_ != printsBefore ? 0 : outerQueued;
    if (queue_.size() > own) queue_.resize(own);
    else if (queue_.empty() && b->Footer && !terminated(r)) ShowBand(b->Footer);
  }
}

void TfrPageForm::printPageFooters() {
  TfrReport* r = Report;
  TfrEMFPages& pages = r->EMFPages();
  CurColumn = 0;
  const int savedX = XOffset;
  XOffset = LeftEdge;
  TfrBand* pf = Bands[btPageFooter];
  if (r->PageNo > 0 || (pf && pf->Has(bfOnFirstPage)) || !pf) {
    while (r->PageNo < pages.Count()) {
      if (r->OnEndPage) r->OnEndPage(r->PageNo);
      if (pf && (r->PageNo > 0 || pf->Has(bfOnFirstPage))) ShowBand(pf);
      ++r->PageNo;
    }
  }
  r->PageNo = pages.Count();
  XOffset = savedX;
}

void TfrPageForm::checkRoomForPageBands() {
  int repeated = 0;
  for (int kind : {btPageHeader, btColumnHeader, btColumnFooter})
    if (TfrBand* b = Bands[kind]; b && b->Real()) repeated += b->Height;
  // The page footer was already taken off BottomEdge.
  if (BottomEdge - TopEdge <= repeated)
    throw Exception(QStringLiteral("页面“%1”的可打印高度（%2）放不下页眉、栏头和栏脚（共 %3），请加大纸张或减小页边距。")
                        .arg(Page->Name)
                        .arg(std::max(0, BottomEdge - TopEdge))
                        .arg(repeated));
}

int TfrPageForm::FormInPlace(TfrPageForm* host, int top, int left) {
  TfrReport* r = Report;
  TfrPageForm* savedForm = CurrentPageForm();
  TfrPage* savedPage = CurrentPage();
  Host = host;
  CurrentPageForm() = this;
  CurrentPage() = Page;
  // The sub-report's page takes the host's bottom and margins; its objects sit at the
  // sub-report's left.
  const int savedLeft = LeftEdge, savedTop = TopEdge, savedBottomEdge = BottomEdge;
  LeftEdge = host->LeftEdge;
  TopEdge = host->TopEdge;
  BottomEdge = host->BottomEdge;
  CurY = top;
  CurBottom = host->CurBottom;
  CurColumn = 0;
  ColumnCount = 1;
  XOffset = subOffset_ = left;
  StaticColumnTop = CurY;
  for (auto& b : AllBands) b->Flags &= uint16_t(~(bfFormNewPage | bfBreaked));
  levels_ = 0;
  for (int n = 1; n <= 3; ++n)
    if (TfrBand* d = Bands[btMasterData + (n - 1) * 3]; d && d->Real()) levels_ = n;
  ShowBand(Bands[btReportTitle]);
  if (levels_ > 0 && !terminated(r)) dataLoop(1);
  if (!terminated(r)) ShowBand(Bands[btReportSummary]);
  const int bottom = CurY;
  LastBandPrinted = nullptr;
  LeftEdge = savedLeft;
  TopEdge = savedTop;
  BottomEdge = savedBottomEdge;
  Host = nullptr;
  CurrentPageForm() = savedForm;
  CurrentPage() = savedPage;
  return bottom;
}

void TfrPageForm::NewPage() {
  if (Host) {
    // A sub-report goes on to the host's next page: one another sub-report of the same band
    // already made, or a new one with the host's page bands.
    TfrReport* r = Report;
    if (r->PageNo + 1 < r->EMFPages().Count()) {
      ++r->PageNo;
      CurY = Host->StaticColumnTop;
    } else {
      Host->NewPage();
      CurY = Host->CurY;
    }
    CurBottom = Host->CurBottom;
    XOffset = subOffset_;
    StaticColumnTop = CurY;
    return;
  }
  // A band that starts a page from inside the bands of a new page (a page header that does not
  // fit, for instance) would nest without end.
  struct Depth {
    int& d;
    explicit Depth(int& v) : d(v) { ++d; }
    ~Depth() { --d; }
  } depth(newPageDepth_);
  if (newPageDepth_ > 8)
    throw Exception(QStringLiteral("页面“%1”放不下要打印的栏，无法分页。").arg(Page->Name));
  TfrReport* r = Report;
  TfrBand* saved = CurrentBand();
  TfrView* savedView = CurrentView();
  r->ReportProgress(r->PageNo + 1);
  if (TfrBand* cf = Bands[btColumnFooter]) ShowBand(cf);
  printPageFooters();
  CurBottom = BottomEdge;
  r->EMFPages().AddPage(Page);
  AppendToPrevious() = false;
  CurY = TopEdge;
  ShowBand(Bands[btOverlay]);
  ShowBand(Bands[btNone]);
  ShowBand(Bands[btPageHeader]);
  StaticColumnTop = CurY;
  ShowBand(Bands[btColumnHeader]);
  CurColumn = 0;
  XOffset = LeftEdge;
  CurrentBand() = saved;
  CurrentView() = savedView;
}

void TfrPageForm::NewColumn(TfrBand* band) {
  if (Host) {
    NewPage();
  } else if (CurColumn < ColumnCount - 1) {
    if (TfrBand* cf = Bands[btColumnFooter]) ShowBand(cf);
    ++CurColumn;
    XOffset += ColumnWidth + Page->ColumnGap;
    CurY = StaticColumnTop;
    if (TfrBand* ch = Bands[btColumnHeader]) {
      const int top = StaticColumnTop;
      ShowBand(ch);
      StaticColumnTop = top;
    }
  } else {
    NewPage();
  }
  if (!band) return;
  TfrBand* data = isDataKind(band->Kind) ? band : nullptr;
  if (!data) return;
  for (TfrBand* g : data->Groups)
    if (g->Has(bfRepeatHeader) && g != band) {
      g->AggregatesFrozen = true;
      ShowBand(g);
      g->AggregatesFrozen = false;
    }
  if (data->Header && data->Header->Has(bfRepeatHeader)) {
    data->Header->AggregatesFrozen = true;
    ShowBand(data->Header);
    data->Header->AggregatesFrozen = false;
  }
}

void TfrPageForm::Finish() {
  for (auto& b : AllBands) {
    for (TfrView* o : b->Objects) o->Top += b->DesignTop;
    if (b->Kind >= btCrossHeader && b->Kind <= btCrossFooter)
      for (TfrView* o : b->CrossObjects) o->Left += b->X;
    else
      for (TfrView* o : b->CrossObjects) o->Top += b->DesignTop;
  }
  for (auto& b : AllBands) {
    b->Objects.clear();
    b->CrossObjects.clear();
  }
  AllBands.clear();
  std::fill(std::begin(Bands), std::end(Bands), nullptr);
}
