#include "designer/FR_DesignModel.h"

#include <QBuffer>
#include <QHash>
#include <QSet>
#include <algorithm>

#include "report/FR_Ctrls.h"
#include "report/FR_FileStream.h"
#include "report/FR_Utils.h"

// Child bands (21) may be many on a page: each band may have one of its own.
bool BandKindIsSingle(int kind) { return !((kind >= 4 && kind <= 12) || kind == 16 || kind == 17 || kind == 21); }

// ---------------------------------------------------------------------------------------
// Settings

QString TfrDesignerSettings::Key() { return SettingsKey + QStringLiteral("\\Form\\TfrDesignerForm"); }

static QString inspectorKey() { return SettingsKey + QStringLiteral("\\Form\\TfrInspForm"); }
static QString fieldListKey() { return SettingsKey + QStringLiteral("\\Form\\TfrInsFieldsForm"); }

void TfrDesignerSettings::Load() {
  const QString k = Key();
  GridSize = ReadSettingInteger(k, "GridSize", 4);
  if (GridSize != 4 && GridSize != 8 && GridSize != 18) GridSize = 4;
  GridAlign = ReadSettingBool(k, "GridAlign", true);
  ShowGrid = ReadSettingBool(k, "GridShow", true);
  Units = ReadSettingInteger(k, "Units", 0);
  if (Units < 0 || Units > 2) Units = 0;
  GrayButtons = ReadSettingBool(k, "GrayButtons", false);
  EditAfterInsert = ReadSettingBool(k, "EditAfterInsert", true);
  ShowContentsWhileMoving = ReadSettingInteger(k, "Selection", 1) ? 1 : 0;
  PagePosition = ReadSettingInteger(k, "PagePosition", 5);
  if (PagePosition < 3 || PagePosition > 5) PagePosition = 5;
  BandTitles = ReadSettingBool(k, "BandTitles", true);
  LocalizedPropNames = ReadSettingBool(k, "LocalizedPropNames", false);
  UnlimitedHeight = ReadSettingBool(k, "UnlimitedHeight", false);
  DisableUndo = ReadSettingBool(k, "DisableUndo", false);
  SyntaxHighlight = ReadSettingBool(k, "SyntaxHighlight", true);
  InspectorVisible = ReadSettingBool(inspectorKey(), "isVisible", true);
  InspectorSplitPos = std::max(20, ReadSettingInteger(inspectorKey(), "SplitPos", 75));
  FieldListVisible = ReadSettingBool(fieldListKey(), "isVisible", true);
}

void TfrDesignerSettings::Save() const {
  const QString k = Key();
  WriteSettingBool(k, "GridShow", ShowGrid);
  WriteSettingBool(k, "GridAlign", GridAlign);
  WriteSettingInteger(k, "GridSize", GridSize);
  WriteSettingInteger(k, "Units", Units);
  WriteSettingBool(k, "GrayButtons", GrayButtons);
  WriteSettingBool(k, "EditAfterInsert", EditAfterInsert);
  WriteSettingInteger(k, "Selection", ShowContentsWhileMoving);
  WriteSettingInteger(k, "PagePosition", PagePosition);
  WriteSettingBool(k, "BandTitles", BandTitles);
  WriteSettingBool(inspectorKey(), "isVisible", InspectorVisible);
  WriteSettingInteger(inspectorKey(), "SplitPos", InspectorSplitPos);
  WriteSettingBool(fieldListKey(), "isVisible", FieldListVisible);
  WriteSettingBool(k, "LocalizedPropNames", LocalizedPropNames);
  WriteSettingBool(k, "UnlimitedHeight", UnlimitedHeight);
  WriteSettingBool(k, "DisableUndo", DisableUndo);
  WriteSettingBool(k, "SyntaxHighlight", SyntaxHighlight);
}

double PixelsToUnits(double pixels, int units) {
  if (units == 0) return pixels;
  const double mm = pixels / 18.0 * 5.0;
  return units == 1 ? mm : mm / 25.4;
}

double UnitsToPixels(double value, int units) {
  if (units == 0) return value;
  const double mm = units == 1 ? value : value * 25.4;
  return mm / 5.0 * 18.0;
}

// ---------------------------------------------------------------------------------------
// Object streams

