#include "report/FR_Built.h"

#include <QBuffer>
#include <QPainter>

#include "platform/canvas.h"
#include "report/FR_Class.h"
#include "report/FR_FileStream.h"

TfrEMFPages::TfrEMFPages(TfrReport* report) : QObject(report), report_(report) {
  setObjectName(QStringLiteral("EMFPages"));
}

TfrEMFPages::~TfrEMFPages() = default;

void TfrEMFPages::Clear() { entries_.clear(); }

static int pageWidthPixels(const TfrEMFPages::Entry& e) {
  if (e.Metrics.PageWidth > 0) return e.Metrics.PageWidth;
  return TenthsMmToPixels(e.pgWidth);
}
static int pageHeightPixels(const TfrEMFPages::Entry& e) {
  if (e.Metrics.PageHeight > 0) return e.Metrics.PageHeight;
  return TenthsMmToPixels(e.pgHeight);
}

// The paper as oriented, and the page metrics the printer gives for it.
static void fillPaper(TfrEMFPages::Entry& e) {
  TfrPrinter& p = ReportPrinter();
  p.SetPaper(e.pgSize, e.pgWidth, e.pgHeight, e.pgBin, e.pgOr, false);
  p.FillPageMetrics(e.Metrics);
  // The printer may know the paper by its code only; keep what the page asked for otherwise.
  if (e.pgSize != 256 && FindPaper(e.pgSize)) {
    e.pgWidth = p.PaperWidth;
    e.pgHeight = p.PaperHeight;
  }
}

bool TfrEMFPages::InsertPage(int index, TfrPage* t) {
  auto e = std::make_unique<Entry>();
  e->pgSize = uint16_t(t->pgSize);
  e->pgOr = t->pgOr;
  // The template page keeps its paper in portrait form; the entry keeps it as oriented.
  e->pgWidth = t->pgOr == 1 ? t->pgHeight : t->pgWidth;
  e->pgHeight = t->pgOr == 1 ? t->pgWidth : t->pgHeight;
  e->pgBin = t->pgBin;
  e->UseMargins = t->UseMargins;
  e->LeftMargin = t->LeftMargin;
  e->TopMargin = t->TopMargin;
  e->RightMargin = t->RightMargin;
  e->BottomMargin = t->BottomMargin;
  fillPaper(*e);
  // Objects are appended one by one while the page is formed; room for a full page up front.
  e->Stream.reserve(16384);
  e->Stream.append(char(25));
  const bool use = e->UseMargins;
  if (index >= Count()) entries_.push_back(std::move(e));
  else entries_.insert(entries_.begin() + std::max(0, index), std::move(e));
  return use;
}

void TfrEMFPages::AddPage(TfrPage* templatePage) {
  InsertPage(Count(), templatePage);
  TfrReport* outer = report_;
  if (outer && outer->OnBeginPage) outer->OnBeginPage(outer->PageNo);
  TfrReport* cur = CurrentReport();
  if (cur && cur != outer && cur->OnBeginPage) cur->OnBeginPage(cur->PageNo);
}

void TfrEMFPages::DeletePage(int index) {
  if (index < 0 || index >= Count()) return;
  entries_.erase(entries_.begin() + index);
}

void TfrEMFPages::AppendToStream(int index, const QByteArray& bytes) {
  if (index < 0 || index >= Count()) return;
  Entry& e = EntryAt(index);
  e.Stream.append(bytes);
  e.Page.reset();   // objects read earlier no longer match the stream
}

TfrPage* TfrEMFPages::ObjectsToPage(int index) {
  Entry& e = EntryAt(index);
  if (e.Page) return e.Page.get();
  auto page = std::make_unique<TfrPage>();
  page->pgSize = e.pgSize;
  page->pgOr = e.pgOr;
  page->pgWidth = e.pgOr == 1 ? e.pgHeight : e.pgWidth;
  page->pgHeight = e.pgOr == 1 ? e.pgWidth : e.pgHeight;
  page->pgBin = e.pgBin;
  page->UseMargins = e.UseMargins;
  page->LeftMargin = e.LeftMargin;
  page->TopMargin = e.TopMargin;
  page->RightMargin = e.RightMargin;
  page->BottomMargin = e.BottomMargin;
  QBuffer b(&e.Stream);
  b.open(QIODevice::ReadOnly);
  const int savedVersion = StreamVersion();
  StreamVersion() = b.atEnd() ? 25 : frs::ReadU8(b);
  try {
    while (!b.atEnd()) {
      const int type = frs::ReadU8(b);
      const QString cls = type == gtAddIn ? ReadStreamString(b) : QString();
      TfrView* v = CreateViewByType(type, cls);
      if (!v) throw EReadError(QStringLiteral("报表页中有未知的对象类型 %1").arg(type));
      std::unique_ptr<TfrView> owned(v);
      v->StreamMode = 1;
      v->LoadRecord(b);
      v->EvaluatedMemo = v->Memo;
      page->Add(owned.release());
    }
  } catch (...) {
    StreamVersion() = savedVersion;
    throw;
  }
  StreamVersion() = savedVersion;
  e.Page = std::move(page);
  return e.Page.get();
}

void TfrEMFPages::PageToObjects(int index) {
  Entry& e = EntryAt(index);
  if (!e.Page) return;
  QByteArray bytes;
  QBuffer b(&bytes);
  b.open(QIODevice::WriteOnly);
  StreamVersion() = 25;
  frs::WriteU8(b, 25);
  for (auto& v : e.Page->Objects) {
    v->StreamMode = 1;
    v->EvaluatedMemo = v->Memo;
    frs::WriteU8(b, v->Typ);
    if (v->Typ == gtAddIn) WriteCountedString(b, v->ClassName());
    v->StoreRecord(b);
  }
  e.Stream = bytes;
}

void TfrEMFPages::Draw(int index, TCanvas* canvas, const QRect& rect) {
  if (index < 0 || index >= Count()) return;
  Entry& e = EntryAt(index);
  const bool savedBuild = BuildMode();
  BuildMode() = true;
  if (!e.Visible) {
    e.Page.reset();
    BuildMode() = savedBuild;
    return;
  }
  TfrPage* page = ObjectsToPage(index);
  TfrPage* savedPage = CurrentPage();
  CurrentPage() = page;
  const double sx = double(rect.width()) / std::max(1, pageWidthPixels(e));
  const double sy = double(rect.height()) / std::max(1, pageHeightPixels(e));
  const bool printing = canvas->painter() && canvas->painter()->device() &&
                        canvas->painter()->device()->devType() == QInternal::Printer;
  for (auto& v : page->Objects) {
    if (v->Typ == gtBand) continue;
    v->ScaleX = sx;
    v->ScaleY = sy;
    v->OffsetX = rect.left();
    v->OffsetY = rect.top();
    v->IsPrinting = printing;
    v->Paint(canvas);
  }
  CurrentPage() = savedPage;
  BuildMode() = savedBuild;
}

QStringList TfrEMFPages::PageTexts(int index) {
  QStringList texts;
  TfrPage* page = ObjectsToPage(index);
  for (auto& v : page->Objects)
    if (v->Typ == gtMemo) {
      QStringList lines = v->Memo;
      for (QString& l : lines) l.remove(kParagraphMark);
      texts << lines.join(QLatin1Char('\n'));
    }
  return texts;
}

TfrView* TfrEMFPages::ObjectAt(int index, const QPoint& point) {
  TfrPage* page = ObjectsToPage(index);
  for (auto it = page->Objects.rbegin(); it != page->Objects.rend(); ++it) {
    TfrView* v = it->get();
    if (QRect(v->Left, v->Top, v->Width + 1, v->Height + 1).contains(point)) return v;
  }
  return nullptr;
}