QList<QByteArray>& ObjectClipboard() {
  static QList<QByteArray> clipboard;
  return clipboard;
}

namespace {
// The stream version is engine-wide; reading and writing objects here must not disturb a
// template being read or written elsewhere.
struct StreamVersionScope {
  int saved = StreamVersion();
  StreamVersionScope() { StreamVersion() = kCurrentStreamVersion; }
  ~StreamVersionScope() { StreamVersion() = saved; }
};
}  // namespace

QByteArray ObjectToStream(TfrView* view) {
  StreamVersionScope scope;
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  frs::WriteU8(b, view->Typ);
  WriteCountedString(b, view->ClassName());
  const uint8_t minor = view->VersionMinor;
  view->StoreRecord(b);
  view->VersionMinor = minor;
  return b.data();
}

std::unique_ptr<TfrView> ObjectFromStream(const QByteArray& bytes) {
  StreamVersionScope scope;
  QBuffer b;
  b.setData(bytes);
  b.open(QIODevice::ReadOnly);
  const uint8_t type = frs::ReadU8(b);
  const QString cls = ReadCountedString(b);
  std::unique_ptr<TfrView> v(CreateViewByType(type, cls));
  if (!v) return nullptr;
  v->LoadRecord(b);
  return v;
}

std::unique_ptr<TfrView> CloneView(TfrView* view) {
  std::unique_ptr<TfrView> copy(CreateViewByType(view->Typ, view->ClassName()));
  if (!copy) return nullptr;
  CopyViewState(copy.get(), view);
  copy->ObjectID = view->ObjectID;
  return copy;
}

// ---------------------------------------------------------------------------------------
// The model

TfrDesignModel::TfrDesignModel(TfrReport* report) : report_(report) {}
TfrDesignModel::~TfrDesignModel() = default;

void TfrDesignModel::SetReport(TfrReport* report) {
  report_ = report;
  ClearUndo();
  ClearRedo();
  CurPage = 0;
  FirstSelected = nullptr;
}

TfrPage* TfrDesignModel::Page() const {
  if (!report_ || CurPage < 0 || CurPage >= PageCount()) return nullptr;
  return report_->Pages[size_t(CurPage)].get();
}

bool TfrDesignModel::SetCurrentPage(int index) {
  if (!report_ || index < 0 || index >= PageCount()) return false;
  CurPage = index;
  CurrentPage() = Page();
  UnselectAll();
  NormalizeBands();
  return true;
}

static QString uniquePageName(TfrReport* r) {
  for (int n = 1;; ++n) {
    const QString name = QStringLiteral("Page%1").arg(n);
    bool used = false;
    for (auto& p : r->Pages) used = used || p->Name.compare(name, Qt::CaseInsensitive) == 0;
    if (!used) return name;
  }
}

int TfrDesignModel::AppendPage(uint8_t type) {
  const QString name = uniquePageName(report_);
  TfrPage* p = report_->AppendPage();
  p->Name = name;
  p->PageType = type;
  if (type == ptDialog) {
    p->Width = 300;
    p->Height = 200;
    p->Caption = name;
  }
  if (OnPagesChanged) OnPagesChanged();
  return PageCount() - 1;
}

bool TfrDesignModel::DeletePage(int index) {
  if (PageCount() <= 1 || index < 0 || index >= PageCount()) return false;
  UnselectAll();
  report_->Pages.erase(report_->Pages.begin() + index);
  for (auto& page : report_->Pages) {
    for (int i = int(page->Objects.size()) - 1; i >= 0; --i) {
      TfrView* v = page->Objects[size_t(i)].get();
      if (v->Typ != gtSubReport) continue;
      auto* s = static_cast<TfrSubReportView*>(v);
      if (s->SubPage == index) page->Objects.erase(page->Objects.begin() + i);
      else if (s->SubPage > index) --s->SubPage;
    }
  }
  ClearUndo();
  ClearRedo();
  MarkModified(true);
  CurPage = 0;
  SetCurrentPage(0);
  if (OnPagesChanged) OnPagesChanged();
  return true;
}

bool TfrDesignModel::MovePage(int from, int to) {
  if (from < 0 || to < 0 || from >= PageCount() || to >= PageCount() || from == to) return false;
  for (auto& page : report_->Pages)
    for (auto& o : page->Objects) {
      if (o->Typ != gtSubReport) continue;
      auto* s = static_cast<TfrSubReportView*>(o.get());
      if (s->SubPage == from) s->SubPage = -1;
      else if (from < to && s->SubPage > from && s->SubPage <= to) --s->SubPage;
      else if (from > to && s->SubPage >= to && s->SubPage < from) ++s->SubPage;
    }
  for (auto& page : report_->Pages)
    for (auto& o : page->Objects)
      if (o->Typ == gtSubReport && static_cast<TfrSubReportView*>(o.get())->SubPage == -1)
        static_cast<TfrSubReportView*>(o.get())->SubPage = to;
  auto moved = std::move(report_->Pages[size_t(from)]);
  report_->Pages.erase(report_->Pages.begin() + from);
  report_->Pages.insert(report_->Pages.begin() + to, std::move(moved));
  ClearUndo();
  ClearRedo();
  MarkModified(true);
  if (OnPagesChanged) OnPagesChanged();
  return true;
}

void TfrDesignModel::SetPageType(int index, uint8_t type) {
  if (index < 0 || index >= PageCount()) return;
  TfrPage* p = report_->Pages[size_t(index)].get();
  if (p->PageType == type) return;
  // Steps recorded on the page's old form would put objects back into a page of another kind.
  dropStepsOfPage(index);
  p->PageType = type;
  MarkModified(true);
}

QString TfrDesignModel::PageTabText(int index) const {
  for (auto& page : report_->Pages)
    for (auto& o : page->Objects)
      if (o->Typ == gtSubReport && static_cast<TfrSubReportView*>(o.get())->SubPage == index) return o->Name;
  return LocaleText(55004) + QString::number(index + 1);
}

// ---- selection

QList<TfrView*> TfrDesignModel::Selection() const {
  QList<TfrView*> list;
  if (TfrPage* p = Page())
    for (auto& o : p->Objects)
      if (o->Selected) list << o.get();
  return list;
}

int TfrDesignModel::SelectionCount() const { return int(Selection().size()); }

TfrView* TfrDesignModel::TopSelected() const {
  const QList<TfrView*> s = Selection();
  return s.isEmpty() ? nullptr : s.last();
}

void TfrDesignModel::UnselectAll() {
  if (report_)
    for (auto& page : report_->Pages)
      for (auto& o : page->Objects) o->Selected = false;
  FirstSelected = nullptr;
}

void TfrDesignModel::SelectAll() {
  if (TfrPage* p = Page())
    for (auto& o : p->Objects) o->Selected = true;
  FirstSelected = nullptr;
}

void TfrDesignModel::SelectOnly(TfrView* view) {
  UnselectAll();
  if (view) view->Selected = true;
  FirstSelected = view;
}

bool TfrDesignModel::SelectByName(const QString& name) {
  TfrPage* p = Page();
  if (!p) return false;
  if (TfrView* v = p->FindObject(name)) {
    SelectOnly(v);
    return true;
  }
  if (name.startsWith(QStringLiteral("Page"), Qt::CaseInsensitive)) {
    bool ok = false;
    const int n = name.mid(4).trimmed().toInt(&ok);
    if (ok && n >= 1 && n <= PageCount()) return SetCurrentPage(n - 1);
  }
  return false;
}

int TfrDesignModel::IndexOf(const TfrView* view) const {
  if (TfrPage* p = Page())
    for (size_t i = 0; i < p->Objects.size(); ++i)
      if (p->Objects[i].get() == view) return int(i);
  return -1;
}

TfrView* TfrDesignModel::ObjectByID(uint32_t id) const {
  if (TfrPage* p = Page())
    for (auto& o : p->Objects)
      if (o->ObjectID == id) return o.get();
  return nullptr;
}

// ---- undo

void TfrDesignModel::MarkModified(bool flag) {
  modified_ = flag;
  if (OnModified) OnModified(flag);
}

void TfrDesignModel::buffersChanged() {
  if (OnBuffersChanged) OnBuffersChanged();
}

void TfrDesignModel::ClearUndo() {
  undo_.clear();
  buffersChanged();
}

void TfrDesignModel::ClearRedo() {
  redo_.clear();
  buffersChanged();
}