// ---- the built-report file

void TfrEMFPages::SaveToFile(QIODevice& s) {
  StreamVersion() = 25;
  frs::WriteU8(s, 25);
  frs::WriteU8(s, 0);   // not compressed
  WriteCountedString(s, ReportPrinter().SelectedName());
  frs::WriteI32(s, Count());
  for (int i = 0; i < Count(); ++i) {
    Entry& e = EntryAt(i);
    if (e.Page) PageToObjects(i);
    const qint64 at = s.pos();
    frs::WriteI32(s, int32_t(at));
    frs::WriteU16(s, e.pgSize);
    frs::WriteI32(s, e.pgWidth);
    frs::WriteI32(s, e.pgHeight);
    frs::WriteU8(s, e.pgOr);
    frs::WriteI32(s, e.pgBin);
    frs::WriteU8(s, e.UseMargins ? 1 : 0);
    frs::WriteI32(s, e.LeftMargin);
    frs::WriteI32(s, e.TopMargin);
    frs::WriteI32(s, e.RightMargin);
    frs::WriteI32(s, e.BottomMargin);
    frs::WriteRaw(s, e.Stream);
    const qint64 end = s.pos();
    frs::SeekTo(s, at);
    frs::WriteI32(s, int32_t(end));
    frs::SeekTo(s, end);
  }
  frs::WriteU8(s, report_ ? report_->GeneratorVersion : 88);
}

void TfrEMFPages::LoadFromFile(QIODevice& s) {
  Clear();
  int version = frs::ReadU8(s);
  if (version < 24 || version > 31) {
    version = 0;
    frs::SeekTo(s, 0);
  }
  const int compressed = frs::ReadU8(s);
  if (compressed != 0 && compressed != 1 && compressed != 255)
    throw EReadError(QStringLiteral("不支持这种旧格式的报表文件（整页图片）"));
  StreamVersion() = version >= 23 ? version : 22;
  const QString printer = ReadStreamString(s);
  if (report_) report_->SelectPrinterByName(printer);
  const int count = frs::ReadI32(s);
  if (count < 0 || count > s.size() - s.pos()) throw EReadError(QStringLiteral("报表文件的页数 %1 无效").arg(count));
  for (int i = 0; i < count; ++i) {
    auto e = std::make_unique<Entry>();
    const qint64 end = frs::ReadI32(s);
    e->pgSize = frs::ReadU16(s);
    e->pgWidth = frs::ReadI32(s);
    e->pgHeight = frs::ReadI32(s);
    e->pgOr = frs::ReadU8(s);
    e->pgBin = version > 23 ? frs::ReadI32(s) : -1;
    e->UseMargins = frs::ReadU8(s) != 0;
    if (version > 23) {
      e->LeftMargin = frs::ReadI32(s);
      e->TopMargin = frs::ReadI32(s);
      e->RightMargin = frs::ReadI32(s);
      e->BottomMargin = frs::ReadI32(s);
    }
    if (end < s.pos() || end > s.size()) throw EReadError(QStringLiteral("报表文件的第 %1 页已损坏").arg(i + 1));
    e->Stream = frs::ReadRaw(s, end - s.pos());
    fillPaper(*e);
    entries_.push_back(std::move(e));
  }
  if (!s.atEnd() && report_) report_->GeneratorVersion = frs::ReadU8(s);
  // Every page is read through once now: a page whose objects are damaged refuses the file here,
  // instead of failing later wherever the page is drawn, searched, printed or edited.
  for (int i = 0; i < Count(); ++i) {
    try {
      ObjectsToPage(i);
    } catch (const Exception& e) {
      throw EReadError(QStringLiteral("报表文件的第 %1 页已损坏：%2").arg(i + 1).arg(e.message()));
    }
    entries_[size_t(i)]->Page.reset();
  }
}