void TfrDesignModel::dropStepsOfPage(int pageIndex) {
  // Steps are valid only in order; dropping one drops every step above it as well.
  for (auto* buffer : {&undo_, &redo_}) {
    auto it = std::find_if(buffer->begin(), buffer->end(), [&](const TfrUndoStep& s) { return s.PageIndex == pageIndex; });
    buffer->erase(it, buffer->end());
  }
  buffersChanged();
}

void TfrDesignModel::addStep(std::deque<TfrUndoStep>& buffer, TfrUndoKind kind,
                             const std::vector<std::pair<TfrView*, int>>& objects,
                             const std::vector<std::pair<TfrView*, int>>& editedExtra) {
  if (int(buffer.size()) >= kMaxUndo) buffer.pop_front();
  TfrUndoStep step;
  step.Kind = kind;
  step.PageIndex = CurPage;
  auto add = [&](uint8_t k, TfrView* v, int index) {
    TfrUndoEntry e;
    e.Kind = k;
    e.ID = v->ObjectID;
    if (k != acInsert) e.Index = index;
    if (k == acDelete || k == acEdit) e.Copy = CloneView(v);
    step.Entries.push_back(std::move(e));
  };
  for (auto& [v, i] : objects) add(kind, v, i);
  for (auto& [v, i] : editedExtra) add(acEdit, v, i);
  buffer.push_back(std::move(step));
  buffersChanged();
  MarkModified(true);
}

void TfrDesignModel::RecordUndo(TfrUndoKind kind) {
  if (Settings.DisableUndo) {
    MarkModified(true);
    return;
  }
  TfrPage* p = Page();
  std::vector<std::pair<TfrView*, int>> objects;
  if (p)
    for (size_t i = 0; i < p->Objects.size(); ++i)
      if (kind == acZOrder || p->Objects[i]->Selected) objects.emplace_back(p->Objects[i].get(), int(i));
  if (objects.empty()) {
    MarkModified(true);
    return;
  }
  ClearRedo();
  addStep(undo_, kind, objects);
}

void TfrDesignModel::applyLast(std::deque<TfrUndoStep>& from, std::deque<TfrUndoStep>& to) {
  TfrPage* p = Page();
  if (from.empty() || !p || from.back().PageIndex != CurPage) return;
  TfrUndoStep step = std::move(from.back());
  from.pop_back();

  // The reverse step, made from the objects as they are now and found by identity.
  {
    if (int(to.size()) >= kMaxUndo) to.pop_front();
    TfrUndoStep rev;
    rev.Kind = step.Kind == acInsert ? uint8_t(acDelete) : step.Kind == acDelete ? uint8_t(acInsert) : step.Kind;
    rev.PageIndex = CurPage;
    for (auto& e : step.Entries) {
      TfrUndoEntry r;
      r.ID = e.ID;
      if (e.Kind == acDelete) {
        if (ObjectByID(e.ID)) continue;   // still there: nothing will be inserted
        r.Kind = acInsert;
      } else {
        // Inserted objects are deleted again, changed ones changed back, the order restored;
        // each is found by identity where it is now.
        TfrView* v = ObjectByID(e.ID);
        if (!v) continue;
        r.Kind = e.Kind == acInsert ? uint8_t(acDelete) : e.Kind;
        r.Index = IndexOf(v);
        if (r.Kind != acZOrder) r.Copy = CloneView(v);
      }
      rev.Entries.push_back(std::move(r));
    }
    to.push_back(std::move(rev));
  }

  // Apply. Deleted objects are put back in ascending order of their former positions so that
  // each lands where it was.
  if (step.Kind == acZOrder) {
    QHash<uint32_t, int> target;
    for (auto& e : step.Entries) target.insert(e.ID, e.Index);
    std::stable_sort(p->Objects.begin(), p->Objects.end(), [&](const auto& a, const auto& b) {
      return target.value(a->ObjectID, INT_MAX) < target.value(b->ObjectID, INT_MAX);
    });
  } else {
    std::vector<TfrUndoEntry*> inserts;
    for (auto& e : step.Entries) {
      if (e.Kind == acInsert) {
        for (size_t i = 0; i < p->Objects.size(); ++i)
          if (p->Objects[i]->ObjectID == e.ID) {
            removeAt(int(i));
            break;
          }
      } else if (e.Kind == acDelete) {
        inserts.push_back(&e);
      } else if (e.Kind == acEdit) {
        if (TfrView* v = ObjectByID(e.ID)) CopyViewState(v, e.Copy.get());
      }
    }
    std::stable_sort(inserts.begin(), inserts.end(), [](auto* a, auto* b) { return a->Index < b->Index; });
    for (TfrUndoEntry* e : inserts) {
      // An object that is still on the page (it could not be deleted) is never put back twice.
      if (!e->Copy || ObjectByID(e->ID)) continue;
      const int at = std::clamp(e->Index, 0, int(p->Objects.size()));
      e->Copy->ParentPage = p;
      e->Copy->Selected = false;
      p->Objects.insert(p->Objects.begin() + at, std::move(e->Copy));
    }
  }
  UnselectAll();
  buffersChanged();
  MarkModified(true);
}

void TfrDesignModel::Undo() { applyLast(undo_, redo_); }
void TfrDesignModel::Redo() { applyLast(redo_, undo_); }

void TfrDesignModel::removeAt(int index) {
  TfrPage* p = Page();
  if (!p || index < 0 || index >= int(p->Objects.size())) return;
  if (FirstSelected == p->Objects[size_t(index)].get()) FirstSelected = nullptr;
  p->Objects.erase(p->Objects.begin() + index);
}

// ---- editing commands

TfrView* TfrDesignModel::InsertObject(TfrView* view, bool record) {
  TfrPage* p = Page();
  if (!p || !view) return nullptr;
  UnselectAll();
  p->Add(view);
  if (view->Name.isEmpty() || !report_->IsUniqueObjectName(view->Name) || report_->FindObject(view->Name) != view) {
    TfrReport* saved = CurrentReport();
    CurrentReport() = report_;
    view->MakeUniqueName();
    CurrentReport() = saved;
  }
  SelectOnly(view);
  if (IsBand(view)) NormalizeBands();
  if (record) RecordUndo(acInsert);
  else MarkModified(true);
  return view;
}

void TfrDesignModel::DeleteSelection(bool record) {
  TfrPage* p = Page();
  if (!p) return;
  std::vector<std::pair<TfrView*, int>> gone;
  QSet<QString> childNames;
  for (size_t i = 0; i < p->Objects.size(); ++i) {
    TfrView* v = p->Objects[i].get();
    if (!v->Selected || (v->Restrictions & frrfDontDelete)) continue;
    gone.emplace_back(v, int(i));
    if (BandKindOf(v) == kBandChild) childNames.insert(v->Name.toUpper());
  }
  if (gone.empty()) return;
  // Bands that name a deleted child band lose the reference; the step holds them too, so Undo
  // gives the reference back together with the child band.
  std::vector<std::pair<TfrView*, int>> referring;
  for (size_t i = 0; i < p->Objects.size(); ++i) {
    TfrView* v = p->Objects[i].get();
    if (!IsBand(v) || (v->Selected && !(v->Restrictions & frrfDontDelete))) continue;
    if (childNames.contains(static_cast<TfrBandView*>(v)->ChildBand.toUpper())) referring.emplace_back(v, int(i));
  }
  if (record) {
    if (Settings.DisableUndo) {
      MarkModified(true);
    } else {
      ClearRedo();
      addStep(undo_, acDelete, gone, referring);
    }
  }
  for (auto& [v, i] : referring) static_cast<TfrBandView*>(v)->ChildBand.clear();
  for (int i = int(p->Objects.size()) - 1; i >= 0; --i) {
    TfrView* v = p->Objects[size_t(i)].get();
    if (v->Selected && !(v->Restrictions & frrfDontDelete)) removeAt(i);
  }
  FirstSelected = nullptr;
  MarkModified(true);
}

void TfrDesignModel::CopySelection() {
  QList<QByteArray>& clip = ObjectClipboard();
  clip.clear();
  for (TfrView* v : Selection()) clip << ObjectToStream(v);
}

void TfrDesignModel::CutSelection() {
  CopySelection();
  DeleteSelection(true);
}

void TfrDesignModel::PasteObjects(int shiftX, int shiftY) {
  TfrPage* p = Page();
  const QList<QByteArray>& clip = ObjectClipboard();
  if (!p || clip.isEmpty()) return;
  TfrView* targetBand = nullptr;
  for (auto& o : p->Objects) {
    if (IsBand(o.get()) && o->Selected && !targetBand) targetBand = o.get();
    o->Selected = false;
  }
  FirstSelected = nullptr;

  std::vector<std::unique_ptr<TfrView>> pasted;
  int minLeft = 32767, minTop = 32767;
  for (const QByteArray& bytes : clip) {
    std::unique_ptr<TfrView> v;
    try {
      v = ObjectFromStream(bytes);
    } catch (const Exception&) {
      continue;   // a class that is no longer known: skip that object
    }
    if (!v) continue;
    minLeft = std::min(minLeft, v->Left);
    minTop = std::min(minTop, v->Top);
    pasted.push_back(std::move(v));
  }

  TfrReport* savedReport = CurrentReport();
  CurrentReport() = report_;
  QHash<QString, QString> renamed;   // upper-case old name -> new name
  QList<TfrView*> added;
  bool pagesAdded = false;
  for (auto& up : pasted) {
    TfrView* v = up.get();
    const int kind = BandKindOf(v);
    if (IsBand(v) && BandKindIsSingle(kind)) {
      bool present = false;
      for (auto& o : p->Objects) present = present || BandKindOf(o.get()) == kind;
      if (present) continue;
    }
    const QString oldName = v->Name;
    v->ParentPage = p;
    if (report_->FindObject(v->Name)) v->MakeUniqueName();
    v->PropWrite("Name", v->Name);
    renamed.insert(oldName.toUpper(), v->Name);
    v->Left = v->Left - minLeft + shiftX;
    v->Top = v->Top - minTop + shiftY;
    if (targetBand) v->Top = targetBand->Top;
    if (v->Typ == gtSubReport) {
      // A pasted sub-report gets a page of its own: its old page number may not exist in this
      // report, or belong to another sub-report.
      TfrPage* page = report_->AppendPage();
      page->Name = uniquePageName(report_);
      static_cast<TfrSubReportView*>(v)->SubPage = PageCount() - 1;
      pagesAdded = true;
      p = Page();
    }
    v->Selected = true;
    p->Objects.push_back(std::move(up));
    added << v;
  }
  CurrentReport() = savedReport;

  // Child-band references follow renamed bands and never point at a band that is not on the
  // page.
  for (TfrView* v : added) {
    if (!IsBand(v)) continue;
    auto* b = static_cast<TfrBandView*>(v);
    if (b->ChildBand.isEmpty()) continue;
    const QString target = renamed.value(b->ChildBand.toUpper(), b->ChildBand);
    TfrView* child = p->FindObject(target);
    b->ChildBand = (child && BandKindOf(child) == kBandChild && child != v) ? child->Name : QString();
  }
  if (added.size() == 1) FirstSelected = added.first();
  NormalizeBands();
  if (pagesAdded && OnPagesChanged) OnPagesChanged();
  if (!added.isEmpty()) RecordUndo(acInsert);
}

static void moveSelected(TfrPage* p, bool toFront) {
  std::vector<std::unique_ptr<TfrView>> moved, rest;
  for (auto& o : p->Objects) {
    if (o->Selected && !(o->Restrictions & frrfDontMove)) moved.push_back(std::move(o));
    else rest.push_back(std::move(o));
  }
  p->Objects.clear();
  auto& first = toFront ? rest : moved;
  auto& second = toFront ? moved : rest;
  for (auto& o : first) p->Objects.push_back(std::move(o));
  for (auto& o : second) p->Objects.push_back(std::move(o));
}

void TfrDesignModel::reorder(bool toFront) {
  TfrPage* p = Page();
  if (!p || Selection().isEmpty()) return;
  RecordUndo(acZOrder);
  moveSelected(p, toFront);
  NormalizeBands();
}

void TfrDesignModel::BringToFront() { reorder(true); }
void TfrDesignModel::SendToBack() { reorder(false); }

void TfrDesignModel::NormalizeBands() {
  TfrPage* p = Page();
  if (!p) return;
  auto rank = [](const std::unique_ptr<TfrView>& o) {
    const int k = BandKindOf(o.get());
    if (k < 0) return 3;
    if (k == kBandOverlay) return 0;
    if (k >= kBandCrossHeader && k <= kBandCrossFooter) return 2;
    return 1;
  };
  std::stable_sort(p->Objects.begin(), p->Objects.end(), [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
}
